// Built-in geometry. Vertex and face orders are fixed: selections, saved
// projects and edit operations address them by index.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

// Fresh mesh for a primitive label, compared exactly: "Plane", "Text",
// "Sphere", "Cylinder", "Cone", "Torus", "Group", "Empty"; anything else is
// the cube. Every face's normal points out of the solid (up for the Plane
// and Text quad). Only the edge list is derived (placeholders get none).
MeshData createMeshDataForObject(const std::wstring& primitive);

}  // namespace vk
