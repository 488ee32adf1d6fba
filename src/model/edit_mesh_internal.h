// Helpers shared by the edit-mesh operation files; not part of the model's
// public face.
//
// The orientation tests of the operations run against a mesh that grows
// vertex by vertex, so its centroid moves. RunningCentroid keeps the sum in
// the order meshCentroid adds, so the value is bit-identical to calling
// meshCentroid after every append without rescanning the vertex list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"
#include "model/mesh_data.h"
#include "model/types.h"

namespace vk::editmesh {

class RunningCentroid {
 public:
  explicit RunningCentroid(const std::vector<Vec3>& vertices) {
    for (const Vec3& p : vertices) add(p);
  }
  void add(const Vec3& p) {
    sum_ += p;
    ++count_;
  }
  Vec3 value() const {
    if (count_ == 0) return {};
    return sum_ / static_cast<double>(count_);
  }

 private:
  Vec3 sum_;
  std::size_t count_ = 0;
};

// Faces around each vertex (each face once per vertex, in face order), built
// once per operation instead of scanning every face per selected element.
struct VertexFaces {
  std::vector<std::int32_t> offsets;  // vertex count + 1
  std::vector<std::int32_t> faces;
  std::size_t count(std::int32_t v) const { return offsets[v + 1] - offsets[v]; }
  const std::int32_t* begin(std::int32_t v) const { return faces.data() + offsets[v]; }
  const std::int32_t* end(std::int32_t v) const { return faces.data() + offsets[v + 1]; }
};
VertexFaces buildVertexFaces(const MeshData& mesh);

bool faceContains(const MeshFace& face, std::int32_t vertex);
bool inRange(std::int32_t index, std::size_t count);
void sortUnique(std::vector<std::int32_t>& list);

// orientFaceOutward against a given centroid.
void orientFaceOutwardAbout(const MeshData& mesh, MeshFace& face, const Vec3& centroid);
// Unit vector from `from` to `to`; (0, 1, 0) within 1e-6 (safeDirectionTo's rule).
Vec3 directionBetween(const Vec3& from, const Vec3& to);

// Keeps the faces whose mark is clear, in order, and appends the valid ones
// of `added`; `finalIndex[k]` is added[k]'s new index or -1 when dropped.
void rebuildFaceList(MeshData& mesh, const std::vector<char>& removedMarks,
                     const std::vector<MeshFace>& added, std::vector<std::int32_t>& finalIndex);

}  // namespace vk::editmesh
