// The view commands: reset, frame, projection, navigation mode, tool, axis
// and shading, and the names of those modes. None of them takes an undo
// snapshot; only the shading, which lives in the scene, marks the project dirty.
#include <algorithm>

#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/services.h"
#include "viewport/viewport.h"

namespace vk {

void resetView() {
  AppState& app = appState();
  app.viewYaw = -35.0;
  app.viewPitch = 24.0;
  app.viewZoom = 1.0;
  app.viewPanX = 0.0;
  app.viewPanY = 0.0;
  app.viewPivot = sceneBounds();
  app.orthographic = false;
  app.cameraView = false;
  refreshViewport();
}

void frameSelectedObject() {
  AppState& app = appState();
  const Object* selected = findObjectById(app.project.scene, app.selectedObjectId);
  if (!selected) return;
  app.viewPivot = selected->transform.position;
  app.viewPanX = 0.0;
  app.viewPanY = 0.0;
  const double zoom = app.viewZoom < 1.05 ? 1.15 : app.viewZoom * 1.05;
  app.viewZoom = std::clamp(zoom, 0.2, 8.0);
  refreshViewport();
}

void setProjectionMode(bool orthographic) {
  AppState& app = appState();
  const wchar_t* name = orthographic ? L"Orthographic" : L"Perspective";
  if (app.orthographic == orthographic && !app.cameraView) {
    setStatusText(std::wstring(L"●  Viewport already in ") + name + L" view");
    return;
  }
  app.cameraView = false;
  app.orthographic = orthographic;
  refreshViewport();
  setStatusText(std::wstring(L"●  Viewport set to ") + name);
}

void setViewportNavigationMode(NavigationMode mode) {
  appState().navigationMode = mode;
  refreshViewport();
  setStatusText(std::wstring(L"*  Viewport navigation mode: ") + navigationModeName(mode));
}

void setTool(TransformTool tool) {
  appState().transformTool = tool;
  invalidateChromeControls();
  refreshViewport();
  setStatusText(std::wstring(L"●  Tool: ") + transformToolName(tool));
}

void setAxisConstraint(AxisConstraint axis) {
  appState().axisConstraint = axis;
  invalidateChromeControls();
  refreshViewport();
  setStatusText(std::wstring(L"●  Axis: ") + axisName(axis));
}

void setViewportShading(ViewportShadingMode mode) {
  Scene& scene = appState().project.scene;
  if (scene.viewportShadingMode == mode) {
    setStatusText(std::wstring(L"●  Viewport shading already set to ") + viewportShadingLabel(mode));
    return;
  }
  scene.viewportShadingMode = mode;
  setDirty(true);
  refreshAll();
  setStatusText(std::wstring(L"●  Viewport shading: ") + viewportShadingLabel(mode));
}

ViewportShadingMode nextViewportShading(ViewportShadingMode mode) {
  switch (mode) {
    case ViewportShadingMode::Wireframe: return ViewportShadingMode::Solid;
    case ViewportShadingMode::Solid: return ViewportShadingMode::Lit;
    case ViewportShadingMode::Lit: return ViewportShadingMode::MaterialPreview;
    default: return ViewportShadingMode::Wireframe;
  }
}

}  // namespace vk
