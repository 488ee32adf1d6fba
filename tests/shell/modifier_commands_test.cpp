// The Modifier menu through the command table: refusals leave everything as
// it was, every edit is one undo step with its note and status text, and the
// stack rules (limit, walking, moving, removing, unknown entries).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/objects.h"
#include "model/undo.h"
#include "shading/modifiers.h"
#include "shell/commands.h"

namespace {

using namespace vk;

class ModifierCommands : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }

  Object& addSelected(ObjectKind kind = ObjectKind::Mesh) {
    Object object = makeObject(kind, L"Cube");
    appState().selectedObjectId = object.id;
    appState().project.scene.objects.push_back(object);
    return appState().project.scene.objects.back();
  }
  Object& selected() { return appState().project.scene.objects.back(); }
  std::vector<Modifier>& stack() { return selected().modifierStack.entries; }
  const std::wstring& status() { return appState().statusText; }
  void run(int id) { ASSERT_TRUE(handleCommand(id).handled) << id; }
  void withEntries(std::initializer_list<const wchar_t*> types) {
    for (const wchar_t* type : types) stack().push_back(createModifierEntry(selected(), type));
  }
};

struct Refusal {
  int id;
  const wchar_t* text;
};

const Refusal kRefusals[] = {
    {1910, L"●  No modifiers on selected object"}, {1911, L"●  No modifiers on selected object"},
    {1912, L"●  No modifiers on selected object"}, {1913, L"●  No modifiers on selected object"},
    {1914, L"●  No modifiers on selected object"}, {1915, L"●  No modifiers on selected object"},
    {1920, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {1921, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {1922, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {1930, L"●  Add or select an Array modifier before changing count"},
    {1931, L"●  Add or select an Array modifier before changing count"},
    {1932, L"●  Add or select an Array modifier before changing offsets"},
    {1933, L"●  Add or select an Array modifier before changing offsets"},
    {1934, L"●  Add or select an Array modifier before changing offsets"},
    {1935, L"●  Add or select an Array modifier before changing offsets"},
    {1936, L"●  Add or select an Array modifier before changing offsets"},
    {1937, L"●  Add or select an Array modifier before changing offsets"},
    {1938, L"●  Add or select an Array modifier before resetting offsets"},
    {1940, L"●  Add or select a Bevel modifier before changing amount"},
    {1941, L"●  Add or select a Bevel modifier before changing amount"},
    {1942, L"●  Add or select a Bevel modifier before changing segments"},
    {1943, L"●  Add or select a Bevel modifier before changing segments"},
    {1950, L"●  Add or select a Solidify modifier before changing thickness"},
    {1951, L"●  Add or select a Solidify modifier before changing thickness"},
    {1952, L"●  Add or select a Solidify modifier before changing offset"},
    {1953, L"●  Add or select a Solidify modifier before changing offset"},
    {1954, L"●  Add or select a Solidify modifier before resetting"},
    {1960, L"●  Add or select a Subdivision modifier before changing levels"},
    {1961, L"●  Add or select a Subdivision modifier before changing levels"},
    {1962, L"●  Add or select a Subdivision modifier before changing levels"},
    {1963, L"●  Add or select a Subdivision modifier before changing levels"},
    {1964, L"●  Add or select a Subdivision modifier before changing smoothness"},
    {1965, L"●  Add or select a Subdivision modifier before changing smoothness"},
    {1966, L"●  Add or select a Subdivision modifier before resetting"},
    {1970, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {1971, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {1972, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {1973, L"●  Add or select a Bend modifier before changing angle"},
    {1974, L"●  Add or select a Bend modifier before changing angle"},
    {1975, L"●  Add or select a Twist modifier before changing angle"},
    {1976, L"●  Add or select a Twist modifier before changing angle"},
    {1977, L"●  Add or select a Taper modifier before changing strength"},
    {1978, L"●  Add or select a Taper modifier before changing strength"},
    {1979, L"●  Add/select a deformer modifier before resetting"},
    {1980, L"●  Add or select a Lattice modifier before changing cage cells"},
    {1981, L"●  Add or select a Lattice modifier before changing cage cells"},
};

const int kAddIds[] = {1901, 1902, 1903, 1904, 1905, 1906, 1907, 1908, 1909, 1919};

TEST_F(ModifierCommands, RefusalsWriteTheirTextAndLeaveNoUndoEntry) {
  // Nothing selected: every editing command names the missing selection.
  for (int id : kAddIds) {
    run(id);
    EXPECT_EQ(status(), L"●  Select an object before editing the modifier stack") << id;
  }
  for (const Refusal& r : kRefusals) {
    run(r.id);
    const bool walk = r.id == 1910 || r.id == 1911;
    EXPECT_EQ(status(), walk ? r.text : L"●  Select an object before editing the modifier stack") << r.id;
  }
  // A locked parent guards every edit but the walks.
  Object parent = makeObject(ObjectKind::Empty, L"Empty");
  parent.locked = true;
  appState().project.scene.objects.push_back(parent);
  addSelected().parentId = parent.id;
  withEntries({L"Mirror"});
  for (int id : kAddIds) {
    run(id);
    EXPECT_EQ(status(), L"●  Selected object is locked; modifier stack was not changed") << id;
  }
  for (const Refusal& r : kRefusals) {
    if (r.id == 1910 || r.id == 1911) continue;
    run(r.id);
    EXPECT_EQ(status(), L"●  Selected object is locked; modifier stack was not changed") << r.id;
  }
  run(1911);
  EXPECT_EQ(status(), L"●  Selected next modifier");
  // No entry of the kind.
  selected().parentId.clear();
  stack().clear();
  for (const Refusal& r : kRefusals) {
    run(r.id);
    EXPECT_EQ(status(), r.text) << r.id;
  }
  EXPECT_TRUE(appState().undoStack.empty());
  EXPECT_FALSE(appState().dirty);
}

struct Edit {
  int id;
  const wchar_t* kind;
  const wchar_t* status;
  const wchar_t* note;
};

const Edit kEdits[] = {
    {1920, L"Mirror", L"●  Mirror requires at least one axis; X was restored",
     L"Phase 46 live Mirror preview: toggled X/Y/Z axis controls."},
    {1921, L"Mirror", L"●  Mirror axis updated", L"Phase 46 live Mirror preview: toggled X/Y/Z axis controls."},
    {1930, L"Array", L"●  Array count: 4", L"Phase 46 live Array preview: count adjusted safely."},
    {1931, L"Array", L"●  Array count: 2", L"Phase 46 live Array preview: count adjusted safely."},
    {1932, L"Array", L"●  Array offset updated", L"Phase 46 live Array preview: X/Y/Z offset adjusted safely."},
    {1937, L"Array", L"●  Array offset updated", L"Phase 46 live Array preview: X/Y/Z offset adjusted safely."},
    {1938, L"Array", L"●  Array offsets reset", L"Phase 46 live Array preview: offsets reset to safe defaults."},
    {1940, L"Bevel", L"●  Bevel amount updated", L"Phase 46 live Bevel preview: amount adjusted safely."},
    {1942, L"Bevel", L"●  Bevel segments: 2", L"Phase 46 live Bevel preview: segment metadata adjusted safely."},
    {1943, L"Bevel", L"●  Bevel segments: 1", L"Phase 46 live Bevel preview: segment metadata adjusted safely."},
    {1950, L"Solidify", L"●  Solidify thickness updated", L"Phase 46 live Solidify preview: thickness adjusted safely."},
    {1953, L"Solidify", L"●  Solidify offset updated", L"Phase 46 live Solidify preview: offset adjusted safely."},
    {1954, L"Solidify", L"●  Solidify defaults reset", L"Phase 46 live Solidify preview: defaults restored."},
    {1960, L"Subdivision", L"●  Subdivision viewport level updated",
     L"Phase 46 live Subdivision preview: level metadata adjusted safely."},
    {1963, L"Subdivision", L"●  Subdivision render level updated",
     L"Phase 46 live Subdivision preview: level metadata adjusted safely."},
    {1964, L"Subdivision", L"●  Subdivision smoothness updated",
     L"Phase 46 live Subdivision preview: smoothing adjusted safely."},
    {1966, L"Subdivision", L"●  Subdivision defaults reset", L"Phase 46 live Subdivision preview: defaults restored."},
    {1970, L"Lattice", L"●  Deformer axis set to X", L"Phase 46 deformer preview: axis changed safely."},
    {1973, L"Bend", L"●  Bend angle updated", L"Phase 46 live Bend preview: angle adjusted safely."},
    {1976, L"Twist", L"●  Twist angle updated", L"Phase 46 live Twist preview: angle adjusted safely."},
    {1977, L"Taper", L"●  Taper strength updated", L"Phase 46 live Taper preview: strength adjusted safely."},
    {1979, L"Bend", L"●  Deformer defaults reset", L"Phase 46 deformer preview: defaults restored."},
    {1980, L"Lattice", L"●  Lattice cage cells: 4",
     L"Phase 46 Lattice placeholder: cage density adjusted; no destructive deformation applied."},
};

TEST_F(ModifierCommands, EveryEditIsOneUndoStepWithItsNoteAndStatus) {
  for (const Edit& edit : kEdits) {
    SCOPED_TRACE(edit.id);
    appState() = AppState{};
    addSelected();
    withEntries({L"Array", edit.kind});
    appState().activeModifierIndex = 1;
    const std::vector<Modifier> before = stack();
    run(edit.id);
    EXPECT_EQ(status(), edit.status);
    EXPECT_EQ(stack()[1].status, edit.note);
    EXPECT_NE(stack(), before);
    EXPECT_TRUE(appState().dirty);
    ASSERT_EQ(appState().undoStack.size(), 1u);
    undoLastSnapshot();
    EXPECT_EQ(stack(), before);
    EXPECT_EQ(appState().activeModifierIndex, 1);
  }
}

TEST_F(ModifierCommands, StepsClampRoundAndUseTheirFallbacks) {
  addSelected();
  withEntries({L"Array", L"Bevel", L"Solidify", L"Subdivision"});
  setModifierParamNumber(stack()[0], L"count", 32);
  appState().activeModifierIndex = 0;
  run(1930);
  EXPECT_EQ(status(), L"●  Array count: 32");
  setModifierParamNumber(stack()[0], L"count", 1e300);
  run(1931);
  EXPECT_EQ(modifierNumberParam(stack()[0], L"count", 0), 32);  // defined, and clamped
  setModifierParamNumber(stack()[1], L"amount", 0.41);
  run(1940);
  EXPECT_EQ(modifierNumberParam(stack()[1], L"amount", 0), 0.42);
  setModifierParamNumber(stack()[2], L"offset", -1);
  run(1953);
  EXPECT_EQ(modifierNumberParam(stack()[2], L"offset", 0), -1);
  // Entries loaded without the parameter step from the command's fallback.
  std::erase_if(stack()[0].parameters, [](const ModifierParam& p) { return p.key == L"offsetX"; });
  run(1932);
  EXPECT_EQ(modifierNumberParam(stack()[0], L"offsetX", 9), 0.25);
  std::erase_if(stack()[3].parameters, [](const ModifierParam& p) { return p.key == L"smoothness"; });
  run(1965);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"smoothness", 9), 0.9);
  setModifierParamNumber(stack()[3], L"renderLevels", 5);
  run(1962);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"renderLevels", 0), 5);
  setModifierParamNumber(stack()[3], L"viewportLevels", 3);
  run(1960);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"viewportLevels", 0), 3);
}

TEST_F(ModifierCommands, AddingWalkingMovingAndRemoving) {
  addSelected();
  run(1909);
  EXPECT_EQ(status(), L"●  Added Lattice Placeholder modifier stack entry");
  run(1919);
  EXPECT_EQ(status(), L"●  Added Unknown Modifier modifier stack entry");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  EXPECT_EQ(stack()[1].id, L"mod-2");
  while (stack().size() < 64) run(1902);
  const std::size_t undoDepth = appState().undoStack.size();
  run(1901);
  EXPECT_EQ(status(), L"●  Modifier stack limit reached");
  EXPECT_EQ(appState().undoStack.size(), undoDepth);

  stack().resize(3);
  appState().activeModifierIndex = 2;
  run(1911);
  EXPECT_EQ(status(), L"●  Selected next modifier");
  EXPECT_EQ(appState().activeModifierIndex, 2);
  run(1914);
  EXPECT_EQ(status(), L"●  Active modifier is already at the stack boundary");
  run(1913);
  EXPECT_EQ(status(), L"●  Moved active modifier up");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  EXPECT_EQ(stack()[1].type, L"Array");
  run(1910);
  run(1910);
  EXPECT_EQ(appState().activeModifierIndex, 0);
  run(1913);
  EXPECT_EQ(status(), L"●  Active modifier is already at the stack boundary");

  appState().activeModifierIndex = 2;
  run(1915);
  EXPECT_EQ(status(), L"●  Removed active modifier");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  stack().resize(1);
  appState().activeModifierIndex = 0;
  run(1915);
  EXPECT_TRUE(stack().empty());
  EXPECT_EQ(appState().activeModifierIndex, 0);
}

TEST_F(ModifierCommands, TogglesAndTheUnknownRefusalKeepsBothStacks) {
  addSelected();
  withEntries({L"Bend", L"LegacyUnknown"});
  appState().activeModifierIndex = 0;
  run(1912);
  EXPECT_EQ(status(), L"●  Disabled active modifier");
  EXPECT_FALSE(stack()[0].enabled);
  run(1912);
  EXPECT_EQ(status(), L"●  Enabled active modifier");
  undoLastSnapshot();  // one step onto the redo stack
  const auto undoBefore = appState().undoStack.size();
  const auto redoBefore = appState().redoStack.size();
  ASSERT_EQ(redoBefore, 1u);
  appState().activeModifierIndex = 1;
  run(1912);
  EXPECT_EQ(status(), L"●  Unknown modifiers remain disabled for safety");
  EXPECT_EQ(appState().undoStack.size(), undoBefore);
  EXPECT_EQ(appState().redoStack.size(), redoBefore);
  EXPECT_FALSE(stack()[1].enabled);
}

TEST_F(ModifierCommands, DeformerCommandsPickTheActiveDeformerElseTheFirst) {
  addSelected();
  withEntries({L"Bend", L"Mirror", L"Taper", L"Twist"});
  appState().activeModifierIndex = 3;
  run(1972);
  EXPECT_EQ(modifierTextParam(stack()[3], L"axis", L""), L"Z");
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"Z");  // Bend's own default, untouched
  appState().activeModifierIndex = 1;
  run(1970);
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"X");
  run(1979);
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"Y");
  EXPECT_EQ(modifierNumberParam(stack()[0], L"angle", 0), 45);

  stack().erase(stack().begin());  // Mirror active, Taper below
  appState().activeModifierIndex = 0;
  run(1971);
  EXPECT_EQ(stack()[1].status, L"Phase 46 deformer preview: axis changed safely.");
  EXPECT_EQ(stack()[1].type, L"Taper");
}

}  // namespace
