// The aliased rasterizer: spans, Bresenham lines, an edge-table polygon
// filler, round wide strokes, rounded boxes and elliptic arcs.
#include "platform/raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vk::platform {
namespace {

using i64 = std::int64_t;
using i128 = __int128;

i128 floorDiv(i128 a, i128 b) {  // b > 0
  i128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

i128 ceilDiv(i128 a, i128 b) {  // b > 0
  i128 q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return q;
}

// Fills [xLeft, xRight) of row y, clipped horizontally (y is inside clip).
inline void fillRow(const Surface& surface, const RECT& clip, i64 y, i64 xLeft, i64 xRight,
                    std::uint32_t color) {
  if (xLeft < clip.left) xLeft = clip.left;
  if (xRight > clip.right) xRight = clip.right;
  if (xLeft >= xRight) return;
  std::uint32_t* row = surface.pixels + y * surface.stride;
  std::fill(row + xLeft, row + xRight, color);
}

}  // namespace

void fillRectPixels(const Surface& surface, const RECT& clip, RECT rect, std::uint32_t color) {
  i64 top = std::max<i64>(rect.top, clip.top), bottom = std::min<i64>(rect.bottom, clip.bottom);
  for (i64 y = top; y < bottom; ++y) fillRow(surface, clip, y, rect.left, rect.right, color);
}

std::int64_t drawCosmeticLine(const Surface& surface, const RECT& clip, POINT from, POINT to,
                              const LineStyle& style, std::int64_t phase) {
  const i64 dx = i64(to.x) - from.x, dy = i64(to.y) - from.y;
  const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx >= ady;
  const i64 steps = xMajor ? adx : ady;
  if (steps == 0) return phase;
  const i64 amaj = steps, amin = xMajor ? ady : adx;
  const int smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const i64 m0 = xMajor ? from.x : from.y, n0 = xMajor ? from.y : from.x;
  const i64 majLo = xMajor ? clip.left : clip.top, majHi = xMajor ? clip.right : clip.bottom;
  const i64 minLo = xMajor ? clip.top : clip.left, minHi = xMajor ? clip.bottom : clip.right;

  // Step i draws (m0 + smaj*i, n0 + smin*k(i)) with
  // k(i) = floor((2*i*amin + amaj) / (2*amaj)); both are monotonic in i, so
  // the clip turns into one range of steps.
  i64 first = 0, last = steps - 1;
  if (smaj > 0) {
    first = std::max(first, majLo - m0);
    last = std::min(last, majHi - 1 - m0);
  } else {
    first = std::max(first, m0 - (majHi - 1));
    last = std::min(last, m0 - majLo);
  }
  const i64 kLo = smin > 0 ? minLo - n0 : n0 - (minHi - 1);
  const i64 kHi = smin > 0 ? minHi - 1 - n0 : n0 - minLo;
  if (amin == 0) {
    if (kLo > 0 || kHi < 0) return phase + steps;
  } else {
    first = std::max<i64>(first, i64(std::clamp<i128>(
        ceilDiv(i128(2) * amaj * kLo - amaj, i128(2) * amin), -1, steps)));
    last = std::min<i64>(last, i64(std::clamp<i128>(
        ceilDiv(i128(2) * amaj * (i128(kHi) + 1) - amaj, i128(2) * amin) - 1, -1, steps)));
  }
  if (first > last) return phase + steps;

  const i64 twoMaj = 2 * amaj, twoMin = 2 * amin;
  i128 numer = i128(2) * first * amin + amaj;
  i64 k = i64(numer / twoMaj), err = i64(numer % twoMaj);
  i64 major = m0 + smaj * first, minor = n0 + smin * k;
  i64 x = xMajor ? major : minor, y = xMajor ? minor : major;
  std::ptrdiff_t offset = std::ptrdiff_t(y * surface.stride + x);
  const std::ptrdiff_t majStep = xMajor ? smaj : std::ptrdiff_t(smaj) * surface.stride;
  const std::ptrdiff_t minStep = xMajor ? std::ptrdiff_t(smin) * surface.stride : smin;
  std::uint32_t* pixels = surface.pixels;
  if (!style.dotted) {
    for (i64 i = first; i <= last; ++i) {
      pixels[offset] = style.color;
      offset += majStep;
      err += twoMin;
      if (err >= twoMaj) {
        err -= twoMaj;
        offset += minStep;
      }
    }
  } else {
    for (i64 i = first; i <= last; ++i) {
      if (((phase + i) & 1) == 0) pixels[offset] = style.color;
      else if (style.fillGaps) pixels[offset] = style.gapColor;
      offset += majStep;
      err += twoMin;
      if (err >= twoMaj) {
        err -= twoMaj;
        offset += minStep;
      }
    }
  }
  return phase + steps;
}

namespace {

// One non-horizontal edge, stepped one scanline at a time: its crossing
// with scanline y is x = q + r/den exactly (0 <= r < den).
struct Edge {
  i64 q, r, stepQ, stepR, den;
  i64 yStart, yEnd;  // scanlines [yStart, yEnd)
  int dir;
};

struct Crossing {
  i64 x;
  int dir;
};

struct FillScratch {
  std::vector<Edge> edges;
  std::vector<int> active;
  std::vector<Crossing> crossings;
};

FillScratch& fillScratch() {
  thread_local FillScratch scratch;
  return scratch;
}

void addEdge(std::vector<Edge>& edges, const RECT& clip, FixedPoint a, FixedPoint b) {
  if (a.y == b.y) return;
  int dir = 1;
  if (a.y > b.y) {
    std::swap(a, b);
    dir = -1;
  }
  // Scanline y samples the fixed-point row y * kFixedOne; the edge owns
  // the rows with a.y <= y*one < b.y (top inclusive, bottom exclusive).
  i64 yStart = i64(ceilDiv(a.y, kFixedOne)), yEnd = i64(ceilDiv(b.y, kFixedOne));
  yStart = std::max<i64>(yStart, clip.top);
  yEnd = std::min<i64>(yEnd, clip.bottom);
  if (yStart >= yEnd) return;
  const i64 dY = b.y - a.y, dX = b.x - a.x;
  const i128 den = i128(dY) * kFixedOne;
  const i128 numer = i128(a.x) * dY + (i128(yStart) * kFixedOne - a.y) * dX;
  const i128 step = i128(dX) * kFixedOne;
  Edge edge;
  edge.den = i64(den);
  i128 q = floorDiv(numer, den);
  edge.q = i64(q);
  edge.r = i64(numer - q * den);
  i128 stepQ = floorDiv(step, den);
  edge.stepQ = i64(stepQ);
  edge.stepR = i64(step - stepQ * den);
  edge.yStart = yStart;
  edge.yEnd = yEnd;
  edge.dir = dir;
  edges.push_back(edge);
}

}  // namespace

void fillPolygonFixed(const Surface& surface, const RECT& clip, const FixedPoint* points,
                      const int* ringSizes, int ringCount, bool winding, std::uint32_t color) {
  FillScratch& scratch = fillScratch();
  std::vector<Edge>& edges = scratch.edges;
  edges.clear();
  const FixedPoint* ring = points;
  for (int r = 0; r < ringCount; ++r) {
    int n = ringSizes[r];
    for (int i = 0; i < n; ++i) addEdge(edges, clip, ring[i], ring[i + 1 < n ? i + 1 : 0]);
    ring += n;
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(),
            [](const Edge& a, const Edge& b) { return a.yStart < b.yStart; });

  std::vector<int>& active = scratch.active;
  std::vector<Crossing>& crossings = scratch.crossings;
  active.clear();
  std::size_t next = 0;
  i64 y = edges[0].yStart;
  while (true) {
    if (active.empty()) {
      if (next == edges.size()) break;
      y = edges[next].yStart;
    }
    while (next < edges.size() && edges[next].yStart == y) active.push_back(int(next++));

    crossings.clear();
    for (int index : active) {
      const Edge& e = edges[std::size_t(index)];
      crossings.push_back(Crossing{e.q + (e.r > 0 ? 1 : 0), e.dir});
    }
    for (std::size_t i = 1; i < crossings.size(); ++i) {  // nearly sorted: insertion sort
      Crossing c = crossings[i];
      std::size_t j = i;
      while (j > 0 && crossings[j - 1].x > c.x) {
        crossings[j] = crossings[j - 1];
        --j;
      }
      crossings[j] = c;
    }
    if (!winding) {
      for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
        fillRow(surface, clip, y, crossings[i].x, crossings[i + 1].x, color);
    } else {
      int count = 0;
      for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        count += crossings[i].dir;
        if (count != 0) fillRow(surface, clip, y, crossings[i].x, crossings[i + 1].x, color);
      }
    }

    ++y;
    std::size_t kept = 0;
    for (int index : active) {
      Edge& e = edges[std::size_t(index)];
      if (e.yEnd <= y) continue;
      e.q += e.stepQ;
      e.r += e.stepR;
      if (e.r >= e.den) {
        e.r -= e.den;
        ++e.q;
      }
      active[kept++] = index;
    }
    active.resize(kept);
    if (active.empty() && next == edges.size()) break;
  }
}

namespace {

FixedPoint toFixed(const POINT& p) { return FixedPoint{i64(p.x) * kFixedOne, i64(p.y) * kFixedOne}; }

// A disc as a 16-gon turned half a step so no vertex sits on a pixel row
// or column.
void fillDisc(const Surface& surface, const RECT& clip, POINT centre, double radius,
              std::uint32_t color) {
  constexpr int kSides = 16;
  FixedPoint ring[kSides];
  double scale = radius * kFixedOne;
  for (int i = 0; i < kSides; ++i) {
    double angle = (i + 0.5) * 2 * std::numbers::pi / kSides;
    ring[i] = FixedPoint{i64(centre.x) * kFixedOne + std::llround(std::cos(angle) * scale),
                         i64(centre.y) * kFixedOne + std::llround(std::sin(angle) * scale)};
  }
  int size = kSides;
  fillPolygonFixed(surface, clip, ring, &size, 1, false, color);
}

void fillSegmentBody(const Surface& surface, const RECT& clip, POINT a, POINT b, double radius,
                     std::uint32_t color) {
  double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  double length = std::hypot(dx, dy);
  if (length == 0) return;
  i64 nx = std::llround(-dy / length * radius * kFixedOne);
  i64 ny = std::llround(dx / length * radius * kFixedOne);
  FixedPoint fa = toFixed(a), fb = toFixed(b);
  FixedPoint quad[4] = {{fa.x + nx, fa.y + ny},
                        {fb.x + nx, fb.y + ny},
                        {fb.x - nx, fb.y - ny},
                        {fa.x - nx, fa.y - ny}};
  int size = 4;
  fillPolygonFixed(surface, clip, quad, &size, 1, true, color);
}

}  // namespace

void strokeWidePath(const Surface& surface, const RECT& clip, const POINT* points, int count,
                    bool closed, int width, std::uint32_t color) {
  if (count < 1) return;
  double radius = width / 2.0;
  int segments = closed && count > 2 ? count : count - 1;
  for (int i = 0; i < segments; ++i)
    fillSegmentBody(surface, clip, points[i], points[(i + 1) % count], radius, color);
  for (int i = 0; i < count; ++i) fillDisc(surface, clip, points[i], radius, color);
}

namespace {

struct Span {
  i64 left, right;  // inclusive
};

// The pixels of `box` on row y (false when none).
bool boxRowSpan(const RoundedBox& box, i64 y, Span& span) {
  if (y < box.top || y >= box.bottom || box.right <= box.left) return false;
  i64 width = box.right - box.left, height = box.bottom - box.top;
  i64 cw = std::min(box.cornerWidth, width), ch = std::min(box.cornerHeight, height);
  span = Span{box.left, box.right - 1};
  if (cw <= 0 || ch <= 0) return true;
  i64 ellipseTop;
  if (y < box.top + ch / 2) ellipseTop = box.top;
  else if (y >= box.bottom - ch / 2) ellipseTop = box.bottom - ch;
  else return true;
  // Pixel centres in doubled units relative to the corner ellipse's centre:
  // inside when px^2 * ch^2 + py^2 * cw^2 <= cw^2 * ch^2.
  i64 py = 2 * y + 1 - (2 * ellipseTop + ch);
  i128 limit = i128(cw) * cw * (i128(ch) * ch - i128(py) * py);  // >= P^2 * ch^2
  if (limit < 0) return false;
  i128 ch2 = i128(ch) * ch;
  i64 p = i64(std::sqrt(double(limit) / double(ch2)));
  while (p > 0 && i128(p) * p * ch2 > limit) --p;
  while (i128(p + 1) * (p + 1) * ch2 <= limit) ++p;
  i64 inset = i64(ceilDiv(i128(cw) - 1 - p, 2));  // first pixel with |px| <= p
  if (inset < 0) inset = 0;
  span = Span{box.left + inset, box.right - 1 - inset};
  return span.left <= span.right;
}

RoundedBox inflated(const RoundedBox& box, i64 by) {
  RoundedBox out = box;
  out.left -= by;
  out.top -= by;
  out.right += by;
  out.bottom += by;
  if (box.cornerWidth > 0) out.cornerWidth = std::max<i64>(0, box.cornerWidth + 2 * by);
  if (box.cornerHeight > 0) out.cornerHeight = std::max<i64>(0, box.cornerHeight + 2 * by);
  return out;
}

// The pixels of `box` on row y whose four neighbours are all in `box`.
bool interiorRowSpan(const RoundedBox& box, i64 y, Span& span) {
  Span above, here, below;
  if (!boxRowSpan(box, y - 1, above) || !boxRowSpan(box, y, here) ||
      !boxRowSpan(box, y + 1, below))
    return false;
  span.left = std::max({here.left + 1, above.left, below.left});
  span.right = std::min({here.right - 1, above.right, below.right});
  return span.left <= span.right;
}

// Visits the rows of an outline `penWidth` wide centred on the box's
// one-pixel boundary: visit(y, ring spans (1 or 2), interior span or null).
template <class Visit>
void forEachOutlineRow(const RECT& clip, const RoundedBox& box, int penWidth, Visit&& visit) {
  i64 outward = penWidth / 2, inward = penWidth - 1 - outward;
  RoundedBox outer = inflated(box, outward), inner = inflated(box, -inward);
  i64 top = std::max<i64>(outer.top, clip.top), bottom = std::min<i64>(outer.bottom, clip.bottom);
  for (i64 y = top; y < bottom; ++y) {
    Span o, in;
    if (!boxRowSpan(outer, y, o)) continue;
    if (!interiorRowSpan(inner, y, in)) {
      Span ring[1] = {o};
      visit(y, ring, 1, static_cast<const Span*>(nullptr));
    } else {
      Span ring[2] = {{o.left, in.left - 1}, {in.right + 1, o.right}};
      visit(y, ring, 2, &in);
    }
  }
}

}  // namespace

void drawRoundedBox(const Surface& surface, const RECT& clip, const RoundedBox& box,
                    const std::uint32_t* fill, int penWidth, std::uint32_t penColor) {
  if (penWidth <= 0) {
    if (!fill) return;
    // Without a pen the figure keeps its top-left edges only.
    RoundedBox shrunk = box;
    shrunk.right -= 1;
    shrunk.bottom -= 1;
    if (box.cornerWidth >= box.right - box.left) shrunk.cornerWidth = shrunk.right - shrunk.left;
    if (box.cornerHeight >= box.bottom - box.top) shrunk.cornerHeight = shrunk.bottom - shrunk.top;
    i64 top = std::max<i64>(shrunk.top, clip.top);
    i64 bottom = std::min<i64>(shrunk.bottom, clip.bottom);
    for (i64 y = top; y < bottom; ++y) {
      Span s;
      if (boxRowSpan(shrunk, y, s)) fillRow(surface, clip, y, s.left, s.right + 1, *fill);
    }
    return;
  }
  forEachOutlineRow(clip, box, penWidth, [&](i64 y, const Span* ring, int n, const Span* inside) {
    if (fill && inside) fillRow(surface, clip, y, inside->left, inside->right + 1, *fill);
    for (int i = 0; i < n; ++i) fillRow(surface, clip, y, ring[i].left, ring[i].right + 1, penColor);
  });
}

void drawEllipseArc(const Surface& surface, const RECT& clip, const RoundedBox& ellipse,
                    std::int64_t startX2, std::int64_t startY2, std::int64_t endX2,
                    std::int64_t endY2, bool clockwise, int penWidth, std::uint32_t color) {
  if (penWidth <= 0) return;
  if (clockwise) {
    std::swap(startX2, endX2);
    std::swap(startY2, endY2);
  }
  constexpr double kTurn = 2 * std::numbers::pi;
  // Angles measured with y up, so that increasing angle is counter-clockwise
  // on screen.
  auto angleOf = [](double x2, double y2) { return std::atan2(-y2, x2); };
  auto sweepFrom = [&](double start, double angle) {
    double d = std::fmod(angle - start, kTurn);
    return d < 0 ? d + kTurn : d;
  };
  double start = angleOf(double(startX2), double(startY2));
  double sweep = sweepFrom(start, angleOf(double(endX2), double(endY2)));
  if (sweep == 0) sweep = kTurn;
  const i64 cx2 = ellipse.left + ellipse.right, cy2 = ellipse.top + ellipse.bottom;
  forEachOutlineRow(clip, ellipse, penWidth, [&](i64 y, const Span* ring, int n, const Span*) {
    std::uint32_t* row = surface.pixels + y * surface.stride;
    double py = double(2 * y + 1 - cy2);
    for (int i = 0; i < n; ++i) {
      i64 left = std::max<i64>(ring[i].left, clip.left);
      i64 right = std::min<i64>(ring[i].right, clip.right - 1);
      for (i64 x = left; x <= right; ++x)
        if (sweepFrom(start, angleOf(double(2 * x + 1 - cx2), py)) <= sweep) row[x] = color;
    }
  });
}

void flattenCubic(const POINT& p0, const POINT& p1, const POINT& p2, const POINT& p3,
                  std::vector<POINT>& out) {
  auto dist = [](const POINT& a, const POINT& b) {
    return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
  };
  double length = dist(p0, p1) + dist(p1, p2) + dist(p2, p3);
  int pieces = int(std::clamp(std::ceil(length / 4), 1.0, 256.0));
  POINT last = p0;
  for (int i = 1; i <= pieces; ++i) {
    double t = double(i) / pieces, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    POINT p{LONG(std::lround(a * p0.x + b * p1.x + c * p2.x + d * p3.x)),
            LONG(std::lround(a * p0.y + b * p1.y + c * p2.y + d * p3.y))};
    if (i == pieces) p = p3;
    if (p.x == last.x && p.y == last.y) continue;
    out.push_back(p);
    last = p;
  }
}

}  // namespace vk::platform
