// The command rows of the presets and capsules: browser commands, category
// filters and the direct applies of material presets and capsules.
#include "shell/preset_commands.h"

#include "model/app_state.h"
#include "presets/applies.h"
#include "presets/browsers.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"

namespace vk {

namespace {

constexpr CommandRow kRows[] = {
    // Presets
    {.id = kCmdPreviousPreset, .menu = L"Previous Preset", .button = L"Preset <", .group = ButtonGroup::browsers,
     .tip = L"Preset Browser: select the previous preset.", .glyph = Glyph::cube,
     .run = [] { selectPresetInBrowser(-1); }},
    {.id = kCmdNextPreset, .menu = L"Next Preset", .button = L"Preset >", .group = ButtonGroup::browsers,
     .tip = L"Preset Browser: select the next preset.", .glyph = Glyph::cube, .run = [] { selectPresetInBrowser(+1); }},
    {.id = kCmdPreviewPreset, .menu = L"Preview Selected Preset...", .button = L"Preview",
     .group = ButtonGroup::browsers, .tip = L"Preset Browser: preview the selected preset without changing the scene.",
     .glyph = Glyph::cube, .run = previewSelectedPreset},
    {.id = kCmdApplyPreset, .menu = L"Apply Selected Preset", .button = L"Apply", .group = ButtonGroup::browsers,
     .tip = L"Preset Browser: apply only safe currently-supported material presets; capsule presets remain "
     L"preview-only.", .glyph = Glyph::cube, .run = applySelectedPreset},
    {.id = kCmdPresetCategoryAll, .menu = L"All Categories", .button = L"Filter", .group = ButtonGroup::browsers,
     .tip = L"Preset Browser: cycle the preset category filter.", .glyph = Glyph::cube,
     .run = [] { setPresetCategory(L"All"); }},
    {.id = kCmdTogglePresetBrowser, .menu = L"Browser Panel", .run = togglePresetBrowser,
     .checked = [] { return appState().project.scene.presetBrowser.visible; }, .stateOn = L"Shown",
     .stateOff = L"Hidden"},
    {.id = kCmdPresetCategoryStarter, .menu = L"Starter", .run = [] { setPresetCategory(L"Starter"); }},
    {.id = kCmdPresetCategoryMaterial, .menu = L"Material", .run = [] { setPresetCategory(L"Material"); }},
    {.id = kCmdPresetCategoryLighting, .menu = L"Lighting", .run = [] { setPresetCategory(L"Lighting"); }},
    {.id = kCmdPresetCategoryCamera, .menu = L"Camera", .run = [] { setPresetCategory(L"Camera"); }},
    {.id = kCmdPresetCategoryAnimation, .menu = L"Animation", .run = [] { setPresetCategory(L"Animation"); }},
    // Capsules
    {.id = kCmdPreviousCapsule, .menu = L"Previous Capsule", .button = L"Capsule <", .group = ButtonGroup::browsers,
     .tip = L"Veltrask Capsules: select the previous capsule.", .glyph = Glyph::cube,
     .run = [] { selectCapsuleInBrowser(-1); }},
    {.id = kCmdNextCapsule, .menu = L"Next Capsule", .button = L"Capsule >", .group = ButtonGroup::browsers,
     .tip = L"Veltrask Capsules: select the next capsule.", .glyph = Glyph::cube,
     .run = [] { selectCapsuleInBrowser(+1); }},
    {.id = kCmdPreviewCapsule, .menu = L"Preview Selected Capsule...", .button = L"Preview Cap",
     .group = ButtonGroup::browsers,
     .tip = L"Veltrask Capsules: preview the selected capsule without changing the scene.", .glyph = Glyph::cube,
     .run = previewSelectedCapsule},
    {.id = kCmdApplyCapsule, .menu = L"Apply Selected Capsule", .button = L"Apply Cap", .group = ButtonGroup::browsers,
     .tip = L"Veltrask Capsules: apply the selected capsule safely.", .glyph = Glyph::cube,
     .run = applySelectedCapsule},
    {.id = kCmdCapsuleCategoryAll, .menu = L"All Categories", .button = L"Filter", .group = ButtonGroup::browsers,
     .tip = L"Veltrask Capsules: cycle the capsule category filter.", .glyph = Glyph::cube,
     .run = [] { setCapsuleCategory(L"All"); }},
    {.id = kCmdToggleCapsuleBrowser, .menu = L"Capsule Panel", .run = toggleCapsuleBrowser,
     .checked = [] { return appState().project.scene.capsuleBrowser.visible; }, .stateOn = L"Shown",
     .stateOff = L"Hidden"},
    {.id = kCmdCapsuleCategoryObjectKit, .menu = L"Object Kit", .run = [] { setCapsuleCategory(L"Object Kit"); }},
    {.id = kCmdCapsuleCategoryWorkflow, .menu = L"Workflow", .run = [] { setCapsuleCategory(L"Workflow"); }},
    {.id = kCmdCapsuleCategoryStarter, .menu = L"Starter", .run = [] { setCapsuleCategory(L"Starter"); }},
    {.id = kCmdCapsuleCategoryExperimental, .menu = L"Experimental",
     .run = [] { setCapsuleCategory(L"Experimental"); }},
    {.id = kCmdCapsuleCategoryMaterial, .menu = L"Material", .run = [] { setCapsuleCategory(L"Material"); }},
    {.id = kCmdCapsuleCategoryLighting, .menu = L"Lighting", .run = [] { setCapsuleCategory(L"Lighting"); }},
    // Materials
    {.id = kCmdMaterialPresetBlue, .menu = L"Veltrask Blue", .run = [] { applyMaterialPreset(L"Blue"); }},
    {.id = kCmdMaterialPresetGold, .menu = L"Brushed Gold", .run = [] { applyMaterialPreset(L"Gold"); }},
    {.id = kCmdMaterialPresetChrome, .menu = L"Polished Chrome", .run = [] { applyMaterialPreset(L"Chrome"); }},
    {.id = kCmdMaterialPresetGlass, .menu = L"Preview Glass", .run = [] { applyMaterialPreset(L"Glass"); }},
    {.id = kCmdMaterialPresetEmissive, .menu = L"Arc Emissive", .run = [] { applyMaterialPreset(L"Emissive"); }},
    // Material, lighting and scene starter capsules
    {.id = kCmdMaterialCapsuleBlue, .menu = L"Blue Anodized Metal",
     .run = [] { applyMaterialCapsule(L"Blue", false); }},
    {.id = kCmdMaterialCapsuleRedPaint, .menu = L"Red Gloss Paint",
     .run = [] { applyMaterialCapsule(L"RedPaint", false); }},
    {.id = kCmdMaterialCapsuleChrome, .menu = L"Chrome Paint", .run = [] { applyMaterialCapsule(L"Chrome", false); }},
    {.id = kCmdMaterialCapsuleRubber, .menu = L"Black Rubber", .run = [] { applyMaterialCapsule(L"Rubber", false); }},
    {.id = kCmdMaterialCapsuleFrostedGlass, .menu = L"Frosted Glass",
     .run = [] { applyMaterialCapsule(L"FrostedGlass", false); }},
    {.id = kCmdMaterialCapsuleEmissive, .menu = L"Arc Emission Cyan",
     .run = [] { applyMaterialCapsule(L"Emissive", false); }},
    {.id = kCmdApplyBrowserMaterialCapsule, .menu = L"Apply Selected Capsule Browser Material",
     .run = applySelectedMaterialCapsule},
    {.id = kCmdLightingCapsuleThreePoint, .menu = L"Three-Point Lighting", .colour = kIconLighting,
     .run = [] { applyLightingCapsule(L"ThreePoint", false); }},
    {.id = kCmdLightingCapsuleProductSoftbox, .menu = L"Product Softbox", .colour = kIconLighting,
     .run = [] { applyLightingCapsule(L"ProductSoftbox", false); }},
    {.id = kCmdLightingCapsuleCinematicRim, .menu = L"Cinematic Rim Accent", .colour = kIconLighting,
     .run = [] { applyLightingCapsule(L"CinematicRim", false); }},
    {.id = kCmdLightingCapsuleWarmInterior, .menu = L"Warm Interior Glow", .colour = kIconLighting,
     .run = [] { applyLightingCapsule(L"WarmInterior", false); }},
    {.id = kCmdLightingCapsuleMoonlitBlue, .menu = L"Moonlit Blue Setup", .colour = kIconLighting,
     .run = [] { applyLightingCapsule(L"MoonlitBlue", false); }},
    {.id = kCmdStarterCleanModeling, .menu = L"Clean Modeling Scene", .colour = kIconStarter,
     .run = [] { applySceneStarterCapsule(L"CleanModeling", false); }},
    {.id = kCmdStarterProductShot, .menu = L"Product Shot Starter", .colour = kIconStarter,
     .run = [] { applySceneStarterCapsule(L"ProductShot", false); }},
    {.id = kCmdStarterAnimationBlocking, .menu = L"Animation Blocking Setup", .colour = kIconStarter,
     .run = [] { applySceneStarterCapsule(L"AnimationBlocking", false); }},
    {.id = kCmdStarterCinematicTurntable, .menu = L"Cinematic Turntable Starter", .colour = kIconStarter,
     .run = [] { applySceneStarterCapsule(L"CinematicTurntable", false); }},
    {.id = kCmdStarterMoonlitLookdev, .menu = L"Moonlit Lookdev Starter", .colour = kIconStarter,
     .run = [] { applySceneStarterCapsule(L"MoonlitLookdev", false); }},
};

}  // namespace

std::span<const CommandRow> presetCommandRows() { return kRows; }

bool runCatalogItem(int id) {
  const int preset = id - kCmdPresetCatalogBase, capsule = id - kCmdCapsuleCatalogBase;
  if (preset >= 0 && preset < static_cast<int>(presetCatalog().size())) {
    selectPresetByIndex(preset);
    return true;
  }
  if (capsule >= 0 && capsule < static_cast<int>(capsuleCatalog().size())) {
    selectCapsuleByIndex(capsule);
    return true;
  }
  return false;
}

}  // namespace vk
