#include <gtest/gtest.h>

#include <random>

#include "image_test_support.h"
#include "platform/image_internal.h"

namespace {

std::vector<std::uint32_t> noise(int width, int height, std::uint32_t seed, bool translucent) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  for (std::uint32_t& p : pixels) {
    p = random();
    if (!translucent) p |= 0xFF000000u;
    else if ((p >> 24) < 40) p &= 0x00FFFFFFu;  // some fully transparent texels
  }
  return pixels;
}

std::vector<std::uint32_t> checkerboard(int width, int height) {
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[std::size_t(y) * width + x] = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  return pixels;
}

std::string encodePng(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbPng(argb, width, height);
}

std::string encodeJpeg(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbJpeg(argb, width, height, 90);
}

std::string encodeLossyWebP(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbLossyWebP(argb, width, height);
}

// The texture previews' products: the 76-pixel thumbnail's fitted image and
// the 64 x 64 grid.
const vk::ImageProductSizes kPreviewSizes = [](int width, int height) {
  const double scale = std::min(76.0 / width, 76.0 / height);
  return std::vector<vk::ImageSize>{
      {std::max(int(std::lround(scale * width)), 1), std::max(int(std::lround(scale * height)), 1)},
      {64, 64}};
};

// Each product against resizeImage of the whole decode of the same file.
void expectProductsOfTheWholeImage(const std::string& file, const vk::ImageProductSizes& sizes) {
  vk::ImageArgb whole;
  ASSERT_TRUE(vk::decodeImage(file.data(), file.size(), whole));
  vk::ResampledImages resampled;
  std::wstring reason;
  ASSERT_TRUE(vk::decodeImageResampled(file.data(), file.size(), {608, 608, nullptr}, sizes,
                                       resampled, &reason))
      << vk::wideToUtf8(reason);
  EXPECT_EQ(resampled.sourceWidth, whole.width);
  EXPECT_FALSE(resampled.reduced);
  const std::vector<vk::ImageSize> expected = sizes(whole.width, whole.height);
  ASSERT_EQ(resampled.products.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    vk::ImageArgb reference;
    ASSERT_TRUE(vk::resizeImage(whole, expected[i].width, expected[i].height, reference));
    EXPECT_EQ(resampled.products[i].width, reference.width);
    EXPECT_EQ(resampled.products[i].height, reference.height);
    EXPECT_TRUE(resampled.products[i].pixels == reference.pixels)
        << "product " << i << " (" << expected[i].width << " x " << expected[i].height << ")";
  }
}

// Pixel-level noise and a 1-pixel checkerboard are where any reduction
// before the filter shows most; streamed, the grid and the thumbnail are
// those of the whole image in every format.
TEST(ImageResampleStream, NoiseAndCheckerboardsPreviewAsTheWholeImage) {
  const struct {
    int width, height;
  } sizes[] = {{700, 700}, {1300, 900}, {2500, 2500}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    const std::vector<std::uint32_t> translucentNoise = noise(width, height, 7u + width, true);
    const std::vector<std::uint32_t> opaqueNoise = noise(width, height, 11u + width, false);
    const std::vector<std::uint32_t> board = checkerboard(width, height);
    expectProductsOfTheWholeImage(encodePng(translucentNoise, width, height), kPreviewSizes);
    expectProductsOfTheWholeImage(encodePng(board, width, height), kPreviewSizes);
    expectProductsOfTheWholeImage(encodeJpeg(opaqueNoise, width, height), kPreviewSizes);
    expectProductsOfTheWholeImage(vktest::makeWebPLossless(board, width, height), kPreviewSizes);
    if (width * height > 4'000'000) continue;  // the slowest encodes, at the smaller sizes only
    expectProductsOfTheWholeImage(encodeJpeg(board, width, height), kPreviewSizes);
    expectProductsOfTheWholeImage(encodeLossyWebP(translucentNoise, width, height), kPreviewSizes);
  }
}

// Every mix of enlarging and reducing on each axis, sizes of one pixel,
// equal sizes and extreme ratios, over translucent noise: the streamed
// filter is the whole-image filter, bit for bit. Through BMP (stb_image
// rows) and an interlaced PNG (rows given after the last pass) as well.
TEST(ImageResampleStream, EverySizeMatchesTheWholeImageFilter) {
  const struct {
    int width, height;
  } sources[] = {{1, 1}, {1, 9}, {3, 2}, {17, 300}, {301, 7}, {640, 480}, {1000, 999}};
  const vk::ImageSize targets[] = {{1, 1}, {2, 3}, {64, 64}, {76, 57}, {5, 90}, {333, 2}, {640, 480}};
  std::uint32_t seed = 1;
  for (const auto& [width, height] : sources) {
    const std::vector<std::uint32_t> pixels = noise(width, height, seed++, true);
    const vk::ImageProductSizes all = [&](int, int) {
      return std::vector<vk::ImageSize>(std::begin(targets), std::end(targets));
    };
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    expectProductsOfTheWholeImage(vktest::makeBmp(pixels, width, height, 32), all);
    if (width * height > 1000) continue;
    vktest::PngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    spec.interlaced = true;
    for (std::uint32_t p : pixels)
      for (int shift : {16, 8, 0, 24}) spec.rows.push_back(std::uint8_t(p >> shift));
    expectProductsOfTheWholeImage(vktest::makePng(spec), all);
  }
}

// A library's reduction covers its source in part of its last column and
// row; the streamed filter reads that part as resizeReducedImage does.
TEST(ImageResampleStream, APartlyCoveredReductionMatchesItsResize) {
  const int width = 203, height = 117;
  const std::vector<std::uint32_t> pixels = noise(width, height, 99, true);
  vk::ReducedImage reduced;
  reduced.image.width = width;
  reduced.image.height = height;
  reduced.image.pixels = pixels;
  reduced.coverWidth = 202.375;
  reduced.coverHeight = 116.5;
  for (const vk::ImageSize size : {vk::ImageSize{64, 64}, {76, 44}, {300, 200}}) {
    vk::ImageArgb reference, streamed;
    ASSERT_TRUE(vk::resizeReducedImage(reduced, size.width, size.height, reference));
    vk::platform::RowResampler resampler;
    std::wstring reason;
    ASSERT_TRUE(resampler.start(width, height, reduced.coverWidth, reduced.coverHeight, size.width,
                                size.height, reason));
    for (int y = 0; y < height; ++y)
      resampler.addRow(reinterpret_cast<const std::uint8_t*>(&pixels[std::size_t(y) * width]));
    ASSERT_TRUE(resampler.finish(streamed));
    EXPECT_TRUE(streamed.pixels == reference.pixels) << size.width << " x " << size.height;
  }
  // A resampler given too few rows has no result.
  vk::platform::RowResampler resampler;
  std::wstring reason;
  ASSERT_TRUE(resampler.start(4, 4, 4, 4, 2, 2, reason));
  resampler.addRow(reinterpret_cast<const std::uint8_t*>(pixels.data()));
  vk::ImageArgb out;
  EXPECT_FALSE(resampler.finish(out));
}

// Above 8 megapixels the library's scaled decode is kept: the products are
// those of that reduction (a JPEG's covering its source in part of its last
// column and row), and the caller is told so.
TEST(ImageResampleStream, HugeJpegAndWebPAreResampledFromTheirLibrariesReductions) {
  vktest::JpegSpec spec;
  spec.width = 4201;
  spec.height = 4099;
  spec.components = 1;
  spec.colorSpace = JCS_GRAYSCALE;
  spec.quality = 60;
  spec.samples.resize(std::size_t(spec.width) * spec.height);
  for (int y = 0; y < spec.height; ++y)
    for (int x = 0; x < spec.width; ++x)
      spec.samples[std::size_t(y) * spec.width + x] = std::uint8_t((x / 7 + y / 5) * 13 + x * y / 4096);
  const std::string jpeg = vktest::makeJpeg(spec);
  for (const std::string* file : {&jpeg, &vktest::solidWebP(5000, 0xFF2A5AC8u)}) {
    vk::ReducedImage reduced;
    ASSERT_TRUE(vk::decodeImageReduced(file->data(), file->size(), {608, 608, nullptr}, reduced));
    vk::ResampledImages resampled;
    ASSERT_TRUE(vk::decodeImageResampled(file->data(), file->size(), {608, 608, nullptr},
                                         kPreviewSizes, resampled));
    EXPECT_TRUE(resampled.reduced);
    EXPECT_EQ(resampled.sourceWidth, reduced.sourceWidth);
    ASSERT_EQ(resampled.products.size(), 2u);
    const std::vector<vk::ImageSize> sizes = kPreviewSizes(reduced.sourceWidth, reduced.sourceHeight);
    for (std::size_t i = 0; i < 2; ++i) {
      vk::ImageArgb reference;
      ASSERT_TRUE(vk::resizeReducedImage(reduced, sizes[i].width, sizes[i].height, reference));
      EXPECT_TRUE(resampled.products[i].pixels == reference.pixels) << i;
    }
  }
}

}  // namespace
