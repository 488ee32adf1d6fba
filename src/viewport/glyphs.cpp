#include <algorithm>
#include <cmath>

#include "model/app_state.h"
#include "platform/palette.h"
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

struct GlyphProjector {
  ViewContext view;
  ObjectPlacement placement;
  POINT operator()(const Vec3& local) const { return projectWith(view, placePoint(placement, local)); }
};

GlyphProjector glyphProjector(const RECT& clientRect, const Object& object) {
  return GlyphProjector{currentViewContext(clientRect), makePlacement(object)};
}

std::vector<POINT> ring(const GlyphProjector& project, int n, double radius, double y) {
  std::vector<POINT> points;
  for (int i = 0; i < n; ++i) {
    const double a = i * 2.0 * kPi / n;
    points.push_back(project({radius * std::cos(a), y, radius * std::sin(a)}));
  }
  return points;
}

void polygon(HDC dc, std::initializer_list<POINT> points) {
  std::vector<POINT> list(points);
  Polygon(dc, list.data(), static_cast<int>(list.size()));
}

void ringEdges(HDC dc, const std::vector<POINT>& points) {
  for (std::size_t i = 0; i < points.size(); ++i) drawLine(dc, points[i], points[(i + 1) % points.size()]);
}

}  // namespace

void drawPlanePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphPlaneEdge), CreateSolidBrush(materialColour(object)));
  polygon(dc, {project({-0.8, 0.0, -0.8}), project({0.8, 0.0, -0.8}), project({0.8, 0.0, 0.8}),
               project({-0.8, 0.0, 0.8})});
}

void drawSpherePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const POINT c = projectToScreen(object.transform.position, clientRect);
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
  const std::vector<POINT> top = ring(project, 18, 0.46, 0.55);
  const std::vector<POINT> bottom = ring(project, 18, 0.46, -0.55);
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphCylinderEdge), CreateSolidBrush(darkBlend(object, 0.46)));
  polygon(dc, {bottom[0], bottom[9], top[9], top[0]});
  for (std::size_t i = 0; i < 18; ++i) {
    drawLine(dc, top[i], top[(i + 1) % 18]);
    drawLine(dc, bottom[i], bottom[(i + 1) % 18]);
  }
  for (std::size_t k : {0u, 4u, 9u, 13u}) drawLine(dc, bottom[k], top[k]);
}

void drawConePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  const std::vector<POINT> base = ring(project, 18, 0.5, -0.55);
  const POINT apex = project({0.0, 0.72, 0.0});
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphConeEdge), CreateSolidBrush(darkBlend(object, 0.52)));
  polygon(dc, {apex, base[1], base[9]});
  ringEdges(dc, base);
  for (std::size_t k : {0u, 4u, 9u, 13u}) drawLine(dc, apex, base[k]);
}

void drawTorusPrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  std::vector<POINT> outer, inner;
  for (int i = 0; i < 36; ++i) {
    const double a = i * 2.0 * kPi / 36;
    outer.push_back(project({0.75 * std::cos(a), 0.18 * std::sin(a), 0.75 * std::sin(a)}));
    inner.push_back(project({0.36 * std::cos(a), 0.08 * std::sin(a), 0.36 * std::sin(a)}));
  }
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphTorusEdge), CreateSolidBrush(darkBlend(object, 0.48)));
  for (std::size_t i = 0; i < 36; ++i) {
    const std::size_t j = (i + 1) % 36;
    polygon(dc, {outer[i], outer[j], inner[j], inner[i]});
    drawLine(dc, outer[i], outer[j]);
    drawLine(dc, inner[i], inner[j]);
  }
}

void drawCubePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const GlyphProjector project = glyphProjector(clientRect, object);
  POINT c[8];
  for (int i = 0; i < 8; ++i) {
    const double x = (i == 1 || i == 2 || i == 5 || i == 6) ? 0.5 : -0.5;
    const double y = (i == 2 || i == 3 || i == 6 || i == 7) ? 0.5 : -0.5;
    const double z = i >= 4 ? 0.5 : -0.5;
    c[i] = project({x, y, z});
  }
  static constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                        {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  ScopedPenBrush scope(dc, glyphPen(selected, kGlyphCubeEdge), CreateSolidBrush(materialColour(object)));
  polygon(dc, {c[1], c[2], c[6], c[5]});
  polygon(dc, {c[4], c[5], c[6], c[7]});
  polygon(dc, {c[3], c[2], c[6], c[7]});
  for (const auto& e : kEdges) drawLine(dc, c[e[0]], c[e[1]]);
  if (selected) {
    scope.setPen(solidPen(1, kGlyphCubeSelectedEdge));
    for (const auto& e : kEdges) drawLine(dc, c[e[0]], c[e[1]]);
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
    std::vector<POINT> line;
    line.reserve(samples.size() + 1);
    for (const Vec3& p : samples) line.push_back(project(p));
    if (curve.closed && samples.size() > 2) line.push_back(line.front());
    Polyline(dc, line.data(), static_cast<int>(line.size()));
  }
  if (selected || app.workMode == WorkMode::EditCurve) {
    const HPEN handlePen = dottedPen(kCurveHandle);
    for (const CurvePoint& point : curve.points) {
      const POINT p = project(point.position);
      if (selected && (curve.type == L"Bezier" || point.handleType == L"Bezier")) {
        const POINT hin = project(point.position + point.handleIn);
        const POINT hout = project(point.position + point.handleOut);
        HGDIOBJ previous = SelectObject(dc, handlePen);
        drawLine(dc, hin, p);
        drawLine(dc, p, hout);
        Ellipse(dc, hin.x - 3, hin.y - 3, hin.x + 4, hin.y + 4);
        Ellipse(dc, hout.x - 3, hout.y - 3, hout.x + 4, hout.y + 4);
        SelectObject(dc, previous);
      }
      Ellipse(dc, p.x - 4, p.y - 4, p.x + 5, p.y + 5);
    }
    DeleteObject(handlePen);
  }
  if (selected) {
    const POINT p = projectToScreen(object.transform.position, clientRect);
    selectFontOrStock(dc, app.ui.smallFont);
    viewportTextAt(dc, p.x + 12, p.y - 22, object.name + L" curve", kCurveNameLabel);
  }
}

void drawTextObject(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  const POINT p = projectToScreen(object.transform.position, clientRect);
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
  const POINT p = projectToScreen(object.transform.position, clientRect);
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
