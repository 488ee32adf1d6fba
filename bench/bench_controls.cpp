// Standard controls and menus on the headless backend. Peer: one 16-ms
// frame, the budget of the outliner's refill (512 rows), of a keystroke in
// a long edit text and of opening the 512-item parent chooser.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "platform/win32.h"

namespace {

LRESULT CALLBACK ownerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  static HBRUSH row = CreateSolidBrush(RGB(24, 29, 38));
  switch (msg) {
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      mis->itemWidth = 282;
      mis->itemHeight = mis->CtlType == ODT_MENU ? 34 : 30;
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      FillRect(dis->hDC, &dis->rcItem, row);
      wchar_t text[64] = L"";
      if (dis->CtlType == ODT_LISTBOX && dis->itemID != static_cast<UINT>(-1))
        SendMessageW(dis->hwndItem, LB_GETTEXT, dis->itemID, reinterpret_cast<LPARAM>(text));
      RECT r = dis->rcItem;
      SetBkMode(dis->hDC, TRANSPARENT);
      DrawTextW(dis->hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
      return TRUE;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND makeMain() {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = ownerProc;
  wc.lpszClassName = L"BenchOwner";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                              CW_USEDEFAULT, 1500, 860, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  vk::headless::pumpUntilIdle();
  return hwnd;
}

void BM_OutlinerRefill512(benchmark::State& state) {
  vk::headless::start();
  HWND main = makeMain();
  HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                              10, 10, 260, 600, main, reinterpret_cast<HMENU>(2001), nullptr, nullptr);
  std::vector<std::wstring> names;
  for (int i = 0; i < 512; ++i) names.push_back(L"Object " + std::to_wstring(i));
  for (auto _ : state) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& n : names) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
    SendMessageW(list, LB_SETCURSEL, 300, 0);
    UpdateWindow(list);
  }
  vk::headless::stop();
}
BENCHMARK(BM_OutlinerRefill512)->Unit(benchmark::kMicrosecond);

void BM_KeystrokeInLongEdit(benchmark::State& state) {
  vk::headless::start();
  HWND main = makeMain();
  HWND edit = CreateWindowExW(0, L"EDIT", std::wstring(static_cast<std::size_t>(state.range(0)), L'a').c_str(),
                              WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 200, 24, main, nullptr, nullptr, nullptr);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
  for (auto _ : state) {
    SendMessageW(edit, WM_CHAR, L'b', 0);
    SendMessageW(edit, WM_CHAR, L'\b', 0);
    UpdateWindow(edit);
  }
  vk::headless::stop();
}
BENCHMARK(BM_KeystrokeInLongEdit)->Arg(64)->Arg(4096)->Unit(benchmark::kMicrosecond);

void BM_OpenParentChooser512(benchmark::State& state) {
  vk::headless::start();
  HWND main = makeMain();
  std::vector<std::wstring> labels;
  for (int i = 0; i < 512; ++i) labels.push_back(L"Parent to Object " + std::to_wstring(i));
  vk::headless::setIdleHandler([] {
    vk::headless::pressKey(VK_ESCAPE);
    return true;
  });
  for (auto _ : state) {
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < 512; ++i) AppendMenuW(menu, MF_OWNERDRAW, 60000 + i, labels[static_cast<std::size_t>(i)].c_str());
    vk::headless::showNextMenu();
    benchmark::DoNotOptimize(TrackPopupMenuEx(menu, TPM_RETURNCMD, 200, 100, main, nullptr));
    DestroyMenu(menu);
  }
  vk::headless::setIdleHandler(nullptr);
  vk::headless::stop();
}
BENCHMARK(BM_OpenParentChooser512)->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
