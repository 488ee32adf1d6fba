// glTF import preflight: the hard budgets at their edges, survival and proxy
// modes, instanced meshes counted per node, sums that must not wrap, and the
// report's decision and note lines.
#include <gtest/gtest.h>

#include "gltf_import_fixture.h"

namespace vk {
namespace {

using test::GltfFixture;

// A document of counts only: `nodes` nodes naming mesh 0 (or none), `meshes`
// meshes whose one primitive names accessor 0 with `vertices` and an index
// accessor 1 with `indices` elements, and `accessors` accessors in all.
std::string countsDocument(std::size_t nodes, std::size_t meshes, std::size_t accessors, std::uint64_t vertices,
                           std::uint64_t indices, std::size_t materials = 1, std::size_t images = 0) {
  std::string j = "{\"accessors\":[{\"componentType\":5126,\"type\":\"VEC3\",\"count\":" + std::to_string(vertices) +
                  "},{\"componentType\":5125,\"count\":" + std::to_string(indices) + "}";
  for (std::size_t i = 2; i < accessors; ++i) j += ",{}";
  j += "],\"meshes\":[";
  for (std::size_t i = 0; i < meshes; ++i)
    j += std::string(i ? "," : "") + (i == 0 ? "{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1}]}" : "{}");
  j += "],\"nodes\":[";
  for (std::size_t i = 0; i < nodes; ++i) j += std::string(i ? "," : "") + "{\"mesh\":0}";
  j += "],\"materials\":[";
  for (std::size_t i = 0; i < materials; ++i) j += std::string(i ? "," : "") + "{}";
  j += "],\"images\":[";
  for (std::size_t i = 0; i < images; ++i) j += std::string(i ? "," : "") + "{\"uri\":\"a.png\"}";
  return j + "]}";
}

GltfImportPreflight preflightOf(const std::string& json, PendingGltfDocument* keep = nullptr) {
  PendingGltfDocument document;
  EXPECT_TRUE(test::loadGltfBytes(json, document));
  GltfImportPreflight preflight = phase65PreflightGltf(document);
  if (keep) *keep = std::move(document);
  return preflight;
}

TEST(GltfPreflight, EveryHardBudgetPassesAtItsLimitAndBlocksOneAbove) {
  EXPECT_FALSE(preflightOf(countsDocument(4096, 2048, 8192, 97, 146)).blocked);  // 4096 x 97 < 400000
  EXPECT_TRUE(preflightOf(countsDocument(4097, 1, 2, 1, 3)).blocked);
  EXPECT_TRUE(preflightOf(countsDocument(1, 2049, 2, 1, 3)).blocked);
  EXPECT_TRUE(preflightOf(countsDocument(1, 1, 8193, 1, 3)).blocked);
  EXPECT_FALSE(preflightOf(countsDocument(1, 1, 2, 400000, 1800000)).blocked);
  EXPECT_TRUE(preflightOf(countsDocument(1, 1, 2, 400001, 3)).blocked);
  EXPECT_TRUE(preflightOf(countsDocument(1, 1, 2, 3, 1800003)).blocked);
}

TEST(GltfPreflight, SurvivalAndProxyModesStartJustAboveTheirThresholds) {
  const GltfImportPreflight small = preflightOf(countsDocument(1, 1, 2, 20000, 90000, 32, 32));
  EXPECT_FALSE(small.survivalMode);
  EXPECT_FALSE(small.proxyOnlyPreview);
  for (const std::string& json : {countsDocument(1, 1, 2, 20001, 3), countsDocument(1, 1, 2, 3, 90003),
                                  countsDocument(1, 1, 2, 3, 3, 33), countsDocument(1, 1, 2, 3, 3, 1, 33)}) {
    const GltfImportPreflight f = preflightOf(json);
    EXPECT_TRUE(f.survivalMode);
    EXPECT_TRUE(f.denseProtectedPreview);
    EXPECT_FALSE(f.blocked);
  }
  EXPECT_FALSE(preflightOf(countsDocument(1, 1, 2, 70000, 3)).proxyOnlyPreview);
  EXPECT_TRUE(preflightOf(countsDocument(1, 1, 2, 70001, 3)).proxyOnlyPreview);
  EXPECT_TRUE(preflightOf(countsDocument(1, 1, 2, 3, 210003)).proxyOnlyPreview);
}

TEST(GltfPreflight, InstancedMeshesCountPerNodeAndHugeCountsSaturate) {
  // One 1000-triangle mesh in 4096 nodes builds four million triangles.
  const GltfImportPreflight bomb = preflightOf(countsDocument(4096, 1, 2, 3000, 3000));
  EXPECT_EQ(bomb.estimatedTriangles, 4096u * 1000u);
  EXPECT_TRUE(bomb.blocked);
  // Counts near 2^31 and 2^64 in every node: saturated, never wrapped to small.
  for (const char* count : {"2147483647", "4294967295", "18446744073709551615", "1e300"}) {
    std::string json = countsDocument(4096, 1, 2, 1, 3);
    json.replace(json.find("\"count\":1"), 9, std::string("\"count\":") + count);
    const GltfImportPreflight f = preflightOf(json);
    EXPECT_TRUE(f.blocked) << count;
    EXPECT_EQ(f.estimatedVertices, UINT32_MAX) << count;
  }
  // A file without nodes counts every mesh once.
  std::string noNodes = countsDocument(0, 1, 2, 9, 0);
  noNodes.replace(noNodes.find(",\"indices\":1"), 12, "");
  const GltfImportPreflight f = preflightOf(noNodes);
  EXPECT_EQ(f.estimatedVertices, 9u);
  EXPECT_EQ(f.estimatedIndices, 9u);
  EXPECT_EQ(f.estimatedTriangles, 3u);
}

TEST(GltfPreflight, ReportShowsDecisionAndAtMostFourteenNotes) {
  // 20 LINES primitives: 20 identical notes, one audit warning.
  std::string prims;
  for (int i = 0; i < 20; ++i) prims += std::string(i ? "," : "") + "{\"mode\":1,\"attributes\":{\"POSITION\":0}}";
  PendingGltfDocument document;
  const GltfImportPreflight f =
      preflightOf("{\"accessors\":[{\"componentType\":5126,\"type\":\"VEC3\",\"count\":3}],\"meshes\":[{\"primitives\":[" +
                      prims + "]}],\"nodes\":[{\"mesh\":0}]}",
                  &document);
  ASSERT_EQ(f.notes.size(), 20u);
  const std::wstring report = phase65PreflightReport(document, f);
  EXPECT_NE(report.find(L"Compatibility audit: 0 triangle-compatible primitives / 20 total, 20 unsupported primitive "
                        L"modes, 0 unsupported index accessors.\nDecision: safe to import normally.\nWarnings:\n"),
            std::wstring::npos);
  std::size_t lines = 0;
  for (std::size_t at = report.find(L"\n- Unsupported primitive mode"); at != std::wstring::npos;
       at = report.find(L"\n- Unsupported primitive mode", at + 1))
    ++lines;
  EXPECT_EQ(lines, 14u);
  EXPECT_NE(report.find(L"- Additional warnings: 6\n"), std::wstring::npos);
  EXPECT_EQ(std::count(document.warnings.begin(), document.warnings.end(),
                       L"Phase 65.3: primitive mode LINES detected; only TRIANGLES are imported, so this primitive is "
                       L"skipped safely."),
            1);

  const std::wstring blocked = phase65PreflightReport(document, preflightOf(countsDocument(4097, 1, 2, 1, 3)));
  EXPECT_NE(blocked.find(L"Decision: blocked before scene creation"), std::wstring::npos);
  const std::wstring survival = phase65PreflightReport(document, preflightOf(countsDocument(1, 1, 2, 20001, 3)));
  EXPECT_NE(survival.find(L"Viewport mode: dense protected preview\n"), std::wstring::npos);
  EXPECT_NE(survival.find(L"Decision: safe to import using large-asset survival mode"), std::wstring::npos);
}

TEST(GltfAudit, CountsWhatTheImporterCanRead) {
  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const int bytes = f.indices({0, 1, 2}, 5121);
  const int shorts = f.indices({0, 1, 2}, 5123);
  f.accessor(0, 5126, 1, "MAT3");
  f.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     ",\"NORMAL\":0,\"COLOR_0\":0,\"TANGENT\":0},\"indices\":" + std::to_string(bytes) +
                     ",\"material\":0},{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     "},\"indices\":" + std::to_string(shorts) + ",\"material\":1},{\"indices\":0}]}");
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  const GltfAuditCounters& c = document.audit;
  EXPECT_EQ(c.primitives, 3u);
  EXPECT_EQ(c.readablePrimitives, 2u);
  EXPECT_EQ(c.skippedPrimitives, 1u);
  EXPECT_EQ(c.indexU8, 1u);
  EXPECT_EQ(c.indexU16, 1u);
  EXPECT_EQ(c.unsupportedAccessors, 1u);
  EXPECT_EQ(c.droppedKinds, 3u);
  EXPECT_EQ(c.multiPrimitiveMeshes, 1u);
  EXPECT_EQ(c.multiMaterialMeshes, 1u);
}

}  // namespace
}  // namespace vk
