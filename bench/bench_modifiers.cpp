// Modifier previews: one entry through evaluateModifierStack (builder and
// re-derivation) at a quarter, a half and the full size of each kind's
// largest mesh; whole paints of Mirror XYZ + Array 12 + Subdivision on a
// 1100 x 645 viewport at rest and while orbiting, with the evaluation's peak
// heap; hostile scenes read and painted (64-entry stacks on 20 heavy grids,
// 64 cubes, 256 keyed cubes); and one subdivision pass against OpenSubdiv's
// uniform refinement of the same grid (the peer, Debian's libosd-dev).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "persistence/persistence.h"
#include "shading/modifiers.h"
#include "shading/shading_internal.h"
#include "viewport/frame_draw_list.h"
#include "viewport/viewport.h"
#include "viewport/viewport_caches.h"

#ifdef VK_BENCH_OPENSUBDIV
#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>
#endif

// Heap in use, and its peak since the last reset, for the evaluation figure.
namespace {
std::atomic<std::int64_t> gHeapNow{0};
std::atomic<std::int64_t> gHeapPeak{0};
void noteAlloc(void* p) {
  if (!p) return;
  const std::int64_t now = gHeapNow += static_cast<std::int64_t>(malloc_usable_size(p));
  std::int64_t peak = gHeapPeak.load();
  while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now)) {
  }
}
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  noteAlloc(p);
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  gHeapNow -= static_cast<std::int64_t>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using namespace vk;

// quads x quads flat grid spanning [-size, size] in x and z, with a gentle wave.
Object plane(int quads, double size) {
  Object object;
  object.id = L"obj-1";
  object.name = L"Plane";
  object.mesh.primitive = L"Grid";
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  const int n = quads + 1;
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) {
      vertices.push_back({-size + 2 * size * x / quads, 0.05 * std::sin(x * 0.3) * std::cos(z * 0.3),
                          -size + 2 * size * z / quads});
    }
  }
  for (int z = 0; z < quads; ++z) {
    for (int x = 0; x < quads; ++x) {
      const int a = z * n + x;
      faces.push_back(MeshFace{{a, a + n, a + n + 1, a + 1}, {}, 0});
    }
  }
  object.meshData.vertices = std::move(vertices);
  object.meshData.faces = std::move(faces);
  rebuildMeshData(object);
  return object;
}

// The side of a grid with about `fraction` of the full grid's quads.
int scaledSide(int full, double fraction) { return static_cast<int>(std::lround(full * std::sqrt(fraction))); }

void runEntry(benchmark::State& state, const wchar_t* type, int fullSide, double levels) {
  const int side = scaledSide(fullSide, state.range(0) / 4.0);
  Object object = plane(side, 1.0);
  object.modifierStack.entries.push_back(createModifierEntry(object, type));
  if (levels > 0) setModifierParamNumber(object.modifierStack.entries.back(), L"viewportLevels", levels);
  std::size_t faces = 0;
  for (auto _ : state) {
    std::vector<Object> list = evaluateModifierStack(object);
    faces = list.front().meshData.faces.size();
    benchmark::DoNotOptimize(list);
  }
  state.counters["quads"] = side * side;
  state.counters["faces_out"] = static_cast<double>(faces);
}

// Arguments 1, 2, 4: a quarter, a half and the full size.
void BM_SubdivisionL3(benchmark::State& s) { runEntry(s, L"Subdivision", 43, 3); }
void BM_SubdivisionL1(benchmark::State& s) { runEntry(s, L"Subdivision", 170, 1); }
void BM_Solidify(benchmark::State& s) { runEntry(s, L"Solidify", 125, 0); }
void BM_Bevel(benchmark::State& s) { runEntry(s, L"Bevel", 108, 0); }
void BM_Bend(benchmark::State& s) { runEntry(s, L"Bend", 199, 0); }
void BM_Twist(benchmark::State& s) { runEntry(s, L"Twist", 199, 0); }
void BM_Taper(benchmark::State& s) { runEntry(s, L"Taper", 199, 0); }
BENCHMARK(BM_SubdivisionL3)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubdivisionL1)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Solidify)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bevel)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bend)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Twist)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Taper)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// A hostile stack: 64 deforms on a 99 x 99 plane (10 000 vertices); the
// evaluation stops at the stack's face work, whatever the stack holds.
void BM_LongDeformStack(benchmark::State& state) {
  Object object = plane(99, 1.0);
  const wchar_t* kinds[] = {L"Bend", L"Twist", L"Taper"};
  for (int i = 0; i < 64; ++i) object.modifierStack.entries.push_back(createModifierEntry(object, kinds[i % 3]));
  for (auto _ : state) benchmark::DoNotOptimize(evaluateModifierStack(object));
}
BENCHMARK(BM_LongDeformStack)->Unit(benchmark::kMillisecond);

// ---- Whole paints --------------------------------------------------------------

struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  Surface(int w, int h) {
    void* bits = nullptr;
    bitmap = createTopDownDib32(nullptr, w, h, &bits);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

void stackScene(int quads) {
  appState() = AppState{};
  appState().project.scene.collections.push_back(Collection{});
  Object object = plane(quads, 1.0);
  object.id = makeObjectId();
  Modifier mirror = createModifierEntry(object, L"Mirror");
  setModifierParamBool(mirror, L"axisY", true);
  setModifierParamBool(mirror, L"axisZ", true);
  object.modifierStack.entries.push_back(mirror);
  Modifier array = createModifierEntry(object, L"Array");
  setModifierParamNumber(array, L"count", 12);
  object.modifierStack.entries.push_back(array);
  object.modifierStack.entries.push_back(createModifierEntry(object, L"Subdivision"));
  appState().selectedObjectId = object.id;
  appState().project.scene.objects.push_back(std::move(object));
  appState().viewZoom = 0.35;
}

void BM_PaintAtRest(benchmark::State& state) {
  stackScene(static_cast<int>(state.range(0)));
  Surface surface(1100, 645);
  const RECT rect{0, 0, 1100, 645};
  drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  for (auto _ : state) drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  gHeapPeak = gHeapNow.load();
  const std::int64_t base = gHeapNow.load();
  benchmark::DoNotOptimize(evaluateModifierStack(appState().project.scene.objects.front()));
  state.counters["eval_peak_MB"] = static_cast<double>(gHeapPeak.load() - base) / (1024.0 * 1024.0);
}

void BM_PaintOrbitStep(benchmark::State& state) {
  stackScene(static_cast<int>(state.range(0)));
  Surface surface(1100, 645);
  const RECT rect{0, 0, 1100, 645};
  appState().orbitDrag = true;
  for (auto _ : state) {
    appState().viewYaw += 1.5;
    drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  }
}
BENCHMARK(BM_PaintAtRest)->Arg(100)->Arg(170)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOrbitStep)->Arg(100)->Arg(170)->Unit(benchmark::kMillisecond);

// ---- Hostile scenes: read and first paint, repaint ------------------------------
//
// The 64-entry stack of every kind (Subdivision at level 3) on
//   0: 20 objects of a 99 x 99 grid (10 000 vertices each),
//   1: 64 cubes,
//   2: 256 cubes carrying 1 000 transform keys each.
// "Open" is the file's read and deserialization, the project put in place and
// the first paint of an 1100 x 645 viewport; "Repaint" paints it again.

std::string hostileProjectText(int variant) {
  Project project;
  project.scene.collections.push_back(Collection{});
  const int count = variant == 0 ? 20 : variant == 1 ? 64 : 256;
  const wchar_t* kinds[] = {L"Array", L"Subdivision", L"Bevel", L"Solidify", L"Bend",
                            L"Twist", L"Taper",       L"Mirror", L"Lattice"};
  for (int i = 0; i < count; ++i) {
    Object object = variant == 0 ? plane(99, 1.0) : makeObject(ObjectKind::Mesh, L"Cube");
    object.id = L"obj-" + std::to_wstring(i + 1);
    object.transform.position = {(i % 8) * 3.0, 0.0, (i / 8) * 3.0};
    for (int k = 0; k < 64; ++k) {
      Modifier entry = createModifierEntry(object, kinds[k % 9]);
      if (k % 9 == 1) setModifierParamNumber(entry, L"viewportLevels", 3);
      object.modifierStack.entries.push_back(entry);
    }
    if (variant == 2) {
      for (int k = 0; k < 1000; ++k) {
        TransformKeyframe key;
        key.id = L"key-" + std::to_wstring(k);
        key.frame = k + 1;
        object.transformAnimation.keyframes.push_back(key);
      }
    }
    project.scene.objects.push_back(std::move(object));
  }
  return serializeProject(project);
}

const std::string& hostileText(int variant) {
  static std::string texts[3];
  if (texts[variant].empty()) texts[variant] = hostileProjectText(variant);
  return texts[variant];
}

void openHostile(int variant) {
  appState() = AppState{};
  ProjectLoadResult loaded = deserializeProject(hostileText(variant));
  appState().project = std::move(loaded.project);
  appState().viewZoom = 0.2;
}

void BM_HostileOpenAndFirstPaint(benchmark::State& state) {
  const int variant = static_cast<int>(state.range(0));
  hostileText(variant);
  Surface surface(1100, 645);
  const RECT rect{0, 0, 1100, 645};
  for (auto _ : state) {
    openHostile(variant);
    drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  }
  state.counters["file_MB"] = static_cast<double>(hostileText(variant).size()) / (1024.0 * 1024.0);
  state.counters["evaluations"] = static_cast<double>(viewportCaches().modifierEvaluations);
}

void BM_HostileRepaint(benchmark::State& state) {
  const int variant = static_cast<int>(state.range(0));
  openHostile(variant);
  Surface surface(1100, 645);
  const RECT rect{0, 0, 1100, 645};
  drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  const std::uint64_t before = viewportCaches().modifierEvaluations;
  for (auto _ : state) drawViewportScene(surface.dc, rect, ViewportDrawOptions{});
  state.counters["evaluations_per_paint"] =
      static_cast<double>(viewportCaches().modifierEvaluations - before) / static_cast<double>(state.iterations());
  std::size_t lists = 0, faces = 0;
  for (const auto& [id, entry] : viewportCaches().modifierPreviews) {
    faces += entry.evaluated ? entry.facesBuilt : 0;
    if (entry.list) ++lists;
  }
  state.counters["kept_MB"] = static_cast<double>(keptViewportBytes()) / (1024.0 * 1024.0);
  state.counters["kept_lists"] = static_cast<double>(lists);
  state.counters["evaluated_faces"] = static_cast<double>(faces);
}
BENCHMARK(BM_HostileOpenAndFirstPaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HostileRepaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// ---- One pass against the peer -----------------------------------------------------

void BM_OurPassWithDerivation(benchmark::State& state) {
  const Object grid = plane(170, 1.0);
  for (auto _ : state) benchmark::DoNotOptimize(subdivideMeshOnce(grid.meshData, 0.65));
}
void BM_OurPassAlone(benchmark::State& state) {
  const Object grid = plane(170, 1.0);
  for (auto _ : state) benchmark::DoNotOptimize(subdivideMeshTopology(grid.meshData, 0.65));
}
BENCHMARK(BM_OurPassWithDerivation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurPassAlone)->Unit(benchmark::kMillisecond);

#ifdef VK_BENCH_OPENSUBDIV
struct OsdVertex {
  float p[3];
  void Clear(void* = nullptr) { p[0] = p[1] = p[2] = 0.0f; }
  void AddWithWeight(const OsdVertex& src, float weight) {
    p[0] += weight * src.p[0];
    p[1] += weight * src.p[1];
    p[2] += weight * src.p[2];
  }
};

// Topology refiner built from the grid, refined uniformly to `level`, and the
// positions interpolated level by level: the peer's whole refinement.
void runPeerOpenSubdiv(benchmark::State& state, int side, int level) {
  using namespace OpenSubdiv;
  const Object grid = plane(side, 1.0);
  const auto& faces = grid.meshData.faces.read();
  std::vector<int> counts(faces.size(), 4);
  std::vector<Far::Index> indices;
  for (const MeshFace& f : faces) indices.insert(indices.end(), f.indices.begin(), f.indices.end());
  std::vector<OsdVertex> base;
  for (const Vec3& v : grid.meshData.vertices) {
    base.push_back({{static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}});
  }
  std::size_t made = 0;
  for (auto _ : state) {
    Far::TopologyDescriptor desc;
    desc.numVertices = static_cast<int>(base.size());
    desc.numFaces = static_cast<int>(faces.size());
    desc.numVertsPerFace = counts.data();
    desc.vertIndicesPerFace = indices.data();
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_ONLY);
    Far::TopologyRefiner* refiner = Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Create(
        desc, Far::TopologyRefinerFactory<Far::TopologyDescriptor>::Options(Sdc::SCHEME_CATMARK, options));
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(level));
    std::vector<OsdVertex> previous, refined;
    Far::PrimvarRefiner primvar(*refiner);
    const OsdVertex* source = base.data();
    for (int l = 1; l <= level; ++l) {
      refined.assign(static_cast<std::size_t>(refiner->GetLevel(l).GetNumVertices()), OsdVertex{});
      OsdVertex* target = refined.data();
      primvar.Interpolate(l, source, target);
      std::swap(previous, refined);
      source = previous.data();
    }
    made = previous.size() + static_cast<std::size_t>(refiner->GetLevel(level).GetNumFaces());
    benchmark::DoNotOptimize(previous.data());
    delete refiner;
  }
  state.counters["verts_plus_faces"] = static_cast<double>(made);
}
void BM_PeerOpenSubdivLevel1(benchmark::State& state) { runPeerOpenSubdiv(state, 170, 1); }
void BM_PeerOpenSubdivLevel3(benchmark::State& state) { runPeerOpenSubdiv(state, 43, 3); }
BENCHMARK(BM_PeerOpenSubdivLevel1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerOpenSubdivLevel3)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
