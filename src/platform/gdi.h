// GDI: device contexts, pens, brushes, bitmaps, aliased primitives and
// blits, with the platform's pixel conventions (left/top inclusive,
// right/bottom exclusive, cosmetic lines without their last pixel).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

// Brush styles.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Polygon fill modes.
#define ALTERNATE 1
#define WINDING 2

// Arc directions.
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2

// Raster operations.
#define SRCCOPY ((DWORD)0x00CC0020)
#define PATCOPY ((DWORD)0x00F00021)
#define BLACKNESS ((DWORD)0x00000042)
#define WHITENESS ((DWORD)0x00FF0062)

// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// DIB formats.
#define DIB_RGB_COLORS 0
#define BI_RGB 0

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// Object types (GetCurrentObject, GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

// Clip results.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

#define CLR_INVALID ((COLORREF)0xFFFFFFFF)
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  LPVOID bmBits = nullptr;
};

struct LOGPEN {
  UINT lopnStyle = 0;
  POINT lopnWidth{};
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = 0;
  COLORREF lbColor = 0;
  ULONG_PTR lbHatch = 0;
};

// Device contexts and their state.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int SaveDC(HDC dc);
// `saved` > 0 restores that level (and drops the later ones); < 0 counts back.
BOOL RestoreDC(HDC dc, int saved);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetArcDirection(HDC dc, int direction);
int GetArcDirection(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC dc, LPPOINT position);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
// Only a null region (reset the clip) is supported.
int SelectClipRgn(HDC dc, HRGN region);
int GetClipBox(HDC dc, LPRECT box);

// Objects.
HGDIOBJ GetStockObject(int index);
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 32 bpp BI_RGB only, up to 4096 x 4096; a negative height is top-down.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectW(HANDLE object, int size, LPVOID out);
DWORD GetObjectType(HGDIOBJ object);

// Primitives.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Polyline(HDC dc, const POINT* points, int count);
// 1 + 3k points: a start point then (control, control, end) per curve.
BOOL PolyBezier(HDC dc, const POINT* points, DWORD count);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Blits (SRCCOPY; PatBlt also PATCOPY, BLACKNESS, WHITENESS).
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSource, int ySource,
            DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSource,
                int ySource, int widthSource, int heightSource, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Buffered paint: a memory DC over a back buffer for one paint, drawing in
// the target's coordinates and clipped to the target rectangle. Between
// BufferedPaintInit and the matching BufferedPaintUnInit the buffers are
// kept for later paints, so the pixels a paint starts with are left over
// from earlier ones; BPPF_ERASE clears them to black first. Only
// BPBF_COMPATIBLEBITMAP, and no flag but BPPF_ERASE.
enum BP_BUFFERFORMAT { BPBF_COMPATIBLEBITMAP, BPBF_DIB, BPBF_TOPDOWNDIB, BPBF_TOPDOWNMONODIB };
#define BPPF_ERASE 0x0001
struct BP_PAINTPARAMS {
  DWORD cbSize = sizeof(BP_PAINTPARAMS);
  DWORD dwFlags = 0;
  const RECT* prcExclude = nullptr;
  const void* pBlendFunction = nullptr;
};
HRESULT BufferedPaintInit();
HRESULT BufferedPaintUnInit();
HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* targetRect, BP_BUFFERFORMAT format,
                                BP_PAINTPARAMS* params, HDC* paintDc);
// Copies the buffer to the target rectangle when `updateTarget` is set.
HRESULT EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget);

namespace vk {
// A 32-bit top-down DIB section (one plane, uncompressed), the layout every
// offscreen canvas of the studio uses; null when it cannot be made.
HBITMAP createTopDownDib32(HDC dc, int width, int height, void** bits);

// ---- Per-pixel depth ----
// Nearness in a DC's logical coordinates: a * x + b * y + c at pixel (x, y);
// larger is nearer.
struct DepthPlane {
  double a = 0.0, b = 0.0, c = 0.0;
};
// Starts a depth buffer over what `dc` draws on, every pixel farthest. The
// depth calls below use it until endDepthPass or the next begin; on any
// other target, or without a pass, they draw as Polygon and LineTo do.
void beginDepthPass(HDC dc);
void endDepthPass();
// The line test: a line pixel shows when its nearness n satisfies
// n + |n| * relative + absolute >= the buffer's (0 and 0 until set).
void setDepthLineBias(double relative, double absolute);
// Sub-pixel positions, in 1/256 of a pixel (the rasterizer's own
// precision). A depth polygon may give its corners so: it is filled where
// they truly lie, so that faces far smaller than a pixel still tile what
// they cover, and outlined through the pixels they round to.
inline constexpr int kSubPixelShift = 8;
// The pixel of a sub-pixel position, rounded half away from zero.
inline LONG pixelOfSubPixel(LONG v) {
  constexpr LONG half = LONG{1} << (kSubPixelShift - 1);
  // On the magnitude, the sign put back: no branch.
  const LONG sign = v >> 31;
  const LONG rounded = (((v ^ sign) - sign) + half) >> kSubPixelShift;
  return (rounded ^ sign) - sign;
}
// One triangle of a polygon that is filled in pieces, each with its own
// plane: three of the polygon's points (indices), wound as its outline.
struct DepthTriangle {
  std::array<std::uint32_t, 3> corners{};
  DepthPlane plane;
};
// Polygon with the DC's brush and pen. The fill covers the pixels that are as
// near as or nearer than the buffer: with alpha 1 it writes its nearness,
// below 1 it blends the brush over them by alpha and writes none. The
// outline passes the line test. With `triangles`, the polygon is filled as
// those triangles instead, each with its plane (`plane` unused), and each
// edge of its outline takes the plane of the triangle that borders it. With
// `outlined`, only the edges from point i to i + 1 it flags are outlined.
// With `subPixel`, the points are sub-pixel positions.
BOOL depthPolygon(HDC dc, const POINT* points, int count, const DepthPlane& plane, double alpha,
                  const DepthTriangle* triangles = nullptr, int triangleCount = 0,
                  const std::uint8_t* outlined = nullptr, bool subPixel = false);
// Opaque faces, farthest first, each with its own fill and one-pixel solid
// outline colour: what depthPolygon with alpha 1 paints face after face
// (with the DC's fill mode; its pen and brush unused), without a pen and a
// brush made and selected for each. False, drawing nothing, without a depth
// pass on `dc`.
struct DepthFace {
  const POINT* points = nullptr;
  int count = 0;
  DepthPlane plane;
  COLORREF fill = 0;
  COLORREF outline = 0;
  const DepthTriangle* triangles = nullptr;  // as depthPolygon's
  int triangleCount = 0;
  bool subPixel = false;                     // likewise
  const std::uint8_t* outlined = nullptr;    // likewise
};
bool depthOpaqueFaces(HDC dc, const DepthFace* faces, std::size_t count);
// A solid line with the DC's pen, the end point left out as LineTo does, its
// nearness running from `nearFrom` to `nearTo`, drawn where it passes the
// line test.
BOOL depthLine(HDC dc, POINT from, POINT to, double nearFrom, double nearTo);
}  // namespace vk
