// Helpers shared by the shading sources; not part of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vk {

// A packed 0x00BBGGRR colour from its channels' low 8 bits.
inline std::uint32_t packColor(int r, int g, int b) {
  return static_cast<std::uint32_t>(r & 0xFF) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
         (static_cast<std::uint32_t>(b & 0xFF) << 16);
}

// trunc((target - c) * t + c): the one mixing step of every colour formula.
inline int mixChannel(int c, int target, double t) {
  return static_cast<int>(static_cast<double>(target - c) * t + static_cast<double>(c));
}

struct MeshData;
struct Object;
// subdivideMeshOnce without the final derivation: vertices and faces only.
MeshData subdivideMeshTopology(const MeshData& mesh, double smoothness);

// Faces the builder would make for the element, counted without building:
// 0 when it leaves the element as it is, else at least what it makes (every
// pass of a subdivision counts). Saturating.
std::size_t predictBevelFaces(const Object& element);
std::size_t predictSolidifyFaces(const Object& element);
std::size_t predictSubdivisionFaces(const Object& element, int levels);
std::size_t predictDeformFaces(const Object& element);

}  // namespace vk
