// The preset and capsule catalogs as data: capsules, presets, lighting
// set-ups, material capsules, material presets and scene starters, each built
// once on first use; the record builders the applies share; lookups by key.
//
// Sections:
//   - catalog rows
//   - builders
//   - catalogs
//   - lookups
#include "presets/catalogs.h"

#include <algorithm>

#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "shading/textures.h"

namespace vk {

// ---- catalog rows -----------------------------------------------------------
namespace {

struct Alias {
  const wchar_t* key;
  std::size_t row;
};

// The row an alias names, or null.
template <typename Row, std::size_t N>
const Row* byAlias(const std::vector<Row>& rows, const std::wstring& key, const Alias (&aliases)[N]) {
  for (const Alias& alias : aliases) {
    if (key == alias.key && alias.row < rows.size()) return &rows[alias.row];
  }
  return nullptr;
}

CapsuleDefinition capsuleRow(const wchar_t* id, const wchar_t* title, const wchar_t* category,
                             const wchar_t* kitKey, const wchar_t* applyKey, bool objectKit, bool appliesNow,
                             const wchar_t* applyNote, const wchar_t* description, const wchar_t* manifest) {
  CapsuleDefinition row;
  row.id = id;
  row.title = title;
  row.category = category;
  row.kitKey = kitKey;
  row.applyKey = applyKey;
  row.objectKit = objectKit;
  row.appliesNow = appliesNow;
  row.applyNote = applyNote;
  row.description = description;
  row.manifest = manifest;
  return row;
}

constexpr wchar_t kMaterialApplies[] = L"Applies now to the active material slot with undo.";
constexpr wchar_t kLightingApplies[] = L"Applies now as a safe lighting capsule.";
constexpr wchar_t kStarterApplies[] = L"Applies now as a Phase 60 scene starter capsule.";

std::vector<CapsuleDefinition> buildCapsuleCatalog() {
  std::vector<CapsuleDefinition> rows;
  rows.reserve(21);
  rows.push_back(capsuleRow(
      L"capsule-basic-primitive-kit", L"Basic Primitive Kit", L"Object Kit", L"Kit", L"", true, true,
      L"Applies now as a safe object kit.",
      L"Creates a bounded mesh primitive package for testing selection, material slots, transforms, timeline "
      L"focus, and clean still export without touching existing objects.",
      L"Objects: cube, sphere, plane. Data: stable object IDs, material slots, mesh data, collection links. "
      L"Safety: undo snapshot before mutation, bounded object creation."));
  rows.push_back(capsuleRow(
      L"capsule-single-cube", L"Single Cube Capsule", L"Object Kit", L"Cube", L"Blue", true, true,
      L"Applies now as a safe object capsule.",
      L"Adds one cube dressed in the Veltrask Blue material beside the scene, leaving every existing object as "
      L"it is.",
      L"Objects: one cube. Material: Veltrask Blue. Safety: undo snapshot before mutation, object budget checked "
      L"first."));
  rows.push_back(capsuleRow(
      L"capsule-single-sphere", L"Single Sphere Capsule", L"Object Kit", L"Sphere", L"Glass", true, true,
      L"Applies now as a safe object capsule.",
      L"Adds one sphere with the Preview Glass material for quick transparency checks; existing work stays "
      L"untouched.",
      L"Objects: one sphere. Material: Preview Glass (alpha 0.42). Safety: undo snapshot before mutation, object "
      L"budget checked first."));
  rows.push_back(capsuleRow(
      L"capsule-material-blue-anodized", L"Blue Anodized Metal", L"Material", L"", L"Blue", false, true,
      kMaterialApplies,
      L"Puts a saturated blue anodized metal on the active material slot of the selected object; other slots "
      L"and objects stay as they are.",
      L"Material: colour 58, 122, 230, roughness 0.22, metallic 0.78, six prepared texture channels. Safety: one "
      L"undo step, no external files."));
  rows.push_back(capsuleRow(
      L"capsule-material-red-paint", L"Red Gloss Paint", L"Material", L"", L"RedPaint", false, true,
      kMaterialApplies,
      L"Puts a clean red gloss paint on the active material slot of the selected object; nothing else changes.",
      L"Material: colour 216, 38, 31, roughness 0.18, metallic 0.18, six prepared texture channels. Safety: one "
      L"undo step, no external files."));
  rows.push_back(capsuleRow(
      L"capsule-material-chrome-paint", L"Chrome Paint", L"Material", L"", L"Chrome", false, true,
      kMaterialApplies,
      L"Puts a bright chrome paint on the active material slot of the selected object; the rest of the scene "
      L"stays untouched.",
      L"Material: colour 218, 226, 235, roughness 0.08, metallic 1.0, six prepared texture channels. Safety: one "
      L"undo step, viewport preview approximation."));
  rows.push_back(capsuleRow(
      L"capsule-material-black-rubber", L"Black Rubber", L"Material", L"", L"Rubber", false, true,
      kMaterialApplies,
      L"Puts a rough, non-metal black rubber on the active material slot of the selected object; other "
      L"materials stay as they are.",
      L"Material: colour 24, 25, 27, roughness 0.82, metallic 0, six prepared texture channels. Safety: one undo "
      L"step, no external files."));
  rows.push_back(capsuleRow(
      L"capsule-material-frosted-glass", L"Frosted Glass", L"Material", L"", L"FrostedGlass", false, true,
      kMaterialApplies,
      L"Puts a semi-transparent frosted glass on the active material slot of the selected object; existing "
      L"work stays untouched.",
      L"Material: colour 156, 224, 255, roughness 0.62, alpha 0.48, six prepared texture channels. Safety: one "
      L"undo step, no refraction."));
  rows.push_back(capsuleRow(
      L"capsule-material-arc-emission", L"Arc Emission Cyan", L"Material", L"", L"Emissive", false, true,
      kMaterialApplies,
      L"Puts a glowing cyan emission look on the active material slot of the selected object; nothing else "
      L"changes.",
      L"Material: colour 60, 235, 255, roughness 0.3, emission 2.4, six prepared texture channels. Safety: one "
      L"undo step, viewport-only glow."));
  rows.push_back(capsuleRow(
      L"capsule-lighting-three-point", L"Three-Point Lighting", L"Lighting", L"", L"ThreePoint", false, true,
      kLightingApplies,
      L"Adds a warm key, a cool fill and a rim spot as three new lights; existing lights and objects stay.",
      L"Lights: Key Area, Fill Point, Rim Spot. Safety: undo snapshot before mutation, object budget checked "
      L"first."));
  rows.push_back(capsuleRow(
      L"capsule-lighting-product-softbox", L"Product Softbox", L"Lighting", L"", L"ProductSoftbox", false, true,
      kLightingApplies,
      L"Adds two large softbox area lights and an edge spark for product and material previews; nothing is "
      L"removed.",
      L"Lights: Overhead Softbox, Front Fill Softbox, Edge Spark. Safety: undo snapshot before mutation, object "
      L"budget checked first."));
  rows.push_back(capsuleRow(
      L"capsule-lighting-cinematic-rim", L"Cinematic Rim Accent", L"Lighting", L"", L"CinematicRim", false, true,
      kLightingApplies,
      L"Adds a cool rim spot, a warm side key and a low practical for dramatic silhouettes; existing work stays "
      L"untouched.",
      L"Lights: Cool Rim Spot, Warm Side Key, Low Ambient Practical. Safety: undo snapshot before mutation, "
      L"object budget checked first."));
  rows.push_back(capsuleRow(
      L"capsule-lighting-warm-interior", L"Warm Interior Glow", L"Lighting", L"", L"WarmInterior", false, true,
      kLightingApplies,
      L"Adds two warm practical lamps and a soft ceiling bounce for interior blockouts; nothing else changes.",
      L"Lights: Warm Practical Left, Warm Practical Right, Ceiling Bounce. Safety: undo snapshot before "
      L"mutation, object budget checked first."));
  rows.push_back(capsuleRow(
      L"capsule-lighting-moonlit-blue", L"Moonlit Blue Setup", L"Lighting", L"", L"MoonlitBlue", false, true,
      kLightingApplies,
      L"Adds a cool moonlight, a blue fill and a faint horizon rim for night scenes; existing lights stay.",
      L"Lights: Moon Directional, Blue Fill, Faint Horizon Rim. Safety: undo snapshot before mutation, object "
      L"budget checked first."));
  rows.push_back(capsuleRow(
      L"capsule-workflow-clean-render", L"Clean Render Workflow", L"Workflow", L"", L"", false, false,
      L"Preview-only workflow capsule.",
      L"Documents the clean active-camera still workflow: camera view, active camera export, and helper overlay "
      L"suppression from Phase 56.",
      L"Commands: render settings reference only. No scene mutation in Phase 60."));
  rows.push_back(capsuleRow(
      L"capsule-starter-clean-modeling", L"Clean Modeling Scene", L"Starter", L"", L"CleanModeling", false, true,
      kStarterApplies,
      L"Adds a cube target, a ground plane, a soft area light and an active camera beside the existing scene.",
      L"Objects: cube, ground plane. Lights: one soft area. Camera: active. Render 1280 x 720, frames 1-120. "
      L"Safety: additive, one undo step."));
  rows.push_back(capsuleRow(
      L"capsule-starter-product-shot", L"Product Shot Starter", L"Starter", L"", L"ProductShot", false, true,
      kStarterApplies,
      L"Adds a hero sphere on a pedestal before a backdrop, a softbox rig and an active camera; nothing is "
      L"removed.",
      L"Objects: hero sphere, pedestal, backdrop. Lights: two softboxes, one edge spark. Camera: active. Render "
      L"1920 x 1080, frames 1-120. Safety: additive, one undo step."));
  rows.push_back(capsuleRow(
      L"capsule-starter-animation-blocking", L"Animation Blocking Setup", L"Starter", L"", L"AnimationBlocking",
      false, true, kStarterApplies,
      L"Adds a blockout stage with two blocking cubes, a timing marker, a floor, a light and an active camera; "
      L"existing work stays.",
      L"Objects: two cubes, cone marker, floor. Lights: one directional. Camera: active. Render 1280 x 720, "
      L"frames 1-120. Safety: additive, one undo step."));
  rows.push_back(capsuleRow(
      L"capsule-starter-cinematic-turntable", L"Cinematic Turntable Starter", L"Starter", L"",
      L"CinematicTurntable", false, true, kStarterApplies,
      L"Adds a turntable lookdev layout with hero forms on a plinth, key and rim spots and an active camera; "
      L"nothing is removed.",
      L"Objects: torus, core sphere, plinth, floor. Lights: key and rim spots. Camera: active. Render 1920 x "
      L"1080, frames 1-96. Safety: additive, one undo step."));
  rows.push_back(capsuleRow(
      L"capsule-starter-moonlit-lookdev", L"Moonlit Lookdev Starter", L"Starter", L"", L"MoonlitLookdev", false,
      true, kStarterApplies,
      L"Adds a moonlit subject, a shadow block and a ground plane with cool lights and an active camera; "
      L"existing work stays untouched.",
      L"Objects: subject sphere, shadow block, ground. Lights: moon directional, blue fill. Camera: active. "
      L"Render 1920 x 1080, frames 1-120. Safety: additive, one undo step."));
  rows.push_back(capsuleRow(
      L"capsule-material-pack-authoring", L"Material Pack Authoring Note", L"Experimental", L"", L"", false,
      false, L"Preview-only custom authoring note.",
      L"Describes how custom material packs could be authored as capsules later; it adds nothing to the scene.",
      L"Data: authoring notes only. No scene mutation in Phase 60."));
  return rows;
}

PresetDefinition presetRow(const wchar_t* id, const wchar_t* name, const wchar_t* category, const wchar_t* tag,
                           bool appliesNow, const wchar_t* applyNote, const wchar_t* description) {
  PresetDefinition row;
  row.id = id;
  row.name = name;
  row.category = category;
  row.tag = tag;
  row.appliesNow = appliesNow;
  row.applyNote = applyNote;
  row.description = description;
  return row;
}

std::vector<PresetDefinition> buildPresetCatalog() {
  constexpr wchar_t kStarter[] = L"Applies now through the Phase 60 scene-starter capsule path.";
  constexpr wchar_t kMaterial[] = L"Applies now to the selected material-capable object.";
  constexpr wchar_t kLighting[] = L"Preview-only until Lighting Capsules.";
  std::vector<PresetDefinition> rows;
  rows.reserve(12);
  rows.push_back(presetRow(L"starter-clean-modeling-scene", L"Clean Modeling Scene", L"Starter", L"CleanModeling",
                           true, kStarter,
                           L"Adds the clean modeling starter: a cube target, ground plane, soft area light and "
                           L"active camera, without removing anything."));
  rows.push_back(presetRow(L"starter-animation-blocking", L"Animation Blocking Setup", L"Starter",
                           L"AnimationBlocking", true, kStarter,
                           L"Adds the animation blocking stage with marks, camera, light and a 1-120 frame "
                           L"timeline, without removing anything."));
  rows.push_back(presetRow(L"mat-veltrask-blue", L"Veltrask Blue Material", L"Material", L"Blue", true, kMaterial,
                           L"Applies the existing Veltrask Blue material preset to the selected mesh/text/curve "
                           L"material slot. Texture map references are preserved."));
  rows.push_back(presetRow(L"mat-brushed-gold", L"Brushed Gold Material", L"Material", L"Gold", true, kMaterial,
                           L"Applies the existing Brushed Gold material preset to the selected material slot. "
                           L"Texture map slots stay as they are."));
  rows.push_back(presetRow(L"mat-polished-chrome", L"Polished Chrome Material", L"Material", L"Chrome", true,
                           kMaterial,
                           L"Applies the existing Polished Chrome material preset. This is viewport material "
                           L"preview, not path-tracing."));
  rows.push_back(presetRow(L"mat-preview-glass", L"Preview Glass Material", L"Material", L"Glass", true, kMaterial,
                           L"Applies the existing Preview Glass material preset with its transparency. Texture "
                           L"map slots stay as they are."));
  rows.push_back(presetRow(L"mat-arc-emissive", L"Arc Emissive Material", L"Material", L"Emissive", true,
                           kMaterial,
                           L"Applies the existing Arc Emissive material preset with its viewport glow. Texture "
                           L"map slots stay as they are."));
  rows.push_back(presetRow(L"lighting-three-point", L"Three-Point Lighting", L"Lighting", L"", false, kLighting,
                           L"Preset record for a warm key, cool fill and rim light arrangement; the Lighting "
                           L"capsules add it."));
  rows.push_back(presetRow(L"lighting-product-softbox", L"Product Softbox", L"Lighting", L"", false, kLighting,
                           L"Preset record for large softbox lights around a product; the Lighting capsules add "
                           L"it."));
  rows.push_back(presetRow(L"camera-product-hero", L"Product Hero Camera", L"Camera", L"", false,
                           L"Preview-only until Capsules can safely author camera rigs.",
                           L"Preset record for a low, narrow hero camera framing a product."));
  rows.push_back(presetRow(L"camera-orthographic-blueprint", L"Orthographic Blueprint Camera", L"Camera", L"",
                           false, L"Preview-only; no automatic camera mutation.",
                           L"Preset record for a flat technical/modeling camera view. It does not toggle "
                           L"orthographic automatically."));
  rows.push_back(presetRow(L"anim-ease-showcase", L"Ease Showcase Timing", L"Animation", L"", false,
                           L"Preview-only; Phase 55 curve labels stay manual.",
                           L"Preset record for reusable timing curves built from Linear/Hold/Ease labels."));
  return rows;
}

LightingPreset lightingRow(const wchar_t* id, const wchar_t* name, const wchar_t* category,
                           const wchar_t* description, std::vector<LightingPresetLight> lights) {
  return LightingPreset{id, name, category, description, std::move(lights)};
}

std::vector<LightingPreset> buildLightingPresets() {
  std::vector<LightingPreset> rows;
  rows.reserve(5);
  rows.push_back(lightingRow(
      L"lighting-three-point", L"Three-Point Lighting", L"Studio",
      L"Warm key, cool fill, and controlled rim spot for general scene readability.",
      {capsuleLightSpec(L"Key Area", L"Area", {-3.2, 4.6, -3.6}, {-42, -36, 0}, 3.6, 16, 45, 3.2, 255, 232, 196),
       capsuleLightSpec(L"Fill Point", L"Point", {3.4, 2.8, -2.2}, {0, 0, 0}, 1.2, 12, 45, 1.0, 180, 210, 255),
       capsuleLightSpec(L"Rim Spot", L"Spot", {0, 3.1, 4.1}, {-38, 180, 0}, 2.4, 14, 36, 0.8, 220, 235, 255)}));
  rows.push_back(lightingRow(
      L"lighting-product-softbox", L"Product Softbox", L"Studio",
      L"Large softbox-style lights for product/material capsule previews.",
      {capsuleLightSpec(L"Overhead Softbox", L"Area", {0, 5.2, -2.2}, {-62, 0, 0}, 4.0, 18, 45, 5.0, 255, 245, 230),
       capsuleLightSpec(L"Front Fill Softbox", L"Area", {0, 2.6, -5.0}, {-20, 0, 0}, 1.6, 14, 45, 4.0, 235, 244,
                        255),
       capsuleLightSpec(L"Edge Spark", L"Point", {2.8, 2.0, 2.8}, {0, 0, 0}, 0.8, 8, 45, 1.0, 210, 230, 255)}));
  rows.push_back(lightingRow(
      L"lighting-cinematic-rim", L"Cinematic Rim Accent", L"Cinematic",
      L"Dramatic rim/key balance for silhouettes and hard-surface props.",
      {capsuleLightSpec(L"Cool Rim Spot", L"Spot", {0, 3.0, 4.8}, {-34, 180, 0}, 4.2, 16, 28, 0.8, 175, 210, 255),
       capsuleLightSpec(L"Warm Side Key", L"Spot", {-4.0, 3.4, -2.5}, {-36, -52, 0}, 2.0, 13, 42, 0.8, 255, 210,
                        165),
       capsuleLightSpec(L"Low Ambient Practical", L"Point", {2.4, 1.2, -1.8}, {0, 0, 0}, 0.7, 7, 45, 1.0, 255, 180,
                        120)}));
  rows.push_back(lightingRow(
      L"lighting-warm-interior", L"Warm Interior Glow", L"Practical",
      L"Warm practical-style lamps with a soft area lift for interior blockouts.",
      {capsuleLightSpec(L"Warm Practical Left", L"Point", {-2.2, 1.8, -1.7}, {0, 0, 0}, 2.2, 8, 45, 1.0, 255, 190,
                        120),
       capsuleLightSpec(L"Warm Practical Right", L"Point", {2.4, 1.6, 1.2}, {0, 0, 0}, 1.5, 7, 45, 1.0, 255, 205,
                        145),
       capsuleLightSpec(L"Ceiling Bounce", L"Area", {0, 4.3, -0.4}, {-90, 0, 0}, 1.1, 12, 45, 4.5, 255, 226, 190)}));
  rows.push_back(lightingRow(
      L"lighting-moonlit-blue", L"Moonlit Blue Setup", L"Night",
      L"Cool directional moonlight with blue fill and faint rim for night scenes.",
      {capsuleLightSpec(L"Moon Directional", L"Directional", {-3.5, 5.0, -3.5}, {-48, -38, 0}, 1.8, 80, 45, 1.0, 175,
                        205, 255),
       capsuleLightSpec(L"Blue Fill", L"Point", {2.6, 2.3, -3.0}, {0, 0, 0}, 0.8, 13, 45, 1.0, 95, 145, 255),
       capsuleLightSpec(L"Faint Horizon Rim", L"Spot", {0, 2.4, 4.5}, {-22, 180, 0}, 1.0, 16, 50, 0.8, 130, 170,
                        255)}));
  return rows;
}

MaterialPreset materialCapsuleRow(const wchar_t* id, const wchar_t* name, const wchar_t* category,
                                  const wchar_t* description, std::int32_t r, std::int32_t g, std::int32_t b,
                                  double roughness, double metallic, double alpha, double emission,
                                  const wchar_t* note) {
  MaterialPreset row;
  row.id = id;
  row.name = name;
  row.category = category;
  row.description = description;
  row.material = capsuleMaterialSpec(r, g, b, roughness, metallic, name, alpha, emission, id, note);
  row.keepTextureMaps = false;
  return row;
}

std::vector<MaterialPreset> buildMaterialCapsuleCatalog() {
  std::vector<MaterialPreset> rows;
  rows.reserve(6);
  rows.push_back(materialCapsuleRow(
      L"material-blue-anodized", L"Blue Anodized Metal", L"Metal",
      L"Clean saturated blue metal for UI/product/game blockouts. High metallic response, controlled roughness, "
      L"and no external texture dependency.",
      58, 122, 230, 0.22, 0.78, 1.0, 0.0,
      L"Phase 58 capsule: procedural PBR-style metadata with prepared texture channels; no external texture "
      L"files required."));
  rows.push_back(materialCapsuleRow(
      L"material-red-paint", L"Red Gloss Paint", L"Paint",
      L"Glossy red paint for props, vehicles and toys, with texture channels ready for later maps.", 216, 38, 31,
      0.18, 0.18, 1.0, 0.0,
      L"Phase 58 capsule: clean paint look; texture slots remain ready for future color/roughness maps."));
  rows.push_back(materialCapsuleRow(
      L"material-chrome-paint", L"Chrome Paint", L"Metal",
      L"Mirror-like chrome paint for trims and hard-surface highlights, shown as an efficient viewport preview.",
      218, 226, 235, 0.08, 1.0, 1.0, 0.0,
      L"Phase 58 capsule: high metallic, low roughness; viewport shows an efficient preview approximation."));
  rows.push_back(materialCapsuleRow(
      L"material-black-rubber", L"Black Rubber", L"Utility",
      L"Matte black rubber for tyres, grips and seals: rough, non-metal and free of texture files.", 24, 25, 27,
      0.82, 0.0, 1.0, 0.0,
      L"Phase 58 capsule: non-metal utility material with high roughness and prepared texture channels."));
  rows.push_back(materialCapsuleRow(
      L"material-frosted-glass", L"Frosted Glass", L"Glass",
      L"Semi-transparent frosted glass capsule for previewing glass/plastic panels while preserving safe "
      L"viewport performance.",
      156, 224, 255, 0.62, 0.0, 0.48, 0.0,
      L"Phase 58 capsule: transparent material metadata; true refraction remains future render-backend work."));
  rows.push_back(materialCapsuleRow(
      L"material-arc-emission", L"Arc Emission Cyan", L"Emission",
      L"Bright cyan emission look for screens, signs and energy accents, boosted only in the viewport.", 60, 235,
      255, 0.3, 0.0, 1.0, 2.4,
      L"Phase 58 capsule: viewport-safe emission boost; no actual light emission until a future "
      L"renderer/backend."));
  return rows;
}

Material plainMaterial(const wchar_t* name, std::int32_t r, std::int32_t g, std::int32_t b, double roughness,
                       double metallic, double alpha, double emission) {
  Material material;
  material.name = name;
  material.r = r;
  material.g = g;
  material.b = b;
  material.roughness = roughness;
  material.metallic = metallic;
  material.alpha = alpha;
  material.emission = emission;
  return material;
}

struct KeyedMaterial {
  const wchar_t* key;
  Material material;
};

const std::vector<KeyedMaterial>& materialPresets() {
  static const std::vector<KeyedMaterial> presets = {
      {L"Blue", plainMaterial(L"Veltrask Blue", 72, 132, 220, 0.55, 0.0, 1.0, 0.0)},
      {L"Gold", plainMaterial(L"Brushed Gold", 228, 174, 74, 0.32, 0.35, 1.0, 0.0)},
      {L"Chrome", plainMaterial(L"Polished Chrome", 205, 218, 230, 0.12, 1.0, 1.0, 0.0)},
      {L"Glass", plainMaterial(L"Preview Glass", 142, 220, 255, 0.04, 0.0, 0.42, 0.0)},
      {L"Emissive", plainMaterial(L"Arc Emissive", 90, 220, 255, 0.28, 0.0, 1.0, 1.8)},
  };
  return presets;
}

void addStarter(std::vector<SceneStarter>& out, const wchar_t* id, const wchar_t* title, const wchar_t* category,
                const wchar_t* description, std::int32_t width, std::int32_t height, std::int32_t frameEnd) {
  SceneStarter starter;
  starter.id = id;
  starter.title = title;
  starter.category = category;
  starter.description = description;
  starter.outputWidth = width;
  starter.outputHeight = height;
  starter.frameEnd = frameEnd;
  out.push_back(std::move(starter));
}

}  // namespace

// ---- builders --------------------------------------------------------------

LightingPresetLight capsuleLightSpec(const std::wstring& name, const std::wstring& type, Vec3 position,
                                     Vec3 rotation, double intensity, double range, double spotAngle,
                                     double areaSize, std::int32_t r, std::int32_t g, std::int32_t b) {
  LightingPresetLight light;
  light.name = name;
  light.type = normalizeLightType(type);
  light.position = position;
  light.rotation = rotation;
  light.intensity = intensity;
  light.range = range;
  light.spotAngle = spotAngle;
  light.areaSize = areaSize;
  light.r = r;
  light.g = g;
  light.b = b;
  return light;
}

TextureMap capsuleTextureSlot(const std::wstring& channel, bool enable, const std::wstring& path) {
  TextureMap map;
  map.channel = channel;
  map.path = sanitizeTexturePath(path);
  map.colorSpace = defaultColorSpaceForSlot(channel);
  map.relative = true;
  map.enabled = enable && !map.path.empty();
  map.missing = map.enabled && !texturePathResolvable(map);
  return map;
}

Material capsuleMaterialSpec(std::int32_t r, std::int32_t g, std::int32_t b, double roughness, double metallic,
                             const std::wstring& name, double alpha, double emission,
                             const std::wstring& capsuleId, const std::wstring& capsuleNote) {
  Material material;
  material.r = r;
  material.g = g;
  material.b = b;
  material.roughness = roughness;
  material.metallic = metallic;
  material.name = name;
  material.alpha = alpha;
  material.emission = emission;
  material.capsuleId = capsuleId;
  material.capsuleLabel = name;
  material.capsuleNote = capsuleNote;
  material.textureMaps.maps.clear();
  for (const std::wstring& channel : textureChannelKeys())
    material.textureMaps.maps.push_back(capsuleTextureSlot(channel, false, L""));
  ensureMaterialTextureMaps(material);
  return material;
}

Material starterMaterialRecord(std::int32_t r, std::int32_t g, std::int32_t b, double roughness, double metallic,
                               const std::wstring& name, const std::wstring& capsuleId,
                               const std::wstring& capsuleLabel) {
  Material material;
  material.r = std::clamp(r, 0, 255);
  material.g = std::clamp(g, 0, 255);
  material.b = std::clamp(b, 0, 255);
  material.roughness = std::clamp(roughness, 0.0, 1.0);
  material.metallic = std::clamp(metallic, 0.0, 1.0);
  material.name = name;
  material.capsuleId = capsuleId;
  material.capsuleLabel = capsuleLabel;
  material.alpha = 1.0;
  material.emission = 0.0;
  material.capsuleNote = L"Phase 60 scene starter material";
  ensureMaterialTextureMaps(material);
  return material;
}

SceneStarterObject starterObjectRecord(const std::wstring& name, const std::wstring& primitive, Vec3 position,
                                       Vec3 rotation, Vec3 scale, const Material& material) {
  return SceneStarterObject{name, primitive, position, rotation, scale, material};
}

SceneStarterCamera starterCameraRecord(const std::wstring& name, Vec3 position, Vec3 rotation, double fov) {
  return SceneStarterCamera{name, position, rotation, fov};
}

// ---- catalogs ----------------------------------------------------------------

const std::vector<CapsuleDefinition>& capsuleCatalog() {
  static const std::vector<CapsuleDefinition> rows = buildCapsuleCatalog();
  return rows;
}

const std::vector<PresetDefinition>& presetCatalog() {
  static const std::vector<PresetDefinition> rows = buildPresetCatalog();
  return rows;
}

const std::vector<LightingPreset>& lightingPresets() {
  static const std::vector<LightingPreset> rows = buildLightingPresets();
  return rows;
}

const std::vector<MaterialPreset>& materialCapsuleCatalog() {
  static const std::vector<MaterialPreset> rows = buildMaterialCapsuleCatalog();
  return rows;
}

void buildSceneStarterCatalog(std::vector<SceneStarter>& out) {
  const std::size_t first = out.size();
  addStarter(out, L"starter-clean-modeling", L"Clean Modeling Scene", L"Modeling",
             L"Additive starter with a cube target, ground plane, active camera, and single soft area light.", 1280,
             720, 120);
  addStarter(out, L"starter-product-shot", L"Product Shot Starter", L"Studio",
             L"Additive product-shot scene with a hero object, pedestal, backdrop plane, camera, and softbox rig.",
             1920, 1080, 120);
  addStarter(out, L"starter-animation-blocking", L"Animation Blocking Setup", L"Animation",
             L"Additive blockout stage with simple marks, camera, light, and 1-120 frame timeline settings.", 1280,
             720, 120);
  addStarter(out, L"starter-cinematic-turntable", L"Cinematic Turntable Starter", L"Cinematic",
             L"Additive turntable-style lookdev layout with hero forms, plinth, active camera, and rim/key lights.",
             1920, 1080, 96);
  addStarter(out, L"starter-moonlit-lookdev", L"Moonlit Lookdev Starter", L"Night",
             L"Additive moonlit lookdev scene with cool lighting, active camera, subject, and ground plane.", 1920,
             1080, 120);

  SceneStarter* rows = &out[first];
  auto material = [&](const SceneStarter& s, const wchar_t* name, std::int32_t r, std::int32_t g, std::int32_t b,
                      double roughness, double metallic) {
    return starterMaterialRecord(r, g, b, roughness, metallic, name, s.id, s.title);
  };
  auto object = [&](SceneStarter& s, const wchar_t* name, const wchar_t* primitive, Vec3 position, Vec3 rotation,
                    Vec3 scale, const wchar_t* materialName, std::int32_t r, std::int32_t g, std::int32_t b,
                    double roughness, double metallic) {
    s.objects.push_back(starterObjectRecord(name, primitive, position, rotation, scale,
                                            material(s, materialName, r, g, b, roughness, metallic)));
  };

  SceneStarter& clean = rows[0];
  object(clean, L"Clean Starter Cube", L"Cube", {0, 0.55, 0}, {}, {1, 1, 1}, L"Starter Blue", 72, 132, 220, 0.55, 0);
  object(clean, L"Clean Starter Ground", L"Plane", {0, -0.03, 0}, {}, {4.2, 1, 3.0}, L"Matte Ground", 88, 96, 110,
         0.72, 0);
  clean.lights.push_back(
      capsuleLightSpec(L"Modeling Soft Area", L"Area", {0, 4.2, -3.2}, {-55, 0, 0}, 3.0, 15, 45, 4.0, 255, 244, 225));
  clean.camera = starterCameraRecord(L"Clean Modeling Camera", {0, 2.0, -6.2}, {-17, 0, 0}, 48);

  SceneStarter& product = rows[1];
  object(product, L"Product Hero Sphere", L"Sphere", {0, 1.25, 0}, {}, {0.95, 0.95, 0.95}, L"Hero Satin Metal", 180,
         210, 245, 0.18, 0.35);
  object(product, L"Product Pedestal", L"Cylinder", {0, 0.38, 0}, {}, {1.35, 0.35, 1.35}, L"Soft White Pedestal",
         235, 238, 242, 0.45, 0);
  object(product, L"Product Backdrop Proxy", L"Plane", {0, 0, 1.75}, {-90, 0, 0}, {4.5, 1, 2.6},
         L"Charcoal Backdrop", 38, 44, 54, 0.78, 0);
  product.lights.push_back(capsuleLightSpec(L"Main Softbox", L"Area", {-1.8, 4.7, -3.0}, {-52, -22, 0}, 4.5, 18, 45,
                                            5.0, 255, 246, 232));
  product.lights.push_back(capsuleLightSpec(L"Fill Softbox", L"Area", {2.8, 2.8, -3.8}, {-25, 32, 0}, 1.4, 14, 45,
                                            3.4, 220, 235, 255));
  product.lights.push_back(capsuleLightSpec(L"Product Edge Spark", L"Point", {2.4, 2.0, 2.8}, {0, 0, 0}, 0.9, 8, 45,
                                            1.0, 205, 225, 255));
  product.camera = starterCameraRecord(L"Product Shot Camera", {0, 2.15, -6.6}, {-13, 0, 0}, 42);

  SceneStarter& blocking = rows[2];
  object(blocking, L"Blocking Lead Cube", L"Cube", {-1.25, 0.55, 0}, {0, 12, 0}, {0.8, 1.1, 0.8}, L"Blocking Blue",
         72, 132, 220, 0.55, 0);
  object(blocking, L"Blocking Reply Cube", L"Cube", {1.25, 0.55, 0.35}, {0, -18, 0}, {0.75, 0.75, 0.75},
         L"Blocking Orange", 220, 135, 75, 0.58, 0);
  object(blocking, L"Blocking Timing Marker", L"Cone", {0, 0.45, 1.35}, {}, {0.55, 0.9, 0.55},
         L"Timing Marker Yellow", 240, 225, 90, 0.5, 0);
  object(blocking, L"Blocking Floor", L"Plane", {0, -0.02, 0.2}, {}, {5.0, 1, 3.4}, L"Blocking Floor", 60, 70, 82,
         0.76, 0);
  blocking.lights.push_back(capsuleLightSpec(L"Blocking Directional", L"Directional", {-2.5, 4.6, -3.2},
                                             {-45, -32, 0}, 1.3, 80, 45, 1.0, 255, 238, 210));
  blocking.camera = starterCameraRecord(L"Blocking Camera", {0, 2.3, -7.0}, {-16, 0, 0}, 52);

  SceneStarter& turntable = rows[3];
  object(turntable, L"Turntable Hero Torus", L"Torus", {0, 1.15, 0}, {90, 0, 0}, {0.95, 0.95, 0.95},
         L"Brushed Hero Metal", 190, 205, 220, 0.22, 0.65);
  object(turntable, L"Turntable Core Sphere", L"Sphere", {0, 1.15, 0}, {}, {0.42, 0.42, 0.42}, L"Cyan Core", 80,
         150, 245, 0.18, 0.2);
  object(turntable, L"Turntable Plinth", L"Cylinder", {0, 0.35, 0}, {}, {1.6, 0.3, 1.6}, L"Dark Plinth", 28, 32, 42,
         0.68, 0);
  object(turntable, L"Turntable Floor", L"Plane", {0, -0.02, 0}, {}, {5.0, 1, 3.5}, L"Cinematic Floor", 22, 24, 32,
         0.8, 0);
  turntable.lights.push_back(capsuleLightSpec(L"Cinematic Key", L"Spot", {-3.8, 3.8, -2.8}, {-38, -50, 0}, 2.4, 14,
                                              38, 1.0, 255, 215, 170));
  turntable.lights.push_back(capsuleLightSpec(L"Cinematic Rim", L"Spot", {0, 3.0, 4.4}, {-28, 180, 0}, 3.6, 16, 30,
                                              1.0, 150, 195, 255));
  turntable.camera = starterCameraRecord(L"Turntable Camera", {0, 2.1, -6.8}, {-14, 0, 0}, 44);

  SceneStarter& moonlit = rows[4];
  object(moonlit, L"Moonlit Subject", L"Sphere", {0, 0.95, 0}, {}, {0.85, 0.85, 0.85}, L"Moonlit Subject Blue", 105,
         145, 220, 0.38, 0.15);
  object(moonlit, L"Moonlit Shadow Block", L"Cube", {-1.35, 0.45, 0.9}, {0, 25, 0}, {0.6, 0.8, 0.6},
         L"Deep Blue Block", 38, 48, 75, 0.62, 0);
  object(moonlit, L"Moonlit Ground", L"Plane", {0, -0.03, 0.1}, {}, {5.2, 1, 3.6}, L"Night Ground", 20, 28, 48,
         0.82, 0);
  moonlit.lights.push_back(capsuleLightSpec(L"Moon Directional", L"Directional", {-3.5, 5.0, -3.5}, {-50, -36, 0},
                                            1.6, 80, 45, 1.0, 175, 205, 255));
  moonlit.lights.push_back(capsuleLightSpec(L"Blue Scene Fill", L"Point", {2.8, 2.2, -2.6}, {0, 0, 0}, 0.8, 12, 45,
                                            1.0, 85, 135, 255));
  moonlit.camera = starterCameraRecord(L"Moonlit Camera", {0, 2.05, -6.4}, {-15, 0, 0}, 46);
}

const std::vector<SceneStarter>& sceneStarterCatalog() {
  static const std::vector<SceneStarter> rows = [] {
    std::vector<SceneStarter> built;
    buildSceneStarterCatalog(built);
    return built;
  }();
  return rows;
}

// ---- lookups -----------------------------------------------------------------

const LightingPreset* findLightingPreset(const std::wstring& key) {
  const std::vector<LightingPreset>& rows = lightingPresets();
  for (const LightingPreset& row : rows) {
    if (row.id == key || row.name == key || row.category == key) return &row;
  }
  static constexpr Alias kAliases[] = {
      {L"ThreePoint", 0},   {L"Three-Point", 0}, {L"ProductSoftbox", 1}, {L"Softbox", 1},   {L"CinematicRim", 2},
      {L"Rim", 2},          {L"WarmInterior", 3}, {L"Interior", 3},      {L"MoonlitBlue", 4}, {L"Moonlight", 4}};
  return byAlias(rows, key, kAliases);
}

const MaterialPreset* findMaterialCapsulePreset(const std::wstring& key) {
  const std::vector<MaterialPreset>& rows = materialCapsuleCatalog();
  for (const MaterialPreset& row : rows) {
    if (row.id == key || row.name == key) return &row;
  }
  static constexpr Alias kAliases[] = {
      {L"Blue", 0},   {L"Veltrask Blue", 0}, {L"RedPaint", 1},    {L"Red", 1},      {L"Paint", 1},
      {L"Chrome", 2}, {L"ChromePaint", 2},   {L"Rubber", 3},      {L"BlackRubber", 3}, {L"Glass", 4},
      {L"FrostedGlass", 4}, {L"Emissive", 5}, {L"Emission", 5}};
  return byAlias(rows, key, kAliases);
}

const SceneStarter* findStarterScene(const std::wstring& key) {
  const std::vector<SceneStarter>& rows = sceneStarterCatalog();
  for (const SceneStarter& row : rows) {
    if (row.id == key || row.title == key || row.category == key) return &row;
  }
  static constexpr Alias kAliases[] = {
      {L"CleanModeling", 0},      {L"Clean", 0},     {L"ProductShot", 1},    {L"Product", 1},
      {L"AnimationBlocking", 2},  {L"Blocking", 2},  {L"CinematicTurntable", 3}, {L"Turntable", 3},
      {L"MoonlitLookdev", 4},     {L"Moonlit", 4}};
  return byAlias(rows, key, kAliases);
}

const Material* findMaterialPreset(const std::wstring& key) {
  for (const KeyedMaterial& preset : materialPresets()) {
    if (key == preset.key) return &preset.material;
  }
  return nullptr;
}

bool capsuleMatchesFilter(const CapsuleDefinition& record, const CapsuleBrowserState& state) {
  return state.categoryFilter == L"All" || record.category == state.categoryFilter;
}

bool capsuleMatchesFilter(const PresetDefinition& record, const PresetBrowserState& state) {
  return state.categoryFilter == L"All" || record.category == state.categoryFilter;
}

}  // namespace vk
