// Helpers shared by the shading sources; not part of the public interface.
#pragma once

#include <string>

namespace vk::shading {

// Fixed notation with two decimals ("0.55"), locale-free.
std::wstring fixedTwoDecimals(double value);

}  // namespace vk::shading

namespace vk {
struct MeshData;
// subdivideMeshOnce without the final derivation: vertices and faces only.
MeshData subdivideMeshTopology(const MeshData& mesh, double smoothness);

}  // namespace vk
