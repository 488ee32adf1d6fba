// The Modifier menu's rows of the command table.
#include <functional>

#include "shading/modifier_commands.h"
#include "shell/command_ids.h"
#include "shell/commands.h"

namespace vk {

void addModifierCommandRows(const std::function<void(int, std::function<void()>)>& add) {
  struct AddRow {
    int id;
    const wchar_t* type;
  };
  static constexpr AddRow kAdds[] = {
      {kCmdAddMirrorModifier, L"Mirror"},   {kCmdAddArrayModifier, L"Array"},
      {kCmdAddBevelModifier, L"Bevel"},     {kCmdAddSolidifyModifier, L"Solidify"},
      {kCmdAddSubdivisionModifier, L"Subdivision"}, {kCmdAddBendModifier, L"Bend"},
      {kCmdAddTwistModifier, L"Twist"},     {kCmdAddTaperModifier, L"Taper"},
      {kCmdAddLatticeModifier, L"Lattice"}, {kCmdAddUnknownModifier, L"LegacyUnknown"}};
  for (const AddRow& row : kAdds) add(row.id, [type = row.type] { addModifierStackEntry(type); });
  add(kCmdSelectPreviousModifier, selectPreviousModifier);
  add(kCmdSelectNextModifier, selectNextModifier);
  add(kCmdToggleActiveModifier, toggleActiveModifier);
  add(kCmdMoveModifierUp, [] { moveModifierInStack(-1); });
  add(kCmdMoveModifierDown, [] { moveModifierInStack(+1); });
  add(kCmdRemoveActiveModifier, removeActiveModifier);
  add(kCmdMirrorToggleX, [] { toggleActiveMirrorAxis(L"axisX"); });
  add(kCmdMirrorToggleY, [] { toggleActiveMirrorAxis(L"axisY"); });
  add(kCmdMirrorToggleZ, [] { toggleActiveMirrorAxis(L"axisZ"); });
  add(kCmdArrayCountUp, [] { adjustArrayCount(+1); });
  add(kCmdArrayCountDown, [] { adjustArrayCount(-1); });
  add(kCmdArrayOffsetXUp, [] { nudgeArrayOffset(L"offsetX", +0.25); });
  add(kCmdArrayOffsetXDown, [] { nudgeArrayOffset(L"offsetX", -0.25); });
  add(kCmdArrayOffsetYUp, [] { nudgeArrayOffset(L"offsetY", +0.25); });
  add(kCmdArrayOffsetYDown, [] { nudgeArrayOffset(L"offsetY", -0.25); });
  add(kCmdArrayOffsetZUp, [] { nudgeArrayOffset(L"offsetZ", +0.25); });
  add(kCmdArrayOffsetZDown, [] { nudgeArrayOffset(L"offsetZ", -0.25); });
  add(kCmdArrayResetOffsets, resetArrayOffsets);
  add(kCmdBevelAmountUp, [] { adjustBevelAmount(+0.02); });
  add(kCmdBevelAmountDown, [] { adjustBevelAmount(-0.02); });
  add(kCmdBevelSegmentsUp, [] { adjustBevelSegments(+1); });
  add(kCmdBevelSegmentsDown, [] { adjustBevelSegments(-1); });
  add(kCmdSolidifyThicknessUp, [] { adjustSolidifyThickness(+0.05); });
  add(kCmdSolidifyThicknessDown, [] { adjustSolidifyThickness(-0.05); });
  add(kCmdSolidifyOffsetUp, [] { adjustSolidifyOffset(+0.1); });
  add(kCmdSolidifyOffsetDown, [] { adjustSolidifyOffset(-0.1); });
  add(kCmdSolidifyResetDefaults, resetSolidifyDefaults);
  add(kCmdSubdivisionViewportLevelUp, [] { adjustSubdivisionLevels(L"viewportLevels", +1); });
  add(kCmdSubdivisionViewportLevelDown, [] { adjustSubdivisionLevels(L"viewportLevels", -1); });
  add(kCmdSubdivisionRenderLevelUp, [] { adjustSubdivisionLevels(L"renderLevels", +1); });
  add(kCmdSubdivisionRenderLevelDown, [] { adjustSubdivisionLevels(L"renderLevels", -1); });
  add(kCmdSubdivisionSmoothnessUp, [] { adjustSubdivisionSmoothness(+0.1); });
  add(kCmdSubdivisionSmoothnessDown, [] { adjustSubdivisionSmoothness(-0.1); });
  add(kCmdSubdivisionResetDefaults, resetSubdivisionDefaults);
  add(kCmdDeformerAxisX, [] { setActiveDeformerAxis(L"X"); });
  add(kCmdDeformerAxisY, [] { setActiveDeformerAxis(L"Y"); });
  add(kCmdDeformerAxisZ, [] { setActiveDeformerAxis(L"Z"); });
  add(kCmdBendAngleUp, [] { adjustDeformerParameter(L"Bend", L"angle", +15, 45, -270, 270, L"angle"); });
  add(kCmdBendAngleDown, [] { adjustDeformerParameter(L"Bend", L"angle", -15, 45, -270, 270, L"angle"); });
  add(kCmdTwistAngleUp, [] { adjustDeformerParameter(L"Twist", L"angle", +15, 90, -720, 720, L"angle"); });
  add(kCmdTwistAngleDown, [] { adjustDeformerParameter(L"Twist", L"angle", -15, 90, -720, 720, L"angle"); });
  add(kCmdTaperStrengthUp,
      [] { adjustDeformerParameter(L"Taper", L"strength", +0.1, 0.35, -0.85, 1.5, L"strength"); });
  add(kCmdTaperStrengthDown,
      [] { adjustDeformerParameter(L"Taper", L"strength", -0.1, 0.35, -0.85, 1.5, L"strength"); });
  add(kCmdDeformerResetDefaults, resetDeformerDefaults);
  add(kCmdLatticeCellsUp, [] { adjustLatticeCells(+1); });
  add(kCmdLatticeCellsDown, [] { adjustLatticeCells(-1); });
}

}  // namespace vk
