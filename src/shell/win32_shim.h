// TEMPORARY: the three window calls of the shell services, declared here
// until the window manager's platform/win32.h provides them. Replace every
// include of this header by "platform/win32.h" when that lands, and delete
// this file and win32_shim.cpp.
#pragma once

#include "platform/win32.h"

HWND GetDlgItem(HWND parent, int id);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
