// "BUTTON" with BS_OWNERDRAW: press, capture and drag tracking, Space, and
// every state change drawn by the parent through WM_DRAWITEM.
#include "platform/controls_internal.h"

namespace vk::platform {

namespace {

struct ButtonState {
  HFONT font = nullptr;
  bool pushed = false;
  bool tracking = false;  // the left button went down on us and we hold the capture
  bool spaceDown = false;
  bool focused = false;
};

void drawButton(HWND hwnd, HDC dc, UINT action) {
  ButtonState* s = stateOf<ButtonState>(hwnd);
  if (!s) return;
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  dis.itemID = 0;
  dis.itemAction = action;
  dis.itemState = (s->pushed ? ODS_SELECTED : 0) | (s->focused ? ODS_FOCUS : 0) |
                  (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
  dis.hwndItem = hwnd;
  dis.hDC = dc;
  GetClientRect(hwnd, &dis.rcItem);
  HGDIOBJ oldFont = s->font ? SelectObject(dc, s->font) : nullptr;
  if (HWND parent = GetParent(hwnd))
    SendMessageW(parent, WM_DRAWITEM, static_cast<WPARAM>(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
  if (oldFont) SelectObject(dc, oldFont);
}

// State changes draw at once, as the platform's buttons do.
void redrawNow(HWND hwnd, UINT action) {
  if (!IsWindowVisible(hwnd)) return;
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  drawButton(hwnd, dc, action);
  ReleaseDC(hwnd, dc);
}

void setPushed(HWND hwnd, ButtonState* s, bool pushed) {
  if (s->pushed == pushed) return;
  s->pushed = pushed;
  redrawNow(hwnd, ODA_SELECT);
}

bool insideClient(HWND hwnd, LPARAM lParam) {
  RECT c;
  GetClientRect(hwnd, &c);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  return PtInRect(&c, p);
}

LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ButtonState* s = ownedState<ButtonState>(hwnd, msg);
  if (!s || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (LRESULT r = 0; handleCommonMessage(hwnd, msg, wParam, lParam, s->font, r)) return r;
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT c;
      GetClientRect(hwnd, &c);
      HDC dc = reinterpret_cast<HDC>(wParam);
      fillWith(dc, c, askColors(hwnd, dc, WM_CTLCOLORBTN, kTextControl), kControlBackground);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      drawButton(hwnd, dc, ODA_DRAWENTIRE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (!s) return 0;
      SetCapture(hwnd);
      if (!focusOnClick(hwnd)) return 0;
      s->tracking = true;
      setPushed(hwnd, s, true);
      return 0;
    case WM_LBUTTONDBLCLK:
      // Owner-drawn buttons report the second click of a double click.
      notifyParent(hwnd, BN_DOUBLECLICKED);
      return 0;
    case WM_MOUSEMOVE:
      if (s && s->tracking) setPushed(hwnd, s, insideClient(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP: {
      if (!s || !s->tracking) return 0;
      bool inside = insideClient(hwnd, lParam);
      s->tracking = false;
      ReleaseCapture();
      setPushed(hwnd, s, false);
      if (inside) notifyParent(hwnd, BN_CLICKED);  // the parent may destroy us here
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s && s->tracking) {
        s->tracking = false;
        setPushed(hwnd, s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (s && wParam == VK_SPACE && !s->tracking && !(lParam & (1 << 30))) {
        s->spaceDown = true;
        setPushed(hwnd, s, true);
      }
      return 0;
    case WM_KEYUP:
      if (s && wParam == VK_SPACE && s->spaceDown) {
        s->spaceDown = false;
        setPushed(hwnd, s, false);
        notifyParent(hwnd, BN_CLICKED);
      }
      return 0;
    case WM_CHAR: return 0;
    case WM_SETFOCUS:
      if (s) {
        s->focused = true;
        redrawNow(hwnd, ODA_FOCUS);
      }
      return 0;
    case WM_KILLFOCUS:
      if (s) {
        s->focused = false;
        s->spaceDown = false;
        if (s->pushed && !s->tracking) s->pushed = false;
        redrawNow(hwnd, ODA_FOCUS);
      }
      return 0;
    case BM_GETSTATE:
      return s ? (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0) : 0;
    case BM_SETSTATE:
      if (s) setPushed(hwnd, s, wParam != 0);
      return 0;
    case BM_CLICK:
      notifyParent(hwnd, BN_CLICKED);
      return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void registerButtonClass() { registerLayerClass(L"Button", buttonProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW); }

}  // namespace vk::platform
