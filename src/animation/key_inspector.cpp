// The key inspector: which key of the selected object is shown, its texts,
// the key summaries under the timeline, and the commands that pick a key,
// edit its frame, curve and note, copy values and delete it.
#include <algorithm>

#include "animation/animation_internal.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "model/services.h"

namespace vk {

using namespace anim;

namespace {

std::int32_t currentFrame() { return appState().project.scene.timelineSettings.currentFrame; }

std::wstring valuesText(const TransformKeyframe& k) {
  auto triple = [](const Vec3& v) { return fixedDecimals(v.x, 2) + L", " + fixedDecimals(v.y, 2) + L", " + fixedDecimals(v.z, 2); };
  return L"Pos " + triple(k.position) + L" | Rot " + triple(k.rotation) + L" | Scale " + triple(k.scale);
}

std::wstring valuesText(const CameraKeyframe& k) {
  const CameraSettings& c = k.settings;
  return L"FOV " + fixedDecimals(c.fov, 2) + L" | Clip " + fixedDecimals(c.nearClip, 2) + L"-" + fixedDecimals(c.farClip, 2) + L" | Aspect " +
         fixedDecimals(c.aspect, 2);
}

std::wstring valuesText(const LightKeyframe& k) {
  const LightSettings& l = k.settings;
  return l.type + L" | Int " + fixedDecimals(l.intensity, 2) + L" | Range " + fixedDecimals(l.range, 2) + L" | Spot " +
         fixedDecimals(l.spotAngle, 2) + L" | Area " + fixedDecimals(l.areaSize, 2) + L" | RGB " + std::to_wstring(l.r) + L"," +
         std::to_wstring(l.g) + L"," + std::to_wstring(l.b);
}

// Calls f(key, track) with the inspected key of the object; `fallback` when
// there is none.
template <class ObjectRef, class F, class R>
R withInspectedKey(ObjectRef& object, F&& f, R fallback) {
  const int track = preferredKeyChannel(&object);
  const int index = resolveKeyframeIndex(object, track);
  if (index < 0) return fallback;
  return withTrack(object, track, [&](auto& t) { return f(t.keyframes[static_cast<std::size_t>(index)], track); },
                   fallback);
}

struct InspectorTexts {
  const wchar_t* refused;
  const wchar_t* locked;
};

// The guard of the editing commands; null after writing the refusal.
Object* inspectorTarget(const InspectorTexts& texts) {
  Object* object = selectedObject();
  if (!object) {
    setStatusText(texts.refused);
    return nullptr;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(texts.locked);
    return nullptr;
  }
  if (resolveKeyframeIndex(*object, preferredKeyChannel(object)) < 0) {
    setStatusText(L"●  No inspector key is selected");
    return nullptr;
  }
  return object;
}

// Snapshot, then `change(object, track, index)` on the inspected key of the
// object looked up again, the track repaired, dirty, refreshed and reported.
template <class Change>
void editInspectedKey(const InspectorTexts& texts, Change&& change, const std::wstring& message) {
  Object* object = inspectorTarget(texts);
  if (!object) return;
  const int track = preferredKeyChannel(object);
  const int index = resolveKeyframeIndex(*object, track);
  EditTransaction edit;
  object = selectedObject();
  change(*object, track, index);
  sanitizeKeyTrack(*object, track);
  edit.commit();
  relayoutIfKeyedChanged(true);  // the object had a key to inspect
  setStatusText(message);
}

constexpr InspectorTexts kMetadataTexts{L"●  Select an object with keyframes first",
                                        L"●  Selected object is locked; key metadata not changed"};
constexpr InspectorTexts kCaptureTexts{L"●  Select an object with a keyframe first",
                                       L"●  Selected object is locked; key values not changed"};
constexpr InspectorTexts kApplyTexts{L"●  Select an object with a keyframe first",
                                     L"●  Selected object is locked; key not applied"};
constexpr InspectorTexts kDeleteTexts{L"●  Select an object with a keyframe first",
                                      L"●  Selected object is locked; key not deleted"};
constexpr InspectorTexts kCurveTexts{L"●  Select an object with a keyframe first",
                                     L"●  Selected object is locked; interpolation not changed"};

}  // namespace

std::wstring interpolationDescription(const std::wstring& name) {
  const std::wstring canonical = sanitizeTransformKeyframeInterpolation(name);
  if (canonical == L"Hold") return L"Hold/stepped value until next key";
  if (canonical == L"Ease In") return L"Ease In/slow start";
  if (canonical == L"Ease Out") return L"Ease Out/slow finish";
  if (canonical == L"Ease In Out") return L"Ease In Out/smoothstep";
  return L"Linear/constant speed";
}

std::wstring keyframeInspectorSummary(const Object* object) {
  if (!object) return L"Key Inspector: no selection";
  const int track = preferredKeyChannel(object);
  const int index = resolveKeyframeIndex(*object, track);
  return withInspectedKey(*object, [&](const auto& key, int) {
    return L"Key Inspector: " + keyTrackName(track) + L" " + std::to_wstring(index + 1) + L"/" +
           std::to_wstring(trackKeyCount(*object, track)) + L"  frame " + std::to_wstring(key.frame) + L"  curve " +
           shownText(key.interpolation) + L"  " + shownText(key.id);
  }, std::wstring(L"Key Inspector: no key selected; set a key first"));
}

std::wstring keyframeInspectorValues(const Object* object) {
  if (!object) return L"Values: no selection";
  return withInspectedKey(*object, [](const auto& key, int) {
    return L"Values: " + valuesText(key) + L" | Curve " + interpolationDescription(key.interpolation);
  }, std::wstring(L"Values: no key selected"));
}

std::wstring transformKeySummary(const Object* object) {
  if (!object) return L"Transform keys: no selection";
  const auto& keys = object->transformAnimation.keyframes;
  std::wstring text = L"Transform keys: " + std::to_wstring(keys.size());
  if (keys.empty()) return text;
  const std::int32_t frame = currentFrame();
  const TransformKeyframe* prev = nullptr;
  const TransformKeyframe* next = nullptr;
  bool atFrame = false;
  for (const TransformKeyframe& key : keys) {
    if (key.frame == frame) atFrame = true;
    if (key.frame < frame) prev = &key;
    if (key.frame > frame && !next) next = &key;
  }
  text += atFrame ? L" | key at current frame" : L" | no key at current frame";
  if (prev) text += L" | prev " + std::to_wstring(prev->frame);
  if (next) text += L" | next " + std::to_wstring(next->frame);
  return text;
}

std::wstring cameraLightKeySummary(const Object* object) {
  if (!object) return L"Camera/light keys: no selection";
  int track = kTrackNone;
  std::wstring text;
  if (object->kind == ObjectKind::Camera) {
    track = kTrackCamera;
    text = L"Camera keys: ";
  } else if (object->kind == ObjectKind::Light) {
    track = kTrackLight;
    text = L"Light keys: ";
  } else {
    return L"Camera/light keys: select camera or light";
  }
  const int count = trackKeyCount(*object, track);
  text += std::to_wstring(count);
  if (count >= 1)
    text += keyFrameOccupied(*object, track, currentFrame(), -1) ? L" | key at current frame"
                                                                   : L" | no key at current frame";
  return text;
}

void refreshKeyInspector(const Object* object) {
  const UiHandles& ui = appState().ui;
  setControlText(ui.keyHeading, L"Keyframe Inspector / Curves v1");
  setControlText(ui.keyStatus, keyframeInspectorSummary(object));
  setControlText(ui.keyValues, keyframeInspectorValues(object));
  struct Fields {
    std::wstring frame, curve, note;
  };
  const Fields fields = object ? withInspectedKey(*object, [](const auto& key, int) {
    return Fields{std::to_wstring(key.frame), key.interpolation, key.note};
  }, Fields{}) : Fields{};
  setControlText(ui.keyFrameEdit, fields.frame);
  setControlText(ui.curveEdit, fields.curve);
  setControlText(ui.noteEdit, fields.note);
}

std::int32_t inspectedKeyFrame() {
  const Object* object = selectedObject();
  if (!object) return currentFrame();
  return withInspectedKey(*object, [](const auto& key, int) { return key.frame; }, currentFrame());
}

void selectCurrentInspectorKey() {
  Object* object = selectedObject();
  if (!object) {
    setStatusText(L"●  Select an object before choosing an inspector key");
    return;
  }
  for (int track : {kTrackTransform, kTrackCamera, kTrackLight}) sanitizeKeyTrack(*object, track);
  const std::int32_t frame = currentFrame();
  int track = kTrackTransform;
  for (int candidate : {kTrackCamera, kTrackLight})
    if (trackFitsKind(*object, candidate) && keyFrameOccupied(*object, candidate, frame, -1)) track = candidate;
  if (!keyFrameOccupied(*object, track, frame, -1)) {
    setStatusText(L"●  No keyframe exists at the current frame for the selected object");
    return;
  }
  selectKeyOnFrame(*object, track, frame);
  setDirty(true);
  refreshAll();
  setStatusText(L"●  Keyframe Inspector selected current " + keyTrackName(track) + L" key");
}

void selectAdjacentInspectorKey(bool next) {
  Object* object = selectedObject();
  if (!object) {
    setStatusText(L"●  Select an object with keyframes first");
    return;
  }
  const int track = preferredKeyChannel(object);
  const int count = trackKeyCount(*object, track);
  if (count == 0) {
    setStatusText(L"●  Selected object has no keyframes to inspect");
    return;
  }
  const int current = std::max(resolveKeyframeIndex(*object, track), 0);
  int index = current + (next ? 1 : -1);
  if (index >= count) index = 0;
  if (index < 0) index = count - 1;
  EditTransaction edit;
  object = selectedObject();
  const std::int32_t keyFrame = keyframeFrameAt(*object, track, index);
  const std::wstring id = keyframeIdAt(*object, track, index);
  withTrack(*object, track, [&id](auto& t) {
    t.selectedKeyId = id;
    return 0;
  }, 0);
  TimelineBridge settings = sanitizedTimeline();
  settings.currentFrame = std::clamp(keyFrame, settings.frameStart, settings.frameEnd);
  appState().project.scene.timelineSettings = settings;
  edit.commit();
  setStatusText(std::wstring(L"●  Keyframe Inspector selected ") + (next ? L"next " : L"previous ") +
                keyTrackName(track) + L" key");
}

void applyKeyframeInspectorMetadata(std::int32_t frame, const std::wstring& curve, const std::wstring& note) {
  Object* object = inspectorTarget(kMetadataTexts);
  if (!object || refuseOutsideKeyRange(frame)) return;
  const int track = preferredKeyChannel(object);
  if (keyFrameOccupied(*object, track, frame, resolveKeyframeIndex(*object, track))) {
    setStatusText(L"●  Another key already exists at that frame; metadata not changed");
    return;
  }
  const std::wstring canonical = sanitizeTransformKeyframeInterpolation(curve);
  const std::wstring cleanNote = sanitizeLabelText(note);
  editInspectedKey(kMetadataTexts, [&](Object& o, int t, int index) {
    withTrack(o, t, [&](auto& tr) {
      auto& key = tr.keyframes[static_cast<std::size_t>(index)];
      key.frame = frame;
      key.interpolation = canonical;
      key.note = cleanNote;
      tr.selectedKeyId = key.id;
      return 0;
    }, 0);
  }, L"●  Keyframe Inspector metadata applied");
}

void captureKeyValues() {
  editInspectedKey(kCaptureTexts, [](Object& o, int t, int index) {
    withTrack(o, t, [&](auto& tr) {
      captureObjectValues(tr.keyframes[static_cast<std::size_t>(index)], o);
      return 0;
    }, 0);
  }, L"●  Captured current object values into selected keyframe");
}

void applyKeyToObject() {
  editInspectedKey(kApplyTexts, [](Object& o, int t, int index) {
    withTrack(o, t, [&](auto& tr) {
      // A copy: the write repairs the object the key lives in.
      const auto values = keyValues(tr.keyframes[static_cast<std::size_t>(index)]);
      writeObjectValues(o, values);
      return 0;
    }, 0);
  }, L"●  Applied selected keyframe values to object");
}

void deleteInspectorKeyframe() {
  editInspectedKey(kDeleteTexts, [](Object& o, int t, int index) {
    withTrack(o, t, [index](auto& tr) {
      tr.keyframes.erase(tr.keyframes.begin() + index);
      tr.selectedKeyId.clear();
      return 0;
    }, 0);
  }, L"●  Deleted selected inspector keyframe");
}

void setInspectorSelectedKeyInterpolation(const std::wstring& name) {
  const std::wstring canonical = sanitizeTransformKeyframeInterpolation(name);
  editInspectedKey(kCurveTexts, [&canonical](Object& o, int t, int index) {
    withTrack(o, t, [&](auto& tr) {
      tr.keyframes[static_cast<std::size_t>(index)].interpolation = canonical;
      return 0;
    }, 0);
  }, L"●  Keyframe Inspector interpolation set to " + canonical);
}

}  // namespace vk
