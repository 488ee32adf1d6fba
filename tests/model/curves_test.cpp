// Default curves, tessellation counts and clamps, the summary text and the
// polyline-to-mesh conversion.
#include <gtest/gtest.h>

#include <cmath>

#include "model/curves.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {
namespace {

Object curveObject(const std::wstring& type) {
  Object o;
  o.kind = ObjectKind::Curve;
  initCurveData(o, type);
  return o;
}

TEST(Curves, DefaultCurvesSampleCounts) {
  Object bezier = curveObject(L"Bezier");
  EXPECT_EQ(bezier.curveData.tessellated.size(), 17u);
  EXPECT_EQ(bezier.curveData.tessellated[0], (Vec3{-0.8, 0, 0}));
  EXPECT_EQ(bezier.curveData.tessellated[16], (Vec3{0.8, 0, 0}));
  // Midpoint of the cubic: (P0 + 3 C0 + 3 C1 + P1) / 8 with C0 = (-0.5, 0.45), C1 = (0.5, -0.45).
  EXPECT_NEAR(bezier.curveData.tessellated[8].x, 0.0, 1e-12);
  EXPECT_NEAR(bezier.curveData.tessellated[8].y, 0.0, 1e-12);
  EXPECT_NEAR(bezier.curveData.tessellated[4].y, 3 * 0.5625 * 0.25 * 0.45 - 3 * 0.75 * 0.0625 * 0.45, 1e-12);

  Object circle = curveObject(L"Circle");
  ASSERT_EQ(circle.curveData.tessellated.size(), 64u);
  for (const Vec3& p : circle.curveData.tessellated) EXPECT_NEAR(std::hypot(p.x, p.y), 0.7, 1e-12);
  EXPECT_NE(circle.curveData.tessellated[63], circle.curveData.tessellated[0]);  // not repeated

  Object rect = curveObject(L"Rectangle");
  ASSERT_EQ(rect.curveData.tessellated.size(), 5u);
  EXPECT_EQ(rect.curveData.tessellated[4], rect.curveData.tessellated[0]);
  EXPECT_EQ(rect.curveData.boundsMin, (Vec3{-0.75, -0.45, 0}));
  EXPECT_TRUE(rect.curveData.hasBounds);

  Object line = curveObject(L"Line");
  EXPECT_EQ(line.curveData.tessellated.size(), 2u);
  Object other = curveObject(L"bezier");  // exact match only
  EXPECT_EQ(other.curveData.type, L"Line");
  EXPECT_EQ(other.curveData.points[0].handleType, L"Linear");
}

TEST(Curves, ResolutionClampsAndPointLimit) {
  Object o = curveObject(L"Bezier");
  o.curveData.resolution = 1;
  rebuildCurveData(o);
  EXPECT_EQ(o.curveData.resolution, 2);
  EXPECT_EQ(o.curveData.tessellated.size(), 3u);
  o.curveData.resolution = 100;
  rebuildCurveData(o);
  EXPECT_EQ(o.curveData.resolution, 64);
  EXPECT_EQ(o.curveData.tessellated.size(), 65u);

  Object big = curveObject(L"Line");
  big.curveData.points.resize(600);
  for (std::size_t i = 0; i < 600; ++i) big.curveData.points[i].position = {double(i), 0, 0};
  rebuildCurveData(big);
  EXPECT_EQ(big.curveData.points.size(), 512u);
  EXPECT_EQ(big.curveData.tessellated.size(), 512u);
}

TEST(Curves, FallbacksAndNonCurves) {
  Object single = curveObject(L"Circle");
  single.curveData.points.resize(1);
  rebuildCurveData(single);
  EXPECT_EQ(single.curveData.tessellated.read(), (std::vector<Vec3>{{0.7, 0, 0}}));

  Object mesh;
  mesh.curveData = createCurveData(L"Line");
  rebuildCurveData(mesh);
  EXPECT_TRUE(mesh.curveData.tessellated.empty());
  EXPECT_FALSE(mesh.curveData.hasBounds);
  EXPECT_EQ(mesh.curveData.summary, L"No curve data");

  Object empty = curveObject(L"Line");
  empty.curveData.points.clear();
  rebuildCurveData(empty);
  EXPECT_EQ(empty.curveData.summary, L"No curve data");
  EXPECT_TRUE(empty.curveData.tessellated.empty());

  // One control point with a Bezier handle type still yields that point.
  Object one = curveObject(L"Bezier");
  one.curveData.points.resize(1);
  rebuildCurveData(one);
  EXPECT_EQ(one.curveData.tessellated.size(), 1u);
}

TEST(Curves, SummaryNumberFormatting) {
  Object line = curveObject(L"Line");
  EXPECT_EQ(line.curveData.summary, L"CurveData v1 | Line | points 2 | tessellated 2 | open | resolution 16");
  line.curveData.bevelRadius = 0.126;
  rebuildCurveData(line);
  EXPECT_EQ(line.curveData.summary,
            L"CurveData v1 | Line | points 2 | tessellated 2 | open | resolution 16 | bevel 0.13");
  line.curveData.bevelRadius = 12.5;
  rebuildCurveData(line);
  EXPECT_TRUE(line.curveData.summary.ends_with(L" | resolution 16 | bevel 12.50"));
  Object circle = curveObject(L"Circle");
  EXPECT_EQ(circle.curveData.summary,
            L"CurveData v1 | Circle | points 4 | tessellated 64 | closed | resolution 32");
}

TEST(Curves, TwoPointClosedCurveIsARibbon) {
  Object o = curveObject(L"Line");
  o.curveData.closed = true;
  rebuildCurveData(o);
  ASSERT_EQ(o.curveData.tessellated.size(), 2u);
  MeshData mesh;
  ASSERT_TRUE(buildMeshFromCurve(o, mesh));
  ASSERT_EQ(mesh.vertices.size(), 4u);
  EXPECT_EQ(mesh.vertices[0], (Vec3{-0.75, 0.035, 0}));
  EXPECT_EQ(mesh.vertices[1], (Vec3{-0.75, -0.035, 0}));
  ASSERT_EQ(mesh.faces.size(), 1u);
  EXPECT_EQ(mesh.faces[0].indices, (std::vector<std::int32_t>{0, 1, 3, 2}));
  EXPECT_TRUE(mesh.edges.empty()) << "the caller derives the mesh";
  EXPECT_EQ(mesh.validation, L"No mesh data");
}

TEST(Curves, BuildMeshFromCurveShapes) {
  Object rect = curveObject(L"Rectangle");
  MeshData mesh;
  ASSERT_TRUE(buildMeshFromCurve(rect, mesh));
  EXPECT_EQ(mesh.vertices.size(), 5u);  // the closing sample repeats the first corner
  ASSERT_EQ(mesh.faces.size(), 1u);
  EXPECT_EQ(mesh.faces[0].indices.size(), 5u);

  Object bezier = curveObject(L"Bezier");
  bezier.curveData.bevelRadius = 0.2;
  ASSERT_TRUE(buildMeshFromCurve(bezier, mesh));
  EXPECT_EQ(mesh.vertices.size(), 34u);
  EXPECT_EQ(mesh.faces.size(), 16u);
  EXPECT_NEAR(mesh.vertices[0].y, 0.2, 1e-12);
  bezier.curveData.bevelRadius = 0.01;  // never thinner than 0.035
  ASSERT_TRUE(buildMeshFromCurve(bezier, mesh));
  EXPECT_NEAR(mesh.vertices[0].y, 0.035, 1e-12);

  Object derived;
  derived.meshData = mesh;
  rebuildMeshData(derived);
  EXPECT_EQ(derived.mesh.faces, 16);
  EXPECT_EQ(derived.mesh.edges, 16 * 3 + 1);

  Object single = curveObject(L"Line");
  single.curveData.points.resize(1);
  rebuildCurveData(single);
  mesh.validation = L"stale";
  EXPECT_FALSE(buildMeshFromCurve(single, mesh));
  EXPECT_TRUE(mesh.vertices.empty());
  EXPECT_EQ(mesh.validation, L"No mesh data");
}

}  // namespace
}  // namespace vk
