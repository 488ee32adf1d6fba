#include "formats/export_scope.h"

#include <utility>

#include "model/app_state.h"
#include "model/hierarchy.h"

namespace vk {

bool objectWorldExportable(const Object& object) {
  if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) return false;
  if (!isEffectivelyVisible(object)) return false;
  const std::size_t vertices = object.meshData.vertices.read().size();
  const std::size_t faces = object.meshData.faces.read().size();
  return vertices >= 1 && faces >= 1 && vertices <= kExportScopeVertexLimit &&
         faces <= kExportScopeFaceLimit;
}

std::vector<const Object*> collectSelectedOrVisibleMeshes() {
  std::vector<const Object*> scope;
  const Object* active = findObjectById(std::as_const(appState().project.scene), appState().selectedObjectId);
  if (active != nullptr && objectWorldExportable(*active)) {
    scope.push_back(active);
    return scope;
  }
  for (const Object& object : std::as_const(appState().project.scene).objects) {
    if (scope.size() >= kExportScopeObjectLimit) break;
    if (objectWorldExportable(object)) scope.push_back(&object);
  }
  return scope;
}

bool objFaceExportable(const MeshData& mesh, const MeshFace& face) {
  const CornerList& indices = face.indices;
  if (indices.size() < 3 || indices.size() > kExportScopeFaceCornerLimit) return false;
  const std::size_t vertexCount = mesh.vertices.read().size();
  for (std::int32_t index : indices) {
    if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) return false;
  }
  // Three distinct values are enough; at most 64 corners keep this quadratic scan cheap.
  std::int32_t distinct[3] = {};
  std::size_t found = 0;
  for (std::int32_t index : indices) {
    bool seen = false;
    for (std::size_t k = 0; k < found; ++k) seen = seen || distinct[k] == index;
    if (!seen) {
      distinct[found++] = index;
      if (found == 3) return true;
    }
  }
  return false;
}

std::wstring exportFacesLeftOutText(std::int64_t skipped, std::int64_t oversized) {
  const auto faces = [](std::int64_t n) { return std::to_wstring(n) + (n == 1 ? L" face" : L" faces"); };
  const std::int64_t other = skipped - oversized;
  std::wstring text;
  if (oversized > 0) text = faces(oversized) + L" over " + std::to_wstring(kExportScopeFaceCornerLimit) + L" corners";
  if (other > 0) text += (text.empty() ? L"" : L" and ") + faces(other) + L" with bad corners";
  return text;
}

std::wstring exportFacesLeftOutStatus(const std::wstring& format, std::int64_t skipped, std::int64_t oversized) {
  const std::wstring text = exportFacesLeftOutText(skipped, oversized);
  return text.empty() ? text : L"●  " + format + L" skips " + text;
}

std::wstring exportNoFacesError(const std::wstring& plain, const std::wstring& format, std::int64_t skipped,
                                std::int64_t oversized) {
  // Fill makes faces of up to 128 corners: the user needs the limit, not "no valid faces".
  if (oversized <= 0) return plain;
  const std::wstring limit = std::to_wstring(kExportScopeFaceCornerLimit);
  return format + L" export failed: no valid face of 3 to " + limit + L" corners to write, only " +
         exportFacesLeftOutText(skipped, oversized) + L".";
}

}  // namespace vk
