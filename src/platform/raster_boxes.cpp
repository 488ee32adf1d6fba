// The rasterizer's rounded boxes (rectangles, rounded rectangles and
// ellipses share one shape) with their outlines, and elliptic arcs. Rows of
// small shapes are worked out once and reused.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/raster_internal.h"

namespace vk::platform {

using namespace raster;

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

}  // namespace vk::platform
