#include "model/math.h"

#include <algorithm>

#include "model/hierarchy.h"
#include "model/mesh_data.h"

namespace vk {

namespace {

Vec3 rotateAboutY(const Vec3& v, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {v.x * c + v.z * s, v.y, v.z * c - v.x * s};
}
Vec3 rotateAboutX(const Vec3& v, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {v.x, v.y * c - v.z * s, v.z * c + v.y * s};
}
Vec3 rotateAboutZ(const Vec3& v, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {v.x * c - v.y * s, v.y * c + v.x * s, v.z};
}

}  // namespace

Vec3 rotateEulerDegrees(const Vec3& v, const Vec3& rotation) {
  Vec3 r = rotateAboutY(v, degreesToRadians(rotation.y));
  r = rotateAboutX(r, degreesToRadians(rotation.x));
  return rotateAboutZ(r, degreesToRadians(rotation.z));
}

Vec3 inverseRotateEuler(const Vec3& v, const Vec3& rotation) {
  Vec3 r = rotateAboutZ(v, -degreesToRadians(rotation.z));
  r = rotateAboutX(r, -degreesToRadians(rotation.x));
  return rotateAboutY(r, -degreesToRadians(rotation.y));
}

Vec3 objectWorldPoint(const Object& object, const Vec3& local) {
  const Transform& t = object.transform;
  Vec3 scaled{local.x * t.scale.x, local.y * t.scale.y, local.z * t.scale.z};
  return t.position + rotateEulerDegrees(scaled, t.rotation);
}

Vec3 vec3Normalize(const Vec3& v) {
  double length = vec3Length(v);
  if (length <= 1e-6) return {0.0, 1.0, 0.0};
  return v / length;
}

Vec3 safeDirectionTo(const MeshData& mesh, const Vec3& point) {
  Vec3 d = point - meshCentroid(mesh);
  double length = vec3Length(d);
  if (length <= 1e-6) return {0.0, 1.0, 0.0};
  return d / length;
}

bool pointVisibleToCamera(const Object& camera, const Vec3& point, double margin) {
  Vec3 local = inverseRotateEuler(point - camera.transform.position, camera.transform.rotation);
  const CameraSettings& settings = camera.camera;
  double nearClip = clampKeepNan(settings.nearClip, 0.001, 1000.0);
  double farClip = settings.farClip;
  if (farClip > 100000.0) {
    farClip = 100000.0;
  } else if (farClip < nearClip + 0.01) {
    farClip = nearClip + 0.01;
  }
  if (local.z < nearClip || local.z > farClip) return false;
  double fov = clampKeepNan(settings.fov, 1.0, 179.0);
  double halfHeight = std::tan(degreesToRadians(fov) / 2.0) * local.z * margin;
  double halfWidth = halfHeight * clampKeepNan(settings.aspect, 0.25, 4.0);
  return std::abs(local.x) <= halfWidth && std::abs(local.y) <= halfHeight;
}

bool objectVisibleInCamera(const Object& camera, const Object& object) {
  constexpr double kMargin = 1.08;
  if (!isEffectivelyVisible(object)) return false;
  if (pointVisibleToCamera(camera, object.transform.position, kMargin)) return true;
  if (!meshDataRenderable(object)) return false;
  const Vec3& lo = object.meshData.boundsMin;
  const Vec3& hi = object.meshData.boundsMax;
  if (pointVisibleToCamera(camera, objectWorldPoint(object, (lo + hi) * 0.5), kMargin)) return true;
  for (int corner = 0; corner < 8; ++corner) {
    Vec3 p{(corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y, (corner & 4) ? hi.z : lo.z};
    if (pointVisibleToCamera(camera, objectWorldPoint(object, p), kMargin)) return true;
  }
  return false;
}

bool renderSourceIsCamera(const std::wstring& source) {
  return source == L"Camera" || source == L"ActiveCamera";
}

double fractionalPart(double x) {
  double f = x - std::floor(x);
  if (f < 0.0) f += 1.0;
  return clampKeepNan(f, 0.0, 0.999999);
}

}  // namespace vk
