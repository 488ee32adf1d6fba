// Window classes, creation and destruction, window data, relatives,
// geometry, visibility, enabling and z-order.
//
// Sections:
//   - Window manager internals
//   - Classes
//   - Creation and destruction
//   - Window data and relatives
//   - Geometry
#include <algorithm>
#include <cstring>

#include "platform/controls_internal.h"
#include "platform/kernel.h"
#include "platform/window_internal.h"

// ---- Window manager internals -----------------------------------------------
namespace vk::platform {

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

std::shared_ptr<WindowClass> findClass(LPCWSTR name) {
  if (!name) return nullptr;
  auto& classes = wm().classes;
  if (reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (auto& c : classes)
      if (c->atom == atom) return c;
    return nullptr;
  }
  std::wstring key = asciiLowered(name);
  for (auto& c : classes)
    if (c->key == key) return c;
  return nullptr;
}

bool topmostBand(const Window* w) { return (w->exStyle & WS_EX_TOPMOST) != 0; }

bool isOwnedBy(const Window* w, const Window* owner) {
  for (const Window* o = w->owner; o; o = o->owner)
    if (o == owner) return true;
  return false;
}

// Keeps owned windows directly above their owners within each band.
void liftOwned(Window* owner) {
  auto& list = wm().topLevels;
  std::vector<Window*> owned;
  for (Window* t : list)
    if (t != owner && isOwnedBy(t, owner) && topmostBand(t) == topmostBand(owner)) owned.push_back(t);
  if (owned.empty()) return;
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](Window* t) { return std::find(owned.begin(), owned.end(), t) != owned.end(); }),
             list.end());
  auto at = std::find(list.begin(), list.end(), owner);
  list.insert(at, owned.begin(), owned.end());
}

void unlink(Window* w) {
  auto& list = w->parent ? w->parent->children : wm().topLevels;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

void placeTopLevel(Window* w) {
  auto& list = wm().topLevels;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
  // The top of w's band: after every topmost window when w is not topmost.
  auto at = list.begin();
  if (!topmostBand(w))
    while (at != list.end() && topmostBand(*at)) ++at;
  list.insert(at, w);
  liftOwned(w);
}

void sendSizeMessages(Window* w, bool sized, bool moved) {
  if (sized) {
    RECT c = clientRectOf(w);
    WPARAM type = w->minimized ? SIZE_MINIMIZED : (w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
    sendTo(w, WM_SIZE, type, MAKELPARAM(c.right, c.bottom));
  }
  if (moved) {
    RECT f = frameOf(w->style, w->exStyle);
    sendTo(w, WM_MOVE, 0, MAKELPARAM(w->rect.left + f.left, w->rect.top + f.top));
  }
}

// Marks the area a window covers (in its parent, or on the screen) for
// repainting after it moved, resized or was hidden.
void exposeArea(Window* w) {
  if (w->parent) {
    if (isVisibleThrough(w->parent)) invalidateWindow(w->parent, &w->rect, true, false);
  } else {
    markComposeDirty(screenRectOf(w));
  }
}

void freeWindowObject(Window* w) {
  auto& g = wm();
  auto object = g.windows.remove(w->handle);
  w->destroyed = true;
  if (!object) return;
  if (w->callDepth > 0) g.graveyard.push_back(std::move(object));
}

// Who becomes active when the active window goes: its owner, else the
// highest other top-level; never a hidden, disabled or no-activate one.
Window* nextActiveAfter(Window* w) {
  auto eligible = [w](Window* t) {
    return t && t != w && !t->destroying && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED) &&
           !(t->exStyle & WS_EX_NOACTIVATE);
  };
  if (eligible(w->owner)) return w->owner;
  for (Window* t : wm().topLevels)
    if (eligible(t)) return t;
  return nullptr;
}

void destroyTree(Window* w);

std::vector<HWND> handlesOf(const std::vector<Window*>& list) {
  std::vector<HWND> out;
  out.reserve(list.size());
  for (Window* w : list) out.push_back(w->handle);
  return out;
}

void sendDestroy(Window* w) {
  if (w->destroySent) return;
  w->destroySent = true;
  w->destroying = true;
  sendTo(w, WM_DESTROY, 0, 0);
  for (HWND h : handlesOf(w->children))
    if (Window* c = windowFromHandle(h)) sendDestroy(c);
}

void sendNcDestroy(Window* w) {
  if (w->ncDestroySent) return;
  w->ncDestroySent = true;
  w->destroying = true;
  for (HWND h : handlesOf(w->children))
    if (Window* c = windowFromHandle(h)) sendNcDestroy(c);
  sendTo(w, WM_NCDESTROY, 0, 0);
  auto& g = wm();
  removeWindowTimers(w);
  forgetWindowInput(w);
  for (Window* c : w->children) c->parent = nullptr;
  w->children.clear();
  if (w->parent) {
    auto& list = w->parent->children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
  } else {
    auto& list = g.topLevels;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
  }
  for (Window* t : g.topLevels)
    if (t->owner == w) t->owner = nullptr;
  if (g.host == w) {
    if (g.backend) g.backend->destroySurface(w->handle);
    g.host = nullptr;
  }
  freeWindowObject(w);
}

void destroyTree(Window* w) {
  auto& g = wm();
  if (w->destroying) return;
  w->destroying = true;
  bool wasVisible = isVisibleThrough(w);
  // Owned windows go first, as they cannot outlive their owner.
  if (!w->parent) {
    std::vector<HWND> owned;
    for (Window* t : g.topLevels)
      if (t->owner == w) owned.push_back(t->handle);
    for (HWND h : owned)
      if (Window* o = windowFromHandle(h); o && !o->destroying) destroyTree(o);
  }
  releaseCaptureOf(w);
  if (wasVisible) exposeArea(w);
  w->style &= ~WS_VISIBLE;
  HWND handle = w->handle;
  if (g.active == w) {
    activateWindow(nextActiveAfter(w), WA_ACTIVE);
    if (g.active == w) g.active = nullptr;
  }
  for (Window* f = g.focus; f; f = f->parent)
    if (f == w) {
      Window* lost = g.focus;
      g.focus = nullptr;
      sendTo(lost, WM_KILLFOCUS, 0, 0);
      break;
    }
  // The messages above may have destroyed it already (with an ancestor).
  if (windowFromHandle(handle) != w) return;
  sendDestroy(w);
  if (windowFromHandle(handle) == w) sendNcDestroy(w);
}

}  // namespace

void bringToTop(Window* w) {
  if (!w) return;
  if (w->parent) {
    auto& list = w->parent->children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    list.insert(list.begin(), w);
    return;
  }
  placeTopLevel(w);
  markComposeDirty(screenRectOf(w));
}

Window* windowFromHandle(HWND hwnd) {
  Window* w = wm().windows.get(hwnd);
  return (w && !w->destroyed) ? w : nullptr;
}

Window* topLevelOf(Window* w) {
  while (w && w->parent) w = w->parent;
  return w;
}

bool isVisibleThrough(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool isEnabledThrough(const Window* w) {
  for (; w; w = w->parent)
    if (w->style & WS_DISABLED) return false;
  return true;
}

RECT frameOf(DWORD style, DWORD exStyle) {
  RECT f{};
  if ((style & WS_CAPTION) == WS_CAPTION) {
    // Sides and bottom 8 px, caption 31 px: a 1500 x 860 window has a
    // 1484 x 821 client area, as the layout expects.
    f = RECT{8, 31, 8, 8};
  } else if (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) {
    f = RECT{1, 1, 1, 1};
  }
  if (exStyle & WS_EX_DLGMODALFRAME && (style & WS_CAPTION) != WS_CAPTION) f = RECT{3, 3, 3, 3};
  if (exStyle & WS_EX_CLIENTEDGE) {
    f.left += 2;
    f.top += 2;
    f.right += 2;
    f.bottom += 2;
  }
  return f;
}

RECT clientRectOf(const Window* w) {
  RECT f = frameOf(w->style, w->exStyle);
  int width = (w->rect.right - w->rect.left) - f.left - f.right;
  int height = (w->rect.bottom - w->rect.top) - f.top - f.bottom;
  return RECT{0, 0, std::max(0, width), std::max(0, height)};
}

RECT screenRectOf(const Window* w) {
  if (w->parent) {
    RECT pc = clientScreenRectOf(w->parent);
    RECT r = w->rect;
    OffsetRect(&r, pc.left, pc.top);
    return r;
  }
  RECT r = w->rect;
  const Window* host = wm().host;
  if (host && host != w) {
    RECT hc = clientScreenRectOf(host);
    int width = r.right - r.left, height = r.bottom - r.top;
    int x = std::max<int>(hc.left, std::min<int>(r.left, hc.right - width));
    int y = std::max<int>(hc.top, std::min<int>(r.top, hc.bottom - height));
    r = RECT{x, y, x + width, y + height};
  }
  return r;
}

RECT clientScreenRectOf(const Window* w) {
  RECT r = screenRectOf(w);
  RECT f = frameOf(w->style, w->exStyle);
  RECT c = clientRectOf(w);
  return RECT{r.left + f.left, r.top + f.top, r.left + f.left + c.right, r.top + f.top + c.bottom};
}

POINT storeOriginOf(const Window* w) {
  const Window* top = w;
  while (top->parent) top = top->parent;
  RECT topScreen = screenRectOf(top);
  RECT c = clientScreenRectOf(w);
  return POINT{c.left - topScreen.left, c.top - topScreen.top};
}

LRESULT sendTo(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w || w->destroyed) return 0;
  return callWindow(w, msg, wParam, lParam);
}

void releaseCall(Window* w) {
  auto& g = wm();
  --w->callDepth;
  --g.dispatchDepth;
  if (w->callDepth == 0) {
    if (w->subclassCalls.empty())
      std::erase_if(w->subclasses, [](const auto& e) { return e->removed; });
    if (w->destroyed)
      std::erase_if(g.graveyard, [w](const std::unique_ptr<Window>& p) { return p.get() == w; });
  }
}

LRESULT callWindow(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& g = wm();
  ++w->callDepth;
  ++g.dispatchDepth;
  LRESULT result = 0;
  HWND hwnd = w->handle;
  // The newest subclass runs first; DefSubclassProc walks down the chain.
  SubclassEntry* top = nullptr;
  for (auto it = w->subclasses.rbegin(); it != w->subclasses.rend(); ++it)
    if (!(*it)->removed) {
      top = it->get();
      break;
    }
  if (top) {
    w->subclassCalls.push_back(top);
    result = top->proc(hwnd, msg, wParam, lParam, top->id, top->refData);
    w->subclassCalls.pop_back();
  } else if (w->proc) {
    result = w->proc(hwnd, msg, wParam, lParam);
  } else {
    result = DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  releaseCall(w);
  return result;
}

void resetWindowManager() {
  auto& g = wm();
  std::vector<HWND> handles;
  for (Window* t : g.topLevels) handles.push_back(t->handle);
  for (HWND h : handles) DestroyWindow(h);
  auto backend = std::move(g.backend);
  // The handle tables stay, so handles of an earlier run stay stale.
  auto windows = std::move(g.windows);
  auto icons = std::move(g.icons);
  g.~WindowManager();
  new (&g) WindowManager();
  g.backend = std::move(backend);
  g.windows = std::move(windows);
  g.icons = std::move(icons);
  std::vector<std::uintptr_t> stale;
  g.icons.forEach([&](std::uintptr_t handle, IconObject&) { stale.push_back(handle); });
  for (std::uintptr_t h : stale) g.icons.remove(h);
  registerBuiltinClasses();
}

}  // namespace vk::platform

using namespace vk::platform;

// ---- Classes ------------------------------------------------------------------

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || !wc->lpszClassName || reinterpret_cast<std::uintptr_t>(wc->lpszClassName) <= 0xFFFF)
    return 0;
  if (findClass(wc->lpszClassName)) return 0;
  auto& g = wm();
  auto c = std::make_shared<WindowClass>();
  c->name = wc->lpszClassName;
  c->key = vk::asciiLowered(c->name);
  c->info = *wc;
  c->info.lpszClassName = nullptr;
  c->atom = static_cast<ATOM>(0xC000 + g.classes.size());
  g.classes.push_back(c);
  return c->atom;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* out) {
  auto c = findClass(className);
  if (!c || !out) return FALSE;
  *out = c->info;
  out->lpszClassName = c->name.c_str();
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int size) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = std::min<int>(size - 1, static_cast<int>(w->cls->name.size()));
  std::copy_n(w->cls->name.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

// ---- Creation and destruction ----------------------------------------------------

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parentHandle, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  auto& g = wm();
  auto cls = findClass(className);
  if (!cls) return nullptr;
  Window* parent = nullptr;
  Window* owner = nullptr;
  if (style & WS_CHILD) {
    parent = windowFromHandle(parentHandle);
    if (!parent || parent->destroying) return nullptr;
  } else if (parentHandle) {
    owner = topLevelOf(windowFromHandle(parentHandle));
    if (!owner || owner->destroying) return nullptr;
  }
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) {
    width = parent ? 0 : kDefaultWidth;
    height = parent ? 0 : kDefaultHeight;
  }
  auto object = std::make_unique<Window>();
  Window* w = object.get();
  w->cls = cls;
  w->proc = cls->info.lpfnWndProc;
  w->style = style;
  w->exStyle = exStyle;
  w->text = title ? title : L"";
  w->id = parent ? reinterpret_cast<UINT_PTR>(menu) : 0;
  w->instance = instance;
  w->extra.assign(std::max(0, cls->info.cbWndExtra), 0);
  w->parent = parent;
  w->owner = owner;
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  std::uintptr_t value = g.windows.add(std::move(object));
  if (!value) return nullptr;
  w->handle = reinterpret_cast<HWND>(value);
  HWND hwnd = w->handle;
  bool visible = (style & WS_VISIBLE) != 0;
  w->style &= ~WS_VISIBLE;
  if (parent) {
    parent->children.push_back(w);  // first created stays on top
  } else {
    placeTopLevel(w);
    if (!g.host) {
      g.host = w;
      RECT c = clientRectOf(w);
      if (g.backend) g.backend->createSurface(hwnd, c.right, c.bottom, w->text);
    }
    resizeStore(w);
  }

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parentHandle;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = title;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  w->created = true;
  if (!sendTo(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (windowFromHandle(hwnd)) {
      w->destroying = true;
      sendNcDestroy(w);
    }
    return nullptr;
  }
  if (!windowFromHandle(hwnd)) return nullptr;
  if (sendTo(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!windowFromHandle(hwnd)) return nullptr;
  sendSizeMessages(w, true, true);
  if (!windowFromHandle(hwnd)) return nullptr;
  if (visible) ShowWindow(hwnd, (exStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return windowFromHandle(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  if (!w || w->destroying) return FALSE;
  destroyTree(w);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return windowFromHandle(hwnd) != nullptr; }

// ---- Window data and relatives ---------------------------------------------------

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle : (w->owner ? w->owner->handle : nullptr));
    case GWLP_ID: return static_cast<LONG_PTR>(w->id);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: break;
  }
  if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
  LONG_PTR value;
  std::memcpy(&value, w->extra.data() + index, sizeof value);
  return value;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtrW(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); return old;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWLP_ID: w->id = static_cast<UINT_PTR>(value); return old;
    case GWLP_USERDATA: w->userData = value; return old;
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); return old;
    case GWL_STYLE: {
      // Visibility and enabling keep their own calls; frame changes repaint.
      DWORD keep = w->style & (WS_VISIBLE | WS_DISABLED);
      w->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED)) | keep;
      return old;
    }
    case GWLP_HWNDPARENT: return old;
    default: break;
  }
  if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
  std::memcpy(w->extra.data() + index, &value, sizeof value);
  return old;
}

LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrW(hwnd, index)); }
LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, value));
}

HWND GetParent(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return nullptr;
  if (w->parent) return w->parent->handle;
  return w->owner ? w->owner->handle : nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent->handle : nullptr;
    case GA_ROOT: return topLevelOf(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = topLevelOf(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (cmd == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
  const auto& list = w->parent ? w->parent->children : wm().topLevels;
  auto it = std::find(list.begin(), list.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return list.front()->handle;
    case GW_HWNDLAST: return list.back()->handle;
    case GW_HWNDNEXT: return (it + 1 != list.end()) ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV: return (it != list.begin()) ? (*(it - 1))->handle : nullptr;
    default: return nullptr;
  }
}

HWND GetDlgItem(HWND parent, int id) {
  Window* p = windowFromHandle(parent);
  if (!p) return nullptr;
  for (Window* c : p->children)
    if (static_cast<int>(c->id) == id) return c->handle;
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  return (w && w->parent) ? static_cast<int>(w->id) : 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  return sendTo(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  buffer[0] = 0;
  return static_cast<int>(sendTo(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  return w ? static_cast<int>(sendTo(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

// ---- Geometry ------------------------------------------------------------------

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = clientRectOf(w);
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = screenRectOf(w);
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !pt) return FALSE;
  RECT c = clientScreenRectOf(w);
  pt->x -= c.left;
  pt->y -= c.top;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !pt) return FALSE;
  RECT c = clientScreenRectOf(w);
  pt->x += c.left;
  pt->y += c.top;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{}, b{};
  if (from) {
    Window* w = windowFromHandle(from);
    if (!w) return 0;
    RECT c = clientScreenRectOf(w);
    a = POINT{c.left, c.top};
  }
  if (to) {
    Window* w = windowFromHandle(to);
    if (!w) return 0;
    RECT c = clientScreenRectOf(w);
    b = POINT{c.left, c.top};
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT f = frameOf(style, exStyle);
  rect->left -= f.left;
  rect->top -= f.top;
  rect->right += f.right;
  rect->bottom += f.bottom;
  return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = windowFromHandle(hwnd);
  if (!w || w->destroying) return FALSE;
  auto& g = wm();
  RECT old = w->rect;
  RECT oldClient = clientRectOf(w);
  RECT next = old;
  if (!(flags & SWP_NOMOVE)) OffsetRect(&next, x - old.left, y - old.top);
  if (!(flags & SWP_NOSIZE)) {
    next.right = next.left + std::max(0, cx);
    next.bottom = next.top + std::max(0, cy);
  }
  bool moved = next.left != old.left || next.top != old.top;
  bool sized = (next.right - next.left) != (old.right - old.left) ||
               (next.bottom - next.top) != (old.bottom - old.top);
  bool visible = isVisibleThrough(w);
  if ((moved || sized) && visible && !(flags & SWP_NOREDRAW)) exposeArea(w);
  w->rect = next;
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST && !w->parent) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST && !w->parent) w->exStyle &= ~WS_EX_TOPMOST;
    if (insertAfter == HWND_BOTTOM) {
      unlink(w);
      (w->parent ? w->parent->children : g.topLevels).push_back(w);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
      bringToTop(w);
    } else if (Window* after = windowFromHandle(insertAfter); after && after->parent == w->parent && after != w) {
      unlink(w);
      auto& list = w->parent ? w->parent->children : g.topLevels;
      list.insert(std::find(list.begin(), list.end(), after) + 1, w);
    }
    // Parts that were covered may show now.
    if (visible && w->parent) invalidateWindow(w, nullptr, true, true);
    else if (visible) markComposeDirty(screenRectOf(w));
  }
  if (sized && !w->parent) resizeStore(w);
  if (sized && w == g.host && g.backend) {
    RECT c = clientRectOf(w);
    g.backend->resizeSurface(w->handle, c.right, c.bottom);
  }
  if ((moved || sized) && visible && !(flags & SWP_NOREDRAW)) {
    if (sized) invalidateWindow(w, nullptr, true, true);
    else if (w->parent) invalidateWindow(w, nullptr, true, true);
    else markComposeDirty(screenRectOf(w));
  }
  RECT newClient = clientRectOf(w);
  bool clientSized = newClient.right != oldClient.right || newClient.bottom != oldClient.bottom;
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  if (!windowFromHandle(hwnd)) return TRUE;
  if (!w->parent && !(flags & SWP_NOACTIVATE) && !(flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE) &&
      !(w->exStyle & WS_EX_NOACTIVATE))
    activateWindow(w, WA_ACTIVE);
  if (windowFromHandle(hwnd)) sendSizeMessages(w, clientSized, moved);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) {
  Window* w = windowFromHandle(hwnd);
  if (!w || w->destroying) return FALSE;
  auto& g = wm();
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (command == SW_HIDE) {
    if (!wasVisible) return FALSE;
    sendTo(w, WM_SHOWWINDOW, FALSE, 0);
    if (!windowFromHandle(hwnd)) return TRUE;
    releaseCaptureOf(w);
    bool shown = isVisibleThrough(w);
    w->style &= ~WS_VISIBLE;
    if (shown) exposeArea(w);
    if (w == g.host && g.backend) g.backend->showSurface(hwnd, false);
    if (g.active == w) activateWindow(nextActiveAfter(w), WA_ACTIVE);
    return TRUE;
  }
  bool sizeChange = false;
  if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
    sizeChange = !w->minimized;
    w->minimized = true;
  } else if (command == SW_SHOWMAXIMIZED) {
    sizeChange = !w->maximized || w->minimized;
    w->maximized = true;
    w->minimized = false;
  } else if (command == SW_RESTORE || command == SW_SHOWNORMAL) {
    sizeChange = w->minimized || w->maximized;
    w->minimized = w->maximized = false;
  }
  if (!wasVisible) {
    sendTo(w, WM_SHOWWINDOW, TRUE, 0);
    if (!windowFromHandle(hwnd)) return FALSE;
    w->style |= WS_VISIBLE;
    if (w == g.host && g.backend) g.backend->showSurface(hwnd, true);
    if (!w->parent) drawFrame(w);
    if (isVisibleThrough(w)) invalidateWindow(w, nullptr, true, true);
  }
  bool activate = !w->parent && !(w->exStyle & WS_EX_NOACTIVATE) && command != SW_SHOWNA &&
                  command != SW_SHOWNOACTIVATE && command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
  if (activate) activateWindow(w, WA_ACTIVE);
  if (sizeChange && windowFromHandle(hwnd)) sendSizeMessages(w, true, false);
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  return (w && isVisibleThrough(w)) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    sendTo(w, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    sendTo(w, WM_CANCELMODE, 0, 0);
    if (!windowFromHandle(hwnd)) return wasDisabled;
    w->style |= WS_DISABLED;
    // A disabled window cannot keep the focus or the capture.
    auto& g = wm();
    for (Window* f = g.focus; f; f = f->parent)
      if (f == w) {
        SetFocus(nullptr);
        break;
      }
    releaseCaptureOf(w);
    if (windowFromHandle(hwnd)) sendTo(w, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}
