// The modal text dialog: size and placement rules, answers by button, by
// closing and by Alt+F4, the exit confirmation, and the quit message.
#include <gtest/gtest.h>

#include <functional>

#include "model/app_state.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

TEST(TextDialogGeometry, SizeFollowsTheMessageLengthAndTheTitle) {
  EXPECT_EQ(textDialogSize(L"Note", std::wstring(420, L'x')).cx, 520);
  EXPECT_EQ(textDialogSize(L"Note", std::wstring(420, L'x')).cy, 248);
  EXPECT_EQ(textDialogSize(L"Note", std::wstring(421, L'x')).cx, 720);
  EXPECT_EQ(textDialogSize(L"Note", std::wstring(421, L'x')).cy, 430);
  EXPECT_EQ(textDialogSize(L"Veltrask Studio - Copyright", L"short").cx, 720);
  EXPECT_EQ(textDialogSize(L"veltrask studio", L"short").cx, 520);
  EXPECT_EQ(phaseNotesText().size(), 1126u);
}

TEST(TextDialogGeometry, PlacementCentresButNeverLeavesTheOwnersCorner) {
  const POINT centred = textDialogPosition(RECT{100, 50, 1100, 850}, SIZE{520, 248});
  EXPECT_EQ(centred.x, 100 + 240);
  EXPECT_EQ(centred.y, 50 + 276);
  const POINT big = textDialogPosition(RECT{100, 50, 400, 200}, SIZE{720, 430});
  EXPECT_EQ(big.x, 100);
  EXPECT_EQ(big.y, 50);
}

class TextDialog : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
  void TearDown() override {
    headless::setIdleHandler({});
    StudioTest::TearDown();
  }
  static HWND dialog() { return headless::findWindow(kDialogClassName); }
  static POINT centreOf(HWND window) {
    const RECT r = headless::describe(window).windowRect;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Runs `act` once, the first time the dialog's loop waits for input.
  void onceIdle(std::function<void(HWND)> act) {
    headless::setIdleHandler([this, act, done = false]() mutable {
      if (done || !dialog()) return false;
      done = true;
      seen_ = headless::describe(dialog());
      mainEnabled_ = IsWindowEnabled(harness::mainWindow()) != FALSE;
      act(dialog());
      return true;
    });
  }
  headless::WindowInfo seen_;
  bool mainEnabled_ = true;
};

TEST_F(TextDialog, TheFirstButtonAnswers7101AndTheOwnerIsDisabledMeanwhile) {
  onceIdle([](HWND d) { headless::click(centreOf(GetDlgItem(d, kTextDialogFirstButton))); });
  EXPECT_EQ(showTextDialog(L"Title", L"Message", L"Yes", L"No", false), kTextDialogFirstButton);
  EXPECT_FALSE(mainEnabled_);
  EXPECT_TRUE(IsWindowEnabled(harness::mainWindow()));
  EXPECT_EQ(dialog(), nullptr);
  EXPECT_EQ(seen_.windowRect.right - seen_.windowRect.left, 520);
  EXPECT_EQ(seen_.windowRect.bottom - seen_.windowRect.top, 248);
  RECT main{};
  GetWindowRect(harness::mainWindow(), &main);
  const POINT expected = textDialogPosition(main, SIZE{520, 248});
  EXPECT_EQ(seen_.windowRect.left, expected.x);
  EXPECT_EQ(seen_.windowRect.top, expected.y);
  EXPECT_EQ(seen_.text, L"Title");
}

TEST_F(TextDialog, ClosingOrAltF4Gives7102EvenWithOneButton) {
  onceIdle([](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); });
  EXPECT_EQ(showTextDialog(L"Title", L"Message", L"OK", L"", false), kTextDialogSecondButton);
  EXPECT_FALSE(headless::quitReceived());  // answered by the close, not by an ended loop
  onceIdle([](HWND) {
    headless::keyDown(VK_MENU);
    headless::pressKey(VK_F4);
    headless::keyUp(VK_MENU);
  });
  EXPECT_EQ(showTextDialog(L"Title", L"Message", L"OK", L"", false), kTextDialogSecondButton);
  EXPECT_FALSE(headless::quitReceived());
  // A dialog destroyed by someone else ends its loop too.
  onceIdle([](HWND d) { DestroyWindow(d); });
  EXPECT_EQ(showTextDialog(L"Title", L"Message", L"OK", L"Cancel", true), kTextDialogSecondButton);
  EXPECT_FALSE(headless::quitReceived());
  EXPECT_TRUE(IsWindowEnabled(harness::mainWindow()));
}

TEST_F(TextDialog, KeepEditingLeavesWindowProjectAndDirtyFlagAlone) {
  AppState& app = appState();
  setDirty(true);
  const Project before = app.project;
  onceIdle([](HWND d) { headless::click(centreOf(GetDlgItem(d, kTextDialogSecondButton))); });
  EXPECT_EQ(harness::close(), -1);
  EXPECT_EQ(seen_.text, L"Unsaved changes");
  EXPECT_EQ(seen_.windowRect.right - seen_.windowRect.left, 520);
  EXPECT_TRUE(IsWindow(harness::mainWindow()));
  EXPECT_TRUE(app.dirty);
  EXPECT_EQ(app.project, before);
  EXPECT_FALSE(headless::quitReceived());

  onceIdle([](HWND d) { headless::click(centreOf(GetDlgItem(d, kTextDialogFirstButton))); });
  EXPECT_EQ(harness::close(), 0);
}

TEST_F(TextDialog, AQuitMessageEndsTheDialogAndIsPostedAgain) {
  onceIdle([](HWND) { PostQuitMessage(4); });
  EXPECT_EQ(showTextDialog(L"Title", L"Message", L"OK", L"", false), kTextDialogSecondButton);
  EXPECT_EQ(dialog(), nullptr);
  harness::pump();
  EXPECT_TRUE(headless::quitReceived());
  EXPECT_EQ(headless::quitCode(), 4);
}

TEST_F(TextDialog, HelpCommandsOpenTheLargeDialogs) {
  onceIdle([](HWND d) { headless::click(centreOf(GetDlgItem(d, kTextDialogFirstButton))); });
  handleCommand(kCmdShowPhaseNotes);
  EXPECT_EQ(seen_.text, L"Veltrask Studio - Phase 66.1");
  EXPECT_EQ(seen_.windowRect.right - seen_.windowRect.left, 720);
  onceIdle([](HWND d) { headless::click(centreOf(GetDlgItem(d, kTextDialogFirstButton))); });
  handleCommand(kCmdShowCopyright);
  EXPECT_EQ(seen_.text, L"Veltrask Studio - Copyright");
  EXPECT_EQ(seen_.windowRect.bottom - seen_.windowRect.top, 430);
}

}  // namespace
}  // namespace vk::testing
