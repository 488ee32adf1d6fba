#include <gtest/gtest.h>

#include <climits>

#include "model/mesh_data.h"
#include "persistence/persistence.h"

namespace {

vk::ProjectLoadResult load(const std::string& text) { return vk::deserializeProject(text); }

// A document whose objects array holds the given items.
std::string document(const std::string& header, const std::string& items) {
  return "{ " + header + (header.empty() ? "" : ", ") + "\"scene\": { \"id\": \"s\" }, \"objects\": [" + items + "] }";
}

vk::Object only(const vk::ProjectLoadResult& r) {
  EXPECT_TRUE(r.usable);
  EXPECT_EQ(r.project.scene.objects.size(), 1u);
  return r.project.scene.objects.at(0);
}

const wchar_t kLegacyStatus[] =
    L"Preserved but disabled by Phase 46.3 import guard so very old projects cannot reopen with camera-dependent "
    L"or legacy preview distortion. Re-enable from Modifier > Stack Controls when wanted.";

TEST(ProjectUsable, DocumentsWithAndWithoutObjects) {
  EXPECT_FALSE(load("").usable);
  EXPECT_FALSE(load("{\"a\":1}").usable);
  EXPECT_FALSE(load(R"({ "objects": [] })").usable);             // no scene block
  EXPECT_FALSE(load(R"({ "objects": [1, "x", []] })").usable);    // no object items
  EXPECT_FALSE(load(R"({ "scene": { "objects": [{}] } })").usable);  // not the top-level array
  EXPECT_FALSE(load(R"({ "scene": {}, "objects": [)").usable);    // an empty array the text ends inside
  // A saved empty project opens again.
  const auto empty = load(R"({ "scene": { "name": "Empty" }, "objects": [] })");
  EXPECT_TRUE(empty.usable);
  EXPECT_TRUE(empty.project.scene.objects.empty());
  ASSERT_EQ(empty.project.scene.collections.size(), 1u);
  EXPECT_EQ(empty.project.scene.name, L"Empty");

  // One item {} is a default Mesh with a cube built from its primitive.
  const vk::Object o = only(load(R"({ "objects": [{}] })"));
  EXPECT_EQ(o.id, L"obj-imported");
  EXPECT_EQ(o.name, L"Object");
  EXPECT_EQ(o.kind, vk::ObjectKind::Mesh);
  EXPECT_EQ(o.collectionId, L"col-001");
  EXPECT_TRUE(o.visible);
  EXPECT_EQ(o.meshData.vertices.size(), 8u);
  EXPECT_EQ(o.meshData.faces.size(), 6u);
}

TEST(ProjectReader, HeaderSceneAndSettingsWithFallbacksAndClamps) {
  const auto r = load(R"({ "name": "N", "scene": { "id": "s1", "name": "objects", "viewportShadingMode": "Material Preview",
    "renderSettings": { "outputWidth": 1e300, "outputHeight": 10 },
    "timelineSettings": { "frameStart": 50, "frameEnd": 10, "fps": 300, "focusObjectId": "ghost" } },
    "objects": [{ "kind": "camera" }, { "id": "obj-1", "name": "wireframe" }] })");
  ASSERT_TRUE(r.usable);
  const vk::Scene& s = r.project.scene;
  EXPECT_EQ(r.project.name, L"N");
  EXPECT_EQ(s.name, L"objects");
  EXPECT_EQ(s.viewportShadingMode, vk::ViewportShadingMode::MaterialPreview);
  EXPECT_EQ(s.renderSettings.outputWidth, 64);  // the truncated value is -2147483648 before the clamp
  EXPECT_EQ(s.renderSettings.outputHeight, 64);
  EXPECT_EQ(s.timelineSettings.frameEnd, 51);
  EXPECT_EQ(s.timelineSettings.fps, 240);
  EXPECT_TRUE(s.timelineSettings.focusObjectId.empty());  // names no object
  EXPECT_EQ(s.objects[0].kind, vk::ObjectKind::Mesh);     // kind names are case-sensitive
  EXPECT_EQ(r.project.phase, 66100);
  EXPECT_EQ(r.project.schema, 66100);

  const auto defaults = load(R"({ "objects": [{ "id": "obj-1" }] })");
  const vk::Scene& d = defaults.project.scene;
  EXPECT_EQ(d.id, L"scene-001");
  EXPECT_EQ(d.renderSettings.outputWidth, 1280);
  EXPECT_TRUE(d.renderSettings.cropCameraFrame);
  EXPECT_EQ(d.viewportShadingMode, vk::ViewportShadingMode::Lit);
  ASSERT_EQ(d.collections.size(), 1u);
  EXPECT_EQ(d.collections[0].objectIds, (std::vector<std::wstring>{L"obj-1"}));
}

TEST(ProjectReader, ObjectIdsAreMadeUniqueTheFirstKeepingItsId) {
  const auto r = load(document("", R"({}, {}, { "id": "obj-7" }, { "id": "obj-7" }, { "id": "" }, { "id": "obj-12abc" })"));
  ASSERT_TRUE(r.usable);
  std::vector<std::wstring> ids;
  for (const auto& o : r.project.scene.objects) ids.push_back(o.id);
  EXPECT_EQ(ids, (std::vector<std::wstring>{L"obj-imported", L"obj-13", L"obj-7", L"obj-14", L"obj-15", L"obj-12abc"}));
  EXPECT_EQ(r.project.scene.collections[0].objectIds, ids);
  // An item's own id decides, never an id nested in its blocks.
  const vk::Object o = only(load(document("", R"({ "modifierStack": { "entries": [{ "id": "mod-9", "type": "Twist" }] } })")));
  EXPECT_EQ(o.id, L"obj-imported");
}

TEST(ProjectReader, ObjectBlocksAreTakenOnlyFromTheirOwnMembers) {
  // "material": null takes no later block; a Camera named "camera" keeps its settings.
  const vk::Object cam = only(load(document("", R"({ "name": "camera", "kind": "Camera", "material": null,
      "mesh": { "vertices": 8 }, "transform": { "position": { "x": 1, "y": 2, "z": 3 } },
      "camera": { "fov": 70, "nearClip": 0.5 } })")));
  EXPECT_EQ(cam.name, L"camera");
  EXPECT_EQ(cam.camera.fov, 70);
  EXPECT_EQ(cam.camera.nearClip, 0.5);
  EXPECT_EQ(cam.material.r, 72);
  EXPECT_EQ(cam.transform.position, (vk::Vec3{1, 2, 3}));
  EXPECT_TRUE(cam.meshData.faces.empty());  // a Camera keeps the empty placeholder mesh

  const vk::Object m = only(load(document("", R"({ "material": { "r": 300, "g": -5, "b": 12.9 } })")));
  EXPECT_EQ(m.materialSlots.slots.at(0).r, 255);
  EXPECT_EQ(m.materialSlots.slots.at(0).g, 0);
  EXPECT_EQ(m.materialSlots.slots.at(0).b, 12);
}

TEST(ProjectReader, MeshArraysArePositional) {
  // Face 1 is too short and dropped together with its UV and material entries;
  // a malformed vertex keeps its place as zeros.
  const vk::Object o = only(load(document("", R"({ "meshData": {
      "vertices": [{ "x": 0, "y": 0, "z": 0 }, { "y": 5, "x": 1, "z": 0 }, "broken", { "x": 0, "y": 1, "z": 1 }],
      "uvs": [{ "u": 0, "v": 0 }, { "u": 1, "v": 0 }, { "u": 1, "v": 1 }],
      "faces": [[0, 1, 3], [0, 1], [1, 3, 0], [0, 3, 1]],
      "faceUvIndices": [[0, 1, 2], [0, 1], [], [0, 1, 9]],
      "faceMaterialIndices": [1, 0, 0, 1] }, "materialSlots": { "slots": [{}, {}] } })")));
  const auto& v = o.meshData.vertices.read();
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[1], (vk::Vec3{1, 5, 0}));
  EXPECT_EQ(v[2], (vk::Vec3{0, 0, 0}));
  const auto& f = o.meshData.faces.read();
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].uvIndices, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(f[0].materialIndex, 1);
  EXPECT_TRUE(f[1].uvIndices.empty());
  EXPECT_EQ(f[1].materialIndex, 0);
  EXPECT_TRUE(f[2].uvIndices.empty());  // points past the UV list
  EXPECT_EQ(f[2].materialIndex, 1);

  // Vertices without faces: a primitive's mesh is rebuilt (files of empty
  // primitives rely on it); an edited mesh keeps its loose vertices, unless
  // its stored faces were all unusable.
  const vk::Object cube = only(load(document("", R"({ "meshData": { "vertices": [{ "x": 0, "y": 0, "z": 0 }], "faces": [] } })")));
  EXPECT_EQ(cube.meshData.faces.size(), 6u);
  const vk::Object emptyCube = only(load(document("", R"({ "meshData": { "vertices": [], "faces": [] } })")));
  EXPECT_EQ(emptyCube.meshData.vertices.size(), 8u);
  EXPECT_EQ(emptyCube.meshData.faces.size(), 6u);
  const std::string edited = R"({ "mesh": { "primitive": "Edited Mesh" }, "meshData": { "vertices": [{ "x": 0, "y": 0, "z": 0 },
      { "x": 1, "y": 0, "z": 0 }], "faces": FACES } })";
  const auto editedWith = [&](const std::string& faces) {
    std::string text = edited;
    return only(load(document("", text.replace(text.find("FACES"), 5, faces))));
  };
  const vk::Object loose = editedWith("[]");
  EXPECT_EQ(loose.meshData.vertices.size(), 2u);
  EXPECT_TRUE(loose.meshData.faces.empty());
  EXPECT_EQ(loose.mesh.vertices, 2);
  EXPECT_EQ(editedWith("[[0, 1]]").meshData.faces.size(), 6u);
}

TEST(ProjectReader, UvIndicesUpToTheModelLimitSurvive) {
  std::string uvs, face;
  for (int i = 0; i < 250000; ++i) uvs += (i ? ", " : "") + std::string("{ \"u\": 0.5, \"v\": 0.25 }");
  const vk::Object o = only(load(document("", R"({ "meshData": { "vertices": [{ "x": 0, "y": 0, "z": 0 },
      { "x": 1, "y": 0, "z": 0 }, { "x": 0, "y": 1, "z": 0 }], "uvs": [)" + uvs + R"(],
      "faces": [[0, 1, 2]], "faceUvIndices": [[0, 210000, 249999]] } })")));
  EXPECT_EQ(o.meshData.uvs.size(), 250000u);
  EXPECT_EQ(o.meshData.faces[0].uvIndices, (std::vector<int>{0, 210000, 249999}));
}

TEST(ProjectReader, SubBlocksWithTheirFallbacksAndCaps) {
  const vk::Object o = only(load(document("", R"({ "materialSlots": { "activeIndex": 40, "slots": [{}, {}, { "r": 9,
      "textureMaps": { "maps": [{ "channel": "normal", "path": "C:\\tex\\a.png" }, { "channel": "alpha", "path": "", "enabled": true },
      { "channel": "color", "path": "x.png", "missing": true, "sourceKind": "data-uri" }] } }] },
    "curveData": { "type": "Circle", "resolution": 1000, "bevelRadius": -3, "points": [{}, { "position": { "x": 2 } }] },
    "modifierStack": { "entries": [{ "type": "Twist" }, { "type": "Warp", "version": 5000 }, { "type": "Bevel", "version": 0,
      "parameters": [{ "number": 0.5 }, { "number": 0 }] }] } })")));
  const auto& slots = o.materialSlots.slots;
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(o.materialSlots.activeIndex, 2);
  EXPECT_EQ(slots[2].name, L"Material 3");
  EXPECT_EQ(slots[2].r, 9);
  EXPECT_EQ(slots[0].r, 72);
  const auto& maps = slots[2].textureMaps.maps;
  ASSERT_EQ(maps.size(), 6u);
  EXPECT_EQ(maps[0].channel, L"color");
  EXPECT_FALSE(maps[0].missing);
  EXPECT_EQ(maps[1].path, L"C:/tex/a.png");
  EXPECT_TRUE(maps[1].enabled);
  EXPECT_FALSE(maps[1].relative);
  EXPECT_EQ(maps[1].colorSpace, L"Linear");
  EXPECT_FALSE(maps[4].enabled);

  EXPECT_TRUE(o.curveData.closed);
  EXPECT_EQ(o.curveData.resolution, 64);
  EXPECT_EQ(o.curveData.bevelRadius, 0);
  ASSERT_EQ(o.curveData.points.size(), 2u);
  EXPECT_EQ(o.curveData.points[1].position, (vk::Vec3{2, 0, 0}));
  EXPECT_EQ(o.curveData.points[0].handleIn, (vk::Vec3{-0.25, 0, 0}));

  const auto& e = o.modifierStack.entries;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].id, L"mod-1");
  EXPECT_TRUE(e[0].known && e[0].enabled);
  EXPECT_EQ(e[0].displayName, L"Twist");
  EXPECT_EQ(e[1].version, 999);
  EXPECT_FALSE(e[1].known || e[1].enabled);
  EXPECT_EQ(e[1].status, L"Unknown modifier preserved safely; disabled from evaluation until a later compatible phase.");
  EXPECT_EQ(e[2].version, 1);
  ASSERT_EQ(e[2].parameters.size(), 2u);
  EXPECT_EQ(e[2].parameters[0].key, L"param");
  EXPECT_TRUE(e[2].parameters[0].flag);
  EXPECT_FALSE(e[2].parameters[1].flag);
}

TEST(ProjectReader, KeyTracksAcceptOlderSchemasAndKeepTheLaterKeyOfAFrame) {
  std::string keys;
  for (int i = 0; i < 1200; ++i) keys += (i ? ", " : "") + std::string("{ \"frame\": ") + std::to_string(1200 - i) + " }";
  const vk::Object o = only(load(document("", R"({ "kind": "Camera",
    "transformAnimation": { "schema": "transform-keyframes-v1", "keyframes": [{ "frame": 5, "position": { "x": 1, "y": 2, "z": 3 } }] },
    "cameraAnimation": { "schema": "camera-keyframes-v1", "keyframes": [{ "frame": 10, "fov": 30, "note": "first" }, { "frame": 10, "fov": 40, "note": "second" }, { "frame": 3 }] },
    "lightAnimation": { "keyframes": [)" + keys + R"(] } })")));
  EXPECT_EQ(o.transformAnimation.schema, L"transform-keyframes-v2");
  ASSERT_EQ(o.transformAnimation.keyframes.size(), 1u);
  EXPECT_EQ(o.transformAnimation.keyframes[0].scale, (vk::Vec3{1, 1, 1}));
  EXPECT_EQ(o.transformAnimation.keyframes[0].id, L"tkey-5");
  const auto& cam = o.cameraAnimation.keyframes;
  ASSERT_EQ(cam.size(), 2u);
  EXPECT_EQ(cam[0].settings.fov, 50);
  EXPECT_EQ(cam[1].note, L"second");
  EXPECT_EQ(cam[1].settings.fov, 40);
  const auto& light = o.lightAnimation.keyframes;
  ASSERT_EQ(light.size(), 1000u);  // the first 1000 of the file: frames 1200 down to 201
  EXPECT_EQ(light.front().frame, 201);
  EXPECT_EQ(light.back().frame, 1200);
}

TEST(LoadGuards, LegacyModifierSchemaActiveCameraAndStamp) {
  const std::string bevel = R"({ "id": "obj-1", "modifierStack": { "entries": [{ "type": "Bevel" }, { "type": "Mirror" }, { "type": "bevel", "status": "kept" }] } })";
  const auto old = load(document("\"schema\": 4699", bevel));
  const auto& e = old.project.scene.objects.at(0).modifierStack.entries;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_FALSE(e[0].enabled);
  EXPECT_EQ(e[0].status, kLegacyStatus);
  EXPECT_TRUE(e[1].enabled);
  EXPECT_FALSE(e[2].enabled);
  EXPECT_EQ(e[2].status, L"kept");
  EXPECT_TRUE(load(document("\"schema\": 4700", bevel)).project.scene.objects.at(0).modifierStack.entries[0].enabled);

  const std::string objects = R"({ "id": "obj-1", "kind": "Light" }, { "id": "obj-2", "kind": "Camera" })";
  const auto withCamera = [&](const std::string& schema, const std::string& camera) {
    return load("{ \"schema\": " + schema + ", \"scene\": { \"activeCameraId\": \"" + camera + "\" }, \"objects\": [" + objects + "] }")
        .project.scene.activeCameraId;
  };
  EXPECT_EQ(withCamera("66100", ""), L"");
  EXPECT_EQ(withCamera("66099", ""), L"obj-2");
  EXPECT_EQ(withCamera("66100", "obj-1"), L"obj-2");  // names a Light
  EXPECT_EQ(withCamera("66099", "obj-1"), L"obj-2");
  const auto stamped = load(document("\"phase\": 12, \"schema\": 3000", "{}"));
  EXPECT_EQ(stamped.project.phase, 66100);
  EXPECT_EQ(stamped.project.schema, 66100);
  // Without a header schema, no legacy guard applies (a nested "schema" string is not it).
  EXPECT_TRUE(load(document("", bevel)).project.scene.objects.at(0).modifierStack.entries[0].enabled);
}

TEST(LoadGuards, ImportedAssetStateOnLoad) {
  const auto r = load(document("", R"({ "id": "obj-1", "importedAssetSourcePath": "/nonexistent/asset.glb" },
      { "id": "obj-2", "importedAssetImportReport": "report", "importedAssetMissingOnLoad": true },
      { "id": "obj-3", "importedAssetSourcePath": ")" VK_TEST_DATA_DIR R"(" })"));
  const auto& o = r.project.scene.objects;
  EXPECT_TRUE(o[0].importedAssetLoadedFromProject && o[0].importedAssetMissingOnLoad);
  EXPECT_TRUE(o[1].importedAssetLoadedFromProject && o[1].importedAssetMissingOnLoad);
  EXPECT_TRUE(o[2].importedAssetLoadedFromProject);
  EXPECT_FALSE(o[2].importedAssetMissingOnLoad);
}

TEST(LoadGuards, ImportedMeshSafetyWeighsTheMeshAsItOpens) {
  // An imported grid of 110 x 110 vertices and 109 x 109 quads has 23980
  // edges: past the edit budget by its edges alone. Its safe-selection flag,
  // stored unset, is set on open from the mesh as derived.
  vk::Object grid;
  grid.id = L"obj-1";
  grid.mesh.primitive = L"glTF Mesh";
  std::vector<vk::Vec3> vertices;
  std::vector<vk::MeshFace> faces;
  for (int r = 0; r < 110; ++r)
    for (int c = 0; c < 110; ++c) vertices.push_back({c * 0.1, 0, r * 0.1});
  for (int r = 0; r < 109; ++r)
    for (int c = 0; c < 109; ++c) faces.push_back({{r * 110 + c, (r + 1) * 110 + c, (r + 1) * 110 + c + 1, r * 110 + c + 1}, {}, 0});
  grid.meshData.vertices = std::move(vertices);
  grid.meshData.faces = std::move(faces);
  vk::rebuildMeshData(grid);
  ASSERT_EQ(grid.meshData.edges.size(), 23980u);
  vk::Project project;
  project.scene.objects.push_back(grid);
  const vk::Object opened = only(load(vk::serializeProject(project, 0)));
  EXPECT_EQ(opened.meshData.edges.size(), 23980u);
  EXPECT_TRUE(opened.importedMeshSafeSelectionOnly);
  EXPECT_NE(opened.importedMeshEditSafety.find(L"Dense component editing is guarded"), std::wstring::npos);
}

}  // namespace
