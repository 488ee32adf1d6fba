// The adaptive layout of the main window: region rectangles from the client
// size and the workspace state, then every control placed, shown or hidden.
// A control is moved or shown only when that changes something, so running
// the layout twice moves nothing.
#include <algorithm>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "persistence/workspace_settings.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

int clampInt(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

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
struct PlacerRun {
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
struct PlacerB {
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

struct PlacerD {
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
struct PlacerE {
  int clipTop, clipBottom;
  void operator()(HWND control, int x, int y, int w, int h, bool wanted) const {
    const bool visible = wanted && y >= clipTop && y + h <= clipBottom;
    setVisible(control, visible);
    if (visible) moveChildWindow(control, x, y, w, h);
  }
};

const Object* selectedObject() {
  const AppState& app = appState();
  return findObjectById(app.project.scene, app.selectedObjectId);
}

void layoutToolbar(int W) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  // The rest of the toolbar set: placed by the viewport header or the
  // tool strip, or never shown (their commands live in menus and shortcuts).
  static constexpr int kAlwaysHidden[] = {
      1732, 1733, 1734, 1735, 1710, 1711, 1712, 1713, 1520, 1003, 1740, 1741, 1742, 1743, 1744,
      1745, 1746, 1747, 1748, 1749, 1750, 1751, 1120, 1121, 1122, 1123, 1760, 1761, 1762, 1101, 1105,
      1106, 1107, 1108, 1102, 1103, 1201, 1202, 1801, 1901, 1902, 1903, 1904, 1905, 1906, 1907, 1908,
      1909, 1802, 1803, 1804, 1805};
  for (int id : kAlwaysHidden) setVisible(mainButton(id), false);

  PlacerB b{24, 46, 36, W};
  setCaption(ui.contextLabels[0], L"Mode");
  place(ui.contextLabels[0], 24, 54, 44, 20);
  b.x = 74;
  const std::pair<int, const wchar_t*> modes[] = {{1730, L"Object"}, {1731, L"Mesh"}, {1736, L"Curve"}};
  const int modeWidths[] = {88, 78, 82};
  for (int i = 0; i < 3; ++i) {
    setCaption(mainButton(modes[i].first), modes[i].second);
    b(mainButton(modes[i].first), modeWidths[i]);
  }
  b.x += 10;
  setCaption(ui.contextLabels[1], L"Tool");
  place(ui.contextLabels[1], b.x, 54, 38, 20);
  b.x += 44;
  const std::pair<int, const wchar_t*> tools[] = {{1701, L"Select"}, {1702, L"Move"}, {1703, L"Rotate"}, {1704, L"Scale"}};
  const int toolWidths[] = {84, 80, 84, 80};
  for (int i = 0; i < 4; ++i) {
    setCaption(mainButton(tools[i].first), tools[i].second);
    b(mainButton(tools[i].first), toolWidths[i]);
  }
  b.x += 8;
  std::wstring selection = L"Select: Object";
  if (app.workMode == WorkMode::EditCurve) selection = L"Select: Points";
  else if (app.workMode == WorkMode::EditMesh) selection = L"Select: " + componentModeName(app.componentMode);
  setCaption(mainButton(9008), selection);
  b(mainButton(9008), 128);
  setCaption(mainButton(9009), std::wstring(L"Axis: ") + axisName(app.axisConstraint));
  b(mainButton(9009), 106);
  setCaption(mainButton(1720), app.snapEnabled ? L"Snap On" : L"Snap");
  b(mainButton(1720), 84);
  b.x += 8;
  setCaption(mainButton(1204), L"Undo");
  b(mainButton(1204), 72);
  setCaption(mainButton(1205), L"Redo");
  b(mainButton(1205), 72);
  const int noteX = std::max(b.x + 12, W - 430);
  setCaption(ui.contextLabels[2], L"Shortcuts: Q/W/E/S tools, O/H/V/C nav, P view, 4/5/6/7 shading");
  place(ui.contextLabels[2], noteX, 54, std::max(80, std::min(W - noteX - 16, 410)), 20);
}

void layoutLeftPanel(const LayoutRects& L) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  for (int i = 0; i < 5; ++i)
    place(mainButton(7201 + i), L.activityRail.left + 6, L.activityRail.top + 8 + 66 * i, 54, 58);

  const int panel = leftRailPanelFromIndex(app.activeRailPanel);
  const bool outliner = panel == 0;
  setVisible(ui.outlinerHeading, outliner);
  setVisible(ui.outlinerSearch, outliner);
  setVisible(ui.outlinerList, outliner);
  setVisible(ui.railCaption, !outliner);
  setVisible(ui.railDescription, !outliner);
  setVisible(ui.railDetails, !outliner);
  const RECT& rp = L.railPanel;
  const int pw = width(rp);
  if (outliner) {
    for (int s = 0; s < 6; ++s) setVisible(mainButton(7221 + s), false);
  } else {
    setCaption(ui.railCaption, leftRailPanelCaption(panel));
    setCaption(ui.railDescription, leftRailPanelDescription(panel));
    setCaption(ui.railDetails, leftRailContextText(panel));
    moveChildWindow(ui.railCaption, rp.left + 26, rp.top + 82, pw - 52, 26);
    moveChildWindow(ui.railDescription, rp.left + 26, rp.top + 116, pw - 52, 82);
    moveChildWindow(ui.railDetails, rp.left + 26, rp.top + 206, pw - 52, 58);
    int y = rp.top + 278;
    const int yMax = std::max(rp.top + 278, L.leftTools.top - 12);
    for (int s = 0; s < 6; ++s) {
      HWND slot = mainButton(7221 + s);
      const std::wstring caption = leftRailButtonLabel(panel, s);
      const bool visible = !caption.empty() && y + 30 <= yMax;
      setVisible(slot, visible);
      if (!visible) continue;
      setCaption(slot, caption);
      moveChildWindow(slot, rp.left + 26, y, pw - 52, 30);
      y += 36;
    }
  }
  moveChildWindow(ui.outlinerHeading, rp.left + 14, rp.top + 12, pw - 44, 20);
  moveChildWindow(ui.outlinerSearch, rp.left + 12, rp.top + 54, pw - 24, 30);
  const RECT& list = L.outlinerList;
  moveChildWindow(ui.outlinerList, list.left, list.top, width(list), std::max(list.bottom - list.top, 80));

  // The Left Tools box: two columns of buttons, the axis copy stays hidden.
  const bool open = app.leftToolsOpen;
  for (int i = 0; i < 10; ++i) setVisible(ui.leftToolsButtons[i], open && i != 6);
  if (open) {
    const RECT& lt = L.leftTools;
    const int x0 = lt.left + 24;
    const int y0 = lt.top + 74;
    const int xr = lt.right - 24;
    const int bw = std::max((xr - x0 - 8) / 2, 72);
    // Order of the box: Select, Move, Rotate, Scale, Object, Edit Mesh, Axis, Frame, Snap, Reset View.
    const int cells[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}, {3, 1, 1}, {4, 0, 2}, {5, 1, 2}, {8, 0, 3}, {7, 1, 3}};
    for (const auto& cell : cells)
      moveChildWindow(ui.leftToolsButtons[cell[0]], x0 + cell[1] * (bw + 8), y0 + 36 * cell[2], bw, 30);
    moveChildWindow(ui.leftToolsButtons[9], x0, y0 + 144, xr - x0, 30);
  }
}

void layoutViewport(const LayoutRects& L) {
  UiHandles& ui = appState().ui;
  const RECT& v = L.viewport;
  place(ui.viewport, v.left, v.top, std::max(width(v), 120), std::max(v.bottom - v.top, 100));
  refreshToolbarLabels();
  const int y = L.viewportHeader.top + 8;
  PlacerRun c{L.viewportHeader.left + 10, y, L.viewportHeader.right, 28, 6};
  c(mainButton(1503), 116);
  c.x += 10;
  const std::pair<int, int> left[] = {{1535, 76}, {1536, 68}, {1537, 72}, {1538, 92}, {1502, 72}, {1501, 78}};
  for (auto [id, w] : left) c(mainButton(id), w);
  PlacerD d{L.viewportHeader.right - 10, y, c.x};
  d(mainButton(1514), 92);
  d(mainButton(1504), 88);
  for (int i = 0; i < 6; ++i)
    place(ui.toolStripButtons[i], L.viewportArea.left + 14, L.viewportHeader.bottom + 18 + 34 * i, 28, 26);
}

void layoutTimeline(const LayoutRects& L) {
  const AppState& app = appState();
  const UiHandles& ui = app.ui;
  const bool shown = app.project.scene.timelineSettings.showTimelinePanel;
  const int buttonIds[] = {1540, 1541, 1542, 1543, 1544, 1548, 1550, 1551, 1552, 1553, 1554,
                           1560, 1561, 1564, 1566, 1567, 1570};
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
  const RECT& T = L.timeline;
  const int tw2 = std::max(width(T), 240);
  const int y1 = T.top + 44;
  const int ly = T.top + 49;
  place(ui.timelineTitle, T.left + 16, T.top + 9, 190, 20);
  place(ui.timelineFrameStatus, T.left + 210, T.top + 9, std::max(tw2 - 430, 120), 20);
  place(mainButton(1540), T.left + 16, y1, 38, 28);
  place(mainButton(1541), T.left + 60, y1, 34, 28);
  place(mainButton(1542), T.left + 100, y1, 34, 28);
  place(mainButton(1543), T.left + 140, y1, 38, 28);
  const int labelX[4] = {188, 294, 388, 476};
  const int labelW[4] = {42, 36, 30, 28};
  const int editX[4] = {230, 330, 418, 504};
  const int editW[4] = {56, 50, 50, 56};
  for (int i = 0; i < 4; ++i) {
    place(ui.timelineFieldLabels[i], T.left + labelX[i], ly, labelW[i], 20);
    place(ui.timelineEdits[i], T.left + editX[i], y1, editW[i], 28);
  }
  place(mainButton(1544), T.left + 570, y1, 66, 28);
  place(mainButton(1548), T.left + 644, y1, 118, 28);
  const int k = T.left + 772;
  const bool keysFit = k + 430 < T.right - 12;
  const std::pair<int, int> keyButtons[] = {{1550, 0}, {1551, 70}, {1552, 140}, {1553, 216}, {1554, 292}};
  const int keyWidths[] = {64, 64, 70, 70, 82};
  for (int i = 0; i < 5; ++i) {
    HWND button = mainButton(keyButtons[i].first);
    if (keysFit) place(button, k + keyButtons[i].second, y1, keyWidths[i], 28);
    else setVisible(button, false);
  }
  const int y2 = T.top + 78;
  place(ui.transformKeySummary, T.left + 16, y2 + 2, std::min(tw2 / 2, 440), 20);
  const int c = std::max(tw2 / 2, 460);
  const Object* object = selectedObject();
  const bool camera = object && object->kind == ObjectKind::Camera && tw2 >= 721;
  const bool light = object && object->kind == ObjectKind::Light && tw2 >= 721;
  // The camera or light key buttons share the row: the summary ends short of
  // them instead of running underneath.
  int summaryWidth = std::max(tw2 - c - 14, 120);
  if (camera || light) summaryWidth = std::min(summaryWidth, T.right - (camera ? 304 : 314) - 8 - (T.left + c));
  if (summaryWidth >= 60) place(ui.cameraLightKeySummary, T.left + c, y2 + 2, summaryWidth, 20);
  else setVisible(ui.cameraLightKeySummary, false);
  const int camIds[3] = {1560, 1561, 1564}, camX[3] = {304, 206, 108}, camW[3] = {92, 92, 98};
  const int lightIds[3] = {1566, 1567, 1570}, lightX[3] = {314, 210, 106}, lightW[3] = {98, 98, 104};
  for (int i = 0; i < 3; ++i) {
    HWND cam = mainButton(camIds[i]);
    if (camera) place(cam, T.right - camX[i], y2, camW[i], 26);
    else setVisible(cam, false);
    HWND li = mainButton(lightIds[i]);
    if (light) place(li, T.right - lightX[i], y2, lightW[i], 26);
    else setVisible(li, false);
  }
}

// Step H: the inspector body flows top to bottom under the scroll offset.
void layoutInspector(const LayoutRects& L) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  const RECT& I = L.inspector;
  const int x = I.left + 16;
  const int cw = width(I) - 44;
  const int clipTop = I.top + 52;
  const int stripTop = std::max(I.top + 120, I.bottom - 78);
  const int clipBottom = stripTop - 18;
  const int visH = std::max(clipBottom - clipTop, 80);
  const int fw = std::max((cw - 96) / 3, 48);
  const Object* object = selectedObject();
  const bool obj = object != nullptr;

  place(ui.inspectorHeading, x, I.top + 14, cw, 22);
  place(ui.inspectorScrollbar, I.right - 20, clipTop, 12, visH);
  if (ui.inspectorScrollbar) InvalidateRect(ui.inspectorScrollbar, nullptr, FALSE);

  const PlacerE e{clipTop, clipBottom};
  // The details label never exceeds the visible band, or it could never be shown whole.
  const int detailsHeight = std::min(520, visH);
  // Places the flow under `offset`; returns the bottom of its last control.
  auto placeFlow = [&](int offset) {
    const int y0 = clipTop - offset + 10;
    e(ui.typeLabel, x, y0 + 5, 70, 28, obj);
    e(ui.typeField, x + 82, y0, cw - 82, 28, obj);
    const int y1 = y0 + 36;
    e(ui.nameLabel, x, y1 + 5, 70, 28, obj);
    e(ui.nameEdit, x + 82, y1, cw - 82, 28, obj);
    const int h1 = obj ? y1 + 44 : L.inspectorHeader.bottom - offset + 92;
    auto rowOfThree = [&](HWND label, HWND* edits, int r, bool wanted) {
      e(label, x, r + 5, 76, 28, wanted);
      for (int i = 0; i < 3; ++i) e(edits[i], x + 76 + i * (10 + fw), r, fw, 28, wanted);
    };
    auto hideRowOfThree = [&](HWND label, HWND* edits) {
      setVisible(label, false);
      for (int i = 0; i < 3; ++i) setVisible(edits[i], false);
    };

    setVisible(ui.transformHeading, false);
    int h2 = h1 + 34;
    if (app.inspectorTransformOpen) {
      for (int row = 0; row < 3; ++row) rowOfThree(ui.transformRowLabels[row], ui.transformEdits + 3 * row, h1 + 34 + 34 * row, obj);
      h2 = h1 + 150;
    } else {
      for (int row = 0; row < 3; ++row) hideRowOfThree(ui.transformRowLabels[row], ui.transformEdits + 3 * row);
    }

    int h3 = h2 + 34;
    if (app.inspectorDisplayOpen) {
      rowOfThree(ui.colorLabel, ui.colorEdits, h2 + 34, obj);
      h3 = h2 + 78;
    } else {
      hideRowOfThree(ui.colorLabel, ui.colorEdits);
    }

    int h4 = h3 + 34;
    const bool cameraOrLight = obj && (object->kind == ObjectKind::Camera || object->kind == ObjectKind::Light);
    const bool isLight = obj && object->kind == ObjectKind::Light;
    if (app.inspectorCameraOpen) {
      const int r = h3 + 34;
      e(ui.rangeLabel, x, r + 5, 76, 28, cameraOrLight);
      e(ui.rangeEdit, x + 76, r, fw, 28, cameraOrLight);
      e(ui.intensityLabel, x + 86 + fw, r + 5, 76, 28, isLight);
      e(ui.intensityEdit, x + 162 + fw, r, fw, 28, isLight);
      h4 = h3 + 82;
    } else {
      for (HWND h : {ui.rangeLabel, ui.rangeEdit, ui.intensityLabel, ui.intensityEdit}) setVisible(h, false);
    }

    int h5 = h4 + 34;
    const HWND keyButtons[7] = {mainButton(1572), mainButton(1577), mainButton(1578), mainButton(1573),
                                mainButton(1574), mainButton(1575), mainButton(1576)};
    if (app.inspectorKeyframesOpen) {
      const int k = h4 + 34;
      const int s = k + 28;
      const bool keyed = preferredKeyChannel(object) != kTrackNone;
      const int bw = std::max((cw - 12) / 3, 54);
      e(ui.keyHeading, x, k, cw, 22, obj);
      e(ui.keyStatus, x, s, cw, 22, obj);
      e(ui.keyFrameLabel, x, s + 35, 72, 28, keyed);
      e(ui.keyFrameEdit, x + 78, s + 30, 72, 28, keyed);
      e(ui.curveLabel, x + 162, s + 35, 46, 28, keyed);
      e(ui.curveEdit, x + 212, s + 30, std::max(cw - 212, 82), 28, keyed);
      e(ui.noteLabel, x, s + 69, 72, 28, keyed);
      e(ui.noteEdit, x + 78, s + 64, cw - 78, 28, keyed);
      e(ui.keyValues, x, s + 100, cw, 44, keyed);
      e(keyButtons[0], x, s + 152, bw, 26, obj);
      e(keyButtons[1], x + bw + 6, s + 152, bw, 26, keyed);
      e(keyButtons[2], x + 2 * (bw + 6), s + 152, bw, 26, keyed);
      for (int i = 0; i < 3; ++i) e(keyButtons[3 + i], x + i * (bw + 6), s + 184, bw, 26, keyed);
      e(keyButtons[6], x, s + 216, cw, 26, keyed);
      h5 = h4 + 322;
    } else {
      for (HWND h : {ui.keyHeading, ui.keyStatus, ui.keyFrameLabel, ui.keyFrameEdit, ui.curveLabel, ui.curveEdit,
                     ui.noteLabel, ui.noteEdit, ui.keyValues})
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
        {ui.presetHeading, ui.presetStatus, ui.presetDescription, 1591, 1592, 1595, 1593, 1594, 82, 226,
         obj && scene.presetBrowser.visible},
        {ui.capsuleHeading, ui.capsuleStatus, ui.capsuleDescription, 1611, 1612, 1615, 1613, 1614, 92, 238,
         obj && scene.capsuleBrowser.visible}};
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
        e(block.heading, x, n, cw, 22, true);
        e(block.status, x, n + 26, cw, 40, true);
        for (int i = 0; i < 3; ++i) e(buttons[i], x + i * (9 + pw), n + 70, pw, 26, true);
        e(buttons[3], x, n + 102, hw, 26, true);
        e(buttons[4], x + 8 + hw, n + 102, hw, 26, true);
        e(block.description, x, n + 134, cw, block.descriptionHeight, true);
        n += block.advance;
      }
      e(ui.texturePreview, x, n, cw, 124, obj);
      e(ui.meshDetails, x, n + 134, cw, detailsHeight, obj);
      if (obj) flowEnd = n + 134 + detailsHeight;
    } else {
      for (const Block& block : blocks) {
        for (HWND h : {block.heading, block.status, block.description}) setVisible(h, false);
        for (int id : {block.prev, block.next, block.filter, block.preview, block.apply}) setVisible(mainButton(id), false);
      }
      setVisible(ui.texturePreview, false);
      setVisible(ui.meshDetails, false);
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
  HWND apply = mainButton(1301);
  HWND reset = mainButton(1203);
  setVisible(apply, obj);
  setVisible(reset, obj);
  if (obj) {
    moveChildWindow(apply, x, stripTop + 18, half, 34);
    moveChildWindow(reset, x + 12 + half, stripTop + 18, half, 34);
  }
}

void layoutStatusBar(int W, int H) {
  UiHandles& ui = appState().ui;
  const int y = H - 26;
  place(ui.statusLine, 20, y, 240, 20);
  place(ui.projectLabel, 292, y, 228, 20);
  place(ui.dirtyBadge, 552, y, 108, 20);
  place(ui.objectCountLabel, W - 444, y, 150, 20);
  place(ui.viewLabel, W - 274, y, 138, 20);
  place(ui.versionLabel, W - 116, y, 96, 20);
  for (HWND h : ui.hiddenStatusLabels) setVisible(h, false);
}

}  // namespace

LayoutRects computeLayoutRects(int clientWidth, int clientHeight) {
  const AppState& app = appState();
  LayoutRects L;
  const int W = std::max(clientWidth, 1120);
  const int H = std::max(clientHeight, 720);
  L.width = W;
  L.height = H;
  const int inspW = W < 1366 ? 304 : W < 1600 ? 340 : 380;
  const int railW = W < 1366 ? 236 : W < 1600 ? 258 : 284;
  const int bodyH = std::max(H - 138, 300);
  const int bodyBottom = 96 + bodyH;
  const int cx = railW + 90;
  const bool timeline = app.project.scene.timelineSettings.showTimelinePanel;
  const int th = timeline ? clampInt(H / 5, 150, 210) : 0;
  const int gap = timeline ? 8 : 0;
  const int vpW = std::max(W - cx - inspW - 16, 360);
  const int vpRight = cx + vpW;
  const int vpH = std::max(bodyH - gap - th, 240);
  const int tw = clampInt((vpRight - cx) / 5, 150, 210);
  const int ltH = app.leftToolsOpen ? clampInt(bodyH / 3, 250, 306) : 50;
  int leftToolsTop = bodyBottom - ltH;
  if (app.leftToolsOpen && leftToolsTop < 286) leftToolsTop = 286;

  L.titleBar = {0, 0, W, 38};
  L.toolbar = {0, 38, W, 88};
  L.statusBar = {0, H - 34, W, H};
  L.activityRail = {8, 96, 74, bodyBottom};
  L.railPanel = {82, 96, 82 + railW, bodyBottom};
  L.viewportArea = {cx, 96, vpRight, 96 + vpH};
  L.viewportHeader = {cx, 96, vpRight, 140};
  L.viewport = {cx + 48, 141, vpRight - 2, 96 + vpH - 34};
  L.timeline = timeline ? RECT{cx, 96 + vpH + 8, vpRight, 96 + vpH + 8 + th} : RECT{cx, 96 + vpH, vpRight, 96 + vpH};
  L.inspector = {vpRight + 8, 96, W - 8, bodyBottom};
  L.inspectorHeader = {vpRight + 8, 96, W - 8, 144};
  L.leftTools = {L.railPanel.left, leftToolsTop, L.railPanel.right, L.railPanel.bottom};
  L.outlinerList = {L.railPanel.left + 10, L.railPanel.top + 92, L.railPanel.right - 10, L.leftTools.top - 10};
  if (timeline) {
    L.timelineTrack = {cx + 12, L.timeline.top + 82, cx + 12 + tw, L.timeline.bottom - 12};
    L.timelineKey = {cx + 20 + tw, L.timeline.top + 82, vpRight - 12, L.timeline.bottom - 12};
  }
  return L;
}

void moveChildWindow(HWND control, int x, int y, int w, int h) {
  if (!control) return;
  RECT r{};
  GetWindowRect(control, &r);
  POINT corner{r.left, r.top};
  ScreenToClient(GetParent(control), &corner);
  if (corner.x == x && corner.y == y && r.right - r.left == w && r.bottom - r.top == h) return;
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
  const UiHandles& ui = app.ui;
  const RECT& I = ui.inspectorRect;
  std::vector<InspectorSectionHeader> headers;
  if (I.right <= I.left || I.bottom <= I.top) return headers;
  const bool obj = findObjectById(app.project.scene, app.selectedObjectId) != nullptr;
  const int left = I.left + 12;
  const int right = left + std::max(width(I) - 34, 100);
  int top = ui.inspectorHeaderRect.bottom - app.inspectorScrollOffset + 92;
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

void layoutMainWindow(HWND main) {
  AppState& app = appState();
  UiHandles& ui = app.ui;
  RECT client{};
  if (main) GetClientRect(main, &client);
  const LayoutRects L = computeLayoutRects(client.right - client.left, client.bottom - client.top);
  ui.titleBarRect = L.titleBar;
  ui.toolbarRect = L.toolbar;
  ui.statusBarRect = L.statusBar;
  ui.activityRailRect = L.activityRail;
  ui.railPanelRect = L.railPanel;
  ui.viewportAreaRect = L.viewportArea;
  ui.viewportHeaderRect = L.viewportHeader;
  ui.viewportRect = L.viewport;
  ui.timelineRect = L.timeline;
  ui.inspectorRect = L.inspector;
  ui.inspectorHeaderRect = L.inspectorHeader;
  ui.leftToolsRect = L.leftTools;
  ui.outlinerListRect = L.outlinerList;
  ui.timelineTrackRect = L.timelineTrack;
  ui.timelineKeyRect = L.timelineKey;
  if (!main) return;

  const int W = L.width;
  PlacerRun a{W < 1280 ? 246 : 330, 7, W, 24, 2};
  const std::pair<int, int> menus[] = {{9001, 46}, {9016, 46}, {9002, 64}, {9003, 64}, {9005, 54},
                                       {9006, 58}, {9007, 78}, {9010, 76}, {9011, 54}, {9012, 64},
                                       {9017, 58}, {9018, 72}, {9004, 52}};
  for (auto [id, w] : menus) a(mainButton(id), w);
  for (int id : {9013, 9014, 9015}) setVisible(mainButton(id), false);

  layoutToolbar(W);
  layoutLeftPanel(L);
  layoutViewport(L);
  layoutTimeline(L);
  layoutInspector(L);
  layoutStatusBar(W, L.height);

  if (app.inspectorScrollRelayout) {
    const RECT& I = L.inspector;
    const RECT body{I.left + 1, I.top + 44, I.right - 1, std::max(I.top + 44, I.bottom - 82)};
    RedrawWindow(main, &body, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
    if (ui.inspectorScrollbar) InvalidateRect(ui.inspectorScrollbar, nullptr, FALSE);
    app.inspectorScrollRelayout = false;
  } else {
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
  }
}

bool handleInspectorClick(POINT point) {
  AppState& app = appState();
  const RECT& I = app.ui.inspectorRect;
  if (!PtInRect(&I, point)) return false;
  const RECT foot{I.left, std::max(I.top + 48, I.bottom - 64), I.right, I.bottom};
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
  } else if (app.ui.inspectorScrollbar) {
    InvalidateRect(app.ui.inspectorScrollbar, nullptr, FALSE);
  }
}

RECT inspectorScrollThumbRect(const RECT& track) {
  const AppState& app = appState();
  const int trackH = std::max(track.bottom - track.top, 1);
  const int usable = std::max(trackH - 4, 1);
  const int max = app.inspectorScrollMax;
  const int thumb = max <= 0 ? usable : std::max(MulDiv(usable, usable, max + usable), 28);
  const int freeSpace = std::max(usable - thumb, 0);
  int top = 2;
  if (max >= 1 && freeSpace >= 1) top += MulDiv(clampInt(app.inspectorScrollOffset, 0, max), freeSpace, max);
  return RECT{2, top, std::max(std::max(track.right - track.left, 1) - 2, 3), top + thumb};
}

}  // namespace vk
