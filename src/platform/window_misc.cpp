// Subclassing, icons and cursors, monitors and system metrics.
#include <algorithm>

#include "platform/window_internal.h"

using namespace vk::platform;

namespace {

SubclassEntry* findSubclass(Window* w, SUBCLASSPROC proc, UINT_PTR id) {
  for (auto& e : w->subclasses)
    if (!e->removed && e->proc == proc && e->id == id) return e.get();
  return nullptr;
}

HICON loadPredefined(LPCWSTR name, bool cursor) {
  auto value = reinterpret_cast<std::uintptr_t>(name);
  if (value == 0 || value > 0xFFFF) return nullptr;
  int id = static_cast<int>(value);
  bool known = cursor ? (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32650)
                      : (id >= 32512 && id <= 32518);
  if (!known) return nullptr;
  auto& g = wm();
  int key = cursor ? -id : id;
  for (auto& [k, handle] : g.loadedIcons)
    if (k == key) return handle;
  auto object = std::make_unique<IconObject>();
  object->resourceId = id;
  object->cursor = cursor;
  HICON handle = reinterpret_cast<HICON>(g.icons.add(std::move(object)));
  g.loadedIcons.emplace_back(key, handle);
  return handle;
}

HMONITOR theMonitor() {
  // One display: the virtual screen.
  return reinterpret_cast<HMONITOR>((std::uintptr_t{1} << 32) | (std::uintptr_t{kTagMonitor} << 24) | 1);
}

RECT screenRect() {
  auto& g = wm();
  return RECT{0, 0, static_cast<LONG>(g.screenWidth), static_cast<LONG>(g.screenHeight)};
}

RECT workArea() {
  auto& g = wm();
  if (g.workAreaSet) return g.workArea;
  if (g.host) return clientScreenRectOf(g.host);
  return screenRect();
}

}  // namespace

namespace vk::platform {

RECT clampWindowToBounds(const RECT& window, const RECT& bounds) {
  const long long boundsWidth = 0LL + bounds.right - bounds.left;
  const long long boundsHeight = 0LL + bounds.bottom - bounds.top;
  if (boundsWidth <= 0 || boundsHeight <= 0) return window;
  const long long width = std::clamp(0LL + window.right - window.left, 0LL, boundsWidth);
  const long long height = std::clamp(0LL + window.bottom - window.top, 0LL, boundsHeight);
  const long long left = std::clamp(0LL + window.left, 0LL + bounds.left, bounds.right - width);
  const long long top = std::clamp(0LL + window.top, 0LL + bounds.top, bounds.bottom - height);
  return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
              static_cast<LONG>(top + height)};
}

}  // namespace vk::platform

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !proc) return FALSE;
  if (SubclassEntry* e = findSubclass(w, proc, id)) {
    e->refData = refData;
    return TRUE;
  }
  auto e = std::make_shared<SubclassEntry>();
  e->proc = proc;
  e->id = id;
  e->refData = refData;
  w->subclasses.push_back(std::move(e));
  return TRUE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
  Window* w = windowFromHandle(hwnd);
  SubclassEntry* e = w ? findSubclass(w, proc, id) : nullptr;
  if (!e) return FALSE;
  // Entries stay (flagged) while a call may still walk past them.
  e->removed = true;
  if (w->callDepth == 0) std::erase_if(w->subclasses, [](const auto& s) { return s->removed; });
  return TRUE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return 0;
  if (w->subclassCalls.empty()) return w->proc ? w->proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
  SubclassEntry* current = w->subclassCalls.back();
  auto it = std::find_if(w->subclasses.begin(), w->subclasses.end(),
                         [current](const auto& e) { return e.get() == current; });
  SubclassEntry* next = nullptr;
  while (it != w->subclasses.begin()) {
    --it;
    if (!(*it)->removed) {
      next = it->get();
      break;
    }
  }
  if (!next) {
    // The window procedure runs outside the chain: a message it sends
    // back to itself starts again at the newest subclass.
    std::vector<SubclassEntry*> saved;
    saved.swap(w->subclassCalls);
    LRESULT r = w->proc ? w->proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    if (Window* again = windowFromHandle(hwnd); again == w || (w->destroyed && again == nullptr)) w->subclassCalls.swap(saved);
    return r;
  }
  w->subclassCalls.push_back(next);
  LRESULT r = next->proc(hwnd, msg, wParam, lParam, next->id, next->refData);
  w->subclassCalls.pop_back();
  return r;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  // The executable carries no resources: only the predefined icons load.
  if (instance) return nullptr;
  return loadPredefined(name, false);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (instance) return nullptr;
  return loadPredefined(name, true);
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& g = wm();
  HCURSOR old = g.currentCursor;
  if (cursor == old) return old;
  g.currentCursor = cursor;
  IconObject* object = g.icons.get(cursor);
  if (g.backend) g.backend->setCursorShape(object ? object->resourceId : 0);
  return old;
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  RECT s = screenRect();
  bool inside = pt.x >= s.left && pt.x < s.right && pt.y >= s.top && pt.y < s.bottom;
  if (!inside && flags == MONITOR_DEFAULTTONULL) return nullptr;
  return theMonitor();
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  Window* w = windowFromHandle(hwnd);
  if (!w && flags == MONITOR_DEFAULTTONULL) return nullptr;
  return theMonitor();
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != theMonitor() || !info) return FALSE;
  info->rcMonitor = screenRect();
  info->rcWork = workArea();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

int GetSystemMetrics(int index) {
  auto& g = wm();
  switch (index) {
    case SM_CXSCREEN: return static_cast<int>(g.screenWidth);
    case SM_CYSCREEN: return static_cast<int>(g.screenHeight);
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXFRAME:
    case SM_CYFRAME: return 8;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    default: return 0;
  }
}

BOOL SystemParametersInfoW(UINT action, UINT, void* data, UINT) {
  if (action != SPI_GETWORKAREA || !data) return FALSE;
  *static_cast<RECT*>(data) = workArea();
  return TRUE;
}
