// The adaptive layout: region rectangles at the breakpoints, the strip
// placers, the left panel and Left Tools, the inspector flow, and that a
// second run moves nothing.
#include <algorithm>
#include <map>

#include "shell/command_ids.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using LayoutTest = StudioTest;

void expectRect(const RECT& r, int l, int t, int rt, int b, const char* what) {
  EXPECT_EQ(r.left, l) << what;
  EXPECT_EQ(r.top, t) << what;
  EXPECT_EQ(r.right, rt) << what;
  EXPECT_EQ(r.bottom, b) << what;
}

class LayoutMath : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

TEST_F(LayoutMath, RegionsAt1280x720) {
  const LayoutRects L = computeLayoutRects(1280, 720);
  expectRect(L.titleBar, 0, 0, 1280, 38, "title");
  expectRect(L.toolbar, 0, 38, 1280, 88, "toolbar");
  expectRect(L.statusBar, 0, 686, 1280, 720, "status");
  expectRect(L.activityRail, 8, 96, 74, 678, "rail");
  expectRect(L.railPanel, 82, 96, 318, 678, "rail panel");  // 236 wide
  expectRect(L.viewportArea, 326, 96, 960, 520, "viewport area");  // vpH 424
  expectRect(L.viewportHeader, 326, 96, 960, 140, "viewport header");
  expectRect(L.viewport, 374, 141, 958, 486, "viewport");
  expectRect(L.timeline, 326, 528, 960, 678, "timeline");  // 150 high
  expectRect(L.timelineTrack, 338, 610, 488, 666, "track");
  expectRect(L.timelineKey, 496, 610, 948, 666, "keys");
  expectRect(L.inspector, 968, 96, 1272, 678, "inspector");  // 304 wide
  expectRect(L.inspectorHeader, 968, 96, 1272, 144, "inspector header");
  expectRect(L.leftTools, 82, 428, 318, 678, "left tools");  // 250 high
  expectRect(L.outlinerList, 92, 188, 308, 418, "outliner");
}

TEST_F(LayoutMath, BreakpointsAndLargeWindow) {
  struct Case {
    int width, inspector, rail, vpRight;
  };
  for (Case c : {Case{1120, 304, 236, 800}, Case{1365, 304, 236, 1045}, Case{1366, 340, 258, 1010},
                 Case{1599, 340, 258, 1243}, Case{1600, 380, 284, 1204}}) {
    const LayoutRects L = computeLayoutRects(c.width, 720);
    EXPECT_EQ(L.inspector.right - L.inspector.left, c.inspector) << c.width;
    EXPECT_EQ(L.railPanel.right - L.railPanel.left, c.rail) << c.width;
    EXPECT_EQ(L.viewportArea.right, c.vpRight) << c.width;
  }
  const LayoutRects big = computeLayoutRects(1920, 1080);
  expectRect(big.viewportArea, 374, 96, 1524, 820, "viewport area");
  expectRect(big.timeline, 374, 828, 1524, 1038, "timeline");  // 1080 / 5 = 216 capped at 210
  expectRect(big.timelineTrack, 386, 910, 596, 1026, "track");  // tw capped at 210
  expectRect(big.leftTools, 82, 732, 366, 1038, "left tools");  // 942 / 3 = 314 capped at 306
  // A smaller client is laid out as 1120 x 720 and clipped.
  const LayoutRects tiny = computeLayoutRects(800, 500);
  EXPECT_EQ(tiny.width, 1120);
  EXPECT_EQ(tiny.height, 720);
  expectRect(tiny.statusBar, 0, 686, 1120, 720, "status");
}

TEST_F(LayoutMath, HiddenTimelineAndClosedLeftTools) {
  appState().project.scene.timelineSettings.showTimelinePanel = false;
  appState().leftToolsOpen = false;
  const LayoutRects L = computeLayoutRects(1280, 720);
  expectRect(L.viewportArea, 326, 96, 960, 678, "viewport area takes the body");
  expectRect(L.timeline, 326, 678, 960, 678, "timeline");
  expectRect(L.timelineTrack, 0, 0, 0, 0, "track");
  expectRect(L.timelineKey, 0, 0, 0, 0, "keys");
  expectRect(L.leftTools, 82, 628, 318, 678, "left tools header only");
  expectRect(L.outlinerList, 92, 188, 308, 618, "outliner");
}

TEST_F(LayoutMath, InspectorContentHeightAndSectionHeaders) {
  EXPECT_EQ(inspectorContentHeight(), 350);  // nothing selected, every section open
  AppState& app = appState();
  app.inspectorTransformOpen = app.inspectorDisplayOpen = app.inspectorCameraOpen = false;
  app.inspectorKeyframesOpen = app.inspectorNotesOpen = false;
  EXPECT_EQ(inspectorContentHeight(), 192);
  EXPECT_TRUE(inspectorSectionHeaderRects().empty());  // no layout yet
  shellHandles().inspectorRect = {968, 96, 1272, 678};
  shellHandles().inspectorHeaderRect = {968, 96, 1272, 144};
  app.inspectorTransformOpen = true;
  const auto headers = inspectorSectionHeaderRects();
  ASSERT_EQ(headers.size(), 5u);
  expectRect(headers[0].rect, 980, 236, 1250, 262, "section 1");
  EXPECT_EQ(headers[1].rect.top, 236 + 34 + 20);  // open without a selection
  EXPECT_EQ(headers[2].rect.top, 290 + 34);
  EXPECT_EQ(headers[4].id, 5);
}

// The timeline's first row keeps its usual spacing while it fits; on a
// narrower panel it shrinks to end 12 pixels inside it, still in order.
// Apply, from the panel at 1120 wide to the one at 1920, ends 12 pixels or
// more inside the panel, at least 40 wide: after the FPS field at its usual
// place while it fits there (66 wide, cut short to no less than 48), in the
// header otherwise, as wide as its caption needs and never narrower than 66.
TEST_F(LayoutMath, TimelineFieldRowShrinksWithItsPanel) {
  const TimelineFieldRow usual = timelineFieldRow(572, 66);
  EXPECT_EQ(usual.labelX[0], 188);
  EXPECT_EQ(usual.editX[3] + usual.editW[3], 560);
  for (int panel = 474; panel < 572; ++panel) {
    const TimelineFieldRow row = timelineFieldRow(panel, 66);
    EXPECT_EQ(row.editX[3] + row.editW[3], panel - 12) << panel;
    EXPECT_LT(row.buttonX[3] + row.buttonW[3], row.labelX[0]) << panel;
    for (int i = 0; i < 3; ++i) EXPECT_LT(row.editX[i] + row.editW[i], row.labelX[i + 1]) << panel;
  }
  for (int captioned : {50, 66, 84})
    for (int panel = 474; panel <= 1150; ++panel) {
      const TimelineFieldRow row = timelineFieldRow(panel, captioned);
      EXPECT_GE(row.applyW, 40) << panel;
      EXPECT_LE(row.applyX + row.applyW, panel - 12) << panel;
      EXPECT_EQ(row.applyInHeader, panel < 630) << panel;
      if (!row.applyInHeader) {
        EXPECT_EQ(row.applyX, 570) << panel;
        EXPECT_EQ(row.applyW, std::min(66, panel - 582)) << panel;
        EXPECT_GT(row.applyX, row.editX[3] + row.editW[3]) << panel;
      } else {
        EXPECT_EQ(row.applyW, std::max(66, captioned)) << panel << " " << captioned;
      }
    }
}

bool visible(int id) { return IsWindowVisible(harness::control(id)) != FALSE; }

RECT childRect(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  POINT p{r.left, r.top};
  ScreenToClient(GetParent(control), &p);
  return RECT{p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
}

TEST_F(LayoutTest, ToolbarAndMenuBarPlacersByWidth) {
  startStudio(1120, 720);
  EXPECT_EQ(childRect(harness::control(kMenuFile)).left, 246);
  for (int id : {kMenuTimeline, kMenuPresets, kMenuCapsules, kCmdEditCurveMode + 1, kCmdMeshExtrude, kCmdAddCube,
                 kCmdExportStillPng, kCmdSaveProject})
    EXPECT_FALSE(visible(id)) << id;
  // 9008 does not fit before W - 250 and stays hidden; the narrower 9009 still fits after it.
  EXPECT_FALSE(visible(kMenuSelection));
  EXPECT_TRUE(visible(kMenuAxis));
  EXPECT_EQ(childRect(harness::control(kMenuAxis)).left, 754);
  EXPECT_FALSE(visible(kCmdToggleSnap));
  EXPECT_FALSE(visible(kCmdUndo));
  EXPECT_EQ(harness::text(harness::control(kCmdObjectMode)), L"Object");
  EXPECT_EQ(harness::text(harness::control(kCmdEditMeshMode)), L"Mesh");
  EXPECT_EQ(harness::text(harness::control(kMenuAxis)), L"Axis: Free");

  resize(1280, 720);
  EXPECT_EQ(childRect(harness::control(kMenuFile)).left, 330);
  EXPECT_TRUE(visible(kMenuSelection));
  EXPECT_EQ(harness::text(harness::control(kMenuSelection)), L"Select: Object");
  EXPECT_FALSE(visible(kCmdToggleSnap));
  // The viewport header is too narrow for Reset View and the two right-hand buttons.
  EXPECT_TRUE(visible(kCmdFrameSelected));
  EXPECT_FALSE(visible(kCmdResetView));
  EXPECT_FALSE(visible(kCmdCycleShading));
  EXPECT_FALSE(visible(kCmdToggleCameraView));

  resize(1920, 1080);
  for (int id : {kCmdToggleSnap, kCmdUndo, kCmdRedo, kCmdResetView, kCmdCycleShading, kCmdToggleCameraView})
    EXPECT_TRUE(visible(id)) << id;
  EXPECT_EQ(childRect(harness::control(kCmdRedo)).left, 1176);
  EXPECT_EQ(childRect(harness::control(kCmdCycleShading)).left, 1422);
  EXPECT_EQ(childRect(harness::control(kCmdToggleCameraView)).left, 1328);
  const RECT note = childRect(shellHandles().contextLabels[2]);
  EXPECT_EQ(note.left, 1490);
  EXPECT_EQ(note.right - note.left, 410);
  // Tool strip: six icon-only buttons down the left of the viewport area.
  for (int i = 0; i < 6; ++i) {
    const RECT r = childRect(shellHandles().toolStripButtons[i]);
    EXPECT_EQ(r.left, 374 + 14);
    EXPECT_EQ(r.top, 140 + 18 + 34 * i);
    EXPECT_EQ(r.right - r.left, 28);
  }
}

TEST_F(LayoutTest, LeftPanelSlotsAndLeftToolsBox) {
  startStudio(1280, 720);
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  EXPECT_TRUE(IsWindowVisible(ui.outlinerList));
  EXPECT_FALSE(IsWindowVisible(shell.railCaption));
  for (int s = 0; s < 6; ++s) EXPECT_FALSE(visible(kCmdRailSlot1 + s));
  // Left Tools: two columns, Reset View across the bottom row, the axis copy hidden.
  const RECT select = childRect(shell.leftToolsButtons[0]);
  EXPECT_EQ(select.left, 82 + 24);
  EXPECT_EQ(select.top, 428 + 74);
  EXPECT_EQ(select.right - select.left, (318 - 24 - 106 - 8) / 2);
  EXPECT_EQ(childRect(shell.leftToolsButtons[9]).top, 428 + 74 + 144);
  EXPECT_FALSE(IsWindowVisible(shell.leftToolsButtons[6]));

  harness::sendCommand(kCmdRailAssets);  // Assets
  EXPECT_FALSE(IsWindowVisible(ui.outlinerList));
  EXPECT_TRUE(IsWindowVisible(shell.railCaption));
  EXPECT_EQ(harness::text(shell.railCaption), L"ASSETS");
  // At 720 high only the first slot ends above the Left Tools box.
  EXPECT_TRUE(visible(kCmdRailSlot1));
  EXPECT_EQ(harness::text(harness::control(kCmdRailSlot1)), L"Export GLB Scene");
  EXPECT_FALSE(visible(kCmdRailSlot2));
  resize(1280, 1080);
  for (int s = 0; s < 6; ++s) EXPECT_TRUE(visible(kCmdRailSlot1 + s)) << s;
  EXPECT_EQ(childRect(harness::control(kCmdRailSlot6)).top, 96 + 278 + 5 * 36);
  EXPECT_EQ(harness::text(harness::control(kCmdRailSlot6)), L"Save Project");

  harness::pressKey(VK_F7);
  for (HWND h : shell.leftToolsButtons) EXPECT_FALSE(IsWindowVisible(h));
}

TEST_F(LayoutTest, InspectorFlowFollowsSelectionAndSections) {
  startStudio(1280, 720);
  const ShellHandles& shell = shellHandles();
  appState().selectedObjectId.clear();
  layoutMainWindow(harness::mainWindow());
  EXPECT_TRUE(IsWindowVisible(shell.inspectorHeading));
  EXPECT_TRUE(IsWindowVisible(shell.inspectorScrollbar));
  for (HWND h : {shell.typeField, shell.nameEdit, shell.transformEdits[0], shell.colorEdits[0], shell.texturePreview})
    EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(visible(kCmdApplyInspector));

  appState().selectedObjectId = appState().project.scene.objects[0].id;  // the cube
  layoutMainWindow(harness::mainWindow());
  harness::pump();
  EXPECT_TRUE(IsWindowVisible(shell.typeField));
  EXPECT_TRUE(IsWindowVisible(shell.transformEdits[8]));
  EXPECT_FALSE(IsWindowVisible(shell.rangeEdit));  // a mesh has no range or intensity
  EXPECT_TRUE(visible(kCmdApplyInspector));
  EXPECT_EQ(childRect(harness::control(kCmdApplyInspector)).top, std::max(96 + 120, 678 - 78) + 18);
  const RECT type = childRect(shell.typeField);
  EXPECT_EQ(type.top, 96 + 52 + 10);
  EXPECT_GT(appState().inspectorScrollMax, 0);

  // Scrolling moves the flow; a control half outside the band is hidden.
  setInspectorScroll(44);
  harness::pump();
  EXPECT_EQ(appState().inspectorScrollOffset, 44);
  EXPECT_FALSE(IsWindowVisible(shell.typeField));
  setInspectorScroll(1000000);
  EXPECT_EQ(appState().inspectorScrollOffset, appState().inspectorScrollMax);
  setInspectorScroll(-5);
  EXPECT_EQ(appState().inspectorScrollOffset, 0);

  // The light shows both camera/light fields.
  appState().selectedObjectId = appState().project.scene.objects[2].id;
  appState().inspectorTransformOpen = false;
  layoutMainWindow(harness::mainWindow());
  EXPECT_TRUE(IsWindowVisible(shell.rangeEdit));
  EXPECT_TRUE(IsWindowVisible(shell.intensityEdit));
  EXPECT_FALSE(IsWindowVisible(shell.transformEdits[0]));
}

// With a mesh, a camera and a light selected and keyed, at every width and
// scroll offset, no inspector control reaches over the scrollbar.
TEST_F(LayoutTest, InspectorControlsEndShortOfTheScrollbar) {
  for (auto [width, height] : {std::pair{1120, 720}, std::pair{1160, 720}, std::pair{1200, 720}, std::pair{1366, 768},
                               std::pair{1600, 900}, std::pair{1920, 1080}}) {
    startStudio(width, height);
    const int keyCommands[3] = {kCmdSetTransformKey, kCmdSetCameraKey, kCmdSetLightKey};
    for (int i = 0; i < 3; ++i) {
      appState().selectedObjectId = appState().project.scene.objects[i].id;  // cube, camera, light
      harness::sendCommand(keyCommands[i]);
      layoutMainWindow(harness::mainWindow());
      const RECT bar = childRect(shellHandles().inspectorScrollbar);
      for (int offset = 0;; offset += 44) {
        setInspectorScroll(offset);
        for (HWND child : headless::childWindows(harness::mainWindow())) {
          const RECT r = childRect(child);
          if (child == shellHandles().inspectorScrollbar || !IsWindowVisible(child) || r.left < bar.left - 300 ||
              r.top >= bar.bottom || r.bottom <= bar.top)
            continue;
          EXPECT_LE(r.right, bar.left) << width << " object " << i << " offset " << offset << ": "
                                       << wideToUtf8(harness::text(child));
        }
        if (offset >= appState().inspectorScrollMax) break;
      }
    }
    harness::stop();
  }
}

LRESULT CALLBACK countMoves(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_WINDOWPOSCHANGED || message == WM_SHOWWINDOW) ++*reinterpret_cast<int*>(data);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(LayoutTest, SecondRunMovesAndShowsNothing) {
  for (auto [w, h] : {std::pair{1120, 720}, std::pair{1366, 800}, std::pair{1920, 1080}}) {
    startStudio(w, h);
    appState().selectedObjectId = appState().project.scene.objects[1].id;  // the camera
    layoutMainWindow(harness::mainWindow());
    int changes = 0;
    const std::vector<HWND> children = headless::childWindows(harness::mainWindow());
    for (HWND child : children) SetWindowSubclass(child, countMoves, 1, reinterpret_cast<DWORD_PTR>(&changes));
    const ShellHandles before = shellHandles();
    layoutMainWindow(harness::mainWindow());
    EXPECT_EQ(changes, 0) << w;
    EXPECT_TRUE(EqualRect(&before.inspectorRect, &shellHandles().inspectorRect));
    for (HWND child : children) RemoveWindowSubclass(child, countMoves, 1);
    harness::stop();
  }
}

}  // namespace
}  // namespace vk::testing
