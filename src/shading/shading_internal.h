// Helpers shared by the shading sources; not part of the public interface.
#pragma once

#include <cstddef>
#include <string>

namespace vk {
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
