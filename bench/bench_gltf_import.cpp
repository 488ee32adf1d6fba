// glTF/GLB import: the whole run in the headless studio (survival box
// answered Yes) for (a) one 400000-vertex / 600000-triangle GLB mesh, (b) 2048
// small indexed meshes in 4096 nodes and (c) a .gltf whose buffer is a 10 MB
// data URI; each also at half size for growth. The read-to-document stage
// alone is compared with Debian's tinygltf loading the same bytes from memory,
// and the JSON stage with RapidJSON parsing the same text into its DOM. The
// whole run is compared with Debian's assimp reading the same bytes without
// post-processing: BM_ImportRun / BM_AssimpImport as the mean of repeated
// runs (the heap already holds pages from the run before), and the ...Once
// pair as a process's first import when each is run alone
// (--benchmark_filter=BM_ImportRunOnce/0/0, then BM_AssimpImportOnce/0/0).
// minflt counts the minor page faults of one run: every fresh page costs
// more than the instructions that fill it.
// After (b): one undo snapshot's time and the heap of 80 snapshots.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <tiny_gltf.h>
#if VK_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

#include <array>
#include <filesystem>
#include <fstream>

#include "../tests/formats/gltf_import_fixture.h"
#include "bench_gltf_scenes.h"
#include "model/app_state.h"
#include "model/undo.h"
#include "persistence/json.h"
#include "platform/kernel.h"
#include "rapidjson/document.h"
#include "shell/studio_harness.h"

namespace {

using vk::test::GltfFixture;

// (a): a grid mesh of `vertices` vertices and `triangles` triangles.
GltfFixture bigMesh(std::uint32_t side, std::uint32_t triangles) {
  GltfFixture f;
  std::vector<vk::Vec3> points;
  points.reserve(static_cast<std::size_t>(side) * side);
  for (std::uint32_t y = 0; y < side; ++y)
    for (std::uint32_t x = 0; x < side; ++x) points.push_back({x * 0.01, y * 0.01, (x ^ y) % 7 * 0.001});
  std::vector<std::uint32_t> indices;
  indices.reserve(triangles * 3u);
  for (std::uint32_t y = 0; y + 1 < side && indices.size() < triangles * 3u; ++y)
    for (std::uint32_t x = 0; x + 1 < side && indices.size() < triangles * 3u; ++x) {
      const std::uint32_t a = y * side + x;
      indices.insert(indices.end(), {a, a + 1, a + side + 1});
      if (indices.size() < triangles * 3u) indices.insert(indices.end(), {a, a + side + 1, a + side});
    }
  f.mesh(f.positions(points), f.indices(indices));
  f.node("\"name\":\"Big\",\"mesh\":0");
  f.extra = "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],";  // assimp reads only what a scene names
  return f;
}

std::filesystem::path scratch() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("vk_bench_gltf_" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

std::wstring writeFile(const std::string& name, const std::string& bytes) {
  const auto path = scratch() / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return vk::utf8ToWide(path.string());
}

struct Studio {
  Studio() {
    vk::harness::Options options;
    options.settingsPath = vk::utf8ToWide((scratch() / "settings.ini").string());
    vk::harness::start(options);
    vk::headless::setResponder([](const vk::headless::ModalRequest& request, vk::headless::ModalAnswer& answer) {
      answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
      return true;
    });
  }
  ~Studio() {
    vk::headless::setResponder(nullptr);
    vk::harness::stop();
  }
};

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

void emptyScene() {
  vk::AppState& app = vk::appState();
  app.project.scene.objects.clear();
  app.undoStack.clear();
  app.redoStack.clear();
}

void runImport(benchmark::State& state, const std::wstring& path) {
  Studio studio;
  long faults = 0;
  for (auto _ : state) {
    state.PauseTiming();
    emptyScene();
    // The studio's message loop runs between two imports, as between two user
    // actions: one run's repaint is not left for the next run's first pump.
    vk::harness::pump();
    state.ResumeTiming();
    const long before = minorFaults();
    if (!vk::phase65ImportRun(path)) state.SkipWithError("import failed");
    faults += minorFaults() - before;
  }
  state.counters["objects"] = static_cast<double>(vk::appState().project.scene.objects.size());
  state.counters["minflt"] = benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}

const std::string& caseBytes(int which, bool half) {
  static std::map<std::pair<int, bool>, std::string> cache;
  auto& bytes = cache[{which, half}];
  if (bytes.empty()) {
    if (which == 0) bytes = bigMesh(half ? 448 : 632, half ? 300000 : 600000).glb();  // ~200000 / 400000 vertices
    if (which == 1) bytes = vk::bench::manyMeshes(half ? 1024 : 2048).glb();
    if (which == 2) bytes = bigMesh(half ? 388 : 548, half ? 150000 : 300000).gltfWithDataUri();  // ~150000 / 300000
  }
  return bytes;
}

const char* kNames[3] = {"a.glb", "b.glb", "c.gltf"};

void BM_ImportRun(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const bool half = state.range(1) != 0;
  runImport(state, writeFile(std::string(half ? "half_" : "") + kNames[which], caseBytes(which, half)));
}
BENCHMARK(BM_ImportRun)->ArgsProduct({{0, 1, 2}, {1, 0}})->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_ImportRun)
    ->Name("BM_ImportRunOnce")
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

#if VK_HAVE_ASSIMP
// The same bytes through Debian's assimp from memory, without post-processing:
// the peer of the whole run above.
void BM_AssimpImport(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const bool half = state.range(1) != 0;
  const std::string& bytes = caseBytes(which, half);
  long faults = 0;
  for (auto _ : state) {
    const long before = minorFaults();
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, which == 2 ? "gltf" : "glb");
    if (!scene) state.SkipWithError(importer.GetErrorString());
    benchmark::DoNotOptimize(scene);
    faults += minorFaults() - before;
  }
  state.counters["minflt"] = benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AssimpImport)->ArgsProduct({{0, 2}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpImport)
    ->Name("BM_AssimpImportOnce")
    ->ArgsProduct({{0, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
#endif

// Read-to-document: container, buffers, JSON, materials, nodes, audit.
void BM_ParseToDocument(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string& bytes = caseBytes(which, false);
  for (auto _ : state) {
    vk::PendingGltfDocument document;
    std::wstring error;
    vk::test::loadGltfBytes(bytes, document, &error);
    benchmark::DoNotOptimize(document.accessors.data());
  }
}
BENCHMARK(BM_ParseToDocument)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TinyGltfLoad(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string& bytes = caseBytes(which, false);
  for (auto _ : state) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string err, warn;
    const bool ok = which == 2 ? loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(),
                                                            static_cast<unsigned>(bytes.size()), "")
                               : loader.LoadBinaryFromMemory(&model, &err, &warn,
                                                             reinterpret_cast<const unsigned char*>(bytes.data()),
                                                             static_cast<unsigned>(bytes.size()));
    if (!ok) state.SkipWithError(err.c_str());
    benchmark::DoNotOptimize(model.accessors.data());
  }
}
BENCHMARK(BM_TinyGltfLoad)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The JSON text of (b) and (c): (c)'s data URI is a plain string to both.
std::string jsonOf(int which) {
  const std::string& bytes = caseBytes(which, false);
  if (which != 1) return bytes;
  vk::PendingGltfDocument document;
  std::wstring error;
  vk::test::loadGltfBytes(bytes, document, &error);
  return document.jsonText;
}

// Our JSON stage: text to filled document with buffers already decoded
// elsewhere (no data URI payload in (b); (c) reads the payload as a string).
void BM_OurJsonStage(benchmark::State& state) {
  const std::string json = jsonOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    vk::PendingGltfDocument document;
    document.cancelProbe = [](const std::wstring&) { return false; };
    document.jsonText = json;
    vk::phase65ParseDocumentJson(document);
    benchmark::DoNotOptimize(document.nodes.data());
  }
}
BENCHMARK(BM_OurJsonStage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_RapidJsonDom(benchmark::State& state) {
  const std::string json = jsonOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(json.data(), json.size());
    benchmark::DoNotOptimize(document.IsObject());
  }
}
BENCHMARK(BM_RapidJsonDom)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Base64 of a 10 MB data URI payload: ours against a plain table decoder
// (one 256-entry table, six bits at a time), both in bytes of text per second.
const std::string& base64Text() {
  static const std::string text = [] {
    std::string bytes(10u << 20, '\0');
    std::uint32_t x = 12345;
    for (char& c : bytes) c = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
    return vk::test::base64(bytes);
  }();
  return text;
}

void BM_Base64Ours(benchmark::State& state) {
  const std::string& text = base64Text();
  for (auto _ : state) benchmark::DoNotOptimize(vk::phase65ImportUriBase64(text).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Base64Ours)->Unit(benchmark::kMillisecond);

void BM_Base64PlainTable(benchmark::State& state) {
  static const auto table = [] {
    std::array<int, 256> t{};
    t.fill(-1);
    const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(alphabet[static_cast<std::size_t>(i)])] = i;
    return t;
  }();
  const std::string& text = base64Text();
  for (auto _ : state) {
    std::string out(text.size() / 4 * 3, '\0');
    std::size_t n = 0;
    std::uint32_t bits = 0;
    int pending = 0;
    for (const char c : text) {
      const int v = table[static_cast<unsigned char>(c)];
      if (v < 0) break;
      bits = bits << 6 | static_cast<std::uint32_t>(v);
      pending += 6;
      if (pending >= 8) {
        pending -= 8;
        out[n++] = static_cast<char>(bits >> pending);
      }
    }
    out.resize(n);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Base64PlainTable)->Unit(benchmark::kMillisecond);

// After (b): the time of one snapshot and the heap that 80 of them hold.
void BM_UndoSnapshotAfterManyNodes(benchmark::State& state) {
  Studio studio;
  emptyScene();
  vk::phase65ImportRun(writeFile("b_undo.glb", caseBytes(1, false)));
  for (auto _ : state) benchmark::DoNotOptimize(vk::makeSnapshot());
  vk::appState().undoStack.clear();
  malloc_trim(0);
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 80; ++i) vk::pushUndoSnapshot();
  const std::size_t after = mallinfo2().uordblks;
  state.counters["heap_MiB_80_snapshots"] = static_cast<double>(after - before) / (1 << 20);
  state.counters["objects"] = static_cast<double>(vk::appState().project.scene.objects.size());
}
BENCHMARK(BM_UndoSnapshotAfterManyNodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
