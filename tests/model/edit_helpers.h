// Shared fixtures of the edit-mesh tests: primitive meshes with their edge
// list derived, edge lookup by end vertices, and the project-load mesh guard.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "model/edit_mesh.h"
#include "model/mesh_data.h"
#include "model/primitives.h"
#include "model/sanitize.h"

namespace vk::edittest {

using Indices = std::vector<std::int32_t>;

inline MeshData primitiveMesh(const wchar_t* label) {
  Object object;
  object.meshData = createMeshDataForObject(label);
  rebuildMeshData(object);
  return object.meshData;
}

inline std::int32_t edgeIndex(const MeshData& mesh, std::uint32_t a, std::uint32_t b) {
  const auto& edges = mesh.edges.read();
  auto it = std::find(edges.begin(), edges.end(), MeshEdge{std::min(a, b), std::max(a, b)});
  EXPECT_NE(it, edges.end()) << "edge " << a << "-" << b;
  return static_cast<std::int32_t>(it - edges.begin());
}

inline std::vector<Indices> faceIndexLists(const MeshData& mesh) {
  std::vector<Indices> out;
  for (const MeshFace& face : mesh.faces) out.push_back(face.indices);
  return out;
}

// The project-load mesh guard keeps the mesh as it stands.
inline void expectEveryFaceSurvivesLoadGuard(const MeshData& mesh) {
  Object object;
  object.meshData = mesh;
  EXPECT_TRUE(sanitizeImportedMeshData(object));
  EXPECT_EQ(object.meshData.faces.read(), mesh.faces.read());
  EXPECT_EQ(object.meshData.vertices.read(), mesh.vertices.read());
}

inline void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-12) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace vk::edittest
