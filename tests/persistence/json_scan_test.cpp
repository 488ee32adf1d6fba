#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstring>
#include <cmath>
#include <functional>

#include "model/corner_list.h"
#include "persistence/json.h"
#include "persistence/json_internal.h"

namespace {

using vk::indexJsonObject;

TEST(JsonIndex, KeysCountOnlyAsMemberNamesAtTheObjectsOwnLevel) {
  // A string value equal to a key, a nested member and a key inside a string
  // must not shadow the object's own member.
  const std::string text =
      R"({ "name": "camera", "inner": { "camera": { "fov": 1 } }, "note": "\"camera\": {}", "camera": { "fov": 70 } })";
  const auto doc = indexJsonObject(text);
  const auto camera = vk::findNestedObject(doc, "camera");
  ASSERT_TRUE(camera);
  EXPECT_EQ(vk::findNumber(indexJsonObject(*camera), "fov", 0), 70);
  EXPECT_EQ(vk::findString(doc, "name", L""), L"camera");

  // A nested "schema" number is not the object's own (its own is a string).
  const auto meshData = indexJsonObject(R"({ "schema": "mesh-data-v1", "inner": { "schema": 7 } })");
  EXPECT_EQ(vk::findNumber(meshData, "schema", -1), -1);

  // The first member of a name decides, even when its value has the wrong form.
  const auto dup = indexJsonObject(R"("k": "x", "k": 5)");
  EXPECT_EQ(vk::findNumber(dup, "k", 9), 9);
  // An escaped key is compared by its decoded text.
  EXPECT_EQ(vk::findNumber(indexJsonObject(R"({"f\u006fv": 3})"), "fov", 0), 3);
}

TEST(JsonIndex, NestedLookupsNeedTheMembersOwnValueToBeAContainer) {
  const auto item = indexJsonObject(R"("material": null, "mesh": { "vertices": 8 }, "arr": 5, "x": [1])");
  EXPECT_FALSE(vk::findNestedObject(item, "material"));
  EXPECT_TRUE(vk::findNestedObject(item, "mesh"));
  EXPECT_FALSE(vk::findNestedArray(item, "arr"));
  EXPECT_FALSE(vk::findNestedArray(item, "mesh"));
  EXPECT_EQ(*vk::findNestedArray(item, "x"), "1");
  // Braces inside strings are not counted.
  const auto braces = indexJsonObject(R"({ "a": { "s": "}" } })");
  EXPECT_EQ(*vk::findNestedObject(braces, "a"), R"( "s": "}" )");
  // An array the text ends inside is absent.
  EXPECT_FALSE(vk::findNestedArray(indexJsonObject(R"({ "v": [1, 2)"), "v"));
}

// Members as comparable text: key, value and closed flag.
std::vector<std::string> describe(const vk::JsonObjectIndex& index) {
  std::vector<std::string> out;
  for (const auto& m : index.members) out.push_back(std::string(m.key) + "=" + std::string(m.value) + (m.closed ? "" : "!"));
  return out;
}

std::vector<std::string> describe(const std::vector<vk::JsonMember>& members) {
  vk::JsonObjectIndex index;
  index.members = members;
  return describe(index);
}

// The walkers that build no index over one array's contents: the objects
// walked in place, one by one, meet the members their indexes hold, and
// both counts agree with the objects found; also where the text is cut
// inside an element.
void expectInPlaceWalksAgree(std::string_view inner, bool cuts = true) {
  if (cuts)
    for (size_t cut = 0; cut < inner.size(); cut += 1 + inner.size() / 24)
      expectInPlaceWalksAgree(inner.substr(0, cut), false);
  const auto items = vk::extractJsonObjectItems(inner);
  std::vector<std::vector<std::string>> walked;
  vk::forEachJsonObjectElement(inner, [&](auto&& members) {
    std::vector<vk::JsonMember> seen;
    if (members([&](const vk::JsonMember& m) { seen.push_back(m); })) walked.push_back(describe(seen));
    return true;
  });
  ASSERT_EQ(walked.size(), items.size());
  for (size_t k = 0; k < items.size(); ++k) ASSERT_EQ(walked[k], describe(indexJsonObject(items[k])));
  EXPECT_EQ(vk::countJsonObjectElements(inner), items.size());
}

// Walks every nested object and array of `text` with and without the bracket
// table and expects the same members and items at every level, from the
// walkers without an index as well.
void expectSameWithTable(std::string_view text, const vk::JsonBracketTable& table, int depth = 0) {
  const auto plain = indexJsonObject(text);
  const auto fast = indexJsonObject(text, &table);
  ASSERT_EQ(describe(plain), describe(fast));
  std::vector<vk::JsonMember> walked;
  vk::forEachJsonMember(text, [&](const vk::JsonMember& m) { walked.push_back(m); });
  ASSERT_EQ(describe(walked), describe(plain));
  std::vector<uint64_t> objects;
  ASSERT_EQ(describe(vk::indexJsonObjectCountingArrays(text, objects)), describe(plain));
  if (depth > 6) return;
  for (size_t k = 0; k < plain.members.size(); ++k) {
    const auto& m = plain.members[k];
    if (!m.closed || m.value.size() < 2) continue;
    const std::string_view inner = m.value.substr(1, m.value.size() - 2);
    if (m.value.front() == '{') expectSameWithTable(inner, table, depth + 1);
    if (m.value.front() == '[') {
      const auto items = vk::extractJsonObjectItems(inner);
      ASSERT_EQ(items, vk::extractJsonObjectItems(inner, &table));
      EXPECT_EQ(objects[k], items.size());
      expectInPlaceWalksAgree(inner);
      for (std::string_view item : items) expectSameWithTable(item, table, depth + 1);
    }
  }
}

TEST(JsonIndex, TheBracketTableChangesNoResult) {
  // A long document with large nested values, then every cut of its head and
  // tail, so that unclosed containers and strings meet the table too.
  std::string values;
  for (int i = 0; i < 200; ++i) values += (i ? ", " : "") + std::string(R"({ "x": 1, "s": "}]\"{[", "a": [[1], [2, {"k": 3}]] })");
  const std::string text = R"({ "name": "n", "objects": [{ "id": "a", "meshData": { "vertices": [)" + values +
                           R"(], "faces": [[0, 1, 2]] }, "tail": { "t": [)" + values + R"(] } }, { "id": "b" }], "end": 1 })";
  for (size_t cut = 0; cut < text.size(); cut += 41) {
    const std::string_view head = std::string_view(text).substr(0, cut);
    const auto table = vk::buildJsonBracketTable(head);
    expectSameWithTable(head, table);
    if (HasFatalFailure()) return;
  }
  const auto table = vk::buildJsonBracketTable(text);
  expectSameWithTable(text, table);
}

TEST(JsonIndex, TheBracketTableAgreesOnNoisyTextsAcrossBlockEdges) {
  // Quotes, backslashes and brackets in random order and lengths around the
  // 64-byte blocks the table is built in: strings that open in one block and
  // close in a later one, escapes at block edges, unclosed strings and
  // containers, and more nesting than the table records.
  const std::string_view alphabet = R"({}[]"{["aaaaaaaaaa,:1 )";
  uint32_t seed = 7;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 600; ++round) {
    std::string text = "{ \"k\": ";
    const size_t length = 40 + next() % 400;
    const uint32_t backslashes = round % 3 == 0 ? 0 : round % 3 == 1 ? 8 : 128;  // per 1024 bytes
    while (text.size() < length) {
      const bool backslash = next() % 1024 < backslashes;
      text += backslash ? '\\' : alphabet[next() % alphabet.size()];
    }
    SCOPED_TRACE(text);
    const auto table = vk::buildJsonBracketTable(text);
    expectSameWithTable(text, table);
    if (HasFatalFailure()) return;
  }
}

TEST(JsonIndex, TheBracketTableTakesAtMostAByteOfMemoryPerByteOfText) {
  // Bracket-dense texts, whose table grew to several times the text: empty
  // containers side by side, nesting deeper than the table records, and
  // chains at every recorded depth just long enough to be kept. The table's
  // whole allocation stays within the text's size, and lookups agree.
  const auto repeat = [](std::string_view unit, size_t bytes) {
    std::string text = "{\"a\": [";
    while (text.size() + unit.size() + 2 < bytes) text += unit;
    return text + "[]]}";
  };
  std::string chain = std::string(8, '[') + std::string(120, ' ') + std::string(8, ']') + ",";
  const std::string texts[] = {repeat("[],", 1 << 20), repeat("{},", 1 << 20), repeat("[[[[[[[[[[]]]]]]]]]],", 1 << 20),
                               repeat(chain, 1 << 20), std::string(1 << 19, '[') + std::string(1 << 19, ']')};
  for (const std::string& text : texts) {
    const auto table = vk::buildJsonBracketTable(text);
    EXPECT_LE(table.spans.capacity() * sizeof(vk::JsonBracketTable::Span), text.size()) << text.substr(0, 40);
    const std::string_view head = std::string_view(text).substr(0, 20000);
    const auto headTable = vk::buildJsonBracketTable(head);
    expectSameWithTable(head, headTable);
  }
}

TEST(JsonIndex, TheBracketTableRecordsEveryLargeContainerWithTheContainersInIt) {
  // Against a plain byte walk: every container deep enough to be recorded
  // that closes 128 bytes or more after its opener (or never closes) has an
  // entry, in the order of the openers, with its closer and the number of
  // containers directly inside it; no other container has one.
  uint32_t seed = 11;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  const std::string_view pieces[] = {"[", "{", "]", "}", "[1, 2, 3]", "{\"k\": \"]\\\"[\"}", ", ", "\"a[b{\"",
                                     std::string_view("                                                            ")};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t length = 100 + next() % 3000;
    while (text.size() < length) text += pieces[next() % std::size(pieces)];
    SCOPED_TRACE(text);
    struct Open {
      size_t at;
      uint32_t children;
    };
    std::vector<vk::JsonBracketTable::Span> expected;
    std::vector<std::pair<size_t, vk::JsonBracketTable::Span>> closed;  // by opener
    std::vector<Open> stack;
    size_t depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') {
        for (++i; i < text.size() && text[i] != '"'; ++i) i += text[i] == '\\';
        continue;
      }
      if (c == '[' || c == '{') {
        if (!stack.empty() && depth == stack.size()) ++stack.back().children;
        if (depth++ < 8) stack.push_back({i, 0});
      } else if ((c == ']' || c == '}') && depth > 0) {
        if (depth-- <= 8) {
          const Open open = stack.back();
          stack.pop_back();
          if (i - open.at >= 128)
            closed.push_back({open.at, {uint32_t(open.at), uint32_t(i), open.children}});
        }
      }
    }
    for (const Open& open : stack) closed.push_back({open.at, {uint32_t(open.at), UINT32_MAX, open.children}});
    std::sort(closed.begin(), closed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : closed) expected.push_back(entry.second);
    const auto table = vk::buildJsonBracketTable(text);
    ASSERT_EQ(table.spans.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(table.spans[k].open, expected[k].open) << k;
      EXPECT_EQ(table.spans[k].close, expected[k].close) << k;
      EXPECT_EQ(table.spans[k].children, expected[k].children) << k;
      const std::string_view contents = std::string_view(text).substr(expected[k].open + 1);
      EXPECT_EQ(vk::jsonChildContainers(&table, contents), expected[k].children);
    }
  }
}

TEST(JsonIndex, TheBracketTableMadeInTwoPartsIsTheOnePassTable) {
  // A large text's table is recorded in two parts at once, the second as if
  // no container were open where it starts. Split at every byte of texts
  // with strings, escapes, line breaks, closers with nothing open, texts
  // ending inside containers, large and small containers and nesting past
  // the recorded depth, it is the one-pass table, entry for entry and in the
  // room it takes (which the reader's memory bound counts).
  uint32_t seed = 13;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  const std::string_view pieces[] = {"[", "{", "]", "}", "[1, 2, 3]", "{\"k\": \"]\\\"[\"}", ", ", "\"a[b{\"", "\n",
                                     "\"\\\\\"", "[[[[[[[[[", "]]]]]]]]]", std::string_view("                              ")};
  for (int round = 0; round < 120; ++round) {
    std::string text;
    const size_t length = 100 + next() % 1400;
    while (text.size() < length) text += pieces[next() % std::size(pieces)];
    SCOPED_TRACE(text);
    const auto whole = vk::buildJsonBracketTable(text);
    for (size_t split = 0; split <= text.size(); ++split) {
      const auto parts = vk::buildJsonBracketTableInParts(text, split);
      ASSERT_EQ(parts.spans.size(), whole.spans.size()) << split;
      ASSERT_EQ(parts.spans.capacity(), whole.spans.capacity()) << split;
      for (size_t k = 0; k < whole.spans.size(); ++k) {
        const auto& a = parts.spans[k];
        const auto& b = whole.spans[k];
        ASSERT_TRUE(a.open == b.open && a.close == b.close && a.children == b.children) << split << " " << k;
      }
    }
  }
}

TEST(JsonIndex, ObjectItemsStopAtTheirLimit) {
  const std::string_view contents = R"({"a": 1}, 5, {"b": 2}, [], {"c": 3})";
  EXPECT_EQ(vk::extractJsonObjectItems(contents, nullptr, 2),
            (std::vector<std::string_view>{R"({"a": 1})", R"({"b": 2})"}));
  EXPECT_TRUE(vk::extractJsonObjectItems(contents, nullptr, 0).empty());
  EXPECT_EQ(vk::extractJsonObjectItems(contents, nullptr, 9).size(), 3u);
}

TEST(JsonIndex, FieldMatchersLetTheFirstMemberOfANameDecide) {
  static constexpr std::string_view kNames[] = {"mesh", "name", "children"};
  vk::JsonFieldMatcher fields(kNames, std::size(kNames));
  std::vector<int> matched;
  const std::string_view text = R"({"mesh": "x", "n\u0061me": 1, "other": 2, "mesh": 3, "name": 4, "meshes": 5,
                                    "children": []})";
  vk::forEachJsonMember(text, [&](const vk::JsonMember& m) { matched.push_back(fields.match(m)); });
  EXPECT_EQ(matched, (std::vector<int>{0, 1, -1, -1, -1, -1, 2}));
  // Names of every length the comparison takes apart, against near misses.
  static constexpr std::string_view kLengths[] = {"a", "abc", "abcd", "abcdefg", "abcdefgh", "abcdefghijklmnop",
                                                  "abcdefghijklmnopq"};
  for (int k = 0; k < static_cast<int>(std::size(kLengths)); ++k) {
    const std::string_view name = kLengths[k];
    std::string near(name);
    near.back() = '_';
    vk::JsonFieldMatcher lengths(kLengths, std::size(kLengths));
    const std::string text = "{\"" + near + "\": 1, \"" + std::string(name) + "\": 2}";
    std::vector<int> found;
    vk::forEachJsonMember(text, [&](const vk::JsonMember& m) { found.push_back(lengths.match(m)); });
    EXPECT_EQ(found, (std::vector<int>{-1, k})) << name;
  }
}

TEST(JsonNumbers, FollowTheTokenGrammarAndConversionRules) {
  const auto obj = indexJsonObject(
      R"({ "big": 1e999, "neg": -.5, "plus": +5, "tail": 12abc, "exp": 1.5e3, "dot": 5., "nan": nan, "bare": -, "tiny": 5e-324, "pe": 1.e5, "p": 7.x, "inf": -inf, "lead": 007, "exp2": 2E+2x })");
  EXPECT_EQ(vk::findNumber(obj, "pe", 0), 1);
  EXPECT_EQ(vk::findNumber(obj, "p", 0), 7);
  EXPECT_EQ(vk::findNumber(obj, "inf", 42), 42);
  EXPECT_EQ(vk::findNumber(obj, "lead", 0), 7);
  EXPECT_EQ(vk::findNumber(obj, "exp2", 0), 200);
  EXPECT_EQ(vk::findNumber(obj, "big", 42), 42);
  EXPECT_EQ(vk::findNumber(obj, "neg", 0), -0.5);
  EXPECT_EQ(vk::findNumber(obj, "plus", 42), 42);
  EXPECT_EQ(vk::findNumber(obj, "tail", 0), 12);
  EXPECT_EQ(vk::findNumber(obj, "exp", 0), 1500);
  EXPECT_EQ(vk::findNumber(obj, "dot", 0), 5);
  EXPECT_EQ(vk::findNumber(obj, "nan", 42), 42);
  EXPECT_EQ(vk::findNumber(obj, "bare", 42), 42);
  EXPECT_GT(vk::findNumber(obj, "tiny", 0), 0);

  // Plain decimals of up to 15 digits and the longer ones past them read the
  // same double as the general conversion, sign of zero included.
  for (const char* token : {"0", "-0", "-0.0000", "0.1", "-12.3456", "123456789012345", "1234567890123456",
                            "0.000000000000001", "9007199254740993", "4.35", "0.3000", "99999.99999999999"}) {
    double expected = 0;
    std::from_chars(token, token + std::strlen(token), expected);
    const auto got = vk::parseJsonNumberPrefix(token);
    ASSERT_TRUE(got) << token;
    EXPECT_EQ(std::bit_cast<uint64_t>(*got), std::bit_cast<uint64_t>(expected)) << token;
  }

  // Numbers read straight from an object's text follow the lookups' rules:
  // escaped names match, the first member of a name decides, a value of
  // another form keeps the fallback.
  const std::string_view axes[3] = {"x", "y", "z"};
  double values[3] = {5, 6, 7};
  vk::readJsonNumberMembers(R"({ "\u0078": 1.5, "x": 2, "y": "3", "z": [4], "z": 8 })", axes, 3, values);
  EXPECT_EQ(values[0], 1.5);
  EXPECT_EQ(values[1], 6);
  EXPECT_EQ(values[2], 7);

  EXPECT_EQ(vk::jsonWholeNumber(12.9), 12);
  EXPECT_EQ(vk::jsonWholeNumber(-12.9), -12);
  EXPECT_EQ(vk::jsonWholeNumber(2147483647.5), 2147483647);
  EXPECT_EQ(vk::jsonWholeNumber(2147483648.0), INT32_MIN);
  EXPECT_EQ(vk::jsonWholeNumber(-2147483648.9), INT32_MIN);
  EXPECT_EQ(vk::jsonWholeNumber(1e300), INT32_MIN);
}

// The reading numbers had before the fast path for long decimals: the
// general conversion over the whole token, the grammar's prefix where that
// conversion reads more than the grammar allows.
std::optional<double> numberByGeneralConversion(std::string_view t) {
  if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '-' || t[0] == '.')) return std::nullopt;
  double value = 0;
  const auto whole = std::from_chars(t.data(), t.data() + t.size(), value);
  if (whole.ec == std::errc::result_out_of_range) return std::nullopt;
  const std::string_view used(t.data(), static_cast<size_t>(whole.ptr - t.data()));
  const size_t point = used.find('.');
  const bool pointWithoutDigit = point != std::string_view::npos &&
                                 (point + 1 >= used.size() || !std::isdigit(static_cast<unsigned char>(used[point + 1])));
  if (whole.ec == std::errc() && !pointWithoutDigit && std::isfinite(value)) return value;
  size_t j = t[0] == '-' ? 1 : 0;
  const auto digits = [&] {
    const size_t from = j;
    while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j;
    return j > from;
  };
  const bool intDigits = digits();
  if (j + 1 < t.size() && t[j] == '.' && std::isdigit(static_cast<unsigned char>(t[j + 1]))) {
    ++j;
    digits();
  } else if (!intDigits) {
    return std::nullopt;
  }
  if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
    const size_t mark = j++;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (!digits()) j = mark;
  }
  const auto prefix = std::from_chars(t.data(), t.data() + j, value);
  if (prefix.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

TEST(JsonNumbers, LongDecimalsReadTheSameDoublesAndTokensAsTheGeneralConversion) {
  std::vector<std::string> tokens = {
      "0.12345678901234567", "-0.9999999999999999", "1234567.8901234567", "9007199254740993", "9007199254740993.5",
      "2.2250738585072011e-308", "2.2250738585072014e-308", "4.9406564584124654e-324", "2.4703282292062328e-324",
      "1.7976931348623157e308", "1.7976931348623159e308", "1e-400", "-1e-400", "1.e999", "1.e-999", "1.5e999x",
      "0.00000000000000000000", "-0.00000000000000000000", "00000000000000000001.5", "1.0000000000000002220446",
      "0.30000000000000000000001", "123456789012345678901234567890", "1e22", "1e23", "-1E+308", "1e308e", "1.5.5",
      "1.25e", "1.25e+", "-.12345678901234567", ".5e-5", "1.5ex", "7.2057594037927933e16", "-", ".", "-.", "e5"};
  // Random decimals of 1 to 20 digits, with and without exponents, and
  // random strings over the grammar's bytes.
  uint32_t seed = 11;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int k = 0; k < 20000; ++k) {
    std::string token = next() % 2 ? "-" : "";
    const size_t total = 1 + next() % 20;
    const size_t point = next() % (total + 1);
    for (size_t d = 0; d < total; ++d) {
      if (d == point && d > 0) token += '.';
      token += static_cast<char>('0' + next() % 10);
    }
    if (next() % 3 == 0) token += "e" + std::to_string(static_cast<int>(next() % 700) - 350);
    tokens.push_back(token);
    std::string noise;
    const size_t length = 1 + next() % 24;
    for (size_t c = 0; c < length; ++c) noise += "0123456789.-+eE9x"[next() % 17];
    tokens.push_back(noise);
  }
  for (const std::string& token : tokens) {
    const auto expected = numberByGeneralConversion(token);
    const auto got = vk::parseJsonNumberPrefix(token);
    ASSERT_EQ(got.has_value(), expected.has_value()) << token;
    if (got) {
      EXPECT_EQ(std::bit_cast<uint64_t>(*got), std::bit_cast<uint64_t>(*expected)) << token;
    }
  }
}

// The array readers take digits a word at a time where the text runs on
// past the token: every token must read as it does alone, at every length
// and wherever the word ends.
TEST(JsonNumbers, TokensInsideArraysReadAsTheyDoAlone) {
  uint32_t seed = 5;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  const auto randomToken = [&](bool decimal) {
    std::string token = next() % 3 == 0 ? "-" : "";
    const size_t zeros = next() % 4 == 0 ? next() % 3 : 0;
    token.append(zeros, '0');
    const size_t count = 1 + next() % 12;
    for (size_t d = 0; d < count; ++d) token += static_cast<char>('0' + next() % 10);
    if (decimal && next() % 2) {
      token += '.';
      for (size_t d = 1 + next() % 18; d > 0; --d) token += static_cast<char>('0' + next() % 10);
    }
    const char* tails[] = {"", "", "", "", "x", ".5", "e2", "."};
    return token + tails[next() % 8];
  };
  const auto alone = [](const std::string& token) {
    const auto number = vk::parseJsonNumberPrefix(token);
    return number ? vk::jsonWholeNumber(*number) : INT32_MIN;
  };
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> tokens;
    std::string list, nested = "[", objects;
    std::vector<int> expected;
    std::vector<double> values;
    for (int k = 0; k < 40; ++k) {
      tokens.push_back(randomToken(false));
      expected.push_back(alone(tokens.back()));
      list += (k ? "," : "") + std::string(next() % 2 ? " " : "") + tokens.back();
      const std::string decimal = randomToken(true);
      double value = 0;
      vk::parseJsonNumber(decimal, value);
      values.push_back(value);
      objects += (k ? ", " : "") + std::string(R"({ "x": )") + decimal + " }";
    }
    nested += list + "]";
    EXPECT_EQ(vk::parseIntList(list), expected) << list;
    const auto lists = vk::parseNestedIntArrays(nested);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0], expected) << nested;
    static constexpr std::string_view kX[] = {"x"};
    const std::vector<double> read = vk::readJsonNumberObjects(objects, kX, 1);
    ASSERT_EQ(read.size(), values.size());
    for (size_t k = 0; k < read.size(); ++k) {
      EXPECT_EQ(std::bit_cast<uint64_t>(read[k]), std::bit_cast<uint64_t>(values[k])) << objects;
    }
  }
}

// The readers take the writers' forms (`[12, 3]`, `[]`, `{ "x": 1.5, "y": 2 }`,
// decimals of up to 19 digits) on fast paths that must read every text as
// the general path does: random and hostile tokens, other spacings, and
// every truncation of the text.
std::string randomNumberToken(const std::function<uint32_t()>& next, bool whole) {
  static const char* kSpecial[] = {"2147483647", "2147483648", "-2147483648", "-2147483649", "-0", "0", "-", "x",
                                   "1x", "00000007", "9999999", "-9999999", "12345678", "1.", ".5", "1e3"};
  if (next() % 8 == 0) return kSpecial[next() % 16];
  const auto digits = [&](size_t count) {
    std::string run;
    while (run.size() < count) run += static_cast<char>('0' + next() % 10);
    return run;
  };
  std::string token = (next() % 3 == 0 ? "-" : "") + std::string(next() % 5 == 0 ? next() % 4 : 0, '0');
  token += digits(whole ? 1 + next() % 10 : next() % 6 == 0 ? next() % 18 : 1 + next() % 3);
  if (!whole && next() % 5) token += "." + digits(next() % 5 == 0 ? next() % 24 : 13 + next() % 5);
  if (next() % 9 == 0) token += std::string(next() % 2 ? "e" : "E") + "+-"[next() % 2] + digits(next() % 4);
  return token;
}

// The whole numbers of a flat list of tokens, each read alone.
std::vector<int> wholeTokens(std::string_view t) {
  std::vector<int> values;
  for (size_t i = t.find_first_not_of(", "); i != std::string_view::npos; i = t.find_first_not_of(", ", i)) {
    const size_t end = std::min(t.size(), t.find_first_of(", ", i));
    const auto number = vk::parseJsonNumberPrefix(t.substr(i, end - i));
    values.push_back(number ? vk::jsonWholeNumber(*number) : INT32_MIN);
    i = end;
  }
  return values;
}

TEST(JsonNumbers, WriterFormFastPathsReadEveryTextAsTheGeneralPath) {
  uint32_t seed = 23;
  const std::function<uint32_t()> next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  const char* tails[] = {", \"y\": 0.5 }", ", 1]", " }", "x", ".5", "e7", "E-", "5", ""};
  for (int k = 0; k < 30000; ++k) {
    const std::string text = randomNumberToken(next, false) + tails[next() % 9] + std::string(next() % 4 ? 48 : 0, ' ');
    const auto expected = numberByGeneralConversion(text);
    const auto got = vk::parseJsonNumberPrefix(text);
    ASSERT_EQ(got.has_value(), expected.has_value()) << text;
    if (got) {
      ASSERT_EQ(std::bit_cast<uint64_t>(*got), std::bit_cast<uint64_t>(*expected)) << text;
    }
  }
  // Plain integers running across every offset of a 32-byte window's end.
  for (size_t zeros = 0; zeros < 12; ++zeros) {
    std::string flat;
    for (size_t z = 0; z < zeros; ++z) flat += "0, ";
    flat += "1234567, 7654321, 89" + std::string(48, ' ');
    std::vector<int> read;
    vk::forEachJsonWholeNumber(flat, [&](int32_t v) {
      read.push_back(v);
      return true;
    });
    EXPECT_EQ(read, wholeTokens(flat)) << flat;
  }
  const char* separators[] = {", ", ", ", ", ", ",", " , ", ",  "};
  static constexpr std::string_view kXyz[] = {"x", "y", "z"};
  for (int round = 0; round < 12; ++round) {
    std::string lists, flat, objects;
    std::vector<size_t> opens, closes;  // of each object
    std::vector<double> values;
    for (int e = 0; e < 16; ++e) {
      const std::string separator = separators[next() % 6];
      lists += (e ? separator : "") + std::string("[");
      for (size_t c = next() % 4; c > 0; --c) lists += randomNumberToken(next, true) + (c > 1 ? separators[next() % 6] : "");
      lists += "]";
      flat += (e ? separator : "") + randomNumberToken(next, true);
      opens.push_back(objects.size() + (e ? separator.size() : 0));
      objects += (e ? separator : "") + std::string(next() % 5 ? "{ " : "{");
      for (int axis = 0; axis < 3; ++axis) {
        const std::string token = randomNumberToken(next, false);
        values.push_back(vk::parseJsonNumberPrefix(token).value_or(0));
        objects += "\"" + std::string(kXyz[axis]) + (next() % 6 ? "\": " : "\" :") + token + (axis < 2 ? ", " : " }");
      }
      closes.push_back(objects.size() - 1);
    }
    for (size_t cut = 0; cut <= lists.size(); ++cut) {
      const std::string_view t = std::string_view(lists).substr(0, cut);
      std::vector<std::vector<int>> expected;
      for (size_t i = t.find('['); i != std::string_view::npos; i = t.find('[', i)) {
        const size_t close = t.find(']', i);
        expected.push_back(close == std::string_view::npos ? std::vector<int>{} : wholeTokens(t.substr(i + 1, close - i - 1)));
        if (close == std::string_view::npos) break;
        i = close;
      }
      ASSERT_EQ(vk::parseNestedIntArrays(t), expected) << t;
      size_t k = 0;  // lists capped at two values keep their first two
      vk::forEachJsonIntList<vk::CornerList>(t, 2, [&](const vk::CornerList& list) {
        const std::vector<int>& all = expected.at(k++);
        EXPECT_EQ(std::vector<int>(list), std::vector<int>(all.begin(), all.begin() + std::min<size_t>(2, all.size())));
        return true;
      });
    }
    for (size_t cut = 0; cut <= flat.size(); ++cut) {
      std::vector<int> read;
      vk::forEachJsonWholeNumber(std::string_view(flat).substr(0, cut), [&](int32_t v) {
        read.push_back(v);
        return true;
      });
      ASSERT_EQ(read, wholeTokens(std::string_view(flat).substr(0, cut))) << flat.substr(0, cut);
    }
    for (size_t cut = 0; cut <= objects.size(); ++cut) {
      std::vector<double> expected;
      for (size_t e = 0; e < opens.size() && opens[e] < cut; ++e) {
        for (int axis = 0; axis < 3; ++axis) expected.push_back(closes[e] < cut ? values[e * 3 + axis] : 0.0);
      }
      const std::vector<double> read = vk::readJsonNumberObjects(std::string_view(objects).substr(0, cut), kXyz, 3);
      ASSERT_EQ(read.size(), expected.size()) << objects.substr(0, cut);
      for (size_t v = 0; v < read.size(); ++v)
        ASSERT_EQ(std::bit_cast<uint64_t>(read[v]), std::bit_cast<uint64_t>(expected[v])) << objects.substr(0, cut);
    }
  }
}

TEST(JsonBooleans, AreCaseSensitiveWords) {
  const auto obj = indexJsonObject(R"({ "a" : TRUE, "b":false, "c": trueish, "d": 1 })");
  EXPECT_TRUE(vk::findBool(obj, "a", true));
  EXPECT_FALSE(vk::findBool(obj, "a", false));
  EXPECT_FALSE(vk::findBool(obj, "b", true));
  EXPECT_TRUE(vk::findBool(obj, "c", false));
  EXPECT_TRUE(vk::findBool(obj, "d", true));
  EXPECT_FALSE(vk::findBool(obj, "missing", false));
  EXPECT_TRUE(vk::parseTruthyValue("yes", false));
  EXPECT_FALSE(vk::parseTruthyValue("Yes", false));
  EXPECT_FALSE(vk::parseTruthyValue(" 1", false));
  EXPECT_FALSE(vk::parseTruthyValue("FALSE", true));
}

TEST(JsonStrings, DecodeTheFullEscapeSet) {
  const auto obj = indexJsonObject(R"({ "k": "a\"b\\c\nd", "u": "\u00e9\/\b\f", "pair": "\ud83d\ude00", "lone": "\ud83dx", "raw": "tab	here", "bad": "\u12" })");
  EXPECT_EQ(vk::findString(obj, "k", L""), L"a\"b\\c\nd");
  EXPECT_EQ(vk::findString(obj, "u", L""), L"\u00e9/\b\f");
  EXPECT_EQ(vk::findString(obj, "pair", L""), L"\U0001F600");
  EXPECT_EQ(vk::findString(obj, "lone", L""), L"\uFFFDx");
  EXPECT_EQ(vk::findString(obj, "raw", L""), L"tab\there");
  EXPECT_EQ(vk::findString(obj, "bad", L""), L"u12");
  EXPECT_EQ(vk::findString(obj, "missing", L"fb"), L"fb");
  EXPECT_EQ(vk::jsonUnescapeToWide("end\\"), L"end");
  // A string value the text ends inside is absent.
  EXPECT_FALSE(vk::findRawString(indexJsonObject(R"({ "k": "never closed)"), "k"));
}

TEST(JsonArrays, ArePositional) {
  const auto lists = vk::parseNestedIntArrays("[0, 1, 2], [], [3, -4, 5], 7, [1.9, x]");
  ASSERT_EQ(lists.size(), 5u);
  EXPECT_EQ(lists[0], (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(lists[1].empty());
  EXPECT_EQ(lists[2], (std::vector<int>{3, -4, 5}));
  EXPECT_TRUE(lists[3].empty());
  EXPECT_EQ(lists[4], (std::vector<int>{1, INT32_MIN}));

  EXPECT_EQ(vk::parseIntList("3, -4, 99999999999, 7"), (std::vector<int>{3, -4, INT32_MIN, 7}));
  EXPECT_EQ(vk::parseIntList("2147483647, 2147483648, -2147483647, -2147483649, 0012, 5x, -, 1e1"),
            (std::vector<int>{2147483647, INT32_MIN, -2147483647, INT32_MIN, 12, 5, INT32_MIN, 10}));
  EXPECT_TRUE(vk::parseIntList("").empty());
  EXPECT_TRUE(vk::parseIntList("  ").empty());

  const auto items = vk::extractJsonObjectItems(R"({ "a": 1 }, 5, { "b": [ { "c": 2 } ] }, { "open": 1)");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1], R"({ "b": [ { "c": 2 } ] })");
}

TEST(JsonWriting, EscapesAndNumberForms) {
  std::wstring name = L"q\"b\\t\tc\rl\n";
  name.push_back(L'\x01');
  name += L"\u00e9\U0001F600";
  EXPECT_EQ(vk::jsonEscape(name), "q\\\"b\\\\t\\tc\\rl\\n\\u0001\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(vk::jsonEscape(std::wstring(1, L'\0')), "\\u0000");
  std::wstring lone(1, static_cast<wchar_t>(0xD800));
  lone += L"x\u07FF\uFFFF";
  EXPECT_EQ(vk::jsonEscape(lone), "\xEF\xBF\xBDx\xDF\xBF\xEF\xBF\xBF");
  EXPECT_EQ(vk::jsonUnescapeToWide(vk::jsonEscape(name)), name);

  std::string out;
  vk::appendFixed4(out, 24);
  out += ' ';
  vk::appendFixed4(out, 0.55);
  out += ' ';
  vk::appendFixed4(out, -0.5);
  out += ' ';
  vk::appendFixed4(out, 1e20);
  out += ' ';
  vk::appendFixed4(out, std::nan(""));
  EXPECT_EQ(out, "24.0000 0.5500 -0.5000 100000000000000000000.0000 0.0000");

  out.clear();
  for (double v : {0.5, 1234567.0, 1e-7, 999999.7, 1.0, -0.0, HUGE_VAL}) {
    vk::appendShortestDouble(out, v);
    out += ' ';
  }
  EXPECT_EQ(out, "0.5 1234567 1e-07 999999.7 1 -0 0 ");
}

}  // namespace
