#include "model/primitives.h"

#include <cmath>
#include <initializer_list>

#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {

namespace {

void appendFace(std::vector<MeshFace>& faces, std::vector<std::int32_t> indices, std::int32_t material = 0) {
  MeshFace face;
  face.indices = std::move(indices);
  face.materialIndex = material;
  faces.push_back(std::move(face));
}

// Every face's normal ((p1 - p0) x (p2 - p0)) points out of the solid. The
// index lists below are the long-standing ones, which several faces wind
// toward the centre; those are appended turned over after corner 0, so each
// face keeps its place and its first corner.
void appendTurnedFace(std::vector<MeshFace>& faces, std::vector<std::int32_t> indices) {
  appendFace(faces, std::move(indices));
  reverseWindingKeepFirst(faces.back());
}

double segmentAngle(int segment, int count) { return segment * 2.0 * kPi / count; }

// A ring of `count` points of radius `radius` at height `y` on the XZ plane.
void appendRing(std::vector<Vec3>& vertices, int count, double radius, double y) {
  for (int s = 0; s < count; ++s) {
    double t = segmentAngle(s, count);
    vertices.push_back({std::cos(t) * radius, y, std::sin(t) * radius});
  }
}

void buildPlane(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  v = {{-0.8, 0, -0.8}, {0.8, 0, -0.8}, {0.8, 0, 0.8}, {-0.8, 0, 0.8}};
  appendTurnedFace(f, {0, 1, 2, 3});  // faces +Y
}

void buildSphere(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  constexpr int kRings = 5, kSegments = 12;
  constexpr double kRadius = 0.72;
  v.push_back({0, kRadius, 0});
  for (int i = 1; i <= kRings; ++i) {
    double phi = static_cast<double>(i) / 6.0 * kPi;
    appendRing(v, kSegments, std::sin(phi) * kRadius, std::cos(phi) * kRadius);
  }
  const std::int32_t bottom = 1 + kRings * kSegments;
  v.push_back({0, -kRadius, 0});
  auto ring = [](int i, int s) { return 1 + (i - 1) * kSegments + s % kSegments; };
  for (int s = 0; s < kSegments; ++s) appendTurnedFace(f, {0, ring(1, s), ring(1, s + 1)});
  for (int i = 1; i < kRings; ++i) {
    for (int s = 0; s < kSegments; ++s) {
      appendFace(f, {ring(i, s), ring(i, s + 1), ring(i + 1, s + 1), ring(i + 1, s)});
    }
  }
  for (int s = 0; s < kSegments; ++s) appendTurnedFace(f, {ring(kRings, s + 1), ring(kRings, s), bottom});
}

// The descending cap (n-1, ..., 0) shared by the cylinder and the cone.
std::vector<std::int32_t> descendingRing(int n) {
  std::vector<std::int32_t> cap;
  for (int i = n - 1; i >= 0; --i) cap.push_back(i);
  return cap;
}

void buildCylinder(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  constexpr int n = 18;
  appendRing(v, n, 0.5, -0.55);
  appendRing(v, n, 0.5, 0.55);
  appendTurnedFace(f, descendingRing(n));
  std::vector<std::int32_t> top;
  for (int i = n; i < 2 * n; ++i) top.push_back(i);
  appendTurnedFace(f, std::move(top));
  for (int i = 0; i < n; ++i) {
    int next = (i + 1) % n;
    appendTurnedFace(f, {i, next, next + n, i + n});
  }
}

void buildCone(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  constexpr int n = 18;
  appendRing(v, n, 0.5, -0.55);
  v.push_back({0, 0.72, 0});
  appendTurnedFace(f, descendingRing(n));
  for (int i = 0; i < n; ++i) appendTurnedFace(f, {i, (i + 1) % n, n});
}

void buildTorus(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  constexpr int kMajor = 16, kMinor = 8;
  for (int i = 0; i < kMajor; ++i) {
    double a = i * 2.0 * kPi * 0.0625;
    for (int j = 0; j < kMinor; ++j) {
      double b = j * 2.0 * kPi * 0.125;
      double w = 0.55 + std::cos(b) * 0.18;
      v.push_back({w * std::cos(a), std::sin(b) * 0.18, w * std::sin(a)});
    }
  }
  for (int i = 0; i < kMajor; ++i) {
    int i2 = (i + 1) % kMajor;
    for (int j = 0; j < kMinor; ++j) {
      int j2 = (j + 1) % kMinor;
      appendTurnedFace(f, {i * kMinor + j, i2 * kMinor + j, i2 * kMinor + j2, i * kMinor + j2});
    }
  }
}

void buildCube(std::vector<Vec3>& v, std::vector<MeshFace>& f) {
  v = {{-0.5, -0.5, -0.5}, {0.5, -0.5, -0.5}, {0.5, 0.5, -0.5}, {-0.5, 0.5, -0.5},
       {-0.5, -0.5, 0.5},  {0.5, -0.5, 0.5},  {0.5, 0.5, 0.5},  {-0.5, 0.5, 0.5}};
  for (auto face : {std::vector<std::int32_t>{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                    {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}}) {
    appendTurnedFace(f, std::move(face));
  }
}

}  // namespace

MeshData createMeshDataForObject(const std::wstring& primitive) {
  MeshData mesh;
  if (primitive == L"Group" || primitive == L"Empty") {
    mesh.validation = L"Non-mesh object uses placeholder-only mesh metadata";
    return mesh;
  }
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  if (primitive == L"Plane" || primitive == L"Text") {
    buildPlane(vertices, faces);
  } else if (primitive == L"Sphere") {
    buildSphere(vertices, faces);
  } else if (primitive == L"Cylinder") {
    buildCylinder(vertices, faces);
  } else if (primitive == L"Cone") {
    buildCone(vertices, faces);
  } else if (primitive == L"Torus") {
    buildTorus(vertices, faces);
  } else {
    buildCube(vertices, faces);
  }
  mesh.vertices = std::move(vertices);
  mesh.faces = std::move(faces);
  generateEdgeList(mesh);
  return mesh;
}

}  // namespace vk
