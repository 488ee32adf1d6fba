// The studio's world is left-handed (x right, y up, z away from the viewer;
// cameras look along their local +z). OBJ and glTF are right-handed (glTF
// cameras look along -Z). Every exchange path crosses between the two here,
// by mirroring z. The mirror is its own inverse, so one call serves reading
// and writing alike and export followed by import gives back exactly what
// was exported.
#pragma once

#include <array>
#include <span>
#include <cstdint>
#include <vector>

#include "model/mesh_data.h"
#include "model/types.h"

namespace vk {

// Positions, normals and translations: (x, y, z) <-> (x, y, -z).
Vec3 exchangeMirrorPoint(const Vec3& p);
// A rotation quaternion (x, y, z, w) <-> (-x, -y, z, w).
std::array<double, 4> exchangeMirrorQuaternion(const std::array<double, 4>& q);
// Euler degrees in the model's order (Y, then X, then Z): (a, b, c) <-> (-a, -b, c).
Vec3 exchangeMirrorEuler(const Vec3& degrees);
// An affine 4x4 matrix (either storage order): M <-> S·M·S, S = diag(1, 1, -1, 1).
void exchangeMirrorMatrix(double m[16]);
// Position, rotation and scale together; scale is unchanged.
Transform exchangeMirrorTransform(const Transform& t);
// A mirror turns every face inside out: crossing it, each face's corner order
// is reversed after corner 0 (reverseWindingKeepFirst, model/mesh_data.h) so
// the face keeps its outward side.

}  // namespace vk
