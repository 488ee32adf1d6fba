// Viewport frame costs on a 1100 x 645 client (the default layout's viewport):
// the largest full-path mesh in Lit with 8 and 64 lights, heavy meshes
// through their cached and rebuilt proxies, the dense bounding box, many
// objects, a textured mesh in Material Preview, the frame-time growth from
// 10k to 40k faces, the depth-buffered frame across objects, 10k quads that
// are not flat, 10k faces through the camera's near plane, a scene of modifier copies past the paint's face total, and
// still renders with their encoders timed apart; scenes of duplicates
// (many-cornered Array copies of discs and of stars, plain meshes)
// repainted and orbited, with the peak memory and CPU time of a first paint.
// Peer: the 16 ms frame of a 60 Hz display (25 and 50 ms where stated); for
// the depth-buffered frame, Mesa's llvmpipe (OSMesa, one thread, depth test
// on) filling the same triangles at the same size.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "child_measure.h"
#include "model/model.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "platform/kernel.h"
#include "platform/win32.h"
#include "shading/modifiers.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_context.h"
#include "viewport/viewport.h"
#include "viewport/viewport_caches.h"

#ifdef VK_HAVE_OSMESA
#include <GL/osmesa.h>
#endif

namespace {

constexpr int kWidth = 1100;
constexpr int kHeight = 645;

struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  Surface(int w, int h) {
    void* bits = nullptr;
    bitmap = vk::createTopDownDib32(nullptr, w, h, &bits);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

long long threadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void emptyScene() {
  vk::appState() = vk::AppState{};
  vk::appState().project.scene.collections.push_back(vk::Collection{});
}

vk::Object& add(vk::ObjectKind kind, const std::wstring& name) {
  auto& objects = vk::appState().project.scene.objects;
  objects.push_back(vk::makeObject(kind, name));
  return objects.back();
}

// An nx x nz grid of quads (or of triangle pairs) with a gentle wave and UVs.
vk::MeshData waveGrid(int nx, int nz, bool triangles, double size) {
  vk::MeshData mesh;
  auto& v = mesh.vertices.write();
  auto& uv = mesh.uvs.write();
  for (int z = 0; z <= nz; ++z) {
    for (int x = 0; x <= nx; ++x) {
      v.push_back({-size + 2 * size * x / nx, 0.3 * std::sin(x * 0.2) * std::cos(z * 0.2), -size + 2 * size * z / nz});
      uv.push_back({double(x) / nx, double(z) / nz});
    }
  }
  auto at = [nx](int x, int z) { return z * (nx + 1) + x; };
  auto& f = mesh.faces.write();
  for (int z = 0; z < nz; ++z) {
    for (int x = 0; x < nx; ++x) {
      const int a = at(x, z), b = at(x, z + 1), c = at(x + 1, z + 1), d = at(x + 1, z);
      if (triangles) {
        f.push_back(vk::MeshFace{{a, b, c}, {a, b, c}, 0});
        f.push_back(vk::MeshFace{{a, c, d}, {a, c, d}, 0});
      } else {
        f.push_back(vk::MeshFace{{a, b, c, d}, {a, b, c, d}, 0});
      }
    }
  }
  mesh.uvsValid = true;
  return mesh;
}

vk::Object& addMesh(vk::MeshData mesh) {
  vk::Object& object = add(vk::ObjectKind::Mesh, L"Mesh");
  object.meshData = std::move(mesh);
  object.mesh.primitive = L"Edited Mesh";
  vk::rebuildMeshData(object);
  object.meshData.uvsValid = true;
  return object;
}

void addLights(int count) {
  for (int i = 0; i < count; ++i) {
    vk::Object& light = add(vk::ObjectKind::Light, L"Point Light");
    light.transform.position = {std::cos(i * 0.7) * 6.0, 3.0 + (i % 4), std::sin(i * 0.7) * 6.0};
    light.light.range = 20.0;
  }
}

void drawFrames(benchmark::State& state, bool orbit = false) {
  Surface surface(kWidth, kHeight);
  const RECT client{0, 0, kWidth, kHeight};
  const vk::ViewportDrawOptions options;
  int step = 0;
  for (auto _ : state) {
    if (orbit) vk::appState().viewYaw = -35.0 + 0.35 * (++step % 200);
    vk::drawViewportScene(surface.dc, client, options);
  }
  state.counters["faces"] = double(vk::visibleTriangleCount());
}

void BM_LitGrid99x100(benchmark::State& state) {
  emptyScene();
  addMesh(waveGrid(99, 100, false, 5.0));  // 9900 quads: the largest full-path mesh
  addLights(static_cast<int>(state.range(0)));
  drawFrames(state);
}
BENCHMARK(BM_LitGrid99x100)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_ProxyMesh60kTriangles(benchmark::State& state) {
  emptyScene();
  addMesh(waveGrid(150, 200, true, 5.0));  // 60000 triangles
  addLights(8);
  const bool orbit = state.range(0) == 1;
  vk::appState().orbitDrag = orbit;
  drawFrames(state, orbit);
}
BENCHMARK(BM_ProxyMesh60kTriangles)->Arg(0)->Arg(1)->ArgNames({"orbit"})->Unit(benchmark::kMillisecond);

void BM_DenseMesh120kTriangles(benchmark::State& state) {
  emptyScene();
  addMesh(waveGrid(300, 200, true, 5.0));  // 120000 triangles: bounding box only
  drawFrames(state);
}
BENCHMARK(BM_DenseMesh120kTriangles)->Unit(benchmark::kMillisecond);

void BM_ManyObjects(benchmark::State& state) {
  emptyScene();
  const int count = static_cast<int>(state.range(0));
  const int side = static_cast<int>(std::ceil(std::sqrt(count)));
  for (int i = 0; i < count; ++i) {
    vk::Object& cube = add(vk::ObjectKind::Mesh, L"Cube");
    cube.transform.position = {(i % side - side / 2) * 1.2, 0.0, (i / side - side / 2) * 1.2};
    const double s = count > 256 ? 0.3 : 1.0;
    cube.transform.scale = {s, s, s};
  }
  if (state.range(1) > 0) addLights(static_cast<int>(state.range(1)));
  drawFrames(state);
}
BENCHMARK(BM_ManyObjects)->Args({256, 64})->Args({4096, 0})->ArgNames({"objects", "lights"})->Unit(benchmark::kMillisecond);

void BM_TexturedMaterialPreview60k(benchmark::State& state) {
  emptyScene();
  const auto folder = std::filesystem::temp_directory_path() / "vk_bench_viewport";
  std::filesystem::create_directories(folder);
  const std::wstring png = vk::utf8ToWide((folder / "checker.png").string());
  std::vector<std::uint32_t> pixels(256 * 256);
  for (int i = 0; i < 256 * 256; ++i) pixels[i] = ((i / 256 / 32 + i % 256 / 32) % 2) ? 0xD04020 : 0x2040D0;
  vk::encodePngFile(png, pixels.data(), 256, 256, 256);
  vk::Object& mesh = addMesh(waveGrid(150, 200, true, 5.0));
  vk::sanitizeMaterialSlots(mesh);
  vk::ensureMaterialTextureMaps(mesh.materialSlots.slots[0]);
  for (vk::TextureMap& map : mesh.materialSlots.slots[0].textureMaps.maps) {
    if (map.channel != L"color") continue;
    map.path = png;
    map.enabled = true;
    map.relative = false;
  }
  vk::appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  drawFrames(state);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TexturedMaterialPreview60k)->Unit(benchmark::kMillisecond);

// Growth with face count: 10k quads take the full path, 20k and 40k the
// proxy (over the dense limits); each orbit step rebuilds the picture.
void BM_FaceGrowthOrbit(benchmark::State& state) {
  emptyScene();
  const int faces = static_cast<int>(state.range(0));
  const int nx = 100, nz = faces / 100;
  addMesh(waveGrid(nx, nz, false, 5.0));
  addLights(8);
  vk::appState().orbitDrag = false;
  drawFrames(state, true);
}
BENCHMARK(BM_FaceGrowthOrbit)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The same growth inside the full face path (at most 20000 edges): 2500,
// 5000 and 9900 quads in Lit with 8 lights.
void BM_FullPathGrowth(benchmark::State& state) {
  emptyScene();
  const int faces = static_cast<int>(state.range(0));
  const int nz = faces >= 9900 ? 100 : faces / 50;
  const int nx = faces >= 9900 ? 99 : 50;
  addMesh(waveGrid(nx, nz, false, 5.0));
  addLights(8);
  drawFrames(state, true);
}
BENCHMARK(BM_FullPathGrowth)->Arg(2500)->Arg(5000)->Arg(9900)->Unit(benchmark::kMillisecond);

// The scenes of the depth-buffered frame: a lit frame of 20000 faces in
// four overlapping meshes with 8 lights, or 256 cubes with 64 lights.
// Every face of the scene's meshes as the full face path projects it in the benchmark's view.
template <class Fn>
void forEachProjectedFace(Fn&& fn) {
  const RECT client{0, 0, kWidth, kHeight};
  const vk::ViewContext view = vk::makeViewContext(client);
  for (const vk::Object& object : std::as_const(vk::appState().project.scene.objects)) {
    if (object.kind != vk::ObjectKind::Mesh) continue;
    std::vector<POINT> points, subPixels;
    std::vector<double> depths;
    vk::projectMeshVertices(object, view, points, depths, nullptr, &subPixels);
    for (const vk::ProjectedFace& face : vk::buildProjectedFaces(object, view, subPixels, depths, 1, client)) {
      fn(object, face);
    }
  }
}

void depthScene(bool cubes) {
  emptyScene();
  if (!cubes) {
    for (int i = 0; i < 4; ++i) {
      vk::Object& mesh = addMesh(waveGrid(50, 100, false, 4.0));  // 5000 quads, full path
      mesh.transform.position = {-1.5 + i, 0.3 * i, -0.8 + 0.5 * i};
      mesh.transform.rotation = {0.0, 20.0 * i, 0.0};
    }
    addLights(8);
  } else {
    for (int i = 0; i < 256; ++i) {
      add(vk::ObjectKind::Mesh, L"Cube").transform.position = {(i % 16 - 8) * 1.2, 0.0, (i / 16 - 8) * 1.2};
    }
    addLights(64);
  }
}

// The frame with per-pixel depth across all objects (projection, lighting,
// fills, outlines and edges). Peer: BM_MesaDepthPeer.
void BM_MergedDepthOrder(benchmark::State& state) {
  depthScene(state.range(0) == 1);
  drawFrames(state);
}
BENCHMARK(BM_MergedDepthOrder)->Arg(0)->Arg(1)->ArgNames({"cubes"})->Unit(benchmark::kMillisecond);

// 10 000 quads that are not flat, in two overlapping meshes of 5000 lit by
// 8 lights: every corner 0.05 up or down (cells 0.16 x 0.08), so that each
// quad is a saddle that no one plane holds and is filled as two triangles
// ("cut" counts them). Peer: the same quads flat.
void BM_NonFlatQuads(benchmark::State& state) {
  emptyScene();
  const bool saddles = state.range(0) == 1;
  for (int i = 0; i < 2; ++i) {
    vk::MeshData grid = waveGrid(50, 100, false, 4.0);
    auto& vertices = grid.vertices.write();
    for (std::size_t v = 0; v < vertices.size(); ++v) {
      vertices[v].y = saddles ? ((v % 51 + v / 51) % 2 ? 0.05 : -0.05) : 0.0;
    }
    vk::Object& mesh = addMesh(std::move(grid));
    mesh.transform.position = {-0.5 + i, 0.3 * i, 0.5 * i};
    mesh.transform.rotation = {0.0, 25.0 * i, 0.0};
  }
  addLights(8);
  drawFrames(state);
  double cut = 0;
  forEachProjectedFace([&](const vk::Object&, const vk::ProjectedFace& face) { cut += !face.triangles.empty(); });
  state.counters["cut"] = cut;
}
BENCHMARK(BM_NonFlatQuads)->Arg(0)->Arg(1)->ArgNames({"saddles"})->Unit(benchmark::kMillisecond);

// 10 000 long planks in Camera View, each one quad running from 5 behind
// the camera to 50 in front of it, so that every face is clipped at the
// near plane and far past the view ("pieces" counts what is drawn), in four
// meshes lit by 8 lights. Peer: the same planks moved wholly in front.
void BM_FacesThroughTheNearPlane(benchmark::State& state) {
  emptyScene();
  const double shift = state.range(0) == 1 ? 0.0 : 30.0;
  vk::Object& camera = add(vk::ObjectKind::Camera, L"Camera");
  camera.transform.position = {};
  camera.transform.rotation = {};
  camera.camera.nearClip = 0.1;
  vk::appState().project.scene.activeCameraId = camera.id;
  vk::appState().cameraView = true;
  for (int m = 0; m < 4; ++m) {
    vk::MeshData mesh;
    auto& v = mesh.vertices.write();
    auto& f = mesh.faces.write();
    for (int i = 0; i < 2500; ++i) {
      const int k = m * 2500 + i;
      const double x = -20.0 + 40.0 * (k % 100) / 100.0, y = -6.0 + 5.0 * (k / 100) / 100.0;
      const auto first = static_cast<std::int32_t>(v.size());
      v.insert(v.end(), {{x, y, -5.0 + shift}, {x + 0.3, y, -5.0 + shift}, {x + 0.3, y, 50.0 + shift}, {x, y, 50.0 + shift}});
      f.push_back(vk::MeshFace{{first, first + 1, first + 2, first + 3}, {}, 0});
    }
    addMesh(std::move(mesh));
  }
  addLights(8);
  drawFrames(state);
  double pieces = 0;
  forEachProjectedFace([&](const vk::Object&, const vk::ProjectedFace&) { ++pieces; });
  state.counters["pieces"] = pieces;
}
BENCHMARK(BM_FacesThroughTheNearPlane)->Arg(0)->Arg(1)->ArgNames({"crossing"})->Unit(benchmark::kMillisecond);

#ifdef VK_HAVE_OSMESA
// Mesa's software rasterizer on one thread filling the triangles of
// BM_MergedDepthOrder's faces (each face fanned, its frame colour, its
// depth at the corners) into a 1100 x 645 colour and depth buffer with the
// depth test on: the per-pixel depth half of the frame alone, every frame
// handed over afresh.
// One frame of the peer, a function of its own so that callgrind can count
// frame by frame (--dump-before on its name).
[[gnu::noinline]] void drawMesaFrame(const std::vector<float>& xyz, const std::vector<std::uint8_t>& rgba,
                                     GLsizei count) {
  glClearColor(0.1f, 0.12f, 0.16f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glVertexPointer(3, GL_FLOAT, 0, xyz.data());
  glColorPointer(4, GL_UNSIGNED_BYTE, 0, rgba.data());
  glDrawArrays(GL_TRIANGLES, 0, count);
  glFinish();
}

void BM_MesaDepthPeer(benchmark::State& state) {
  depthScene(state.range(0) == 1);
  std::vector<float> xyz;
  std::vector<std::uint8_t> rgba;
  forEachProjectedFace([&](const vk::Object& object, const vk::ProjectedFace& face) {
    const COLORREF colour = vk::litSurfaceColor(object.material, face.worldCentroid, face.worldNormal, false);
    auto corner = [&](const POINT& subPixel, const vk::DepthPlane& plane) {
      // Nearer is larger; GL's default test keeps the smaller window depth.
      const double x = std::ldexp(subPixel.x, -vk::kSubPixelShift), y = std::ldexp(subPixel.y, -vk::kSubPixelShift);
      xyz.insert(xyz.end(), {float(x), float(y), float(plane.a * x + plane.b * y + plane.c)});
      rgba.insert(rgba.end(), {std::uint8_t(GetRValue(colour)), std::uint8_t(GetGValue(colour)),
                               std::uint8_t(GetBValue(colour)), 255});
    };
    for (const vk::DepthTriangle& triangle : face.triangles) {
      for (std::uint32_t c : triangle.corners) corner(face.screenPoints[c], triangle.plane);
    }
    for (std::size_t k = 1; face.triangles.empty() && k + 1 < face.screenPoints.size(); ++k) {
      corner(face.screenPoints[0], face.depthPlane);
      corner(face.screenPoints[k], face.depthPlane);
      corner(face.screenPoints[k + 1], face.depthPlane);
    }
  });
  float lo = INFINITY, hi = -INFINITY;
  for (std::size_t i = 2; i < xyz.size(); i += 3) lo = std::min(lo, xyz[i]), hi = std::max(hi, xyz[i]);
  // No rasterizer threads: llvmpipe bins and rasterizes in this thread. Read
  // when the context is made.
  setenv("LP_NUM_THREADS", "0", 1);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  std::vector<std::uint8_t> buffer(std::size_t(kWidth) * kHeight * 4);
  if (!context || !OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
    state.SkipWithError("no OSMesa context");
    return;
  }
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Window pixels with y down; eye z is minus the nearness, so the nearest
  // (hi) takes window depth 0 and the farthest (lo) nearly 1.
  const double margin = (double(hi) - lo) * 1e-3 + 1e-6;
  glOrtho(0, kWidth, kHeight, 0, hi + margin, lo - margin);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(1.0f, 1.0f, -1.0f);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  const GLsizei count = GLsizei(xyz.size() / 3);
  for (auto _ : state) drawMesaFrame(xyz, rgba, count);
  state.counters["triangles"] = double(count / 3);
  OSMesaDestroyContext(context);
}
BENCHMARK(BM_MesaDepthPeer)->Arg(0)->Arg(1)->ArgNames({"cubes"})->Unit(benchmark::kMillisecond);
#endif

// Copies past the paint's total: 20 meshes of 24 000 faces (a grid's
// 8 000 quads listed three times, drawn in full, not as a proxy), each with
// a Mirror on two axes and an Array of 12 (95 copies) or 6 (47 copies).
// Built once, the copies would fill 45.6 (22.6) million faces a paint; each
// object with its copies costs past the paint's 1 500 000 draw units, so
// every one is drawn as its box. Peer: the 50 ms of a hitch-free repaint.
void BM_HostileCopiesRepaint(benchmark::State& state) {
  emptyScene();
  vk::MeshData grid = waveGrid(100, 80, false, 1.0);
  const std::vector<vk::MeshFace> once = grid.faces.read();
  for (int k = 1; k < 3; ++k) grid.faces.write().insert(grid.faces.write().end(), once.begin(), once.end());
  for (int i = 0; i < 20; ++i) {
    vk::Object& object = addMesh(grid);
    object.transform.position = {(i % 5 - 2) * 3.0, 0.0, (i / 5 - 2) * 3.0};
    vk::Modifier mirror = vk::createModifierEntry(object, L"Mirror");
    vk::setModifierParamBool(mirror, L"axisY", true);
    vk::setModifierParamBool(mirror, L"axisZ", true);
    object.modifierStack.entries.push_back(mirror);
    vk::Modifier array = vk::createModifierEntry(object, L"Array");
    vk::setModifierParamNumber(array, L"count", static_cast<double>(state.range(0)));
    object.modifierStack.entries.push_back(array);
  }
  vk::appState().viewZoom = 0.2;
  Surface surface(kWidth, kHeight);
  const RECT client{0, 0, kWidth, kHeight};
  vk::drawViewportScene(surface.dc, client, vk::ViewportDrawOptions{});  // evaluates the lists
  for (auto _ : state) vk::drawViewportScene(surface.dc, client, vk::ViewportDrawOptions{});
  state.counters["filled_faces"] = double(vk::viewportCaches().lastFillFaces);
  state.counters["evaluations"] = double(vk::viewportCaches().modifierEvaluations);
}
BENCHMARK(BM_HostileCopiesRepaint)->Arg(12)->Arg(6)->ArgNames({"array"})->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 312 separate faces of 64 corners each on a grid: discs (an OBJ of discs
// not quite flat, convex in their plane) or, `stars`, 32-pointed stars as
// wavy (concave: ear clipping cuts them).
vk::MeshData manyCorneredDiscs(bool stars) {
  vk::MeshData mesh;
  auto& v = mesh.vertices.write();
  auto& f = mesh.faces.write();
  for (int d = 0; d < 312; ++d) {
    const double cx = (d % 24) * 0.05, cz = (d / 24) * 0.05;
    vk::MeshFace face;
    for (int k = 0; k < 64; ++k) {
      const double a = 6.283185307179586 * k / 64, r = stars && k % 2 ? 0.01 : 0.02;
      face.indices.push_back(static_cast<std::int32_t>(v.size()));
      v.push_back({cx + r * std::cos(a), 0.01 * std::sin(3 * a), cz + r * std::sin(a)});
    }
    f.push_back(face);
  }
  return mesh;
}

// `copies` objects as the Duplicate command leaves them (each a step along
// x, sharing the first one's arrays), the first one, in sight, selected:
// it is drawn whole whatever the paint's total.
void duplicateFirst(int copies) {
  const std::wstring first = vk::appState().project.scene.objects.front().id;
  vk::appState().selectedObjectId = first;
  for (int i = 1; i < copies; ++i) vk::duplicateSelectedObject();
  vk::appState().selectedObjectId = first;
}

// One paint, then a 12-pixel orbit step (4.2 degrees of yaw while the drag
// is held), each timed apart; the first counters give what the paint and
// the step add to the process's peak memory, measured in a child, and the
// CPU time of the first paint there (everything derived afresh).
void repaintAndOrbit(benchmark::State& state) {
  const bool orbit = state.range(1) == 1;
  const RECT client{0, 0, kWidth, kHeight};
  // orbit 2: the frame as a still render draws it, whole.
  vk::ViewportDrawOptions options;
  options.boundPaint = state.range(1) != 2;
  auto report = vk::test::measureInChild<2>([&](vk::test::ChildClock& clock) {
    Surface surface(kWidth, kHeight);
    malloc_trim(0);  // what earlier cases freed would otherwise serve the paint unseen
    clock.start();
    const long long cpuStart = threadCpuNanoseconds();
    vk::drawViewportScene(surface.dc, client, options);
    const long long firstPaint = threadCpuNanoseconds() - cpuStart;
    vk::appState().orbitDrag = true;
    vk::appState().viewYaw += 4.2;
    vk::drawViewportScene(surface.dc, client, options);
    return std::array<long long, 2>{static_cast<long long>(vk::viewportCaches().lastFillFaces), firstPaint};
  });
  Surface surface(kWidth, kHeight);
  vk::drawViewportScene(surface.dc, client, options);
  vk::appState().orbitDrag = orbit;
  int step = 0;
  for (auto _ : state) {
    if (orbit) vk::appState().viewYaw += (++step % 2 == 0 ? 4.2 : -4.2);
    vk::drawViewportScene(surface.dc, client, options);
  }
  vk::appState().orbitDrag = false;
  state.counters["peak_MB"] = double(report.peakBytes) / (1 << 20);
  state.counters["first_paint_ms"] = double(report.values[1]) * 1e-6;
  state.counters["filled_faces"] = double(vk::viewportCaches().lastFillFaces);
}

// Twenty objects of 312 discs of 64 corners, each with an Array of 32 and
// one of 3 (96 elements): 1.9 million corners a paint unless bounded.
// Peer: 0.3 s a repaint or orbit step.
void manyCorneredArrays(benchmark::State& state, bool stars) {
  emptyScene();
  vk::Object& object = addMesh(manyCorneredDiscs(stars));
  vk::setModifierParamNumber(*[&] {
    object.modifierStack.entries.push_back(vk::createModifierEntry(object, L"Array"));
    return &object.modifierStack.entries.back();
  }(), L"count", 32);
  vk::setModifierParamNumber(*[&] {
    object.modifierStack.entries.push_back(vk::createModifierEntry(object, L"Array"));
    return &object.modifierStack.entries.back();
  }(), L"count", 3);
  duplicateFirst(20);
  vk::appState().project.scene.viewportShadingMode =
      state.range(0) == 0 ? vk::ViewportShadingMode::Wireframe : vk::ViewportShadingMode::Solid;
  repaintAndOrbit(state);
}

// Wireframe and Solid, each repainted and orbited.
void manyCorneredCases(benchmark::internal::Benchmark* bench) {
  for (int solid : {0, 1}) {
    for (int orbit : {0, 1}) bench->Args({solid, orbit});
  }
  bench->ArgNames({"solid", "orbit"})->Unit(benchmark::kMillisecond)->Iterations(6);
}

void BM_ManyCorneredArrays(benchmark::State& state) { manyCorneredArrays(state, false); }
BENCHMARK(BM_ManyCorneredArrays)->Apply(manyCorneredCases);

// The same with stars for discs. Peer: 0.3 s a repaint or orbit step.
void BM_ManyCorneredStars(benchmark::State& state) { manyCorneredArrays(state, true); }
BENCHMARK(BM_ManyCorneredStars)->Apply(manyCorneredCases);

// 100, 250 and 1000 duplicates of a 9900-quad mesh in Solid. Peer: 0.5 s
// a repaint or orbit step; orbit 2 draws the frame whole, as a still render.
void BM_DuplicatedMeshes(benchmark::State& state) {
  emptyScene();
  addMesh(waveGrid(99, 100, false, 5.0));
  duplicateFirst(static_cast<int>(state.range(0)));
  vk::appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
  repaintAndOrbit(state);
}
BENCHMARK(BM_DuplicatedMeshes)
    ->ArgsProduct({{100, 250, 500, 1000}, {0, 1, 2}})
    ->ArgNames({"copies", "orbit"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// 200 copies of a 60 x 60-quad grid in rows of 20, zoomed out as far as
// the view goes, so that each quad covers less than a pixel (0.6-0.9 px
// wide) and still fills its pixels, in Solid. Peer: 0.3 s a repaint or
// orbit step.
void BM_FacesUnderAPixel(benchmark::State& state) {
  emptyScene();
  addMesh(waveGrid(60, 60, false, 1.5));
  duplicateFirst(static_cast<int>(state.range(0)));
  auto& objects = vk::appState().project.scene.objects;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    objects[i].transform.position = {(double(i % 20) - 9.5) * 3.2, 0.0, (double(i / 20) - 4.5) * 3.2};
  }
  vk::appState().viewZoom = 0.18;
  vk::appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
  repaintAndOrbit(state);
}
BENCHMARK(BM_FacesUnderAPixel)
    ->ArgsProduct({{200}, {0, 1}})
    ->ArgNames({"copies", "orbit"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

// The first scene: the new project's cube, camera and light.
void firstScene() {
  vk::appState() = vk::AppState{};
  vk::resetToNewProject();
}

void BM_StillRender(benchmark::State& state) {
  firstScene();
  const int side = static_cast<int>(state.range(0));
  const int w = side == 720 ? 1280 : 4096, h = side;
  std::wstring message;
  for (auto _ : state) {
    HBITMAP bitmap = vk::renderStillImage(w, h, false, false, message);
    DeleteObject(bitmap);
  }
}
BENCHMARK(BM_StillRender)->Arg(720)->Arg(4096)->ArgNames({"height"})->Unit(benchmark::kMillisecond);

void BM_StillEncode(benchmark::State& state) {
  firstScene();
  const int side = static_cast<int>(state.range(0));
  const int w = side == 720 ? 1280 : 4096, h = side;
  const bool jpeg = state.range(1) == 1;
  std::wstring message;
  HBITMAP bitmap = vk::renderStillImage(w, h, false, false, message);
  const auto path = std::filesystem::temp_directory_path() / (jpeg ? "vk_bench_still.jpg" : "vk_bench_still.png");
  const std::wstring file = vk::utf8ToWide(path.string());
  for (auto _ : state) {
    vk::saveBitmapAsImage(bitmap, file, jpeg ? vk::StillFormat::Jpeg : vk::StillFormat::Png, message);
  }
  DeleteObject(bitmap);
  std::filesystem::remove(path);
}
BENCHMARK(BM_StillEncode)
    ->Args({720, 0})
    ->Args({720, 1})
    ->Args({4096, 0})
    ->Args({4096, 1})
    ->ArgNames({"height", "jpeg"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
