// Blits between any two DCs (memory or surface), clipped on both sides:
// BitBlt, nearest-pixel StretchBlt and PatBlt.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/raster.h"

namespace vk::platform {
namespace {

using i64 = std::int64_t;

struct Range {
  i64 begin, end;  // [begin, end)
};

// Logical (x, y, width, height) moved to the surface, with negative sizes
// turned into a flip: a negative width covers columns x + width + 1 .. x,
// so (w - 1, -w) mirrors a w-wide area in place.
struct Placed {
  i64 x, y, width, height;
  bool flipX, flipY;
};

Placed place(const DcTarget& target, i64 x, i64 y, i64 width, i64 height) {
  Placed p{x + target.origin.x, y + target.origin.y, width, height, false, false};
  if (p.width < 0) {
    p.x += p.width + 1;
    p.width = -p.width;
    p.flipX = true;
  }
  if (p.height < 0) {
    p.y += p.height + 1;
    p.height = -p.height;
    p.flipY = true;
  }
  return p;
}

BOOL fillPattern(HDC handle, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return FALSE;
  std::uint32_t color;
  if (rop == BLACKNESS) {
    color = 0;
  } else if (rop == WHITENESS) {
    color = 0xFFFFFF;
  } else if (rop == PATCOPY) {
    GdiObject* brush = gdiObjectFromHandle(dc->state.brush);
    if (!brush || brush->kind != GdiKind::Brush) return FALSE;
    if (brush->brush.hollow) return TRUE;
    color = pixelFromColorref(brush->brush.color);
  } else {
    return FALSE;
  }
  DcTarget target;
  if (!resolveDcTarget(*dc, target)) return TRUE;
  // A pattern has no direction: a negative size just spans the other way.
  i64 left = i64(x) + target.origin.x, top = i64(y) + target.origin.y;
  i64 right = left + width, bottom = top + height;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  RECT r{LONG(std::clamp<i64>(left, target.clip.left, target.clip.right)),
         LONG(std::clamp<i64>(top, target.clip.top, target.clip.bottom)),
         LONG(std::clamp<i64>(right, target.clip.left, target.clip.right)),
         LONG(std::clamp<i64>(bottom, target.clip.top, target.clip.bottom))};
  fillRectPixels(target.surface, target.clip, r, color);
  return TRUE;
}

// Nearest source index (0..sourceSize-1) for destination index i of
// destSize: the source pixel under the destination pixel's centre.
inline i64 nearestSource(i64 i, i64 destSize, i64 sourceSize, bool flip) {
  i64 j = ((2 * i + 1) * sourceSize) / (2 * destSize);
  return flip ? sourceSize - 1 - j : j;
}

// Destination indices [0, destSize) whose position stays inside `clip`
// on the destination side.
Range visibleIndices(i64 destStart, i64 destSize, Range clip) {
  return Range{std::max<i64>(0, clip.begin - destStart),
               std::min<i64>(destSize, clip.end - destStart)};
}

bool sameSurface(const Surface& a, const Surface& b) { return a.pixels == b.pixels; }

}  // namespace
}  // namespace vk::platform

using namespace vk::platform;

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  return fillPattern(dc, x, y, width, height, rop);
}

BOOL StretchBlt(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle,
                int xSource, int ySource, int widthSource, int heightSource, DWORD rop) {
  if (rop != SRCCOPY) {
    if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS)
      return fillPattern(destHandle, x, y, width, height, rop);
    return FALSE;
  }
  DeviceContext* dest = dcFromHandle(destHandle);
  DeviceContext* source = dcFromHandle(sourceHandle);
  if (!dest || !source) return FALSE;
  DcTarget to, from;
  if (!resolveDcTarget(*dest, to) || !resolveDcTarget(*source, from)) return TRUE;
  if (width == 0 || height == 0 || widthSource == 0 || heightSource == 0) return TRUE;
  Placed d = place(to, x, y, width, height);
  Placed s = place(from, xSource, ySource, widthSource, heightSource);
  bool flipX = d.flipX != s.flipX, flipY = d.flipY != s.flipY;

  Range cols = visibleIndices(d.x, d.width, Range{to.clip.left, to.clip.right});
  Range rows = visibleIndices(d.y, d.height, Range{to.clip.top, to.clip.bottom});
  if (cols.begin >= cols.end || rows.begin >= rows.end) return TRUE;

  const bool oneToOne = d.width == s.width && d.height == s.height && !flipX && !flipY;
  if (oneToOne) {
    // Plain copy: narrow to the source clip too, then move whole rows
    // (memmove, in an order that survives overlap on one surface).
    cols.begin = std::max<i64>(cols.begin, from.clip.left - s.x);
    cols.end = std::min<i64>(cols.end, from.clip.right - s.x);
    rows.begin = std::max<i64>(rows.begin, from.clip.top - s.y);
    rows.end = std::min<i64>(rows.end, from.clip.bottom - s.y);
    if (cols.begin >= cols.end || rows.begin >= rows.end) return TRUE;
    std::size_t bytes = std::size_t(cols.end - cols.begin) * sizeof(std::uint32_t);
    bool upward = sameSurface(to.surface, from.surface) && d.y > s.y;
    for (i64 n = 0; n < rows.end - rows.begin; ++n) {
      i64 row = upward ? rows.end - 1 - n : rows.begin + n;
      std::uint32_t* out = to.surface.pixels + (d.y + row) * to.surface.stride + d.x + cols.begin;
      const std::uint32_t* in =
          from.surface.pixels + (s.y + row) * from.surface.stride + s.x + cols.begin;
      std::memmove(out, in, bytes);
    }
    return TRUE;
  }

  // Scaled: map every visible destination column once; -1 marks columns
  // whose source lies outside the source clip (left untouched).
  thread_local std::vector<i64> columnMap;
  columnMap.assign(std::size_t(cols.end - cols.begin), -1);
  for (i64 i = cols.begin; i < cols.end; ++i) {
    i64 sx = s.x + nearestSource(i, d.width, s.width, flipX);
    if (sx >= from.clip.left && sx < from.clip.right) columnMap[std::size_t(i - cols.begin)] = sx;
  }
  // Reading and writing one surface: take a copy of the source first.
  thread_local std::vector<std::uint32_t> copy;
  Surface in = from.surface;
  if (sameSurface(to.surface, from.surface)) {
    copy.assign(in.pixels, in.pixels + std::size_t(in.stride) * std::size_t(in.height));
    in.pixels = copy.data();
  }
  for (i64 j = rows.begin; j < rows.end; ++j) {
    i64 sy = s.y + nearestSource(j, d.height, s.height, flipY);
    if (sy < from.clip.top || sy >= from.clip.bottom) continue;
    const std::uint32_t* sourceRow = in.pixels + sy * in.stride;
    std::uint32_t* destRow = to.surface.pixels + (d.y + j) * to.surface.stride + d.x;
    for (i64 i = cols.begin; i < cols.end; ++i) {
      i64 sx = columnMap[std::size_t(i - cols.begin)];
      if (sx >= 0) destRow[i] = sourceRow[sx];
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSource, int ySource,
            DWORD rop) {
  if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS)
    return fillPattern(dest, x, y, width, height, rop);
  if (width < 0 || height < 0) return FALSE;
  return StretchBlt(dest, x, y, width, height, source, xSource, ySource, width, height, rop);
}
