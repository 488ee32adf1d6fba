// GDI throughput on the viewport's worst case: a 1484 x 821 DIB, 24000
// filled and outlined triangles, full-surface fills and a row-per-brush
// gradient. Targets: triangles <= 6 ms, full fill <= 0.5 ms, gradient
// <= 1 ms on one core. Peers: cairo (antialiasing off) drawing the same
// triangles into an image surface of the same size, and a plain std::fill.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#if VK_HAVE_CAIRO
#include <cairo.h>
#endif

#include "../tests/platform/gdi_test_support.h"
#include "platform/win32.h"

namespace {

constexpr int kWidth = 1484;
constexpr int kHeight = 821;

// The tests' canvas: a memory DC holding a top-down DIB section.
struct Target : gditest::Canvas {
  Target() : Canvas(kWidth, kHeight) {}
};

// Triangles scattered over the surface with corners up to `reach` pixels
// from the first one: reach 10 gives about 20 px of area each (the
// viewport's small faces), reach 20 about 84 px (sides of about 20 px).
std::vector<POINT> makeTriangles(int count, int reach) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), d(-reach, reach);
  std::vector<POINT> points;
  for (int i = 0; i < count; ++i) {
    POINT a{x(random), y(random)};
    points.push_back(a);
    points.push_back(POINT{a.x + d(random), a.y + d(random)});
    points.push_back(POINT{a.x + d(random), a.y + d(random)});
  }
  return points;
}

void BM_FilledOutlinedTriangles(benchmark::State& state) {
  Target target;
  std::vector<POINT> points = makeTriangles(24000, int(state.range(0)));
  HBRUSH brush = CreateSolidBrush(RGB(90, 110, 140));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(20, 20, 20));
  SelectObject(target.dc, brush);
  SelectObject(target.dc, pen);
  for (auto _ : state) {
    for (std::size_t i = 0; i < points.size(); i += 3) Polygon(target.dc, &points[i], 3);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 24000);
  SelectObject(target.dc, GetStockObject(BLACK_PEN));
  SelectObject(target.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pen);
  DeleteObject(brush);
}
BENCHMARK(BM_FilledOutlinedTriangles)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

#if VK_HAVE_CAIRO
// The peer: each triangle filled, then stroked with a 1 px line, aliased.
// Cairo strokes around the path (not through pixel centres), so pixels differ;
// the work per triangle is the same.
void BM_CairoFilledOutlinedTriangles(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  std::vector<POINT> points = makeTriangles(24000, int(state.range(0)));
  for (auto _ : state) {
    for (std::size_t i = 0; i < points.size(); i += 3) {
      cairo_move_to(cr, points[i].x, points[i].y);
      cairo_line_to(cr, points[i + 1].x, points[i + 1].y);
      cairo_line_to(cr, points[i + 2].x, points[i + 2].y);
      cairo_close_path(cr);
      cairo_set_source_rgb(cr, 90 / 255.0, 110 / 255.0, 140 / 255.0);
      cairo_fill_preserve(cr);
      cairo_set_source_rgb(cr, 20 / 255.0, 20 / 255.0, 20 / 255.0);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 24000);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoFilledOutlinedTriangles)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);
#endif

void BM_FullSurfaceFillRect(benchmark::State& state) {
  Target target;
  HBRUSH brush = CreateSolidBrush(RGB(24, 29, 38));
  RECT all{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    FillRect(target.dc, &all, brush);
    benchmark::ClobberMemory();
  }
  DeleteObject(brush);
}
BENCHMARK(BM_FullSurfaceFillRect)->Unit(benchmark::kMicrosecond);

// The peer: the same fill written directly.
void BM_FullSurfaceStdFill(benchmark::State& state) {
  Target target;
  for (auto _ : state) {
    std::fill(target.bits, target.bits + kWidth * kHeight, 0x18'1D'26u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullSurfaceStdFill)->Unit(benchmark::kMicrosecond);

void BM_GradientOneBrushPerRow(benchmark::State& state) {
  Target target;
  for (auto _ : state) {
    for (int row = 0; row < kHeight; ++row) {
      HBRUSH brush = CreateSolidBrush(RGB(34, 41 + row % 20, 53));
      RECT line{0, row, kWidth, row + 1};
      FillRect(target.dc, &line, brush);
      DeleteObject(brush);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_GradientOneBrushPerRow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
