// What the control classes, menus and dialogs share: registration, parent
// notifications, colours, small theme painters and the filtered loop.
#include <algorithm>

#include "platform/controls_internal.h"

namespace vk::platform {

void registerBuiltinClasses() {
  registerButtonClass();
  registerStaticClass();
  registerEditClass();
  registerListBoxClass();
  registerMenuClass();
  registerDialogClasses();
}

void registerLayerClass(LPCWSTR name, WNDPROC proc, UINT style, LPCWSTR cursor) {
  WNDCLASSEXW wc{};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, cursor);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

bool handleCommonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HFONT& font, LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_SETFONT:
      font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return true;
    case WM_GETFONT: result = reinterpret_cast<LRESULT>(font); return true;
    case WM_SETTEXT:
      result = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return true;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return true;
    default: return false;
  }
}

bool focusOnClick(HWND hwnd) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  return IsWindow(hwnd) != FALSE;
}

void notifyParent(HWND control, UINT code) {
  HWND parent = GetParent(control);
  if (!parent) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

HBRUSH askColors(HWND control, HDC dc, UINT message, COLORREF fallbackText) {
  SetTextColor(dc, fallbackText);
  SetBkMode(dc, OPAQUE);
  HWND parent = GetParent(control);
  if (!parent) parent = GetWindow(control, GW_OWNER);
  if (!parent) return nullptr;
  LRESULT r = SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  return reinterpret_cast<HBRUSH>(r);
}

void fillColor(HDC dc, const RECT& rect, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void fillWith(HDC dc, const RECT& rect, HBRUSH brush, COLORREF fallback) {
  if (brush && GetObjectType(brush) == OBJ_BRUSH) FillRect(dc, &rect, brush);
  else fillColor(dc, rect, fallback);
}

void frameColor(HDC dc, const RECT& rect, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

void triangleColor(HDC dc, POINT a, POINT b, POINT c, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  POINT points[3] = {a, b, c};
  Polygon(dc, points, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void gradientFill(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) {
  int rows = std::max<int>(1, rect.bottom - rect.top);
  auto mix = [rows](int a, int b, int i) { return a + (b - a) * i / rows; };
  for (int i = 0; i < rows; ++i) {
    COLORREF c = RGB(mix(GetRValue(top), GetRValue(bottom), i), mix(GetGValue(top), GetGValue(bottom), i),
                     mix(GetBValue(top), GetBValue(bottom), i));
    fillColor(dc, RECT{rect.left, rect.top + i, rect.right, rect.top + i + 1}, c);
  }
}

void drawTextColor(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF color) {
  COLORREF oldColor = SetTextColor(dc, color);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColor);
}

HFONT defaultUiFont() {
  // The layer's own table entry: recreated if a reset freed it.
  static HFONT font = nullptr;
  if (!font || GetObjectType(font) != OBJ_FONT)
    font = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI");
  return font;
}

int fontLineHeight(HDC dc) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return std::max<int>(1, tm.tmHeight);
}

bool shiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool controlDown() { return GetKeyState(VK_CONTROL) < 0; }

ScrollGeometry scrollGeometry(const RECT& bar, int first, int visible, int total) {
  ScrollGeometry g;
  g.bar = bar;
  int width = bar.right - bar.left;
  int arrow = std::min<int>(width, (bar.bottom - bar.top) / 2);
  g.up = RECT{bar.left, bar.top, bar.right, bar.top + arrow};
  g.down = RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
  g.track = RECT{bar.left, g.up.bottom, bar.right, g.down.top};
  int trackLength = std::max<int>(0, g.track.bottom - g.track.top);
  if (total <= visible || total <= 0 || trackLength <= 0) {
    g.thumb = RECT{bar.left, g.track.top, bar.right, g.track.top};
    return g;
  }
  int thumb = std::max<int>(std::min(trackLength, 16), static_cast<int>(static_cast<long long>(trackLength) * visible / total));
  int range = total - visible;
  int top = g.track.top + static_cast<int>(static_cast<long long>(trackLength - thumb) * std::clamp(first, 0, range) / range);
  g.thumb = RECT{bar.left, top, bar.right, top + thumb};
  return g;
}

int scrollFromThumb(const ScrollGeometry& g, int thumbTop, int visible, int total) {
  int trackLength = g.track.bottom - g.track.top;
  int thumb = g.thumb.bottom - g.thumb.top;
  int free = trackLength - thumb;
  int range = total - visible;
  if (free <= 0 || range <= 0) return 0;
  int offset = std::clamp<int>(thumbTop - g.track.top, 0, free);
  return static_cast<int>((static_cast<long long>(offset) * range + free / 2) / free);
}

void drawScrollbar(HDC dc, const ScrollGeometry& g, bool thumbHot) {
  fillColor(dc, g.bar, kCardFill);
  auto arrow = [dc](const RECT& r, bool up) {
    int cx = (r.left + r.right) / 2;
    int cy = (r.top + r.bottom) / 2;
    if (up) triangleColor(dc, POINT{cx - 4, cy + 2}, POINT{cx + 4, cy + 2}, POINT{cx, cy - 2}, kTextSecondary);
    else triangleColor(dc, POINT{cx - 4, cy - 2}, POINT{cx + 4, cy - 2}, POINT{cx, cy + 2}, kTextSecondary);
  };
  arrow(g.up, true);
  arrow(g.down, false);
  if (g.thumb.bottom > g.thumb.top) {
    RECT t{g.thumb.left + 3, g.thumb.top + 1, g.thumb.right - 3, g.thumb.bottom - 1};
    fillColor(dc, t, thumbHot ? kButtonAccentBorder : kButtonBorder);
  }
}

}  // namespace vk::platform
