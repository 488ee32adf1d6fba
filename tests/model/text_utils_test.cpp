// Text and naming utilities: UTF-8 round trips, trimming rules, Windows-style
// parent directories on any host, key ids and the fixed name tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/text_utils.h"
#include "platform/kernel.h"

namespace vk {
namespace {

TEST(TextUtf8, RoundTripsAndReplacesInvalidInput) {
  const std::wstring mixed = L"Caf\u00e9 \u6f22\u5b57 \U0001F600";
  EXPECT_EQ(utf8ToWide(wideToUtf8(mixed)), mixed);
  EXPECT_EQ(wideToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");  // one code point, four bytes
  EXPECT_EQ(utf8ToWide("\xF0\x9F\x98\x80").size(), 1u);

  // An invalid byte keeps the rest of the text instead of emptying it.
  EXPECT_EQ(utf8ToWide("ab\xFF" "cd"), L"ab\uFFFDcd");
  EXPECT_EQ(utf8ToWide("\xC3"), L"\uFFFD");
  // A lone surrogate becomes a replacement character on the way out.
  std::wstring lone = L"x";
  lone.push_back(static_cast<wchar_t>(0xD800));
  EXPECT_EQ(wideToUtf8(lone), "x\xEF\xBF\xBD");
  EXPECT_EQ(utf8ToWide(""), L"");
  EXPECT_EQ(wideToUtf8(L""), "");
}

TEST(TextTrim, EachRuleStripsItsOwnSet) {
  EXPECT_EQ(trimAsciiSpaces(" \t\r\n a b \n"), "a b");
  EXPECT_EQ(trimAsciiSpaces("\v a"), "\v a");  // vertical tab is not in the set
  EXPECT_EQ(trimWideSpaces(L"\u00a0 x \t"), L"\u00a0 x");
  EXPECT_EQ(trimWideSpaces(L"\f x"), L"\f x");
  EXPECT_EQ(trimWhitespace(L"\v\f x y \r\n"), L"x y");
  EXPECT_EQ(trimWhitespace(L"\u00a0x"), L"\u00a0x");  // the C locale knows only ASCII space
  EXPECT_EQ(trimWhitespace(L"   "), L"");

  const std::wstring controls = L"a\r\nb\tc\u0001d";
  EXPECT_EQ(trimToSingleLine(controls, 96), L"a  b cd");
  EXPECT_EQ(trimToSingleLine(controls, 3), L"a  ");
  EXPECT_EQ(trimToSingleLine(L"\U0001F600\U0001F600\U0001F600", 2), L"\U0001F600\U0001F600");
  EXPECT_EQ(trimToSingleLine(L"\u0001\u0002abc", 2), L"ab");  // dropped characters do not count

  EXPECT_EQ(lowercaseCopy(L"MiXeD \u00c9"), L"mixed \u00c9");
}

TEST(TextPaths, ParentDirectoryFollowsWindowsRulesOnEveryHost) {
  EXPECT_EQ(parentDirectory(L"C:\\a\\b.png"), L"C:\\a");
  EXPECT_EQ(parentDirectory(L"C:/a/b.png"), L"C:/a");
  EXPECT_EQ(parentDirectory(L"C:\\a/b.png"), L"C:\\a");
  EXPECT_EQ(parentDirectory(L"C:\\a\\"), L"C:\\a");
  EXPECT_EQ(parentDirectory(L"C:\\a\\\\b"), L"C:\\a");
  EXPECT_EQ(parentDirectory(L"C:\\b.png"), L"C:\\");
  EXPECT_EQ(parentDirectory(L"C:/b.png"), L"C:/");
  EXPECT_EQ(parentDirectory(L"C:\\"), L"C:\\");
  EXPECT_EQ(parentDirectory(L"C:b.png"), L"C:");
  EXPECT_EQ(parentDirectory(L"/x"), L"/");
  EXPECT_EQ(parentDirectory(L"/home/user/p.json"), L"/home/user");
  EXPECT_EQ(parentDirectory(L"\\\\server\\share\\f.png"), L"\\\\server\\share");
  EXPECT_EQ(parentDirectory(L"\\\\server\\share"), L"\\\\server\\");
  EXPECT_EQ(parentDirectory(L"b.png"), L"");
  EXPECT_EQ(parentDirectory(L""), L"");
  EXPECT_EQ(parentDirectory(L"textures/wood.png"), L"textures");
}

TEST(TextNames, KeyIdsClampFramesAndNameTablesAreExact) {
  EXPECT_EQ(transformKeyId(12), L"tkey-12");
  EXPECT_EQ(transformKeyId(250000), L"tkey-100000");
  EXPECT_EQ(cameraKeyId(-5), L"ckey--5");
  EXPECT_EQ(cameraKeyId(INT32_MIN), L"ckey--100000");
  EXPECT_EQ(lightKeyId(0), L"lkey-0");

  EXPECT_EQ(kindName(ObjectKind::Mesh), L"Mesh");
  EXPECT_EQ(kindName(ObjectKind::Curve), L"Curve");
  EXPECT_EQ(kindName(ObjectKind::Group), L"Group");
  EXPECT_EQ(kindName(static_cast<ObjectKind>(7)), L"Object");

  for (const wchar_t* kind : {L"Mirror", L"Array", L"Bevel", L"Solidify", L"Subdivision", L"Bend",
                              L"Twist", L"Taper"}) {
    EXPECT_TRUE(isKnownModifierKind(kind)) << kind;
    EXPECT_EQ(modifierDisplayName(kind), kind);
  }
  EXPECT_TRUE(isKnownModifierKind(L"Lattice"));
  EXPECT_EQ(modifierDisplayName(L"Lattice"), L"Lattice Placeholder");
  EXPECT_FALSE(isKnownModifierKind(L"mirror"));
  EXPECT_EQ(modifierDisplayName(L"mirror"), L"Unknown Modifier");
  EXPECT_EQ(modifierDisplayName(L""), L"Unknown Modifier");

  EXPECT_EQ(normalizeLightType(L"Directional"), L"Directional");
  EXPECT_EQ(normalizeLightType(L"Spot"), L"Spot");
  EXPECT_EQ(normalizeLightType(L"Area"), L"Area");
  EXPECT_EQ(normalizeLightType(L"Directional "), L"Point");
  EXPECT_EQ(normalizeLightType(L"spot"), L"Point");
  EXPECT_EQ(normalizeLightType(L""), L"Point");
}

TEST(FixedDecimals, RoundsPadsAndNeverTruncatesLargeValues) {
  EXPECT_EQ(fixedDecimals(1.5, 2), L"1.50");
  EXPECT_EQ(fixedDecimals(-0.001, 2), L"-0.00");
  EXPECT_EQ(fixedDecimals(0.0, 2), L"0.00");
  EXPECT_EQ(fixedDecimals(2.675, 2), L"2.67");  // the double just below 2.675
  EXPECT_EQ(fixedDecimals(59.94, 0), L"60");
  EXPECT_EQ(fixedDecimals(1.0 / 3.0, 4), L"0.3333");
  // The widest doubles keep every digit instead of collapsing to "0".
  const std::wstring huge = fixedDecimals(-1.7976931348623157e308, 2);
  EXPECT_EQ(huge.size(), 1u + 309u + 3u);
  EXPECT_TRUE(huge.starts_with(L"-17976931348623157"));
  EXPECT_TRUE(huge.ends_with(L".00"));
  EXPECT_EQ(fixedDecimals(std::numeric_limits<double>::infinity(), 2), L"inf");
  EXPECT_EQ(fixedDecimals(std::nan(""), 2), L"nan");
  // Out-of-range decimal counts are clamped, not undefined.
  EXPECT_EQ(fixedDecimals(1.25, -3), L"1");
  EXPECT_EQ(fixedDecimals(0.5, 1000).size(), 2u + 64u);
}

}  // namespace
}  // namespace vk
