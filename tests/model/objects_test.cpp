// Ids, creation, the new project and the object commands, run with no window.
#include <gtest/gtest.h>

#include <array>

#include "model/curves.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "scene_fixture.h"

namespace vk {
namespace {

using ObjectsTest = SceneTest;

TEST_F(ObjectsTest, NewProjectHoldsTheThreeStarterObjectsAndIsClean) {
  create(ObjectKind::Mesh, L"Sphere");
  app().projectPath = L"C:/p/old.json";
  app().cameraView = true;
  app().activeMaterialSlotIndex = 2;
  resetToNewProject();
  const auto& objects = scene().objects;
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].id, L"obj-1");
  EXPECT_EQ(objects[0].name, L"Starter Cube");
  EXPECT_EQ(objects[0].mesh.primitive, L"Cube");
  // The default material values, mirrored from its slot as a reopen leaves them.
  Material defaults;
  ensureMaterialTextureMaps(defaults);
  EXPECT_EQ(objects[0].material, defaults);
  EXPECT_EQ(objects[0].materialSlots.slots.at(0), defaults);
  EXPECT_EQ(objects[1].id, L"obj-2");
  EXPECT_EQ(objects[1].kind, ObjectKind::Camera);
  EXPECT_EQ(objects[2].id, L"obj-3");
  EXPECT_EQ(objects[2].name, L"Point Light");
  EXPECT_EQ(objects[2].light.type, L"Point");
  EXPECT_DOUBLE_EQ(objects[2].light.intensity, 2.5);
  EXPECT_DOUBLE_EQ(objects[2].light.areaSize, 1.0);
  EXPECT_EQ(app().selectedObjectId, L"obj-1");
  EXPECT_EQ(scene().activeCameraId, L"obj-2");
  EXPECT_EQ(scene().collections.size(), 1u);
  EXPECT_EQ(scene().collections[0].objectIds, (std::vector<std::wstring>{L"obj-1", L"obj-2", L"obj-3"}));
  EXPECT_EQ(app().nextObjectNumber, 4u);
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_TRUE(app().redoStack.empty());
  EXPECT_EQ(app().projectPath, L"");
  EXPECT_FALSE(app().cameraView);
  EXPECT_EQ(app().activeMaterialSlotIndex, 2);  // not part of the reset
  EXPECT_FALSE(app().dirty);
  EXPECT_EQ(app().statusText, L"●  Ready");
  EXPECT_EQ(app().dirtyBadgeText, L"Saved");
}

TEST_F(ObjectsTest, CreationDefaultsByKindAndName) {
  struct Case {
    ObjectKind kind;
    const wchar_t* name;
    const wchar_t* primitive;
    std::int32_t r, g, b;
    double roughness;
  };
  const Case cases[] = {
      {ObjectKind::Mesh, L"Cube", L"Cube", 72, 132, 220, 0.55},
      {ObjectKind::Mesh, L"cube", L"Cube", 72, 132, 220, 0.55},
      {ObjectKind::Mesh, L"Plane", L"Plane", 80, 180, 150, 0.55},
      {ObjectKind::Mesh, L"Sphere", L"Sphere", 180, 110, 230, 0.55},
      {ObjectKind::Mesh, L"Cylinder", L"Cylinder", 225, 150, 70, 0.55},
      {ObjectKind::Mesh, L"Cone", L"Cone", 220, 95, 85, 0.55},
      {ObjectKind::Mesh, L"Torus", L"Torus", 100, 205, 240, 0.5},
      {ObjectKind::Text, L"Text", L"Text", 245, 230, 120, 0.35},
      {ObjectKind::Curve, L"Bezier", L"Curve", 105, 210, 255, 0.4},
      {ObjectKind::Group, L"Group", L"Group", 120, 170, 255, 0.4},
      {ObjectKind::Empty, L"Empty", L"Cube", 72, 132, 220, 0.55},
      {ObjectKind::Camera, L"Camera", L"Cube", 72, 132, 220, 0.55},
  };
  for (const Case& c : cases) {
    const std::size_t before = app().undoStack.size();
    const std::wstring id = create(c.kind, c.name);
    const Object& o = object(id);
    SCOPED_TRACE(std::string(id.begin(), id.end()));
    EXPECT_EQ(o.kind, c.kind);
    EXPECT_EQ(o.mesh.primitive, c.primitive);
    EXPECT_EQ((std::array<std::int32_t, 3>{o.material.r, o.material.g, o.material.b}),
              (std::array<std::int32_t, 3>{c.r, c.g, c.b}));
    EXPECT_DOUBLE_EQ(o.material.roughness, c.roughness);
    EXPECT_EQ(o.materialSlots.slots.size(), 1u);
    EXPECT_EQ(o.mesh.vertices, static_cast<std::int32_t>(o.meshData.vertices.size()));
    EXPECT_EQ(app().undoStack.size(), before + 1);
    EXPECT_TRUE(app().dirty);
    EXPECT_EQ(app().statusText, L"●  Unsaved changes");
    EXPECT_EQ(app().dirtyBadgeText, L"Unsaved");
    EXPECT_EQ(scene().collections[0].objectIds.back(), id);
  }
  EXPECT_EQ(object(create(ObjectKind::Mesh, L"Sphere")).meshData.vertices.size(), 62u);
  EXPECT_EQ(object(create(ObjectKind::Curve, L"Circle")).curveData.type, L"Circle");
  const Object& camera = object(create(ObjectKind::Camera, L"Camera"));
  EXPECT_EQ(camera.transform.position, (Vec3{0, 2, -6}));
  EXPECT_EQ(camera.transform.rotation, (Vec3{15, 0, 0}));
}

TEST_F(ObjectsTest, LightTypeComesFromTheName) {
  const Object& directional = object(create(ObjectKind::Light, L"Directional Light"));
  EXPECT_EQ(directional.light.type, L"Directional");
  EXPECT_DOUBLE_EQ(directional.light.intensity, 1.2);
  EXPECT_DOUBLE_EQ(directional.light.range, 50.0);
  EXPECT_EQ(directional.transform.rotation, (Vec3{-35, -35, 0}));
  EXPECT_EQ(directional.transform.position, (Vec3{3, 4, -3}));
  const Object& area = object(create(ObjectKind::Light, L"Area Light"));
  EXPECT_DOUBLE_EQ(area.light.intensity, 3.0);
  EXPECT_DOUBLE_EQ(area.light.areaSize, 2.5);
  EXPECT_EQ(area.transform.rotation, (Vec3{0, 0, 0}));
  EXPECT_EQ(object(create(ObjectKind::Light, L"Spot Area")).light.type, L"Spot");
  EXPECT_EQ(object(create(ObjectKind::Light, L"spot light")).light.type, L"Point");
}

TEST_F(ObjectsTest, CamerasBecomeActiveOnlyWhenNoneIs) {
  create(ObjectKind::Camera, L"Camera");
  EXPECT_EQ(scene().activeCameraId, L"obj-2");
  scene().activeCameraId.clear();
  const std::wstring second = create(ObjectKind::Camera, L"Camera");
  EXPECT_EQ(scene().activeCameraId, second);
}

TEST_F(ObjectsTest, GroupTakesTheSelectionAsChild) {
  addGroupObject();
  const Object& group = object(app().selectedObjectId);
  EXPECT_EQ(group.name, L"Starter Cube Group");
  EXPECT_EQ(object(L"obj-1").parentId, group.id);
  EXPECT_TRUE(group.parentId.empty());

  // A child of another object moves into the new group; the group stays on top.
  object(L"obj-3").parentId = L"obj-2";
  object(L"obj-3").transform.position = {1, 2, 3};
  app().selectedObjectId = L"obj-3";
  addGroupObject();
  const Object& second = object(app().selectedObjectId);
  EXPECT_EQ(second.transform.position, (Vec3{1, 2, 3}));
  EXPECT_EQ(object(L"obj-3").parentId, second.id);
  EXPECT_TRUE(second.parentId.empty());

  app().selectedObjectId.clear();
  addGroupObject();
  const Object& lone = object(app().selectedObjectId);
  EXPECT_EQ(lone.name, L"Group");
  EXPECT_EQ(lone.transform.position, (Vec3{0, 0, 0}));
  EXPECT_EQ(app().statusText, L"●  Unsaved changes");
}

TEST_F(ObjectsTest, DuplicateCopiesEverythingButTheIdNameAndX) {
  object(L"obj-1").transform.position.x = 2.0;
  object(L"obj-1").parentId = L"obj-3";
  TransformKeyframe key;
  key.id = L"tkey-1";
  object(L"obj-1").transformAnimation.keyframes = {key};
  app().selectedObjectId = L"obj-1";
  duplicateSelectedObject();
  const Object& copy = scene().objects.back();
  EXPECT_EQ(copy.id, L"obj-4");
  EXPECT_EQ(copy.name, L"Starter Cube Copy");
  EXPECT_DOUBLE_EQ(copy.transform.position.x, 3.35);
  EXPECT_EQ(copy.parentId, L"obj-3");
  EXPECT_EQ(copy.transformAnimation.keyframes[0].id, L"tkey-1");
  EXPECT_EQ(app().selectedObjectId, L"obj-4");
  EXPECT_EQ(scene().collections[0].objectIds.back(), L"obj-4");
  EXPECT_TRUE(copy.meshData.vertices.sharesWith(object(L"obj-1").meshData.vertices));

  app().selectedObjectId = L"obj-2";
  duplicateSelectedObject();
  EXPECT_EQ(scene().activeCameraId, L"obj-2");

  const std::size_t snapshots = app().undoStack.size();
  app().selectedObjectId = L"missing";
  duplicateSelectedObject();
  EXPECT_EQ(app().undoStack.size(), snapshots);
}

TEST_F(ObjectsTest, DeleteKeepsChildrenAndNeverTheLastObject) {
  object(L"obj-3").parentId = L"obj-1";
  app().selectedObjectId = L"obj-1";
  app().selectedVertices = {1};
  deleteSelectedObject();
  EXPECT_EQ(findObjectById(L"obj-1"), nullptr);
  EXPECT_EQ(object(L"obj-3").parentId, L"");
  EXPECT_EQ(scene().collections[0].objectIds, (std::vector<std::wstring>{L"obj-2", L"obj-3"}));
  EXPECT_EQ(app().selectedObjectId, L"obj-2");
  EXPECT_TRUE(app().selectedVertices.empty());
  EXPECT_EQ(app().statusText, L"●  Unsaved changes");

  app().selectedObjectId = L"obj-3";
  deleteSelectedObject();
  ASSERT_EQ(scene().objects.size(), 1u);
  const std::size_t snapshots = app().undoStack.size();
  deleteSelectedObject();  // the last object stays, not even a snapshot
  EXPECT_EQ(scene().objects.size(), 1u);
  EXPECT_EQ(app().undoStack.size(), snapshots);
}

TEST_F(ObjectsTest, DeletingTheActiveCameraPicksTheNextOrEndsCameraView) {
  const std::wstring second = create(ObjectKind::Camera, L"Camera");
  app().cameraView = true;
  app().selectedObjectId = L"obj-2";
  deleteSelectedObject();
  EXPECT_EQ(scene().activeCameraId, second);
  EXPECT_TRUE(app().cameraView);
  app().selectedObjectId = second;
  deleteSelectedObject();
  EXPECT_EQ(scene().activeCameraId, L"");
  EXPECT_FALSE(app().cameraView);
}

TEST_F(ObjectsTest, CameraCommandsReportAndMarkDirtyOnlyWhenTheyChangeTheDocument) {
  setDirty(false);
  app().selectedObjectId = L"obj-1";
  setSelectedCameraActive();
  EXPECT_EQ(app().statusText, L"●  Select a camera before setting the active camera");
  app().selectedObjectId = L"obj-2";
  setSelectedCameraActive();
  EXPECT_EQ(app().statusText, L"●  Selected camera is already active");
  EXPECT_FALSE(app().dirty);
  EXPECT_TRUE(app().undoStack.empty());

  const std::wstring second = create(ObjectKind::Camera, L"Camera");
  setSelectedCameraActive();
  EXPECT_EQ(scene().activeCameraId, second);
  EXPECT_EQ(app().statusText, L"●  Active camera set to selected camera");

  app().cameraView = true;
  clearActiveCamera();
  EXPECT_EQ(scene().activeCameraId, L"");
  EXPECT_FALSE(app().cameraView);
  EXPECT_EQ(app().statusText, L"●  Active camera cleared; Camera View disabled");
  const std::size_t snapshots = app().undoStack.size();
  clearActiveCamera();
  EXPECT_EQ(app().statusText, L"●  No active camera to clear");
  EXPECT_EQ(app().undoStack.size(), snapshots);
}

TEST_F(ObjectsTest, ToggleCameraViewRepairsTheActiveCameraWithoutASnapshot) {
  setDirty(false);
  scene().activeCameraId.clear();
  toggleCameraView();
  EXPECT_EQ(scene().activeCameraId, L"obj-2");
  EXPECT_TRUE(app().cameraView);
  EXPECT_EQ(app().statusText, L"●  Camera View enabled");
  toggleCameraView();
  EXPECT_EQ(app().statusText, L"●  Camera View disabled");
  EXPECT_FALSE(app().dirty);
  EXPECT_TRUE(app().undoStack.empty());

  app().selectedObjectId = L"obj-2";
  deleteSelectedObject();
  app().cameraView = true;
  toggleCameraView();
  EXPECT_FALSE(app().cameraView);
  EXPECT_EQ(app().statusText, L"●  Add or activate a camera before using Camera View");
}

TEST_F(ObjectsTest, IdCounterFollowsTheLargestNumberInUse) {
  auto withIds = [&](std::initializer_list<const wchar_t*> ids) {
    scene().objects.clear();
    for (const wchar_t* id : ids) {
      Object o;
      o.id = id;
      scene().objects.push_back(o);
    }
    recalcNextObjectId();
    return app().nextObjectNumber;
  };
  EXPECT_EQ(withIds({L"obj-7", L"obj-restored", L"obj-12x"}), 13u);
  EXPECT_EQ(withIds({L"obj--4"}), 1u);
  EXPECT_EQ(withIds({L"obj-+-9", L"obj-"}), 1u);
  EXPECT_EQ(withIds({L"obj- 9"}), 10u);
  EXPECT_EQ(withIds({L"obj-99999999999", L"obj-3"}), 4u);
  EXPECT_EQ(withIds({}), 1u);

  // 64-bit arithmetic: the number after the largest 32-bit one.
  withIds({L"obj-2147483647"});
  EXPECT_EQ(makeObjectId(), L"obj-2147483648");

  // An id that is in use (its number was not counted) is never handed out.
  withIds({L"obj-2", L"obj-0002"});
  scene().objects[1].id = L"obj-3";
  app().nextObjectNumber = 2;
  EXPECT_EQ(makeObjectId(), L"obj-4");
  EXPECT_EQ(app().nextObjectNumber, 5u);
}

}  // namespace
}  // namespace vk
