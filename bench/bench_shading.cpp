// The colour pass of a 60000-face textured mesh in Material Preview: per face
// the face material, the material shade and the colour-map sample (with the
// alpha test in the second variant), inside one viewport frame. Peers: the
// same pass outside a frame (every face resolves the texture path and asks
// the file system again) and the untextured shade alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "model/app_state.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "platform/win32.h"
#include "shading/materials.h"
#include "shading/textures.h"

namespace {

using namespace vk;

constexpr int kColumns = 200, kRows = 150;  // 200 x 150 quads = 60000 triangles

struct TexturedMesh {
  Object object;
  std::vector<Vec3> centres;
  std::vector<Vec3> normals;
  std::vector<Vec2> uvs;
};

std::wstring writeTexture(const char* name, bool stripes) {
  std::vector<std::uint32_t> pixels(256 * 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      pixels[std::size_t(y) * 256 + x] = stripes ? ((x / 32) % 2 ? 0xFFFFFFu : 0u)
                                                 : std::uint32_t((x << 16) | (y << 8) | ((x ^ y) & 0xFF));
  const std::wstring path = wideFromPath(std::filesystem::temp_directory_path() / name);
  encodePngFile(path, pixels.data(), 256, 256, 256);
  return path;
}

TextureMap fileMap(const std::wstring& path, const wchar_t* channel) {
  TextureMap map;
  map.channel = channel;
  map.path = path;
  map.enabled = true;
  map.relative = false;
  return map;
}

const TexturedMesh& texturedMesh() {
  static const TexturedMesh mesh = [] {
    TexturedMesh m;
    auto& vertices = m.object.meshData.vertices.write();
    auto& faces = m.object.meshData.faces.write();
    for (int z = 0; z <= kRows; ++z)
      for (int x = 0; x <= kColumns; ++x)
        vertices.push_back({x * 0.05, std::sin(x * 0.2) * std::cos(z * 0.2) * 0.3, z * 0.05});
    auto at = [](int x, int z) { return z * (kColumns + 1) + x; };
    for (int z = 0; z < kRows; ++z)
      for (int x = 0; x < kColumns; ++x) {
        faces.push_back(MeshFace{{at(x, z), at(x + 1, z), at(x + 1, z + 1)}, {}, 0});
        faces.push_back(MeshFace{{at(x, z), at(x + 1, z + 1), at(x, z + 1)}, {}, 0});
      }
    Material material;
    material.textureMaps.maps.push_back(fileMap(writeTexture("vk_bench_colour.png", false), L"color"));
    material.textureMaps.maps.push_back(fileMap(writeTexture("vk_bench_alpha.png", true), L"alpha"));
    m.object.materialSlots.slots = {material};
    rebuildMeshData(m.object);
    for (const MeshFace& face : *m.object.meshData.faces) {
      Vec3 c;
      for (int i : face.indices) c += vertices[std::size_t(i)];
      c = c / 3.0;
      m.centres.push_back(c);
      const Vec3 a = vertices[std::size_t(face.indices[0])], b = vertices[std::size_t(face.indices[1])],
                 d = vertices[std::size_t(face.indices[2])];
      const Vec3 e1 = b - a, e2 = d - a;
      m.normals.push_back(vec3Normalize({e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x}));
      m.uvs.push_back({c.x / (kColumns * 0.05), c.z / (kRows * 0.05)});
    }
    return m;
  }();
  return mesh;
}

// One colour pass; returns a checksum so nothing is optimised away.
std::uint32_t colourPass(const TexturedMesh& mesh, bool authoredUv, bool alphaTest) {
  std::uint32_t sum = 0;
  const Vec2 lo{0, 0}, hi{0.01, 0.01};
  for (std::size_t f = 0; f < mesh.centres.size(); ++f) {
    const Material& material = materialForFace(mesh.object, static_cast<int>(f));
    const Vec2* uv = authoredUv ? &mesh.uvs[f] : nullptr;
    if (alphaTest && alphaTestRejects(material, mesh.centres[f], mesh.normals[f], uv, false, &lo, &hi)) continue;
    const std::uint32_t shade = materialShadeColor(material, mesh.normals[f], false);
    sum += baseColorTextureSample(material, mesh.centres[f], mesh.normals[f], shade, false, uv);
  }
  return sum;
}

void prepare() {
  appState().project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  texturedMesh();
}

void BM_TexturedColourPass(benchmark::State& state) {
  prepare();
  const bool authored = state.range(0) != 0, alpha = state.range(1) != 0;
  for (auto _ : state) {
    beginTextureFrame();
    benchmark::DoNotOptimize(colourPass(texturedMesh(), authored, alpha));
    endTextureFrame();
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(texturedMesh().centres.size()));
  state.SetLabel(std::string(authored ? "authored UV" : "planar UV") + (alpha ? ", alpha test" : ""));
}
BENCHMARK(BM_TexturedColourPass)->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

void BM_TexturedColourPassProbingEveryFace(benchmark::State& state) {
  prepare();
  for (auto _ : state) benchmark::DoNotOptimize(colourPass(texturedMesh(), true, false));
  state.SetItemsProcessed(state.iterations() * std::int64_t(texturedMesh().centres.size()));
  state.SetLabel("peer: no frame memo");
}
BENCHMARK(BM_TexturedColourPassProbingEveryFace)->Unit(benchmark::kMillisecond);

void BM_UntexturedShadeOnly(benchmark::State& state) {
  prepare();
  const TexturedMesh& mesh = texturedMesh();
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (std::size_t f = 0; f < mesh.normals.size(); ++f)
      sum += materialShadeColor(materialForFace(mesh.object, int(f)), mesh.normals[f], false);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(mesh.normals.size()));
  state.SetLabel("peer: shade without texture");
}
BENCHMARK(BM_UntexturedShadeOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
