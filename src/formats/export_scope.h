// Which objects and faces the mesh exporters write. The OBJ export and the
// glTF/GLB export share these rules so that both write the same scope.
#pragma once

#include <cstddef>
#include <vector>

#include "model/types.h"

namespace vk {

// ---- limits ---------------------------------------------------------------
inline constexpr std::size_t kExportScopeObjectLimit = 256;       // objects one export writes
inline constexpr std::size_t kExportScopeVertexLimit = 400000;    // vertices of an exportable object
inline constexpr std::size_t kExportScopeFaceLimit = 600000;      // faces of an exportable object
inline constexpr std::size_t kExportScopeFaceCornerLimit = 64;    // corners of a face written; longer ones are skipped

// Mesh or Text, effectively visible, 1..400000 vertices and 1..600000 faces.
bool objectWorldExportable(const Object& object);

// The active object when it is exportable; otherwise every exportable object
// of the open scene in scene order, at most 256. Pointers into the open
// project, valid until its object vector changes.
std::vector<const Object*> collectSelectedOrVisibleMeshes();

// 3..64 corners, all in [0, vertex count), at least 3 of them distinct.
bool objFaceExportable(const MeshData& mesh, const MeshFace& face);

}  // namespace vk
