// Start-up and shutdown through the harness: the window, its title and
// classes, the new project, the first status texts, a clean close.
#include "shell/command_ids.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using StartupTest = StudioTest;

TEST_F(StartupTest, MainWindowNewProjectAndFirstTexts) {
  startStudio();
  const headless::WindowInfo info = headless::describe(harness::mainWindow());
  EXPECT_EQ(info.text, L"Veltrask Studio - Phase 66.1 GLB Compatibility QA");
  EXPECT_EQ(info.className, L"VeltraskStudioPhase62Window");
  EXPECT_TRUE(info.visible);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(harness::mainWindow(), GWL_STYLE)) & 0x06CF0000u, 0x06CF0000u);

  for (const wchar_t* name : {L"VeltraskStudioPhase62Window", L"VeltraskStudioPhase62Viewport",
                              L"VeltraskStudioPhase62HoverTip", L"VeltraskStudioPhase62TexturePreview",
                              L"VeltraskStudioPhase64105InspectorScrollbar"}) {
    WNDCLASSEXW wc{};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) << name;
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS)) << name;
    EXPECT_EQ(wc.hbrBackground, nullptr) << name;
  }

  const AppState& app = appState();
  ASSERT_EQ(app.project.scene.objects.size(), 3u);
  EXPECT_EQ(app.project.scene.objects[0].kind, ObjectKind::Mesh);
  EXPECT_EQ(app.project.scene.objects[1].kind, ObjectKind::Camera);
  EXPECT_EQ(app.project.scene.objects[2].kind, ObjectKind::Light);
  EXPECT_FALSE(app.dirty);
  EXPECT_EQ(app.statusText, L"●  Ready");
  EXPECT_EQ(app.dirtyBadgeText, L"Saved");
  // The first layout has run: the regions exist.
  EXPECT_GT(app.ui.inspectorRect.right, app.ui.inspectorRect.left);
}

TEST_F(StartupTest, ClosingACleanProjectExitsWithZeroAndSavesTheSettings) {
  startStudio();
  EXPECT_EQ(harness::close(), 0);
  EXPECT_FALSE(IsWindow(harness::mainWindow()));
  EXPECT_EQ(settingsText().substr(0, 19), "activeRailPanel=0\r\n");
}

TEST_F(StartupTest, ExitCommandClosesAndADirtyProjectAsksFirst) {
  startStudio();
  setDirty(true);
  int asked = 0;
  int answer = kTextDialogSecondButton;
  // The exit confirmation is the studio's own dialog: its buttons answer.
  answerTextDialogs(answer, asked);
  // Keep Editing: window, project and dirty flag stay as they were.
  EXPECT_EQ(harness::close(), -1);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(IsWindow(harness::mainWindow()));
  EXPECT_TRUE(appState().dirty);
  EXPECT_EQ(appState().project.scene.objects.size(), 3u);
  answer = kTextDialogFirstButton;
  harness::sendCommand(kCmdExit);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(IsWindow(harness::mainWindow()));
  EXPECT_TRUE(headless::quitReceived());
  EXPECT_EQ(headless::quitCode(), 0);
  headless::setIdleHandler({});
}

TEST_F(StartupTest, SettingsFileSurvivesARestart) {
  startStudio();
  harness::pressKey(VK_F6);
  harness::pressKey(VK_F6);
  harness::pressKey(VK_F7);
  EXPECT_EQ(harness::close(), 0);
  harness::stop();
  startStudio();
  EXPECT_EQ(appState().activeRailPanel, 2);
  EXPECT_FALSE(appState().leftToolsOpen);
  EXPECT_EQ(appState().ui.leftToolsRect.bottom - appState().ui.leftToolsRect.top, 50);
}

}  // namespace
}  // namespace vk::testing

namespace vk::testing {
namespace {

LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(StartupTest, ClassRegistrationFailureShowsTheBoxAndExitsWithOne) {
  appState() = AppState{};
  appState().workspaceIniPath = settings_;
  headless::start();
  WNDCLASSEXW taken{};
  taken.lpfnWndProc = plainProc;
  taken.lpszClassName = L"VeltraskStudioPhase62TexturePreview";
  ASSERT_NE(RegisterClassExW(&taken), 0);
  std::vector<headless::ModalRequest> boxes;
  headless::setResponder([&boxes](const headless::ModalRequest& request, headless::ModalAnswer& answer) {
    boxes.push_back(request);
    answer.result = IDOK;
    return true;
  });
  EXPECT_EQ(vk::startStudio(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, L"messagebox");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].title, L"Startup Failed");
  EXPECT_EQ(boxes[0].text, L"Could not register Veltrask Studio window classes.");
  EXPECT_EQ(appState().ui.mainWindow, nullptr);
  headless::setResponder(nullptr);
}

}  // namespace
}  // namespace vk::testing
