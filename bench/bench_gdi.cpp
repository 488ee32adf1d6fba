// GDI throughput on the viewport's worst case: a 1484 x 821 DIB, 24000
// filled and outlined triangles, full-surface fills and a row-per-brush
// gradient. Targets: triangles <= 6 ms, full fill <= 0.5 ms, gradient
// <= 1 ms on one core. Peer: a plain std::fill of the same surface.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/win32.h"

namespace {

constexpr int kWidth = 1484;
constexpr int kHeight = 821;

struct Target {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint32_t* bits = nullptr;
  Target() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<std::uint32_t*>(memory);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
  }
  ~Target() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

// Triangles of about 20 px a side scattered over the surface, as a mesh's
// faces would be.
std::vector<POINT> makeTriangles(int count) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), d(-20, 20);
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
  std::vector<POINT> points = makeTriangles(24000);
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
BENCHMARK(BM_FilledOutlinedTriangles)->Unit(benchmark::kMillisecond);

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
