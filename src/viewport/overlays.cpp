#include <algorithm>
#include <cmath>

#include "model/import_guards.h"
#include "platform/palette.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

bool contains(const std::vector<std::int32_t>& list, std::int64_t index) {
  return std::find(list.begin(), list.end(), index) != list.end();
}

// Membership of a selection over [0, size): one lookup per component instead
// of a search through a selection that may hold every vertex.
std::vector<bool> selectionMask(const std::vector<std::int32_t>& list, std::size_t size) {
  std::vector<bool> mask(size, false);
  for (std::int32_t index : list) {
    if (index >= 0 && static_cast<std::size_t>(index) < size) mask[static_cast<std::size_t>(index)] = true;
  }
  return mask;
}

LONG hintRight(const RECT& clientRect) { return std::max<LONG>(clientRect.right - 18, 30); }

RECT drawHint(HDC dc, const std::wstring& text, const RECT& rect, UINT format, COLORREF colour) {
  viewportDrawText(dc, text, rect, format, colour);
  return viewportTextBounds(dc, text, rect, format);
}

}  // namespace

RECT drawEditMeshOverlay(HDC dc, const RECT& clientRect, const Object& object) {
  const AppState& app = appState();
  if (app.workMode != WorkMode::EditMesh) return RECT{};
  if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) return RECT{};
  const MeshData& mesh = object.meshData;
  const auto& vertices = mesh.vertices.read();
  if (vertices.empty()) return RECT{};

  std::wstring reason;
  if (!phase65EditSafetyPermits(object, &reason)) {
    drawImportedBoundsProxy(dc, clientRect, object, true);
    selectFontOrStock(dc, app.ui.smallFont);
    return drawHint(dc, L"Phase 65.5.1 edit safety: " + reason, RECT{18, 62, hintRight(clientRect), 116},
                    DT_WORDBREAK | DT_END_ELLIPSIS, kHighlightYellow);
  }

  const ViewContext view = currentViewContext(clientRect);
  const ObjectPlacement placement = makePlacement(object);
  std::vector<Vec3> viewPoints(vertices.size());
  std::vector<POINT> points(vertices.size());
  std::vector<double> nearness(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    viewPoints[i] = viewSpaceWith(view, placePoint(placement, vertices[i]));
    points[i] = projectViewSpaceWith(view, viewPoints[i]);
    nearness[i] = depthNearness(view, viewPoints[i].z);
  }
  const auto inRange = [&](std::int64_t index) { return index >= 0 && static_cast<std::size_t>(index) < points.size(); };

  const HPEN dimEdge = solidPen(1, kEditEdgeDim);
  const HPEN componentEdge = solidPen(1, kEditComponentEdge);
  const HPEN selectedComponent = solidPen(3, kEditSelectedComponent);
  const HPEN faceOutline = solidPen(1, kEditFaceOutline);
  const HPEN selectedFace = solidPen(3, kHighlightYellow);
  const HBRUSH vertexFill = CreateSolidBrush(kEditVertexFill);
  const HBRUSH faceCentreFill = CreateSolidBrush(kEditFaceCentre);
  const HBRUSH selectedFill = CreateSolidBrush(kEditSelectedFill);
  const HGDIOBJ oldPen = SelectObject(dc, dimEdge);
  const HGDIOBJ oldBrush = SelectObject(dc, hollowBrush());

  const bool faceMode = app.componentMode == ComponentMode::Face;
  const auto& faces = mesh.faces.read();
  const std::vector<bool> facesSelected = selectionMask(app.selectedFaces, faces.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const bool selected = facesSelected[f];
    if (!selected && !faceMode) continue;
    std::vector<Vec3> outline;
    for (std::int32_t index : faces[f].indices) {
      if (inRange(index)) outline.push_back(viewPoints[static_cast<std::size_t>(index)]);
    }
    if (outline.size() >= 3) {
      SelectObject(dc, selected ? selectedFace : faceOutline);
      SelectObject(dc, hollowBrush());
      drawViewPolyline(dc, view, outline, true);
    }
    POINT c{};
    if (!anchorOnScreen(view, faceWorldCentre(object, faces[f]), c)) continue;
    SelectObject(dc, selected ? selectedFace : faceOutline);
    SelectObject(dc, selected ? selectedFill : faceCentreFill);
    drawCircle(dc, c, selected ? 6 : 3);
  }

  const bool edgeMode = app.componentMode == ComponentMode::Edge;
  const auto& edges = mesh.edges.read();
  const std::vector<bool> edgesSelected = selectionMask(app.selectedEdges, edges.size());
  MeshEdgeLines lines(view, object, LineDepth::Plain);
  for (std::size_t e = 0; e < edges.size(); ++e) {
    const MeshEdge& edge = edges[e];
    if (!inRange(edge.first) || !inRange(edge.second)) continue;
    const bool selected = edgesSelected[e];
    SelectObject(dc, selected ? selectedComponent : edgeMode ? componentEdge : dimEdge);
    lines.draw(dc, edge.first, edge.second, points[edge.first], points[edge.second], nearness[edge.first],
               nearness[edge.second]);
  }

  const bool vertexMode = app.componentMode == ComponentMode::Vertex;
  const std::vector<bool> verticesSelected = selectionMask(app.selectedVertices, points.size());
  for (std::size_t v = 0; v < points.size(); ++v) {
    const bool selected = verticesSelected[v];
    if ((!selected && !vertexMode) || behindNear(view, viewPoints[v].z)) continue;
    SelectObject(dc, selected ? selectedComponent : componentEdge);
    SelectObject(dc, selected ? selectedFill : vertexFill);
    drawCircle(dc, points[v], selected ? 6 : 4);
  }

  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(dimEdge), static_cast<HGDIOBJ>(componentEdge),
                         static_cast<HGDIOBJ>(selectedComponent), static_cast<HGDIOBJ>(faceOutline),
                         static_cast<HGDIOBJ>(selectedFace), static_cast<HGDIOBJ>(vertexFill),
                         static_cast<HGDIOBJ>(faceCentreFill), static_cast<HGDIOBJ>(selectedFill)}) {
    DeleteObject(object);
  }

  selectFontOrStock(dc, app.ui.smallFont);
  return drawHint(dc,
                  L"Edit Mesh: click " + componentModeName(app.componentMode) +
                      L"s in viewport | Shift-toggle | W/E/S transforms selected components | 1/2/3 modes",
                  RECT{18, 62, hintRight(clientRect), 84}, DT_SINGLELINE | DT_END_ELLIPSIS, kHighlightYellow);
}

RECT drawEditCurveOverlay(HDC dc, const RECT& clientRect, const Object& object) {
  const AppState& app = appState();
  if (app.workMode != WorkMode::EditCurve || object.kind != ObjectKind::Curve) return RECT{};
  const auto& points = object.curveData.points;
  if (points.empty()) return RECT{};
  const ViewContext view = currentViewContext(clientRect);
  const ObjectPlacement placement = makePlacement(object);
  selectFontOrStock(dc, app.ui.smallFont);
  for (std::size_t i = 0; i < points.size(); ++i) {
    POINT p{};
    if (!anchorOnScreen(view, placePoint(placement, points[i].position), p)) continue;
    const bool selected = contains(app.selectedCurvePoints, static_cast<std::int64_t>(i));
    {
      ScopedPenBrush scope(dc, selected ? solidPen(3, kHighlightYellow) : solidPen(2, kCurveCyan),
                           CreateSolidBrush(selected ? kWhite : kCurveCyan));
      drawCircle(dc, p, selected ? 7 : 5);
    }
    viewportTextAt(dc, p.x + 8, p.y - 8, std::to_wstring(i), selected ? kWhite : kCurvePointLabel);
  }
  // Ends in an ellipsis at the viewport's edge, as the Edit Mesh hint does,
  // rather than being cut mid-word.
  return drawHint(dc,
                  L"Edit Curve: click points in viewport | Shift-toggle | W moves selected points | Add/Delete Point | "
                  L"Convert makes mesh copy",
                  RECT{18, 82, hintRight(clientRect), 104}, DT_SINGLELINE | DT_END_ELLIPSIS, kCurveCyan);
}

void drawArrowLine(HDC dc, POINT origin, POINT tip) {
  drawLine(dc, origin, tip);
  const double dx = static_cast<double>(tip.x) - origin.x, dy = static_cast<double>(tip.y) - origin.y;
  const double length = std::max(std::sqrt(dx * dx + dy * dy), 1.0);
  const double ux = dx / length, uy = dy / length;
  const POINT head[3] = {
      tip,
      {static_cast<LONG>(std::lround(tip.x - 10 * ux - 5 * uy)), static_cast<LONG>(std::lround(tip.y - 10 * uy + 5 * ux))},
      {static_cast<LONG>(std::lround(tip.x - 10 * ux + 5 * uy)), static_cast<LONG>(std::lround(tip.y - 10 * uy - 5 * ux))}};
  Polygon(dc, head, 3);
}

void drawTransformGizmo(HDC dc, const RECT& clientRect, const Object& object) {
  const AppState& app = appState();
  const Vec3& position = object.transform.position;
  POINT o{};
  if (!anchorOnScreen(currentViewContext(clientRect), position, o)) return;
  struct Axis {
    AxisConstraint constraint;
    COLORREF colour;
    const wchar_t* letter;
  };
  static constexpr Axis kAxes[3] = {{AxisConstraint::X, kAxisXRed, L"X"},
                                    {AxisConstraint::Y, kAxisYGreen, L"Y"},
                                    {AxisConstraint::Z, kAxisZBlue, L"Z"}};
  POINT tips[3];
  {
    ScopedPenBrush scope(dc, nullptr, CreateSolidBrush(kGizmoWell));
    for (int i = 0; i < 3; ++i) {
      tips[i] = projectedAxisTip(clientRect, position, i + 1, 62);
      scope.setPen(solidPen(app.axisConstraint == kAxes[i].constraint ? 3 : 2, kAxes[i].colour));
      drawArrowLine(dc, o, tips[i]);
    }
  }
  {
    ScopedPenBrush scope(dc, solidPen(1, app.snapEnabled ? kHighlightYellow : kGizmoSnapOff), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    if (app.transformTool == TransformTool::Rotate) {
      drawCircle(dc, o, 34);
    } else if (app.transformTool == TransformTool::Scale) {
      Rectangle(dc, o.x - 13, o.y - 13, o.x + 13, o.y + 13);
    } else {
      drawCircle(dc, o, 6);
    }
    SelectObject(dc, previous);
  }
  selectFontOrStock(dc, app.ui.smallFont);
  for (int i = 0; i < 3; ++i) viewportTextAt(dc, tips[i].x + 4, tips[i].y - 8, kAxes[i].letter, kAxes[i].colour);
}

}  // namespace vk
