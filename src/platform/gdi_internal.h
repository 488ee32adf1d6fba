// The GDI's internal model, shared by the drawing, text, image and window
// code of the platform layer (never included outside src/platform).
//
// Pixels are 32-bit words 0x00RRGGBB in memory order B, G, R, X (the DIB
// layout); rows run top-down; stride is counted in pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/handle_table.h"
#include "platform/surface.h"
#include "platform/win_types.h"

namespace vk::platform {


inline std::uint32_t pixelFromColorref(COLORREF c) {
  return (std::uint32_t(c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF colorrefFromPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

enum class GdiKind : std::uint8_t { Pen, Brush, Font, Bitmap };

struct PenData {
  int style = 0;  // PS_SOLID, PS_DOT, PS_NULL
  int width = 1;  // 0 and 1 are cosmetic
  COLORREF color = 0;
};

struct BrushData {
  bool hollow = false;  // HOLLOW_BRUSH / NULL_BRUSH
  COLORREF color = 0;
};

// Resolved face, size and glyph cache; defined by the text code.
struct FontInstance;

struct FontData {
  int height = 0;  // negative: em height in pixels; positive: cell height
  int weight = 400;
  bool italic = false;
  bool underline = false;
  std::wstring faceName;
  std::shared_ptr<FontInstance> instance;  // resolved lazily by the text code
};

struct BitmapData {
  int width = 1;
  int height = 1;
  std::vector<std::uint32_t> pixels;  // width * height, top-down
  bool dibSection = false;
  Surface surface() { return Surface{pixels.data(), width, height, width}; }
};

struct GdiObject {
  GdiKind kind = GdiKind::Pen;
  bool stock = false;       // stock objects ignore DeleteObject
  int selectedInDcs = 0;    // deleting while selected fails safely
  PenData pen;
  BrushData brush;
  FontData font;
  BitmapData bitmap;
};

struct DcState {
  HGDIOBJ pen = nullptr;     // always valid after creation (stock BLACK_PEN)
  HGDIOBJ brush = nullptr;   // stock WHITE_BRUSH
  HGDIOBJ font = nullptr;    // stock DEFAULT_GUI_FONT / SYSTEM_FONT
  HGDIOBJ bitmap = nullptr;  // memory DCs: a 1 x 1 stock bitmap until one is selected
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = 2;            // OPAQUE
  POINT currentPosition{};
  int polyFillMode = 1;      // ALTERNATE
  int arcDirection = 1;      // AD_COUNTERCLOCKWISE
  UINT textAlign = 0;        // TA_TOP | TA_LEFT
  int stretchBltMode = 3;    // COLORONCOLOR; every mode blits nearest-pixel
};

// A fresh value on every call, never 0: drawing code caches what it resolved
// from a DC under the DC's stamp.
std::uint64_t nextDrawStamp();

struct DeviceContext {
  enum class Kind : std::uint8_t { Memory, SurfaceView };
  Kind kind = Kind::Memory;
  // Renewed whenever anything drawing resolves (selection, background,
  // clip) changes; the view fields below are fixed at creation.
  std::uint64_t drawStamp = nextDrawStamp();
  // SurfaceView DCs: the window code's backing store, the window's client
  // origin inside it, and the visible area in surface coordinates. Memory
  // DCs use `origin` too: a buffered paint's DC draws in its target's
  // coordinates.
  Surface viewSurface;
  POINT origin{};
  RECT viewClip{};
  // Extra clip in logical coordinates (IntersectClipRect); empty = none.
  bool hasClipRect = false;
  RECT clipRect{};
  DcState state;
  std::vector<DcState> saved;  // SaveDC / RestoreDC
  struct SavedClip {
    bool hasClipRect = false;
    RECT clipRect{};
  };
  std::vector<SavedClip> savedClips;  // parallel to `saved`
};

HandleTable<GdiObject>& gdiObjects();
HandleTable<DeviceContext>& deviceContexts();

GdiObject* gdiObjectFromHandle(HGDIOBJ handle);
DeviceContext* dcFromHandle(HDC dc);

// The 1 x 1 bitmap every memory DC holds until one is selected.
HGDIOBJ stockBitmap();

// A DC that draws into `surface` with logical (0,0) at `origin` (surface
// coordinates) and everything clipped to `clip` (surface coordinates).
// Used by the window code for paint DCs and window DCs; free with DeleteDC.
HDC createSurfaceDC(const Surface& surface, POINT origin, RECT clip);

// Where a DC draws right now: the target surface, the logical origin inside
// it and the effective clip in surface coordinates (surface bounds, view
// clip and the DC's clip rectangle intersected). False when there is
// nothing to draw on.
struct DcTarget {
  Surface surface;
  POINT origin{};
  RECT clip{};
};
bool resolveDcTarget(DeviceContext& dc, DcTarget& out);

}  // namespace vk::platform
