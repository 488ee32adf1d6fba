// The rules of the command table: every id the studio offers has a row that
// runs something, every button row brings its tip and icon, and the texts
// the menus and tips show come from the rows; and scripts/check_ids, which
// keeps every id written by name, and scripts/check_file_opens, which keeps
// every file opened by the platform's file reader and writer.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"
#include "test_temp_folder.h"

namespace vk::testing {
namespace {

class CommandTable : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1484, 821);
  }
  static void collect(const std::vector<PopupItem>& items, std::vector<int>& ids) {
    for (const PopupItem& item : items) {
      if (item.id != 0) ids.push_back(item.id);
      collect(item.submenu, ids);
    }
  }
  static UiHandles& ui() { return appState().ui; }
  static std::wstring tipOf(HWND control) {
    for (const HoverTipEntry& entry : appState().hoverTips)
      if (entry.control == control) return entry.text;
    return L"(none)";
  }
  static const PopupItem& submenu(const std::vector<PopupItem>& items, const std::wstring& label) {
    for (const PopupItem& item : items)
      if (item.label == label + L"  >") return item;
    static const PopupItem none;
    ADD_FAILURE() << "no submenu";
    return none;
  }
};

TEST_F(CommandTable, EveryOfferedIdHasOneRunnableRowAndEveryRowIsOffered) {
  std::set<int> seen;
  for (const CommandRow* row : commandRows()) {
    EXPECT_TRUE(seen.insert(row->id).second) << "twice: " << row->id;
    EXPECT_NE(row->run, nullptr) << row->id;
    EXPECT_EQ(findCommandRow(row->id), row) << row->id;
  }
  std::vector<int> offered;
  for (int menu = kMenuFirst; menu <= kMenuLast; ++menu) collect(popupMenuItems(menu), offered);
  collect(projectionMenuItems(), offered);
  collect(outlinerContextMenuItems(), offered);
  for (int panel = 0; panel < kRailPanelCount; ++panel)
    for (int slot = 1; slot <= kRailSlotCount; ++slot) offered.push_back(railSlotCommand(panel, slot));
  for (int id : offered) {
    if (id >= kCmdPresetCatalogBase) continue;  // catalog rows, not commands
    const CommandRow* row = findCommandRow(id);
    ASSERT_NE(row, nullptr) << id;
    EXPECT_NE(row->run, nullptr) << id;
  }
  EXPECT_EQ(findCommandRow(kMenuFile), nullptr);
  EXPECT_EQ(findCommandRow(kCmdRailSlot1), nullptr);
  // And the other way: no row that nothing offers, but the deferred import.
  const std::set<int> reachable(offered.begin(), offered.end());
  for (const CommandRow* row : commandRows())
    EXPECT_TRUE(reachable.count(row->id) || row->button || row->id == kCmdImportGltfDeferred) << row->id;
}

TEST_F(CommandTable, EveryButtonRowHasItsButtonTipAndIcon) {
  int buttons = 0;
  for (const CommandRow* row : commandRows()) {
    const bool hasButton = row->button != nullptr;
    EXPECT_EQ(hasButton, row->group != ButtonGroup::none) << row->id;
    const bool neverPlaced = (row->flags & kNeverPlaced) != 0;
    EXPECT_TRUE(hasButton || !neverPlaced) << row->id;
    if (!hasButton) continue;
    ++buttons;
    ASSERT_NE(row->tip, nullptr) << row->id;
    EXPECT_NE(row->glyph, Glyph::none) << row->id;
    HWND button = mainButton(row->id);
    ASSERT_NE(button, nullptr) << row->id;
    EXPECT_EQ(tipOf(button), row->tip) << row->id;
    EXPECT_FALSE(neverPlaced && IsWindowVisible(button)) << row->id;
  }
  EXPECT_GT(buttons, 0);
  // Every other button of the main window is a copy of a row's button or a
  // control that sends no command of the table.
  auto isCopy = [](HWND h) {
    for (HWND copy : shellHandles().toolStripButtons)
      if (copy == h) return true;
    for (HWND copy : shellHandles().leftToolsButtons)
      if (copy == h) return true;
    return false;
  };
  for (HWND child = GetWindow(harness::mainWindow(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[16]{};
    GetClassNameW(child, kind, 16);
    const int id = GetDlgCtrlID(child);
    if (std::wstring(kind) != L"BUTTON" || isCopy(child)) continue;
    const CommandRow* row = findCommandRow(id);
    const bool outsideTable = (id >= kMenuFirst && id <= kMenuLast) || (id >= kCmdRailSlot1 && id <= kCmdRailSlot6);
    EXPECT_TRUE((row && row->button) || outsideTable) << id;
  }
  // The copies carry the row's tip behind their own prefix.
  EXPECT_EQ(tipOf(shellHandles().toolStripButtons[0]), L"Viewport tool strip: Select Tool. Shortcut: Q.");
  EXPECT_EQ(tipOf(shellHandles().leftToolsButtons[9]),
            L"Left Tools: Reset View: return the viewport to the default orbit view.");
  EXPECT_EQ(tipOf(shellHandles().leftToolsButtons[6]), L"Left Tools: open the axis/transform constraint menu.");
}

TEST_F(CommandTable, MenusButtonsAndTipsShowTheRowsTexts) {
  EXPECT_EQ(popupMenuItems(kMenuEdit)[0].label, L"Undo   Ctrl+Z");
  // One command, two wordings: the Object menu's quick list and the Mesh menu.
  EXPECT_EQ(submenu(popupMenuItems(kMenuObject), L"Edit Mesh Quick").submenu[3].label, L"Bridge Edges   Ctrl+B");
  EXPECT_EQ(submenu(popupMenuItems(kMenuMesh), L"Modeling Tools").submenu[3].label, L"Bridge Edge Pairs   Ctrl+B");
  // Hints only where a key exists: the transform track's comma, none on the camera track.
  const std::vector<PopupItem> timeline = popupMenuItems(kMenuTimeline);
  EXPECT_EQ(submenu(timeline, L"Transform Keyframes").submenu[2].label, L"Previous Transform Key   ,");
  EXPECT_EQ(submenu(timeline, L"Camera Keyframes").submenu[2].label, L"Previous Camera Key");
  EXPECT_EQ(submenu(timeline, L"Bridge Settings").submenu[2].label, L"Loop Playback: On");
  const std::vector<PopupItem> tools = popupMenuItems(kMenuTools);
  EXPECT_EQ(tools[11].label, L"Frame Selected");
  EXPECT_EQ(submenu(popupMenuItems(kMenuView), L"Viewport").submenu[0].label, L"Frame Selected   F");
  EXPECT_EQ(submenu(popupMenuItems(kMenuMaterial), L"Texture Maps: Set").submenu[0].label,
            L"Set Color / Albedo Map...");
  EXPECT_EQ(popupMenuItems(kMenuPresets)[1].label, L"Preview Selected Preset...");

  EXPECT_EQ(harness::text(mainButton(kCmdCurveConvertToMesh)), L"Curve→Mesh");
  EXPECT_EQ(harness::text(mainButton(kCmdSetLightKey)), L"Light Key +");
  EXPECT_EQ(tipOf(mainButton(kCmdToolMove)),
            L"Move Tool: translate the selected object, mesh component, or curve point. Shortcut: W.");
  EXPECT_EQ(tipOf(mainButton(kCmdSetCameraKey)),
            L"Phase 53: add or update selected camera settings key at the current frame. Shortcut: Shift+C in "
            L"viewport.");
  EXPECT_EQ(tipOf(mainButton(kMenuFile)),
            L"File menu: New, Open, Save, Save As, and Exit. Exit uses the dark unsaved-changes confirmation.");
  EXPECT_EQ(tipOf(mainButton(kCmdRailSlot4)), L"Context action 4 for the active left panel.");
}

// The exit status of scripts/<script> run on a tree of one file holding
// `line`, with the script's committed allow-list beside it.
int checkOneLine(const std::string& script, const std::string& path, const std::string& line) {
  const std::filesystem::path root = test::uniqueTempFolder(script);
  const std::filesystem::path scripts = std::filesystem::path(VK_TEST_DATA_DIR) / ".." / ".." / "scripts";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "scripts");
  std::error_code noList;
  std::filesystem::copy_file(scripts / (script + ".allow"), root / "scripts" / (script + ".allow"), noList);
  const std::filesystem::path file = root / path;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << line << "\n";
  const std::string top = path.substr(0, path.find('/'));
  const std::string command =
      "VK_CHECK_ROOT='" + root.string() + "' '" + (scripts / script).string() + "' " + top + " 2>/dev/null";
  const int status = std::system(command.c_str());
  std::filesystem::remove_all(root);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One source line through scripts/check_ids: the line with `#` replaced by
// the number (kept apart so this file passes the check itself).
struct IdCheckRow {
  const char* path;
  const char* line;
  const char* number;
  bool fails;
};

// A number in the id ranges fails the check in any argument of a call that
// takes ids; a coordinate or count in a call whose later arguments are no
// ids, a comment and the platform layer pass.
TEST(CommandIdCheck, FindsARawIdInAnyArgumentOfACallThatTakesOne) {
  const IdCheckRow rows[] = {
      {"tests/shell/a_test.cpp", "  command(#, at(\"scene.json\"));", "1004", true},
      {"tests/shell/a_test.cpp", "  command(x, #);", "1004", true},
      {"tests/shell/a_test.cpp", "    const RECT b = headless::describe(GetDlgItem(dialog, #)).windowRect;", "7102", true},
      {"tests/shell/a_test.cpp", "  GetDlgItem(harness::mainWindow(), #);", "1548", true},
      {"src/shell/a.cpp", "  return oneOf(id, {kCmdUndo, #});", "1205", true},
      {"tests/shell/a_test.cpp", "  command(kCmdSaveProjectAs, at(\"scene.json\"));", "", false},
      {"tests/shell/a_test.cpp", "  command(x, #);", "100", false},
      {"src/shell/a.cpp", "  place(button, #, 46, 72, 36);", "1200", false},
      {"src/persistence/a.cpp", "  sink.run(p, #);", "1024", false},
      {"tests/shell/a_test.cpp", "  // command(#, at(\"scene.json\"));", "1004", false},
      {"src/platform/a.cpp", "  GetDlgItem(dialog, #);", "7102", false},
  };
  for (const IdCheckRow& row : rows) {
    std::string line = row.line;
    if (const std::size_t at = line.find('#'); at != std::string::npos) line.replace(at, 1, row.number);
    EXPECT_EQ(checkOneLine("check_ids", row.path, line), row.fails ? 1 : 0) << row.path << ": " << line;
  }
}

// A file of src/ opened by any means but the platform's file reader and
// writer fails scripts/check_file_opens; a member called open, a decode
// from memory, a comment and the allowed font faces pass.
TEST(FileOpenCheck, FindsAFileOpenedOutsideThePlatformsReader) {
  const std::pair<const char*, const char*> fails[] = {
      {"src/formats/a.cpp", "  std::ifstream in(path, std::ios::binary);"},
      {"src/shell/a.cpp", "#include <fstream>"},
      {"src/model/a.cpp", "  FILE* file = std::fopen(name.c_str(), \"rb\");"},
      {"src/platform/a.cpp", "  const int fd = ::open(name.c_str(), O_RDONLY);"},
      {"src/platform/a.cpp", "  const int fd = openat(folder, name, O_RDONLY);"},
      {"src/platform/a.cpp", "  stbi_uc* pixels = stbi_load(name, &width, &height, &n, 4);"},
      {"src/platform/sdl/a.cpp", "  SDL_RWops* ops = SDL_RWFromFile(name, \"rb\");"},
      {"src/platform/a.cpp", "  FT_New_Face(lib, path.c_str(), 0, &face);"},
  };
  const std::pair<const char*, const char*> passes[] = {
      {"src/platform/file_io.cpp", "  const int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);"},
      {"src/platform/font_cache.cpp", "  if (FT_New_Face(lib, path.c_str(), index, &face->face) != 0) {"},
      {"src/platform/a.cpp", "  if (!file.open(path, kImageFileByteLimit, reason)) return false;"},
      {"src/persistence/a.cpp", "      open(begin + opener);"},
      {"src/platform/a.cpp", "  stbi_info_from_memory(bytes, int(length), &width, &height, &n);"},
      {"src/formats/a.cpp", "  // std::ifstream would wait for a FIFO's writer"},
  };
  for (const auto& [path, line] : fails) EXPECT_EQ(checkOneLine("check_file_opens", path, line), 1) << line;
  for (const auto& [path, line] : passes) EXPECT_EQ(checkOneLine("check_file_opens", path, line), 0) << line;
}

}  // namespace
}  // namespace vk::testing
