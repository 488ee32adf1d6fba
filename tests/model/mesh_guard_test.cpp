// The load guard's mesh rules: each at its boundary, and the loader's guard
// keeping a mesh exactly as stored precisely when no rule is broken.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/sanitize.h"

namespace vk {
namespace {

MeshFace face(std::vector<std::int32_t> indices, std::int32_t material = 0) {
  MeshFace f;
  f.indices = std::move(indices);
  f.materialIndex = material;
  return f;
}

// A strip of unit quads along x, `count` of them.
MeshData strip(std::size_t count) {
  MeshData mesh;
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  for (std::size_t i = 0; i <= count; ++i) {
    vertices.push_back({static_cast<double>(i), 0, 0});
    vertices.push_back({static_cast<double>(i), 1, 0});
  }
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i)
    faces.push_back(face({2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}));
  mesh.vertices = std::move(vertices);
  mesh.faces = std::move(faces);
  return mesh;
}

MeshGuardRule ruleOf(const MeshData& mesh, const wchar_t* primitive = L"Cube") {
  return brokenMeshGuardRule(mesh, ObjectKind::Mesh, primitive);
}

TEST(MeshGuardRules, EachRuleAtItsBoundary) {
  EXPECT_EQ(ruleOf(strip(3)), MeshGuardRule::None);

  // Coordinates: below 1e6 in magnitude and finite, on any axis.
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double justBelow = std::nextafter(1e6, 0.0);
  for (int axis = 0; axis < 3; ++axis) {
    for (const double value : {justBelow, -justBelow, 1e6, -1e6, nan, inf, -inf}) {
      MeshData mesh = strip(2);
      Vec3& p = mesh.vertices.write()[3];
      (axis == 0 ? p.x : axis == 1 ? p.y : p.z) = value;
      const bool within = std::fabs(value) < 1e6;
      EXPECT_EQ(ruleOf(mesh), within ? MeshGuardRule::None : MeshGuardRule::CoordinateRange) << axis << " " << value;
      EXPECT_EQ(meshVertexWithinLoadGuard(p), within);
    }
  }

  // Counts: the limits themselves are kept.
  MeshData many = strip(1);
  many.vertices.write().resize(kLoadGuardVertexLimit);
  EXPECT_EQ(ruleOf(many), MeshGuardRule::None);
  many.vertices.write().push_back({});
  EXPECT_EQ(ruleOf(many), MeshGuardRule::VertexCount);
  MeshData crowded = strip(1);
  crowded.faces.write().resize(kLoadGuardFaceLimit, face({0, 1, 3}));
  EXPECT_EQ(ruleOf(crowded), MeshGuardRule::None);
  crowded.faces.write().push_back(face({0, 1, 3}));
  EXPECT_EQ(ruleOf(crowded), MeshGuardRule::FaceCount);

  // Faces: 3 to 128 distinct in-range corners, material 0..31.
  MeshData longest = strip(70);
  std::vector<std::int32_t> ring;
  for (std::int32_t i = 0; i < 128; ++i) ring.push_back(i);
  longest.faces.write().push_back(face(ring));
  EXPECT_EQ(ruleOf(longest), MeshGuardRule::None);
  ring.push_back(128);
  longest.faces.write().back() = face(ring);
  EXPECT_EQ(ruleOf(longest), MeshGuardRule::FaceShape);
  for (const MeshFace& bad : {face({0, 1}), face({0, 1, 1, 2}), face({0, 1, 8}), face({0, -1, 2}), face({0, 1, 3}, 32),
                              face({0, 1, 3}, -1)}) {
    MeshData mesh = strip(3);
    mesh.faces.write().push_back(bad);
    EXPECT_EQ(ruleOf(mesh), MeshGuardRule::FaceShape) << bad.indices.size() << " corners";
  }
  MeshData lastSlot = strip(3);
  lastSlot.faces.write()[0].materialIndex = 31;
  EXPECT_EQ(ruleOf(lastSlot), MeshGuardRule::None);
}

TEST(MeshGuardRules, DegenerateFacesAndFacelessMeshesDependOnWhoMadeThem) {
  // Faces through three points on a line: up to half the faces may be such.
  MeshData mesh = strip(4);
  std::vector<Vec3>& points = mesh.vertices.write();
  const auto a = static_cast<std::int32_t>(points.size());
  points.insert(points.end(), {{10, 0, 0}, {11, 0, 0}, {12, 0, 0}});
  const MeshFace flat[] = {face({a, a + 1, a + 2}), face({a + 1, a + 2, a}), face({a + 2, a, a + 1}),
                           face({a, a + 2, a + 1}), face({a + 1, a, a + 2})};
  for (int n = 1; n <= 5; ++n) {
    mesh.faces.write().push_back(flat[n - 1]);
    const bool tooMany = n > (4 + n) / 2;
    EXPECT_EQ(ruleOf(mesh), tooMany ? MeshGuardRule::Degenerate : MeshGuardRule::None) << n << " of " << 4 + n;
    EXPECT_EQ(ruleOf(mesh, kEditedMeshLabel), MeshGuardRule::None);
  }

  // Without faces: only a mesh the user edited keeps its loose vertices (or nothing).
  MeshData loose = strip(2);
  loose.faces = std::vector<MeshFace>{};
  EXPECT_EQ(ruleOf(loose), MeshGuardRule::NoGeometry);
  EXPECT_EQ(ruleOf(loose, kEditedMeshLabel), MeshGuardRule::None);
  EXPECT_EQ(ruleOf(MeshData{}, kEditedMeshLabel), MeshGuardRule::None);
  MeshData facesOnly;
  facesOnly.faces = std::vector<MeshFace>{face({0, 1, 2})};
  EXPECT_EQ(ruleOf(facesOnly, kEditedMeshLabel), MeshGuardRule::NoGeometry);

  // Other kinds carry no stored mesh to guard.
  EXPECT_EQ(brokenMeshGuardRule(MeshData{}, ObjectKind::Camera, L"Cube"), MeshGuardRule::None);
  EXPECT_EQ(brokenMeshGuardRule(MeshData{}, ObjectKind::Text, L"Text"), MeshGuardRule::NoGeometry);
}

// The loader's guard and the rules are one: a random mesh comes back from
// the guard exactly as stored when no rule is broken, and changed (faces
// dropped, or rebuilt from its primitive) when one is.
TEST(MeshGuardRules, TheLoaderKeepsAMeshAsStoredExactlyWhenNoRuleIsBroken) {
  std::mt19937 random(44);
  std::uniform_real_distribution<double> coordinate(-5, 5);
  int kept = 0, changed = 0;
  for (int round = 0; round < 400; ++round) {
    Object object;
    object.mesh.primitive = round % 3 == 0 ? kEditedMeshLabel : L"Sphere";
    const auto vertexCount = std::uniform_int_distribution<std::int32_t>(0, 40)(random);
    std::vector<Vec3> vertices;
    for (std::int32_t v = 0; v < vertexCount; ++v) vertices.push_back({coordinate(random), coordinate(random), 0});
    // Some points on a line, so faces through them have no area.
    for (Vec3& p : vertices)
      if (std::bernoulli_distribution(0.3)(random)) p = {std::round(p.x), 0, 0};
    if (vertexCount > 0 && std::bernoulli_distribution(0.05)(random)) vertices[0].z = 1e6;
    std::vector<MeshFace> faces;
    const int faceCount = std::uniform_int_distribution<int>(0, 6)(random);
    for (int f = 0; f < faceCount; ++f) {
      const int corners = std::uniform_int_distribution<int>(2, 4)(random);
      MeshFace made;
      for (int k = 0; k < corners; ++k) {
        const bool outside = vertexCount == 0 || std::bernoulli_distribution(0.02)(random);
        made.indices.push_back(outside ? vertexCount
                                       : std::uniform_int_distribution<std::int32_t>(0, vertexCount - 1)(random));
      }
      made.materialIndex = std::bernoulli_distribution(0.05)(random) ? 33 : 0;
      faces.push_back(made);
    }
    object.meshData.vertices = vertices;
    object.meshData.faces = faces;
    const MeshGuardRule rule = brokenMeshGuardRule(object);
    Object guarded = object;
    const bool keptByGuard = sanitizeImportedMeshData(guarded);
    const bool same = guarded.meshData.vertices.read() == vertices && guarded.meshData.faces.read() == faces &&
                      guarded.mesh.primitive == object.mesh.primitive;
    EXPECT_EQ(same, rule == MeshGuardRule::None) << "round " << round << " rule " << static_cast<int>(rule);
    if (rule != MeshGuardRule::FaceShape) {
      EXPECT_EQ(keptByGuard, rule == MeshGuardRule::None) << "round " << round;
    }
    (same ? kept : changed) += 1;
  }
  EXPECT_GT(kept, 40);
  EXPECT_GT(changed, 40);
}

}  // namespace
}  // namespace vk
