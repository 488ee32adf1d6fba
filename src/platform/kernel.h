// Kernel-level helpers: UTF-8 conversion, the executable's path, integer
// helpers, rectangle helpers, locale-free character classes, and the
// common-controls / DWM calls that are accepted as no-ops here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace vk {

// Converts UTF-8 to one wchar_t per code point. Invalid sequences, overlong
// forms, surrogates and code points above U+10FFFF each become U+FFFD; a
// non-empty input never yields an empty string.
std::wstring utf8ToWide(std::string_view utf8);
// Converts code points to UTF-8. Surrogates and values above U+10FFFF are
// written as U+FFFD.
std::string wideToUtf8(std::wstring_view wide);
// Appends one code point's UTF-8 form by wideToUtf8's rule, for writers that
// build their text in place.
void appendUtf8(std::string& out, std::uint32_t codePoint);

// ASCII-only character classes and case mapping, independent of any locale.
inline bool isAsciiSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}
inline bool isAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
inline bool isAsciiAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
inline bool isAsciiAlnum(wchar_t c) { return isAsciiDigit(c) || isAsciiAlpha(c); }
inline wchar_t asciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }
inline wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c; }
std::wstring asciiLowered(std::wstring_view text);
bool equalsIgnoreAsciiCase(std::wstring_view a, std::wstring_view b);

}  // namespace vk

// Win32-shaped kernel calls.
int MulDiv(int number, int numerator, int denominator);
// Writes the full executable path (never truncated to 260 characters) and
// returns its length, or 0 with an empty buffer when it does not fit.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
std::wstring vkExecutablePath();
HINSTANCE GetModuleHandleW(LPCWSTR name);
unsigned long long GetTickCount64();

BOOL PtInRect(const RECT* rect, POINT pt);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL IsRectEmpty(const RECT* rect);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);

// Common controls and DWM: accepted, nothing to do on this platform.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize = 0;
  DWORD dwICC = 0;
};
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
#define DWMWA_USE_IMMERSIVE_DARK_MODE 20
HRESULT DwmSetWindowAttribute(HWND hwnd, DWORD attribute, const void* value, DWORD size);
