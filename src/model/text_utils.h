// String routines shared by the model and the file formats: UTF-8
// conversion, trimming, lower-casing, parent directories, key ids and the
// fixed name tables. All are pure and locale-independent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/types.h"

namespace vk {

// `value` with exactly `decimals` (0..64) digits after the point, no
// exponent, no locale: 1.5 -> "1.50", -0.001 -> "-0.00"; "nan"/"inf" as such.
std::wstring fixedDecimals(double value, int decimals);

// Strip leading and trailing space, tab, CR and LF only.
std::string trimAsciiSpaces(std::string_view text);
std::wstring trimWideSpaces(std::wstring_view text);
// Strip leading and trailing white space as the "C" locale classes it
// (space, \t, \n, \v, \f, \r).
std::wstring trimWhitespace(std::wstring_view text);
// CR, LF and TAB become one space each, other control characters (< 32) are
// dropped; copying stops once the result holds `maxLength` code points.
std::wstring trimToSingleLine(std::wstring_view text, std::size_t maxLength);
// What trimToSingleLine keeps of one character: false for a character it
// drops; CR, LF and TAB become a blank.
inline bool singleLineChar(wchar_t& c) {
  if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  return !(c >= 0 && c < 32);
}
// What the studio shows of one text of the document in one place: the first
// kShownTextCharLimit characters of a name or label, the first
// kShownReportCharLimit of a report. A longer text is shown cut, so showing
// it costs no more memory and time than that however long the text is.
inline constexpr std::size_t kShownTextCharLimit = 1024;
inline constexpr std::size_t kShownReportCharLimit = 65536;
std::wstring shownText(std::wstring_view text, std::size_t limit = kShownTextCharLimit);

// ASCII-only lower-casing ("C" locale towlower).
std::wstring lowercaseCopy(std::wstring_view text);

// Parent path by Windows path rules on every host: "\\" and "/" separate,
// "C:" and "\\\\server\\share" are root names. "C:\\a\\b.png" -> "C:\\a",
// "C:\\b.png" -> "C:\\", "b.png" -> "".
std::wstring parentDirectory(std::wstring_view path);
// What follows the last "\\" or "/" of a path; the whole path when it has none.
std::wstring fileNameOf(std::wstring_view path);

inline constexpr std::int32_t kKeyFrameLimit = 100000;
inline constexpr const wchar_t* kTransformKeyPrefix = L"tkey-";
inline constexpr const wchar_t* kCameraKeyPrefix = L"ckey-";
inline constexpr const wchar_t* kLightKeyPrefix = L"lkey-";
// Prefix + decimal(clamp(frame, -100000, 100000)): "tkey-12", "ckey--5".
std::wstring transformKeyId(std::int32_t frame);
std::wstring cameraKeyId(std::int32_t frame);
std::wstring lightKeyId(std::int32_t frame);
// True when `id` is the key id `prefix` makes for `frame`, compared without
// building it.
bool isFrameKeyId(std::wstring_view id, std::wstring_view prefix, std::int32_t frame);

// "Mesh", "Camera", ... "Group"; any other value "Object".
std::wstring kindName(ObjectKind kind);
// True for the nine known modifier kinds (exact, case-sensitive).
bool isKnownModifierKind(std::wstring_view type);
// The kind's display name, else "Unknown Modifier".
std::wstring modifierDisplayName(std::wstring_view type);
// "Directional", "Spot", "Area" when exact, else "Point".
std::wstring normalizeLightType(std::wstring_view type);
// True for the four names normalizeLightType keeps.
bool isLightTypeName(std::wstring_view type);

}  // namespace vk
