#include <gtest/gtest.h>

#include <cmath>

#include "image_test_support.h"

namespace {

// What the texture previews ask for: eight times the 76-pixel thumbnail.
constexpr int kSide = 608;

// An ordinary texture: smooth colour waves, hard-edged tiles and a
// translucent band.
std::vector<std::uint32_t> ordinaryPixels(int width, int height) {
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = double(x) / width, v = double(y) / height;
      double r = 128 + 100 * std::sin(u * 6 + v * 3), g = 128 + 90 * std::cos(u * 4 - v * 5);
      double b = 128 + 80 * std::sin(u * 9 * v);
      if ((x / 97 + y / 131) % 2) r = r * 0.5 + 100, b = 255 - b;
      const std::uint32_t a = (y / 200) % 3 == 1 ? 160 : 255;
      pixels[std::size_t(y) * width + x] =
          (a << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
    }
  }
  return pixels;
}

std::string encodePng(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbPng(argb, width, height);
}

std::string encodeJpeg(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbJpeg(argb, width, height, 92);
}

std::string encodeLossyWebP(const std::vector<std::uint32_t>& argb, int width, int height) {
  return vktest::encodeArgbLossyWebP(argb, width, height);
}

int largestChannelDifference(const vk::ImageArgb& a, const vk::ImageArgb& b) {
  EXPECT_EQ(a.pixels.size(), b.pixels.size());
  std::uint32_t largest = 0;
  for (std::size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i)
    largest = std::max(largest, vktest::channelDistance(a.pixels[i], b.pixels[i]));
  return int(largest);
}

// Below 16 megapixels nothing is reduced while decoding: the grid and the
// thumbnail resampled from the rows as they come are those of the whole
// image, smooth, hard-edged and translucent parts alike.
TEST(ImageDecodeReduced, GridAndThumbnailStayWithinOneLevelOfTheWholeImage) {
  const int width = 1500, height = 1300;
  const std::vector<std::uint32_t> pixels = ordinaryPixels(width, height);
  const struct {
    const char* name;
    std::string file;
  } files[] = {{"png", encodePng(pixels, width, height)},
               {"jpeg", encodeJpeg(pixels, width, height)},
               {"webp lossless", vktest::makeWebPLossless(pixels, width, height)},
               {"webp lossy", encodeLossyWebP(pixels, width, height)}};
  const vk::ImageProductSizes sizes = [](int, int) {
    return std::vector<vk::ImageSize>{{64, 64}, {76, 66}};
  };
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    vk::ImageArgb whole;
    ASSERT_TRUE(vk::decodeImage(file.data(), file.size(), whole));
    vk::ReducedImage reduced;
    ASSERT_TRUE(vk::decodeImageReduced(file.data(), file.size(), {kSide, kSide, nullptr}, reduced));
    EXPECT_EQ(reduced.sourceWidth, width);
    EXPECT_EQ(reduced.sourceHeight, height);
    EXPECT_EQ(reduced.image.width, width);  // whole: only libraries reduce, above 16 MP
    EXPECT_EQ(reduced.image.height, height);
    vk::ResampledImages resampled;
    ASSERT_TRUE(vk::decodeImageResampled(file.data(), file.size(), {kSide, kSide, nullptr}, sizes,
                                         resampled));
    ASSERT_EQ(resampled.products.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      const vk::ImageArgb& product = resampled.products[i];
      vk::ImageArgb fromWhole;
      ASSERT_TRUE(vk::resizeImage(whole, product.width, product.height, fromWhole));
      EXPECT_EQ(largestChannelDifference(fromWhole, product), 0) << product.width;
    }
  }
  // Odd sides: the edge rows and columns weigh in as the whole image's do.
  const std::vector<std::uint32_t> odd = ordinaryPixels(1301, 1217);
  const std::string png = encodePng(odd, 1301, 1217);
  vk::ImageArgb whole, fromWhole;
  vk::ResampledImages resampled;
  ASSERT_TRUE(vk::decodeImage(png.data(), png.size(), whole));
  ASSERT_TRUE(vk::decodeImageResampled(png.data(), png.size(), {kSide, kSide, nullptr}, sizes,
                                       resampled));
  ASSERT_TRUE(vk::resizeImage(whole, 64, 64, fromWhole));
  EXPECT_EQ(largestChannelDifference(fromWhole, resampled.products[0]), 0);
}

TEST(ImageDecodeReduced, ImagesTooSmallToReduceComeOutWhole) {
  const std::vector<std::uint32_t> pixels = ordinaryPixels(1200, 700);
  for (const std::string& file : {encodePng(pixels, 1200, 700), encodeJpeg(pixels, 1200, 700),
                                  vktest::makeWebPLossless(pixels, 1200, 700)}) {
    vk::ImageArgb whole;
    vk::ReducedImage reduced;
    ASSERT_TRUE(vk::decodeImage(file.data(), file.size(), whole));
    ASSERT_TRUE(vk::decodeImageReduced(file.data(), file.size(), {kSide, kSide, nullptr}, reduced));
    EXPECT_EQ(reduced.image.pixels, whole.pixels);
    EXPECT_EQ(reduced.coverWidth, 1200);
  }
}

// A few kilobytes declaring 25 million pixels: decoded straight to the
// reduced size by the scaling decoder. Declaring 64 million, it is refused
// from its header: the lossless decoder keeps four bytes a pixel, whatever
// the output's size.
TEST(ImageDecodeReduced, AHugeCanvasWebPIsDecodedScaledOrRefused) {
  const std::string& file = vktest::solidWebP(5000, 0xFF2A5AC8u);
  ASSERT_LT(file.size(), 8000u);
  vk::ImagePixelBudget budget{40'000'000, false};
  vk::ReducedImage reduced;
  std::wstring reason;
  ASSERT_TRUE(vk::decodeImageReduced(file.data(), file.size(), {kSide, kSide, &budget}, reduced,
                                     &reason))
      << vk::wideToUtf8(reason);
  EXPECT_EQ(reduced.sourceWidth, 5000);
  EXPECT_EQ(reduced.image.width, 625);  // 5000 / 8
  EXPECT_EQ(reduced.image.height, 625);
  EXPECT_EQ(reduced.image.pixels.front(), 0xFF2A5AC8u);
  EXPECT_EQ(reduced.image.pixels.back(), 0xFF2A5AC8u);
  EXPECT_EQ(budget.remaining, 15'000'000u);
  // The budget is charged from the header: a second one no longer fits.
  EXPECT_FALSE(vk::decodeImageReduced(file.data(), file.size(), {kSide, kSide, &budget}, reduced,
                                      &reason));
  EXPECT_TRUE(budget.exceeded);
  EXPECT_EQ(budget.remaining, 15'000'000u);
  EXPECT_TRUE(reduced.image.pixels.empty());

  const std::string& huge = vktest::solidWebP(8000, 0xFF2A5AC8u);
  budget = vk::ImagePixelBudget{100'000'000, false};
  EXPECT_FALSE(vk::decodeImageReduced(huge.data(), huge.size(), {kSide, kSide, &budget}, reduced,
                                      &reason));
  EXPECT_EQ(reason, L"The WebP image is 8000 x 8000 pixels, more than its decoding may hold in 128 MiB.");
  EXPECT_EQ(budget.remaining, 100'000'000u);
}

// One row, then 8 GiB of deflated zeros in the same IDAT chunk: reading
// stops after the row, within the first piece of that chunk.
TEST(ImageDecodeReduced, APngStopsAfterItsLastRow) {
  const std::string bomb = vktest::pngInflateBomb(8192);
  ASSERT_GT(bomb.size(), 8'000'000u);
  for (const vk::ImageDecodeRequest& request :
       {vk::ImageDecodeRequest{}, vk::ImageDecodeRequest{kSide, kSide, nullptr}}) {
    vk::ReducedImage image;
    std::wstring reason;
    ASSERT_TRUE(vk::decodeImageReduced(bomb.data(), bomb.size(), request, image, &reason))
        << vk::wideToUtf8(reason);
    ASSERT_EQ(image.image.pixels.size(), 1u);
    EXPECT_EQ(image.image.pixels[0], 0xFF0A141Eu);
    EXPECT_LE(image.bytesRead, 70'000u);
  }
  // The chunk that held the last row is still checked whole: a damaged CRC
  // at its end fails the image.
  std::string damaged = bomb;
  damaged[damaged.size() - 13] = char(damaged[damaged.size() - 13] ^ 1);
  vk::ImageArgb image;
  EXPECT_FALSE(vk::decodeImage(damaged.data(), damaged.size(), image));
}

}  // namespace
