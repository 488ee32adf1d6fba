// Shared internals of the viewport: the resolved view of one frame, object
// placement with precomputed trigonometry, the caches kept in AppState, and
// small GDI helpers that restore what they select.
//
// Sections:
//   - The frame's view, placements and lights
//   - The drag session
//   - Modifier previews and the viewport caches
//   - Shared steps of the full and the proxy face drawing
//   - Clipping to the view
//   - The frame's draw list
//   - GDI helpers
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/app_state.h"
#include "model/math.h"
#include "model/polygon_triangulation.h"
#include "model/types.h"
#include "model/undo.h"
#include "platform/win32.h"
#include "shading/modifiers.h"
#include "viewport/viewport.h"

namespace vk {

// ---- The frame's view, placements and lights --------------------------------
// Everything projectToScreen reads, resolved once. The arithmetic that uses
// it repeats the per-call formulas operation for operation, so a projection
// through a cached view is bit-identical to a fresh one.
struct ViewContext {
  RECT rect{};
  const Object* activeCamera = nullptr;  // a Camera object, or null
  bool cameraView = false;               // Camera View in effect
  // Camera View: the inverse rotation's trigonometry (-z, -x, -y order).
  Vec3 cameraPosition;
  double cosZ = 1.0, sinZ = 0.0, cosX = 1.0, sinX = 0.0, cosY = 1.0, sinY = 0.0;
  double nearClip = 0.1;
  double focal = 1.0;
  double frameCenterX = 0.0, frameCenterY = 0.0;
  // Orbit view.
  Vec3 pivot;
  double cosYaw = 1.0, sinYaw = 0.0, cosPitch = 1.0, sinPitch = 0.0;
  double scale = 1.0;
  double centerX = 0.0, centerY = 0.0;
  bool orthographic = false;
};

ViewContext makeViewContext(const RECT& clientRect);
// The frame's context when a frame over the same rectangle is being drawn,
// else a fresh one.
ViewContext currentViewContext(const RECT& clientRect);
Vec3 viewSpaceWith(const ViewContext& view, const Vec3& point);
POINT projectWith(const ViewContext& view, const Vec3& point);
// The orbit view's perspective eye sits this far in front of the pivot.
inline constexpr double kOrbitEyeDistance = 72.0;
// The normal lighting uses for a face at `worldPoint`: `worldNormal`, or its
// opposite when that one points away from the viewer (from the eye in the
// perspective views, against the view direction in orthographic), so that
// a face is lit on the side that is seen whatever its winding.
Vec3 viewerFacingNormal(const ViewContext& view, const Vec3& worldPoint, const Vec3& worldNormal);
// Per-pixel depth as nearness, larger nearer, from a view-space depth: the
// reciprocal of the distance from the eye in the perspective views, so that
// it runs linearly across the screen over a flat face; minus the depth in
// orthographic.
double depthNearness(const ViewContext& view, double viewZ);
// The distances from the eye between which the perspective views divide by
// the distance (Camera View: the near clip and 100000); nearer and farther
// the picture neither grows nor shrinks, and nearness runs on linearly.
void perspectiveSpan(const ViewContext& view, double& lo, double& hi);
// The nearness a face's outline or a mesh edge may lie behind the faces
// drawn and still show (setDepthLineBias): a few pixels' worth.
void depthLineBias(const ViewContext& view, double& relative, double& absolute);
// Projection of a point already in view space.
POINT projectViewSpaceWith(const ViewContext& view, const Vec3& viewPoint);
double roundHalfAwayFromZero(double value);

// position + rotateEulerDegrees(scale * local, rotation), with the rotation's
// trigonometry computed once per object.
struct ObjectPlacement {
  Vec3 position;
  Vec3 scale;
  double cosY = 1.0, sinY = 0.0, cosX = 1.0, sinX = 0.0, cosZ = 1.0, sinZ = 0.0;
};
ObjectPlacement makePlacement(const Object& object);
Vec3 placePoint(const ObjectPlacement& placement, const Vec3& local);
// rotateEulerDegrees of a direction only (no scale, no position).
Vec3 rotateWith(const ObjectPlacement& placement, const Vec3& v);
// The mean of the face's valid corners, placed (the origin when it has none).
Vec3 faceWorldCentre(const Object& object, const MeshFace& face);
// Corner i (0..7) of the box from lo to hi, and the box's twelve edges as
// pairs of corners: the bottom face, the top face, the four sides.
inline Vec3 boxCorner(const Vec3& lo, const Vec3& hi, int i) {
  return {(i == 1 || i == 2 || i == 5 || i == 6) ? hi.x : lo.x, (i == 2 || i == 3 || i == 6 || i == 7) ? hi.y : lo.y,
          i >= 4 ? hi.z : lo.z};
}
inline constexpr int kBoxEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                         {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// Per-frame facts that do not change while one frame is drawn; the frame
// resolves them once and hands them to every step that reads them.
struct FrameContext {
  bool active = false;
  ViewContext view;
  SceneLighting lighting;
  ViewportShadingMode shading = ViewportShadingMode::Lit;
};
// The context of a frame over `clientRect` as the scene and view stand now.
FrameContext makeFrameContext(const RECT& clientRect);

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

// ---- Shared steps of the full and the proxy face drawing ------------------------

// Faces filled per mesh drawn in full, each element of a preview list as
// any other mesh (a larger one is drawn at a stride).
inline constexpr std::int64_t kMeshDrawFaceLimit = 24000;
// And at most about this many of their corners: many-cornered faces are
// drawn at a stride of their own.
inline constexpr std::int64_t kMeshDrawCornerLimit = 96000;
// Every how many of `count` items drawing takes so that at most `limit` are
// drawn (1: all of them).
inline std::int64_t strideFor(std::int64_t count, std::int64_t limit) {
  return count > limit ? (count + limit - 1) / limit : 1;
}
// The face stride of a mesh drawn in full: within both limits above.
std::int64_t meshFaceStride(const MeshData& mesh);

// The faces around each vertex pair, in face order: the first two decide
// the fold, as the face scan of shouldDrawEdge would find them.
struct PairFaces {
  std::int64_t count = 0;
  std::int64_t first = -1;
  std::int64_t second = -1;
};
// PairFaces by vertex pair key: open addressing over a power-of-two table
// of indices into the entries, which sit in insertion order, so that
// building one takes a few allocations rather than one a pair.
class PairFaceMap {
 public:
  // Room for `count` pairs before the table grows.
  void reserve(std::size_t count);
  // The entry of `key`, added (zero count, no faces) when new.
  PairFaces& operator[](std::uint64_t key);
  // Null when `key` has no entry.
  const PairFaces* find(std::uint64_t key) const;
  std::size_t size() const { return entries_.size(); }

 private:
  // The slot holding `key`, or the free one where it would go.
  std::size_t slotOf(std::uint64_t key) const;
  std::vector<std::size_t> slots_;  // entry index + 1; 0 marks a free slot
  std::vector<std::uint64_t> keys_;  // each entry's key
  std::vector<PairFaces> entries_;
};
PairFaceMap buildPairFaces(const MeshData& mesh);
// Boundary and fold edges of the mesh (ascending indices into its edges),
// or an even sample of all edges when it has none.
std::vector<std::int64_t> buildProxyEdgeIndices(const MeshData& mesh);

// Per edge: 1 when the edge pass draws it outside forced mode (inside the
// vertices, and bordered by fewer than two faces or folded by more than
// about 44 degrees between the first two), else 0.
std::vector<std::uint8_t> buildFeatureEdgeFlags(const MeshData& mesh);

// Every vertex placed and projected, with its view depth, indexed like the
// vertices, and with `subPixels` its sub-pixel position; with `only`, just
// the marked ones (the rest read as 0).
void projectMeshVertices(const Object& object, const ViewContext& view, std::vector<POINT>& points,
                         std::vector<double>& depths, const std::vector<std::uint8_t>* only = nullptr,
                         std::vector<POINT>* subPixels = nullptr);
// ProjectedFaces of the faces at `stride` that have three usable corners
// and an area (over the vertices' sub-pixel positions), each with its
// depth plane; a face that reaches past the view or across its depth spans
// as its visible pieces. Farthest first, equal depths in face order.
std::vector<ProjectedFace> buildProjectedFaces(const Object& object, const ViewContext& view,
                                               const std::vector<POINT>& subPixels,
                                               const std::vector<double>& depths, std::int64_t stride,
                                               const RECT& clientRect);

struct MeshEdgeStyle {
  bool force = false;
  COLORREF outline = 0;
  COLORREF edge = 0;
};
// Force-all-edges flag and colours from the mesh's whole face count.
MeshEdgeStyle meshEdgeStyle(const Object& object, bool selected, ViewportShadingMode mode);

// ---- Clipping to the view ---------------------------------------------------------

// A screen position before it is rounded to a pixel.
struct ScreenPoint {
  double x = 0.0, y = 0.0;
};
// projectViewSpaceWith before the rounding and the clamp to +-200000.
ScreenPoint projectViewSpacePrecise(const ViewContext& view, const Vec3& viewPoint);
// A screen coordinate's pixel: rounded half away from zero within +-200000.
// Infinities meeting in the view transform give a NaN, which has no place
// on the screen: it counts as 0 and is never cast.
inline std::int32_t screenCoordinate(double value) {
  if (std::isnan(value)) return 0;
  // As roundHalfAwayFromZero, without a library call: what the truncation
  // leaves is exact.
  const double clamped = std::clamp(value, -200000.0, 200000.0);
  const auto whole = static_cast<std::int32_t>(clamped);
  const double rest = clamped - whole;
  return whole + static_cast<std::int32_t>(rest >= 0.5) - static_cast<std::int32_t>(rest <= -0.5);
}
// The sub-pixel nearest a screen coordinate among those pixelOfSubPixel
// takes to `pixel`, its pixel.
inline LONG subPixelWithin(double position, LONG pixel) {
  constexpr LONG one = LONG{1} << kSubPixelShift, half = one / 2;
  const LONG lo = pixel > 0 ? pixel * one - half : pixel * one - (half - 1);
  const LONG hi = pixel < 0 ? pixel * one + half : pixel * one + (half - 1);
  if (std::isnan(position)) return pixel * one;
  // Rounded by a truncating conversion: a sub-pixel either way, kept within the pixel.
  const double scaled = std::clamp(position, -200000.0, 200000.0) * one;
  return std::clamp(static_cast<LONG>(scaled + (scaled < 0.0 ? -0.5 : 0.5)), lo, hi);
}
// The pixel of a screen position.
inline POINT roundedScreenPoint(const ScreenPoint& p) { return POINT{screenCoordinate(p.x), screenCoordinate(p.y)}; }
// The screen position in sub-pixels, within the pixel roundedScreenPoint
// gives it (pixelOfSubPixel takes it back there); `pixel` when that is known.
inline POINT subPixelScreenPoint(const ScreenPoint& p, POINT pixel) {
  return POINT{subPixelWithin(p.x, pixel.x), subPixelWithin(p.y, pixel.y)};
}
inline POINT subPixelScreenPoint(const ScreenPoint& p) { return subPixelScreenPoint(p, roundedScreenPoint(p)); }
// How far polygons and lines handed to the rasterizer may reach: six times
// the view's longer side beyond each of its edges.
struct GuardBand {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};
GuardBand guardBandOf(const RECT& rect);
inline bool insideBand(const GuardBand& band, POINT p) {
  return p.x >= band.left && p.x <= band.right && p.y >= band.top && p.y <= band.bottom;
}
// One bit for each side of the band the point lies past (0: inside).
inline unsigned bandSidesPast(const GuardBand& band, POINT p) {
  return static_cast<unsigned>(p.x < band.left) | static_cast<unsigned>(p.x > band.right) << 1 |
         static_cast<unsigned>(p.y < band.top) << 2 | static_cast<unsigned>(p.y > band.bottom) << 3;
}
// Behind the camera's near plane (Camera View only: the orbit view's eye
// is never reached), by view depth or by its nearness, which grows
// strictly as the depth shrinks.
inline bool behindNear(const ViewContext& view, double viewZ) { return view.cameraView && viewZ < view.nearClip; }
inline bool nearnessBehindNear(const ViewContext& view, double nearness) {
  return view.cameraView && nearness > 1.0 / view.nearClip;
}
// Where the perspective views' depth spans meet (depthSpans): the orbit
// view's eye distances where its factor stops growing and shrinking, and
// the depth past which Camera View's picture no longer shrinks.
inline constexpr double kOrbitNearClampDistance = kOrbitEyeDistance / 1.22;
inline constexpr double kOrbitFarClampDistance = kOrbitEyeDistance / 0.78;
inline constexpr double kCameraFarSpanStart = 100000.0;
// The view depths past which the next of the view's depth spans begins
// (infinite where there is none), and which span a view depth lies in,
// nearest 0. A flat face or a line is drawn straight only within one: one
// whose corners lie in different spans bends where it crosses, and is drawn
// as its pieces.
struct DepthSpanEnds {
  double first = INFINITY, second = INFINITY;
  int spanOf(double viewZ) const { return static_cast<int>(viewZ > first) + static_cast<int>(viewZ > second); }
};
inline DepthSpanEnds depthSpanEnds(const ViewContext& view) {
  if (view.cameraView) return {kCameraFarSpanStart, INFINITY};
  if (view.orthographic) return {};
  return {kOrbitNearClampDistance - kOrbitEyeDistance, kOrbitFarClampDistance - kOrbitEyeDistance};
}
inline int depthSpanOf(const ViewContext& view, double viewZ) { return depthSpanEnds(view).spanOf(viewZ); }
// The same from a depth's nearness (depthNearness), which shrinks as the
// depth grows.
inline int nearnessSpanOf(const ViewContext& view, double nearness) {
  if (view.cameraView) return static_cast<int>(nearness < 1.0 / kCameraFarSpanStart);
  if (view.orthographic) return 0;
  return static_cast<int>(nearness < 1.0 / kOrbitNearClampDistance) +
         static_cast<int>(nearness < 1.0 / kOrbitFarClampDistance);
}
// A line's visible part within one depth span, projected, with the
// nearness at its ends.
struct ViewSegment {
  POINT from{}, to{};
  double nearFrom = 0.0, nearTo = 0.0;
};
// A line's visible parts, one within each depth span it crosses, in order
// from its start.
struct ViewSegments {
  std::array<ViewSegment, 3> parts{};
  std::size_t count = 0;
  const ViewSegment* begin() const { return parts.data(); }
  const ViewSegment* end() const { return parts.data() + count; }
};
// The parts of the segment between two view-space (or world) points that
// lie in front of the near plane and inside the band; false when none.
bool clipViewSegment(const ViewContext& view, Vec3 a, Vec3 b, ViewSegments& out);
bool clipWorldSegment(const ViewContext& view, const Vec3& a, const Vec3& b, ViewSegments& out);

// Whether a projected point (its pixel, and its nearness or view-space
// position) may be drawn as it stands: in front of the near plane and
// inside the band. A line between two such points within one depth span
// needs no clipping.
inline bool showsAsProjected(const ViewContext& view, const GuardBand& band, POINT p, double nearness) {
  return insideBand(band, p) && !nearnessBehindNear(view, nearness);
}
inline bool showsAsProjected(const ViewContext& view, const GuardBand& band, POINT p, const Vec3& viewPoint) {
  return insideBand(band, p) && !behindNear(view, viewPoint.z);
}
// 1 + the depth span of a projected point that shows as projected, else 0:
// a line or face between points of one such place is drawn straight
// between their pixels.
inline std::uint8_t placeAsProjected(const ViewContext& view, const GuardBand& band, POINT p, const Vec3& viewPoint) {
  return showsAsProjected(view, band, p, viewPoint) ? static_cast<std::uint8_t>(1 + depthSpanOf(view, viewPoint.z)) : 0;
}
// Whether a line is drawn with per-pixel depth (depthLine) or plainly.
enum class LineDepth : std::uint8_t { Plain, Tested };
// Draws the visible part of the segment between two view-space (or world)
// points with the DC's pen: nothing behind the eye, the far-off part cut
// at the band so that the line keeps its direction.
void drawViewSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b,
                     LineDepth depth = LineDepth::Plain);
void drawWorldSegment(HDC dc, const ViewContext& view, const Vec3& a, const Vec3& b,
                      LineDepth depth = LineDepth::Plain);
// Polyline through view-space points (closed: back to the first), each
// side cut as drawViewSegment cuts it; runs of points that show as
// projected go to Polyline whole.
void drawViewPolyline(HDC dc, const ViewContext& view, const std::vector<Vec3>& points, bool closed);
// Polygon over view-space corners with the DC's brush and pen. One that
// reaches behind the near plane or past the band is filled as its part in
// front and inside, outlined along its own sides only, never along a cut.
void drawViewPolygon(HDC dc, const ViewContext& view, const std::vector<Vec3>& corners);
// The parts of a polygon over view-space corners that the view shows, one
// within each span of the view's depths, cut to the band and rounded; none
// when nothing of it shows.
std::vector<std::vector<POINT>> visiblePolygonPieces(const ViewContext& view, const std::vector<Vec3>& corners);
// Where a mark anchored at a world point (a glyph, a label, a dot) is
// drawn; false when the point lies behind the near plane, where neither
// it nor anything drawn around it shows.
bool anchorOnScreen(const ViewContext& view, const Vec3& world, POINT& at);

// The edges of one object's mesh over a projection of its vertices (each
// one's pixel and nearness): an edge whose ends both show as projected is
// drawn from them as it stands, nothing recomputed; any other as its
// visible part, its ends placed again from the object's vertices.
class MeshEdgeLines {
 public:
  MeshEdgeLines(const ViewContext& view, const Object& object, LineDepth depth)
      : view_(view), band_(guardBandOf(view.rect)), object_(object), depth_(depth) {}
  // The edge from vertex a to vertex b (both within the vertices).
  void draw(HDC dc, std::size_t a, std::size_t b, POINT pa, POINT pb, double nearA, double nearB) {
    if (!showsAsProjected(view_, band_, pa, nearA) || !showsAsProjected(view_, band_, pb, nearB) ||
        nearnessSpanOf(view_, nearA) != nearnessSpanOf(view_, nearB)) {
      drawClipped(dc, a, b);
    } else if (depth_ == LineDepth::Tested) {
      depthLine(dc, pa, pb, nearA, nearB);
    } else {
      drawLine(dc, pa, pb);
    }
  }

 private:
  void drawClipped(HDC dc, std::size_t a, std::size_t b);
  const ViewContext& view_;
  GuardBand band_;
  const Object& object_;
  LineDepth depth_;
  bool placed_ = false;  // placement_ holds the object's, made at the first edge that needs it
  ObjectPlacement placement_;
};

// One corner of a polygon to clip, in view space, and whether the edge from
// it to the next corner is the face's own (outlined) rather than a cut.
struct ClipCorner {
  Vec3 view;
  bool ownEdge = true;
};
// A corner on the screen, unrounded, with its nearness.
struct ScreenCorner {
  double x = 0.0, y = 0.0, nearness = 0.0;
  bool ownEdge = true;
};
// A span of view depths over which the projection and nearness run one
// way: a flat polygon within one maps to the screen with its nearness
// linear across it.
struct DepthSpan {
  double from = 0.0, to = 0.0;
};
// The view's spans, nearest first: in Camera View from the near clip on
// (nothing nearer is drawn), in the orbit view all depths.
std::size_t depthSpans(const ViewContext& view, std::array<DepthSpan, 3>& spans);
// The working space of clipping polygons, kept from one to the next.
struct PolygonClipScratch {
  std::vector<ScreenCorner> screen, screenSpare;
  std::vector<POINT> points;
  std::vector<std::uint8_t> ownEdges;
};
// One visible piece of a clipped polygon: the plane of its nearness, its
// corners in sub-pixels and, per corner, whether the edge to the next is the polygon's own
// (a cut at a span's end or the band's side is not). A piece may cover no
// pixel: its neighbours then cover the pixels around it.
using VisiblePieceFn =
    std::function<void(const DepthPlane& plane, const std::vector<POINT>& points, const std::vector<std::uint8_t>& ownEdges)>;
// Each piece of the polygon that lies within one of the view's depth spans
// and inside the band and has an area, nearest span first; nothing when a
// corner has no finite position.
void forEachVisiblePiece(const ViewContext& view, const GuardBand& band, const std::vector<ClipCorner>& polygon,
                         PolygonClipScratch& scratch, const VisiblePieceFn& piece);
// Twice the signed shoelace area of n pixels, summed exactly.
inline std::int64_t twicePixelArea(const POINT* points, std::size_t n) {
  std::int64_t twiceArea = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const POINT& a = points[k];
    const POINT& b = points[k + 1 < n ? k + 1 : 0];
    twiceArea += static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(b.x) * a.y;
  }
  return twiceArea;
}

// The plane (x, y, nearness) closest to n corners (Newell's normal through
// their mean), `at(i)` giving corner i as a ScreenCorner: exact for a
// triangle and any flat face. A corner without a number makes the face the
// nearest, as the depth order sorts it.
template <class At>
DepthPlane depthPlaneThrough(std::size_t n, At&& at) {
  double nx = 0.0, ny = 0.0, nz = 0.0, cx = 0.0, cy = 0.0, cn = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenCorner p = at(i), q = at(i + 1 < n ? i + 1 : 0);
    nx += (p.y - q.y) * (p.nearness + q.nearness);
    ny += (p.nearness - q.nearness) * (p.x + q.x);
    nz += (p.x - q.x) * (p.y + q.y);
    cx += p.x, cy += p.y, cn += p.nearness;
  }
  cx /= static_cast<double>(n), cy /= static_cast<double>(n), cn /= static_cast<double>(n);
  DepthPlane plane;
  if (std::isnan(cn) || !std::isfinite(nx) || !std::isfinite(ny) || nz == 0.0) {
    plane.c = std::isnan(cn) ? INFINITY : cn;
    return plane;
  }
  plane.a = -nx / nz;
  plane.b = -ny / nz;
  plane.c = cn + (nx * cx + ny * cy) / nz;
  return plane;
}

// Whether, in this view, `plane` passes within half a pixel's step (by the
// steepest of the fan's triangles) of each of n corners' nearness. The
// difference of two planes over a triangle is largest at its corners, so
// the plane then lies as near the face's triangles at every pixel: no
// farther off than rounding the corners to pixels puts any face.
template <class At>
bool onePlaneHolds(std::size_t n, At&& at, const DepthPlane& plane) {
  double off = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenCorner p = at(i);
    off = std::max(off, std::fabs(p.nearness - (plane.a * p.x + plane.b * p.y + plane.c)));
  }
  if (off == 0.0) return true;
  if (std::isnan(off)) return false;  // a corner without a number
  // A triangle's slopes are its plane's numerators over twice its area:
  // compared multiplied out, without dividing.
  const ScreenCorner first = at(0);
  for (std::size_t k = 1; k + 1 < n; ++k) {
    const ScreenCorner p = at(k), q = at(k + 1);
    const double x1 = p.x - first.x, y1 = p.y - first.y, n1 = p.nearness - first.nearness;
    const double x2 = q.x - first.x, y2 = q.y - first.y, n2 = q.nearness - first.nearness;
    const double twiceArea = std::fabs(x1 * y2 - x2 * y1);
    const double steepest = std::max(std::fabs(n1 * y2 - n2 * y1), std::fabs(x1 * n2 - x2 * n1));
    if (twiceArea > 0.0 && 2.0 * off * twiceArea <= steepest) return true;
  }
  return false;
}

// ---- The frame's draw list ------------------------------------------------------

// The filled faces of a frame, coloured when queued: one run per drawn mesh
// or proxy, each farthest first, their corners in one array and the
// triangles of the faces filled in pieces in another.
struct FaceFill {
  double depth = 0.0;  // NaN queued as the nearest
  DepthPlane plane;
  double alpha = 1.0;  // below 1: blended over what lies behind, after every opaque face
  COLORREF colour = 0;
  COLORREF outline = 0;
  std::size_t firstPoint = 0;
  std::uint32_t pointCount = 0;
  // A face filled in pieces (one plane misses its corners): its triangles
  // in `triangles`, each with its own plane (`plane` unused).
  std::uint32_t firstTriangle = 0;
  std::uint32_t triangleCount = 0;
  // A piece of a clipped face: one flag a corner in `ownEdges` from here,
  // whether the edge to the next corner is the face's own (outlined).
  static constexpr std::uint32_t kEveryEdgeOwn = ~std::uint32_t{0};
  std::uint32_t firstOwnEdge = kEveryEdgeOwn;
};
struct FaceFills {
  std::vector<FaceFill> faces;
  std::vector<POINT> points;
  std::vector<DepthTriangle> triangles;
  std::vector<std::uint8_t> ownEdges;
  std::vector<std::size_t> runStarts;
};
// Appends `face` of `from` to `into` with its corners, triangles and flags.
void appendFaceFill(FaceFills& into, const FaceFills& from, const FaceFill& face);

// What the objects of one frame draw. The filled faces of every mesh are
// painted first with per-pixel depth, in one farthest-first order across
// meshes (equal depths in queue order, then face order, so that the later
// one wins a tie); then every other step (edges, glyphs, labels, origins) in
// queue order, mesh edges tested against the faces' depth.
// Objects the steps name must outlive the list; preview lists and their
// shares are kept by it.
// Solid pens a frame's steps share, by width and colour, deleted with the
// frame (never selected by then: each step puts back what it replaced).
struct FramePens {
  FramePens() = default;
  FramePens(const FramePens&) = delete;
  FramePens& operator=(const FramePens&) = delete;
  ~FramePens();
  HPEN solid(int width, COLORREF colour);
  struct Entry {
    int width;
    COLORREF colour;
    HPEN pen;
  };
  std::vector<Entry> pens;
};

struct FrameDrawList {
  explicit FrameDrawList(FrameContext context) : frame(std::move(context)) {}
  // The shading mode and the lights every queued face and edge is drawn by.
  FrameContext frame;
  RECT clientRect{};  // the view whose depth the faces and edges use
  std::shared_ptr<FramePens> pens = std::make_shared<FramePens>();
  // The scene index of the object being queued, when the frame keeps what
  // its mesh derives between frames (kNoSceneIndex: derive afresh).
  static constexpr std::size_t kNoSceneIndex = ~std::size_t{0};
  std::size_t sceneIndex = kNoSceneIndex;
  // Likewise the index of the preview element being queued in its list.
  std::size_t previewElement = kNoSceneIndex;
  // Off, nothing is kept for later frames (a still render's own view).
  bool keep = true;
  // What the target DC can show (its clip box), when known: a kept mesh
  // wholly outside it queues nothing, as nothing of it would reach a pixel.
  bool drawableKnown = false;
  RECT drawable{};
  FaceFills fills;
  // The depth pass began before the end: opaque fills went ahead (paintFillsSoFar).
  bool depthBegun = false;
  HDC target = nullptr;  // where they go, when the list may paint ahead
  std::size_t filledFaces = 0;  // the faces painted ahead
  std::vector<std::function<void(HDC)>> steps;
  std::vector<std::shared_ptr<const void>> kept;
};
// What the full face path derives from one scene object's mesh, kept
// between frames under the object's place in the scene list: the projection
// while the view, the placement and the arrays stay the same, the edges the
// edge pass draws while the arrays do. The entry holds the arrays it came
// from, so a write to the object's mesh clones them and the entry misses.
struct MeshProjection {
  std::vector<POINT> points;     // every vertex, indexed like the vertices
  std::vector<double> nearness;  // depthNearness of each vertex
  std::vector<ProjectedFace> faces;
  // The points lie wholly outside what the list's DC shows (projectionOutside):
  // no face was projected, as none would reach a pixel.
  bool outside = false;
};
struct MeshDrawEntry {
  Cow<std::vector<Vec3>> vertices;
  Cow<std::vector<MeshEdge>> edges;
  Cow<std::vector<MeshFace>> faces;
  Cow<std::vector<Vec2>> uvs;
  bool uvsValid = false;
  Transform transform;
  ViewContext view;
  std::int64_t faceStride = 0;
  std::shared_ptr<const MeshProjection> projection;
  RECT pointBounds{};  // of the projection's points
  // The edges drawn when not every edge is forced (indices into the edges).
  std::shared_ptr<const std::vector<std::uint32_t>> featureEdges;
  // The faces as queued to be filled, their corners counted from 0, kept
  // with the projection while every input of their colours is the same:
  // the shading mode, selection, outline, the frame's lights and the
  // materials' shading numbers (only when no material maps a texture).
  bool fillsKept = false;
  std::vector<FaceFill> fills;
  std::vector<POINT> fillPoints;
  std::vector<DepthTriangle> fillTriangles;
  std::vector<std::uint8_t> fillOwnEdges;
  ViewportShadingMode fillMode = ViewportShadingMode::Lit;
  bool fillSelected = false;
  COLORREF fillOutline = 0;
  std::uint64_t fillLights = 0;
  std::vector<double> fillShading;
  std::uint64_t frame = 0;  // the last frame that drew it
  // A preview element's entry keeps its fills but not its projected faces
  // (up to 96 elements a list): those are projected again when the fills
  // no longer hold.
  bool fillsOnly = false;
  bool facesDropped = false;
};
// The heap an entry holds beyond the arrays it shares with its object.
std::size_t keptMeshBytes(const MeshDrawEntry& entry);
// The heap of a preview list's share, without its elements' draws.
std::size_t drawShareBytes(const PreviewDrawShare& share);
// What every cache above keeps now, in bytes.
std::size_t keptViewportBytes();
// Drops the least recently drawn kept data until it fits keptByteLimit.
void boundKeptViewportData();

// One preview list while it is drawn: what the drawer derives from a mesh
// alone, built once per distinct mesh (elements that share arrays share the
// result), and what each element's drawing keeps between frames. Kept with
// the list, so a repaint derives nothing again.
struct PreviewDrawShare {
  // Each key holds the arrays of the mesh its value came from.
  std::vector<std::pair<MeshData, std::shared_ptr<const std::vector<std::uint8_t>>>> featureEdges;
  // The edges each of those flag marks at the edge stride, once asked for.
  std::vector<std::shared_ptr<const std::vector<std::uint32_t>>> featureEdgeLists;
  std::vector<std::pair<MeshData, std::shared_ptr<const std::vector<std::int64_t>>>> proxyEdges;
  std::vector<MeshDrawEntry> elementDraws;  // by index in the list
};
const std::vector<std::uint8_t>& sharedFeatureEdges(PreviewDrawShare& share, const MeshData& mesh);
// featureEdgesOf the mesh from its shared flags.
std::shared_ptr<const std::vector<std::uint32_t>> sharedFeatureEdgeList(PreviewDrawShare& share,
                                                                        const MeshData& mesh);
const std::vector<std::int64_t>& sharedProxyEdges(PreviewDrawShare& share, const MeshData& mesh);

// The entry of the scene object or preview element the list is queueing,
// marked drawn in this frame; null when the list keeps nothing (no index).
MeshDrawEntry* keptMeshEntry(const FrameDrawList& list, PreviewDrawShare* share);
// The object's projection at `faceStride` (with its faces when `needFaces`,
// and its feature edges unless every edge is forced, a preview element's from
// its list's share), from the entry while it still holds, else afresh.
void updateKeptMesh(MeshDrawEntry& entry, const Object& object, const ViewContext& view, std::int64_t faceStride,
                    const RECT& clientRect, bool needFaces, bool needFeatures, PreviewDrawShare* share,
                    const FrameDrawList& list);
// Whether the object's faces and edges at the entry's projection lie wholly
// outside what the list's DC can show (beyond its widest pen), and drawing
// them has no other effect (no material maps a texture to probe).
bool keptMeshOutside(const MeshDrawEntry& entry, const FrameDrawList& list, const Object& object);
// The same test over a projection and the box of its points (boundsOf).
bool projectionOutside(const MeshProjection& projection, const RECT& pointBounds, const FrameDrawList& list,
                       const Object& object);
RECT boundsOf(const std::vector<POINT>& points);
// queueFaceFills over the entry's projection, from what the entry kept when
// nothing its colours read has changed.
void queueKeptFaceFills(MeshDrawEntry& entry, FaceFills& fills, const FrameContext& frame, const ViewContext& view,
                        const Object& object, bool selected, COLORREF outline);
// Placed and projected vertices, their nearness and, `withFaces` (a mode
// that fills them), the projected faces. At a face stride only the vertices
// the draw reads (the sampled faces' corners and, with `featureFlags`, the
// flagged edges' ends; else every edge's at the edge stride); the others
// read as 0. With `unlessOutside`, no face is projected when the points lie
// wholly outside what that list's DC shows (`outside` says so).
std::shared_ptr<const MeshProjection> projectMesh(const Object& object, const ViewContext& view,
                                                  std::int64_t faceStride, const RECT& clientRect,
                                                  const std::vector<std::uint8_t>* featureFlags, bool withFaces,
                                                  const FrameDrawList* unlessOutside = nullptr);
// The edges the edge pass draws when not every edge is forced: boundary,
// loose and folded edges at the mesh's edge stride, ascending.
std::vector<std::uint32_t> featureEdgesOf(const MeshData& mesh);

using ObjectDrawFn = void (*)(HDC, const RECT&, const Object&, bool);
void queueObjectStep(FrameDrawList& list, ObjectDrawFn draw, const RECT& clientRect, const Object& object,
                     bool selected);
void queueMeshObject(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                     PreviewDrawShare* share);
// Painter's-algorithm fill of the object's faces, farthest first (ties in
// face order), then the edge pass. Heavy meshes go to the proxy path.
void queueMeshDataFaces(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                        PreviewDrawShare* share);
void queueOversizedMeshProxy(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                             PreviewDrawShare* share);
void queueModifierPreview(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                          const ModifierPreviewDraw& previews);
// The draw units of a preview list: each mesh element's (meshPaintUnits),
// whatever the view; copies each count.
std::size_t previewPaintUnits(const std::vector<Object>& elements);
// What queueMeshObject draws of one mesh at most, in draw units: its
// vertices, the corners of the faces at its stride and the edges at the
// edge stride; on the proxy path those of the sample (a box counts 12).
std::size_t meshPaintUnits(const Object& object);
std::size_t proxyPaintUnits(const Object& object);
// One run of faces (farthest first) with their per-face material, alpha
// cut-out, colour by the frame's shading mode (lit by its lights on the side
// `view` sees) and texture tint. Nothing in a mode that fills no faces.
void queueFaceFills(FaceFills& fills, const FrameContext& frame, const ViewContext& view, const Object& object,
                    const std::vector<ProjectedFace>& faces, bool selected, COLORREF outline);
// Every queued face, farthest first across the runs, filled and outlined
// with depth: the opaque ones, then the translucent ones.
void paintFaceFills(HDC dc, FaceFills& fills);
void paintFrameDrawList(HDC dc, FrameDrawList& list);
// The list's depth pass with the line bias of its view, open until the end.
void beginFrameDepthPass(HDC dc, FrameDrawList& list);
// Paints the opaque faces queued so far (in a pass that then stays open), so
// that a frame drawn whole (a still render, a large selected object) holds
// at most the paint's total of them at once; translucent faces and the
// steps wait for the end, which paints as the whole list would.
void paintFillsSoFar(HDC dc, FrameDrawList& list);
// paintFillsSoFar on the list's target once its fills pass the paint's total.
void paintFillsPastTotal(FrameDrawList& list);

// ---- GDI helpers --------------------------------------------------------------

// Creates a pen and/or brush, selects them and undoes both on destruction.
struct ScopedPenBrush {
  ScopedPenBrush(HDC dc, HPEN pen, HBRUSH brush);
  ~ScopedPenBrush();
  ScopedPenBrush(const ScopedPenBrush&) = delete;
  ScopedPenBrush& operator=(const ScopedPenBrush&) = delete;
  // Swaps in a new pen (deleting the previous one this scope made).
  void setPen(HPEN pen);
  void setBrush(HBRUSH brush);
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  HGDIOBJ oldPen = nullptr;
  HGDIOBJ oldBrush = nullptr;
};

HPEN solidPen(int width, COLORREF colour);
HPEN dottedPen(COLORREF colour);
HBRUSH hollowBrush();  // the stock null brush (never deleted)
void drawLineXY(HDC dc, int x0, int y0, int x1, int y1);
void drawCircle(HDC dc, POINT centre, int radius);

// Selects the font, or the stock default GUI font when it is null.
void selectFontOrStock(HDC dc, HFONT font);
// DrawTextW with transparent background and colour, recorded in the log.
void viewportDrawText(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF colour);
// Text with its top-left corner at (x, y).
void viewportTextAt(HDC dc, int x, int y, const std::wstring& text, COLORREF colour);

// Whether a Mesh/Text/Curve kind (drawn as geometry, not as a helper glyph).
bool isGeometryKind(ObjectKind kind);

// Resolved active camera of the scene (kind Camera), or null.
const Object* activeCameraObject();

}  // namespace vk
