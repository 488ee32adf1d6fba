// The Modifier menu's commands on the selected object's stack. Each edit is
// one undo step; every refusal is one status-line message and leaves the
// stack, the active index and both undo stacks exactly as they were.
#pragma once

#include <string>

#include "model/modifier_kind_table.h"
#include "model/types.h"

namespace vk {

// The selected object, or null after writing why it cannot be edited (none
// selected, or it or an ancestor is locked).
Object* selectedModifierTarget();

void addModifierStackEntry(const std::wstring& type);
void addModifierStackEntry(ModifierKind kind);
void selectNextModifier();
void selectPreviousModifier();
void toggleActiveModifier();
// direction -1 moves toward the stack's start, +1 toward its end.
void moveModifierInStack(int direction);
void removeActiveModifier();

// key: "axisX", "axisY" or "axisZ".
void toggleActiveMirrorAxis(const std::wstring& key);
void adjustArrayCount(int delta);
// key: "offsetX", "offsetY" or "offsetZ".
void nudgeArrayOffset(const std::wstring& key, double delta);
void resetArrayOffsets();
void adjustBevelAmount(double delta);
void adjustBevelSegments(int delta);
void adjustSolidifyThickness(double delta);
void adjustSolidifyOffset(double delta);
void resetSolidifyDefaults();
// key: "viewportLevels" (0..3) or "renderLevels" (0..5).
void adjustSubdivisionLevels(const std::wstring& key, int delta);
void adjustSubdivisionSmoothness(double delta);
void resetSubdivisionDefaults();
void setActiveDeformerAxis(const std::wstring& axis);
// label: the key's text in the messages ("angle" or "strength").
void adjustDeformerParameter(const std::wstring& type, const std::wstring& key, double delta, double fallback,
                             double min, double max, const std::wstring& label);
// One menu step of an axis deformer's number: adjustDeformerParameter with the
// step, fallback and range of the kind's parameter; direction +1 or -1.
void stepDeformerParameter(ModifierKind kind, const std::wstring& key, int direction);
// The kind's menu step of the parameter, signed by direction (+1 or -1).
double modifierMenuStep(ModifierKind kind, const std::wstring& key, int direction);
void resetDeformerDefaults();
void adjustLatticeCells(int delta);

}  // namespace vk
