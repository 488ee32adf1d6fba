// The preset and capsule browsers: what they show for a stored state
// (without ever writing it), their commands, previews and the two Apply
// buttons' texts.
#include <gtest/gtest.h>

#include "model/undo.h"
#include "presets/applies.h"
#include "presets/browsers.h"
#include "preset_test_support.h"

namespace vk {
namespace {

using namespace presettest;

class Browsers : public PresetTest {};

TEST_F(Browsers, DefaultTextsAndStoredFilters) {
  EXPECT_EQ(presetBrowserSummaryLine(), L"Preset Browser: Clean Modeling Scene  Category All  (12 visible)");
  EXPECT_EQ(capsuleBrowserSummary(), L"Capsules: Basic Primitive Kit [All] 21 visible, applied 0");
  scene().presetBrowser.categoryFilter = L"camera";  // not a category: read as All
  EXPECT_EQ(presetBrowserSummaryLine(), L"Preset Browser: Clean Modeling Scene  Category All  (12 visible)");
  scene().capsuleBrowser.categoryFilter = L"Lighting";
  EXPECT_EQ(capsuleBrowserSummary(), L"Capsules: Three-Point Lighting [Lighting] 5 visible, applied 0");
}

// A stored selection outside the filter (possible only from a file) shows and
// applies the filter's first row, and only a browser command stores it.
TEST_F(Browsers, ReadingTheSelectionNeverWritesTheDocument) {
  scene().presetBrowser.categoryFilter = L"Camera";
  scene().presetBrowser.selectedPresetId = L"starter-clean-modeling-scene";
  setDirty(false);
  const Project before = app().project;
  EXPECT_EQ(selectedPreset()->id, L"camera-product-hero");
  EXPECT_EQ(presetBrowserSummaryLine(), L"Preset Browser: Product Hero Camera  Category Camera  (2 visible)");
  EXPECT_NE(presetBrowserDetailText().find(L"Product Hero Camera"), std::wstring::npos);
  EXPECT_EQ(capsuleBrowserSummary().rfind(L"Capsules: ", 0), 0u);
  EXPECT_EQ(app().project, before);
  EXPECT_FALSE(app().dirty);

  applySelectedPreset();  // preview-only: explains itself
  ASSERT_EQ(shownDialogs().size(), 1u);
  EXPECT_EQ(shownDialogs()[0].title, L"Preset Browser");
  EXPECT_EQ(shownDialogs()[0].text.rfind(L"Product Hero Camera is preview-only in Phase 60.\n\n", 0), 0u);
  EXPECT_EQ(scene().presetBrowser.selectedPresetId, L"starter-clean-modeling-scene");
  EXPECT_TRUE(app().dirty);  // a preview-only preset apply marks the project

  selectPresetInBrowser(+1);
  EXPECT_EQ(scene().presetBrowser.selectedPresetId, L"camera-orthographic-blueprint");

  // The browser's own material command on a stored non-material row.
  scene().capsuleBrowser.selectedCapsuleId = L"capsule-lighting-moonlit-blue";
  const Project lighting = app().project;
  applySelectedMaterialCapsule();
  EXPECT_EQ(app().statusText, L"●  Selected capsule is not a material capsule");
  EXPECT_EQ(app().project, lighting);
}

TEST_F(Browsers, SteppingWrapsAndCatalogItemsClearTheFilter) {
  selectPresetInBrowser(-1);
  EXPECT_EQ(scene().presetBrowser.selectedPresetId, L"anim-ease-showcase");
  EXPECT_EQ(app().statusText, L"●  Selected preset: Ease Showcase Timing");
  selectPresetInBrowser(+1);
  EXPECT_EQ(scene().presetBrowser.selectedPresetId, L"starter-clean-modeling-scene");

  setCapsuleCategory(L"Workflow");
  EXPECT_EQ(scene().capsuleBrowser.selectedCapsuleId, L"capsule-workflow-clean-render");
  EXPECT_EQ(app().statusText, L"●  Capsule category: Workflow");
  selectCapsuleInBrowser(+1);  // one visible row: wraps onto itself
  EXPECT_EQ(scene().capsuleBrowser.selectedCapsuleId, L"capsule-workflow-clean-render");
  setCapsuleCategory(L"Nonsense");
  EXPECT_EQ(scene().capsuleBrowser.categoryFilter, L"All");

  setPresetCategory(L"Material");
  selectPresetByIndex(0);
  EXPECT_EQ(scene().presetBrowser.categoryFilter, L"All");
  EXPECT_EQ(scene().presetBrowser.selectedPresetId, L"starter-clean-modeling-scene");
  const Project before = app().project;
  selectPresetByIndex(12);
  selectCapsuleByIndex(-1);
  selectCapsuleByIndex(21);
  EXPECT_EQ(app().project, before);
  selectCapsuleByIndex(20);
  EXPECT_EQ(scene().capsuleBrowser.selectedCapsuleId, L"capsule-material-pack-authoring");
}

TEST_F(Browsers, DetailTextsAreOneLineAndCut) {
  PresetDefinition preset;
  preset.category = L"Camera";
  preset.name = L"Long";
  preset.description = std::wstring(2000, L'd');
  preset.applyNote = L"note";
  const std::wstring presetText = presetDetailText(preset);
  EXPECT_EQ(presetText.size(), 900u);
  EXPECT_EQ(presetText.rfind(L"Camera / Long d", 0), 0u);

  CapsuleDefinition capsule;
  capsule.category = L"Workflow";
  capsule.title = L"T";
  capsule.description = L"line one\nline two";
  capsule.manifest = std::wstring(2000, L'm');
  const std::wstring capsuleText = capsuleDetailText(capsule);
  EXPECT_EQ(capsuleText.size(), 1100u);
  EXPECT_EQ(capsuleText.rfind(L"Workflow / T line one line two Manifest: mmm", 0), 0u);
  EXPECT_EQ(capsuleText.find(L'\n'), std::wstring::npos);
}

TEST_F(Browsers, PreviewsArmAndMarkAsWritten) {
  setDirty(false);
  previewSelectedCapsule();
  EXPECT_TRUE(scene().capsuleBrowser.previewArmed);
  EXPECT_FALSE(app().dirty);
  ASSERT_EQ(shownDialogs().size(), 1u);
  EXPECT_EQ(shownDialogs()[0].title, L"Veltrask Capsule Preview");
  EXPECT_EQ(shownDialogs()[0].text, capsuleBrowserDetailText());
  EXPECT_EQ(app().statusText, L"●  Previewed capsule: Basic Primitive Kit");
  toggleCapsuleBrowser();
  EXPECT_TRUE(scene().capsuleBrowser.previewArmed);
  EXPECT_FALSE(scene().capsuleBrowser.visible);
  EXPECT_EQ(app().statusText, L"●  Capsule browser hidden");
  selectCapsuleInBrowser(+1);
  EXPECT_FALSE(scene().capsuleBrowser.previewArmed);

  setDirty(false);
  previewSelectedPreset();
  EXPECT_TRUE(app().dirty);
  ASSERT_EQ(shownDialogs().size(), 2u);
  EXPECT_EQ(shownDialogs()[1].title, L"Preset Preview");
  EXPECT_EQ(shownDialogs()[1].text, presetBrowserDetailText());
}

TEST_F(Browsers, ApplyButtonsNameTheirRowsAndCount) {
  scene().capsuleBrowser.selectedCapsuleId = L"capsule-workflow-clean-render";
  setDirty(false);
  applySelectedCapsule();
  EXPECT_FALSE(app().dirty);
  EXPECT_EQ(objectCount(), 3u);
  ASSERT_EQ(shownDialogs().size(), 1u);
  EXPECT_EQ(shownDialogs()[0].title, L"Veltrask Capsules");
  EXPECT_EQ(app().statusText, L"●  Preview-only capsule: Clean Render Workflow");

  scene().capsuleBrowser.selectedCapsuleId = L"capsule-lighting-three-point";
  scene().capsuleBrowser.previewArmed = true;
  applySelectedCapsule();
  EXPECT_EQ(app().statusText, L"●  Applied lighting capsule: Three-Point Lighting");
  scene().capsuleBrowser.selectedCapsuleId = L"capsule-starter-clean-modeling";
  applySelectedCapsule();
  EXPECT_EQ(app().statusText, L"●  Applied scene starter capsule: Clean Modeling Scene");
  EXPECT_EQ(scene().capsuleBrowser.appliedCapsuleCount, 2);
  EXPECT_FALSE(scene().capsuleBrowser.previewArmed);
  EXPECT_EQ(scene().capsuleBrowser.lastAppliedCapsuleId, L"capsule-starter-clean-modeling");

  // A material preset with nothing selected: the guard speaks, the browser
  // state stays.
  app().selectedObjectId.clear();
  scene().presetBrowser.selectedPresetId = L"mat-veltrask-blue";
  const PresetBrowserState state = scene().presetBrowser;
  applySelectedPreset();
  EXPECT_EQ(app().statusText, L"●  Select a mesh object before editing materials");
  EXPECT_EQ(scene().presetBrowser, state);

  selectCube();
  applySelectedPreset();
  EXPECT_EQ(app().statusText, L"●  Applied preset: Veltrask Blue Material");
  EXPECT_EQ(scene().presetBrowser.lastPreviewStatus, L"Applied preset: Veltrask Blue Material");
}

}  // namespace
}  // namespace vk
