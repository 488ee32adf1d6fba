// JSON text services shared by the project file and the glTF exchange code:
// a linear scanner that indexes one object's members, typed lookups over that
// index, positional array readers, string escaping and number forms.
//
// Every view returned points into the text that was scanned; the caller keeps
// that text alive. No function recurses per nesting level or per character,
// so hostile texts (deep nesting, huge strings) cost linear time and no stack.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk {

// One member of a JSON object: the key's raw body (between its quotes, escapes
// untouched) and the raw value text (a container with its brackets, a string
// with its quotes, or a scalar token). `closed` is false for a container or
// string value that the text ends inside.
struct JsonMember {
  std::string_view key;
  std::string_view value;
  bool closed = true;
  bool keyHasEscape = false;
};

// The members of one object, in text order, at that object's own level only.
// Built in one pass; lookups never scan the text again.
struct JsonObjectIndex {
  std::vector<JsonMember> members;

  // The first member named `key`, or nullptr.
  const JsonMember* find(std::string_view key) const;
};

// Indexes the object in `text`: either a whole object ("{ ... }", as an array
// item or a document) or the text between its braces. Strings followed by ":"
// at the object's own level are member names; anything else is passed over.
JsonObjectIndex indexJsonObject(std::string_view text);

// Typed lookups. A missing member, or one whose value has another form, gives
// the fallback; the first member of a name decides, later ones are ignored.
bool findBool(const JsonObjectIndex& object, std::string_view key, bool fallback);
double findNumber(const JsonObjectIndex& object, std::string_view key, double fallback);
std::optional<std::string_view> findRawString(const JsonObjectIndex& object, std::string_view key);
std::wstring findString(const JsonObjectIndex& object, std::string_view key, const std::wstring& fallback);
// The text strictly between the braces (brackets) of the member's value, when
// that value is itself a closed object (array); otherwise none.
std::optional<std::string_view> findNestedObject(const JsonObjectIndex& object, std::string_view key);
std::optional<std::string_view> findNestedArray(const JsonObjectIndex& object, std::string_view key);

// Whole numbers: the double truncated toward zero; a value outside the signed
// 32-bit range (or not a number) becomes -2147483648.
int32_t jsonWholeNumber(double value);

// Parses a JSON number at the start of `token` with the longest-prefix rule
// ("12abc" gives 12, "5." gives 5); no plus sign, no nan or inf. None when no
// number starts there or the value lies outside the range of a double.
std::optional<double> parseJsonNumberPrefix(std::string_view token);

// For each keys[i], the number of the object's first member of that name:
// stored in values[i] when it is a number, left untouched otherwise. One pass
// over the object text without building an index (for large arrays of small
// objects such as vertices). At most 8 keys.
void readJsonNumberMembers(std::string_view objectText, const std::string_view* keys, size_t keyCount,
                           double* values);

// Array readers. `contents` is the text between an array's brackets; elements
// are positional: every element yields exactly one entry.
// Objects among the elements, each with its braces; other elements and an
// object the text ends inside are left out.
std::vector<std::string_view> extractJsonObjectItems(std::string_view contents);
// Whole numbers; an element that is no number gives -2147483648.
std::vector<int> parseIntList(std::string_view contents);
// One list per element; an element that is not an array gives an empty list.
std::vector<std::vector<int>> parseNestedIntArrays(std::string_view contents);

// Calls fn(elementText, closed) for every element of the array contents, in
// order; containers keep their brackets, strings their quotes; closed is false
// for the last element when the text ends inside it. Linear in the text.
template <class Fn>
void forEachJsonElement(std::string_view contents, Fn&& fn);

// Decodes a raw string body: the whole JSON escape set, \uXXXX with surrogate
// pairs (a lone surrogate gives U+FFFD); raw control characters are kept; an
// unknown escape gives the escaped character itself.
std::wstring jsonUnescapeToWide(std::string_view body);
std::string jsonUnescapeToUtf8(std::string_view body);

// "1", "true", "TRUE", "yes" -> true; "0", "false", "FALSE", "no" -> false;
// anything else the fallback. Exact, case-sensitive.
bool parseTruthyValue(std::string_view value, bool fallback);

// Writing. UTF-8 of the text with JSON escapes: \" \\ \t \n \r, and \u00XX for
// every other character below 32; no surrounding quotes.
std::string jsonEscape(const std::wstring& text);
void appendJsonEscaped(std::string& out, std::wstring_view text);
// Fixed notation with four decimals, never an exponent; a value that is not
// finite is written 0.0000.
void appendFixed4(std::string& out, double value);
// The shortest text that reads back to the same double, in JSON number form;
// a value that is not finite is written 0.
void appendShortestDouble(std::string& out, double value);
void appendInt(std::string& out, long long value);
void appendUnsigned(std::string& out, unsigned long long value);

// Writes `text` to `path` through a temporary file in the same folder that
// replaces the target only when every byte was written, flushed and closed.
// False on any failure; an existing file is then left as it was.
bool writeTextFile(const std::wstring& path, const std::string& text);

// ---------------------------------------------------------------------------
// Implementation details of the element walker (kept inline for speed).
namespace json_detail {
size_t skipSpace(std::string_view t, size_t i);
// End of the value starting at `i` (container, string or scalar token); sets
// `closed` false when the text ends inside a container or string.
size_t valueEnd(std::string_view t, size_t i, bool& closed);
}  // namespace json_detail

template <class Fn>
void forEachJsonElement(std::string_view contents, Fn&& fn) {
  size_t i = 0;
  const size_t n = contents.size();
  while (true) {
    i = json_detail::skipSpace(contents, i);
    if (i >= n) return;
    const char c = contents[i];
    if (c == ',') {
      ++i;
      continue;
    }
    if (c == ']' || c == '}') return;  // a stray closer ends this array
    bool closed = true;
    const size_t end = json_detail::valueEnd(contents, i, closed);
    fn(contents.substr(i, end - i), closed);
    if (!closed) return;
    i = end;
  }
}

}  // namespace vk
