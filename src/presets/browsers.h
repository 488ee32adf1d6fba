// The preset and capsule browsers of the inspector: filtered lists over the
// built-in catalogs with one selected row, their texts, the browser commands
// and the two Apply buttons. The states live in the scene; the browser
// commands change them without an undo snapshot.
#pragma once

#include <string>
#include <vector>

#include "presets/catalogs.h"

namespace vk {

// ---- queries: read only, never change the stored state ------------------------

// The rows matching the filter, in catalog order; every row when none does.
std::vector<const PresetDefinition*> filterPresetsByCategory(const PresetBrowserState& state);
std::vector<const CapsuleDefinition*> filterCapsulesByCategory(const CapsuleBrowserState& state);
// The row the browser shows as selected: the stored id when it passes the
// filter, else (for an id no row has) the first row when it passes, else the
// first filtered row. Null only for an empty catalog.
const PresetDefinition* selectedPreset(const PresetBrowserState& state);
const CapsuleDefinition* selectedCapsule(const CapsuleBrowserState& state);
const PresetDefinition* selectedPreset();    // of the open scene
const CapsuleDefinition* selectedCapsule();  // of the open scene

std::wstring presetBrowserSummaryLine();
std::wstring capsuleBrowserSummary();
// One line of at most 900 / 1100 characters.
std::wstring presetDetailText(const PresetDefinition& preset);
std::wstring capsuleDetailText(const CapsuleDefinition& capsule);
std::wstring presetBrowserDetailText();
std::wstring capsuleBrowserDetailText();

// ---- commands ----------------------------------------------------------------

void togglePresetBrowser();
void selectPresetInBrowser(int step);
void selectPresetByIndex(int index);  // outside the catalog: nothing
void setPresetCategory(const std::wstring& category);
void previewSelectedPreset();
void applySelectedPreset();

void toggleCapsuleBrowser();
void selectCapsuleInBrowser(int step);
void selectCapsuleByIndex(int index);  // outside the catalog: nothing
void setCapsuleCategory(const std::wstring& category);
void previewSelectedCapsule();
void applySelectedCapsule();
// The material capsule of the capsule browser's selection; the browser
// state stays as it is.
void applySelectedMaterialCapsule();

}  // namespace vk
