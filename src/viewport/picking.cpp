// Left-click picking: objects, mesh components, curve points and the move
// gizmo's handles, all in client pixels on projected points. What lies
// behind the camera's near plane is not drawn and is not picked: lines and
// faces that reach behind it are picked by their visible parts.
//
// Sections:
//   - Projected geometry and hit tests
//   - Clicks
#include <utility>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "viewport/interaction.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"

namespace vk {

// ---- Projected geometry and hit tests ---------------------------------------
namespace {

constexpr const wchar_t* kNoObjectUnderCursor = L"●  No object under cursor";

// Squared pixel distance in 64 bits: projections reach +-200000, whose
// squares leave 32 bits.
std::int64_t pixelDistanceSq(POINT a, int x, int y) {
  const std::int64_t dx = static_cast<std::int64_t>(a.x) - x;
  const std::int64_t dy = static_cast<std::int64_t>(a.y) - y;
  return dx * dx + dy * dy;
}

bool shiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// Every vertex placed in the world, in view space and projected once, and
// where its pixel may be used as it stands (placeAsProjected).
struct ProjectedVertices {
  const ViewContext* view = nullptr;
  std::vector<Vec3> world;
  std::vector<Vec3> viewPoints;
  std::vector<POINT> screen;
  std::vector<std::uint8_t> asProjected;
  bool behind(std::size_t i) const { return behindNear(*view, viewPoints[i].z); }
};

ProjectedVertices projectAllVertices(const Object& object, const ViewContext& view) {
  ProjectedVertices out;
  out.view = &view;
  const ObjectPlacement placement = makePlacement(object);
  const GuardBand band = guardBandOf(view.rect);
  const auto& vertices = object.meshData.vertices.read();
  out.world.reserve(vertices.size());
  out.viewPoints.reserve(vertices.size());
  out.screen.reserve(vertices.size());
  out.asProjected.reserve(vertices.size());
  for (const Vec3& v : vertices) {
    out.world.push_back(placePoint(placement, v));
    out.viewPoints.push_back(viewSpaceWith(view, out.world.back()));
    out.screen.push_back(projectViewSpaceWith(view, out.viewPoints.back()));
    out.asProjected.push_back(placeAsProjected(view, band, out.screen.back(), out.viewPoints.back()));
  }
  return out;
}

bool validIndex(std::int64_t index, std::size_t size) {
  return index >= 0 && static_cast<std::uint64_t>(index) < size;
}

// The squared pixel distance from (x, y) to the visible parts of the
// segment between two vertices; false when none of it shows.
bool visibleEdgeDistance(const ProjectedVertices& points, std::size_t a, std::size_t b, int x, int y, double& d) {
  if (points.asProjected[a] != 0 && points.asProjected[a] == points.asProjected[b]) {
    d = distanceSquaredToSegment(points.screen[a], points.screen[b], x, y);
    return true;
  }
  ViewSegments visible;
  if (!clipViewSegment(*points.view, points.viewPoints[a], points.viewPoints[b], visible)) return false;
  d = INFINITY;
  for (const ViewSegment& part : visible) d = std::min(d, distanceSquaredToSegment(part.from, part.to, x, y));
  return true;
}

// The parts of a face the picture shows: its valid corners as projected
// when each shows as projected, else the pieces of it that the view shows
// (none when nothing does).
using VisibleFace = std::vector<std::vector<POINT>>;
void faceScreenPolygon(const MeshFace& face, const ProjectedVertices& points, VisibleFace& out) {
  out.resize(1);
  std::vector<POINT>& whole = out.front();
  whole.clear();
  std::uint8_t shown = 0;  // the corners' one value of asProjected, else 0
  bool asProjected = true;
  for (std::int32_t index : face.indices) {
    if (!validIndex(index, points.screen.size())) continue;
    whole.push_back(points.screen[static_cast<std::size_t>(index)]);
    const std::uint8_t corner = points.asProjected[static_cast<std::size_t>(index)];
    if (shown == 0) shown = corner;
    asProjected = asProjected && corner != 0 && corner == shown;
  }
  if (asProjected) return;
  std::vector<Vec3> corners;
  for (std::int32_t index : face.indices) {
    if (validIndex(index, points.screen.size())) corners.push_back(points.viewPoints[static_cast<std::size_t>(index)]);
  }
  out = visiblePolygonPieces(*points.view, corners);
}

bool insideVisibleFace(const VisibleFace& face, int x, int y) {
  return std::any_of(face.begin(), face.end(), [&](const auto& piece) { return pointInScreenPolygon(piece, x, y); });
}

// The face's projected world centroid or, when that lies behind the near
// plane, the middle of its visible parts' corners (left in `visible`);
// false when nothing of the face shows.
bool faceCentre(const MeshFace& face, const ProjectedVertices& points, VisibleFace& visible, POINT& centre) {
  Vec3 sum;
  std::size_t used = 0;
  for (std::int32_t index : face.indices) {
    if (!validIndex(index, points.world.size())) continue;
    sum += points.world[static_cast<std::size_t>(index)];
    ++used;
  }
  if (used > 0) sum = sum / static_cast<double>(used);
  if (anchorOnScreen(*points.view, sum, centre)) return true;
  faceScreenPolygon(face, points, visible);
  double x = 0.0, y = 0.0, n = 0.0;
  for (const std::vector<POINT>& piece : visible) {
    for (const POINT& p : piece) x += p.x, y += p.y, n += 1.0;
  }
  if (n == 0.0) return false;
  centre = POINT{static_cast<LONG>(roundHalfAwayFromZero(x / n)), static_cast<LONG>(roundHalfAwayFromZero(y / n))};
  return true;
}

bool pickMesh(const Object& object, const ViewContext& view, int x, int y, double& d) {
  const auto& vertices = object.meshData.vertices.read();
  const std::size_t n = vertices.size();
  const bool coarse = omitFullMeshPreview(object) || phase65ImportGuardedPicking(object);
  const std::size_t step = (coarse && n > 2400) ? (n + 2399) / 2400 : 1;
  LONG minX = 1000000, minY = 1000000, maxX = -1000000, maxY = -1000000;
  auto grow = [&](POINT p) {
    minX = std::min(minX, p.x), minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
    d = std::min(d, static_cast<double>(pixelDistanceSq(p, x, y)) + 12.0);
  };
  const POINT click{x, y};
  if (coarse) {
    const ObjectPlacement placement = makePlacement(object);
    bool any = false;
    for (std::size_t i = 0; i < n; i += step) {
      POINT p{};
      if (!anchorOnScreen(view, placePoint(placement, vertices[i]), p)) continue;
      grow(p);
      any = true;
    }
    const RECT grown{minX - 16, minY - 16, maxX + 16, maxY + 16};
    if (!any || !PtInRect(&grown, click)) return false;
    d = static_cast<double>(pixelDistanceSq(POINT{(minX + maxX) / 2, (minY + maxY) / 2}, x, y));
    return true;
  }
  const ProjectedVertices points = projectAllVertices(object, view);
  for (std::size_t i = 0; i < n; ++i) {
    if (!points.behind(i)) grow(points.screen[i]);
  }
  VisibleFace visible;
  for (const MeshFace& face : object.meshData.faces.read()) {
    faceScreenPolygon(face, points, visible);
    if (!insideVisibleFace(visible, x, y)) continue;
    POINT centre{};
    if (faceCentre(face, points, visible, centre)) d = std::min(d, static_cast<double>(pixelDistanceSq(centre, x, y)));
    return true;
  }
  for (const MeshEdge& edge : object.meshData.edges.read()) {
    double edgeDistance = 0.0;
    if (edge.first >= n || edge.second >= n || !visibleEdgeDistance(points, edge.first, edge.second, x, y, edgeDistance)) {
      continue;
    }
    d = std::min(d, edgeDistance + 6.0);
  }
  const RECT grown{minX - 12, minY - 12, maxX + 12, maxY + 12};
  return (PtInRect(&grown, click) && d <= 3468.0) || d <= 324.0;
}

bool pickCurve(const Object& object, const ViewContext& view, int x, int y, double& d) {
  const ObjectPlacement placement = makePlacement(object);
  for (const CurvePoint& point : object.curveData.points) {
    POINT p{};
    if (anchorOnScreen(view, placePoint(placement, point.position), p)) {
      d = std::min(d, static_cast<double>(pixelDistanceSq(p, x, y)));
    }
  }
  const auto& samples = object.curveData.tessellated.read();
  for (std::size_t i = 1; i < samples.size(); ++i) {
    ViewSegments visible;
    clipWorldSegment(view, placePoint(placement, samples[i - 1]), placePoint(placement, samples[i]), visible);
    for (const ViewSegment& part : visible) d = std::min(d, distanceSquaredToSegment(part.from, part.to, x, y) + 4.0);
  }
  return d <= 1156.0;
}

bool objectPickWith(const Object& object, const ViewContext& view, int x, int y, double& d) {
  d = 1e18;
  if (!isEffectivelyVisible(object)) return false;
  if (hasMeshVertices(object)) return pickMesh(object, view, x, y, d);
  if (object.kind == ObjectKind::Curve) return pickCurve(object, view, x, y, d);
  POINT p{};
  if (!anchorOnScreen(view, object.transform.position, p)) return false;
  d = static_cast<double>(pixelDistanceSq(p, x, y));
  return d <= 1156.0;
}

bool importedSafeSelection(const Object& object) {
  if (!phase65FromGltfImport(object)) return false;
  return object.importedMeshSafeSelectionOnly || object.importedMeshReadOnly ||
         phase65HighPolyForEdit(object.meshData) || proxyMeshIsDense(object.meshData);
}

bool editableFor(WorkMode mode, const Object& object) {
  if (mode == WorkMode::EditMesh) return hasMeshVertices(object);
  if (mode == WorkMode::EditCurve) return isCurveWithPoints(&object);
  return true;
}

}  // namespace

bool hasMeshVertices(const Object& object) {
  return (object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text) &&
         !object.meshData.vertices.read().empty();
}

bool isCurveWithPoints(const Object* object) {
  return object && object->kind == ObjectKind::Curve && !object->curveData.points.empty();
}

RECT viewportClientRect() {
  RECT client{};
  if (HWND viewport = appState().ui.viewport) GetClientRect(viewport, &client);
  client.left = client.top = 0;
  client.right = std::max<LONG>(client.right, 1);
  client.bottom = std::max<LONG>(client.bottom, 1);
  return client;
}

bool pointInScreenPolygon(const std::vector<POINT>& polygon, int x, int y) {
  if (polygon.size() < 3) return false;
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const POINT& pi = polygon[i];
    const POINT& pj = polygon[j];
    if ((pi.y > y) == (pj.y > y)) continue;
    const std::int64_t product = (static_cast<std::int64_t>(y) - pi.y) * (static_cast<std::int64_t>(pj.x) - pi.x);
    const std::int64_t divisor = pj.y == pi.y ? 1 : static_cast<std::int64_t>(pj.y) - pi.y;
    if (static_cast<double>(product) / static_cast<double>(divisor) + pi.x > x) inside = !inside;
  }
  return inside;
}

double distanceSquaredToSegment(POINT a, POINT b, int x, int y) {
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  const double length = dx * dx + dy * dy;
  double t = 0.0;
  if (length > 1e-6) t = std::clamp(((x - static_cast<double>(a.x)) * dx + (y - static_cast<double>(a.y)) * dy) / length, 0.0, 1.0);
  const double ex = a.x + t * dx - x;
  const double ey = a.y + t * dy - y;
  return ex * ex + ey * ey;
}

int gizmoAxisAt(const RECT& clientRect, int x, int y) {
  const AppState& app = appState();
  if (app.transformTool != TransformTool::Move) return 0;
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected) return 0;
  const Vec3& position = selected->transform.position;
  POINT origin{};
  if (!anchorOnScreen(currentViewContext(clientRect), position, origin)) return 0;
  int best = 0;
  double bestScore = 0.0;
  for (int axis = 1; axis <= 3; ++axis) {
    const POINT tip = projectedAxisTip(clientRect, position, axis, 64);
    const double score = std::min(0.65 * static_cast<double>(pixelDistanceSq(tip, x, y)),
                                  distanceSquaredToSegment(origin, tip, x, y));
    if (best == 0 || score < bestScore) best = axis, bestScore = score;
  }
  return bestScore <= 256.0 ? best : 0;
}

// ---- Clicks -----------------------------------------------------------------
void viewportPickObject(int x, int y) {
  AppState& app = appState();
  const ViewContext view = makeViewContext(viewportClientRect());
  const Object* hit = nullptr;
  double hitDistance = 0.0;
  for (const Object& object : std::as_const(app.project.scene.objects)) {
    double d = 0.0;
    if (!objectPickWith(object, view, x, y, d)) continue;
    if (!hit || d < hitDistance) hit = &object, hitDistance = d;
  }
  if (!hit) {
    setStatusText(kNoObjectUnderCursor);
    return;
  }
  if (hit->id == app.selectedObjectId) {
    refreshViewport();
  } else {
    app.selectedObjectId = hit->id;
    clearAllComponentSelections();
    if (!editableFor(app.workMode, *hit)) {
      app.workMode = WorkMode::Object;
      invalidateChromeControls();
    }
    refreshPanels();
  }
  setStatusText(importedSafeSelection(*hit)
                    ? L"●  Viewport selected imported mesh using Phase 65.5.1 safe object/gizmo selection; "
                      L"Object Mode transforms remain available."
                    : L"●  Viewport selected object");
}

void selectComponentAt(int x, int y) {
  AppState& app = appState();
  const Object* object = findObjectById(app.selectedObjectId);
  if (!object || !hasMeshVertices(*object)) {
    setStatusText(L"●  No editable mesh component under selection");
    return;
  }
  std::wstring reason;
  if (!phase65EditSafetyPermits(*object, &reason)) {
    clearAllComponentSelections();
    setStatusText(L"●  " + reason);
    refreshPanels();
    return;
  }
  const bool additive = shiftHeld();
  const ViewContext view = makeViewContext(viewportClientRect());
  const ProjectedVertices points = projectAllVertices(*object, view);
  const std::size_t n = points.screen.size();
  std::int64_t found = -1;
  const wchar_t* status = L"";
  std::vector<std::int32_t>* own = nullptr;
  switch (app.componentMode) {
    case ComponentMode::Edge: {
      double best = 1e12;
      const auto& edges = object->meshData.edges.read();
      for (std::size_t i = 0; i < edges.size(); ++i) {
        if (edges[i].first >= n || edges[i].second >= n) continue;
        double d = 0.0;
        if (!visibleEdgeDistance(points, edges[i].first, edges[i].second, x, y, d)) continue;
        if (d < best) best = d, found = static_cast<std::int64_t>(i);
      }
      if (best > 324.0) found = -1;
      own = &app.selectedEdges;
      status = L"●  Viewport selected edge";
      break;
    }
    case ComponentMode::Face: {
      std::int64_t best = 999999;
      VisibleFace visible;
      const auto& faces = object->meshData.faces.read();
      for (std::size_t i = 0; i < faces.size(); ++i) {
        POINT centre{};
        if (!faceCentre(faces[i], points, visible, centre)) continue;
        const std::int64_t dc = pixelDistanceSq(centre, x, y);
        if (dc >= best) continue;  // cannot win: skip the polygon test
        if (dc > 484) {
          faceScreenPolygon(faces[i], points, visible);
          if (!insideVisibleFace(visible, x, y)) continue;
        }
        best = dc, found = static_cast<std::int64_t>(i);
      }
      own = &app.selectedFaces;
      status = L"●  Viewport selected face";
      break;
    }
    default: {
      std::int64_t best = 999999;
      for (std::size_t i = 0; i < n; ++i) {
        if (points.behind(i)) continue;
        const std::int64_t d = pixelDistanceSq(points.screen[i], x, y);
        if (d < best) best = d, found = static_cast<std::int64_t>(i);
      }
      if (best > 324) found = -1;
      own = &app.selectedVertices;
      status = L"●  Viewport selected vertex";
      break;
    }
  }
  if (found < 0) {
    if (additive) return;
    clearAllComponentSelections();
    refreshPanels();
    return;
  }
  if (!additive) {
    for (auto* list : {&app.selectedVertices, &app.selectedEdges, &app.selectedFaces}) {
      if (list != own) list->clear();
    }
  }
  toggleIndexSelection(*own, static_cast<std::int32_t>(found), additive);
  refreshPanels();
  setStatusText(status);
}

void selectCurvePointAt(int x, int y) {
  AppState& app = appState();
  const Object* object = findObjectById(app.selectedObjectId);
  if (!isCurveWithPoints(object)) {
    setStatusText(L"●  No editable curve point under selection");
    return;
  }
  const ViewContext view = makeViewContext(viewportClientRect());
  const ObjectPlacement placement = makePlacement(*object);
  std::int64_t best = 999999;
  std::int64_t found = -1;
  const auto& points = object->curveData.points;
  for (std::size_t i = 0; i < points.size(); ++i) {
    POINT p{};
    if (!anchorOnScreen(view, placePoint(placement, points[i].position), p)) continue;
    const std::int64_t d = pixelDistanceSq(p, x, y);
    if (d < best) best = d, found = static_cast<std::int64_t>(i);
  }
  const bool additive = shiftHeld();
  if (found >= 0 && best <= 400) {
    toggleIndexSelection(app.selectedCurvePoints, static_cast<std::int32_t>(found), additive);
    refreshPanels();
    setStatusText(L"●  Viewport selected curve point");
    return;
  }
  if (additive) return;
  app.selectedCurvePoints.clear();
  refreshPanels();
}

void beginViewportClick(int x, int y) {
  AppState& app = appState();
  const RECT client = viewportClientRect();
  const int gizmoAxis = gizmoAxisAt(client, x, y);
  if (gizmoAxis != 0) {
    app.axisConstraint = static_cast<AxisConstraint>(gizmoAxis);
    invalidateChromeControls();
    setStatusText(std::wstring(L"●  Move gizmo axis: ") + axisName(app.axisConstraint));
  }
  const Object* selected = findObjectById(app.selectedObjectId);
  if (app.workMode == WorkMode::EditMesh) {
    if (app.transformTool == TransformTool::Select) {
      selectComponentAt(x, y);
    } else if (gizmoAxis != 0 && selected && collectMeshTransformVertices(*selected).empty()) {
      setStatusText(L"●  Select mesh vertices, edges, or faces before dragging a move gizmo axis");
    } else {
      beginMeshComponentTransform(x, y);
    }
    return;
  }
  if (app.workMode == WorkMode::EditCurve) {
    if (app.transformTool == TransformTool::Select) {
      selectCurvePointAt(x, y);
      return;
    }
    if (app.transformTool == TransformTool::Move && isCurveWithPoints(selected)) {
      if (app.selectedCurvePoints.empty()) {
        if (gizmoAxis != 0) {
          setStatusText(L"●  Select curve points before dragging a move gizmo axis");
          return;
        }
        selectCurvePointAt(x, y);
      }
      sanitizeCurvePointSelection(*selected);
      if (!app.selectedCurvePoints.empty()) {
        beginCurvePointDrag(x, y);
        return;
      }
    }
  }
  // The Select tool picks whatever is selected; only a transform drag needs
  // an unlocked selection.
  if (app.transformTool == TransformTool::Select) {
    viewportPickObject(x, y);
    return;
  }
  selected = findObjectById(app.selectedObjectId);
  if (!selected || isEffectivelyLocked(*selected)) return;
  beginObjectDrag(x, y);
}

}  // namespace vk
