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
// own decoders (the scaled transform, the scaling decoder) when the request
// allows it: much less work, but the products resampled from such a
// reduction are not those of the whole image (the libraries average before
// converting to RGB and clipping). Up to it every row is decoded whole.
inline constexpr std::uint64_t kDecoderScalingPixels = 16ull * 1024 * 1024;

// The largest whole factor by which a width x height source may be reduced
// while both sides stay at least as large as the request asks (1: none).
int reductionFactor(int width, int height, const ImageDecodeRequest& request);

// What a decoder delivers: `width` x `height` rows standing for a source of
// sourceWidth x sourceHeight pixels, whose whole area lies in their top-left
// coverWidth x coverHeight (all of them unless a library reduced the image).
struct DecodedRows {
  int width = 0;
  int height = 0;
  int sourceWidth = 0;
  int sourceHeight = 0;
  double coverWidth = 0;
  double coverHeight = 0;
};

// Where a decoder puts its rows: told their geometry once, before any pixel
// is decoded (false refuses, with a reason), then handed every row top-down,
// `width` pixels of bytes B, G, R, A.
class ImageRowSink {
 public:
  virtual bool begin(const DecodedRows& rows, std::wstring& reason) = 0;
  virtual void addRow(const std::uint8_t* bgra) = 0;
  // How far into the data the decoder read (PNG stops after its last row).
  std::size_t bytesRead = 0;

 protected:
  ~ImageRowSink() = default;
};

// The weights of one axis of the bicubic filter: the input's `inputSize`
// pixels (of which the first `cover` part stands for the whole) onto
// `outputSize`.
struct AxisFilter {
  struct Contributor {
    int n0 = 0;
    int n1 = 0;
  };
  bool build(int inputSize, int outputSize, float cover);
  void upsampleRange(int n, float radius, int& first, int& last, float& centre) const;
  void downsampleRange(int n, float radius, int& first, int& last, float& centre) const;

  float scale = 1;
  bool upsample = false;
  int margin = 0;  // input pixels read beyond each edge (the edge repeated)
  int width = 0;   // weights per contributor
  std::vector<Contributor> contributors;
  std::vector<float> coefficients;

 private:
  void normalizeDownsample();
  int inputSize_ = 0, outputSize_ = 0;
};

// Colour weighted by alpha, as the filter sums it: four floats a pixel, the
// row's first pixel repeated `left` times before it and its last `right`
// times after it.
void premultiplyRow(const std::uint8_t* bgra, int width, int left, int right, float* padded);

// resizeImage (resizeReducedImage when the cover is a part) of an image
// handed over row by row: the same result, holding a few rows of the
// result's width instead of the image.
class RowResampler {
 public:
  bool start(int width, int height, double coverWidth, double coverHeight, int outWidth,
             int outHeight, std::wstring& reason);
  void addRow(const std::uint8_t* bgra);
  // A row already premultiplied (shared by several resamplers of one image),
  // from its first pixel, with at least padLeft() and padRight() pixels of
  // padding around it.
  void addDecodedRow(const float* decoded);
  int padLeft() const { return padLeft_; }
  int padRight() const { return padRight_; }
  // The result, once every row has come.
  bool finish(ImageArgb& out);

 private:
  int clampRow(int row) const;
  float* ringRow(int index);
  float* zeroRow();
  bool buildTaps();
  void filterAcross(const float* decoded, float* out) const;
  void emit(int row, float* sums);

  AxisFilter across_, down_;
  int width_ = 0, height_ = 0, outWidth_ = 0, outHeight_ = 0;
  int rowsSeen_ = 0, nextOut_ = 0, opened_ = 0, ringRows_ = 1, padLeft_ = 0, padRight_ = 0;
  std::vector<float> ring_, acrossRow_, zero_, decoded_;
  // The filter across a row: output pixel x sums the input pixels from
  // tapFirst_[x] on, weighted by the taps [tapOffset_[x], tapOffset_[x + 1])
  // of tapWeights_ (each weight four times, once per channel).
  std::vector<int> tapFirst_;
  std::vector<std::size_t> tapOffset_;
  std::vector<float> tapWeights_;
  ImageArgb out_;
};

// How a library-driven decode ended: Failed is a library error (its message
// is reported), Refused already carries our own reason.
enum class DecodeStep { Done, Failed, Refused };
bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  std::wstring& reason);

bool decodePng(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
               ImageRowSink& sink, std::wstring& reason);
bool decodeJpeg(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ImageRowSink& sink, std::wstring& reason);
bool decodeWebP(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
                ImageRowSink& sink, std::wstring& reason);
// BMP and TGA, decoded whole, then handed over row by row.
bool decodeStbImage(const std::uint8_t* data, std::size_t size, ImageFormat format,
                    const ImageDecodeRequest& request, ImageRowSink& sink, std::wstring& reason);
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
