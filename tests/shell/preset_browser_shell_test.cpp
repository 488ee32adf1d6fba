// The preset and capsule browsers inside the studio: the catalog submenus,
// the inspector's two blocks and the details lines they feed.
#include <gtest/gtest.h>

#include "presets/browsers.h"
#include "presets/catalogs.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk {
namespace {

using testing::StudioTest;

const PopupItem* findSubmenu(const std::vector<PopupItem>& items, const std::wstring& label) {
  for (const PopupItem& item : items) {
    if (item.label == label + L"  >") return &item;
  }
  return nullptr;
}

class PresetBrowserShell : public StudioTest {};

TEST_F(PresetBrowserShell, CatalogSubmenusListEveryRowAndChooseIt) {
  startStudio(1920, 1080);
  const std::vector<PopupItem> presetMenu = popupMenuItems(kMenuPresets);
  const std::vector<PopupItem> capsuleMenu = popupMenuItems(kMenuCapsules);
  const PopupItem* presets = findSubmenu(presetMenu, L"Built-in Catalog");
  ASSERT_NE(presets, nullptr);
  ASSERT_EQ(presets->submenu.size(), 12u);
  EXPECT_EQ(presets->submenu[2].label, L"Material: Veltrask Blue Material");
  EXPECT_EQ(presets->submenu[2].id, kCmdPresetCatalogBase + 2);
  const PopupItem* capsules = findSubmenu(capsuleMenu, L"Built-in Capsules");
  ASSERT_NE(capsules, nullptr);
  ASSERT_EQ(capsules->submenu.size(), 21u);
  EXPECT_EQ(capsules->submenu[20].label, L"Experimental: Material Pack Authoring Note");
  EXPECT_EQ(capsules->submenu[20].id, kCmdCapsuleCatalogBase + 20);

  harness::sendCommand(kCmdPresetCategoryMaterial);
  harness::sendCommand(kCmdPresetCatalogBase + 9);
  EXPECT_EQ(appState().project.scene.presetBrowser.selectedPresetId, L"camera-product-hero");
  EXPECT_EQ(appState().project.scene.presetBrowser.categoryFilter, L"All");
  EXPECT_EQ(appState().statusText, L"●  Selected preset: Product Hero Camera");
}

TEST_F(PresetBrowserShell, InspectorBlocksAndDetailsFollowTheBrowsers) {
  startStudio(1920, 1080);
  harness::sendCommand(kCmdCapsuleCategoryLighting);
  harness::sendCommand(kCmdNextCapsule);
  const ShellHandles& shell = shellHandles();
  EXPECT_EQ(harness::text(shell.capsuleStatus), L"Capsules: Product Softbox [Lighting] 5 visible, applied 0");
  EXPECT_EQ(harness::text(shell.capsuleDescription), capsuleBrowserDetailText());
  EXPECT_EQ(harness::text(harness::control(kCmdCapsuleCategoryAll)), L"Filter: Lighting");
  EXPECT_EQ(harness::text(shell.presetStatus), presetBrowserSummaryLine());
  const std::wstring details = harness::text(shell.meshDetails);
  EXPECT_NE(details.find(presetBrowserSummaryLine() + L"\nPreset status: Preset Browser ready\n" +
                         L"Capsules: Product Softbox [Lighting] 5 visible, applied 0\n" +
                         L"Capsule status: Selected capsule: Product Softbox\n"),
            std::wstring::npos);

  harness::sendCommand(kCmdToggleCapsuleBrowser);
  EXPECT_EQ(appState().statusText, L"●  Capsule browser hidden");
  EXPECT_FALSE(IsWindowVisible(shell.capsuleStatus));
}

}  // namespace
}  // namespace vk
