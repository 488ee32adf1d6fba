#include "platform/kernel.h"

#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace vk {

std::wstring utf8ToWide(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      out.push_back(static_cast<wchar_t>(c));
      ++i;
      continue;
    }
    int length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2, cp = c & 0x1F, minimum = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3, cp = c & 0x0F, minimum = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4, cp = c & 0x07, minimum = 0x10000;
    } else {
      out.push_back(0xFFFD);  // stray continuation byte or invalid lead
      ++i;
      continue;
    }
    int taken = 1;
    bool valid = true;
    for (; taken < length; ++taken) {
      if (i + taken >= n || (p[i + taken] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (p[i + taken] & 0x3F);
    }
    if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
    if (!valid) {
      // Replace the maximal invalid prefix with one U+FFFD and resume at the
      // first byte that did not belong to it.
      out.push_back(0xFFFD);
      i += taken;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += length;
  }
  return out;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string wideToUtf8(std::wstring_view w) {
  std::string out;
  out.reserve(w.size());
  for (wchar_t wc : w) appendUtf8(out, static_cast<std::uint32_t>(wc));
  return out;
}

std::wstring asciiLowered(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = asciiLower(c);
  return out;
}

bool equalsIgnoreAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

}  // namespace vk

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  long long quotient = product / denominator;
  long long remainder = product % denominator;
  // Round half away from zero.
  if (remainder != 0) {
    unsigned long long twice = 2ULL * static_cast<unsigned long long>(remainder < 0 ? -remainder : remainder);
    unsigned long long div = static_cast<unsigned long long>(denominator < 0 ? -(long long)denominator : denominator);
    if (twice >= div) quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  }
  if (quotient > INT_MAX || quotient < INT_MIN) return -1;
  return static_cast<int>(quotient);
}

std::wstring vkExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size())
      return vk::utf8ToWide(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
    buffer.resize(buffer.size() * 2);
  }
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR buffer, DWORD size) {
  std::wstring path = vkExecutablePath();
  if (!buffer || size == 0) return 0;
  if (path.empty() || path.size() + 1 > size) {
    buffer[0] = L'\0';
    return 0;
  }
  std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return static_cast<DWORD>(path.size());
}

HINSTANCE GetModuleHandleW(LPCWSTR) { return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}); }

unsigned long long GetTickCount64() {
  using namespace std::chrono;
  return static_cast<unsigned long long>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

BOOL PtInRect(const RECT* r, POINT pt) {
  return r && pt.x >= r->left && pt.x < r->right && pt.y >= r->top && pt.y < r->bottom;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx, r->right += dx, r->top += dy, r->bottom += dy;
  return TRUE;
}
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *out = RECT{};
    return FALSE;
  }
  *out = r;
  return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }
HRESULT DwmSetWindowAttribute(HWND, DWORD, const void*, DWORD) { return S_OK; }
