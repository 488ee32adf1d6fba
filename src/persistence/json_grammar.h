// What the grammar check's files (json_check.cpp, json_dense.cpp) share and
// no caller needs: the byte classes, and the unguarded token readers that the
// state machine and the bulk paths for the writers' dense arrays both use.
//
// Unguarded: no bound test per read. A reader is only started on a token
// that begins before the limit, kUnguardedReach bytes short of the text's
// end, and gives up (returns 0) on a token it cannot finish before the limit
// or that is not what it should be; the guarded states of json_check.cpp
// then judge that token byte by byte.
//
// Sections:
//   - Tokens   byte classes, the unguarded reach, sixteen-byte masks
//   - Shape    ElementShape: an array element's fixed bytes and its values
//   - Readers  strings, numbers, integer lists, shapes matched
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk::json_grammar {

// ---- Tokens -----------------------------------------------------------------

// What a byte can start where a value is expected.
enum ValueStart : uint8_t { kNoValue, kString, kNumber, kObject, kArray, kTrue, kFalse, kNull };
inline constexpr auto kValueStarts = [] {
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

inline constexpr auto kHexDigits = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view("0123456789abcdefABCDEF")) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// The bytes that may follow a backslash, besides 'u'.
inline constexpr auto kShortEscapes = [] {
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
inline constexpr size_t kUnguardedReach = 128;

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

// ---- Shape ------------------------------------------------------------------

// An array element's layout, learned from one element that has the writers'
// spacing (`{ "name": value, "name": { "x": 1 } }`): its fixed bytes, in
// pieces of up to sixteen, and after each piece what comes next: more fixed
// bytes, a number, a string's body, or the element's end. An element of the
// same fixed bytes around values of the same kinds is as well-formed as the
// one it was learned from.
struct ElementShape {
  static constexpr size_t kMaxPieces = 40;
  static constexpr size_t kMaxLength = 512;
  enum Then : uint8_t { kMore, kNumber, kString, kEnd };
  struct Piece {
    __m128i bytes;
    unsigned need;  // a bit for each of its bytes
    uint8_t length;
    Then then;
  };
  std::array<Piece, kMaxPieces> piece{};
  uint8_t pieces = 0;
  // Every piece but the last followed by a number (vertices, UVs); then
  // an element matched from more than `reach` bytes before the limit stays
  // clear of it.
  bool numbersOnly = false;
  size_t reach = 0;
};

// ---- Readers ----------------------------------------------------------------

// The unguarded readers over one text: each returns just past the token it
// reads, or 0 when the token is not well-formed or reaches the limit.
class UnguardedReader {
 public:
  UnguardedReader(const char* p, size_t limit) : p_(p), limit_(limit) {}

  // A string from its opening quote.
  [[gnu::always_inline]] size_t stringEnd(size_t i) const {
    const size_t close = stringBodyEnd(i + 1);
    return close ? close + 1 : 0;
  }
  // The closing quote of a string whose body starts at j.
  [[gnu::always_inline]] size_t stringBodyEnd(size_t j) const {
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
                 kHexDigits[static_cast<unsigned char>(p_[j + 3])] &&
                 kHexDigits[static_cast<unsigned char>(p_[j + 4])] &&
                 kHexDigits[static_cast<unsigned char>(p_[j + 5])]) {
        j += 6;
      } else {
        return 0;
      }
    }
  }
  // A number in the grammar's form -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  // (what follows it is the next state's to judge).
  [[gnu::always_inline]] size_t numberEnd(size_t i) const {
    const char* s = p_ + i;
    s += *s == '-';
    // Most numbers (the shortest form of a double included) lie within 32
    // bytes from their first digit: the whole part and the fraction from one
    // mask of them.
    const uint64_t others =
        ~(uint64_t{bits(digitBytes(load128(s)))} | uint64_t{bits(digitBytes(load128(s + 16)))} << 16);
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
    return generalNumberEnd(s);
  }
  // numberEnd where a fixed byte that no number holds must follow, which
  // the caller tests: an exponent is left to numberEnd.
  [[gnu::always_inline]] size_t numberBeforeFixed(size_t i) const {
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

  // The writers' dense array elements, checked in bulk (json_dense.cpp).
  // "[]" or "[1, 2, 3]" (plain integers of up to seven digits, ", "
  // between them).
  [[gnu::always_inline]] size_t integerList(size_t i) const {
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
  // From i (an element's start), the elements that are plain integers, each
  // followed by ", ", 64 bytes a step: the start of the first element left
  // to the caller (i when there is none).
  size_t integerRun(size_t i) const;
  // Learns `shape` from the element at i, checking it; 0 when it has
  // another form (`shape` is then unusable).
  size_t learnShape(size_t i, ElementShape& shape) const;
  // Checks the element at i against `shape`.
  [[gnu::always_inline]] size_t matchShape(size_t i, const ElementShape& shape) const {
    size_t j = i;
    if (shape.numbersOnly && i + shape.reach < limit_) {
      // Pieces and numbers all within its reach: no bound test.
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

 private:
  // numberEnd's general form: runs of any length, an exponent; s is past
  // the sign.
  size_t generalNumberEnd(const char* s) const;
  // numberEnd for one of up to 33 bytes (an exponent, or digits past 32),
  // else 0: a shape's reach allows for no longer one.
  size_t longNumberBeforeFixed(size_t i) const;

  const char* p_;
  size_t limit_;
};

#endif

}  // namespace vk::json_grammar
