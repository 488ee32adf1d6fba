// Pieces every file of the rasterizer shares: exact floor and ceiling
// division for the edge and line set-ups, and the span writers that every
// fill ends in. Only the rasterizer's own files include it.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/raster.h"

namespace vk::platform::raster {

using i64 = std::int64_t;
using i128 = __int128;

// Floor and ceiling division for a positive divisor, in 64 or 128 bits.
template <class T>
inline T floorDiv(T a, T b) {
  T q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

template <class T>
inline T ceilDiv(T a, T b) {
  T q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return q;
}

// Below this magnitude products of two values fit in 63 bits, so the
// common case avoids the slow 128-bit division.
inline constexpr i64 kSmall = i64(1) << 30;

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

}  // namespace vk::platform::raster
