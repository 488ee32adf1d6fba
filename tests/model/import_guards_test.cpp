// Imported-asset edit guards: import tags, size classes at their strict
// limits, the permission order and texts, recovery and the read-only toggle.
#include <gtest/gtest.h>

#include "model/import_guards.h"
#include "model/undo.h"
#include "scene_fixture.h"

namespace vk {
namespace {

MeshData meshOfCounts(std::size_t vertices, std::size_t edges, std::size_t faces) {
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>(vertices);
  mesh.edges = std::vector<MeshEdge>(edges);
  mesh.faces = std::vector<MeshFace>(faces);
  return mesh;
}

Object importedMesh(std::size_t vertices, std::size_t edges = 10, std::size_t faces = 10) {
  Object o;
  o.objectCapsuleId = L"phase65-gltf-import";
  o.meshData = meshOfCounts(vertices, edges, faces);
  return o;
}

TEST(ImportGuards, TagsMarkOnlyMeshes) {
  Object note;
  note.objectCapsuleId = L"capsule-x";
  note.objectCapsuleNote = L"made in Phase 65 import";
  EXPECT_TRUE(phase65FromGltfImport(note));
  Object label;
  label.mesh.primitive = L"Editable glTF/GLB Mesh";
  EXPECT_TRUE(phase65FromGltfImport(label));
  label.mesh.primitive = L"gltf mesh";
  EXPECT_FALSE(phase65FromGltfImport(label));
  Object text = importedMesh(100);
  text.kind = ObjectKind::Text;
  EXPECT_FALSE(phase65FromGltfImport(text));
  phase65EditSafetyNote(text);  // still gets the import defaults
  EXPECT_TRUE(text.importedMeshReadOnly);
  EXPECT_EQ(phase65EditSafetySummary(text), L"");
}

TEST(ImportGuards, SizeClassesAreStrict) {
  EXPECT_FALSE(phase65HighPolyForEdit(meshOfCounts(15000, 22000, 20000)));
  EXPECT_TRUE(phase65HighPolyForEdit(meshOfCounts(15001, 10, 10)));
  EXPECT_FALSE(proxyMeshIsDense(meshOfCounts(15001, 10, 10)));
  EXPECT_FALSE(proxyMeshIsDense(meshOfCounts(20000, 20000, 30000)));
  EXPECT_TRUE(proxyMeshIsDense(meshOfCounts(20001, 10, 10)));
  EXPECT_TRUE(meshUsesProxyPreview(meshOfCounts(10, 10, 30001)));

  Object heavy = importedMesh(15001);
  phase65EditSafetyNote(heavy);
  EXPECT_TRUE(heavy.importedMeshSafeSelectionOnly);
  EXPECT_EQ(heavy.importedMeshEditSafety,
            L"Phase 65.5.1: imported mesh starts read-only for topology safety; Object Mode select/transform is "
            L"allowed. Dense component editing is guarded by vertex/edge/face budgets.");
  Object light = importedMesh(100);
  phase65EditSafetyNote(light);
  EXPECT_FALSE(light.importedMeshSafeSelectionOnly);
  EXPECT_TRUE(omitFullMeshPreview(heavy));
  EXPECT_FALSE(omitFullMeshPreview(light));
  light.objectCapsuleNote = L"proxy-only viewport preview";
  EXPECT_TRUE(omitFullMeshPreview(light));
}

TEST(ImportGuards, PermissionChecksInOrderWithTheirTexts) {
  std::wstring reason;
  Object empty = importedMesh(0);
  EXPECT_FALSE(phase65EditSafetyPermits(empty, &reason));
  EXPECT_EQ(reason, L"Edit Mesh requires a mesh/text object with mesh data.");
  Object plain;
  plain.meshData = meshOfCounts(50000, 10, 10);
  EXPECT_TRUE(phase65EditSafetyPermits(plain, nullptr));

  Object readOnly = importedMesh(30000, 90000, 60000);
  readOnly.importedMeshReadOnly = true;
  EXPECT_FALSE(phase65EditSafetyPermits(readOnly, &reason));
  EXPECT_EQ(reason.rfind(L"Phase 65.5.1: imported mesh is read-only.", 0), 0u);
  readOnly.importedMeshConvertedEditable = true;
  EXPECT_FALSE(phase65EditSafetyPermits(readOnly, &reason));
  EXPECT_EQ(reason,
            L"Phase 65.5.1: imported mesh exceeds safe edit budget (30000 verts / 90000 edges / 60000 faces). "
            L"Object Mode select/transform remains available; component edit is blocked to prevent freezes.");
  Object converted = importedMesh(15000, 20000, 20000);
  converted.importedMeshReadOnly = true;
  converted.importedMeshConvertedEditable = true;
  EXPECT_TRUE(phase65EditSafetyPermits(converted, &reason));
}

TEST(ImportGuards, SummaryPieces) {
  Object o = importedMesh(16000);
  o.importedMeshReadOnly = true;
  o.importedMeshEditSafety = L"note";
  o.importedAssetSourcePath = L"C:\\assets\\ship.glb";
  o.importedAssetMissingOnLoad = true;
  EXPECT_EQ(phase65EditSafetySummary(o),
            L"Imported mesh edit safety: read-only import | high-poly component editing guarded | object/gizmo "
            L"selection only for dense paths | note | Source: ship.glb | source path missing; mesh data "
            L"preserved");
  EXPECT_TRUE(phase65ImportGuardedPicking(o));
  EXPECT_FALSE(phase65ImportGuardedPicking(importedMesh(100)));
}

using ImportCommands = SceneTest;

TEST_F(ImportCommands, RecoveryReturnsToObjectModeWithoutSnapshotOrDirtyMark) {
  Object& cube = object(L"obj-1");
  cube.objectCapsuleId = L"phase65-gltf-import";
  app().workMode = WorkMode::EditMesh;
  app().selectedVertices = {1, 2};
  phase65ImportEditRecover(cube, L"");
  EXPECT_EQ(app().workMode, WorkMode::Object);
  EXPECT_TRUE(app().selectedVertices.empty());
  EXPECT_TRUE(cube.importedMeshReadOnly && cube.importedMeshSafeSelectionOnly);
  EXPECT_EQ(cube.importedMeshEditSafety, L"Phase 65.5.1 recovery: component edit safety restored.");
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);

  Object& camera = object(L"obj-2");
  app().workMode = WorkMode::EditMesh;
  phase65ImportEditRecover(camera, L"x");
  EXPECT_EQ(app().workMode, WorkMode::EditMesh);  // not an import: nothing happens
}

TEST_F(ImportCommands, ToggleReadOnly) {
  app().selectedObjectId = L"obj-1";
  toggleImportedMeshReadOnly();
  EXPECT_EQ(app().statusText, L"●  Select an imported glTF/GLB mesh first");
  EXPECT_TRUE(app().undoStack.empty());

  object(L"obj-1").objectCapsuleId = L"phase65-gltf-import";
  app().workMode = WorkMode::EditMesh;
  app().selectedFaces = {0};
  toggleImportedMeshReadOnly();
  EXPECT_TRUE(object(L"obj-1").importedMeshReadOnly);
  EXPECT_EQ(object(L"obj-1").importedMeshEditSafety, L"Phase 65.5.1: imported mesh is read-only for component editing.");
  EXPECT_EQ(app().workMode, WorkMode::Object);
  EXPECT_TRUE(app().selectedFaces.empty());
  EXPECT_EQ(app().statusText, L"●  Imported mesh read-only enabled");
  EXPECT_EQ(app().undoStack.size(), 1u);
  EXPECT_TRUE(app().dirty);

  // A dense import keeps its guard even with read-only off.
  object(L"obj-1").meshData.vertices.write().resize(20001);
  toggleImportedMeshReadOnly();
  EXPECT_FALSE(object(L"obj-1").importedMeshReadOnly);
  EXPECT_TRUE(object(L"obj-1").importedMeshSafeSelectionOnly);
  EXPECT_EQ(object(L"obj-1").importedMeshEditSafety.rfind(L"Phase 65.5.1: high-poly edit guard remains active", 0),
            0u);
  EXPECT_EQ(app().statusText, L"●  Imported mesh read-only disabled; edit budget still enforced");
}

}  // namespace
}  // namespace vk
