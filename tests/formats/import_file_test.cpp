// The importers' shared file reader, default material and material names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>

#include "formats/import_file.h"
#include "model/texture_paths.h"
#include "platform/kernel.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kSizeText[] = L"OBJ import blocked: file exceeds the Phase 61 safe size limit.";
constexpr wchar_t kOpenText[] = L"OBJ import failed: file could not be opened.";

class ImportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::uniqueTempFolder("importfile");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::wstring write(const char* name, const std::string& bytes) {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    return utf8ToWide((root_ / name).string());
  }
  fs::path root_;
};

TEST_F(ImportFileTest, ReadsExactlyTheLimitAndRefusesOneByteMore) {
  const std::string bytes(4096, 'v');
  const std::wstring path = write("limit.obj", bytes);
  std::wstring error;
  LimitedTextFile file = readTextFileLimited(path, 4096, error);
  EXPECT_TRUE(file.ok);
  EXPECT_EQ(file.text, bytes);

  file = readTextFileLimited(path, 4095, error);
  EXPECT_FALSE(file.ok);
  EXPECT_TRUE(file.text.empty());
  EXPECT_EQ(error, kSizeText);
}

TEST_F(ImportFileTest, ReturnsBytesUnchanged) {
  const std::string bytes = "\xEF\xBB\xBFv 1 2 3\r\nf 1 2 3\r\n\xff";
  std::wstring error;
  const LimitedTextFile file = readTextFileLimited(write("bom.obj", bytes), 1 << 20, error);
  ASSERT_TRUE(file.ok);
  EXPECT_EQ(file.text, bytes);
}

TEST_F(ImportFileTest, RefusesMissingFilesFoldersAndPipesAtOnce) {
  std::wstring error;
  EXPECT_FALSE(readTextFileLimited(utf8ToWide((root_ / "none.mtl").string()), 100, error).ok);
  EXPECT_EQ(error, kOpenText);

  error.clear();
  EXPECT_FALSE(readTextFileLimited(utf8ToWide(root_.string()), 100, error).ok);
  EXPECT_EQ(error, kOpenText);

  // A FIFO with no writer would block a plain open forever.
  const fs::path fifo = root_ / "pipe.obj";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  error.clear();
  EXPECT_FALSE(readTextFileLimited(utf8ToWide(fifo.string()), 100, error).ok);
  EXPECT_EQ(error, kOpenText);
}

TEST(ImportedMaterialTest, DefaultMaterialAndWavefrontNames) {
  const Material material = makeImportedObjDefaultMaterial();
  EXPECT_EQ(material.r, 168);
  EXPECT_EQ(material.g, 184);
  EXPECT_EQ(material.b, 205);
  EXPECT_DOUBLE_EQ(material.roughness, 0.48);
  EXPECT_DOUBLE_EQ(material.metallic, 0.05);
  EXPECT_EQ(material.name, L"Imported OBJ Default");
  ASSERT_EQ(material.textureMaps.maps.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(material.textureMaps.maps[i].channel, textureChannelKeys()[i]);
    EXPECT_FALSE(material.textureMaps.maps[i].enabled);
  }

  EXPECT_EQ(sanitizeWavefrontMaterialName(" \tdark wood\r\n"), L"dark wood");
  EXPECT_EQ(sanitizeWavefrontMaterialName(" \t\r\n"), L"Imported MTL Material");
  EXPECT_EQ(sanitizeWavefrontMaterialName("h\xC3\xB6lzern"), L"h\u00F6lzern");
  EXPECT_EQ(sanitizeWavefrontMaterialName("bad\xFF"), L"bad\uFFFD");
  EXPECT_EQ(sanitizeWavefrontMaterialName(std::string(200, 'm')).size(), 72u);
}

}  // namespace
}  // namespace vk
