// The command rows of the timeline: frame navigation and settings, the key
// commands of the three tracks and the key inspector. The field-reading
// commands read their edit boxes here and hand the values down.
#include "animation/animation.h"
#include "model/app_state.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

void addTimelineCommands(const std::function<void(int, std::function<void()>)>& add) {
  add(kCmdTimelineGoToStart, [] { setTimelineFrame(appState().project.scene.timelineSettings.frameStart, L"Timeline jumped to start"); });
  add(kCmdTimelinePreviousFrame, [] { stepTimelineFrame(-1); });
  add(kCmdTimelineNextFrame, [] { stepTimelineFrame(+1); });
  add(kCmdTimelineGoToEnd, [] { setTimelineFrame(appState().project.scene.timelineSettings.frameEnd, L"Timeline jumped to end"); });
  add(kCmdApplyTimelineFields, [] {
    const TimelineBridge& t = appState().project.scene.timelineSettings;
    HWND const* edits = appState().ui.timelineEdits;
    applyTimelineFields(getIntFromWindow(edits[0], t.currentFrame), getIntFromWindow(edits[1], t.frameStart),
                        getIntFromWindow(edits[2], t.frameEnd), getDoubleFromWindow(edits[3], t.fps));
  });
  add(kCmdResetTimelineRange, resetTimelineRange);
  add(kCmdToggleLoopPlayback, toggleTimelineLoop);
  add(kCmdToggleTimelinePanel, toggleTimelinePanel);
  add(kCmdFocusTimelineOnSelection, focusTimelineOnSelection);

  add(kCmdSetTransformKey, setOrUpdateTransformKeyframe);
  add(kCmdDeleteTransformKey, deleteTransformKeyframe);
  add(kCmdPreviousTransformKey, [] { gotoTransformKey(false); });
  add(kCmdNextTransformKey, [] { gotoTransformKey(true); });
  add(kCmdApplyTransformKeys, applyTransformKeys);
  add(kCmdClearTransformKeys, clearObjectTransformKeyframes);
  add(kCmdSetCameraKey, setOrUpdateCameraKeyframe);
  add(kCmdDeleteCameraKey, deleteCameraKeyframe);
  add(kCmdPreviousCameraKey, [] { gotoCameraKey(false); });
  add(kCmdNextCameraKey, [] { gotoCameraKey(true); });
  add(kCmdApplyCameraKeys, applyCameraKeys);
  add(kCmdClearCameraKeys, clearCameraKeyframes);
  add(kCmdSetLightKey, setOrUpdateLightKeyframe);
  add(kCmdDeleteLightKey, deleteLightKeyframe);
  add(kCmdPreviousLightKey, [] { gotoLightKey(false); });
  add(kCmdNextLightKey, [] { gotoLightKey(true); });
  add(kCmdApplyLightKeys, applyLightKeys);
  add(kCmdClearLightKeys, clearLightKeyframes);

  add(kCmdSelectCurrentFrameKey, selectCurrentInspectorKey);
  add(kCmdApplyKeyInspectorFields, [] {
    const UiHandles& ui = appState().ui;
    applyKeyframeInspectorMetadata(getIntFromWindow(ui.keyFrameEdit, inspectedKeyFrame()),
                                   getTextFromWindow(ui.curveEdit), getTextFromWindow(ui.noteEdit));
  });
  add(kCmdCaptureKeyValues, captureKeyValues);
  add(kCmdApplyKeyToObject, applyKeyToObject);
  add(kCmdDeleteInspectorKey, deleteInspectorKeyframe);
  add(kCmdSelectPreviousInspectorKey, [] { selectAdjacentInspectorKey(false); });
  add(kCmdSelectNextInspectorKey, [] { selectAdjacentInspectorKey(true); });
  static const std::pair<int, const wchar_t*> kCurves[] = {{kCmdKeyInterpolationLinear, L"Linear"},
                                                           {kCmdKeyInterpolationHold, L"Hold"},
                                                           {kCmdKeyInterpolationEaseIn, L"Ease In"},
                                                           {kCmdKeyInterpolationEaseOut, L"Ease Out"},
                                                           {kCmdKeyInterpolationEaseInOut, L"Ease In Out"}};
  // An init-capture: clang 14 cannot capture a structured binding by name.
  for (const auto& [id, curve] : kCurves) add(id, [curve = curve] { setInspectorSelectedKeyInterpolation(curve); });
}

void installTimelineShortcuts() {
  TimelineShortcuts& keys = timelineShortcuts();
  // Home and End take the range as stored when the key is pressed.
  keys.jumpToStart = [] {
    setTimelineFrame(appState().project.scene.timelineSettings.frameStart, L"Timeline jumped to start");
  };
  keys.jumpToEnd = [] { setTimelineFrame(appState().project.scene.timelineSettings.frameEnd, L"Timeline jumped to end"); };
  keys.stepFrame = stepTimelineFrame;
  keys.keyTransform = setOrUpdateTransformKeyframe;
  keys.keyCamera = setOrUpdateCameraKeyframe;
  keys.keyLight = setOrUpdateLightKeyframe;
  keys.gotoTransformKey = [](bool next) { gotoTransformKey(next); };
}

}  // namespace vk
