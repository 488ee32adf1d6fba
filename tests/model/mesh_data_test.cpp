// Mesh derivation: edge list, normals, placeholder UVs, flags and summary,
// plus the face queries and selection index helpers.
#include <gtest/gtest.h>

#include <set>

#include <random>

#include "model/math.h"
#include "model/mesh_data.h"
#include "model/primitives.h"

namespace vk {
namespace {

using Indices = std::vector<std::int32_t>;

MeshFace face(Indices indices, Indices uv = {}, std::int32_t material = 0) {
  MeshFace f;
  f.indices = std::move(indices);
  f.uvIndices = std::move(uv);
  f.materialIndex = material;
  return f;
}

Object meshObject(std::vector<Vec3> vertices, std::vector<MeshFace> faces) {
  Object o;
  o.meshData.vertices = std::move(vertices);
  o.meshData.faces = std::move(faces);
  return o;
}

const std::vector<Vec3> kQuad = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};

TEST(MeshRebuild, DefaultCubeSummaryAndInvariants) {
  Object cube;
  cube.meshData = createMeshDataForObject(L"Cube");
  cube.mesh = MeshPrimitiveInfo{L"Cube", 0, 0, 0};
  const MeshData before = cube.meshData;
  rebuildMeshData(cube);
  const MeshData& m = cube.meshData;
  EXPECT_EQ(m.validation,
            L"MeshData v1 | vertices 8 | edges 12 | faces 6 | normals 6 | UVs 0 none | UV placeholders 8"
            L" | valid topology seed");
  EXPECT_EQ(cube.mesh.vertices, 8);
  EXPECT_EQ(cube.mesh.edges, 12);
  EXPECT_EQ(cube.mesh.faces, 6);
  EXPECT_EQ(m.normals.size(), m.faces.size());
  EXPECT_EQ(m.faceMaterialIndices.size(), m.faces.size());
  EXPECT_EQ(m.uvPlaceholders.size(), m.vertices.size());
  EXPECT_TRUE(m.normalsValid && m.boundsValid && m.uvPlaceholderValid);
  EXPECT_FALSE(m.uvsValid);
  EXPECT_EQ(m.boundsMin, (Vec3{-0.5, -0.5, -0.5}));
  EXPECT_EQ(m.boundsMax, (Vec3{0.5, 0.5, 0.5}));
  // Stored topology is untouched and still shared with the copy taken before.
  EXPECT_TRUE(m.vertices.sharesWith(before.vertices));
  EXPECT_TRUE(m.faces.sharesWith(before.faces));
  for (const MeshEdge& e : m.edges) EXPECT_LT(e.first, e.second);
  EXPECT_EQ(m.normals[0], (Vec3{0, 0, -1}));  // the face at z = -0.5 points out of the cube
}

TEST(MeshRebuild, MeshWithoutFacesAndEmptyMesh) {
  Object points = meshObject({{0.7, 3, -0.5}, {-2, 0, 0.1}}, {});
  rebuildMeshData(points);
  const MeshData& m = points.meshData;
  EXPECT_TRUE(m.edges.empty());
  EXPECT_TRUE(m.normals.empty());
  EXPECT_TRUE(m.normalsValid);
  EXPECT_TRUE(m.boundsValid);
  EXPECT_EQ(m.uvPlaceholders[0], (Vec2{1.0, 0.0}));  // x + 0.5 clamped to 1; z = -0.5 gives exactly 0
  EXPECT_NEAR(m.uvPlaceholders[1].v, 0.6, 1e-12);
  EXPECT_EQ(m.validation.substr(m.validation.size() - 22), L" | valid topology seed");

  Object empty;
  empty.meshData.boundsMin = {-7, -7, -7};
  empty.meshData.boundsMax = {9, 9, 9};
  rebuildMeshData(empty);
  EXPECT_FALSE(empty.meshData.boundsValid);
  EXPECT_FALSE(empty.meshData.uvPlaceholderValid);
  EXPECT_EQ(empty.meshData.boundsMin, (Vec3{-7, -7, -7}));  // kept, not reset
  EXPECT_EQ(empty.meshData.boundsMax, (Vec3{9, 9, 9}));
  EXPECT_EQ(empty.mesh.vertices, 0);
  EXPECT_EQ(empty.mesh.edges, 0);
  EXPECT_EQ(empty.mesh.faces, 0);
}

TEST(MeshRebuild, DegenerateAndOutOfRangeFaces) {
  // (0,0,1,2): three distinct indices, but the first two corners coincide.
  Object o = meshObject(kQuad, {face({0, 0, 1, 2})});
  EXPECT_TRUE(faceIndicesValid(o.meshData, o.meshData.faces[0]));
  rebuildMeshData(o);
  EXPECT_EQ(o.meshData.degenerateFaces, 1);
  EXPECT_EQ(o.meshData.normals[0], (Vec3{0, 1, 0}));
  EXPECT_FALSE(o.meshData.normalsValid);
  EXPECT_NE(o.meshData.validation.find(L" | warning: degenerate faces 1"), std::wstring::npos);

  // An index equal to the vertex count: degenerate, no edges touching it.
  Object bad = meshObject(kQuad, {face({0, 1, 4})});
  EXPECT_FALSE(faceIndicesValid(bad.meshData, bad.meshData.faces[0]));
  rebuildMeshData(bad);
  EXPECT_EQ(bad.meshData.degenerateFaces, 1);
  EXPECT_EQ(bad.meshData.edges.read(), (std::vector<MeshEdge>{{0, 1}}));

  // A two-index face yields its edge once; negative and short faces are skipped.
  Object line = meshObject(kQuad, {face({0, 1}), face({-1, 2, 3}), face({3})});
  rebuildMeshData(line);
  EXPECT_EQ(line.meshData.edges.read(), (std::vector<MeshEdge>{{0, 1}, {2, 3}}));
  EXPECT_EQ(line.meshData.degenerateFaces, 3);
}

TEST(MeshRebuild, UvLabelsNoneValidInvalid) {
  Object o = meshObject(kQuad, {face({0, 1, 2}, {0, 1, 2}), face({0, 2, 3}, {0, 2, 3})});
  rebuildMeshData(o);
  EXPECT_NE(o.meshData.validation.find(L"| UVs 0 none |"), std::wstring::npos);

  o.meshData.uvs = std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  rebuildMeshData(o);
  EXPECT_TRUE(o.meshData.uvsValid);
  EXPECT_NE(o.meshData.validation.find(L"| UVs 4 valid |"), std::wstring::npos);

  o.meshData.faces.write()[1].uvIndices = {0, 2};  // fewer UV indices than corners
  rebuildMeshData(o);
  EXPECT_FALSE(o.meshData.uvsValid);
  EXPECT_NE(o.meshData.validation.find(L"| UVs 4 invalid |"), std::wstring::npos);

  o.meshData.faces.write()[1].uvIndices = {0, 2, 4};  // UV index past the list
  rebuildMeshData(o);
  EXPECT_FALSE(o.meshData.uvsValid);
}

// A strip of `quads` quads: 4 * quads corners.
Object quadStrip(int quads) {
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  for (int i = 0; i <= quads; ++i) {
    vertices.push_back({double(i), 0, 0});
    vertices.push_back({double(i), 0, 1});
  }
  for (int i = 0; i < quads; ++i) faces.push_back(face({2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}));
  return meshObject(std::move(vertices), std::move(faces));
}

TEST(MeshRebuild, EdgeListStrideBoundary) {
  Object exact = quadStrip(45000);  // 180000 corners: every edge found
  rebuildMeshData(exact);
  EXPECT_EQ(exact.mesh.edges, 3 * 45000 + 1);

  Object over = quadStrip(45000);
  over.meshData.faces.write().push_back(face({0}));  // one-index faces do not count as corners
  over.meshData.faces.write().push_back(face({0, 1, 2}));  // 180003 corners: stride 2
  rebuildMeshData(over);
  // Stride 2 uses the even corners only: per quad the edges (2i,2i+2) and (2i+1,2i+3).
  EXPECT_EQ(over.mesh.edges, 2 * 45000 + 1);
  EXPECT_EQ(over.meshData.edges[0], (MeshEdge{0, 2}));
  EXPECT_EQ(over.meshData.edges[1], (MeshEdge{1, 3}));
}

TEST(MeshRebuild, EdgesInOrderOfFirstAppearance) {
  Object o = meshObject(kQuad, {face({2, 1, 0}), face({0, 2, 3})});
  generateEdgeList(o.meshData);
  EXPECT_EQ(o.meshData.edges.read(), (std::vector<MeshEdge>{{1, 2}, {0, 1}, {0, 2}, {2, 3}, {0, 3}}));
}

// Unique pairs in order of first appearance over the sampled corners, the
// plain way, for meshes above and below the corner budget.
TEST(MeshRebuild, EdgeListMatchesASetOfSeenPairs) {
  std::mt19937 rng(11);
  for (int faces : {50, 3000, 70000}) {
    const int vertexCount = faces / 2 + 4;
    std::uniform_int_distribution<int> index(-2, vertexCount + 1);
    std::uniform_int_distribution<int> length(1, 6);
    MeshData mesh;
    mesh.vertices = std::vector<Vec3>(static_cast<std::size_t>(vertexCount));
    std::vector<MeshFace> list;
    std::int64_t corners = 0;
    for (int f = 0; f < faces; ++f) {
      MeshFace one;
      for (int n = length(rng); n > 0; --n) one.indices.push_back(index(rng));
      corners += static_cast<std::int64_t>(one.indices.size());
      list.push_back(one);
    }
    mesh.faces = list;
    const std::int64_t stride = corners <= kEdgeListCornerLimit ? 1 : (corners + kEdgeListCornerLimit - 1) / kEdgeListCornerLimit;
    std::set<MeshEdge> seen;
    std::vector<MeshEdge> want;
    std::int64_t ordinal = 0;
    for (const MeshFace& one : list) {
      const std::size_t n = one.indices.size();
      if (n < 2) continue;
      for (std::size_t k = 0; k < n; ++k, ++ordinal) {
        if (ordinal % stride != 0) continue;
        const std::int32_t a = one.indices[k], b = one.indices[(k + 1) % n];
        if (a == b || a < 0 || b < 0 || a >= vertexCount || b >= vertexCount) continue;
        const MeshEdge e{static_cast<std::uint32_t>(std::min(a, b)), static_cast<std::uint32_t>(std::max(a, b))};
        if (seen.insert(e).second) want.push_back(e);
      }
    }
    generateEdgeList(mesh);
    EXPECT_EQ(mesh.edges.read(), want) << faces;
  }
}

// The flat faces' edge list (per-vertex slots, the general way when a vertex
// meets more smaller ends than it has slots) equals the general one: grids
// of quads, a fan whose hub comes last, random faces with repeats and
// out-of-range corners, and a grid sampled above the corner budget.
TEST(MeshRebuild, FlatEdgeListMatchesTheGeneralOne) {
  auto grid = [](int side) {
    std::vector<MeshFace> faces;
    for (int z = 0; z < side; ++z) {
      for (int x = 0; x < side; ++x) {
        const int a = z * (side + 1) + x;
        faces.push_back(face({a, a + side + 1, a + side + 2, a + 1}));
      }
    }
    return std::pair{faces, static_cast<std::size_t>((side + 1) * (side + 1))};
  };
  std::vector<std::pair<std::vector<MeshFace>, std::size_t>> cases = {grid(3), grid(220)};
  std::vector<MeshFace> fan;
  for (int i = 0; i < 12; ++i) fan.push_back(face({i, (i + 1) % 12, 12}));
  cases.emplace_back(fan, 13);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> index(-1, 40), length(1, 6);
  std::vector<MeshFace> wild;
  for (int f = 0; f < 300; ++f) {
    MeshFace one;
    for (int n = length(rng); n > 0; --n) one.indices.push_back(index(rng));
    wild.push_back(one);
  }
  cases.emplace_back(wild, 40);
  std::vector<MeshEdge> edges{{7, 9}};  // stale contents of reused buffers
  std::vector<std::uint32_t> scratch(5, 3);
  for (const auto& [faces, vertexCount] : cases) {
    MeshData mesh;
    mesh.vertices = std::vector<Vec3>(vertexCount);
    mesh.faces = faces;
    generateEdgeList(mesh);
    FlatFaces flat;
    for (const MeshFace& one : faces) {
      flat.indices.insert(flat.indices.end(), one.indices.begin(), one.indices.end());
      flat.offsets.push_back(static_cast<std::uint32_t>(flat.indices.size()));
      flat.materials.push_back(0);
    }
    edgeListOf(flat, vertexCount, edges, scratch);
    EXPECT_EQ(edges, mesh.edges.read()) << faces.size();
  }
}

// rebuildMeshData samples the edge pairs in its pass over the faces at the
// stride the first face's size predicts, and samples again when the corner
// total says otherwise: either way it equals the edge list and the geometry
// derived apart. Meshes of one face size, a first face unlike the rest on
// either side of the corner budget, and random faces with repeats,
// out-of-range corners and faces of fewer than two corners.
TEST(MeshRebuild, OnePassDerivationEqualsTheSeparateSteps) {
  std::mt19937 rng(17);
  auto build = [&](int faces, int firstLength, int minLength, int maxLength, int vertexCount) {
    std::uniform_int_distribution<int> index(-1, vertexCount), length(minLength, maxLength);
    std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
    std::vector<Vec3> vertices(static_cast<std::size_t>(vertexCount));
    for (Vec3& v : vertices) v = {coordinate(rng), coordinate(rng), coordinate(rng)};
    std::vector<MeshFace> list;
    for (int f = 0; f < faces; ++f) {
      MeshFace one;
      for (int n = f == 0 ? firstLength : length(rng); n > 0; --n) one.indices.push_back(index(rng));
      one.materialIndex = f % 3;
      list.push_back(one);
    }
    return meshObject(vertices, list);
  };
  const std::vector<Object> cases = {
      build(70000, 3, 3, 3, 20000),   // triangles past the budget: the guess holds
      build(50000, 3, 4, 4, 20000),   // a triangle before quads: guessed 1, takes 2
      build(70000, 6, 3, 3, 20000),   // a hexagon before triangles: guessed 3, takes 2
      build(60000, 4, 1, 6, 30000),   // mixed lengths past the budget
      build(400, 2, 1, 6, 50),        // small, with short faces
  };
  for (const Object& original : cases) {
    Object onePass = original;
    rebuildMeshData(onePass);
    Object steps = original;
    generateEdgeList(steps.meshData);
    rebuildMeshGeometry(steps);
    EXPECT_TRUE(onePass == steps) << original.meshData.faces.size();
    EXPECT_EQ(onePass.meshData.edges.read(), steps.meshData.edges.read()) << original.meshData.faces.size();
  }
}

// The validity rule by a second route: sort, unique, then the ends in range.
bool validBySorting(const MeshData& mesh, const MeshFace& face) {
  std::vector<std::int32_t> sorted = face.indices;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  return face.indices.size() >= 3 && sorted.size() >= 3 && sorted.front() >= 0 &&
         sorted.back() < static_cast<std::int32_t>(mesh.vertices.size());
}

TEST(MeshQueries, FaceValidityAgreesWithASortedCheck) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> index(-1, 5);
  std::uniform_int_distribution<int> length(0, 6);
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>(5);
  for (int trial = 0; trial < 2000; ++trial) {
    MeshFace f;
    for (int n = length(rng); n > 0; --n) f.indices.push_back(index(rng));
    EXPECT_EQ(faceIndicesValid(mesh, f), validBySorting(mesh, f)) << trial;
  }
}

TEST(MeshQueries, CentroidNormalsAndOrientation) {
  MeshData cube = createMeshDataForObject(L"Cube");
  EXPECT_EQ(meshCentroid(cube), (Vec3{0, 0, 0}));
  EXPECT_EQ(meshCentroid(MeshData{}), (Vec3{0, 0, 0}));
  EXPECT_EQ(meshFaceCenter(cube, face({0, 1, 99, -3})), (Vec3{0, -0.5, -0.5}));
  EXPECT_EQ(meshFaceCenter(cube, face({99})), (Vec3{0, 0, 0}));

  // (0, 1, 2, 3) on the -Z side winds inward; its outward normal points to -Z.
  const MeshFace inward = face({0, 1, 2, 3});
  EXPECT_EQ(faceNormal(cube, inward), (Vec3{0, 0, 1}));
  EXPECT_EQ(faceOutwardNormal(cube, inward), (Vec3{0, 0, -1}));
  MeshFace flipped = inward;
  orientFaceOutward(cube, flipped);
  EXPECT_EQ(flipped.indices, (Indices{3, 2, 1, 0}));
  MeshFace built = cube.faces[0];  // the cube's own face already points out
  orientFaceOutward(cube, built);
  EXPECT_EQ(built, cube.faces[0]);
  EXPECT_EQ(faceOutwardNormal(cube, built), (Vec3{0, 0, -1}));

  Vec3 corner = vertexNormal(cube, 6);
  EXPECT_NEAR(corner.x, 1 / std::sqrt(3.0), 1e-12);
  EXPECT_NEAR(corner.y, 1 / std::sqrt(3.0), 1e-12);
  EXPECT_EQ(vertexNormal(cube, 8), (Vec3{0, 1, 0}));
  Vec3 edge = edgeOutwardNormal(cube, MeshEdge{0, 1});
  EXPECT_NEAR(edge.y, -std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(edge.z, -std::sqrt(0.5), 1e-12);
  EXPECT_EQ(edgeOutwardNormal(cube, -1, 0), (Vec3{0, 1, 0}));

  // A single flat face: its centre is the centroid, so nothing flips.
  MeshData plane = createMeshDataForObject(L"Plane");
  MeshFace single = plane.faces[0];
  orientFaceOutward(plane, single);
  EXPECT_EQ(single.indices, (Indices{0, 3, 2, 1}));
  // A vertex with no face falls back to the centroid direction.
  MeshData lone;
  lone.vertices = std::vector<Vec3>{{0, 0, 0}, {2, 0, 0}};
  EXPECT_EQ(vertexNormal(lone, 1), (Vec3{1, 0, 0}));
}

TEST(MeshQueries, Renderable) {
  Object o;
  EXPECT_FALSE(meshDataRenderable(o));  // no vertices
  initMeshData(o);
  EXPECT_TRUE(meshDataRenderable(o));
  o.kind = ObjectKind::Text;
  EXPECT_TRUE(meshDataRenderable(o));
  o.kind = ObjectKind::Curve;
  EXPECT_FALSE(meshDataRenderable(o));
}

TEST(SelectionIndices, ToggleAndSanitize) {
  std::vector<std::int32_t> sel{4, 7};
  toggleIndexSelection(sel, 2, false);
  EXPECT_EQ(sel, (Indices{2}));
  toggleIndexSelection(sel, 5, true);
  EXPECT_EQ(sel, (Indices{2, 5}));
  toggleIndexSelection(sel, 2, true);
  EXPECT_EQ(sel, (Indices{5}));
  toggleIndexSelection(sel, 5, false);  // plain click on the selected one keeps it
  EXPECT_EQ(sel, (Indices{5}));

  std::vector<std::int32_t> list{9, -1, 3, 3, 8, 0, 12, 8};
  sanitizeIndexList(list, 9);
  EXPECT_EQ(list, (Indices{0, 3, 8}));
  sanitizeIndexList(list, 0);
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace vk
