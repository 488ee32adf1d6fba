// Viewport input costs in the running studio (headless, default window):
// object picks on many cubes and on large grids, Edit Mesh face picks and
// drag steps on a 244 x 244-vertex grid with every vertex selected, and one
// orbit or wheel step on a lit 20k-face grid, each from the injected input
// to the presented frame where stated.
// Peers: the budgets of a responsive click (20 ms), a drag step (50 ms) and
// a 60 Hz frame (16 ms).
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/edit_mesh.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "shell/studio_harness.h"
#include "viewport/interaction.h"
#include "viewport/viewport.h"

namespace {

using vk::appState;

struct Studio {
  Studio() {
    vk::harness::Options options;
    options.fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    options.settingsPath = L"/tmp/vk_bench_viewport_input.ini";
    vk::harness::start(options);
    auto& scene = appState().project.scene;
    scene.objects.clear();
    scene.collections.assign(1, vk::Collection{});
    appState().selectedObjectId.clear();
    appState().undoStack.clear();
  }
  ~Studio() { vk::harness::stop(); }
  static POINT screen(POINT client) { return vk::harness::screenPoint(appState().ui.viewport, client); }
  static RECT client() { return vk::viewportClientRect(); }
};

vk::Object& addSceneObject(vk::ObjectKind kind, const std::wstring& name) {
  auto& objects = appState().project.scene.objects;
  objects.push_back(vk::makeObject(kind, name));
  return objects.back();
}

// An n x n-vertex grid in the x-z plane: quads, or two triangles per cell.
vk::Object& addGrid(int n, bool triangles, double size) {
  vk::MeshData mesh;
  auto& v = mesh.vertices.write();
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) {
      v.push_back({-size + 2 * size * x / (n - 1), 0.2 * std::sin(x * 0.3) * std::cos(z * 0.3),
                   -size + 2 * size * z / (n - 1)});
    }
  }
  auto& f = mesh.faces.write();
  for (int z = 0; z + 1 < n; ++z) {
    for (int x = 0; x + 1 < n; ++x) {
      const int a = z * n + x, b = a + n, c = a + n + 1, d = a + 1;
      if (triangles) {
        f.push_back(vk::MeshFace{{a, b, c}, {}, 0});
        f.push_back(vk::MeshFace{{a, c, d}, {}, 0});
      } else {
        f.push_back(vk::MeshFace{{a, b, c, d}, {}, 0});
      }
    }
  }
  vk::Object& object = addSceneObject(vk::ObjectKind::Mesh, L"Grid");
  object.meshData = std::move(mesh);
  object.mesh.primitive = L"Edited Mesh";
  vk::rebuildMeshData(object);
  return object;
}

void addLights(int count) {
  for (int i = 0; i < count; ++i) {
    vk::Object& light = addSceneObject(vk::ObjectKind::Light, L"Point Light");
    light.transform.position = {std::cos(i * 0.7) * 6.0, 3.0 + (i % 4), std::sin(i * 0.7) * 6.0};
    light.light.range = 20.0;
  }
}

// Cells per side of a triangulated grid with about `faces` triangles.
int gridSideFor(std::int64_t faces) { return static_cast<int>(std::lround(std::sqrt(faces / 2.0))) + 1; }

void BM_PickObject256Cubes(benchmark::State& state) {
  Studio studio;
  for (int i = 0; i < 256; ++i) {
    addSceneObject(vk::ObjectKind::Mesh, L"Cube").transform.position = {(i % 16 - 7.5) * 0.6, 0.0, (i / 16 - 7.5) * 0.6};
  }
  const RECT r = Studio::client();
  for (auto _ : state) vk::viewportPickObject(r.right / 2, r.bottom / 2);
}
BENCHMARK(BM_PickObject256Cubes)->Unit(benchmark::kMillisecond);

// A click inside the grid's last face (every face is tested before it) and
// one just off the mesh (every face and edge is tested).
void BM_PickObjectGrid(benchmark::State& state) {
  Studio studio;
  const vk::Object& grid = addGrid(gridSideFor(state.range(0)), true, 4.0);
  const auto& faces = grid.meshData.faces.read();
  const vk::MeshFace& last = faces.back();
  const auto& v = grid.meshData.vertices.read();
  const vk::Vec3 inside = (v[last.indices[0]] + v[last.indices[1]] + v[last.indices[2]]) / 3.0;
  const POINT hit = vk::projectToScreen(inside, Studio::client());
  const POINT corner = vk::projectToScreen({-4.0, 0.0, -4.0}, Studio::client());
  const POINT target = state.range(1) == 0 ? hit : POINT{corner.x - 14, corner.y};
  for (auto _ : state) vk::viewportPickObject(target.x, target.y);
  state.counters["faces"] = double(faces.size());
  state.counters["hit"] = appState().selectedObjectId == grid.id ? 1 : 0;
}
BENCHMARK(BM_PickObjectGrid)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Args({10000, 0})
    ->Args({40000, 0})
    ->ArgNames({"faces", "off"})
    ->Unit(benchmark::kMillisecond);

vk::Object& editMeshGrid(int side) {
  vk::Object& grid = addGrid(side, false, 4.0);
  appState().selectedObjectId = grid.id;
  appState().workMode = vk::WorkMode::EditMesh;
  return grid;
}

void BM_EditMeshFacePick(benchmark::State& state) {
  Studio studio;
  editMeshGrid(244);
  appState().componentMode = vk::ComponentMode::Face;
  const RECT r = Studio::client();
  for (auto _ : state) vk::selectComponentAt(r.right / 2 + 3, r.bottom / 2 + 2);
}
BENCHMARK(BM_EditMeshFacePick)->Unit(benchmark::kMillisecond);

// One injected mouse move of a component drag with every vertex selected,
// pumped until the frame is presented.
void BM_EditMeshDragStep(benchmark::State& state) {
  Studio studio;
  const int side = static_cast<int>(std::lround(std::sqrt(double(state.range(0)))));
  vk::Object& grid = editMeshGrid(side);
  appState().transformTool = state.range(1) == 0 ? vk::TransformTool::Move : vk::TransformTool::Scale;
  appState().componentMode = vk::ComponentMode::Vertex;
  auto& selected = appState().selectedVertices;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(grid.meshData.vertices.read().size()); ++i) selected.push_back(i);
  const RECT r = Studio::client();
  const POINT from = Studio::screen({r.right / 2, r.bottom / 2});
  vk::headless::mouseMove(from);
  vk::headless::mouseDown(from);
  vk::harness::pump();
  int step = 0;
  const int presented = vk::headless::presentCount();
  for (auto _ : state) {
    ++step;
    vk::headless::mouseMove(POINT{from.x + (step % 40) - 20 + 1, from.y + (step % 7)});
    vk::harness::pump();
  }
  vk::headless::mouseUp(from);
  vk::harness::pump();
  state.counters["vertices"] = double(side * side);
  state.counters["frames"] = double(vk::headless::presentCount() - presented);
}
BENCHMARK(BM_EditMeshDragStep)
    ->Args({59536, 0})
    ->Args({59536, 1})
    ->Args({15129, 0})
    ->Args({30276, 0})
    ->ArgNames({"vertices", "scale"})
    ->Unit(benchmark::kMillisecond);

// One orbit step (right-drag move) or one wheel notch on the lit 20k-face
// grid with 8 lights, injected to presented.
void BM_NavigationStep(benchmark::State& state) {
  Studio studio;
  appState().selectedObjectId = addGrid(gridSideFor(20000), true, 4.0).id;
  addLights(8);
  const bool wheel = state.range(0) == 1;
  const RECT r = Studio::client();
  const POINT at = Studio::screen({r.right / 2, r.bottom / 2});
  vk::headless::mouseMove(at);
  if (!wheel) vk::headless::mouseDown(at, vk::headless::Button::Right);
  vk::harness::pump();
  int step = 0;
  for (auto _ : state) {
    ++step;
    if (wheel) {
      vk::headless::wheel(at, step % 2 ? 120 : -120);
    } else {
      vk::headless::mouseMove(POINT{at.x + (step % 2 ? 3 : -3), at.y});
    }
    vk::harness::pump();
  }
  if (!wheel) vk::headless::mouseUp(at, vk::headless::Button::Right);
  vk::harness::pump();
}
BENCHMARK(BM_NavigationStep)->Arg(0)->Arg(1)->ArgNames({"wheel"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
