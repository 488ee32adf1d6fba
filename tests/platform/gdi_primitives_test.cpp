#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Selects a new pen and brush for the canvas's lifetime of one test.
struct Tools {
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  Tools(HDC dc, HPEN pen, HBRUSH brush) : dc(dc), pen(pen), brush(brush) {
    if (pen) SelectObject(dc, pen);
    if (brush) SelectObject(dc, brush);
  }
  ~Tools() {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
  }
};

TEST(GdiLines, LastPixelIsLeftOutAndTheCurrentPositionMoves) {
  Canvas canvas(8, 8);
  MoveToEx(canvas.dc, 0, 0, nullptr);
  LineTo(canvas.dc, 5, 2);
  LineTo(canvas.dc, 5, 7);
  POINT now{};
  GetCurrentPositionEx(canvas.dc, &now);
  EXPECT_EQ(now.x, 5);
  EXPECT_EQ(now.y, 7);
  // Reversed direction from the far side, and a zero-length line.
  MoveToEx(canvas.dc, 7, 7, nullptr);
  LineTo(canvas.dc, 7, 4);
  LineTo(canvas.dc, 7, 4);
  EXPECT_EQ(canvas.picture(), rows({"##......",
                                    "..##....",
                                    "....##..",
                                    ".....#..",
                                    ".....#..",
                                    ".....#.#",
                                    ".....#.#",
                                    ".......#"}));
}

TEST(GdiLines, DottedPenAlternatesAndOpaqueModeFillsTheGaps) {
  Canvas canvas(8, 5);
  Tools tools(canvas.dc, CreatePen(PS_DOT, 1, kRed), nullptr);
  SetBkColor(canvas.dc, kBlue);
  MoveToEx(canvas.dc, 0, 0, nullptr);
  LineTo(canvas.dc, 7, 0);
  SetBkMode(canvas.dc, TRANSPARENT);
  MoveToEx(canvas.dc, 0, 2, nullptr);
  LineTo(canvas.dc, 7, 2);
  // A polyline keeps the pattern going around its corner.
  POINT corner[3] = {{0, 4}, {3, 4}, {3, 1}};
  Polyline(canvas.dc, corner, 3);
  EXPECT_EQ(canvas.picture(), rows({"rbrbrbr.",
                                    "........",
                                    "r.r.r.r.",
                                    "...r....",
                                    "r.r....."}));
}

TEST(GdiLines, WidePensAreCentredWithRoundEnds) {
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, CreatePen(PS_SOLID, 3, kRed), nullptr);
  MoveToEx(canvas.dc, 2, 4, nullptr);
  LineTo(canvas.dc, 5, 4);
  // Three rows centred on y = 4; the round caps reach one pixel past both
  // ends, the end point included.
  EXPECT_EQ(canvas.picture(), rows({"........",
                                    "........",
                                    "........",
                                    ".rrrrrr.",
                                    ".rrrrrr.",
                                    ".rrrrrr.",
                                    "........",
                                    "........"}));
  // An even width takes the row above the path; the caps stay symmetric.
  Canvas even(8, 6);
  Tools evenTools(even.dc, CreatePen(PS_SOLID, 2, kRed), nullptr);
  MoveToEx(even.dc, 2, 3, nullptr);
  LineTo(even.dc, 5, 3);
  EXPECT_EQ(even.picture(), rows({"........",
                                  "........",
                                  ".rrrrr..",
                                  ".rrrrr..",
                                  "........",
                                  "........"}));
}

TEST(GdiLines, WidePenRectangleStraddlesTheOutline) {
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, CreatePen(PS_SOLID, 2, kRed), nullptr);
  SelectObject(canvas.dc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(canvas.dc, 1, 1, 7, 7);
  EXPECT_EQ(canvas.picture(), rows({"rrrrrrrr",
                                    "rrrrrrrr",
                                    "rr....rr",
                                    "rr....rr",
                                    "rr....rr",
                                    "rr....rr",
                                    "rrrrrrrr",
                                    "rrrrrrrr"}));
}

TEST(GdiShapes, RectangleOutlineAndInteriorExcludeRightAndBottom) {
  Canvas canvas(8, 6);
  Tools tools(canvas.dc, nullptr, CreateSolidBrush(kRed));
  Rectangle(canvas.dc, 0, 0, 5, 4);
  // Without a pen the interior keeps only its top-left edges.
  SelectObject(canvas.dc, GetStockObject(NULL_PEN));
  Rectangle(canvas.dc, 5, 2, 8, 6);
  EXPECT_EQ(canvas.picture(), rows({"#####...",
                                    "#rrr#...",
                                    "#rrr#rr.",
                                    "#####rr.",
                                    ".....rr.",
                                    "........"}));
}

TEST(GdiShapes, EllipseBoxIsRightBottomExclusive) {
  // The origin marker: a 7 x 7 disc minus its corners around p = (3, 3).
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, nullptr, CreateSolidBrush(kRed));
  POINT p{3, 3};
  Ellipse(canvas.dc, p.x - 3, p.y - 3, p.x + 4, p.y + 4);
  EXPECT_EQ(canvas.picture(), rows({"..###...",
                                    ".#rrr#..",
                                    "#rrrrr#.",
                                    "#rrrrr#.",
                                    "#rrrrr#.",
                                    ".#rrr#..",
                                    "..###...",
                                    "........"}));
}

TEST(GdiShapes, RoundRectCutsItsCorners) {
  Canvas canvas(10, 8);
  Tools tools(canvas.dc, nullptr, CreateSolidBrush(kRed));
  RoundRect(canvas.dc, 0, 0, 10, 8, 6, 6);
  // A 6 x 6 corner circle keeps 4 of its 6 pixels on the first row.
  EXPECT_EQ(canvas.picture(), rows({".########.",
                                    "#rrrrrrrr#",
                                    "#rrrrrrrr#",
                                    "#rrrrrrrr#",
                                    "#rrrrrrrr#",
                                    "#rrrrrrrr#",
                                    "#rrrrrrrr#",
                                    ".########."}));
  // Corners larger than the box are clamped to it: an ellipse.
  Canvas clamped(7, 7), ellipse(7, 7);
  RoundRect(clamped.dc, 0, 0, 7, 7, 50, 50);
  Ellipse(ellipse.dc, 0, 0, 7, 7);
  EXPECT_EQ(clamped.picture(), ellipse.picture());
}

TEST(GdiShapes, ArcRunsCounterClockwiseByDefault) {
  // From the radial through the left point to the one through the right
  // point: the lower half counter-clockwise, the upper half clockwise.
  Canvas lower(8, 8), upper(8, 8);
  Arc(lower.dc, 0, 0, 8, 8, 0, 4, 8, 4);
  EXPECT_EQ(lower.picture(), rows({"........",
                                   "........",
                                   "........",
                                   "........",
                                   "#......#",
                                   "#......#",
                                   ".#....#.",
                                   "..####.."}));
  SetArcDirection(upper.dc, AD_CLOCKWISE);
  Arc(upper.dc, 0, 0, 8, 8, 0, 4, 8, 4);
  EXPECT_EQ(upper.picture(), rows({"..####..",
                                   ".#....#.",
                                   "#......#",
                                   "#......#",
                                   "........",
                                   "........",
                                   "........",
                                   "........"}));
  // A quarter: from the top radial to the left radial, counter-clockwise.
  Canvas quarter(8, 8);
  Arc(quarter.dc, 0, 0, 8, 8, 4, 0, 0, 4);
  EXPECT_EQ(quarter.picture(), rows({"..##....",
                                     ".#......",
                                     "#.......",
                                     "#.......",
                                     "........",
                                     "........",
                                     "........",
                                     "........"}));
}

TEST(GdiPolygons, AlternateFillLeavesTheSelfIntersectionsOddParts) {
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, nullptr, CreateSolidBrush(kRed));
  SelectObject(canvas.dc, GetStockObject(NULL_PEN));
  POINT bowtie[4] = {{0, 0}, {8, 8}, {8, 0}, {0, 8}};
  Polygon(canvas.dc, bowtie, 4);
  EXPECT_EQ(canvas.picture(), rows({"........",
                                    "r......r",
                                    "rr....rr",
                                    "rrr..rrr",
                                    "rrrrrrrr",
                                    "rrr..rrr",
                                    "rr....rr",
                                    "r......r"}));
}

TEST(GdiPolygons, WindingFillsWhatAlternateLeavesOpen) {
  // A square traced twice: even-odd cancels it out, winding fills it.
  POINT twice[8] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}, {5, 1}, {5, 5}, {1, 5}};
  Canvas alternate(6, 6), winding(6, 6);
  Tools a(alternate.dc, nullptr, CreateSolidBrush(kRed));
  Tools w(winding.dc, nullptr, CreateSolidBrush(kRed));
  SelectObject(alternate.dc, GetStockObject(NULL_PEN));
  SelectObject(winding.dc, GetStockObject(NULL_PEN));
  Polygon(alternate.dc, twice, 8);
  SetPolyFillMode(winding.dc, WINDING);
  Polygon(winding.dc, twice, 8);
  EXPECT_EQ(alternate.picture(), rows({"......", "......", "......", "......", "......", "......"}));
  EXPECT_EQ(winding.picture(), rows({"......",
                                     ".rrrr.",
                                     ".rrrr.",
                                     ".rrrr.",
                                     ".rrrr.",
                                     "......"}));
}

TEST(GdiPolygons, OutlineClosesThePathAroundTheFill) {
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, nullptr, CreateSolidBrush(kRed));
  POINT square[4] = {{1, 1}, {6, 1}, {6, 6}, {1, 6}};
  Polygon(canvas.dc, square, 4);
  EXPECT_EQ(canvas.picture(), rows({"........",
                                    ".######.",
                                    ".#rrrr#.",
                                    ".#rrrr#.",
                                    ".#rrrr#.",
                                    ".#rrrr#.",
                                    ".######.",
                                    "........"}));
}

TEST(GdiPolygons, HugeCoordinatesAreClippedWithoutOverflow) {
  Canvas canvas(8, 8);
  Tools tools(canvas.dc, CreatePen(PS_SOLID, 1, kBlue), CreateSolidBrush(kRed));
  // A triangle around the whole surface: all fill, outline far away.
  POINT around[3] = {{-200000, -200000}, {200000, -10}, {-10, 200000}};
  Polygon(canvas.dc, around, 3);
  EXPECT_EQ(canvas.picture(), rows({"rrrrrrrr", "rrrrrrrr", "rrrrrrrr", "rrrrrrrr",
                                    "rrrrrrrr", "rrrrrrrr", "rrrrrrrr", "rrrrrrrr"}));
  // A long diagonal line still lands on the exact diagonal.
  MoveToEx(canvas.dc, -200000, -200000, nullptr);
  LineTo(canvas.dc, 200000, 200000);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(GetPixel(canvas.dc, i, i), kBlue) << i;
  EXPECT_EQ(GetPixel(canvas.dc, 1, 0), kRed);
  // Extreme values, far beyond any surface, draw nothing and do not hang.
  POINT extreme[3] = {{-2147483647, 5}, {2147483647, 6}, {0, 2147483647}};
  SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
  Polygon(canvas.dc, extreme, 3);
  Ellipse(canvas.dc, -2000000000, -2000000000, 2000000000, 2000000000);
  Rectangle(canvas.dc, -2000000000, 20, 2000000000, 2000000000);
  EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(0, 0, 0));  // inside the huge ellipse
}

TEST(GdiPolygons, RandomFansCoverEveryPixelOnce) {
  // Triangles sharing edges around a common point tile its star-shaped
  // outline: with the top-left rule no pixel is filled twice, and together
  // they fill exactly what the whole outline fills in one polygon.
  std::mt19937 random(11);
  constexpr int kSize = 24;
  int checked = 0;
  for (int round = 0; round < 60; ++round) {
    Canvas canvas(kSize, kSize);
    Tools tools(canvas.dc, nullptr, CreateSolidBrush(RGB(0, 0, 0)));
    SelectObject(canvas.dc, GetStockObject(NULL_PEN));
    POINT centre{LONG(random() % kSize), LONG(random() % kSize)};
    // Spokes no more than half a turn apart, at varied radii (the rim
    // reaches off the surface too).
    int spokes = 4 + int(random() % 7);
    std::vector<POINT> rim;
    for (int i = 0; i < spokes; ++i) {
      double angle = (i + (random() % 800) / 1000.0) / spokes * 6.283185307;
      double radius = 4 + random() % 30;
      rim.push_back(POINT{LONG(std::lround(centre.x + radius * std::cos(angle))),
                          LONG(std::lround(centre.y + radius * std::sin(angle)))});
    }
    // Rounding may fold a thin triangle over its neighbour; such fans do
    // not tile, so they are skipped.
    bool tiles = true;
    for (int i = 0; i < spokes; ++i) {
      const POINT& a = rim[std::size_t(i)];
      const POINT& b = rim[std::size_t((i + 1) % spokes)];
      long long cross = (long long)(a.x - centre.x) * (b.y - centre.y) -
                        (long long)(a.y - centre.y) * (b.x - centre.x);
      if (cross <= 0) tiles = false;
    }
    if (!tiles) continue;
    ++checked;
    std::vector<int> count(kSize * kSize, 0);
    for (int i = 0; i < spokes; ++i) {
      std::fill(canvas.bits, canvas.bits + kSize * kSize, 0xFFFFFFu);
      POINT triangle[3] = {centre, rim[std::size_t(i)], rim[std::size_t((i + 1) % spokes)]};
      Polygon(canvas.dc, triangle, 3);
      for (int k = 0; k < kSize * kSize; ++k) count[std::size_t(k)] += canvas.bits[k] == 0;
    }
    std::fill(canvas.bits, canvas.bits + kSize * kSize, 0xFFFFFFu);
    Polygon(canvas.dc, rim.data(), spokes);
    for (int k = 0; k < kSize * kSize; ++k)
      ASSERT_EQ(count[std::size_t(k)], canvas.bits[k] == 0 ? 1 : 0)
          << "round " << round << " pixel " << k;
  }
  EXPECT_GE(checked, 40);
}

TEST(GdiCurves, StraightBezierMatchesTheLine) {
  Canvas curve(8, 3), line(8, 3);
  POINT points[4] = {{0, 1}, {2, 1}, {5, 1}, {7, 1}};
  PolyBezier(curve.dc, points, 4);
  MoveToEx(line.dc, 0, 1, nullptr);
  LineTo(line.dc, 7, 1);
  EXPECT_EQ(curve.picture(), line.picture());
  EXPECT_FALSE(PolyBezier(curve.dc, points, 3));  // not 1 + 3k points
}

// Drawing keeps what it resolved from a DC between calls; every change of
// pen, background, clip or saved state, and drawing on another DC in
// between, must show in the very next line.
TEST(GdiState, EachDrawSeesTheStateSetJustBefore) {
  Canvas a(6, 2), b(6, 2);
  HPEN red = CreatePen(PS_SOLID, 1, kRed), blue = CreatePen(PS_SOLID, 1, kBlue);
  HPEN dotted = CreatePen(PS_DOT, 1, kRed);
  auto dash = [](HDC dc, int y) {
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, 6, y);
  };
  SelectObject(a.dc, red);
  dash(a.dc, 0);
  SelectObject(b.dc, blue);
  dash(b.dc, 0);
  SaveDC(a.dc);
  SelectObject(a.dc, blue);
  IntersectClipRect(a.dc, 0, 0, 3, 2);
  dash(a.dc, 1);
  EXPECT_EQ(a.picture(), rows({"rrrrrr", "bbb..."}));
  RestoreDC(a.dc, -1);
  dash(a.dc, 1);
  EXPECT_EQ(a.picture(), rows({"rrrrrr", "rrrrrr"}));
  EXPECT_EQ(b.picture(), rows({"bbbbbb", "......"}));

  SelectObject(a.dc, dotted);
  SetBkColor(a.dc, RGB(0, 255, 0));
  IntersectClipRect(a.dc, 0, 0, 1, 2);
  SelectClipRgn(a.dc, nullptr);
  dash(a.dc, 0);
  SetBkMode(a.dc, TRANSPARENT);
  dash(a.dc, 1);
  EXPECT_EQ(a.picture(), rows({"rgrgrg", "rrrrrr"}));

  SelectObject(a.dc, GetStockObject(BLACK_PEN));
  SelectObject(b.dc, GetStockObject(BLACK_PEN));
  for (HPEN pen : {red, blue, dotted}) DeleteObject(pen);
}

TEST(GdiClip, PrimitivesHonourTheClipAndTheSurfaceOrigin) {
  std::vector<std::uint32_t> pixels(8 * 6, 0xFFFFFF);
  vk::platform::Surface surface{pixels.data(), 8, 6, 8};
  HDC dc = vk::platform::createSurfaceDC(surface, POINT{1, 1}, RECT{0, 0, 8, 6});
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(dc, red);
  IntersectClipRect(dc, 0, 0, 3, 10);
  Rectangle(dc, 0, 0, 5, 4);
  std::string picture;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      std::uint32_t p = pixels[std::size_t(y * 8 + x)];
      picture += p == 0xFFFFFF ? '.' : p == 0 ? '#' : 'r';
    }
    picture += '|';
  }
  EXPECT_EQ(picture, "........|.###....|.#rr....|.#rr....|.###....|........|");
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteDC(dc);
  DeleteObject(red);
}

}  // namespace

namespace {

TEST(GdiClip, RandomPrimitivesNeverTouchPixelsOutsideTheClip) {
  // A view in the middle of a larger surface: any write outside the view
  // shows up in the frame around it.
  constexpr int kW = 40, kH = 30;
  std::vector<std::uint32_t> pixels(kW * kH, 0x123456);
  vk::platform::Surface surface{pixels.data(), kW, kH, kW};
  const RECT view{10, 8, 30, 22};
  HDC dc = vk::platform::createSurfaceDC(surface, POINT{12, 9}, view);
  std::mt19937 random(5);
  auto coord = [&]() -> int {
    switch (random() % 4) {
      case 0: return int(random() % 400000) - 200000;
      case 1: return int(random() % 2) ? 2147483000 : -2147483000;
      default: return int(random() % 40) - 12;
    }
  };
  const int styles[] = {PS_SOLID, PS_DOT, PS_NULL};
  for (int i = 0; i < 3000; ++i) {
    HPEN pen = CreatePen(styles[random() % 3], int(random() % 4), RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    SetBkMode(dc, random() % 2 ? OPAQUE : TRANSPARENT);
    POINT points[7];
    for (POINT& p : points) p = POINT{coord(), coord()};
    const POINT& a = points[0];
    const POINT& b = points[1];
    switch (random() % 8) {
      case 0:
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
        break;
      case 1: Polygon(dc, points, 3 + int(random() % 5)); break;
      case 2: Polyline(dc, points, 2 + int(random() % 6)); break;
      case 3: Ellipse(dc, a.x, a.y, b.x, b.y); break;
      case 4: RoundRect(dc, a.x, a.y, b.x, b.y, coord(), coord()); break;
      case 5:
        Arc(dc, a.x, a.y, b.x, b.y, points[2].x, points[2].y, points[3].x, points[3].y);
        break;
      case 6: PolyBezier(dc, points, 7); break;
      default: Rectangle(dc, a.x, a.y, b.x, b.y); break;
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
  }
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      bool outside = x < view.left || x >= view.right || y < view.top || y >= view.bottom;
      if (outside) {
        ASSERT_EQ(pixels[std::size_t(y * kW + x)], 0x123456u) << x << "," << y;
      }
    }
  }
  DeleteDC(dc);
}

}  // namespace
