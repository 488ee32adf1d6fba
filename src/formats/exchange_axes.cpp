#include "formats/exchange_axes.h"

namespace vk {

// Negation as 0 - v: a zero stays +0, so files never show "-0".
Vec3 exchangeMirrorPoint(const Vec3& p) { return {p.x, p.y, 0.0 - p.z}; }

std::array<double, 4> exchangeMirrorQuaternion(const std::array<double, 4>& q) {
  return {0.0 - q[0], 0.0 - q[1], q[2], q[3]};
}

Vec3 exchangeMirrorEuler(const Vec3& degrees) { return {0.0 - degrees.x, 0.0 - degrees.y, degrees.z}; }

void exchangeMirrorMatrix(double m[16]) {
  // S·M·S negates row 2 and column 2 once each; their shared element twice.
  for (int k = 0; k < 4; ++k) {
    m[2 * 4 + k] = 0.0 - m[2 * 4 + k];
    m[k * 4 + 2] = 0.0 - m[k * 4 + 2];
  }
}

Transform exchangeMirrorTransform(const Transform& t) {
  Transform out = t;
  out.position = exchangeMirrorPoint(t.position);
  out.rotation = exchangeMirrorEuler(t.rotation);
  return out;
}

}  // namespace vk
