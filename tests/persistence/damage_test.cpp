// A byte or a few changed in a file the studio saved, where names full of
// quotes, braces and brackets put structure inside strings: the reader says
// the text is whole exactly when it is well-formed JSON, and then reads what
// the saved file held; otherwise it says the file is damaged, or refuses it.
// A byte order mark before the document is passed over; other text before
// it is damage, as text after it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/objects.h"
#include "json_reference.h"
#include "persistence/persistence.h"
#include "project_fixture.h"

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

}  // namespace
