// Which objects and faces the mesh exporters write. The OBJ export and the
// glTF/GLB export share these rules so that both write the same scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// The faces an export left out (`oversized` of the `skipped` were over the
// corner limit), by reason, those over the limit first: "1 face over 64
// corners and 2 faces with bad corners"; "" when none was.
std::wstring exportFacesLeftOutText(std::int64_t skipped, std::int64_t oversized);

// The status line of a `format` export that wrote its file but left faces
// out, in place of its counts ("●  GLB skips 1 face over 64 corners"); ""
// when none was.
std::wstring exportFacesLeftOutStatus(const std::wstring& format, std::int64_t skipped, std::int64_t oversized);

// The error of a build that found no face to write: `plain`, unless faces
// over the corner limit were left out, which it names with the limit.
std::wstring exportNoFacesError(const std::wstring& plain, const std::wstring& format, std::int64_t skipped,
                                std::int64_t oversized);

}  // namespace vk
