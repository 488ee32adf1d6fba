// Modifier entries: the kinds' parameters and defaults, ids, typed reads and
// writes, the active-index clamp and lookups, and the inspector texts.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "shading/modifiers.h"

namespace {

using namespace vk;

class ModifierEntries : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }

  Object objectWith(std::initializer_list<const wchar_t*> types) {
    Object object;
    object.id = L"obj-1";
    for (const wchar_t* type : types) object.modifierStack.entries.push_back(createModifierEntry(object, type));
    return object;
  }
};

struct ParamRow {
  const wchar_t* key;
  const wchar_t* kind;
  double number;
  const wchar_t* text;
  bool flag;
};

TEST_F(ModifierEntries, EveryKindCreatesItsParametersInOrderWithDefaults) {
  struct KindRow {
    const wchar_t* type;
    const wchar_t* name;
    std::vector<ParamRow> params;
  };
  const std::vector<KindRow> kinds = {
      {L"Mirror", L"Mirror",
       {{L"axisX", L"bool", 1, L"", true}, {L"axisY", L"bool", 0, L"", false}, {L"axisZ", L"bool", 0, L"", false},
        {L"bisect", L"bool", 0, L"", false}, {L"clip", L"bool", 1, L"", true}}},
      {L"Array", L"Array",
       {{L"count", L"number", 3, L"", false}, {L"offsetX", L"number", 1.25, L"", false},
        {L"offsetY", L"number", 0, L"", false}, {L"offsetZ", L"number", 0, L"", false}}},
      {L"Bevel", L"Bevel",
       {{L"amount", L"number", 0.08, L"", false}, {L"segments", L"number", 1, L"", false},
        {L"hardenNormals", L"bool", 1, L"", true}}},
      {L"Solidify", L"Solidify",
       {{L"thickness", L"number", 0.12, L"", false}, {L"offset", L"number", 0, L"", false},
        {L"evenThickness", L"bool", 1, L"", true}}},
      {L"Subdivision", L"Subdivision",
       {{L"viewportLevels", L"number", 1, L"", false}, {L"renderLevels", L"number", 1, L"", false},
        {L"smoothness", L"number", 0.65, L"", false}}},
      {L"Bend", L"Bend", {{L"axis", L"text", 0, L"Z", false}, {L"angle", L"number", 45, L"", false}}},
      {L"Twist", L"Twist", {{L"axis", L"text", 0, L"Y", false}, {L"angle", L"number", 90, L"", false}}},
      {L"Taper", L"Taper", {{L"axis", L"text", 0, L"Y", false}, {L"strength", L"number", 0.35, L"", false}}},
      {L"Lattice", L"Lattice Placeholder",
       {{L"axis", L"text", 0, L"Y", false}, {L"cells", L"number", 3, L"", false},
        {L"placeholder", L"bool", 1, L"", true},
        {L"note", L"text", 0, L"Preview cage only; deformation solver arrives later.", false}}},
      {L"mirror", L"Unknown Modifier",
       {{L"sourceType", L"text", 0, L"mirror", false},
        {L"note", L"text", 0, L"Preserved by Phase 46 safe fallback.", false}}},
  };
  for (const KindRow& kind : kinds) {
    SCOPED_TRACE(testing::Message() << std::string(kind.type, kind.type + std::wcslen(kind.type)));
    const Modifier entry = createModifierEntry(Object{}, kind.type);
    const bool known = std::wstring(kind.type) != L"mirror";
    EXPECT_EQ(entry.type, kind.type);
    EXPECT_EQ(entry.displayName, kind.name);
    EXPECT_EQ(entry.known, known);
    EXPECT_EQ(entry.enabled, known);
    EXPECT_EQ(entry.version, 1);
    EXPECT_EQ(entry.id, L"mod-1");
    EXPECT_EQ(entry.status,
              known ? L"Phase 46 stack entry; Mirror, Array, Bevel, Solidify, Subdivision, Bend, Twist, Taper, and "
                      L"Lattice evaluate as safe non-destructive viewport previews."
                    : L"Unknown modifier preserved safely; disabled from evaluation until a later compatible phase.");
    ASSERT_EQ(entry.parameters.size(), kind.params.size());
    for (std::size_t i = 0; i < kind.params.size(); ++i) {
      const ModifierParam& p = entry.parameters[i];
      EXPECT_EQ(p.key, kind.params[i].key);
      EXPECT_EQ(p.kind, kind.params[i].kind);
      EXPECT_EQ(p.number, kind.params[i].number);
      EXPECT_EQ(p.text, kind.params[i].text);
      EXPECT_EQ(p.flag, kind.params[i].flag);
    }
  }
}

TEST_F(ModifierEntries, IdsStepPastTheLargestNumberAndNeverRepeatOrWrap) {
  auto nextFor = [](std::initializer_list<const wchar_t*> ids) {
    Object object;
    for (const wchar_t* id : ids) {
      Modifier m;
      m.id = id;
      object.modifierStack.entries.push_back(m);
    }
    return makeModifierId(object);
  };
  EXPECT_EQ(nextFor({}), L"mod-1");
  EXPECT_EQ(nextFor({L"mod-2", L"mod-abc", L"mod-10x", L"layer-40"}), L"mod-11");
  EXPECT_EQ(nextFor({L"mod-1", L"mod-5"}), L"mod-6");
  EXPECT_EQ(nextFor({L"mod-12abc"}), L"mod-13");
  EXPECT_EQ(nextFor({L"mod- +7", L"mod--9", L"mod", L"Mod-50"}), L"mod-8");
  EXPECT_EQ(nextFor({L"mod-2147483647"}), L"mod-2147483648");
  // The out-of-range id is skipped by the parse but still taken.
  EXPECT_EQ(nextFor({L"mod-2147483647", L"mod-2147483648"}), L"mod-2147483649");
  EXPECT_EQ(nextFor({L"mod-99999999999999999999", L"mod-1"}), L"mod-2");
  EXPECT_EQ(nextFor({L"mod-3", L"mod-4", L"mod-1x"}), L"mod-5");
}

TEST_F(ModifierEntries, TypedReadsCoerceAndFallBack) {
  Modifier m;
  m.parameters = {makeTextParam(L"on", L"on"),        makeTextParam(L"upper", L"TRUE"),
                  makeTextParam(L"num", L" +2.5x"),   makeTextParam(L"inf", L"inf"),
                  makeTextParam(L"nan", L"nan"),      makeTextParam(L"empty", L""),
                  makeNumberParam(L"n45", 45),        makeNumberParam(L"tiny", 0.00005),
                  makeBoolParam(L"b", true),          makeTextParam(L"huge", L"1e400"),
                  makeNumberParam(L"bad", std::numeric_limits<double>::infinity())};
  m.parameters.back().text = L"7";
  EXPECT_TRUE(modifierBoolParam(m, L"on", false));
  EXPECT_FALSE(modifierBoolParam(m, L"upper", true));
  EXPECT_FALSE(modifierBoolParam(m, L"tiny", true));
  EXPECT_TRUE(modifierBoolParam(m, L"n45", false));
  EXPECT_TRUE(modifierBoolParam(m, L"missing", true));
  EXPECT_EQ(modifierNumberParam(m, L"num", 0), 2.5);
  EXPECT_EQ(modifierNumberParam(m, L"inf", 9), 9);
  EXPECT_EQ(modifierNumberParam(m, L"nan", 9), 9);
  EXPECT_EQ(modifierNumberParam(m, L"huge", 9), 9);
  EXPECT_EQ(modifierNumberParam(m, L"empty", 9), 9);
  EXPECT_EQ(modifierNumberParam(m, L"b", 9), 1.0);
  // A non-finite number falls back to its text.
  EXPECT_EQ(modifierNumberParam(m, L"bad", 9), 7);
  EXPECT_EQ(modifierTextParam(m, L"empty", L"x"), L"0.00");
  EXPECT_EQ(modifierTextParam(m, L"n45", L"x"), L"45.00");
  EXPECT_EQ(modifierTextParam(m, L"b", L"x"), L"true");
  EXPECT_EQ(modifierTextParam(m, L"missing", L"x"), L"x");
}

TEST_F(ModifierEntries, WritesChangeKindInPlaceOrAppend) {
  Modifier m;
  m.parameters = {makeTextParam(L"a", L"keep"), makeBoolParam(L"b", true)};
  setModifierParamNumber(m, L"a", 0.00001);
  EXPECT_EQ(m.parameters[0].kind, L"number");
  EXPECT_FALSE(m.parameters[0].flag);
  EXPECT_EQ(m.parameters[0].text, L"keep");  // the number write leaves the text
  setModifierParamNumber(m, L"a", 0.5);
  EXPECT_TRUE(m.parameters[0].flag);
  setModifierParamNumber(m, L"new", 0.5);
  EXPECT_FALSE(m.parameters.back().flag);
  setModifierParamNumber(m, L"a", std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(m.parameters[0].number, 0.0);
  setModifierParamText(m, L"b", L"hi");
  EXPECT_EQ(m.parameters[1].kind, L"text");
  EXPECT_EQ(m.parameters[1].number, 0.0);
  EXPECT_TRUE(m.parameters[1].flag);
  setModifierParamBool(m, L"b", false);
  EXPECT_EQ(m.parameters[1].text, L"");
  EXPECT_EQ(m.parameters.size(), 3u);
}

TEST_F(ModifierEntries, ClampKeepsTheIndexForEmptyStacksAndLookupsPreferTheActiveEntry) {
  appState().activeModifierIndex = 5;
  Object empty;
  EXPECT_EQ(clampSelectedModifierIndex(empty), -1);
  EXPECT_EQ(appState().activeModifierIndex, 5);
  appState().activeModifierIndex = 7;
  Object three = objectWith({L"Bend", L"Mirror", L"Bend"});
  EXPECT_EQ(clampSelectedModifierIndex(three), 2);
  EXPECT_EQ(appState().activeModifierIndex, 2);
  EXPECT_EQ(findModifierByName(three, L"Bend"), &three.modifierStack.entries[2]);
  appState().activeModifierIndex = 1;
  EXPECT_EQ(findModifierByName(three, L"Bend"), &three.modifierStack.entries[0]);
  EXPECT_EQ(findModifierByName(three, L"Array"), nullptr);

  Object mixed = objectWith({L"Mirror", L"Array", L"Taper"});
  appState().activeModifierIndex = 0;
  EXPECT_EQ(findDeformerModifier(mixed), &mixed.modifierStack.entries[2]);
  EXPECT_TRUE(isDeformerModifierName(L"Lattice"));
  EXPECT_FALSE(isDeformerModifierName(L"bend"));
}

TEST_F(ModifierEntries, RoundedCountsClampBeforeConverting) {
  EXPECT_EQ(roundedModifierCount(1e300, 1, 32), 32);
  EXPECT_EQ(roundedModifierCount(-1e300, 1, 32), 1);
  EXPECT_EQ(roundedModifierCount(2.5, 1, 32), 3);
  EXPECT_EQ(roundedModifierCount(-0.5, -3, 3), -1);
  EXPECT_EQ(roundedModifierCount(std::numeric_limits<double>::quiet_NaN(), 2, 8), 2);
}

TEST_F(ModifierEntries, InspectorTextsFromCreatedEntries) {
  const std::wstring hint =
      L"Active modifier: Modifier menu edits stack order. Mirror/Array/Bevel/Solidify/Subdivision plus "
      L"Bend/Twist/Taper/Lattice have live viewport preview controls.";
  Object bend = objectWith({L"Bend"});
  EXPECT_EQ(modifierStackSummary(bend), L"Modifiers: 1\n* 1. [on] Bend (Bend)\n     axis=Z, angle=45.00\n" + hint);
  Object none;
  EXPECT_EQ(modifierStackSummary(none), L"Modifiers: 0 (none - use Modifier menu to add stack entries)");

  const Object kinds = objectWith({L"Mirror", L"Lattice", L"LegacyUnknown"});
  EXPECT_EQ(modifierParamsSummary(kinds.modifierStack.entries[0]),
            L"axisX=on, axisY=off, axisZ=off, bisect=off, ...");
  EXPECT_EQ(modifierParamsSummary(kinds.modifierStack.entries[1]),
            L"axis=Y, cells=3.00, placeholder=on, note=Preview cage only; deformation solver arrives later.");
  Object unknown = objectWith({L"LegacyUnknown"});
  EXPECT_EQ(modifierStackSummary(unknown),
            L"Modifiers: 1\n* 1. [off] Unknown Modifier (LegacyUnknown) SAFE-FALLBACK\n"
            L"     sourceType=LegacyUnknown, note=Preserved by Phase 46 safe fallback.\n" + hint);

  Object ten = objectWith({L"Array", L"Array", L"Array", L"Array", L"Array", L"Array", L"Array", L"Array",
                           L"Array", L"Array"});
  const std::wstring tenText = modifierStackSummary(ten);
  EXPECT_NE(tenText.find(L"  8. [on] Array"), std::wstring::npos);
  EXPECT_EQ(tenText.find(L"9. [on]"), std::wstring::npos);
  EXPECT_NE(tenText.find(L"\n  ...2 more\n" + hint), std::wstring::npos);

  Object three = objectWith({L"Bend", L"Twist", L"Taper"});
  appState().activeModifierIndex = 9;
  EXPECT_NE(modifierStackSummary(three).find(L"* 3. [on] Taper (Taper)"), std::wstring::npos);
  EXPECT_EQ(appState().activeModifierIndex, 2);
}

}  // namespace
