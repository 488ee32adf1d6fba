// TEMPORARY stand-ins for the parts that other work builds: the command
// dispatcher, popups and dialogs, hover tips and the outliner painter (the
// second half of the shell), and the timeline panel's services. Each keeps
// only what the main window needs today; replace each by the real one.
#include <algorithm>
#include <cmath>

#include "model/app_state.h"
#include "model/undo.h"
#include "persistence/workspace_settings.h"
#include "shell/services.h"
#include "shell/shell.h"

namespace vk {

namespace {

void selectRailPanel(int panel) {
  static constexpr const wchar_t* kNames[5] = {L"Outliner", L"Assets", L"Materials", L"Scene", L"History"};
  AppState& app = appState();
  app.activeRailPanel = panel;
  saveWorkspaceIni();
  layoutMainWindow(app.ui.mainWindow);
  setStatusText(std::wstring(L"●  Left panel: ") + kNames[panel]);
}

}  // namespace

void handleCommand(int id) {
  AppState& app = appState();
  if (id == 1005) {
    if (app.ui.mainWindow) SendMessageW(app.ui.mainWindow, WM_CLOSE, 0, 0);
  } else if (id == 1547) {
    toggleTimelinePanel();
  } else if (id >= 7201 && id <= 7205) {
    selectRailPanel(id - 7201);
  } else if (id >= 7221 && id <= 7226) {
    const int command = leftRailButtonCommand(leftRailPanelFromIndex(app.activeRailPanel), id - 7221);
    if (command != 0) handleCommand(command);
  }
}

void showPopupMenu(HWND, HWND, int) {}
void showOutlinerContextMenu(HWND, POINT) {}
void showStartupFailure(const std::wstring&) {}
bool confirmExitWithUnsavedChanges() { return false; }

void attachHoverTips() {}
void registerHoverTip(HWND, const std::wstring&) {}
void hideHoverTip() {}
void positionHoverTip() {}
LRESULT CALLBACK HoverTipWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void drawOutlinerItem(const DRAWITEMSTRUCT&) {}
void onOutlinerSelectionChanged() {}

bool handleTimelineMouseDown(HWND, POINT, bool) { return false; }

int timelineMapXToFrame(const RECT& rect, int x) {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  const double fraction =
      std::clamp(static_cast<double>(x - rect.left) / std::max<LONG>(rect.right - rect.left, 1), 0.0, 1.0);
  const long frame = std::lround(t.frameStart + (t.frameEnd - t.frameStart) * fraction);
  return static_cast<int>(std::clamp<long>(frame, t.frameStart, t.frameEnd));
}

void moveTimelineKey(int) {}
void setTimelineFrameFromScrub(int, const std::wstring&) {}

// The timeline flag is a document setting: one undo step, the project
// becomes dirty, the workspace file follows.
void toggleTimelinePanel() {
  AppState& app = appState();
  pushUndoSnapshot();
  bool& shown = app.project.scene.timelineSettings.showTimelinePanel;
  shown = !shown;
  setDirty(true);
  saveWorkspaceIni();
  layoutMainWindow(app.ui.mainWindow);
  refreshAll();
  setStatusText(shown ? L"●  Timeline panel shown" : L"●  Timeline panel hidden");
}

void drawTimelineTracks(HDC) {}
void refreshTimeline() {}

}  // namespace vk
