// The new project's camera frames the starter cube: the viewport calls the
// cube in camera and the active-camera still shows it in the middle.
#include "model/objects.h"
#include "input_test_support.h"

namespace vktest {
namespace {

using NewProjectCamera = ViewportInputTest;

TEST_F(NewProjectCamera, FramesTheStarterCube) {
  vk::resetToNewProject();
  const vk::Object& cube = object(0);
  ASSERT_EQ(cube.name, L"Starter Cube");
  vk::setViewportTextRecording(true);
  FrameCanvas canvas(800, 600);
  canvas.draw();
  EXPECT_TRUE(logHas(L"IN ACTIVE CAMERA"));
  EXPECT_FALSE(logHas(L"OUT OF ACTIVE CAMERA"));

  std::wstring message;
  HBITMAP still = vk::renderStillImage(320, 180, /*fromCamera=*/true, false, message);
  ASSERT_NE(still, nullptr) << std::string(message.begin(), message.end());
  BITMAP info{};
  GetObjectW(still, sizeof info, &info);
  ASSERT_EQ(info.bmWidth, 320);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  // The cube's lit blue fills most of a small region at the centre (the
  // background is a near-black grey).
  int blue = 0, total = 0;
  for (int y = 90; y < 110; ++y) {
    for (int x = 150; x < 170; ++x, ++total) {
      const std::uint32_t p = bits[y * 320 + x];
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (b > r + 40 && b > g + 20) ++blue;
    }
  }
  EXPECT_GT(blue, total * 3 / 4);
  DeleteObject(still);
}

}  // namespace
}  // namespace vktest
