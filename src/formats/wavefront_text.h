// The line and number scanning the OBJ and MTL readers share. Numbers go
// through from_chars, so no locale and no stream is involved.
#pragma once

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace vk::wavefront {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view skipByteOrderMark(std::string_view text) {
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.remove_prefix(3);
  return text;
}

inline std::string_view skipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  return text.substr(i);
}

inline std::string_view trimBlanks(std::string_view text, std::string_view blanks = " \t\r\n") {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Walks a text line by line (LF separated, one trailing CR dropped); a final
// empty piece after the last LF is no line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const char* start = text_.data() + pos_;
    const void* lf = std::memchr(start, '\n', text_.size() - pos_);
    const std::size_t length = lf ? static_cast<const char*>(lf) - start : text_.size() - pos_;
    pos_ += length + 1;
    line = std::string_view(start, length);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// A statement: the keyword up to the first blank or tab, the arguments after
// that one separator. Empty keyword for blank and comment lines.
struct Statement {
  std::string_view keyword;
  std::string_view arguments;
};
inline Statement splitStatement(std::string_view line) {
  line = skipBlanks(line);
  if (line.empty() || line.front() == '#') return {};
  std::size_t end = 0;
  while (end < line.size() && !isBlank(line[end])) ++end;
  return {line.substr(0, end), end < line.size() ? line.substr(end + 1) : std::string_view{}};
}

// Next run of non-blank characters; empty at the end.
inline std::string_view nextToken(std::string_view& rest) {
  rest = skipBlanks(rest);
  std::size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end]) && rest[end] != '\r' && rest[end] != '\n') ++end;
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  while (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n')) rest.remove_prefix(1);
  return token;
}

// Reads one decimal number after blanks, as a stream would: the next read
// starts where this one stopped. A leading '+' is allowed; an overflowing
// value fails. Non-finite values are returned for the caller to refuse.
inline bool readDouble(std::string_view& rest, double& value) {
  rest = skipBlanks(rest);
  const char* first = rest.data();
  const char* last = rest.data() + rest.size();
  if (first != last && *first == '+') {
    ++first;
    if (first == last || *first == '-' || *first == '+') return false;
  }
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc{}) return false;
  rest.remove_prefix(static_cast<std::size_t>(ptr - rest.data()));
  return true;
}

inline bool readFiniteDoubles(std::string_view rest, double* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!readDouble(rest, values[i]) || !std::isfinite(values[i])) return false;
  return true;
}

inline double clampDouble(double value, double low, double high) {
  return value < low ? low : (value > high ? high : value);
}

}  // namespace vk::wavefront
