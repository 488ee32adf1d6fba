// Real-world OBJ/MTL files of another project's test suite, read in place:
// each imports through the command with the counts a careful reader gets,
// or is refused with our text, and what imports survives save -> open.
// Also replays every input the fuzzer ever found.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>

#include "formats/import_file.h"
#include "formats/obj_fuzz_check.h"
#include "formats/obj_test_support.h"
#include "model/math.h"
#include "platform/headless.h"
#include "test_peers.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

// Notes on the quirks: faces before any vertex, 0 and out-of-range indices
// are skipped faces; "nan"/"inf"/"1.#INF" vertices are skipped lines (and
// shift later indices, so one face there goes too); lines and points make
// no faces; an escaped blank in "mtllib" names one library; "-o 0.1 x.jpg"
// takes x.jpg; libraries that are not there are skipped lines; a mesh far
// beyond the coordinate clamp collapses flat and is refused.
constexpr wchar_t kFlat[] = L"OBJ import failed: most faces have no area once coordinates are limited to -10000..10000.";
// The last column: the refusal, empty when the file imports.
constexpr test::ObjFileCounts kExpected[] = {
      {"catmark_torus_creases0.obj", 32, 4, 32, 1, 0, 0, 0, 0, L""},
      {"colorspace-issue-184.obj", 3, 0, 1, 2, 2, 1, 0, 0, L""},
      {"cornell_box.obj", 76, 0, 18, 6, 0, 1, 0, 0, L""},
      {"cornell_box_multimaterial.obj", 76, 0, 18, 6, 0, 1, 0, 0, L""},
      {"cube-vertex-w-component.obj", 8, 0, 6, 6, 0, 1, 0, 0, L""},
      {"cube-vertexcol.obj", 8, 0, 6, 6, 0, 1, 0, 0, L""},
      {"cube.obj", 8, 0, 6, 6, 0, 1, 0, 0, L""},
      {"invalid-face-definition.obj", 0, 0, 0, 6, 0, 1, 2, 0, L"OBJ import failed: no valid face records were found."},
      {"invalid-relative-texture-index.obj", 0, 0, 0, 1, 0, 0, 1, 0, L"OBJ import failed: no valid vertex records were found."},
      {"invalid-relative-vertex-index.obj", 0, 0, 0, 1, 0, 0, 1, 0, L"OBJ import failed: no valid vertex records were found."},
      {"issue-138.obj", 8, 4, 12, 3, 0, 1, 0, 0, L""},
      {"issue-140-zero-face-idx.obj", 4, 4, 1, 2, 0, 1, 1, 0, L""},
      {"issue-161-inconsistent-f.obj", 8, 4, 12, 7, 0, 1, 0, 0, L""},
      {"issue-162-smoothing-group.obj", 8, 4, 12, 3, 0, 1, 0, 0, L""},
      {"issue-235-usemtl-then-o.obj", 8, 0, 2, 3, 0, 1, 0, 0, L""},
      {"issue-244-mtl-searchpaths.obj", 8, 0, 2, 3, 0, 0, 0, 1, L""},
      {"issue-246-usemtl-whitespace.obj", 8, 0, 1, 2, 0, 1, 0, 0, L""},
      {"issue-248-texres-texopt.obj", 8, 0, 6, 6, 1, 1, 0, 0, L""},
      {"issue-295-trianguation-failure.obj", 16, 4, 14, 1, 0, 0, 0, 0, kFlat},
      {"issue-319-002.obj", 20, 0, 3, 1, 0, 0, 0, 0, L""},
      {"issue-319-003.obj", 10, 0, 1, 1, 0, 0, 0, 0, L""},
      {"issue-330.obj", 7, 0, 2, 1, 0, 0, 0, 0, L""},
      {"issue-356-leading-spaces-newmtl.obj", 0, 0, 0, 2, 0, 1, 0, 0, L"OBJ import failed: no valid vertex records were found."},
      {"issue-92.obj", 3, 0, 1, 2, 1, 1, 0, 0, L""},
      {"issue-95-2.obj", 3, 0, 1, 2, 0, 1, 0, 0, L""},
      {"issue-95.obj", 3, 0, 1, 2, 0, 1, 0, 0, L""},
      {"leading-decimal-dot-issue-201.obj", 3, 0, 1, 2, 0, 1, 0, 0, L""},
      {"leading-zero-in-exponent-notation-issue-210.obj", 3, 0, 1, 2, 0, 1, 0, 0, L""},
      {"line-prim.obj", 0, 0, 0, 6, 0, 1, 0, 0, L"OBJ import failed: no valid face records were found."},
      {"map-bump.obj", 218, 109, 400, 3, 1, 1, 0, 0, L""},
      {"missing_material_file.obj", 76, 0, 18, 6, 0, 0, 0, 0, L""},
      {"mtl filename with whitespace issue46.obj", 8, 0, 6, 2, 0, 1, 0, 2, L""},
      {"mtllib-multiple-files-issue-112.obj", 3, 0, 1, 2, 1, 1, 0, 2, L""},
      {"no_material.obj", 76, 0, 18, 1, 0, 0, 0, 0, L""},
      {"norm-texopt.obj", 3, 0, 1, 2, 1, 1, 0, 0, L""},
      {"pbr-mat-ext.obj", 4, 0, 1, 2, 2, 1, 0, 0, L""},
      {"points-prim.obj", 0, 0, 0, 6, 0, 1, 0, 0, L"OBJ import failed: no valid face records were found."},
      {"refl.obj", 8, 0, 6, 6, 0, 1, 0, 0, L""},
      {"skin-weight.obj", 8, 0, 6, 6, 0, 1, 0, 0, L""},
      {"smoothing-group-two-squares.obj", 6, 0, 2, 1, 0, 0, 0, 0, L""},
      {"smoothing-normal.obj", 8, 0, 3, 6, 0, 1, 0, 0, L""},
      {"test-nan.obj", 72, 0, 17, 6, 0, 1, 1, 4, L""},
      {"texture-filename-with-whitespace.obj", 8, 0, 6, 6, 2, 1, 0, 0, L""},
      {"texture-options-issue-85.obj", 3, 0, 1, 4, 10, 1, 0, 0, L""},
      {"tr-and-d-issue-43.obj", 218, 109, 400, 3, 0, 1, 0, 0, L""},
      {"usemtl-issue-104.obj", 12, 0, 3, 6, 0, 1, 0, 0, L""},
      {"usemtl-issue-68.obj", 218, 109, 400, 3, 0, 1, 0, 0, L""},
};

fs::path thirdPartyFolder() { return fs::path(VK_SHARED_TESTDATA_DIR) / "obj"; }

class ThirdPartyObjTest : public test::WavefrontCommandTest {
 protected:
  void SetUp() override {
    VK_REQUIRE_SHARED_DATA(!std::string(VK_SHARED_TESTDATA_DIR).empty() && fs::is_directory(thirdPartyFolder()),
                           "the shared test data folder (../shared/testdata/obj beside the project)");
    test::WavefrontCommandTest::SetUp();
    started_ = true;
  }
  void TearDown() override {
    if (started_) test::WavefrontCommandTest::TearDown();
  }
  bool started_ = false;
};

TEST_F(ThirdPartyObjTest, EveryFileImportsWithItsCountsOrIsRefusedWithOurText) {
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(thirdPartyFolder()))
    if (entry.path().extension() == ".obj") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  EXPECT_GE(files.size(), 40u);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    const auto* expected = std::find_if(std::begin(kExpected), std::end(kExpected), [&](const test::ObjFileCounts& c) {
      return file.filename() == c.file;
    });
    ASSERT_NE(expected, std::end(kExpected)) << "no expected counts for this file";
    const std::wstring path = wideFromPath(file);
    std::wstring error;
    const LimitedTextFile text = readTextFileLimited(path, kObjImportFileByteLimit, error);
    ASSERT_TRUE(text.ok);
    ObjImportResult result;
    const bool parsed = parseObjFile(text.text, path, result, error);
    if (!parsed) {
      EXPECT_EQ(error, expected->text);
    }
    EXPECT_EQ(result.skippedFaces, expected->skippedFaces);
    if (parsed) {
      EXPECT_EQ(result.vertices, expected->vertices);
      EXPECT_EQ(result.texcoords, expected->uvs);
      EXPECT_EQ(result.faces, expected->faces);
      EXPECT_EQ(static_cast<std::int32_t>(result.materials.size()), expected->slots);
      EXPECT_EQ(result.textureMaps, expected->textureMaps);
      EXPECT_EQ(result.mtlLibraries, expected->libraries);
      EXPECT_EQ(result.skippedLines, expected->skippedLines);
    }

    const std::size_t before = appState().project.scene.objects.size();
    headless::answerFileDialog(path);
    importObjFile();
    if (*expected->text) {
      EXPECT_EQ(appState().project.scene.objects.size(), before);
      ASSERT_FALSE(headless::messageBoxes().empty());
      EXPECT_EQ(headless::messageBoxes().back().text, expected->text);
      continue;
    }
    ASSERT_EQ(appState().project.scene.objects.size(), before + 1);
    const Object& object = appState().project.scene.objects.back();
    EXPECT_EQ(object.mesh.vertices, expected->vertices);
    EXPECT_EQ(object.mesh.faces, expected->faces);
    test::expectSurvivesSaveAndOpen(object);
  }
}

// The classic Cornell box seen from its standard camera (z = -800 in the
// file, looking down +z): every other tool shows the red wall (x ~ 556) on
// the left. In the studio the camera sits at z = +800 turned to look back.
TEST_F(ThirdPartyObjTest, CornellBoxImportsMirroredInZWithTheRedWallOnTheLeft) {
  const std::wstring path = wideFromPath(thirdPartyFolder() / "cornell_box.obj");
  std::wstring error;
  const LimitedTextFile text = readTextFileLimited(path, kObjImportFileByteLimit, error);
  ASSERT_TRUE(text.ok);
  std::vector<Vec3> written;
  for (std::size_t at = 0; at < text.text.size();) {
    std::size_t end = text.text.find('\n', at);
    if (end == std::string::npos) end = text.text.size();
    const std::string_view line = std::string_view(text.text).substr(at, end - at);
    at = end + 1;
    if (!line.starts_with("v ")) continue;
    double xyz[3];
    const char* p = line.data() + 2;
    for (double& value : xyz) {
      while (*p == ' ') ++p;
      p = std::from_chars(p, line.data() + line.size(), value).ptr;
    }
    written.push_back({xyz[0], xyz[1], xyz[2]});
  }
  ObjImportResult result;
  ASSERT_TRUE(parseObjFile(text.text, path, result, error));
  const std::vector<Vec3>& vertices = result.mesh.vertices.read();
  ASSERT_EQ(vertices.size(), written.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) EXPECT_EQ(vertices[i], (Vec3{written[i].x, written[i].y, -written[i].z})) << i;

  const Vec3 cameraPosition{278, 273, 800}, cameraRotation{0, 180, 0};
  int walls = 0;
  for (const MeshFace& face : result.mesh.faces.read()) {
    const std::wstring& material = result.materials[static_cast<std::size_t>(face.materialIndex)].name;
    if (material != L"red" && material != L"green") continue;
    ++walls;
    const double side = material == L"red" ? -1.0 : 1.0;  // red left, green right
    for (const std::int32_t corner : face.indices) {
      const Vec3 view = inverseRotateEuler(vertices[static_cast<std::size_t>(corner)] - cameraPosition, cameraRotation);
      EXPECT_GT(view.z, 0.0);
      EXPECT_GT(view.x * side, 200.0) << wideToUtf8(material);
    }
    // The walls still face into the box: the corner order turned with the mirror.
    const Vec3& a = vertices[static_cast<std::size_t>(face.indices[0])];
    const Vec3 normal = vec3Cross(vertices[static_cast<std::size_t>(face.indices[1])] - a,
                                  vertices[static_cast<std::size_t>(face.indices[2])] - a);
    EXPECT_GT(normal.x * side, 0.0) << wideToUtf8(material);
  }
  EXPECT_EQ(walls, 2);
}

TEST(WavefrontFuzzFindings, EverySavedInputPassesTheFuzzCheck) {
  std::size_t replayed = 0;
  for (const char* folder : {"formats/fuzz", "formats/obj"}) {
    const fs::path root = fs::path(VK_TEST_DATA_DIR) / folder;
    if (!fs::is_directory(root)) continue;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      std::string bytes;
      ASSERT_TRUE(readFileBytes(wideFromPath(entry.path()), bytes, 16u << 20));
      SCOPED_TRACE(entry.path().string());
      vkFuzzWavefront(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 10u);
}

}  // namespace
}  // namespace vk
