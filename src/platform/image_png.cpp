// PNG decoding and encoding through libpng. libpng reports errors by
// longjmp, so the protected regions touch only plain data held in a state
// struct that outlives them.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/image_internal.h"

namespace vk::platform {

namespace {

struct PngState {
  const FileChunkSink* sink = nullptr;
  char message[256] = {};
  std::vector<png_bytep> rows;
};

void pngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "PNG error");
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (!(*state->sink)(data, length)) png_error(png, "The PNG data could not be written");
}

void pngFlush(png_structp) {}

// The reader is libpng's progressive one: it is handed the file piece by
// piece and gives rows back as they are complete, so reading stops right
// after the last row. The sequential reader inflates whatever compressed data
// follows the last row before it returns it, however much that is.
struct PngReader {
  PngState errors;  // first: the error callback finds it as the error pointer
  const ImageDecodeRequest* request = nullptr;
  ImageRowSink* sink = nullptr;
  std::wstring* reason = nullptr;
  png_uint_32 width = 0, height = 0, rowsDelivered = 0;
  bool interlaced = false;
  bool refused = false;
  bool done = false;
  // Interlaced images arrive in seven passes over the whole image, kept here
  // until the last one.
  std::vector<std::uint32_t> passes;
};

PngReader& readerOf(png_structp png) {
  return *static_cast<PngReader*>(png_get_progressive_ptr(png));
}

[[noreturn]] void refuse(png_structp png, PngReader& reader) {
  reader.refused = true;
  png_longjmp(png, 1);
}

void pngInfo(png_structp png, png_infop info) {
  PngReader& reader = readerOf(png);
  reader.width = png_get_image_width(png, info);
  reader.height = png_get_image_height(png, info);
  if (!admitImage(reader.width, reader.height, *reader.request, *reader.reason)) refuse(png, reader);
  png_set_expand(png);  // palette and low-bit grey to 8 bits, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  reader.interlaced = png_set_interlace_handling(png) > 1;
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t(reader.width) * 4) {
    png_error(png, "Unsupported PNG pixel layout");
  }
  const int width = int(reader.width), height = int(reader.height);
  if (!reader.sink->begin(DecodedRows{width, height, width, height, double(width), double(height)},
                          *reader.reason)) {
    refuse(png, reader);
  }
  bool allocated = true;
  try {
    if (reader.interlaced) reader.passes.assign(std::size_t(width) * std::size_t(height), 0u);
  } catch (const std::bad_alloc&) {
    allocated = false;
  }
  if (!allocated) {
    *reader.reason = L"Not enough memory for a " + std::to_wstring(width) + L" x " +
                     std::to_wstring(height) + L" interlaced image.";
    refuse(png, reader);
  }
}

void pngRow(png_structp png, png_bytep row, png_uint_32 number, int pass) {
  PngReader& reader = readerOf(png);
  if (reader.done || number >= reader.height) return;
  if (!reader.interlaced) {
    // Rows come in order, each once.
    if (row && number == reader.rowsDelivered) {
      reader.sink->addRow(row);
      ++reader.rowsDelivered;
    }
    reader.done = reader.rowsDelivered == reader.height;
    return;
  }
  auto* target = reinterpret_cast<png_bytep>(reader.passes.data() + std::size_t(number) * reader.width);
  png_progressive_combine_row(png, target, row);
  // With interlace handling every pass visits every row; pass 6 is the last.
  if (pass < 6 || number + 1 < reader.height) return;
  for (png_uint_32 y = 0; y < reader.height; ++y) {
    const std::uint32_t* whole = reader.passes.data() + std::size_t(y) * reader.width;
    reader.sink->addRow(reinterpret_cast<const std::uint8_t*>(whole));
  }
  reader.rowsDelivered = reader.height;
  std::vector<std::uint32_t>().swap(reader.passes);
  reader.done = true;
}

std::uint32_t readBe32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Hands the data to libpng chunk by chunk, in pieces, until the last row has
// come out. The chunk holding it is then checked whole against its CRC
// (libpng checks each chunk it has finished); what follows it, the rest of
// the compressed data and the end chunk included, is not read.
DecodeStep readPng(png_structp png, png_infop info, PngReader& reader, const std::uint8_t* data,
                   std::size_t size) {
  if (setjmp(png_jmpbuf(png))) return reader.refused ? DecodeStep::Refused : DecodeStep::Failed;
  png_set_progressive_read_fn(png, &reader, pngInfo, pngRow, nullptr);
  constexpr std::size_t kPiece = 64 * 1024;
  std::size_t position = 0;
  while (position < size && !reader.done) {
    // The signature, then one chunk: length, type, data and CRC.
    std::size_t chunkEnd = size;
    if (position >= 8 && size - position >= 8) {
      chunkEnd = position + std::min<std::size_t>(size - position, 12ull + readBe32(data + position));
    } else if (position < 8) {
      chunkEnd = std::min<std::size_t>(size, 8);
    }
    const std::size_t chunkStart = position;
    while (position < chunkEnd && !reader.done) {
      const std::size_t piece = std::min(kPiece, chunkEnd - position);
      png_process_data(png, info, const_cast<png_bytep>(data + position), piece);
      position += piece;
    }
    reader.sink->bytesRead = position;
    if (!reader.done) continue;
    if (chunkStart < 8 || size - chunkStart < 8) png_error(png, "The PNG data ends too early");
    const std::size_t length = readBe32(data + chunkStart);
    if (size - chunkStart < 12 + std::size_t(length)) png_error(png, "The PNG data ends too early");
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), data + chunkStart + 4, uInt(length + 4));
    if (crc != readBe32(data + chunkStart + 8 + length)) png_error(png, "IDAT: CRC error");
  }
  if (!reader.done) png_error(png, "The PNG data ends too early");
  return DecodeStep::Done;
}

}  // namespace

bool decodePng(const std::uint8_t* data, std::size_t size, const ImageDecodeRequest& request,
               ImageRowSink& sink, std::wstring& reason) {
  PngReader reader;
  reader.request = &request;
  reader.sink = &sink;
  reader.reason = &reason;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader.errors, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    reason = L"The PNG decoder could not start.";
    return false;
  }
  const DecodeStep step = readPng(png, info, reader, data, size);
  png_destroy_read_struct(&png, &info, nullptr);
  return finishDecode(step, L"PNG", reader.errors.message, reason);
}

namespace {

bool writePngProtected(png_structp png, png_infop info, PngState& state, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &state, pngWrite, pngFlush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // SUB and UP only: on rendered frames the adaptive choice among all five
  // filters costs 40% more time and gives larger files (bench_image).
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);  // the X byte is dropped
  png_write_image(png, state.rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool writePngStream(const FileChunkSink& sink, const std::uint32_t* pixels, int width, int height,
                    int stride, std::wstring& reason) {
  if (!encoderArgumentsValid(pixels, width, height, stride, reason)) return false;
  PngState state;
  state.sink = &sink;
  state.rows.resize(std::size_t(height));
  for (int y = 0; y < height; ++y) {
    state.rows[std::size_t(y)] =
        reinterpret_cast<png_bytep>(const_cast<std::uint32_t*>(pixels + std::size_t(y) * stride));
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    reason = L"The PNG encoder could not start.";
    return false;
  }
  const bool ok = writePngProtected(png, info, state, width, height);
  png_destroy_write_struct(&png, &info);
  if (!ok) {
    reason = L"The PNG image could not be encoded (" + wideFromMessage(state.message) + L").";
  }
  return ok;
}

}  // namespace vk::platform
