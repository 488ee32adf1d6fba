// Tiny drawing targets for pixel-exact GDI tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace gditest {

// A memory DC over a top-down 32-bit w x h DIB; frees both. Pixels read back
// as COLORREF.
struct DibCanvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::uint32_t* bits = nullptr;
  int width = 0, height = 0;

  DibCanvas(int w, int h) : width(w), height(h) {
    void* memory = nullptr;
    bitmap = vk::createTopDownDib32(nullptr, w, h, &memory);
    bits = static_cast<std::uint32_t*>(memory);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~DibCanvas() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  RECT rect() const { return RECT{0, 0, width, height}; }
  // Outside the canvas: 0xFFFFFFFF, which no COLORREF equals.
  COLORREF pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    const std::uint32_t p = bits[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

// A DibCanvas filled with white, drawn as a character picture.
struct Canvas : DibCanvas {
  Canvas(int w, int h) : DibCanvas(w, h) {
    for (int i = 0; i < w * h; ++i) bits[i] = 0xFFFFFF;
  }

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
