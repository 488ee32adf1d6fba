// The text calls on a memory DC with a DIB section, using the fixed test font.

#include <gtest/gtest.h>

#include <climits>

#include "platform/gdi_test_support.h"

namespace {

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  int count = 0;
};

class TextDraw : public ::testing::Test {
 protected:
  static constexpr int kWidth = 240;
  static constexpr int kHeight = 80;
  static constexpr std::uint32_t kPaper = 0x000000;

  void SetUp() override {
    vkSetFontOverride(VK_TEST_FONT);
    dc_ = canvas_.dc;
    pixels_ = canvas_.bits;
    font_ = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
    ASSERT_NE(font_, nullptr);
    oldFont_ = SelectObject(dc_, font_);
    SetTextColor(dc_, RGB(0, 255, 0));
    SetBkMode(dc_, TRANSPARENT);
    clear();
  }

  void TearDown() override {
    SelectObject(dc_, oldFont_);
    DeleteObject(font_);
  }

  void clear() { std::fill(pixels_, pixels_ + kWidth * kHeight, kPaper); }
  std::uint32_t at(int x, int y) const { return pixels_[y * kWidth + x]; }
  std::vector<std::uint32_t> snapshot() const { return {pixels_, pixels_ + kWidth * kHeight}; }

  InkBox ink(std::uint32_t paper = kPaper) const {
    InkBox box;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        if (at(x, y) == paper) continue;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
        ++box.count;
      }
    return box;
  }

  int textWidth(const std::wstring& s) {
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32W(dc_, s.c_str(), int(s.size()), &size));
    return size.cx;
  }

  TEXTMETRICW metrics() {
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(dc_, &tm));
    return tm;
  }

  gditest::Canvas canvas_{kWidth, kHeight};
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
};

TEST_F(TextDraw, InkIsInTheTextColourAndClippedToTheRectangle) {
  RECT rect{10, 10, 60, 22};
  DrawTextW(dc_, L"Hello wide world", -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  InkBox box = ink();
  ASSERT_GT(box.count, 20);
  EXPECT_GE(box.left, 10);
  EXPECT_LE(box.right, 59);
  EXPECT_GE(box.top, 10);
  EXPECT_LE(box.bottom, 21);
  bool full = false;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    EXPECT_EQ(pixels_[i] & 0xFF00FF, 0u);
    full = full || pixels_[i] == 0x00FF00;
  }
  EXPECT_TRUE(full);

  // DT_NOCLIP lets the same text run past the rectangle.
  clear();
  DrawTextW(dc_, L"Hello wide world", -1, &rect, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(ink().right, 59);
}

TEST_F(TextDraw, OpaqueFillsTheTextCellTransparentDoesNot) {
  const std::uint32_t paper = 0x123456;
  std::fill(pixels_, pixels_ + kWidth * kHeight, paper);
  SetBkMode(dc_, OPAQUE);
  SetBkColor(dc_, RGB(0, 0, 255));
  RECT rect{5, 5, 200, 60};
  DrawTextW(dc_, L"Cell", -1, &rect, DT_SINGLELINE);
  const int w = textWidth(L"Cell"), h = metrics().tmHeight;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      bool inCell = x >= 5 && x < 5 + w && y >= 5 && y < 5 + h;
      if (!inCell) {
        EXPECT_EQ(at(x, y), paper) << x << "," << y;
      }
    }
  EXPECT_EQ(at(5, 5), 0x0000FFu);  // blue where there is no ink
  EXPECT_EQ(at(5 + w - 1, 5 + h - 1), 0x0000FFu);

  std::fill(pixels_, pixels_ + kWidth * kHeight, paper);
  SetBkMode(dc_, TRANSPARENT);
  DrawTextW(dc_, L"Cell", -1, &rect, DT_SINGLELINE);
  for (int i = 0; i < kWidth * kHeight; ++i) EXPECT_NE(pixels_[i], 0x0000FFu);
  EXPECT_EQ(at(5, 5), paper);
}

TEST_F(TextDraw, EllipsisDrawsTheLongestFittingPrefixWithThreePeriods) {
  const std::wstring text = L"Perspective camera settings";
  const int box = 100;
  std::size_t keep = 0;
  while (keep < text.size() && textWidth(text.substr(0, keep + 1)) + textWidth(L"...") <= box) ++keep;
  ASSERT_GT(keep, 0u);
  ASSERT_LT(keep, text.size());

  RECT rect{4, 4, 4 + box, 40};
  DrawTextW(dc_, text.c_str(), int(text.size()), &rect, DT_SINGLELINE | DT_END_ELLIPSIS);
  auto fitted = snapshot();
  clear();
  std::wstring expected = text.substr(0, keep) + L"...";
  DrawTextW(dc_, expected.c_str(), -1, &rect, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(fitted, snapshot());
  EXPECT_LE(ink().right, 4 + box - 1);

  // Text that fits is left alone.
  clear();
  RECT wide{4, 4, 230, 40};
  DrawTextW(dc_, text.c_str(), -1, &wide, DT_SINGLELINE | DT_END_ELLIPSIS);
  auto whole = snapshot();
  clear();
  DrawTextW(dc_, text.c_str(), -1, &wide, DT_SINGLELINE);
  EXPECT_EQ(whole, snapshot());
}

TEST_F(TextDraw, CalcRectMeasuresLinesAndWideWords) {
  const int lineHeight = metrics().tmHeight;
  RECT single{10, 20, 11, 21};
  int height = DrawTextW(dc_, L"Objects: 3", -1, &single, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(height, lineHeight);
  EXPECT_EQ(single.right - single.left, textWidth(L"Objects: 3"));
  EXPECT_EQ(single.bottom - single.top, lineHeight);
  EXPECT_EQ(ink().count, 0);  // measuring draws nothing

  RECT lines{0, 0, 500, 0};
  EXPECT_EQ(DrawTextW(dc_, L"a\nlonger line\nb", -1, &lines, DT_CALCRECT), 3 * lineHeight);
  EXPECT_EQ(lines.right, textWidth(L"longer line"));

  const std::wstring word = L"Unbreakablewordhere";
  RECT narrow{0, 0, 40, 0};
  std::wstring text = L"ab " + word + L" cd";
  EXPECT_EQ(DrawTextW(dc_, text.c_str(), -1, &narrow, DT_WORDBREAK | DT_CALCRECT), 3 * lineHeight);
  EXPECT_EQ(narrow.right, textWidth(word));
  EXPECT_EQ(narrow.bottom, 3 * lineHeight);

  RECT fits{0, 0, 1000, 0};
  DrawTextW(dc_, L"one two three", -1, &fits, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(fits.right, textWidth(L"one two three"));
  EXPECT_EQ(fits.bottom, lineHeight);
}

TEST_F(TextDraw, VerticalCentringUsesTheLineHeightOnSingleLinesOnly) {
  const int lineHeight = metrics().tmHeight;
  RECT top{0, 0, 200, 60};
  DrawTextW(dc_, L"Align", -1, &top, DT_SINGLELINE);
  InkBox atTop = ink();
  clear();
  int result = DrawTextW(dc_, L"Align", -1, &top, DT_SINGLELINE | DT_VCENTER);
  InkBox centred = ink();
  const int offset = (60 - lineHeight) / 2;
  EXPECT_EQ(centred.top, atTop.top + offset);
  EXPECT_EQ(centred.left, atTop.left);
  EXPECT_EQ(result, offset + lineHeight);

  clear();
  DrawTextW(dc_, L"Align", -1, &top, DT_VCENTER);  // no DT_SINGLELINE: stays at the top
  EXPECT_EQ(ink().top, atTop.top);

  clear();
  DrawTextW(dc_, L"Align", -1, &top, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT);
  InkBox corner = ink();
  EXPECT_EQ(corner.top, atTop.top + 60 - lineHeight);
  EXPECT_LE(corner.right, 199);
  EXPECT_GT(corner.left, 150);
}

TEST_F(TextDraw, WrappedTextPastTheBottomIsCut) {
  const int lineHeight = metrics().tmHeight;
  RECT box{0, 0, 70, lineHeight + lineHeight / 2};
  const std::wstring text = L"first second third fourth fifth";
  int height = DrawTextW(dc_, text.c_str(), -1, &box, DT_WORDBREAK | DT_END_ELLIPSIS);
  EXPECT_GE(height, 3 * lineHeight);
  InkBox box1 = ink();
  EXPECT_LT(box1.bottom, box.bottom);
  EXPECT_GT(box1.bottom, lineHeight);  // the second line shows partly

  // No "..." appears: the lines that fit their width are drawn unchanged.
  auto cut = snapshot();
  clear();
  RECT tall{0, 0, 70, 200};
  DrawTextW(dc_, text.c_str(), -1, &tall, DT_WORDBREAK);
  auto whole = snapshot();
  for (int y = 0; y < box.bottom; ++y)
    for (int x = 0; x < kWidth; ++x) ASSERT_EQ(cut[y * kWidth + x], whole[y * kWidth + x]) << x << "," << y;
}

TEST_F(TextDraw, PrefixUnderlinesAndDoubleAmpersandShowsOne) {
  RECT rect{2, 2, 200, 40};
  DrawTextW(dc_, L"&File", -1, &rect, DT_SINGLELINE);
  auto prefixed = snapshot();
  clear();
  DrawTextW(dc_, L"File", -1, &rect, DT_SINGLELINE);
  auto plain = snapshot();
  int differing = 0, minX = INT_MAX, maxX = -1;
  for (int i = 0; i < kWidth * kHeight; ++i)
    if (prefixed[i] != plain[i]) {
      ++differing;
      minX = std::min(minX, i % kWidth);
      maxX = std::max(maxX, i % kWidth);
    }
  EXPECT_GT(differing, 0);
  EXPECT_GE(minX, 2);
  EXPECT_LT(maxX, 2 + textWidth(L"F"));  // only the 'F' is underlined

  clear();
  DrawTextW(dc_, L"A && B", -1, &rect, DT_SINGLELINE);
  auto doubled = snapshot();
  clear();
  DrawTextW(dc_, L"A & B", -1, &rect, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(doubled, snapshot());
}

TEST_F(TextDraw, TextOutIsTopLeftAnchoredAndIgnoresBoxes) {
  TextOutW(dc_, 30, 12, L"Anchor", 6);
  auto textOut = snapshot();
  clear();
  RECT rect{30, 12, 31, 13};
  DrawTextW(dc_, L"Anchor", -1, &rect, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
  EXPECT_EQ(textOut, snapshot());

  clear();
  SetTextAlign(dc_, TA_BASELINE | TA_LEFT);
  TextOutW(dc_, 30, 12 + metrics().tmAscent, L"Anchor", 6);
  EXPECT_EQ(textOut, snapshot());
  EXPECT_EQ(SetTextAlign(dc_, TA_TOP | TA_LEFT), UINT(TA_BASELINE));

  clear();
  RECT clipBox{30, 0, 50, kHeight};
  ExtTextOutW(dc_, 30, 12, ETO_CLIPPED, &clipBox, L"Anchor", 6, nullptr);
  InkBox clipped = ink();
  EXPECT_LE(clipped.right, 49);
}

TEST_F(TextDraw, FallbackSymbolsDrawInk) {
  RECT rect{0, 0, 200, 40};
  for (const wchar_t* s : {L"●", L"✓", L"▦  Perspective", L"◷  FPS: 60"}) {
    clear();
    DrawTextW(dc_, s, -1, &rect, DT_SINGLELINE);
    EXPECT_GT(ink().count, 5) << int(s[0]);
  }
}

TEST_F(TextDraw, MetricsAndExtentsAgree) {
  TEXTMETRICW tm = metrics();
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 14);
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc_, L"ab", 2, &size));
  EXPECT_EQ(size.cy, tm.tmHeight);
  EXPECT_EQ(size.cx, textWidth(L"a") + textWidth(L"b"));
  ASSERT_TRUE(GetTextExtentPoint32W(dc_, L"", 0, &size));
  EXPECT_EQ(size.cx, 0);

  // The semibold UI font is wider and reports its weight.
  HFONT bold = CreateFontW(-14, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Segoe UI");
  HGDIOBJ previous = SelectObject(dc_, bold);
  EXPECT_EQ(metrics().tmWeight, FW_SEMIBOLD);
  EXPECT_GE(textWidth(L"Bold label"), size.cx);
  SelectObject(dc_, previous);
  DeleteObject(bold);

  // The stock GUI font works without a CreateFontW.
  previous = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_GT(metrics().tmHeight, 0);
  SelectObject(dc_, previous);
}

TEST_F(TextDraw, HostileInputsNeverCrash) {
  RECT rect{0, 0, 100, 30};
  EXPECT_EQ(DrawTextW(dc_, nullptr, -1, &rect, 0), 0);
  EXPECT_EQ(DrawTextW(dc_, L"x", -1, nullptr, 0), 0);
  EXPECT_EQ(DrawTextW(nullptr, L"x", -1, &rect, 0), 0);
  RECT empty = rect;
  EXPECT_EQ(DrawTextW(dc_, L"", -1, &empty, DT_CALCRECT), 0);
  EXPECT_EQ(empty.right, empty.left);
  EXPECT_FALSE(TextOutW(dc_, 0, 0, nullptr, 3));
  EXPECT_FALSE(TextOutW(dc_, 0, 0, L"x", -1));
  EXPECT_FALSE(GetTextExtentPoint32W(dc_, L"x", 1, nullptr));

  const std::wstring odd = {L'a', wchar_t(0x1F600), wchar_t(0xFFFD), wchar_t(0x01), wchar_t(0x0B), L'\t',
                            wchar_t(0xD800), wchar_t(0x10FFFF), wchar_t(0x7FFFFFFF), L'&'};
  for (UINT format : {0u, UINT(DT_SINGLELINE | DT_END_ELLIPSIS), UINT(DT_WORDBREAK | DT_EXPANDTABS),
                      UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP)}) {
    RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    DrawTextW(dc_, odd.c_str(), int(odd.size()), &huge, format);
    RECT inverted{100, 50, -100, -50};
    DrawTextW(dc_, odd.c_str(), int(odd.size()), &inverted, format);
    RECT far{INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX};
    DrawTextW(dc_, odd.c_str(), int(odd.size()), &far, format | DT_CALCRECT);
    DrawTextW(dc_, odd.c_str(), int(odd.size()), &far, format);
  }
  TextOutW(dc_, INT_MAX - 5, INT_MIN + 5, odd.c_str(), int(odd.size()));
  TextOutW(dc_, -5, -5, odd.c_str(), int(odd.size()));

  HFONT gone = CreateFontW(-14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
  DeleteObject(gone);
  SelectObject(dc_, gone);  // stale: refused, the old font stays
  EXPECT_EQ(DrawTextW(dc_, L"still fine", -1, &rect, DT_SINGLELINE), metrics().tmHeight);
}

}  // namespace
