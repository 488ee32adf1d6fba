// The topology previews: Bevel insets every face, Solidify gives the surface
// two offset layers joined along its open edges, Subdivision refines with a
// smoothing split into quads, and the Lattice cage boxes an element in.
//
// Sections:
//   - Mesh helpers and the refinement pass
//   - Bevel and Solidify
//   - Subdivision
//   - Faces each builder would make, counted before it runs
//   - Lattice cage
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "model/math.h"
#include "model/mesh_data.h"
#include "shading/modifiers.h"
#include "shading/shading_internal.h"

namespace vk {

namespace {

// Vertices or faces past which Bevel and Solidify build no preview and
// Subdivision runs no further pass.
constexpr std::size_t kBevelLimit = 12000;
constexpr std::size_t kSolidifyLimit = 16000;
constexpr std::size_t kSubdivisionLimit = 30000;

// ---- Mesh helpers and the refinement pass -----------------------------------
bool inRange(std::int64_t index, std::size_t count) { return index >= 0 && static_cast<std::uint64_t>(index) < count; }

double clampFinite(double value, double lo, double hi, double fallback) {
  return std::isfinite(value) ? std::clamp(value, lo, hi) : fallback;
}

// The element's mesh becomes `mesh` under the label, then is derived.
void adoptMesh(Object& element, MeshData mesh, const wchar_t* label) {
  element.meshData = std::move(mesh);
  element.mesh.primitive = label;
  rebuildMeshData(element);
}

// Open-addressing map from an ordered vertex pair to the midpoint's index;
// one allocation per pass, linear time.
class MidpointMap {
 public:
  explicit MidpointMap(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < expected * 2) capacity *= 2;
    keys_.assign(capacity, 0);
    values_.resize(capacity);
  }
  // The stored index for the pair, or -1; `slot` receives where to insert.
  std::int32_t find(std::uint64_t key, std::size_t& slot) const {
    const std::size_t mask = keys_.size() - 1;
    const std::uint64_t stored = key + 1;
    for (std::size_t i = hash(stored) & mask;; i = (i + 1) & mask) {
      if (keys_[i] == stored) return values_[i];
      if (keys_[i] == 0) {
        slot = i;
        return -1;
      }
    }
  }
  void insertAt(std::size_t slot, std::uint64_t key, std::int32_t value) {
    keys_[slot] = key + 1;
    values_[slot] = value;
    if (++count_ * 2 > keys_.size()) grow();
  }

 private:
  static std::size_t hash(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<std::size_t>(key);
  }
  void grow() {
    std::vector<std::uint64_t> oldKeys = std::move(keys_);
    std::vector<std::int32_t> oldValues = std::move(values_);
    keys_.assign(oldKeys.size() * 2, 0);
    values_.resize(keys_.size());
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t k = 0; k < oldKeys.size(); ++k) {
      if (oldKeys[k] == 0) continue;
      std::size_t i = hash(oldKeys[k]) & mask;
      while (keys_[i] != 0) i = (i + 1) & mask;
      keys_[i] = oldKeys[k];
      values_[i] = oldValues[k];
    }
  }
  std::vector<std::uint64_t> keys_;
  std::vector<std::int32_t> values_;
  std::size_t count_ = 0;
};

// Per-vertex lists in compressed rows: offsets[v] .. offsets[v + 1] index `items`.
struct VertexLists {
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> items;
  std::size_t size(std::size_t v) const { return offsets[v + 1] - offsets[v]; }
};

// The faces holding each vertex, each face once, in face order.
VertexLists vertexFaceLists(const MeshData& mesh) {
  const auto& faces = mesh.faces.read();
  const std::size_t count = mesh.vertices.size();
  VertexLists lists;
  lists.offsets.assign(count + 2, 0);
  std::vector<std::uint32_t> lastFace(count, UINT32_MAX);
  auto forEachDistinctCorner = [&](auto&& visit) {
    std::fill(lastFace.begin(), lastFace.end(), UINT32_MAX);
    for (std::size_t f = 0; f < faces.size(); ++f) {
      for (std::int32_t index : faces[f].indices) {
        if (!inRange(index, count) || lastFace[static_cast<std::size_t>(index)] == f) continue;
        lastFace[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(f);
        visit(static_cast<std::size_t>(index), static_cast<std::uint32_t>(f));
      }
    }
  };
  forEachDistinctCorner([&](std::size_t v, std::uint32_t) { ++lists.offsets[v + 2]; });
  for (std::size_t v = 2; v < lists.offsets.size(); ++v) lists.offsets[v] += lists.offsets[v - 1];
  lists.items.resize(lists.offsets.back());
  forEachDistinctCorner([&](std::size_t v, std::uint32_t f) { lists.items[lists.offsets[v + 1]++] = f; });
  lists.offsets.pop_back();
  return lists;
}

// Sorted intersection size of two face lists.
std::size_t sharedFaceCount(const VertexLists& lists, std::size_t a, std::size_t b) {
  const std::uint32_t* pa = lists.items.data() + lists.offsets[a];
  const std::uint32_t* ea = lists.items.data() + lists.offsets[a + 1];
  const std::uint32_t* pb = lists.items.data() + lists.offsets[b];
  const std::uint32_t* eb = lists.items.data() + lists.offsets[b + 1];
  std::size_t shared = 0;
  while (pa != ea && pb != eb) {
    if (*pa < *pb) {
      ++pa;
    } else if (*pb < *pa) {
      ++pb;
    } else {
      ++shared, ++pa, ++pb;
    }
  }
  return shared;
}

// vertexNormal for every vertex at once: each face's outward normal computed
// once and added to its distinct corners in face order.
std::vector<Vec3> allVertexNormals(const MeshData& mesh) {
  const auto& vertices = mesh.vertices.read();
  const auto& faces = mesh.faces.read();
  const Vec3 centroid = meshCentroid(mesh);
  std::vector<Vec3> sums(vertices.size());
  std::vector<std::uint32_t> lastFace(vertices.size(), UINT32_MAX);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    bool computed = false;
    Vec3 normal;
    for (std::int32_t index : faces[f].indices) {
      if (!inRange(index, vertices.size()) || lastFace[static_cast<std::size_t>(index)] == f) continue;
      lastFace[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(f);
      if (!computed) normal = faceOutwardNormal(mesh, faces[f], centroid), computed = true;
      sums[static_cast<std::size_t>(index)] += normal;
    }
  }
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    sums[i] = vec3Length(sums[i]) > 1e-6 ? vec3Normalize(sums[i]) : safeDirectionTo(mesh, vertices[i]);
  }
  return sums;
}

std::uint64_t pairKey(std::int32_t a, std::int32_t b) {
  const auto lo = static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(a, b)));
  const auto hi = static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::max(a, b)));
  return (lo << 32) | hi;
}

// Whether orientFaceOutward, on the vertices made so far and their centroid
// kept running, would reverse the quad; same decision. Only the sign of the
// normalised normal against the offset matters, and the plain cross product
// has that sign too whenever the dot product clears its rounding error by
// far; near a tie, or with extreme magnitudes, the normalised test decides.
bool quadFacesInward(const std::vector<Vec3>& vertices, const Vec3& centroid, const std::int32_t (&quad)[4]) {
  const Vec3& p0 = vertices[static_cast<std::size_t>(quad[0])];
  const Vec3& p1 = vertices[static_cast<std::size_t>(quad[1])];
  const Vec3& p2 = vertices[static_cast<std::size_t>(quad[2])];
  const Vec3 c = vec3Cross(p1 - p0, p2 - p0);
  Vec3 sum;
  for (std::int32_t index : quad) sum += vertices[static_cast<std::size_t>(index)];
  const Vec3 d = sum / 4.0 - centroid;
  // vec3Length(d) > 1e-6 without the square root away from the threshold.
  const double dd = vec3Dot(d, d);
  if (!(dd > 2e-12) && !(dd >= 0.5e-12 && std::sqrt(dd) > 1e-6)) return false;
  // |p| > 1e-9 |c| |d| leaves rounding (a few ulps of |c| |d|) far behind.
  const double cc = vec3Dot(c, c);
  const double p = vec3Dot(c, d);
  const bool clear = cc > 2e-12 && cc < 1e150 && dd < 1e150 && p * p > 1e-18 * cc * dd;
  return clear ? p < 0.0 : vec3Dot(vec3Normalize(c), d) < 0.0;
}

// faceIndicesValid for four corners in range asks only for three distinct
// ones: two distinct values make at least two equal pairs among the six,
// three make exactly one.
inline bool quadHasThreeDistinct(const std::int32_t* q) {
  const int equalPairs = (q[0] == q[1]) + (q[0] == q[2]) + (q[0] == q[3]) + (q[1] == q[2]) + (q[1] == q[3]) +
                         (q[2] == q[3]);
  return equalPairs <= 1;
}

// faceIndicesValid, with the quads that refined meshes consist of decided inline.
inline bool refinableFace(std::span<const std::int32_t> corners, std::size_t count) {
  if (corners.size() != 4) return faceIndicesValid(corners, count);
  for (std::int32_t index : corners) {
    if (!inRange(index, count)) return false;
  }
  return quadHasThreeDistinct(corners.data());
}

// A mesh between refinement passes: positions, flat faces and their edges.
struct FlatMesh {
  std::vector<Vec3> vertices;
  FlatFaces faces;
  std::vector<MeshEdge> edges;
};

// What a pass allocates, kept from one pass to the next.
struct PassScratch {
  std::vector<Vec3> sums;
  std::vector<std::uint32_t> degree, edgeStart, edgeHigh, fill, edgeSlots;
  std::vector<std::int32_t> edgeMidpoint, sides;
};

// A preview's buffers, kept by the thread for the next preview (the user
// dragging a level or the smoothness rebuilds one after another) so that it
// reuses warm memory instead of faulting in fresh pages: the refinement's
// own, and the arrays of the last preview made (`made` shares them with
// it), which the next refills once that preview is gone. A refinement that
// grew them past kKeptRefineByteLimit frees them again.
struct RefineBuffers {
  PassScratch scratch;
  FlatMesh current, next;
  MeshData made;
};
constexpr std::size_t kKeptRefineByteLimit = std::size_t{48} << 20;

template <class T>
std::size_t bytesOf(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

std::size_t bytesOf(const FlatMesh& m) {
  return bytesOf(m.vertices) + bytesOf(m.faces.offsets) + bytesOf(m.faces.indices) + bytesOf(m.faces.materials) +
         bytesOf(m.edges);
}

std::size_t bytesOf(const MeshData& m) {
  return bytesOf(m.vertices.read()) + bytesOf(m.edges.read()) + bytesOf(m.faces.read()) + bytesOf(m.normals.read()) +
         bytesOf(m.uvPlaceholders.read()) + bytesOf(m.faceMaterialIndices.read());
}

std::size_t bytesOf(const RefineBuffers& b) {
  const PassScratch& s = b.scratch;
  return bytesOf(b.current) + bytesOf(b.next) + bytesOf(b.made) + bytesOf(s.sums) + bytesOf(s.degree) +
         bytesOf(s.edgeStart) + bytesOf(s.edgeHigh) + bytesOf(s.fill) + bytesOf(s.edgeSlots) +
         bytesOf(s.edgeMidpoint) + bytesOf(s.sides);
}

// One refinement pass over `count` faces that `faceAt(f)` yields as
// (corners, material) into `result`, whose buffers are reused. Edges not in
// `edges` still resolve, through a hash map, so stale or sampled edge lists
// only change the smoothing, as they always have.
template <class FaceAt>
void refinePass(const std::vector<Vec3>& vertices, const std::vector<MeshEdge>& edges, std::size_t faceCount,
                FaceAt faceAt, double s, PassScratch& scratch, FlatMesh& result) {
  std::vector<Vec3>& out = result.vertices;
  FlatFaces& outFaces = result.faces;
  out.clear();
  outFaces.clear();
  result.edges.clear();
  if (vertices.empty() || faceCount == 0) return;
  const std::size_t count = vertices.size();

  out.reserve(faceCount + edges.size() + count);
  // Corners first, smoothed toward the mean of their edge neighbours.
  const double w = 0.18 * s;
  if (s > 0.0001) {
    std::vector<Vec3>& sums = scratch.sums;
    std::vector<std::uint32_t>& degree = scratch.degree;
    sums.assign(count, Vec3{});
    degree.assign(count, 0);
    for (const MeshEdge& edge : edges) {
      if (edge.first >= count || edge.second >= count) continue;
      sums[edge.first] += vertices[edge.second];
      ++degree[edge.first];
      sums[edge.second] += vertices[edge.first];
      ++degree[edge.second];
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (degree[i] == 0) {
        out.push_back(vertices[i]);
      } else {
        const Vec3 avg = sums[i] / static_cast<double>(degree[i]);
        out.push_back(avg * w + vertices[i] * (1.0 - w));
      }
    }
  } else {
    out.assign(vertices.begin(), vertices.end());
  }
  // The orientation test's centroid is the mean of the vertices made so far,
  // kept as a running sum in creation order.
  Vec3 running;
  for (const Vec3& v : out) running += v;
  auto append = [&](const Vec3& v) {
    out.push_back(v);
    running += v;
    return static_cast<std::int32_t>(out.size() - 1);
  };

  // Most pairs are stored edges: found through their lower end's short list
  // of edges (cache-friendly); the others, and ends with long lists, through
  // a hash map made on first need. Either way a pair always resolves to the
  // same place.
  constexpr std::size_t kShortList = 16;
  std::vector<std::uint32_t>& edgeStart = scratch.edgeStart;
  edgeStart.assign(count + 1, 0);
  for (const MeshEdge& edge : edges) {
    if (edge.first < count && edge.second < count) ++edgeStart[edge.first + 1];
  }
  for (std::size_t v = 1; v <= count; ++v) edgeStart[v] += edgeStart[v - 1];
  std::vector<std::uint32_t>& edgeHigh = scratch.edgeHigh;
  std::vector<std::int32_t>& edgeMidpoint = scratch.edgeMidpoint;
  edgeHigh.resize(edgeStart[count]);
  edgeMidpoint.assign(edgeStart[count], -1);
  scratch.fill.assign(edgeStart.begin(), edgeStart.end() - 1);
  for (const MeshEdge& edge : edges) {
    if (edge.first < count && edge.second < count) edgeHigh[scratch.fill[edge.first]++] = edge.second;
  }
  std::optional<MidpointMap> midpoints;
  auto midpoint = [&](std::int32_t a, std::int32_t b) -> std::int32_t {
    if (!inRange(a, count) || !inRange(b, count)) return -1;
    const auto lo = static_cast<std::uint32_t>(std::min(a, b)), hi = static_cast<std::uint32_t>(std::max(a, b));
    auto make = [&] { return append((vertices[static_cast<std::size_t>(a)] + vertices[static_cast<std::size_t>(b)]) * 0.5); };
    if (edgeStart[lo + 1] - edgeStart[lo] <= kShortList) {
      for (std::uint32_t e = edgeStart[lo]; e < edgeStart[lo + 1]; ++e) {
        if (edgeHigh[e] != hi) continue;
        if (edgeMidpoint[e] < 0) edgeMidpoint[e] = make();
        return edgeMidpoint[e];
      }
    }
    if (!midpoints) midpoints.emplace(faceCount + 16);
    const std::uint64_t key = pairKey(a, b);
    std::size_t slot = 0;
    const std::int32_t found = midpoints->find(key, slot);
    if (found >= 0) return found;
    const std::int32_t index = make();
    midpoints->insertAt(slot, key, index);
    return index;
  };

  // The centroid changes only when a vertex is made.
  Vec3 centroid;
  std::size_t centroidOf = 0;
  outFaces.offsets.reserve(faceCount * 4 + 1);
  outFaces.indices.reserve(faceCount * 16);
  outFaces.materials.reserve(faceCount * 4);
  for (std::size_t f = 0; f < faceCount; ++f) {
    const auto [corners, material] = faceAt(f);
    if (!refinableFace(corners, count)) continue;
    const std::size_t n = corners.size();
    Vec3 centre;
    for (std::int32_t index : corners) centre += vertices[static_cast<std::size_t>(index)];
    const std::int32_t c = append(centre / static_cast<double>(n));
    // Side k runs from corner k to corner k + 1. Each side's midpoint is
    // looked up once, when a quad first needs it: the first quad needs side
    // 0 and the last side, each later quad its own side, so midpoints are
    // made in the same order as when every quad looked up both of its own.
    std::vector<std::int32_t>& sides = scratch.sides;
    sides.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::int32_t v = corners[k];
      if (k == 0) {
        sides[0] = midpoint(v, corners[1]);
        sides[n - 1] = midpoint(corners[n - 1], v);
      } else if (k + 1 < n) {
        sides[k] = midpoint(v, corners[k + 1]);
      }
      const std::int32_t m1 = sides[k];
      const std::int32_t m2 = sides[(k + n - 1) % n];
      if (m1 < 0 || m2 < 0) continue;
      std::int32_t quad[4] = {v, m1, c, m2};
      if (!quadHasThreeDistinct(quad)) continue;
      if (out.size() != centroidOf) centroid = running / static_cast<double>(out.size()), centroidOf = out.size();
      // Reversed by reading the corners backwards (k ^ 3), without a branch
      // on a sign that flips from quad to quad.
      const std::size_t turn = quadFacesInward(out, centroid, quad) ? 3 : 0;
      for (std::size_t k = 0; k < 4; ++k) outFaces.indices.push_back(quad[k ^ turn]);
      outFaces.offsets.push_back(static_cast<std::uint32_t>(outFaces.indices.size()));
      outFaces.materials.push_back(material);
    }
  }
}

// The first pass reads the element's own faces.
void refineMeshData(const MeshData& mesh, double s, PassScratch& scratch, FlatMesh& result) {
  const auto& faces = mesh.faces.read();
  refinePass(
      mesh.vertices.read(), mesh.edges.read(), faces.size(),
      [&](std::size_t f) { return std::pair{std::span<const std::int32_t>(faces[f].indices), faces[f].materialIndex}; },
      s, scratch, result);
}

// Later passes read the previous pass's flat faces and derived edges.
void refineFlat(const FlatMesh& mesh, double s, PassScratch& scratch, FlatMesh& result) {
  refinePass(
      mesh.vertices, mesh.edges, mesh.faces.size(),
      [&](std::size_t f) { return std::pair{mesh.faces.corners(f), mesh.faces.materials[f]}; }, s, scratch, result);
}

// A MeshData holding the refined vertices, faces and edges (if derived), in
// the arrays of `made` where they can be refilled: the refined vertices and
// edges move out and the recycled arrays take their place as `flat`'s
// buffers. The derived arrays come along for rebuildMeshGeometry to refill.
MeshData meshDataOf(FlatMesh& flat, MeshData& made) {
  std::swap(made.vertices.refill(flat.vertices.size()), flat.vertices);
  std::swap(made.edges.refill(flat.edges.size()), flat.edges);
  meshFacesOf(flat.faces, made.faces.refill(flat.faces.size()));
  MeshData out;
  out.vertices = std::move(made.vertices);
  out.edges = std::move(made.edges);
  out.faces = std::move(made.faces);
  out.normals = std::move(made.normals);
  out.uvPlaceholders = std::move(made.uvPlaceholders);
  out.faceMaterialIndices = std::move(made.faceMaterialIndices);
  return out;
}

}  // namespace

// ---- Bevel and Solidify -----------------------------------------------------
void applyModifierPreviewBevel(Object& element, double amount, int /*segments*/) {
  const MeshData& source = element.meshData;
  if (!meshDataRenderable(element) || source.vertices.size() > kBevelLimit || source.faces.size() > kBevelLimit) return;
  const double a = clampFinite(amount, 0.01, 0.42, 0.01);
  const auto& vertices = source.vertices.read();
  const auto& faces = source.faces.read();
  MeshData out;
  std::vector<Vec3> outVertices = vertices;
  std::vector<MeshFace> outFaces;
  outFaces.reserve(faces.size() * 5);
  std::vector<std::int32_t> inset;
  std::vector<std::int32_t> kept;
  for (const MeshFace& face : faces) {
    if (face.indices.size() < 3) continue;
    const Vec3 c = meshFaceCenter(source, face);
    inset.clear();
    kept.clear();
    for (std::int32_t index : face.indices) {
      if (!inRange(index, vertices.size())) continue;
      const Vec3& p = vertices[static_cast<std::size_t>(index)];
      inset.push_back(static_cast<std::int32_t>(outVertices.size()));
      kept.push_back(index);
      outVertices.push_back(p + (c - p) * a);
    }
    const std::size_t n = inset.size();
    if (n != face.indices.size() || n < 3) continue;
    outFaces.push_back(MeshFace{inset, {}, face.materialIndex});
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t next = (k + 1) % n;
      outFaces.push_back(MeshFace{{kept[k], kept[next], inset[next], inset[k]}, {}, face.materialIndex});
    }
  }
  if (outVertices.empty() || outFaces.empty()) return;
  out.vertices = std::move(outVertices);
  out.faces = std::move(outFaces);
  adoptMesh(element, std::move(out), L"Bevel Preview Mesh");
}

void applyModifierPreviewSolidify(Object& element, double thickness, double offset) {
  const MeshData& source = element.meshData;
  if (!meshDataRenderable(element) || source.vertices.size() > kSolidifyLimit || source.faces.size() > kSolidifyLimit) {
    return;
  }
  const double t = clampFinite(std::fabs(thickness), 0.01, 2.0, 0.01);
  const double o = clampFinite(offset, -1.0, 1.0, 0.0);
  const auto& vertices = source.vertices.read();
  const auto& faces = source.faces.read();
  const auto& edges = source.edges.read();
  const std::size_t n = vertices.size();
  const auto shift = static_cast<std::int32_t>(n);
  const std::vector<Vec3> normals = allVertexNormals(source);

  std::vector<Vec3> outVertices(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    outVertices[i] = vertices[i] - normals[i] * ((1.0 - o) * t / 2.0);
    outVertices[i + n] = vertices[i] + normals[i] * ((1.0 + o) * t / 2.0);
  }
  std::vector<MeshFace> outFaces;
  outFaces.reserve(faces.size() * 2 + edges.size());
  std::vector<std::int32_t> valid;
  for (const MeshFace& face : faces) {
    valid.clear();
    for (std::int32_t index : face.indices) {
      if (inRange(index, n)) valid.push_back(index);
    }
    if (valid.size() < 3) continue;
    outFaces.push_back(MeshFace{std::vector<std::int32_t>(valid.rbegin(), valid.rend()), {}, face.materialIndex});
    for (std::int32_t& index : valid) index += shift;
    outFaces.push_back(MeshFace{valid, {}, face.materialIndex});
  }
  // Counts faces holding both ends anywhere in their corner list, as the
  // rim test always has, not only as neighbours.
  const VertexLists lists = vertexFaceLists(source);
  for (const MeshEdge& edge : edges) {
    if (edge.first >= n || edge.second >= n) continue;
    if (sharedFaceCount(lists, edge.first, edge.second) > 1) continue;
    const auto a = static_cast<std::int32_t>(edge.first), b = static_cast<std::int32_t>(edge.second);
    outFaces.push_back(MeshFace{{a, b, b + shift, a + shift}, {}, 0});
  }
  if (outVertices.empty() || outFaces.empty()) return;
  MeshData out;
  out.vertices = std::move(outVertices);
  out.faces = std::move(outFaces);
  adoptMesh(element, std::move(out), L"Solidify Preview Mesh");
}

// ---- Subdivision ------------------------------------------------------------
MeshData subdivideMeshTopology(const MeshData& mesh, double smoothness) {
  PassScratch scratch;
  FlatMesh flat;
  refineMeshData(mesh, clampFinite(smoothness, 0.0, 1.0, 0.0), scratch, flat);
  MeshData fresh;
  return meshDataOf(flat, fresh);
}

MeshData subdivideMeshOnce(const MeshData& mesh, double smoothness) {
  // Derived on a holder so that the next pass finds fresh edges and bounds.
  Object holder;
  holder.meshData = subdivideMeshTopology(mesh, smoothness);
  if (holder.meshData.vertices.empty()) return std::move(holder.meshData);
  rebuildMeshData(holder);
  return std::move(holder.meshData);
}

void applyModifierPreviewSubdivision(Object& element, int levels, double smoothness) {
  if (!meshDataRenderable(element)) return;
  const int passes = std::clamp(levels, 0, 3);
  if (passes < 1) return;
  const double s = clampFinite(smoothness, 0.0, 1.0, 0.0);
  // Passes ping-pong between two flat meshes; only the edges, which the next
  // pass smooths along, are derived between them, and everything else once
  // at the end.
  thread_local RefineBuffers kept;
  RefineBuffers& buffers = kept;
  PassScratch& scratch = buffers.scratch;
  FlatMesh& current = buffers.current;
  FlatMesh& next = buffers.next;
  int ran = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const std::size_t vertexCount = ran ? current.vertices.size() : element.meshData.vertices.size();
    const std::size_t faceCount = ran ? current.faces.size() : element.meshData.faces.size();
    if (vertexCount > kSubdivisionLimit || faceCount > kSubdivisionLimit) break;
    if (ran) {
      refineFlat(current, s, scratch, next);
    } else {
      refineMeshData(element.meshData, s, scratch, next);
    }
    if (next.vertices.empty() || next.faces.size() == 0) break;
    edgeListOf(next.faces, next.vertices.size(), next.edges, scratch.edgeSlots);
    std::swap(current, next);
    ++ran;
  }
  element.mesh.primitive = L"Subdivision Preview Mesh";
  if (ran) {
    element.meshData = meshDataOf(current, buffers.made);
    rebuildMeshGeometry(element);
    buffers.made = element.meshData;
  } else {
    rebuildMeshData(element);
  }
  if (bytesOf(buffers) > kKeptRefineByteLimit) buffers = RefineBuffers{};
}

// ---- Faces each builder would make, counted before it runs ----------------

namespace {

// Adds saturating, so that no count from a hostile mesh wraps.
std::size_t addCapped(std::size_t a, std::size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }
std::size_t mulCapped(std::size_t a, std::size_t b) { return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b; }

}  // namespace

std::size_t predictBevelFaces(const Object& element) {
  const MeshData& source = element.meshData;
  if (!meshDataRenderable(element) || source.vertices.size() > kBevelLimit || source.faces.size() > kBevelLimit) return 0;
  std::size_t faces = 0;
  for (const MeshFace& face : source.faces.read()) {
    if (face.indices.size() >= 3) faces = addCapped(faces, 1 + face.indices.size());
  }
  return faces;
}

std::size_t predictSolidifyFaces(const Object& element) {
  const MeshData& source = element.meshData;
  if (!meshDataRenderable(element) || source.vertices.size() > kSolidifyLimit || source.faces.size() > kSolidifyLimit) {
    return 0;
  }
  std::size_t faces = 0;
  for (const MeshFace& face : source.faces.read()) faces += face.indices.size() >= 3 ? 2 : 0;
  return faces + source.edges.size();
}

std::size_t predictSubdivisionFaces(const Object& element, int levels) {
  if (!meshDataRenderable(element)) return 0;
  const int passes = std::clamp(levels, 0, 3);
  const MeshData& mesh = element.meshData;
  std::size_t vertices = mesh.vertices.size(), faces = mesh.faces.size();
  if (passes < 1 || vertices > kSubdivisionLimit || faces > kSubdivisionLimit) return 0;
  // The first pass from the mesh as it is: one quad per corner of each face
  // it refines, one vertex per face centre and per distinct side.
  std::size_t refined = 0, corners = 0;
  std::vector<std::uint64_t> sides;
  for (const MeshFace& face : mesh.faces.read()) {
    const std::span<const std::int32_t> c(face.indices);
    if (c.size() < 3 || !refinableFace(c, vertices)) continue;
    ++refined;
    corners = addCapped(corners, c.size());
    for (std::size_t k = 0; k < c.size(); ++k) sides.push_back(pairKey(c[k], c[(k + 1) % c.size()]));
  }
  std::sort(sides.begin(), sides.end());
  const auto distinct = static_cast<std::size_t>(std::unique(sides.begin(), sides.end()) - sides.begin());
  std::size_t built = corners;
  std::size_t edges = addCapped(mulCapped(distinct, 2), corners);
  vertices = addCapped(addCapped(vertices, refined), distinct);
  faces = corners;
  // Later passes refine quads: four per quad, a vertex per face and per edge.
  for (int pass = 1; pass < passes && faces != 0; ++pass) {
    if (vertices > kSubdivisionLimit || faces > kSubdivisionLimit) break;
    const std::size_t quads = mulCapped(faces, 4);
    vertices = addCapped(addCapped(vertices, faces), edges);
    edges = addCapped(mulCapped(edges, 2), quads);
    faces = quads;
    built = addCapped(built, quads);
  }
  return built;
}

// ---- Lattice cage -----------------------------------------------------------
Object makeLatticeCagePreview(const Object& element, int /*cells*/) {
  Object cage = element;
  cage.id += L"-lattice-cage-preview";
  cage.name += L" Lattice Cage Preview";
  cage.kind = ObjectKind::Mesh;
  cage.modifierStack.entries.clear();
  cage.material.r = 88, cage.material.g = 230, cage.material.b = 255;
  cage.mesh.primitive = L"Lattice Placeholder Cage";
  const Vec3 lo0 = element.meshData.boundsMin, hi0 = element.meshData.boundsMax;
  auto margin = [](double lo, double hi) { return std::max((hi - lo) * 0.08, 0.08); };
  const Vec3 p{margin(lo0.x, hi0.x), margin(lo0.y, hi0.y), margin(lo0.z, hi0.z)};
  const Vec3 lo = lo0 - p, hi = hi0 + p;
  MeshData box;
  box.vertices = std::vector<Vec3>{{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                                   {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  box.faces = std::vector<MeshFace>{{{0, 1, 2, 3}, {}, 0}, {{4, 7, 6, 5}, {}, 0}, {{0, 4, 5, 1}, {}, 0},
                                    {{1, 5, 6, 2}, {}, 0}, {{2, 6, 7, 3}, {}, 0}, {{3, 7, 4, 0}, {}, 0}};
  cage.meshData = std::move(box);
  rebuildMeshData(cage);
  return cage;
}

}  // namespace vk
