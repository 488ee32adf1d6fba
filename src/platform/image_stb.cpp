// BMP and TGA through stb_image. stb_image decodes a whole image at once, so
// the pixels a decode needs (a regular subsample of a large image, or all of
// them) are first gathered as they are stored: BMP rows and plain TGA rows
// read at their offsets, run-length TGA packets walked once. They are then
// handed to stb_image as small images of the same kind, a band of rows at a
// time, so that every conversion (palettes, bit fields, 16-bit colour) stays
// stb_image's. Neither format has compression stb_image does not refuse
// (it has no run-length BMP), so no pixel depends on one that is skipped.
//
// Sections:
//   - Shared pieces
//   - BMP
//   - TGA
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "platform/image_internal.h"

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

// ---- Shared pieces ----------------------------------------------------------

namespace {

std::uint32_t readLe16(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t readLe32(const std::uint8_t* p) { return readLe16(p) | (readLe16(p + 2) << 16); }
void writeLe16(std::string& file, std::size_t at, std::uint32_t v) {
  file[at] = char(v & 0xFF);
  file[at + 1] = char((v >> 8) & 0xFF);
}
void writeLe32(std::string& file, std::size_t at, std::uint32_t v) {
  writeLe16(file, at, v & 0xFFFF);
  writeLe16(file, at + 2, v >> 16);
}

// The header stb_image reads before any pixel lies within this many bytes
// (a BMP's palette included) of any file it accepts.
constexpr std::size_t kHeaderBytes = 4096;
// Pixels converted by stb_image at once.
constexpr std::size_t kBandPixels = 1 << 20;

// Pixels as the file stores them (`pixelBytes` each; palette indices one
// byte), gathered in the image's top-down order.
struct StoredPixels {
  int width = 0;
  int height = 0;
  int pixelBytes = 0;
  std::vector<std::uint8_t> bytes;
  std::uint8_t* row(int y) { return bytes.data() + std::size_t(y) * rowBytes(); }
  std::size_t rowBytes() const { return std::size_t(width) * std::size_t(pixelBytes); }
};

bool allocateStored(StoredPixels& stored, int width, int height, int pixelBytes,
                    std::wstring& reason) {
  stored.width = width;
  stored.height = height;
  stored.pixelBytes = pixelBytes;
  try {
    stored.bytes.assign(std::size_t(width) * std::size_t(height) * std::size_t(pixelBytes), 0);
  } catch (const std::bad_alloc&) {
    reason = L"Not enough memory for a " + std::to_wstring(width) + L" x " +
             std::to_wstring(height) + L" image.";
    return false;
  }
  return true;
}

// For each source position along a side, the subsample's pixel it feeds
// (-1: none).
std::vector<int> sampleIndex(int size, int factor) {
  std::vector<int> index(std::size_t(size), -1);
  for (int i = 0, count = (size + factor - 1) / factor; i < count; ++i)
    index[std::size_t(samplePosition(i, factor, size))] = i;
  return index;
}

// Where a decode's points go: every pixel (step 1) or a point subsample,
// averaged in 2 x 2 blocks on the way to the sink when the plan says so.
struct PointPlan {
  PointPlan(int width, int height, const ImageDecodeRequest& request, ImageRowSink& sink)
      : target(&sink) {
    const int factor = reductionFactor(width, height, request);
    if (factor == 1) return;
    step = pointStep(factor);
    if (pointsAveraged(step, factor)) target = &averager.emplace(sink, 2);
  }
  PointPlan(const PointPlan&) = delete;
  PointPlan& operator=(const PointPlan&) = delete;
  int step = 1;
  std::optional<BlockAverager> averager;
  ImageRowSink* target = nullptr;
};

// The geometry a subsample of `factor` hands on.
DecodedRows subsampleRows(int width, int height, int factor) {
  return DecodedRows{(width + factor - 1) / factor, (height + factor - 1) / factor, width, height,
                     double(width) / factor, double(height) / factor};
}

std::wstring damaged(const wchar_t* format, const char* why) {
  return std::wstring(L"The ") + format + L" image is damaged (" + wideFromMessage(why) + L").";
}

bool readFailed(const ImageInput& input, const wchar_t* format, std::wstring& reason) {
  reason = input.failed() ? input.failure() : std::wstring(L"The ") + format + L" image is truncated.";
  return false;
}

// Converts the stored pixels through stb_image in bands of rows: `band`
// writes a small file of the format for rows [first, first + count), and
// `adjust` may correct what stb_image made of them (R, G, B, A). The rows go
// to the sink as B, G, R, A.
template <class Band, class Adjust>
bool convertInBands(const wchar_t* format, const StoredPixels& stored, Band&& band,
                    Adjust&& adjust, ImageRowSink& sink, std::wstring& reason) {
  const int bandRows = int(std::max<std::size_t>(1, kBandPixels / std::size_t(stored.width)));
  std::string file;
  std::vector<std::uint8_t> row(std::size_t(stored.width) * 4);
  for (int first = 0; first < stored.height; first += bandRows) {
    const int count = std::min(bandRows, stored.height - first);
    file.clear();
    band(first, count, file);
    int width = 0, height = 0, components = 0;
    stbi_uc* rgba = file.size() > std::size_t(INT32_MAX)
                        ? nullptr
                        : stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(file.data()),
                                                int(file.size()), &width, &height, &components, 4);
    if (!rgba || width != stored.width || height != count) {
      reason = damaged(format, rgba ? "unexpected size" : stbi_failure_reason());
      stbi_image_free(rgba);
      return false;
    }
    adjust(first, count, rgba);
    for (int y = 0; y < count; ++y) {
      const stbi_uc* p = rgba + std::size_t(y) * row.size();
      for (std::size_t x = 0; x < row.size(); x += 4) {
        row[x] = p[x + 2];
        row[x + 1] = p[x + 1];
        row[x + 2] = p[x];
        row[x + 3] = p[x + 3];
      }
      sink.addRow(row.data());
    }
    stbi_image_free(rgba);
  }
  return true;
}

bool stbHeader(ImageInput& input, const wchar_t* format, std::string& header, int& width,
               int& height, std::wstring& reason) {
  const std::size_t length = input.available(0, kHeaderBytes);
  const std::uint8_t* bytes = input.read(0, length);
  int components = 0;
  if (!bytes || !stbi_info_from_memory(bytes, int(length), &width, &height, &components)) {
    reason = input.failed() ? input.failure()
                            : std::wstring(L"The ") + format + L" header is damaged or unsupported.";
    return false;
  }
  header.assign(reinterpret_cast<const char*>(bytes), length);
  return true;
}

}  // namespace

bool looksLikeTga(const std::uint8_t* data, std::size_t size) {
  if (size < 18 || size > std::size_t(INT32_MAX)) return false;
  int width = 0, height = 0, components = 0;
  return stbi_info_from_memory(data, int(size), &width, &height, &components) != 0;
}

// ---- BMP --------------------------------------------------------------------

namespace {

struct BmpLayout {
  std::uint32_t offset = 0;
  std::uint32_t infoSize = 0;
  bool core = false;  // the old 12-byte header: 16-bit sides, always bottom-up
  long long width = 0, height = 0;
  std::uint32_t bits = 0, compression = 0;
  std::size_t stride() const { return std::size_t((width * bits + 31) / 32 * 4); }
  bool bottomUp() const { return core || height > 0; }
};

bool readBmpLayout(const std::string& header, BmpLayout& bmp) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(header.data());
  if (header.size() < 26) return false;
  bmp.offset = readLe32(data + 10);
  bmp.infoSize = readLe32(data + 14);
  bmp.core = bmp.infoSize == 12;
  if (bmp.core) {
    bmp.width = readLe16(data + 18);
    bmp.height = readLe16(data + 20);
    bmp.bits = readLe16(data + 24);
    return true;
  }
  if (header.size() < 34) return false;
  bmp.width = std::int32_t(readLe32(data + 18));
  bmp.height = std::int32_t(readLe32(data + 22));
  bmp.bits = readLe16(data + 28);
  bmp.compression = readLe32(data + 30);
  return true;
}

// stb_image reads zeros past the end of the data instead of failing, so the
// pixel rows are checked against the file's length first.
bool bmpDataComplete(const BmpLayout& bmp, std::uint64_t size) {
  if (bmp.width <= 0 || bmp.height == 0 || bmp.bits == 0 || bmp.bits > 32) return false;
  return bmp.offset + std::uint64_t(bmp.stride()) * std::uint64_t(std::llabs(bmp.height)) <= size;
}

// stb_image takes every entry between the header and the pixels as the
// palette and leaves the rest of its table unset: an index past the entries
// (or no entry at all) would give whatever the memory held.
bool bmpIndicesCovered(const BmpLayout& bmp, const StoredPixels& stored) {
  if (bmp.bits > 8) return true;
  const long long start = static_cast<long long>(bmp.offset) - 14;
  const long long entries = bmp.core ? (start - 24) / 3 : (start - bmp.infoSize) >> 2;
  if (entries < 1) return false;
  if (entries >= (1ll << bmp.bits)) return true;
  return std::all_of(stored.bytes.begin(), stored.bytes.end(),
                     [&](std::uint8_t index) { return index < entries; });
}

// Reads the subsample's rows at their offsets and keeps its pixels (low-bit
// palette indices widened to a byte each).
bool gatherBmp(ImageInput& input, const BmpLayout& bmp, int factor, StoredPixels& stored,
               std::wstring& reason) {
  const int width = int(bmp.width), height = int(std::llabs(bmp.height));
  const int bits = int(bmp.bits);
  if (!allocateStored(stored, (width + factor - 1) / factor, (height + factor - 1) / factor,
                      std::max(bits / 8, 1), reason)) {
    return false;
  }
  const std::size_t stride = bmp.stride();
  for (int y = 0; y < stored.height; ++y) {
    const int source = samplePosition(y, factor, height);
    const int fileRow = bmp.bottomUp() ? height - 1 - source : source;
    const std::uint8_t* row = input.read(bmp.offset + std::uint64_t(fileRow) * stride, stride);
    if (!row) return readFailed(input, L"BMP", reason);
    std::uint8_t* out = stored.row(y);
    if (factor == 1 && bits >= 8) {
      std::memcpy(out, row, stored.rowBytes());
      continue;
    }
    for (int x = 0; x < stored.width; ++x) {
      const std::size_t bit = std::size_t(samplePosition(x, factor, width)) * std::size_t(bits);
      if (bits >= 8) {
        std::memcpy(out + std::size_t(x) * stored.pixelBytes, row + bit / 8, std::size_t(stored.pixelBytes));
      } else {
        out[x] = std::uint8_t((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1));
      }
    }
  }
  return true;
}

}  // namespace

bool decodeBmp(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason) {
  std::string header;
  int width = 0, height = 0;
  if (!stbHeader(input, L"BMP", header, width, height, reason)) return false;
  BmpLayout bmp;
  // stb_image tells a top-down image's height as negative.
  if (readBmpLayout(header, bmp)) height = int(std::llabs(bmp.height));
  if (!imageSizeAllowed(width, height, reason)) return false;
  if (!readBmpLayout(header, bmp) || !bmpDataComplete(bmp, input.size())) {
    reason = L"The BMP image is truncated.";
    return false;
  }
  // The bands are written from the file's own headers, cut at the offset: an
  // offset inside them would hand stb_image pixels without a BMP header,
  // which it may take for another format.
  if (bmp.offset < 14ull + bmp.infoSize) {
    reason = damaged(L"BMP", "its pixel data would start inside its headers");
    return false;
  }
  // stb_image accepts no gap between the header (palette included) and the
  // pixels, nor a depth it cannot read.
  if (bmp.offset > header.size() ||
      (bmp.bits != 1 && bmp.bits != 4 && bmp.bits != 8 && bmp.bits != 16 && bmp.bits != 24 &&
       bmp.bits != 32)) {
    reason = damaged(L"BMP", "unsupported layout");
    return false;
  }
  const PointPlan plan(width, height, request, sink);
  const int factor = plan.step;
  const DecodedRows rows = subsampleRows(width, height, factor);
  if (!admitImage(width, height, request, reason, std::uint64_t(rows.width) * rows.height)) return false;
  StoredPixels stored;
  if (!gatherBmp(input, bmp, factor, stored, reason)) return false;
  if (!bmpIndicesCovered(bmp, stored)) {
    reason = L"The BMP image uses colours its palette does not have.";
    return false;
  }
  if (!plan.target->begin(rows, reason)) return false;

  // stb_image makes a 32-bit image whose alpha bytes are all zero opaque; a
  // band must be judged with the whole image (the subsample, when reduced).
  const bool alphaByImage = bmp.compression == 0 && bmp.bits == 32;
  auto anyAlpha = [&](int first, int count) {
    for (std::size_t i = std::size_t(first) * stored.rowBytes() + 3,
                     end = std::size_t(first + count) * stored.rowBytes();
         i < end; i += 4) {
      if (stored.bytes[i]) return true;
    }
    return false;
  };
  const bool imageHasAlpha = alphaByImage && anyAlpha(0, stored.height);

  header.resize(bmp.offset);
  const std::uint32_t bitsOut = std::max<std::uint32_t>(bmp.bits, 8);
  const std::size_t strideOut = (std::size_t(stored.width) * bitsOut + 31) / 32 * 4;
  if (bmp.core) {
    writeLe16(header, 18, std::uint32_t(stored.width));
    writeLe16(header, 24, bitsOut);
  } else {
    writeLe32(header, 18, std::uint32_t(stored.width));
    writeLe16(header, 28, bitsOut);
  }
  auto band = [&](int first, int count, std::string& file) {
    // Top-down (a negative height), but for the old header that has none.
    if (bmp.core) writeLe16(header, 20, std::uint32_t(count));
    else writeLe32(header, 22, std::uint32_t(-count));
    file = header;
    file.reserve(file.size() + strideOut * std::size_t(count));
    for (int i = 0; i < count; ++i) {
      const int y = bmp.core ? first + count - 1 - i : first + i;
      file.append(reinterpret_cast<const char*>(stored.row(y)), stored.rowBytes());
      file.append(strideOut - stored.rowBytes(), '\0');
    }
  };
  auto adjust = [&](int first, int count, stbi_uc* rgba) {
    if (!imageHasAlpha || anyAlpha(first, count)) return;
    for (std::size_t i = 3, n = std::size_t(stored.width) * std::size_t(count) * 4; i < n; i += 4)
      rgba[i] = 0;
  };
  return convertInBands(L"BMP", stored, band, adjust, *plan.target, reason);
}

// ---- TGA --------------------------------------------------------------------

namespace {

struct TgaLayout {
  int width = 0, height = 0;
  bool indexed = false, runLength = false, bottomUp = false;
  int pixelBytes = 0;
  std::uint64_t palette = 0, paletteBytes = 0;  // where stb_image reads it, and how much
  std::uint64_t pixels = 0;                      // where the pixel data starts
};

TgaLayout readTgaLayout(const std::uint8_t* h) {
  TgaLayout tga;
  tga.indexed = h[1] != 0;
  tga.runLength = h[2] >= 8;
  tga.width = int(readLe16(h + 12));
  tga.height = int(readLe16(h + 14));
  tga.pixelBytes = (h[16] + 7) / 8;
  tga.bottomUp = (h[17] & 0x20) == 0;
  // stb_image skips the "first entry" field as bytes before the palette.
  tga.palette = 18ull + h[0] + readLe16(h + 3);
  tga.paletteBytes = tga.indexed ? std::uint64_t(readLe16(h + 5)) * ((h[7] + 7u) / 8u) : 0;
  tga.pixels = tga.indexed ? tga.palette + tga.paletteBytes : 18ull + h[0];
  return tga;
}

// Keeps the subsample's pixels of a plain TGA, reading its rows at their offsets.
bool gatherPlainTga(ImageInput& input, const TgaLayout& tga, int factor, StoredPixels& stored,
                    std::wstring& reason) {
  const std::size_t rowBytes = std::size_t(tga.width) * std::size_t(tga.pixelBytes);
  for (int y = 0; y < stored.height; ++y) {
    const int source = samplePosition(y, factor, tga.height);
    const int fileRow = tga.bottomUp ? tga.height - 1 - source : source;
    const std::uint8_t* row = input.read(tga.pixels + std::uint64_t(fileRow) * rowBytes, rowBytes);
    if (!row) return readFailed(input, L"TGA", reason);
    std::uint8_t* out = stored.row(y);
    if (factor == 1) {
      std::memcpy(out, row, rowBytes);
      continue;
    }
    for (int x = 0; x < stored.width; ++x)
      std::memcpy(out + std::size_t(x) * tga.pixelBytes,
                  row + std::size_t(samplePosition(x, factor, tga.width)) * tga.pixelBytes,
                  std::size_t(tga.pixelBytes));
  }
  return true;
}

// Walks the run-length packets once, in the file's order, keeping the
// subsample's pixels. A packet may run on into the next row, as stb_image
// reads them; data past the file's end fails, where stb_image would read
// zeros.
bool gatherRunLengthTga(ImageInput& input, const TgaLayout& tga, int factor, StoredPixels& stored,
                        std::wstring& reason) {
  const int width = tga.width;
  const std::size_t bytes = std::size_t(tga.pixelBytes);
  const std::vector<int> column = sampleIndex(width, factor);
  const std::vector<int> imageRow = sampleIndex(tga.height, factor);
  // The first kept column at or after each column (width: none).
  std::vector<int> nextKept(std::size_t(width) + 1, width);
  for (int x = width - 1; x >= 0; --x)
    nextKept[std::size_t(x)] = column[std::size_t(x)] >= 0 ? x : nextKept[std::size_t(x) + 1];
  const std::uint64_t total = std::uint64_t(width) * std::uint64_t(tga.height);
  std::uint64_t position = tga.pixels, pixel = 0;
  std::uint8_t value[4] = {};
  while (pixel < total) {
    const std::uint8_t* packet = input.read(position, 1);
    if (!packet) return readFailed(input, L"TGA", reason);
    const std::uint64_t count = (*packet & 0x7Fu) + 1u;
    const bool run = (*packet & 0x80u) != 0;
    const std::uint64_t data = position + 1;
    if (run) {
      const std::uint8_t* p = input.read(data, bytes);
      if (!p) return readFailed(input, L"TGA", reason);
      std::memcpy(value, p, bytes);
    }
    position = data + (run ? 1 : count) * bytes;
    if (position > input.size()) return readFailed(input, L"TGA", reason);
    const std::uint64_t first = pixel, end = std::min(pixel + count, total);
    while (pixel < end) {
      const std::uint64_t fileRow = pixel / std::uint64_t(width);
      const int x0 = int(pixel - fileRow * width);
      const std::uint64_t rowEnd = std::min(end, (fileRow + 1) * std::uint64_t(width));
      const int x1 = int(rowEnd - fileRow * width);
      const int y = imageRow[std::size_t(tga.bottomUp ? tga.height - 1 - int(fileRow) : int(fileRow))];
      for (int x = y < 0 ? x1 : nextKept[std::size_t(x0)]; x < x1; x = nextKept[std::size_t(x) + 1]) {
        std::uint8_t* out = stored.row(y) + std::size_t(column[std::size_t(x)]) * bytes;
        if (run) {
          std::memcpy(out, value, bytes);
          continue;
        }
        const std::uint64_t at = data + (fileRow * width + std::uint64_t(x) - first) * bytes;
        const std::uint8_t* p = input.read(at, bytes);
        if (!p) return readFailed(input, L"TGA", reason);
        std::memcpy(out, p, bytes);
      }
      pixel = rowEnd;
    }
  }
  return true;
}

}  // namespace

bool decodeTga(ImageInput& input, const ImageDecodeRequest& request, ImageRowSink& sink,
               std::wstring& reason) {
  std::string header;
  int width = 0, height = 0;
  if (!stbHeader(input, L"TGA", header, width, height, reason)) return false;
  if (!imageSizeAllowed(width, height, reason)) return false;
  const TgaLayout tga = readTgaLayout(reinterpret_cast<const std::uint8_t*>(header.data()));
  const std::uint64_t plainEnd =
      tga.pixels + std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(tga.pixelBytes);
  if ((tga.indexed && tga.pixels > input.size()) || (!tga.runLength && plainEnd > input.size())) {
    reason = L"The TGA image is truncated.";
    return false;
  }
  const PointPlan plan(width, height, request, sink);
  const int factor = plan.step;
  const DecodedRows rows = subsampleRows(width, height, factor);
  if (!admitImage(width, height, request, reason, std::uint64_t(rows.width) * rows.height)) return false;
  StoredPixels stored;
  if (!allocateStored(stored, rows.width, rows.height, tga.pixelBytes, reason)) return false;
  const bool gathered = tga.runLength ? gatherRunLengthTga(input, tga, factor, stored, reason)
                                      : gatherPlainTga(input, tga, factor, stored, reason);
  if (!gathered) return false;
  std::string prefix(18, '\0');
  prefix[1] = header[1];
  prefix[2] = char(std::uint8_t(header[2]) & 7);  // stored plain
  prefix[5] = header[5];
  prefix[6] = header[6];
  prefix[7] = header[7];
  writeLe16(prefix, 12, std::uint32_t(stored.width));
  prefix[16] = header[16];
  prefix[17] = char(std::uint8_t(header[17]) | 0x20);  // top-down
  if (tga.paletteBytes) {
    const std::uint8_t* palette = input.read(tga.palette, std::size_t(tga.paletteBytes));
    if (!palette) return readFailed(input, L"TGA", reason);
    prefix.append(reinterpret_cast<const char*>(palette), std::size_t(tga.paletteBytes));
  }
  if (!plan.target->begin(rows, reason)) return false;
  auto band = [&](int first, int count, std::string& file) {
    writeLe16(prefix, 14, std::uint32_t(count));
    file = prefix;
    file.append(reinterpret_cast<const char*>(stored.row(first)), stored.rowBytes() * std::size_t(count));
  };
  return convertInBands(L"TGA", stored, band, [](int, int, stbi_uc*) {}, *plan.target, reason);
}

}  // namespace vk::platform
