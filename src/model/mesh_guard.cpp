#include "model/mesh_guard.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/mesh_data.h"
#include "model/services.h"

namespace vk {

bool meshVertexWithinLoadGuard(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::fabs(p.x) < 1e6 &&
         std::fabs(p.y) < 1e6 && std::fabs(p.z) < 1e6;
}

MeshGuardRule brokenMeshGuardRule(const MeshData& mesh, ObjectKind kind, std::wstring_view primitive) {
  if (kind != ObjectKind::Mesh && kind != ObjectKind::Text) return MeshGuardRule::None;
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  const std::vector<MeshFace>& faces = mesh.faces.read();
  // The user's own edits may leave loose vertices (or nothing); the rest of
  // a mesh without faces is a file's unusable one.
  const bool edited = primitive == kEditedMeshLabel;
  if ((vertices.empty() || faces.empty()) && !(edited && faces.empty())) return MeshGuardRule::NoGeometry;
  if (vertices.size() > kLoadGuardVertexLimit) return MeshGuardRule::VertexCount;
  if (faces.size() > kLoadGuardFaceLimit) return MeshGuardRule::FaceCount;
  for (const Vec3& p : vertices)
    if (!meshVertexWithinLoadGuard(p)) return MeshGuardRule::CoordinateRange;
  LoadGuardFaceRule faceRule(vertices.size());
  std::int64_t degenerate = 0;
  for (const MeshFace& face : faces) {
    if (face.materialIndex < 0 || face.materialIndex > 31 || !faceRule.keeps(face.indices))
      return MeshGuardRule::FaceShape;
    if (faceSpansNoArea(vertices, face.indices)) ++degenerate;
  }
  // Slivers guard against hostile files; a mesh the user edited down to
  // them is the user's own.
  const std::int64_t allowed = std::max<std::int64_t>(1, static_cast<std::int64_t>(faces.size()) / 2);
  if (!edited && degenerate > allowed) return MeshGuardRule::Degenerate;
  return MeshGuardRule::None;
}

MeshGuardRule brokenMeshGuardRule(const Object& object) {
  return brokenMeshGuardRule(object.meshData, object.kind, object.mesh.primitive);
}

bool meshGuardPermits(const MeshData& mesh, ObjectKind kind, std::wstring_view primitive) {
  const MeshGuardRule rule = brokenMeshGuardRule(mesh, kind, primitive);
  if (rule == MeshGuardRule::None) return true;
  setStatusText(meshGuardRefusal(rule));
  return false;
}

std::wstring meshGuardRefusal(MeshGuardRule rule) {
  switch (rule) {
    case MeshGuardRule::None: return {};
    case MeshGuardRule::NoGeometry: return L"●  Refused: a mesh needs a face";
    case MeshGuardRule::VertexCount: return L"●  Refused: vertex limit " + std::to_wstring(kLoadGuardVertexLimit);
    case MeshGuardRule::FaceCount: return L"●  Refused: face limit " + std::to_wstring(kLoadGuardFaceLimit);
    case MeshGuardRule::CoordinateRange: return L"●  Refused: coordinate limit 1e6";
    case MeshGuardRule::FaceShape:
      return L"●  Refused: 3-" + std::to_wstring(kMeshFaceCornerLimit) + L" corners a face";
    case MeshGuardRule::Degenerate: return L"●  Refused: most faces have no area";
  }
  return {};
}

std::wstring meshGuardRuleDetail(MeshGuardRule rule) {
  switch (rule) {
    case MeshGuardRule::None: return {};
    case MeshGuardRule::NoGeometry: return L"it has no vertex or no face";
    case MeshGuardRule::VertexCount:
      return L"it has more than " + std::to_wstring(kLoadGuardVertexLimit) + L" vertices";
    case MeshGuardRule::FaceCount: return L"it has more than " + std::to_wstring(kLoadGuardFaceLimit) + L" faces";
    case MeshGuardRule::CoordinateRange:
      return L"a vertex coordinate is not finite or reaches 1e6 (1,000,000) in magnitude";
    case MeshGuardRule::FaceShape:
      return L"a face has fewer than 3 or more than " + std::to_wstring(kMeshFaceCornerLimit) +
             L" corners, a corner out of range or twice, or a material index outside 0 to 31";
    case MeshGuardRule::Degenerate: return L"more than half of its faces have no area";
  }
  return {};
}

}  // namespace vk
