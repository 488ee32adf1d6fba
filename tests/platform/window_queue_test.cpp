// Retrieval order, coalescing, timers, nested loops, close requests,
// quitting and key state at message time.
#include "window_test_support.h"

using namespace wmtest;
using Strings = std::vector<std::string>;

TEST_F(WindowTest, SentBeforePostedBeforePaintBeforeTimer) {
  HWND main = makeMain();
  vk::headless::pumpUntilIdle();
  watch({WM_USER, WM_USER + 1, WM_PAINT, WM_TIMER});
  SetTimer(main, 5, 10, nullptr);
  vk::headless::advanceClock(50);
  InvalidateRect(main, nullptr, FALSE);
  PostMessageW(main, WM_USER, 0, 0);
  SendMessageW(main, WM_USER + 1, 0, 0);  // at once
  InvalidateRect(main, nullptr, FALSE);   // coalesced with the first
  PostMessageW(main, WM_USER, 0, 0);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:USER1", "main:USER", "main:USER", "main:PAINT", "main:TIMER"}));
}

TEST_F(WindowTest, TimersCoalesceRestartAndStop) {
  HWND main = makeMain();
  vk::headless::pumpUntilIdle();
  watch({WM_TIMER});
  SetTimer(main, 1, 100, nullptr);
  vk::headless::advanceClock(1000);  // ten periods pass unserved: one message
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(main, WM_TIMER), 1);
  vk::headless::pumpFor(99);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 1);
  vk::headless::pumpFor(1);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 2);
  // Setting again restarts the period.
  vk::headless::pumpFor(50);
  SetTimer(main, 1, 100, nullptr);
  vk::headless::pumpFor(99);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 2);
  vk::headless::pumpFor(1);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 3);
  // Killed while due: no message afterwards.
  vk::headless::advanceClock(500);
  EXPECT_TRUE(KillTimer(main, 1));
  vk::headless::pumpFor(1000);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 3);
  EXPECT_FALSE(KillTimer(main, 1));
  // Timers die with their window.
  SetTimer(main, 2, 10, nullptr);
  DestroyWindow(main);
  vk::headless::pumpFor(100);
  EXPECT_EQ(recorder().count(nullptr, WM_TIMER), 3);
}

TEST_F(WindowTest, PaintsCoalescePerWindowAndComeOnlyWhenNothingElseWaits) {
  HWND main = makeMain();
  HWND a = makeChild(main, L"a", RECT{0, 0, 50, 50});
  vk::headless::pumpUntilIdle();
  watch({WM_PAINT, WM_USER});
  RECT r1{0, 0, 10, 10}, r2{20, 20, 30, 30};
  InvalidateRect(a, &r1, FALSE);
  InvalidateRect(a, &r2, FALSE);
  RECT update{};
  EXPECT_TRUE(GetUpdateRect(a, &update, FALSE));
  EXPECT_EQ(update.right, 30);
  PostMessageW(a, WM_USER, 0, 0);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"a:USER", "a:PAINT"}));
  // A procedure that validates nothing is asked again; ValidateRect stops it.
  InvalidateRect(a, nullptr, FALSE);
  ValidateRect(a, nullptr);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(a, WM_PAINT), 1);
}

TEST_F(WindowTest, PostQuitEndsTheLoopOnceWithItsCode) {
  makeMain();
  PostQuitMessage(3);
  MSG msg;
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WindowTest, PeekWithoutRemovingKeepsTheMessage) {
  HWND main = makeMain();
  vk::headless::pumpUntilIdle();
  PostMessageW(main, WM_USER, 7, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, NestedLoopKeepsTimersAndPaintsButBlocksInputToDisabledWindows) {
  HWND main = makeMain();
  HWND mainChild = makeChild(main, L"mainChild", RECT{0, 0, 100, 100});
  HWND dialog = makePopup(main, L"dialog", RECT{300, 300, 500, 400}, 0, WS_POPUP | WS_CAPTION);
  HWND ok = makeChild(dialog, L"ok", RECT{10, 10, 60, 40});
  vk::headless::pumpUntilIdle();
  EnableWindow(main, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetTimer(main, 9, 100, nullptr);
  watch({WM_TIMER, WM_PAINT, WM_LBUTTONDOWN, WM_KEYDOWN, WM_CLOSE});
  bool done = false;
  int idleCalls = 0;
  vk::headless::setIdleHandler([&] {
    ++idleCalls;
    if (idleCalls == 1) {
      vk::headless::click(screenPoint(mainChild, 5, 5));  // the disabled owner's child: nothing
      vk::headless::requestClose();                       // dropped: a modal loop runs
      InvalidateRect(mainChild, nullptr, FALSE);          // paints still happen
      return true;
    }
    if (idleCalls == 2) {
      vk::headless::click(screenPoint(ok, 5, 5));
      return true;
    }
    return false;  // let the clock run to the timer
  });
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_TIMER && hwnd == main) done = true;
    return std::nullopt;
  };
  EXPECT_TRUE(vk::platform::runModalLoop([&] { return done; }));
  EXPECT_EQ(recorder().count(mainChild, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(recorder().count(ok, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(recorder().count(mainChild, WM_PAINT), 1);
  EXPECT_EQ(recorder().count(main, WM_CLOSE), 0);
  EXPECT_EQ(recorder().count(main, WM_TIMER), 1);
  EXPECT_TRUE(IsWindow(main));

  // Outside the loop and with the main window enabled, the request closes it.
  EnableWindow(main, TRUE);
  vk::headless::requestClose();
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(main, WM_CLOSE), 1);
  EXPECT_FALSE(IsWindow(main));
}

TEST_F(WindowTest, CloseRequestIsDroppedWhileTheMainWindowIsDisabled) {
  HWND main = makeMain();
  EnableWindow(main, FALSE);
  watch({WM_CLOSE});
  vk::headless::requestClose();
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(main, WM_CLOSE), 0);
}

TEST_F(WindowTest, ANestedLoopThatCanNeverWakeEndsWithQuit) {
  makeMain();
  bool quitSeen = !vk::platform::runModalLoop([] { return false; });
  EXPECT_TRUE(quitSeen);
  // The quit is posted again for the outer loop.
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(WindowTest, ImportStylePumpSeesEscapeThroughAsyncState) {
  HWND main = makeMain();
  SetFocus(main);
  vk::headless::pumpUntilIdle();
  vk::headless::keyDown(VK_ESCAPE);
  EXPECT_TRUE(GetAsyncKeyState(VK_ESCAPE) & 0x8000);  // now, before any message
  EXPECT_FALSE(GetKeyState(VK_ESCAPE) & 0x8000);      // not yet retrieved
}

TEST_F(WindowTest, KeyStateIsAsOfTheMessageBeingProcessed) {
  HWND main = makeMain();
  SetFocus(main);
  vk::headless::pumpUntilIdle();
  std::vector<bool> shiftAtKey;
  recorder().hook = [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_KEYDOWN && wParam == 'A') shiftAtKey.push_back((GetKeyState(VK_SHIFT) & 0x8000) != 0);
    return std::nullopt;
  };
  // All queued before any is processed: the later Shift release must not show.
  vk::headless::keyDown(VK_LSHIFT);
  vk::headless::pressKey('A', L"A");
  vk::headless::keyUp(VK_LSHIFT);
  vk::headless::pressKey('A', L"a");
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(shiftAtKey, (std::vector<bool>{true, false}));
  EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
}

TEST_F(WindowTest, TranslateMessageTurnsKeyTextIntoCharacters) {
  HWND main = makeMain();
  SetFocus(main);
  vk::headless::pumpUntilIdle();
  watch({WM_KEYDOWN, WM_CHAR, WM_KEYUP});
  vk::headless::pressKey('B', L"b");
  vk::headless::pressKey(VK_BACK);
  vk::headless::typeText(L"\u00e9");
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:KEYDOWN", "main:CHAR", "main:KEYUP", "main:KEYDOWN", "main:CHAR", "main:KEYUP",
                              "main:CHAR"}));
  auto chars = recorder().of(WM_CHAR);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>(L'b'));
  EXPECT_EQ(chars[1].wParam, 8u);
  EXPECT_EQ(chars[2].wParam, 0xE9u);
  // Auto-repeat sets the previous-state bit.
  watch({WM_KEYDOWN});
  vk::headless::keyDown(VK_RIGHT);
  vk::headless::keyDown(VK_RIGHT);
  vk::headless::keyUp(VK_RIGHT);
  vk::headless::pumpUntilIdle();
  auto downs = recorder().of(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_FALSE(downs[0].lParam & (1 << 30));
  EXPECT_TRUE(downs[1].lParam & (1 << 30));
}

TEST_F(WindowTest, ModalDialogDestroyedFromItsButtonsNotificationEndsTheLoop) {
  HWND main = makeMain();
  HWND dialog = makePopup(main, L"dialog", RECT{400, 300, 920, 548}, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST,
                          WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  HWND button = makeChild(dialog, L"button", RECT{20, 180, 184, 216}, WS_VISIBLE, 7101);
  int result = 0;
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_LBUTTONUP && hwnd == button) {
      // The button notifies its parent, which sets the result and destroys itself.
      SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), 0), reinterpret_cast<LPARAM>(hwnd));
      EXPECT_FALSE(IsWindow(hwnd));
      return 0;
    }
    if (msg == WM_COMMAND && hwnd == dialog) {
      result = LOWORD(wParam);
      DestroyWindow(hwnd);
      return 0;
    }
    return std::nullopt;
  };
  EnableWindow(main, FALSE);
  ShowWindow(dialog, SW_SHOWNORMAL);
  UpdateWindow(dialog);
  SetForegroundWindow(dialog);
  SetFocus(dialog);
  EXPECT_EQ(GetActiveWindow(), dialog);
  vk::headless::setIdleHandler([&] {
    vk::headless::click(screenPoint(button, 10, 10));
    return true;
  });
  EXPECT_TRUE(vk::platform::runModalLoop([&] { return result != 0; }));
  EXPECT_EQ(result, 7101);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(button));
  EXPECT_EQ(GetActiveWindow(), nullptr);  // the owner is still disabled
  EnableWindow(main, TRUE);
  SetForegroundWindow(main);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetFocus(), main);
}

TEST_F(WindowTest, FiltersTimerProceduresAndLoopsStartedWhileInputIsCooked) {
  HWND main = makeMain();
  HWND a = makeChild(main, L"a", RECT{0, 0, 10, 10});
  HWND b = makeChild(main, L"b", RECT{20, 0, 30, 10});
  vk::headless::pumpUntilIdle();
  PostMessageW(a, WM_USER, 1, 0);
  PostMessageW(b, WM_USER, 2, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessageW(&msg, main, 0, 0, PM_REMOVE));  // children match their parent's filter
  EXPECT_EQ(msg.wParam, 1u);

  static int procCalls = 0;
  procCalls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) { ++procCalls; });
  EXPECT_NE(id, 0u);
  vk::headless::pumpFor(95);
  EXPECT_EQ(procCalls, 3);
  KillTimer(nullptr, id);

  // A modal loop run from the activation a click causes sees the click once, afterwards.
  HWND popup = makePopup(main, L"popup", RECT{500, 500, 600, 600}, 0, WS_POPUP | WS_VISIBLE);
  SetForegroundWindow(popup);
  vk::headless::pumpUntilIdle();
  watch({WM_LBUTTONDOWN});
  bool ranLoop = false;
  recorder().hook = [&](HWND hwnd, UINT m, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_ACTIVATE && hwnd == main && LOWORD(wParam) != WA_INACTIVE && !ranLoop) {
      ranLoop = true;
      int turns = 0;
      vk::platform::runModalLoop([&] { return ++turns > 3; });
      EXPECT_EQ(recorder().count(a, WM_LBUTTONDOWN), 0);
    }
    return std::nullopt;
  };
  vk::headless::setIdleHandler([main] { return PostMessageW(main, WM_USER + 1, 0, 0) != FALSE; });
  vk::headless::click(screenPoint(a, 2, 2));
  vk::headless::pumpUntilIdle();
  EXPECT_TRUE(ranLoop);
  EXPECT_EQ(recorder().count(a, WM_LBUTTONDOWN), 1);
}

TEST_F(WindowTest, TopmostWindowsStayAboveAndHidingTheActiveOneReactivatesItsOwner) {
  HWND main = makeMain();
  HWND topmost = makePopup(main, L"topmost", RECT{0, 0, 50, 50}, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE);
  HWND dialog = makePopup(main, L"dialog", RECT{100, 100, 200, 200}, 0, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(GetActiveWindow(), dialog);
  auto order = vk::headless::topLevelWindows();
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0], topmost);
  EXPECT_EQ(order[1], dialog);
  EXPECT_EQ(order[2], main);
  ShowWindow(dialog, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetFocus(), main);
  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(vk::headless::topLevelWindows()[0], topmost);
}

TEST_F(WindowTest, ModalLoopFilterSwallowsWhatAMenuTakes) {
  HWND main = makeMain();
  SetFocus(main);
  vk::headless::pumpUntilIdle();
  watch({WM_KEYDOWN, WM_CHAR, WM_USER});
  std::vector<WPARAM> taken;
  vk::headless::pressKey(VK_DOWN);
  vk::headless::pressKey('X', L"x");
  PostMessageW(main, WM_USER, 0, 0);
  EXPECT_TRUE(vk::platform::runModalLoop(
      [&] { return taken.size() == 2; },
      [&](const MSG& m) {
        if (m.message != WM_KEYDOWN) return false;
        taken.push_back(m.wParam);
        return true;
      }));
  EXPECT_EQ(taken, (std::vector<WPARAM>{VK_DOWN, 'X'}));
  EXPECT_EQ(recorder().count(main, WM_KEYDOWN), 0);
  EXPECT_EQ(recorder().count(main, WM_CHAR), 0);  // swallowed keys are not translated
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(main, WM_USER), 1);
}
