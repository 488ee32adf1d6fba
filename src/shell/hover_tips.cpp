// Hover tips: a registry of help texts per control, a delay on the main
// window's timer and the studio's own small tip window beside the cursor.
#include <algorithm>
#include <iterator>

#include "model/app_state.h"
#include "shell/command_ids.h"
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
    {M, kMenuFile, L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation."},
    {M, kMenuCreate, L"Create menu: mesh primitives, curves, cameras, lights, empties, and capsules."},
    {M, kMenuObject, L"Object menu: modes, tools, axis constraints, hierarchy, and history."},
    {M, kMenuMesh, L"Mesh menu: OBJ import, GLB/glTF/OBJ export, and Edit Mesh operations."},
    {M, kMenuCurve, L"Curve menu: create curves, edit curve points, and convert curves to meshes."},
    {M, kMenuMaterial, L"Material menu: material slots, presets, capsules, PBR fields, and texture maps."},
    {M, kMenuView,
     L"View menu: camera view, active camera, viewport projection, Phase 48 light controls, and Phase 49/50 "
     L"shading modes."},
    {M, kMenuRender, L"Render menu: still export, render source, output size, and camera-frame crop."},
    {M, kMenuTimeline, L"Timeline menu: frame navigation, bridge settings, and keyframe commands."},
    {M, kMenuModifier, L"Modifier menu: add and tune the selected object's modifier stack."},
    {M, kMenuHelp, L"Help menu: phase notes and copyright."},
    {M, kCmdObjectMode, L"Object Mode: select and transform whole objects. Tab toggles mode."},
    {M, kCmdEditMeshMode,
     L"Edit Mesh Mode: edit vertices, edges, and faces on editable mesh objects. Tab toggles mode."},
    {M, kCmdEditCurveMode,
     L"Edit Curve Mode: edit curve points on curve objects. Use the button or Selection dropdown; numeric "
     L"keys 4/5/6/7 now control viewport shading."},
    {M, kMenuSelection, L"Selection menu: Object, Edit Mesh, and Edit Curve modes and the mesh component type."},
    {M, kMenuAxis, L"Axis menu: lock transforms to X, Y, or Z, or leave them free."},
    {M, kCmdToolSelect, L"Select Tool. Shortcut: Q."},
    {M, kCmdToolMove, L"Move Tool: translate the selected object, mesh component, or curve point. Shortcut: W."},
    {M, kCmdToolRotate, L"Rotate Tool: rotate the selected object. Shortcut: E."},
    {M, kCmdToolScale, L"Scale Tool: scale the selected object. Shortcut: S."},
    {M, kCmdVertexSelection, L"Vertex selection: pick mesh vertices in Edit Mesh Mode."},
    {M, kCmdEdgeSelection, L"Edge selection: pick mesh edges in Edit Mesh Mode."},
    {M, kCmdFaceSelection, L"Face selection: pick mesh faces in Edit Mesh Mode."},
    {M, kCmdClearComponentSelection, L"Clear the current vertex, edge, face, or curve point selection."},
    {M, kCmdAxisFree, L"Free axis constraint: transforms are not locked to X, Y, or Z. Shortcut: Esc."},
    {M, kCmdAxisX, L"X axis constraint: lock transforms to the X axis."},
    {M, kCmdAxisY, L"Y axis constraint: lock transforms to the Y axis."},
    {M, kCmdAxisZ, L"Z axis constraint: lock transforms to the Z axis."},
    {M, kCmdToggleSnap, L"Snap: toggle grid snapping for moves, rotations, and scales."},
    {M, kCmdUndo, L"Undo the last safe command. Shortcut: Ctrl+Z."},
    {M, kCmdRedo, L"Redo the last undone command. Shortcut: Ctrl+Y."},
    {M, kCmdFrameSelected, L"Frame the selected object in the viewport."},
    {M, kCmdResetView, L"Reset View: return the viewport to the default orbit view."},
    {M, kCmdToggleProjection,
     L"Viewport view dropdown: Perspective, Orthographic, and Camera View options. Shortcut P still toggles "
     L"projection."},
    {M, kCmdNavigateOrbit, L"Viewport navigation: Orbit mode."},
    {M, kCmdNavigatePan, L"Viewport navigation: Pan mode. Shortcut: H or Shift+RMB."},
    {M, kCmdNavigateDolly, L"Viewport navigation: Dolly mode."},
    {M, kCmdNavigateCameraAim, L"Viewport navigation: Camera Aim mode. Shortcut: C with a selected camera."},
    {M, kCmdToggleCameraView,
     L"Toggle Camera View through the active camera. Shortcut: 0; Ctrl+0 sets the selected camera active. "
     L"View menu now includes lightweight camera frustum/look-target overlays."},
    {M, kCmdCycleShading, L"Cycle viewport shading: Wireframe, Solid, Lit, and Material Preview. Shortcuts: 4/5/6/7."},
    {TipCopy::strip, kCmdToolSelect, nullptr},
    {TipCopy::strip, kCmdToolMove, nullptr},
    {TipCopy::strip, kCmdToolRotate, nullptr},
    {TipCopy::strip, kCmdToolScale, nullptr},
    {TipCopy::strip, kCmdObjectMode, nullptr},
    {TipCopy::strip, kCmdEditMeshMode, nullptr},
    {M, kCmdExportStillPng, L"Render the still image through the render source and save it as a PNG."},
    {M, kCmdTimelineGoToStart, L"Timeline: jump to the saved start frame. Shortcut: Home in the viewport."},
    {M, kCmdTimelinePreviousFrame, L"Timeline: step back one frame."},
    {M, kCmdTimelineNextFrame, L"Timeline: step forward one frame."},
    {M, kCmdTimelineGoToEnd, L"Timeline: jump to the saved end frame."},
    {M, kCmdApplyTimelineFields, L"Timeline: apply the frame, range, and rate fields."},
    {M, kCmdFocusTimelineOnSelection, L"Timeline: focus the track on the selected object's keys."},
    {M, kCmdSetTransformKey,
     L"Phase 52: add or update the selected object's transform keyframe at the current frame. Shortcut: K."},
    {M, kCmdDeleteTransformKey, L"Remove the selected object's transform keyframe at the current frame."},
    {M, kCmdPreviousTransformKey, L"Jump to the selected object's previous keyframe."},
    {M, kCmdNextTransformKey, L"Jump to the selected object's next keyframe."},
    {M, kCmdApplyTransformKeys, L"Apply the selected object's keyed transform at the current frame."},
    {M, kCmdSetCameraKey,
     L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C in "
     L"viewport."},
    {M, kCmdDeleteCameraKey, L"Remove the selected camera's settings key at the current frame."},
    {M, kCmdApplyCameraKeys, L"Apply the selected camera's keyed settings at the current frame."},
    {M, kCmdSetLightKey, L"Add or update the selected light's settings key at the current frame."},
    {M, kCmdDeleteLightKey, L"Remove the selected light's settings key at the current frame."},
    {M, kCmdApplyLightKeys, L"Apply the selected light's keyed settings at the current frame."},
    {M, kCmdSelectCurrentFrameKey, L"Keyframe Inspector: select the keyframe at the current frame."},
    {M, kCmdSelectPreviousInspectorKey, L"Keyframe Inspector: select the previous keyframe."},
    {M, kCmdSelectNextInspectorKey, L"Keyframe Inspector: select the next keyframe."},
    {M, kCmdApplyKeyInspectorFields,
     L"Keyframe Inspector: apply frame/curve/note edits to the selected keyframe. Duplicate frames are "
     L"refused."},
    {M, kCmdCaptureKeyValues,
     L"Keyframe Inspector: capture the selected object's current transform into the selected keyframe."},
    {M, kCmdApplyKeyToObject, L"Keyframe Inspector: apply the selected keyframe's values to its object."},
    {M, kCmdDeleteInspectorKey, L"Keyframe Inspector: delete the selected keyframe."},
    {M, kMenuPresets, L"Presets menu: browse material presets and apply the safe ones."},
    {M, kMenuCapsules,
     L"Veltrask Capsules: browse reusable manifests and apply object-kit, starter, material, and lighting "
     L"capsules safely."},
    {M, kCmdPreviousCapsule, L"Veltrask Capsules: select the previous capsule."},
    {M, kCmdNextCapsule, L"Veltrask Capsules: select the next capsule."},
    {M, kCmdPreviewCapsule, L"Veltrask Capsules: preview the selected capsule without changing the scene."},
    {M, kCmdApplyCapsule, L"Veltrask Capsules: apply the selected capsule safely."},
    {M, kCmdCapsuleCategoryAll, L"Veltrask Capsules: cycle the capsule category filter."},
    {M, kCmdPreviousPreset, L"Preset Browser: select the previous preset."},
    {M, kCmdNextPreset, L"Preset Browser: select the next preset."},
    {M, kCmdPreviewPreset, L"Preset Browser: preview the selected preset without changing the scene."},
    {M, kCmdApplyPreset,
     L"Preset Browser: apply only safe currently-supported material presets; capsule presets remain "
     L"preview-only."},
    {M, kCmdPresetCategoryAll, L"Preset Browser: cycle the preset category filter."},
    {TipCopy::curveEdit, 0,
     L"Curve interpolation: Linear, Hold, Ease In, Ease Out, or Ease In Out. Apply Meta "
     L"writes the sanitized curve label."},
    {M, kCmdSaveProject, L"Save the current Veltrask project."},
    {M, kMenuEdit, L"Edit menu: undo, redo, duplicate, delete, and selection commands."},
    {M, kMenuTools, L"Tools menu: transform tools, snapping, and axis constraints."},
    {M, kMenuWindow, L"Window menu: show or hide the panels and restore the workspace layout."},
    {M, kCmdRailOutliner, L"Outliner: the scene hierarchy with visibility and lock controls."},
    {M, kCmdRailAssets, L"Assets: imported meshes, textures, and capsules of the project."},
    {M, kCmdRailMaterials, L"Materials: the material slots of the project and the selected object's material."},
    {M, kCmdRailScene, L"Scene: scene settings, active camera, and render output."},
    {M, kCmdRailHistory, L"History: the undo and redo history of this session."},
    {M, kCtlOutlinerSearch,
     L"Filter the Outliner by object name, type, material, primitive, collection, or ID. Shortcut: Ctrl+F."},
    {TipCopy::railCaption, 0, L"The active left panel. Pick another with the rail tabs."},
    {TipCopy::railDescription, 0, L"What the active left panel is for."},
    {TipCopy::railDetails, 0, L"Details of the active left panel and the current selection."},
    {M, kCmdRailSlot1, L"Context action 1 for the active left panel."},
    {M, kCmdRailSlot2, L"Context action 2 for the active left panel."},
    {M, kCmdRailSlot3, L"Context action 3 for the active left panel."},
    {M, kCmdRailSlot4, L"Context action 4 for the active left panel."},
    {M, kCmdRailSlot5, L"Context action 5 for the active left panel."},
    {M, kCmdRailSlot6, L"Context action 6 for the active left panel."},
    {TipCopy::leftTools, kCmdToolSelect, nullptr},
    {TipCopy::leftTools, kCmdToolMove, nullptr},
    {TipCopy::leftTools, kCmdToolRotate, nullptr},
    {TipCopy::leftTools, kCmdToolScale, nullptr},
    {TipCopy::leftTools, kCmdObjectMode, nullptr},
    {TipCopy::leftTools, kCmdEditMeshMode, nullptr},
    {TipCopy::leftTools, kMenuAxis, L"Left Tools: open the axis/transform constraint menu."},
    {TipCopy::leftTools, kCmdFrameSelected, nullptr},
    {TipCopy::leftTools, kCmdToggleSnap, nullptr},
    {TipCopy::leftTools, kCmdResetView, nullptr},
    {M, kCmdAddCube, L"Add a cube mesh at the origin."},
    {M, kCmdAddPlane, L"Add a plane mesh at the origin."},
    {M, kCmdAddSphere, L"Add a sphere mesh at the origin."},
    {M, kCmdAddCylinder, L"Add a cylinder mesh at the origin."},
    {M, kCmdAddCone, L"Add a cone mesh at the origin."},
    {M, kCmdAddCamera, L"Add a camera object."},
    {M, kCmdAddPointLight, L"Add a light object."},
    {M, kCmdAddLineCurve, L"Add a line curve."},
    {M, kCmdAddBezierCurve, L"Add a Bezier curve."},
    {M, kCmdAddCircleCurve, L"Add a circle curve."},
    {M, kCmdAddRectangleCurve, L"Add a rectangle curve."},
    {M, kCmdDuplicateSelected, L"Duplicate the selected object. Shortcut: Ctrl+D from menus/workflows when available."},
    {M, kCmdDeleteSelected, L"Delete the selected object."},
    {M, kCmdNewGroup, L"Create a new empty group."},
    {M, kCmdAddMirrorModifier, L"Add a Mirror modifier to the selected object."},
    {M, kCmdAddArrayModifier, L"Add an Array modifier to the selected object."},
    {M, kCmdAddBevelModifier, L"Add a Bevel modifier to the selected object."},
    {M, kCmdAddSolidifyModifier, L"Add a Solidify modifier to the selected object."},
    {M, kCmdAddSubdivisionModifier, L"Add a Subdivision modifier to the selected object."},
    {M, kCmdAddBendModifier, L"Add a Bend modifier to the selected object."},
    {M, kCmdAddTwistModifier, L"Add a Twist modifier to the selected object."},
    {M, kCmdAddTaperModifier, L"Add a Taper modifier to the selected object."},
    {M, kCmdAddLatticeModifier,
     L"Add Lattice placeholder: Phase 46 safe preview cage; full lattice solver comes later."},
    {M, kCmdParentSelected, L"Parent the selected object to another object."},
    {M, kCmdUnparentSelected, L"Clear the selected object's parent."},
    {M, kCmdToggleVisibility, L"Show or hide the selected object."},
    {M, kCmdToggleLock, L"Lock or unlock the selected object."},
    {M, kCmdMeshExtrude, L"Extrude the selected faces of the mesh."},
    {M, kCmdMeshInsetFaces, L"Inset the selected faces of the mesh."},
    {M, kCmdMeshBevel, L"Bevel the selected edges of the mesh."},
    {M, kCmdMeshBridgeEdges, L"Bridge two selected edge loops of the mesh."},
    {M, kCmdMeshLoopCut,
     L"Loop Cut placeholder: safely records the command until full loop cutting is implemented. Shortcut: "
     L"Ctrl+L."},
    {M, kCmdMeshFillFace, L"Fill the selected edges or vertices with a face."},
    {M, kCmdMeshDeleteComponent, L"Delete the selected vertices, edges, or faces."},
    {M, kCmdMeshMerge, L"Merge the selected vertices at their centre."},
    {M, kCmdMeshFlipNormals, L"Flip normals for the selected mesh. Shortcut: Ctrl+F."},
    {M, kCmdMeshRecalculateNormals, L"Recalculate the normals of the selected mesh to face outward."},
    {M, kCmdMeshSeparateFaces, L"Separate the selected faces into a new mesh object."},
    {M, kCmdMeshJoinVisible, L"Join the selected faces' mesh with another mesh object."},
    {M, kCmdCurveAddPoint, L"Add a point to the selected curve."},
    {M, kCmdCurveDeletePoints, L"Delete the selected curve point."},
    {M, kCmdCurveConvertToMesh,
     L"Convert selected curve to a new mesh copy while preserving the source curve. Shortcut: Ctrl+K."},
    {M, kCmdApplyInspector, L"Apply Inspector: commit visible inspector field values to the selected object."},
    {M, kCmdResetTransform,
     L"Reset Transform: set position/rotation to zero and scale to one for the selected object."},
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
