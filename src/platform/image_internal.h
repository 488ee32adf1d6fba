// Shared pieces of the image codecs (never included outside src/platform).
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/image.h"

namespace vk::platform {

// The size limit every decoder applies to the header's dimensions.
bool imageSizeAllowed(long long width, long long height, std::wstring& reason);
// The size limit, then the request's pixel budget, charged with the pixels
// the decode will produce (`decoded`; the source's when zero) on success.
bool admitImage(long long width, long long height, const ImageDecodeRequest& request,
                std::wstring& reason, std::uint64_t decoded = 0);
// Sizes `image` for width x height pixels; false (with a reason) when the
// memory is not available.
bool allocateImage(ImageArgb& image, int width, int height, std::wstring& reason);
std::wstring wideFromMessage(const char* message);

// The whole factor by which a decoder reduces a width x height source for
// the request: 1 up to the request's reduceAbovePixels, else the largest one
// that keeps both sides at least as large as the request asks.
int reductionFactor(int width, int height, const ImageDecodeRequest& request);

// A point subsample (BMP, TGA, an interlaced PNG's passes) of an image the
// request lets be reduced by `factor` (above 1) takes a point every `step`
// pixels, twice as densely as the factor asks but never every pixel, and
// averages the points in blocks of 2 x 2 when that still keeps the request's
// size: the error of what is resampled from points halves with every
// doubling of their density, and the averaged blocks cost the resampler no
// more than the factor's own.
inline int pointStep(int factor) { return std::max(factor / 2, 2); }
inline bool pointsAveraged(int step, int factor) { return 2 * step <= factor; }

// The source pixel a point subsample of `factor` keeps for its pixel `index`
// along a side of `size`: the middle of the run of `factor` pixels it stands
// for (the last run may be shorter).
inline int samplePosition(int index, int factor, int size) {
  const long long at = (long long)index * factor + factor / 2;
  return int(at < size ? at : size - 1);
}

// The data a decoder reads: bytes in memory, or a regular file read piece by
// piece through a window, so that a decode holds only the parts it needs.
class ImageInput {
 public:
  ImageInput(const void* data, std::size_t size);
  explicit ImageInput(ReadOnlyFile& file);
  std::uint64_t size() const { return size_; }
  // The `length` bytes from `offset`, valid until the next read; null when
  // they pass the end of the data or the file could not be read (failed()).
  const std::uint8_t* read(std::uint64_t offset, std::size_t length);
  // What is left from `offset` on, at most `length` bytes.
  std::size_t available(std::uint64_t offset, std::size_t length) const {
    return offset >= size_ ? 0 : std::size_t(std::min<std::uint64_t>(length, size_ - offset));
  }
  bool failed() const { return !failure_.empty(); }
  const std::wstring& failure() const { return failure_; }
  // Bytes fetched from the file so far (a memory input fetches nothing).
  std::uint64_t bytesFetched() const { return fetched_; }
  // False when the file was replaced or changed while it was read.
  bool unchanged() const;

 private:
  const std::uint8_t* memory_ = nullptr;
  ReadOnlyFile* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t windowStart_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t fetched_ = 0;
  std::wstring failure_;
};

// What a decoder delivers: `width` x `height` rows standing for a source of
// sourceWidth x sourceHeight pixels, whose whole area lies in their top-left
// coverWidth x coverHeight (all of them unless the image was reduced).
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

// Reduces the rows of a plain image by averaging whole blocks of factor x
// factor pixels (colour weighted by alpha) as they come, and hands the
// reduced rows to `next`: the reduction covers the source exactly. Each row
// is added to per-pixel sums (a few vector operations for two pixels); the
// blocks are summed across once per `factor` rows.
class BlockAverager final : public ImageRowSink {
 public:
  // Rows of R, G, B, A when `swapRedBlue` (handed on as B, G, R, A).
  BlockAverager(ImageRowSink& next, int factor, bool swapRedBlue = false)
      : next_(next), factor_(factor), swapRedBlue_(swapRedBlue) {}
  bool begin(const DecodedRows& rows, std::wstring& reason) override;
  void addRow(const std::uint8_t* bgra) override;

 private:
  void emit();
  ImageRowSink& next_;
  int factor_ = 1;
  bool swapRedBlue_ = false;
  int width_ = 0, height_ = 0, outWidth_ = 0, rowsSeen_ = 0, rowsGathered_ = 0;
  std::vector<std::uint32_t> sums_;  // B * A, G * A, R * A and A per pixel
  std::vector<std::uint8_t> row_;
};

// How a library-driven decode ended: Failed is a library error (its message
// is reported), Refused already carries our own reason.
enum class DecodeStep { Done, Failed, Refused };
bool finishDecode(DecodeStep step, const wchar_t* format, const char* libraryMessage,
                  std::wstring& reason);

bool decodePng(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason);
bool decodeJpeg(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
                std::wstring& reason);
bool decodeWebP(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
                std::wstring& reason);
// The components a JPEG's header declares, read through libjpeg; 0 when the
// header does not read.
int jpegComponentCount(ImageInput& input);
// BMP and TGA: the pixels of the subsample (all of them when the image is not
// reduced) are gathered as stored, then converted by stb_image a band of rows
// at a time.
bool decodeBmp(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason);
bool decodeTga(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason);
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
