// The Modifier menu's rows of the command table.
#include "shading/modifier_commands.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"

namespace vk {

namespace {

constexpr CommandRow kRows[] = {
    // Modifiers
    {.id = kCmdAddMirrorModifier, .menu = L"Add Mirror Modifier", .button = L"Mirror", .group = ButtonGroup::modifiers, .tip = L"Add a Mirror modifier to the selected object.", .glyph = Glyph::modifier, .colour = RGB(100, 205, 240), .run = [] { addModifierStackEntry(L"Mirror"); }, .flags = kNeverPlaced},
    {.id = kCmdAddArrayModifier, .menu = L"Add Array Modifier", .button = L"Array", .group = ButtonGroup::modifiers, .tip = L"Add an Array modifier to the selected object.", .glyph = Glyph::modifier, .colour = RGB(120, 190, 255), .run = [] { addModifierStackEntry(L"Array"); }, .flags = kNeverPlaced},
    {.id = kCmdAddBevelModifier, .menu = L"Add Bevel Modifier", .button = L"Bevel Mod", .group = ButtonGroup::modifiers, .tip = L"Add a Bevel modifier to the selected object.", .glyph = Glyph::modifier, .colour = RGB(255, 188, 112), .run = [] { addModifierStackEntry(L"Bevel"); }, .flags = kNeverPlaced},
    {.id = kCmdAddSolidifyModifier, .menu = L"Add Solidify Modifier", .button = L"Solidify", .group = ButtonGroup::modifiers, .tip = L"Add a Solidify modifier to the selected object.", .glyph = Glyph::solidify, .colour = RGB(142, 220, 255), .run = [] { addModifierStackEntry(L"Solidify"); }, .flags = kNeverPlaced},
    {.id = kCmdAddSubdivisionModifier, .menu = L"Add Subdivision Modifier", .button = L"Subdiv", .group = ButtonGroup::modifiers, .tip = L"Add a Subdivision modifier to the selected object.", .glyph = Glyph::cube, .run = [] { addModifierStackEntry(L"Subdivision"); }, .flags = kNeverPlaced},
    {.id = kCmdAddBendModifier, .menu = L"Add Bend Modifier", .button = L"Bend", .group = ButtonGroup::modifiers, .tip = L"Add a Bend modifier to the selected object.", .glyph = Glyph::cube, .run = [] { addModifierStackEntry(L"Bend"); }, .flags = kNeverPlaced},
    {.id = kCmdAddTwistModifier, .menu = L"Add Twist Modifier", .button = L"Twist", .group = ButtonGroup::modifiers, .tip = L"Add a Twist modifier to the selected object.", .glyph = Glyph::cube, .run = [] { addModifierStackEntry(L"Twist"); }, .flags = kNeverPlaced},
    {.id = kCmdAddTaperModifier, .menu = L"Add Taper Modifier", .button = L"Taper", .group = ButtonGroup::modifiers, .tip = L"Add a Taper modifier to the selected object.", .glyph = Glyph::cube, .run = [] { addModifierStackEntry(L"Taper"); }, .flags = kNeverPlaced},
    {.id = kCmdAddLatticeModifier, .menu = L"Add Lattice Placeholder Modifier", .button = L"Lattice", .group = ButtonGroup::modifiers, .tip = L"Add Lattice placeholder: Phase 46 safe preview cage; full lattice solver comes later.", .glyph = Glyph::cube, .run = [] { addModifierStackEntry(L"Lattice"); }, .flags = kNeverPlaced},
    {.id = kCmdSelectPreviousModifier, .menu = L"Select Previous Modifier", .run = selectPreviousModifier},
    {.id = kCmdSelectNextModifier, .menu = L"Select Next Modifier", .run = selectNextModifier},
    {.id = kCmdToggleActiveModifier, .menu = L"Enable / Disable Active Modifier", .run = toggleActiveModifier},
    {.id = kCmdMoveModifierUp, .menu = L"Move Active Modifier Up", .run = [] { moveModifierInStack(-1); }},
    {.id = kCmdMoveModifierDown, .menu = L"Move Active Modifier Down", .run = [] { moveModifierInStack(+1); }},
    {.id = kCmdRemoveActiveModifier, .menu = L"Remove Active Modifier", .run = removeActiveModifier},
    {.id = kCmdAddUnknownModifier, .menu = L"Add Unknown Fallback Modifier", .run = [] { addModifierStackEntry(L"LegacyUnknown"); }},
    {.id = kCmdMirrorToggleX, .menu = L"Mirror Active: Toggle X Axis", .run = [] { toggleActiveMirrorAxis(L"axisX"); }},
    {.id = kCmdMirrorToggleY, .menu = L"Mirror Active: Toggle Y Axis", .run = [] { toggleActiveMirrorAxis(L"axisY"); }},
    {.id = kCmdMirrorToggleZ, .menu = L"Mirror Active: Toggle Z Axis", .run = [] { toggleActiveMirrorAxis(L"axisZ"); }},
    {.id = kCmdArrayCountUp, .menu = L"Array Active: Count +1", .run = [] { adjustArrayCount(+1); }},
    {.id = kCmdArrayCountDown, .menu = L"Array Active: Count -1", .run = [] { adjustArrayCount(-1); }},
    {.id = kCmdArrayOffsetXUp, .menu = L"Array Active: Offset X +0.25", .run = [] { nudgeArrayOffset(L"offsetX", +0.25); }},
    {.id = kCmdArrayOffsetXDown, .menu = L"Array Active: Offset X -0.25", .run = [] { nudgeArrayOffset(L"offsetX", -0.25); }},
    {.id = kCmdArrayOffsetYUp, .menu = L"Array Active: Offset Y +0.25", .run = [] { nudgeArrayOffset(L"offsetY", +0.25); }},
    {.id = kCmdArrayOffsetYDown, .menu = L"Array Active: Offset Y -0.25", .run = [] { nudgeArrayOffset(L"offsetY", -0.25); }},
    {.id = kCmdArrayOffsetZUp, .menu = L"Array Active: Offset Z +0.25", .run = [] { nudgeArrayOffset(L"offsetZ", +0.25); }},
    {.id = kCmdArrayOffsetZDown, .menu = L"Array Active: Offset Z -0.25", .run = [] { nudgeArrayOffset(L"offsetZ", -0.25); }},
    {.id = kCmdArrayResetOffsets, .menu = L"Array Active: Reset Offsets", .run = resetArrayOffsets},
    {.id = kCmdBevelAmountUp, .menu = L"Bevel Active: Amount +0.02", .run = [] { adjustBevelAmount(+0.02); }},
    {.id = kCmdBevelAmountDown, .menu = L"Bevel Active: Amount -0.02", .run = [] { adjustBevelAmount(-0.02); }},
    {.id = kCmdBevelSegmentsUp, .menu = L"Bevel Active: Segments +1", .run = [] { adjustBevelSegments(+1); }},
    {.id = kCmdBevelSegmentsDown, .menu = L"Bevel Active: Segments -1", .run = [] { adjustBevelSegments(-1); }},
    {.id = kCmdSolidifyThicknessUp, .menu = L"Solidify Active: Thickness +0.05", .run = [] { adjustSolidifyThickness(+0.05); }},
    {.id = kCmdSolidifyThicknessDown, .menu = L"Solidify Active: Thickness -0.05", .run = [] { adjustSolidifyThickness(-0.05); }},
    {.id = kCmdSolidifyOffsetUp, .menu = L"Solidify Active: Offset +0.10", .run = [] { adjustSolidifyOffset(+0.1); }},
    {.id = kCmdSolidifyOffsetDown, .menu = L"Solidify Active: Offset -0.10", .run = [] { adjustSolidifyOffset(-0.1); }},
    {.id = kCmdSolidifyResetDefaults, .menu = L"Solidify Active: Reset Defaults", .run = resetSolidifyDefaults},
    {.id = kCmdSubdivisionViewportLevelUp, .menu = L"Subdivision Active: Viewport Level +1", .run = [] { adjustSubdivisionLevels(L"viewportLevels", +1); }},
    {.id = kCmdSubdivisionViewportLevelDown, .menu = L"Subdivision Active: Viewport Level -1", .run = [] { adjustSubdivisionLevels(L"viewportLevels", -1); }},
    {.id = kCmdSubdivisionRenderLevelUp, .menu = L"Subdivision Active: Render Level +1", .run = [] { adjustSubdivisionLevels(L"renderLevels", +1); }},
    {.id = kCmdSubdivisionRenderLevelDown, .menu = L"Subdivision Active: Render Level -1", .run = [] { adjustSubdivisionLevels(L"renderLevels", -1); }},
    {.id = kCmdSubdivisionSmoothnessUp, .menu = L"Subdivision Active: Smoothness +0.10", .run = [] { adjustSubdivisionSmoothness(+0.1); }},
    {.id = kCmdSubdivisionSmoothnessDown, .menu = L"Subdivision Active: Smoothness -0.10", .run = [] { adjustSubdivisionSmoothness(-0.1); }},
    {.id = kCmdSubdivisionResetDefaults, .menu = L"Subdivision Active: Reset Defaults", .run = resetSubdivisionDefaults},
    {.id = kCmdDeformerAxisX, .menu = L"Deformer Active: Axis X", .run = [] { setActiveDeformerAxis(L"X"); }},
    {.id = kCmdDeformerAxisY, .menu = L"Deformer Active: Axis Y", .run = [] { setActiveDeformerAxis(L"Y"); }},
    {.id = kCmdDeformerAxisZ, .menu = L"Deformer Active: Axis Z", .run = [] { setActiveDeformerAxis(L"Z"); }},
    {.id = kCmdBendAngleUp, .menu = L"Bend Active: Angle +15", .run = [] { adjustDeformerParameter(L"Bend", L"angle", +15, 45, -270, 270, L"angle"); }},
    {.id = kCmdBendAngleDown, .menu = L"Bend Active: Angle -15", .run = [] { adjustDeformerParameter(L"Bend", L"angle", -15, 45, -270, 270, L"angle"); }},
    {.id = kCmdTwistAngleUp, .menu = L"Twist Active: Angle +15", .run = [] { adjustDeformerParameter(L"Twist", L"angle", +15, 90, -720, 720, L"angle"); }},
    {.id = kCmdTwistAngleDown, .menu = L"Twist Active: Angle -15", .run = [] { adjustDeformerParameter(L"Twist", L"angle", -15, 90, -720, 720, L"angle"); }},
    {.id = kCmdTaperStrengthUp, .menu = L"Taper Active: Strength +0.10", .run = [] { adjustDeformerParameter(L"Taper", L"strength", +0.1, 0.35, -0.85, 1.5, L"strength"); }},
    {.id = kCmdTaperStrengthDown, .menu = L"Taper Active: Strength -0.10", .run = [] { adjustDeformerParameter(L"Taper", L"strength", -0.1, 0.35, -0.85, 1.5, L"strength"); }},
    {.id = kCmdDeformerResetDefaults, .menu = L"Deformer Active: Reset Defaults", .run = resetDeformerDefaults},
    {.id = kCmdLatticeCellsUp, .menu = L"Lattice Active: Cage Cells +1", .run = [] { adjustLatticeCells(+1); }},
    {.id = kCmdLatticeCellsDown, .menu = L"Lattice Active: Cage Cells -1", .run = [] { adjustLatticeCells(-1); }},
};

}  // namespace

std::span<const CommandRow> modifierCommandRows() { return kRows; }

}  // namespace vk
