// What of a line or a polygon the rasterizer is handed: the part in front
// of the camera's near plane (in Camera View) and inside the guard band
// around the view, cut exactly where it leaves them, so that nothing behind
// the eye lands on the screen and nothing huge reaches the fill; and the
// lines, polylines, polygons and marks the viewport draws that way.
#include <algorithm>
#include <array>
#include <cmath>

#include "viewport/view_clipping.h"
#include "viewport/view_context.h"

namespace vk {

namespace {

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The point of the segment between a and b where its depth is `z`, which
// lies between theirs. Measured from the nearer end, so that an edge two
// faces share, and the line along it, are cut at the same point whichever
// way each runs.
Vec3 atDepth(const Vec3& a, const Vec3& b, double z) {
  const Vec3& from = a.z < b.z ? a : b;
  const Vec3& to = a.z < b.z ? b : a;
  const double t = (z - from.z) / (to.z - from.z);
  return {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t, z};
}

// One side of the band: the corner coordinate it limits and where.
struct BandSide {
  bool vertical;  // limits x (else y)
  bool low;       // keeps what lies at or above `at` (else at or below)
  double at;
};

bool keeps(const BandSide& side, double x, double y) {
  const double v = side.vertical ? x : y;
  return side.low ? v >= side.at : v <= side.at;
}

// The crossing of the side by the segment from a to b, which it separates.
double crossing(const BandSide& side, double ax, double ay, double bx, double by) {
  return side.vertical ? (side.at - ax) / (bx - ax) : (side.at - ay) / (by - ay);
}

std::array<BandSide, 4> bandSides(const GuardBand& band) {
  return {BandSide{true, true, band.left}, BandSide{true, false, band.right}, BandSide{false, true, band.top},
          BandSide{false, false, band.bottom}};
}

// Each view-space point's pixel and placeAsProjected; true when all of them
// share one place.
bool projectAll(const ViewContext& view, const std::vector<Vec3>& points, std::vector<POINT>& screen,
                std::vector<std::uint8_t>& shown) {
  const GuardBand band = guardBandOf(view.rect);
  screen.clear();
  shown.clear();
  for (const Vec3& p : points) {
    screen.push_back(projectViewSpaceWith(view, p));
    shown.push_back(placeAsProjected(view, band, screen.back(), p));
  }
  return !shown.empty() && shown.front() != 0 &&
         std::all_of(shown.begin(), shown.end(), [&](std::uint8_t v) { return v == shown.front(); });
}

}  // namespace

GuardBand guardBandOf(const RECT& rect) {
  const double w = std::max<double>(static_cast<double>(rect.right) - rect.left, 1.0);
  const double h = std::max<double>(static_cast<double>(rect.bottom) - rect.top, 1.0);
  const double l = std::max(w, h);
  return {-6.0 * l, -6.0 * l, 6.0 * l + w, 6.0 * l + h};
}

namespace {

// The segment between two view-space points within one depth span,
// projected and cut to the band; false when nothing of it lies inside.
bool clipSpanSegmentToBand(const ViewContext& view, const GuardBand& band, const Vec3& a, const Vec3& b,
                           ViewSegment& out) {
  ScreenPoint pa = projectViewSpacePrecise(view, a), pb = projectViewSpacePrecise(view, b);
  double na = depthNearness(view, a.z), nb = depthNearness(view, b.z);
  // Nearness runs linearly across the screen along a straight line.
  for (const BandSide& side : bandSides(band)) {
    const bool keepA = keeps(side, pa.x, pa.y), keepB = keeps(side, pb.x, pb.y);
    if (!keepA && !keepB) return false;
    if (keepA && keepB) continue;
    const double t = crossing(side, pa.x, pa.y, pb.x, pb.y);
    const ScreenPoint cut{pa.x + (pb.x - pa.x) * t, pa.y + (pb.y - pa.y) * t};
    const double nearCut = na + (nb - na) * t;
    if (keepA) {
      pb = cut, nb = nearCut;
    } else {
      pa = cut, na = nearCut;
    }
  }
  out = {roundedScreenPoint(pa), roundedScreenPoint(pb), na, nb};
  return true;
}

}  // namespace

bool clipViewSegment(const ViewContext& view, Vec3 a, Vec3 b, ViewSegments& out) {
  out.count = 0;
  if (!finite(a) || !finite(b)) return false;
  // Every cut is made on the segment as given, as the faces' are on their edges.
  const Vec3 givenA = a, givenB = b;
  if (view.cameraView) {
    const double near = view.nearClip;
    if (a.z < near && b.z < near) return false;
    if (a.z < near) a = atDepth(givenA, givenB, near);
    if (b.z < near) b = atDepth(givenA, givenB, near);
  }
  std::array<DepthSpan, 3> spans;
  depthSpans(view, spans);
  const GuardBand band = guardBandOf(view.rect);
  const int first = depthSpanOf(view, a.z), last = depthSpanOf(view, b.z);
  const int step = first <= last ? 1 : -1;
  Vec3 start = a;
  for (int s = first;; s += step) {
    const auto span = static_cast<std::size_t>(s);
    const Vec3 end = s == last ? b : atDepth(givenA, givenB, step > 0 ? spans[span].to : spans[span].from);
    if (clipSpanSegmentToBand(view, band, start, end, out.parts[out.count])) ++out.count;
    if (s == last) break;
    start = end;
  }
  return out.count > 0;
}

bool clipWorldSegment(const ViewContext& view, const Vec3& a, const Vec3& b, ViewSegments& out) {
  return clipViewSegment(view, viewSpaceWith(view, a), viewSpaceWith(view, b), out);
}

std::size_t depthSpans(const ViewContext& view, std::array<DepthSpan, 3>& spans) {
  const DepthSpanEnds ends = depthSpanEnds(view);
  // In Camera View nothing nearer than the near clip.
  double from = view.cameraView ? view.nearClip : -INFINITY;
  std::size_t count = 0;
  for (const double to : {ends.first, ends.second}) {
    if (to == INFINITY) break;
    spans[count++] = {from, to};
    from = to;
  }
  spans[count++] = {from, INFINITY};
  return count;
}

namespace {

// The polygon's part within the span, projected (a new corner where an edge
// crosses one of its ends, the edge along it not the face's own); empty when
// a corner has no finite position. Both ends are cut in one pass over the
// given edges, so that a piece's corners on a span's end are those of the
// piece beyond it and of every face that shares the edge.
void clipToDepthSpan(const ViewContext& view, const DepthSpan& span, const std::vector<ClipCorner>& in,
                     std::vector<ScreenCorner>& out) {
  out.clear();
  for (const ClipCorner& corner : in) {
    if (!finite(corner.view)) return;  // no part of such a polygon has a place on the screen
  }
  // -1 nearer than the span, 0 within it, 1 farther.
  const auto side = [&](double z) { return z < span.from ? -1 : z > span.to ? 1 : 0; };
  const auto emit = [&](const Vec3& p, bool ownEdge) {
    const ScreenPoint screen = projectViewSpacePrecise(view, p);
    out.push_back(ScreenCorner{screen.x, screen.y, depthNearness(view, p.z), ownEdge});
  };
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    const ClipCorner& a = in[i];
    const ClipCorner& b = in[i + 1 < n ? i + 1 : 0];
    const int sideA = side(a.view.z), sideB = side(b.view.z);
    // Each corner carries the flag of the edge that leaves it: a cut through
    // an end starts an edge along it, never the face's own.
    if (sideA == 0) emit(a.view, a.ownEdge);
    if (sideA == sideB) continue;
    if (sideA != 0) emit(atDepth(a.view, b.view, sideA < 0 ? span.from : span.to), a.ownEdge);
    if (sideB != 0) emit(atDepth(a.view, b.view, sideB < 0 ? span.from : span.to), false);
  }
}

// `corners` cut to the band, in sub-pixels, with each edge's own-edge flag;
// false when fewer than three corners or no area remain.
bool clipToBand(const GuardBand& band, std::vector<ScreenCorner>& corners, std::vector<ScreenCorner>& scratch,
                std::vector<POINT>& points, std::vector<std::uint8_t>& ownEdges) {
  points.clear();
  ownEdges.clear();
  for (const BandSide& side : bandSides(band)) {
    const std::size_t n = corners.size();
    if (n < 3) return false;
    scratch.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const ScreenCorner& a = corners[i];
      const ScreenCorner& b = corners[i + 1 < n ? i + 1 : 0];
      const bool aIn = keeps(side, a.x, a.y), bIn = keeps(side, b.x, b.y);
      if (aIn) scratch.push_back(a);
      if (aIn == bIn) continue;
      const double t = crossing(side, a.x, a.y, b.x, b.y);
      ScreenCorner cut{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.nearness + (b.nearness - a.nearness) * t,
                       aIn ? false : a.ownEdge};
      // Exactly on the side, whatever the rounding of t.
      (side.vertical ? cut.x : cut.y) = side.at;
      scratch.push_back(cut);
    }
    corners.swap(scratch);
  }
  if (corners.size() < 3) return false;
  for (const ScreenCorner& c : corners) {
    points.push_back(subPixelScreenPoint({c.x, c.y}));
    ownEdges.push_back(c.ownEdge ? 1 : 0);
  }
  return twicePixelArea(points.data(), points.size()) != 0;
}

}  // namespace

void forEachVisiblePiece(const ViewContext& view, const GuardBand& band, const std::vector<ClipCorner>& polygon,
                         PolygonClipScratch& scratch, const VisiblePieceFn& piece) {
  std::array<DepthSpan, 3> spans;
  const std::size_t spanCount = depthSpans(view, spans);
  for (std::size_t s = 0; s < spanCount; ++s) {
    clipToDepthSpan(view, spans[s], polygon, scratch.screen);
    if (scratch.screen.size() < 3) continue;
    const std::vector<ScreenCorner>& corners = scratch.screen;
    const DepthPlane plane = depthPlaneThrough(corners.size(), [&](std::size_t i) { return corners[i]; });
    if (clipToBand(band, scratch.screen, scratch.screenSpare, scratch.points, scratch.ownEdges)) {
      piece(plane, scratch.points, scratch.ownEdges);
    }
  }
}

void drawViewSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b, LineDepth depth) {
  ViewSegments visible;
  clipViewSegment(view, a, b, visible);
  for (const ViewSegment& part : visible) {
    if (depth == LineDepth::Tested) {
      depthLine(dc, part.from, part.to, part.nearFrom, part.nearTo);
    } else {
      drawLine(dc, part.from, part.to);
    }
  }
}

void drawWorldSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b, LineDepth depth) {
  drawViewSegment(dc, view, viewSpaceWith(view, a), viewSpaceWith(view, b), depth);
}

void drawViewPolyline(HDC dc, const ViewContext& view, const std::vector<Vec3>& points, bool closed) {
  const std::size_t n = points.size();
  if (n < 2) return;
  std::vector<POINT> screen;
  std::vector<std::uint8_t> shown;
  if (projectAll(view, points, screen, shown)) {
    if (closed) screen.push_back(screen.front());
    Polyline(dc, screen.data(), static_cast<int>(screen.size()));
    return;
  }
  std::vector<POINT> run;
  auto flush = [&] {
    if (run.size() >= 2) Polyline(dc, run.data(), static_cast<int>(run.size()));
    run.clear();
  };
  for (std::size_t i = 0; i < (closed ? n : n - 1); ++i) {
    const std::size_t j = i + 1 < n ? i + 1 : 0;
    if (shown[i] != 0 && shown[i] == shown[j]) {
      if (run.empty()) run.push_back(screen[i]);
      run.push_back(screen[j]);
      continue;
    }
    flush();
    drawViewSegment(dc, view, points[i], points[j]);
  }
  flush();
}

void drawViewPolygon(HDC dc, const ViewContext& view, const std::vector<Vec3>& corners) {
  const std::size_t n = corners.size();
  if (n < 2) return;
  std::vector<POINT> screen;
  std::vector<std::uint8_t> shown;
  if (projectAll(view, corners, screen, shown)) {
    Polygon(dc, screen.data(), static_cast<int>(n));
    return;
  }
  const HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
  for (const std::vector<POINT>& piece : visiblePolygonPieces(view, corners)) {
    Polygon(dc, piece.data(), static_cast<int>(piece.size()));
  }
  SelectObject(dc, pen);
  for (std::size_t i = 0; i < n; ++i) drawViewSegment(dc, view, corners[i], corners[i + 1 < n ? i + 1 : 0]);
}

std::vector<std::vector<POINT>> visiblePolygonPieces(const ViewContext& view, const std::vector<Vec3>& corners) {
  std::vector<std::vector<POINT>> pieces;
  std::vector<ClipCorner> polygon;
  for (const Vec3& corner : corners) polygon.push_back(ClipCorner{corner, true});
  PolygonClipScratch scratch;
  forEachVisiblePiece(view, guardBandOf(view.rect), polygon, scratch,
                      [&](const DepthPlane&, const std::vector<POINT>& points, const std::vector<std::uint8_t>&) {
                        std::vector<POINT>& pixels = pieces.emplace_back();
                        for (const POINT& p : points) pixels.push_back({pixelOfSubPixel(p.x), pixelOfSubPixel(p.y)});
                      });
  return pieces;
}

bool anchorOnScreen(const ViewContext& view, const Vec3& world, POINT& at) {
  const Vec3 v = viewSpaceWith(view, world);
  if (behindNear(view, v.z)) return false;
  at = projectViewSpaceWith(view, v);
  return true;
}

void MeshEdgeLines::drawClipped(HDC dc, std::size_t a, std::size_t b) {
  if (!placed_) {
    placement_ = makePlacement(object_);
    placed_ = true;
  }
  const auto& vertices = object_.meshData.vertices.read();
  drawWorldSegment(dc, view_, placePoint(placement_, vertices[a]), placePoint(placement_, vertices[b]), depth_);
}

}  // namespace vk
