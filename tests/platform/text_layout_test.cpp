// DrawText layout with synthetic advances: every character 10 px wide,
// '.' 3 px, so expected positions can be written out.

#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/text_internal.h"

using vk::platform::LayoutParams;
using vk::platform::layoutText;
using vk::platform::TextLayout;

namespace {

int fixedAdvance(wchar_t c) { return c == L'.' ? 3 : 10; }

TextLayout layout(std::wstring_view text, UINT format, int boxWidth = 1000, int boxHeight = 100) {
  LayoutParams params;
  params.boxWidth = boxWidth;
  params.boxHeight = boxHeight;
  params.lineHeight = 20;
  params.tabWidth = 80;
  params.format = format;
  return layoutText(text, params, fixedAdvance);
}

std::vector<std::wstring> lineTexts(const TextLayout& l) {
  std::vector<std::wstring> out;
  for (const auto& line : l.lines) out.push_back(line.text);
  return out;
}

TEST(TextLayout, EndEllipsisKeepsTheLongestFittingPrefix) {
  const std::wstring text = L"Hello World";  // 110 px
  for (int box = 0; box <= 130; ++box) {
    TextLayout l = layout(text, DT_SINGLELINE | DT_END_ELLIPSIS, box);
    ASSERT_EQ(l.lines.size(), 1u);
    const std::wstring& shown = l.lines[0].text;
    if (box >= 110) {
      EXPECT_EQ(shown, text) << box;
      continue;
    }
    ASSERT_GE(shown.size(), 3u);
    ASSERT_EQ(shown.substr(shown.size() - 3), L"...") << box;
    std::size_t kept = shown.size() - 3;
    EXPECT_EQ(shown.substr(0, kept), text.substr(0, kept)) << box;
    EXPECT_EQ(l.lines[0].width, int(kept) * 10 + 9);
    if (kept > 0) {
      EXPECT_LE(l.lines[0].width, box) << box;
    }
    EXPECT_GT(int(kept + 1) * 10 + 9, box) << "one more character would have fitted at " << box;
  }
  // Measuring never truncates.
  EXPECT_EQ(layout(text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT, 40).width, 110);
}

TEST(TextLayout, WordBreakAtSpacesAndLongWordsOverflow) {
  EXPECT_EQ(lineTexts(layout(L"aa bb cc", DT_WORDBREAK, 50)), (std::vector<std::wstring>{L"aa bb", L"cc"}));
  EXPECT_EQ(lineTexts(layout(L"aa bb cc", DT_WORDBREAK, 49)), (std::vector<std::wstring>{L"aa", L"bb", L"cc"}));
  TextLayout l = layout(L"a verylongword b", DT_WORDBREAK | DT_CALCRECT, 30);
  EXPECT_EQ(lineTexts(l), (std::vector<std::wstring>{L"a", L"verylongword", L"b"}));
  EXPECT_EQ(l.width, 120);  // the word is wider than the box and widens the result
  EXPECT_EQ(l.height, 60);
  // Several blanks at a break vanish; explicit line breaks still split.
  EXPECT_EQ(lineTexts(layout(L"aaa    bbb\nc", DT_WORDBREAK, 45)),
            (std::vector<std::wstring>{L"aaa", L"bbb", L"c"}));
  // A box too narrow for anything still gives one word per line.
  EXPECT_EQ(lineTexts(layout(L"x y", DT_WORDBREAK, 0)), (std::vector<std::wstring>{L"x", L"y"}));
  // Word breaking is ignored on a single line.
  EXPECT_EQ(layout(L"aa bb cc", DT_WORDBREAK | DT_SINGLELINE, 20).lines.size(), 1u);
}

TEST(TextLayout, PrefixMarksUnderlineAndDoubleAmpersandIsLiteral) {
  TextLayout l = layout(L"&File && E&xit&", DT_SINGLELINE);
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].text, L"File & Exit");
  EXPECT_EQ(l.lines[0].underlined, (std::vector<int>{0, 8}));
  EXPECT_EQ(l.width, 110);

  TextLayout raw = layout(L"&File && x", DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(raw.lines[0].text, L"&File && x");
  EXPECT_TRUE(raw.lines[0].underlined.empty());

  // A marked character cut off by the ellipsis loses its underline.
  TextLayout cut = layout(L"abcdefgh&i", DT_SINGLELINE | DT_END_ELLIPSIS, 50);
  EXPECT_EQ(cut.lines[0].text, L"abcd...");
  EXPECT_TRUE(cut.lines[0].underlined.empty());
}

TEST(TextLayout, LineBreaksAndSingleLine) {
  TextLayout l = layout(L"a\nbb\r\nccc\r\n", 0);
  EXPECT_EQ(lineTexts(l), (std::vector<std::wstring>{L"a", L"bb", L"ccc", L""}));
  EXPECT_EQ(l.height, 80);
  EXPECT_EQ(l.width, 30);
  EXPECT_EQ(l.lines[2].top, 40);

  TextLayout single = layout(L"a\nb\r\nc", DT_SINGLELINE);
  ASSERT_EQ(single.lines.size(), 1u);
  EXPECT_EQ(single.width, 30);  // line-break characters take no room
  EXPECT_EQ(single.height, 20);
}

TEST(TextLayout, PlacementInTheBox) {
  // Vertical centring only applies to a single line, on the line height.
  EXPECT_EQ(layout(L"ab", DT_SINGLELINE | DT_VCENTER, 100, 101).lines[0].top, 40);
  EXPECT_EQ(layout(L"ab", DT_SINGLELINE | DT_BOTTOM, 100, 100).lines[0].top, 80);
  EXPECT_EQ(layout(L"ab", DT_VCENTER, 100, 100).lines[0].top, 0);
  EXPECT_EQ(layout(L"ab", DT_SINGLELINE | DT_VCENTER, 100, 10).lines[0].top, -5);

  EXPECT_EQ(layout(L"ab", DT_CENTER, 101).lines[0].left, 40);
  EXPECT_EQ(layout(L"ab", DT_RIGHT, 100).lines[0].left, 80);
  TextLayout two = layout(L"a\nabc", DT_CENTER, 100);
  EXPECT_EQ(two.lines[0].left, 45);
  EXPECT_EQ(two.lines[1].left, 35);
}

TEST(TextLayout, TabsExpandOnlyWhenAsked) {
  TextLayout expanded = layout(L"a\tb\tc", DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(expanded.lines[0].x, (std::vector<int>{0, 10, 80, 90, 160}));
  TextLayout plain = layout(L"a\tb", DT_SINGLELINE);
  EXPECT_EQ(plain.width, 20);
}

TEST(TextLayout, DegenerateInputs) {
  EXPECT_EQ(layout(L"", 0).lines.size(), 1u);
  EXPECT_EQ(layout(L"", DT_WORDBREAK, 10).height, 20);
  EXPECT_EQ(layout(L"   ", DT_WORDBREAK, 5).lines.size(), 1u);
  TextLayout negative = layout(L"abc def", DT_WORDBREAK | DT_END_ELLIPSIS, -50, -50);
  for (const auto& line : negative.lines) EXPECT_EQ(line.text, L"...");
  std::wstring controls = {wchar_t(0), wchar_t(1), wchar_t(0x1F), wchar_t(0x10FFFF), wchar_t(0x110000)};
  EXPECT_EQ(layout(controls, 0).lines[0].text.size(), controls.size());
}

}  // namespace
