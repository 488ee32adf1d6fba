// Commands that write mesh vertices or faces never build a mesh the project
// loader would not keep: a result that breaks one of its rules is refused
// with the limit named, leaving the project, both undo stacks and the dirty
// flag exactly as they were; what they do build reopens as built.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "model/curve_fixture.h"
#include "model/edit_mesh.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/scene_fixture.h"
#include "model/undo.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

class MeshGuardCommands : public CurveCommands {
 protected:
  // Runs `command`, which must refuse with `status` and change nothing.
  void expectRefusedUnchanged(const std::function<void()>& command, const std::wstring& status) {
    const Project project = app().project;
    const std::size_t undo = app().undoStack.size(), redo = app().redoStack.size();
    const bool dirty = app().dirty;
    const std::wstring selected = app().selectedObjectId;
    const auto faces = app().selectedFaces;
    command();
    EXPECT_EQ(app().statusText, status);
    EXPECT_TRUE(app().project == project);
    EXPECT_EQ(app().undoStack.size(), undo);
    EXPECT_EQ(app().redoStack.size(), redo);
    EXPECT_EQ(app().dirty, dirty);
    EXPECT_EQ(app().selectedObjectId, selected);
    EXPECT_EQ(app().selectedFaces, faces);
  }
  // The object as save -> open brings it back.
  static Object reopened(const std::wstring& id) {
    ProjectLoadResult loaded = deserializeProject(serializeProject(appState().project));
    EXPECT_TRUE(loaded.usable);
    const Object* found = findObjectById(loaded.project.scene, id);
    return found ? *found : Object{};
  }
};

// The studio's own repro: a cube at the inspector's limit of +100000 joined
// into a new one at -100000, round after round, grows by 200000 a round
// and would reach x = 1,000,000.5 in the fifth.
TEST_F(MeshGuardCommands, JoinRoundsAtThePositionLimitStopBeforeTheCoordinateLimit) {
  std::wstring growing = create(ObjectKind::Mesh, L"Cube");
  for (int round = 1; round <= 5; ++round) {
    SCOPED_TRACE(round);
    setWorkMode(WorkMode::Object);
    object(growing).transform.position = {100000, 0, 0};
    const std::wstring target = create(ObjectKind::Mesh, L"Cube");
    object(target).transform.position = {-100000, 0, 0};
    setWorkMode(WorkMode::EditMesh);
    if (round < 5) {
      meshJoinVisible();
      EXPECT_EQ(app().statusText, L"●  Joined visible mesh objects into selected mesh");
      EXPECT_EQ(findObjectById(growing), nullptr);
      growing = target;
    } else {
      expectRefusedUnchanged(meshJoinVisible, L"●  Refused: coordinate limit 1e6");
      EXPECT_NE(findObjectById(growing), nullptr);
    }
  }
  const Object& joined = object(growing);
  EXPECT_EQ(joined.meshData.vertices.size(), 48u);  // the starter cube and five more
  EXPECT_EQ(joined.meshData.boundsMax.x, 800000.5);
  EXPECT_EQ(brokenMeshGuardRule(joined), MeshGuardRule::None);
  const Object back = reopened(growing);
  EXPECT_EQ(back.meshData.vertices.read(), joined.meshData.vertices.read());
  EXPECT_EQ(back.meshData.faces.read(), joined.meshData.faces.read());
}

TEST_F(MeshGuardCommands, EditsPastTheCoordinateLimitAreRefusedBeforeTheirSnapshot) {
  const std::wstring cube = app().selectedObjectId;
  for (Vec3& p : object(cube).meshData.vertices.write()) p.x += 999999.3;  // up to 999999.8
  rebuildMeshData(object(cube));
  setWorkMode(WorkMode::EditMesh);
  app().undoStack.clear();
  const std::int32_t outward = [&] {  // the face whose normal points along +x
    const MeshData& mesh = object(cube).meshData;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
      if (faceOutwardNormal(mesh, mesh.faces[f]).x > 0.9) return static_cast<std::int32_t>(f);
    return -1;
  }();
  ASSERT_GE(outward, 0);
  app().selectedFaces = {outward};
  expectRefusedUnchanged(meshExtrude, L"●  Refused: coordinate limit 1e6");
  // An inset stays inside the face: allowed, and taken back by undo.
  meshInsetFaces();
  EXPECT_EQ(app().statusText, L"●  Inset selected faces");
  EXPECT_EQ(app().undoStack.size(), 1u);
  undoLastSnapshot();
  // The redo stack is left exactly as it was by a refusal too.
  app().selectedFaces = {outward};
  expectRefusedUnchanged(meshExtrude, L"●  Refused: coordinate limit 1e6");
  EXPECT_EQ(app().redoStack.size(), 1u);
}

// A mesh that keeps its primitive label answers to the degenerate rule:
// separating its sound faces must not leave it mostly slivers.
TEST_F(MeshGuardCommands, SeparateRefusesToLeaveASourceTheLoaderWouldRebuild) {
  const std::wstring source = app().selectedObjectId;
  Object& o = object(source);
  o.mesh.primitive = L"OBJ";
  o.meshData.vertices = std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}, {3, 0, 0}};
  o.meshData.faces = std::vector<MeshFace>{{{0, 1, 2}, {}, 0}, {{0, 1, 3}, {}, 0}, {{0, 2, 3}, {}, 0},
                                            {{1, 4, 5}, {}, 0}, {{4, 5, 1}, {}, 0}};
  rebuildMeshData(o);
  ASSERT_EQ(brokenMeshGuardRule(o), MeshGuardRule::None);
  setWorkMode(WorkMode::EditMesh);
  app().selectedFaces = {0, 1};
  expectRefusedUnchanged(meshSeparateFaces, L"●  Refused: most faces have no area");
  app().selectedFaces = {3, 4};  // taking the slivers away is fine
  meshSeparateFaces();
  EXPECT_EQ(app().statusText, L"●  Separated selected faces into a new mesh object");
  EXPECT_EQ(object(source).meshData.faces.size(), 3u);
}

// A ribbon along a vertical line has no area: converted, it would reopen as
// a plane.
TEST_F(MeshGuardCommands, CurveConversionRefusesARibbonWithoutArea) {
  const std::wstring line = makeLine(3);
  auto place = [&](double z) {
    for (int k = 0; k < 3; ++k) object(line).curveData.points[k].position = {0, static_cast<double>(k), z * k};
    rebuildCurveData(object(line));
  };
  place(0);
  expectRefusedUnchanged(curveConvertToMesh, L"●  Refused: most faces have no area");
  place(1);
  curveConvertToMesh();
  EXPECT_EQ(app().statusText, L"●  Converted curve to new editable mesh copy");
  const Object made = scene().objects.back();
  EXPECT_EQ(reopened(made.id).meshData.vertices.read(), made.meshData.vertices.read());
}

// What a reopen would change is settled when the command runs: a joined
// face that names a slot the target lacks takes the target's last slot (as
// the loader clamps it), and a copy made at the position limit stays at it.
TEST_F(MeshGuardCommands, JoinAndDuplicateLeaveWhatReopensUnchanged) {
  const std::wstring target = app().selectedObjectId;
  const std::wstring slotted = create(ObjectKind::Mesh, L"Cube");
  object(slotted).materialSlots.slots.resize(3);
  for (MeshFace& face : object(slotted).meshData.faces.write()) face.materialIndex = 2;
  object(target).materialSlots.slots.resize(2);
  app().selectedObjectId = target;
  setWorkMode(WorkMode::EditMesh);
  meshJoinVisible();
  ASSERT_EQ(app().statusText, L"●  Joined visible mesh objects into selected mesh");
  const Object& joined = object(target);
  ASSERT_EQ(joined.meshData.faces.size(), 12u);
  EXPECT_EQ(joined.meshData.faces[11].materialIndex, 1);
  EXPECT_EQ(reopened(target).meshData.faces.read(), joined.meshData.faces.read());

  setWorkMode(WorkMode::Object);
  object(target).transform.position.x = 100000;
  duplicateSelectedObject();
  const Object& copy = object(app().selectedObjectId);
  EXPECT_NE(copy.id, target);
  EXPECT_EQ(copy.transform.position.x, 100000);
  EXPECT_EQ(reopened(copy.id).transform, copy.transform);
}

}  // namespace
}  // namespace vk
