// Helpers shared by the project file's writer and reader files.
#pragma once

#include <string>
#include <string_view>

#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// Texts the sanitizers cut, cut as they are read (the rest is never built)
// and charged to the index's budget as findString charges its texts.
// trimToSingleLine(findString(object, key, fallback), limit), but that the
// fallback comes back as given.
std::wstring findSingleLine(const JsonObjectIndex& object, std::string_view key, size_t limit,
                            const std::wstring& fallback);
// The first `limit` characters of findString.
std::wstring findPrefix(const JsonObjectIndex& object, std::string_view key, size_t limit,
                        const std::wstring& fallback);
// sanitizeTexturePath(findString(object, key, L"")).
std::wstring findTexturePath(const JsonObjectIndex& object, std::string_view key);
// Texts that are only compared with fixed names (kinds, light types,
// categories, channels, schema names) are read this far: one character past
// the longest name decides as well as the whole text.
inline constexpr size_t kComparedTextChars = 32;

// A member read as a whole number (truncated; -2147483648 outside 32 bits).
inline int32_t findWhole(const JsonObjectIndex& object, std::string_view key, int32_t fallback) {
  return jsonWholeNumber(findNumber(object, key, fallback));
}

// The settings members of a camera or light line (or key line), each member
// falling back to the value in `settings`; capsule texts fall back to empty.
CameraSettings readCameraSettings(const JsonObjectIndex& block, CameraSettings settings);
LightSettings readLightSettings(const JsonObjectIndex& block, LightSettings settings);

}  // namespace vk
