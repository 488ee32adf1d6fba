// TEMPORARY stand-ins for the window manager's calls (see win32_shim.h): no
// window can exist before it lands, so there is never anything to update.
#include "shell/win32_shim.h"

HWND GetDlgItem(HWND, int) { return nullptr; }
BOOL SetWindowTextW(HWND, LPCWSTR) { return FALSE; }
BOOL InvalidateRect(HWND, const RECT*, BOOL) { return FALSE; }
