#include <algorithm>
#include <cmath>

#include "model/app_state.h"
#include "model/math.h"
#include "platform/palette.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

COLORREF materialColour(const Object& object) {
  auto c = [](std::int32_t v) { return static_cast<std::uint32_t>(v) & 0xFF; };
  return RGB(c(object.material.r), c(object.material.g), c(object.material.b));
}

// k of the way from the dark base RGB(14,18,26) to the material colour.
COLORREF darkBlend(const Object& object, double k) {
  auto c = [k](double base, std::int32_t material) {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(base + (material - base) * k)) & 0xFF);
  };
  return RGB(c(14.0, object.material.r), c(18.0, object.material.g), c(26.0, object.material.b));
}

HPEN glyphPen(bool selected, COLORREF unselected) {
  return selected ? solidPen(3, kGlyphSelected) : solidPen(1, unselected);
}

// A glyph's points from the object's own space to view space; its lines
// and faces are drawn as far as they lie in front of the eye.
struct GlyphProjector {
  ViewContext view;
  ObjectPlacement placement;
  Vec3 operator()(const Vec3& local) const { return viewSpaceWith(view, placePoint(placement, local)); }
  void line(HDC dc, const Vec3& a, const Vec3& b) const { drawViewSegment(dc, view, a, b); }
  void polygon(HDC dc, std::initializer_list<Vec3> corners) const { drawViewPolygon(dc, view, corners); }
};

GlyphProjector glyphProjector(const RECT& clientRect, const Object& object) {
  return GlyphProjector{currentViewContext(clientRect), makePlacement(object)};
}

std::vector<Vec3> ring(const GlyphProjector& project, int n, double radius, double y) {
  std::vector<Vec3> points;
  for (int i = 0; i < n; ++i) {
    const double a = i * 2.0 * kPi / n;
    points.push_back(project({radius * std::cos(a), y, radius * std::sin(a)}));
  }
  return points;
}

}  // namespace

void drawPlanePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphPlaneEdge), CreateSolidBrush(materialColour(object)));
  project.polygon(dc, {project({-0.8, 0.0, -0.8}), project({0.8, 0.0, -0.8}), project({0.8, 0.0, 0.8}),
                       project({-0.8, 0.0, 0.8})});
}

void drawSpherePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  POINT c{};
  if (!anchorOnScreen(currentViewContext(clientRect), object.transform.position, c)) return;
  const Vec3& s = object.transform.scale;
  const double zoom = std::clamp(appState().viewZoom, 0.35, 2.0);
  const double r = std::max(zoom * 42.0 * ((s.x + s.y + s.z) / 3.0), 12.0);
  const int R = static_cast<int>(std::trunc(r));
  const int h = static_cast<int>(std::trunc(0.82 * r));
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphSphereEdge), CreateSolidBrush(materialColour(object)));
  Ellipse(dc, c.x - R, c.y - h, c.x + R, c.y + h);
  Arc(dc, c.x - R + 8, c.y - h, c.x + R - 8, c.y + h, c.x - R, c.y, c.x + R, c.y);
  drawLineXY(dc, c.x - R, c.y, c.x + R, c.y);
  drawLineXY(dc, c.x, c.y - h, c.x, c.y + h);
}

void drawCylinderPrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  const std::vector<Vec3> top = ring(project, 18, 0.46, 0.55);
  const std::vector<Vec3> bottom = ring(project, 18, 0.46, -0.55);
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphCylinderEdge), CreateSolidBrush(darkBlend(object, 0.46)));
  project.polygon(dc, {bottom[0], bottom[9], top[9], top[0]});
  for (std::size_t i = 0; i < 18; ++i) {
    project.line(dc, top[i], top[(i + 1) % 18]);
    project.line(dc, bottom[i], bottom[(i + 1) % 18]);
  }
  for (std::size_t k : {0u, 4u, 9u, 13u}) project.line(dc, bottom[k], top[k]);
}

void drawConePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  const std::vector<Vec3> base = ring(project, 18, 0.5, -0.55);
  const Vec3 apex = project({0.0, 0.72, 0.0});
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphConeEdge), CreateSolidBrush(darkBlend(object, 0.52)));
  project.polygon(dc, {apex, base[1], base[9]});
  for (std::size_t i = 0; i < base.size(); ++i) project.line(dc, base[i], base[(i + 1) % base.size()]);
  for (std::size_t k : {0u, 4u, 9u, 13u}) project.line(dc, apex, base[k]);
}

void drawTorusPrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  std::vector<Vec3> outer, inner;
  for (int i = 0; i < 36; ++i) {
    const double a = i * 2.0 * kPi / 36;
    outer.push_back(project({0.75 * std::cos(a), 0.18 * std::sin(a), 0.75 * std::sin(a)}));
    inner.push_back(project({0.36 * std::cos(a), 0.08 * std::sin(a), 0.36 * std::sin(a)}));
  }
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphTorusEdge), CreateSolidBrush(darkBlend(object, 0.48)));
  for (std::size_t i = 0; i < 36; ++i) {
    const std::size_t j = (i + 1) % 36;
    project.polygon(dc, {outer[i], outer[j], inner[j], inner[i]});
    project.line(dc, outer[i], outer[j]);
    project.line(dc, inner[i], inner[j]);
  }
}

void drawCubePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) c[i] = project(boxCorner({-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, i));
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphCubeEdge), CreateSolidBrush(materialColour(object)));
  project.polygon(dc, {c[1], c[2], c[6], c[5]});
  project.polygon(dc, {c[4], c[5], c[6], c[7]});
  project.polygon(dc, {c[3], c[2], c[6], c[7]});
  for (const auto& e : kBoxEdges) project.line(dc, c[e[0]], c[e[1]]);
  if (selected) {
    scope.setPen(solidPen(1, kGlyphCubeSelectedEdge));
    for (const auto& e : kBoxEdges) project.line(dc, c[e[0]], c[e[1]]);
  }
}

void drawCurveObject(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const AppState& app = appState();
  const GlyphProjector project = glyphProjector(clientRect, object);
  const CurveData& curve = object.curveData;
  const COLORREF colour = selected ? kHighlightYellow : kCurveCyan;
  ScopedPenBrush scope(dc, solidPen(selected ? 3 : 2, colour), CreateSolidBrush(colour));
  const auto& samples = curve.tessellated.read();
  if (samples.size() >= 2) {
    std::vector<Vec3> line;
    line.reserve(samples.size());
    for (const Vec3& p : samples) line.push_back(project(p));
    drawViewPolyline(dc, project.view, line, curve.closed && samples.size() > 2);
  }
  // A point's dot and a handle's end show only in front of the eye.
  auto dot = [&](const Vec3& at, int radius) {
    if (behindNear(project.view, at.z)) return;
    const POINT p = projectViewSpaceWith(project.view, at);
    Ellipse(dc, p.x - radius, p.y - radius, p.x + radius + 1, p.y + radius + 1);
  };
  if (selected || app.workMode == WorkMode::EditCurve) {
    const HPEN handlePen = dottedPen(kCurveHandle);
    for (const CurvePoint& point : curve.points) {
      const Vec3 p = project(point.position);
      if (selected && (curve.type == L"Bezier" || point.handleType == L"Bezier")) {
        const Vec3 hin = project(point.position + point.handleIn);
        const Vec3 hout = project(point.position + point.handleOut);
        HGDIOBJ previous = SelectObject(dc, handlePen);
        project.line(dc, hin, p);
        project.line(dc, p, hout);
        dot(hin, 3);
        dot(hout, 3);
        SelectObject(dc, previous);
      }
      dot(p, 4);
    }
    DeleteObject(handlePen);
  }
  POINT p{};
  if (selected && anchorOnScreen(project.view, object.transform.position, p)) {
    selectFontOrStock(dc, app.ui.smallFont);
    viewportTextAt(dc, p.x + 12, p.y - 22, object.name + L" curve", kCurveNameLabel);
  }
}

void drawTextObject(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  POINT p{};
  if (!anchorOnScreen(currentViewContext(clientRect), object.transform.position, p)) return;
  const RECT label{p.x - 46, p.y - 24, p.x + 46, p.y + 24};
  selectFontOrStock(dc, appState().ui.titleFont);
  viewportDrawText(dc, L"Text", label, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                   selected ? kGlyphTextSelected : materialColour(object));
  if (selected) {
    ScopedPenBrush scope(dc, solidPen(1, kGlyphSelected), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    RoundRect(dc, label.left, label.top, label.right, label.bottom, 8, 8);
    SelectObject(dc, previous);
  }
}

void drawGenericObjectGlyph(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  POINT p{};
  if (!anchorOnScreen(currentViewContext(clientRect), object.transform.position, p)) return;
  HPEN pen = selected ? solidPen(3, kGlyphCameraLightSelected)
                      : solidPen(2, object.kind == ObjectKind::Camera ? kSkyBlue : kGlyphLight);
  ScopedPenBrush scope(dc, pen, CreateSolidBrush(kGlyphFill));
  if (object.kind == ObjectKind::Camera) {
    RoundRect(dc, p.x - 15, p.y - 10, p.x + 15, p.y + 10, 5, 5);
    const POINT lens[4] = {{p.x + 15, p.y - 8}, {p.x + 27, p.y - 16}, {p.x + 27, p.y + 16}, {p.x + 15, p.y + 8}};
    Polyline(dc, lens, 4);
  } else if (object.kind == ObjectKind::Light) {
    Ellipse(dc, p.x - 12, p.y - 12, p.x + 12, p.y + 12);
    drawLineXY(dc, p.x - 22, p.y, p.x + 22, p.y);
    drawLineXY(dc, p.x, p.y - 22, p.x, p.y + 22);
  } else {
    Rectangle(dc, p.x - 7, p.y - 7, p.x + 7, p.y + 7);
  }
}

}  // namespace vk
