// The workspace settings file: what a save writes, how each kind of line
// reads back, and the round trip through a real file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/app_state.h"
#include "persistence/workspace_settings.h"
#include "platform/win32.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

class WorkspaceSettings : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

TEST_F(WorkspaceSettings, SaveWritesEightLinesInOrderWithCrLf) {
  AppState& app = appState();
  app.activeRailPanel = 3;
  app.leftToolsOpen = false;
  app.inspectorCameraOpen = false;
  EXPECT_EQ(workspaceIniText(),
            "activeRailPanel=3\r\nleftToolsOpen=0\r\ntimelineVisible=1\r\ninspectorTransformOpen=1\r\n"
            "inspectorDisplayOpen=1\r\ninspectorCameraOpen=0\r\ninspectorKeyframesOpen=1\r\n"
            "inspectorNotesOpen=1\r\n");
  app.activeRailPanel = 9;  // never written as is
  EXPECT_EQ(workspaceIniText().substr(0, 18), "activeRailPanel=0\r");
}

TEST_F(WorkspaceSettings, LfAndCrLfFilesReadAlike) {
  for (const char* end : {"\n", "\r\n"}) {
    appState() = AppState{};
    const std::string e = end;
    applyWorkspaceIniText("activeRailPanel=2" + e + "leftToolsOpen=0" + e + "timelineVisible=false" + e +
                          "inspectorNotesOpen=no" + e);
    EXPECT_EQ(appState().activeRailPanel, 2);
    EXPECT_FALSE(appState().leftToolsOpen);
    EXPECT_FALSE(appState().project.scene.timelineSettings.showTimelinePanel);
    EXPECT_FALSE(appState().inspectorNotesOpen);
    EXPECT_TRUE(appState().inspectorTransformOpen);
  }
}

TEST_F(WorkspaceSettings, PanelValuesParseLikeAStandardIntConversion) {
  struct Case {
    const char* value;
    int expected;
  };
  for (Case c : {Case{" 3", 3}, Case{"2abc", 2}, Case{"abc", 1}, Case{"7", 1}, Case{"-1", 1},
                 Case{"+4", 4}, Case{"99999999999", 1}, Case{"", 1}, Case{"\t0", 0}}) {
    appState() = AppState{};
    appState().activeRailPanel = 1;
    // A bad value is skipped and the following lines are still read.
    applyWorkspaceIniText(std::string("activeRailPanel=") + c.value + "\nleftToolsOpen=0\n");
    EXPECT_EQ(appState().activeRailPanel, c.expected) << c.value;
    EXPECT_FALSE(appState().leftToolsOpen) << c.value;
  }
}

TEST_F(WorkspaceSettings, OnlyExactKeysAndTruthyWordsCount) {
  applyWorkspaceIniText(
      " leftToolsOpen=0\nLeftToolsOpen=0\ninspectorDisplayOpen= 0\ninspectorCameraOpen=No\n"
      "inspectorTransformOpen=FALSE\nactiveRailPanel\n\n=3\ninspectorKeyframesOpen=0=1\n");
  EXPECT_TRUE(appState().leftToolsOpen);
  EXPECT_TRUE(appState().inspectorDisplayOpen);
  EXPECT_TRUE(appState().inspectorCameraOpen);
  EXPECT_FALSE(appState().inspectorTransformOpen);
  EXPECT_TRUE(appState().inspectorKeyframesOpen);  // the value is "0=1"
  EXPECT_EQ(appState().activeRailPanel, 0);
  for (const char* word : {"1", "true", "TRUE", "yes"}) {
    appState().inspectorNotesOpen = false;
    applyWorkspaceIniText(std::string("inspectorNotesOpen=") + word);
    EXPECT_TRUE(appState().inspectorNotesOpen) << word;
  }
  for (const char* word : {"0", "false", "FALSE", "no"}) {
    appState().inspectorNotesOpen = true;
    applyWorkspaceIniText(std::string("inspectorNotesOpen=") + word);
    EXPECT_FALSE(appState().inspectorNotesOpen) << word;
  }
  // The last line for a key wins.
  applyWorkspaceIniText("inspectorNotesOpen=0\r\ninspectorNotesOpen=0\r\ninspectorNotesOpen=1\r\n");
  EXPECT_TRUE(appState().inspectorNotesOpen);
}

TEST_F(WorkspaceSettings, FileRoundTripAndSilentFailures) {
  const auto folder = vk::test::uniqueTempFolder("vk_workspace_settings");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::wstring path = wideFromPath(folder / "veltrask_workspace_phase64_10_5.ini");
  appState().workspaceIniPath = path;
  EXPECT_EQ(appWorkspaceIniPath(), path);

  loadWorkspaceIni();  // missing file: the defaults stay
  EXPECT_EQ(appState().activeRailPanel, 0);
  EXPECT_TRUE(appState().leftToolsOpen);

  appState().activeRailPanel = 4;
  appState().project.scene.timelineSettings.showTimelinePanel = false;
  appState().inspectorDisplayOpen = false;
  saveWorkspaceIni();
  appState() = AppState{};
  appState().workspaceIniPath = path;
  loadWorkspaceIni();
  EXPECT_EQ(appState().activeRailPanel, 4);
  EXPECT_FALSE(appState().project.scene.timelineSettings.showTimelinePanel);
  EXPECT_FALSE(appState().inspectorDisplayOpen);

  // An unwritable place is silent and leaves the state alone.
  appState().workspaceIniPath = wideFromPath(folder / "missing" / "x.ini");
  saveWorkspaceIni();
  EXPECT_FALSE(fileExists(appState().workspaceIniPath));
  std::filesystem::remove_all(folder);
}

TEST_F(WorkspaceSettings, ALinkedSettingsFileIsWrittenThroughOrSkippedWhenItIsNoFile) {
  namespace fs = std::filesystem;
  const fs::path folder = vk::test::uniqueTempFolder("vk_workspace_link");
  fs::remove_all(folder);
  fs::create_directories(folder / "kept");
  const auto typeOf = [](const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0u;
  };
  // Written through: the link stays and the file it names is replaced.
  fs::create_symlink("kept/settings.ini", folder / "linked.ini");
  appState().workspaceIniPath = wideFromPath(folder / "linked.ini");
  appState().activeRailPanel = 2;
  saveWorkspaceIni();
  EXPECT_EQ(typeOf(folder / "linked.ini"), static_cast<unsigned>(S_IFLNK));
  appState() = AppState{};
  appState().workspaceIniPath = wideFromPath(folder / "linked.ini");
  loadWorkspaceIni();
  EXPECT_EQ(appState().activeRailPanel, 2);

  // A FIFO and a device node made in this folder (the null device's numbers),
  // named directly or through a link: the write is skipped, the node stays.
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
  std::vector<std::pair<std::string, unsigned>> nodes = {{"pipe", S_IFIFO}};
  if (::mknod((folder / "device").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
    nodes.emplace_back("device", S_IFCHR);
  }
  for (const auto& [name, type] : nodes) {
    fs::create_symlink(name, folder / (name + ".ini"));
    for (const std::string& target : {name, name + ".ini"}) {
      appState().workspaceIniPath = wideFromPath(folder / target);
      saveWorkspaceIni();
      EXPECT_EQ(typeOf(folder / name), type) << target;
    }
  }
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 2u + 2u * nodes.size());  // no temporary left
  fs::remove_all(folder);
}

TEST_F(WorkspaceSettings, DefaultPathIsBesideTheExecutable) {
  const std::wstring path = appWorkspaceIniPath();
  const std::wstring exe = vkExecutablePath();
  EXPECT_EQ(wideFromPath(pathFromWide(path).parent_path()), wideFromPath(pathFromWide(exe).parent_path()));
  EXPECT_EQ(wideFromPath(pathFromWide(path).filename()), L"veltrask_workspace_phase64_10_5.ini");
}

}  // namespace
}  // namespace vk
