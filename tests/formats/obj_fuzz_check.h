// The check the Wavefront fuzz target runs on every input; the regression
// test runs it on every saved input too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/obj_import.h"

// Parsing never crashes, and what it accepts is a mesh every later stage may
// trust: indices in range, budgets kept, slots named and capped. The same
// bytes are read as an MTL library too. Library and texture references are
// resolved in a folder that does not exist, so no other file is read.
inline int vkFuzzWavefront(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vk::ObjImportResult result;
  std::wstring error;
  const std::wstring objPath = L"/nonexistent-vk-fuzz/model.obj";
  if (vk::parseObjFile(text, objPath, result, error)) {
    const auto& vertices = result.mesh.vertices.read();
    const auto& uvs = result.mesh.uvs.read();
    const auto& faces = result.mesh.faces.read();
    if (vertices.empty() || faces.empty() || vertices.size() > 20000 || uvs.size() > 60000) __builtin_trap();
    if (result.materials.empty() || result.materials.size() > 32) __builtin_trap();
    for (const vk::MeshFace& face : faces) {
      if (face.indices.size() < 3 || face.indices.size() > 64) __builtin_trap();
      if (!face.uvIndices.empty() && face.uvIndices.size() != face.indices.size()) __builtin_trap();
      for (std::int32_t i : face.indices)
        if (i < 0 || static_cast<std::size_t>(i) >= vertices.size()) __builtin_trap();
      for (std::int32_t i : face.uvIndices)
        if (i < 0 || static_cast<std::size_t>(i) >= uvs.size()) __builtin_trap();
      if (face.materialIndex < 0 || static_cast<std::size_t>(face.materialIndex) >= result.materials.size())
        __builtin_trap();
    }
    for (const vk::Vec3& v : vertices)
      if (!(v.x >= -10000 && v.x <= 10000 && v.y >= -10000 && v.y <= 10000 && v.z >= -10000 && v.z <= 10000))
        __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }

  vk::ObjImportResult library;
  std::map<std::wstring, int> slots;
  vk::parseMtlFile(text, L"/nonexistent-vk-fuzz/library.mtl", slots, library);
  if (library.materials.empty() || library.materials.size() > 32) __builtin_trap();
  for (const vk::Material& m : library.materials)
    if (m.r < 0 || m.r > 255 || m.g < 0 || m.g > 255 || m.b < 0 || m.b > 255 || !(m.alpha >= 0.05 && m.alpha <= 1.0) ||
        !(m.roughness >= 0 && m.roughness <= 1) || !(m.metallic >= 0 && m.metallic <= 1))
      __builtin_trap();
  return 0;
}
