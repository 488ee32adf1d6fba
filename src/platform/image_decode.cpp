// Format detection, the decoding limits and where the decoded rows go: kept
// as an image, or resampled into products as they come.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/image_internal.h"
#include "platform/kernel.h"

namespace vk::platform {

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
                std::wstring& reason, std::uint64_t decoded) {
  if (!imageSizeAllowed(width, height, reason)) return false;
  if (!request.budget) return true;
  const std::uint64_t pixels = decoded ? decoded : std::uint64_t(width) * std::uint64_t(height);
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
  if (std::uint64_t(width) * std::uint64_t(height) <= request.reduceAbovePixels) return 1;
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
    out_.reduced = rows.width != rows.sourceWidth || rows.height != rows.sourceHeight;
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

bool decodeRows(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
                std::wstring& failure) {
  const std::uint8_t* prefix = input.read(0, input.available(0, 4096));
  const ImageFormat format =
      prefix ? detectImageFormat(prefix, input.available(0, 4096)) : ImageFormat::Unknown;
  switch (format) {
    case ImageFormat::Png:
      return decodePng(input, request, sink, failure);
    case ImageFormat::Jpeg:
      return decodeJpeg(input, request, sink, failure);
    case ImageFormat::WebP:
      return decodeWebP(input, request, sink, failure);
    case ImageFormat::Bmp:
      return decodeBmp(input, request, sink, failure);
    case ImageFormat::Tga:
      return decodeTga(input, request, sink, failure);
    case ImageFormat::Unknown:
      break;
  }
  failure = input.failed() ? input.failure() : L"The data is not a PNG, JPEG, BMP, TGA or WebP image.";
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
bool decodeInto(platform::ImageInput& input, const ImageDecodeRequest& request, Sink& sink,
                Complete&& complete, Product& out, std::wstring* reason) {
  std::wstring failure;
  bool ok = platform::decodeRows(input, request, sink, failure) && complete();
  if (ok && !input.unchanged()) {
    ok = false;
    failure = L"The image file changed while it was being read.";
  }
  if (!ok) {
    out = Product{};
    if (reason) *reason = failure.empty() ? L"The image data ends too early." : failure;
    return false;
  }
  out.bytesRead = sink.bytesRead ? sink.bytesRead : std::size_t(input.size());
  return true;
}

bool reduceInto(platform::ImageInput& input, const ImageDecodeRequest& request, ReducedImage& out,
                std::wstring* reason) {
  out = ReducedImage{};
  platform::ImageCollector collector(out);
  return decodeInto(input, request, collector, [&] { return collector.complete(); }, out, reason);
}

bool resampleInto(platform::ImageInput& input, const ImageDecodeRequest& request,
                  const ImageProductSizes& sizes, ResampledImages& out, std::wstring* reason) {
  out = ResampledImages{};
  platform::ProductResampler resampler(sizes, out);
  return decodeInto(input, request, resampler, [&] { return resampler.finish(); }, out, reason);
}

// Runs `decode` on the file read piece by piece.
template <class Decode>
bool withFile(const std::wstring& path, std::wstring* reason, Decode&& decode) {
  ReadOnlyFile file;
  if (!file.open(path, kImageFileByteLimit, reason)) return false;
  platform::ImageInput input(file);
  return decode(input);
}

}  // namespace

bool decodeImageReduced(const void* data, std::size_t size, const ImageDecodeRequest& request,
                        ReducedImage& out, std::wstring* reason) {
  platform::ImageInput input(data, size);
  return reduceInto(input, request, out, reason);
}

bool decodeImageResampled(const void* data, std::size_t size, const ImageDecodeRequest& request,
                          const ImageProductSizes& sizes, ResampledImages& out,
                          std::wstring* reason) {
  platform::ImageInput input(data, size);
  return resampleInto(input, request, sizes, out, reason);
}

bool decodeImageFileResampled(const std::wstring& path, const ImageDecodeRequest& request,
                              const ImageProductSizes& sizes, ResampledImages& out,
                              std::wstring* reason) {
  out = ResampledImages{};
  return withFile(path, reason, [&](platform::ImageInput& input) {
    return resampleInto(input, request, sizes, out, reason);
  });
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
  return withFile(path, reason, [&](platform::ImageInput& input) {
    return reduceInto(input, request, out, reason);
  });
}

bool isFourComponentJpegFile(const std::wstring& path) {
  return withFile(path, nullptr, [](platform::ImageInput& input) {
    const std::size_t length = input.available(0, 3);
    const std::uint8_t* prefix = input.read(0, length);
    return prefix && detectImageFormat(prefix, length) == ImageFormat::Jpeg &&
           platform::jpegComponentCount(input) == 4;
  });
}

bool decodeImageFile(const std::wstring& path, ImageArgb& out, std::wstring* reason) {
  ReducedImage whole;
  const bool ok = decodeImageFileReduced(path, ImageDecodeRequest{}, whole, reason);
  out = std::move(whole.image);
  return ok;
}

}  // namespace vk
