// TEMPORARY stand-ins for the parts that other work builds: the command
// dispatcher, popups and dialogs, hover tips and the outliner painter (the
// second half of the shell), and the timeline panel's services. Each keeps
// only what the main window needs today; replace each by the real one.
#include <algorithm>
#include <cmath>

#include "model/app_state.h"
#include "model/services.h"
#include "model/undo.h"
#include "persistence/workspace_settings.h"
#include "shell/shell.h"

namespace vk {

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
