// Third-party glTF/GLB sample files (read in place from the shared test data,
// never copied) and the fuzzer's findings: valid files import with their
// counts, malformed ones are refused or repaired with the system's texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/gltf_fuzz_check.h"
#include "formats/gltf_import.h"
#include "platform/kernel.h"
#include "test_peers.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

fs::path samples() { return fs::path(VK_SHARED_TESTDATA_DIR) / "gltf"; }

struct Loaded {
  bool ok = false;
  std::wstring error;
  PendingGltfDocument document;
  std::size_t meshesBuilt = 0;
  std::size_t triangles = 0;
  std::vector<std::wstring> meshMessages;
};

Loaded load(const std::string& relative) {
  Loaded out;
  out.document.cancelProbe = [](const std::wstring&) { return false; };
  out.ok = phase65LoadDocument(utf8ToWide((samples() / relative).string()), out.document, out.error);
  if (!out.ok) return out;
  for (std::size_t m = 0; m < out.document.meshes.size(); ++m) {
    MeshData mesh;
    std::vector<Material> slots;
    std::wstring message;
    if (phase65ImportTriangleMesh(out.document, static_cast<std::int32_t>(m), mesh, slots, message)) {
      ++out.meshesBuilt;
      out.triangles += mesh.faces.size();
    }
    out.meshMessages.push_back(message);
  }
  return out;
}

bool hasWarning(const PendingGltfDocument& document, const std::wstring& part) {
  for (const std::wstring& w : document.warnings)
    if (w.find(part) != std::wstring::npos) return true;
  return false;
}

class GltfSamples : public ::testing::Test {
 protected:
  void SetUp() override {
    VK_REQUIRE_SHARED_DATA(!std::string(VK_SHARED_TESTDATA_DIR).empty() && fs::is_directory(samples()),
                           "the shared glTF sample files (../shared/testdata/gltf beside the project)");
  }
};

TEST_F(GltfSamples, TexturedCubesImportWithTheirTrianglesAndStagedTextures) {
  for (const char* file : {"Cube/Cube.gltf", "Cube-texture-ext/Cube-textransform.gltf", "box01.glb"}) {
    const Loaded cube = load(file);
    ASSERT_TRUE(cube.ok) << file << ": " << wideToUtf8(cube.error);
    EXPECT_EQ(cube.meshesBuilt, 1u) << file;
    EXPECT_EQ(cube.triangles, 12u) << file;
  }
  const Loaded cube = load("Cube/Cube.gltf");
  EXPECT_EQ(cube.document.imageCounters.externalImages, 2u);
  EXPECT_EQ(cube.document.imageCounters.missingExternalImages, 0u);
  EXPECT_GE(cube.document.imageCounters.stagedMaps, 2u);
}

TEST_F(GltfSamples, ImageUrisWithSpacesFindTheirFiles) {
  for (const char* file : {"CubeImageUriSpaces/CubeImageUriSpaces.gltf",
                           "CubeImageUriSpaces/CubeImageUriMultipleSpaces.gltf"}) {
    const Loaded cube = load(file);
    ASSERT_TRUE(cube.ok) << file;
    EXPECT_EQ(cube.triangles, 12u) << file;
    ASSERT_FALSE(cube.document.images.empty());
    EXPECT_EQ(cube.document.imageCounters.missingExternalImages, 0u) << file;
  }
}

TEST_F(GltfSamples, OutOfRangeReferencesAreWarnedAndSkipped) {
  for (const char* file : {"BoundsChecking/integer-out-of-bounds.gltf", "BoundsChecking/invalid-buffer-index.gltf",
                           "BoundsChecking/invalid-buffer-view-index.gltf",
                           "BoundsChecking/invalid-primitive-indices.gltf"}) {
    const Loaded bad = load(file);
    ASSERT_TRUE(bad.ok) << file;  // the document loads; its meshes do not
    EXPECT_EQ(bad.triangles, 0u) << file;
    for (const std::wstring& message : bad.meshMessages) EXPECT_FALSE(message.empty()) << file;
  }
}

TEST_F(GltfSamples, ExtensionsSparseMorphTargetsAndAnEmptyBinChunk) {
  // Unknown extensions are noted and the base mesh still reads.
  const Loaded vendor = load("Extensions-issue97/test.gltf");
  ASSERT_TRUE(vendor.ok);
  EXPECT_EQ(vendor.triangles, 1u);
  EXPECT_TRUE(vendor.document.mentionsExtensionsUsed);
  const Loaded lights = load("Extensions-overwrite-issue261/issue-261.gltf");
  ASSERT_TRUE(lights.ok);
  EXPECT_EQ(lights.triangles, 12u);
  EXPECT_TRUE(lights.document.audit.lights);
  EXPECT_TRUE(hasWarning(lights.document, L"glTF lights detected"));
  const Loaded sparse = load("SparseMorphTargets-issue280/singleBlendshapeCube_sparse.glb");
  ASSERT_TRUE(sparse.ok);
  EXPECT_TRUE(sparse.document.audit.morphTargets);
  EXPECT_GT(sparse.triangles, 0u);
  const Loaded bin = load("regression/zero-sized-bin-chunk-issue-440.glb");
  ASSERT_TRUE(bin.ok);
  EXPECT_EQ(bin.triangles, 1u);
  const Loaded skeleton = load("regression/unassigned-skeleton.gltf");
  ASSERT_TRUE(skeleton.ok);
  EXPECT_TRUE(skeleton.document.audit.skins);
}

TEST(GltfFuzzFindings, EveryKeptInputRunsCleanly) {
  const fs::path folder = fs::path(VK_TEST_DATA_DIR) / "formats" / "fuzz";
  const fs::path seeds = fs::path(VK_TEST_DATA_DIR) / "formats" / "gltf";
  std::size_t files = 0;
  for (const fs::path& dir : {folder, seeds}) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().extension() == ".py") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      fuzzGltfImport(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++files;
    }
  }
  EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace vk
