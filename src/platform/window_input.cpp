// Mouse and keyboard: hit testing, capture, double clicks, hover leave,
// activation, focus, key state, and the default window procedure.
//
// Sections:
//   - Hit testing and cooking input
//   - Capture, cursor, keys, focus and activation
//   - The default window procedure
#include <algorithm>
#include <cstdlib>

#include "platform/gdi.h"
#include "platform/window_internal.h"

namespace vk::platform {

// ---- Hit testing and cooking input ------------------------------------------
namespace {

constexpr UINT kDoubleClickMs = 500;
constexpr int kDoubleClickHalfBox = 2;  // a 4 x 4 px box around the first press

struct Hit {
  Window* window = nullptr;
  bool client = false;
  bool blocked = false;  // over a disabled top-level: nobody gets the input
};

bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

Window* hitChild(Window* w, POINT screen) {
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
    if (!contains(screenRectOf(c), screen)) continue;
    if (!contains(clientScreenRectOf(c), screen)) return c;
    return hitChild(c, screen);
  }
  return w;
}

Hit hitTest(POINT screen) {
  Hit hit;
  for (Window* t : wm().topLevels) {
    if (!(t->style & WS_VISIBLE) || !contains(screenRectOf(t), screen)) continue;
    if (t->style & WS_DISABLED) {
      hit.blocked = true;
      return hit;
    }
    hit.window = t;
    hit.client = contains(clientScreenRectOf(t), screen);
    if (hit.client) hit.window = hitChild(t, screen);
    return hit;
  }
  return hit;
}

WPARAM mouseKeyFlags(const std::array<std::uint8_t, 256>& keys) {
  WPARAM flags = 0;
  if (keys[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) flags |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
  return flags;
}

LPARAM clientPointParam(Window* w, POINT screen) {
  RECT c = clientScreenRectOf(w);
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(screen.x - c.left)),
                    static_cast<WORD>(static_cast<SHORT>(screen.y - c.top)));
}

void postMouseLeave(Window* w) {
  w->trackLeave = false;
  PostMessageW(w->handle, WM_MOUSELEAVE, 0, 0);
}

// The window under the cursor changed: disarm and notify a tracked window.
void noteHover(Window* under) {
  auto& g = wm();
  if (g.hover == under) return;
  Window* previous = g.hover;
  g.hover = under;
  if (previous && previous->trackLeave) postMouseLeave(previous);
}

void offerCursor(Window* w, UINT mouseMessage) {
  sendTo(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w->handle), MAKELPARAM(HTCLIENT, mouseMessage));
}

UINT buttonMessage(MouseButton b, bool down) {
  switch (b) {
    case MouseButton::Left: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case MouseButton::Right: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  }
}

bool clickActivates(Window* target) {
  auto& g = wm();
  Window* top = topLevelOf(target);
  if (top == g.active || (top->exStyle & WS_EX_NOACTIVATE)) return true;
  HWND topHandle = top->handle;
  LRESULT answer = sendTo(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(topHandle), MAKELPARAM(HTCLIENT, 0));
  if (!windowFromHandle(topHandle)) return false;
  if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT) activateWindow(top, WA_CLICKACTIVE);
  return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

// A press on a child tells each of its ancestors below the top level, with
// the point in that ancestor's client area, unless a window on the way asks
// not to (WS_EX_NOPARENTNOTIFY). False when the press's window went.
bool notifyParents(Window* target, UINT message, POINT screen) {
  const HWND handle = target->handle;
  for (Window* w = target; w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY);) {
    Window* parent = w->parent;
    const HWND parentHandle = parent->handle;
    sendTo(parent, WM_PARENTNOTIFY, MAKEWPARAM(message, 0), clientPointParam(parent, screen));
    if (!windowFromHandle(handle)) return false;
    w = windowFromHandle(parentHandle);
    if (!w) break;
  }
  return true;
}

bool cookMouse(QueuedMessage& q) {
  auto& g = wm();
  Hit hit = hitTest(q.screen);
  noteHover(hit.client ? hit.window : nullptr);
  Window* target = g.capture ? g.capture : (hit.client ? hit.window : nullptr);
  if (!g.capture && q.kind == QueuedMessage::Kind::MouseButton && q.down && hit.window && !hit.client) {
    // A press on a composited window's frame only activates it.
    Window* top = topLevelOf(hit.window);
    if (!(top->exStyle & WS_EX_NOACTIVATE)) activateWindow(top, WA_CLICKACTIVE);
    return false;
  }
  if (!target || (hit.blocked && !g.capture)) return false;
  if (!isEnabledThrough(target) || !isVisibleThrough(target)) return false;
  HWND handle = target->handle;
  UINT message = WM_MOUSEMOVE;
  if (q.kind == QueuedMessage::Kind::Wheel) {
    q.msg.message = WM_MOUSEWHEEL;
    q.msg.hwnd = handle;
    q.msg.wParam = MAKEWPARAM(mouseKeyFlags(q.keys), static_cast<WORD>(static_cast<SHORT>(q.delta)));
    q.msg.lParam = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(q.screen.x)),
                              static_cast<WORD>(static_cast<SHORT>(q.screen.y)));
    q.kind = QueuedMessage::Kind::Posted;
    return true;
  }
  if (q.kind == QueuedMessage::Kind::MouseButton) {
    message = buttonMessage(q.button, q.down);
    if (!g.capture) offerCursor(target, message);
    if (!windowFromHandle(handle)) return false;
    if (q.down && !clickActivates(target)) return false;
    if (!windowFromHandle(handle)) return false;
    if (q.down && !notifyParents(target, message, q.screen)) return false;
    if (q.down) {
      bool sameSpot = std::abs(q.screen.x - g.lastClickPoint.x) <= kDoubleClickHalfBox &&
                      std::abs(q.screen.y - g.lastClickPoint.y) <= kDoubleClickHalfBox;
      bool inTime = q.msg.time - static_cast<DWORD>(g.lastClickTime) <= kDoubleClickMs;
      if ((target->cls->info.style & CS_DBLCLKS) && g.lastClickWindow == handle && g.lastClickMessage == message &&
          sameSpot && inTime) {
        message += 2;  // the DBLCLK message follows UP
        g.lastClickWindow = nullptr;
      } else {
        g.lastClickWindow = handle;
        g.lastClickMessage = message;
        g.lastClickTime = q.msg.time;
        g.lastClickPoint = q.screen;
      }
    }
  } else if (!g.capture) {
    offerCursor(target, WM_MOUSEMOVE);
    if (!windowFromHandle(handle)) return false;
  }
  q.msg.hwnd = handle;
  q.msg.message = message;
  q.msg.wParam = mouseKeyFlags(q.keys);
  q.msg.lParam = clientPointParam(target, q.screen);
  q.kind = QueuedMessage::Kind::Posted;
  return true;
}

bool cookKey(QueuedMessage& q) {
  auto& g = wm();
  Window* target = g.focus;
  bool sys = false;
  if (!target) {
    target = g.active;
    sys = true;  // with nobody focused the active window gets system keys
  }
  if (!target || !isEnabledThrough(target)) return false;
  bool alt = q.keys[VK_MENU] & 0x80;
  bool ctrl = q.keys[VK_CONTROL] & 0x80;
  if ((alt && !ctrl) || q.vk == VK_F10 || q.vk == VK_MENU) sys = true;
  q.msg.hwnd = target->handle;
  if (q.vk == 0) {
    q.msg.message = WM_CHAR;
    q.msg.wParam = q.text.empty() ? 0 : static_cast<WPARAM>(q.text[0]);
    q.msg.lParam = 1;
  } else {
    q.msg.message = q.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    q.msg.wParam = q.vk;
    LPARAM lp = 1;
    if (alt) lp |= (1 << 29);
    if (q.down ? q.delta != 0 : true) lp |= (1 << 30);
    if (!q.down) lp |= static_cast<LPARAM>(1u << 31);
    q.msg.lParam = static_cast<LPARAM>(static_cast<std::uint32_t>(lp));
  }
  q.kind = QueuedMessage::Kind::Posted;
  return true;
}

bool cookClose(QueuedMessage& q) {
  auto& g = wm();
  // Forwarding the request into a running modal loop would open a second
  // confirmation inside the first; it is dropped instead.
  if (!g.host || (g.host->style & WS_DISABLED) || modalLoopRunning()) return false;
  q.msg.hwnd = g.host->handle;
  q.msg.message = WM_CLOSE;
  q.msg.wParam = 0;
  q.msg.lParam = 0;
  q.kind = QueuedMessage::Kind::Posted;
  return true;
}

SHORT keyStateWord(std::uint8_t state) {
  SHORT result = 0;
  if (state & 0x80) result = static_cast<SHORT>(0x8000);
  if (state & 0x01) result |= 1;
  return result;
}

}  // namespace

bool cookInput(QueuedMessage& q) {
  switch (q.kind) {
    case QueuedMessage::Kind::MouseMove:
    case QueuedMessage::Kind::MouseButton:
    case QueuedMessage::Kind::Wheel: return cookMouse(q);
    case QueuedMessage::Kind::Key: return cookKey(q);
    case QueuedMessage::Kind::Activate: {
      Window* w = windowFromHandle(q.target);
      if (q.target && !w) return false;
      if (w && (w->style & WS_DISABLED)) return false;
      activateWindow(w, WA_ACTIVE);
      return false;
    }
    case QueuedMessage::Kind::Close: return cookClose(q);
    default: return true;
  }
}

void releaseCaptureOf(Window* w) {
  for (Window* c = wm().capture; c; c = c->parent)
    if (c == w) {
      ReleaseCapture();
      return;
    }
}

void forgetWindowInput(Window* w) {
  auto& g = wm();
  if (g.capture == w) {
    g.capture = nullptr;
    if (g.backend) g.backend->setMouseCapture(false);
  }
  if (g.focus == w) g.focus = nullptr;
  if (g.active == w) g.active = nullptr;
  if (g.hover == w) g.hover = nullptr;
  if (g.lastClickWindow == w->handle) g.lastClickWindow = nullptr;
}

void activateWindow(Window* w, int how) {
  auto& g = wm();
  if (w == g.active) return;
  Window* old = g.active;
  HWND oldHandle = old ? old->handle : nullptr;
  HWND newHandle = w ? w->handle : nullptr;
  if (old) releaseCaptureOf(old);
  g.active = w;
  if (w) bringToTop(w);
  if (old && windowFromHandle(oldHandle)) {
    drawFrame(old);
    sendTo(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(newHandle));
  }
  if (w && windowFromHandle(newHandle) && g.active == w) {
    drawFrame(w);
    sendTo(w, WM_ACTIVATE, static_cast<WPARAM>(how), reinterpret_cast<LPARAM>(oldHandle));
  }
  // Focus never stays in a window that is no longer active.
  Window* top = g.focus ? topLevelOf(g.focus) : nullptr;
  if (top && top != g.active) SetFocus(nullptr);
}

}  // namespace vk::platform

// ---- Capture, cursor, keys, focus and activation ----------------------------
using namespace vk::platform;

HWND SetCapture(HWND hwnd) {
  auto& g = wm();
  Window* w = windowFromHandle(hwnd);
  if (!w) return nullptr;
  Window* old = g.capture;
  HWND oldHandle = old ? old->handle : nullptr;
  if (old == w) return oldHandle;
  g.capture = w;
  if (g.backend) g.backend->setMouseCapture(true);
  if (old) sendTo(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return oldHandle;
}

BOOL ReleaseCapture() {
  auto& g = wm();
  Window* old = g.capture;
  if (!old) return TRUE;
  g.capture = nullptr;
  if (g.backend) g.backend->setMouseCapture(false);
  sendTo(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  Window* c = wm().capture;
  return c ? c->handle : nullptr;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (!track) return FALSE;
  Window* w = windowFromHandle(track->hwndTrack);
  if (!w) return FALSE;
  if (track->dwFlags & TME_CANCEL) {
    if (track->dwFlags & TME_LEAVE) w->trackLeave = false;
    return TRUE;
  }
  if (!(track->dwFlags & TME_LEAVE)) return TRUE;
  // Arming while the cursor is already elsewhere reports the leave at once.
  if (wm().hover != w) {
    postMouseLeave(w);
    return TRUE;
  }
  w->trackLeave = true;
  return TRUE;
}

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = wm().cursor;
  return TRUE;
}

SHORT GetKeyState(int key) {
  if (key < 0 || key > 255) return 0;
  return keyStateWord(wm().messageKeys[static_cast<std::size_t>(key)]);
}

SHORT GetAsyncKeyState(int key) {
  auto& g = wm();
  if (key < 0 || key > 255) return 0;
  if (g.backend) g.backend->pumpEvents();
  return (g.asyncKeys[static_cast<std::size_t>(key)] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

HWND SetFocus(HWND hwnd) {
  auto& g = wm();
  Window* old = g.focus;
  HWND oldHandle = old ? old->handle : nullptr;
  if (!hwnd) {
    g.focus = nullptr;
    if (old) sendTo(old, WM_KILLFOCUS, 0, 0);
    return oldHandle;
  }
  Window* w = windowFromHandle(hwnd);
  if (!w || w->destroying) return nullptr;
  if (w == old) return oldHandle;
  Window* top = topLevelOf(w);
  if (top != g.active && !(top->exStyle & WS_EX_NOACTIVATE)) {
    activateWindow(top, WA_ACTIVE);
    w = windowFromHandle(hwnd);
    if (!w) return nullptr;
    old = g.focus;
    oldHandle = old ? old->handle : nullptr;
    if (w == old) return oldHandle;
  }
  g.focus = w;
  if (old && windowFromHandle(oldHandle)) sendTo(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (g.focus == w && windowFromHandle(hwnd)) sendTo(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldHandle), 0);
  return oldHandle;
}

HWND GetFocus() {
  Window* f = wm().focus;
  return f ? f->handle : nullptr;
}

HWND GetActiveWindow() {
  Window* a = wm().active;
  return a ? a->handle : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  Window* w = windowFromHandle(hwnd);
  if (!w) return nullptr;
  activateWindow(topLevelOf(w), WA_ACTIVE);
  return old;
}

BOOL SetForegroundWindow(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  activateWindow(topLevelOf(w), WA_ACTIVE);
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  Hit hit = hitTest(pt);
  return hit.window ? hit.window->handle : nullptr;
}

// ---- The default window procedure -------------------------------------------
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return 0;
  auto& g = wm();
  switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = w->cls->info.hbrBackground;
      if (!brush || !wParam) return 0;
      RECT c = clientRectOf(w);
      FillRect(reinterpret_cast<HDC>(wParam), &c, brush);
      return 1;
    }
    case WM_SETCURSOR:
      if (w->parent && SendMessageW(w->parent->handle, WM_SETCURSOR, wParam, lParam)) return TRUE;
      // A parent asked on behalf of a child leaves the shape to the child.
      if (reinterpret_cast<HWND>(wParam) == hwnd && LOWORD(lParam) == HTCLIENT && w->cls->info.hCursor) {
        SetCursor(w->cls->info.hCursor);
        return TRUE;
      }
      return FALSE;
    case WM_MOUSEACTIVATE:
      if (w->parent) {
        LRESULT r = SendMessageW(w->parent->handle, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd),
                   MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
      return 0;
    }
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if (w->parent) return SendMessageW(w->parent->handle, msg, wParam, lParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool shift = g.messageKeys[VK_SHIFT] & 0x80;
      if (wParam == VK_APPS || (wParam == VK_F10 && shift))
        SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(0xFFFF, 0xFFFF));
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29)))
        SendMessageW(topLevelOf(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          if (w == g.host && ((w->style & WS_DISABLED) || g.modalDepth > 0 || g.dispatchNested)) return 0;
          SendMessageW(hwnd, WM_CLOSE, 0, 0);
          return 0;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); return 0;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
        default: return 0;
      }
    case WM_CANCELMODE:
      if (g.capture == w) ReleaseCapture();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !w->minimized) SetFocus(hwnd);
      return 0;
    case WM_SETTEXT: {
      w->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      if (w == g.host && g.backend) g.backend->setSurfaceTitle(hwnd, w->text);
      else if (!w->parent && (w->style & WS_CAPTION) == WS_CAPTION) drawFrame(w);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      std::size_t n = std::min<std::size_t>(wParam - 1, w->text.size());
      std::copy_n(w->text.data(), n, out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_NCHITTEST: return HTCLIENT;
    default: return 0;
  }
}
