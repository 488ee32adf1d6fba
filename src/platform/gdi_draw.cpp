// GDI primitives: each call resolves the DC's target, pen and brush, moves
// its logical coordinates to the surface and hands over to the rasterizer.
// The depth-tested calls the viewport draws its faces and edges with are
// here too.
//
// Sections:
//   - Resolving a draw
//   - Lines, shapes and fills
//   - Pixels
//   - Depth passes
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/raster.h"

namespace vk::platform {

// ---- Resolving a draw -------------------------------------------------------
namespace {

// Coordinates beyond this are clamped before rasterizing; far off any
// surface, and small enough that sums and products stay in 64 bits.
constexpr long long kDrawCoordinateLimit = 1LL << 30;

struct Draw {
  DeviceContext* dc = nullptr;
  std::uint64_t stamp = 0;  // the DC's stamp when the rest was resolved
  bool visible = false;  // false: valid DC with nothing to draw on
  DcTarget target;
  int penWidth = 0;  // 0: no pen; 1: cosmetic
  LineStyle line;
  bool hasFill = false;
  std::uint32_t fill = 0;
};

void resolveDraw(DeviceContext& dc, Draw& draw) {
  draw = Draw{};
  draw.stamp = dc.drawStamp;
  draw.visible = resolveDcTarget(dc, draw.target);
  if (GdiObject* pen = gdiObjectFromHandle(dc.state.pen); pen && pen->kind == GdiKind::Pen) {
    if (pen->pen.style != PS_NULL) draw.penWidth = std::max(1, pen->pen.width);
    draw.line.color = pixelFromColorref(pen->pen.color);
    draw.line.dotted = pen->pen.style == PS_DOT && draw.penWidth == 1;
    draw.line.fillGaps = dc.state.bkMode == OPAQUE;
    draw.line.gapColor = pixelFromColorref(dc.state.bkColor);
  }
  if (GdiObject* brush = gdiObjectFromHandle(dc.state.brush);
      brush && brush->kind == GdiKind::Brush && !brush->brush.hollow) {
    draw.hasFill = true;
    draw.fill = pixelFromColorref(brush->brush.color);
  }
}

// The DC's target, pen and brush; kept between calls until the DC's stamp
// changes, since the viewport draws thousands of faces through one DC.
const Draw* beginDraw(HDC handle) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return nullptr;
  thread_local Draw last;
  if (last.stamp != dc->drawStamp) resolveDraw(*dc, last);
  last.dc = dc;
  return &last;
}

LONG toSurface(long long logical, LONG origin) {
  return LONG(std::clamp(logical + origin, -kDrawCoordinateLimit, kDrawCoordinateLimit));
}

POINT toSurface(const Draw& draw, long long x, long long y) {
  return POINT{toSurface(x, draw.target.origin.x), toSurface(y, draw.target.origin.y)};
}

std::vector<POINT>& pointScratch() {
  thread_local std::vector<POINT> points;
  return points;
}

// Strokes surface-coordinate points with the DC's pen.
void strokeSurfacePath(const Draw& draw, const POINT* points, int count, bool closed) {
  if (!draw.visible || draw.penWidth == 0 || count < 1) return;
  const DcTarget& t = draw.target;
  if (draw.penWidth > 1) {
    strokeWidePath(t.surface, t.clip, points, count, closed, draw.penWidth, draw.line.color);
    return;
  }
  if (closed && !draw.line.dotted) {
    strokeClosedSolid(t.surface, t.clip, points, count, draw.line.color);
    return;
  }
  std::int64_t phase = 0;
  for (int i = 0; i + 1 < count; ++i)
    phase = drawCosmeticLine(t.surface, t.clip, points[i], points[i + 1], draw.line, phase);
  if (closed && count > 1)
    drawCosmeticLine(t.surface, t.clip, points[count - 1], points[0], draw.line, phase);
}

std::vector<POINT>& toSurfacePoints(const Draw& draw, const POINT* points, int count) {
  std::vector<POINT>& out = pointScratch();
  out.clear();
  for (int i = 0; i < count; ++i) out.push_back(toSurface(draw, points[i].x, points[i].y));
  return out;
}

// A device-space outline in the rasterizer's fixed point, in a buffer kept
// for the next polygon.
const std::vector<FixedPoint>& fixedRing(const std::vector<POINT>& path) {
  thread_local std::vector<FixedPoint> ring;
  ring.clear();
  for (const POINT& p : path)
    ring.push_back(FixedPoint{std::int64_t(p.x) * kFixedOne, std::int64_t(p.y) * kFixedOne});
  return ring;
}

static_assert(kSubPixelShift == kFixedShift, "sub-pixel positions are the rasterizer's fixed point");

// A polygon's corners on the surface: the pixels its outline runs through
// in `path` and, in `ring`, where its fill lies, from pixels or sub-pixels.
template <bool kSubPixel>
inline void surfaceCornersOf(const Draw& draw, const POINT* points, int count, POINT* path, FixedPoint* ring) {
  const LONG ox = draw.target.origin.x, oy = draw.target.origin.y;
  if (kSubPixel && ox == 0 && oy == 0) {
    // The common target: logical is surface, and no 32-bit position nears the limits.
    for (int i = 0; i < count; ++i) {
      const POINT& p = points[i];
      path[i] = POINT{pixelOfSubPixel(p.x), pixelOfSubPixel(p.y)};
      ring[i] = FixedPoint{p.x, p.y};
    }
    return;
  }
  constexpr std::int64_t limit = kDrawCoordinateLimit * kFixedOne;
  for (int i = 0; i < count; ++i) {
    const POINT& p = points[i];
    if constexpr (kSubPixel) {
      path[i] = POINT{toSurface(pixelOfSubPixel(p.x), ox), toSurface(pixelOfSubPixel(p.y), oy)};
      ring[i] = FixedPoint{std::clamp<std::int64_t>(std::int64_t(p.x) + std::int64_t(ox) * kFixedOne, -limit, limit),
                           std::clamp<std::int64_t>(std::int64_t(p.y) + std::int64_t(oy) * kFixedOne, -limit, limit)};
    } else {
      path[i] = POINT{toSurface(p.x, ox), toSurface(p.y, oy)};
      ring[i] = FixedPoint{std::int64_t(path[i].x) * kFixedOne, std::int64_t(path[i].y) * kFixedOne};
    }
  }
}

inline void surfaceCorners(const Draw& draw, const POINT* points, int count, bool subPixel, POINT* path,
                           FixedPoint* ring) {
  if (subPixel) {
    surfaceCornersOf<true>(draw, points, count, path, ring);
  } else {
    surfaceCornersOf<false>(draw, points, count, path, ring);
  }
}

RoundedBox toSurfaceBox(const Draw& draw, int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  POINT a = toSurface(draw, left, top), b = toSurface(draw, right, bottom);
  RoundedBox box;
  box.left = a.x;
  box.top = a.y;
  box.right = b.x;
  box.bottom = b.y;
  return box;
}

BOOL drawBox(HDC handle, int left, int top, int right, int bottom, long long cornerWidth,
             long long cornerHeight, bool ellipse) {
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible) return TRUE;
  RoundedBox box = toSurfaceBox(draw, left, top, right, bottom);
  if (ellipse) {
    cornerWidth = box.right - box.left;
    cornerHeight = box.bottom - box.top;
  }
  box.cornerWidth = std::max(0LL, cornerWidth);
  box.cornerHeight = std::max(0LL, cornerHeight);
  const std::uint32_t* fill = draw.hasFill ? &draw.fill : nullptr;
  const DcTarget& t = draw.target;
  if (draw.line.dotted && box.cornerWidth == 0 && box.cornerHeight == 0) {
    // A dotted rectangle: the interior, then the dots along one closed path.
    if (box.right - box.left < 1 || box.bottom - box.top < 1) return TRUE;
    if (fill) {
      RoundedBox inside = box;
      inside.left += 1;
      inside.top += 1;
      drawRoundedBox(t.surface, t.clip, inside, fill, 0, 0);
    }
    LONG l = LONG(box.left), tp = LONG(box.top), r = LONG(box.right - 1), b = LONG(box.bottom - 1);
    POINT ring[4] = {{l, tp}, {r, tp}, {r, b}, {l, b}};
    strokeSurfacePath(draw, ring, 4, true);
    return TRUE;
  }
  drawRoundedBox(t.surface, t.clip, box, fill, draw.penWidth, draw.line.color);
  return TRUE;
}

}  // namespace
}  // namespace vk::platform

// ---- Lines, shapes and fills ------------------------------------------------
using namespace vk::platform;

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  DeviceContext* dc = dcFromHandle(handle);
  GdiObject* brush = gdiObjectFromHandle(brushHandle);
  if (!dc || !rect || !brush || brush->kind != GdiKind::Brush) return 0;
  DcTarget target;
  if (brush->brush.hollow || !resolveDcTarget(*dc, target)) return 1;
  long long ox = target.origin.x, oy = target.origin.y;
  RECT r{LONG(std::clamp(rect->left + ox, -kDrawCoordinateLimit, kDrawCoordinateLimit)),
         LONG(std::clamp(rect->top + oy, -kDrawCoordinateLimit, kDrawCoordinateLimit)),
         LONG(std::clamp(rect->right + ox, -kDrawCoordinateLimit, kDrawCoordinateLimit)),
         LONG(std::clamp(rect->bottom + oy, -kDrawCoordinateLimit, kDrawCoordinateLimit))};
  fillRectPixels(target.surface, target.clip, r, pixelFromColorref(brush->brush.color));
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  if (!rect) return 0;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  RECT sides[4] = {{rect->left, rect->top, rect->right, rect->top + 1},
                   {rect->left, rect->bottom - 1, rect->right, rect->bottom},
                   {rect->left, rect->top, rect->left + 1, rect->bottom},
                   {rect->right - 1, rect->top, rect->right, rect->bottom}};
  for (const RECT& side : sides)
    if (!FillRect(handle, &side, brush)) return 0;
  return 1;
}

BOOL LineTo(HDC handle, int x, int y) {
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  POINT& current = draw.dc->state.currentPosition;
  POINT path[2] = {toSurface(draw, current.x, current.y), toSurface(draw, x, y)};
  strokeSurfacePath(draw, path, 2, false);
  current = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible) return TRUE;
  std::vector<POINT>& path = toSurfacePoints(draw, points, count);
  strokeSurfacePath(draw, path.data(), count, false);
  return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible) return TRUE;
  if (count == 3) {
    // The viewport's faces: a triangle scan instead of the edge table.
    POINT corner[3];
    FixedPoint fixed[3];
    for (int i = 0; i < 3; ++i) {
      corner[i] = toSurface(draw, points[i].x, points[i].y);
      fixed[i] = FixedPoint{std::int64_t(corner[i].x) * kFixedOne,
                            std::int64_t(corner[i].y) * kFixedOne};
    }
    if (draw.hasFill)
      fillTriangleFixed(draw.target.surface, draw.target.clip, fixed[0], fixed[1], fixed[2],
                        draw.fill);
    strokeSurfacePath(draw, corner, 3, true);
    return TRUE;
  }
  std::vector<POINT>& path = toSurfacePoints(draw, points, count);
  if (draw.hasFill) {
    const std::vector<FixedPoint>& ring = fixedRing(path);
    fillPolygonFixed(draw.target.surface, draw.target.clip, ring.data(), &count, 1,
                     draw.dc->state.polyFillMode == WINDING, draw.fill);
  }
  strokeSurfacePath(draw, path.data(), count, true);
  return TRUE;
}

BOOL PolyBezier(HDC handle, const POINT* points, DWORD count) {
  if (!points || count < 4 || (count - 1) % 3 != 0) return FALSE;
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible) return TRUE;
  std::vector<POINT>& in = toSurfacePoints(draw, points, int(count));
  thread_local std::vector<POINT> flat;
  flat.assign(1, in[0]);
  for (DWORD i = 0; i + 3 < count; i += 3) flattenCubic(in[i], in[i + 1], in[i + 2], in[i + 3], flat);
  strokeSurfacePath(draw, flat.data(), int(flat.size()), false);
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return drawBox(dc, left, top, right, bottom, 0, 0, false);
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerWidth,
               int cornerHeight) {
  return drawBox(dc, left, top, right, bottom, cornerWidth, cornerHeight, false);
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return drawBox(dc, left, top, right, bottom, 0, 0, true);
}

BOOL Arc(HDC handle, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd) {
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible || draw.penWidth == 0) return TRUE;
  RoundedBox box = toSurfaceBox(draw, left, top, right, bottom);
  box.cornerWidth = box.right - box.left;
  box.cornerHeight = box.bottom - box.top;
  // Radials in doubled logical units from the centre; the origin cancels.
  long long cx2 = (long long)left + right, cy2 = (long long)top + bottom;
  drawEllipseArc(draw.target.surface, draw.target.clip, box, 2LL * xStart - cx2,
                 2LL * yStart - cy2, 2LL * xEnd - cx2, 2LL * yEnd - cy2,
                 draw.dc->state.arcDirection == AD_CLOCKWISE, draw.penWidth, draw.line.color);
  return TRUE;
}

// ---- Pixels -----------------------------------------------------------------
namespace {

// The pixel at logical (x, y) when it lies inside the DC's clip.
std::uint32_t* pixelAt(HDC handle, int x, int y) {
  DeviceContext* dc = dcFromHandle(handle);
  DcTarget target;
  if (!dc || !resolveDcTarget(*dc, target)) return nullptr;
  long long sx = (long long)x + target.origin.x, sy = (long long)y + target.origin.y;
  if (sx < target.clip.left || sx >= target.clip.right || sy < target.clip.top ||
      sy >= target.clip.bottom)
    return nullptr;
  return target.surface.pixels + sy * target.surface.stride + sx;
}

}  // namespace

COLORREF GetPixel(HDC dc, int x, int y) {
  std::uint32_t* pixel = pixelAt(dc, x, y);
  return pixel ? colorrefFromPixel(*pixel) : CLR_INVALID;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  std::uint32_t* pixel = pixelAt(dc, x, y);
  if (!pixel) return CLR_INVALID;
  *pixel = pixelFromColorref(color);
  return color & 0xFFFFFF;
}

// ---- Depth passes -----------------------------------------------------------
namespace vk::platform {
namespace {

// Sets `count` values from `out` on, four a store.
template <class T>
void fillPixels(T* out, std::size_t count, T value) {
  static_assert(sizeof(T) == 4);
  std::size_t i = 0;
#if defined(__SSE2__)
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  const __m128i four = _mm_set1_epi32(int(bits));
  for (; i + 4 <= count; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), four);
#endif
  for (; i < count; ++i) out[i] = value;
}

// The depth buffer of the pass in progress, kept between passes.
struct DepthPass {
  bool active = false;
  Surface surface;
  std::vector<float> values;
  double relativeBias = 0.0, absoluteBias = 0.0;
};

DepthPass& depthPass() {
  thread_local DepthPass pass;
  return pass;
}

// The buffer when `draw` targets the pass's surface, else null.
float* depthFor(const Draw& draw) {
  const DepthPass& pass = depthPass();
  const Surface& s = draw.target.surface;
  if (!pass.active || s.pixels != pass.surface.pixels || s.width != pass.surface.width ||
      s.height != pass.surface.height || s.stride != pass.surface.stride)
    return nullptr;
  return const_cast<float*>(pass.values.data());
}

DepthStyle lineStyle(const Draw& draw) {
  DepthStyle style;
  style.mode = DepthMode::Test;
  style.color = draw.line.color;
  style.relativeBias = depthPass().relativeBias;
  style.absoluteBias = depthPass().absoluteBias;
  return style;
}

// One segment of the DC's pen, tested (the pen's width, solid).
void depthSegment(const Draw& draw, float* depth, POINT from, POINT to, double nearFrom, double nearTo,
                  const DepthStyle& style) {
  const DcTarget& t = draw.target;
  if (draw.penWidth > 1)
    strokeWideSegmentDepth(t.surface, t.clip, depth, from, to, nearFrom, nearTo, draw.penWidth, style);
  else
    drawDepthLine(t.surface, t.clip, depth, from, to, nearFrom, nearTo, style);
}

}  // namespace
}  // namespace vk::platform

void vk::beginDepthPass(HDC handle) {
  DepthPass& pass = depthPass();
  pass.active = false;
  DeviceContext* dc = dcFromHandle(handle);
  DcTarget target;
  if (!dc || !resolveDcTarget(*dc, target)) return;
  pass.surface = target.surface;
  pass.values.resize(std::size_t(target.surface.stride) * std::size_t(target.surface.height));
  fillPixels(pass.values.data(), pass.values.size(), -INFINITY);
  pass.active = true;
}

void vk::endDepthPass() {
  DepthPass& pass = depthPass();
  pass.active = false;
  pass.relativeBias = pass.absoluteBias = 0.0;
}

void vk::setDepthLineBias(double relative, double absolute) {
  depthPass().relativeBias = relative;
  depthPass().absoluteBias = absolute;
}

namespace vk::platform {
namespace {

// The plane moved from logical to surface coordinates.
DepthRamp surfaceRamp(const DcTarget& t, const DepthPlane& plane) {
  return {plane.a, plane.b, plane.c - plane.a * t.origin.x - plane.b * t.origin.y};
}

// The outline's test: an outline pixel lies up to half a pixel off its edge,
// where the face's own depth differs from the edge's by half its slope at
// most; a little more covers the rounding of the floats compared.
double outlineAllowance(const DepthRamp& ramp) { return 0.75 * std::max(std::fabs(ramp.a), std::fabs(ramp.b)); }

DepthStyle outlineStyle(DepthStyle lines, const DepthRamp& ramp) {
  lines.absoluteBias += outlineAllowance(ramp);
  lines.relativeBias += 1e-6;
  lines.ramp = ramp;
  return lines;
}

// A polygon filled in pieces: each triangle (within the polygon's points)
// with its own ramp, when `filled`. Leaves each corner's nearness in
// `nearness`, and in `allowance` each edge's outline allowance by the plane
// of the triangle that borders it; that plane passes through the edge's
// ends, so the corners agree whichever triangle gives them.
void fillPieces(const DcTarget& t, float* depth, const POINT* path, const FixedPoint* ring, int count,
                const DepthTriangle* triangles, int triangleCount, DepthStyle fill, bool filled, double* nearness,
                double* allowance) {
  const auto n = std::uint32_t(count);
  for (std::uint32_t i = 0; i < n; ++i) nearness[i] = allowance[i] = 0.0;
  for (int k = 0; k < triangleCount; ++k) {
    const std::array<std::uint32_t, 3>& c = triangles[k].corners;
    if (c[0] >= n || c[1] >= n || c[2] >= n) continue;
    fill.ramp = surfaceRamp(t, triangles[k].plane);
    if (filled) fillTriangleDepth(t.surface, t.clip, depth, ring[c[0]], ring[c[1]], ring[c[2]], fill);
    const double extra = outlineAllowance(fill.ramp);
    for (std::size_t e = 0; e < 3; ++e) {
      const std::uint32_t a = c[e], b = c[e < 2 ? e + 1 : 0];
      nearness[a] = fill.ramp.a * path[a].x + fill.ramp.b * path[a].y + fill.ramp.c;
      if (b == (a + 1 < n ? a + 1 : 0)) allowance[a] = extra;
      if (a == (b + 1 < n ? b + 1 : 0)) allowance[b] = extra;
    }
  }
}

// The flagged edges of a one-plane polygon's outline, each corner's
// nearness from the outline's ramp.
void strokeSomeEdges(const DcTarget& t, float* depth, const POINT* path, int count, const DepthStyle& outline,
                     const std::uint8_t* drawn, double* nearness, double* noExtra) {
  for (int i = 0; i < count; ++i) {
    const POINT& p = path[i];
    nearness[i] = outline.ramp.a * p.x + outline.ramp.b * p.y + outline.ramp.c;
    noExtra[i] = 0.0;
  }
  strokeClosedDepthEach(t.surface, t.clip, depth, path, count, outline, nearness, noExtra, drawn);
}

}  // namespace
}  // namespace vk::platform

bool vk::depthOpaqueFaces(HDC handle, const DepthFace* faces, std::size_t count) {
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return false;
  const Draw& draw = *resolved;
  float* depth = draw.visible ? depthFor(draw) : nullptr;
  if (!depth) return false;
  const DcTarget& t = draw.target;
  const bool winding = draw.dc->state.polyFillMode == WINDING;
  const DepthStyle lines = lineStyle(draw);
  DepthStyle fill;
  // Each face's corners on the surface, and in fixed point, in buffers kept
  // for the next face; with the nearness and allowances of a face in pieces.
  thread_local std::vector<POINT> path;
  thread_local std::vector<FixedPoint> ring;
  thread_local std::vector<double> nearness, allowance;
  for (std::size_t k = 0; k < count; ++k) {
    const DepthFace& face = faces[k];
    if (!face.points || face.count < 2) continue;
    fill.color = pixelFromColorref(face.fill);
    if (path.size() < std::size_t(face.count)) {
      path.resize(std::size_t(face.count));
      ring.resize(std::size_t(face.count));
      nearness.resize(std::size_t(face.count));
      allowance.resize(std::size_t(face.count));
    }
    surfaceCorners(draw, face.points, face.count, face.subPixel, path.data(), ring.data());
    if (face.triangles && face.triangleCount > 0) {
      fillPieces(t, depth, path.data(), ring.data(), face.count, face.triangles, face.triangleCount, fill, true,
                 nearness.data(), allowance.data());
      DepthStyle outline = outlineStyle(lines, DepthRamp{});
      outline.color = pixelFromColorref(face.outline);
      strokeClosedDepthEach(t.surface, t.clip, depth, path.data(), face.count, outline, nearness.data(),
                            allowance.data(), face.outlined);
      continue;
    }
    fill.ramp = surfaceRamp(t, face.plane);
    if (face.count == 3)
      fillTriangleDepth(t.surface, t.clip, depth, ring[0], ring[1], ring[2], fill);
    else
      fillPolygonDepth(t.surface, t.clip, depth, ring.data(), &face.count, 1, winding, fill);
    DepthStyle outline = outlineStyle(lines, fill.ramp);
    outline.color = pixelFromColorref(face.outline);
    if (face.outlined) {
      strokeSomeEdges(t, depth, path.data(), face.count, outline, face.outlined, nearness.data(), allowance.data());
      continue;
    }
    strokeClosedDepth(t.surface, t.clip, depth, path.data(), face.count, outline);
  }
  return true;
}

BOOL vk::depthPolygon(HDC handle, const POINT* points, int count, const DepthPlane& plane, double alpha,
                      const DepthTriangle* triangles, int triangleCount, const std::uint8_t* outlined,
                      bool subPixel) {
  if (!points || count < 2) return FALSE;
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  if (!draw.visible) return TRUE;
  float* depth = depthFor(draw);
  thread_local std::vector<POINT> pixels;
  if (subPixel && !depth) {
    // Without a depth pass the polygon is drawn as Polygon draws it, through its pixels.
    pixels.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) pixels[std::size_t(i)] = {pixelOfSubPixel(points[i].x), pixelOfSubPixel(points[i].y)};
    points = pixels.data();
    subPixel = false;
  }
  if (!depth && outlined) {
    // The fill, then the flagged edges with the DC's own pen.
    const HGDIOBJ pen = SelectObject(handle, GetStockObject(NULL_PEN));
    Polygon(handle, points, count);
    SelectObject(handle, pen);
    for (int i = 0; i < count; ++i) {
      if (!outlined[i]) continue;
      const POINT& to = points[i + 1 < count ? i + 1 : 0];
      MoveToEx(handle, points[i].x, points[i].y, nullptr);
      LineTo(handle, to.x, to.y);
    }
    return TRUE;
  }
  if (!depth) return Polygon(handle, points, count);
  const DcTarget& t = draw.target;
  DepthStyle fill;
  fill.ramp = surfaceRamp(t, plane);
  fill.color = draw.fill;
  if (alpha < 1.0) {
    fill.mode = DepthMode::Blend;
    fill.alpha256 = int(std::lround(std::clamp(alpha, 0.0, 1.0) * 256.0));
  }
  std::vector<POINT>& path = pointScratch();
  thread_local std::vector<FixedPoint> ring;
  path.resize(std::size_t(count));
  ring.resize(std::size_t(count));
  surfaceCorners(draw, points, count, subPixel, path.data(), ring.data());
  if (triangles && triangleCount > 0) {
    std::vector<double> nearness(std::size_t(count), 0.0), allowance(std::size_t(count), 0.0);
    fillPieces(t, depth, path.data(), ring.data(), count, triangles, triangleCount, fill, draw.hasFill,
               nearness.data(), allowance.data());
    if (draw.penWidth == 0) return TRUE;
    const DepthStyle outline = outlineStyle(lineStyle(draw), DepthRamp{});
    if (draw.penWidth == 1) {
      strokeClosedDepthEach(t.surface, t.clip, depth, path.data(), count, outline, nearness.data(),
                            allowance.data(), outlined);
      return TRUE;
    }
    for (int i = 0; i < count; ++i) {
      if (outlined && !outlined[i]) continue;
      const int j = i + 1 < count ? i + 1 : 0;
      DepthStyle edge = outline;
      edge.absoluteBias += allowance[std::size_t(i)];
      depthSegment(draw, depth, path[std::size_t(i)], path[std::size_t(j)], nearness[std::size_t(i)],
                   nearness[std::size_t(j)], edge);
    }
    return TRUE;
  }
  if (draw.hasFill) {
    if (count == 3)
      fillTriangleDepth(t.surface, t.clip, depth, ring[0], ring[1], ring[2], fill);
    else
      fillPolygonDepth(t.surface, t.clip, depth, ring.data(), &count, 1,
                       draw.dc->state.polyFillMode == WINDING, fill);
  }
  if (draw.penWidth == 0) return TRUE;
  const DepthStyle outline = outlineStyle(lineStyle(draw), fill.ramp);
  if (draw.penWidth == 1 && outlined) {
    std::vector<double> nearness(static_cast<std::size_t>(count), 0.0), noExtra(static_cast<std::size_t>(count), 0.0);
    strokeSomeEdges(t, depth, path.data(), count, outline, outlined, nearness.data(), noExtra.data());
    return TRUE;
  }
  if (draw.penWidth == 1) {
    strokeClosedDepth(t.surface, t.clip, depth, path.data(), count, outline);
    return TRUE;
  }
  auto nearAt = [&](const POINT& p) { return fill.ramp.a * p.x + fill.ramp.b * p.y + fill.ramp.c; };
  for (int i = 0; i < count; ++i) {
    if (outlined && !outlined[i]) continue;
    const POINT from = path[std::size_t(i)], to = path[std::size_t(i + 1 < count ? i + 1 : 0)];
    depthSegment(draw, depth, from, to, nearAt(from), nearAt(to), outline);
  }
  return TRUE;
}

BOOL vk::depthLine(HDC handle, POINT from, POINT to, double nearFrom, double nearTo) {
  const Draw* resolved = beginDraw(handle);
  if (!resolved) return FALSE;
  const Draw& draw = *resolved;
  float* depth = depthFor(draw);
  if (!depth || draw.line.dotted) {
    MoveToEx(handle, from.x, from.y, nullptr);
    return LineTo(handle, to.x, to.y);
  }
  draw.dc->state.currentPosition = to;
  if (!draw.visible || draw.penWidth == 0) return TRUE;
  depthSegment(draw, depth, toSurface(draw, from.x, from.y), toSurface(draw, to.x, to.y), nearFrom, nearTo,
               lineStyle(draw));
  return TRUE;
}
