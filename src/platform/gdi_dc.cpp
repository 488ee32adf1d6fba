// Device contexts: memory DCs, surface DCs, selection, persistent state,
// SaveDC/RestoreDC and the clip rectangle.
#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace vk::platform {
namespace {

DcState defaultState(bool memory) {
  DcState state;
  state.pen = GetStockObject(BLACK_PEN);
  state.brush = GetStockObject(WHITE_BRUSH);
  state.font = GetStockObject(SYSTEM_FONT);
  state.bitmap = memory ? stockBitmap() : nullptr;
  return state;
}

void addSelection(HGDIOBJ handle, int delta) {
  if (GdiObject* object = gdiObjectFromHandle(handle)) object->selectedInDcs += delta;
}

void forEachSelected(const DcState& state, void (*visit)(HGDIOBJ, int), int delta) {
  visit(state.pen, delta);
  visit(state.brush, delta);
  visit(state.font, delta);
  visit(state.bitmap, delta);
}

HDC addDc(std::unique_ptr<DeviceContext> dc) {
  forEachSelected(dc->state, addSelection, +1);
  return reinterpret_cast<HDC>(deviceContexts().add(std::move(dc)));
}

HGDIOBJ* slotFor(DcState& state, GdiKind kind) {
  switch (kind) {
    case GdiKind::Pen: return &state.pen;
    case GdiKind::Brush: return &state.brush;
    case GdiKind::Font: return &state.font;
    case GdiKind::Bitmap: return &state.bitmap;
  }
  return nullptr;
}

// Puts `handle` in its slot of the current state, keeping the selection
// counts right; a bitmap already selected into another DC is refused.
bool selectInto(DeviceContext& dc, GdiObject& object, HGDIOBJ handle, HGDIOBJ& previous) {
  HGDIOBJ* slot = slotFor(dc.state, object.kind);
  previous = *slot;
  if (previous == handle) return true;
  if (object.kind == GdiKind::Bitmap) {
    if (dc.kind != DeviceContext::Kind::Memory) return false;
    if (!object.stock && object.selectedInDcs > 0) return false;
  }
  addSelection(previous, -1);
  object.selectedInDcs += 1;
  *slot = handle;
  dc.drawStamp = nextDrawStamp();
  return true;
}

// Clip rectangle intersection in 64-bit so huge logical rectangles and
// origins cannot overflow.
RECT intersect(const RECT& a, long long left, long long top, long long right, long long bottom) {
  RECT out;
  out.left = LONG(std::max<long long>(a.left, left));
  out.top = LONG(std::max<long long>(a.top, top));
  out.right = LONG(std::min<long long>(a.right, right));
  out.bottom = LONG(std::min<long long>(a.bottom, bottom));
  if (out.right < out.left) out.right = out.left;
  if (out.bottom < out.top) out.bottom = out.top;
  return out;
}

}  // namespace

std::uint64_t nextDrawStamp() {
  static std::atomic<std::uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

HandleTable<DeviceContext>& deviceContexts() {
  static HandleTable<DeviceContext> table(kTagDc);
  return table;
}

DeviceContext* dcFromHandle(HDC dc) { return deviceContexts().get(dc); }

HDC createSurfaceDC(const Surface& surface, POINT origin, RECT clip) {
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = DeviceContext::Kind::SurfaceView;
  dc->viewSurface = surface;
  dc->origin = origin;
  dc->viewClip = clip;
  dc->state = defaultState(false);
  return addDc(std::move(dc));
}

bool resolveDcTarget(DeviceContext& dc, DcTarget& out) {
  if (dc.kind == DeviceContext::Kind::Memory) {
    GdiObject* bitmap = gdiObjectFromHandle(dc.state.bitmap);
    if (!bitmap || bitmap->kind != GdiKind::Bitmap) return false;
    out.surface = bitmap->bitmap.surface();
    out.origin = dc.origin;
    out.clip = RECT{0, 0, out.surface.width, out.surface.height};
  } else {
    out.surface = dc.viewSurface;
    out.origin = dc.origin;
    RECT bounds{0, 0, out.surface.width, out.surface.height};
    out.clip = intersect(bounds, dc.viewClip.left, dc.viewClip.top, dc.viewClip.right,
                         dc.viewClip.bottom);
  }
  if (dc.hasClipRect) {
    long long x = out.origin.x, y = out.origin.y;
    out.clip = intersect(out.clip, x + dc.clipRect.left, y + dc.clipRect.top,
                         x + dc.clipRect.right, y + dc.clipRect.bottom);
  }
  return out.surface.pixels && out.clip.left < out.clip.right && out.clip.top < out.clip.bottom;
}

}  // namespace vk::platform

using namespace vk::platform;

HDC CreateCompatibleDC(HDC reference) {
  if (reference && !dcFromHandle(reference)) return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = DeviceContext::Kind::Memory;
  dc->state = defaultState(true);
  return addDc(std::move(dc));
}

BOOL DeleteDC(HDC handle) {
  std::unique_ptr<DeviceContext> dc = deviceContexts().remove(handle);
  if (!dc) return FALSE;
  forEachSelected(dc->state, addSelection, -1);
  return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ objectHandle) {
  DeviceContext* dc = dcFromHandle(handle);
  GdiObject* object = gdiObjectFromHandle(objectHandle);
  if (!dc || !object) return nullptr;
  HGDIOBJ previous = nullptr;
  if (!selectInto(*dc, *object, objectHandle, previous)) return nullptr;
  return previous;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BITMAP: return dc->state.bitmap;
    default: return nullptr;
  }
}

int SaveDC(HDC handle) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  dc->savedClips.push_back(DeviceContext::SavedClip{dc->hasClipRect, dc->clipRect});
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int level) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc || level == 0) return FALSE;
  long long count = (long long)dc->saved.size();
  long long target = level > 0 ? level : count + 1 + level;
  if (target < 1 || target > count) return FALSE;
  DcState restored = dc->saved[std::size_t(target - 1)];
  DeviceContext::SavedClip clip = dc->savedClips[std::size_t(target - 1)];
  dc->saved.resize(std::size_t(target - 1));
  dc->savedClips.resize(std::size_t(target - 1));

  // Objects deleted or taken by another DC since the save fall back to the
  // stock defaults.
  DcState defaults = defaultState(dc->kind == DeviceContext::Kind::Memory);
  HGDIOBJ wanted[] = {restored.pen, restored.brush, restored.font, restored.bitmap};
  HGDIOBJ fallback[] = {defaults.pen, defaults.brush, defaults.font, defaults.bitmap};
  for (int i = 0; i < 4; ++i) {
    HGDIOBJ previous = nullptr;
    GdiObject* object = gdiObjectFromHandle(wanted[i]);
    if (object && selectInto(*dc, *object, wanted[i], previous)) continue;
    if (GdiObject* stock = gdiObjectFromHandle(fallback[i])) selectInto(*dc, *stock, fallback[i], previous);
  }
  HGDIOBJ pen = dc->state.pen, brush = dc->state.brush, font = dc->state.font,
          bitmap = dc->state.bitmap;
  dc->state = restored;
  dc->state.pen = pen;
  dc->state.brush = brush;
  dc->state.font = font;
  dc->state.bitmap = bitmap;
  dc->hasClipRect = clip.hasClipRect;
  dc->clipRect = clip.clipRect;
  dc->drawStamp = nextDrawStamp();
  return TRUE;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return CLR_INVALID;
  return std::exchange(dc->state.textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC handle) {
  DeviceContext* dc = dcFromHandle(handle);
  return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return CLR_INVALID;
  dc->drawStamp = nextDrawStamp();
  return std::exchange(dc->state.bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC handle) {
  DeviceContext* dc = dcFromHandle(handle);
  return dc ? dc->state.bkColor : CLR_INVALID;
}

namespace {

// Shared shape of the Set*Mode calls: validate, swap, return the old value.
int setMode(HDC handle, int DcState::*field, int value, int lowest, int highest) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc || value < lowest || value > highest) return 0;
  dc->drawStamp = nextDrawStamp();
  return std::exchange(dc->state.*field, value);
}

int getMode(HDC handle, int DcState::*field) {
  DeviceContext* dc = dcFromHandle(handle);
  return dc ? dc->state.*field : 0;
}

}  // namespace

int SetBkMode(HDC dc, int mode) { return setMode(dc, &DcState::bkMode, mode, TRANSPARENT, OPAQUE); }
int GetBkMode(HDC dc) { return getMode(dc, &DcState::bkMode); }
int SetPolyFillMode(HDC dc, int mode) {
  return setMode(dc, &DcState::polyFillMode, mode, ALTERNATE, WINDING);
}
int GetPolyFillMode(HDC dc) { return getMode(dc, &DcState::polyFillMode); }
int SetArcDirection(HDC dc, int direction) {
  return setMode(dc, &DcState::arcDirection, direction, AD_COUNTERCLOCKWISE, AD_CLOCKWISE);
}
int GetArcDirection(HDC dc) { return getMode(dc, &DcState::arcDirection); }
int SetStretchBltMode(HDC dc, int mode) {
  return setMode(dc, &DcState::stretchBltMode, mode, BLACKONWHITE, HALFTONE);
}

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.currentPosition;
  dc->state.currentPosition = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, LPPOINT position) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc || !position) return FALSE;
  *position = dc->state.currentPosition;
  return TRUE;
}

namespace {

int clipResult(DeviceContext& dc) {
  DcTarget target;
  return resolveDcTarget(dc, target) ? SIMPLEREGION : NULLREGION;
}

}  // namespace

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc) return ERROR;
  RECT wanted{left, top, std::max(left, right), std::max(top, bottom)};
  if (dc->hasClipRect)
    wanted = intersect(dc->clipRect, wanted.left, wanted.top, wanted.right, wanted.bottom);
  dc->hasClipRect = true;
  dc->clipRect = wanted;
  dc->drawStamp = nextDrawStamp();
  return clipResult(*dc);
}

int SelectClipRgn(HDC handle, HRGN region) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc || region) return ERROR;
  dc->hasClipRect = false;
  dc->drawStamp = nextDrawStamp();
  return clipResult(*dc);
}

int GetClipBox(HDC handle, LPRECT box) {
  DeviceContext* dc = dcFromHandle(handle);
  if (!dc || !box) return ERROR;
  DcTarget target;
  if (!resolveDcTarget(*dc, target)) {
    *box = RECT{};
    return NULLREGION;
  }
  *box = RECT{target.clip.left - target.origin.x, target.clip.top - target.origin.y,
              target.clip.right - target.origin.x, target.clip.bottom - target.origin.y};
  return SIMPLEREGION;
}
