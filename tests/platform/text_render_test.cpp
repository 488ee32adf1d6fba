// Font resolution, metrics, glyph cache and the blitter with the fixed test
// font, drawing straight onto a surface.

#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/text_internal.h"

namespace vp = vk::platform;

namespace {

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override { vkSetFontOverride(VK_TEST_FONT); }

  static vp::FontData fontData(int height, int weight = FW_NORMAL) {
    vp::FontData data;
    data.height = height;
    data.weight = weight;
    data.faceName = L"Segoe UI";
    return data;
  }
};

int inkCount(const vp::Glyph& g) {
  int n = 0;
  for (auto c : g.coverage) n += c > 0;
  return n;
}

TEST_F(FontTest, HeightsMapToEmOrCell) {
  vp::FontData ui = fontData(-14);
  const vp::FontMetrics& m = vp::fontInstanceFor(ui).metrics;
  EXPECT_EQ(m.height, m.ascent + m.descent);
  EXPECT_EQ(m.height - m.internalLeading, 14);  // the em of a negative height
  EXPECT_GT(m.aveCharWidth, 0);
  EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
  for (int cell = 6; cell <= 60; cell += 3) {
    vp::FontData data = fontData(cell);
    EXPECT_NEAR(vp::fontInstanceFor(data).metrics.height, cell, 1) << cell;
  }
  // Absurd sizes are clamped, not fatal.
  vp::FontData huge = fontData(-1000000);
  EXPECT_GT(vp::fontInstanceFor(huge).metrics.height, 0);
  vp::FontData zero = fontData(0);
  EXPECT_GT(vp::fontInstanceFor(zero).metrics.height, 0);
}

TEST_F(FontTest, HeavyWeightsEmboldenTheRegularOverrideFace) {
  vp::FontData regular = fontData(-14);
  vp::FontData bold = fontData(-14, FW_SEMIBOLD);
  vp::FontInstance& r = vp::fontInstanceFor(regular);
  vp::FontInstance& b = vp::fontInstanceFor(bold);
  EXPECT_FALSE(r.syntheticBold);
  EXPECT_TRUE(b.syntheticBold);
  EXPECT_GT(inkCount(vp::glyphFor(b, L'm')), inkCount(vp::glyphFor(r, L'm')));
  EXPECT_GE(vp::glyphFor(b, L'm').advance, vp::glyphFor(r, L'm').advance);
}

TEST_F(FontTest, EqualFontsShareOneInstanceAndItsCache) {
  vp::FontData a = fontData(-12);
  vp::FontData b = fontData(-12);
  EXPECT_EQ(&vp::fontInstanceFor(a), &vp::fontInstanceFor(b));
  const vp::Glyph* first = &vp::glyphFor(*a.instance, L'Q');
  EXPECT_EQ(first, &vp::glyphFor(*b.instance, L'Q'));
  EXPECT_EQ(first, &vp::cachedGlyph(*a.instance, L'Q'));
}

TEST_F(FontTest, UiSymbolsHaveInkAndOddCodePointsAreSafe) {
  vp::FontData ui = fontData(-14);
  vp::FontInstance& font = vp::fontInstanceFor(ui);
  for (wchar_t c : std::wstring(L"●▾▦◇◷↳›✓→")) {
    EXPECT_GT(inkCount(vp::glyphFor(font, c)), 0) << int(c);
    EXPECT_GT(vp::glyphFor(font, c).advance, 0) << int(c);
  }
  EXPECT_EQ(vp::glyphFor(font, 0x01).advance, 0);
  EXPECT_EQ(vp::glyphFor(font, 0x7F).advance, 0);
  EXPECT_GT(vp::glyphFor(font, 0x1F600).advance, 0);  // missing everywhere: the notdef box
  EXPECT_EQ(&vp::glyphFor(font, 0x110000), &vp::glyphFor(font, 0xFFFD));
  EXPECT_EQ(&vp::glyphFor(font, 0xD800), &vp::glyphFor(font, 0xFFFD));

  // Thousands of distinct characters keep the cache bounded and ASCII usable.
  for (char32_t c = 0x4E00; c < 0x4E00 + 9000; ++c) vp::glyphFor(font, c);
  EXPECT_LE(font.glyphs.size(), 8192u);
  EXPECT_EQ(vp::cachedGlyph(font, L'A').advance, vp::glyphFor(font, L'A').advance);
  EXPECT_GT(vp::cachedGlyph(font, L'A').advance, 0);
}

TEST(FontResolution, MissingFaceResolvesToAnInstalledOneAtTheRequestedWeight) {
  vkSetFontOverride(nullptr);
  vp::FontData bold;
  bold.height = -14;
  bold.weight = FW_SEMIBOLD;
  bold.faceName = L"No Such Face 12345";
  vp::FontInstance& font = vp::fontInstanceFor(bold);
  EXPECT_NE(font.primary, nullptr);
  EXPECT_EQ(font.metrics.weight, FW_SEMIBOLD);
  EXPECT_GT(vp::glyphFor(font, L'A').advance, 0);
  vkSetFontOverride(VK_TEST_FONT);
  // The override replaces instances resolved before it.
  EXPECT_FALSE(vp::fontInstanceFor(bold).fallbackAllowed);
}

struct Canvas {
  std::vector<std::uint32_t> pixels;
  vp::TextTarget target;
  Canvas(int w, int h, std::uint32_t fill, RECT clip) : pixels(std::size_t(w) * h, fill) {
    target.surface = vp::Surface{pixels.data(), w, h, w};
    target.clip = clip;
  }
  std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * target.surface.width + x]; }
};

vp::LayoutLine lineOf(vp::FontInstance& font, std::wstring_view text) {
  vp::LayoutParams params;
  params.boxWidth = 10000;
  params.lineHeight = font.metrics.height;
  params.format = DT_SINGLELINE;
  return vp::layoutText(text, params, [&](wchar_t c) { return vp::cachedGlyph(font, c).advance; }).lines[0];
}

TEST_F(FontTest, InkIsInTheTextColourAndStaysInsideTheClip) {
  vp::FontData ui = fontData(-14);
  vp::FontInstance& font = vp::fontInstanceFor(ui);
  RECT clip{10, 4, 30, 14};
  Canvas canvas(64, 24, 0x000000, clip);
  vp::drawTextLine(canvas.target, font, lineOf(font, L"HgW●"), 5, 0, RGB(255, 0, 0));
  int full = 0, ink = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint32_t p = canvas.at(x, y);
      if (p == 0) continue;
      ++ink;
      EXPECT_TRUE(x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) << x << "," << y;
      EXPECT_EQ(p & 0x00FFFF, 0u) << "only red blends onto black";
      full += p == 0xFF0000;
    }
  EXPECT_GT(ink, 10);
  EXPECT_GT(full, 0);
}

TEST_F(FontTest, SecondDrawFromTheCacheIsIdentical) {
  vp::FontData ui = fontData(-14);
  vp::FontInstance& font = vp::fontInstanceFor(ui);
  vp::LayoutLine line = lineOf(font, L"Cache ✓ test");
  Canvas first(120, 20, 0x202020, RECT{0, 0, 120, 20});
  Canvas second(120, 20, 0x202020, RECT{0, 0, 120, 20});
  vp::drawTextLine(first.target, font, line, 2, 1, RGB(200, 220, 240));
  std::size_t cached = font.glyphs.size();
  vp::drawTextLine(second.target, font, line, 2, 1, RGB(200, 220, 240));
  EXPECT_EQ(font.glyphs.size(), cached);
  EXPECT_EQ(first.pixels, second.pixels);
}

TEST_F(FontTest, UnderlineMarksOnlyThePrefixedCharacter) {
  vp::FontData ui = fontData(-14);
  vp::FontInstance& font = vp::fontInstanceFor(ui);
  vp::LayoutParams params;
  params.boxWidth = 1000;
  params.lineHeight = font.metrics.height;
  params.format = DT_SINGLELINE;
  auto advance = [&](wchar_t c) { return vp::cachedGlyph(font, c).advance; };
  vp::LayoutLine marked = vp::layoutText(L"a&bc", params, advance).lines[0];
  int underlineY = font.metrics.ascent + font.metrics.underlineOffset;
  Canvas canvas(60, 24, 0, RECT{0, 0, 60, 24});
  vp::drawTextLine(canvas.target, font, marked, 0, 0, RGB(255, 255, 255));
  EXPECT_EQ(canvas.at(marked.x[1] + 1, underlineY), 0xFFFFFFu);
  EXPECT_EQ(canvas.at(marked.x[2] + 2, underlineY), 0u);
  EXPECT_EQ(canvas.at(0, underlineY), 0u);
}

}  // namespace
