// The outliner rebuild (list box included) for 4096 flat objects and for a
// 512-deep parent chain, with and without a filter, and the inspector
// refresh of a selected 60000-vertex mesh, all in the headless studio; and
// single-object edit commands in the 4096-object scene, dispatch to repaint
// request (under callgrind --collect-atstart=no only the timed loop counts).
#include <benchmark/benchmark.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define VK_TOGGLE_COLLECT() CALLGRIND_TOGGLE_COLLECT
#else
#define VK_TOGGLE_COLLECT()
#endif

#include "model/model.h"
#include "model/objects.h"
#include "model/services.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell/studio_harness.h"

namespace {

void startStudio() {
  vk::harness::Options options;
  vk::harness::start(options);
}

// Objects "Item <n>" with ids "b-<n>"; chained: each is the previous one's child.
void fillScene(int count, bool chained) {
  vk::Scene& scene = vk::appState().project.scene;
  scene.objects.clear();
  scene.collections.clear();
  for (int i = 0; i < count; ++i) {
    vk::Object o;
    o.id = L"b-" + std::to_wstring(i);
    o.name = L"Item " + std::to_wstring(i);
    if (chained && i > 0) o.parentId = L"b-" + std::to_wstring(i - 1);
    scene.objects.push_back(std::move(o));
  }
  vk::appState().selectedObjectId = L"b-0";
}

// range(0): object count; range(1): chained; range(2): filter on the last object.
void BM_OutlinerRebuild(benchmark::State& state) {
  startStudio();
  const int count = static_cast<int>(state.range(0));
  fillScene(count, state.range(1) != 0);
  vk::appState().outlinerFilter = state.range(2) ? L"Item " + std::to_wstring(count - 1) : L"";
  for (auto _ : state) vk::refreshOutliner();
  state.counters["rows"] = static_cast<double>(vk::appState().outlinerRows.size());
  vk::harness::stop();
}
BENCHMARK(BM_OutlinerRebuild)
    ->Args({4096, 0, 0})
    ->Args({4096, 0, 1})
    ->Args({512, 1, 0})
    ->Args({512, 1, 1})
    ->Unit(benchmark::kMillisecond);

// One single-object edit of the selected object, as a user gives it: the
// inspector's boxes are typed into before Apply (untimed), the command runs
// from dispatch to repaint request (timed). Successive edits alternate
// between two values, so every one changes the object.
enum EditKind { kHide, kLock, kMove, kRename, kMaterial };

void typeInto(HWND edit, const std::wstring& text) { SetWindowTextW(edit, text.c_str()); }

int prepareEdit(int kind, int step) {
  const vk::ShellHandles& shell = vk::shellHandles();
  switch (kind) {
    case kMove: typeInto(shell.transformEdits[0], step % 2 ? L"1.5" : L"-2.25"); return vk::kCmdApplyInspector;
    case kRename: typeInto(shell.nameEdit, step % 2 ? L"Renamed A" : L"Renamed B"); return vk::kCmdApplyInspector;
    case kMaterial: return step % 2 ? vk::kCmdMaterialPresetGold : vk::kCmdMaterialPresetBlue;
    case kLock: return vk::kCmdToggleLock;
    default: return vk::kCmdToggleVisibility;
  }
}

// range(0): the edit kind (hide, lock, move, rename, material); range(1): 1
// runs 80 edits first, so the undo history is full and stays at its depth
// (0: each edit deepens it, which lays the window out again). Under
// callgrind only the commands count: instructions / 40 is one edit.
void BM_SingleObjectEdit4096(benchmark::State& state) {
  startStudio();
  fillScene(4096, false);
  vk::appState().selectedObjectId = L"b-2048";
  vk::refreshAll();
  const int kind = static_cast<int>(state.range(0));
  int step = 0;
  if (state.range(1))
    for (int i = 0; i < 80; ++i) vk::handleCommand(prepareEdit(kind, step++));
  for (auto _ : state) {
    const int command = prepareEdit(kind, step++);
    VK_TOGGLE_COLLECT();
    vk::handleCommand(command);
    VK_TOGGLE_COLLECT();
  }
  state.counters["undo"] = static_cast<double>(vk::appState().undoStack.size());
  vk::harness::stop();
}
BENCHMARK(BM_SingleObjectEdit4096)
    ->ArgsProduct({{kHide, kLock, kMove, kRename, kMaterial}, {0, 1}})
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond);

// A grid of 244 x 244 vertices (59536) as the selected object.
void BM_InspectorRefresh60kVertexMesh(benchmark::State& state) {
  startStudio();
  vk::Object grid;
  grid.id = L"grid";
  grid.name = L"Grid";
  grid.mesh.primitive = L"Grid";
  std::vector<vk::Vec3> vertices;
  std::vector<vk::MeshFace> faces;
  constexpr int side = 244;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x) vertices.push_back({double(x), 0.0, double(z)});
  for (int z = 0; z + 1 < side; ++z)
    for (int x = 0; x + 1 < side; ++x) {
      vk::MeshFace f;
      f.indices = {z * side + x, z * side + x + 1, (z + 1) * side + x + 1, (z + 1) * side + x};
      faces.push_back(std::move(f));
    }
  grid.meshData.vertices = std::move(vertices);
  grid.meshData.faces = std::move(faces);
  vk::rebuildMeshData(grid);
  vk::appState().project.scene.objects.push_back(std::move(grid));
  vk::appState().selectedObjectId = L"grid";
  for (auto _ : state) vk::refreshInspector();
  state.counters["vertices"] = 59536;
  vk::harness::stop();
}
BENCHMARK(BM_InspectorRefresh60kVertexMesh)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
