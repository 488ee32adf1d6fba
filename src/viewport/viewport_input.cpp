// The input half of the viewport window: mouse buttons, moves, the wheel,
// capture changes and the keyboard shortcut table.
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"
#include "model/undo.h"
#include "viewport/interaction.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

enum class Modifier : std::uint8_t { Any, Ctrl, Shift };

// One row of the shortcut table. Rows that only change view or tool state
// act in the middle of a drag (later moves recompute from the drag's start);
// every other row ends a running left or aim drag first, as its release would.
struct ShortcutRow {
  UINT key;
  Modifier modifier;
  bool viewState;
  bool (*applies)();  // null: always
  void (*action)(UINT key);
};

bool inEditMesh() { return appState().workMode == WorkMode::EditMesh; }
bool inEditCurve() { return appState().workMode == WorkMode::EditCurve; }
bool outsideEditMesh() { return !inEditMesh(); }

void toggleWorkMode(UINT) {
  const AppState& app = appState();
  if (app.workMode != WorkMode::Object) {
    setWorkMode(WorkMode::Object);
    return;
  }
  setWorkMode(isCurveWithPoints(findObjectById(app.selectedObjectId)) ? WorkMode::EditCurve : WorkMode::EditMesh);
}

void timelineRow(UINT key) {
  const ServiceHooks& t = installedServiceHooks();
  switch (key) {
    case VK_HOME: if (t.jumpToStart) t.jumpToStart(); break;
    case VK_END: if (t.jumpToEnd) t.jumpToEnd(); break;
    case VK_LEFT: if (t.stepFrame) t.stepFrame(-1); break;
    case VK_RIGHT: if (t.stepFrame) t.stepFrame(+1); break;
    case 'C': if (t.keyCamera) t.keyCamera(); break;
    case 'L': if (t.keyLight) t.keyLight(); break;
    case 'K': if (t.keyTransform) t.keyTransform(); break;
    case VK_OEM_COMMA: if (t.gotoTransformKey) t.gotoTransformKey(false); break;
    case VK_OEM_PERIOD: if (t.gotoTransformKey) t.gotoTransformKey(true); break;
    default: break;
  }
}

void componentModeRow(UINT key) { setComponentMode(static_cast<ComponentMode>(key - '1')); }
void shadingRow(UINT key) {
  for (const ShadingShortcut& shortcut : kShadingShortcuts) {
    if (static_cast<UINT>(shortcut.key[0]) == key) setViewportShading(shortcut.mode);
  }
}

constexpr UINT shadingKey(ViewportShadingMode mode) { return static_cast<UINT>(shadingShortcut(mode)[0]); }

void navigationRow(UINT key) {
  const NavigationMode mode = key == 'H'   ? NavigationMode::Pan
                              : key == 'V' ? NavigationMode::Dolly
                              : key == 'C' ? NavigationMode::CameraAim
                                           : NavigationMode::Orbit;
  setViewportNavigationMode(mode);
}

void toolRow(UINT key) {
  const TransformTool tool = key == 'W'   ? TransformTool::Move
                             : key == 'E' ? TransformTool::Rotate
                             : key == 'S' ? TransformTool::Scale
                                          : TransformTool::Select;
  setTool(tool);
}

void axisRow(UINT key) { setAxisConstraint(static_cast<AxisConstraint>(key - 'X' + 1)); }

void escapeRow(UINT) {
  setAxisConstraint(AxisConstraint::Free);
  setTool(TransformTool::Select);
}

void toggleProjection(UINT) { setProjectionMode(!appState().orthographic); }

template <void (*F)()>
void call(UINT) {
  F();
}

constexpr Modifier kAny = Modifier::Any;
constexpr Modifier kCtrl = Modifier::Ctrl;
constexpr Modifier kShift = Modifier::Shift;

// Tested top to bottom; the first match acts.
constexpr ShortcutRow kShortcuts[] = {
    {'Z', kCtrl, false, nullptr, call<undoLastSnapshot>},
    {'Y', kCtrl, false, nullptr, call<redo>},
    {'E', kCtrl, false, nullptr, call<meshExtrude>},
    {'B', kCtrl, false, nullptr, call<meshBridgeEdges>},
    {'L', kCtrl, false, nullptr, call<meshLoopCut>},
    {'P', kCtrl, false, nullptr, call<meshSeparateFaces>},
    {'J', kCtrl, false, nullptr, call<meshJoinVisible>},
    {'K', kCtrl, false, nullptr, call<curveConvertToMesh>},
    {'F', kCtrl, false, nullptr, call<meshFlipNormals>},
    {'N', kCtrl, false, nullptr, call<meshRecalcNormals>},
    {VK_TAB, kAny, false, nullptr, toggleWorkMode},
    {VK_HOME, kAny, false, nullptr, timelineRow},
    {VK_END, kAny, false, nullptr, timelineRow},
    {VK_LEFT, kAny, false, nullptr, timelineRow},
    {VK_RIGHT, kAny, false, nullptr, timelineRow},
    {'C', kShift, false, nullptr, timelineRow},
    {'L', kShift, false, nullptr, timelineRow},
    {'K', kAny, false, nullptr, timelineRow},
    {VK_OEM_COMMA, kAny, false, nullptr, timelineRow},
    {VK_OEM_PERIOD, kAny, false, nullptr, timelineRow},
    {'1', kAny, false, nullptr, componentModeRow},
    {'2', kAny, false, nullptr, componentModeRow},
    {'3', kAny, false, nullptr, componentModeRow},
    {shadingKey(ViewportShadingMode::Wireframe), kAny, true, nullptr, shadingRow},
    {shadingKey(ViewportShadingMode::Solid), kAny, true, nullptr, shadingRow},
    {shadingKey(ViewportShadingMode::Lit), kAny, true, nullptr, shadingRow},
    {shadingKey(ViewportShadingMode::MaterialPreview), kAny, true, nullptr, shadingRow},
    {'O', kAny, true, nullptr, navigationRow},
    {'H', kAny, true, nullptr, navigationRow},
    {'V', kAny, true, nullptr, navigationRow},
    {'C', kAny, true, nullptr, navigationRow},
    {'Q', kAny, true, nullptr, toolRow},
    {'W', kAny, true, nullptr, toolRow},
    {'E', kAny, true, nullptr, toolRow},
    {'S', kAny, true, nullptr, toolRow},
    {'I', kAny, false, nullptr, call<meshInsetFaces>},
    {'B', kAny, false, nullptr, call<meshBevel>},
    {'M', kAny, false, nullptr, call<meshMergeSelected>},
    {'A', kAny, false, inEditCurve, call<curveAddPoint>},
    {'F', kAny, false, inEditMesh, call<meshFillFace>},
    {VK_BACK, kAny, false, inEditCurve, call<curveDeleteSelectedPoints>},
    {VK_BACK, kAny, false, nullptr, call<meshDeleteSelected>},
    {'X', kAny, true, nullptr, axisRow},
    {'Y', kAny, true, nullptr, axisRow},
    {'Z', kAny, true, nullptr, axisRow},
    {VK_ESCAPE, kAny, true, nullptr, escapeRow},
    {VK_DELETE, kAny, false, nullptr, call<deleteSelectedObject>},
    {'0', kCtrl, false, nullptr, call<setSelectedCameraActive>},
    {'0', kAny, true, nullptr, call<toggleCameraView>},
    {'F', kAny, true, outsideEditMesh, call<frameSelectedObject>},
    {'R', kAny, true, nullptr, call<resetView>},
    {'P', kAny, true, nullptr, toggleProjection},
};

bool modifierMatches(Modifier modifier, bool ctrl, bool shift) {
  if (modifier == Modifier::Ctrl) return ctrl;
  if (modifier == Modifier::Shift) return shift;
  return true;
}

POINT messagePoint(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

void handleViewportKey(UINT key, bool ctrl, bool shift) {
  for (const ShortcutRow& row : kShortcuts) {
    if (row.key != key || !modifierMatches(row.modifier, ctrl, shift)) continue;
    if (row.applies && !row.applies()) continue;
    if (!row.viewState) {
      const AppState& app = appState();
      if (app.aimDrag) endNavigationDrags();
      if (app.leftDrag) endLeftDrag();
    }
    row.action(key);
    return;
  }
}

bool handleViewportInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p = messagePoint(lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      beginViewportClick(p.x, p.y);
      return true;
    case WM_LBUTTONUP:
      endLeftDrag();
      return true;
    case WM_RBUTTONDOWN:
      SetFocus(hwnd);
      beginRightButtonDrag(p.x, p.y, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0);
      return true;
    case WM_RBUTTONUP:
      endNavigationDrags();
      return true;
    case WM_MBUTTONDOWN:
      SetFocus(hwnd);
      beginMiddleButtonPan(p.x, p.y);
      return true;
    case WM_MBUTTONUP:
      endMiddleButtonPan();
      return true;
    case WM_MOUSEMOVE:
      if (appState().leftDrag) {
        applyViewportDrag(p.x, p.y);
      } else {
        applyNavigationMove(p.x, p.y);
      }
      return true;
    case WM_MOUSEWHEEL:
      applyWheelZoom(GET_WHEEL_DELTA_WPARAM(wParam));
      return true;
    case WM_KEYDOWN:
      handleViewportKey(static_cast<UINT>(wParam), GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0);
      return true;
    case WM_CAPTURECHANGED:
      // Deactivation or a modal window took the mouse: no button-less move
      // may keep orbiting or dragging.
      if (reinterpret_cast<HWND>(lParam) != hwnd) abandonViewportDrags();
      return true;
    default:
      return false;
  }
}

}  // namespace vk
