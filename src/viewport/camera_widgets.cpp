#include <algorithm>
#include <cmath>

#include "model/hierarchy.h"
#include "model/math.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

LONG clampLong(LONG value, LONG lo, LONG hi) { return std::min(std::max(value, lo), hi); }

void selectCaptionFont(HDC dc) {
  const UiHandles& ui = appState().ui;
  selectFontOrStock(dc, ui.smallFont ? ui.smallFont : ui.uiFont);
}

// Captions carry camera names: an '&' in one is shown, not taken as a mnemonic.
constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;

}  // namespace

void drawAllCameraWidgets(HDC dc, const RECT& clientRect) {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  const Object* active = activeCameraObject();
  if (app.cameraView && active) return;
  if (!app.showCameraWidgets) return;
  bool drawn = false;
  const bool crowded = scene.objects.size() > 256;
  for (const Object& object : scene.objects) {
    if (object.kind != ObjectKind::Camera || !isEffectivelyVisible(scene, object)) continue;
    const bool isActive = active && active->id == object.id;
    const bool isSelected = object.id == app.selectedObjectId;
    if (!isActive && !isSelected && crowded) continue;
    drawSingleCameraFrustum(dc, clientRect, object, isActive, isSelected);
    drawn = true;
  }
  if (active) drawCameraFramingBadge(dc, clientRect, *active);
  if (!drawn) {
    selectCaptionFont(dc);
    viewportDrawText(dc, L"No camera in scene: Create > Camera, then Ctrl+0 makes it active for render export.",
                     RECT{clientRect.left + 18, clientRect.bottom - 44, clientRect.right - 18, clientRect.bottom - 18},
                     kCaptionFormat, kCameraCaption);
  }
}

void drawSingleCameraFrustum(HDC dc, const RECT& clientRect, const Object& camera, bool isActive, bool isSelected) {
  const Vec3& rotation = camera.transform.rotation;
  const Vec3 forward = vec3Normalize(rotateEulerDegrees({0.0, 0.0, 1.0}, rotation));
  const Vec3 right = vec3Normalize(rotateEulerDegrees({1.0, 0.0, 0.0}, rotation));
  const Vec3 up = vec3Normalize(rotateEulerDegrees({0.0, 1.0, 0.0}, rotation));
  const double fov = clampKeepNan(camera.camera.fov, 1.0, 179.0);
  const double aspect = clampKeepNan(camera.camera.aspect, 0.25, 4.0);
  const double nearDepth = clampKeepNan(camera.camera.nearClip, 0.08, 0.45);
  const double d0 = isActive || isSelected ? 7.5 : 4.5;
  const double farDepth = clampKeepNan(std::min(camera.camera.farClip, d0), nearDepth + 0.75, 12.0);
  const double t = std::tan(degreesToRadians(fov) / 2.0);
  const double nh = t * nearDepth, nw = nh * aspect;
  const double fh = farDepth * t, fw = fh * aspect;
  const Vec3& position = camera.transform.position;
  const Vec3 nearCentre = position + forward * nearDepth;
  const Vec3 farCentre = position + forward * farDepth;
  const ViewContext view = currentViewContext(clientRect);
  auto corners = [&](const Vec3& centre, double hw, double hh, Vec3 out[4]) {
    out[0] = centre - right * hw + up * hh;
    out[1] = centre + right * hw + up * hh;
    out[2] = centre + right * hw - up * hh;
    out[3] = centre - right * hw - up * hh;
  };
  Vec3 nearCorners[4], farCorners[4];
  corners(nearCentre, nw, nh, nearCorners);
  corners(farCentre, fw, fh, farCorners);
  auto line = [&](const Vec3& a, const Vec3& b) { drawWorldSegment(dc, view, a, b); };

  COLORREF mainColour = kFrustum, secondary = kFrustumFar;
  if (isActive) {
    mainColour = kFrustumActive, secondary = kFrustumActiveFar;
  } else if (isSelected) {
    mainColour = kFrustumSelected, secondary = kFrustumSelectedFar;
  }
  auto mainPen = [&] { return isActive || isSelected ? solidPen(2, mainColour) : dottedPen(mainColour); };
  {
    ScopedPenBrush scope(dc, mainPen(), nullptr);
    for (const Vec3& corner : farCorners) line(position, corner);
    for (int i = 0; i < 4; ++i) line(farCorners[i], farCorners[(i + 1) % 4]);
  }
  {
    ScopedPenBrush scope(dc, dottedPen(secondary), nullptr);
    for (int i = 0; i < 4; ++i) line(nearCorners[i], nearCorners[(i + 1) % 4]);
    line(nearCentre, farCentre);
    line(farCentre - right * (0.18 * fw), farCentre + right * (0.18 * fw));
    line(farCentre - up * (0.18 * fh), farCentre + up * (0.18 * fh));
  }
  {
    ScopedPenBrush scope(dc, mainPen(), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    for (int i : {0, 2}) {
      POINT c{};
      if (anchorOnScreen(view, farCorners[i], c)) Rectangle(dc, c.x - 4, c.y - 4, c.x + 5, c.y + 5);
    }
    SelectObject(dc, previous);
  }
  POINT farMid{}, origin{};
  if (appState().showFramingBadge && anchorOnScreen(view, farCentre, farMid)) {
    ScopedPenBrush scope(dc, solidPen(isActive || isSelected ? 2 : 1, mainColour), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    drawLineXY(dc, farMid.x - 12, farMid.y, farMid.x + 12, farMid.y);
    drawLineXY(dc, farMid.x, farMid.y - 12, farMid.x, farMid.y + 12);
    Ellipse(dc, farMid.x - 8, farMid.y - 8, farMid.x + 9, farMid.y + 9);
    SelectObject(dc, previous);
  }
  if (anchorOnScreen(view, position, origin)) {
    drawCameraWidgetLabel(dc, clientRect, camera, origin, mainColour, isActive, isSelected);
  }
}

void drawCameraWidgetLabel(HDC dc, const RECT& clientRect, const Object& camera, POINT anchor, COLORREF colour,
                           bool isActive, bool isSelected) {
  std::wstring text = camera.name;
  if (isActive) {
    text += L"  ACTIVE";
  } else if (isSelected) {
    text += L"  SELECTED";
  }
  text += L"  FOV " + fixedDecimals(camera.camera.fov, 0) + L" deg";
  const RECT grown{clientRect.left - 2000, clientRect.top - 2000, clientRect.right + 2000, clientRect.bottom + 2000};
  const RECT rect{clampLong(anchor.x + 10, grown.left, grown.right), clampLong(anchor.y - 14, grown.top, grown.bottom),
                  clientRect.right - 8, clampLong(anchor.y + 10, grown.top, grown.bottom)};
  selectCaptionFont(dc);
  viewportDrawText(dc, text, rect, kCaptionFormat, colour);
}

void drawCameraFramingBadge(HDC dc, const RECT& clientRect, const Object& activeCamera) {
  const AppState& app = appState();
  if (!app.showFramingBadge) return;
  const Object* selected = findObjectById(app.project.scene, app.selectedObjectId);
  if (!selected) return;
  const ObjectKind kind = selected->kind;
  if (kind != ObjectKind::Mesh && kind != ObjectKind::Text && kind != ObjectKind::Curve && kind != ObjectKind::Group) {
    return;
  }
  POINT p{};
  if (!anchorOnScreen(currentViewContext(clientRect), selected->transform.position, p)) return;
  const bool inside = objectVisibleInCamera(activeCamera, *selected);
  const COLORREF colour = inside ? kFramingInside : kFramingOutside;
  const int r = inside ? 12 : 15;
  {
    ScopedPenBrush scope(dc, solidPen(2, colour), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    Ellipse(dc, p.x - r, p.y - r, p.x + r + 1, p.y + r + 1);
    SelectObject(dc, previous);
    drawLineXY(dc, p.x - r - 5, p.y, p.x - r + 2, p.y);
    drawLineXY(dc, p.x + r - 2, p.y, p.x + r + 5, p.y);
    drawLineXY(dc, p.x, p.y - r - 5, p.x, p.y - r + 2);
    drawLineXY(dc, p.x, p.y + r - 2, p.x, p.y + r + 5);
  }
  selectCaptionFont(dc);
  viewportDrawText(dc, inside ? L"IN ACTIVE CAMERA" : L"OUT OF ACTIVE CAMERA",
                   RECT{p.x + 16, p.y - 14, clientRect.right - 8, p.y + 12}, kCaptionFormat, colour);
}

void drawCameraViewFrame(HDC dc, const RECT& clientRect, std::span<const RECT> keepClear) {
  const Object* camera = activeCameraObject();
  if (!camera) return;
  const bool cameraView = appState().cameraView;
  const RECT f = cameraFrameRect(clientRect);
  if (cameraView) {
    HBRUSH band = CreateSolidBrush(kLetterbox);
    const RECT bands[4] = {{clientRect.left, clientRect.top, clientRect.right, f.top},
                           {clientRect.left, f.bottom, clientRect.right, clientRect.bottom},
                           {clientRect.left, f.top, f.left, f.bottom},
                           {f.right, f.top, clientRect.right, f.bottom}};
    for (const RECT& r : bands) {
      if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, band);
    }
    DeleteObject(band);
  }
  {
    ScopedPenBrush scope(dc, solidPen(cameraView ? 2 : 1, kCameraFrame), nullptr);
    HGDIOBJ previous = SelectObject(dc, hollowBrush());
    Rectangle(dc, f.left, f.top, f.right, f.bottom);
    SelectObject(dc, previous);
  }
  {
    ScopedPenBrush scope(dc, dottedPen(kCameraFrameGuide), nullptr);
    const LONG tw = std::max<LONG>((f.right - f.left) / 3, 1);
    const LONG th = std::max<LONG>((f.bottom - f.top) / 3, 1);
    drawLineXY(dc, f.left + tw, f.top, f.left + tw, f.bottom);
    drawLineXY(dc, f.left + 2 * tw, f.top, f.left + 2 * tw, f.bottom);
    drawLineXY(dc, f.left, f.top + th, f.right, f.top + th);
    drawLineXY(dc, f.left, f.top + 2 * th, f.right, f.top + 2 * th);
  }
  selectCaptionFont(dc);
  const std::wstring caption = L"Active Camera: " + camera->name + (cameraView ? L"  (Camera View)" : L"  (frame)");
  RECT rect{f.left + 10, std::max<LONG>(clientRect.top + 4, f.top + 8), f.right - 10, f.top + 30};
  // Each move goes below a text the caption met, so it ends below them all
  // at worst.
  for (bool moved = true; moved;) {
    moved = false;
    const RECT text = viewportTextBounds(dc, caption, rect, kCaptionFormat);
    for (const RECT& clear : keepClear) {
      RECT overlap{};
      if (!IntersectRect(&overlap, &text, &clear)) continue;
      const LONG shift = std::max<LONG>(clear.bottom + 4 - rect.top, 1);
      rect.top += shift;
      rect.bottom += shift;
      moved = true;
      break;
    }
  }
  viewportDrawText(dc, caption, rect, kCaptionFormat, kCameraFrameCaption);
}

}  // namespace vk
