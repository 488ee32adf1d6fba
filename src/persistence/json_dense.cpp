// The grammar check's bulk paths for the writers' dense arrays, which hold
// most of a project's bytes: runs of integers 64 bytes a step, and objects
// learned as a shape that the next elements are matched against; and the
// unguarded number reader's long forms. Each returns 0 (or, for a run, where
// it stopped) on anything else, which the state machine then reads itself.
#include <algorithm>

#include "persistence/json_grammar.h"

namespace vk::json_grammar {

#if defined(__SSE2__)

namespace {

// Past a run of digits at s; how many, or npos when it reaches the limit.
inline size_t skipDigits(const char*& s, const char* limit) {
  size_t total = 0;
  while (true) {
    const auto count = static_cast<size_t>(__builtin_ctz(nonDigits(s)));
    s += count;
    total += count;
    if (count < 16) return total;
    if (s >= limit) return std::string_view::npos;
  }
}

}  // namespace

size_t UnguardedReader::generalNumberEnd(const char* s) const {
  constexpr size_t npos = std::string_view::npos;
  const char* limit = p_ + limit_;
  if (skipDigits(s, limit) == npos) return 0;
  if (*s == '.') {
    ++s;
    const size_t fraction = skipDigits(s, limit);
    if (fraction == 0 || fraction == npos) return 0;
  }
  if ((*s | 0x20) == 'e') {
    ++s;
    s += *s == '+' || *s == '-';
    const size_t exponent = skipDigits(s, limit);
    if (exponent == 0 || exponent == npos) return 0;
  }
  return static_cast<size_t>(s - p_);
}

size_t UnguardedReader::longNumberBeforeFixed(size_t i) const {
  const size_t end = numberEnd(i);
  return end - i <= 33 ? end : 0;
}

size_t UnguardedReader::integerRun(size_t i) const {
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

size_t UnguardedReader::learnShape(size_t i, ElementShape& shape) const {
  shape.pieces = 0;
  size_t fixedFrom = i;  // where the fixed bytes not yet in a piece start
  // The fixed bytes up to j become pieces, the last followed by `then`.
  const auto fixedTo = [&](size_t j, ElementShape::Then then) {
    do {
      if (shape.pieces == ElementShape::kMaxPieces) return false;
      const auto length = static_cast<uint8_t>(std::min<size_t>(16, j - fixedFrom));
      shape.piece[shape.pieces++] = {load128(p_ + fixedFrom), (1u << length) - 1, length,
                                     fixedFrom + length == j ? then : ElementShape::kMore};
      fixedFrom += length;
    } while (fixedFrom < j);
    return true;
  };
  // `{ "name": value, ... }`, values numbers, strings, literals or (one
  // level down) such objects; "{}".
  size_t j = i;
  int depth = 0;
  if (p_[j + 1] == '}') {
    j += 2;
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
          if (depth == 1 || p_[j + 1] != ' ' || p_[j + 2] != '"') return 0;
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
  return j;
}

#endif

}  // namespace vk::json_grammar
