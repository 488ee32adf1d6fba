// The check the project reader's fuzz target runs on every input; the
// regression test runs it on every saved input too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "persistence/persistence.h"

// The saved text with the value of every "validation" member blanked: that
// text is derived on open and ends with a note of what the open repaired, so
// the first save of a damaged input names a repair its reopening no longer
// needs. Everything else must come back byte for byte.
inline std::string vkWithoutValidationNotes(std::string_view text) {
  static constexpr std::string_view kKey = "\"validation\": \"";
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(kKey); at != std::string_view::npos; at = text.find(kKey, from)) {
    size_t end = at + kKey.size();
    while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
    out.append(text.substr(from, at + kKey.size() - from));
    from = std::min(end, text.size());
  }
  out.append(text.substr(from));
  return out;
}

// Projects of more objects than this are read but not saved: every object,
// even an empty one, saves as several kilobytes of defaults, and a few
// kilobytes of "{}," would otherwise spend each run writing megabytes. The
// objects a fuzzed project holds interact (ids, parents) well within this.
inline constexpr size_t kFuzzRoundTripObjects = 32;

// Reading never fails, and what was read survives one save and one reopen:
// the reopened project saves as the same text, repair notes aside.
inline int vkFuzzReadProject(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vk::ProjectLoadResult result = vk::deserializeProject(text);
  if (!result.usable || result.project.scene.objects.size() > kFuzzRoundTripObjects) return 0;
  const std::string first = vk::serializeProject(result.project, 0);
  const vk::ProjectLoadResult again = vk::deserializeProject(first);
  if (!again.usable) __builtin_trap();
  if (vkWithoutValidationNotes(vk::serializeProject(again.project, 0)) != vkWithoutValidationNotes(first))
    __builtin_trap();
  return 0;
}
