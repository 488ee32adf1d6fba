// The key commands of the three tracks: guards and their texts, one undo
// entry per success, the key limit, ordering, deletion and go-to.
#include <type_traits>

#include "animation_test_support.h"

namespace vktest {
namespace {

using namespace vk;

struct TrackCase {
  int track;
  ObjectKind kind;
  void (*set)();
  void (*del)();
  void (*clear)();
  void (*apply)();
  bool (*go)(bool);
  const wchar_t* prefix;  // of the key ids
  const wchar_t* phase;
  const wchar_t* setRefused;
  const wchar_t* setLocked;
  const wchar_t* limit;
  const wchar_t* deleteRefused;
  const wchar_t* deleteLocked;
  const wchar_t* clearRefused;
  const wchar_t* clearLocked;
  const wchar_t* applyRefused;
  const wchar_t* applyLocked;
  const wchar_t* gotoRefused;
  const wchar_t* empty;
};

const TrackCase kCases[] = {
    {kTrackTransform, ObjectKind::Empty, setOrUpdateTransformKeyframe, deleteTransformKeyframe,
     clearObjectTransformKeyframes, applyTransformKeys, gotoTransformKey, L"tkey-", L"52",
     L"●  Select an object before setting a transform keyframe",
     L"●  Selected object is locked; transform key not changed",
     L"●  Transform keyframe limit reached for selected object",
     L"●  Select an object before deleting a transform keyframe",
     L"●  Selected object is locked; transform key not deleted",
     L"●  Select an object before clearing transform keyframes",
     L"●  Selected object is locked; transform keys not cleared",
     L"●  Select an object with transform keyframes first",
     L"●  Selected object is locked; keyed transform not applied",
     L"●  Select an object with transform keyframes first", L"●  Selected object has no transform keyframes"},
    {kTrackCamera, ObjectKind::Camera, setOrUpdateCameraKeyframe, deleteCameraKeyframe, clearCameraKeyframes,
     applyCameraKeys, gotoCameraKey, L"ckey-", L"53", L"●  Select a camera before setting a camera keyframe",
     L"●  Selected camera is locked; camera key not changed",
     L"●  Camera keyframe limit reached for selected camera",
     L"●  Select a camera before deleting a camera keyframe",
     L"●  Selected camera is locked; camera key not deleted",
     L"●  Select a camera before clearing camera keyframes",
     L"●  Selected camera is locked; camera keys not cleared", L"●  Select a camera with camera keyframes first",
     L"●  Selected camera is locked; keyed camera settings not applied", L"●  Select a camera with keyframes first",
     L"●  Selected camera has no camera keyframes"},
    {kTrackLight, ObjectKind::Light, setOrUpdateLightKeyframe, deleteLightKeyframe, clearLightKeyframes,
     applyLightKeys, gotoLightKey, L"lkey-", L"53", L"●  Select a light before setting a light keyframe",
     L"●  Selected light is locked; light key not changed", L"●  Light keyframe limit reached for selected light",
     L"●  Select a light before deleting a light keyframe", L"●  Selected light is locked; light key not deleted",
     L"●  Select a light before clearing light keyframes", L"●  Selected light is locked; light keys not cleared",
     L"●  Select a light with light keyframes first",
     L"●  Selected light is locked; keyed light settings not applied", L"●  Select a light with keyframes first",
     L"●  Selected light has no light keyframes"},
};

void PrintTo(const TrackCase& c, std::ostream* os) { *os << "track " << c.track; }

class KeyCommands : public AnimationTest, public ::testing::WithParamInterface<TrackCase> {
 protected:
  const TrackCase& c() const { return GetParam(); }
  int count() { return trackKeyCount(selected(), c().track); }
  std::wstring idAt(int index) { return keyframeIdAt(selected(), c().track, index); }
  // Places keys directly, as a loaded file would.
  void placeKeys(std::initializer_list<std::int32_t> frames) {
    Object& o = selected();
    for (std::int32_t f : frames) {
      if (c().track == kTrackTransform) o.transformAnimation.keyframes.push_back(tkey(f, f));
      if (c().track == kTrackCamera) o.cameraAnimation.keyframes.push_back(ckey(f, 20.0 + f));
      if (c().track == kTrackLight) o.lightAnimation.keyframes.push_back(lkey(f, f));
    }
  }
  // f(keys) or f(keys, track) on the case's track of the selected object.
  template <class F>
  void withTrackKeys(F f) {
    auto call = [&f](auto& track) {
      if constexpr (std::is_invocable_v<F&, decltype(track.keyframes)&, decltype(track)&>) f(track.keyframes, track);
      else f(track.keyframes);
    };
    Object& o = selected();
    if (c().track == kTrackTransform) call(o.transformAnimation);
    if (c().track == kTrackCamera) call(o.cameraAnimation);
    if (c().track == kTrackLight) call(o.lightAnimation);
  }
  std::wstring word() const {
    return c().track == kTrackTransform ? L"transform" : c().track == kTrackCamera ? L"camera" : L"light";
  }
  void expectRefusals(const std::vector<std::pair<void (*)(), const wchar_t*>>& commands) {
    for (const auto& [command, text] : commands) {
      const Stacks before = stacks();
      command();
      EXPECT_EQ(status(), text);
      expectUnchanged(before);
    }
  }
};

TEST_P(KeyCommands, GuardsRefuseWithTheirTextsAndNoSnapshot) {
  expectRefusals({{c().set, c().setRefused}, {c().del, c().deleteRefused}, {c().clear, c().clearRefused},
                  {c().apply, c().applyRefused}});
  EXPECT_FALSE(c().go(true));
  EXPECT_EQ(status(), c().gotoRefused);
  if (c().track != kTrackTransform) {
    add(ObjectKind::Mesh);
    expectRefusals({{c().set, c().setRefused}, {c().del, c().deleteRefused}});
    EXPECT_FALSE(c().go(false));
    EXPECT_EQ(status(), c().gotoRefused);
  }
  // A locked parent refuses every edit but not navigation.
  const std::wstring parent = add(ObjectKind::Group, L"Rig");
  obj(parent).locked = true;
  add(c().kind);
  selected().parentId = parent;
  placeKeys({0, 10});
  timeline().frameStart = 0;
  setFrame(10);
  expectRefusals({{c().set, c().setLocked}, {c().del, c().deleteLocked}, {c().clear, c().clearLocked},
                  {c().apply, c().applyLocked}});
  EXPECT_EQ(count(), 2);
  EXPECT_TRUE(c().go(true));
  EXPECT_EQ(timeline().currentFrame, 0);
}

TEST_P(KeyCommands, SetTwiceUpdatesOneKeyAndKeepsTheTrackOrdered) {
  add(c().kind);
  setFrame(30);
  c().set();
  EXPECT_EQ(status(), L"●  Added " + word() + L" keyframe at current frame");
  withTrackKeys([](auto& keys) { keys[0].interpolation = L"Smooth"; });
  c().set();
  EXPECT_EQ(status(), L"●  Updated " + word() + L" keyframe at current frame");
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(appState().undoStack.size(), 2u);
  withTrackKeys([&](auto& keys) {
    EXPECT_EQ(keys[0].note, std::wstring(L"Updated by Phase ") + c().phase + L" at frame 30");
    EXPECT_EQ(keys[0].interpolation, L"Ease In Out");
  });
  EXPECT_TRUE(appState().dirty);

  add(c().kind, L"Fresh");
  placeKeys({10, 50});
  c().set();
  ASSERT_EQ(count(), 3);
  EXPECT_EQ(keyframeFrameAt(selected(), c().track, 1), 30);
  EXPECT_EQ(keyframeFrameAt(selected(), c().track, 2), 50);
  EXPECT_EQ(idAt(1), std::wstring(c().prefix) + L"30");
  withTrackKeys([&](auto&, auto& track) { EXPECT_EQ(track.selectedKeyId, std::wstring(c().prefix) + L"30"); });
  withTrackKeys([&](auto& keys) {
    EXPECT_EQ(keys[1].note, std::wstring(L"Created by Phase ") + c().phase + L" at frame 30");
  });
}

TEST_P(KeyCommands, AFullTrackRefusesANewKeyBeforeAnySnapshot) {
  add(c().kind);
  for (int f = 0; f < 1000; ++f) placeKeys({f * 2});
  AppState& app = appState();
  app.redoStack.push_back(makeSnapshot());
  setFrame(1);
  Stacks before = stacks();
  c().set();
  EXPECT_EQ(status(), c().limit);
  expectUnchanged(before);
  EXPECT_EQ(count(), 1000);

  // A full undo stack keeps its oldest entry.
  app.redoStack.clear();
  while (app.undoStack.size() < kUndoLimit) pushUndoSnapshot();
  app.undoStack.front().selectedObjectId = L"oldest";
  before = stacks();
  c().set();
  expectUnchanged(before);
  EXPECT_EQ(app.undoStack.front().selectedObjectId, L"oldest");

  // A key on the current frame is still updated.
  setFrame(2);
  c().set();
  EXPECT_EQ(count(), 1000);
  withTrackKeys([&](auto& keys) { EXPECT_EQ(keys[1].note.substr(0, 10), L"Updated by"); });
}

TEST_P(KeyCommands, DeleteClearAndApply) {
  add(c().kind);
  placeKeys({10, 20});
  withTrackKeys([&](auto&, auto& track) { track.selectedKeyId = std::wstring(c().prefix) + L"20"; });
  setFrame(15);
  const Stacks before = stacks();
  c().del();
  expectUnchanged(before);
  EXPECT_EQ(status(), L"●  No " + word() + L" keyframe at current frame");
  setFrame(10);
  c().del();
  EXPECT_EQ(count(), 1);
  withTrackKeys([](auto&, auto& track) { EXPECT_EQ(track.selectedKeyId, L""); });
  EXPECT_EQ(appState().undoStack.size(), 1u);

  // One key at 40 applies its values at any frame.
  c().clear();
  EXPECT_EQ(count(), 0);
  c().clear();
  EXPECT_EQ(status(), c().empty);
  c().apply();
  EXPECT_EQ(appState().undoStack.size(), 2u);
  placeKeys({40});
  setFrame(3);
  c().apply();
  EXPECT_EQ(appState().undoStack.size(), 3u);
  const Object& o = selected();
  const double applied = c().track == kTrackTransform ? o.transform.position.x
                         : c().track == kTrackCamera  ? o.camera.fov
                                                      : o.light.intensity;
  EXPECT_EQ(applied, c().track == kTrackCamera ? 60.0 : 40.0);
}

TEST_P(KeyCommands, GoToWrapsAroundAndCommitsOneEntry) {
  add(c().kind);
  timeline().frameStart = 0;
  EXPECT_FALSE(c().go(true));
  EXPECT_EQ(status(), c().empty);
  placeKeys({0, 10});
  const struct {
    std::int32_t from;
    bool next;
    std::int32_t to;
  } steps[] = {{5, false, 0}, {5, true, 10}, {10, true, 0}, {0, false, 10}};
  for (const auto& s : steps) {
    setFrame(s.from);
    const std::size_t entries = appState().undoStack.size();
    EXPECT_TRUE(c().go(s.next));
    EXPECT_EQ(timeline().currentFrame, s.to);
    EXPECT_EQ(appState().undoStack.size(), entries + 1);
  }
  EXPECT_EQ(status(), L"●  Timeline jumped to previous " + word() + L" key: frame 10");
  // Already on the only key's frame: the commit reports no change.
  withTrackKeys([](auto& keys) { keys.pop_back(); });
  setFrame(0);
  const Stacks before = stacks();
  EXPECT_TRUE(c().go(true));
  EXPECT_EQ(status(), L"●  Timeline unchanged");
  expectUnchanged(before);
}

INSTANTIATE_TEST_SUITE_P(Tracks, KeyCommands, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::to_string(info.param.track); });

}  // namespace
}  // namespace vktest
