#include "model/import_guards.h"

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "model/texture_paths.h"
#include "model/undo.h"

namespace vk {

namespace {

const wchar_t kImportCapsuleId[] = L"phase65-gltf-import";

bool contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

bool overBudgetOrDense(const MeshData& mesh) { return phase65HighPolyForEdit(mesh) || proxyMeshIsDense(mesh); }

}  // namespace

bool phase65FromGltfImport(const Object& object) {
  if (object.kind != ObjectKind::Mesh) return false;
  return object.objectCapsuleId == kImportCapsuleId || contains(object.mesh.primitive, L"glTF") ||
         contains(object.mesh.primitive, L"GLB") || contains(object.objectCapsuleNote, L"glTF/GLB") ||
         contains(object.objectCapsuleNote, L"Phase 65");
}

bool phase65HighPolyForEdit(const MeshData& mesh) {
  return mesh.vertices.size() > 15000 || mesh.faces.size() > 20000 || mesh.edges.size() > 22000;
}

bool proxyMeshIsDense(const MeshData& mesh) {
  return mesh.vertices.size() > 20000 || mesh.faces.size() > 30000 || mesh.edges.size() > 20000;
}

bool meshUsesProxyPreview(const MeshData& mesh) { return proxyMeshIsDense(mesh); }

bool omitFullMeshPreview(const Object& object) {
  if (meshUsesProxyPreview(object.meshData)) return true;
  if (object.objectCapsuleId != kImportCapsuleId) return false;
  return object.importedMeshSafeSelectionOnly ||
         contains(object.objectCapsuleNote, L"proxy-only viewport preview") ||
         contains(object.objectCapsuleNote, L"dense protected viewport preview") ||
         contains(object.importedMeshEditSafety, L"large-asset proxy");
}

void phase65EditSafetyNote(Object& object) {
  if (!phase65FromGltfImport(object) && object.objectCapsuleId != kImportCapsuleId) return;
  object.importedMeshReadOnly = true;
  object.importedMeshConvertedEditable = false;
  object.importedMeshSafeSelectionOnly = object.importedMeshSafeSelectionOnly || overBudgetOrDense(object.meshData);
  if (object.importedMeshEditSafety.empty()) {
    object.importedMeshEditSafety =
        L"Phase 65.5.1: imported mesh starts read-only for topology safety; Object Mode select/transform is "
        L"allowed.";
    if (object.importedMeshSafeSelectionOnly) {
      object.importedMeshEditSafety += L" Dense component editing is guarded by vertex/edge/face budgets.";
    }
  }
}

bool phase65EditSafetyPermits(const Object& object, std::wstring* reason) {
  auto refuse = [&](std::wstring text) {
    if (reason) *reason = std::move(text);
    return false;
  };
  if ((object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) || object.meshData.vertices.empty()) {
    return refuse(L"Edit Mesh requires a mesh/text object with mesh data.");
  }
  if (!phase65FromGltfImport(object)) return true;
  if (object.importedMeshReadOnly && !object.importedMeshConvertedEditable) {
    return refuse(
        L"Phase 65.5.1: imported mesh is read-only. Use Mesh > Imported Mesh Safety > Convert Imported Mesh "
        L"to Editable before component editing.");
  }
  if (!overBudgetOrDense(object.meshData)) return true;
  const MeshData& mesh = object.meshData;
  return refuse(L"Phase 65.5.1: imported mesh exceeds safe edit budget (" + std::to_wstring(mesh.vertices.size()) +
                L" verts / " + std::to_wstring(mesh.edges.size()) + L" edges / " +
                std::to_wstring(mesh.faces.size()) +
                L" faces). Object Mode select/transform remains available; component edit is blocked to "
                L"prevent freezes.");
}

std::wstring phase65EditSafetySummary(const Object& object) {
  if (!phase65FromGltfImport(object)) return L"";
  std::wstring text = L"Imported mesh edit safety: ";
  if (object.importedMeshConvertedEditable) {
    text += L"converted editable";
  } else if (object.importedMeshReadOnly) {
    text += L"read-only import";
  } else {
    text += L"editable import";
  }
  const bool highPoly = phase65HighPolyForEdit(object.meshData);
  if (highPoly) text += L" | high-poly component editing guarded";
  if (object.importedMeshSafeSelectionOnly || object.importedMeshReadOnly || highPoly ||
      proxyMeshIsDense(object.meshData)) {
    text += L" | object/gizmo selection only for dense paths";
  }
  if (!object.importedMeshEditSafety.empty()) text += L" | " + object.importedMeshEditSafety;
  if (!object.importedAssetSourcePath.empty()) {
    text += L" | Source: " + textureFileName(object.importedAssetSourcePath);
    if (object.importedAssetLoadedFromProject) text += L" | loaded from project JSON, not re-imported";
    if (object.importedAssetMissingOnLoad) text += L" | source path missing; mesh data preserved";
  }
  return text;
}

void phase65ImportEditRecover(Object& object, const std::wstring& note) {
  if (!phase65FromGltfImport(object)) return;
  object.importedMeshReadOnly = true;
  object.importedMeshSafeSelectionOnly = true;
  object.importedMeshEditSafety = note.empty() ? L"Phase 65.5.1 recovery: component edit safety restored." : note;
  AppState& app = appState();
  app.workMode = WorkMode::Object;
  clearAllComponentSelections();
  invalidateChromeControls();
}

bool phase65ImportGuardedPicking(const Object& object) {
  if (!phase65FromGltfImport(object)) return false;
  return object.importedMeshSafeSelectionOnly || object.importedMeshReadOnly || overBudgetOrDense(object.meshData);
}

void toggleImportedMeshReadOnly() {
  AppState& app = appState();
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected || (selected->kind != ObjectKind::Mesh && selected->kind != ObjectKind::Text) ||
      selected->meshData.vertices.empty() || !phase65FromGltfImport(*selected)) {
    setStatusText(L"●  Select an imported glTF/GLB mesh first");
    return;
  }
  EditTransaction edit;
  Object* object = findObjectById(app.selectedObjectId);
  object->importedMeshReadOnly = !object->importedMeshReadOnly;
  if (!overBudgetOrDense(object->meshData)) {
    object->importedMeshEditSafety =
        object->importedMeshReadOnly
            ? L"Phase 65.5.1: imported mesh is read-only for component editing."
            : L"Phase 65.5.1: read-only disabled; component editing is allowed within safety budgets.";
  } else {
    object->importedMeshSafeSelectionOnly = true;
    object->importedMeshEditSafety =
        L"Phase 65.5.1: high-poly edit guard remains active even when read-only is toggled off; use Object Mode "
        L"transforms or a lower-poly proxy.";
  }
  const bool readOnly = object->importedMeshReadOnly;
  if (readOnly) {
    app.workMode = WorkMode::Object;
    clearAllComponentSelections();
  }
  edit.commit();
  setStatusText(readOnly ? L"●  Imported mesh read-only enabled"
                         : L"●  Imported mesh read-only disabled; edit budget still enforced");
}

}  // namespace vk
