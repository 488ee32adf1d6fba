// Shared pieces of the control classes, menus and dialogs (drawn in the
// colours of platform/palette.h): per-window state, parent notifications and the
// filtered nested loop (never included outside src/platform).
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/kernel.h"
#include "platform/palette.h"
#include "platform/gdi.h"
#include "platform/text.h"

namespace vk::platform {

// Built-in classes: "BUTTON", "STATIC", "EDIT", "LISTBOX" and the layer's
// own popup-menu, message-box and file-dialog windows. Run whenever the
// window manager is reset.
void registerBuiltinClasses();
void registerButtonClass();
void registerStaticClass();
void registerEditClass();
void registerListBoxClass();
void registerMenuClass();
void registerDialogClasses();

// Per-window state of a built-in class lives behind the first extra slot.
inline constexpr int kStateBytes = sizeof(void*);
template <class T>
T* stateOf(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, 0));
}
template <class T>
void attachState(HWND hwnd, T* state) {
  SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
}
template <class T>
void freeState(HWND hwnd) {
  delete stateOf<T>(hwnd);
  SetWindowLongPtrW(hwnd, 0, 0);
}

// State a control owns: made on WM_NCCREATE and freed on WM_NCDESTROY
// (null from then on, as before it was made).
template <class T>
T* ownedState(HWND hwnd, UINT msg) {
  if (msg == WM_NCCREATE) attachState(hwnd, new T);
  if (msg == WM_NCDESTROY) {
    freeState<T>(hwnd);
    return nullptr;
  }
  return stateOf<T>(hwnd);
}

// State that the code creating a window owns and passes as the creation
// parameter: attached on WM_NCCREATE, detached on WM_NCDESTROY.
template <class T>
T* borrowedState(HWND hwnd, UINT msg, LPARAM lParam) {
  if (msg == WM_NCCREATE)
    attachState(hwnd, static_cast<T*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
  T* s = stateOf<T>(hwnd);
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, 0, 0);
  return s;
}

// Registers one of the layer's classes with a state slot.
void registerLayerClass(LPCWSTR name, WNDPROC proc, UINT style, LPCWSTR cursor = IDC_ARROW);

// WM_SETFONT, WM_GETFONT, WM_SETTEXT and WM_ENABLE as every control
// handles them (keeping the font by handle, repainting on changes); false
// for any other message.
bool handleCommonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HFONT& font, LRESULT& result);

// A click gives the control the focus; false when the focus change (and
// the notifications it sends) destroyed it.
bool focusOnClick(HWND hwnd);

// WM_COMMAND(MAKEWPARAM(id, code), control) to the parent, synchronously.
void notifyParent(HWND control, UINT code);

// Asks the parent for the control's colours (WM_CTLCOLOR*); the DC then
// holds the parent's text colour, background colour and mode. Returns the
// brush to fill with, or null when the parent gave none (use `fallback`).
HBRUSH askColors(HWND control, HDC dc, UINT message, COLORREF fallbackText);
void fillWith(HDC dc, const RECT& rect, HBRUSH brush, COLORREF fallback);
void fillColor(HDC dc, const RECT& rect, COLORREF color);
void frameColor(HDC dc, const RECT& rect, COLORREF color);
void triangleColor(HDC dc, POINT a, POINT b, POINT c, COLORREF color);
void gradientFill(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom);
// Draws `text` with the given colour and the DC's current font.
void drawTextColor(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF color);
// The font every built-in window draws with when none was set.
HFONT defaultUiFont();
int fontLineHeight(HDC dc);

// True when the shift or control key is down for the message being handled.
bool shiftDown();
bool controlDown();

// The theme's vertical scrollbar drawn inside a client area: geometry and
// hit testing shared by the list box and the message box.
struct ScrollGeometry {
  RECT bar{};     // the whole bar
  RECT up{};      // arrow buttons
  RECT down{};
  RECT track{};   // between the arrows
  RECT thumb{};
};
ScrollGeometry scrollGeometry(const RECT& bar, int first, int visible, int total);
void drawScrollbar(HDC dc, const ScrollGeometry& g, bool thumbHot);
// The first unit for a thumb whose top is at `thumbTop` (track coordinates).
int scrollFromThumb(const ScrollGeometry& g, int thumbTop, int visible, int total);

}  // namespace vk::platform
