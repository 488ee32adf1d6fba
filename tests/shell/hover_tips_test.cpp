// Hover tips on the virtual clock: the delay, the ways a tip goes away, the
// placement at the work-area edge, the size cap and re-registration; and the
// tip table itself, one tip per control on the right copy of shared ids.
#include <gtest/gtest.h>

#include <set>

#include "model/app_state.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

TEST(HoverTipGeometry, SizeIsClampedAndThePlaceFlipsAtTheWorkAreaEdges) {
  EXPECT_EQ(hoverTipSize(SIZE{10, 5}).cx, 180);
  EXPECT_EQ(hoverTipSize(SIZE{10, 5}).cy, 34);
  EXPECT_EQ(hoverTipSize(SIZE{380, 900}).cx, 406);
  EXPECT_EQ(hoverTipSize(SIZE{900, 900}).cx, 430);
  EXPECT_EQ(hoverTipSize(SIZE{900, 900}).cy, 160);
  const RECT work{0, 0, 1000, 800};
  EXPECT_EQ(hoverTipPosition(POINT{100, 100}, SIZE{200, 50}, &work).x, 118);
  EXPECT_EQ(hoverTipPosition(POINT{100, 100}, SIZE{200, 50}, &work).y, 122);
  const POINT flipped = hoverTipPosition(POINT{900, 780}, SIZE{200, 50}, &work);
  EXPECT_EQ(flipped.x, 900 - 200 - 18);
  EXPECT_EQ(flipped.y, 780 - 50 - 18);
  const POINT corner = hoverTipPosition(POINT{50, 30}, SIZE{430, 160}, &work);
  EXPECT_GE(corner.x, 8);
  EXPECT_GE(corner.y, 8);
  const RECT narrow{0, 0, 300, 200};
  const POINT kept = hoverTipPosition(POINT{20, 20}, SIZE{430, 160}, &narrow);
  EXPECT_EQ(kept.x, 8);
  EXPECT_EQ(kept.y, 8);
}

class HoverTips : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    button_ = harness::control(kMenuFile);
    ASSERT_NE(button_, nullptr);
  }
  POINT over(HWND control, int dx = 0) {
    const RECT r = headless::describe(control).windowRect;
    return POINT{r.left + 6 + dx, r.top + 6};
  }
  void move(POINT p) {
    headless::mouseMove(p);
    harness::pump();
  }
  bool tipShown() { return IsWindowVisible(shellHandles().hoverTip) != FALSE; }
  // The tip of the File button, shown after the delay.
  void showTip() {
    move(over(button_));
    headless::pumpFor(400);
    ASSERT_TRUE(tipShown());
  }
  HWND button_ = nullptr;
};

TEST_F(HoverTips, TheDelayCountsFromTheFirstMoveAndIsNotRestarted) {
  move(over(button_));
  EXPECT_EQ(appState().hoveredControl, button_);
  headless::pumpFor(200);
  move(over(button_, 3));
  headless::pumpFor(100);
  EXPECT_FALSE(tipShown());
  headless::pumpFor(70);  // 370 ms after the first move
  EXPECT_TRUE(tipShown());
  EXPECT_EQ(harness::text(shellHandles().hoverTip), appState().hoveredTipText);
  const RECT before = headless::describe(shellHandles().hoverTip).windowRect;
  move(over(button_, 10));  // the shown tip follows the cursor
  EXPECT_EQ(headless::describe(shellHandles().hoverTip).windowRect.left, before.left + 7);
}

TEST_F(HoverTips, LeavingPressingDisablingResizingAndDestroyingHideTheTip) {
  showTip();
  move(POINT{5, 1000});  // away from every registered control
  EXPECT_FALSE(tipShown());
  EXPECT_EQ(appState().hoveredControl, nullptr);

  showTip();
  headless::mouseDown(over(button_));
  harness::pump();
  EXPECT_FALSE(tipShown());
  headless::mouseUp(over(button_));
  harness::pump();

  showTip();
  EnableWindow(button_, FALSE);
  EXPECT_FALSE(tipShown());
  move(over(button_, 2));  // a disabled control never shows one
  headless::pumpFor(400);
  EXPECT_FALSE(tipShown());
  EnableWindow(button_, TRUE);

  showTip();
  headless::resizeHost(1400, 900);
  harness::pump();
  EXPECT_FALSE(tipShown());

  showTip();
  DestroyWindow(button_);
  EXPECT_FALSE(tipShown());
  EXPECT_EQ(appState().hoveredControl, nullptr);
}

TEST_F(HoverTips, RegisteringAgainReplacesTheTextAndLongTextsStayCapped) {
  AppState& app = appState();
  const std::size_t entries = app.hoverTips.size();
  addTooltip(button_, L"first");
  std::wstring longText;
  for (int i = 0; i < 400; ++i) longText += L"word ";
  addTooltip(button_, longText);
  addTooltip(button_, L"");  // ignored
  addTooltip(nullptr, L"ignored");
  EXPECT_EQ(app.hoverTips.size(), entries);
  showTip();
  const RECT r = headless::describe(shellHandles().hoverTip).windowRect;
  EXPECT_LE(r.right - r.left, 430);
  EXPECT_EQ(r.bottom - r.top, 160);
  EXPECT_EQ(app.hoveredTipText, longText);
}

TEST_F(HoverTips, TheTipFlipsNearTheWorkAreaEdge) {
  button_ = harness::control(kCmdApplyInspector);  // low and to the right, with room to flip into
  const RECT b = headless::describe(button_).windowRect;
  headless::setWorkArea(RECT{-1000, -1000, b.left + 100, b.top + 60});
  showTip();
  const RECT tip = headless::describe(shellHandles().hoverTip).windowRect;
  const POINT cursor = over(button_);
  EXPECT_EQ(tip.right, cursor.x - 18);
  EXPECT_EQ(tip.bottom, cursor.y - 18);
  headless::clearWorkArea();
}

// Which copy of a shared id a row names.
enum class Copy { main, strip, leftTools, curveEdit };

struct ExpectedTip {
  Copy copy;
  int id;
  const wchar_t* text;
};

constexpr ExpectedTip kTellingRows[] = {
    {Copy::main, kMenuFile,
     L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation."},
    {Copy::main, kMenuView,
     L"View menu: camera view, active camera, viewport projection, Phase 48 light controls, and Phase "
     L"49/50 shading modes."},
    {Copy::main, kCmdEditMeshMode,
     L"Edit Mesh Mode: edit vertices, edges, and faces on editable mesh objects. Tab toggles mode."},
    {Copy::main, kCmdEditCurveMode,
     L"Edit Curve Mode: edit curve points on curve objects. Use the button or Selection dropdown; "
     L"numeric keys 4/5/6/7 now control viewport shading."},
    {Copy::main, kCmdToolSelect, L"Select Tool. Shortcut: Q."},
    {Copy::main, kCmdToolMove,
     L"Move Tool: translate the selected object, mesh component, or curve point. Shortcut: W."},
    {Copy::main, kCmdAxisFree, L"Free axis constraint: transforms are not locked to X, Y, or Z. Shortcut: Esc."},
    {Copy::main, kCmdUndo, L"Undo the last safe command. Shortcut: Ctrl+Z."},
    {Copy::main, kCmdRedo, L"Redo the last undone command. Shortcut: Ctrl+Y."},
    {Copy::main, kCmdToggleProjection,
     L"Viewport view dropdown: Perspective, Orthographic, and Camera View options. Shortcut P still "
     L"toggles projection."},
    {Copy::main, kCmdNavigatePan, L"Viewport navigation: Pan mode. Shortcut: H or Shift+RMB."},
    {Copy::main, kCmdNavigateCameraAim, L"Viewport navigation: Camera Aim mode. Shortcut: C with a selected camera."},
    {Copy::main, kCmdToggleCameraView,
     L"Toggle Camera View through the active camera. Shortcut: 0; Ctrl+0 sets the selected camera "
     L"active. View menu now includes lightweight camera frustum/look-target overlays."},
    {Copy::main, kCmdCycleShading,
     L"Cycle viewport shading: Wireframe, Solid, Lit, and Material Preview. Shortcuts: 4/5/6/7."},
    {Copy::strip, kCmdToolSelect, L"Viewport tool strip: Select Tool. Shortcut: Q."},
    {Copy::main, kCmdTimelineGoToStart, L"Timeline: jump to the saved start frame. Shortcut: Home in the viewport."},
    {Copy::main, kCmdSetTransformKey,
     L"Phase 52: add or update the selected object's transform keyframe at the current frame. "
     L"Shortcut: K."},
    {Copy::main, kCmdSetCameraKey,
     L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C "
     L"in viewport."},
    {Copy::main, kCmdApplyKeyInspectorFields,
     L"Keyframe Inspector: apply frame/curve/note edits to the selected keyframe. Duplicate frames "
     L"are refused."},
    {Copy::main, kMenuCapsules,
     L"Veltrask Capsules: browse reusable manifests and apply object-kit, starter, material, and "
     L"lighting capsules safely."},
    {Copy::main, kCmdApplyPreset,
     L"Preset Browser: apply only safe currently-supported material presets; capsule presets remain "
     L"preview-only."},
    {Copy::curveEdit, 0,
     L"Curve interpolation: Linear, Hold, Ease In, Ease Out, or Ease In Out. Apply Meta writes the "
     L"sanitized curve label."},
    {Copy::main, kCmdSaveProject, L"Save the current Veltrask project."},
    {Copy::main, kCtlOutlinerSearch,
     L"Filter the Outliner by object name, type, material, primitive, collection, or ID. Shortcut: "
     L"Ctrl+F."},
    {Copy::main, kCmdRailSlot1, L"Context action 1 for the active left panel."},
    {Copy::main, kCmdRailSlot4, L"Context action 4 for the active left panel."},
    {Copy::main, kCmdRailSlot6, L"Context action 6 for the active left panel."},
    {Copy::leftTools, kMenuAxis, L"Left Tools: open the axis/transform constraint menu."},
    {Copy::leftTools, kCmdToolMove,
     L"Left Tools: Move Tool: translate the selected object, mesh component, or curve point. "
     L"Shortcut: W."},
    {Copy::main, kCmdDuplicateSelected,
     L"Duplicate the selected object. Shortcut: Ctrl+D from menus/workflows when available."},
    {Copy::main, kCmdAddLatticeModifier,
     L"Add Lattice placeholder: Phase 46 safe preview cage; full lattice solver comes later."},
    {Copy::main, kCmdMeshLoopCut,
     L"Loop Cut placeholder: safely records the command until full loop cutting is implemented. "
     L"Shortcut: Ctrl+L."},
    {Copy::main, kCmdMeshFlipNormals, L"Flip normals for the selected mesh. Shortcut: Ctrl+F."},
    {Copy::main, kCmdCurveConvertToMesh,
     L"Convert selected curve to a new mesh copy while preserving the source curve. Shortcut: "
     L"Ctrl+K."},
    {Copy::main, kCmdApplyInspector, L"Apply Inspector: commit visible inspector field values to the selected object."},
    {Copy::main, kCmdResetTransform,
     L"Reset Transform: set position/rotation to zero and scale to one for the selected object."},
};

template <std::size_t N>
HWND copyWithId(const HWND (&copies)[N], int id) {
  for (HWND h : copies)
    if (h && GetDlgCtrlID(h) == id) return h;
  return nullptr;
}

HWND controlFor(Copy copy, int id) {
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  switch (copy) {
    case Copy::main: return harness::control(id);
    case Copy::strip: return copyWithId(shell.toolStripButtons, id);
    case Copy::leftTools: return copyWithId(shell.leftToolsButtons, id);
    case Copy::curveEdit: return ui.curveEdit;
  }
  return nullptr;
}

const std::wstring* tipOf(HWND control) {
  for (const HoverTipEntry& entry : appState().hoverTips)
    if (entry.control == control) return &entry.text;
  return nullptr;
}

class HoverTipTable : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
};

TEST_F(HoverTipTable, EveryControlHasOneTipAndSharedIdsKeepTheirOwnCopy) {
  const AppState& app = appState();
  EXPECT_EQ(app.hoverTips.size(), 157u);
  std::set<HWND> seen;
  for (const HoverTipEntry& entry : app.hoverTips) {
    EXPECT_NE(entry.control, nullptr);
    EXPECT_FALSE(entry.text.empty());
    EXPECT_TRUE(seen.insert(entry.control).second) << "registered twice: " << GetDlgCtrlID(entry.control);
  }
  // Every button of the main window has a tip, whichever copy it is.
  for (HWND child = GetWindow(app.ui.mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (std::wstring(cls) == L"BUTTON") {
      EXPECT_NE(tipOf(child), nullptr) << "no tip: " << GetDlgCtrlID(child);
    }
  }
  for (HWND label : {shellHandles().railCaption, shellHandles().railDescription, shellHandles().railDetails})
    EXPECT_NE(tipOf(label), nullptr);
  // The three copies of one id carry three different texts.
  const std::wstring* toolbar = tipOf(controlFor(Copy::main, kCmdToolRotate));
  const std::wstring* strip = tipOf(controlFor(Copy::strip, kCmdToolRotate));
  const std::wstring* left = tipOf(controlFor(Copy::leftTools, kCmdToolRotate));
  ASSERT_TRUE(toolbar && strip && left);
  EXPECT_EQ(*strip, L"Viewport tool strip: " + *toolbar);
  EXPECT_EQ(*left, L"Left Tools: " + *toolbar);
}

TEST_F(HoverTipTable, TheTellingRowsCarryTheirTextsWordForWord) {
  for (const ExpectedTip& row : kTellingRows) {
    HWND control = controlFor(row.copy, row.id);
    ASSERT_NE(control, nullptr) << row.id;
    const std::wstring* text = tipOf(control);
    ASSERT_NE(text, nullptr) << row.id;
    EXPECT_EQ(*text, row.text) << row.id;
  }
}

TEST_F(HoverTipTable, NewlyCoveredControlsShowTheirTipAfterTheDelay) {
  const HWND candidates[] = {controlFor(Copy::main, kCmdAddCube), controlFor(Copy::main, kCmdClearComponentSelection),
                             controlFor(Copy::leftTools, kCmdResetView), controlFor(Copy::strip, kCmdObjectMode),
                             controlFor(Copy::main, kCmdRailAssets)};
  int shown = 0;
  for (HWND control : candidates) {
    if (!control || !IsWindowVisible(control)) continue;
    const RECT r = headless::describe(control).windowRect;
    if (r.right - r.left < 4 || r.bottom - r.top < 4) continue;
    headless::mouseMove(POINT{r.left + 2, r.top + 2});
    harness::pump();
    headless::pumpFor(350);
    EXPECT_FALSE(IsWindowVisible(shellHandles().hoverTip)) << GetDlgCtrlID(control);
    headless::pumpFor(20);
    EXPECT_TRUE(IsWindowVisible(shellHandles().hoverTip)) << GetDlgCtrlID(control);
    EXPECT_EQ(harness::text(shellHandles().hoverTip), *tipOf(control));
    headless::mouseMove(POINT{5, 1000});
    harness::pump();
    ++shown;
  }
  EXPECT_GE(shown, 3);
}

}  // namespace
}  // namespace vk::testing
