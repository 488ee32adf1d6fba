// The inspector's own scrollbar window: a dark track with a thumb whose
// size and place follow the inspector's scroll range.
#include "model/app_state.h"
#include "platform/palette.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

LRESULT CALLBACK InspectorScrollbarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  AppState& app = appState();
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client{};
      GetClientRect(hwnd, &client);
      fillVerticalGradient(dc, client, kScrollTrackTop, kRailTabBottom);
      roundRectFill(dc, RECT{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1}, kStatusWell,
                    kScrollTrackBorder, 5);
      const RECT thumb = inspectorScrollThumbRect(client);
      const bool dragging = app.inspectorScrollDrag;
      roundRectFill(dc, thumb, dragging ? kScrollThumbDragged : kScrollThumb,
                    dragging ? kScrollThumbDraggedBorder : kScrollThumbBorder, 5);
      const RECT inner{thumb.left + 3, thumb.top + 4, thumb.right - 3, thumb.bottom - 4};
      if (!IsRectEmpty(&inner)) {
        HBRUSH brush = CreateSolidBrush(app.inspectorScrollMax >= 1 ? kScrollGrip : kScrollGripIdle);
        FillRect(dc, &inner, brush);
        DeleteObject(brush);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return 1;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      RECT client{};
      GetClientRect(hwnd, &client);
      const RECT thumb = inspectorScrollThumbRect(client);
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&thumb, point)) {
        app.inspectorScrollDragStartOffset = app.inspectorScrollOffset;
        app.inspectorScrollDrag = true;
        app.inspectorScrollDragStartY = point.y;
        SetCapture(hwnd);
      } else {
        setInspectorScroll(app.inspectorScrollOffset + (point.y < thumb.top ? -120 : 120));
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!app.inspectorScrollDrag || GetCapture() != hwnd) return 0;
      RECT client{};
      GetClientRect(hwnd, &client);
      const RECT thumb = inspectorScrollThumbRect(client);
      const int track = std::max<int>(client.bottom - client.top - 4, 1);
      const int thumbH = std::max<int>(thumb.bottom - thumb.top, 1);
      const int range = std::max(track - thumbH, 1);
      setInspectorScroll(app.inspectorScrollDragStartOffset +
                         MulDiv(GET_Y_LPARAM(lParam) - app.inspectorScrollDragStartY,
                                std::max(app.inspectorScrollMax, 0), range));
      return 0;
    }
    case WM_LBUTTONUP:
      if (!app.inspectorScrollDrag) break;
      app.inspectorScrollDrag = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL:
      setInspectorScroll(app.inspectorScrollOffset + (GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -44 : 44));
      return 0;
    case WM_CAPTURECHANGED:
      app.inspectorScrollDrag = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace vk
