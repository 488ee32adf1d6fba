#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

TEST(Utf8, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(vk::utf8ToWide("a\xff" "b"), L"a\xFFFD" L"b");
  // Truncated three-byte sequence at the end, then a stray continuation byte.
  EXPECT_EQ(vk::utf8ToWide("x\xE2\x82"), L"x\xFFFD");
  EXPECT_EQ(vk::utf8ToWide("\x80"), L"\xFFFD");
  // Overlong '/' and an encoded surrogate are refused.
  EXPECT_EQ(vk::utf8ToWide("\xC0\xAF"), L"\xFFFD\xFFFD");
  EXPECT_EQ(vk::utf8ToWide("\xED\xA0\x80"), L"\xFFFD");
  // A non-empty input never converts to an empty string.
  EXPECT_FALSE(vk::utf8ToWide("\xff\xfe").empty());
}

TEST(Utf8, RoundTripsEmojiAndAccents) {
  std::wstring text = L"caf\u00e9 \U0001F600 \u25CF";
  std::string utf8 = vk::wideToUtf8(text);
  EXPECT_EQ(utf8, "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x97\x8F");
  EXPECT_EQ(vk::utf8ToWide(utf8), text);
  EXPECT_EQ(vk::utf8ToWide(utf8).size(), 8u);  // one element per code point
}

TEST(Utf8, LoneSurrogatesAreWrittenAsReplacement) {
  std::wstring lone;
  lone.push_back(static_cast<wchar_t>(0xD83D));
  lone.push_back(L'x');
  EXPECT_EQ(vk::wideToUtf8(lone), "\xEF\xBF\xBDx");
}

TEST(Kernel, MulDivRoundsHalfAwayFromZeroAndReportsOverflow) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);
}

TEST(Kernel, ExecutablePathIsNotTruncated) {
  wchar_t buffer[4];
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 4), 0u);
  std::wstring path = vkExecutablePath();
  ASSERT_FALSE(path.empty());
  std::wstring big(path.size() + 1, L'?');
  EXPECT_EQ(GetModuleFileNameW(nullptr, big.data(), static_cast<DWORD>(big.size())), path.size());
  EXPECT_EQ(big.c_str(), path);
}

TEST(Kernel, RectangleHelpersUseExclusiveEdges) {
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
  EXPECT_FALSE(PtInRect(&r, POINT{10, 5}));
  RECT a{0, 0, 5, 5}, b{5, 0, 9, 9}, out{1, 1, 2, 2};
  EXPECT_FALSE(IntersectRect(&out, &a, &b));
  EXPECT_TRUE(IsRectEmpty(&out));
  EXPECT_TRUE(vk::equalsIgnoreAsciiCase(L"Button", L"BUTTON"));
  EXPECT_FALSE(vk::equalsIgnoreAsciiCase(L"\u00c9", L"\u00e9"));  // ASCII only
}

}  // namespace
