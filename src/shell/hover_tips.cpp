// Hover tips: a registry of help texts per control, a delay on the main
// window's timer and the studio's own small tip window beside the cursor.
#include <algorithm>
#include <iterator>

#include "model/app_state.h"
#include "platform/palette.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
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

// Tips of the main-window controls that are not command rows: the menu-bar
// buttons, the two toolbar dropdowns and the outliner search box.
struct ControlTip {
  int id;
  const wchar_t* text;
};

constexpr ControlTip kControlTips[] = {
    {kMenuFile, L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation."},
    {kMenuCreate, L"Create menu: mesh primitives, curves, cameras, lights, empties, and capsules."},
    {kMenuObject, L"Object menu: modes, tools, axis constraints, hierarchy, and history."},
    {kMenuMesh, L"Mesh menu: OBJ import, GLB/glTF/OBJ export, and Edit Mesh operations."},
    {kMenuCurve, L"Curve menu: create curves, edit curve points, and convert curves to meshes."},
    {kMenuMaterial, L"Material menu: material slots, presets, capsules, PBR fields, and texture maps."},
    {kMenuView,
     L"View menu: camera view, active camera, viewport projection, Phase 48 light controls, and Phase 49/50 "
     L"shading modes."},
    {kMenuRender, L"Render menu: still export, render source, output size, and camera-frame crop."},
    {kMenuTimeline, L"Timeline menu: frame navigation, bridge settings, and keyframe commands."},
    {kMenuModifier, L"Modifier menu: add and tune the selected object's modifier stack."},
    {kMenuHelp, L"Help menu: phase notes and copyright."},
    {kMenuSelection, L"Selection menu: Object, Edit Mesh, and Edit Curve modes and the mesh component type."},
    {kMenuAxis, L"Axis menu: lock transforms to X, Y, or Z, or leave them free."},
    {kMenuPresets, L"Presets menu: browse material presets and apply the safe ones."},
    {kMenuCapsules,
     L"Veltrask Capsules: browse reusable manifests and apply object-kit, starter, material, and lighting "
     L"capsules safely."},
    {kMenuEdit, L"Edit menu: undo, redo, duplicate, delete, and selection commands."},
    {kMenuTools, L"Tools menu: transform tools, snapping, and axis constraints."},
    {kMenuWindow, L"Window menu: show or hide the panels and restore the workspace layout."},
    {kCtlOutlinerSearch,
     L"Filter the Outliner by object name, type, material, primitive, collection, or ID. Shortcut: Ctrl+F."},
};

HWND copyWithId(const HWND* copies, std::size_t count, int id) {
  for (std::size_t i = 0; i < count; ++i)
    if (copies[i] && GetDlgCtrlID(copies[i]) == id) return copies[i];
  return nullptr;
}

// The tool strip and the Left Tools box repeat toolbar commands: the same
// tip behind a prefix naming the copy.
void addCopyTips(const HWND* copies, std::size_t count, const wchar_t* prefix) {
  for (std::size_t i = 0; i < count; ++i) {
    const CommandRow* row = copies[i] ? findCommandRow(GetDlgCtrlID(copies[i])) : nullptr;
    if (row && row->tip) addTooltip(copies[i], prefix + std::wstring(row->tip));
  }
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
  const UiHandles& ui = appState().ui;
  for (const ControlTip& tip : kControlTips) addTooltip(mainButton(tip.id), tip.text);
  for (int slot = 1; slot <= kRailSlotCount; ++slot)
    addTooltip(mainButton(kCmdRailSlotBase + slot),
               L"Context action " + std::to_wstring(slot) + L" for the active left panel.");
  for (const CommandRow* row : commandRows())
    if (row->tip) addTooltip(mainButton(row->id), row->tip);
  addCopyTips(ui.toolStripButtons, std::size(ui.toolStripButtons), L"Viewport tool strip: ");
  addCopyTips(ui.leftToolsButtons, std::size(ui.leftToolsButtons), L"Left Tools: ");
  addTooltip(copyWithId(ui.leftToolsButtons, std::size(ui.leftToolsButtons), kMenuAxis),
             L"Left Tools: open the axis/transform constraint menu.");
  addTooltip(ui.curveEdit, L"Curve interpolation: Linear, Hold, Ease In, Ease Out, or Ease In Out. Apply Meta "
             L"writes the sanitized curve label.");
  addTooltip(ui.railCaption, L"The active left panel. Pick another with the rail tabs.");
  addTooltip(ui.railDescription, L"What the active left panel is for.");
  addTooltip(ui.railDetails, L"Details of the active left panel and the current selection.");
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
  fillVerticalGradient(dc, client, kFieldBackground, kMenuItemBottom);
  hollowRoundRect(dc, client, kButtonAccentBorder, 8);
  wchar_t buffer[1024] = {};
  const int length = GetWindowTextW(hwnd, buffer, 1024);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextTip);
  HGDIOBJ oldFont = appState().ui.uiFont ? SelectObject(dc, appState().ui.uiFont) : nullptr;
  RECT textRect{client.left + 12, client.top + 8, client.right - 12, client.bottom - 8};
  DrawTextW(dc, buffer, length, &textRect, DT_WORDBREAK | DT_NOPREFIX | DT_VCENTER);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace vk
