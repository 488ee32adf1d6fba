// Scenes and readers shared by the glTF export tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "model/objects.h"
#include "model/scene_fixture.h"

namespace vk {

// A scene emptied of the new project's objects, nothing selected.
class GltfTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    scene().objects.clear();
    app().selectedObjectId.clear();
  }

  static Object& add(Object object) {
    scene().objects.push_back(std::move(object));
    return scene().objects.back();
  }
  static Object& addKind(ObjectKind kind, const std::wstring& name) { return add(makeObject(kind, name)); }
  // A mesh object from raw topology; each face lists corners, optional UV
  // corners and a slot.
  static Object& addMesh(const std::wstring& name, std::vector<Vec3> vertices, std::vector<MeshFace> faces,
                         std::vector<Vec2> uvs = {}, int slots = 1) {
    Object object = makeObject(ObjectKind::Mesh, name);
    object.meshData.vertices = std::move(vertices);
    object.meshData.faces = std::move(faces);
    object.meshData.uvs = std::move(uvs);
    object.materialSlots.slots.assign(static_cast<std::size_t>(slots), Material{});
    for (int s = 0; s < slots; ++s)
      object.materialSlots.slots[static_cast<std::size_t>(s)].name = L"Slot " + std::to_wstring(s);
    return add(std::move(object));
  }
  static MeshFace face(std::vector<int> corners, int slot = 0, std::vector<int> uvCorners = {}) {
    MeshFace f;
    f.indices = std::move(corners);
    f.uvIndices = std::move(uvCorners);
    f.materialIndex = slot;
    return f;
  }
  // One unit quad in the XY plane.
  static Object& addQuad(const std::wstring& name) {
    return addMesh(name, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {face({0, 1, 2, 3})});
  }
  // `triangles` separate triangles in one slot.
  static Object& addTriangles(const std::wstring& name, int triangles, int slot = 0, int slots = 1) {
    std::vector<Vec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::vector<MeshFace> faces(static_cast<std::size_t>(triangles), face({0, 1, 2}, slot));
    return addMesh(name, std::move(vertices), std::move(faces), {}, slots);
  }
  // `count` objects in tiers of `tier`, each parented to a random object of
  // the tier before (so depth count / tier); every `transformEvery`-th one a
  // Group, the others quads. Random TRS: uniform scales, non-uniform ones and
  // mirrors.
  static void addRandomHierarchy(std::mt19937& rng, int count, int tier, int transformEvery, double reach,
                                 double smallest, double largest) {
    std::uniform_real_distribution<double> angle(-180.0, 180.0), coord(-reach, reach), size(smallest, largest);
    std::uniform_int_distribution<int> pick(0, 5), member(0, tier - 1);
    for (int i = 0; i < count; ++i) {
      Object& o = (i % transformEvery == 0) ? addKind(ObjectKind::Group, L"G" + std::to_wstring(i))
                                            : addQuad(L"Q" + std::to_wstring(i));
      o.transform.position = {coord(rng), coord(rng), coord(rng)};
      o.transform.rotation = {angle(rng), angle(rng), angle(rng)};
      const int mode = pick(rng);
      const double u = size(rng);
      o.transform.scale = mode < 2 ? Vec3{u, u, u} : Vec3{size(rng), size(rng), size(rng)};
      if (mode == 5) o.transform.scale.y = -o.transform.scale.y;
      const std::size_t first = scene().objects.size() - 1 - static_cast<std::size_t>(i);
      if (i >= tier) o.parentId = scene().objects[first + static_cast<std::size_t>((i / tier - 1) * tier + member(rng))].id;
    }
  }
  static std::vector<const Object*> all() {
    std::vector<const Object*> list;
    for (Object& o : scene().objects) list.push_back(&o);
    return list;
  }
  static bool build(GltfBuildState& state, std::wstring& error, bool transformNodes = false,
                    const std::wstring& label = L"glTF") {
    return buildGltfState(all(), state, error, transformNodes, label);
  }
};

// The accessor's data as floats (FLOAT) or unsigned integers (indices).
inline std::vector<float> accessorFloats(const GltfBuildState& state, int accessor) {
  const GltfAccessorRecord& a = state.accessors.at(static_cast<std::size_t>(accessor));
  const GltfBufferViewRecord& view = state.bufferViews.at(static_cast<std::size_t>(a.bufferView));
  std::vector<float> values(a.count * static_cast<std::size_t>(gltfAccessorComponentCount(a.type)));
  std::memcpy(values.data(), state.binBytes.data() + view.byteOffset, values.size() * 4);
  return values;
}
inline std::vector<std::uint32_t> accessorIndices(const GltfBuildState& state, int accessor) {
  const GltfAccessorRecord& a = state.accessors.at(static_cast<std::size_t>(accessor));
  const GltfBufferViewRecord& view = state.bufferViews.at(static_cast<std::size_t>(a.bufferView));
  std::vector<std::uint32_t> values(a.count);
  const auto* bytes = reinterpret_cast<const unsigned char*>(state.binBytes.data() + view.byteOffset);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = a.componentType == 5123 ? bytes[2 * i] | (bytes[2 * i + 1] << 8)
                                        : bytes[4 * i] | (bytes[4 * i + 1] << 8) | (bytes[4 * i + 2] << 16) |
                                              (static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24);
  return values;
}

inline bool hasNote(const GltfBuildState& state, const wchar_t* note) {
  int count = 0;
  for (const std::wstring& n : state.qaNotes) count += n == note;
  EXPECT_LE(count, 1) << "a note listed twice";
  return count == 1;
}

}  // namespace vk
