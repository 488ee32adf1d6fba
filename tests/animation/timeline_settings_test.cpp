// The timeline settings: the committing writer, stepping and jumps, the
// fields, the toggles and the focus, and the status texts.
#include <fstream>
#include <sstream>

#include "animation_test_support.h"

namespace vktest {
namespace {

using namespace vk;

class TimelineSettings : public AnimationTest {
 protected:
  std::string workspaceText() const {
    std::ifstream in(folder_ / "workspace.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(TimelineSettings, SteppingWrapsOnlyWithLoopAndJumpsClamp) {
  setFrame(120);
  stepTimelineFrame(+1);
  EXPECT_EQ(timeline().currentFrame, 1);
  EXPECT_EQ(status(), L"●  Timeline stepped to frame 1");
  stepTimelineFrame(-1);
  EXPECT_EQ(timeline().currentFrame, 120);
  EXPECT_EQ(appState().undoStack.size(), 2u);

  toggleTimelineLoop();
  EXPECT_EQ(status(), L"●  Timeline loop disabled");
  const Stacks before = stacks();
  stepTimelineFrame(+1);
  EXPECT_EQ(status(), L"●  Timeline unchanged");
  expectUnchanged(before);

  setTimelineFrame(500, L"Timeline jumped to previous transform key");
  EXPECT_EQ(timeline().currentFrame, 120);
  EXPECT_EQ(status(), L"●  Timeline unchanged");
  setTimelineFrame(-4, L"Timeline jumped to start");
  EXPECT_EQ(status(), L"●  Timeline jumped to start: frame 1");
  setTimelineFrame(500, L"Timeline jumped to previous transform key");
  EXPECT_EQ(status(), L"●  Timeline jumped to previous transform key: frame 120");
}

TEST_F(TimelineSettings, FieldsAreSanitizedTogetherAndSmallFpsChangesDoNotCount) {
  applyTimelineFields(1, 50, 20, 24.0);
  EXPECT_EQ(timeline().frameStart, 50);
  EXPECT_EQ(timeline().frameEnd, 51);
  EXPECT_EQ(timeline().currentFrame, 50);
  EXPECT_EQ(status(), L"●  Timeline bridge settings applied");

  applyTimelineFields(200, 1, 300, 1000.0);
  EXPECT_EQ(timeline().currentFrame, 200);
  EXPECT_EQ(timeline().fps, 240.0);
  const Stacks before = stacks();
  applyTimelineFields(200, 1, 300, 240.00005 - 0.0001);
  EXPECT_EQ(status(), L"●  Timeline unchanged");
  expectUnchanged(before);

  timeline().loopPlayback = false;
  timeline().focusObjectId = L"obj-9";
  resetTimelineRange();
  EXPECT_EQ(status(), L"●  Timeline bridge reset to 1-120 @ 24 fps");
  EXPECT_EQ(timeline().frameEnd, 120);
  EXPECT_EQ(timeline().fps, 24.0);
  EXPECT_FALSE(timeline().loopPlayback);
  EXPECT_EQ(timeline().focusObjectId, L"obj-9");
  undoLastSnapshot();
  EXPECT_EQ(timeline().frameEnd, 300);
}

TEST_F(TimelineSettings, PanelToggleIsAnUndoEntryAndWritesTheWorkspaceFile) {
  toggleTimelinePanel();
  EXPECT_FALSE(timeline().showTimelinePanel);
  EXPECT_EQ(status(), L"●  Timeline panel hidden");
  EXPECT_NE(workspaceText().find("timelineVisible=0"), std::string::npos);
  toggleTimelinePanel();
  EXPECT_TRUE(timeline().showTimelinePanel);
  EXPECT_NE(workspaceText().find("timelineVisible=1"), std::string::npos);
  EXPECT_EQ(appState().undoStack.size(), 2u);
}

TEST_F(TimelineSettings, FocusFollowsTheSelectionAndFallsBackToScene) {
  focusTimelineOnSelection();
  EXPECT_EQ(status(), L"●  Timeline unchanged");
  const std::wstring id = add(ObjectKind::Mesh, L"Hero");
  focusTimelineOnSelection();
  EXPECT_EQ(status(), L"●  Timeline focus set to selected object");
  EXPECT_EQ(timelineFocusLabel(), L"Hero");
  appState().project.scene.objects.clear();
  EXPECT_EQ(timelineFocusLabel(), L"Scene");
  appState().selectedObjectId.clear();
  focusTimelineOnSelection();
  EXPECT_EQ(status(), L"●  Timeline focus cleared to scene");
  EXPECT_EQ(timeline().focusObjectId, L"");
}

TEST_F(TimelineSettings, StatusText) {
  EXPECT_EQ(timelineStatusText(), L"Frame 1 / 120  Range 1-120  24.00 fps  120 frames  0.00s  Loop on");
  TimelineBridge t;
  t.currentFrame = 49;
  t.fps = 0.5;  // elapsed time divides by at least 1
  t.loopPlayback = false;
  EXPECT_EQ(timelineStatusText(t), L"Frame 49 / 120  Range 1-120  0.50 fps  120 frames  48.00s  Loop off");
}

}  // namespace
}  // namespace vktest
