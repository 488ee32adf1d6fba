// The paint's total: what each object costs to draw, which objects a paint
// draws whole and which as their bounds box, the notice that counts them,
// and the fills a frame past the total paints as it goes.
#include <algorithm>

#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "shading/modifiers.h"
#include "viewport/frame_draw_list.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"

namespace vk {

std::size_t cornersAt(const MeshData& mesh, std::int64_t stride) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  if (faces.empty()) return 0;
  stride = std::max<std::int64_t>(stride, 1);
  ViewportCaches& caches = viewportCaches();
  // The entry holds the array, so its address names no other while kept.
  CornerCount& kept = caches.cornerCounts[{&faces, stride}];
  kept.frame = caches.frameNumber;
  if (kept.faces.sharesWith(mesh.faces)) return kept.corners;
  kept.faces = mesh.faces;
  std::size_t corners = 0;
  for (std::size_t f = 0; f < faces.size(); f += static_cast<std::size_t>(stride)) corners += faces[f].indices.size();
  kept.corners = corners;
  return corners;
}

std::size_t previewPaintUnits(const std::vector<Object>& elements) {
  std::size_t units = 0;
  for (const Object& preview : elements) {
    if (preview.kind == ObjectKind::Mesh) units += meshPaintUnits(preview);
  }
  return units;
}

PaintAdmission admitToPaint(const Object& object, bool always) {
  ViewportCaches& caches = viewportCaches();
  PaintDrawBudget& paint = caches.previewPaint;
  PaintAdmission admitted;
  if (!paint.active) {
    admitted.previews = cachedModifierPreview(object);
    return admitted;
  }
  if (!paint.boxes) {
    admitted.previews = cachedModifierPreview(object);
    if (admitted.previews.refused) ++paint.skipped;
    const bool body = !admitted.previews || !objectNeedsModifierPreview(object);
    admitted.units = body && object.kind == ObjectKind::Mesh ? meshPaintUnits(object) : 0;
    if (admitted.previews) {
      const ModifierPreviewEntry& entry = caches.modifierPreviews[object.id];
      admitted.units += entry.drawUnits;
    }
    return admitted;
  }
  const bool body = object.kind == ObjectKind::Mesh && !objectNeedsModifierPreview(object);
  const std::size_t bodyUnits = body ? meshPaintUnits(object) : 0;
  if (always) {
    paint.active = false;
    admitted.previews = cachedModifierPreview(object);
    paint.active = true;
    admitted.units = bodyUnits;
    if (admitted.previews) {
      const ModifierPreviewEntry& entry = caches.modifierPreviews[object.id];
      admitted.units += entry.facesBuilt + entry.drawUnits;
    }
    paint.units += admitted.units;
    return admitted;
  }
  const std::size_t remaining = paintUnitsLeft(paint);
  auto box = [&] {
    paint.closed = true;
    ++paint.boxed;
    admitted.whole = false;
    admitted.previews = {};
    return admitted;
  };
  // Once one object has not fitted, later ones are boxes too: the picture
  // keeps to scene order whatever their sizes.
  if (bodyUnits > remaining || (paint.closed && bodyUnits != 0)) return box();
  paint.units += bodyUnits;
  admitted.previews = cachedModifierPreview(object);
  if (admitted.previews.refused) {
    paint.units -= bodyUnits;
    return box();
  }
  return admitted;
}

void beginFrameDepthPass(HDC dc, FrameDrawList& list) {
  beginDepthPass(dc);
  double relative = 0.0, absolute = 0.0;
  depthLineBias(currentViewContext(list.clientRect), relative, absolute);
  setDepthLineBias(relative, absolute);
  list.depthBegun = true;
}

void paintFillsSoFar(HDC dc, FrameDrawList& list) {
  if (!shadingFillsFaces(list.frame.shading)) return;
  if (!list.depthBegun) beginFrameDepthPass(dc, list);
  // Each run split into its opaque faces, painted now, and its translucent
  // ones, kept in their order.
  FaceFills opaque, later;
  const FaceFills& fills = list.fills;
  for (std::size_t r = 0; r < fills.runStarts.size(); ++r) {
    const std::size_t end = r + 1 < fills.runStarts.size() ? fills.runStarts[r + 1] : fills.faces.size();
    opaque.runStarts.push_back(opaque.faces.size());
    later.runStarts.push_back(later.faces.size());
    for (std::size_t f = fills.runStarts[r]; f < end; ++f) {
      appendFaceFill(fills.faces[f].alpha < 1.0 ? later : opaque, fills, fills.faces[f]);
    }
  }
  list.filledFaces += opaque.faces.size();
  paintFaceFills(dc, opaque);
  list.fills = std::move(later);
}

void paintFillsPastTotal(FrameDrawList& list) {
  const FaceFills& fills = list.fills;
  if (list.target && fills.faces.size() + fills.points.size() + fills.triangles.size() > kPaintDrawUnitLimit) {
    paintFillsSoFar(list.target, list);
  }
}

std::wstring paintBoxedStatus(std::size_t boxed) {
  if (boxed == 0) return {};
  return L"\u25CF  " + std::to_wstring(boxed) + (boxed == 1 ? L" object drawn as a box" : L" objects drawn as boxes");
}

}  // namespace vk
