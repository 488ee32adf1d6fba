// The check the project reader's fuzz target runs on every input; the
// regression test runs it on every saved input too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "persistence/persistence.h"

// Reading never fails, and what was read survives save and open. The first
// save may still carry notes of repairs (derived texts the reader
// recomputes), so the text is a fixed point from the second save on.
inline int vkFuzzReadProject(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vk::ProjectLoadResult result = vk::deserializeProject(text);
  if (result.usable) {
    const std::string first = vk::serializeProject(result.project, 0);
    const vk::ProjectLoadResult again = vk::deserializeProject(first);
    if (!again.usable) __builtin_trap();
    const std::string second = vk::serializeProject(again.project, 0);
    const vk::ProjectLoadResult third = vk::deserializeProject(second);
    if (!third.usable || vk::serializeProject(third.project, 0) != second) __builtin_trap();
  }
  return 0;
}
