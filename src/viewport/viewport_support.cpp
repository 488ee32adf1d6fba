#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "model/hierarchy.h"
#include "shading/modifiers.h"
#include "viewport/viewport_internal.h"

namespace vk {

ViewportCaches& viewportCaches() {
  AppState& app = appState();
  if (!app.viewportCaches) app.viewportCaches = std::make_shared<ViewportCaches>();
  return *app.viewportCaches;
}

std::shared_ptr<const std::vector<Object>> cachedModifierPreview(const Object& object) {
  ViewportCaches& caches = viewportCaches();
  ModifierPreviewEntry& entry = caches.modifierPreviews[object.id];
  if (!entry.list || !(entry.source == object)) {
    entry.list = std::make_shared<const std::vector<Object>>(evaluateModifierStack(object));
    entry.source = object;
    ++caches.modifierEvaluations;
  }
  return entry.list;
}

void collectVisibleLights(std::vector<LightSample>& out) {
  out.clear();
  const Scene& scene = appState().project.scene;
  for (const Object& object : scene.objects) {
    if (object.kind != ObjectKind::Light || !isEffectivelyVisible(scene, object)) continue;
    const LightSettings& settings = object.light;
    LightSample light;
    if (settings.type == L"Directional") {
      light.kind = LightKind::Directional;
    } else if (settings.type == L"Spot") {
      light.kind = LightKind::Spot;
    } else if (settings.type == L"Area") {
      light.kind = LightKind::Area;
    }
    light.position = object.transform.position;
    light.axis = vec3Normalize(rotateEulerDegrees({0.0, 0.0, 1.0}, object.transform.rotation));
    light.intensity = clampKeepNan(settings.intensity, 0.0, 100.0);
    light.range = settings.range;
    light.cosHalfAngle = std::cos(degreesToRadians(clampKeepNan(settings.spotAngle, 1.0, 170.0)) / 2.0);
    light.areaSize = settings.areaSize;
    out.push_back(light);
    if (out.size() == 64) break;
  }
}

bool isGeometryKind(ObjectKind kind) {
  return kind == ObjectKind::Mesh || kind == ObjectKind::Text || kind == ObjectKind::Curve;
}

ScopedPenBrush::ScopedPenBrush(HDC dcIn, HPEN penIn, HBRUSH brushIn) : dc(dcIn), pen(penIn), brush(brushIn) {
  if (pen) oldPen = SelectObject(dc, pen);
  if (brush) oldBrush = SelectObject(dc, brush);
}

ScopedPenBrush::~ScopedPenBrush() {
  if (oldPen) SelectObject(dc, oldPen);
  if (oldBrush) SelectObject(dc, oldBrush);
  if (pen) DeleteObject(pen);
  if (brush && brush != GetStockObject(NULL_BRUSH)) DeleteObject(brush);
}

void ScopedPenBrush::setPen(HPEN next) {
  HGDIOBJ previous = SelectObject(dc, next);
  if (!oldPen) oldPen = previous;
  if (pen) DeleteObject(pen);
  pen = next;
}

void ScopedPenBrush::setBrush(HBRUSH next) {
  HGDIOBJ previous = SelectObject(dc, next);
  if (!oldBrush) oldBrush = previous;
  if (brush && brush != GetStockObject(NULL_BRUSH)) DeleteObject(brush);
  brush = next;
}

HPEN solidPen(int width, COLORREF colour) { return CreatePen(PS_SOLID, width, colour); }
HPEN dottedPen(COLORREF colour) { return CreatePen(PS_DOT, 1, colour); }
HBRUSH hollowBrush() { return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)); }

void drawLineXY(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void drawLine(HDC dc, POINT from, POINT to) { drawLineXY(dc, from.x, from.y, to.x, to.y); }

void drawCircle(HDC dc, POINT c, int r) { Ellipse(dc, c.x - r, c.y - r, c.x + r, c.y + r); }

void selectFontOrStock(HDC dc, HFONT font) {
  SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
}

namespace {

void recordText(const std::wstring& text, const RECT& rect, COLORREF colour) {
  const AppState& app = appState();
  if (!app.viewportCaches || !app.viewportCaches->recordText) return;
  app.viewportCaches->textLog.push_back(ViewportTextRecord{text, rect, colour});
}

}  // namespace

void viewportDrawText(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF colour) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  recordText(text, rect, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void viewportTextAt(HDC dc, int x, int y, const std::wstring& text, COLORREF colour) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  recordText(text, RECT{x, y, x, y}, colour);
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void setViewportTextRecording(bool enabled) {
  ViewportCaches& caches = viewportCaches();
  caches.recordText = enabled;
  caches.textLog.clear();
}

const std::vector<ViewportTextRecord>& viewportTextLog() { return viewportCaches().textLog; }

}  // namespace vk
