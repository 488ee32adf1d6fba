// What the viewport keeps in AppState between frames: the drag session,
// modifier previews and what evaluating them cost, the paint's draw-unit
// total and byte bound, corner counts, feature edges and face cuts.
//
// Sections:
//   - The drag session
//   - Modifier previews and the viewport caches
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/cow.h"
#include "model/polygon_triangulation.h"
#include "model/types.h"
#include "model/undo.h"
#include "platform/win32.h"
#include "shading/modifiers.h"
#include "viewport/frame_draw_list.h"
#include "viewport/view_context.h"
#include "viewport/viewport.h"

namespace vk {

// ---- The drag session -------------------------------------------------------
// What a left or aim drag works on, fixed at its press: later moves touch
// only that object in that kind, and a drag that never left its press point
// withdraws its undo snapshot.
enum class LeftDragKind : std::uint8_t { None, Object, Component, CurvePoint };
struct ViewportDragSession {
  LeftDragKind kind = LeftDragKind::None;
  std::wstring objectId;
  UndoPushToken token;
  bool moved = false;
  bool edgesDerived = false;  // a component drag derived its mesh's edges once
  std::wstring aimObjectId;
  UndoPushToken aimToken;
  bool aimMoved = false;
};

// ---- Modifier previews and the viewport caches ------------------------------

// An object's evaluated modifier preview, valid while the object's preview
// input (its seed fields and stack) compares equal to `source`. The copy
// shares the object's arrays until an edit writes them, so an unchanged
// object compares in time independent of its mesh, and any change (edits,
// undo, redo, a project read) misses.
struct PreviewDrawShare;
struct ModifierPreviewEntry {
  Object source;
  bool evaluated = false;  // facesBuilt, drawUnits and leftOut hold the evaluation's outcome
  // Null once dropped to keep the cache small. The elements' meshes hold
  // only what drawing reads, equal meshes one set of arrays.
  std::shared_ptr<const std::vector<Object>> list;
  std::shared_ptr<PreviewDrawShare> share;  // with the list: what drawing it derived
  std::size_t facesBuilt = 0;
  std::size_t drawUnits = 0;  // what drawing the list costs (previewPaintUnits)
  std::vector<std::size_t> leftOut;
  std::size_t listBytes = 0;  // the list's estimated heap
  // The largest remainder of a paint's total the evaluation did not fit (0: none tried).
  std::size_t refusedWithin = 0;
  std::uint64_t frame = 0;  // the last frame that drew the list
};

// One paint draws whole at most this many draw units: each vertex a mesh
// projects, each corner of a face it fills and each edge it may draw count
// one, and so does each face a modifier preview builds. Past it objects are
// drawn as their bounds box, the selected one always whole.
inline constexpr std::size_t kPaintDrawUnitLimit = 1500000;
// Everything the viewport keeps between paints (preview lists and what
// drawing them derives, scene meshes' projections and fills, proxies, edge
// sets, face cuts) holds at most this many bytes together: past it the
// least recently drawn go, the largest first among equals, and are built
// again when drawn.
inline constexpr std::size_t kViewportKeptByteLimit = std::size_t{256} << 20;

// One paint's draw units so far, whether an object has already not fitted
// (then later ones are not drawn whole), how many objects are drawn as
// boxes and, in a still render (which draws bodies whole), how many without
// their preview.
struct PaintDrawBudget {
  bool active = false;
  bool boxes = true;  // past the total objects are boxes, else drawn without their preview
  std::size_t units = 0;
  bool closed = false;
  std::size_t boxed = 0;
  std::size_t skipped = 0;
};
// What is left of the paint's total.
inline std::size_t paintUnitsLeft(const PaintDrawBudget& paint) {
  return paint.units < kPaintDrawUnitLimit ? kPaintDrawUnitLimit - paint.units : 0;
}

// What a frame keeps of one scene object's mesh for the next (below).
struct MeshDrawEntry;

// The corners of a faces array's faces at a stride, held with the array
// (copies share it) so that a repaint counts no face again.
struct CornerCount {
  Cow<std::vector<MeshFace>> faces;
  std::size_t corners = 0;
  std::uint64_t frame = 0;  // the last frame that asked
};
// The corners of the mesh's faces at `stride` (0, 1*stride, ...).
std::size_t cornersAt(const MeshData& mesh, std::int64_t stride);

// A scene mesh's feature edges (featureEdgesOf), held with the arrays they
// were derived from.
struct SharedFeatureEdges {
  MeshData key;  // vertices, faces and edges
  std::shared_ptr<const std::vector<std::uint32_t>> edges;
  std::uint64_t frame = 0;
};

// The corner triangles of a mesh's faces filled in pieces (corners index a
// face's usable corners, wound as its outline), each face cut when first
// asked and kept with the arrays it came from, whatever the view.
struct FaceCuts {
  Cow<std::vector<Vec3>> vertices;
  Cow<std::vector<MeshFace>> faces;
  struct Range {
    std::uint32_t first = 0;
    std::uint32_t count = 0;  // 0 while the face is not cut
  };
  std::vector<Range> ranges;  // by face
  std::vector<CornerTriangle> triangles;
  std::uint64_t frame = 0;  // the last frame that asked
};
// One mesh's kept cuts while its faces are projected, found on the first
// face that needs them. `usableCount`: the points the faces' corners index.
struct FaceCutSource {
  const MeshData& mesh;
  std::size_t usableCount = 0;
  FaceCuts* kept = nullptr;
};
// The face's corner triangles as the exports cut it; empty unless the
// points are the mesh's vertices.
std::span<const CornerTriangle> keptCornerTriangles(FaceCutSource& source, std::size_t face);
// Marks the mesh's kept cuts as asked for in this frame (its kept projection drew them).
void keepFaceCuts(const MeshData& mesh);
std::size_t faceCutsBytes(const FaceCuts& cuts);

// Bit-for-bit equality of what a projection reads (a NaN never matches,
// -0 and +0 differ), so a kept projection is what a fresh one would be.
bool sameView(const ViewContext& a, const ViewContext& b);
bool sameTransform(const Transform& a, const Transform& b);

// The left-out entries of an object's preview the status line was last
// asked to name, by number and value (only a change of them is told again),
// and the text it was given.
struct LeftOutNotice {
  std::vector<std::pair<std::size_t, Modifier>> entries;
  std::wstring text;
};

struct ViewportCaches {
  // Shared so that a frame can keep drawing an entry that a later object
  // with the same id (a modifier preview element) rebuilds.
  std::unordered_map<std::wstring, std::shared_ptr<PreviewProxy>> previews;
  std::unordered_map<std::wstring, ModifierPreviewEntry> modifierPreviews;
  std::unordered_map<std::wstring, LeftOutNotice> toldLeftOut;  // by object id
  std::uint64_t modifierEvaluations = 0;  // stack evaluations run for the frame
  PaintDrawBudget previewPaint;
  std::wstring previewNotice;  // the last scene notice put on the status line
  // Corners counted per faces array and stride (cornersAt), kept while painted.
  std::map<std::pair<const void*, std::int64_t>, CornerCount> cornerCounts;
  // The feature edges of scene meshes by faces array: duplicates share them.
  std::unordered_map<const void*, SharedFeatureEdges> sceneFeatureEdges;
  // Face cuts by faces and vertices array, kept while asked for.
  std::map<std::pair<const void*, const void*>, FaceCuts> faceCuts;
  // What the kept data may hold (kViewportKeptByteLimit; lowered by tests).
  std::size_t keptByteLimit = kViewportKeptByteLimit;
  std::unordered_map<std::wstring, ProxyEdgeSet> edgeSets;
  std::uint64_t prunedRevision = ~0ull;
  std::vector<MeshDrawEntry> meshDraws;  // by index in the scene's objects
  std::uint64_t frameNumber = 0;
  // Counts the changes of the frame's visible lights, for kept face colours.
  std::uint64_t lightsGeneration = 0;
  SceneLighting lastLighting;
  std::vector<double> shadingScratch;
  // The last frame's queued faces and corners: the next one reserves as much.
  std::size_t lastFillFaces = 0;
  std::size_t lastFillPoints = 0;
  FrameContext frame;
  bool recordText = false;
  std::vector<ViewportTextRecord> textLog;
  ViewportDragSession drag;
};

ViewportCaches& viewportCaches();

// The object's preview list, evaluated only when the object changed since
// the last frame that asked. Shared, so a frame's draw list keeps the list
// it queued even when a later object of the same id replaces the entry.
// Null for an object without a stack or of another kind than Mesh, Text
// and Curve; during a paint also for one past the paint's total (refused).
struct ModifierPreviewDraw {
  std::shared_ptr<const std::vector<Object>> list;
  std::shared_ptr<PreviewDrawShare> share;
  bool refused = false;
  explicit operator bool() const { return list != nullptr; }
};
ModifierPreviewDraw cachedModifierPreview(const Object& object);
// A paint's total starts afresh (`boxes`: past it objects are boxes); at
// the end the status line tells of the objects past it and the kept data
// is brought within its bytes (boundKeptViewportData).
void beginModifierPreviewPaint(bool boxes = true);
void endModifierPreviewPaint();
// How one object is drawn in the paint: whole (with its preview list, when
// it has one) or as its bounds box. `always` draws it whole, charged all
// the same. Outside a paint everything is whole.
struct PaintAdmission {
  bool whole = true;
  ModifierPreviewDraw previews;
  std::size_t units = 0;  // what drawing it whole costs, as charged
};
PaintAdmission admitToPaint(const Object& object, bool always);
// The step of an object past the paint's total: its mesh's bounds box.
void drawPaintBox(HDC dc, const RECT& clientRect, const Object& object, bool selected);

}  // namespace vk
