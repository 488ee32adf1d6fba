// A surface covers the same pixels whole or cut into many faces: faces
// under a pixel still cover theirs, and a face that crosses a depth where
// the orbit view's perspective stops growing or shrinking covers what its
// pieces do, in the orbit view, Camera View and stills.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <map>
#include <random>

#include "model/math.h"
#include "platform/headless.h"
#include "platform/palette.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::Vec3;
using vktest::countOf;
using vktest::coverage;
using vktest::differencesAwayFromEdges;
using vktest::FrameCanvas;
using vktest::objectsOnly;

vk::MeshData polygonMesh(const std::vector<Vec3>& corners) {
  vk::MeshData mesh;
  mesh.vertices.write() = corners;
  vk::MeshFace face;
  for (std::size_t k = 0; k < corners.size(); ++k) face.indices.push_back(static_cast<std::int32_t>(k));
  mesh.faces.write().push_back(face);
  return mesh;
}

// The flat polygon as a mesh of small triangles: fanned from `apex`, each
// fan triangle cut into k x k, neighbours sharing their corners.
vk::MeshData cutSmall(const std::vector<Vec3>& corners, const Vec3& apex, int k) {
  vk::MeshData mesh;
  auto& vertices = mesh.vertices.write();
  std::map<std::array<std::uint64_t, 3>, std::int32_t> index;
  auto vertex = [&](const Vec3& p) {
    const std::array<std::uint64_t, 3> key{std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y),
                                           std::bit_cast<std::uint64_t>(p.z)};
    auto [at, added] = index.emplace(key, static_cast<std::int32_t>(vertices.size()));
    if (added) vertices.push_back(p);
    return at->second;
  };
  auto& faces = mesh.faces.write();
  const std::size_t n = corners.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 u = corners[i] - apex, v = corners[(i + 1) % n] - apex;
    // Along a fan edge both neighbours compute apex + edge * (j / k) alike.
    auto at = [&](int a, int b) {
      if (a == 0) return vertex(apex + v * (static_cast<double>(b) / k));
      if (b == 0) return vertex(apex + u * (static_cast<double>(a) / k));
      return vertex(apex + u * (static_cast<double>(a) / k) + v * (static_cast<double>(b) / k));
    };
    for (int a = 0; a < k; ++a) {
      for (int b = 0; a + b < k; ++b) {
        faces.push_back(vk::MeshFace{{at(a, b), at(a + 1, b), at(a, b + 1)}, {}, 0});
        if (a + b + 2 <= k) faces.push_back(vk::MeshFace{{at(a + 1, b), at(a + 1, b + 1), at(a, b + 1)}, {}, 0});
      }
    }
  }
  return mesh;
}

// The empty scene with one mesh object, a camera and nothing else.
void showOnly(const vk::MeshData& mesh, const vk::Transform& transform) {
  auto& objects = appState().project.scene.objects;
  objects.resize(1);  // the camera
  vk::Object& object = vktest::addMeshObject(L"Surface", mesh);
  object.transform = transform;
}

// A frame of the current view as coverage against the frame without the surface.
std::vector<std::uint8_t> surfaceCoverage(FrameCanvas& canvas, const vk::ViewportDrawOptions& options,
                                          const std::vector<COLORREF>& empty) {
  canvas.draw(options);
  return coverage(vktest::pixelsOf(canvas), empty);
}

class Surfaces : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    vktest::resetEmptyScene();
    vk::Object& camera = vktest::addSceneObject(vk::ObjectKind::Camera, L"Camera");
    camera.camera.aspect = 16.0 / 9.0;
    appState().project.scene.activeCameraId = camera.id;
    appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
    options.showHelperGlyphs = false;
  }
  void TearDown() override { vk::headless::stop(); }
  void orbit(double yaw, double pitch, double zoom, const Vec3& pivot = {}) {
    appState().cameraView = false;
    appState().orthographic = false;
    appState().viewYaw = yaw, appState().viewPitch = pitch, appState().viewZoom = zoom;
    appState().viewPivot = pivot;
  }
  vk::ViewportDrawOptions options = objectsOnly();
};

TEST_F(Surfaces, AFloorOfFacesUnderAPixelCoversWhatItsOneQuadDoes) {
  constexpr int w = 640, h = 360;
  FrameCanvas canvas(w, h);
  vk::Transform floorAt;
  floorAt.position = {0.0, -0.5, 0.0};
  const vk::MeshData quad = vktest::gridMesh(1, 1, 2.0), tiles = vktest::gridMesh(60, 60, 2.0);
  for (double pitch : {24.0, 60.0, 8.0, -30.0}) {
    for (double zoom : {0.2, 0.1, 0.5, 1.0}) {
      SCOPED_TRACE(testing::Message() << "pitch " << pitch << " zoom " << zoom);
      orbit(-35.0, pitch, zoom);
      appState().project.scene.objects.resize(1);
      canvas.draw(options);
      const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
      showOnly(quad, floorAt);
      const auto whole = surfaceCoverage(canvas, options, empty);
      showOnly(tiles, floorAt);
      const auto tiled = surfaceCoverage(canvas, options, empty);
      EXPECT_GT(countOf(whole), 40u);
      EXPECT_EQ(differencesAwayFromEdges(whole, tiled, w, h), 0) << countOf(whole) << " " << countOf(tiled);
    }
  }
  // A flat seven-cornered face and the same face fanned into small triangles.
  std::vector<Vec3> heptagon;
  for (int k = 0; k < 7; ++k) {
    const double angle = 2.0 * vk::kPi * k / 7.0;
    heptagon.push_back({1.5 * std::cos(angle), 0.3 * std::sin(angle), 1.5 * std::sin(angle)});
  }
  orbit(-35.0, 24.0, 0.82);
  appState().project.scene.objects.resize(1);
  canvas.draw(options);
  const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
  showOnly(polygonMesh(heptagon), vk::Transform{});
  const auto whole = surfaceCoverage(canvas, options, empty);
  showOnly(cutSmall(heptagon, {}, 24), vk::Transform{});
  const auto pieces = surfaceCoverage(canvas, options, empty);
  EXPECT_GT(countOf(whole), 1000u);
  EXPECT_EQ(differencesAwayFromEdges(whole, pieces, w, h), 0) << countOf(whole) << " " << countOf(pieces);
}

// A unit sphere of `segments` x `rings` faces: quads, triangles at the poles.
vk::MeshData sphereMesh(int segments, int rings) {
  vk::MeshData mesh;
  auto& vertices = mesh.vertices.write();
  vertices.push_back({0.0, 1.0, 0.0});
  for (int r = 1; r < rings; ++r) {
    const double polar = vk::kPi * r / rings;
    for (int s = 0; s < segments; ++s) {
      const double azimuth = 2.0 * vk::kPi * s / segments;
      vertices.push_back({std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)});
    }
  }
  vertices.push_back({0.0, -1.0, 0.0});
  const auto bottom = static_cast<std::int32_t>(vertices.size() - 1);
  auto ring = [segments](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
  auto& faces = mesh.faces.write();
  for (int s = 0; s < segments; ++s) {
    faces.push_back(vk::MeshFace{{0, ring(1, s + 1), ring(1, s)}, {}, 0});
    for (int r = 1; r + 1 < rings; ++r) {
      faces.push_back(vk::MeshFace{{ring(r, s), ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s)}, {}, 0});
    }
    faces.push_back(vk::MeshFace{{bottom, ring(rings - 1, s), ring(rings - 1, s + 1)}, {}, 0});
  }
  return mesh;
}

// Pixels within `radius` of `centre` that the coverage leaves bare.
int bareInsideDisc(const std::vector<std::uint8_t>& covered, int w, int h, double cx, double cy, double radius) {
  int bare = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = x - cx, dy = y - cy;
      if (dx * dx + dy * dy <= radius * radius) bare += !covered[static_cast<std::size_t>(y * w + x)];
    }
  }
  return bare;
}

TEST_F(Surfaces, ADenseSphereFarAwayStaysSolid) {
  constexpr int w = 320, h = 180;
  FrameCanvas canvas(w, h);
  const vk::MeshData sphere = sphereMesh(64, 32);
  // Orthographic, from above and aside: its outline is a circle of its radius.
  for (double zoom : {0.18, 0.3, 0.6}) {
    SCOPED_TRACE(zoom);
    orbit(30.0, 40.0, zoom);
    appState().orthographic = true;
    appState().project.scene.objects.resize(1);
    canvas.draw(options);
    const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
    showOnly(sphere, vk::Transform{});
    const auto covered = surfaceCoverage(canvas, options, empty);
    const vk::ViewContext view = vk::makeViewContext(canvas.rect());
    EXPECT_EQ(bareInsideDisc(covered, w, h, view.centerX, view.centerY, view.scale - 1.5), 0);
  }
  // Far ahead of the camera, turned: no smaller than the circle its radius subtends.
  appState().cameraView = true;
  appState().project.scene.objects[0].transform.position = {};
  appState().project.scene.objects[0].transform.rotation = {};
  for (double distance : {15.0, 40.0, 60.0}) {
    SCOPED_TRACE(distance);
    appState().project.scene.objects.resize(1);
    canvas.draw(options);
    const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
    vk::Transform at;
    at.position = {0.0, 0.0, distance};
    at.rotation = {20.0, 30.0, 0.0};
    showOnly(sphere, at);
    const auto covered = surfaceCoverage(canvas, options, empty);
    const vk::ViewContext view = vk::makeViewContext(canvas.rect());
    EXPECT_EQ(bareInsideDisc(covered, w, h, view.frameCenterX, view.frameCenterY, view.focal / distance - 1.5), 0);
  }
  // Its upper half alone, open, one layer of faces: from above and from below.
  vk::MeshData dome = sphere;
  std::erase_if(dome.faces.write(), [&](const vk::MeshFace& face) {
    return std::any_of(face.indices.begin(), face.indices.end(),
                       [&](std::int32_t v) { return dome.vertices.read()[static_cast<std::size_t>(v)].y < -1e-9; });
  });
  for (double turn : {-90.0, 90.0}) {
    for (double distance : {15.0, 25.0, 40.0, 60.0}) {
      SCOPED_TRACE(testing::Message() << "dome " << turn << " " << distance);
      appState().project.scene.objects.resize(1);
      canvas.draw(options);
      const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
      vk::Transform at;
      at.position = {0.0, 0.0, distance};
      at.rotation = {turn, 0.0, 0.0};
      showOnly(dome, at);
      const auto covered = surfaceCoverage(canvas, options, empty);
      const vk::ViewContext view = vk::makeViewContext(canvas.rect());
      EXPECT_EQ(bareInsideDisc(covered, w, h, view.frameCenterX, view.frameCenterY, view.focal / distance - 1.5), 0);
    }
  }
}

TEST_F(Surfaces, AFlatFaceCoversTheSamePixelsWholeOrCutSmallInEveryView) {
  constexpr int w = 320, h = 180;
  FrameCanvas canvas(w, h);
  std::mt19937 random(58);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto spread = [&](double size) { return size * (2.0 * unit(random) - 1.0); };
  int worstDifference = 0;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    // A view and a camera somewhere near the origin.
    orbit(360.0 * unit(random), spread(80.0), 0.2 + 2.0 * unit(random), {spread(5.0), spread(5.0), spread(5.0)});
    auto& camera = appState().project.scene.objects[0];
    camera.transform.position = {spread(8.0), spread(8.0), spread(8.0)};
    camera.transform.rotation = {spread(60.0), spread(180.0), spread(20.0)};
    // A flat face from small to thousands of units across, some through the eye.
    const double size = std::pow(10.0, -0.5 + 4.0 * unit(random));
    const Vec3 centre{spread(size * 0.3), spread(size * 0.3), spread(size * 0.3)};
    const Vec3 axisA = vk::vec3Normalize({spread(1.0), spread(1.0), spread(1.0)});
    const Vec3 axisB = vk::vec3Normalize(vk::vec3Cross(axisA, {spread(1.0), spread(1.0), spread(1.0)}));
    const int n = 3 + round % 6;
    std::vector<Vec3> corners;
    for (int k = 0; k < n; ++k) {
      const double angle = 2.0 * vk::kPi * (k + 0.4 * unit(random)) / n;
      const double r = size * (0.6 + 0.4 * unit(random));
      corners.push_back(centre + axisA * (r * std::cos(angle)) + axisB * (r * std::sin(angle)));
    }

    // The orbit view, Camera View and a still from the camera, as pixels.
    auto frames = [&] {
      std::array<std::vector<COLORREF>, 3> out;
      appState().cameraView = false;
      canvas.draw(options);
      out[0] = vktest::pixelsOf(canvas);
      appState().cameraView = true;
      canvas.draw(options);
      out[1] = vktest::pixelsOf(canvas);
      appState().cameraView = false;
      out[2] = vktest::cameraStill(w, h);
      return out;
    };
    appState().project.scene.objects.resize(1);
    const auto nothing = frames();
    showOnly(polygonMesh(corners), vk::Transform{});
    const auto whole = frames();
    // Its corners go round the centre, so that the fan from there covers it once.
    showOnly(cutSmall(corners, centre, 24), vk::Transform{});
    const auto pieces = frames();
    for (std::size_t v = 0; v < 3; ++v) {
      SCOPED_TRACE(v == 0 ? "orbit view" : v == 1 ? "Camera View" : "still");
      const auto a = coverage(whole[v], nothing[v]), b = coverage(pieces[v], nothing[v]);
      // A face's edge may fall a pixel apart whole and in pieces; beside the
      // frame's border the far side of that edge cannot be seen.
      const int differences = differencesAwayFromEdges(a, b, w, h, 1, /*border=*/1);
      worstDifference = std::max(worstDifference, differences);
      EXPECT_EQ(differences, 0) << countOf(a) << " " << countOf(b);
    }
  }
  RecordProperty("worstDifference", worstDifference);
}

TEST_F(Surfaces, AFloorCrossingWhereTheOrbitPerspectiveStopsShowsNoSeam) {
  constexpr int w = 320, h = 180;
  FrameCanvas canvas(w, h);
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Lit;
  orbit(62.92, -41.25, 1.81, {-2.505, 1.833, -0.727});
  const std::vector<Vec3> hexagon{{-198.0, 1205.2, 871.9},   {-2285.4, 2071.5, -645.3}, {-1598.7, -499.5, -2227.4},
                                  {46.1, -1070.0, -929.8},   {2059.4, -2036.9, 414.0},  {1030.0, 130.2, 1249.9}};
  appState().project.scene.objects.resize(1);
  canvas.draw(options);
  const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
  showOnly(polygonMesh(hexagon), vk::Transform{});
  const auto whole = surfaceCoverage(canvas, options, empty);
  EXPECT_EQ(countOf(whole), static_cast<std::size_t>(w * h));
  showOnly(cutSmall(hexagon, {4.853, 2.546, 1.088}, 24), vk::Transform{});
  const auto pieces = surfaceCoverage(canvas, options, empty);
  EXPECT_EQ(differencesAwayFromEdges(whole, pieces, w, h), 0);
}

// Whether `mask` holds `value` somewhere within `reach` of (x, y).
bool near(const std::vector<std::uint8_t>& mask, int w, int h, int x, int y, std::uint8_t value, int reach = 2) {
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx >= 0 && ny >= 0 && nx < w && ny < h && mask[static_cast<std::size_t>(ny * w + nx)] == value) return true;
    }
  }
  return false;
}

TEST_F(Surfaces, EdgesBendWithTheirFaceWhereTheOrbitPerspectiveStops) {
  constexpr int w = 320, h = 180;
  FrameCanvas canvas(w, h);
  // A strip from well in front of the pivot to far past the view, seen
  // along its length from aside: its sides bend twice on the screen.
  orbit(-30.0, 12.0, 1.0);
  vk::MeshData strip = polygonMesh({{-1.0, 0.0, -40.0}, {1.0, 0.0, -40.0}, {1.0, 0.0, 3000.0}, {-1.0, 0.0, 3000.0}});
  showOnly(strip, vk::Transform{});
  canvas.draw(options);
  std::vector<std::uint8_t> fill(static_cast<std::size_t>(w * h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) fill[static_cast<std::size_t>(y * w + x)] = canvas.pixel(x, y) == vk::kMeshSolid;
  }
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  appState().project.scene.objects.resize(1);
  canvas.draw(options);
  const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
  showOnly(strip, vk::Transform{});
  const auto edges = surfaceCoverage(canvas, options, empty);
  ASSERT_GT(countOf(edges), 200u);
  // Every edge pixel lies where the fill meets what it leaves bare.
  int offTheBoundary = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!edges[static_cast<std::size_t>(y * w + x)]) continue;
      offTheBoundary += !(near(fill, w, h, x, y, 1) && near(fill, w, h, x, y, 0));
    }
  }
  EXPECT_EQ(offTheBoundary, 0);
}

}  // namespace
