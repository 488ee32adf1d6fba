// Format detection and the decoders without a library of their own here:
// WebP through libwebp, BMP and TGA through stb_image.
#include <webp/decode.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/image_internal.h"
#include "platform/kernel.h"

#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace vk::platform {

namespace {

std::uint32_t readLe16(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t readLe32(const std::uint8_t* p) { return readLe16(p) | (readLe16(p + 2) << 16); }

// stb_image reads zeros past the end of the data instead of failing, so the
// pixel data of a BMP or TGA is checked against the file's length first.
bool bmpDataComplete(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  const std::uint32_t offset = readLe32(data + 10);
  const std::uint32_t infoSize = readLe32(data + 14);
  long long width = 0, height = 0;
  std::uint32_t bits = 0, compression = 0;
  if (infoSize == 12) {
    width = readLe16(data + 18);
    height = readLe16(data + 20);
    bits = readLe16(data + 24);
  } else {
    if (size < 34) return false;
    width = std::int32_t(readLe32(data + 18));
    height = std::int32_t(readLe32(data + 22));
    bits = readLe16(data + 28);
    compression = readLe32(data + 30);
  }
  // Run-length encoded data has no fixed size; stb_image bounds its runs.
  if (compression == 1 || compression == 2) return true;
  if (width <= 0 || height == 0 || bits == 0 || bits > 32) return false;
  const unsigned long long stride = ((unsigned long long)width * bits + 31) / 32 * 4;
  const unsigned long long needed = offset + stride * (unsigned long long)std::llabs(height);
  return needed <= size;
}

bool tgaDataComplete(const std::uint8_t* data, std::size_t size) {
  if (size < 18) return false;
  const std::uint32_t idLength = data[0];
  const std::uint32_t type = data[2];
  const std::uint32_t mapLength = data[1] ? readLe16(data + 5) : 0;
  const std::uint32_t mapBytes = mapLength * ((data[7] + 7u) / 8u);
  const unsigned long long pixels = (unsigned long long)readLe16(data + 12) * readLe16(data + 14);
  const std::uint32_t pixelBytes = (data[16] + 7u) / 8u;
  unsigned long long position = 18ull + idLength + mapBytes;
  if (type < 8) return position + pixels * pixelBytes <= size;
  unsigned long long left = pixels;
  while (left > 0) {
    if (position >= size) return false;
    const std::uint8_t packet = data[position++];
    const unsigned long long count = (packet & 0x7Fu) + 1u;
    position += (packet & 0x80u) ? pixelBytes : count * pixelBytes;
    if (position > size) return false;
    left -= std::min(count, left);
  }
  return true;
}

}  // namespace

std::wstring wideFromMessage(const char* message) {
  return utf8ToWide(message && *message ? message : "unknown error");
}

bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  ImageArgb& out, std::wstring& reason) {
  if (step == DecodeStep::Done) return true;
  out = ImageArgb{};
  if (step == DecodeStep::Failed) {
    reason = std::wstring(L"The ") + format + L" image is damaged or truncated (" +
             wideFromMessage(libraryMessage) + L").";
  }
  return false;
}

bool imageSizeAllowed(long long width, long long height, std::wstring& reason) {
  if (width < 1 || height < 1) {
    reason = L"The image declares no pixels.";
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) >
          kMaxImagePixels) {
    reason = L"The image is " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
             L" pixels, more than the " + std::to_wstring(kMaxImageSide) +
             L" pixels a side or 64 megapixels allowed.";
    return false;
  }
  return true;
}

bool allocateImage(ImageArgb& image, int width, int height, std::wstring& reason) {
  try {
    image.pixels.assign(std::size_t(width) * std::size_t(height), 0u);
  } catch (const std::bad_alloc&) {
    image = ImageArgb{};
    reason = L"Not enough memory for a " + std::to_wstring(width) + L" x " +
             std::to_wstring(height) + L" image.";
    return false;
  }
  image.width = width;
  image.height = height;
  return true;
}

bool encoderArgumentsValid(const std::uint32_t* pixels, int width, int height, int stride,
                           std::wstring& reason) {
  if (!pixels || width < 1 || height < 1 || stride < width || width > 65535 || height > 65535) {
    reason = L"The bitmap to encode is empty or malformed.";
    return false;
  }
  return true;
}

bool looksLikeTga(const std::uint8_t* data, std::size_t size) {
  if (size < 18 || size > std::size_t(INT32_MAX)) return false;
  int width = 0, height = 0, components = 0;
  return stbi_info_from_memory(data, int(size), &width, &height, &components) != 0;
}

bool decodeStbImage(const std::uint8_t* data, std::size_t size, ImageFormat format, ImageArgb& out,
                    std::wstring& reason) {
  const wchar_t* name = format == ImageFormat::Bmp ? L"BMP" : L"TGA";
  int width = 0, height = 0, components = 0;
  if (size > std::size_t(INT32_MAX) ||
      !stbi_info_from_memory(data, int(size), &width, &height, &components)) {
    reason = std::wstring(L"The ") + name + L" header is damaged or unsupported.";
    return false;
  }
  if (!imageSizeAllowed(width, height, reason)) return false;
  const bool complete =
      format == ImageFormat::Bmp ? bmpDataComplete(data, size) : tgaDataComplete(data, size);
  if (!complete) {
    reason = std::wstring(L"The ") + name + L" image is truncated.";
    return false;
  }
  stbi_uc* rgba = stbi_load_from_memory(data, int(size), &width, &height, &components, 4);
  if (!rgba) {
    reason = std::wstring(L"The ") + name + L" image is damaged (" +
             wideFromMessage(stbi_failure_reason()) + L").";
    return false;
  }
  if (!allocateImage(out, width, height, reason)) {
    stbi_image_free(rgba);
    return false;
  }
  const std::size_t count = out.pixels.size();
  for (std::size_t i = 0; i < count; ++i) {
    const stbi_uc* p = rgba + i * 4;
    out.pixels[i] = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[0]) << 16) |
                    (std::uint32_t(p[1]) << 8) | p[2];
  }
  stbi_image_free(rgba);
  return true;
}

bool decodeWebP(const std::uint8_t* data, std::size_t size, ImageArgb& out, std::wstring& reason) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) {
    reason = L"The WebP image is damaged or truncated.";
    return false;
  }
  if (features.has_animation) {
    reason = L"Animated WebP images are not supported.";
    return false;
  }
  if (!imageSizeAllowed(features.width, features.height, reason)) return false;
  if (!allocateImage(out, features.width, features.height, reason)) return false;
  // Little-endian 0xAARRGGBB words are the bytes B, G, R, A.
  auto* target = reinterpret_cast<std::uint8_t*>(out.pixels.data());
  if (!WebPDecodeBGRAInto(data, size, target, out.pixels.size() * 4, out.width * 4)) {
    out = ImageArgb{};
    reason = L"The WebP image is damaged or truncated.";
    return false;
  }
  return true;
}

}  // namespace vk::platform

namespace vk {

ImageFormat detectImageFormat(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (!p) return ImageFormat::Unknown;
  static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(p, kPng, 8) == 0) return ImageFormat::Png;
  if (size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return ImageFormat::Jpeg;
  if (size >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) {
    return ImageFormat::WebP;
  }
  if (size >= 2 && p[0] == 'B' && p[1] == 'M') return ImageFormat::Bmp;
  if (platform::looksLikeTga(p, size)) return ImageFormat::Tga;
  return ImageFormat::Unknown;
}

bool decodeImage(const void* data, std::size_t size, ImageArgb& out, std::wstring* reason) {
  out = ImageArgb{};
  std::wstring failure;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  bool ok = false;
  switch (detectImageFormat(data, size)) {
    case ImageFormat::Png:
      ok = platform::decodePng(bytes, size, out, failure);
      break;
    case ImageFormat::Jpeg:
      ok = platform::decodeJpeg(bytes, size, out, failure);
      break;
    case ImageFormat::WebP:
      ok = platform::decodeWebP(bytes, size, out, failure);
      break;
    case ImageFormat::Bmp:
      ok = platform::decodeStbImage(bytes, size, ImageFormat::Bmp, out, failure);
      break;
    case ImageFormat::Tga:
      ok = platform::decodeStbImage(bytes, size, ImageFormat::Tga, out, failure);
      break;
    case ImageFormat::Unknown:
      failure = L"The data is not a PNG, JPEG, BMP, TGA or WebP image.";
      break;
  }
  if (!ok) {
    out = ImageArgb{};
    if (reason) *reason = failure;
  }
  return ok;
}

bool decodeImageFile(const std::wstring& path, ImageArgb& out, std::wstring* reason) {
  out = ImageArgb{};
  std::string bytes;
  if (!readFileBytes(path, bytes, kMaxImageFileBytes, reason)) return false;
  return decodeImage(bytes.data(), bytes.size(), out, reason);
}

}  // namespace vk
