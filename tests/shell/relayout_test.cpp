// The main window's layout follows the selection, its kind, the history and
// the open rail panel without a resize: after each such change the controls
// shown are those a fresh layout at the same size would show.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "model/app_state.h"
#include "model/services.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

struct Shown {
  HWND window;
  bool visible;
  RECT rect;
  std::wstring text;
  bool operator==(const Shown& o) const {
    return std::tie(window, visible, rect.left, rect.top, rect.right, rect.bottom, text) ==
           std::tie(o.window, o.visible, o.rect.left, o.rect.top, o.rect.right, o.rect.bottom, o.text);
  }
};

std::vector<Shown> shownControls() {
  std::vector<Shown> out;
  for (HWND child : headless::childWindows(harness::mainWindow())) {
    const headless::WindowInfo info = headless::describe(child);
    out.push_back({child, info.visible, info.windowRect, info.text});
  }
  return out;
}

// The differences to a fresh layout of the same window, as readable text.
std::string staleControls() {
  const std::vector<Shown> now = shownControls();
  layoutMainWindow(harness::mainWindow());
  const std::vector<Shown> fresh = shownControls();
  std::string out;
  for (std::size_t i = 0; i < now.size() && i < fresh.size(); ++i) {
    if (now[i] == fresh[i]) continue;
    out += "control id " + std::to_string(GetDlgCtrlID(now[i].window)) + (now[i].visible ? " shown" : " hidden") +
           (fresh[i].visible ? ", fresh: shown; " : ", fresh: hidden; ");
  }
  if (now.size() != fresh.size()) out += "control count differs";
  return out;
}

class Relayout : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1500, 860);
    if (!controlsAvailable()) GTEST_SKIP();
  }
  void selectRow(int row) {
    HWND list = appState().ui.outlinerList;
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(harness::mainWindow(), WM_COMMAND, MAKEWPARAM(kCtlOutlinerList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    harness::pump();
  }
};

TEST_F(Relayout, EveryKindSelectedByCommandOrOutlinerShowsAFreshLayout) {
  // Each creation command selects its new object: a command changing the kind.
  for (int id : {kCmdAddEmpty, kCmdAddTextMesh, kCmdAddLineCurve, kCmdNewGroup, kCmdAddDirectionalLight, kCmdAddCamera, kCmdAddCube}) {
    harness::sendCommand(id);
    EXPECT_EQ(staleControls(), "") << "after command " << id;
  }
  AppState& app = appState();
  const int rows = static_cast<int>(SendMessageW(app.ui.outlinerList, LB_GETCOUNT, 0, 0));
  ASSERT_GE(rows, 10);
  for (int row = 0; row < rows; ++row) {
    selectRow(row);
    EXPECT_EQ(staleControls(), "") << "after selecting row " << row;
  }
  // Modes and snap change toolbar captions that only the layout writes.
  for (int id : {kCmdEditMeshMode, kCmdFaceSelection, kCmdObjectMode, kCmdToggleSnap}) {
    harness::sendCommand(id);
    EXPECT_EQ(staleControls(), "") << "after command " << id;
  }
}

TEST_F(Relayout, HistoryNewUndoAndRedoLeaveNothingStale) {
  AppState& app = appState();
  handleCommand(kCmdRailHistory);  // the History rail panel
  harness::pump();
  harness::sendCommand(kCmdAddEmpty);
  EXPECT_EQ(harness::text(app.ui.railDetails), L"Undo 1 | Redo 0 | Unsaved changes");
  EXPECT_EQ(staleControls(), "");
  harness::sendCommand(kCmdUndo);
  EXPECT_EQ(harness::text(app.ui.railDetails), L"Undo 0 | Redo 1 | Unsaved changes");
  EXPECT_EQ(staleControls(), "");
  harness::sendCommand(kCmdRedo);
  EXPECT_EQ(staleControls(), "");
  setDirty(false);  // New on unsaved changes asks first; that question is SaveOpen's
  harness::sendCommand(kCmdNewProject);
  EXPECT_EQ(harness::text(app.ui.railDetails), L"Undo 0 | Redo 0 | Saved");
  EXPECT_EQ(staleControls(), "");
  // A refresh with nothing changed moves nothing.
  const std::vector<Shown> before = shownControls();
  refreshAll();
  EXPECT_EQ(shownControls(), before);
}

}  // namespace
}  // namespace vk::testing
