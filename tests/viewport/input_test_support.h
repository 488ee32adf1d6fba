// A viewport window alone on the headless screen, driven by injected mouse
// and key input, over scenes built in code with a flat front view
// (orthographic, yaw 0, pitch 0) where world x and y map straight to pixels.
#pragma once

#include "model/undo.h"
#include "platform/headless.h"
#include "viewport/interaction.h"
#include "viewport_test_support.h"

namespace vktest {

class ViewportInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    resetEmptyScene();
    WNDCLASSEXW wc{};
    wc.lpfnWndProc = vk::ViewportWndProc;
    wc.lpszClassName = L"VeltraskStudioPhase62Viewport";
    ASSERT_NE(RegisterClassExW(&wc), 0);
    viewport = CreateWindowExW(0, L"VeltraskStudioPhase62Viewport", L"", WS_POPUP | WS_VISIBLE, 40, 30, 800, 600,
                               nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(viewport, nullptr);
    vk::appState().ui.viewport = viewport;
    vk::headless::pumpUntilIdle();
  }
  void TearDown() override { vk::headless::stop(); }

  static vk::AppState& app() { return vk::appState(); }
  RECT client() const { return vk::viewportClientRect(); }
  POINT screen(POINT p) const {
    ClientToScreen(viewport, &p);
    return p;
  }
  POINT project(const vk::Vec3& p) const { return vk::projectToScreen(p, client()); }

  void frontView(double zoom = 1.0) {
    app().orthographic = true;
    app().viewYaw = 0.0;
    app().viewPitch = 0.0;
    app().viewZoom = zoom;
  }
  void press(POINT p, vk::headless::Button b = vk::headless::Button::Left) {
    vk::headless::mouseMove(screen(p));
    vk::headless::mouseDown(screen(p), b);
    vk::headless::pumpUntilIdle();
  }
  void moveTo(POINT p) {
    vk::headless::mouseMove(screen(p));
    vk::headless::pumpUntilIdle();
  }
  void release(POINT p, vk::headless::Button b = vk::headless::Button::Left) {
    vk::headless::mouseUp(screen(p), b);
    vk::headless::pumpUntilIdle();
  }
  void drag(POINT from, POINT to, vk::headless::Button b = vk::headless::Button::Left) {
    press(from, b);
    moveTo(to);
    release(to, b);
  }
  void click(POINT p) { drag(p, p); }
  void key(UINT vk, bool ctrl = false, bool shift = false) {
    if (ctrl) vk::headless::keyDown(VK_LCONTROL);
    if (shift) vk::headless::keyDown(VK_LSHIFT);
    vk::headless::pressKey(vk);
    if (shift) vk::headless::keyUp(VK_LSHIFT);
    if (ctrl) vk::headless::keyUp(VK_LCONTROL);
    vk::headless::pumpUntilIdle();
  }
  void holdShift(bool down) {
    if (down) vk::headless::keyDown(VK_LSHIFT);
    else vk::headless::keyUp(VK_LSHIFT);
    vk::headless::pumpUntilIdle();
  }
  vk::Object& select(vk::Object& object) {
    app().selectedObjectId = object.id;
    return object;
  }
  vk::Object& object(std::size_t index) { return app().project.scene.objects[index]; }

  HWND viewport = nullptr;
};

inline POINT offset(POINT p, int dx, int dy) { return POINT{p.x + dx, p.y + dy}; }

}  // namespace vktest
