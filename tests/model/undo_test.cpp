// Undo and redo: the 80 limit, ids after undo, selection repair, the dirty
// flag, exact restoration of meshes, withdrawing a refused command's push, and
// the edit transaction that frames a command.
#include <gtest/gtest.h>

#include "model/mesh_data.h"
#include "model/undo.h"
#include "scene_fixture.h"

namespace vk {
namespace {

using UndoTest = SceneTest;

// The identity of a stack entry, enough to tell every entry of these tests apart.
std::vector<std::pair<std::size_t, std::wstring>> stackShape(const std::vector<ProjectSnapshot>& stack) {
  std::vector<std::pair<std::size_t, std::wstring>> shape;
  for (const auto& s : stack) shape.emplace_back(s.project.scene.objects.size(), s.selectedObjectId);
  return shape;
}

TEST_F(UndoTest, EightyOneEditsKeepEighty) {
  for (int i = 0; i < 81; ++i) create(ObjectKind::Mesh, L"Cube");
  EXPECT_EQ(app().undoStack.size(), 80u);
  for (int i = 0; i < 80; ++i) undoLastSnapshot();
  // The state before the first edit is gone: the oldest reachable has 4 objects.
  EXPECT_EQ(scene().objects.size(), 4u);
  undoLastSnapshot();
  EXPECT_EQ(app().statusText, L"●  Nothing to undo");
  EXPECT_EQ(app().redoStack.size(), 80u);
}

TEST_F(UndoTest, UndoAndRedoOfACreationAndReuseOfItsId) {
  const std::wstring id = create(ObjectKind::Mesh, L"Sphere");
  EXPECT_EQ(id, L"obj-4");
  setDirty(false);
  undoLastSnapshot();
  EXPECT_EQ(findObjectById(id), nullptr);
  EXPECT_EQ(app().selectedObjectId, L"obj-1");
  EXPECT_TRUE(app().dirty);
  EXPECT_EQ(app().statusText, L"●  Undo restored exact in-memory mesh snapshot");
  redo();
  EXPECT_EQ(object(id).name, L"Sphere");
  EXPECT_EQ(app().selectedObjectId, id);
  EXPECT_EQ(app().statusText, L"●  Redo restored exact in-memory mesh snapshot");
  undoLastSnapshot();
  EXPECT_EQ(create(ObjectKind::Mesh, L"Cone"), L"obj-4");
  EXPECT_TRUE(app().redoStack.empty());
  redo();
  EXPECT_EQ(app().statusText, L"●  Nothing to redo");
}

TEST_F(UndoTest, EmptyStackLeavesTheDirtyFlagAlone) {
  undoLastSnapshot();
  EXPECT_FALSE(app().dirty);
  EXPECT_EQ(app().dirtyBadgeText, L"Saved");
  EXPECT_EQ(app().statusText, L"●  Nothing to undo");
}

TEST_F(UndoTest, UndoRestoresParentLinksAndEditedMeshesExactly) {
  object(L"obj-3").parentId = L"obj-1";
  // A mesh edited down to loose vertices without faces (what Delete can leave).
  Object& cube = object(L"obj-1");
  cube.mesh.primitive = L"Edited Mesh";
  cube.meshData.faces = std::vector<MeshFace>{};
  rebuildMeshData(cube);
  const MeshData edited = cube.meshData;
  app().selectedObjectId = L"obj-1";
  deleteSelectedObject();
  undoLastSnapshot();
  EXPECT_EQ(object(L"obj-3").parentId, L"obj-1");
  EXPECT_EQ(object(L"obj-1").meshData, edited);
  EXPECT_EQ(object(L"obj-1").mesh.primitive, L"Edited Mesh");
  redo();
  undoLastSnapshot();
  EXPECT_TRUE(object(L"obj-1").meshData.faces.empty());
  EXPECT_EQ(object(L"obj-1").meshData.vertices.size(), 8u);
}

TEST_F(UndoTest, RestoreRepairsTheComponentSelection) {
  // Edit Mesh on the cube with vertex 7 selected; then the cube shrinks.
  app().workMode = WorkMode::EditMesh;
  app().selectedObjectId = L"obj-1";
  app().selectedVertices = {7, 2};
  pushUndoSnapshot();
  Object& cube = object(L"obj-1");
  cube.meshData.vertices.write().resize(4);
  std::vector<MeshFace> faces(1);
  faces[0].indices = {0, 1, 2};
  cube.meshData.faces = faces;
  ProjectSnapshot snapshot = app().undoStack.back();
  snapshot.project.scene.objects[0] = cube;
  restoreSnapshot(snapshot);
  EXPECT_EQ(app().workMode, WorkMode::EditMesh);
  EXPECT_EQ(app().selectedVertices, (std::vector<std::int32_t>{2}));

  // A Camera selected in Edit Mesh: every selection is cleared, the mode stays.
  snapshot.selectedObjectId = L"obj-2";
  snapshot.selectedFaces = {0};
  snapshot.selectedCurvePoints = {1};
  restoreSnapshot(snapshot);
  EXPECT_EQ(app().workMode, WorkMode::EditMesh);
  EXPECT_TRUE(app().selectedVertices.empty());
  EXPECT_TRUE(app().selectedFaces.empty());
  EXPECT_TRUE(app().selectedCurvePoints.empty());

  snapshot.selectedObjectId = L"gone";
  restoreSnapshot(snapshot);
  EXPECT_EQ(app().selectedObjectId, L"obj-1");
}

TEST_F(UndoTest, RestoreNeverLowersTheCounterBelowTheSnapshot) {
  pushUndoSnapshot();
  ProjectSnapshot snapshot = app().undoStack.back();
  snapshot.nextObjectNumber = 3000000000u;  // past 2^31: compared unsigned
  restoreSnapshot(snapshot);
  EXPECT_EQ(app().nextObjectNumber, 3000000000u);
}

TEST_F(UndoTest, AWithdrawnPushLeavesBothStacksExactlyAsBefore) {
  for (int i = 0; i < 82; ++i) create(ObjectKind::Mesh, L"Cube");
  undoLastSnapshot();
  undoLastSnapshot();
  create(ObjectKind::Mesh, L"Plane");
  redo();  // nothing to redo
  for (int i = 0; i < 3; ++i) create(ObjectKind::Mesh, L"Cube");
  undoLastSnapshot();
  undoLastSnapshot();
  ASSERT_EQ(app().redoStack.size(), 2u);
  // Fill the undo stack to the limit so the push drops its oldest entry.
  while (app().undoStack.size() < kUndoLimit) {
    ProjectSnapshot extra = app().undoStack.front();
    extra.selectedObjectId = L"filler-" + std::to_wstring(app().undoStack.size());
    app().undoStack.insert(app().undoStack.begin(), extra);
  }
  const auto undoBefore = stackShape(app().undoStack);
  const auto redoBefore = stackShape(app().redoStack);

  UndoPushToken token = pushUndoSnapshot();
  EXPECT_TRUE(token.droppedOldest.has_value());
  EXPECT_TRUE(app().redoStack.empty());
  EXPECT_TRUE(withdrawUndoSnapshot(token));
  EXPECT_EQ(stackShape(app().undoStack), undoBefore);
  EXPECT_EQ(stackShape(app().redoStack), redoBefore);
  EXPECT_FALSE(withdrawUndoSnapshot(token));  // a token works once
  EXPECT_EQ(stackShape(app().undoStack), undoBefore);

  // A push that another push followed cannot be withdrawn any more.
  UndoPushToken stale = pushUndoSnapshot();
  pushUndoSnapshot();
  const auto shapeAfter = stackShape(app().undoStack);
  EXPECT_FALSE(withdrawUndoSnapshot(stale));
  EXPECT_EQ(stackShape(app().undoStack), shapeAfter);
  // Nor one after an undo and a redo put another entry in its place.
  UndoPushToken replaced = pushUndoSnapshot();
  undoLastSnapshot();
  redo();
  EXPECT_FALSE(withdrawUndoSnapshot(replaced));
  EXPECT_EQ(app().redoStack.size(), 0u);
}

// A transaction left without a commit (a command that stops after its checks
// passed) puts both stacks and the dirty flag back; a committed one keeps its
// snapshot, marks the project dirty and undoes to the state before it.
TEST_F(UndoTest, EditTransactionCommitsOrTakesItsSnapshotBack) {
  create(ObjectKind::Mesh, L"Cube");
  create(ObjectKind::Mesh, L"Plane");
  undoLastSnapshot();
  setDirty(false);
  const auto undoBefore = stackShape(app().undoStack);
  const auto redoBefore = stackShape(app().redoStack);
  ASSERT_EQ(redoBefore.size(), 1u);
  {
    EditTransaction edit;
    EXPECT_EQ(app().undoStack.size(), undoBefore.size() + 1);
    EXPECT_TRUE(app().redoStack.empty());
  }
  EXPECT_EQ(stackShape(app().undoStack), undoBefore);
  EXPECT_EQ(stackShape(app().redoStack), redoBefore);
  EXPECT_FALSE(app().dirty);

  const std::size_t objects = scene().objects.size();
  {
    EditTransaction edit;
    findObjectById(app().selectedObjectId)->name = L"Renamed";
    edit.commit();
  }
  EXPECT_TRUE(app().dirty);
  EXPECT_EQ(app().undoStack.size(), undoBefore.size() + 1);
  EXPECT_TRUE(app().redoStack.empty());
  undoLastSnapshot();
  EXPECT_NE(findObjectById(app().selectedObjectId)->name, L"Renamed");
  EXPECT_EQ(scene().objects.size(), objects);
}

TEST_F(UndoTest, SnapshotsShareUnchangedMeshes) {
  create(ObjectKind::Mesh, L"Sphere");
  create(ObjectKind::Mesh, L"Torus");
  const ProjectSnapshot& last = app().undoStack.back();
  const Object& sphere = scene().objects[3];
  EXPECT_TRUE(sphere.meshData.vertices.sharesWith(last.project.scene.objects[3].meshData.vertices));
  EXPECT_TRUE(sphere.meshData.faces.sharesWith(last.project.scene.objects[3].meshData.faces));
}

}  // namespace
}  // namespace vk
