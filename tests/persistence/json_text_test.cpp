// String bodies decoded once, counted before they are built, and cut while
// they are read: each must give exactly what decoding the whole text and
// then cutting it gave.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/json.h"
#include "persistence/json_unescape.h"
#include "persistence/project_internal.h"
#include "platform/kernel.h"

namespace {

// Bodies of pieces that meet at every boundary the decoder has: escapes of
// every kind (a \u escape cut short or pairing a surrogate), UTF-8
// sequences whole, cut short, overlong or past U+10FFFF, stray
// continuation bytes (raw and escaped), blanks and control characters.
std::string randomBody(std::mt19937& random, size_t pieces) {
  static const char* const kPieces[] = {
      "a", "Z", " ", "\t", "\\n", "\\r", "\\t", "\\b", "\\f", "\\\"", "\\\\", "\\/", "\\q", "\\u0041", "\\u00e9",
      "\\u12", "\\ud83d\\ude00", "\\ud83d", "\\ude00", "\\u0000", "\\u001f", "\\u0085", "\xC3\xA9", "\xE6\xBC\xA2",
      "\xF0\x9F\x98\x80", "\xC3", "\xE6\xBC", "\xF0\x9F", "\x80", "\xBF", "\xC0\xAF", "\xE0\x80\x80", "\xED\xA0\x80",
      "\xF4\x90\x80\x80", "\xF8", "\\\xA9", "\\\xC3", "\x01", "\x1F", "\r", "\n", "\\"};
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::string body;
  for (size_t i = 0; i < pieces; ++i) body += kPieces[pick(random)];
  // Long ASCII runs take the sixteen-byte scans.
  if (random() % 4 == 0) body.insert(random() % (body.size() + 1), std::string(40, 'x'));
  return body;
}

std::wstring walked(std::string_view body, size_t stopAfter = SIZE_MAX) {
  std::wstring out;
  vk::forEachJsonStringChar(body, [&](char32_t c) {
    out.push_back(static_cast<wchar_t>(c));
    return out.size() < stopAfter;
  });
  return out;
}

TEST(JsonText, DecodingOnceGivesWhatUnescapingThenWideningGave) {
  std::mt19937 random(44);
  for (int round = 0; round < 4000; ++round) {
    const std::string body = randomBody(random, 1 + round % 24);
    const std::wstring expected = vk::utf8ToWide(vk::jsonUnescapeToUtf8(body));
    ASSERT_EQ(vk::jsonUnescapeToWide(body), expected) << body;
    ASSERT_EQ(vk::jsonStringLength(body), expected.size()) << body;
    ASSERT_EQ(walked(body), expected) << body;
    // A walk stopped early has seen exactly the first characters.
    const size_t stop = random() % (expected.size() + 1) + 1;
    ASSERT_EQ(walked(body, stop), expected.substr(0, stop)) << body;
  }
  // A lead byte waits for continuation bytes an escape may give; a \u
  // escape, a lead of its own, ends it.
  EXPECT_EQ(vk::jsonUnescapeToWide("\xC3\\\xA9"), L"\u00e9");
  EXPECT_EQ(vk::jsonUnescapeToWide("\xC3\\u00e9"), L"\uFFFD\u00e9");
  EXPECT_EQ(vk::jsonUnescapeToWide("\xE6\xBC"), L"\uFFFD");
  EXPECT_EQ(vk::jsonUnescapeToWide("\xF4\x90\x80\x80!"), L"\uFFFD!");
}

TEST(JsonText, TextsAreCountedAgainstTheBudgetBeforeTheyAreBuilt) {
  const std::string text = R"({ "a": "\u00e9t\u00e9 long", "b": "plain ascii text", "c": "x" })";
  vk::JsonReadBudget budget;
  vk::JsonObjectIndex index = vk::indexJsonObject(text);
  index.budget = &budget;
  budget.bytes = vk::wideTextBytes(9);
  EXPECT_EQ(vk::findString(index, "a", L"-"), L"\u00e9t\u00e9 long");
  EXPECT_EQ(budget.bytes, 0u);
  EXPECT_FALSE(budget.exceeded);
  // A text past what is left reads empty, and the budget stays exceeded:
  // the reader drops all it read.
  EXPECT_EQ(vk::findString(index, "b", L"-"), L"");
  EXPECT_TRUE(budget.exceeded);
  EXPECT_EQ(vk::findString(indexNested(index, text), "c", L"-"), L"");
  EXPECT_EQ(vk::findString(index, "missing", L"-"), L"-");
}

// The cut reads against the sanitizers' rules applied to the whole text.
TEST(JsonText, CutReadsKeepWhatTheSanitizersKeepOfTheWholeText) {
  std::mt19937 random(46);
  for (int round = 0; round < 3000; ++round) {
    const std::string body = randomBody(random, 1 + round % 40);
    const std::string text = "{ \"k\": \"" + body + "\" }";
    const vk::JsonObjectIndex index = vk::indexJsonObject(text);
    if (!vk::findRawString(index, "k")) continue;  // a stray backslash ate the closing quote
    const std::wstring whole = vk::findString(index, "k", L"");
    for (const size_t limit : {size_t{0}, size_t{1}, size_t{7}, size_t{96}}) {
      ASSERT_EQ(vk::findSingleLine(index, "k", limit, L"-"), vk::trimToSingleLine(whole, limit)) << body;
      ASSERT_EQ(vk::findPrefix(index, "k", limit, L"-"), whole.substr(0, limit)) << body;
    }
  }
  const vk::JsonObjectIndex none = vk::indexJsonObject(R"({ "k": 5 })");
  EXPECT_EQ(vk::findSingleLine(none, "k", 3, L"\tfallback"), L"\tfallback");
  EXPECT_EQ(vk::findPrefix(none, "k", 3, L"fallback"), L"fallback");
}

TEST(JsonText, TexturePathsReadAsTheSanitizerCutsTheWholePath) {
  // Blanks before, around and after the cut at kTexturePathCharLimit,
  // with and without something that is no blank after them.
  std::mt19937 random(48);
  const auto blanks = [&](size_t count) {
    static const char* const kBlanks[] = {" ", "\\t", "\\r", "\\n", "\t"};
    std::string out;
    for (size_t i = 0; i < count; ++i) out += kBlanks[random() % 5];
    return out;
  };
  for (int round = 0; round < 400; ++round) {
    const size_t middle = vk::kTexturePathCharLimit - 8 + random() % 16;
    std::string body = blanks(random() % 4);
    static const char* const kPathPieces[] = {"a", "b", "/", "\\\\"};  // the last an escaped backslash
    for (size_t i = 0; i < middle; ++i) body += (random() % 5 == 0) ? blanks(1) : std::string(kPathPieces[random() % 4]);
    body += blanks(random() % 6);
    if (random() % 2) body += "z" + blanks(random() % 3);
    if (round % 50 == 0) body = blanks(random() % 2000);
    const std::string text = "{ \"path\": \"" + body + "\" }";
    const vk::JsonObjectIndex index = vk::indexJsonObject(text);
    ASSERT_EQ(vk::findTexturePath(index, "path"), vk::sanitizeTexturePath(vk::findString(index, "path", L"")))
        << body;
  }
}

}  // namespace
