// The timeline in the running studio: the command rows, the fields they
// read, the inspector's key lines and fields, the strip's row of key
// controls at common widths, and key drags through the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "animation/animation.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "platform/text.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class TimelineStudio : public StudioTest {
 protected:
  void start(int width, int height) {
    startStudio(width, height);
  }
  UiHandles& ui() { return appState().ui; }
  Object& object(const wchar_t* id) { return *findObjectById(id); }
  void select(const wchar_t* id) {
    appState().selectedObjectId = id;
    layoutMainWindow(harness::mainWindow());
    refreshAll();
    harness::pump();
  }
  static TransformKeyframe key(std::int32_t frame) {
    TransformKeyframe k;
    k.id = transformKeyId(frame);
    k.frame = frame;
    return k;
  }
  POINT keyPoint(std::int32_t frame, int row) {
    const RECT& track = ui().timelineKeyRect;
    return POINT{mapFrameToTimelineX(timelineAxis(), frame), track.top + 35 + 22 * row};
  }
  // The text's width in the window's font, or in `font` when given.
  static int textWidth(HWND window, const std::wstring& text, HFONT font = nullptr) {
    HDC dc = GetDC(window);
    SelectObject(dc, font ? font : reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ReleaseDC(window, dc);
    return size.cx;
  }
  static RECT rectInMain(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, harness::mainWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // Whether the window draws `text` cut short or clipped.
  static bool drawnCut(HWND window, const std::wstring& text) {
    std::vector<std::wstring> cut;
    vkSetCutTextLog(&cut);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    vkSetCutTextLog(nullptr);
    return std::find(cut.begin(), cut.end(), text) != cut.end();
  }
  static void expectNoControlOver(const TimelineRulerMark& mark) {
    for (HWND child : headless::childWindows(harness::mainWindow())) {
      RECT r = rectInMain(child), common{};
      EXPECT_FALSE(IsWindowVisible(child) && IntersectRect(&common, &r, &mark.label))
          << "frame " << mark.frame << " under " << wideToUtf8(harness::text(child));
    }
  }
  void down(POINT p) {
    headless::advanceClock(2000);  // never part of a double-click
    headless::mouseMove(harness::screenPoint(harness::mainWindow(), p));
    headless::mouseDown(harness::screenPoint(harness::mainWindow(), p));
    harness::pump();
  }
  void move(POINT p) {
    headless::mouseMove(harness::screenPoint(harness::mainWindow(), p));
    harness::pump();
  }
  void up(POINT p) {
    headless::mouseUp(harness::screenPoint(harness::mainWindow(), p));
    harness::pump();
  }
};

TEST_F(TimelineStudio, EveryTimelineRowIsRoutedAndTheFieldsAreRead) {
  start(1484, 821);
  SetWindowTextW(ui().timelineEdits[0], L"200");
  SetWindowTextW(ui().timelineEdits[2], L"300");
  SetWindowTextW(ui().timelineEdits[3], L"abc");
  harness::sendCommand(kCmdApplyTimelineFields);
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  EXPECT_EQ(t.currentFrame, 200);
  EXPECT_EQ(t.frameEnd, 300);
  EXPECT_EQ(t.fps, 24.0);
  EXPECT_EQ(harness::text(ui().timelineEdits[3]), L"24.00");
  EXPECT_EQ(appState().statusText, L"●  Timeline bridge settings applied");
  harness::sendCommand(kCmdTimelineGoToStart);
  EXPECT_EQ(t.currentFrame, 1);
  harness::sendCommand(kCmdTimelineGoToEnd);
  EXPECT_EQ(t.currentFrame, 300);
  EXPECT_EQ(appState().statusText, L"●  Timeline jumped to end: frame 300");
  harness::sendCommand(kCmdToggleTimelinePanel);  // the panel's rectangles go with it
  EXPECT_TRUE(IsRectEmpty(&ui().timelineKeyRect));
  EXPECT_TRUE(IsRectEmpty(&ui().timelineTrackRect));
  harness::sendCommand(kCmdToggleTimelinePanel);
  EXPECT_FALSE(IsRectEmpty(&ui().timelineKeyRect));

  // An unreadable Key Frame keeps the key's frame; curve and note still apply.
  object(L"obj-1").transformAnimation.keyframes = {key(300)};
  refreshAll();
  SetWindowTextW(ui().keyFrameEdit, L"abc");
  SetWindowTextW(ui().curveEdit, L"Step");
  SetWindowTextW(ui().noteEdit, L"held");
  harness::sendCommand(kCmdApplyKeyInspectorFields);
  const TransformKeyframe& k = object(L"obj-1").transformAnimation.keyframes[0];
  EXPECT_EQ(k.frame, 300);
  EXPECT_EQ(k.interpolation, L"Hold");
  EXPECT_EQ(k.note, L"held");
  harness::sendCommand(kCmdKeyInterpolationHold);
  EXPECT_EQ(appState().statusText, L"●  Keyframe Inspector interpolation set to Hold");
}

// A typed Key Frame past the 32-bit range is a number past the key range:
// refused on every track with nothing changed, where text that is no number
// keeps the key's frame and applies the rest.
TEST_F(TimelineStudio, AKeyFrameTypedPastThe32BitRangeIsRefusedOnEveryTrack) {
  start(1484, 1050);
  object(L"obj-1").transformAnimation.keyframes = {key(30)};
  object(L"obj-2").cameraAnimation.keyframes = {CameraKeyframe{L"ckey-30", 30, CameraSettings{}, L"Linear", L""}};
  object(L"obj-3").lightAnimation.keyframes = {LightKeyframe{L"lkey-30", 30, LightSettings{}, L"Linear", L""}};
  auto frameOf = [&](const wchar_t* id) {
    const Object& o = object(id);
    return !o.transformAnimation.keyframes.empty() ? o.transformAnimation.keyframes[0].frame
           : !o.cameraAnimation.keyframes.empty()  ? o.cameraAnimation.keyframes[0].frame
                                                   : o.lightAnimation.keyframes[0].frame;
  };
  AppState& app = appState();
  for (const wchar_t* id : {L"obj-1", L"obj-2", L"obj-3"}) {
    select(id);
    ASSERT_EQ(harness::text(ui().keyFrameEdit), L"30") << std::string(id, id + 5);
    app.redoStack.push_back(makeSnapshot());
    const std::size_t undo = app.undoStack.size(), redo = app.redoStack.size();
    const bool dirty = app.dirty;
    const Project project = app.project;
    for (const wchar_t* typed : {L"3000000000", L"-3000000000", L"99999999999"}) {
      SetWindowTextW(ui().keyFrameEdit, typed);
      SetWindowTextW(ui().curveEdit, L"Step");
      SetWindowTextW(ui().noteEdit, L"moved");
      harness::sendCommand(kCmdApplyKeyInspectorFields);
      EXPECT_EQ(app.statusText, keyFrameRangeRefusal()) << std::string(id, id + 5);
      EXPECT_EQ(app.undoStack.size(), undo);
      EXPECT_EQ(app.redoStack.size(), redo);
      EXPECT_EQ(app.dirty, dirty);
      EXPECT_TRUE(app.project == project) << std::string(id, id + 5);
    }
    SetWindowTextW(ui().keyFrameEdit, L"abc");
    harness::sendCommand(kCmdApplyKeyInspectorFields);
    EXPECT_EQ(app.statusText, L"●  Keyframe Inspector metadata applied");
    EXPECT_EQ(frameOf(id), 30);
    EXPECT_EQ(app.undoStack.size(), undo + 1);
  }
}

TEST_F(TimelineStudio, InspectorKeyLinesAndKeyFields) {
  start(1484, 1050);
  object(L"obj-2").cameraAnimation.keyframes = {CameraKeyframe{L"ckey-1", 1, CameraSettings{}, L"Linear", L"n"}};
  select(L"");
  EXPECT_EQ(harness::text(mainButton(kCmdFocusTimelineOnSelection)), L"Focus: Scene");
  select(L"obj-2");
  EXPECT_EQ(harness::text(mainButton(kCmdFocusTimelineOnSelection)), L"Focus Selected");
  const std::wstring camera = harness::text(shellHandles().meshDetails);
  EXPECT_NE(camera.find(L"Render status: Render: ready\n"
                        L"Timeline: Frame 1 / 120  Range 1-120  24.00 fps  120 frames  0.00s  Loop on\n"
                        L"Timeline focus: Scene  bridge Scene3D\n"
                        L"Transform keys: 0 | Apply keyed transform is explicit and undoable.\n"
                        L"Camera keys: 1 | key at current frame | Camera/light settings keys apply explicitly and "
                        L"undoably.\n"
                        L"Key Inspector: Camera 1/1  frame 1  curve Linear  ckey-1\n"
                        L"Values: FOV 50.00 | Clip 0.10-1000.00 | Aspect 1.78 | Curve Linear/constant speed\n"),
            std::wstring::npos)
      << camera;
  EXPECT_TRUE(IsWindowVisible(ui().keyFrameEdit));
  EXPECT_EQ(harness::text(ui().keyFrameEdit), L"1");
  EXPECT_EQ(harness::text(ui().noteEdit), L"n");
  EXPECT_EQ(harness::text(ui().timelineFrameStatus),
            L"Frame 1 / 120  Range 1-120  24.00 fps  120 frames  0.00s  Loop on  Focus: Scene  | Key Inspector: "
            L"Camera 1/1  frame 1  curve Linear  ckey-1  | Phase 66.1 GLB compatibility QA.");

  // A mesh shows no key fields for camera keys it cannot use; its first
  // transform key brings them at once.
  object(L"obj-1").cameraAnimation.keyframes = {CameraKeyframe{L"ckey-1", 1, CameraSettings{}, L"Linear", L""}};
  select(L"obj-1");
  const std::wstring mesh = harness::text(shellHandles().meshDetails);
  EXPECT_NE(mesh.find(L"Camera/light keys: select camera or light | Camera/light settings keys apply explicitly and "
                      L"undoably.\nKey Inspector: no key selected; set a key first\nValues: no key selected\n"),
            std::wstring::npos)
      << mesh;
  EXPECT_FALSE(IsWindowVisible(ui().keyFrameEdit));
  EXPECT_TRUE(IsWindowVisible(ui().keyStatus));
  harness::sendCommand(kCmdSetTransformKey);
  EXPECT_TRUE(IsWindowVisible(ui().keyFrameEdit));
  EXPECT_EQ(harness::text(ui().transformKeySummary),
            L"Transform keys: 1 | key at current frame  | K set/update, ,/. prev/next, apply is explicit + undoable");
  harness::sendCommand(kCmdDeleteTransformKey);
  EXPECT_FALSE(IsWindowVisible(ui().keyFrameEdit));
}

TEST_F(TimelineStudio, TheKeyRowOfTheStripNeverOverlaps) {
  start(1484, 821);
  const int ids[] = {kCmdTimelineGoToStart, kCmdTimelinePreviousFrame, kCmdTimelineNextFrame,
                     kCmdTimelineGoToEnd,   kCmdApplyTimelineFields,   kCmdFocusTimelineOnSelection,
                     kCmdSetTransformKey,   kCmdDeleteTransformKey,    kCmdPreviousTransformKey,
                     kCmdNextTransformKey,  kCmdApplyTransformKeys,    kCmdSetCameraKey,
                     kCmdDeleteCameraKey,   kCmdApplyCameraKeys,       kCmdSetLightKey,
                     kCmdDeleteLightKey,    kCmdApplyLightKeys};
  for (int width : {1280, 1484, 1920}) {
    resize(width, 821);
    for (const wchar_t* id : {L"obj-2", L"obj-3"}) {
      select(id);
      std::vector<HWND> controls = {ui().timelineTitle, ui().timelineFrameStatus, ui().transformKeySummary,
                                    ui().cameraLightKeySummary};
      for (int i = 0; i < 4; ++i) controls.insert(controls.end(), {ui().timelineFieldLabels[i], ui().timelineEdits[i]});
      for (int c : ids) controls.push_back(mainButton(c));
      std::vector<RECT> shown;
      for (HWND h : controls) {
        if (!IsWindowVisible(h)) continue;
        RECT r{};
        GetWindowRect(h, &r);
        shown.push_back(r);
      }
      for (std::size_t a = 0; a < shown.size(); ++a)
        for (std::size_t b = a + 1; b < shown.size(); ++b) {
          const RECT& p = shown[a];
          const RECT& q = shown[b];
          const bool overlap = p.left < q.right && q.left < p.right && p.top < q.bottom && q.top < p.bottom;
          EXPECT_FALSE(overlap) << width << " " << std::string(id, id + 5) << " controls " << a << " and " << b;
        }
      if (width == 1920) {
        EXPECT_TRUE(IsWindowVisible(ui().cameraLightKeySummary));
      }
    }
  }
}

// From the narrowest layout up, every 5 pixels and at taller sizes, with a
// mesh, a camera and a light: every control of the panel lies inside it, the
// four fields show their values whole, Apply shows at least 40 pixels wide
// over no other control (and applies a typed frame at the narrowest), below
// 1276 pixels in the header with its caption whole, and no control covers a
// number of the frame ruler.
TEST_F(TimelineStudio, ThePanelsControlsFitItAndLeaveTheRulerReadable) {
  start(1120, 720);
  const int ids[] = {kCmdTimelineGoToStart, kCmdTimelinePreviousFrame, kCmdTimelineNextFrame, kCmdTimelineGoToEnd,
                     kCmdApplyTimelineFields, kCmdFocusTimelineOnSelection, kCmdSetCameraKey, kCmdDeleteCameraKey,
                     kCmdApplyCameraKeys, kCmdSetLightKey, kCmdDeleteLightKey, kCmdApplyLightKeys};
  HWND apply = mainButton(kCmdApplyTimelineFields);
  const RECT applyAt = rectInMain(apply), field = rectInMain(ui().timelineEdits[0]);
  harness::clickAt(harness::mainWindow(), POINT{(field.left + field.right) / 2, (field.top + field.bottom) / 2});
  SendMessageW(ui().timelineEdits[0], EM_SETSEL, 0, -1);
  headless::typeText(L"57");
  harness::clickAt(harness::mainWindow(), POINT{(applyAt.left + applyAt.right) / 2, (applyAt.top + applyAt.bottom) / 2});
  EXPECT_EQ(appState().project.scene.timelineSettings.currentFrame, 57);

  // The table's sizes with each of the three selected, then the sweep with
  // the light.
  const std::pair<int, int> table[] = {{1120, 720}, {1160, 720}, {1200, 720}, {1217, 720}, {1250, 720},
                                       {1275, 720}, {1276, 720}, {1290, 720}, {1366, 720}, {1440, 800},
                                       {1600, 900}, {1920, 900}};
  std::vector<std::pair<int, int>> sizes(std::begin(table), std::end(table));
  for (int width = 1120; width <= 1920; width += 5) sizes.emplace_back(width, 720);
  for (std::size_t n = 0; n < sizes.size(); ++n) {
    const auto [width, height] = sizes[n];
    resize(width, height);
    for (const wchar_t* id : {L"obj-1", L"obj-2", L"obj-3"}) {
      if (n >= std::size(table) && id != std::wstring(L"obj-3")) continue;
      if (appState().selectedObjectId != id) select(id);
      SCOPED_TRACE(::testing::Message() << width << " " << std::string(id, id + 5));
      std::vector<HWND> controls = {ui().timelineTitle, ui().timelineFrameStatus, ui().transformKeySummary,
                                    ui().cameraLightKeySummary};
      for (int i = 0; i < 4; ++i) controls.insert(controls.end(), {ui().timelineFieldLabels[i], ui().timelineEdits[i]});
      for (int c : ids) controls.push_back(mainButton(c));
      const RECT& panel = ui().timelineRect;
      const RECT applyRect = rectInMain(apply);
      ASSERT_TRUE(IsWindowVisible(apply));
      EXPECT_GE(applyRect.right - applyRect.left, 40);
      const bool inHeader = applyRect.bottom <= rectInMain(ui().timelineEdits[0]).top;
      EXPECT_EQ(inHeader, width < 1276);
      if (inHeader) {
        EXPECT_GE(applyRect.right - applyRect.left, 66);  // its usual width, never the caption left out
        EXPECT_FALSE(drawnCut(apply, L"Apply"));
      }
      for (HWND h : controls) {
        RECT r = rectInMain(h), common{};
        if (!IsWindowVisible(h)) continue;
        EXPECT_TRUE(IntersectRect(&common, &r, &panel) && EqualRect(&common, &r))
            << wideToUtf8(harness::text(h)) << " at " << r.left << ".." << r.right;
        EXPECT_FALSE(h != apply && IntersectRect(&common, &r, &applyRect)) << "Apply over " << wideToUtf8(harness::text(h));
      }
      for (HWND field : ui().timelineEdits) {
        ASSERT_TRUE(IsWindowVisible(field));
        const std::wstring value = harness::text(field);
        RECT client{};
        GetClientRect(field, &client);
        EXPECT_LE(textWidth(field, value), client.right - 4) << wideToUtf8(value);
      }
      for (const TimelineRulerMark& mark : timelineRulerMarks()) expectNoControlOver(mark);
    }
  }
}

// The ruler's numbers, up to the frame fields' limits: each shown whole
// inside the track, clear of the one before and of every control, the first
// and the last always; nothing of them is drawn outside their boxes and the
// last one's end is.
TEST_F(TimelineStudio, EveryRulerNumberReadsWholeAtTheFieldsLimits) {
  start(1120, 720);
  TimelineBridge& t = appState().project.scene.timelineSettings;
  for (auto [width, height] : {std::pair{1120, 720}, std::pair{1217, 720}, std::pair{1290, 720},
                               std::pair{1600, 900}, std::pair{1920, 900}}) {
    resize(width, height);
    for (auto [first, last] : {std::pair{1, 120}, std::pair{1, 1000000}, std::pair{-100000, 1000000},
                               std::pair{999999, 1000000}}) {
      SCOPED_TRACE(::testing::Message() << width << " " << first << ".." << last);
      t.frameStart = first;  // -100000: below what the fields give, drawn as the scene holds it
      t.frameEnd = last;
      RedrawWindow(harness::mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      harness::pump();
      const auto marks = timelineRulerMarks();
      const RECT& track = ui().timelineKeyRect;
      ASSERT_FALSE(IsRectEmpty(&marks[0].label));
      ASSERT_FALSE(IsRectEmpty(&marks[6].label));
      LONG before = track.left;
      for (const TimelineRulerMark& mark : marks) {
        if (IsRectEmpty(&mark.label)) continue;
        EXPECT_GE(mark.label.right - mark.label.left, textWidth(harness::mainWindow(), std::to_wstring(mark.frame),
                                                                 ui().smallFont));
        EXPECT_GT(mark.label.left, before) << mark.frame;
        EXPECT_LT(mark.label.right, track.right) << mark.frame;
        before = mark.label.right;
        expectNoControlOver(mark);
      }
      const headless::Image image = harness::pixels(harness::mainWindow());
      const RECT& end = marks[6].label;
      int stray = 0, atEnd = 0;
      for (int y = end.top; y < end.bottom; ++y)
        for (int x = track.left; x < ui().timelineRect.right; ++x) {
          if (GetRValue(image.at(x, y)) < 80) continue;  // only the numbers are this bright there
          const POINT p{x, y};
          stray += std::none_of(marks.begin(), marks.end(), [&](const auto& m) { return PtInRect(&m.label, p); });
          atEnd += x >= end.right - 3 && x < end.right;
        }
      EXPECT_EQ(stray, 0);
      EXPECT_GT(atEnd, 0);
    }
  }
}

TEST_F(TimelineStudio, AKeyDragThroughTheMainWindowIsOneEntryOnlyWhenItMoves) {
  start(1484, 1050);
  object(L"obj-1").transformAnimation.keyframes = {key(10), key(20)};
  select(L"obj-1");
  AppState& app = appState();
  app.redoStack.push_back(makeSnapshot());
  const std::size_t undo = app.undoStack.size();

  down(keyPoint(10, 1));
  EXPECT_TRUE(headless::mouseCaptured());
  up(keyPoint(10, 1));
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_EQ(app.redoStack.size(), 1u);
  EXPECT_EQ(object(L"obj-1").transformAnimation.selectedKeyId, L"tkey-10");
  EXPECT_FALSE(app.timelineKeyDrag);

  down(keyPoint(10, 2));
  ReleaseCapture();  // capture lost before any move
  harness::pump();
  up(keyPoint(10, 2));
  EXPECT_FALSE(app.timelineKeyDrag);
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_EQ(app.redoStack.size(), 1u);

  down(keyPoint(10, 3));
  move(keyPoint(15, 3));
  move(keyPoint(20, 3));  // refused, the drag goes on
  EXPECT_EQ(app.statusText, L"●  Timeline key drag blocked: another key already uses frame 20");
  move(keyPoint(30, 3));
  up(keyPoint(30, 3));
  EXPECT_EQ(app.undoStack.size(), undo + 1);
  EXPECT_EQ(object(L"obj-1").transformAnimation.keyframes[1].id, L"tkey-30");
  EXPECT_EQ(app.project.scene.timelineSettings.currentFrame, 30);
  harness::sendCommand(kCmdUndo);
  EXPECT_EQ(object(L"obj-1").transformAnimation.keyframes[0].id, L"tkey-10");
  EXPECT_EQ(app.project.scene.timelineSettings.currentFrame, 10);

  // A capture lost after a move keeps the entry.
  const std::size_t before = app.undoStack.size();
  down(keyPoint(10, 1));
  move(keyPoint(40, 1));
  ReleaseCapture();
  harness::pump();
  up(keyPoint(40, 1));
  EXPECT_EQ(app.undoStack.size(), before + 1);
  EXPECT_EQ(object(L"obj-1").transformAnimation.keyframes.back().frame, 40);

  // A scrub moves the frame without an entry.
  down(keyPoint(60, 3));
  move(keyPoint(70, 3));
  up(keyPoint(70, 3));
  EXPECT_EQ(app.project.scene.timelineSettings.currentFrame, 70);
  EXPECT_EQ(app.undoStack.size(), before + 1);
  EXPECT_EQ(harness::text(ui().timelineEdits[0]), L"70");
}

TEST_F(TimelineStudio, TheViewportsTimelineKeys) {
  start(1484, 821);
  SetFocus(ui().viewport);
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  harness::pressKey(VK_END);
  EXPECT_EQ(t.currentFrame, 120);
  EXPECT_EQ(appState().statusText, L"●  Timeline jumped to end: frame 120");
  harness::pressKey(VK_RIGHT);  // loop on: wraps to the start
  EXPECT_EQ(t.currentFrame, 1);
  harness::pressKey(VK_RIGHT);
  harness::pressKey('K');
  EXPECT_EQ(object(L"obj-1").transformAnimation.keyframes.size(), 1u);
  harness::pressKey(VK_HOME);
  EXPECT_EQ(appState().statusText, L"●  Timeline jumped to start: frame 1");
  harness::pressKey(VK_OEM_PERIOD);
  EXPECT_EQ(t.currentFrame, 2);
  harness::pressKey(VK_LEFT);
  harness::pressKey(VK_OEM_COMMA);
  EXPECT_EQ(appState().statusText, L"●  Timeline jumped to previous transform key: frame 2");

  harness::pressKey('C', false, true);
  EXPECT_EQ(appState().statusText, L"●  Select a camera before setting a camera keyframe");
  select(L"obj-2");
  SetFocus(ui().viewport);
  harness::pressKey('C', false, true);
  EXPECT_EQ(object(L"obj-2").cameraAnimation.keyframes.size(), 1u);
  select(L"obj-3");
  SetFocus(ui().viewport);
  harness::pressKey('L', false, true);
  EXPECT_EQ(object(L"obj-3").lightAnimation.keyframes.size(), 1u);
}

// A scrub repaints the panel, the frame strip and the viewport only: the
// screen shows what repainting everything shows.
TEST_F(TimelineStudio, AScrubShowsWhatAWholeRepaintShows) {
  start(1484, 821);
  for (std::int32_t f = 2; f <= 120; f += 2) object(L"obj-2").transformAnimation.keyframes.push_back(key(f));
  select(L"obj-2");
  const headless::Image before = headless::screenPixels();
  setTimelineFrameFromScrub(37, L"Timeline scrubbed");
  harness::pump();
  const headless::Image scrubbed = headless::screenPixels();
  RedrawWindow(harness::mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  harness::pump();
  EXPECT_NE(scrubbed.pixels, before.pixels);
  EXPECT_EQ(scrubbed.pixels, headless::screenPixels().pixels);
}

}  // namespace
}  // namespace vk::testing
