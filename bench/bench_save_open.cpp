// The save and open flows as the user runs them (no peer: the figures are
// budgets).
//
//   OpenFlow: openSelectedProject of a 400000-vertex, 600000-triangle mesh
//     (the persistence fixture b) through a scripted dialog; ReaderOnly: the
//     same file through readTextFile and deserializeProject, so the flow's own
//     steps after the reader are the difference.
//   PlainSave / SaveAsElsewhere: 256 objects x 4 slots x 6 relative maps with
//     80 undo snapshots, saved into its own folder and into a sibling folder
//     (every map path moved in the project and in each snapshot).
//   UpdateTextureStatuses: the re-test of every map of that project.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "persistence/persistence.h"
#include "persistence/project_flows.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "shading/textures.h"

namespace {

using namespace vk;
namespace fs = std::filesystem;

fs::path scratch() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / ("vk_bench_save_open_" + std::to_string(::getpid()));
    fs::create_directories(f / "p" / "tex");
    fs::create_directories(f / "q");
    return f;
  }();
  return folder;
}

// A torus grid of 800 x 500 vertices whose first 375 rows of quads are split
// into triangles: 400000 vertices, 600000 triangles.
Object heavyMesh() {
  constexpr int cols = 800, rows = 500, quadRows = 375;
  Object o;
  o.id = L"obj-1";
  o.name = L"Grid";
  std::vector<Vec3> vertices;
  vertices.reserve(std::size_t(cols) * rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const double u = 6.283185307179586 * c / cols, v = 6.283185307179586 * r / rows;
      vertices.push_back({(3 + std::cos(v)) * std::cos(u), std::sin(v), (3 + std::cos(v)) * std::sin(u)});
    }
  std::vector<MeshFace> faces;
  faces.reserve(std::size_t(quadRows) * cols * 2);
  const auto at = [&](int c, int r) { return (r % rows) * cols + (c % cols); };
  for (int r = 0; r < quadRows; ++r)
    for (int c = 0; c < cols; ++c) {
      faces.push_back({{at(c, r), at(c + 1, r), at(c + 1, r + 1)}, {}, 0});
      faces.push_back({{at(c, r), at(c + 1, r + 1), at(c, r + 1)}, {}, 0});
    }
  o.meshData.vertices = std::move(vertices);
  o.meshData.faces = std::move(faces);
  rebuildMeshData(o);
  sanitizeMaterialSlots(o);
  return o;
}

const std::wstring& heavyFile() {
  static const std::wstring path = [] {
    Project p;
    p.scene.objects.push_back(heavyMesh());
    const std::wstring file = wideFromPath(scratch() / "heavy.json");
    writeTextFile(file, serializeProject(p, 0));
    return file;
  }();
  return path;
}

void BM_OpenFlow(benchmark::State& state) {
  const std::wstring& file = heavyFile();
  appState() = AppState{};
  headless::start();
  for (auto _ : state) {
    headless::answerFileDialog(file);
    openSelectedProject();
  }
  headless::stop();
  appState() = AppState{};
}
BENCHMARK(BM_OpenFlow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReaderOnly(benchmark::State& state) {
  const std::wstring& file = heavyFile();
  for (auto _ : state) {
    TextFileReadResult read = readTextFile(file);
    benchmark::DoNotOptimize(deserializeProject(read.text));
  }
}
BENCHMARK(BM_ReaderOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

// 256 cubes, 4 slots of 6 relative maps each (1536 distinct images, not on
// disk), 80 undo snapshots; the project lives in scratch/p.
void setUpTexturedProject() {
  appState() = AppState{};
  AppState& app = appState();
  app.projectPath = wideFromPath(scratch() / "p" / "scene.json");
  for (int i = 0; i < 256; ++i) {
    Object o = makeObject(ObjectKind::Mesh, L"Cube");
    o.materialSlots.slots.resize(4);
    for (int s = 0; s < 4; ++s) {
      Material& slot = o.materialSlots.slots[std::size_t(s)];
      ensureMaterialTextureMaps(slot);
      for (TextureMap& map : slot.textureMaps.maps) {
        map.path = L"tex/object" + std::to_wstring(i % 64) + L"_slot" + std::to_wstring(s) + L"_" + map.channel + L".png";
        map.enabled = true;
        map.relative = true;
      }
    }
    o.material = o.materialSlots.slots[0];
    app.project.scene.objects.push_back(std::move(o));
  }
  for (int i = 0; i < 80; ++i) pushUndoSnapshot();
}

// `folder`: "p" saves beside the project, "q" into its sibling folder.
void BM_Save(benchmark::State& state, const char* folder) {
  headless::start();
  const std::wstring target = wideFromPath(scratch() / folder / "scene.json");
  for (auto _ : state) {
    state.PauseTiming();
    setUpTexturedProject();
    state.ResumeTiming();
    saveProjectFile(target);
  }
  headless::stop();
  appState() = AppState{};
}
BENCHMARK_CAPTURE(BM_Save, PlainSave, "p")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Save, SaveAsElsewhere, "q")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UpdateTextureStatuses(benchmark::State& state) {
  setUpTexturedProject();
  for (auto _ : state) updateTextureMapStatuses(appState().project.scene);
  appState() = AppState{};
}
BENCHMARK(BM_UpdateTextureStatuses)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::error_code ignored;
  fs::remove_all(scratch(), ignored);
  return 0;
}
