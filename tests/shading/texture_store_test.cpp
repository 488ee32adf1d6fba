// Storing chosen and imported image paths on texture maps, and the guard of
// the material commands.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

class TextureStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetToNewProject();
    root_ = test::uniqueTempFolder("texstore");
    fs::remove_all(root_);
    fs::create_directories(root_ / "p" / "tex");
    fs::create_directories(root_ / "p" / "..tex");
    fs::create_directories(root_ / "x");
    touch(root_ / "p" / "tex" / "wood.png");
    touch(root_ / "x" / "wood.png");
    appState().projectPath = wide(root_ / "p" / "scene.json");
  }
  void TearDown() override {
    appState().projectPath.clear();
    fs::remove_all(root_);
  }
  static void touch(const fs::path& path) { std::ofstream(path) << "x"; }
  static std::wstring wide(const fs::path& path) { return utf8ToWide(path.string()); }
  fs::path root_;
};

TEST_F(TextureStoreTest, PathsInsideTheProjectFolderAreStoredRelative) {
  bool relative = false;
  EXPECT_EQ(storableTexturePath(wide(root_ / "p" / "tex" / "wood.png"), relative), L"tex/wood.png");
  EXPECT_TRUE(relative);
  // A name that merely starts with two dots does not climb out.
  EXPECT_EQ(storableTexturePath(wide(root_ / "p" / "..tex" / "a.png"), relative), L"..tex/a.png");
  EXPECT_TRUE(relative);
  // Not yet existing files inside the folder are relative too.
  EXPECT_EQ(storableTexturePath(wide(root_ / "p" / "new" / "b.png"), relative), L"new/b.png");
  EXPECT_TRUE(relative);
}

TEST_F(TextureStoreTest, PathsOutsideOrUnresolvableStayAsGiven) {
  bool relative = true;
  const std::wstring outside = wide(root_ / "x" / "wood.png");
  EXPECT_EQ(storableTexturePath(outside, relative), outside);
  EXPECT_FALSE(relative);
  EXPECT_EQ(storableTexturePath(L"  C:\\x\\wood.png ", relative), L"C:/x/wood.png");
  EXPECT_FALSE(relative);
  std::wstring withNul = wide(root_ / "p" / "tex" / "wood.png");
  withNul.insert(withNul.size() - 4, 1, L'\0');
  storableTexturePath(withNul, relative);
  EXPECT_FALSE(relative);

  // A symbolic-link loop makes canonicalisation fail: stored absolute, no throw.
  fs::create_symlink(root_ / "p" / "loopB", root_ / "p" / "loopA");
  fs::create_symlink(root_ / "p" / "loopA", root_ / "p" / "loopB");
  const std::wstring looped = wide(root_ / "p" / "loopA" / "c.png");
  EXPECT_NO_THROW(EXPECT_EQ(storableTexturePath(looped, relative), looped));
  EXPECT_FALSE(relative);

  appState().projectPath.clear();
  const std::wstring inside = wide(root_ / "p" / "tex" / "wood.png");
  EXPECT_EQ(storableTexturePath(inside, relative), inside);
  EXPECT_FALSE(relative);
}

TEST_F(TextureStoreTest, AssignedImportReferencesCarryTheirStatus) {
  Material material;
  assignTextureMapPath(material, L"normal", L"");
  EXPECT_TRUE(material.textureMaps.maps.empty());

  assignTextureMapPath(material, L"normal", wide(root_ / "p" / "tex" / "wood.png"));
  ASSERT_EQ(material.textureMaps.maps.size(), 6u);
  const TextureMap* normal = findTextureMap(material, L"normal");
  ASSERT_NE(normal, nullptr);
  EXPECT_EQ(normal->path, L"tex/wood.png");
  EXPECT_TRUE(normal->enabled);
  EXPECT_TRUE(normal->relative);
  EXPECT_FALSE(normal->missing);
  EXPECT_EQ(normal->colorSpace, L"Linear");
  EXPECT_EQ(textureStatusLabel(*normal), L"OK rel");

  assignTextureMapPath(material, L"emission", wide(root_ / "x" / "gone.png"));
  const TextureMap* emission = findTextureMap(material, L"emission");
  EXPECT_FALSE(emission->relative);
  EXPECT_TRUE(emission->missing);
  EXPECT_EQ(emission->colorSpace, L"sRGB");
  EXPECT_EQ(textureStatusLabel(*emission), L"MISSING");

  // A relative reference that stays relative to the working folder.
  appState().projectPath.clear();
  assignTextureMapPath(material, L"color", L"maps/none.png");
  EXPECT_TRUE(findTextureMap(material, L"color")->relative);
}

TEST(MaterialTargetTest, RefusesWithOneReasonAndSanitizesOnSuccess) {
  resetToNewProject();
  AppState& app = appState();
  app.selectedObjectId.clear();
  EXPECT_EQ(selectedMaterialTarget(), nullptr);
  EXPECT_EQ(app.statusText, L"●  Select a mesh object before editing materials");

  app.selectedObjectId = L"obj-3";  // the starter Point Light
  EXPECT_EQ(selectedMaterialTarget(), nullptr);
  EXPECT_EQ(app.statusText, L"●  Materials apply to mesh/text/curve objects in Phase 46");

  Object* cube = findObjectById(L"obj-1");
  ASSERT_NE(cube, nullptr);
  Object* group = findObjectById(L"obj-2");
  cube->parentId = group->id;
  group->locked = true;
  app.selectedObjectId = cube->id;
  EXPECT_EQ(selectedMaterialTarget(), nullptr);
  EXPECT_EQ(app.statusText, L"●  Selected object is locked; material stack was not changed");

  group->locked = false;
  cube->materialSlots.slots.clear();
  app.statusText = L"before";
  EXPECT_EQ(selectedMaterialTarget(), cube);
  EXPECT_EQ(app.statusText, L"before");
  EXPECT_EQ(cube->materialSlots.slots.size(), 1u);
}

}  // namespace
}  // namespace vk
