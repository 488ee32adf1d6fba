// Mesh data derivation: the edge list, face normals, placeholder UVs, bounds,
// validity flags and summary of a MeshData, plus the small geometric queries
// (face validity, normals, centroid, outward orientation) that the edit
// operations, the viewport and the shading code share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/types.h"

namespace vk {

// Face corners above which the edge list samples only every stride-th corner.
inline constexpr std::int64_t kEdgeListCornerLimit = 180000;
// Longest face the project-load guard keeps; the edits never make a longer one.
inline constexpr std::size_t kMeshFaceCornerLimit = 128;
// The most vertices and faces a Mesh or Text read from a project keeps; the
// load guard rebuilds a larger one from its primitive.
inline constexpr std::size_t kLoadGuardVertexLimit = 400000;
inline constexpr std::size_t kLoadGuardFaceLimit = 600000;
// The primitive label of every mesh an Edit Mesh operation has changed.
inline constexpr wchar_t kEditedMeshLabel[] = L"Edited Mesh";

// Derives every derived field of the object's mesh and sets its three counts.
// Never changes vertices, faces, uvs or any face's UV index list.
void rebuildMeshData(Object& object);

// The project-load guard's rule for one face's corners: 3 to kMeshFaceCornerLimit
// of them, each in [0, vertexCount), no two the same. Long faces are checked
// with a stamp per vertex, kept from one face to the next.
class LoadGuardFaceRule {
 public:
  explicit LoadGuardFaceRule(std::size_t vertexCount) : vertexCount_(vertexCount) {}
  bool keeps(std::span<const std::int32_t> corners);

 private:
  std::size_t vertexCount_;
  std::vector<std::uint32_t> stamps_;
  std::uint32_t stamp_ = 0;
};
// The derivation's degenerate test: the first three corners (in range)
// span no area, |(p1 - p0) x (p2 - p0)| <= 1e-6.
bool faceSpansNoArea(const std::vector<Vec3>& vertices, std::span<const std::int32_t> corners);
// The same derivation when only vertex positions changed since the last one
// (same vertex count, same faces): the edge list is kept.
void rebuildMeshGeometry(Object& object);
// Rebuilds `edges` only: unique (smaller, larger) pairs in order of first
// appearance, sampled with a stride above 180000 face corners.
void generateEdgeList(MeshData& mesh);
// Faces as flat arrays, the form refinement passes work in (no allocation
// per face): face f's corners are indices[offsets[f]] .. indices[offsets[f + 1] - 1].
struct FlatFaces {
  std::vector<std::uint32_t> offsets{0};
  std::vector<std::int32_t> indices;
  std::vector<std::int32_t> materials;
  std::size_t size() const { return materials.size(); }
  std::span<const std::int32_t> corners(std::size_t f) const {
    return {indices.data() + offsets[f], indices.data() + offsets[f + 1]};
  }
  // Empties the arrays and keeps their capacity.
  void clear() {
    offsets.assign(1, 0);
    indices.clear();
    materials.clear();
  }
};
// generateEdgeList's edges for flat faces over `vertexCount` vertices, into
// `edges`; both vectors keep their capacity from one call to the next.
void edgeListOf(const FlatFaces& faces, std::size_t vertexCount, std::vector<MeshEdge>& edges,
                std::vector<std::uint32_t>& scratch);
// The flat faces as MeshFace values, without UV indices, into `out`.
void meshFacesOf(const FlatFaces& faces, std::vector<MeshFace>& out);
// Mesh and Text: the geometry of the primitive label; Group: the "Group"
// placeholder; other kinds: the "Empty" placeholder. Then rebuildMeshData.
void initMeshData(Object& object);

// At least 3 indices, all in range, at least 3 distinct.
bool faceIndicesValid(const MeshData& mesh, const MeshFace& face);
bool faceIndicesValid(std::span<const std::int32_t> indices, std::size_t vertexCount);
// Normalised (p1 - p0) x (p2 - p0) of the first three corners; (0, 1, 0)
// when it cannot be formed or is degenerate.
Vec3 faceNormal(const MeshData& mesh, const MeshFace& face);
// Plain average of all vertices; origin for an empty mesh.
Vec3 meshCentroid(const MeshData& mesh);
// Average of the face's in-range corners; origin when none is in range.
Vec3 meshFaceCenter(const MeshData& mesh, const MeshFace& face);
// faceNormal flipped to point away from the mesh centroid. The overload with
// a precomputed centroid saves the O(vertices) average in loops over faces.
Vec3 faceOutwardNormal(const MeshData& mesh, const MeshFace& face);
Vec3 faceOutwardNormal(const MeshData& mesh, const MeshFace& face, const Vec3& centroid);
// Sum of outward normals of faces holding both ends, else centroid-to-midpoint.
Vec3 edgeOutwardNormal(const MeshData& mesh, const MeshEdge& edge);
Vec3 edgeOutwardNormal(const MeshData& mesh, std::int32_t a, std::int32_t b);
// Sum of outward normals of faces holding the vertex, else centroid-to-vertex.
Vec3 vertexNormal(const MeshData& mesh, std::int32_t vertex);
// Reverses a valid face's vertex indices when its normal points toward the
// centroid; UV indices and material index stay. The overload takes the
// centroid precomputed (or kept running while the mesh grows).
void orientFaceOutward(const MeshData& mesh, MeshFace& face);
void orientFaceOutward(const MeshData& mesh, MeshFace& face, const Vec3& centroid);
void orientFacesOutward(const MeshData& mesh, std::vector<MeshFace>& faces);
// Turns a face over while keeping its first corner first, so a fan from
// corner 0 keeps its diagonals and a face keeps its place in selections.
// UV corners travel with their corners (when paired one to one).
void reverseWindingKeepFirst(std::span<std::int32_t> corners);
void reverseWindingKeepFirst(MeshFace& face);
// A face that walks through one corner twice is two loops joined there; it
// is appended to `out` as those loops (each keeps its corners' order and UVs;
// UVs only when paired one to one), and loops of fewer than 3 corners vanish.
// Adjacent repeats thus simply drop out.
void appendSimpleLoops(const MeshFace& face, std::vector<MeshFace>& out);
// Mesh or Text with 1..400000 vertices and 1..600000 faces.
bool meshDataRenderable(const Object& object);

// Not additive: select exactly `index`. Additive: toggle it.
void toggleIndexSelection(std::vector<std::int32_t>& selection, std::int32_t index, bool additive);
// Drops entries outside [0, count), sorts ascending, removes duplicates.
void sanitizeIndexList(std::vector<std::int32_t>& list, std::int32_t count);

}  // namespace vk
