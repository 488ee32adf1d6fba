// Right, middle and wheel navigation and the camera-aim drag through
// injected input: view numbers, the pivot's pixel, precedence of the
// modifiers over the modes, and what reaches the undo stack.
#include <cmath>

#include "input_test_support.h"
#include "model/math.h"

namespace vktest {
namespace {

using vk::headless::Button;
using vk::NavigationMode;

class Navigation : public ViewportInputTest {
 protected:
  void SetUp() override {
    ViewportInputTest::SetUp();
    vk::Object& cube = addSceneObject(vk::ObjectKind::Mesh, L"Cube");
    cube.transform.position = {1.5, 0.5, -1.0};
    select(cube);
  }
  POINT selectedPixel() { return project(object(0).transform.position); }
};

TEST_F(Navigation, OrbitTurnsAboutTheSelectionAndKeepsItsPixel) {
  const POINT before = selectedPixel();
  drag({400, 300}, {500, 340}, Button::Right);
  EXPECT_NEAR(app().viewYaw, 0.0, 1e-12);
  EXPECT_NEAR(app().viewPitch, 34.0, 1e-12);
  EXPECT_EQ(app().viewPivot, object(0).transform.position);
  EXPECT_EQ(selectedPixel().x, before.x);
  EXPECT_EQ(selectedPixel().y, before.y);
  EXPECT_FALSE(app().orbitDrag || app().orbitAnchorValid || vk::headless::mouseCaptured());

  // Pitch stops at the poles; yaw keeps growing past a full turn.
  drag({400, 100}, {400, 500}, Button::Right);
  EXPECT_EQ(app().viewPitch, 80.0);
  drag({400, 500}, {400, -400}, Button::Right);
  EXPECT_EQ(app().viewPitch, -80.0);
  press({0, 300}, Button::Right);
  for (int x = 200; x <= 1200; x += 200) moveTo({x, 300});
  release({1200, 300}, Button::Right);
  EXPECT_NEAR(app().viewYaw, 420.0, 1e-9);
}

TEST_F(Navigation, DownwardOrbitDragRaisesTheEye) {
  // How much nearer a point one unit above the pivot is: sin of the eye's
  // elevation over the pivot.
  auto upTowardsEye = [&] {
    const vk::Vec3 pivot = app().viewPivot;
    return vk::worldToViewSpace(pivot).z - vk::worldToViewSpace(pivot + vk::Vec3{0, 1, 0}).z;
  };
  const double before = upTowardsEye();
  EXPECT_NEAR(before, std::sin(24.0 * vk::kPi / 180.0), 1e-12);  // the default view looks down
  drag({400, 300}, {400, 380}, Button::Right);
  EXPECT_NEAR(app().viewPitch, 44.0, 1e-12);
  EXPECT_GT(upTowardsEye(), before);
  drag({400, 380}, {400, 60}, Button::Right);  // upwards, past the horizon
  EXPECT_LT(upTowardsEye(), 0.0);
}

TEST_F(Navigation, DollyAndWheelZoomAboutThePivot) {
  app().navigationMode = NavigationMode::Dolly;
  const double zoom = app().viewZoom;
  const POINT start = selectedPixel();
  drag({400, 300}, {400, 200}, Button::Right);
  EXPECT_NEAR(app().viewZoom, zoom * std::pow(1.012, 100), 1e-12);
  EXPECT_NEAR(app().viewZoom, 3.2965, 1e-4);
  EXPECT_EQ(selectedPixel().x, start.x);
  EXPECT_EQ(selectedPixel().y, start.y);

  const POINT at = screen({400, 300});
  auto wheel = [&](int delta) {
    vk::headless::wheel(at, delta);
    vk::headless::pumpUntilIdle();
  };
  app().viewZoom = 1.0;
  wheel(120);
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.12);
  wheel(-120);
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.12 * 0.89);
  wheel(0);
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.12 * 0.89 * 0.89);
  app().viewZoom = 1.0;
  const POINT unzoomed = selectedPixel();
  wheel(1200);  // one step whatever the delta
  EXPECT_DOUBLE_EQ(app().viewZoom, 1.12);
  EXPECT_EQ(selectedPixel().x, unzoomed.x);
  EXPECT_EQ(selectedPixel().y, unzoomed.y);
  app().viewZoom = 0.19;
  wheel(-120);
  EXPECT_DOUBLE_EQ(app().viewZoom, 0.18);
  app().viewZoom = 8.0;
  const double panX = app().viewPanX, panY = app().viewPanY;
  const POINT limit = selectedPixel();
  wheel(120);
  EXPECT_EQ(app().viewZoom, 8.0);
  EXPECT_EQ(app().viewPanX, panX);
  EXPECT_EQ(app().viewPanY, panY);
  EXPECT_EQ(selectedPixel().x, limit.x);
  EXPECT_EQ(selectedPixel().y, limit.y);
  // Navigation is view state: no undo step, never dirty.
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);
}

TEST_F(Navigation, ModifiersTakePrecedenceOverTheModeAndMiddlePansEverywhere) {
  enum Expect { Aim, Dolly, Pan, Orbit };
  const NavigationMode modes[] = {NavigationMode::Orbit, NavigationMode::Pan, NavigationMode::Dolly,
                                  NavigationMode::CameraAim};
  // Rows: no modifier, Ctrl, Shift, both; columns: the four modes.
  const Expect expected[4][4] = {{Orbit, Pan, Dolly, Aim},
                                 {Dolly, Dolly, Dolly, Dolly},
                                 {Pan, Pan, Dolly, Pan},
                                 {Dolly, Dolly, Dolly, Dolly}};
  for (int m = 0; m < 4; ++m) {
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(testing::Message() << "mode " << m << " modifiers " << k);
      app().navigationMode = modes[m];
      const bool ctrl = k == 1 || k == 3, shift = k == 2 || k == 3;
      if (ctrl) vk::headless::keyDown(VK_LCONTROL);
      if (shift) vk::headless::keyDown(VK_LSHIFT);
      press({300, 300}, Button::Right);
      const Expect e = expected[k][m];
      EXPECT_EQ(app().dollyDrag, e == Dolly);
      EXPECT_EQ(app().panDrag, e == Pan);
      EXPECT_EQ(app().orbitDrag, e == Orbit);
      // Aim refuses: the selection is no camera, so nothing captures.
      EXPECT_EQ(vk::headless::mouseCaptured(), e != Aim);
      if (e == Aim) {
        EXPECT_EQ(app().statusText,
                  L"*  Camera Aim mode needs a selected camera; select a camera or switch back to Orbit/Pan.");
      }
      release({300, 300}, Button::Right);
      if (shift) vk::headless::keyUp(VK_LSHIFT);
      if (ctrl) vk::headless::keyUp(VK_LCONTROL);
      vk::headless::pumpUntilIdle();
    }
  }
  for (NavigationMode mode : modes) {
    app().navigationMode = mode;
    const double x = app().viewPanX, y = app().viewPanY;
    drag({300, 300}, {330, 290}, Button::Middle);
    EXPECT_EQ(app().viewPanX, x + 30);
    EXPECT_EQ(app().viewPanY, y - 10);
    EXPECT_FALSE(vk::headless::mouseCaptured());
  }
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);
}

class CameraAim : public ViewportInputTest {
 protected:
  void SetUp() override {
    ViewportInputTest::SetUp();
    select(addSceneObject(vk::ObjectKind::Camera, L"Camera"));
    object(0).transform.rotation = {};
    app().navigationMode = NavigationMode::CameraAim;
  }
};

TEST_F(CameraAim, TurnsTheSelectedCameraWithOneUndoStep) {
  drag({100, 300}, {700, 300}, Button::Right);
  EXPECT_DOUBLE_EQ(object(0).transform.rotation.y, -150.0);
  EXPECT_EQ(object(0).transform.position, (vk::Vec3{0, 2, -6}));
  EXPECT_EQ(app().undoStack.size(), 1u);
  EXPECT_TRUE(app().dirty);
  vk::undoLastSnapshot();
  EXPECT_EQ(vk::findObjectById(app().selectedObjectId)->transform.rotation, (vk::Vec3{}));

  // With snap every move lands on multiples of 15; halves round away from zero.
  app().snapEnabled = true;
  press({100, 300}, Button::Right);
  for (int step = 1; step <= 12; ++step) {
    moveTo({100 + 7 * step, 300 + 5 * step});
    const vk::Vec3 r = object(0).transform.rotation;
    EXPECT_EQ(std::fmod(r.x, 15.0), 0.0) << step;
    EXPECT_EQ(std::fmod(r.y, 15.0), 0.0) << step;
  }
  moveTo({100, 330});  // 30 px down: 7.5 degrees
  EXPECT_EQ(object(0).transform.rotation.x, 15.0);
  release({100, 330}, Button::Right);
  EXPECT_EQ(app().undoStack.size(), 1u);
}

TEST_F(CameraAim, AnUndoMidAimEndsTheAimFirst) {
  press({300, 300}, Button::Right);
  moveTo({400, 300});
  ASSERT_NE(object(0).transform.rotation.y, 0.0);
  key('Z', /*ctrl=*/true);
  EXPECT_FALSE(app().aimDrag);
  EXPECT_FALSE(vk::headless::mouseCaptured());
  EXPECT_EQ(object(0).transform.rotation, (vk::Vec3{}));
  moveTo({500, 350});
  EXPECT_EQ(object(0).transform.rotation, (vk::Vec3{}));
  release({500, 350}, Button::Right);
  EXPECT_EQ(app().redoStack.size(), 1u);
}

TEST_F(CameraAim, RefusalsTakeNoCaptureAndAClickTakesNoUndoStep) {
  object(0).locked = true;
  press({300, 300}, Button::Right);
  EXPECT_EQ(app().statusText, L"*  Selected camera is locked; camera aim was not changed.");
  EXPECT_FALSE(vk::headless::mouseCaptured());
  release({300, 300}, Button::Right);

  // A right click in Camera Aim that never moves leaves both stacks exactly.
  object(0).locked = false;
  vk::pushUndoSnapshot();
  vk::undoLastSnapshot();
  ASSERT_EQ(app().redoStack.size(), 1u);
  app().dirty = false;
  press({300, 300}, Button::Right);
  EXPECT_TRUE(app().aimDrag);
  moveTo({300, 300});
  release({300, 300}, Button::Right);
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_EQ(app().redoStack.size(), 1u);
  EXPECT_FALSE(app().dirty);
}

}  // namespace
}  // namespace vktest
