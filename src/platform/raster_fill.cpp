// The rasterizer's filled areas: rectangles, the edge-table polygon filler
// (templated on what a span does, so the colour and the depth-tested fills
// walk the same edges), triangles, and round wide pens built from its
// polygons.
//
// Sections:
//   - Rectangles
//   - Edge-table filler   edges, span rows, polygons and triangles
//   - Wide pens           discs and segment bodies
//   - Depth-tested fills  the span sink per depth mode
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/raster_internal.h"

namespace vk::platform {

using namespace raster;

// ---- Rectangles ---------------------------------------------------------------------

void fillRectPixels(const Surface& surface, const RECT& clip, RECT rect, std::uint32_t color) {
  i64 top = std::max<i64>(rect.top, clip.top), bottom = std::min<i64>(rect.bottom, clip.bottom);
  for (i64 y = top; y < bottom; ++y) fillRow(surface, clip, y, rect.left, rect.right, color);
}

// ---- Edge-table filler -------------------------------------------------------------

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

// ---- Wide pens ---------------------------------------------------------------------

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

// ---- Depth-tested fills ------------------------------------------------------------

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
