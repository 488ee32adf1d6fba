// The aliased rasterizer behind the GDI: pure functions over a surface, a
// clip rectangle and a style, in surface coordinates, no handles.
//
// Pixel (x, y) is sampled at the integer point (x, y): fills take a sample
// when it lies inside, or on a top or left edge (so shapes that share an
// edge never both cover a pixel).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi_internal.h"

namespace vk::platform {

// Fixed-point coordinates with 8 fraction bits, 64-bit so that any 32-bit
// logical coordinate stays exact.
struct FixedPoint {
  std::int64_t x = 0;
  std::int64_t y = 0;
};
constexpr int kFixedShift = 8;
constexpr std::int64_t kFixedOne = 1 << kFixedShift;

struct LineStyle {
  std::uint32_t color = 0;
  bool dotted = false;        // one pixel on, one off
  bool fillGaps = false;      // OPAQUE background: gaps take gapColor
  std::uint32_t gapColor = 0;
};

// `clip` lies inside the surface; `rect` may be anything.
void fillRectPixels(const Surface& surface, const RECT& clip, RECT rect, std::uint32_t color);

// A one-pixel line from `from` up to but excluding `to`. `phase` is the dot
// pattern's position at `from`; returns the position at `to`.
std::int64_t drawCosmeticLine(const Surface& surface, const RECT& clip, POINT from, POINT to,
                              const LineStyle& style, std::int64_t phase);

// The closed path through `points` with a solid one-pixel pen: the pixels
// drawCosmeticLine sets segment by segment, faster when all lie in `clip`.
void strokeClosedSolid(const Surface& surface, const RECT& clip, const POINT* points, int count,
                       std::uint32_t color);

// Even-odd (or non-zero winding) fill of one or more closed rings;
// `ringSizes` splits `points` into rings.
void fillPolygonFixed(const Surface& surface, const RECT& clip, const FixedPoint* points,
                      const int* ringSizes, int ringCount, bool winding, std::uint32_t color);

// The triangle's fill: the pixels fillPolygonFixed sets for these three
// points (even-odd and winding agree on a triangle), without an edge table.
void fillTriangleFixed(const Surface& surface, const RECT& clip, FixedPoint p0, FixedPoint p1,
                       FixedPoint p2, std::uint32_t color);

// Strokes the path with a round pen `width` pixels wide (caps and joins
// round); `closed` joins the last point back to the first.
void strokeWidePath(const Surface& surface, const RECT& clip, const POINT* points, int count,
                    bool closed, int width, std::uint32_t color);

// Rectangles, rounded rectangles and ellipses share one shape: the box
// (right/bottom exclusive) with elliptic corners cornerWidth x cornerHeight
// (0 for square corners; the box size for an ellipse).
struct RoundedBox {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t cornerWidth = 0, cornerHeight = 0;
};

// Interior with `fill` (when non-null), outline with a pen of `penWidth`
// (0: no pen, the interior then loses its right column and bottom row).
void drawRoundedBox(const Surface& surface, const RECT& clip, const RoundedBox& box,
                    const std::uint32_t* fill, int penWidth, std::uint32_t penColor);

// The part of the ellipse outline swept from the radial through `start` to
// the radial through `end` (both in doubled coordinates relative to the
// ellipse's centre, y down), counter-clockwise on screen unless `clockwise`.
void drawEllipseArc(const Surface& surface, const RECT& clip, const RoundedBox& ellipse,
                    std::int64_t startX2, std::int64_t startY2, std::int64_t endX2,
                    std::int64_t endY2, bool clockwise, int penWidth, std::uint32_t color);

// ---- Depth-tested drawing ----
// A depth buffer holds one float per pixel, indexed like the surface's
// pixels (same stride): the nearness of what covers the pixel, larger is
// nearer.

// Nearness a * x + b * y + c at pixel (x, y), in surface coordinates.
struct DepthRamp {
  double a = 0.0, b = 0.0, c = 0.0;
};
enum class DepthMode : std::uint8_t {
  Write,  // pixels as near as or nearer than the buffer take the colour and the nearness
  Blend,  // those pixels blend the colour over what is there by alpha; the buffer stays
  Test,   // lines: pixels within the bias of the buffer or nearer take the colour
};
struct DepthStyle {
  DepthRamp ramp;
  DepthMode mode = DepthMode::Write;
  std::uint32_t color = 0;
  int alpha256 = 256;          // Blend: the colour's weight out of 256
  double relativeBias = 0.0;   // Test: a pixel passes when
  double absoluteBias = 0.0;   //   near + |near| * relative + absolute >= stored
};

// The pixels fillPolygonFixed and fillTriangleFixed set, depth-tested.
void fillPolygonDepth(const Surface& surface, const RECT& clip, float* depth, const FixedPoint* points,
                      const int* ringSizes, int ringCount, bool winding, const DepthStyle& style);
void fillTriangleDepth(const Surface& surface, const RECT& clip, float* depth, FixedPoint p0, FixedPoint p1,
                       FixedPoint p2, const DepthStyle& style);
// The pixels of a solid drawCosmeticLine, the nearness stepped from
// `nearFrom` to `nearTo` and tested as DepthMode::Test (the ramp unused).
void drawDepthLine(const Surface& surface, const RECT& clip, float* depth, POINT from, POINT to,
                   double nearFrom, double nearTo, const DepthStyle& style);
// The pixels strokeClosedSolid sets, each corner's nearness from the style's
// ramp, tested likewise.
void strokeClosedDepth(const Surface& surface, const RECT& clip, float* depth, const POINT* points,
                       int count, const DepthStyle& style);
// The same pixels for a polygon filled in pieces: each corner's nearness
// given (the ramp unused), and the edge from point i to point i + 1 tested
// with `extraBias[i]` added to the style's absolute bias; with `drawn`,
// only the edges it flags.
void strokeClosedDepthEach(const Surface& surface, const RECT& clip, float* depth, const POINT* points,
                           int count, const DepthStyle& style, const double* cornerNear, const double* extraBias,
                           const std::uint8_t* drawn = nullptr);
// The pixels strokeWidePath sets for the open segment, tested likewise.
void strokeWideSegmentDepth(const Surface& surface, const RECT& clip, float* depth, POINT from, POINT to,
                            double nearFrom, double nearTo, int width, const DepthStyle& style);

// Appends the flattened cubic (excluding its first point) to `out`.
void flattenCubic(const POINT& p0, const POINT& p1, const POINT& p2, const POINT& p3,
                  std::vector<POINT>& out);

}  // namespace vk::platform
