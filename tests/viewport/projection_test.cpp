// Projection: orbit and Camera View formulas, clamps, rounding, the camera
// frame, axis tips and angle wrapping.
#include <cmath>
#include <cstdlib>
#include <limits>

#include "model/curves.h"

#include "model/math.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::Vec3;
using vktest::addSceneObject;
using vktest::resetEmptyScene;

class Projection : public ::testing::Test {
 protected:
  void SetUp() override { resetEmptyScene(); }
};

vk::Object& addActiveCamera() {
  vk::Object& camera = addSceneObject(vk::ObjectKind::Camera, L"Cam");
  camera.transform.position = {};
  camera.transform.rotation = {};
  camera.camera = vk::CameraSettings{};
  appState().project.scene.activeCameraId = camera.id;
  return camera;
}

TEST_F(Projection, OrbitViewPivotScaleAndZoomClamps) {
  const RECT client{0, 0, 800, 600};
  POINT p = vk::projectToScreen({0, 0, 0}, client);
  EXPECT_EQ(p.x, 400);
  EXPECT_EQ(p.y, 336);

  // Straight-on view: one world unit to the right is `scale * f` pixels.
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  appState().orthographic = true;
  p = vk::projectToScreen({1, 0, 0}, RECT{0, 0, 100, 100});
  EXPECT_EQ(p.x, 50 + 22);  // floor scale 22 on a small client
  appState().viewZoom = 0.05;
  EXPECT_EQ(vk::projectToScreen({10, 0, 0}, client).x, 400 + std::lround(600.0 / 7 * 0.18 * 10));
  appState().viewZoom = 20.0;
  EXPECT_EQ(vk::projectToScreen({1, 0, 0}, client).x, 400 + std::lround(600.0 / 7 * 8));
}

TEST_F(Projection, PerspectiveFactorAndHugeValues) {
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  const RECT client{0, 0, 700, 700};  // scale 100
  // View depth -72: clamped denominator 51.84 gives 1.388..., clamped to 1.22.
  POINT p = vk::projectToScreen({1, 0, -72}, client);
  EXPECT_EQ(p.x, 350 + 122);
  appState().orthographic = true;
  EXPECT_EQ(vk::projectToScreen({1, 0, -72}, client).x, 450);
  appState().orthographic = false;
  // Far points end on the clamp, not on an overflowed integer.
  p = vk::projectToScreen({1e12, -1e12, 0}, client);
  EXPECT_EQ(p.x, 200000);
  EXPECT_EQ(p.y, 200000);
  p = vk::projectToScreen({-1e12, 1e12, 0}, client);
  EXPECT_EQ(p.x, -200000);
  EXPECT_EQ(p.y, -200000);
}

// Coordinates at the ends of the double range, as a project or an imported
// matrix may carry them: points land on the clamp or, where infinities meet
// as NaN, at 0; the sanitizer build checks that nothing undefined is cast.
TEST_F(Projection, NonFinitePointsLandOnTheClampOrAtZero) {
  const RECT client{0, 0, 700, 700};
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Vec3& point : {Vec3{1e308, -1e308, 1e308}, Vec3{-1e308, 1e308, -1e308}, Vec3{inf, 0, 0},
                            Vec3{0, -inf, inf}, Vec3{nan, 0, 0}, Vec3{0, nan, 1}}) {
    for (bool ortho : {false, true}) {
      appState().orthographic = ortho;
      const POINT p = vk::projectToScreen(point, client);
      EXPECT_LE(std::abs(p.x), 200000);
      EXPECT_LE(std::abs(p.y), 200000);
    }
  }
  appState().orthographic = true;
  EXPECT_EQ(vk::projectToScreen({nan, nan, nan}, client).x, 0);

  // A curve whose points lie there, drawn with its handles and the overlays.
  vk::Object& curve = addSceneObject(vk::ObjectKind::Curve, L"Far");
  curve.curveData.points.at(0).position = {1e308, -1e308, 0};
  curve.curveData.points.at(0).handleOut = {-1e308, 1e308, 1e308};
  vk::rebuildCurveData(curve);
  appState().selectedObjectId = curve.id;
  appState().workMode = vk::WorkMode::EditCurve;
  appState().selectedCurvePoints = {0};
  vktest::FrameCanvas canvas(320, 240);
  for (bool ortho : {false, true}) {
    appState().orthographic = ortho;
    canvas.draw();
  }
}

TEST_F(Projection, RoundsHalfAwayFromZero) {
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  appState().orthographic = true;
  const RECT client{0, 0, 7, 7};  // scale 22, centre (3.5, 3.92)
  EXPECT_EQ(vk::projectToScreen({0, 0, 0}, client).x, 4);   // 3.5 -> 4
  appState().viewPanX = -7.0;                                // -3.5 -> -4
  EXPECT_EQ(vk::projectToScreen({0, 0, 0}, client).x, -4);
}

TEST_F(Projection, CameraViewClampsNearAndFov) {
  vk::Object& camera = addActiveCamera();
  appState().cameraView = true;
  const RECT client{0, 0, 1600, 900};  // the 16:9 frame fills the client
  // A point behind the camera projects at the near depth instead of flipping.
  camera.camera.nearClip = 0.0;  // used as 0.001
  camera.camera.fov = 90.0;      // focal = 450
  POINT p = vk::projectToScreen({0.001, 0, -5}, client);
  EXPECT_EQ(p.x, 800 + 450);
  camera.camera.fov = 0.0;  // used as 1 degree
  const double focal1 = 900 * 0.5 / std::tan(1.0 * vk::kPi / 180.0 * 0.5);
  p = vk::projectToScreen({0.01, 0, 10}, client);
  EXPECT_EQ(p.x, 800 + std::lround(focal1 * 0.01 / 10));
  camera.camera.fov = 180.0;  // used as 179
  const double focal179 = 900 * 0.5 / std::tan(179.0 * vk::kPi / 180.0 * 0.5);
  p = vk::projectToScreen({1, 0, 1}, client);
  EXPECT_EQ(p.x, 800 + std::lround(focal179));

  // A deleted or non-camera active object falls back to the orbit view.
  camera.kind = vk::ObjectKind::Empty;
  p = vk::projectToScreen({0, 0, 0}, RECT{0, 0, 800, 600});
  EXPECT_EQ(p.x, 400);
  EXPECT_EQ(p.y, 336);
}

TEST_F(Projection, CameraFrameLetterboxes) {
  RECT f = vk::cameraFrameRect(RECT{0, 0, 1000, 1000});  // no camera: 16/9
  EXPECT_EQ(f.left, 0);
  EXPECT_EQ(f.right, 1000);
  EXPECT_EQ(f.top, 219);  // (1000 - 562.5) / 2 = 218.75
  EXPECT_EQ(f.bottom, 219 + 563);
  vk::Object& camera = addActiveCamera();
  camera.camera.aspect = 1.0;
  f = vk::cameraFrameRect(RECT{0, 0, 400, 200});  // wider: full height, centred
  EXPECT_EQ(f.left, 100);
  EXPECT_EQ(f.top, 0);
  EXPECT_EQ(f.right, 300);
  EXPECT_EQ(f.bottom, 200);
  camera.camera.aspect = 10.0;  // used as 4
  f = vk::cameraFrameRect(RECT{0, 0, 400, 400});
  EXPECT_EQ(f.top, 150);
  EXPECT_EQ(f.bottom, 250);
  camera.camera.aspect = 0.1;  // used as 0.25
  f = vk::cameraFrameRect(RECT{0, 0, 400, 400});
  EXPECT_EQ(f.left, 150);
  EXPECT_EQ(f.right, 250);
  f = vk::cameraFrameRect(RECT{0, 0, 0, 0});
  EXPECT_GE(f.left, 0);
  EXPECT_LE(f.right, 1);
  EXPECT_LE(f.bottom, 1);
}

TEST_F(Projection, AxisTipsAndWrapping) {
  const RECT client{0, 0, 800, 600};
  appState().viewYaw = 0.0;
  appState().viewPitch = 0.0;
  POINT tip = vk::projectedAxisTip(client, {0, 0, 0}, 1, 62);
  EXPECT_EQ(tip.x, 400 + 62);
  EXPECT_EQ(tip.y, 336);
  // Looking straight down Y: the handle has no screen length and falls back.
  appState().viewPitch = 90.0;
  appState().orthographic = true;
  tip = vk::projectedAxisTip(client, {0, 0, 0}, 2, 62);
  EXPECT_EQ(tip.x, 400);
  EXPECT_EQ(tip.y, 336 - 62);
  appState().viewPitch = 0.0;
  tip = vk::projectedAxisTip(client, {0, 0, 0}, 3, 64);  // Z points at the viewer
  EXPECT_EQ(tip.x, 400 - 49);
  EXPECT_EQ(tip.y, 336 + 37);

  EXPECT_DOUBLE_EQ(vk::wrapDegrees(190), -170);
  EXPECT_DOUBLE_EQ(vk::wrapDegrees(-190), 170);
  EXPECT_DOUBLE_EQ(vk::wrapDegrees(540), 180);
}

TEST_F(Projection, FaceCentreUsesOnlyValidCorners) {
  vk::Object& cube = addSceneObject(vk::ObjectKind::Mesh, L"Cube");
  cube.transform.position = {1, 0, 0};
  const RECT client{0, 0, 800, 600};
  const vk::MeshFace invalid{{-1, 99}, {}, 0};
  POINT origin = vk::projectToScreen({0, 0, 0}, client);
  POINT c = vk::faceCenterWorld(cube, invalid, client);
  EXPECT_EQ(c.x, origin.x);
  EXPECT_EQ(c.y, origin.y);
  const vk::MeshFace top{{2, 3, 6, 7}, {}, 0};  // y = 0.5 face
  c = vk::faceCenterWorld(cube, top, client);
  const POINT expected = vk::projectToScreen({1, 0.5, 0}, client);
  EXPECT_EQ(c.x, expected.x);
  EXPECT_EQ(c.y, expected.y);
}

// A frame's cached view must give the very same pixels as fresh projection.
TEST_F(Projection, FrameContextIsBitIdentical) {
  vk::Object& camera = addActiveCamera();
  camera.transform.position = {3.3, 1.7, -9.1};
  camera.transform.rotation = {12.5, -33.0, 4.25};
  const RECT client{0, 0, 1100, 645};
  for (bool cameraView : {false, true}) {
    appState().cameraView = cameraView;
    const vk::ViewContext view = vk::makeViewContext(client);
    for (int i = 0; i < 200; ++i) {
      const Vec3 p{std::sin(i * 1.3) * 7.0, std::cos(i * 0.7) * 3.0, i * 0.05 - 5.0};
      const POINT a = vk::projectToScreen(p, client);
      const POINT b = vk::projectWith(view, p);
      ASSERT_EQ(a.x, b.x);
      ASSERT_EQ(a.y, b.y);
    }
  }
}

}  // namespace
