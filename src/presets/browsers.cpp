#include "presets/browsers.h"

#include <optional>

#include "model/app_state.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "presets/applies.h"

namespace vk {

namespace {

PresetBrowserState& presetState() { return appState().project.scene.presetBrowser; }
CapsuleBrowserState& capsuleState() { return appState().project.scene.capsuleBrowser; }

template <typename Row, typename State>
std::vector<const Row*> filtered(const std::vector<Row>& rows, const State& state) {
  std::vector<const Row*> out;
  for (const Row& row : rows) {
    if (capsuleMatchesFilter(row, state)) out.push_back(&row);
  }
  if (out.empty()) {
    for (const Row& row : rows) out.push_back(&row);
  }
  return out;
}

template <typename Row, typename State>
const Row* selectedRow(const std::vector<Row>& rows, const State& state, const std::wstring& selectedId) {
  if (rows.empty()) return nullptr;
  bool idExists = false;
  for (const Row& row : rows) {
    if (row.id != selectedId) continue;
    idExists = true;
    if (capsuleMatchesFilter(row, state)) return &row;
    break;
  }
  if (!idExists && capsuleMatchesFilter(rows.front(), state)) return &rows.front();
  return filtered(rows, state).front();
}

// The position of the stored id among the filtered rows (0 when absent),
// stepped with wrap-around both ways.
template <typename Row>
const Row* steppedRow(const std::vector<const Row*>& rows, const std::wstring& selectedId, int step) {
  const int n = static_cast<int>(rows.size());
  int current = 0;
  for (int i = 0; i < n; ++i) {
    if (rows[i]->id == selectedId) {
      current = i;
      break;
    }
  }
  int next = (current + step) % n;
  if (next < 0) next += n;
  return rows[static_cast<std::size_t>(next)];
}

// Stores the browser's status, marks the project dirty, refreshes and writes
// the status line.
void reportPreset(const std::wstring& status) {
  presetState().lastPreviewStatus = status;
  setDirty(true);
  refreshAll();
  setStatusText(L"●  " + status);
}

void reportCapsule(const std::wstring& status) {
  CapsuleBrowserState& state = capsuleState();
  state.lastPreviewStatus = status;
  setDirty(true);
  refreshAll();
  setStatusText(L"●  " + status);
}

PresetBrowserState sanitizedPresetState() {
  sanitizePresetBrowserState(presetState());
  return presetState();
}

CapsuleBrowserState sanitizedCapsuleState() {
  sanitizeCapsuleBrowserState(capsuleState());
  return capsuleState();
}

}  // namespace

// ---- queries -------------------------------------------------------------------

std::vector<const PresetDefinition*> filterPresetsByCategory(const PresetBrowserState& state) {
  PresetBrowserState clean = state;
  sanitizePresetBrowserState(clean);
  return filtered(presetCatalog(), clean);
}

std::vector<const CapsuleDefinition*> filterCapsulesByCategory(const CapsuleBrowserState& state) {
  CapsuleBrowserState clean = state;
  sanitizeCapsuleBrowserState(clean);
  return filtered(capsuleCatalog(), clean);
}

const PresetDefinition* selectedPreset(const PresetBrowserState& state) {
  PresetBrowserState clean = state;
  sanitizePresetBrowserState(clean);
  return selectedRow(presetCatalog(), clean, clean.selectedPresetId);
}

const CapsuleDefinition* selectedCapsule(const CapsuleBrowserState& state) {
  CapsuleBrowserState clean = state;
  sanitizeCapsuleBrowserState(clean);
  return selectedRow(capsuleCatalog(), clean, clean.selectedCapsuleId);
}

const PresetDefinition* selectedPreset() { return selectedPreset(presetState()); }
const CapsuleDefinition* selectedCapsule() { return selectedCapsule(capsuleState()); }

std::wstring presetBrowserSummaryLine() {
  PresetBrowserState clean = presetState();
  sanitizePresetBrowserState(clean);
  const PresetDefinition* row = selectedPreset(clean);
  return L"Preset Browser: " + (row ? row->name : std::wstring(L"No preset")) + L"  Category " +
         clean.categoryFilter + L"  (" + std::to_wstring(filterPresetsByCategory(clean).size()) + L" visible)";
}

std::wstring capsuleBrowserSummary() {
  CapsuleBrowserState clean = capsuleState();
  sanitizeCapsuleBrowserState(clean);
  const CapsuleDefinition* row = selectedCapsule(clean);
  return L"Capsules: " + (row ? row->title : std::wstring(L"No capsule")) + L" [" + clean.categoryFilter + L"] " +
         std::to_wstring(filterCapsulesByCategory(clean).size()) + L" visible, applied " +
         std::to_wstring(clean.appliedCapsuleCount);
}

std::wstring presetDetailText(const PresetDefinition& preset) {
  return trimToSingleLine(preset.category + L" / " + preset.name + L"\n" + preset.description + L"\n" +
                              preset.applyNote,
                          900);
}

std::wstring capsuleDetailText(const CapsuleDefinition& capsule) {
  return trimToSingleLine(capsule.category + L" / " + capsule.title + L"\n" + capsule.description +
                              L"\nManifest: " + capsule.manifest + L"\n" + capsule.applyNote,
                          1100);
}

std::wstring presetBrowserDetailText() {
  const PresetDefinition* row = selectedPreset();
  return row ? presetDetailText(*row) : L"No preset selected.";
}

std::wstring capsuleBrowserDetailText() {
  const CapsuleDefinition* row = selectedCapsule();
  return row ? capsuleDetailText(*row) : L"No capsule selected.";
}

// ---- preset browser commands ------------------------------------------------------

void togglePresetBrowser() {
  sanitizedPresetState();
  PresetBrowserState& state = presetState();
  state.visible = !state.visible;
  reportPreset(std::wstring(L"Preset browser ") + (state.visible ? L"shown" : L"hidden"));
  relayoutMainWindow();
}

void selectPresetInBrowser(int step) {
  const PresetBrowserState clean = sanitizedPresetState();
  const PresetDefinition* row = steppedRow(filterPresetsByCategory(clean), clean.selectedPresetId, step);
  presetState().selectedPresetId = row->id;
  reportPreset(L"Selected preset: " + row->name);
}

void selectPresetByIndex(int index) {
  const auto& rows = presetCatalog();
  if (index < 0 || index >= static_cast<int>(rows.size())) return;
  sanitizedPresetState();
  PresetBrowserState& state = presetState();
  state.categoryFilter = L"All";
  state.selectedPresetId = rows[static_cast<std::size_t>(index)].id;
  reportPreset(L"Selected preset: " + rows[static_cast<std::size_t>(index)].name);
}

void setPresetCategory(const std::wstring& category) {
  sanitizedPresetState();
  PresetBrowserState& state = presetState();
  state.categoryFilter = category;
  sanitizePresetBrowserState(state);
  const auto rows = filterPresetsByCategory(state);
  if (!rows.empty()) state.selectedPresetId = rows.front()->id;
  reportPreset(L"Preset category: " + state.categoryFilter);
}

void previewSelectedPreset() {
  const PresetDefinition* row = selectedPreset();
  if (!row) {
    setStatusText(L"●  No preset selected");
    return;
  }
  PresetBrowserState& state = presetState();
  state.lastPreviewStatus = L"Previewed preset: " + row->name;
  setDirty(true);
  refreshAll();
  showTextDialog(L"Preset Preview", presetDetailText(*row), L"OK", L"", false);
  setStatusText(L"●  " + state.lastPreviewStatus);
}

void applySelectedPreset() {
  const PresetDefinition* found = selectedPreset();
  if (!found) {
    setStatusText(L"●  No preset selected");
    return;
  }
  const PresetDefinition row = *found;
  if (row.appliesNow && row.category == L"Starter" && !row.tag.empty()) {
    if (!applySceneStarterCapsule(row.tag, false)) return;
    reportPreset(L"Applied starter preset: " + row.name);
    return;
  }
  if (row.appliesNow && !row.tag.empty()) {
    if (!applyMaterialPreset(row.tag)) return;
    reportPreset(L"Applied preset: " + row.name);
    return;
  }
  reportPreset(L"Preview-only preset until its capsule phase: " + row.name);
  showTextDialog(L"Preset Browser",
                 row.name + L" is preview-only in Phase 60.\n\n" + row.description +
                     L"\n\nStarter, material, and lighting capsules are available now through the Capsules "
                     L"browser; remaining preset families stay honest preview-only records.",
                 L"OK", L"", false);
  setStatusText(L"●  " + presetState().lastPreviewStatus);
}

// ---- capsule browser commands -----------------------------------------------------

void toggleCapsuleBrowser() {
  sanitizedCapsuleState();
  CapsuleBrowserState& state = capsuleState();
  state.visible = !state.visible;
  reportCapsule(std::wstring(L"Capsule browser ") + (state.visible ? L"shown" : L"hidden"));
  relayoutMainWindow();
}

void selectCapsuleInBrowser(int step) {
  const CapsuleBrowserState clean = sanitizedCapsuleState();
  const CapsuleDefinition* row = steppedRow(filterCapsulesByCategory(clean), clean.selectedCapsuleId, step);
  capsuleState().selectedCapsuleId = row->id;
  capsuleState().previewArmed = false;
  reportCapsule(L"Selected capsule: " + row->title);
}

void selectCapsuleByIndex(int index) {
  const auto& rows = capsuleCatalog();
  if (index < 0 || index >= static_cast<int>(rows.size())) return;
  sanitizedCapsuleState();
  CapsuleBrowserState& state = capsuleState();
  state.categoryFilter = L"All";
  state.selectedCapsuleId = rows[static_cast<std::size_t>(index)].id;
  state.lastPreviewStatus = L"Selected capsule: " + rows[static_cast<std::size_t>(index)].title;
  state.previewArmed = false;
  setDirty(true);
  refreshAll();
  setStatusText(L"●  " + state.lastPreviewStatus);
}

void setCapsuleCategory(const std::wstring& category) {
  sanitizedCapsuleState();
  CapsuleBrowserState& state = capsuleState();
  state.categoryFilter = category;
  sanitizeCapsuleBrowserState(state);
  const auto rows = filterCapsulesByCategory(state);
  if (!rows.empty()) state.selectedCapsuleId = rows.front()->id;
  state.previewArmed = false;
  reportCapsule(L"Capsule category: " + state.categoryFilter);
}

void previewSelectedCapsule() {
  const CapsuleDefinition* row = selectedCapsule();
  if (!row) {
    setStatusText(L"●  No capsule selected");
    return;
  }
  CapsuleBrowserState& state = capsuleState();
  state.previewArmed = true;
  state.lastPreviewStatus = L"Previewed capsule: " + row->title;
  refreshAll();
  showTextDialog(L"Veltrask Capsule Preview", capsuleDetailText(*row), L"OK", L"", false);
  setStatusText(L"●  " + state.lastPreviewStatus);
}

void applySelectedCapsule() {
  const CapsuleDefinition* found = selectedCapsule();
  if (!found) {
    setStatusText(L"●  No capsule selected");
    return;
  }
  const CapsuleDefinition row = *found;
  if (!row.appliesNow) {
    capsuleState().lastPreviewStatus = L"Preview-only capsule: " + row.title;
    refreshAll();
    showTextDialog(L"Veltrask Capsules",
                   row.title + L" is preview-only in Phase 60.\n\n" + row.description +
                       L"\n\nStarter, material, lighting, and object-kit capsules apply safely; remaining capsules "
                       L"stay preview-only until their roadmap phases.",
                   L"OK", L"", false);
    setStatusText(L"●  " + capsuleState().lastPreviewStatus);
    return;
  }
  std::wstring prefix;
  // The applies of the first three kinds are transactions of their own; the
  // object capsules are this one.
  std::optional<EditTransaction> edit;
  if (row.category == L"Material" && !row.applyKey.empty()) {
    if (!applyMaterialCapsule(row.applyKey, true)) return;
    prefix = L"Applied material capsule: ";
  } else if (row.category == L"Lighting" && !row.applyKey.empty()) {
    if (!applyLightingCapsule(row.applyKey, true)) return;
    prefix = L"Applied lighting capsule: ";
  } else if (row.category == L"Starter" && !row.applyKey.empty()) {
    if (!applySceneStarterCapsule(row.applyKey, true)) return;
    prefix = L"Applied scene starter capsule: ";
  } else {
    const std::size_t count = appState().project.scene.objects.size();
    if (count >= kPresetApplyObjectLimit) {
      setStatusText(L"●  Capsule blocked: scene object budget reached");
      showTextDialog(L"Capsule Apply Blocked",
                     L"Phase 60 capsules refuse to add more objects once the safe object budget is reached.", L"OK",
                     L"", false);
      return;
    }
    const bool kit = row.id == L"capsule-basic-primitive-kit";
    // Checked before the snapshot: an undo after it would cost the redo
    // history and mark the project dirty for nothing.
    if (kit && count + 3 > kPresetApplyObjectLimit) {
      setStatusText(L"●  Capsule blocked: primitive kit exceeds object budget");
      return;
    }
    edit.emplace();
    if (kit) {
      applyObjectKitCapsule();
    } else {
      applySingleObjectCapsule(row);
    }
    prefix = L"Applied capsule: ";
  }
  CapsuleBrowserState& state = capsuleState();
  state.lastAppliedCapsuleId = row.id;
  state.appliedCapsuleCount += 1;
  state.previewArmed = false;
  state.lastPreviewStatus = prefix + row.title;
  if (edit) {
    edit->commit();
  } else {
    setDirty(true);
    refreshAll();
  }
  setStatusText(L"●  " + state.lastPreviewStatus);
}

void applySelectedMaterialCapsule() {
  const CapsuleDefinition* row = selectedCapsule();
  if (!row) return;
  if (row->category == L"Material" && !row->applyKey.empty()) {
    applyMaterialCapsule(row->applyKey, true);
  } else {
    setStatusText(L"●  Selected capsule is not a material capsule");
  }
}

}  // namespace vk
