// Random edit sequences across every command family, then undo to the bottom
// and redo to the top: each restored project equals, field for field and in
// its saved text, what a restore of an independent copy of the original gives
// (the snapshots share unchanged objects, so a write that leaked into a shared
// object shows here). After each single-object edit the new snapshot shares
// every object the edit did not touch with the snapshot before it.
//
// VK_UNDO_SEQUENCES sets the number of sequences; the seed is fixed, so a
// failure names a sequence and step that replay.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/app_state.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"
#include "persistence/persistence.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

int sequenceCount() {
  if (const char* text = std::getenv("VK_UNDO_SEQUENCES")) {
    const int count = std::atoi(text);
    if (count > 0) return count;
  }
  return 6;
}

struct Edit {
  const char* name;
  bool singleObject;  // changes the selected object only
  std::function<void(std::mt19937&)> run;              // takes one snapshot, or is refused
  std::function<void(std::mt19937&)> prepare = nullptr;  // mode and frame changes before it
};

void command(int id) { handleCommand(id); }

std::wstring randomNumberText(std::mt19937& random) {
  return std::to_wstring(std::uniform_int_distribution<int>(-40, 40)(random) * 0.25);
}

// Each entry is one user action by the command ids the menus, buttons and
// inspector send; the selection is picked at random before it.
std::vector<Edit> edits(int& menuAnswer) {
  auto applyInspector = [](HWND edit, std::wstring text) {
    SetWindowTextW(edit, text.c_str());
    command(kCmdApplyInspector);
  };
  return {
      {"create", false, [](std::mt19937& r) {
         const int ids[] = {kCmdAddCube, kCmdAddSphere, kCmdAddCamera, kCmdAddSpotLight, kCmdAddEmpty,
                            kCmdAddTextMesh, kCmdAddBezierCurve, kCmdNewGroup};
         command(ids[std::uniform_int_distribution<std::size_t>(0, std::size(ids) - 1)(r)]);
       }},
      {"duplicate", false, [](std::mt19937&) { command(kCmdDuplicateSelected); }},
      {"delete", false, [](std::mt19937&) { command(kCmdDeleteSelected); }},
      {"rename", true, [=](std::mt19937& r) { applyInspector(shellHandles().nameEdit, L"Renamed " + randomNumberText(r)); }},
      {"move", true, [=](std::mt19937& r) {
         applyInspector(shellHandles().transformEdits[std::uniform_int_distribution<int>(0, 8)(r)], randomNumberText(r));
       }},
      {"reset transform", true, [](std::mt19937&) { command(kCmdResetTransform); }},
      {"parent", true, [&menuAnswer](std::mt19937& r) {
         menuAnswer = kCmdParentChooserBase + std::uniform_int_distribution<int>(0, 3)(r);
         command(kCmdParentSelected);
       }},
      {"unparent", true, [](std::mt19937&) { command(kCmdUnparentSelected); }},
      {"hide or lock", true, [](std::mt19937& r) { command(r() % 2 ? kCmdToggleVisibility : kCmdToggleLock); }},
      {"mesh edit", true,
       [](std::mt19937& r) {
         const int ids[] = {kCmdMeshExtrude, kCmdMeshInsetFaces, kCmdMeshFlipNormals, kCmdMeshBevel};
         command(ids[r() % std::size(ids)]);
       },
       [](std::mt19937&) {
         command(kCmdEditMeshMode);
         command(kCmdFaceSelection);
         appState().selectedFaces = {0};
       }},
      {"material", true, [](std::mt19937& r) {
         const int ids[] = {kCmdMaterialPresetGold, kCmdRoughnessUp, kCmdMetallicDown, kCmdAddMaterialSlot,
                            kCmdMaterialCapsuleRubber, kCmdClearColorMap, kCmdNextMaterialSlot};
         command(ids[r() % std::size(ids)]);
       }},
      {"modifier", true, [](std::mt19937& r) {
         const int ids[] = {kCmdAddMirrorModifier, kCmdAddArrayModifier, kCmdArrayCountUp, kCmdToggleActiveModifier,
                            kCmdRemoveActiveModifier, kCmdAddSubdivisionModifier, kCmdMoveModifierUp};
         command(ids[r() % std::size(ids)]);
       }},
      {"key", true,
       [](std::mt19937& r) {
         const int ids[] = {kCmdSetTransformKey, kCmdSetCameraKey, kCmdSetLightKey, kCmdDeleteTransformKey,
                            kCmdKeyInterpolationEaseIn};
         command(ids[r() % std::size(ids)]);
       },
       [](std::mt19937& r) {
         if (r() % 2) command(kCmdTimelineNextFrame);
       }},
      {"light or camera", true, [](std::mt19937& r) {
         const int ids[] = {kCmdLightTypeSpot, kCmdLightIntensityUp, kCmdLightRangeDown, kCmdSetSelectedCameraActive,
                            kCmdClearActiveCamera};
         command(ids[r() % std::size(ids)]);
       }},
      {"preset", false, [](std::mt19937& r) { command(r() % 3 ? kCmdApplyPreset : kCmdApplyCapsule); },
       [](std::mt19937& r) {
         for (int i = static_cast<int>(r() % 4); i > 0; --i) command(r() % 2 ? kCmdNextPreset : kCmdNextCapsule);
       }},
  };
}

// A restore of `state` computed apart from the history: the objects copied
// one by one into a list of their own, then repaired as a restore repairs.
Project restoredCopy(const Project& state) {
  Project copy = state;
  copy.scene.collections = state.scene.collections.toVector();
  copy.scene.objects = state.scene.objects.toVector();
  sanitizeRestoredProject(copy);
  return copy;
}

// Objects of `a` that `b` does not hold at the same address.
std::size_t unsharedObjects(const ProjectSnapshot& a, const ProjectSnapshot& b) {
  std::set<const Object*> held;
  for (const Object& object : b.project.scene.objects) held.insert(&object);
  std::size_t count = 0;
  for (const Object& object : a.project.scene.objects) count += held.count(&object) ? 0 : 1;
  return count;
}

class UndoSharingProperty : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    headless::setResponder([this](const headless::ModalRequest& request, headless::ModalAnswer& answer) {
      if (request.kind == L"menu") answer.result = menuAnswer_;
      else if (request.kind == L"messagebox") answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
      else answer.result = 0;  // file dialogs: cancelled
      return true;
    });
  }
  void TearDown() override {
    headless::setResponder(nullptr);
    StudioTest::TearDown();
  }
  int menuAnswer_ = 0;
};

TEST_F(UndoSharingProperty, UndoToTheBottomAndRedoToTheTopRestoreEveryOriginal) {
  std::mt19937 random(20261207);
  const std::vector<Edit> table = edits(menuAnswer_);
  AppState& app = appState();
  int pushes = 0;
  for (int sequence = 0; sequence < sequenceCount(); ++sequence) {
    resetToNewProject();
    for (int i = 0; i < 3; ++i) addObject(ObjectKind::Mesh, L"Cube");
    app.undoStack.clear();
    refreshAll();
    std::string trail = "sequence " + std::to_string(sequence) + ":";
    std::vector<Project> before;  // the live project before each edit that pushed
    std::vector<std::string> beforeText;
    bool previousSingle = false;
    const int steps = std::uniform_int_distribution<int>(10, 40)(random);
    for (int step = 0; step < steps; ++step) {
      const ObjectList& objects = app.project.scene.objects;
      app.selectedObjectId = objects[std::uniform_int_distribution<std::size_t>(0, objects.size() - 1)(random)].id;
      app.workMode = WorkMode::Object;
      refreshAll();
      const Edit& edit = table[std::uniform_int_distribution<std::size_t>(0, table.size() - 1)(random)];
      trail += std::string(" ") + edit.name;
      // Runs one action; when it took a snapshot, keeps the state it found.
      auto recorded = [&](const std::function<void(std::mt19937&)>& action) {
        const std::string text = serializeProject(app.project);
        Project state = restoredCopy(app.project);
        const std::size_t undoBefore = app.undoStack.size();
        action(random);
        if (app.undoStack.size() == undoBefore) return false;
        EXPECT_EQ(app.undoStack.size(), undoBefore + 1) << trail;
        before.push_back(std::move(state));
        beforeText.push_back(text);
        ++pushes;
        return true;
      };
      if (edit.prepare && recorded(edit.prepare)) previousSingle = false;
      if (!recorded(edit.run)) continue;
      if (edit.singleObject && previousSingle && app.undoStack.size() >= 2) {
        // Between two single-object edits a snapshot copies a few objects
        // (this edit's, the previous edit's and the private copy taken of the
        // one before), never the scene.
        EXPECT_LE(unsharedObjects(app.undoStack.back(), app.undoStack[app.undoStack.size() - 2]), 4u) << trail;
      }
      previousSingle = edit.singleObject;
    }
    const Project top = restoredCopy(app.project);
    const std::size_t depth = before.size();
    ASSERT_EQ(app.undoStack.size(), depth) << trail;
    for (std::size_t i = depth; i-- > 0;) {
      undoLastSnapshot();
      // What the edit found is what comes back: the restore repairs nothing the commands leave.
      ASSERT_EQ(serializeProject(app.project), beforeText[i]) << trail << " / undo to edit " << i;
      ASSERT_EQ(serializeProject(app.project), serializeProject(before[i])) << trail << " / undo to edit " << i;
      ASSERT_TRUE(app.project == before[i]) << trail << " / undo to edit " << i;
    }
    for (std::size_t i = 1; i <= depth; ++i) {
      redo();
      const Project& expected = i < depth ? before[i] : top;
      ASSERT_EQ(serializeProject(app.project), serializeProject(expected)) << trail << " / redo to edit " << i;
      ASSERT_TRUE(app.project == expected) << trail << " / redo to edit " << i;
    }
  }
  RecordProperty("pushes", pushes);
}

}  // namespace
}  // namespace vk::testing
