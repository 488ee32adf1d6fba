// A real window through the SDL backend: paints known colours and runs the
// message loop until it is closed. Driven by run_window_smoke.sh under Xvfb.
// With --present-benchmark [frames] it times full-window presents of the
// studio's 1484 x 821 client area through the backend instead; with
// --idle-wait it checks one idle wait of the backend (run_offscreen_smoke.sh).
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <SDL.h>

#include "platform/backend.h"
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

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string residentMemory() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return line.substr(6);
  return " ?";
}

// The first present makes the window's surface; the rest are the steady cost.
int presentBenchmark(int frames) {
  constexpr int kWidth = 1484, kHeight = 821;
  vk::platform::Backend* backend = vk::platform::currentBackend();
  const HWND host = reinterpret_cast<HWND>(std::uintptr_t{1});
  backend->createSurface(host, kWidth, kHeight, L"Veltrask Present Benchmark");
  backend->showSurface(host, true);
  backend->pumpEvents();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
  const vk::platform::Surface image{pixels.data(), kWidth, kHeight, kWidth};
  const RECT whole{0, 0, kWidth, kHeight};
  auto start = std::chrono::steady_clock::now();
  backend->present(host, image, whole);
  const double first = msSince(start);
  std::vector<double> times;
  for (int i = 0; i < frames; ++i) {
    std::fill(pixels.begin(), pixels.end(), 0x00204080u + static_cast<std::uint32_t>(i % 64));
    start = std::chrono::steady_clock::now();
    backend->present(host, image, whole);
    times.push_back(msSince(start));
    backend->pumpEvents();
  }
  std::sort(times.begin(), times.end());
  double sum = 0;
  for (double t : times) sum += t;
  std::printf("present %dx%d: first %.2f ms, then %d frames median %.3f ms mean %.3f ms p90 %.3f ms; RSS%s\n",
              kWidth, kHeight, first, frames, times[times.size() / 2], sum / static_cast<double>(times.size()),
              times[times.size() * 9 / 10], residentMemory().c_str());
  backend->destroySurface(host);
  return 0;
}

// How many more events SDL's queue takes, measured by filling it.
int sdlQueueRoom() {
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  int room = 0;
  while (SDL_PeepEvents(&event, 1, SDL_ADDEVENT, 0, 0) == 1) ++room;
  SDL_FlushEvent(SDL_USEREVENT);
  return room;
}

// A 3 s wait with nothing to wake it must last its 3 s, cost at most the
// given CPU time (none given: any), and leave SDL's queue the room it had: SDL's polling wait used to
// leave a hidden marker there every millisecond until, a minute or two
// later, the queue was full and a signal's quit event was lost.
int idleWait(double cpuLimitMs) {
  constexpr std::int64_t kWaitMs = 3000;
  vk::platform::Backend* backend = vk::platform::currentBackend();
  const HWND host = reinterpret_cast<HWND>(std::uintptr_t{1});
  backend->createSurface(host, 320, 200, L"Veltrask Idle Wait");
  backend->showSurface(host, true);
  backend->pumpEvents();
  const int roomBefore = sdlQueueRoom();
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  backend->waitForEvents(kWaitMs);
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double wallMs = msSince(start);
  const int roomAfter = sdlQueueRoom();  // before a pump, which would clear the markers away
  backend->pumpEvents();
  std::printf("idle wait on %s: %.0f ms, %.1f ms of CPU; SDL queue room %d before, %d after\n",
              SDL_GetCurrentVideoDriver(), wallMs, cpuMs, roomBefore, roomAfter);
  backend->destroySurface(host);
  const bool ok = wallMs >= kWaitMs - 50 && wallMs < kWaitMs + 2000 && cpuMs < cpuLimitMs && roomAfter == roomBefore;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  if (!vk::platform::installSdlBackend()) {
    std::fputs("window smoke: no display\n", stderr);
    return 2;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--present-benchmark") == 0) {
    std::printf("backend start-up %.1f ms\n", msSince(start));
    int frames = 200;
    if (argc >= 3) std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), frames);
    return presentBenchmark(std::max(1, frames));
  }
  if (argc >= 2 && std::strcmp(argv[1], "--idle-wait") == 0) {
    int cpuLimitMs = 1 << 30;
    if (argc >= 3) std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), cpuLimitMs);
    return idleWait(cpuLimitMs);
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
