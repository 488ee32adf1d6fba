// The fifteen key commands: set or update, delete, clear and apply at the
// current frame, and go to the previous or next key, for the transform,
// camera and light tracks of the selected object.
#include <algorithm>
#include <optional>

#include "animation/animation_internal.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "model/services.h"

namespace vk {

namespace anim {

bool refuseOutsideKeyRange(std::int32_t frame) {
  if (frame == clampToKeyRange(frame)) return false;
  setStatusText(keyFrameRangeRefusal());
  return true;
}

void captureObjectValues(TransformKeyframe& key, const Object& object) {
  const Transform t = sanitizeTransformValues(object.transform.position, object.transform.rotation,
                                              object.transform.scale);
  key.position = t.position;
  key.rotation = t.rotation;
  key.scale = t.scale;
}
void captureObjectValues(CameraKeyframe& key, const Object& object) {
  key.settings = sanitizeCameraSettings(object.camera);
}
void captureObjectValues(LightKeyframe& key, const Object& object) {
  key.settings = sanitizeLightSettings(object.light);
}

void writeObjectValues(Object& object, const TransformValues& v) {
  object.transform = sanitizeTransformValues(Vec3{v[0], v[1], v[2]}, Vec3{v[3], v[4], v[5]}, Vec3{v[6], v[7], v[8]});
}
void writeObjectValues(Object& object, const CameraSettings& values) {
  object.camera = sanitizeCameraSettings(values);
  sanitizeCameraLightSettings(object);
}
void writeObjectValues(Object& object, const LightSettings& values) {
  object.light = sanitizeLightSettings(values);
  sanitizeCameraLightSettings(object);
}

}  // namespace anim

using namespace anim;

namespace {

struct KeyTexts {
  const wchar_t* setRefused;
  const wchar_t* setLocked;
  const wchar_t* limit;
  const wchar_t* updated;
  const wchar_t* added;
  const wchar_t* deleteRefused;
  const wchar_t* deleteLocked;
  const wchar_t* noneAtFrame;
  const wchar_t* deleted;
  const wchar_t* clearRefused;
  const wchar_t* clearLocked;
  const wchar_t* emptyTrack;
  const wchar_t* cleared;
  const wchar_t* applyRefused;
  const wchar_t* applyLocked;
  const wchar_t* nothingToApply;
  const wchar_t* applied;
  const wchar_t* gotoRefused;
  const wchar_t* phase;      // of the key notes
  const wchar_t* trackWord;  // of the go-to labels
};

const KeyTexts& textsOf(int track) {
  static const KeyTexts kTransform{
      L"●  Select an object before setting a transform keyframe",
      L"●  Selected object is locked; transform key not changed",
      L"●  Transform keyframe limit reached for selected object",
      L"●  Updated transform keyframe at current frame",
      L"●  Added transform keyframe at current frame",
      L"●  Select an object before deleting a transform keyframe",
      L"●  Selected object is locked; transform key not deleted",
      L"●  No transform keyframe at current frame",
      L"●  Deleted transform keyframe at current frame",
      L"●  Select an object before clearing transform keyframes",
      L"●  Selected object is locked; transform keys not cleared",
      L"●  Selected object has no transform keyframes",
      L"●  Cleared selected object transform keyframes",
      L"●  Select an object with transform keyframes first",
      L"●  Selected object is locked; keyed transform not applied",
      L"●  Selected object has no transform keys to apply",
      L"●  Applied keyed transform at current frame",
      L"●  Select an object with transform keyframes first",
      L"52",
      L"transform"};
  static const KeyTexts kCamera{
      L"●  Select a camera before setting a camera keyframe",
      L"●  Selected camera is locked; camera key not changed",
      L"●  Camera keyframe limit reached for selected camera",
      L"●  Updated camera keyframe at current frame",
      L"●  Added camera keyframe at current frame",
      L"●  Select a camera before deleting a camera keyframe",
      L"●  Selected camera is locked; camera key not deleted",
      L"●  No camera keyframe at current frame",
      L"●  Deleted camera keyframe at current frame",
      L"●  Select a camera before clearing camera keyframes",
      L"●  Selected camera is locked; camera keys not cleared",
      L"●  Selected camera has no camera keyframes",
      L"●  Cleared selected camera keyframes",
      L"●  Select a camera with camera keyframes first",
      L"●  Selected camera is locked; keyed camera settings not applied",
      L"●  Selected camera has no camera keys to apply",
      L"●  Applied keyed camera settings at current frame",
      L"●  Select a camera with keyframes first",
      L"53",
      L"camera"};
  static const KeyTexts kLight{
      L"●  Select a light before setting a light keyframe",
      L"●  Selected light is locked; light key not changed",
      L"●  Light keyframe limit reached for selected light",
      L"●  Updated light keyframe at current frame",
      L"●  Added light keyframe at current frame",
      L"●  Select a light before deleting a light keyframe",
      L"●  Selected light is locked; light key not deleted",
      L"●  No light keyframe at current frame",
      L"●  Deleted light keyframe at current frame",
      L"●  Select a light before clearing light keyframes",
      L"●  Selected light is locked; light keys not cleared",
      L"●  Selected light has no light keyframes",
      L"●  Cleared selected light keyframes",
      L"●  Select a light with light keyframes first",
      L"●  Selected light is locked; keyed light settings not applied",
      L"●  Selected light has no light keys to apply",
      L"●  Applied keyed light settings at current frame",
      L"●  Select a light with keyframes first",
      L"53",
      L"light"};
  return track == kTrackCamera ? kCamera : track == kTrackLight ? kLight : kTransform;
}

std::int32_t currentFrame() { return appState().project.scene.timelineSettings.currentFrame; }

// The common guard: the selected object of the right kind, and (unless only
// navigating) not locked. Null after writing the refusal.
Object* guardedObject(int track, const wchar_t* refused, const wchar_t* locked) {
  Object* object = selectedObject();
  if (!object || !trackFitsKind(*object, track)) {
    setStatusText(refused);
    return nullptr;
  }
  if (locked && isEffectivelyLocked(*object)) {
    setStatusText(locked);
    return nullptr;
  }
  return object;
}

// Snapshot, the change on the object looked up again, its track repaired
// (the repair may renumber ids, so a key to select is named by its frame),
// then dirty, refreshed and reported.
template <class Change>
void commitKeyChange(int track, bool keyedBefore, Change&& change, const std::wstring& message,
                     std::optional<std::int32_t> selectFrame = std::nullopt) {
  EditTransaction edit;
  Object* object = selectedObject();
  change(*object);
  sanitizeKeyTrack(*object, track);
  if (selectFrame) selectKeyOnFrame(*object, track, clampToKeyRange(*selectFrame));
  edit.commit();
  relayoutIfKeyedChanged(keyedBefore);
  setStatusText(message);
}

void setOrUpdateKeyframe(int track) {
  const KeyTexts& texts = textsOf(track);
  Object* object = guardedObject(track, texts.setRefused, texts.setLocked);
  if (!object) return;
  const std::int32_t frame = currentFrame();
  // The timeline reaches further than keys do.
  if (refuseOutsideKeyRange(frame)) return;
  sanitizeKeyTrack(*object, track);
  const bool update = withTrack(*object, track, [frame](const auto& t) {
    return std::any_of(t.keyframes.begin(), t.keyframes.end(), [frame](const auto& k) { return k.frame == frame; });
  }, false);
  // Refused before any snapshot, so a full track leaves both stacks alone.
  if (!update && static_cast<std::size_t>(trackKeyCount(*object, track)) >= kTrackKeyLimit) {
    setStatusText(texts.limit);
    return;
  }
  const std::wstring note = std::wstring(update ? L"Updated by Phase " : L"Created by Phase ") + texts.phase +
                            L" at frame " + std::to_wstring(frame);
  const bool keyedBefore = preferredKeyChannel(object) != kTrackNone;
  commitKeyChange(track, keyedBefore, [&](Object& o) {
    withTrack(o, track, [&](auto& t) {
      using Key = typename std::decay_t<decltype(t.keyframes)>::value_type;
      auto found = std::find_if(t.keyframes.begin(), t.keyframes.end(), [frame](const Key& k) { return k.frame == frame; });
      if (found == t.keyframes.end()) {
        Key key;
        key.id = makeKeyId(track, frame);
        key.frame = frame;
        key.interpolation = L"Linear";
        t.keyframes.push_back(std::move(key));
        found = t.keyframes.end() - 1;
      } else {
        found->interpolation = sanitizeTransformKeyframeInterpolation(found->interpolation);
      }
      captureObjectValues(*found, o);
      found->note = note;
      t.selectedKeyId = found->id;
      return 0;
    }, 0);
  }, update ? texts.updated : texts.added, frame);
}

void deleteKeyframe(int track) {
  const KeyTexts& texts = textsOf(track);
  Object* object = guardedObject(track, texts.deleteRefused, texts.deleteLocked);
  if (!object) return;
  if (track == kTrackTransform) sanitizeTransformKeyTrack(*object);
  const std::int32_t frame = currentFrame();
  if (!keyFrameOccupied(*object, track, frame, -1)) {
    setStatusText(texts.noneAtFrame);
    return;
  }
  const bool keyedBefore = preferredKeyChannel(object) != kTrackNone;
  commitKeyChange(track, keyedBefore, [&](Object& o) {
    withTrack(o, track, [frame](auto& t) {
      std::erase_if(t.keyframes, [frame](const auto& k) { return k.frame == frame; });
      t.selectedKeyId.clear();
      return 0;
    }, 0);
  }, texts.deleted);
}

void clearKeyframes(int track) {
  const KeyTexts& texts = textsOf(track);
  Object* object = guardedObject(track, texts.clearRefused, texts.clearLocked);
  if (!object) return;
  if (trackKeyCount(*object, track) == 0) {
    setStatusText(texts.emptyTrack);
    return;
  }
  const bool keyedBefore = preferredKeyChannel(object) != kTrackNone;
  commitKeyChange(track, keyedBefore, [track](Object& o) {
    withTrack(o, track, [](auto& t) {
      t.keyframes.clear();
      t.selectedKeyId.clear();
      return 0;
    }, 0);
  }, texts.cleared);
}

template <class Evaluate>
void applyKeys(int track, Evaluate&& evaluate) {
  const KeyTexts& texts = textsOf(track);
  Object* object = guardedObject(track, texts.applyRefused, texts.applyLocked);
  if (!object) return;
  if (track == kTrackTransform) sanitizeTransformKeyTrack(*object);
  const auto values = evaluate(*object, currentFrame());
  if (!values) {
    setStatusText(texts.nothingToApply);
    return;
  }
  EditTransaction edit;
  writeObjectValues(*selectedObject(), *values);
  edit.commit();
  setStatusText(texts.applied);
}

bool gotoKey(int track, bool next) {
  const KeyTexts& texts = textsOf(track);
  Object* object = guardedObject(track, texts.gotoRefused, nullptr);
  if (!object) return false;
  if (trackKeyCount(*object, track) == 0) {
    setStatusText(texts.emptyTrack);
    return false;
  }
  const std::int32_t frame = currentFrame();
  const std::int32_t target = withTrack(*object, track, [frame, next](const auto& t) {
    const auto& keys = t.keyframes;
    if (next) {
      for (const auto& k : keys)
        if (k.frame > frame) return k.frame;
      return keys.front().frame;
    }
    for (auto k = keys.rbegin(); k != keys.rend(); ++k)
      if (k->frame < frame) return k->frame;
    return keys.back().frame;
  }, frame);
  setTimelineFrame(target, std::wstring(L"Timeline jumped to ") + (next ? L"next " : L"previous ") + texts.trackWord +
                               L" key");
  return true;
}

}  // namespace

std::wstring keyFrameRangeRefusal() {
  return L"●  Keys stay within frames ±" + std::to_wstring(kKeyFrameLimit);
}

void setOrUpdateTransformKeyframe() { setOrUpdateKeyframe(kTrackTransform); }
void setOrUpdateCameraKeyframe() { setOrUpdateKeyframe(kTrackCamera); }
void setOrUpdateLightKeyframe() { setOrUpdateKeyframe(kTrackLight); }
void deleteTransformKeyframe() { deleteKeyframe(kTrackTransform); }
void deleteCameraKeyframe() { deleteKeyframe(kTrackCamera); }
void deleteLightKeyframe() { deleteKeyframe(kTrackLight); }
void clearObjectTransformKeyframes() { clearKeyframes(kTrackTransform); }
void clearCameraKeyframes() { clearKeyframes(kTrackCamera); }
void clearLightKeyframes() { clearKeyframes(kTrackLight); }
void applyTransformKeys() { applyKeys(kTrackTransform, evaluateTransformKeyframes); }
void applyCameraKeys() { applyKeys(kTrackCamera, evaluateCameraKeyframes); }
void applyLightKeys() { applyKeys(kTrackLight, evaluateLightKeyframes); }
bool gotoTransformKey(bool next) { return gotoKey(kTrackTransform, next); }
bool gotoCameraKey(bool next) { return gotoKey(kTrackCamera, next); }
bool gotoLightKey(bool next) { return gotoKey(kTrackLight, next); }

}  // namespace vk
