// Which objects and faces the mesh exporters write.
#include <gtest/gtest.h>

#include "formats/export_scope.h"
#include "model/objects.h"
#include "model/scene_fixture.h"

namespace vk {
namespace {

class ExportScopeTest : public SceneTest {
 protected:
  // Appends a cube to the scene without selecting it; returns its id.
  static std::wstring appendCube(const std::wstring& name) {
    Object cube = makeObject(ObjectKind::Mesh, name);
    const std::wstring id = cube.id;
    scene().objects.push_back(std::move(cube));
    return id;
  }
  static std::vector<std::wstring> scopeIds() {
    std::vector<std::wstring> ids;
    for (const Object* object : collectSelectedOrVisibleMeshes()) ids.push_back(object->id);
    return ids;
  }
};

TEST_F(ExportScopeTest, SelectedExportableMeshIsTheWholeScope) {
  appendCube(L"Second");
  app().selectedObjectId = L"obj-1";
  EXPECT_EQ(scopeIds(), std::vector<std::wstring>{L"obj-1"});
}

TEST_F(ExportScopeTest, UnexportableSelectionFallsBackToEveryVisibleMesh) {
  const std::wstring second = appendCube(L"Second");
  app().selectedObjectId = L"obj-2";  // the camera
  EXPECT_EQ(scopeIds(), (std::vector<std::wstring>{L"obj-1", second}));

  object(L"obj-1").visible = false;  // a hidden selection falls back as well
  app().selectedObjectId = L"obj-1";
  EXPECT_EQ(scopeIds(), std::vector<std::wstring>{second});

  app().selectedObjectId.clear();
  EXPECT_EQ(scopeIds(), std::vector<std::wstring>{second});
}

TEST_F(ExportScopeTest, HiddenOwnFlagOrAncestorLeavesTheScopeEmpty) {
  const std::wstring group = appendCube(L"Parent");
  object(group).visible = false;
  object(L"obj-1").parentId = group;
  app().selectedObjectId.clear();
  EXPECT_TRUE(scopeIds().empty());
}

TEST_F(ExportScopeTest, ScopeStopsAtTheFirst256InSceneOrder) {
  app().selectedObjectId.clear();
  for (int i = 0; i < 299; ++i) appendCube(L"Cube");
  const std::vector<const Object*> scope = collectSelectedOrVisibleMeshes();
  ASSERT_EQ(scope.size(), 256u);
  EXPECT_EQ(scope.front(), &scene().objects[0]);
  EXPECT_EQ(scope[1], &scene().objects[3]);  // camera and light are passed over
  EXPECT_EQ(scope.back(), &scene().objects[257]);
}

TEST_F(ExportScopeTest, ExportableObjectsAreVisibleMeshesOrTextsWithinTheBudgets) {
  Object mesh = makeObject(ObjectKind::Mesh, L"Cube");
  EXPECT_TRUE(objectWorldExportable(mesh));
  EXPECT_TRUE(objectWorldExportable(makeObject(ObjectKind::Text, L"Text")));
  EXPECT_FALSE(objectWorldExportable(makeObject(ObjectKind::Camera, L"Camera")));
  EXPECT_FALSE(objectWorldExportable(makeObject(ObjectKind::Curve, L"Curve")));

  Object noFaces = mesh;
  noFaces.meshData.faces = std::vector<MeshFace>{};
  EXPECT_FALSE(objectWorldExportable(noFaces));
  Object noVertices = mesh;
  noVertices.meshData.vertices = std::vector<Vec3>{};
  EXPECT_FALSE(objectWorldExportable(noVertices));

  Object big = mesh;
  big.meshData.vertices = std::vector<Vec3>(400000);
  EXPECT_TRUE(objectWorldExportable(big));
  big.meshData.vertices.write().emplace_back();
  EXPECT_FALSE(objectWorldExportable(big));
  Object manyFaces = mesh;
  manyFaces.meshData.faces = std::vector<MeshFace>(600000, MeshFace{{0, 1, 2}, {}, 0});
  EXPECT_TRUE(objectWorldExportable(manyFaces));
  manyFaces.meshData.faces.write().push_back(MeshFace{{0, 1, 2}, {}, 0});
  EXPECT_FALSE(objectWorldExportable(manyFaces));
}

TEST_F(ExportScopeTest, FacesNeedThreeDistinctInRangeCornersAndAtMost64) {
  MeshData mesh;
  mesh.vertices = std::vector<Vec3>(100);
  auto exportable = [&](std::vector<std::int32_t> indices) {
    return objFaceExportable(mesh, MeshFace{std::move(indices), {}, 0});
  };
  EXPECT_TRUE(exportable({0, 1, 2}));
  EXPECT_TRUE(exportable({0, 0, 1, 2}));  // repeats pass once three values differ
  EXPECT_TRUE(exportable({5, 6, 7, 8}));
  EXPECT_FALSE(exportable({0, 0, 1}));
  EXPECT_FALSE(exportable({0, 1}));
  EXPECT_FALSE(exportable({0, 1, 100}));  // equal to the vertex count
  EXPECT_FALSE(exportable({0, -1, 2}));

  std::vector<std::int32_t> corners;
  for (int i = 0; i < 64; ++i) corners.push_back(i);
  EXPECT_TRUE(exportable(corners));
  corners.push_back(64);
  EXPECT_FALSE(exportable(corners));
}

}  // namespace
}  // namespace vk
