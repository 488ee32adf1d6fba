// The GLB container (pack and check), the build-state validation and the
// compatibility report.
#include <sstream>

#include "formats/gltf_test_support.h"

namespace vk {
using namespace std::string_literals;
namespace {

std::string u32(std::uint32_t v) {
  std::string s;
  glbAppendU32(s, v);
  return s;
}

// A well-formed container of `json` (already padded) and `bin`.
std::string container(const std::string& json, const std::string& bin) {
  return u32(0x46546C67) + u32(2) + u32(static_cast<std::uint32_t>(28 + json.size() + bin.size())) +
         u32(static_cast<std::uint32_t>(json.size())) + u32(0x4E4F534A) + json +
         u32(static_cast<std::uint32_t>(bin.size())) + u32(0x004E4942) + bin;
}

std::wstring check(const std::string& bytes) {
  std::wstring error;
  return glbValidateContainer(bytes, error) ? L"ok" : error.substr(error.find(L": ") + 2);
}

TEST(GlbContainer, EveryCheckFailsOnItsOwnCraftedBytes) {
  const std::string json = "{}  ", bin(8, '\0');
  const std::string good = container(json, bin);
  EXPECT_EQ(check(good), L"ok");
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::string b = good;
    b.replace(at, 4, u32(value));
    return b;
  };
  EXPECT_EQ(check(good.substr(0, 24)), L"file is too small for GLB header and chunks.");
  EXPECT_EQ(check(good + "xx"), L"file length is not 4-byte aligned.");
  EXPECT_EQ(check(patched(0, 0x46546C68)), L"missing glTF magic header.");
  EXPECT_EQ(check(patched(4, 1)), L"GLB version is not 2.");
  EXPECT_EQ(check(good + "\0\0\0\0"s), L"declared length does not match file size.");
  EXPECT_EQ(check(patched(16, 0x004E4942)), L"first chunk is not JSON.");
  EXPECT_EQ(check(patched(12, 6)), L"JSON chunk length is empty or not 4-byte aligned.");
  EXPECT_EQ(check(patched(12, 0)), L"JSON chunk length is empty or not 4-byte aligned.");
  EXPECT_EQ(check(patched(12, 20)), L"JSON chunk overruns the file.");
  EXPECT_EQ(check(container("[]  ", bin)), L"JSON chunk does not start with an object.");
  EXPECT_EQ(check(patched(28, 0x4E4F534A)), L"second chunk is not BIN.");
  std::string emptyBin = container(json, "");
  EXPECT_EQ(check(emptyBin), L"BIN chunk length is empty or not 4-byte aligned.");
  EXPECT_EQ(check(patched(24, 4)), L"BIN chunk length does not land on the file end.");
  EXPECT_EQ(glbReadU32(good, good.size() - 3), 0u);
  EXPECT_EQ(glbReadU32(good, std::string::npos), 0u);
  // every cut of a valid container, and every byte flipped, is judged safely
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_NE(check(good.substr(0, n)), L"ok") << n;
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::string flipped = good;
    flipped[i] = static_cast<char>(flipped[i] ^ 0x40);
    check(flipped);
  }
}

TEST(GlbContainer, JsonIsPaddedWithBlanksAndTheHeaderCountsEveryByte) {
  GltfBuildState state;
  state.binBytes.assign(36, '\x07');
  // Tune the scene name so the JSON text is exactly 1001 bytes long.
  appState() = AppState{};
  appState().project.name.clear();
  const std::size_t base = buildGltfSceneJson(state, true).size();
  ASSERT_LT(base, 1001u);
  appState().project.name.assign(1001 - base, L'n');
  ASSERT_EQ(buildGltfSceneJson(state, true).size(), 1001u);
  std::string bytes;
  std::wstring error;
  ASSERT_TRUE(buildGlbBytes(state, bytes, error));
  EXPECT_EQ(bytes.size(), 1068u);
  EXPECT_EQ(glbReadU32(bytes, 8), 1068u);
  EXPECT_EQ(glbReadU32(bytes, 12), 1004u);
  EXPECT_EQ(bytes.substr(20 + 1001, 3), "   ");
  EXPECT_EQ(glbReadU32(bytes, 20 + 1004), 36u);
  EXPECT_EQ(bytes.substr(1068 - 36), state.binBytes);
  appState() = AppState{};
}

// A state of one triangle, valid as built; each case breaks one rule.
class BuildValidation : public GltfTest {
 protected:
  void SetUp() override {
    GltfTest::SetUp();
    addTriangles(L"T", 1);
    std::wstring error;
    ASSERT_TRUE(build(state_, error));
  }
  std::wstring failure(const std::function<void(GltfBuildState&)>& breakIt) {
    GltfBuildState copy = state_;
    breakIt(copy);
    std::wstring error;
    return gltfValidateBuildState(copy, error) ? L"ok" : error.substr(error.find(L"failed: ") + 8);
  }
  GltfBuildState state_;
};

TEST_F(BuildValidation, EveryRuleReportsItsItem) {
  using S = GltfBuildState;
  EXPECT_EQ(failure([](S&) {}), L"ok");
  EXPECT_EQ(failure([](S& s) { s.nodes.clear(); }), L"exported scene has no nodes.");
  EXPECT_EQ(failure([](S& s) { s.triangleCount = 0; }), L"exported scene has no mesh triangles.");
  EXPECT_EQ(failure([](S& s) { s.binBytes.clear(); }), L"BIN buffer is empty.");
  EXPECT_EQ(failure([](S& s) { s.binBytes.push_back('\0'); }), L"BIN buffer is not padded to a 4-byte boundary.");
  EXPECT_EQ(failure([](S& s) { s.bufferViews[2].byteLength = 0; }), L"bufferView 2 has zero byteLength.");
  EXPECT_EQ(failure([](S& s) { s.bufferViews[1].byteOffset = 38; }), L"bufferView 1 is not 4-byte aligned.");
  EXPECT_EQ(failure([](S& s) { s.bufferViews[2].byteLength = 1000; }), L"bufferView 2 exceeds the BIN buffer length.");
  EXPECT_EQ(failure([](S& s) { s.bufferViews[0].target = 7; }), L"bufferView 0 uses an unsupported target.");
  EXPECT_EQ(failure([](S& s) { s.accessors[1].bufferView = 9; }), L"accessor 1 references a missing bufferView.");
  EXPECT_EQ(failure([](S& s) { s.accessors[1].count = 0; }), L"accessor 1 has zero count.");
  EXPECT_EQ(failure([](S& s) { s.accessors[1].type = "VEC5"; }), L"accessor 1 has an unsupported type/componentType.");
  EXPECT_EQ(failure([](S& s) { s.accessors[0].minMaxComponents = 2; }), L"accessor 0 has mismatched min/max bounds.");
  EXPECT_EQ(failure([](S& s) { s.accessors[0].min[1] = 5; }), L"accessor 0 min/max bounds are inverted.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].normal = -1; }),
            L"mesh primitive has a missing required accessor.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].indices = 40; }),
            L"mesh primitive accessor index is out of range.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].position = 1; }),
            L"POSITION accessor is not FLOAT VEC3 with bounds.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].normal = 2; }),
            L"NORMAL accessor does not match POSITION accessor.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].texcoord0 = 1; }),
            L"TEXCOORD_0 accessor does not match POSITION accessor.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].texcoord0 = 9; }),
            L"TEXCOORD_0 accessor index is out of range.");
  EXPECT_EQ(failure([](S& s) { s.accessors[2].count = 2; }),
            L"index accessor is not a bounded UNSIGNED_SHORT/UNSIGNED_INT triangle list.");
  EXPECT_EQ(failure([](S& s) { s.accessors[2].max[0] = 65536; }), L"UNSIGNED_SHORT index accessor exceeds 65535.");
  EXPECT_EQ(failure([](S& s) { s.accessors[2].max[0] = 3; }),
            L"index accessor references a vertex outside the POSITION accessor.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives[0].material = 1; }),
            L"primitive material index is out of range.");
  EXPECT_EQ(failure([](S& s) { s.meshes[0].primitives.clear(); }), L"mesh 0 has no primitives.");
  EXPECT_EQ(failure([](S& s) { s.nodes[0].mesh = 1; }), L"node 0 references a missing mesh.");
  EXPECT_EQ(failure([](S& s) { s.nodes[0].children = {0}; }), L"node 0 has an invalid child index.");
}

TEST_F(BuildValidation, AccessorMustFitItsView) {
  GltfBuildState s = state_;
  // 10 VEC3 floats need 120 bytes
  s.binBytes.append(120, '\0');
  s.bufferViews.push_back({s.binBytes.size() - 120, 119, 34962});
  GltfAccessorRecord a;
  a.bufferView = static_cast<std::int32_t>(s.bufferViews.size() - 1);
  a.count = 10;
  a.type = "VEC3";
  s.accessors.push_back(a);
  std::wstring error;
  EXPECT_FALSE(gltfValidateBuildState(s, error));
  EXPECT_EQ(error, L"Phase 66.1 validation failed: accessor 3 requires more bytes than its bufferView provides.");
  s.bufferViews.back().byteLength = 120;
  EXPECT_TRUE(gltfValidateBuildState(s, error));
}

TEST_F(BuildValidation, ReportListsEveryFigureAndItsNotes) {
  std::string bytes;
  std::wstring error;
  ASSERT_TRUE(buildGlbBytes(state_, bytes, error));
  const std::wstring report = buildGlbQaReport(state_, false, bytes.size());
  std::wistringstream lines(report);
  std::vector<std::wstring> all;
  for (std::wstring line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 20u);  // 18 lines and two blank ones
  EXPECT_EQ(all[0], L"Phase 66.1 GLB Export Compatibility QA Report");
  EXPECT_EQ(all[1], L"Scope: whole visible scene");
  EXPECT_EQ(all[4], L"Scene nodes: 1");
  EXPECT_EQ(all[5], L"Mesh objects: 1");
  EXPECT_EQ(all[6], L"Meshes: 1");
  EXPECT_EQ(all[7], L"Materials: 1 basic PBR material record(s)");
  EXPECT_EQ(all[8], L"Vertices written: 3");
  EXPECT_EQ(all[9], L"Triangles written: 1");
  EXPECT_EQ(all[10], L"Skipped invalid faces: 0");
  EXPECT_EQ(all[11], L"BufferViews: 3 | Accessors: 3");
  EXPECT_EQ(all[12], L"Index accessors: 1 UNSIGNED_SHORT, 0 UNSIGNED_INT");
  EXPECT_EQ(all[13], L"BIN payload bytes: 80 | GLB file bytes: " + std::to_wstring(bytes.size()));
  EXPECT_EQ(all[14], L"");
  EXPECT_EQ(all[17], L"");
  EXPECT_EQ(all[18], L"Warnings:");
  EXPECT_EQ(all[19], L"- None. Export is boring/standard by the internal Phase 66.1 QA gate.");

  GltfBuildState noted = state_;
  noted.qaNotes = {L"first", L"second"};
  const std::wstring withNotes = buildGlbQaReport(noted, true, 4);
  EXPECT_NE(withNotes.find(L"Scope: selected object/subtree\n"), std::wstring::npos);
  EXPECT_EQ(withNotes.substr(withNotes.find(L"Warnings:\n")), L"Warnings:\n- first\n- second\n");
}

}  // namespace
}  // namespace vk
