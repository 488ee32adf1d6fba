// Operations that remove, reorient or rewire topology: delete, merge, flip,
// recalculate, bridge, fill, loop cut, and the mesh halves of separate and
// join.
//
// Sections:
//   - Delete, merge and flip
//   - Recalculating normals
//   - Bridge, fill and loop cut
//   - Separate and join
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/edit_mesh.h"
#include "model/edit_mesh_internal.h"
#include "model/math.h"
#include "model/mesh_data.h"

namespace vk {

using namespace editmesh;

// ---- Delete, merge and flip -------------------------------------------------
namespace {

// Drops the marked vertices; surviving ones keep their order. Face indices
// that were out of range or point at a dropped vertex become -1.
void removeVertices(MeshData& mesh, const std::vector<char>& dropped) {
  const std::vector<Vec3>& old = mesh.vertices.read();
  std::vector<std::int32_t> remap(old.size(), -1);
  std::vector<Vec3> kept;
  kept.reserve(old.size());
  for (std::size_t v = 0; v < old.size(); ++v) {
    if (dropped[v]) continue;
    remap[v] = static_cast<std::int32_t>(kept.size());
    kept.push_back(old[v]);
  }
  for (MeshFace& face : mesh.faces.write()) {
    for (std::int32_t& index : face.indices) index = inRange(index, remap.size()) ? remap[index] : -1;
  }
  mesh.vertices = std::move(kept);
}

}  // namespace

void deleteComponents(MeshData& mesh, const MeshSelection& selection) {
  const std::size_t faceCount = mesh.faces.size();
  const std::size_t vertexCount = mesh.vertices.size();
  std::vector<char> marks(faceCount, 0);
  for (std::int32_t f : selection.faces) {
    if (inRange(f, faceCount)) marks[f] = 1;
  }
  for (std::int32_t f : facesTouchedBySelection(mesh, MeshSelection{selection.vertices, selection.edges, {}})) {
    marks[f] = 1;
  }
  std::vector<std::int32_t> unused;
  rebuildFaceList(mesh, marks, {}, unused);
  if (!selection.vertices.empty()) {
    std::vector<char> dropped(vertexCount, 0);
    for (std::int32_t v : selection.vertices) {
      if (inRange(v, vertexCount)) dropped[v] = 1;
    }
    removeVertices(mesh, dropped);
  }
  std::vector<MeshFace> kept;
  kept.reserve(mesh.faces.size());
  for (const MeshFace& face : mesh.faces) {
    if (faceIndicesValid(mesh, face)) kept.push_back(face);
  }
  mesh.faces = std::move(kept);
}

std::int32_t mergeVertices(MeshData& mesh, const std::vector<std::int32_t>& list) {
  const std::size_t vertexCount = mesh.vertices.size();
  std::vector<char> listed(vertexCount, 0);
  Vec3 sum;
  for (std::int32_t v : list) {
    listed[v] = 1;
    sum += mesh.vertices[v];
  }
  const std::int32_t keep = list.front();
  mesh.vertices.write()[keep] = sum / static_cast<double>(list.size());
  std::vector<char> touched(mesh.faces.size(), 0);
  std::vector<MeshFace>& faces = mesh.faces.write();
  for (std::size_t f = 0; f < faces.size(); ++f) {
    for (std::int32_t& index : faces[f].indices) {
      if (inRange(index, vertexCount) && listed[index]) {
        index = keep;
        touched[f] = 1;
      }
    }
  }
  listed[keep] = 0;
  removeVertices(mesh, listed);
  // A welded face may now pass one corner twice, which the project-load
  // guard would drop; store it as its simple loops instead.
  std::vector<MeshFace> next;
  const std::vector<MeshFace>& welded = mesh.faces.read();
  next.reserve(welded.size());
  for (std::size_t f = 0; f < welded.size(); ++f) {
    if (!faceIndicesValid(mesh, welded[f])) continue;
    if (touched[f]) {
      appendSimpleLoops(welded[f], next);
    } else {
      next.push_back(welded[f]);
    }
  }
  mesh.faces = std::move(next);
  return keep;  // every removed vertex lies above it, so its index stands
}

void reverseFaceWinding(MeshFace& face) {
  if (face.uvIndices.size() == face.indices.size()) std::reverse(face.uvIndices.begin(), face.uvIndices.end());
  std::reverse(face.indices.begin(), face.indices.end());
}

void flipFaces(MeshData& mesh, const std::vector<std::int32_t>& faces) {
  std::vector<MeshFace>& list = mesh.faces.write();
  if (faces.empty()) {
    for (MeshFace& face : list) reverseFaceWinding(face);
    return;
  }
  std::vector<std::int32_t> selected = faces;
  sortUnique(selected);
  for (std::int32_t f : selected) {
    if (inRange(f, list.size())) reverseFaceWinding(list[f]);
  }
}

// ---- Recalculating normals --------------------------------------------------
namespace {

// Twice the face's area along its normal, summed over every corner so that a
// concave or slightly warped face still points the way its loop turns.
Vec3 newellVector(const std::vector<Vec3>& vertices, const MeshFace& face) {
  Vec3 sum;
  const std::size_t n = face.indices.size();
  for (std::size_t k = 0; k < n; ++k) sum += vec3Cross(vertices[face.indices[k]], vertices[face.indices[(k + 1) % n]]);
  return sum;
}

// For every face, whether it has to be reversed to agree with the faces that
// share its edges. Faces joined by edges form a shell; the first face of each
// shell (by index) keeps its winding, the others follow it breadth first, so
// the result does not depend on anything but the face order. shell[f] is the
// shell's number, or -1 for a face that is not a valid loop.
struct ShellWindings {
  std::vector<char> reversed;
  std::vector<std::int32_t> shell;
  std::int32_t shells = 0;
};

ShellWindings agreeWindingsAcrossEdges(const MeshData& mesh) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  ShellWindings out;
  out.reversed.assign(faces.size(), 0);
  out.shell.assign(faces.size(), -1);
  // One entry per directed side: the undirected edge, the face, and whether
  // the face runs the edge from its higher to its lower vertex.
  struct Side {
    std::uint64_t edge;
    std::int32_t face;
    bool down;
  };
  std::vector<Side> sides;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (!faceIndicesValid(mesh, faces[f])) continue;
    const CornerList& loop = faces[f].indices;
    for (std::size_t k = 0; k < loop.size(); ++k) {
      const std::uint32_t a = static_cast<std::uint32_t>(loop[k]);
      const std::uint32_t b = static_cast<std::uint32_t>(loop[(k + 1) % loop.size()]);
      if (a == b) continue;
      const std::uint64_t key = (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
      sides.push_back({key, static_cast<std::int32_t>(f), a > b});
    }
  }
  std::stable_sort(sides.begin(), sides.end(), [](const Side& l, const Side& r) { return l.edge < r.edge; });
  // Each face's neighbours, and whether they run the shared edge the same
  // way, in compressed rows.
  std::vector<std::uint32_t> rowStart(faces.size() + 1, 0);
  auto forEachPair = [&](auto&& visit) {
    for (std::size_t i = 0; i < sides.size();) {
      std::size_t j = i;
      while (j < sides.size() && sides[j].edge == sides[i].edge) ++j;
      // Faces around one edge are chained in order, so an edge that many
      // faces share costs what it holds, not its square.
      for (std::size_t x = i; x + 1 < j; ++x) {
        if (sides[x].face == sides[x + 1].face) continue;
        visit(sides[x], sides[x + 1]);
        visit(sides[x + 1], sides[x]);
      }
      i = j;
    }
  };
  forEachPair([&](const Side& from, const Side&) { ++rowStart[from.face + 1]; });
  for (std::size_t f = 0; f < faces.size(); ++f) rowStart[f + 1] += rowStart[f];
  struct Link {
    std::int32_t face;
    bool sameDirection;
  };
  std::vector<Link> links(rowStart.back());
  std::vector<std::uint32_t> fill(rowStart.begin(), rowStart.end() - 1);
  forEachPair([&](const Side& from, const Side& to) { links[fill[from.face]++] = {to.face, from.down == to.down}; });

  std::vector<std::int32_t> queue;
  for (std::size_t seed = 0; seed < faces.size(); ++seed) {
    if (out.shell[seed] >= 0 || !faceIndicesValid(mesh, faces[seed])) continue;
    const std::int32_t id = out.shells++;
    out.shell[seed] = id;
    queue.assign(1, static_cast<std::int32_t>(seed));
    for (std::size_t head = 0; head < queue.size(); ++head) {
      const std::int32_t f = queue[head];
      for (std::uint32_t l = rowStart[f]; l < rowStart[f + 1]; ++l) {
        const Link& link = links[l];
        if (out.shell[link.face] >= 0) continue;
        out.shell[link.face] = id;
        // Neighbours run a shared edge in opposite directions.
        out.reversed[link.face] = static_cast<char>(out.reversed[f] ^ (link.sameDirection ? 1 : 0));
        queue.push_back(link.face);
      }
    }
  }
  return out;
}

}  // namespace

void recalculateOutsideNormals(MeshData& mesh) {
  const Vec3 c = meshCentroid(mesh);
  const ShellWindings windings = agreeWindingsAcrossEdges(mesh);
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  const std::vector<MeshFace>& faces = mesh.faces.read();
  // Each shell turns as a whole to the side where its faces point away from
  // the centroid on balance, weighted by area. For a closed shell that sum is
  // its volume, whatever the centroid, so a torus or any other non-convex
  // solid comes out with every face outside; an open sheet seen edge-on from
  // the centroid keeps its winding.
  std::vector<double> outward(static_cast<std::size_t>(windings.shells), 0.0);
  std::vector<double> unweighted(static_cast<std::size_t>(windings.shells), 0.0);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const std::int32_t s = windings.shell[f];
    if (s < 0) continue;
    const Vec3 d = meshFaceCenter(mesh, faces[f]) - c;
    const double sign = windings.reversed[f] ? -1.0 : 1.0;
    outward[s] += sign * vec3Dot(newellVector(vertices, faces[f]), d);
    unweighted[s] += sign * vec3Dot(faceNormal(mesh, faces[f]), d);
  }
  std::vector<MeshFace>& list = mesh.faces.write();
  for (std::size_t f = 0; f < list.size(); ++f) {
    const std::int32_t s = windings.shell[f];
    bool turn;
    if (s < 0) {
      // Not a loop: judged alone by its first corners, as it always was.
      turn = vec3Dot(faceNormal(mesh, list[f]), meshFaceCenter(mesh, list[f]) - c) < 0.0;
    } else {
      const double score = outward[s] != 0.0 ? outward[s] : unweighted[s];
      turn = (windings.reversed[f] != 0) != (score < 0.0);
    }
    if (turn) reverseFaceWinding(list[f]);
  }
}

// ---- Bridge, fill and loop cut ----------------------------------------------
std::vector<std::int32_t> bridgeEdges(MeshData& mesh, const std::vector<std::int32_t>& edges) {
  std::vector<std::int32_t> selected = edges;
  sortUnique(selected);
  const std::vector<MeshEdge>& edgeList = mesh.edges.read();
  const Vec3 c = meshCentroid(mesh);
  std::vector<std::int32_t> created;
  for (std::size_t k = 0; k + 1 < selected.size(); k += 2) {
    std::int32_t first = selected[k], second = selected[k + 1];
    if (!inRange(first, edgeList.size()) || !inRange(second, edgeList.size())) continue;
    MeshFace quad;
    const std::int32_t corners[4] = {
        static_cast<std::int32_t>(edgeList[first].first), static_cast<std::int32_t>(edgeList[first].second),
        static_cast<std::int32_t>(edgeList[second].second), static_cast<std::int32_t>(edgeList[second].first)};
    // Two edges sharing a vertex span the triangle of their three distinct
    // vertices: a face through one corner twice would not survive a reload.
    for (std::int32_t corner : corners) {
      if (std::find(quad.indices.begin(), quad.indices.end(), corner) == quad.indices.end())
        quad.indices.push_back(corner);
    }
    orientFaceOutward(mesh, quad, c);
    if (!faceIndicesValid(mesh, quad)) continue;
    created.push_back(static_cast<std::int32_t>(mesh.faces.size()));
    mesh.faces.write().push_back(std::move(quad));
  }
  return created;
}

void sortFillLoopByAngle(const MeshData& mesh, std::vector<std::int32_t>& loop) {
  if (loop.size() < 3) return;
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  auto position = [&](std::int32_t v) { return inRange(v, vertices.size()) ? vertices[v] : Vec3{}; };
  Vec3 c;
  for (std::int32_t v : loop) c += position(v);
  c = c / static_cast<double>(loop.size());
  Vec3 n;
  for (std::size_t k = 0; k < loop.size(); ++k) {
    n += vec3Cross(position(loop[k]) - c, position(loop[(k + 1) % loop.size()]) - c);
  }
  if (vec3Length(n) <= 1e-6) n = {0.0, 1.0, 0.0};
  n = vec3Normalize(n);
  const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  auto angle = [&](std::int32_t v) {
    Vec3 d = position(v) - c;
    if (ay >= ax && ay >= az) return std::atan2(d.z, d.x);
    if (ax >= ay && ax >= az) return std::atan2(d.y, d.z);
    return std::atan2(d.y, d.x);
  };
  std::vector<std::pair<double, std::int32_t>> keyed;
  keyed.reserve(loop.size());
  for (std::int32_t v : loop) keyed.emplace_back(angle(v), v);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t k = 0; k < loop.size(); ++k) loop[k] = keyed[k].second;
}

std::int64_t loopFaceCount(std::size_t corners) {
  if (corners <= kMeshFaceCornerLimit) return 1;
  const std::size_t perPiece = kMeshFaceCornerLimit - 2;  // new corners after the shared first and previous last
  return static_cast<std::int64_t>((corners - 2 + perPiece - 1) / perPiece);
}

std::vector<std::vector<std::int32_t>> splitLongLoop(std::span<const std::int32_t> loop) {
  if (loop.size() <= kMeshFaceCornerLimit) return {std::vector<std::int32_t>(loop.begin(), loop.end())};
  std::vector<std::vector<std::int32_t>> pieces;
  std::size_t start = 1;
  while (start + 1 < loop.size()) {
    std::size_t end = std::min(loop.size() - 1, start + kMeshFaceCornerLimit - 2);
    std::vector<std::int32_t> piece{loop.front()};
    piece.insert(piece.end(), loop.begin() + start, loop.begin() + end + 1);
    pieces.push_back(std::move(piece));
    start = end;
  }
  return pieces;
}

void splitLongFaces(MeshData& mesh) {
  const std::vector<MeshFace>& faces = mesh.faces.read();
  bool anyLong = std::any_of(faces.begin(), faces.end(),
                             [](const MeshFace& face) { return face.indices.size() > kMeshFaceCornerLimit; });
  if (!anyLong) return;
  std::vector<MeshFace> next;
  for (const MeshFace& face : faces) {
    if (face.indices.size() <= kMeshFaceCornerLimit) {
      next.push_back(face);
      continue;
    }
    for (std::vector<std::int32_t>& piece : splitLongLoop(face.indices)) {
      next.push_back(MeshFace{std::move(piece), {}, face.materialIndex});
    }
  }
  mesh.faces = std::move(next);
}

namespace {

// Marks the pieces some face of the mesh already runs through, with the same
// corners in any order or direction. Only a face whose every corner lies on
// the pieces is sorted and compared, so a large mesh costs one pass.
std::vector<char> piecesTheMeshHolds(const MeshData& mesh, const std::vector<MeshFace>& pieces) {
  const std::size_t vertexCount = mesh.vertices.size();
  std::vector<char> onPieces(vertexCount, 0);
  std::vector<std::pair<std::vector<std::int32_t>, std::size_t>> keys;
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    std::vector<std::int32_t> key(pieces[p].indices.begin(), pieces[p].indices.end());
    std::sort(key.begin(), key.end());
    for (std::int32_t v : key) {
      if (inRange(v, vertexCount)) onPieces[v] = 1;
    }
    keys.emplace_back(std::move(key), p);
  }
  std::sort(keys.begin(), keys.end());
  std::vector<char> held(pieces.size(), 0);
  std::vector<std::int32_t> corners;
  for (const MeshFace& face : mesh.faces.read()) {
    const auto onLoop = [&](std::int32_t v) { return inRange(v, vertexCount) && onPieces[v]; };
    if (face.indices.empty() || !std::all_of(face.indices.begin(), face.indices.end(), onLoop)) continue;
    corners.assign(face.indices.begin(), face.indices.end());
    std::sort(corners.begin(), corners.end());
    auto match = std::lower_bound(keys.begin(), keys.end(), corners,
                                  [](const auto& key, const std::vector<std::int32_t>& c) { return key.first < c; });
    if (match != keys.end() && match->first == corners) held[match->second] = 1;
  }
  return held;
}

}  // namespace

std::vector<MeshFace> fillLoopFaces(const MeshData& mesh, std::vector<std::int32_t> loop) {
  sortFillLoopByAngle(mesh, loop);
  MeshFace face;
  face.indices = std::move(loop);
  orientFaceOutward(mesh, face);
  // Oriented as one face first, so every fan piece shares its winding.
  std::vector<MeshFace> pieces;
  for (std::vector<std::int32_t>& piece : splitLongLoop(face.indices)) {
    pieces.push_back(MeshFace{std::move(piece), {}, 0});
  }
  // A second face on the same corners would lie on the first: left out.
  const std::vector<char> held = piecesTheMeshHolds(mesh, pieces);
  std::vector<MeshFace> added;
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    if (!held[p]) added.push_back(std::move(pieces[p]));
  }
  return added;
}

std::vector<std::int32_t> appendFaces(MeshData& mesh, std::vector<MeshFace> faces) {
  std::vector<std::int32_t> created;
  std::vector<MeshFace>& list = mesh.faces.write();
  for (MeshFace& face : faces) {
    created.push_back(static_cast<std::int32_t>(list.size()));
    list.push_back(std::move(face));
  }
  return created;
}

MeshGrowth loopCutGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces) {
  MeshGrowth growth;
  const std::vector<MeshFace>& list = mesh.faces.read();
  for (std::int32_t f : faces) {
    if (!inRange(f, list.size()) || !faceIndicesValid(mesh, list[f])) continue;
    const std::size_t n = list[f].indices.size();
    growth.vertices += n == 4 ? 2 : 1;
    growth.faces += n == 4 ? 2 : static_cast<std::int64_t>(n);
  }
  return growth;
}

std::vector<std::int32_t> loopCutFaces(MeshData& mesh, const std::vector<std::int32_t>& faces) {
  std::vector<std::int32_t> listed = faces;
  sortUnique(listed);
  std::vector<MeshFace> built;
  std::vector<Vec3>& vertices = mesh.vertices.write();
  for (std::int32_t f : listed) {
    if (!inRange(f, mesh.faces.size())) continue;
    const MeshFace& source = mesh.faces[f];
    if (!faceIndicesValid(mesh, source)) continue;
    const CornerList& q = source.indices;
    const std::int32_t m = source.materialIndex;
    if (q.size() == 4) {
      std::int32_t a = static_cast<std::int32_t>(vertices.size());
      vertices.push_back((vertices[q[0]] + vertices[q[1]]) * 0.5);
      vertices.push_back((vertices[q[2]] + vertices[q[3]]) * 0.5);
      built.push_back(MeshFace{{q[0], a, a + 1, q[3]}, {}, m});
      built.push_back(MeshFace{{a, q[1], q[2], a + 1}, {}, m});
      continue;
    }
    const Vec3 center = meshFaceCenter(mesh, source);
    std::int32_t c = static_cast<std::int32_t>(vertices.size());
    vertices.push_back(center);
    for (std::size_t k = 0; k < q.size(); ++k) built.push_back(MeshFace{{q[k], q[(k + 1) % q.size()], c}, {}, m});
  }
  orientFacesOutward(mesh, built);
  std::vector<std::int32_t> selection;
  replaceFaces(mesh, listed, built, selection);
  return selection;
}

// ---- Separate and join ------------------------------------------------------
namespace {

// Appends each in-range index's new number, copying its element from `from`
// to `to` on first use (`remap` holds -1 for elements not copied yet).
template <typename T>
void copyRemapped(std::span<const std::int32_t> indices, const std::vector<T>& from,
                  std::vector<std::int32_t>& remap, std::vector<T>& to, CornerList& out) {
  for (std::int32_t i : indices) {
    if (!inRange(i, from.size())) continue;
    if (remap[i] < 0) {
      remap[i] = static_cast<std::int32_t>(to.size());
      to.push_back(from[i]);
    }
    out.push_back(remap[i]);
  }
}

}  // namespace

MeshData separatedMesh(const MeshData& source, const std::vector<std::int32_t>& faces) {
  MeshData out;
  out.schema = source.schema;
  const std::vector<Vec3>& vertices = source.vertices.read();
  const std::vector<Vec2>& uvs = source.uvs.read();
  const std::vector<MeshFace>& list = source.faces.read();
  std::vector<std::int32_t> vertexRemap(vertices.size(), -1);
  std::vector<std::int32_t> uvRemap(uvs.size(), -1);
  std::vector<Vec3>& newVertices = out.vertices.write();
  std::vector<Vec2>& newUvs = out.uvs.write();
  std::vector<MeshFace>& newFaces = out.faces.write();
  std::vector<std::int32_t> listed = faces;
  sortUnique(listed);
  for (std::int32_t f : listed) {
    if (!inRange(f, list.size())) continue;
    const MeshFace& face = list[f];
    MeshFace copy;
    copy.materialIndex = face.materialIndex;
    copyRemapped(face.indices, vertices, vertexRemap, newVertices, copy.indices);
    if (face.uvIndices.size() == face.indices.size()) {
      copyRemapped(face.uvIndices, uvs, uvRemap, newUvs, copy.uvIndices);
      if (copy.uvIndices.size() != copy.indices.size()) copy.uvIndices.clear();
    }
    if (faceIndicesValid(out, copy)) newFaces.push_back(std::move(copy));
  }
  return out;
}

void appendMeshWithOffset(MeshData& target, const MeshData& source, const Vec3& offset) {
  const std::int32_t vertexBase = static_cast<std::int32_t>(target.vertices.size());
  const std::int32_t uvBase = static_cast<std::int32_t>(target.uvs.size());
  const std::size_t sourceVertices = source.vertices.size();
  const std::size_t sourceUvs = source.uvs.size();
  std::vector<Vec3>& vertices = target.vertices.write();
  vertices.reserve(vertices.size() + sourceVertices);
  for (const Vec3& p : source.vertices) vertices.push_back(p + offset);
  std::vector<Vec2>& uvs = target.uvs.write();
  uvs.insert(uvs.end(), source.uvs.begin(), source.uvs.end());
  std::vector<MeshFace>& faces = target.faces.write();
  for (const MeshFace& face : source.faces) {
    MeshFace copy;
    copy.materialIndex = face.materialIndex;
    for (std::int32_t v : face.indices) {
      if (inRange(v, sourceVertices)) copy.indices.push_back(v + vertexBase);
    }
    if (face.uvIndices.size() == face.indices.size()) {
      for (std::int32_t t : face.uvIndices) {
        if (inRange(t, sourceUvs)) copy.uvIndices.push_back(t + uvBase);
      }
      if (copy.uvIndices.size() != copy.indices.size()) copy.uvIndices.clear();
    }
    if (faceIndicesValid(target, copy)) faces.push_back(std::move(copy));
  }
}

}  // namespace vk
