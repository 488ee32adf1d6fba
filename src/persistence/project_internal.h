// Helpers shared by the project file's writer and reader files.
#pragma once

#include <string>
#include <string_view>

#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// The stored names of the shading modes: "Wireframe", "Solid",
// "MaterialPreview", anything else "Lit"; read back also from "Material Preview".
std::wstring shadingModeName(ViewportShadingMode mode);
ViewportShadingMode shadingModeFromName(const std::wstring& name);

// A member read as a whole number (truncated; -2147483648 outside 32 bits).
inline int32_t findWhole(const JsonObjectIndex& object, std::string_view key, int32_t fallback) {
  return jsonWholeNumber(findNumber(object, key, fallback));
}

// The settings members of a camera or light line (or key line), each member
// falling back to the value in `settings`; capsule texts fall back to empty.
CameraSettings readCameraSettings(const JsonObjectIndex& block, CameraSettings settings);
LightSettings readLightSettings(const JsonObjectIndex& block, LightSettings settings);

}  // namespace vk
