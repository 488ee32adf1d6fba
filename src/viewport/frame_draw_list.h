// The frame's draw list and what it keeps between frames: queued face
// fills painted with depth, the steps drawn after them, each scene mesh's
// kept projection and fills, a preview list's shared derivations, and the
// queueing functions of mesh, proxy and preview drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "model/cow.h"
#include "model/types.h"
#include "platform/win32.h"
#include "viewport/view_context.h"
#include "viewport/viewport.h"

namespace vk {

// Defined with the caches (viewport_caches.h).
struct ModifierPreviewDraw;


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

}  // namespace vk
