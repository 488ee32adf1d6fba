// The studio's Open keeps within the project reader's memory bound whatever
// long texts the file holds: what the panels, caches and reports make of a
// text after reading counts, not only the reader's own work.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "persistence/persistence.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

long residentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct OpenOutcome {
  long long peakBytes = -1;  // what the open added to the studio's memory at most
  long long objects = -1;    // the scene's objects after it
  long long boxes = -1;      // message boxes it showed
};

// Starts the studio in a child process (so nothing else this process did
// counts), opens `path` through the Open command, shows every rail panel,
// and reports.
OpenOutcome openInChild(const std::filesystem::path& path, const std::wstring& settings) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    harness::Options options;
    options.fontFile = VK_TEST_FONT;
    options.settingsPath = settings;
    long long report[3] = {-1, -1, -1};
    if (harness::start(options) == 0) {
      const long before = residentKiB();
      headless::answerFileDialog(wideFromPath(path));
      harness::sendCommand(kCmdOpenProject);
      for (int rail : {kCmdRailAssets, kCmdRailMaterials, kCmdRailScene, kCmdRailHistory, kCmdRailOutliner})
        harness::sendCommand(rail);
      harness::pump();
      rusage usage{};
      getrusage(RUSAGE_SELF, &usage);
      report[0] = (usage.ru_maxrss - before) * 1024LL;
      report[1] = static_cast<long long>(appState().project.scene.objects.size());
      report[2] = static_cast<long long>(headless::messageBoxes().size());
    }
    const ssize_t written = write(pipeEnds[1], report, sizeof report);
    _exit(written == sizeof report ? 0 : 1);
  }
  close(pipeEnds[1]);
  long long report[3] = {-1, -1, -1};
  const ssize_t got = child > 0 ? read(pipeEnds[0], report, sizeof report) : 0;
  close(pipeEnds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  if (got != sizeof report) return {};
  return {report[0], report[1], report[2]};
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
