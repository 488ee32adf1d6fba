// Hover tips on the virtual clock: the delay, the ways a tip goes away, the
// placement at the work-area edge, the size cap and re-registration.
#include <gtest/gtest.h>

#include "model/app_state.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

TEST(HoverTipGeometry, SizeIsClampedAndThePlaceFlipsAtTheWorkAreaEdges) {
  EXPECT_EQ(hoverTipSize(SIZE{10, 5}).cx, 180);
  EXPECT_EQ(hoverTipSize(SIZE{10, 5}).cy, 34);
  EXPECT_EQ(hoverTipSize(SIZE{380, 900}).cx, 406);
  EXPECT_EQ(hoverTipSize(SIZE{900, 900}).cx, 430);
  EXPECT_EQ(hoverTipSize(SIZE{900, 900}).cy, 160);
  const RECT work{0, 0, 1000, 800};
  EXPECT_EQ(hoverTipPosition(POINT{100, 100}, SIZE{200, 50}, &work).x, 118);
  EXPECT_EQ(hoverTipPosition(POINT{100, 100}, SIZE{200, 50}, &work).y, 122);
  const POINT flipped = hoverTipPosition(POINT{900, 780}, SIZE{200, 50}, &work);
  EXPECT_EQ(flipped.x, 900 - 200 - 18);
  EXPECT_EQ(flipped.y, 780 - 50 - 18);
  const POINT corner = hoverTipPosition(POINT{50, 30}, SIZE{430, 160}, &work);
  EXPECT_GE(corner.x, 8);
  EXPECT_GE(corner.y, 8);
  const RECT narrow{0, 0, 300, 200};
  const POINT kept = hoverTipPosition(POINT{20, 20}, SIZE{430, 160}, &narrow);
  EXPECT_EQ(kept.x, 8);
  EXPECT_EQ(kept.y, 8);
}

class HoverTips : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
    if (!controlsAvailable()) GTEST_SKIP();
    button_ = harness::control(9001);
    ASSERT_NE(button_, nullptr);
  }
  POINT over(HWND control, int dx = 0) {
    const RECT r = headless::describe(control).windowRect;
    return POINT{r.left + 6 + dx, r.top + 6};
  }
  void move(POINT p) {
    headless::mouseMove(p);
    harness::pump();
  }
  bool tipShown() { return IsWindowVisible(appState().ui.hoverTip) != FALSE; }
  // The tip of the File button, shown after the delay.
  void showTip() {
    move(over(button_));
    headless::pumpFor(400);
    ASSERT_TRUE(tipShown());
  }
  HWND button_ = nullptr;
};

TEST_F(HoverTips, TheDelayCountsFromTheFirstMoveAndIsNotRestarted) {
  move(over(button_));
  EXPECT_EQ(appState().hoveredControl, button_);
  headless::pumpFor(200);
  move(over(button_, 3));
  headless::pumpFor(100);
  EXPECT_FALSE(tipShown());
  headless::pumpFor(70);  // 370 ms after the first move
  EXPECT_TRUE(tipShown());
  EXPECT_EQ(harness::text(appState().ui.hoverTip), appState().hoveredTipText);
  const RECT before = headless::describe(appState().ui.hoverTip).windowRect;
  move(over(button_, 10));  // the shown tip follows the cursor
  EXPECT_EQ(headless::describe(appState().ui.hoverTip).windowRect.left, before.left + 7);
}

TEST_F(HoverTips, LeavingPressingDisablingResizingAndDestroyingHideTheTip) {
  showTip();
  move(POINT{5, 1000});  // away from every registered control
  EXPECT_FALSE(tipShown());
  EXPECT_EQ(appState().hoveredControl, nullptr);

  showTip();
  headless::mouseDown(over(button_));
  harness::pump();
  EXPECT_FALSE(tipShown());
  headless::mouseUp(over(button_));
  harness::pump();

  showTip();
  EnableWindow(button_, FALSE);
  EXPECT_FALSE(tipShown());
  move(over(button_, 2));  // a disabled control never shows one
  headless::pumpFor(400);
  EXPECT_FALSE(tipShown());
  EnableWindow(button_, TRUE);

  showTip();
  headless::resizeHost(1400, 900);
  harness::pump();
  EXPECT_FALSE(tipShown());

  showTip();
  DestroyWindow(button_);
  EXPECT_FALSE(tipShown());
  EXPECT_EQ(appState().hoveredControl, nullptr);
}

TEST_F(HoverTips, RegisteringAgainReplacesTheTextAndLongTextsStayCapped) {
  AppState& app = appState();
  const std::size_t entries = app.hoverTips.size();
  addTooltip(button_, L"first");
  std::wstring longText;
  for (int i = 0; i < 400; ++i) longText += L"word ";
  addTooltip(button_, longText);
  addTooltip(button_, L"");  // ignored
  addTooltip(nullptr, L"ignored");
  EXPECT_EQ(app.hoverTips.size(), entries);
  showTip();
  const RECT r = headless::describe(app.ui.hoverTip).windowRect;
  EXPECT_LE(r.right - r.left, 430);
  EXPECT_EQ(r.bottom - r.top, 160);
  EXPECT_EQ(app.hoveredTipText, longText);
}

TEST_F(HoverTips, TheTipFlipsNearTheWorkAreaEdge) {
  button_ = harness::control(1301);  // low and to the right, with room to flip into
  const RECT b = headless::describe(button_).windowRect;
  headless::setWorkArea(RECT{-1000, -1000, b.left + 100, b.top + 60});
  showTip();
  const RECT tip = headless::describe(appState().ui.hoverTip).windowRect;
  const POINT cursor = over(button_);
  EXPECT_EQ(tip.right, cursor.x - 18);
  EXPECT_EQ(tip.bottom, cursor.y - 18);
  headless::clearWorkArea();
}

}  // namespace
}  // namespace vk::testing
