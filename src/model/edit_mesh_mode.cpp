// Edit Mesh mode: work and component mode changes, the guard every edit-mesh
// command passes, the edit budget, the finishing step of an edit and the
// selection readers over the application state.
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"

namespace vk {

namespace {

Object* activeObject() { return findObjectById(appState().selectedObjectId); }

MeshSelection activeMeshSelection() {
  const AppState& app = appState();
  return {app.selectedVertices, app.selectedEdges, app.selectedFaces};
}

// The imported-asset guard; on refusal it runs its recovery and reports
// (the refresh writes no status, so its place before the text is free).
bool importGuardPermits(Object& object) {
  std::wstring reason;
  if (phase65EditSafetyPermits(object, &reason)) return true;
  phase65ImportEditRecover(object, reason);
  refreshPanels();
  setStatusText(L"●  " + reason);
  return false;
}

bool meshWithinEditBudget(const MeshData& mesh) { return meshBudgetAllows(mesh, 0, 0); }

}  // namespace

std::wstring workModeName(WorkMode mode) {
  switch (mode) {
    case WorkMode::EditMesh:
      return L"Edit Mesh";
    case WorkMode::EditCurve:
      return L"Edit Curve";
    default:
      return L"Object";
  }
}

bool isEditableMesh(const Object& object) {
  return (object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text) && !object.meshData.vertices.empty();
}

void setWorkMode(WorkMode mode) {
  AppState& app = appState();
  Object* object = activeObject();
  if (mode == WorkMode::EditMesh) {
    if (!object || !isEditableMesh(*object)) {
      setStatusText(L"●  Edit Mesh requires a mesh/text object with mesh data");
      return;
    }
    if (!importGuardPermits(*object)) return;
    // Every frame and drag of Edit Mesh walks the whole mesh: a mesh above
    // the edit budget (a large OBJ import) stays in Object mode.
    if (!meshWithinEditBudget(object->meshData)) return;
  } else if (mode == WorkMode::EditCurve) {
    if (!object || object->kind != ObjectKind::Curve || object->curveData.points.empty()) {
      setStatusText(L"●  Edit Curve requires a curve object");
      return;
    }
  }
  app.workMode = mode;
  clearAllComponentSelections();
  invalidateChromeControls();
  refreshPanels();
  setStatusText(L"●  Mode: " + workModeName(mode));
}

void setComponentMode(ComponentMode mode) {
  AppState& app = appState();
  Object* object = activeObject();
  if (!object || !isEditableMesh(*object)) {
    setStatusText(L"●  Component modes require an editable mesh object");
    return;
  }
  if (!importGuardPermits(*object)) return;
  if (!meshWithinEditBudget(object->meshData)) return;
  app.componentMode = mode;
  app.workMode = WorkMode::EditMesh;
  sanitizeComponentSelection(*object);
  invalidateChromeControls();
  refreshPanels();
  setStatusText(L"●  " + componentModeName(mode) + L" mode: click components in the viewport; Shift toggles selection");
}

bool selectedEditableMesh(Object** out) {
  Object* object = activeObject();
  if (!object || !isEditableMesh(*object)) {
    setStatusText(L"●  Select an editable mesh first");
    return false;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Mesh is locked by object or parent");
    return false;
  }
  if (appState().workMode != WorkMode::EditMesh) {
    setStatusText(L"●  Switch to Edit Mesh mode first");
    return false;
  }
  if (!importGuardPermits(*object)) return false;
  sanitizeComponentSelection(*object);
  if (out) *out = object;
  return true;
}

bool meshBudgetAllows(const MeshData& mesh, std::int64_t addedVertices, std::int64_t addedFaces) {
  const std::int64_t vertices = static_cast<std::int64_t>(mesh.vertices.size()) + addedVertices;
  const std::int64_t faces = static_cast<std::int64_t>(mesh.faces.size()) + addedFaces;
  if (vertices <= kMeshEditElementLimit && faces <= kMeshEditElementLimit) return true;
  setStatusText(L"●  Mesh operation blocked by Phase 40 safety budget");
  return false;
}

void finalizeMeshEdit(EditTransaction& edit, Object& object, const std::wstring& status) {
  object.mesh.primitive = kEditedMeshLabel;
  rebuildMeshData(object);
  sanitizeComponentSelection(object);
  edit.commitDirty();
  setStatusText(status);
  refreshAll();
}

std::vector<std::int32_t> collectSelectionVertexIndices(const Object& object) {
  return selectionVertexIndices(object.meshData, activeMeshSelection());
}

std::vector<std::int32_t> collectMeshTransformVertices(const Object& object) {
  return transformVertexIndices(object.meshData, activeMeshSelection(), appState().componentMode);
}

std::vector<std::int32_t> expandSelectionToFaces(const Object& object) {
  return facesTouchedBySelection(object.meshData, activeMeshSelection());
}

}  // namespace vk
