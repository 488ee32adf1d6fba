// What frames keep between them (each mesh's projection and feature edges,
// text layouts) never shows: a crowded scene of every kind, labels and
// corner texts on, paints the same pixels warm as from empty caches, and
// again after each kind of change a user or a command makes.
#include <cstdint>
#include <string>
#include <vector>

#include "model/sanitize.h"
#include "shading/modifiers.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::addSceneObject;
using vktest::FrameCanvas;

class KeptFrameData : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    buildCrowd();
  }

  // A 20 x 16 grid of objects: every mesh primitive, edited meshes, text,
  // curves, cameras, lights, empties, one modifier stack; a selected mesh.
  static void buildCrowd() {
    static const wchar_t* const kMeshes[] = {L"Cube", L"Plane", L"Sphere", L"Cylinder", L"Cone", L"Torus"};
    for (int i = 0; i < 320; ++i) {
      const int kind = i % 16;
      vk::Object* object = nullptr;
      if (kind < 11) {
        object = &addSceneObject(ObjectKind::Mesh, kMeshes[kind % 6]);
      } else if (kind == 11) {
        object = &addSceneObject(ObjectKind::Text, L"Text");
      } else if (kind == 12) {
        object = &addSceneObject(ObjectKind::Curve, L"Curve");
      } else if (kind == 13) {
        object = &addSceneObject(ObjectKind::Light, L"Point Light");
        object->light.range = 6.0;
      } else if (kind == 14) {
        object = &addSceneObject(ObjectKind::Camera, L"Camera");
      } else {
        object = &addSceneObject(ObjectKind::Empty, L"Empty");
      }
      object->transform.position = {(i % 20 - 10) * 0.6, 0.3 * (i % 3), (i / 20 - 8) * 0.6};
      object->transform.rotation = {7.0 * (i % 5), 11.0 * (i % 7), 0.0};
      object->transform.scale = {0.3, 0.3, 0.3};
      if (i % 13 == 0) object->material.alpha = 0.5;  // translucent faces in the mix
    }
    auto& objects = appState().project.scene.objects;
    vk::Object& stacked = objects[12];
    stacked.modifierStack.entries.push_back(vk::createModifierEntry(stacked, L"Array"));
    appState().selectedObjectId = objects[33].id;
  }

  // The frame as a fresh start paints it, the kept data left as it was.
  static std::vector<std::uint32_t> pixels(const FrameCanvas& canvas) {
    return {canvas.bits, canvas.bits + static_cast<std::size_t>(canvas.width) * canvas.height};
  }

  static std::vector<std::uint32_t> freshFrame(FrameCanvas& canvas) {
    const auto kept = appState().viewportCaches;
    appState().viewportCaches.reset();
    canvas.draw();
    std::vector<std::uint32_t> fresh = pixels(canvas);
    appState().viewportCaches = kept;
    return fresh;
  }

  // Empty when equal, else how many pixels differ and where the first is.
  static std::string difference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                                int width) {
    std::size_t count = 0, first = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] == b[i]) continue;
      if (count++ == 0) first = i;
    }
    if (count == 0) return {};
    return std::to_string(count) + " pixels differ, first at (" + std::to_string(first % width) + ", " +
           std::to_string(first / width) + ")";
  }

  // Two frames over what earlier frames kept, each equal to a fresh one;
  // the picture must have changed since the previous step.
  void expectWarmFramesFresh(FrameCanvas& canvas, const char* step) {
    SCOPED_TRACE(step);
    canvas.draw();
    const std::vector<std::uint32_t> first = pixels(canvas);
    canvas.draw();
    const std::vector<std::uint32_t> second = pixels(canvas);
    const std::vector<std::uint32_t> fresh = freshFrame(canvas);
    EXPECT_EQ(difference(first, fresh, canvas.width), "");
    EXPECT_EQ(difference(second, fresh, canvas.width), "");
    if (previous.size() == fresh.size()) {
      EXPECT_NE(difference(previous, fresh, canvas.width), "");
    }
    previous = fresh;
  }

  std::vector<std::uint32_t> previous;

  static vk::Object& objectAt(std::size_t index) { return appState().project.scene.objects[index]; }
};

TEST_F(KeptFrameData, CrowdedSceneWarmEqualsFresh) {
  FrameCanvas canvas(640, 400);
  for (auto mode : {vk::ViewportShadingMode::Lit, vk::ViewportShadingMode::Solid,
                    vk::ViewportShadingMode::Wireframe, vk::ViewportShadingMode::MaterialPreview}) {
    appState().project.scene.viewportShadingMode = mode;
    expectWarmFramesFresh(canvas, "shading mode");
  }
  appState().orthographic = true;
  expectWarmFramesFresh(canvas, "orthographic");
  FrameCanvas wide(700, 300);  // another client rectangle
  expectWarmFramesFresh(wide, "resized");
}

TEST_F(KeptFrameData, EditsBetweenFramesShowAtOnce) {
  FrameCanvas canvas(640, 400);
  expectWarmFramesFresh(canvas, "start");

  // Objects 160 to 175 stand in the middle row: meshes, then text, a
  // curve, a light, a camera and an empty.
  // A vertex written in place: the mesh's arrays are owned by the object alone.
  objectAt(166).meshData.vertices.write()[0].y += 0.8;
  expectWarmFramesFresh(canvas, "vertex moved in place");
  objectAt(168).meshData.faces.write().resize(40);
  vk::rebuildMeshData(objectAt(168));
  expectWarmFramesFresh(canvas, "faces removed");
  objectAt(164).transform.position.x += 0.3;
  expectWarmFramesFresh(canvas, "moved");
  objectAt(165).transform.rotation.y += 40.0;
  objectAt(169).transform.scale = {0.5, 0.2, 0.5};
  expectWarmFramesFresh(canvas, "turned and scaled");
  objectAt(170).material = vk::Material{};
  objectAt(170).materialSlots.slots.clear();
  expectWarmFramesFresh(canvas, "material");
  objectAt(167).materialSlots.slots[0].r = 250;
  objectAt(167).materialSlots.slots.push_back(vk::Material{});
  expectWarmFramesFresh(canvas, "slot colour");
  objectAt(167).meshData.faces.write()[0].materialIndex = 1;  // the edges stay as they were
  expectWarmFramesFresh(canvas, "face material");
  ASSERT_EQ(objectAt(173).kind, ObjectKind::Light);
  objectAt(173).transform.position.y += 1.0;
  objectAt(189).light.intensity *= 3.0;
  expectWarmFramesFresh(canvas, "lights");

  appState().selectedObjectId = objectAt(166).id;
  appState().workMode = vk::WorkMode::EditMesh;  // every edge of the selected mesh
  expectWarmFramesFresh(canvas, "edit mode");
  appState().workMode = vk::WorkMode::Object;
  objectAt(168).visible = false;
  objectAt(171).name = L"Renamed";  // a Text object: its label stays "Text"
  appState().selectedObjectId = objectAt(171).id;
  expectWarmFramesFresh(canvas, "hidden, renamed and selected");

  // Objects shift to other places in the list.
  auto& objects = appState().project.scene.objects;
  objects.erase(objects.begin() + 165);
  expectWarmFramesFresh(canvas, "object deleted");
  objects.insert(objects.begin() + 150, vk::makeObject(ObjectKind::Mesh, L"Torus"));
  expectWarmFramesFresh(canvas, "object inserted");
  objects.resize(100);
  expectWarmFramesFresh(canvas, "scene shortened");

  appState().viewYaw += 17.0;
  appState().viewPitch -= 5.0;
  expectWarmFramesFresh(canvas, "orbit");
  appState().viewZoom = 1.7;
  appState().viewPanX = 33.0;
  expectWarmFramesFresh(canvas, "zoom and pan");
  std::size_t cameraIndex = 0;
  while (objectAt(cameraIndex).kind != ObjectKind::Camera) ++cameraIndex;
  vk::Object& camera = objectAt(cameraIndex);
  appState().project.scene.activeCameraId = camera.id;
  appState().cameraView = true;
  expectWarmFramesFresh(canvas, "camera view");
  camera.transform.position.z -= 3.0;
  expectWarmFramesFresh(canvas, "camera moved");
}

}  // namespace

namespace {

// Meshes past the edges of what the DC shows queue nothing; those that
// reach into it by a pixel or a pen's width still draw, so a frame on a
// canvas that shows more of the plane is the same inside the client area.
TEST(KeptFrameCulling, EdgeMeshesDrawAsOnALargerCanvas) {
  vktest::resetEmptyScene();
  for (int i = 0; i < 900; ++i) {
    vk::Object& cube = addSceneObject(ObjectKind::Mesh, L"Cube");
    cube.transform.position = {(i % 30 - 15) * 0.37, 0.0, (i / 30 - 15) * 0.37};
    cube.transform.scale = {0.12, 0.12, 0.12};
  }
  FrameCanvas exact(300, 200);
  FrameCanvas larger(420, 330);
  for (double yaw : {-35.0, 10.0, 47.0}) {
    appState().viewYaw = yaw;
    vk::drawViewportScene(larger.dc, exact.rect(), vktest::objectsOnly());
    exact.draw(vktest::objectsOnly());
    int differing = 0;
    for (int y = 0; y < exact.height; ++y) {
      for (int x = 0; x < exact.width; ++x) differing += exact.pixel(x, y) != larger.pixel(x, y) ? 1 : 0;
    }
    EXPECT_EQ(differing, 0) << "yaw " << yaw;
  }
}

}  // namespace
