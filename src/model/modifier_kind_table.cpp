#include "model/modifier_kind_table.h"

#include <algorithm>
#include <cstdlib>

namespace vk {

namespace {

using enum ModifierParamType;

constexpr ModifierParamSpec kMirror[] = {
    {.key = L"axisX", .type = boolean, .number = 1}, {.key = L"axisY", .type = boolean, .number = 0},
    {.key = L"axisZ", .type = boolean, .number = 0}, {.key = L"bisect", .type = boolean, .number = 0},
    {.key = L"clip", .type = boolean, .number = 1},
};
// The offset steps read a missing offset as 0, also offsetX.
constexpr ModifierParamSpec kArray[] = {
    {.key = L"count", .number = 3, .min = 1, .max = 32, .step = 1, .whole = true},
    {.key = L"offsetX", .number = 1.25, .min = -12, .max = 12, .step = 0.25, .stepFallback = 0.0},
    {.key = L"offsetY", .number = 0, .min = -12, .max = 12, .step = 0.25},
    {.key = L"offsetZ", .number = 0, .min = -12, .max = 12, .step = 0.25},
};
constexpr ModifierParamSpec kBevel[] = {
    {.key = L"amount", .number = 0.08, .min = 0.01, .max = 0.42, .step = 0.02},
    {.key = L"segments", .number = 1, .min = 1, .max = 6, .step = 1, .whole = true},
    {.key = L"hardenNormals", .type = boolean, .number = 1},
};
constexpr ModifierParamSpec kSolidify[] = {
    {.key = L"thickness", .number = 0.12, .min = 0.01, .max = 2.0, .step = 0.05},
    {.key = L"offset", .number = 0, .min = -1, .max = 1, .step = 0.1},
    {.key = L"evenThickness", .type = boolean, .number = 1},
};
// The smoothness step reads a missing value as fully smooth.
constexpr ModifierParamSpec kSubdivision[] = {
    {.key = L"viewportLevels", .number = 1, .min = 0, .max = 3, .step = 1, .whole = true},
    {.key = L"renderLevels", .number = 1, .min = 0, .max = 5, .step = 1, .whole = true},
    {.key = L"smoothness", .number = 0.65, .min = 0, .max = 1, .step = 0.1, .stepFallback = 1.0},
};
constexpr ModifierParamSpec kBend[] = {
    {.key = L"axis", .type = text, .text = L"Z"},
    {.key = L"angle", .number = 45, .min = -270, .max = 270, .step = 15},
};
constexpr ModifierParamSpec kTwist[] = {
    {.key = L"axis", .type = text, .text = L"Y"},
    {.key = L"angle", .number = 90, .min = -720, .max = 720, .step = 15},
};
constexpr ModifierParamSpec kTaper[] = {
    {.key = L"axis", .type = text, .text = L"Y"},
    {.key = L"strength", .number = 0.35, .min = -0.85, .max = 1.5, .step = 0.1},
};
constexpr ModifierParamSpec kLattice[] = {
    {.key = L"axis", .type = text, .text = L"Y"},
    {.key = L"cells", .number = 3, .min = 2, .max = 8, .step = 1, .whole = true},
    {.key = L"placeholder", .type = boolean, .number = 1},
    {.key = L"note", .type = text, .text = L"Preview cage only; deformation solver arrives later."},
};

constexpr std::uint8_t kSurface = kKindDeforming | kKindLegacyGuarded;
constexpr std::uint8_t kAxisDeform = kKindDeformer | kKindDeforming | kKindLegacyGuarded;

constexpr ModifierKindRow kRows[] = {
    {ModifierKind::mirror, L"Mirror", L"Mirror", kMirror, 0},
    {ModifierKind::array, L"Array", L"Array", kArray, 0},
    {ModifierKind::bevel, L"Bevel", L"Bevel", kBevel, kSurface},
    {ModifierKind::solidify, L"Solidify", L"Solidify", kSolidify, kSurface},
    {ModifierKind::subdivision, L"Subdivision", L"Subdivision", kSubdivision, kSurface},
    {ModifierKind::bend, L"Bend", L"Bend", kBend, kAxisDeform},
    {ModifierKind::twist, L"Twist", L"Twist", kTwist, kAxisDeform},
    {ModifierKind::taper, L"Taper", L"Taper", kTaper, kAxisDeform},
    // A cage only: it adds preview objects and leaves the object's own drawing.
    {ModifierKind::lattice, L"Lattice", L"Lattice Placeholder", kLattice, kKindDeformer | kKindLegacyGuarded},
};
static_assert(std::size(kRows) == kModifierKindCount);
// findModifierKindRow indexes by the enum.
static_assert([] {
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    if (static_cast<std::size_t>(kRows[i].kind) != i) return false;
  }
  return true;
}());

}  // namespace

std::span<const ModifierKindRow> modifierKindRows() { return kRows; }

ModifierKind modifierKindOf(std::wstring_view type) {
  const auto* row = std::find_if(std::begin(kRows), std::end(kRows), [&](const auto& r) { return r.typeKey == type; });
  return row == std::end(kRows) ? ModifierKind::unknown : row->kind;
}

const ModifierKindRow* findModifierKindRow(ModifierKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < kModifierKindCount ? &kRows[index] : nullptr;
}

bool modifierKindIn(ModifierKind kind, std::uint8_t group) {
  const ModifierKindRow* row = findModifierKindRow(kind);
  return row && (row->flags & group) != 0;
}

const ModifierParamSpec* findModifierParamSpec(ModifierKind kind, std::wstring_view key) {
  const ModifierKindRow* row = findModifierKindRow(kind);
  if (!row) return nullptr;
  const auto found = std::find_if(row->params.begin(), row->params.end(), [&](const auto& p) { return p.key == key; });
  return found == row->params.end() ? nullptr : &*found;
}

const ModifierParamSpec& modifierParamSpec(ModifierKind kind, std::wstring_view key) {
  const ModifierParamSpec* spec = findModifierParamSpec(kind, key);
  if (!spec) std::abort();  // a caller naming a parameter the table lacks is a programming error
  return *spec;
}

}  // namespace vk
