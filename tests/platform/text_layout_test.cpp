// DrawText layout with synthetic advances: every character 10 px wide,
// '.' 3 px, so expected positions can be written out.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

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
  // Wrapped text ellipsises only its end; an overlong word before it overflows.
  EXPECT_EQ(lineTexts(layout(L"abcdefgh ij klmnopqr", DT_WORDBREAK | DT_END_ELLIPSIS, 50)),
            (std::vector<std::wstring>{L"abcdefgh", L"ij", L"klmn..."}));
  // Measuring never truncates.
  EXPECT_EQ(layout(text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT, 40).width, 110);
}

// DT_EDITCONTROL keeps the lines the box holds whole, at least the first;
// the ellipsis then marks the last one kept when text was left out below.
TEST(TextLayout, EditControlShowsWholeLinesAndEndsTheLastWhenTextIsLeftOut) {
  const std::wstring text = L"aa bb cc dd";  // "aa bb", "cc dd" at 50 px; one word a line at 20
  for (int box = -5; box <= 100; ++box) {
    TextLayout l = layout(text, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS, 20, box);
    const std::size_t whole = static_cast<std::size_t>(std::clamp(box / 20, 1, 4));
    std::vector<std::wstring> expected = {L"aa", L"bb", L"cc", L"dd"};
    expected.resize(whole);
    if (whole < 4) expected.back() = expected.back().substr(0, 1) + L"...";  // "aa..." is wider than 20
    EXPECT_EQ(lineTexts(l), expected) << box;
    EXPECT_EQ(l.height, static_cast<int>(whole) * 20) << box;
  }
  EXPECT_EQ(lineTexts(layout(text, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS, 60, 39)),
            (std::vector<std::wstring>{L"aa bb..."}));
  EXPECT_EQ(lineTexts(layout(text, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS, 50, 39)),
            (std::vector<std::wstring>{L"aa b..."}));
  // Without the ellipsis the lines that fit show as they are; only blank
  // lines left out need no "...".
  EXPECT_EQ(lineTexts(layout(text, DT_WORDBREAK | DT_EDITCONTROL, 50, 39)), (std::vector<std::wstring>{L"aa bb"}));
  EXPECT_EQ(lineTexts(layout(L"aa\n\n", DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS, 50, 20)),
            (std::vector<std::wstring>{L"aa"}));
  EXPECT_EQ(lineTexts(layout(L"aa\nbb", DT_EDITCONTROL | DT_END_ELLIPSIS, 50, 20)), (std::vector<std::wstring>{L"aa..."}));
  // Measuring gives every line, and one line ignores the box's height.
  EXPECT_EQ(layout(text, DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_CALCRECT, 20, 30).height, 80);
  EXPECT_EQ(lineTexts(layout(text, DT_SINGLELINE | DT_EDITCONTROL | DT_END_ELLIPSIS, 200, 5)),
            (std::vector<std::wstring>{text}));
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

  // A message box's long word breaks: after the last slash or backslash that
  // fits, else after the last character that fits, one at least.
  constexpr UINT kBreak = DT_WORDBREAK | DT_VK_BREAKLONGWORDS;
  EXPECT_EQ(lineTexts(layout(L"a verylongword b", kBreak, 30)),
            (std::vector<std::wstring>{L"a", L"ver", L"ylo", L"ngw", L"ord", L"b"}));
  EXPECT_EQ(lineTexts(layout(L"C:\\Renders\\chair_final.vkproj", kBreak, 100)),
            (std::vector<std::wstring>{L"C:\\", L"Renders\\", L"chair_fina", L"l.vkproj"}));
  EXPECT_EQ(lineTexts(layout(L"ab", kBreak, 5)), (std::vector<std::wstring>{L"a", L"b"}));
  // A 90-character path keeps its file name whole at every width that holds it.
  const std::wstring path =
      L"/home/morgan/documents/studio_projects/furniture_line/final_renders/chair_final_v12.vkproj";
  for (int box : {213, 260, 400, 600}) {
    const std::vector<std::wstring> lines = lineTexts(layout(path, kBreak, box));
    EXPECT_TRUE(lines.back().ends_with(L"chair_final_v12.vkproj")) << box;
    EXPECT_EQ(std::accumulate(lines.begin(), lines.end(), std::wstring()), path) << box;
  }
}

// Random words and boxes: lines keep every word in order, fit the box unless
// they hold one overlong word, and are greedy (the next word never fits).
TEST(TextLayout, WordBreakPropertiesOnRandomText) {
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 500; ++round) {
    std::vector<std::wstring> words;
    std::vector<int> gaps;  // blanks after each word
    std::wstring text;
    for (std::uint32_t w = 1 + next(8); w > 0; --w) {
      words.push_back(std::wstring(1 + next(9), L'a' + wchar_t(next(26))));
      gaps.push_back(w > 1 ? 1 + int(next(3)) : 0);
      text += words.back() + std::wstring(gaps.back(), L' ');
    }
    const int box = int(next(120));
    TextLayout l = layout(text, DT_WORDBREAK, box);
    std::size_t word = 0;
    for (std::size_t i = 0; i < l.lines.size(); ++i) {
      const auto& line = l.lines[i];
      std::wstring expected;
      std::size_t first = word;
      while (expected.size() < line.text.size() && word < words.size()) {
        if (word > first) expected += std::wstring(gaps[word - 1], L' ');
        expected += words[word++];
      }
      ASSERT_EQ(line.text, expected) << round;
      if (word - first > 1) {
        EXPECT_LE(line.width, box) << round;
      }
      if (word < words.size()) {
        int grown = line.width + 10 * gaps[word - 1] + 10 * int(words[word].size());
        EXPECT_GT(grown, box) << "the next word would have fitted, round " << round;
      }
    }
    EXPECT_EQ(word, words.size()) << round;

    // With long words broken every line fits (one character at least) and
    // every character is kept, in order.
    std::wstring kept, letters = text;
    for (const auto& line : layout(text, DT_WORDBREAK | DT_VK_BREAKLONGWORDS, box).lines) {
      EXPECT_TRUE(line.width <= box || line.text.size() == 1) << round;
      kept += line.text;
    }
    std::erase(kept, L' '), std::erase(letters, L' ');
    EXPECT_EQ(kept, letters) << round;
  }
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
  TextLayout negative = layout(L"abc def", DT_END_ELLIPSIS, -50, -50);
  EXPECT_EQ(negative.lines[0].text, L"...");
  std::wstring controls = {wchar_t(0), wchar_t(1), wchar_t(0x1F), wchar_t(0x10FFFF), wchar_t(0x110000)};
  EXPECT_EQ(layout(controls, 0).lines[0].text.size(), controls.size());
}

}  // namespace
