// Heavy-mesh proxies: sampling strides, the dense box, what rebuilds the
// cached preview and edge set, the edge fallback, stale pictures after undo
// and camera moves, cache pruning and the visible triangle count.
#include "model/math.h"
#include "model/services.h"
#include "model/undo.h"
#include "viewport/viewport_caches.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::addMeshObject;
using vktest::addSceneObject;
using vktest::FrameCanvas;

class Proxy : public ::testing::Test {
 protected:
  void SetUp() override { vktest::resetEmptyScene(); }
  void TearDown() override { vk::setViewportTextRecording(false); }
  const RECT client{0, 0, 1100, 645};
};

TEST_F(Proxy, StridesAtRestAndWhileNavigating) {
  vk::Object& heavy = addMeshObject(L"Heavy", vktest::gridMesh(200, 200, 8.0));  // 40000 faces
  ASSERT_EQ(heavy.meshData.faces.read().size(), 40000u);
  vk::PreviewProxy& rest = vk::proxyPreviewForObject(heavy, client);
  EXPECT_FALSE(rest.denseProtected);
  EXPECT_EQ(rest.faceBudget, 1400);
  EXPECT_EQ(rest.faceStride, 29);
  EXPECT_LE(rest.faces.size(), 1380u);
  EXPECT_GT(rest.faces.size(), 1300u);
  for (const auto& face : rest.faces) EXPECT_EQ(face.faceIndex % 29, 0);

  appState().orbitDrag = true;
  const vk::PreviewProxy& moving = vk::proxyPreviewForObject(heavy, client);
  EXPECT_TRUE(moving.navigating);
  EXPECT_EQ(moving.faceStride, 96);
  EXPECT_EQ(moving.edgeBudget, 700);
  appState().orbitDrag = false;
  EXPECT_EQ(vk::proxyPreviewForObject(heavy, client).faceStride, 29);  // release rebuilds the fine one
}

TEST_F(Proxy, DenseMeshesAreABoundingBoxWithLabelAndNotice) {
  vk::Object& dense = addMeshObject(L"Dense", vktest::gridMesh(400, 200, 2.0));  // 80000 faces
  dense.transform.position = {0.5, 0, 0};
  EXPECT_TRUE(vk::proxyPreviewForObject(dense, client).denseProtected);
  EXPECT_TRUE(vk::proxyPreviewForObject(dense, client).faces.empty());
  vk::setViewportTextRecording(true);
  FrameCanvas canvas(1100, 645);
  canvas.draw();
  const POINT p = vk::projectToScreen(dense.transform.position, client);
  const auto* label = vktest::logFind(L"Phase 65.2 preview proxy: ");
  const auto* notice = vktest::logFind(L"Full mesh loaded; viewport using bounding-box proxy (80000 tris)");
  ASSERT_NE(label, nullptr);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(label->text, L"Phase 65.2 preview proxy: 80601 verts / 80000 tris");
  EXPECT_EQ(label->rect.left, p.x + 10);
  EXPECT_EQ(notice->rect.left, p.x + 10);
  EXPECT_EQ(notice->rect.top, p.y + 12);
  // The box's corner (max x, min y, min z) carries the unemphasised pen.
  appState().viewYaw = 0.0;
  appState().viewPitch = 90.0;
  appState().orthographic = true;
  canvas.draw();
  const POINT corner = vk::projectToScreen({2.5, 0, -2}, client);
  EXPECT_EQ(canvas.pixel(corner.x, corner.y), RGB(96, 132, 166));
}

TEST_F(Proxy, WhatRebuildsPreviewAndEdgeSet) {
  vk::Object& heavy = addMeshObject(L"Heavy", vktest::gridMesh(180, 180, 8.0));
  const std::wstring firstPreview = vk::proxyPreviewForObject(heavy, client).cacheKey;
  const std::wstring firstTopology = vk::proxyPreviewMeshBuild(heavy).topologyKey;

  heavy.transform.position.x += 1.0;  // a transform: the preview only
  EXPECT_NE(vk::proxyPreviewForObject(heavy, client).cacheKey, firstPreview);
  EXPECT_EQ(vk::proxyPreviewMeshBuild(heavy).topologyKey, firstTopology);

  heavy.meshData.faces.write().pop_back();  // a topology change: both
  vk::rebuildMeshData(heavy);
  const std::wstring secondPreview = vk::proxyPreviewForObject(heavy, client).cacheKey;
  EXPECT_NE(vk::proxyPreviewMeshBuild(heavy).topologyKey, firstTopology);

  // Any document change (a vertex moved by a command) also rebuilds both.
  const std::wstring secondTopology = vk::proxyPreviewMeshBuild(heavy).topologyKey;
  vk::setDirty(true);
  EXPECT_NE(vk::proxyPreviewForObject(heavy, client).cacheKey, secondPreview);
  EXPECT_NE(vk::proxyPreviewMeshBuild(heavy).topologyKey, secondTopology);
}

TEST_F(Proxy, FeatureEdgesAndTheEveryKthFallback) {
  // A grid whose every face appears twice with the same winding: closed,
  // no fold, no boundary.
  vk::MeshData doubled = vktest::gridMesh(30, 40, 4.0);
  auto& faces = doubled.faces.write();
  const auto single = faces;
  faces.insert(faces.end(), single.begin(), single.end());
  vk::Object& smooth = addMeshObject(L"Smooth", doubled);
  const auto edgeCount = smooth.meshData.edges.read().size();
  ASSERT_EQ(edgeCount, 2470u);
  const auto& fallback = vk::proxyPreviewMeshBuild(smooth).edgeIndices;
  ASSERT_EQ(fallback.size(), 1235u);  // every second edge (k = ceil(2470 / 2200))
  EXPECT_EQ(fallback[1], 2);

  // Edges that no face uses are all feature edges; out-of-range ones are skipped.
  vk::Object& loose = addSceneObject(ObjectKind::Mesh, L"Loose");
  loose.meshData = vk::MeshData{};
  loose.meshData.vertices.write() = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  loose.meshData.edges.write() = {{0, 1}, {1, 2}, {2, 7}};
  const auto& edges = vk::proxyPreviewMeshBuild(loose).edgeIndices;
  EXPECT_EQ(edges, (std::vector<std::int64_t>{0, 1}));

  // A flat plane: only the border.
  vk::Object& plane = addMeshObject(L"Plane", vktest::gridMesh(4, 4, 1.0));
  EXPECT_EQ(vk::proxyPreviewMeshBuild(plane).edgeIndices.size(), 16u);
}

TEST_F(Proxy, UndoAndCameraMovesRedrawInsteadOfReusingAStalePicture) {
  vk::Object& heavy = addMeshObject(L"Heavy", vktest::gridMesh(200, 200, 8.0));
  const std::wstring id = heavy.id;
  const POINT before = vk::proxyPreviewForObject(heavy, client).screenPoints[0];

  // A vertex moved by a command (same counts, same transform), then undone.
  vk::pushUndoSnapshot();
  heavy.meshData.vertices.write()[0] = {-6.0, 0.0, -6.0};
  vk::setDirty(true);
  const POINT moved = vk::proxyPreviewForObject(heavy, client).screenPoints[0];
  EXPECT_NE(moved.x, before.x);
  vk::undoLastSnapshot();
  const vk::Object* restored = vk::findObjectById(id);
  ASSERT_NE(restored, nullptr);
  const POINT after = vk::proxyPreviewForObject(*restored, client).screenPoints[0];
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);

  // In Camera View the picture follows the active camera.
  vk::Object& camera = addSceneObject(ObjectKind::Camera, L"Cam");
  camera.transform.position = {0, 5, -20};
  camera.transform.rotation = {10, 0, 0};
  appState().project.scene.activeCameraId = camera.id;
  appState().cameraView = true;
  const vk::Object& object = *vk::findObjectById(id);
  const POINT throughCamera = vk::proxyPreviewForObject(object, client).screenPoints[0];
  vk::findObjectById(camera.id)->transform.position.x += 2.0;
  const POINT cameraMoved = vk::proxyPreviewForObject(object, client).screenPoints[0];
  EXPECT_NE(cameraMoved.x, throughCamera.x);
  EXPECT_EQ(cameraMoved.x, vk::projectToScreen(vk::objectWorldPoint(object, object.meshData.vertices[0]), client).x);
}

TEST_F(Proxy, EntriesOfRemovedObjectsAreDropped) {
  vk::Object& heavy = addMeshObject(L"Heavy", vktest::gridMesh(200, 200, 8.0));
  heavy.id = L"obj-900";  // an id the new project does not bring back
  FrameCanvas canvas(320, 200);
  canvas.draw();
  ASSERT_EQ(vk::viewportCaches().previews.count(heavy.id), 1u);
  ASSERT_EQ(vk::viewportCaches().edgeSets.count(heavy.id), 1u);
  vk::resetToNewProject();  // the new project reuses ids from obj-1 ...
  canvas.draw();
  EXPECT_EQ(vk::viewportCaches().previews.count(L"obj-900"), 0u);
  EXPECT_EQ(vk::viewportCaches().edgeSets.count(L"obj-900"), 0u);
}

TEST_F(Proxy, VisibleTriangleCount) {
  vk::Object& pentagon = addSceneObject(ObjectKind::Mesh, L"Pentagon");
  pentagon.meshData = vk::MeshData{};
  pentagon.meshData.vertices.write() = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 1, 0}};
  pentagon.meshData.faces.write() = {vk::MeshFace{{0, 1, 2, 3, 4}, {}, 0}, vk::MeshFace{{0, 1}, {}, 0}};
  EXPECT_EQ(vk::visibleTriangleCount(), 3);
  vk::Object& bare = addSceneObject(ObjectKind::Mesh, L"Bare");
  bare.meshData = vk::MeshData{};
  bare.mesh.faces = 6;
  EXPECT_EQ(vk::visibleTriangleCount(), 15);
  appState().project.scene.objects.back().mesh.faces = -4;  // a negative stored count adds nothing
  EXPECT_EQ(vk::visibleTriangleCount(), 3);
  addSceneObject(ObjectKind::Camera, L"Cam");
  appState().project.scene.objects[0].visible = false;
  EXPECT_EQ(vk::visibleTriangleCount(), 0);
}

}  // namespace
