// The triangles a face that is not flat is filled as, cut once: they follow
// from the face's corners alone, so every view, duplicate and preview copy
// holding the same vertex and face arrays reads the one cut.
#include <algorithm>

#include "model/polygon_triangulation.h"
#include "viewport/viewport_caches.h"

namespace vk {

namespace {

// The face cut as the exports cut it. They meet the face mirrored and wound
// back after corner 0; read in that order, the same diagonals come out.
void cutFace(const std::vector<Vec3>& vertices, const MeshFace& face, std::vector<CornerTriangle>& out) {
  std::vector<Vec3> corners;
  corners.reserve(face.indices.size());
  for (const std::int32_t index : face.indices) {
    if (index >= 0 && static_cast<std::size_t>(index) < vertices.size()) {
      corners.push_back(vertices[static_cast<std::size_t>(index)]);
    }
  }
  const auto n = static_cast<std::uint32_t>(corners.size());
  std::reverse(corners.begin() + 1, corners.end());
  std::vector<CornerTriangle> cut;
  triangulatePolygon(corners, cut);
  const auto original = [n](std::uint32_t c) { return c == 0 ? 0 : n - c; };
  for (const CornerTriangle& t : cut) out.push_back({original(t[0]), original(t[2]), original(t[1])});  // the outline's winding again
}

std::pair<const void*, const void*> cutsKey(const MeshData& mesh) {
  return {&mesh.faces.read(), &mesh.vertices.read()};
}

}  // namespace

std::span<const CornerTriangle> keptCornerTriangles(FaceCutSource& source, std::size_t face) {
  const MeshData& mesh = source.mesh;
  const auto& faces = mesh.faces.read();
  if (source.usableCount != mesh.vertices.read().size() || face >= faces.size()) return {};
  ViewportCaches& caches = viewportCaches();
  if (!source.kept) {
    // The entry holds the arrays, so their addresses name no others while kept.
    FaceCuts& kept = caches.faceCuts[cutsKey(mesh)];
    if (!kept.faces.sharesWith(mesh.faces) || !kept.vertices.sharesWith(mesh.vertices)) {
      kept = FaceCuts{};
      kept.faces = mesh.faces;
      kept.vertices = mesh.vertices;
      kept.ranges.resize(faces.size());
    }
    source.kept = &kept;
  }
  FaceCuts& kept = *source.kept;
  kept.frame = caches.frameNumber;
  FaceCuts::Range& range = kept.ranges[face];
  if (range.count == 0) {
    range.first = static_cast<std::uint32_t>(kept.triangles.size());
    cutFace(mesh.vertices.read(), faces[face], kept.triangles);
    range.count = static_cast<std::uint32_t>(kept.triangles.size() - range.first);
  }
  return {kept.triangles.data() + range.first, range.count};
}

void keepFaceCuts(const MeshData& mesh) {
  ViewportCaches& caches = viewportCaches();
  if (caches.faceCuts.empty()) return;
  const auto found = caches.faceCuts.find(cutsKey(mesh));
  if (found != caches.faceCuts.end()) found->second.frame = caches.frameNumber;
}

std::size_t faceCutsBytes(const FaceCuts& cuts) {
  return sizeof(FaceCuts) + cuts.ranges.capacity() * sizeof(FaceCuts::Range) +
         cuts.triangles.capacity() * sizeof(CornerTriangle);
}

}  // namespace vk
