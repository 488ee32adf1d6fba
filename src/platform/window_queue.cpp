// The message queue: retrieval order, sending and posting, quitting,
// timers, nested loops and the backend's raw input.
//
// Sections:
//   - The window manager
//   - Retrieval
//   - Backend input and modal loops
//   - Messages and timers
#include <algorithm>
#include <cstdio>

#include "platform/kernel.h"
#include "platform/window_internal.h"

namespace vk::platform {

// ---- The window manager -----------------------------------------------------
WindowManager& wm() {
  static WindowManager manager;
  return manager;
}

void installBackend(std::unique_ptr<Backend> backend) {
  resetWindowManager();
  wm().backend = std::move(backend);
}

Backend* currentBackend() { return wm().backend.get(); }

void setScreenSize(int width, int height) {
  wm().screenWidth = static_cast<std::uint64_t>(std::max(1, width));
  wm().screenHeight = static_cast<std::uint64_t>(std::max(1, height));
}

std::uint64_t nowMs() {
  auto& g = wm();
  return g.backend ? g.backend->nowMs() : GetTickCount64();
}

HWND hostWindow() { return wm().host ? wm().host->handle : nullptr; }

POINT hostClientOrigin() {
  Window* h = wm().host;
  if (!h) return POINT{};
  RECT c = clientScreenRectOf(h);
  return POINT{c.left, c.top};
}

void removeWindowTimers(Window* w) {
  std::erase_if(wm().timers, [w](const Timer& t) { return t.hwnd == w->handle; });
}

// ---- Retrieval --------------------------------------------------------------
namespace {

// Whether the message being retrieved now comes from a loop running inside
// a window procedure (a modal loop, a menu, a pump).
bool retrievingNested() { return wm().dispatchDepth > 0 || wm().modalDepth > 0; }

bool matchesFilter(const MSG& m, HWND hwnd, UINT first, UINT last) {
  if (hwnd && m.hwnd != hwnd) {
    Window* target = windowFromHandle(m.hwnd);
    Window* filter = windowFromHandle(hwnd);
    bool descendant = false;
    for (Window* a = target ? target->parent : nullptr; a; a = a->parent)
      if (a == filter) descendant = true;
    if (!descendant) return false;
  }
  if (first == 0 && last == 0) return true;
  return m.message >= first && m.message <= last;
}

void enqueueRaw(QueuedMessage q) {
  auto& g = wm();
  q.keys = g.asyncKeys;
  q.hasKeys = true;
  q.msg.time = static_cast<DWORD>(nowMs());
  q.msg.pt = g.cursor;
  g.queue.push_back(std::move(q));
}

void setKeyDown(UINT vk, bool down) {
  auto& keys = wm().asyncKeys;
  if (vk > 255) return;
  if (down) {
    if (!(keys[vk] & 0x80)) keys[vk] ^= 0x01;
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= static_cast<std::uint8_t>(~0x80);
  }
}

// The left/right modifier keys also drive the generic ones.
void updateGenericModifier(UINT generic, UINT left, UINT right) {
  auto& keys = wm().asyncKeys;
  bool down = (keys[left] & 0x80) || (keys[right] & 0x80);
  setKeyDown(generic, down);
}

bool retrieve(MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
  auto& g = wm();
  if (g.backend) g.backend->pumpEvents();
  for (std::size_t i = 0; i < g.queue.size();) {
    if (g.queue[i].kind != QueuedMessage::Kind::Posted) {
      // Out of the queue while it is cooked: the messages cooking sends may
      // run a nested loop, which must not see (or cook) it a second time.
      QueuedMessage raw = std::move(g.queue[i]);
      g.queue.erase(g.queue.begin() + static_cast<std::ptrdiff_t>(i));
      if (!cookInput(raw)) continue;
      i = std::min(i, g.queue.size());
      g.queue.insert(g.queue.begin() + static_cast<std::ptrdiff_t>(i), std::move(raw));
    }
    QueuedMessage& cooked = g.queue[i];
    if (cooked.msg.hwnd && !windowFromHandle(cooked.msg.hwnd)) {
      g.queue.erase(g.queue.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (!matchesFilter(cooked.msg, hwnd, first, last)) {
      ++i;
      continue;
    }
    *out = cooked.msg;
    if (remove) {
      if (cooked.hasKeys) g.messageKeys = cooked.keys;
      if (cooked.msg.message >= WM_KEYFIRST && cooked.msg.message <= WM_KEYLAST) {
        g.lastKeyText = cooked.text;
        g.lastKeyVk = cooked.vk;
      }
      g.queue.erase(g.queue.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return true;
  }
  if (g.quitPending && (first == 0 || (WM_QUIT >= first && WM_QUIT <= last))) {
    *out = MSG{};
    out->message = WM_QUIT;
    out->wParam = static_cast<WPARAM>(g.quitCode);
    out->time = static_cast<DWORD>(nowMs());
    out->pt = g.cursor;
    if (remove) g.quitPending = false;
    return true;
  }
  if (first == 0 || (WM_PAINT >= first && WM_PAINT <= last)) {
    if (Window* w = findWindowToPaint()) {
      MSG m{};
      m.hwnd = w->handle;
      m.message = WM_PAINT;
      m.time = static_cast<DWORD>(nowMs());
      m.pt = g.cursor;
      if (matchesFilter(m, hwnd, 0, 0)) {
        *out = m;
        return true;
      }
    }
  }
  if (first == 0 || (WM_TIMER >= first && WM_TIMER <= last)) {
    std::uint64_t now = nowMs();
    Timer* best = nullptr;
    for (Timer& t : g.timers) {
      if (t.due > now) continue;
      MSG m{};
      m.hwnd = t.hwnd;
      m.message = WM_TIMER;
      if (!matchesFilter(m, hwnd, 0, 0)) continue;
      if (!best || t.due < best->due) best = &t;
    }
    if (best) {
      *out = MSG{};
      out->hwnd = best->hwnd;
      out->message = WM_TIMER;
      out->wParam = best->id;
      out->lParam = reinterpret_cast<LPARAM>(best->proc);
      out->time = static_cast<DWORD>(now);
      out->pt = g.cursor;
      if (remove) best->due = now + best->interval;
      return true;
    }
  }
  composeAndPresent();
  return false;
}

std::int64_t msUntilNextTimer() {
  auto& g = wm();
  if (g.timers.empty()) return -1;
  std::uint64_t now = nowMs();
  std::uint64_t next = UINT64_MAX;
  for (const Timer& t : g.timers) next = std::min(next, t.due);
  return next <= now ? 0 : static_cast<std::int64_t>(next - now);
}

// Blocks for input; false when the backend says nothing will ever arrive.
bool waitForInput() {
  auto& g = wm();
  if (!g.backend) return false;
  return g.backend->waitForEvents(msUntilNextTimer());
}

}  // namespace

// ---- Backend input and modal loops ------------------------------------------
bool modalLoopRunning() { return retrievingNested(); }

void enqueueCloseRequest() {
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::Close;
  enqueueRaw(std::move(q));
}

void inputMouseMove(POINT screen) {
  auto& g = wm();
  g.cursor = screen;
  // Moves not yet retrieved collapse into the latest, as on the platform.
  if (!g.queue.empty() && g.queue.back().kind == QueuedMessage::Kind::MouseMove) {
    g.queue.back().screen = screen;
    g.queue.back().msg.pt = screen;
    g.queue.back().msg.time = static_cast<DWORD>(nowMs());
    return;
  }
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::MouseMove;
  q.screen = screen;
  enqueueRaw(std::move(q));
}

void inputMouseButton(POINT screen, MouseButton button, bool down) {
  wm().cursor = screen;
  setKeyDown(button == MouseButton::Left ? VK_LBUTTON : button == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON,
             down);
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::MouseButton;
  q.screen = screen;
  q.button = button;
  q.down = down;
  enqueueRaw(std::move(q));
}

void inputMouseWheel(POINT screen, int delta) {
  wm().cursor = screen;
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::Wheel;
  q.screen = screen;
  q.delta = delta;
  enqueueRaw(std::move(q));
}

void inputKey(UINT virtualKey, bool down, const std::wstring& text) {
  auto& g = wm();
  bool wasDown = virtualKey <= 255 && (g.asyncKeys[virtualKey] & 0x80);
  if (virtualKey) {
    setKeyDown(virtualKey, down);
    // A generic modifier stands for its left-hand key, so the generic state
    // recomputed below keeps it.
    if (virtualKey == VK_SHIFT) setKeyDown(VK_LSHIFT, down);
    if (virtualKey == VK_CONTROL) setKeyDown(VK_LCONTROL, down);
    if (virtualKey == VK_MENU) setKeyDown(VK_LMENU, down);
    updateGenericModifier(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    updateGenericModifier(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    updateGenericModifier(VK_MENU, VK_LMENU, VK_RMENU);
  }
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::Key;
  q.vk = virtualKey;
  q.down = down;
  q.text = text;
  q.delta = wasDown ? 1 : 0;  // the previous-state bit
  enqueueRaw(std::move(q));
}

void inputActivate(HWND hwnd) {
  QueuedMessage q;
  q.kind = QueuedMessage::Kind::Activate;
  q.target = hwnd;
  enqueueRaw(std::move(q));
}

void inputDeactivateApp() { inputActivate(nullptr); }

void inputCloseRequest() { enqueueCloseRequest(); }

void inputHostResized(HWND hostHandle, int clientWidth, int clientHeight, int sizeType) {
  Window* w = windowFromHandle(hostHandle);
  if (!w) return;
  bool minimized = sizeType == SIZE_MINIMIZED;
  w->minimized = minimized;
  w->maximized = sizeType == SIZE_MAXIMIZED;
  if (minimized) {
    RECT c = clientRectOf(w);
    sendTo(w, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(c.right, c.bottom));
    return;
  }
  RECT f = frameOf(w->style, w->exStyle);
  RECT before = clientRectOf(w);
  SetWindowPos(hostHandle, nullptr, 0, 0, clientWidth + f.left + f.right, clientHeight + f.top + f.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A restore to the same size still tells the window it is no longer minimised.
  RECT c = clientRectOf(w);
  if (windowFromHandle(hostHandle) && before.right == c.right && before.bottom == c.bottom)
    sendTo(w, WM_SIZE, static_cast<WPARAM>(sizeType), MAKELPARAM(c.right, c.bottom));
}

void inputHostExposed(HWND hostHandle) {
  Window* w = windowFromHandle(hostHandle);
  if (!w) return;
  markComposeDirty(screenRectOf(w));
}

bool runModalLoop(const std::function<bool()>& done, const std::function<bool(const MSG&)>& filter) {
  auto& g = wm();
  ++g.modalDepth;
  ReleaseCapture();
  bool quit = false;
  while (!done()) {
    MSG m;
    if (!GetMessageW(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      quit = true;
      break;
    }
    if (filter && filter(m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  --g.modalDepth;
  return !quit;
}

bool setClipboardText(const std::wstring& text) {
  auto& g = wm();
  return g.backend ? g.backend->setClipboard(text) : false;
}

std::wstring clipboardText() {
  auto& g = wm();
  return g.backend ? g.backend->clipboard() : std::wstring();
}

}  // namespace vk::platform

// ---- Messages and timers ----------------------------------------------------
using namespace vk::platform;

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (!msg) return FALSE;
  return retrieve(msg, hwnd, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT first, UINT last) {
  if (!msg) return -1;
  auto& g = wm();
  while (!retrieve(msg, hwnd, first, last, true)) {
    if (!waitForInput()) {
      // Nothing can ever arrive (a headless run with no input and no timer):
      // end the loops rather than hang.
      std::fputs("window manager: a message loop would wait forever; quitting\n", stderr);
      g.quitPending = true;
      g.quitCode = 1;
    }
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  auto& g = wm();
  UINT charMessage = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  std::wstring text = (g.lastKeyVk == msg->wParam) ? g.lastKeyText : std::wstring();
  if (text.empty()) {
    bool ctrl = g.messageKeys[VK_CONTROL] & 0x80;
    bool alt = g.messageKeys[VK_MENU] & 0x80;
    switch (msg->wParam) {
      case VK_BACK: text = L"\b"; break;
      case VK_TAB: text = L"\t"; break;
      case VK_RETURN: text = L"\r"; break;
      case VK_ESCAPE: text = L"\x1b"; break;
      default:
        if (ctrl && !alt && msg->wParam >= 'A' && msg->wParam <= 'Z')
          text = std::wstring(1, static_cast<wchar_t>(msg->wParam - 'A' + 1));
    }
  }
  if (text.empty()) return FALSE;
  // The characters come next, before anything queued after the key.
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    QueuedMessage q;
    q.msg = *msg;
    q.msg.message = charMessage;
    q.msg.wParam = static_cast<WPARAM>(*it);
    q.keys = g.messageKeys;
    q.hasKeys = true;
    g.queue.push_front(std::move(q));
  }
  g.lastKeyText.clear();
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  auto& g = wm();
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  Window* w = windowFromHandle(msg->hwnd);
  if (!w) return 0;
  MSG saved = g.current;
  bool savedNested = g.dispatchNested;
  g.current = *msg;
  g.dispatchNested = retrievingNested();
  LRESULT result = callWindow(w, msg->message, msg->wParam, msg->lParam);
  g.current = saved;
  g.dispatchNested = savedNested;
  return result;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(hwnd);
  return w ? callWindow(w, msg, wParam, lParam) : 0;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& g = wm();
  if (hwnd && !windowFromHandle(hwnd)) return FALSE;
  QueuedMessage q;
  q.msg.hwnd = hwnd;
  q.msg.message = msg;
  q.msg.wParam = wParam;
  q.msg.lParam = lParam;
  q.msg.time = static_cast<DWORD>(nowMs());
  q.msg.pt = g.cursor;
  g.queue.push_back(std::move(q));
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto& g = wm();
  g.quitPending = true;
  g.quitCode = exitCode;
}

DWORD GetMessageTime() { return wm().current.time; }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  auto& g = wm();
  if (hwnd && !windowFromHandle(hwnd)) return 0;
  // The platform raises intervals below 10 ms to 10 ms.
  elapse = std::max<UINT>(elapse, 10);
  if (!hwnd) id = ++g.nextTimerId;
  std::uint64_t due = nowMs() + elapse;
  for (Timer& t : g.timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = elapse;
      t.due = due;
      t.proc = proc;
      return hwnd ? (id ? id : 1) : id;
    }
  g.timers.push_back(Timer{hwnd, id, elapse, due, proc});
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& timers = wm().timers;
  auto before = timers.size();
  std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return timers.size() != before ? TRUE : FALSE;
}
