// Undo snapshots and the mesh load guard at the sizes the studio allows:
// 80 snapshots of a project holding a 400000-vertex imported mesh (time and
// resident memory; copy-on-write keeps each one O(objects)), an undo/redo
// round trip of that project, and the load guard on 600000 faces (its
// repeated-index test is linear per face). Peer for the snapshots: one deep
// copy of the mesh's vertex and face arrays.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>

#include <malloc.h>

#include "model/model.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"

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

}  // namespace

BENCHMARK_MAIN();
