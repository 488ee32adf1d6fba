// Deriving a mesh's edge list, face arrays, bounds and summary (past a
// corner limit the edge list samples corners, so a huge mesh derives in
// bounded time); the rebuilds that edits and the load guard run; and the
// small geometric queries the edits, the viewport and the shading code share.
//
// Sections:
//   - Edge lists and derived arrays
//   - Rebuilding a mesh
//   - Face geometry
//   - Renderability, selections and loops
#include "model/mesh_data.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string>
#include <unordered_map>

#include "model/math.h"
#include "model/primitives.h"

namespace vk {

namespace {

const Vec3 kUp{0.0, 1.0, 0.0};
// A face whose first corners' cross product is no longer than this has no
// area: the derivation counts it degenerate, and the load guard's rule too.
constexpr double kNoAreaCrossLength = 1e-6;

bool inRange(std::int32_t index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

inline Vec3 firstCornerCross(const std::vector<Vec3>& vertices, const std::int32_t* corners) {
  const Vec3& p0 = vertices[static_cast<std::size_t>(corners[0])];
  return vec3Cross(vertices[static_cast<std::size_t>(corners[1])] - p0, vertices[static_cast<std::size_t>(corners[2])] - p0);
}

inline Vec3 firstCornerCross(const std::vector<Vec3>& vertices, const MeshFace& face) {
  return firstCornerCross(vertices, face.indices.data());
}

// std::to_wstring goes through swprintf, which costs more than the rest of a
// small mesh's summary; every open derives one per object.
std::wstring decimal(std::size_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::wstring(digits, end);
}

}  // namespace

// ---- Edge lists and derived arrays ------------------------------------------
namespace {

// Corners above the budget are sampled every stride-th one.
std::int64_t sampleStride(std::int64_t corners) {
  return corners <= kEdgeListCornerLimit ? 1 : (corners + kEdgeListCornerLimit - 1) / kEdgeListCornerLimit;
}

template <class CornersOf>
std::int64_t cornerTotal(std::size_t count, CornersOf cornersOf) {
  std::int64_t corners = 0;
  for (std::size_t f = 0; f < count; ++f) corners += static_cast<std::int64_t>(cornersOf(f).size());
  return corners;
}

// Walks faces' corners in order and visits every stride-th one's pair of
// distinct in-range ends. `ordinal` numbers the corners of faces with two or
// more; a face's sampled corners are visited directly rather than tested one
// by one.
struct CornerPairSampler {
  std::int64_t stride = 1;
  std::int64_t ordinal = 0, nextSampled = 0;

  template <class Visit>
  void face(std::span<const std::int32_t> corners, std::size_t vertexCount, Visit&& visit) {
    const auto n = static_cast<std::int64_t>(corners.size());
    if (n < 2) return;
    for (; nextSampled < ordinal + n; nextSampled += stride) {
      const auto k = static_cast<std::size_t>(nextSampled - ordinal);
      const std::int32_t a = corners[k];
      const std::int32_t b = k + 1 < corners.size() ? corners[k + 1] : corners[0];
      if (a == b || !inRange(a, vertexCount) || !inRange(b, vertexCount)) continue;
      visit(static_cast<std::uint32_t>(std::min(a, b)), static_cast<std::uint32_t>(std::max(a, b)));
    }
    ordinal += n;
  }
};

// visit(lo, hi) for every sampled corner's pair, in corner order.
template <class CornersOf, class Visit>
void forEachSampledPair(std::size_t count, std::size_t vertexCount, std::int64_t stride, CornersOf cornersOf,
                        Visit visit) {
  CornerPairSampler sampler{stride};
  for (std::size_t f = 0; f < count; ++f) sampler.face(cornersOf(f), vertexCount, visit);
}

// The sampled corners' pairs, lower and upper ends in corner order.
struct SampledPairs {
  std::vector<std::uint32_t> los, his;
  void reserveFor(std::int64_t corners, std::int64_t stride) {
    const auto expected = static_cast<std::size_t>(std::min<std::int64_t>(corners / stride + 16, kEdgeListCornerLimit));
    los.reserve(expected);
    his.reserve(expected);
  }
  void add(std::uint32_t lo, std::uint32_t hi) {
    los.push_back(lo);
    his.push_back(hi);
  }
};

// Unique pairs in order of first appearance, found per lower end: the pairs
// are bucketed by it (stably, so each bucket keeps corner order) and a stamp
// per upper end marks the ones its bucket has seen. Linear, and far kinder to
// the cache than one hash probe per corner.
std::vector<MeshEdge> firstAppearances(const SampledPairs& pairs, std::size_t vertexCount) {
  const std::vector<std::uint32_t>& los = pairs.los;
  const std::vector<std::uint32_t>& his = pairs.his;
  const std::size_t m = los.size();
  std::vector<std::uint32_t> start(vertexCount + 1, 0);
  for (std::uint32_t lo : los) ++start[lo + 1];
  for (std::size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];
  std::vector<std::uint32_t> order(m);
  {
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t c = 0; c < m; ++c) order[fill[los[c]]++] = static_cast<std::uint32_t>(c);
  }
  std::vector<std::uint8_t> first(m, 0);
  std::vector<std::uint32_t> stamp(vertexCount, UINT32_MAX);
  for (std::size_t lo = 0; lo < vertexCount; ++lo) {
    for (std::uint32_t i = start[lo]; i < start[lo + 1]; ++i) {
      const std::uint32_t c = order[i];
      if (stamp[his[c]] == lo) continue;
      stamp[his[c]] = static_cast<std::uint32_t>(lo);
      first[c] = 1;
    }
  }
  std::vector<MeshEdge> edges;
  edges.reserve(m);
  for (std::size_t c = 0; c < m; ++c) {
    if (first[c]) edges.emplace_back(los[c], his[c]);
  }
  return edges;
}

// The edge list of the faces that `cornersOf(f)` yields for f in [0, count):
// unique (smaller, larger) pairs in order of first appearance, sampled with a
// stride above the corner budget.
template <class CornersOf>
std::vector<MeshEdge> edgeListOfFaces(std::size_t count, std::size_t vertexCount, CornersOf cornersOf) {
  if (count == 0) return {};
  const std::int64_t corners = cornerTotal(count, cornersOf);
  const std::int64_t stride = sampleStride(corners);
  SampledPairs pairs;
  pairs.reserveFor(corners, stride);
  forEachSampledPair(count, vertexCount, stride, cornersOf,
                     [&](std::uint32_t lo, std::uint32_t hi) { pairs.add(lo, hi); });
  return firstAppearances(pairs, vertexCount);
}

// The per-face arrays of a mesh (normal, material, UV check), in one pass
// over its faces. With `pairs`, the same pass also samples the edge pairs
// at the stride its corner count would have if every face had the first
// face's size (true of triangle and quad meshes); `pairsStride` says which
// stride that was. Returns the corner total.
std::int64_t deriveFaceArrays(MeshData& mesh, SampledPairs* pairs, std::int64_t& pairsStride) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  const std::vector<MeshFace>& faces = mesh.faces.read();
  const std::size_t uvCount = mesh.uvs.size();
  const std::size_t vertexCount = vertices.size();
  // Refilled in place where this mesh alone holds them.
  std::vector<Vec3>& normals = mesh.normals.refill(faces.size());
  std::vector<std::int32_t>& materialIndices = mesh.faceMaterialIndices.refill(faces.size());
  bool uvsOk = uvCount > 0 && !faces.empty();
  std::int32_t degenerate = 0;
  auto allInRange = [](const std::int32_t* list, std::size_t n, std::size_t count) {
    for (std::size_t k = 0; k < n; ++k)
      if (!inRange(list[k], count)) return false;
    return true;
  };
  std::int64_t stride = 1, corners = 0;
  if (pairs && !faces.empty()) {
    stride = sampleStride(static_cast<std::int64_t>(faces.size()) *
                          static_cast<std::int64_t>(faces.front().indices.size()));
    pairs->reserveFor(static_cast<std::int64_t>(faces.size()) * static_cast<std::int64_t>(faces.front().indices.size()),
                      stride);
  }
  pairsStride = stride;
  CornerPairSampler sampler{stride};
  for (const MeshFace& face : faces) {
    const std::size_t n = face.indices.size();
    const std::int32_t* ix = face.indices.data();
    corners += static_cast<std::int64_t>(n);
    materialIndices.push_back(face.materialIndex);
    const bool usable = n >= 3 && allInRange(ix, n, vertexCount);
    if (uvsOk) uvsOk = face.uvIndices.size() == n && allInRange(face.uvIndices.data(), n, uvCount);
    Vec3 normal = kUp;
    if (usable) {
      Vec3 c = firstCornerCross(vertices, ix);
      double length = vec3Length(c);
      if (length <= kNoAreaCrossLength) {
        ++degenerate;
      } else {
        normal = c / length;
      }
    } else {
      ++degenerate;
    }
    normals.push_back(normal);
    if (pairs)
      sampler.face({ix, n}, vertexCount, [&](std::uint32_t lo, std::uint32_t hi) { pairs->add(lo, hi); });
  }
  mesh.degenerateFaces = degenerate;
  mesh.normalsValid = degenerate == 0 && normals.size() == faces.size();
  mesh.uvsValid = uvsOk;
  return corners;
}

// Bounds and the per-vertex UV placeholders.
void deriveVertexArrays(MeshData& mesh) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  mesh.boundsValid = !vertices.empty();
  mesh.uvPlaceholderValid = false;
  std::vector<Vec2>& placeholders = mesh.uvPlaceholders.refill(vertices.size());
  if (vertices.empty()) return;
  Vec3 lo = vertices.front();
  Vec3 hi = vertices.front();
  for (const Vec3& v : vertices) {
    lo = vec3Min(lo, v);
    hi = vec3Max(hi, v);
    placeholders.push_back({std::clamp(v.x + 0.5, 0.0, 1.0), std::clamp(v.z + 0.5, 0.0, 1.0)});
  }
  mesh.boundsMin = lo;
  mesh.boundsMax = hi;
  mesh.uvPlaceholderValid = true;
}

// The object's counts and the mesh's one-line summary, from the derived arrays.
void writeMeshSummary(Object& object) {
  MeshData& mesh = object.meshData;
  const std::size_t vertices = mesh.vertices.size(), faces = mesh.faces.size(), uvCount = mesh.uvs.size();
  object.mesh.vertices = static_cast<std::int32_t>(vertices);
  object.mesh.edges = static_cast<std::int32_t>(mesh.edges.size());
  object.mesh.faces = static_cast<std::int32_t>(faces);

  std::wstring summary = L"MeshData v1 | vertices " + decimal(vertices) + L" | edges " +
                         decimal(mesh.edges.size()) + L" | faces " + decimal(faces) +
                         L" | normals " + decimal(mesh.normals.size()) + L" | UVs " + decimal(uvCount);
  summary += mesh.uvsValid ? L" valid" : (uvCount == 0 ? L" none" : L" invalid");
  summary += L" | UV placeholders " + decimal(mesh.uvPlaceholders.size());
  summary += mesh.degenerateFaces > 0
                 ? L" | warning: degenerate faces " + decimal(static_cast<std::size_t>(mesh.degenerateFaces))
                 : std::wstring(L" | valid topology seed");
  mesh.validation = std::move(summary);
}

}  // namespace

void generateEdgeList(MeshData& mesh) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  mesh.edges = edgeListOfFaces(faces.size(), mesh.vertices.size(),
                               [&](std::size_t f) { return std::span<const std::int32_t>(faces[f].indices); });
}

void edgeListOf(const FlatFaces& faces, std::size_t vertexCount, std::vector<MeshEdge>& edges,
                std::vector<std::uint32_t>& scratch) {
  edges.clear();
  if (faces.size() == 0) return;
  auto cornersOf = [&](std::size_t f) { return faces.corners(f); };
  const std::int64_t corners = static_cast<std::int64_t>(faces.indices.size());
  const std::int64_t stride = sampleStride(corners);
  // In refined faces every pair's larger end meets only a few smaller ones
  // (a midpoint its two ends and one centre, a centre its face's earlier
  // midpoints), so each vertex keeps the smaller ends it has seen in a few
  // slots; a vertex that would need more sends the whole list the general way.
  constexpr std::size_t kSlots = 4;
  scratch.assign(vertexCount * kSlots, UINT32_MAX);
  edges.reserve(static_cast<std::size_t>(corners / stride / 2 + 16));
  bool overflow = false;
  forEachSampledPair(faces.size(), vertexCount, stride, cornersOf, [&](std::uint32_t lo, std::uint32_t hi) {
    std::uint32_t* seen = scratch.data() + std::size_t{hi} * kSlots;
    for (std::size_t k = 0; k < kSlots; ++k) {
      if (seen[k] == lo) return;
      if (seen[k] == UINT32_MAX) {
        seen[k] = lo;
        edges.emplace_back(lo, hi);
        return;
      }
    }
    overflow = true;
  });
  if (overflow) edges = edgeListOfFaces(faces.size(), vertexCount, cornersOf);
}

void meshFacesOf(const FlatFaces& faces, std::vector<MeshFace>& out) {
  out.clear();
  out.reserve(faces.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    MeshFace& face = out.emplace_back();
    const std::span<const std::int32_t> corners = faces.corners(f);
    face.indices.assign(corners.begin(), corners.end());
    face.materialIndex = faces.materials[f];
  }
}

// ---- Rebuilding a mesh ------------------------------------------------------
void rebuildMeshData(Object& object) {
  MeshData& mesh = object.meshData;
  // One pass over the faces derives their arrays and, for meshes of one face
  // size, samples the edge pairs too; others sample again at their stride.
  SampledPairs pairs;
  std::int64_t stride = 1;
  const std::int64_t corners = deriveFaceArrays(mesh, &pairs, stride);
  const std::size_t vertexCount = mesh.vertices.size();
  if (mesh.faces.empty()) {
    mesh.edges = std::vector<MeshEdge>();
  } else if (sampleStride(corners) == stride) {
    mesh.edges = firstAppearances(pairs, vertexCount);
  } else {
    generateEdgeList(mesh);
  }
  deriveVertexArrays(mesh);
  writeMeshSummary(object);
}

bool LoadGuardFaceRule::keeps(std::span<const std::int32_t> corners) {
  const std::size_t n = corners.size();
  if (n < 3 || n > kMeshFaceCornerLimit) return false;
  for (const std::int32_t index : corners)
    if (!inRange(index, vertexCount_)) return false;
  if (n <= 4) {  // triangles and quads: their pairs compared directly
    const std::int32_t a = corners[0], b = corners[1], c = corners[2];
    if (a == b || a == c || b == c) return false;
    return n == 3 || (corners[3] != a && corners[3] != b && corners[3] != c);
  }
  // A stamp per vertex: the rule's ordinal for this face, so a longer face
  // costs its corners, not their pairs.
  if (stamps_.empty()) stamps_.assign(vertexCount_, 0);
  ++stamp_;
  for (const std::int32_t index : corners) {
    std::uint32_t& seen = stamps_[static_cast<std::size_t>(index)];
    if (seen == stamp_) return false;
    seen = stamp_;
  }
  return true;
}

bool faceSpansNoArea(const std::vector<Vec3>& vertices, std::span<const std::int32_t> corners) {
  return vec3Length(firstCornerCross(vertices, corners.data())) <= kNoAreaCrossLength;
}

void rebuildMeshGeometry(Object& object) {
  std::int64_t unused = 1;
  deriveFaceArrays(object.meshData, nullptr, unused);
  deriveVertexArrays(object.meshData);
  writeMeshSummary(object);
}

void initMeshData(Object& object) {
  const std::wstring label = object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text
                                 ? object.mesh.primitive
                                 : std::wstring(object.kind == ObjectKind::Group ? L"Group" : L"Empty");
  // The derived geometry of a label never changes: its arrays are shared
  // copy-on-write by every object made from it (opening a file of many
  // primitives costs one derivation each). Bounded, as labels come from files.
  struct Derived {
    MeshData mesh;
    MeshPrimitiveInfo counts;
  };
  static std::unordered_map<std::wstring, Derived> derived;
  if (auto found = derived.find(label); found != derived.end()) {
    object.meshData = found->second.mesh;
    object.mesh.vertices = found->second.counts.vertices;
    object.mesh.edges = found->second.counts.edges;
    object.mesh.faces = found->second.counts.faces;
    return;
  }
  object.meshData = createMeshDataForObject(label);
  rebuildMeshData(object);
  // Only a label of the primitives' own length: a file's long label is not kept.
  if (derived.size() < 64 && label.size() <= 64) derived.emplace(label, Derived{object.meshData, object.mesh});
}

// ---- Face geometry ----------------------------------------------------------
bool faceIndicesValid(const MeshData& mesh, const MeshFace& face) {
  return faceIndicesValid(face.indices, mesh.vertices.size());
}

bool faceIndicesValid(std::span<const std::int32_t> indices, std::size_t count) {
  if (indices.size() < 3) return false;
  // Two distinct values seen so far; a third distinct one settles it.
  std::int32_t first = 0, second = 0;
  int distinct = 0;
  for (std::int32_t index : indices) {
    if (!inRange(index, count)) return false;
    if (distinct == 0) {
      first = index;
      distinct = 1;
    } else if (distinct == 1 && index != first) {
      second = index;
      distinct = 2;
    } else if (distinct == 2 && index != first && index != second) {
      distinct = 3;
    }
  }
  return distinct >= 3;
}

Vec3 faceNormal(const MeshData& mesh, const MeshFace& face) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  if (face.indices.size() < 3) return kUp;
  for (int k = 0; k < 3; ++k) {
    if (!inRange(face.indices[k], vertices.size())) return kUp;
  }
  return vec3Normalize(firstCornerCross(vertices, face));
}

Vec3 meshCentroid(const MeshData& mesh) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  if (vertices.empty()) return {};
  Vec3 sum;
  for (const Vec3& v : vertices) sum += v;
  return sum / static_cast<double>(vertices.size());
}

Vec3 meshFaceCenter(const MeshData& mesh, const MeshFace& face) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  Vec3 sum;
  std::size_t used = 0;
  for (std::int32_t index : face.indices) {
    if (!inRange(index, vertices.size())) continue;
    sum += vertices[index];
    ++used;
  }
  return used == 0 ? Vec3{} : sum / static_cast<double>(used);
}

Vec3 faceOutwardNormal(const MeshData& mesh, const MeshFace& face, const Vec3& centroid) {
  Vec3 n = faceNormal(mesh, face);
  Vec3 d = meshFaceCenter(mesh, face) - centroid;
  if (vec3Length(d) > 1e-6 && vec3Dot(n, d) < 0.0) n = -n;
  return vec3Normalize(n);
}

Vec3 faceOutwardNormal(const MeshData& mesh, const MeshFace& face) {
  return faceOutwardNormal(mesh, face, meshCentroid(mesh));
}

Vec3 edgeOutwardNormal(const MeshData& mesh, std::int32_t a, std::int32_t b) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  if (!inRange(a, vertices.size()) || !inRange(b, vertices.size())) return kUp;
  const Vec3 centroid = meshCentroid(mesh);
  Vec3 sum;
  for (const MeshFace& face : mesh.faces) {
    const auto& ix = face.indices;
    if (std::find(ix.begin(), ix.end(), a) != ix.end() && std::find(ix.begin(), ix.end(), b) != ix.end()) {
      sum += faceOutwardNormal(mesh, face, centroid);
    }
  }
  if (vec3Length(sum) > 1e-6) return vec3Normalize(sum);
  return safeDirectionTo(mesh, (vertices[a] + vertices[b]) * 0.5);
}

Vec3 edgeOutwardNormal(const MeshData& mesh, const MeshEdge& edge) {
  // Indices past the signed range are out of range like any other.
  auto toIndex = [](std::uint32_t v) { return v > 0x7fffffffu ? -1 : static_cast<std::int32_t>(v); };
  return edgeOutwardNormal(mesh, toIndex(edge.first), toIndex(edge.second));
}

Vec3 vertexNormal(const MeshData& mesh, std::int32_t vertex) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  if (!inRange(vertex, vertices.size())) return kUp;
  const Vec3 centroid = meshCentroid(mesh);
  Vec3 sum;
  for (const MeshFace& face : mesh.faces) {
    if (std::find(face.indices.begin(), face.indices.end(), vertex) != face.indices.end()) {
      sum += faceOutwardNormal(mesh, face, centroid);
    }
  }
  if (vec3Length(sum) > 1e-6) return vec3Normalize(sum);
  return safeDirectionTo(mesh, vertices[vertex]);
}

void orientFaceOutward(const MeshData& mesh, MeshFace& face, const Vec3& centroid) {
  if (!faceIndicesValid(mesh, face)) return;
  Vec3 n = faceNormal(mesh, face);
  Vec3 d = meshFaceCenter(mesh, face) - centroid;
  if (vec3Length(d) > 1e-6 && vec3Dot(n, d) < 0.0) std::reverse(face.indices.begin(), face.indices.end());
}

void orientFaceOutward(const MeshData& mesh, MeshFace& face) { orientFaceOutward(mesh, face, meshCentroid(mesh)); }

void orientFacesOutward(const MeshData& mesh, std::vector<MeshFace>& faces) {
  const Vec3 centroid = meshCentroid(mesh);
  for (MeshFace& face : faces) orientFaceOutward(mesh, face, centroid);
}

void reverseWindingKeepFirst(std::span<std::int32_t> corners) {
  if (corners.size() > 2) std::reverse(corners.begin() + 1, corners.end());
}

void reverseWindingKeepFirst(MeshFace& face) {
  reverseWindingKeepFirst(face.indices);
  if (face.uvIndices.size() == face.indices.size()) reverseWindingKeepFirst(face.uvIndices);
}

// ---- Renderability, selections and loops ------------------------------------
bool meshDataRenderable(const Object& object) {
  if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) return false;
  const std::size_t vertices = object.meshData.vertices.size();
  const std::size_t faces = object.meshData.faces.size();
  return vertices >= 1 && vertices <= kLoadGuardVertexLimit && faces >= 1 && faces <= kLoadGuardFaceLimit;
}

void toggleIndexSelection(std::vector<std::int32_t>& selection, std::int32_t index, bool additive) {
  if (!additive) selection.clear();
  auto found = std::find(selection.begin(), selection.end(), index);
  if (found == selection.end()) {
    selection.push_back(index);
  } else {
    selection.erase(found);
  }
}

void sanitizeIndexList(std::vector<std::int32_t>& list, std::int32_t count) {
  std::erase_if(list, [count](std::int32_t i) { return i < 0 || i >= count; });
  if (!std::is_sorted(list.begin(), list.end())) std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

void appendSimpleLoops(const MeshFace& face, std::vector<MeshFace>& out) {
  const bool pairedUvs = face.uvIndices.size() == face.indices.size();
  std::vector<MeshFace> pending{face};
  if (!pairedUvs) pending.back().uvIndices.clear();
  while (!pending.empty()) {
    MeshFace loop = std::move(pending.back());
    pending.pop_back();
    std::unordered_map<std::int32_t, std::size_t> firstSeen;
    std::size_t i = 0, j = 0;
    bool repeated = false;
    for (std::size_t k = 0; k < loop.indices.size() && !repeated; ++k) {
      auto [it, inserted] = firstSeen.emplace(loop.indices[k], k);
      if (!inserted) {
        i = it->second;
        j = k;
        repeated = true;
      }
    }
    if (!repeated) {
      if (loop.indices.size() >= 3) out.push_back(std::move(loop));
      continue;
    }
    auto slice = [&](const CornerList& list, bool outer) {
      CornerList part;
      if (list.empty()) return part;
      if (outer) {
        part.assign(list.begin(), list.begin() + i);
        part.insert(part.end(), list.begin() + j, list.end());
      } else {
        part.assign(list.begin() + i, list.begin() + j);
      }
      return part;
    };
    MeshFace outer{slice(loop.indices, true), slice(loop.uvIndices, true), loop.materialIndex};
    MeshFace inner{slice(loop.indices, false), slice(loop.uvIndices, false), loop.materialIndex};
    // Depth first, outer loop (which keeps the first corner) first.
    pending.push_back(std::move(inner));
    pending.push_back(std::move(outer));
  }
}


}  // namespace vk
