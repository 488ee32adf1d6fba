// The decoders' fuzz entry point, shared by the libFuzzer target
// (tests/fuzz, clang only) and the mutation test that runs in every build.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

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
  if (image.width < 1 || image.height < 1 || image.width > vk::kImageSideLimit ||
      image.height > vk::kImageSideLimit ||
      image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    __builtin_trap();
  }
  vk::ImageArgb small;
  if (!vk::resizeImage(image, 8, 8, small)) __builtin_trap();
  // The reduced decode of the same data (a small request reducing images of
  // any size, so images of a dozen pixels take the reducing paths too)
  // agrees on the source's size, resamples from its covered area, and
  // charges the budget with the pixels it decoded: the source's, or those of
  // a subsample (whose points may be averaged into fewer).
  const vk::ImageDecodeRequest request{2, 2, nullptr, 0};
  vk::ImagePixelBudget budget{vk::kImagePixelLimit, false};
  vk::ImageDecodeRequest charged = request;
  charged.budget = &budget;
  vk::ReducedImage reduced;
  if (!vk::decodeImageReduced(data, size, charged, reduced, &reason)) __builtin_trap();
  const vk::ImageArgb& pixels = reduced.image;
  const std::uint64_t spent = vk::kImagePixelLimit - budget.remaining;
  if (reduced.sourceWidth != image.width || reduced.sourceHeight != image.height ||
      pixels.width < 1 || pixels.height < 1 || pixels.width > image.width ||
      pixels.height > image.height ||
      pixels.pixels.size() != std::size_t(pixels.width) * std::size_t(pixels.height) ||
      reduced.coverWidth <= 0 || reduced.coverWidth > pixels.width || reduced.coverHeight <= 0 ||
      reduced.coverHeight > pixels.height || reduced.bytesRead > size ||
      spent > std::uint64_t(image.width) * image.height || spent < pixels.pixels.size()) {
    __builtin_trap();
  }
  if (!vk::resizeReducedImage(reduced, 8, 8, small)) __builtin_trap();
  // Resampled while decoding: the same products as from the decoded image,
  // bit for bit, enlarged or reduced on either axis.
  const vk::ImageProductSizes sizes = [](int width, int height) {
    return std::vector<vk::ImageSize>{{8, 8}, {std::min(width * 2, 40), std::max(height / 3, 1)}};
  };
  vk::ResampledImages resampled;
  if (!vk::decodeImageResampled(data, size, request, sizes, resampled, &reason) ||
      resampled.products.size() != 2 || resampled.sourceWidth != image.width ||
      resampled.sourceHeight != image.height || resampled.bytesRead != reduced.bytesRead) {
    __builtin_trap();
  }
  const std::vector<vk::ImageSize> expected = sizes(image.width, image.height);
  for (std::size_t i = 0; i < 2; ++i) {
    vk::ImageArgb reference;
    if (!vk::resizeReducedImage(reduced, expected[i].width, expected[i].height, reference) ||
        reference.pixels != resampled.products[i].pixels) {
      __builtin_trap();
    }
  }
  return 0;
}
