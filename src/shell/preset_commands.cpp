#include "shell/preset_commands.h"

#include "presets/applies.h"
#include "presets/browsers.h"
#include "shell/command_ids.h"

namespace vk {

void addPresetCommands(const CommandRegistrar& add) {
  add(kCmdTogglePresetBrowser, togglePresetBrowser);
  add(kCmdPreviousPreset, [] { selectPresetInBrowser(-1); });
  add(kCmdNextPreset, [] { selectPresetInBrowser(+1); });
  add(kCmdPreviewPreset, previewSelectedPreset);
  add(kCmdApplyPreset, applySelectedPreset);
  static const wchar_t* const kPresetCategories[] = {L"All", L"Starter", L"Material", L"Lighting", L"Camera",
                                                     L"Animation"};
  for (int i = 0; i < 6; ++i) add(kCmdPresetCategoryAll + i, [i] { setPresetCategory(kPresetCategories[i]); });

  add(kCmdToggleCapsuleBrowser, toggleCapsuleBrowser);
  add(kCmdPreviousCapsule, [] { selectCapsuleInBrowser(-1); });
  add(kCmdNextCapsule, [] { selectCapsuleInBrowser(+1); });
  add(kCmdPreviewCapsule, previewSelectedCapsule);
  add(kCmdApplyCapsule, applySelectedCapsule);
  static const wchar_t* const kCapsuleCategories[] = {L"All",     L"Object Kit",   L"Workflow", L"Starter",
                                                      L"Experimental", L"Material", L"Lighting"};
  for (int i = 0; i < 7; ++i) add(kCmdCapsuleCategoryAll + i, [i] { setCapsuleCategory(kCapsuleCategories[i]); });

  static const wchar_t* const kMaterialPresets[] = {L"Blue", L"Gold", L"Chrome", L"Glass", L"Emissive"};
  for (int i = 0; i < 5; ++i) add(kCmdMaterialPresetBlue + i, [i] { applyMaterialPreset(kMaterialPresets[i]); });
  static const wchar_t* const kMaterialCapsules[] = {L"Blue",   L"RedPaint",     L"Chrome",
                                                     L"Rubber", L"FrostedGlass", L"Emissive"};
  for (int i = 0; i < 6; ++i)
    add(kCmdMaterialCapsuleBlue + i, [i] { applyMaterialCapsule(kMaterialCapsules[i], false); });
  add(kCmdApplyBrowserMaterialCapsule, applySelectedMaterialCapsule);
  static const wchar_t* const kLighting[] = {L"ThreePoint", L"ProductSoftbox", L"CinematicRim", L"WarmInterior",
                                             L"MoonlitBlue"};
  for (int i = 0; i < 5; ++i) add(kCmdLightingCapsuleThreePoint + i, [i] { applyLightingCapsule(kLighting[i], false); });
  static const wchar_t* const kStarters[] = {L"CleanModeling", L"ProductShot", L"AnimationBlocking",
                                             L"CinematicTurntable", L"MoonlitLookdev"};
  for (int i = 0; i < 5; ++i)
    add(kCmdStarterCleanModeling + i, [i] { applySceneStarterCapsule(kStarters[i], false); });
}

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
