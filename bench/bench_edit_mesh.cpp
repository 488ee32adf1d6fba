// Edit-mesh commands at the 60000 edit budget: extrude, inset and bevel of
// every face or edge of a quad grid, and a loop cut of every quad. Each runs
// the whole command (guard, budget, undo snapshot, change, derivation) on a
// grid sized so the result lands just under the budget, and on a grid half
// that size: the pair shows how the time scales (target: at most 50 ms at
// the budget, at most double for double the input). Peer: the per-vertex
// normal query (vertexNormal) the operations would repeat without their
// one-per-operation adjacency and running centroid.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/edit_mesh.h"
#include "model/model.h"
#include "model/objects.h"
#include "model/undo.h"

namespace {

using vk::appState;

// rows x cols quads on the XZ plane with a gentle bump, faces in row order.
vk::MeshData quadGrid(int rows, int cols) {
  std::vector<vk::Vec3> vertices;
  std::vector<vk::MeshFace> faces;
  for (int z = 0; z <= rows; ++z) {
    for (int x = 0; x <= cols; ++x) vertices.push_back({double(x), std::sin(x * 0.1) * std::cos(z * 0.1), double(z)});
  }
  auto at = [cols](int x, int z) { return z * (cols + 1) + x; };
  for (int z = 0; z < rows; ++z) {
    for (int x = 0; x < cols; ++x) faces.push_back(vk::MeshFace{{at(x, z), at(x, z + 1), at(x + 1, z + 1), at(x + 1, z)}, {}, 0});
  }
  vk::MeshData mesh;
  mesh.vertices = std::move(vertices);
  mesh.faces = std::move(faces);
  return mesh;
}

enum class Pick { AllFaces, AllEdges };

// A fresh state holding one grid object in Edit Mesh mode with the picked selection.
vk::Object& prepare(int rows, int cols, Pick pick) {
  vk::AppState& app = appState();
  app = vk::AppState{};
  vk::Object grid;
  grid.id = L"obj-1";
  grid.name = L"Grid";
  grid.meshData = quadGrid(rows, cols);
  vk::rebuildMeshData(grid);
  app.project.scene.objects.push_back(grid);
  app.selectedObjectId = L"obj-1";
  app.workMode = vk::WorkMode::EditMesh;
  vk::Object& object = app.project.scene.objects.back();
  std::vector<std::int32_t> all(pick == Pick::AllFaces ? object.meshData.faces.size() : object.meshData.edges.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::int32_t>(i);
  (pick == Pick::AllFaces ? app.selectedFaces : app.selectedEdges) = all;
  return object;
}

void runCommand(benchmark::State& state, int rows, Pick pick, void (*command)(), const wchar_t* status) {
  const int cols = static_cast<int>(state.range(0));
  vk::Object& object = prepare(rows, cols, pick);
  const vk::MeshData original = object.meshData;
  const vk::AppState start = appState();
  command();
  if (appState().statusText != status) {
    state.SkipWithError("command refused");
    return;
  }
  const std::size_t vertices = appState().project.scene.objects.back().meshData.vertices.size();
  const std::size_t faces = appState().project.scene.objects.back().meshData.faces.size();
  for (auto _ : state) {
    state.PauseTiming();
    appState() = start;
    state.ResumeTiming();
    command();
  }
  state.counters["result_vertices"] = static_cast<double>(vertices);
  state.counters["result_faces"] = static_cast<double>(faces);
  appState() = vk::AppState{};
}

// 100 x 100 quads: 10201 vertices, 10000 faces; extrude and inset ask for
// (40000, 50000) and end at 50201 vertices and 50000 faces.
void BM_ExtrudeAllFaces(benchmark::State& state) {
  runCommand(state, 100, Pick::AllFaces, vk::meshExtrude, L"●  Extruded faces outward along corrected face normals");
}
BENCHMARK(BM_ExtrudeAllFaces)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_InsetAllFaces(benchmark::State& state) {
  runCommand(state, 100, Pick::AllFaces, vk::meshInsetFaces, L"●  Inset selected faces");
}
BENCHMARK(BM_InsetAllFaces)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// 20200 edges: 50601 vertices and 30200 faces after.
void BM_BevelAllEdges(benchmark::State& state) {
  runCommand(state, 100, Pick::AllEdges, vk::meshBevel, L"●  Beveled selected edges");
}
BENCHMARK(BM_BevelAllEdges)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ExtrudeAllEdges(benchmark::State& state) {
  runCommand(state, 100, Pick::AllEdges, vk::meshExtrude, L"●  Extruded edges outward from adjacent faces");
}
BENCHMARK(BM_ExtrudeAllEdges)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// 120 x 120 quads: the (2F, 3F) request reaches 57600 faces.
void BM_LoopCutAllQuads(benchmark::State& state) {
  runCommand(state, 120, Pick::AllFaces, vk::meshLoopCut, L"●  Loop-cut placeholder split applied");
}
BENCHMARK(BM_LoopCutAllQuads)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);

// Vertex extrude of every grid vertex: one adjacency build and a running
// centroid instead of a scan of every face and vertex per selected vertex.
void BM_ExtrudeAllVertices(benchmark::State& state) {
  const int cols = static_cast<int>(state.range(0));
  vk::MeshData grid = quadGrid(100, cols);
  std::vector<std::int32_t> all(grid.vertices.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::int32_t>(i);
  for (auto _ : state) {
    vk::MeshData mesh = grid;
    benchmark::DoNotOptimize(vk::extrudeVertices(mesh, all).size());
  }
}
BENCHMARK(BM_ExtrudeAllVertices)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// Peer: the per-vertex query the operation would otherwise repeat
// (vertexNormal scans every face and averages every vertex), for only 100
// of those vertices.
void BM_PeerVertexNormalQueries100(benchmark::State& state) {
  const int cols = static_cast<int>(state.range(0));
  vk::MeshData grid = quadGrid(100, cols);
  for (auto _ : state) {
    vk::Vec3 sum;
    for (std::int32_t v = 0; v < 100; ++v) sum += vk::vertexNormal(grid, v);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_PeerVertexNormalQueries100)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
