// The steps the full and the proxy face drawing share: face and corner
// limits and strides, the faces around each vertex pair, feature and proxy
// edges, projected vertices and faces, and the edge style of a mesh.
#pragma once

#include <cstdint>
#include <vector>

#include "model/types.h"
#include "platform/win32.h"
#include "viewport/view_context.h"
#include "viewport/viewport.h"

namespace vk {

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

}  // namespace vk
