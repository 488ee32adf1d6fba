// glTF import against hostile sizes: sums that must saturate, instances that
// add up, primitives that share accessors, arrays far past their budgets and
// per-element warnings. Every document is generated here, small where the
// fault shows at small sizes.
#include <gtest/gtest.h>

#include "gltf_import_fixture.h"

namespace vk {
namespace {

using test::GltfFixture;

// `count` copies of `element` as a JSON array member named `key`.
std::string repeated(const std::string& key, const std::string& element, std::size_t count) {
  std::string out = "\"" + key + "\":[";
  out.reserve(out.size() + count * (element.size() + 1) + 2);
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out += ',';
    out += element;
  }
  return out + "],";
}

PendingGltfDocument loaded(const std::string& bytes) {
  PendingGltfDocument document;
  EXPECT_TRUE(test::loadGltfBytes(bytes, document));
  return document;
}

// One mesh of `triangles` real triangles over 300 vertices (16-bit indices).
GltfFixture meshOfTriangles(std::uint32_t triangles) {
  GltfFixture f;
  std::vector<Vec3> points;
  for (int i = 0; i < 300; ++i) points.push_back({static_cast<double>(i), static_cast<double>(i % 7), 0.0});
  const int pos = f.positions(points);
  std::vector<std::uint32_t> indices;
  for (std::uint32_t t = 0; t < triangles; ++t)
    for (std::uint32_t k = 0; k < 3; ++k) indices.push_back((t + k * 97) % 300);
  f.mesh(pos, f.indices(indices, 5123));
  return f;
}

TEST(GltfBounds, InstancedAndWrappingEstimatesBlockAndTheBuildKeepsRunningTotals) {
  GltfFixture f = meshOfTriangles(200000);
  // Twelve unreadable primitives of 2^62 declared elements: modulo 2^64 their
  // sums vanish and would leave the real mesh's counts as the estimate.
  std::string bogus;
  for (int i = 0; i < 12; ++i) bogus += ",{\"attributes\":{\"POSITION\":2}}";
  f.accessor(0, 5126, 4611686018427387904ull, "VEC3");
  f.meshes[0].insert(f.meshes[0].size() - 2, bogus);
  for (int i = 0; i < 8; ++i) f.node("\"mesh\":0");
  const GltfImportPreflight eight = phase65PreflightGltf(loaded(f.glb()));
  EXPECT_TRUE(eight.blocked);
  EXPECT_EQ(eight.estimatedVertices, UINT32_MAX);

  // Honest counts: eight instances of 200 000 triangles are 1.6 million.
  GltfFixture plain = meshOfTriangles(200000);
  for (int i = 0; i < 8; ++i) plain.node("\"mesh\":0");
  const GltfImportPreflight honest = phase65PreflightGltf(loaded(plain.glb()));
  EXPECT_TRUE(honest.blocked);
  EXPECT_EQ(honest.estimatedTriangles, 1600000u);
  for (int i = 8; i < 4090; ++i) plain.node("\"mesh\":0");
  EXPECT_TRUE(phase65PreflightGltf(loaded(plain.glb())).blocked);

  // Each mesh built counts what the run built before it.
  GltfFixture small = meshOfTriangles(1000);
  PendingGltfDocument document = loaded(small.glb());
  MeshData mesh;
  std::wstring message;
  document.trianglesImported = kGltfImportTriangleLimit - 999;
  EXPECT_FALSE(test::buildMesh(document, 0, mesh, message));
  EXPECT_NE(message.find(L"triangle count exceeds"), std::wstring::npos);
  EXPECT_TRUE(mesh.faces.empty());
  document.trianglesImported = kGltfImportTriangleLimit - 1000;
  EXPECT_TRUE(test::buildMesh(document, 0, mesh, message));
  EXPECT_EQ(mesh.faces.size(), 1000u);
  document.trianglesImported = 0;
  document.verticesImported = kGltfImportVertexLimit - 299;
  EXPECT_FALSE(test::buildMesh(document, 0, mesh, message));
  EXPECT_NE(message.find(L"vertex count exceeds"), std::wstring::npos);
}

TEST(GltfBounds, PrimitivesSharingAccessorsBuildOnceEachAndPollEscapeAcrossThem) {
  // 599 primitives naming one 1000-triangle index accessor (and one UV
  // accessor far longer than the positions).
  GltfFixture f;
  std::vector<Vec3> points;
  for (int i = 0; i < 600; ++i) points.push_back({static_cast<double>(i), 1.0, 0.0});
  const int pos = f.positions(points);
  std::vector<std::uint32_t> indices;
  for (std::uint32_t t = 0; t < 1000; ++t)
    for (std::uint32_t k = 0; k < 3; ++k) indices.push_back((t + k * 211) % 600);
  const int ix = f.indices(indices);
  const int uv = f.uvs(std::vector<Vec2>(20000, Vec2{0.5, 0.5}));
  std::string primitives;
  for (int i = 0; i < 599; ++i)
    primitives += std::string(i ? "," : "") + "{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                  ",\"TEXCOORD_0\":" + std::to_string(uv) + "},\"indices\":" + std::to_string(ix) + "}";
  f.meshes.push_back("{\"primitives\":[" + primitives + "]}");
  PendingGltfDocument document = loaded(f.glb());
  std::size_t stagingPolls = 0;
  document.cancelProbe = [&](const std::wstring& text) {
    stagingPolls += text.find(L"staging mesh triangles") != std::wstring::npos;
    return false;
  };
  MeshData mesh;
  std::wstring message;
  ASSERT_TRUE(test::buildMesh(document, 0, mesh, message)) << message;
  EXPECT_EQ(mesh.faces.size(), 599000u);
  EXPECT_EQ(mesh.vertices.size(), 599u * 600u);
  EXPECT_EQ(mesh.uvs.size(), 599u * 600u);  // only UVs a face can name
  EXPECT_EQ(stagingPolls, 599000u / 8192u);

  // Escape at the first staging poll, which only the count across the
  // primitives reaches.
  PendingGltfDocument cancelled = loaded(f.glb());
  cancelled.cancelProbe = [](const std::wstring& text) {
    return text.find(L"staging mesh triangles") != std::wstring::npos;
  };
  EXPECT_FALSE(test::buildMesh(cancelled, 0, mesh, message));
  EXPECT_EQ(message, L"Import cancelled with Escape before scene creation completed.");
}

TEST(GltfBounds, ArraysAreCountedBeforeTheyAreBuilt) {
  const std::string head = "{\"asset\":{\"version\":\"2.0\"},";
  // Materials and images past their budgets: the first ones are read, the
  // file only warns.
  PendingGltfDocument many =
      loaded(head + repeated("materials", "{}", 200000) + repeated("images", "{\"uri\":\"a.png\"}", 3000) +
             repeated("textures", "{\"source\":0}", 5000) + "\"meshes\":[]}");
  EXPECT_EQ(many.materials.size(), kGltfImportMaterialLimit);
  EXPECT_EQ(many.images.size(), kGltfImportImageLimit);
  EXPECT_EQ(many.textureSources.size(), kGltfImportTextureLimit);
  const GltfImportPreflight warned = phase65PreflightGltf(many);
  EXPECT_FALSE(warned.blocked);
  EXPECT_EQ(warned.materials, 200000u);
  EXPECT_EQ(warned.images, 3000u);
  EXPECT_TRUE(warned.survivalMode);

  // Past a blocking budget nothing of that array is built and the file is refused.
  struct Case {
    const char* key;
    const char* element;
    std::size_t count;
  };
  for (const Case& c : {Case{"nodes", "{\"mesh\":0}", kGltfImportNodeLimit + 1},
                        Case{"meshes", "{\"primitives\":[]}", kGltfImportMeshLimit + 1},
                        Case{"accessors", "{\"count\":3}", kGltfImportAccessorLimit + 1},
                        Case{"bufferViews", "{\"buffer\":0}", kGltfImportBufferViewLimit + 1},
                        Case{"buffers", "{\"uri\":\"missing.bin\"}", kGltfImportBufferLimit + 1}}) {
    SCOPED_TRACE(c.key);
    const PendingGltfDocument document = loaded(head + repeated(c.key, c.element, c.count) + "\"scene\":0}");
    EXPECT_TRUE(document.nodes.empty() && document.meshes.empty() && document.accessors.empty() &&
                document.bufferViews.empty() && document.buffers.empty());
    EXPECT_TRUE(phase65PreflightGltf(document).blocked);
  }
  // Primitives over all meshes, each mesh within the budget.
  const std::string prims = repeated("primitives", "{}", kGltfImportPrimitiveLimit / 2 + 1);
  const PendingGltfDocument split =
      loaded(head + "\"meshes\":[{" + prims.substr(0, prims.size() - 1) + "},{" + prims.substr(0, prims.size() - 1) +
             "}]}");
  EXPECT_EQ(split.declared.primitives, kGltfImportPrimitiveLimit + 2u);
  EXPECT_TRUE(split.meshes.empty());
  EXPECT_TRUE(phase65PreflightGltf(split).blocked);
}

TEST(GltfBounds, WarningsKeepTheTextsTheReportShowsAndCountTheRest) {
  // Every view names a missing buffer: one distinct warning each.
  PendingGltfDocument document =
      loaded("{" + repeated("bufferViews", "{\"buffer\":7}", 5000) + "\"buffers\":[]}");
  EXPECT_EQ(document.warnings.size(), kGltfImportWarningTextLimit);
  EXPECT_EQ(document.audit.badViews, 5000u);
  EXPECT_GE(gltfWarningCount(document), 5000u);
  const std::uint64_t before = gltfWarningCount(document);
  phase65PushUniqueWarning(document, L"past the cap");
  phase65PushUniqueWarning(document, L"past the cap");
  addGltfWarning(document, L"repeatable");
  addGltfWarning(document, L"repeatable");
  EXPECT_EQ(gltfWarningCount(document), before + 3);
  const std::wstring tail = phase65ImportReportTail(document);
  EXPECT_NE(tail.find(L"- Additional warnings preserved in import report: " +
                      std::to_wstring(gltfWarningCount(document) - 64) + L"\n"),
            std::wstring::npos);

  // One preflight note per primitive of another mode: 64 texts and a count.
  const PendingGltfDocument lines =
      loaded("{\"meshes\":[{" + repeated("primitives", "{\"mode\":1,\"attributes\":{}}", 100) + "\"name\":\"m\"}]}");
  const GltfImportPreflight f = phase65PreflightGltf(lines);
  EXPECT_EQ(f.notes.size(), kGltfImportWarningTextLimit);
  EXPECT_EQ(f.notesNotKept, 36u);
  EXPECT_NE(phase65PreflightReport(lines, f).find(L"- Additional warnings: 86\n"), std::wstring::npos);
}

}  // namespace
}  // namespace vk
