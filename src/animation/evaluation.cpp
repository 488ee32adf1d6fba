// Turning a key track and a frame into values, the easing curves, and the
// small key lookups every key command, the inspector and the panel share.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "animation/animation_internal.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {

namespace anim {

bool trackFitsKind(const Object& object, int track) {
  switch (track) {
    case kTrackTransform: return true;
    case kTrackCamera: return object.kind == ObjectKind::Camera;
    case kTrackLight: return object.kind == ObjectKind::Light;
    default: return false;
  }
}

std::wstring makeKeyId(int track, std::int32_t frame) {
  switch (track) {
    case kTrackCamera: return cameraKeyId(frame);
    case kTrackLight: return lightKeyId(frame);
    default: return transformKeyId(frame);
  }
}

void sanitizeKeyTrack(Object& object, int track) {
  switch (track) {
    case kTrackTransform: sanitizeTransformKeyTrack(object); break;
    case kTrackCamera: sanitizeCameraKeyframes(object); break;
    case kTrackLight: sanitizeLightKeyframes(object); break;
    default: break;
  }
}

void selectKeyOnFrame(Object& object, int track, std::int32_t frame) {
  withTrack(object, track, [frame](auto& t) {
    for (const auto& key : t.keyframes)
      if (key.frame == frame) t.selectedKeyId = key.id;
    return 0;
  }, 0);
}

Object* selectedObject() { return findObjectById(appState().selectedObjectId); }

TimelineBridge sanitizedTimeline() {
  TimelineBridge settings = appState().project.scene.timelineSettings;
  sanitizeTimelineState(settings);
  return settings;
}

TransformValues keyValues(const TransformKeyframe& key) {
  return {key.position.x, key.position.y, key.position.z, key.rotation.x, key.rotation.y,
          key.rotation.z, key.scale.x,    key.scale.y,    key.scale.z};
}

}  // namespace anim

using namespace anim;

namespace {

template <class Key>
auto valuesOf(const Key& key) {
  return std::decay_t<decltype(keyValues(key))>(keyValues(key));
}

double lerp(double a, double b, double e) { return a + (b - a) * e; }

TransformValues blend(const TransformKeyframe& a, const TransformKeyframe& b, double e) {
  const TransformValues va = valuesOf(a), vb = valuesOf(b);
  const Transform t = sanitizeTransformValues(Vec3{lerp(va[0], vb[0], e), lerp(va[1], vb[1], e), lerp(va[2], vb[2], e)},
                                              Vec3{lerp(va[3], vb[3], e), lerp(va[4], vb[4], e), lerp(va[5], vb[5], e)},
                                              Vec3{lerp(va[6], vb[6], e), lerp(va[7], vb[7], e), lerp(va[8], vb[8], e)});
  return {t.position.x, t.position.y, t.position.z, t.rotation.x, t.rotation.y,
          t.rotation.z, t.scale.x,    t.scale.y,    t.scale.z};
}

CameraSettings blend(const CameraKeyframe& a, const CameraKeyframe& b, double e) {
  CameraSettings c = a.settings;
  c.fov = lerp(a.settings.fov, b.settings.fov, e);
  c.nearClip = lerp(a.settings.nearClip, b.settings.nearClip, e);
  c.farClip = lerp(a.settings.farClip, b.settings.farClip, e);
  c.aspect = lerp(a.settings.aspect, b.settings.aspect, e);
  return sanitizeCameraSettings(c);
}

LightSettings blend(const LightKeyframe& a, const LightKeyframe& b, double e) {
  return lerpLightKey(a.settings, b.settings, e);
}

// One scan in stored order: a key on the frame wins at once, the last key
// before it and the first after it bound the segment.
template <class Key>
auto evaluateTrack(const std::vector<Key>& keys, std::int32_t frame) -> std::optional<decltype(valuesOf(keys[0]))> {
  if (keys.empty()) return std::nullopt;
  if (keys.size() == 1) return valuesOf(keys[0]);
  const Key* prev = nullptr;
  const Key* next = nullptr;
  for (const Key& key : keys) {
    if (key.frame == frame) return valuesOf(key);
    if (key.frame < frame) {
      prev = &key;
    } else {
      next = &key;
      break;
    }
  }
  if (!prev) return valuesOf(*next);
  if (!next) return valuesOf(*prev);
  if (prev->interpolation == L"Hold") return valuesOf(*prev);
  const std::int64_t span = static_cast<std::int64_t>(next->frame) - prev->frame;
  if (span <= 0) return valuesOf(*prev);
  const double t = static_cast<double>(static_cast<std::int64_t>(frame) - prev->frame) / static_cast<double>(span);
  const double e = std::clamp(evaluateEasing(prev->interpolation, t), 0.0, 1.0);
  return blend(*prev, *next, e);
}

template <class Key>
int indexWhere(const std::vector<Key>& keys, auto&& matches) {
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (matches(keys[i])) return static_cast<int>(i);
  return -1;
}

template <class Track>
int keyAtFrame(const Track& track, std::int32_t frame) {
  return indexWhere(track.keyframes, [frame](const auto& key) { return key.frame == frame; });
}

template <class Track>
int keyById(const Track& track, const std::wstring& id) {
  if (id.empty()) return -1;
  return indexWhere(track.keyframes, [&id](const auto& key) { return key.id == id; });
}

std::int32_t currentFrame() { return appState().project.scene.timelineSettings.currentFrame; }

}  // namespace

double evaluateEasing(const std::wstring& interpolation, double t) {
  t = (!std::isfinite(t) || std::fabs(t) >= 1e6) ? 0.0 : std::clamp(t, 0.0, 1.0);
  const std::wstring name = sanitizeTransformKeyframeInterpolation(interpolation);
  if (name == L"Hold") return 0.0;
  if (name == L"Ease In") return t * t;
  if (name == L"Ease Out") return 1.0 - (1.0 - t) * (1.0 - t);
  if (name == L"Ease In Out") return t * t * (3.0 - 2.0 * t);
  return t;
}

std::optional<TransformValues> evaluateTransformKeyframes(const Object& object, std::int32_t frame) {
  return evaluateTrack(object.transformAnimation.keyframes, frame);
}
std::optional<CameraSettings> evaluateCameraKeyframes(const Object& object, std::int32_t frame) {
  return evaluateTrack(object.cameraAnimation.keyframes, frame);
}
std::optional<LightSettings> evaluateLightKeyframes(const Object& object, std::int32_t frame) {
  return evaluateTrack(object.lightAnimation.keyframes, frame);
}

LightSettings lerpLightKey(const LightSettings& a, const LightSettings& b, double t) {
  t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
  LightSettings out;
  out.intensity = lerp(a.intensity, b.intensity, t);
  out.range = lerp(a.range, b.range, t);
  out.spotAngle = lerp(a.spotAngle, b.spotAngle, t);
  out.areaSize = lerp(a.areaSize, b.areaSize, t);
  auto channel = [t](std::int32_t x, std::int32_t y) {
    const double v = std::round(lerp(static_cast<double>(x), static_cast<double>(y), t));
    return static_cast<std::int32_t>(std::clamp(v, 0.0, 255.0));
  };
  out.r = channel(a.r, b.r);
  out.g = channel(a.g, b.g);
  out.b = channel(a.b, b.b);
  auto pick = [](const std::wstring& x, const std::wstring& y) { return x.empty() ? y : x; };
  out.type = pick(a.type, b.type);
  out.capsuleId = pick(a.capsuleId, b.capsuleId);
  out.capsuleLabel = pick(a.capsuleLabel, b.capsuleLabel);
  out.capsuleNote = pick(a.capsuleNote, b.capsuleNote);
  return sanitizeLightSettings(out);
}

int findTransformKeyAtFrame(const Object& o, std::int32_t frame) { return keyAtFrame(o.transformAnimation, frame); }
int findCameraKeyAtFrame(const Object& o, std::int32_t frame) { return keyAtFrame(o.cameraAnimation, frame); }
int findTransformKeyById(const Object& o, const std::wstring& id) { return keyById(o.transformAnimation, id); }

int trackKeyCount(const Object& object, int track) {
  return withTrack(object, track, [](const auto& t) { return static_cast<int>(t.keyframes.size()); }, 0);
}

std::int32_t keyframeFrameAt(const Object& object, int track, int index) {
  return withTrack(object, track, [index](const auto& t) {
    if (index < 0 || static_cast<std::size_t>(index) >= t.keyframes.size()) return currentFrame();
    return t.keyframes[static_cast<std::size_t>(index)].frame;
  }, currentFrame());
}

std::wstring keyframeIdAt(const Object& object, int track, int index) {
  return withTrack(object, track, [index](const auto& t) {
    if (index < 0 || static_cast<std::size_t>(index) >= t.keyframes.size()) return std::wstring();
    return t.keyframes[static_cast<std::size_t>(index)].id;
  }, std::wstring());
}

int resolveKeyframeIndex(const Object& object, int track) {
  return withTrack(object, track, [](const auto& t) {
    const int atFrame = keyAtFrame(t, currentFrame());
    if (atFrame >= 0) return atFrame;
    const int selected = keyById(t, t.selectedKeyId);
    if (selected >= 0) return selected;
    return t.keyframes.empty() ? -1 : 0;
  }, -1);
}

bool keyFrameOccupied(const Object& object, int track, std::int32_t frame, int excluded) {
  return withTrack(object, track, [frame, excluded](const auto& t) {
    for (std::size_t i = 0; i < t.keyframes.size(); ++i)
      if (static_cast<int>(i) != excluded && t.keyframes[i].frame == frame) return true;
    return false;
  }, false);
}

int preferredKeyChannel(const Object* object) {
  if (!object) return kTrackNone;
  const int kindTrack = object->kind == ObjectKind::Camera  ? kTrackCamera
                        : object->kind == ObjectKind::Light ? kTrackLight
                                                            : kTrackNone;
  const std::int32_t frame = currentFrame();
  // At each level the camera or light track comes before the transform track.
  const int order[2] = {kindTrack, kTrackTransform};
  for (int track : order)
    if (withTrack(*object, track, [frame](const auto& t) { return keyAtFrame(t, frame) >= 0; }, false)) return track;
  for (int track : order)
    if (withTrack(*object, track, [](const auto& t) { return keyById(t, t.selectedKeyId) >= 0; }, false)) return track;
  for (int track : order)
    if (trackKeyCount(*object, track) > 0) return track;
  return kTrackNone;
}

std::wstring keyTrackName(int track) {
  switch (track) {
    case kTrackTransform: return L"Transform";
    case kTrackCamera: return L"Camera";
    case kTrackLight: return L"Light";
    default: return L"None";
  }
}

}  // namespace vk
