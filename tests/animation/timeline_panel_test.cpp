// The timeline panel without windows: the frame axis, picking, scrubbing,
// selecting and dragging keys, double-clicks, and the drawn pixels.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "animation_test_support.h"
#include "platform/win32.h"
#include "platform/gdi_test_support.h"

namespace vktest {
namespace {

using namespace vk;

// The track rectangle gives a 500-pixel axis: x0 = 108, x1 = 608.
constexpr RECT kArea{0, 10, 640, 300};
constexpr RECT kLabels{12, 92, 92, 288};
constexpr RECT kTrack{100, 92, 616, 288};
constexpr int kX0 = 108;

class TimelinePanel : public AnimationTest {
 protected:
  void SetUp() override {
    AnimationTest::SetUp();
    UiHandles& ui = appState().ui;
    ui.timelineRect = kArea;
    ui.timelineTrackRect = kLabels;
    ui.timelineKeyRect = kTrack;
  }
  static int rowY(int row) { return kTrack.top + 35 + 22 * row; }
  static int keyX(std::int32_t frame) { return mapFrameToTimelineX(timelineAxis(), frame); }
  static bool press(int x, int y, bool doubleClick = false) {
    return handleTimelineMouseDown(nullptr, POINT{x, y}, doubleClick);
  }
  // What the main window does on button up.
  static void release() {
    AppState& app = appState();
    app.timelineScrubbing = app.timelineKeyDrag = false;
    app.timelineKeyDragSnapshotTaken = app.timelineKeyDragMoved = false;
    app.timelineKeyDragTrack = 0;
    app.timelineKeyDragId.clear();
  }
};

TEST_F(TimelinePanel, FrameAxisMapsBothWays) {
  const RECT axis = timelineAxis();
  EXPECT_EQ(axis.left, kX0);
  EXPECT_EQ(axis.right, kX0 + 500);
  EXPECT_EQ(mapFrameToTimelineX(axis, 1), kX0);
  EXPECT_EQ(mapFrameToTimelineX(axis, 120), kX0 + 500);
  EXPECT_EQ(mapFrameToTimelineX(axis, 60), kX0 + 247);
  EXPECT_EQ(mapFrameToTimelineX(axis, 9999), kX0 + 500);
  EXPECT_EQ(timelineMapXToFrame(axis, kX0 + 250), 61);
  EXPECT_EQ(timelineMapXToFrame(axis, kX0 - 40), 1);
  EXPECT_EQ(timelineMapXToFrame(axis, kX0 + 900), 120);
  timeline().frameStart = timeline().frameEnd = 7;
  EXPECT_EQ(mapFrameToTimelineX(axis, 50), kX0);
  EXPECT_EQ(timelineMapXToFrame(axis, kX0 + 300), 7);
}

TEST_F(TimelinePanel, PickingPrefersRowZeroKeysThereAndMissesAtNinePixels) {
  Object& camera = obj(add(ObjectKind::Camera));
  camera.cameraAnimation.keyframes = {ckey(60)};
  camera.transformAnimation.keyframes = {tkey(60), tkey(500)};
  const int x = keyX(60);
  TimelinePick pick = timelinePickAt(POINT{x + 8, rowY(0)});
  EXPECT_TRUE(pick.found);
  EXPECT_EQ(pick.track, kTrackCamera);
  EXPECT_EQ(pick.row, 0);
  for (int row = 1; row <= 3; ++row) {
    pick = timelinePickAt(POINT{x - 8, rowY(row) + 8});
    EXPECT_EQ(pick.track, kTrackTransform) << row;
    EXPECT_EQ(pick.row, row);
    EXPECT_EQ(pick.id, L"tkey-60");
  }
  EXPECT_FALSE(timelinePickAt(POINT{x + 9, rowY(1)}).found);
  EXPECT_FALSE(timelinePickAt(POINT{x, rowY(1) + 9}).found);
  // A key past the range's end sits at the axis end and can be picked there.
  pick = timelinePickAt(POINT{kX0 + 500, rowY(2)});
  EXPECT_EQ(pick.id, L"tkey-500");
  selectTimelineKey(pick);
  EXPECT_EQ(status(), L"●  Timeline key selected at frame 500");
  EXPECT_EQ(timeline().currentFrame, 120);
  EXPECT_EQ(selected().transformAnimation.selectedKeyId, L"tkey-500");
  EXPECT_EQ(appState().timelineActiveRow, 2);

  appState().ui.timelineKeyRect = RECT{};
  EXPECT_FALSE(timelinePickAt(POINT{x, rowY(1)}).found);
  EXPECT_FALSE(press(x, rowY(1)));
}

TEST_F(TimelinePanel, PressingOffAKeyScrubsWithoutAnUndoEntry) {
  add(ObjectKind::Mesh);
  EXPECT_TRUE(press(kX0 + 250, rowY(3)));
  EXPECT_TRUE(appState().timelineScrubbing);
  EXPECT_EQ(appState().timelineActiveRow, 3);
  EXPECT_EQ(timeline().currentFrame, 61);
  EXPECT_EQ(status(), L"●  Timeline scrubbed: frame 61");
  EXPECT_TRUE(appState().undoStack.empty());
  EXPECT_FALSE(appState().dirty);
  appState().statusText = L"quiet";
  setTimelineFrameFromScrub(61, L"Timeline scrubbed");
  EXPECT_EQ(status(), L"quiet");
  setTimelineFrameFromScrub(-50, L"Timeline scrubbed");
  EXPECT_EQ(timeline().currentFrame, 1);
}

TEST_F(TimelinePanel, AKeyDragIsOneUndoEntryOnlyWhenTheKeyMoves) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.transformAnimation.keyframes = {tkey(10), tkey(20)};
  // A plain click selects the key and leaves both stacks alone.
  appState().redoStack.push_back(makeSnapshot());
  const Stacks before = stacks();
  EXPECT_TRUE(press(keyX(10), rowY(1)));
  EXPECT_TRUE(appState().timelineKeyDrag);
  EXPECT_EQ(appState().timelineKeyDragId, L"tkey-10");
  EXPECT_FALSE(moveTimelineKey(10));
  release();
  expectUnchanged(before);
  EXPECT_EQ(selected().transformAnimation.selectedKeyId, L"tkey-10");

  press(keyX(10), rowY(1));
  EXPECT_TRUE(moveTimelineKey(15));
  EXPECT_FALSE(moveTimelineKey(20));
  EXPECT_EQ(status(), L"●  Timeline key drag blocked: another key already uses frame 20");
  EXPECT_TRUE(moveTimelineKey(30));
  EXPECT_EQ(status(), L"●  Timeline key moved to frame 30");
  release();
  const TransformAnimation& track = selected().transformAnimation;
  ASSERT_EQ(track.keyframes.size(), 2u);
  EXPECT_EQ(track.keyframes[1].id, L"tkey-30");
  EXPECT_EQ(track.selectedKeyId, L"tkey-30");
  EXPECT_EQ(timeline().currentFrame, 30);
  EXPECT_EQ(appState().undoStack.size(), before.undo + 1);
  EXPECT_TRUE(appState().redoStack.empty());
  EXPECT_TRUE(appState().dirty);
  undoLastSnapshot();
  EXPECT_EQ(selected().transformAnimation.keyframes[0].id, L"tkey-10");
  EXPECT_EQ(timeline().currentFrame, 10);

  // A locked object: selectable, not draggable.
  selected().locked = true;
  const Stacks locked = stacks();
  press(keyX(10), rowY(2));
  EXPECT_FALSE(moveTimelineKey(40));
  EXPECT_EQ(status(), L"●  Timeline key drag blocked: selected object is locked");
  release();
  expectUnchanged(locked);
}

TEST_F(TimelinePanel, ADraggedKeyTakesItsFrameIdFromAKeyThatKeptAnOldOne) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.transformAnimation.keyframes = {tkey(10), tkey(40)};
  mesh.transformAnimation.keyframes[1].id = L"tkey-30";  // moved there by the inspector
  press(keyX(10), rowY(1));
  EXPECT_TRUE(moveTimelineKey(30));
  release();
  const TransformAnimation& track = selected().transformAnimation;
  EXPECT_EQ(track.keyframes[0].id, L"tkey-30");
  EXPECT_EQ(track.keyframes[1].id, L"tkey-40");
  EXPECT_EQ(track.selectedKeyId, L"tkey-30");
}

TEST_F(TimelinePanel, DoubleClickKeysTheClickedRowsTrack) {
  add(ObjectKind::Mesh);
  EXPECT_TRUE(press(keyX(60), rowY(0), true));
  EXPECT_EQ(selected().transformAnimation.keyframes.size(), 1u);
  EXPECT_EQ(selected().transformAnimation.keyframes[0].frame, 60);
  add(ObjectKind::Light);
  press(keyX(30), rowY(0), true);
  EXPECT_EQ(selected().lightAnimation.keyframes.size(), 1u);
  EXPECT_EQ(selected().transformAnimation.keyframes.size(), 0u);
  EXPECT_EQ(status(), L"●  Added light keyframe at current frame");
}

// ---- keys at the edge of the key range ----

// End 1000000 reaches past the frames a key can hold (+-100000): on every
// track a drag stops at that edge and a key is never set, typed or merged
// past it.
struct RangeCase {
  int track;
  ObjectKind kind;
  void (*set)();
  int row;  // where the track's diamonds are drawn
  void (*setValue)(Object&, double);
  double (*keyValue)(const Object&, std::size_t);
};

const RangeCase kRangeCases[] = {
    {kTrackTransform, ObjectKind::Mesh, setOrUpdateTransformKeyframe, 1,
     [](Object& o, double v) { o.transform.position.x = v; },
     [](const Object& o, std::size_t i) { return o.transformAnimation.keyframes[i].position.x; }},
    {kTrackCamera, ObjectKind::Camera, setOrUpdateCameraKeyframe, 0,
     [](Object& o, double v) { o.camera.fov = v; },
     [](const Object& o, std::size_t i) { return o.cameraAnimation.keyframes[i].settings.fov; }},
    {kTrackLight, ObjectKind::Light, setOrUpdateLightKeyframe, 0,
     [](Object& o, double v) { o.light.intensity = v; },
     [](const Object& o, std::size_t i) { return o.lightAnimation.keyframes[i].settings.intensity; }},
};

class KeyRange : public TimelinePanel, public ::testing::WithParamInterface<RangeCase> {
 protected:
  const RangeCase& c() const { return GetParam(); }
  void SetUp() override {
    TimelinePanel::SetUp();
    add(c().kind);
    timeline().frameEnd = 1000000;
  }
  void setKey(std::int32_t frame, double value) {
    setFrame(frame);
    c().setValue(selected(), value);
    c().set();
  }
  void expectKeys(const std::vector<std::pair<std::int32_t, double>>& keys) {
    ASSERT_EQ(trackKeyCount(selected(), c().track), static_cast<int>(keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
      EXPECT_EQ(keyframeFrameAt(selected(), c().track, static_cast<int>(i)), keys[i].first) << i;
      EXPECT_EQ(c().keyValue(selected(), i), keys[i].second) << i;
    }
  }
  // As after a save and an undone edit: clean, with an entry to redo.
  static Stacks savedWithRedo() {
    appState().dirty = false;
    appState().redoStack.push_back(makeSnapshot());
    return stacks();
  }
  static std::int32_t frameAtPercent(int percent) { return timelineMapXToFrame(timelineAxis(), kX0 + 5 * percent); }
};

TEST_P(KeyRange, ADragStopsAtTheKeysEdgeAndNeverMergesTwoKeys) {
  setKey(20, 20.0);
  setKey(30, 30.0);
  expectKeys({{20, 20.0}, {30, 30.0}});
  Stacks before = savedWithRedo();

  press(keyX(20), rowY(c().row));  // 20 and 30 share x0; the first key wins
  EXPECT_TRUE(moveTimelineKey(frameAtPercent(60)));
  release();
  EXPECT_EQ(status(), L"●  Timeline key moved to frame 100000");
  EXPECT_EQ(timeline().currentFrame, 100000);
  expectKeys({{30, 30.0}, {100000, 20.0}});
  EXPECT_EQ(appState().undoStack.size(), before.undo + 1);
  EXPECT_TRUE(appState().redoStack.empty());
  EXPECT_TRUE(appState().dirty);

  // Past the edge, or on it: the frame is taken, and the drag takes no entry.
  before = savedWithRedo();
  press(keyX(30), rowY(c().row));
  for (std::int32_t frame : {frameAtPercent(80), 100000}) {
    EXPECT_FALSE(moveTimelineKey(frame));
    EXPECT_EQ(status(), L"●  Timeline key drag blocked: another key already uses frame 100000");
  }
  release();
  expectKeys({{30, 30.0}, {100000, 20.0}});
  expectUnchanged(before);

  // Undone, then on a timeline that starts past the edge: the key stops at
  // the edge, the current frame at the timeline's start.
  undoLastSnapshot();
  expectKeys({{20, 20.0}, {30, 30.0}});
  timeline().frameStart = 200000;
  press(kX0, rowY(c().row));
  EXPECT_TRUE(moveTimelineKey(250000));
  release();
  EXPECT_EQ(status(), L"●  Timeline key moved to frame 100000");
  EXPECT_EQ(timeline().currentFrame, 200000);
  expectKeys({{30, 30.0}, {100000, 20.0}});
}

TEST_P(KeyRange, SetKeyPastTheEdgeIsRefusedAndChangesNothing) {
  setKey(20, 20.0);
  setKey(100000, 1.0);
  const Stacks before = savedWithRedo();
  setFrame(500000);
  c().setValue(selected(), 3.0);
  Project project = appState().project;
  c().set();
  EXPECT_EQ(status(), keyFrameRangeRefusal());
  expectKeys({{20, 20.0}, {100000, 1.0}});
  expectUnchanged(before);
  EXPECT_TRUE(appState().project == project);
  // A double-click there scrubs (no entry) and is refused alike.
  EXPECT_TRUE(press(kX0 + 400, rowY(c().row), true));
  EXPECT_EQ(status(), keyFrameRangeRefusal());
  expectUnchanged(before);
  project.scene.timelineSettings.currentFrame = frameAtPercent(80);
  EXPECT_TRUE(appState().project == project);

  setKey(100000, 3.0);
  EXPECT_EQ(status().substr(0, 11), L"●  Updated ");
  expectKeys({{20, 20.0}, {100000, 3.0}});
  EXPECT_EQ(appState().undoStack.size(), before.undo + 1);
  EXPECT_TRUE(appState().redoStack.empty());
  EXPECT_TRUE(appState().dirty);
}

TEST_P(KeyRange, AKeyFrameTypedPastTheEdgeIsRefusedAndChangesNothing) {
  setKey(20, 20.0);
  setKey(100000, 1.0);
  setFrame(20);
  const Stacks before = savedWithRedo();
  const Project project = appState().project;
  // Clamped, 100001 would meet the key on the edge and -100250 move onto the other edge.
  for (std::int32_t typed : {100001, -100250}) {
    applyKeyframeInspectorMetadata(typed, L"Hold", L"moved");
    EXPECT_EQ(status(), keyFrameRangeRefusal()) << typed;
    expectUnchanged(before);
    EXPECT_TRUE(appState().project == project) << typed;
  }

  applyKeyframeInspectorMetadata(99999, L"Hold", L"moved");
  EXPECT_EQ(status(), L"●  Keyframe Inspector metadata applied");
  expectKeys({{99999, 20.0}, {100000, 1.0}});
  EXPECT_EQ(appState().undoStack.size(), before.undo + 1);
  EXPECT_TRUE(appState().redoStack.empty());
  EXPECT_TRUE(appState().dirty);
}

INSTANTIATE_TEST_SUITE_P(Tracks, KeyRange, ::testing::ValuesIn(kRangeCases),
                         [](const auto& info) { return std::to_string(info.param.track); });

// ---- pixels ----

// A canvas wider and taller than the panel's area.
struct Canvas : gditest::Canvas {
  // Black, so that any pixel the panel draws outside its area shows.
  Canvas() : gditest::Canvas(700, 320) { std::fill(bits, bits + width * height, 0u); }
  // Outside the canvas: 0xFFFFFFFF, which no COLORREF equals.
  COLORREF at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    const std::uint32_t p = bits[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

TEST_F(TimelinePanel, DrawsBandsRulerFrameLineAndDiamonds) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.transformAnimation.keyframes = {tkey(30), tkey(90)};
  mesh.transformAnimation.selectedKeyId = L"tkey-90";
  setFrame(60);
  Canvas canvas;
  drawTimelineTracks(canvas.dc);
  const int clearX = kX0 + 40;  // between the ruler's first two ticks
  EXPECT_EQ(canvas.at(kLabels.left + 20, kLabels.top + 6), RGB(12, 18, 28));
  EXPECT_EQ(canvas.at(clearX, kTrack.top + 6), RGB(9, 15, 24));
  EXPECT_EQ(canvas.at(clearX, rowY(0)), RGB(11, 18, 29));
  EXPECT_EQ(canvas.at(clearX, rowY(1)), RGB(19, 34, 54));  // the selected row
  EXPECT_EQ(canvas.at(kTrack.left + 2, rowY(1)), RGB(49, 132, 255));
  EXPECT_EQ(canvas.at(kTrack.left + 2, rowY(0)), RGB(11, 18, 29));
  EXPECT_EQ(canvas.at(clearX, rowY(2)), RGB(11, 18, 29));
  EXPECT_EQ(canvas.at(clearX, rowY(3)), RGB(14, 22, 34));
  EXPECT_EQ(canvas.at(clearX, kTrack.top + 24 + 22 - 1), RGB(26, 38, 56));
  EXPECT_EQ(canvas.at(kX0 + 247, kTrack.top + 22), RGB(49, 132, 255));  // frame 60, over the middle tick
  EXPECT_EQ(canvas.at(keyX(20), kTrack.top + 22), RGB(35, 52, 76));  // the tick of frame 20

  const COLORREF fills[4] = {RGB(49, 132, 255), RGB(72, 180, 255), RGB(120, 200, 120), RGB(245, 190, 82)};
  for (int row = 1; row <= 4; ++row) {
    EXPECT_EQ(canvas.at(keyX(30), rowY(row)), fills[row - 1]) << row;
    EXPECT_EQ(canvas.at(keyX(90), rowY(row)), fills[row - 1]) << row;
  }
  EXPECT_EQ(canvas.at(keyX(30), rowY(1) - 5), RGB(31, 85, 165));
  EXPECT_EQ(canvas.at(keyX(90), rowY(1) - 5), RGB(255, 255, 255));
  EXPECT_EQ(canvas.at(keyX(30), rowY(0)), RGB(11, 18, 29));  // no camera track on a mesh
}

TEST_F(TimelinePanel, RulerOfAOneFrameRangeAndRowZeroKeys) {
  Object& light = obj(add(ObjectKind::Light));
  light.lightAnimation.keyframes = {lkey(10)};
  timeline().frameStart = 10;
  timeline().frameEnd = 11;
  setFrame(11);
  Canvas canvas;
  drawTimelineTracks(canvas.dc);
  // Six ticks of frame 10 at x0, one of 11 at x1, none between.
  EXPECT_EQ(canvas.at(kX0, kTrack.top + 22), RGB(35, 52, 76));
  EXPECT_EQ(canvas.at(kX0 + 247, kTrack.top + 22), RGB(9, 15, 24));
  EXPECT_EQ(canvas.at(kX0, rowY(0)), RGB(255, 218, 96));
}

TEST_F(TimelinePanel, NothingOutsideTheAreaOrWhileHidden) {
  obj(add(ObjectKind::Mesh)).transformAnimation.keyframes = {tkey(30)};
  appState().ui.timelineRect.bottom = rowY(2) - 11;  // rows 2 to 4 lie below the area
  Canvas canvas;
  drawTimelineTracks(canvas.dc);
  EXPECT_EQ(canvas.at(kX0 + 40, rowY(1)), RGB(19, 34, 54));
  EXPECT_EQ(canvas.at(kX0 + 40, rowY(3)), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at(keyX(30), rowY(4)), RGB(0, 0, 0));

  Canvas hidden;
  appState().ui.timelineRect = kArea;
  timeline().showTimelinePanel = false;
  drawTimelineTracks(hidden.dc);
  EXPECT_EQ(hidden.at(kX0 + 40, rowY(1)), RGB(0, 0, 0));
  EXPECT_EQ(hidden.at(kLabels.left + 20, kLabels.top + 6), RGB(0, 0, 0));
  EXPECT_FALSE(press(kX0 + 40, rowY(1)));
}

// The stamped diamonds against one Polygon per key in key order: keys
// closer than a diamond's width, out of order, on one frame, selected, and
// cut by the panel's foot and by a clip through the diamonds.
TEST_F(TimelinePanel, DiamondsAreThePixelsOfOnePolygonPerKey) {
  Object& camera = obj(add(ObjectKind::Camera));
  timeline().frameEnd = 400;
  for (std::int32_t f : {5, 6, 8, 9, 7, 7, 1, 400, 399, 2, 200})
    camera.transformAnimation.keyframes.push_back(tkey(f));
  camera.transformAnimation.selectedKeyId = L"tkey-8";
  camera.cameraAnimation.keyframes = {ckey(3), ckey(4), ckey(2)};
  appState().ui.timelineRect.bottom = rowY(4) + 2;
  const TransformAnimation transform = camera.transformAnimation;
  const CameraAnimation cameraKeys = camera.cameraAnimation;
  const COLORREF fills[5] = {RGB(90, 220, 255), RGB(49, 132, 255), RGB(72, 180, 255), RGB(120, 200, 120),
                             RGB(245, 190, 82)};
  for (const RECT clip : {RECT{0, 0, 700, 320}, RECT{kX0 + 3, rowY(0) + 2, kX0 + 30, rowY(2) - 3}}) {
    Canvas stamped, reference;
    IntersectClipRect(stamped.dc, clip.left, clip.top, clip.right, clip.bottom);
    drawTimelineTracks(stamped.dc);
    camera.transformAnimation.keyframes.clear();
    camera.cameraAnimation.keyframes.clear();
    IntersectClipRect(reference.dc, clip.left, clip.top, clip.right, clip.bottom);
    drawTimelineTracks(reference.dc);
    camera.transformAnimation = transform;
    camera.cameraAnimation = cameraKeys;
    const RECT& area = appState().ui.timelineRect;
    IntersectClipRect(reference.dc, area.left, area.top, area.right, area.bottom);
    for (int row = 1; row <= 4; ++row)
      for (const TransformKeyframe& k : transform.keyframes)
        drawTimelineKeyDiamond(reference.dc, keyX(k.frame), rowY(row), fills[row], k.id == L"tkey-8");
    for (const CameraKeyframe& k : cameraKeys.keyframes)
      drawTimelineKeyDiamond(reference.dc, keyX(k.frame), rowY(0), fills[0], false);
    EXPECT_TRUE(std::equal(stamped.bits, stamped.bits + 700 * 320, reference.bits)) << clip.left;
  }
}

}  // namespace
}  // namespace vktest
