// The rules the project-load guard holds a stored Mesh or Text to. A mesh
// that breaks one does not reopen as it was saved (the guard rebuilds it
// from its primitive, or drops faces), so the loader repairs by them and
// every command that writes vertices or faces refuses a result that breaks
// one, before it changes anything.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/types.h"

namespace vk {

// In the order the guard tests them; the first one broken is reported.
enum class MeshGuardRule : std::uint8_t {
  None,             // reopens as it is
  NoGeometry,       // no vertex or no face (an edited mesh may keep loose vertices, or nothing)
  VertexCount,      // more than kLoadGuardVertexLimit vertices
  FaceCount,        // more than kLoadGuardFaceLimit faces
  CoordinateRange,  // a coordinate that is not finite or of magnitude 1e6 or more
  FaceShape,        // a face the guard drops (LoadGuardFaceRule) or a material index outside 0..31
  Degenerate,       // more than max(1, faces / 2) faces without area, on a mesh the user did not edit
};

// Every coordinate finite and of magnitude below 1e6. Importers keep to it
// so that what they make opens again as made.
bool meshVertexWithinLoadGuard(const Vec3& point);

// The first rule `mesh` breaks as the mesh of an object of `kind` labelled
// `primitive`; None for kinds other than Mesh and Text. Reads only the
// stored vertices and faces: the derived fields need not be current.
MeshGuardRule brokenMeshGuardRule(const MeshData& mesh, ObjectKind kind, std::wstring_view primitive);
MeshGuardRule brokenMeshGuardRule(const Object& object);

// A command's check of its result before it changes anything: true when
// `mesh`, held as `primitive`, breaks no rule; otherwise the status line
// names the limit and the result is false.
bool meshGuardPermits(const MeshData& mesh, ObjectKind kind, std::wstring_view primitive);

// The status line of a command refused for `rule`, naming the limit (short
// enough for the status line); empty for None.
std::wstring meshGuardRefusal(MeshGuardRule rule);
// What the rule asks of a mesh, for the longer texts of a message box.
std::wstring meshGuardRuleDetail(MeshGuardRule rule);
// Every rule that can be broken, for the texts' tests.
inline constexpr MeshGuardRule kBreakableMeshGuardRules[] = {
    MeshGuardRule::NoGeometry,      MeshGuardRule::VertexCount, MeshGuardRule::FaceCount,
    MeshGuardRule::CoordinateRange, MeshGuardRule::FaceShape,   MeshGuardRule::Degenerate};

// The status of a component drag held at its last position within the
// coordinate rule.
inline constexpr wchar_t kDragHeldAtCoordinateLimit[] = L"●  Drag stopped at coordinate 1e6";

}  // namespace vk
