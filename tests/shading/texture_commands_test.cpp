// The texture map commands and the status of stored maps: where a chosen
// image is stored, how a vanished image shows before and after a re-test,
// which maps are never missing, the dialog, clearing, and the source label.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

class TextureCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    headless::start();
    resetToNewProject();
    root_ = test::uniqueTempFolder("texcmd");
    fs::remove_all(root_);
    fs::create_directories(root_ / "p" / "tex");
    fs::create_directories(root_ / "x");
    touch(root_ / "p" / "tex" / "wood.png");
    touch(root_ / "x" / "wood.png");
    appState().projectPath = wide(root_ / "p" / "scene.json");
  }
  void TearDown() override {
    clearTexturePreviewCache();
    headless::stop();
    appState() = AppState{};
    fs::remove_all(root_);
  }
  static void touch(const fs::path& path) { std::ofstream(path) << "x"; }
  static std::wstring wide(const fs::path& path) { return wideFromPath(path); }
  Material& activeSlot() {
    Object& o = *findObjectById(L"obj-1");
    return o.materialSlots.slots[static_cast<std::size_t>(o.materialSlots.activeIndex)];
  }
  TextureMap& slotMap(const wchar_t* key) { return *findTextureMap(activeSlot(), key); }
  // Runs command 2130 + channel with the dialog answering `path`.
  void setMap(int channel, const fs::path& path) {
    headless::answerFileDialog(wide(path));
    static const wchar_t* const kKeys[] = {L"color", L"normal", L"roughness", L"metallic", L"alpha", L"emission"};
    setActiveMaterialTexture(kKeys[channel]);
  }
  fs::path root_;
};

TEST_F(TextureCommandsTest, ChosenImagesAreStoredRelativeInsideTheProjectFolderOnly) {
  setMap(0, root_ / "p" / "tex" / "wood.png");
  EXPECT_EQ(slotMap(L"color").path, L"tex/wood.png");
  EXPECT_TRUE(slotMap(L"color").relative);
  EXPECT_TRUE(slotMap(L"color").enabled);
  EXPECT_EQ(textureStatusLabel(slotMap(L"color")), L"OK rel");
  EXPECT_EQ(appState().statusText, L"●  Color texture reference stored for active material");
  EXPECT_EQ(findObjectById(L"obj-1")->material, activeSlot());
  EXPECT_EQ(appState().undoStack.size(), 1u);
  EXPECT_TRUE(appState().dirty);

  setMap(1, root_ / "x" / "wood.png");
  EXPECT_EQ(slotMap(L"normal").path, wide(root_ / "x" / "wood.png"));
  EXPECT_FALSE(slotMap(L"normal").relative);
  EXPECT_EQ(slotMap(L"normal").colorSpace, L"Linear");
  EXPECT_EQ(textureStatusLabel(slotMap(L"normal")), L"OK abs");
  EXPECT_EQ(appState().statusText, L"●  Normal texture reference stored for active material");

  // Without a saved project the chosen path is kept absolute.
  appState().projectPath.clear();
  setMap(5, root_ / "p" / "tex" / "wood.png");
  EXPECT_EQ(slotMap(L"emission").path, wide(root_ / "p" / "tex" / "wood.png"));
  EXPECT_FALSE(slotMap(L"emission").relative);

  const auto& dialogs = headless::fileDialogs();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_FALSE(dialogs[0].save);
  ASSERT_EQ(dialogs[0].filters.size(), 2u);
  EXPECT_EQ(dialogs[0].filters[0].first, L"Texture Images (*.png;*.jpg;*.jpeg;*.tga;*.bmp;*.webp)");
  EXPECT_EQ(dialogs[0].filters[0].second, L"*.png;*.jpg;*.jpeg;*.tga;*.bmp;*.webp");
  EXPECT_EQ(dialogs[0].filters[1].first, L"All Files (*.*)");
  EXPECT_EQ(dialogs[0].filters[1].second, L"*.*");
  EXPECT_EQ(dialogs[0].flags, 0x81800u);
  EXPECT_EQ(dialogs[0].defaultExtension, L"");
  EXPECT_EQ(dialogs[0].defaultName, L"");
}

TEST_F(TextureCommandsTest, CancelAndGuardRefusalTakeNoSnapshot) {
  sanitizeMaterialSlots(*findObjectById(L"obj-1"));  // what the guard does first
  const Project before = appState().project;
  headless::cancelFileDialog();
  setActiveMaterialTexture(L"color");
  appState().selectedObjectId = L"obj-3";
  setActiveMaterialTexture(L"color");
  clearActiveTextureMap(L"color");
  refreshTextureMapStatus();
  EXPECT_EQ(appState().statusText, L"●  Materials apply to mesh/text/curve objects in Phase 46");
  EXPECT_EQ(headless::fileDialogs().size(), 1u);  // the guard refuses before the dialog
  EXPECT_TRUE(appState().undoStack.empty());
  EXPECT_FALSE(appState().dirty);
  EXPECT_EQ(appState().project.scene.objects, before.scene.objects);
}

TEST_F(TextureCommandsTest, AVanishedImageReadsOkUntilReTestedThenMissing) {
  setMap(0, root_ / "p" / "tex" / "wood.png");
  const std::size_t depth = appState().undoStack.size();
  fs::remove(root_ / "p" / "tex" / "wood.png");
  EXPECT_EQ(textureStatusLabel(slotMap(L"color")), L"OK rel");

  appState().dirty = false;
  refreshTextureMapStatus();
  EXPECT_EQ(textureStatusLabel(slotMap(L"color")), L"MISSING");
  EXPECT_EQ(textureStatusLabel(findObjectById(L"obj-1")->material.textureMaps.maps[0]), L"MISSING");
  EXPECT_TRUE(appState().dirty);
  EXPECT_EQ(appState().undoStack.size(), depth);
  EXPECT_EQ(appState().statusText, L"●  Refreshed texture map missing/relative status for active material");
  const std::wstring summary = materialSummaryText(*findObjectById(L"obj-1"));
  EXPECT_NE(summary.find(L"Tex 1 !"), std::wstring::npos) << summary;
  EXPECT_NE(summary.find(L"    Color: MISSING  wood.png"), std::wstring::npos) << summary;

  // A reopen re-tests every slot and base material of the scene.
  touch(root_ / "p" / "tex" / "wood.png");
  updateTextureMapStatuses(appState().project.scene);
  EXPECT_EQ(textureStatusLabel(slotMap(L"color")), L"lazy preview");
  fs::remove(root_ / "p" / "tex" / "wood.png");
  updateTextureMapStatuses(appState().project.scene);
  EXPECT_EQ(textureStatusLabel(slotMap(L"color")), L"MISSING");
  EXPECT_EQ(textureStatusLabel(findObjectById(L"obj-1")->material.textureMaps.maps[0]), L"MISSING");
}

TEST_F(TextureCommandsTest, NonFileMapsAreNeverMissingAndKeepTheirNotes) {
  Material material;
  ensureMaterialTextureMaps(material);
  TextureMap& color = *findTextureMap(material, L"color");
  color.enabled = true;
  color.path = L"absent/embedded.png";
  color.embedded = true;
  TextureMap& alpha = *findTextureMap(material, L"alpha");
  alpha.enabled = true;
  alpha.path = L"absent/data.png";
  alpha.sourceKind = L"data-uri";
  TextureMap& normal = *findTextureMap(material, L"normal");
  normal.enabled = true;
  normal.path = L"tex/wood.png";
  normal.lazyPreview = true;
  TextureMap& metallic = *findTextureMap(material, L"metallic");
  metallic.path = L"tex/wood.png";  // not enabled
  Object& cube = *findObjectById(L"obj-1");
  cube.materialSlots.slots = {material};
  cube.material = material;
  updateTextureMapStatuses(appState().project.scene);

  const Material& slot = cube.materialSlots.slots[0];
  EXPECT_FALSE(findTextureMap(slot, L"color")->missing);
  EXPECT_EQ(textureStatusLabel(*findTextureMap(slot, L"color")), L"embedded metadata; decode deferred");
  EXPECT_FALSE(findTextureMap(slot, L"alpha")->missing);
  EXPECT_EQ(textureStatusLabel(*findTextureMap(slot, L"alpha")), L"data URI metadata; decode deferred");
  EXPECT_EQ(textureStatusLabel(*findTextureMap(slot, L"normal")), L"lazy preview");
  EXPECT_EQ(textureStatusLabel(*findTextureMap(slot, L"metallic")), L"-");
  EXPECT_EQ(formatTextureMapStatus(slot, L"metallic", L"Metallic map"), L"Metallic map: none");

  // A lazy file map whose file is gone reads missing, not its note.
  TextureMap lazyGone = *findTextureMap(slot, L"normal");
  lazyGone.missing = true;
  EXPECT_EQ(textureStatusLabel(lazyGone), L"MISSING");
}

TEST_F(TextureCommandsTest, ClearResetsTheMapsOwnFieldsInOneUndoStep) {
  setMap(3, root_ / "x" / "gone-later.png");
  TextureMap& metallic = slotMap(L"metallic");
  metallic.sourceKind = L"file";
  metallic.colorSpace = L"sRGB";
  metallic.missing = true;
  const std::size_t depth = appState().undoStack.size();
  clearActiveTextureMap(L"metallic");
  const TextureMap& cleared = slotMap(L"metallic");
  EXPECT_EQ(cleared.path, L"");
  EXPECT_FALSE(cleared.enabled);
  EXPECT_TRUE(cleared.relative);
  EXPECT_FALSE(cleared.missing);
  EXPECT_EQ(cleared.colorSpace, L"Linear");
  EXPECT_EQ(cleared.sourceKind, L"file");
  EXPECT_EQ(appState().statusText, L"●  Cleared Metallic texture metadata");
  EXPECT_EQ(appState().undoStack.size(), depth + 1);
  undoLastSnapshot();
  EXPECT_EQ(slotMap(L"metallic").path, wide(root_ / "x" / "gone-later.png"));
}

}  // namespace
}  // namespace vk
