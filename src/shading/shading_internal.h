// Helpers shared by the shading sources; not part of the public interface.
#pragma once

#include <string>

namespace vk {
struct MeshData;
// subdivideMeshOnce without the final derivation: vertices and faces only.
MeshData subdivideMeshTopology(const MeshData& mesh, double smoothness);

}  // namespace vk
