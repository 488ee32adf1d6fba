// libFuzzer target for the glTF/GLB importer: load (container, buffers, JSON,
// materials, nodes), audit, preflight and its report, and every mesh.
// Inputs starting with "glTF" are read as GLB, anything else as .gltf text.
// Seeds: tests/data/formats/gltf; findings: tests/data/formats/gltf/fuzz.
#include "formats/gltf_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vk::fuzzGltfImport(data, size);
  return 0;
}
