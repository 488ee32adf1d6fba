// The main window's controls as created: classes, ids, styles and labels in
// creation order (which is both the z and the tab order), the fonts, and
// the text-to-number helpers.
#include <tuple>
#include <vector>

#include "shell/command_ids.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using ControlsTest = StudioTest;

struct Expected {
  const wchar_t* cls;
  int id;
  const wchar_t* text;
};

std::vector<Expected> buttons(std::initializer_list<std::pair<int, const wchar_t*>> list) {
  std::vector<Expected> out;
  for (auto [id, text] : list) out.push_back({L"BUTTON", id, text});
  return out;
}

std::vector<Expected> expectedControls() {
  std::vector<Expected> all;
  auto add = [&all](const std::vector<Expected>& more) { all.insert(all.end(), more.begin(), more.end()); };
  auto label = [&all](const wchar_t* text) { all.push_back({L"STATIC", 0, text}); };
  auto edit = [&all](int id = 0, const wchar_t* text = L"") { all.push_back({L"EDIT", id, text}); };
  add(buttons({{kMenuFile, L"File"},
               {kMenuEdit, L"Edit"},
               {kMenuCreate, L"Create"},
               {kMenuObject, L"Object"},
               {kMenuMesh, L"Mesh"},
               {kMenuCurve, L"Curve"},
               {kMenuModifier, L"Modifier"},
               {kMenuMaterial, L"Material"},
               {kMenuView, L"View"},
               {kMenuRender, L"Render"},
               {kMenuTools, L"Tools"},
               {kMenuWindow, L"Window"},
               {kMenuTimeline, L"Timeline"},
               {kMenuPresets, L"Presets"},
               {kMenuCapsules, L"Capsules"},
               {kMenuHelp, L"Help"}}));
  label(L"Work Mode");
  label(L"Context Actions");
  label(L"Mode-aware shelves keep the viewport open. Full commands remain in menus and right-click.");
  add(buttons({{kCmdAddCube, L"Cube"},
               {kCmdAddPlane, L"Plane"},
               {kCmdAddSphere, L"Sphere"},
               {kCmdAddCylinder, L"Cylinder"},
               {kCmdAddCone, L"Cone"},
               {kCmdAddCamera, L"Camera"},
               {kCmdAddPointLight, L"Light"},
               {kCmdAddLineCurve, L"Line"},
               {kCmdAddBezierCurve, L"Bezier"},
               {kCmdAddCircleCurve, L"Circle"},
               {kCmdAddRectangleCurve, L"Rect"},
               {kMenuSelection, L"Selection ▾"},
               {kMenuAxis, L"Axis ▾"},
               {kCmdToolSelect, L"Select"},
               {kCmdToolMove, L"Move"},
               {kCmdToolRotate, L"Rotate"},
               {kCmdToolScale, L"Scale"},
               {kCmdObjectMode, L"Object"},
               {kCmdEditMeshMode, L"Edit Mesh"},
               {kCmdEditCurveMode, L"Edit Curve"},
               {kCmdVertexSelection, L"Vertex"},
               {kCmdEdgeSelection, L"Edge"},
               {kCmdFaceSelection, L"Face"},
               {kCmdClearComponentSelection, L"Clear Sel"},
               {kCmdMeshExtrude, L"Extrude"},
               {kCmdMeshDeleteComponent, L"Del Comp"},
               {kCmdMeshMerge, L"Merge"},
               {kCmdMeshFlipNormals, L"Flip N"},
               {kCmdMeshRecalculateNormals, L"Recalc N"},
               {kCmdMeshInsetFaces, L"Inset"},
               {kCmdMeshBevel, L"Bevel"},
               {kCmdMeshBridgeEdges, L"Bridge"},
               {kCmdMeshLoopCut, L"Loop Cut"},
               {kCmdMeshFillFace, L"Fill"},
               {kCmdMeshSeparateFaces, L"Separate"},
               {kCmdMeshJoinVisible, L"Join"},
               {kCmdCurveAddPoint, L"Add Pt"},
               {kCmdCurveDeletePoints, L"Del Pt"},
               {kCmdCurveConvertToMesh, L"Curve→Mesh"},
               {kCmdAxisFree, L"Free"},
               {kCmdAxisX, L"X"},
               {kCmdAxisY, L"Y"},
               {kCmdAxisZ, L"Z"},
               {kCmdToggleSnap, L"Snap"},
               {kCmdUndo, L"Undo"},
               {kCmdRedo, L"Redo"},
               {kCmdDuplicateSelected, L"Duplicate"},
               {kCmdDeleteSelected, L"Delete"},
               {kCmdNewGroup, L"New Group"},
               {kCmdAddMirrorModifier, L"Mirror"},
               {kCmdAddArrayModifier, L"Array"},
               {kCmdAddBevelModifier, L"Bevel Mod"},
               {kCmdAddSolidifyModifier, L"Solidify"},
               {kCmdAddSubdivisionModifier, L"Subdiv"},
               {kCmdAddBendModifier, L"Bend"},
               {kCmdAddTwistModifier, L"Twist"},
               {kCmdAddTaperModifier, L"Taper"},
               {kCmdAddLatticeModifier, L"Lattice"},
               {kCmdParentSelected, L"Parent"},
               {kCmdUnparentSelected, L"Unparent"},
               {kCmdToggleVisibility, L"Visible"},
               {kCmdToggleLock, L"Lock"},
               {kCmdFrameSelected, L"Frame"},
               {kCmdResetView, L"Reset View"},
               {kCmdToggleProjection, L"Ortho"},
               {kCmdToggleCameraView, L"Camera"},
               {kCmdCycleShading, L"Shading"},
               {kCmdNavigateOrbit, L"Orbit"},
               {kCmdNavigatePan, L"Pan"},
               {kCmdNavigateDolly, L"Dolly"},
               {kCmdNavigateCameraAim, L"Cam Aim"},
               {kCmdToolSelect, L""},
               {kCmdToolMove, L""},
               {kCmdToolRotate, L""},
               {kCmdToolScale, L""},
               {kCmdObjectMode, L""},
               {kCmdEditMeshMode, L""},
               {kCmdExportStillPng, L"Render PNG"},
               {kCmdTimelineGoToStart, L"|<"},
               {kCmdTimelinePreviousFrame, L"<"},
               {kCmdTimelineNextFrame, L">"},
               {kCmdTimelineGoToEnd, L">|"},
               {kCmdApplyTimelineFields, L"Apply"},
               {kCmdFocusTimelineOnSelection, L"Focus Selected"},
               {kCmdSetTransformKey, L"Key +"},
               {kCmdDeleteTransformKey, L"Key -"},
               {kCmdPreviousTransformKey, L"Prev Key"},
               {kCmdNextTransformKey, L"Next Key"},
               {kCmdApplyTransformKeys, L"Apply Key"},
               {kCmdSetCameraKey, L"Cam Key +"},
               {kCmdDeleteCameraKey, L"Cam Key -"},
               {kCmdApplyCameraKeys, L"Apply Cam"},
               {kCmdSetLightKey, L"Light Key +"},
               {kCmdDeleteLightKey, L"Light Key -"},
               {kCmdApplyLightKeys, L"Apply Light"},
               {kCmdSelectCurrentFrameKey, L"Select Cur"},
               {kCmdSelectPreviousInspectorKey, L"Prev"},
               {kCmdSelectNextInspectorKey, L"Next"},
               {kCmdApplyKeyInspectorFields, L"Apply Meta"},
               {kCmdCaptureKeyValues, L"Capture Obj"},
               {kCmdApplyKeyToObject, L"Apply Key"},
               {kCmdDeleteInspectorKey, L"Delete Key"},
               {kCmdPreviousPreset, L"Preset <"},
               {kCmdNextPreset, L"Preset >"},
               {kCmdPreviewPreset, L"Preview"},
               {kCmdApplyPreset, L"Apply"},
               {kCmdPresetCategoryAll, L"Filter"},
               {kCmdPreviousCapsule, L"Capsule <"},
               {kCmdNextCapsule, L"Capsule >"},
               {kCmdPreviewCapsule, L"Preview Cap"},
               {kCmdApplyCapsule, L"Apply Cap"},
               {kCmdCapsuleCategoryAll, L"Filter"},
               {kCmdSaveProject, L"Save"},
               {kCmdRailOutliner, L"Outliner"},
               {kCmdRailAssets, L"Assets"},
               {kCmdRailMaterials, L"Materials"},
               {kCmdRailScene, L"Scene"},
               {kCmdRailHistory, L"History"}}));
  edit(kCtlOutlinerSearch);
  label(L"OUTLINER");
  label(L"Scene hierarchy and visibility controls remain available in the Outliner tab.");
  label(L"Panel details");
  add(buttons({{kCmdRailSlot1, L"Action 1"},
               {kCmdRailSlot2, L"Action 2"},
               {kCmdRailSlot3, L"Action 3"},
               {kCmdRailSlot4, L"Action 4"},
               {kCmdRailSlot5, L"Action 5"},
               {kCmdRailSlot6, L"Action 6"},
               {kCmdToolSelect, L"Select"},
               {kCmdToolMove, L"Move"},
               {kCmdToolRotate, L"Rotate"},
               {kCmdToolScale, L"Scale"},
               {kCmdObjectMode, L"Object"},
               {kCmdEditMeshMode, L"Edit Mesh"},
               {kMenuAxis, L"Axis"},
               {kCmdFrameSelected, L"Frame"},
               {kCmdToggleSnap, L"Snap"},
               {kCmdResetView, L"Reset View"}}));
  label(L"OUTLINER");
  all.push_back({L"LISTBOX", kCtlOutlinerList, L""});
  all.push_back({L"VeltraskStudioPhase62Viewport", 0, L""});
  for (const wchar_t* text : {L"TIMELINE / CURVES", L"Frame 1 / 120", L"Frame", L"Start", L"End", L"FPS",
                              L"Transform keys: no selection", L"Camera/light keys: no selection"})
    label(text);
  for (int i = 0; i < 4; ++i) edit();
  label(L"INSPECTOR");
  label(L"Type");
  edit(0, L"Mesh");
  label(L"Name");
  edit();
  label(L"Transform");
  for (const wchar_t* text : {L"Position", L"Rotation", L"Scale"}) label(text);
  for (int i = 0; i < 9; ++i) edit();
  label(L"Color (RGB)");
  for (int i = 0; i < 3; ++i) edit();
  label(L"Intensity");
  edit();
  label(L"Range / FOV");
  edit();
  for (const wchar_t* text :
       {L"Keyframe Inspector / Curves v1", L"No selected keyframe", L"Key Frame", L"Curve", L"Note",
        L"Values: no key selected", L"Preset Browser v1", L"Preset Browser: ready",
        L"Browse reusable preset records before capsule application begins.",
        L"Veltrask Capsules / Starter + Material + Lighting Capsules", L"Capsules: ready",
        L"Preview/apply object-kit, starter, material, and lighting capsules."})
    label(text);
  for (int i = 0; i < 3; ++i) edit();
  all.push_back({L"VeltraskStudioPhase62TexturePreview", 0, L""});
  label(L"Mesh:");
  add(buttons({{kCmdApplyInspector, L"Apply Inspector"}, {kCmdResetTransform, L"Reset Transform"}}));
  all.push_back({L"VeltraskStudioPhase64105InspectorScrollbar", kCtlInspectorScrollbar, L""});
  for (const wchar_t* text : {L"●  Ready", L"Project: Untitled", L"Saved", L"Objects: 3", L"v65.6",
                              L"▦  Perspective", L"◇  Objects: 3", L"◷  FPS: 60"})
    label(text);
  return all;
}

DWORD styleFor(const std::wstring& cls, int id, const std::wstring& text) {
  if (equalsIgnoreAsciiCase(cls, L"BUTTON")) return 0x5401000B;
  if (equalsIgnoreAsciiCase(cls, L"LISTBOX")) return 0x54210051;
  if (equalsIgnoreAsciiCase(cls, L"EDIT")) return id == 0 && text == L"Mesh" ? 0x54000880 : 0x54010080;
  return 0x54000000;
}

// Creation order is what a plain parent shows before any layout runs.
TEST_F(ControlsTest, CreatedWithIdsClassesStylesAndLabelsInZAndTabOrder) {
  startStudio();
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  const UiHandles saved = appState().ui;
  createMainWindowControls(parent);
  const std::vector<HWND> children = headless::childWindows(parent);
  const std::vector<Expected> expected = expectedControls();
  ASSERT_EQ(children.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const headless::WindowInfo info = headless::describe(children[i]);
    SCOPED_TRACE(::testing::Message() << "control " << i << " id " << expected[i].id);
    EXPECT_TRUE(equalsIgnoreAsciiCase(info.className, expected[i].cls)) << wideToUtf8(info.className);
    EXPECT_EQ(info.id, expected[i].id);
    EXPECT_EQ(info.text, expected[i].text);
    EXPECT_EQ(info.zIndex, static_cast<int>(i));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(children[i], GWL_STYLE)),
              styleFor(info.className, expected[i].id, expected[i].text));
    RECT r{};
    GetWindowRect(children[i], &r);
    EXPECT_EQ(r.right - r.left, 0);
  }
  // Buttons and bold headings share the bold font; the context labels the small one.
  const UiHandles& ui = appState().ui;
  auto fontOf = [](HWND h) { return reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)); };
  EXPECT_EQ(fontOf(children[0]), ui.boldFont);
  EXPECT_EQ(fontOf(ui.contextLabels[0]), ui.smallFont);
  EXPECT_EQ(fontOf(ui.railDescription), ui.uiFont);
  EXPECT_EQ(fontOf(ui.outlinerHeading), ui.boldFont);
  // The hover tip is an owned, hidden, non-activating popup.
  const headless::WindowInfo tip = headless::describe(ui.hoverTip);
  EXPECT_EQ(tip.owner, parent);
  EXPECT_FALSE(tip.visible);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(ui.hoverTip, GWL_EXSTYLE)), 0x08000088u);
  for (HFONT f : {ui.uiFont, ui.smallFont, ui.boldFont, ui.titleFont}) DeleteObject(f);
  for (HBRUSH b : {ui.panelBrush, ui.fieldBrush}) DeleteObject(b);
  DestroyWindow(parent);
  appState().ui = saved;
}

TEST_F(ControlsTest, TextAndNumberHelpers) {
  startStudio();
  HWND edit = appState().ui.nameEdit;
  SetWindowTextW(edit, L"12abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 12);
  SetWindowTextW(edit, L"abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  SetWindowTextW(edit, L"");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  EXPECT_EQ(getDoubleFromWindow(edit, 1.5), 1.5);
  SetWindowTextW(edit, L"99999999999");
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
