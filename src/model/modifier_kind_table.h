// The modifier kinds as data: one row per kind with its type key (the text a
// project file stores), display name, parameters and the groups it belongs
// to. Creation, the load guard, the commands, the evaluator and the inspector
// all read these rows. A new kind takes six files: its enum value here and
// its row in modifier_kind_table.cpp; its evaluator row, keyed by the kind,
// in shading/modifier_eval.cpp; its Add command's id, row and menu place in
// shell/command_ids.h, shell/modifier_rows.cpp and shell/popups.cpp. A kind
// that rebuilds meshes adds its builder (shading/modifier_deform.cpp or
// modifier_surface.cpp) and its declaration (shading/modifiers.h): eight;
// one that changes the face count declares how many it makes in
// shading/shading_internal.h: nine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vk {

// In the Modifier menu's order; `unknown` stands for every other type text.
enum class ModifierKind : std::uint8_t {
  mirror,
  array,
  bevel,
  solidify,
  subdivision,
  bend,
  twist,
  taper,
  lattice,
  unknown
};
inline constexpr std::size_t kModifierKindCount = static_cast<std::size_t>(ModifierKind::unknown);

enum class ModifierParamType : std::uint8_t { boolean, number, text };

struct ModifierParamSpec {
  std::wstring_view key{};
  ModifierParamType type = ModifierParamType::number;
  double number = 0.0;     // a number's default; 1 or 0 for a bool
  std::wstring_view text{};  // a text's default
  // The clamp and the menu step of a number the commands change; a step of 0
  // means no command steps it.
  double min = 0.0;
  double max = 0.0;
  double step = 0.0;
  bool whole = false;  // rounded before a step, shown as an integer
  // What a step reads for an entry that lacks the parameter (a stack read from
  // a file), where that is not the default.
  std::optional<double> stepFallback{};

  double missingForStep() const { return stepFallback.value_or(number); }
};

// Groups a kind belongs to.
inline constexpr std::uint8_t kKindDeformer = 1;       // the deformer axis and reset commands act on it
inline constexpr std::uint8_t kKindDeforming = 2;      // its preview replaces the object's own drawing
inline constexpr std::uint8_t kKindLegacyGuarded = 4;  // disabled when read from a file older than schema 4700

struct ModifierKindRow {
  ModifierKind kind = ModifierKind::unknown;
  std::wstring_view typeKey{};
  std::wstring_view displayName{};
  std::span<const ModifierParamSpec> params{};
  std::uint8_t flags = 0;
};

// The status texts a new or freshly read entry carries; stored in files.
inline constexpr wchar_t kKnownModifierStatus[] =
    L"Phase 46 stack entry; Mirror, Array, Bevel, Solidify, Subdivision, Bend, Twist, Taper, and Lattice "
    L"evaluate as safe non-destructive viewport previews.";
inline constexpr wchar_t kUnknownModifierStatus[] =
    L"Unknown modifier preserved safely; disabled from evaluation until a later compatible phase.";

// Every known kind, in enum order.
std::span<const ModifierKindRow> modifierKindRows();
// The kind whose type key equals `type` exactly (case-sensitive), else unknown.
ModifierKind modifierKindOf(std::wstring_view type);
// Null for ModifierKind::unknown.
const ModifierKindRow* findModifierKindRow(ModifierKind kind);
bool modifierKindIn(ModifierKind kind, std::uint8_t group);
// The kind's parameter with exactly this key, or null.
const ModifierParamSpec* findModifierParamSpec(ModifierKind kind, std::wstring_view key);
// The parameter's spec; the caller names a parameter the table holds.
const ModifierParamSpec& modifierParamSpec(ModifierKind kind, std::wstring_view key);

}  // namespace vk
