// The number readers: the JSON number grammar (parseJsonNumber and its
// one-pass decimal readers), whole numbers, and the array readers built on
// them: integer lists (the writers' form read 32 bytes a window), nested
// integer lists, and arrays of small number objects (vertices, UVs).
//
// Sections:
//   - Integer elements  wholeNumberToken, readIntElement, readIntElements
//   - Integer lists     readIntList and its fast forms, readIntListElement,
//                       readWholeNumberElement, parseIntList,
//                       parseNestedIntArrays
//   - Decimals          decimalToDouble, readPlainDecimal, readShortDecimal,
//                       parseJsonNumber, jsonWholeNumber
//   - Number objects    readNumberObjectElement and its in-order readers,
//                       readJsonNumberObjects, readJsonNumberMembers
#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>

#include <fast_float/fast_float.h>

#include "model/corner_list.h"
#include "persistence/json.h"
#include "persistence/json_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {
namespace {

using json_detail::digitWord;
using json_detail::keyEquals;
using json_detail::leadingDigits;
using json_detail::leadingDigitsValue;
using json_detail::tokenEnd;

using WalkEnd = json_detail::ElementEnd;

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// ---- Integer elements -------------------------------------------------------

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

}  // namespace

// ---- Integer lists ----------------------------------------------------------

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

}  // namespace json_detail

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

// ---- Decimals ---------------------------------------------------------------

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

// ---- Number objects ---------------------------------------------------------

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
  forEachJsonMember(text, NumberMembers{keys, keyCount, values}, table);
}

}  // namespace vk
