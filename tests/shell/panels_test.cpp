// The status bar labels and the left rail panel texts for several scenes.
#include "model/objects.h"
#include "model/undo.h"
#include "shell/command_ids.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"
#include "test_temp_folder.h"

namespace vk::testing {
namespace {

class PanelTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();
  }
  void TearDown() override { appState() = AppState{}; }
};

TEST_F(PanelTexts, StatusBarOfTheNewProjectAndOfChangedStates) {
  StatusBarTexts texts = statusBarTexts();
  EXPECT_EQ(texts.view, L"View: Lit / Select  F1  Frustum");
  EXPECT_EQ(texts.project, L"Project: Untitled");
  EXPECT_EQ(texts.dirty, L"Saved");
  EXPECT_EQ(texts.objects, L"Objects: 3    Tri: 12");
  EXPECT_EQ(texts.version, L"v65.6");

  AppState& app = appState();
  app.projectPath = L"C:\\work\\scenes\\demo.json";
  EXPECT_EQ(statusBarTexts().project, L"Project: demo.json");
  app.projectPath = L"/home/me/demo.json";
  EXPECT_EQ(statusBarTexts().project, L"Project: demo.json");
  app.transformTool = static_cast<TransformTool>(9);
  app.project.scene.viewportShadingMode = static_cast<ViewportShadingMode>(7);
  app.showCameraWidgets = false;
  app.project.scene.timelineSettings.currentFrame = 42;
  EXPECT_EQ(statusBarTexts().view, L"View: Lit / Select  F42");
  app.transformTool = TransformTool::Rotate;
  app.project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  EXPECT_EQ(statusBarTexts().view, L"View: Material Preview / Rotate  F42");
  setDirty(true);
  EXPECT_EQ(statusBarTexts().dirty, L"Unsaved");
  // No visible mesh: the triangle count reads "--".
  app.project.scene.objects[0].visible = false;
  EXPECT_EQ(statusBarTexts().objects, L"Objects: 3    Tri: --");
}

TEST_F(PanelTexts, RefreshWritesTheLabelsButNeverTheStatusLine) {
  const std::wstring settings =
      wideFromPath(vk::test::uniqueTempFolder("vk_panels") += "_settings.ini");
  harness::Options options;
  options.settingsPath = settings;
  ASSERT_EQ(harness::start(options), 0);
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  EXPECT_EQ(harness::text(shell.viewLabel), L"View: Lit / Select  F1  Frustum");
  EXPECT_EQ(harness::text(shell.objectCountLabel), L"Objects: 3    Tri: 12");
  EXPECT_EQ(harness::text(ui.statusLine), L"●  Ready");
  EXPECT_EQ(harness::text(ui.dirtyBadge), L"Saved");
  EXPECT_EQ(harness::text(shell.projectionButton), L"Perspective");
  setDirty(true);
  appState().projectPath = L"scenes/demo.json";
  refreshStatusBar();
  EXPECT_EQ(harness::text(ui.statusLine), L"●  Unsaved changes");
  EXPECT_EQ(harness::text(shell.projectLabel), L"Project: demo.json");
  EXPECT_EQ(harness::text(ui.dirtyBadge), L"Unsaved");
  for (HWND hidden : shell.hiddenStatusLabels) EXPECT_FALSE(IsWindowVisible(hidden));
  setDirty(false);
  harness::stop();
  std::filesystem::remove(pathFromWide(settings));
}

TEST_F(PanelTexts, RailVocabulary) {
  EXPECT_EQ(leftRailPanelFromIndex(7), 0);
  EXPECT_EQ(leftRailPanelFromIndex(-1), 0);
  EXPECT_EQ(leftRailPanelFromIndex(4), 4);
  EXPECT_EQ(leftRailPanelCaption(3), L"SCENE");
  EXPECT_EQ(leftRailPanelCaption(9), L"OUTLINER");
  EXPECT_EQ(leftRailPanelDescription(9), L"");
  EXPECT_EQ(leftRailButtonLabel(2, 5), L"Assign Faces");
  EXPECT_EQ(leftRailButtonLabel(2, 6), L"");
  EXPECT_EQ(leftRailButtonLabel(5, 0), L"");
  EXPECT_EQ(leftRailButtonCommand(4, 3), kCmdResetWorkspaceLayout);
  EXPECT_EQ(leftRailButtonCommand(3, 5), kCmdToggleFrustumGuides);
  appState().activeRailPanel = 2;
  EXPECT_TRUE(isRailPanelButtonActive(kCmdRailMaterials));
  EXPECT_FALSE(isRailPanelButtonActive(kCmdRailAssets));
  EXPECT_FALSE(isRailPanelButtonActive(kCmdResetTransform));
}

TEST_F(PanelTexts, RailDetailsForSeveralScenes) {
  AppState& app = appState();
  EXPECT_EQ(leftRailContextText(0), L"Objects: 3");
  app.outlinerFilter = L" cam ";
  EXPECT_EQ(leftRailContextText(0), L"Objects: 3 | Filter:  cam ");
  EXPECT_EQ(leftRailContextText(4), L"Undo 0 | Redo 0 | Saved");
  pushUndoSnapshot();
  setDirty(true);
  EXPECT_EQ(leftRailContextText(4), L"Undo 1 | Redo 0 | Unsaved changes");

  Object& cube = app.project.scene.objects[0];
  app.selectedObjectId = cube.id;
  cube.material.name = L"Steel";
  cube.materialSlots.slots.clear();
  EXPECT_EQ(leftRailContextText(2), L"Selected: Starter Cube | Material Steel | Slots 1");
  app.selectedObjectId.clear();
  EXPECT_EQ(leftRailContextText(2), L"Select an object to edit material slots, presets, and capsule application.");

  app.project.scene.activeCameraId = app.project.scene.objects[1].id;
  EXPECT_EQ(leftRailContextText(3), L"Active camera: Camera | Frustums on | Look targets on");
  app.project.scene.activeCameraId = app.project.scene.objects[2].id;  // a light
  app.showFramingBadge = false;
  EXPECT_EQ(leftRailContextText(3), L"Active camera: none | Frustums on | Look targets off");

  app.importReport = L"Import report: demo";
  const std::wstring assets = leftRailContextText(1);
  EXPECT_EQ(assets.rfind(L"Project assets: 3 scene objects. Phase 66.1: real binary .glb export", 0), 0u);
  EXPECT_EQ(assets.substr(assets.size() - 21), L".\nImport report: demo");
  EXPECT_EQ(leftRailContextText(5), L"");
}

}  // namespace
}  // namespace vk::testing
