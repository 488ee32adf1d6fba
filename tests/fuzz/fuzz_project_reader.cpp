// libFuzzer target for the project reader. Seeds: tests/data/persistence/fuzz
// and tests/data/persistence/golden_project.json.
#include "persistence/reader_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vkFuzzReadProject(data, size);
}
