// A real window through the SDL backend: paints known colours and runs the
// message loop until it is closed. Driven by run_window_smoke.sh under Xvfb.
#include <cstdio>

#include "platform/sdl/sdl_backend.h"
#include "platform/win32.h"

namespace {

constexpr COLORREF kBackground = RGB(20, 40, 200);
constexpr COLORREF kMarker = RGB(230, 20, 30);

LRESULT CALLBACK smokeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      HBRUSH background = CreateSolidBrush(kBackground);
      HBRUSH marker = CreateSolidBrush(kMarker);
      FillRect(dc, &client, background);
      RECT box{client.right / 4, client.bottom / 4, client.right / 2, client.bottom / 2};
      FillRect(dc, &box, marker);
      DeleteObject(background);
      DeleteObject(marker);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main() {
  if (!vk::platform::installSdlBackend()) {
    std::fputs("window smoke: no display\n", stderr);
    return 2;
  }
  WNDCLASSEXW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = smokeProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.lpszClassName = L"VeltraskWindowSmoke";
  if (!RegisterClassExW(&wc)) return 3;
  HWND main = CreateWindowExW(0, wc.lpszClassName, L"Veltrask Window Smoke",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
                              1500, 860, nullptr, nullptr, nullptr, nullptr);
  if (!main) return 4;
  ShowWindow(main, SW_SHOWNORMAL);
  UpdateWindow(main);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
