#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gdi_test_support.h"
#include "platform/gdi_internal.h"
#include "platform/win32.h"

namespace {

using gditest::Canvas;
using gditest::kBlue;
using gditest::kRed;
using gditest::rows;

BITMAPINFO dibInfo(int width, int height, int bits = 32) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = WORD(bits);
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

TEST(GdiBitmaps, DibSectionIsTopDownBgrxWithStrideFourWidth) {
  BITMAPINFO info = dibInfo(3, -2);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(bits, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bitmap);
  SetPixel(dc, 0, 0, RGB(1, 2, 3));
  SetPixel(dc, 2, 1, RGB(10, 20, 30));
  const auto* bytes = static_cast<const unsigned char*>(bits);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 1);
  // Row 1 starts at byte 4 * width: the first row in memory is the top one.
  EXPECT_EQ(bytes[12 + 8 + 0], 30);
  EXPECT_EQ(bytes[12 + 8 + 2], 10);
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(10, 20, 30));

  BITMAP described{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof(described), &described), int(sizeof(BITMAP)));
  EXPECT_EQ(described.bmWidth, 3);
  EXPECT_EQ(described.bmHeight, 2);
  EXPECT_EQ(described.bmWidthBytes, 12);
  EXPECT_EQ(described.bmBitsPixel, 32);
  EXPECT_EQ(described.bmBits, bits);
  EXPECT_EQ(GetObjectW(bitmap, 4, &described), 0);  // buffer too small
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiBitmaps, UnsupportedDibSectionsAreRefusedWithoutBits) {
  struct Case {
    BITMAPINFO info;
    const char* why;
  };
  std::vector<Case> cases = {{dibInfo(4, 4), "bottom-up"},
                             {dibInfo(4, -4, 24), "24 bpp"},
                             {dibInfo(4097, -1), "too wide"},
                             {dibInfo(1, -4097), "too tall"},
                             {dibInfo(0, -4), "empty"}};
  cases.push_back({dibInfo(4, -4), "short header"});
  cases.back().info.bmiHeader.biSize = 12;
  cases.push_back({dibInfo(4, -4), "compressed"});
  cases.back().info.bmiHeader.biCompression = 3;
  for (const Case& c : cases) {
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &c.info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr)
        << c.why;
    EXPECT_EQ(bits, nullptr) << c.why;
  }
  BITMAPINFO largest = dibInfo(4096, -4096);
  void* bits = nullptr;
  HBITMAP big = CreateDIBSection(nullptr, &largest, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(big, nullptr);
  EXPECT_TRUE(DeleteObject(big));
}

TEST(GdiBitmaps, CompatibleBitmapIsAtLeastOnePixel) {
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 0, -5);
  ASSERT_NE(bitmap, nullptr);
  BITMAP described{};
  GetObjectW(bitmap, sizeof(described), &described);
  EXPECT_EQ(described.bmWidth, 1);
  EXPECT_EQ(described.bmHeight, 1);
  EXPECT_EQ(described.bmBitsPixel, 32);
  DeleteObject(bitmap);
}

TEST(GdiDc, DefaultsPersistAndSelectObjectReturnsThePrevious) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetPolyFillMode(dc), ALTERNATE);
  EXPECT_EQ(GetArcDirection(dc), AD_COUNTERCLOCKWISE);
  BITMAP stock{};
  GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(stock), &stock);
  EXPECT_EQ(stock.bmWidth, 1);
  EXPECT_EQ(stock.bmHeight, 1);

  HPEN pen = CreatePen(PS_SOLID, 2, kRed);
  HBRUSH brush = CreateSolidBrush(kBlue);
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(NULL_PEN));

  EXPECT_EQ(SetTextColor(dc, kRed), RGB(0, 0, 0));
  EXPECT_EQ(SetBkColor(dc, kBlue), RGB(255, 255, 255));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);  // invalid modes change nothing
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), COLORONCOLOR);
  POINT previous{};
  MoveToEx(dc, 5, 6, nullptr);
  MoveToEx(dc, 1, 2, &previous);
  EXPECT_EQ(previous.x, 5);
  EXPECT_EQ(previous.y, 6);
  // Everything is still there on the next query.
  EXPECT_EQ(GetTextColor(dc), kRed);
  EXPECT_EQ(GetBkColor(dc), kBlue);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  POINT current{};
  GetCurrentPositionEx(dc, &current);
  EXPECT_EQ(current.x, 1);
  EXPECT_EQ(current.y, 2);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST(GdiDc, SaveAndRestoreBringBackStateObjectsAndClip) {
  Canvas canvas(4, 4);
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  HPEN blue = CreatePen(PS_SOLID, 1, kBlue);
  SelectObject(canvas.dc, red);
  SetTextColor(canvas.dc, kRed);
  int level = SaveDC(canvas.dc);
  EXPECT_EQ(level, 1);
  SelectObject(canvas.dc, blue);
  SetTextColor(canvas.dc, kBlue);
  IntersectClipRect(canvas.dc, 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(canvas.dc), 2);
  EXPECT_TRUE(RestoreDC(canvas.dc, -1));
  EXPECT_EQ(GetTextColor(canvas.dc), kBlue);
  EXPECT_TRUE(RestoreDC(canvas.dc, level));
  EXPECT_EQ(GetTextColor(canvas.dc), kRed);
  EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), red);
  RECT clip{};
  EXPECT_EQ(GetClipBox(canvas.dc, &clip), SIMPLEREGION);
  EXPECT_EQ(clip.right, 4);
  EXPECT_FALSE(RestoreDC(canvas.dc, 1));  // that level is gone
  // `blue` left the DC with the restore, so it may go now.
  EXPECT_TRUE(DeleteObject(blue));

  // A pen deleted while only a saved state refers to it comes back as the
  // stock pen.
  SaveDC(canvas.dc);
  SelectObject(canvas.dc, GetStockObject(WHITE_PEN));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(RestoreDC(canvas.dc, -1));
  EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
}

TEST(GdiHandles, StaleAndDeletedHandlesFailQuietly) {
  Canvas canvas(2, 2);
  HBRUSH brush = CreateSolidBrush(kRed);
  ASSERT_TRUE(DeleteObject(brush));
  RECT all{0, 0, 2, 2};
  EXPECT_EQ(FillRect(canvas.dc, &all, brush), 0);
  EXPECT_EQ(SelectObject(canvas.dc, brush), nullptr);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(GetObjectW(brush, 0, nullptr), 0);
  EXPECT_EQ(canvas.picture(), rows({"..", ".."}));
  // A new object in the freed slot does not revive the old handle.
  HBRUSH reused = CreateSolidBrush(kBlue);
  EXPECT_EQ(FillRect(canvas.dc, &all, brush), 0);
  EXPECT_EQ(canvas.picture(), rows({"..", ".."}));
  DeleteObject(reused);

  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
  EXPECT_EQ(GetTextColor(dc), CLR_INVALID);
  EXPECT_FALSE(LineTo(dc, 1, 1));
  EXPECT_FALSE(Rectangle(dc, 0, 0, 2, 2));
  EXPECT_FALSE(BitBlt(canvas.dc, 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
  // Handles of one table are not accepted by the other.
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(GetStockObject(BLACK_PEN)), brush), nullptr);
  EXPECT_EQ(GetObjectType(canvas.dc), DWORD(OBJ_MEMDC));
}

TEST(GdiHandles, SelectedObjectsAndStockObjectsSurviveDeletion) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
  SelectObject(dc, pen);
  SelectObject(dc, bitmap);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  EXPECT_NE(SetPixel(dc, 3, 3, kRed), CLR_INVALID);  // the bitmap still works

  // A bitmap lives in one DC at a time.
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);
  EXPECT_EQ(SelectObject(dc, bitmap), bitmap);  // reselecting in place is fine

  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_TRUE(DeleteObject(GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), DWORD(OBJ_PEN));
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), DWORD(OBJ_FONT));

  // Deleting the DC releases its selections.
  DeleteDC(dc);
  EXPECT_NE(SelectObject(other, bitmap), nullptr);
  SelectObject(other, GetStockObject(BLACK_PEN));
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiFillRect, RightAndBottomEdgesAreExclusiveAndClipped) {
  Canvas canvas(6, 4);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT box{1, 1, 4, 3};
  FillRect(canvas.dc, &box, red);
  RECT empty{5, 0, 5, 4}, inverted{4, 3, 2, 1}, huge{-200000, 3, 200000, 200000};
  FillRect(canvas.dc, &empty, red);
  FillRect(canvas.dc, &inverted, red);
  FillRect(canvas.dc, &huge, red);
  EXPECT_EQ(canvas.picture(), rows({"......",
                                    ".rrr..",
                                    ".rrr..",
                                    "rrrrrr"}));
  // A hollow brush draws nothing; the clip rectangle limits the fill.
  RECT all{0, 0, 6, 4};
  EXPECT_NE(FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH))), 0);
  IntersectClipRect(canvas.dc, 4, 0, 10, 2);
  FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectClipRgn(canvas.dc, nullptr);
  FrameRect(canvas.dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // The 3 x 2 box is all frame, so the white frame wipes it out.
  EXPECT_EQ(canvas.picture(), rows({"....##",
                                    "....##",
                                    "......",
                                    "rrrrrr"}));
  DeleteObject(red);
}

TEST(GdiFillRect, RandomAdjacentRectanglesTileWithoutOverlap) {
  // Cut a 32 x 32 area at random columns and rows; every cell gets its own
  // colour, so a pixel painted twice or never shows as a count mismatch.
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    Canvas canvas(32, 32);
    std::vector<int> xs{0, 32}, ys{0, 32};
    for (int i = 0; i < 4; ++i) {
      xs.push_back(int(random() % 33));
      ys.push_back(int(random() % 33));
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    std::vector<int> painted(32 * 32, 0);
    for (std::size_t j = 0; j + 1 < ys.size(); ++j)
      for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        for (int k = 0; k < 32 * 32; ++k) canvas.bits[k] = 0;
        RECT cell{xs[i], ys[j], xs[i + 1], ys[j + 1]};
        HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(canvas.dc, &cell, brush);
        DeleteObject(brush);
        for (int k = 0; k < 32 * 32; ++k) painted[std::size_t(k)] += canvas.bits[k] != 0;
      }
    for (int k = 0; k < 32 * 32; ++k) ASSERT_EQ(painted[std::size_t(k)], 1) << "pixel " << k;
  }
}

TEST(GdiSurfaceDc, OriginOffsetsAndViewClipLimitDrawing) {
  std::vector<std::uint32_t> pixels(8 * 4, 0xFFFFFF);
  vk::platform::Surface surface{pixels.data(), 8, 4, 8};
  HDC dc = vk::platform::createSurfaceDC(surface, POINT{2, 1}, RECT{2, 1, 6, 3});
  RECT all{-10, -10, 10, 10}, corner{0, 0, 1, 1};
  HBRUSH red = CreateSolidBrush(kRed), blue = CreateSolidBrush(kBlue);
  FillRect(dc, &all, red);
  FillRect(dc, &corner, blue);
  std::string picture;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      picture += pixels[std::size_t(y * 8 + x)] == 0xFFFFFF ? '.'
                 : pixels[std::size_t(y * 8 + x)] == 0xFF0000 ? 'r' : 'b';
  EXPECT_EQ(picture, "........"
                     "..brrr.."
                     "..rrrr.."
                     "........");
  RECT box{};
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 2);
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);
  // Surface DCs have no bitmap slot.
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
  EXPECT_TRUE(DeleteDC(dc));
  DeleteObject(bitmap);
  DeleteObject(red);
  DeleteObject(blue);
}

}  // namespace
