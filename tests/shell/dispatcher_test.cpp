// The dispatcher: every routed id reaches its operation, the rail slots, the
// catalog and parent-chooser ranges, the inline commands and the order of
// status and dirty writes.
#include <gtest/gtest.h>

#include <functional>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class Dispatcher : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
  AppState& app() { return appState(); }
  const Object& last() { return app().project.scene.objects.back(); }
};

struct Creation {
  int id;
  ObjectKind kind;
  const wchar_t* name;
};

TEST_F(Dispatcher, CreationIdsAddTheirObjectAndLeaveTheDirtyMessage) {
  const Creation table[] = {{kCmdAddCube, ObjectKind::Mesh, L"Cube"},
                            {kCmdAddPlane, ObjectKind::Mesh, L"Plane"},
                            {kCmdAddSphere, ObjectKind::Mesh, L"Sphere"},
                            {kCmdAddCylinder, ObjectKind::Mesh, L"Cylinder"},
                            {kCmdAddCone, ObjectKind::Mesh, L"Cone"},
                            {kCmdAddTorus, ObjectKind::Mesh, L"Torus"},
                            {kCmdAddTextMesh, ObjectKind::Text, L"Text"},
                            {kCmdAddCamera, ObjectKind::Camera, L"Camera"},
                            {kCmdAddPointLight, ObjectKind::Light, L"Point Light"},
                            {kCmdAddDirectionalLight, ObjectKind::Light, L"Directional Light"},
                            {kCmdAddSpotLight, ObjectKind::Light, L"Spot Light"},
                            {kCmdAddAreaLight, ObjectKind::Light, L"Area Light"},
                            {kCmdAddEmpty, ObjectKind::Empty, L"Empty"},
                            {kCmdAddLineCurve, ObjectKind::Curve, L"Line"},
                            {kCmdAddBezierCurve, ObjectKind::Curve, L"Bezier"},
                            {kCmdAddCircleCurve, ObjectKind::Curve, L"Circle"},
                            {kCmdAddRectangleCurve, ObjectKind::Curve, L"Rectangle"}};
  for (const Creation& c : table) {
    app().workMode = WorkMode::Object;
    setDirty(false);
    const std::size_t count = app().project.scene.objects.size();
    const CommandResult result = handleCommand(c.id);
    EXPECT_TRUE(result.handled) << c.id;
    ASSERT_EQ(app().project.scene.objects.size(), count + 1) << c.id;
    EXPECT_EQ(last().kind, c.kind) << c.id;
    EXPECT_NE(last().name.find(c.name), std::wstring::npos) << c.id;
    // A curve ends in Edit Curve mode, whose switch reports itself.
    EXPECT_EQ(app().statusText, c.kind == ObjectKind::Curve ? L"●  Mode: Edit Curve" : L"●  Unsaved changes") << c.id;
    EXPECT_EQ(app().dirtyBadgeText, L"Unsaved") << c.id;
    EXPECT_EQ(app().workMode, c.kind == ObjectKind::Curve ? WorkMode::EditCurve : WorkMode::Object) << c.id;
  }
}

struct Inline {
  int id;
  std::function<void()> before;
  const wchar_t* status;
  std::function<bool()> effect;
};

TEST_F(Dispatcher, InlineCommandsWriteTheirTextsAndChangeOnlyTheirState) {
  AppState& a = app();
  const Inline table[] = {
      {kCmdToggleFrustumGuides, [&] { a.showCameraWidgets = true; }, L"●  Camera frustum guides hidden",
       [&] { return !a.showCameraWidgets; }},
      {kCmdToggleFrustumGuides, [&] { a.showCameraWidgets = false; }, L"●  Camera frustum guides enabled",
       [&] { return a.showCameraWidgets; }},
      {kCmdToggleLookTargets, [&] { a.showFramingBadge = true; }, L"●  Camera look-target and coverage guides hidden",
       [&] { return !a.showFramingBadge; }},
      {kCmdToggleSnap, [&] { a.snapEnabled = false; }, L"●  Snap enabled", [&] { return a.snapEnabled; }},
      {kCmdToggleSnap, [&] { a.snapEnabled = true; }, L"●  Snap disabled", [&] { return !a.snapEnabled; }},
      {kCmdClearComponentSelection,
       [&] {
         a.selectedVertices = {1, 2};
       },
       L"●  Component selection cleared", [&] { return a.selectedVertices.empty(); }},
      {kCmdRailOutliner, [&] { a.activeRailPanel = 3; }, L"●  Left panel: Outliner",
       [&] { return a.activeRailPanel == 0; }},
      {kCmdRailAssets, {}, L"●  Left panel: Assets", [&] { return a.activeRailPanel == 1; }},
      {kCmdRailMaterials, {}, L"●  Left panel: Materials", [&] { return a.activeRailPanel == 2; }},
      {kCmdRailScene, {}, L"●  Left panel: Scene", [&] { return a.activeRailPanel == 3; }},
      {kCmdRailHistory, {}, L"●  Left panel: History", [&] { return a.activeRailPanel == 4; }},
      {kCmdResetWorkspaceLayout,
       [&] {
         a.inspectorNotesOpen = false;
         a.outlinerFilter = L"cube";
         a.inspectorScrollOffset = 40;
       },
       L"●  Workspace reset to the Phase 65.6 imported asset robustness layout",
       [&] {
         return a.activeRailPanel == 0 && a.inspectorNotesOpen && a.outlinerFilter.empty() &&
                a.inspectorScrollOffset == 0 && GetWindowTextLengthW(shellHandles().outlinerSearch) == 9;
       }},
  };
  for (const Inline& c : table) {
    if (c.before) c.before();
    const std::size_t undo = a.undoStack.size();
    EXPECT_TRUE(handleCommand(c.id).handled) << c.id;
    EXPECT_EQ(a.statusText, c.status) << c.id;
    EXPECT_TRUE(c.effect()) << c.id;
    EXPECT_EQ(a.undoStack.size(), undo) << c.id;  // view and panel switches take no snapshot
    EXPECT_FALSE(a.dirty) << c.id;
  }
}

TEST_F(Dispatcher, ObjectInlineCommandsRespectLocksAndTakeOneSnapshot) {
  AppState& a = app();
  Object& cube = *findObjectById(L"obj-1");
  cube.transform.position = {3, 4, 5};
  cube.locked = true;
  setStatusText(L"●  before");
  std::size_t undo = a.undoStack.size();
  handleCommand(kCmdResetTransform);  // locked: nothing, not even a message
  EXPECT_EQ(findObjectById(L"obj-1")->transform.position.x, 3);
  EXPECT_EQ(a.undoStack.size(), undo);
  EXPECT_EQ(a.statusText, L"●  before");
  handleCommand(kCmdToggleVisibility);  // visibility works on a locked object
  EXPECT_FALSE(findObjectById(L"obj-1")->visible);
  handleCommand(kCmdToggleLock);
  EXPECT_FALSE(findObjectById(L"obj-1")->locked);
  EXPECT_EQ(a.undoStack.size(), undo + 2);
  handleCommand(kCmdResetTransform);
  EXPECT_EQ(findObjectById(L"obj-1")->transform, Transform{});
  EXPECT_EQ(a.statusText, L"●  Unsaved changes");
  undo = a.undoStack.size();
  handleCommand(kCmdUnparentSelected);  // a root: no snapshot
  EXPECT_EQ(a.undoStack.size(), undo);
  findObjectById(L"obj-1")->parentId = L"obj-3";
  handleCommand(kCmdUnparentSelected);
  EXPECT_TRUE(findObjectById(L"obj-1")->parentId.empty());
  EXPECT_EQ(a.undoStack.size(), undo + 1);
  a.selectedObjectId.clear();
  setDirty(false);
  for (int id : {kCmdResetTransform, kCmdUnparentSelected, kCmdToggleVisibility, kCmdToggleLock}) handleCommand(id);
  EXPECT_FALSE(a.dirty);
}

TEST_F(Dispatcher, RailSlotsFollowThePanelAndOutOfRangePanelsSayNoAction) {
  AppState& a = app();
  a.activeRailPanel = 0;
  const std::size_t count = a.project.scene.objects.size();
  EXPECT_TRUE(handleCommand(kCmdRailSlot3).handled);  // Outliner slot 3: Delete
  EXPECT_EQ(a.project.scene.objects.size(), count - 1);
  a.activeRailPanel = 3;
  handleCommand(kCmdRailSlot1);  // Scene slot 1: Camera
  EXPECT_EQ(a.project.scene.objects.back().kind, ObjectKind::Camera);
  handleCommand(kCmdRailSlot6);  // Scene slot 6: frustum guides
  EXPECT_EQ(a.statusText, L"●  Camera frustum guides hidden");
  EXPECT_EQ(railSlotCommand(1, 6), kCmdSaveProject);
  EXPECT_EQ(railSlotCommand(4, 3), kCmdSaveProject);
  EXPECT_EQ(railSlotCommand(1, 3), kCmdExportGltf);
  a.activeRailPanel = 7;
  EXPECT_FALSE(handleCommand(kCmdRailSlot2).handled);
  EXPECT_EQ(a.statusText, L"●  No action available in this panel slot");
}

TEST_F(Dispatcher, RangesAndIdsOutsideTheTableAreNotHandled) {
  constexpr int kCatalogsEnd = kCmdCapsuleCatalogBase + kCatalogRangeSize;
  // Catalog items past the catalogs' rows are outside the table too.
  for (int id : {kMenuFile, kMenuRender, kMenuEdit, kMenuWindow, kCmdSolidifyResetDefaults + 1,
                 kCmdLatticeCellsDown + 18, kCmdPresetCatalogBase + 12, kCmdCapsuleCatalogBase + 21,
                 kCatalogsEnd - 1, kCatalogsEnd, kCmdParentChooserBase - 1, kCmdParentChooserBase,
                 kCmdParentChooserBase + 1000})
    EXPECT_FALSE(handleCommand(id).handled) << id;
  headless::clearResponders();
  headless::dismissMenu();
  EXPECT_TRUE(handleCommand(kMenuTimeline).handled);
  ASSERT_EQ(headless::menus().size(), 1u);
  const RECT window = headless::describe(mainButton(kMenuWindow)).windowRect;
  EXPECT_EQ(headless::menus()[0].at.x, window.left);
  EXPECT_EQ(headless::menus()[0].at.y, window.bottom + 2);
}

TEST_F(Dispatcher, ParentChooserPicksAreCheckedAgainWhenTheyArrive) {
  AppState& a = app();
  headless::clearResponders();
  headless::answerMenu(kCmdParentChooserBase + 1);  // candidates: obj-2, obj-3
  handleCommand(kCmdParentSelected);
  EXPECT_EQ(a.parentCandidateIds, (std::vector<std::wstring>{L"obj-2", L"obj-3"}));
  EXPECT_EQ(findObjectById(L"obj-1")->parentId, L"obj-3");
  EXPECT_EQ(a.statusText, L"●  Unsaved changes");

  // obj-3 now hangs below obj-1: choosing obj-3 for it again is stale.
  findObjectById(L"obj-1")->parentId.clear();
  findObjectById(L"obj-3")->parentId = L"obj-1";
  const std::size_t undo = a.undoStack.size();
  EXPECT_TRUE(handleCommand(kCmdParentChooserBase + 1).handled);
  EXPECT_EQ(a.statusText, L"●  Invalid parent target");
  EXPECT_EQ(a.undoStack.size(), undo);
  EXPECT_TRUE(findObjectById(L"obj-1")->parentId.empty());
  EXPECT_FALSE(handleCommand(kCmdParentChooserBase + 2).handled);
}

TEST_F(Dispatcher, CommandsArrivingDuringTheImportPumpAreRefused) {
  AppState& a = app();
  const std::size_t count = a.project.scene.objects.size();
  PostMessageW(a.ui.mainWindow, WM_COMMAND, kCmdAddCube, 0);
  PostMessageW(a.ui.mainWindow, WM_PAINT, 0, 0);
  processPendingMessages(L"Importing...");
  EXPECT_EQ(a.project.scene.objects.size(), count);
  EXPECT_EQ(a.statusText, kBusyStatus);
  EXPECT_FALSE(pendingMessagePumpActive());
  // A quit seen by the pump is posted again for the main loop.
  PostQuitMessage(3);
  processPendingMessages(L"Importing...");
  harness::pump();
  EXPECT_TRUE(headless::quitReceived());
  EXPECT_EQ(headless::quitCode(), 3);
  EXPECT_TRUE(handleCommand(kCmdAddCube).handled);
  EXPECT_EQ(a.project.scene.objects.size(), count + 1);
}

}  // namespace
}  // namespace vk::testing
