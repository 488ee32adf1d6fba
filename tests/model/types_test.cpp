// Defaults of the document types and copy independence through the
// copy-on-write mesh arrays.
#include <gtest/gtest.h>

#include "model/model.h"

namespace vk {
namespace {

TEST(ModelTypes, DefaultsMatchTheDocumentDefaults) {
  Project project;
  EXPECT_EQ(project.app, L"Veltrask Studio");
  EXPECT_EQ(project.phase, 66100);
  EXPECT_EQ(project.schema, 66100);
  EXPECT_TRUE(project.scene.collections.empty());
  EXPECT_TRUE(project.scene.objects.empty());
  EXPECT_EQ(project.scene.viewportShadingMode, ViewportShadingMode::Lit);
  EXPECT_EQ(project.scene.presetBrowser.previewOnly, 1);

  Object object;
  EXPECT_EQ(object.kind, ObjectKind::Mesh);
  EXPECT_EQ(object.mesh.primitive, L"Cube");
  EXPECT_EQ(object.mesh.vertices, 8);
  EXPECT_EQ(object.mesh.edges, 12);
  EXPECT_EQ(object.mesh.faces, 6);
  EXPECT_TRUE(object.meshData.vertices.empty());
  EXPECT_EQ(object.meshData.validation, L"No mesh data");
  EXPECT_EQ(object.transform.scale, (Vec3{1, 1, 1}));
  EXPECT_DOUBLE_EQ(object.camera.aspect, 16.0 / 9.0);
  EXPECT_DOUBLE_EQ(object.light.intensity, 2.0);
  EXPECT_TRUE(object.material.textureMaps.maps.empty());
  EXPECT_EQ(object.cameraAnimation.keyframes.size(), 0u);
  EXPECT_TRUE(object.transformAnimation.enabled);

  CameraKeyframe cameraKey;
  EXPECT_EQ(cameraKey.settings, object.camera);
  LightKeyframe lightKey;
  EXPECT_EQ(lightKey.settings, LightSettings{});
}

}  // namespace
}  // namespace vk

namespace vk {
namespace {

Object cubeObject() {
  Object o;
  o.id = L"obj-1";
  initMeshData(o);
  o.materialSlots.slots.push_back(Material{});
  TransformKeyframe key;
  key.id = transformKeyId(5);
  key.frame = 5;
  o.transformAnimation.keyframes.push_back(key);
  return o;
}

TEST(ModelCopies, EditingACopiedObjectLeavesTheSourceUnchanged) {
  const Object source = cubeObject();
  Object copy = source;
  EXPECT_TRUE(copy.meshData.vertices.sharesWith(source.meshData.vertices));

  copy.meshData.vertices.write()[0] = {9, 9, 9};
  copy.meshData.faces.write()[0].indices.push_back(7);
  copy.materialSlots.slots[0].r = 1;
  copy.transformAnimation.keyframes[0].frame = 99;
  copy.curveData.tessellated.write().push_back({1, 2, 3});

  EXPECT_EQ(source.meshData.vertices[0], (Vec3{-0.5, -0.5, -0.5}));
  EXPECT_EQ(source.meshData.faces[0].indices.size(), 4u);
  EXPECT_EQ(source.materialSlots.slots[0].r, 72);
  EXPECT_EQ(source.transformAnimation.keyframes[0].frame, 5);
  EXPECT_TRUE(source.curveData.tessellated.empty());
  EXPECT_FALSE(copy.meshData.vertices.sharesWith(source.meshData.vertices));
  // Arrays not written to stay shared.
  EXPECT_TRUE(copy.meshData.edges.sharesWith(source.meshData.edges));
  EXPECT_NE(copy, source);
}

TEST(ModelCopies, ProjectSnapshotsAreIndependentBothWays) {
  Project live;
  live.scene.objects.push_back(cubeObject());
  const Project snapshot = live;

  // Writing the live project after the snapshot must not leak into it ...
  live.scene.objects[0].meshData.vertices.write().push_back({5, 5, 5});
  EXPECT_EQ(snapshot.scene.objects[0].meshData.vertices.size(), 8u);
  // ... and a restored copy must not be changed by later edits either.
  Project restored = snapshot;
  restored.scene.objects[0].meshData.normals.write().clear();
  EXPECT_EQ(snapshot.scene.objects[0].meshData.normals.size(), 6u);
  EXPECT_EQ(live.scene.objects[0].meshData.vertices.size(), 9u);

  // Assigning a whole array replaces it for this copy only.
  restored.scene.objects[0].meshData.vertices = std::vector<Vec3>{};
  EXPECT_EQ(snapshot.scene.objects[0].meshData.vertices.size(), 8u);
  EXPECT_EQ(snapshot, Project(snapshot));
}

TEST(ModelCopies, MoveLeavesTheSourceEmptyAndCowComparesByValue) {
  Object source = cubeObject();
  Object moved = std::move(source);
  EXPECT_EQ(moved.meshData.vertices.size(), 8u);
  EXPECT_TRUE(source.meshData.vertices.empty());  // NOLINT: reading a moved-from object on purpose

  Cow<std::vector<int>> a = std::vector<int>{1, 2};
  Cow<std::vector<int>> b = std::vector<int>{1, 2};
  EXPECT_EQ(a, b);
  EXPECT_FALSE(a.sharesWith(b));
  Cow<std::vector<int>> empty;
  EXPECT_EQ(empty, Cow<std::vector<int>>(std::vector<int>{}));
  empty.write().push_back(3);
  EXPECT_EQ(empty.size(), 1u);
}

TEST(ModelAppState, ClearSelectionsAndModeNames) {
  AppState& app = appState();
  app = AppState{};
  EXPECT_EQ(app.viewYaw, -35.0);
  EXPECT_EQ(app.workMode, WorkMode::Object);
  EXPECT_EQ(app.importReport, L"Import report: no glTF/GLB import yet.");
  EXPECT_EQ(app.timelineActiveRow, 1);
  app.selectedVertices = {1};
  app.selectedEdges = {2};
  app.selectedFaces = {3};
  app.selectedCurvePoints = {4};
  app.curveDragStartPoints = {Vec3{}};
  app.componentDragVertices = {5};
  app.componentDragStartPositions = {Vec3{}};
  app.selectedObjectId = L"obj-1";
  clearAllComponentSelections();
  EXPECT_TRUE(app.selectedVertices.empty() && app.selectedEdges.empty() && app.selectedFaces.empty());
  EXPECT_TRUE(app.selectedCurvePoints.empty() && app.curveDragStartPoints.empty());
  EXPECT_TRUE(app.componentDragVertices.empty() && app.componentDragStartPositions.empty());
  EXPECT_EQ(app.selectedObjectId, L"obj-1");
  app = AppState{};

  EXPECT_EQ(componentModeName(ComponentMode::Vertex), L"Vertex");
  EXPECT_EQ(componentModeName(ComponentMode::Edge), L"Edge");
  EXPECT_EQ(componentModeName(ComponentMode::Face), L"Face");
  EXPECT_EQ(componentModeName(static_cast<ComponentMode>(7)), L"Vertex");
}

}  // namespace
}  // namespace vk
