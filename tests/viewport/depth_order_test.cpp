// Objects hide each other by depth: one far-to-near fill order across the
// meshes of a frame and of a still, ties in list order, repeatable frames;
// and the orbit view looks down on its pivot.
#include <cstring>

#include "model/mesh_data.h"
#include "model/objects.h"
#include "platform/headless.h"
#include "shading/materials.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::FrameCanvas;
using vktest::objectsOnly;

class DepthOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    appState() = vk::AppState{};
    vk::resetToNewProject();  // cube at the origin, camera, light
  }
  void TearDown() override { vk::headless::stop(); }
};

// The camera still as COLORREFs, row by row.
std::vector<COLORREF> cameraStill(int w, int h) {
  std::wstring message;
  HBITMAP still = vk::renderStillImage(w, h, /*fromCamera=*/true, /*crop=*/true, message);
  EXPECT_NE(still, nullptr);
  std::vector<COLORREF> pixels;
  if (!still) return pixels;
  BITMAP info{};
  GetObjectW(still, sizeof info, &info);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  for (int i = 0; i < w * h; ++i) pixels.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
  DeleteObject(still);
  return pixels;
}

TEST_F(DepthOrder, FloorCreatedAfterTheCubeStaysBelowItInTheStill) {
  vk::Object floor = vk::makeObject(ObjectKind::Mesh, L"Plane");
  floor.transform.position = {0, -0.5, 0};
  floor.transform.scale = {4, 1, 4};
  appState().project.scene.objects.push_back(floor);
  const int w = 320, h = 180;  // the camera's own 16:9, so the frame's projection is the still's
  const std::vector<COLORREF> withFloor = cameraStill(w, h);
  appState().project.scene.objects.back().visible = false;
  const std::vector<COLORREF> withoutFloor = cameraStill(w, h);
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

}  // namespace
