// The command rows of the timeline: frame navigation and settings, the key
// commands of the three tracks and the key inspector. The field-reading
// commands read their edit boxes here and hand the values down.
#include "animation/animation.h"
#include "model/app_state.h"
#include "model/services.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

// Home and End take the range as stored when the key is pressed.
void jumpToRangeStart() {
  setTimelineFrame(appState().project.scene.timelineSettings.frameStart, L"Timeline jumped to start");
}

void jumpToRangeEnd() {
  setTimelineFrame(appState().project.scene.timelineSettings.frameEnd, L"Timeline jumped to end");
}

void applyTimelineEdits() {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  HWND const* edits = appState().ui.timelineEdits;
  applyTimelineFields(getIntFromWindow(edits[0], t.currentFrame), getIntFromWindow(edits[1], t.frameStart),
                      getIntFromWindow(edits[2], t.frameEnd), getDoubleFromWindow(edits[3], t.fps));
}

void applyKeyInspectorEdits() {
  const UiHandles& ui = appState().ui;
  applyKeyframeInspectorMetadata(getIntFromWindow(ui.keyFrameEdit, inspectedKeyFrame()),
                                 getTextFromWindow(ui.curveEdit), getTextFromWindow(ui.noteEdit));
}

constexpr CommandRow kRows[] = {
    // Timeline
    {.id = kCmdTimelineGoToStart, .menu = L"Go to Start", .shortcut = L"Home", .button = L"|<",
     .group = ButtonGroup::timeline, .tip = L"Timeline: jump to the saved start frame. Shortcut: Home in the viewport.",
     .glyph = Glyph::cube, .run = jumpToRangeStart},
    {.id = kCmdTimelinePreviousFrame, .menu = L"Previous Frame", .shortcut = L"Left", .button = L"<",
     .group = ButtonGroup::timeline, .tip = L"Timeline: step back one frame.", .glyph = Glyph::cube,
     .run = [] { stepTimelineFrame(-1); }},
    {.id = kCmdTimelineNextFrame, .menu = L"Next Frame", .shortcut = L"Right", .button = L">",
     .group = ButtonGroup::timeline, .tip = L"Timeline: step forward one frame.", .glyph = Glyph::cube,
     .run = [] { stepTimelineFrame(+1); }},
    {.id = kCmdTimelineGoToEnd, .menu = L"Go to End", .shortcut = L"End", .button = L">|",
     .group = ButtonGroup::timeline, .tip = L"Timeline: jump to the saved end frame.", .glyph = Glyph::cube,
     .run = jumpToRangeEnd},
    {.id = kCmdApplyTimelineFields, .menu = L"Apply Timeline Fields", .button = L"Apply",
     .group = ButtonGroup::timeline, .tip = L"Timeline: apply the frame, range, and rate fields.", .glyph = Glyph::cube,
     .run = applyTimelineEdits},
    {.id = kCmdFocusTimelineOnSelection, .menu = L"Focus Timeline on Selected Object", .button = L"Focus Selected",
     .group = ButtonGroup::timeline, .tip = L"Timeline: focus the track on the selected object's keys.",
     .glyph = Glyph::cube, .run = focusTimelineOnSelection},
    {.id = kCmdResetTimelineRange, .menu = L"Reset Range: 1-120 @ 24 fps", .run = resetTimelineRange},
    {.id = kCmdToggleLoopPlayback, .menu = L"Loop Playback", .run = toggleTimelineLoop,
     .checked = [] { return appState().project.scene.timelineSettings.loopPlayback; }, .stateOn = L"On",
     .stateOff = L"Off"},
    {.id = kCmdToggleTimelinePanel, .menu = L"Timeline Panel", .run = toggleTimelinePanel,
     .checked = [] { return appState().project.scene.timelineSettings.showTimelinePanel; },
     .menuChecked = L"Hide Timeline / Curves", .menuUnchecked = L"Show Timeline / Curves", .stateOn = L"Shown",
     .stateOff = L"Hidden"},
    // Keyframes
    {.id = kCmdSetTransformKey, .menu = L"Set / Update Transform Key", .shortcut = L"K", .button = L"Key +",
     .group = ButtonGroup::timeline,
     .tip = L"Phase 52: add or update the selected object's transform keyframe at the current frame. Shortcut: K.",
     .glyph = Glyph::cube, .run = setOrUpdateTransformKeyframe},
    {.id = kCmdDeleteTransformKey, .menu = L"Delete Transform Key at Frame", .button = L"Key -",
     .group = ButtonGroup::timeline, .tip = L"Remove the selected object's transform keyframe at the current frame.",
     .glyph = Glyph::cube, .run = deleteTransformKeyframe},
    {.id = kCmdPreviousTransformKey, .menu = L"Previous Transform Key", .shortcut = L",", .button = L"Prev Key",
     .group = ButtonGroup::timeline, .tip = L"Jump to the selected object's previous keyframe.", .glyph = Glyph::cube,
     .run = [] { gotoTransformKey(false); }},
    {.id = kCmdNextTransformKey, .menu = L"Next Transform Key", .shortcut = L".", .button = L"Next Key",
     .group = ButtonGroup::timeline, .tip = L"Jump to the selected object's next keyframe.", .glyph = Glyph::cube,
     .run = [] { gotoTransformKey(true); }},
    {.id = kCmdApplyTransformKeys, .menu = L"Apply Keyed Transform at Frame", .button = L"Apply Key",
     .group = ButtonGroup::timeline, .tip = L"Apply the selected object's keyed transform at the current frame.",
     .glyph = Glyph::cube, .run = applyTransformKeys},
    {.id = kCmdSetCameraKey, .menu = L"Set / Update Camera Key", .shortcut = L"Shift+C", .button = L"Cam Key +",
     .group = ButtonGroup::timeline,
     .tip = L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C in "
     L"viewport.", .glyph = Glyph::cube, .run = setOrUpdateCameraKeyframe},
    {.id = kCmdDeleteCameraKey, .menu = L"Delete Camera Key at Frame", .button = L"Cam Key -",
     .group = ButtonGroup::timeline, .tip = L"Remove the selected camera's settings key at the current frame.",
     .glyph = Glyph::cube, .run = deleteCameraKeyframe},
    {.id = kCmdApplyCameraKeys, .menu = L"Apply Keyed Camera Settings", .button = L"Apply Cam",
     .group = ButtonGroup::timeline, .tip = L"Apply the selected camera's keyed settings at the current frame.",
     .glyph = Glyph::cube, .run = applyCameraKeys},
    {.id = kCmdSetLightKey, .menu = L"Set / Update Light Key", .shortcut = L"Shift+L", .button = L"Light Key +",
     .group = ButtonGroup::timeline, .tip = L"Add or update the selected light's settings key at the current frame.",
     .glyph = Glyph::cube, .run = setOrUpdateLightKeyframe},
    {.id = kCmdDeleteLightKey, .menu = L"Delete Light Key at Frame", .button = L"Light Key -",
     .group = ButtonGroup::timeline, .tip = L"Remove the selected light's settings key at the current frame.",
     .glyph = Glyph::cube, .run = deleteLightKeyframe},
    {.id = kCmdApplyLightKeys, .menu = L"Apply Keyed Light Settings", .button = L"Apply Light",
     .group = ButtonGroup::timeline, .tip = L"Apply the selected light's keyed settings at the current frame.",
     .glyph = Glyph::cube, .run = applyLightKeys},
    {.id = kCmdSelectCurrentFrameKey, .menu = L"Select Current Frame Key", .button = L"Select Cur",
     .group = ButtonGroup::keyInspector, .tip = L"Keyframe Inspector: select the keyframe at the current frame.",
     .glyph = Glyph::cube, .run = selectCurrentInspectorKey},
    {.id = kCmdSelectPreviousInspectorKey, .menu = L"Select Previous Inspector Key", .button = L"Prev",
     .group = ButtonGroup::keyInspector, .tip = L"Keyframe Inspector: select the previous keyframe.",
     .glyph = Glyph::cube, .run = [] { selectAdjacentInspectorKey(false); }},
    {.id = kCmdSelectNextInspectorKey, .menu = L"Select Next Inspector Key", .button = L"Next",
     .group = ButtonGroup::keyInspector, .tip = L"Keyframe Inspector: select the next keyframe.", .glyph = Glyph::cube,
     .run = [] { selectAdjacentInspectorKey(true); }},
    {.id = kCmdApplyKeyInspectorFields, .menu = L"Apply Inspector Frame / Interp / Note", .button = L"Apply Meta",
     .group = ButtonGroup::keyInspector,
     .tip = L"Keyframe Inspector: apply frame/curve/note edits to the selected keyframe. Duplicate frames are refused.",
     .glyph = Glyph::cube, .run = applyKeyInspectorEdits},
    {.id = kCmdCaptureKeyValues, .menu = L"Capture Object Values to Key", .button = L"Capture Obj",
     .group = ButtonGroup::keyInspector,
     .tip = L"Keyframe Inspector: capture the selected object's current transform into the selected keyframe.",
     .glyph = Glyph::cube, .run = captureKeyValues},
    {.id = kCmdApplyKeyToObject, .menu = L"Apply Selected Key to Object", .button = L"Apply Key",
     .group = ButtonGroup::keyInspector,
     .tip = L"Keyframe Inspector: apply the selected keyframe's values to its object.", .glyph = Glyph::cube,
     .run = applyKeyToObject},
    {.id = kCmdDeleteInspectorKey, .menu = L"Delete Selected Inspector Key", .button = L"Delete Key",
     .group = ButtonGroup::keyInspector, .tip = L"Keyframe Inspector: delete the selected keyframe.",
     .glyph = Glyph::cube, .run = deleteInspectorKeyframe},
    {.id = kCmdClearTransformKeys, .menu = L"Clear Selected Object Transform Keys",
     .run = clearObjectTransformKeyframes},
    {.id = kCmdPreviousCameraKey, .menu = L"Previous Camera Key", .run = [] { gotoCameraKey(false); }},
    {.id = kCmdNextCameraKey, .menu = L"Next Camera Key", .run = [] { gotoCameraKey(true); }},
    {.id = kCmdClearCameraKeys, .menu = L"Clear Selected Camera Keys", .run = clearCameraKeyframes},
    {.id = kCmdPreviousLightKey, .menu = L"Previous Light Key", .run = [] { gotoLightKey(false); }},
    {.id = kCmdNextLightKey, .menu = L"Next Light Key", .run = [] { gotoLightKey(true); }},
    {.id = kCmdClearLightKeys, .menu = L"Clear Selected Light Keys", .run = clearLightKeyframes},
    {.id = kCmdKeyInterpolationLinear, .menu = L"Set Selected Key: Linear",
     .run = [] { setInspectorSelectedKeyInterpolation(L"Linear"); }},
    {.id = kCmdKeyInterpolationHold, .menu = L"Set Selected Key: Hold",
     .run = [] { setInspectorSelectedKeyInterpolation(L"Hold"); }},
    {.id = kCmdKeyInterpolationEaseIn, .menu = L"Set Selected Key: Ease In",
     .run = [] { setInspectorSelectedKeyInterpolation(L"Ease In"); }},
    {.id = kCmdKeyInterpolationEaseOut, .menu = L"Set Selected Key: Ease Out",
     .run = [] { setInspectorSelectedKeyInterpolation(L"Ease Out"); }},
    {.id = kCmdKeyInterpolationEaseInOut, .menu = L"Set Selected Key: Ease In Out",
     .run = [] { setInspectorSelectedKeyInterpolation(L"Ease In Out"); }},
};

}  // namespace

std::span<const CommandRow> timelineCommandRows() { return kRows; }

void addTimelineShortcuts(ServiceHooks& keys) {
  keys.jumpToStart = jumpToRangeStart;
  keys.jumpToEnd = jumpToRangeEnd;
  keys.stepFrame = stepTimelineFrame;
  keys.keyTransform = setOrUpdateTransformKeyframe;
  keys.keyCamera = setOrUpdateCameraKeyframe;
  keys.keyLight = setOrUpdateLightKeyframe;
  keys.gotoTransformKey = [](bool next) { gotoTransformKey(next); };
}

}  // namespace vk
