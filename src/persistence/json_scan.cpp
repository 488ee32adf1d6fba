// The JSON scanner: member index, typed lookups, array readers, unescaping.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include <fast_float/fast_float.h>

#include "model/corner_list.h"
#include "persistence/json.h"
#include "platform/kernel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {
namespace {

// Bytes that matter to the bracket skipper.
constexpr std::array<bool, 256> makeTable(std::string_view chars) {
  std::array<bool, 256> table{};
  for (char c : chars) table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr auto kContainerBytes = makeTable("\"{}[]");

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

using json_detail::digitWord;
using json_detail::leadingDigits;
using json_detail::leadingDigitsValue;

// The first index from `i` holding a quote or a bracket; t.size() when there
// is none. Sixteen bytes at a time where SSE2 is there: number-heavy arrays
// are mostly bytes that matter to no scanner.
inline size_t nextQuoteOrBracket(std::string_view t, size_t i) {
  const size_t n = t.size();
  const char* p = t.data();
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i lower = _mm_set1_epi8(0x20);  // folds '[' to '{' and ']' to '}'
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i folded = _mm_or_si128(v, lower);
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, quote),
                                     _mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i < n && !kContainerBytes[static_cast<unsigned char>(p[i])]) ++i;
  return i;
}

using json_detail::stringEnd;
inline size_t stringEnd(std::string_view t, size_t i) {
  bool escaped = false;
  return stringEnd(t, i, escaped);
}

// Byte at a time from `i` (outside strings): visit(i, c) for each bracket
// until it returns true or `stop` is passed. Returns where it ended (outside
// strings), the visited bracket's index when visit stopped it (`stopped`),
// or npos when the text ended inside a string.
template <class Visit>
size_t visitBracketBytes(std::string_view t, size_t i, size_t stop, bool& stopped, Visit&& visit) {
  while (i < stop) {
    i = nextQuoteOrBracket(t, i);
    if (i >= t.size()) return i;
    const char c = t[i];
    if (c == '"') {
      i = stringEnd(t, i + 1);
      if (i == std::string_view::npos) return i;
      continue;
    }
    if (visit(i, c)) {
      stopped = true;
      return i;
    }
    ++i;
  }
  return i;
}

#if defined(__SSE2__)
// Bit k is the parity of the set bits at or below k: 1 from an opening quote
// up to (not including) its closing one.
inline uint64_t prefixParity(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  x ^= x << 32;
  return x;
}
#endif

// Calls visit(i, c) for every bracket outside strings from `i` (outside a
// string) until it returns true; gives that bracket's index, or npos when the
// text ends first. Sixteen bytes at a time, strings found from the parity of
// their quotes, so the cost follows the brackets, not the strings; a chunk
// with a backslash takes the byte walk, which knows what a backslash escapes.
template <class Visit>
size_t visitBrackets(std::string_view t, size_t i, Visit&& visit) {
  constexpr size_t npos = std::string_view::npos;
  const size_t n = t.size();
  bool stopped = false;
#if defined(__SSE2__)
  const char* p = t.data();
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i lower = _mm_set1_epi8(0x20);
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  bool inString = false;  // the chunk at i starts inside a string
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, backslash))) {
      if (inString) {
        i = stringEnd(t, i);  // no backslash since its opening quote
        if (i == npos) return npos;
        inString = false;
      }
      i = visitBracketBytes(t, i, i + 16, stopped, visit);
      if (stopped || i == npos) return i;
      continue;
    }
    const __m128i folded = _mm_or_si128(v, lower);
    const auto quotes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)));
    const auto brackets = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close))));
    const auto strings = static_cast<uint32_t>(prefixParity(quotes) ^ (inString ? 0xFFFFu : 0u));
    for (uint32_t b = brackets & ~strings; b; b &= b - 1) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(b));
      if (visit(at, p[at])) return at;
    }
    inString = (strings >> 15) & 1u;
    i += 16;
  }
  if (inString) {
    i = stringEnd(t, i);
    if (i == npos) return npos;
  }
#endif
  i = visitBracketBytes(t, i, n, stopped, visit);
  return stopped ? i : npos;
}

// `i` is at an opening bracket; returns the index just past its match, or npos.
// Braces and brackets share one depth count, so the walk stays linear whatever
// the nesting.
size_t containerEnd(std::string_view t, size_t i) {
  size_t depth = 0;
  const size_t close = visitBrackets(t, i, [&](size_t, char c) {
    if (c == '{' || c == '[') {
      ++depth;
      return false;
    }
    return --depth == 0;
  });
  return close == std::string_view::npos ? close : close + 1;
}

// The table entry of the container opening at `pos`, or none: galloping
// forward from the previous lookup's entry, a binary search behind it.
std::optional<size_t> findSpan(const JsonBracketTable& table, uint32_t pos) {
  const auto& spans = table.spans;
  const size_t n = spans.size();
  size_t h = table.hint.entry.load(std::memory_order_relaxed);
  if (h >= n) h = 0;
  size_t lo = 0, hi = n;  // the entry sought is the first in [lo, hi) not before pos
  if (spans[h].open <= pos) {
    lo = h;
    size_t step = 1;
    while (lo + step < n && spans[lo + step].open < pos) {
      lo += step;
      step *= 2;
    }
    hi = std::min(n, lo + step + 1);
  } else {
    hi = h;
  }
  const auto it = std::lower_bound(spans.begin() + static_cast<ptrdiff_t>(lo), spans.begin() + static_cast<ptrdiff_t>(hi),
                                   pos, [](const JsonBracketTable::Span& s, uint32_t p) { return s.open < p; });
  if (it == spans.begin() + static_cast<ptrdiff_t>(hi) || it->open != pos) return std::nullopt;
  const auto entry = static_cast<size_t>(it - spans.begin());
  table.hint.entry.store(static_cast<uint32_t>(entry), std::memory_order_relaxed);
  return entry;
}

// containerEnd through the table; containers deeper than it records are
// scanned.
size_t containerEnd(std::string_view t, size_t i, const JsonBracketTable* table) {
  const char* base = table ? table->text.data() : nullptr;
  if (!table || table->spans.empty() || t.data() < base || t.data() + t.size() > base + table->text.size()) {
    return containerEnd(t, i);
  }
  const auto offset = static_cast<size_t>(t.data() - base);
  const auto entry = findSpan(*table, static_cast<uint32_t>(offset + i));
  if (!entry) return containerEnd(t, i);
  const uint32_t close = table->spans[*entry].close;
  if (close == UINT32_MAX || close >= offset + t.size()) return std::string_view::npos;
  return close - offset + 1;
}

using json_detail::tokenEnd;

using WalkEnd = json_detail::ElementEnd;

// The members of a whole object ("{ ... }") or of the text between its braces.
template <class Fn>
void forEachMember(std::string_view t, Fn&& fn, const JsonBracketTable* table = nullptr) {
  forEachJsonMember(t, fn, table);
}

// A whole-number element token: plain integers directly, anything else
// through the number grammar.
int32_t wholeNumberToken(std::string_view token) {
  size_t i = token.size() > 0 && token[0] == '-' ? 1 : 0;
  const size_t digitsStart = i;
  int64_t value = 0;
  while (i < token.size() && i - digitsStart < 10 && isDigit(token[i])) value = value * 10 + (token[i++] - '0');
  if (i == token.size() && i > digitsStart) {
    value = digitsStart ? -value : value;
    return (value >= INT32_MIN && value <= INT32_MAX) ? static_cast<int32_t>(value) : INT32_MIN;
  }
  const auto number = parseJsonNumberPrefix(token);
  return number ? jsonWholeNumber(*number) : INT32_MIN;
}

// The whole number of the element at t[i] (not a blank, comma or closer):
// `value` is set and the element's end returned; `closed` is false when the
// text ends inside it. An element that is no number gives -2147483648.
[[gnu::always_inline]] inline size_t readIntElement(std::string_view t, size_t i, int32_t& value, bool& closed) {
  const size_t n = t.size();
  const char c = t[i];
  if (c == '{' || c == '[' || c == '"') {
    value = INT32_MIN;
    return json_detail::valueEnd(t, i, closed);
  }
  // A plain integer token (the writers' form) is read as its end is found.
  const bool minus = c == '-';
  size_t j = i + minus;
  if (j + 8 <= n) {
    const size_t length = json_detail::plainIntLength(t.data() + i, value);
    if (length && json_detail::kTokenEndBytes[static_cast<unsigned char>(t[i + length])]) return i + length;
  }
  int64_t whole = 0;
  while (j < n && j - i - minus < 10 && isDigit(t[j])) whole = whole * 10 + (t[j++] - '0');
  if (j > i + minus && (j == n || json_detail::kTokenEndBytes[static_cast<unsigned char>(t[j])])) {
    whole = minus ? -whole : whole;
    value = whole >= INT32_MIN && whole <= INT32_MAX ? static_cast<int32_t>(whole) : INT32_MIN;
    return j;
  }
  const size_t end = tokenEnd(t, i);
  value = wholeNumberToken(t.substr(i, end - i));
  return end;
}

// Reads the elements from `i` (inside an array) up to its closer as whole
// numbers, keeping the first `cap` of them in `out`; an element that is no
// number gives -2147483648.
template <class Out>
WalkEnd readIntElements(std::string_view t, size_t i, Out& out, size_t cap = SIZE_MAX) {
  const size_t n = t.size();
  while (true) {
    i = json_detail::skipSpace(t, i);
    if (i >= n) return {n, false};
    const char c = t[i];
    if (c == ',') {
      ++i;
      continue;
    }
    if (c == ']' || c == '}') return {i + 1, true};
    int32_t value = 0;
    bool closed = true;
    i = readIntElement(t, i, value, closed);
    if (out.size() < cap) out.push_back(value);
    if (!closed) return {n, false};
  }
}

bool keyEquals(const JsonMember& member, std::string_view key) {
  if (!member.keyHasEscape) return member.key == key;
  return jsonUnescapeToUtf8(member.key) == key;
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

std::optional<std::string_view> valueInterior(const JsonMember& m, char opener) {
  if (!m.closed || m.value.empty() || m.value.front() != opener) return std::nullopt;
  return std::string_view(m.value.data() + 1, m.value.size() - 2);
}

std::optional<std::string_view> nestedInterior(const JsonObjectIndex& object, std::string_view key, char opener) {
  const JsonMember* m = object.find(key);
  if (!m) return std::nullopt;
  return valueInterior(*m, opener);
}

}  // namespace

namespace json_detail {

namespace {

#if defined(__SSE2__)
// The writers' list form from s[j] (just past an opener, 48 bytes readable)
// while it lies within 32 bytes. Appends what it reads; true with j just
// past the closer, or false with j at the first element it left to the
// caller.
template <class List>
bool readWindowIntList(const char* s, size_t& j, List& list, size_t cap) {
  const WindowRun run = readWindowRun(s + j, true, [&](int32_t value) {
    if (list.size() < cap) list.push_back(value);
    return true;
  });
  j += run.at;
  return run.closed;
}
#endif

// An element that is no list: the end of its value.
[[gnu::noinline]] ElementEnd notAListEnd(std::string_view contents, size_t i) {
  ElementEnd element{contents.size(), true};
  element.end = valueEnd(contents, i, element.closed);
  return element;
}

// The rest of a list from contents[j] (inside it): the writers' form a
// word at a time, then from the first byte that departs from it the
// general walk. Kept out of line, so the window reader's caller stays lean.
template <class List>
[[gnu::noinline]] ElementEnd readIntListRest(std::string_view contents, size_t j, List& list, size_t cap) {
  const char* t = contents.data();
  const size_t n = contents.size();
  while (j + 10 <= n) {
    int32_t value;
    const size_t length = plainIntLength(t + j, value);
    if (length == 0) break;
    const char next = t[j + length];
    if (next == ']') {
      if (list.size() < cap) list.push_back(value);
      return {j + length + 1, true};
    }
    if (next != ',' || t[j + length + 1] != ' ') break;
    if (list.size() < cap) list.push_back(value);
    j += length + 2;
  }
  const WalkEnd walk = readIntElements(contents, j, list, cap);
  if (!walk.closed) list.clear();
  return {walk.end, walk.closed};
}

// The writers' form, `[]` or `[12, -3, 456]`, is read by the fast readers;
// any other from the first byte that departs from it by the general walk.
template <class List>
ElementEnd readIntList(std::string_view contents, size_t i, List& list, size_t cap) {
  list.clear();
  if (contents[i] != '[') return notAListEnd(contents, i);
  const char* t = contents.data();
  const size_t n = contents.size();
  size_t j = i + 1;
  if (j < n && t[j] == ']') return {j + 1, true};
#if defined(__SSE2__)
  if (n - j >= 48 && readWindowIntList(t, j, list, cap)) return {j, true};
#endif
  return readIntListRest(contents, j, list, cap);
}

}  // namespace

ElementEnd readIntListElement(std::string_view contents, size_t i, std::vector<int32_t>& list, size_t cap) {
  return readIntList(contents, i, list, cap);
}

ElementEnd readIntListElement(std::string_view contents, size_t i, CornerList& list, size_t cap) {
  return readIntList(contents, i, list, cap);
}

ElementEnd readWholeNumberElement(std::string_view contents, size_t i, int32_t& value) {
  ElementEnd element{contents.size(), true};
  element.end = readIntElement(contents, i, value, element.closed);
  return element;
}

int escapedKeyIndex(std::string_view key, const std::string_view* names, size_t count) {
  const std::string decoded = jsonUnescapeToUtf8(key);
  for (size_t k = 0; k < count; ++k)
    if (names[k] == decoded) return static_cast<int>(k);
  return -1;
}

size_t containerValueEnd(std::string_view t, size_t i, bool& closed, const JsonBracketTable* table) {
  const size_t end = containerEnd(t, i, table);
  if (end != std::string_view::npos) return end;
  closed = false;
  return t.size();
}

}  // namespace json_detail

const JsonMember* JsonObjectIndex::find(std::string_view key) const {
  for (const JsonMember& m : members) {
    // Most names differ in length or first byte: no call for those.
    if (!m.keyHasEscape && (m.key.size() != key.size() || (!key.empty() && m.key[0] != key[0]))) continue;
    if (keyEquals(m, key)) return &m;
  }
  return nullptr;
}

namespace {

// The bracket table's depth bookkeeping: open containers on a stack, deeper
// ones only counted. A container gets its table entry when it closes far
// enough from its opener, or earlier, when one inside it does, so entries
// stay in the order of their openers; small ones never take one.
class BracketRecorder {
 public:
  // Deep enough for every block the readers index (key vectors, glTF
  // attributes); deeper containers are small elements a scan skips fast, and
  // the bound keeps the table within a few bytes per byte of a hostile text.
  static constexpr size_t kRecordedDepth = 8;
  // Containers closing within this many bytes of their opener get no entry:
  // a scan passes them as fast as a lookup finds them, and at most
  // kRecordedDepth recorded containers share a byte, so the table stays under
  // text / 16 entries (under a byte of table per byte of text) however
  // densely a text packs its brackets.
  static constexpr size_t kSmallContainer = 128;
  explicit BracketRecorder(JsonBracketTable& table) : spans_(table.spans) {}
  // The latest opener waits until the next bracket says whether it holds
  // other containers: most containers (a face, a vertex) hold none, and
  // those then never go on the stack.
  void bracket(size_t i, bool opens) {
    if (opens) {
      if (leafAt_ != kNoLeaf) push(leafAt_);
      leafAt_ = i;
      return;
    }
    if (leafAt_ != kNoLeaf) {
      const size_t at = leafAt_;
      leafAt_ = kNoLeaf;
      countChild();
      if (deeper_ == 0 && stack_.size() < kRecordedDepth && i - at >= kSmallContainer)
        spans_[enter({static_cast<uint32_t>(at), kNoEntry, 0})] = {static_cast<uint32_t>(at), static_cast<uint32_t>(i), 0};
      return;
    }
    if (deeper_ > 0) {
      --deeper_;
    } else if (!stack_.empty()) {
      const Open open = stack_.back();
      stack_.pop_back();
      if (open.entry == kNoEntry && i - open.at < kSmallContainer) return;
      const uint32_t entry = open.entry == kNoEntry ? enter(open) : open.entry;
      spans_[entry] = {open.at, static_cast<uint32_t>(i), open.children};
    }
  }
  // Containers the text ends inside keep UINT32_MAX as their closer.
  void finish() {
    if (leafAt_ != kNoLeaf) push(leafAt_);
    leafAt_ = kNoLeaf;
    while (!stack_.empty()) {
      const Open open = stack_.back();
      stack_.pop_back();
      spans_[open.entry == kNoEntry ? enter(open) : open.entry].children = open.children;
    }
  }

 private:
  static constexpr uint32_t kNoEntry = UINT32_MAX;
  static constexpr size_t kNoLeaf = SIZE_MAX;
  void countChild() {
    if (deeper_ == 0 && !stack_.empty()) ++stack_.back().children;
  }
  void push(size_t at) {
    countChild();
    if (stack_.size() < kRecordedDepth) {
      stack_.push_back({static_cast<uint32_t>(at), kNoEntry, 0});
    } else {
      ++deeper_;
    }
  }
  struct Open {
    uint32_t at;
    uint32_t entry;  // its table entry, or kNoEntry while it has none
    uint32_t children;
  };
  // Gives `open` (just popped) its entry after those of the containers still
  // open around it: the innermost of them that have none yet take theirs
  // first, outermost first.
  uint32_t enter(const Open& open) {
    size_t first = stack_.size();
    while (first > 0 && stack_[first - 1].entry == kNoEntry) --first;
    for (size_t k = first; k < stack_.size(); ++k) {
      stack_[k].entry = static_cast<uint32_t>(spans_.size());
      spans_.push_back({stack_[k].at, UINT32_MAX, 0});
    }
    spans_.push_back({open.at, UINT32_MAX, 0});
    return static_cast<uint32_t>(spans_.size() - 1);
  }

  std::vector<JsonBracketTable::Span>& spans_;
  std::vector<Open> stack_;
  size_t deeper_ = 0;
  size_t leafAt_ = kNoLeaf;  // the opener not yet on the stack
};

// Byte at a time from `i` (outside strings) until `stop` is passed; returns
// where it ended, outside strings, or npos when the text ended inside one.
size_t recordBrackets(std::string_view text, size_t i, size_t stop, BracketRecorder& recorder) {
  bool stopped = false;
  return visitBracketBytes(text, i, stop, stopped, [&](size_t at, char c) {
    recorder.bracket(at, c == '{' || c == '[');
    return false;
  });
}

#if defined(__SSE2__)
// Bit k set where block[k] equals one of the bytes (after folding with `fold`).
struct BlockMasks {
  uint64_t quotes = 0, backslashes = 0, opens = 0, closes = 0;
};
inline BlockMasks blockMasks(const char* block) {
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i lower = _mm_set1_epi8(0x20);  // folds '[' to '{' and ']' to '}'
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  BlockMasks m;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * k));
    const __m128i folded = _mm_or_si128(v, lower);
    const auto bits = [&](__m128i eq) {
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(eq))) << (16 * k);
    };
    m.quotes |= bits(_mm_cmpeq_epi8(v, quote));
    m.backslashes |= bits(_mm_cmpeq_epi8(v, backslash));
    m.opens |= bits(_mm_cmpeq_epi8(folded, open));
    m.closes |= bits(_mm_cmpeq_epi8(folded, close));
  }
  return m;
}

#endif

// Feeds every bracket outside strings to the recorder, up to the text's end
// or the string it ends inside.
void recordAllBrackets(std::string_view text, BracketRecorder& recorder) {
  const size_t n = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  // 64 bytes at a time: strings found from the parity of the quotes, so a
  // block costs the same however many strings it holds. A block with a
  // backslash takes the byte walk, which knows what a backslash escapes.
  bool inString = false;  // block i starts inside a string opened earlier
  while (i + 64 <= n) {
    // The text streams through once: ask for it a few blocks ahead, which
    // the hardware alone does not keep up with (a hint; it never faults).
    __builtin_prefetch(text.data() + i + 1024);
    const BlockMasks m = blockMasks(text.data() + i);
    if (m.backslashes) {
      if (inString) {
        i = stringEnd(text, i);  // no backslash since its opening quote
        if (i == std::string_view::npos) return;
      }
      i = recordBrackets(text, i, i + 64, recorder);
      if (i == std::string_view::npos) return;
      inString = false;
      continue;
    }
    const uint64_t strings = prefixParity(m.quotes) ^ (inString ? ~uint64_t{0} : 0);
    for (uint64_t brackets = (m.opens | m.closes) & ~strings; brackets; brackets &= brackets - 1) {
      const auto k = static_cast<size_t>(__builtin_ctzll(brackets));
      recorder.bracket(i + k, (m.opens >> k) & 1);
    }
    inString = (strings >> 63) != 0;
    i += 64;
  }
  if (inString) {
    i = stringEnd(text, i);
    if (i == std::string_view::npos) return;
  }
#endif
  recordBrackets(text, i, n, recorder);
}

}  // namespace

JsonBracketTable buildJsonBracketTable(std::string_view text) {
  JsonBracketTable table;
  table.text = text;
  if (text.size() >= UINT32_MAX) return table;
  BracketRecorder recorder(table);
  recordAllBrackets(text, recorder);
  recorder.finish();
  // Room the vector grew into beyond its entries is given back where it
  // would take more than a byte per byte of text.
  if (table.spans.capacity() * sizeof(JsonBracketTable::Span) > text.size()) table.spans.shrink_to_fit();
  return table;
}

std::optional<uint32_t> jsonChildContainers(const JsonBracketTable* table, std::string_view contents) {
  if (!table || table->spans.empty() || contents.data() <= table->text.data() ||
      contents.data() + contents.size() > table->text.data() + table->text.size())
    return std::nullopt;
  const auto open = static_cast<uint32_t>(contents.data() - table->text.data() - 1);
  const auto entry = findSpan(*table, open);
  if (!entry) return std::nullopt;
  return table->spans[*entry].children;
}

JsonObjectIndex indexJsonObject(std::string_view text, const JsonBracketTable* table) {
  JsonObjectIndex index;
  index.table = table;
  // Collected in a buffer kept between calls, then copied at their exact
  // count: one allocation per index, of the size it needs.
  thread_local std::vector<JsonMember> scratch;
  scratch.clear();
  forEachMember(text, [&](const JsonMember& m) { scratch.push_back(m); }, table);
  index.members.assign(scratch.begin(), scratch.end());
  if (scratch.capacity() > 4096) scratch = {};  // a huge object's buffer is not kept
  return index;
}

namespace {

// The end of the number-grammar prefix of `t` ("-", digits, a point with
// digits after it, an exponent with digits), or 0 when no number starts there.
size_t grammarPrefixEnd(std::string_view t) {
  const size_t n = t.size();
  size_t j = t[0] == '-' ? 1 : 0;
  const size_t mantissa = j;
  while (j < n && isDigit(t[j])) ++j;
  const bool intDigits = j > mantissa;
  if (j + 1 < n && t[j] == '.' && isDigit(t[j + 1])) {
    j += 2;
    while (j < n && isDigit(t[j])) ++j;
  } else if (!intDigits) {
    return 0;
  }
  if (j < n && (t[j] == 'e' || t[j] == 'E')) {
    size_t k = j + 1;
    if (k < n && (t[k] == '+' || t[k] == '-')) ++k;
    if (k < n && isDigit(t[k])) {
      while (k < n && isDigit(t[k])) ++k;
      j = k;
    }
  }
  return j;
}

// The JSON number grammar matched by hand: the slow path for tokens that
// from_chars would read further than the grammar allows.
std::optional<double> parseGrammarPrefix(std::string_view t) {
  const size_t end = grammarPrefixEnd(t);
  double value = 0;
  if (end == 0) return std::nullopt;
  const auto result = std::from_chars(t.data(), t.data() + end, value);
  if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Takes the first member of each of the given names that is a number.
struct NumberMembers {
  const std::string_view* keys;
  size_t keyCount;
  double* values;
  unsigned seen = 0;
  void operator()(const JsonMember& m) {
    for (size_t k = 0; k < keyCount; ++k) {
      if ((seen & (1u << k)) || !keyEquals(m, keys[k])) continue;
      seen |= 1u << k;
      parseJsonNumber(m.value, values[k]);
      return;
    }
  }
};

// Powers of ten as integers: the scale of a run of 0..8 digits.
constexpr uint64_t kDigitScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The double of the exact decimal w * 10^q (w below 10^19), as from_chars
// rounds it: w <= 2^53 with |q| <= 22 is one exact division or product,
// rounded once (zero and its sign included); otherwise fast_float's
// correctly rounded conversion, taken when its result is a normal double.
// False when it is not.
inline bool decimalToDouble(uint64_t w, int64_t q, bool negative, double& out) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (w <= (uint64_t{1} << 53) && q >= -22 && q <= 22) {
    double value = static_cast<double>(w);
    value = q < 0 ? value / kPowers[-q] : value * kPowers[q];
    out = negative ? -value : value;
    return true;
  }
  using Binary = fast_float::binary_format<double>;
  const fast_float::adjusted_mantissa am = fast_float::compute_float<Binary>(q, w);
  if (am.power2 <= 0 || am.power2 >= Binary::infinite_power()) return false;
  const uint64_t bits = am.mantissa | (static_cast<uint64_t>(am.power2) << Binary::mantissa_explicit_bits()) |
                        (static_cast<uint64_t>(negative) << 63);
  out = std::bit_cast<double>(bits);
  return true;
}

#if defined(__SSE2__)
// Bytes readable from the number's first digit that readPlainDecimal needs.
constexpr ptrdiff_t kPlainDecimalRoom = 40;

// A mask of the first m (0..16) bytes.
inline __m128i firstBytes(int m) {
  alignas(16) static constexpr uint8_t kFirst[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFirst + 16 - m));
}

// The 16-digit value of sixteen digit values (0..9, first the most
// significant): pairs, fours and eights joined by multiply-adds.
inline uint64_t sixteenDigitsValue(__m128i digits) {
  const __m128i pairs = _mm_and_si128(_mm_add_epi16(_mm_mullo_epi16(digits, _mm_set1_epi16(10)), _mm_srli_epi16(digits, 8)),
                                      _mm_set1_epi16(0xFF));
  const __m128i fours = _mm_madd_epi16(pairs, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
  const __m128i packed = _mm_packs_epi32(fours, fours);
  const __m128i eights = _mm_madd_epi16(packed, _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));
  const auto both = static_cast<uint64_t>(_mm_cvtsi128_si64(eights));
  return (both & 0xFFFFFFFFu) * 100000000u + (both >> 32);
}

// The writers' decimal form at p (after any minus; kPlainDecimalRoom bytes
// readable there): 1 to 15 integer digits, then a point and digits or no
// point, no exponent, at most 19 digits in all. The digits, the point
// squeezed out, are read as one 19-digit integer padded with zeros, w, of
// the value w * 10^(integer digits - 19): the same decimal, so the same
// correctly rounded double. No branch depends on how many digits there are.
// Returns the end of the number, or nullptr for any other form (the
// general reader takes it from the start).
inline const char* readPlainDecimal(const char* p, bool negative, double& out) {
  const uint64_t other = ~uint64_t{json_detail::digitBits(p)};
  const int intCount = __builtin_ctzll(other);
  if (intCount == 0 || intCount > 15) return nullptr;
  const bool point = p[intCount] == '.';
  const int fracCount = point ? __builtin_ctzll(other >> (intCount + 1)) : 0;
  const int count = intCount + fracCount;
  if ((point && fracCount == 0) || count > 19) return nullptr;
  const char* const stop = p + intCount + point + fracCount;
  if (*stop == 'e' || *stop == 'E') return nullptr;
  // Digit k of the 19 is p[k] before the point, p[k + 1] after it.
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i before = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero);
  const __m128i after = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), zero);
  const __m128i intMask = firstBytes(intCount);
  const __m128i fracMask = _mm_andnot_si128(intMask, firstBytes(std::min(count, 16)));
  const __m128i digits = _mm_or_si128(_mm_and_si128(before, intMask), _mm_and_si128(after, fracMask));
  // Digits 16..18 lie after the point (intCount <= 15).
  static constexpr uint64_t kTail[] = {0, 0xFF, 0xFFFF, 0xFFFFFF};
  const uint64_t tail = digitWord(p + 17) & kTail[std::clamp(count - 16, 0, 3)];
  const uint64_t w = sixteenDigitsValue(digits) * 1000 + (tail & 0xFF) * 100 + ((tail >> 8) & 0xFF) * 10 + (tail >> 16);
  return decimalToDouble(w, intCount - 19, negative, out) ? stop : nullptr;
}
#endif

// Reads the number-grammar prefix of [p, end) in one pass when its digits
// give the double directly: up to 19 significant digits as an exact integer
// w and the power of ten q they are scaled by, converted by decimalToDouble:
// the double from_chars gives. False for anything else (more digits, a
// result out of the normal range, a prefix that from_chars would read
// further, no number), left to the general path. Returns the end of the
// prefix read, or nullptr. (Results go through a reference: an
// optional<double> built here costs a store forwarding stall per number.)
const char* readShortDecimal(const char* p, const char* const end, double& out) {
  const bool negative = p != end && *p == '-';
  p += negative;
#if defined(__SSE2__)
  if (end - p >= kPlainDecimalRoom) {
    if (const char* read = readPlainDecimal(p, negative, out)) return read;
  }
#endif
  uint64_t w = 0;  // wraps past 19 digits, which are then refused
  // Up to eight digits a word; a byte at a time within the last eight bytes.
  const auto digits = [&] {
    const char* from = p;
    while (end - p >= 8) {
      const uint64_t word = digitWord(p);
      const int count = leadingDigits(word);
      if (count == 0) return p - from;
      w = w * kDigitScale[count] + leadingDigitsValue(word, count);
      p += count;
      if (count < 8) return p - from;
    }
    for (; p != end && isDigit(*p); ++p) w = w * 10 + static_cast<uint64_t>(*p - '0');
    return p - from;
  };
  const char* const intStart = p;
  const ptrdiff_t intCount = digits();
  const char* fracStart = p;
  ptrdiff_t fracCount = 0;
  if (p + 1 < end && *p == '.' && isDigit(p[1])) {
    fracStart = ++p;
    fracCount = digits();
  } else if (intCount == 0 || (p != end && *p == '.')) {
    return nullptr;  // no number, or a point from_chars would read on from
  }
  // Leading zeros add nothing to w; past 19 other digits w is no longer exact.
  ptrdiff_t zeros = 0;
  while (zeros < intCount && intStart[zeros] == '0') ++zeros;
  if (zeros == intCount)
    for (ptrdiff_t k = 0; k < fracCount && fracStart[k] == '0'; ++k) ++zeros;
  if (intCount + fracCount - zeros > 19) return nullptr;
  int64_t q = -fracCount;
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* k = p + 1;
    const bool minus = k != end && *k == '-';
    if (k != end && (*k == '+' || *k == '-')) ++k;
    if (k != end && isDigit(*k)) {
      int64_t exponent = 0;
      for (; k != end && isDigit(*k); ++k) exponent = std::min<int64_t>(exponent * 10 + (*k - '0'), 1000000);
      q += minus ? -exponent : exponent;
      p = k;
    }
  }
  return decimalToDouble(w, q, negative, out) ? p : nullptr;
}

}  // namespace

bool parseJsonNumber(std::string_view t, double& out) {
  if (t.empty() || !(isDigit(t[0]) || t[0] == '-' || t[0] == '.')) return false;
  if (readShortDecimal(t.data(), t.data() + t.size(), out)) return true;
  double value = 0;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), value);
  if (result.ec == std::errc::result_out_of_range) return false;
  // from_chars also reads "inf", "nan" and a point without digits after it
  // ("1.e5"); those take the grammar's answer.
  bool grammar = result.ec != std::errc();
  if (!grammar) {
    const std::string_view used(t.data(), static_cast<size_t>(result.ptr - t.data()));
    const size_t point = used.find('.');
    grammar = (point != std::string_view::npos && (point + 1 >= used.size() || !isDigit(used[point + 1]))) ||
              !std::isfinite(value);
  }
  if (grammar) {
    const auto parsed = parseGrammarPrefix(t);
    if (!parsed) return false;
    value = *parsed;
  }
  out = value;
  return true;
}

std::optional<double> parseJsonNumberPrefix(std::string_view t) {
  double value = 0;
  if (!parseJsonNumber(t, value)) return std::nullopt;
  return value;
}

int32_t jsonWholeNumber(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool jsonNumberValue(const JsonMember& member, double& value) { return parseJsonNumber(member.value, value); }

std::optional<bool> jsonBoolValue(const JsonMember& member) {
  if (member.value.starts_with("true")) return true;
  if (member.value.starts_with("false")) return false;
  return std::nullopt;
}

std::optional<std::string_view> jsonStringBody(const JsonMember& member) { return valueInterior(member, '"'); }
std::optional<std::string_view> jsonObjectBody(const JsonMember& member) { return valueInterior(member, '{'); }
std::optional<std::string_view> jsonArrayBody(const JsonMember& member) { return valueInterior(member, '['); }

bool findBool(const JsonObjectIndex& object, std::string_view key, bool fallback) {
  const JsonMember* m = object.find(key);
  return m ? jsonBoolValue(*m).value_or(fallback) : fallback;
}

double findNumber(const JsonObjectIndex& object, std::string_view key, double fallback) {
  const JsonMember* m = object.find(key);
  double value = fallback;
  if (m) jsonNumberValue(*m, value);
  return value;
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

namespace {

// readNumberObjectInOrder for the writers' exact spacing, `{ "x": 1, "y": 2 }`:
// each member's frame checked byte for byte, no blank-skipping loops.
// Returns 0 for any other spacing (and near the text's end), which the
// general in-order reader then takes.
size_t readNumberObjectWriterSpacing(std::string_view t, size_t i, const std::string_view* keys, size_t keyCount,
                                     double* out) {
  const char* const s = t.data();
  const size_t n = t.size();
  size_t j = i + 1;
  for (size_t k = 0; k < keyCount; ++k) {
    const std::string_view key = keys[k];
    const size_t size = key.size();
    // Room for the frame, a number of up to 48 bytes and the two after it.
    if (n - j < size + 5 + 64) return 0;
    if (s[j] != ' ' || s[j + 1] != '"' || s[j + 2 + size] != '"' || s[j + 3 + size] != ':' ||
        s[j + 4 + size] != ' ' || !json_detail::sameBytes(s + j + 2, key.data(), size))
      return 0;
    j += size + 5;
    const char* read = readShortDecimal(s + j, s + n, out[k]);
    if (!read || read - s - j > 48) return 0;
    j = static_cast<size_t>(read - s);
    if (k + 1 == keyCount) return s[j] == ' ' && s[j + 1] == '}' ? j + 2 : 0;
    if (s[j] != ',') return 0;
    ++j;
  }
  return 0;
}

// The object opening at t[i] when it has the form the writers give it: every
// key once, in order, each with a number, and nothing else ("{ "x": 1,
// "y": 2, "z": 3 }", blanks anywhere between tokens). Returns the index just
// past its closer, with the numbers in out[]; 0 for any other form, which the
// member walk then reads (to the same values where both apply).
size_t readNumberObjectInOrder(std::string_view t, size_t i, const std::string_view* keys, size_t keyCount,
                               double* out) {
  using json_detail::skipSpace;
  const size_t n = t.size();
  size_t j = i + 1;
  for (size_t k = 0; k < keyCount; ++k) {
    const std::string_view key = keys[k];
    j = skipSpace(t, j);
    if (j + key.size() + 2 > n || t[j] != '"' || t[j + 1 + key.size()] != '"' ||
        !json_detail::sameBytes(t.data() + j + 1, key.data(), key.size()))
      return 0;
    j = skipSpace(t, j + key.size() + 2);
    if (j >= n || t[j] != ':') return 0;
    j = skipSpace(t, j + 1);
    if (j >= n || json_detail::kTokenEndBytes[static_cast<unsigned char>(t[j])]) return 0;
    // The number and its token's end in one pass where the token is all number.
    const char* read = readShortDecimal(t.data() + j, t.data() + n, out[k]);
    size_t end = read ? static_cast<size_t>(read - t.data()) : 0;
    if (!read || (end < n && !json_detail::kTokenEndBytes[static_cast<unsigned char>(t[end])])) {
      end = tokenEnd(t, j);
      if (!parseJsonNumber(std::string_view(t.data() + j, end - j), out[k])) return 0;
    }
    j = skipSpace(t, end);
    if (j >= n || t[j] != (k + 1 < keyCount ? ',' : '}')) return 0;
    ++j;
  }
  return j;
}

}  // namespace

namespace json_detail {

ElementEnd readNumberObjectElement(std::string_view contents, size_t i, const std::string_view* keys,
                                   size_t keyCount, double* values) {
  ElementEnd element{contents.size(), false};
  if (contents[i] != '{') {
    std::fill(values, values + keyCount, 0.0);
    element.end = valueEnd(contents, i, element.closed);
    return element;
  }
  // Both in-order readers set every value when they read the element.
  if (const size_t end = readNumberObjectWriterSpacing(contents, i, keys, keyCount, values)) return {end, true};
  if (const size_t end = readNumberObjectInOrder(contents, i, keys, keyCount, values)) return {end, true};
  std::fill(values, values + keyCount, 0.0);
  // One walk both reads the numbers and finds the element's end.
  const WalkEnd walk = walkMembers(contents, i + 1, NumberMembers{keys, keyCount, values}, nullptr);
  if (!walk.closed) std::fill(values, values + keyCount, 0.0);
  return {walk.end, walk.closed};
}

}  // namespace json_detail

std::vector<double> readJsonNumberObjects(std::string_view contents, const std::string_view* keys, size_t keyCount) {
  std::vector<double> values;
  forEachJsonNumberObject(contents, keys, keyCount, SIZE_MAX, [&](const double* element) {
    values.insert(values.end(), element, element + keyCount);
  });
  return values;
}

void readJsonNumberMembers(std::string_view text, const std::string_view* keys, size_t keyCount, double* values,
                           const JsonBracketTable* table) {
  forEachMember(text, NumberMembers{keys, keyCount, values}, table);
}

std::vector<std::string_view> extractJsonObjectItems(std::string_view contents, const JsonBracketTable* table,
                                                     size_t limit) {
  std::vector<std::string_view> items;
  if (limit == 0) return items;
  json_detail::walkElements(contents, [&](size_t i) {
    json_detail::ElementEnd element{contents.size(), true};
    element.end = json_detail::valueEnd(contents, i, element.closed, table);
    if (element.closed && contents[i] == '{') {
      items.push_back(contents.substr(i, element.end - i));
      if (items.size() == limit) element.closed = false;  // stops the walk
    }
    return element;
  });
  return items;
}

namespace {

// Counts the objects among the elements from `from` (inside an array) up to
// the closer at that level and returns the closer's index, or npos when the
// text ends first (an object it ends inside is then not counted). Elements
// start at depth 0 and tokens stop at brackets, so every '{' met at depth 0
// outside strings begins an object element; a closer at depth 0 ends the
// walk as it ends the element walk.
size_t countObjectsToCloser(std::string_view t, size_t from, uint64_t& objects) {
  size_t depth = 0;
  bool inObject = false;  // the element being passed over is an object
  const size_t stop = visitBrackets(t, from, [&](size_t, char c) {
    if (c == '{' || c == '[') {
      if (depth++ == 0) {
        inObject = c == '{';
        objects += inObject;
      }
      return false;
    }
    if (depth == 0) return true;
    --depth;
    return false;
  });
  if (stop == std::string_view::npos && depth > 0 && inObject) --objects;
  return stop;
}

}  // namespace

uint64_t countJsonElements(std::string_view contents) {
  uint64_t count = 0;
  json_detail::walkElements(contents, [&](size_t i) {
    ++count;
    json_detail::ElementEnd element{contents.size(), true};
    element.end = json_detail::valueEnd(contents, i, element.closed);
    return element;
  });
  return count;
}

uint64_t countJsonObjectElements(std::string_view contents) {
  uint64_t objects = 0;
  countObjectsToCloser(contents, 0, objects);
  return objects;
}

JsonObjectIndex indexJsonObjectCountingArrays(std::string_view text, std::vector<uint64_t>& objects) {
  JsonObjectIndex index;
  objects.clear();
  uint64_t valueObjects = 0;  // of the array value just delimited
  size_t i = json_detail::skipSpace(text, 0);
  if (i < text.size() && text[i] == '{') ++i;
  json_detail::walkMembersWith(
      text, i,
      [&](const JsonMember& m) {
        index.members.push_back(m);
        // An array value was delimited just now; other values count none.
        objects.push_back(!m.value.empty() && m.value.front() == '[' ? valueObjects : 0);
      },
      [&](size_t j, bool& closed) {
        if (text[j] != '[') return json_detail::valueEnd(text, j, closed);
        valueObjects = 0;
        const size_t close = countObjectsToCloser(text, j + 1, valueObjects);
        closed = close != std::string_view::npos;
        return closed ? close + 1 : text.size();
      });
  return index;
}

std::vector<int> parseIntList(std::string_view contents) {
  std::vector<int> values;
  readIntElements(contents, 0, values);
  return values;
}

std::vector<std::vector<int>> parseNestedIntArrays(std::string_view contents) {
  std::vector<std::vector<int>> lists;
  forEachJsonIntList(contents, SIZE_MAX, [&](const std::vector<int32_t>& list) {
    lists.push_back(list);
    return true;
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
  // Plain ASCII, the usual case, widens byte for byte.
  bool plain = true;
  for (const char c : body) plain &= static_cast<unsigned char>(c) < 0x80 && c != '\\';
  if (plain) return std::wstring(body.begin(), body.end());
  if (body.find('\\') == std::string_view::npos) return utf8ToWide(body);
  return utf8ToWide(jsonUnescapeToUtf8(body));
}

bool parseTruthyValue(std::string_view value, bool fallback) {
  if (value == "1" || value == "true" || value == "TRUE" || value == "yes") return true;
  if (value == "0" || value == "false" || value == "FALSE" || value == "no") return false;
  return fallback;
}

}  // namespace vk
