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
#include "child_measure.h"
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
// refuse); without blanks, the objects before the damaged one (and that one
// too when a closer put before one of its own leaves its text whole).
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
      EXPECT_TRUE(layout ? read == own.size() - 1 : read == hit || read == hit + 1) << read;
      // Flat, the last quote lost leaves a well-formed start, read as a cut
      // inside the last object.
      const bool cut = !layout && r.damage == ProjectTextDamage::EndsEarly && hit + 1 == own.size();
      EXPECT_EQ(r.damagedObjectsLeftOut, layout || cut ? 1u : 0u);
      EXPECT_EQ(r.objectsAfterFaultLeftOut, !layout && !cut);
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

// ---- One damage inside one object ----

namespace {

// A saved file of six objects as commands make them: the new project's
// three, then planes named with quotes, braces, brackets and commas, each
// with a Mirror modifier (whose entry is a block of lines of its own), and
// the camera parented to the first plane.
std::string savedSixObjects(vk::AppState& app) {
  const wchar_t* const names[] = {kOddNames[0], kOddNames[1], L"a, b: [c]"};
  for (const wchar_t* name : names) {
    vk::addObject(vk::ObjectKind::Mesh, L"Plane");
    vk::findObjectById(app.selectedObjectId)->name = name;
    vk::addModifierStackEntry(L"Mirror");
  }
  vk::ObjectList& objects = app.project.scene.objects;
  objects[1].parentId = std::as_const(objects)[3].id;
  return vk::serializeProject(app.project, 0);
}

// The project without its objects and what names them.
vk::Project settingsOf(vk::Project project) {
  project.scene.objects.clear();
  project.scene.collections.clear();
  project.scene.activeCameraId.clear();
  project.scene.timelineSettings.focusObjectId.clear();
  return project;
}

// What is wrong with a damaged open of a text whose `fileObjects` objects
// all lie in `blocks` (the writer's layout or the re-indented one; empty for
// the minified text): "" when nothing is. No damaged open is empty or holds
// an object the whole file does not; in a layout the objects read and the
// damaged ones left out are the file's, every untouched one among those
// read; otherwise fewer objects read than the file holds are said to be
// left out. The settings before the objects are the whole file's.
std::string damagedOpenFault(const vk::ProjectLoadResult& whole, const std::vector<vk_test::TextSpan>& blocks,
                             const vk_test::OneByteDamage& d, const vk::ProjectLoadResult& r, size_t fileObjects) {
  if (!r.usable) return "refused";
  if (r.damage == ProjectTextDamage::None) return "";  // a change the grammar cannot see
  const size_t read = r.project.scene.objects.size();
  const vk_test::DamagedOpenFaults faults = vk_test::judgeDamagedOpen(whole.project, blocks, d, r.project);
  std::string fault;
  if (read == 0) fault += " empty";
  if (faults.foreign > 0) fault += " foreign " + std::to_string(faults.foreign);
  if (faults.untouchedLost > 0) fault += " lost " + std::to_string(faults.untouchedLost);
  if (!blocks.empty() && read + r.damagedObjectsLeftOut != fileObjects)
    fault += " counted " + std::to_string(read) + "+" + std::to_string(r.damagedObjectsLeftOut);
  if (read < fileObjects && r.damagedObjectsLeftOut == 0 && !r.objectsAfterFaultLeftOut) fault += " untold";
  if (r.damagedSettingsLeftOut > 0 || !(settingsOf(r.project) == settingsOf(whole.project))) fault += " settings";
  return fault;
}

vk_test::TextSpan blockLines(const vk_test::TextSpan& block) { return {block.open - 4, block.close + 1}; }

// The saved text in the writer's layout (0), re-indented as common tools
// print it (1) or minified (2), with each object's own text and (in the two
// layouts) the lines of its braces.
struct LaidOut {
  std::string text;
  std::vector<vk_test::TextSpan> blocks, lines;
};
LaidOut laidOut(const std::string& saved, int layout) {
  LaidOut out;
  std::vector<size_t> moved;
  out.text = layout == 0 ? saved : layout == 1 ? vk_test::reindented(saved) : vk_test::withoutBlanks(saved, moved);
  out.blocks = vk_test::savedObjectBlocks(layout == 2 ? saved : out.text);
  for (vk_test::TextSpan& b : out.blocks) {
    if (layout == 2) b = {moved[b.open], moved[b.close]};
    if (layout < 2) out.lines.push_back(blockLines(b));
  }
  return out;
}

}  // namespace

// A "}" or "]" written over any of the first three blanks of any line inside
// an object, or put in front of it, in the writer's layout and in the
// two-blank one common tools print: only that object is left out, and the
// box counts it. Such a line once ended the "objects" array, so every
// object after it was lost, and on the first object's lines the file was
// refused or opened empty.
TEST_F(DamagedOpen, ABracketAtTheStartOfAnyLineInsideAnObjectCostsThatObjectAlone) {
  const std::string saved = savedSixObjects(app());
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  for (const bool reindented : {false, true}) {
    const std::string text = reindented ? vk_test::reindented(saved) : saved;
    ASSERT_EQ(vk::deserializeProject(text).damage, ProjectTextDamage::None);
    const std::vector<vk_test::TextSpan> blocks = vk_test::savedObjectBlocks(text);
    ASSERT_EQ(blocks.size(), 6u);
    std::vector<vk_test::TextSpan> lines;
    for (const vk_test::TextSpan& b : blocks) lines.push_back(blockLines(b));
    size_t damages = 0;
    for (const vk_test::TextSpan& b : blocks) {
      // The re-indented text has some five times the lines: every third.
      size_t line = 0;
      for (size_t begin = text.find('\n', b.open) + 1; begin < b.close - 4; begin = text.find('\n', begin) + 1) {
        if (reindented && line++ % 3 != 0) continue;
        for (const char put : {'}', ']'}) {
          for (const vk_test::OneByteDamage d :
               {vk_test::OneByteDamage{vk_test::OneByteDamage::Insert, begin, put},
                {vk_test::OneByteDamage::Overwrite, begin, put}, {vk_test::OneByteDamage::Overwrite, begin + 1, put},
                {vk_test::OneByteDamage::Overwrite, begin + 2, put}}) {
            const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
            ASSERT_EQ(damagedOpenFault(whole, lines, d, r, 6), "")
                << (reindented ? "re-indented" : "layout") << " '" << put << "' at " << d.at << ": "
                << text.substr(begin, text.find('\n', begin) - begin);
            EXPECT_EQ(r.damagedObjectsLeftOut, 1u);
            ++damages;
          }
        }
      }
    }
    EXPECT_GT(damages, 2000u);
  }
}

// A byte written over a blank before an object's opening brace, or put in
// front of its line, lies outside every object's text: every object opens.
TEST_F(DamagedOpen, ADamageBeforeAnObjectsOpeningBraceCostsNoObject) {
  const std::string saved = savedSixObjects(app());
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  for (const int layout : {0, 1}) {
    const LaidOut laid = laidOut(saved, layout);
    for (const vk_test::TextSpan& b : laid.blocks) {
      for (const char put : {'}', ']', '"', 'x'}) {
        for (const vk_test::OneByteDamage d :
             {vk_test::OneByteDamage{vk_test::OneByteDamage::Insert, b.open - 4, put},
              {vk_test::OneByteDamage::Overwrite, b.open - 4, put}, {vk_test::OneByteDamage::Overwrite, b.open - 1, put}}) {
          const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(laid.text, d));
          ASSERT_TRUE(r.usable);
          EXPECT_EQ(r.project.scene.objects, whole.project.scene.objects)
              << "layout " << layout << " " << d.kind << " '" << put << "' at " << d.at;
          EXPECT_EQ(r.damagedObjectsLeftOut, 0u);
        }
      }
    }
  }
}

// Any one byte deleted, put in or written over inside one object, in the
// writer's layout, the re-indented one and the minified one: a brace,
// bracket, comma, colon, quote, line break or letter.
TEST_F(DamagedOpen, AnyByteDamagedInsideOneObjectCostsThatObjectAlone) {
  const std::string saved = savedSixObjects(app());
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  for (const int layout : {0, 1, 2}) {
    const LaidOut laid = laidOut(saved, layout);
    const std::string& text = laid.text;
    const std::vector<vk_test::TextSpan>& blocks = laid.blocks;
    const std::vector<vk_test::TextSpan>& lines = laid.lines;
    uint32_t seed = 67;
    const auto next = [&](size_t n) { return ((seed = seed * 1664525u + 1013904223u) >> 8) % n; };
    size_t damaged = 0;
    for (int round = 0; round < 700; ++round) {
      const vk_test::TextSpan& b = blocks[next(blocks.size())];
      const vk_test::OneByteDamage d{static_cast<vk_test::OneByteDamage::Kind>(next(3)),
                                     b.open + 1 + next(b.close - b.open - 1), "{}[],:\"\na"[next(9)]};
      const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
      // Minified, a fault in the first object leaves nothing before it.
      if (layout == 2 && !r.usable && d.at < blocks[1].open) continue;
      ASSERT_EQ(damagedOpenFault(whole, lines, d, r, 6), "")
          << "layout " << layout << " damage " << d.kind << " '" << d.put << "' at " << d.at << ": "
          << text.substr(d.at - std::min<size_t>(d.at, 40), 80);
      damaged += r.damage != ProjectTextDamage::None;
    }
    EXPECT_GT(damaged, 250u);
  }
}

// A text cut anywhere (every byte; every 29th under the sanitizers) in the
// writer's layout, the two-blank one and the minified one, with LF or CR LF
// line ends: one cut before its first object's end (inside the array's own
// line among them) is refused, never opened empty; any other keeps the
// objects before it, counts the one it fell in as left out, and its box says
// the text ends early, and that objects after the last one read may be
// missing exactly when the cut fell before the array's end. No cut is said
// to have left out the objects after a damage.
TEST_F(DamagedOpen, ACutAnywhereKeepsTheObjectsBeforeItAndSaysTheTextEndsEarly) {
  // The new project's camera and light, and an empty whose name closes an
  // object, the array and the document (the cube's mesh would make the file
  // three times as long).
  vk::addObject(vk::ObjectKind::Empty, L"]}]}\"\" Rig");
  vk::ObjectList& objects = app().project.scene.objects;
  objects.erase(std::as_const(objects).begin());
  const std::string saved = vk::serializeProject(app().project, 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  for (const int layout : {0, 1, 2, 3}) {
    // 3: the writer's layout with CR LF line ends, judged against its LF copy.
    const LaidOut laid = laidOut(saved, layout % 3);
    std::string crlf;
    for (const char c : laid.text) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    const std::string& text = layout == 3 ? crlf : laid.text;
    const auto lf = [&](size_t at) { return layout == 3 ? at - std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\r') : at; };
    const std::vector<vk_test::TextSpan>& blocks = laid.blocks;
    // Just past the array's "]": a cut up to it may have taken objects.
    const size_t arrayEnd = layout == 2 ? laid.text.rfind(']') + 1 : laid.text.rfind("\n  ]") + 4;
    for (size_t at = 0; at < text.size(); at += vk::test::kSanitized ? 29 : 1) {
      const vk::ProjectLoadResult r = vk::deserializeProject(std::string_view(text).substr(0, at));
      const size_t cut = lf(at);
      const auto before = [&](auto edge) {
        return static_cast<size_t>(std::count_if(blocks.begin(), blocks.end(), [&](const vk_test::TextSpan& b) { return edge(b) < cut; }));
      };
      const size_t inFile = before([](const vk_test::TextSpan& b) { return b.open; });
      const std::vector<vk_test::TextSpan> kept(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(before([](const vk_test::TextSpan& b) { return b.close; })));
      SCOPED_TRACE(testing::Message() << "layout " << layout << " cut at " << at << ": "
                                      << text.substr(at - std::min<size_t>(at, 40), 40));
      if (kept.empty()) {
        ASSERT_FALSE(r.usable);
        continue;
      }
      // Only the final line break (and its CR) may go unseen.
      if (r.usable && r.damage == ProjectTextDamage::None && text.find_first_not_of("\r\n", at) == std::string::npos) continue;
      const vk_test::OneByteDamage none{vk_test::OneByteDamage::Insert, cut, 0};
      ASSERT_EQ(damagedOpenFault(whole, layout != 2 ? kept : std::vector<vk_test::TextSpan>{}, none, r, inFile), "");
      ASSERT_EQ(r.damage, ProjectTextDamage::EndsEarly);
      ASSERT_EQ(r.damagedObjectsLeftOut, inFile - kept.size());
      ASSERT_FALSE(r.objectsAfterFaultLeftOut);
      ASSERT_EQ(r.endsInsideObjects, cut < arrayEnd);
    }
  }
}

// Damage before the objects (the document's settings, the scene's, the
// collections) in the writer's layout and the re-indented one: every object
// opens, each setting is the file's or, when its own text is damaged, its
// default, and the box counts those. In the minified text such damage
// leaves nothing before it, and the file is refused (but for a byte outside
// the document's braces, which leaves the document whole).
TEST_F(DamagedOpen, ADamageBeforeTheObjectsKeepsEverySettingWhoseOwnTextIsWhole) {
  vk::Project& project = app().project;
  project.name = L"Damaged \"header\" [1]";
  project.scene.name = L"Shot: {a}, [b]";
  project.scene.renderSettings.outputWidth = 640;
  project.scene.timelineSettings.frameEnd = 48;
  project.scene.presetBrowser.categoryFilter = L"Lighting";
  const std::string saved = vk::serializeProject(project, 0);
  const vk::ProjectLoadResult whole = vk::deserializeProject(saved);
  const vk::Project defaults = vk::deserializeProject("{\"objects\": [{}]}").project;
  for (const int layout : {0, 1, 2}) {
    const std::string text = layout == 0 ? saved : layout == 1 ? vk_test::reindented(saved) : vk_test::withoutBlanks(saved);
    const std::vector<size_t> places = vk_test::structuralBytes(text.substr(0, text.find("\"objects\"")));
    size_t opened = 0;
    for (size_t k = 0; k < places.size() * 3; ++k) {
      const size_t way = k % 15;
      vk_test::OneByteDamage d{way < 7 ? vk_test::OneByteDamage::Insert : vk_test::OneByteDamage::Overwrite,
                               places[k / 3], "\"{}[],:"[way % 7]};
      if (way == 14 || (d.kind == vk_test::OneByteDamage::Overwrite && text[d.at] == d.put))
        d.kind = vk_test::OneByteDamage::Delete;
      const vk::ProjectLoadResult r = vk::deserializeProject(vk_test::damaged(text, d));
      SCOPED_TRACE(testing::Message() << "layout " << layout << " damage " << d.kind << " '" << d.put << "' at "
                                      << d.at << ": " << text.substr(d.at - std::min<size_t>(d.at, 40), 80));
      if (r.usable && r.damage == ProjectTextDamage::None) continue;
      // Minified, only text outside the document's braces leaves it whole;
      // a misnamed scene block leaves every scene setting at its default.
      if (layout == 2 && r.usable && r.damage == ProjectTextDamage::SceneNameDamaged) {
        EXPECT_EQ(r.project.scene.objects, whole.project.scene.objects);
        EXPECT_EQ(r.project.scene.renderSettings, defaults.scene.renderSettings);
        EXPECT_EQ(r.damagedSettingsLeftOut, 9u);
        continue;
      }
      if (layout == 2 && (!r.usable || r.damage != ProjectTextDamage::TextOutside)) {
        EXPECT_FALSE(r.usable);
        continue;
      }
      ASSERT_TRUE(r.usable);
      ++opened;
      EXPECT_EQ(r.project.scene.objects, whole.project.scene.objects);
      EXPECT_EQ(r.damagedObjectsLeftOut, 0u);
      ASSERT_LE(r.damagedSettingsLeftOut, 1u);
      const vk::Project& a = r.project;
      const vk::Project& w = whole.project;
      size_t differ = 0;
      const auto expectFileOrDefault = [&](const auto& got, const auto& file, const auto& fallback, const char* what) {
        differ += !(got == file);
        EXPECT_TRUE(got == file || got == fallback) << what;
      };
      expectFileOrDefault(a.name, w.name, defaults.name, "name");
      expectFileOrDefault(a.schema, w.schema, defaults.schema, "schema");
      expectFileOrDefault(a.scene.id, w.scene.id, defaults.scene.id, "scene id");
      expectFileOrDefault(a.scene.name, w.scene.name, defaults.scene.name, "scene name");
      expectFileOrDefault(a.scene.activeCameraId, w.scene.activeCameraId, defaults.scene.activeCameraId, "camera");
      expectFileOrDefault(a.scene.viewportShadingMode, w.scene.viewportShadingMode,
                          defaults.scene.viewportShadingMode, "shading");
      expectFileOrDefault(a.scene.renderSettings, w.scene.renderSettings, defaults.scene.renderSettings, "render");
      expectFileOrDefault(a.scene.timelineSettings, w.scene.timelineSettings, defaults.scene.timelineSettings,
                          "timeline");
      expectFileOrDefault(a.scene.presetBrowser, w.scene.presetBrowser, defaults.scene.presetBrowser, "presets");
      expectFileOrDefault(a.scene.capsuleBrowser, w.scene.capsuleBrowser, defaults.scene.capsuleBrowser, "capsules");
      EXPECT_LE(differ, r.damagedSettingsLeftOut);
    }
    if (layout < 2) {
      EXPECT_GT(opened, places.size() / 2);
    }
  }
}
