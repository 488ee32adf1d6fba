// An independent reader checks our files: every OBJ we export loads in the
// `assimp` tool with our face count, and OBJ + MTL that assimp writes import
// here with its face count and one slot per material.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "formats/export_scope.h"
#include "formats/obj_export.h"
#include "formats/obj_test_support.h"
#include "platform/headless.h"
#include "test_peers.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

struct CommandOutput {
  int exitCode = -1;
  std::string text;
};

CommandOutput run(const std::string& command) {
  CommandOutput output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.text.append(buffer, n);
  const int status = ::pclose(pipe);
  output.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

// Appended rather than `"'" + path.string()`: GCC 12 at -O3 reports a false
// -Wrestrict on a literal prepended to a temporary string.
std::string quoted(const fs::path& path) {
  std::string text = "'";
  text += path.string();
  text += '\'';
  return text;
}

bool assimpAvailable() { return run("command -v assimp").exitCode == 0; }

// The "Faces:" figure of `assimp info <file> -r` (raw: no triangulation).
int assimpFaceCount(const fs::path& file) {
  const CommandOutput info = run("assimp info " + quoted(file) + " -r");
  EXPECT_EQ(info.exitCode, 0) << info.text;
  const std::size_t at = info.text.find("\nFaces:");
  if (at == std::string::npos) return -1;
  return std::atoi(info.text.c_str() + at + 7);
}

class AssimpCheckTest : public test::WavefrontTest {
 protected:
  void SetUp() override {
    VK_REQUIRE_PEER(assimpAvailable(), "the assimp tool on PATH (Debian package assimp-utils)");
    test::WavefrontTest::SetUp();
  }
  // Writes the export of `scope` and returns its path and face count.
  std::pair<fs::path, int> exportFile(const std::string& name, const std::vector<const Object*>& scope) {
    ObjExportCounts counts;
    std::wstring error;
    const std::string text = buildObjExportText(scope, counts, error);
    EXPECT_FALSE(text.empty());
    write(name, text);
    return {root_ / name, counts.faces};
  }
  ObjImportResult importFile(const fs::path& path) {
    std::string text;
    EXPECT_TRUE(readFileBytes(wideFromPath(path), text, kObjImportFileByteLimit));
    return parseOk(text, fs::relative(path, root_).string());
  }
};

TEST_F(AssimpCheckTest, EveryExportLoadsWithOurFaceCount) {
  Scene& scene = appState().project.scene;
  const auto [cube, cubeFaces] = exportFile("cube.obj", collectSelectedOrVisibleMeshes());
  EXPECT_EQ(assimpFaceCount(cube), cubeFaces);

  // Several objects, n-gons and faces we skip.
  Object ngon = makeObject(ObjectKind::Mesh, L"N-gon #2");
  std::vector<Vec3> ring;
  std::vector<std::int32_t> corners;
  for (int i = 0; i < 12; ++i) {
    ring.push_back({std::cos(i * 0.5236), std::sin(i * 0.5236), 0.0});
    corners.push_back(i);
  }
  ngon.meshData.vertices = ring;
  ngon.meshData.faces = std::vector<MeshFace>{{corners, {}, 0}, {{0, 0, 1}, {}, 0}, {{0, 4, 8}, {}, 0}, {{0, 1, 99}, {}, 0}};
  ngon.transform.position = {3, 0, 0};
  ngon.transform.rotation = {15, 30, 45};
  scene.objects.push_back(ngon);
  appState().selectedObjectId.clear();
  const auto [several, severalFaces] = exportFile("several.obj", collectSelectedOrVisibleMeshes());
  EXPECT_EQ(severalFaces, 6 + 2);
  EXPECT_EQ(assimpFaceCount(several), severalFaces);
}

TEST_F(AssimpCheckTest, AssimpWrittenObjImportsWithItsFaceCountAndMaterials) {
  write("quad.ply",
        "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
        "property float nx\nproperty float ny\nproperty float nz\nproperty float s\nproperty float t\n"
        "element face 3\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n1 1 0 0 0 1 1 1\n0 1 0 0 0 1 0 1\n0.5 2 0 0 0 1 0.5 1\n"
        "3 0 1 2\n3 0 2 3\n3 3 2 4\n");
  const auto [ours, ourFaces] = exportFile("ours.obj", collectSelectedOrVisibleMeshes());
  (void)ourFaces;
  for (const auto& [input, output] : {std::pair{root_ / "quad.ply", root_ / "from_ply.obj"},
                                      std::pair{ours, root_ / "from_ours.obj"}}) {
    SCOPED_TRACE(output.filename().string());
    const CommandOutput converted = run("assimp export " + quoted(input) + " " + quoted(output));
    ASSERT_EQ(converted.exitCode, 0) << converted.text;
    const ObjImportResult result = importFile(output);
    EXPECT_EQ(result.faces, assimpFaceCount(output));
    EXPECT_EQ(result.mtlLibraries, 1);
    std::string library;
    fs::path mtl = output;
    ASSERT_TRUE(readFileBytes(wideFromPath(mtl.replace_extension(".mtl")), library, kMtlImportFileByteLimit));
    std::size_t records = 0;
    for (std::size_t at = library.find("newmtl "); at != std::string::npos; at = library.find("newmtl ", at + 1))
      ++records;
    EXPECT_GE(records, 1u);
    EXPECT_EQ(result.materials.size(), records + 1);  // the default slot, then one per material
    for (const MeshFace& face : result.mesh.faces.read()) EXPECT_GT(face.materialIndex, 0);
  }
}

}  // namespace
}  // namespace vk
