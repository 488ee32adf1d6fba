// The modal text dialog: size and placement rules, answers by button, by
// closing and by Alt+F4, the exit confirmation, the quit message, and a
// message too tall for its panel, which scrolls by whole lines, as a long
// report in a message box does.
#include <gtest/gtest.h>

#include <functional>

#include "model/app_state.h"
#include "platform/headless_responders.h"
#include "platform/palette.h"
#include "presets/catalogs.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
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

TEST_F(TextDialog, ClosedByItsKeysItGivesThemBackToTheFieldThatHadThem) {
  harness::pressKey('F', /*ctrl=*/true);
  const HWND search = shellHandles().outlinerSearch;
  ASSERT_EQ(GetFocus(), search);
  onceIdle([](HWND) {
    headless::keyDown(VK_MENU);
    headless::pressKey(VK_F4);
    headless::keyUp(VK_MENU);
  });
  handleCommand(kCmdShowCopyright);
  EXPECT_EQ(dialog(), nullptr);
  EXPECT_EQ(GetFocus(), search);
  headless::typeText(L"cube");
  harness::pump();
  EXPECT_EQ(harness::text(search), L"cube");
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

// The rows of a dialog's message label inside the window that clips it,
// from the text's top, and the text's whole height.
struct ShownMessage {
  HWND label = nullptr;
  int top = 0, bottom = 0, textHeight = 0;
};

ShownMessage shownMessage(HWND dialog) {
  ShownMessage m;
  for (HWND label : headless::findWindows(L"STATIC"))
    if (GetAncestor(label, GA_ROOT) == dialog && harness::text(label) != harness::text(dialog)) m.label = label;
  const RECT r = headless::describe(m.label).clientRect, clip = headless::describe(GetParent(m.label)).clientRect;
  m.textHeight = wrappedTextHeight(m.label, r.right - r.left);
  m.top = std::max<int>(clip.top - r.top, 0);
  m.bottom = std::min<int>({clip.bottom, r.bottom, r.top + m.textHeight}) - r.top;
  return m;
}

// Whether `window` draws `text` with a line cut through or cut short.
bool drawnCut(HWND window, const std::wstring& text) {
  std::vector<std::wstring> cut;
  vkSetCutTextLog(&cut);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  vkSetCutTextLog(nullptr);
  return std::count(cut.begin(), cut.end(), text) > 0;
}

bool messageDrawnCut(HWND dialog) { return drawnCut(dialog, harness::text(shownMessage(dialog).label)); }

// The scroll thumb's grip, in screen coordinates; empty when none is drawn.
RECT gripOf(HWND dialog) {
  const headless::Image image = harness::pixels(dialog);
  RECT grip{image.width, image.height, 0, 0};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y) == kScrollGrip)
        grip = {std::min<LONG>(grip.left, x), std::min<LONG>(grip.top, y), std::max<LONG>(grip.right, x + 1),
                std::max<LONG>(grip.bottom, y + 1)};
  if (grip.right == 0) return RECT{};
  OffsetRect(&grip, headless::describe(dialog).clientRect.left, headless::describe(dialog).clientRect.top);
  return grip;
}

POINT centreOfRect(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Runs `step` each time the loop of the dialog of `windowClass` waits for
// input until it returns true (at most 200 times), then closes the dialog.
void whileDialogShows(std::function<bool(HWND)> step, const wchar_t* windowClass = kDialogClassName) {
  headless::setIdleHandler([step, windowClass, waits = 0]() mutable {
    HWND dialog = headless::findWindow(windowClass);
    if (!dialog) return false;
    if (++waits >= 200 || step(dialog)) waits = 0, PostMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
  });
}

class MessageScroll : public TextDialog {
 protected:
  void SetUp() override {
    TextDialog::SetUp();
    resize(1120, 720);  // the smallest window the layout is made for
  }
};

TEST_F(MessageScroll, EveryMenuDialogShowsItsWholeMessageInWholeLinesAndOneThatFitsAsBefore) {
  std::vector<std::vector<int>> openers = {{kCmdShowPhaseNotes}, {kCmdShowCopyright}, {kCmdShowRenderSettings}};
  for (int i = 0; i < static_cast<int>(presetCatalog().size()); ++i) {
    openers.push_back({kCmdPresetCatalogBase + i, kCmdPreviewPreset});
    if (!presetCatalog()[i].appliesNow) openers.push_back({kCmdPresetCatalogBase + i, kCmdApplyPreset});
  }
  for (int i = 0; i < static_cast<int>(capsuleCatalog().size()); ++i) {
    openers.push_back({kCmdCapsuleCatalogBase + i, kCmdPreviewCapsule});
    if (!capsuleCatalog()[i].appliesNow) openers.push_back({kCmdCapsuleCatalogBase + i, kCmdApplyCapsule});
  }
  openers.push_back({kCmdNewProject});  // the previews leave unsaved changes to ask about
  int scrolled = 0;
  for (const std::vector<int>& commands : openers) {
    std::wstring title;
    ShownMessage first, last;
    bool cut = false;
    whileDialogShows([&](HWND d) {
      last = shownMessage(d);
      cut = cut || messageDrawnCut(d);
      if (title.empty()) title = harness::text(d), first = last;
      if (last.bottom < last.textHeight) {
        headless::wheel(centreOf(d), -WHEEL_DELTA);
        return false;
      }
      if (first.top == 0 && first.bottom == first.textHeight) {
        // As it looked before scrolling came: one label on the message's panel, no scroll bar.
        const RECT grip = gripOf(d);
        EXPECT_TRUE(IsRectEmpty(&grip)) << wideToUtf8(title);
        const headless::Image shown = harness::pixels(d);
        RECT client{};
        GetClientRect(d, &client);
        HWND plain = createVerbatimLabel(d, harness::text(last.label), appState().ui.uiFont);
        SetWindowPos(plain, HWND_TOP, 34, 66, client.right - 68, std::max<int>(88, client.bottom - 138), 0);
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_TRUE(harness::pixels(d).pixels == shown.pixels) << wideToUtf8(title);
      }
      return true;
    });
    for (int command : commands) handleCommand(command);
    ASSERT_FALSE(title.empty());
    EXPECT_EQ(first.top, 0) << wideToUtf8(title);
    EXPECT_EQ(last.bottom, last.textHeight) << wideToUtf8(title) << ": its end is never shown";
    EXPECT_FALSE(cut) << wideToUtf8(title);
    scrolled += first.bottom < first.textHeight;
  }
  EXPECT_GE(scrolled, 3);  // About, Render Settings, the preview-only notes
  setDirty(false);
}

TEST_F(MessageScroll, TheScrollBarPagesOnItsTrackAndItsThumbDragsByWholeLinesToEitherEnd) {
  std::wstring message = L"Line 1";
  for (int line = 2; line <= 60; ++line) message += L"\nLine " + std::to_wstring(line);
  std::vector<ShownMessage> seen;
  std::vector<RECT> grips;
  bool cut = false;
  POINT from{};
  whileDialogShows([&](HWND d) {
    seen.push_back(shownMessage(d));
    grips.push_back(gripOf(d));
    cut = cut || messageDrawnCut(d);
    switch (seen.size()) {
      case 1: headless::click(POINT{centreOfRect(grips[0]).x, grips[0].bottom + 4}); break;  // the track below
      case 2: headless::wheel(centreOf(d), WHEEL_DELTA * 10); break;
      case 3:
        from = centreOfRect(grips[2]);
        headless::mouseDown(from);
        headless::mouseMove(POINT{from.x, from.y + 37});
        break;
      case 4: headless::mouseMove(POINT{from.x + 300, from.y + 1000}); break;  // the grab holds off the bar
      case 5: headless::mouseMove(POINT{from.x, from.y - 1000}), headless::mouseUp(POINT{from.x, from.y - 1000}); break;
      default: return true;
    }
    return false;
  });
  showTextDialog(L"Note", message, L"OK", L"", false);
  ASSERT_EQ(seen.size(), 6u);
  ASSERT_FALSE(IsRectEmpty(&grips[0]));
  const int line = seen[0].textHeight / 60;
  EXPECT_EQ(seen[1].top, seen[0].bottom - line);  // a page keeps the last line in view
  EXPECT_GT(seen[3].top, 0);
  EXPECT_LT(seen[3].bottom, seen[3].textHeight);
  EXPECT_EQ(seen[4].bottom, seen[4].textHeight);
  EXPECT_GT(grips[4].top, grips[0].top);
  EXPECT_EQ(seen[5].top, 0);
  EXPECT_FALSE(cut);
  EXPECT_FALSE(headless::mouseCaptured());
}

// The GLB Export Report is a message box, and with many textures left out
// it scrolls: by whole lines, as it opens, after wheel notches and parts of
// one, a page and at its end, whatever its length.
TEST_F(MessageScroll, TheGlbExportReportShowsOnlyWholeLinesAtEveryScrollPosition) {
  handleCommand(kCmdAddPlane);
  struct Step {
    int wheel;
    UINT key;
  };
  const Step steps[] = {{0, 0},                                      // as it opens
                        {-WHEEL_DELTA, 0},     {-2 * WHEEL_DELTA, 0},  // notches
                        {-WHEEL_DELTA / 2, 0}, {-WHEEL_DELTA / 2, 0},  // halves, as a touchpad sends them
                        {0, VK_NEXT},          {0, VK_END},            // a page, the end
                        {-WHEEL_DELTA, 0},     {WHEEL_DELTA, 0}};      // past the end, and back
  constexpr std::size_t kOpen = 0, kEnd = 6, kPastEnd = 7;
  const wchar_t* channels[] = {L"color", L"normal", L"roughness", L"alpha"};
  for (int slots : {1, 3, 21, 32}) {  // 0, 8, 80 and 124 textures left out: four a slot, bar the first
    std::vector<Material>& materials = appState().project.scene.objects.back().materialSlots.slots;
    materials.assign(static_cast<std::size_t>(slots), Material{});
    for (int slot = 1; slot < slots; ++slot)
      for (const wchar_t* channel : channels) {
        TextureMap& map = materials[static_cast<std::size_t>(slot)].textureMaps.maps.emplace_back();
        map.channel = channel, map.enabled = true;
        map.path = L"gone/slot" + std::to_wstring(slot) + L"_" + channel + L".png";
      }
    std::vector<std::vector<std::uint32_t>> shown;
    bool cut = false;
    whileDialogShows(
        [&](HWND box) {
          cut = cut || drawnCut(box, appState().importReport);
          shown.push_back(harness::pixels(box).pixels);
          if (shown.size() == std::size(steps)) return true;
          const Step& step = steps[shown.size()];
          if (step.wheel) headless::wheel(centreOf(box), step.wheel);
          else headless::pressKey(step.key);
          return false;
        },
        L"VkMessageBox");
    headless::showNextMessageBox();
    headless::answerFileDialog(wideFromPath(folder_ / "report.glb"));
    handleCommand(kCmdExportGlbScene);
    ASSERT_EQ(shown.size(), std::size(steps)) << slots;
    EXPECT_FALSE(cut) << slots << " slots";
    EXPECT_EQ(shown[kOpen] != shown[kEnd], slots >= 21) << slots << " slots";
    EXPECT_TRUE(shown[kEnd] == shown[kPastEnd]) << slots << " slots";
  }
  EXPECT_NE(appState().importReport.find(L"slot31_alpha.png."), std::wstring::npos);
}

}  // namespace
}  // namespace vk::testing
