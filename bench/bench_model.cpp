// Scene model costs: deriving a large imported mesh (the load guard's
// 600000-face ceiling) and taking an undo snapshot of a project holding a
// 400000-vertex mesh, which copy-on-write keeps O(objects). Peer for the
// snapshot: a deep copy of the same vertex and face arrays.
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/model.h"

#include "bench_meshes.h"

namespace {

vk::Object gridMesh(int cells) {
  vk::Object o = vk::bench::gridMesh(cells);
  o.id = L"obj-1";
  return o;
}

void BM_RebuildMeshData600kTriangles(benchmark::State& state) {
  vk::Object o = gridMesh(548);  // 548 * 548 * 2 = 600608 triangles, 301401 vertices
  for (auto _ : state) {
    vk::rebuildMeshData(o);
    benchmark::DoNotOptimize(o.meshData.normals.read().data());
  }
  state.counters["faces"] = double(o.mesh.faces);
  state.counters["edges"] = double(o.mesh.edges);
}
BENCHMARK(BM_RebuildMeshData600kTriangles)->Unit(benchmark::kMillisecond);

void BM_GenerateEdgeList180kCorners(benchmark::State& state) {
  vk::Object o = gridMesh(173);  // 59858 triangles, 179574 corners: stride 1, every edge
  for (auto _ : state) {
    vk::generateEdgeList(o.meshData);
    benchmark::DoNotOptimize(o.meshData.edges.read().data());
  }
  state.counters["edges"] = double(o.meshData.edges.size());
}
BENCHMARK(BM_GenerateEdgeList180kCorners)->Unit(benchmark::kMillisecond);

vk::Project projectWithHeavyMesh() {
  vk::Project project;
  vk::Object heavy = gridMesh(632);  // 633 * 633 = 400689 vertices
  vk::rebuildMeshData(heavy);
  project.scene.objects.push_back(std::move(heavy));
  for (int i = 0; i < 3; ++i) {
    vk::Object small;
    small.id = L"obj-" + std::to_wstring(i + 2);
    vk::initMeshData(small);
    project.scene.objects.push_back(std::move(small));
  }
  return project;
}

void BM_CopyProjectWith400kVertexMesh(benchmark::State& state) {
  const vk::Project project = projectWithHeavyMesh();
  for (auto _ : state) {
    vk::Project copy = project;
    benchmark::DoNotOptimize(&copy.scene.objects.front());
  }
  state.counters["vertices"] = double(project.scene.objects[0].meshData.vertices.size());
}
BENCHMARK(BM_CopyProjectWith400kVertexMesh)->Unit(benchmark::kMicrosecond);

// Peer: what every snapshot would cost if the arrays were copied deeply.
void BM_DeepCopyOf400kVertexArrays(benchmark::State& state) {
  const vk::Project project = projectWithHeavyMesh();
  const vk::MeshData& mesh = project.scene.objects[0].meshData;
  for (auto _ : state) {
    std::vector<vk::Vec3> vertices = mesh.vertices.read();
    std::vector<vk::MeshFace> faces = mesh.faces.read();
    benchmark::DoNotOptimize(vertices.data());
    benchmark::DoNotOptimize(faces.data());
  }
}
BENCHMARK(BM_DeepCopyOf400kVertexArrays)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
