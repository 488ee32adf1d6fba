// The scene's timeline settings: the one committing writer, frame
// navigation, the loop, panel and focus toggles, and the status texts.
#include <algorithm>
#include <cmath>

#include "animation/animation_internal.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "persistence/workspace_settings.h"
#include "model/services.h"

namespace vk {

namespace anim {

void repaintViewport() {
  if (HWND viewport = appState().ui.viewport) InvalidateRect(viewport, nullptr, FALSE);
}

void repaintMainWindow() {
  if (HWND main = appState().ui.mainWindow) InvalidateRect(main, nullptr, FALSE);
}

void repaintTimelineArea() {
  const UiHandles& ui = appState().ui;
  if (!ui.mainWindow) return;
  InvalidateRect(ui.mainWindow, &ui.timelineRect, FALSE);
  // The one-line frame strip the chrome paints along the viewport area's foot.
  const RECT& area = ui.viewportAreaRect;
  const RECT strip{area.left + 10, area.bottom - 32, area.right - 10, area.bottom - 7};
  InvalidateRect(ui.mainWindow, &strip, FALSE);
}

void setControlText(HWND control, const std::wstring& text) {
  if (!control) return;
  const int length = GetWindowTextLengthW(control);
  if (length == static_cast<int>(text.size())) {
    std::wstring current(static_cast<std::size_t>(length) + 1, L'\0');
    current.resize(static_cast<std::size_t>(std::max(GetWindowTextW(control, current.data(), length + 1), 0)));
    if (current == text) return;
  }
  SetWindowTextW(control, text.c_str());
}

void setFrameField(std::int32_t frame) { setControlText(appState().ui.timelineEdits[0], std::to_wstring(frame)); }

void relayout() { relayoutMainWindow(); }

void relayoutIfKeyedChanged(bool keyedBefore) {
  if ((preferredKeyChannel(selectedObject()) != kTrackNone) != keyedBefore) relayout();
}

}  // namespace anim

using namespace anim;

namespace {

bool sameSettings(const TimelineBridge& a, const TimelineBridge& b) {
  return a.frameStart == b.frameStart && a.frameEnd == b.frameEnd && a.currentFrame == b.currentFrame &&
         a.loopPlayback == b.loopPlayback && a.showTimelinePanel == b.showTimelinePanel &&
         a.focusObjectId == b.focusObjectId && a.bridgeMode == b.bridgeMode && std::fabs(a.fps - b.fps) < 0.0001;
}

std::int32_t clampFrame(std::int32_t frame, const TimelineBridge& t) {
  return std::clamp(frame, t.frameStart, t.frameEnd);
}

}  // namespace

void commitTimelineSettings(const TimelineBridge& settings, const std::wstring& message) {
  TimelineBridge next = settings;
  sanitizeTimelineState(next);
  const TimelineBridge stored = sanitizedTimeline();
  if (sameSettings(next, stored)) {
    setStatusText(L"●  Timeline unchanged");
    refreshTimeline();
    return;
  }
  EditTransaction edit;
  appState().project.scene.timelineSettings = next;
  edit.commitDirty();
  setStatusText(message);
  if (next.showTimelinePanel != stored.showTimelinePanel) relayout();
  refreshOutliner();
  refreshInspector();
  refreshStatusBar();
  repaintViewport();
  repaintMainWindow();
}

void setTimelineFrame(std::int32_t frame, const std::wstring& label) {
  TimelineBridge t = sanitizedTimeline();
  t.currentFrame = clampFrame(frame, t);
  commitTimelineSettings(t, L"●  " + label + L": frame " + std::to_wstring(t.currentFrame));
}

void stepTimelineFrame(int step) {
  TimelineBridge t = sanitizedTimeline();
  std::int64_t f = static_cast<std::int64_t>(t.currentFrame) + step;
  if (t.loopPlayback) {
    if (f > t.frameEnd) f = t.frameStart;
    else if (f < t.frameStart) f = t.frameEnd;
  }
  t.currentFrame = static_cast<std::int32_t>(std::clamp<std::int64_t>(f, t.frameStart, t.frameEnd));
  commitTimelineSettings(t, L"●  Timeline stepped to frame " + std::to_wstring(t.currentFrame));
}

void toggleTimelineLoop() {
  TimelineBridge t = sanitizedTimeline();
  t.loopPlayback = !t.loopPlayback;
  commitTimelineSettings(t, std::wstring(L"●  Timeline loop ") + (t.loopPlayback ? L"enabled" : L"disabled"));
}

void toggleTimelinePanel() {
  TimelineBridge t = sanitizedTimeline();
  t.showTimelinePanel = !t.showTimelinePanel;
  commitTimelineSettings(t, std::wstring(L"●  Timeline panel ") + (t.showTimelinePanel ? L"shown" : L"hidden"));
  saveWorkspaceIni();
}

void focusTimelineOnSelection() {
  TimelineBridge t = sanitizedTimeline();
  const Object* object = selectedObject();
  t.focusObjectId = object ? object->id : std::wstring();
  commitTimelineSettings(t, object ? L"●  Timeline focus set to selected object" : L"●  Timeline focus cleared to scene");
}

void applyTimelineFields(std::int32_t frame, std::int32_t start, std::int32_t end, double fps) {
  TimelineBridge t = appState().project.scene.timelineSettings;
  t.currentFrame = frame;
  t.frameStart = start;
  t.frameEnd = end;
  t.fps = fps;
  sanitizeTimelineState(t);
  commitTimelineSettings(t, L"●  Timeline bridge settings applied");
}

void resetTimelineRange() {
  TimelineBridge t = appState().project.scene.timelineSettings;
  t.frameStart = 1;
  t.frameEnd = 120;
  t.currentFrame = 1;
  t.fps = 24.0;
  sanitizeTimelineState(t);
  commitTimelineSettings(t, L"●  Timeline bridge reset to 1-120 @ 24 fps");
}

std::wstring timelineFocusLabel() {
  const Scene& scene = appState().project.scene;
  const std::wstring& id = scene.timelineSettings.focusObjectId;
  const Object* focus = id.empty() ? nullptr : findObjectById(scene, id);
  return focus ? shownText(focus->name) : L"Scene";
}

std::wstring timelineStatusText(const TimelineBridge& t) {
  const std::int64_t frames = std::max<std::int64_t>(static_cast<std::int64_t>(t.frameEnd) - t.frameStart + 1, 1);
  const double elapsed =
      static_cast<double>(std::max<std::int64_t>(static_cast<std::int64_t>(t.currentFrame) - t.frameStart, 0)) /
      std::max(t.fps, 1.0);
  return L"Frame " + std::to_wstring(t.currentFrame) + L" / " + std::to_wstring(t.frameEnd) + L"  Range " +
         std::to_wstring(t.frameStart) + L"-" + std::to_wstring(t.frameEnd) + L"  " + fixedDecimals(t.fps, 2) + L" fps  " +
         std::to_wstring(frames) + L" frames  " + fixedDecimals(elapsed, 2) + L"s  Loop " + (t.loopPlayback ? L"on" : L"off");
}

std::wstring timelineStatusText() { return timelineStatusText(sanitizedTimeline()); }

}  // namespace vk
