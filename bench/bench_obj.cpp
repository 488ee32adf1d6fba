// Wavefront OBJ import and export.
//
//   Parse/Caps: parseObjFile on a text at the import caps, just under 8 MiB:
//     20000 v, 60000 vt, 120000 vn, 40000 v/vt/vn quads.
//   TinyObjLoader/Caps: Debian's tinyobjloader (the peer) loading the same
//     bytes from memory, no triangulation.
//   MemchrLines/Caps: counting the newlines with memchr (the limit of any
//     line reader).
//   Import/Caps: parse plus rebuildMeshData, the import's derivation.
//   RefuseOverCap: the whole command on a 150000-vertex file (~6 MB) up to
//     its blocked message.
//   ExportText: buildObjExportText at the budget, 200000 vertices and
//     200000 quads; ExportWrite: writing that text through writeTextFile.
//   Parse/Growth: 1, 2, 4 and 8 MiB of the same mix.
// Bytes per second are of the OBJ text.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "formats/obj_export.h"
#include "formats/obj_import.h"
#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "persistence/json.h"
#include "platform/file_io.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"

#ifdef VK_HAVE_TINYOBJ
#include <tiny_obj_loader.h>
#endif

namespace {

using namespace vk;

void appendNumber(std::string& out, double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6).ptr;
  out.append(buffer, end);
}

// A mesh of the given counts in the mix above; `scale` shrinks every count.
std::string makeObjText(double scale) {
  const int vertices = static_cast<int>(20000 * scale), uvs = static_cast<int>(60000 * scale);
  const int faces = static_cast<int>(40000 * scale);
  std::string text = "# benchmark mesh\nmtllib none.mtl\no Mesh\n";
  text.reserve(static_cast<std::size_t>(8.4e6 * scale));
  for (int i = 0; i < vertices; ++i) {
    text += "v ";
    appendNumber(text, std::sin(i * 0.37) * 1234.5);
    text += ' ';
    appendNumber(text, std::cos(i * 0.11) * 987.25);
    text += ' ';
    appendNumber(text, (i % 977) * -1.03125);
    text += '\n';
  }
  for (int i = 0; i < uvs; ++i) {
    text += "vt ";
    appendNumber(text, (i % 1000) / 1000.0);
    text += ' ';
    appendNumber(text, (i / 1000) / 60.0);
    text += '\n';
  }
  for (int i = 0; i < 2 * uvs; ++i) {
    text += "vn ";
    appendNumber(text, std::sin(i * 0.5));
    text += ' ';
    appendNumber(text, std::cos(i * 0.5));
    text += " 0.000000\n";
  }
  for (int f = 0; f < faces; ++f) {
    text += 'f';
    for (int k = 0; k < 4; ++k) {
      const int v = (f * 4 + k * 7) % vertices + 1;
      const int t = (f + k * 13) % uvs + 1;
      text += ' ' + std::to_string(v) + '/' + std::to_string(t) + '/' + std::to_string(t);
    }
    text += '\n';
  }
  return text;
}

const std::string& capsText() {
  static const std::string text = makeObjText(1.0);
  return text;
}

void setBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["MiB"] = static_cast<double>(bytes) / 1048576.0;
}

void BM_Parse_Caps(benchmark::State& state) {
  const std::string& text = capsText();
  const std::wstring path = L"/nonexistent-bench/mesh.obj";
  for (auto _ : state) {
    ObjImportResult result;
    std::wstring error;
    if (!parseObjFile(text, path, result, error)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(result.faces);
  }
  setBytes(state, text.size());
}
BENCHMARK(BM_Parse_Caps)->Unit(benchmark::kMillisecond);

#ifdef VK_HAVE_TINYOBJ
void BM_TinyObjLoader_Caps(benchmark::State& state) {
  const std::string& text = capsText();
  tinyobj::ObjReaderConfig config;
  config.triangulate = false;
  config.vertex_color = false;
  for (auto _ : state) {
    tinyobj::ObjReader reader;
    if (!reader.ParseFromString(text, "", config)) state.SkipWithError("tinyobjloader failed");
    benchmark::DoNotOptimize(reader.GetShapes().size());
  }
  setBytes(state, text.size());
}
BENCHMARK(BM_TinyObjLoader_Caps)->Unit(benchmark::kMillisecond);
#endif

void BM_MemchrLines_Caps(benchmark::State& state) {
  const std::string& text = capsText();
  for (auto _ : state) {
    std::size_t lines = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
      ++lines;
      ++p;
    }
    benchmark::DoNotOptimize(lines);
  }
  setBytes(state, text.size());
}
BENCHMARK(BM_MemchrLines_Caps)->Unit(benchmark::kMillisecond);

void BM_Import_Caps(benchmark::State& state) {
  const std::string& text = capsText();
  for (auto _ : state) {
    ObjImportResult result;
    std::wstring error;
    parseObjFile(text, L"/nonexistent-bench/mesh.obj", result, error);
    Object object;
    object.meshData = std::move(result.mesh);
    rebuildMeshData(object);
    benchmark::DoNotOptimize(object.meshData.degenerateFaces);
  }
  setBytes(state, text.size());
}
BENCHMARK(BM_Import_Caps)->Unit(benchmark::kMillisecond);

void BM_Parse_Growth(benchmark::State& state) {
  const std::string text = makeObjText(static_cast<double>(state.range(0)) / 8.0);
  for (auto _ : state) {
    ObjImportResult result;
    std::wstring error;
    parseObjFile(text, L"/nonexistent-bench/mesh.obj", result, error);
    benchmark::DoNotOptimize(result.faces);
  }
  setBytes(state, text.size());
}
BENCHMARK(BM_Parse_Growth)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

std::filesystem::path benchFolder() {
  const auto folder = std::filesystem::temp_directory_path() / ("vk_bench_obj_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder;
}

void BM_RefuseOverCap(benchmark::State& state) {
  headless::start(1280, 800);
  appState() = AppState{};
  resetToNewProject();
  const auto path = benchFolder() / "over.obj";
  {
    std::string text;
    for (int i = 0; i < 150000; ++i) text += "v 1.234567 -2.345678 3.456789\n";
    text += "f 1 2 3\n";
    std::ofstream(path, std::ios::binary) << text;
  }
  for (auto _ : state) {
    headless::answerFileDialog(wideFromPath(path));
    headless::answerMessageBox(IDOK);
    importObjFile();
  }
  if (appState().statusText.find(L"vertex count exceeds") == std::wstring::npos) state.SkipWithError("not refused");
  headless::stop();
  std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_RefuseOverCap)->Unit(benchmark::kMillisecond);

// One mesh at the export budget: 200000 vertices (a 500 x 400 grid) and
// 200000 quads over it.
Object& exportBudgetObject() {
  static Object object = [] {
    appState() = AppState{};
    resetToNewProject();
    Object o = makeObject(ObjectKind::Mesh, L"Budget Grid");
    std::vector<Vec3> vertices;
    vertices.reserve(200000);
    for (int r = 0; r < 400; ++r)
      for (int c = 0; c < 500; ++c) vertices.push_back({c * 0.01, std::sin(c * 0.1) * std::cos(r * 0.1), r * 0.01});
    std::vector<MeshFace> faces;
    faces.reserve(200000);
    for (int i = 0; i < 200000; ++i) {
      const int r = (i / 499) % 399, c = i % 499;
      const int a = r * 500 + c;
      faces.push_back({{a, a + 1, a + 501, a + 500}, {}, 0});
    }
    o.meshData.vertices = std::move(vertices);
    o.meshData.faces = std::move(faces);
    o.transform.rotation = {10, 20, 30};
    return o;
  }();
  return object;
}

void BM_ExportText(benchmark::State& state) {
  std::vector<const Object*> scope{&exportBudgetObject()};
  std::size_t bytes = 0;
  for (auto _ : state) {
    ObjExportCounts counts;
    std::wstring error;
    const std::string text = buildObjExportText(scope, counts, error);
    if (text.empty()) state.SkipWithError("export refused");
    bytes = text.size();
  }
  setBytes(state, bytes);
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond);

void BM_ExportWrite(benchmark::State& state) {
  std::vector<const Object*> scope{&exportBudgetObject()};
  ObjExportCounts counts;
  std::wstring error;
  const std::string text = buildObjExportText(scope, counts, error);
  const auto path = benchFolder() / "export.obj";
  for (auto _ : state) {
    if (!writeTextFile(wideFromPath(path), text)) state.SkipWithError("write failed");
  }
  setBytes(state, text.size());
  std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_ExportWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
