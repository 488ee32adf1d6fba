// The viewport window's paint: one double-buffered frame of the whole
// client area, no background erase.
#include "platform/headless.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;

class ViewportWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    vktest::resetEmptyScene();
    WNDCLASSEXW wc{};
    wc.lpfnWndProc = vk::ViewportWndProc;
    wc.lpszClassName = L"VeltraskStudioPhase62Viewport";
    ASSERT_NE(RegisterClassExW(&wc), 0);
  }
  void TearDown() override { vk::headless::stop(); }
};

TEST_F(ViewportWindow, PaintsTheFrameIntoTheWholeClientArea) {
  HWND viewport = CreateWindowExW(0, L"VeltraskStudioPhase62Viewport", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  640, 400, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(viewport, nullptr);
  appState().ui.viewport = viewport;
  vktest::addSceneObject(vk::ObjectKind::Mesh, L"Cube");
  UpdateWindow(viewport);
  vk::headless::pumpUntilIdle();
  const vk::headless::Image image = vk::headless::windowPixels(viewport);
  RECT client{};
  GetClientRect(viewport, &client);
  ASSERT_EQ(image.width, client.right);
  // The same frame drawn off screen gives the same pixels.
  vktest::FrameCanvas canvas(client.right, client.bottom);
  canvas.draw();
  for (int y = 0; y < image.height; y += 7) {
    for (int x = 0; x < image.width; x += 5) ASSERT_EQ(image.at(x, y), canvas.pixel(x, y)) << x << "," << y;
  }
  EXPECT_EQ(SendMessageW(viewport, WM_ERASEBKGND, 0, 0), 1);

  // The still render takes its drawing context from the viewport window.
  std::wstring message;
  HBITMAP still = vk::renderStillImage(64, 64, false, false, message);
  EXPECT_NE(still, nullptr);
  DeleteObject(still);
}

}  // namespace
