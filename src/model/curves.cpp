#include "model/curves.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/math.h"
#include "model/text_utils.h"

namespace vk {

namespace {

CurvePoint curvePoint(Vec3 position, Vec3 handleIn, Vec3 handleOut, const wchar_t* handleType) {
  return CurvePoint{position, handleIn, handleOut, handleType};
}

void appendCircleSamples(const CurveData& curve, std::vector<Vec3>& samples) {
  Vec3 centre;
  for (const CurvePoint& p : curve.points) centre += p.position;
  centre = centre / static_cast<double>(curve.points.size());
  double rx = 0.1, ry = 0.1;
  for (const CurvePoint& p : curve.points) {
    rx = std::max(rx, std::abs(p.position.x - centre.x));
    ry = std::max(ry, std::abs(p.position.y - centre.y));
  }
  const int count = std::clamp(2 * curve.resolution, 12, 128);
  for (int i = 0; i < count; ++i) {
    double a = i * 2.0 * kPi / count;
    samples.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a), centre.z});
  }
}

Vec3 cubicBezier(const Vec3& p0, const Vec3& c0, const Vec3& c1, const Vec3& p1, double t) {
  double u = 1.0 - t;
  return p0 * (u * u * u) + c0 * (3.0 * u * u * t) + c1 * (3.0 * u * t * t) + p1 * (t * t * t);
}

void appendSegmentSamples(const CurveData& curve, std::vector<Vec3>& samples) {
  const std::vector<CurvePoint>& points = curve.points;
  const std::size_t n = points.size();
  const std::size_t segments = (curve.closed && n >= 3) ? n : n - 1;
  for (std::size_t seg = 0; seg < segments; ++seg) {
    const CurvePoint& a = points[seg];
    const CurvePoint& b = points[(seg + 1) % n];
    // Shared end points appear once: every segment after the first skips its start.
    const int firstSample = seg == 0 ? 0 : 1;
    if (curve.type == L"Bezier" || a.handleType == L"Bezier" || b.handleType == L"Bezier") {
      const Vec3 c0 = a.position + a.handleOut;
      const Vec3 c1 = b.position + b.handleIn;
      for (int s = firstSample; s <= curve.resolution; ++s) {
        double t = static_cast<double>(s) / curve.resolution;
        samples.push_back(cubicBezier(a.position, c0, c1, b.position, t));
      }
    } else {
      if (firstSample == 0) samples.push_back(a.position);
      samples.push_back(b.position);
    }
  }
}

}  // namespace

CurveData createCurveData(const std::wstring& type) {
  CurveData curve;
  if (type == L"Bezier") {
    curve.type = L"Bezier";
    curve.points = {curvePoint({-0.8, 0, 0}, {-0.3, 0, 0}, {0.3, 0.45, 0}, L"Bezier"),
                    curvePoint({0.8, 0, 0}, {-0.3, -0.45, 0}, {0.3, 0, 0}, L"Bezier")};
  } else if (type == L"Circle") {
    curve.type = L"Circle";
    curve.closed = true;
    curve.resolution = 32;
    curve.points = {curvePoint({0.7, 0, 0}, {0, -0.35, 0}, {0, 0.35, 0}, L"Auto"),
                    curvePoint({0, 0.7, 0}, {0.35, 0, 0}, {-0.35, 0, 0}, L"Auto"),
                    curvePoint({-0.7, 0, 0}, {0, 0.35, 0}, {0, -0.35, 0}, L"Auto"),
                    curvePoint({0, -0.7, 0}, {-0.35, 0, 0}, {0.35, 0, 0}, L"Auto")};
  } else if (type == L"Rectangle") {
    curve.type = L"Rectangle";
    curve.closed = true;
    for (Vec3 corner : {Vec3{-0.75, -0.45, 0}, Vec3{0.75, -0.45, 0}, Vec3{0.75, 0.45, 0}, Vec3{-0.75, 0.45, 0}}) {
      curve.points.push_back(curvePoint(corner, {}, {}, L"Corner"));
    }
  } else {
    curve.type = L"Line";
    curve.points = {curvePoint({-0.75, 0, 0}, {-0.25, 0, 0}, {0.25, 0, 0}, L"Linear"),
                    curvePoint({0.75, 0, 0}, {-0.25, 0, 0}, {0.25, 0, 0}, L"Linear")};
  }
  return curve;
}

void initCurveData(Object& object, const std::wstring& type) {
  object.curveData = createCurveData(type);
  rebuildCurveData(object);
}

void rebuildCurveData(Object& object) {
  CurveData& curve = object.curveData;
  curve.tessellated.clear();
  curve.hasBounds = false;
  if (object.kind != ObjectKind::Curve || curve.points.empty()) {
    curve.summary = L"No curve data";
    return;
  }
  if (curve.points.size() > kCurvePointLimit) curve.points.resize(kCurvePointLimit);
  curve.resolution = std::clamp(curve.resolution, 2, 64);

  std::vector<Vec3> samples;
  if (curve.type == L"Circle" && curve.points.size() >= 2) {
    appendCircleSamples(curve, samples);
  } else {
    appendSegmentSamples(curve, samples);
  }
  if (samples.empty()) {
    for (const CurvePoint& p : curve.points) samples.push_back(p.position);
  }

  Vec3 lo = samples.front(), hi = samples.front();
  for (const Vec3& s : samples) {
    lo = vec3Min(lo, s);
    hi = vec3Max(hi, s);
  }
  curve.boundsMin = lo;
  curve.boundsMax = hi;
  curve.hasBounds = true;

  std::wstring summary = L"CurveData v1 | " + curve.type + L" | points " + std::to_wstring(curve.points.size()) +
                         L" | tessellated " + std::to_wstring(samples.size()) + L" | " +
                         (curve.closed ? L"closed" : L"open") + L" | resolution " +
                         std::to_wstring(curve.resolution);
  if (curve.bevelRadius > 0.0) summary += L" | bevel " + fixedDecimals(curve.bevelRadius, 2);
  curve.summary = std::move(summary);
  curve.tessellated = std::move(samples);
}

bool buildMeshFromCurve(const Object& curveObject, MeshData& mesh) {
  mesh = MeshData{};
  const CurveData& curve = curveObject.curveData;
  const std::vector<Vec3>& samples = curve.tessellated.read();
  const std::size_t n = samples.size();
  if (n < 2) return false;

  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  if (curve.closed && n > 2) {
    vertices = samples;
    MeshFace face;
    for (std::size_t i = 0; i < n; ++i) face.indices.push_back(static_cast<std::int32_t>(i));
    faces.push_back(std::move(face));
  } else {
    const double halfWidth = std::max(curve.bevelRadius > 0.0 ? curve.bevelRadius : 0.035, 0.035);
    vertices.reserve(2 * n);
    for (const Vec3& p : samples) {
      vertices.push_back({p.x, p.y + halfWidth, p.z});
      vertices.push_back({p.x, p.y - halfWidth, p.z});
    }
    for (std::int32_t i = 0; i + 1 < static_cast<std::int32_t>(n); ++i) {
      MeshFace quad;
      quad.indices = {2 * i, 2 * i + 1, 2 * i + 3, 2 * i + 2};
      faces.push_back(std::move(quad));
    }
  }
  const bool built = !vertices.empty() && !faces.empty();
  mesh.vertices = std::move(vertices);
  mesh.faces = std::move(faces);
  return built;
}

}  // namespace vk
