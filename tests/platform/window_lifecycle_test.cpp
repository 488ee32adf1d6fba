// Classes, creation, destruction order, deferred freeing, stale handles,
// geometry of the main window, monitors, subclass chains.
#include "window_test_support.h"

using namespace wmtest;
using Strings = std::vector<std::string>;

TEST_F(WindowTest, ClassRegistrationIsCaseInsensitiveAndRefusesDuplicates) {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = L"recordingwindow";
  EXPECT_EQ(RegisterClassExW(&wc), 0);
  wc.lpszClassName = L"PROBE";
  EXPECT_NE(RegisterClassExW(&wc), 0);
  HWND main = makeMain();
  HWND b = CreateWindowExW(0, L"probe", L"x", WS_CHILD, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
  EXPECT_NE(b, nullptr);
  wchar_t name[32];
  EXPECT_EQ(GetClassNameW(b, name, 32), 5);
  EXPECT_EQ(std::wstring(name), L"PROBE");
  EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", WS_CHILD, 0, 0, 1, 1, main, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExW(0, kClass, L"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, MainWindowFrameAndWorkArea) {
  RECT inCreate{};
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_CREATE) GetClientRect(hwnd, &inCreate);
    return std::nullopt;
  };
  HWND main = makeMain();
  EXPECT_EQ(inCreate.right, 1484);
  EXPECT_EQ(inCreate.bottom, 821);
  RECT wr, cr;
  GetWindowRect(main, &wr);
  GetClientRect(main, &cr);
  EXPECT_EQ(wr.right - wr.left, 1500);
  EXPECT_EQ(wr.bottom - wr.top, 860);
  EXPECT_EQ(cr.right, 1484);
  EXPECT_EQ(cr.bottom, 821);
  RECT adjusted{0, 0, 1484, 821};
  AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, 1500);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 860);

  MONITORINFO mi{};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &mi));
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  EXPECT_EQ(mi.rcWork.left, origin.x);
  EXPECT_EQ(mi.rcWork.top, origin.y);
  EXPECT_EQ(mi.rcWork.right - mi.rcWork.left, 1484);
  EXPECT_EQ(mi.rcMonitor.right, 1920);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONULL), nullptr);
  vk::headless::setWorkArea(RECT{0, 0, 800, 600});
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.right, 800);
  vk::headless::clearWorkArea();
  EXPECT_NE(MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONEAREST), nullptr);

  // Other top-levels are clamped inside the main client area.
  HWND tip = makePopup(main, L"tip", RECT{3000, -50, 3100, 0}, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  RECT tr;
  GetWindowRect(tip, &tr);
  EXPECT_EQ(tr.right, mi.rcWork.right);
  EXPECT_EQ(tr.top, mi.rcWork.top);
  EXPECT_EQ(tr.right - tr.left, 100);
}

TEST_F(WindowTest, CreationAndDestructionOrder) {
  HWND main = makeMain();
  HWND a = makeChild(main, L"a", RECT{0, 0, 10, 10});
  HWND a1 = makeChild(a, L"a1", RECT{0, 0, 5, 5});
  HWND b = makeChild(main, L"b", RECT{20, 0, 30, 10});
  HWND owned = makePopup(main, L"owned", RECT{0, 0, 50, 50});
  (void)a1;
  (void)b;
  watch({WM_DESTROY, WM_NCDESTROY});
  ASSERT_TRUE(DestroyWindow(main));
  EXPECT_EQ(trace(), (Strings{"owned:DESTROY", "owned:NCDESTROY", "main:DESTROY", "a:DESTROY", "a1:DESTROY",
                              "b:DESTROY", "a1:NCDESTROY", "a:NCDESTROY", "b:NCDESTROY", "main:NCDESTROY"}));
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_FALSE(DestroyWindow(main));
}

TEST_F(WindowTest, ChildrenStillExistDuringParentDestroyAndCreationMessagesAreSynchronous) {
  HWND main = makeMain();
  HWND child = makeChild(main, L"child", RECT{0, 0, 10, 10}, WS_VISIBLE, 7);
  bool childAliveInDestroy = false, handleValidInNcDestroy = false;
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_DESTROY && hwnd == main) childAliveInDestroy = IsWindow(child) && GetDlgItem(main, 7) == child;
    if (msg == WM_NCDESTROY && hwnd == child) handleValidInNcDestroy = IsWindow(child) != FALSE;
    return std::nullopt;
  };
  DestroyWindow(main);
  EXPECT_TRUE(childAliveInDestroy);
  EXPECT_TRUE(handleValidInNcDestroy);

  // A failed WM_CREATE yields no window.
  recorder().hook = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_CREATE) return -1;
    return std::nullopt;
  };
  EXPECT_EQ(CreateWindowExW(0, kClass, L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, DestroyInsideOwnProcedureIsFreedAfterTheDispatch) {
  HWND main = makeMain();
  HWND button = makeChild(main, L"button", RECT{0, 0, 10, 10}, WS_VISIBLE, 1);
  bool stillCallable = false;
  int afterCalls = 0;
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_USER && hwnd == button) {
      DestroyWindow(main);  // the Exit button closes the main window from its own click
      stillCallable = !IsWindow(button) && !IsWindow(main);
      // Calls on the dead handles fail quietly.
      RECT r{};
      EXPECT_FALSE(GetClientRect(button, &r));
      EXPECT_EQ(SendMessageW(button, WM_USER + 1, 0, 0), 0);
      EXPECT_FALSE(PostMessageW(main, WM_USER + 1, 0, 0));
      EXPECT_FALSE(ShowWindow(main, SW_SHOW));
      EXPECT_FALSE(InvalidateRect(button, nullptr, TRUE));
      EXPECT_EQ(SetFocus(button), nullptr);
      EXPECT_EQ(SetCapture(button), nullptr);
      EXPECT_EQ(GetDC(button), nullptr);
      EXPECT_EQ(SetTimer(button, 1, 10, nullptr), 0u);
      ++afterCalls;
      return 0;
    }
    return std::nullopt;
  };
  PostMessageW(button, WM_USER, 0, 0);
  PostMessageW(button, WM_USER, 0, 0);  // never delivered: the window is gone
  vk::headless::pumpUntilIdle();
  EXPECT_TRUE(stillCallable);
  EXPECT_EQ(afterCalls, 1);
  EXPECT_TRUE(vk::headless::quitReceived() == false);
  EXPECT_TRUE(vk::headless::topLevelWindows().empty());
}

TEST_F(WindowTest, StaleHandlesAreNotReused) {
  HWND main = makeMain();
  HWND a = makeChild(main, L"a", RECT{0, 0, 10, 10});
  DestroyWindow(a);
  HWND b = makeChild(main, L"b", RECT{0, 0, 10, 10});
  EXPECT_NE(a, b);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_TRUE(IsWindow(b));
  EXPECT_EQ(GetParent(a), nullptr);
  EXPECT_EQ(GetWindowTextLengthW(a), 0);
  EXPECT_FALSE(SetWindowTextW(a, L"x"));
}

TEST_F(WindowTest, TextIdsAndRelatives) {
  HWND main = makeMain();
  HWND c1 = makeChild(main, L"c1", RECT{0, 0, 10, 10}, WS_VISIBLE, 42);
  HWND c2 = makeChild(main, L"c2", RECT{0, 0, 10, 10}, WS_VISIBLE, 42);  // ids need not be unique
  EXPECT_EQ(GetDlgCtrlID(c2), 42);
  EXPECT_EQ(GetDlgItem(main, 42), c1);
  EXPECT_EQ(GetParent(c1), main);
  EXPECT_EQ(GetAncestor(c1, GA_ROOT), main);
  EXPECT_TRUE(SetWindowTextW(c1, L"Hello"));
  wchar_t buffer[4];
  EXPECT_EQ(GetWindowTextW(c1, buffer, 4), 3);
  EXPECT_EQ(std::wstring(buffer), L"Hel");
  EXPECT_EQ(GetWindowTextLengthW(c1), 5);
  EXPECT_EQ(vk::headless::findWindows(kClass, 42).size(), 2u);
  EXPECT_EQ(vk::headless::findWindow(L"", -1, L"Hello"), c1);
  EXPECT_EQ(vk::headless::describe(c2).zIndex, 1);  // first created stays on top
  SetWindowLongPtrW(c1, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongPtrW(c1, GWLP_USERDATA), 1234);
  EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)), nullptr);
  EXPECT_NE(LoadIconW(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_NE(LoadCursorW(nullptr, IDC_IBEAM), nullptr);
}

namespace {

std::vector<std::string>& subclassLog() {
  static std::vector<std::string> log;
  return log;
}

LRESULT CALLBACK outerSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
  if (msg == WM_USER) subclassLog().push_back("outer" + std::to_string(ref));
  if (msg == WM_NCDESTROY) {
    subclassLog().push_back("outer-ncdestroy");
    RemoveWindowSubclass(hwnd, outerSubclass, id);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK innerSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_USER) subclassLog().push_back("inner");
  if (msg == WM_USER + 1) return 99;  // swallowed
  if (msg == WM_NCDESTROY) {
    subclassLog().push_back("inner-ncdestroy");
    RemoveWindowSubclass(hwnd, innerSubclass, id);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

TEST_F(WindowTest, SubclassChainsRunNewestFirstAndCanBeRemovedInNcDestroy) {
  subclassLog().clear();
  HWND main = makeMain();
  HWND c = makeChild(main, L"c", RECT{0, 0, 10, 10});
  ASSERT_TRUE(SetWindowSubclass(c, innerSubclass, 1, 0));
  ASSERT_TRUE(SetWindowSubclass(c, outerSubclass, 2, 5));
  ASSERT_TRUE(SetWindowSubclass(c, outerSubclass, 2, 6));  // same pair: only the data changes
  watch({WM_USER, WM_USER + 1});
  SendMessageW(c, WM_USER, 0, 0);
  EXPECT_EQ(subclassLog(), (Strings{"outer6", "inner"}));
  EXPECT_EQ(recorder().count(c, WM_USER), 1);  // the window procedure ran last
  EXPECT_EQ(SendMessageW(c, WM_USER + 1, 0, 0), 99);
  EXPECT_EQ(recorder().count(c, WM_USER + 1), 0);

  subclassLog().clear();
  ASSERT_TRUE(RemoveWindowSubclass(c, innerSubclass, 1));
  EXPECT_FALSE(RemoveWindowSubclass(c, innerSubclass, 1));
  SendMessageW(c, WM_USER, 0, 0);
  EXPECT_EQ(subclassLog(), (Strings{"outer6"}));

  subclassLog().clear();
  ASSERT_TRUE(SetWindowSubclass(c, innerSubclass, 1, 0));
  watch({WM_NCDESTROY});
  DestroyWindow(c);
  EXPECT_EQ(subclassLog(), (Strings{"inner-ncdestroy", "outer-ncdestroy"}));
  EXPECT_EQ(recorder().count(c, WM_NCDESTROY), 1);
}

TEST_F(WindowTest, ResetBetweenRunsRemovesEverything) {
  HWND main = makeMain();
  SetTimer(main, 1, 10, nullptr);
  PostMessageW(main, WM_USER, 0, 0);
  vk::headless::start(800, 600);
  EXPECT_FALSE(IsWindow(main));
  WNDCLASSEXW again{};
  again.lpfnWndProc = DefWindowProcW;
  again.lpszClassName = L"Again";
  RegisterClassExW(&again);
  HWND fresh = CreateWindowExW(0, L"Again", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(fresh, main);  // an old run's handle never names a new window
  EXPECT_FALSE(IsWindow(main));
  DestroyWindow(fresh);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = kClass;
  EXPECT_NE(RegisterClassExW(&wc), 0);  // classes went too
}
