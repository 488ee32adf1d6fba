// The edit-mesh commands: each runs the shared frame (guard, precondition,
// edit budget, the change on a copy, the load guard's rules on the result,
// undo snapshot, finalizeMeshEdit) around one pure operation. A refusal
// before the snapshot changes nothing.
//
// Pointers into Scene.objects die when the vector changes: Separate and Join
// carry ids across their appends and erases and look the object up again.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/app_state.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"

namespace vk {

namespace {

void setMeshSelection(MeshSelection selection) {
  AppState& app = appState();
  app.selectedVertices = std::move(selection.vertices);
  app.selectedEdges = std::move(selection.edges);
  app.selectedFaces = std::move(selection.faces);
}

MeshSelection newFaces(std::vector<std::int32_t> faces) { return {{}, {}, std::move(faces)}; }

MeshSelection activeSelection() {
  const AppState& app = appState();
  return {app.selectedVertices, app.selectedEdges, app.selectedFaces};
}

// An edit's result as it will be stored: relabelled as edited.
bool editedMeshReopens(const Object& object, const MeshData& result) {
  return meshGuardPermits(result, object.kind, kEditedMeshLabel);
}

// The frame every edit runs once its checks passed: the change is made on a
// copy (sharing the arrays it does not write) and returns the selection to
// leave; a result the load guard would not keep is refused with nothing
// changed. Then the transaction, the result, finalizeMeshEdit.
template <typename Change>
bool applyMeshEdit(Object& object, const std::wstring& status, Change&& change) {
  MeshData result = object.meshData;
  MeshSelection selection = change(result);
  if (!editedMeshReopens(object, result)) return false;
  EditTransaction edit;
  object.meshData = std::move(result);
  clearAllComponentSelections();
  setMeshSelection(std::move(selection));
  finalizeMeshEdit(edit, object, status);
  return true;
}

// The same for an edit that adds geometry: refused with the budget's message,
// before any work, when the additions would pass the edit budget.
template <typename Change>
bool applyGrowingMeshEdit(Object& object, MeshGrowth growth, const std::wstring& status, Change&& change) {
  if (!meshBudgetAllows(object.meshData, growth.vertices, growth.faces)) return false;
  return applyMeshEdit(object, status, std::forward<Change>(change));
}

}  // namespace

void meshExtrude() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  AppState& app = appState();
  MeshData& mesh = object->meshData;
  if (!app.selectedFaces.empty()) {
    MeshGrowth growth = faceExtrudeGrowth(mesh, app.selectedFaces);
    if (growth.vertices == 0) {
      setStatusText(L"●  Extrude aborted: no valid selected faces");
      return;
    }
    applyGrowingMeshEdit(*object, growth, L"●  Extruded faces outward along corrected face normals",
                         [&](MeshData& edited) { return newFaces(extrudeFaces(edited, app.selectedFaces)); });
  } else if (!app.selectedEdges.empty()) {
    const std::int64_t n = static_cast<std::int64_t>(app.selectedEdges.size());
    applyGrowingMeshEdit(*object, {2 * n, n}, L"●  Extruded edges outward from adjacent faces",
                         [&](MeshData& edited) { return newFaces(extrudeEdges(edited, app.selectedEdges)); });
  } else if (!app.selectedVertices.empty()) {
    const std::int64_t n = static_cast<std::int64_t>(app.selectedVertices.size());
    applyGrowingMeshEdit(*object, {n, 0}, L"●  Extruded vertices outward from surrounding surface normals",
                         [&](MeshData& edited) {
                           return MeshSelection{extrudeVertices(edited, app.selectedVertices), {}, {}};
                         });
  } else {
    setStatusText(L"●  Select faces, edges, or vertices to extrude");
  }
}

bool insetFaces(Object& object, double amount, const std::wstring& status) {
  std::vector<std::int32_t> faces = expandSelectionToFaces(object);
  if (faces.empty()) {
    setStatusText(L"●  Select one or more faces to inset/bevel");
    return false;
  }
  return applyGrowingMeshEdit(
      object, insetGrowth(object.meshData, faces), status,
      [&](MeshData& edited) { return newFaces(insetFaceList(edited, faces, amount)); });
}

void meshInsetFaces() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  insetFaces(*object, kInsetFactor, L"●  Inset selected faces");
}

void meshBevel() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  AppState& app = appState();
  if ((!app.selectedFaces.empty() || !app.selectedVertices.empty()) && !expandSelectionToFaces(*object).empty()) {
    insetFaces(*object, kFaceBevelFactor, L"●  Beveled selected face region");
    return;
  }
  if (app.selectedEdges.empty()) {
    setStatusText(L"●  Select faces or edges to bevel");
    return;
  }
  const std::int64_t n = static_cast<std::int64_t>(app.selectedEdges.size());
  applyGrowingMeshEdit(*object, {2 * n, n}, L"●  Beveled selected edges",
                       [&](MeshData& edited) { return newFaces(bevelEdges(edited, app.selectedEdges)); });
}

void meshDeleteSelected() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  AppState& app = appState();
  if (app.selectedVertices.empty() && app.selectedEdges.empty() && app.selectedFaces.empty()) {
    setStatusText(L"●  Select mesh components to delete");
    return;
  }
  applyMeshEdit(*object, L"●  Deleted selected mesh components", [&](MeshData& edited) {
    deleteComponents(edited, activeSelection());
    return MeshSelection{};
  });
}

void meshMergeSelected() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  std::vector<std::int32_t> list = collectSelectionVertexIndices(*object);
  if (list.size() < 2) {
    setStatusText(L"●  Select at least two vertices/edges/faces to merge");
    return;
  }
  applyMeshEdit(*object, L"●  Merged / welded selected vertices", [&](MeshData& edited) {
    return MeshSelection{{mergeVertices(edited, list)}, {}, {}};
  });
}

void meshFlipNormals() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  applyMeshEdit(*object, L"●  Flipped normals", [](MeshData& edited) {
    flipFaces(edited, appState().selectedFaces);
    return activeSelection();
  });
}

void meshRecalcNormals() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  applyMeshEdit(*object, L"●  Recalculated normals outside", [](MeshData& edited) {
    recalculateOutsideNormals(edited);
    return activeSelection();
  });
}

void meshBridgeEdges() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  const std::vector<std::int32_t>& edges = appState().selectedEdges;
  if (edges.size() < 2) {
    setStatusText(L"●  Select at least two edges to bridge");
    return;
  }
  applyGrowingMeshEdit(*object, {0, static_cast<std::int64_t>(edges.size() / 2)}, L"●  Bridged selected edge pairs",
                       [&](MeshData& edited) { return newFaces(bridgeEdges(edited, edges)); });
}

void meshFillFace() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  std::vector<std::int32_t> loop = collectSelectionVertexIndices(*object);
  if (loop.size() < 3) {
    setStatusText(L"●  Select at least three vertices/edges to fill a face");
    return;
  }
  // A loop longer than the load guard's face limit is stored as fan pieces.
  if (!meshBudgetAllows(object->meshData, 0, loopFaceCount(loop.size()))) return;
  std::vector<MeshFace> faces = fillLoopFaces(object->meshData, std::move(loop));
  if (faces.empty()) {
    setStatusText(L"●  Fill rejected: that face already exists");
    return;
  }
  applyMeshEdit(*object, L"●  Filled face from selected vertices",
                [&](MeshData& edited) { return newFaces(appendFaces(edited, std::move(faces))); });
}

void meshLoopCut() {
  Object* object = nullptr;
  if (!selectedEditableMesh(&object)) return;
  std::vector<std::int32_t> faces = expandSelectionToFaces(*object);
  if (faces.empty()) {
    setStatusText(L"●  Select faces for Phase 39 loop-cut placeholder split");
    return;
  }
  // (2F, 3F) undercounts n-gons, which become n triangles: ask for the
  // exact additions when they are larger.
  const std::int64_t f = static_cast<std::int64_t>(faces.size());
  MeshGrowth exact = loopCutGrowth(object->meshData, faces);
  applyGrowingMeshEdit(*object, {std::max(2 * f, exact.vertices), std::max(3 * f, exact.faces)},
                       L"●  Loop-cut placeholder split applied",
                       [&](MeshData& edited) { return newFaces(loopCutFaces(edited, faces)); });
}

void meshSeparateFaces() {
  Object* source = nullptr;
  if (!selectedEditableMesh(&source)) return;
  std::vector<std::int32_t> faces = expandSelectionToFaces(*source);
  if (faces.empty()) {
    setStatusText(L"●  Select faces to separate into a new mesh object");
    return;
  }
  if (!roomForObjects(1)) return;
  // Built before the snapshot, so a selection that yields no face is refused
  // without leaving an undo entry behind.
  MeshData separated = separatedMesh(source->meshData, faces);
  if (separated.faces.empty()) {
    setStatusText(L"●  Separate rejected invalid face selection");
    return;
  }
  MeshData remaining = source->meshData;
  std::vector<std::int32_t> unused;
  replaceFaces(remaining, faces, {}, unused);
  // A source left with loose vertices only is labelled as edited, so that
  // opening the saved project keeps it instead of rebuilding its primitive.
  const std::wstring sourceLabel = remaining.faces.empty() ? std::wstring(kEditedMeshLabel) : source->mesh.primitive;
  if (!editedMeshReopens(*source, separated) || !meshGuardPermits(remaining, source->kind, sourceLabel)) return;
  EditTransaction edit;
  source->meshData = std::move(remaining);
  source->mesh.primitive = sourceLabel;
  rebuildMeshData(*source);

  Object created = *source;
  created.id = makeObjectId();
  created.name = source->name + L" Separate";
  created.parentId.clear();
  created.meshData = std::move(separated);
  rebuildMeshData(created);
  const std::wstring createdId = created.id;
  appState().project.scene.objects.push_back(std::move(created));  // `source` is stale from here
  attachToMainCollection(createdId);
  appState().selectedObjectId = createdId;
  clearAllComponentSelections();
  finalizeMeshEdit(edit, *findObjectById(createdId), L"●  Separated selected faces into a new mesh object");
}

void meshJoinVisible() {
  Object* target = nullptr;
  if (!selectedEditableMesh(&target)) return;
  AppState& app = appState();
  ObjectList& objects = app.project.scene.objects;
  const ObjectList& view = objects;  // reads share; only the target is written
  const std::wstring targetId = target->id;
  std::vector<std::size_t> candidates;
  std::int64_t addedVertices = 0, addedFaces = 0;
  for (std::size_t i = 0; i < view.size(); ++i) {
    const Object& candidate = view[i];
    if (&candidate == target) continue;
    // Effective visibility: an object hidden through its parent is not on screen.
    if (!isEffectivelyVisible(candidate) || isEffectivelyLocked(candidate)) continue;
    if (isDescendantOf(candidate.id, targetId)) continue;
    if (!isEditableMesh(candidate)) continue;
    candidates.push_back(i);
    addedVertices += static_cast<std::int64_t>(candidate.meshData.vertices.size());
    addedFaces += static_cast<std::int64_t>(candidate.meshData.faces.size());
  }
  if (candidates.empty()) {
    setStatusText(L"●  No other visible mesh objects available to join");
    return;
  }
  if (!meshBudgetAllows(target->meshData, addedVertices, addedFaces)) return;
  MeshData result = target->meshData;
  for (std::size_t i : candidates) {
    const Object& candidate = view[i];
    appendMeshWithOffset(result, candidate.meshData, candidate.transform.position - target->transform.position);
  }
  // A candidate's face may name a slot the target lacks: it takes the
  // target's nearest, as every reopen (and every slot repair) would give it.
  clampFaceMaterialIndices(result, static_cast<std::int32_t>(target->materialSlots.slots.size()));
  // Candidates far apart can carry vertices past the coordinate limit.
  if (!editedMeshReopens(*target, result)) return;
  EditTransaction edit;
  target->meshData = std::move(result);
  const std::size_t targetIndex = view.indexOf(target);
  std::vector<char> removed(view.size(), 0);
  std::vector<std::wstring> removedIds;
  std::size_t removedBeforeTarget = 0;
  for (std::size_t i : candidates) {
    removed[i] = 1;
    removedBeforeTarget += i < targetIndex ? 1 : 0;
    // A repeated id ("obj-restored") must not take the target's membership with it.
    if (view[i].id != targetId) removedIds.push_back(view[i].id);
  }
  std::size_t index = 0;
  objects.eraseIf([&](const Object&) { return removed[index++] != 0; });
  for (Collection& collection : app.project.scene.collections) {
    std::erase_if(collection.objectIds, [&](const std::wstring& id) {
      return std::find(removedIds.begin(), removedIds.end(), id) != removedIds.end();
    });
  }
  app.selectedObjectId = targetId;
  clearAllComponentSelections();
  Object& joined = objects[targetIndex - removedBeforeTarget];
  finalizeMeshEdit(edit, joined, L"●  Joined visible mesh objects into selected mesh");
}

}  // namespace vk
