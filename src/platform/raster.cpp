// The aliased rasterizer: spans, Bresenham lines, an edge-table polygon
// filler, round wide strokes, rounded boxes and elliptic arcs.
#include "platform/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk::platform {
namespace {

using i64 = std::int64_t;
using i128 = __int128;

// Floor and ceiling division for a positive divisor, in 64 or 128 bits.
template <class T>
T floorDiv(T a, T b) {
  T q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

template <class T>
T ceilDiv(T a, T b) {
  T q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return q;
}

// Below this magnitude products of two values fit in 63 bits, so the
// common case avoids the slow 128-bit division.
constexpr i64 kSmall = i64(1) << 30;

inline bool small(i64 v) { return v > -kSmall && v < kSmall; }

// q = floor(a / b), r = a - q*b for b > 0 and |a| < 2^62: a truncated
// floating-point estimate (off by one or two) corrected exactly; several
// times cheaper than a 64-bit integer division.
inline void divideFloor(i64 a, i64 b, i64& q, i64& r) {
  q = i64(double(a) / double(b));
  r = a - q * b;
  while (r < 0) {
    --q;
    r += b;
  }
  while (r >= b) {
    ++q;
    r -= b;
  }
}

// Fills [xLeft, xRight) of `row` within [clipLeft, clipRight).
inline void fillSpan(std::uint32_t* row, i64 xLeft, i64 xRight, i64 clipLeft, i64 clipRight,
                     std::uint32_t color) {
  if (xLeft < clipLeft) xLeft = clipLeft;
  if (xRight > clipRight) xRight = clipRight;
  if (xLeft >= xRight) return;
  std::uint32_t* out = row + xLeft;
  const i64 count = xRight - xLeft;
  // Small polygons are made of short spans of every length, so the common
  // sizes are written without length-dependent loops: up to 3 pixels as
  // first, middle and last, up to 8 as two overlapping groups of four, up
  // to 16 as four.
  if (count < 4) {
    const i64 last = count - 1;
    out[0] = color;
    out[last >> 1] = color;
    out[last] = color;
    return;
  }
  std::uint32_t quad[4] = {color, color, color, color};
  if (count <= 8) {
    std::memcpy(out, quad, sizeof(quad));
    std::memcpy(out + count - 4, quad, sizeof(quad));
    return;
  }
  if (count <= 16) {
    std::memcpy(out, quad, sizeof(quad));
    std::memcpy(out + 4, quad, sizeof(quad));
    std::memcpy(out + count - 8, quad, sizeof(quad));
    std::memcpy(out + count - 4, quad, sizeof(quad));
    return;
  }
  i64 i = 0;
  for (; i + 16 <= count; i += 16) {
    std::memcpy(out + i, quad, sizeof(quad));
    std::memcpy(out + i + 4, quad, sizeof(quad));
    std::memcpy(out + i + 8, quad, sizeof(quad));
    std::memcpy(out + i + 12, quad, sizeof(quad));
  }
  for (; i + 4 <= count; i += 4) std::memcpy(out + i, quad, sizeof(quad));
  std::memcpy(out + count - 4, quad, sizeof(quad));
}

// Fills [xLeft, xRight) of row y, clipped horizontally (y is inside clip).
inline void fillRow(const Surface& surface, const RECT& clip, i64 y, i64 xLeft, i64 xRight,
                    std::uint32_t color) {
  fillSpan(surface.pixels + y * surface.stride, xLeft, xRight, clip.left, clip.right, color);
}

}  // namespace

void fillRectPixels(const Surface& surface, const RECT& clip, RECT rect, std::uint32_t color) {
  i64 top = std::max<i64>(rect.top, clip.top), bottom = std::min<i64>(rect.bottom, clip.bottom);
  for (i64 y = top; y < bottom; ++y) fillRow(surface, clip, y, rect.left, rect.right, color);
}

namespace {

// Step i of a line draws (m0 + smaj*i, n0 + smin*k(i)) on the (major,
// minor) axes with k(i) = floor((2*i*amin + amaj) / (2*amaj)); both are
// monotonic in i, so the clip narrows [first, last] to one range of steps.
bool clipSteps(const RECT& clip, bool xMajor, i64 m0, i64 n0, int smaj, int smin, i64 amaj,
               i64 amin, i64 steps, i64& first, i64& last) {
  const i64 majLo = xMajor ? clip.left : clip.top, majHi = xMajor ? clip.right : clip.bottom;
  const i64 minLo = xMajor ? clip.top : clip.left, minHi = xMajor ? clip.bottom : clip.right;
  if (smaj > 0) {
    first = std::max(first, majLo - m0);
    last = std::min(last, majHi - 1 - m0);
  } else {
    first = std::max(first, m0 - (majHi - 1));
    last = std::min(last, m0 - majLo);
  }
  const i64 kLo = smin > 0 ? minLo - n0 : n0 - (minHi - 1);
  const i64 kHi = smin > 0 ? minHi - 1 - n0 : n0 - minLo;
  const i64 twoMaj = 2 * amaj, twoMin = 2 * amin;
  if (amin == 0) {
    if (kLo > 0 || kHi < 0) return false;
  } else if (small(amaj) && small(kLo) && small(kHi)) {
    first = std::max(first, ceilDiv(twoMaj * kLo - amaj, twoMin));
    last = std::min(last, ceilDiv(twoMaj * (kHi + 1) - amaj, twoMin) - 1);
  } else {
    first = std::max<i64>(first, i64(std::clamp<i128>(
        ceilDiv<i128>(i128(2) * amaj * kLo - amaj, i128(2) * amin), -1, steps)));
    last = std::min<i64>(last, i64(std::clamp<i128>(
        ceilDiv<i128>(i128(2) * amaj * (i128(kHi) + 1) - amaj, i128(2) * amin) - 1, -1, steps)));
  }
  return first <= last;
}

// The clipped steps of a one-pixel line from `from` to `to`: the offset of
// its first drawn pixel, the offsets of a major and a minor step, and the
// error term `over` (negative until the minor axis advances), for steps
// [first, last] of `steps`.
struct LineWalk {
  i64 steps = 0, first = 0, last = -1;
  std::ptrdiff_t offset = 0, majStep = 0, minStep = 0;
  i64 over = 0, twoMin = 0, twoMaj = 0;
};

// False when no pixel of the line lies inside the clip (walk.steps still
// counts the line's steps; 0 for a line of no length).
bool startLineWalk(const Surface& surface, const RECT& clip, POINT from, POINT to, LineWalk& walk) {
  const i64 dx = i64(to.x) - from.x, dy = i64(to.y) - from.y;
  const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx >= ady;
  const i64 steps = xMajor ? adx : ady;
  walk.steps = steps;
  if (steps == 0) return false;
  const i64 amaj = steps, amin = xMajor ? ady : adx;
  const int smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const i64 m0 = xMajor ? from.x : from.y, n0 = xMajor ? from.y : from.x;
  const i64 twoMaj = 2 * amaj, twoMin = 2 * amin;
  const bool inside = from.x >= clip.left && from.x < clip.right && from.y >= clip.top &&
                      from.y < clip.bottom && to.x >= clip.left && to.x < clip.right &&
                      to.y >= clip.top && to.y < clip.bottom;
  i64 first = 0, last = steps - 1, k = 0, err = amaj;
  if (!inside && !clipSteps(clip, xMajor, m0, n0, smaj, smin, amaj, amin, steps, first, last))
    return false;
  if (first > 0) {
    const i64 numer = 2 * first * amin + amaj;  // first < steps <= 2^31: fits
    k = numer / twoMaj;
    err = numer % twoMaj;
  }
  const i64 major = m0 + smaj * first, minor = n0 + smin * k;
  const i64 x = xMajor ? major : minor, y = xMajor ? minor : major;
  walk.first = first;
  walk.last = last;
  walk.offset = std::ptrdiff_t(y * surface.stride + x);
  walk.majStep = xMajor ? smaj : std::ptrdiff_t(smaj) * surface.stride;
  walk.minStep = xMajor ? std::ptrdiff_t(smin) * surface.stride : smin;
  walk.over = err - twoMaj;
  walk.twoMin = twoMin;
  walk.twoMaj = twoMaj;
  return true;
}

}  // namespace

namespace {

// The `count` pixels of a solid line from `out` on. Each step goes along
// the major axis, and along the minor one too once `over` (negative until
// then) turns non-negative; masks rather than branches, since a line's
// carry pattern is unpredictable, and two pixels a round.
inline void solidLineRun(std::uint32_t* out, i64 count, std::ptrdiff_t majStep,
                         std::ptrdiff_t minStep, i64 over, i64 twoMin, i64 twoMaj,
                         std::uint32_t color) {
  const std::ptrdiff_t diagStep = majStep + minStep;
  auto put = [&] {
    *out = color;
    over += twoMin;
    const i64 stay = over >> 63;  // all ones while the minor axis holds
    out += diagStep - (stay & minStep);
    over += (stay & twoMaj) - twoMaj;
  };
  for (; count >= 2; count -= 2) {
    put();
    put();
  }
  if (count > 0) put();
}

}  // namespace

std::int64_t drawCosmeticLine(const Surface& surface, const RECT& clip, POINT from, POINT to,
                              const LineStyle& style, std::int64_t phase) {
  LineWalk walk;
  if (!startLineWalk(surface, clip, from, to, walk)) return phase + walk.steps;
  const i64 first = walk.first, last = walk.last, steps = walk.steps;
  const i64 twoMin = walk.twoMin, twoMaj = walk.twoMaj;
  const std::ptrdiff_t majStep = walk.majStep, minStep = walk.minStep;
  std::ptrdiff_t offset = walk.offset;
  std::uint32_t* const pixels = surface.pixels;
  const std::uint32_t color = style.color, gapColor = style.gapColor;
  // Branch-free minor steps (the carry pattern of a line is unpredictable).
  i64 over = walk.over;
  auto step = [&] {
    offset += majStep;
    over += twoMin;
    const i64 carry = ~(over >> 63);  // all ones when over >= 0
    offset += minStep & carry;
    over -= twoMaj & carry;
  };
  if (!style.dotted) {
    solidLineRun(pixels + offset, last - first + 1, majStep, minStep, over, twoMin, twoMaj, color);
  } else {
    for (i64 i = first; i <= last; ++i) {
      if (((phase + i) & 1) == 0) pixels[offset] = color;
      else if (style.fillGaps) pixels[offset] = gapColor;
      step();
    }
  }
  return phase + steps;
}

namespace {

// Whether every corner of the path lies inside the clip: then every pixel
// of its segments does too, and none needs clipping.
bool pathInside(const RECT& clip, const POINT* points, int count) {
  bool inside = true;
  for (int i = 0; i < count; ++i)
    inside = inside && points[i].x >= clip.left && points[i].x < clip.right && points[i].y >= clip.top &&
             points[i].y < clip.bottom;
  return inside;
}

// The steps of drawCosmeticLine for an unclipped segment, without its
// set-up: `count` pixels from `offset` on.
struct SegmentSteps {
  std::ptrdiff_t offset = 0, majStep = 0, minStep = 0;
  i64 count = 0, over = 0, twoMin = 0, twoMaj = 0;
};

SegmentSteps unclippedSteps(POINT from, POINT to, std::ptrdiff_t stride) {
  const i64 dx = i64(to.x) - from.x, dy = i64(to.y) - from.y;
  const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const std::ptrdiff_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -stride : stride;
  const bool xMajor = adx >= ady;
  SegmentSteps steps;
  steps.count = xMajor ? adx : ady;
  steps.over = -steps.count;
  steps.twoMaj = 2 * steps.count;
  steps.twoMin = 2 * (xMajor ? ady : adx);
  steps.majStep = xMajor ? sx : sy;
  steps.minStep = xMajor ? sy : sx;
  steps.offset = std::ptrdiff_t(from.y) * stride + from.x;
  return steps;
}

}  // namespace

void strokeClosedSolid(const Surface& surface, const RECT& clip, const POINT* points, int count,
                       std::uint32_t color) {
  if (!pathInside(clip, points, count)) {
    const LineStyle solid{color};
    for (int i = 0; i < count; ++i)
      drawCosmeticLine(surface, clip, points[i], points[i + 1 < count ? i + 1 : 0], solid, 0);
    return;
  }
  for (int i = 0; i < count; ++i) {
    const SegmentSteps s = unclippedSteps(points[i], points[i + 1 < count ? i + 1 : 0], surface.stride);
    solidLineRun(surface.pixels + s.offset, s.count, s.majStep, s.minStep, s.over, s.twoMin, s.twoMaj, color);
  }
}

namespace {

// One non-horizontal edge, stepped one scanline at a time: its crossing
// with scanline y is x = q + r/den exactly (0 <= r < den).
struct Edge {
  i64 q, r, stepQ, stepR, den;
  i64 yStart, yEnd;  // scanlines [yStart, yEnd)
  int dir;
};

inline void stepEdge(Edge& e) {
  e.q += e.stepQ;
  e.r += e.stepR;
  const bool carry = e.r >= e.den;  // branch-free: carries are unpredictable
  e.q += carry;
  e.r -= carry ? e.den : 0;
}

struct FillScratch {
  std::vector<Edge> edges;
  std::vector<int> active;
  std::vector<i64> crossX;
  std::vector<int> crossDir;
};

FillScratch& fillScratch() {
  thread_local FillScratch scratch;
  return scratch;
}

// The edge a -> b (a.y < b.y) from its first scanline yStart on.
Edge edgeFrom(FixedPoint a, FixedPoint b, i64 yStart, i64 yEnd, int dir) {
  const i64 dY = b.y - a.y, dX = b.x - a.x, rise = yStart * kFixedOne - a.y;
  Edge edge;
  if (small(a.x) && small(dX) && small(dY) && small(rise)) {
    const i64 den = dY * kFixedOne, step = dX * kFixedOne;
    edge.den = den;
    if (rise == 0) {
      // Starting on a scanline (every edge of integer corners): the
      // crossing is a.x itself, no division needed.
      edge.q = a.x >> kFixedShift;
      edge.r = (a.x & (kFixedOne - 1)) * dY;
    } else {
      divideFloor(a.x * dY + rise * dX, den, edge.q, edge.r);
    }
    divideFloor(step, den, edge.stepQ, edge.stepR);
  } else {
    const i128 den = i128(dY) * kFixedOne;
    const i128 numer = i128(a.x) * dY + i128(rise) * dX;
    const i128 step = i128(dX) * kFixedOne;
    edge.den = i64(den);
    i128 q = floorDiv(numer, den);
    edge.q = i64(q);
    edge.r = i64(numer - q * den);
    i128 stepQ = floorDiv(step, den);
    edge.stepQ = i64(stepQ);
    edge.stepR = i64(step - stepQ * den);
  }
  edge.yStart = yStart;
  edge.yEnd = yEnd;
  edge.dir = dir;
  return edge;
}

// The first scanline at or below fixed-point y.
inline i64 rowAtOrBelow(i64 y) { return (y + kFixedOne - 1) >> kFixedShift; }

[[gnu::always_inline]] inline void addEdge(std::vector<Edge>& edges, const RECT& clip, FixedPoint a, FixedPoint b) {
  if (a.y == b.y) return;
  int dir = 1;
  if (a.y > b.y) {
    std::swap(a, b);
    dir = -1;
  }
  // Scanline y samples the fixed-point row y * kFixedOne; the edge owns
  // the rows with a.y <= y*one < b.y (top inclusive, bottom exclusive).
  i64 yStart = std::max<i64>(rowAtOrBelow(a.y), clip.top);
  i64 yEnd = std::min<i64>(rowAtOrBelow(b.y), clip.bottom);
  if (yStart >= yEnd) return;
  edges.push_back(edgeFrom(a, b, yStart, yEnd, dir));
}

// Writes the spans of a solid fill: sink(row, y, xLeft, xRight, clipLeft,
// clipRight) fills [xLeft, xRight) of `row` (row y) within the clip columns.
struct ColorSink {
  std::uint32_t color;
  void operator()(std::uint32_t* row, i64, i64 xLeft, i64 xRight, i64 clipLeft, i64 clipRight) const {
    fillSpan(row, xLeft, xRight, clipLeft, clipRight, color);
  }
};

// The span of row y between the crossings of two edges, rows [y, stop).
// Ordered: `left` never crosses right of `right`, so no min/max is needed;
// Clipped: spans may reach outside [clipLeft, clipRight).
template <bool Ordered, bool Clipped, class Sink>
inline void fillRows(std::uint32_t* pixels, i64 stride, i64 clipLeft, i64 clipRight, i64 y,
                     i64 stop, Edge& left, Edge& right, const Sink& sink) {
  // Local copies stay in registers; the callers' edges, and the sink's
  // fields, may alias the pixels.
  Edge a = left, b = right;
  const Sink put = sink;
  std::uint32_t* row = pixels + y * stride;
  for (; y < stop; ++y, row += stride) {
    const i64 xa = a.q + (a.r > 0), xb = b.q + (b.r > 0);
    const i64 xl = Ordered ? xa : std::min(xa, xb), xr = Ordered ? xb : std::max(xa, xb);
    if constexpr (Clipped) put(row, y, xl, xr, clipLeft, clipRight);
    else put(row, y, xl, xr, xl, xr);
    stepEdge(a);
    stepEdge(b);
  }
  left = a;
  right = b;
}

// For a strictly convex quadrilateral, the direction (Edge::dir) of its
// edges on the left, where each row's span starts; 0 for any other.
int convexLeftDir(const FixedPoint* p) {
  int positive = 0, negative = 0;
  for (int i = 0; i < 4; ++i) {
    const FixedPoint& a = p[i];
    const FixedPoint& b = p[(i + 1) & 3];
    const FixedPoint& c = p[(i + 2) & 3];
    const i128 turn = i128(b.x - a.x) * (c.y - b.y) - i128(b.y - a.y) * (c.x - b.x);
    positive += turn > 0;
    negative += turn < 0;
  }
  // Clockwise on screen (y down) the left side is walked upwards.
  return positive == 4 ? -1 : negative == 4 ? 1 : 0;
}

// The two halves of a triangle: rows [top, middle) between the long edge
// and the upper one, [middle, bottom) between it and the lower one.
template <bool Clipped, class Sink>
void fillTriangleRows(std::uint32_t* pixels, i64 stride, i64 clipLeft, i64 clipRight, i64 top,
                      i64 middle, i64 bottom, bool alongLeft, Edge& along, Edge& upper,
                      Edge& lower, const Sink& sink) {
  if (alongLeft) {
    fillRows<true, Clipped>(pixels, stride, clipLeft, clipRight, top, middle, along, upper, sink);
    fillRows<true, Clipped>(pixels, stride, clipLeft, clipRight, middle, bottom, along, lower,
                            sink);
  } else {
    fillRows<true, Clipped>(pixels, stride, clipLeft, clipRight, top, middle, upper, along, sink);
    fillRows<true, Clipped>(pixels, stride, clipLeft, clipRight, middle, bottom, lower, along,
                            sink);
  }
}

template <class Sink>
void fillPolygonWith(const Surface& surface, const RECT& clip, const FixedPoint* points,
                     const int* ringSizes, int ringCount, bool winding, const Sink& sink) {
  FillScratch& scratch = fillScratch();
  std::vector<Edge>& edges = scratch.edges;
  edges.clear();
  const FixedPoint* ring = points;
  i64 minX = 0, maxX = 0;
  for (int r = 0; r < ringCount; ++r) {
    int n = ringSizes[r];
    for (int i = 0; i < n; ++i) {
      addEdge(edges, clip, ring[i], ring[i + 1 < n ? i + 1 : 0]);
      minX = r == 0 && i == 0 ? ring[i].x : std::min(minX, ring[i].x);
      maxX = r == 0 && i == 0 ? ring[i].x : std::max(maxX, ring[i].x);
    }
    ring += n;
  }
  if (edges.empty()) return;
  // Crossings lie between the corners, so inside the clip's columns no
  // span needs clipping.
  const bool insideColumns = (minX >> kFixedShift) >= clip.left && rowAtOrBelow(maxX) <= clip.right;
  const int leftDir = ringCount == 1 && ringSizes[0] == 4 ? convexLeftDir(points) : 0;
  // Stable insertion sort: few edges per polygon, usually nearly sorted.
  for (std::size_t i = 1; i < edges.size(); ++i) {
    Edge e = edges[i];
    std::size_t j = i;
    for (; j > 0 && edges[j - 1].yStart > e.yStart; --j) edges[j] = edges[j - 1];
    edges[j] = e;
  }

  // Raw arrays from here on: this loop runs once per scanline of every
  // polygon, the viewport's hottest path. Between two events (an edge
  // starting or ending) the active set is fixed and only steps.
  const std::size_t edgeCount = edges.size();
  scratch.active.resize(edgeCount);
  scratch.crossX.resize(edgeCount);
  scratch.crossDir.resize(edgeCount);
  Edge* edge = edges.data();
  int* active = scratch.active.data();
  i64* crossX = scratch.crossX.data();
  int* crossDir = scratch.crossDir.data();
  std::size_t activeCount = 0, next = 0;
  // Locals, not loads through references that the pixel stores may alias.
  std::uint32_t* const pixels = surface.pixels;
  const i64 stride = surface.stride, clipLeft = clip.left, clipRight = clip.right;
  i64 y = edge[0].yStart;
  while (true) {
    if (activeCount == 0) {
      if (next == edgeCount) break;
      y = edge[next].yStart;
    }
    while (next < edgeCount && edge[next].yStart == y) active[activeCount++] = int(next++);
    i64 stop = next < edgeCount ? edge[next].yStart : clip.bottom;
    for (std::size_t i = 0; i < activeCount; ++i) stop = std::min(stop, edge[active[i]].yEnd);

    if (activeCount == 2) {
      // The common case (any convex polygon): one span a row, no sorting.
      Edge a = edge[active[0]], b = edge[active[1]];
      if (leftDir != 0) {
        Edge& left = a.dir == leftDir ? a : b;
        Edge& right = a.dir == leftDir ? b : a;
        if (insideColumns)
          fillRows<true, false>(pixels, stride, clipLeft, clipRight, y, stop, left, right, sink);
        else
          fillRows<true, true>(pixels, stride, clipLeft, clipRight, y, stop, left, right, sink);
      } else if (insideColumns) {
        fillRows<false, false>(pixels, stride, clipLeft, clipRight, y, stop, a, b, sink);
      } else {
        fillRows<false, true>(pixels, stride, clipLeft, clipRight, y, stop, a, b, sink);
      }
      y = std::max(y, stop);
      edge[active[0]] = a;
      edge[active[1]] = b;
    } else {
      for (; y < stop; ++y) {
        for (std::size_t i = 0; i < activeCount; ++i) {
          Edge& e = edge[active[i]];
          i64 x = e.q + (e.r > 0);
          int dir = e.dir;
          std::size_t j = i;
          for (; j > 0 && crossX[j - 1] > x; --j) {
            crossX[j] = crossX[j - 1];
            crossDir[j] = crossDir[j - 1];
          }
          crossX[j] = x;
          crossDir[j] = dir;
          stepEdge(e);
        }
        if (!winding) {
          for (std::size_t i = 0; i + 1 < activeCount; i += 2)
            sink(pixels + y * stride, y, crossX[i], crossX[i + 1], clipLeft, clipRight);
        } else {
          int count = 0;
          for (std::size_t i = 0; i + 1 < activeCount; ++i) {
            count += crossDir[i];
            if (count != 0) sink(pixels + y * stride, y, crossX[i], crossX[i + 1], clipLeft, clipRight);
          }
        }
      }
    }

    std::size_t kept = 0;
    for (std::size_t i = 0; i < activeCount; ++i)
      if (edge[active[i]].yEnd > y) active[kept++] = active[i];
    activeCount = kept;
    if ((activeCount == 0 && next == edgeCount) || y >= clip.bottom) break;
  }
}

template <class Sink>
void fillTriangleWith(const Surface& surface, const RECT& clip, FixedPoint p0, FixedPoint p1,
                      FixedPoint p2, const Sink& sink) {
  if (p1.y < p0.y) std::swap(p0, p1);
  if (p2.y < p1.y) std::swap(p1, p2);
  if (p1.y < p0.y) std::swap(p0, p1);
  // Every scanline crosses the long edge p0 -> p2 and one short edge: the
  // same two crossings the edge table finds, so the same spans.
  const i64 top = std::max<i64>(rowAtOrBelow(p0.y), clip.top);
  const i64 bottom = std::min<i64>(rowAtOrBelow(p2.y), clip.bottom);
  if (top >= bottom) return;
  const i64 middle = std::clamp<i64>(rowAtOrBelow(p1.y), top, bottom);
  std::uint32_t* const pixels = surface.pixels;
  const i64 stride = surface.stride, clipLeft = clip.left, clipRight = clip.right;
  Edge along = edgeFrom(p0, p2, top, bottom, 1);
  Edge upper{}, lower{};
  if (top < middle) upper = edgeFrom(p0, p1, top, middle, 1);
  if (middle < bottom) lower = edgeFrom(p1, p2, middle, bottom, 1);
  // Both short edges lie on the side of the long one that p1 is on, and
  // rounding up keeps that order.
  const bool alongLeft =
      i128(p1.x - p0.x) * (p2.y - p0.y) >= i128(p2.x - p0.x) * (p1.y - p0.y);
  // Spans lie between the corners' columns rounded up.
  const i64 minX = std::min({p0.x, p1.x, p2.x}), maxX = std::max({p0.x, p1.x, p2.x});
  if ((minX >> kFixedShift) >= clipLeft && rowAtOrBelow(maxX) <= clipRight)
    fillTriangleRows<false>(pixels, stride, clipLeft, clipRight, top, middle, bottom, alongLeft,
                            along, upper, lower, sink);
  else
    fillTriangleRows<true>(pixels, stride, clipLeft, clipRight, top, middle, bottom, alongLeft,
                           along, upper, lower, sink);
}

}  // namespace

void fillPolygonFixed(const Surface& surface, const RECT& clip, const FixedPoint* points,
                      const int* ringSizes, int ringCount, bool winding, std::uint32_t color) {
  fillPolygonWith(surface, clip, points, ringSizes, ringCount, winding, ColorSink{color});
}

void fillTriangleFixed(const Surface& surface, const RECT& clip, FixedPoint p0, FixedPoint p1,
                       FixedPoint p2, std::uint32_t color) {
  fillTriangleWith(surface, clip, p0, p1, p2, ColorSink{color});
}

namespace {

FixedPoint toFixed(const POINT& p) { return FixedPoint{i64(p.x) * kFixedOne, i64(p.y) * kFixedOne}; }

// A disc as a 16-gon turned half a step so no vertex sits on a pixel row
// or column.
template <class Sink>
void fillDisc(const Surface& surface, const RECT& clip, FixedPoint centre, double radius,
              const Sink& sink) {
  constexpr int kSides = 16;
  FixedPoint ring[kSides];
  double scale = radius * kFixedOne;
  for (int i = 0; i < kSides; ++i) {
    double angle = (i + 0.5) * 2 * std::numbers::pi / kSides;
    ring[i] = FixedPoint{centre.x + std::llround(std::cos(angle) * scale),
                         centre.y + std::llround(std::sin(angle) * scale)};
  }
  int size = kSides;
  fillPolygonWith(surface, clip, ring, &size, 1, false, sink);
}

template <class Sink>
void fillSegmentBody(const Surface& surface, const RECT& clip, FixedPoint a, FixedPoint b,
                     double radius, const Sink& sink) {
  double dx = double(b.x - a.x), dy = double(b.y - a.y);
  double length = std::hypot(dx, dy);
  if (length == 0) return;
  i64 nx = std::llround(-dy / length * radius * kFixedOne);
  i64 ny = std::llround(dx / length * radius * kFixedOne);
  FixedPoint quad[4] = {{a.x + nx, a.y + ny},
                        {b.x + nx, b.y + ny},
                        {b.x - nx, b.y - ny},
                        {a.x - nx, a.y - ny}};
  int size = 4;
  fillPolygonWith(surface, clip, quad, &size, 1, true, sink);
}

}  // namespace

void strokeWidePath(const Surface& surface, const RECT& clip, const POINT* points, int count,
                    bool closed, int width, std::uint32_t color) {
  if (count < 1) return;
  double radius = width / 2.0;
  // An even width covers the rows above and on the path (a 2-pixel pen on
  // y = 4 covers rows 3 and 4), so its centre line runs half a pixel up and
  // left of the path; caps centred there come out symmetric.
  const i64 shift = width % 2 == 0 ? -kFixedOne / 2 : 0;
  auto at = [&](int i) {
    FixedPoint p = toFixed(points[i % count]);
    return FixedPoint{p.x + shift, p.y + shift};
  };
  int segments = closed && count > 2 ? count : count - 1;
  const ColorSink sink{color};
  for (int i = 0; i < segments; ++i) fillSegmentBody(surface, clip, at(i), at(i + 1), radius, sink);
  for (int i = 0; i < count; ++i) fillDisc(surface, clip, at(i), radius, sink);
}

namespace {

struct Span {
  i64 left, right;  // inclusive
};

// The pixels of `box` on row y (false when none), worked out exactly.
bool computeBoxRowSpan(const RoundedBox& box, i64 y, Span& span) {
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
  i64 inset = ceilDiv<i64>(cw - 1 - p, 2);  // first pixel with |px| <= p
  if (inset < 0) inset = 0;
  span = Span{box.left + inset, box.right - 1 - inset};
  return span.left <= span.right;
}

// A row's span depends only on the box's size, its corners and the row's
// offset from the top, so the rows of small shapes drawn many times over (a
// mesh's vertex markers) are worked out once per shape and reused.
struct RowShape {
  i64 width = -1, height = -1, cornerWidth = 0, cornerHeight = 0;
  std::vector<i64> left, right;  // relative to the box; left > right: no pixels
};
constexpr i64 kReusedShapeSide = 128;

bool boxRowSpan(const RoundedBox& box, i64 y, Span& span) {
  if (y < box.top || y >= box.bottom || box.right <= box.left) return false;
  const i64 width = box.right - box.left, height = box.bottom - box.top;
  if (width > kReusedShapeSide || height > kReusedShapeSide) return computeBoxRowSpan(box, y, span);
  const i64 cw = std::clamp<i64>(box.cornerWidth, 0, width), ch = std::clamp<i64>(box.cornerHeight, 0, height);
  thread_local RowShape shapes[4];
  thread_local int nextShape = 0;
  RowShape* shape = nullptr;
  for (RowShape& candidate : shapes) {
    if (candidate.width == width && candidate.height == height && candidate.cornerWidth == cw &&
        candidate.cornerHeight == ch) {
      shape = &candidate;
      break;
    }
  }
  if (!shape) {
    shape = &shapes[nextShape];
    nextShape = (nextShape + 1) % 4;
    *shape = RowShape{width, height, cw, ch, {}, {}};
    const RoundedBox origin{0, 0, width, height, cw, ch};
    shape->left.resize(static_cast<std::size_t>(height));
    shape->right.resize(static_cast<std::size_t>(height));
    for (i64 row = 0; row < height; ++row) {
      Span s{1, 0};
      if (!computeBoxRowSpan(origin, row, s)) s = Span{1, 0};
      shape->left[static_cast<std::size_t>(row)] = s.left;
      shape->right[static_cast<std::size_t>(row)] = s.right;
    }
  }
  const auto row = static_cast<std::size_t>(y - box.top);
  if (shape->left[row] > shape->right[row]) return false;
  span = Span{box.left + shape->left[row], box.left + shape->right[row]};
  return true;
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

// A row's pixels in a box, or none.
struct RowSpan {
  bool any = false;
  Span span{};
};

RowSpan rowSpanOf(const RoundedBox& box, i64 y) {
  RowSpan row;
  row.any = boxRowSpan(box, y, row.span);
  return row;
}

// The pixels of a box's row whose four neighbours are all in the box,
// from that row's span and its neighbours'.
bool interiorRowSpan(const RowSpan& above, const RowSpan& here, const RowSpan& below,
                     Span& span) {
  if (!above.any || !here.any || !below.any) return false;
  span.left = std::max({here.span.left + 1, above.span.left, below.span.left});
  span.right = std::min({here.span.right - 1, above.span.right, below.span.right});
  return span.left <= span.right;
}

// Visits the rows of an outline `penWidth` wide centred on the box's
// one-pixel boundary: visit(y, ring spans (1 or 2), interior span or null).
template <class Visit>
void forEachOutlineRow(const RECT& clip, const RoundedBox& box, int penWidth, Visit&& visit) {
  i64 outward = penWidth / 2, inward = penWidth - 1 - outward;
  RoundedBox outer = inflated(box, outward), inner = inflated(box, -inward);
  i64 top = std::max<i64>(outer.top, clip.top), bottom = std::min<i64>(outer.bottom, clip.bottom);
  // The inner box's rows roll through a window of three, each worked out once.
  RowSpan above = rowSpanOf(inner, top - 1), here = rowSpanOf(inner, top);
  for (i64 y = top; y < bottom; ++y) {
    const RowSpan below = rowSpanOf(inner, y + 1);
    Span o, in;
    if (boxRowSpan(outer, y, o)) {
      if (!interiorRowSpan(above, here, below, in)) {
        Span ring[1] = {o};
        visit(y, ring, 1, static_cast<const Span*>(nullptr));
      } else {
        Span ring[2] = {{o.left, in.left - 1}, {in.right + 1, o.right}};
        visit(y, ring, 2, &in);
      }
    }
    above = here;
    here = below;
  }
}

// The outline and interior runs of one small shape, relative to its box's
// top-left corner, in the order the general walk visits them.
struct OutlineRow {
  i64 dy = 0;
  int ringCount = 0;
  Span ring[2];
  bool hasInside = false;
  Span inside;
};
struct OutlineShape {
  i64 width = -1, height = -1, cornerWidth = 0, cornerHeight = 0;
  int penWidth = 0;
  std::vector<OutlineRow> rows;
};
constexpr int kReusedPenWidth = 16;

const OutlineShape& outlineShapeOf(const RoundedBox& box, int penWidth) {
  const i64 width = box.right - box.left, height = box.bottom - box.top;
  thread_local OutlineShape shapes[4];
  thread_local int nextShape = 0;
  for (const OutlineShape& shape : shapes) {
    if (shape.width == width && shape.height == height && shape.cornerWidth == box.cornerWidth &&
        shape.cornerHeight == box.cornerHeight && shape.penWidth == penWidth)
      return shape;
  }
  OutlineShape& shape = shapes[nextShape];
  nextShape = (nextShape + 1) % 4;
  shape = OutlineShape{width, height, box.cornerWidth, box.cornerHeight, penWidth, {}};
  const RoundedBox origin{0, 0, width, height, box.cornerWidth, box.cornerHeight};
  const RECT everything{-4 * kReusedShapeSide, -4 * kReusedShapeSide, 4 * kReusedShapeSide, 4 * kReusedShapeSide};
  forEachOutlineRow(everything, origin, penWidth, [&](i64 y, const Span* ring, int n, const Span* inside) {
    OutlineRow row;
    row.dy = y;
    row.ringCount = n;
    for (int i = 0; i < n; ++i) row.ring[i] = ring[i];
    row.hasInside = inside != nullptr;
    if (inside) row.inside = *inside;
    shape.rows.push_back(row);
  });
  return shape;
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
  const i64 width = box.right - box.left, height = box.bottom - box.top;
  if (width <= kReusedShapeSide && height <= kReusedShapeSide && penWidth <= kReusedPenWidth) {
    // Every row as the general walk below gives it, worked out once per shape.
    const OutlineShape& shape = outlineShapeOf(box, penWidth);
    for (const OutlineRow& row : shape.rows) {
      const i64 y = box.top + row.dy;
      if (y < clip.top || y >= clip.bottom) continue;
      if (fill && row.hasInside)
        fillRow(surface, clip, y, box.left + row.inside.left, box.left + row.inside.right + 1, *fill);
      for (int i = 0; i < row.ringCount; ++i)
        fillRow(surface, clip, y, box.left + row.ring[i].left, box.left + row.ring[i].right + 1, penColor);
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

// ---- Depth-tested drawing -------------------------------------------------------

namespace {

// The depth-tested spans of one shape: the nearness of pixel (x, y) is the
// style's ramp there, compared with the buffer as the mode says (a template
// argument, so that each span runs one loop without a switch).
template <DepthMode Mode>
struct DepthSink {
  std::uint32_t* pixels;
  float* depth;
  DepthStyle style;
  void operator()(std::uint32_t* row, i64 y, i64 xLeft, i64 xRight, i64 clipLeft, i64 clipRight) const {
    if (xLeft < clipLeft) xLeft = clipLeft;
    if (xRight > clipRight) xRight = clipRight;
    if (xLeft >= xRight) return;
    float* const values = depth + (row - pixels);
    // Pixel i of the span has nearness start + step * i, worked out in
    // floats the same way everywhere (no running sum), so that equal planes
    // give equal values on every span.
    const float start = float(style.ramp.a * double(xLeft) + style.ramp.b * double(y) + style.ramp.c);
    const float step = float(style.ramp.a);
    const std::uint32_t color = style.color;
    const i64 count = xRight - xLeft;
    std::uint32_t* const out = row + xLeft;
    float* const near = values + xLeft;
    if constexpr (Mode == DepthMode::Write) {
      writeSpan(out, near, count, start, step, color);
    } else if constexpr (Mode == DepthMode::Blend) {
      for (i64 i = 0; i < count; ++i) {
        if (start + step * float(i) >= near[i]) out[i] = blendPixel(out[i], color, style.alpha256);
      }
    } else {
      for (i64 i = 0; i < count; ++i) {
        const double n = double(start + step * float(i));
        if (float(n + std::fabs(n) * style.relativeBias + style.absoluteBias) >= near[i]) out[i] = color;
      }
    }
  }
  // The nearer-or-equal pixels of the span take the colour and the nearness,
  // the rest keep theirs.
  static void writeSpan(std::uint32_t* out, float* near, i64 count, float start, float step, std::uint32_t color) {
#if defined(__SSE2__)
    if (count >= 4) {
      const __m128 starts = _mm_set1_ps(start), steps = _mm_set1_ps(step);
      const __m128i colors = _mm_set1_epi32(int(color));
      // Four pixels a group. Writing a pixel twice with its own nearness
      // changes nothing, so the last group ends at the span's end and may
      // overlap the one before; no pixel needs a scalar step.
      auto group = [&](i64 i, __m128 index) {
        const __m128 n = _mm_add_ps(starts, _mm_mul_ps(steps, index));
        const __m128 stored = _mm_loadu_ps(near + i);
        const __m128 pass = _mm_cmpge_ps(n, stored);
        const int passed = _mm_movemask_ps(pass);
        __m128i* const pixelsOut = reinterpret_cast<__m128i*>(out + i);
        if (passed == 0xF) {  // the common cases: all four nearer, or none
          _mm_storeu_ps(near + i, n);
          _mm_storeu_si128(pixelsOut, colors);
        } else if (passed != 0) {
          _mm_storeu_ps(near + i, _mm_or_ps(_mm_and_ps(pass, n), _mm_andnot_ps(pass, stored)));
          const __m128i mask = _mm_castps_si128(pass);
          _mm_storeu_si128(pixelsOut, _mm_or_si128(_mm_and_si128(mask, colors),
                                                   _mm_andnot_si128(mask, _mm_loadu_si128(pixelsOut))));
        }
      };
      __m128 index = _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f);
      const __m128 four = _mm_set1_ps(4.0f), eight = _mm_set1_ps(8.0f);
      i64 i = 0;
      // Eight pixels a round while they last: one test of both masks for
      // the common all-nearer case.
      for (; i + 8 <= count; i += 8) {
        const __m128 index1 = _mm_add_ps(index, four);
        const __m128 n0 = _mm_add_ps(starts, _mm_mul_ps(steps, index));
        const __m128 n1 = _mm_add_ps(starts, _mm_mul_ps(steps, index1));
        const __m128 pass0 = _mm_cmpge_ps(n0, _mm_loadu_ps(near + i));
        const __m128 pass1 = _mm_cmpge_ps(n1, _mm_loadu_ps(near + i + 4));
        if (_mm_movemask_ps(_mm_and_ps(pass0, pass1)) == 0xF) {
          _mm_storeu_ps(near + i, n0);
          _mm_storeu_ps(near + i + 4, n1);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), colors);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), colors);
        } else if (_mm_movemask_ps(_mm_or_ps(pass0, pass1)) != 0) {
          group(i, index);
          group(i + 4, index1);
        }
        index = _mm_add_ps(index, eight);
      }
      if (i + 4 <= count) {
        group(i, index);
        i += 4;
      }
      if (i < count) group(count - 4, _mm_add_ps(_mm_set1_ps(float(count - 4)), _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f)));
      return;
    }
#endif
    for (i64 i = 0; i < count; ++i) {
      const float n = start + step * float(i);
      if (n >= near[i]) {
        near[i] = n;
        out[i] = color;
      }
    }
  }
  static std::uint32_t blendPixel(std::uint32_t under, std::uint32_t over, int alpha256) {
    const std::uint32_t keep = std::uint32_t(256 - alpha256), take = std::uint32_t(alpha256);
    const std::uint32_t rb = (((under & 0xFF00FFu) * keep + (over & 0xFF00FFu) * take) >> 8) & 0xFF00FFu;
    const std::uint32_t g = (((under & 0x00FF00u) * keep + (over & 0x00FF00u) * take) >> 8) & 0x00FF00u;
    return rb | g;
  }
};

// Calls fill(sink) with the sink of the style's mode.
template <class Fill>
void withDepthSink(const Surface& surface, float* depth, const DepthStyle& style, const Fill& fill) {
  switch (style.mode) {
    case DepthMode::Write: fill(DepthSink<DepthMode::Write>{surface.pixels, depth, style}); break;
    case DepthMode::Blend: fill(DepthSink<DepthMode::Blend>{surface.pixels, depth, style}); break;
    case DepthMode::Test: fill(DepthSink<DepthMode::Test>{surface.pixels, depth, style}); break;
  }
}

}  // namespace

void fillPolygonDepth(const Surface& surface, const RECT& clip, float* depth, const FixedPoint* points,
                      const int* ringSizes, int ringCount, bool winding, const DepthStyle& style) {
  withDepthSink(surface, depth, style, [&](const auto& sink) {
    fillPolygonWith(surface, clip, points, ringSizes, ringCount, winding, sink);
  });
}

void fillTriangleDepth(const Surface& surface, const RECT& clip, float* depth, FixedPoint p0, FixedPoint p1,
                       FixedPoint p2, const DepthStyle& style) {
  withDepthSink(surface, depth, style, [&](const auto& sink) { fillTriangleWith(surface, clip, p0, p1, p2, sink); });
}

namespace {

// The line test's value at the line's two ends; it runs linearly between
// them while the nearness keeps its sign.
inline double biasedNear(double n, const DepthStyle& style) {
  return n + std::fabs(n) * style.relativeBias + style.absoluteBias;
}

// The pixels solidLineRun sets for the segment, each where the test value
// `test + along * i` is at least the buffer's.
inline void depthLineRun(std::uint32_t* pixels, float* depth, const SegmentSteps& s, std::uint32_t color,
                         double test, double along) {
  const std::ptrdiff_t majStep = s.majStep, minStep = s.minStep, diagStep = majStep + minStep;
  const i64 twoMin = s.twoMin, twoMaj = s.twoMaj;
  std::ptrdiff_t offset = s.offset;
  i64 over = s.over;
  double step = 0.0;  // i, counted exactly in a double
  for (i64 i = 0; i < s.count; ++i, step += 1.0) {
    if (float(test + along * step) >= depth[offset]) pixels[offset] = color;
    over += twoMin;
    const i64 stay = over >> 63;
    offset += diagStep - (stay & minStep);
    over += (stay & twoMaj) - twoMaj;
  }
}

}  // namespace

void strokeClosedDepth(const Surface& surface, const RECT& clip, float* depth, const POINT* points,
                       int count, const DepthStyle& style) {
  auto nearAt = [&](const POINT& p) { return style.ramp.a * p.x + style.ramp.b * p.y + style.ramp.c; };
  if (!pathInside(clip, points, count)) {
    for (int i = 0; i < count; ++i) {
      const POINT from = points[i], to = points[i + 1 < count ? i + 1 : 0];
      drawDepthLine(surface, clip, depth, from, to, nearAt(from), nearAt(to), style);
    }
    return;
  }
  if (count <= 0) return;
  // Each corner's nearness and test value once, carried to the next segment.
  double nearFrom = nearAt(points[0]), testFrom = biasedNear(nearFrom, style);
  for (int i = 0; i < count; ++i) {
    const POINT from = points[i], to = points[i + 1 < count ? i + 1 : 0];
    const double nearTo = nearAt(to), testTo = biasedNear(nearTo, style);
    const SegmentSteps s = unclippedSteps(from, to, surface.stride);
    if (s.count > 0 && (nearFrom >= 0) != (nearTo >= 0))
      drawDepthLine(surface, clip, depth, from, to, nearFrom, nearTo, style);
    else if (s.count > 0)
      depthLineRun(surface.pixels, depth, s, style.color, testFrom, (testTo - testFrom) / double(s.count));
    nearFrom = nearTo;
    testFrom = testTo;
  }
}

void drawDepthLine(const Surface& surface, const RECT& clip, float* depth, POINT from, POINT to,
                   double nearFrom, double nearTo, const DepthStyle& style) {
  // The steps of drawCosmeticLine (solid), each pixel tested.
  LineWalk walk;
  if (!startLineWalk(surface, clip, from, to, walk)) return;
  const i64 first = walk.first, last = walk.last, steps = walk.steps;
  const i64 twoMin = walk.twoMin, twoMaj = walk.twoMaj;
  const std::ptrdiff_t majStep = walk.majStep, minStep = walk.minStep;
  std::ptrdiff_t offset = walk.offset;
  // The biased nearness runs linearly along the line while the nearness
  // keeps its sign (always, but for lines through nearness 0).
  auto biased = [&](double n) { return biasedNear(n, style); };
  const bool oneSign = (nearFrom >= 0) == (nearTo >= 0);
  const double biasedFrom = biased(nearFrom);
  const double along = (nearTo - nearFrom) / double(steps), biasedAlong = (biased(nearTo) - biasedFrom) / double(steps);
  i64 over = walk.over;
  for (i64 i = first; i <= last; ++i) {
    const double test = oneSign ? biasedFrom + biasedAlong * double(i) : biased(nearFrom + along * double(i));
    if (float(test) >= depth[offset]) surface.pixels[offset] = style.color;
    offset += majStep;
    over += twoMin;
    const i64 carry = ~(over >> 63);
    offset += minStep & carry;
    over -= twoMaj & carry;
  }
}

void strokeWideSegmentDepth(const Surface& surface, const RECT& clip, float* depth, POINT from, POINT to,
                            double nearFrom, double nearTo, int width, const DepthStyle& style) {
  // The shapes of strokeWidePath for one open segment: the body with the
  // nearness carried along the segment, a disc at each end with its own.
  const double radius = width / 2.0;
  const i64 shift = width % 2 == 0 ? -kFixedOne / 2 : 0;
  const FixedPoint a{toFixed(from).x + shift, toFixed(from).y + shift};
  const FixedPoint b{toFixed(to).x + shift, toFixed(to).y + shift};
  DepthSink<DepthMode::Test> sink{surface.pixels, depth, style};
  const double ax = double(a.x) / kFixedOne, ay = double(a.y) / kFixedOne;
  const double ux = double(b.x - a.x) / kFixedOne, uy = double(b.y - a.y) / kFixedOne;
  const double lengthSquared = ux * ux + uy * uy;
  if (lengthSquared > 0) {
    const double slope = (nearTo - nearFrom) / lengthSquared;
    sink.style.ramp = {slope * ux, slope * uy, nearFrom - slope * (ux * ax + uy * ay)};
    fillSegmentBody(surface, clip, a, b, radius, sink);
  }
  sink.style.ramp = {0.0, 0.0, nearFrom};
  fillDisc(surface, clip, a, radius, sink);
  sink.style.ramp = {0.0, 0.0, nearTo};
  fillDisc(surface, clip, b, radius, sink);
}

}  // namespace vk::platform
