// The edit-mesh commands through the application state: mode entry, the
// guard's refusals in order, the edit budget, undo and redo of every
// operation, survival of every result (and of a curve converted to a mesh)
// through the project-load guard, and Separate and Join on the object list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>

#include "model/curve_fixture.h"
#include "model/edit_helpers.h"
#include "model/edit_mesh.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/primitives.h"
#include "model/sanitize.h"
#include "model/scene_fixture.h"
#include "model/undo.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

using namespace edittest;

class EditCommands : public SceneTest {
 protected:
  // The starter cube, selected, in Edit Mesh mode.
  Object& cube() { return object(cubeId); }
  void SetUp() override {
    SceneTest::SetUp();
    cubeId = app().selectedObjectId;
  }
  void enterEditMesh() {
    setWorkMode(WorkMode::EditMesh);
    ASSERT_EQ(app().workMode, WorkMode::EditMesh) << std::string(app().statusText.begin(), app().statusText.end());
  }
  std::wstring cubeId;
};

// The object as the open project's save -> open brings it back.
Object reopened(const std::wstring& id) {
  ProjectLoadResult loaded = deserializeProject(serializeProject(appState().project));
  EXPECT_TRUE(loaded.usable);
  const Object* found = findObjectById(loaded.project.scene, id);
  EXPECT_NE(found, nullptr);
  return found ? *found : Object{};
}

void expectSameStoredMesh(const MeshData& actual, const MeshData& expected) {
  EXPECT_EQ(actual.vertices.read(), expected.vertices.read());
  EXPECT_EQ(actual.faces.read(), expected.faces.read());
  EXPECT_EQ(actual.uvs.read(), expected.uvs.read());
}

// A mesh of `count` loose vertices on a line plus one quad.
MeshData paddedMesh(std::size_t vertexCount, std::size_t faceCount) {
  MeshData mesh;
  std::vector<Vec3> vertices(vertexCount);
  for (std::size_t i = 0; i < vertexCount; ++i) vertices[i] = {static_cast<double>(i % 97), static_cast<double>(i / 97), 0};
  mesh.vertices = std::move(vertices);
  mesh.faces = std::vector<MeshFace>(faceCount, MeshFace{{0, 1, 98}, {}, 0});
  return mesh;
}

TEST_F(EditCommands, WorkModeEntryAndItsRefusals) {
  setWorkMode(WorkMode::EditCurve);
  EXPECT_EQ(app().statusText, L"●  Edit Curve requires a curve object");
  EXPECT_EQ(app().workMode, WorkMode::Object);

  app().selectedFaces = {2};
  enterEditMesh();
  EXPECT_EQ(app().statusText, L"●  Mode: Edit Mesh");
  EXPECT_TRUE(app().selectedFaces.empty());
  setWorkMode(static_cast<WorkMode>(7));
  EXPECT_EQ(app().statusText, L"●  Mode: Object");

  cube().meshData = MeshData{};
  setWorkMode(WorkMode::EditMesh);
  EXPECT_EQ(app().statusText, L"●  Edit Mesh requires a mesh/text object with mesh data");
  EXPECT_NE(app().workMode, WorkMode::EditMesh);
  EXPECT_FALSE(app().dirty);
  EXPECT_TRUE(app().undoStack.empty());
}

TEST_F(EditCommands, MeshAboveTheEditBudgetStaysInObjectMode) {
  cube().meshData = paddedMesh(60001, 1);
  setWorkMode(WorkMode::EditMesh);
  EXPECT_EQ(app().statusText, L"●  Mesh operation blocked by Phase 40 safety budget");
  EXPECT_EQ(app().workMode, WorkMode::Object);
  setComponentMode(ComponentMode::Face);
  EXPECT_EQ(app().workMode, WorkMode::Object);
  cube().meshData = paddedMesh(60000, 60000);
  enterEditMesh();
}

TEST_F(EditCommands, ComponentModeEntersEditMeshAndKeepsPrunedSelections) {
  app().selectedEdges = {11, 3, 40, 3};
  setComponentMode(ComponentMode::Edge);
  EXPECT_EQ(app().workMode, WorkMode::EditMesh);
  EXPECT_EQ(app().componentMode, ComponentMode::Edge);
  EXPECT_EQ(app().selectedEdges, (Indices{3, 11}));
  EXPECT_EQ(app().statusText, L"●  Edge mode: click components in the viewport; Shift toggles selection");
  app().selectedObjectId = L"obj-3";  // the light
  setComponentMode(ComponentMode::Face);
  EXPECT_EQ(app().statusText, L"●  Component modes require an editable mesh object");
}

TEST_F(EditCommands, TextObjectEntersEditMesh) {
  std::wstring text = create(ObjectKind::Text, L"Text");
  ASSERT_EQ(object(text).meshData.vertices.size(), 4u);
  enterEditMesh();
}

TEST_F(EditCommands, GuardRefusesInItsOrderWithoutTouchingTheDocument) {
  app().selectedObjectId = L"missing";
  meshExtrude();
  EXPECT_EQ(app().statusText, L"●  Select an editable mesh first");

  app().selectedObjectId = cubeId;
  std::wstring parent = create(ObjectKind::Group, L"Group");
  cube().parentId = parent;
  object(parent).locked = true;
  app().selectedObjectId = cubeId;
  meshFlipNormals();  // lock is checked before the mode
  EXPECT_EQ(app().statusText, L"●  Mesh is locked by object or parent");

  object(parent).locked = false;
  app().undoStack.clear();
  meshFlipNormals();
  EXPECT_EQ(app().statusText, L"●  Switch to Edit Mesh mode first");
  EXPECT_TRUE(app().undoStack.empty());

  cube().objectCapsuleId = L"phase65-gltf-import";
  cube().importedMeshReadOnly = true;
  app().workMode = WorkMode::EditMesh;
  app().selectedFaces = {1};
  const MeshData before = cube().meshData;
  meshExtrude();
  EXPECT_EQ(app().statusText.rfind(L"●  Phase 65.5.1: imported mesh is read-only.", 0), 0u);
  EXPECT_EQ(app().workMode, WorkMode::Object);  // the recovery step
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_EQ(cube().meshData.faces.read(), before.faces.read());
}

TEST_F(EditCommands, BudgetBoundaryAllowsExactlySixtyThousand) {
  MeshData mesh = paddedMesh(59999, 59999);
  EXPECT_TRUE(meshBudgetAllows(mesh, 1, 1));
  EXPECT_FALSE(meshBudgetAllows(mesh, 2, 0));
  EXPECT_EQ(app().statusText, L"●  Mesh operation blocked by Phase 40 safety budget");
  EXPECT_FALSE(meshBudgetAllows(mesh, 0, 2));

  cube().meshData = mesh;
  rebuildMeshData(cube());
  enterEditMesh();
  app().selectedVertices = {5, 6};
  meshExtrude();
  EXPECT_EQ(app().statusText, L"●  Mesh operation blocked by Phase 40 safety budget");
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_EQ(cube().meshData.vertices.size(), 59999u);
  app().selectedVertices = {5};
  meshExtrude();
  EXPECT_EQ(cube().meshData.vertices.size(), 60000u);
  EXPECT_EQ(app().undoStack.size(), 1u);
}

TEST_F(EditCommands, LoopCutAsksForTheExactAdditionsOfNgons) {
  // One 100-gon and padding: (2F, 3F) = (2, 3) fits, the 100 fan triangles do not.
  MeshData mesh = paddedMesh(200, 59901);
  std::vector<std::int32_t> ring(100);
  for (int k = 0; k < 100; ++k) {
    mesh.vertices.write()[100 + k] = {std::cos(k * 2 * kPi / 100), 0.0, std::sin(k * 2 * kPi / 100)};
    ring[k] = 100 + k;
  }
  mesh.faces.write()[0] = MeshFace{ring, {}, 0};
  cube().meshData = mesh;
  rebuildMeshData(cube());
  enterEditMesh();
  app().selectedFaces = {0};
  meshLoopCut();
  EXPECT_EQ(app().statusText, L"●  Mesh operation blocked by Phase 40 safety budget");
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_EQ(cube().meshData.faces.size(), 59901u);
  cube().meshData.faces.write().resize(59900);  // 59899 + 100 new = 59999
  rebuildMeshData(cube());
  meshLoopCut();
  EXPECT_EQ(app().statusText, L"●  Loop-cut placeholder split applied");
  EXPECT_EQ(cube().meshData.faces.size(), 59999u);
}

TEST_F(EditCommands, PreconditionsReportTheirOwnText) {
  enterEditMesh();
  struct Case {
    std::function<void()> command;
    const wchar_t* text;
  };
  const Case cases[] = {
      {meshExtrude, L"●  Select faces, edges, or vertices to extrude"},
      {meshInsetFaces, L"●  Select one or more faces to inset/bevel"},
      {meshBevel, L"●  Select faces or edges to bevel"},
      {meshDeleteSelected, L"●  Select mesh components to delete"},
      {meshMergeSelected, L"●  Select at least two vertices/edges/faces to merge"},
      {meshBridgeEdges, L"●  Select at least two edges to bridge"},
      {meshFillFace, L"●  Select at least three vertices/edges to fill a face"},
      {meshLoopCut, L"●  Select faces for Phase 39 loop-cut placeholder split"},
      {meshSeparateFaces, L"●  Select faces to separate into a new mesh object"},
  };
  for (const Case& c : cases) {
    c.command();
    EXPECT_EQ(app().statusText, c.text);
  }
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);
}

TEST_F(EditCommands, BevelOnVerticesThatTouchNoFaceFallsThroughToEdges) {
  enterEditMesh();
  app().selectedVertices = {0};
  meshExtrude();  // a loose vertex 8
  app().selectedVertices = {8};
  meshBevel();
  EXPECT_EQ(app().statusText, L"●  Select faces or edges to bevel");
  app().selectedVertices.clear();
  app().selectedEdges = {0};
  meshBevel();
  EXPECT_EQ(app().statusText, L"●  Beveled selected edges");
  EXPECT_EQ(app().selectedFaces, Indices{6});
}

TEST_F(EditCommands, FaceExtrudeSelectsTheCapAndLabelsTheMesh) {
  enterEditMesh();
  app().selectedFaces = {0};
  app().selectedVertices = {4};
  meshExtrude();
  EXPECT_EQ(app().statusText, L"●  Extruded faces outward along corrected face normals");
  EXPECT_EQ(app().selectedFaces, Indices{9});
  EXPECT_TRUE(app().selectedVertices.empty());
  EXPECT_EQ(cube().mesh.primitive, L"Edited Mesh");
  EXPECT_EQ(cube().mesh.faces, 10);
  EXPECT_TRUE(app().dirty);
}

// Every operation: undo restores the exact mesh, redo the edited one, and the
// edited mesh passes the project-load guard untouched.
struct OperationCase {
  const char* name;
  std::function<void(AppState&, const MeshData&)> select;
  void (*command)();
  const wchar_t* status;
};

void PrintTo(const OperationCase& c, std::ostream* os) { *os << c.name; }

class EditRoundTrip : public EditCommands, public ::testing::WithParamInterface<OperationCase> {};

TEST_P(EditRoundTrip, UndoRedoAndLoadGuardKeepTheMesh) {
  const OperationCase& c = GetParam();
  cube().meshData.uvs = std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  cube().meshData.faces.write()[1].uvIndices = {0, 1, 2, 3};
  rebuildMeshData(cube());
  enterEditMesh();
  const MeshData before = cube().meshData;
  c.select(app(), before);
  c.command();
  ASSERT_EQ(app().statusText, c.status);
  ASSERT_EQ(app().undoStack.size(), 1u);
  const Object edited = cube();

  Object guarded = edited;
  EXPECT_TRUE(sanitizeImportedMeshData(guarded));
  expectSameStoredMesh(guarded.meshData, edited.meshData);
  expectSameStoredMesh(reopened(cubeId).meshData, edited.meshData);

  undoLastSnapshot();
  EXPECT_EQ(cube().meshData.vertices.read(), before.vertices.read());
  EXPECT_EQ(cube().meshData.faces.read(), before.faces.read());
  EXPECT_EQ(cube().mesh.primitive, L"Cube");
  redo();
  EXPECT_EQ(cube().meshData.vertices.read(), edited.meshData.vertices.read());
  EXPECT_EQ(cube().meshData.faces.read(), edited.meshData.faces.read());
  EXPECT_EQ(cube().meshData.uvs.read(), edited.meshData.uvs.read());
  EXPECT_EQ(cube().mesh.primitive, L"Edited Mesh");
}

std::int32_t cubeEdge(const MeshData& mesh, std::uint32_t a, std::uint32_t b) { return edgeIndex(mesh, a, b); }

const OperationCase kOperations[] = {
    {"ExtrudeFace", [](AppState& s, const MeshData&) { s.selectedFaces = {1}; }, meshExtrude,
     L"●  Extruded faces outward along corrected face normals"},
    {"ExtrudeEdges",
     [](AppState& s, const MeshData& m) { s.selectedEdges = {cubeEdge(m, 0, 1), cubeEdge(m, 6, 7)}; },
     meshExtrude, L"●  Extruded edges outward from adjacent faces"},
    {"ExtrudeVertices", [](AppState& s, const MeshData&) { s.selectedVertices = {0, 6}; }, meshExtrude,
     L"●  Extruded vertices outward from surrounding surface normals"},
    {"Inset", [](AppState& s, const MeshData&) { s.selectedVertices = {0}; }, meshInsetFaces,
     L"●  Inset selected faces"},
    {"BevelFaces", [](AppState& s, const MeshData&) { s.selectedFaces = {1, 3}; }, meshBevel,
     L"●  Beveled selected face region"},
    {"BevelEdges", [](AppState& s, const MeshData& m) { s.selectedEdges = {cubeEdge(m, 2, 3)}; }, meshBevel,
     L"●  Beveled selected edges"},
    {"DeleteVertex", [](AppState& s, const MeshData&) { s.selectedVertices = {0}; }, meshDeleteSelected,
     L"●  Deleted selected mesh components"},
    {"DeleteEveryFace", [](AppState& s, const MeshData&) { s.selectedFaces = {0, 1, 2, 3, 4, 5}; },
     meshDeleteSelected, L"●  Deleted selected mesh components"},
    {"MergeEdge", [](AppState& s, const MeshData& m) { s.selectedEdges = {cubeEdge(m, 0, 1)}; },
     meshMergeSelected, L"●  Merged / welded selected vertices"},
    {"MergeDiagonal", [](AppState& s, const MeshData&) { s.selectedVertices = {4, 6}; }, meshMergeSelected,
     L"●  Merged / welded selected vertices"},
    {"Flip", [](AppState&, const MeshData&) {}, meshFlipNormals, L"●  Flipped normals"},
    {"Recalculate", [](AppState&, const MeshData&) {}, meshRecalcNormals, L"●  Recalculated normals outside"},
    {"Bridge", [](AppState& s, const MeshData& m) { s.selectedEdges = {cubeEdge(m, 0, 1), cubeEdge(m, 6, 7)}; },
     meshBridgeEdges, L"●  Bridged selected edge pairs"},
    {"Fill", [](AppState& s, const MeshData&) { s.selectedVertices = {0, 2, 5, 7}; }, meshFillFace,
     L"●  Filled face from selected vertices"},
    {"LoopCut", [](AppState& s, const MeshData&) { s.selectedFaces = {0, 1}; }, meshLoopCut,
     L"●  Loop-cut placeholder split applied"},
};

INSTANTIATE_TEST_SUITE_P(EveryOperation, EditRoundTrip, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditCommands, MergeDiagonalOfAQuadLeavesNoRepeatedCorner) {
  enterEditMesh();
  app().selectedVertices = {0, 2};  // opposite corners of face 0
  meshMergeSelected();
  EXPECT_EQ(app().selectedVertices, Indices{0});
  EXPECT_EQ(cube().meshData.vertices.size(), 7u);
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);
}

TEST_F(EditCommands, FillOfALongLoopSurvivesTheLoadGuard) {
  MeshData ring;
  std::vector<Vec3> points;
  for (int k = 0; k < 500; ++k) points.push_back({std::cos(k * 2 * kPi / 500), std::sin(k * 2 * kPi / 500), 0.0});
  ring.vertices = points;
  ring.faces = std::vector<MeshFace>{MeshFace{{0, 1, 2}, {}, 0}};
  cube().meshData = ring;
  rebuildMeshData(cube());
  enterEditMesh();
  for (int k = 0; k < 500; ++k) app().selectedVertices.push_back(k);
  meshFillFace();
  EXPECT_EQ(app().statusText, L"●  Filled face from selected vertices");
  EXPECT_EQ(app().selectedFaces, (Indices{1, 2, 3, 4}));
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);
}

// Fill on corners a face already joins (Tab, 3, a face, F) would stack a
// second face on it: refused, with the stacks, dirty flag and project as they were.
TEST_F(EditCommands, FillRefusesCornersAFaceAlreadyJoins) {
  enterEditMesh();
  // A step on each stack, so the refusal is seen to leave both alone.
  app().selectedFaces = {1};
  meshFlipNormals();
  meshFlipNormals();
  undoLastSnapshot();  // face 1 stays reversed: (5, 6, 7, 4)
  app().dirty = false;
  const std::string project = serializeProject(appState().project);
  struct Case {
    const char* name;
    MeshSelection selection;
  };
  const MeshData& mesh = cube().meshData;
  Indices edges = {cubeEdge(mesh, 0, 4), cubeEdge(mesh, 4, 5), cubeEdge(mesh, 5, 1), cubeEdge(mesh, 1, 0)};
  std::sort(edges.begin(), edges.end());
  const Case cases[] = {
      {"face", {{}, {}, {0}}},
      {"its corners, against a reversed face", {{4, 5, 6, 7}, {}, {}}},
      {"its edges", {{}, edges, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app().selectedVertices = c.selection.vertices;
    app().selectedEdges = c.selection.edges;
    app().selectedFaces = c.selection.faces;
    meshFillFace();
    EXPECT_EQ(app().statusText, L"●  Fill rejected: that face already exists");
    EXPECT_EQ(app().undoStack.size(), 1u);
    EXPECT_EQ(app().redoStack.size(), 1u);
    EXPECT_FALSE(app().dirty);
    EXPECT_TRUE(serializeProject(appState().project) == project);
    EXPECT_EQ(app().selectedVertices, c.selection.vertices);
    EXPECT_EQ(app().selectedEdges, c.selection.edges);
    EXPECT_EQ(app().selectedFaces, c.selection.faces);
  }

  // Corners no face joins fill as before; pressing F again on the new face is refused.
  app().selectedEdges.clear();
  app().selectedFaces.clear();
  app().selectedVertices = {0, 2, 5, 7};
  meshFillFace();
  EXPECT_EQ(app().statusText, L"●  Filled face from selected vertices");
  EXPECT_EQ(app().selectedFaces, Indices{6});
  meshFillFace();
  EXPECT_EQ(app().statusText, L"●  Fill rejected: that face already exists");
  EXPECT_EQ(cube().meshData.faces.size(), 7u);
  EXPECT_EQ(app().undoStack.size(), 2u);
}

TEST_F(EditCommands, SeparateMovesTheFacesIntoANewObject) {
  cube().name = L"Box";
  std::wstring parent = create(ObjectKind::Group, L"Group");
  app().selectedObjectId = cubeId;
  cube().parentId = parent;
  enterEditMesh();
  app().selectedFaces = {3};
  const std::size_t objectCount = scene().objects.size();
  scene().objects.shrink_to_fit();  // the append must reallocate
  meshSeparateFaces();
  EXPECT_EQ(app().statusText, L"●  Separated selected faces into a new mesh object");
  ASSERT_EQ(scene().objects.size(), objectCount + 1);
  const Object& created = scene().objects.back();
  EXPECT_EQ(app().selectedObjectId, created.id);
  EXPECT_EQ(created.name, L"Box Separate");
  EXPECT_TRUE(created.parentId.empty());
  EXPECT_EQ(created.mesh.primitive, L"Edited Mesh");
  EXPECT_EQ(created.meshData.vertices.size(), 4u);
  EXPECT_EQ(created.meshData.faces.size(), 1u);
  EXPECT_EQ(cube().meshData.vertices.size(), 8u);
  EXPECT_EQ(cube().meshData.faces.size(), 5u);
  EXPECT_EQ(cube().mesh.primitive, L"Cube");
  const auto& members = scene().collections.front().objectIds;
  EXPECT_NE(std::find(members.begin(), members.end(), created.id), members.end());
  EXPECT_TRUE(app().selectedFaces.empty());
  expectSameStoredMesh(reopened(created.id).meshData, created.meshData);
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);

  undoLastSnapshot();
  EXPECT_EQ(scene().objects.size(), objectCount);
  EXPECT_EQ(app().selectedObjectId, cubeId);
  EXPECT_EQ(cube().meshData.faces.size(), 6u);
}

TEST_F(EditCommands, SeparateRefusesAnUnusableSelectionBeforeItsSnapshot) {
  cube().meshData.faces.write().push_back(MeshFace{{0, 1, 99}, {}, 0});
  rebuildMeshData(cube());
  enterEditMesh();
  app().selectedFaces = {6};
  meshSeparateFaces();
  EXPECT_EQ(app().statusText, L"●  Separate rejected invalid face selection");
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);
}

TEST_F(EditCommands, MeshesLeftWithoutFacesKeepTheirVerticesThroughUndoRedoAndReopen) {
  enterEditMesh();
  const MeshData cubeMesh = cube().meshData;
  app().selectedFaces = {0, 1, 2, 3, 4, 5};
  meshDeleteSelected();
  EXPECT_EQ(app().statusText, L"●  Deleted selected mesh components");
  EXPECT_EQ(cube().meshData.vertices.read(), cubeMesh.vertices.read());
  EXPECT_TRUE(cube().meshData.faces.empty());
  EXPECT_EQ(cube().mesh.primitive, L"Edited Mesh");
  undoLastSnapshot();
  EXPECT_EQ(cube().meshData.faces.read(), cubeMesh.faces.read());
  redo();
  EXPECT_TRUE(cube().meshData.faces.empty());
  const Object loaded = reopened(cubeId);
  EXPECT_EQ(loaded.meshData.vertices.read(), cubeMesh.vertices.read());
  EXPECT_TRUE(loaded.meshData.faces.empty());
  EXPECT_EQ(loaded.mesh.primitive, L"Edited Mesh");

  // Merging every vertex leaves one loose vertex.
  undoLastSnapshot();
  app().selectedVertices = {0, 1, 2, 3, 4, 5, 6, 7};
  meshMergeSelected();
  EXPECT_EQ(app().statusText, L"●  Merged / welded selected vertices");
  ASSERT_EQ(cube().meshData.vertices.size(), 1u);
  EXPECT_TRUE(cube().meshData.faces.empty());
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);
}

TEST_F(EditCommands, SeparatingEveryFaceLabelsTheEmptiedSourceAsEdited) {
  enterEditMesh();
  const MeshData cubeMesh = cube().meshData;
  app().selectedFaces = {0, 1, 2, 3, 4, 5};
  meshSeparateFaces();
  EXPECT_EQ(app().statusText, L"●  Separated selected faces into a new mesh object");
  EXPECT_EQ(cube().meshData.vertices.read(), cubeMesh.vertices.read());
  EXPECT_TRUE(cube().meshData.faces.empty());
  // Labelled "Cube" it would come back from the file as a whole cube.
  EXPECT_EQ(cube().mesh.primitive, L"Edited Mesh");
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);
  undoLastSnapshot();
  EXPECT_EQ(cube().mesh.primitive, L"Cube");
  redo();
  EXPECT_TRUE(cube().meshData.faces.empty());
  EXPECT_EQ(scene().objects.back().meshData.faces.size(), 6u);
}

TEST_F(EditCommands, JoinTakesVisibleUnlockedMeshesShiftedByPosition) {
  std::wstring plane = create(ObjectKind::Mesh, L"Plane");
  object(plane).transform.position = {2, 0, 0};
  std::wstring sphere = create(ObjectKind::Mesh, L"Sphere");
  std::wstring hiddenParent = create(ObjectKind::Group, L"Group");
  object(sphere).parentId = hiddenParent;
  object(hiddenParent).visible = false;  // the sphere is not on screen
  std::wstring lockedCone = create(ObjectKind::Mesh, L"Cone");
  object(lockedCone).locked = true;
  std::wstring child = create(ObjectKind::Mesh, L"Torus");
  object(child).parentId = cubeId;
  app().selectedObjectId = cubeId;
  cube().transform.rotation = {0, 90, 0};
  enterEditMesh();
  scene().objects.shrink_to_fit();
  const std::size_t objectCount = scene().objects.size();
  meshJoinVisible();
  EXPECT_EQ(app().statusText, L"●  Joined visible mesh objects into selected mesh");
  EXPECT_EQ(scene().objects.size(), objectCount - 1);
  EXPECT_EQ(findObjectById(plane), nullptr);
  EXPECT_NE(findObjectById(sphere), nullptr);
  EXPECT_NE(findObjectById(lockedCone), nullptr);
  EXPECT_NE(findObjectById(child), nullptr);
  for (const Collection& collection : scene().collections) {
    EXPECT_EQ(std::find(collection.objectIds.begin(), collection.objectIds.end(), plane), collection.objectIds.end());
  }
  ASSERT_EQ(cube().meshData.vertices.size(), 12u);
  expectNear(cube().meshData.vertices[8], {1.2, 0, -0.8});  // shifted, not rotated
  EXPECT_EQ(cube().meshData.faces.size(), 7u);
  EXPECT_EQ(app().selectedObjectId, cubeId);
  expectSameStoredMesh(reopened(cubeId).meshData, cube().meshData);

  undoLastSnapshot();
  EXPECT_EQ(scene().objects.size(), objectCount);
  EXPECT_NE(findObjectById(plane), nullptr);
}

TEST_F(EditCommands, JoinRefusals) {
  for (Object& o : scene().objects) {
    if (o.id != cubeId) o.visible = false;
  }
  enterEditMesh();
  meshJoinVisible();
  EXPECT_EQ(app().statusText, L"●  No other visible mesh objects available to join");
  std::wstring heavy = create(ObjectKind::Mesh, L"Plane");
  object(heavy).meshData = paddedMesh(59993, 10);
  app().selectedObjectId = cubeId;
  meshJoinVisible();
  EXPECT_EQ(app().statusText, L"●  Mesh operation blocked by Phase 40 safety budget");
  EXPECT_TRUE(app().undoStack.size() == 1u);  // only the creation
}

TEST_F(CurveCommands, ClosedCurveOfManySamplesSurvivesTheLoadGuard) {
  std::wstring line = makeLine(9);
  CurveData& curve = object(line).curveData;
  curve.type = L"Bezier";
  curve.closed = true;
  for (int i = 0; i < 9; ++i) curve.points[i].position = {std::cos(i * 0.7), std::sin(i * 0.7), 0};
  rebuildCurveData(object(line));
  ASSERT_EQ(object(line).curveData.tessellated.size(), 145u);
  curveConvertToMesh();
  const Object converted = scene().objects.back();
  EXPECT_EQ(converted.meshData.vertices.size(), 145u);
  EXPECT_EQ(converted.meshData.faces.size(), 2u);
  Object guarded = converted;
  EXPECT_TRUE(sanitizeImportedMeshData(guarded));
  EXPECT_EQ(guarded.meshData.faces.read(), converted.meshData.faces.read());
  ProjectLoadResult loaded = deserializeProject(serializeProject(app().project));
  const Object* reopened = findObjectById(loaded.project.scene, converted.id);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->meshData.vertices.read(), converted.meshData.vertices.read());
  EXPECT_EQ(reopened->meshData.faces.read(), converted.meshData.faces.read());
}

}  // namespace
}  // namespace vk
