// The triangle scan and the solid outline short path against the general
// edge-table fill and the clipped line, pixel for pixel, on random input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "gdi_test_support.h"
#include "platform/raster.h"

namespace {

using vk::platform::FixedPoint;
using vk::platform::kFixedOne;
using vk::platform::Surface;

constexpr int kWidth = 48, kHeight = 40;

struct Pixels {
  std::vector<std::uint32_t> data = std::vector<std::uint32_t>(kWidth * kHeight, 0);
  Surface surface() { return Surface{data.data(), kWidth, kHeight, kWidth}; }
  bool blank() const {
    for (std::uint32_t p : data)
      if (p) return false;
    return true;
  }
};

// Triangles of every kind the viewport and the wide pens produce: small and
// surface-sized, sub-pixel corners, collinear and repeated corners, and
// corners far out (up to the GDI's clamp of 2^30 pixels).
struct TriangleSource {
  std::mt19937_64 random{20261207};

  std::int64_t uniform(std::int64_t lo, std::int64_t hi) {
    return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
  }
  std::int64_t fraction(bool subPixel) { return subPixel ? uniform(0, kFixedOne - 1) : 0; }
  FixedPoint near(FixedPoint p, std::int64_t reach, bool subPixel) {
    return FixedPoint{p.x + uniform(-reach, reach) * kFixedOne + fraction(subPixel),
                      p.y + uniform(-reach, reach) * kFixedOne + fraction(subPixel)};
  }
  FixedPoint onSurface(std::int64_t margin) {
    return FixedPoint{uniform(-margin, kWidth + margin) * kFixedOne,
                      uniform(-margin, kHeight + margin) * kFixedOne};
  }
  void next(int kind, FixedPoint (&t)[3]) {
    const bool subPixel = uniform(0, 1) == 1;
    switch (kind) {
      case 0:  // small, the viewport's faces
        t[0] = onSurface(4);
        t[1] = near(t[0], 12, subPixel);
        t[2] = near(t[0], 12, subPixel);
        break;
      case 1:  // large, often covering the whole clip
        for (FixedPoint& p : t) p = onSurface(3 * kWidth);
        break;
      case 2: {  // collinear, or with a repeated corner
        t[0] = onSurface(8);
        t[1] = near(t[0], 20, false);
        std::int64_t s = uniform(-2, 3);
        t[2] = FixedPoint{t[0].x + s * (t[1].x - t[0].x), t[0].y + s * (t[1].y - t[0].y)};
        if (uniform(0, 3) == 0) t[uniform(0, 2)] = t[uniform(0, 2)];
        break;
      }
      case 3: {  // corners near +-200000 pixels, edges crossing the surface
        const std::int64_t far = 200000;
        for (FixedPoint& p : t) {
          p = FixedPoint{(uniform(0, 1) ? far : -far) + uniform(-50, 50),
                         (uniform(0, 1) ? far : -far) + uniform(-50, 50)};
          p.x = p.x * kFixedOne + fraction(subPixel);
          p.y = p.y * kFixedOne + fraction(subPixel);
        }
        if (uniform(0, 1)) t[uniform(0, 2)] = onSurface(0);
        break;
      }
      default: {  // beyond the 64-bit fast path of the edge set-up
        const std::int64_t huge = std::int64_t(1) << 30;
        for (FixedPoint& p : t)
          p = FixedPoint{uniform(-huge, huge) * kFixedOne, uniform(-huge, huge) * kFixedOne};
        t[uniform(0, 2)] = onSurface(0);
        break;
      }
    }
  }
  RECT clip() {
    if (uniform(0, 2) == 0) return RECT{0, 0, kWidth, kHeight};
    LONG l = LONG(uniform(0, kWidth - 1)), t = LONG(uniform(0, kHeight - 1));
    return RECT{l, t, LONG(uniform(l + 1, std::min<std::int64_t>(l + 12, kWidth))),
                LONG(uniform(t + 1, std::min<std::int64_t>(t + 12, kHeight)))};
  }
};

TEST(RasterTriangle, ScanMatchesTheEdgeTableOnRandomTriangles) {
  TriangleSource source;
  constexpr int kPerKind = 8000;
  int compared = 0, painted = 0;
  for (int kind = 0; kind < 5; ++kind) {
    for (int i = 0; i < kPerKind; ++i) {
      FixedPoint t[3];
      source.next(kind, t);
      const RECT clip = source.clip();
      const int three = 3;
      Pixels expected, alternate, winding;
      vk::platform::fillPolygonFixed(expected.surface(), clip, t, &three, 1, false, 0xAB);
      vk::platform::fillPolygonFixed(winding.surface(), clip, t, &three, 1, true, 0xAB);
      vk::platform::fillTriangleFixed(alternate.surface(), clip, t[0], t[1], t[2], 0xAB);
      ASSERT_EQ(expected.data, winding.data) << "kind " << kind << " triangle " << i;
      ASSERT_EQ(expected.data, alternate.data)
          << "kind " << kind << " triangle " << i << ": (" << t[0].x << "," << t[0].y << ") ("
          << t[1].x << "," << t[1].y << ") (" << t[2].x << "," << t[2].y << ") clip "
          << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
      ++compared;
      painted += !expected.blank();
    }
  }
  EXPECT_EQ(compared, 5 * kPerKind);
  EXPECT_GT(painted, compared / 4);  // the comparisons are not of empty surfaces
}

// Four corners take the ordered path when they form a strictly convex
// quadrilateral; the same ring with its last corner repeated takes the
// general one.
TEST(RasterTriangle, QuadrilateralsMatchTheGeneralPath) {
  TriangleSource source;
  int compared = 0, painted = 0;
  for (int kind = 0; kind < 5; ++kind) {
    for (int i = 0; i < 3000; ++i) {
      FixedPoint q[5];
      FixedPoint t[3];
      source.next(kind, t);
      q[0] = t[0];
      q[1] = t[1];
      q[2] = t[2];
      if (i % 2)  // a parallelogram: convex unless flat
        q[3] = FixedPoint{q[0].x + q[2].x - q[1].x, q[0].y + q[2].y - q[1].y};
      else
        q[3] = kind == 0 ? source.near(q[0], 12, true) : source.onSurface(kWidth);
      q[4] = q[3];
      const RECT clip = source.clip();
      const bool winding = i % 4 < 2;
      const int four = 4, five = 5;
      Pixels expected, actual;
      vk::platform::fillPolygonFixed(expected.surface(), clip, q, &five, 1, winding, 0xAB);
      vk::platform::fillPolygonFixed(actual.surface(), clip, q, &four, 1, winding, 0xAB);
      ASSERT_EQ(expected.data, actual.data) << "kind " << kind << " quadrilateral " << i;
      ++compared;
      painted += !expected.blank();
    }
  }
  EXPECT_GT(painted, compared / 4);
}

TEST(RasterTriangle, SolidOutlineMatchesTheClippedLines) {
  TriangleSource source;
  int painted = 0;
  for (int i = 0; i < 20000; ++i) {
    POINT p[3];
    for (POINT& q : p)
      q = POINT{LONG(source.uniform(-6, kWidth + 5)), LONG(source.uniform(-6, kHeight + 5))};
    if (i % 2) {  // short segments, mostly inside
      for (int k = 1; k < 3; ++k)
        p[k] = POINT{LONG(p[0].x + source.uniform(-10, 10)), LONG(p[0].y + source.uniform(-10, 10))};
      if (i % 10 == 1) p[2] = p[source.uniform(0, 1)];
    }
    const RECT clip = i % 3 ? RECT{0, 0, kWidth, kHeight} : source.clip();
    Pixels expected, actual;
    const vk::platform::LineStyle solid{0xCD};
    for (int k = 0; k < 3; ++k)
      vk::platform::drawCosmeticLine(expected.surface(), clip, p[k], p[(k + 1) % 3], solid, 0);
    vk::platform::strokeClosedSolid(actual.surface(), clip, p, 3, 0xCD);
    ASSERT_EQ(expected.data, actual.data) << "triangle " << i << ": (" << p[0].x << "," << p[0].y
                                          << ") (" << p[1].x << "," << p[1].y << ") (" << p[2].x
                                          << "," << p[2].y << ")";
    painted += !expected.blank();
  }
  EXPECT_GT(painted, 10000);
}

// Through the GDI: a filled, outlined triangle equals a four-point polygon
// with a repeated corner, which takes the general path.
TEST(RasterTriangle, PolygonOfThreePointsMatchesTheGeneralPath) {
  TriangleSource source;
  gditest::Canvas fast(kWidth, kHeight), general(kWidth, kHeight);
  HBRUSH brush = CreateSolidBrush(gditest::kBlue);
  HPEN pen = CreatePen(PS_SOLID, 1, gditest::kRed);
  for (HDC dc : {fast.dc, general.dc}) {
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    IntersectClipRect(dc, 3, 2, kWidth - 5, kHeight - 4);
  }
  for (int i = 0; i < 4000; ++i) {
    POINT p[4];
    for (int k = 0; k < 3; ++k)
      p[k] = POINT{LONG(source.uniform(-10, kWidth + 10)), LONG(source.uniform(-10, kHeight + 10))};
    if (i % 2)
      for (int k = 1; k < 3; ++k)
        p[k] = POINT{LONG(p[0].x + source.uniform(-9, 9)), LONG(p[0].y + source.uniform(-9, 9))};
    p[3] = p[2];
    SetPolyFillMode(general.dc, i % 4 < 2 ? ALTERNATE : WINDING);
    Polygon(fast.dc, p, 3);
    Polygon(general.dc, p, 4);
    ASSERT_EQ(fast.picture(), general.picture()) << "triangle " << i;
  }
  for (HDC dc : {fast.dc, general.dc}) {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
  }
  DeleteObject(pen);
  DeleteObject(brush);
}

// With a depth pass: faces that come nearer one after the other set the
// pixels Polygon and LineTo set (fill rules and outlines unchanged), and a
// farther face or line after them sets none.
TEST(RasterTriangle, DepthTestedDrawingKeepsThePixelsOfPlainDrawing) {
  TriangleSource source;
  gditest::Canvas plain(kWidth, kHeight), depth(kWidth, kHeight);
  HBRUSH brush = CreateSolidBrush(gditest::kBlue);
  HPEN pen = CreatePen(PS_SOLID, 1, gditest::kRed);
  for (HDC dc : {plain.dc, depth.dc}) {
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    IntersectClipRect(dc, 3, 2, kWidth - 5, kHeight - 4);
  }
  vk::beginDepthPass(depth.dc);
  for (int i = 0; i < 3000; ++i) {
    POINT p[4];
    for (POINT& q : p) q = POINT{LONG(source.uniform(-10, kWidth + 10)), LONG(source.uniform(-10, kHeight + 10))};
    const int count = 3 + i % 2;
    const vk::DepthPlane nearer{0.001 * (i % 7), -0.002 * (i % 5), 100.0 + i};
    Polygon(plain.dc, p, count);
    vk::depthPolygon(depth.dc, p, count, nearer, 1.0);
    MoveToEx(plain.dc, p[0].x, p[0].y, nullptr);
    LineTo(plain.dc, p[2].x, p[2].y);
    vk::depthLine(depth.dc, p[0], p[2], 100.5 + i, 100.5 + i);
    ASSERT_EQ(plain.picture(), depth.picture()) << "shape " << i;
  }
  const auto before = depth.picture();
  const POINT cover[4] = {{-5, -5}, {kWidth + 5, -5}, {kWidth + 5, kHeight + 5}, {-5, kHeight + 5}};
  vk::depthPolygon(depth.dc, cover, 4, vk::DepthPlane{0, 0, 1.0}, 1.0);
  vk::depthPolygon(depth.dc, cover, 4, vk::DepthPlane{0, 0, 1.0}, 0.5);
  vk::depthLine(depth.dc, cover[0], cover[2], 1.0, 1.0);
  EXPECT_EQ(depth.picture(), before);
  vk::endDepthPass();
  for (HDC dc : {plain.dc, depth.dc}) {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
  }
  DeleteObject(pen);
  DeleteObject(brush);
}

// Random convex faces (triangles and parallelograms) with random planes,
// every fifth one in the plane of the one before (ties), and a colour each.
struct DepthFaceSource {
  TriangleSource source;
  vk::DepthPlane plane;
  int count = 3;
  POINT p[4];
  COLORREF colour = 0;
  void next(int i) {
    for (int k = 0; k < 3; ++k)
      p[k] = POINT{LONG(source.uniform(-10, kWidth + 10)), LONG(source.uniform(-10, kHeight + 10))};
    count = 3 + i % 2;
    p[3] = POINT{p[0].x + p[2].x - p[1].x, p[0].y + p[2].y - p[1].y};
    if (i % 5 != 0)
      plane = vk::DepthPlane{double(source.uniform(-300, 300)) / 97.0, double(source.uniform(-300, 300)) / 89.0,
                             double(source.uniform(-60, 60))};
    colour = RGB(i % 251, (i * 7) % 253, (i * 13) % 255);
  }
};

// Faces crossing each other, no outline: every pixel ends with the colour of
// the last face at least as near as all before it, each face's nearness
// counted from the first pixel of its row's span (the fill's float steps)
// on a picture of where it covers.
TEST(RasterTriangle, DepthFillKeepsTheNearestFaceAtEveryPixel) {
  DepthFaceSource faces;
  gditest::Canvas depth(kWidth, kHeight), cover(kWidth, kHeight);
  for (HDC dc : {depth.dc, cover.dc}) {
    SelectObject(dc, GetStockObject(NULL_PEN));
    IntersectClipRect(dc, 3, 2, kWidth - 5, kHeight - 4);
  }
  SelectObject(cover.dc, GetStockObject(BLACK_BRUSH));
  std::vector<float> nearest(kWidth * kHeight, -INFINITY);
  std::vector<COLORREF> expected(kWidth * kHeight, RGB(255, 255, 255));
  vk::beginDepthPass(depth.dc);
  for (int i = 0; i < 600; ++i) {
    faces.next(i);
    std::fill(cover.bits, cover.bits + kWidth * kHeight, 0xFFFFFFu);
    Polygon(cover.dc, faces.p, faces.count);
    HBRUSH brush = CreateSolidBrush(faces.colour);
    HGDIOBJ old = SelectObject(depth.dc, brush);
    vk::depthPolygon(depth.dc, faces.p, faces.count, faces.plane, 1.0);
    SelectObject(depth.dc, old);
    DeleteObject(brush);
    const vk::DepthPlane& q = faces.plane;
    for (int y = 0; y < kHeight; ++y) {
      int first = -1;
      for (int x = 0; x < kWidth; ++x) {
        if (cover.pixel(x, y) != 0) continue;
        if (first < 0 || cover.pixel(x - 1, y) != 0) first = x;
        const float n = float(q.a * first + q.b * y + q.c) + float(q.a) * float(x - first);
        if (n >= nearest[y * kWidth + x]) {
          nearest[y * kWidth + x] = n;
          expected[y * kWidth + x] = faces.colour;
        }
      }
    }
    for (int k = 0; k < kWidth * kHeight; ++k)
      ASSERT_EQ(depth.pixel(k % kWidth, k / kWidth), expected[k]) << "face " << i << " pixel " << k;
  }
  vk::endDepthPass();
}

// A list of opaque faces paints what depthPolygon paints face after face
// with the same colours, and leaves the same depth behind: lines tested
// afterwards agree too. Without a depth pass the list draws nothing.
// So do faces whose corners are sub-pixel positions.
TEST(RasterTriangle, OpaqueFaceListPaintsAsFaceAfterFace) {
  for (bool subPixel : {false, true}) {
    SCOPED_TRACE(subPixel);
    DepthFaceSource source;
    std::vector<POINT> points;
    std::vector<vk::DepthFace> faces;
    for (int i = 0; i < 500; ++i) {
      source.next(i);
      faces.push_back(vk::DepthFace{nullptr, source.count, source.plane, source.colour, RGB(255 - i % 256, 40, i % 7)});
      faces.back().subPixel = subPixel;
      for (int k = 0; k < source.count; ++k) {
        POINT p = source.p[k];
        if (subPixel) {
          p.x = p.x * kFixedOne + LONG(source.source.uniform(-kFixedOne / 2, kFixedOne / 2));
          p.y = p.y * kFixedOne + LONG(source.source.uniform(-kFixedOne / 2, kFixedOne / 2));
        }
        points.push_back(p);
      }
    }
    for (std::size_t k = 0, at = 0; k < faces.size(); at += std::size_t(faces[k++].count))
      faces[k].points = points.data() + at;
    gditest::Canvas one(kWidth, kHeight), list(kWidth, kHeight);
    for (HDC dc : {one.dc, list.dc}) {
      IntersectClipRect(dc, 2, 3, kWidth - 4, kHeight - 2);
      SetPolyFillMode(dc, WINDING);
    }
    EXPECT_FALSE(vk::depthOpaqueFaces(list.dc, faces.data(), faces.size()));
    EXPECT_EQ(list.picture(), gditest::Canvas(kWidth, kHeight).picture());
    HPEN linePen = CreatePen(PS_SOLID, 1, gditest::kGreen);
    auto lines = [&](HDC dc) {
      HGDIOBJ old = SelectObject(dc, linePen);
      for (int i = 0; i < 40; ++i)
        vk::depthLine(dc, POINT{-3, i}, POINT{kWidth + 3, kHeight - i}, -40.0 + 2 * i, 30.0 - i);
      SelectObject(dc, old);
    };
    vk::beginDepthPass(one.dc);
    for (const vk::DepthFace& face : faces) {
      HBRUSH brush = CreateSolidBrush(face.fill);
      HPEN pen = CreatePen(PS_SOLID, 1, face.outline);
      HGDIOBJ oldBrush = SelectObject(one.dc, brush), oldPen = SelectObject(one.dc, pen);
      vk::depthPolygon(one.dc, face.points, face.count, face.plane, 1.0, nullptr, 0, nullptr, subPixel);
      SelectObject(one.dc, oldBrush);
      SelectObject(one.dc, oldPen);
      DeleteObject(brush);
      DeleteObject(pen);
    }
    lines(one.dc);
    vk::endDepthPass();
    vk::beginDepthPass(list.dc);
    EXPECT_TRUE(vk::depthOpaqueFaces(list.dc, faces.data(), faces.size()));
    lines(list.dc);
    vk::endDepthPass();
    EXPECT_TRUE(std::equal(one.bits, one.bits + kWidth * kHeight, list.bits));
    DeleteObject(linePen);
  }
}

// A convex polygon with sub-pixel corners, and the same polygon fanned into
// triangles from a point inside: the fan paints every pixel the polygon
// does exactly once (half-blended faces show a pixel painted twice), and
// both paint what the rasterizer's own fill of those positions does.
TEST(RasterTriangle, SubPixelFansCoverTheirPolygonOnce) {
  TriangleSource random;
  const COLORREF white = RGB(255, 255, 255);
  COLORREF once = white;  // blue blended once over white
  {
    gditest::Canvas blended(1, 1);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(blended.dc, blue);
    SelectObject(blended.dc, GetStockObject(NULL_PEN));
    const POINT cover[3] = {{-4, -4}, {8, -4}, {-4, 8}};
    vk::beginDepthPass(blended.dc);
    vk::depthPolygon(blended.dc, cover, 3, vk::DepthPlane{}, 0.5);
    vk::endDepthPass();
    once = blended.pixel(0, 0);
    SelectObject(blended.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(blue);
  }
  ASSERT_NE(once, white);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    const int n = 3 + round % 9;
    // Small ones often: a fan whose triangles lie within a pixel or two.
    const double radius = round % 3 == 0 ? 0.3 + random.uniform(0, 300) / 100.0 : 2.0 + random.uniform(0, 2400) / 100.0;
    const double cx = 24.0 + random.uniform(-800, 800) / 100.0, cy = 20.0 + random.uniform(-600, 600) / 100.0;
    std::vector<POINT> corners;
    std::vector<FixedPoint> fixed;
    for (int k = 0; k < n; ++k) {
      const double angle = 2.0 * 3.141592653589793 * (k + 0.3 * random.uniform(0, 100) / 100.0) / n;
      corners.push_back(POINT{LONG(std::lround((cx + radius * std::cos(angle)) * kFixedOne)),
                              LONG(std::lround((cy + radius * std::sin(angle)) * kFixedOne))});
      fixed.push_back(FixedPoint{corners.back().x, corners.back().y});
    }
    const POINT centre{LONG(std::lround(cx * kFixedOne)), LONG(std::lround(cy * kFixedOne))};
    Pixels own;
    vk::platform::fillPolygonFixed(own.surface(), RECT{0, 0, kWidth, kHeight}, fixed.data(), &n, 1, false, 0xFFu);
    gditest::Canvas whole(kWidth, kHeight), fan(kWidth, kHeight);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    for (HDC dc : {whole.dc, fan.dc}) {
      SelectObject(dc, brush);
      SelectObject(dc, GetStockObject(NULL_PEN));
    }
    vk::beginDepthPass(whole.dc);
    vk::depthPolygon(whole.dc, corners.data(), n, vk::DepthPlane{}, 0.5, nullptr, 0, nullptr, true);
    vk::endDepthPass();
    vk::beginDepthPass(fan.dc);
    for (int k = 0; k < n; ++k) {
      const POINT triangle[3] = {centre, corners[std::size_t(k)], corners[std::size_t((k + 1) % n)]};
      vk::depthPolygon(fan.dc, triangle, 3, vk::DepthPlane{}, 0.5, nullptr, 0, nullptr, true);
    }
    vk::endDepthPass();
    for (HDC dc : {whole.dc, fan.dc}) SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const COLORREF expected = own.data[std::size_t(i)] ? once : white;
      ASSERT_EQ(whole.pixel(i % kWidth, i / kWidth), expected) << i % kWidth << ", " << i / kWidth;
      ASSERT_EQ(fan.pixel(i % kWidth, i / kWidth), expected) << i % kWidth << ", " << i / kWidth;
    }
  }
}

}  // namespace
