// Command and object icons and the rail tab glyphs: fixed colours per
// command, simple GDI strokes inside the given rectangle.
#include <cmath>

#include "shell/command_ids.h"
#include "shell/shell.h"

namespace vk {

namespace {

COLORREF mix(COLORREF base, COLORREF colour, double f) {
  auto channel = [f](int b, int c) { return static_cast<int>(std::trunc(b + f * (c - b))); };
  return RGB(channel(GetRValue(base), GetRValue(colour)), channel(GetGValue(base), GetGValue(colour)),
             channel(GetBValue(base), GetBValue(colour)));
}

bool inRange(int id, int first, int last) { return id >= first && id <= last; }
bool oneOf(int id, std::initializer_list<int> ids) {
  for (int v : ids)
    if (v == id) return true;
  return false;
}

// The pen and the fill of one glyph, selected for its lifetime.
class GlyphTools {
 public:
  GlyphTools(HDC dc, COLORREF colour, int penWidth, COLORREF fill) : dc_(dc) {
    pen_ = CreatePen(PS_SOLID, penWidth, colour);
    brush_ = CreateSolidBrush(fill);
    oldPen_ = SelectObject(dc, pen_);
    oldBrush_ = SelectObject(dc, brush_);
  }
  ~GlyphTools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  void hollow() { SelectObject(dc_, GetStockObject(HOLLOW_BRUSH)); }
  void filled() { SelectObject(dc_, brush_); }
  GlyphTools(const GlyphTools&) = delete;
  GlyphTools& operator=(const GlyphTools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

void line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void centredLetter(HDC dc, const RECT& r, const wchar_t* letter, COLORREF colour) {
  RECT box = r;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, letter, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void cube(HDC dc, const RECT& r) {
  const int cx = (r.left + r.right) / 2;
  const int h = r.bottom - r.top;
  const POINT hexagon[6] = {{cx, r.top + 2},        {r.right - 2, r.top + h / 3}, {r.right - 2, r.bottom - 4},
                            {cx, r.bottom - 1},     {r.left + 2, r.bottom - 4},   {r.left + 2, r.top + h / 3}};
  Polygon(dc, hexagon, 6);
  line(dc, cx, r.top + 2, cx, r.bottom - 1);
  const POINT fold[3] = {{r.left + 2, r.top + h / 3}, {cx, r.top + h / 2}, {r.right - 2, r.top + h / 3}};
  Polyline(dc, fold, 3);
}


}  // namespace

COLORREF iconColorForCommand(int id, bool highlighted) {
  if (highlighted) return RGB(245, 250, 255);
  if (id == kCmdApplyInspector) return RGB(245, 250, 255);
  if (id >= kCmdParentChooserBase || id == kCmdParentSelected) return RGB(150, 204, 255);
  if (oneOf(id, {kCmdNewProject, kCmdOpenProject, kCmdSaveProjectAs, kCmdExit, kCmdShowPhaseNotes, kCmdShowCopyright}))
    return RGB(175, 195, 222);
  if (id == kCmdSaveProject) return RGB(178, 220, 255);
  if (oneOf(id, {kCmdAddCube, kCmdToolMove, kCmdEditMeshMode, kCmdMeshExtrude})) return RGB(92, 174, 255);
  if (oneOf(id, {kCmdAddCamera, kCmdToggleCameraView, kCmdSetSelectedCameraActive, kCmdClearActiveCamera}))
    return RGB(143, 218, 255);
  if (oneOf(id, {kCmdAddPointLight, kCmdAddDirectionalLight, kCmdAddSpotLight, kCmdAddAreaLight}))
    return RGB(255, 215, 96);
  if (id == kCmdAddEmpty) return RGB(160, 174, 196);
  if (oneOf(id, {kCmdAddPlane, kCmdToolScale, kCmdEdgeSelection, kCmdMeshMerge})) return RGB(92, 220, 178);
  if (oneOf(id, {kCmdAddSphere, kCmdFaceSelection, kCmdMeshRecalculateNormals})) return RGB(194, 132, 255);
  if (oneOf(id, {kCmdAddCylinder, kCmdToolRotate, kCmdMeshFlipNormals})) return RGB(255, 176, 88);
  if (id == kCmdAddCone) return RGB(255, 120, 110);
  if (id == kCmdAddTextMesh) return RGB(255, 229, 112);
  if (oneOf(id, {kCmdAddTorus, kCmdAddMirrorModifier})) return RGB(100, 205, 240);
  if (inRange(id, kCmdAddLineCurve, kCmdAddRectangleCurve) || id == kCmdEditCurveMode ||
      inRange(id, kCmdCurveAddPoint, kCmdCurveConvertToMesh))
    return RGB(105, 210, 255);
  if (oneOf(id, {kCmdDuplicateSelected, kCmdUndo, kCmdRedo})) return RGB(200, 218, 255);
  if (oneOf(id, {kCmdDeleteSelected, kCmdClearComponentSelection})) return RGB(255, 136, 136);
  if (id == kCmdResetTransform) return RGB(205, 217, 234);
  if (oneOf(id, {kCmdResetView, kCmdAxisFree, kCmdObjectMode})) return RGB(180, 202, 230);
  if (id == kCmdFrameSelected) return RGB(140, 210, 255);
  if (id == kCmdToggleProjection) return RGB(150, 190, 255);
  if (inRange(id, kCmdShadingWireframe, kCmdCycleShading)) return RGB(160, 204, 255);
  if (id == kCmdAxisX) return RGB(235, 78, 78);
  if (id == kCmdAxisY) return RGB(86, 210, 120);
  if (id == kCmdAxisZ) return RGB(86, 150, 255);
  if (oneOf(id, {kCmdToggleSnap, kCmdVertexSelection})) return RGB(255, 224, 98);
  if (id == kCmdMeshDeleteComponent) return RGB(255, 110, 110);
  if (id == kCmdNewGroup) return RGB(126, 178, 255);
  if (id == kCmdUnparentSelected) return RGB(255, 184, 112);
  if (id == kCmdToggleVisibility) return RGB(165, 220, 255);
  if (id == kCmdToggleLock) return RGB(255, 216, 130);
  if (id == kCmdAddArrayModifier) return RGB(120, 190, 255);
  if (id == kCmdAddBevelModifier) return RGB(255, 188, 112);
  if (id == kCmdAddSolidifyModifier) return RGB(142, 220, 255);
  if (oneOf(id, {kCmdAddMaterialSlot, kCmdDuplicateMaterialSlot, kCmdAssignMaterialToFaces, kMenuMaterial}) ||
      inRange(id, kCmdSetColorMap, kCmdSetEmissionMap))
    return RGB(228, 174, 74);
  if (inRange(id, kCmdLightTypePoint, kCmdLightTypeArea) || inRange(id, kCmdLightIntensityUp, kCmdLightAreaSizeDown) ||
      inRange(id, kCmdLightingCapsuleThreePoint, kCmdLightingCapsuleMoonlitBlue) || id == kMenuView)
    return RGB(255, 216, 112);
  if (inRange(id, kCmdStarterCleanModeling, kCmdStarterMoonlitLookdev)) return RGB(138, 226, 255);
  return RGB(190, 210, 238);
}

void drawIcon(HDC dc, const RECT& r, int id, ObjectKind kind, const std::wstring& label, bool highlighted) {
  COLORREF colour;
  if (id == 0) {
    switch (kind) {
      case ObjectKind::Camera: colour = RGB(145, 218, 255); break;
      case ObjectKind::Light: colour = RGB(255, 215, 96); break;
      case ObjectKind::Group: colour = RGB(126, 178, 255); break;
      case ObjectKind::Text: colour = RGB(255, 229, 112); break;
      case ObjectKind::Curve: colour = RGB(105, 210, 255); break;
      default:
        colour = label == L"Sphere"     ? RGB(194, 132, 255)
                 : label == L"Cylinder" ? RGB(255, 176, 88)
                 : label == L"Cone"     ? RGB(255, 120, 110)
                 : label == L"Torus"    ? RGB(100, 205, 240)
                 : label == L"Plane"    ? RGB(92, 220, 178)
                                        : RGB(92, 174, 255);
    }
  } else {
    colour = iconColorForCommand(id, highlighted);
  }
  GlyphTools tools(dc, colour, highlighted ? 2 : 1, mix(RGB(15, 21, 30), colour, highlighted ? 0.22 : 0.12));
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (id == kCmdAddCamera || kind == ObjectKind::Camera) {
    RoundRect(dc, r.left + 1, cy - h / 4, r.right - w / 4, cy + h / 3, 5, 5);
    const POINT lens[3] = {{r.right - w / 4, cy}, {r.right - 1, cy - h / 4}, {r.right - 1, cy + h / 4}};
    Polygon(dc, lens, 3);
    Ellipse(dc, r.left + w / 5, cy - h / 8, r.left + w / 5 + h / 4, cy + h / 8);
  } else if (id == kCmdAddPointLight || id == kCmdAddDirectionalLight || kind == ObjectKind::Light) {
    Ellipse(dc, cx - 5, cy - 5, cx + 6, cy + 6);
    line(dc, cx - 15, cy, cx - 10, cy);
    line(dc, cx + 10, cy, cx + 15, cy);
    line(dc, cx, cy - 15, cx, cy - 10);
    line(dc, cx, cy + 10, cx, cy + 15);
    line(dc, cx - 8, cy - 8, cx - 12, cy - 12);
    line(dc, cx + 8, cy - 8, cx + 12, cy - 12);
  } else if (id == kCmdNewGroup || kind == ObjectKind::Group || label == L"Group") {
    RoundRect(dc, r.left + 1, r.top + 2, r.right - 1, r.bottom - 2, 6, 6);
  } else if (id == kCmdParentSelected || id >= kCmdParentChooserBase) {
    RoundRect(dc, r.left, r.top + 1, cx, cy, 4, 4);
    RoundRect(dc, cx, cy, r.right, r.bottom - 1, 4, 4);
    line(dc, r.left + w / 4, cy, r.left + w / 4, cy + h / 4);
    line(dc, r.left + w / 4, cy + h / 4, cx, cy + h / 4);
  } else if (id == kCmdUnparentSelected) {
    RoundRect(dc, r.left, r.top + 1, cx, cy, 4, 4);
    RoundRect(dc, cx + 2, cy + 2, r.right, r.bottom - 1, 4, 4);
    line(dc, cx - 2, cy + h / 4, cx + 2, cy + h / 4);
  } else if (id == kCmdToggleVisibility) {
    tools.hollow();
    Ellipse(dc, r.left + 1, cy - h / 4, r.right - 1, cy + h / 4);
    tools.filled();
    Ellipse(dc, cx - 4, cy - 4, cx + 4, cy + 4);
  } else if (id == kCmdToggleLock) {
    RoundRect(dc, r.left + 2, cy, r.right - 2, r.bottom - 1, 4, 4);
    Arc(dc, cx - w / 4, r.top + 1, cx + w / 4, cy + h / 4, cx + w / 4, cy, cx - w / 4, cy);
  } else if (id == kCmdAddPlane || label == L"Plane") {
    const POINT quad[4] = {{r.left + w / 4, r.top + h / 4}, {r.right - 1, r.top + h / 4},
                           {r.right - w / 4, r.bottom - h / 4}, {r.left + 1, r.bottom - h / 4}};
    Polygon(dc, quad, 4);
  } else if (id == kCmdAddSphere || label == L"Sphere") {
    Ellipse(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    Arc(dc, r.left + 1, cy - h / 6, r.right - 1, cy + h / 6, r.left + 1, cy, r.right - 1, cy);
  } else if (id == kCmdAddCylinder || label == L"Cylinder") {
    Rectangle(dc, r.left + 2, r.top + h / 5, r.right - 2, r.bottom - 2);
    Ellipse(dc, r.left + 2, r.top + 1, r.right - 2, r.top + 2 * h / 5);
  } else if (id == kCmdAddCone || label == L"Cone") {
    const POINT triangle[3] = {{cx, r.top + 1}, {r.right - 2, r.bottom - 2}, {r.left + 2, r.bottom - 2}};
    Polygon(dc, triangle, 3);
  } else if (id == kCmdAddTorus || label == L"Torus") {
    tools.hollow();
    Ellipse(dc, r.left + 1, r.top + 2, r.right - 1, r.bottom - 2);
    Ellipse(dc, cx - w / 5, cy - h / 6, cx + w / 5, cy + h / 6);
  } else if (id == kCmdAddTextMesh || kind == ObjectKind::Text) {
    centredLetter(dc, r, L"T", colour);
  } else if (id == kCmdToolSelect) {
    const POINT arrow[3] = {{r.left + w / 4, r.top + 1}, {r.right - w / 5, cy + h / 5}, {r.left + w / 4, r.bottom - 2}};
    Polygon(dc, arrow, 3);
  } else if (id == kCmdToolMove) {
    line(dc, r.left + 1, cy, r.right - 1, cy);
    line(dc, cx, r.top + 1, cx, r.bottom - 1);
    line(dc, r.right - 4, cy - 3, r.right - 1, cy);
    line(dc, cx - 3, r.top + 4, cx, r.top + 1);
  } else if (id == kCmdToolRotate) {
    tools.hollow();
    Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, r.right - 2, cy, cx, r.top + 2);
    line(dc, cx, r.top + 2, cx + 4, r.top);
  } else if (id == kCmdToolScale) {
    Rectangle(dc, r.right - w / 3, r.top + 1, r.right - 1, r.top + h / 3);
    line(dc, r.left + 1, r.bottom - 1, r.right - w / 3, r.top + h / 3);
  } else if (id == kCmdObjectMode) {
    Rectangle(dc, r.left + 3, r.top + 3, r.right - 3, r.bottom - 3);
  } else if (id == kCmdEditMeshMode) {
    Rectangle(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    cube(dc, RECT{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3});
    Ellipse(dc, r.left, r.top, r.left + 4, r.top + 4);
  } else if (id == kCmdVertexSelection) {
    for (int i = 0; i < 3; ++i) Ellipse(dc, r.left + 2 + i * w / 3, cy - 2, r.left + 6 + i * w / 3, cy + 2);
  } else if (id == kCmdEdgeSelection) {
    line(dc, r.left + 3, r.bottom - 3, r.right - 3, r.top + 3);
    Ellipse(dc, r.left, r.bottom - 6, r.left + 6, r.bottom);
    Ellipse(dc, r.right - 6, r.top, r.right, r.top + 6);
  } else if (id == kCmdFaceSelection || id == kCmdClearComponentSelection || id == kCmdFrameSelected ||
             id == kCmdApplyInspector || id == kTextDialogFirstButton || id == kTextDialogSecondButton) {
    for (int i = 1; i <= 3; ++i) line(dc, r.left + 2, r.top + i * h / 4, r.right - 2, r.top + i * h / 4);
  } else if (id == kCmdAxisFree) {
    tools.hollow();
    Ellipse(dc, cx - 8, cy - 8, cx + 9, cy + 9);
  } else if (id == kCmdAxisX || id == kCmdAxisY || id == kCmdAxisZ) {
    centredLetter(dc, r, id == kCmdAxisX ? L"X" : id == kCmdAxisY ? L"Y" : L"Z", colour);
  } else if (id == kCmdToggleSnap) {
    RoundRect(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, 5, 5);
    line(dc, cx, r.top + 2, cx, r.bottom - 2);
    line(dc, r.left + 2, cy, r.right - 2, cy);
  } else if (id == kCmdUndo || id == kCmdRedo) {
    tools.hollow();
    // Undo turns left, redo right: the same upper arc, its arrow head at the other end.
    Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, r.right - 2, cy, r.left + 2, cy);
    const int tipX = id == kCmdUndo ? r.left + 2 : r.right - 2;
    line(dc, tipX, cy, tipX + (id == kCmdUndo ? 4 : -4), cy - 4);
  } else if (id == kCmdDuplicateSelected) {
    RoundRect(dc, r.left, r.top, r.right - w / 3, r.bottom - h / 3, 4, 4);
    RoundRect(dc, r.left + w / 3, r.top + h / 3, r.right, r.bottom, 4, 4);
  } else if (id == kCmdDeleteSelected || id == kCmdExit) {
    line(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    line(dc, r.right - 2, r.top + 2, r.left + 2, r.bottom - 2);
  } else if (id == kCmdSaveProject || id == kCmdSaveProjectAs) {
    RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, 4, 4);
    Rectangle(dc, r.left + w / 4, r.top + 1, r.right - w / 4, r.top + h / 3);
    Rectangle(dc, r.left + w / 5, cy, r.right - w / 5, r.bottom - 3);
  } else if (id == kCmdNewProject) {
    RoundRect(dc, r.left + w / 5, r.top + 1, r.right - w / 5, r.bottom - 1, 4, 4);
  } else if (id == kCmdOpenProject) {
    const POINT folder[6] = {{r.left + 1, r.bottom - 2}, {r.left + 1, r.top + 2}, {cx - 2, r.top + 2},
                             {cx, r.top + h / 4}, {r.right - 1, r.top + h / 4}, {r.right - 1, r.bottom - 2}};
    Polyline(dc, folder, 6);
    line(dc, r.right - 1, r.bottom - 2, r.left + 1, r.bottom - 2);
  } else if (id == kCmdResetView || id == kCmdResetTransform) {
    tools.hollow();
    Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, cx, r.top + 2, r.right - 2, cy);
    line(dc, cx, r.top + 2, cx + 4, r.top + 5);
  } else if (id == kCmdToggleProjection) {
    cube(dc, r);
  } else if (inRange(id, kCmdAddLineCurve, kCmdAddRectangleCurve) || id == kCmdEditCurveMode ||
             inRange(id, kCmdCurveAddPoint, kCmdCurveConvertToMesh) || kind == ObjectKind::Curve) {
    tools.hollow();
    if (id == kCmdAddCircleCurve) {
      Ellipse(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    } else if (id == kCmdAddRectangleCurve) {
      Rectangle(dc, r.left + 2, r.top + 3, r.right - 2, r.bottom - 3);
    } else if (id == kCmdAddBezierCurve) {
      const POINT bezier[4] = {{r.left + 1, r.bottom - 2}, {r.left + w / 3, r.top}, {r.right - w / 3, r.bottom},
                               {r.right - 1, r.top + 2}};
      PolyBezier(dc, bezier, 4);
    } else {
      const POINT poly[4] = {{r.left + 1, r.bottom - 2}, {cx - 2, r.top + 3}, {cx + 2, r.bottom - 3},
                             {r.right - 1, r.top + 2}};
      Polyline(dc, poly, 4);
      if (id == kCmdCurveAddPoint || id == kCmdCurveDeletePoints)
        line(dc, r.right - 6, r.bottom - 3, r.right - 1, r.bottom - 3);
      if (id == kCmdCurveAddPoint) line(dc, r.right - 4, r.bottom - 6, r.right - 4, r.bottom);
    }
  } else if (inRange(id, kCmdAddMirrorModifier, kCmdAddSolidifyModifier)) {
    cube(dc, r);
    if (id == kCmdAddSolidifyModifier)
      Rectangle(dc, r.left + w / 2, r.top + h / 2, r.right, r.bottom);
    else line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1);
  } else if (id == kCmdShowPhaseNotes || id == kCmdShowCopyright) {
    tools.hollow();
    Ellipse(dc, cx - 9, cy - 9, cx + 10, cy + 10);
    tools.filled();
    Ellipse(dc, cx - 1, cy - 6, cx + 2, cy - 3);
  } else {
    cube(dc, r);
  }
}

void drawRailTabGlyph(HDC dc, const RECT& r, int tabId, COLORREF colour) {
  GlyphTools tools(dc, colour, 2, mix(RGB(10, 17, 27), colour, 0.14));
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  const int h = r.bottom - r.top;
  const int s = std::max(h / 2, 4);
  switch (tabId) {
    case kCmdRailOutliner:
      RoundRect(dc, cx - s, r.top, cx - s + 8, r.top + 7, 3, 3);
      RoundRect(dc, cx, cy - 3, cx + 8, cy + 4, 3, 3);
      RoundRect(dc, cx, r.bottom - 7, cx + 8, r.bottom, 3, 3);
      line(dc, cx - s + 4, r.top + 7, cx - s + 4, r.bottom - 4);
      line(dc, cx - s + 4, cy, cx, cy);
      line(dc, cx - s + 4, r.bottom - 4, cx, r.bottom - 4);
      break;
    case kCmdRailAssets: {
      const POINT folder[6] = {{cx - s, r.bottom - 1}, {cx - s, r.top + 1}, {cx - 2, r.top + 1},
                               {cx + 1, r.top + 4}, {cx + s, r.top + 4}, {cx + s, r.bottom - 1}};
      Polygon(dc, folder, 6);
      break;
    }
    case kCmdRailMaterials:
      Ellipse(dc, cx - s, r.top, cx + s, r.bottom);
      Arc(dc, cx - s + 4, r.top + 3, cx + s - 4, r.bottom - 3, cx, r.top + 3, cx - s + 4, cy);
      break;
    case kCmdRailScene: {
      const POINT ground[4] = {{cx - s, cy + 2}, {cx, r.top + 2}, {cx + s, cy + 2}, {cx, r.bottom - 1}};
      Polygon(dc, ground, 4);
      line(dc, cx - s / 2, cy - s / 4, cx + s / 2, cy + 2 + s / 4);
      line(dc, cx + s / 2, cy - s / 4, cx - s / 2, cy + 2 + s / 4);
      break;
    }
    case kCmdRailHistory:
      Ellipse(dc, cx - s, r.top, cx + s, r.bottom);
      line(dc, cx, cy, cx, r.top + 4);
      line(dc, cx, cy, cx + s / 2, cy);
      break;
    default: break;
  }
}

}  // namespace vk
