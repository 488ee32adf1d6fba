// Our own exports come back: every scene object as a node with its name,
// parent and transform, meshes with their fan triangles, other kinds as Empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <tuple>

#include "formats/gltf_export.h"
#include "gltf_import_studio.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/objects.h"

namespace vk {
namespace {

class GltfRoundTrip : public test::GltfStudio {};

TEST_F(GltfRoundTrip, ExportedScenesImportWithTheirNamesParentsTransformsAndTriangles) {
  auto& objects = appState().project.scene.objects;
  Object child = makeObject(ObjectKind::Mesh, L"Child Cube");
  child.transform = {{1.5, -2, 0.25}, {30, -45, 60}, {2, 0.5, 1}};
  child.parentId = objects[0].id;
  objects.push_back(child);
  objects[0].transform = {{0.125, 1, -3}, {10, 20, 30}, {1, 1, 1}};
  std::vector<const Object*> list;
  for (Object& o : objects) list.push_back(&o);
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(buildGltfState(list, state, error, true)) << wideToUtf8(error);
  std::string glb;
  ASSERT_TRUE(buildGlbBytes(state, glb, error));
  const std::vector<Object> source = objects;
  for (const auto& [name, bytes] : {std::pair{std::string("scene.gltf"), buildGltfSceneJson(state, false)},
                                    std::pair{std::string("scene.glb"), glb}}) {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    objects = source;
    ASSERT_TRUE(phase65ImportRun(utf8ToWide((root_ / name).string()))) << name;
    std::vector<const Object*> imported;
    for (const Object& o : objects)
      if (o.objectCapsuleId == L"phase65-gltf-import") imported.push_back(&o);
    ASSERT_EQ(imported.size(), source.size()) << name;
    for (std::size_t i = 0; i < source.size(); ++i) {
      const Object& a = source[i];
      const Object& b = *imported[i];
      EXPECT_EQ(b.name, a.name) << name;
      EXPECT_EQ(b.kind, a.kind == ObjectKind::Mesh ? ObjectKind::Mesh : ObjectKind::Empty) << name << " " << i;
      // Six written decimals of a parent's rotation move a child's composed place by a few 1e-6.
      const Vec3 pa = a.transform.position, pb = b.transform.position;
      EXPECT_NEAR(pb.x, pa.x, 1e-5);
      EXPECT_NEAR(pb.y, pa.y, 1e-5);
      EXPECT_NEAR(pb.z, pa.z, 1e-5);
      EXPECT_NEAR(b.transform.rotation.x, a.transform.rotation.x, 1e-3) << name << " " << i;
      EXPECT_NEAR(b.transform.rotation.y, a.transform.rotation.y, 1e-3) << name << " " << i;
      EXPECT_NEAR(b.transform.rotation.z, a.transform.rotation.z, 1e-3) << name << " " << i;
      EXPECT_NEAR(b.transform.scale.x, a.transform.scale.x, 1e-5);
      EXPECT_NEAR(b.transform.scale.y, a.transform.scale.y, 1e-5);
      if (a.kind == ObjectKind::Mesh) {
        std::size_t triangles = 0;
        for (const MeshFace& f : a.meshData.faces) triangles += f.indices.size() - 2;
        EXPECT_EQ(b.meshData.faces.size(), triangles) << name;
      }
    }
    EXPECT_EQ(imported.back()->parentId, imported.front()->id) << name;
  }
}

// One triangle as a reader sees it: object-local corners from the first
// smallest one on (the winding kept), with UVs and its face's material.
struct Corner3 {
  std::array<Vec3, 3> p;
  std::array<Vec2, 3> uv;
  Material material;
};

// GCC 12 at -O2 folds a pair of double -> float -> double conversions
// into nothing; the volatile keeps the rounding.
double asWrittenFloat(double v) {
  volatile float f = static_cast<float>(v);
  return f;
}

std::vector<Corner3> trianglesOf(const Object& object, bool roundToFloat) {
  const std::vector<Vec3>& vertices = object.meshData.vertices.read();
  const std::vector<Vec2>& uvs = object.meshData.uvs.read();
  std::vector<Corner3> out;
  for (const MeshFace& face : object.meshData.faces.read()) {
    for (std::size_t k = 1; k + 1 < face.indices.size(); ++k) {
      const std::size_t c[3] = {0, k, k + 1};
      Corner3 t;
      std::size_t first = 0;
      for (std::size_t i = 0; i < 3; ++i) {
        const Vec3& v = vertices[static_cast<std::size_t>(face.indices[c[i]])];
        t.p[i] = roundToFloat ? Vec3{asWrittenFloat(v.x), asWrittenFloat(v.y), asWrittenFloat(v.z)} : v;
        t.uv[i] = uvs[static_cast<std::size_t>(face.uvIndices[c[i]])];
        if (std::tie(t.p[i].x, t.p[i].y, t.p[i].z) < std::tie(t.p[first].x, t.p[first].y, t.p[first].z)) first = i;
      }
      std::rotate(t.p.begin(), t.p.begin() + static_cast<std::ptrdiff_t>(first), t.p.end());
      std::rotate(t.uv.begin(), t.uv.begin() + static_cast<std::ptrdiff_t>(first), t.uv.end());
      t.material = object.materialSlots.slots.at(static_cast<std::size_t>(face.materialIndex));
      out.push_back(t);
    }
  }
  std::sort(out.begin(), out.end(), [](const Corner3& a, const Corner3& b) {
    return std::tie(a.p[0].x, a.p[0].y, a.p[0].z, a.p[1].x) < std::tie(b.p[0].x, b.p[0].y, b.p[0].z, b.p[1].x);
  });
  return out;
}

// Random three-deep scenes: rotations, uniform scales with a mirror in one
// axis (products of those stay translation, rotation and scale), triangles
// and parallelograms with UVs, two or three slots of random materials.
void addRandomScene(std::mt19937& rng) {
  auto& objects = appState().project.scene.objects;
  objects.clear();
  std::uniform_real_distribution<double> angle(-180.0, 180.0), coord(-3.0, 3.0), size(0.5, 2.0), unit(0.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 3), byte(0, 255);
  for (int i = 0; i < 9; ++i) {
    Object o = makeObject(i % 4 == 0 ? ObjectKind::Group : ObjectKind::Mesh, L"N" + std::to_wstring(i));
    const double u = size(rng);
    const int mirror = pick(rng);
    o.transform = {{coord(rng), coord(rng), coord(rng)},
                   {angle(rng), angle(rng), angle(rng)},
                   {u * (mirror == 0 ? -1 : 1), u * (mirror == 1 ? -1 : 1), u * (mirror == 2 ? -1 : 1)}};
    if (i >= 3) o.parentId = objects[static_cast<std::size_t>(i / 3 - 1) * 3 + static_cast<std::size_t>(pick(rng) % 3)].id;
    if (o.kind == ObjectKind::Mesh) {
      std::vector<Vec3> vertices;
      std::vector<Vec2> uvs;
      std::vector<MeshFace> faces;
      const int slots = 2 + pick(rng) % 2;
      for (int f = 0; f < 6; ++f) {
        const Vec3 a{coord(rng), coord(rng), coord(rng)}, e1{coord(rng), coord(rng), coord(rng)},
            e2{coord(rng), coord(rng), coord(rng)};
        std::vector<Vec3> corners{a, a + e1, a + e1 + e2};
        if (f % 2) corners.push_back(a + e2);  // a parallelogram: convex and flat
        MeshFace face;
        for (const Vec3& c : corners) {
          face.indices.push_back(static_cast<std::int32_t>(vertices.size()));
          face.uvIndices.push_back(static_cast<std::int32_t>(uvs.size()));
          vertices.push_back(c);
          uvs.push_back({unit(rng), unit(rng)});
        }
        face.materialIndex = f % slots;
        faces.push_back(face);
      }
      o.meshData.vertices = std::move(vertices);
      o.meshData.uvs = std::move(uvs);
      o.meshData.faces = std::move(faces);
      o.materialSlots.slots.assign(static_cast<std::size_t>(slots), Material{});
      for (int s = 0; s < slots; ++s) {
        Material& m = o.materialSlots.slots[static_cast<std::size_t>(s)];
        m.name = L"M" + std::to_wstring(i) + L"_" + std::to_wstring(s);
        m.r = byte(rng), m.g = byte(rng), m.b = byte(rng);
        m.alpha = s == 0 ? 1.0 : 0.2 + 0.7 * unit(rng);
        m.metallic = unit(rng);
        m.roughness = unit(rng);
      }
      rebuildMeshData(o);
    }
    objects.push_back(std::move(o));
  }
}

// The world matrix as the images of the origin and the three unit axes.
std::array<Vec3, 4> placement(const Object& o) {
  return {objectWorldPoint(o, {0, 0, 0}), objectWorldPoint(o, {1, 0, 0}), objectWorldPoint(o, {0, 1, 0}),
          objectWorldPoint(o, {0, 0, 1})};
}

TEST_F(GltfRoundTrip, RandomScenesComeBackWithVerticesUvsFaceMaterialsAndPlacement) {
  std::mt19937 rng(23);
  auto& objects = appState().project.scene.objects;
  for (int round = 0; round < 6; ++round) {
    addRandomScene(rng);
    std::vector<const Object*> list;
    for (Object& o : objects) list.push_back(&o);
    GltfBuildState state;
    std::wstring error;
    ASSERT_TRUE(buildGltfState(list, state, error, true)) << wideToUtf8(error);
    EXPECT_EQ(std::count(state.qaNotes.begin(), state.qaNotes.end(), kGltfNoteTopLevelNodes), 0);
    std::string glb;
    ASSERT_TRUE(buildGlbBytes(state, glb, error));
    const std::vector<Object> source = objects;
    for (const auto& [name, bytes] : {std::pair{std::string("random.gltf"), buildGltfSceneJson(state, false)},
                                      std::pair{std::string("random.glb"), glb}}) {
      SCOPED_TRACE(name + " round " + std::to_string(round));
      std::ofstream(root_ / name, std::ios::binary) << bytes;
      objects = source;
      ASSERT_TRUE(phase65ImportRun(utf8ToWide((root_ / name).string())));
      std::vector<const Object*> imported;
      for (const Object& o : objects)
        if (o.objectCapsuleId == L"phase65-gltf-import") imported.push_back(&o);
      ASSERT_EQ(imported.size(), source.size());
      for (std::size_t i = 0; i < source.size(); ++i) {
        const Object& a = source[i];
        const Object& b = *imported[i];
        EXPECT_EQ(b.name, a.name);
        std::size_t parent = source.size();
        for (std::size_t k = 0; k < source.size(); ++k)
          if (!a.parentId.empty() && source[k].id == a.parentId) parent = k;
        EXPECT_EQ(b.parentId, parent < source.size() ? imported[parent]->id : std::wstring()) << i;
        const auto pa = placement(a), pb = placement(b);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_LE(vec3Length(pb[k] - pa[k]), 5e-5) << i;
        if (a.kind != ObjectKind::Mesh) continue;
        const std::vector<Corner3> want = trianglesOf(a, true), got = trianglesOf(b, false);
        ASSERT_EQ(got.size(), want.size()) << i;
        for (std::size_t t = 0; t < want.size(); ++t) {
          for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(got[t].p[c], want[t].p[c]) << i << " triangle " << t;
            EXPECT_NEAR(got[t].uv[c].u, want[t].uv[c].u, 1e-6);
            EXPECT_NEAR(got[t].uv[c].v, want[t].uv[c].v, 1e-6);  // V flipped on the way out and back
          }
          const Material &ma = want[t].material, &mb = got[t].material;
          EXPECT_EQ(std::tie(mb.r, mb.g, mb.b), std::tie(ma.r, ma.g, ma.b)) << i << " triangle " << t;
          EXPECT_NEAR(mb.alpha, ma.alpha, 1e-6);
          EXPECT_NEAR(mb.metallic, ma.metallic, 1e-6);
          EXPECT_NEAR(mb.roughness, ma.roughness, 1e-6);
        }
      }
    }
  }
}

}  // namespace
}  // namespace vk
