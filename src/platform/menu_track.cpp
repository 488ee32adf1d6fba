// TrackPopupMenu: the popup windows, placement inside the work area,
// scrolling of tall menus, cascades and the modal tracking loop.
//
// Sections:
//   - Levels, measuring and scrolling
//   - Opening, selecting and choosing
//   - Mouse and keyboard
//   - Painting and the menu window
//   - Tracking
#include <algorithm>
#include <functional>

#include "platform/controls_internal.h"
#include "platform/headless_responders.h"
#include "platform/menu_internal.h"

namespace vk::platform {

// ---- Levels, measuring and scrolling ----------------------------------------
namespace {

constexpr int kBorder = 1;
constexpr int kScrollBand = 14;
constexpr int kSeparatorHeight = 9;
constexpr int kTextItemPadding = 8;
constexpr UINT_PTR kOpenTimer = 0x4D4F;
constexpr UINT_PTR kScrollTimer = 0x4D53;
constexpr UINT kOpenDelayMs = 400;
constexpr UINT kScrollMs = 50;
constexpr int kWheelItems = 3;
constexpr const wchar_t* kMenuClass = L"VkPopupMenu";

struct Level {
  HMENU menu = nullptr;
  HWND window = nullptr;
  int selected = -1;
  int first = 0;             // first item shown when the menu scrolls
  std::vector<int> tops;     // item offsets in the content, plus the end
  bool scrolls = false;
  RECT screen{};
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  std::vector<Level> levels;
  bool done = false;
  bool ending = false;  // dismissed by a press outside; its release is swallowed too
  UINT_PTR result = 0;
  int scrollDirection = 0;
  Tracker* outer = nullptr;
};

// The menu being tracked (the layer's own table: one per nesting level).
Tracker*& activeTracker() {
  static Tracker* t = nullptr;
  return t;
}

MenuItem* itemOf(const Level& level, int index) {
  MenuObject* m = menuFromHandle(level.menu);
  if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return nullptr;
  return &m->items[static_cast<std::size_t>(index)];
}

int itemCount(const Level& level) {
  MenuObject* m = menuFromHandle(level.menu);
  return m ? static_cast<int>(m->items.size()) : 0;
}

bool selectable(const MenuItem* item) {
  return item && !(item->flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

UINT drawId(const MenuItem& item) {
  return item.submenu ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(item.submenu)) : static_cast<UINT>(item.id);
}

void measureItems(Tracker& t, HMENU menu) {
  MenuObject* m = menuFromHandle(menu);
  if (!m) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, defaultUiFont());
  int textHeight = fontLineHeight(dc);
  for (MenuItem& item : m->items) {
    if (item.measured) continue;
    if (item.flags & MF_SEPARATOR) {
      item.width = 0;
      item.height = kSeparatorHeight;
    } else if (item.flags & MF_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = drawId(item);
      mis.itemHeight = static_cast<UINT>(textHeight + kTextItemPadding);
      mis.itemData = item.data;
      SendMessageW(t.owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      item.width = static_cast<int>(std::min<UINT>(mis.itemWidth, 4096));
      item.height = static_cast<int>(std::clamp<UINT>(mis.itemHeight, 1, 1024));
    } else {
      SIZE size{};
      GetTextExtentPoint32W(dc, item.text.c_str(), static_cast<int>(item.text.size()), &size);
      item.width = size.cx + 24 + 28;
      item.height = textHeight + kTextItemPadding;
    }
    item.measured = true;
  }
  if (oldFont) SelectObject(dc, oldFont);
  ReleaseDC(nullptr, dc);
}

RECT workAreaAt(POINT p) {
  MONITORINFO info;
  GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

// Visible content height of a level's window.
int viewHeight(const Level& level) {
  RECT c{};
  GetClientRect(level.window, &c);
  return c.bottom - 2 * kBorder - (level.scrolls ? 2 * kScrollBand : 0);
}

int contentTop(const Level& level) { return kBorder + (level.scrolls ? kScrollBand : 0); }

// Client rectangle of an item (it may lie outside the view when scrolled away).
RECT itemRect(const Level& level, int index) {
  RECT c{};
  GetClientRect(level.window, &c);
  int y = contentTop(level) + level.tops[static_cast<std::size_t>(index)] - level.tops[static_cast<std::size_t>(level.first)];
  return RECT{kBorder, y, c.right - kBorder, y + level.tops[static_cast<std::size_t>(index) + 1] - level.tops[static_cast<std::size_t>(index)]};
}

int maxFirst(const Level& level) {
  int n = static_cast<int>(level.tops.size()) - 1;
  int view = viewHeight(level);
  int first = n;
  while (first > 0 && level.tops[static_cast<std::size_t>(n)] - level.tops[static_cast<std::size_t>(first - 1)] <= view) --first;
  return first;
}

void scrollBy(Level& level, int items) {
  if (!level.scrolls) return;
  int first = std::clamp(level.first + items, 0, maxFirst(level));
  if (first == level.first) return;
  level.first = first;
  InvalidateRect(level.window, nullptr, FALSE);
}

void ensureVisible(Level& level, int index) {
  if (!level.scrolls || index < 0) return;
  if (index < level.first) {
    scrollBy(level, index - level.first);
    return;
  }
  int view = viewHeight(level);
  int first = level.first;
  while (first < index && level.tops[static_cast<std::size_t>(index) + 1] - level.tops[static_cast<std::size_t>(first)] > view) ++first;
  scrollBy(level, first - level.first);
}

// ---- Opening, selecting and choosing ----------------------------------------
void openLevel(Tracker& t, HMENU menu, POINT at, const RECT* parentItem, const RECT* parentWindow) {
  if (!(t.flags & TPM_NONOTIFY))
    SendMessageW(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), static_cast<LPARAM>(t.levels.size()));
  measureItems(t, menu);
  Level level;
  level.menu = menu;
  MenuObject* m = menuFromHandle(menu);
  int width = 0;
  level.tops.push_back(0);
  for (const MenuItem& item : m->items) {
    width = std::max(width, item.width);
    level.tops.push_back(level.tops.back() + item.height);
  }
  width = std::max(width, 40) + 2 * kBorder;
  int height = level.tops.back() + 2 * kBorder;
  RECT work = workAreaAt(at);
  int workHeight = work.bottom - work.top;
  int limit = m->maxHeight ? std::min<int>(static_cast<int>(m->maxHeight), workHeight) : workHeight;
  if (height > limit) {
    level.scrolls = true;
    height = std::max(limit, 2 * kBorder + 2 * kScrollBand + 1);
  }
  int x = at.x;
  int y = at.y;
  if (parentWindow) {
    // A cascade opens beside its item, or on the other side when it does not fit.
    x = parentWindow->right - 2;
    y = parentItem->top - kBorder;
    if (x + width > work.right) x = parentWindow->left - width + 2;
    if (y + height > work.bottom) y = work.bottom - height;
  } else {
    if (t.flags & TPM_RIGHTALIGN) x -= width;
    else if (t.flags & TPM_CENTERALIGN) x -= width / 2;
    if (t.flags & TPM_BOTTOMALIGN) y -= height;
    else if (t.flags & TPM_VCENTERALIGN) y -= height / 2;
    if (x + width > work.right) x = (x - width >= work.left) ? x - width : work.right - width;
    if (y + height > work.bottom) y = (y - height >= work.top) ? y - height : work.bottom - height;
  }
  x = std::max<int>(x, work.left);
  y = std::max<int>(y, work.top);
  level.screen = RECT{x, y, x + width, y + height};
  level.window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kMenuClass, L"",
                                 WS_POPUP | WS_CLIPSIBLINGS, x, y, width, height, t.owner, nullptr, nullptr, &t);
  t.levels.push_back(level);
  ShowWindow(level.window, SW_SHOWNOACTIVATE);
}

void closeLevelsAfter(Tracker& t, std::size_t keep) {
  while (t.levels.size() > keep) {
    HWND w = t.levels.back().window;
    t.levels.pop_back();
    DestroyWindow(w);
  }
  if (!t.levels.empty()) KillTimer(t.levels.back().window, kOpenTimer);
}

int firstSelectable(const Level& level, int from, int step) {
  int n = itemCount(level);
  for (int k = 0; k < n; ++k) {
    int i = ((from + step * k) % n + n) % n;
    if (selectable(itemOf(level, i))) return i;
  }
  return -1;
}

void setSelected(Tracker& t, std::size_t levelIndex, int index) {
  Level& level = t.levels[levelIndex];
  if (level.selected == index) return;
  closeLevelsAfter(t, levelIndex + 1);
  Level& again = t.levels[levelIndex];
  again.selected = index;
  ensureVisible(again, index);
  InvalidateRect(again.window, nullptr, FALSE);
}

void openSubmenu(Tracker& t, std::size_t levelIndex, bool selectFirst) {
  Level& level = t.levels[levelIndex];
  MenuItem* item = itemOf(level, level.selected);
  if (!item || !item->submenu || !selectable(item)) return;
  if (t.levels.size() > levelIndex + 1 && t.levels[levelIndex + 1].menu == item->submenu) {
    if (selectFirst) setSelected(t, levelIndex + 1, firstSelectable(t.levels[levelIndex + 1], 0, 1));
    return;
  }
  closeLevelsAfter(t, levelIndex + 1);
  KillTimer(level.window, kOpenTimer);
  RECT r = itemRect(level, level.selected);
  POINT corner{r.left, r.top};
  ClientToScreen(level.window, &corner);
  RECT screenItem{corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top)};
  RECT parentScreen = level.screen;
  openLevel(t, item->submenu, POINT{screenItem.right, screenItem.top}, &screenItem, &parentScreen);
  if (selectFirst) setSelected(t, t.levels.size() - 1, firstSelectable(t.levels.back(), 0, 1));
}

void choose(Tracker& t, const MenuItem* item) {
  t.result = item->id;
  t.done = true;
}

// ---- Mouse and keyboard -----------------------------------------------------
// The deepest level whose window holds the screen point, or -1.
int levelAt(const Tracker& t, POINT p) {
  for (int i = static_cast<int>(t.levels.size()) - 1; i >= 0; --i)
    if (PtInRect(&t.levels[static_cast<std::size_t>(i)].screen, p)) return i;
  return -1;
}

// -2 on the upper scroll band, -3 on the lower one, -1 on nothing.
int hitItem(const Level& level, POINT screen) {
  POINT p = screen;
  ScreenToClient(level.window, &p);
  RECT c{};
  GetClientRect(level.window, &c);
  if (level.scrolls && p.y < kBorder + kScrollBand) return -2;
  if (level.scrolls && p.y >= c.bottom - kBorder - kScrollBand) return -3;
  for (int i = level.first; i < itemCount(level); ++i) {
    RECT r = itemRect(level, i);
    if (r.top >= c.bottom) break;
    if (p.y >= r.top && p.y < r.bottom) return i;
  }
  return -1;
}

void hover(Tracker& t, POINT p) {
  int li = levelAt(t, p);
  if (li < 0) {
    Level& deepest = t.levels.back();
    MenuItem* item = itemOf(deepest, deepest.selected);
    if (!(item && item->submenu)) setSelected(t, t.levels.size() - 1, -1);
    return;
  }
  auto levelIndex = static_cast<std::size_t>(li);
  Level& level = t.levels[levelIndex];
  int hit = hitItem(level, p);
  if (hit == -2 || hit == -3) {
    t.scrollDirection = hit == -2 ? -1 : 1;
    SetTimer(level.window, kScrollTimer, kScrollMs, nullptr);
    return;
  }
  t.scrollDirection = 0;
  KillTimer(level.window, kScrollTimer);
  MenuItem* item = itemOf(level, hit);
  int index = (item && !(item->flags & MF_SEPARATOR)) ? hit : -1;
  if (index == level.selected) {
    // Back on the item whose cascade is open: keep that cascade, close deeper ones.
    if (t.levels.size() > levelIndex + 2) closeLevelsAfter(t, levelIndex + 2);
    return;
  }
  setSelected(t, levelIndex, index);
  if (item && item->submenu && selectable(item)) SetTimer(t.levels[levelIndex].window, kOpenTimer, kOpenDelayMs, nullptr);
}

void pressAt(Tracker& t, POINT p) {
  int li = levelAt(t, p);
  if (li < 0) {
    // A click outside dismisses and is not delivered, its release neither.
    for (Level& level : t.levels) ShowWindow(level.window, SW_HIDE);
    t.ending = true;
    return;
  }
  auto levelIndex = static_cast<std::size_t>(li);
  Level& level = t.levels[levelIndex];
  int hit = hitItem(level, p);
  if (hit == -2 || hit == -3) {
    scrollBy(level, hit == -2 ? -1 : 1);
    return;
  }
  MenuItem* item = itemOf(level, hit);
  if (item && item->submenu && selectable(item)) {
    setSelected(t, levelIndex, hit);
    openSubmenu(t, levelIndex, false);
  }
}

void releaseAt(Tracker& t, POINT p) {
  int li = levelAt(t, p);
  if (li < 0) return;
  Level& level = t.levels[static_cast<std::size_t>(li)];
  MenuItem* item = itemOf(level, hitItem(level, p));
  if (item && !item->submenu && selectable(item)) choose(t, item);
}

void keyDown(Tracker& t, WPARAM key) {
  std::size_t deepest = t.levels.size() - 1;
  Level& level = t.levels[deepest];
  MenuItem* item = itemOf(level, level.selected);
  int n = itemCount(level);
  switch (key) {
    case VK_DOWN:
      setSelected(t, deepest, firstSelectable(level, level.selected < 0 ? 0 : level.selected + 1, 1));
      break;
    case VK_UP:
      setSelected(t, deepest, firstSelectable(level, level.selected < 0 ? n - 1 : level.selected - 1 + n, -1));
      break;
    case VK_HOME: setSelected(t, deepest, firstSelectable(level, 0, 1)); break;
    case VK_END: setSelected(t, deepest, firstSelectable(level, n - 1, -1)); break;
    case VK_RIGHT:
      if (item && item->submenu) openSubmenu(t, deepest, true);
      break;
    case VK_LEFT:
      if (deepest > 0) closeLevelsAfter(t, deepest);
      break;
    case VK_ESCAPE:
      if (deepest > 0) closeLevelsAfter(t, deepest);
      else t.done = true;
      break;
    case VK_RETURN:
    case VK_SPACE:
      if (item && item->submenu) openSubmenu(t, deepest, true);
      else if (selectable(item)) choose(t, item);
      break;
    case VK_MENU:
    case VK_F10: t.done = true; break;
    default: break;
  }
}

// Everything the user does while the menu is up goes to the menu.
bool filterMessage(Tracker& t, const MSG& m) {
  if (t.ending) {
    bool input = (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) || (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST);
    if (m.message == WM_LBUTTONUP || m.message == WM_RBUTTONUP || m.message == WM_MBUTTONUP || m.message >= WM_KEYFIRST)
      t.done = t.done || input;
    return input;
  }
  switch (m.message) {
    case WM_MOUSEMOVE: hover(t, m.pt); return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: pressAt(t, m.pt); return true;
    case WM_LBUTTONUP: releaseAt(t, m.pt); return true;
    case WM_RBUTTONUP:
      if (t.flags & TPM_RIGHTBUTTON) releaseAt(t, m.pt);
      return true;
    case WM_MBUTTONUP: return true;
    case WM_MOUSEWHEEL: {
      int li = levelAt(t, m.pt);
      Level& level = t.levels[li < 0 ? t.levels.size() - 1 : static_cast<std::size_t>(li)];
      scrollBy(level, -GET_WHEEL_DELTA_WPARAM(m.wParam) * kWheelItems / WHEEL_DELTA);
      return true;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: keyDown(t, m.wParam); return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR: return true;
    default: return false;
  }
}

// ---- Painting and the menu window -------------------------------------------
void paintLevel(Tracker& t, Level& level) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(level.window, &ps);
  RECT c{};
  GetClientRect(level.window, &c);
  MenuObject* m = menuFromHandle(level.menu);
  HBRUSH background = m ? m->background : nullptr;
  fillWith(dc, c, background, kControlBackground);
  frameColor(dc, c, kPanelBorder);
  int viewBottom = c.bottom - kBorder - (level.scrolls ? kScrollBand : 0);
  HGDIOBJ oldFont = SelectObject(dc, defaultUiFont());
  for (int i = level.first; i < itemCount(level); ++i) {
    RECT r = itemRect(level, i);
    if (r.top >= viewBottom) break;
    const MenuItem& item = *itemOf(level, i);
    bool selected = i == level.selected;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, std::max<int>(r.top, contentTop(level)), r.right, std::min<int>(r.bottom, viewBottom));
    if (item.flags & MF_SEPARATOR) {
      int mid = (r.top + r.bottom) / 2;
      fillColor(dc, RECT{r.left + 4, mid, r.right - 4, mid + 1}, kSeparator);
    } else if (item.flags & MF_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_MENU;
      dis.itemID = drawId(item);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (selected ? ODS_SELECTED : 0) | ((item.flags & MF_GRAYED) ? ODS_GRAYED : 0) |
                      ((item.flags & MF_DISABLED) ? ODS_DISABLED : 0) | ((item.flags & MF_CHECKED) ? ODS_CHECKED : 0);
      dis.hwndItem = reinterpret_cast<HWND>(level.menu);
      dis.hDC = dc;
      dis.rcItem = r;
      dis.itemData = item.data;
      SendMessageW(t.owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    } else {
      if (selected) fillColor(dc, r, kSelectionFill);
      COLORREF color = !selectable(&item) ? kTextDisabled : selected ? kTextMenuSelected : kTextControl;
      if (item.flags & MF_CHECKED)
        drawTextColor(dc, L"\u2713", RECT{r.left + 6, r.top, r.left + 22, r.bottom}, DT_SINGLELINE | DT_VCENTER, color);
      drawTextColor(dc, item.text, RECT{r.left + 24, r.top, r.right - 24, r.bottom},
                    DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, color);
      if (item.submenu) {
        int mid = (r.top + r.bottom) / 2;
        triangleColor(dc, POINT{r.right - 14, mid - 4}, POINT{r.right - 14, mid + 4}, POINT{r.right - 10, mid}, color);
      }
    }
    RestoreDC(dc, saved);
  }
  if (level.scrolls) {
    int cx = c.right / 2;
    COLORREF up = level.first > 0 ? kTextControl : kTextDisabled;
    COLORREF down = level.first < maxFirst(level) ? kTextControl : kTextDisabled;
    triangleColor(dc, POINT{cx - 5, kBorder + 10}, POINT{cx + 5, kBorder + 10}, POINT{cx, kBorder + 4}, up);
    triangleColor(dc, POINT{cx - 5, c.bottom - kBorder - 10}, POINT{cx + 5, c.bottom - kBorder - 10},
                  POINT{cx, c.bottom - kBorder - 4}, down);
  }
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(level.window, &ps);
}

Level* levelOfWindow(Tracker* t, HWND hwnd, std::size_t* index = nullptr) {
  if (!t) return nullptr;
  for (std::size_t i = 0; i < t->levels.size(); ++i)
    if (t->levels[i].window == hwnd) {
      if (index) *index = i;
      return &t->levels[i];
    }
  return nullptr;
}

LRESULT CALLBACK menuWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* t = borrowedState<Tracker>(hwnd, msg, lParam);
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      if (Level* level = levelOfWindow(t, hwnd)) {
        paintLevel(*t, *level);
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_TIMER: {
      std::size_t index = 0;
      Level* level = levelOfWindow(t, hwnd, &index);
      if (!level) return 0;
      if (wParam == kOpenTimer) {
        KillTimer(hwnd, kOpenTimer);
        openSubmenu(*t, index, false);
      } else if (wParam == kScrollTimer) {
        if (t->scrollDirection == 0) KillTimer(hwnd, kScrollTimer);
        else scrollBy(*level, t->scrollDirection);
      }
      return 0;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- Tracking ---------------------------------------------------------------
void recordItems(HMENU menu, std::vector<vk::headless::MenuItemRecord>& out, int depth) {
  MenuObject* m = menuFromHandle(menu);
  if (!m || depth > 32) return;
  for (const MenuItem& item : m->items) {
    vk::headless::MenuItemRecord r;
    r.id = item.submenu ? 0 : item.id;
    r.flags = item.flags;
    r.separator = (item.flags & MF_SEPARATOR) != 0;
    if (item.flags & MF_OWNERDRAW) {
      if (item.data) r.label = reinterpret_cast<const wchar_t*>(item.data);
    } else {
      r.label = item.text;
    }
    if (item.submenu) recordItems(item.submenu, r.submenu, depth + 1);
    out.push_back(std::move(r));
  }
}

UINT_PTR track(Tracker& t, HMENU menu, POINT at) {
  HWND focusBefore = GetFocus();
  if (!(t.flags & TPM_NONOTIFY)) SendMessageW(t.owner, WM_ENTERMENULOOP, TRUE, 0);
  openLevel(t, menu, at, nullptr, nullptr);
  HWND captureWindow = t.levels.front().window;
  bool captured = false;
  runModalLoop(
      [&] {
        // The loop releases any capture as it starts; the menu takes it then.
        if (!captured) {
          SetCapture(captureWindow);
          captured = true;
        }
        return t.done || (!t.ending && GetCapture() != captureWindow) || !IsWindow(t.owner) || t.levels.empty();
      },
      [&](const MSG& m) { return filterMessage(t, m); });
  if (GetCapture() == captureWindow) ReleaseCapture();
  closeLevelsAfter(t, 0);
  if (IsWindow(t.owner) && !(t.flags & TPM_NONOTIFY)) SendMessageW(t.owner, WM_EXITMENULOOP, TRUE, 0);
  if (focusBefore && IsWindow(focusBefore) && GetFocus() != focusBefore) SetFocus(focusBefore);
  return t.result;
}

}  // namespace

void registerMenuClass() { registerLayerClass(kMenuClass, menuWindowProc, CS_SAVEBITS | CS_DROPSHADOW); }

}  // namespace vk::platform

using namespace vk::platform;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
  if (!menuFromHandle(menu) || !IsWindow(owner)) return FALSE;
  if (activeTracker() && !(flags & TPM_RECURSE)) return FALSE;
  vk::headless::MenuRecord record;
  record.owner = owner;
  record.flags = flags;
  record.at = POINT{x, y};
  recordItems(menu, record.items, 0);
  UINT_PTR result = 0;
  if (scriptMenu(record) == ScriptOutcome::Answered) {
    result = record.result;
  } else {
    Tracker t;
    t.owner = owner;
    t.flags = flags;
    t.outer = activeTracker();
    activeTracker() = &t;
    result = track(t, menu, POINT{x, y});
    activeTracker() = t.outer;
    record.result = result;
    recordMenu(record);
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(result);
  if (result && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(result, 0), 0);
  return result ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
