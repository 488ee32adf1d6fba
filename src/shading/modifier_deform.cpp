// The axis deformers: Bend, Twist and Taper rewrite the vertex positions of
// one preview element along a local axis and keep its faces.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "shading/modifiers.h"
#include "shading/shading_internal.h"

namespace vk {

namespace {

constexpr std::size_t kDeformVertexLimit = 40000;

// Component 0, 1 or 2 of a vector by axis letter.
double& component(Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }
double component(const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

int axisIndex(const std::wstring& axis) {
  const std::wstring sane = sanitizeAxis(axis);
  return sane == L"X" ? 0 : (sane == L"Z" ? 2 : 1);
}

bool deformable(const Object& element) {
  return meshDataRenderable(element) && element.meshData.vertices.size() <= kDeformVertexLimit;
}

// The low end and span of the stored bounds along the axis.
struct AxisExtent {
  double min = 0.0;
  double span = 0.0001;
  double t(double c) const { return (c - min) / span - 0.5; }
};

AxisExtent extentOf(const MeshData& mesh, int axis) {
  const double lo = component(mesh.boundsMin, axis);
  const double hi = component(mesh.boundsMax, axis);
  return {lo, std::max(hi - lo, 0.0001)};
}

void finishDeform(Object& element, const wchar_t* label) {
  element.mesh.primitive = label;
  rebuildMeshData(element);
}

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

}  // namespace

// A deform rebuilds every face of a mesh it takes.
std::size_t predictDeformFaces(const Object& element) { return deformable(element) ? element.meshData.faces.size() : 0; }

void applyModifierPreviewBend(Object& element, const std::wstring& axis, double angleDegrees) {
  if (!deformable(element)) return;
  const double a = std::clamp(finiteOr(angleDegrees, 0.0), -270.0, 270.0) * std::numbers::pi / 180.0;
  if (std::fabs(a) < 0.0001) return;
  const int along = axisIndex(axis);
  const int across = along == 2 ? 1 : 2;
  const AxisExtent extent = extentOf(element.meshData, along);
  const double magnitude = std::fabs(a);
  const double radius = std::clamp(extent.span / magnitude, 0.25 * extent.span, 12.0 * extent.span);
  const double sign = a < 0.0 ? -1.0 : 1.0;
  for (Vec3& v : element.meshData.vertices.write()) {
    const double theta = extent.t(component(v, along)) * magnitude;
    const double s = std::sin(theta) * radius;
    const double d = (1.0 - std::cos(theta)) * radius * sign;
    component(v, along) = s;
    component(v, across) += d;
  }
  finishDeform(element, L"Bend Preview Mesh");
}

void applyModifierPreviewTwist(Object& element, const std::wstring& axis, double angleDegrees) {
  if (!deformable(element)) return;
  const double a = std::clamp(finiteOr(angleDegrees, 0.0), -720.0, 720.0) * std::numbers::pi / 180.0;
  const int along = axisIndex(axis);
  // The pair turned across the axis: X turns (y, z), Y (x, z), Z (x, y).
  const int p = along == 0 ? 1 : 0;
  const int q = along == 2 ? 1 : 2;
  const AxisExtent extent = extentOf(element.meshData, along);
  for (Vec3& v : element.meshData.vertices.write()) {
    const double theta = extent.t(component(v, along)) * a;
    const double c = std::cos(theta), s = std::sin(theta);
    const double vp = component(v, p), vq = component(v, q);
    component(v, p) = vp * c - vq * s;
    component(v, q) = vp * s + vq * c;
  }
  finishDeform(element, L"Twist Preview Mesh");
}

void applyModifierPreviewTaper(Object& element, const std::wstring& axis, double strength) {
  if (!deformable(element)) return;
  const double k = std::clamp(finiteOr(strength, 0.0), -0.85, 1.5);
  const int along = axisIndex(axis);
  const int p = along == 0 ? 1 : 0;
  const int q = along == 2 ? 1 : 2;
  const AxisExtent extent = extentOf(element.meshData, along);
  for (Vec3& v : element.meshData.vertices.write()) {
    const double f = std::clamp(extent.t(component(v, along)) * k + 1.0, 0.08, 4.0);
    component(v, p) *= f;
    component(v, q) *= f;
  }
  finishDeform(element, L"Taper Preview Mesh");
}

}  // namespace vk
