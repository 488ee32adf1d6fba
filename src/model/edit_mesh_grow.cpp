// Operations that grow a mesh from its selection: extrude (faces, edges,
// vertices), inset and bevel, with the selection readers and the face
// replacement they share.
//
// Sections:
//   - Steps the edits share
//   - Selection readers and face replacement
//   - Extrude
//   - Inset and bevel
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/edit_mesh.h"
#include "model/edit_mesh_internal.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {

// ---- Steps the edits share --------------------------------------------------
namespace editmesh {

bool inRange(std::int32_t index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

bool faceContains(const MeshFace& face, std::int32_t vertex) {
  return std::find(face.indices.begin(), face.indices.end(), vertex) != face.indices.end();
}

void sortUnique(std::vector<std::int32_t>& list) {
  // Selections arrive sorted from their last repair; a drag re-reads them every step.
  if (!std::is_sorted(list.begin(), list.end())) std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

VertexFaces buildVertexFaces(const MeshData& mesh) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  const std::size_t vertexCount = mesh.vertices.size();
  VertexFaces adjacency;
  adjacency.offsets.assign(vertexCount + 1, 0);
  // `lastFace` keeps a face that lists a vertex twice from counting twice.
  std::vector<std::int32_t> lastFace(vertexCount, -1);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    for (std::int32_t v : faces[f].indices) {
      if (!inRange(v, vertexCount) || lastFace[v] == static_cast<std::int32_t>(f)) continue;
      lastFace[v] = static_cast<std::int32_t>(f);
      ++adjacency.offsets[v + 1];
    }
  }
  for (std::size_t v = 0; v < vertexCount; ++v) adjacency.offsets[v + 1] += adjacency.offsets[v];
  adjacency.faces.resize(adjacency.offsets[vertexCount]);
  std::vector<std::int32_t> cursor(adjacency.offsets.begin(), adjacency.offsets.end() - 1);
  std::fill(lastFace.begin(), lastFace.end(), -1);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    for (std::int32_t v : faces[f].indices) {
      if (!inRange(v, vertexCount) || lastFace[v] == static_cast<std::int32_t>(f)) continue;
      lastFace[v] = static_cast<std::int32_t>(f);
      adjacency.faces[cursor[v]++] = static_cast<std::int32_t>(f);
    }
  }
  return adjacency;
}

Vec3 directionBetween(const Vec3& from, const Vec3& to) {
  Vec3 d = to - from;
  double length = vec3Length(d);
  if (length <= 1e-6) return {0.0, 1.0, 0.0};
  return d / length;
}

void rebuildFaceList(MeshData& mesh, const std::vector<char>& removedMarks,
                     const std::vector<MeshFace>& added, std::vector<std::int32_t>& finalIndex) {
  const std::vector<MeshFace>& old = mesh.faces.read();
  std::size_t kept = 0;
  for (std::size_t f = 0; f < old.size(); ++f) kept += (f < removedMarks.size() && removedMarks[f]) ? 0 : 1;
  std::vector<MeshFace> next;
  next.reserve(kept + added.size());
  for (std::size_t f = 0; f < old.size(); ++f) {
    if (f < removedMarks.size() && removedMarks[f]) continue;
    next.push_back(old[f]);
  }
  finalIndex.assign(added.size(), -1);
  for (std::size_t k = 0; k < added.size(); ++k) {
    if (!faceIndicesValid(mesh, added[k])) continue;
    finalIndex[k] = static_cast<std::int32_t>(next.size());
    next.push_back(added[k]);
  }
  mesh.faces = std::move(next);
}

}  // namespace editmesh

using namespace editmesh;

// ---- Selection readers and face replacement ---------------------------------
namespace {

// Marks the faces that hold both ends of each listed edge.
void markFacesOnEdges(const MeshData& mesh, const VertexFaces& adjacency, const std::vector<std::int32_t>& edges,
                      std::vector<char>& marks) {
  const std::vector<MeshEdge>& edgeList = mesh.edges.read();
  const std::vector<MeshFace>& faces = mesh.faces.read();
  const std::size_t vertexCount = mesh.vertices.size();
  for (std::int32_t e : edges) {
    if (!inRange(e, edgeList.size())) continue;
    std::int32_t a = static_cast<std::int32_t>(edgeList[e].first);
    std::int32_t b = static_cast<std::int32_t>(edgeList[e].second);
    if (!inRange(a, vertexCount) || !inRange(b, vertexCount)) continue;
    for (const std::int32_t* f = adjacency.begin(a); f != adjacency.end(a); ++f) {
      if (faceContains(faces[*f], b)) marks[*f] = 1;
    }
  }
}

std::vector<std::int32_t> markedIndices(const std::vector<char>& marks) {
  std::vector<std::int32_t> out;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    if (marks[i]) out.push_back(static_cast<std::int32_t>(i));
  }
  return out;
}

std::vector<std::int32_t> sortedUnique(std::vector<std::int32_t> list) {
  sortUnique(list);
  return list;
}

// The in-range end vertices of the in-range listed edges.
void appendEdgeEnds(const MeshData& mesh, const std::vector<std::int32_t>& edges, std::vector<std::int32_t>& out) {
  const std::vector<MeshEdge>& edgeList = mesh.edges.read();
  for (std::int32_t e : edges) {
    if (!inRange(e, edgeList.size())) continue;
    for (std::uint32_t v : {edgeList[e].first, edgeList[e].second}) {
      if (v < mesh.vertices.size()) out.push_back(static_cast<std::int32_t>(v));
    }
  }
}

// The in-range corners of the in-range listed faces.
void appendFaceCorners(const MeshData& mesh, const std::vector<std::int32_t>& faces, std::vector<std::int32_t>& out) {
  const std::vector<MeshFace>& faceList = mesh.faces.read();
  for (std::int32_t f : faces) {
    if (!inRange(f, faceList.size())) continue;
    for (std::int32_t v : faceList[f].indices) {
      if (inRange(v, mesh.vertices.size())) out.push_back(v);
    }
  }
}

// End vertices of the selected edges (ascending, unique, in range, both ends
// in range), read before the operation appends anything.
std::vector<std::pair<std::int32_t, std::int32_t>> usableEdges(const MeshData& mesh,
                                                               const std::vector<std::int32_t>& edges) {
  const std::vector<MeshEdge>& edgeList = mesh.edges.read();
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (std::int32_t e : sortedUnique(edges)) {
    if (!inRange(e, edgeList.size())) continue;
    std::int32_t a = static_cast<std::int32_t>(edgeList[e].first);
    std::int32_t b = static_cast<std::int32_t>(edgeList[e].second);
    if (inRange(a, mesh.vertices.size()) && inRange(b, mesh.vertices.size())) out.emplace_back(a, b);
  }
  return out;
}

bool extrudableFace(const MeshData& mesh, const MeshFace& face) {
  return face.indices.size() >= 3 && faceIndicesValid(mesh, face);
}

}  // namespace

std::vector<std::int32_t> selectionVertexIndices(const MeshData& mesh, const MeshSelection& selection) {
  std::vector<std::int32_t> out = selection.vertices;
  appendEdgeEnds(mesh, selection.edges, out);
  appendFaceCorners(mesh, selection.faces, out);
  sortUnique(out);
  return out;
}

std::vector<std::int32_t> facesTouchedBySelection(const MeshData& mesh, const MeshSelection& selection) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  const std::size_t vertexCount = mesh.vertices.size();
  std::vector<char> marks(faces.size(), 0);
  for (std::int32_t f : selection.faces) {
    if (inRange(f, faces.size())) marks[f] = 1;
  }
  if (!selection.edges.empty() || !selection.vertices.empty()) {
    VertexFaces adjacency = buildVertexFaces(mesh);
    markFacesOnEdges(mesh, adjacency, selection.edges, marks);
    for (std::int32_t v : selection.vertices) {
      if (!inRange(v, vertexCount)) continue;
      for (const std::int32_t* f = adjacency.begin(v); f != adjacency.end(v); ++f) marks[*f] = 1;
    }
  }
  return markedIndices(marks);
}

std::vector<std::int32_t> transformVertexIndices(const MeshData& mesh, const MeshSelection& selection,
                                                 ComponentMode mode) {
  std::vector<std::int32_t> out;
  if (mode == ComponentMode::Vertex) {
    for (std::int32_t v : selection.vertices) {
      if (inRange(v, mesh.vertices.size())) out.push_back(v);
    }
  } else if (mode == ComponentMode::Edge) {
    appendEdgeEnds(mesh, selection.edges, out);
  } else {
    appendFaceCorners(mesh, selection.faces, out);
  }
  sortUnique(out);
  return out;
}

void replaceFaces(MeshData& mesh, const std::vector<std::int32_t>& removed, const std::vector<MeshFace>& added,
                  std::vector<std::int32_t>& outIndices) {
  std::vector<char> marks(mesh.faces.size(), 0);
  for (std::int32_t f : removed) {
    if (inRange(f, marks.size())) marks[f] = 1;
  }
  std::vector<std::int32_t> finalIndex;
  rebuildFaceList(mesh, marks, added, finalIndex);
  outIndices.clear();
  for (std::int32_t index : finalIndex) {
    if (index >= 0) outIndices.push_back(index);
  }
}

// ---- Extrude ----------------------------------------------------------------
MeshGrowth faceExtrudeGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces) {
  MeshGrowth growth;
  const std::vector<MeshFace>& list = mesh.faces.read();
  for (std::int32_t f : sortedUnique(faces)) {
    if (!inRange(f, list.size()) || !extrudableFace(mesh, list[f])) continue;
    growth.vertices += static_cast<std::int64_t>(list[f].indices.size());
    growth.faces += static_cast<std::int64_t>(list[f].indices.size()) + 1;
  }
  return growth;
}

std::vector<std::int32_t> extrudeFaces(MeshData& mesh, const std::vector<std::int32_t>& faces) {
  const std::vector<std::int32_t> selected = sortedUnique(faces);
  const std::vector<MeshFace> sources = mesh.faces.read();  // the list is rebuilt below
  std::vector<char> removed(sources.size(), 0);
  std::vector<MeshFace> built;
  std::vector<char> isCap;
  std::vector<Vec3>& vertices = mesh.vertices.write();
  RunningCentroid centroid(vertices);
  for (std::int32_t f : selected) {
    if (!inRange(f, sources.size())) continue;
    removed[f] = 1;
    const MeshFace& source = sources[f];
    if (!extrudableFace(mesh, source)) continue;
    const std::size_t n = source.indices.size();
    const Vec3 normal = faceOutwardNormal(mesh, source, centroid.value());
    std::vector<std::int32_t> top(n);
    for (std::size_t k = 0; k < n; ++k) {
      Vec3 p = vertices[source.indices[k]] + normal * kExtrudeDistance;
      top[k] = static_cast<std::int32_t>(vertices.size());
      vertices.push_back(p);
      centroid.add(p);
    }
    for (std::size_t k = 0; k < n; ++k) {
      std::size_t next = (k + 1) % n;
      MeshFace side;
      side.indices = {source.indices[k], source.indices[next], top[next], top[k]};
      side.materialIndex = source.materialIndex;
      orientFaceOutward(mesh, side, centroid.value());
      built.push_back(std::move(side));
      isCap.push_back(0);
    }
    MeshFace cap;
    cap.indices = top;
    cap.materialIndex = source.materialIndex;
    if (vec3Dot(faceNormal(mesh, cap), normal) < 0.0) std::reverse(cap.indices.begin(), cap.indices.end());
    built.push_back(std::move(cap));
    isCap.push_back(1);
  }
  std::vector<std::int32_t> finalIndex;
  rebuildFaceList(mesh, removed, built, finalIndex);
  std::vector<std::int32_t> caps;
  for (std::size_t k = 0; k < built.size(); ++k) {
    if (isCap[k] && finalIndex[k] >= 0) caps.push_back(finalIndex[k]);
  }
  return caps;
}

std::vector<std::int32_t> extrudeEdges(MeshData& mesh, const std::vector<std::int32_t>& edges) {
  // New quads only hold the two ends of their own edge, so the adjacency of
  // the old faces answers every later edge's normal.
  const VertexFaces adjacency = buildVertexFaces(mesh);
  RunningCentroid centroid(mesh.vertices.read());
  std::vector<std::int32_t> created;
  for (const auto& [a, b] : usableEdges(mesh, edges)) {
    const Vec3 c = centroid.value();
    Vec3 sum;
    const std::vector<MeshFace>& faces = mesh.faces.read();
    for (const std::int32_t* f = adjacency.begin(a); f != adjacency.end(a); ++f) {
      if (faceContains(faces[*f], b)) sum += faceOutwardNormal(mesh, faces[*f], c);
    }
    const std::vector<Vec3>& vertices = mesh.vertices.read();
    Vec3 d = vec3Length(sum) > 1e-6 ? vec3Normalize(sum)
                                    : directionBetween(c, (vertices[a] + vertices[b]) * 0.5);
    Vec3 pa = vertices[a] + d * kExtrudeDistance;
    Vec3 pb = vertices[b] + d * kExtrudeDistance;
    std::vector<Vec3>& grown = mesh.vertices.write();
    std::int32_t a2 = static_cast<std::int32_t>(grown.size());
    grown.push_back(pa);
    grown.push_back(pb);
    centroid.add(pa);
    centroid.add(pb);
    MeshFace quad;
    quad.indices = {a, b, a2 + 1, a2};
    orientFaceOutward(mesh, quad, centroid.value());
    if (faceIndicesValid(mesh, quad)) {
      created.push_back(static_cast<std::int32_t>(mesh.faces.size()));
      mesh.faces.write().push_back(std::move(quad));
    }
  }
  return created;
}

std::vector<std::int32_t> extrudeVertices(MeshData& mesh, const std::vector<std::int32_t>& vertices) {
  const VertexFaces adjacency = buildVertexFaces(mesh);
  const std::size_t oldVertexCount = mesh.vertices.size();
  RunningCentroid centroid(mesh.vertices.read());
  std::vector<std::int32_t> created;
  for (std::int32_t v : sortedUnique(vertices)) {
    if (!inRange(v, oldVertexCount)) continue;
    const Vec3 c = centroid.value();
    const std::vector<MeshFace>& faces = mesh.faces.read();
    Vec3 sum;
    for (const std::int32_t* f = adjacency.begin(v); f != adjacency.end(v); ++f) {
      sum += faceOutwardNormal(mesh, faces[*f], c);
    }
    const Vec3 position = mesh.vertices[v];
    Vec3 normal = vec3Length(sum) > 1e-6 ? vec3Normalize(sum) : directionBetween(c, position);
    Vec3 p = position + normal * kExtrudeDistance;
    created.push_back(static_cast<std::int32_t>(mesh.vertices.size()));
    mesh.vertices.write().push_back(p);
    centroid.add(p);
  }
  return created;
}

// ---- Inset and bevel --------------------------------------------------------
MeshGrowth insetGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces) {
  MeshGrowth growth;
  const std::vector<MeshFace>& list = mesh.faces.read();
  for (std::int32_t f : faces) {
    if (!inRange(f, list.size()) || list[f].indices.size() < 3) continue;
    growth.vertices += static_cast<std::int64_t>(list[f].indices.size());
    growth.faces += static_cast<std::int64_t>(list[f].indices.size()) + 1;
  }
  return growth;
}

std::vector<std::int32_t> insetFaceList(MeshData& mesh, const std::vector<std::int32_t>& faces, double amount) {
  const std::vector<std::int32_t> listed = sortedUnique(faces);
  std::vector<MeshFace> built;
  std::vector<Vec3>& vertices = mesh.vertices.write();
  for (std::int32_t f : listed) {
    if (!inRange(f, mesh.faces.size())) continue;
    const MeshFace& source = mesh.faces[f];
    if (!extrudableFace(mesh, source)) continue;
    const std::size_t n = source.indices.size();
    const Vec3 center = meshFaceCenter(mesh, source);
    std::vector<std::int32_t> inner(n);
    for (std::size_t k = 0; k < n; ++k) {
      inner[k] = static_cast<std::int32_t>(vertices.size());
      vertices.push_back(vertices[source.indices[k]] * (1.0 - amount) + center * amount);
    }
    for (std::size_t k = 0; k < n; ++k) {
      std::size_t next = (k + 1) % n;
      MeshFace side;
      side.indices = {source.indices[k], source.indices[next], inner[next], inner[k]};
      side.materialIndex = source.materialIndex;
      built.push_back(std::move(side));
    }
    MeshFace innerFace;
    innerFace.indices = inner;
    innerFace.materialIndex = source.materialIndex;
    built.push_back(std::move(innerFace));
  }
  orientFacesOutward(mesh, built);
  std::vector<std::int32_t> selection;
  replaceFaces(mesh, listed, built, selection);
  return selection;
}

std::vector<std::int32_t> bevelEdges(MeshData& mesh, const std::vector<std::int32_t>& edges) {
  const Vec3 c = meshCentroid(mesh);
  std::vector<std::int32_t> created;
  for (const auto& [a, b] : usableEdges(mesh, edges)) {
    std::vector<Vec3>& vertices = mesh.vertices.write();
    Vec3 mid = (vertices[a] + vertices[b]) * 0.5;
    Vec3 dir = directionBetween(mid, c);
    Vec3 pa = vertices[a] + dir * kEdgeBevelOffset;
    Vec3 pb = vertices[b] + dir * kEdgeBevelOffset;
    std::int32_t a2 = static_cast<std::int32_t>(vertices.size());
    vertices.push_back(pa);
    vertices.push_back(pb);
    MeshFace quad;
    quad.indices = {a, b, a2 + 1, a2};
    if (faceIndicesValid(mesh, quad)) {
      created.push_back(static_cast<std::int32_t>(mesh.faces.size()));
      mesh.faces.write().push_back(std::move(quad));
    }
  }
  return created;
}

}  // namespace vk
