// Preset and capsule work in the headless studio: the first use of the five
// catalogs, starter applies into scenes of 60, 120 and 249 objects including
// the refresh and the next viewport frame, and one browser step with its
// refresh and repaint on a 256-object scene.
#include <benchmark/benchmark.h>

#include "model/objects.h"
#include "model/undo.h"
#include "presets/catalogs.h"
#include "shell/command_ids.h"
#include "shell/studio_harness.h"

namespace {

using namespace vk;

// Registered first, so that it sees the catalogs unbuilt.
void BM_CatalogsFirstUse(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(capsuleCatalog().size());
    benchmark::DoNotOptimize(presetCatalog().size());
    benchmark::DoNotOptimize(lightingPresets().size());
    benchmark::DoNotOptimize(materialCapsuleCatalog().size());
    benchmark::DoNotOptimize(sceneStarterCatalog().size());
  }
}
BENCHMARK(BM_CatalogsFirstUse)->Iterations(1)->Unit(benchmark::kMicrosecond);

void startStudioWith(std::size_t objects) {
  harness::Options options;
  harness::start(options);
  headless::resizeHost(1484, 821);
  Scene& scene = appState().project.scene;
  while (scene.objects.size() < objects) {
    addObject(ObjectKind::Mesh, L"Cube");
  }
  appState().undoStack.clear();
  harness::pump();
}

// range(0): objects before; range(1): the starter command.
void BM_StarterApply(benchmark::State& state) {
  startStudioWith(static_cast<std::size_t>(state.range(0)));
  const int command = static_cast<int>(state.range(1));
  for (auto _ : state) {
    harness::sendCommand(command);  // apply, refresh, next frame
    state.PauseTiming();
    undoLastSnapshot();
    harness::pump();
    state.ResumeTiming();
  }
  harness::stop();
}
BENCHMARK(BM_StarterApply)
    ->Args({60, kCmdStarterProductShot})
    ->Args({120, kCmdStarterProductShot})
    ->Args({249, kCmdStarterProductShot})
    ->Args({60, kCmdStarterCinematicTurntable})
    ->Args({120, kCmdStarterCinematicTurntable})
    ->Args({249, kCmdStarterCinematicTurntable})
    ->Unit(benchmark::kMillisecond);

void BM_BrowserStep(benchmark::State& state) {
  startStudioWith(256);
  appState().selectedObjectId = appState().project.scene.objects[10].id;
  const int command = static_cast<int>(state.range(0));
  for (auto _ : state) harness::sendCommand(command);
  harness::stop();
}
BENCHMARK(BM_BrowserStep)->Arg(kCmdNextCapsule)->Arg(kCmdNextPreset)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
