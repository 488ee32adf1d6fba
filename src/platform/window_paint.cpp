// Painting: update rectangles, paint and window DCs over each top-level's
// retained backing store, and the composition of the top-levels into the
// host's client area.
//
// Sections:
//   - Window DCs and clipping
//   - Invalidation, frames and composition
//   - Paint calls
#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/palette.h"
#include "platform/text.h"
#include "platform/kernel.h"
#include "platform/window_internal.h"

namespace vk::platform {

// ---- Window DCs and clipping ------------------------------------------------
namespace {

enum class ChildMode { Default, All, None };

// Pixels a DC must not touch (clip-children and clip-siblings), saved when
// the DC is made and put back when it is released: the DC clips to one
// rectangle, the visible region is that rectangle minus these.
struct SavedArea {
  RECT rect{};
  std::vector<std::uint32_t> pixels;
};
struct WindowDc {
  HDC dc = nullptr;
  HWND window = nullptr;
  Window* top = nullptr;
  HWND topHandle = nullptr;
  std::vector<SavedArea> saved;
  RECT screenArea{};
};

std::vector<WindowDc>& openDcs() {
  static std::vector<WindowDc> dcs;
  return dcs;
}

RECT intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return RECT{};
  return r;
}

bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT unite(const RECT& a, const RECT& b) {
  if (empty(a)) return b;
  if (empty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

Surface storeSurface(Window* top) {
  return Surface{top->store.data(), top->storeWidth, top->storeHeight, top->storeWidth};
}

// The window's client area in store coordinates, clipped by its ancestors.
RECT visibleClientInStore(const Window* w) {
  POINT o = storeOriginOf(w);
  RECT c = clientRectOf(w);
  RECT r{o.x, o.y, o.x + c.right, o.y + c.bottom};
  for (const Window* a = w->parent; a; a = a->parent) {
    POINT ao = storeOriginOf(a);
    RECT ac = clientRectOf(a);
    r = intersect(r, RECT{ao.x, ao.y, ao.x + ac.right, ao.y + ac.bottom});
  }
  return r;
}

RECT windowRectInStore(const Window* w) {
  const Window* top = w;
  while (top->parent) top = top->parent;
  RECT topScreen = screenRectOf(top);
  RECT r = screenRectOf(w);
  OffsetRect(&r, -topScreen.left, -topScreen.top);
  return r;
}

// A window (and everything in it) that is about to repaint all of its
// pixels needs none of them kept.
bool repaintsWholly(const Window* w) {
  RECT f = frameOf(w->style, w->exStyle);
  if (!w->needsPaint || f.left || f.top || f.right || f.bottom) return false;
  RECT c = clientRectOf(w);
  const RECT& u = w->update;
  if (u.left > 0 || u.top > 0 || u.right < c.right || u.bottom < c.bottom) return false;
  for (const Window* child : w->children)
    if ((child->style & WS_VISIBLE) && !repaintsWholly(child)) return false;
  return true;
}

void excludedAreas(const Window* w, const RECT& clip, std::vector<RECT>& out) {
  if (w->style & WS_CLIPCHILDREN)
    for (const Window* c : w->children)
      if ((c->style & WS_VISIBLE) && !repaintsWholly(c)) out.push_back(intersect(windowRectInStore(c), clip));
  for (const Window* a = w; a->parent; a = a->parent) {
    if (!(a->style & WS_CLIPSIBLINGS)) continue;
    for (const Window* s : a->parent->children) {
      if (s == a) break;  // siblings below do not clip
      if ((s->style & WS_VISIBLE) && !repaintsWholly(s)) out.push_back(intersect(windowRectInStore(s), clip));
    }
  }
  std::erase_if(out, [](const RECT& r) { return empty(r); });
}

HDC openWindowDc(Window* w, const RECT* limitClient) {
  Window* top = topLevelOf(w);
  if (top->store.empty()) resizeStore(top);
  RECT clip = visibleClientInStore(w);
  POINT origin = storeOriginOf(w);
  if (limitClient) {
    RECT limit = *limitClient;
    OffsetRect(&limit, origin.x, origin.y);
    clip = intersect(clip, limit);
  }
  clip = intersect(clip, RECT{0, 0, top->storeWidth, top->storeHeight});
  static std::uint32_t spare = 0;
  Surface surface = storeSurface(top);
  if (top->store.empty()) surface = Surface{&spare, 1, 1, 1};
  HDC dc = createSurfaceDC(surface, origin, clip);
  if (!dc) return nullptr;
  WindowDc record;
  record.dc = dc;
  record.window = w->handle;
  record.top = top;
  record.topHandle = top->handle;
  std::vector<RECT> excluded;
  excludedAreas(w, clip, excluded);
  for (const RECT& r : excluded) {
    SavedArea area;
    area.rect = r;
    int width = r.right - r.left;
    area.pixels.resize(static_cast<std::size_t>(width) * (r.bottom - r.top));
    for (int y = r.top; y < r.bottom; ++y)
      std::memcpy(&area.pixels[static_cast<std::size_t>(y - r.top) * width],
                  &top->store[static_cast<std::size_t>(y) * top->storeWidth + r.left], sizeof(std::uint32_t) * width);
    record.saved.push_back(std::move(area));
  }
  RECT topScreen = screenRectOf(top);
  record.screenArea = clip;
  OffsetRect(&record.screenArea, topScreen.left, topScreen.top);
  openDcs().push_back(std::move(record));
  return dc;
}

bool closeWindowDc(HDC dc) {
  auto& dcs = openDcs();
  auto it = std::find_if(dcs.begin(), dcs.end(), [dc](const WindowDc& r) { return r.dc == dc; });
  if (it == dcs.end()) return false;
  // The top-level may have been resized or destroyed while the DC was out.
  Window* top = windowFromHandle(it->topHandle) == it->top ? it->top : nullptr;
  if (top) {
    for (const SavedArea& area : it->saved) {
      const RECT& r = area.rect;
      if (r.right > top->storeWidth || r.bottom > top->storeHeight) continue;
      int width = r.right - r.left;
      for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(&top->store[static_cast<std::size_t>(y) * top->storeWidth + r.left],
                    &area.pixels[static_cast<std::size_t>(y - r.top) * width], sizeof(std::uint32_t) * width);
    }
    markComposeDirty(it->screenArea);
  }
  dcs.erase(it);
  DeleteDC(dc);
  return true;
}

void invalidateTree(Window* w, const RECT* rect, bool erase, ChildMode mode) {
  if (!isVisibleThrough(w)) return;
  RECT client = clientRectOf(w);
  RECT r = rect ? intersect(*rect, client) : client;
  if (!empty(r) || !rect) {
    w->update = unite(w->update, r);
    w->needsPaint = true;
    w->needsErase = w->needsErase || erase;
  }
  if (empty(r)) return;
  bool toChildren = mode == ChildMode::All || (mode == ChildMode::Default && !(w->style & WS_CLIPCHILDREN));
  if (!toChildren) return;
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    RECT inChild = intersect(r, c->rect);
    if (empty(inChild)) continue;
    RECT f = frameOf(c->style, c->exStyle);
    OffsetRect(&inChild, -(c->rect.left + f.left), -(c->rect.top + f.top));
    invalidateTree(c, &inChild, erase, mode == ChildMode::All ? ChildMode::All : ChildMode::Default);
  }
}

void validate(Window* w, const RECT* rect) {
  if (!rect) {
    clearPaintState(w);
    return;
  }
  RECT r = intersect(*rect, clientRectOf(w));
  const RECT& u = w->update;
  if (r.left <= u.left && r.top <= u.top && r.right >= u.right && r.bottom >= u.bottom) clearPaintState(w);
}

Window* findPaintIn(Window* w) {
  if (!(w->style & WS_VISIBLE)) return nullptr;
  if (w->needsPaint) return w;
  for (Window* c : w->children)
    if (Window* found = findPaintIn(c)) return found;
  return nullptr;
}

void drawCaptionText(Window* top, const RECT& frame) {
  Surface surface = storeSurface(top);
  RECT clip{frame.left, 1, top->storeWidth - frame.right, frame.top};
  HDC dc = createSurfaceDC(surface, POINT{0, 0}, clip);
  if (!dc) return;
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextCaption);
  RECT text{frame.left + 4, 1, top->storeWidth - frame.right - 4, frame.top};
  DrawTextW(dc, top->text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  DeleteDC(dc);
}

}  // namespace

// ---- Invalidation, frames and composition -----------------------------------
void invalidateWindow(Window* w, const RECT* rect, bool erase, bool allChildren) {
  invalidateTree(w, rect, erase, allChildren ? ChildMode::All : ChildMode::Default);
}

void clearPaintState(Window* w) {
  w->needsPaint = false;
  w->needsErase = false;
  w->update = RECT{};
}

void resizeStore(Window* top) {
  int width = std::max<int>(1, top->rect.right - top->rect.left);
  int height = std::max<int>(1, top->rect.bottom - top->rect.top);
  if (width == top->storeWidth && height == top->storeHeight) return;
  std::vector<std::uint32_t> next(static_cast<std::size_t>(width) * height, 0);
  // Keep what is still valid so a resize shows no black band before repainting.
  int copyW = std::min(width, top->storeWidth), copyH = std::min(height, top->storeHeight);
  for (int y = 0; y < copyH; ++y)
    std::memcpy(&next[static_cast<std::size_t>(y) * width], &top->store[static_cast<std::size_t>(y) * top->storeWidth],
                sizeof(std::uint32_t) * copyW);
  top->store = std::move(next);
  top->storeWidth = width;
  top->storeHeight = height;
  drawFrame(top);
}

void drawFrame(Window* top) {
  if (top->store.empty()) return;
  RECT f = frameOf(top->style, top->exStyle);
  if (f.left == 0 && f.top == 0 && f.right == 0 && f.bottom == 0) return;
  const std::uint32_t border = 0x3A4250;
  const std::uint32_t caption = wm().active == top ? 0x24324A : 0x1E242E;
  int w = top->storeWidth, h = top->storeHeight;
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = &top->store[static_cast<std::size_t>(y) * w];
    bool inCaption = y >= 1 && y < f.top && f.top > 8;
    for (int x = 0; x < w; ++x) {
      bool inside = x >= f.left && x < w - f.right && y >= f.top && y < h - f.bottom;
      if (inside) continue;
      bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      row[x] = (inCaption && !edge) ? caption : border;
    }
  }
  if (f.top > 8) drawCaptionText(top, f);
  markComposeDirty(screenRectOf(top));
}

void markComposeDirty(const RECT& screenRect) {
  auto& g = wm();
  if (!g.host) return;
  RECT hc = clientScreenRectOf(g.host);
  RECT r = intersect(screenRect, hc);
  if (empty(r)) return;
  OffsetRect(&r, -hc.left, -hc.top);
  g.screenDirty = unite(g.screenDirty, r);
}

void composeAndPresent() {
  auto& g = wm();
  Window* host = g.host;
  if (!host || empty(g.screenDirty)) return;
  RECT hc = clientScreenRectOf(host);
  int width = hc.right - hc.left, height = hc.bottom - hc.top;
  if (width != g.screenW || height != g.screenH) {
    g.screen.assign(static_cast<std::size_t>(std::max(1, width)) * std::max(1, height), 0);
    g.screenW = width;
    g.screenH = height;
    g.screenDirty = RECT{0, 0, width, height};
  }
  RECT dirty = intersect(g.screenDirty, RECT{0, 0, width, height});
  g.screenDirty = RECT{};
  if (empty(dirty)) return;
  // Bottom of the z-order first; the host is the bottom of everything.
  std::vector<Window*> layers{host};
  for (auto it = g.topLevels.rbegin(); it != g.topLevels.rend(); ++it)
    if (*it != host && ((*it)->style & WS_VISIBLE)) layers.push_back(*it);
  for (Window* top : layers) {
    if (top != host && !(top->style & WS_VISIBLE)) continue;
    RECT sr = screenRectOf(top);
    OffsetRect(&sr, -hc.left, -hc.top);
    RECT area = intersect(sr, dirty);
    if (empty(area) || top->store.empty()) continue;
    int copyW = area.right - area.left;
    for (int y = area.top; y < area.bottom; ++y) {
      int sy = y - sr.top, sx = area.left - sr.left;
      if (sy >= top->storeHeight || sx + copyW > top->storeWidth) continue;
      std::memcpy(&g.screen[static_cast<std::size_t>(y) * width + area.left],
                  &top->store[static_cast<std::size_t>(sy) * top->storeWidth + sx], sizeof(std::uint32_t) * copyW);
    }
  }
  if (g.backend && (host->style & WS_VISIBLE))
    g.backend->present(host->handle, Surface{g.screen.data(), width, height, width}, dirty);
}

Window* findWindowToPaint() {
  for (Window* t : wm().topLevels)
    if (Window* w = findPaintIn(t)) return w;
  return nullptr;
}

void paintNow(Window* w, bool withChildren) {
  HWND hwnd = w->handle;
  if (w->needsPaint && isVisibleThrough(w)) {
    sendTo(w, WM_PAINT, 0, 0);
    w = windowFromHandle(hwnd);
    if (!w) return;
  }
  if (!withChildren) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND h : kids)
    if (Window* c = windowFromHandle(h)) paintNow(c, true);
}

}  // namespace vk::platform

// ---- Paint calls ------------------------------------------------------------
using namespace vk::platform;

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = windowFromHandle(hwnd);
  if (!w || !ps) return nullptr;
  *ps = PAINTSTRUCT{};
  RECT area = intersect(w->update, clientRectOf(w));
  bool erase = w->needsErase;
  clearPaintState(w);
  HDC dc = openWindowDc(w, &area);
  if (!dc) return nullptr;
  ps->hdc = dc;
  ps->rcPaint = area;
  ps->fErase = FALSE;
  if (erase) ps->fErase = sendTo(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  return closeWindowDc(ps->hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) {
    static std::uint32_t pixel = 0;
    return createSurfaceDC(Surface{&pixel, 1, 1, 1}, POINT{}, RECT{0, 0, 1, 1});
  }
  Window* w = windowFromHandle(hwnd);
  return w ? openWindowDc(w, nullptr) : nullptr;
}

int ReleaseDC(HWND, HDC dc) {
  if (!dc) return 0;
  if (closeWindowDc(dc)) return 1;
  return DeleteDC(dc) ? 1 : 0;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (Window* t : std::vector<Window*>(wm().topLevels)) invalidateWindow(t, nullptr, erase, true);
    return TRUE;
  }
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  invalidateTree(w, rect, erase != FALSE, ChildMode::Default);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  validate(w, rect);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  if (rect) *rect = w->needsPaint ? w->update : RECT{};
  return w->needsPaint && !empty(w->update) ? TRUE : FALSE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  Window* w = hwnd ? windowFromHandle(hwnd) : wm().host;
  if (!w) return FALSE;
  ChildMode mode = (flags & RDW_ALLCHILDREN) ? ChildMode::All
                   : (flags & RDW_NOCHILDREN) ? ChildMode::None
                                              : ChildMode::Default;
  if (flags & RDW_INVALIDATE) invalidateTree(w, rect, (flags & RDW_ERASE) && !(flags & RDW_NOERASE), mode);
  if (flags & RDW_VALIDATE) validate(w, rect);
  if ((flags & RDW_FRAME) && !w->parent) drawFrame(w);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    paintNow(w, mode != ChildMode::None);
    composeAndPresent();
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = windowFromHandle(hwnd);
  if (!w) return FALSE;
  paintNow(w, true);
  composeAndPresent();
  return TRUE;
}
