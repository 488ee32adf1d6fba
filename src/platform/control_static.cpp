// "STATIC" with SS_LEFT: word-wrapped text with tabs, line feeds and '&'
// prefixes, on the parent's colours, in the lines the client area holds
// whole, the last ended in "..." when text is left out; with SS_ENDELLIPSIS
// one line, ended in "..." where it is cut.
#include "platform/controls_internal.h"

namespace vk::platform {

namespace {

struct StaticState {
  HFONT font = nullptr;
};

LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  StaticState* s = ownedState<StaticState>(hwnd, msg);
  if (!s || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (LRESULT r = 0; handleCommonMessage(hwnd, msg, wParam, lParam, s->font, r)) return r;
  switch (msg) {
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT c;
      GetClientRect(hwnd, &c);
      HBRUSH brush = askColors(hwnd, dc, WM_CTLCOLORSTATIC, kTextControl);
      fillWith(dc, c, brush, kControlBackground);
      HGDIOBJ oldFont = SelectObject(dc, s && s->font ? s->font : defaultUiFont());
      int length = GetWindowTextLengthW(hwnd);
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      GetWindowTextW(hwnd, text.data(), length + 1);
      text.resize(static_cast<std::size_t>(length));
      DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
      // A line cut through its letters reads as a fault: a label shows whole lines.
      UINT format = (style & SS_ENDELLIPSIS) ? DT_SINGLELINE | DT_END_ELLIPSIS | DT_EXPANDTABS
                                             : DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_EXPANDTABS;
      if ((style & 3) == SS_CENTER) format |= DT_CENTER;
      else if ((style & 3) == SS_RIGHT) format |= DT_RIGHT;
      if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
      if (!IsWindowEnabled(hwnd)) SetTextColor(dc, kTextDisabled);
      IntersectClipRect(dc, c.left, c.top, c.right, c.bottom);
      DrawTextW(dc, text.c_str(), length, &c, format);
      if (oldFont) SelectObject(dc, oldFont);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void registerStaticClass() { registerLayerClass(L"Static", staticProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW); }

}  // namespace vk::platform
