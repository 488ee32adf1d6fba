// glTF and GLB export of large meshes and deep hierarchies (no disk unless
// named): the budgets of the export are 250 ms for the GLB of one 60000-quad
// mesh (build, pack and both validations) and 400 ms for its .gltf (build,
// JSON and base64).
//
//   GlbBuildPackValidate/N: N quads with UVs in two slots -> GLB bytes
//   GltfBuildJson/N:        the same -> .gltf text with the embedded buffer
//   GlbWrite:               the 60000-quad GLB written atomically to /tmp
//   Base64:                 the encoder alone over 32 MiB
//   DeepChainSelectedRoot:  512 cubes in a 512-deep parent chain, GLB of the
//                           selected root (scope walk, transforms, pack)
#include <benchmark/benchmark.h>

#include <filesystem>

#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "model/objects.h"
#include "platform/file_io.h"

namespace {

using namespace vk;

void quadScene(int quads) {
  appState() = AppState{};
  Object o = makeObject(ObjectKind::Mesh, L"Grid");
  const int cols = 300, rows = quads / cols;
  std::vector<Vec3> vertices;
  std::vector<Vec2> uvs;
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= cols; ++c) {
      vertices.push_back({c * 0.01, r * 0.01, (c * r % 7) * 0.001});
      uvs.push_back({c / double(cols), r / double(rows)});
    }
  std::vector<MeshFace> faces;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const int a = r * (cols + 1) + c, b = a + 1, d = a + cols + 2, e = a + cols + 1;
      faces.push_back({{a, b, d, e}, {a, b, d, e}, r % 2});
    }
  o.meshData.vertices = std::move(vertices);
  o.meshData.uvs = std::move(uvs);
  o.meshData.faces = std::move(faces);
  o.materialSlots.slots.assign(2, Material{});
  appState().project.scene.objects = {std::move(o)};
}

std::vector<const Object*> sceneObjects() {
  std::vector<const Object*> list;
  for (Object& o : appState().project.scene.objects) list.push_back(&o);
  return list;
}

void GlbBuildPackValidate(benchmark::State& st) {
  quadScene(static_cast<int>(st.range(0)));
  const std::vector<const Object*> scope = sceneObjects();
  for (auto _ : st) {
    GltfBuildState state;
    std::wstring error;
    std::string bytes;
    if (!buildGltfState(scope, state, error, true, L"GLB") || !buildGlbBytes(state, bytes, error))
      st.SkipWithError("export failed");
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(GlbBuildPackValidate)->Arg(15000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

void GltfBuildJson(benchmark::State& st) {
  quadScene(static_cast<int>(st.range(0)));
  const std::vector<const Object*> scope = sceneObjects();
  for (auto _ : st) {
    GltfBuildState state;
    std::wstring error;
    if (!buildGltfState(scope, state, error, false, L"glTF")) st.SkipWithError("export failed");
    const std::string text = buildGltfSceneJson(state, false);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(GltfBuildJson)->Arg(15000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

void GlbWrite(benchmark::State& st) {
  quadScene(60000);
  GltfBuildState state;
  std::wstring error;
  std::string bytes;
  buildGltfState(sceneObjects(), state, error, true, L"GLB");
  buildGlbBytes(state, bytes, error);
  const std::wstring path = wideFromPath(std::filesystem::temp_directory_path() / "vk_bench_export.glb");
  for (auto _ : st)
    if (!writeFileAtomically(path, bytes)) st.SkipWithError("write failed");
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * bytes.size()));
  std::filesystem::remove(pathFromWide(path));
}
BENCHMARK(GlbWrite)->Unit(benchmark::kMillisecond);

void Base64(benchmark::State& st) {
  std::string bytes(32u << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 13);
  for (auto _ : st) benchmark::DoNotOptimize(gltfBase64Encode(bytes).data());
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * bytes.size()));
}
BENCHMARK(Base64)->Unit(benchmark::kMillisecond);

void DeepChainSelectedRoot(benchmark::State& st) {
  appState() = AppState{};
  ObjectList& objects = appState().project.scene.objects;
  for (int i = 0; i < 512; ++i) {
    Object cube = makeObject(ObjectKind::Mesh, L"Cube");
    cube.transform = {{0.5 * i, 0.1, 0}, {3.0 * i, 5, 7}, {1, 1, 1}};
    if (i > 0) cube.parentId = objects.back().id;
    objects.push_back(std::move(cube));
  }
  appState().selectedObjectId = objects.front().id;
  for (auto _ : st) {
    GltfBuildState state;
    std::wstring error;
    std::string bytes;
    const std::vector<const Object*> scope = collectExportObjects(true);
    if (scope.size() != 512 || !buildGltfState(scope, state, error, true, L"GLB") ||
        !buildGlbBytes(state, bytes, error))
      st.SkipWithError("export failed");
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(DeepChainSelectedRoot)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
