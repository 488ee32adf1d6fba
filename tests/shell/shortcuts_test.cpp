// The main window's own shortcuts and the Left Tools header click: each
// changes the workspace, writes its status text and the settings file.
#include "shell/command_ids.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using ShortcutsTest = StudioTest;

TEST_F(ShortcutsTest, F6CyclesThroughTheFivePanelsAndBack) {
  startStudio(1280, 720);
  const char* panels[] = {"1", "2", "3", "4", "0"};
  for (const char* panel : panels) {
    harness::pressKey(VK_F6);
    EXPECT_EQ(appState().statusText, L"●  Left activity rail cycled");
    EXPECT_EQ(settingsText().substr(0, 19), std::string("activeRailPanel=") + panel + "\r\n");
  }
  EXPECT_EQ(appState().activeRailPanel, 0);
  // A stored panel out of range reads as the Outliner and the cycle goes on from there.
  appState().activeRailPanel = 7;
  harness::pressKey(VK_F6);
  EXPECT_EQ(appState().activeRailPanel, 1);
  EXPECT_FALSE(appState().dirty);  // a workspace setting, not the project's
}

TEST_F(ShortcutsTest, CtrlFShowsTheOutlinerAndFocusesTheSearchBox) {
  startStudio(1280, 720);
  harness::sendCommand(kCmdRailScene);
  EXPECT_EQ(appState().statusText, L"●  Left panel: Scene");
  SetFocus(harness::mainWindow());
  harness::pressKey('F', /*ctrl=*/true);
  EXPECT_EQ(appState().activeRailPanel, 0);
  EXPECT_EQ(GetFocus(), shellHandles().outlinerSearch);
  EXPECT_TRUE(IsWindowVisible(appState().ui.outlinerList));
  EXPECT_EQ(appState().statusText, L"●  Outliner search focused");
  EXPECT_EQ(settingsText().substr(0, 19), "activeRailPanel=0\r\n");
}

// Once the viewport has the keys, a click on the window's own background
// (the status line, the chrome between panels) gives them back to the main
// window, whose F6/F7/F8/Ctrl+F then work; a field still takes its click.
TEST_F(ShortcutsTest, AClickOnTheWindowsBackgroundGivesItTheKeysBack) {
  startStudio(1280, 720);
  const HWND main = harness::mainWindow();
  const RECT status = shellHandles().statusBarRect;
  const RECT view = appState().ui.viewportAreaRect;
  const POINT backgrounds[] = {{(status.left + status.right) / 2, (status.top + status.bottom) / 2},
                               {view.right + 2, view.top + 40}};
  for (const POINT at : backgrounds) {
    harness::clickAt(main, POINT{(view.left + view.right) / 2, (view.top + view.bottom) / 2});
    ASSERT_EQ(GetFocus(), appState().ui.viewport);
    harness::clickAt(main, at);
    EXPECT_EQ(GetFocus(), main) << at.x << "," << at.y;
    const int panel = appState().activeRailPanel;
    harness::pressKey(VK_F6);
    EXPECT_EQ(appState().activeRailPanel, (panel + 1) % 5) << at.x << "," << at.y;
  }
  while (appState().activeRailPanel != 0) harness::pressKey(VK_F6);
  const HWND search = shellHandles().outlinerSearch;
  ASSERT_TRUE(IsWindowVisible(search));
  RECT field{};
  GetWindowRect(search, &field);
  const POINT corner = harness::screenPoint(main, POINT{0, 0});
  harness::clickAt(main, POINT{field.left - corner.x + 8, field.top - corner.y + 4});
  EXPECT_EQ(GetFocus(), search);
}

TEST_F(ShortcutsTest, F7AndTheLeftToolsHeaderToggleTheBox) {
  startStudio(1280, 720);
  harness::pressKey(VK_F7);
  EXPECT_FALSE(appState().leftToolsOpen);
  EXPECT_EQ(appState().statusText, L"●  Left Tools collapsed");
  EXPECT_NE(settingsText().find("leftToolsOpen=0\r\n"), std::string::npos);
  EXPECT_EQ(shellHandles().leftToolsRect.top, 628);

  // A click in the header band (its top 44 pixels) opens it again; below it does nothing.
  harness::clickAt(harness::mainWindow(), POINT{150, 628 + 20});
  EXPECT_TRUE(appState().leftToolsOpen);
  EXPECT_EQ(appState().statusText, L"●  Left Tools expanded");
  EXPECT_NE(settingsText().find("leftToolsOpen=1\r\n"), std::string::npos);
  EXPECT_EQ(shellHandles().leftToolsRect.top, 428);
  harness::clickAt(harness::mainWindow(), POINT{100, 428 + 44 + 2});
  EXPECT_TRUE(appState().leftToolsOpen);
  EXPECT_FALSE(appState().dirty);
}

TEST_F(ShortcutsTest, F8TogglesTheTimelinePanel) {
  startStudio(1280, 720);
  harness::pressKey(VK_F8);
  EXPECT_FALSE(appState().project.scene.timelineSettings.showTimelinePanel);
  EXPECT_EQ(appState().statusText, L"●  Timeline panel hidden");
  EXPECT_NE(settingsText().find("timelineVisible=0\r\n"), std::string::npos);
  EXPECT_EQ(appState().ui.viewportAreaRect.bottom, 678);
  EXPECT_FALSE(IsWindowVisible(appState().ui.timelineTitle));
  EXPECT_FALSE(IsWindowVisible(harness::control(kCmdTimelineGoToStart)));
  // Unlike F6's and F7's, the panel's flag is the project's: an edit Undo takes back.
  EXPECT_TRUE(appState().dirty);
  harness::sendCommand(kCmdUndo);
  EXPECT_TRUE(IsWindowVisible(harness::control(kCmdTimelineGoToStart)));
  harness::pressKey(VK_F8);
  harness::pressKey(VK_F8);
  EXPECT_EQ(appState().statusText, L"●  Timeline panel shown");
  EXPECT_TRUE(IsWindowVisible(harness::control(kCmdTimelineGoToStart)));
  EXPECT_NE(settingsText().find("timelineVisible=1\r\n"), std::string::npos);
}

TEST_F(ShortcutsTest, InspectorHeaderClickAndWheel) {
  startStudio(1280, 720);
  appState().selectedObjectId = appState().project.scene.objects[0].id;
  layoutMainWindow(harness::mainWindow());
  const auto headers = inspectorSectionHeaderRects();
  const RECT transform = headers[0].rect;
  harness::clickAt(harness::mainWindow(), POINT{transform.left + 40, transform.top + 10});
  EXPECT_FALSE(appState().inspectorTransformOpen);
  EXPECT_EQ(appState().statusText, L"●  Inspector section toggled");
  EXPECT_NE(settingsText().find("inspectorTransformOpen=0\r\n"), std::string::npos);
  // Each wheel message scrolls 44 pixels, whatever its size.
  const POINT inside = harness::screenPoint(harness::mainWindow(), POINT{1100, 400});
  headless::wheel(inside, -360);
  harness::pump();
  EXPECT_EQ(appState().inspectorScrollOffset, 44);
  headless::wheel(inside, 120);
  harness::pump();
  EXPECT_EQ(appState().inspectorScrollOffset, 0);
}

}  // namespace
}  // namespace vk::testing
