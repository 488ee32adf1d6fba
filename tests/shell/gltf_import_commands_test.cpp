// The imported-mesh commands through the dispatcher: convert at the edit
// budget's edges, refusals without a snapshot, recover, and re-import of a
// missing path, a folder and a declined confirmation.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/gltf_import.h"
#include "gltf_import_studio.h"
#include "model/app_state.h"
#include "model/import_guards.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/services.h"
#include "platform/kernel.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

// An imported mesh with exactly these counts: a strip of m vertices (m - 2
// faces, 2m - 3 edges) plus one loose triangle (3 edges), padded with loose
// vertices, and the first face repeated (faces without new edges).
Object importedMesh(std::size_t vertices, std::size_t faces, std::size_t edges) {
  Object o = makeObject(ObjectKind::Mesh, L"Imported");
  o.objectCapsuleId = L"phase65-gltf-import";
  o.mesh.primitive = L"Imported glTF Mesh";
  MeshData& mesh = o.meshData;
  mesh = MeshData{};
  const bool odd = edges % 2 == 1;
  const std::size_t stripVertices = odd ? (edges + 3) / 2 : edges / 2;
  auto& v = mesh.vertices.write();
  auto& f = mesh.faces.write();
  for (std::size_t i = 0; i < stripVertices; ++i) v.push_back({static_cast<double>(i), static_cast<double>(i % 2), 0});
  for (std::int32_t i = 0; i + 2 < static_cast<std::int32_t>(stripVertices); ++i) f.push_back({{i, i + 1, i + 2}, {}, 0});
  if (!odd) {
    const auto b = static_cast<std::int32_t>(v.size());
    v.insert(v.end(), {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}});
    f.push_back({{b, b + 1, b + 2}, {}, 0});
  }
  while (v.size() < vertices) v.push_back({0, 0, 9});
  const MeshFace first = f.front();
  while (f.size() < faces) f.push_back(first);
  rebuildMeshData(o);
  phase65EditSafetyNote(o);
  return o;
}

class ImportedCommands : public test::GltfStudio {
 protected:
  Object& select(Object object) {
    auto& objects = appState().project.scene.objects;
    objects.push_back(std::move(object));
    appState().selectedObjectId = objects.back().id;
    return objects.back();
  }
  Object& active() { return appState().project.scene.objects.back(); }
};

TEST_F(ImportedCommands, ConvertAtTheEditBudgetAndRefuseOneMoreOfAny) {
  const Object edge = importedMesh(15000, 20000, 20000);
  ASSERT_EQ(edge.meshData.vertices.size(), 15000u);
  ASSERT_EQ(edge.meshData.faces.size(), 20000u);
  ASSERT_EQ(edge.meshData.edges.size(), 20000u);
  select(edge);
  const std::size_t undo = appState().undoStack.size();
  EXPECT_TRUE(handleCommand(kCmdConvertImportedToEditable).handled);
  EXPECT_EQ(appState().statusText, L"●  Converted imported mesh to editable Veltrask mesh copy in-place");
  EXPECT_TRUE(active().importedMeshConvertedEditable);
  EXPECT_FALSE(active().importedMeshReadOnly);
  EXPECT_EQ(active().mesh.primitive, L"Editable glTF/GLB Mesh");
  EXPECT_TRUE(phase65FromGltfImport(active()));
  EXPECT_EQ(appState().undoStack.size(), undo + 1);

  for (const Object& over : {importedMesh(15001, 20000, 20000), importedMesh(15000, 20001, 20000),
                             importedMesh(15000, 20000, 20001)}) {
    select(over);
    setDirty(false);
    const std::size_t before = appState().undoStack.size();
    boxes_.clear();
    handleCommand(kCmdConvertImportedToEditable);
    EXPECT_EQ(appState().undoStack.size(), before);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, L"Phase 65.5.1 High-Poly Edit Guard");
    EXPECT_NE(boxes_[0].text.find(L"Edges: " + std::to_wstring(over.meshData.edges.size()) + L" / 22000 safe edit"),
              std::wstring::npos);
    EXPECT_TRUE(active().importedMeshSafeSelectionOnly);
    EXPECT_FALSE(active().importedMeshConvertedEditable);
    EXPECT_FALSE(appState().dirty);
  }
}

TEST_F(ImportedCommands, RefusalsAndRecover) {
  select(makeObject(ObjectKind::Mesh, L"Plain"));
  const std::size_t undo = appState().undoStack.size();
  handleCommand(kCmdConvertImportedToEditable);
  EXPECT_EQ(appState().statusText, L"●  Select an imported glTF/GLB mesh to convert");
  handleCommand(kCmdRecoverImportedEditSafety);
  EXPECT_EQ(appState().statusText, L"●  Select an imported glTF/GLB mesh first");
  handleCommand(kCmdReimportSourceAsset);
  EXPECT_EQ(appState().statusText,
            L"●  Select an imported glTF/GLB object with a preserved Phase 65.6 source path first");
  EXPECT_EQ(appState().undoStack.size(), undo);

  Object& imported = select(importedMesh(40, 40, 59));
  imported.importedMeshReadOnly = false;
  handleCommand(kCmdRecoverImportedEditSafety);
  EXPECT_TRUE(active().importedMeshReadOnly);
  EXPECT_TRUE(active().importedMeshSafeSelectionOnly);
  EXPECT_EQ(active().importedMeshEditSafety,
            L"Phase 65.5.1 recovery: reset to read-only object/gizmo-safe imported mesh mode.");
  EXPECT_EQ(appState().undoStack.size(), undo + 1);
  EXPECT_TRUE(appState().dirty);
}

TEST_F(ImportedCommands, ReimportOfAMissingPathAFolderAndADeclinedConfirmation) {
  Object& missing = select(importedMesh(40, 40, 59));
  missing.importedAssetSourcePath = utf8ToWide((root_ / "gone.glb").string());
  setDirty(false);
  handleCommand(kCmdReimportSourceAsset);
  EXPECT_TRUE(active().importedAssetMissingOnLoad);
  EXPECT_TRUE(appState().dirty);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, L"Phase 65.6 Source Asset Missing");
  EXPECT_EQ(appState().statusText, L"●  Source path missing; imported mesh data remains loaded from the saved project");

  active().importedAssetSourcePath = utf8ToWide(root_.string());
  setDirty(false);
  answerYesNo_ = IDNO;
  boxes_.clear();
  handleCommand(kCmdReimportSourceAsset);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, L"Phase 65.6 Reimport Source glTF/GLB");
  EXPECT_EQ(appState().statusText, L"●  Reimport cancelled; existing project mesh remains loaded");
  EXPECT_FALSE(appState().dirty);

  answerYesNo_ = IDYES;
  boxes_.clear();
  const std::size_t objects = appState().project.scene.objects.size();
  handleCommand(kCmdReimportSourceAsset);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].title, L"glTF/GLB Import Failed");
  EXPECT_EQ(boxes_[1].text, L"glTF import failed: file could not be opened or exceeded the safe size limit.\n\n\"" +
                                active().importedAssetSourcePath + L"\" is a folder, not a regular file.");
  EXPECT_EQ(appState().statusText, L"Phase 65.6 import failed");
  EXPECT_EQ(appState().project.scene.objects.size(), objects);
}

}  // namespace
}  // namespace vk
