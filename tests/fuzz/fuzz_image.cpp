// libFuzzer target for the image decoders. Seeds: tests/data/images;
// findings: tests/data/images/fuzz.
#include "platform/image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vkFuzzDecodeImage(data, size);
}
