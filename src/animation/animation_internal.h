// Shared by the animation sources: one way to reach a track by number, the
// per-track id maker and sanitizer, and the window and refresh calls the
// commands share.
#pragma once

#include <algorithm>
#include <string>
#include <utility>

#include "animation/animation.h"
#include "model/text_utils.h"
#include "model/types.h"

namespace vk::anim {

// Calls f(track) with the object's track of that number; `fallback` for
// any other number.
template <class ObjectRef, class F, class R>
R withTrack(ObjectRef& object, int track, F&& f, R fallback) {
  switch (track) {
    case kTrackTransform: return f(object.transformAnimation);
    case kTrackCamera: return f(object.cameraAnimation);
    case kTrackLight: return f(object.lightAnimation);
    default: return fallback;
  }
}

// Whether the track number belongs to the object's kind: camera keys only on
// cameras, light keys only on lights, transform keys on every kind.
bool trackFitsKind(const Object& object, int track);
std::wstring makeKeyId(int track, std::int32_t frame);
// The frame a key can hold: the track repair clamps every key into this
// range, and two keys clamped onto one frame become one.
inline std::int32_t clampToKeyRange(std::int32_t frame) {
  return std::clamp(frame, -kKeyFrameLimit, kKeyFrameLimit);
}
// A command asked to put a key on a frame outside that range writes the
// range refusal and returns true: clamping would land the key on a frame
// nobody asked for, on top of whatever key already sits at the edge.
bool refuseOutsideKeyRange(std::int32_t frame);
void sanitizeKeyTrack(Object& object, int track);
// After the sanitizer: the track's selected key becomes the one on `frame`.
void selectKeyOnFrame(Object& object, int track, std::int32_t frame);

// Copying values between an object and a key, each through its clamp; camera
// and light writes end with the object's camera and light repair.
void captureObjectValues(TransformKeyframe& key, const Object& object);
void captureObjectValues(CameraKeyframe& key, const Object& object);
void captureObjectValues(LightKeyframe& key, const Object& object);
void writeObjectValues(Object& object, const TransformValues& values);
void writeObjectValues(Object& object, const CameraSettings& values);
void writeObjectValues(Object& object, const LightSettings& values);
TransformValues keyValues(const TransformKeyframe& key);
inline const CameraSettings& keyValues(const CameraKeyframe& key) { return key.settings; }
inline const LightSettings& keyValues(const LightKeyframe& key) { return key.settings; }

// The selected object of the open project, or null.
Object* selectedObject();
// The scene's timeline settings, sanitized, as a copy.
TimelineBridge sanitizedTimeline();

// Window side effects; each skips a missing window.
void repaintViewport();
void repaintMainWindow();
// The panel and the frame strip under the viewport, without erase.
void repaintTimelineArea();
void setFrameField(std::int32_t frame);
// Writes a control's text only when it differs: every write repaints it.
void setControlText(HWND control, const std::wstring& text);
void relayout();
// Lays the window out again when the object's key fields would appear or go.
void relayoutIfKeyedChanged(bool keyedBefore);

}  // namespace vk::anim
