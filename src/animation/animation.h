// Keyframes and the timeline: evaluating the three key tracks of an object,
// the key commands, the key inspector, the timeline settings with their
// frame navigation, and the timeline panel the main window paints and feeds
// with mouse input. Every command writes one status message and is one undo
// entry when it changes the document; refreshes only read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/types.h"
#include "platform/win32.h"

namespace vk {

// ---- Tracks, evaluation and lookups ---------------------------------------

// Track numbers; any other number behaves as no track.
inline constexpr int kTrackNone = 0;
inline constexpr int kTrackTransform = 1;
inline constexpr int kTrackCamera = 2;
inline constexpr int kTrackLight = 3;

// Position x, y, z, rotation x, y, z, scale x, y, z.
using TransformValues = std::array<double, 9>;

// The eased fraction: t outside the finite range below 1e6 counts as 0,
// otherwise it is clamped to [0, 1]; the curve name is canonicalised first.
double evaluateEasing(const std::wstring& interpolation, double t);
// Empty when the track has no keys. A segment takes the earlier key's curve.
std::optional<TransformValues> evaluateTransformKeyframes(const Object& object, std::int32_t frame);
std::optional<CameraSettings> evaluateCameraKeyframes(const Object& object, std::int32_t frame);
std::optional<LightSettings> evaluateLightKeyframes(const Object& object, std::int32_t frame);
LightSettings lerpLightKey(const LightSettings& a, const LightSettings& b, double t);

// Index of the first key on the frame, or -1.
int findTransformKeyAtFrame(const Object& object, std::int32_t frame);
int findCameraKeyAtFrame(const Object& object, std::int32_t frame);
// Index of the first key with exactly this id; an empty id finds nothing.
int findTransformKeyById(const Object& object, const std::wstring& id);

// Keys of a track (0 for an unknown track number).
int trackKeyCount(const Object& object, int track);
// The key's frame, or the current frame for a bad track or index.
std::int32_t keyframeFrameAt(const Object& object, int track, int index);
// The key's id, or the empty text for a bad track or index.
std::wstring keyframeIdAt(const Object& object, int track, int index);
// The key at the current frame, else the track's selected key, else the
// first key; -1 for an empty or unknown track.
int resolveKeyframeIndex(const Object& object, int track);
// Another key of the track (not the one at `excluded`, -1 for none) sits on the frame.
bool keyFrameOccupied(const Object& object, int track, std::int32_t frame, int excluded);
// The track the studio shows for the object: 1, 2, 3, or 0 for none.
int preferredKeyChannel(const Object* object);
// "Transform", "Camera", "Light", else "None".
std::wstring keyTrackName(int track);

// ---- Key commands ----------------------------------------------------------

void setOrUpdateTransformKeyframe();
void setOrUpdateCameraKeyframe();
void setOrUpdateLightKeyframe();
void deleteTransformKeyframe();
void deleteCameraKeyframe();
void deleteLightKeyframe();
void clearObjectTransformKeyframes();
void clearCameraKeyframes();
void clearLightKeyframes();
void applyTransformKeys();
void applyCameraKeys();
void applyLightKeys();
// True when the frame was moved (or was already that key's frame).
bool gotoTransformKey(bool next);
bool gotoCameraKey(bool next);
bool gotoLightKey(bool next);
// The refusal of a frame no key can take: Set Key at such a current frame,
// Apply Meta with such a typed Key Frame.
std::wstring keyFrameRangeRefusal();

// ---- Key inspector ---------------------------------------------------------

void refreshKeyInspector(const Object* object);
std::wstring keyframeInspectorSummary(const Object* object);
std::wstring keyframeInspectorValues(const Object* object);
std::wstring interpolationDescription(const std::wstring& name);
std::wstring transformKeySummary(const Object* object);
std::wstring cameraLightKeySummary(const Object* object);
// The frame of the inspected key of the selected object (the current frame
// when there is none): what an unreadable Key Frame field stands for.
std::int32_t inspectedKeyFrame();

void selectCurrentInspectorKey();
void selectAdjacentInspectorKey(bool next);
// `frame` is the Key Frame field as read (refused outside the key range);
// curve and note are the field texts.
void applyKeyframeInspectorMetadata(std::int32_t frame, const std::wstring& curve, const std::wstring& note);
void captureKeyValues();
void applyKeyToObject();
void deleteInspectorKeyframe();
void setInspectorSelectedKeyInterpolation(const std::wstring& name);

// ---- Timeline settings and frame navigation ---------------------------------

// The one writer of the scene's timeline settings: one undo entry with the
// message, or "●  Timeline unchanged" and nothing else.
void commitTimelineSettings(const TimelineBridge& settings, const std::wstring& message);
void setTimelineFrame(std::int32_t frame, const std::wstring& label);
void stepTimelineFrame(int step);
void toggleTimelineLoop();
void toggleTimelinePanel();
void focusTimelineOnSelection();
// The four timeline fields as read (each falls back to the stored value).
void applyTimelineFields(std::int32_t frame, std::int32_t start, std::int32_t end, double fps);
void resetTimelineRange();
std::wstring timelineFocusLabel();
std::wstring timelineStatusText(const TimelineBridge& settings);
std::wstring timelineStatusText();  // of the stored settings, sanitized

// ---- Timeline panel ----------------------------------------------------------

struct TimelinePick {
  bool found = false;
  int track = kTrackNone;
  std::wstring id;
  std::int32_t frame = 0;
  int row = 0;  // 0 camera or light keys, 1..4 transform keys
};

// The frame axis runs from axis.left (x0) to axis.right (x1).
int mapFrameToTimelineX(const RECT& axis, std::int32_t frame);
int timelineMapXToFrame(const RECT& axis, int x);
// The axis of the laid-out track rectangle.
RECT timelineAxis();
bool timelinePointInRect(POINT point);
TimelinePick timelinePickAt(POINT point);
bool timelineHasKeyAtFrame(const Object& object, int track, std::int32_t frame, const std::wstring& ignoredId);

// The frame ruler's seven marks, left to right: each frame, its x on the
// axis and the box its number is drawn in, a strip across the top of the
// laid-out track rectangle from kTimelineRulerNumbersTop down. The controls
// the shell places above the track end at that strip's top. A box is as wide
// as its number in the 12-pixel font, centred on the tick and moved inside
// the track's sides; a number that would crowd the one shown before it has
// an empty box and is not drawn, and the first and the last are always shown.
inline constexpr int kTimelineRulerNumbersTop = 12;
struct TimelineRulerMark {
  std::int32_t frame = 0;
  int x = 0;
  RECT label{};
};
std::array<TimelineRulerMark, 7> timelineRulerMarks();

void drawTimelineKeyDiamond(HDC dc, int x, int y, COLORREF colour, bool selected);
void drawTimelineTracks(HDC dc);
bool handleTimelineMouseDown(HWND mainWindow, POINT point, bool doubleClick);
bool moveTimelineKey(std::int32_t frame);
void setTimelineFrameFromScrub(std::int32_t frame, const std::wstring& label);
void selectTimelineKey(const TimelinePick& pick);
void refreshTimeline();

}  // namespace vk
