// The modal frame of every box and dialog, and what the message box and the
// file dialog share besides.
#include <algorithm>

#include "platform/dialog_internal.h"
#include "platform/palette.h"

namespace vk::platform {

DialogFonts::DialogFonts() {
  text = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI");
  bold = CreateFontW(-14, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI");
}

DialogFonts::~DialogFonts() {
  DeleteObject(text);
  DeleteObject(bold);
}

namespace {

// Alive, shown, and neither it nor a parent disabled.
bool canTakeFocus(HWND hwnd) {
  if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return false;
  for (HWND w = hwnd; w; w = GetAncestor(w, GA_PARENT))
    if (!IsWindowEnabled(w)) return false;
  return true;
}

}  // namespace

ModalOwner beginModal(HWND owner) {
  ModalOwner m;
  m.window = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  m.focus = GetFocus();
  if (m.window && IsWindowEnabled(m.window)) {
    EnableWindow(m.window, FALSE);
    m.disabled = true;
  }
  return m;
}

void endModal(const ModalOwner& owner, HWND dialog) {
  // The owner comes back before the dialog goes, so activation returns to it.
  if (owner.disabled && IsWindow(owner.window)) EnableWindow(owner.window, TRUE);
  if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
  if (owner.window && IsWindow(owner.window) && GetActiveWindow() != owner.window) SetActiveWindow(owner.window);
  // Activation alone leaves the keys with the owner's frame, where typing goes
  // nowhere and Enter repeats what opened the box.
  if (owner.focus && GetFocus() != owner.focus && canTakeFocus(owner.focus)) SetFocus(owner.focus);
}

RECT workAreaFor(HWND owner) {
  MONITORINFO info;
  HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST) : MonitorFromPoint(POINT{}, MONITOR_DEFAULTTOPRIMARY);
  GetMonitorInfoW(monitor, &info);
  return info.rcWork;
}

RECT centredRect(HWND owner, int width, int height) {
  RECT work = workAreaFor(owner);
  RECT around = work;
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  int x = (around.left + around.right - width) / 2;
  int y = (around.top + around.bottom - height) / 2;
  x = std::clamp<int>(x, work.left, std::max<int>(work.left, work.right - width));
  y = std::clamp<int>(y, work.top, std::max<int>(work.top, work.bottom - height));
  return RECT{x, y, x + width, y + height};
}

void paintDialogFrame(HDC dc, const RECT& client, const std::wstring& title, HFONT titleFont) {
  fillColor(dc, client, kPanelFill);
  RECT band{client.left, client.top, client.right, client.top + kDialogTitleHeight};
  gradientFill(dc, band, kPanelHeaderTop, kPanelHeaderBottom);
  fillColor(dc, RECT{band.left, band.bottom - 1, band.right, band.bottom}, kPanelBorder);
  HGDIOBJ old = SelectObject(dc, titleFont);
  drawTextColor(dc, title, RECT{band.left + 16, band.top, band.right - 16, band.bottom - 1},
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, kTextPrimary);
  if (old) SelectObject(dc, old);
  frameColor(dc, client, kPanelBorder);
}

void drawDialogButton(const DRAWITEMSTRUCT& item, bool isDefault) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool pressed = item.itemState & ODS_SELECTED;
  COLORREF top = isDefault ? kButtonAccentTop : kButtonTop;
  COLORREF bottom = isDefault ? kButtonAccentBottom : kButtonBottom;
  if (pressed) {
    auto darker = [](COLORREF c) {
      return RGB(GetRValue(c) * 3 / 4, GetGValue(c) * 3 / 4, GetBValue(c) * 3 / 4);
    };
    top = darker(top);
    bottom = darker(bottom);
  }
  gradientFill(dc, r, top, bottom);
  frameColor(dc, r, (item.itemState & ODS_FOCUS) ? kButtonFocusBorder : kButtonBorder);
  wchar_t text[256];
  int n = GetWindowTextW(item.hwndItem, text, 256);
  drawTextColor(dc, std::wstring(text, static_cast<std::size_t>(n)), r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX,
                (item.itemState & ODS_DISABLED) ? kTextDisabled : kTextButton);
}

HWND createDialogButton(HWND parent, const wchar_t* text, int id, RECT r, HFONT font) {
  HWND b = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (b && font) SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return b;
}

}  // namespace vk::platform
