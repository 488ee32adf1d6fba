// Clipping to the view: screen points before and after rounding, the guard
// band, the near plane and the depth spans, clipped segments, polylines and
// polygons, mesh edges over a projection, and the depth plane of a face.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/types.h"
#include "platform/win32.h"
#include "viewport/view_context.h"
#include "viewport/viewport.h"

namespace vk {

// A screen position before it is rounded to a pixel.
struct ScreenPoint {
  double x = 0.0, y = 0.0;
};
// projectViewSpaceWith before the rounding and the clamp to +-200000.
ScreenPoint projectViewSpacePrecise(const ViewContext& view, const Vec3& viewPoint);
// A screen coordinate's pixel: rounded half away from zero within +-200000.
// Infinities meeting in the view transform give a NaN, which has no place
// on the screen: it counts as 0 and is never cast.
inline std::int32_t screenCoordinate(double value) {
  if (std::isnan(value)) return 0;
  // As roundHalfAwayFromZero, without a library call: what the truncation
  // leaves is exact.
  const double clamped = std::clamp(value, -200000.0, 200000.0);
  const auto whole = static_cast<std::int32_t>(clamped);
  const double rest = clamped - whole;
  return whole + static_cast<std::int32_t>(rest >= 0.5) - static_cast<std::int32_t>(rest <= -0.5);
}
// The sub-pixel nearest a screen coordinate among those pixelOfSubPixel
// takes to `pixel`, its pixel.
inline LONG subPixelWithin(double position, LONG pixel) {
  constexpr LONG one = LONG{1} << kSubPixelShift, half = one / 2;
  const LONG lo = pixel > 0 ? pixel * one - half : pixel * one - (half - 1);
  const LONG hi = pixel < 0 ? pixel * one + half : pixel * one + (half - 1);
  if (std::isnan(position)) return pixel * one;
  // Rounded by a truncating conversion: a sub-pixel either way, kept within the pixel.
  const double scaled = std::clamp(position, -200000.0, 200000.0) * one;
  return std::clamp(static_cast<LONG>(scaled + (scaled < 0.0 ? -0.5 : 0.5)), lo, hi);
}
// The pixel of a screen position.
inline POINT roundedScreenPoint(const ScreenPoint& p) { return POINT{screenCoordinate(p.x), screenCoordinate(p.y)}; }
// The screen position in sub-pixels, within the pixel roundedScreenPoint
// gives it (pixelOfSubPixel takes it back there); `pixel` when that is known.
inline POINT subPixelScreenPoint(const ScreenPoint& p, POINT pixel) {
  return POINT{subPixelWithin(p.x, pixel.x), subPixelWithin(p.y, pixel.y)};
}
inline POINT subPixelScreenPoint(const ScreenPoint& p) { return subPixelScreenPoint(p, roundedScreenPoint(p)); }
// How far polygons and lines handed to the rasterizer may reach: six times
// the view's longer side beyond each of its edges.
struct GuardBand {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
GuardBand guardBandOf(const RECT& rect);
inline bool insideBand(const GuardBand& band, POINT p) {
  return p.x >= band.left && p.x <= band.right && p.y >= band.top && p.y <= band.bottom;
}
// One bit for each side of the band the point lies past (0: inside).
inline unsigned bandSidesPast(const GuardBand& band, POINT p) {
  return static_cast<unsigned>(p.x < band.left) | static_cast<unsigned>(p.x > band.right) << 1 |
         static_cast<unsigned>(p.y < band.top) << 2 | static_cast<unsigned>(p.y > band.bottom) << 3;
}
// Behind the camera's near plane (Camera View only: the orbit view's eye
// is never reached), by view depth or by its nearness, which grows
// strictly as the depth shrinks.
inline bool behindNear(const ViewContext& view, double viewZ) { return view.cameraView && viewZ < view.nearClip; }
inline bool nearnessBehindNear(const ViewContext& view, double nearness) {
  return view.cameraView && nearness > 1.0 / view.nearClip;
}
// Where the perspective views' depth spans meet (depthSpans): the orbit
// view's eye distances where its factor stops growing and shrinking, and
// the depth past which Camera View's picture no longer shrinks.
inline constexpr double kOrbitNearClampDistance = kOrbitEyeDistance / 1.22;
inline constexpr double kOrbitFarClampDistance = kOrbitEyeDistance / 0.78;
inline constexpr double kCameraFarSpanStart = 100000.0;
// The view depths past which the next of the view's depth spans begins
// (infinite where there is none), and which span a view depth lies in,
// nearest 0. A flat face or a line is drawn straight only within one: one
// whose corners lie in different spans bends where it crosses, and is drawn
// as its pieces.
struct DepthSpanEnds {
  double first = INFINITY, second = INFINITY;
  int spanOf(double viewZ) const { return static_cast<int>(viewZ > first) + static_cast<int>(viewZ > second); }
};
inline DepthSpanEnds depthSpanEnds(const ViewContext& view) {
  if (view.cameraView) return {kCameraFarSpanStart, INFINITY};
  if (view.orthographic) return {};
  return {kOrbitNearClampDistance - kOrbitEyeDistance, kOrbitFarClampDistance - kOrbitEyeDistance};
}
inline int depthSpanOf(const ViewContext& view, double viewZ) { return depthSpanEnds(view).spanOf(viewZ); }
// The same from a depth's nearness (depthNearness), which shrinks as the
// depth grows.
inline int nearnessSpanOf(const ViewContext& view, double nearness) {
  if (view.cameraView) return static_cast<int>(nearness < 1.0 / kCameraFarSpanStart);
  if (view.orthographic) return 0;
  return static_cast<int>(nearness < 1.0 / kOrbitNearClampDistance) +
         static_cast<int>(nearness < 1.0 / kOrbitFarClampDistance);
}
// A line's visible part within one depth span, projected, with the
// nearness at its ends.
struct ViewSegment {
  POINT from{}, to{};
  double nearFrom = 0.0, nearTo = 0.0;
};
// A line's visible parts, one within each depth span it crosses, in order
// from its start.
struct ViewSegments {
  std::array<ViewSegment, 3> parts{};
  std::size_t count = 0;
  const ViewSegment* begin() const { return parts.data(); }
  const ViewSegment* end() const { return parts.data() + count; }
};
// The parts of the segment between two view-space (or world) points that
// lie in front of the near plane and inside the band; false when none.
bool clipViewSegment(const ViewContext& view, Vec3 a, Vec3 b, ViewSegments& out);
bool clipWorldSegment(const ViewContext& view, const Vec3& a, const Vec3& b, ViewSegments& out);

// Whether a projected point (its pixel, and its nearness or view-space
// position) may be drawn as it stands: in front of the near plane and
// inside the band. A line between two such points within one depth span
// needs no clipping.
inline bool showsAsProjected(const ViewContext& view, const GuardBand& band, POINT p, double nearness) {
  return insideBand(band, p) && !nearnessBehindNear(view, nearness);
}
inline bool showsAsProjected(const ViewContext& view, const GuardBand& band, POINT p, const Vec3& viewPoint) {
  return insideBand(band, p) && !behindNear(view, viewPoint.z);
}
// 1 + the depth span of a projected point that shows as projected, else 0:
// a line or face between points of one such place is drawn straight
// between their pixels.
inline std::uint8_t placeAsProjected(const ViewContext& view, const GuardBand& band, POINT p, const Vec3& viewPoint) {
  return showsAsProjected(view, band, p, viewPoint) ? static_cast<std::uint8_t>(1 + depthSpanOf(view, viewPoint.z)) : 0;
}
// Whether a line is drawn with per-pixel depth (depthLine) or plainly.
enum class LineDepth : std::uint8_t { Plain, Tested };
// Draws the visible part of the segment between two view-space (or world)
// points with the DC's pen: nothing behind the eye, the far-off part cut
// at the band so that the line keeps its direction.
void drawViewSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b,
                     LineDepth depth = LineDepth::Plain);
void drawWorldSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b,
                      LineDepth depth = LineDepth::Plain);
// Polyline through view-space points (closed: back to the first), each
// side cut as drawViewSegment cuts it; runs of points that show as
// projected go to Polyline whole.
void drawViewPolyline(HDC dc, const ViewContext& view, const std::vector<Vec3>& points, bool closed);
// Polygon over view-space corners with the DC's brush and pen. One that
// reaches behind the near plane or past the band is filled as its part in
// front and inside, outlined along its own sides only, never along a cut.
void drawViewPolygon(HDC dc, const ViewContext& view, const std::vector<Vec3>& corners);
// The parts of a polygon over view-space corners that the view shows, one
// within each span of the view's depths, cut to the band and rounded; none
// when nothing of it shows.
std::vector<std::vector<POINT>> visiblePolygonPieces(const ViewContext& view, const std::vector<Vec3>& corners);
// Where a mark anchored at a world point (a glyph, a label, a dot) is
// drawn; false when the point lies behind the near plane, where neither
// it nor anything drawn around it shows.
bool anchorOnScreen(const ViewContext& view, const Vec3& world, POINT& at);

// The edges of one object's mesh over a projection of its vertices (each
// one's pixel and nearness): an edge whose ends both show as projected is
// drawn from them as it stands, nothing recomputed; any other as its
// visible part, its ends placed again from the object's vertices.
class MeshEdgeLines {
 public:
  MeshEdgeLines(const ViewContext& view, const Object& object, LineDepth depth)
      : view_(view), band_(guardBandOf(view.rect)), object_(object), depth_(depth) {}
  // The edge from vertex a to vertex b (both within the vertices).
  void draw(HDC dc, std::size_t a, std::size_t b, POINT pa, POINT pb, double nearA, double nearB) {
    if (!showsAsProjected(view_, band_, pa, nearA) || !showsAsProjected(view_, band_, pb, nearB) ||
        nearnessSpanOf(view_, nearA) != nearnessSpanOf(view_, nearB)) {
      drawClipped(dc, a, b);
    } else if (depth_ == LineDepth::Tested) {
      depthLine(dc, pa, pb, nearA, nearB);
    } else {
      drawLine(dc, pa, pb);
    }
  }

 private:
  void drawClipped(HDC dc, std::size_t a, std::size_t b);
  const ViewContext& view_;
  GuardBand band_;
  const Object& object_;
  LineDepth depth_;
  bool placed_ = false;  // placement_ holds the object's, made at the first edge that needs it
  ObjectPlacement placement_;
};

// One corner of a polygon to clip, in view space, and whether the edge from
// it to the next corner is the face's own (outlined) rather than a cut.
struct ClipCorner {
  Vec3 view;
  bool ownEdge = true;
};
// A corner on the screen, unrounded, with its nearness.
struct ScreenCorner {
  double x = 0.0, y = 0.0, nearness = 0.0;
  bool ownEdge = true;
};
// A span of view depths over which the projection and nearness run one
// way: a flat polygon within one maps to the screen with its nearness
// linear across it.
struct DepthSpan {
  double from = 0.0, to = 0.0;
};
// The view's spans, nearest first: in Camera View from the near clip on
// (nothing nearer is drawn), in the orbit view all depths.
std::size_t depthSpans(const ViewContext& view, std::array<DepthSpan, 3>& spans);
// The working space of clipping polygons, kept from one to the next.
struct PolygonClipScratch {
  std::vector<ScreenCorner> screen, screenSpare;
  std::vector<POINT> points;
  std::vector<std::uint8_t> ownEdges;
};
// One visible piece of a clipped polygon: the plane of its nearness, its
// corners in sub-pixels and, per corner, whether the edge to the next is the polygon's own
// (a cut at a span's end or the band's side is not). A piece may cover no
// pixel: its neighbours then cover the pixels around it.
using VisiblePieceFn =
    std::function<void(const DepthPlane& plane, const std::vector<POINT>& points, const std::vector<std::uint8_t>& ownEdges)>;
// Each piece of the polygon that lies within one of the view's depth spans
// and inside the band and has an area, nearest span first; nothing when a
// corner has no finite position.
void forEachVisiblePiece(const ViewContext& view, const GuardBand& band, const std::vector<ClipCorner>& polygon,
                         PolygonClipScratch& scratch, const VisiblePieceFn& piece);
// Twice the signed shoelace area of n pixels, summed exactly.
inline std::int64_t twicePixelArea(const POINT* points, std::size_t n) {
  std::int64_t twiceArea = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const POINT& a = points[k];
    const POINT& b = points[k + 1 < n ? k + 1 : 0];
    twiceArea += static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(b.x) * a.y;
  }
  return twiceArea;
}

// The plane (x, y, nearness) closest to n corners (Newell's normal through
// their mean), `at(i)` giving corner i as a ScreenCorner: exact for a
// triangle and any flat face. A corner without a number makes the face the
// nearest, as the depth order sorts it.
template <class At>
DepthPlane depthPlaneThrough(std::size_t n, At&& at) {
  double nx = 0.0, ny = 0.0, nz = 0.0, cx = 0.0, cy = 0.0, cn = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenCorner p = at(i), q = at(i + 1 < n ? i + 1 : 0);
    nx += (p.y - q.y) * (p.nearness + q.nearness);
    ny += (p.nearness - q.nearness) * (p.x + q.x);
    nz += (p.x - q.x) * (p.y + q.y);
    cx += p.x, cy += p.y, cn += p.nearness;
  }
  cx /= static_cast<double>(n), cy /= static_cast<double>(n), cn /= static_cast<double>(n);
  DepthPlane plane;
  if (std::isnan(cn) || !std::isfinite(nx) || !std::isfinite(ny) || nz == 0.0) {
    plane.c = std::isnan(cn) ? INFINITY : cn;
    return plane;
  }
  plane.a = -nx / nz;
  plane.b = -ny / nz;
  plane.c = cn + (nx * cx + ny * cy) / nz;
  return plane;
}

// Whether, in this view, `plane` passes within half a pixel's step (by the
// steepest of the fan's triangles) of each of n corners' nearness. The
// difference of two planes over a triangle is largest at its corners, so
// the plane then lies as near the face's triangles at every pixel: no
// farther off than rounding the corners to pixels puts any face.
template <class At>
bool onePlaneHolds(std::size_t n, At&& at, const DepthPlane& plane) {
  double off = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenCorner p = at(i);
    off = std::max(off, std::fabs(p.nearness - (plane.a * p.x + plane.b * p.y + plane.c)));
  }
  if (off == 0.0) return true;
  if (std::isnan(off)) return false;  // a corner without a number
  // A triangle's slopes are its plane's numerators over twice its area:
  // compared multiplied out, without dividing.
  const ScreenCorner first = at(0);
  for (std::size_t k = 1; k + 1 < n; ++k) {
    const ScreenCorner p = at(k), q = at(k + 1);
    const double x1 = p.x - first.x, y1 = p.y - first.y, n1 = p.nearness - first.nearness;
    const double x2 = q.x - first.x, y2 = q.y - first.y, n2 = q.nearness - first.nearness;
    const double twiceArea = std::fabs(x1 * y2 - x2 * y1);
    const double steepest = std::max(std::fabs(n1 * y2 - n2 * y1), std::fabs(x1 * n2 - x2 * n1));
    if (twiceArea > 0.0 && 2.0 * off * twiceArea <= steepest) return true;
  }
  return false;
}

}  // namespace vk
