// The lit shading model: light falloff, the 64-light cap, hidden lights,
// light types and the colour blend.
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::addSceneObject;

class Lit : public ::testing::Test {
 protected:
  void SetUp() override { vktest::resetEmptyScene(); }
  static vk::Object& light(const std::wstring& type, vk::Vec3 position, double intensity = 2.0) {
    vk::Object& object = addSceneObject(ObjectKind::Light, L"Light");
    object.transform.position = position;
    object.transform.rotation = {};
    object.light = vk::LightSettings{};
    object.light.type = type;
    object.light.intensity = intensity;
    object.light.range = 10.0;
    return object;
  }
};

const vk::Vec3 kUp{0, 1, 0};

TEST_F(Lit, PointFalloffAndUnknownTypes) {
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.58);  // no objects
  vk::Object& lamp = light(L"Point", {0, 5, 0});
  // Half the range: falloff 0.5, squared a quarter.
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45);
  lamp.transform.position = {0, 10, 0};
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
  lamp.transform.position = {0, -5, 0};  // behind the face
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
  lamp.transform.position = {0, 5, 0};
  lamp.light.type = L"Torch";  // any other type text lights as a point
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45);
  lamp.light.intensity = 1000.0;  // used as 100, then the level saturates
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 1.35);
}

TEST_F(Lit, DirectionalSpotAndArea) {
  vk::Object& sun = light(L"Directional", {100, 100, 100});
  sun.transform.rotation = {90, 0, 0};  // (0,0,1) turned to point straight down
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 2.0 * 0.35, 1e-12);
  sun.visible = false;

  vk::Object& spot = light(L"Spot", {0, 5, 0});
  spot.transform.rotation = {90, 0, 0};  // aimed down at the origin
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45, 1e-12);
  EXPECT_NEAR(vk::lightContributionAt({3, 0, 0}, kUp), 0.3, 1e-12);  // outside the 35 degree cone
  spot.light.type = L"Area";
  spot.light.areaSize = 2.0;  // 0.55 + 0.45 * 2 / 5
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45 * (0.55 + 0.45 * 0.4), 1e-12);
}

TEST_F(Lit, HiddenLightsAndTheCapOfSixtyFour) {
  const std::wstring groupId = addSceneObject(ObjectKind::Group, L"Rig").id;
  light(L"Point", {0, 1, 0}).parentId = groupId;
  appState().project.scene.objects[0].visible = false;  // the parent hides the light
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.58);
  appState().project.scene.objects.clear();

  // 64 visible lights out of reach, then strong near ones that must not count.
  light(L"Point", {0, 1, 0}).visible = false;  // hidden lights do not use up the cap
  for (int i = 0; i < 64; ++i) light(L"Point", {0, 50, 0});
  for (int i = 0; i < 6; ++i) light(L"Point", {0, 1, 0}, 50.0);
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
}

TEST_F(Lit, SurfaceColourBlend) {
  for (int i = 0; i < 4; ++i) light(L"Point", {0, 1, 0}, 100.0);
  vk::Material white;
  white.r = white.g = white.b = 255;
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, true), RGB(216, 216, 218));
  white.alpha = 0.0;  // used as 0.05; the factor never drops below 0.05
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, false), RGB(28, 33, 41));
  white.alpha = 1.0;
  white.emission = 5.0;  // lifts, but only to 0.92
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, true), RGB(235, 236, 237));
}

}  // namespace
