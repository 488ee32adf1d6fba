// Our own exports come back: every scene object as a node with its name,
// parent and transform, meshes with their fan triangles, other kinds as Empty.
#include <gtest/gtest.h>

#include <fstream>

#include "formats/gltf_export.h"
#include "gltf_import_studio.h"
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
  std::vector<Object*> list;
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

}  // namespace
}  // namespace vk
