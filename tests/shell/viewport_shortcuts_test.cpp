// The viewport's shortcut table in the running studio: modifiers, rows that
// depend on the work mode, the timeline rows behind their seam, and keys
// the main window must never see while the viewport has the focus.
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"
#include "viewport/viewport.h"

namespace vk::testing {
namespace {

int g_calls[7] = {};

class ViewportShortcuts : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1280, 720);
    SetFocus(appState().ui.viewport);
    shellHooks_ = installedServiceHooks();
  }
  void TearDown() override {
    installServiceHooks(shellHooks_);
    StudioTest::TearDown();
  }
  void installCounters() {
    for (int& c : g_calls) c = 0;
    ServiceHooks t = shellHooks_;
    t.jumpToStart = [] { ++g_calls[0]; };
    t.jumpToEnd = [] { ++g_calls[1]; };
    t.stepFrame = [](int delta) { g_calls[2] += delta; };
    t.keyTransform = [] { ++g_calls[3]; };
    t.keyCamera = [] { ++g_calls[4]; };
    t.keyLight = [] { ++g_calls[5]; };
    t.gotoTransformKey = [](bool next) { g_calls[6] += next ? 10 : 1; };
    installServiceHooks(t);
  }
  static AppState& app() { return appState(); }
  ServiceHooks shellHooks_;
  void selectNamed(const std::wstring& name) {
    for (const Object& o : app().project.scene.objects) {
      if (o.name == name) app().selectedObjectId = o.id;
    }
  }
};

TEST_F(ViewportShortcuts, ModifiersPickTheirRowsAndIgnoreTheOther) {
  harness::pressKey('S', /*ctrl=*/true);
  EXPECT_EQ(app().transformTool, TransformTool::Scale);
  EXPECT_EQ(app().statusText, L"●  Tool: Scale");
  harness::pressKey('Q', true);
  EXPECT_EQ(app().transformTool, TransformTool::Select);
  harness::pressKey('1', false, /*shift=*/true);  // Shift+1 is 1
  harness::pressKey('C', true);                   // Ctrl+C is C
  EXPECT_EQ(app().navigationMode, NavigationMode::CameraAim);

  // The timeline rows take their keys even with an empty seam.
  app().navigationMode = NavigationMode::Orbit;
  harness::pressKey('C', false, true);
  EXPECT_EQ(app().navigationMode, NavigationMode::Orbit);
  installCounters();
  harness::pressKey('C', false, true);
  harness::pressKey('C', true, true);
  harness::pressKey('L', false, true);
  harness::pressKey(VK_HOME);
  harness::pressKey(VK_END);
  harness::pressKey(VK_LEFT);
  harness::pressKey(VK_RIGHT);
  harness::pressKey(VK_RIGHT);
  harness::pressKey('K');
  harness::pressKey(VK_OEM_COMMA);
  harness::pressKey(VK_OEM_PERIOD);
  const int expected[7] = {1, 1, 1, 1, 2, 1, 11};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(g_calls[i], expected[i]) << i;
  EXPECT_EQ(app().navigationMode, NavigationMode::Orbit);

  // Plain L is no row; Ctrl+L is the loop cut; Ctrl+0 and 0 differ.
  const std::wstring status = app().statusText;
  harness::pressKey('L');
  EXPECT_EQ(app().statusText, status);
  harness::pressKey('L', true);
  EXPECT_EQ(app().statusText, L"●  Select faces for Phase 39 loop-cut placeholder split");
  harness::pressKey('0', true);
  EXPECT_FALSE(app().cameraView);
  EXPECT_NE(app().statusText, L"●  Select faces for Phase 39 loop-cut placeholder split");
  harness::pressKey('0');
  EXPECT_TRUE(app().cameraView);

  // Ctrl+Shift+Z undoes.
  const std::size_t objects = app().project.scene.objects.size();
  addObject(ObjectKind::Empty, L"Empty");
  harness::pressKey('Z', true, true);
  EXPECT_EQ(app().project.scene.objects.size(), objects);
}

TEST_F(ViewportShortcuts, WorkModeDecidesTabFAAndBackspace) {
  addObject(ObjectKind::Curve, L"Curve");
  const std::wstring curveId = app().selectedObjectId;
  selectNamed(L"Starter Cube");
  app().viewZoom = 1.0;
  harness::pressKey('F');  // Object mode: frames
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.15);
  const std::wstring before = app().statusText;
  harness::pressKey('A');  // only in Edit Curve
  EXPECT_EQ(app().statusText, before);
  harness::pressKey(VK_BACK);  // the mesh row, which wants Edit Mesh
  EXPECT_EQ(app().statusText, L"●  Switch to Edit Mesh mode first");

  harness::pressKey(VK_TAB);  // a mesh: Edit Mesh
  EXPECT_EQ(app().workMode, WorkMode::EditMesh);
  harness::pressKey('F');  // Edit Mesh: fills
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.15);
  EXPECT_EQ(app().statusText, L"●  Select at least three vertices/edges to fill a face");
  harness::pressKey(VK_TAB);  // any edit mode: back to Object
  EXPECT_EQ(app().workMode, WorkMode::Object);

  app().selectedObjectId = curveId;
  harness::pressKey(VK_TAB);  // a curve with points: Edit Curve
  EXPECT_EQ(app().workMode, WorkMode::EditCurve);
  const std::size_t points = findObjectById(curveId)->curveData.points.size();
  harness::pressKey('A');
  EXPECT_EQ(findObjectById(curveId)->curveData.points.size(), points + 1);
  harness::pressKey(VK_BACK);  // the new point is selected: the curve row deletes it
  EXPECT_EQ(app().statusText, L"●  Deleted selected curve points");
  EXPECT_EQ(findObjectById(curveId)->curveData.points.size(), points);
  harness::pressKey('F');  // Edit Curve: frames
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.15 * 1.05);
  harness::pressKey(VK_TAB);
  selectNamed(L"Point Light");
  harness::pressKey(VK_TAB);  // not editable: Edit Mesh refuses
  EXPECT_EQ(app().workMode, WorkMode::Object);
  EXPECT_EQ(app().statusText, L"●  Edit Mesh requires a mesh/text object with mesh data");
}

// Each shading command's menu hint is the key that picks its mode in the
// viewport, and the header's shortcut note lists those keys.
TEST_F(ViewportShortcuts, ShadingCommandsShowTheKeysThatPickTheirModes) {
  std::wstring keys;
  for (int id : {kCmdShadingWireframe, kCmdShadingSolid, kCmdShadingLit, kCmdShadingMaterialPreview}) {
    const CommandRow* row = findCommandRow(id);
    ASSERT_TRUE(row && row->shortcut);
    ASSERT_EQ(std::wcslen(row->shortcut), 1u) << id;
    row->run();
    const ViewportShadingMode mode = app().project.scene.viewportShadingMode;
    app().project.scene.viewportShadingMode =
        mode == ViewportShadingMode::Lit ? ViewportShadingMode::Solid : ViewportShadingMode::Lit;
    harness::pressKey(static_cast<UINT>(row->shortcut[0]));
    EXPECT_EQ(app().project.scene.viewportShadingMode, mode) << id;
    keys += (keys.empty() ? L"" : L"/") + std::wstring(row->shortcut);
  }
  EXPECT_EQ(keys, L"4/5/6/7");
  EXPECT_EQ(headless::describe(shellHandles().contextLabels[2]).text,
            L"Shortcuts: Q/W/E/S tools, O/H/V/C nav, P view, " + keys + L" shading");
}

TEST_F(ViewportShortcuts, TheMainWindowNeverSeesKeysTypedIntoTheViewport) {
  const int panel = app().activeRailPanel;
  const bool tools = app().leftToolsOpen;
  const bool timeline = app().project.scene.timelineSettings.showTimelinePanel;
  harness::pressKey(VK_F6);
  harness::pressKey(VK_F7);
  harness::pressKey(VK_F8);
  EXPECT_EQ(app().activeRailPanel, panel);
  EXPECT_EQ(app().leftToolsOpen, tools);
  EXPECT_EQ(app().project.scene.timelineSettings.showTimelinePanel, timeline);
  // Ctrl+F is the flip in every mode (which wants Edit Mesh), never the
  // main window's outliner search.
  harness::pressKey('F', true);
  EXPECT_EQ(app().statusText, L"●  Switch to Edit Mesh mode first");
  EXPECT_EQ(GetFocus(), app().ui.viewport);
  harness::pressKey(VK_TAB);
  ASSERT_EQ(app().workMode, WorkMode::EditMesh);
  harness::pressKey('F', true);
  EXPECT_EQ(app().statusText, L"●  Flipped normals");
  EXPECT_EQ(GetFocus(), app().ui.viewport);
}

TEST_F(ViewportShortcuts, AnExitConfirmationMidOrbitEndsTheOrbit) {
  setDirty(true);
  const RECT r = headless::describe(app().ui.viewport).clientRect;
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  headless::mouseMove(centre);
  headless::mouseDown(centre, headless::Button::Right);
  headless::mouseMove(POINT{centre.x + 20, centre.y});
  harness::pump();
  ASSERT_TRUE(app().orbitDrag);
  headless::setIdleHandler([&] {
    HWND dialog = headless::findWindow(L"VeltraskStudioPhase62Dialog");
    if (!dialog) return false;
    const RECT b = headless::describe(GetDlgItem(dialog, kTextDialogSecondButton)).windowRect;  // Keep Editing
    headless::click(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
    return true;
  });
  EXPECT_EQ(harness::close(), -1);
  headless::setIdleHandler({});
  EXPECT_FALSE(app().orbitDrag || app().orbitAnchorValid);
  const double yaw = app().viewYaw;
  headless::mouseMove(POINT{centre.x + 80, centre.y + 30});
  harness::pump();
  EXPECT_EQ(app().viewYaw, yaw);
  headless::mouseUp(POINT{centre.x + 80, centre.y + 30}, headless::Button::Right);
  harness::pump();
}

}  // namespace
}  // namespace vk::testing
