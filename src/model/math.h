// Vector, transform and camera math shared by every geometric part of the
// studio. Rotations are Euler degrees applied about Y, then X, then Z
// (v' = Rz Rx Ry v); a camera looks along its local +Z axis.
#pragma once

#include <cmath>
#include <string>

#include "model/types.h"

namespace vk {

inline constexpr double kPi = 3.141592653589793;

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, const Vec3& a) { return a * s; }
inline Vec3 operator/(const Vec3& a, double s) { return {a.x / s, a.y / s, a.z / s}; }
inline Vec3& operator+=(Vec3& a, const Vec3& b) { return a = a + b; }
inline Vec3& operator-=(Vec3& a, const Vec3& b) { return a = a - b; }
inline double vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 vec3Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double vec3Length(const Vec3& a) { return std::sqrt(vec3Dot(a, a)); }
// Component-wise std::min / std::max (a NaN in `b` leaves `a`'s component).
inline Vec3 vec3Min(const Vec3& a, const Vec3& b) {
  return {b.x < a.x ? b.x : a.x, b.y < a.y ? b.y : a.y, b.z < a.z ? b.z : a.z};
}
inline Vec3 vec3Max(const Vec3& a, const Vec3& b) {
  return {a.x < b.x ? b.x : a.x, a.y < b.y ? b.y : a.y, a.z < b.z ? b.z : a.z};
}
inline double degreesToRadians(double degrees) { return degrees * kPi / 180.0; }
// Clamp that keeps NaN, like every clamp of the model.
inline double clampKeepNan(double value, double lo, double hi) {
  if (value > hi) return hi;
  if (value < lo) return lo;
  return value;
}

// Rotates v by the Euler angles (degrees) of `rotation`: Y first, then X, then Z.
Vec3 rotateEulerDegrees(const Vec3& v, const Vec3& rotation);
// Exact inverse of rotateEulerDegrees: -Z, then -X, then -Y.
Vec3 inverseRotateEuler(const Vec3& v, const Vec3& rotation);
// position + R(scale * local); parent links play no part.
Vec3 objectWorldPoint(const Object& object, const Vec3& local);
// v / |v|, or (0, 1, 0) when |v| <= 1e-6.
Vec3 vec3Normalize(const Vec3& v);
// Unit direction from the mesh centroid to `point` (object space); (0, 1, 0)
// when they are within 1e-6 of each other.
Vec3 safeDirectionTo(const MeshData& mesh, const Vec3& point);
// Whether the camera object sees the world point; `margin` widens the frustum
// (1.08 for the "in camera" tests). Near, far, fov and aspect are clamped.
bool pointVisibleToCamera(const Object& camera, const Vec3& point, double margin);
// Effectively visible and its position, bounds centre or a bounds corner is
// inside the camera's frustum widened by 8 percent. Reads the global scene.
bool objectVisibleInCamera(const Object& camera, const Object& object);
// "Camera" or "ActiveCamera", exactly.
bool renderSourceIsCamera(const std::wstring& source);
// x - floor(x) clamped to [0, 0.999999]: texture-coordinate wrap.
double fractionalPart(double x);

}  // namespace vk
