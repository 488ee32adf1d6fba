#include <gtest/gtest.h>

#include <cstring>

#include "image_test_support.h"

namespace {

using vktest::channelDistance;

vk::ImageArgb decodeOk(const std::string& bytes) {
  vk::ImageArgb image;
  std::wstring reason;
  EXPECT_TRUE(vk::decodeImage(bytes.data(), bytes.size(), image, &reason))
      << vk::wideToUtf8(reason);
  return image;
}

bool decodeFails(const std::string& bytes, std::wstring* reason = nullptr) {
  vk::ImageArgb image;
  std::wstring why;
  const bool ok = vk::decodeImage(bytes.data(), bytes.size(), image, &why);
  if (reason) *reason = why;
  return !ok && image.pixels.empty() && image.width == 0 && !why.empty();
}

// A small opaque RGB PNG whose every pixel is distinct.
std::string smallRgbPng(int width, int height) {
  vktest::PngSpec spec;
  spec.width = width;
  spec.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      spec.rows.push_back(std::uint8_t(x * 40));
      spec.rows.push_back(std::uint8_t(y * 40));
      spec.rows.push_back(std::uint8_t(200 - x - y));
    }
  }
  return vktest::makePng(spec);
}

std::string smallJpeg(int width, int height, bool progressive) {
  vktest::JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.progressive = progressive;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      spec.samples.push_back(std::uint8_t(x * 255 / width));
      spec.samples.push_back(std::uint8_t(y * 255 / height));
      spec.samples.push_back(128);
    }
  }
  return vktest::makeJpeg(spec);
}

TEST(ImageDecodePng, ColourTypesAndDepthsBecomeArgb) {
  // RGBA keeps straight (non-premultiplied) alpha.
  vktest::PngSpec rgba;
  rgba.width = 2;
  rgba.colorType = PNG_COLOR_TYPE_RGBA;
  rgba.rows = {255, 0, 0, 128, 10, 20, 30, 0};
  vk::ImageArgb image = decodeOk(vktest::makePng(rgba));
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.pixels[0], 0x80FF0000u);
  EXPECT_EQ(image.pixels[1], 0x000A141Eu);

  // Grey and grey + alpha spread the grey to all three channels.
  vktest::PngSpec grey;
  grey.width = 2;
  grey.colorType = PNG_COLOR_TYPE_GRAY;
  grey.rows = {0, 200};
  image = decodeOk(vktest::makePng(grey));
  EXPECT_EQ(image.pixels[0], 0xFF000000u);
  EXPECT_EQ(image.pixels[1], 0xFFC8C8C8u);
  grey.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  grey.width = 1;
  grey.rows = {100, 50};
  image = decodeOk(vktest::makePng(grey));
  EXPECT_EQ(image.pixels[0], 0x32646464u);

  // One-bit grey expands 1 to full white.
  vktest::PngSpec bits;
  bits.width = 8;
  bits.colorType = PNG_COLOR_TYPE_GRAY;
  bits.bitDepth = 1;
  bits.rows = {0xA0};  // 1 0 1 0 0 0 0 0
  image = decodeOk(vktest::makePng(bits));
  EXPECT_EQ(image.pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(image.pixels[1], 0xFF000000u);
  EXPECT_EQ(image.pixels[2], 0xFFFFFFFFu);

  // 16-bit samples are scaled, not truncated: 0x10FF rounds up to 0x11.
  vktest::PngSpec deep;
  deep.colorType = PNG_COLOR_TYPE_RGB;
  deep.bitDepth = 16;
  deep.rows = {0xFF, 0xFF, 0x10, 0xFF, 0x00, 0x00};
  image = decodeOk(vktest::makePng(deep));
  EXPECT_EQ(image.pixels[0], 0xFFFF1100u);
}

TEST(ImageDecodePng, PaletteAndTransparencyChunks) {
  vktest::PngSpec palette;
  palette.width = 3;
  palette.colorType = PNG_COLOR_TYPE_PALETTE;
  palette.bitDepth = 2;
  palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  palette.paletteAlpha = {255, 64};  // entry 2 has no alpha: opaque
  palette.rows = {0b00011000};       // indices 0, 1, 2
  vk::ImageArgb image = decodeOk(vktest::makePng(palette));
  ASSERT_EQ(image.pixels.size(), 3u);
  EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
  EXPECT_EQ(image.pixels[1], 0x4000FF00u);
  EXPECT_EQ(image.pixels[2], 0xFF0000FFu);

  // A transparent colour key in an RGB image.
  vktest::PngSpec keyed;
  keyed.width = 2;
  keyed.rows = {1, 2, 3, 4, 5, 6};
  keyed.hasTransparentColor = true;
  keyed.transparentColor.red = 4;
  keyed.transparentColor.green = 5;
  keyed.transparentColor.blue = 6;
  image = decodeOk(vktest::makePng(keyed));
  EXPECT_EQ(image.pixels[0], 0xFF010203u);
  EXPECT_EQ(image.pixels[1] >> 24, 0u);
}

TEST(ImageDecodePng, InterlacedMatchesProgressiveOrder) {
  vktest::PngSpec spec;
  spec.width = 13;
  spec.height = 11;
  for (int i = 0; i < spec.width * spec.height; ++i) {
    spec.rows.push_back(std::uint8_t(i));
    spec.rows.push_back(std::uint8_t(i * 7));
    spec.rows.push_back(std::uint8_t(255 - i));
  }
  const vk::ImageArgb plain = decodeOk(vktest::makePng(spec));
  spec.interlaced = true;
  const vk::ImageArgb interlaced = decodeOk(vktest::makePng(spec));
  ASSERT_EQ(plain.pixels.size(), 143u);
  EXPECT_EQ(plain.pixels, interlaced.pixels);
  EXPECT_EQ(interlaced.pixels[142], 0xFF8EE271u);
}

TEST(ImageDecodeJpeg, BaselineProgressiveAndGrey) {
  const vk::ImageArgb baseline = decodeOk(smallJpeg(24, 16, false));
  const vk::ImageArgb progressive = decodeOk(smallJpeg(24, 16, true));
  ASSERT_EQ(baseline.width, 24);
  ASSERT_EQ(progressive.height, 16);
  for (std::size_t i = 0; i < baseline.pixels.size(); ++i) {
    const int x = int(i % 24), y = int(i / 24);
    const std::uint32_t expected =
        0xFF000080u | (std::uint32_t(x * 255 / 24) << 16) | (std::uint32_t(y * 255 / 16) << 8);
    EXPECT_LE(channelDistance(baseline.pixels[i], expected), 12u) << i;
    EXPECT_LE(channelDistance(progressive.pixels[i], expected), 12u) << i;
  }

  vktest::JpegSpec grey;
  grey.width = 8;
  grey.height = 8;
  grey.components = 1;
  grey.colorSpace = JCS_GRAYSCALE;
  grey.samples.assign(64, 90);
  const vk::ImageArgb image = decodeOk(vktest::makeJpeg(grey));
  ASSERT_EQ(image.pixels.size(), 64u);
  EXPECT_LE(channelDistance(image.pixels[27], 0xFF5A5A5Au), 1u);
}

TEST(ImageDecodeJpeg, CmykWithAndWithoutAdobeInversion) {
  vktest::JpegSpec cmyk;
  cmyk.width = 8;
  cmyk.height = 8;
  cmyk.components = 4;
  cmyk.colorSpace = JCS_CMYK;
  // Red as Photoshop stores it: inverted ink amounts under an Adobe marker.
  for (int i = 0; i < 64; ++i) cmyk.samples.insert(cmyk.samples.end(), {255, 0, 0, 255});
  vk::ImageArgb image = decodeOk(vktest::makeJpeg(cmyk));
  ASSERT_EQ(image.pixels.size(), 64u);
  EXPECT_LE(channelDistance(image.pixels[9], 0xFFFF0000u), 3u);

  // The same red as plain ink amounts without the marker; 50% black darkens.
  cmyk.adobeMarker = false;
  cmyk.samples.clear();
  for (int i = 0; i < 64; ++i) cmyk.samples.insert(cmyk.samples.end(), {0, 255, 255, 128});
  image = decodeOk(vktest::makeJpeg(cmyk));
  EXPECT_LE(channelDistance(image.pixels[9], 0xFF7F0000u), 3u);
}

// Four components are told from the header alone, however far an APP
// segment (a print profile) pushes the frame header into the file.
TEST(ImageDecodeJpeg, FourComponentFilesAreToldFromTheirHeader) {
  vktest::JpegSpec spec;
  spec.width = spec.height = 8;
  spec.components = 4;
  spec.colorSpace = JCS_CMYK;
  spec.samples.assign(64 * 4, 100);
  const std::string cmyk = vktest::makeJpeg(spec);
  spec.colorSpace = JCS_YCCK;
  const std::string ycck = vktest::makeJpeg(spec);
  vktest::JpegSpec grey = spec;
  grey.components = 1;
  grey.colorSpace = JCS_GRAYSCALE;
  grey.samples.resize(64);
  // A 200 KB run of APP2 segments after SOI, as an embedded ICC profile takes.
  std::string profiled = cmyk.substr(0, 2);
  for (int i = 0; i < 4; ++i) profiled += "\xFF\xE2\xFF\xF0" + std::string(0xFFEE, char(i));
  profiled += cmyk.substr(2);
  const vktest::TempFolder folder;
  const std::vector<std::pair<std::string, bool>> files = {
      {cmyk, true},
      {ycck, true},
      {profiled, true},
      {smallJpeg(8, 8, false), false},
      {vktest::makeJpeg(grey), false},
      {smallRgbPng(4, 4), false},
      {cmyk.substr(0, cmyk.find("\xFF\xC0")), false},  // cut before its frame header
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::wstring path = folder.file("f" + std::to_string(i));
    ASSERT_TRUE(vk::writeFileAtomically(path, files[i].first));
    EXPECT_EQ(vk::isFourComponentJpegFile(path), files[i].second) << i;
  }
  EXPECT_FALSE(vk::isFourComponentJpegFile(folder.file("absent.jpg")));
  EXPECT_EQ(decodeOk(profiled).width, 8);  // the studio itself reads them all
}

TEST(ImageDecodeOther, WebPBmpAndTga) {
  const std::vector<std::uint32_t> pixels = {0xFFFF0000u, 0x8000FF00u, 0x000000FFu,
                                             0xFF123456u, 0xFFFFFFFFu, 0x40808080u};
  vk::ImageArgb image = decodeOk(vktest::makeWebPLossless(pixels, 3, 2));
  ASSERT_EQ(image.width, 3);
  // Lossless WebP may change the colour of fully transparent pixels.
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t expected = (pixels[i] >> 24) ? pixels[i] : 0u;
    const std::uint32_t mask = (pixels[i] >> 24) ? 0xFFFFFFFFu : 0xFF000000u;
    EXPECT_EQ(image.pixels[i] & mask, expected) << i;
  }

  // Lossy WebP with an alpha plane.
  std::vector<std::uint32_t> flat(16 * 16, 0xFF3060C0u);
  for (int i = 0; i < 16 * 8; ++i) flat[std::size_t(i)] = 0x803060C0u;
  std::uint8_t* lossy = nullptr;
  const std::size_t lossySize = WebPEncodeBGRA(reinterpret_cast<const std::uint8_t*>(flat.data()),
                                               16, 16, 64, 90.0f, &lossy);
  image = decodeOk(std::string(reinterpret_cast<const char*>(lossy), lossySize));
  WebPFree(lossy);
  ASSERT_EQ(image.pixels.size(), 256u);
  EXPECT_LE(channelDistance(image.pixels[0], 0x803060C0u), 6u);
  EXPECT_LE(channelDistance(image.pixels[255], 0xFF3060C0u), 6u);

  image = decodeOk(vktest::makeBmp(pixels, 3, 2, 32));
  EXPECT_EQ(image.pixels, pixels);
  image = decodeOk(vktest::makeBmp(pixels, 3, 2, 24));
  ASSERT_EQ(image.pixels.size(), 6u);
  EXPECT_EQ(image.pixels[1], 0xFF00FF00u);  // rows are stored bottom-up
  EXPECT_EQ(image.pixels[5], 0xFF808080u);

  image = decodeOk(vktest::makeTga(pixels, 3, 2, false));
  EXPECT_EQ(image.pixels, pixels);
  const std::vector<std::uint32_t> runs(40, 0xFF204060u);
  image = decodeOk(vktest::makeTga(runs, 8, 5, true));
  EXPECT_EQ(image.pixels, runs);
}

TEST(ImageDecode, FormatIsToldByContentNotName) {
  vktest::TempFolder folder;
  // A PNG named .jpg and a JPEG named .png both decode.
  const std::wstring png = folder.file("really_png.jpg");
  const std::wstring jpeg = folder.file("really_jpeg.png");
  ASSERT_TRUE(vk::writeFileAtomically(png, smallRgbPng(4, 3)));
  ASSERT_TRUE(vk::writeFileAtomically(jpeg, smallJpeg(9, 7, false)));
  vk::ImageArgb image;
  EXPECT_TRUE(vk::decodeImageFile(png, image));
  EXPECT_EQ(image.width, 4);
  EXPECT_TRUE(vk::decodeImageFile(jpeg, image));
  EXPECT_EQ(image.width, 9);

  const std::string text = "This is not an image at all, just words.";
  EXPECT_EQ(vk::detectImageFormat(text.data(), text.size()), vk::ImageFormat::Unknown);
  EXPECT_TRUE(decodeFails(text));
  EXPECT_TRUE(decodeFails(std::string()));
  EXPECT_FALSE(vk::decodeImageFile(folder.file("missing.png"), image));
  std::wstring reason;
  EXPECT_FALSE(vk::decodeImageFile(vk::wideFromPath(folder.path), image, &reason));
  EXPECT_FALSE(reason.empty());
}

// A PNG is read up to the chunk holding its last row: a cut after that
// chunk (the end chunk lost) still gives the whole image; any earlier cut
// fails.
TEST(ImageDecodeRefusal, EveryTruncationOfTheImageDataFails) {
  const std::vector<std::uint32_t> pixels(12, 0xFF336699u);
  const std::string files[] = {smallRgbPng(5, 4),
                               smallJpeg(16, 8, false),
                               smallJpeg(16, 8, true),
                               vktest::makeWebPLossless(pixels, 4, 3),
                               vktest::makeBmp(pixels, 4, 3, 24),
                               vktest::makeTga(pixels, 4, 3, false),
                               vktest::makeTga(pixels, 4, 3, true)};
  for (const std::string& file : files) {
    ASSERT_FALSE(file.empty());
    const vk::ImageArgb whole = decodeOk(file);
    const bool png = vk::detectImageFormat(file.data(), file.size()) == vk::ImageFormat::Png;
    const std::size_t imageEnd = png ? file.rfind("IEND") - 4 : file.size();
    for (std::size_t length = 0; length < file.size(); ++length) {
      // A copy of exactly `length` bytes, so reading past it trips ASan.
      std::vector<char> cut(file.begin(), file.begin() + std::ptrdiff_t(length));
      vk::ImageArgb image;
      std::wstring reason;
      if (length >= imageEnd) {
        EXPECT_TRUE(vk::decodeImage(cut.data(), cut.size(), image, &reason)) << length;
        EXPECT_EQ(image.pixels, whole.pixels);
        continue;
      }
      EXPECT_FALSE(vk::decodeImage(cut.data(), cut.size(), image, &reason))
          << "format " << int(vk::detectImageFormat(file.data(), file.size())) << " length "
          << length << " of " << file.size();
      EXPECT_TRUE(image.pixels.empty());
    }
  }
}

TEST(ImageDecodeRefusal, CorruptDataFails) {
  // A flipped bit inside the PNG's image data breaks its checksum.
  std::string png = smallRgbPng(6, 6);
  const std::size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  png[idat + 6] = char(png[idat + 6] ^ 0x10);
  EXPECT_TRUE(decodeFails(png));

  // A JPEG whose quantisation table segment claims an impossible length.
  std::string jpeg = smallJpeg(8, 8, false);
  const std::size_t dqt = jpeg.find("\xFF\xDB");
  ASSERT_NE(dqt, std::string::npos);
  jpeg[dqt + 2] = '\0';
  jpeg[dqt + 3] = '\x01';
  EXPECT_TRUE(decodeFails(jpeg));

  // Random bytes after a PNG signature.
  std::string garbage("\x89PNG\r\n\x1a\n", 8);
  for (int i = 0; i < 200; ++i) garbage.push_back(char(i * 37 + 11));
  EXPECT_TRUE(decodeFails(garbage));
}

// An 8-bit BMP of 4 x 2 pixels whose palette has `entries` colours (red,
// green, ...), its pixels the given indices.
std::string palettedBmp(int entries, const std::vector<std::uint8_t>& indices) {
  std::string out = "BM";
  const std::uint32_t offset = 54 + 4 * std::uint32_t(entries);
  vktest::putLe32(out, offset + 8);
  vktest::putLe32(out, 0);
  vktest::putLe32(out, offset);
  for (std::uint32_t v : {40u, 4u, 2u}) vktest::putLe32(out, v);
  vktest::putLe16(out, 1);
  vktest::putLe16(out, 8);
  for (int i = 0; i < 6; ++i) vktest::putLe32(out, 0);
  for (int i = 0; i < entries; ++i) vktest::putLe32(out, 0xFF0000u >> (8 * (i % 3)));
  for (std::uint8_t index : indices) out.push_back(char(index));
  return out;
}

// stb_image leaves palette entries the file does not have unset: a pixel
// naming one, or a palette of no entry, is refused instead of showing
// whatever memory held.
TEST(ImageDecodeRefusal, BmpPixelsBeyondThePaletteAreRefused) {
  vk::ImageArgb image;
  std::wstring reason;
  const std::string good = palettedBmp(2, {0, 1, 1, 0, 1, 0, 0, 1});
  ASSERT_TRUE(vk::decodeImage(good.data(), good.size(), image, &reason)) << vk::wideToUtf8(reason);
  EXPECT_EQ(image.pixels[0], 0xFF00FF00u);  // bottom-up: the last row first
  EXPECT_EQ(image.pixels[1], 0xFFFF0000u);
  const std::string beyond = palettedBmp(2, {0, 1, 2, 0, 1, 0, 0, 1});
  EXPECT_FALSE(vk::decodeImage(beyond.data(), beyond.size(), image, &reason));
  EXPECT_EQ(reason, L"The BMP image uses colours its palette does not have.");
  const std::string none = palettedBmp(0, {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(vk::decodeImage(none.data(), none.size(), image, &reason));
}

// A BMP whose pixel data would start inside its own headers is damaged for
// every decode, whole or reduced, from memory or from a file: stb_image must
// never be handed the pixels without their header to guess a format from.
TEST(ImageDecodeRefusal, BmpPixelDataInsideItsHeadersIsRefusedByEveryDecode) {
  const std::wstring damaged = L"The BMP image is damaged (its pixel data would start inside its headers).";
  // Found by the fuzzer: offset 0, and a TGA header later in the pixels.
  std::vector<std::string> files = {
      vktest::readAll(vk::utf8ToWide(VK_TEST_DATA_DIR "/images/fuzz/bmp_offset_inside_headers.bmp"))};
  ASSERT_EQ(files[0].size(), 192u);
  std::vector<std::uint32_t> pixels(64 * 48);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
  const std::string good = vktest::makeBmp(pixels, 64, 48, 24);
  for (std::uint32_t offset : {1u, 2u, 20u, 53u}) {
    std::string bmp = good;
    for (int i = 0; i < 4; ++i) bmp[10 + std::size_t(i)] = char((offset >> (8 * i)) & 0xFF);
    files.push_back(bmp);
  }
  const vktest::TempFolder folder;
  const std::wstring path = folder.file("offset.bmp");
  const vk::ImageDecodeRequest reducing{2, 2, nullptr, 0};
  const vk::ImageProductSizes sizes = [](int, int) { return std::vector<vk::ImageSize>{{8, 8}}; };
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string& bytes = files[f];
    ASSERT_TRUE(vk::writeFileAtomically(path, bytes));
    vk::ImageArgb image;
    vk::ReducedImage reduced;
    vk::ResampledImages resampled;
    std::vector<std::wstring> reasons(8);
    EXPECT_FALSE(vk::decodeImage(bytes.data(), bytes.size(), image, &reasons[0]));
    EXPECT_FALSE(vk::decodeImageReduced(bytes.data(), bytes.size(), {}, reduced, &reasons[1]));
    EXPECT_FALSE(vk::decodeImageReduced(bytes.data(), bytes.size(), reducing, reduced, &reasons[2]));
    EXPECT_FALSE(vk::decodeImageResampled(bytes.data(), bytes.size(), reducing, sizes, resampled, &reasons[3]));
    EXPECT_FALSE(vk::decodeImageFile(path, image, &reasons[4]));
    EXPECT_FALSE(vk::decodeImageFileReduced(path, {}, reduced, &reasons[5]));
    EXPECT_FALSE(vk::decodeImageFileReduced(path, reducing, reduced, &reasons[6]));
    EXPECT_FALSE(vk::decodeImageFileResampled(path, reducing, sizes, resampled, &reasons[7]));
    for (std::size_t i = 0; i < reasons.size(); ++i)
      EXPECT_EQ(reasons[i], damaged) << "file " << f << ", decode " << i;
    EXPECT_TRUE(image.pixels.empty() && reduced.image.pixels.empty() && resampled.products.empty());
  }
  // The same image with its offset where its headers end decodes.
  EXPECT_EQ(decodeOk(good).pixels, pixels);
}

void setBe32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
}

TEST(ImageDecodeRefusal, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  // Under ASan a 50000 x 50000 allocation (10 GB) would abort the test.
  std::wstring reason;
  std::string png = smallRgbPng(2, 2);
  setBe32(png, 16, 50000);
  setBe32(png, 20, 50000);
  // Recompute the IHDR checksum so only the size is at fault.
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= std::uint8_t(png[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  setBe32(png, 29, ~crc);
  EXPECT_TRUE(decodeFails(png, &reason));
  EXPECT_NE(reason.find(L"50000 x 50000"), std::wstring::npos) << vk::wideToUtf8(reason);

  std::string jpeg = smallJpeg(8, 8, false);
  const std::size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = char(50000 >> 8), jpeg[sof + 6] = char(50000 & 0xFF);
  jpeg[sof + 7] = char(50000 >> 8), jpeg[sof + 8] = char(50000 & 0xFF);
  EXPECT_TRUE(decodeFails(jpeg, &reason));
  EXPECT_NE(reason.find(L"50000 x 50000"), std::wstring::npos) << vk::wideToUtf8(reason);

  // 16384 a side is allowed, but 16384 x 8193 is above 64 megapixels.
  jpeg[sof + 5] = char(8193 >> 8), jpeg[sof + 6] = char(8193 & 0xFF);
  jpeg[sof + 7] = char(16384 >> 8), jpeg[sof + 8] = char(16384 & 0xFF);
  EXPECT_TRUE(decodeFails(jpeg, &reason));
  EXPECT_NE(reason.find(L"16384 x 8193"), std::wstring::npos) << vk::wideToUtf8(reason);

  const std::vector<std::uint32_t> pixels(4, 0xFF000000u);
  std::string bmp = vktest::makeBmp(pixels, 2, 2, 24);
  bmp[18] = char(50000 & 0xFF), bmp[19] = char(50000 >> 8);
  bmp[22] = char(50000 & 0xFF), bmp[23] = char(50000 >> 8);
  EXPECT_TRUE(decodeFails(bmp));
  std::string tga = vktest::makeTga(pixels, 2, 2, false);
  tga[12] = char(50000 & 0xFF), tga[13] = char(50000 >> 8);
  tga[14] = char(50000 & 0xFF), tga[15] = char(50000 >> 8);
  EXPECT_TRUE(decodeFails(tga));
}

// A grey image of busy content, so every scan carries data.
vktest::JpegSpec greyNoise(int width, int height) {
  vktest::JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.components = 1;
  spec.colorSpace = JCS_GRAYSCALE;
  std::uint32_t state = 12345;
  for (int i = 0; i < width * height; ++i) {
    state = state * 1103515245u + 12345u;
    spec.samples.push_back(std::uint8_t(state >> 24));
  }
  return spec;
}

// A valid progression of 1 + 3 x coefficients scans: the DC scan, then for
// each AC coefficient a first pass and two refinements.
std::vector<jpeg_scan_info> refiningScans(int coefficients) {
  std::vector<jpeg_scan_info> scans;
  scans.push_back(jpeg_scan_info{1, {0}, 0, 0, 0, 0});
  for (int k = 1; k <= coefficients; ++k) {
    scans.push_back(jpeg_scan_info{1, {0}, k, k, 0, 2});
    scans.push_back(jpeg_scan_info{1, {0}, k, k, 2, 1});
    scans.push_back(jpeg_scan_info{1, {0}, k, k, 1, 0});
  }
  return scans;
}

TEST(ImageDecodeRefusal, JpegScansAndMultiScanSizeAreBounded) {
  vktest::JpegSpec spec = greyNoise(32, 32);
  spec.scans = refiningScans(10);  // 31 scans, within the limit of 32
  EXPECT_EQ(decodeOk(vktest::makeJpeg(spec)).width, 32);

  spec.scans = refiningScans(63);  // 190 scans
  std::wstring reason;
  EXPECT_TRUE(decodeFails(vktest::makeJpeg(spec), &reason));
  EXPECT_EQ(reason, L"The JPEG image has more than 32 scans.");
  spec.scans = refiningScans(11);  // 34 scans
  EXPECT_TRUE(decodeFails(vktest::makeJpeg(spec)));

  // A progressive file declaring 16384 x 4096 (64 megapixels, within the
  // size limit) would hold 128 MiB of coefficients besides 256 MiB of
  // pixels: refused from its header. Baseline files decode row by row and
  // keep only the size limit.
  std::string jpeg = smallJpeg(8, 8, true);
  std::size_t sof = jpeg.find("\xFF\xC2");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = char(4096 >> 8), jpeg[sof + 6] = char(4096 & 0xFF);
  jpeg[sof + 7] = char(16384 >> 8), jpeg[sof + 8] = char(16384 & 0xFF);
  EXPECT_TRUE(decodeFails(jpeg, &reason));
  EXPECT_NE(reason.find(L"16384 x 4096 pixels in several scans"), std::wstring::npos) << vk::wideToUtf8(reason);
  // 4096 x 4096 in several scans fits (16 MiB of coefficients): refused only
  // for its missing data.
  jpeg[sof + 7] = char(4096 >> 8), jpeg[sof + 8] = char(4096 & 0xFF);
  EXPECT_TRUE(decodeFails(jpeg, &reason));
  EXPECT_EQ(reason.find(L"several scans"), std::wstring::npos) << vk::wideToUtf8(reason);
}

// libjpeg reports a broken entropy segment as a warning and fills the rest
// of the image with grey; that is a damaged image, not a decoded one.
TEST(ImageDecodeRefusal, JpegCutShortAndClosedFails) {
  const std::string whole = vktest::makeJpeg(greyNoise(64, 48));
  decodeOk(whole);
  const std::size_t sos = whole.rfind("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  const std::size_t data = sos + 2 + ((std::uint8_t(whole[sos + 2]) << 8) | std::uint8_t(whole[sos + 3]));
  const std::size_t end = whole.size() - 2;  // the EOI marker
  const std::string cut = whole.substr(0, data + (end - data) / 3) + "\xFF\xD9";
  std::wstring reason;
  EXPECT_TRUE(decodeFails(cut, &reason));
  EXPECT_NE(reason.find(L"premature end of data segment"), std::wstring::npos) << vk::wideToUtf8(reason);

  // Stray bytes between segments leave the pixels whole and stay accepted.
  std::string padded = whole;
  padded.insert(sos, "\x00\x00\x00", 3);
  EXPECT_EQ(decodeOk(padded).pixels, decodeOk(whole).pixels);
}

TEST(ImageDecodeRefusal, OversizedFilesAreNotRead) {
  vktest::TempFolder folder;
  const std::wstring path = folder.file("sparse.png");
  {
    std::string png = smallRgbPng(2, 2);
    ASSERT_TRUE(vk::writeFileAtomically(path, png));
  }
  // A sparse file just above the cap costs no disk space.
  std::filesystem::resize_file(vk::pathFromWide(path), vk::kImageFileByteLimit + 1);
  vk::ImageArgb image;
  std::wstring reason;
  EXPECT_FALSE(vk::decodeImageFile(path, image, &reason));
  EXPECT_NE(reason.find(L"larger than"), std::wstring::npos);
}

}  // namespace
