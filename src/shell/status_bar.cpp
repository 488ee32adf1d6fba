// The status bar's labels, rebuilt from the application state. The status
// line itself belongs to the commands and is never written here.
#include "model/app_state.h"
#include "model/services.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

void setLabel(HWND label, const std::wstring& text) {
  if (label) SetWindowTextW(label, text.c_str());
}

}  // namespace

StatusBarTexts statusBarTexts() {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  StatusBarTexts texts;
  texts.view = std::wstring(L"View: ") + viewportShadingLabel(scene.viewportShadingMode) + L" / " +
               transformToolName(app.transformTool) + L"  F" + std::to_wstring(scene.timelineSettings.currentFrame);
  if (app.showCameraWidgets) texts.view += L"  Frustum";
  texts.project = L"Project: Untitled";
  if (!app.projectPath.empty()) {
    const std::size_t slash = app.projectPath.find_last_of(L"\\/");
    texts.project = L"Project: " + (slash == std::wstring::npos ? app.projectPath : app.projectPath.substr(slash + 1));
  }
  texts.dirty = app.dirty ? L"Unsaved" : L"Saved";
  const std::int64_t triangles = visibleTriangleCount();
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
