#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "persistence/persistence.h"
#include "project_fixture.h"
#include "reader_fuzz_check.h"

namespace {

// Hostile and damaged texts: the reader must stay linear, never recurse per
// byte or nesting level, and answer with fallbacks.

int fuzzOne(const std::string& text) {
  return vkFuzzReadProject(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(ReaderRobustness, HugeValuesAndRunsReadWithoutACrash) {
  const std::string report(5 * 1024 * 1024, 'r');
  auto r = vk::deserializeProject(R"({ "scene": {}, "objects": [{ "id": "obj-1", "importedAssetImportReport": ")" + report +
                                   R"(", "name": "after" }] })");
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.project.scene.objects[0].importedAssetImportReport.size(), report.size());
  EXPECT_EQ(r.project.scene.objects[0].name, L"after");

  // A string of escaped quotes decodes without recursion.
  std::string escapes;
  for (int i = 0; i < 500000; ++i) escapes += "\\\"";
  r = vk::deserializeProject(R"({ "objects": [{ "name": ")" + escapes + R"(" }] })");
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.project.scene.objects[0].name.size(), 500000u);

  const std::string digits(1024 * 1024, '7');
  r = vk::deserializeProject(R"({ "schema": )" + digits + R"(, "objects": [{ "mesh": { "vertices": )" + digits + " } }] }");
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.project.schema, 66100);  // stamped after the read

  const std::string blanks(1024 * 1024, ' ');
  r = vk::deserializeProject("{" + blanks + "\"objects\"" + blanks + ":" + blanks + "[" + blanks + "{" + blanks + "}" + blanks + "]}");
  EXPECT_TRUE(r.usable);

  // Deep nesting costs no stack.
  const std::string deep = R"({ "objects": [{ "name": "x", "deep": )" + std::string(1000000, '[') + std::string(1000000, ']') + " }] }";
  r = vk::deserializeProject(deep);
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.project.scene.objects[0].name, L"x");
  EXPECT_FALSE(vk::deserializeProject(std::string(1000000, '{')).usable);
}

TEST(ReaderRobustness, NumbersOutOfRangeGiveFallbacks) {
  const auto r = vk::deserializeProject(R"({ "objects": [{ "transform": { "position": { "x": 1e999, "y": -1e999, "z": 2 } },
      "camera": { "fov": 1e999 }, "material": { "r": 1e999, "g": 9e18 },
      "meshData": { "vertices": [{ "x": 1e999, "y": 0, "z": 0 }, { "x": 1, "y": 0, "z": 0 }, { "x": 0, "y": 1, "z": 0 }],
                    "faces": [[0, 1, 2], [99999999999, 1, 2]] } }] })");
  ASSERT_TRUE(r.usable);
  const vk::Object& o = r.project.scene.objects[0];
  EXPECT_EQ(o.transform.position, (vk::Vec3{0, 0, 2}));
  EXPECT_EQ(o.camera.fov, 50);
  EXPECT_EQ(o.materialSlots.slots[0].r, 72);
  EXPECT_EQ(o.materialSlots.slots[0].g, 0);  // out of 32-bit range, then clamped
  EXPECT_EQ(o.meshData.faces.size(), 1u);    // the face with an out-of-range index is dropped by the guard
}

TEST(ReaderRobustness, EveryTruncationOfASavedProjectIsSafe) {
  const std::string text = vk::serializeProject(vk_test::makeRichProject(), 0);
  size_t usableCount = 0;
  for (size_t cut = 0; cut < text.size(); cut += 97) {
    const auto r = vk::deserializeProject(std::string_view(text).substr(0, cut));
    usableCount += r.usable;
    if (r.usable) {
      EXPECT_EQ(r.damage, vk::ProjectTextDamage::EndsEarly) << cut;
    }
    EXPECT_EQ(fuzzOne(text.substr(0, cut)), 0);
  }
  EXPECT_GT(usableCount, 0u);  // cuts after the first object still give it
}

// A cut or overwritten text gives the objects it still holds whole, as
// ever, and says it was not whole; a whole one, blanks after it included,
// does not.
TEST(ReaderRobustness, ATextThatIsNotWholeSaysSoAndKeepsTheObjectsItHolds) {
  using vk::ProjectTextDamage;
  const std::string text = vk::serializeProject(vk_test::makeRichProject(), 0);  // eight objects
  const size_t eighth = text.rfind("\n    {\n") + 1;
  const size_t seventhCloser = text.rfind("\n    },\n") + 5;
  std::string unclosedSeventh = text, garbled = text;
  unclosedSeventh[seventhCloser] = ' ';
  garbled.replace(text.find("\n      },", eighth) + 7, 2, "#@");  // the eighth object's first block closer
  const struct {
    const char* what;
    std::string text;
    ProjectTextDamage damage;
    size_t objects;
  } cases[] = {
      {"whole", text, ProjectTextDamage::None, 8},
      {"blank lines and spaces after it", text + "\n  \n\t\r\n", ProjectTextDamage::None, 8},
      {"cut in a string", text.substr(0, text.find("\"name\": \"", eighth) + 11), ProjectTextDamage::EndsEarly, 7},
      {"cut in a number", text.substr(0, text.find("\"x\": ", eighth) + 7), ProjectTextDamage::EndsEarly, 7},
      {"cut between objects", text.substr(0, seventhCloser + 3), ProjectTextDamage::EndsEarly, 7},
      {"cut before the last bracket", text.substr(0, text.size() - 4), ProjectTextDamage::EndsEarly, 8},
      {"cut before the last brace", text.substr(0, text.size() - 2), ProjectTextDamage::EndsEarly, 8},
      {"an object's closing brace overwritten", unclosedSeventh, ProjectTextDamage::Unclosed, 7},
      {"garbage over a block's closer", garbled, ProjectTextDamage::Unclosed, 7},  // the eighth's own text
      {"text after the end", text + "}\n", ProjectTextDamage::TextOutside, 8},
      {"the first brace cut", text.substr(1), ProjectTextDamage::TextOutside, 8},
  };
  for (const auto& c : cases) {
    const vk::ProjectLoadResult r = vk::deserializeProject(c.text);
    ASSERT_TRUE(r.usable) << c.what;
    EXPECT_EQ(r.damage, c.damage) << c.what;
    EXPECT_EQ(r.project.scene.objects.size(), c.objects) << c.what;
  }
}

TEST(ReaderRobustness, StrayBracesAndGarbageAreSearchedSafely) {
  for (const char* text : {"}}}}]]]]", "{{{{", "\"\"\"\"", "{\"objects\": [}]}", "{\"objects\": [{]}",
                           "{\"objects\": [{\"a\":}]}", "{\"objects\" [{}]}", "{\"objects\": [{\"id\": \"a\\",
                           "\\\\\\", ":::,,,", "{\"objects\": [{\"meshData\": {\"vertices\": [{,}], \"faces\": [[,],]}}]}"}) {
    EXPECT_EQ(fuzzOne(text), 0) << text;
  }
  // A stray closer inside the first item of a text on one line: nothing
  // after it is told apart, so no object is left to read.
  const auto r = vk::deserializeProject(R"({ "scene": {}, "objects": [{ "name": "a" ]}, { "name": "b" }] })");
  EXPECT_FALSE(r.usable);
}

// Lines that look like an object's first or last line, by the hundred
// thousand, in a damaged text: each is scanned a fixed number of times.
TEST(ReaderRobustness, DamagedTextsOfManyObjectLinesReadInLinearTime) {
  const std::string head = "{\n  \"scene\": {},\n  \"objects\": [\n";
  std::string closers = head + "    {\n      \"id\": \"obj-1\",\n";
  std::string openers = head;
  for (int i = 0; i < 200000; ++i) {
    closers += "    },\n";
    openers += "    {\n      \"id\": \"obj-1\",\n";
  }
  for (const std::string& text : {closers, openers}) {
    const vk::ProjectLoadResult r = vk::deserializeProject(text + "  ]\n}\n");
    EXPECT_FALSE(r.usable);
    EXPECT_FALSE(r.overObjectBudget);
  }
}

TEST(ReaderRobustness, SavedFuzzInputsStaySafe) {
  const std::filesystem::path folder = std::filesystem::path(VK_TEST_DATA_DIR) / "persistence" / "fuzz";
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzOne(bytes), 0) << entry.path();
    // The fuzz check passes over crowded inputs; the replay still reads them.
    (void)vk::deserializeProject(bytes);
    ++count;
  }
  EXPECT_GT(count, 0u);
}

// The fuzz check re-saves each input and reads damaged copies of that text:
// its reads stay within a budget of the input's size however large the
// text re-saves (objects counted after a stray byte, objects a damaged text
// gives beyond its items), and an ordinary project still gets every copy.
TEST(ReaderRobustness, TheFuzzCheckReadsWithinABudgetOfItsInput) {
  const std::string afterStrayByte = vk_test::readTestFile("fuzz/slow_unit_601_empty_objects_after_a_stray_byte.json");
  EXPECT_EQ(vkFuzzObjectItems(afterStrayByte), 601u);
  std::string blocksInAnUnclosedItem = "{\n  \"scene\": {},\n  \"objects\": [\n    {\n";
  for (int i = 0; i < 300; ++i) blocksInAnUnclosedItem += "    {\n    },\n";
  for (const std::string& text : {afterStrayByte, blocksInAnUnclosedItem}) {
    const VkFuzzWork work = vkFuzzCheckProject(text);
    EXPECT_LE(work.bytesReadAgain, vkFuzzReadBudget(text.size())) << text.substr(0, 40);
  }
  EXPECT_EQ(vkFuzzCheckProject(vk_test::readTestFile("golden_project.json")).damagedCopies, 14u);
}

// A few bytes per item would each become a whole object (kilobytes): the
// items are counted first, and a file with more than a project may hold is
// refused before one is built. The most a project may hold still reads.
TEST(ReaderRobustness, ObjectItemsPastTheBudgetAreRefusedBeforeBuilding) {
  const auto items = [](std::size_t count) {
    std::string text = "{ \"scene\": {}, \"objects\": [";
    for (std::size_t i = 0; i < count; ++i) text += i ? ",{}" : "{}";
    return text + "] }";
  };
  vk::ProjectLoadResult r = vk::deserializeProject(items(vk::kProjectObjectLimit + 1));
  EXPECT_TRUE(r.overObjectBudget);
  EXPECT_FALSE(r.usable);
  EXPECT_TRUE(r.project.scene.objects.empty());
  // 300 KB of items, the size that once took 11 s and 894 MB.
  r = vk::deserializeProject(items(150000));
  EXPECT_TRUE(r.overObjectBudget);
  // Items nested deeper or not objects are not counted.
  r = vk::deserializeProject("{ \"scene\": {}, \"objects\": [{ \"objects\": [{}, {}] }, 1, \"{}\"] }");
  EXPECT_FALSE(r.overObjectBudget);
  EXPECT_EQ(r.project.scene.objects.size(), 1u);

  r = vk::deserializeProject(items(vk::kProjectObjectLimit));
  EXPECT_FALSE(r.overObjectBudget);
  ASSERT_TRUE(r.usable);
  EXPECT_EQ(r.project.scene.objects.size(), vk::kProjectObjectLimit);
}

}  // namespace
