// Scene records, component selections, the restored-project repair and the
// mesh load guard.
#include <gtest/gtest.h>
#include <algorithm>

#include <limits>

#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/primitives.h"
#include "model/sanitize.h"

namespace vk {
namespace {

MeshFace face(std::vector<std::int32_t> indices, std::int32_t material = 0) {
  MeshFace f;
  f.indices = std::move(indices);
  f.materialIndex = material;
  return f;
}

Object meshObject(const std::wstring& id, std::vector<Vec3> vertices, std::vector<MeshFace> faces) {
  Object o;
  o.id = id;
  o.meshData.vertices = std::move(vertices);
  o.meshData.faces = std::move(faces);
  return o;
}

std::vector<Vec3> grid(std::size_t count) {
  std::vector<Vec3> points(count);
  for (std::size_t i = 0; i < count; ++i) points[i] = {double(i % 97), double(i / 97), double(i % 5)};
  return points;
}

TEST(SanitizeSceneRecords, RenderTimelineAndBrowsers) {
  RenderSettings render;
  render.outputWidth = 20;
  render.outputHeight = 9000;
  render.source = L"camera";
  sanitizeRenderSettings(render);
  EXPECT_EQ(render.outputWidth, 64);
  EXPECT_EQ(render.outputHeight, 4096);
  EXPECT_EQ(render.source, L"Camera");
  render.source = L"ActiveCamera";
  sanitizeRenderSettings(render);
  EXPECT_EQ(render.source, L"ActiveCamera");

  TimelineBridge timeline;
  timeline.frameStart = 50;
  timeline.frameEnd = 20;
  sanitizeTimelineState(timeline);
  EXPECT_EQ(timeline.frameEnd, 51);
  EXPECT_EQ(timeline.currentFrame, 50);
  timeline.frameStart = 999999;
  timeline.frameEnd = 5;
  sanitizeTimelineState(timeline);
  EXPECT_EQ(timeline.frameEnd, 1000000);
  timeline = TimelineBridge{};
  timeline.currentFrame = 0;
  timeline.fps = 0.0;
  sanitizeTimelineState(timeline);
  EXPECT_EQ(timeline.currentFrame, 1);
  EXPECT_DOUBLE_EQ(timeline.fps, 1.0);
  timeline.fps = 500.0;
  sanitizeTimelineState(timeline);
  EXPECT_DOUBLE_EQ(timeline.fps, 240.0);
  timeline.fps = std::numeric_limits<double>::quiet_NaN();
  sanitizeTimelineState(timeline);
  EXPECT_DOUBLE_EQ(timeline.fps, 24.0);

  EXPECT_EQ(sanitizePresetCategory(L"Lighting"), L"Lighting");
  EXPECT_EQ(sanitizePresetCategory(L"lighting"), L"All");
  EXPECT_EQ(sanitizeCapsuleCategory(L"Object Kit"), L"Object Kit");
  EXPECT_EQ(sanitizeCapsuleCategory(L"Camera"), L"All");

  CapsuleBrowserState capsules;
  capsules.lastPreviewStatus = L"";
  capsules.appliedCapsuleCount = -4;
  sanitizeCapsuleBrowserState(capsules);
  EXPECT_EQ(capsules.lastPreviewStatus, L"Veltrask Capsules ready");
  EXPECT_EQ(capsules.appliedCapsuleCount, 0);
  PresetBrowserState presets;
  presets.lastPreviewStatus = std::wstring(300, L's');
  presets.selectedPresetId = L"\x01\x02";  // nothing printable: the default, not ""
  presets.previewOnly = 0;
  sanitizePresetBrowserState(presets);
  EXPECT_EQ(presets.lastPreviewStatus.size(), 180u);
  EXPECT_EQ(presets.selectedPresetId, L"starter-clean-modeling-scene");
  EXPECT_EQ(presets.previewOnly, 1);
}

TEST(SanitizeSelections, PruneSortAndDeduplicate) {
  appState() = AppState{};
  Object cube;
  cube.meshData = createMeshDataForObject(L"Cube");
  appState().selectedVertices = {5, -1, 2, 5, 99};
  appState().selectedFaces = {6, 0};
  sanitizeComponentSelection(cube);
  EXPECT_EQ(appState().selectedVertices, (std::vector<std::int32_t>{2, 5}));
  EXPECT_EQ(appState().selectedFaces, (std::vector<std::int32_t>{0}));
  Object curve;
  curve.curveData.points.resize(3);
  appState().selectedCurvePoints = {3, 1, 1};
  sanitizeCurvePointSelection(curve);
  EXPECT_EQ(appState().selectedCurvePoints, (std::vector<std::int32_t>{1}));
}

class RestoredProject : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

TEST_F(RestoredProject, CollectionVersionsAndMembers) {
  Project project;
  project.phase = 100;
  project.schema = 70000;
  project.scene.objects = {meshObject(L"obj-1", {}, {}), meshObject(L"obj-2", {}, {})};
  sanitizeRestoredProject(project);
  ASSERT_EQ(project.scene.collections.size(), 1u);
  EXPECT_EQ(project.scene.collections[0].id, L"col-001");
  EXPECT_EQ(project.scene.collections[0].objectIds, (std::vector<std::wstring>{L"obj-1", L"obj-2"}));
  EXPECT_EQ(project.phase, 66100);
  EXPECT_EQ(project.schema, 70000);
}

TEST_F(RestoredProject, FiltersInvalidFacesAndKeepsFacelessMeshes) {
  Project project;
  Object filtered = meshObject(L"obj-1", grid(8), {face({0, 1, 2}), face({0, 0, 1}), face({0, 1, 9})});
  Object allInvalid = meshObject(L"obj-2", grid(8), {face({0, 0, 1})});
  allInvalid.mesh.primitive = L"Plane";
  // What Delete leaves in Edit Mesh: vertices without faces, or nothing at all.
  Object faceless = meshObject(L"obj-3", grid(5), {});
  Object emptied = meshObject(L"obj-4", {}, {});
  emptied.kind = ObjectKind::Text;
  // A note after the summary comes back with the faces it was written for.
  Object noted = meshObject(L"obj-5", grid(8), {face({0, 1, 2})});
  for (Object* object : {&filtered, &noted}) {
    rebuildMeshData(*object);
    object->meshData.validation += L" | skipped faces 2";
  }
  project.scene.objects = {filtered, allInvalid, faceless, emptied, noted};
  sanitizeRestoredProject(project);
  const auto& objects = project.scene.objects;
  ASSERT_EQ(objects[0].meshData.faces.size(), 1u);
  EXPECT_EQ(objects[0].meshData.faces[0].indices, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(objects[0].mesh.faces, 1);
  EXPECT_EQ(objects[1].meshData.vertices.size(), createMeshDataForObject(L"Plane").vertices.size());
  EXPECT_EQ(objects[2].meshData.vertices.size(), 5u);
  EXPECT_TRUE(objects[2].meshData.faces.empty());
  EXPECT_TRUE(objects[3].meshData.vertices.empty());
  EXPECT_FALSE(objects[0].meshData.validation.ends_with(L" | skipped faces 2"));
  EXPECT_EQ(objects[4].meshData.validation, noted.meshData.validation);
}

TEST_F(RestoredProject, HeavyMeshesComeBackExactlyAndShared) {
  Project project;
  Object heavy = meshObject(L"obj-1", grid(70000), {face({0, 0, 1}), face({0, 1, 2})});
  heavy.camera.fov = 0.0;
  project.scene.objects = {heavy};
  Project snapshot = project;
  sanitizeRestoredProject(project);
  const Object& restored = project.scene.objects[0];
  EXPECT_TRUE(restored.meshData.vertices.sharesWith(snapshot.scene.objects[0].meshData.vertices));
  EXPECT_EQ(restored.meshData.faces.size(), 2u);
  EXPECT_DOUBLE_EQ(restored.camera.fov, 1.0);  // the rest of the repair still applies
}

TEST_F(RestoredProject, CurvesAndRestoredIds) {
  Project project;
  Object circle;
  circle.kind = ObjectKind::Curve;
  circle.id = L"obj-5";
  circle.curveData.type = L"Circle";
  Object line = circle;
  line.id = L"";
  line.curveData.type = L"";
  Object second = meshObject(L"", grid(3), {face({0, 1, 2})});
  Object third = meshObject(L"obj-restored", grid(3), {face({0, 1, 2})});
  project.scene.objects = {circle, line, second, third};
  project.scene.activeCameraId = L"obj-5";  // not a camera
  sanitizeRestoredProject(project);
  const auto& objects = project.scene.objects;
  EXPECT_EQ(objects[0].curveData.points.size(), 4u);
  EXPECT_EQ(objects[1].curveData.points.size(), 2u);
  EXPECT_EQ(objects[1].id, L"obj-restored");
  EXPECT_EQ(objects[2].id, L"obj-6");
  EXPECT_EQ(objects[3].id, L"obj-7");
  EXPECT_EQ(project.scene.activeCameraId, L"");
}

TEST(MeshLoadGuard, RebuildsUnsafeMeshesAndFiltersFaces) {
  Object far = meshObject(L"a", grid(4), {face({0, 1, 2})});
  far.meshData.vertices.write()[3].x = 2e6;
  EXPECT_FALSE(sanitizeImportedMeshData(far));
  EXPECT_EQ(far.meshData.vertices.size(), 8u);  // the Cube primitive
  EXPECT_NE(far.meshData.validation.find(
                L" | Phase 46.3 import guard rebuilt unsafe/missing meshData from primitive metadata"),
            std::wstring::npos);

  std::vector<std::int32_t> long129(129);
  for (int i = 0; i < 129; ++i) long129[static_cast<std::size_t>(i)] = i;
  Object mixed = meshObject(L"b", grid(200), {face({0, 1, 1, 2}), face(long129), face({3, 4, 5}, 40),
                                              face({5, 6, 7, 8})});
  EXPECT_TRUE(sanitizeImportedMeshData(mixed));
  const auto& faces = mixed.meshData.faces;
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_EQ(faces[0].indices, (std::vector<std::int32_t>{3, 4, 5}));
  EXPECT_EQ(faces[0].materialIndex, 31);
  EXPECT_EQ(mixed.mesh.faces, 2);
  EXPECT_NE(mixed.meshData.validation.find(L" | Phase 46.3 import-safe geometry verified"), std::wstring::npos);

  Object noValid = meshObject(L"c", grid(4), {face({0, 1, 1})});
  EXPECT_FALSE(sanitizeImportedMeshData(noValid));
  EXPECT_NE(noValid.meshData.validation.find(L"rebuilt mesh with no valid faces"), std::wstring::npos);

  // Three collinear triangles out of four: heavily degenerate.
  Object flat = meshObject(L"d", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}},
                           {face({0, 1, 2}), face({1, 2, 0}), face({2, 0, 1}), face({0, 1, 3})});
  EXPECT_FALSE(sanitizeImportedMeshData(flat));
  EXPECT_NE(flat.meshData.validation.find(L"rebuilt heavily degenerate mesh"), std::wstring::npos);

  // Loose vertices stay only on an edited mesh stored without faces.
  Object edited = meshObject(L"f", grid(3), {});
  edited.mesh.primitive = kEditedMeshLabel;
  EXPECT_TRUE(sanitizeImportedMeshData(edited));
  EXPECT_EQ(edited.meshData.vertices.size(), 3u);
  EXPECT_TRUE(edited.meshData.faces.empty());
  Object cube = meshObject(L"g", grid(3), {});
  EXPECT_FALSE(sanitizeImportedMeshData(cube));
  EXPECT_EQ(cube.meshData.faces.size(), 6u);
  Object editedInvalid = meshObject(L"h", grid(3), {face({0, 1, 1})});
  editedInvalid.mesh.primitive = kEditedMeshLabel;
  EXPECT_FALSE(sanitizeImportedMeshData(editedInvalid));
  Object editedEmpty = meshObject(L"i", {}, {});
  editedEmpty.mesh.primitive = kEditedMeshLabel;
  // Every vertex deleted: the empty mesh stays empty instead of becoming a cube.
  EXPECT_TRUE(sanitizeImportedMeshData(editedEmpty));
  EXPECT_TRUE(editedEmpty.meshData.vertices.empty());
  EXPECT_TRUE(editedEmpty.meshData.faces.empty());

  Object camera = meshObject(L"e", {}, {});
  camera.kind = ObjectKind::Camera;
  EXPECT_TRUE(sanitizeImportedMeshData(camera));
  EXPECT_TRUE(camera.meshData.vertices.empty());
}

TEST(MeshLoadGuard, TheCheckingDerivationKeepsWhatTheRepairingPassKeeps) {
  // Random meshes whose faces are mostly sound, with faces the guard drops
  // (short, too long, out of range, a corner twice, in the short faces'
  // pairs and in long ones) or clamps (material) anywhere among them. The
  // guard's result equals the sound faces derived from scratch.
  uint32_t seed = 5;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 200; ++round) {
    const auto vertexCount = static_cast<std::int32_t>(8 + next() % 200);
    std::vector<Vec3> points;
    for (std::int32_t v = 0; v < vertexCount; ++v)
      points.push_back({next() % 1000 / 7.0, next() % 1000 / 11.0, next() % 1000 / 13.0});
    std::vector<MeshFace> faces, sound;
    const int faceCount = 1 + static_cast<int>(next() % 60);
    const bool anyBad = round % 4 != 0;
    for (int f = 0; f < faceCount; ++f) {
      const std::size_t size = next() % 8 == 0 ? 5 + next() % 140 : 3 + next() % 2;
      std::vector<std::int32_t> corners;
      while (corners.size() < size) {
        const auto v = static_cast<std::int32_t>(next() % static_cast<uint32_t>(vertexCount));
        if (std::find(corners.begin(), corners.end(), v) == corners.end()) corners.push_back(v);
        if (corners.size() == static_cast<std::size_t>(vertexCount)) break;
      }
      MeshFace made = face(corners, static_cast<std::int32_t>(next() % 32));
      const bool keeps = corners.size() >= 3 && corners.size() <= kMeshFaceCornerLimit;
      if (anyBad && next() % 10 == 0) {
        switch (next() % 5) {
          case 0: made.indices.resize(2); break;
          case 1: made.indices.back() = vertexCount + static_cast<std::int32_t>(next() % 3); break;
          case 2: made.indices[1 + next() % (made.indices.size() - 1)] = made.indices[next() % 2]; break;
          case 3: made.indices.back() = made.indices[next() % (made.indices.size() - 1)]; break;
          default: made.materialIndex = next() % 2 ? -3 : 40; break;
        }
      }
      faces.push_back(made);
      std::vector<std::int32_t> sorted(made.indices.begin(), made.indices.end());
      std::sort(sorted.begin(), sorted.end());
      const bool distinct = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
      const bool inRange = !sorted.empty() && sorted.front() >= 0 && sorted.back() < vertexCount;
      if (keeps && made.indices.size() >= 3 && distinct && inRange) {
        sound.push_back(made);
        sound.back().materialIndex = std::clamp(made.materialIndex, 0, 31);
      }
    }
    SCOPED_TRACE(round);
    Object guarded = meshObject(L"a", points, faces);
    Object expected = meshObject(L"a", points, sound);
    rebuildMeshData(expected);
    const bool kept = sanitizeImportedMeshData(guarded);
    if (sound.empty()) {
      EXPECT_FALSE(kept);
      continue;
    }
    ASSERT_TRUE(kept);
    expected.meshData.validation += L" | Phase 46.3 import-safe geometry verified";
    EXPECT_EQ(guarded.meshData, expected.meshData);
    EXPECT_EQ(guarded.mesh.faces, expected.mesh.faces);
  }
}

}  // namespace
}  // namespace vk
