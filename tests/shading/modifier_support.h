// Meshes for the modifier tests: primitives, flat grids and random meshes
// with n-gons, repeated corners and out-of-range indices.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "model/mesh_data.h"
#include "model/primitives.h"
#include "model/types.h"

namespace modtest {

inline vk::Object meshObject(const wchar_t* primitive, const wchar_t* id = L"obj-1") {
  vk::Object object;
  object.id = id;
  object.name = L"Thing";
  object.kind = vk::ObjectKind::Mesh;
  object.mesh.primitive = primitive;
  vk::initMeshData(object);
  return object;
}

// A flat grid of quads x quads in the XZ plane, centred on the origin.
inline vk::Object gridObject(int quads, const wchar_t* id = L"obj-grid") {
  vk::Object object;
  object.id = id;
  object.name = L"Grid";
  object.mesh.primitive = L"Grid";
  std::vector<vk::Vec3> vertices;
  std::vector<vk::MeshFace> faces;
  const int n = quads + 1;
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) vertices.push_back({x - quads / 2.0, 0.0, z - quads / 2.0});
  }
  for (int z = 0; z < quads; ++z) {
    for (int x = 0; x < quads; ++x) {
      const int a = z * n + x;
      faces.push_back(vk::MeshFace{{a, a + 1, a + n + 1, a + n}, {}, 0});
    }
  }
  object.meshData.vertices = std::move(vertices);
  object.meshData.faces = std::move(faces);
  vk::rebuildMeshData(object);
  return object;
}

// Random faces of 3 to 7 corners over a small cloud; some corners repeat
// (adjacent or not), some faces hold an out-of-range index when `wild`.
inline vk::Object randomObject(std::uint32_t seed, int vertexCount, int faceCount, bool wild) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> coord(-2.0, 2.0);
  std::uniform_int_distribution<int> corners(3, 7);
  std::uniform_int_distribution<int> pick(0, vertexCount - 1);
  std::uniform_int_distribution<int> roll(0, 99);
  vk::Object object;
  object.id = L"obj-random";
  object.mesh.primitive = L"Random";
  std::vector<vk::Vec3> vertices(static_cast<std::size_t>(vertexCount));
  for (vk::Vec3& v : vertices) v = {coord(rng), coord(rng), coord(rng)};
  std::vector<vk::MeshFace> faces;
  for (int f = 0; f < faceCount; ++f) {
    vk::MeshFace face;
    const int n = corners(rng);
    for (int k = 0; k < n; ++k) {
      const int r = roll(rng);
      if (!face.indices.empty() && r < 8) {
        face.indices.push_back(face.indices[static_cast<std::size_t>(pick(rng)) % face.indices.size()]);
      } else if (wild && r > 97) {
        face.indices.push_back(r == 98 ? -1 : vertexCount + 3);
      } else {
        face.indices.push_back(pick(rng));
      }
    }
    face.materialIndex = f % 3;
    faces.push_back(std::move(face));
  }
  object.meshData.vertices = std::move(vertices);
  object.meshData.faces = std::move(faces);
  vk::rebuildMeshData(object);
  return object;
}

}  // namespace modtest
