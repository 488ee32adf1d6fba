#include <gtest/gtest.h>

#include "image_test_support.h"

namespace {

TEST(ImageBitmap, CompositesOverTheBackgroundInDibOrder) {
  const vk::ImageArgb image{3,
                            2,
                            {0x80FF0000u, 0x00FFFFFFu, 0xFF0000FFu,  //
                             0xFF123456u, 0x40808080u, 0xFFFFFFFFu}};
  HBITMAP bitmap = vk::createBitmapFromImage(image, RGB(17, 22, 30));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), int(sizeof info));
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  ASSERT_NE(info.bmBits, nullptr);
  const auto* words = static_cast<const std::uint32_t*>(info.bmBits);
  EXPECT_EQ(words[0], 0x00880B0Fu);  // red at alpha 128 over (17, 22, 30)
  EXPECT_EQ(words[1], 0x0011161Eu);  // transparent: the background
  EXPECT_EQ(words[2], 0x000000FFu);
  EXPECT_EQ(words[3], 0x00123456u);  // row 1 follows row 0: top-down

  // Through a DC the pixels read back as COLORREFs with red in the low byte.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0x12, 0x34, 0x56));
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(ImageBitmap, IgnoringAlphaKeepsTheColourChannels) {
  const vk::ImageArgb image{2, 1, {0x00FF8040u, 0x7F010203u}};
  HBITMAP bitmap = vk::createBitmapFromImage(image, std::nullopt);
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  const auto* words = static_cast<const std::uint32_t*>(info.bmBits);
  EXPECT_EQ(words[0], 0x00FF8040u);
  EXPECT_EQ(words[1], 0x00010203u);
  DeleteObject(bitmap);

  EXPECT_EQ(vk::createBitmapFromImage(vk::ImageArgb{}, RGB(0, 0, 0)), nullptr);
  const vk::ImageArgb malformed{4, 4, std::vector<std::uint32_t>(5)};
  EXPECT_EQ(vk::createBitmapFromImage(malformed, std::nullopt), nullptr);
  // Wider than any DIB section may be.
  const vk::ImageArgb wide{5000, 1, std::vector<std::uint32_t>(5000)};
  EXPECT_EQ(vk::createBitmapFromImage(wide, std::nullopt), nullptr);
}

TEST(ImageBitmap, BitmapsEncodeAsPngAndJpeg) {
  vktest::TempFolder folder;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 20, 10);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(RGB(200, 40, 10));
  RECT left{0, 0, 10, 10};
  FillRect(dc, &left, brush);
  SelectObject(dc, old);

  std::wstring reason;
  ASSERT_TRUE(vk::encodeBitmapFile(bitmap, folder.file("a.png"), vk::ImageFormat::Png, 0, &reason))
      << vk::wideToUtf8(reason);
  vk::ImageArgb image;
  ASSERT_TRUE(vk::decodeImageFile(folder.file("a.png"), image));
  ASSERT_EQ(image.width, 20);
  EXPECT_EQ(image.pixels[0], 0xFFC8280Au);
  ASSERT_TRUE(vk::encodeBitmapFile(bitmap, folder.file("a.jpg"), vk::ImageFormat::Jpeg, 92));
  ASSERT_TRUE(vk::decodeImageFile(folder.file("a.jpg"), image));
  EXPECT_LE(vktest::channelDistance(image.pixels[21], 0xFFC8280Au), 8u);

  // Wrong kinds of handle, a deleted bitmap and an unwritable format fail.
  EXPECT_FALSE(
      vk::encodeBitmapFile(bitmap, folder.file("a.bmp"), vk::ImageFormat::Bmp, 0, &reason));
  EXPECT_FALSE(vk::encodeBitmapFile(reinterpret_cast<HBITMAP>(brush), folder.file("b.png"),
                                    vk::ImageFormat::Png, 0, &reason));
  DeleteObject(brush);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EXPECT_FALSE(
      vk::encodeBitmapFile(bitmap, folder.file("c.png"), vk::ImageFormat::Png, 0, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(vk::fileExists(folder.file("c.png")));
}

}  // namespace
