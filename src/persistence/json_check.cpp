// The bracket table built by a scan that follows the JSON grammar (RFC 8259)
// as it finds the brackets, and so also tells whether the text is one
// well-formed value. Past its first fault the plain scan of
// json_brackets.cpp takes over, so the table is the one it would build.
//
// The scan runs unguarded (no bound test per read) while it is clear of the
// text's end, and hands over to the guarded states at a token's start near
// the end or wherever a token is not what it should be: those judge it, and
// report the fault. Unguarded, the writers' dense array elements are checked
// in bulk: runs of integers and integer lists 64 bytes a step, and objects
// against the shape of the element before them.
//
// Sections:
//   - Kinds      KindStack: object or array, one bit per open container
//   - Tokens     byte classes, what the scan expects and where it stops
//   - Shape      ElementShape: an element's fixed bytes and its values
//   - Scan       GrammarScan, the state machine's parts
//   - Readers    strings and numbers, unguarded
//   - Runs       integer lists and runs of integers, unguarded
//   - Shapes     learning an element's shape and matching the next to it
//   - Fast       the states between tokens, unguarded
//   - Guarded    the states between tokens, every read tested
//   - Table      buildJsonBracketTable(text, wellFormed)
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "persistence/json.h"
#include "persistence/json_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {
namespace {

constexpr size_t npos = std::string_view::npos;

// ---- Kinds ------------------------------------------------------------------

// Whether each open container is an object or an array. 4096 levels live in
// place; only a text nested deeper than that takes memory for more.
class KindStack {
 public:
  size_t depth() const { return depth_; }
  bool inObject() const { return top_; }
  void push(bool object) {
    if (depth_ == capacity_) grow();
    uint64_t& word = words_[depth_ >> 6];
    const uint64_t bit = uint64_t{1} << (depth_ & 63);
    word = object ? word | bit : word & ~bit;
    ++depth_;
    top_ = object;
  }
  void pop() {
    --depth_;
    top_ = depth_ > 0 && ((words_[(depth_ - 1) >> 6] >> ((depth_ - 1) & 63)) & 1u);
  }

 private:
  void grow() {
    std::vector<uint64_t> more(capacity_ / 32, 0);
    std::copy(words_, words_ + capacity_ / 64, more.begin());
    heap_ = std::move(more);
    words_ = heap_.data();
    capacity_ *= 2;
  }
  std::array<uint64_t, 64> local_{};
  std::vector<uint64_t> heap_;
  uint64_t* words_ = local_.data();
  size_t capacity_ = 64 * 64;
  size_t depth_ = 0;
  bool top_ = false;
};

// ---- Tokens -----------------------------------------------------------------

// What a byte can start where a value is expected.
enum ValueStart : uint8_t { kNoValue, kString, kNumber, kObject, kArray, kTrue, kFalse, kNull };
constexpr auto kValueStarts = [] {
  std::array<uint8_t, 256> table{};
  table['"'] = kString;
  table['-'] = kNumber;
  for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = kNumber;
  table['{'] = kObject;
  table['['] = kArray;
  table['t'] = kTrue;
  table['f'] = kFalse;
  table['n'] = kNull;
  return table;
}();

constexpr auto kHexDigits = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view("0123456789abcdefABCDEF")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// The bytes that may follow a backslash, besides 'u'.
constexpr auto kShortEscapes = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view("\"\\/bfnrt")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

inline bool isBlank(unsigned char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
inline bool isDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }

constexpr uint16_t pair(char a, char b) {
  return static_cast<uint16_t>(static_cast<unsigned char>(a) | static_cast<unsigned char>(b) << 8);
}
inline uint16_t load16(const char* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Bytes before the end of the text that the unguarded scan keeps clear of:
// from a token it starts before that point it reads at most this far
// without a bound test, and its loops stop there.
constexpr size_t kMargin = 128;

#if defined(__SSE2__)
inline __m128i load128(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline unsigned bits(__m128i mask) { return static_cast<unsigned>(_mm_movemask_epi8(mask)); }
inline __m128i digitBytes(__m128i v) {
  const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8('0'));
  return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
}
// Bit k set where p[k] ends a string's plain run: a quote, a backslash or a
// control character (k < 16).
inline unsigned stringStops(const char* p) {
  const __m128i v = load128(p);
  return bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))),
                           _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v)));
}
// Bit k set where p[k] is no digit, for k < 16; bit 16 always.
inline unsigned nonDigits(const char* p) { return ~bits(digitBytes(load128(p))) | 0x10000u; }
#endif

// What the scan expects at a position. Every state may begin with blanks.
enum class Expect : uint8_t {
  Value,        // a value: the document, or a member's
  Element,      // an array's element
  ArrayStart,   // an element or ']'
  Key,          // a member's name
  ObjectStart,  // a member's name or '}'
  Colon,        // the colon after a member's name
  AfterValue,   // a comma or a closer, inside a container
  End,          // only blanks, after the document
};

struct ScanStop {
  enum Kind : uint8_t {
    Whole,          // one value, blanks around it, nothing else
    Fault,          // the text breaks the grammar at `at`, outside strings
    FaultInString,  // ... inside a string (at its body or a backslash in it)
    Handover,       // the unguarded scan leaves the token at `at` to the guarded one
  };
  size_t at;
  Kind kind;
  Expect expect;
};

// ---- Shape ------------------------------------------------------------------

#if defined(__SSE2__)
// An array element's layout, learned from one element that has the writers'
// spacing (`{ "name": value, "name": { "x": 1 } }`): its fixed bytes, in
// pieces of up to sixteen, and after each piece what comes next: more fixed
// bytes, a number, a string's body, or the element's end; and where its
// brackets lie in the pieces. An element of the same fixed bytes around
// values of the same kinds is as well-formed as the one it was learned
// from, with its brackets at the same places in them.
struct ElementShape {
  static constexpr size_t kMaxPieces = 40;
  static constexpr size_t kMaxBrackets = 8;
  static constexpr size_t kMaxLength = 512;
  enum Then : uint8_t { kMore, kNumber, kString, kEnd };
  struct Piece {
    __m128i bytes;
    unsigned need;  // a bit for each of its bytes
    uint8_t length;
    Then then;
  };
  struct Bracket {
    uint8_t piece;
    uint8_t offset;
    bool open;
  };
  std::array<Piece, kMaxPieces> piece{};
  std::array<Bracket, kMaxBrackets> bracket{};
  uint8_t pieces = 0;
  uint8_t brackets = 0;
  // Only its own two brackets: the element holds no container.
  bool leaf() const { return brackets == 2; }
  // Every piece but the last followed by a number (vertices, UVs); then
  // an element matched from more than `reach` bytes before the limit stays
  // clear of it.
  bool numbersOnly = false;
  size_t reach = 0;
};
#endif

// ---- Scan -------------------------------------------------------------------

// The grammar as a state machine over the text, calling the recorder for
// every bracket of the well-formed prefix.
template <class Recorder>
class GrammarScan {
 public:
  GrammarScan(std::string_view text, Recorder& recorder)
      : p_(text.data()), n_(text.size()), limit_(n_ > kMargin ? n_ - kMargin : 0), recorder_(recorder) {}

  ScanStop scan() {
    size_t start = 0;
    while (start < n_ && isBlank(static_cast<unsigned char>(p_[start]))) ++start;
    ScanStop stop{start, ScanStop::Handover, Expect::Value};
#if defined(__SSE2__)
    if (start < limit_) stop = fast(start);
#endif
    if (stop.kind == ScanStop::Handover) stop = guarded(stop.at, stop.expect);
    return stop;
  }

 private:
  unsigned char at(size_t i) const { return i < n_ ? static_cast<unsigned char>(p_[i]) : 0; }
  ScanStop fault(size_t at) const { return {at, ScanStop::Fault, Expect::Value}; }
  ScanStop faultInString(size_t at) const { return {at, ScanStop::FaultInString, Expect::Value}; }
  ScanStop handover(size_t at, Expect expect) const { return {at, ScanStop::Handover, expect}; }
  // A block's opening (an object's when `object`) or closing bracket at i,
  // recorded and nested or left: just past it.
  [[gnu::always_inline]] inline size_t openBlock(size_t i, bool object) {
    recorder_.bracket(i, true);
    kinds_.push(object);
    return i + 1;
  }
  [[gnu::always_inline]] inline size_t closeBlock(size_t i) {
    recorder_.bracket(i, false);
    kinds_.pop();
    return i + 1;
  }

  ScanStop guarded(size_t i, Expect expect);
  // Just past the string whose opening quote is at i, byte by byte: npos
  // with `stop` set at a control character, a bad escape or the text's end.
  size_t guardedString(size_t i, ScanStop& stop) const;
#if defined(__SSE2__)
  ScanStop fast(size_t i);

  // The unguarded token readers: just past the token, or 0 when it is not
  // well-formed or reaches the limit (the guarded states then judge it).
  // A string from its opening quote.
  [[gnu::always_inline]] inline size_t stringEnd(size_t i) const {
    const size_t close = stringBodyEnd(i + 1);
    return close ? close + 1 : 0;
  }
  // The closing quote of a string whose body starts at j.
  [[gnu::always_inline]] inline size_t stringBodyEnd(size_t j) const;
  // A number in the grammar's form -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  // (what follows it is the next state's to judge).
  [[gnu::always_inline]] inline size_t numberEnd(size_t i) const;
  // numberEnd where a fixed byte that no number holds must follow, which
  // the caller tests: an exponent is left to numberEnd.
  [[gnu::always_inline]] inline size_t numberBeforeFixed(size_t i) const;
  // numberEnd for one of up to 33 bytes (an exponent, or digits past 32),
  // else 0: a shape's reach allows for no longer one.
  [[gnu::noinline]] size_t longNumberBeforeFixed(size_t i) const {
    const size_t end = numberEnd(i);
    return end - i <= 33 ? end : 0;
  }
  // Past a run of digits at s; how many, or npos when it reaches the limit.
  [[gnu::always_inline]] inline size_t skipDigits(const char*& s) const;

  // The writers' dense array elements (see Runs and Shapes below).
  // "[]" or "[1, 2, 3]" (plain integers of up to seven digits, ", "
  // between them): just past it, or 0.
  [[gnu::always_inline]] inline size_t integerList(size_t i) const;
  // From i (an element's start), the elements that are plain integers,
  // each followed by ", ", 64 bytes a step: the start of the first element
  // left to the caller.
  size_t integerRun(size_t i) const;

  // Learns shape_ from the element at i, checking it: just past it, or 0
  // when it has another form (shape_ is then unusable).
  size_t learnShape(size_t i);
  // Checks the element at i against shape_: just past it, or 0.
  [[gnu::always_inline]] inline size_t matchShape(size_t i);
  // The brackets of the element just learned or matched, to the recorder.
  void recordShapeBrackets();
#endif

  const char* p_;
  size_t n_;
  size_t limit_;
  KindStack kinds_;
  Recorder& recorder_;
#if defined(__SSE2__)
  ElementShape shape_;
  // Where each piece of the element last learned or matched starts.
  std::array<size_t, ElementShape::kMaxPieces> pieceAt_{};
#endif
};

#if defined(__SSE2__)

// ---- Readers ----------------------------------------------------------------

template <class Recorder>
size_t GrammarScan<Recorder>::stringBodyEnd(size_t j) const {
  while (true) {
    if (j >= limit_) return 0;
    const unsigned stops = stringStops(p_ + j);
    if (stops == 0) {
      j += 16;
      continue;
    }
    j += static_cast<size_t>(__builtin_ctz(stops));
    const char c = p_[j];
    if (c == '"') return j;
    if (c != '\\') return 0;
    const auto e = static_cast<unsigned char>(p_[j + 1]);
    if (kShortEscapes[e]) {
      j += 2;
    } else if (e == 'u' && kHexDigits[static_cast<unsigned char>(p_[j + 2])] &&
               kHexDigits[static_cast<unsigned char>(p_[j + 3])] && kHexDigits[static_cast<unsigned char>(p_[j + 4])] &&
               kHexDigits[static_cast<unsigned char>(p_[j + 5])]) {
      j += 6;
    } else {
      return 0;
    }
  }
}

template <class Recorder>
size_t GrammarScan<Recorder>::skipDigits(const char*& s) const {
  size_t total = 0;
  while (true) {
    const auto count = static_cast<size_t>(__builtin_ctz(nonDigits(s)));
    s += count;
    total += count;
    if (count < 16) return total;
    if (static_cast<size_t>(s - p_) >= limit_) return npos;
  }
}

template <class Recorder>
size_t GrammarScan<Recorder>::numberEnd(size_t i) const {
  const char* s = p_ + i;
  s += *s == '-';
  // Most numbers (the shortest form of a double included) lie within 32
  // bytes from their first digit: the whole part and the fraction from one
  // mask of them.
  const uint64_t others = ~(uint64_t{bits(digitBytes(load128(s)))} | uint64_t{bits(digitBytes(load128(s + 16)))} << 16);
  const auto whole = static_cast<unsigned>(std::countr_zero(others));
  if (whole == 0 || (*s == '0' && whole > 1)) return 0;
  if (whole < 31 && s[whole] == '.') {
    const auto fraction = static_cast<unsigned>(std::countr_zero(others >> (whole + 1)));
    if (fraction == 0) return 0;
    const unsigned end = whole + 1 + fraction;
    if (end < 32 && (s[end] | 0x20) != 'e') return static_cast<size_t>(s + end - p_);
  } else if (whole < 32 && s[whole] != '.' && (s[whole] | 0x20) != 'e') {
    return static_cast<size_t>(s + whole - p_);
  }
  // The general form: runs of any length, an exponent.
  if (skipDigits(s) == npos) return 0;
  if (*s == '.') {
    ++s;
    const size_t fraction = skipDigits(s);
    if (fraction == 0 || fraction == npos) return 0;
  }
  if ((*s | 0x20) == 'e') {
    ++s;
    s += *s == '+' || *s == '-';
    const size_t exponent = skipDigits(s);
    if (exponent == 0 || exponent == npos) return 0;
  }
  return static_cast<size_t>(s - p_);
}

template <class Recorder>
size_t GrammarScan<Recorder>::numberBeforeFixed(size_t i) const {
  const char* s = p_ + i;
  s += *s == '-';
  // The next sixteen bytes only for a number that reaches them.
  uint32_t digits = bits(digitBytes(load128(s)));
  if (digits & 0x8000) digits |= bits(digitBytes(load128(s + 16))) << 16;
  const uint64_t others = ~uint64_t{digits};
  const auto whole = static_cast<unsigned>(std::countr_zero(others));
  if (whole - 1 >= 31u || (*s == '0' && whole > 1)) return longNumberBeforeFixed(i);
  if (s[whole] != '.') return static_cast<size_t>(s + whole - p_);
  const auto end = whole + 1 + static_cast<unsigned>(std::countr_zero(others >> (whole + 1)));
  if (end == whole + 1 || end >= 32) return longNumberBeforeFixed(i);
  return static_cast<size_t>(s + end - p_);
}

// ---- Runs -------------------------------------------------------------------

template <class Recorder>
size_t GrammarScan<Recorder>::integerList(size_t i) const {
  const char* s = p_ + i + 1;
  if (*s == ']') return i + 2;
  // Which of 32 bytes are digits, from s; read again further on for a
  // list longer than that.
  const auto digitsFrom = [](const char* at) {
    return bits(digitBytes(load128(at))) | bits(digitBytes(load128(at + 16))) << 16;
  };
  uint32_t digits = digitsFrom(s);
  unsigned at = 0;
  while (true) {
    if (at > 24) {
      s += at;
      at = 0;
      if (static_cast<size_t>(s - p_) >= limit_) return 0;
      digits = digitsFrom(s);
    }
    const auto length = static_cast<unsigned>(std::countr_zero(~(digits >> at)));
    if (length - 1 >= 7u || (s[at] == '0' && length > 1)) return 0;
    at += length;
    const uint16_t after = load16(s + at);
    if (after == pair(',', ' ')) {
      at += 2;
      continue;
    }
    if ((after & 0xFF) != ']') return 0;
    return static_cast<size_t>(s + at + 1 - p_);
  }
}

template <class Recorder>
size_t GrammarScan<Recorder>::integerRun(size_t i) const {
  // Windows of 64 bytes a step of 60, each checked on its first 60 (a rule
  // looks one byte on) while it holds only the elements' bytes; the last one
  // up to its last element's start. A pair of bytes across two windows is
  // checked by the first. `last` is the latest element start checked.
  size_t last = i;
  uint64_t digitBefore = 0;  // bit 0: the byte before the window is a digit
  for (size_t w = i; w < limit_; w += 60) {
    // Bit k of each mask for p[w + k].
    uint64_t digits = 0, zeros = 0, commas = 0, blanks = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = load128(p_ + w + 16 * static_cast<size_t>(k));
      const int at = 16 * k;
      digits |= uint64_t{bits(digitBytes(v))} << at;
      zeros |= uint64_t{bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('0')))} << at;
      commas |= uint64_t{bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')))} << at;
      blanks |= uint64_t{bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')))} << at;
    }
    const uint64_t starts = digits & ~(digits << 1 | digitBefore);
    // The bytes checked: 60 while the window holds only the elements' bytes;
    // else those before the last element start in what it holds.
    const uint64_t others = ~(digits | commas | blanks);
    int cut = 60;
    if (others) {
      const uint64_t later = starts & ((uint64_t{1} << std::countr_zero(others)) - 1) & ~uint64_t{1};
      if (!later) break;
      cut = 63 - std::countl_zero(later);
    }
    const uint64_t before = (uint64_t{1} << cut) - 1;
    const uint64_t through = before | (uint64_t{1} << cut);
    // Every comma then a blank, every blank after a comma and before a
    // digit, every digit before a digit or a comma, every integer after a
    // blank; none of more than one digit starts with '0'.
    uint64_t bad = ((commas << 1) ^ blanks) & through & ~uint64_t{1};
    bad |= (blanks << 1) & ~digits & through;
    bad |= (digits << 1) & ~(digits | commas) & through;
    bad |= starts & ~(blanks << 1) & before & ~uint64_t{1};
    bad |= zeros & starts & (digits >> 1) & before;
    if (bad) break;
    if (cut < 60) return w + static_cast<size_t>(cut);
    const uint64_t started = starts & before & ~uint64_t{w == i};
    if (started) last = w + static_cast<size_t>(63 - std::countl_zero(started));
    digitBefore = (digits >> 59) & 1u;
  }
  return last;
}

// ---- Shapes -----------------------------------------------------------------

template <class Recorder>
size_t GrammarScan<Recorder>::learnShape(size_t i) {
  ElementShape& shape = shape_;
  shape.pieces = 0;
  shape.brackets = 0;
  size_t fixedFrom = i;  // where the fixed bytes not yet in a piece start
  // The fixed bytes up to j become pieces, the last followed by `then`.
  const auto fixedTo = [&](size_t j, ElementShape::Then then) {
    do {
      if (shape.pieces == ElementShape::kMaxPieces) return false;
      const auto length = static_cast<uint8_t>(std::min<size_t>(16, j - fixedFrom));
      pieceAt_[shape.pieces] = fixedFrom;
      shape.piece[shape.pieces++] = {load128(p_ + fixedFrom), (1u << length) - 1, length,
                                     fixedFrom + length == j ? then : ElementShape::kMore};
      fixedFrom += length;
    } while (fixedFrom < j);
    return true;
  };
  size_t brackets[ElementShape::kMaxBrackets];
  const auto addBracket = [&](size_t j) {
    if (shape.brackets == ElementShape::kMaxBrackets) return false;
    brackets[shape.brackets++] = j;
    return true;
  };
  // `{ "name": value, ... }`, values numbers, strings, literals or (one
  // level down) such objects; "{}".
  size_t j = i;
  int depth = 0;
  addBracket(j);
  if (p_[j + 1] == '}') {
    j += 2;
    addBracket(j - 1);
  } else {
    if (p_[j + 1] != ' ') return 0;
    j += 2;
    while (true) {
      if (j >= limit_ || j - i >= ElementShape::kMaxLength || p_[j] != '"') return 0;
      j = stringEnd(j);
      if (!j || load16(p_ + j) != pair(':', ' ')) return 0;
      j += 2;
      const auto c = static_cast<unsigned char>(p_[j]);
      switch (kValueStarts[c]) {
        case kString: {
          const size_t close = stringBodyEnd(j + 1);
          if (!close || !fixedTo(j + 1, ElementShape::kString)) return 0;
          fixedFrom = close;  // the closing quote is fixed
          j = close + 1;
          break;
        }
        case kNumber: {
          const size_t end = numberEnd(j);
          if (!end || !fixedTo(j, ElementShape::kNumber)) return 0;
          j = fixedFrom = end;
          break;
        }
        case kTrue:
          if (std::memcmp(p_ + j, "true", 4) != 0) return 0;
          j += 4;
          break;
        case kFalse:
          if (std::memcmp(p_ + j, "false", 5) != 0) return 0;
          j += 5;
          break;
        case kNull:
          if (std::memcmp(p_ + j, "null", 4) != 0) return 0;
          j += 4;
          break;
        case kObject:
          if (depth == 1 || p_[j + 1] != ' ' || p_[j + 2] != '"' || !addBracket(j)) return 0;
          depth = 1;
          j += 2;
          continue;
        default:
          return 0;
      }
      // What follows a value: ", " and the next name, or " }" (once more
      // for a nested object's close).
      bool closed = false;
      while (!closed && load16(p_ + j) == pair(' ', '}')) {
        if (!addBracket(j + 1)) return 0;
        j += 2;
        closed = depth == 0;
        depth = 0;
      }
      if (closed) break;
      if (load16(p_ + j) != pair(',', ' ')) return 0;
      j += 2;
    }
  }
  if (j - i > ElementShape::kMaxLength || !fixedTo(j, ElementShape::kEnd)) return 0;
  shape.numbersOnly = true;
  for (size_t k = 0; k + 1 < shape.pieces; ++k) shape.numbersOnly &= shape.piece[k].then == ElementShape::kNumber;
  shape.reach = size_t{50} * shape.pieces;  // a piece of up to 16 bytes and a number of up to 33
  // Each bracket in the piece that holds it.
  size_t piece = 0;
  for (size_t b = 0; b < shape.brackets; ++b) {
    while (brackets[b] >= pieceAt_[piece] + shape.piece[piece].length) ++piece;
    shape.bracket[b] = {static_cast<uint8_t>(piece), static_cast<uint8_t>(brackets[b] - pieceAt_[piece]),
                        p_[brackets[b]] == '{'};
  }
  return j;
}

template <class Recorder>
size_t GrammarScan<Recorder>::matchShape(size_t i) {
  const ElementShape& shape = shape_;
  size_t j = i;
  if (shape.numbersOnly && shape.leaf() && i + shape.reach < limit_) {
    // Pieces and numbers all within its reach: no bound test; a leaf's
    // brackets need no piece's place.
    for (size_t k = 0;; ++k) {
      const ElementShape::Piece& piece = shape.piece[k];
      if ((bits(_mm_cmpeq_epi8(load128(p_ + j), piece.bytes)) & piece.need) != piece.need) return 0;
      j += piece.length;
      if (piece.then == ElementShape::kEnd) return j;
      j = numberBeforeFixed(j);
      if (!j) return 0;
    }
  }
  for (size_t k = 0;; ++k) {
    const ElementShape::Piece& piece = shape.piece[k];
    if ((bits(_mm_cmpeq_epi8(load128(p_ + j), piece.bytes)) & piece.need) != piece.need) return 0;
    pieceAt_[k] = j;
    j += piece.length;
    if (piece.then == ElementShape::kMore) {
      if (j >= limit_) return 0;
      continue;
    }
    if (piece.then == ElementShape::kEnd) return j;
    j = piece.then == ElementShape::kNumber ? numberBeforeFixed(j) : stringBodyEnd(j);
    if (!j || j >= limit_) return 0;
  }
}

template <class Recorder>
void GrammarScan<Recorder>::recordShapeBrackets() {
  for (size_t b = 0; b < shape_.brackets; ++b) {
    const ElementShape::Bracket& bracket = shape_.bracket[b];
    recorder_.bracket(pieceAt_[bracket.piece] + bracket.offset, bracket.open);
  }
}

// ---- Fast -------------------------------------------------------------------

template <class Recorder>
ScanStop GrammarScan<Recorder>::fast(size_t i) {
  unsigned char c = 0;
  size_t end = 0;
  bool shaped = false;      // shape_ holds the layout of an element learned in this scan
  bool integerRuns = true;  // the array's integers have been taken in runs

value:  // at a value's first byte
  if (i >= limit_) return handover(i, Expect::Value);
  c = static_cast<unsigned char>(p_[i]);
  switch (kValueStarts[c]) {
    case kString:
      end = stringEnd(i);
      if (!end) return handover(i, Expect::Value);
      i = end;
      goto afterValue;
    case kNumber:
      end = numberEnd(i);
      if (!end) return handover(i, Expect::Value);
      i = end;
      goto afterValue;
    case kObject:
      i = openBlock(i, true);
      goto objectStart;
    case kArray:
      i = openBlock(i, false);
      goto arrayStart;
    case kTrue:
      if (std::memcmp(p_ + i, "true", 4) != 0) return handover(i, Expect::Value);
      i += 4;
      goto afterValue;
    case kFalse:
      if (std::memcmp(p_ + i, "false", 5) != 0) return handover(i, Expect::Value);
      i += 5;
      goto afterValue;
    case kNull:
      if (std::memcmp(p_ + i, "null", 4) != 0) return handover(i, Expect::Value);
      i += 4;
      goto afterValue;
    default:
      return handover(i, Expect::Value);
  }

arrayStart:  // just past '['
  integerRuns = true;
  if (i >= limit_) return handover(i, Expect::ArrayStart);
  c = static_cast<unsigned char>(p_[i]);
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto arrayStart;
  }
  if (c == ']') goto close;

element:  // at an array element's first byte
  if (i >= limit_) return handover(i, Expect::Element);
  c = static_cast<unsigned char>(p_[i]);
  // The writers' dense elements: after the first of a run, which the
  // recorder takes as it comes, the containers are counted and handed to it
  // at once.
  if (c == '[') {
    end = integerList(i);
    if (!end) goto value;
    recorder_.leaf(i, end - 1);
    size_t leaves = 0;
    while (load16(p_ + end) == pair(',', ' ') && p_[end + 2] == '[' && end + 2 < limit_) {
      i = end + 2;
      end = integerList(i);
      if (!end) break;
      if (end - i <= json_detail::BracketRecorder::kSmallContainer) {
        ++leaves;
      } else {
        recorder_.smallLeaves(leaves);
        leaves = 0;
        recorder_.leaf(i, end - 1);
      }
    }
    recorder_.smallLeaves(leaves);
    if (!end) goto value;
    i = end;
    goto afterValue;
  }
  if (c == '{') {
    bool counting = false;
    size_t leaves = 0;
    while (true) {
      // Elements of one leaf shape of numbers, one after another.
      if (counting && shape_.numbersOnly && shape_.leaf()) {
        while (true) {
          end = matchShape(i);
          if (!end || end - i > json_detail::BracketRecorder::kSmallContainer) break;
          ++leaves;
          if (load16(p_ + end) != pair(',', ' ') || p_[end + 2] != '{' || end + 2 >= limit_) goto shapesDone;
          i = end + 2;
        }
      }
      end = shaped ? matchShape(i) : 0;
      if (!end) {
        end = learnShape(i);
        shaped = end != 0;
        if (!end) break;
      }
      if (counting && shape_.leaf() && end - i <= json_detail::BracketRecorder::kSmallContainer) {
        ++leaves;
      } else {
        if (shape_.leaf()) {
          recorder_.leaf(i, end - 1);
        } else {
          recordShapeBrackets();
        }
        counting = shape_.leaf();
      }
      if (load16(p_ + end) != pair(',', ' ') || p_[end + 2] != '{' || end + 2 >= limit_) break;
      i = end + 2;
    }
  shapesDone:
    recorder_.smallLeaves(leaves);
    if (!end) goto value;
    i = end;
    goto afterValue;
  }
  if (c == '-' || isDigit(c)) {
    end = numberEnd(i);
    if (!end) return handover(i, Expect::Element);
    if (integerRuns && load16(p_ + end) == pair(',', ' ') && isDigit(static_cast<unsigned char>(p_[end + 2]))) {
      i = integerRun(end + 2);
      // An array whose numbers are no run of integers (decimals) takes them
      // one at a time.
      integerRuns = i != end + 2;
      goto element;
    }
    i = end;
    goto afterValue;
  }
  goto value;

objectStart:  // just past '{'
  if (i >= limit_) return handover(i, Expect::ObjectStart);
  c = static_cast<unsigned char>(p_[i]);
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto objectStart;
  }
  if (c == '}') goto close;

key:  // where a member's name must start
  if (i >= limit_ || p_[i] != '"') return handover(i, Expect::Key);
  end = stringEnd(i);
  if (!end) return handover(i, Expect::Key);
  i = end;
  // The writers' `": ` first.
  if (load16(p_ + i) == pair(':', ' ') && static_cast<unsigned char>(p_[i + 2]) > ' ') {
    i += 2;
    goto value;
  }
  while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
  if (i >= limit_ || p_[i] != ':') return handover(i, Expect::Colon);
  ++i;
  while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
  goto value;

afterValue:  // just past a value, inside a container (or the document)
  if (kinds_.depth() == 0) return handover(i, Expect::End);
  if (i >= limit_) return handover(i, Expect::AfterValue);
  c = static_cast<unsigned char>(p_[i]);
  if (c == ',') {
    // The writers' ", " first.
    if (p_[i + 1] == ' ' && static_cast<unsigned char>(p_[i + 2]) > ' ') {
      i += 2;
    } else {
      ++i;
      while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    }
    if (kinds_.inObject()) goto key;
    goto element;
  }
  if (isBlank(c)) {
    while (i < limit_ && isBlank(static_cast<unsigned char>(p_[i]))) ++i;
    goto afterValue;
  }
  if (c != '}' && c != ']') return handover(i, Expect::AfterValue);

close:  // at a closer (c): the innermost open container's, if of its kind
  if ((c == '}') != kinds_.inObject()) return handover(i, Expect::AfterValue);
  i = closeBlock(i);
  goto afterValue;
}

#endif

// ---- Guarded ----------------------------------------------------------------

template <class Recorder>
ScanStop GrammarScan<Recorder>::guarded(size_t i, Expect expect) {
  unsigned char c = 0;
  const auto blanks = [&] {
    while (isBlank(at(i))) ++i;
  };
  blanks();
  switch (expect) {
    case Expect::Value:
    case Expect::Element:
      goto value;
    case Expect::ArrayStart:
      goto arrayStart;
    case Expect::Key:
      goto key;
    case Expect::ObjectStart:
      goto objectStart;
    case Expect::Colon:
      goto colon;
    case Expect::AfterValue:
      goto afterValue;
    case Expect::End:
      goto end;
  }

value:  // at a value's first byte
  c = at(i);
  switch (kValueStarts[c]) {
    case kString: {
      ScanStop stop{};
      i = guardedString(i, stop);
      if (i == npos) return stop;
      goto afterValue;
    }
    case kNumber: {
      size_t j = i + (at(i) == '-');
      const auto digits = [&] {
        const size_t from = j;
        while (isDigit(at(j))) ++j;
        return j - from;
      };
      const bool zero = at(j) == '0';
      const size_t whole = digits();
      if (whole == 0 || (zero && whole > 1)) return fault(i);  // a number holds no quote or bracket
      if (at(j) == '.') {
        ++j;
        if (digits() == 0) return fault(i);
      }
      if ((at(j) | 0x20) == 'e') {
        ++j;
        if (at(j) == '+' || at(j) == '-') ++j;
        if (digits() == 0) return fault(i);
      }
      i = j;
      goto afterValue;
    }
    case kObject:
      i = openBlock(i, true);
      goto objectStart;
    case kArray:
      i = openBlock(i, false);
      goto arrayStart;
    case kTrue:
    case kFalse:
    case kNull: {
      const std::string_view word = c == 't' ? "true" : c == 'f' ? "false" : "null";
      for (size_t k = 1; k < word.size(); ++k)
        if (at(i + k) != static_cast<unsigned char>(word[k])) return fault(i);
      i += word.size();
      goto afterValue;
    }
    default:
      return fault(i);
  }

arrayStart:  // just past '['
  blanks();
  c = at(i);
  if (c == ']') goto close;
  goto value;

objectStart:  // just past '{'
  blanks();
  c = at(i);
  if (c == '}') goto close;

key:  // where a member's name must start
  blanks();
  if (at(i) != '"') return fault(i);
  {
    ScanStop stop{};
    i = guardedString(i, stop);
    if (i == npos) return stop;
  }

colon:  // after a member's name
  blanks();
  if (at(i) != ':') return fault(i);
  ++i;
  blanks();
  goto value;

afterValue:  // just past a value, inside a container (or the document)
  if (kinds_.depth() == 0) goto end;
  blanks();
  c = at(i);
  if (c == ',') {
    ++i;
    blanks();
    if (kinds_.inObject()) goto key;
    goto value;
  }
  if (c != '}' && c != ']') return fault(i);

close:  // at a closer (c): the innermost open container's, if of its kind
  if ((c == '}') != kinds_.inObject()) return fault(i);
  i = closeBlock(i);
  goto afterValue;

end:  // past the document: blanks only
  blanks();
  if (i == n_) return {i, ScanStop::Whole, Expect::End};
  return fault(i);
}

template <class Recorder>
size_t GrammarScan<Recorder>::guardedString(size_t i, ScanStop& stop) const {
  size_t j = i + 1;
  while (true) {
    const unsigned char b = at(j);
    if (j >= n_ || b < 0x20) break;
    if (b == '"') return j + 1;
    if (b != '\\') {
      ++j;
      continue;
    }
    const unsigned char e = at(j + 1);
    if (kShortEscapes[e]) {
      j += 2;
    } else if (e == 'u' && kHexDigits[at(j + 2)] && kHexDigits[at(j + 3)] && kHexDigits[at(j + 4)] &&
               kHexDigits[at(j + 5)]) {
      j += 6;
    } else {
      break;
    }
  }
  stop = faultInString(j);
  return npos;
}

// Texts the table cannot address (4 GiB or more) are only checked.
struct NoRecorder {
  void bracket(size_t, bool) {}
  void leaf(size_t, size_t) {}
  void smallLeaves(size_t) {}
};

}  // namespace

// ---- Table ------------------------------------------------------------------

JsonBracketTable buildJsonBracketTable(std::string_view text, bool& wellFormed) {
  JsonBracketTable table;
  table.text = text;
  if (text.size() >= UINT32_MAX) {
    NoRecorder none;
    wellFormed = GrammarScan<NoRecorder>(text, none).scan().kind == ScanStop::Whole;
    return table;
  }
  json_detail::BracketRecorder recorder(table);
  const ScanStop stop = GrammarScan<json_detail::BracketRecorder>(text, recorder).scan();
  wellFormed = stop.kind == ScanStop::Whole;
  // Past the first fault the brackets are found as the plain scan finds them.
  if (!wellFormed) json_detail::recordBracketsFrom(text, stop.at, stop.kind == ScanStop::FaultInString, recorder);
  recorder.finish();
  // As the plain build does: room past a byte of table per byte of text goes back.
  if (table.spans.capacity() * sizeof(JsonBracketTable::Span) > text.size()) table.spans.shrink_to_fit();
  return table;
}

size_t jsonGrammarFault(std::string_view text) {
  NoRecorder none;
  const ScanStop stop = GrammarScan<NoRecorder>(text, none).scan();
  return stop.kind == ScanStop::Whole ? npos : stop.at;
}

}  // namespace vk
