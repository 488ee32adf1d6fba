// Right, middle and wheel navigation of the orbit view, the camera-aim drag
// and the end of every viewport drag. Navigation changes view state only:
// no undo step, no dirty mark; the aim drag edits the selected camera.
#include <algorithm>
#include <cmath>

#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"
#include "viewport/interaction.h"
#include "viewport/viewport_caches.h"

namespace vk {
namespace {

constexpr double kMinZoom = 0.18;
constexpr double kMaxZoom = 8.0;

void captureViewport() {
  if (HWND viewport = appState().ui.viewport) SetCapture(viewport);
}

// Keeps `point` on its pixel while `change` alters the view.
template <typename Change>
void keepPointOnScreen(const Vec3& point, Change change) {
  AppState& app = appState();
  const RECT client = viewportClientRect();
  const POINT before = projectToScreen(point, client);
  change();
  const POINT after = projectToScreen(point, client);
  app.viewPanX += static_cast<double>(before.x) - after.x;
  app.viewPanY += static_cast<double>(before.y) - after.y;
}

void zoomAboutPivot(double factor) {
  AppState& app = appState();
  keepPointOnScreen(navigationPivot(),
                    [&] { app.viewZoom = std::clamp(app.viewZoom * factor, kMinZoom, kMaxZoom); });
}

void beginOrbit() {
  AppState& app = appState();
  const Vec3 pivot = navigationPivot();
  keepPointOnScreen(pivot, [&] { app.viewPivot = pivot; });
  const POINT anchor = projectToScreen(pivot, viewportClientRect());
  app.orbitAnchor = pivot;
  app.orbitAnchorScreenX = anchor.x;
  app.orbitAnchorScreenY = anchor.y;
  app.orbitAnchorValid = true;
  app.orbitDrag = true;
  captureViewport();
}

void applyAimMove(int x, int y) {
  AppState& app = appState();
  ViewportDragSession& session = viewportCaches().drag;
  if (!session.aimMoved) {
    if (x == app.dragOriginX && y == app.dragOriginY) return;
    session.aimMoved = true;
  }
  Object* camera = findObjectById(app.selectedObjectId);
  if (!camera || camera->kind != ObjectKind::Camera || camera->id != session.aimObjectId) return;
  double yaw = wrapDegrees(static_cast<double>(x - app.dragOriginX) * 0.35 + app.aimStartRotation.y);
  double pitch = wrapDegrees(static_cast<double>(y - app.dragOriginY) * 0.25 + app.aimStartRotation.x);
  if (app.snapEnabled) {
    yaw = std::round(yaw / 15.0) * 15.0;
    pitch = std::round(pitch / 15.0) * 15.0;
  }
  camera->transform.rotation.y = yaw;
  camera->transform.rotation.x = pitch;
  sanitizeCameraLightSettings(*camera);
  setDirty(true);
  refreshInspector();
  refreshStatusBar();
  if (app.ui.viewport) InvalidateRect(app.ui.viewport, nullptr, FALSE);
}

}  // namespace

Vec3 navigationPivot() {
  const AppState& app = appState();
  if (const Object* selected = findObjectById(app.selectedObjectId)) return selected->transform.position;
  return sceneBounds();
}

void beginRightButtonDrag(int x, int y, bool ctrl, bool shift) {
  AppState& app = appState();
  app.lastMouseX = x;
  app.lastMouseY = y;
  if (app.navigationMode == NavigationMode::CameraAim && !ctrl && !shift) {
    if (beginCameraAimDrag(x, y)) captureViewport();
  } else if (ctrl || app.navigationMode == NavigationMode::Dolly) {
    app.dollyDrag = true;
    captureViewport();
    setStatusText(L"*  Viewport Dolly: right-drag up/down zooms around the selected scene pivot.");
  } else if (shift || app.navigationMode == NavigationMode::Pan) {
    app.panDrag = true;
    captureViewport();
    setStatusText(L"*  Viewport Pan: right-drag repositions the scene without changing orbit angle.");
  } else {
    beginOrbit();
  }
}

void beginMiddleButtonPan(int x, int y) {
  AppState& app = appState();
  app.panDrag = true;
  app.lastMouseX = x;
  app.lastMouseY = y;
  captureViewport();
}

bool beginCameraAimDrag(int x, int y) {
  AppState& app = appState();
  const Object* camera = findObjectById(app.selectedObjectId);
  if (!camera || camera->kind != ObjectKind::Camera) {
    setStatusText(L"*  Camera Aim mode needs a selected camera; select a camera or switch back to Orbit/Pan.");
    return false;
  }
  if (isEffectivelyLocked(*camera)) {
    setStatusText(L"*  Selected camera is locked; camera aim was not changed.");
    return false;
  }
  ViewportDragSession& session = viewportCaches().drag;
  session.aimToken = pushUndoSnapshot();
  camera = findObjectById(app.selectedObjectId);
  session.aimObjectId = camera->id;
  session.aimMoved = false;
  app.aimDrag = true;
  app.dragOriginX = app.lastMouseX = x;
  app.dragOriginY = app.lastMouseY = y;
  app.aimStartRotation = camera->transform.rotation;
  setStatusText(
      L"*  Camera Aim drag: right-drag rotates the selected camera around its anchored position without moving it.");
  return true;
}

void applyNavigationMove(int x, int y) {
  AppState& app = appState();
  const int dx = x - app.lastMouseX;
  const int dy = y - app.lastMouseY;
  if (app.aimDrag) {
    applyAimMove(x, y);
    return;
  }
  if (app.dollyDrag) {
    zoomAboutPivot(std::pow(1.012, -dy));
  } else if (app.orbitDrag) {
    app.viewYaw += dx * 0.35;
    app.viewPitch = std::clamp(app.viewPitch + dy * 0.25, -80.0, 80.0);
    if (app.orbitAnchorValid) {
      const POINT now = projectToScreen(app.orbitAnchor, viewportClientRect());
      app.viewPanX += static_cast<double>(app.orbitAnchorScreenX) - now.x;
      app.viewPanY += static_cast<double>(app.orbitAnchorScreenY) - now.y;
    }
  } else if (app.panDrag) {
    app.viewPanX += dx;
    app.viewPanY += dy;
  } else {
    return;
  }
  app.lastMouseX = x;
  app.lastMouseY = y;
  refreshViewport();
}

void applyWheelZoom(int delta) {
  zoomAboutPivot(delta > 0 ? 1.12 : 0.89);
  refreshViewport();
}

void releaseViewportCaptureWhenIdle() {
  const AppState& app = appState();
  if (app.orbitDrag || app.panDrag || app.dollyDrag || app.aimDrag || app.leftDrag) return;
  if (app.ui.viewport && GetCapture() == app.ui.viewport) ReleaseCapture();
}

void endNavigationDrags() {
  AppState& app = appState();
  ViewportDragSession& session = viewportCaches().drag;
  if (app.aimDrag && !session.aimMoved) withdrawUndoSnapshot(session.aimToken);
  session.aimToken = UndoPushToken{};
  session.aimObjectId.clear();
  app.orbitDrag = app.panDrag = app.dollyDrag = app.aimDrag = false;
  app.orbitAnchorValid = false;
  releaseViewportCaptureWhenIdle();
  // The release brings the fine preview back.
  refreshViewport();
}

void endMiddleButtonPan() {
  appState().panDrag = false;
  releaseViewportCaptureWhenIdle();
  refreshViewport();
}

void abandonViewportDrags() {
  const AppState& app = appState();
  if (app.orbitDrag || app.panDrag || app.dollyDrag || app.aimDrag || app.orbitAnchorValid) endNavigationDrags();
  endLeftDrag();
}

}  // namespace vk
