// Glyph blitting: cached coverage blended onto a surface in one colour.

#include <algorithm>

#include "platform/text_internal.h"

namespace vk::platform {
namespace {

inline std::uint32_t blend(std::uint32_t dst, std::uint32_t src, unsigned a) {
  unsigned inv = 255 - a;
  unsigned r = (((src >> 16) & 0xFF) * a + ((dst >> 16) & 0xFF) * inv + 127) / 255;
  unsigned g = (((src >> 8) & 0xFF) * a + ((dst >> 8) & 0xFF) * inv + 127) / 255;
  unsigned b = ((src & 0xFF) * a + (dst & 0xFF) * inv + 127) / 255;
  return (r << 16) | (g << 8) | b;
}

void blitGlyph(const TextTarget& target, const Glyph& glyph, long left, long top, std::uint32_t src) {
  if (glyph.width <= 0 || glyph.height <= 0) return;
  RECT box{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + glyph.width),
           static_cast<LONG>(top + glyph.height)};
  RECT visible = intersect(box, target.clip);
  if (visible.left >= visible.right || visible.top >= visible.bottom) return;
  for (LONG y = visible.top; y < visible.bottom; ++y) {
    const std::uint8_t* cov = glyph.coverage.data() + std::size_t(y - box.top) * glyph.width - box.left;
    std::uint32_t* row = target.surface.pixels + std::ptrdiff_t(y) * target.surface.stride;
    for (LONG x = visible.left; x < visible.right; ++x) {
      unsigned a = cov[x];
      if (a == 0) continue;
      row[x] = a == 255 ? src : blend(row[x], src, a);
    }
  }
}

}  // namespace

RECT intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

void fillClipped(const TextTarget& target, RECT rect, COLORREF color) {
  RECT visible = intersect(rect, target.clip);
  if (visible.left >= visible.right || visible.top >= visible.bottom) return;
  std::uint32_t pixel = pixelFromColorref(color);
  for (LONG y = visible.top; y < visible.bottom; ++y) {
    std::uint32_t* row = target.surface.pixels + std::ptrdiff_t(y) * target.surface.stride;
    std::fill(row + visible.left, row + visible.right, pixel);
  }
}

void drawTextLine(const TextTarget& target, FontInstance& font, const LayoutLine& line, int x, int top,
                  COLORREF color) {
  if (!target.surface.pixels || target.clip.left >= target.clip.right || target.clip.top >= target.clip.bottom)
    return;
  const std::uint32_t src = pixelFromColorref(color);
  const long baseline = long(top) + font.metrics.ascent;
  const long clipRight = target.clip.right;
  for (std::size_t i = 0; i < line.text.size(); ++i) {
    long penX = long(x) + line.x[i];
    if (penX - font.metrics.maxCharWidth > clipRight) break;  // the rest is past the clip
    const Glyph& glyph = cachedGlyph(font, line.text[i]);
    blitGlyph(target, glyph, penX + glyph.left, baseline - glyph.top, src);
  }
  const LONG underlineTop = static_cast<LONG>(baseline + font.metrics.underlineOffset);
  const LONG underlineBottom = underlineTop + font.metrics.underlineThickness;
  if (font.underline) {
    fillClipped(target, RECT{x, underlineTop, x + line.width, underlineBottom}, color);
    return;
  }
  for (int index : line.underlined) {
    std::size_t next = std::size_t(index) + 1;
    int from = line.x[index];
    int to = next < line.x.size() ? line.x[next] : line.width;
    fillClipped(target, RECT{x + from, underlineTop, x + to, underlineBottom}, color);
  }
}

}  // namespace vk::platform
