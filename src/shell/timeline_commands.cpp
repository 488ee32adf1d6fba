// The command rows of the timeline: frame navigation and settings, the key
// commands of the three tracks and the key inspector. The field-reading
// commands read their edit boxes here and hand the values down.
#include "animation/animation.h"
#include "model/app_state.h"
#include "shell/commands.h"
#include "shell/shell.h"

namespace vk {

void addTimelineCommands(const std::function<void(int, std::function<void()>)>& add) {
  add(1540, [] { setTimelineFrame(appState().project.scene.timelineSettings.frameStart, L"Timeline jumped to start"); });
  add(1541, [] { stepTimelineFrame(-1); });
  add(1542, [] { stepTimelineFrame(+1); });
  add(1543, [] { setTimelineFrame(appState().project.scene.timelineSettings.frameEnd, L"Timeline jumped to end"); });
  add(1544, [] {
    const TimelineBridge& t = appState().project.scene.timelineSettings;
    HWND const* edits = appState().ui.timelineEdits;
    applyTimelineFields(getIntFromWindow(edits[0], t.currentFrame), getIntFromWindow(edits[1], t.frameStart),
                        getIntFromWindow(edits[2], t.frameEnd), getDoubleFromWindow(edits[3], t.fps));
  });
  add(1545, resetTimelineRange);
  add(1546, toggleTimelineLoop);
  add(1547, toggleTimelinePanel);
  add(1548, focusTimelineOnSelection);

  add(1550, setOrUpdateTransformKeyframe);
  add(1551, deleteTransformKeyframe);
  add(1552, [] { gotoTransformKey(false); });
  add(1553, [] { gotoTransformKey(true); });
  add(1554, applyTransformKeys);
  add(1555, clearObjectTransformKeyframes);
  add(1560, setOrUpdateCameraKeyframe);
  add(1561, deleteCameraKeyframe);
  add(1562, [] { gotoCameraKey(false); });
  add(1563, [] { gotoCameraKey(true); });
  add(1564, applyCameraKeys);
  add(1565, clearCameraKeyframes);
  add(1566, setOrUpdateLightKeyframe);
  add(1567, deleteLightKeyframe);
  add(1568, [] { gotoLightKey(false); });
  add(1569, [] { gotoLightKey(true); });
  add(1570, applyLightKeys);
  add(1571, clearLightKeyframes);

  add(1572, selectCurrentInspectorKey);
  add(1573, [] {
    const UiHandles& ui = appState().ui;
    applyKeyframeInspectorMetadata(getIntFromWindow(ui.keyFrameEdit, inspectedKeyFrame()),
                                   getTextFromWindow(ui.curveEdit), getTextFromWindow(ui.noteEdit));
  });
  add(1574, captureKeyValues);
  add(1575, applyKeyToObject);
  add(1576, deleteInspectorKeyframe);
  add(1577, [] { selectAdjacentInspectorKey(false); });
  add(1578, [] { selectAdjacentInspectorKey(true); });
  static const wchar_t* const kCurves[5] = {L"Linear", L"Hold", L"Ease In", L"Ease Out", L"Ease In Out"};
  for (int i = 0; i < 5; ++i) add(1579 + i, [i] { setInspectorSelectedKeyInterpolation(kCurves[i]); });
}

void installTimelineShortcuts() {
  // The viewport's shortcut table arrives with its keyboard work; until then
  // the keys reach the timeline through the command rows above.
}

}  // namespace vk
