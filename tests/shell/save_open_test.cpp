// Open, Save and Save As through the running studio: the dialogs as shown,
// the texts of a save, the name typed without extension, a whole session of
// slots, maps and faces saved, reopened and saved elsewhere, and every id of
// the document commands reachable from its menu item and rail slot.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/texture_paths.h"
#include "persistence/persistence.h"
#include "persistence/project_flows.h"
#include "platform/headless_responders.h"
#include "shading/textures.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

namespace fs = std::filesystem;

std::string fileBytes(const fs::path& path) {
  std::string bytes;
  readFileBytes(wideFromPath(path), bytes, 1 << 30);
  return bytes;
}

std::string withoutLoadNote(std::string text) {
  const std::string note = " | Phase 46.3 import-safe geometry verified";
  for (std::size_t at = text.find(note); at != std::string::npos; at = text.find(note, at)) text.erase(at, note.size());
  return text;
}

class SaveOpen : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
  void TearDown() override {
    headless::setIdleHandler(nullptr);
    StudioTest::TearDown();
  }
  std::wstring at(const std::string& name) const { return wideFromPath(folder_ / name); }
  void command(int id, const std::wstring& answer) {
    headless::answerFileDialog(answer);
    harness::sendCommand(id);
  }
};

TEST_F(SaveOpen, DialogsSaveTextsAndWhenADialogIsAsked) {
  AppState& app = appState();
  HWND main = harness::mainWindow();
  headless::cancelFileDialog();
  harness::sendCommand(kCmdSaveProject);  // no path yet: the dialog, cancelled
  EXPECT_TRUE(app.projectPath.empty());
  EXPECT_FALSE(fs::exists(folder_ / "veltrask_phase62_project.json"));

  command(kCmdSaveProjectAs, at("scene.json"));
  ASSERT_EQ(headless::fileDialogs().size(), 2u);
  for (const headless::FileDialogRecord& record : headless::fileDialogs()) {
    EXPECT_TRUE(record.save);
    EXPECT_EQ(record.owner, main);
    EXPECT_EQ(record.defaultName, L"veltrask_phase62_project.json");
    ASSERT_EQ(record.filters.size(), 2u);
    EXPECT_EQ(record.filters[0], (std::pair<std::wstring, std::wstring>{L"Veltrask Project JSON (*.json)", L"*.json"}));
    EXPECT_EQ(record.filters[1], (std::pair<std::wstring, std::wstring>{L"All Files (*.*)", L"*.*"}));
    EXPECT_EQ(record.filterIndex, 1u);
    EXPECT_EQ(record.defaultExtension, L"json");
    EXPECT_EQ(record.flags, 0x80802u);
  }
  EXPECT_EQ(fileBytes(folder_ / "scene.json"), serializeProject(app.project));
  EXPECT_EQ(harness::text(app.ui.statusLine), L"*  Project saved with Phase 65.6 imported asset metadata");
  EXPECT_EQ(harness::text(app.ui.dirtyBadge), L"Saved");
  EXPECT_EQ(harness::text(shellHandles().projectLabel), L"Project: scene.json");
  EXPECT_EQ(harness::text(main), kMainWindowTitle);

  // Save on a saved project writes there without asking; Save As always asks.
  harness::sendCommand(kCmdAddCube);
  harness::sendCommand(kCmdSaveProject);
  EXPECT_EQ(headless::fileDialogs().size(), 2u);
  EXPECT_EQ(fileBytes(folder_ / "scene.json"), serializeProject(app.project));
  EXPECT_FALSE(app.dirty);
  headless::cancelFileDialog();
  harness::sendCommand(kCmdSaveProjectAs);
  EXPECT_EQ(headless::fileDialogs().size(), 3u);
  EXPECT_EQ(headless::fileDialogs().back().defaultName, L"veltrask_phase62_project.json");
  EXPECT_EQ(app.projectPath, at("scene.json"));

  command(kCmdOpenProject, at("scene.json"));
  const headless::FileDialogRecord& open = headless::fileDialogs().back();
  EXPECT_FALSE(open.save);
  EXPECT_EQ(open.owner, main);
  EXPECT_EQ(open.defaultName, L"");
  EXPECT_EQ(open.defaultExtension, L"json");
  EXPECT_EQ(open.flags, 0x81800u);
  EXPECT_EQ(harness::text(app.ui.statusLine),
            L"●  Project opened with Phase 65.6 imported asset data restored without auto re-import");
}

// After a refused Open the status line says that the open failed, as after
// a refused Save, not what the open before it said; the box gives the reason.
TEST_F(SaveOpen, AFailedOpenSaysSoOnTheStatusLine) {
  AppState& app = appState();
  const std::string text = serializeProject(app.project);
  ASSERT_TRUE(writeTextFile(at("cut.json"), text.substr(0, text.size() - 4)));
  ASSERT_TRUE(writeTextFile(at("empty.json"), "{}"));
  int asked = 0;
  int answer = kTextDialogFirstButton;  // the damaged open leaves the project unsaved: discard it
  answerTextDialogs(answer, asked);
  command(kCmdOpenProject, at("cut.json"));
  EXPECT_EQ(harness::text(app.ui.statusLine), kDamagedProjectOpened);
  std::size_t boxes = headless::messageBoxes().size();
  for (const char* name : {"empty.json", "missing.json"}) {
    command(kCmdOpenProject, at(name));
    ASSERT_EQ(headless::messageBoxes().size(), ++boxes) << name;
    EXPECT_EQ(headless::messageBoxes().back().title, L"Open Failed");
    EXPECT_EQ(harness::text(app.ui.statusLine), L"●  Project open failed") << name;
    setStatusText(L"●  something else");  // so the next failure is seen to set it
  }
  EXPECT_EQ(app.projectPath, at("cut.json"));
}

// The net under the commands: a mesh that would not reopen as it is (here
// made outside any command) is written as it is, and the save names it.
TEST_F(SaveOpen, AMeshThatWouldNotReopenIsSavedAsItIsAndNamed) {
  AppState& app = appState();
  Object* cube = findObjectById(L"obj-1");
  ASSERT_NE(cube, nullptr);
  cube->name = L"Far Cube";
  cube->meshData.vertices.write()[0].x = 2e6;
  const std::size_t boxes = headless::messageBoxes().size();
  command(kCmdSaveProjectAs, at("far.json"));
  EXPECT_EQ(fileBytes(folder_ / "far.json"), serializeProject(app.project));
  EXPECT_FALSE(app.dirty);
  EXPECT_EQ(harness::text(app.ui.statusLine), kSavedWithMeshWarning);
  ASSERT_EQ(headless::messageBoxes().size(), boxes + 1);
  const headless::MessageBoxRecord& box = headless::messageBoxes().back();
  EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_NE(box.text.find(L"- Far Cube: a vertex coordinate is not finite or reaches 1e6"), std::wstring::npos)
      << wideToUtf8(box.text);

  // Sound meshes save without a word.
  findObjectById(L"obj-1")->meshData.vertices.write()[0].x = 0.5;
  harness::sendCommand(kCmdSaveProject);
  EXPECT_EQ(headless::messageBoxes().size(), boxes + 1);
  EXPECT_EQ(harness::text(app.ui.statusLine), L"*  Project saved with Phase 65.6 imported asset metadata");
}

TEST_F(SaveOpen, ANameTypedWithoutExtensionIsSavedAsJson) {
  // The dialog itself shows; the name is typed into it.
  auto step = std::make_shared<int>(0);
  const std::wstring typed = at("scene");
  headless::setIdleHandler([step, typed] {
    if (*step == 0) {
      HWND field = headless::findWindow(L"Edit", 101);
      if (!field) return false;
      SetFocus(field);
      SetWindowTextW(field, L"");
      headless::typeText(typed);
      headless::pressKey(VK_RETURN);
      ++*step;
      return true;
    }
    return false;
  });
  headless::showNextFileDialog();
  harness::sendCommand(kCmdSaveProjectAs);
  EXPECT_EQ(appState().projectPath, at("scene.json"));
  EXPECT_TRUE(fs::exists(folder_ / "scene.json"));
  EXPECT_EQ(headless::fileDialogs().back().how, headless::Settled::Shown);
}

// A session: slots, a map inside the project folder, one outside every
// project folder, faces assigned, saved, reopened and saved elsewhere.
TEST_F(SaveOpen, ASessionSurvivesSaveNewOpenAndASaveIntoAnotherFolder) {
  AppState& app = appState();
  fs::create_directories(folder_ / "a" / "tex");
  fs::create_directories(folder_ / "b");
  fs::create_directories(folder_ / "x");
  const fs::path image = fs::path(VK_TEST_DATA_DIR) / "shading" / "solid_teal.png";
  fs::copy_file(image, folder_ / "a" / "tex" / "wood.png");
  fs::copy_file(image, folder_ / "x" / "far.png");

  harness::sendCommand(kCmdAddCube);  // a cube, selected
  const std::wstring cubeId = app.selectedObjectId;
  command(kCmdSaveProjectAs, at("a/scene.json"));
  harness::sendCommand(kCmdAddMaterialSlot);
  harness::sendCommand(kCmdDuplicateMaterialSlot);
  command(kCmdSetColorMap, at("a/tex/wood.png"));
  command(kCmdSetNormalMap, at("x/far.png"));
  harness::sendCommand(kCmdEditMeshMode);  // Edit Mesh
  harness::sendCommand(kCmdFaceSelection);  // Face
  app.selectedFaces = {0, 2};
  harness::sendCommand(kCmdAssignMaterialToFaces);
  EXPECT_EQ(app.statusText, L"●  Assigned active material to 2 selected face(s)");
  harness::sendCommand(kCmdSaveProject);
  const std::string saved = fileBytes(folder_ / "a" / "scene.json");

  harness::sendCommand(kCmdNewProject);
  EXPECT_EQ(findObjectById(cubeId), nullptr);
  command(kCmdOpenProject, at("a/scene.json"));
  // The load guard notes every mesh it verified in the mesh summary; apart
  // from that note the reopened project writes the saved bytes.
  EXPECT_EQ(withoutLoadNote(serializeProject(app.project)), saved);
  Object* cube = findObjectById(cubeId);
  ASSERT_NE(cube, nullptr);
  ASSERT_EQ(cube->materialSlots.slots.size(), 3u);
  EXPECT_EQ(cube->materialSlots.slots[2].name, L"Material 2 Copy");
  EXPECT_EQ(cube->meshData.faces.read()[0].materialIndex, 2);
  EXPECT_EQ(cube->meshData.faces.read()[2].materialIndex, 2);
  const Material& slot = cube->materialSlots.slots[2];
  EXPECT_EQ(findTextureMap(slot, L"color")->path, L"tex/wood.png");
  EXPECT_EQ(formatTextureMapStatus(slot, L"color", L"Color map").rfind(L"Color map: found", 0), 0u);

  // Into a sibling folder: the file and the history keep finding the images.
  app.selectedObjectId = cubeId;
  harness::sendCommand(kCmdRoughnessUp);
  command(kCmdSaveProjectAs, at("b/scene.json"));
  const auto resolvedColor = [&] {
    const Material& s = findObjectById(cubeId)->materialSlots.slots[2];
    return fs::weakly_canonical(pathFromWide(resolveTexturePathAbsolute(*findTextureMap(s, L"color"))));
  };
  const fs::path wood = fs::weakly_canonical(folder_ / "a" / "tex" / "wood.png");
  EXPECT_EQ(resolvedColor(), wood);
  const std::string inB = fileBytes(folder_ / "b" / "scene.json");
  EXPECT_EQ(inB.find("\"tex/wood.png\""), std::string::npos);
  EXPECT_NE(inB.find(wideToUtf8(sanitizeTexturePath(wideFromPath(wood)))), std::string::npos);
  EXPECT_NE(inB.find(wideToUtf8(sanitizeTexturePath(at("x/far.png")))), std::string::npos);
  harness::sendCommand(kCmdUndo);
  EXPECT_EQ(resolvedColor(), wood);
  const Material& after = findObjectById(cubeId)->materialSlots.slots[2];
  EXPECT_EQ(findTextureMap(after, L"normal")->path, sanitizeTexturePath(at("x/far.png")));
  EXPECT_FALSE(findTextureMap(after, L"normal")->relative);
}

TEST_F(SaveOpen, NewAndOpenAskBeforeDroppingUnsavedWork) {
  AppState& app = appState();
  command(kCmdSaveProjectAs, at("kept.json"));
  int asked = 0;
  int answer = kTextDialogSecondButton;  // Keep Editing
  answerTextDialogs(answer, asked);
  // File > New Project, the History rail's New, File > Open.
  const std::function<void()> entries[3] = {
      [] { harness::sendCommand(kCmdNewProject); },
      [&app] {
        app.activeRailPanel = 4;
        harness::sendCommand(kCmdRailSlot5);
      },
      [] { harness::sendCommand(kCmdOpenProject); }};

  harness::sendCommand(kCmdAddCube);
  harness::sendCommand(kCmdUndo);
  harness::sendCommand(kCmdAddCube);
  const Project before = app.project;
  const std::size_t undo = app.undoStack.size(), redo = app.redoStack.size(), dialogs = headless::fileDialogs().size();
  ASSERT_TRUE(app.dirty);
  for (int i = 0; i < 3; ++i) {
    entries[i]();
    EXPECT_EQ(asked, i + 1);
    EXPECT_EQ(app.project, before) << i;
    EXPECT_EQ(app.projectPath, at("kept.json")) << i;
    EXPECT_TRUE(app.dirty) << i;
    EXPECT_EQ(app.undoStack.size(), undo) << i;
    EXPECT_EQ(app.redoStack.size(), redo) << i;
  }
  EXPECT_EQ(headless::fileDialogs().size(), dialogs);  // Open stopped before its dialog

  answer = kTextDialogFirstButton;  // discard the changes and go on
  headless::answerFileDialog(at("kept.json"));
  for (int i = 0; i < 3; ++i) {
    harness::sendCommand(kCmdAddCube);
    entries[i]();
    EXPECT_EQ(asked, 4 + i);
    EXPECT_FALSE(app.dirty) << i;
    EXPECT_TRUE(app.undoStack.empty()) << i;
    EXPECT_EQ(app.project.scene.objects.size(), 3u) << i;
    EXPECT_EQ(app.projectPath, i < 2 ? std::wstring() : at("kept.json")) << i;
  }

  // A clean project asks nothing.
  for (int i = 0; i < 3; ++i) entries[i]();
  EXPECT_EQ(asked, 6);
  EXPECT_EQ(headless::fileDialogs().size(), dialogs + 2);
}

TEST_F(SaveOpen, EveryDocumentCommandIsReachedFromItsMenuAndRailSlot) {
  std::vector<int> inMenus;
  const std::function<void(const std::vector<PopupItem>&)> collect = [&](const std::vector<PopupItem>& items) {
    for (const PopupItem& item : items) {
      if (item.id) inMenus.push_back(item.id);
      collect(item.submenu);
    }
  };
  collect(popupMenuItems(kMenuFile));
  collect(popupMenuItems(kMenuMaterial));
  std::vector<int> routed = {kCmdOpenProject, kCmdSaveProject, kCmdSaveProjectAs, kCmdRefreshTextureStatus};
  for (int id = kCmdPreviousMaterialSlot; id <= kCmdAssignMaterialToFaces; ++id) routed.push_back(id);
  for (int id = kCmdRoughnessUp; id <= kCmdMetallicDown; ++id) routed.push_back(id);
  for (int id = kCmdSetColorMap; id <= kCmdSetEmissionMap; ++id) routed.push_back(id);
  for (int id = kCmdClearColorMap; id <= kCmdClearEmissionMap; ++id) routed.push_back(id);
  for (int id : routed) {
    EXPECT_NE(std::find(inMenus.begin(), inMenus.end(), id), inMenus.end()) << id;
    const bool asks = id <= kCmdSaveProjectAs || (id >= kCmdSetColorMap && id <= kCmdSetEmissionMap);
    if (asks) headless::cancelFileDialog();
    EXPECT_TRUE(handleCommand(id).handled) << id;
    EXPECT_EQ(headless::pendingAnswers(), 0u) << id;
    harness::pump();
  }

  // The rail's Materials slots 5 and 6 and the History slots 3 and 6.
  AppState& app = appState();
  app.selectedObjectId = L"obj-1";
  app.activeRailPanel = 2;
  const std::size_t slots = findObjectById(L"obj-1")->materialSlots.slots.size();
  EXPECT_TRUE(handleCommand(kCmdRailSlot5).handled);
  EXPECT_EQ(findObjectById(L"obj-1")->materialSlots.slots.size(), slots + 1);
  EXPECT_TRUE(handleCommand(kCmdRailSlot6).handled);
  EXPECT_EQ(app.statusText, L"●  Enter Edit Mesh / Face mode and select faces before assigning material");
  app.activeRailPanel = 4;
  command(kCmdRailSlot3, at("rail.json"));
  EXPECT_EQ(app.projectPath, at("rail.json"));
  command(kCmdRailSlot6, at("rail.json"));
  EXPECT_EQ(app.undoStack.size(), 0u);  // reopened
}

}  // namespace
}  // namespace vk::testing
