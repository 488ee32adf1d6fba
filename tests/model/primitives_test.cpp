// Fixed vertex and face orders of the built-in primitives: selections, saved
// projects and edit operations address them by index.
#include <gtest/gtest.h>

#include <cmath>

#include "model/math.h"
#include "model/mesh_data.h"
#include "model/primitives.h"

namespace vk {
namespace {

using Indices = std::vector<std::int32_t>;

void expectNear(const Vec3& actual, const Vec3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-12);
  EXPECT_NEAR(actual.y, expected.y, 1e-12);
  EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

struct Counts {
  const wchar_t* label;
  std::size_t vertices, edges, faces;
};

TEST(Primitives, CountsPerLabel) {
  for (const Counts& c : {Counts{L"Plane", 4, 4, 1}, Counts{L"Text", 4, 4, 1}, Counts{L"Sphere", 62, 132, 72},
                          Counts{L"Cylinder", 36, 54, 20}, Counts{L"Cone", 19, 36, 19},
                          Counts{L"Torus", 128, 256, 128}, Counts{L"Group", 0, 0, 0}, Counts{L"Empty", 0, 0, 0},
                          Counts{L"Cube", 8, 12, 6}}) {
    MeshData mesh = createMeshDataForObject(c.label);
    EXPECT_EQ(mesh.vertices.size(), c.vertices) << c.label;
    EXPECT_EQ(mesh.edges.size(), c.edges) << c.label;
    EXPECT_EQ(mesh.faces.size(), c.faces) << c.label;
    EXPECT_EQ(mesh.schema, L"mesh-data-v1");
    EXPECT_TRUE(mesh.uvs.empty());
    EXPECT_TRUE(mesh.normals.empty()) << "only the edge list is derived";
    for (const MeshFace& f : mesh.faces) {
      EXPECT_TRUE(f.uvIndices.empty());
      EXPECT_EQ(f.materialIndex, 0);
    }
    Object o;
    o.meshData = mesh;
    rebuildMeshData(o);
    EXPECT_EQ(o.meshData.degenerateFaces, 0) << c.label;
  }
  EXPECT_EQ(createMeshDataForObject(L"Group").validation, L"Non-mesh object uses placeholder-only mesh metadata");
}

TEST(Primitives, UnknownLabelsFallBackToTheCube) {
  const MeshData cube = createMeshDataForObject(L"Cube");
  for (const wchar_t* label : {L"plane", L"Cube ", L"", L"Edited Mesh", L"sphere"}) {
    EXPECT_EQ(createMeshDataForObject(label), cube) << label;
  }
  EXPECT_EQ(createMeshDataForObject(L"Text"), createMeshDataForObject(L"Plane"));
}

TEST(Primitives, CubeOrderAndFirstEdges) {
  MeshData cube = createMeshDataForObject(L"Cube");
  expectNear(cube.vertices[0], {-0.5, -0.5, -0.5});
  expectNear(cube.vertices[2], {0.5, 0.5, -0.5});
  expectNear(cube.vertices[7], {-0.5, 0.5, 0.5});
  // The faces -Z, +Z, -Y, +X, +Y, -X, each wound outward.
  const std::vector<Indices> faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                      {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  ASSERT_EQ(cube.faces.size(), faces.size());
  for (std::size_t i = 0; i < faces.size(); ++i) EXPECT_EQ(cube.faces[i].indices, faces[i]);
  const std::vector<MeshEdge> first = {{0, 3}, {2, 3}, {1, 2}, {0, 1}, {4, 5}, {5, 6}};
  EXPECT_EQ(std::vector<MeshEdge>(cube.edges.begin(), cube.edges.begin() + 6), first);
}

TEST(Primitives, PlaneSphereCylinderConeTorusOrders) {
  MeshData plane = createMeshDataForObject(L"Plane");
  expectNear(plane.vertices[1], {0.8, 0, -0.8});
  EXPECT_EQ(plane.faces[0].indices, (Indices{0, 3, 2, 1}));

  MeshData sphere = createMeshDataForObject(L"Sphere");
  expectNear(sphere.vertices[0], {0, 0.72, 0});
  expectNear(sphere.vertices[61], {0, -0.72, 0});
  const double y1 = std::cos(kPi / 6) * 0.72, r1 = std::sin(kPi / 6) * 0.72;
  expectNear(sphere.vertices[1], {r1, y1, 0});
  expectNear(sphere.vertices[4], {std::cos(kPi / 2) * r1, y1, r1});  // ring 1, segment 3
  expectNear(sphere.vertices[13], {std::sin(kPi / 3) * 0.72, std::cos(kPi / 3) * 0.72, 0});  // ring 2
  EXPECT_EQ(sphere.faces[0].indices, (Indices{0, 2, 1}));
  EXPECT_EQ(sphere.faces[11].indices, (Indices{0, 1, 12}));
  EXPECT_EQ(sphere.faces[12].indices, (Indices{1, 2, 14, 13}));
  EXPECT_EQ(sphere.faces[23].indices, (Indices{12, 1, 13, 24}));
  EXPECT_EQ(sphere.faces[60].indices, (Indices{50, 61, 49}));
  EXPECT_EQ(sphere.faces[71].indices, (Indices{49, 61, 60}));

  MeshData cylinder = createMeshDataForObject(L"Cylinder");
  expectNear(cylinder.vertices[0], {0.5, -0.55, 0});
  expectNear(cylinder.vertices[18], {0.5, 0.55, 0});
  expectNear(cylinder.vertices[9], {-0.5, -0.55, std::sin(kPi) * 0.5});
  EXPECT_EQ(cylinder.faces[0].indices.front(), 17);
  EXPECT_EQ(cylinder.faces[0].indices[1], 0);
  EXPECT_EQ(cylinder.faces[0].indices.back(), 16);
  EXPECT_EQ(cylinder.faces[1].indices.front(), 18);
  EXPECT_EQ(cylinder.faces[1].indices[1], 35);
  EXPECT_EQ(cylinder.faces[1].indices.back(), 19);
  EXPECT_EQ(cylinder.faces[2].indices, (Indices{0, 18, 19, 1}));
  EXPECT_EQ(cylinder.faces[19].indices, (Indices{17, 35, 18, 0}));

  MeshData cone = createMeshDataForObject(L"Cone");
  expectNear(cone.vertices[18], {0, 0.72, 0});
  EXPECT_EQ(cone.faces[0].indices.size(), 18u);
  EXPECT_EQ(cone.faces[0].indices.front(), 17);
  EXPECT_EQ(cone.faces[0].indices[1], 0);
  EXPECT_EQ(cone.faces[1].indices, (Indices{0, 18, 1}));
  EXPECT_EQ(cone.faces[18].indices, (Indices{17, 18, 0}));

  MeshData torus = createMeshDataForObject(L"Torus");
  expectNear(torus.vertices[0], {0.73, 0, 0});
  expectNear(torus.vertices[2], {0.55, 0.18, 0});
  expectNear(torus.vertices[8 * 4 + 4], {0, std::sin(kPi) * 0.18, 0.37});
  EXPECT_EQ(torus.faces[0].indices, (Indices{0, 1, 9, 8}));
  EXPECT_EQ(torus.faces[7].indices, (Indices{7, 0, 8, 15}));
  EXPECT_EQ(torus.faces[127].indices, (Indices{127, 120, 0, 7}));
}

// Every face's normal points out of the solid: away from the centroid for the
// convex primitives, away from the tube's centre circle for the torus, and
// up for the flat quad of Plane and Text.
TEST(Primitives, EveryFaceFacesOutward) {
  for (const wchar_t* label : {L"Cube", L"Sphere", L"Cylinder", L"Cone"}) {
    const MeshData mesh = createMeshDataForObject(label);
    const Vec3 centroid = meshCentroid(mesh);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const Vec3 out = vec3Normalize(meshFaceCenter(mesh, mesh.faces[f]) - centroid);
      EXPECT_GT(vec3Dot(faceNormal(mesh, mesh.faces[f]), out), 0.2) << label << " face " << f;
    }
  }
  const MeshData torus = createMeshDataForObject(L"Torus");
  for (std::size_t f = 0; f < torus.faces.size(); ++f) {
    const Vec3 c = meshFaceCenter(torus, torus.faces[f]);
    const Vec3 onCircle = vec3Normalize(Vec3{c.x, 0, c.z}) * 0.55;
    EXPECT_GT(vec3Dot(faceNormal(torus, torus.faces[f]), vec3Normalize(c - onCircle)), 0.9) << "torus face " << f;
  }
  for (const wchar_t* label : {L"Plane", L"Text"}) {
    const MeshData quad = createMeshDataForObject(label);
    expectNear(faceNormal(quad, quad.faces[0]), {0, 1, 0});
  }
}

TEST(Primitives, InitMeshDataSetsCountsByKind) {
  Object sphere;
  sphere.mesh.primitive = L"Sphere";
  initMeshData(sphere);
  EXPECT_EQ(sphere.mesh.vertices, 62);
  EXPECT_EQ(sphere.mesh.edges, 132);
  EXPECT_EQ(sphere.mesh.faces, 72);

  Object camera;
  camera.kind = ObjectKind::Camera;  // primitive label "Cube" is ignored
  initMeshData(camera);
  EXPECT_EQ(camera.mesh.vertices, 0);
  EXPECT_EQ(camera.mesh.faces, 0);
  EXPECT_EQ(camera.meshData.validation.rfind(L"MeshData v1 | vertices 0", 0), 0u);

  Object text;
  text.kind = ObjectKind::Text;
  text.mesh.primitive = L"Text";
  initMeshData(text);
  EXPECT_EQ(text.mesh.vertices, 4);
}

}  // namespace
}  // namespace vk
