// One hostile input through every stage of the glTF/GLB importer that does
// not touch the scene: shared by the fuzz target and the test that replays
// its findings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk {

// Inputs starting with "glTF" are read as GLB, others as .gltf text. External
// URIs resolve under a folder that does not exist. Returns the number of
// triangles read, so callers can check something was exercised.
std::size_t fuzzGltfImport(const std::uint8_t* data, std::size_t size);

}  // namespace vk
