// Unescaping of JSON string bodies: the whole escape set with \uXXXX and
// surrogate pairs, to UTF-8 (jsonUnescapeToUtf8) or to wide text
// (jsonUnescapeToWide, decoded once into a text of its exact length). The
// walkers both use: json_unescape.h.
#include "persistence/json_unescape.h"

#include <cstdint>
#include <string>

#include "persistence/json.h"
#include "platform/kernel.h"

namespace vk {

std::string jsonUnescapeToUtf8(std::string_view body) {
  struct Out {
    std::string text;
    bool bytes(const char* p, size_t n) {
      text.append(p, n);
      return true;
    }
    bool byte(char c) {
      text.push_back(c);
      return true;
    }
    bool codePoint(char32_t c) {
      appendUtf8(text, static_cast<uint32_t>(c));
      return true;
    }
  } out;
  out.text.reserve(body.size());
  json_detail::walkJsonEscapes(body, out);
  return std::move(out.text);
}

json_detail::StringMeasure json_detail::measureString(std::string_view body) {
  if (nextSpecialByte<true>(body, 0) == body.size()) return {body.size(), true};
  struct Count {
    uint64_t count = 0;
    bool run(const char*, size_t n) {
      count += n;
      return true;
    }
    bool put(char32_t) {
      ++count;
      return true;
    }
  } count;
  walkJsonString(body, count);
  return {count.count, false};
}

uint64_t jsonStringLength(std::string_view body) { return json_detail::measureString(body).length; }

std::wstring jsonUnescapeToWide(std::string_view body) {
  return json_detail::unescapeToWide(body, json_detail::measureString(body));
}

std::wstring json_detail::unescapeToWide(std::string_view body, StringMeasure measure) {
  // Plain ASCII, the usual case, widens byte for byte.
  if (measure.plain) return std::wstring(body.begin(), body.end());
  // Counted first, so the text is allocated once, at its length.
  std::wstring text(measure.length, L'\0');
  struct Write {
    wchar_t* at;
    bool run(const char* p, size_t n) {
      for (size_t k = 0; k < n; ++k) at[k] = static_cast<wchar_t>(static_cast<unsigned char>(p[k]));
      at += n;
      return true;
    }
    bool put(char32_t c) {
      *at++ = static_cast<wchar_t>(c);
      return true;
    }
  } write{text.data()};
  json_detail::walkJsonString(body, write);
  return text;
}

}  // namespace vk
