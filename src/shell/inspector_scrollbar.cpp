// The studio's scroll bar (a dark track with a thumb whose size and place
// follow a scroll range), as the inspector's scrollbar window and the text
// dialog draw it, and the inspector's scrollbar window itself.
#include <algorithm>

#include "model/app_state.h"
#include "platform/palette.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

RECT scrollThumbRect(const RECT& track, int offset, int max) {
  const int trackH = std::max<int>(track.bottom - track.top, 1);
  const int usable = std::max(trackH - 4, 1);
  const int thumb = max <= 0 ? usable : std::max(MulDiv(usable, usable, max + usable), 28);
  const int freeSpace = std::max(usable - thumb, 0);
  int top = 2;
  if (max >= 1 && freeSpace >= 1) top += MulDiv(std::clamp(offset, 0, max), freeSpace, max);
  const int right = std::max(std::max<int>(track.right - track.left, 1) - 2, 3);
  return RECT{track.left + 2, track.top + top, track.left + right, track.top + top + thumb};
}

int scrollOffsetForThumbDrag(const RECT& track, int max, int startOffset, int dy) {
  const RECT thumb = scrollThumbRect(track, startOffset, max);
  const int usable = std::max<int>(track.bottom - track.top - 4, 1);
  const int range = std::max(usable - std::max<int>(thumb.bottom - thumb.top, 1), 1);
  return startOffset + MulDiv(dy, std::max(max, 0), range);
}

void paintScrollbar(HDC dc, const RECT& track, int offset, int max, bool dragging) {
  fillVerticalGradient(dc, track, kScrollTrackTop, kRailTabBottom);
  roundRectFill(dc, RECT{track.left + 1, track.top + 1, track.right - 1, track.bottom - 1}, kStatusWell,
                kScrollTrackBorder, 5);
  const RECT thumb = scrollThumbRect(track, offset, max);
  roundRectFill(dc, thumb, dragging ? kScrollThumbDragged : kScrollThumb,
                dragging ? kScrollThumbDraggedBorder : kScrollThumbBorder, 5);
  const RECT inner{thumb.left + 3, thumb.top + 4, thumb.right - 3, thumb.bottom - 4};
  if (IsRectEmpty(&inner)) return;
  HBRUSH brush = CreateSolidBrush(max >= 1 ? kScrollGrip : kScrollGripIdle);
  FillRect(dc, &inner, brush);
  DeleteObject(brush);
}

LRESULT CALLBACK InspectorScrollbarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  AppState& app = appState();
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client{};
      GetClientRect(hwnd, &client);
      paintScrollbar(dc, client, app.inspectorScrollOffset, app.inspectorScrollMax, app.inspectorScrollDrag);
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
      setInspectorScroll(scrollOffsetForThumbDrag(client, app.inspectorScrollMax, app.inspectorScrollDragStartOffset,
                                                  GET_Y_LPARAM(lParam) - app.inspectorScrollDragStartY));
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
