// Objects hide each other by depth at every pixel, in frames and stills:
// faces that cross or overlap in depth, faces that are not flat, edges
// behind faces, translucent faces; ties in list order, repeatable frames;
// and the orbit view looks down on its pivot.
#include <algorithm>
#include <cstring>
#include <random>
#include <set>

#include "model/math.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/polygon_triangulation.h"
#include "platform/headless.h"
#include "shading/materials.h"
#include "shading/modifiers.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_context.h"
#include "viewport/viewport_internal.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::FrameCanvas;
using vktest::objectsOnly;

using DepthOrder = vktest::StarterScene;

TEST_F(DepthOrder, FloorCreatedAfterTheCubeStaysBelowItInTheStill) {
  vk::Object floor = vk::makeObject(ObjectKind::Mesh, L"Plane");
  floor.transform.position = {0, -0.5, 0};
  floor.transform.scale = {4, 1, 4};
  appState().project.scene.objects.push_back(floor);
  const int w = 320, h = 180;  // the camera's own 16:9, so the frame's projection is the still's
  const std::vector<COLORREF> withFloor = vktest::cameraStill(w, h);
  appState().project.scene.objects.back().visible = false;
  const std::vector<COLORREF> withoutFloor = vktest::cameraStill(w, h);
  appState().project.scene.objects.back().visible = true;
  appState().cameraView = true;
  FrameCanvas viewport(w, h);
  viewport.draw(objectsOnly());

  const RECT client{0, 0, w, h};
  for (double x : {-0.35, 0.0, 0.35}) {
    for (double y : {-0.4, -0.2}) {  // the lower half of the face towards the camera
      const POINT p = vk::projectToScreen({x, y, -0.5}, client);
      ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < w && p.y < h);
      const COLORREF cube = withoutFloor[p.y * w + p.x];
      EXPECT_EQ(withFloor[p.y * w + p.x], cube) << x << ", " << y;
      EXPECT_EQ(viewport.pixel(p.x, p.y), cube) << x << ", " << y;
    }
  }
  // The floor does show around the cube.
  const POINT beside = vk::projectToScreen({1.5, -0.5, 0}, client);
  EXPECT_NE(withFloor[beside.y * w + beside.x], withoutFloor[beside.y * w + beside.x]);
}

// A flat quad of one colour at height y, as its own object.
vk::Object& addQuad(const wchar_t* name, double y, int r, int g, int b) {
  vk::Object& quad = vktest::addMeshObject(name, vktest::gridMesh(1, 1, 1.0));
  quad.transform.position = {0, y, 0};
  quad.materialSlots.slots.assign(1, vk::Material{});
  quad.materialSlots.slots[0].r = r, quad.materialSlots.slots[0].g = g, quad.materialSlots.slots[0].b = b;
  return quad;
}

TEST_F(DepthOrder, EqualDepthsFollowListOrderAndFramesRepeat) {
  vktest::resetEmptyScene();
  appState().viewYaw = 0.0;
  appState().viewPitch = 90.0;  // straight down
  appState().orthographic = true;
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  addQuad(L"High", 1.0, 0, 0, 255);
  addQuad(L"Red", 0.0, 255, 0, 0);
  addQuad(L"Green", 0.0, 0, 255, 0);  // same corners and depth as Red
  addQuad(L"Low", -1.0, 255, 255, 0);
  auto colourOf = [](std::size_t index) {
    return vk::materialShadeColor(appState().project.scene.objects[index].materialSlots.slots[0], {0, 1, 0}, false);
  };
  FrameCanvas canvas(300, 300);
  const POINT inside = vk::projectToScreen({0.3, 0, 0.2}, canvas.rect());
  canvas.draw(objectsOnly());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), colourOf(0));  // the highest, though first in the list

  auto& objects = appState().project.scene.objects;
  objects.erase(objects.begin());
  canvas.draw(objectsOnly());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), colourOf(1));  // a tie: the later object
  std::swap(objects[0], objects[1]);
  canvas.draw(objectsOnly());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), colourOf(1));

  // Many overlapping objects at equal and unequal depths: the same pixels twice.
  for (int i = 0; i < 40; ++i) addQuad(L"Tile", (i % 3) * 0.25, 40 * (i % 6), 30 * (i % 8), 20 * (i % 12));
  appState().viewPitch = 35.0;
  appState().orthographic = false;
  canvas.draw(objectsOnly());
  const std::vector<std::uint32_t> first(canvas.bits, canvas.bits + 300 * 300);
  std::memset(canvas.bits, 0, 300 * 300 * sizeof(std::uint32_t));
  canvas.draw(objectsOnly());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), canvas.bits));
}

TEST_F(DepthOrder, DefaultOrbitViewShowsTheStarterCubesTopFace) {
  // Above the pivot is nearer than below it.
  EXPECT_LT(vk::worldToViewSpace({0, 1, 0}).z, vk::worldToViewSpace({0, -1, 0}).z);

  vk::Object& cube = appState().project.scene.objects[0];
  ASSERT_EQ(cube.name, L"Starter Cube");
  // A colour per face, so that each face can be told apart in the pixels.
  auto& faces = cube.meshData.faces.write();
  cube.materialSlots.slots.assign(faces.size(), vk::Material{});
  COLORREF top = 0, bottom = 0;
  std::vector<COLORREF> sides;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    faces[f].materialIndex = static_cast<std::int32_t>(f);
    vk::Material& material = cube.materialSlots.slots[f];
    material.r = 40 + 40 * static_cast<int>(f), material.g = 255 - 40 * static_cast<int>(f), material.b = 128;
    const vk::Vec3 centre = vk::meshFaceCenter(cube.meshData, faces[f]);
    // Every face in sight is lit on its outer side, whichever way it winds.
    const COLORREF colour = vk::litSurfaceColor(material, centre, vk::vec3Normalize(centre), false);
    if (centre.y > 0.49) top = colour;
    if (centre.y < -0.49) bottom = colour;
    if (std::abs(centre.y) < 0.01) sides.push_back(colour);
  }
  ASSERT_EQ(sides.size(), 4u);
  FrameCanvas canvas(800, 600);
  canvas.draw(objectsOnly());
  const POINT topCentre = vk::projectToScreen({0, 0.5, 0}, canvas.rect());
  const POINT bottomCentre = vk::projectToScreen({0, -0.5, 0}, canvas.rect());
  EXPECT_LT(topCentre.y, bottomCentre.y);
  EXPECT_EQ(canvas.pixel(topCentre.x, topCentre.y), top);
  const COLORREF covering = canvas.pixel(bottomCentre.x, bottomCentre.y);
  EXPECT_NE(covering, bottom);
  EXPECT_NE(std::find(sides.begin(), sides.end(), covering), sides.end());
}

// The pixels where `with` differs from `without`, less a margin of two
// pixels (the silhouette's outline and its neighbours).
std::vector<bool> insideOf(const std::vector<COLORREF>& with, const std::vector<COLORREF>& without, int w, int h) {
  std::vector<bool> inside(with.size(), false);
  for (int y = 2; y + 2 < h; ++y) {
    for (int x = 2; x + 2 < w; ++x) {
      bool all = true;
      for (int dy = -2; dy <= 2 && all; ++dy) {
        for (int dx = -2; dx <= 2 && all; ++dx) all = with[(y + dy) * w + x + dx] != without[(y + dy) * w + x + dx];
      }
      inside[y * w + x] = all;
    }
  }
  return inside;
}

// Pixels in `inside` (and in rows from `fromRow` down) where the two frames differ.
int differencesWithin(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, const std::vector<bool>& inside,
                      int w, int fromRow = 0) {
  int count = 0;
  for (std::size_t i = static_cast<std::size_t>(fromRow) * w; i < a.size(); ++i) count += inside[i] && a[i] != b[i];
  return count;
}

vk::Object& addPrimitive(const wchar_t* primitive, vk::Vec3 position, vk::Vec3 scale, int r, int g, int b) {
  vk::Object& object = vktest::addSceneObject(ObjectKind::Mesh, primitive);
  object.transform.position = position;
  object.transform.scale = scale;
  object.materialSlots.slots.assign(1, vk::Material{});
  object.materialSlots.slots[0].r = r, object.materialSlots.slots[0].g = g, object.materialSlots.slots[0].b = b;
  return object;
}

TEST_F(DepthOrder, SphereBeyondTheFloorsCentreIsNotSunkIntoIt) {
  vktest::resetEmptyScene();
  // Beyond the centre, seen from the default view: along its horizontal direction.
  addPrimitive(L"Sphere", {-1.4, 0, 2.0}, {1, 1, 1}, 200, 120, 60);
  addPrimitive(L"Plane", {0, -1, 0}, {6, 1, 6}, 90, 100, 110).visible = false;
  vk::Object& sphere = appState().project.scene.objects[0];
  FrameCanvas canvas(640, 400);
  canvas.draw(objectsOnly());
  const std::vector<COLORREF> sphereAlone = pixelsOf(canvas);
  sphere.visible = false;
  canvas.draw(objectsOnly());
  const std::vector<COLORREF> empty = pixelsOf(canvas);
  sphere.visible = true;
  appState().project.scene.objects[1].visible = true;
  canvas.draw(objectsOnly());
  const std::vector<COLORREF> both = pixelsOf(canvas);

  const std::vector<bool> inside = insideOf(sphereAlone, empty, 640, 400);
  const int centreRow = vk::projectToScreen(sphere.transform.position, canvas.rect()).y;
  EXPECT_GT(std::count(inside.begin() + centreRow * 640, inside.end(), true), 1000);
  EXPECT_EQ(differencesWithin(both, sphereAlone, inside, 640, centreRow), 0);  // the lower half, floor edges included
  EXPECT_GT(differencesWithin(both, sphereAlone, insideOf(both, sphereAlone, 640, 400), 640), 1000);  // floor shows
}

TEST_F(DepthOrder, TurntableStarterKeepsTheStarterCubeInsideThePlinth) {
  // The turntable starter over a new project, whose cube sits inside the plinth.
  addPrimitive(L"Torus", {0, 1.15, 0}, {0.95, 0.95, 0.95}, 190, 205, 220).transform.rotation = {90, 0, 0};
  addPrimitive(L"Sphere", {0, 1.15, 0}, {0.42, 0.42, 0.42}, 80, 150, 245);
  addPrimitive(L"Cylinder", {0, 0.35, 0}, {1.6, 0.3, 1.6}, 28, 32, 42);
  addPrimitive(L"Plane", {0, -0.02, 0}, {5.0, 1, 3.5}, 22, 24, 32);
  auto& objects = appState().project.scene.objects;
  const std::size_t plinth = objects.size() - 2;
  ASSERT_NE(vk::activeCameraObject(), nullptr);
  vk::Object& camera = *vk::findObjectById(appState().project.scene, appState().project.scene.activeCameraId);
  camera.transform.position = {0, 2.1, -6.8};
  camera.transform.rotation = {14, 0, 0};  // looking down at the plinth
  camera.camera.fov = 44;
  camera.camera.aspect = 16.0 / 9.0;
  ASSERT_EQ(objects[0].name, L"Starter Cube");

  const int w = 640, h = 360;
  const std::vector<COLORREF> all = vktest::cameraStill(w, h);
  objects[0].visible = false;
  const std::vector<COLORREF> withoutCube = vktest::cameraStill(w, h);
  for (std::size_t i = 0; i < objects.size(); ++i) objects[i].visible = i == plinth;
  const std::vector<COLORREF> plinthAlone = vktest::cameraStill(w, h);
  objects[plinth].visible = false;
  const std::vector<COLORREF> nothing = vktest::cameraStill(w, h);

  const std::vector<bool> inside = insideOf(plinthAlone, nothing, w, h);
  EXPECT_GT(std::count(inside.begin(), inside.end(), true), 2000);
  EXPECT_EQ(differencesWithin(all, withoutCube, inside, w), 0);
}

TEST_F(DepthOrder, CubeThroughAPlaneShowsThePlaneBelowAndTheCubeAbove) {
  vktest::resetEmptyScene();
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  addPrimitive(L"Plane", {0, 0, 0}, {3, 1, 3}, 220, 40, 40);
  addPrimitive(L"Cube", {0, 0, 0}, {1, 1, 1}, 40, 60, 230);
  const vk::Object& plane = appState().project.scene.objects[0];
  const vk::Object& cube = appState().project.scene.objects[1];
  const COLORREF planeColour = vk::materialShadeColor(plane.materialSlots.slots[0], {0, 1, 0}, false);
  const COLORREF cubeColour = vk::materialShadeColor(cube.materialSlots.slots[0], {0, 0, -1}, false);
  FrameCanvas canvas(640, 400);
  canvas.draw(objectsOnly());
  // The face towards the default view, above and below the plane.
  for (double x : {-0.25, 0.1, 0.3}) {
    const POINT above = vk::projectToScreen({x, 0.25, -0.5}, canvas.rect());
    const POINT below = vk::projectToScreen({x, -0.25, -0.5}, canvas.rect());
    EXPECT_EQ(canvas.pixel(above.x, above.y), cubeColour) << x;
    EXPECT_EQ(canvas.pixel(below.x, below.y), planeColour) << x;
  }
}

TEST_F(DepthOrder, HiddenEdgesLeaveTheFrontFaceAloneButShowInWireframe) {
  vktest::resetEmptyScene();
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  addPrimitive(L"Cube", {0, 0, 0}, {2, 2, 2}, 72, 132, 220);
  // A small cube and a plane (every edge drawn) straight behind it.
  addPrimitive(L"Cube", {0.2, 0.1, 5}, {0.6, 0.6, 0.6}, 230, 200, 40).visible = false;
  vk::Object& back = addPrimitive(L"Plane", {-0.1, 0, 4}, {0.9, 1, 0.9}, 230, 200, 40);  // the last one added
  back.transform.rotation = {90, 0, 0};
  back.visible = false;
  for (auto mode : {vk::ViewportShadingMode::Lit, vk::ViewportShadingMode::Solid, vk::ViewportShadingMode::Wireframe}) {
    appState().project.scene.viewportShadingMode = mode;
    auto& objects = appState().project.scene.objects;
    objects[0].visible = false;
    FrameCanvas canvas(500, 400);
    canvas.draw(objectsOnly());
    const std::vector<COLORREF> empty = pixelsOf(canvas);
    objects[0].visible = true;
    canvas.draw(objectsOnly());
    const std::vector<COLORREF> front = pixelsOf(canvas);
    objects[1].visible = objects[2].visible = true;
    canvas.draw(objectsOnly());
    const std::vector<COLORREF> withBack = pixelsOf(canvas);
    objects[1].visible = objects[2].visible = false;
    // In wireframe the front square's inside is the background: take its silhouette from Lit.
    if (mode == vk::ViewportShadingMode::Wireframe) {
      const POINT a = vk::projectToScreen({-0.8, -0.8, -1}, canvas.rect());
      const POINT b = vk::projectToScreen({0.8, 0.8, -1}, canvas.rect());
      std::vector<bool> square(front.size(), false);
      for (int y = b.y; y <= a.y; ++y) {
        for (int x = a.x; x <= b.x; ++x) square[static_cast<std::size_t>(y * 500 + x)] = true;
      }
      EXPECT_GT(differencesWithin(withBack, front, square, 500), 50);
    } else {
      const std::vector<bool> inside = insideOf(front, empty, 500, 400);
      EXPECT_GT(std::count(inside.begin(), inside.end(), true), 10000);
      EXPECT_EQ(differencesWithin(withBack, front, inside, 500), 0) << static_cast<int>(mode);
    }
  }
}

TEST_F(DepthOrder, TranslucentGlassTintsTheCubeBehindItInAnyListOrder) {
  vktest::resetEmptyScene();
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  addPrimitive(L"Cube", {0, 0, 0}, {1, 1, 1}, 230, 20, 20);
  FrameCanvas canvas(400, 300);
  const POINT onCube = vk::projectToScreen({0.1, 0.1, -0.5}, canvas.rect());
  const POINT besideCube = vk::projectToScreen({0.8, 0.1, -1.5}, canvas.rect());
  canvas.draw(objectsOnly());
  const COLORREF red = canvas.pixel(onCube.x, onCube.y);
  const COLORREF background = canvas.pixel(besideCube.x, besideCube.y);
  vk::Object glass = addPrimitive(L"Plane", {0, 0, -1.5}, {1.3, 1, 1.3}, 60, 140, 255);
  glass.transform.rotation = {90, 0, 0};  // upright, between the view and the cube
  glass.materialSlots.slots[0].alpha = 0.4;
  appState().project.scene.objects.pop_back();
  for (bool glassFirst : {false, true}) {
    auto& objects = appState().project.scene.objects;
    objects.insert(glassFirst ? objects.begin() : objects.end(), glass);
    canvas.draw(objectsOnly());
    const COLORREF tinted = canvas.pixel(onCube.x, onCube.y);
    EXPECT_GT(GetRValue(tinted), GetRValue(red) / 2) << glassFirst;  // the red cube still shows
    EXPECT_GT(GetBValue(tinted), GetBValue(red) + 20) << glassFirst;  // through blue glass
    EXPECT_NE(canvas.pixel(besideCube.x, besideCube.y), background);  // the glass itself shows
    objects.erase(glassFirst ? objects.begin() : objects.end() - 1);
  }
}

// Pixels of the near object's silhouette that the far object changes,
// drawn by `frame` with the far object, the near one, both or neither.
template <class Frame>
int farPixelsOverNear(vk::Object& far, vk::Object& near, int w, int h, const Frame& frame) {
  far.visible = false;
  near.visible = false;
  const std::vector<COLORREF> nothing = frame();
  near.visible = true;
  const std::vector<COLORREF> nearAlone = frame();
  far.visible = true;
  const std::vector<COLORREF> both = frame();
  const std::vector<bool> inside = insideOf(nearAlone, nothing, w, h);
  EXPECT_GT(std::count(inside.begin(), inside.end(), true), 200);
  return differencesWithin(both, nearAlone, inside, w);
}

TEST_F(DepthOrder, BentCylinderCapBehindASphereStaysHiddenInCameraViewAndStills) {
  // New Project, a cylinder moved back and bent by 105 degrees, a sphere in
  // front, seen through the camera: the bent cap's 18 corners leave its plane.
  vk::Object& cylinder = addPrimitive(L"Cylinder", {0, 0, 2.5}, {1, 2, 1}, 200, 70, 60);
  cylinder.transform.rotation = {0, 0, 30};
  vk::Modifier bend = vk::createModifierEntry(cylinder, L"Bend");
  vk::setModifierParamNumber(bend, L"angle", 105);
  cylinder.modifierStack.entries.push_back(bend);
  addPrimitive(L"Sphere", {0, 1.25, 0}, {1, 1, 1}, 60, 190, 90);
  appState().cameraView = true;
  FrameCanvas viewport(1100, 645);
  auto frame = [&] {
    viewport.draw(objectsOnly());
    return pixelsOf(viewport);
  };
  auto& objects = appState().project.scene.objects;
  EXPECT_EQ(farPixelsOverNear(objects[3], objects[4], 1100, 645, frame), 0);
  auto still = [] { return vktest::cameraStill(1920, 1080); };
  EXPECT_EQ(farPixelsOverNear(objects[3], objects[4], 1920, 1080, still), 0);
}

TEST_F(DepthOrder, SaddleQuadShowsNoDiagonalOpaqueOrTranslucent) {
  vktest::resetEmptyScene();
  appState().viewPitch = 90.0;  // straight down
  appState().orthographic = true;
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  vk::MeshData saddle = vktest::gridMesh(1, 1, 1.0);
  for (vk::Vec3& v : saddle.vertices.write()) v.y = v.x * v.z * 0.3;
  vk::Object& quad = vktest::addMeshObject(L"Saddle", saddle);
  quad.materialSlots.slots.assign(1, vk::Material{});
  FrameCanvas canvas(200, 200);
  const POINT centre = vk::projectToScreen({0, 0, 0}, canvas.rect());
  const POINT aside = vk::projectToScreen({0.5, 0, 0}, canvas.rect());  // off both diagonals
  for (double alpha : {1.0, 0.5}) {
    appState().project.scene.objects[0].materialSlots.slots[0].alpha = alpha;
    canvas.draw(objectsOnly());
    EXPECT_EQ(canvas.pixel(centre.x, centre.y), canvas.pixel(aside.x, aside.y)) << alpha;
  }
}

// Triangles as sets of corners, whatever their order.
std::set<std::set<std::uint32_t>> cornerSets(const std::vector<vk::CornerTriangle>& triangles) {
  std::set<std::set<std::uint32_t>> sets;
  for (const vk::CornerTriangle& t : triangles) sets.insert({t[0], t[1], t[2]});
  return sets;
}

TEST_F(DepthOrder, FacesThatAreNotFlatHideBehindANearerQuadFromAnyView) {
  // Hand-made n-gons, convex and not, with corners up to a fifth of their
  // size off any plane, seen nearly edge-on from random views: a quad square
  // to the view, nearer than the n-gon by more than the n-gon's own depth,
  // hides it wherever it covers it. A face cut into triangles is cut as the
  // exports cut it (corners mirrored in z and wound back after corner 0).
  std::mt19937 rng(50);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int w = 320, h = 240, trials = 48;
  int cut = 0;
  for (int trial = 0; trial < trials; ++trial) {
    SCOPED_TRACE(trial);
    vktest::resetEmptyScene();
    appState().viewYaw = 360.0 * unit(rng);
    appState().viewPitch = -10.0 + 20.0 * unit(rng);
    appState().orthographic = trial % 3 == 0;
    const int n = 4 + trial % 7;
    vk::MeshData mesh;
    std::vector<vk::Vec3> exported(static_cast<std::size_t>(n));
    mesh.faces.write().emplace_back();
    for (int i = 0; i < n; ++i) {
      const double a = 2 * vk::kPi * (i + 0.3 * unit(rng)) / n, r = trial % 2 ? 0.4 + 0.6 * unit(rng) : 1.0;
      const vk::Vec3 v{r * std::cos(a), 0.4 * (unit(rng) - 0.5), r * std::sin(a)};
      mesh.vertices.write().push_back(v);
      mesh.faces.write()[0].indices.push_back(i);
      exported[static_cast<std::size_t>(i == 0 ? 0 : n - i)] = {v.x, v.y, -v.z};
    }
    const vk::Object& far = vktest::addMeshObject(L"Ngon", mesh);
    FrameCanvas canvas(w, h);
    const vk::ViewContext view = vk::makeViewContext(canvas.rect());
    std::vector<POINT> points, subPixels;
    std::vector<double> depths;
    vk::projectMeshVertices(far, view, points, depths, nullptr, &subPixels);
    const auto faces = vk::buildProjectedFaces(far, view, subPixels, depths, 1, canvas.rect());
    if (!faces.empty() && !faces[0].triangles.empty()) {
      ++cut;
      std::vector<vk::CornerTriangle> drawn, expected;
      for (const vk::DepthTriangle& t : faces[0].triangles) drawn.push_back(t.corners);
      vk::triangulatePolygon(exported, expected);
      for (vk::CornerTriangle& t : expected) {
        for (std::uint32_t& c : t) c = c == 0 ? 0 : static_cast<std::uint32_t>(n) - c;
      }
      EXPECT_EQ(cornerSets(drawn), cornerSets(expected));
    }
    // The quad, from view space (a rotation of the world) back to the world.
    double nearest = INFINITY, farthest = -INFINITY;
    for (const vk::Vec3& v : mesh.vertices.read()) {
      nearest = std::min(nearest, vk::viewSpaceWith(view, v).z);
      farthest = std::max(farthest, vk::viewSpaceWith(view, v).z);
    }
    const vk::Vec3 o = vk::viewSpaceWith(view, {0, 0, 0});
    const vk::Vec3 axes[3] = {vk::viewSpaceWith(view, {1, 0, 0}) - o, vk::viewSpaceWith(view, {0, 1, 0}) - o,
                              vk::viewSpaceWith(view, {0, 0, 1}) - o};
    const double z = nearest - (farthest - nearest) - 0.5, s = 0.35 + 0.3 * unit(rng);
    vk::MeshData quad = vktest::gridMesh(1, 1, 1.0);
    for (vk::Vec3& v : quad.vertices.write()) {
      const vk::Vec3 d{s * v.x, s * v.z, z - o.z};  // about the view's axis through the origin
      v = {vk::vec3Dot(d, axes[0]), vk::vec3Dot(d, axes[1]), vk::vec3Dot(d, axes[2])};
    }
    vktest::addMeshObject(L"Quad", quad);
    auto& objects = appState().project.scene.objects;
    for (const vk::Vec3& v : objects[1].meshData.vertices.read()) ASSERT_NEAR(vk::viewSpaceWith(view, v).z, z, 1e-9);
    auto frame = [&] {
      canvas.draw(objectsOnly());
      return pixelsOf(canvas);
    };
    EXPECT_EQ(farPixelsOverNear(objects[0], objects[1], w, h, frame), 0);
  }
  EXPECT_GT(cut, trials / 2);
}

}  // namespace
