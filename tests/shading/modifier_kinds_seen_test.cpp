// Every kind of the kinds table reaches the evaluator and the inspector: a
// new row without an evaluator, or with one that does nothing, fails here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/modifier_kind_table.h"
#include "modifier_support.h"
#include "shading/modifiers.h"

namespace {

using namespace vk;

class ModifierKindsSeen : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

bool sameColour(const Material& a, const Material& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

TEST_F(ModifierKindsSeen, EveryKindEvaluatesFromItsDefaults) {
  for (const ModifierKindRow& row : modifierKindRows()) {
    SCOPED_TRACE(std::wstring(row.typeKey));
    Object cube = modtest::meshObject(L"Cube");
    cube.modifierStack.entries.push_back(createModifierEntry(cube, std::wstring(row.typeKey)));
    const bool deforming = (row.flags & kKindDeforming) != 0;
    EXPECT_EQ(objectNeedsModifierPreview(cube), deforming);
    const std::vector<Object> list = evaluateModifierStack(cube);
    ASSERT_FALSE(list.empty());
    if (deforming) {
      EXPECT_EQ(list[0].id, L"obj-1-phase46-topology-preview");
      EXPECT_FALSE(sameColour(list[0].material, cube.material));
    } else {
      for (const Object& element : list) EXPECT_NE(element.id, cube.id);
    }
    // The same entry switched off takes no part.
    cube.modifierStack.entries[0].enabled = false;
    EXPECT_TRUE(evaluateModifierStack(cube).empty());
  }
}

TEST_F(ModifierKindsSeen, EveryKindShowsInTheInspectorByItsDisplayName) {
  Object cube = modtest::meshObject(L"Cube");
  for (const ModifierKindRow& row : modifierKindRows()) {
    cube.modifierStack.entries.push_back(createModifierEntry(cube, std::wstring(row.typeKey)));
  }
  // The block lists the first eight entries; look at them in two windows.
  for (std::size_t first = 0; first < kModifierKindCount; first += 8) {
    Object window = cube;
    auto& entries = window.modifierStack.entries;
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(first));
    const std::wstring text = modifierStackSummary(window);
    EXPECT_EQ(text.find(L"SAFE-FALLBACK"), std::wstring::npos);
    for (std::size_t i = first; i < std::min(first + 8, kModifierKindCount); ++i) {
      const ModifierKindRow& row = modifierKindRows()[i];
      const std::wstring shown = std::wstring(row.displayName) + L" (" + std::wstring(row.typeKey) + L")";
      EXPECT_NE(text.find(shown), std::wstring::npos) << text;
    }
  }
}

}  // namespace
