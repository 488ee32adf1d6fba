// Hover tips: a registry of help texts per control, a delay on the main
// window's timer and the studio's own small tip window beside the cursor.
#include <algorithm>

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

struct ButtonTip {
  int id;
  const wchar_t* text;
};

// The telling rows word for word; the others name the control's purpose and
// its shortcut in the same manner.
constexpr ButtonTip kButtonTips[] = {
    {9001, L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation."},
    {9002, L"Create menu: mesh primitives, curves, cameras, lights, empties, and capsules."},
    {9003, L"Object menu: modes, tools, axis constraints, hierarchy, and history."},
    {9005, L"Mesh menu: OBJ import, GLB/glTF/OBJ export, and Edit Mesh operations."},
    {9006, L"Curve menu: create curves, edit curve points, and convert curves to meshes."},
    {9010, L"Material menu: material slots, presets, capsules, PBR fields, and texture maps."},
    {9011, L"View menu: camera view, active camera, viewport projection, Phase 48 light controls, and Phase 49/50 "
           L"shading modes."},
    {9012, L"Render menu: still export, render source, output size, and camera-frame crop."},
    {9013, L"Timeline menu: frame navigation, bridge settings, and keyframe commands."},
    {9007, L"Modifier menu: add and tune the selected object's modifier stack."},
    {9004, L"Help menu: phase notes and copyright."},
    {1731, L"Edit Mesh Mode: edit vertices, edges, and faces on editable mesh objects. Tab toggles mode."},
    {1736, L"Edit Curve Mode: edit curve points on curve objects. Use the button or Selection dropdown; numeric keys "
           L"4/5/6/7 now control viewport shading."},
    {1701, L"Select Tool. Shortcut: Q."},
    {1702, L"Move Tool: translate the selected object, mesh component, or curve point. Shortcut: W."},
    {1703, L"Rotate Tool: rotate the selected object. Shortcut: E."},
    {1704, L"Scale Tool: scale the selected object. Shortcut: S."},
    {1710, L"Free axis constraint: transforms are not locked to X, Y, or Z. Shortcut: Esc."},
    {1204, L"Undo the last safe command. Shortcut: Ctrl+Z."},
    {1205, L"Redo the last undone command. Shortcut: Ctrl+Y."},
    {1503, L"Viewport view dropdown: Perspective, Orthographic, and Camera View options. Shortcut P still toggles "
           L"projection."},
    {1536, L"Viewport navigation: Pan mode. Shortcut: H or Shift+RMB."},
    {1538, L"Viewport navigation: Camera Aim mode. Shortcut: C with a selected camera."},
    {1504, L"Toggle Camera View through the active camera. Shortcut: 0; Ctrl+0 sets the selected camera active. View "
           L"menu now includes lightweight camera frustum/look-target overlays."},
    {1514, L"Cycle viewport shading: Wireframe, Solid, Lit, and Material Preview. Shortcuts: 4/5/6/7."},
    {1540, L"Timeline: jump to the saved start frame. Shortcut: Home in the viewport."},
    {1550, L"Phase 52: add or update the selected object's transform keyframe at the current frame. Shortcut: K."},
    {1560, L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C in "
           L"viewport."},
    {1573, L"Keyframe Inspector: apply frame/curve/note edits to the selected keyframe. Duplicate frames are "
           L"refused."},
    {9015, L"Veltrask Capsules: browse reusable manifests and apply object-kit, starter, material, and lighting "
           L"capsules safely."},
    {1594, L"Preset Browser: apply only safe currently-supported material presets; capsule presets remain "
           L"preview-only."},
    {1003, L"Save the current Veltrask project."},
    {1201, L"Duplicate the selected object. Shortcut: Ctrl+D from menus/workflows when available."},
    {1909, L"Add Lattice placeholder: Phase 46 safe preview cage; full lattice solver comes later."},
    {1748, L"Loop Cut placeholder: safely records the command until full loop cutting is implemented. Shortcut: "
           L"Ctrl+L."},
    {1743, L"Flip normals for the selected mesh. Shortcut: Ctrl+F."},
    {1762, L"Convert selected curve to a new mesh copy while preserving the source curve. Shortcut: Ctrl+K."},
    {1301, L"Apply Inspector: commit visible inspector field values to the selected object."},
    {1203, L"Reset Transform: set position/rotation to zero and scale to one for the selected object."},
};

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
  const UiHandles& ui = appState().ui;
  for (const ButtonTip& tip : kButtonTips) addTooltip(mainButton(tip.id), tip.text);
  for (HWND button : ui.toolStripButtons) {
    const int id = button ? GetDlgCtrlID(button) : 0;
    for (const ButtonTip& tip : kButtonTips)
      if (tip.id == id) addTooltip(button, std::wstring(L"Viewport tool strip: ") + tip.text);
  }
  for (HWND button : ui.leftToolsButtons) {
    const int id = button ? GetDlgCtrlID(button) : 0;
    if (id == 9009) addTooltip(button, L"Left Tools: open the axis/transform constraint menu.");
    for (const ButtonTip& tip : kButtonTips)
      if (tip.id == id) addTooltip(button, std::wstring(L"Left Tools: ") + tip.text);
  }
  addTooltip(ui.outlinerSearch,
             L"Filter the Outliner by object name, type, material, primitive, collection, or ID. Shortcut: Ctrl+F.");
  addTooltip(ui.curveEdit, L"Curve interpolation: Linear, Hold, Ease In, Ease Out, or Ease In Out. Apply Meta writes "
                           L"the sanitized curve label.");
  for (int slot = 1; slot <= 6; ++slot)
    addTooltip(mainButton(7220 + slot),
               L"Context action " + std::to_wstring(slot) + L" for the active left panel.");
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
