// Visibility, invalidation reach, paint structures, clipping of children
// and siblings, composition of top-levels, geometry changes.
#include <algorithm>
#include <cstdio>

#include "window_test_support.h"
#include "test_temp_folder.h"

using namespace wmtest;
using Strings = std::vector<std::string>;

namespace {

constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kYellow = RGB(230, 230, 0);

}  // namespace

TEST_F(WindowTest, VisibilityThroughAncestors) {
  HWND main = makeMain();
  HWND panel = makeChild(main, L"panel", RECT{0, 0, 100, 100}, 0);
  HWND leaf = makeChild(panel, L"leaf", RECT{0, 0, 10, 10});
  EXPECT_FALSE(IsWindowVisible(leaf));
  EXPECT_TRUE(GetWindowLongW(leaf, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(ShowWindow(panel, SW_SHOW));  // was hidden
  EXPECT_TRUE(IsWindowVisible(leaf));
  ShowWindow(main, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(leaf));
  EXPECT_FALSE(vk::headless::describe(leaf).visible);
  EXPECT_FALSE(IsWindowVisible(nullptr));
}

TEST_F(WindowTest, EnablingSendsWmEnableAndIsTheWindowsOwnFlag) {
  HWND main = makeMain();
  HWND child = makeChild(main, L"child", RECT{0, 0, 10, 10});
  watch({WM_ENABLE});
  EXPECT_FALSE(EnableWindow(main, FALSE));
  EXPECT_TRUE(EnableWindow(main, FALSE));  // already disabled: no second message
  EXPECT_FALSE(IsWindowEnabled(main));
  EXPECT_TRUE(IsWindowEnabled(child));
  EXPECT_TRUE(EnableWindow(main, TRUE));
  EXPECT_EQ(recorder().count(main, WM_ENABLE), 2);
}

TEST_F(WindowTest, InvalidationReachesChildrenOnlyWhenAsked) {
  HWND main = makeMain();  // WS_CLIPCHILDREN
  HWND child = makeChild(main, L"child", RECT{10, 10, 60, 60});
  HWND far = makeChild(main, L"far", RECT{500, 500, 560, 560});
  vk::headless::pumpUntilIdle();
  watch({WM_PAINT});
  InvalidateRect(main, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:PAINT"}));
  recorder().log.clear();
  RECT area{0, 0, 100, 100};
  RedrawWindow(main, &area, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"main:PAINT", "child:PAINT"}));  // `far` is outside the rectangle

  // Without WS_CLIPCHILDREN the children are part of the parent's area.
  HWND panel = makeChild(main, L"panel", RECT{100, 100, 300, 300});
  HWND inner = makeChild(panel, L"inner", RECT{0, 0, 50, 50});
  vk::headless::pumpUntilIdle();
  recorder().log.clear();
  InvalidateRect(panel, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(trace(), (Strings{"panel:PAINT", "inner:PAINT"}));
  (void)far;
  (void)inner;
  (void)child;
}

TEST_F(WindowTest, BeginPaintReportsTheUpdateAreaAndErasesOnlyWhenAsked) {
  HWND main = makeMain();
  vk::headless::pumpUntilIdle();
  std::vector<PAINTSTRUCT> paints;
  int erases = 0;
  recorder().hook = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_ERASEBKGND) ++erases;
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      paints.push_back(ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    return std::nullopt;
  };
  RECT r{10, 20, 30, 40};
  InvalidateRect(main, &r, FALSE);
  vk::headless::pumpUntilIdle();
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_EQ(paints[0].rcPaint.left, 10);
  EXPECT_EQ(paints[0].rcPaint.bottom, 40);
  EXPECT_EQ(erases, 0);
  InvalidateRect(main, &r, TRUE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(erases, 1);
  EXPECT_TRUE(paints[1].fErase);  // no class brush: the procedure must erase
}

TEST_F(WindowTest, ClassBrushErasesThroughTheDefaultProcedure) {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"Brushed";
  wc.hbrBackground = CreateSolidBrush(kYellow);
  ASSERT_NE(RegisterClassExW(&wc), 0);
  HWND main = makeMain();
  recorder().paintColor[main] = kGreen;
  HWND brushed = CreateWindowExW(0, L"Brushed", L"", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, main, nullptr, nullptr,
                                 nullptr);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::windowPixels(brushed).at(5, 5), kYellow);
  EXPECT_EQ(vk::headless::screenPixels().at(15, 15), kYellow);
  DeleteObject(wc.hbrBackground);
}

TEST_F(WindowTest, OverlappingSiblingsComposeInZOrderAndClip) {
  HWND main = makeMain();
  recorder().paintColor[main] = kGreen;
  // First created is on top; both clip their siblings.
  HWND top = makeChild(main, L"top", RECT{0, 0, 100, 100}, WS_VISIBLE | WS_CLIPSIBLINGS);
  HWND under = makeChild(main, L"under", RECT{50, 50, 150, 150}, WS_VISIBLE | WS_CLIPSIBLINGS);
  recorder().paintColor[top] = kRed;
  recorder().paintColor[under] = kBlue;
  vk::headless::pumpUntilIdle();
  auto screen = vk::headless::screenPixels();
  EXPECT_EQ(screen.at(10, 10), kRed);
  EXPECT_EQ(screen.at(75, 75), kRed);  // the overlap belongs to the top sibling
  EXPECT_EQ(screen.at(120, 120), kBlue);
  EXPECT_EQ(screen.at(400, 400), kGreen);
  // Repainting only the lower sibling keeps the upper one's pixels.
  InvalidateRect(under, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::screenPixels().at(75, 75), kRed);
  // The parent clips its children: repainting it alone leaves them alone.
  InvalidateRect(main, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  screen = vk::headless::screenPixels();
  EXPECT_EQ(screen.at(75, 75), kRed);
  EXPECT_EQ(screen.at(120, 120), kBlue);
  // Bringing the lower one to the top of the z-order changes the overlap.
  SetWindowPos(under, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::screenPixels().at(75, 75), kBlue);
  EXPECT_EQ(vk::headless::describe(under).zIndex, 0);
}

TEST_F(WindowTest, WithoutClipSiblingsALowerSiblingPaintsOverTheUpperOne) {
  HWND main = makeMain();
  HWND top = makeChild(main, L"top", RECT{0, 0, 100, 100});
  HWND under = makeChild(main, L"under", RECT{50, 50, 150, 150});
  recorder().paintColor[top] = kRed;
  recorder().paintColor[under] = kBlue;
  vk::headless::pumpUntilIdle();
  InvalidateRect(under, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::screenPixels().at(75, 75), kBlue);
}

TEST_F(WindowTest, ParentWithoutClipChildrenPaintsUnderItsChildren) {
  HWND main = makeMain(L"main", 0);
  recorder().paintColor[main] = kGreen;
  HWND child = makeChild(main, L"child", RECT{0, 0, 100, 100});
  recorder().paintColor[child] = kRed;
  vk::headless::pumpUntilIdle();
  InvalidateRect(main, nullptr, FALSE);  // reaches the child too
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::screenPixels().at(50, 50), kRed);
  EXPECT_EQ(vk::headless::windowPixels(child).at(1, 1), kRed);
}

TEST_F(WindowTest, TopLevelsComposeAboveTheMainWindowAndLeaveNoTraceWhenHidden) {
  HWND main = makeMain();
  recorder().paintColor[main] = kGreen;
  HWND tip = makePopup(main, L"tip", RECT{0, 0, 80, 20}, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  recorder().paintColor[tip] = kYellow;
  vk::headless::pumpUntilIdle();
  POINT at = screenPoint(main, 200, 300);
  SetWindowPos(tip, HWND_TOPMOST, at.x, at.y, 80, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  vk::headless::pumpUntilIdle();
  auto screen = vk::headless::screenPixels();
  EXPECT_EQ(screen.at(210, 305), kYellow);
  EXPECT_EQ(screen.at(199, 305), kGreen);
  EXPECT_EQ(screen.at(280, 305), kGreen);
  ShowWindow(tip, SW_HIDE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::screenPixels().at(210, 305), kGreen);
  EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(WindowTest, UpdateWindowPaintsAndPresentsAtOnce) {
  HWND main = CreateWindowExW(0, kClass, L"Main", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              1500, 860, nullptr, nullptr, nullptr, nullptr);
  recorder().paintColor[main] = kGreen;
  ShowWindow(main, SW_SHOWNORMAL);
  int before = vk::headless::presentCount();
  UpdateWindow(main);
  EXPECT_GT(vk::headless::presentCount(), before);
  EXPECT_EQ(vk::headless::screenPixels().at(700, 400), kGreen);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) EXPECT_NE(msg.message, static_cast<UINT>(WM_PAINT));
}

TEST_F(WindowTest, GetDcDrawsIntoTheBackingStoreClippedToTheClient) {
  HWND main = makeMain();
  HWND child = makeChild(main, L"child", RECT{10, 10, 30, 30});
  vk::headless::pumpUntilIdle();
  HDC dc = GetDC(child);
  ASSERT_NE(dc, nullptr);
  HBRUSH brush = CreateSolidBrush(kBlue);
  RECT big{-50, -50, 200, 200};
  FillRect(dc, &big, brush);
  DeleteObject(brush);
  EXPECT_EQ(ReleaseDC(child, dc), 1);
  auto screen = vk::headless::screenPixels();
  EXPECT_EQ(screen.at(10, 10), kBlue);
  EXPECT_EQ(screen.at(29, 29), kBlue);
  EXPECT_NE(screen.at(30, 30), kBlue);
  EXPECT_NE(screen.at(9, 9), kBlue);
}

TEST_F(WindowTest, ZeroSizedClientStillPaints) {
  HWND main = makeMain();
  HWND empty = makeChild(main, L"empty", RECT{0, 0, 0, 0});
  vk::headless::pumpUntilIdle();
  watch({WM_PAINT});
  InvalidateRect(empty, nullptr, FALSE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(recorder().count(empty, WM_PAINT), 1);
}

TEST_F(WindowTest, SizeMessagesOnEveryClientSizeChange) {
  HWND main = makeMain();
  watch({WM_SIZE});
  MoveWindow(main, 0, 0, 1200, 700, TRUE);
  MoveWindow(main, 10, 10, 1200, 700, TRUE);  // moved only: no WM_SIZE
  vk::headless::resizeHost(1000, 600, SIZE_MAXIMIZED);
  vk::headless::resizeHost(0, 0, SIZE_MINIMIZED);
  auto sizes = recorder().of(WM_SIZE);
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_EQ(LOWORD(sizes[0].lParam), 1184);
  EXPECT_EQ(HIWORD(sizes[0].lParam), 661);
  EXPECT_EQ(sizes[1].wParam, static_cast<WPARAM>(SIZE_MAXIMIZED));
  EXPECT_EQ(LOWORD(sizes[1].lParam), 1000);
  EXPECT_EQ(sizes[2].wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  RECT c;
  GetClientRect(main, &c);
  EXPECT_EQ(c.right, 1000);
  MONITORINFO mi{};
  GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &mi);
  EXPECT_EQ(mi.rcWork.right - mi.rcWork.left, 1000);
}

TEST_F(WindowTest, CompositedDialogsShowTheirCaptionAndDumpToPng) {
  HWND main = makeMain();
  recorder().paintColor[main] = kGreen;
  HWND dialog = makePopup(main, L"dialog", RECT{300, 300, 600, 450}, WS_EX_DLGMODALFRAME,
                          WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  recorder().paintColor[dialog] = kYellow;
  vk::headless::pumpUntilIdle();
  RECT wr, cr{};
  GetWindowRect(dialog, &wr);
  GetClientRect(dialog, &cr);
  EXPECT_EQ(cr.right, 300 - 16);
  EXPECT_EQ(cr.bottom, 150 - 39);
  POINT origin = screenPoint(main, 0, 0);
  auto screen = vk::headless::screenPixels();
  auto captionUniform = [&] {
    std::vector<COLORREF> seen;
    for (int x = wr.left + 10; x < wr.left + 120; ++x) seen.push_back(screen.at(x - origin.x, wr.top + 15 - origin.y));
    return std::all_of(seen.begin(), seen.end(), [&](COLORREF c) { return c == seen[0]; });
  };
  EXPECT_FALSE(captionUniform());  // the title "dialog"
  SetWindowTextW(dialog, L"");
  vk::headless::pumpUntilIdle();
  screen = vk::headless::screenPixels();
  EXPECT_TRUE(captionUniform());
  SetWindowTextW(dialog, L"Unsaved changes");
  vk::headless::pumpUntilIdle();
  screen = vk::headless::screenPixels();
  EXPECT_FALSE(captionUniform());
  EXPECT_EQ(screen.at(wr.left + 20 - origin.x, wr.top + 60 - origin.y), kYellow);

  std::string path = vk::test::uniqueTempFolder("vk_window_screen").string() + ".png";
  ASSERT_TRUE(vk::headless::dumpScreenPng(vk::utf8ToWide(path)));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char signature[4] = {};
  EXPECT_EQ(std::fread(signature, 1, 4, f), 4u);
  std::fclose(f);
  std::remove(path.c_str());
  EXPECT_EQ(signature[1], 'P');
  EXPECT_FALSE(vk::headless::dumpWindowPng(nullptr, vk::utf8ToWide(path)));
}
