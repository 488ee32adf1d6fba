// The rules the main window's controls follow: creation order is the z and
// tab order, each class has its style and font, ids repeat only where a
// button is deliberately copied, the layout places whatever is shown; and the
// text-to-number helpers.
#include <map>
#include <vector>

#include "shell/command_ids.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using ControlsTest = StudioTest;

// The controls of a fresh createMainWindowControls on a plain parent, which
// keeps them in creation order with no layout applied.
class CreatedControls : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    startStudio();
    saved_ = appState().ui;
    savedShell_ = shellHandles();
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    createMainWindowControls(parent_);
    children_ = headless::childWindows(parent_);
    ASSERT_GT(children_.size(), 100u);
  }
  void TearDown() override {
    const UiHandles& ui = appState().ui;
    const ShellHandles& shell = shellHandles();
    for (HFONT f : {ui.uiFont, ui.smallFont, ui.boldFont, ui.titleFont}) DeleteObject(f);
    for (HBRUSH b : {shell.panelBrush, shell.fieldBrush}) DeleteObject(b);
    DestroyWindow(parent_);
    appState().ui = saved_;
    shellHandles() = savedShell_;
    ControlsTest::TearDown();
  }
  static bool isClass(HWND h, const wchar_t* cls) {
    return equalsIgnoreAsciiCase(headless::describe(h).className, cls);
  }
  static HFONT fontOf(HWND h) { return reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)); }

  UiHandles saved_;
  ShellHandles savedShell_;
  HWND parent_ = nullptr;
  std::vector<HWND> children_;
};

TEST_F(CreatedControls, CreationOrderIsTheZOrderAndTheTabOrderAndNothingIsPlacedYet) {
  HWND walked = GetWindow(children_.front(), GW_HWNDFIRST);
  for (std::size_t i = 0; i < children_.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "control " << i);
    EXPECT_EQ(headless::describe(children_[i]).zIndex, static_cast<int>(i));
    EXPECT_EQ(walked, children_[i]);
    walked = GetWindow(walked, GW_HWNDNEXT);
    RECT r{};
    GetWindowRect(children_[i], &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
  }
  EXPECT_EQ(walked, nullptr);
  // The menu bar comes first, in its own order; the status bar labels last.
  EXPECT_EQ(headless::describe(children_[0]).id, kMenuFile);
  EXPECT_EQ(headless::describe(children_[1]).id, kMenuEdit);
  EXPECT_EQ(headless::describe(children_.back()).text, L"◷  FPS: 60");
}

TEST_F(CreatedControls, EachClassHasItsStyleFontAndIdRule) {
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  int readOnlyEdits = 0;
  for (HWND h : children_) {
    const headless::WindowInfo info = headless::describe(h);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    SCOPED_TRACE(::testing::Message() << wideToUtf8(info.className) << " " << info.id << " " << wideToUtf8(info.text));
    if (isClass(h, L"BUTTON")) {
      EXPECT_EQ(style, 0x5401000Bu);
      EXPECT_EQ(fontOf(h), ui.boldFont);
      EXPECT_GT(info.id, 0);
    } else if (isClass(h, L"LISTBOX")) {
      EXPECT_EQ(style, 0x54210051u);
      EXPECT_EQ(info.id, kCtlOutlinerList);
    } else if (isClass(h, L"EDIT")) {
      EXPECT_EQ(fontOf(h), ui.uiFont);
      if (h == shell.typeField) {
        ++readOnlyEdits;
        EXPECT_EQ(style, 0x54000880u);
      } else {
        EXPECT_EQ(style, 0x54010080u);
      }
      EXPECT_EQ(info.id, h == shell.outlinerSearch ? kCtlOutlinerSearch : 0);
    } else {
      // Labels and the studio's own child windows: no tab stop, no id but the
      // scrollbar's. A label that can show names may also take '&' as typed.
      const bool label = isClass(h, L"STATIC");
      EXPECT_EQ(label ? style & ~static_cast<DWORD>(SS_NOPREFIX) : style, 0x54000000u);
      EXPECT_EQ(info.id, h == shell.inspectorScrollbar ? kCtlInspectorScrollbar : 0);
      if (label) {
        EXPECT_NE(fontOf(h), nullptr);
      }
    }
  }
  EXPECT_EQ(readOnlyEdits, 1);
  // Headings are bold, the context labels small, descriptions the UI font.
  EXPECT_EQ(fontOf(shell.contextLabels[0]), ui.smallFont);
  EXPECT_EQ(fontOf(shell.railDescription), ui.uiFont);
  EXPECT_EQ(fontOf(shell.outlinerHeading), ui.boldFont);
  // The hover tip is an owned, hidden, non-activating popup.
  const headless::WindowInfo tip = headless::describe(shell.hoverTip);
  EXPECT_EQ(tip.owner, parent_);
  EXPECT_FALSE(tip.visible);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(shell.hoverTip, GWL_EXSTYLE)), 0x08000088u);
}

// A button's id is its command, so one id on two buttons means the same
// command twice: only the tool strip and the Left Tools box repeat the toolbar.
TEST_F(CreatedControls, IdsAreUniqueButForTheToolStripAndLeftToolsCopies) {
  std::map<int, int> count;
  for (HWND h : children_) {
    const int id = headless::describe(h).id;
    if (id != 0) ++count[id];
  }
  const std::map<int, int> repeated = {
      {kCmdToolSelect, 3}, {kCmdToolMove, 3},      {kCmdToolRotate, 3}, {kCmdToolScale, 3},
      {kCmdObjectMode, 3}, {kCmdEditMeshMode, 3},  {kCmdResetView, 2},  {kCmdFrameSelected, 2},
      {kCmdToggleSnap, 2}, {kMenuAxis, 2}};
  for (auto [id, times] : count) {
    const auto it = repeated.find(id);
    EXPECT_EQ(times, it == repeated.end() ? 1 : it->second) << id;
  }
  for (auto [id, times] : repeated) EXPECT_TRUE(count.contains(id)) << id;
}

// Every shown control gets a place inside the client area from the layout,
// whatever the size and the rail panel; hidden ones may keep any rectangle.
TEST_F(ControlsTest, TheLayoutPlacesEveryShownControl) {
  startStudio();
  for (auto [width, height] : {std::pair{1120, 720}, std::pair{1366, 800}, std::pair{1920, 1080}}) {
    resize(width, height);
    for (int tab = kCmdRailOutliner; tab <= kCmdRailHistory; ++tab) {
      harness::sendCommand(tab);
      harness::pump();
      HWND main = harness::mainWindow();
      RECT client{};
      GetClientRect(main, &client);
      for (HWND h : headless::childWindows(main)) {
        const headless::WindowInfo info = headless::describe(h);
        if (!info.visible) continue;
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        SCOPED_TRACE(::testing::Message() << width << "x" << height << " tab " << tab << ": "
                                          << wideToUtf8(info.className) << " " << info.id << " "
                                          << wideToUtf8(info.text));
        EXPECT_GT(r.right - r.left, 0);
        EXPECT_GT(r.bottom - r.top, 0);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
      }
    }
  }
}

// The shell's own handles live and die with the application state: a reset
// (every harness stop) must not leave handles of destroyed windows behind.
TEST_F(ControlsTest, ShellHandlesAreDroppedWithTheApplicationState) {
  startStudio();
  EXPECT_NE(shellHandles().hoverTip, nullptr);
  EXPECT_NE(shellHandles().outlinerSearch, nullptr);
  EXPECT_FALSE(IsRectEmpty(&shellHandles().inspectorRect));
  harness::stop();
  EXPECT_EQ(shellHandles().hoverTip, nullptr);
  EXPECT_EQ(shellHandles().outlinerSearch, nullptr);
  EXPECT_TRUE(IsRectEmpty(&shellHandles().inspectorRect));
}

TEST_F(ControlsTest, TextAndNumberHelpers) {
  startStudio();
  HWND edit = shellHandles().nameEdit;
  SetWindowTextW(edit, L"12abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 12);
  SetWindowTextW(edit, L"abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  SetWindowTextW(edit, L"");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  EXPECT_EQ(getDoubleFromWindow(edit, 1.5), 1.5);
  // A number past the 32-bit range is still a number: the nearest end of it.
  SetWindowTextW(edit, L"99999999999");
  EXPECT_EQ(getIntFromWindow(edit, 7), INT32_MAX);
  SetWindowTextW(edit, L"-3000000000");
  EXPECT_EQ(getIntFromWindow(edit, 7), INT32_MIN);
  SetWindowTextW(edit, L"-");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  SetWindowTextW(edit, L" 2.5e1");
  EXPECT_DOUBLE_EQ(getDoubleFromWindow(edit, 0.0), 25.0);
  setEditDouble(edit, 3);
  EXPECT_EQ(getTextFromWindow(edit), L"3.00");
  setEditDouble(edit, -0.001);
  EXPECT_EQ(getTextFromWindow(edit), L"-0.00");
  setEditDouble(edit, 1.5);
  EXPECT_EQ(getTextFromWindow(edit), L"1.50");
  setEditInt(edit, -42);
  EXPECT_EQ(getTextFromWindow(edit), L"-42");
  SetWindowTextW(edit, std::wstring(5000, L'x').c_str());
  EXPECT_EQ(getTextFromWindow(edit).size(), 4096u);
  EXPECT_EQ(getTextFromWindow(nullptr), L"");
  EXPECT_EQ(getIntFromWindow(nullptr, 3), 3);
}

}  // namespace
}  // namespace vk::testing
