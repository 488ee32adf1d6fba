// Curve geometry: the default curve of each type, tessellation into a
// polyline with bounds and summary, and the polyline-to-mesh conversion.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

inline constexpr std::size_t kCurvePointLimit = 512;

// The default curve of "Bezier", "Circle", "Rectangle"; any other text gives
// a "Line". Not tessellated.
CurveData createCurveData(const std::wstring& type);
// curveData := createCurveData(type), then rebuildCurveData.
void initCurveData(Object& object, const std::wstring& type);
// Derives `tessellated`, bounds and `summary`; cuts points to 512 and stores
// the resolution clamped to 2..64. Non-curves read "No curve data".
void rebuildCurveData(Object& object);
// Mesh data from the tessellated polyline: one face for a closed curve with
// more than two samples, else a ribbon of quads. Not derived; true when the
// mesh has a vertex and a face.
bool buildMeshFromCurve(const Object& curve, MeshData& mesh);

}  // namespace vk
