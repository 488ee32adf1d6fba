// Buffered paint: target coordinates and clip, what reaches the target,
// buffers kept between paints (and cleared only when asked), refusals.
#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "platform/win32.h"

namespace {

using gditest::Canvas;
using gditest::kBlue;
using gditest::kRed;
using gditest::rows;

HPAINTBUFFER begin(HDC target, RECT r, HDC& paint, DWORD flags = 0) {
  BP_PAINTPARAMS params;
  params.dwFlags = flags;
  return BeginBufferedPaint(target, &r, BPBF_COMPATIBLEBITMAP, &params, &paint);
}

TEST(GdiBufferedPaint, DrawsInTargetCoordinatesAndCopiesOnlyItsRectangle) {
  Canvas target(8, 4);
  HDC paint = nullptr;
  HPAINTBUFFER buffer = begin(target.dc, RECT{2, 1, 6, 3}, paint);
  ASSERT_TRUE(buffer && paint);
  HBRUSH red = CreateSolidBrush(kRed);
  HGDIOBJ old = SelectObject(paint, red);
  PatBlt(paint, 0, 0, 8, 4, PATCOPY);  // the whole target's size: the clip keeps it in
  SetPixel(paint, 2, 1, kBlue);
  SelectObject(paint, old);
  DeleteObject(red);
  EXPECT_EQ(EndBufferedPaint(buffer, TRUE), S_OK);
  EXPECT_EQ(target.picture(), rows({"........", "..brrr..", "..rrrr..", "........"}));
  EXPECT_EQ(EndBufferedPaint(buffer, TRUE), E_FAIL);  // already ended
}

TEST(GdiBufferedPaint, KeptBuffersStartWithEarlierPixelsUnlessErased) {
  Canvas target(8, 4);
  HDC paint = nullptr;
  ASSERT_EQ(BufferedPaintInit(), S_OK);
  HPAINTBUFFER first = begin(target.dc, RECT{0, 0, 8, 4}, paint);
  SetPixel(paint, 3, 2, kBlue);
  EndBufferedPaint(first, FALSE);
  // A smaller paint elsewhere is served by the same buffer, from its
  // corner: the pixel set at (3, 2) before now shows at (4, 3).
  HPAINTBUFFER second = begin(target.dc, RECT{1, 1, 5, 4}, paint);
  ASSERT_TRUE(second);
  EXPECT_EQ(GetPixel(paint, 4, 3), kBlue);
  EXPECT_EQ(GetPixel(paint, 3, 2), RGB(0, 0, 0));
  EndBufferedPaint(second, FALSE);
  HPAINTBUFFER third = begin(target.dc, RECT{0, 0, 8, 4}, paint);
  EXPECT_EQ(GetPixel(paint, 3, 2), kBlue);
  // One lent out, the next paint gets a buffer of its own.
  HDC inner = nullptr;
  HPAINTBUFFER nested = begin(target.dc, RECT{0, 0, 8, 4}, inner);
  ASSERT_TRUE(nested && inner != paint);
  EXPECT_EQ(GetPixel(inner, 3, 2), RGB(0, 0, 0));
  EndBufferedPaint(nested, FALSE);
  EndBufferedPaint(third, FALSE);
  HPAINTBUFFER erased = begin(target.dc, RECT{0, 0, 8, 4}, paint, BPPF_ERASE);
  EXPECT_EQ(GetPixel(paint, 3, 2), RGB(0, 0, 0));
  EndBufferedPaint(erased, FALSE);
  // Without initialisation nothing is kept.
  ASSERT_EQ(BufferedPaintUnInit(), S_OK);
  EXPECT_EQ(BufferedPaintUnInit(), E_FAIL);
  for (int i = 0; i < 2; ++i) {
    HPAINTBUFFER fresh = begin(target.dc, RECT{0, 0, 8, 4}, paint);
    EXPECT_EQ(GetPixel(paint, 3, 2), RGB(0, 0, 0)) << i;
    SetPixel(paint, 3, 2, kBlue);
    EndBufferedPaint(fresh, FALSE);
  }
}

TEST(GdiBufferedPaint, RefusesWhatItCannotDoAndOutlivesItsTarget) {
  Canvas target(4, 4);
  HDC paint = target.dc;
  const RECT r{0, 0, 4, 4}, none{2, 2, 2, 4};
  EXPECT_FALSE(BeginBufferedPaint(nullptr, &r, BPBF_COMPATIBLEBITMAP, nullptr, &paint));
  EXPECT_EQ(paint, nullptr);
  EXPECT_FALSE(BeginBufferedPaint(target.dc, nullptr, BPBF_COMPATIBLEBITMAP, nullptr, &paint));
  EXPECT_FALSE(BeginBufferedPaint(target.dc, &none, BPBF_COMPATIBLEBITMAP, nullptr, &paint));
  EXPECT_FALSE(BeginBufferedPaint(target.dc, &r, BPBF_TOPDOWNDIB, nullptr, &paint));
  EXPECT_FALSE(begin(target.dc, r, paint, 0x0002));
  HDC gone = CreateCompatibleDC(nullptr);
  HPAINTBUFFER buffer = begin(gone, r, paint);
  ASSERT_TRUE(buffer);
  DeleteDC(gone);
  EXPECT_EQ(EndBufferedPaint(buffer, TRUE), S_OK);
}

}  // namespace
