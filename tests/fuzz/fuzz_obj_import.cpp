// libFuzzer target for the OBJ and MTL parsers. Seeds: tests/data/formats/obj
// and tests/data/formats/fuzz (the findings, replayed by the formats tests).
#include "formats/obj_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vkFuzzWavefront(data, size);
}
