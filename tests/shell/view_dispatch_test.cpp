// The view command ids through the dispatcher: each reaches its operation and
// writes its text; only the shading ids mark the project dirty, none snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class ViewDispatch : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
};

struct ViewRoute {
  int id;
  std::function<void(AppState&)> before;
  const wchar_t* status;  // null: the command keeps the previous text
  std::function<bool(const AppState&)> effect;
  bool dirties = false;
};

TEST_F(ViewDispatch, EachViewIdRunsItsOperationWithoutSnapshot) {
  using S = ViewportShadingMode;
  auto shading = [](S mode) { return [mode](AppState& a) { a.project.scene.viewportShadingMode = mode; }; };
  auto shaded = [](S mode) { return [mode](const AppState& a) { return a.project.scene.viewportShadingMode == mode; }; };
  const ViewRoute table[] = {
      {kCmdResetView,
       [](AppState& a) {
         a.viewZoom = 5;
         a.orthographic = true;
       },
       nullptr, [](const AppState& a) { return a.viewZoom == 1.0 && !a.orthographic && a.viewYaw == -35; }},
      {kCmdFrameSelected,
       [](AppState& a) {
         a.viewZoom = 1.0;
         a.viewPanX = 9;
       },
       nullptr, [](const AppState& a) { return a.viewZoom == 1.15 && a.viewPanX == 0; }},
      {kCmdToggleProjection, [](AppState& a) { a.orthographic = false; }, L"●  Viewport set to Orthographic",
       [](const AppState& a) { return a.orthographic; }},
      {kCmdToggleProjection, [](AppState& a) { a.orthographic = true; }, L"●  Viewport set to Perspective",
       [](const AppState& a) { return !a.orthographic; }},
      {kCmdPerspective,
       [](AppState& a) {
         a.orthographic = false;
         a.cameraView = false;
       },
       L"●  Viewport already in Perspective view", [](const AppState& a) { return !a.orthographic; }},
      {kCmdPerspective, [](AppState& a) { a.cameraView = true; }, L"●  Viewport set to Perspective",
       [](const AppState& a) { return !a.cameraView; }},
      {kCmdOrthographic, [](AppState& a) { a.orthographic = false; }, L"●  Viewport set to Orthographic",
       [](const AppState& a) { return a.orthographic; }},
      {kCmdShadingWireframe, shading(S::Lit), L"●  Viewport shading: Wireframe", shaded(S::Wireframe), true},
      {kCmdShadingSolid, shading(S::Lit), L"●  Viewport shading: Solid", shaded(S::Solid), true},
      {kCmdShadingLit, shading(S::Lit), L"●  Viewport shading already set to Lit", shaded(S::Lit)},
      {kCmdShadingMaterialPreview, shading(S::Lit), L"●  Viewport shading: Material Preview",
       shaded(S::MaterialPreview), true},
      {kCmdCycleShading, shading(S::Wireframe), L"●  Viewport shading: Solid", shaded(S::Solid), true},
      {kCmdCycleShading, shading(S::Solid), L"●  Viewport shading: Lit", shaded(S::Lit), true},
      {kCmdCycleShading, shading(S::Lit), L"●  Viewport shading: Material Preview", shaded(S::MaterialPreview), true},
      {kCmdCycleShading, shading(S::MaterialPreview), L"●  Viewport shading: Wireframe", shaded(S::Wireframe), true},
      {kCmdNavigateOrbit,
       {},
       L"*  Viewport navigation mode: Orbit",
       [](const AppState& a) { return a.navigationMode == NavigationMode::Orbit; }},
      {kCmdNavigatePan,
       {},
       L"*  Viewport navigation mode: Pan",
       [](const AppState& a) { return a.navigationMode == NavigationMode::Pan; }},
      {kCmdNavigateDolly,
       {},
       L"*  Viewport navigation mode: Dolly",
       [](const AppState& a) { return a.navigationMode == NavigationMode::Dolly; }},
      {kCmdNavigateCameraAim,
       {},
       L"*  Viewport navigation mode: Camera Aim",
       [](const AppState& a) { return a.navigationMode == NavigationMode::CameraAim; }},
      {kCmdToolSelect,
       {},
       L"●  Tool: Select",
       [](const AppState& a) { return a.transformTool == TransformTool::Select; }},
      {kCmdToolMove, {}, L"●  Tool: Move", [](const AppState& a) { return a.transformTool == TransformTool::Move; }},
      {kCmdToolRotate,
       {},
       L"●  Tool: Rotate",
       [](const AppState& a) { return a.transformTool == TransformTool::Rotate; }},
      {kCmdToolScale, {}, L"●  Tool: Scale", [](const AppState& a) { return a.transformTool == TransformTool::Scale; }},
      {kCmdAxisFree, {}, L"●  Axis: Free", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Free; }},
      {kCmdAxisX, {}, L"●  Axis: X", [](const AppState& a) { return a.axisConstraint == AxisConstraint::X; }},
      {kCmdAxisY, {}, L"●  Axis: Y", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Y; }},
      {kCmdAxisZ, {}, L"●  Axis: Z", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Z; }},
  };
  AppState& a = appState();
  ASSERT_FALSE(a.selectedObjectId.empty());  // the starter scene selects its cube
  for (const ViewRoute& r : table) {
    if (r.before) r.before(a);
    setDirty(false);
    setStatusText(L"●  before");
    const std::size_t undo = a.undoStack.size();
    EXPECT_TRUE(handleCommand(r.id).handled) << r.id;
    EXPECT_TRUE(r.effect(a)) << r.id;
    EXPECT_EQ(a.statusText, r.status ? r.status : L"●  before") << r.id;
    EXPECT_EQ(a.dirty, r.dirties) << r.id;
    EXPECT_EQ(a.undoStack.size(), undo) << r.id;
  }
}

TEST_F(ViewDispatch, ProjectionAndShadingButtonsFollowTheCommands) {
  auto caption = [](int id) {
    wchar_t text[64]{};
    if (HWND button = GetDlgItem(harness::mainWindow(), id)) GetWindowTextW(button, text, 64);
    return std::wstring(text);
  };
  handleCommand(kCmdOrthographic);
  EXPECT_EQ(caption(kCmdToggleProjection), L"Orthographic");
  handleCommand(kCmdPerspective);
  EXPECT_EQ(caption(kCmdToggleProjection), L"Perspective");
  handleCommand(kCmdShadingMaterialPreview);
  EXPECT_EQ(caption(kCmdCycleShading), L"Material Preview");
  handleCommand(kCmdCycleShading);
  EXPECT_EQ(caption(kCmdCycleShading), L"Wireframe");
  // The axis button follows the constraint at once, not at the next layout.
  wchar_t axis[64]{};
  handleCommand(kCmdAxisY);
  GetWindowTextW(mainButton(kMenuAxis), axis, 64);
  EXPECT_EQ(std::wstring(axis), L"Axis: Y");
}

}  // namespace
}  // namespace vk::testing
