// Shared benchmark fixtures.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "model/types.h"

namespace vk::bench {

// A gently curved, triangulated grid: (cells x cells x 2) triangles on
// (cells + 1)^2 vertices, with no UVs.
inline Object gridMesh(int cells) {
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  vertices.reserve(std::size_t(cells + 1) * (cells + 1));
  faces.reserve(std::size_t(cells) * cells * 2);
  for (int z = 0; z <= cells; ++z) {
    for (int x = 0; x <= cells; ++x) vertices.push_back({double(x), std::sin(x * 0.1) * std::cos(z * 0.1), double(z)});
  }
  auto at = [cells](int x, int z) { return z * (cells + 1) + x; };
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      MeshFace a, b;
      a.indices = {at(x, z), at(x + 1, z), at(x + 1, z + 1)};
      b.indices = {at(x, z), at(x + 1, z + 1), at(x, z + 1)};
      faces.push_back(std::move(a));
      faces.push_back(std::move(b));
    }
  }
  Object o;
  o.meshData.vertices = std::move(vertices);
  o.meshData.faces = std::move(faces);
  return o;
}

}  // namespace vk::bench
