// Light menu commands: the light type of the selected light and the fixed
// nudges of its intensity, range, spot angle and area size.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

// The selected object when it is a Light (locked lights included); otherwise
// null, with the status "●  Select a light before using light controls".
Object* selectedLight();

// Commands 2160-2163: "Point", "Directional", "Spot" or "Area" (others are
// ignored). Directional raises the range to 50, Area the size to 2.
void setSelectedLightType(const std::wstring& type);

// Commands 2170-2177: field "intensity", "range", "spotAngle" or "areaSize"
// changed by delta, then clamped to the light ranges.
void adjustViewportLightControl(const std::wstring& field, double delta);

}  // namespace vk
