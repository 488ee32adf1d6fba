// Status lines of the studio's own wording, measured as the status bar draws
// them in the interface face: none is cut by the 240-pixel status line, at
// the widest values they take. (The mesh rules' refusals, the held drag and
// the save with a mesh warning are measured in mesh_guard_messages_test.)
// And a modifier entry that a change leaves out of the preview is named on
// the status line after the command's own message, whichever command it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/gltf_export.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/modifier_kind_table.h"
#include "model/objects.h"
#include "model/text_utils.h"
#include "platform/headless_responders.h"
#include "persistence/project_flows.h"
#include "presets/applies.h"
#include "shading/modifiers.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"
#include "status_fit.h"
#include "test_peers.h"
#include "viewport/viewport.h"

namespace vk::testing {
namespace {

// An object whose stack holds 64 entries of the kind, the tenth on left out:
// the longest text the left-out status can take for that kind.
std::wstring longestLeftOutStatus(const ModifierKindRow& row) {
  Object object;
  object.modifierStack.entries.resize(64);
  for (Modifier& entry : object.modifierStack.entries) entry.type = std::wstring(row.typeKey);
  std::vector<std::size_t> leftOut;
  for (std::size_t i = 9; i < 64; ++i) leftOut.push_back(i);
  return modifierLeftOutStatus(object, leftOut);
}

TEST(StatusFit, OurMessagesFitTheStatusLine) {
  std::vector<std::wstring> messages = {
      objectLimitRefusal(),
      kProjectSaveFailed,
      kProjectContentTooLarge,
      kBusyStatus,
      kUnknownMaterialPreset,
      L"●  " + std::wstring(kGltfPrimitiveNotWritten),
      modifierPreviewsSkippedStatus(1),
      modifierPreviewsSkippedStatus(kProjectObjectLimit),
      paintBoxedStatus(1),
      paintBoxedStatus(kProjectObjectLimit),
  };
  for (const ModifierKindRow& row : modifierKindRows()) messages.push_back(longestLeftOutStatus(row));
  test::expectEachFitsTheStatusLine(messages);
}

class LeftOutStatus : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1280, 720);
    // 9801 faces rebuilt per Bend: fifty-one fit within 500 000, a fifty-second does not.
    Object& cube = *findObjectById(L"obj-1");
    makeGridOfBends(cube, 51);
    appState().selectedObjectId = L"obj-1";
    refreshAll();
    harness::pump();
  }
  // What the status line shows once the studio has painted.
  std::wstring shown() const {
    EXPECT_EQ(harness::text(appState().ui.statusLine), appState().statusText);
    return appState().statusText;
  }
};

TEST_F(LeftOutStatus, EveryChangeThatLeavesAnEntryOutNamesItLast) {
  const std::wstring named = L"●  Preview skips 52. Bend";
  EXPECT_NE(shown(), named);  // fifty-one fit

  harness::sendCommand(kCmdAddBendModifier);
  EXPECT_EQ(shown(), named);
  harness::sendCommand(kCmdUndo);
  EXPECT_NE(shown(), named);
  harness::sendCommand(kCmdRedo);
  EXPECT_EQ(shown(), named);
  // An edit of the active entry that keeps it left out says so again.
  harness::sendCommand(kCmdBendAngleUp);
  EXPECT_EQ(shown(), named);
  harness::sendCommand(kCmdAddBendModifier);
  EXPECT_EQ(shown(), named + L", 1 more");
  // Opening the same project again, after the open's own message.
  const std::wstring path = wideFromPath(folder_ / "left_out.json");
  ASSERT_TRUE(saveProjectFile(path));
  headless::answerFileDialog(path);
  harness::sendCommand(kCmdOpenProject);
  EXPECT_EQ(appState().projectPath, path);
  EXPECT_EQ(shown(), named + L", 1 more");
  // A paint with nothing changed says nothing more.
  setStatusText(L"●  Ready");
  InvalidateRect(appState().ui.viewport, nullptr, FALSE);
  harness::pump();
  EXPECT_EQ(shown(), L"●  Ready");
}

}  // namespace
}  // namespace vk::testing
