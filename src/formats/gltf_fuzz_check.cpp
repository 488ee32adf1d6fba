// The importer's fuzz driver (see gltf_fuzz_check.h).
#include "formats/gltf_fuzz_check.h"

#include <string>

#include "formats/gltf_import.h"

namespace vk {

std::size_t fuzzGltfImport(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool glb = bytes.compare(0, 4, "glTF") == 0;
  PendingGltfDocument document;
  document.cancelProbe = [](const std::wstring&) { return false; };
  std::wstring error;
  const std::wstring path = glb ? L"/nonexistent-vk-fuzz/input.glb" : L"/nonexistent-vk-fuzz/input.gltf";
  if (!phase65LoadDocumentFromBytes(bytes, glb, path, document, error)) return 0;
  // What is built stays within the budgets, whatever the file declares.
  if (document.warnings.size() > kGltfImportWarningTextLimit || document.materials.size() > kGltfImportMaterialLimit ||
      document.images.size() > kGltfImportImageLimit || document.textureSources.size() > kGltfImportTextureLimit ||
      document.nodes.size() > kGltfImportNodeLimit || document.meshes.size() > kGltfImportMeshLimit ||
      document.accessors.size() > kGltfImportAccessorLimit || document.bufferViews.size() > kGltfImportBufferViewLimit ||
      document.buffers.size() > kGltfImportBufferLimit)
    __builtin_trap();
  const GltfImportPreflight preflight = phase65PreflightGltf(document);
  (void)phase65PreflightReport(document, preflight);
  // Meshes build as the run builds its nodes: running totals across them.
  std::size_t triangles = 0;
  for (std::size_t m = 0; m < document.meshes.size() && m < 64; ++m) {
    MeshData mesh;
    std::vector<Material> slots;
    std::wstring message;
    if (phase65ImportTriangleMesh(document, static_cast<std::int32_t>(m), mesh, slots, message)) {
      triangles += mesh.faces.size();
      document.verticesImported += static_cast<std::uint32_t>(mesh.vertices.size());
      document.trianglesImported += static_cast<std::uint32_t>(mesh.faces.size());
    }
  }
  if (document.verticesImported > kGltfImportVertexLimit || document.trianglesImported > kGltfImportTriangleLimit)
    __builtin_trap();
  std::vector<std::int32_t> parents;
  std::vector<std::array<double, 16>> worlds;
  composeNodeWorlds(document.nodes, parents, worlds);
  for (const auto& world : worlds) {
    Transform t;
    (void)decomposeTrs(world.data(), t);
  }
  (void)phase65ImportSurvivalReport(document, 0);
  return triangles;
}

}  // namespace vk
