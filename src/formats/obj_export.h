// Wavefront OBJ export: world-space positions and polygon faces of the
// export scope (export_scope.h), nothing else, in OBJ's right-handed axes
// (exchange_axes.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/obj_import.h"
#include "model/types.h"

namespace vk {

// ---- limits ---------------------------------------------------------------
// Past any of them the export is refused and nothing is written.
inline constexpr std::int32_t kObjExportVertexLimit = 200000;  // vertices of all objects
inline constexpr std::int32_t kObjExportFaceLimit = 200000;    // faces of all objects
inline constexpr std::size_t kObjExportByteLimit = 50331648;   // the text written, 48 MiB

struct ObjExportCounts {
  std::int32_t objects = 0;
  std::int32_t vertices = 0;
  std::int32_t faces = 0;
  std::int32_t skippedFaces = 0;
  std::int32_t oversizedFaces = 0;  // of the skipped ones, those over kExportScopeFaceCornerLimit corners
};

// ASCII name of [-.0-9A-Z_a-z], other characters collapsed to one '_' (none
// leading or trailing), at most 96 characters; `fallback` when empty.
std::string objSafeObjectName(const std::wstring& text, const char* fallback);

// The whole OBJ text of the scope, or "" with `error` set when a budget
// blocks it or no face could be written. Counts are reset on entry.
std::string buildObjExportText(const std::vector<const Object*>& scope, ObjExportCounts& counts, std::wstring& error);

// The status line of an export that left faces out, counted by reason, those
// over the corner limit first so that the 240-pixel line shows them; "" when
// none was.
std::wstring objExportFacesLeftOutStatus(const ObjExportCounts& counts);

// kCmdExportObj.
void exportObj();

}  // namespace vk
