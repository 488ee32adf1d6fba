// The window work behind the document services: which controls each one
// rewrites or repaints. None writes the status line or the dirty flag, so a
// command's own message survives its refresh.
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "platform/win32.h"
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

void setControlCaption(int id, const wchar_t* caption) {
  HWND main = appState().ui.mainWindow;
  if (!main) return;
  if (HWND control = GetDlgItem(main, id)) SetWindowTextW(control, caption);
}


}  // namespace


void updateToolbarCaptions() {
  const AppState& app = appState();
  const bool cameraView = useActiveCameraView();
  setControlCaption(1503, cameraView ? L"Camera View" : (app.orthographic ? L"Orthographic" : L"Perspective"));
  setControlCaption(1504, cameraView ? L"Cam View" : L"Camera");
  setControlCaption(1514, viewportShadingLabel(app.project.scene.viewportShadingMode));
  // The axis button shows the constraint; without this it would keep the old
  // axis until the next layout.
  if (HWND axis = mainButton(9009)) {
    const std::wstring caption = std::wstring(L"Axis: ") + axisName(app.axisConstraint);
    SetWindowTextW(axis, caption.c_str());
  }
  invalidateControls({1503, 1504, 1514, 1535, 1536, 1537, 1538, 1502, 1501, 1701, 1702, 1703, 1704, 1730, 1731},
                     false);
  // The tool strip repeats ids of the toolbar: its own handles, not the first match.
  for (HWND strip : app.ui.toolStripButtons) invalidate(strip, false);
}

void repaintChromeControls() {
  invalidateControls({1701, 1702, 1703, 1704, 9008, 9009, 1730, 1731, 1736, 1732, 1733, 1734, 1735,
                      1740, 1745, 1746, 1747, 1748, 1749, 1741, 1742, 1743, 1744, 1750, 1751,
                      1120, 1121, 1122, 1123, 1760, 1761, 1762, 1710, 1711, 1712, 1713, 1720},
                     true);
}

void installShellServices() {
  ServiceHooks hooks;
  hooks.refreshOutliner = fillOutlinerList;
  hooks.refreshInspector = fillInspectorFields;
  hooks.refreshStatusBar = fillStatusBar;
  hooks.refreshToolbarLabels = updateToolbarCaptions;
  hooks.invalidateChromeControls = repaintChromeControls;
  hooks.relayoutMainWindow = [] { layoutMainWindow(appState().ui.mainWindow); };
  hooks.showTextDialog = runTextDialog;
  hooks.pumpPendingMessages = pumpPendingMessages;
  installServiceHooks(hooks);
}

}  // namespace vk
