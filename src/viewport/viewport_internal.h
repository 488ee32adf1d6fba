// Small GDI helpers of the viewport that restore what they select, its
// text drawing (recorded in the text log), and two queries every drawing
// file asks: whether a kind is drawn as geometry, and the active camera.
#pragma once

#include <string>

#include "model/types.h"
#include "platform/win32.h"

namespace vk {

// Creates a pen and/or brush, selects them and undoes both on destruction.
struct ScopedPenBrush {
  ScopedPenBrush(HDC dc, HPEN pen, HBRUSH brush);
  ~ScopedPenBrush();
  ScopedPenBrush(const ScopedPenBrush&) = delete;
  ScopedPenBrush& operator=(const ScopedPenBrush&) = delete;
  // Swaps in a new pen (deleting the previous one this scope made).
  void setPen(HPEN pen);
  void setBrush(HBRUSH brush);
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  HGDIOBJ oldPen = nullptr;
  HGDIOBJ oldBrush = nullptr;
};

HPEN solidPen(int width, COLORREF colour);
HPEN dottedPen(COLORREF colour);
HBRUSH hollowBrush();  // the stock null brush (never deleted)
void drawLineXY(HDC dc, int x0, int y0, int x1, int y1);
void drawCircle(HDC dc, POINT centre, int radius);

// Selects the font, or the stock default GUI font when it is null.
void selectFontOrStock(HDC dc, HFONT font);
// DrawTextW with transparent background and colour, recorded in the log.
void viewportDrawText(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF colour);
// Text with its top-left corner at (x, y).
void viewportTextAt(HDC dc, int x, int y, const std::wstring& text, COLORREF colour);
// Where the pixels of a left-aligned text lie as the two calls above draw
// it with the DC's font: from the left as wide as the text, at the height
// its format places it, within the rectangle unless DT_NOCLIP.
RECT viewportTextBounds(HDC dc, const std::wstring& text, const RECT& rect, UINT format);

// Whether a Mesh/Text/Curve kind (drawn as geometry, not as a helper glyph).
bool isGeometryKind(ObjectKind kind);

// Resolved active camera of the scene (kind Camera), or null.
const Object* activeCameraObject();

}  // namespace vk
