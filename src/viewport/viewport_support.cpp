#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "model/hierarchy.h"
#include "model/services.h"
#include "shading/modifiers.h"
#include "viewport/frame_draw_list.h"
#include "viewport/viewport_caches.h"
#include "viewport/viewport_internal.h"

namespace vk {

ViewportCaches& viewportCaches() {
  AppState& app = appState();
  if (!app.viewportCaches) app.viewportCaches = std::make_shared<ViewportCaches>();
  return *app.viewportCaches;
}

namespace {

// What the preview reads of an object: the seed's fields and the stack.
Object previewSourceOf(const Object& object) {
  Object source = modifierPreviewSeed(object);
  source.modifierStack = object.modifierStack;
  return source;
}

bool samePreviewSource(const Object& source, const Object& object) {
  return source.id == object.id && source.name == object.name && source.kind == object.kind &&
         source.objectCapsuleId == object.objectCapsuleId && source.objectCapsuleNote == object.objectCapsuleNote &&
         source.transform == object.transform && source.material == object.material &&
         source.materialSlots == object.materialSlots && source.mesh == object.mesh &&
         source.meshData == object.meshData && source.modifierStack == object.modifierStack &&
         (object.kind != ObjectKind::Curve || source.curveData == object.curveData);
}

template <class T>
std::size_t heapOf(const Cow<std::vector<T>>& array) {
  return array.read().capacity() * sizeof(T);
}

// The list's heap, each distinct mesh once (copies share their arrays).
std::size_t previewListBytes(const std::vector<Object>& list) {
  std::size_t bytes = list.capacity() * sizeof(Object);
  std::vector<const MeshData*> seen;
  for (const Object& element : list) {
    const MeshData& mesh = element.meshData;
    if (std::any_of(seen.begin(), seen.end(), [&](const MeshData* m) { return m->faces.sharesWith(mesh.faces); })) {
      continue;
    }
    seen.push_back(&mesh);
    bytes += heapOf(mesh.vertices) + heapOf(mesh.edges) + heapOf(mesh.faces) + heapOf(mesh.normals) +
             heapOf(mesh.uvs) + heapOf(mesh.uvPlaceholders) + heapOf(mesh.faceMaterialIndices);
    for (const MeshFace& face : mesh.faces.read()) {
      if (face.indices.capacity() > 4) bytes += face.indices.capacity() * sizeof(std::int32_t);
      if (face.uvIndices.capacity() > 4) bytes += face.uvIndices.capacity() * sizeof(std::int32_t);
    }
  }
  return bytes;
}

std::uint64_t meshContentHash(const MeshData& mesh) {
  std::uint64_t hash = 1469598103934665603ull;
  auto mix = [&](const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  };
  const std::size_t counts[] = {mesh.vertices.size(), mesh.faces.size(), mesh.edges.size(), mesh.uvs.size()};
  mix(counts, sizeof(counts));
  for (const Vec3& v : mesh.vertices.read()) mix(&v, sizeof(v));
  for (const MeshFace& face : mesh.faces.read()) mix(face.indices.data(), face.indices.size() * sizeof(std::int32_t));
  return hash;
}

// What the cache keeps of an evaluated list: drawing never reads the face
// normals, placeholder UVs or the face material copy, and meshes built
// apart but equal (a cage per copy of one mesh) keep one set of arrays.
void compactPreviewList(std::vector<Object>& list) {
  struct Kept {
    std::uint64_t hash;
    const MeshData* mesh;
  };
  std::vector<Kept> kept;
  for (Object& element : list) {
    MeshData& mesh = element.meshData;
    mesh.normals = Cow<std::vector<Vec3>>();
    mesh.uvPlaceholders = Cow<std::vector<Vec2>>();
    mesh.faceMaterialIndices = Cow<std::vector<std::int32_t>>();
    // Copies share their arrays, so most compare by identity alone.
    auto same = std::find_if(kept.begin(), kept.end(),
                             [&](const Kept& k) { return k.mesh->faces.sharesWith(mesh.faces) && *k.mesh == mesh; });
    if (same != kept.end()) continue;
    const std::uint64_t hash = meshContentHash(mesh);
    auto equal = std::find_if(kept.begin(), kept.end(),
                              [&](const Kept& k) { return k.hash == hash && *k.mesh == mesh; });
    if (equal != kept.end()) {
      mesh = *equal->mesh;
      continue;
    }
    kept.push_back(Kept{hash, &mesh});
  }
}

// Names the object's left-out entries on the status line, after the message
// of the command whose refresh or paint evaluated them, when they are not
// those last named: an edit, drag or rebuild that keeps them says nothing.
void tellLeftOut(const Object& object, const std::vector<std::size_t>& leftOut) {
  const auto& stack = object.modifierStack.entries;
  LeftOutNotice now;
  for (std::size_t index : leftOut)
    if (index < stack.size()) now.entries.emplace_back(index, stack[index]);
  auto& told = viewportCaches().toldLeftOut;
  auto found = told.find(object.id);
  if (found != told.end() ? found->second.entries == now.entries : now.entries.empty()) return;
  if (now.entries.empty()) {
    // Not yet shown, it would name entries no longer left out.
    if (appState().queuedStatusNotice == found->second.text) queueStatusNotice({});
    told.erase(found);
    return;
  }
  now.text = modifierLeftOutStatus(object, leftOut);
  queueStatusNotice(now.text);
  told[object.id] = std::move(now);
}

void keepOutcome(ModifierPreviewEntry& entry, const Object& object, ModifierStackPreview&& result) {
  entry.evaluated = true;
  entry.facesBuilt = result.facesBuilt;
  entry.drawUnits = previewPaintUnits(result.list);
  entry.leftOut = std::move(result.leftOut);
  compactPreviewList(result.list);
  entry.share = std::make_shared<PreviewDrawShare>();
  entry.listBytes = previewListBytes(result.list);
  entry.list = std::make_shared<const std::vector<Object>>(std::move(result.list));
  tellLeftOut(object, entry.leftOut);
}

// The entry for the object, emptied when the object changed since it was made.
ModifierPreviewEntry& previewEntryFor(const Object& object) {
  ModifierPreviewEntry& entry = viewportCaches().modifierPreviews[object.id];
  if (!samePreviewSource(entry.source, object)) {
    entry = ModifierPreviewEntry{};
    entry.source = previewSourceOf(object);
  }
  return entry;
}

}  // namespace

ModifierPreviewDraw cachedModifierPreview(const Object& object) {
  if (object.modifierStack.entries.empty() || !isGeometryKind(object.kind)) return {};
  ViewportCaches& caches = viewportCaches();
  ModifierPreviewEntry& entry = previewEntryFor(object);
  PaintDrawBudget& paint = caches.previewPaint;
  const std::size_t remaining = paint.active ? paintUnitsLeft(paint) : kModifierEvaluationFaceLimit;
  auto refuse = [&]() -> ModifierPreviewDraw {
    paint.closed = true;
    ModifierPreviewDraw refused;
    refused.refused = true;
    return refused;
  };
  // A list takes its built faces and, since copies of one mesh are built once
  // but drawn each, what drawing it costs.
  auto paintUnits = [&entry] { return entry.facesBuilt + entry.drawUnits; };
  if (entry.evaluated) {
    if (paint.active && (paintUnits() > remaining || (paint.closed && paintUnits() != 0))) return refuse();
  } else if (paint.active && (paint.closed || (entry.refusedWithin != 0 && remaining <= entry.refusedWithin))) {
    return refuse();
  }
  if (!entry.evaluated || !entry.list) {
    // Past the paint's remainder the evaluation stops before building: the
    // object then waits for a paint with room, and nothing it built is kept.
    const std::size_t allowance = std::min(remaining, kModifierEvaluationFaceLimit);
    ModifierStackPreview result = evaluateModifierStackWithin(object, allowance);
    ++caches.modifierEvaluations;
    const bool fits = result.leftOut.empty() || allowance == kModifierEvaluationFaceLimit ||
                      result.facesWanted > kModifierEvaluationFaceLimit;
    if (!fits) {
      entry.refusedWithin = std::max(entry.refusedWithin, allowance);
      paint.units += result.facesBuilt;
      return refuse();
    }
    keepOutcome(entry, object, std::move(result));
    // Kept all the same: later paints refuse it without evaluating.
    if (paint.active && paintUnits() > remaining) return refuse();
  }
  if (paint.active) paint.units += paintUnits();
  entry.frame = caches.frameNumber;
  return ModifierPreviewDraw{entry.list, entry.share};
}

std::vector<std::size_t> modifierPreviewLeftOut(const Object& object) {
  if (object.modifierStack.entries.empty() || !isGeometryKind(object.kind)) return {};
  ModifierPreviewEntry& entry = previewEntryFor(object);
  if (!entry.evaluated) {
    PaintDrawBudget saved = std::exchange(viewportCaches().previewPaint, PaintDrawBudget{});
    cachedModifierPreview(object);
    viewportCaches().previewPaint = saved;
  }
  return entry.leftOut;
}

void beginModifierPreviewPaint(bool boxes) {
  PaintDrawBudget& paint = viewportCaches().previewPaint;
  paint = PaintDrawBudget{};
  paint.active = true;
  paint.boxes = boxes;
}

void endModifierPreviewPaint() {
  ViewportCaches& caches = viewportCaches();
  const PaintDrawBudget paint = caches.previewPaint;
  caches.previewPaint = PaintDrawBudget{};
  const std::wstring notice =
      paint.boxes ? paintBoxedStatus(paint.boxed) : modifierPreviewsSkippedStatus(paint.skipped);
  if (notice != caches.previewNotice) {
    caches.previewNotice = notice;
    // The boxes notice waits for the next change rather than hide why a command was refused.
    if (!notice.empty() && !statusTextIsRefusal(appState().statusText)) setStatusText(notice);
  }
  boundKeptViewportData();
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

FramePens::~FramePens() {
  for (const Entry& entry : pens) DeleteObject(entry.pen);
}

HPEN FramePens::solid(int width, COLORREF colour) {
  for (const Entry& entry : pens) {
    if (entry.width == width && entry.colour == colour) return entry.pen;
  }
  pens.push_back(Entry{width, colour, solidPen(width, colour)});
  return pens.back().pen;
}
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

RECT viewportTextBounds(HDC dc, const std::wstring& text, const RECT& rect, UINT format) {
  RECT measured = rect;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
  const LONG height = measured.bottom - measured.top;
  RECT bounds = rect;
  bounds.right = std::min(measured.right, rect.right);
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) bounds.top = rect.top + (rect.bottom - rect.top - height) / 2;
  bounds.bottom = bounds.top + height;
  if (!(format & DT_NOCLIP) && !IntersectRect(&bounds, &bounds, &rect)) return RECT{};
  return bounds;
}

void setViewportTextRecording(bool enabled) {
  ViewportCaches& caches = viewportCaches();
  caches.recordText = enabled;
  caches.textLog.clear();
}

const std::vector<ViewportTextRecord>& viewportTextLog() { return viewportCaches().textLog; }

}  // namespace vk
