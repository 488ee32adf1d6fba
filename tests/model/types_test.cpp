// Defaults of the document types and copy independence through the
// copy-on-write mesh arrays.
#include <gtest/gtest.h>

#include "model/model.h"

namespace vk {
namespace {

TEST(ModelTypes, DefaultsMatchTheDocumentDefaults) {
  Project project;
  EXPECT_EQ(project.app, L"Veltrask Studio");
  EXPECT_EQ(project.phase, 66100);
  EXPECT_EQ(project.schema, 66100);
  EXPECT_TRUE(project.scene.collections.empty());
  EXPECT_TRUE(project.scene.objects.empty());
  EXPECT_EQ(project.scene.viewportShadingMode, ViewportShadingMode::Lit);
  EXPECT_EQ(project.scene.presetBrowser.previewOnly, 1);

  Object object;
  EXPECT_EQ(object.kind, ObjectKind::Mesh);
  EXPECT_EQ(object.mesh.primitive, L"Cube");
  EXPECT_EQ(object.mesh.vertices, 8);
  EXPECT_EQ(object.mesh.edges, 12);
  EXPECT_EQ(object.mesh.faces, 6);
  EXPECT_TRUE(object.meshData.vertices.empty());
  EXPECT_EQ(object.meshData.validation, L"No mesh data");
  EXPECT_EQ(object.transform.scale, (Vec3{1, 1, 1}));
  EXPECT_DOUBLE_EQ(object.camera.aspect, 16.0 / 9.0);
  EXPECT_DOUBLE_EQ(object.light.intensity, 2.0);
  EXPECT_TRUE(object.material.textureMaps.maps.empty());
  EXPECT_EQ(object.cameraAnimation.keyframes.size(), 0u);
  EXPECT_TRUE(object.transformAnimation.enabled);

  CameraKeyframe cameraKey;
  EXPECT_EQ(cameraKey.settings, object.camera);
  LightKeyframe lightKey;
  EXPECT_EQ(lightKey.settings, LightSettings{});
}

}  // namespace
}  // namespace vk
