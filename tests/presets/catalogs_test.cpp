// The built-in catalogs: their shape, the keys that tie one catalog to
// another, the lookups by key and the row builders.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "model/texture_paths.h"
#include "presets/catalogs.h"

namespace vk {
namespace {

template <typename Rows>
void expectUniqueIds(const Rows& rows) {
  std::set<std::wstring> ids;
  for (const auto& row : rows) EXPECT_TRUE(ids.insert(row.id).second) << std::string(row.id.begin(), row.id.end());
}

TEST(Catalogs, SizesFlagsAndUniqueIds) {
  const auto& capsules = capsuleCatalog();
  const auto& presets = presetCatalog();
  ASSERT_EQ(capsules.size(), 21u);
  ASSERT_EQ(presets.size(), 12u);
  ASSERT_EQ(lightingPresets().size(), 5u);
  ASSERT_EQ(materialCapsuleCatalog().size(), 6u);
  ASSERT_EQ(sceneStarterCatalog().size(), 5u);
  expectUniqueIds(capsules);
  expectUniqueIds(presets);
  expectUniqueIds(lightingPresets());
  expectUniqueIds(materialCapsuleCatalog());
  expectUniqueIds(sceneStarterCatalog());
  // Built once: every call returns the same rows.
  EXPECT_EQ(&capsuleCatalog(), &capsules);

  for (std::size_t i = 0; i < capsules.size(); ++i) {
    EXPECT_EQ(capsules[i].appliesNow, i != 14 && i != 20) << i;
    EXPECT_EQ(capsules[i].objectKit, i <= 2) << i;
    EXPECT_FALSE(capsules[i].description.empty());
    EXPECT_FALSE(capsules[i].manifest.empty());
  }
  EXPECT_NE(capsules[1].description.find(L"Veltrask Blue"), std::wstring::npos);

  std::map<std::wstring, int> categories;
  for (std::size_t i = 0; i < presets.size(); ++i) {
    ++categories[presets[i].category];
    EXPECT_EQ(presets[i].appliesNow, i <= 6) << i;
    EXPECT_EQ(presets[i].tag.empty(), !presets[i].appliesNow) << i;
  }
  EXPECT_EQ(categories, (std::map<std::wstring, int>{
                            {L"Starter", 2}, {L"Material", 5}, {L"Lighting", 2}, {L"Camera", 2}, {L"Animation", 1}}));
  EXPECT_EQ(presets[0].id, PresetBrowserState{}.selectedPresetId);
  EXPECT_EQ(capsules[0].id, CapsuleBrowserState{}.selectedCapsuleId);

  for (const LightingPreset& preset : lightingPresets()) EXPECT_EQ(preset.lights.size(), 3u);
  const std::size_t starterObjects[5] = {4, 7, 6, 7, 6};
  for (std::size_t i = 0; i < 5; ++i) {
    const SceneStarter& starter = sceneStarterCatalog()[i];
    EXPECT_EQ(starter.objects.size() + starter.lights.size() + 1, starterObjects[i]) << i;
    for (const SceneStarterObject& object : starter.objects) {
      EXPECT_EQ(object.material.capsuleId, starter.id);
      EXPECT_EQ(object.material.capsuleLabel, starter.title);
      EXPECT_EQ(object.material.textureMaps.maps.size(), 6u);
    }
  }
  EXPECT_EQ(sceneStarterCatalog()[3].frameEnd, 96);
  EXPECT_EQ(sceneStarterCatalog()[1].outputWidth, 1920);
}

// Every key one catalog hands to another resolves there, and for material,
// lighting and starter rows to the record of the same title or name.
TEST(Catalogs, KeysResolveAcrossCatalogs) {
  for (const CapsuleDefinition& capsule : capsuleCatalog()) {
    if (capsule.applyKey.empty()) continue;
    const std::string id(capsule.id.begin(), capsule.id.end());
    if (capsule.category == L"Material") {
      const MaterialPreset* found = findMaterialCapsulePreset(capsule.applyKey);
      ASSERT_NE(found, nullptr) << id;
      EXPECT_EQ(found->name, capsule.title) << id;
    } else if (capsule.category == L"Lighting") {
      const LightingPreset* found = findLightingPreset(capsule.applyKey);
      ASSERT_NE(found, nullptr) << id;
      EXPECT_EQ(found->name, capsule.title) << id;
    } else if (capsule.category == L"Starter") {
      const SceneStarter* found = findStarterScene(capsule.applyKey);
      ASSERT_NE(found, nullptr) << id;
      EXPECT_EQ(found->title, capsule.title) << id;
    } else {
      EXPECT_TRUE(capsule.objectKit) << id;
      EXPECT_NE(findMaterialPreset(capsule.applyKey), nullptr) << id;
    }
  }
  for (const PresetDefinition& preset : presetCatalog()) {
    if (preset.category == L"Starter") {
      const SceneStarter* found = findStarterScene(preset.tag);
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(found->title, preset.name);
    } else if (preset.category == L"Material") {
      EXPECT_NE(findMaterialPreset(preset.tag), nullptr);
    }
  }
  EXPECT_EQ(findMaterialCapsulePreset(L"RedPaint")->name, L"Red Gloss Paint");
}

TEST(Catalogs, LookupsAreExactAndOrdered) {
  const auto& lighting = lightingPresets();
  EXPECT_EQ(findLightingPreset(L"Studio"), &lighting[0]);  // the category, first row only
  EXPECT_EQ(findLightingPreset(L"Night"), &lighting[4]);
  EXPECT_EQ(findLightingPreset(L"Three-Point"), &lighting[0]);
  EXPECT_EQ(findLightingPreset(L"three-point"), nullptr);
  EXPECT_EQ(findLightingPreset(L"Moonlight"), &lighting[4]);

  const auto& capsules = materialCapsuleCatalog();
  EXPECT_EQ(findMaterialCapsulePreset(L"Metal"), nullptr);
  EXPECT_EQ(findMaterialCapsulePreset(L"Frosted Glass"), &capsules[4]);
  EXPECT_EQ(findMaterialCapsulePreset(L"material-chrome-paint"), &capsules[2]);
  EXPECT_EQ(findMaterialCapsulePreset(L"Paint"), &capsules[1]);

  const auto& starters = sceneStarterCatalog();
  EXPECT_EQ(findStarterScene(L"Studio"), &starters[1]);
  EXPECT_EQ(findStarterScene(L"Starter"), nullptr);
  EXPECT_EQ(findStarterScene(L"Turntable"), &starters[3]);

  for (const wchar_t* empty : {L""}) {
    EXPECT_EQ(findLightingPreset(empty), nullptr);
    EXPECT_EQ(findMaterialCapsulePreset(empty), nullptr);
    EXPECT_EQ(findStarterScene(empty), nullptr);
    EXPECT_EQ(findMaterialPreset(empty), nullptr);
  }

  // One word, two materials: the preset and the capsule differ.
  EXPECT_EQ(findMaterialPreset(L"Glass")->name, L"Preview Glass");
  EXPECT_DOUBLE_EQ(findMaterialPreset(L"Glass")->alpha, 0.42);
  EXPECT_EQ(findMaterialCapsulePreset(L"Glass")->name, L"Frosted Glass");
  EXPECT_DOUBLE_EQ(findMaterialCapsulePreset(L"Glass")->material.alpha, 0.48);
  EXPECT_EQ(findMaterialPreset(L"Blue")->name, L"Veltrask Blue");
  EXPECT_EQ(findMaterialCapsulePreset(L"Blue")->name, L"Blue Anodized Metal");
  EXPECT_TRUE(findMaterialPreset(L"Emissive")->textureMaps.maps.empty());
  EXPECT_EQ(findMaterialPreset(L"Brushed Gold"), nullptr);
}

TEST(Catalogs, FilterIsExact) {
  CapsuleBrowserState state;
  const CapsuleDefinition& kit = capsuleCatalog()[0];
  EXPECT_TRUE(capsuleMatchesFilter(kit, state));
  for (const wchar_t* filter : {L"all", L"", L"Object kit"}) {
    state.categoryFilter = filter;
    EXPECT_FALSE(capsuleMatchesFilter(kit, state));
  }
  state.categoryFilter = L"Object Kit";
  EXPECT_TRUE(capsuleMatchesFilter(kit, state));
  PresetBrowserState presets;
  presets.categoryFilter = L"Material";
  EXPECT_FALSE(capsuleMatchesFilter(presetCatalog()[0], presets));
  EXPECT_TRUE(capsuleMatchesFilter(presetCatalog()[2], presets));
}

TEST(Catalogs, RowBuilders) {
  EXPECT_EQ(capsuleLightSpec(L"L", L"spot", {}, {}, 1, 2, 3, 4, 5, 6, 7).type, L"Point");
  EXPECT_EQ(capsuleLightSpec(L"L", L"Area", {}, {}, 1, 2, 3, 4, 5, 6, 7).type, L"Area");

  const Material capsule = capsuleMaterialSpec(300, 1, 2, 1.5, -1, L"Odd", 0.5, 9, L"id", L"note");
  EXPECT_EQ(capsule.r, 300);  // nothing clamped here
  EXPECT_EQ(capsule.capsuleLabel, L"Odd");
  ASSERT_EQ(capsule.textureMaps.maps.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    const TextureMap& map = capsule.textureMaps.maps[i];
    EXPECT_EQ(map.channel, textureChannelKeys()[i]);
    EXPECT_FALSE(map.enabled);
    EXPECT_FALSE(map.missing);
    EXPECT_EQ(map.colorSpace, defaultColorSpaceForSlot(map.channel));
  }

  const Material starter = starterMaterialRecord(300, -5, 128, 1.5, -0.5, L"M", L"starter-x", L"X");
  EXPECT_EQ(starter.r, 255);
  EXPECT_EQ(starter.g, 0);
  EXPECT_EQ(starter.b, 128);
  EXPECT_DOUBLE_EQ(starter.roughness, 1.0);
  EXPECT_DOUBLE_EQ(starter.metallic, 0.0);
  EXPECT_EQ(starter.capsuleNote, L"Phase 60 scene starter material");
  EXPECT_EQ(starter.textureMaps.maps.size(), 6u);

  const SceneStarter blank;
  EXPECT_TRUE(blank.objects.empty());
  EXPECT_TRUE(blank.lights.empty());
  EXPECT_EQ(blank.frameStart, 1);
  EXPECT_EQ(blank.frameEnd, 120);
  EXPECT_DOUBLE_EQ(blank.fps, 24.0);
  EXPECT_EQ(blank.outputWidth, 1280);
  EXPECT_EQ(blank.outputHeight, 720);
  EXPECT_TRUE(blank.cropCameraFrame);
  EXPECT_TRUE(blank.camera.name.empty());
  EXPECT_EQ(blank.camera.position, Vec3{});
  EXPECT_DOUBLE_EQ(blank.camera.fov, 50.0);

  // A copy is a value of its own.
  SceneStarter copy = sceneStarterCatalog()[1];
  copy.objects[0].name = L"changed";
  copy.lights.clear();
  EXPECT_EQ(sceneStarterCatalog()[1].objects[0].name, L"Product Hero Sphere");
  EXPECT_EQ(sceneStarterCatalog()[1].lights.size(), 3u);
}

}  // namespace
}  // namespace vk
