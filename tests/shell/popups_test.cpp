// Popup menus as the platform records them: item trees, state marks read at
// opening, the parent chooser and the outliner's context menu.
#include <gtest/gtest.h>

#include <set>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using headless::MenuItemRecord;

class Popups : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    headless::clearResponders();
  }
  // Opens the popup as its menu-bar button does and returns what was shown.
  headless::MenuRecord open(int menuId) {
    headless::dismissMenu();
    showPopupMenu(harness::mainWindow(), harness::control(menuId), menuId);
    EXPECT_FALSE(headless::menus().empty());
    return headless::menus().empty() ? headless::MenuRecord{} : headless::menus().back();
  }
  static const MenuItemRecord* find(const std::vector<MenuItemRecord>& items, const std::wstring& label) {
    for (const MenuItemRecord& item : items)
      if (item.label == label) return &item;
    return nullptr;
  }
  static void collectIds(const std::vector<PopupItem>& items, std::set<int>& ids) {
    for (const PopupItem& item : items) {
      if (item.id) ids.insert(static_cast<int>(item.id));
      collectIds(item.submenu, ids);
    }
  }
};

TEST_F(Popups, MenuBarPopupsHoldTheirItemsInOrder) {
  const headless::MenuRecord file = open(kMenuFile);
  ASSERT_EQ(file.items.size(), 12u);
  EXPECT_EQ(file.items[0].label, L"New Project");
  EXPECT_EQ(file.items[0].id, UINT(kCmdNewProject));
  EXPECT_TRUE(file.items[3].separator);
  EXPECT_EQ(file.items[4].label, L"Export GLB 2.0 Scene...");
  EXPECT_EQ(file.items[11].label, L"Exit");
  EXPECT_EQ(file.items[11].id, UINT(kCmdExit));
  const RECT button = headless::describe(harness::control(kMenuFile)).windowRect;
  EXPECT_EQ(file.at.x, button.left);
  EXPECT_EQ(file.at.y, button.bottom + 2);
  for (const MenuItemRecord& item : file.items) EXPECT_TRUE(item.separator || (item.flags & MF_OWNERDRAW)) << item.label;

  const headless::MenuRecord create = open(kMenuCreate);
  ASSERT_EQ(create.items.size(), 5u);
  EXPECT_EQ(create.items[0].label, L"Mesh Primitives  >");
  ASSERT_EQ(create.items[0].submenu.size(), 7u);
  EXPECT_EQ(create.items[0].submenu[6].label, L"Text Mesh");
  EXPECT_EQ(create.items[0].submenu[6].id, UINT(kCmdAddTextMesh));
  EXPECT_EQ(find(create.items, L"Scene Helpers  >")->submenu.back().id, UINT(kCmdNewGroup));

  const headless::MenuRecord help = open(kMenuHelp);
  ASSERT_EQ(help.items.size(), 2u);
  EXPECT_EQ(help.items[0].label, L"About Phase 65.6");
  EXPECT_EQ(help.items[1].id, UINT(kCmdShowCopyright));

  // Every id the Window popup offers for the hidden buttons opens its own popup.
  const headless::MenuRecord window = open(kMenuWindow);
  EXPECT_EQ(window.items.back().id, UINT(kMenuCapsules));
  EXPECT_EQ(open(kMenuTimeline).items.back().label, L"Focus Timeline on Selected Object");
  EXPECT_EQ(open(kMenuAxis).items.size(), 4u);
  EXPECT_EQ(open(kMenuSelection).items[5].label, L"Clear Component/Point Selection");
}

TEST_F(Popups, StateMarksAreReadWhenThePopupOpens) {
  AppState& app = appState();
  for (bool ortho : {false, true}) {
    app.orthographic = ortho;
    for (int menuId : {kMenuView, kMenuWindow}) {
      const headless::MenuRecord menu = open(menuId);
      const auto& items = menuId == kMenuView ? menu.items[0].submenu : menu.items;
      int marks = 0;
      for (const MenuItemRecord& item : items) {
        if (item.label.starts_with(L"✓ ")) {
          ++marks;
          EXPECT_EQ(item.id, ortho ? UINT(kCmdOrthographic) : UINT(kCmdPerspective));
        }
      }
      EXPECT_EQ(marks, 1) << menuId;
    }
  }
  app.snapEnabled = true;
  EXPECT_NE(find(open(kMenuTools).items, L"Disable Snap"), nullptr);
  app.snapEnabled = false;
  EXPECT_NE(find(open(kMenuTools).items, L"Enable Snap"), nullptr);
  app.project.scene.timelineSettings.showTimelinePanel = false;
  EXPECT_EQ(open(kMenuWindow).items[0].label, L"Show Timeline / Curves");
  app.project.scene.renderSettings.cropCameraFrame = false;
  EXPECT_NE(find(open(kMenuRender).items, L"Camera-frame Crop: Off"), nullptr);
}

TEST_F(Popups, EveryCommandOfTheMenusIsOfferedAndChoosingDispatches) {
  std::set<int> ids;
  for (int menuId :
       {kMenuFile, kMenuEdit, kMenuCreate, kMenuObject, kMenuMesh, kMenuCurve, kMenuModifier, kMenuMaterial, kMenuView,
        kMenuRender, kMenuTools, kMenuWindow, kMenuTimeline, kMenuPresets, kMenuCapsules, kMenuHelp})
    collectIds(popupMenuItems(menuId), ids);
  for (int id : {kCmdNewProject,
                 kCmdOpenProject,
                 kCmdSaveProject,
                 kCmdSaveProjectAs,
                 kCmdExit,
                 kCmdImportObj,
                 kCmdExportObj,
                 kCmdExportGltf,
                 kCmdExportSelectedGlb,
                 kCmdExportGlbScene,
                 kCmdApplyInspector,
                 kCmdToggleRenderCameraCrop,
                 kCmdShowRenderSettings,
                 kCmdFocusTimelineOnSelection,
                 kCmdCurveConvertToMesh,
                 kCmdAddUnknownModifier,
                 kCmdRefreshTextureStatus,
                 kCmdApplyBrowserMaterialCapsule,
                 kCmdStarterMoonlitLookdev,
                 kCmdResetWorkspaceLayout})
    EXPECT_TRUE(ids.count(id)) << id;
  EXPECT_FALSE(ids.count(kCmdImportGltfDeferred));  // nothing sends the deferred import

  const std::size_t count = appState().project.scene.objects.size();
  headless::answerMenu(kCmdAddEmpty);
  showPopupMenu(harness::mainWindow(), harness::control(kMenuCreate), kMenuCreate);
  EXPECT_EQ(appState().project.scene.objects.size(), count + 1);
  headless::dismissMenu();
  showPopupMenu(harness::mainWindow(), harness::control(kMenuCreate), kMenuCreate);
  EXPECT_EQ(appState().project.scene.objects.size(), count + 1);
}

TEST_F(Popups, ParentChooserOffersNeitherSelfNorDescendantsAndStopsAt512) {
  AppState& app = appState();
  findObjectById(L"obj-2")->parentId = L"obj-1";  // a child of the selected cube
  headless::dismissMenu();
  showParentMenu(harness::control(kCmdParentSelected));
  ASSERT_EQ(headless::menus().size(), 1u);
  const auto& items = headless::menus()[0].items;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].label, L"Parent to Point Light");
  EXPECT_EQ(items[0].id, UINT(kCmdParentChooserBase));

  Scene& scene = app.project.scene;
  scene.objects.resize(1);
  headless::dismissMenu();
  showParentMenu(harness::control(kCmdParentSelected));
  ASSERT_EQ(headless::menus().back().items.size(), 1u);
  EXPECT_EQ(headless::menus().back().items[0].label, L"No valid parent targets");
  EXPECT_EQ(headless::menus().back().items[0].id, 0u);

  for (int i = 0; i < 600; ++i) {
    Object o;
    o.id = L"t-" + std::to_wstring(i);
    o.name = L"T" + std::to_wstring(i);
    scene.objects.push_back(o);
  }
  const std::vector<PopupItem> many = parentChooserItems();
  EXPECT_EQ(many.size(), 512u);
  EXPECT_EQ(app.parentCandidateIds.size(), 512u);
  EXPECT_EQ(app.parentCandidateIds.back(), L"t-511");
  app.selectedObjectId.clear();
  const std::size_t shown = headless::menus().size();
  showParentMenu(nullptr);
  EXPECT_EQ(headless::menus().size(), shown);
}

TEST_F(Popups, OutlinerContextMenuFromTheKeyboardAndFromTheMouse) {
  AppState& app = appState();
  HWND list = app.ui.outlinerList;
  ASSERT_NE(list, nullptr);
  const RECT r = headless::describe(list).windowRect;
  headless::dismissMenu();
  showOutlinerContextMenu(harness::mainWindow(), POINT{-1, -1});
  ASSERT_EQ(headless::menus().size(), 1u);
  EXPECT_EQ(headless::menus()[0].at.x, r.left + 24);
  EXPECT_EQ(headless::menus()[0].at.y, r.top + 48);
  EXPECT_EQ(headless::menus()[0].items.size(), 14u);
  EXPECT_EQ(app.selectedObjectId, L"obj-1");

  // A right click on the third row (30 pixels each) selects it first.
  headless::answerMenu(kCmdToggleVisibility);
  showOutlinerContextMenu(harness::mainWindow(), POINT{r.left + 40, r.top + 75});
  EXPECT_EQ(app.selectedObjectId, L"obj-3");
  EXPECT_FALSE(findObjectById(L"obj-3")->visible);
  EXPECT_EQ(headless::menus().back().at.x, r.left + 40);
}

TEST_F(Popups, ProjectionDropdownSendsTheChoiceBackToTheMainWindow) {
  AppState& app = appState();
  app.cameraView = true;
  headless::dismissMenu();
  showPopupMenu(harness::mainWindow(), shellHandles().projectionButton, kCmdToggleProjection);
  const auto& items = headless::menus().back().items;
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0].label, L"✓ Perspective");
  EXPECT_EQ(items[3].label, L"✓ Camera View");
}

}  // namespace
}  // namespace vk::testing
