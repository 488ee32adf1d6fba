// A mesh's faces and edges in the viewport: the map from vertex pairs to
// their faces and the feature edges it finds, the projected faces (those
// one plane cannot hold as their triangles) and depth-ordered fills that
// full and proxy drawing share, and full drawing queued on the frame's draw
// list.
//
// Sections:
//   - Edge pairs, feature edges and face strides
//   - Shared face steps
//   - Full face drawing
//   - Fit and edge tests
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "platform/palette.h"
#include "shading/materials.h"
#include "viewport/frame_draw_list.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

constexpr std::int64_t kEdgeDrawLimit = 32000;

std::uint64_t pairKey(std::int64_t a, std::int64_t b) {
  const auto lo = static_cast<std::uint64_t>(std::min(a, b));
  const auto hi = static_cast<std::uint64_t>(std::max(a, b));
  return (lo << 32) | hi;
}

// The one range check of this file: an index into `count` entries.
bool indexWithin(std::int64_t index, std::size_t count) {
  return index >= 0 && static_cast<std::uint64_t>(index) < count;
}

bool edgeWithin(const MeshEdge& edge, std::size_t count) {
  return indexWithin(static_cast<std::int64_t>(edge.first), count) &&
         indexWithin(static_cast<std::int64_t>(edge.second), count);
}

template <class T>
bool sameArray(const Cow<T>& a, const Cow<T>& b) {
  return a.sharesWith(b) || (a.empty() && b.empty());
}

constexpr double kPixelsPerSubPixel = 1.0 / (1 << kSubPixelShift);

// Twice the area, in sub-pixels, under which a face is tested for holding
// a pixel's sample point at all: four pixels.
constexpr std::int64_t kTwiceFewPixels = std::int64_t{8} << (2 * kSubPixelShift);

// Whether the box of sub-pixel corners holds a pixel's sample point (a
// whole pixel position): the first whole position at or after each low
// side lies at or before its high side. Faces that hold none are many
// among those under a pixel, and cover nothing.
bool holdsSamplePoint(const std::vector<POINT>& corners) {
  POINT low = corners.front(), high = corners.front();
  for (const POINT& p : corners) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  const auto firstWhole = [](LONG v) { return -((-v) >> kSubPixelShift); };
  return firstWhole(low.x) <= (high.x >> kSubPixelShift) && firstWhole(low.y) <= (high.y >> kSubPixelShift);
}

// A corner at a sub-pixel position, in pixels, with its nearness.
ScreenCorner subPixelCorner(const POINT& p, double nearness) {
  return ScreenCorner{p.x * kPixelsPerSubPixel, p.y * kPixelsPerSubPixel, nearness};
}

// The face's kept corner triangles, each with the plane through its
// corners' nearness in this view.
void placeCornerTriangles(std::span<const CornerTriangle> cut, const std::vector<POINT>& screenPoints,
                          const double* nearness, std::vector<DepthTriangle>& out) {
  out.reserve(cut.size());
  for (const CornerTriangle& corners : cut) {
    DepthTriangle triangle;
    triangle.corners = corners;
    triangle.plane = depthPlaneThrough(
        3, [&](std::size_t k) { return subPixelCorner(screenPoints[corners[k]], nearness[corners[k]]); });
    out.push_back(triangle);
  }
}

// The working space of clipping faces, kept across the faces of a mesh.
struct FaceClipScratch {
  std::vector<ClipCorner> polygon;
  PolygonClipScratch clip;
};

// Whether the corners lie in one plane, but for the rounding of their
// coordinates.
bool flatInSpace(const std::vector<Vec3>& corners) {
  Vec3 normal, centre;
  const std::size_t n = corners.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3& p = corners[i];
    const Vec3& q = corners[i + 1 < n ? i + 1 : 0];
    normal += Vec3{(p.y - q.y) * (p.z + q.z), (p.z - q.z) * (p.x + q.x), (p.x - q.x) * (p.y + q.y)};
    centre += p;
  }
  centre = centre / static_cast<double>(n);
  const double length = vec3Length(normal);
  if (!(length > 0.0)) return false;
  double extent = 0.0, off = 0.0;
  for (const Vec3& p : corners) {
    extent = std::max(extent, vec3Length(p - centre));
    off = std::max(off, std::fabs(vec3Dot(normal, p - centre)) / length);
  }
  return off <= 1e-9 * extent;
}

// A face that reaches behind the near plane or past the band, as the
// pieces of it that lie in front and inside, each within one span of the
// view's depths: the whole face where it is flat (`triangles` empty), else
// each of its triangles on its own (the outline of a face that is not flat,
// cut at a plane, would miss where its diagonals cross it). A piece
// outlines only the face's own edges, never a cut or a diagonal.
void appendClippedFace(const ProjectedFace& face, const ViewContext& view, const GuardBand& band,
                       const std::vector<Vec3>& viewCorners, std::span<const CornerTriangle> triangles,
                       FaceClipScratch& scratch, std::vector<ProjectedFace>& out) {
  const VisiblePieceFn appendPiece = [&](const DepthPlane& plane, const std::vector<POINT>& points,
                                         const std::vector<std::uint8_t>& ownEdges) {
    ProjectedFace piece = face;
    piece.screenPoints = points;
    piece.ownEdges = ownEdges;
    piece.depthPlane = plane;
    out.push_back(std::move(piece));
  };
  const auto appendPolygon = [&] { forEachVisiblePiece(view, band, scratch.polygon, scratch.clip, appendPiece); };
  const std::size_t n = viewCorners.size();
  if (triangles.empty()) {
    scratch.polygon.clear();
    for (const Vec3& corner : viewCorners) scratch.polygon.push_back(ClipCorner{corner, true});
    appendPolygon();
    return;
  }
  const auto outlineEdge = [n](std::uint32_t a, std::uint32_t b) {
    return b == (a + 1 < n ? a + 1 : 0) || a == (b + 1 < n ? b + 1 : 0);
  };
  for (const CornerTriangle& t : triangles) {
    scratch.polygon.clear();
    for (std::size_t k = 0; k < 3; ++k) {
      const std::uint32_t a = t[k], b = t[k < 2 ? k + 1 : 0];
      scratch.polygon.push_back(ClipCorner{viewCorners[a], outlineEdge(a, b)});
    }
    appendPolygon();
  }
}

}  // namespace

// ---- Edge pairs, feature edges and face strides -----------------------------
void PairFaceMap::reserve(std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < count + count / 2) capacity *= 2;
  if (capacity <= slots_.size()) return;
  entries_.reserve(count);
  keys_.reserve(count);
  slots_.assign(capacity, 0);
  for (std::size_t e = 0; e < keys_.size(); ++e) slots_[slotOf(keys_[e])] = e + 1;
}

std::size_t PairFaceMap::slotOf(std::uint64_t key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (slots_[slot] != 0 && keys_[slots_[slot] - 1] != key) slot = (slot + 1) & mask;
  return slot;
}

PairFaces& PairFaceMap::operator[](std::uint64_t key) {
  // At most two thirds full, so that probes stay short and end.
  if (3 * (entries_.size() + 1) > 2 * slots_.size()) reserve(2 * entries_.size() + 16);
  const std::size_t slot = slotOf(key);
  if (slots_[slot] == 0) {
    entries_.emplace_back();
    keys_.push_back(key);
    slots_[slot] = entries_.size();
  }
  return entries_[slots_[slot] - 1];
}

const PairFaces* PairFaceMap::find(std::uint64_t key) const {
  if (slots_.empty()) return nullptr;
  const std::size_t slot = slotOf(key);
  return slots_[slot] != 0 ? &entries_[slots_[slot] - 1] : nullptr;
}

PairFaceMap buildPairFaces(const MeshData& mesh) {
  PairFaceMap pairs;
  pairs.reserve(mesh.edges.read().size() + 16);
  const auto& faces = mesh.faces.read();
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const auto& indices = faces[f].indices;
    const std::size_t n = indices.size();
    if (n < 2) continue;
    for (std::size_t k = 0; k < n; ++k) {
      const std::int64_t a = indices[k], b = indices[(k + 1) % n];
      if (a < 0 || b < 0) continue;
      PairFaces& entry = pairs[pairKey(a, b)];
      const auto face = static_cast<std::int64_t>(f);
      if (entry.first == face || entry.second == face) continue;  // one face counts once
      ++entry.count;
      if (entry.first < 0) {
        entry.first = face;
      } else if (entry.second < 0) {
        entry.second = face;
      }
    }
  }
  return pairs;
}

namespace {

// The feature test of the edge pass: an edge inside the vertices is drawn
// when fewer than two faces border it or the first two fold by more than
// about 44 degrees. `normalOf(face)` gives a face's normal.
template <class NormalOf>
bool featureEdge(const MeshData& mesh, const PairFaceMap& pairs, const MeshEdge& edge, NormalOf&& normalOf) {
  if (!edgeWithin(edge, mesh.vertices.read().size())) return false;
  const PairFaces* found = pairs.find(pairKey(edge.first, edge.second));
  if (!found || found->count < 2) return true;
  return vec3Dot(normalOf(found->first), normalOf(found->second)) < 0.72;
}

}  // namespace

std::vector<std::uint8_t> buildFeatureEdgeFlags(const MeshData& mesh) {
  const PairFaceMap pairs = buildPairFaces(mesh);
  const auto& faces = mesh.faces.read();
  std::vector<Vec3> normals(faces.size());
  std::vector<std::uint8_t> known(faces.size(), 0);
  auto normalOf = [&](std::int64_t face) {
    const auto f = static_cast<std::size_t>(face);
    if (!known[f]) normals[f] = faceNormal(mesh, faces[f]), known[f] = 1;
    return normals[f];
  };
  const auto& edges = mesh.edges.read();
  std::vector<std::uint8_t> flags(edges.size());
  for (std::size_t e = 0; e < edges.size(); ++e) flags[e] = featureEdge(mesh, pairs, edges[e], normalOf) ? 1 : 0;
  return flags;
}

namespace {

// The edges at the edge stride that `flags` mark, ascending.
std::vector<std::uint32_t> flaggedEdges(const std::vector<std::uint8_t>& flags) {
  const std::int64_t edgeStride = strideFor(static_cast<std::int64_t>(flags.size()), kEdgeDrawLimit);
  std::vector<std::uint32_t> drawn;
  for (std::size_t e = 0; e < flags.size(); e += static_cast<std::size_t>(edgeStride)) {
    if (flags[e]) drawn.push_back(static_cast<std::uint32_t>(e));
  }
  return drawn;
}

// The share's entry for the mesh's feature edges, made when new.
std::size_t sharedFeatureEntry(PreviewDrawShare& share, const MeshData& mesh) {
  // The flags read the vertices, faces and edges.
  for (std::size_t i = 0; i < share.featureEdges.size(); ++i) {
    const MeshData& key = share.featureEdges[i].first;
    if (sameArray(key.vertices, mesh.vertices) && sameArray(key.faces, mesh.faces) &&
        sameArray(key.edges, mesh.edges)) {
      return i;
    }
  }
  MeshData key;
  key.vertices = mesh.vertices;
  key.faces = mesh.faces;
  key.edges = mesh.edges;
  share.featureEdges.emplace_back(std::move(key),
                                  std::make_shared<const std::vector<std::uint8_t>>(buildFeatureEdgeFlags(mesh)));
  share.featureEdgeLists.emplace_back();
  return share.featureEdges.size() - 1;
}

}  // namespace

const std::vector<std::uint8_t>& sharedFeatureEdges(PreviewDrawShare& share, const MeshData& mesh) {
  return *share.featureEdges[sharedFeatureEntry(share, mesh)].second;
}

std::shared_ptr<const std::vector<std::uint32_t>> sharedFeatureEdgeList(PreviewDrawShare& share,
                                                                        const MeshData& mesh) {
  const std::size_t entry = sharedFeatureEntry(share, mesh);
  std::shared_ptr<const std::vector<std::uint32_t>>& list = share.featureEdgeLists[entry];
  if (!list) list = std::make_shared<const std::vector<std::uint32_t>>(flaggedEdges(*share.featureEdges[entry].second));
  return list;
}

// ---- Shared face steps ---------------------------------------------------------

void projectMeshVertices(const Object& object, const ViewContext& view, std::vector<POINT>& points,
                         std::vector<double>& depths, const std::vector<std::uint8_t>* only,
                         std::vector<POINT>* subPixels) {
  const auto& vertices = object.meshData.vertices.read();
  const ObjectPlacement placement = makePlacement(object);
  points.assign(vertices.size(), POINT{});
  depths.assign(vertices.size(), 0.0);
  if (subPixels) subPixels->assign(vertices.size(), POINT{});
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    if (only && !(*only)[i]) continue;
    const Vec3 viewPoint = viewSpaceWith(view, placePoint(placement, vertices[i]));
    const ScreenPoint precise = projectViewSpacePrecise(view, viewPoint);
    points[i] = roundedScreenPoint(precise);
    if (subPixels) (*subPixels)[i] = subPixelScreenPoint(precise, points[i]);
    depths[i] = viewPoint.z;
  }
}

std::vector<ProjectedFace> buildProjectedFaces(const Object& object, const ViewContext& view,
                                               const std::vector<POINT>& subPixels,
                                               const std::vector<double>& depths, std::int64_t stride,
                                               const RECT& clientRect) {
  const MeshData& mesh = object.meshData;
  const auto& faces = mesh.faces.read();
  const auto& vertices = mesh.vertices.read();
  const auto& uvs = mesh.uvs.read();
  const ObjectPlacement placement = makePlacement(object);
  const std::size_t usableCount = subPixels.size();
  std::vector<ProjectedFace> out;
  out.reserve(faces.size() / static_cast<std::size_t>(std::max<std::int64_t>(stride, 1)) + 1);
  // Each vertex's nearness once when every face is drawn, else each
  // corner's as its face comes.
  std::vector<double> vertexNearness;
  if (stride <= 1 && depths.size() >= usableCount) {
    vertexNearness.resize(usableCount);
    for (std::size_t i = 0; i < usableCount; ++i) vertexNearness[i] = depthNearness(view, depths[i]);
  }
  std::vector<double> nearness;
  std::vector<POINT> corners;
  std::vector<Vec3> viewCorners;
  FaceCutSource cuts{mesh, usableCount};
  FaceClipScratch scratch;
  const GuardBand band = guardBandOf(clientRect);
  constexpr double kSubPixels = 1 << kSubPixelShift;
  // The band in sub-pixels, as whole numbers.
  const auto subPixelsOf = [](double pixels) {
    return static_cast<LONG>(std::clamp(pixels * kSubPixels, -2147483648.0, 2147483647.0));
  };
  const LONG bandLeft = subPixelsOf(band.left), bandTop = subPixelsOf(band.top);
  const LONG bandRight = subPixelsOf(band.right), bandBottom = subPixelsOf(band.bottom);
  const DepthSpanEnds spanEnds = depthSpanEnds(view);
  const double nearLimit = view.cameraView ? view.nearClip : -INFINITY;  // nearer lies behind the near plane
  for (std::size_t f = 0; f < faces.size(); f += static_cast<std::size_t>(std::max<std::int64_t>(stride, 1))) {
    const MeshFace& face = faces[f];
    if (face.indices.size() < 3) continue;
    // The screen corners alone decide whether the face shows: test them
    // before the rest. A face with a corner behind the near plane or past
    // the band is clipped, and so is one whose corners lie in different
    // depth spans, which bends where it crosses from one to the next.
    corners.clear();
    // Per corner, bits of the band's sides it lies past, of its depth (behind
    // the near plane, past the first and the second span's end), and which
    // of them some and every corner has.
    unsigned anyBits = 0, allBits = ~0u;
    for (const std::int32_t index : face.indices) {
      if (!indexWithin(index, usableCount)) continue;
      const auto vi = static_cast<std::size_t>(index);
      const POINT& p = subPixels[vi];
      const double z = depths[vi];
      corners.push_back(p);
      const unsigned bits = static_cast<unsigned>(p.x < bandLeft) | static_cast<unsigned>(p.x > bandRight) << 1 |
                            static_cast<unsigned>(p.y < bandTop) << 2 | static_cast<unsigned>(p.y > bandBottom) << 3 |
                            static_cast<unsigned>(z < nearLimit) << 4 | static_cast<unsigned>(z > spanEnds.first) << 5 |
                            static_cast<unsigned>(z > spanEnds.second) << 6;
      anyBits |= bits, allBits &= bits;
    }
    const std::size_t used = corners.size();
    if (used < 3) continue;
    constexpr unsigned kPast = 0xF, kBehind = 0x10;
    // Nothing of a face wholly behind the eye, or in front of it and wholly
    // past one side of the band, reaches the view.
    if ((allBits & kBehind) || (!(anyBits & kBehind) && (allBits & kPast))) continue;
    const bool clipped = (anyBits & (kPast | kBehind)) != 0 || (anyBits >> 5) != (allBits >> 5);
    // However small, a face covers the pixels whose sample points it holds,
    // where its corners lie to a sub-pixel. One whose corners fall on one
    // line, or which holds no pixel's point, covers nothing: its neighbours
    // cover the pixels around it.
    const std::int64_t twiceArea = twicePixelArea(corners.data(), used);
    if (!clipped && (twiceArea == 0 || (std::abs(twiceArea) < kTwiceFewPixels && !holdsSamplePoint(corners)))) {
      continue;
    }
    const double area = std::fabs(static_cast<double>(twiceArea)) * 0.5 * kPixelsPerSubPixel * kPixelsPerSubPixel;
    ProjectedFace pf;
    pf.faceIndex = static_cast<std::int64_t>(f);
    pf.area = area;
    pf.localNormal = faceNormal(mesh, face);
    pf.worldNormal = vec3Normalize(rotateWith(placement, pf.localNormal));
    const bool withUv = mesh.uvsValid && face.uvIndices.size() == face.indices.size();
    Vec3 localSum, worldSum;
    double depthSum = 0.0;
    Vec2 uvSum;
    std::size_t uvCount = 0;
    nearness.clear();
    viewCorners.clear();
    for (std::size_t k = 0; k < face.indices.size(); ++k) {
      const std::int32_t index = face.indices[k];
      if (!indexWithin(index, usableCount)) continue;
      const auto vi = static_cast<std::size_t>(index);
      const Vec3 world = placePoint(placement, vertices[vi]);
      localSum += vertices[vi];
      worldSum += world;
      depthSum += depths[vi];
      nearness.push_back(vertexNearness.empty() ? depthNearness(view, depths[vi]) : vertexNearness[vi]);
      if (clipped) viewCorners.push_back(viewSpaceWith(view, world));
      if (!withUv) continue;
      const std::int32_t uvIndex = face.uvIndices[k];
      if (!indexWithin(uvIndex, uvs.size())) continue;
      const Vec2& uv = uvs[static_cast<std::size_t>(uvIndex)];
      if (uvCount == 0) {
        pf.uvMin = uv;
        pf.uvMax = uv;
      }
      pf.uvMin = {std::min(pf.uvMin.u, uv.u), std::min(pf.uvMin.v, uv.v)};
      pf.uvMax = {std::max(pf.uvMax.u, uv.u), std::max(pf.uvMax.v, uv.v)};
      uvSum = {uvSum.u + uv.u, uvSum.v + uv.v};
      ++uvCount;
    }
    pf.localCentroid = localSum / static_cast<double>(used);
    pf.worldCentroid = worldSum / static_cast<double>(used);
    pf.depth = depthSum / static_cast<double>(used);
    if (uvCount > 0) {
      pf.uvCenter = {uvSum.u / static_cast<double>(uvCount), uvSum.v / static_cast<double>(uvCount)};
      pf.hasUv = true;
      pf.uvRangeValid = uvCount >= 3;
    }
    if (clipped) {
      const bool flat = viewCorners.size() == 3 || flatInSpace(viewCorners);
      appendClippedFace(pf, view, band, viewCorners, flat ? std::span<const CornerTriangle>{} : keptCornerTriangles(cuts, f),
                        scratch, out);
      continue;
    }
    pf.screenPoints = corners;
    const auto cornerAt = [&](std::size_t i) { return subPixelCorner(corners[i], nearness[i]); };
    pf.depthPlane = depthPlaneThrough(used, cornerAt);
    if (used > 3 && !onePlaneHolds(used, cornerAt, pf.depthPlane)) {
      placeCornerTriangles(keptCornerTriangles(cuts, f), pf.screenPoints, nearness.data(), pf.triangles);
    }
    out.push_back(std::move(pf));
  }
  // Farthest first, equal depths in face order so that frames are
  // deterministic (NaN depths sort as nearest). Sorting small keys and
  // moving each face once is much cheaper than merging the faces.
  struct SortKey {
    double depth;
    std::size_t position;
  };
  std::vector<SortKey> keys(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    keys[i] = {std::isnan(out[i].depth) ? -INFINITY : out[i].depth, i};
  }
  std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
    return a.depth != b.depth ? a.depth > b.depth : a.position < b.position;
  });
  std::vector<ProjectedFace> sorted;
  sorted.reserve(out.size());
  for (const SortKey& key : keys) sorted.push_back(std::move(out[key.position]));
  return sorted;
}

MeshEdgeStyle meshEdgeStyle(const Object& object, bool selected, ViewportShadingMode mode) {
  const AppState& app = appState();
  const bool wireframe = !shadingFillsFaces(mode);
  MeshEdgeStyle style;
  style.force = wireframe || (app.workMode == WorkMode::EditMesh && selected) ||
                object.meshData.faces.read().size() <= 4;
  if (style.force) {
    style.outline = selected ? kMeshOutlineForcedSelected : kMeshOutlineForced;
  } else {
    style.outline = selected ? kMeshWire : kMeshOutline;
  }
  if (wireframe) {
    style.edge = selected ? kMeshWireSelected : kMeshWire;
  } else {
    style.edge = selected ? kMeshEdgeSelected : kMeshEdge;
  }
  return style;
}

void queueFaceFills(FaceFills& fills, const FrameContext& frame, const ViewContext& view, const Object& object,
                    const std::vector<ProjectedFace>& faces, bool selected, COLORREF outline) {
  const ViewportShadingMode mode = frame.shading;
  if (!shadingFillsFaces(mode)) return;
  fills.runStarts.push_back(fills.faces.size());
  for (const ProjectedFace& face : faces) {
    const Material& material = materialForFace(object, static_cast<int>(face.faceIndex));
    const Vec2* uv = face.hasUv ? &face.uvCenter : nullptr;
    if (alphaTestRejects(mode, material, face.localCentroid, face.localNormal, uv, face.uvRangeValid, &face.uvMin,
                         &face.uvMax)) {
      continue;
    }
    FaceFill fill;
    // A translucent face takes its colour at full opacity and lets what lies
    // behind show through by its alpha.
    std::optional<Material> opaque;
    if (shadingShowsAlpha(mode)) {
      const double alpha = clampKeepNan(material.alpha, kFaceMinAlpha, 1.0);
      if (alpha < 1.0) {
        opaque = material;
        opaque->alpha = 1.0;
        fill.alpha = alpha;
      }
    }
    const Vec3 lightNormal = viewerFacingNormal(view, face.worldCentroid, face.worldNormal);
    const COLORREF base = shadedFaceColour(mode, frame.lighting, opaque ? *opaque : material, face.worldCentroid,
                                           lightNormal, selected);
    fill.depth = std::isnan(face.depth) ? -INFINITY : face.depth;
    fill.plane = face.depthPlane;
    fill.colour = baseColorTextureSample(mode, material, face.localCentroid, face.localNormal, base, selected, uv);
    fill.outline = outline;
    fill.firstPoint = fills.points.size();
    fill.pointCount = static_cast<std::uint32_t>(face.screenPoints.size());
    fills.points.insert(fills.points.end(), face.screenPoints.begin(), face.screenPoints.end());
    fill.firstTriangle = static_cast<std::uint32_t>(fills.triangles.size());
    fill.triangleCount = static_cast<std::uint32_t>(face.triangles.size());
    fills.triangles.insert(fills.triangles.end(), face.triangles.begin(), face.triangles.end());
    if (!face.ownEdges.empty()) {
      fill.firstOwnEdge = static_cast<std::uint32_t>(fills.ownEdges.size());
      fills.ownEdges.insert(fills.ownEdges.end(), face.ownEdges.begin(), face.ownEdges.end());
    }
    fills.faces.push_back(fill);
  }
}

void appendFaceFill(FaceFills& into, const FaceFills& from, const FaceFill& face) {
  FaceFill moved = face;
  moved.firstPoint = into.points.size();
  const auto points = from.points.begin() + static_cast<std::ptrdiff_t>(face.firstPoint);
  into.points.insert(into.points.end(), points, points + face.pointCount);
  moved.firstTriangle = static_cast<std::uint32_t>(into.triangles.size());
  const auto triangles = from.triangles.begin() + static_cast<std::ptrdiff_t>(face.firstTriangle);
  into.triangles.insert(into.triangles.end(), triangles, triangles + face.triangleCount);
  if (face.firstOwnEdge != FaceFill::kEveryEdgeOwn) {
    moved.firstOwnEdge = static_cast<std::uint32_t>(into.ownEdges.size());
    const auto flags = from.ownEdges.begin() + static_cast<std::ptrdiff_t>(face.firstOwnEdge);
    into.ownEdges.insert(into.ownEdges.end(), flags, flags + face.pointCount);
  }
  into.faces.push_back(moved);
}

void paintFaceFills(HDC dc, FaceFills& fills) {
  // Stable merges of neighbouring runs, pairwise until one is left: equal
  // depths keep queue order, and the cost grows with the log of the runs.
  // The merges move small keys; each face then moves once.
  std::vector<FaceFill>& faces = fills.faces;
  struct MergeKey {
    double depth;
    std::size_t face;
  };
  std::vector<MergeKey> keys(faces.size()), spare(faces.size());
  for (std::size_t i = 0; i < faces.size(); ++i) keys[i] = {faces[i].depth, i};
  std::vector<std::size_t> runs = fills.runStarts;
  runs.push_back(faces.size());
  const auto farther = [](const MergeKey& a, const MergeKey& b) { return a.depth > b.depth; };
  const auto at = [](std::vector<MergeKey>& v, std::size_t i) { return v.begin() + static_cast<std::ptrdiff_t>(i); };
  if (runs.size() > 2) {
    while (runs.size() > 2) {
      std::vector<std::size_t> merged;
      for (std::size_t r = 0; r + 1 < runs.size(); r += 2) {
        merged.push_back(runs[r]);
        if (r + 2 < runs.size()) {
          std::merge(at(keys, runs[r]), at(keys, runs[r + 1]), at(keys, runs[r + 1]), at(keys, runs[r + 2]),
                     at(spare, runs[r]), farther);
        } else {
          std::copy(at(keys, runs[r]), at(keys, runs[r + 1]), at(spare, runs[r]));
        }
      }
      merged.push_back(faces.size());
      runs = std::move(merged);
      keys.swap(spare);
    }
    std::vector<FaceFill> ordered;
    ordered.reserve(faces.size());
    for (const MergeKey& key : keys) ordered.push_back(faces[key.face]);
    faces.swap(ordered);
  }
  fills.runStarts.assign(1, 0);  // one run now, farthest first
  auto trianglesOf = [&](const FaceFill& face) {
    return face.triangleCount > 0 ? fills.triangles.data() + face.firstTriangle : nullptr;
  };
  auto ownEdgesOf = [&](const FaceFill& face) {
    return face.firstOwnEdge != FaceFill::kEveryEdgeOwn ? fills.ownEdges.data() + face.firstOwnEdge : nullptr;
  };
  ScopedPenBrush scope(dc, nullptr, nullptr);
  COLORREF penColour = 0, brushColour = 0;
  bool anyTranslucent = false;
  auto paint = [&](const FaceFill& face) {
    if (!scope.pen || face.outline != penColour) {
      scope.setPen(solidPen(1, face.outline));
      penColour = face.outline;
    }
    if (!scope.brush || face.colour != brushColour) {
      scope.setBrush(CreateSolidBrush(face.colour));
      brushColour = face.colour;
    }
    depthPolygon(dc, fills.points.data() + face.firstPoint, static_cast<int>(face.pointCount), face.plane,
                 face.alpha, trianglesOf(face), static_cast<int>(face.triangleCount), ownEdgesOf(face),
                 /*subPixel=*/true);
  };
  // The opaque faces in one call (nearest filled first, the same pixels);
  // one by one where the DC has no depth pass.
  std::vector<DepthFace> opaque;
  opaque.reserve(faces.size());
  for (const FaceFill& face : faces) {
    if (face.alpha < 1.0) {
      anyTranslucent = true;
    } else {
      opaque.push_back(DepthFace{fills.points.data() + face.firstPoint, static_cast<int>(face.pointCount), face.plane,
                                 face.colour, face.outline, trianglesOf(face), static_cast<int>(face.triangleCount),
                                 /*subPixel=*/true});
    }
  }
  if (!fills.ownEdges.empty()) {  // pieces of clipped faces in the frame
    std::size_t k = 0;
    for (const FaceFill& face : faces) {
      if (!(face.alpha < 1.0)) opaque[k++].outlined = ownEdgesOf(face);
    }
  }
  if (!depthOpaqueFaces(dc, opaque.data(), opaque.size())) {
    for (const FaceFill& face : faces) {
      if (!(face.alpha < 1.0)) paint(face);
    }
  }
  if (!anyTranslucent) return;
  for (const FaceFill& face : faces) {
    if (face.alpha < 1.0) paint(face);
  }
}

// ---- Full face drawing ------------------------------------------------------------

std::vector<std::uint32_t> featureEdgesOf(const MeshData& mesh) { return flaggedEdges(buildFeatureEdgeFlags(mesh)); }

namespace {

// Feature edges (every edge when forced) over the projected vertices, and
// the bright core of a forced selected mesh. `features` are the mesh's
// featureEdgesOf when known.
void drawMeshEdges(HDC dc, FramePens& pens, const ViewContext& view, const Object& object, bool selected,
                   const std::vector<POINT>& points, const std::vector<double>& nearness, const MeshEdgeStyle& style,
                   const std::vector<std::uint32_t>* features) {
  const MeshData& mesh = object.meshData;
  const auto& edges = mesh.edges.read();
  const std::int64_t edgeStride = strideFor(static_cast<std::int64_t>(edges.size()), kEdgeDrawLimit);
  MeshEdgeLines lines(view, object, LineDepth::Tested);
  auto line = [&](const MeshEdge& edge) {
    lines.draw(dc, edge.first, edge.second, points[edge.first], points[edge.second], nearness[edge.first],
               nearness[edge.second]);
  };
  auto allEdges = [&] {
    for (std::size_t e = 0; e < edges.size(); e += static_cast<std::size_t>(edgeStride)) {
      if (edgeWithin(edges[e], points.size())) line(edges[e]);
    }
  };
  const HGDIOBJ previousPen = SelectObject(dc, pens.solid(style.force && selected ? 2 : 1, style.edge));
  if (style.force) {
    allEdges();
  } else if (features) {
    for (std::uint32_t e : *features) line(edges[e]);
  } else {
    const std::vector<std::uint8_t> flags = buildFeatureEdgeFlags(mesh);
    for (std::size_t e = 0; e < edges.size(); e += static_cast<std::size_t>(edgeStride)) {
      if (edgeWithin(edges[e], points.size()) && flags[e]) line(edges[e]);
    }
  }
  if (selected && style.force) {
    SelectObject(dc, pens.solid(1, kMeshSelectedEdgeOverlay));
    allEdges();
  }
  SelectObject(dc, previousPen);
}

// The vertices a draw at `faceStride` reads: the corners of the sampled
// faces and the ends of the edges at the edge stride that may be drawn (with
// `featureFlags`, only the flagged ones).
std::vector<std::uint8_t> verticesDrawnAt(const MeshData& mesh, std::int64_t faceStride,
                                          const std::vector<std::uint8_t>* featureFlags) {
  const std::size_t count = mesh.vertices.read().size();
  std::vector<std::uint8_t> needed(count, 0);
  auto need = [&](std::int64_t v) {
    if (indexWithin(v, count)) needed[static_cast<std::size_t>(v)] = 1;
  };
  const auto& faces = mesh.faces.read();
  for (std::size_t f = 0; f < faces.size(); f += static_cast<std::size_t>(faceStride)) {
    for (std::int32_t index : faces[f].indices) need(index);
  }
  const auto& edges = mesh.edges.read();
  const auto edgeStride = static_cast<std::size_t>(strideFor(static_cast<std::int64_t>(edges.size()), kEdgeDrawLimit));
  for (std::size_t e = 0; e < edges.size(); e += edgeStride) {
    if (featureFlags && !(*featureFlags)[e]) continue;
    need(edges[e].first);
    need(edges[e].second);
  }
  return needed;
}

}  // namespace

std::shared_ptr<const MeshProjection> projectMesh(const Object& object, const ViewContext& view,
                                                  std::int64_t faceStride, const RECT& clientRect,
                                                  const std::vector<std::uint8_t>* featureFlags, bool withFaces,
                                                  const FrameDrawList* unlessOutside) {
  std::vector<std::uint8_t> needed;
  if (faceStride > 1) needed = verticesDrawnAt(object.meshData, faceStride, featureFlags);
  auto projection = std::make_shared<MeshProjection>();
  std::vector<double> depths;
  std::vector<POINT> subPixels;
  projectMeshVertices(object, view, projection->points, depths, needed.empty() ? nullptr : &needed,
                      withFaces ? &subPixels : nullptr);
  if (withFaces && unlessOutside) {
    projection->outside = projectionOutside(*projection, boundsOf(projection->points), *unlessOutside, object);
  }
  if (withFaces && !projection->outside) {
    projection->faces = buildProjectedFaces(object, view, subPixels, depths, faceStride, clientRect);
  }
  projection->nearness.resize(depths.size());
  for (std::size_t i = 0; i < depths.size(); ++i) {
    if (needed.empty() || needed[i]) projection->nearness[i] = depthNearness(view, depths[i]);
  }
  return projection;
}

std::int64_t meshFaceStride(const MeshData& mesh) {
  const auto faceCount = static_cast<std::int64_t>(mesh.faces.size());
  const auto corners = static_cast<std::int64_t>(cornersAt(mesh, 1));
  return std::max(strideFor(faceCount, kMeshDrawFaceLimit), strideFor(corners, kMeshDrawCornerLimit));
}

std::size_t meshPaintUnits(const Object& object) {
  if (!meshDataRenderable(object)) return 0;
  if (omitFullMeshPreview(object)) return proxyPaintUnits(object);
  const MeshData& mesh = object.meshData;
  const auto edgeCount = static_cast<std::int64_t>(mesh.edges.size());
  const std::int64_t edgeStride = strideFor(edgeCount, kEdgeDrawLimit);
  return mesh.vertices.size() + cornersAt(mesh, meshFaceStride(mesh)) +
         static_cast<std::size_t>((edgeCount + edgeStride - 1) / edgeStride);
}

void queueMeshDataFaces(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                        PreviewDrawShare* share) {
  if (!meshDataRenderable(object)) {
    queueObjectStep(list, drawCubePrimitive, clientRect, object, selected);
    return;
  }
  if (omitFullMeshPreview(object)) {
    queueOversizedMeshProxy(list, clientRect, object, selected, share);
    return;
  }
  const ViewContext view = currentViewContext(clientRect);
  const MeshData& mesh = object.meshData;
  const std::int64_t faceStride = meshFaceStride(mesh);
  const MeshEdgeStyle style = meshEdgeStyle(object, selected, list.frame.shading);
  const bool fills = shadingFillsFaces(list.frame.shading);
  std::shared_ptr<const MeshProjection> projection;
  std::shared_ptr<const std::vector<std::uint32_t>> features;
  if (MeshDrawEntry* kept = keptMeshEntry(list, share)) {
    updateKeptMesh(*kept, object, view, faceStride, clientRect, fills, !style.force, share, list);
    if (keptMeshOutside(*kept, list, object)) {
      list.clientRect = clientRect;
      return;
    }
    queueKeptFaceFills(*kept, list.fills, list.frame, view, object, selected, style.outline);
    projection = kept->projection;
    features = kept->featureEdges;
  } else {
    auto fresh =
        std::const_pointer_cast<MeshProjection>(projectMesh(object, view, faceStride, clientRect, nullptr, fills, &list));
    if (projectionOutside(*fresh, boundsOf(fresh->points), list, object)) {
      list.clientRect = clientRect;
      return;
    }
    queueFaceFills(list.fills, list.frame, view, object, fresh->faces, selected, style.outline);
    // The edges read the corners alone: the projected faces go now.
    std::vector<ProjectedFace>().swap(fresh->faces);
    projection = std::move(fresh);
    if (share && !style.force) features = sharedFeatureEdgeList(*share, mesh);
  }
  list.clientRect = clientRect;
  list.steps.push_back([view, &object, selected, projection, features, style, pens = list.pens.get()](HDC dc) {
    drawMeshEdges(dc, *pens, view, object, selected, projection->points, projection->nearness, style,
                  features.get());
  });
}

void queueObjectStep(FrameDrawList& list, ObjectDrawFn draw, const RECT& clientRect, const Object& object,
                     bool selected) {
  list.steps.push_back([draw, clientRect, &object, selected](HDC dc) { draw(dc, clientRect, object, selected); });
}

void paintFrameDrawList(HDC dc, FrameDrawList& list) {
  // Wireframe fills nothing, so its edges all show without a buffer.
  const bool depth = shadingFillsFaces(list.frame.shading);
  if (depth && !list.depthBegun) beginFrameDepthPass(dc, list);
  paintFaceFills(dc, list.fills);
  for (const auto& step : list.steps) step(dc);
  if (depth) endDepthPass();
}

// ---- Fit and edge tests -----------------------------------------------------
bool polygonFitsViewport(const std::vector<POINT>& points, const RECT& clientRect) {
  if (points.size() < 3) return false;
  const double w = std::max<double>(static_cast<double>(clientRect.right) - clientRect.left, 1.0);
  const double h = std::max<double>(static_cast<double>(clientRect.bottom) - clientRect.top, 1.0);
  const double l = std::max(w, h);
  double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (const POINT& p : points) {
    if (p.x < -6.0 * l || p.x > 6.0 * l + w || p.y < -6.0 * l || p.y > 6.0 * l + h) return false;
    minX = std::min<double>(minX, p.x), maxX = std::max<double>(maxX, p.x);
    minY = std::min<double>(minY, p.y), maxY = std::max<double>(maxY, p.y);
  }
  if (maxX - minX > 5.0 * l || maxY - minY > 5.0 * l) return false;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const POINT& a = points[k];
    const POINT& b = points[(k + 1) % points.size()];
    const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    if (std::sqrt(dx * dx + dy * dy) > 4.5 * l) return false;
  }
  return true;
}

bool shouldDrawEdge(const MeshData& mesh, const MeshEdge& edge, bool force) {
  if (force) return true;
  if (!edgeWithin(edge, mesh.vertices.read().size())) return false;
  const std::int64_t a = edge.first, b = edge.second;
  std::int64_t adjacent = 0;
  Vec3 normals[2];
  for (const MeshFace& face : mesh.faces.read()) {
    const std::size_t n = face.indices.size();
    if (n < 2) continue;
    bool uses = false;
    for (std::size_t k = 0; k < n && !uses; ++k) {
      const std::int64_t p = face.indices[k], q = face.indices[(k + 1) % n];
      uses = (p == a && q == b) || (p == b && q == a);
    }
    if (!uses) continue;
    if (adjacent < 2) normals[adjacent] = faceNormal(mesh, face);
    ++adjacent;
  }
  if (adjacent < 2) return true;
  return vec3Dot(normals[0], normals[1]) < 0.72;
}

}  // namespace vk
