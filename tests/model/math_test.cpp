// Rotation convention, object-to-world mapping and the camera visibility
// tests behind the "in active camera" overlay.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/app_state.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {
namespace {

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-9) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(MathRotation, AppliesYThenXThenZ) {
  expectNear(rotateEulerDegrees({1, 0, 0}, {0, 90, 0}), {0, 0, -1});
  expectNear(rotateEulerDegrees({0, 0, 1}, {90, 0, 0}), {0, -1, 0});
  expectNear(rotateEulerDegrees({1, 0, 0}, {0, 0, 90}), {0, 1, 0});
  // Y first: (1,0,0) -> (0,0,-1); then X by 90 -> (0,1,0); then Z by 90 -> (-1,0,0).
  expectNear(rotateEulerDegrees({1, 0, 0}, {90, 90, 90}), {-1, 0, 0});
  // The other order (X first) would leave (1,0,0) on the X axis before Y/Z.
  expectNear(rotateEulerDegrees({0, 1, 0}, {90, 90, 0}), {0, 0, 1});
}

TEST(MathRotation, InverseRoundTripsArbitraryAngles) {
  const Vec3 v{0.3, -1.7, 2.25};
  for (const Vec3& r : {Vec3{10, 20, 30}, Vec3{-135, 47, 280}, Vec3{89.9, -720, 0.5}}) {
    expectNear(inverseRotateEuler(rotateEulerDegrees(v, r), r), v, 1e-12);
    expectNear(rotateEulerDegrees(inverseRotateEuler(v, r), r), v, 1e-12);
  }
}

TEST(MathTransform, WorldPointScalesThenRotatesThenTranslates) {
  Object o;
  o.transform.position = {1, 2, 3};
  o.transform.rotation = {0, 90, 0};
  o.transform.scale = {2, 1, 1};
  expectNear(objectWorldPoint(o, {1, 0, 0}), {1, 2, 1});

  expectNear(vec3Normalize({0, 0, 0}), {0, 1, 0});
  expectNear(vec3Normalize({3, 0, 4}), {0.6, 0, 0.8});
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>{{-1, 0, 0}, {1, 0, 0}};
  expectNear(safeDirectionTo(mesh, {0, 0, 0}), {0, 1, 0});
  expectNear(safeDirectionTo(mesh, {0, 0, 2}), {0, 0, 1});
  expectNear(safeDirectionTo(MeshData{}, {0, 5, 0}), {0, 1, 0});
}

TEST(MathCamera, VisibilityClampsNearFarFovAndAspect) {
  Object cam;
  cam.kind = ObjectKind::Camera;
  EXPECT_TRUE(pointVisibleToCamera(cam, {0, 0, 5}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {0, 0, -5}, 1.0));

  cam.camera.nearClip = 0;  // used as 0.001
  EXPECT_TRUE(pointVisibleToCamera(cam, {0, 0, 0.002}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {0, 0, 0.0005}, 1.0));

  cam.camera.nearClip = 10;
  cam.camera.farClip = 1;  // below near: used as near + 0.01
  EXPECT_TRUE(pointVisibleToCamera(cam, {0, 0, 10.005}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {0, 0, 10.02}, 1.0));

  cam.camera = CameraSettings{};
  cam.camera.farClip = 1e9;  // used as 100000
  EXPECT_TRUE(pointVisibleToCamera(cam, {0, 0, 99999}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {0, 0, 100001}, 1.0));

  // fov 90 at distance 10: half height 10, half width 10 * aspect.
  cam.camera = CameraSettings{};
  cam.camera.fov = 90;
  cam.camera.aspect = 100;  // used as 4
  EXPECT_TRUE(pointVisibleToCamera(cam, {39.9, 0, 10}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {40.1, 0, 10}, 1.0));
  cam.camera.fov = 500;  // used as 179
  EXPECT_TRUE(pointVisibleToCamera(cam, {0, 1000, 10}, 1.0));

  // The 1.08 margin widens the frustum by 8 percent.
  cam.camera = CameraSettings{};
  cam.camera.fov = 90;
  cam.camera.aspect = 1;
  EXPECT_FALSE(pointVisibleToCamera(cam, {10.5, 0, 10}, 1.0));
  EXPECT_TRUE(pointVisibleToCamera(cam, {10.5, 0, 10}, 1.08));
  EXPECT_FALSE(pointVisibleToCamera(cam, {10.9, 0, 10}, 1.08));

  // A turned camera looks along its rotated +Z.
  cam.transform.rotation = {0, 90, 0};
  EXPECT_TRUE(pointVisibleToCamera(cam, {5, 0, 0}, 1.0));
  EXPECT_FALSE(pointVisibleToCamera(cam, {0, 0, 5}, 1.0));
}

class MathCameraScene : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

TEST_F(MathCameraScene, ObjectInCameraUsesBoundsAndEffectiveVisibility) {
  Object cam;
  cam.kind = ObjectKind::Camera;
  cam.camera.fov = 90;
  cam.camera.aspect = 1;

  Object cube;
  cube.id = L"obj-1";
  initMeshData(cube);
  cube.transform.position = {12, 0, 10};  // centre outside, near corner x = 11.5 > 10.8
  appState().project.scene.objects.push_back(cube);
  EXPECT_FALSE(objectVisibleInCamera(cam, cube));
  cube.transform.position = {11.2, 0, 10};  // corner at 10.7 lies within the margin
  EXPECT_TRUE(objectVisibleInCamera(cam, cube));

  // Hidden through a hidden parent: never in the camera.
  Object parent;
  parent.id = L"obj-2";
  parent.visible = false;
  appState().project.scene.objects.push_back(parent);
  cube.parentId = L"obj-2";
  cube.transform.position = {0, 0, 10};
  EXPECT_FALSE(objectVisibleInCamera(cam, cube));
}

TEST(MathMisc, RenderSourceAndFractionalPart) {
  EXPECT_TRUE(renderSourceIsCamera(L"Camera"));
  EXPECT_TRUE(renderSourceIsCamera(L"ActiveCamera"));
  EXPECT_FALSE(renderSourceIsCamera(L"activecamera"));
  EXPECT_FALSE(renderSourceIsCamera(L"Viewport"));

  EXPECT_DOUBLE_EQ(fractionalPart(-0.25), 0.75);
  EXPECT_DOUBLE_EQ(fractionalPart(2.0), 0.0);
  EXPECT_DOUBLE_EQ(fractionalPart(0.9999999), 0.999999);
  EXPECT_DOUBLE_EQ(fractionalPart(-1e-20), 0.999999);  // rounds up to 1, clamped below it
  EXPECT_TRUE(std::isnan(fractionalPart(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
}  // namespace vk
