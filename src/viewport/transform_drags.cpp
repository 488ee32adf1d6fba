// Left-button drags: the selected object, the selected mesh components or
// the selected curve points, moved, rotated or scaled from their start state
// by the mouse offset since the press.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/curves.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"
#include "viewport/interaction.h"
#include "viewport/viewport_caches.h"

namespace vk {
namespace {

struct ScreenVector {
  double x = 0.0, y = 0.0;
};

// Halves round away from zero, so 0.05 on the 0.1 grid becomes 0.1.
double snapTo(double value, double step) { return std::round(value / step) * step; }

Vec3 snapPosition(const Vec3& p) { return {snapTo(p.x, 0.25), snapTo(p.y, 0.25), snapTo(p.z, 0.25)}; }

void startLeftDrag(LeftDragKind kind, const std::wstring& objectId, UndoPushToken token, int x, int y) {
  AppState& app = appState();
  ViewportDragSession& session = viewportCaches().drag;
  session.kind = kind;
  session.objectId = objectId;
  session.token = std::move(token);
  session.moved = false;
  session.edgesDerived = false;
  app.leftDrag = true;
  app.dragOriginX = app.lastMouseX = x;
  app.dragOriginY = app.lastMouseY = y;
  if (app.ui.viewport) SetCapture(app.ui.viewport);
}

// Rotation and scale follow s = dx - dy.
double dragAmount(int x, int y) {
  const AppState& app = appState();
  return static_cast<double>(x - app.dragOriginX) - static_cast<double>(y - app.dragOriginY);
}

void applyCurvePointDrag(Object& curve, const Vec3& offset) {
  const AppState& app = appState();
  auto& points = curve.curveData.points;
  for (std::int32_t index : app.selectedCurvePoints) {
    if (index < 0 || static_cast<std::size_t>(index) >= points.size() ||
        static_cast<std::size_t>(index) >= app.curveDragStartPoints.size())
      continue;
    const Vec3 moved = app.curveDragStartPoints[static_cast<std::size_t>(index)] + offset;
    points[static_cast<std::size_t>(index)].position = app.snapEnabled ? snapPosition(moved) : moved;
  }
  rebuildCurveData(curve);
}

// One component's new local position from its start S and the centroid C.
Vec3 transformComponent(const Vec3& start, const Vec3& centre, const Vec3& offset, double angleDeg, double factor) {
  const AppState& app = appState();
  const Vec3 r = start - centre;
  Vec3 result = start;
  switch (app.transformTool) {
    case TransformTool::Move:
      result = start + offset;
      break;
    case TransformTool::Rotate: {
      const double c = std::cos(degreesToRadians(angleDeg));
      const double n = std::sin(degreesToRadians(angleDeg));
      if (app.axisConstraint == AxisConstraint::X) {
        result = {centre.x + r.x, centre.y + r.y * c - r.z * n, centre.z + r.y * n + r.z * c};
      } else if (app.axisConstraint == AxisConstraint::Y) {
        result = {centre.x + r.x * c + r.z * n, centre.y + r.y, centre.z - r.x * n + r.z * c};
      } else {
        result = {centre.x + r.x * c - r.y * n, centre.y + r.x * n + r.y * c, centre.z + r.z};
      }
      break;
    }
    case TransformTool::Scale: {
      Vec3 scaled = r;
      const AxisConstraint axis = app.axisConstraint;
      if (axis == AxisConstraint::X || axis == AxisConstraint::Free) scaled.x *= factor;
      if (axis == AxisConstraint::Y || axis == AxisConstraint::Free) scaled.y *= factor;
      if (axis == AxisConstraint::Z || axis == AxisConstraint::Free) scaled.z *= factor;
      result = centre + scaled;
      break;
    }
    default:
      break;
  }
  return app.snapEnabled ? snapPosition(result) : result;
}

// False, changing nothing, when a moved vertex would break the load guard's
// coordinate rule: the drag holds at its last position within it. (Moving
// vertices of a mesh labelled edited can break no other rule.)
bool applyComponentDrag(Object& object, const Vec3& offset, double s) {
  const AppState& app = appState();
  const auto& indices = app.componentDragVertices;
  const auto& starts = app.componentDragStartPositions;
  Vec3 centre;
  for (const Vec3& p : starts) centre += p;
  if (!starts.empty()) centre = centre / static_cast<double>(starts.size());
  double angle = 0.45 * s;
  if (app.snapEnabled) angle = snapTo(angle, 15.0);
  double factor = std::max(1.0 + 0.01 * s, 0.05);
  if (app.snapEnabled) factor = snapTo(factor, 0.1);
  const std::size_t vertexCount = object.meshData.vertices.size();
  const std::size_t count = std::min(indices.size(), starts.size());
  std::vector<Vec3> moved(count);
  for (std::size_t i = 0; i < count; ++i) {
    moved[i] = transformComponent(starts[i], centre, offset, angle, factor);
    const std::int32_t index = indices[i];
    const bool applies = index >= 0 && static_cast<std::size_t>(index) < vertexCount;
    if (applies && !meshVertexWithinLoadGuard(moved[i])) return false;
  }
  auto& vertices = object.meshData.vertices.write();
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t index = indices[i];
    if (index < 0 || static_cast<std::size_t>(index) >= vertices.size()) continue;
    vertices[static_cast<std::size_t>(index)] = moved[i];
  }
  object.mesh.primitive = kEditedMeshLabel;
  // A drag moves vertices only: once derived, the edges of the faces hold.
  ViewportDragSession& session = viewportCaches().drag;
  if (session.edgesDerived) {
    rebuildMeshGeometry(object);
  } else {
    rebuildMeshData(object);
    session.edgesDerived = true;
  }
  sanitizeComponentSelection(object);
  return true;
}

void applyObjectDrag(Object& object, const RECT& client, POINT origin, POINT current) {
  const AppState& app = appState();
  Transform& t = object.transform;
  const double s = dragAmount(current.x, current.y);
  switch (app.transformTool) {
    case TransformTool::Move: {
      const Vec3 moved =
          app.dragStartPosition + moveOffsetFromDrag(client, app.dragStartPosition, app.axisConstraint, origin, current);
      t.position = app.snapEnabled ? snapPosition(moved) : moved;
      break;
    }
    case TransformTool::Rotate: {
      double angle = 0.45 * s;
      if (app.snapEnabled) angle = snapTo(angle, 15.0);
      t.rotation = app.dragStartRotation;
      switch (app.axisConstraint) {
        case AxisConstraint::X: t.rotation.x += angle; break;
        case AxisConstraint::Y: t.rotation.y += angle; break;
        case AxisConstraint::Z: t.rotation.z += angle; break;
        default:
          t.rotation.y += angle;
          t.rotation.x -= 0.2 * static_cast<double>(current.y - origin.y);
          break;
      }
      break;
    }
    case TransformTool::Scale: {
      double factor = std::max(1.0 + 0.006 * s, 0.05);
      if (app.snapEnabled) factor = std::max(snapTo(factor, 0.1), 0.05);
      const Vec3& start = app.dragStartScale;
      const AxisConstraint axis = app.axisConstraint;
      t.scale = start;
      if (axis == AxisConstraint::X || axis == AxisConstraint::Free) t.scale.x = std::max(factor * start.x, 0.01);
      if (axis == AxisConstraint::Y || axis == AxisConstraint::Free) t.scale.y = std::max(factor * start.y, 0.01);
      if (axis == AxisConstraint::Z || axis == AxisConstraint::Free) t.scale.z = std::max(factor * start.z, 0.01);
      break;
    }
    default:
      break;
  }
  // The drag stops at the transform's limits (position, rotation, scale), as
  // the inspector does: past them the project would reopen it clamped.
  t = sanitizeTransformValues(t.position, t.rotation, t.scale);
}

}  // namespace

void beginObjectDrag(int x, int y) {
  AppState& app = appState();
  const Object* object = findObjectById(app.selectedObjectId);
  if (!object) return;
  UndoPushToken token = pushUndoSnapshot();
  object = findObjectById(app.selectedObjectId);
  app.dragStartPosition = object->transform.position;
  app.dragStartRotation = object->transform.rotation;
  app.dragStartScale = object->transform.scale;
  startLeftDrag(LeftDragKind::Object, object->id, std::move(token), x, y);
}

bool beginCurvePointDrag(int x, int y) {
  AppState& app = appState();
  const Object* curve = findObjectById(app.selectedObjectId);
  if (!curve || curve->kind != ObjectKind::Curve) return false;
  if (isEffectivelyLocked(*curve)) {
    setStatusText(L"●  Curve is locked by object or parent");
    return false;
  }
  UndoPushToken token = pushUndoSnapshot();
  curve = findObjectById(app.selectedObjectId);
  app.curveDragStartPoints.clear();
  for (const CurvePoint& point : curve->curveData.points) app.curveDragStartPoints.push_back(point.position);
  startLeftDrag(LeftDragKind::CurvePoint, curve->id, std::move(token), x, y);
  return true;
}

bool beginMeshComponentTransform(int x, int y) {
  AppState& app = appState();
  const Object* object = findObjectById(app.selectedObjectId);
  if (!object || !hasMeshVertices(*object)) {
    setStatusText(L"●  Select an editable mesh object first");
    return false;
  }
  std::wstring reason;
  if (!phase65EditSafetyPermits(*object, &reason)) {
    setStatusText(L"●  " + reason);
    return false;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Mesh is locked by object or parent");
    return false;
  }
  std::vector<std::int32_t> indices = collectMeshTransformVertices(*object);
  if (indices.empty()) {
    selectComponentAt(x, y);
    object = findObjectById(app.selectedObjectId);
    if (object) indices = collectMeshTransformVertices(*object);
    if (!object || indices.empty()) {
      setStatusText(L"●  Click a vertex, edge, or face in the viewport first");
      return false;
    }
  }
  UndoPushToken token = pushUndoSnapshot();
  object = findObjectById(app.selectedObjectId);
  const auto& vertices = object->meshData.vertices.read();
  app.componentDragStartPositions.clear();
  app.componentDragStartPositions.reserve(indices.size());
  for (std::int32_t index : indices) {
    const bool valid = index >= 0 && static_cast<std::size_t>(index) < vertices.size();
    app.componentDragStartPositions.push_back(valid ? vertices[static_cast<std::size_t>(index)] : Vec3{});
  }
  app.componentDragVertices = std::move(indices);
  startLeftDrag(LeftDragKind::Component, object->id, std::move(token), x, y);
  setStatusText(L"●  Transforming " + componentModeName(app.componentMode) + L" selection");
  return true;
}

Vec3 moveOffsetFromDrag(const RECT& clientRect, const Vec3& origin, AxisConstraint axis, POINT start, POINT current) {
  const double dx = static_cast<double>(current.x) - start.x;
  const double dy = static_cast<double>(current.y) - start.y;
  const double k = 0.018 / std::max(appState().viewZoom, 0.18);
  const POINT o = projectToScreen(origin, clientRect);
  auto handle = [&](int a) {
    const POINT tip = projectedAxisTip(clientRect, origin, a, 100);
    return ScreenVector{static_cast<double>(tip.x) - o.x, static_cast<double>(tip.y) - o.y};
  };
  const int a = static_cast<int>(axis);
  if (a >= 1 && a <= 3) {
    const ScreenVector h = handle(a);
    const double lengthSq = h.x * h.x + h.y * h.y;
    if (lengthSq <= 1e-6) return {};
    const double amount = (dx * h.x + dy * h.y) / lengthSq * 100.0 * k;
    if (a == 1) return {amount, 0.0, 0.0};
    if (a == 2) return {0.0, amount, 0.0};
    return {0.0, 0.0, amount};
  }
  if (a != 0) return {};
  const ScreenVector ax = handle(1);
  const ScreenVector ay = handle(2);
  const double det = ax.x * ay.y - ay.x * ax.y;
  if (std::abs(det) <= 1e-6) return {k * dx, -k * dy, 0.0};
  const double u = (ay.y * dx - ay.x * dy) / det;
  const double v = (ax.x * dy - ax.y * dx) / det;
  return {u * 100.0 * k, v * 100.0 * k, 0.0};
}

void applyViewportDrag(int x, int y) {
  AppState& app = appState();
  ViewportDragSession& session = viewportCaches().drag;
  if (!app.leftDrag) return;
  // Until the mouse leaves the press point the drag changes nothing, so a
  // plain click costs no undo step.
  const bool firstMove = !session.moved;
  if (firstMove) {
    if (x == app.dragOriginX && y == app.dragOriginY) return;
    session.moved = true;
  }
  Object* object = findObjectById(app.selectedObjectId);
  if (!object || object->id != session.objectId) return;
  const RECT client = viewportClientRect();
  const POINT origin{app.dragOriginX, app.dragOriginY};
  const POINT current{x, y};
  switch (session.kind) {
    case LeftDragKind::CurvePoint:
      if (!isCurveWithPoints(object)) return;
      applyCurvePointDrag(*object,
                          moveOffsetFromDrag(client, object->transform.position, app.axisConstraint, origin, current));
      break;
    case LeftDragKind::Component: {
      if (!hasMeshVertices(*object) || app.componentDragVertices.empty()) return;
      const Vec3 offset =
          moveOffsetFromDrag(client, object->transform.position, app.axisConstraint, origin, current);
      if (!applyComponentDrag(*object, offset, dragAmount(x, y))) {
        // A drag held from its first move has changed nothing: its release takes the step back.
        if (firstMove) session.moved = false;
        setStatusText(kDragHeldAtCoordinateLimit);
        return;
      }
      break;
    }
    case LeftDragKind::Object:
      if (isEffectivelyLocked(*object)) return;
      applyObjectDrag(*object, client, origin, current);
      break;
    default:
      return;
  }
  app.lastMouseX = x;
  app.lastMouseY = y;
  setDirty(true);
  refreshInspector();
  refreshStatusBar();
  if (app.ui.viewport) InvalidateRect(app.ui.viewport, nullptr, FALSE);
}

void endLeftDrag() {
  AppState& app = appState();
  if (!app.leftDrag) return;
  ViewportDragSession& session = viewportCaches().drag;
  app.leftDrag = false;
  app.componentDragVertices.clear();
  app.componentDragStartPositions.clear();
  if (!session.moved) withdrawUndoSnapshot(session.token);
  session.kind = LeftDragKind::None;
  session.objectId.clear();
  session.token = UndoPushToken{};
  releaseViewportCaptureWhenIdle();
  refreshPanels();
}

}  // namespace vk
