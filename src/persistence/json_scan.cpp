// The JSON scanner: member index, typed lookups, array readers, unescaping.
#include <array>
#include <charconv>
#include <climits>
#include <cmath>

#include "persistence/json.h"
#include "platform/kernel.h"

namespace vk {
namespace {

// Bytes that end a scalar token or matter to the bracket skipper.
constexpr std::array<bool, 256> makeTable(std::string_view chars) {
  std::array<bool, 256> table{};
  for (char c : chars) table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr auto kContainerBytes = makeTable("\"{}[]");
constexpr auto kTokenEnd = makeTable(" \t\n\r\v\f,:{}[]\"");

inline bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `i` is just past an opening quote; returns the index just past the closing
// quote, or npos when the text ends first.
size_t stringEnd(std::string_view t, size_t i) {
  const size_t n = t.size();
  while (i < n) {
    const char c = t[i];
    if (c == '"') return i + 1;
    i += (c == '\\') ? 2 : 1;
  }
  return std::string_view::npos;
}

// `i` is at an opening bracket; returns the index just past its match, or npos.
// Braces and brackets share one depth count, so the walk stays linear whatever
// the nesting.
size_t containerEnd(std::string_view t, size_t i) {
  const size_t n = t.size();
  size_t depth = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    if (!kContainerBytes[c]) {
      ++i;
      continue;
    }
    if (c == '"') {
      i = stringEnd(t, i + 1);
      if (i == std::string_view::npos) return i;
      continue;
    }
    if (c == '{' || c == '[') {
      ++depth;
    } else if (--depth == 0) {
      return i + 1;
    }
    ++i;
  }
  return std::string_view::npos;
}

size_t tokenEnd(std::string_view t, size_t i) {
  const size_t start = i;
  while (i < t.size() && !kTokenEnd[static_cast<unsigned char>(t[i])]) ++i;
  return i == start ? i + 1 : i;  // a lone delimiter still counts as one token
}

// Calls fn(member) for each member at the object's own level; fn returns false
// to stop early.
template <class Fn>
void forEachMember(std::string_view t, Fn&& fn) {
  const size_t n = t.size();
  size_t i = json_detail::skipSpace(t, 0);
  if (i < n && t[i] == '{') ++i;
  while (true) {
    i = json_detail::skipSpace(t, i);
    if (i >= n) return;
    const char c = t[i];
    if (c == '}' || c == ']') return;
    if (c != '"') {
      bool closed = true;
      i = json_detail::valueEnd(t, i, closed);
      if (!closed) return;
      continue;
    }
    const size_t keyEnd = stringEnd(t, i + 1);
    if (keyEnd == std::string_view::npos) return;
    size_t j = json_detail::skipSpace(t, keyEnd);
    if (j >= n || t[j] != ':') {
      i = keyEnd;  // a string not followed by ':' is no member name
      continue;
    }
    j = json_detail::skipSpace(t, j + 1);
    JsonMember member;
    member.key = t.substr(i + 1, keyEnd - i - 2);
    member.keyHasEscape = member.key.find('\\') != std::string_view::npos;
    size_t end = j;
    if (j < n && t[j] != ',' && t[j] != '}' && t[j] != ']') end = json_detail::valueEnd(t, j, member.closed);
    member.value = t.substr(j, end - j);
    if (!fn(member) || !member.closed) return;
    i = end;
  }
}

bool keyEquals(const JsonMember& member, std::string_view key) {
  if (!member.keyHasEscape) return member.key == key;
  return jsonUnescapeToUtf8(member.key) == key;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Four hex digits at body[i..i+4), or -1.
int32_t hex4(std::string_view body, size_t i) {
  if (i + 4 > body.size()) return -1;
  int32_t v = 0;
  for (size_t k = i; k < i + 4; ++k) {
    const char c = body[k];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return -1;
    v = v * 16 + d;
  }
  return v;
}

const JsonMember* findValue(const JsonObjectIndex& object, std::string_view key, char opener) {
  const JsonMember* m = object.find(key);
  if (!m || !m->closed || m->value.empty() || m->value.front() != opener) return nullptr;
  return m;
}

std::optional<std::string_view> nestedInterior(const JsonObjectIndex& object, std::string_view key, char opener) {
  const JsonMember* m = findValue(object, key, opener);
  if (!m) return std::nullopt;
  return m->value.substr(1, m->value.size() - 2);
}

}  // namespace

namespace json_detail {

size_t skipSpace(std::string_view t, size_t i) {
  while (i < t.size() && isSpace(t[i])) ++i;
  return i;
}

size_t valueEnd(std::string_view t, size_t i, bool& closed) {
  closed = true;
  const char c = t[i];
  size_t end;
  if (c == '{' || c == '[') end = containerEnd(t, i);
  else if (c == '"') end = stringEnd(t, i + 1);
  else return tokenEnd(t, i);
  if (end == std::string_view::npos) {
    closed = false;
    return t.size();
  }
  return end;
}

}  // namespace json_detail

const JsonMember* JsonObjectIndex::find(std::string_view key) const {
  for (const JsonMember& m : members) {
    if (keyEquals(m, key)) return &m;
  }
  return nullptr;
}

JsonObjectIndex indexJsonObject(std::string_view text) {
  JsonObjectIndex index;
  forEachMember(text, [&](const JsonMember& m) {
    index.members.push_back(m);
    return true;
  });
  return index;
}

std::optional<double> parseJsonNumberPrefix(std::string_view t) {
  const size_t n = t.size();
  size_t j = 0;
  if (j < n && t[j] == '-') ++j;
  const size_t mantissa = j;
  while (j < n && isDigit(t[j])) ++j;
  const bool intDigits = j > mantissa;
  if (j + 1 < n && t[j] == '.' && isDigit(t[j + 1])) {
    j += 2;
    while (j < n && isDigit(t[j])) ++j;
  } else if (!intDigits) {
    return std::nullopt;
  }
  if (j < n && (t[j] == 'e' || t[j] == 'E')) {
    size_t k = j + 1;
    if (k < n && (t[k] == '+' || t[k] == '-')) ++k;
    if (k < n && isDigit(t[k])) {
      while (k < n && isDigit(t[k])) ++k;
      j = k;
    }
  }
  double value = 0;
  const auto result = std::from_chars(t.data(), t.data() + j, value);
  if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

int32_t jsonWholeNumber(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool findBool(const JsonObjectIndex& object, std::string_view key, bool fallback) {
  const JsonMember* m = object.find(key);
  if (!m) return fallback;
  if (m->value.starts_with("true")) return true;
  if (m->value.starts_with("false")) return false;
  return fallback;
}

double findNumber(const JsonObjectIndex& object, std::string_view key, double fallback) {
  const JsonMember* m = object.find(key);
  if (!m) return fallback;
  return parseJsonNumberPrefix(m->value).value_or(fallback);
}

std::optional<std::string_view> findRawString(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '"');
}

std::wstring findString(const JsonObjectIndex& object, std::string_view key, const std::wstring& fallback) {
  const auto body = findRawString(object, key);
  return body ? jsonUnescapeToWide(*body) : fallback;
}

std::optional<std::string_view> findNestedObject(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '{');
}

std::optional<std::string_view> findNestedArray(const JsonObjectIndex& object, std::string_view key) {
  return nestedInterior(object, key, '[');
}

void readJsonNumberMembers(std::string_view objectText, const std::string_view* keys, size_t keyCount,
                           double* values) {
  unsigned seen = 0;
  const unsigned all = (1u << keyCount) - 1;
  forEachMember(objectText, [&](const JsonMember& m) {
    for (size_t k = 0; k < keyCount; ++k) {
      if ((seen & (1u << k)) || !keyEquals(m, keys[k])) continue;
      seen |= 1u << k;
      if (const auto number = parseJsonNumberPrefix(m.value)) values[k] = *number;
      break;
    }
    return seen != all;
  });
}

std::vector<std::string_view> extractJsonObjectItems(std::string_view contents) {
  std::vector<std::string_view> items;
  forEachJsonElement(contents, [&](std::string_view element, bool closed) {
    if (closed && element.front() == '{') items.push_back(element);
  });
  return items;
}

std::vector<int> parseIntList(std::string_view contents) {
  std::vector<int> values;
  forEachJsonElement(contents, [&](std::string_view element, bool) {
    const auto number = parseJsonNumberPrefix(element);
    values.push_back(number ? jsonWholeNumber(*number) : INT32_MIN);
  });
  return values;
}

std::vector<std::vector<int>> parseNestedIntArrays(std::string_view contents) {
  std::vector<std::vector<int>> lists;
  forEachJsonElement(contents, [&](std::string_view element, bool closed) {
    if (closed && element.front() == '[') {
      lists.push_back(parseIntList(element.substr(1, element.size() - 2)));
    } else {
      lists.emplace_back();
    }
  });
  return lists;
}

std::string jsonUnescapeToUtf8(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  const size_t n = body.size();
  size_t i = 0;
  while (i < n) {
    const size_t slash = body.find('\\', i);
    if (slash == std::string_view::npos) {
      out.append(body.substr(i));
      break;
    }
    out.append(body.substr(i, slash - i));
    i = slash + 1;
    if (i >= n) break;  // a backslash at the very end is dropped
    const char c = body[i++];
    switch (c) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'u': {
        int32_t cp = hex4(body, i);
        if (cp < 0) {
          out.push_back('u');
          break;
        }
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          const int32_t low = (i + 1 < n && body[i] == '\\' && body[i + 1] == 'u') ? hex4(body, i + 2) : -1;
          if (low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          } else {
            cp = 0xFFFD;
          }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
          cp = 0xFFFD;
        }
        appendUtf8(out, static_cast<uint32_t>(cp));
        break;
      }
      default: out.push_back(c); break;  // \" \\ \/ and unknown escapes
    }
  }
  return out;
}

std::wstring jsonUnescapeToWide(std::string_view body) {
  if (body.find('\\') == std::string_view::npos) return utf8ToWide(body);
  return utf8ToWide(jsonUnescapeToUtf8(body));
}

bool parseTruthyValue(std::string_view value, bool fallback) {
  if (value == "1" || value == "true" || value == "TRUE" || value == "yes") return true;
  if (value == "0" || value == "false" || value == "FALSE" || value == "no") return false;
  return fallback;
}

}  // namespace vk
