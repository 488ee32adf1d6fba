// Light commands: type changes with their raised minimums, clamped nudges,
// and the one refusal.
#include <gtest/gtest.h>

#include "model/lights.h"
#include "scene_fixture.h"

namespace vk {
namespace {

class LightCommands : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    app().selectedObjectId = L"obj-3";
    setDirty(false);
  }
  LightSettings& light() { return object(L"obj-3").light; }
};

TEST_F(LightCommands, TypeChangesRaiseRangeAndSize) {
  light().range = 10.0;
  setSelectedLightType(L"Directional");
  EXPECT_EQ(light().type, L"Directional");
  EXPECT_DOUBLE_EQ(light().range, 50.0);
  EXPECT_EQ(app().statusText, L"●  Light type set to Directional");
  EXPECT_TRUE(app().dirty);
  light().range = 80.0;
  setSelectedLightType(L"Point");
  EXPECT_DOUBLE_EQ(light().range, 80.0);
  light().areaSize = 1.0;
  setSelectedLightType(L"Area");
  EXPECT_DOUBLE_EQ(light().areaSize, 2.0);
  EXPECT_EQ(app().undoStack.size(), 3u);

  setSelectedLightType(L"Sun");  // silently ignored
  EXPECT_EQ(light().type, L"Area");
  EXPECT_EQ(app().undoStack.size(), 3u);
}

TEST_F(LightCommands, NudgesClampAndAlwaysTakeASnapshot) {
  light().intensity = 100.0;
  adjustViewportLightControl(L"intensity", 0.25);
  EXPECT_DOUBLE_EQ(light().intensity, 100.0);
  EXPECT_EQ(app().undoStack.size(), 1u);
  EXPECT_TRUE(app().dirty);
  EXPECT_EQ(app().statusText, L"●  Light control updated");
  light().range = 0.5;
  adjustViewportLightControl(L"range", -1.0);
  EXPECT_DOUBLE_EQ(light().range, 0.1);
  adjustViewportLightControl(L"spotAngle", 5.0);
  EXPECT_DOUBLE_EQ(light().spotAngle, 40.0);  // also on a Point light
  adjustViewportLightControl(L"colour", 1.0);
  EXPECT_EQ(app().undoStack.size(), 4u);
}

TEST_F(LightCommands, OnlyALightIsAccepted) {
  object(L"obj-3").locked = true;
  adjustViewportLightControl(L"areaSize", 0.25);
  EXPECT_DOUBLE_EQ(light().areaSize, 1.25);  // a locked light is not refused

  app().selectedObjectId = L"obj-1";
  setDirty(false);
  const std::size_t snapshots = app().undoStack.size();
  setSelectedLightType(L"Spot");
  EXPECT_EQ(app().statusText, L"●  Select a light before using light controls");
  adjustViewportLightControl(L"intensity", 0.25);
  EXPECT_EQ(app().undoStack.size(), snapshots);
  EXPECT_FALSE(app().dirty);
}

}  // namespace
}  // namespace vk
