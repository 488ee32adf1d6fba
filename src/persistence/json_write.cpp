// JSON text forms for writers: string escaping and the number forms.
#include <charconv>
#include <cmath>

#include "persistence/json.h"

namespace vk {

void appendJsonEscaped(std::string& out, std::wstring_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const wchar_t ch : text) {
    auto c = static_cast<uint32_t>(ch);
    if (c >= 0x80) {
      // UTF-8 directly; surrogates and values beyond U+10FFFF become U+FFFD.
      if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
      if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      }
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      continue;
    }
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20) {
          // Raw control characters are not valid inside a JSON string.
          out += "\\u00";
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 15]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
}

std::string jsonEscape(const std::wstring& text) {
  std::string out;
  appendJsonEscaped(out, text);
  return out;
}

void appendFixed4(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  char buffer[400];  // the largest double has 309 integer digits
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
  out.append(buffer, result.ptr);
}

void appendShortestDouble(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendInt(std::string& out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendUnsigned(std::string& out, unsigned long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace vk
