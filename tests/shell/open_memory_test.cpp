// The studio's Open keeps within the project reader's memory bound whatever
// long texts the file holds: what the panels, caches and reports make of a
// text after reading counts, not only the reader's own work.
#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_measure.h"
#include "persistence/persistence.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using vk::test::kSanitized;

struct OpenOutcome {
  long long peakBytes = -1;  // what the open added to the studio's memory at most
  long long objects = -1;    // the scene's objects after it
  long long boxes = -1;      // message boxes it showed
};

// Starts the studio in a child process (so nothing else this process did
// counts), opens `path` through the Open command, shows every rail panel,
// and reports.
OpenOutcome openInChild(const std::filesystem::path& path, const std::wstring& settings) {
  const auto report = vk::test::measureInChild<3>([&](vk::test::ChildClock& clock) {
    harness::Options options;
    options.fontFile = VK_TEST_FONT;
    options.settingsPath = settings;
    if (harness::start(options) != 0) return std::array<long long, 3>{-1, -1, -1};
    clock.start();
    headless::answerFileDialog(wideFromPath(path));
    harness::sendCommand(kCmdOpenProject);
    for (int rail : {kCmdRailAssets, kCmdRailMaterials, kCmdRailScene, kCmdRailHistory, kCmdRailOutliner})
      harness::sendCommand(rail);
    harness::pump();
    return std::array<long long, 3>{0, static_cast<long long>(appState().project.scene.objects.size()),
                                    static_cast<long long>(headless::messageBoxes().size())};
  });
  if (!report.measured || report.values[0] != 0) return {};
  return {report.peakBytes, report.values[1], report.values[2]};
}

class OpenMemory : public StudioTest {};

TEST_F(OpenMemory, LongTextsStayWithinTheReadersBoundThroughTheStudio) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory is counted in the resident size";
  // A long text of `units` copies of `unit` in place of `slot` in an object
  // that also has a modifier entry and a texture map, which the previews and
  // the inspector copy.
  const auto object = [](const std::string& slot, const std::string& unit, size_t units) {
    std::string item = R"({ "id": "obj-1", "name": "Shape", "kind": "Mesh", "importedAssetImportReport": "report",
      "modifierStack": { "entries": [{ "type": "Mirror", "status": "mirrored" }] },
      "materialSlots": { "slots": [{ "textureMaps": { "maps": [{ "channel": "color", "colorSpace": "sRGB" }] } }] } })";
    std::string text;
    text.reserve(item.size() + unit.size() * units);
    for (size_t i = 0; i < units; ++i) text += unit;
    item.replace(item.find(slot), slot.size(), text);
    return R"({ "scene": {}, "objects": [)" + item + "] }";
  };
  struct Case {
    const char* name;
    std::string slot;
    std::string unit;
    size_t units;
    bool opens;
  };
  // Large enough that one more whole copy of the text would pass the bound.
  const Case cases[] = {
      {"an import report of lines", "report", "line\\n", 14 << 20, true},
      {"a name", "Shape", "abcdefgh", 1 << 20, true},
      {"a modifier status", "mirrored", "abcdefgh", 1 << 20, true},
      {"a texture map's colour space", "sRGB", "abcdefgh", 1 << 19, true},
      {"a name past what the studio may copy", "Shape", "abcdefgh", 4 << 20, false},
  };
  for (const Case& c : cases) {
    const std::filesystem::path path = folder_ / "long.json";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << object(c.slot, c.unit, c.units);
    const uint64_t size = std::filesystem::file_size(path);
    const OpenOutcome outcome = openInChild(path, settings_);
    ASSERT_GE(outcome.peakBytes, 0) << c.name;
    EXPECT_LE(static_cast<uint64_t>(outcome.peakBytes), kProjectMemoryLimitFactor * size + kProjectMemoryLimitFixedBytes)
        << c.name;
    EXPECT_EQ(outcome.boxes, c.opens ? 0 : 1) << c.name;
    if (c.opens) {
      EXPECT_EQ(outcome.objects, 1) << c.name;
    }
  }
}

}  // namespace
}  // namespace vk::testing
