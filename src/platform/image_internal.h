// Shared pieces of the image codecs (never included outside src/platform).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/image.h"

namespace vk::platform {

// The size limit every decoder applies to the header's dimensions.
bool imageSizeAllowed(long long width, long long height, std::wstring& reason);
// The size limit, then the request's pixel budget, charged on success.
bool admitImage(long long width, long long height, const ImageDecodeRequest& request,
                std::wstring& reason);
// Sizes `image` for width x height pixels; false (with a reason) when the
// memory is not available.
bool allocateImage(ImageArgb& image, int width, int height, std::wstring& reason);
std::wstring wideFromMessage(const char* message);

// Above this many source pixels JPEG and WebP images are reduced by their
// own decoders (the scaled transform, the scaling decoder): much less work,
// but they average before converting to RGB and clipping, so colours that
// clip (noisy, near black or white) come out a few levels apart from the
// average of the decoded pixels. Up to it every row is decoded whole and
// averaged by BlockReducer, as PNG, BMP and TGA rows always are.
inline constexpr std::uint64_t kDecoderScalingPixels = 16ull * 1024 * 1024;

// The largest whole factor by which a width x height source may be reduced
// while both sides stay at least as large as the request asks (1: none).
int reductionFactor(int width, int height, const ImageDecodeRequest& request);

// Averages factor x factor blocks of rows given top-down into a reduced
// image, colour weighted by alpha as the resampler weighs it. Edge blocks
// repeat the last column and row, as the resampler's edge clamp does, so the
// source covers width / factor of the result. A factor of 1 copies.
class BlockReducer {
 public:
  bool start(int width, int height, int factor, ReducedImage& out, std::wstring& reason);
  // One source row of `width` pixels, bytes B, G, R, A.
  void addRow(const std::uint8_t* bgra);
  bool complete() const { return rowsSeen_ == height_; }

 private:
  void flush();
  ReducedImage* out_ = nullptr;
  int width_ = 0, height_ = 0, factor_ = 1, rowsSeen_ = 0, rowsInBlock_ = 0, outRow_ = 0;
  std::vector<std::uint64_t> sums_;  // per reduced column: alpha, then B, G, R times alpha
  std::vector<std::uint8_t> lastRow_;
};

// How a library-driven decode ended: Failed is a library error (its message
// is reported), Refused already carries our own reason.
enum class DecodeStep { Done, Failed, Refused };
bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  ReducedImage& out, std::wstring& reason);

bool decodePng(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
               ReducedImage& out, std::wstring& reason);
bool decodeJpeg(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ReducedImage& out, std::wstring& reason);
bool decodeWebP(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ReducedImage& out, std::wstring& reason);
// BMP and TGA, decoded whole and then reduced.
bool decodeStbImage(const std::uint8_t* data, std::size_t size, ImageFormat format,
                    const ImageDecodeRequest& request, ReducedImage& out, std::wstring& reason);
bool looksLikeTga(const std::uint8_t* data, std::size_t size);

// Stream encoders used by the file encoders (and by the benchmarks).
bool writePngStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                    int stride, std::wstring& reason);
bool writeJpegStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                     int stride, int quality, std::wstring& reason);
bool jpegQualityValid(int quality, std::wstring& reason);
bool encoderArgumentsValid(const std::uint32_t* pixels, int width, int height, int stride,
                           std::wstring& reason);

}  // namespace vk::platform
