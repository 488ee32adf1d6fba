// Stacks the Modifier menu makes survive save and open: kinds, flags, ids,
// parameter kinds and values, notes; the active index is written, not read.
#include <gtest/gtest.h>

#include <string>

#include "model/app_state.h"
#include "model/objects.h"
#include "persistence/persistence.h"
#include "shading/modifier_commands.h"
#include "shading/modifiers.h"

namespace {

using namespace vk;

TEST(ModifierRoundTrip, CommandMadeStacksComeBackFieldByField) {
  appState() = AppState{};
  Object cube = makeObject(ObjectKind::Mesh, L"Cube");
  appState().selectedObjectId = cube.id;
  appState().project.scene.objects.push_back(cube);
  for (const wchar_t* type : {L"Mirror", L"Array", L"Bevel", L"Solidify", L"Subdivision", L"Bend", L"Twist", L"Taper",
                              L"Lattice", L"LegacyUnknown"}) {
    addModifierStackEntry(type);
  }
  appState().activeModifierIndex = 0;
  toggleActiveMirrorAxis(L"axisZ");
  adjustArrayCount(+1);
  nudgeArrayOffset(L"offsetY", -0.25);
  appState().activeModifierIndex = 5;
  setActiveDeformerAxis(L"x");
  toggleActiveModifier();
  adjustDeformerParameter(L"Taper", L"strength", 0.1, 0.35, -0.85, 1.5, L"strength");
  const Object& made = appState().project.scene.objects.back();
  ASSERT_EQ(made.modifierStack.entries.size(), 10u);

  const std::string text = serializeProject(appState().project, appState().activeModifierIndex);
  const ProjectLoadResult loaded = deserializeProject(text);
  ASSERT_TRUE(loaded.usable);
  const Object& back = loaded.project.scene.objects.back();
  ASSERT_EQ(back.modifierStack.entries.size(), made.modifierStack.entries.size());
  for (std::size_t i = 0; i < made.modifierStack.entries.size(); ++i) {
    const Modifier& a = made.modifierStack.entries[i];
    const Modifier& b = back.modifierStack.entries[i];
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.displayName, b.displayName);
    EXPECT_EQ(a.enabled, b.enabled) << i;
    EXPECT_EQ(a.known, b.known);
    EXPECT_EQ(a.version, b.version);
    EXPECT_EQ(a.status, b.status) << i;
    ASSERT_EQ(a.parameters.size(), b.parameters.size()) << i;
    for (std::size_t k = 0; k < a.parameters.size(); ++k) {
      const ModifierParam& p = a.parameters[k];
      const ModifierParam& q = b.parameters[k];
      EXPECT_EQ(p.key, q.key);
      EXPECT_EQ(p.kind, q.kind) << i << " " << k;
      EXPECT_NEAR(p.number, q.number, 1e-9) << i << " " << k;  // the file keeps four decimals
      EXPECT_EQ(p.text, q.text) << i << " " << k;
      EXPECT_EQ(p.flag, q.flag) << i << " " << k;
    }
  }
  EXPECT_FALSE(back.modifierStack.entries[5].enabled);
  EXPECT_EQ(modifierTextParam(back.modifierStack.entries[5], L"axis", L""), L"X");
  EXPECT_EQ(back.modifierStack.entries[9].id, L"mod-10");
  EXPECT_FALSE(back.modifierStack.entries[9].known);
  appState() = AppState{};
}

}  // namespace
