// The window work behind the document services: which controls each one
// rewrites or repaints. None writes the status line or the dirty flag, so a
// command's own message survives its refresh.
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "platform/win32.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

void invalidate(HWND window, bool erase) {
  if (window) InvalidateRect(window, nullptr, erase ? TRUE : FALSE);
}

void invalidateControls(std::initializer_list<int> ids, bool erase) {
  HWND main = appState().ui.mainWindow;
  if (!main) return;
  for (int id : ids) invalidate(GetDlgItem(main, id), erase);
}

void invalidateFlagged(CommandFlag flag, bool erase) {
  HWND main = appState().ui.mainWindow;
  if (!main) return;
  for (const CommandRow* row : commandRows())
    if (row->flags & flag) invalidate(GetDlgItem(main, row->id), erase);
}

void setControlCaption(int id, const wchar_t* caption) {
  HWND main = appState().ui.mainWindow;
  if (!main) return;
  if (HWND control = GetDlgItem(main, id)) SetWindowTextW(control, caption);
}


}  // namespace


void updateToolbarCaptions() {
  const AppState& app = appState();
  const bool cameraView = useActiveCameraView();
  setControlCaption(kCmdToggleProjection,
                    cameraView ? L"Camera View" : (app.orthographic ? L"Orthographic" : L"Perspective"));
  setControlCaption(kCmdToggleCameraView, cameraView ? L"Cam View" : L"Camera");
  setControlCaption(kCmdCycleShading, viewportShadingLabel(app.project.scene.viewportShadingMode));
  // The axis button shows the constraint; without this it would keep the old
  // axis until the next layout.
  if (HWND axis = mainButton(kMenuAxis)) {
    const std::wstring caption = std::wstring(L"Axis: ") + axisName(app.axisConstraint);
    SetWindowTextW(axis, caption.c_str());
  }
  invalidateFlagged(kRepaintWithView, false);
  // The tool strip repeats ids of the toolbar: its own handles, not the first match.
  for (HWND strip : app.ui.toolStripButtons) invalidate(strip, false);
}

void repaintChromeControls() {
  invalidateControls({kMenuSelection, kMenuAxis}, true);
  invalidateFlagged(kRepaintWithModes, true);
}

void installShellServices() {
  ServiceHooks hooks;
  hooks.refreshOutliner = fillOutlinerList;
  // Every inspector refresh follows a change the layout may depend on, and
  // every selection change refreshes the inspector: the outliner's row follows.
  hooks.refreshInspector = [] {
    showSelectionInOutliner();
    fillInspectorFields();
    relayoutIfStale();
  };
  hooks.refreshStatusBar = fillStatusBar;
  hooks.refreshToolbarLabels = updateToolbarCaptions;
  hooks.invalidateChromeControls = repaintChromeControls;
  hooks.relayoutMainWindow = [] { layoutMainWindow(appState().ui.mainWindow); };
  hooks.showTextDialog = runTextDialog;
  hooks.pumpPendingMessages = pumpPendingMessages;
  addTimelineShortcuts(hooks);
  installServiceHooks(hooks);
}

}  // namespace vk
