// JSON text forms for writers: string escaping and the number forms.
#include <charconv>
#include <cmath>

#include "persistence/json.h"
#include "persistence/json_write.h"
#include "platform/win32.h"

namespace vk {

void appendJsonEscaped(std::string& out, std::wstring_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto plain = [](wchar_t ch) { return ch >= 0x20 && ch < 0x80 && ch != '"' && ch != '\\'; };
  for (size_t i = 0; i < text.size(); ++i) {
    // A run of characters that stand for themselves is copied in one step.
    size_t end = i;
    while (end < text.size() && plain(text[end])) ++end;
    if (end > i) {
      const size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + k - i] = static_cast<char>(text[k]);
      i = end;
      if (i == text.size()) break;
    }
    const auto c = static_cast<uint32_t>(text[i]);
    if (c >= 0x80) {
      appendUtf8(out, c);
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
  char buffer[400];  // the largest double has 309 integer digits, the smallest 767 decimals
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
  // Four decimals that would read back as another value lose it: such a
  // value takes the shortest fixed form that reads back as itself.
  double back = 0;
  std::from_chars(buffer, result.ptr, back);
  if (back != value || std::signbit(back) != std::signbit(value)) {
    char longer[1100];
    const auto exact = std::to_chars(longer, longer + sizeof longer, value, std::chars_format::fixed);
    out.append(longer, exact.ptr);
    return;
  }
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

void appendVec3(std::string& out, const Vec3& v) {
  InlineObject(out).shortest("x", v.x).shortest("y", v.y).shortest("z", v.z).close();
}

std::string& keyLine(std::string& out, int indent, std::string_view key) {
  out.append(static_cast<size_t>(indent), ' ');
  out += '"';
  out += key;
  out += "\": ";
  return out;
}

BlockLines& BlockLines::str(std::string_view key, std::wstring_view value) {
  std::string& out = keyLine(out_, indent_, key);
  out += '"';
  appendJsonEscaped(out, value);
  out += '"';
  return next();
}

BlockLines& BlockLines::boolean(std::string_view key, bool value) {
  keyLine(out_, indent_, key) += value ? "true" : "false";
  return next();
}

BlockLines& BlockLines::integer(std::string_view key, long long value) {
  appendInt(keyLine(out_, indent_, key), value);
  return next();
}

BlockLines& BlockLines::count(std::string_view key, unsigned long long value) {
  appendUnsigned(keyLine(out_, indent_, key), value);
  return next();
}

BlockLines& BlockLines::fixed(std::string_view key, double value) {
  appendFixed4(keyLine(out_, indent_, key), value);
  return next();
}

BlockLines& BlockLines::vec(std::string_view key, const Vec3& value) {
  appendVec3(keyLine(out_, indent_, key), value);
  return next();
}

}  // namespace vk
