// The status bar's labels, rebuilt from the application state. The status
// line itself belongs to the commands and is never written here.
#include <unordered_set>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

void setLabel(HWND label, const std::wstring& text) {
  if (label) SetWindowTextW(label, text.c_str());
}

// The visible triangle count, kept per object. An object whose content
// stamp is unchanged counts as before; a changed one is counted again, and
// when it changed the tree (its id or parent) or the visibility of objects
// below it, every object is counted again.
struct TriangleTally {
  struct Entry {
    std::uint64_t stamp = 0;  // 0: compare the fields
    std::wstring id, parentId;
    bool visible = true;
    std::int64_t counted = 0;  // what it adds to the total
  };
  const ObjectList* list = nullptr;
  std::vector<Entry> entries;
  std::unordered_set<std::wstring> parentIds;  // every object's non-empty parent id
  std::int64_t total = 0;
};

TriangleTally& triangleTally() {
  static TriangleTally tally;
  return tally;
}

void tallyAfresh(TriangleTally& tally, const Scene& scene) {
  const ObjectList& objects = scene.objects;
  tally.list = &objects;
  tally.entries.assign(objects.size(), {});
  tally.parentIds.clear();
  tally.total = 0;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const Object& object = objects[i];
    TriangleTally::Entry& entry = tally.entries[i];
    entry = {objects.contentStamp(i), object.id, object.parentId, object.visible,
             isEffectivelyVisible(scene, object) ? drawnTriangleCount(object) : 0};
    if (!object.parentId.empty()) tally.parentIds.insert(object.parentId);
    tally.total += entry.counted;
  }
}

}  // namespace

std::int64_t visibleTriangleTotal() {
  const Scene& scene = appState().project.scene;
  const ObjectList& objects = scene.objects;
  TriangleTally& tally = triangleTally();
  if (tally.list != &objects || tally.entries.size() != objects.size()) {
    tallyAfresh(tally, scene);
    return tally.total;
  }
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const std::uint64_t stamp = objects.contentStamp(i);
    TriangleTally::Entry& entry = tally.entries[i];
    if (stamp != 0 && stamp == entry.stamp) continue;
    const Object& object = objects[i];
    const bool parentOfAny = object.visible != entry.visible && tally.parentIds.count(entry.id);
    if (object.id != entry.id || object.parentId != entry.parentId || parentOfAny) {
      tallyAfresh(tally, scene);
      return tally.total;
    }
    entry.stamp = stamp;
    entry.visible = object.visible;
    changed.push_back(i);
  }
  // The tree is as it was, so only the changed objects' own counts move.
  for (std::size_t i : changed) {
    const Object& object = objects[i];
    TriangleTally::Entry& entry = tally.entries[i];
    tally.total -= entry.counted;
    entry.counted = isEffectivelyVisible(scene, object) ? drawnTriangleCount(object) : 0;
    tally.total += entry.counted;
  }
  return tally.total;
}

StatusBarTexts statusBarTexts() {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  StatusBarTexts texts;
  texts.view = std::wstring(L"View: ") + viewportShadingLabel(scene.viewportShadingMode) + L" / " +
               transformToolName(app.transformTool) + L"  F" + std::to_wstring(scene.timelineSettings.currentFrame);
  if (app.showCameraWidgets) texts.view += L"  Frustum";
  texts.project = L"Project: " + (app.projectPath.empty() ? std::wstring(L"Untitled") : fileNameOf(app.projectPath));
  texts.dirty = app.dirty ? L"Unsaved" : L"Saved";
  const std::int64_t triangles = visibleTriangleTotal();
  texts.objects = L"Objects: " + std::to_wstring(scene.objects.size()) + L"    Tri: " +
                  (triangles < 1 ? std::wstring(L"--") : std::to_wstring(triangles));
  texts.version = L"v65.6";
  return texts;
}

void fillStatusBar() {
  refreshToolbarLabels();
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  const StatusBarTexts texts = statusBarTexts();
  setLabel(shell.viewLabel, texts.view);
  setLabel(shell.projectLabel, texts.project);
  setLabel(ui.dirtyBadge, texts.dirty);
  setLabel(shell.objectCountLabel, texts.objects);
  setLabel(shell.versionLabel, texts.version);
}

}  // namespace vk
