// The view command ids through the dispatcher: each reaches its operation and
// writes its text; only the shading ids mark the project dirty, none snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class ViewDispatch : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    if (!controlsAvailable()) GTEST_SKIP();
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
      {1501, [](AppState& a) { a.viewZoom = 5; a.orthographic = true; }, nullptr,
       [](const AppState& a) { return a.viewZoom == 1.0 && !a.orthographic && a.viewYaw == -35; }},
      {1502, [](AppState& a) { a.viewZoom = 1.0; a.viewPanX = 9; }, nullptr,
       [](const AppState& a) { return a.viewZoom == 1.15 && a.viewPanX == 0; }},
      {1503, [](AppState& a) { a.orthographic = false; }, L"●  Viewport set to Orthographic",
       [](const AppState& a) { return a.orthographic; }},
      {1503, [](AppState& a) { a.orthographic = true; }, L"●  Viewport set to Perspective",
       [](const AppState& a) { return !a.orthographic; }},
      {1509, [](AppState& a) { a.orthographic = false; a.cameraView = false; }, L"●  Viewport already in Perspective view",
       [](const AppState& a) { return !a.orthographic; }},
      {1509, [](AppState& a) { a.cameraView = true; }, L"●  Viewport set to Perspective",
       [](const AppState& a) { return !a.cameraView; }},
      {1534, [](AppState& a) { a.orthographic = false; }, L"●  Viewport set to Orthographic",
       [](const AppState& a) { return a.orthographic; }},
      {1510, shading(S::Lit), L"●  Viewport shading: Wireframe", shaded(S::Wireframe), true},
      {1511, shading(S::Lit), L"●  Viewport shading: Solid", shaded(S::Solid), true},
      {1512, shading(S::Lit), L"●  Viewport shading already set to Lit", shaded(S::Lit)},
      {1513, shading(S::Lit), L"●  Viewport shading: Material Preview", shaded(S::MaterialPreview), true},
      {1514, shading(S::Wireframe), L"●  Viewport shading: Solid", shaded(S::Solid), true},
      {1514, shading(S::Solid), L"●  Viewport shading: Lit", shaded(S::Lit), true},
      {1514, shading(S::Lit), L"●  Viewport shading: Material Preview", shaded(S::MaterialPreview), true},
      {1514, shading(S::MaterialPreview), L"●  Viewport shading: Wireframe", shaded(S::Wireframe), true},
      {1535, {}, L"*  Viewport navigation mode: Orbit", [](const AppState& a) { return a.navigationMode == NavigationMode::Orbit; }},
      {1536, {}, L"*  Viewport navigation mode: Pan", [](const AppState& a) { return a.navigationMode == NavigationMode::Pan; }},
      {1537, {}, L"*  Viewport navigation mode: Dolly", [](const AppState& a) { return a.navigationMode == NavigationMode::Dolly; }},
      {1538, {}, L"*  Viewport navigation mode: Camera Aim",
       [](const AppState& a) { return a.navigationMode == NavigationMode::CameraAim; }},
      {1701, {}, L"●  Tool: Select", [](const AppState& a) { return a.transformTool == TransformTool::Select; }},
      {1702, {}, L"●  Tool: Move", [](const AppState& a) { return a.transformTool == TransformTool::Move; }},
      {1703, {}, L"●  Tool: Rotate", [](const AppState& a) { return a.transformTool == TransformTool::Rotate; }},
      {1704, {}, L"●  Tool: Scale", [](const AppState& a) { return a.transformTool == TransformTool::Scale; }},
      {1710, {}, L"●  Axis: Free", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Free; }},
      {1711, {}, L"●  Axis: X", [](const AppState& a) { return a.axisConstraint == AxisConstraint::X; }},
      {1712, {}, L"●  Axis: Y", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Y; }},
      {1713, {}, L"●  Axis: Z", [](const AppState& a) { return a.axisConstraint == AxisConstraint::Z; }},
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
    const auto& waiting = waitingCommandIds();
    EXPECT_EQ(std::find(waiting.begin(), waiting.end(), r.id), waiting.end()) << r.id;
  }
}

TEST_F(ViewDispatch, ProjectionAndShadingButtonsFollowTheCommands) {
  auto caption = [](int id) {
    wchar_t text[64]{};
    if (HWND button = GetDlgItem(harness::mainWindow(), id)) GetWindowTextW(button, text, 64);
    return std::wstring(text);
  };
  handleCommand(1534);
  EXPECT_EQ(caption(1503), L"Orthographic");
  handleCommand(1509);
  EXPECT_EQ(caption(1503), L"Perspective");
  handleCommand(1513);
  EXPECT_EQ(caption(1514), L"Material Preview");
  handleCommand(1514);
  EXPECT_EQ(caption(1514), L"Wireframe");
  // The axis button follows the constraint at once, not at the next layout.
  wchar_t axis[64]{};
  handleCommand(1712);
  GetWindowTextW(mainButton(9009), axis, 64);
  EXPECT_EQ(std::wstring(axis), L"Axis: Y");
}

}  // namespace
}  // namespace vk::testing
