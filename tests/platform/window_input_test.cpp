// Mouse routing, capture, double clicks, wheel and context-menu bubbling,
// hover leave, cursors, activation and focus.
#include "window_test_support.h"

using namespace wmtest;
using Strings = std::vector<std::string>;

namespace {

struct CaptureFixture : WindowTest {
  HWND main = nullptr, a = nullptr, b = nullptr;
  void SetUp() override {
    WindowTest::SetUp();
    main = makeMain();
    a = makeChild(main, L"a", RECT{0, 0, 100, 100});
    b = makeChild(main, L"b", RECT{200, 0, 300, 100});
    vk::headless::pumpUntilIdle();
    watch({WM_CAPTURECHANGED});
  }
  void expectLost(HWND who, LPARAM newOwner) {
    auto changes = recorder().of(WM_CAPTURECHANGED);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].hwnd, who);
    EXPECT_EQ(changes[0].lParam, newOwner);
    EXPECT_NE(GetCapture(), who);
  }
};

}  // namespace

TEST_F(CaptureFixture, ReleasedOrTakenByAnotherWindow) {
  SetCapture(a);
  EXPECT_TRUE(vk::headless::mouseCaptured());
  EXPECT_EQ(SetCapture(a), a);  // again: no message
  EXPECT_TRUE(recorder().log.empty());
  SetCapture(b);
  expectLost(a, reinterpret_cast<LPARAM>(b));
  recorder().log.clear();
  ReleaseCapture();
  expectLost(b, 0);
  EXPECT_FALSE(vk::headless::mouseCaptured());
}

TEST_F(CaptureFixture, HiddenDestroyedOrDisabled) {
  SetCapture(a);
  ShowWindow(a, SW_HIDE);
  expectLost(a, 0);
  recorder().log.clear();
  SetCapture(b);
  DestroyWindow(b);
  expectLost(b, 0);
  recorder().log.clear();
  ShowWindow(a, SW_SHOW);
  SetCapture(a);
  EnableWindow(a, FALSE);
  expectLost(a, 0);
}

TEST_F(CaptureFixture, HidingAnAncestorEndsTheCaptureOfADescendant) {
  HWND inner = makeChild(a, L"inner", RECT{0, 0, 10, 10});
  SetCapture(inner);
  ShowWindow(a, SW_HIDE);
  expectLost(inner, 0);
}

TEST_F(CaptureFixture, DeactivationAndModalLoops) {
  HWND other = makePopup(main, L"other", RECT{500, 500, 600, 600}, 0, WS_POPUP | WS_VISIBLE);
  vk::headless::activate(main);
  vk::headless::pumpUntilIdle();
  SetCapture(a);
  vk::headless::activate(other);
  vk::headless::pumpUntilIdle();
  expectLost(a, 0);
  recorder().log.clear();
  SetCapture(b);
  vk::platform::runModalLoop([] { return true; });
  expectLost(b, 0);
}

TEST_F(CaptureFixture, CapturedMouseMessagesGoToTheCaptureWithNegativeCoordinates) {
  watch({WM_MOUSEMOVE, WM_LBUTTONUP});
  SetCapture(a);
  POINT far = screenPoint(a, -30, 500);  // left of the window, below the client area
  vk::headless::mouseMove(far);
  vk::headless::mouseUp(far);
  vk::headless::pumpUntilIdle();
  auto moves = recorder().of(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), -30);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 500);
  EXPECT_EQ(recorder().count(a, WM_LBUTTONUP), 1);
}

TEST_F(WindowTest, HitTestingSkipsHiddenAndDisabledChildren) {
  HWND main = makeMain();
  HWND top = makeChild(main, L"top", RECT{0, 0, 100, 100}, WS_VISIBLE | WS_DISABLED);
  HWND below = makeChild(main, L"below", RECT{0, 0, 100, 100});
  HWND hidden = makeChild(main, L"hidden", RECT{200, 0, 300, 100}, 0);
  makeChild(below, L"label", RECT{10, 10, 20, 20});
  vk::headless::pumpUntilIdle();
  watch({WM_LBUTTONDOWN});
  vk::headless::click(screenPoint(below, 50, 50));
  vk::headless::click(screenPoint(below, 15, 15));
  vk::headless::click(screenPoint(main, 250, 50));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"below:LBUTTONDOWN", "label:LBUTTONDOWN", "main:LBUTTONDOWN"}));
  (void)top;
  (void)hidden;
  // Coordinates are client coordinates with the key flags.
  auto downs = recorder().of(WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(downs[1].lParam), 5);
  EXPECT_EQ(downs[1].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
}

TEST_F(WindowTest, DoubleClickBoundaries) {
  HWND main = makeMain();
  HWND plain = makeChild(main, L"plain", RECT{0, 0, 100, 100});
  HWND dbl = makeChild(main, L"dbl", RECT{200, 0, 300, 100}, WS_VISIBLE, 0, kDblClass);
  vk::headless::pumpUntilIdle();
  watch({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
  auto twoClicks = [&](HWND w, POINT first, POINT second, std::uint64_t gap) {
    recorder().log.clear();
    vk::headless::click(screenPoint(w, first.x, first.y));
    vk::headless::advanceClock(gap);
    vk::headless::click(screenPoint(w, second.x, second.y));
    vk::headless::pumpUntilIdle();
    vk::headless::advanceClock(1000);  // forget the pair
    return trace();
  };
  EXPECT_EQ(twoClicks(dbl, {50, 50}, {50, 50}, 500), (Strings{"dbl:LBUTTONDOWN", "dbl:LBUTTONDBLCLK"}));
  EXPECT_EQ(twoClicks(dbl, {50, 50}, {50, 50}, 501), (Strings{"dbl:LBUTTONDOWN", "dbl:LBUTTONDOWN"}));
  EXPECT_EQ(twoClicks(dbl, {50, 50}, {52, 48}, 100), (Strings{"dbl:LBUTTONDOWN", "dbl:LBUTTONDBLCLK"}));
  EXPECT_EQ(twoClicks(dbl, {50, 50}, {53, 50}, 100), (Strings{"dbl:LBUTTONDOWN", "dbl:LBUTTONDOWN"}));
  EXPECT_EQ(twoClicks(plain, {50, 50}, {50, 50}, 100), (Strings{"plain:LBUTTONDOWN", "plain:LBUTTONDOWN"}));
  // A third quick press starts a new pair.
  recorder().log.clear();
  for (int i = 0; i < 3; ++i) vk::headless::click(screenPoint(dbl, 50, 50));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"dbl:LBUTTONDOWN", "dbl:LBUTTONDBLCLK", "dbl:LBUTTONDOWN"}));
  // The second press on another window is a plain press there.
  vk::headless::advanceClock(1000);
  recorder().log.clear();
  vk::headless::click(screenPoint(plain, 99, 50));
  vk::headless::click(screenPoint(dbl, 0, 50));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"plain:LBUTTONDOWN", "dbl:LBUTTONDOWN"}));
}

TEST_F(WindowTest, WheelAndContextMenuBubbleToParents) {
  HWND main = makeMain();
  HWND panel = makeChild(main, L"panel", RECT{0, 0, 200, 200});
  HWND leaf = makeChild(panel, L"leaf", RECT{10, 10, 50, 50});
  vk::headless::pumpUntilIdle();
  watch({WM_MOUSEWHEEL, WM_CONTEXTMENU});
  POINT p = screenPoint(leaf, 5, 6);
  vk::headless::wheel(p, -120);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"leaf:MOUSEWHEEL", "panel:MOUSEWHEEL", "main:MOUSEWHEEL"}));
  auto wheels = recorder().of(WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[2].wParam), -120);
  EXPECT_EQ(GET_X_LPARAM(wheels[2].lParam), p.x);  // screen coordinates

  recorder().log.clear();
  vk::headless::click(p, vk::headless::Button::Right);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"leaf:CONTEXTMENU", "panel:CONTEXTMENU", "main:CONTEXTMENU"}));
  auto menus = recorder().of(WM_CONTEXTMENU);
  EXPECT_EQ(menus[2].wParam, reinterpret_cast<WPARAM>(leaf));
  EXPECT_EQ(GET_X_LPARAM(menus[2].lParam), p.x);
  EXPECT_EQ(GET_Y_LPARAM(menus[2].lParam), p.y);

  // A parent that handles it stops the bubbling.
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_MOUSEWHEEL && hwnd == panel) return 0;
    return std::nullopt;
  };
  recorder().log.clear();
  vk::headless::wheel(p, 240);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"leaf:MOUSEWHEEL", "panel:MOUSEWHEEL"}));
}

TEST_F(WindowTest, KeyboardContextMenuAndAltF4) {
  HWND main = makeMain();
  HWND list = makeChild(main, L"list", RECT{0, 0, 100, 100});
  SetFocus(list);
  vk::headless::pumpUntilIdle();
  watch({WM_CONTEXTMENU, WM_CLOSE});
  vk::headless::pressKey(VK_APPS);
  vk::headless::keyDown(VK_LSHIFT);
  vk::headless::pressKey(VK_F10);
  vk::headless::keyUp(VK_LSHIFT);
  vk::headless::pressKey(VK_F10);  // without Shift: nothing
  vk::headless::pumpUntilIdle();
  auto menus = recorder().of(WM_CONTEXTMENU);
  ASSERT_EQ(menus.size(), 4u);  // two keys, each seen by the list then the main window
  EXPECT_EQ(menus[0].hwnd, list);
  EXPECT_EQ(menus[0].lParam, MAKELPARAM(0xFFFF, 0xFFFF));
  EXPECT_EQ(GET_X_LPARAM(menus[0].lParam), -1);

  // Alt+F4 from inside a nested loop is dropped like the title-bar close.
  bool pressed = false;
  vk::headless::setIdleHandler([&] {
    if (pressed) return false;
    pressed = true;
    vk::headless::keyDown(VK_LMENU);
    vk::headless::pressKey(VK_F4);
    vk::headless::keyUp(VK_LMENU);
    return true;
  });
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_USER && hwnd == main) {
      MSG waiting;
      EXPECT_TRUE(vk::platform::runModalLoop(
          [&] { return pressed && !PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE); }));
      return 0;
    }
    return std::nullopt;
  };
  SendMessageW(main, WM_USER, 0, 0);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(recorder().count(main, WM_CLOSE), 0);
  recorder().hook = nullptr;

  // Alt+F4 closes the top-level of the focus window.
  vk::headless::keyDown(VK_LMENU);
  vk::headless::pressKey(VK_F4);
  vk::headless::keyUp(VK_LMENU);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(main, WM_CLOSE), 1);
  EXPECT_FALSE(IsWindow(main));
}

TEST_F(WindowTest, KeysGoOnlyToTheFocusWindowAndNeverToItsParent) {
  HWND main = makeMain();
  HWND viewport = makeChild(main, L"viewport", RECT{0, 0, 100, 100});
  HWND disabledEdit = makeChild(main, L"edit", RECT{200, 0, 300, 20}, WS_VISIBLE | WS_DISABLED);
  watch({WM_KEYDOWN, WM_SETFOCUS, WM_KILLFOCUS});
  SetFocus(viewport);
  EXPECT_EQ(GetFocus(), viewport);
  vk::headless::pressKey(VK_F6);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:KILLFOCUS", "viewport:SETFOCUS", "viewport:KEYDOWN"}));
  recorder().log.clear();
  SetFocus(disabledEdit);  // focus can move there, but no key reaches it
  vk::headless::pressKey(VK_F6);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"viewport:KILLFOCUS", "edit:SETFOCUS"}));
  EXPECT_EQ(recorder().of(WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(disabledEdit));
}

TEST_F(WindowTest, ActivationFocusesTheTopLevelAndNoActivatePopupsNeverTakeIt) {
  HWND main = makeMain();
  HWND child = makeChild(main, L"child", RECT{0, 0, 100, 100});
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetFocus(), main);
  HWND tip = makePopup(main, L"tip", RECT{400, 400, 500, 420}, WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  SetWindowPos(tip, HWND_TOPMOST, 400, 400, 100, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(vk::headless::topLevelWindows().front(), tip);
  // A click on the tip reaches it without activating it.
  watch({WM_LBUTTONDOWN, WM_ACTIVATE});
  vk::headless::click(screenPoint(tip, 5, 5));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"tip:LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetFocus(), main);

  // A dialog activates; the click that activates the main window again is delivered.
  HWND dialog = makePopup(main, L"dialog", RECT{600, 300, 800, 400}, 0, WS_POPUP | WS_CAPTION | WS_VISIBLE);
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(GetFocus(), dialog);
  recorder().log.clear();
  vk::headless::click(screenPoint(child, 5, 5));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(trace(), (Strings{"dialog:ACTIVATE", "main:ACTIVATE", "child:LBUTTONDOWN"}));
  EXPECT_EQ(LOWORD(recorder().of(WM_ACTIVATE)[1].wParam), WA_CLICKACTIVE);
  // Owned windows stay above their owner when it comes to the front.
  auto order = vk::headless::topLevelWindows();
  auto pos = [&](HWND h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
  EXPECT_LT(pos(dialog), pos(main));
  EXPECT_LT(pos(tip), pos(dialog));
}

TEST_F(WindowTest, MouseLeaveOncePerArmingAndCursorFromClassOrParent) {
  HWND main = makeMain();
  HWND label = makeChild(main, L"label", RECT{0, 0, 100, 100});
  HWND view = makeChild(main, L"view", RECT{200, 0, 300, 100}, WS_VISIBLE, 0, kDblClass);
  vk::headless::pumpUntilIdle();
  watch({WM_MOUSELEAVE});
  vk::headless::mouseMove(screenPoint(label, 5, 5));
  vk::headless::pumpUntilIdle();
  TRACKMOUSEEVENT tme{};
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = label;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  vk::headless::mouseMove(screenPoint(label, 6, 6));
  vk::headless::mouseMove(screenPoint(view, 5, 5));
  vk::headless::mouseMove(screenPoint(label, 5, 5));
  vk::headless::mouseMove(screenPoint(view, 5, 5));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(label, WM_MOUSELEAVE), 1);
  EXPECT_EQ(vk::headless::cursorShape(), 32515);  // the cross of the view's class
  vk::headless::mouseMove(screenPoint(label, 5, 5));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::cursorShape(), 32512);
  // A parent answering WM_SETCURSOR decides for its children.
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_SETCURSOR && hwnd == main) {
      SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
      return TRUE;
    }
    return std::nullopt;
  };
  vk::headless::mouseMove(screenPoint(view, 6, 6));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::cursorShape(), 32644);
}

TEST_F(WindowTest, PendingMouseMovesCollapseIntoTheLatest) {
  HWND main = makeMain();
  vk::headless::pumpUntilIdle();
  watch({WM_MOUSEMOVE, WM_LBUTTONDOWN});
  for (int i = 0; i < 5; ++i) vk::headless::mouseMove(screenPoint(main, 10 + i, 10));
  vk::headless::mouseDown(screenPoint(main, 14, 10));
  vk::headless::mouseMove(screenPoint(main, 30, 10));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:MOUSEMOVE", "main:LBUTTONDOWN", "main:MOUSEMOVE"}));
  EXPECT_EQ(GET_X_LPARAM(recorder().log[0].lParam), 14);
  EXPECT_EQ(GET_X_LPARAM(recorder().log[2].lParam), 30);
}
