// Large images are reduced while they decode: BMP and TGA keep the pixels of
// a regular subsample, an interlaced PNG decodes only its first passes, a
// plain PNG averages blocks of its rows, a progressive JPEG at 1/8 scale
// leaves out its AC scans. The tests force the reduction on small images
// (reduceAbovePixels 0) and hold each against the whole decode; the hostile
// images themselves are decoded in a child process to weigh their memory.
//
// Sections:
//   - BMP
//   - TGA
//   - PNG
//   - JPEG
//   - The hostile images, from their files
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "child_measure.h"
#include "image_test_support.h"
#include "platform/image_internal.h"

namespace {

using vk::platform::samplePosition;

vk::ImageArgb decodeWhole(const std::string& file) {
  vk::ImageArgb image;
  std::wstring reason;
  EXPECT_TRUE(vk::decodeImage(file.data(), file.size(), image, &reason)) << vk::wideToUtf8(reason);
  return image;
}

vk::ReducedImage decodeReduced(const std::string& file, int minWidth, int minHeight) {
  vk::ReducedImage reduced;
  std::wstring reason;
  EXPECT_TRUE(vk::decodeImageReduced(file.data(), file.size(), {minWidth, minHeight, nullptr, 0},
                                     reduced, &reason))
      << vk::wideToUtf8(reason);
  return reduced;
}

// The reduction holds the whole image's pixels at (x(i), y(j)), a point
// every `step` pixels, or (`averaged`) the means of 2 x 2 of those points,
// colour weighted by alpha and rounded (the last blocks may hold fewer).
template <class Position>
void expectPoints(const vk::ImageArgb& whole, const vk::ReducedImage& reduced, int step, bool averaged,
                  Position&& position) {
  const int pointsWide = (whole.width + step - 1) / step, pointsHigh = (whole.height + step - 1) / step;
  const int block = averaged ? 2 : 1;
  const vk::ImageArgb& image = reduced.image;
  ASSERT_EQ(image.width, (pointsWide + block - 1) / block);
  ASSERT_EQ(image.height, (pointsHigh + block - 1) / block);
  EXPECT_DOUBLE_EQ(reduced.coverWidth, double(whole.width) / step / block);
  EXPECT_DOUBLE_EQ(reduced.coverHeight, double(whole.height) / step / block);
  int wrong = 0;
  for (int j = 0; j < image.height; ++j) {
    for (int i = 0; i < image.width; ++i) {
      double sums[4] = {0, 0, 0, 0};
      int count = 0;
      std::uint32_t point = 0;
      for (int b = 0; b < block && j * block + b < pointsHigh; ++b) {
        for (int a = 0; a < block && i * block + a < pointsWide; ++a) {
          const std::uint32_t p = whole.pixels[std::size_t(position(j * block + b, whole.height)) * whole.width +
                                               position(i * block + a, whole.width)];
          point = p;
          const double alpha = p >> 24;
          for (int c = 0; c < 3; ++c) sums[c] += double((p >> (8 * c)) & 0xFF) * alpha;
          sums[3] += alpha;
          ++count;
        }
      }
      std::uint32_t expected = std::uint32_t(std::lround(sums[3] / count)) << 24;
      for (int c = 0; c < 3 && sums[3] > 0; ++c) expected |= std::uint32_t(std::lround(sums[c] / sums[3])) << (8 * c);
      if (!averaged) expected = point;
      const std::uint32_t actual = image.pixels[std::size_t(j) * image.width + i];
      if (vktest::channelDistance(actual, expected) > (averaged ? 1u : 0u) && ++wrong <= 3)
        ADD_FAILURE() << "pixel " << i << ", " << j << ": " << std::hex << actual << " for " << expected;
    }
  }
}

// Points at the middle of each run of `step` pixels: every other pixel of a
// 203 x 157 image reduced by 3 (points twice as dense as asked), and, reduced
// by 15, points every 7 pixels averaged 2 x 2.
void expectMiddlePoints(const std::string& file) {
  const vk::ImageArgb whole = decodeWhole(file);
  const auto middle = [](int step) { return [step](int i, int size) { return samplePosition(i, step, size); }; };
  SCOPED_TRACE("points");
  expectPoints(whole, decodeReduced(file, 52, 52), 2, false, middle(2));
  SCOPED_TRACE("averaged points");
  expectPoints(whole, decodeReduced(file, 10, 10), 7, true, middle(7));
}

// ---- BMP --------------------------------------------------------------------

struct BmpSpec {
  int width = 1, height = 1, bits = 24;
  bool topDown = false;
  bool core = false;  // the 12-byte header
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::function<std::uint32_t(int x, int y)> value;  // an index, a 16-bit word or 0xAARRGGBB
};

std::string makeBmp(const BmpSpec& spec) {
  const std::uint32_t headerSize = spec.core ? 12 : 40;
  const std::uint32_t paletteBytes = std::uint32_t(spec.palette.size()) * (spec.core ? 3 : 4);
  const std::uint32_t offset = 14 + headerSize + paletteBytes;
  const int stride = (spec.width * spec.bits + 31) / 32 * 4;
  std::string out = "BM";
  vktest::putLe32(out, offset + std::uint32_t(stride * spec.height));
  vktest::putLe32(out, 0);
  vktest::putLe32(out, offset);
  vktest::putLe32(out, headerSize);
  if (spec.core) {
    vktest::putLe16(out, std::uint32_t(spec.width));
    vktest::putLe16(out, std::uint32_t(spec.height));
    vktest::putLe16(out, 1);
    vktest::putLe16(out, std::uint32_t(spec.bits));
  } else {
    vktest::putLe32(out, std::uint32_t(spec.width));
    vktest::putLe32(out, std::uint32_t(spec.topDown ? -spec.height : spec.height));
    vktest::putLe16(out, 1);
    vktest::putLe16(out, std::uint32_t(spec.bits));
    for (int i = 0; i < 6; ++i) vktest::putLe32(out, 0);
  }
  for (std::uint32_t rgb : spec.palette) {
    for (int shift : {0, 8, 16}) out.push_back(char((rgb >> shift) & 0xFF));
    if (!spec.core) out.push_back(0);
  }
  for (int row = 0; row < spec.height; ++row) {
    const int y = spec.topDown ? row : spec.height - 1 - row;
    std::string bytes(std::size_t(stride), '\0');
    for (int x = 0; x < spec.width; ++x) {
      const std::uint32_t v = spec.value(x, y);
      if (spec.bits < 8) {
        const int bit = x * spec.bits;
        bytes[std::size_t(bit / 8)] = char(bytes[std::size_t(bit / 8)] | char(v << (8 - spec.bits - bit % 8)));
      } else {
        for (int b = 0; b < spec.bits / 8; ++b) bytes[std::size_t(x * spec.bits / 8 + b)] = char((v >> (8 * b)) & 0xFF);
      }
    }
    out += bytes;
  }
  return out;
}

std::uint32_t hashed(int x, int y, std::uint32_t salt) {
  std::uint32_t h = std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ salt;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

// Every depth stb_image reads, both row orders and the old header: the
// reduction holds the whole decode's pixels at the middle of each block,
// rows read at their offsets and low-bit indices taken apart as stored.
TEST(ImageSubsample, BmpKeepsTheMiddlePixelOfEachBlockInEveryLayout) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < 16; ++i) palette.push_back(hashed(i, 0, 5) & 0xFFFFFF);
  struct Case {
    const char* name;
    BmpSpec spec;
  };
  const Case cases[] = {
      {"24 bits", {203, 157, 24, false, false, {}, [](int x, int y) { return hashed(x, y, 1); }}},
      {"32 bits, top-down", {203, 157, 32, true, false, {}, [](int x, int y) { return hashed(x, y, 2); }}},
      {"16 bits", {203, 157, 16, false, false, {}, [](int x, int y) { return hashed(x, y, 3) & 0x7FFF; }}},
      {"8-bit palette", {203, 157, 8, false, false, palette, [](int x, int y) { return hashed(x, y, 4) % 16; }}},
      {"4-bit palette", {203, 157, 4, true, false, palette, [](int x, int y) { return hashed(x, y, 6) % 16; }}},
      {"1-bit palette", {203, 157, 1, false, false, {0x000000, 0xFFFFFF}, [](int x, int y) { return hashed(x, y, 7) % 2; }}},
      {"old header", {203, 157, 24, false, true, {}, [](int x, int y) { return hashed(x, y, 8); }}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectMiddlePoints(makeBmp(c.spec));
  }
}

// stb_image makes a 32-bit image whose alpha bytes are all zero opaque. Read
// in bands, a band of zero alpha in an image that has some keeps it.
TEST(ImageSubsample, BmpAlphaIsJudgedOverTheWholeImageNotItsBands) {
  BmpSpec spec{2048, 1100, 32, false, false, {}, [](int x, int y) {
                 return (y < 600 ? 0u : 0x80000000u) | (hashed(x, y, 9) & 0xFFFFFF);
               }};
  vk::ImageArgb image = decodeWhole(makeBmp(spec));
  ASSERT_EQ(image.pixels.size(), 2048u * 1100u);
  EXPECT_EQ(image.pixels[0] >> 24, 0u);
  EXPECT_EQ(image.pixels[2048u * 599u] >> 24, 0u);
  EXPECT_EQ(image.pixels[2048u * 1099u] >> 24, 0x80u);
  spec.value = [](int x, int y) { return hashed(x, y, 9) & 0xFFFFFF; };
  image = decodeWhole(makeBmp(spec));
  EXPECT_EQ(image.pixels[0] >> 24, 0xFFu);
  EXPECT_EQ(image.pixels.back() >> 24, 0xFFu);
}

// ---- TGA --------------------------------------------------------------------

struct TgaSpec {
  int width = 1, height = 1, bits = 32;
  int type = 10;  // 1 colour-mapped, 2 true colour, 3 grey; + 8 run-length
  bool topDown = true;
  std::string id;
  int paletteBits = 0;
  std::vector<std::uint8_t> palette;  // stored entries
  std::function<std::uint32_t(int x, int y)> value;  // the stored bytes, low first
};

// Run-length packets go on across rows; runs of equal pixels and raw stretches mix.
std::string makeTga(const TgaSpec& spec) {
  const int bytes = (spec.bits + 7) / 8;
  const int entryBytes = (spec.paletteBits + 7) / 8;
  const int entries = entryBytes ? int(spec.palette.size()) / entryBytes : 0;
  std::string out;
  out.push_back(char(spec.id.size()));
  out.push_back(char(entries ? 1 : 0));
  out.push_back(char(spec.type));
  vktest::putLe16(out, 0);
  vktest::putLe16(out, std::uint32_t(entries));
  out.push_back(char(spec.paletteBits));
  vktest::putLe32(out, 0);
  vktest::putLe16(out, std::uint32_t(spec.width));
  vktest::putLe16(out, std::uint32_t(spec.height));
  out.push_back(char(spec.bits));
  out.push_back(char(spec.topDown ? 0x20 : 0));
  out += spec.id;
  out.append(spec.palette.begin(), spec.palette.end());
  std::vector<std::uint32_t> stored;
  for (int row = 0; row < spec.height; ++row)
    for (int x = 0; x < spec.width; ++x) stored.push_back(spec.value(x, spec.topDown ? row : spec.height - 1 - row));
  auto put = [&](std::uint32_t v) {
    for (int b = 0; b < bytes; ++b) out.push_back(char((v >> (8 * b)) & 0xFF));
  };
  if (spec.type < 8) {
    for (std::uint32_t v : stored) put(v);
    return out;
  }
  for (std::size_t i = 0; i < stored.size();) {
    std::size_t run = 1;
    while (i + run < stored.size() && run < 128 && stored[i + run] == stored[i]) ++run;
    if (run >= 2) {
      out.push_back(char(0x80 | (run - 1)));
      put(stored[i]);
      i += run;
      continue;
    }
    std::size_t raw = 1;
    while (i + raw < stored.size() && raw < 128 &&
           (i + raw + 1 >= stored.size() || stored[i + raw] != stored[i + raw + 1]))
      ++raw;
    out.push_back(char(raw - 1));
    for (std::size_t k = 0; k < raw; ++k) put(stored[i + k]);
    i += raw;
  }
  return out;
}

// Stretches of one colour (runs crossing rows) and of noise (raw packets).
std::uint32_t patchy(int x, int y, std::uint32_t salt) {
  return ((x / 16 + y / 5) % 3 == 0) ? hashed(x, y, salt) : hashed(x / 9, y / 2, salt);
}

// Run-length packets walked once and plain rows read at their offsets, in
// both row orders, every depth and a colour map behind an id field: the
// reduction holds the whole decode's pixels at the middle of each block.
TEST(ImageSubsample, TgaKeepsTheMiddlePixelOfEachBlockOfRunsAndRows) {
  std::vector<std::uint8_t> palette;
  for (int i = 0; i < 200 * 3; ++i) palette.push_back(std::uint8_t(hashed(i, 1, 2)));
  struct Case {
    const char* name;
    TgaSpec spec;
  };
  const Case cases[] = {
      {"RLE 32 bits, top-down", {211, 149, 32, 10, true, "", 0, {}, [](int x, int y) { return patchy(x, y, 1); }}},
      {"RLE 24 bits, bottom-up", {211, 149, 24, 10, false, "", 0, {}, [](int x, int y) { return patchy(x, y, 2) & 0xFFFFFF; }}},
      {"RLE 16 bits", {211, 149, 16, 10, false, "", 0, {}, [](int x, int y) { return patchy(x, y, 3) & 0x7FFF; }}},
      {"RLE grey", {211, 149, 8, 11, true, "", 0, {}, [](int x, int y) { return patchy(x, y, 4) & 0xFF; }}},
      {"RLE colour map, id", {211, 149, 8, 9, false, "hello", 24, palette, [](int x, int y) { return patchy(x, y, 5) % 200; }}},
      {"plain 24 bits, bottom-up", {211, 149, 24, 2, false, "", 0, {}, [](int x, int y) { return hashed(x, y, 6) & 0xFFFFFF; }}},
      {"plain colour map", {211, 149, 8, 1, true, "", 24, palette, [](int x, int y) { return hashed(x, y, 7) % 200; }}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = makeTga(c.spec);
    expectMiddlePoints(file);
    // A file cut within its pixels is refused, reduced or not.
    vk::ReducedImage reduced;
    const std::string cut = file.substr(0, file.size() - 40);
    EXPECT_FALSE(vk::decodeImageReduced(cut.data(), cut.size(), {10, 10, nullptr, 0}, reduced));
  }
}

// ---- PNG --------------------------------------------------------------------

// Noise leaves nothing to compress: each pass's share of the data is its
// share of the pixels.
std::string interlacedNoise(int width, int height) {
  vktest::PngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  spec.interlaced = true;
  for (int i = 0; i < width * height; ++i)
    for (int c = 0; c < 4; ++c) spec.rows.push_back(std::uint8_t(hashed(i, c, 11)));
  return vktest::makePng(spec);
}

// Passes 1, 1-3 and 1-5 hold every 8th, 4th and 2nd pixel of every 8th, 4th
// and 2nd row: exactly the whole image's, and decoding stops after them.
// Reduced by 16, 8 and 4 the points are averaged 2 x 2; by 3, not.
TEST(ImageSubsample, InterlacedPngDecodesOnlyThePassesItsSubsampleNeeds) {
  const std::string file = interlacedNoise(1001, 803);
  const vk::ImageArgb whole = decodeWhole(file);
  std::size_t lastRead = 0;
  for (const int step : {8, 4, 2}) {
    SCOPED_TRACE(step);
    const vk::ReducedImage reduced = decodeReduced(file, 803 / (2 * step), 803 / (2 * step));
    expectPoints(whole, reduced, step, true, [&](int i, int) { return i * step; });
    EXPECT_GT(reduced.bytesRead, lastRead);
    lastRead = reduced.bytesRead;
  }
  EXPECT_LT(lastRead, file.size());
  expectPoints(whole, decodeReduced(file, 803 / 3, 803 / 3), 2, false, [](int i, int) { return i * 2; });
  // Pass 1 is a 64th of the pixels; reading stops within a piece of its end.
  EXPECT_LT(decodeReduced(file, 50, 50).bytesRead, file.size() / 16);
}

// A plain PNG inflates every row; each is added into blocks of factor x
// factor pixels, colour weighted by alpha (transparent pixels lend none),
// the last column and row of blocks only partly covered.
TEST(ImageSubsample, PlainPngRowsAverageIntoBlocksWeightedByAlpha) {
  vktest::PngSpec spec;
  spec.width = 7;
  spec.height = 5;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      std::uint8_t rgba[4] = {200, 0, 0, 0};            // transparent red
      if (x == 1 && y == 1) rgba[0] = 0, rgba[2] = 250, rgba[3] = 255;  // one opaque blue
      if (x >= 3) rgba[0] = 10, rgba[1] = std::uint8_t(20 * x), rgba[2] = 30, rgba[3] = 100;
      if (y >= 3) rgba[0] = 90, rgba[1] = 60, rgba[2] = 30, rgba[3] = std::uint8_t(x < 3 ? 255 : 51);
      spec.rows.insert(spec.rows.end(), rgba, rgba + 4);
    }
  }
  const vk::ReducedImage reduced = decodeReduced(vktest::makePng(spec), 2, 1);  // factor 3
  ASSERT_EQ(reduced.image.width, 3);
  ASSERT_EQ(reduced.image.height, 2);
  EXPECT_DOUBLE_EQ(reduced.coverWidth, 7.0 / 3);
  const std::uint32_t* p = reduced.image.pixels.data();
  EXPECT_EQ(p[0], 0x1C0000FAu);  // blue alone, alpha 255 / 9
  EXPECT_EQ(p[1], 0x640A501Eu);  // green 20 * (3 + 4 + 5) / 3
  EXPECT_EQ(p[2], 0x640A781Eu);  // one column: green 120
  EXPECT_EQ(p[3], 0xFF5A3C1Eu);  // two opaque rows
  EXPECT_EQ(p[5], 0x335A3C1Eu);  // a 1 x 2 corner
}

// Ordinary content: waves, hard-edged tiles and translucent bands, reduced
// in the proportions an 8192-pixel texture is for the previews (blocks of 4
// and points every 2 here, of 13 and every 6 there, for products of a 32nd
// and a 107th). Block averages feed the bicubic filter nearly what the
// whole rows would; a point subsample moves a hard edge by up to half its
// step, a few levels of its contrast where the products straddle it.
TEST(ImageSubsample, PreviewsOfOrdinaryContentStayNearTheWholeImage) {
  const int width = 2400, height = 1800;
  vk::ImageArgb whole;
  whole.width = width;
  whole.height = height;
  whole.pixels.resize(std::size_t(width) * height);
  vktest::PngSpec interlaced;
  interlaced.width = width;
  interlaced.height = height;
  interlaced.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  interlaced.interlaced = true;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = double(x) / width, v = double(y) / height;
      double r = 128 + 100 * std::sin(u * 6 + v * 3), g = 128 + 90 * std::cos(u * 4 - v * 5);
      double b = 128 + 80 * std::sin(u * 9 * v);
      if ((x / 97 + y / 131) % 2) r = r * 0.5 + 100, b = 255 - b;
      const std::uint32_t a = (y / 200) % 3 == 1 ? 160 : 255;
      whole.pixels[std::size_t(y) * width + x] =
          (a << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
      for (const double c : {r, g, b, double(a)}) interlaced.rows.push_back(std::uint8_t(c));
    }
  }
  const struct {
    const char* name;
    std::string file;
    std::uint32_t worst;
  } files[] = {{"plain PNG", vktest::encodeArgbPng(whole.pixels, width, height), 1},
               {"BMP", vktest::makeBmp(whole.pixels, width, height, 32), 6},
               {"TGA", vktest::makeTga(whole.pixels, width, height, true), 6},
               {"interlaced PNG", vktest::makePng(interlaced), 6}};
  const vk::ImageProductSizes sizes = [](int, int) {
    return std::vector<vk::ImageSize>{{76, 57}, {64, 64}};
  };
  for (const auto& [name, file, worstAllowed] : files) {
    SCOPED_TRACE(name);
    vk::ResampledImages resampled;
    ASSERT_TRUE(vk::decodeImageResampled(file.data(), file.size(), {450, 450, nullptr, 0}, sizes, resampled));
    EXPECT_TRUE(resampled.reduced);
    for (std::size_t i = 0; i < 2; ++i) {
      vk::ImageArgb reference;
      ASSERT_TRUE(vk::resizeImage(whole, resampled.products[i].width, resampled.products[i].height, reference));
      std::uint32_t worst = 0;
      double total = 0;
      for (std::size_t k = 0; k < reference.pixels.size(); ++k) {
        const std::uint32_t d = vktest::channelDistance(reference.pixels[k], resampled.products[i].pixels[k]);
        worst = std::max(worst, d);
        total += d;
      }
      EXPECT_LE(worst, worstAllowed) << "product " << i;
      EXPECT_LE(total / double(reference.pixels.size()), 1.0) << "product " << i;
    }
  }
}

// ---- JPEG -------------------------------------------------------------------

// libjpeg's own decode at 1/8 scale, every scan read.
std::vector<std::uint32_t> libjpegEighth(const std::string& file, int& width, int& height) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  cinfo.scale_num = 1;
  cinfo.scale_denom = 8;
  jpeg_start_decompress(&cinfo);
  width = int(cinfo.output_width);
  height = int(cinfo.output_height);
  std::vector<std::uint32_t> pixels(std::size_t(width) * height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&pixels[std::size_t(cinfo.output_scanline) * width]);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return pixels;
}

// Where each scan's coded data lies, and whether it holds AC coefficients.
struct Scan {
  std::size_t data = 0, end = 0;
  bool ac = false;
};
std::vector<Scan> scansOf(const std::string& file) {
  std::vector<Scan> scans;
  for (std::size_t at = file.find("\xFF\xDA"); at != std::string::npos; at = file.find("\xFF\xDA", at + 2)) {
    const std::size_t length = (std::uint8_t(file[at + 2]) << 8) | std::uint8_t(file[at + 3]);
    const int components = std::uint8_t(file[at + 4]);
    Scan scan{at + 2 + length, 0, std::uint8_t(file[at + 5 + 2 * std::size_t(components)]) > 0};
    scan.end = scan.data;
    while (scan.end + 1 < file.size() &&
           !(std::uint8_t(file[scan.end]) == 0xFF && std::uint8_t(file[scan.end + 1]) != 0 &&
             (std::uint8_t(file[scan.end + 1]) < 0xD0 || std::uint8_t(file[scan.end + 1]) > 0xD7)))
      ++scan.end;
    scans.push_back(scan);
  }
  return scans;
}

// At 1/8 scale each 8 x 8 block becomes one pixel, its DC coefficient: a
// progressive file's AC scans are left out, and the rows are libjpeg's own
// with every scan read. A damaged AC scan shows that it was not read.
TEST(ImageSubsample, ProgressiveJpegAtAnEighthReadsOnlyItsDcScans) {
  vktest::JpegSpec spec;
  spec.width = 643;
  spec.height = 481;
  spec.progressive = true;
  spec.fullChroma = true;
  for (int y = 0; y < spec.height; ++y)
    for (int x = 0; x < spec.width; ++x)
      for (int c = 0; c < 3; ++c)
        spec.samples.push_back(std::uint8_t(128 + 90 * std::sin(x * 0.02 * (c + 1) + y * 0.013) + hashed(x, y, c) % 23));
  const std::string file = vktest::makeJpeg(spec);
  int width = 0, height = 0;
  const std::vector<std::uint32_t> reference = libjpegEighth(file, width, height);
  vk::ReducedImage reduced = decodeReduced(file, 70, 50);
  ASSERT_EQ(reduced.image.width, width);
  ASSERT_EQ(reduced.image.height, height);
  EXPECT_TRUE(reduced.image.pixels == reference);
  EXPECT_DOUBLE_EQ(reduced.coverWidth, 643.0 / 8);

  std::string damaged = file;
  const std::vector<Scan> scans = scansOf(file);
  ASSERT_GE(scans.size(), 6u);
  int damagedScans = 0;
  for (const Scan& scan : scans) {
    if (!scan.ac || scan.end - scan.data < 64) continue;
    // Not after an 0xFF: the byte there tells a marker from a stuffed zero.
    for (std::size_t i = scan.data + 16; i < scan.end - 16; i += 7)
      if (std::uint8_t(damaged[i - 1]) != 0xFF) damaged[i] = char(0x5A);
    ++damagedScans;
  }
  ASSERT_GT(damagedScans, 2);
  reduced = decodeReduced(damaged, 70, 50);
  EXPECT_TRUE(reduced.image.pixels == reference);
  vk::ImageArgb whole;
  const bool decoded = vk::decodeImage(damaged.data(), damaged.size(), whole);
  EXPECT_TRUE(!decoded || whole.pixels != decodeWhole(file).pixels);

  // 4:2:0: the chroma's 1/8 scale is a 2 x 2 transform that reads its AC
  // coefficients, so its scans stay; the rows are still libjpeg's own.
  spec.fullChroma = false;
  const std::string subsampled = vktest::makeJpeg(spec);
  const std::vector<std::uint32_t> subsampledReference = libjpegEighth(subsampled, width, height);
  EXPECT_TRUE(decodeReduced(subsampled, 70, 50).image.pixels == subsampledReference);
}

// The coefficients of every component are held while a progressive file
// decodes: beyond the decode's bound (with room for the rest) it is refused
// from its header. 4896 x 4896 in 4:4:4 is 137 MiB of them.
TEST(ImageSubsample, ProgressiveJpegBeyondTheCoefficientBoundIsRefused) {
  vktest::JpegSpec spec;
  spec.width = spec.height = 16;
  spec.progressive = true;
  spec.fullChroma = true;
  spec.samples.assign(16 * 16 * 3, 100);
  std::string jpeg = vktest::makeJpeg(spec);
  const std::size_t sof = jpeg.find("\xFF\xC2");
  ASSERT_NE(sof, std::string::npos);
  auto setSides = [&](int side) {
    jpeg[sof + 5] = char(side >> 8), jpeg[sof + 6] = char(side & 0xFF);
    jpeg[sof + 7] = char(side >> 8), jpeg[sof + 8] = char(side & 0xFF);
  };
  setSides(4896);
  vk::ResampledImages out;
  std::wstring reason;
  const vk::ImageProductSizes sizes = [](int, int) { return std::vector<vk::ImageSize>{{64, 64}}; };
  EXPECT_FALSE(vk::decodeImageResampled(jpeg.data(), jpeg.size(), {608, 608, nullptr}, sizes, out, &reason));
  EXPECT_EQ(reason, L"The JPEG image is 4896 x 4896 pixels in several scans, more than the 112 MiB such an "
                    L"image may take to decode.");
  // 4400 x 4400 is 111 MiB: taken, then refused only for its missing data.
  setSides(4400);
  EXPECT_FALSE(vk::decodeImageResampled(jpeg.data(), jpeg.size(), {608, 608, nullptr}, sizes, out, &reason));
  EXPECT_EQ(reason.find(L"several scans"), std::wstring::npos) << vk::wideToUtf8(reason);
}

}  // namespace

// ---- The hostile images, from their files -----------------------------------

namespace bounds {

using vk::test::kSanitized;

// The peak memory a preview decode of the file adds, and whether it decoded.
long long peakPreviewBytes(const std::wstring& path, bool& decoded) {
  const auto report = vk::test::measureInChild<1>([&path](vk::test::ChildClock&) {
    const vk::ImageProductSizes sizes = [](int, int) {
      return std::vector<vk::ImageSize>{{76, 76}, {64, 64}};
    };
    vk::ResampledImages products;
    return std::array<long long, 1>{vk::decodeImageFileResampled(path, {608, 608, nullptr}, sizes, products)};
  });
  decoded = report.values[0] != 0;
  return report.measured ? report.peakBytes : -1;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(vk::writeFileAtomically(path, bytes));
}

// 8192 x 8192 in runs of 128 pixels: 2 MB.
std::string runLengthTga() {
  std::string out;
  out.append("\0\0\x0A\0\0\0\0\0\0\0\0\0", 12);
  vktest::putLe16(out, 8192);
  vktest::putLe16(out, 8192);
  out += "\x18\x20";
  for (int y = 0; y < 8192; ++y)
    for (int x = 0; x < 8192; x += 128) out += {char(0xFF), char(x / 32), char(y / 32), char((x + y) / 64)};
  return out;
}

// 8192 x 8192 one-bit interlaced, of blocks: a few kilobytes.
std::string adam7Bits() {
  vktest::PngSpec spec;
  spec.width = spec.height = 8192;
  spec.colorType = PNG_COLOR_TYPE_GRAY;
  spec.bitDepth = 1;
  spec.interlaced = true;
  spec.rows.resize(8192u * 1024u);
  for (int y = 0; y < 8192; ++y)
    for (int x = 0; x < 1024; ++x) spec.rows[std::size_t(y) * 1024 + x] = ((x / 64 + y / 512) % 2) ? 0xFF : 0x00;
  return vktest::makePng(spec);
}

// 8192 x 4096 with a palette of 256 entries: 32 MB of rows.
std::string largeBmp() {
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010203u);
  return makeBmp({8192, 4096, 8, false, false, palette, [](int x, int y) { return std::uint32_t(x ^ y) & 0xFF; }});
}

}  // namespace bounds

// Cheap to store, dear to decode whole (256 MiB of pixels and more): each
// preview stays within the decode's bound, and reads a BMP's sampled rows only.
TEST(ImageDecodeBounds, HostileImagesStayWithinTheDecodeBound) {
  if (bounds::kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory is counted in the resident size";
  vktest::TempFolder folder;
  const struct {
    const char* name;
    std::string (*make)();
  } inputs[] = {{"rle.tga", bounds::runLengthTga},
                {"adam7.png", bounds::adam7Bits},
                {"large.bmp", bounds::largeBmp}};
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.name);
    const std::wstring path = folder.file(input.name);
    bounds::writeFile(path, input.make());
    bool decoded = false;
    const long long peak = bounds::peakPreviewBytes(path, decoded);
    EXPECT_TRUE(decoded);
    ASSERT_GE(peak, 0);
    EXPECT_LE(std::uint64_t(peak), vk::kImageDecodeByteLimit);
  }
  // A BMP's rows are read at their offsets, a third of them (points twice
  // as dense as the 608 asked for, averaged in pairs of rows).
  vk::ReadOnlyFile file;
  ASSERT_TRUE(file.open(folder.file("large.bmp"), vk::kImageFileByteLimit));
  vk::platform::ImageInput input(file);
  struct Collector final : vk::platform::ImageRowSink {
    int rows = 0;
    bool begin(const vk::platform::DecodedRows&, std::wstring&) override { return true; }
    void addRow(const std::uint8_t*) override { ++rows; }
  } collector;
  std::wstring reason;
  ASSERT_TRUE(vk::platform::decodeBmp(input, {608, 608, nullptr}, collector, reason)) << vk::wideToUtf8(reason);
  EXPECT_EQ(collector.rows, 683);  // 4096 / 3 / 2, rounded up
  EXPECT_LT(input.bytesFetched(), 1400u * 8192u);
}
