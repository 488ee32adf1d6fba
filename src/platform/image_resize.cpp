// Resampling through stb_image_resize and source-over compositing. The
// row-by-row resampler (image_row_resample.cpp) reproduces this filter bit
// for bit; the ImageResampleStream tests hold the two together.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/image_internal.h"

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_resize.h>
#pragma GCC diagnostic pop

namespace vk {

namespace {

// Checks the sizes, allocates the result and has `resize` fill it (a
// non-zero answer when it did); the one place a resize fails with a reason.
template <typename Resize>
bool resizeChecked(const ImageArgb& source, int width, int height, ImageArgb& out,
                   std::wstring* reason, Resize&& resize) {
  std::wstring failure;
  if (source.width < 1 || source.height < 1 ||
      source.pixels.size() != std::size_t(source.width) * std::size_t(source.height)) {
    failure = L"The image to resize is empty or malformed.";
  } else if (width < 1 || height < 1 || width > kImageSideLimit || height > kImageSideLimit) {
    failure = L"The requested image size is out of range.";
  }
  ImageArgb result;
  if (failure.empty() && platform::allocateImage(result, width, height, failure)) {
    if (resize(result)) {
      out = std::move(result);
      return true;
    }
    failure = L"Not enough memory to resize the image.";
  }
  if (reason) *reason = failure;
  return false;
}

}  // namespace

bool resizeImage(const ImageArgb& source, int width, int height, ImageArgb& out,
                 std::wstring* reason) {
  return resizeChecked(source, width, height, out, reason, [&](ImageArgb& result) {
    // Byte 3 of each little-endian word is alpha; without the premultiplied
    // flag stb weights colour by alpha while filtering and divides after.
    return stbir_resize_uint8_generic(
        reinterpret_cast<const unsigned char*>(source.pixels.data()), source.width, source.height,
        source.width * 4, reinterpret_cast<unsigned char*>(result.pixels.data()), width, height,
        width * 4, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR,
        nullptr) != 0;
  });
}

bool resizeReducedImage(const ReducedImage& source, int width, int height, ImageArgb& out,
                        std::wstring* reason) {
  const ImageArgb& image = source.image;
  const bool whole = source.coverWidth == image.width && source.coverHeight == image.height;
  if (whole || image.width < 1 || image.height < 1 || source.coverWidth <= 0 ||
      source.coverHeight <= 0 || source.coverWidth > image.width ||
      source.coverHeight > image.height) {
    return resizeImage(image, width, height, out, reason);
  }
  return resizeChecked(image, width, height, out, reason, [&](ImageArgb& result) {
    // The same filter as resizeImage over the covered part only.
    return stbir_resize_region(
        image.pixels.data(), image.width, image.height, image.width * 4, result.pixels.data(),
        width, height, width * 4, STBIR_TYPE_UINT8, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
        STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr, 0.0f, 0.0f,
        float(source.coverWidth / image.width), float(source.coverHeight / image.height)) != 0;
  });
}

void drawImageOver(ImageArgb& canvas, const ImageArgb& image, int x, int y) {
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const long long rightEdge = std::min<long long>(canvas.width, (long long)x + image.width);
  const long long bottomEdge = std::min<long long>(canvas.height, (long long)y + image.height);
  for (long long row = top; row < bottomEdge; ++row) {
    const std::uint32_t* src = &image.pixels[std::size_t(row - y) * image.width];
    std::uint32_t* dst = &canvas.pixels[std::size_t(row) * canvas.width];
    for (long long column = left; column < rightEdge; ++column) {
      const std::uint32_t s = src[column - x];
      const std::uint32_t sa = s >> 24;
      if (sa == 255) {
        dst[column] = s;
        continue;
      }
      if (sa == 0) continue;
      const std::uint32_t d = dst[column];
      const std::uint32_t da = d >> 24;
      // Alpha of the result scaled by 255: sa * 255 + da * (255 - sa).
      const std::uint32_t outA255 = sa * 255 + da * (255 - sa);
      std::uint32_t result = ((outA255 + 127) / 255) << 24;
      for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t sc = (s >> shift) & 0xFF;
        const std::uint32_t dc = (d >> shift) & 0xFF;
        const std::uint32_t value = (sc * sa * 255 + dc * da * (255 - sa) + outA255 / 2) / outA255;
        result |= std::min<std::uint32_t>(value, 255) << shift;
      }
      dst[column] = result;
    }
  }
}

}  // namespace vk
