// Payload sanitizers: material slots, texture maps and paths, camera, light,
// modifier stack, transforms, capsule texts; NaN handling and idempotence.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "model/app_state.h"
#include "model/import_guards.h"
#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TextureMap mapOf(const std::wstring& channel, const std::wstring& path, bool enabled = true) {
  TextureMap map;
  map.channel = channel;
  map.path = path;
  map.enabled = enabled;
  return map;
}

class TextureFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    folder_ = std::filesystem::temp_directory_path() /
              ("vk_model2_tex_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_ / "textures");
    std::ofstream(folder_ / "textures" / "wood.png") << "png";
    appState().projectPath = utf8ToWide((folder_ / "scene.json").string());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    appState() = AppState{};
  }
  std::wstring absolute(const char* relative) const { return utf8ToWide((folder_ / relative).string()); }
  std::filesystem::path folder_;
};

TEST_F(TextureFolder, MapsBecomeSixInChannelOrderKeepingTheFirstOfEachChannel) {
  Material material;
  TextureMap emission = mapOf(L"emission", L"textures/wood.png");
  emission.mimeType = L"image/png";
  emission.textureIndex = 4;
  material.textureMaps.maps = {emission, mapOf(L"color", L"textures/wood.png"), mapOf(L"color", L"other.png"),
                               mapOf(L"bump", L"bump.png")};
  ensureMaterialTextureMaps(material);
  const auto& maps = material.textureMaps.maps;
  ASSERT_EQ(maps.size(), 6u);
  for (std::size_t i = 0; i < maps.size(); ++i) EXPECT_EQ(maps[i].channel, textureChannelKeys()[i]);
  EXPECT_EQ(maps[0].path, L"textures/wood.png");
  EXPECT_EQ(maps[1].path, L"");
  EXPECT_EQ(maps[1].colorSpace, L"Linear");
  EXPECT_FALSE(maps[1].enabled);
  EXPECT_FALSE(maps[1].lazyPreview);
  EXPECT_FALSE(maps[1].missing);
  EXPECT_EQ(maps[5].mimeType, L"image/png");
  EXPECT_EQ(maps[5].textureIndex, 4);
  EXPECT_EQ(maps[5].colorSpace, L"sRGB");
}

TEST_F(TextureFolder, RelativeMissingAndLazyFollowTheSourceAndTheFiles) {
  Material material;
  TextureMap color = mapOf(L"color", L"  textures\\wood.png \t");
  TextureMap normal = mapOf(L"normal", L"textures/gone.png");
  TextureMap roughness = mapOf(L"roughness", absolute("textures/wood.png"));
  roughness.relative = false;
  TextureMap metallic = mapOf(L"metallic", L"D:/art/wood.png");
  metallic.relative = false;
  TextureMap alpha = mapOf(L"alpha", L"data:image/png;base64,AAAA");
  alpha.sourceKind = L"data-uri";
  TextureMap emission = mapOf(L"emission", L"");  // enabled without a path
  material.textureMaps.maps = {color, normal, roughness, metallic, alpha, emission};
  ensureMaterialTextureMaps(material);
  const auto& m = material.textureMaps.maps;

  EXPECT_EQ(m[0].path, L"textures/wood.png");
  EXPECT_TRUE(m[0].relative);
  EXPECT_FALSE(m[0].missing);
  EXPECT_TRUE(m[0].lazyPreview);
  EXPECT_TRUE(m[1].missing);
  EXPECT_FALSE(m[2].relative);
  EXPECT_FALSE(m[2].missing);
  EXPECT_FALSE(m[3].relative);  // absolute and not marked relative: stays absolute
  EXPECT_TRUE(m[3].missing);
  // A data URI is neither relative nor missing, and lazy only when stored lazy.
  EXPECT_FALSE(m[4].relative);
  EXPECT_FALSE(m[4].missing);
  EXPECT_FALSE(m[4].lazyPreview);
  EXPECT_FALSE(m[5].enabled);
  EXPECT_FALSE(m[5].missing);

  alpha.lazyPreview = true;
  material.textureMaps.maps = {alpha};
  ensureMaterialTextureMaps(material);
  EXPECT_TRUE(material.textureMaps.maps[4].lazyPreview);
}

TEST_F(TextureFolder, ResolvesAgainstTheProjectFolderOrTheWorkingFolder) {
  EXPECT_EQ(resolveTexturePathAbsolute(mapOf(L"color", L"textures/wood.png")), absolute("textures/wood.png"));
  TextureMap stored = mapOf(L"color", L"C:/art/a.png");
  stored.relative = false;
  EXPECT_EQ(resolveTexturePathAbsolute(stored), L"C:/art/a.png");
  TextureMap embedded = mapOf(L"color", L"images/0");
  embedded.embedded = true;
  EXPECT_EQ(resolveTexturePathAbsolute(embedded), L"");
  EXPECT_EQ(resolveTexturePathAbsolute(mapOf(L"color", L"")), L"");

  appState().projectPath.clear();
  const std::wstring cwd = utf8ToWide(std::filesystem::current_path().string());
  EXPECT_EQ(resolveTexturePathAbsolute(mapOf(L"color", L"a.png")), cwd + L"/a.png");
  EXPECT_EQ(projectBaseDirectory(), cwd);
}

TEST_F(TextureFolder, FileSystemErrorsCountAsMissingAndNeverThrow) {
  // Asking below a regular file fails with "not a directory".
  EXPECT_FALSE(pathEntryExists(absolute("textures/wood.png") + L"/below.png"));
  EXPECT_FALSE(pathEntryExists(L""));
  EXPECT_FALSE(pathEntryExists(std::wstring(5000, L'x')));  // name too long
  EXPECT_TRUE(pathEntryExists(absolute("textures")));
  EXPECT_FALSE(pathEntryExists(absolute("textures") + std::wstring(1, L'\0') + L"x.png"));
  Material material;
  material.textureMaps.maps = {mapOf(L"color", L"textures/wood.png/below.png")};
  EXPECT_NO_THROW(ensureMaterialTextureMaps(material));
  EXPECT_TRUE(material.textureMaps.maps[0].missing);
}

TEST(TexturePaths, CleaningTestingAndNaming) {
  EXPECT_EQ(&textureChannelKeys(), &textureChannelKeys());
  EXPECT_EQ(sanitizeTexturePath(L" \ta\\b\\c.png\r\n"), L"a/b/c.png");
  // A cut that exposes a blank is trimmed again, so a second pass is a no-op.
  std::wstring longPath = std::wstring(1023, L'a') + L"  b";
  EXPECT_EQ(sanitizeTexturePath(longPath), std::wstring(1023, L'a'));
  EXPECT_EQ(sanitizeTexturePath(sanitizeTexturePath(longPath)), sanitizeTexturePath(longPath));

  EXPECT_FALSE(texturePathIsAbsolute(L"C:"));
  EXPECT_TRUE(texturePathIsAbsolute(L"C:x"));
  EXPECT_TRUE(texturePathIsAbsolute(L"/a"));
  EXPECT_TRUE(texturePathIsAbsolute(L"//server/a"));
  EXPECT_FALSE(texturePathIsAbsolute(L"1:/a"));
  EXPECT_FALSE(texturePathIsAbsolute(L"a/b"));

  EXPECT_EQ(textureFileName(L""), L"");
  EXPECT_EQ(textureFileName(L"C:/tex/"), L"C:/tex/");
  EXPECT_EQ(textureFileName(L"a\\b.png"), L"b.png");
  EXPECT_EQ(textureFileName(L"C:b.png"), L"b.png");
  EXPECT_EQ(textureFileName(L"C:"), L"C:");
  EXPECT_EQ(textureFileName(L"//server"), L"//server");
  EXPECT_EQ(textureFileName(L"//server/share/x.png"), L"x.png");
  EXPECT_EQ(defaultColorSpaceForSlot(L"emission"), L"sRGB");
  EXPECT_EQ(defaultColorSpaceForSlot(L"Color"), L"Linear");
}

TEST(SanitizeMaterialSlots, SlotLimitsNamesRangesAndFaceIndices) {
  Object box;
  box.name = L"Box";
  box.material.name = L"";
  sanitizeMaterialSlots(box);
  ASSERT_EQ(box.materialSlots.slots.size(), 1u);
  EXPECT_EQ(box.materialSlots.slots[0].name, L"Box Material");
  Object unnamed;
  unnamed.material.name = L"";
  sanitizeMaterialSlots(unnamed);
  EXPECT_EQ(unnamed.materialSlots.slots[0].name, L"Material 1");

  Object o;
  o.materialSlots.slots.resize(40);
  o.materialSlots.activeIndex = 35;
  o.materialSlots.slots[31].alpha = 0.0;
  o.materialSlots.slots[31].emission = 9.0;
  o.materialSlots.slots[31].roughness = -1.0;
  o.materialSlots.slots[31].metallic = kNaN;
  o.materialSlots.slots[31].r = 300;
  o.materialSlots.slots[2].name = L"\x01\x02";  // nothing printable left
  MeshData& mesh = o.meshData;
  MeshFace a, b, c;
  a.materialIndex = 40;
  b.materialIndex = -3;
  c.materialIndex = 7;
  mesh.faces = std::vector<MeshFace>{a, b, c};
  sanitizeMaterialSlots(o);
  EXPECT_EQ(o.materialSlots.slots.size(), 32u);
  EXPECT_EQ(o.materialSlots.activeIndex, 31);
  const Material& active = o.materialSlots.slots[31];
  EXPECT_DOUBLE_EQ(active.alpha, 0.05);
  EXPECT_DOUBLE_EQ(active.emission, 4.0);
  EXPECT_DOUBLE_EQ(active.roughness, 0.0);
  EXPECT_DOUBLE_EQ(active.metallic, 0.0);
  EXPECT_EQ(active.r, 255);
  EXPECT_EQ(active.textureMaps.maps.size(), 6u);
  EXPECT_EQ(o.material, active);
  EXPECT_EQ(o.materialSlots.slots[2].name, L"Material 3");
  EXPECT_EQ(mesh.faces[0].materialIndex, 31);
  EXPECT_EQ(mesh.faces[1].materialIndex, 0);
  EXPECT_EQ(mesh.faces[2].materialIndex, 7);
  EXPECT_EQ(mesh.faceMaterialIndices.read(), (std::vector<std::int32_t>{31, 0, 7}));
}

TEST(SanitizeMaterialSlots, LeavesASharedMeshSharedWhenNothingChanges) {
  Object o;
  MeshFace face;
  face.indices = {0, 1, 2};
  o.meshData.faces = std::vector<MeshFace>{face};
  o.meshData.faceMaterialIndices = std::vector<std::int32_t>{0};
  Object snapshot = o;
  sanitizeMaterialSlots(o);
  EXPECT_TRUE(o.meshData.faces.sharesWith(snapshot.meshData.faces));
  EXPECT_TRUE(o.meshData.faceMaterialIndices.sharesWith(snapshot.meshData.faceMaterialIndices));
}

TEST(SanitizeCameraLight, RangesNaNAndInfinity) {
  CameraSettings camera;
  camera.nearClip = 0.0;
  camera.farClip = 0.005;
  camera.fov = 0.0;
  CameraSettings fixed = sanitizeCameraSettings(camera);
  EXPECT_DOUBLE_EQ(fixed.nearClip, 0.001);
  EXPECT_DOUBLE_EQ(fixed.farClip, 0.011);
  EXPECT_DOUBLE_EQ(fixed.fov, 1.0);
  camera = {kNaN, kNaN, kInf, -kInf};
  fixed = sanitizeCameraSettings(camera);
  EXPECT_DOUBLE_EQ(fixed.fov, 50.0);
  EXPECT_DOUBLE_EQ(fixed.nearClip, 0.1);
  EXPECT_DOUBLE_EQ(fixed.farClip, 100000.0);
  EXPECT_DOUBLE_EQ(fixed.aspect, 0.25);
  camera.farClip = kNaN;
  EXPECT_DOUBLE_EQ(sanitizeCameraSettings(camera).farClip, 1000.0);

  LightSettings light;
  light.type = L"spot";
  light.intensity = 250.0;
  light.r = -5;
  light.range = -kInf;
  light.spotAngle = kNaN;
  light.capsuleNote = std::wstring(500, L'n');
  LightSettings lit = sanitizeLightSettings(light);
  EXPECT_EQ(lit.type, L"Point");
  EXPECT_DOUBLE_EQ(lit.intensity, 100.0);
  EXPECT_EQ(lit.r, 0);
  EXPECT_DOUBLE_EQ(lit.range, 0.1);
  EXPECT_DOUBLE_EQ(lit.spotAngle, 35.0);
  EXPECT_EQ(lit.capsuleNote.size(), 220u);
}

TEST(SanitizeModifierStack, IdsKindsAndParameters) {
  Object o;
  o.modifierStack.entries.resize(70);
  Modifier& entry = o.modifierStack.entries[3];
  entry.id = L"";
  entry.type = L"Warp";
  entry.enabled = true;
  entry.status = L"";
  ModifierParam bad;
  bad.key = L"";
  bad.kind = L"int";
  bad.number = kNaN;
  entry.parameters = {bad};
  Modifier& mirror = o.modifierStack.entries[4];
  mirror.type = L"Mirror";
  mirror.displayName = L"";
  sanitizeModifierStack(o);
  EXPECT_EQ(o.modifierStack.entries.size(), 64u);
  EXPECT_EQ(entry.id, L"mod-4");
  EXPECT_FALSE(entry.enabled);
  EXPECT_FALSE(entry.known);
  EXPECT_EQ(entry.status.rfind(L"Unknown modifier preserved safely", 0), 0u);
  EXPECT_EQ(entry.parameters[0].key, L"param");
  EXPECT_EQ(entry.parameters[0].kind, L"number");
  EXPECT_EQ(entry.parameters[0].number, 0.0);
  EXPECT_TRUE(mirror.known);
  EXPECT_EQ(mirror.displayName, L"Mirror");
  EXPECT_EQ(sanitizeAxis(L"x"), L"X");
  EXPECT_EQ(sanitizeAxis(L"Z"), L"Z");
  EXPECT_EQ(sanitizeAxis(L"w"), L"Y");
}

TEST(SanitizeTransform, ScalePositionRotationAndNonFinite) {
  Transform t = sanitizeTransformValues({2e6, kNaN, -5.0}, {40000.0, -kInf, 12.0}, {0.00005, -3.0, 5000.0});
  EXPECT_EQ(t.position, (Vec3{0.0, 0.0, -5.0}));
  EXPECT_EQ(t.rotation, (Vec3{36000.0, 0.0, 12.0}));
  EXPECT_EQ(t.scale, (Vec3{1.0, -3.0, 1000.0}));
  EXPECT_EQ(sanitizeTransformValues({}, {}, {kNaN, kInf, 2e6}).scale, (Vec3{1.0, 1.0, 1.0}));
  EXPECT_DOUBLE_EQ(sanitizeFiniteValue(-7.0, 3.0, -5.0, 5.0), -5.0);
  EXPECT_DOUBLE_EQ(sanitizeFiniteValue(-1e6, 3.0, -5.0, 5.0), 3.0);
}

TEST(SanitizeTexts, LabelAndCapsuleFields) {
  std::wstring text = L"a\r\nb\x7f\x9f" + std::wstring(300, L'z');
  std::wstring label = sanitizeLabelText(text);
  EXPECT_EQ(label.size(), 240u);
  EXPECT_EQ(label.substr(0, 4), L"a  b");

  Object plain;
  plain.importedMeshReadOnly = true;
  plain.importedMeshEditSafety = L"note";
  plain.objectCapsuleNote = std::wstring(400, L'c');
  sanitizeObjectCapsuleFields(plain);
  EXPECT_FALSE(plain.importedMeshReadOnly);
  EXPECT_EQ(plain.importedMeshEditSafety, L"");
  EXPECT_EQ(plain.objectCapsuleNote.size(), 360u);
  Object imported;
  imported.objectCapsuleId = L"phase65-gltf-import";
  imported.importedMeshReadOnly = true;
  sanitizeObjectCapsuleFields(imported);
  EXPECT_TRUE(imported.importedMeshReadOnly);
}

// Random hostile records: every sanitizer pass after the first changes nothing.
double hostileNumber(std::mt19937& rng) {
  static const double specials[] = {kNaN, kInf, -kInf, 1e6, -1e9, 0.0, -0.0, 1e-9, 5e5, -3.0};
  std::uniform_int_distribution<int> pick(0, 19);
  int k = pick(rng);
  if (k < 10) return specials[k];
  return std::uniform_real_distribution<double>(-2e5, 2e5)(rng);
}

std::wstring hostileText(std::mt19937& rng, std::size_t maxLength) {
  static const wchar_t pool[] = {L'a', L' ', L'\t', L'\r', L'\n', L'\x01', L'\x7f', L'\\', L'/', L'Z', 0x25CF};
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1);
  std::wstring text(length(rng), L'a');
  for (wchar_t& c : text) c = pool[pick(rng)];
  return text;
}

Object hostileObject(std::mt19937& rng) {
  std::uniform_int_distribution<int> small(0, 6);
  std::uniform_int_distribution<std::int32_t> wide(-300000, 300000);
  Object o;
  o.kind = static_cast<ObjectKind>(small(rng));
  o.name = hostileText(rng, 8);
  o.objectCapsuleId = small(rng) == 0 ? L"phase65-gltf-import" : hostileText(rng, 120);
  o.objectCapsuleNote = hostileText(rng, 400);
  o.importedMeshReadOnly = small(rng) % 2;
  o.importedMeshEditSafety = hostileText(rng, 400);
  o.transform = {{hostileNumber(rng), hostileNumber(rng), hostileNumber(rng)},
                 {hostileNumber(rng), hostileNumber(rng), hostileNumber(rng)},
                 {hostileNumber(rng), hostileNumber(rng), hostileNumber(rng)}};
  o.camera = {hostileNumber(rng), hostileNumber(rng), hostileNumber(rng), hostileNumber(rng)};
  o.light.type = small(rng) == 0 ? L"Area" : hostileText(rng, 6);
  o.light.intensity = hostileNumber(rng);
  o.light.range = hostileNumber(rng);
  o.light.areaSize = hostileNumber(rng);
  o.light.r = wide(rng);
  const int slots = std::uniform_int_distribution<int>(0, 40)(rng);
  for (int i = 0; i < slots; ++i) {
    Material m;
    m.name = hostileText(rng, 80);
    m.r = wide(rng);
    m.roughness = hostileNumber(rng);
    m.alpha = hostileNumber(rng);
    m.emission = hostileNumber(rng);
    m.capsuleNote = hostileText(rng, 300);
    for (int k = small(rng); k > 0; --k) {
      TextureMap map;
      map.channel = textureChannelKeys()[static_cast<std::size_t>(small(rng)) % 6];
      map.path = hostileText(rng, 12);
      map.enabled = small(rng) % 2;
      map.relative = small(rng) % 2;
      map.dataUri = small(rng) == 0;
      map.colorSpace = small(rng) == 0 ? L"" : L"Linear";
      m.textureMaps.maps.push_back(map);
    }
    o.materialSlots.slots.push_back(m);
  }
  o.materialSlots.activeIndex = wide(rng);
  std::vector<MeshFace> faces(static_cast<std::size_t>(small(rng)));
  for (MeshFace& face : faces) face.materialIndex = wide(rng);
  o.meshData.faces = faces;
  for (int i = small(rng) * 12; i > 0; --i) {
    Modifier entry;
    entry.id = small(rng) == 0 ? L"" : L"mod-x";
    entry.type = small(rng) == 0 ? L"" : (small(rng) % 2 ? L"Bevel" : L"Warp");
    entry.displayName = small(rng) == 0 ? L"" : L"Shown";
    entry.status = small(rng) == 0 ? L"" : L"ok";
    ModifierParam param;
    param.kind = small(rng) == 0 ? L"int" : L"bool";
    param.number = hostileNumber(rng);
    entry.parameters.push_back(param);
    o.modifierStack.entries.push_back(entry);
  }
  for (int i = small(rng) * 4; i > 0; --i) {
    TransformKeyframe key;
    key.frame = wide(rng) % (small(rng) + 1);
    key.id = small(rng) == 0 ? L"" : (small(rng) % 2 ? L"dup" : transformKeyId(small(rng)));
    key.position = {hostileNumber(rng), 0.0, 0.0};
    key.scale = {hostileNumber(rng), 1.0, 1.0};
    key.interpolation = hostileText(rng, 6);
    key.note = hostileText(rng, 300);
    o.transformAnimation.keyframes.push_back(key);
    CameraKeyframe cameraKey;
    cameraKey.frame = key.frame;
    cameraKey.settings.fov = hostileNumber(rng);
    o.cameraAnimation.keyframes.push_back(cameraKey);
    LightKeyframe lightKey;
    lightKey.frame = wide(rng);
    lightKey.id = L"same";
    lightKey.settings.intensity = hostileNumber(rng);
    o.lightAnimation.keyframes.push_back(lightKey);
  }
  o.transformAnimation.selectedKeyId = small(rng) % 2 ? L"dup" : L"";
  return o;
}

void sanitizeAllPayloads(Object& o) {
  sanitizeImportedTransform(o);
  sanitizeCameraLightSettings(o);
  sanitizeObjectCapsuleFields(o);
  sanitizeMaterialSlots(o);
  sanitizeModifierStack(o);
  sanitizeTransformKeyTrack(o);
  sanitizeCameraKeyframes(o);
  sanitizeLightKeyframes(o);
}

Scene hostileSceneRecords(std::mt19937& rng) {
  std::uniform_int_distribution<std::int32_t> wide(-2000000, 2000000);
  Scene scene;
  scene.renderSettings.source = hostileText(rng, 12);
  scene.renderSettings.outputWidth = wide(rng);
  scene.timelineSettings.frameStart = wide(rng);
  scene.timelineSettings.frameEnd = wide(rng);
  scene.timelineSettings.currentFrame = wide(rng);
  scene.timelineSettings.fps = hostileNumber(rng);
  scene.timelineSettings.schema = hostileText(rng, 3);
  scene.presetBrowser.selectedPresetId = hostileText(rng, 120);
  scene.presetBrowser.lastPreviewStatus = hostileText(rng, 300);
  scene.presetBrowser.categoryFilter = hostileText(rng, 4);
  scene.capsuleBrowser.lastPreviewStatus = hostileText(rng, 300);
  scene.capsuleBrowser.lastAppliedCapsuleId = hostileText(rng, 120);
  scene.capsuleBrowser.appliedCapsuleCount = wide(rng);
  return scene;
}

void sanitizeSceneRecords(Scene& scene) {
  sanitizeRenderSettings(scene.renderSettings);
  sanitizeTimelineState(scene.timelineSettings);
  sanitizePresetBrowserState(scene.presetBrowser);
  sanitizeCapsuleBrowserState(scene.capsuleBrowser);
}

TEST(SanitizeProperty, ASecondPassOverHostileRecordsChangesNothing) {
  appState() = AppState{};
  std::mt19937 rng(20261206);
  for (int round = 0; round < 300; ++round) {
    Object o = hostileObject(rng);
    sanitizeAllPayloads(o);
    const Object once = o;
    sanitizeAllPayloads(o);
    ASSERT_EQ(o, once) << "round " << round;
    EXPECT_TRUE(std::isfinite(o.camera.farClip) && std::isfinite(o.light.range) && std::isfinite(o.material.alpha));

    Scene scene = hostileSceneRecords(rng);
    sanitizeSceneRecords(scene);
    const Scene sceneOnce = scene;
    sanitizeSceneRecords(scene);
    ASSERT_EQ(scene, sceneOnce) << "round " << round;
  }
  // The restore repair as a whole, over projects of hostile objects (whose
  // transforms, which the repair leaves alone, are made comparable first).
  for (int round = 0; round < 40; ++round) {
    Project project;
    for (int i = 0; i < 4; ++i) {
      project.scene.objects.push_back(hostileObject(rng));
      sanitizeImportedTransform(project.scene.objects.back());
    }
    project.scene.objects[1].id = L"";
    project.scene.objects[2].id = L"obj-restored";
    sanitizeRestoredProject(project);
    const Project once = project;
    sanitizeRestoredProject(project);
    ASSERT_EQ(project, once) << "round " << round;
  }
}

}  // namespace
}  // namespace vk
