// Delete, merge, flip, recalculate, bridge, fill, loop cut and the mesh
// halves of separate and join, on the primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "edit_helpers.h"
#include "model/edit_mesh.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {
namespace {

using namespace edittest;

TEST(EditDelete, OneVertexDropsItsThreeFacesAndRenumbersTheRest) {
  MeshData mesh = primitiveMesh(L"Cube");
  deleteComponents(mesh, MeshSelection{{0}, {}, {}});
  ASSERT_EQ(mesh.vertices.size(), 7u);
  expectNear(mesh.vertices[0], {0.5, -0.5, -0.5});
  std::vector<Indices> expected = {{3, 4, 5, 6}, {0, 1, 5, 4}, {1, 2, 6, 5}};
  EXPECT_EQ(faceIndexLists(mesh), expected);
}

TEST(EditDelete, EdgeRemovesBothFacesButKeepsItsVertices) {
  MeshData mesh = primitiveMesh(L"Cube");
  deleteComponents(mesh, MeshSelection{{}, {edgeIndex(mesh, 0, 1)}, {}});
  EXPECT_EQ(mesh.vertices.size(), 8u);
  std::vector<Indices> expected = {{4, 5, 6, 7}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  EXPECT_EQ(faceIndexLists(mesh), expected);
}

TEST(EditDelete, FacesAndBrokenFacesGoTogether) {
  MeshData mesh = primitiveMesh(L"Cube");
  mesh.faces.write().push_back(MeshFace{{0, 1, 42}, {}, 0});
  deleteComponents(mesh, MeshSelection{{}, {}, {0, 5}});
  EXPECT_EQ(mesh.faces.size(), 4u);
  EXPECT_EQ(mesh.vertices.size(), 8u);
}

TEST(EditMerge, CubeEdgeWeldsToItsMidpointAndKeepsTheFacesAsSimpleLoops) {
  MeshData mesh = primitiveMesh(L"Cube");
  EXPECT_EQ(mergeVertices(mesh, {0, 1}), 0);
  ASSERT_EQ(mesh.vertices.size(), 7u);
  expectNear(mesh.vertices[0], {0.0, -0.5, -0.5});
  // The two faces on the edge lose the repeated corner instead of storing it.
  std::vector<Indices> expected = {{0, 2, 1}, {3, 4, 5, 6}, {0, 4, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 0, 3, 6}};
  EXPECT_EQ(faceIndexLists(mesh), expected);
  expectEveryFaceSurvivesLoadGuard(mesh);
}

TEST(EditMerge, FaceThroughTheWeldedCornerTwiceSplitsIntoItsLoops) {
  // A hexagon whose corners 0 and 3 are welded walks through the weld twice:
  // it is two triangles joined there.
  MeshData mesh;
  std::vector<Vec3> ring;
  for (int k = 0; k < 6; ++k) ring.push_back({std::cos(k * kPi / 3), 0.0, std::sin(k * kPi / 3)});
  mesh.vertices = ring;
  mesh.uvs = std::vector<Vec2>(6);
  mesh.faces = std::vector<MeshFace>{MeshFace{{0, 1, 2, 3, 4, 5}, {10, 11, 12, 13, 14, 15}, 4}};
  mergeVertices(mesh, {0, 3});
  ASSERT_EQ(mesh.faces.size(), 2u);
  EXPECT_EQ(mesh.faces[0].indices, (Indices{0, 3, 4}));
  EXPECT_EQ(mesh.faces[0].uvIndices, (Indices{13, 14, 15}));
  EXPECT_EQ(mesh.faces[1].indices, (Indices{0, 1, 2}));
  EXPECT_EQ(mesh.faces[1].uvIndices, (Indices{10, 11, 12}));
  EXPECT_EQ(mesh.faces[1].materialIndex, 4);
  expectEveryFaceSurvivesLoadGuard(mesh);
}

TEST(EditMerge, CollapsedFacesAreRemoved) {
  MeshData mesh = primitiveMesh(L"Plane");
  EXPECT_FALSE(faceIndicesValid(mesh, MeshFace{{0, 1}, {}, 0}));
  EXPECT_FALSE(faceIndicesValid(mesh, MeshFace{{0, 1, 1, 9}, {}, 0}));
  EXPECT_TRUE(faceIndicesValid(mesh, MeshFace{{0, 1, 1, 2}, {}, 0}));
  mergeVertices(mesh, {0, 1, 2});
  EXPECT_EQ(mesh.vertices.size(), 2u);
  EXPECT_TRUE(mesh.faces.empty());
}

TEST(EditFlip, TwiceIsTheIdentityAndUvsFollowTheirCorners) {
  MeshData mesh = primitiveMesh(L"Cube");
  mesh.uvs = std::vector<Vec2>(24);
  for (std::size_t f = 0; f < 6; ++f) {
    mesh.faces.write()[f].uvIndices = {static_cast<int>(4 * f), static_cast<int>(4 * f + 1),
                                       static_cast<int>(4 * f + 2), static_cast<int>(4 * f + 3)};
  }
  mesh.faces.write()[5].uvIndices.pop_back();  // unpaired list: left as it is
  const MeshData original = mesh;
  flipFaces(mesh, {});
  EXPECT_EQ(mesh.faces[0].indices, (Indices{1, 2, 3, 0}));
  EXPECT_EQ(mesh.faces[0].uvIndices, (Indices{3, 2, 1, 0}));
  EXPECT_EQ(mesh.faces[1].uvIndices, (Indices{7, 6, 5, 4}));
  EXPECT_EQ(mesh.faces[5].uvIndices, (Indices{20, 21, 22}));
  flipFaces(mesh, {});
  EXPECT_EQ(mesh.faces.read(), original.faces.read());
  flipFaces(mesh, {2, 2, 40});
  EXPECT_EQ(mesh.faces[2].indices, (Indices{4, 5, 1, 0}));
  EXPECT_EQ(mesh.faces[1].indices, original.faces[1].indices);
}

TEST(EditRecalculate, ReversesEveryInwardCubeFaceWithItsUvs) {
  MeshData mesh = primitiveMesh(L"Cube");
  flipFaces(mesh, {});  // every face turned toward the centre
  mesh.uvs = std::vector<Vec2>(4);
  mesh.faces.write()[0].uvIndices = {0, 1, 2, 3};
  const MeshData original = mesh;
  recalculateOutsideNormals(mesh);
  for (std::size_t f = 0; f < 6; ++f) {
    Indices reversed(original.faces[f].indices.rbegin(), original.faces[f].indices.rend());
    EXPECT_EQ(mesh.faces[f].indices, reversed) << f;
  }
  EXPECT_EQ(mesh.faces[0].uvIndices, (Indices{3, 2, 1, 0}));
  recalculateOutsideNormals(mesh);  // already outward: unchanged
  EXPECT_EQ(mesh.faces[3].indices, (Indices{1, 2, 6, 5}));
}

// The primitives are built facing outward, so there is nothing to turn; the
// torus's centroid lies in its hole, which a rule by the centroid alone gets
// wrong for the inner half of the tube.
TEST(EditRecalculate, ChangesNoNewPrimitive) {
  for (const wchar_t* label : {L"Cube", L"Plane", L"Text", L"Sphere", L"Cylinder", L"Cone", L"Torus"}) {
    MeshData mesh = primitiveMesh(label);
    const MeshData built = mesh;
    recalculateOutsideNormals(mesh);
    EXPECT_EQ(mesh.faces.read(), built.faces.read()) << label;
  }
}

// Faces scrambled at random on closed shells come back outward, every one.
TEST(EditRecalculate, ScrambledShellsComeBackAsBuilt) {
  for (const wchar_t* label : {L"Cube", L"Sphere", L"Cylinder", L"Cone", L"Torus"}) {
    const MeshData built = primitiveMesh(label);
    MeshData mesh = built;
    std::vector<std::int32_t> some;
    for (std::int32_t f = 0; f < static_cast<std::int32_t>(mesh.faces.size()); ++f) {
      if ((f * 7 + 3) % 5 < 2) some.push_back(f);
    }
    flipFaces(mesh, some);
    recalculateOutsideNormals(mesh);
    ASSERT_EQ(mesh.faces.size(), built.faces.size()) << label;
    for (std::size_t f = 0; f < built.faces.size(); ++f) {
      const CornerList& got = mesh.faces[f].indices;
      const CornerList& want = built.faces[f].indices;
      // Same loop, same direction: one is a rotation of the other.
      bool same = false;
      for (std::size_t r = 0; r < want.size() && !same; ++r) {
        same = true;
        for (std::size_t k = 0; k < want.size(); ++k) same = same && got[k] == want[(k + r) % want.size()];
      }
      EXPECT_TRUE(same) << label << " face " << f;
    }
  }
}

TEST(EditBridge, PairsEdgesInOrderAndIgnoresTheOddOne) {
  MeshData mesh = primitiveMesh(L"Cube");
  mesh.faces = std::vector<MeshFace>{};  // only the edges matter
  std::int32_t front = edgeIndex(mesh, 0, 1), back = edgeIndex(mesh, 6, 7), side = edgeIndex(mesh, 1, 2);
  Indices sorted = {front, back, side};
  std::sort(sorted.begin(), sorted.end());
  Indices quads = bridgeEdges(mesh, {side, back, front});
  ASSERT_EQ(quads, Indices{0});
  const MeshEdge& e0 = mesh.edges[sorted[0]];
  const MeshEdge& e1 = mesh.edges[sorted[1]];
  Indices built;
  for (std::uint32_t corner : {e0.first, e0.second, e1.second, e1.first}) {
    if (std::find(built.begin(), built.end(), static_cast<int>(corner)) == built.end())
      built.push_back(static_cast<int>(corner));
  }
  Indices reversed(built.rbegin(), built.rend());
  EXPECT_TRUE(mesh.faces[0].indices == built || mesh.faces[0].indices == reversed);
}

TEST(EditBridge, EdgesSharingAVertexSpanTheirTriangle) {
  MeshData mesh = primitiveMesh(L"Cube");
  const std::size_t before = mesh.faces.size();
  Indices made = bridgeEdges(mesh, {edgeIndex(mesh, 0, 1), edgeIndex(mesh, 1, 2)});
  ASSERT_EQ(made, Indices{static_cast<int>(before)});
  Indices corners = mesh.faces[before].indices;
  std::sort(corners.begin(), corners.end());
  EXPECT_EQ(corners, (Indices{0, 1, 2}));
  expectEveryFaceSurvivesLoadGuard(mesh);
}

TEST(EditFill, SquareCornersAreOrderedByAngleAroundTheirCentre) {
  MeshData mesh = primitiveMesh(L"Plane");
  Indices loop = {2, 0, 3, 1};
  sortFillLoopByAngle(mesh, loop);
  EXPECT_EQ(loop, (Indices{0, 1, 2, 3}));  // atan2(z, x): -135, -45, 45, 135 degrees
  mesh.faces = std::vector<MeshFace>{};
  Indices created = appendFaces(mesh, fillLoopFaces(mesh, {3, 1, 0, 2}));
  EXPECT_EQ(created, Indices{0});
  EXPECT_EQ(mesh.faces[0].indices, (Indices{0, 1, 2, 3}));  // a lone face has nothing to turn from
}

TEST(EditFill, LoopInTheXyPlaneSortsByAtan2YX) {
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>{{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  Indices loop = {0, 1, 2, 3};
  sortFillLoopByAngle(mesh, loop);
  EXPECT_EQ(loop, (Indices{3, 0, 1, 2}));  // -90, 0, 90, 180 degrees
}

// 300 vertices on a circle in the XZ plane, no face.
MeshData ringOf300() {
  MeshData mesh;
  std::vector<Vec3> ring;
  for (int k = 0; k < 300; ++k) ring.push_back({std::cos(k * 2 * kPi / 300), 0.0, std::sin(k * 2 * kPi / 300)});
  mesh.vertices = ring;
  return mesh;
}

TEST(EditFill, LongLoopIsStoredAsFanPiecesTheLoadGuardKeeps) {
  MeshData mesh = ringOf300();
  Indices loop(300);
  std::iota(loop.begin(), loop.end(), 0);
  EXPECT_EQ(loopFaceCount(300), 3);
  Indices created = appendFaces(mesh, fillLoopFaces(mesh, loop));
  ASSERT_EQ(created, (Indices{0, 1, 2}));
  expectEveryFaceSurvivesLoadGuard(mesh);
  // The pieces share the first corner, follow each other and cover the loop once.
  std::set<std::int32_t> covered;
  std::int32_t first = mesh.faces[0].indices[0];
  for (std::size_t f = 0; f < 3; ++f) {
    const Indices& piece = mesh.faces[f].indices;
    EXPECT_EQ(piece.front(), first);
    if (f > 0) {
      EXPECT_EQ(piece[1], mesh.faces[f - 1].indices.back());
    }
    covered.insert(piece.begin(), piece.end());
    EXPECT_GT(vec3Dot(faceNormal(mesh, mesh.faces[f]), faceNormal(mesh, mesh.faces[0])), 0.99);
  }
  EXPECT_EQ(covered.size(), 300u);
  EXPECT_EQ(loopFaceCount(128), 1);
  EXPECT_EQ(loopFaceCount(129), 2);
  EXPECT_EQ(splitLongLoop(Indices(128, 0)).size(), 1u);
}

// A second face on corners a face already joins would lie on it: Fill leaves
// it out, whichever way the existing face runs, and builds every other loop.
TEST(EditFill, CornersAFaceAlreadyJoinsMakeNoSecondFace) {
  MeshData mesh = primitiveMesh(L"Cube");
  EXPECT_TRUE(fillLoopFaces(mesh, {0, 1, 2, 3}).empty());  // face 0 is (0, 3, 2, 1)
  reverseFaceWinding(mesh.faces.write()[0]);
  EXPECT_TRUE(fillLoopFaces(mesh, {0, 1, 2, 3}).empty());
  mesh.faces.write()[0].indices = {2, 1, 0, 3};
  EXPECT_TRUE(fillLoopFaces(mesh, {3, 2, 1, 0}).empty());
  // Part of a face's corners, or more than them, is a face of its own.
  EXPECT_EQ(fillLoopFaces(mesh, {0, 1, 2}).size(), 1u);
  EXPECT_EQ(fillLoopFaces(mesh, {0, 1, 2, 3, 4}).size(), 1u);
  // A face through a corner twice is not the face through each once.
  mesh.faces.write()[0].indices = {0, 1, 2, 2};
  EXPECT_EQ(fillLoopFaces(mesh, {0, 1, 2}).size(), 1u);
}

TEST(EditFill, LongLoopFilledAgainGivesBackOnlyTheMissingPieces) {
  MeshData mesh = ringOf300();
  Indices loop(300);
  std::iota(loop.begin(), loop.end(), 0);
  appendFaces(mesh, fillLoopFaces(mesh, loop));
  ASSERT_EQ(mesh.faces.size(), 3u);
  EXPECT_TRUE(fillLoopFaces(mesh, loop).empty());
  const MeshFace middle = mesh.faces[1];
  mesh.faces.write().erase(mesh.faces.write().begin() + 1);
  const std::vector<MeshFace> refilled = fillLoopFaces(mesh, loop);
  ASSERT_EQ(refilled.size(), 1u);
  EXPECT_EQ(refilled[0].indices, middle.indices);
}

TEST(EditLoopCut, QuadSplitsAtItsMidpointsAndNgonIntoFanTriangles) {
  MeshData mesh = primitiveMesh(L"Cube");
  Indices selection = loopCutFaces(mesh, {0});
  EXPECT_EQ(selection, (Indices{5, 6}));
  // Face 0 is (0, 3, 2, 1): the cut joins the midpoints of its edges 0-3 and 2-1.
  expectNear(mesh.vertices[8], {-0.5, 0.0, -0.5});
  expectNear(mesh.vertices[9], {0.5, 0.0, -0.5});
  EXPECT_EQ(mesh.faces[5].indices, (Indices{0, 8, 9, 1}));  // already facing away from the centre
  EXPECT_EQ(mesh.faces[6].indices, (Indices{8, 3, 2, 9}));
  // An inward face is cut the same way and its halves are turned outward.
  MeshData inward = primitiveMesh(L"Cube");
  inward.faces.write()[0].indices = {0, 1, 2, 3};
  loopCutFaces(inward, {0});
  Indices left = {0, 8, 9, 3}, right = {8, 1, 2, 9};
  EXPECT_EQ(inward.faces[5].indices, Indices(left.rbegin(), left.rend()));
  EXPECT_EQ(inward.faces[6].indices, Indices(right.rbegin(), right.rend()));

  MeshData cylinder = primitiveMesh(L"Cylinder");
  MeshGrowth exact = loopCutGrowth(cylinder, {1, 2});
  EXPECT_EQ(exact.vertices, 1 + 2);
  EXPECT_EQ(exact.faces, 18 + 2);
  Indices cut = loopCutFaces(cylinder, {1});
  EXPECT_EQ(cut.size(), 18u);
  EXPECT_EQ(cylinder.vertices.size(), 37u);
  expectNear(cylinder.vertices[36], {0.0, 0.55, 0.0}, 1e-12);
  for (std::int32_t f : cut) {
    EXPECT_EQ(cylinder.faces[f].indices.size(), 3u);
    EXPECT_EQ(std::count(cylinder.faces[f].indices.begin(), cylinder.faces[f].indices.end(), 36), 1);
  }
}

TEST(EditSeparate, OneCubeFaceBecomesFourVerticesAndOneFace) {
  MeshData source = primitiveMesh(L"Cube");
  source.uvs = std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0.5}};
  source.faces.write()[3].uvIndices = {4, 2, 1, 0};
  source.faces.write()[3].materialIndex = 2;
  MeshData part = separatedMesh(source, {3});
  ASSERT_EQ(part.vertices.size(), 4u);
  EXPECT_EQ(part.vertices[0], source.vertices[1]);
  ASSERT_EQ(part.faces.size(), 1u);
  EXPECT_EQ(part.faces[0].indices, (Indices{0, 1, 2, 3}));
  EXPECT_EQ(part.faces[0].uvIndices, (Indices{0, 1, 2, 3}));
  EXPECT_EQ(part.uvs.read(), (std::vector<Vec2>{{0.5, 0.5}, {1, 1}, {1, 0}, {0, 0}}));
  EXPECT_EQ(part.faces[0].materialIndex, 2);
  EXPECT_TRUE(separatedMesh(source, {17}).faces.empty());
}

TEST(EditJoin, AppendsShiftedVerticesRenumberedFacesAndUvs) {
  MeshData target = primitiveMesh(L"Plane");
  target.uvs = std::vector<Vec2>{{0, 0}};
  MeshData other = primitiveMesh(L"Plane");
  other.uvs = std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  other.faces.write()[0].uvIndices = {0, 1, 2, 3};
  other.faces.write()[0].materialIndex = 5;
  other.faces.write().push_back(MeshFace{{0, 1, 9}, {}, 0});  // broken: not copied
  appendMeshWithOffset(target, other, {2, 0, 0});
  ASSERT_EQ(target.vertices.size(), 8u);
  expectNear(target.vertices[4], {1.2, 0, -0.8});
  ASSERT_EQ(target.faces.size(), 2u);
  EXPECT_EQ(target.faces[1].indices, (Indices{4, 7, 6, 5}));
  EXPECT_EQ(target.faces[1].uvIndices, (Indices{1, 2, 3, 4}));
  EXPECT_EQ(target.faces[1].materialIndex, 5);
}

}  // namespace
}  // namespace vk
