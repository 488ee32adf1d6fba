#include <gtest/gtest.h>

#include "image_test_support.h"

namespace {

vk::ImageArgb solid(int width, int height, std::uint32_t argb) {
  return vk::ImageArgb{width, height,
                       std::vector<std::uint32_t>(std::size_t(width) * height, argb)};
}

TEST(ImageResize, SolidColoursStayExact) {
  const std::uint32_t colours[] = {0xFF3A404Eu, 0xFFFFFFFFu, 0xFF000000u, 0x80FF0000u, 0x01020304u};
  const int sizes[][2] = {{88, 88}, {64, 64}, {5, 3}, {1, 1}, {300, 7}};
  for (std::uint32_t colour : colours) {
    const vk::ImageArgb source = solid(37, 23, colour);
    for (const auto& size : sizes) {
      vk::ImageArgb out;
      ASSERT_TRUE(vk::resizeImage(source, size[0], size[1], out));
      ASSERT_EQ(out.width, size[0]);
      ASSERT_EQ(out.pixels.size(), std::size_t(size[0]) * size[1]);
      for (std::uint32_t p : out.pixels) ASSERT_EQ(p, colour) << std::hex << colour;
    }
  }
}

TEST(ImageResize, TransparentPixelsDoNotBleedTheirColour) {
  // Left half opaque red, right half fully transparent green.
  vk::ImageArgb source = solid(16, 16, 0x0000FF00u);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 8; ++x) source.pixels[std::size_t(y) * 16 + x] = 0xFFFF0000u;
  }
  vk::ImageArgb out;
  ASSERT_TRUE(vk::resizeImage(source, 5, 5, out));
  for (std::uint32_t p : out.pixels) {
    if ((p >> 24) == 0) continue;
    EXPECT_LE((p >> 8) & 0xFF, 1u) << std::hex << p;     // no green
    EXPECT_GE((p >> 16) & 0xFF, 254u) << std::hex << p;  // still full red
  }
  EXPECT_EQ(out.pixels[0] >> 24, 255u);
  EXPECT_EQ(out.pixels[4] >> 24, 0u);
  EXPECT_GT(out.pixels[2] >> 24, 0u);
  EXPECT_LT(out.pixels[2] >> 24, 255u);
}

// Edge clamping repeats the border pixels, so the corners drift a little.
TEST(ImageResize, ReducingAveragesFineDetail) {
  vk::ImageArgb checker = solid(64, 64, 0);
  for (int i = 0; i < 64 * 64; ++i) {
    checker.pixels[std::size_t(i)] = ((i % 64 + i / 64) % 2) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  vk::ImageArgb out;
  ASSERT_TRUE(vk::resizeImage(checker, 8, 8, out));
  for (std::uint32_t p : out.pixels)
    EXPECT_LE(vktest::channelDistance(p, 0xFF808080u), 5u) << std::hex << p;
}

TEST(ImageResize, RefusesEmptyAndOversizedTargets) {
  vk::ImageArgb out = solid(2, 2, 0xFF000000u);
  std::wstring reason;
  EXPECT_FALSE(vk::resizeImage(vk::ImageArgb{}, 8, 8, out, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(vk::resizeImage(solid(4, 4, 0), 0, 8, out, &reason));
  EXPECT_FALSE(vk::resizeImage(solid(4, 4, 0), 8, vk::kImageSideLimit + 1, out, &reason));
  vk::ImageArgb malformed{4, 4, std::vector<std::uint32_t>(3)};
  EXPECT_FALSE(vk::resizeImage(malformed, 8, 8, out, &reason));
  EXPECT_EQ(out.width, 2);  // untouched on failure
}

TEST(ImageCompose, SourceOverBlendsAndClips) {
  vk::ImageArgb canvas = solid(4, 3, 0xFF11161Eu);
  vk::ImageArgb image = solid(3, 3, 0x80FF0000u);
  image.pixels[0] = 0xFF00FF00u;  // opaque: copied
  image.pixels[1] = 0x00FFFFFFu;  // transparent: no change
  vk::drawImageOver(canvas, image, -1, 1);
  // Row 0 untouched; row 1 starts at image column 1.
  EXPECT_EQ(canvas.pixels[0], 0xFF11161Eu);
  EXPECT_EQ(canvas.pixels[4], 0xFF11161Eu);
  // Half-transparent red over (17, 22, 30): 255 * 128 / 255 + 17 * 127 / 255, rounded.
  EXPECT_EQ(canvas.pixels[5], 0xFF880B0Fu);
  EXPECT_EQ(canvas.pixels[6], 0xFF11161Eu);
  EXPECT_EQ(canvas.pixels[8], 0xFF880B0Fu);

  // Over a transparent canvas the source comes out unchanged.
  vk::ImageArgb clear = solid(2, 2, 0);
  vk::drawImageOver(clear, solid(2, 2, 0x40123456u), 0, 0);
  EXPECT_EQ(clear.pixels[3], 0x40123456u);
  // Entirely outside: nothing happens (and nothing is read out of bounds).
  vk::drawImageOver(clear, image, 5, -7);
  vk::drawImageOver(clear, image, -3, 0);
  EXPECT_EQ(clear.pixels[0], 0x40123456u);
}

}  // namespace
