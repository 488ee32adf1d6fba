// A byte or a few changed in a file the studio saved, where names full of
// quotes, braces and brackets put structure inside strings: the reader says
// the text is whole exactly when it is well-formed JSON, and then reads what
// the saved file held; otherwise it says the file is damaged, or refuses it.
// A damaged open holds only objects the saved file held, unchanged, and in
// the writer's layout every one the damage left alone. A byte order mark
// before the document is passed over; other text before it is damage, as
// text after it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/objects.h"
#include "model/scene_fixture.h"
#include "json_reference.h"
#include "one_byte_damage.h"
#include "persistence/persistence.h"
#include "project_fixture.h"
#include "shading/modifier_commands.h"

namespace {

using vk::ProjectTextDamage;

const wchar_t* const kOddNames[] = {L"Lamp \"A\" {left}", L"Floor [old] }", L"Box ] {"};

// Five objects, the last three named oddly, as a user adding and naming
// objects in a new project makes them.
vk::Project fiveObjects() {
  vk::Project project;
  for (int i = 0; i < 5; ++i) {
    vk::Object o = vk::makeObject(i == 3 ? vk::ObjectKind::Light : vk::ObjectKind::Mesh, L"Cube");
    o.id = L"obj-" + std::to_wstring(i + 1);
    if (i >= 2) o.name = kOddNames[i - 2];
    project.scene.objects.push_back(std::move(o));
  }
  return project;
}

bool refused(const vk::ProjectLoadResult& r) { return !r.usable || r.overObjectBudget || r.overMemoryBudget; }

TEST(ReaderDamage, AQuoteBlankedWhereNamesHoldBracketsIsDamage) {
  const std::string text = vk::serializeProject(fiveObjects(), 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(text);
  ASSERT_EQ(whole.damage, ProjectTextDamage::None);
  ASSERT_EQ(whole.project.scene.objects.size(), 5u);
  EXPECT_EQ(whole.project.scene.objects[3].name, kOddNames[1]);
  // The opening quote of the second object's "light" key: every block
  // still closes, and four objects are read, as before; that read them as
  // the whole file.
  std::string blanked = text;
  blanked[text.find("\"light\": ", text.find("\"light\": ") + 1)] = ' ';
  const vk::ProjectLoadResult r = vk::deserializeProject(blanked);
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.damage, ProjectTextDamage::NotWellFormed);
  EXPECT_EQ(r.project.scene.objects.size(), 4u);
}

// Where a change may fall: every quote, bracket, comma, colon and blank
// between tokens, and every backslash that escapes a quote.
std::vector<size_t> structureBytes(const std::string& text, std::vector<bool>& outside) {
  std::vector<size_t> at;
  outside.assign(text.size(), false);
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    outside[i] = !inString;
    if (inString && c == '\\') {
      if (text[i + 1] == '"') at.push_back(i);
      ++i;
      continue;
    }
    if (c == '"') inString = !inString;
    if (c == '"' || (!inString && std::string_view("{}[],: \n").find(c) != std::string_view::npos)) at.push_back(i);
  }
  return at;
}

TEST(ReaderDamage, SmallChangesToSavedFilesAreReadWholeOnlyWhenTheyAreWellFormed) {
  vk::Project project = vk_test::makeRichProject();
  for (size_t k = 0; k < 3; ++k) project.scene.objects[k].name = kOddNames[k];
  // The rich project's text is some ten times as long: fewer rounds.
  for (const auto& [saved, rounds] : {std::pair{fiveObjects(), 500}, std::pair{project, 160}}) {
    const std::string text = vk::serializeProject(saved, 0);
    const vk::ProjectLoadResult whole = vk::deserializeProject(text);
    ASSERT_EQ(whole.damage, ProjectTextDamage::None);
    std::vector<bool> outside;
    const std::vector<size_t> places = structureBytes(text, outside);
    uint32_t seed = 59;
    const auto next = [&](uint32_t n) { return ((seed = seed * 1664525u + 1013904223u) >> 8) % n; };
    int damaged = 0, refusals = 0;
    for (int round = 0; round < rounds; ++round) {
      const size_t at = places[next(static_cast<uint32_t>(places.size()))];
      std::string changed = text;
      const uint32_t kind = next(6);
      const char put = "\"{}[],:"[next(7)];
      if (kind == 0) {
        changed[at] = ' ';
      } else if (kind == 1) {
        changed.erase(at, 1);
      } else if (kind == 2 && put != text[at]) {
        changed[at] = put;
      } else if (kind == 3 && outside[at]) {
        changed.insert(at, 1, put);
      } else if (kind == 4) {
        const size_t count = std::min<size_t>(2 + next(7), text.size() - at);  // the issue's was 8: `Report":`
        changed.replace(at, count, count, ' ');
      } else if (kind == 5) {
        changed.erase(at, 2 + next(7));
      } else {
        continue;
      }
      SCOPED_TRACE(testing::Message() << "change " << kind << " at " << at << ": "
                                      << changed.substr(at > 40 ? at - 40 : 0, 80));
      const vk::ProjectLoadResult r = vk::deserializeProject(changed);
      if (refused(r)) {
        ++refusals;
        continue;
      }
      const bool wellFormed = vk_test::JsonReference(changed).wellFormed();
      ASSERT_EQ(r.damage == ProjectTextDamage::None, wellFormed);
      damaged += !wellFormed;
      // One byte changed can leave well-formed JSON only where it changes
      // nothing the reader takes (a blank); a few blanked or cut can drop a
      // whole member and still be well-formed, which no reader can tell.
      if (wellFormed && kind < 4) {
        EXPECT_EQ(r.project, whole.project);
      }
    }
    EXPECT_GT(damaged, rounds / 2);
    EXPECT_LT(refusals, rounds / 4);
  }
}

TEST(ReaderDamage, AByteOrderMarkIsPassedOverAndOtherTextBeforeTheBraceIsDamage) {
  const std::string text = vk::serializeProject(fiveObjects(), 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(text);
  const struct {
    std::string prefix;
    ProjectTextDamage damage;
  } cases[] = {
      {"\xEF\xBB\xBF", ProjectTextDamage::None},
      {"\xEF\xBB\xBF\n  ", ProjectTextDamage::None},
      {"hello ", ProjectTextDamage::TextOutside},
      {"\xC2\xA0", ProjectTextDamage::TextOutside},  // a no-break space
      {"\xEF\xBB\xBF\xEF\xBB\xBF", ProjectTextDamage::TextOutside},
      {"\xEF\xBB", ProjectTextDamage::TextOutside},
  };
  for (const auto& c : cases) {
    const vk::ProjectLoadResult r = vk::deserializeProject(c.prefix + text);
    ASSERT_TRUE(r.usable) << c.prefix;
    EXPECT_EQ(r.damage, c.damage) << c.prefix;
    EXPECT_EQ(r.project, whole.project) << c.prefix;
  }
  // The studio writes none.
  EXPECT_EQ(text.front(), '{');
}

// ---- What a damaged open keeps ----

class DamagedOpen : public vk::SceneTest {};

TEST_F(DamagedOpen, TheLostBracketOfTheSpheresFirstFaceCostsTheSphereAlone) {
  vk::addObject(vk::ObjectKind::Mesh, L"Sphere");
  vk::addObject(vk::ObjectKind::Mesh, L"Torus");
  std::string text = vk::serializeProject(app().project, 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(text);
  text.erase(text.find("\"faces\": [[", text.find("\"name\": \"Sphere\"")) + 10, 1);
  // The fuzz findings keep the same file.
  for (const std::string& damaged : {text, vk_test::readTestFile("fuzz/sphere_first_face_bracket_lost.json")}) {
    const vk::ProjectLoadResult r = vk::deserializeProject(damaged);
    ASSERT_TRUE(r.usable);
    EXPECT_NE(r.damage, ProjectTextDamage::None);
    EXPECT_EQ(r.damagedObjectsLeftOut, 1u);
    std::vector<std::wstring> names;
    for (const vk::Object& o : r.project.scene.objects) {
      names.push_back(o.name);
      const vk::Object* same = vk::findObjectById(whole.project.scene, o.id);
      ASSERT_NE(same, nullptr);
      EXPECT_EQ(o, *same) << vk_test::objectDifferences(o, *same);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Starter Cube", L"Camera", L"Point Light", L"Torus"}));
  }
}

// Every structural byte of a saved file (names holding quotes, brackets and
// commas; modifiers), and of the same without blanks, damaged in turn by
// deleting it, overwriting it or putting a byte before it (the fifteen ways
// taken over the bytes in turn): what opens holds only the file's objects.
// In the writer's layout it holds every object the damage left alone (a
// byte on an object's brace lines is that object's; the header's damage may
// refuse); without blanks, the objects before the damaged one (but the last
// of them when the damaged one's brace is lost: a member then follows it).
TEST_F(DamagedOpen, EveryStructuralByteDamagedKeepsOnlyTheFilesObjects) {
  const wchar_t* const names[] = {kOddNames[0], kOddNames[1], L"a, b: [c]"};
  for (const wchar_t* name : names) {
    vk::addObject(vk::ObjectKind::Mesh, L"Plane");
    object(app().selectedObjectId).name = name;
    vk::addModifierStackEntry(L"Mirror");
  }
  const std::string text = vk::serializeProject(app().project, 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(text);
  const std::vector<vk_test::TextSpan> blocks = vk_test::savedObjectBlocks(text);
  ASSERT_EQ(blocks.size(), 6u);
  std::vector<size_t> moved;
  const std::string flat = vk_test::withoutBlanks(text, moved);
  std::vector<vk_test::TextSpan> lines, flatBlocks;
  for (const vk_test::TextSpan& b : blocks) {
    lines.push_back({b.open - 4, b.close + 1});
    flatBlocks.push_back({moved[b.open], moved[b.close]});
  }
  for (const bool layout : {true, false}) {
    const std::string& saved = layout ? text : flat;
    const std::vector<vk_test::TextSpan>& own = layout ? blocks : flatBlocks;
    const std::vector<size_t> places = vk_test::structuralBytes(saved);
    size_t opened = 0;
    for (size_t k = 0; k < places.size(); ++k) {
      const size_t way = k % 15;
      const char put = "\"{}[],:"[way % 7];
      vk_test::OneByteDamage d{way < 7 ? vk_test::OneByteDamage::Insert : vk_test::OneByteDamage::Overwrite,
                               places[k], put};
      if (way == 14 || (d.kind == vk_test::OneByteDamage::Overwrite && saved[d.at] == put))
        d.kind = vk_test::OneByteDamage::Delete;
      const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(saved, d));
      const size_t hit = static_cast<size_t>(
          std::find_if(own.begin(), own.end(), [&](const vk_test::TextSpan& s) { return vk_test::touches(s, d); }) -
          own.begin());
      SCOPED_TRACE(testing::Message() << (layout ? "layout" : "flat") << " damage " << d.kind << " '" << put
                                      << "' at " << d.at << " in object " << hit);
      if (r.usable && r.damage == ProjectTextDamage::None) continue;  // a change the grammar cannot see
      ASSERT_TRUE(r.usable || hit == own.size() || (!layout && hit <= 1));
      if (!r.usable) continue;
      ++opened;
      const vk_test::DamagedOpenFaults faults =
          vk_test::judgeDamagedOpen(whole.project, layout ? lines : std::vector<vk_test::TextSpan>{}, d, r.project);
      ASSERT_EQ(faults.foreign + faults.untouchedLost, 0u);
      if (hit == own.size()) continue;
      const size_t read = r.project.scene.objects.size();
      EXPECT_TRUE(layout ? read == own.size() - 1 : read == hit || (read + 1 == hit && d.at == own[hit].open)) << read;
      EXPECT_EQ(r.damagedObjectsLeftOut, layout ? 1u : 0u);
      EXPECT_EQ(r.objectsAfterFaultLeftOut, !layout);
    }
    EXPECT_GT(opened, places.size() / 2);
  }
}

// References to an object left out go with it: a child's parent, the active
// camera, the timeline's focus and the collection's list.
TEST_F(DamagedOpen, ReferencesToObjectsLeftOutAreCleared) {
  vk::Project& project = app().project;
  const std::wstring cameraId = project.scene.activeCameraId;
  vk::Object& cube = project.scene.objects[0];
  ASSERT_FALSE(cameraId.empty());
  cube.parentId = cameraId;
  project.scene.timelineSettings.focusObjectId = cameraId;
  std::string text = vk::serializeProject(project, 0);
  const std::string idLine = "\"id\": \"" + std::string(cameraId.begin(), cameraId.end()) + "\"";
  const size_t camera = text.find(idLine, text.find("\"objects\""));
  text.erase(text.find("\"transform\": {", camera) + 13, 1);
  const vk::ProjectLoadResult r = vk::deserializeProject(text);
  ASSERT_TRUE(r.usable);
  ASSERT_EQ(r.project.scene.objects.size(), 2u);
  EXPECT_EQ(vk::findObjectById(r.project.scene, cameraId), nullptr);
  EXPECT_TRUE(r.project.scene.objects[0].parentId.empty());
  EXPECT_TRUE(r.project.scene.activeCameraId.empty());
  EXPECT_TRUE(r.project.scene.timelineSettings.focusObjectId.empty());
  ASSERT_EQ(r.project.scene.collections.size(), 1u);
  EXPECT_EQ(r.project.scene.collections[0].objectIds.size(), 2u);
}

}  // namespace
