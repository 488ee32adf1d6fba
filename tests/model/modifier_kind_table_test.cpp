// The modifier kinds table's rules: every kind round-trips between its type
// key and its enum, the name lookups agree with it, and every parameter's
// default, range, step and step fallback fit together.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "model/modifier_kind_table.h"
#include "model/text_utils.h"

namespace {

using namespace vk;

bool whole(double v) { return std::floor(v) == v; }

TEST(ModifierKindTable, EveryKindRoundTripsTypeKeyAndEnum) {
  const auto rows = modifierKindRows();
  ASSERT_EQ(rows.size(), kModifierKindCount);
  std::set<std::wstring_view> keys;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ModifierKindRow& row = rows[i];
    SCOPED_TRACE(std::wstring(row.typeKey));
    EXPECT_EQ(static_cast<std::size_t>(row.kind), i);
    EXPECT_EQ(modifierKindOf(row.typeKey), row.kind);
    EXPECT_EQ(findModifierKindRow(row.kind), &row);
    EXPECT_TRUE(keys.insert(row.typeKey).second);
    EXPECT_TRUE(isKnownModifierKind(row.typeKey));
    EXPECT_EQ(modifierDisplayName(row.typeKey), row.displayName);
    // The stored text is matched exactly: no case folding, no trimming.
    std::wstring lower(row.typeKey);
    lower[0] = static_cast<wchar_t>(lower[0] - L'A' + L'a');
    EXPECT_EQ(modifierKindOf(lower), ModifierKind::unknown);
    EXPECT_EQ(modifierKindOf(std::wstring(row.typeKey) + L" "), ModifierKind::unknown);
  }
  for (const wchar_t* other : {L"", L"Unknown", L"LegacyUnknown", L"Warp"}) {
    EXPECT_EQ(modifierKindOf(other), ModifierKind::unknown) << other;
    EXPECT_FALSE(isKnownModifierKind(other)) << other;
    EXPECT_EQ(modifierDisplayName(other), L"Unknown Modifier") << other;
  }
  EXPECT_EQ(findModifierKindRow(ModifierKind::unknown), nullptr);
  EXPECT_FALSE(modifierKindIn(ModifierKind::unknown, 0xFF));
  EXPECT_EQ(findModifierParamSpec(ModifierKind::unknown, L"axis"), nullptr);
}

TEST(ModifierKindTable, EveryParameterDefaultLiesInItsRangeAndOnItsGrid) {
  for (const ModifierKindRow& row : modifierKindRows()) {
    std::set<std::wstring_view> keys;
    for (const ModifierParamSpec& p : row.params) {
      SCOPED_TRACE(std::wstring(row.typeKey) + L"." + std::wstring(p.key));
      EXPECT_FALSE(p.key.empty());
      EXPECT_TRUE(keys.insert(p.key).second);
      EXPECT_EQ(findModifierParamSpec(row.kind, p.key), &p);
      if (p.type == ModifierParamType::boolean) {
        EXPECT_TRUE(p.number == 0.0 || p.number == 1.0);
      }
      if (p.type == ModifierParamType::text) {
        EXPECT_EQ(p.number, 0.0);
      }
      if (p.type != ModifierParamType::number || p.step == 0.0) {
        // Nothing steps it, so it carries no range a command could clamp to.
        EXPECT_EQ(p.min, 0.0);
        EXPECT_EQ(p.max, 0.0);
        EXPECT_FALSE(p.whole);
        EXPECT_FALSE(p.stepFallback.has_value());
        continue;
      }
      EXPECT_LT(p.min, p.max);
      EXPECT_GT(p.step, 0.0);
      EXPECT_LE(p.step, p.max - p.min);
      EXPECT_GE(p.number, p.min);
      EXPECT_LE(p.number, p.max);
      EXPECT_GE(p.missingForStep(), p.min);
      EXPECT_LE(p.missingForStep(), p.max);
      if (p.whole) {
        // Integer parameters stay integers under every step and clamp.
        EXPECT_TRUE(whole(p.number) && whole(p.min) && whole(p.max) && whole(p.step));
        EXPECT_TRUE(whole(p.missingForStep()));
      }
    }
  }
}

TEST(ModifierKindTable, GroupsCarryWhatTheirCommandsAndGuardsNeed) {
  int deformers = 0;
  for (const ModifierKindRow& row : modifierKindRows()) {
    SCOPED_TRACE(std::wstring(row.typeKey));
    if (row.flags & kKindDeformer) {
      // The axis commands write "axis" as text on every deformer.
      const ModifierParamSpec* axis = findModifierParamSpec(row.kind, L"axis");
      ASSERT_NE(axis, nullptr);
      EXPECT_EQ(axis->type, ModifierParamType::text);
      ++deformers;
    }
    // A kind whose preview replaces the drawing is one an old file must not switch on.
    if (row.flags & kKindDeforming) {
      EXPECT_TRUE(row.flags & kKindLegacyGuarded);
    }
    EXPECT_EQ(modifierKindIn(row.kind, kKindDeforming), (row.flags & kKindDeforming) != 0);
  }
  EXPECT_GT(deformers, 0);
}

}  // namespace
