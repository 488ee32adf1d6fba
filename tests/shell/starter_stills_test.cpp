// Every scene starter's still through its own camera shows its hero object:
// the hero's pixels follow the hero's colour, whatever the starter adds
// around it (floors, pedestals, a backdrop added after the hero).
#include <gtest/gtest.h>

#include "model/objects.h"
#include "presets/applies.h"
#include "presets/catalogs.h"
#include "viewport/viewport.h"

namespace vk {
namespace {

// A fresh new project each time, no windows.
class StarterStills : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();
  }
  void TearDown() override { appState() = AppState{}; }
  static Scene& scene() { return appState().project.scene; }
};

std::vector<std::uint32_t> cameraStill(int w, int h) {
  std::wstring message;
  HBITMAP still = renderStillImage(w, h, /*fromCamera=*/true, /*crop=*/true, message);
  EXPECT_NE(still, nullptr);
  if (!still) return {};
  BITMAP info{};
  GetObjectW(still, sizeof info, &info);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  std::vector<std::uint32_t> pixels(bits, bits + static_cast<std::size_t>(w) * h);
  DeleteObject(still);
  return pixels;
}

TEST_F(StarterStills, EachStarterCameraShowsItsHeroObject) {
  for (const SceneStarter& starter : sceneStarterCatalog()) {
    SCOPED_TRACE(std::string(starter.id.begin(), starter.id.end()));
    SetUp();
    ASSERT_TRUE(applySceneStarterCapsule(starter.id, false));
    Object& hero = scene().objects[3];
    ASSERT_EQ(hero.name, starter.objects.front().name);
    const int w = 320, h = 180;
    const std::vector<std::uint32_t> before = cameraStill(w, h);
    // Magenta: no other object of any starter is near it.
    for (Material& slot : hero.materialSlots.slots) slot.r = 255, slot.g = 0, slot.b = 255;
    const std::vector<std::uint32_t> after = cameraStill(w, h);
    ASSERT_EQ(before.size(), after.size());
    int heroPixels = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
      const int r = (after[i] >> 16) & 0xFF, g = (after[i] >> 8) & 0xFF, b = after[i] & 0xFF;
      if (before[i] != after[i] && r > g + 20 && b > g + 20) ++heroPixels;
    }
    // The smallest hero (the turntable's ring, seen through its hole) covers
    // about 480 pixels of 57600.
    EXPECT_GT(heroPixels, w * h / 200);
  }
}

}  // namespace
}  // namespace vk
