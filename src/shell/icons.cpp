// Command and object icons and the rail tab glyphs: the glyph and colour of
// a command come from its row, drawn as simple GDI strokes inside the
// given rectangle.
#include <cmath>

#include "model/services.h"
#include "platform/palette.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell.h"

namespace vk {

namespace {

COLORREF mix(COLORREF base, COLORREF colour, double f) {
  auto channel = [f](int b, int c) { return static_cast<int>(std::trunc(b + f * (c - b))); };
  return RGB(channel(GetRValue(base), GetRValue(colour)), channel(GetGValue(base), GetGValue(colour)),
             channel(GetBValue(base), GetBValue(colour)));
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


// The glyph of a command id; the parent chooser's items and the text
// dialog's buttons are no command rows.
Glyph commandGlyph(int id) {
  if (id >= kCmdParentChooserBase) return Glyph::parent;
  if (id == kTextDialogFirstButton || id == kTextDialogSecondButton) return Glyph::lines;
  const CommandRow* row = findCommandRow(id);
  return row ? row->glyph : Glyph::none;
}

// An object's icon in the outliner: by kind, a mesh by its primitive.
Glyph objectGlyph(ObjectKind kind, const std::wstring& label) {
  switch (kind) {
    case ObjectKind::Camera: return Glyph::camera;
    case ObjectKind::Light: return Glyph::light;
    case ObjectKind::Group: return Glyph::group;
    default: break;
  }
  if (label == L"Group") return Glyph::group;
  if (label == L"Plane") return Glyph::plane;
  if (label == L"Sphere") return Glyph::sphere;
  if (label == L"Cylinder") return Glyph::cylinder;
  if (label == L"Cone") return Glyph::cone;
  if (label == L"Torus") return Glyph::torus;
  if (kind == ObjectKind::Text) return Glyph::letterT;
  if (kind == ObjectKind::Curve) return Glyph::curveLine;
  return Glyph::cube;
}

COLORREF objectColour(ObjectKind kind, const std::wstring& label) {
  switch (kind) {
    case ObjectKind::Camera: return kIconCameraObject;
    case ObjectKind::Light: return kIconLight;
    case ObjectKind::Group: return kIconGroup;
    case ObjectKind::Text: return kIconText;
    case ObjectKind::Curve: return kCurveCyan;
    default:
      return label == L"Sphere"     ? kIconViolet
             : label == L"Cylinder" ? kIconOrange
             : label == L"Cone"     ? kIconCoral
             : label == L"Torus"    ? kIconTeal
             : label == L"Plane"    ? kIconMint
                                    : kIconBlue;
  }
}

}  // namespace

COLORREF iconColorForCommand(int id, bool highlighted) {
  if (highlighted) return kIconHighlighted;
  if (id >= kCmdParentChooserBase) return kIconParent;
  const CommandRow* row = findCommandRow(id);
  return row ? row->colour : kIconDefault;
}

void drawIcon(HDC dc, const RECT& r, int id, ObjectKind kind, const std::wstring& label, bool highlighted) {
  const Glyph glyph = id == 0 ? objectGlyph(kind, label) : commandGlyph(id);
  const COLORREF colour = id == 0 ? objectColour(kind, label) : iconColorForCommand(id, highlighted);
  GlyphTools tools(dc, colour, highlighted ? 2 : 1, mix(kIconWell, colour, highlighted ? 0.22 : 0.12));
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  switch (glyph) {
    case Glyph::camera: {
      RoundRect(dc, r.left + 1, cy - h / 4, r.right - w / 4, cy + h / 3, 5, 5);
      const POINT lens[3] = {{r.right - w / 4, cy}, {r.right - 1, cy - h / 4}, {r.right - 1, cy + h / 4}};
      Polygon(dc, lens, 3);
      Ellipse(dc, r.left + w / 5, cy - h / 8, r.left + w / 5 + h / 4, cy + h / 8);
      break;
    }
    case Glyph::light:
      Ellipse(dc, cx - 5, cy - 5, cx + 6, cy + 6);
      line(dc, cx - 15, cy, cx - 10, cy);
      line(dc, cx + 10, cy, cx + 15, cy);
      line(dc, cx, cy - 15, cx, cy - 10);
      line(dc, cx, cy + 10, cx, cy + 15);
      line(dc, cx - 8, cy - 8, cx - 12, cy - 12);
      line(dc, cx + 8, cy - 8, cx + 12, cy - 12);
      break;
    case Glyph::group:
      RoundRect(dc, r.left + 1, r.top + 2, r.right - 1, r.bottom - 2, 6, 6);
      break;
    case Glyph::parent:
      RoundRect(dc, r.left, r.top + 1, cx, cy, 4, 4);
      RoundRect(dc, cx, cy, r.right, r.bottom - 1, 4, 4);
      line(dc, r.left + w / 4, cy, r.left + w / 4, cy + h / 4);
      line(dc, r.left + w / 4, cy + h / 4, cx, cy + h / 4);
      break;
    case Glyph::unparent:
      RoundRect(dc, r.left, r.top + 1, cx, cy, 4, 4);
      RoundRect(dc, cx + 2, cy + 2, r.right, r.bottom - 1, 4, 4);
      line(dc, cx - 2, cy + h / 4, cx + 2, cy + h / 4);
      break;
    case Glyph::eye:
      tools.hollow();
      Ellipse(dc, r.left + 1, cy - h / 4, r.right - 1, cy + h / 4);
      tools.filled();
      Ellipse(dc, cx - 4, cy - 4, cx + 4, cy + 4);
      break;
    case Glyph::lock:
      RoundRect(dc, r.left + 2, cy, r.right - 2, r.bottom - 1, 4, 4);
      Arc(dc, cx - w / 4, r.top + 1, cx + w / 4, cy + h / 4, cx + w / 4, cy, cx - w / 4, cy);
      break;
    case Glyph::plane: {
      const POINT quad[4] = {{r.left + w / 4, r.top + h / 4}, {r.right - 1, r.top + h / 4},
                             {r.right - w / 4, r.bottom - h / 4}, {r.left + 1, r.bottom - h / 4}};
      Polygon(dc, quad, 4);
      break;
    }
    case Glyph::sphere:
      Ellipse(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
      Arc(dc, r.left + 1, cy - h / 6, r.right - 1, cy + h / 6, r.left + 1, cy, r.right - 1, cy);
      break;
    case Glyph::cylinder:
      Rectangle(dc, r.left + 2, r.top + h / 5, r.right - 2, r.bottom - 2);
      Ellipse(dc, r.left + 2, r.top + 1, r.right - 2, r.top + 2 * h / 5);
      break;
    case Glyph::cone: {
      const POINT triangle[3] = {{cx, r.top + 1}, {r.right - 2, r.bottom - 2}, {r.left + 2, r.bottom - 2}};
      Polygon(dc, triangle, 3);
      break;
    }
    case Glyph::torus:
      tools.hollow();
      Ellipse(dc, r.left + 1, r.top + 2, r.right - 1, r.bottom - 2);
      Ellipse(dc, cx - w / 5, cy - h / 6, cx + w / 5, cy + h / 6);
      break;
    case Glyph::letterT: centredLetter(dc, r, L"T", colour); break;
    case Glyph::arrow: {
      const POINT arrow[3] = {
          {r.left + w / 4, r.top + 1}, {r.right - w / 5, cy + h / 5}, {r.left + w / 4, r.bottom - 2}};
      Polygon(dc, arrow, 3);
      break;
    }
    case Glyph::move:
      line(dc, r.left + 1, cy, r.right - 1, cy);
      line(dc, cx, r.top + 1, cx, r.bottom - 1);
      line(dc, r.right - 4, cy - 3, r.right - 1, cy);
      line(dc, cx - 3, r.top + 4, cx, r.top + 1);
      break;
    case Glyph::rotate:
      tools.hollow();
      Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, r.right - 2, cy, cx, r.top + 2);
      line(dc, cx, r.top + 2, cx + 4, r.top);
      break;
    case Glyph::scale:
      Rectangle(dc, r.right - w / 3, r.top + 1, r.right - 1, r.top + h / 3);
      line(dc, r.left + 1, r.bottom - 1, r.right - w / 3, r.top + h / 3);
      break;
    case Glyph::square: Rectangle(dc, r.left + 3, r.top + 3, r.right - 3, r.bottom - 3); break;
    case Glyph::editMesh:
      Rectangle(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
      cube(dc, RECT{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3});
      Ellipse(dc, r.left, r.top, r.left + 4, r.top + 4);
      break;
    case Glyph::vertices:
      for (int i = 0; i < 3; ++i) Ellipse(dc, r.left + 2 + i * w / 3, cy - 2, r.left + 6 + i * w / 3, cy + 2);
      break;
    case Glyph::edge:
      line(dc, r.left + 3, r.bottom - 3, r.right - 3, r.top + 3);
      Ellipse(dc, r.left, r.bottom - 6, r.left + 6, r.bottom);
      Ellipse(dc, r.right - 6, r.top, r.right, r.top + 6);
      break;
    case Glyph::lines:
      for (int i = 1; i <= 3; ++i) line(dc, r.left + 2, r.top + i * h / 4, r.right - 2, r.top + i * h / 4);
      break;
    case Glyph::ring:
      tools.hollow();
      Ellipse(dc, cx - 8, cy - 8, cx + 9, cy + 9);
      break;
    case Glyph::letterX: centredLetter(dc, r, L"X", colour); break;
    case Glyph::letterY: centredLetter(dc, r, L"Y", colour); break;
    case Glyph::letterZ: centredLetter(dc, r, L"Z", colour); break;
    case Glyph::snap:
      RoundRect(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, 5, 5);
      line(dc, cx, r.top + 2, cx, r.bottom - 2);
      line(dc, r.left + 2, cy, r.right - 2, cy);
      break;
    case Glyph::undo:
    case Glyph::redo: {
      tools.hollow();
      // Undo turns left, redo right: the same upper arc, its arrow head at the other end.
      Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, r.right - 2, cy, r.left + 2, cy);
      const bool undo = glyph == Glyph::undo;
      const int tipX = undo ? r.left + 2 : r.right - 2;
      line(dc, tipX, cy, tipX + (undo ? 4 : -4), cy - 4);
      break;
    }
    case Glyph::duplicate:
      RoundRect(dc, r.left, r.top, r.right - w / 3, r.bottom - h / 3, 4, 4);
      RoundRect(dc, r.left + w / 3, r.top + h / 3, r.right, r.bottom, 4, 4);
      break;
    case Glyph::cross:
      line(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
      line(dc, r.right - 2, r.top + 2, r.left + 2, r.bottom - 2);
      break;
    case Glyph::disk:
      RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, 4, 4);
      Rectangle(dc, r.left + w / 4, r.top + 1, r.right - w / 4, r.top + h / 3);
      Rectangle(dc, r.left + w / 5, cy, r.right - w / 5, r.bottom - 3);
      break;
    case Glyph::page: RoundRect(dc, r.left + w / 5, r.top + 1, r.right - w / 5, r.bottom - 1, 4, 4); break;
    case Glyph::folder: {
      const POINT folder[6] = {{r.left + 1, r.bottom - 2}, {r.left + 1, r.top + 2}, {cx - 2, r.top + 2},
                               {cx, r.top + h / 4}, {r.right - 1, r.top + h / 4}, {r.right - 1, r.bottom - 2}};
      Polyline(dc, folder, 6);
      line(dc, r.right - 1, r.bottom - 2, r.left + 1, r.bottom - 2);
      break;
    }
    case Glyph::resetArc:
      tools.hollow();
      Arc(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, cx, r.top + 2, r.right - 2, cy);
      line(dc, cx, r.top + 2, cx + 4, r.top + 5);
      break;
    case Glyph::curveCircle:
      tools.hollow();
      Ellipse(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
      break;
    case Glyph::curveRect:
      tools.hollow();
      Rectangle(dc, r.left + 2, r.top + 3, r.right - 2, r.bottom - 3);
      break;
    case Glyph::curveBezier: {
      tools.hollow();
      const POINT bezier[4] = {{r.left + 1, r.bottom - 2}, {r.left + w / 3, r.top}, {r.right - w / 3, r.bottom},
                               {r.right - 1, r.top + 2}};
      PolyBezier(dc, bezier, 4);
      break;
    }
    case Glyph::curveLine:
    case Glyph::curveAddPoint:
    case Glyph::curveDeletePoint: {
      tools.hollow();
      const POINT poly[4] = {{r.left + 1, r.bottom - 2}, {cx - 2, r.top + 3}, {cx + 2, r.bottom - 3},
                             {r.right - 1, r.top + 2}};
      Polyline(dc, poly, 4);
      if (glyph != Glyph::curveLine) line(dc, r.right - 6, r.bottom - 3, r.right - 1, r.bottom - 3);
      if (glyph == Glyph::curveAddPoint) line(dc, r.right - 4, r.bottom - 6, r.right - 4, r.bottom);
      break;
    }
    case Glyph::modifier:
    case Glyph::solidify:
      cube(dc, r);
      if (glyph == Glyph::solidify) Rectangle(dc, r.left + w / 2, r.top + h / 2, r.right, r.bottom);
      else line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1);
      break;
    case Glyph::info:
      tools.hollow();
      Ellipse(dc, cx - 9, cy - 9, cx + 10, cy + 10);
      tools.filled();
      Ellipse(dc, cx - 1, cy - 6, cx + 2, cy - 3);
      break;
    case Glyph::none:
    case Glyph::cube: cube(dc, r); break;
  }
}

void drawRailTabGlyph(HDC dc, const RECT& r, int tabId, COLORREF colour) {
  GlyphTools tools(dc, colour, 2, mix(kCardFill, colour, 0.14));
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
