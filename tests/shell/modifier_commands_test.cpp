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
#include "model/modifier_kind_table.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
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
    {kCmdSelectPreviousModifier, L"●  No modifiers on selected object"}, {kCmdSelectNextModifier, L"●  No modifiers on selected object"},
    {kCmdToggleActiveModifier, L"●  No modifiers on selected object"}, {kCmdMoveModifierUp, L"●  No modifiers on selected object"},
    {kCmdMoveModifierDown, L"●  No modifiers on selected object"}, {kCmdRemoveActiveModifier, L"●  No modifiers on selected object"},
    {kCmdMirrorToggleX, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {kCmdMirrorToggleY, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {kCmdMirrorToggleZ, L"●  Add or select a Mirror modifier before changing mirror axes"},
    {kCmdArrayCountUp, L"●  Add or select an Array modifier before changing count"},
    {kCmdArrayCountDown, L"●  Add or select an Array modifier before changing count"},
    {kCmdArrayOffsetXUp, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayOffsetXDown, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayOffsetYUp, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayOffsetYDown, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayOffsetZUp, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayOffsetZDown, L"●  Add or select an Array modifier before changing offsets"},
    {kCmdArrayResetOffsets, L"●  Add or select an Array modifier before resetting offsets"},
    {kCmdBevelAmountUp, L"●  Add or select a Bevel modifier before changing amount"},
    {kCmdBevelAmountDown, L"●  Add or select a Bevel modifier before changing amount"},
    {kCmdBevelSegmentsUp, L"●  Add or select a Bevel modifier before changing segments"},
    {kCmdBevelSegmentsDown, L"●  Add or select a Bevel modifier before changing segments"},
    {kCmdSolidifyThicknessUp, L"●  Add or select a Solidify modifier before changing thickness"},
    {kCmdSolidifyThicknessDown, L"●  Add or select a Solidify modifier before changing thickness"},
    {kCmdSolidifyOffsetUp, L"●  Add or select a Solidify modifier before changing offset"},
    {kCmdSolidifyOffsetDown, L"●  Add or select a Solidify modifier before changing offset"},
    {kCmdSolidifyResetDefaults, L"●  Add or select a Solidify modifier before resetting"},
    {kCmdSubdivisionViewportLevelUp, L"●  Add or select a Subdivision modifier before changing levels"},
    {kCmdSubdivisionViewportLevelDown, L"●  Add or select a Subdivision modifier before changing levels"},
    {kCmdSubdivisionRenderLevelUp, L"●  Add or select a Subdivision modifier before changing levels"},
    {kCmdSubdivisionRenderLevelDown, L"●  Add or select a Subdivision modifier before changing levels"},
    {kCmdSubdivisionSmoothnessUp, L"●  Add or select a Subdivision modifier before changing smoothness"},
    {kCmdSubdivisionSmoothnessDown, L"●  Add or select a Subdivision modifier before changing smoothness"},
    {kCmdSubdivisionResetDefaults, L"●  Add or select a Subdivision modifier before resetting"},
    {kCmdDeformerAxisX, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {kCmdDeformerAxisY, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {kCmdDeformerAxisZ, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis"},
    {kCmdBendAngleUp, L"●  Add or select a Bend modifier before changing angle"},
    {kCmdBendAngleDown, L"●  Add or select a Bend modifier before changing angle"},
    {kCmdTwistAngleUp, L"●  Add or select a Twist modifier before changing angle"},
    {kCmdTwistAngleDown, L"●  Add or select a Twist modifier before changing angle"},
    {kCmdTaperStrengthUp, L"●  Add or select a Taper modifier before changing strength"},
    {kCmdTaperStrengthDown, L"●  Add or select a Taper modifier before changing strength"},
    {kCmdDeformerResetDefaults, L"●  Add/select a deformer modifier before resetting"},
    {kCmdLatticeCellsUp, L"●  Add or select a Lattice modifier before changing cage cells"},
    {kCmdLatticeCellsDown, L"●  Add or select a Lattice modifier before changing cage cells"},
};

const int kAddIds[] = {kCmdAddMirrorModifier, kCmdAddArrayModifier, kCmdAddBevelModifier, kCmdAddSolidifyModifier, kCmdAddSubdivisionModifier, kCmdAddBendModifier, kCmdAddTwistModifier, kCmdAddTaperModifier, kCmdAddLatticeModifier, kCmdAddUnknownModifier};

TEST_F(ModifierCommands, RefusalsWriteTheirTextAndLeaveNoUndoEntry) {
  // Nothing selected: every editing command names the missing selection.
  for (int id : kAddIds) {
    run(id);
    EXPECT_EQ(status(), L"●  Select an object before editing the modifier stack") << id;
  }
  for (const Refusal& r : kRefusals) {
    run(r.id);
    const bool walk = r.id == kCmdSelectPreviousModifier || r.id == kCmdSelectNextModifier;
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
    if (r.id == kCmdSelectPreviousModifier || r.id == kCmdSelectNextModifier) continue;
    run(r.id);
    EXPECT_EQ(status(), L"●  Selected object is locked; modifier stack was not changed") << r.id;
  }
  run(kCmdSelectNextModifier);
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
    {kCmdMirrorToggleX, L"Mirror", L"●  Mirror requires at least one axis; X was restored",
     L"Phase 46 live Mirror preview: toggled X/Y/Z axis controls."},
    {kCmdMirrorToggleY, L"Mirror", L"●  Mirror axis updated", L"Phase 46 live Mirror preview: toggled X/Y/Z axis controls."},
    {kCmdArrayCountUp, L"Array", L"●  Array count: 4", L"Phase 46 live Array preview: count adjusted safely."},
    {kCmdArrayCountDown, L"Array", L"●  Array count: 2", L"Phase 46 live Array preview: count adjusted safely."},
    {kCmdArrayOffsetXUp, L"Array", L"●  Array offset updated", L"Phase 46 live Array preview: X/Y/Z offset adjusted safely."},
    {kCmdArrayOffsetZDown, L"Array", L"●  Array offset updated", L"Phase 46 live Array preview: X/Y/Z offset adjusted safely."},
    {kCmdArrayResetOffsets, L"Array", L"●  Array offsets reset", L"Phase 46 live Array preview: offsets reset to safe defaults."},
    {kCmdBevelAmountUp, L"Bevel", L"●  Bevel amount updated", L"Phase 46 live Bevel preview: amount adjusted safely."},
    {kCmdBevelSegmentsUp, L"Bevel", L"●  Bevel segments: 2", L"Phase 46 live Bevel preview: segment metadata adjusted safely."},
    {kCmdBevelSegmentsDown, L"Bevel", L"●  Bevel segments: 1", L"Phase 46 live Bevel preview: segment metadata adjusted safely."},
    {kCmdSolidifyThicknessUp, L"Solidify", L"●  Solidify thickness updated", L"Phase 46 live Solidify preview: thickness adjusted safely."},
    {kCmdSolidifyOffsetDown, L"Solidify", L"●  Solidify offset updated", L"Phase 46 live Solidify preview: offset adjusted safely."},
    {kCmdSolidifyResetDefaults, L"Solidify", L"●  Solidify defaults reset", L"Phase 46 live Solidify preview: defaults restored."},
    {kCmdSubdivisionViewportLevelUp, L"Subdivision", L"●  Subdivision viewport level updated",
     L"Phase 46 live Subdivision preview: level metadata adjusted safely."},
    {kCmdSubdivisionRenderLevelDown, L"Subdivision", L"●  Subdivision render level updated",
     L"Phase 46 live Subdivision preview: level metadata adjusted safely."},
    {kCmdSubdivisionSmoothnessUp, L"Subdivision", L"●  Subdivision smoothness updated",
     L"Phase 46 live Subdivision preview: smoothing adjusted safely."},
    {kCmdSubdivisionResetDefaults, L"Subdivision", L"●  Subdivision defaults reset", L"Phase 46 live Subdivision preview: defaults restored."},
    {kCmdDeformerAxisX, L"Lattice", L"●  Deformer axis set to X", L"Phase 46 deformer preview: axis changed safely."},
    {kCmdBendAngleUp, L"Bend", L"●  Bend angle updated", L"Phase 46 live Bend preview: angle adjusted safely."},
    {kCmdTwistAngleDown, L"Twist", L"●  Twist angle updated", L"Phase 46 live Twist preview: angle adjusted safely."},
    {kCmdTaperStrengthUp, L"Taper", L"●  Taper strength updated", L"Phase 46 live Taper preview: strength adjusted safely."},
    {kCmdDeformerResetDefaults, L"Bend", L"●  Deformer defaults reset", L"Phase 46 deformer preview: defaults restored."},
    {kCmdLatticeCellsUp, L"Lattice", L"●  Lattice cage cells: 4",
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
  run(kCmdArrayCountUp);
  EXPECT_EQ(status(), L"●  Array count: 32");
  setModifierParamNumber(stack()[0], L"count", 1e300);
  run(kCmdArrayCountDown);
  EXPECT_EQ(modifierNumberParam(stack()[0], L"count", 0), 32);  // defined, and clamped
  setModifierParamNumber(stack()[1], L"amount", 0.41);
  run(kCmdBevelAmountUp);
  EXPECT_EQ(modifierNumberParam(stack()[1], L"amount", 0), 0.42);
  setModifierParamNumber(stack()[2], L"offset", -1);
  run(kCmdSolidifyOffsetDown);
  EXPECT_EQ(modifierNumberParam(stack()[2], L"offset", 0), -1);
  // Entries loaded without the parameter step from the command's fallback.
  std::erase_if(stack()[0].parameters, [](const ModifierParam& p) { return p.key == L"offsetX"; });
  run(kCmdArrayOffsetXUp);
  EXPECT_EQ(modifierNumberParam(stack()[0], L"offsetX", 9), 0.25);
  std::erase_if(stack()[3].parameters, [](const ModifierParam& p) { return p.key == L"smoothness"; });
  run(kCmdSubdivisionSmoothnessDown);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"smoothness", 9), 0.9);
  setModifierParamNumber(stack()[3], L"renderLevels", 5);
  run(kCmdSubdivisionRenderLevelUp);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"renderLevels", 0), 5);
  setModifierParamNumber(stack()[3], L"viewportLevels", 3);
  run(kCmdSubdivisionViewportLevelUp);
  EXPECT_EQ(modifierNumberParam(stack()[3], L"viewportLevels", 0), 3);
}

TEST_F(ModifierCommands, AddingWalkingMovingAndRemoving) {
  addSelected();
  run(kCmdAddLatticeModifier);
  EXPECT_EQ(status(), L"●  Added Lattice Placeholder modifier stack entry");
  run(kCmdAddUnknownModifier);
  EXPECT_EQ(status(), L"●  Added Unknown Modifier modifier stack entry");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  EXPECT_EQ(stack()[1].id, L"mod-2");
  while (stack().size() < 64) run(kCmdAddArrayModifier);
  const std::size_t undoDepth = appState().undoStack.size();
  run(kCmdAddMirrorModifier);
  EXPECT_EQ(status(), L"●  Modifier stack limit reached");
  EXPECT_EQ(appState().undoStack.size(), undoDepth);

  stack().resize(3);
  appState().activeModifierIndex = 2;
  run(kCmdSelectNextModifier);
  EXPECT_EQ(status(), L"●  Selected next modifier");
  EXPECT_EQ(appState().activeModifierIndex, 2);
  run(kCmdMoveModifierDown);
  EXPECT_EQ(status(), L"●  Active modifier is already at the stack boundary");
  run(kCmdMoveModifierUp);
  EXPECT_EQ(status(), L"●  Moved active modifier up");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  EXPECT_EQ(stack()[1].type, L"Array");
  run(kCmdSelectPreviousModifier);
  run(kCmdSelectPreviousModifier);
  EXPECT_EQ(appState().activeModifierIndex, 0);
  run(kCmdMoveModifierUp);
  EXPECT_EQ(status(), L"●  Active modifier is already at the stack boundary");

  appState().activeModifierIndex = 2;
  run(kCmdRemoveActiveModifier);
  EXPECT_EQ(status(), L"●  Removed active modifier");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  stack().resize(1);
  appState().activeModifierIndex = 0;
  run(kCmdRemoveActiveModifier);
  EXPECT_TRUE(stack().empty());
  EXPECT_EQ(appState().activeModifierIndex, 0);
}

TEST_F(ModifierCommands, TogglesAndTheUnknownRefusalKeepsBothStacks) {
  addSelected();
  withEntries({L"Bend", L"LegacyUnknown"});
  appState().activeModifierIndex = 0;
  run(kCmdToggleActiveModifier);
  EXPECT_EQ(status(), L"●  Disabled active modifier");
  EXPECT_FALSE(stack()[0].enabled);
  run(kCmdToggleActiveModifier);
  EXPECT_EQ(status(), L"●  Enabled active modifier");
  undoLastSnapshot();  // one step onto the redo stack
  const auto undoBefore = appState().undoStack.size();
  const auto redoBefore = appState().redoStack.size();
  ASSERT_EQ(redoBefore, 1u);
  appState().activeModifierIndex = 1;
  run(kCmdToggleActiveModifier);
  EXPECT_EQ(status(), L"●  Unknown modifiers remain disabled for safety");
  EXPECT_EQ(appState().undoStack.size(), undoBefore);
  EXPECT_EQ(appState().redoStack.size(), redoBefore);
  EXPECT_FALSE(stack()[1].enabled);
}

TEST_F(ModifierCommands, DeformerCommandsPickTheActiveDeformerElseTheFirst) {
  addSelected();
  withEntries({L"Bend", L"Mirror", L"Taper", L"Twist"});
  appState().activeModifierIndex = 3;
  run(kCmdDeformerAxisZ);
  EXPECT_EQ(modifierTextParam(stack()[3], L"axis", L""), L"Z");
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"Z");  // Bend's own default, untouched
  appState().activeModifierIndex = 1;
  run(kCmdDeformerAxisX);
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"X");
  run(kCmdDeformerResetDefaults);
  EXPECT_EQ(modifierTextParam(stack()[0], L"axis", L""), L"Y");
  EXPECT_EQ(modifierNumberParam(stack()[0], L"angle", 0), 45);

  stack().erase(stack().begin());  // Mirror active, Taper below
  appState().activeModifierIndex = 0;
  run(kCmdDeformerAxisY);
  EXPECT_EQ(stack()[1].status, L"Phase 46 deformer preview: axis changed safely.");
  EXPECT_EQ(stack()[1].type, L"Taper");
}

}  // namespace

namespace {

// The shelf's add buttons and the Modifier menu cover the kinds table: one
// button per kind, its caption naming the kind, each adding that kind.
TEST_F(ModifierCommands, EveryKindHasAnAddButtonAndMenuItem) {
  addSelected();
  std::vector<std::wstring> added;
  for (const CommandRow& row : modifierCommandRows()) {
    if (row.group != ButtonGroup::modifiers) continue;
    run(row.id);
    ASSERT_FALSE(stack().empty());
    const Modifier& entry = stack().back();
    EXPECT_TRUE(entry.known) << entry.type;
    EXPECT_NE(std::wstring(row.menu).find(entry.displayName), std::wstring::npos) << row.menu;
    added.push_back(entry.type);
  }
  std::vector<std::wstring> kinds;
  for (const ModifierKindRow& row : modifierKindRows()) kinds.emplace_back(row.typeKey);
  EXPECT_EQ(added, kinds);
}

}  // namespace
