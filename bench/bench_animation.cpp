// Keyframes and the timeline panel. Budgets: evaluating 300 tracks of 1000
// keys at one frame <= 2 ms; drawing the panel with 5000 diamonds at the
// 1484 x 821 layout <= 4 ms and the whole main window <= 10 ms; one scrub
// step with the paints it causes <= 16 ms; one key-drag step on a 1000-key
// track (lookup, repair, refreshes, no paint) <= 2 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "animation/animation.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/text_utils.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "shell/studio_harness.h"

namespace {

using namespace vk;

// Keys on the even frames from 2 on.
void fillTracks(Object& object, int keys) {
  for (int i = 0; i < keys; ++i) {
    const std::int32_t frame = 2 + 2 * i;
    TransformKeyframe t;
    t.id = transformKeyId(frame);
    t.frame = frame;
    t.position = {static_cast<double>(i), 0.5 * i, -1.0 * i};
    object.transformAnimation.keyframes.push_back(t);
    CameraKeyframe c;
    c.id = cameraKeyId(frame);
    c.frame = frame;
    c.settings.fov = 20.0 + (i % 100);
    object.cameraAnimation.keyframes.push_back(c);
    LightKeyframe l;
    l.id = lightKeyId(frame);
    l.frame = frame;
    l.settings.intensity = 1.0 + (i % 7);
    l.settings.r = i % 256;
    object.lightAnimation.keyframes.push_back(l);
  }
}

void BM_EvaluateAllTracks(benchmark::State& state) {
  appState() = AppState{};
  std::vector<Object> objects(100);
  for (Object& o : objects) fillTracks(o, 1000);
  for (auto _ : state) {
    for (const Object& o : objects) {
      benchmark::DoNotOptimize(evaluateTransformKeyframes(o, 1001));
      benchmark::DoNotOptimize(evaluateCameraKeyframes(o, 1001));
      benchmark::DoNotOptimize(evaluateLightKeyframes(o, 1001));
    }
  }
}
BENCHMARK(BM_EvaluateAllTracks)->Unit(benchmark::kMillisecond);

void BM_EvaluateOneTrack(benchmark::State& state) {
  Object o;
  const int keys = static_cast<int>(state.range(0));
  fillTracks(o, keys);
  for (auto _ : state) benchmark::DoNotOptimize(evaluateTransformKeyframes(o, keys + 1));
}
BENCHMARK(BM_EvaluateOneTrack)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMicrosecond);

harness::Options benchOptions() {
  harness::Options options;
  options.fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  options.settingsPath = wideFromPath(std::filesystem::temp_directory_path() / "vk_bench_animation.ini");
  return options;
}

// The started studio at the given size with the Camera (obj-2) selected and
// 1000 keys on each of its tracks, over frames 1 to 2000.
void startWithKeyedCamera(int width, int height) {
  harness::start(benchOptions());
  headless::resizeHost(width, height);
  Object& camera = *findObjectById(L"obj-2");
  fillTracks(camera, 1000);
  appState().project.scene.timelineSettings.frameEnd = 2000;
  appState().selectedObjectId = L"obj-2";
  layoutMainWindow(harness::mainWindow());
  refreshAll();
  harness::pump();
}

void BM_DrawTimelineTracks(benchmark::State& state) {
  startWithKeyedCamera(1484, 821);
  void* bits = nullptr;
  HBITMAP bitmap = createTopDownDib32(nullptr, 1484, 821, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (auto _ : state) drawTimelineTracks(dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  harness::stop();
}
BENCHMARK(BM_DrawTimelineTracks)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_MainWindowPaintWithKeys(benchmark::State& state) {
  startWithKeyedCamera(1484, 821);
  HWND main = harness::mainWindow();
  ShowWindow(appState().ui.viewport, SW_HIDE);  // the viewport's own frame is not the window's paint
  harness::pump();
  for (auto _ : state) {
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
    harness::pump();
  }
  harness::stop();
}
BENCHMARK(BM_MainWindowPaintWithKeys)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// 256 cubes and 8 lights around the keyed camera; each step scrubs one
// frame on and pumps the paints it caused (panel, frame strip, viewport).
// Instructions per step: callgrind with
// --dump-before='vk::setTimelineFrameFromScrub*' and a filter on one Arg;
// each dump that starts and ends at a scrub of the same run is one step.
void BM_ScrubStep(benchmark::State& state) {
  const bool withViewport = state.range(0) != 0;
  startWithKeyedCamera(1920, 1080);  // a 1100 x 645 viewport
  Scene& scene = appState().project.scene;
  for (int i = 0; i < 264; ++i) {
    Object o = makeObject(i < 256 ? ObjectKind::Mesh : ObjectKind::Light, i < 256 ? L"Cube" : L"Point Light");
    o.transform.position = {static_cast<double>(i % 16) - 8.0, 0.0, static_cast<double>(i / 16) - 8.0};
    scene.objects.push_back(std::move(o));
  }
  // Without the viewport: the scrub's own share (texts, panel, frame strip).
  if (!withViewport) ShowWindow(appState().ui.viewport, SW_HIDE);
  refreshAll();
  harness::pump();
  const RECT& v = shellHandles().viewportRect;
  state.counters["viewport_w"] = v.right - v.left;
  state.counters["viewport_h"] = v.bottom - v.top;
  std::int32_t frame = 1;
  for (auto _ : state) {
    frame = frame % 1999 + 1;
    setTimelineFrameFromScrub(frame, L"Timeline scrubbed");
    harness::pump();
  }
  harness::stop();
}
BENCHMARK(BM_ScrubStep)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The key at frame 1000 steps between 1001 and 1000; no paint runs.
void BM_KeyDragStep(benchmark::State& state) {
  startWithKeyedCamera(1484, 821);
  AppState& app = appState();
  app.timelineKeyDrag = true;
  app.timelineKeyDragTrack = kTrackTransform;
  app.timelineKeyDragId = transformKeyId(1000);
  bool odd = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(moveTimelineKey(odd ? 1001 : 1000));
    odd = !odd;
  }
  harness::stop();
}
BENCHMARK(BM_KeyDragStep)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
