// "LISTBOX" with LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY: fixed
// rows drawn by the parent, single selection, keyboard, type-ahead, wheel
// and the theme's scrollbar inside the client area.
//
// Sections:
//   - List state and geometry
//   - Painting, scrolling, keys and type-ahead
//   - The window procedure
#include <algorithm>
#include <vector>

#include "platform/controls_internal.h"
#include "platform/kernel.h"

namespace vk::platform {

namespace {

constexpr UINT_PTR kRepeatTimer = 0x4C42;
constexpr UINT kRepeatDelayMs = 400;
constexpr UINT kRepeatMs = 50;
constexpr DWORD kTypeAheadMs = 1000;
constexpr int kWheelRows = 3;

// ---- List state and geometry ------------------------------------------------
struct Item {
  std::wstring text;
  ULONG_PTR data = 0;
};

enum class Drag { None, Items, Up, Down, PageUp, PageDown, Thumb };

struct ListState {
  HFONT font = nullptr;
  std::vector<Item> items;
  int selected = -1;
  int top = 0;
  int itemHeight = 16;
  bool focused = false;
  Drag drag = Drag::None;
  int selectionAtPress = -1;
  int thumbGrab = 0;  // pointer offset inside the thumb while dragging it
  int wheelRemainder = 0;
  std::wstring typed;
  DWORD typedTime = 0;
};

int count(const ListState* s) { return static_cast<int>(s->items.size()); }

RECT clientOf(HWND hwnd) {
  RECT c;
  GetClientRect(hwnd, &c);
  return c;
}

int visibleRows(HWND hwnd, const ListState* s) {
  RECT c = clientOf(hwnd);
  return std::max(0, static_cast<int>(c.bottom) / std::max(1, s->itemHeight));
}

int maxTop(HWND hwnd, const ListState* s) { return std::max(0, count(s) - std::max(1, visibleRows(hwnd, s))); }

bool hasScrollbar(HWND hwnd, const ListState* s) {
  return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL) && count(s) > visibleRows(hwnd, s);
}

int rowsRight(HWND hwnd, const ListState* s) {
  RECT c = clientOf(hwnd);
  return hasScrollbar(hwnd, s) ? std::max<int>(0, c.right - GetSystemMetrics(SM_CXVSCROLL)) : c.right;
}

ScrollGeometry scrollbarOf(HWND hwnd, const ListState* s) {
  RECT c = clientOf(hwnd);
  RECT bar{rowsRight(hwnd, s), 0, c.right, c.bottom};
  return scrollGeometry(bar, s->top, visibleRows(hwnd, s), count(s));
}

RECT itemRect(HWND hwnd, const ListState* s, int index) {
  int y = (index - s->top) * s->itemHeight;
  return RECT{0, y, rowsRight(hwnd, s), y + s->itemHeight};
}

void setTop(HWND hwnd, ListState* s, int top) {
  top = std::clamp(top, 0, maxTop(hwnd, s));
  if (top == s->top) return;
  s->top = top;
  InvalidateRect(hwnd, nullptr, FALSE);
}

void ensureVisible(HWND hwnd, ListState* s, int index) {
  if (index < 0) return;
  int rows = std::max(1, visibleRows(hwnd, s));
  if (index < s->top) setTop(hwnd, s, index);
  else if (index >= s->top + rows) setTop(hwnd, s, index - rows + 1);
}

void select(HWND hwnd, ListState* s, int index) {
  if (index < -1 || index >= count(s)) index = -1;
  if (index == s->selected) return;
  s->selected = index;
  ensureVisible(hwnd, s, index);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void notify(HWND hwnd, UINT code) {
  if (GetWindowLongW(hwnd, GWL_STYLE) & LBS_NOTIFY) notifyParent(hwnd, code);
}

// A selection change made by the user: LBN_SELCHANGE when it changed.
void userSelect(HWND hwnd, ListState* s, int index) {
  int before = s->selected;
  select(hwnd, s, index);
  if (s->selected != before) notify(hwnd, LBN_SELCHANGE);
}

// LOWORD the nearest item, HIWORD 1 when the point is on none.
LRESULT itemFromPoint(HWND hwnd, const ListState* s, POINT p) {
  RECT c = clientOf(hwnd);
  bool outside = p.x < 0 || p.x >= rowsRight(hwnd, s) || p.y < 0 || p.y >= c.bottom;
  int rows = std::max(1, visibleRows(hwnd, s));
  int row = p.y < 0 ? 0 : std::min(rows - 1, static_cast<int>(p.y) / std::max(1, s->itemHeight));
  if (p.y >= rows * s->itemHeight) outside = true;
  int index = s->top + row;
  if (index >= count(s)) {
    index = std::max(0, count(s) - 1);
    outside = true;
  }
  return MAKELRESULT(index, outside ? 1 : 0);
}

// ---- Painting, scrolling, keys and type-ahead -------------------------------
void paintList(HWND hwnd, ListState* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT c = clientOf(hwnd);
  HBRUSH brush = askColors(hwnd, dc, WM_CTLCOLORLISTBOX, kTextControl);
  HGDIOBJ oldFont = SelectObject(dc, s->font ? s->font : defaultUiFont());
  HWND parent = GetParent(hwnd);
  int rows = visibleRows(hwnd, s);
  int right = rowsRight(hwnd, s);
  auto drawItem = [&](int index, UINT action, UINT state, RECT r) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    dis.itemID = static_cast<UINT>(index);
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = hwnd;
    dis.hDC = dc;
    dis.rcItem = r;
    dis.itemData = index >= 0 ? s->items[static_cast<std::size_t>(index)].data : 0;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    if (parent) SendMessageW(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dc, saved);
  };
  int drawn = 0;
  for (int i = s->top; i < count(s) && drawn < rows; ++i, ++drawn) {
    UINT state = (i == s->selected ? ODS_SELECTED : 0) |
                 (s->focused && i == std::max(0, s->selected) ? ODS_FOCUS : 0);
    drawItem(i, ODA_DRAWENTIRE, state, itemRect(hwnd, s, i));
  }
  RECT below{0, drawn * s->itemHeight, right, c.bottom};
  if (below.bottom > below.top) fillWith(dc, below, brush, kControlBackground);
  if (count(s) == 0 && s->focused) drawItem(-1, ODA_FOCUS, ODS_FOCUS, RECT{0, 0, right, s->itemHeight});
  if (hasScrollbar(hwnd, s)) drawScrollbar(dc, scrollbarOf(hwnd, s), s->drag == Drag::Thumb);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// One step of an arrow or page press on the scrollbar.
void scrollStep(HWND hwnd, ListState* s) {
  int rows = std::max(1, visibleRows(hwnd, s));
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(hwnd, &p);
  ScrollGeometry g = scrollbarOf(hwnd, s);
  switch (s->drag) {
    case Drag::Up: setTop(hwnd, s, s->top - 1); break;
    case Drag::Down: setTop(hwnd, s, s->top + 1); break;
    case Drag::PageUp:
      if (p.y < g.thumb.top) setTop(hwnd, s, s->top - std::max(1, rows - 1));
      break;
    case Drag::PageDown:
      if (p.y >= g.thumb.bottom) setTop(hwnd, s, s->top + std::max(1, rows - 1));
      break;
    default: break;
  }
}

void scrollbarPress(HWND hwnd, ListState* s, POINT p) {
  ScrollGeometry g = scrollbarOf(hwnd, s);
  if (PtInRect(&g.up, p)) s->drag = Drag::Up;
  else if (PtInRect(&g.down, p)) s->drag = Drag::Down;
  else if (PtInRect(&g.thumb, p)) s->drag = Drag::Thumb;
  else if (p.y < g.thumb.top) s->drag = Drag::PageUp;
  else s->drag = Drag::PageDown;
  s->thumbGrab = p.y - g.thumb.top;
  SetCapture(hwnd);
  if (s->drag == Drag::Thumb) {
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  scrollStep(hwnd, s);
  SetTimer(hwnd, kRepeatTimer, kRepeatDelayMs, nullptr);
}

void endDrag(HWND hwnd, ListState* s) {
  Drag was = s->drag;
  s->drag = Drag::None;
  KillTimer(hwnd, kRepeatTimer);
  if (was == Drag::Thumb) InvalidateRect(hwnd, nullptr, FALSE);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (was == Drag::Items && s->selected != s->selectionAtPress) notify(hwnd, LBN_SELCHANGE);
}

void keyDown(HWND hwnd, ListState* s, WPARAM key) {
  int n = count(s);
  if (n == 0) return;
  int page = std::max(1, visibleRows(hwnd, s) - 1);
  int cur = s->selected;
  int next = cur;
  switch (key) {
    case VK_UP: next = cur < 0 ? 0 : cur - 1; break;
    case VK_DOWN: next = cur + 1; break;
    case VK_PRIOR: next = cur < 0 ? 0 : cur - page; break;
    case VK_NEXT: next = cur < 0 ? 0 : cur + page; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = n - 1; break;
    default: return;
  }
  next = std::clamp(next, 0, n - 1);
  ensureVisible(hwnd, s, next);
  userSelect(hwnd, s, next);
}

bool startsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (vk::asciiLower(text[i]) != vk::asciiLower(prefix[i])) return false;
  return true;
}

// Type-ahead: characters typed within a second form a prefix to look for;
// the same letter again steps through the items starting with it.
void typeAhead(HWND hwnd, ListState* s, wchar_t c) {
  int n = count(s);
  if (n == 0 || c < 0x20 || (controlDown() && GetKeyState(VK_MENU) >= 0)) return;
  DWORD now = GetMessageTime();
  if (now - s->typedTime > kTypeAheadMs) s->typed.clear();
  s->typedTime = now;
  bool repeat = !s->typed.empty() && s->typed.find_first_not_of(c) == std::wstring::npos;
  s->typed.push_back(c);
  std::wstring prefix = repeat ? std::wstring(1, c) : s->typed;
  int start = std::max(0, s->selected) + ((repeat || s->typed.size() == 1) && s->selected >= 0 ? 1 : 0);
  for (int k = 0; k < n; ++k) {
    int i = (start + k) % n;
    if (startsWithIgnoringCase(s->items[static_cast<std::size_t>(i)].text, prefix)) {
      userSelect(hwnd, s, i);
      return;
    }
  }
}

// ---- The window procedure ---------------------------------------------------
LRESULT CALLBACK listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ListState* s = ownedState<ListState>(hwnd, msg);
  if (!s || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (LRESULT r = 0; handleCommonMessage(hwnd, msg, wParam, lParam, s->font, r)) return r;
  switch (msg) {
    case WM_CREATE: {
      // The parent sets the row height once, while the list is created.
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_LISTBOX;
      mis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      mis.itemWidth = static_cast<UINT>(clientOf(hwnd).right);
      mis.itemHeight = static_cast<UINT>(s->itemHeight);
      if (HWND parent = GetParent(hwnd))
        SendMessageW(parent, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
      s->itemHeight = std::clamp<int>(static_cast<int>(mis.itemHeight), 1, 255);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paintList(hwnd, s); return 0;
    case WM_SIZE:
      s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      notify(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!focusOnClick(hwnd)) return 0;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (hasScrollbar(hwnd, s) && p.x >= rowsRight(hwnd, s)) {
        scrollbarPress(hwnd, s, p);
        return 0;
      }
      LRESULT hit = itemFromPoint(hwnd, s, p);
      if (HIWORD(hit)) return 0;
      s->drag = Drag::Items;
      s->selectionAtPress = s->selected;
      SetCapture(hwnd);
      select(hwnd, s, LOWORD(hit));
      if (msg == WM_LBUTTONDBLCLK) {
        endDrag(hwnd, s);
        if (IsWindow(hwnd)) notify(hwnd, LBN_DBLCLK);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (s->drag == Drag::Items) {
        int rows = std::max(1, visibleRows(hwnd, s));
        int row = p.y < 0 ? -1 : static_cast<int>(p.y) / s->itemHeight;
        // Dragging past an edge scrolls one row per move.
        if (row < 0) setTop(hwnd, s, s->top - 1), row = 0;
        else if (row >= rows) setTop(hwnd, s, s->top + 1), row = rows - 1;
        int index = std::min(count(s) - 1, s->top + row);
        if (index >= 0) select(hwnd, s, index);
      } else if (s->drag == Drag::Thumb) {
        setTop(hwnd, s, scrollFromThumb(scrollbarOf(hwnd, s), p.y - s->thumbGrab, visibleRows(hwnd, s), count(s)));
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (s->drag != Drag::None) endDrag(hwnd, s);
      return 0;
    case WM_CAPTURECHANGED:
      if (s->drag != Drag::None && reinterpret_cast<HWND>(lParam) != hwnd) endDrag(hwnd, s);
      return 0;
    case WM_TIMER:
      if (wParam != kRepeatTimer) return DefWindowProcW(hwnd, msg, wParam, lParam);
      SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
      scrollStep(hwnd, s);
      return 0;
    case WM_MOUSEWHEEL: {
      s->wheelRemainder += GET_WHEEL_DELTA_WPARAM(wParam);
      int rows = s->wheelRemainder * kWheelRows / WHEEL_DELTA;
      s->wheelRemainder -= rows * WHEEL_DELTA / kWheelRows;
      setTop(hwnd, s, s->top - rows);
      return 0;
    }
    case WM_KEYDOWN: keyDown(hwnd, s, wParam); return 0;
    case WM_CHAR: typeAhead(hwnd, s, static_cast<wchar_t>(wParam)); return 0;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      Item item;
      if (lParam) item.text = reinterpret_cast<LPCWSTR>(lParam);
      int at = count(s);
      if (msg == LB_INSERTSTRING && static_cast<int>(wParam) >= 0) at = std::min(at, static_cast<int>(wParam));
      s->items.insert(s->items.begin() + at, std::move(item));
      if (s->selected >= at) ++s->selected;
      InvalidateRect(hwnd, nullptr, FALSE);
      return at;
    }
    case LB_DELETESTRING: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= count(s)) return LB_ERR;
      s->items.erase(s->items.begin() + i);
      if (s->selected == i) s->selected = -1;
      else if (s->selected > i) --s->selected;
      s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
      InvalidateRect(hwnd, nullptr, FALSE);
      return count(s);
    }
    case LB_RESETCONTENT:
      s->items.clear();
      s->selected = -1;
      s->top = 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case LB_SETCURSEL: {
      int i = static_cast<int>(wParam);
      select(hwnd, s, i);
      return (i < 0 || i >= count(s)) ? LB_ERR : i;
    }
    case LB_GETCURSEL: return s->selected;
    case LB_GETCOUNT: return count(s);
    case LB_GETTEXTLEN:
    case LB_GETTEXT:
    case LB_GETITEMDATA:
    case LB_SETITEMDATA:
    case LB_GETITEMRECT: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= count(s)) return LB_ERR;
      Item& item = s->items[static_cast<std::size_t>(i)];
      switch (msg) {
        case LB_GETTEXTLEN: return static_cast<LRESULT>(item.text.size());
        case LB_GETTEXT:
          if (lParam) std::copy_n(item.text.c_str(), item.text.size() + 1, reinterpret_cast<LPWSTR>(lParam));
          return static_cast<LRESULT>(item.text.size());
        case LB_GETITEMDATA: return static_cast<LRESULT>(item.data);
        case LB_SETITEMDATA: item.data = static_cast<ULONG_PTR>(lParam); return LB_OKAY;
        default:
          if (lParam) *reinterpret_cast<RECT*>(lParam) = itemRect(hwnd, s, i);
          return 1;
      }
    }
    case LB_GETTOPINDEX: return s->top;
    case LB_SETTOPINDEX: {
      int i = static_cast<int>(wParam);
      if (i < 0 || (i >= count(s) && count(s) > 0)) return LB_ERR;
      setTop(hwnd, s, i);
      return 0;
    }
    case LB_GETITEMHEIGHT: return s->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
      s->itemHeight = LOWORD(lParam);
      s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case LB_ITEMFROMPOINT: return itemFromPoint(hwnd, s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void registerListBoxClass() { registerLayerClass(L"ListBox", listProc, CS_DBLCLKS); }

}  // namespace vk::platform
