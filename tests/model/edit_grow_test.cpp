// Extrude, inset, bevel and the face replacement they share, on the
// primitives: exact vertex order, face order and new selection.
#include <gtest/gtest.h>

#include <cmath>

#include "edit_helpers.h"
#include "model/edit_mesh.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {
namespace {

using namespace edittest;

TEST(EditExtrude, OneCubeFaceGivesFiveOldFacesFourSidesAndTheCap) {
  MeshData mesh = primitiveMesh(L"Cube");
  MeshGrowth growth = faceExtrudeGrowth(mesh, {0});
  EXPECT_EQ(growth.vertices, 4);
  EXPECT_EQ(growth.faces, 5);
  Indices caps = extrudeFaces(mesh, {0});
  EXPECT_EQ(caps, Indices{9});
  ASSERT_EQ(mesh.vertices.size(), 12u);
  // Face (0,3,2,1) lies at z = -0.5 and its outward normal is -Z.
  expectNear(mesh.vertices[8], {-0.5, -0.5, -0.85});
  expectNear(mesh.vertices[9], {-0.5, 0.5, -0.85});
  expectNear(mesh.vertices[11], {0.5, -0.5, -0.85});
  std::vector<Indices> expected = {
      {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7},  // the unselected faces
      {0, 3, 9, 8}, {3, 2, 10, 9}, {2, 1, 11, 10}, {1, 0, 8, 11},            // sides, facing outward
      {8, 9, 10, 11},                                                       // cap, facing along -Z
  };
  EXPECT_EQ(faceIndexLists(mesh), expected);
  expectNear(faceNormal(mesh, mesh.faces[9]), {0, 0, -1});
  expectNear(faceNormal(mesh, mesh.faces[5]), {-1, 0, 0});
}

TEST(EditExtrude, SelectedFacesThatDoNotQualifyAreRemovedWithoutReplacement) {
  MeshData mesh = primitiveMesh(L"Cube");
  mesh.faces.write().push_back(MeshFace{{0, 1, 1}, {}, 0});  // two distinct corners
  EXPECT_EQ(faceExtrudeGrowth(mesh, {6}).vertices, 0);
  Indices caps = extrudeFaces(mesh, {6, 1});
  EXPECT_EQ(mesh.faces.size(), 5u + 5u);
  EXPECT_EQ(caps, Indices{9});
  EXPECT_EQ(mesh.faces[9].materialIndex, 0);
}

TEST(EditExtrude, CapAndSidesKeepTheSourceMaterial) {
  MeshData mesh = primitiveMesh(L"Cube");
  mesh.faces.write()[2].materialIndex = 3;
  extrudeFaces(mesh, {2});
  for (std::size_t f = 5; f < mesh.faces.size(); ++f) EXPECT_EQ(mesh.faces[f].materialIndex, 3);
}

TEST(EditExtrude, TwoSeparateEdgesGiveTwoQuadsAlongTheirFaceNormals) {
  MeshData mesh = primitiveMesh(L"Cube");
  std::int32_t bottomFront = edgeIndex(mesh, 0, 1);
  std::int32_t topBack = edgeIndex(mesh, 6, 7);
  Indices quads = extrudeEdges(mesh, {topBack, bottomFront});
  EXPECT_EQ(quads, (Indices{6, 7}));
  ASSERT_EQ(mesh.vertices.size(), 12u);
  // Edge (0,1) borders the -Z and -Y faces: it moves along (0, -1, -1)/sqrt 2.
  const double s = 0.35 / std::sqrt(2.0);
  expectNear(mesh.vertices[8], {-0.5, -0.5 - s, -0.5 - s}, 1e-12);
  expectNear(mesh.vertices[9], {0.5, -0.5 - s, -0.5 - s}, 1e-12);
  for (std::int32_t q : quads) {
    EXPECT_EQ(mesh.faces[q].indices.size(), 4u);
    EXPECT_EQ(mesh.faces[q].materialIndex, 0);
  }
}

TEST(EditExtrude, VerticesBecomeLooseSelectedVertices) {
  MeshData mesh = primitiveMesh(L"Cube");
  Indices created = extrudeVertices(mesh, {6, 0, 3});
  EXPECT_EQ(created, (Indices{8, 9, 10}));
  EXPECT_EQ(mesh.faces.size(), 6u);
  const double s = 0.35 / std::sqrt(3.0);
  expectNear(mesh.vertices[8], {-0.5 - s, -0.5 - s, -0.5 - s}, 1e-12);
  // A vertex no face uses moves away from the centroid.
  MeshData loose;
  loose.vertices = std::vector<Vec3>{{0, 0, 0}, {2, 0, 0}};
  extrudeVertices(loose, {1});
  expectNear(loose.vertices[2], {2.35, 0, 0});
}

TEST(EditExtrude, RunningCentroidMatchesAFreshAverageBitForBit) {
  // The orientation of later faces depends on the centroid after every
  // append; the running sum must equal meshCentroid exactly.
  MeshData reference = primitiveMesh(L"Sphere");
  MeshData mesh = reference;
  extrudeVertices(mesh, {0, 5, 17, 33, 61});
  std::vector<Vec3> expected = reference.vertices.read();
  for (std::int32_t v : {0, 5, 17, 33, 61}) {
    MeshData step;
    step.vertices = expected;
    step.faces = reference.faces;
    expected.push_back(reference.vertices[v] + vertexNormal(step, v) * kExtrudeDistance);
  }
  EXPECT_EQ(mesh.vertices.read(), expected);
}

TEST(EditInset, CubeFaceIsReplacedBySidesThenInnerFace) {
  MeshData mesh = primitiveMesh(L"Cube");
  MeshGrowth growth = insetGrowth(mesh, {0});
  EXPECT_EQ(growth.vertices, 4);
  EXPECT_EQ(growth.faces, 5);
  Indices selection = insetFaceList(mesh, {0}, kInsetFactor);
  EXPECT_EQ(selection, (Indices{5, 6, 7, 8, 9}));
  expectNear(mesh.vertices[8], {-0.39, -0.39, -0.5});
  std::vector<Indices> expected = {
      {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7},
      {0, 3, 9, 8}, {3, 2, 10, 9}, {2, 1, 11, 10}, {1, 0, 8, 11}, {8, 9, 10, 11},
  };
  EXPECT_EQ(faceIndexLists(mesh), expected);
}

TEST(EditInset, ReplaceFacesKeepsOrderAndDropsInvalidNewFaces) {
  MeshData mesh = primitiveMesh(L"Cube");
  Indices out;
  std::vector<MeshFace> added = {MeshFace{{0, 1, 2}, {}, 0}, MeshFace{{0, 0, 1}, {}, 0}, MeshFace{{4, 5, 6}, {}, 2}};
  replaceFaces(mesh, {5, 1, 99}, added, out);
  EXPECT_EQ(out, (Indices{4, 5}));
  std::vector<Indices> expected = {{0, 3, 2, 1}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {0, 1, 2}, {4, 5, 6}};
  EXPECT_EQ(faceIndexLists(mesh), expected);
  EXPECT_EQ(mesh.faces[5].materialIndex, 2);
}

TEST(EditBevel, EdgeQuadMovesTowardTheCentroidAndIsNotReoriented) {
  MeshData mesh = primitiveMesh(L"Cube");
  Indices quads = bevelEdges(mesh, {edgeIndex(mesh, 0, 1)});
  EXPECT_EQ(quads, Indices{6});
  EXPECT_EQ(mesh.faces[6].indices, (Indices{0, 1, 9, 8}));
  const double s = 0.12 / std::sqrt(2.0);
  expectNear(mesh.vertices[8], {-0.5, -0.5 + s, -0.5 + s});
  expectNear(mesh.vertices[9], {0.5, -0.5 + s, -0.5 + s});
}

TEST(EditSelection, ReadersCombineTheThreeSelections) {
  MeshData mesh = primitiveMesh(L"Cube");
  MeshSelection selection{{7}, {edgeIndex(mesh, 0, 1)}, {}};
  EXPECT_EQ(selectionVertexIndices(mesh, selection), (Indices{0, 1, 7}));
  // Faces around vertex 7: 1, 4, 5; faces holding 0 and 1: 0, 2.
  EXPECT_EQ(facesTouchedBySelection(mesh, selection), (Indices{0, 1, 2, 4, 5}));
  MeshSelection faceOnly{{}, {}, {3}};
  EXPECT_EQ(transformVertexIndices(mesh, faceOnly, ComponentMode::Face), (Indices{1, 2, 5, 6}));
  EXPECT_TRUE(transformVertexIndices(mesh, faceOnly, ComponentMode::Vertex).empty());
}

TEST(EditSelection, EdgeEndsNeedNotBeNeighboursInTheFace) {
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
  mesh.faces = std::vector<MeshFace>{MeshFace{{0, 1, 2, 3}, {}, 0}};
  mesh.edges = std::vector<MeshEdge>{{0, 2}};  // a diagonal
  EXPECT_EQ(facesTouchedBySelection(mesh, MeshSelection{{}, {0}, {}}), Indices{0});
}

}  // namespace
}  // namespace vk
