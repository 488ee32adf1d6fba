// A recording window class and a headless fixture for window-manager tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/win32.h"

namespace wmtest {

struct Record {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Everything the recording procedure sees, and per-test overrides.
struct Recorder {
  std::vector<Record> log;
  std::vector<UINT> watched;  // empty: record every message
  // Answers a message instead of the default procedure when it returns a value.
  std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> hook;
  std::map<HWND, COLORREF> paintColor;  // WM_PAINT fills the update area
  std::map<HWND, std::wstring> names;

  bool watches(UINT msg) const {
    if (watched.empty()) return true;
    for (UINT m : watched)
      if (m == msg) return true;
    return false;
  }
  // The messages of the log, as "name:MSG" strings, for the named windows only.
  std::vector<std::string> trace() const {
    std::vector<std::string> out;
    for (const Record& r : log) {
      auto it = names.find(r.hwnd);
      std::string name = it == names.end() ? "?" : std::string(it->second.begin(), it->second.end());
      out.push_back(name + ":" + messageName(r.msg));
    }
    return out;
  }
  std::vector<Record> of(UINT msg) const {
    std::vector<Record> out;
    for (const Record& r : log)
      if (r.msg == msg) out.push_back(r);
    return out;
  }
  int count(HWND hwnd, UINT msg) const {
    int n = 0;
    for (const Record& r : log)
      if (r.msg == msg && (!hwnd || r.hwnd == hwnd)) ++n;
    return n;
  }
  static std::string messageName(UINT msg) {
    switch (msg) {
      case WM_CREATE: return "CREATE";
      case WM_NCCREATE: return "NCCREATE";
      case WM_DESTROY: return "DESTROY";
      case WM_NCDESTROY: return "NCDESTROY";
      case WM_PAINT: return "PAINT";
      case WM_TIMER: return "TIMER";
      case WM_USER: return "USER";
      case WM_USER + 1: return "USER1";
      case WM_SETFOCUS: return "SETFOCUS";
      case WM_KILLFOCUS: return "KILLFOCUS";
      case WM_CAPTURECHANGED: return "CAPTURECHANGED";
      case WM_KEYDOWN: return "KEYDOWN";
      case WM_KEYUP: return "KEYUP";
      case WM_CHAR: return "CHAR";
      case WM_LBUTTONDOWN: return "LBUTTONDOWN";
      case WM_LBUTTONUP: return "LBUTTONUP";
      case WM_LBUTTONDBLCLK: return "LBUTTONDBLCLK";
      case WM_MOUSEMOVE: return "MOUSEMOVE";
      case WM_CLOSE: return "CLOSE";
      case WM_ACTIVATE: return "ACTIVATE";
      case WM_CONTEXTMENU: return "CONTEXTMENU";
      case WM_MOUSEWHEEL: return "MOUSEWHEEL";
      default: return std::to_string(msg);
    }
  }
};

inline Recorder& recorder() {
  static Recorder r;
  return r;
}

inline LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Recorder& r = recorder();
  if (r.watches(msg)) r.log.push_back(Record{hwnd, msg, wParam, lParam});
  if (r.hook)
    if (auto answer = r.hook(hwnd, msg, wParam, lParam)) return *answer;
  if (msg == WM_PAINT) {
    auto color = r.paintColor.find(hwnd);
    if (color != r.paintColor.end()) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      HBRUSH brush = CreateSolidBrush(color->second);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline constexpr const wchar_t* kClass = L"RecordingWindow";
inline constexpr const wchar_t* kDblClass = L"RecordingDblClkWindow";

// A headless run with the recording classes registered.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1920, 1080, VK_TEST_FONT);
    recorder() = Recorder{};
    WNDCLASSEXW wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClassExW(&wc), 0);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = kDblClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    ASSERT_NE(RegisterClassExW(&wc), 0);
  }
  void TearDown() override {
    recorder().hook = nullptr;
    vk::headless::stop();
    recorder() = Recorder{};
  }

  // The main window: 1500 x 860 at the default position, visible.
  HWND makeMain(const wchar_t* name = L"main", DWORD extraStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS) {
    HWND hwnd = CreateWindowExW(0, kClass, L"Main", WS_OVERLAPPEDWINDOW | extraStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, 1500, 860, nullptr, nullptr, nullptr, nullptr);
    recorder().names[hwnd] = name;
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
  }
  HWND makeChild(HWND parent, const wchar_t* name, RECT r, DWORD style = WS_VISIBLE, int id = 0,
                 const wchar_t* cls = kClass) {
    HWND hwnd = CreateWindowExW(0, cls, name, WS_CHILD | style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                nullptr);
    recorder().names[hwnd] = name;
    return hwnd;
  }
  HWND makePopup(HWND owner, const wchar_t* name, RECT r, DWORD exStyle = 0, DWORD style = WS_POPUP) {
    HWND hwnd = CreateWindowExW(exStyle, kClass, name, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                owner, nullptr, nullptr, nullptr);
    recorder().names[hwnd] = name;
    return hwnd;
  }
  // A point in `hwnd`'s client area, in screen coordinates.
  static POINT screenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
  }
  static void watch(std::vector<UINT> messages) {
    recorder().watched = std::move(messages);
    recorder().log.clear();
  }
  static std::vector<std::string> trace() { return recorder().trace(); }
};

}  // namespace wmtest
