// The Modifier menu's rows of the command table.
#include <functional>

#include "shading/modifier_commands.h"
#include "shell/commands.h"

namespace vk {

namespace {

// Command ids of the Modifier menu (the nine add ids are also the shelf buttons').
enum ModifierCommand : int {
  kCmdAddMirrorModifier = 1901,
  kCmdAddArrayModifier = 1902,
  kCmdAddBevelModifier = 1903,
  kCmdAddSolidifyModifier = 1904,
  kCmdAddSubdivisionModifier = 1905,
  kCmdAddBendModifier = 1906,
  kCmdAddTwistModifier = 1907,
  kCmdAddTaperModifier = 1908,
  kCmdAddLatticeModifier = 1909,
  kCmdSelectPreviousModifier = 1910,
  kCmdSelectNextModifier = 1911,
  kCmdToggleActiveModifier = 1912,
  kCmdMoveModifierUp = 1913,
  kCmdMoveModifierDown = 1914,
  kCmdRemoveActiveModifier = 1915,
  kCmdAddUnknownModifier = 1919,
  kCmdMirrorToggleX = 1920,
  kCmdMirrorToggleY = 1921,
  kCmdMirrorToggleZ = 1922,
  kCmdArrayCountUp = 1930,
  kCmdArrayCountDown = 1931,
  kCmdArrayOffsetXUp = 1932,
  kCmdArrayOffsetXDown = 1933,
  kCmdArrayOffsetYUp = 1934,
  kCmdArrayOffsetYDown = 1935,
  kCmdArrayOffsetZUp = 1936,
  kCmdArrayOffsetZDown = 1937,
  kCmdArrayResetOffsets = 1938,
  kCmdBevelAmountUp = 1940,
  kCmdBevelAmountDown = 1941,
  kCmdBevelSegmentsUp = 1942,
  kCmdBevelSegmentsDown = 1943,
  kCmdSolidifyThicknessUp = 1950,
  kCmdSolidifyThicknessDown = 1951,
  kCmdSolidifyOffsetUp = 1952,
  kCmdSolidifyOffsetDown = 1953,
  kCmdSolidifyReset = 1954,
  kCmdSubdivisionViewportUp = 1960,
  kCmdSubdivisionViewportDown = 1961,
  kCmdSubdivisionRenderUp = 1962,
  kCmdSubdivisionRenderDown = 1963,
  kCmdSubdivisionSmoothnessUp = 1964,
  kCmdSubdivisionSmoothnessDown = 1965,
  kCmdSubdivisionReset = 1966,
  kCmdDeformerAxisX = 1970,
  kCmdDeformerAxisY = 1971,
  kCmdDeformerAxisZ = 1972,
  kCmdBendAngleUp = 1973,
  kCmdBendAngleDown = 1974,
  kCmdTwistAngleUp = 1975,
  kCmdTwistAngleDown = 1976,
  kCmdTaperStrengthUp = 1977,
  kCmdTaperStrengthDown = 1978,
  kCmdDeformerReset = 1979,
  kCmdLatticeCellsUp = 1980,
  kCmdLatticeCellsDown = 1981,
};

}  // namespace

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
  add(kCmdSolidifyReset, resetSolidifyDefaults);
  add(kCmdSubdivisionViewportUp, [] { adjustSubdivisionLevels(L"viewportLevels", +1); });
  add(kCmdSubdivisionViewportDown, [] { adjustSubdivisionLevels(L"viewportLevels", -1); });
  add(kCmdSubdivisionRenderUp, [] { adjustSubdivisionLevels(L"renderLevels", +1); });
  add(kCmdSubdivisionRenderDown, [] { adjustSubdivisionLevels(L"renderLevels", -1); });
  add(kCmdSubdivisionSmoothnessUp, [] { adjustSubdivisionSmoothness(+0.1); });
  add(kCmdSubdivisionSmoothnessDown, [] { adjustSubdivisionSmoothness(-0.1); });
  add(kCmdSubdivisionReset, resetSubdivisionDefaults);
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
  add(kCmdDeformerReset, resetDeformerDefaults);
  add(kCmdLatticeCellsUp, [] { adjustLatticeCells(+1); });
  add(kCmdLatticeCellsDown, [] { adjustLatticeCells(-1); });
}

}  // namespace vk
