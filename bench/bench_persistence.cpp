// Project file save and open, compared side by side with RapidJSON's DOM
// parse of the same text (the peer for the reading part) and, where Debian's
// simdjson is there, simdjson's DOM parse as a second peer.
//
//   a: one mesh, 60000 vertices, 60000 quads, 240000 UVs
//   b: one mesh, 400000 vertices, 600000 triangles
//   c: 256 objects of 2000 vertices
//   d: 100 objects with three full (1000-key) tracks
//
// Save: serializeProject (no disk). Open: deserializeProject, which includes
// the check that the text is well-formed JSON (on a thread of its own for a
// large text: OpenWholeProcess gives the clock's time and the CPU time of all
// threads), mesh derivation and the load guards. ReadText: the reader's scan
// of the same text without derivation: the bracket table and the grammar
// check beside it, document, items, blocks, every mesh array and key item.
// BracketTable, GrammarCheck: the open's two scans of the whole text alone.
// BracketTableBesideCheck: the table as the open builds it, a large text's
// second half on the check's thread (the caller's CPU time).
// RapidJsonDom: rapidjson::Document::Parse of the same text. SimdjsonDom:
// simdjson::dom::parser::parse of the same text (padding copied once,
// outside the timing).
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>

#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "persistence/persistence.h"
#include "rapidjson/document.h"
#if defined(VK_HAVE_SIMDJSON)
#include <simdjson.h>
#endif

namespace {

using namespace vk;

// A torus grid of cols x rows vertices whose first `quadRows` rows of quads
// are kept, as quads or split into triangles; quads may carry their own UVs.
Object gridMesh(int cols, int rows, int quadRows, bool triangles, bool uvs) {
  Object o;
  o.id = L"obj-1";
  o.name = L"Grid";
  std::vector<Vec3> vertices;
  vertices.reserve(static_cast<size_t>(cols) * rows);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const double u = 6.283185307179586 * c / cols, v = 6.283185307179586 * r / rows;
      vertices.push_back({(3 + std::cos(v)) * std::cos(u), std::sin(v), (3 + std::cos(v)) * std::sin(u)});
    }
  }
  std::vector<MeshFace> faces;
  std::vector<Vec2> uvList;
  const auto at = [&](int c, int r) { return (r % rows) * cols + (c % cols); };
  for (int r = 0; r < quadRows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const int a = at(c, r), b = at(c + 1, r), d = at(c + 1, r + 1), e = at(c, r + 1);
      if (triangles) {
        faces.push_back({{a, b, d}, {}, 0});
        faces.push_back({{a, d, e}, {}, 0});
        continue;
      }
      MeshFace face{{a, b, d, e}, {}, 0};
      if (uvs) {
        for (int k = 0; k < 4; ++k) {
          face.uvIndices.push_back(static_cast<int>(uvList.size()));
          uvList.push_back({(c + (k == 1 || k == 2)) / double(cols), (r + (k >= 2)) / double(rows)});
        }
      }
      faces.push_back(std::move(face));
    }
  }
  o.meshData.vertices = std::move(vertices);
  o.meshData.faces = std::move(faces);
  o.meshData.uvs = std::move(uvList);
  rebuildMeshData(o);
  sanitizeMaterialSlots(o);
  return o;
}

Project fixture(char which) {
  Project p;
  switch (which) {
    case 'a':
      p.scene.objects.push_back(gridMesh(300, 200, 200, false, true));
      break;
    case 'b':
      p.scene.objects.push_back(gridMesh(800, 500, 375, true, false));
      break;
    case 'c':
      for (int i = 0; i < 256; ++i) {
        Object o = gridMesh(50, 40, 40, true, false);
        o.id = L"obj-" + std::to_wstring(i + 1);
        p.scene.objects.push_back(std::move(o));
      }
      break;
    default:
      for (int i = 0; i < 100; ++i) {
        Object o;
        o.id = L"obj-" + std::to_wstring(i + 1);
        o.name = L"Animated";
        o.kind = ObjectKind::Camera;
        initMeshData(o);
        for (int f = 0; f < 1000; ++f) {
          TransformKeyframe t;
          t.frame = f;
          t.position = {f * 0.25, std::sin(f * 0.1), 1.5};
          o.transformAnimation.keyframes.push_back(t);
          CameraKeyframe c;
          c.frame = f;
          c.settings.fov = 30 + f % 40;
          o.cameraAnimation.keyframes.push_back(c);
          LightKeyframe l;
          l.frame = f;
          l.settings.intensity = 1 + f % 7;
          o.lightAnimation.keyframes.push_back(l);
        }
        sanitizeTransformKeyTrack(o);
        sanitizeCameraKeyframes(o);
        sanitizeLightKeyframes(o);
        p.scene.objects.push_back(std::move(o));
      }
  }
  return p;
}

const Project& cachedProject(char which) {
  static std::map<char, Project> projects;
  auto it = projects.find(which);
  if (it == projects.end()) it = projects.emplace(which, fixture(which)).first;
  return it->second;
}

const std::string& cachedText(char which) {
  static std::map<char, std::string> texts;
  auto it = texts.find(which);
  if (it == texts.end()) it = texts.emplace(which, serializeProject(cachedProject(which), 0)).first;
  return it->second;
}

char fixtureOf(const benchmark::State& state) { return static_cast<char>('a' + state.range(0)); }

void setBytes(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_Save(benchmark::State& state) {
  const Project& project = cachedProject(fixtureOf(state));
  for (auto _ : state) benchmark::DoNotOptimize(serializeProject(project, 0));
  setBytes(state, cachedText(fixtureOf(state)));
}

void BM_Open(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) {
    ProjectLoadResult result = deserializeProject(text);
    if (!result.usable) state.SkipWithError("not usable");
    benchmark::DoNotOptimize(result);
  }
  setBytes(state, text);
}

// Every value the reader takes from the text, without derivation or repair.
size_t scanProjectText(std::string_view text) {
  size_t values = 0;
  JsonGrammarCheck wellFormed;
  const JsonBracketTable table = buildJsonBracketTable(text, wellFormed);
  const JsonObjectIndex doc = indexJsonObject(text, &table);
  const auto objects = findNestedArray(doc, "objects");
  for (std::string_view itemText : extractJsonObjectItems(objects.value_or(""), &table)) {
    const JsonObjectIndex item = indexJsonObject(itemText, &table);
    values += item.members.size();
    if (const auto block = findNestedObject(item, "meshData")) {
      const JsonObjectIndex mesh = indexNested(item, *block);
      if (auto a = findNestedArray(mesh, "vertices")) values += parseVec3Array(*a).size();
      if (auto a = findNestedArray(mesh, "uvs")) values += parseUvArray(*a).size();
      if (auto a = findNestedArray(mesh, "faces")) values += parseNestedIntArrays(*a).size();
      if (auto a = findNestedArray(mesh, "faceUvIndices")) values += parseNestedIntArrays(*a).size();
      if (auto a = findNestedArray(mesh, "faceMaterialIndices")) values += parseIntList(*a).size();
    }
    for (const char* track : {"transformAnimation", "cameraAnimation", "lightAnimation"}) {
      const auto block = findNestedObject(item, track);
      if (!block) continue;
      const auto keys = findNestedArray(indexNested(item, *block), "keyframes");
      if (!keys) continue;
      for (std::string_view key : extractJsonObjectItems(*keys, &table)) {
        const JsonObjectIndex k = indexJsonObject(key, &table);
        values += static_cast<size_t>(findNumber(k, "frame", 0) >= 0) + k.members.size();
        values += static_cast<size_t>(findVec3(k, "position", {}).x >= 0);
      }
    }
  }
  return values + wellFormed.wellFormed();
}

void BM_ReadText(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) benchmark::DoNotOptimize(scanProjectText(text));
  setBytes(state, text);
}

// The open's two scans of the whole text on their own: the bracket table the
// reader reads through, and the check that the text is well-formed JSON.
void BM_BracketTable(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) benchmark::DoNotOptimize(buildJsonBracketTable(text).spans.size());
  setBytes(state, text);
}

// The table as the open builds it: a large text's second half recorded on
// the check's thread at the same time (the CPU time is the caller's; the
// check itself is waited for outside the timing).
void BM_BracketTableBesideCheck(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) {
    JsonGrammarCheck check;
    benchmark::DoNotOptimize(buildJsonBracketTable(text, check).spans.size());
    state.PauseTiming();
    if (!check.wellFormed()) state.SkipWithError("not well-formed");
    state.ResumeTiming();
  }
  setBytes(state, text);
}

void BM_GrammarCheck(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) benchmark::DoNotOptimize(jsonGrammarFault(text));
  setBytes(state, text);
}

void BM_RapidJsonDom(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    if (document.HasParseError()) state.SkipWithError("RapidJSON parse error");
    benchmark::DoNotOptimize(document.MemberCount());
  }
  setBytes(state, text);
}

#if defined(VK_HAVE_SIMDJSON)
void BM_SimdjsonDom(benchmark::State& state) {
  const std::string& text = cachedText(fixtureOf(state));
  const simdjson::padded_string padded(text);
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element document;
    if (parser.parse(padded).get(document) != simdjson::SUCCESS) state.SkipWithError("simdjson parse error");
    benchmark::DoNotOptimize(document);
  }
  setBytes(state, text);
}
BENCHMARK(BM_SimdjsonDom)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

// Arguments 0..3 are the fixtures a..d.
BENCHMARK(BM_Save)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
// The open again, timed by the clock and by the CPU time of every thread:
// the grammar check of a large text runs on a thread of its own.
BENCHMARK(BM_Open)->Name("BM_OpenWholeProcess")->DenseRange(0, 3)->MeasureProcessCPUTime()->UseRealTime()->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_ReadText)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketTable)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BracketTableBesideCheck)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrammarCheck)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonDom)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
