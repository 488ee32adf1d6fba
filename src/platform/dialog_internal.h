// What the message box and the file dialog share: the placing and painting
// of a layer-drawn top-level window and the theme's push buttons (the modal
// frame around it is in dialogs.h).
#pragma once

#include <string>

#include "platform/controls_internal.h"
#include "platform/dialogs.h"

namespace vk::platform {

inline constexpr int kDialogTitleHeight = 34;
inline constexpr int kDialogButtonWidth = 84;
inline constexpr int kDialogButtonHeight = 30;

struct DialogFonts {
  HFONT text = nullptr;
  HFONT bold = nullptr;
  DialogFonts();
  ~DialogFonts();
  DialogFonts(const DialogFonts&) = delete;
  DialogFonts& operator=(const DialogFonts&) = delete;
};

// A rectangle of the given size centred on the owner (or the work area),
// kept inside the work area.
RECT centredRect(HWND owner, int width, int height);
RECT workAreaFor(HWND owner);

// The frame every layer dialog paints: window fill, title band and border.
void paintDialogFrame(HDC dc, const RECT& client, const std::wstring& title, HFONT titleFont);
// WM_DRAWITEM painter of the dialogs' owner-drawn push buttons.
void drawDialogButton(const DRAWITEMSTRUCT& item, bool isDefault);
HWND createDialogButton(HWND parent, const wchar_t* text, int id, RECT r, HFONT font);

void registerFileDialogClass();

}  // namespace vk::platform
