// glTF scenes shared by the import and undo benchmarks.
#pragma once

#include <string>
#include <vector>

#include "../tests/formats/gltf_import_fixture.h"

namespace vk::bench {

// `meshes` indexed 5 x 10-quad grids (66 vertices, 100 triangles), each in two
// nodes: the import benchmark's case (b).
inline vk::test::GltfFixture manyMeshes(int meshes) {
  vk::test::GltfFixture f;
  std::vector<vk::Vec3> points;
  for (int y = 0; y <= 5; ++y)
    for (int x = 0; x <= 10; ++x) points.push_back({x * 0.1, y * 0.1, 0});
  std::vector<std::uint32_t> indices;
  for (std::uint32_t y = 0; y < 5; ++y)
    for (std::uint32_t x = 0; x < 10; ++x) {
      const std::uint32_t a = y * 11 + x;
      indices.insert(indices.end(), {a, a + 1, a + 12, a, a + 12, a + 11});
    }
  for (int m = 0; m < meshes; ++m) f.mesh(f.positions(points), f.indices(indices, 5123));
  for (int n = 0; n < 2 * meshes; ++n)
    f.node("\"name\":\"Node " + std::to_string(n) + "\",\"mesh\":" + std::to_string(n / 2) + ",\"translation\":[" +
           std::to_string(n % 64) + ",0," + std::to_string(n / 64) + "]");
  return f;
}

}  // namespace vk::bench
