// The studio's main window on the headless backend. Budgets: a full paint
// of the main window (chrome and every control, no viewport content) at
// 1484 x 821, composed and presented, <= 8 ms; start-up to the first
// painted frame <= 300 ms.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "model/app_state.h"
#include "shell/studio_harness.h"

namespace {

vk::harness::Options benchOptions() {
  vk::harness::Options options;
  options.fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  options.settingsPath =
      vk::wideFromPath(std::filesystem::temp_directory_path() / "vk_bench_shell_workspace.ini");
  return options;
}

void BM_MainWindowFullPaint(benchmark::State& state) {
  vk::harness::start(benchOptions());
  vk::headless::resizeHost(1484, 821);
  vk::harness::pump();
  HWND main = vk::harness::mainWindow();
  // No viewport content: its window stays out of the frame.
  ShowWindow(vk::appState().ui.viewport, SW_HIDE);
  vk::harness::pump();
  for (auto _ : state) {
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
    vk::harness::pump();
  }
  state.counters["presents"] = vk::headless::presentCount();
  vk::harness::stop();
}
BENCHMARK(BM_MainWindowFullPaint)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_StartupToFirstFrame(benchmark::State& state) {
  const vk::harness::Options options = benchOptions();
  for (auto _ : state) {
    vk::harness::start(options);  // creation, layout and the first paint, presented
    benchmark::DoNotOptimize(vk::headless::presentCount());
    state.PauseTiming();
    if (vk::headless::presentCount() < 1) state.SkipWithError("nothing was presented");
    vk::harness::stop();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
