// JSON text services shared by the project file and the glTF exchange code:
// a linear scanner that indexes one object's members, typed lookups over that
// index, walks that meet members and array objects in place without an index
// (for readers that fill their fields in one pass), positional array
// readers, string escaping and number forms.
//
// Every view returned points into the text that was scanned; the caller keeps
// that text alive. No function recurses per nesting level or per character,
// so hostile texts (deep nesting, huge strings) cost linear time and no stack.
//
// Sections:
//   - Bracket table and member index
//   - Typed lookups
//   - Walks in place
//   - Numbers
//   - Array readers
//   - Strings
//   - Writing
//   - Walker internals
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {

class CornerList;

// ---- Bracket table and member index -----------------------------------------
// The matching closer of every '{' and '[' outside strings of one text, down
// to a fixed depth, found in a single pass. Indexes built over parts of that
// text skip nested containers through it instead of scanning their bytes once
// per level.
struct JsonBracketTable {
  struct Span {
    uint32_t open;      // ascending
    uint32_t close;     // the closer, or UINT32_MAX when unclosed
    uint32_t children;  // containers directly inside (elements or member values)
  };
  // Lookups mostly move forward through the text: each starts at the entry the
  // previous one found. Relaxed atomic, so a table shared between threads
  // stays sound.
  struct Hint {
    mutable std::atomic<uint32_t> entry{0};
    Hint() = default;
    Hint(const Hint& other) : entry(other.entry.load(std::memory_order_relaxed)) {}
    Hint& operator=(const Hint& other) {
      entry.store(other.entry.load(std::memory_order_relaxed), std::memory_order_relaxed);
      return *this;
    }
  };
  std::string_view text;
  std::vector<Span> spans;
  Hint hint;
};
// An empty table (not used) for texts of 4 GiB or more.
JsonBracketTable buildJsonBracketTable(std::string_view text);
// Whether a text is one well-formed JSON value (RFC 8259) with nothing but
// blanks (space, tab, LF, CR) around it, checked beside the caller's own
// work: a text large enough to pay for a thread is checked on one of its own
// while the caller reads it, a smaller one at once. The verdict is the same
// either way. The text must outlive the check, which the destructor waits
// for; one thread (the one that starts it) asks for the verdict.
class JsonGrammarCheck {
 public:
  // Texts from this size on are checked on a thread of their own: below it,
  // starting one costs about what the check does.
  static constexpr size_t kThreadedBytes = size_t{1} << 18;
  JsonGrammarCheck() = default;
  JsonGrammarCheck(const JsonGrammarCheck&) = delete;
  JsonGrammarCheck& operator=(const JsonGrammarCheck&) = delete;
  ~JsonGrammarCheck();
  // Starts checking `text`, after the check started before has ended.
  // `first`, when given, runs on the check's thread before the check, and
  // not at all when the check runs at once.
  void start(std::string_view text, std::function<void()> first = {});
  // Waits for the verdict (false before any check was started).
  bool wellFormed();
  // The verdict, for a reader that passes it on as a flag.
  operator bool() { return wellFormed(); }

 private:
  void wait();
  std::thread thread_;
  bool wellFormed_ = false;
};
// The same table, with `check` started on the text: the caller reads through
// the table while the grammar is checked. A text checked on a thread of its
// own has the second half of its table (from a point near its middle that a
// scan can start at) recorded there first, while the caller records the
// first half.
JsonBracketTable buildJsonBracketTable(std::string_view text, JsonGrammarCheck& check);
// The same, the verdict waited for: `wellFormed` tells whether the text is
// one well-formed value.
JsonBracketTable buildJsonBracketTable(std::string_view text, bool& wellFormed);
// Where the text first breaks the JSON grammar, as a careful scan from its
// start finds it (a byte outside strings, or inside the string it breaks);
// npos when the text is one well-formed value with only blanks around it.
// A text that stops inside a token (a word, number, string or escape) breaks
// it at its end, so the text's size tells a well-formed start cut short.
size_t jsonGrammarFault(std::string_view text);
// How many containers lie directly inside the container whose interior is
// `contents` (a view into the table's text), as the table recorded it; none
// when it did not record that container. Readers size their arrays by it:
// an array of faces holds at most that many lists, one of vertices at least
// that many objects.
std::optional<uint32_t> jsonChildContainers(const JsonBracketTable* table, std::string_view contents);
// Just past the closer of the container opening at text[i] ('{' or '['),
// looked up in the table when it holds `text`; none when the text ends
// inside it. Braces and brackets close each other: the caller checks which
// closer it was.
std::optional<size_t> jsonContainerEnd(std::string_view text, size_t i, const JsonBracketTable* table = nullptr);

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

// The memory a reader may still take for what it builds from a text. A cost
// that would pass it is refused, and so is every later one: the reader then
// drops what it built.
struct JsonReadBudget {
  uint64_t bytes = UINT64_MAX;
  bool exceeded = false;
  bool take(uint64_t cost) {
    if (exceeded || cost > bytes) {
      exceeded = true;
      return false;
    }
    bytes -= cost;
    return true;
  }
  // Memory taken earlier and freed since.
  void giveBack(uint64_t cost) {
    if (!exceeded) bytes = cost > UINT64_MAX - bytes ? UINT64_MAX : bytes + cost;
  }
};

// The heap memory a wide text of `length` characters holds, as the allocator
// rounds it; up to three characters live inside the string itself.
constexpr uint64_t wideTextBytes(uint64_t length) {
  return length < 4 ? 0 : ((length + 1) * sizeof(wchar_t) + 8 + 15) / 16 * 16;
}

// The members of one object, in text order, at that object's own level only.
// Built in one pass; lookups never scan the text again.
struct JsonObjectIndex {
  std::vector<JsonMember> members;
  // The table of the whole text, handed on to indexes of nested values.
  const JsonBracketTable* table = nullptr;
  // When set, every text findString decodes is counted against it before it
  // is built (a text that would pass it reads empty); handed on as the table is.
  JsonReadBudget* budget = nullptr;

  // The first member named `key`, or nullptr.
  const JsonMember* find(std::string_view key) const;
};

// Indexes the object in `text`: either a whole object ("{ ... }", as an array
// item or a document) or the text between its braces. Strings followed by ":"
// at the object's own level are member names; anything else is passed over.
// `table`, when given, must be that of a text holding `text`.
JsonObjectIndex indexJsonObject(std::string_view text, const JsonBracketTable* table = nullptr);
// The index of a nested value found in `parent` (same table).
inline JsonObjectIndex indexNested(const JsonObjectIndex& parent, std::string_view text) {
  JsonObjectIndex index = indexJsonObject(text, parent.table);
  index.budget = parent.budget;
  return index;
}

// ---- Typed lookups ----------------------------------------------------------
// A missing member, or one whose value has another form, gives the
// fallback; the first member of a name decides, later ones are ignored.
bool findBool(const JsonObjectIndex& object, std::string_view key, bool fallback);
double findNumber(const JsonObjectIndex& object, std::string_view key, double fallback);
std::optional<std::string_view> findRawString(const JsonObjectIndex& object, std::string_view key);
std::wstring findString(const JsonObjectIndex& object, std::string_view key, const std::wstring& fallback);
// The text strictly between the braces (brackets) of the member's value, when
// that value is itself a closed object (array); otherwise none.
std::optional<std::string_view> findNestedObject(const JsonObjectIndex& object, std::string_view key);
std::optional<std::string_view> findNestedArray(const JsonObjectIndex& object, std::string_view key);

// The same reads of one member's value, for readers that meet members as they
// walk an object (forEachJsonMember) instead of looking them up.
// The number, as findNumber reads it; false, with `value` left as it was, for
// a value of another form.
bool jsonNumberValue(const JsonMember& member, double& value);
// "true..." or "false..."; none for anything else.
std::optional<bool> jsonBoolValue(const JsonMember& member);
// The text strictly between the quotes (braces, brackets) of a closed string
// (object, array) value; none for a value of another form.
std::optional<std::string_view> jsonStringBody(const JsonMember& member);
std::optional<std::string_view> jsonObjectBody(const JsonMember& member);
std::optional<std::string_view> jsonArrayBody(const JsonMember& member);

// ---- Walks in place ---------------------------------------------------------
// Calls fn(member) for every member of the object in `text` (whole, or the
// text between its braces, as indexJsonObject takes it), in text order, in
// one walk and without building an index.
template <class Fn>
void forEachJsonMember(std::string_view text, Fn&& fn, const JsonBracketTable* table = nullptr);

// Matches members against a reader's field names so that, as the lookups do,
// the first member of each name decides and later ones are passed over:
// match() gives the field's position in `names`, or -1 for another name or a
// repeat. Escaped keys compare by their decoded text. At most 64 names.
class JsonFieldMatcher {
 public:
  JsonFieldMatcher(const std::string_view* names, size_t count) : names_(names), count_(count) {}
  int match(const JsonMember& member);

 private:
  const std::string_view* names_;
  size_t count_;
  uint64_t seen_ = 0;
};

// Walks array contents once: for every element that is an object,
// readObject(members) is called, where members(fn) walks that object's
// members in place, calling fn(member) for each, and returns false when the
// text ends inside the object (the caller then drops what it read). Other
// elements are passed over. The walk stops when readObject returns false.
template <class ReadObject>
void forEachJsonObjectElement(std::string_view contents, ReadObject&& readObject,
                              const JsonBracketTable* table = nullptr);

// The elements of array contents as the positional readers walk them,
// counted without reading any.
uint64_t countJsonElements(std::string_view contents);
// The objects (closed "{...}") among the elements of array contents, counted
// in one pass over the bytes without building anything.
uint64_t countJsonObjectElements(std::string_view contents);
// indexJsonObject (without a table), and in the same pass over the bytes the
// objects among the elements of every member's array value, as
// countJsonObjectElements counts them: objects[k] for members[k], 0 for a
// value of another form.
JsonObjectIndex indexJsonObjectCountingArrays(std::string_view text, std::vector<uint64_t>& objects);

// ---- Numbers ----------------------------------------------------------------
// Whole numbers: the double truncated toward zero; a value outside the signed
// 32-bit range (or not a number) becomes -2147483648.
int32_t jsonWholeNumber(double value);

// Parses a JSON number at the start of `token` with the longest-prefix rule
// ("12abc" gives 12, "5." gives 5); no plus sign, no nan or inf. None when no
// number starts there or the value lies outside the range of a double.
std::optional<double> parseJsonNumberPrefix(std::string_view token);
// The same through a reference, left as it was when no number is read (the
// form for hot loops: an optional<double> return costs a store forwarding
// stall per number).
bool parseJsonNumber(std::string_view token, double& value);

// Reads an array of small objects of numbers (vertices, UVs) in one walk:
// keyCount values per element, the first member named keys[k] giving value k
// when it is a number; anything missing or malformed reads 0, an element that
// is no object reads all zeros. At most 32 keys.
std::vector<double> readJsonNumberObjects(std::string_view contents, const std::string_view* keys, size_t keyCount);
// The same walk handing each element's values to fn(const double* values)
// as it is read, for readers that store them in their own form; stops after
// `limit` elements and returns how many it read (limit + 1 when more follow
// the limit: the caller learns the array is longer without storing it).
template <class Fn>
size_t forEachJsonNumberObject(std::string_view contents, const std::string_view* keys, size_t keyCount,
                               size_t limit, Fn&& fn);
// The same for one object (whole or between its braces, as indexJsonObject
// takes it) without building its index: values[k] keeps the caller's fallback
// unless the first member named keys[k] is a number.
void readJsonNumberMembers(std::string_view text, const std::string_view* keys, size_t keyCount, double* values,
                           const JsonBracketTable* table = nullptr);

// ---- Array readers ----------------------------------------------------------
// `contents` is the text between an array's brackets; elements are
// positional: every element yields exactly one entry.
// Objects among the elements, each with its braces; other elements and an
// object the text ends inside are left out. At most `limit` objects, the
// first ones: a reader that keeps only so many holds no view of the rest.
std::vector<std::string_view> extractJsonObjectItems(std::string_view contents,
                                                     const JsonBracketTable* table = nullptr,
                                                     size_t limit = SIZE_MAX);
// Whole numbers; an element that is no number gives -2147483648.
std::vector<int> parseIntList(std::string_view contents);
// One list per element; an element that is not an array gives an empty list.
std::vector<std::vector<int>> parseNestedIntArrays(std::string_view contents);
// The same reads one element at a time, for readers that keep only some of
// them and want no list per element: fn(const std::vector<int32_t>& list)
// for each element of the nested arrays, fn(int32_t value) for each element
// of a flat list, in order. A list keeps at most `cap` values (the first
// ones). The walk stops when fn returns false.
// List: std::vector<int32_t> or CornerList.
template <class List = std::vector<int32_t>, class Fn>
void forEachJsonIntList(std::string_view contents, size_t cap, Fn&& fn);
template <class Fn>
void forEachJsonWholeNumber(std::string_view contents, Fn&& fn);

// Calls fn(elementText, closed) for every element of the array contents, in
// order; containers keep their brackets, strings their quotes; closed is false
// for the last element when the text ends inside it. Linear in the text.
template <class Fn>
void forEachJsonElement(std::string_view contents, Fn&& fn, const JsonBracketTable* table = nullptr);

// ---- Strings ----------------------------------------------------------------
// Decodes a raw string body: the whole JSON escape set, \uXXXX with surrogate
// pairs (a lone surrogate gives U+FFFD); raw control characters are kept; an
// unknown escape gives the escaped character itself. The bytes are read as
// UTF-8, one character per code point, invalid sequences U+FFFD. Walking the
// characters without building them: json_unescape.h.
std::wstring jsonUnescapeToWide(std::string_view body);
std::string jsonUnescapeToUtf8(std::string_view body);

// "1", "true", "TRUE", "yes" -> true; "0", "false", "FALSE", "no" -> false;
// anything else the fallback. Exact, case-sensitive.
bool parseTruthyValue(std::string_view value, bool fallback);

// ---- Writing ----------------------------------------------------------------
// UTF-8 of the text with JSON escapes: \" \\ \t \n \r, and \u00XX for
// every other character below 32; no surrounding quotes.
std::string jsonEscape(const std::wstring& text);
void appendJsonEscaped(std::string& out, std::wstring_view text);
// Fixed notation with four decimals when they read back as the value, else
// the shortest fixed notation that does; never an exponent. A value that is
// not finite is written 0.0000.
void appendFixed4(std::string& out, double value);
// The shortest text that reads back to the same double, in JSON number form;
// a value that is not finite is written 0.
void appendShortestDouble(std::string& out, double value);
void appendInt(std::string& out, long long value);
void appendUnsigned(std::string& out, unsigned long long value);

// Writes `text` to `path` through a temporary file in the same folder that
// replaces the target only when every byte was written, flushed and closed.
// False on any failure, with the system's reason; an existing file is then
// left as it was.
bool writeTextFile(const std::wstring& path, const std::string& text, std::wstring* reason = nullptr);

// ---- Walker internals -------------------------------------------------------
// Kept inline for speed.
namespace json_detail {

inline bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; }

inline size_t skipSpace(std::string_view t, size_t i) {
  while (i < t.size() && isSpace(t[i])) ++i;
  return i;
}

// The first index from `i` holding a quote or a backslash; t.size() when
// there is none. Sixteen bytes at a time where SSE2 is there.
inline size_t nextQuoteOrBackslash(std::string_view t, size_t i) {
  const size_t n = t.size();
  const char* p = t.data();
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
    if (mask) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i < n && p[i] != '"' && p[i] != '\\') ++i;
  return i;
}

// `i` is just past an opening quote; returns the index just past the closing
// quote, or npos when the text ends first. `escaped` tells whether the body
// holds a backslash.
inline size_t stringEnd(std::string_view t, size_t i, bool& escaped) {
  const size_t n = t.size();
  while (true) {
    i = nextQuoteOrBackslash(t, i);
    if (i >= n) return std::string_view::npos;
    if (t[i] == '"') return i + 1;
    escaped = true;
    i += 2;  // an escape and the character it escapes
  }
}

// Bytes that end a scalar token.
inline constexpr auto kTokenEndBytes = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view(" \t\n\r\v\f,:{}[]\"")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

inline size_t tokenEnd(std::string_view t, size_t i) {
  const size_t start = i;
  while (i < t.size() && !kTokenEndBytes[static_cast<unsigned char>(t[i])]) ++i;
  return i == start ? i + 1 : i;  // a lone delimiter still counts as one token
}

// Eight bytes at p with every digit byte turned into its value (0..9).
inline uint64_t digitWord(const char* p) {
  uint64_t word;
  __builtin_memcpy(&word, p, 8);
  return word ^ 0x3030303030303030u;
}

// How many of a digitWord's bytes, from the first, are digits (0..8).
inline int leadingDigits(uint64_t digits) {
  const uint64_t other = (((digits & 0x7F7F7F7F7F7F7F7Fu) + 0x7676767676767676u) | digits) & 0x8080808080808080u;
  return other ? __builtin_ctzll(other) / 8 : 8;
}

// The value of a digitWord's first `count` (1..8) digits: the word shifted
// so that the bytes before them read as leading zeros, then the digits paired
// up, and the pairs joined, in three multiplications.
inline uint64_t leadingDigitsValue(uint64_t digits, int count) {
  uint64_t v = digits << (8 * (8 - count));
  v = (v * 10) + (v >> 8);
  return (((v & 0x000000FF000000FFu) * 0x000F424000000064u) + (((v >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
         32;
}

// A plain integer of one to seven digits, after an optional minus, at s
// (eight bytes readable after the minus): its length, with `value` set; 0
// for anything else. One word, no loop per digit.
inline size_t plainIntLength(const char* s, int32_t& value) {
  const bool minus = *s == '-';
  const uint64_t digits = digitWord(s + minus);
  const int count = leadingDigits(digits);
  if (count == 0 || count == 8) return 0;
  const auto v = static_cast<int32_t>(leadingDigitsValue(digits, count));
  value = minus ? -v : v;
  return static_cast<size_t>(minus) + static_cast<size_t>(count);
}

#if defined(__SSE2__)
// Bit k set where p[k] is a digit, for k < 32.
inline uint32_t digitBits(const char* p) {
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const auto bits = [&](const char* at) {
    const __m128i d = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), zero);
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(d, nine), d)));
  };
  return bits(p) | bits(p + 16) << 16;
}

// Which of the 32 bytes at p are digits, commas, blanks and closing
// brackets (bit k for p[k]): the writers' integer lists, many elements to
// a window, read from bit scans.
struct WindowBits {
  uint32_t digits, commas, blanks, closers;
};
inline WindowBits windowBits(const char* p) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  const auto equal = [&](char c) {
    const __m128i v = _mm_set1_epi8(c);
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, v))) |
           static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, v))) << 16;
  };
  return {digitBits(p), equal(','), equal(' '), equal(']')};
}

// Where a window run stopped: `at` is the offset of the first element not
// read (or just past the closer); `closed` when a closer ended the run,
// `stopped` when the visitor did (`at` is then the end of its element).
struct WindowRun {
  uint32_t at;
  bool closed;
  bool stopped;
};
// Reads the writers' run of plain integers from the 32-byte window at s (48
// bytes readable): elements of one to seven digits, each followed by ", "
// or, when `closer` is set, by "]", which ends the run. Each element's
// length and separator come from byte masks of the whole window, so finding
// the next element does not wait on loading this one. visit(value) takes
// each element and returns false to stop.
template <class Visit>
inline WindowRun readWindowRun(const char* s, bool closer, Visit&& visit) {
  const WindowBits bits = windowBits(s);
  const uint64_t other = ~uint64_t{bits.digits};
  const uint32_t separators = bits.commas & (bits.blanks >> 1);
  uint32_t at = 0;
  while (true) {
    const auto length = static_cast<uint32_t>(__builtin_ctzll(other >> at));
    const uint32_t after = at + length;
    // A separator's blank may lie past the window: a run stops before that.
    if (length == 0 || length > 7 || after >= 31) break;
    const auto value = static_cast<int32_t>(leadingDigitsValue(digitWord(s + at), static_cast<int>(length)));
    const bool closes = closer && ((bits.closers >> after) & 1u);
    if (!closes && !((separators >> after) & 1u)) break;
    if (!visit(value)) return {after, false, true};
    if (closes) return {after + 1, true, false};
    at = after + 2;
  }
  return {at, false, false};
}
#endif

// valueEnd for a container opening at `i`.
size_t containerValueEnd(std::string_view t, size_t i, bool& closed, const JsonBracketTable* table);

// End of the value starting at `i` (container, string or scalar token); sets
// `closed` false when the text ends inside a container or string. Scalars and
// strings, most values, are found inline.
inline size_t valueEnd(std::string_view t, size_t i, bool& closed, const JsonBracketTable* table = nullptr) {
  closed = true;
  const char c = t[i];
  if (c == '{' || c == '[') return containerValueEnd(t, i, closed, table);
  if (c != '"') return tokenEnd(t, i);
  bool escaped = false;
  const size_t end = stringEnd(t, i + 1, escaped);
  if (end != std::string_view::npos) return end;
  closed = false;
  return t.size();
}

struct ElementEnd {
  size_t end;
  bool closed;  // false when the text ended inside the element
};

// Walks the elements of array contents: skips blanks and commas, stops at the
// end or at a stray closer, and hands the start of each element to
// readElement(i), which returns where that element ended.
template <class ReadElement>
void walkElements(std::string_view contents, ReadElement&& readElement) {
  size_t i = 0;
  const size_t n = contents.size();
  while (true) {
    i = skipSpace(contents, i);
    if (i >= n) return;
    const char c = contents[i];
    if (c == ',') {
      ++i;
      continue;
    }
    if (c == ']' || c == '}') return;
    // Long arrays of small elements (a mesh's) are read faster than the
    // hardware fetches them unasked: ask for the bytes a few dozen elements
    // on. A hint only: it reads nothing and never faults.
    __builtin_prefetch(contents.data() + i + 1536);
    const ElementEnd element = readElement(i);
    if (!element.closed) return;
    i = element.end;
  }
}

// Calls fn(member) for each member from `i` (inside an object) up to the
// closer at the object's own level; `closed` is false when the text ends
// first. Strings followed by ":" are member names; anything else is passed
// over. endOf(j, closed) finds the end of the value starting at t[j], as
// valueEnd does.
template <class Fn, class EndOf>
ElementEnd walkMembersWith(std::string_view t, size_t i, Fn&& fn, EndOf&& endOf) {
  const size_t n = t.size();
  while (true) {
    i = skipSpace(t, i);
    if (i >= n) return {n, false};
    const char c = t[i];
    if (c == '}' || c == ']') return {i + 1, true};
    if (c != '"') {
      bool closed = true;
      i = endOf(i, closed);
      if (!closed) return {n, false};
      continue;
    }
    bool keyHasEscape = false;
    const size_t keyEnd = stringEnd(t, i + 1, keyHasEscape);
    if (keyEnd == std::string_view::npos) return {n, false};
    size_t j = skipSpace(t, keyEnd);
    if (j >= n || t[j] != ':') {
      i = keyEnd;  // a string not followed by ':' is no member name
      continue;
    }
    j = skipSpace(t, j + 1);
    JsonMember member;
    // Views built directly: substr's range check is not inlined.
    member.key = std::string_view(t.data() + i + 1, keyEnd - i - 2);
    member.keyHasEscape = keyHasEscape;
    size_t end = j;
    if (j < n && t[j] != ',' && t[j] != '}' && t[j] != ']') end = endOf(j, member.closed);
    member.value = std::string_view(t.data() + j, end - j);
    fn(static_cast<const JsonMember&>(member));
    if (!member.closed) return {n, false};
    i = end;
  }
}

template <class Fn>
ElementEnd walkMembers(std::string_view t, size_t i, Fn&& fn, const JsonBracketTable* table) {
  return walkMembersWith(t, i, fn, [&](size_t j, bool& closed) { return valueEnd(t, j, closed, table); });
}

int escapedKeyIndex(std::string_view key, const std::string_view* names, size_t count);

// One element of an array of number objects from contents[i] (see
// readJsonNumberObjects): values[0..keyCount) are set (zeros for anything
// missing or malformed, and for an element the text ends inside).
ElementEnd readNumberObjectElement(std::string_view contents, size_t i, const std::string_view* keys,
                                   size_t keyCount, double* values);
// One element of an array of integer lists from contents[i]: `list` is
// cleared, then holds up to `cap` of its whole numbers; empty for an element
// that is no array or that the text ends inside.
ElementEnd readIntListElement(std::string_view contents, size_t i, std::vector<int32_t>& list, size_t cap);
ElementEnd readIntListElement(std::string_view contents, size_t i, CornerList& list, size_t cap);
// One whole-number element from contents[i]; -2147483648 for an element that
// is no number.
ElementEnd readWholeNumberElement(std::string_view contents, size_t i, int32_t& value);

// a == b for views of the same size, without a library call for the short
// sizes member names have. (Inlined with a short constant name, GCC warns
// about the wider loads in branches that size rules out.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
inline bool sameBytes(const char* a, const char* b, size_t size) {
  const auto load8 = [](const char* p) {
    uint64_t v;
    __builtin_memcpy(&v, p, 8);
    return v;
  };
  const auto load4 = [](const char* p) {
    uint32_t v;
    __builtin_memcpy(&v, p, 4);
    return v;
  };
  if (size >= 8 && size <= 16)  // two overlapping words
    return load8(a) == load8(b) && load8(a + size - 8) == load8(b + size - 8);
  if (size >= 4 && size < 8) return load4(a) == load4(b) && load4(a + size - 4) == load4(b + size - 4);
  if (size < 4) {
    for (size_t k = 0; k < size; ++k)
      if (a[k] != b[k]) return false;
    return true;
  }
  return __builtin_memcmp(a, b, size) == 0;
}
#pragma GCC diagnostic pop

}  // namespace json_detail

template <class Fn>
void forEachJsonElement(std::string_view contents, Fn&& fn, const JsonBracketTable* table) {
  json_detail::walkElements(contents, [&](size_t i) {
    bool closed = true;
    const size_t end = json_detail::valueEnd(contents, i, closed, table);
    fn(std::string_view(contents.data() + i, end - i), closed);
    return json_detail::ElementEnd{end, closed};
  });
}

template <class Fn>
void forEachJsonMember(std::string_view text, Fn&& fn, const JsonBracketTable* table) {
  size_t i = json_detail::skipSpace(text, 0);
  if (i < text.size() && text[i] == '{') ++i;
  json_detail::walkMembers(text, i, fn, table);
}

inline int JsonFieldMatcher::match(const JsonMember& member) {
  int k = -1;
  if (member.keyHasEscape) {
    k = json_detail::escapedKeyIndex(member.key, names_, count_);
  } else {
    const std::string_view key = member.key;
    for (size_t c = 0; c < count_; ++c) {
      const std::string_view name = names_[c];
      if (name.size() == key.size() && json_detail::sameBytes(name.data(), key.data(), key.size())) {
        k = static_cast<int>(c);
        break;
      }
    }
  }
  if (k < 0 || (seen_ >> k) & 1u) return -1;
  seen_ |= uint64_t{1} << k;
  return k;
}

template <class Fn>
size_t forEachJsonNumberObject(std::string_view contents, const std::string_view* keys, size_t keyCount,
                               size_t limit, Fn&& fn) {
  size_t count = 0;
  double values[32];
  json_detail::walkElements(contents, [&](size_t i) {
    if (count == limit) {
      ++count;
      return json_detail::ElementEnd{contents.size(), false};  // stops the walk
    }
    ++count;
    const json_detail::ElementEnd element = json_detail::readNumberObjectElement(contents, i, keys, keyCount, values);
    fn(static_cast<const double*>(values));
    return element;
  });
  return count;
}

template <class List, class Fn>
void forEachJsonIntList(std::string_view contents, size_t cap, Fn&& fn) {
  List list;
  json_detail::walkElements(contents, [&](size_t i) {
    json_detail::ElementEnd element = json_detail::readIntListElement(contents, i, list, cap);
    if (!fn(static_cast<const List&>(list))) element.closed = false;  // stops the walk
    return element;
  });
}

template <class Fn>
void forEachJsonWholeNumber(std::string_view contents, Fn&& fn) {
  json_detail::walkElements(contents, [&](size_t i) {
#if defined(__SSE2__)
    // Runs of plain integers with the writers' ", " after each are read
    // from 32-byte windows, several elements a step.
    if (contents.size() - i >= 48) {
      const json_detail::WindowRun run =
          json_detail::readWindowRun(contents.data() + i, false, [&](int32_t value) { return fn(value); });
      if (run.stopped) return json_detail::ElementEnd{i + run.at, false};
      if (run.at > 0) return json_detail::ElementEnd{i + run.at, true};
    }
#endif
    int32_t value = 0;
    json_detail::ElementEnd element{0, true};
    // Plain integers, the writers' form, are read inline.
    const size_t length = i + 9 <= contents.size() ? json_detail::plainIntLength(contents.data() + i, value) : 0;
    if (length && json_detail::kTokenEndBytes[static_cast<unsigned char>(contents[i + length])]) {
      element.end = i + length;
    } else {
      element = json_detail::readWholeNumberElement(contents, i, value);
    }
    if (!fn(value)) element.closed = false;
    return element;
  });
}

template <class ReadObject>
void forEachJsonObjectElement(std::string_view contents, ReadObject&& readObject, const JsonBracketTable* table) {
  json_detail::walkElements(contents, [&](size_t i) {
    json_detail::ElementEnd element{contents.size(), false};
    if (contents[i] != '{') {
      element.end = json_detail::valueEnd(contents, i, element.closed, table);
      return element;
    }
    bool walked = false;
    auto members = [&](auto&& fn) {
      element = json_detail::walkMembers(contents, i + 1, fn, table);
      walked = true;
      return element.closed;
    };
    const bool more = readObject(members);
    if (!walked) element.end = json_detail::valueEnd(contents, i, element.closed, table);
    if (!more) element.closed = false;  // stops the walk
    return element;
  });
}

}  // namespace vk
