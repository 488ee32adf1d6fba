// Drags interrupted by keys, by a second button, by losing the capture, and
// drags that never move: none may touch the wrong data or the undo history.
#include "model/edit_mesh.h"
#include "input_test_support.h"

namespace vktest {
namespace {

using vk::headless::Button;

class DragInterruptions : public ViewportInputTest {
 protected:
  void SetUp() override {
    ViewportInputTest::SetUp();
    addSceneObject(vk::ObjectKind::Mesh, L"First").transform.position = {-2, 0, 0};
    addSceneObject(vk::ObjectKind::Mesh, L"Second").transform.position = {2, 0, 0};
    select(object(1));
    app().transformTool = vk::TransformTool::Move;
  }
  static constexpr POINT kFrom{100, 500};
};

TEST_F(DragInterruptions, EditingKeysEndTheDragFirst) {
  // Delete: the drag ends with its step, the object goes, and the next
  // move reaches nothing (not the object that became selected).
  const std::wstring firstId = object(0).id;
  press(kFrom);
  moveTo(offset(kFrom, 40, 0));
  key(VK_DELETE);
  EXPECT_FALSE(app().leftDrag);
  EXPECT_FALSE(vk::headless::mouseCaptured());
  ASSERT_EQ(app().project.scene.objects.size(), 1u);
  const vk::Vec3 first = object(0).transform.position;
  moveTo(offset(kFrom, 90, 30));
  release(offset(kFrom, 90, 30));
  EXPECT_EQ(object(0).transform.position, first);
  EXPECT_EQ(app().undoStack.size(), 2u);  // the drag, the delete

  // Ctrl+Z mid-drag undoes the finished drag; it does not re-apply itself.
  select(object(0));
  const vk::Vec3 start = object(0).transform.position;
  press(kFrom);
  moveTo(offset(kFrom, 50, 0));
  const vk::Vec3 moved = object(0).transform.position;
  key('Z', /*ctrl=*/true);
  EXPECT_FALSE(app().leftDrag);
  EXPECT_EQ(object(0).transform.position, start);
  moveTo(offset(kFrom, 80, 0));
  release(offset(kFrom, 80, 0));
  EXPECT_EQ(object(0).transform.position, start);
  vk::redo();
  EXPECT_EQ(object(0).transform.position, moved);

  // View and tool rows act mid-drag: X constrains the running move.
  const vk::Vec3 now = object(0).transform.position;
  press(kFrom);
  moveTo(offset(kFrom, 30, -30));
  EXPECT_NE(object(0).transform.position.y, now.y);
  key('X');
  EXPECT_TRUE(app().leftDrag);
  moveTo(offset(kFrom, 31, -30));
  EXPECT_EQ(object(0).transform.position.y, now.y);
  EXPECT_NE(object(0).transform.position.x, now.x);
  release(offset(kFrom, 31, -30));
}

TEST_F(DragInterruptions, ComponentDragsEndBeforeBackspaceAndTab) {
  app().workMode = vk::WorkMode::EditMesh;
  app().selectedVertices = {3};
  press(kFrom);
  moveTo(offset(kFrom, 20, 20));
  key(VK_BACK);  // deletes vertex 3 and renumbers the rest
  EXPECT_FALSE(app().leftDrag);
  const std::vector<vk::Vec3> afterDelete = object(1).meshData.vertices.read();
  ASSERT_EQ(afterDelete.size(), 7u);
  moveTo(offset(kFrom, 70, 20));
  EXPECT_EQ(object(1).meshData.vertices.read(), afterDelete);
  release(offset(kFrom, 70, 20));

  app().selectedVertices = {0};
  const vk::Vec3 position = object(1).transform.position;
  press(kFrom);
  moveTo(offset(kFrom, 20, 0));
  key(VK_TAB);
  EXPECT_EQ(app().workMode, vk::WorkMode::Object);
  moveTo(offset(kFrom, 90, 0));
  release(offset(kFrom, 90, 0));
  EXPECT_EQ(object(1).transform.position, position);
}

TEST_F(DragInterruptions, LosingTheCaptureEndsEveryDrag) {
  // Another program takes the focus mid-orbit: button-less moves do nothing.
  press({300, 300}, Button::Right);
  moveTo({320, 300});
  const double yaw = app().viewYaw;
  vk::headless::deactivateApp();
  vk::headless::pumpUntilIdle();
  EXPECT_FALSE(app().orbitDrag || app().orbitAnchorValid);
  moveTo({400, 350});
  EXPECT_EQ(app().viewYaw, yaw);
  release({400, 350}, Button::Right);

  // Mid left drag: the drag ends where it was.
  vk::headless::activate(viewport);
  press(kFrom);
  moveTo(offset(kFrom, 40, 0));
  const vk::Vec3 at = object(1).transform.position;
  vk::headless::deactivateApp();
  vk::headless::pumpUntilIdle();
  EXPECT_FALSE(app().leftDrag);
  moveTo(offset(kFrom, 90, 0));
  EXPECT_EQ(object(1).transform.position, at);
  release(offset(kFrom, 90, 0));
}

TEST_F(DragInterruptions, ARightClickInsideALeftDragKeepsItsCapture) {
  press(kFrom);
  moveTo(offset(kFrom, 20, 0));
  press(offset(kFrom, 20, 0), Button::Right);
  release(offset(kFrom, 20, 0), Button::Right);
  EXPECT_TRUE(app().leftDrag);
  EXPECT_TRUE(vk::headless::mouseCaptured());
  const vk::Vec3 before = object(1).transform.position;
  moveTo(offset(kFrom, 60, 0));
  EXPECT_GT(object(1).transform.position.x, before.x);
  release(offset(kFrom, 60, 0));
  EXPECT_FALSE(vk::headless::mouseCaptured());
  // A middle release inside an orbit leaves the orbit its capture too.
  press({300, 300}, Button::Right);
  press({300, 300}, Button::Middle);
  release({300, 300}, Button::Middle);
  EXPECT_TRUE(app().orbitDrag);
  EXPECT_TRUE(vk::headless::mouseCaptured());
  release({300, 300}, Button::Right);
  EXPECT_FALSE(vk::headless::mouseCaptured());
}

TEST_F(DragInterruptions, AClickThatNeverMovesLeavesTheStacksExactly) {
  vk::pushUndoSnapshot();
  vk::undoLastSnapshot();
  app().dirty = false;
  const auto undo = app().undoStack.size();
  ASSERT_EQ(app().redoStack.size(), 1u);
  for (vk::TransformTool tool : {vk::TransformTool::Move, vk::TransformTool::Rotate, vk::TransformTool::Scale}) {
    app().transformTool = tool;
    press(kFrom);
    moveTo(kFrom);
    release(kFrom);
  }
  app().workMode = vk::WorkMode::EditMesh;
  app().selectedVertices = {0};
  click(kFrom);
  EXPECT_EQ(app().undoStack.size(), undo);
  EXPECT_EQ(app().redoStack.size(), 1u);
  EXPECT_FALSE(app().dirty);
}

}  // namespace
}  // namespace vktest
