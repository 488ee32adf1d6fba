// The imported-mesh commands: convert to editable within the edit budgets,
// recover the read-only guard, and import a preserved source again.
#include "formats/gltf_import.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/undo.h"
#include "platform/dialogs.h"
#include "platform/file_io.h"
#include "model/services.h"

namespace vk {

namespace {

constexpr wchar_t kEditableImportLabel[] = L"Editable glTF/GLB Mesh";

Object* activeObject() { return findObjectById(appState().selectedObjectId); }

Object* activeImportedMesh() {
  Object* object = activeObject();
  if (!object || (object->kind != ObjectKind::Mesh && object->kind != ObjectKind::Text) ||
      object->meshData.vertices.empty() || !phase65FromGltfImport(*object))
    return nullptr;
  return object;
}

}  // namespace

void convertImportedMeshToEditable() {
  Object* object = activeImportedMesh();
  if (!object) {
    setStatusText(L"●  Select an imported glTF/GLB mesh to convert");
    return;
  }
  const MeshData& mesh = object->meshData;
  if (!phase65HighPolyForEdit(mesh) && !proxyMeshIsDense(mesh)) {
    if (!meshGuardPermits(mesh, object->kind, kEditableImportLabel)) return;
    EditTransaction edit;
    object = activeImportedMesh();
    object->importedMeshReadOnly = false;
    object->importedMeshConvertedEditable = true;
    object->importedMeshSafeSelectionOnly = false;
    object->importedMeshEditSafety =
        L"Phase 65.5.1: converted to editable Veltrask mesh within safe component-edit budgets.";
    object->mesh.primitive = kEditableImportLabel;
    rebuildMeshData(*object);
    edit.commit();
    setStatusText(L"●  Converted imported mesh to editable Veltrask mesh copy in-place");
    return;
  }
  const std::wstring text =
      L"This imported mesh is loaded and can be selected/transformed, but it is too heavy for Veltrask's current "
      L"component edit mode.\n\nVertices: " +
      std::to_wstring(mesh.vertices.size()) + L" / 15000 safe edit budget\nEdges: " + std::to_wstring(mesh.edges.size()) +
      L" / 22000 safe edit budget\nFaces: " + std::to_wstring(mesh.faces.size()) +
      L" / 20000 safe edit budget\n\nPhase 65.5.1 recovery keeps this as an Object Mode transformable mesh instead of "
      L"opening component edit mode and freezing the UI.";
  MessageBoxW(appState().ui.mainWindow, text.c_str(), L"Phase 65.5.1 High-Poly Edit Guard", MB_OK | MB_ICONWARNING);
  object = activeImportedMesh();
  if (!object) return;
  object->importedMeshReadOnly = true;
  object->importedMeshSafeSelectionOnly = true;
  object->importedMeshEditSafety =
      L"Phase 65.5.1: conversion blocked by high-poly edit guard; Object Mode transforms remain available.";
  clearAllComponentSelections();
  appState().workMode = WorkMode::Object;
  refreshAll();
  setStatusText(
      L"●  Conversion blocked safely: high-poly imported mesh remains object-transformable but not component-editable");
}

void recoverImportedEditSafety() {
  Object* object = activeImportedMesh();
  if (!object) {
    setStatusText(L"●  Select an imported glTF/GLB mesh first");
    return;
  }
  EditTransaction edit;
  object = activeImportedMesh();
  phase65ImportEditRecover(*object, L"Phase 65.5.1 recovery: reset to read-only object/gizmo-safe imported mesh mode.");
  edit.commit();
  setStatusText(L"●  Imported mesh edit safety recovered: Object Mode transform path restored");
}

void reimportSourceAsset() {
  Object* object = activeObject();
  if (!object || object->importedAssetSourcePath.empty()) {
    setStatusText(L"●  Select an imported glTF/GLB object with a preserved Phase 65.6 source path first");
    return;
  }
  const std::wstring path = object->importedAssetSourcePath;
  if (!fileStatus(path).exists) {
    object->importedAssetMissingOnLoad = true;
    setDirty(true);
    refreshAll();
    const std::wstring text =
        L"The preserved source asset path is missing, but the loaded project mesh data is still safe and remains in "
        L"the scene.\n\n" +
        path;
    MessageBoxW(appState().ui.mainWindow, text.c_str(), L"Phase 65.6 Source Asset Missing", MB_OK | MB_ICONWARNING);
    setStatusText(L"●  Source path missing; imported mesh data remains loaded from the saved project");
    return;
  }
  const std::wstring text = L"Reimport this preserved source as a new scene import?\n\n" + path +
                            L"\n\nPhase 65.6 does not destroy the currently loaded project object; it imports a fresh "
                            L"copy so the saved mesh remains recoverable.";
  if (MessageBoxW(appState().ui.mainWindow, text.c_str(), L"Phase 65.6 Reimport Source glTF/GLB",
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    setStatusText(L"●  Reimport cancelled; existing project mesh remains loaded");
    return;
  }
  phase65ImportRun(path);
}

}  // namespace vk
