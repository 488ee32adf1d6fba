// View commands: the reset and frame arithmetic, the projection switch out of
// Camera View, the shading change as the one dirtying command, and the names.
#include <algorithm>

#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::Vec3;
using vk::ViewportShadingMode;
using vktest::addMeshObject;
using vktest::addSceneObject;
using vktest::resetEmptyScene;

class ViewCommands : public ::testing::Test {
 protected:
  void SetUp() override { resetEmptyScene(); }
};

TEST_F(ViewCommands, SceneBoundsCentresVisiblePositionsAndMeshCorners) {
  EXPECT_EQ(vk::sceneBounds(), Vec3{});
  addSceneObject(vk::ObjectKind::Empty, L"A").transform.position = {-2, 0, 4};
  addSceneObject(vk::ObjectKind::Empty, L"B").transform.position = {6, 2, 0};
  vk::Object& hidden = addSceneObject(vk::ObjectKind::Empty, L"Hidden");
  hidden.transform.position = {100, 100, 100};
  hidden.visible = false;
  EXPECT_EQ(vk::sceneBounds(), (Vec3{2, 1, 2}));

  // A 2 x 2 grid scaled by 3 around x = 10 reaches x = 13 and z = -3.
  vk::Object& grid = addMeshObject(L"Grid", vktest::gridMesh(1, 1, 1.0));
  ASSERT_TRUE(vk::meshDataRenderable(grid));
  grid.transform.position = {10, 0, 0};
  grid.transform.scale = {3, 3, 3};
  EXPECT_EQ(vk::sceneBounds(), (Vec3{5.5, 1, 0.5}));
}

TEST_F(ViewCommands, ResetViewRestoresDefaultsAroundTheScene) {
  vk::AppState& app = appState();
  addSceneObject(vk::ObjectKind::Empty, L"A").transform.position = {4, 0, 0};
  app.viewYaw = 400;
  app.viewPitch = -80;
  app.viewZoom = 7;
  app.viewPanX = 30;
  app.viewPanY = -12;
  app.orthographic = true;
  app.cameraView = true;
  app.statusText = L"●  before";
  vk::resetView();
  EXPECT_EQ(app.viewYaw, -35);
  EXPECT_EQ(app.viewPitch, 24);
  EXPECT_EQ(app.viewZoom, 1.0);
  EXPECT_EQ(app.viewPanX, 0);
  EXPECT_EQ(app.viewPanY, 0);
  EXPECT_EQ(app.viewPivot, (Vec3{4, 0, 0}));
  EXPECT_FALSE(app.orthographic);
  EXPECT_FALSE(app.cameraView);
  EXPECT_EQ(app.statusText, L"●  before");
  EXPECT_FALSE(app.dirty);
}

TEST_F(ViewCommands, FrameSelectedZoomsInStepsAndNeedsASelection) {
  vk::AppState& app = appState();
  vk::Object& target = addSceneObject(vk::ObjectKind::Empty, L"Target");
  target.transform.position = {1, 2, 3};
  app.viewZoom = 1.0;
  app.viewPanX = 50;
  vk::frameSelectedObject();  // nothing selected: nothing moves
  EXPECT_EQ(app.viewZoom, 1.0);
  EXPECT_EQ(app.viewPanX, 50);

  app.selectedObjectId = target.id;
  const struct {
    double before, after;
  } cases[] = {{1.0, 1.15}, {0.18, 1.15}, {1.05, 1.05 * 1.05}, {7.9, 8.0}, {8.0, 8.0}};
  for (const auto& c : cases) {
    app.viewZoom = c.before;
    app.viewPanX = 50;
    app.viewPanY = -7;
    vk::frameSelectedObject();
    EXPECT_DOUBLE_EQ(app.viewZoom, c.after) << c.before;
    EXPECT_EQ(app.viewPanX, 0);
    EXPECT_EQ(app.viewPanY, 0);
    EXPECT_EQ(app.viewPivot, (Vec3{1, 2, 3}));
  }
}

TEST_F(ViewCommands, ProjectionReportsChangesAndLeavesCameraView) {
  vk::AppState& app = appState();
  vk::setProjectionMode(false);
  EXPECT_EQ(app.statusText, L"●  Viewport already in Perspective view");
  vk::setProjectionMode(true);
  EXPECT_TRUE(app.orthographic);
  EXPECT_EQ(app.statusText, L"●  Viewport set to Orthographic");
  vk::setProjectionMode(true);
  EXPECT_EQ(app.statusText, L"●  Viewport already in Orthographic view");
  app.orthographic = false;
  app.cameraView = true;
  vk::setProjectionMode(false);
  EXPECT_FALSE(app.cameraView);
  EXPECT_FALSE(app.orthographic);
  EXPECT_EQ(app.statusText, L"●  Viewport set to Perspective");
  EXPECT_FALSE(app.dirty);
  EXPECT_TRUE(app.undoStack.empty());
}

TEST_F(ViewCommands, ModeSettersNameOutOfRangeValuesByTheirFirstName) {
  vk::AppState& app = appState();
  vk::setTool(vk::TransformTool::Rotate);
  EXPECT_EQ(app.transformTool, vk::TransformTool::Rotate);
  EXPECT_EQ(app.statusText, L"●  Tool: Rotate");
  vk::setTool(static_cast<vk::TransformTool>(9));
  EXPECT_EQ(app.statusText, L"●  Tool: Select");
  vk::setAxisConstraint(vk::AxisConstraint::Z);
  EXPECT_EQ(app.axisConstraint, vk::AxisConstraint::Z);
  EXPECT_EQ(app.statusText, L"●  Axis: Z");
  vk::setAxisConstraint(static_cast<vk::AxisConstraint>(-1));
  EXPECT_EQ(app.statusText, L"●  Axis: Free");
  vk::setViewportNavigationMode(vk::NavigationMode::CameraAim);
  EXPECT_EQ(app.navigationMode, vk::NavigationMode::CameraAim);
  EXPECT_EQ(app.statusText, L"*  Viewport navigation mode: Camera Aim");
  vk::setViewportNavigationMode(static_cast<vk::NavigationMode>(4));
  EXPECT_EQ(app.statusText, L"*  Viewport navigation mode: Orbit");
  EXPECT_FALSE(app.dirty);
  EXPECT_TRUE(app.undoStack.empty());
}

TEST_F(ViewCommands, ShadingChangeMarksDirtyButTakesNoSnapshot) {
  vk::AppState& app = appState();
  app.project.scene.viewportShadingMode = ViewportShadingMode::Lit;
  vk::setViewportShading(ViewportShadingMode::Lit);
  EXPECT_EQ(app.statusText, L"●  Viewport shading already set to Lit");
  EXPECT_FALSE(app.dirty);
  vk::setViewportShading(ViewportShadingMode::MaterialPreview);
  EXPECT_EQ(app.project.scene.viewportShadingMode, ViewportShadingMode::MaterialPreview);
  EXPECT_EQ(app.statusText, L"●  Viewport shading: Material Preview");
  EXPECT_TRUE(app.dirty);
  EXPECT_TRUE(app.undoStack.empty());

  ViewportShadingMode mode = ViewportShadingMode::Wireframe;
  for (ViewportShadingMode expected : {ViewportShadingMode::Solid, ViewportShadingMode::Lit,
                                       ViewportShadingMode::MaterialPreview, ViewportShadingMode::Wireframe}) {
    mode = vk::nextViewportShading(mode);
    EXPECT_EQ(mode, expected);
  }
  EXPECT_EQ(vk::nextViewportShading(static_cast<ViewportShadingMode>(7)), ViewportShadingMode::Wireframe);
}

TEST_F(ViewCommands, ShadingKeysLabelsAndParsing) {
  const struct {
    int value;
    const wchar_t* key;
    const wchar_t* label;
  } names[] = {{0, L"Wireframe", L"Wireframe"},
               {1, L"Solid", L"Solid"},
               {2, L"Lit", L"Lit"},
               {3, L"MaterialPreview", L"Material Preview"},
               {-1, L"Lit", L"Lit"},
               {4, L"Lit", L"Lit"}};
  for (const auto& n : names) {
    const auto mode = static_cast<ViewportShadingMode>(n.value);
    EXPECT_STREQ(vk::viewportShadingKey(mode), n.key) << n.value;
    EXPECT_STREQ(vk::viewportShadingLabel(mode), n.label) << n.value;
    if (n.value >= 0 && n.value <= 3) {
      EXPECT_EQ(vk::viewportShadingFromString(n.key), mode);
      EXPECT_EQ(vk::viewportShadingFromString(n.label), mode);
    }
  }
  for (const wchar_t* other : {L"wireframe", L"SOLID", L"", L" Solid", L"Material  Preview"})
    EXPECT_EQ(vk::viewportShadingFromString(other), ViewportShadingMode::Lit) << other;
  EXPECT_STREQ(vk::axisName(vk::AxisConstraint::X), L"X");
  EXPECT_STREQ(vk::axisName(static_cast<vk::AxisConstraint>(5)), L"Free");
}

}  // namespace
