// One viewport frame: the scene scope, the objects a paint draws whole or as
// boxes queued on one draw list (a frame drawn whole past the paint's total
// in batches), the grid, the corner texts, the preview lists' elements, the
// origin markers and the viewport window's paint.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "shading/modifiers.h"
#include "shading/textures.h"
#include "viewport/frame_draw_list.h"
#include "viewport/interaction.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {


bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

bool sameLights(const SceneLighting& a, const SceneLighting& b) {
  auto same = [](const LightSample& x, const LightSample& y) {
    return x.kind == y.kind && sameBits(x.position.x, y.position.x) && sameBits(x.position.y, y.position.y) &&
           sameBits(x.position.z, y.position.z) && sameBits(x.axis.x, y.axis.x) && sameBits(x.axis.y, y.axis.y) &&
           sameBits(x.axis.z, y.axis.z) && sameBits(x.intensity, y.intensity) && sameBits(x.range, y.range) &&
           sameBits(x.cosHalfAngle, y.cosHalfAngle) && sameBits(x.areaSize, y.areaSize);
  };
  return a.sceneEmpty == b.sceneEmpty && std::equal(a.lights.begin(), a.lights.end(), b.lights.begin(),
                                                    b.lights.end(), same);
}

// Marks a frame in progress: the resolved view and the visible lights are
// shared by every projection and lit face of the frame, and each texture
// path is probed once. Restores the previous state on every exit.
struct FrameScope {
  explicit FrameScope(const RECT& clientRect) : caches(viewportCaches()), saved(caches.frame) {
    pruneViewportCaches();
    FrameContext frame = makeFrameContext(clientRect);
    if (!sameLights(frame.lighting, caches.lastLighting)) {
      ++caches.lightsGeneration;
      caches.lastLighting = frame.lighting;
    }
    frame.active = true;
    caches.frame = std::move(frame);
    beginTextureFrame();
  }
  ~FrameScope() {
    endTextureFrame();
    caches.frame = std::move(saved);
  }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;
  ViewportCaches& caches;
  FrameContext saved;
};

std::wstring positionText(const Vec3& p) {
  return fixedDecimals(p.x, 2) + L", " + fixedDecimals(p.y, 2) + L", " + fixedDecimals(p.z, 2);
}

bool textureHintApplies(const Object& selected) {
  if (!isGeometryKind(selected.kind)) return false;
  if (selected.meshData.uvsValid && !selected.meshData.uvs.read().empty()) return false;
  // The slots as repaired, on a copy of the materials alone.
  Object copy;
  copy.material = selected.material;
  copy.materialSlots = selected.materialSlots;
  sanitizeMaterialSlots(copy);
  for (Material& slot : copy.materialSlots.slots) {
    ensureMaterialTextureMaps(slot);
    for (const TextureMap& map : slot.textureMaps.maps) {
      if (map.enabled && !map.path.empty()) return true;
    }
  }
  return false;
}

// The two lines at the top left, their texts and their rectangles, and the
// texture note below them (empty: none).
struct CornerLines {
  std::wstring first, second, textureNote;
  RECT firstRect{}, secondRect{}, textureNoteRect{};
};

// The first line carries a name: an '&' in it is shown, not taken as a mnemonic.
constexpr UINT kCornerLineFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;

CornerLines cornerLines(const RECT& clientRect) {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  const LONG right = std::max<LONG>(std::max<LONG>(clientRect.right - clientRect.left, 1) - 18, 30);
  const Object* selected = findObjectById(scene, app.selectedObjectId);
  const Object* camera = activeCameraObject();
  const bool cameraView = app.cameraView && camera;

  CornerLines lines;
  std::wstring& first = lines.first;
  if (cameraView) {
    first = L"Camera  Pos " + positionText(camera->transform.position);
  } else if (selected) {
    first = L"Selected  " + shownText(selected->name) + L"  Pos " + positionText(selected->transform.position);
  } else {
    first = L"Viewport  Pos " + positionText(app.viewPivot);
  }
  const std::size_t keys = selected ? selected->transformAnimation.keyframes.size() : 0;
  const std::wstring view = cameraView ? L"Camera" : app.orthographic ? L"Orthographic" : L"Perspective";
  lines.second = L"Keys: " + std::to_wstring(keys) + L"   Shade: " + viewportShadingLabel(scene.viewportShadingMode) +
                 L"   View: " + view + L"   Nav: " + navigationModeName(app.navigationMode);
  lines.firstRect = RECT{18, 12, right, 32};
  lines.secondRect = RECT{18, 34, right, 54};
  if (selected && textureHintApplies(*selected)) {
    lines.textureNote =
        L"Texture preview: this material references image maps and has no authored UVs yet. "
        L"Phase 63 uses generated fallback mapping for color preview because this mesh has no "
        L"authored UVs.";
    lines.textureNoteRect = RECT{18, 140, right, 186};
  }
  return lines;
}

constexpr UINT kTextureNoteFormat = DT_WORDBREAK | DT_END_ELLIPSIS;

// Where the corner texts lie, each on its own.
void addCornerTextBounds(HDC dc, const CornerLines& lines, std::vector<RECT>& bounds) {
  const AppState& app = appState();
  selectFontOrStock(dc, app.ui.uiFont);
  bounds.push_back(viewportTextBounds(dc, lines.first, lines.firstRect, kCornerLineFormat));
  bounds.push_back(viewportTextBounds(dc, lines.second, lines.secondRect, kCornerLineFormat));
  if (lines.textureNote.empty()) return;
  selectFontOrStock(dc, app.ui.smallFont);
  bounds.push_back(viewportTextBounds(dc, lines.textureNote, lines.textureNoteRect, kTextureNoteFormat));
}

void drawCornerTexts(HDC dc, const CornerLines& lines) {
  const AppState& app = appState();
  selectFontOrStock(dc, app.ui.uiFont);
  viewportDrawText(dc, lines.first, lines.firstRect, kCornerLineFormat, kViewportHud);
  viewportDrawText(dc, lines.second, lines.secondRect, kCornerLineFormat, kViewportHud);

  if (!lines.textureNote.empty()) {
    selectFontOrStock(dc, app.ui.smallFont);
    viewportDrawText(dc, lines.textureNote, lines.textureNoteRect, kTextureNoteFormat, kViewportNotice);
    SetTextColor(dc, kViewportHud);
  }
}

// A mesh shows its origin only while selected; every other kind always.
bool marksOrigin(const Object& object, bool selected) { return selected || object.kind != ObjectKind::Mesh; }

// Entries of objects this frame did not draw let their arrays go.
void dropUndrawnMeshEntries(ViewportCaches& caches, std::size_t objectCount) {
  if (caches.meshDraws.size() > objectCount) caches.meshDraws.resize(objectCount);
  for (MeshDrawEntry& entry : caches.meshDraws) {
    if (entry.frame != caches.frameNumber && entry.projection) entry = MeshDrawEntry{};
  }
}

void queueObjectBody(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                     bool helperGlyphs) {
  switch (object.kind) {
    case ObjectKind::Mesh: queueMeshObject(list, clientRect, object, selected, nullptr); break;
    case ObjectKind::Text: queueObjectStep(list, drawTextObject, clientRect, object, selected); break;
    case ObjectKind::Curve: queueObjectStep(list, drawCurveObject, clientRect, object, selected); break;
    default:
      if (helperGlyphs) queueObjectStep(list, drawGenericObjectGlyph, clientRect, object, selected);
      break;
  }
}

// Queues one visible object as the paint admitted it: its box, or its body,
// preview list and origin.
void queueAdmitted(FrameDrawList& list, const RECT& clientRect, const Object& object, std::size_t index,
                   bool selected, const PaintAdmission& admitted, const ViewportDrawOptions& options) {
  if (!admitted.whole) {
    queueObjectStep(list, drawPaintBox, clientRect, object, false);
    if (options.showSelection && marksOrigin(object, false)) {
      queueObjectStep(list, drawObjectOrigin, clientRect, object, false);
    }
    return;
  }
  const bool keep = list.keep;
  // A selected object past the whole total keeps nothing for later paints.
  list.keep = keep && admitted.units <= kPaintDrawUnitLimit;
  list.sceneIndex = index;
  // In a still render an object past the paint's total is drawn without its preview.
  const ModifierPreviewDraw& previews = admitted.previews;
  if (!previews || !objectNeedsModifierPreview(object)) {
    queueObjectBody(list, clientRect, object, selected, options.showHelperGlyphs);
  }
  list.sceneIndex = FrameDrawList::kNoSceneIndex;
  if (previews) queueModifierPreview(list, clientRect, object, selected, previews);
  if (options.showSelection && marksOrigin(object, selected)) {
    queueObjectStep(list, drawObjectOrigin, clientRect, object, selected);
  }
  list.keep = keep;
}

}  // namespace

FrameContext makeFrameContext(const RECT& clientRect) {
  FrameContext frame;
  frame.view = makeViewContext(clientRect);
  frame.lighting = collectSceneLighting();
  frame.shading = appState().project.scene.viewportShadingMode;
  return frame;
}

void fillVerticalGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) {
  const LONG height = rect.bottom - rect.top;
  const LONG rows = height < 2 ? 1 : height;
  auto channel = [](std::uint32_t a, std::uint32_t b, double t) {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(a + (double(b) - double(a)) * t)) & 0xFF);
  };
  auto colourOf = [&](LONG i) {
    const double t = static_cast<double>(i) / rows;
    return RGB(channel(GetRValue(top), GetRValue(bottom), t), channel(GetGValue(top), GetGValue(bottom), t),
               channel(GetBValue(top), GetBValue(bottom), t));
  };
  // Neighbouring rows of one colour (most of them) take one fill.
  for (LONG i = 0; i < rows;) {
    const COLORREF colour = colourOf(i);
    LONG end = i + 1;
    while (end < rows && colourOf(end) == colour) ++end;
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT band{rect.left, rect.top + i, rect.right, rect.top + end};
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    i = end;
  }
}

void drawViewportScene(HDC dc, const RECT& clientRect, const ViewportDrawOptions& options) {
  FrameScope frame(clientRect);
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  fillVerticalGradient(dc, clientRect, kBackdropTop, kBackdropBottom);
  if (options.showGrid) drawViewportGrid(dc, clientRect);

  // Objects hide each other by depth: their filled faces are painted first,
  // in one order across objects, then edges, glyphs and origins in list order.
  ViewportCaches& caches = viewportCaches();
  FrameDrawList objects(caches.frame);
  objects.fills.faces.reserve(std::min(caches.lastFillFaces, kPaintDrawUnitLimit));
  objects.fills.points.reserve(caches.lastFillPoints);
  objects.drawableKnown = GetClipBox(dc, &objects.drawable) == SIMPLEREGION;
  objects.keep = options.boundPaint;
  // Past the paint's total (drawn whole) the frame paints its fills as it goes.
  objects.target = dc;
  ++caches.frameNumber;
  beginModifierPreviewPaint(options.boundPaint);
  // The selected object is drawn whole and charged first.
  const Object* selectedObject = options.showSelection ? findObjectById(scene, app.selectedObjectId) : nullptr;
  PaintAdmission selectedAdmission;
  if (selectedObject && isEffectivelyVisible(scene, *selectedObject)) {
    selectedAdmission = admitToPaint(*selectedObject, true);
  }
  // A frame drawn whole (a still render) holds at most the paint's total of
  // queued faces and projected corners: past it the fills are painted as
  // they go and the steps (edges, glyphs, origins) are queued again in a
  // second pass, a batch at a time, over the finished depth buffer; in
  // Wireframe, with nothing filled, each batch of steps is drawn at once.
  const bool whole = !options.boundPaint;
  const bool fills = shadingFillsFaces(caches.frame.shading);
  std::vector<PaintAdmission> admissions;
  bool stepsApart = false;
  std::size_t stepUnits = 0;
  auto drawSteps = [dc](FrameDrawList& list) {
    for (const auto& step : list.steps) step(dc);
    list.steps.clear();
  };
  for (std::size_t index = 0; index < scene.objects.size(); ++index) {
    const Object& object = scene.objects[index];
    if (!isEffectivelyVisible(scene, object)) continue;
    const bool selected = options.showSelection && object.id == app.selectedObjectId;
    PaintAdmission admitted = &object == selectedObject ? selectedAdmission : admitToPaint(object, selected);
    queueAdmitted(objects, clientRect, object, index, selected, admitted, options);
    paintFillsPastTotal(objects);
    if (!whole) continue;
    stepUnits += admitted.units;
    if (!fills && stepUnits > kPaintDrawUnitLimit) {
      drawSteps(objects);
      stepUnits = 0;
    }
    stepsApart = stepsApart || objects.depthBegun;
    if (stepsApart) objects.steps.clear();
    if (admissions.empty()) admissions.resize(scene.objects.size());
    admissions[index] = std::move(admitted);
  }
  dropUndrawnMeshEntries(caches, scene.objects.size());
  caches.lastFillFaces = objects.filledFaces + objects.fills.faces.size();
  caches.lastFillPoints = std::min(objects.fills.points.size(), kPaintDrawUnitLimit);
  if (!stepsApart) {
    paintFrameDrawList(dc, objects);
  } else {
    paintFaceFills(dc, objects.fills);
    FrameDrawList steps(caches.frame);
    steps.keep = false;
    steps.drawableKnown = objects.drawableKnown;
    steps.drawable = objects.drawable;
    stepUnits = 0;
    for (std::size_t index = 0; index < scene.objects.size(); ++index) {
      const Object& object = scene.objects[index];
      if (!isEffectivelyVisible(scene, object)) continue;
      const bool selected = options.showSelection && object.id == app.selectedObjectId;
      queueAdmitted(steps, clientRect, object, index, selected, admissions[index], options);
      steps.fills = FaceFills{};  // painted in the first pass
      stepUnits += admissions[index].units;
      if (stepUnits > kPaintDrawUnitLimit) {
        drawSteps(steps);
        steps.kept.clear();
        stepUnits = 0;
      }
    }
    drawSteps(steps);
    endDepthPass();
  }
  endModifierPreviewPaint();  // after the edges: the kept bytes count what drawing derived

  // The texts at the top left this frame draws: the camera frame's caption
  // keeps clear of them.
  std::vector<RECT> topLeftTexts;
  if (options.showSelection) {
    if (const Object* selected = findObjectById(scene, app.selectedObjectId)) {
      topLeftTexts.push_back(drawEditMeshOverlay(dc, clientRect, *selected));
      topLeftTexts.push_back(drawEditCurveOverlay(dc, clientRect, *selected));
      if (app.workMode == WorkMode::Object || app.transformTool != TransformTool::Select) {
        drawTransformGizmo(dc, clientRect, *selected);
      }
    }
  }
  const CornerLines lines = options.showHud ? cornerLines(clientRect) : CornerLines{};
  if (options.showCameraOverlays) {
    drawAllCameraWidgets(dc, clientRect);
    if (options.showHud && activeCameraObject()) addCornerTextBounds(dc, lines, topLeftTexts);
    drawCameraViewFrame(dc, clientRect, topLeftTexts);
  }
  if (options.showHud) drawCornerTexts(dc, lines);
}

void drawViewportGrid(HDC dc, const RECT& clientRect) {
  const ViewContext view = currentViewContext(clientRect);
  auto line = [&](const Vec3& a, const Vec3& b) { drawWorldSegment(dc, view, a, b); };
  {
    ScopedPenBrush scope(dc, solidPen(1, kViewportGrid), nullptr);
    for (int i = -10; i <= 10; ++i) {
      line({double(i), 0.0, -10.0}, {double(i), 0.0, 10.0});
      line({-10.0, 0.0, double(i)}, {10.0, 0.0, double(i)});
    }
    scope.setPen(solidPen(2, kGridAxisX));
    line({-10.0, 0.0, 0.0}, {10.0, 0.0, 0.0});
    scope.setPen(solidPen(2, kGridAxisZ));
    line({0.0, 0.0, -10.0}, {0.0, 0.0, 10.0});
  }
  POINT o{}, x{}, z{};
  const bool origin = anchorOnScreen(view, Vec3{}, o);
  if (origin) {
    ScopedPenBrush scope(dc, solidPen(2, kWorldOrigin), nullptr);
    drawLineXY(dc, o.x - 6, o.y, o.x + 6, o.y);
    drawLineXY(dc, o.x, o.y - 6, o.x, o.y + 6);
  }
  selectFontOrStock(dc, appState().ui.smallFont);
  if (anchorOnScreen(view, {10.5, 0.0, 0.0}, x)) viewportTextAt(dc, x.x, x.y, L"X", kGridAxisXLabel);
  if (anchorOnScreen(view, {0.0, 0.0, 10.5}, z)) viewportTextAt(dc, z.x, z.y, L"Z", kGridAxisZLabel);
  if (origin) viewportTextAt(dc, o.x + 8, o.y - 16, L"Origin", kWorldOriginLabel);
}

void queueMeshObject(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                     PreviewDrawShare* share) {
  if (meshDataRenderable(object)) {
    queueMeshDataFaces(list, clientRect, object, selected, share);
    return;
  }
  const std::wstring& label = object.mesh.primitive;
  ObjectDrawFn glyph = drawCubePrimitive;
  if (label == L"Plane") {
    glyph = drawPlanePrimitive;
  } else if (label == L"Sphere") {
    glyph = drawSpherePrimitive;
  } else if (label == L"Cylinder") {
    glyph = drawCylinderPrimitive;
  } else if (label == L"Cone") {
    glyph = drawConePrimitive;
  } else if (label == L"Torus") {
    glyph = drawTorusPrimitive;
  }
  queueObjectStep(list, glyph, clientRect, object, selected);
}

void queueModifierPreview(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                          const ModifierPreviewDraw& previews) {
  if (!previews) return;
  const bool needsPreview = objectNeedsModifierPreview(object);
  // Up to 96 elements, most sharing one mesh: each drawn by its kind with
  // its own budgets, mesh-derived data built once per distinct mesh.
  const std::vector<Object>& elements = *previews.list;
  PreviewDrawShare* share = previews.share.get();
  list.kept.push_back(previews.list);
  list.kept.push_back(previews.share);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const Object& preview = elements[i];
    const bool highlight = selected && i == 0 && needsPreview;
    if (preview.kind == ObjectKind::Mesh) {
      list.previewElement = i;
      queueMeshObject(list, clientRect, preview, highlight, share);
      list.previewElement = FrameDrawList::kNoSceneIndex;
      paintFillsPastTotal(list);
    } else if (preview.kind == ObjectKind::Text) {
      queueObjectStep(list, drawTextObject, clientRect, preview, highlight);
    } else if (preview.kind == ObjectKind::Curve) {
      queueObjectStep(list, drawCurveObject, clientRect, preview, highlight);
    } else {
      continue;
    }
    if (highlight) {
      list.steps.push_back([&preview, clientRect](HDC dc) {
        POINT p{};
        if (!anchorOnScreen(currentViewContext(clientRect), preview.transform.position, p)) return;
        selectFontOrStock(dc, appState().ui.smallFont);
        viewportDrawText(dc, L"preview", RECT{p.x + 10, p.y - 18, p.x + 130, p.y + 10},
                         DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, kPreviewLabel);
      });
    }
  }
}

void drawObjectOrigin(HDC dc, const RECT& clientRect, const Object& object, bool selected) {
  POINT p{};
  if (!marksOrigin(object, selected) || !anchorOnScreen(currentViewContext(clientRect), object.transform.position, p)) {
    return;
  }
  {
    ScopedPenBrush scope(dc, solidPen(selected ? 2 : 1, selected ? kHighlightYellow : kOriginMarker),
                         CreateSolidBrush(selected ? kHighlightYellow : kOriginMarkerFill));
    Ellipse(dc, p.x - 3, p.y - 3, p.x + 4, p.y + 4);
    drawLineXY(dc, p.x - 10, p.y, p.x - 5, p.y);
    drawLineXY(dc, p.x + 5, p.y, p.x + 10, p.y);
    drawLineXY(dc, p.x, p.y - 10, p.x, p.y - 5);
    drawLineXY(dc, p.x, p.y + 5, p.x, p.y + 10);
  }
  if (selected) {
    selectFontOrStock(dc, appState().ui.smallFont);
    viewportTextAt(dc, p.x + 12, p.y + 8, L"origin", kOriginLabel);
  }
}

LRESULT CALLBACK ViewportWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(hwnd, &paint);
      RECT client{};
      GetClientRect(hwnd, &client);
      client.right = std::max<LONG>(client.right, 1);
      client.bottom = std::max<LONG>(client.bottom, 1);
      // The scene starts with a fill of the whole client area: the kept
      // buffer needs no clearing.
      HDC memory = nullptr;
      if (HPAINTBUFFER buffer = BeginBufferedPaint(dc, &paint.rcPaint, BPBF_COMPATIBLEBITMAP, nullptr, &memory)) {
        drawViewportScene(memory, client, ViewportDrawOptions{});
        EndBufferedPaint(buffer, TRUE);
      }
      EndPaint(hwnd, &paint);
      // A paint follows the command that changed the scene, so a notice its
      // refresh raised now comes after the command's own message.
      showQueuedStatusNotice();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    default:
      if (handleViewportInputMessage(hwnd, message, wParam, lParam)) return 0;
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace vk
