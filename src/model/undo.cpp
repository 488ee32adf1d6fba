#include "model/undo.h"

#include <algorithm>
#include <utility>

#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/texture_paths.h"

namespace vk {

ProjectSnapshot makeSnapshot() {
  const AppState& app = appState();
  ProjectSnapshot snapshot;
  snapshot.project = app.project;
  snapshot.selectedObjectId = app.selectedObjectId;
  snapshot.workMode = app.workMode;
  snapshot.componentMode = app.componentMode;
  snapshot.transformTool = app.transformTool;
  snapshot.axisConstraint = app.axisConstraint;
  snapshot.activeModifierIndex = app.activeModifierIndex;
  snapshot.activeMaterialSlotIndex = app.activeMaterialSlotIndex;
  snapshot.cameraView = app.cameraView;
  snapshot.nextObjectNumber = app.nextObjectNumber;
  snapshot.textureFolder = projectBaseDirectory();
  snapshot.selectedVertices = app.selectedVertices;
  snapshot.selectedEdges = app.selectedEdges;
  snapshot.selectedFaces = app.selectedFaces;
  snapshot.selectedCurvePoints = app.selectedCurvePoints;
  return snapshot;
}

UndoPushToken pushUndoSnapshot() {
  AppState& app = appState();
  UndoPushToken token;
  app.undoStack.push_back(makeSnapshot());
  if (app.undoStack.size() > kUndoLimit) {
    token.droppedOldest = std::move(app.undoStack.front());
    app.undoStack.erase(app.undoStack.begin());
  }
  token.redoStack = std::move(app.redoStack);
  app.redoStack.clear();
  token.stacksVersion = ++app.undoStacksVersion;
  return token;
}

bool withdrawUndoSnapshot(UndoPushToken& token) {
  AppState& app = appState();
  if (token.stacksVersion == 0 || token.stacksVersion != app.undoStacksVersion) return false;
  app.undoStack.pop_back();
  if (token.droppedOldest) {
    app.undoStack.insert(app.undoStack.begin(), std::move(*token.droppedOldest));
    token.droppedOldest.reset();
  }
  app.redoStack = std::move(token.redoStack);
  token.redoStack.clear();
  token.stacksVersion = 0;
  ++app.undoStacksVersion;
  return true;
}

void EditTransaction::commit() {
  commitDirty();
  refreshAll();
}

void EditTransaction::commitDirty() {
  open_ = false;
  setDirty(true);
}

namespace {

// Undo and Redo are mirror images: the current state goes onto one stack and
// the newest entry of the other is restored. The 80 limit applies to pushes
// only, never to this step.
void stepHistory(std::vector<ProjectSnapshot>& from, std::vector<ProjectSnapshot>& to, const wchar_t* emptyText,
                 const wchar_t* doneText) {
  if (from.empty()) {
    setStatusText(emptyText);
    return;
  }
  to.push_back(makeSnapshot());
  ProjectSnapshot snapshot = std::move(from.back());
  from.pop_back();
  ++appState().undoStacksVersion;
  restoreSnapshot(snapshot);
  setStatusText(doneText);
}

}  // namespace

void undoLastSnapshot() {
  AppState& app = appState();
  stepHistory(app.undoStack, app.redoStack, L"●  Nothing to undo", L"●  Undo restored exact in-memory mesh snapshot");
}

void redo() {
  AppState& app = appState();
  stepHistory(app.redoStack, app.undoStack, L"●  Nothing to redo", L"●  Redo restored exact in-memory mesh snapshot");
}

bool restoreSnapshot(const ProjectSnapshot& snapshot) {
  AppState& app = appState();
  app.project = snapshot.project;
  rebaseTexturePathsFrom(app.project, snapshot.textureFolder);
  sanitizeRestoredProject(app.project);

  recalcNextObjectId();
  // Unsigned: a counter past 2^31 must not read as negative and lose.
  app.nextObjectNumber = std::max(app.nextObjectNumber, snapshot.nextObjectNumber);

  const auto& objects = app.project.scene.objects;
  app.selectedObjectId = snapshot.selectedObjectId;
  if (!findObjectById(app.selectedObjectId) && !objects.empty()) app.selectedObjectId = objects.front().id;

  app.workMode = snapshot.workMode;
  app.componentMode = snapshot.componentMode;
  app.transformTool = snapshot.transformTool;
  app.axisConstraint = snapshot.axisConstraint;
  app.activeModifierIndex = snapshot.activeModifierIndex;
  app.activeMaterialSlotIndex = snapshot.activeMaterialSlotIndex;
  app.cameraView = snapshot.cameraView;
  app.selectedVertices = snapshot.selectedVertices;
  app.selectedEdges = snapshot.selectedEdges;
  app.selectedFaces = snapshot.selectedFaces;
  app.selectedCurvePoints = snapshot.selectedCurvePoints;

  const Object* selected = findObjectById(app.selectedObjectId);
  const bool meshLike = selected && (selected->kind == ObjectKind::Mesh || selected->kind == ObjectKind::Text);
  if (selected && app.workMode == WorkMode::EditMesh && meshLike) {
    sanitizeComponentSelection(*selected);
  } else if (!(selected && app.workMode == WorkMode::EditCurve)) {
    clearAllComponentSelections();
  }

  setDirty(true);
  refreshAll();
  return true;
}

}  // namespace vk
