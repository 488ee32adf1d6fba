// libFuzzer target for the project reader. Built into the test program (the
// regression test feeds it every saved input) and, with VK_FUZZ, into a
// fuzzer of its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "persistence/persistence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vk::ProjectLoadResult result = vk::deserializeProject(text);
  if (result.usable) {
    // What was read must save and read back to the same text.
    const std::string saved = vk::serializeProject(result.project, 0);
    const vk::ProjectLoadResult again = vk::deserializeProject(saved);
    if (!again.usable || vk::serializeProject(again.project, 0) != saved) __builtin_trap();
  }
  return 0;
}
