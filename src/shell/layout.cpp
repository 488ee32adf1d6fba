// The adaptive layout of the main window: region rectangles from the client
// size and the workspace state, then every control placed, shown or hidden.
// A control is moved or shown only when that changes something, so running
// the layout twice moves nothing.
//
// Sections:
//   - Placers and text measurement
//   - Placing each region
//   - Region rectangles and the whole layout
//   - Inspector scrolling
#include <algorithm>
#include <optional>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "persistence/workspace_settings.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

// ---- Placers and text measurement -------------------------------------------
namespace {

int clampInt(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

// The rail panel's details label, the lowest of the labels on its card.
constexpr int kRailDetailsTop = 206;
constexpr int kRailDetailsHeight = 58;

// The control's own flag: while the main window is still hidden (the first
// layout runs inside WM_CREATE) every child reads as invisible.
void setVisible(HWND control, bool visible) {
  if (!control) return;
  const bool shown = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != visible) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

void setCaption(HWND control, const std::wstring& text) {
  if (control && getTextFromWindow(control) != text) SetWindowTextW(control, text.c_str());
}

void place(HWND control, int x, int y, int w, int h) {
  setVisible(control, true);
  moveChildWindow(control, x, y, w, h);
}

int width(const RECT& r) { return r.right - r.left; }

// The menu bar and the viewport header's left-to-right run: every button
// decides for itself while x keeps advancing.
struct RowPlacer {
  int x, y, right, height, step;
  void operator()(HWND control, int w) {
    const bool visible = x + w < right - 10;
    setVisible(control, visible);
    if (visible) moveChildWindow(control, x, y, w, height);
    x += w + step;
  }
};

// The toolbar: a button that does not fit stays hidden and takes no room.
// (Hiding here rather than hiding the whole set first keeps a repeated
// layout from flickering the buttons; the end state is the same.)
struct ToolbarPlacer {
  int x, y, h, right;
  void operator()(HWND control, int w) {
    if (x + w > right - 250) {
      setVisible(control, false);
      return;
    }
    place(control, x, y, w, h);
    x += w + 6;
  }
};

// The viewport header's right end: buttons run leftwards from the right edge
// and stop short of the left-hand run.
struct RightToLeftPlacer {
  int x, y, leftCursor;
  void operator()(HWND control, int w) {
    const bool visible = x - w > leftCursor + 6;
    setVisible(control, visible);
    if (!visible) return;
    x -= w;
    moveChildWindow(control, x, y, w, 28);
    x -= 6;
  }
};

// The inspector's clipped vertical flow: a control half outside the band is hidden.
struct ClippedBandPlacer {
  int clipTop, clipBottom;
  void operator()(HWND control, int x, int y, int w, int h, bool wanted) const {
    const bool visible = wanted && y >= clipTop && y + h <= clipBottom;
    setVisible(control, visible);
    if (visible) moveChildWindow(control, x, y, w, h);
  }
};

// The last measurement of each label: the inspector's details run to a few
// thousand characters and are measured on every refresh, mostly unchanged.
// A font handle names one font for its whole life (handles carry a
// generation), so label, font, format, width and text decide the height.
struct WrappedHeightMemo {
  HWND label = nullptr;
  HFONT font = nullptr;
  UINT format = 0;
  int width = 0;
  std::wstring text;
  int height = 0;
};

std::vector<WrappedHeightMemo>& wrappedHeightMemos() {
  static std::vector<WrappedHeightMemo> memos;
  return memos;
}

// What the memo keys on: the label's text, font and DrawText format.
struct WrappedTextInputs {
  std::wstring text;
  HFONT font = nullptr;
  UINT format = 0;
};

WrappedTextInputs wrappedTextInputs(HWND label) {
  WrappedTextInputs in;
  const int length = GetWindowTextLengthW(label);
  in.text.assign(static_cast<std::size_t>(length) + 1, L'\0');
  in.text.resize(static_cast<std::size_t>(std::clamp(GetWindowTextW(label, in.text.data(), length + 1), 0, length)));
  in.font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  in.format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
  if (GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX) in.format |= DT_NOPREFIX;
  return in;
}

// Empty when the label gives no DC.
std::optional<int> measureWrappedText(HWND label, const WrappedTextInputs& in, int width) {
  HDC dc = GetDC(label);
  if (!dc) return std::nullopt;
  HGDIOBJ old = in.font ? SelectObject(dc, in.font) : nullptr;
  RECT r{0, 0, width, 0};
  DrawTextW(dc, in.text.c_str(), static_cast<int>(in.text.size()), &r, in.format);
  if (old) SelectObject(dc, old);
  ReleaseDC(label, dc);
  return std::max<int>(r.bottom - r.top, 0);
}

bool isLabel(HWND control) {
  wchar_t name[8]{};
  const int n = GetClassNameW(control, name, 8);
  const wchar_t* label = L"static";
  for (int i = 0; i < n; ++i)
    if ((name[i] | 0x20) != label[i]) return false;
  return n == 6;
}

// A label with room for one line of its font draws that line alone, ended in
// "..." where the text is longer: a wrapped second line would show cut in
// half above whatever lies below the label.
void fitLabelToItsLines(HWND control, int height) {
  if (!isLabel(control)) return;
  HDC dc = GetDC(control);
  if (!dc) return;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW metrics{};
  const bool measured = GetTextMetricsW(dc, &metrics);
  if (old) SelectObject(dc, old);
  ReleaseDC(control, dc);
  if (!measured) return;
  const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
  const DWORD fitted = height < 2 * metrics.tmHeight ? style | SS_ENDELLIPSIS : style & ~static_cast<DWORD>(SS_ENDELLIPSIS);
  if (fitted != style) SetWindowLongW(control, GWL_STYLE, static_cast<LONG>(fitted));
}

}  // namespace

int wrappedTextHeight(HWND label, int width) {
  if (!label || width <= 0) return 0;
  WrappedTextInputs in = wrappedTextInputs(label);
  std::vector<WrappedHeightMemo>& memos = wrappedHeightMemos();
  auto memo = std::find_if(memos.begin(), memos.end(), [&](const WrappedHeightMemo& m) { return m.label == label; });
  if (memo != memos.end() && memo->font == in.font && memo->format == in.format && memo->width == width &&
      memo->text == in.text)
    return memo->height;
  const std::optional<int> height = measureWrappedText(label, in, width);
  if (!height) return 0;
  if (memo == memos.end()) {
    // A handful of labels at most; the oldest (perhaps a destroyed window) goes first.
    if (memos.size() >= 8) memos.erase(memos.begin());
    memo = memos.insert(memos.end(), WrappedHeightMemo{});
  }
  *memo = {label, in.font, in.format, width, std::move(in.text), *height};
  return *height;
}

// ---- Placing each region ----------------------------------------------------
namespace {

int inspectorContentWidth(const RECT& inspector) { return width(inspector) - 44; }

const Object* selectedObject() {
  const AppState& app = appState();
  return findObjectById(app.project.scene, app.selectedObjectId);
}

void layoutToolbar(int clientW) {
  AppState& app = appState();
  ShellHandles& shell = shellHandles();
  // The buttons of the toolbar set the layout never places: their commands
  // live in menus and shortcuts.
  for (const CommandRow* row : commandRows())
    if (row->flags & kNeverPlaced) setVisible(mainButton(row->id), false);

  ToolbarPlacer toolbar{24, 46, 36, clientW};
  setCaption(shell.contextLabels[0], L"Mode");
  place(shell.contextLabels[0], 24, 54, 44, 20);
  toolbar.x = 74;
  const std::pair<int, const wchar_t*> modes[] = {
      {kCmdObjectMode, L"Object"}, {kCmdEditMeshMode, L"Mesh"}, {kCmdEditCurveMode, L"Curve"}};
  const int modeWidths[] = {88, 78, 82};
  for (int i = 0; i < 3; ++i) {
    setCaption(mainButton(modes[i].first), modes[i].second);
    toolbar(mainButton(modes[i].first), modeWidths[i]);
  }
  toolbar.x += 10;
  setCaption(shell.contextLabels[1], L"Tool");
  place(shell.contextLabels[1], toolbar.x, 54, 38, 20);
  toolbar.x += 44;
  const std::pair<int, const wchar_t*> tools[] = {
      {kCmdToolSelect, L"Select"}, {kCmdToolMove, L"Move"}, {kCmdToolRotate, L"Rotate"}, {kCmdToolScale, L"Scale"}};
  const int toolWidths[] = {84, 80, 84, 80};
  for (int i = 0; i < 4; ++i) {
    setCaption(mainButton(tools[i].first), tools[i].second);
    toolbar(mainButton(tools[i].first), toolWidths[i]);
  }
  toolbar.x += 8;
  std::wstring selection = L"Select: Object";
  if (app.workMode == WorkMode::EditCurve) selection = L"Select: Points";
  else if (app.workMode == WorkMode::EditMesh) selection = L"Select: " + componentModeName(app.componentMode);
  setCaption(mainButton(kMenuSelection), selection);
  toolbar(mainButton(kMenuSelection), 128);
  setCaption(mainButton(kMenuAxis), std::wstring(L"Axis: ") + axisName(app.axisConstraint));
  toolbar(mainButton(kMenuAxis), 106);
  toolbar(mainButton(kCmdToggleSnap), 84);
  toolbar.x += 8;
  setCaption(mainButton(kCmdUndo), L"Undo");
  toolbar(mainButton(kCmdUndo), 72);
  setCaption(mainButton(kCmdRedo), L"Redo");
  toolbar(mainButton(kCmdRedo), 72);
  const int noteX = std::max(toolbar.x + 12, clientW - 430);
  std::wstring shadingKeys;
  for (const ShadingShortcut& shortcut : kShadingShortcuts) {
    if (!shadingKeys.empty()) shadingKeys += L"/";
    shadingKeys += shortcut.key;
  }
  setCaption(shell.contextLabels[2], L"Shortcuts: Q/W/E/S tools, O/H/V/C nav, P view, " + shadingKeys + L" shading");
  place(shell.contextLabels[2], noteX, 54, std::max(80, std::min(clientW - noteX - 16, 410)), 20);
}

void layoutLeftPanel(const LayoutRects& rects) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  ShellHandles& shell = shellHandles();
  for (int i = 0; i < 5; ++i)
    place(mainButton(kCmdRailOutliner + i), rects.activityRail.left + 6, rects.activityRail.top + 8 + 66 * i, 54, 58);

  const int panel = leftRailPanelFromIndex(app.activeRailPanel);
  const bool outliner = panel == 0;
  setVisible(shell.outlinerHeading, outliner);
  setVisible(shell.outlinerSearch, outliner);
  setVisible(ui.outlinerList, outliner);
  setVisible(shell.railCaption, !outliner);
  setVisible(shell.railDescription, !outliner);
  setVisible(shell.railDetails, !outliner);
  const RECT& rp = rects.railPanel;
  const int pw = width(rp);
  if (outliner) {
    for (int s = 0; s < 6; ++s) setVisible(mainButton(kCmdRailSlot1 + s), false);
  } else {
    setCaption(shell.railCaption, leftRailPanelCaption(panel));
    setCaption(shell.railDescription, leftRailPanelDescription(panel));
    setCaption(shell.railDetails, leftRailContextText(panel));
    moveChildWindow(shell.railCaption, rp.left + 26, rp.top + 82, pw - 52, 26);
    moveChildWindow(shell.railDescription, rp.left + 26, rp.top + 116, pw - 52, 82);
    moveChildWindow(shell.railDetails, rp.left + 26, rp.top + kRailDetailsTop, pw - 52, kRailDetailsHeight);
    int y = rp.top + 278;
    const int yMax = std::max(rp.top + 278, rects.leftTools.top - 12);
    for (int s = 0; s < 6; ++s) {
      HWND slot = mainButton(kCmdRailSlot1 + s);
      const std::wstring caption = leftRailButtonLabel(panel, s);
      const bool visible = !caption.empty() && y + 30 <= yMax;
      setVisible(slot, visible);
      if (!visible) continue;
      setCaption(slot, caption);
      moveChildWindow(slot, rp.left + 26, y, pw - 52, 30);
      y += 36;
    }
  }
  moveChildWindow(shell.outlinerHeading, rp.left + 14, rp.top + 12, pw - 44, 20);
  moveChildWindow(shell.outlinerSearch, rp.left + 12, rp.top + 54, pw - 24, 30);
  const RECT& list = rects.outlinerList;
  moveChildWindow(ui.outlinerList, list.left, list.top, width(list), std::max(list.bottom - list.top, 80));

  // The Left Tools box: two columns of buttons, the axis copy stays hidden.
  const bool open = app.leftToolsOpen;
  for (int i = 0; i < 10; ++i) setVisible(shell.leftToolsButtons[i], open && i != 6);
  if (open) {
    const RECT& lt = rects.leftTools;
    const int x0 = lt.left + 24;
    const int y0 = lt.top + 74;
    const int xr = lt.right - 24;
    const int bw = std::max((xr - x0 - 8) / 2, 72);
    // Order of the box: Select, Move, Rotate, Scale, Object, Edit Mesh, Axis, Frame, Snap, Reset View.
    const int cells[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}, {3, 1, 1}, {4, 0, 2}, {5, 1, 2}, {8, 0, 3}, {7, 1, 3}};
    for (const auto& cell : cells)
      moveChildWindow(shell.leftToolsButtons[cell[0]], x0 + cell[1] * (bw + 8), y0 + 36 * cell[2], bw, 30);
    moveChildWindow(shell.leftToolsButtons[9], x0, y0 + 144, xr - x0, 30);
  }
}

void layoutViewport(const LayoutRects& rects) {
  UiHandles& ui = appState().ui;
  ShellHandles& shell = shellHandles();
  const RECT& v = rects.viewport;
  place(ui.viewport, v.left, v.top, std::max(width(v), 120), std::max(v.bottom - v.top, 100));
  refreshToolbarLabels();
  const int y = rects.viewportHeader.top + 8;
  RowPlacer headerLeft{rects.viewportHeader.left + 10, y, rects.viewportHeader.right, 28, 6};
  headerLeft(mainButton(kCmdToggleProjection), 116);
  headerLeft.x += 10;
  const std::pair<int, int> left[] = {{kCmdNavigateOrbit, 76},     {kCmdNavigatePan, 68},   {kCmdNavigateDolly, 72},
                                      {kCmdNavigateCameraAim, 92}, {kCmdFrameSelected, 72}, {kCmdResetView, 78}};
  for (auto [id, w] : left) headerLeft(mainButton(id), w);
  RightToLeftPlacer headerRight{rects.viewportHeader.right - 10, y, headerLeft.x};
  headerRight(mainButton(kCmdCycleShading), 92);
  headerRight(mainButton(kCmdToggleCameraView), 88);
  for (int i = 0; i < 6; ++i)
    place(shell.toolStripButtons[i], rects.viewportArea.left + 14, rects.viewportHeader.bottom + 18 + 34 * i, 28, 26);
}

void layoutTimeline(const LayoutRects& rects) {
  const AppState& app = appState();
  const UiHandles& ui = app.ui;
  const bool shown = app.project.scene.timelineSettings.showTimelinePanel;
  const int buttonIds[] = {kCmdTimelineGoToStart, kCmdTimelinePreviousFrame, kCmdTimelineNextFrame,
                           kCmdTimelineGoToEnd,   kCmdApplyTimelineFields,   kCmdFocusTimelineOnSelection,
                           kCmdSetTransformKey,   kCmdDeleteTransformKey,    kCmdPreviousTransformKey,
                           kCmdNextTransformKey,  kCmdApplyTransformKeys,    kCmdSetCameraKey,
                           kCmdDeleteCameraKey,   kCmdApplyCameraKeys,       kCmdSetLightKey,
                           kCmdDeleteLightKey,    kCmdApplyLightKeys};
  std::vector<HWND> all = {ui.timelineTitle, ui.timelineFrameStatus, ui.transformKeySummary, ui.cameraLightKeySummary};
  for (int i = 0; i < 4; ++i) {
    all.push_back(ui.timelineFieldLabels[i]);
    all.push_back(ui.timelineEdits[i]);
  }
  for (int id : buttonIds) all.push_back(mainButton(id));
  if (!shown) {
    for (HWND h : all) setVisible(h, false);
    return;
  }
  const RECT& timeline = rects.timeline;
  const int tw2 = std::max(width(timeline), 240);
  const int y1 = timeline.top + 44;
  const int ly = timeline.top + 49;
  const Object* object = selectedObject();
  const bool camera = object && object->kind == ObjectKind::Camera && tw2 >= 721;
  const bool light = object && object->kind == ObjectKind::Light && tw2 >= 721;
  HWND apply = mainButton(kCmdApplyTimelineFields);
  const TimelineFieldRow row = timelineFieldRow(tw2, buttonWidthForCaption(getTextFromWindow(apply)));
  // The camera or light key buttons sit at the header's right end, clear of
  // the ruler's numbers, and the frame status ends short of them, as it does
  // of an Apply there.
  int statusWidth = std::max(tw2 - 430, 120);
  if (camera || light)
    statusWidth = std::min(statusWidth, timeline.right - (camera ? 304 : 314) - 8 - (timeline.left + 210));
  if (row.applyInHeader) statusWidth = std::min(statusWidth, row.applyX - 8 - 210);
  place(ui.timelineTitle, timeline.left + 16, timeline.top + 9, 190, 20);
  place(ui.timelineFrameStatus, timeline.left + 210, timeline.top + 9, statusWidth, 20);
  const int transportIds[4] = {kCmdTimelineGoToStart, kCmdTimelinePreviousFrame, kCmdTimelineNextFrame,
                               kCmdTimelineGoToEnd};
  for (int i = 0; i < 4; ++i) {
    place(mainButton(transportIds[i]), timeline.left + row.buttonX[i], y1, row.buttonW[i], 28);
    place(ui.timelineFieldLabels[i], timeline.left + row.labelX[i], ly, row.labelW[i], 20);
    place(ui.timelineEdits[i], timeline.left + row.editX[i], y1, row.editW[i], 28);
  }
  // In the header Apply is as tall as the camera and light key buttons there.
  const int headerY = timeline.top + 6;
  if (row.applyInHeader) place(apply, timeline.left + row.applyX, headerY, row.applyW, 26);
  else place(apply, timeline.left + row.applyX, y1, row.applyW, 28);
  // Focus Selected stays inside the panel: on a narrow panel it is cut short
  // at the row's end, and hidden when too little of it would show (it is on
  // the timeline's menu too).
  const int focusLeft = timeline.left + 644, focusWidth = std::min(118, timeline.right - 12 - focusLeft);
  if (focusWidth >= 48) place(mainButton(kCmdFocusTimelineOnSelection), focusLeft, y1, focusWidth, 28);
  else setVisible(mainButton(kCmdFocusTimelineOnSelection), false);
  const int k = timeline.left + 772;
  const bool keysFit = k + 430 < timeline.right - 12;
  const std::pair<int, int> keyButtons[] = {{kCmdSetTransformKey, 0},
                                            {kCmdDeleteTransformKey, 70},
                                            {kCmdPreviousTransformKey, 140},
                                            {kCmdNextTransformKey, 216},
                                            {kCmdApplyTransformKeys, 292}};
  const int keyWidths[] = {64, 64, 70, 70, 82};
  for (int i = 0; i < 5; ++i) {
    HWND button = mainButton(keyButtons[i].first);
    if (keysFit) place(button, k + keyButtons[i].second, y1, keyWidths[i], 28);
    else setVisible(button, false);
  }
  // The summaries end where the ruler's numbers start, over the track's top;
  // the second ends inside the panel or is hidden.
  const int y2 = rects.timelineKey.top + kTimelineRulerNumbersTop - 20;
  place(ui.transformKeySummary, timeline.left + 16, y2, std::min(tw2 / 2, 440), 20);
  const int c = std::max(tw2 / 2, 460);
  const int summaryWidth = std::min(std::max(tw2 - c - 14, 120), timeline.right - 12 - (timeline.left + c));
  if (summaryWidth >= 60)
    place(ui.cameraLightKeySummary, timeline.left + c, y2, summaryWidth, 20);
  else
    setVisible(ui.cameraLightKeySummary, false);
  const int camIds[3] = {kCmdSetCameraKey, kCmdDeleteCameraKey, kCmdApplyCameraKeys}, camX[3] = {304, 206, 108},
            camW[3] = {92, 92, 98};
  const int lightIds[3] = {kCmdSetLightKey, kCmdDeleteLightKey, kCmdApplyLightKeys}, lightX[3] = {314, 210, 106},
            lightW[3] = {98, 98, 104};
  for (int i = 0; i < 3; ++i) {
    HWND cam = mainButton(camIds[i]);
    if (camera) place(cam, timeline.right - camX[i], headerY, camW[i], 26);
    else setVisible(cam, false);
    HWND li = mainButton(lightIds[i]);
    if (light) place(li, timeline.right - lightX[i], headerY, lightW[i], 26);
    else setVisible(li, false);
  }
}

// The inspector body flows top to bottom under the scroll offset.
void layoutInspector(const LayoutRects& rects) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  ShellHandles& shell = shellHandles();
  const RECT& inspector = rects.inspector;
  const int x = inspector.left + 16;
  const int cw = inspectorContentWidth(inspector);
  const int clipTop = inspector.top + 52;
  const int stripTop = std::max(inspector.top + 120, inspector.bottom - 78);
  const int clipBottom = stripTop - 18;
  const int visH = std::max(clipBottom - clipTop, 80);
  const int fw = std::max((cw - 96) / 3, 48);
  const Object* object = selectedObject();
  const bool obj = object != nullptr;

  place(shell.inspectorHeading, x, inspector.top + 14, cw, 22);
  place(shell.inspectorScrollbar, inspector.right - 20, clipTop, 12, visH);
  if (shell.inspectorScrollbar) InvalidateRect(shell.inspectorScrollbar, nullptr, FALSE);

  const ClippedBandPlacer inBand{clipTop, clipBottom};
  // The label is as tall as its text; its clip window shows the part inside the band.
  const int detailsHeight = obj ? wrappedTextHeight(shell.meshDetails, cw) : 0;
  auto placeDetails = [&](int y) {
    const int top = std::max(y, clipTop), bottom = std::min(y + detailsHeight, clipBottom);
    const bool shown = obj && bottom > top;
    setVisible(shell.meshDetailsClip, shown);
    setVisible(shell.meshDetails, shown);
    if (!shown) return;
    moveChildWindow(shell.meshDetailsClip, x, top, cw, bottom - top);
    moveChildWindow(shell.meshDetails, 0, y - top, cw, detailsHeight);
  };
  // Places the flow under `offset`; returns the bottom of its last control.
  auto placeFlow = [&](int offset) {
    const int y0 = clipTop - offset + 10;
    inBand(shell.typeLabel, x, y0 + 5, 70, 28, obj);
    inBand(shell.typeField, x + 82, y0, cw - 82, 28, obj);
    const int y1 = y0 + 36;
    inBand(shell.nameLabel, x, y1 + 5, 70, 28, obj);
    inBand(shell.nameEdit, x + 82, y1, cw - 82, 28, obj);
    const int h1 = obj ? y1 + 44 : rects.inspectorHeader.bottom - offset + 92;
    auto rowOfThree = [&](HWND label, HWND* edits, int r, bool wanted) {
      inBand(label, x, r + 5, 76, 28, wanted);
      for (int i = 0; i < 3; ++i) inBand(edits[i], x + 76 + i * (10 + fw), r, fw, 28, wanted);
    };
    auto hideRowOfThree = [&](HWND label, HWND* edits) {
      setVisible(label, false);
      for (int i = 0; i < 3; ++i) setVisible(edits[i], false);
    };

    setVisible(shell.transformHeading, false);
    int h2 = h1 + 34;
    if (app.inspectorTransformOpen) {
      for (int row = 0; row < 3; ++row) rowOfThree(shell.transformRowLabels[row], shell.transformEdits + 3 * row, h1 + 34 + 34 * row, obj);
      h2 = h1 + 150;
    } else {
      for (int row = 0; row < 3; ++row) hideRowOfThree(shell.transformRowLabels[row], shell.transformEdits + 3 * row);
    }

    int h3 = h2 + 34;
    if (app.inspectorDisplayOpen) {
      rowOfThree(shell.colorLabel, shell.colorEdits, h2 + 34, obj);
      h3 = h2 + 78;
    } else {
      hideRowOfThree(shell.colorLabel, shell.colorEdits);
    }

    int h4 = h3 + 34;
    const bool cameraOrLight = obj && (object->kind == ObjectKind::Camera || object->kind == ObjectKind::Light);
    const bool isLight = obj && object->kind == ObjectKind::Light;
    if (app.inspectorCameraOpen) {
      const int r = h3 + 34;
      inBand(shell.rangeLabel, x, r + 5, 76, 28, cameraOrLight);
      inBand(shell.rangeEdit, x + 76, r, fw, 28, cameraOrLight);
      // A narrow inspector ends the Intensity field at the content's edge,
      // short of the scrollbar: its label gives up the room.
      const int intensityX = std::min(x + 162 + fw, x + cw - fw);
      inBand(shell.intensityLabel, x + 86 + fw, r + 5, std::min(intensityX - (x + 86 + fw), 76), 28, isLight);
      inBand(shell.intensityEdit, intensityX, r, fw, 28, isLight);
      h4 = h3 + 82;
    } else {
      for (HWND h : {shell.rangeLabel, shell.rangeEdit, shell.intensityLabel, shell.intensityEdit}) setVisible(h, false);
    }

    int h5 = h4 + 34;
    const HWND keyButtons[7] = {mainButton(kCmdSelectCurrentFrameKey),  mainButton(kCmdSelectPreviousInspectorKey),
                                mainButton(kCmdSelectNextInspectorKey), mainButton(kCmdApplyKeyInspectorFields),
                                mainButton(kCmdCaptureKeyValues),       mainButton(kCmdApplyKeyToObject),
                                mainButton(kCmdDeleteInspectorKey)};
    if (app.inspectorKeyframesOpen) {
      const int k = h4 + 34;
      const int s = k + 28;
      const bool keyed = preferredKeyChannel(object) != kTrackNone;
      const int bw = std::max((cw - 12) / 3, 54);
      inBand(ui.keyHeading, x, k, cw, 22, obj);
      inBand(ui.keyStatus, x, s, cw, 22, obj);
      inBand(shell.keyFrameLabel, x, s + 35, 72, 28, keyed);
      // Where the Curve field's 82 pixels do not fit, the Key Frame and Curve
      // fields give up the difference in proportion to their widths.
      const int over = std::max(212 + 82 - cw, 0);
      const int shift = (over * 72 + 153) / 154;
      inBand(ui.keyFrameEdit, x + 78, s + 30, 72 - shift, 28, keyed);
      inBand(shell.curveLabel, x + 162 - shift, s + 35, 46, 28, keyed);
      inBand(ui.curveEdit, x + 212 - shift, s + 30, cw - 212 + shift, 28, keyed);
      inBand(shell.noteLabel, x, s + 69, 72, 28, keyed);
      inBand(ui.noteEdit, x + 78, s + 64, cw - 78, 28, keyed);
      inBand(ui.keyValues, x, s + 100, cw, 44, keyed);
      inBand(keyButtons[0], x, s + 152, bw, 26, obj);
      inBand(keyButtons[1], x + bw + 6, s + 152, bw, 26, keyed);
      inBand(keyButtons[2], x + 2 * (bw + 6), s + 152, bw, 26, keyed);
      for (int i = 0; i < 3; ++i) inBand(keyButtons[3 + i], x + i * (bw + 6), s + 184, bw, 26, keyed);
      inBand(keyButtons[6], x, s + 216, cw, 26, keyed);
      h5 = h4 + 322;
    } else {
      for (HWND h : {ui.keyHeading, ui.keyStatus, shell.keyFrameLabel, ui.keyFrameEdit, shell.curveLabel, ui.curveEdit,
                     shell.noteLabel, ui.noteEdit, ui.keyValues})
        setVisible(h, false);
      for (HWND h : keyButtons) setVisible(h, false);
    }

    int flowEnd = h5 + 26;  // the last section header
    const Scene& scene = app.project.scene;
    struct Block {
      HWND heading, status, description;
      int prev, next, filter, preview, apply, descriptionHeight, advance;
      bool wanted;
    };
    const Block blocks[2] = {
        {shell.presetHeading, shell.presetStatus, shell.presetDescription, kCmdPreviousPreset, kCmdNextPreset,
         kCmdPresetCategoryAll, kCmdPreviewPreset, kCmdApplyPreset, 82, 226, obj && scene.presetBrowser.visible},
        {shell.capsuleHeading, shell.capsuleStatus, shell.capsuleDescription, kCmdPreviousCapsule, kCmdNextCapsule,
         kCmdCapsuleCategoryAll, kCmdPreviewCapsule, kCmdApplyCapsule, 92, 238, obj && scene.capsuleBrowser.visible}};
    if (app.inspectorNotesOpen) {
      int n = h5 + 34;
      for (const Block& block : blocks) {
        const HWND buttons[5] = {mainButton(block.prev), mainButton(block.next), mainButton(block.filter),
                                 mainButton(block.preview), mainButton(block.apply)};
        if (!block.wanted) {
          for (HWND h : {block.heading, block.status, block.description}) setVisible(h, false);
          for (HWND h : buttons) setVisible(h, false);
          continue;
        }
        const int pw = (cw - 18) / 3;
        const int hw = (cw - 8) / 2;
        inBand(block.heading, x, n, cw, 22, true);
        inBand(block.status, x, n + 26, cw, 40, true);
        for (int i = 0; i < 3; ++i) inBand(buttons[i], x + i * (9 + pw), n + 70, pw, 26, true);
        inBand(buttons[3], x, n + 102, hw, 26, true);
        inBand(buttons[4], x + 8 + hw, n + 102, hw, 26, true);
        inBand(block.description, x, n + 134, cw, block.descriptionHeight, true);
        n += block.advance;
      }
      inBand(shell.texturePreview, x, n, cw, 124, obj);
      placeDetails(n + 134);
      if (obj) flowEnd = n + 134 + detailsHeight;
    } else {
      for (const Block& block : blocks) {
        for (HWND h : {block.heading, block.status, block.description}) setVisible(h, false);
        for (int id : {block.prev, block.next, block.filter, block.preview, block.apply}) setVisible(mainButton(id), false);
      }
      setVisible(shell.texturePreview, false);
      setVisible(shell.meshDetailsClip, false);
      setVisible(shell.meshDetails, false);
    }
    return flowEnd;
  };

  // The range comes from the flow itself: at the end of it the last control
  // (the details label, or the last section header) sits on the clip bottom.
  // The flow moves rigidly with the offset, so one placement measures it.
  const int requested = std::max(app.inspectorScrollOffset, 0);
  const int maxScroll = std::max(placeFlow(requested) + requested - clipBottom, 0);
  const int offset = std::min(requested, maxScroll);
  if (offset != requested) placeFlow(offset);
  app.inspectorScrollOffset = offset;
  app.inspectorScrollMax = maxScroll;

  const int half = (cw - 12) / 2;
  HWND apply = mainButton(kCmdApplyInspector);
  HWND reset = mainButton(kCmdResetTransform);
  setVisible(apply, obj);
  setVisible(reset, obj);
  if (obj) {
    moveChildWindow(apply, x, stripTop + 18, half, 34);
    moveChildWindow(reset, x + 12 + half, stripTop + 18, half, 34);
  }
}

void layoutStatusBar(int clientW, int clientH) {
  UiHandles& ui = appState().ui;
  ShellHandles& shell = shellHandles();
  const int y = clientH - 26;
  place(ui.statusLine, 20, y, 240, 20);
  place(shell.projectLabel, 292, y, 228, 20);
  place(ui.dirtyBadge, 552, y, 108, 20);
  place(shell.objectCountLabel, clientW - 444, y, 150, 20);
  place(shell.viewLabel, clientW - 274, y, 138, 20);
  place(shell.versionLabel, clientW - 116, y, 96, 20);
  for (HWND h : shell.hiddenStatusLabels) setVisible(h, false);
}

}  // namespace

// ---- Region rectangles and the whole layout ---------------------------------
LayoutRects computeLayoutRects(int clientWidth, int clientHeight) {
  const AppState& app = appState();
  LayoutRects rects;
  const int clientW = std::max(clientWidth, 1120);
  const int clientH = std::max(clientHeight, 720);
  rects.width = clientW;
  rects.height = clientH;
  const int inspW = clientW < 1366 ? 304 : clientW < 1600 ? 340 : 380;
  const int railW = clientW < 1366 ? 236 : clientW < 1600 ? 258 : 284;
  const int bodyH = std::max(clientH - 138, 300);
  const int bodyBottom = 96 + bodyH;
  const int cx = railW + 90;
  const bool timeline = app.project.scene.timelineSettings.showTimelinePanel;
  const int th = timeline ? clampInt(clientH / 5, 150, 210) : 0;
  const int gap = timeline ? 8 : 0;
  const int vpW = std::max(clientW - cx - inspW - 16, 360);
  const int vpRight = cx + vpW;
  const int vpH = std::max(bodyH - gap - th, 240);
  const int tw = clampInt((vpRight - cx) / 5, 150, 210);
  const int ltH = app.leftToolsOpen ? clampInt(bodyH / 3, 250, 306) : 50;
  int leftToolsTop = bodyBottom - ltH;
  if (app.leftToolsOpen && leftToolsTop < 286) leftToolsTop = 286;

  rects.titleBar = {0, 0, clientW, 38};
  rects.toolbar = {0, 38, clientW, 88};
  rects.statusBar = {0, clientH - 34, clientW, clientH};
  rects.activityRail = {8, 96, 74, bodyBottom};
  rects.railPanel = {82, 96, 82 + railW, bodyBottom};
  rects.viewportArea = {cx, 96, vpRight, 96 + vpH};
  rects.viewportHeader = {cx, 96, vpRight, 140};
  rects.viewport = {cx + 48, 141, vpRight - 2, 96 + vpH - 34};
  rects.timeline = timeline ? RECT{cx, 96 + vpH + 8, vpRight, 96 + vpH + 8 + th} : RECT{cx, 96 + vpH, vpRight, 96 + vpH};
  rects.inspector = {vpRight + 8, 96, clientW - 8, bodyBottom};
  rects.inspectorHeader = {vpRight + 8, 96, clientW - 8, 144};
  rects.leftTools = {rects.railPanel.left, leftToolsTop, rects.railPanel.right, rects.railPanel.bottom};
  rects.outlinerList = {rects.railPanel.left + 10, rects.railPanel.top + 92, rects.railPanel.right - 10, rects.leftTools.top - 10};
  if (timeline) {
    rects.timelineTrack = {cx + 12, rects.timeline.top + 82, cx + 12 + tw, rects.timeline.bottom - 12};
    rects.timelineKey = {cx + 20 + tw, rects.timeline.top + 82, vpRight - 12, rects.timeline.bottom - 12};
  }
  return rects;
}

int menuBarLeft(int clientWidth) { return clientWidth < 1280 ? 246 : 330; }

RECT railCardRect(const RECT& railPanel) {
  return RECT{railPanel.left + 12, railPanel.top + 64, railPanel.right - 12,
              railPanel.top + kRailDetailsTop + kRailDetailsHeight + 8};
}

void moveChildWindow(HWND control, int x, int y, int w, int h) {
  if (!control) return;
  RECT r{};
  GetWindowRect(control, &r);
  POINT corner{r.left, r.top};
  ScreenToClient(GetParent(control), &corner);
  if (corner.x == x && corner.y == y && r.right - r.left == w && r.bottom - r.top == h) return;
  if (r.bottom - r.top != h) fitLabelToItsLines(control, h);
  MoveWindow(control, x, y, w, h, TRUE);
}

int inspectorContentHeight() {
  const AppState& app = appState();
  const bool obj = findObjectById(app.project.scene, app.selectedObjectId) != nullptr;
  const Scene& scene = app.project.scene;
  int a = obj ? 138 : 56;
  if (app.inspectorTransformOpen) a = obj ? 254 : 76;
  const int b = app.inspectorDisplayOpen ? a + (obj ? 78 : 54) : a + 34;
  const int c = app.inspectorCameraOpen ? b + (obj ? 82 : 54) : b + 34;
  const int d = app.inspectorKeyframesOpen ? c + (obj ? 322 : 106) : c + 34;
  int notes = 26;
  if (obj) notes = (scene.presetBrowser.visible ? 862 : 668) + (scene.capsuleBrowser.visible ? 204 : 0);
  return d + 34 + (app.inspectorNotesOpen ? notes : 0);
}

std::vector<InspectorSectionHeader> inspectorSectionHeaderRects() {
  const AppState& app = appState();
  const ShellHandles& shell = shellHandles();
  const RECT& inspector = shell.inspectorRect;
  std::vector<InspectorSectionHeader> headers;
  if (inspector.right <= inspector.left || inspector.bottom <= inspector.top) return headers;
  const bool obj = findObjectById(app.project.scene, app.selectedObjectId) != nullptr;
  const int left = inspector.left + 12;
  const int right = left + std::max(width(inspector) - 34, 100);
  int top = shell.inspectorHeaderRect.bottom - app.inspectorScrollOffset + 92;
  const bool open[5] = {app.inspectorTransformOpen, app.inspectorDisplayOpen, app.inspectorCameraOpen,
                        app.inspectorKeyframesOpen, app.inspectorNotesOpen};
  const int extraWith[4] = {116, 44, 48, 288};
  const int extraWithout[4] = {20, 20, 20, 72};
  for (int k = 0; k < 5; ++k) {
    headers.push_back({k + 1, RECT{left, top, right, top + 26}});
    if (k < 4) top += 34 + (open[k] ? (obj ? extraWith[k] : extraWithout[k]) : 0);
  }
  return headers;
}

LayoutInputs currentLayoutInputs() {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  LayoutInputs inputs;
  inputs.valid = true;
  if (const Object* object = findObjectById(scene, app.selectedObjectId)) {
    inputs.selectedObjectId = object->id;
    inputs.selectedKind = static_cast<std::int32_t>(object->kind);
  }
  inputs.undoDepth = app.undoStack.size();
  inputs.redoDepth = app.redoStack.size();
  inputs.workMode = static_cast<std::int32_t>(app.workMode);
  inputs.componentMode = static_cast<std::int32_t>(app.componentMode);
  inputs.snapEnabled = app.snapEnabled;
  inputs.timelineShown = scene.timelineSettings.showTimelinePanel;
  inputs.presetBrowserShown = scene.presetBrowser.visible;
  inputs.capsuleBrowserShown = scene.capsuleBrowser.visible;
  const int panel = leftRailPanelFromIndex(app.activeRailPanel);
  if (panel != 0) inputs.railDetails = leftRailContextText(panel);
  if (HWND main = app.ui.mainWindow; main && inputs.selectedKind >= 0) {
    RECT client{};
    GetClientRect(main, &client);
    const LayoutRects rects = computeLayoutRects(client.right - client.left, client.bottom - client.top);
    inputs.inspectorDetailsHeight = wrappedTextHeight(shellHandles().meshDetails, inspectorContentWidth(rects.inspector));
  }
  return inputs;
}

void relayoutIfStale() {
  AppState& app = appState();
  if (!app.ui.mainWindow || app.laidOutFor == currentLayoutInputs()) return;
  layoutMainWindow(app.ui.mainWindow);
}

void layoutMainWindow(HWND main) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  ShellHandles& shell = shellHandles();
  app.laidOutFor = currentLayoutInputs();
  RECT client{};
  if (main) GetClientRect(main, &client);
  const LayoutRects rects = computeLayoutRects(client.right - client.left, client.bottom - client.top);
  shell.titleBarRect = rects.titleBar;
  shell.toolbarRect = rects.toolbar;
  shell.statusBarRect = rects.statusBar;
  shell.activityRailRect = rects.activityRail;
  shell.railPanelRect = rects.railPanel;
  ui.viewportAreaRect = rects.viewportArea;
  shell.viewportHeaderRect = rects.viewportHeader;
  shell.viewportRect = rects.viewport;
  ui.timelineRect = rects.timeline;
  shell.inspectorRect = rects.inspector;
  shell.inspectorHeaderRect = rects.inspectorHeader;
  shell.leftToolsRect = rects.leftTools;
  shell.outlinerListRect = rects.outlinerList;
  ui.timelineTrackRect = rects.timelineTrack;
  ui.timelineKeyRect = rects.timelineKey;
  if (!main) return;

  const int clientW = rects.width;
  RowPlacer menuBar{menuBarLeft(clientW), 7, clientW, 24, 2};
  const std::pair<int, int> menus[] = {{kMenuFile, 46}, {kMenuEdit, 46},   {kMenuCreate, 64},   {kMenuObject, 64},
                                       {kMenuMesh, 54}, {kMenuCurve, 58},  {kMenuModifier, 78}, {kMenuMaterial, 76},
                                       {kMenuView, 54}, {kMenuRender, 64}, {kMenuTools, 58},    {kMenuWindow, 72},
                                       {kMenuHelp, 52}};
  for (auto [id, w] : menus) menuBar(mainButton(id), w);
  for (int id : {kMenuTimeline, kMenuPresets, kMenuCapsules}) setVisible(mainButton(id), false);

  layoutToolbar(clientW);
  layoutLeftPanel(rects);
  layoutViewport(rects);
  layoutTimeline(rects);
  layoutInspector(rects);
  layoutStatusBar(clientW, rects.height);

  if (app.inspectorScrollRelayout) {
    const RECT& inspector = rects.inspector;
    const RECT body{inspector.left + 1, inspector.top + 44, inspector.right - 1, std::max(inspector.top + 44, inspector.bottom - 82)};
    RedrawWindow(main, &body, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
    if (shell.inspectorScrollbar) InvalidateRect(shell.inspectorScrollbar, nullptr, FALSE);
    app.inspectorScrollRelayout = false;
  } else {
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
  }
}

// ---- Inspector scrolling ----------------------------------------------------
bool handleInspectorClick(POINT point) {
  AppState& app = appState();
  const RECT& inspector = shellHandles().inspectorRect;
  if (!PtInRect(&inspector, point)) return false;
  const RECT foot{inspector.left, std::max(inspector.top + 48, inspector.bottom - 64), inspector.right, inspector.bottom};
  if (PtInRect(&foot, point)) return false;
  for (const InspectorSectionHeader& header : inspectorSectionHeaderRects()) {
    if (!PtInRect(&header.rect, point)) continue;
    bool* flags[5] = {&app.inspectorTransformOpen, &app.inspectorDisplayOpen, &app.inspectorCameraOpen,
                      &app.inspectorKeyframesOpen, &app.inspectorNotesOpen};
    *flags[header.id - 1] = !*flags[header.id - 1];
    saveWorkspaceIni();
    app.inspectorScrollRelayout = true;
    layoutMainWindow(app.ui.mainWindow);
    setStatusText(L"●  Inspector section toggled");
    return true;
  }
  return false;
}

void setInspectorScroll(int offset) {
  AppState& app = appState();
  const int bound = app.inspectorScrollMax >= 1 ? app.inspectorScrollMax : 0;
  const int value = clampInt(offset, 0, bound);
  if (value != app.inspectorScrollOffset) {
    app.inspectorScrollOffset = value;
    app.inspectorScrollRelayout = true;
    layoutMainWindow(app.ui.mainWindow);
  } else if (shellHandles().inspectorScrollbar) {
    InvalidateRect(shellHandles().inspectorScrollbar, nullptr, FALSE);
  }
}

RECT inspectorScrollThumbRect(const RECT& track) {
  const AppState& app = appState();
  return scrollThumbRect(track, app.inspectorScrollOffset, app.inspectorScrollMax);
}

}  // namespace vk
