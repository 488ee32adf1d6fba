// Unescaping of JSON string bodies: the whole escape set with \uXXXX and
// surrogate pairs, to UTF-8 (jsonUnescapeToUtf8) or to wide text
// (jsonUnescapeToWide).
#include <cstdint>
#include <string>

#include "persistence/json.h"
#include "platform/kernel.h"

namespace vk {
namespace {

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

}  // namespace

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

}  // namespace vk
