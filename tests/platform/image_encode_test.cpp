#include <gtest/gtest.h>
#include <unistd.h>

#include "image_test_support.h"

namespace {

using vktest::channelDistance;
using vktest::readAll;
using vktest::TempFolder;

// A BGRX frame with junk in the X byte, as a DIB section may hold, inside
// rows that are wider than the image.
struct Frame {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint32_t> pixels;
};

Frame makeFrame(int width, int height, int stride) {
  Frame frame{width, height, stride,
              std::vector<std::uint32_t>(std::size_t(stride) * height, 0xDEADBEEFu)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = std::uint32_t(x * 255 / width), g = std::uint32_t(y * 255 / height);
      const std::uint32_t b = std::uint32_t((x + y) * 2);
      frame.pixels[std::size_t(y) * stride + x] =
          (std::uint32_t(x * 7) << 24) | (r << 16) | (g << 8) | b;
    }
  }
  return frame;
}

std::uint32_t opaque(const Frame& frame, int x, int y) {
  return frame.pixels[std::size_t(y) * frame.stride + x] | 0xFF000000u;
}

TEST(ImageEncode, PngRoundTripIsExactAndOpaque) {
  TempFolder folder;
  const Frame frame = makeFrame(37, 21, 40);
  const std::wstring path = folder.file("still.png");
  std::wstring reason;
  ASSERT_TRUE(vk::encodePngFile(path, frame.pixels.data(), frame.width, frame.height, frame.stride,
                                &reason))
      << vk::wideToUtf8(reason);
  vk::ImageArgb image;
  ASSERT_TRUE(vk::decodeImageFile(path, image, &reason));
  ASSERT_EQ(image.width, 37);
  ASSERT_EQ(image.height, 21);
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      ASSERT_EQ(image.pixels[std::size_t(y) * 37 + x], opaque(frame, x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"still.png"});
}

TEST(ImageEncode, JpegRoundTripWithinTolerance) {
  TempFolder folder;
  const Frame frame = makeFrame(64, 48, 64);
  const std::wstring path = folder.file("still.jpg");
  ASSERT_TRUE(vk::encodeJpegFile(path, frame.pixels.data(), 64, 48, 64, 92));
  vk::ImageArgb image;
  ASSERT_TRUE(vk::decodeImageFile(path, image));
  ASSERT_EQ(image.pixels.size(), 64u * 48u);
  long long total = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::uint32_t distance =
          channelDistance(image.pixels[std::size_t(y) * 64 + x], opaque(frame, x, y));
      EXPECT_LE(distance, 24u) << x << "," << y;
      total += distance;
    }
  }
  EXPECT_LT(double(total) / (64 * 48), 4.0);

  // Lower quality gives a smaller file.
  const std::size_t q92 = readAll(path).size();
  ASSERT_TRUE(vk::encodeJpegFile(path, frame.pixels.data(), 64, 48, 64, 30));
  EXPECT_LT(readAll(path).size(), q92);
}

TEST(ImageEncode, FailedEncodesNeverDestroyAnExistingFile) {
  TempFolder folder;
  const Frame frame = makeFrame(8, 8, 8);
  const std::wstring path = folder.file("keep.png");
  ASSERT_TRUE(vk::writeFileAtomically(path, "previous render"));
  std::wstring reason;
  // Malformed bitmaps and a bad quality are refused before the disk is touched.
  EXPECT_FALSE(vk::encodePngFile(path, nullptr, 8, 8, 8, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(vk::encodePngFile(path, frame.pixels.data(), 8, 8, 4, &reason));
  EXPECT_FALSE(vk::encodeJpegFile(path, frame.pixels.data(), 0, 8, 8, 92, &reason));
  EXPECT_FALSE(vk::encodeJpegFile(path, frame.pixels.data(), 8, 8, 8, 101, &reason));
  EXPECT_EQ(readAll(path), "previous render");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"keep.png"});

  // Targets that cannot be written: a folder, and a path below a file.
  std::filesystem::create_directory(folder.path / "render.jpg");
  reason.clear();
  EXPECT_FALSE(
      vk::encodeJpegFile(folder.file("render.jpg"), frame.pixels.data(), 8, 8, 8, 92, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder.path / "render.jpg"));
  EXPECT_FALSE(
      vk::encodePngFile(folder.file("keep.png/x.png"), frame.pixels.data(), 8, 8, 8, &reason));
  EXPECT_EQ(readAll(path), "previous render");
}

TEST(ImageEncode, AFullDiskKeepsThePreviousStill) {
  TempFolder folder;
  const Frame frame = makeFrame(8, 8, 8);
  const std::wstring path = folder.file("still.png");
  ASSERT_TRUE(vk::encodePngFile(path, frame.pixels.data(), 8, 8, 8));
  const std::string before = readAll(path);
  // Each new image is measured first; the disk then holds only half of it.
  const Frame other = makeFrame(64, 64, 64);
  const std::wstring probe = folder.file("probe.img");
  ASSERT_TRUE(vk::encodePngFile(probe, other.pixels.data(), 64, 64, 64));
  const rlim_t pngHalf = readAll(probe).size() / 2;
  ASSERT_TRUE(vk::encodeJpegFile(probe, other.pixels.data(), 64, 64, 64, 92));
  const rlim_t jpegHalf = readAll(probe).size() / 2;
  std::filesystem::remove(folder.path / "probe.img");

  EXPECT_EQ(vktest::writeUnderFileSizeLimit(
                pngHalf, [&] { return vk::encodePngFile(path, other.pixels.data(), 64, 64, 64); }),
            "failed");
  EXPECT_EQ(vktest::writeUnderFileSizeLimit(
                jpegHalf, [&] { return vk::encodeJpegFile(path, other.pixels.data(), 64, 64, 64, 92); }),
            "failed");
  EXPECT_EQ(readAll(path), before);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"still.png"});
}

}  // namespace
