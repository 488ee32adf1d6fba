// The preview builders: deformers along an axis, bevel, solidify,
// subdivision and the lattice cage, and the linear builders against
// straightforward quadratic versions of the same rules.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <vector>

#include "model/math.h"
#include "model/mesh_data.h"
#include "modifier_support.h"
#include "shading/modifiers.h"

namespace {

using namespace vk;
using modtest::gridObject;
using modtest::meshObject;
using modtest::randomObject;

double maxAlong(const Object& o, double Vec3::*axis) {
  double best = -1e300;
  for (const Vec3& v : o.meshData.vertices) best = std::max(best, v.*axis);
  return best;
}

TEST(ModifierDeformers, BendPutsTheCubeEndsOnTheArc) {
  Object cube = meshObject(L"Cube");
  ASSERT_EQ(cube.meshData.boundsMin, (Vec3{-0.5, -0.5, -0.5}));
  const std::vector<Vec3> before = cube.meshData.vertices.read();
  applyModifierPreviewBend(cube, L"Z", 45);
  EXPECT_EQ(cube.mesh.primitive, L"Bend Preview Mesh");
  const double r = 4.0 / std::numbers::pi;
  const double s = std::sin(std::numbers::pi / 8) * r, d = (1 - std::cos(std::numbers::pi / 8)) * r;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Vec3& v = cube.meshData.vertices[i];
    EXPECT_NEAR(v.z, before[i].z > 0 ? s : -s, 1e-12);
    EXPECT_NEAR(v.y, before[i].y + d, 1e-12);
    EXPECT_EQ(v.x, before[i].x);
  }
  EXPECT_NEAR(cube.meshData.boundsMax.z, s, 1e-12);  // re-derived

  Object still = meshObject(L"Cube");
  still.mesh.primitive = L"Kept";
  applyModifierPreviewBend(still, L"Z", 0.003);
  EXPECT_EQ(still.mesh.primitive, L"Kept");
  EXPECT_EQ(still.meshData.vertices.read(), meshObject(L"Cube").meshData.vertices.read());

  Object a = meshObject(L"Cube"), b = meshObject(L"Cube");
  applyModifierPreviewBend(a, L"Y", 400);
  applyModifierPreviewBend(b, L"Y", 270);
  EXPECT_EQ(a.meshData.vertices.read(), b.meshData.vertices.read());
}

TEST(ModifierDeformers, TwistAndTaperClampAndTheAxisTextFallsBackToY) {
  Object zero = meshObject(L"Cube");
  zero.mesh.primitive = L"Kept";
  applyModifierPreviewTwist(zero, L"Y", 0);
  EXPECT_EQ(zero.mesh.primitive, L"Twist Preview Mesh");
  EXPECT_EQ(zero.meshData.vertices.read(), meshObject(L"Cube").meshData.vertices.read());

  auto same = [](auto apply, double v1, double v2, const wchar_t* axis1, const wchar_t* axis2) {
    Object a = meshObject(L"Cube"), b = meshObject(L"Cube");
    apply(a, axis1, v1);
    apply(b, axis2, v2);
    return a.meshData.vertices.read() == b.meshData.vertices.read();
  };
  auto twist = [](Object& o, const wchar_t* axis, double v) { applyModifierPreviewTwist(o, axis, v); };
  auto taper = [](Object& o, const wchar_t* axis, double v) { applyModifierPreviewTaper(o, axis, v); };
  EXPECT_TRUE(same(twist, -1000, -720, L"Y", L"Y"));
  EXPECT_TRUE(same(taper, 3, 1.5, L"Y", L"Y"));
  EXPECT_TRUE(same(taper, -2, -0.85, L"Y", L"Y"));
  EXPECT_TRUE(same(taper, 0.5, 0.5, L"x", L"X"));
  EXPECT_TRUE(same(taper, 0.5, 0.5, L"W", L"Y"));
  EXPECT_TRUE(same(taper, 0.5, 0.5, L"", L"Y"));
  EXPECT_FALSE(same(taper, 0.5, 0.5, L"X", L"Y"));

  // Taper 1 along Y: the top (t = +0.5) grows by 1.5, the bottom shrinks to 0.5.
  Object cube = meshObject(L"Cube");
  applyModifierPreviewTaper(cube, L"Y", 1.0);
  for (const Vec3& v : cube.meshData.vertices) EXPECT_DOUBLE_EQ(std::fabs(v.x), v.y > 0 ? 0.75 : 0.25);
}

TEST(ModifierDeformers, FlatMeshesOversizedMeshesAndCurvesAreHandled) {
  Object plane = gridObject(2);  // flat in Y
  applyModifierPreviewTaper(plane, L"Y", 1.5);
  // span 0.0001: every vertex sits at t = -0.5, scaled by 1 - 0.75.
  EXPECT_DOUBLE_EQ(maxAlong(plane, &Vec3::x), 0.25);

  Object big = gridObject(199);
  std::vector<Vec3> vertices = big.meshData.vertices.read();
  vertices.push_back({0, 5, 0});
  big.meshData.vertices = vertices;
  rebuildMeshData(big);
  ASSERT_EQ(big.meshData.vertices.size(), 40001u);
  const MeshData before = big.meshData;
  applyModifierPreviewTwist(big, L"Y", 90);
  EXPECT_EQ(big.meshData, before);
  EXPECT_EQ(big.mesh.primitive, L"Grid");

  Object curve = meshObject(L"Cube");
  curve.kind = ObjectKind::Curve;
  const MeshData curveMesh = curve.meshData;
  applyModifierPreviewBend(curve, L"Y", 90);
  EXPECT_EQ(curve.meshData, curveMesh);
}

TEST(ModifierSurfaces, BevelInsetsEveryFaceAndClampsTheAmount) {
  Object cube = meshObject(L"Cube");
  applyModifierPreviewBevel(cube, 0.08, 1);
  EXPECT_EQ(cube.meshData.vertices.size(), 32u);
  EXPECT_EQ(cube.meshData.faces.size(), 30u);
  EXPECT_EQ(cube.mesh.primitive, L"Bevel Preview Mesh");
  EXPECT_EQ(cube.mesh.faces, 30);
  auto insetOf = [](double amount) {
    Object o = meshObject(L"Cube");
    const Vec3 corner = o.meshData.vertices[o.meshData.faces[0].indices[0]];
    const Vec3 centre = meshFaceCenter(o.meshData, o.meshData.faces[0]);
    applyModifierPreviewBevel(o, amount, 1);
    return std::pair{o.meshData.vertices[8], corner + (centre - corner) * std::clamp(amount, 0.01, 0.42)};
  };
  for (double amount : {0.5, 0.0, 0.2}) {
    const auto [got, want] = insetOf(amount);
    EXPECT_EQ(got, want) << amount;
  }
  EXPECT_EQ(insetOf(0.5).first, insetOf(0.42).first);

  // A face with an out-of-range corner leaves its inset vertices and no faces.
  Object broken = meshObject(L"Plane");
  std::vector<MeshFace> faces = broken.meshData.faces.read();
  faces.push_back(MeshFace{{0, 1, 99}, {}, 0});
  broken.meshData.faces = faces;
  const std::size_t v0 = broken.meshData.vertices.size();
  applyModifierPreviewBevel(broken, 0.1, 1);
  EXPECT_EQ(broken.meshData.vertices.size(), v0 + 4 + 2);
  EXPECT_EQ(broken.meshData.faces.size(), 5u);
}

TEST(ModifierSurfaces, SolidifyLayersAndRims) {
  Object cube = meshObject(L"Cube");
  applyModifierPreviewSolidify(cube, 0.12, 0);
  EXPECT_EQ(cube.meshData.vertices.size(), 16u);
  EXPECT_EQ(cube.meshData.faces.size(), 12u);
  Object plane = meshObject(L"Plane");
  ASSERT_EQ(plane.meshData.faces.size(), 1u);
  applyModifierPreviewSolidify(plane, -0.3, 1);
  EXPECT_EQ(plane.meshData.vertices.size(), 8u);
  EXPECT_EQ(plane.meshData.faces.size(), 6u);
  // o = 1: the first layer on the surface, the second a whole 0.3 along the normal.
  const Object flat = meshObject(L"Plane");
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(plane.meshData.vertices[i], flat.meshData.vertices[i]);
    EXPECT_NEAR(vec3Length(plane.meshData.vertices[i + 4] - flat.meshData.vertices[i]), 0.3, 1e-12);
  }
}

TEST(ModifierSurfaces, SubdivisionCountsLevelsSmoothingAndLimits) {
  Object one = meshObject(L"Cube");
  applyModifierPreviewSubdivision(one, 1, 0.65);
  EXPECT_EQ(one.meshData.vertices.size(), 26u);
  EXPECT_EQ(one.meshData.faces.size(), 24u);
  EXPECT_EQ(one.mesh.vertices, 26);
  Object three = meshObject(L"Cube");
  applyModifierPreviewSubdivision(three, 3, 0.65);
  EXPECT_EQ(three.meshData.vertices.size(), 386u);
  EXPECT_EQ(three.meshData.faces.size(), 384u);
  Object none = meshObject(L"Cube");
  applyModifierPreviewSubdivision(none, 0, 0.65);
  EXPECT_EQ(none.mesh.primitive, L"Cube");

  const Object cube = meshObject(L"Cube");
  const MeshData sharp = subdivideMeshOnce(cube.meshData, 0);
  const MeshData smooth = subdivideMeshOnce(cube.meshData, 1);
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(sharp.vertices[i], cube.meshData.vertices[i]);
    // Three edge neighbours whose mean lies a third of the way in: 18 % of that.
    EXPECT_NEAR(vec3Length(smooth.vertices[i]), vec3Length(cube.meshData.vertices[i]) * (1 - 0.18 * 2.0 / 3.0),
                1e-12);
  }

  Object big = gridObject(174);  // 30276 faces: over the pass limit
  const MeshData bigBefore = big.meshData;
  applyModifierPreviewSubdivision(big, 2, 0.65);
  EXPECT_EQ(big.meshData.vertices.read(), bigBefore.vertices.read());
  EXPECT_EQ(big.mesh.primitive, L"Subdivision Preview Mesh");

  // A face with an out-of-range corner contributes nothing.
  Object broken = meshObject(L"Plane");
  std::vector<MeshFace> faces = broken.meshData.faces.read();
  faces.push_back(MeshFace{{0, 1, 99}, {}, 0});
  broken.meshData.faces = faces;
  EXPECT_EQ(subdivideMeshOnce(broken.meshData, 0.5).faces.size(), 4u);
}

TEST(ModifierSurfaces, LatticeCageBoxesTheBoundsWithAMargin) {
  Object point = meshObject(L"Cube");
  point.meshData.boundsMin = point.meshData.boundsMax = Vec3{};
  point.modifierStack.entries.push_back(createModifierEntry(point, L"Lattice"));
  const Object cage = makeLatticeCagePreview(point, 3);
  EXPECT_EQ(cage.id, L"obj-1-lattice-cage-preview");
  EXPECT_EQ(cage.name, L"Thing Lattice Cage Preview");
  EXPECT_TRUE(cage.modifierStack.entries.empty());
  EXPECT_EQ(cage.mesh.primitive, L"Lattice Placeholder Cage");
  EXPECT_EQ(cage.material.g, 230);
  EXPECT_EQ(cage.meshData.boundsMin, (Vec3{-0.08, -0.08, -0.08}));
  EXPECT_EQ(cage.meshData.boundsMax, (Vec3{0.08, 0.08, 0.08}));
  EXPECT_EQ(cage.meshData.faces[1].indices, (std::vector<std::int32_t>{4, 7, 6, 5}));
  const Object boxed = makeLatticeCagePreview(meshObject(L"Cube"), 3);
  EXPECT_DOUBLE_EQ(boxed.meshData.boundsMax.x, 0.58);
}

// ---- Quadratic references -----------------------------------------------------

MeshData referenceSolidify(const MeshData& source, double t, double o) {
  const auto& vertices = source.vertices.read();
  const std::size_t n = vertices.size();
  std::vector<Vec3> out(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 normal = vertexNormal(source, static_cast<std::int32_t>(i));
    out[i] = vertices[i] - normal * ((1.0 - o) * t / 2.0);
    out[i + n] = vertices[i] + normal * ((1.0 + o) * t / 2.0);
  }
  std::vector<MeshFace> faces;
  for (const MeshFace& face : source.faces) {
    std::vector<std::int32_t> valid;
    for (std::int32_t i : face.indices)
      if (i >= 0 && static_cast<std::size_t>(i) < n) valid.push_back(i);
    if (valid.size() < 3) continue;
    faces.push_back({{valid.rbegin(), valid.rend()}, {}, face.materialIndex});
    for (auto& i : valid) i += static_cast<std::int32_t>(n);
    faces.push_back({valid, {}, face.materialIndex});
  }
  for (const MeshEdge& e : source.edges) {
    int count = 0;
    for (const MeshFace& face : source.faces) {
      const auto& ix = face.indices;
      const bool hasA = std::find(ix.begin(), ix.end(), static_cast<std::int32_t>(e.first)) != ix.end();
      const bool hasB = std::find(ix.begin(), ix.end(), static_cast<std::int32_t>(e.second)) != ix.end();
      count += hasA && hasB;
    }
    if (count > 1) continue;
    const auto a = static_cast<std::int32_t>(e.first), b = static_cast<std::int32_t>(e.second);
    const auto sh = static_cast<std::int32_t>(n);
    faces.push_back({{a, b, b + sh, a + sh}, {}, 0});
  }
  MeshData mesh;
  mesh.vertices = out;
  mesh.faces = faces;
  return mesh;
}

MeshData referenceSubdivide(const MeshData& mesh, double s) {
  const auto& v = mesh.vertices.read();
  std::vector<std::vector<std::int32_t>> neighbours(v.size());
  for (const MeshEdge& e : mesh.edges) {
    neighbours[e.first].push_back(static_cast<std::int32_t>(e.second));
    neighbours[e.second].push_back(static_cast<std::int32_t>(e.first));
  }
  MeshData growing;
  std::vector<Vec3> out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    Vec3 p = v[i];
    if (!neighbours[i].empty() && s > 0.0001) {
      Vec3 sum;
      for (std::int32_t j : neighbours[i]) sum += v[static_cast<std::size_t>(j)];
      const double w = 0.18 * s;
      p = sum / static_cast<double>(neighbours[i].size()) * w + v[i] * (1 - w);
    }
    out.push_back(p);
  }
  std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> mids;
  auto mid = [&](std::int32_t a, std::int32_t b) {
    const auto key = std::pair{std::min(a, b), std::max(a, b)};
    auto found = mids.find(key);
    if (found != mids.end()) return found->second;
    out.push_back((v[static_cast<std::size_t>(a)] + v[static_cast<std::size_t>(b)]) * 0.5);
    return mids[key] = static_cast<std::int32_t>(out.size() - 1);
  };
  std::vector<MeshFace> faces;
  for (const MeshFace& face : mesh.faces) {
    if (!faceIndicesValid(mesh, face)) continue;
    const std::size_t n = face.indices.size();
    Vec3 c;
    for (std::int32_t i : face.indices) c += v[static_cast<std::size_t>(i)];
    out.push_back(c / static_cast<double>(n));
    const auto ci = static_cast<std::int32_t>(out.size() - 1);
    for (std::size_t k = 0; k < n; ++k) {
      const std::int32_t m1 = mid(face.indices[k], face.indices[(k + 1) % n]);
      const std::int32_t m2 = mid(face.indices[(k + n - 1) % n], face.indices[k]);
      MeshFace quad{{face.indices[k], m1, ci, m2}, {}, face.materialIndex};
      growing.vertices = out;
      orientFaceOutward(growing, quad);
      if (faceIndicesValid(growing, quad)) faces.push_back(quad);
    }
  }
  MeshData result;
  result.vertices = out;
  result.faces = faces;
  return result;
}

TEST(ModifierSurfaces, LinearBuildersMatchTheQuadraticRulesBitForBit) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    const Object source = randomObject(seed, 40 + static_cast<int>(seed) * 7, 60, seed % 2 == 0);
    Object solid = source;
    applyModifierPreviewSolidify(solid, 0.2, 0.3);
    const MeshData want = referenceSolidify(source.meshData, 0.2, 0.3);
    EXPECT_EQ(solid.meshData.vertices.read(), want.vertices.read());
    EXPECT_EQ(solid.meshData.faces.read(), want.faces.read());

    for (double s : {0.0, 0.65}) {
      const MeshData got = subdivideMeshOnce(source.meshData, s);
      const MeshData ref = referenceSubdivide(source.meshData, s);
      EXPECT_EQ(got.vertices.read(), ref.vertices.read());
      EXPECT_EQ(got.faces.read(), ref.faces.read());
    }
  }
}

// The levels one by one, each pass derived in full.
Object referenceLevels(const Object& source, int levels) {
  Object want = source;
  for (int pass = 0; pass < levels; ++pass) {
    want.meshData = referenceSubdivide(want.meshData, 0.65);
    rebuildMeshData(want);
  }
  return want;
}

TEST(ModifierSurfaces, SubdivisionLevelsMatchPassesDerivedOneByOne) {
  // Each level must see the edges and faces of the level before, exactly as
  // if every pass had been derived in full; the result is derived once.
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    const Object source = randomObject(seed, 12 + static_cast<int>(seed) * 3, 18, seed % 2 == 0);
    for (int levels : {1, 2, 3}) {
      const Object want = referenceLevels(source, levels);
      Object got = source;
      applyModifierPreviewSubdivision(got, levels, 0.65);
      EXPECT_EQ(got.meshData, want.meshData);
      EXPECT_EQ(got.mesh.faces, want.mesh.faces);
      EXPECT_EQ(got.mesh.edges, want.mesh.edges);
    }
  }
}

// Previews refill the arrays of the last one once it is gone and decide the
// orientation without normalising where the sign is clear; neither may show.
// Grids lying flat make exact ties, tiny and huge scales the distance and
// overflow limits; a preview is made from the last one, while it is still
// held, after it is dropped, and smaller after larger.
TEST(ModifierSurfaces, RefilledPreviewsAndOrientationLimitsMatchTheReference) {
  auto scaled = [](Object object, double scale, bool wave) {
    std::vector<Vec3>& v = object.meshData.vertices.write();
    for (std::size_t i = 0; i < v.size(); ++i) {
      v[i] = v[i] * scale;
      if (wave) v[i].y += scale * 0.3 * std::sin(static_cast<double>(i));
    }
    rebuildMeshData(object);
    return object;
  };
  std::vector<Object> sources;
  for (double scale : {1.0, 1e-6, 1e-140, 1e140}) {
    sources.push_back(scaled(gridObject(5), scale, false));
    sources.push_back(scaled(gridObject(5), scale, true));
  }
  sources.push_back(randomObject(21, 30, 40, true));
  Object held = sources.back();
  applyModifierPreviewSubdivision(held, 2, 0.65);
  Object stacked = held;  // reads the arrays the next preview might refill
  applyModifierPreviewSubdivision(stacked, 1, 0.65);
  EXPECT_EQ(stacked.meshData, referenceLevels(held, 1).meshData);
  for (const Object& source : sources) {
    for (int levels : {3, 1}) {
      Object got = source;
      applyModifierPreviewSubdivision(got, levels, 0.65);
      const Object want = referenceLevels(source, levels);
      EXPECT_EQ(got.meshData, want.meshData) << source.meshData.boundsMax.x << " " << levels;
    }
    held = Object{};
  }
}

}  // namespace
