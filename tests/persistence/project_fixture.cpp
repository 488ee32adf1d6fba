#include "project_fixture.h"

#include <fstream>
#include <sstream>

#include "model/curves.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk_test {
namespace {

using namespace vk;

TextureMap textureMap(const wchar_t* channel, const wchar_t* path) {
  TextureMap map;
  map.channel = channel;
  map.path = path;
  map.colorSpace = defaultColorSpaceForSlot(channel);
  map.enabled = true;
  return map;
}

Material slot(const wchar_t* name, int r, int g, int b, double roughness, double metallic) {
  Material m;
  m.name = name;
  m.r = r;
  m.g = g;
  m.b = b;
  m.roughness = roughness;
  m.metallic = metallic;
  return m;
}

ModifierParam param(const wchar_t* key, const wchar_t* kind, double number, const wchar_t* text, bool flag) {
  return ModifierParam{key, kind, number, text, flag};
}

Modifier modifier(const wchar_t* id, const wchar_t* type, std::vector<ModifierParam> params) {
  Modifier m;
  m.id = id;
  m.type = type;
  m.displayName = modifierDisplayName(type);
  m.parameters = std::move(params);
  return m;
}

// The per-object repairs a load applies, so that the fixture is what a
// reader gives back.
void finishObject(Object& o) {
  // The default aspect 16/9 is saved with four decimals, like every fixed field.
  if (o.camera.aspect == 16.0 / 9.0) o.camera.aspect = 1.7778;
  if (o.meshData.vertices.empty() || o.meshData.faces.empty()) initMeshData(o);
  sanitizeObjectCapsuleFields(o);
  sanitizeMaterialSlots(o);
  sanitizeModifierStack(o);
  sanitizeTransformKeyTrack(o);
  sanitizeCameraKeyframes(o);
  sanitizeLightKeyframes(o);
  sanitizeCameraLightSettings(o);
  sanitizeImportedTransform(o);
  if (o.kind == ObjectKind::Mesh || o.kind == ObjectKind::Text) {
    if (o.meshData.vertices.empty() || o.meshData.faces.empty()) initMeshData(o);
    sanitizeImportedMeshData(o);
  }
  if (!o.importedAssetSourcePath.empty() || !o.importedAssetImportReport.empty()) {
    o.importedAssetLoadedFromProject = true;
  }
}

void finishProject(Project& p) {
  Collection main;
  for (Object& o : p.scene.objects) {
    finishObject(o);
    main.objectIds.push_back(o.id);
  }
  p.scene.collections = {main};
  sanitizeRenderSettings(p.scene.renderSettings);
  sanitizeTimelineState(p.scene.timelineSettings);
  sanitizePresetBrowserState(p.scene.presetBrowser);
  sanitizeCapsuleBrowserState(p.scene.capsuleBrowser);
}

Object pyramidMesh() {
  Object o;
  o.id = L"obj-1";
  o.name = L"Pyramid \"Mesh\"";
  o.kind = ObjectKind::Mesh;
  o.mesh.primitive = L"Edited Mesh";
  o.transform = {{1.5, 0, -2.25}, {0, 45, 0}, {1, 2, 1}};
  o.objectCapsuleId = L"capsule-fixture";
  o.objectCapsuleLabel = L"Fixture";
  o.objectCapsuleNote = L"Built for the golden file";
  MeshData& mesh = o.meshData;
  mesh.vertices = std::vector<Vec3>{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}, {0, 1.5, 0}, {999999.7, 1e-7, 1234.5678}};
  mesh.uvs = std::vector<Vec2>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0.3333333}};
  mesh.faces = std::vector<MeshFace>{
      {{0, 3, 2, 1}, {0, 3, 2, 1}, 0},
      {{0, 1, 4}, {0, 1, 4}, 1},
      {{1, 2, 4}, {}, 1},
      {{2, 3, 4}, {2, 3, 4}, 0},
      {{3, 0, 4}, {}, 1},
  };
  rebuildMeshData(o);
  Material wood = slot(L"Wood", 180, 120, 60, 0.8, 0);
  wood.textureMaps.maps = {textureMap(L"color", L"textures/wood_fixture_missing.png"),
                           textureMap(L"normal", L"/nonexistent/fixture/wood_normal.png")};
  Material steel = slot(L"Steel", 200, 200, 210, 0.25, 1);
  steel.alpha = 0.75;
  steel.emission = 0.5;
  TextureMap embedded = textureMap(L"roughness", L"scene.glb#image2");
  embedded.sourceKind = L"embedded-bufferView";
  embedded.mimeType = L"image/png";
  embedded.embedded = true;
  embedded.textureIndex = 2;
  embedded.imageIndex = 2;
  embedded.bufferView = 7;
  embedded.byteLength = 123456;
  steel.textureMaps.maps = {embedded};
  o.materialSlots.slots = {wood, steel};
  o.materialSlots.activeIndex = 1;
  o.modifierStack.entries = {
      modifier(L"mod-1", L"Mirror", {param(L"axis", L"text", 0, L"X", false), param(L"merge", L"bool", 0, L"", true)}),
      modifier(L"mod-2", L"Bevel", {param(L"width", L"number", 0.125, L"", false), param(L"segments", L"number", 3, L"", true)}),
      modifier(L"mod-3", L"Warp", {param(L"strength", L"number", -2.5, L"raw \"text\"", false)}),
  };
  TransformKeyframe k1;
  k1.frame = 1;
  k1.position = {0, 0, 0};
  TransformKeyframe k2;
  k2.frame = 48;
  k2.position = {1.5, 0.1, -2.25};
  k2.rotation = {0, 90, 0};
  k2.interpolation = L"Ease In Out";
  k2.note = L"Turn\tright";
  o.transformAnimation.keyframes = {k1, k2};
  o.transformAnimation.selectedKeyId = L"tkey-48";
  return o;
}

Object cameraObject() {
  Object o;
  o.id = L"obj-2";
  o.name = L"camera";
  o.kind = ObjectKind::Camera;
  o.transform = {{0, 2, -6}, {-15, 0, 0}, {1, 1, 1}};
  o.camera = {35, 0.05, 500, 1.5};
  CameraKeyframe a;
  a.frame = 10;
  a.settings = {35, 0.05, 500, 1.5};
  CameraKeyframe b;
  b.frame = 60;
  b.settings = {70, 0.1, 800, 1.5};
  b.interpolation = L"Hold";
  o.cameraAnimation.keyframes = {a, b};
  return o;
}

Object lightObject() {
  Object o;
  o.id = L"obj-3";
  o.name = L"Key Light";
  o.kind = ObjectKind::Light;
  o.parentId = L"obj-6";
  o.light.type = L"Spot";
  o.light.intensity = 3.5;
  o.light.range = 25;
  o.light.spotAngle = 40;
  o.light.areaSize = 1;
  o.light.r = 255;
  o.light.g = 230;
  o.light.b = 200;
  o.light.capsuleId = L"light-capsule";
  LightKeyframe a;
  a.frame = 1;
  a.settings = o.light;
  LightKeyframe b;
  b.frame = 24;
  b.settings = o.light;
  b.settings.intensity = 7.25;
  b.settings.r = 120;
  o.lightAnimation.keyframes = {a, b};
  return o;
}

Object curveObject() {
  Object o;
  o.id = L"obj-4";
  o.name = L"Path";
  o.kind = ObjectKind::Curve;
  o.mesh.primitive = L"Curve";
  initCurveData(o, L"Bezier");
  o.curveData.bevelRadius = 0.125;
  o.curveData.extrusion = 0.5;
  o.curveData.resolution = 12;
  o.curveData.points[0].handleType = L"Corner";
  rebuildCurveData(o);
  return o;
}

Object simpleObject(const wchar_t* id, const wchar_t* name, ObjectKind kind, const wchar_t* primitive) {
  Object o;
  o.id = id;
  o.name = name;
  o.kind = kind;
  o.mesh.primitive = primitive;
  initMeshData(o);
  return o;
}

}  // namespace

vk::Project makeRichProject() {
  Project p;
  p.name = L"Fixture \u00e9 project";
  Scene& s = p.scene;
  s.id = L"scene-fixture";
  s.name = L"objects";
  s.activeCameraId = L"obj-2";
  s.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  s.renderSettings = {L"Viewport", 1920, 1080, false};
  s.timelineSettings.frameStart = 5;
  s.timelineSettings.frameEnd = 250;
  s.timelineSettings.currentFrame = 12;
  s.timelineSettings.fps = 30;
  s.timelineSettings.loopPlayback = false;
  s.timelineSettings.focusObjectId = L"obj-1";
  s.presetBrowser.visible = false;
  s.presetBrowser.categoryFilter = L"Lighting";
  s.presetBrowser.selectedPresetId = L"lighting-three-point";
  s.presetBrowser.lastPreviewStatus = L"Previewing three-point lighting";
  s.capsuleBrowser.categoryFilter = L"Object Kit";
  s.capsuleBrowser.lastAppliedCapsuleId = L"capsule-basic-primitive-kit";
  s.capsuleBrowser.appliedCapsuleCount = 3;
  s.capsuleBrowser.previewArmed = true;

  Object imported = simpleObject(L"obj-5", L"material.glb", ObjectKind::Mesh, L"Cube");
  imported.importedAssetSourcePath = L"/nonexistent/fixture/material.glb";
  imported.importedAssetOriginalName = L"Material";
  imported.importedAssetSourceKind = L"glb";
  imported.importedAssetImportReport = L"Imported 1 mesh\nwarnings: none";
  imported.importedAssetMissingOnLoad = true;
  s.objects = {pyramidMesh(),
               cameraObject(),
               lightObject(),
               curveObject(),
               imported,
               simpleObject(L"obj-6", L"Rig", ObjectKind::Group, L"Group"),
               simpleObject(L"obj-7", L"Marker", ObjectKind::Empty, L"Empty"),
               simpleObject(L"obj-8", L"Title", ObjectKind::Text, L"Text")};
  finishProject(p);
  return p;
}

namespace {

// Texts a writer or reader could trip over.
const std::wstring kHostile[] = {
    L"plain",
    L"quote \" and backslash \\",
    L"tab\tcr\rlf\n",
    std::wstring(L"ctl\x01\x1f") + L'\x7f',
    L"caf\u00e9",
    L"\U0001F600 emoji",
    L"camera",
    L"mesh",
    L"meshData",
    L"objects",
    L"\"objects\": [",
    L"}{][",
    L"\\u00e9",
    L"",
};

std::wstring hostileText(std::mt19937& rng) {
  std::uniform_int_distribution<size_t> pick(0, std::size(kHostile) - 1);
  std::wstring text = kHostile[pick(rng)];
  if (rng() % 3 == 0) text += kHostile[pick(rng)];
  return text;
}

double anyDouble(std::mt19937& rng, double range) {
  std::uniform_real_distribution<double> d(-range, range);
  return d(rng);
}

// Values the four-decimal fields keep exactly.
double fixed4(std::mt19937& rng, double lo, double hi) {
  std::uniform_int_distribution<long long> d(static_cast<long long>(lo * 10000), static_cast<long long>(hi * 10000));
  return static_cast<double>(d(rng)) / 10000.0;
}

std::wstring pickText(std::initializer_list<const wchar_t*> texts, std::mt19937& rng) {
  return texts.begin()[rng() % texts.size()];
}

Vec3 anyVec(std::mt19937& rng, double range) { return {anyDouble(rng, range), anyDouble(rng, range), anyDouble(rng, range)}; }

}  // namespace

vk::Project makeRandomProject(std::mt19937& rng) {
  Project p;
  p.name = hostileText(rng);
  p.scene.name = hostileText(rng);
  p.scene.id = hostileText(rng);
  p.scene.viewportShadingMode = static_cast<ViewportShadingMode>(rng() % 4);
  p.scene.timelineSettings.fps = fixed4(rng, 1, 240);
  p.scene.timelineSettings.bridgeMode = L"Scene3D";
  const int objectCount = static_cast<int>(rng() % 6);
  for (int i = 0; i < objectCount; ++i) {
    Object o;
    o.id = L"obj-" + std::to_wstring(i + 1);
    o.name = hostileText(rng);
    o.kind = static_cast<ObjectKind>(rng() % 7);
    o.mesh.primitive = pickText({L"Cube", L"Plane", L"Sphere", L"Torus"}, rng);
    o.visible = rng() % 2;
    o.locked = rng() % 2;
    o.transform.position = anyVec(rng, 1000);
    o.transform.rotation = anyVec(rng, 360);
    o.importedAssetImportReport = hostileText(rng);
    o.importedAssetWarnings = hostileText(rng);
    o.camera.fov = fixed4(rng, 1, 179);
    o.light.intensity = fixed4(rng, 0, 100);
    if (o.kind == ObjectKind::Mesh || o.kind == ObjectKind::Text) {
      initMeshData(o);
      // A few random vertices with shortest-form doubles, and UVs on some faces.
      std::vector<Vec3> vertices(o.meshData.vertices.read());
      for (Vec3& v : vertices) v = anyVec(rng, 10);
      o.meshData.vertices = vertices;
      std::vector<Vec2> uvs;
      std::vector<MeshFace> faces(o.meshData.faces.read());
      for (MeshFace& f : faces) {
        f.materialIndex = static_cast<int>(rng() % 3);
        if (rng() % 2) continue;
        for (size_t k = 0; k < f.indices.size(); ++k) {
          f.uvIndices.push_back(static_cast<int>(uvs.size()));
          uvs.push_back({anyDouble(rng, 1), anyDouble(rng, 1)});
        }
      }
      o.meshData.faces = faces;
      o.meshData.uvs = uvs;
      rebuildMeshData(o);
    } else {
      initMeshData(o);
    }
    if (o.kind == ObjectKind::Curve) initCurveData(o, pickText({L"Bezier", L"Circle", L"Line"}, rng));
    for (int s = 0, n = static_cast<int>(rng() % 3); s < n; ++s) {
      Material m;
      m.name = hostileText(rng);
      m.r = static_cast<int>(rng() % 256);
      m.roughness = fixed4(rng, 0, 1);
      m.alpha = fixed4(rng, 0.05, 1);
      o.materialSlots.slots.push_back(m);
    }
    for (int m = 0, n = static_cast<int>(rng() % 3); m < n; ++m) {
      o.modifierStack.entries.push_back(
          modifier(L"", pickText({L"Mirror", L"Twist", L"camera"}, rng).c_str(),
                   {param(L"p", L"text", fixed4(rng, -5, 5), hostileText(rng).c_str(), rng() % 2)}));
    }
    for (int k = 0, n = static_cast<int>(rng() % 4); k < n; ++k) {
      TransformKeyframe key;
      key.frame = static_cast<int>(rng() % 200);
      key.position = anyVec(rng, 50);
      key.note = hostileText(rng);
      o.transformAnimation.keyframes.push_back(key);
    }
    p.scene.objects.push_back(std::move(o));
  }
  finishProject(p);
  return p;
}

std::string objectDifferences(const vk::Object& a, const vk::Object& b) {
  std::string out;
  const auto check = [&](const char* name, bool same) {
    if (!same) out += std::string(out.empty() ? "" : ", ") + name;
  };
  check("ids/texts", a.id == b.id && a.name == b.name && a.kind == b.kind && a.collectionId == b.collectionId &&
                         a.parentId == b.parentId && a.objectCapsuleId == b.objectCapsuleId &&
                         a.objectCapsuleLabel == b.objectCapsuleLabel && a.objectCapsuleNote == b.objectCapsuleNote);
  check("flags", a.visible == b.visible && a.locked == b.locked && a.importedMeshReadOnly == b.importedMeshReadOnly &&
                     a.importedMeshConvertedEditable == b.importedMeshConvertedEditable &&
                     a.importedMeshSafeSelectionOnly == b.importedMeshSafeSelectionOnly &&
                     a.importedMeshEditSafety == b.importedMeshEditSafety);
  check("imported", a.importedAssetSourcePath == b.importedAssetSourcePath &&
                        a.importedAssetOriginalName == b.importedAssetOriginalName &&
                        a.importedAssetSourceKind == b.importedAssetSourceKind &&
                        a.importedAssetImportReport == b.importedAssetImportReport &&
                        a.importedAssetWarnings == b.importedAssetWarnings &&
                        a.importedAssetLoadedFromProject == b.importedAssetLoadedFromProject &&
                        a.importedAssetMissingOnLoad == b.importedAssetMissingOnLoad);
  check("transform", a.transform == b.transform);
  check("material", a.material == b.material);
  check("materialSlots", a.materialSlots == b.materialSlots);
  check("mesh", a.mesh == b.mesh);
  check("meshData.vertices", a.meshData.vertices == b.meshData.vertices);
  check("meshData.faces", a.meshData.faces == b.meshData.faces);
  check("meshData.uvs", a.meshData.uvs == b.meshData.uvs);
  check("meshData", a.meshData == b.meshData);
  check("curveData", a.curveData == b.curveData);
  check("modifierStack", a.modifierStack == b.modifierStack);
  check("camera", a.camera == b.camera);
  check("light", a.light == b.light);
  check("transformAnimation", a.transformAnimation == b.transformAnimation);
  check("cameraAnimation", a.cameraAnimation == b.cameraAnimation);
  check("lightAnimation", a.lightAnimation == b.lightAnimation);
  return out;
}

std::string readTestFile(const std::string& name) {
  std::ifstream in(std::string(VK_TEST_DATA_DIR) + "/persistence/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vk_test
