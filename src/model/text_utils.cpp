#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "model/modifier_kind_table.h"
#include "platform/win32.h"

namespace vk {

namespace {

template <class Char, class Pred>
std::basic_string<Char> trimBy(std::basic_string_view<Char> text, Pred isTrimmed) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  return std::basic_string<Char>(text.substr(begin, end - begin));
}

bool isLineSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

struct KeyDigits {
  std::array<char, 16> text{};
  std::size_t size = 0;
};

KeyDigits keyDigits(std::int32_t frame) {
  frame = std::clamp(frame, -kKeyFrameLimit, kKeyFrameLimit);
  KeyDigits digits;
  auto result = std::to_chars(digits.text.data(), digits.text.data() + digits.text.size(), frame);
  digits.size = static_cast<std::size_t>(result.ptr - digits.text.data());
  return digits;
}

std::wstring keyId(const wchar_t* prefix, std::int32_t frame) {
  const KeyDigits digits = keyDigits(frame);
  std::wstring id = prefix;
  id.append(digits.text.data(), digits.text.data() + digits.size);
  return id;
}

}  // namespace

std::string trimAsciiSpaces(std::string_view text) {
  return trimBy(text, [](char c) { return isLineSpace(static_cast<unsigned char>(c)); });
}

std::wstring trimWideSpaces(std::wstring_view text) { return trimBy(text, isLineSpace); }

std::wstring trimWhitespace(std::wstring_view text) { return trimBy(text, isAsciiSpace); }

std::wstring trimToSingleLine(std::wstring_view text, std::size_t maxLength) {
  std::wstring result;
  result.reserve(std::min(text.size(), maxLength));
  for (wchar_t c : text) {
    if (result.size() >= maxLength) break;
    if (singleLineChar(c)) result.push_back(c);
  }
  return result;
}

std::wstring shownText(std::wstring_view text, std::size_t limit) { return std::wstring(text.substr(0, limit)); }

std::wstring lowercaseCopy(std::wstring_view text) { return asciiLowered(text); }

std::wstring parentDirectory(std::wstring_view path) {
  // Root name: "C:" or a network/device prefix "\\server".
  std::size_t rootEnd = 0;
  if (path.size() >= 2 && isAsciiAlpha(path[0]) && path[1] == L':') {
    rootEnd = 2;
  } else if (path.size() >= 3 && isPathSeparator(path[0]) && isPathSeparator(path[1]) &&
             !isPathSeparator(path[2])) {
    rootEnd = 2;
    while (rootEnd < path.size() && !isPathSeparator(path[rootEnd])) ++rootEnd;
  }
  while (rootEnd < path.size() && isPathSeparator(path[rootEnd])) ++rootEnd;

  std::wstring_view relative = path.substr(rootEnd);
  if (relative.empty()) return std::wstring(path);
  std::size_t lastSeparator = relative.find_last_of(L"\\/");
  if (lastSeparator == std::wstring_view::npos) return std::wstring(path.substr(0, rootEnd));
  std::size_t end = lastSeparator;
  while (end > 0 && isPathSeparator(relative[end - 1])) --end;
  return std::wstring(path.substr(0, rootEnd + end));
}

std::wstring fileNameOf(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring transformKeyId(std::int32_t frame) { return keyId(kTransformKeyPrefix, frame); }
std::wstring cameraKeyId(std::int32_t frame) { return keyId(kCameraKeyPrefix, frame); }
std::wstring lightKeyId(std::int32_t frame) { return keyId(kLightKeyPrefix, frame); }

bool isFrameKeyId(std::wstring_view id, std::wstring_view prefix, std::int32_t frame) {
  const KeyDigits digits = keyDigits(frame);
  if (id.size() != prefix.size() + digits.size || id.substr(0, prefix.size()) != prefix) return false;
  return std::equal(digits.text.data(), digits.text.data() + digits.size, id.begin() + prefix.size());
}

std::wstring kindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Mesh:
      return L"Mesh";
    case ObjectKind::Camera:
      return L"Camera";
    case ObjectKind::Light:
      return L"Light";
    case ObjectKind::Empty:
      return L"Empty";
    case ObjectKind::Text:
      return L"Text";
    case ObjectKind::Curve:
      return L"Curve";
    case ObjectKind::Group:
      return L"Group";
  }
  return L"Object";
}

bool isKnownModifierKind(std::wstring_view type) { return modifierKindOf(type) != ModifierKind::unknown; }

std::wstring modifierDisplayName(std::wstring_view type) {
  const ModifierKindRow* row = findModifierKindRow(modifierKindOf(type));
  return row ? std::wstring(row->displayName) : L"Unknown Modifier";
}

bool isLightTypeName(std::wstring_view type) {
  return type == L"Point" || type == L"Directional" || type == L"Spot" || type == L"Area";
}

std::wstring normalizeLightType(std::wstring_view type) {
  return isLightTypeName(type) ? std::wstring(type) : std::wstring(L"Point");
}

std::wstring fixedDecimals(double value, int decimals) {
  // Room for the largest double's 309 integer digits, the sign, the point
  // and the decimals: to_chars cannot run out of space.
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed,
                                    std::clamp(decimals, 0, 64));
  return std::wstring(buffer.data(), result.ptr);
}

}  // namespace vk
