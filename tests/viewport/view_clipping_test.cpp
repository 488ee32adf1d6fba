// Faces that reach behind the camera or far past the view are drawn by
// their visible part: a large floor matches the same floor built of small
// quads in every view, and random large faces cover exactly the pixels a
// ray from the camera finds them at.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "model/math.h"
#include "model/polygon_triangulation.h"
#include "platform/headless.h"
#include "shading/materials.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::FrameCanvas;
using vktest::objectsOnly;
using vktest::countOf;
using vktest::coverage;
using vktest::differencesAwayFromEdges;

using ClipFaces = vktest::StarterScene;

// The three views a user sees the floor in: the orbit view, Camera View
// and a still from the camera, each as pixels.
struct ThreeViews {
  std::vector<COLORREF> orbit, camera, still;
};
ThreeViews drawThreeViews(int w, int h) {
  ThreeViews views;
  FrameCanvas canvas(w, h);
  appState().cameraView = false;
  canvas.draw(objectsOnly());
  views.orbit = vktest::pixelsOf(canvas);
  appState().cameraView = true;
  canvas.draw(objectsOnly());
  views.camera = vktest::pixelsOf(canvas);
  appState().cameraView = false;
  views.still = vktest::cameraStill(w, h);
  return views;
}

TEST_F(ClipFaces, AFloorLargerThanTheSceneShowsInEveryViewAsTheSameFloorOfSmallQuads) {
  constexpr int w = 320, h = 180;  // the camera's own 16:9
  auto& objects = appState().project.scene.objects;
  const vk::ObjectList starter = objects;  // the cube first, then the camera and the light
  const ThreeViews cubeAlone = drawThreeViews(w, h);
  objects.erase(objects.begin());
  const ThreeViews nothing = drawThreeViews(w, h);
  // The starter scene with `floor` after the cube.
  auto withFloor = [&](const vk::Object& floor) {
    objects = starter;
    objects.insert(objects.begin() + 1, floor);
  };

  vk::Object plane = vk::makeObject(ObjectKind::Mesh, L"Plane");
  double half = 0.0;
  for (const vk::Vec3& v : plane.meshData.vertices.read()) half = std::max(half, std::fabs(v.x));
  ASSERT_GT(half, 0.0);
  for (double scale : {6.0, 8.0, 40.0, 200.0}) {
    SCOPED_TRACE(scale);
    plane.transform.position = {0.0, -0.5, 0.0};
    plane.transform.scale = {scale, 1.0, scale};
    withFloor(plane);
    const ThreeViews whole = drawThreeViews(w, h);
    vk::Object tiles = plane;
    tiles.meshData = vktest::gridMesh(64, 64, half);
    vk::rebuildMeshData(tiles);
    withFloor(tiles);
    const ThreeViews tiled = drawThreeViews(w, h);

    for (auto view : {&ThreeViews::orbit, &ThreeViews::camera, &ThreeViews::still}) {
      ASSERT_EQ((whole.*view).size(), static_cast<std::size_t>(w * h));
      // The floor covers what its tiles cover, and plenty of the frame.
      const auto floor = coverage(whole.*view, nothing.*view);
      const auto floorOfTiles = coverage(tiled.*view, nothing.*view);
      EXPECT_GT(countOf(floor), static_cast<std::size_t>(w * h / 4));
      EXPECT_EQ(differencesAwayFromEdges(floor, floorOfTiles, w, h), 0);
      // The cube stands on it, hidden by it exactly as much.
      std::vector<std::uint8_t> cubeShows(floor.size()), cubeShowsOnTiles(floor.size()), cubeThere(floor.size());
      for (std::size_t i = 0; i < floor.size(); ++i) {
        cubeThere[i] = (cubeAlone.*view)[i] != (nothing.*view)[i];
        cubeShows[i] = cubeThere[i] && (whole.*view)[i] == (cubeAlone.*view)[i];
        cubeShowsOnTiles[i] = cubeThere[i] && (tiled.*view)[i] == (cubeAlone.*view)[i];
      }
      EXPECT_GT(countOf(cubeShows), countOf(cubeThere) / 2);
      EXPECT_EQ(differencesAwayFromEdges(cubeShows, cubeShowsOnTiles, w, h), 0);
    }
  }
}

// A face of the test below: corners in the camera's view space (the camera
// sits at the origin looking along +z), flat or not.
struct RayFace {
  std::vector<vk::Vec3> corners;
  std::vector<std::array<vk::Vec3, 3>> triangles;  // what the picture of the face is
};

// Whether the ray from the eye through (x, y, 1) meets the triangle in front of `nearClip`.
bool rayMeets(const std::array<vk::Vec3, 3>& t, double x, double y, double nearClip) {
  const vk::Vec3 d{x, y, 1.0};
  const vk::Vec3 e1 = t[1] - t[0], e2 = t[2] - t[0];
  const vk::Vec3 p = vk::vec3Cross(d, e2);
  const double det = vk::vec3Dot(e1, p);
  if (std::fabs(det) < 1e-12) return false;
  const vk::Vec3 s = vk::Vec3{} - t[0];
  const double u = vk::vec3Dot(s, p) / det;
  const vk::Vec3 q = vk::vec3Cross(s, e1);
  const double v = vk::vec3Dot(d, q) / det;
  const double along = vk::vec3Dot(e2, q) / det;  // the depth, as d has z = 1
  return u >= 0.0 && v >= 0.0 && u + v <= 1.0 && along >= nearClip;
}

TEST_F(ClipFaces, RandomLargeFacesCoverThePixelsARayFindsThemAt) {
  vktest::resetEmptyScene();
  vk::Object& camera = vktest::addSceneObject(ObjectKind::Camera, L"Camera");
  camera.transform.position = {};
  camera.transform.rotation = {};
  camera.camera.nearClip = 0.5;
  camera.camera.fov = 60.0;
  camera.camera.aspect = 16.0 / 9.0;
  const double nearClip = camera.camera.nearClip;
  appState().project.scene.activeCameraId = camera.id;
  appState().cameraView = true;
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
  constexpr int w = 320, h = 180;
  FrameCanvas canvas(w, h);
  vk::ViewportDrawOptions faces = objectsOnly();
  faces.showHelperGlyphs = false;
  canvas.draw(faces);
  const std::vector<COLORREF> empty = vktest::pixelsOf(canvas);
  const vk::ViewContext view = vk::makeViewContext(canvas.rect());

  std::mt19937 random(54);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const int n = 3 + round % 8;
    const bool flat = round % 2 == 0;
    const bool throughTheEye = round % 3 != 2;  // else wholly in front, reaching far off the screen
    // A star-free polygon around a centre, on a random plane through it.
    const vk::Vec3 centre{-4.0 + 8.0 * unit(random), -3.0 + 6.0 * unit(random),
                          throughTheEye ? 0.2 + 2.0 * unit(random) : 3.0 + 3.0 * unit(random)};
    const double radius = throughTheEye ? 20.0 + 200.0 * unit(random) : 2.0 + 40.0 * unit(random);
    const vk::Vec3 axisA = vk::vec3Normalize({unit(random) - 0.5, unit(random) - 0.5, 0.2 * (unit(random) - 0.5)});
    const vk::Vec3 axisB = vk::vec3Normalize(vk::vec3Cross(axisA, {0.3 * unit(random), 0.2, 1.0}));
    RayFace face;
    for (int k = 0; k < n; ++k) {
      const double angle = 2.0 * vk::kPi * (k + 0.3 * unit(random)) / n;
      const double r = radius * (0.5 + 0.5 * unit(random));
      vk::Vec3 p = centre + axisA * (r * std::cos(angle)) + axisB * (r * std::sin(angle));
      if (!flat) p = p + vk::vec3Cross(axisA, axisB) * (0.2 * radius * (unit(random) - 0.5));
      face.corners.push_back(p);
    }
    vk::MeshData mesh;
    mesh.vertices.write() = face.corners;
    vk::MeshFace meshFace;
    for (int k = 0; k < n; ++k) meshFace.indices.push_back(k);
    mesh.faces.write().push_back(meshFace);
    appState().project.scene.objects.resize(1);
    vk::Object& object = vktest::addMeshObject(L"Face", mesh);
    object.transform = {};
    object.transform.scale = {1.0, 1.0, 1.0};
    // What the face is: its own plane where flat, else the exports' triangles.
    std::vector<vk::CornerTriangle> cut;
    std::vector<vk::Vec3> mirrored = face.corners;
    std::reverse(mirrored.begin() + 1, mirrored.end());
    vk::triangulatePolygon(mirrored, cut);
    for (const vk::CornerTriangle& t : cut) {
      auto original = [n](std::uint32_t c) { return c == 0 ? 0u : static_cast<std::uint32_t>(n) - c; };
      face.triangles.push_back({face.corners[original(t[0])], face.corners[original(t[1])],
                                face.corners[original(t[2])]});
    }
    canvas.draw(faces);
    const std::vector<std::uint8_t> drawn = coverage(vktest::pixelsOf(canvas), empty);
    std::vector<std::uint8_t> expected(drawn.size());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double rx = (x + 0.5 - view.frameCenterX) / view.focal, ry = -(y + 0.5 - view.frameCenterY) / view.focal;
        bool hit = false;
        for (const auto& t : face.triangles) hit = hit || rayMeets(t, rx, ry, nearClip);
        expected[static_cast<std::size_t>(y * w + x)] = hit;
      }
    }
    EXPECT_EQ(differencesAwayFromEdges(expected, drawn, w, h), 0) << countOf(expected) << " " << countOf(drawn);
  }
}

}  // namespace
