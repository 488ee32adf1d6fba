// Undo snapshots and the mesh load guard at the sizes the studio allows:
// 80 snapshots of a project holding a 400000-vertex imported mesh (time and
// resident memory; copy-on-write keeps each one O(objects)), an undo/redo
// round trip of that project, and the load guard on 600000 faces (its
// repeated-index test is linear per face). Peer for the snapshots: one deep
// copy of the mesh's vertex and face arrays. Then 80 single-object edits, as
// the user makes them, on 256 default cubes and after importing 4096 glTF
// objects: the resident memory their snapshots add, and one undo step.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <malloc.h>

#include "model/model.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "platform/kernel.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell/studio_harness.h"

#include "bench_gltf_scenes.h"
#include "bench_meshes.h"

namespace {

vk::Object gridMesh(int cells) {
  vk::Object o = vk::bench::gridMesh(cells);
  o.name = L"Imported Grid";
  o.mesh.primitive = L"glTF Mesh";
  return o;
}

// The new project plus a 400689-vertex, 800000-triangle imported mesh.
void loadHeavyProject() {
  vk::appState() = vk::AppState{};
  vk::resetToNewProject();
  vk::Object heavy = gridMesh(632);
  heavy.id = vk::makeObjectId();
  vk::rebuildMeshData(heavy);
  vk::appState().project.scene.objects.push_back(std::move(heavy));
}

double residentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * 4096.0 / (1024.0 * 1024.0);
}

void BM_Push80SnapshotsOf400kVertexProject(benchmark::State& state) {
  loadHeavyProject();
  double residentGrowth = 0.0;
  double heapGrowth = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    const double residentBefore = residentMiB();
    const double heapBefore = double(mallinfo2().uordblks);
    state.ResumeTiming();
    for (int i = 0; i < 80; ++i) vk::pushUndoSnapshot();
    state.PauseTiming();
    residentGrowth = residentMiB() - residentBefore;
    heapGrowth = (double(mallinfo2().uordblks) - heapBefore) / 1024.0;
    vk::appState().undoStack.clear();
    state.ResumeTiming();
  }
  state.counters["rssGrowthMiB"] = residentGrowth;
  state.counters["heapGrowthKiB"] = heapGrowth;
  state.counters["vertices"] = double(vk::appState().project.scene.objects.back().meshData.vertices.size());
  vk::appState() = vk::AppState{};
}
BENCHMARK(BM_Push80SnapshotsOf400kVertexProject)->Unit(benchmark::kMicrosecond);

// Peer: what each of those 80 snapshots would cost as a deep copy.
void BM_DeepCopyOf400kVertexMeshArrays(benchmark::State& state) {
  loadHeavyProject();
  const vk::MeshData& mesh = vk::appState().project.scene.objects.back().meshData;
  for (auto _ : state) {
    std::vector<vk::Vec3> vertices = mesh.vertices.read();
    std::vector<vk::MeshFace> faces = mesh.faces.read();
    benchmark::DoNotOptimize(vertices.data());
    benchmark::DoNotOptimize(faces.data());
  }
  vk::appState() = vk::AppState{};
}
BENCHMARK(BM_DeepCopyOf400kVertexMeshArrays)->Unit(benchmark::kMillisecond);

// Undo then redo: both restores repair the small objects and keep the heavy
// mesh exactly as stored.
void BM_UndoRedoOf400kVertexProject(benchmark::State& state) {
  loadHeavyProject();
  vk::addObject(vk::ObjectKind::Mesh, L"Cube");
  for (auto _ : state) {
    vk::undoLastSnapshot();
    vk::redo();
  }
  vk::appState() = vk::AppState{};
}
BENCHMARK(BM_UndoRedoOf400kVertexProject)->Unit(benchmark::kMicrosecond);

// The load guard on the largest mesh it accepts: 598418 triangles; the time
// includes the derivation it runs on the kept faces.
void BM_LoadGuard600kFaces(benchmark::State& state) {
  const vk::Object stored = gridMesh(547);
  bool kept = false;
  for (auto _ : state) {
    state.PauseTiming();
    vk::Object o = stored;
    state.ResumeTiming();
    kept = vk::sanitizeImportedMeshData(o);
    benchmark::DoNotOptimize(o.meshData.edges.read().data());
  }
  state.counters["faces"] = double(stored.meshData.faces.size());
  state.counters["kept"] = kept ? 1.0 : 0.0;
}
BENCHMARK(BM_LoadGuard600kFaces)->Unit(benchmark::kMillisecond);

// One of the edits a user makes to a single object, by the command ids the
// menus and buttons send: move and rename through the inspector, a material
// preset, a modifier, a transform key, hide/show. Each takes one snapshot.
void editOneObject(int step) {
  vk::AppState& app = vk::appState();
  const auto& objects = app.project.scene.objects;
  app.selectedObjectId = objects[static_cast<std::size_t>(step * 37) % objects.size()].id;
  app.workMode = vk::WorkMode::Object;
  vk::refreshAll();
  switch (step % 6) {
    case 0:
      SetWindowTextW(vk::shellHandles().transformEdits[0], std::to_wstring(step % 9).c_str());
      vk::handleCommand(vk::kCmdApplyInspector);
      break;
    case 1:
      SetWindowTextW(vk::shellHandles().nameEdit, (L"Edited " + std::to_wstring(step)).c_str());
      vk::handleCommand(vk::kCmdApplyInspector);
      break;
    case 2:
      vk::handleCommand(step % 4 ? vk::kCmdMaterialPresetGold : vk::kCmdMaterialPresetBlue);
      break;
    case 3:
      vk::handleCommand(vk::kCmdAddMirrorModifier);
      break;
    case 4:
      vk::handleCommand(vk::kCmdSetTransformKey);
      break;
    default:
      vk::handleCommand(vk::kCmdToggleVisibility);
      break;
  }
}

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return 0;
}

// Objects a snapshot holds that the previous one does not share with it.
double copiedObjectsPerSnapshot(const std::vector<vk::ProjectSnapshot>& stack) {
  std::size_t copied = 0;
  for (std::size_t s = 1; s < stack.size(); ++s) {
    const vk::ObjectList& objects = stack[s].project.scene.objects;
    for (std::size_t i = 0; i < objects.size(); ++i)
      copied += objects.sharesElement(stack[s - 1].project.scene.objects, i) ? 0 : 1;
  }
  return stack.size() > 1 ? double(copied) / double(stack.size() - 1) : 0.0;
}

double millisecondsOf(void (*step)()) {
  const auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Arg 0: 256 default cubes; arg 1: the 4096 objects of the glTF import
// benchmark's case (b). The resident peak is reset before the edits, so
// `peakGrowthMiB` is what the edits and their snapshots added at most.
void BM_SnapshotsOfSingleObjectEdits(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / ("vk_bench_undo_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  vk::harness::Options options;
  options.settingsPath = vk::utf8ToWide((folder / "settings.ini").string());
  vk::harness::start(options);
  vk::headless::setResponder([](const vk::headless::ModalRequest& request, vk::headless::ModalAnswer& answer) {
    answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
    return true;
  });
  vk::AppState& app = vk::appState();
  if (state.range(0) == 0) {
    for (int i = 0; i < 256; ++i) vk::addObject(vk::ObjectKind::Mesh, L"Cube");
  } else {
    app.project.scene.objects.clear();
    const auto path = folder / "b_undo.glb";
    std::ofstream(path, std::ios::binary) << vk::bench::manyMeshes(2048).glb();
    vk::phase65ImportRun(vk::utf8ToWide(path.string()));
  }
  app.undoStack.clear();
  app.redoStack.clear();
  vk::refreshAll();
  for (auto _ : state) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the resident peak
    const long residentBefore = statusKiB("VmRSS:");
    const double heapBefore = double(mallinfo2().uordblks);
    for (int step = 0; step < 80; ++step) editOneObject(step);
    state.counters["peakGrowthMiB"] = double(statusKiB("VmHWM:") - residentBefore) / 1024.0;
    state.counters["heapGrowthMiB"] = (double(mallinfo2().uordblks) - heapBefore) / (1024.0 * 1024.0);
    state.counters["snapshots"] = double(app.undoStack.size());
    state.counters["copiedObjectsPerSnapshot"] = copiedObjectsPerSnapshot(app.undoStack);
  }
  state.counters["objects"] = double(app.project.scene.objects.size());
  // The first restore checks every object it brings back; the next ones
  // only those changed since (the check is noted on the shared objects).
  state.counters["undoMs"] = millisecondsOf(vk::undoLastSnapshot);
  state.counters["secondUndoMs"] = millisecondsOf(vk::undoLastSnapshot);
  state.counters["redoMs"] = millisecondsOf(vk::redo);
  vk::headless::setResponder(nullptr);
  vk::harness::stop();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SnapshotsOfSingleObjectEdits)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
