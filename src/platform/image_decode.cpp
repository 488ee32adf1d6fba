// Format detection, the decoders without a file of their own (WebP through
// libwebp, BMP and TGA through stb_image) and where the decoded rows go: kept
// as an image, or resampled into products as they come.
//
// Sections:
//   - Container checks
//   - Shared decode steps
//   - The stb_image and WebP decoders
//   - Where the rows go
//   - Entry points
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

// ---- Container checks -------------------------------------------------------
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

// stb_image takes every entry between the header and the pixels as the
// palette and leaves the rest of its table unset: an index past the entries
// (or no entry at all) would give whatever the memory held. Called on data
// bmpDataComplete accepted.
bool bmpPaletteCovers(const std::uint8_t* data) {
  const std::uint32_t offset = readLe32(data + 10);
  const std::uint32_t infoSize = readLe32(data + 14);
  const bool core = infoSize == 12;
  const long long width = core ? (long long)readLe16(data + 18) : (long long)std::int32_t(readLe32(data + 18));
  const long long height =
      std::llabs(core ? (long long)readLe16(data + 20) : (long long)std::int32_t(readLe32(data + 22)));
  const std::uint32_t bits = readLe16(data + (core ? 24 : 28));
  const std::uint32_t compression = core ? 0 : readLe32(data + 30);
  if ((bits != 1 && bits != 4 && bits != 8) || compression == 1 || compression == 2) return true;
  const long long start = static_cast<long long>(offset) - 14;
  const long long entries = core ? (start - 24) / 3 : (start - infoSize) >> 2;
  if (entries < 1) return false;
  if (entries >= (1ll << bits)) return true;
  const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;
  for (long long y = 0; y < height; ++y) {
    const std::uint8_t* row = data + offset + std::size_t(y) * stride;
    for (long long x = 0; x < width; ++x) {
      const std::size_t bit = std::size_t(x) * bits;
      const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
      if (index >= entries) return false;
    }
  }
  return true;
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

// ---- Shared decode steps ----------------------------------------------------
std::wstring wideFromMessage(const char* message) {
  return utf8ToWide(message && *message ? message : "unknown error");
}

bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  std::wstring& reason) {
  if (step == DecodeStep::Done) return true;
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
  if (width > kImageSideLimit || height > kImageSideLimit ||
      static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) >
          kImagePixelLimit) {
    reason = L"The image is " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
             L" pixels, more than the " + std::to_wstring(kImageSideLimit) +
             L" pixels a side or 64 megapixels allowed.";
    return false;
  }
  return true;
}

bool admitImage(long long width, long long height, const ImageDecodeRequest& request,
                std::wstring& reason) {
  if (!imageSizeAllowed(width, height, reason)) return false;
  if (!request.budget) return true;
  const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
  if (pixels > request.budget->remaining) {
    request.budget->exceeded = true;
    reason = L"The image's " + std::to_wstring(pixels) +
             L" pixels are more than the decoding budget has left (" +
             std::to_wstring(request.budget->remaining) + L").";
    return false;
  }
  request.budget->remaining -= pixels;
  return true;
}

int reductionFactor(int width, int height, const ImageDecodeRequest& request) {
  int factor = kImageSideLimit;
  if (request.minWidth > 0) factor = std::min(factor, width / request.minWidth);
  if (request.minHeight > 0) factor = std::min(factor, height / request.minHeight);
  if (request.minWidth <= 0 && request.minHeight <= 0) factor = 1;
  return std::max(factor, 1);
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

// ---- The stb_image and WebP decoders ----------------------------------------
bool decodeStbImage(const std::uint8_t* data, std::size_t size, ImageFormat format,
                    const ImageDecodeRequest& request, ImageRowSink& sink, std::wstring& reason) {
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
  if (format == ImageFormat::Bmp && !bmpPaletteCovers(data)) {
    reason = L"The BMP image uses colours its palette does not have.";
    return false;
  }
  if (!admitImage(width, height, request, reason)) return false;
  if (!sink.begin(DecodedRows{width, height, width, height, double(width), double(height)},
                  reason)) {
    return false;
  }
  stbi_uc* rgba = stbi_load_from_memory(data, int(size), &width, &height, &components, 4);
  if (!rgba) {
    reason = std::wstring(L"The ") + name + L" image is damaged (" +
             wideFromMessage(stbi_failure_reason()) + L").";
    return false;
  }
  // stb_image decodes whole; its rows are handed over R, G, B, A swapped to
  // B, G, R, A.
  std::vector<std::uint8_t> row(std::size_t(width) * 4);
  for (int y = 0; y < height; ++y) {
    const stbi_uc* p = rgba + std::size_t(y) * std::size_t(width) * 4;
    for (std::size_t x = 0; x < std::size_t(width); ++x) {
      row[x * 4] = p[x * 4 + 2];
      row[x * 4 + 1] = p[x * 4 + 1];
      row[x * 4 + 2] = p[x * 4];
      row[x * 4 + 3] = p[x * 4 + 3];
    }
    sink.addRow(row.data());
  }
  stbi_image_free(rgba);
  return true;
}

bool decodeWebP(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ImageRowSink& sink, std::wstring& reason) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config) ||
      WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) {
    reason = L"The WebP image is damaged or truncated.";
    return false;
  }
  const WebPBitstreamFeatures& features = config.input;
  if (features.has_animation) {
    reason = L"Animated WebP images are not supported.";
    return false;
  }
  if (!admitImage(features.width, features.height, request, reason)) return false;
  // The scaling decoder averages the whole source into the smaller size, so
  // its result covers the source exactly.
  const bool large = std::uint64_t(features.width) * std::uint64_t(features.height) >
                     kDecoderScalingPixels;
  const int scaling = large ? reductionFactor(features.width, features.height, request) : 1;
  const int width = (features.width + scaling - 1) / scaling;
  const int height = (features.height + scaling - 1) / scaling;
  if (!sink.begin(DecodedRows{width, height, features.width, features.height, double(width),
                              double(height)},
                  reason)) {
    return false;
  }
  // libwebp decodes whole (the lossless format refers back anywhere in the
  // image); the rows are handed over from its result.
  ImageArgb decoded;
  if (!allocateImage(decoded, width, height, reason)) return false;
  // Little-endian 0xAARRGGBB words are the bytes B, G, R, A.
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(decoded.pixels.data());
  config.output.u.RGBA.stride = width * 4;
  config.output.u.RGBA.size = decoded.pixels.size() * 4;
  if (scaling > 1) {
    config.options.use_scaling = 1;
    config.options.scaled_width = width;
    config.options.scaled_height = height;
  }
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    reason = L"The WebP image is damaged or truncated.";
    return false;
  }
  for (int y = 0; y < height; ++y) {
    sink.addRow(reinterpret_cast<const std::uint8_t*>(&decoded.pixels[std::size_t(y) * width]));
  }
  return true;
}

// ---- Where the rows go ------------------------------------------------------
namespace {

// Keeps the rows as they come: the image whole, or the library's reduction.
class ImageCollector final : public ImageRowSink {
 public:
  explicit ImageCollector(ReducedImage& out) : out_(out) {}
  bool begin(const DecodedRows& rows, std::wstring& reason) override {
    if (!allocateImage(out_.image, rows.width, rows.height, reason)) return false;
    out_.sourceWidth = rows.sourceWidth;
    out_.sourceHeight = rows.sourceHeight;
    out_.coverWidth = rows.coverWidth;
    out_.coverHeight = rows.coverHeight;
    return true;
  }
  void addRow(const std::uint8_t* bgra) override {
    if (row_ >= out_.image.height) return;
    std::memcpy(&out_.image.pixels[std::size_t(row_++) * std::size_t(out_.image.width)], bgra,
                std::size_t(out_.image.width) * 4);
  }
  bool complete() const { return row_ == out_.image.height; }

 private:
  ReducedImage& out_;
  int row_ = 0;
};

// Resamples the rows into every product as they come, each row weighted by
// alpha once for all of them.
class ProductResampler final : public ImageRowSink {
 public:
  ProductResampler(const ImageProductSizes& sizes, ResampledImages& out)
      : sizes_(sizes), out_(out) {}
  bool begin(const DecodedRows& rows, std::wstring& reason) override {
    out_.sourceWidth = rows.sourceWidth;
    out_.sourceHeight = rows.sourceHeight;
    out_.libraryReduced = rows.width != rows.sourceWidth || rows.height != rows.sourceHeight;
    const std::vector<ImageSize> sizes = sizes_(rows.sourceWidth, rows.sourceHeight);
    resamplers_.resize(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      if (!resamplers_[i].start(rows.width, rows.height, rows.coverWidth, rows.coverHeight,
                                sizes[i].width, sizes[i].height, reason)) {
        return false;
      }
    }
    width_ = rows.width;
    height_ = rows.height;
    for (const RowResampler& resampler : resamplers_) {
      padLeft_ = std::max(padLeft_, resampler.padLeft());
      padRight_ = std::max(padRight_, resampler.padRight());
    }
    try {
      decoded_.resize((std::size_t(rows.width) + padLeft_ + padRight_) * 4);
    } catch (const std::bad_alloc&) {
      reason = L"Not enough memory to resample the image.";
      return false;
    }
    return true;
  }
  void addRow(const std::uint8_t* bgra) override {
    if (row_ >= height_) return;
    premultiplyRow(bgra, width_, padLeft_, padRight_, decoded_.data());
    const float* first = decoded_.data() + std::size_t(padLeft_) * 4;
    for (RowResampler& resampler : resamplers_) resampler.addDecodedRow(first);
    ++row_;
  }
  bool finish() {
    out_.products.resize(resamplers_.size());
    for (std::size_t i = 0; i < resamplers_.size(); ++i)
      if (!resamplers_[i].finish(out_.products[i])) return false;
    return true;
  }

 private:
  const ImageProductSizes& sizes_;
  ResampledImages& out_;
  std::vector<RowResampler> resamplers_;
  std::vector<float> decoded_;
  int width_ = 0, height_ = 0, row_ = 0, padLeft_ = 0, padRight_ = 0;
};

bool decodeRows(const void* data, std::size_t size, const ImageDecodeRequest& request,
                ImageRowSink& sink, std::wstring& failure) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  switch (detectImageFormat(data, size)) {
    case ImageFormat::Png:
      return decodePng(bytes, size, request, sink, failure);
    case ImageFormat::Jpeg:
      return decodeJpeg(bytes, size, request, sink, failure);
    case ImageFormat::WebP:
      return decodeWebP(bytes, size, request, sink, failure);
    case ImageFormat::Bmp:
      return decodeStbImage(bytes, size, ImageFormat::Bmp, request, sink, failure);
    case ImageFormat::Tga:
      return decodeStbImage(bytes, size, ImageFormat::Tga, request, sink, failure);
    case ImageFormat::Unknown:
      break;
  }
  failure = L"The data is not a PNG, JPEG, BMP, TGA or WebP image.";
  return false;
}

}  // namespace

}  // namespace vk::platform

// ---- Entry points -----------------------------------------------------------
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

namespace {

// Decodes the rows into `sink`, which fills `out`; `complete()` says whether
// it received the whole image. On failure `out` is left empty.
template <class Product, class Sink, class Complete>
bool decodeInto(const void* data, std::size_t size, const ImageDecodeRequest& request, Sink& sink,
                Complete&& complete, Product& out, std::wstring* reason) {
  std::wstring failure;
  if (!platform::decodeRows(data, size, request, sink, failure) || !complete()) {
    out = Product{};
    if (reason) *reason = failure.empty() ? L"The image data ends too early." : failure;
    return false;
  }
  out.bytesRead = sink.bytesRead ? sink.bytesRead : size;
  return true;
}

}  // namespace

bool decodeImageReduced(const void* data, std::size_t size, const ImageDecodeRequest& request,
                        ReducedImage& out, std::wstring* reason) {
  out = ReducedImage{};
  platform::ImageCollector collector(out);
  return decodeInto(data, size, request, collector, [&] { return collector.complete(); }, out, reason);
}

bool decodeImageResampled(const void* data, std::size_t size, const ImageDecodeRequest& request,
                          const ImageProductSizes& sizes, ResampledImages& out,
                          std::wstring* reason) {
  out = ResampledImages{};
  platform::ProductResampler resampler(sizes, out);
  return decodeInto(data, size, request, resampler, [&] { return resampler.finish(); }, out, reason);
}

bool decodeImageFileResampled(const std::wstring& path, const ImageDecodeRequest& request,
                              const ImageProductSizes& sizes, ResampledImages& out,
                              std::wstring* reason) {
  out = ResampledImages{};
  std::string bytes;
  if (!readFileBytes(path, bytes, kImageFileByteLimit, reason)) return false;
  return decodeImageResampled(bytes.data(), bytes.size(), request, sizes, out, reason);
}

bool decodeImage(const void* data, std::size_t size, ImageArgb& out, std::wstring* reason) {
  ReducedImage whole;
  const bool ok = decodeImageReduced(data, size, ImageDecodeRequest{}, whole, reason);
  out = std::move(whole.image);
  return ok;
}

bool decodeImageFileReduced(const std::wstring& path, const ImageDecodeRequest& request,
                            ReducedImage& out, std::wstring* reason) {
  out = ReducedImage{};
  std::string bytes;
  if (!readFileBytes(path, bytes, kImageFileByteLimit, reason)) return false;
  return decodeImageReduced(bytes.data(), bytes.size(), request, out, reason);
}

bool decodeImageFile(const std::wstring& path, ImageArgb& out, std::wstring* reason) {
  ReducedImage whole;
  const bool ok = decodeImageFileReduced(path, ImageDecodeRequest{}, whole, reason);
  out = std::move(whole.image);
  return ok;
}

}  // namespace vk
