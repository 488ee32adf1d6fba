// What the viewport keeps of each scene mesh from one frame to the next:
// its projection and feature edges, and the faces as queued to be filled;
// and the one byte bound over everything the viewport keeps. Every entry is
// checked against what it was made from (shared arrays by identity, numbers
// bit for bit), so a kept frame is a fresh one.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <tuple>

#include "shading/textures.h"
#include "viewport/frame_draw_list.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"

namespace vk {

namespace {

template <class T>
bool sameArray(const Cow<T>& a, const Cow<T>& b) {
  return a.sharesWith(b) || (a.empty() && b.empty());
}

void appendShading(std::vector<double>& out, const Material& material) {
  out.insert(out.end(), {static_cast<double>(material.r), static_cast<double>(material.g),
                         static_cast<double>(material.b), material.roughness, material.metallic, material.alpha,
                         material.emission});
}

// The numbers the face colours read of the object's materials; false when a
// material maps a texture (its samples are not kept).
bool collectShading(const Object& object, std::vector<double>& out) {
  out.clear();
  auto add = [&out](const Material& material) {
    for (const TextureMap& map : material.textureMaps.maps) {
      if (textureMapIsSet(map)) return false;
    }
    appendShading(out, material);
    return true;
  };
  if (!add(object.material)) return false;
  out.push_back(static_cast<double>(object.materialSlots.slots.size()));
  out.push_back(static_cast<double>(object.materialSlots.activeIndex));
  return std::all_of(object.materialSlots.slots.begin(), object.materialSlots.slots.end(), add);
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

}  // namespace

RECT boundsOf(const std::vector<POINT>& points) {
  if (points.empty()) return RECT{};
  RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const POINT& p : points) {
    box.left = std::min(box.left, p.x), box.right = std::max(box.right, p.x);
    box.top = std::min(box.top, p.y), box.bottom = std::max(box.bottom, p.y);
  }
  return box;
}

namespace {

// The mesh's feature edges, derived once for every scene object holding its arrays.
std::shared_ptr<const std::vector<std::uint32_t>> sceneFeatureEdges(const MeshData& mesh) {
  ViewportCaches& caches = viewportCaches();
  SharedFeatureEdges& kept = caches.sceneFeatureEdges[&mesh.faces.read()];
  kept.frame = caches.frameNumber;
  const MeshData& key = kept.key;
  if (!kept.edges || !key.faces.sharesWith(mesh.faces) || !sameArray(key.vertices, mesh.vertices) ||
      !sameArray(key.edges, mesh.edges)) {
    kept.key = MeshData{};
    kept.key.vertices = mesh.vertices;
    kept.key.faces = mesh.faces;
    kept.key.edges = mesh.edges;
    kept.edges = std::make_shared<const std::vector<std::uint32_t>>(featureEdgesOf(mesh));
  }
  return kept.edges;
}

}  // namespace

bool keptMeshOutside(const MeshDrawEntry& entry, const FrameDrawList& list, const Object& object) {
  if (!entry.projection) return false;
  return projectionOutside(*entry.projection, entry.pointBounds, list, object);
}

bool projectionOutside(const MeshProjection& projection, const RECT& pointBounds, const FrameDrawList& list,
                       const Object& object) {
  // Pens are at most 2 pixels wide; a face or edge lies within its corners' box.
  constexpr LONG kPenReach = 4;
  if (!list.drawableKnown || projection.points.empty()) return false;
  const RECT& box = pointBounds;
  const RECT& shown = list.drawable;
  const bool outside = box.right < shown.left - kPenReach || box.left >= shown.right + kPenReach ||
                       box.bottom < shown.top - kPenReach || box.top >= shown.bottom + kPenReach;
  if (!outside) return false;
  std::vector<double> unused;
  return collectShading(object, unused);
}

MeshDrawEntry* keptMeshEntry(const FrameDrawList& list, PreviewDrawShare* share) {
  ViewportCaches& caches = viewportCaches();
  MeshDrawEntry* entry = nullptr;
  if (!list.keep) return nullptr;
  if (share) {
    if (list.previewElement == FrameDrawList::kNoSceneIndex) return nullptr;
    std::vector<MeshDrawEntry>& draws = share->elementDraws;
    if (draws.size() <= list.previewElement) draws.resize(list.previewElement + 1);
    entry = &draws[list.previewElement];
    entry->fillsOnly = true;
  } else {
    if (list.sceneIndex == FrameDrawList::kNoSceneIndex) return nullptr;
    if (caches.meshDraws.size() <= list.sceneIndex) caches.meshDraws.resize(list.sceneIndex + 1);
    entry = &caches.meshDraws[list.sceneIndex];
  }
  entry->frame = caches.frameNumber;
  return entry;
}

void updateKeptMesh(MeshDrawEntry& entry, const Object& object, const ViewContext& view, std::int64_t faceStride,
                    const RECT& clientRect, bool needFaces, bool needFeatures, PreviewDrawShare* share,
                    const FrameDrawList& list) {
  const MeshData& mesh = object.meshData;
  const bool sameArrays = entry.vertices.sharesWith(mesh.vertices) && entry.faces.sharesWith(mesh.faces) &&
                          sameArray(entry.edges, mesh.edges) && sameArray(entry.uvs, mesh.uvs);
  if (!sameArrays) {
    entry.vertices = mesh.vertices;
    entry.edges = mesh.edges;
    entry.faces = mesh.faces;
    entry.uvs = mesh.uvs;
    entry.projection.reset();
    entry.featureEdges.reset();
  }
  if (!entry.projection || entry.uvsValid != mesh.uvsValid || entry.faceStride != faceStride ||
      !sameTransform(entry.transform, object.transform) || !sameView(entry.view, view)) {
    entry.uvsValid = mesh.uvsValid;
    entry.faceStride = faceStride;
    entry.transform = object.transform;
    entry.view = view;
    // In a mode that fills nothing no face is projected (nor cut): they
    // come when a mode fills them, as dropped faces do.
    // Faces that would reach no pixel are not projected either: they come
    // when a view shows them, as dropped faces do.
    entry.projection = projectMesh(object, view, faceStride, clientRect, nullptr, needFaces, &list);
    entry.facesDropped = !needFaces || entry.projection->outside;
    entry.pointBounds = boundsOf(entry.projection->points);
    entry.fillsKept = false;
  } else {
    keepFaceCuts(mesh);  // for the next view
  }
  if (needFeatures && !entry.featureEdges) {
    entry.featureEdges = share ? sharedFeatureEdgeList(*share, mesh) : sceneFeatureEdges(mesh);
  }
}

void queueKeptFaceFills(MeshDrawEntry& entry, FaceFills& fills, const FrameContext& frame, const ViewContext& view,
                        const Object& object, bool selected, COLORREF outline) {
  ViewportCaches& caches = viewportCaches();
  const ViewportShadingMode mode = frame.shading;
  std::vector<double>& shading = caches.shadingScratch;
  const bool keepable = shadingFillsFaces(mode) && collectShading(object, shading);
  if (keepable && entry.fillsKept && entry.fillMode == mode && entry.fillSelected == selected &&
      entry.fillOutline == outline && entry.fillLights == caches.lightsGeneration &&
      sameBits(entry.fillShading, shading)) {
    const std::size_t firstFace = fills.faces.size();
    const std::size_t base = fills.points.size();
    fills.runStarts.push_back(firstFace);
    fills.points.insert(fills.points.end(), entry.fillPoints.begin(), entry.fillPoints.end());
    fills.faces.insert(fills.faces.end(), entry.fills.begin(), entry.fills.end());
    const auto triangleBase = static_cast<std::uint32_t>(fills.triangles.size());
    fills.triangles.insert(fills.triangles.end(), entry.fillTriangles.begin(), entry.fillTriangles.end());
    for (std::size_t i = firstFace; i < fills.faces.size(); ++i) {
      fills.faces[i].firstPoint += base;
      fills.faces[i].firstTriangle += triangleBase;
    }
    if (!entry.fillOwnEdges.empty()) {  // pieces of clipped faces
      const auto ownEdgeBase = static_cast<std::uint32_t>(fills.ownEdges.size());
      fills.ownEdges.insert(fills.ownEdges.end(), entry.fillOwnEdges.begin(), entry.fillOwnEdges.end());
      for (std::size_t i = firstFace; i < fills.faces.size(); ++i) {
        FaceFill& fill = fills.faces[i];
        if (fill.firstOwnEdge != FaceFill::kEveryEdgeOwn) fill.firstOwnEdge += ownEdgeBase;
      }
    }
    return;
  }
  if (entry.facesDropped && shadingFillsFaces(mode)) {
    entry.projection = projectMesh(object, entry.view, entry.faceStride, entry.view.rect, nullptr, true);
    entry.facesDropped = false;
  }
  const std::size_t firstFace = fills.faces.size();
  const std::size_t firstPoint = fills.points.size();
  const std::size_t firstTriangle = fills.triangles.size();
  const std::size_t firstOwnEdge = fills.ownEdges.size();
  queueFaceFills(fills, frame, view, object, entry.projection->faces, selected, outline);
  entry.fillsKept = keepable;
  if (entry.fillsOnly && !entry.facesDropped) {
    auto slim = std::make_shared<MeshProjection>();
    slim->points = entry.projection->points;
    slim->nearness = entry.projection->nearness;
    entry.projection = std::move(slim);
    entry.facesDropped = true;
  }
  if (!keepable) {
    entry.fills.clear();
    entry.fillPoints.clear();
    entry.fillTriangles.clear();
    entry.fillOwnEdges.clear();
    return;
  }
  entry.fills.assign(fills.faces.begin() + static_cast<std::ptrdiff_t>(firstFace), fills.faces.end());
  for (FaceFill& fill : entry.fills) {
    fill.firstPoint -= firstPoint;
    fill.firstTriangle -= static_cast<std::uint32_t>(firstTriangle);
    if (fill.firstOwnEdge != FaceFill::kEveryEdgeOwn) fill.firstOwnEdge -= static_cast<std::uint32_t>(firstOwnEdge);
  }
  entry.fillPoints.assign(fills.points.begin() + static_cast<std::ptrdiff_t>(firstPoint), fills.points.end());
  entry.fillTriangles.assign(fills.triangles.begin() + static_cast<std::ptrdiff_t>(firstTriangle),
                             fills.triangles.end());
  entry.fillOwnEdges.assign(fills.ownEdges.begin() + static_cast<std::ptrdiff_t>(firstOwnEdge), fills.ownEdges.end());
  entry.fillMode = mode;
  entry.fillSelected = selected;
  entry.fillOutline = outline;
  entry.fillLights = caches.lightsGeneration;
  entry.fillShading = shading;
}

namespace {

std::size_t projectedFacesBytes(const std::vector<ProjectedFace>& faces) {
  std::size_t bytes = faces.capacity() * sizeof(ProjectedFace);
  for (const ProjectedFace& face : faces) {
    bytes += face.screenPoints.capacity() * sizeof(POINT) + face.triangles.capacity() * sizeof(DepthTriangle) +
             face.ownEdges.capacity();
  }
  return bytes;
}

}  // namespace

std::size_t keptMeshBytes(const MeshDrawEntry& entry) {
  std::size_t bytes = sizeof(MeshDrawEntry) + entry.fills.capacity() * sizeof(FaceFill) +
                      entry.fillPoints.capacity() * sizeof(POINT) + entry.fillShading.capacity() * sizeof(double) +
                      entry.fillTriangles.capacity() * sizeof(DepthTriangle) + entry.fillOwnEdges.capacity();
  if (const MeshProjection* projection = entry.projection.get()) {
    bytes += sizeof(MeshProjection) + projection->points.capacity() * sizeof(POINT) +
             projection->nearness.capacity() * sizeof(double) + projectedFacesBytes(projection->faces);
  }
  return bytes;
}

std::size_t drawShareBytes(const PreviewDrawShare& share) {
  std::size_t bytes = sizeof(PreviewDrawShare);
  for (const auto& [key, flags] : share.featureEdges) bytes += sizeof(key) + flags->capacity();
  for (const auto& edges : share.featureEdgeLists) bytes += edges ? edges->capacity() * sizeof(std::uint32_t) : 0;
  for (const auto& [key, edges] : share.proxyEdges) bytes += sizeof(key) + edges->capacity() * sizeof(std::int64_t);
  return bytes;
}

namespace {

std::size_t textBytes(const std::wstring& text) { return (text.capacity() + 1) * sizeof(wchar_t); }

std::size_t proxyBytes(const PreviewProxy& proxy) {
  return sizeof(PreviewProxy) + textBytes(proxy.cacheKey) + proxy.screenPoints.capacity() * sizeof(POINT) +
         proxy.vertexDepths.capacity() * sizeof(double) + projectedFacesBytes(proxy.faces) +
         proxy.edgeIndices.capacity() * sizeof(std::int64_t);
}

std::size_t elementDrawBytes(const PreviewDrawShare& share) {
  std::size_t bytes = share.elementDraws.capacity() * sizeof(MeshDrawEntry);
  for (const MeshDrawEntry& draw : share.elementDraws) bytes += keptMeshBytes(draw) - sizeof(MeshDrawEntry);
  return bytes;
}

// One droppable piece of kept data: when it was last drawn, its bytes and
// how it goes. A preview list's element draws are a piece of their own
// (drawn afresh, not evaluated again), and go with the list too.
struct KeptPiece {
  std::uint64_t frame = 0;
  std::size_t bytes = 0;
  int kind = 0;
  std::size_t index = 0;     // scene index, or the piece's place in its map's walk
  const std::wstring* id = nullptr;
  std::pair<const void*, const void*> arrays{};  // what keys it by array
};
enum KeptKind : int { kSceneMesh, kElementDraws, kPreviewList, kProxy, kEdgeSet, kFeatureEdges, kFaceCuts };

std::vector<KeptPiece> keptPieces(ViewportCaches& caches) {
  std::vector<KeptPiece> pieces;
  for (std::size_t i = 0; i < caches.meshDraws.size(); ++i) {
    const MeshDrawEntry& entry = caches.meshDraws[i];
    if (entry.projection) pieces.push_back({entry.frame, keptMeshBytes(entry), kSceneMesh, i, nullptr, {}});
  }
  for (const auto& [id, entry] : caches.modifierPreviews) {
    if (!entry.list) continue;
    const std::size_t draws = elementDrawBytes(*entry.share);
    if (!entry.share->elementDraws.empty()) pieces.push_back({entry.frame, draws, kElementDraws, 0, &id, {}});
    pieces.push_back({entry.frame, entry.listBytes + drawShareBytes(*entry.share), kPreviewList, 0, &id, {}});
  }
  for (const auto& [id, proxy] : caches.previews) {
    if (proxy) pieces.push_back({proxy->frame, proxyBytes(*proxy), kProxy, 0, &id, {}});
  }
  for (const auto& [id, set] : caches.edgeSets) {
    const std::size_t bytes = sizeof(ProxyEdgeSet) + textBytes(set.topologyKey) +
                              set.edgeIndices.capacity() * sizeof(std::int64_t);
    pieces.push_back({set.frame, bytes, kEdgeSet, 0, &id, {}});
  }
  for (const auto& [address, kept] : caches.sceneFeatureEdges) {
    const std::size_t bytes = sizeof(SharedFeatureEdges) + (kept.edges ? kept.edges->capacity() * sizeof(std::uint32_t) : 0);
    pieces.push_back({kept.frame, bytes, kFeatureEdges, 0, nullptr, {address, nullptr}});
  }
  for (const auto& [arrays, cuts] : caches.faceCuts) {
    pieces.push_back({cuts.frame, faceCutsBytes(cuts), kFaceCuts, 0, nullptr, arrays});
  }
  return pieces;
}

}  // namespace

std::size_t keptViewportBytes() {
  std::size_t total = 0;
  for (const KeptPiece& piece : keptPieces(viewportCaches())) total += piece.bytes;
  return total;
}

void boundKeptViewportData() {
  ViewportCaches& caches = viewportCaches();
  // Corner counts, feature edges and face cuts no mesh asked for this paint
  // hold arrays alive.
  auto unasked = [&](const auto& kept) { return kept.second.frame != caches.frameNumber; };
  std::erase_if(caches.cornerCounts, unasked);
  std::erase_if(caches.sceneFeatureEdges, unasked);
  std::erase_if(caches.faceCuts, unasked);
  std::vector<KeptPiece> pieces = keptPieces(caches);
  std::size_t total = 0;
  for (const KeptPiece& piece : pieces) total += piece.bytes;
  if (total <= caches.keptByteLimit) return;
  // Oldest first, the largest first among equals; the rest in a fixed order.
  auto key = [](const KeptPiece& piece) {
    return std::make_tuple(piece.frame, ~piece.bytes, piece.kind, piece.index,
                           piece.id ? std::wstring_view(*piece.id) : std::wstring_view(),
                           reinterpret_cast<std::uintptr_t>(piece.arrays.first),
                           reinterpret_cast<std::uintptr_t>(piece.arrays.second));
  };
  std::sort(pieces.begin(), pieces.end(), [&](const KeptPiece& a, const KeptPiece& b) { return key(a) < key(b); });
  for (const KeptPiece& piece : pieces) {
    if (total <= caches.keptByteLimit) break;
    switch (piece.kind) {
      case kSceneMesh: {
        MeshDrawEntry& entry = caches.meshDraws[piece.index];
        const std::uint64_t frame = entry.frame;
        entry = MeshDrawEntry{};
        entry.frame = frame;
        break;
      }
      case kElementDraws:
      case kPreviewList: {
        ModifierPreviewEntry& entry = caches.modifierPreviews.at(*piece.id);
        if (!entry.list) continue;  // gone with its list already
        const bool drawsKept = !entry.share->elementDraws.empty();
        const std::size_t draws = drawsKept ? elementDrawBytes(*entry.share) : 0;
        total -= draws;
        if (piece.kind == kElementDraws) {
          std::vector<MeshDrawEntry>().swap(entry.share->elementDraws);
          continue;
        }
        total -= piece.bytes;
        entry.list.reset();
        entry.share.reset();
        continue;
      }
      case kProxy: caches.previews.erase(*piece.id); break;
      case kEdgeSet: caches.edgeSets.erase(*piece.id); break;
      case kFeatureEdges: caches.sceneFeatureEdges.erase(piece.arrays.first); break;
      case kFaceCuts: caches.faceCuts.erase(piece.arrays); break;
      default: break;
    }
    total -= piece.bytes;
  }
}

}  // namespace vk
