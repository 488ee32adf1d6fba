#include "shading/modifier_commands.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"
#include "shading/modifiers.h"

namespace vk {

namespace {

constexpr wchar_t kNoModifiers[] = L"●  No modifiers on selected object";

using EntryFinder = std::function<Modifier*(Object&)>;

EntryFinder byKind(ModifierKind kind) {
  return [type = std::wstring(findModifierKindRow(kind)->typeKey)](Object& owner) {
    return findModifierByName(owner, type);
  };
}

Object* reselected() { return findObjectById(appState().selectedObjectId); }

void finishEdit(EditTransaction& edit, const std::wstring& message) {
  edit.commit();
  setStatusText(message);
}

// The common frame of an entry edit: refuse before any snapshot, then one
// snapshot, the change on the entry found again, its note, dirty, refresh and
// the command's message last.
void editEntry(const EntryFinder& find, const std::wstring& refusal, const std::wstring& note,
               const std::function<std::wstring(Modifier&)>& change) {
  Object* target = selectedModifierTarget();
  if (!target) return;
  if (!find(*target)) {
    setStatusText(refusal);
    return;
  }
  EditTransaction edit;
  Object* object = reselected();
  Modifier* entry = object ? find(*object) : nullptr;
  if (!entry) return;
  const std::wstring message = change(*entry);
  entry->status = note;
  finishEdit(edit, message);
}

// One numeric step of `key` with the fallback, clamp and rounding of the
// kind's parameter `spec`: read, step, clamp, write.
struct NumberStep {
  ModifierKind kind;
  const wchar_t* refusal;
  const wchar_t* note;
};

void stepNumber(const NumberStep& step, const ModifierParamSpec& spec, const std::wstring& key, double delta,
                const std::function<std::wstring(double)>& message) {
  editEntry(byKind(step.kind), step.refusal, step.note, [&](Modifier& entry) {
    double value = modifierNumberParam(entry, key, spec.missingForStep());
    if (spec.whole) value = std::round(value);
    value = std::clamp(value + delta, spec.min, spec.max);
    setModifierParamNumber(entry, key, value);
    return message(value);
  });
}

void stepNumber(const NumberStep& step, const std::wstring& key, double delta,
                const std::function<std::wstring(double)>& message) {
  stepNumber(step, modifierParamSpec(step.kind, key), key, delta, message);
}

void writeDefault(Modifier& entry, const ModifierParamSpec& spec) {
  const std::wstring key(spec.key);
  switch (spec.type) {
    case ModifierParamType::boolean:
      setModifierParamBool(entry, key, spec.number != 0.0);
      break;
    case ModifierParamType::number:
      setModifierParamNumber(entry, key, spec.number);
      break;
    case ModifierParamType::text:
      setModifierParamText(entry, key, std::wstring(spec.text));
      break;
  }
}

// Writes each key's creation default: the three reset commands.
void resetNumbers(ModifierKind kind, const wchar_t* refusal, const wchar_t* note,
                  std::initializer_list<const wchar_t*> keys, const wchar_t* message) {
  editEntry(byKind(kind), refusal, note, [&](Modifier& entry) {
    for (const wchar_t* key : keys) writeDefault(entry, modifierParamSpec(kind, key));
    return std::wstring(message);
  });
}

std::wstring wholeNumber(double value) { return std::to_wstring(static_cast<long long>(std::llround(value))); }

// The stack commands that act on the active entry: refused without one.
// Returns the object after the snapshot and the clamped index, or null.
Object* activeEntryTarget(int& index) {
  Object* target = selectedModifierTarget();
  if (!target) return nullptr;
  sanitizeModifierStack(*target);
  index = clampSelectedModifierIndex(*target);
  if (index < 0) {
    setStatusText(kNoModifiers);
    return nullptr;
  }
  return target;
}

// The object looked up again after the snapshot, its stack repaired and
// the active index clamped; null when there is nothing left to edit.
Object* reclamped(int& index) {
  Object* object = reselected();
  if (!object) return nullptr;
  sanitizeModifierStack(*object);
  index = clampSelectedModifierIndex(*object);
  return index < 0 ? nullptr : object;
}

void selectNeighbour(int step, const wchar_t* message) {
  Object* object = reselected();
  if (!object || object->modifierStack.entries.empty()) {
    setStatusText(kNoModifiers);
    return;
  }
  const int count = static_cast<int>(object->modifierStack.entries.size());
  const int i = clampSelectedModifierIndex(*object);
  appState().activeModifierIndex = std::clamp(i + step, 0, count - 1);
  refreshInspector();
  setStatusText(message);
}

}  // namespace

Object* selectedModifierTarget() {
  Object* object = reselected();
  if (!object) {
    setStatusText(L"●  Select an object before editing the modifier stack");
    return nullptr;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Selected object is locked; modifier stack was not changed");
    return nullptr;
  }
  return object;
}

void addModifierStackEntry(const std::wstring& type) {
  Object* target = selectedModifierTarget();
  if (!target) return;
  sanitizeModifierStack(*target);
  if (target->modifierStack.entries.size() >= 64) {
    setStatusText(L"●  Modifier stack limit reached");
    return;
  }
  EditTransaction edit;
  Object* object = reselected();
  if (!object) return;
  auto& entries = object->modifierStack.entries;
  entries.push_back(createModifierEntry(*object, type));
  appState().activeModifierIndex = static_cast<std::int32_t>(entries.size()) - 1;
  const std::wstring name = entries.back().displayName;
  sanitizeModifierStack(*object);
  finishEdit(edit, L"●  Added " + name + L" modifier stack entry");
}

void addModifierStackEntry(ModifierKind kind) {
  addModifierStackEntry(std::wstring(findModifierKindRow(kind)->typeKey));
}

void selectNextModifier() { selectNeighbour(+1, L"●  Selected next modifier"); }

void selectPreviousModifier() { selectNeighbour(-1, L"●  Selected previous modifier"); }

void toggleActiveModifier() {
  int index = 0;
  Object* target = activeEntryTarget(index);
  if (!target) return;
  // Refused before the snapshot, so the redo history survives the refusal.
  if (!target->modifierStack.entries[static_cast<std::size_t>(index)].known) {
    setStatusText(L"●  Unknown modifiers remain disabled for safety");
    return;
  }
  EditTransaction edit;
  Object* object = reclamped(index);
  if (!object) return;
  Modifier& entry = object->modifierStack.entries[static_cast<std::size_t>(index)];
  entry.enabled = !entry.enabled;
  finishEdit(edit, entry.enabled ? L"●  Enabled active modifier" : L"●  Disabled active modifier");
}

void moveModifierInStack(int direction) {
  int index = 0;
  Object* target = activeEntryTarget(index);
  if (!target) return;
  const int count = static_cast<int>(target->modifierStack.entries.size());
  const int j = index + direction;
  if (j < 0 || j >= count) {
    setStatusText(L"●  Active modifier is already at the stack boundary");
    return;
  }
  EditTransaction edit;
  Object* object = reclamped(index);
  if (!object) return;
  auto& entries = object->modifierStack.entries;
  std::swap(entries[static_cast<std::size_t>(index)], entries[static_cast<std::size_t>(j)]);
  appState().activeModifierIndex = j;
  finishEdit(edit, direction < 0 ? L"●  Moved active modifier up" : L"●  Moved active modifier down");
}

void removeActiveModifier() {
  int index = 0;
  if (!activeEntryTarget(index)) return;
  EditTransaction edit;
  Object* object = reclamped(index);
  if (!object) return;
  auto& entries = object->modifierStack.entries;
  entries.erase(entries.begin() + index);
  const int last = static_cast<int>(entries.size()) - 1;
  appState().activeModifierIndex = std::min(std::max(last, 0), index);
  finishEdit(edit, L"●  Removed active modifier");
}

void toggleActiveMirrorAxis(const std::wstring& key) {
  editEntry(byKind(ModifierKind::mirror), L"●  Add or select a Mirror modifier before changing mirror axes",
            L"Phase 46 live Mirror preview: toggled X/Y/Z axis controls.", [&](Modifier& entry) {
              setModifierParamBool(entry, key, !modifierBoolParam(entry, key, key == L"axisX"));
              if (!modifierBoolParam(entry, L"axisX", false) && !modifierBoolParam(entry, L"axisY", false) &&
                  !modifierBoolParam(entry, L"axisZ", false)) {
                setModifierParamBool(entry, L"axisX", true);
                return std::wstring(L"●  Mirror requires at least one axis; X was restored");
              }
              return std::wstring(L"●  Mirror axis updated");
            });
}

void adjustArrayCount(int delta) {
  static constexpr NumberStep kStep{ModifierKind::array, L"●  Add or select an Array modifier before changing count",
                                    L"Phase 46 live Array preview: count adjusted safely."};
  stepNumber(kStep, L"count", delta, [](double v) { return L"●  Array count: " + wholeNumber(v); });
}

void nudgeArrayOffset(const std::wstring& key, double delta) {
  static constexpr NumberStep kStep{ModifierKind::array, L"●  Add or select an Array modifier before changing offsets",
                                    L"Phase 46 live Array preview: X/Y/Z offset adjusted safely."};
  // Any key steps like offsetX, whose step reads a missing value as 0.
  stepNumber(kStep, modifierParamSpec(ModifierKind::array, L"offsetX"), key, delta,
             [](double) { return std::wstring(L"●  Array offset updated"); });
}

void resetArrayOffsets() {
  resetNumbers(ModifierKind::array, L"●  Add or select an Array modifier before resetting offsets",
               L"Phase 46 live Array preview: offsets reset to safe defaults.", {L"offsetX", L"offsetY", L"offsetZ"},
               L"●  Array offsets reset");
}

void adjustBevelAmount(double delta) {
  static constexpr NumberStep kStep{ModifierKind::bevel, L"●  Add or select a Bevel modifier before changing amount",
                                    L"Phase 46 live Bevel preview: amount adjusted safely."};
  stepNumber(kStep, L"amount", delta, [](double) { return std::wstring(L"●  Bevel amount updated"); });
}

void adjustBevelSegments(int delta) {
  static constexpr NumberStep kStep{ModifierKind::bevel, L"●  Add or select a Bevel modifier before changing segments",
                                    L"Phase 46 live Bevel preview: segment metadata adjusted safely."};
  stepNumber(kStep, L"segments", delta, [](double v) { return L"●  Bevel segments: " + wholeNumber(v); });
}

void adjustSolidifyThickness(double delta) {
  static constexpr NumberStep kStep{ModifierKind::solidify,
                                    L"●  Add or select a Solidify modifier before changing thickness",
                                    L"Phase 46 live Solidify preview: thickness adjusted safely."};
  stepNumber(kStep, L"thickness", delta, [](double) { return std::wstring(L"●  Solidify thickness updated"); });
}

void adjustSolidifyOffset(double delta) {
  static constexpr NumberStep kStep{ModifierKind::solidify,
                                    L"●  Add or select a Solidify modifier before changing offset",
                                    L"Phase 46 live Solidify preview: offset adjusted safely."};
  stepNumber(kStep, L"offset", delta, [](double) { return std::wstring(L"●  Solidify offset updated"); });
}

void resetSolidifyDefaults() {
  resetNumbers(ModifierKind::solidify, L"●  Add or select a Solidify modifier before resetting",
               L"Phase 46 live Solidify preview: defaults restored.", {L"thickness", L"offset"},
               L"●  Solidify defaults reset");
}

void adjustSubdivisionLevels(const std::wstring& key, int delta) {
  const bool viewport = key == L"viewportLevels";
  static constexpr NumberStep kStep{ModifierKind::subdivision,
                                    L"●  Add or select a Subdivision modifier before changing levels",
                                    L"Phase 46 live Subdivision preview: level metadata adjusted safely."};
  // Any key other than viewportLevels steps like renderLevels.
  const auto& spec = modifierParamSpec(ModifierKind::subdivision, viewport ? L"viewportLevels" : L"renderLevels");
  stepNumber(kStep, spec, key, delta, [viewport](double) {
    return std::wstring(viewport ? L"●  Subdivision viewport level updated" : L"●  Subdivision render level updated");
  });
}

void adjustSubdivisionSmoothness(double delta) {
  static constexpr NumberStep kStep{ModifierKind::subdivision,
                                    L"●  Add or select a Subdivision modifier before changing smoothness",
                                    L"Phase 46 live Subdivision preview: smoothing adjusted safely."};
  stepNumber(kStep, L"smoothness", delta, [](double) { return std::wstring(L"●  Subdivision smoothness updated"); });
}

void resetSubdivisionDefaults() {
  resetNumbers(ModifierKind::subdivision, L"●  Add or select a Subdivision modifier before resetting",
               L"Phase 46 live Subdivision preview: defaults restored.",
               {L"viewportLevels", L"renderLevels", L"smoothness"}, L"●  Subdivision defaults reset");
}

void setActiveDeformerAxis(const std::wstring& axis) {
  editEntry(findDeformerModifier, L"●  Add/select Bend, Twist, Taper, or Lattice before changing deformer axis",
            L"Phase 46 deformer preview: axis changed safely.", [&](Modifier& entry) {
              const std::wstring sane = sanitizeAxis(axis);
              setModifierParamText(entry, L"axis", sane);
              return L"●  Deformer axis set to " + sane;
            });
}

void adjustDeformerParameter(const std::wstring& type, const std::wstring& key, double delta, double fallback,
                             double min, double max, const std::wstring& label) {
  const std::wstring refusal = L"●  Add or select a " + type + L" modifier before changing " + label;
  const std::wstring note = L"Phase 46 live " + type + L" preview: " + label + L" adjusted safely.";
  editEntry([&type](Object& owner) { return findModifierByName(owner, type); }, refusal, note,
            [&](Modifier& entry) {
              setModifierParamNumber(entry, key,
                                     std::clamp(modifierNumberParam(entry, key, fallback) + delta, min, max));
              return L"●  " + type + L" " + label + L" updated";
            });
}

double modifierMenuStep(ModifierKind kind, const std::wstring& key, int direction) {
  return direction * modifierParamSpec(kind, key).step;
}

void stepDeformerParameter(ModifierKind kind, const std::wstring& key, int direction) {
  const ModifierParamSpec& spec = modifierParamSpec(kind, key);
  adjustDeformerParameter(std::wstring(findModifierKindRow(kind)->typeKey), key, direction * spec.step,
                          spec.missingForStep(), spec.min, spec.max, key);
}

void resetDeformerDefaults() {
  editEntry(findDeformerModifier, L"●  Add/select a deformer modifier before resetting",
            L"Phase 46 deformer preview: defaults restored.", [](Modifier& entry) {
              // Axis Y for every deformer (a Bend is created with Z); the texts
              // after it (the Lattice's note) stay.
              setModifierParamText(entry, L"axis", L"Y");
              for (const ModifierParamSpec& spec : findModifierKindRow(modifierKindOf(entry.type))->params) {
                if (spec.type != ModifierParamType::text) writeDefault(entry, spec);
              }
              return std::wstring(L"●  Deformer defaults reset");
            });
}

void adjustLatticeCells(int delta) {
  static constexpr NumberStep kStep{ModifierKind::lattice,
                                    L"●  Add or select a Lattice modifier before changing cage cells",
                                    L"Phase 46 Lattice placeholder: cage density adjusted; no destructive deformation "
                                    L"applied."};
  stepNumber(kStep, L"cells", delta, [](double v) { return L"●  Lattice cage cells: " + wholeNumber(v); });
}

}  // namespace vk
