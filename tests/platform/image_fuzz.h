// The decoders' fuzz entry point, shared by the libFuzzer target
// (tests/fuzz, clang only) and the mutation test that runs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// Decodes arbitrary bytes; a decoded image must be consistent and usable by
// the resampler. Traps (a crash the fuzzer reports) when it is not.
inline int vkFuzzDecodeImage(const std::uint8_t* data, std::size_t size) {
  vk::ImageArgb image;
  std::wstring reason;
  if (!vk::decodeImage(data, size, image, &reason)) {
    if (reason.empty() || !image.pixels.empty()) __builtin_trap();
    return 0;
  }
  if (image.width < 1 || image.height < 1 || image.width > vk::kMaxImageSide ||
      image.height > vk::kMaxImageSide ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    __builtin_trap();
  }
  vk::ImageArgb small;
  if (!vk::resizeImage(image, 8, 8, small)) __builtin_trap();
  return 0;
}
