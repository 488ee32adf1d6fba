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
#include <optional>
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
// after the last row it needs. The sequential reader inflates whatever
// compressed data follows the last row before it returns it, however much
// that is.
//
// Adam7 passes, libpng's numbering: pass p holds the pixels at
// (kPassX[p] + i * kPassDx[p], kPassY[p] + j * kPassDy[p]). Passes 0, 0-2 and
// 0-4 hold every 8th, 4th and 2nd pixel of every 8th, 4th and 2nd row.
constexpr int kPassX[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassDx[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr int kPassY[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kPassDy[7] = {8, 8, 8, 4, 4, 2, 2};

struct PngReader {
  PngState errors;  // first: the error callback finds it as the error pointer
  const ImageDecodeRequest* request = nullptr;
  ImageInput* input = nullptr;
  ImageRowSink* sink = nullptr;
  ImageRowSink* rows = nullptr;  // the sink, or the averager in front of it
  std::optional<BlockAverager> averager;
  std::wstring* reason = nullptr;
  png_uint_32 width = 0, height = 0, rowsDelivered = 0;
  bool interlaced = false;
  bool refused = false;
  bool done = false;
  // An interlaced image keeps what its passes bring in `grid` until the last
  // pass it needs: the whole image (step 1, all seven passes), or every
  // step-th pixel of every step-th row (the first 1, 3 or 5 passes).
  int step = 1;
  int passes = 7;
  std::uint64_t passRows = 0, passRowsSeen = 0;
  int gridWidth = 0, gridHeight = 0;
  std::vector<std::uint32_t> grid;
};

PngReader& readerOf(png_structp png) {
  return *static_cast<PngReader*>(png_get_progressive_ptr(png));
}

[[noreturn]] void refuse(png_structp png, PngReader& reader) {
  reader.refused = true;
  png_longjmp(png, 1);
}

png_uint_32 passWidth(png_uint_32 width, int pass) {
  return width > png_uint_32(kPassX[pass]) ? (width - kPassX[pass] + kPassDx[pass] - 1) / kPassDx[pass] : 0;
}

// The subsample step of an interlaced image reduced by `factor` (the
// passes' step nearest below the points' step), and the rows of the passes
// that hold it.
void planPasses(PngReader& reader, int factor) {
  const int points = factor > 1 ? pointStep(factor) : 1;
  reader.step = points >= 8 ? 8 : points >= 4 ? 4 : points >= 2 ? 2 : 1;
  reader.passes = reader.step == 8 ? 1 : reader.step == 4 ? 3 : reader.step == 2 ? 5 : 7;
  reader.gridWidth = int((reader.width + reader.step - 1) / reader.step);
  reader.gridHeight = int((reader.height + reader.step - 1) / reader.step);
  reader.passRows = 0;
  for (int pass = 0; pass < reader.passes; ++pass) {
    if (passWidth(reader.width, pass) == 0 || reader.height <= png_uint_32(kPassY[pass])) continue;
    reader.passRows += (reader.height - kPassY[pass] + kPassDy[pass] - 1) / kPassDy[pass];
  }
}

void pngInfo(png_structp png, png_infop info) {
  PngReader& reader = readerOf(png);
  reader.width = png_get_image_width(png, info);
  reader.height = png_get_image_height(png, info);
  if (!imageSizeAllowed(reader.width, reader.height, *reader.reason)) refuse(png, reader);
  const int width = int(reader.width), height = int(reader.height);
  const int factor = reductionFactor(width, height, *reader.request);
  reader.interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
  if (reader.interlaced) planPasses(reader, factor);
  const bool subsampled = reader.interlaced && reader.step > 1;
  const std::uint64_t decoded = subsampled ? std::uint64_t(reader.gridWidth) * reader.gridHeight : 0;
  if (!admitImage(width, height, *reader.request, *reader.reason, decoded)) refuse(png, reader);
  // Rows averaged in blocks come as R, G, B, A: the averager swaps red and
  // blue once a block, not libpng once a pixel.
  const bool averaged = !reader.interlaced && factor > 1;
  png_set_expand(png);  // palette and low-bit grey to 8 bits, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  if (!averaged) png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  // A subsample takes each pass's rows as they are; all seven passes are
  // widened to whole rows by libpng.
  if (reader.interlaced && !subsampled) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t(reader.width) * 4) {
    png_error(png, "Unsupported PNG pixel layout");
  }
  DecodedRows rows{width, height, width, height, double(width), double(height)};
  reader.rows = reader.sink;
  if (subsampled) {
    rows = DecodedRows{reader.gridWidth, reader.gridHeight, width, height,
                       double(width) / reader.step, double(height) / reader.step};
    if (pointsAveraged(reader.step, factor)) reader.rows = &reader.averager.emplace(*reader.sink, 2);
  } else if (averaged) {
    // Every row must be inflated: each is reduced to its blocks at once.
    reader.rows = &reader.averager.emplace(*reader.sink, factor, true);
  }
  if (!reader.rows->begin(rows, *reader.reason)) refuse(png, reader);
  bool allocated = true;
  try {
    if (reader.interlaced)
      reader.grid.assign(std::size_t(reader.step == 1 ? width : reader.gridWidth) *
                             std::size_t(reader.step == 1 ? height : reader.gridHeight),
                         0u);
  } catch (const std::bad_alloc&) {
    allocated = false;
  }
  if (!allocated) {
    *reader.reason = L"Not enough memory for a " + std::to_wstring(width) + L" x " +
                     std::to_wstring(height) + L" interlaced image.";
    refuse(png, reader);
  }
}

void deliverGrid(PngReader& reader, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = reader.grid.data() + std::size_t(y) * std::size_t(width);
    reader.rows->addRow(reinterpret_cast<const std::uint8_t*>(row));
  }
  reader.rowsDelivered = reader.height;
  std::vector<std::uint32_t>().swap(reader.grid);
  reader.done = true;
}

void pngRow(png_structp png, png_bytep row, png_uint_32 number, int pass) {
  PngReader& reader = readerOf(png);
  if (reader.done || number >= reader.height) return;
  if (!reader.interlaced) {
    // Rows come in order, each once.
    if (row && number == reader.rowsDelivered) {
      reader.rows->addRow(row);
      ++reader.rowsDelivered;
    }
    reader.done = reader.rowsDelivered == reader.height;
    return;
  }
  if (reader.step > 1) {
    // `number` counts the rows of this pass; its pixels land on the grid.
    if (!row || pass < 0 || pass >= reader.passes) return;
    const png_uint_32 y = kPassY[pass] + number * png_uint_32(kPassDy[pass]);
    if (y >= reader.height) return;
    // The passes taken start and step on the grid: pixel i lands at
    // (kPassX + i * kPassDx) / step.
    std::uint32_t* target = reader.grid.data() + std::size_t(y / reader.step) * reader.gridWidth +
                            kPassX[pass] / reader.step;
    const std::size_t stride = std::size_t(kPassDx[pass] / reader.step);
    for (png_uint_32 i = 0, n = passWidth(reader.width, pass); i < n; ++i, target += stride)
      std::memcpy(target, row + std::size_t(i) * 4, 4);
    if (++reader.passRowsSeen == reader.passRows) deliverGrid(reader, reader.gridWidth, reader.gridHeight);
    return;
  }
  auto* target = reinterpret_cast<png_bytep>(reader.grid.data() + std::size_t(number) * reader.width);
  png_progressive_combine_row(png, target, row);
  // With interlace handling every pass visits every row; pass 6 is the last.
  if (pass < 6 || number + 1 < reader.height) return;
  deliverGrid(reader, int(reader.width), int(reader.height));
}

std::uint32_t readBe32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

constexpr std::size_t kPiece = 64 * 1024;

const std::uint8_t* readOrRefuse(png_structp png, PngReader& reader, std::uint64_t offset,
                                 std::size_t length) {
  const std::uint8_t* bytes = reader.input->read(offset, length);
  if (bytes) return bytes;
  if (!reader.input->failed()) png_error(png, "The PNG data ends too early");
  *reader.reason = reader.input->failure();
  refuse(png, reader);
}

// The CRC of the chunk at `start` (its type and data), against the one stored after it.
void checkChunk(png_structp png, PngReader& reader, std::uint64_t start) {
  ImageInput& input = *reader.input;
  if (input.available(start, 8) < 8) png_error(png, "The PNG data ends too early");
  const std::uint64_t length = readBe32(readOrRefuse(png, reader, start, 8));
  if (input.available(start, 12 + length) < 12 + length) png_error(png, "The PNG data ends too early");
  uLong crc = crc32(0L, Z_NULL, 0);
  for (std::uint64_t at = start + 4, end = start + 8 + length; at < end;) {
    const std::size_t piece = std::size_t(std::min<std::uint64_t>(kPiece, end - at));
    crc = crc32(crc, readOrRefuse(png, reader, at, piece), uInt(piece));
    at += piece;
  }
  if (crc != readBe32(readOrRefuse(png, reader, start + 8 + length, 4))) png_error(png, "IDAT: CRC error");
}

// Hands the data to libpng chunk by chunk, in pieces, until the last row it
// needs has come out. The chunk holding it is then checked whole against
// its CRC (libpng checks each chunk it has finished); what follows it, the
// rest of the compressed data and the end chunk included, is not read.
DecodeStep readPng(png_structp png, png_infop info, PngReader& reader) {
  if (setjmp(png_jmpbuf(png))) return reader.refused ? DecodeStep::Refused : DecodeStep::Failed;
  png_set_progressive_read_fn(png, &reader, pngInfo, pngRow, nullptr);
  ImageInput& input = *reader.input;
  const std::uint64_t size = input.size();
  std::uint64_t position = 0;
  while (position < size && !reader.done) {
    // The signature, then one chunk: length, type, data and CRC.
    std::uint64_t chunkEnd = size;
    if (position >= 8 && size - position >= 8) {
      const std::uint64_t length = readBe32(readOrRefuse(png, reader, position, 8));
      chunkEnd = position + std::min<std::uint64_t>(size - position, 12 + length);
    } else if (position < 8) {
      chunkEnd = std::min<std::uint64_t>(size, 8);
    }
    const std::uint64_t chunkStart = position;
    while (position < chunkEnd && !reader.done) {
      const std::size_t piece = std::size_t(std::min<std::uint64_t>(kPiece, chunkEnd - position));
      png_process_data(png, info, const_cast<png_bytep>(readOrRefuse(png, reader, position, piece)), piece);
      position += piece;
    }
    reader.sink->bytesRead = std::size_t(position);
    if (!reader.done) continue;
    if (chunkStart < 8) png_error(png, "The PNG data ends too early");
    checkChunk(png, reader, chunkStart);
  }
  if (!reader.done) png_error(png, "The PNG data ends too early");
  return DecodeStep::Done;
}

}  // namespace

bool decodePng(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason) {
  PngReader reader;
  reader.request = &request;
  reader.input = &input;
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
  // Reading stops after the last row, before the zlib checksum that follows
  // it: computing the checksum is wasted (the chunks' CRCs guard the data).
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  const DecodeStep step = readPng(png, info, reader);
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
