#include <gtest/gtest.h>

#include <vector>

#include "gdi_test_support.h"
#include "platform/gdi_internal.h"
#include "platform/win32.h"

namespace {

using gditest::Canvas;
using gditest::kBlue;
using gditest::kGreen;
using gditest::kRed;
using gditest::rows;

// A 4 x 4 source whose pixels tell where they came from: row y holds
// colours r, g, b, # in order, and row 0 is all red.
void paintSource(Canvas& source) {
  const COLORREF palette[4] = {kRed, kGreen, kBlue, RGB(0, 0, 0)};
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < source.width; ++x) SetPixel(source.dc, x, y, y == 0 ? kRed : palette[x % 4]);
}

TEST(GdiBlit, BitBltCopiesAndClipsOnBothSides) {
  Canvas source(4, 4), dest(6, 5);
  paintSource(source);
  // Destination partly off the left edge; the source rectangle runs past
  // the source's bottom-right, whose missing pixels leave the target alone.
  EXPECT_TRUE(BitBlt(dest.dc, -1, 2, 4, 4, source.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(dest.picture(), rows({"......",
                                  "......",
                                  "b#....",
                                  "b#....",
                                  "b#...."}));
  // The destination's clip rectangle limits the copy too.
  IntersectClipRect(dest.dc, 4, 0, 5, 5);
  BitBlt(dest.dc, 3, 0, 3, 1, source.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dest.picture(), rows({"....r.",
                                  "......",
                                  "b#....",
                                  "b#....",
                                  "b#...."}));
  EXPECT_FALSE(BitBlt(dest.dc, 0, 0, 1, 1, source.dc, 0, 0, 0x00EE0086));  // SRCPAINT
}

TEST(GdiBlit, OverlappingCopyOnOneSurfaceScrollsCorrectly) {
  Canvas canvas(4, 4);
  paintSource(canvas);
  BitBlt(canvas.dc, 0, 1, 4, 3, canvas.dc, 0, 0, SRCCOPY);  // scroll down one row
  EXPECT_EQ(canvas.picture(), rows({"rrrr", "rrrr", "rgb#", "rgb#"}));
  BitBlt(canvas.dc, 1, 0, 3, 4, canvas.dc, 0, 0, SRCCOPY);  // and right one column
  EXPECT_EQ(canvas.picture(), rows({"rrrr", "rrrr", "rrgb", "rrgb"}));
}

TEST(GdiBlit, StretchBltPicksTheNearestPixel) {
  Canvas source(4, 4), grown(8, 2), shrunk(2, 2), mirrored(4, 1);
  paintSource(source);
  // Growing doubles each pixel.
  StretchBlt(grown.dc, 0, 0, 8, 2, source.dc, 0, 2, 4, 1, SRCCOPY);
  EXPECT_EQ(grown.picture(), rows({"rrggbb##", "rrggbb##"}));
  // Shrinking samples under each destination pixel's centre: columns 1, 3.
  StretchBlt(shrunk.dc, 0, 0, 2, 2, source.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(shrunk.picture(), rows({"g#", "g#"}));
  // A negative width mirrors, anchored on the last column.
  SetStretchBltMode(mirrored.dc, HALFTONE);
  StretchBlt(mirrored.dc, 3, 0, -4, 1, source.dc, 0, 1, 4, 1, SRCCOPY);
  EXPECT_EQ(mirrored.picture(), rows({"#bgr"}));
}

TEST(GdiBlit, SurfaceDcsBlitBothWays) {
  std::vector<std::uint32_t> pixels(6 * 3, 0xFFFFFF);
  vk::platform::Surface surface{pixels.data(), 6, 3, 6};
  HDC view = vk::platform::createSurfaceDC(surface, POINT{2, 1}, RECT{2, 1, 5, 3});
  Canvas source(4, 4), back(4, 2);
  paintSource(source);
  BitBlt(view, -1, 0, 4, 4, source.dc, 0, 1, SRCCOPY);
  std::string picture;
  for (std::uint32_t p : pixels) picture += p == 0xFFFFFF ? '.' : p == 0xFF0000 ? 'r' : '?';
  // Logical (-1, 0) sits left of the view's clip: only columns 2..4 change.
  EXPECT_EQ(picture.substr(0, 6), "......");
  EXPECT_EQ(pixels[6 + 2], 0x00FF00u);   // green (source x = 1)
  EXPECT_EQ(pixels[6 + 1], 0xFFFFFFu);   // clipped
  EXPECT_EQ(pixels[6 + 5], 0xFFFFFFu);   // clipped
  BitBlt(back.dc, 0, 0, 4, 2, view, 0, 0, SRCCOPY);
  EXPECT_EQ(back.picture(), rows({"gb#.", "gb#."}));
  DeleteDC(view);
}

TEST(GdiBlit, PatBltFillsWithTheSelectedBrush) {
  Canvas canvas(4, 2);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(canvas.dc, red);
  PatBlt(canvas.dc, 1, 0, 2, 2, PATCOPY);
  PatBlt(canvas.dc, 4, 2, -1, -1, BLACKNESS);
  EXPECT_EQ(canvas.picture(), rows({".rr.", ".rr#"}));
  SelectObject(canvas.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

}  // namespace
