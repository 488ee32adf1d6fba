// Every way of adding objects respects the project's object limit: at the
// limit a command refuses before its snapshot and changes nothing, so Save
// never meets a project the studio built and cannot write.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "formats/gltf_import.h"
#include "formats/obj_import.h"
#include "model/app_state.h"
#include "model/edit_mesh.h"
#include "model/objects.h"
#include "model/undo.h"
#include "platform/file_io.h"
#include "platform/headless_responders.h"
#include "presets/applies.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

const std::string kGltfFixtures = std::string(VK_TEST_DATA_DIR) + "/formats/gltf/";

class ObjectLimit : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    answerTextDialogs(answer_, asked_);  // the capsule budgets' blocked dialogs
  }
  void TearDown() override {
    headless::setIdleHandler(nullptr);
    StudioTest::TearDown();
  }
  // Empties up to `count` objects, appended after the start-up objects.
  static void fillTo(std::size_t count) {
    ObjectList& objects = appState().project.scene.objects;
    Object filler = makeObject(ObjectKind::Empty, L"Filler");
    objects.reserve(count);
    for (std::size_t i = objects.size(); i < count; ++i) {
      filler.id = L"fill-" + std::to_wstring(i);
      objects.push_back(filler);
    }
  }
  int answer_ = kTextDialogFirstButton;
  int asked_ = 0;
};

struct Entry {
  const char* name;
  std::size_t adds;
  // Its own budget when it has a smaller one than the project's limit.
  std::size_t budget;
  std::function<void()> prepare;  // before the scene is filled
  std::function<void()> run;
};

TEST_F(ObjectLimit, EveryWayInAcceptsUpToTheLimitAndRefusesPastItChangingNothing) {
  const std::filesystem::path obj = folder_ / "tri.obj";
  ASSERT_TRUE(writeFileAtomically(wideFromPath(obj), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  const auto selectCube = [] { appState().selectedObjectId = L"obj-1"; };
  const Entry entries[] = {
      {"create", 1, kProjectObjectLimit, nullptr, [] { handleCommand(kCmdAddCube); }},
      {"group", 1, kProjectObjectLimit, selectCube, [] { handleCommand(kCmdNewGroup); }},
      {"duplicate", 1, kProjectObjectLimit, selectCube, [] { handleCommand(kCmdDuplicateSelected); }},
      {"separate", 1, kProjectObjectLimit,
       [&] {
         selectCube();
         setWorkMode(WorkMode::EditMesh);
         appState().selectedFaces = {2};
       },
       [] { handleCommand(kCmdMeshSeparateFaces); }},
      {"curve to mesh", 1, kProjectObjectLimit, [] { handleCommand(kCmdAddLineCurve); },
       [] { handleCommand(kCmdCurveConvertToMesh); }},
      {"capsule", 1, kPresetApplyObjectLimit,
       [] { appState().project.scene.capsuleBrowser.selectedCapsuleId = L"capsule-single-cube"; },
       [] { handleCommand(kCmdApplyCapsule); }},
      {"lighting preset", 3, kPresetApplyObjectLimit, nullptr, [] { handleCommand(kCmdLightingCapsuleThreePoint); }},
      {"scene starter", 4, kPresetApplyObjectLimit, nullptr, [] { handleCommand(kCmdStarterCleanModeling); }},
      {"OBJ import", 1, kObjImportObjectLimit, nullptr,
       [&] {
         headless::answerFileDialog(wideFromPath(obj));
         handleCommand(kCmdImportObj);
       }},
      {"glTF import", 1, kGltfImportObjectLimit,
       nullptr, [] { phase65ImportRun(utf8ToWide(kGltfFixtures + "box.gltf")); }},
  };
  AppState& app = appState();
  for (const Entry& entry : entries) {
    // At the edge of what the entry takes, then at the project's limit.
    const std::size_t most = std::min(entry.budget, kProjectObjectLimit);
    std::vector<std::size_t> starts = {most - entry.adds, most - entry.adds + 1};
    if (most < kProjectObjectLimit) starts.insert(starts.end(), {kProjectObjectLimit - 1, kProjectObjectLimit});
    for (std::size_t start : starts) {
      SCOPED_TRACE(std::string(entry.name) + " at " + std::to_string(start));
      resetToNewProject();
      if (entry.prepare) entry.prepare();
      fillTo(start);
      // A redo entry and a clean project: a refusal must keep both.
      pushUndoSnapshot();
      undoLastSnapshot();
      setDirty(false);
      const Project before = app.project;
      const std::size_t undo = app.undoStack.size(), redo = app.redoStack.size();
      entry.run();
      if (start + entry.adds <= most) {
        EXPECT_EQ(app.project.scene.objects.size(), start + entry.adds);
        EXPECT_EQ(app.undoStack.size(), undo + 1);
        EXPECT_TRUE(app.dirty);
        continue;
      }
      EXPECT_EQ(app.project, before);
      EXPECT_EQ(app.undoStack.size(), undo);
      EXPECT_EQ(app.redoStack.size(), redo);
      EXPECT_FALSE(app.dirty);
      if (entry.budget == kProjectObjectLimit) {
        EXPECT_EQ(app.statusText, L"●  Refused: object limit 8192");
      }
    }
  }
}

}  // namespace
}  // namespace vk::testing
