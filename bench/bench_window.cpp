// Window manager costs, measured on the headless backend. Peer: the budget
// the shell assumes (a message round trip <= 1 us, a full repaint of the
// main window with 60 controls composed and presented <= 4 ms).
#include <benchmark/benchmark.h>

#include "platform/headless.h"
#include "platform/win32.h"

namespace {

LRESULT CALLBACK quietProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Paints the client area with `face`; controls also draw a label on a band.
LRESULT paintingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HBRUSH face, HBRUSH band) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, face);
  if (band) {
    RECT label{6, r.bottom / 2 - 9, r.right - 6, r.bottom / 2 + 9};
    FillRect(dc, &label, band);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(228, 234, 244));
    DrawTextW(dc, L"Control label", -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  static HBRUSH face = CreateSolidBrush(RGB(36, 44, 58));
  static HBRUSH band = CreateSolidBrush(RGB(60, 70, 90));
  return paintingProc(hwnd, msg, wParam, lParam, face, band);
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  static HBRUSH background = CreateSolidBrush(RGB(16, 20, 28));
  return paintingProc(hwnd, msg, wParam, lParam, background, nullptr);
}

HWND makeWindow(WNDPROC proc, const wchar_t* className) {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, className, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                              CW_USEDEFAULT, CW_USEDEFAULT, 1500, 860, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

void BM_MessageRoundTrip(benchmark::State& state) {
  vk::headless::start();
  HWND hwnd = makeWindow(quietProc, L"BenchQuiet");
  vk::headless::pumpUntilIdle();
  MSG msg;
  for (auto _ : state) {
    PostMessageW(hwnd, WM_USER, 1, 2);
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    DispatchMessageW(&msg);
  }
  vk::headless::stop();
}
BENCHMARK(BM_MessageRoundTrip);

void BM_FullWindowPaint60Controls(benchmark::State& state) {
  vk::headless::start();
  HWND main = makeWindow(mainProc, L"BenchMain");
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = controlProc;
  wc.lpszClassName = L"BenchControl";
  RegisterClassExW(&wc);
  // 6 rows of 10 controls spread over the 1484 x 821 client area.
  for (int i = 0; i < 60; ++i) {
    int col = i % 10, row = i / 10;
    CreateWindowExW(0, L"BenchControl", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 8 + col * 147, 8 + row * 134,
                    140, 126, main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000 + i)), nullptr, nullptr);
  }
  vk::headless::pumpUntilIdle();
  for (auto _ : state) {
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  state.counters["presents"] = vk::headless::presentCount();
  vk::headless::stop();
}
BENCHMARK(BM_FullWindowPaint60Controls)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
