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
#include "shell/shell_handles.h"
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

// The toolbar's copy of the id; untouched when it already says so.
void setControlCaption(int id, const std::wstring& caption) {
  HWND control = mainButton(id);
  if (control && getTextFromWindow(control) != caption) SetWindowTextW(control, caption.c_str());
}


}  // namespace


void updateToolbarCaptions() {
  const AppState& app = appState();
  for (const CommandRow* row : commandRows())
    if (row->buttonCaption || row->buttonChecked) setControlCaption(row->id, commandButtonCaption(*row));
  // The axis button shows the constraint; without this it would keep the old
  // axis until the next layout.
  if (HWND axis = mainButton(kMenuAxis)) {
    const std::wstring caption = std::wstring(L"Axis: ") + axisName(app.axisConstraint);
    SetWindowTextW(axis, caption.c_str());
  }
  invalidateFlagged(kRepaintWithView, false);
  // The tool strip repeats ids of the toolbar: its own handles, not the first match.
  for (HWND strip : shellHandles().toolStripButtons) invalidate(strip, false);
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
