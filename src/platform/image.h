// Image services: decoding PNG, JPEG, BMP, TGA and WebP to ARGB, bicubic
// resampling, PNG and JPEG encoding of 32-bit bitmaps, and bitmaps for the
// GDI made from decoded pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vk {

// ---- limits ---------------------------------------------------------------
// Decoding refuses anything larger, from the header, before allocating.
inline constexpr int kImageSideLimit = 16384;                               // width or height
inline constexpr std::uint64_t kImagePixelLimit = 64ull * 1024 * 1024;      // width times height
inline constexpr std::uint64_t kImageFileByteLimit = 512ull * 1024 * 1024;  // a file larger is not read at all
// What one decode may hold at once (the data it keeps of a file, its
// libraries' buffers and its own); an image that would need more is refused.
inline constexpr std::uint64_t kImageDecodeByteLimit = 128ull * 1024 * 1024;

// Non-premultiplied pixels, one 0xAARRGGBB word each, rows top-down.
struct ImageArgb {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

enum class ImageFormat : std::uint8_t { Unknown, Png, Jpeg, Bmp, Tga, WebP };

// The format is told by the content (magic bytes), never by the file name.
// TGA has no magic and is recognised by a plausible header.
ImageFormat detectImageFormat(const void* data, std::size_t size);

// A JPEG whose colour is stored in four components (CMYK or YCCK, as print
// work writes it): decoded here, but other readers take one or three (glTF
// validators refuse it). Reads the header only; false for anything else.
bool isFourComponentJpegFile(const std::wstring& path);

// Truncated, corrupt, unsupported or oversized images fail with a reason;
// `out` is left empty then.
bool decodeImage(const void* data, std::size_t size, ImageArgb& out,
                 std::wstring* reason = nullptr);
bool decodeImageFile(const std::wstring& path, ImageArgb& out, std::wstring* reason = nullptr);

// Above this many source pixels a decode made for small resampled products
// reduces the image while decoding, never below the request's sides: JPEG
// and WebP through their libraries (libjpeg's scaled transform, libwebp's
// scaling decoder), a plain PNG by averaging whole blocks of the rows as they
// are inflated, an interlaced PNG by decoding only its first passes, BMP and
// TGA by reading only the pixels of a regular subsample.
inline constexpr std::uint64_t kImageReducePixels = 8ull * 1024 * 1024;

// What a decode is for. minWidth x minHeight: the smallest reduction that
// serves (zero keeps the full size). A budget, when given, is shared by a
// series of decodes: each charges the pixels it will decode (the source's,
// or its subsample's) before decoding any, and is refused when they are more
// than what is left.
struct ImagePixelBudget {
  std::uint64_t remaining = 0;
  bool exceeded = false;  // set by a decode the budget refused
};
struct ImageDecodeRequest {
  int minWidth = 0;
  int minHeight = 0;
  ImagePixelBudget* budget = nullptr;
  std::uint64_t reduceAbovePixels = kImageReducePixels;
};

// A decoded image that may be a reduction of its source: the source's whole
// area lies in the top-left coverWidth x coverHeight of `image` (in its
// pixels; a reduction's edge pixels reach a little beyond).
struct ReducedImage {
  ImageArgb image;
  int sourceWidth = 0;
  int sourceHeight = 0;
  double coverWidth = 0;
  double coverHeight = 0;
  // How far into the data the decoder read (PNG stops after its last row).
  std::size_t bytesRead = 0;
};

bool decodeImageReduced(const void* data, std::size_t size, const ImageDecodeRequest& request,
                        ReducedImage& out, std::wstring* reason = nullptr);
bool decodeImageFileReduced(const std::wstring& path, const ImageDecodeRequest& request,
                            ReducedImage& out, std::wstring* reason = nullptr);

// Products resampled from an image while it is decoded, row by row, without
// holding it: each is what resizeImage gives of the whole image, bit for
// bit, or, for an image the request lets the decoder reduce (`reduced`),
// what resizeReducedImage gives of that reduction.
struct ImageSize {
  int width = 0;
  int height = 0;
};
// The products' sizes (each side in [1, kImageSideLimit]), chosen from the
// source's size once the header is read.
using ImageProductSizes = std::function<std::vector<ImageSize>(int sourceWidth, int sourceHeight)>;
struct ResampledImages {
  int sourceWidth = 0;
  int sourceHeight = 0;
  bool reduced = false;
  std::vector<ImageArgb> products;
  std::size_t bytesRead = 0;
};

bool decodeImageResampled(const void* data, std::size_t size, const ImageDecodeRequest& request,
                          const ImageProductSizes& sizes, ResampledImages& out,
                          std::wstring* reason = nullptr);
bool decodeImageFileResampled(const std::wstring& path, const ImageDecodeRequest& request,
                              const ImageProductSizes& sizes, ResampledImages& out,
                              std::wstring* reason = nullptr);

// Bicubic resampling (Catmull-Rom when enlarging, Mitchell when reducing)
// with alpha-weighted colour, so transparent pixels do not bleed their
// colour into visible ones. Target sides must be in [1, kImageSideLimit].
bool resizeImage(const ImageArgb& source, int width, int height, ImageArgb& out,
                 std::wstring* reason = nullptr);

// resizeImage of the source a reduced image stands for: its covered area.
bool resizeReducedImage(const ReducedImage& source, int width, int height, ImageArgb& out,
                        std::wstring* reason = nullptr);

// Source-over compositing of `image` onto `canvas` with its top-left corner
// at (x, y); whatever falls outside the canvas is dropped.
void drawImageOver(ImageArgb& canvas, const ImageArgb& image, int x, int y);

// Encoders for 32-bit top-down pixels in memory order B, G, R, X (the DIB
// layout; the fourth byte is ignored and the image written opaque). Stride
// is in pixels. The file is replaced atomically: a failed encode leaves an
// existing file untouched.
inline constexpr int kPngCompressionLevel = 6;
bool encodePngFile(const std::wstring& path, const std::uint32_t* pixels, int width, int height,
                   int stride, std::wstring* reason = nullptr);
bool encodeJpegFile(const std::wstring& path, const std::uint32_t* pixels, int width, int height,
                    int stride, int quality, std::wstring* reason = nullptr);

// Encodes a GDI bitmap (DIB section or compatible bitmap) as PNG or JPEG,
// like the encoders above; any other format fails.
bool encodeBitmapFile(HBITMAP bitmap, const std::wstring& path, ImageFormat format, int quality,
                      std::wstring* reason = nullptr);

// A top-down 32-bit DIB section holding the image, each pixel composited
// over `background`, or with its alpha ignored when no background is given.
// Null when the image is empty or larger than a DIB section may be.
HBITMAP createBitmapFromImage(const ImageArgb& image, std::optional<COLORREF> background);

}  // namespace vk
