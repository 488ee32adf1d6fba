// Tiny drawing targets for pixel-exact GDI tests.
#pragma once

#include <map>
#include <string>

#include "platform/win32.h"

namespace gditest {

// A memory DC holding a top-down w x h DIB filled with white; frees both.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::uint32_t* bits = nullptr;
  int width = 0, height = 0;

  Canvas(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<std::uint32_t*>(memory);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
    for (int i = 0; i < w * h; ++i) bits[i] = 0xFFFFFF;
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Rows separated by '\n': '.' white, '#' black, 'r' red, 'g' green,
  // 'b' blue, '?' anything else.
  std::string picture() const {
    std::string out;
    for (int y = 0; y < height; ++y) {
      if (y) out += '\n';
      for (int x = 0; x < width; ++x) {
        std::uint32_t p = bits[y * width + x] & 0xFFFFFF;
        out += p == 0xFFFFFF ? '.' : p == 0 ? '#' : p == 0xFF0000 ? 'r' : p == 0x00FF00 ? 'g'
             : p == 0x0000FF ? 'b' : '?';
      }
    }
    return out;
  }
};

// Joins rows written one per argument, for readable expected pictures.
inline std::string rows(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

}  // namespace gditest
