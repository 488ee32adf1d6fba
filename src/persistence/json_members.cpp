// The member index and the typed lookups over it: indexJsonObject and
// JsonObjectIndex::find, findBool/findNumber/findString/findNested*, the
// value-form reads of one member (jsonNumberValue, jsonStringBody, ...), the
// splitting of array contents into object items, element counts, and the
// truthy-word test. Containers are skipped through the bracket table
// (json_brackets.cpp); numbers are read by json_numbers.cpp, strings decoded
// by json_unescape.cpp (and counted there first, when the index carries a
// budget).
#include <algorithm>
#include <vector>

#include "persistence/json.h"
#include "persistence/json_internal.h"
#include "persistence/json_unescape.h"

namespace vk {
namespace {

using json_detail::keyEquals;

std::optional<std::string_view> valueInterior(const JsonMember& m, char opener) {
  if (!m.closed || m.value.empty() || m.value.front() != opener) return std::nullopt;
  return std::string_view(m.value.data() + 1, m.value.size() - 2);
}

std::optional<std::string_view> nestedInterior(const JsonObjectIndex& object, std::string_view key, char opener) {
  const JsonMember* m = object.find(key);
  if (!m) return std::nullopt;
  return valueInterior(*m, opener);
}

}  // namespace

namespace json_detail {

int escapedKeyIndex(std::string_view key, const std::string_view* names, size_t count) {
  const std::string decoded = jsonUnescapeToUtf8(key);
  for (size_t k = 0; k < count; ++k)
    if (names[k] == decoded) return static_cast<int>(k);
  return -1;
}

}  // namespace json_detail

const JsonMember* JsonObjectIndex::find(std::string_view key) const {
  for (const JsonMember& m : members) {
    // Most names differ in length or first byte: no call for those.
    if (!m.keyHasEscape && (m.key.size() != key.size() || (!key.empty() && m.key[0] != key[0]))) continue;
    if (keyEquals(m, key)) return &m;
  }
  return nullptr;
}

JsonObjectIndex indexJsonObject(std::string_view text, const JsonBracketTable* table) {
  JsonObjectIndex index;
  index.table = table;
  // Collected in a buffer kept between calls, then copied at their exact
  // count: one allocation per index, of the size it needs.
  thread_local std::vector<JsonMember> scratch;
  scratch.clear();
  forEachJsonMember(text, [&](const JsonMember& m) { scratch.push_back(m); }, table);
  index.members.assign(scratch.begin(), scratch.end());
  if (scratch.capacity() > 4096) scratch = {};  // a huge object's buffer is not kept
  return index;
}

bool jsonNumberValue(const JsonMember& member, double& value) { return parseJsonNumber(member.value, value); }

std::optional<bool> jsonBoolValue(const JsonMember& member) {
  if (member.value.starts_with("true")) return true;
  if (member.value.starts_with("false")) return false;
  return std::nullopt;
}

std::optional<std::string_view> jsonStringBody(const JsonMember& member) { return valueInterior(member, '"'); }
std::optional<std::string_view> jsonObjectBody(const JsonMember& member) { return valueInterior(member, '{'); }
std::optional<std::string_view> jsonArrayBody(const JsonMember& member) { return valueInterior(member, '['); }

bool findBool(const JsonObjectIndex& object, std::string_view key, bool fallback) {
  const JsonMember* m = object.find(key);
  return m ? jsonBoolValue(*m).value_or(fallback) : fallback;
}

double findNumber(const JsonObjectIndex& object, std::string_view key, double fallback) {
  const JsonMember* m = object.find(key);
  double value = fallback;
  if (m) jsonNumberValue(*m, value);
  return value;
}

std::optional<std::string_view> findRawString(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '"');
}

std::wstring findString(const JsonObjectIndex& object, std::string_view key, const std::wstring& fallback) {
  const auto body = findRawString(object, key);
  if (!body) return fallback;
  const json_detail::StringMeasure measure = json_detail::measureString(*body);
  if (object.budget && !object.budget->take(wideTextBytes(measure.length))) return {};
  return json_detail::unescapeToWide(*body, measure);
}

std::optional<std::string_view> findNestedObject(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '{');
}

std::optional<std::string_view> findNestedArray(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '[');
}

std::vector<std::string_view> extractJsonObjectItems(std::string_view contents, const JsonBracketTable* table,
                                                     size_t limit) {
  std::vector<std::string_view> items;
  if (limit == 0) return items;
  json_detail::walkElements(contents, [&](size_t i) {
    json_detail::ElementEnd element{contents.size(), true};
    element.end = json_detail::valueEnd(contents, i, element.closed, table);
    if (element.closed && contents[i] == '{') {
      items.push_back(contents.substr(i, element.end - i));
      if (items.size() == limit) element.closed = false;  // stops the walk
    }
    return element;
  });
  return items;
}

uint64_t countJsonElements(std::string_view contents) {
  uint64_t count = 0;
  json_detail::walkElements(contents, [&](size_t i) {
    ++count;
    json_detail::ElementEnd element{contents.size(), true};
    element.end = json_detail::valueEnd(contents, i, element.closed);
    return element;
  });
  return count;
}

JsonObjectIndex indexJsonObjectCountingArrays(std::string_view text, std::vector<uint64_t>& objects) {
  JsonObjectIndex index;
  objects.clear();
  uint64_t valueObjects = 0;  // of the array value just delimited
  size_t i = json_detail::skipSpace(text, 0);
  if (i < text.size() && text[i] == '{') ++i;
  json_detail::walkMembersWith(
      text, i,
      [&](const JsonMember& m) {
        index.members.push_back(m);
        // An array value was delimited just now; other values count none.
        objects.push_back(!m.value.empty() && m.value.front() == '[' ? valueObjects : 0);
      },
      [&](size_t j, bool& closed) {
        if (text[j] != '[') return json_detail::valueEnd(text, j, closed);
        valueObjects = 0;
        const size_t close = json_detail::countObjectsToCloser(text, j + 1, valueObjects);
        closed = close != std::string_view::npos;
        return closed ? close + 1 : text.size();
      });
  return index;
}

bool parseTruthyValue(std::string_view value, bool fallback) {
  if (value == "1" || value == "true" || value == "TRUE" || value == "yes") return true;
  if (value == "0" || value == "false" || value == "FALSE" || value == "no") return false;
  return fallback;
}

}  // namespace vk
