// A headless fixture for the standard controls, menus and dialogs: a main
// window (the recording class) that answers the owner-draw and colour
// messages as the studio does, and helpers that read back notifications.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/headless_responders.h"
#include "window_test_support.h"

namespace ctltest {

using wmtest::recorder;

inline constexpr COLORREF kPanel = RGB(24, 29, 38);
inline constexpr COLORREF kField = RGB(24, 30, 40);

struct Notification {
  int id;
  int code;
  HWND from;
};

class ControlTest : public wmtest::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    panel = CreateSolidBrush(kPanel);
    field = CreateSolidBrush(kField);
    recorder().hook = [this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
      if (hwnd != main) return std::nullopt;
      if (extraHook)
        if (auto r = extraHook(hwnd, msg, wParam, lParam)) return r;
      switch (msg) {
        case WM_MEASUREITEM: {
          auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
          if (mis->CtlType == ODT_MENU) {
            mis->itemWidth = 282;
            mis->itemHeight = 34;
          } else {
            mis->itemHeight = 30;
          }
          return 1;
        }
        case WM_DRAWITEM: {
          const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
          draws.push_back(*dis);
          if (paintItems) {
            HBRUSH b = CreateSolidBrush((dis->itemState & ODS_SELECTED) ? RGB(200, 0, 0) : RGB(0, 0, 200));
            FillRect(dis->hDC, &dis->rcItem, b);
            DeleteObject(b);
          }
          return 1;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: {
          colorRequests.push_back(msg);
          HDC dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, RGB(228, 234, 244));
          SetBkColor(dc, msg == WM_CTLCOLOREDIT ? kField : kPanel);
          return reinterpret_cast<LRESULT>(msg == WM_CTLCOLOREDIT ? field : panel);
        }
        case WM_COMMAND:
          notifications.push_back(Notification{LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
          if (onCommand) onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
          return 0;
        default: return std::nullopt;
      }
    };
    main = makeMain();
    vk::headless::pumpUntilIdle();
  }
  void TearDown() override {
    extraHook = nullptr;
    onCommand = nullptr;
    vk::headless::setIdleHandler(nullptr);
    WindowTest::TearDown();
    DeleteObject(panel);
    DeleteObject(field);
  }

  HWND control(const wchar_t* cls, DWORD style, RECT r, int id = 0, const wchar_t* text = L"") {
    HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    vk::headless::pumpUntilIdle();
    return h;
  }
  // Notification codes sent by the control with the given id, in order.
  std::vector<int> codes(int id) const {
    std::vector<int> out;
    for (const auto& n : notifications)
      if (n.id == id) out.push_back(n.code);
    return out;
  }
  int countCode(int id, int code) const {
    int n = 0;
    for (const auto& x : notifications)
      if (x.id == id && x.code == code) ++n;
    return n;
  }
  static void clickAt(HWND hwnd, int x, int y, vk::headless::Button b = vk::headless::Button::Left) {
    vk::headless::click(screenPoint(hwnd, x, y), b);
    vk::headless::pumpUntilIdle();
  }
  static void key(UINT vk, const std::wstring& text = L"") {
    vk::headless::pressKey(vk, text);
    vk::headless::pumpUntilIdle();
  }
  static void ctrlKey(UINT vk) {
    vk::headless::keyDown(VK_LCONTROL);
    vk::headless::pressKey(vk);
    vk::headless::keyUp(VK_LCONTROL);
    vk::headless::pumpUntilIdle();
  }
  static void shiftKey(UINT vk) {
    vk::headless::keyDown(VK_LSHIFT);
    vk::headless::pressKey(vk);
    vk::headless::keyUp(VK_LSHIFT);
    vk::headless::pumpUntilIdle();
  }
  static void type(const std::wstring& text) {
    vk::headless::typeText(text);
    vk::headless::pumpUntilIdle();
  }
  static std::wstring textOf(HWND hwnd) {
    wchar_t buffer[512];
    int n = GetWindowTextW(hwnd, buffer, 512);
    return std::wstring(buffer, static_cast<std::size_t>(n));
  }
  // Runs `steps` one by one each time a nested loop waits for input; when
  // they run out the loops are told to quit so a failing test cannot hang.
  void script(std::vector<std::function<void()>> steps) {
    auto queue = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto at = std::make_shared<std::size_t>(0);
    vk::headless::setIdleHandler([queue, at] {
      if (*at < queue->size()) {
        (*queue)[(*at)++]();
        return true;
      }
      PostQuitMessage(99);
      return true;
    });
  }
  // A window of the given class, for finding the layer's own windows.
  static HWND find(const wchar_t* cls) { return vk::headless::findWindow(cls); }
  static RECT rectOf(HWND hwnd) { return vk::headless::describe(hwnd).windowRect; }

  HWND main = nullptr;
  HBRUSH panel = nullptr;
  HBRUSH field = nullptr;
  bool paintItems = true;
  std::vector<DRAWITEMSTRUCT> draws;
  std::vector<UINT> colorRequests;
  std::vector<Notification> notifications;
  std::function<void(int, int, HWND)> onCommand;
  std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> extraHook;
};

}  // namespace ctltest
