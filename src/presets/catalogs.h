// The built-in catalogs of presets and capsules: plain records built once, in
// code, on first use and never changed; nothing here is read from disk or
// saved in a project (projects keep only the browser states and the objects
// an apply produced). Lookups by key return a row or null.
#pragma once

#include <string>
#include <vector>

#include "model/types.h"

namespace vk {

// One row of the capsule catalog.
struct CapsuleDefinition {
  std::wstring id;           // "capsule-" + slug
  std::wstring title;
  std::wstring category;     // "Object Kit", "Material", "Lighting", "Workflow", "Starter", "Experimental"
  std::wstring description;
  std::wstring manifest;     // shown after "Manifest: "
  std::wstring applyNote;
  std::wstring kitKey;       // object kits: "Kit" or the primitive the single-object kit makes
  std::wstring applyKey;     // material preset, material capsule, lighting or starter key
  bool objectKit = false;
  bool appliesNow = false;
};

// One row of the preset catalog.
struct PresetDefinition {
  std::wstring id;
  std::wstring name;
  std::wstring category;  // "Starter", "Material", "Lighting", "Camera", "Animation"
  std::wstring description;
  std::wstring applyNote;
  std::wstring tag;       // starter key or material preset key; empty for preview-only rows
  bool appliesNow = false;
};

// One light of a lighting set-up or scene starter.
struct LightingPresetLight {
  std::wstring name;
  std::wstring type;  // "Point", "Directional", "Spot" or "Area"
  Vec3 position;
  Vec3 rotation;      // degrees
  double intensity = 2.0;
  double range = 10.0;
  double spotAngle = 35.0;
  double areaSize = 1.0;
  std::int32_t r = 255;
  std::int32_t g = 244;
  std::int32_t b = 220;
};

struct LightingPreset {
  std::wstring id;
  std::wstring name;
  std::wstring category;
  std::wstring description;
  std::vector<LightingPresetLight> lights;  // in the order they are added
};

// One row of the material capsule catalog.
struct MaterialPreset {
  std::wstring id;
  std::wstring name;
  std::wstring category;
  std::wstring description;
  Material material;
  bool keepTextureMaps = false;
};

struct SceneStarterObject {
  std::wstring name;
  std::wstring primitive;  // "Cube", "Plane", "Sphere", "Cylinder", "Cone" or "Torus"
  Vec3 position;
  Vec3 rotation;  // degrees
  Vec3 scale{1.0, 1.0, 1.0};
  Material material;
};

struct SceneStarterCamera {
  std::wstring name;
  Vec3 position;
  Vec3 rotation;  // degrees
  double fov = 50.0;
};

struct SceneStarter {
  std::wstring id;        // "starter-" + slug
  std::wstring title;     // prefix of its light names, label of everything it adds
  std::wstring category;
  std::wstring description;
  std::vector<SceneStarterObject> objects;
  std::vector<LightingPresetLight> lights;
  SceneStarterCamera camera;
  std::int32_t frameStart = 1;
  std::int32_t frameEnd = 120;
  double fps = 24.0;
  std::int32_t outputWidth = 1280;
  std::int32_t outputHeight = 720;
  bool cropCameraFrame = true;
};

// ---- catalogs (one static vector each, built on first use) ---------------

const std::vector<CapsuleDefinition>& capsuleCatalog();    // 21 rows
const std::vector<PresetDefinition>& presetCatalog();      // 12 rows
const std::vector<LightingPreset>& lightingPresets();      // 5 rows of 3 lights
const std::vector<MaterialPreset>& materialCapsuleCatalog();  // 6 rows
const std::vector<SceneStarter>& sceneStarterCatalog();    // 5 rows
// Appends the five starters in catalog order.
void buildSceneStarterCatalog(std::vector<SceneStarter>& out);

// ---- lookups: exact, case-sensitive; null when nothing matches ------------

// By id, name or category (the first row in order), then the aliases
// ("ThreePoint"/"Three-Point", "ProductSoftbox"/"Softbox", "CinematicRim"/"Rim",
// "WarmInterior"/"Interior", "MoonlitBlue"/"Moonlight").
const LightingPreset* findLightingPreset(const std::wstring& key);
// By id or name (categories are no keys here), then the aliases.
const MaterialPreset* findMaterialCapsulePreset(const std::wstring& key);
// By id, title or category, then the aliases.
const SceneStarter* findStarterScene(const std::wstring& key);
// The five material presets by key ("Blue", "Gold", "Chrome", "Glass",
// "Emissive"): no texture maps, no capsule fields. Null for other keys.
const Material* findMaterialPreset(const std::wstring& key);

// True when the filter is exactly "All" or equals the record's category.
bool capsuleMatchesFilter(const CapsuleDefinition& record, const CapsuleBrowserState& state);
bool capsuleMatchesFilter(const PresetDefinition& record, const PresetBrowserState& state);

// ---- row builders ----------------------------------------------------------

// Takes every argument as given, the type normalised ("Directional", "Spot"
// and "Area" stay, anything else is "Point").
LightingPresetLight capsuleLightSpec(const std::wstring& name, const std::wstring& type, Vec3 position,
                                     Vec3 rotation, double intensity, double range, double spotAngle,
                                     double areaSize, std::int32_t r, std::int32_t g, std::int32_t b);
// A material with these values (nothing clamped), capsule label = name and
// six disabled texture maps in channel order.
Material capsuleMaterialSpec(std::int32_t r, std::int32_t g, std::int32_t b, double roughness, double metallic,
                             const std::wstring& name, double alpha, double emission,
                             const std::wstring& capsuleId, const std::wstring& capsuleNote);
// One channel's map; enabled (and tested for presence) only when asked and
// the cleaned path is not empty.
TextureMap capsuleTextureSlot(const std::wstring& channel, bool enable, const std::wstring& path);
// Colour clamped to 0..255, roughness and metallic to 0..1, opaque, no
// emission, the starter note, six texture maps.
Material starterMaterialRecord(std::int32_t r, std::int32_t g, std::int32_t b, double roughness, double metallic,
                               const std::wstring& name, const std::wstring& capsuleId,
                               const std::wstring& capsuleLabel);
SceneStarterObject starterObjectRecord(const std::wstring& name, const std::wstring& primitive, Vec3 position,
                                       Vec3 rotation, Vec3 scale, const Material& material);
SceneStarterCamera starterCameraRecord(const std::wstring& name, Vec3 position, Vec3 rotation, double fov = 50.0);

}  // namespace vk
