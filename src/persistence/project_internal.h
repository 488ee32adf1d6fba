// Helpers shared by the project file's writer and reader files.
#pragma once

#include <string>
#include <string_view>

#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// A member read as a whole number (truncated; -2147483648 outside 32 bits).
inline int32_t findWhole(const JsonObjectIndex& object, std::string_view key, int32_t fallback) {
  return jsonWholeNumber(findNumber(object, key, fallback));
}

// The settings members of a camera or light line (or key line), each member
// falling back to the value in `settings`; capsule texts fall back to empty.
CameraSettings readCameraSettings(const JsonObjectIndex& block, CameraSettings settings);
LightSettings readLightSettings(const JsonObjectIndex& block, LightSettings settings);

}  // namespace vk
