// Text internals shared by the font, layout and drawing code of the
// platform layer: resolved font instances with their glyph cache, the pure
// DrawText layout and the glyph blitter.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi_internal.h"

namespace vk::platform {

// One rendered glyph: coverage rows top-down, placed at (pen x + left,
// baseline - top).
struct Glyph {
  int advance = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

struct FontMetrics {
  int height = 0;  // line height: ascent + descent
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = 400;
  int underlineOffset = 1;  // below the baseline
  int underlineThickness = 1;
};

struct FontFace {
  std::string path;
  int index = 0;
  FT_Face face = nullptr;
  ~FontFace();
};

struct FontInstance {
  FontMetrics metrics;
  bool italic = false;
  bool underline = false;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  bool fallbackAllowed = true;  // false under the font override
  FT_F26Dot6 emSize = 0;        // 26.6 pixels
  std::wstring family;
  std::unique_ptr<FontFace> primary;
  std::vector<std::unique_ptr<FontFace>> fallbacks;
  std::array<const Glyph*, 128> asciiGlyphs{};
  std::unordered_map<char32_t, Glyph> glyphs;
  unsigned overrideGeneration = 0;
};

// The instance for a font object's attributes, resolved on first use and
// re-resolved when the font override changes. Never null.
FontInstance& fontInstanceFor(FontData& font);
// Cached glyph for a code point, rendered (with fallback) on first use.
// Invalid code points draw as U+FFFD; control characters are empty.
const Glyph& glyphFor(FontInstance& font, char32_t codePoint);
inline const Glyph& cachedGlyph(FontInstance& font, wchar_t c) {
  auto u = static_cast<char32_t>(c);
  if (u < 128 && font.asciiGlyphs[u]) return *font.asciiGlyphs[u];
  return glyphFor(font, u);
}

// ---- Layout (pure: advances come from a callback) ----

struct LayoutLine {
  std::wstring text;            // characters to draw, prefixes removed
  std::vector<int> x;           // pen x of each character from the line start
  std::vector<int> underlined;  // indices of '&'-marked characters
  int width = 0;
  int left = 0;                 // from the box's left edge
  int top = 0;                  // from the box's top edge
};

struct TextLayout {
  std::vector<LayoutLine> lines;
  int width = 0;   // widest line
  int height = 0;  // lines * line height
  bool ellipsised = false;  // some line was cut and ended with "..."
};

struct LayoutParams {
  int boxWidth = 0;
  int boxHeight = 0;
  int lineHeight = 0;
  int tabWidth = 0;  // DT_EXPANDTABS stop spacing
  UINT format = 0;
};

using AdvanceOf = std::function<int(wchar_t)>;

// Breaks, truncates and places `text` inside a box as DrawTextW does.
TextLayout layoutText(std::wstring_view text, const LayoutParams& params, const AdvanceOf& advanceOf);

// ---- Rasterising ----

struct TextTarget {
  Surface surface;
  RECT clip{};  // surface coordinates, already inside the surface
};

// Blends one laid-out line with its pen at (x, top) (surface coordinates).
void drawTextLine(const TextTarget& target, FontInstance& font, const LayoutLine& line, int x,
                  int top, COLORREF color);
// Overlap of two rectangles; empty (right <= left or bottom <= top) when none.
RECT intersect(const RECT& a, const RECT& b);
void fillClipped(const TextTarget& target, RECT rect, COLORREF color);

}  // namespace vk::platform
