// glTF import meshes: accessor validation at the byte edges, index reading,
// values a saved project could not keep, primitive modes and the triangle
// budget.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gltf_import_fixture.h"

namespace vk {
namespace {

using test::GltfFixture;

const std::vector<Vec3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

struct Built {
  bool ok = false;
  MeshData mesh;
  std::wstring message;
  PendingGltfDocument document;
};

Built build(const GltfFixture& f, int mesh = 0) {
  Built b;
  EXPECT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), b.document));
  b.ok = test::buildMesh(b.document, mesh, b.mesh, b.message);
  return b;
}

TEST(GltfMesh, UvsAreNormalisedThenFlipped) {
  GltfFixture f;
  const int pos = f.positions(kTriangle);
  f.align();
  const std::size_t start = f.bin.size();
  for (std::uint8_t v : {128, 255, 0, 0, 255, 255}) f.put(v);
  const int normalized = f.accessor(f.view(start, 6), 5121, 3, "VEC2", ",\"normalized\":true");
  const int raw = f.accessor(f.view(start, 6), 5121, 3, "VEC2");
  f.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     ",\"TEXCOORD_0\":" + std::to_string(normalized) + "}}]}");
  f.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     ",\"TEXCOORD_0\":" + std::to_string(raw) + "}}]}");
  Built b = build(f, 0);
  ASSERT_TRUE(b.ok) << b.message;
  EXPECT_NEAR(b.mesh.uvs[0].u, 128.0 / 255.0, 1e-12);
  EXPECT_EQ(b.mesh.uvs[0].v, 0.0);
  // Corners reversed after the first, as the z mirror needs.
  EXPECT_EQ(b.mesh.faces[0].uvIndices, (std::vector<std::int32_t>{0, 2, 1}));
  MeshData rawMesh;
  std::wstring message;
  ASSERT_TRUE(test::buildMesh(b.document, 1, rawMesh, message));
  EXPECT_EQ(rawMesh.uvs[0], (Vec2{128, -254}));
}

TEST(GltfMesh, IndicesOutOfRangeOrUnreadableSkipNeverInvent) {
  GltfFixture f;
  const int pos = f.positions(kTriangle);
  f.mesh(pos, f.indices({0, 1, 2, 0, 1, 0xFFFFFFFFu, 2, 1, 0, 0, 2}));
  const int empty = f.accessor(0, 5125, 0, "SCALAR");
  f.mesh(pos, empty);
  const int pastView = f.accessor(0, 5125, 100, "SCALAR");
  f.mesh(pos, pastView);
  f.mesh(pos, f.accessor(0, 5126, 3, "SCALAR"));  // float indices
  Built b = build(f, 0);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.mesh.faces.size(), 2u);
  EXPECT_EQ(b.message, L"Skipped unsupported/unreadable primitive elements: 2");
  for (int mesh = 1; mesh <= 3; ++mesh) {
    MeshData out;
    std::wstring message;
    EXPECT_FALSE(test::buildMesh(b.document, mesh, out, message)) << mesh;
    EXPECT_EQ(message, L"Mesh primitives were present but unsupported or unreadable.");
  }
}

TEST(GltfMesh, ValuesASavedProjectCouldNotKeepAreSkipped) {
  GltfFixture f;
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {nan, 0, 0}, {0, inf, 0}, {0, 0, -inf}, {1e30, 0, 0}}),
         f.indices({0, 1, 2, 0, 1, 3, 4, 5, 6, 0, 0, 1, 2, 2, 1}));
  Built b = build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.mesh.vertices.size(), 3u);
  ASSERT_EQ(b.mesh.faces.size(), 1u);
  // 4 positions, 2 triangles on them, 2 with a repeated index.
  EXPECT_EQ(b.message, L"Skipped unsupported/unreadable primitive elements: 8");
}

TEST(GltfMesh, AccessorsAreCheckedWholeAgainstTheirView) {
  GltfFixture f;
  f.positions(kTriangle);  // view 0: 36 bytes
  const int exact = f.accessor(f.view(0, 36), 5126, 3, "VEC3");
  const int oneByteOver = f.accessor(f.view(0, 35), 5126, 3, "VEC3");
  const int offsetOver = f.accessor(f.view(0, 36), 5126, 3, "VEC3", ",\"byteOffset\":1");
  const int narrowStride = f.accessor(f.view(0, 36, 8), 5126, 3, "VEC3");
  const int wideStride = f.accessor(f.view(0, 36, 12), 5126, 3, "VEC3");
  const int wrapping = f.accessor(0, 5126, 3, "VEC3", ",\"byteOffset\":18446744073709551600");
  const int hugeCount = f.accessor(0, 5126, 1u << 31, "VEC3");
  f.views.push_back("{\"buffer\":0,\"byteOffset\":18446744073709551600,\"byteLength\":64}");
  const int wrappingView = f.accessor(static_cast<int>(f.views.size()) - 1, 5126, 1, "VEC3");
  f.views.push_back("{\"buffer\":3,\"byteLength\":36}");
  const int missingBuffer = f.accessor(static_cast<int>(f.views.size()) - 1, 5126, 3, "VEC3");
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  const auto readable = [&](int a) { return document.accessors[static_cast<std::size_t>(a)].readable; };
  EXPECT_TRUE(readable(exact));
  EXPECT_TRUE(readable(wideStride));
  for (int a : {oneByteOver, offsetOver, narrowStride, wrapping, hugeCount, wrappingView, missingBuffer})
    EXPECT_FALSE(readable(a)) << a;
  EXPECT_EQ(phase65ReadVertexAccessor(document, hugeCount).size(), 0u);
  bool ok = true;
  EXPECT_EQ(phase65ReadAccessorValue(document, exact, 2, 1, ok), 1.0);
  EXPECT_TRUE(ok);
  phase65ReadAccessorValue(document, exact, 3, 0, ok);
  EXPECT_FALSE(ok);
}

TEST(GltfMesh, OnlyTriangleListsAndDenseAccessorsAreRead) {
  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  std::string prims;
  for (int mode : {0, 1, 2, 3, 5, 6})
    prims += "{\"mode\":" + std::to_string(mode) + ",\"attributes\":{\"POSITION\":" + std::to_string(pos) + "}},";
  f.meshes.push_back("{\"primitives\":[" + prims + "{\"attributes\":{\"POSITION\":" + std::to_string(pos) + "}}]}");
  f.accessors.push_back("{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":\"VEC3\",\"sparse\":{\"count\":0}}");
  f.mesh(static_cast<int>(f.accessors.size()) - 1);
  Built b = build(f, 0);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.mesh.faces.size(), 1u);  // 4 positions without indices: one full triple
  EXPECT_EQ(b.message, L"Skipped unsupported/unreadable primitive elements: 7");
  MeshData sparse;
  std::wstring message;
  EXPECT_FALSE(test::buildMesh(b.document, 1, sparse, message));
  EXPECT_EQ(b.document.audit.sparseAccessors, 1u);
}

TEST(GltfMesh, SixHundredThousandTrianglesImportAndOneMoreFails) {
  // Two primitives: one index accessor alone is capped at 1800000 indices.
  for (std::uint32_t triangles : {600000u, 600001u}) {
    GltfFixture f;
    const int pos = f.positions(kTriangle);
    std::vector<std::uint32_t> first(900000, 0), second((triangles - 300000) * 3, 0);
    for (std::size_t i = 0; i < first.size(); ++i) first[i] = static_cast<std::uint32_t>(i % 3);
    for (std::size_t i = 0; i < second.size(); ++i) second[i] = static_cast<std::uint32_t>(i % 3);
    const int a = f.indices(first, 5121), b = f.indices(second, 5121);
    f.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                       "},\"indices\":" + std::to_string(a) + "},{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                       "},\"indices\":" + std::to_string(b) + "}]}");
    PendingGltfDocument document;
    ASSERT_TRUE(test::loadGltfBytes(f.glb(), document));
    MeshData mesh;
    std::wstring message;
    const bool ok = test::buildMesh(document, 0, mesh, message);
    EXPECT_EQ(ok, triangles == 600000u);
    if (ok) {
      EXPECT_EQ(mesh.faces.size(), 600000u);
    } else {
      EXPECT_EQ(message,
                L"Mesh blocked before scene creation: triangle count exceeds the Phase 65.7.1 raised hard safety budget.");
    }
  }
}

}  // namespace
}  // namespace vk
