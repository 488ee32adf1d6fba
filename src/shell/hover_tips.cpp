// Hover tips: a registry of help texts per control, a delay on the main
// window's timer and the studio's own small tip window beside the cursor.
#include <algorithm>
#include <iterator>

#include "model/app_state.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

constexpr UINT_PTR kTipTimer = 8621;
constexpr UINT kTipDelayMs = 360;
constexpr UINT_PTR kSubclassId = 4200;

const HoverTipEntry* findTip(HWND control) {
  for (const HoverTipEntry& entry : appState().hoverTips)
    if (entry.control == control) return &entry;
  return nullptr;
}

void trackLeave(HWND control) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = control;
  track.dwHoverTime = 0;
  TrackMouseEvent(&track);
}

// Which copy of a control a row names: several ids stand on a toolbar button,
// a viewport tool-strip button and a Left Tools button at once.
enum class TipCopy { main, strip, leftTools, curveEdit, railCaption, railDescription, railDetails };

struct TipRow {
  TipCopy copy;
  int id;
  const wchar_t* text;  // null: the copy's prefix before the main button's text
};

constexpr TipCopy M = TipCopy::main;

// Registration order is the table order; a control listed twice would keep
// the later text.
constexpr TipRow kTipRows[] = {
    {M, 9001, L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation."},
    {M, 9002, L"Create menu: mesh primitives, curves, cameras, lights, empties, and capsules."},
    {M, 9003, L"Object menu: modes, tools, axis constraints, hierarchy, and history."},
    {M, 9005, L"Mesh menu: OBJ import, GLB/glTF/OBJ export, and Edit Mesh operations."},
    {M, 9006, L"Curve menu: create curves, edit curve points, and convert curves to meshes."},
    {M, 9010, L"Material menu: material slots, presets, capsules, PBR fields, and texture maps."},
    {M, 9011, L"View menu: camera view, active camera, viewport projection, Phase 48 light controls, and Phase 49/50 "
              L"shading modes."},
    {M, 9012, L"Render menu: still export, render source, output size, and camera-frame crop."},
    {M, 9013, L"Timeline menu: frame navigation, bridge settings, and keyframe commands."},
    {M, 9007, L"Modifier menu: add and tune the selected object's modifier stack."},
    {M, 9004, L"Help menu: phase notes and copyright."},
    {M, 1730, L"Object Mode: select and transform whole objects. Tab toggles mode."},
    {M, 1731, L"Edit Mesh Mode: edit vertices, edges, and faces on editable mesh objects. Tab toggles mode."},
    {M, 1736, L"Edit Curve Mode: edit curve points on curve objects. Use the button or Selection dropdown; numeric "
              L"keys 4/5/6/7 now control viewport shading."},
    {M, 9008, L"Selection menu: Object, Edit Mesh, and Edit Curve modes and the mesh component type."},
    {M, 9009, L"Axis menu: lock transforms to X, Y, or Z, or leave them free."},
    {M, 1701, L"Select Tool. Shortcut: Q."},
    {M, 1702, L"Move Tool: translate the selected object, mesh component, or curve point. Shortcut: W."},
    {M, 1703, L"Rotate Tool: rotate the selected object. Shortcut: E."},
    {M, 1704, L"Scale Tool: scale the selected object. Shortcut: S."},
    {M, 1732, L"Vertex selection: pick mesh vertices in Edit Mesh Mode."},
    {M, 1733, L"Edge selection: pick mesh edges in Edit Mesh Mode."},
    {M, 1734, L"Face selection: pick mesh faces in Edit Mesh Mode."},
    {M, 1735, L"Clear the current vertex, edge, face, or curve point selection."},
    {M, 1710, L"Free axis constraint: transforms are not locked to X, Y, or Z. Shortcut: Esc."},
    {M, 1711, L"X axis constraint: lock transforms to the X axis."},
    {M, 1712, L"Y axis constraint: lock transforms to the Y axis."},
    {M, 1713, L"Z axis constraint: lock transforms to the Z axis."},
    {M, 1720, L"Snap: toggle grid snapping for moves, rotations, and scales."},
    {M, 1204, L"Undo the last safe command. Shortcut: Ctrl+Z."},
    {M, 1205, L"Redo the last undone command. Shortcut: Ctrl+Y."},
    {M, 1502, L"Frame the selected object in the viewport."},
    {M, 1501, L"Reset View: return the viewport to the default orbit view."},
    {M, 1503, L"Viewport view dropdown: Perspective, Orthographic, and Camera View options. Shortcut P still toggles "
              L"projection."},
    {M, 1535, L"Viewport navigation: Orbit mode."},
    {M, 1536, L"Viewport navigation: Pan mode. Shortcut: H or Shift+RMB."},
    {M, 1537, L"Viewport navigation: Dolly mode."},
    {M, 1538, L"Viewport navigation: Camera Aim mode. Shortcut: C with a selected camera."},
    {M, 1504, L"Toggle Camera View through the active camera. Shortcut: 0; Ctrl+0 sets the selected camera active. "
              L"View menu now includes lightweight camera frustum/look-target overlays."},
    {M, 1514, L"Cycle viewport shading: Wireframe, Solid, Lit, and Material Preview. Shortcuts: 4/5/6/7."},
    {TipCopy::strip, 1701, nullptr},
    {TipCopy::strip, 1702, nullptr},
    {TipCopy::strip, 1703, nullptr},
    {TipCopy::strip, 1704, nullptr},
    {TipCopy::strip, 1730, nullptr},
    {TipCopy::strip, 1731, nullptr},
    {M, 1520, L"Render the still image through the render source and save it as a PNG."},
    {M, 1540, L"Timeline: jump to the saved start frame. Shortcut: Home in the viewport."},
    {M, 1541, L"Timeline: step back one frame."},
    {M, 1542, L"Timeline: step forward one frame."},
    {M, 1543, L"Timeline: jump to the saved end frame."},
    {M, 1544, L"Timeline: apply the frame, range, and rate fields."},
    {M, 1548, L"Timeline: focus the track on the selected object's keys."},
    {M, 1550, L"Phase 52: add or update the selected object's transform keyframe at the current frame. Shortcut: K."},
    {M, 1551, L"Remove the selected object's transform keyframe at the current frame."},
    {M, 1552, L"Jump to the selected object's previous keyframe."},
    {M, 1553, L"Jump to the selected object's next keyframe."},
    {M, 1554, L"Apply the selected object's keyed transform at the current frame."},
    {M, 1560, L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C in "
              L"viewport."},
    {M, 1561, L"Remove the selected camera's settings key at the current frame."},
    {M, 1564, L"Apply the selected camera's keyed settings at the current frame."},
    {M, 1566, L"Add or update the selected light's settings key at the current frame."},
    {M, 1567, L"Remove the selected light's settings key at the current frame."},
    {M, 1570, L"Apply the selected light's keyed settings at the current frame."},
    {M, 1572, L"Keyframe Inspector: select the keyframe at the current frame."},
    {M, 1577, L"Keyframe Inspector: select the previous keyframe."},
    {M, 1578, L"Keyframe Inspector: select the next keyframe."},
    {M, 1573, L"Keyframe Inspector: apply frame/curve/note edits to the selected keyframe. Duplicate frames are "
              L"refused."},
    {M, 1574, L"Keyframe Inspector: capture the selected object's current transform into the selected keyframe."},
    {M, 1575, L"Keyframe Inspector: apply the selected keyframe's values to its object."},
    {M, 1576, L"Keyframe Inspector: delete the selected keyframe."},
    {M, 9014, L"Presets menu: browse material presets and apply the safe ones."},
    {M, 9015, L"Veltrask Capsules: browse reusable manifests and apply object-kit, starter, material, and lighting "
              L"capsules safely."},
    {M, 1611, L"Veltrask Capsules: select the previous capsule."},
    {M, 1612, L"Veltrask Capsules: select the next capsule."},
    {M, 1613, L"Veltrask Capsules: preview the selected capsule without changing the scene."},
    {M, 1614, L"Veltrask Capsules: apply the selected capsule safely."},
    {M, 1615, L"Veltrask Capsules: cycle the capsule category filter."},
    {M, 1591, L"Preset Browser: select the previous preset."},
    {M, 1592, L"Preset Browser: select the next preset."},
    {M, 1593, L"Preset Browser: preview the selected preset without changing the scene."},
    {M, 1594, L"Preset Browser: apply only safe currently-supported material presets; capsule presets remain "
              L"preview-only."},
    {M, 1595, L"Preset Browser: cycle the preset category filter."},
    {TipCopy::curveEdit, 0, L"Curve interpolation: Linear, Hold, Ease In, Ease Out, or Ease In Out. Apply Meta "
                            L"writes the sanitized curve label."},
    {M, 1003, L"Save the current Veltrask project."},
    {M, 9016, L"Edit menu: undo, redo, duplicate, delete, and selection commands."},
    {M, 9017, L"Tools menu: transform tools, snapping, and axis constraints."},
    {M, 9018, L"Window menu: show or hide the panels and restore the workspace layout."},
    {M, 7201, L"Outliner: the scene hierarchy with visibility and lock controls."},
    {M, 7202, L"Assets: imported meshes, textures, and capsules of the project."},
    {M, 7203, L"Materials: the material slots of the project and the selected object's material."},
    {M, 7204, L"Scene: scene settings, active camera, and render output."},
    {M, 7205, L"History: the undo and redo history of this session."},
    {M, 7211, L"Filter the Outliner by object name, type, material, primitive, collection, or ID. Shortcut: Ctrl+F."},
    {TipCopy::railCaption, 0, L"The active left panel. Pick another with the rail tabs."},
    {TipCopy::railDescription, 0, L"What the active left panel is for."},
    {TipCopy::railDetails, 0, L"Details of the active left panel and the current selection."},
    {M, 7221, L"Context action 1 for the active left panel."},
    {M, 7222, L"Context action 2 for the active left panel."},
    {M, 7223, L"Context action 3 for the active left panel."},
    {M, 7224, L"Context action 4 for the active left panel."},
    {M, 7225, L"Context action 5 for the active left panel."},
    {M, 7226, L"Context action 6 for the active left panel."},
    {TipCopy::leftTools, 1701, nullptr},
    {TipCopy::leftTools, 1702, nullptr},
    {TipCopy::leftTools, 1703, nullptr},
    {TipCopy::leftTools, 1704, nullptr},
    {TipCopy::leftTools, 1730, nullptr},
    {TipCopy::leftTools, 1731, nullptr},
    {TipCopy::leftTools, 9009, L"Left Tools: open the axis/transform constraint menu."},
    {TipCopy::leftTools, 1502, nullptr},
    {TipCopy::leftTools, 1720, nullptr},
    {TipCopy::leftTools, 1501, nullptr},
    {M, 1101, L"Add a cube mesh at the origin."},
    {M, 1105, L"Add a plane mesh at the origin."},
    {M, 1106, L"Add a sphere mesh at the origin."},
    {M, 1107, L"Add a cylinder mesh at the origin."},
    {M, 1108, L"Add a cone mesh at the origin."},
    {M, 1102, L"Add a camera object."},
    {M, 1103, L"Add a light object."},
    {M, 1120, L"Add a line curve."},
    {M, 1121, L"Add a Bezier curve."},
    {M, 1122, L"Add a circle curve."},
    {M, 1123, L"Add a rectangle curve."},
    {M, 1201, L"Duplicate the selected object. Shortcut: Ctrl+D from menus/workflows when available."},
    {M, 1202, L"Delete the selected object."},
    {M, 1801, L"Create a new empty group."},
    {M, 1901, L"Add a Mirror modifier to the selected object."},
    {M, 1902, L"Add an Array modifier to the selected object."},
    {M, 1903, L"Add a Bevel modifier to the selected object."},
    {M, 1904, L"Add a Solidify modifier to the selected object."},
    {M, 1905, L"Add a Subdivision modifier to the selected object."},
    {M, 1906, L"Add a Bend modifier to the selected object."},
    {M, 1907, L"Add a Twist modifier to the selected object."},
    {M, 1908, L"Add a Taper modifier to the selected object."},
    {M, 1909, L"Add Lattice placeholder: Phase 46 safe preview cage; full lattice solver comes later."},
    {M, 1802, L"Parent the selected object to another object."},
    {M, 1803, L"Clear the selected object's parent."},
    {M, 1804, L"Show or hide the selected object."},
    {M, 1805, L"Lock or unlock the selected object."},
    {M, 1740, L"Extrude the selected faces of the mesh."},
    {M, 1745, L"Inset the selected faces of the mesh."},
    {M, 1746, L"Bevel the selected edges of the mesh."},
    {M, 1747, L"Bridge two selected edge loops of the mesh."},
    {M, 1748, L"Loop Cut placeholder: safely records the command until full loop cutting is implemented. Shortcut: "
              L"Ctrl+L."},
    {M, 1749, L"Fill the selected edges or vertices with a face."},
    {M, 1741, L"Delete the selected vertices, edges, or faces."},
    {M, 1742, L"Merge the selected vertices at their centre."},
    {M, 1743, L"Flip normals for the selected mesh. Shortcut: Ctrl+F."},
    {M, 1744, L"Recalculate the normals of the selected mesh to face outward."},
    {M, 1750, L"Separate the selected faces into a new mesh object."},
    {M, 1751, L"Join the selected faces' mesh with another mesh object."},
    {M, 1760, L"Add a point to the selected curve."},
    {M, 1761, L"Delete the selected curve point."},
    {M, 1762, L"Convert selected curve to a new mesh copy while preserving the source curve. Shortcut: Ctrl+K."},
    {M, 1301, L"Apply Inspector: commit visible inspector field values to the selected object."},
    {M, 1203, L"Reset Transform: set position/rotation to zero and scale to one for the selected object."},
};

HWND copyWithId(const HWND* copies, std::size_t count, int id) {
  for (std::size_t i = 0; i < count; ++i)
    if (copies[i] && GetDlgCtrlID(copies[i]) == id) return copies[i];
  return nullptr;
}

const wchar_t* mainText(int id) {
  for (const TipRow& row : kTipRows)
    if (row.copy == TipCopy::main && row.id == id) return row.text;
  return L"";
}

HWND tipControl(const TipRow& row) {
  const UiHandles& ui = appState().ui;
  switch (row.copy) {
    case TipCopy::main: return mainButton(row.id);
    case TipCopy::strip: return copyWithId(ui.toolStripButtons, std::size(ui.toolStripButtons), row.id);
    case TipCopy::leftTools: return copyWithId(ui.leftToolsButtons, std::size(ui.leftToolsButtons), row.id);
    case TipCopy::curveEdit: return ui.curveEdit;
    case TipCopy::railCaption: return ui.railCaption;
    case TipCopy::railDescription: return ui.railDescription;
    case TipCopy::railDetails: return ui.railDetails;
  }
  return nullptr;
}

std::wstring tipText(const TipRow& row) {
  if (row.text) return row.text;
  const wchar_t* prefix = row.copy == TipCopy::strip ? L"Viewport tool strip: " : L"Left Tools: ";
  return prefix + std::wstring(mainText(row.id));
}

}  // namespace

SIZE hoverTipSize(SIZE text) {
  return SIZE{std::clamp<LONG>(text.cx + 26, 180, 430), std::clamp<LONG>(text.cy + 18, 34, 160)};
}

POINT hoverTipPosition(POINT cursor, SIZE size, const RECT* work) {
  POINT at{cursor.x + 18, cursor.y + 22};
  if (!work) return at;
  if (at.x + size.cx > work->right - 8) at.x = cursor.x - size.cx - 18;
  if (at.y + size.cy > work->bottom - 8) at.y = cursor.y - size.cy - 18;
  at.x = std::max<LONG>(at.x, work->left + 8);
  at.y = std::max<LONG>(at.y, work->top + 8);
  return at;
}

void addTooltip(HWND control, const std::wstring& text) {
  if (!control || text.empty()) return;
  AppState& app = appState();
  for (HoverTipEntry& entry : app.hoverTips) {
    if (entry.control == control) {
      entry.text = text;
      return;
    }
  }
  app.hoverTips.push_back({control, text});
  SetWindowSubclass(control, TooltipSubclassProc, kSubclassId, 0);
}

void attachHoverTips() {
  for (const TipRow& row : kTipRows) addTooltip(tipControl(row), tipText(row));
}

void hideHoverTip() {
  AppState& app = appState();
  if (app.ui.mainWindow) KillTimer(app.ui.mainWindow, kTipTimer);
  if (app.ui.hoverTip) ShowWindow(app.ui.hoverTip, SW_HIDE);
  app.hoveredControl = nullptr;
  app.hoveredTipText.clear();
}

void queueHoverTip(HWND control) {
  AppState& app = appState();
  const HoverTipEntry* entry = findTip(control);
  if (!entry || entry->text.empty() || !IsWindowVisible(control) || !IsWindowEnabled(control)) {
    hideHoverTip();
    return;
  }
  GetCursorPos(&app.hoverCursor);
  if (control == app.hoveredControl && entry->text == app.hoveredTipText) {
    // The delay counts from the first move over the control.
    if (app.ui.hoverTip && IsWindowVisible(app.ui.hoverTip)) positionHoverTip();
  } else {
    if (app.ui.hoverTip) ShowWindow(app.ui.hoverTip, SW_HIDE);
    app.hoveredControl = control;
    app.hoveredTipText = entry->text;
    if (app.ui.mainWindow) SetTimer(app.ui.mainWindow, kTipTimer, kTipDelayMs, nullptr);
  }
  trackLeave(control);
}

void positionHoverTip() {
  AppState& app = appState();
  HWND tip = app.ui.hoverTip;
  if (!tip || app.hoveredTipText.empty()) return;
  SIZE text{};
  if (HDC dc = GetDC(tip)) {
    HGDIOBJ old = app.ui.uiFont ? SelectObject(dc, app.ui.uiFont) : nullptr;
    RECT box{0, 0, 380, 0};
    DrawTextW(dc, app.hoveredTipText.c_str(), static_cast<int>(app.hoveredTipText.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    ReleaseDC(tip, dc);
    text = SIZE{box.right - box.left, box.bottom - box.top};
  }
  const SIZE size = hoverTipSize(text);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const bool haveWork = GetMonitorInfoW(MonitorFromPoint(app.hoverCursor, MONITOR_DEFAULTTONEAREST), &info) != FALSE;
  const POINT at = hoverTipPosition(app.hoverCursor, size, haveWork ? &info.rcWork : nullptr);
  SetWindowTextW(tip, app.hoveredTipText.c_str());
  SetWindowPos(tip, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(tip, nullptr, FALSE);
}

LRESULT CALLBACK TooltipSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_MOUSEMOVE:
      queueHoverTip(hwnd);
      break;
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_CAPTURECHANGED:
    case WM_ENABLE:
      if (hwnd == appState().hoveredControl) hideHoverTip();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, TooltipSubclassProc, kSubclassId);
      if (hwnd == appState().hoveredControl) hideHoverTip();
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HoverTipWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  fillVerticalGradient(dc, client, RGB(24, 30, 40), RGB(17, 22, 30));
  hollowRoundRect(dc, client, RGB(73, 154, 255), 8);
  wchar_t buffer[1024] = {};
  const int length = GetWindowTextW(hwnd, buffer, 1024);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(230, 238, 250));
  HGDIOBJ oldFont = appState().ui.uiFont ? SelectObject(dc, appState().ui.uiFont) : nullptr;
  RECT textRect{client.left + 12, client.top + 8, client.right - 12, client.bottom - 8};
  DrawTextW(dc, buffer, length, &textRect, DT_WORDBREAK | DT_NOPREFIX | DT_VCENTER);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace vk
