// The grammar check: its verdict agrees with a by-the-book RFC 8259 check on
// random documents in the writers' forms and in others, and on every kind of
// small damage to them, whether it runs at once or, for a large text, beside
// the caller, whose bracket table is then recorded half on the check's thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "persistence/json.h"
#include "json_reference.h"

namespace {

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  uint32_t next() { return (state_ = state_ * 1664525u + 1013904223u) >> 8; }
  uint32_t below(uint32_t n) { return next() % n; }
  bool chance(uint32_t percent) { return below(100) < percent; }

 private:
  uint32_t state_;
};

// Documents mostly in the writers' layout (", ", `": `, dense arrays of like
// elements), now and then with other blanks, numbers and strings.
class Documents {
 public:
  explicit Documents(Random& random) : r_(random) {}
  std::string document() {
    std::string out = "{\n  \"name\": " + string() + ",\n  \"objects\": [";
    const uint32_t arrays = 1 + r_.below(4);
    for (uint32_t a = 0; a < arrays; ++a) out += (a ? ", " : "") + denseArray();
    return out + "]\n}\n";
  }

 private:
  std::string blank() { return r_.chance(90) ? " " : std::string(" \n\t\r").substr(r_.below(4), 1 + r_.below(2)); }
  std::string integer() {
    std::string s = r_.chance(5) ? "-" : "";
    return s + std::to_string(r_.chance(30) ? r_.below(10) : r_.next() % 10000000);
  }
  std::string number() {
    switch (r_.below(6)) {
      case 0:
        return integer();
      case 1:
        return integer() + "e" + (r_.chance(50) ? "-" : "") + std::to_string(r_.below(30));
      case 2:
        return integer() + "." + std::to_string(r_.next()) + std::to_string(r_.next());  // past sixteen digits
      default:
        return integer() + "." + std::to_string(1 + r_.below(99999));
    }
  }
  std::string string() {
    static const std::string_view pieces[] = {"Lamp", " \\\"A\\\" ", "{left}", "[old] }", "Box ] {", "\\\\", "\\u00e9",
                                              "é", ":", ", ", "\\n", "x"};
    std::string s = "\"";
    for (uint32_t k = r_.below(4); k > 0; --k) s += pieces[r_.below(std::size(pieces))];
    return s + "\"";
  }
  std::string scalar() {
    switch (r_.below(6)) {
      case 0:
        return string();
      case 1:
        return r_.chance(50) ? "true" : r_.chance(50) ? "false" : "null";
      default:
        return number();
    }
  }
  // An object of a fixed set of names, values of each name's kind.
  std::string keyObject(uint32_t kinds, bool nested) {
    std::string out = "{ ";
    for (uint32_t k = 0; k < 4; ++k) {
      if (k) out += ", ";
      out += "\"k" + std::to_string(k) + "\": ";
      const uint32_t kind = (kinds >> (2 * k)) & 3;
      if (kind == 3 && nested) {
        out += "{ \"x\": " + number() + ", \"y\": " + number() + " }";
      } else {
        out += kind == 0 ? string() : kind == 1 ? (r_.chance(50) ? "true" : "null") : number();
      }
    }
    return out + " }";
  }
  std::string denseArray() {
    const uint32_t form = r_.below(6);
    const uint32_t kinds = r_.next();
    const uint32_t count = 1 + r_.below(40);
    std::string out = "[";
    for (uint32_t e = 0; e < count; ++e) {
      if (e) out += r_.chance(97) ? ", " : "," + blank();
      if (form == 0) {
        out += "{ \"x\": " + number() + ", \"y\": " + number() + ", \"z\": " + number() + " }";
      } else if (form == 1) {
        out += "[";
        for (uint32_t k = r_.below(5); k > 0; --k) out += integer() + (k > 1 ? ", " : "");
        out += "]";
      } else if (form == 2) {
        out += integer();
      } else if (form == 3) {
        out += keyObject(kinds, true);
      } else if (form == 4) {
        out += scalar();
      } else {
        out += r_.chance(50) ? keyObject(r_.next(), false) : "[" + scalar() + "," + blank() + "{}]";
      }
    }
    return out + "]";
  }
  Random& r_;
};

// One small change: a byte deleted, overwritten or put in, or a few blanked.
std::string damaged(std::string text, Random& r) {
  static const std::string_view bytes = "\"{}[],: \\-.0e1\n\x01";
  const size_t at = r.below(static_cast<uint32_t>(text.size()));
  switch (r.below(4)) {
    case 0:
      text.erase(at, 1 + r.below(3));
      break;
    case 1:
      text[at] = bytes[r.below(static_cast<uint32_t>(bytes.size()))];
      break;
    case 2:
      text.insert(at, 1, bytes[r.below(static_cast<uint32_t>(bytes.size()))]);
      break;
    default:
      text.replace(at, std::min<size_t>(text.size() - at, 1 + r.below(8)), 1 + r.below(8), ' ');
  }
  return text;
}

void expectAgrees(const std::string& text) {
  const bool whole = vk_test::JsonReference(text).wellFormed();
  const size_t fault = vk::jsonGrammarFault(text);
  ASSERT_EQ(fault == std::string::npos, whole) << text;
  ASSERT_TRUE(whole || fault <= text.size()) << text;
}

TEST(JsonCheck, WholeDocumentsAndEverySmallDamageAreJudgedAsTheGrammarDoes) {
  Random r(59);
  Documents documents(r);
  int whole = 0;
  for (int round = 0; round < 900; ++round) {
    const std::string text = documents.document();
    expectAgrees(text);
    if (HasFatalFailure()) return;
    whole += vk_test::JsonReference(text).wellFormed();
    for (int change = 0; change < 6; ++change) {
      expectAgrees(damaged(text, r));
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(whole, 600);  // the generator's documents are mostly whole
}

TEST(JsonCheck, EachRuleOfTheGrammar) {
  const std::string pad(200, ' ');  // the checks run both clear of the text's end and near it
  const struct {
    const char* text;
    bool whole;
  } cases[] = {
      {R"({"a": [1, 2.5, -0, 1e5, 1E+5, 2.5e-3, "s\"\\\/\b\f\n\r\t\u00E9", true, false, null, {}, []]})", true},
      {R"({"a": 01})", false},       {R"({"a": 1.})", false},        {R"({"a": .5})", false},
      {R"({"a": -})", false},        {R"({"a": 1e})", false},        {R"({"a": +1})", false},
      {R"({"a": 1 2})", false},      {R"({"a" 1})", false},          {R"({"a": 1,})", false},
      {R"({"a": [1,]})", false},     {R"({"a": [1 2]})", false},     {R"({"a": [1], })", false},
      {R"({"a": "\x"})", false},     {R"({"a": "\u12G4"})", false},  {"{\"a\": \"tab\there\"}", false},
      {R"({"a": tru})", false},      {R"({"a": nul})", false},       {R"({a: 1})", false},
      {R"({"a": 1}})", false},       {R"({"a": [1}})", false},       {R"({"a": {"b": 2]})", false},
      {R"({"a": 1} {})", false},     {R"({"a": ["b": 1]})", false},  {R"({"a", "b"})", false},
      {R"({"a": "b": "c"})", false}, {"{\"a\": 1}\v", false},         {"\xC2\xA0{\"a\": 1}", false},
      {R"({"a": [[0, 1], [1, 51]]})", true},  {R"({"a": [[0, 1], [1, [2]]]})", true},
      {R"({"a": [[0, 01], [1]]})", false},    {R"({"a": [0, 1, 05]})", false},
  };
  for (const auto& c : cases) {
    for (const std::string& text : {std::string(c.text), pad + c.text, std::string(c.text) + pad}) {
      bool wellFormed = !c.whole;
      vk::buildJsonBracketTable(text, wellFormed);
      EXPECT_EQ(wellFormed, c.whole) << text;
      EXPECT_EQ(vk_test::JsonReference(text).wellFormed(), c.whole) << text;
    }
  }
}

// A well-formed start that its end cuts, inside a token too (a word, number,
// string or escape), breaks the grammar at its end, so a cut copy tells
// itself from one with a damaged byte; a token that is wrong before the end
// breaks it where it starts.
TEST(JsonCheck, AWellFormedStartBreaksTheGrammarAtItsEnd) {
  const struct {
    const char* text;
    size_t fault;
  } cases[] = {
      {"[1.", 3}, {"[1e-", 4}, {"[-", 2},   {"[tru", 4},  {"[\"\\u0", 5}, {"[\"\\", 3}, {"[\"ab", 4},
      {"[12", 3}, {"[1]7", 3}, {"[01", 1},  {"[tx", 1},   {"[\"\\x", 2},  {"[1.x", 1},  {"[1, ", 4},
  };
  for (const auto& c : cases) EXPECT_EQ(vk::jsonGrammarFault(c.text), c.fault) << c.text;
  Random r(71);
  Documents documents(r);
  size_t cuts = 0;
  for (int round = 0; round < 20; ++round) {
    // A whole container: none of its starts is whole.
    const std::string text = documents.document();
    if (!vk_test::JsonReference(text).wellFormed()) continue;
    for (size_t cut = 1; cut <= text.rfind('}'); ++cut) {
      const std::string_view start = std::string_view(text).substr(0, cut);
      ASSERT_EQ(vk::jsonGrammarFault(start), cut) << start;
      ++cuts;
    }
  }
  EXPECT_GT(cuts, 2000u);
}

TEST(JsonCheck, LargeTextsAreJudgedAlikeBesideTheCaller) {
  Random r(61);
  Documents documents(r);
  std::string text = "[";
  while (text.size() < vk::JsonGrammarCheck::kThreadedBytes) text += (text.size() > 1 ? ", " : "") + documents.document();
  text += "]";
  int faults = 0;
  for (int change = 0; change < 40; ++change) {
    const std::string changed = change == 0 ? text : damaged(text, r);
    const bool whole = vk_test::JsonReference(changed).wellFormed();
    faults += !whole;
    vk::JsonGrammarCheck check;
    const vk::JsonBracketTable table = vk::buildJsonBracketTable(changed, check);
    // Read while the check runs: its second half recorded on the check's
    // thread, it is the table one pass makes.
    const vk::JsonBracketTable onePass = vk::buildJsonBracketTable(changed);
    ASSERT_EQ(table.spans.size(), onePass.spans.size()) << change;
    EXPECT_FALSE(table.spans.empty());
    for (size_t k = 0; k < table.spans.size(); ++k) {
      const auto& a = table.spans[k];
      const auto& b = onePass.spans[k];
      ASSERT_TRUE(a.open == b.open && a.close == b.close && a.children == b.children) << change << " " << k;
    }
    EXPECT_EQ(check.wellFormed(), whole) << change;
    EXPECT_EQ(check.wellFormed(), whole) << change;  // asked again: the same verdict
    EXPECT_EQ(vk::jsonGrammarFault(changed) == std::string::npos, whole) << change;
  }
  EXPECT_GT(faults, 20);
  // A check started again judges the latest text; one nobody asks ends with its owner.
  vk::JsonGrammarCheck check;
  check.start(std::string_view(text).substr(0, text.size() - 1));
  check.start(text);
  EXPECT_TRUE(check.wellFormed());
  check.start(std::string_view(text).substr(1));
}

TEST(JsonCheck, DeepNestingIsLinearAndChecked) {
  // Deeper than the kinds the scan keeps in place, closed by the wrong kind
  // at the very bottom or not.
  for (const size_t depth : {size_t{5000}, size_t{300000}}) {
    std::string text = std::string(depth, '[') + "{\"a\": 1}" + std::string(depth, ']');
    bool wellFormed = false;
    vk::buildJsonBracketTable(text, wellFormed);
    EXPECT_TRUE(wellFormed);
    text[depth + 7] = ']';  // the object's closer
    vk::buildJsonBracketTable(text, wellFormed);
    EXPECT_FALSE(wellFormed);
  }
}

}  // namespace
