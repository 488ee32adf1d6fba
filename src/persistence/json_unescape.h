// Decoding of JSON string bodies one character at a time: the text that
// jsonUnescapeToWide builds, walked without building it, so that a reader can
// count a text before it allocates it, or build only the part it keeps.
//
// The characters are those of utf8ToWide(jsonUnescapeToUtf8(body)): escapes
// decoded (\uXXXX with surrogate pairs, a lone surrogate U+FFFD), the bytes
// then read as UTF-8, where a sequence cut short, overlong, a surrogate or
// past U+10FFFF gives one U+FFFD for the bytes it took.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {

// Calls fn(c) (c a char32_t) for every character of the decoded body, in
// order, until fn returns false.
template <class Fn>
void forEachJsonStringChar(std::string_view body, Fn&& fn);

// The number of characters jsonUnescapeToWide(body) holds, counted without
// building them.
uint64_t jsonStringLength(std::string_view body);

namespace json_detail {

// A body's jsonStringLength, and whether it is plain ASCII (no escape, no
// byte above 0x7F), which widens byte for byte.
struct StringMeasure {
  uint64_t length = 0;
  bool plain = false;
};
StringMeasure measureString(std::string_view body);
// jsonUnescapeToWide of a body measured before.
std::wstring unescapeToWide(std::string_view body, StringMeasure measure);

// Four hex digits at body[i..i+4), or -1.
inline int32_t hex4(std::string_view body, size_t i) {
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

// The first index from `i` holding a byte above 0x7F (`backslashes`: or a
// backslash; `controls`: or a byte below 0x20); body.size() when there is
// none. Sixteen bytes at a time where SSE2 is there.
template <bool backslashes, bool controls = false>
inline size_t nextSpecialByte(std::string_view body, size_t i) {
  const size_t n = body.size();
  const char* p = body.data();
#if defined(__SSE2__)
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i space = _mm_set1_epi8(0x20);
  while (i + 16 <= n) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // Signed: the bytes above 0x7F are negative, so they pass as controls too.
    if (controls) v = _mm_or_si128(v, _mm_cmplt_epi8(v, space));
    if (backslashes) v = _mm_or_si128(v, _mm_cmpeq_epi8(v, backslash));
    const int mask = _mm_movemask_epi8(v);
    if (mask) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i < n) {
    const auto byte = static_cast<unsigned char>(p[i]);
    if (byte >= 0x80 || (backslashes && byte == '\\') || (controls && byte < 0x20)) break;
    ++i;
  }
  return i;
}

// Walks the escapes of a body, each of the handlers returning false to stop:
// out.bytes(p, n) for a run of bytes as they stand (no backslash among
// them), out.byte(c) for an escape that gives one byte (\n, \", an unknown
// escape's own byte), out.codePoint(c) for a \u escape (a lone surrogate gives
// U+FFFD). A backslash at the very end is dropped. False when a handler
// stopped the walk.
template <class Out>
bool walkJsonEscapes(std::string_view body, Out& out) {
  const char* p = body.data();
  const size_t n = body.size();
  size_t i = 0;
  while (i < n) {
    const auto* slash = static_cast<const char*>(__builtin_memchr(p + i, '\\', n - i));
    const size_t at = slash ? static_cast<size_t>(slash - p) : n;
    if (at > i && !out.bytes(p + i, at - i)) return false;
    i = at + 1;
    if (i >= n) return true;
    const char escaped = p[i++];
    char byte = escaped;  // \" \\ \/ and unknown escapes
    switch (escaped) {
      case 'n': byte = '\n'; break;
      case 'r': byte = '\r'; break;
      case 't': byte = '\t'; break;
      case 'b': byte = '\b'; break;
      case 'f': byte = '\f'; break;
      case 'u': {
        int32_t cp = hex4(body, i);
        if (cp < 0) break;  // the letter u itself; its digits follow as they stand
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          const int32_t low = (i + 1 < n && p[i] == '\\' && p[i + 1] == 'u') ? hex4(body, i + 2) : -1;
          if (low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          } else {
            cp = 0xFFFD;
          }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
          cp = 0xFFFD;
        }
        if (!out.codePoint(static_cast<char32_t>(cp))) return false;
        continue;
      }
      default: break;
    }
    if (!out.byte(byte)) return false;
  }
  return true;
}

// Reads a byte stream as UTF-8, as utf8ToWide does, handing each character
// to emit(c), which returns false to stop (then so does every call here).
class Utf8Stream {
 public:
  bool idle() const { return need_ == 0; }

  template <class Emit>
  bool feed(unsigned char c, Emit& emit) {
    if (need_ > 0) {
      if ((c & 0xC0) == 0x80) {
        cp_ = (cp_ << 6) | (c & 0x3Fu);
        if (--need_ > 0) return true;
        const bool valid = cp_ >= minimum_ && cp_ <= 0x10FFFF && (cp_ < 0xD800 || cp_ > 0xDFFF);
        return emit(valid ? static_cast<char32_t>(cp_) : U'\uFFFD');
      }
      // Cut short: the bytes taken give one U+FFFD, and this byte starts anew.
      need_ = 0;
      if (!emit(U'\uFFFD')) return false;
    }
    if (c < 0x80) return emit(static_cast<char32_t>(c));
    if (c >= 0xC2 && c <= 0xDF) return start(1, c & 0x1Fu, 0x80);
    if (c >= 0xE0 && c <= 0xEF) return start(2, c & 0x0Fu, 0x800);
    if (c >= 0xF0 && c <= 0xF4) return start(3, c & 0x07u, 0x10000);
    return emit(U'\uFFFD');  // a stray continuation byte or an invalid lead
  }

  // A character that arrives whole (a \u escape): it cuts short a pending
  // sequence as its own lead byte would.
  template <class Emit>
  bool whole(char32_t c, Emit& emit) {
    if (c < 0x80) return feed(static_cast<unsigned char>(c), emit);
    return finish(emit) && emit(c);
  }

  // The end of the bytes: a pending sequence gives U+FFFD.
  template <class Emit>
  bool finish(Emit& emit) {
    if (need_ == 0) return true;
    need_ = 0;
    return emit(U'\uFFFD');
  }

 private:
  bool start(int need, uint32_t bits, uint32_t minimum) {
    need_ = need;
    cp_ = bits;
    minimum_ = minimum;
    return true;
  }
  int need_ = 0;
  uint32_t cp_ = 0;
  uint32_t minimum_ = 0;
};

// Walks the decoded body: sink.run(p, n) takes a run of n plain ASCII bytes
// at p, sink.put(c) one character; either returns false to stop the walk.
template <class Sink>
void walkJsonString(std::string_view body, Sink& sink) {
  struct Decode {
    Sink& sink;
    Utf8Stream utf8;
    bool bytes(const char* p, size_t n) {
      const std::string_view run(p, n);
      size_t k = 0;
      while (k < n) {
        if (utf8.idle()) {
          const size_t end = nextSpecialByte<false>(run, k);
          if (end > k && !sink.run(p + k, end - k)) return false;
          k = end;
          if (k >= n) break;
        }
        if (!utf8.feed(static_cast<unsigned char>(p[k++]), *this)) return false;
      }
      return true;
    }
    bool byte(char c) { return utf8.feed(static_cast<unsigned char>(c), *this); }
    bool codePoint(char32_t c) { return utf8.whole(c, *this); }
    bool operator()(char32_t c) { return sink.put(c); }
  } decode{sink, {}};
  if (walkJsonEscapes(body, decode)) decode.utf8.finish(decode);
}

}  // namespace json_detail

template <class Fn>
void forEachJsonStringChar(std::string_view body, Fn&& fn) {
  struct Sink {
    Fn& fn;
    bool run(const char* p, size_t n) {
      for (size_t k = 0; k < n; ++k)
        if (!fn(static_cast<char32_t>(static_cast<unsigned char>(p[k])))) return false;
      return true;
    }
    bool put(char32_t c) { return fn(c); }
  } sink{fn};
  json_detail::walkJsonString(body, sink);
}

}  // namespace vk
