// The rasterizer's one-pixel lines: Bresenham lines clipped by exact step
// ranges, closed outlines, and their depth-tested forms, which must set the
// same pixels; also the flattening of Bezier curves into line paths.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/raster_internal.h"

namespace vk::platform {

using namespace raster;

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
  if (clip.right <= clip.left || clip.bottom <= clip.top) return false;
  // Unsigned, a coordinate before the clip's first column or row wraps
  // past its width or height: one test a side pair.
  const auto width = std::uint64_t(i64(clip.right) - clip.left);
  const auto height = std::uint64_t(i64(clip.bottom) - clip.top);
  for (int i = 0; i < count; ++i) {
    if (std::uint64_t(i64(points[i].x) - clip.left) >= width) return false;
    if (std::uint64_t(i64(points[i].y) - clip.top) >= height) return false;
  }
  return true;
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

// ---- Depth-tested lines -----------------------------------------------------------

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

namespace {

// One edge of a closed path, `inside` when all its corners lie within the
// clip: a run with the test values carried along, unless the edge crosses
// the eye plane; else each pixel clipped and tested.
inline void strokePathEdgeDepth(const Surface& surface, const RECT& clip, float* depth, const POINT& from,
                                const POINT& to, double nearFrom, double nearTo, double testFrom, double testTo,
                                bool inside, const DepthStyle& style) {
  if (inside) {
    const SegmentSteps s = unclippedSteps(from, to, surface.stride);
    if (s.count == 0) return;
    if ((nearFrom >= 0) == (nearTo >= 0)) {
      depthLineRun(surface.pixels, depth, s, style.color, testFrom, (testTo - testFrom) / double(s.count));
      return;
    }
  }
  drawDepthLine(surface, clip, depth, from, to, nearFrom, nearTo, style);
}

}  // namespace

namespace {

// strokeClosedDepth over a path wholly inside the clip or not, each made
// apart so that the common one, inside, tests nothing more per edge.
template <bool kInside>
void strokeClosedDepthWith(const Surface& surface, const RECT& clip, float* depth, const POINT* points, int count,
                           const DepthStyle& style) {
  auto nearAt = [&](const POINT& p) { return style.ramp.a * p.x + style.ramp.b * p.y + style.ramp.c; };
  // Each corner's nearness and test value once, carried to the next segment.
  double nearFrom = nearAt(points[0]), testFrom = biasedNear(nearFrom, style);
  for (int i = 0; i < count; ++i) {
    const POINT& from = points[i];
    const POINT& to = points[i + 1 < count ? i + 1 : 0];
    const double nearTo = nearAt(to), testTo = biasedNear(nearTo, style);
    strokePathEdgeDepth(surface, clip, depth, from, to, nearFrom, nearTo, testFrom, testTo, kInside, style);
    nearFrom = nearTo;
    testFrom = testTo;
  }
}

}  // namespace

void strokeClosedDepth(const Surface& surface, const RECT& clip, float* depth, const POINT* points,
                       int count, const DepthStyle& style) {
  if (count <= 0) return;
  if (pathInside(clip, points, count)) {
    strokeClosedDepthWith<true>(surface, clip, depth, points, count, style);
  } else {
    strokeClosedDepthWith<false>(surface, clip, depth, points, count, style);
  }
}

void strokeClosedDepthEach(const Surface& surface, const RECT& clip, float* depth, const POINT* points,
                           int count, const DepthStyle& style, const double* cornerNear, const double* extraBias,
                           const std::uint8_t* drawn) {
  const bool inside = pathInside(clip, points, count);
  DepthStyle edge = style;
  for (int i = 0; i < count; ++i) {
    if (drawn && !drawn[i]) continue;
    const int j = i + 1 < count ? i + 1 : 0;
    edge.absoluteBias = style.absoluteBias + extraBias[i];
    strokePathEdgeDepth(surface, clip, depth, points[i], points[j], cornerNear[i], cornerNear[j],
                        biasedNear(cornerNear[i], edge), biasedNear(cornerNear[j], edge), inside, edge);
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

}  // namespace vk::platform
