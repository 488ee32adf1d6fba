// Status lines of the studio's own wording, measured as the status bar draws
// them in the interface face: none is cut by the 240-pixel status line, at
// the widest values they take. (The mesh rules' refusals, the held drag and
// the save with a mesh warning are measured in mesh_guard_messages_test.)
// And a modifier entry that a change leaves out of the preview is named on
// the status line after the command's own message, whichever command it was,
// but never over a refusal or a held drag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "animation/animation.h"
#include "formats/export_scope.h"
#include "formats/gltf_export.h"
#include "formats/obj_export.h"
#include "formats/obj_import.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
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
      kProjectOpenFailed,
      kDamagedProjectOpened,
      kBusyStatus,
      kUnknownMaterialPreset,
      keyFrameRangeRefusal(),
      L"●  " + std::wstring(kGltfPrimitiveNotWritten),
      modifierPreviewsSkippedStatus(1),
      modifierPreviewsSkippedStatus(kProjectObjectLimit),
      paintBoxedStatus(1),
      paintBoxedStatus(kProjectObjectLimit),
      objFacesLeftOutStatus(kObjImportLineLimit),
      objOversizedFacesRefusal(kObjImportLineLimit),
      // Either reason alone; with both, the faces over the limit lead as here.
      objExportFacesLeftOutStatus({.skippedFaces = kObjExportFaceLimit, .oversizedFaces = kObjExportFaceLimit}),
      objExportFacesLeftOutStatus({.skippedFaces = kObjExportFaceLimit}),
      // glTF and GLB scopes may hold millions of faces: below a million, either reason fits.
      exportFacesLeftOutStatus(L"glTF", 999999, 0),
      exportFacesLeftOutStatus(L"GLB", 999999, 999999),
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

// A vertex dragged past the coordinate limit: the held drag's message stays
// through the paint and the release, however many moves one paint follows,
// also when that paint's change leaves one more entry out.
TEST_F(LeftOutStatus, AHeldDragKeepsItsMessage) {
  harness::sendCommand(kCmdAddBendModifier);
  ASSERT_EQ(shown(), L"●  Preview skips 52. Bend");
  AppState& app = appState();
  Object& grid = *findObjectById(L"obj-1");
  grid.meshData.vertices.write()[99].x = 999999.0;  // the corner at x = 1
  rebuildMeshData(grid);
  app.workMode = WorkMode::EditMesh;
  app.componentMode = ComponentMode::Vertex;
  app.transformTool = TransformTool::Move;
  app.axisConstraint = AxisConstraint::X;
  app.selectedVertices = {99};
  // Along the X handle, whose 100 pixels move 1.8 units, from a press clear of the gizmo.
  const RECT screen = headless::describe(app.ui.viewport).clientRect;
  const RECT client{0, 0, screen.right - screen.left, screen.bottom - screen.top};
  const POINT o = projectToScreen(grid.transform.position, client);
  const POINT tip = projectedAxisTip(client, grid.transform.position, 1, 100);
  const POINT press{screen.left + client.right / 4, screen.top + client.bottom * 3 / 4};
  auto along = [&](double part) {
    return POINT{press.x + static_cast<LONG>(std::lround((tip.x - o.x) * part)),
                 press.y + static_cast<LONG>(std::lround((tip.y - o.y) * part))};
  };
  const std::wstring held = kDragHeldAtCoordinateLimit;

  headless::mouseDown(press);
  headless::mouseMove(along(0.1));
  harness::pump();
  EXPECT_EQ(shown(), L"●  Unsaved changes");  // the same entries left out: nothing to tell
  headless::mouseMove(along(0.2));  // within 1e6
  // A fast mouse on a slow scene: the next move comes before the paint.
  for (MSG msg; PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE);) DispatchMessageW(&msg);
  headless::mouseMove(along(1.0));  // past it
  harness::pump();
  EXPECT_EQ(shown(), held);
  headless::mouseUp(along(1.0));
  harness::pump();
  EXPECT_EQ(shown(), held);
  EXPECT_GT(findObjectById(L"obj-1")->meshData.vertices.read()[99].x, 999999.0);  // the first moves did move

  SendMessageW(harness::mainWindow(), WM_COMMAND, kCmdAddBendModifier, 0);  // painted with the drag
  headless::mouseDown(along(1.0));
  headless::mouseMove(along(2.0));
  harness::pump();
  EXPECT_EQ(shown(), held);
  headless::mouseUp(along(2.0));
  harness::pump();
  EXPECT_EQ(shown(), held);
  // Named again once the entries left out change, and not once none is.
  harness::sendCommand(kCmdUndo);
  EXPECT_EQ(shown(), L"●  Preview skips 52. Bend");
  for (int command : {kCmdAddBendModifier, kCmdRemoveActiveModifier, kCmdRemoveActiveModifier})
    SendMessageW(harness::mainWindow(), WM_COMMAND, static_cast<WPARAM>(command), 0);
  harness::pump();
  EXPECT_EQ(shown(), L"●  Removed active modifier");
}

}  // namespace
}  // namespace vk::testing
