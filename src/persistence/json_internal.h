// What the JSON scanner's files (json_brackets.cpp, json_members.cpp,
// json_numbers.cpp, json_unescape.cpp) share and no caller needs, and the
// table made in parts that the tests compare with the one-pass table.
#pragma once

#include <cstdint>
#include <string_view>

#include "persistence/json.h"

namespace vk::json_detail {

// Escaped keys compare by their decoded text; plain ones without a library
// call for a name's few bytes.
inline bool keyEquals(const JsonMember& member, std::string_view key) {
  if (!member.keyHasEscape) return member.key.size() == key.size() && sameBytes(member.key.data(), key.data(), key.size());
  return jsonUnescapeToUtf8(member.key) == key;
}

// Counts the objects among the elements from `from` (inside an array) up to
// the closer at that level and returns the closer's index, or npos when the
// text ends first (an object it ends inside is then not counted).
size_t countObjectsToCloser(std::string_view t, size_t from, uint64_t& objects);

}  // namespace vk::json_detail

namespace vk {

// The table buildJsonBracketTable gives, made as a large text's is beside
// its check, from the brackets before `split` and those from it on recorded
// apart, both on this thread.
JsonBracketTable buildJsonBracketTableInParts(std::string_view text, size_t split);

}  // namespace vk
