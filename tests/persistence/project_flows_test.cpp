// The save and open flows without windows: the capped read, every refusal of
// Open and Save leaving the project as it was, the editor reset after Open,
// the id counter, the import report, and texture paths across Save As.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cwchar>
#include <filesystem>
#include <fstream>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/texture_paths.h"
#include "model/undo.h"
#include "persistence/persistence.h"
#include "persistence/project_flows.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "shading/textures.h"
#include "one_byte_damage.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kReloadSentence[] =
    L"\n\nPhase 65.6/65.7.1 reload: imported mesh data was restored from the saved project JSON; source path and "
    L"warnings were preserved, and no automatic re-import was performed.";

Object meshObject(const std::wstring& id, Vec3 position = {}) {
  Object o;
  o.id = id;
  o.name = L"Mesh " + id;
  o.kind = ObjectKind::Mesh;
  o.transform.position = position;
  return o;
}

// The unsaved-changes question (the shell's dialog, tested there) answered
// "discard the changes and go on", as by a user replacing a dirty project.
int& questionsAsked() {
  static int count = 0;
  return count;
}
int discardChanges(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, bool) {
  ++questionsAsked();
  return kTextDialogFirstButton;
}

std::string fileBytes(const fs::path& path) {
  std::string bytes;
  readFileBytes(wideFromPath(path), bytes, 1 << 30);
  return bytes;
}

class ProjectFlowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    headless::start();
    resetToNewProject();
    questionsAsked() = 0;
    ServiceHooks hooks;
    hooks.showTextDialog = discardChanges;
    installServiceHooks(hooks);
    root_ = test::uniqueTempFolder("flows");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    installServiceHooks(ServiceHooks{});
    headless::stop();
    appState() = AppState{};
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::wstring at(const std::string& name) const { return wideFromPath(root_ / name); }
  // Writes a file holding the project and opens it through the scripted dialog.
  void openProject(const Project& project, const std::string& name = "open.json") {
    ASSERT_TRUE(writeTextFile(at(name), serializeProject(project)));
    headless::answerFileDialog(at(name));
    openSelectedProject();
  }
  void openText(const std::string& text, const std::string& name = "open.json") {
    ASSERT_TRUE(writeTextFile(at(name), text));
    headless::answerFileDialog(at(name));
    openSelectedProject();
  }
  // A dirty project with history, a selection and a status line of its own.
  void makeBusyState() {
    AppState& app = appState();
    addObject(ObjectKind::Mesh, L"Cube");
    app.dirty = true;
    app.statusText = L"●  something earlier";
    app.projectPath = at("earlier.json");
  }
  fs::path root_;
};

TEST_F(ProjectFlowsTest, ReadTextFileReturnsExactBytesAndRefusesWhatItCannotReadWhole) {
  const std::string bytes = "\xEF\xBB\xBF{\r\n\"a\": 1\r\n}";
  std::ofstream(root_ / "bom.json", std::ios::binary) << bytes;
  TextFileReadResult read = readTextFile(at("bom.json"));
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.text, bytes);

  EXPECT_FALSE(readTextFile(at("none.json")).ok);
  fs::create_directories(root_ / "folder.json");
  EXPECT_FALSE(readTextFile(at("folder.json")).ok);

  std::ofstream(root_ / "small.json") << "12345";
  read = readTextFile(at("small.json"), 4);
  EXPECT_FALSE(read.ok);
  EXPECT_TRUE(read.tooLarge);
  EXPECT_TRUE(read.text.empty());
}

TEST_F(ProjectFlowsTest, EveryOpenFailureShowsItsBoxAndChangesNothingButTheStatusLine) {
  makeBusyState();
  { std::ofstream(root_ / "huge.json"); }
  fs::resize_file(root_ / "huge.json", kProjectFileByteLimit + 1);  // sparse: no disk used
  fs::create_directories(root_ / "folder.json");
  AppState& app = appState();
  const Project before = app.project;
  const std::size_t undoDepth = app.undoStack.size();
  ASSERT_GT(undoDepth, 0u);
  std::string crowded = "{ \"scene\": {}, \"objects\": [{}";
  for (std::size_t i = 0; i < kProjectObjectLimit; ++i) crowded += ",{}";
  crowded += "] }";

  // What the system refused names the path and the cause below the box's
  // sentence, as a refused save does; a FIFO, here without a writer, and a
  // device are refused unopened.
  ASSERT_EQ(::mkfifo((root_ / "pipe.json").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", root_ / "device.json");
  const std::wstring unread = L"Could not read the selected file.\n\n";
  const auto notOpened = [&](const char* name, const wchar_t* cause) {
    return unread + L"Could not open \"" + at(name) + L"\": " + cause;
  };
  const auto notAFile = [&](const char* name, const wchar_t* kind) {
    return unread + L"\"" + at(name) + L"\" is " + kind + L", not a regular file.";
  };
  struct Case {
    const char* name;
    const char* text;  // written first when not null
    std::wstring box;
  };
  std::vector<Case> cases = {
      {"missing.json", nullptr, notOpened("missing.json", L"No such file or directory")},
      {"folder.json", nullptr, notAFile("folder.json", L"a folder")},
      {"pipe.json", nullptr, notAFile("pipe.json", L"a FIFO")},
      {"device.json", nullptr, notAFile("device.json", L"a character device")},
      {"huge.json", nullptr,
       L"Could not read the selected file.\n\nThe file is larger than 2 GiB, the limit for a project file."},
      {"empty-object.json", "{}", L"That JSON did not contain a usable Veltrask scene."},
      {"no-objects.json", "{ \"objects\": [] }", L"That JSON did not contain a usable Veltrask scene."},
      // A damaged text that keeps no object: Save would write it empty.
      {"damaged-empty.json", "{ \"scene\": {}, \"objects\": [] }}", L"That JSON did not contain a usable Veltrask scene."},
      {"crowded.json", crowded.c_str(),
       L"Could not read the selected file.\n\nThe file holds more than 8192 objects, the limit for a project file."}};
  if (::geteuid() != 0) {  // permissions do not stop root
    std::ofstream(root_ / "locked.json") << "{}";
    fs::permissions(root_ / "locked.json", fs::perms::none);
    cases.push_back({"locked.json", nullptr, notOpened("locked.json", L"Permission denied")});
  }
  for (const Case& c : cases) {
    if (c.text) {
      ASSERT_TRUE(writeTextFile(at(c.name), c.text));
    }
    headless::answerFileDialog(at(c.name));
    openSelectedProject();
    ASSERT_FALSE(headless::messageBoxes().empty()) << c.name;
    const headless::MessageBoxRecord& box = headless::messageBoxes().back();
    EXPECT_EQ(box.title, L"Open Failed") << c.name;
    EXPECT_EQ(box.text, c.box) << c.name;
    EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR)) << c.name;
    EXPECT_EQ(app.project, before) << c.name;
    EXPECT_EQ(app.projectPath, at("earlier.json"));
    EXPECT_TRUE(app.dirty);
    EXPECT_EQ(app.undoStack.size(), undoDepth);
    // The line no longer shows what came before, as after a failed save.
    EXPECT_EQ(app.statusText, kProjectOpenFailed) << c.name;
    app.statusText = L"●  something earlier";
  }
  EXPECT_EQ(headless::messageBoxes().size(), cases.size());
  EXPECT_TRUE(fs::is_fifo(root_ / "pipe.json"));

  // A cancelled dialog: nothing at all.
  headless::cancelFileDialog();
  openSelectedProject();
  EXPECT_EQ(headless::messageBoxes().size(), cases.size());
  EXPECT_EQ(app.project, before);
  EXPECT_EQ(app.statusText, L"●  something earlier");
}

// A file whose texts and entries would pass the reader's bound (here 8192
// objects of 32 material slots, each slot six texture maps in the model)
// says so on the status line and gives the limit in its box.
TEST_F(ProjectFlowsTest, AFileWhoseContentWouldPassTheMemoryBoundIsRefusedWithAStatusLine) {
  makeBusyState();
  AppState& app = appState();
  const Project before = app.project;
  const std::size_t undoDepth = app.undoStack.size();
  std::string slots = R"({"materialSlots":{"slots":[{})";
  for (int i = 1; i < 32; ++i) slots += ",{}";
  slots += "]}}";
  std::string text = R"({ "scene": {}, "objects": [)" + slots;
  for (std::size_t i = 1; i < kProjectObjectLimit; ++i) text += "," + slots;
  openText(text + "] }");
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes().back().title, L"Open Failed");
  EXPECT_EQ(headless::messageBoxes().back().text,
            L"Could not read the selected file.\n\nIts texts and entries would take more than 3 times the file's size "
            L"in memory, the limit for a project file.");
  EXPECT_EQ(app.statusText, kProjectOpenFailed);
  EXPECT_EQ(app.project, before);
  EXPECT_EQ(app.projectPath, at("earlier.json"));
  EXPECT_TRUE(app.dirty);
  EXPECT_EQ(app.undoStack.size(), undoDepth);
}

TEST_F(ProjectFlowsTest, OpenReplacesADirtyProjectAndStartsTheEditorOver) {
  makeBusyState();
  AppState& app = appState();
  app.transformTool = TransformTool::Rotate;
  app.axisConstraint = AxisConstraint::Y;
  app.workMode = WorkMode::EditMesh;
  app.componentMode = ComponentMode::Face;
  app.activeModifierIndex = 3;
  app.activeMaterialSlotIndex = 2;
  app.selectedFaces = {1, 2};
  app.selectedVertices = {0};
  app.viewPanX = 4;
  app.viewPanY = -2;
  app.viewZoom = 2.5;
  app.viewYaw = 12;
  app.viewPitch = -7;
  app.orthographic = true;
  app.cameraView = true;
  app.texturePreviews[L"/stale.png"] = TexturePreview{};
  app.redoStack.push_back(makeSnapshot());

  Project file;
  file.scene.objects = {meshObject(L"obj-3", {1, 2, 3}), meshObject(L"obj-12abc"), meshObject(L"obj-x"),
                        meshObject(L"light")};
  file.scene.timelineSettings.showTimelinePanel = false;
  openProject(file);

  EXPECT_EQ(questionsAsked(), 1);
  EXPECT_TRUE(headless::messageBoxes().empty());
  EXPECT_EQ(app.projectPath, at("open.json"));
  ASSERT_EQ(app.project.scene.objects.size(), 4u);
  EXPECT_TRUE(app.undoStack.empty());
  EXPECT_TRUE(app.redoStack.empty());
  EXPECT_FALSE(app.dirty);
  EXPECT_EQ(app.dirtyBadgeText, L"Saved");
  EXPECT_EQ(app.statusText, L"●  Project opened with Phase 65.6 imported asset data restored without auto re-import");
  EXPECT_EQ(app.selectedObjectId, L"obj-3");
  EXPECT_EQ(app.transformTool, TransformTool::Select);
  EXPECT_EQ(app.axisConstraint, AxisConstraint::Free);
  EXPECT_EQ(app.workMode, WorkMode::Object);
  EXPECT_EQ(app.componentMode, ComponentMode::Vertex);
  EXPECT_EQ(app.activeModifierIndex, 0);
  EXPECT_EQ(app.activeMaterialSlotIndex, 0);
  EXPECT_TRUE(app.selectedFaces.empty());
  EXPECT_TRUE(app.selectedVertices.empty());
  EXPECT_EQ(app.viewPivot, (Vec3{1, 2, 3}));
  EXPECT_EQ(app.viewPanX, 0.0);
  EXPECT_EQ(app.viewPanY, 0.0);
  EXPECT_FALSE(app.orthographic);
  EXPECT_FALSE(app.cameraView);
  EXPECT_EQ(app.viewZoom, 2.5);
  EXPECT_EQ(app.viewYaw, 12.0);
  EXPECT_EQ(app.viewPitch, -7.0);
  EXPECT_TRUE(app.texturePreviews.empty());
  EXPECT_FALSE(app.project.scene.timelineSettings.showTimelinePanel);
  EXPECT_EQ(app.nextObjectNumber, 13u);  // obj-12abc reads 12
  EXPECT_EQ(app.importReport,
            L"Phase 65.6/65.7.1 reload: no preserved glTF/GLB import report found in this project.");
}

// A damaged file opens with the objects it holds whole, unsaved, and a
// warning box says what was read; Save then writes that, and the file the
// studio wrote opens clean. Blanks after a whole file change nothing.
TEST_F(ProjectFlowsTest, ADamagedFileOpensUnsavedWithAWarningAndAWholeOneWithout) {
  AppState& app = appState();
  std::size_t boxes = 0;
  const auto expectOpened = [&](std::size_t objects, const std::wstring& box) {
    EXPECT_EQ(app.project.scene.objects.size(), objects);
    EXPECT_EQ(app.dirty, !box.empty());
    EXPECT_EQ(app.dirtyBadgeText, box.empty() ? L"Saved" : L"Unsaved");
    boxes += !box.empty();
    ASSERT_EQ(headless::messageBoxes().size(), boxes);
    if (box.empty()) return;
    EXPECT_EQ(app.statusText, kDamagedProjectOpened);
    EXPECT_EQ(headless::messageBoxes().back().title, L"Project Opened");
    EXPECT_EQ(headless::messageBoxes().back().text, box);
    EXPECT_EQ(headless::messageBoxes().back().flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  };
  Project file;
  for (const wchar_t* id : {L"obj-1", L"obj-2", L"obj-3", L"obj-4", L"obj-5"}) file.scene.objects.push_back(meshObject(id));
  const std::string text = serializeProject(file);
  openText(text.substr(0, text.size() - 45), "cut.json");
  expectOpened(4, L"cut.json is damaged or incomplete: it ends early. 4 objects were read; 1 damaged object was "
                  L"left out. Any objects after the cut are missing. Save would replace the file with them; Save As "
                  L"keeps it.");
  saveProjectCommand(false);
  EXPECT_EQ(fileBytes(root_ / "cut.json"), serializeProject(app.project));
  headless::answerFileDialog(at("cut.json"));
  openSelectedProject();
  expectOpened(4, L"");

  openText(text + "\n\n  \r\n", "blanks.json");
  expectOpened(5, L"");
  EXPECT_EQ(app.statusText, L"●  Project opened with Phase 65.6 imported asset data restored without auto re-import");
  // Text before the brace, as after it; a byte order mark is none.
  openText("hello " + text, "hello.json");
  expectOpened(5, L"hello.json is damaged or incomplete: it holds text outside the project's braces. 5 objects "
                  L"were read. Save would replace the file with them; Save As keeps it.");
  openText("\xEF\xBB\xBF" + text, "marked.json");
  expectOpened(5, L"");
  file.scene.objects.resize(1);
  openText(serializeProject(file) + "}", "after.json");
  expectOpened(1, L"after.json is damaged or incomplete: it holds text outside the project's braces. 1 object was "
                  L"read. Save would replace the file with them; Save As keeps it.");
}

// A quote blanked where names hold quotes, braces and brackets leaves every
// block closed: the file is still no well-formed JSON, and says so.
TEST_F(ProjectFlowsTest, AFileThatIsNotWellFormedJsonOpensAsDamaged) {
  Project file;
  const wchar_t* const names[] = {L"Lamp \"A\" {left}", L"Floor [old] }", L"Box ] {"};
  for (int i = 0; i < 5; ++i) {
    Object o = makeObject(i == 3 ? ObjectKind::Light : ObjectKind::Mesh, L"Cube");
    o.id = L"obj-" + std::to_wstring(i + 1);
    if (i >= 2) o.name = names[i - 2];
    file.scene.objects.push_back(std::move(o));
  }
  std::string text = serializeProject(file);
  text[text.find("\"light\": ", text.find("\"light\": ") + 1)] = ' ';
  openText(text, "blanked.json");
  AppState& app = appState();
  EXPECT_EQ(app.project.scene.objects.size(), 4u);
  EXPECT_TRUE(app.dirty);
  EXPECT_EQ(app.dirtyBadgeText, L"Unsaved");
  EXPECT_EQ(app.statusText, kDamagedProjectOpened);
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes().back().title, L"Project Opened");
  EXPECT_EQ(headless::messageBoxes().back().text,
            L"blanked.json is damaged or incomplete: it is not well-formed JSON. 4 objects were read; 1 damaged "
            L"object was left out. Save would replace the file with them; Save As keeps it.");
}

// The box names what is wrong and counts the objects read, the damaged ones
// left out and the settings left at their defaults (none when their own
// text is whole, though two damages lie around them or the scene's line is
// gone); a text in another layout says that nothing after its damage was
// read; a text cut short says it ends early and, when the cut fell inside
// the objects, that objects after those read may be missing.
TEST_F(ProjectFlowsTest, TheDamagedOpenBoxCountsTheObjectsLeftOut) {
  Project file;
  for (const wchar_t* id : {L"obj-1", L"obj-2", L"obj-3", L"obj-4", L"obj-5"}) file.scene.objects.push_back(meshObject(id));
  file.scene.name = L"Shot";
  file.scene.renderSettings.outputWidth = 640;
  const std::string text = serializeProject(file);
  const auto withoutTransformBrace = [](std::string changed, const char* id) {
    changed.erase(changed.find("\"transform\": {", changed.find(id)) + 13, 1);
    return changed;
  };
  const auto upTo = [](const std::string& changed, const std::string& mark, size_t past = 0) {
    return changed.substr(0, changed.find(mark) + past);
  };
  const std::string one = withoutTransformBrace(text, "\"obj-2\"");
  const std::string flat = vk_test::withoutBlanks(text);
  const std::string twoBlank = vk_test::reindented(text);
  const std::wstring save = L" Save would replace the file with them; Save As keeps it.";
  const std::wstring unclosed = L"not all of its blocks are closed. ", early = L"it ends early. ";
  struct Case {
    std::string text;
    std::wstring box;
  };
  std::vector<Case> cases = {
      {one, unclosed + L"4 objects were read; 1 damaged object was left out."},
      {withoutTransformBrace(one, "\"obj-4\""), unclosed + L"3 objects were read; 2 damaged objects were left out."},
      {vk_test::withoutBlanks(one), unclosed + L"1 object was read; the objects after the damage were left out."},
      {upTo(text, "\n    {\n      \"id\": \"obj-3\""), early + L"2 objects were read. Any objects after the cut are missing."},
      {upTo(twoBlank, "\n    {\n      \"id\": \"obj-2\"", 3), early + L"1 object was read. Any objects after the cut are missing."},
      {upTo(text, "\"obj-4\""), early + L"3 objects were read; 1 damaged object was left out. Any objects after the "
                                       L"cut are missing."},
      {upTo(text, "\n}", 1), early + L"5 objects were read."},
      {flat.substr(0, flat.rfind("]}")), early + L"5 objects were read. Any objects after the cut are missing."},
      {upTo(flat, ",{\"id\":\"obj-3\"", 4), early + L"2 objects were read; 1 damaged object was left out. Any objects "
                                                   L"after the cut are missing."},
      // Cut after a damage: still told.
      {upTo(one, "\n    {\n      \"id\": \"obj-5\""), early + L"3 objects were read; 1 damaged object was left out. Any "
                                                                 L"objects after the cut are missing."},
      {upTo(vk_test::withoutBlanks(one), ",{\"id\":\"obj-4\""), early + L"1 object was read; the objects after the damage "
                                                                     L"were left out."},
  };
  // The scene's line taken out, alone or with a quote put in the first
  // object's name after a changed letter of the scene's name; in both line
  // layouts, with LF and CR LF line ends.
  for (const std::string& laid : {text, twoBlank}) {
    for (const bool crlf : {false, true}) {
      const auto ends = [&](std::string changed) {
        std::string out;
        for (const char c : changed) out += c == '\n' && crlf ? "\r\n" : std::string(1, c);
        return out;
      };
      std::string noScene = laid;
      noScene.erase(noScene.find("\n  \"scene\": {"), 13);
      cases.push_back({ends(noScene), L"it holds text outside the project's braces. 5 objects were read."});
      for (const char* key : {"\"s:ene\"", "\"s{ene\"", "\"sxene\""}) {
        std::string twice = laid;
        twice.replace(twice.find("\"scene\""), 7, key);
        twice.insert(twice.find("\"Mesh obj-1\"") + 1, 1, '"');
        cases.push_back({ends(twice), unclosed + L"4 objects were read; 1 damaged object was left out."});
      }
    }
  }
  for (const Case& c : cases) {
    openText(c.text, "small.json");
    ASSERT_FALSE(headless::messageBoxes().empty());
    EXPECT_EQ(headless::messageBoxes().back().text, L"small.json is damaged or incomplete: " + c.box + save);
    EXPECT_TRUE(appState().dirty);
    EXPECT_EQ(appState().project.scene.name, L"Shot") << c.text.substr(0, 200);
    EXPECT_EQ(appState().project.scene.renderSettings.outputWidth, 640);
  }
}

// A byte at the start of a line inside the camera, once taken for the end
// of the objects, costs the camera alone: the light after it opens, the box
// counts the camera, and Save writes the two. A damaged scene setting takes
// its default and the box says so; with the first object's only object
// damaged nothing is left, and the file is refused.
TEST_F(ProjectFlowsTest, OneDamagedLineCostsWhatItHoldsAlone) {
  const std::string text = serializeProject(appState().project);
  const std::wstring save = L" Save would replace the file with them; Save As keeps it.";
  std::string camera = text;
  camera[camera.find("      \"kind\": \"Camera\",")] = '}';
  openText(camera, "three.json");
  const AppState& app = appState();
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes().back().text,
            L"three.json is damaged or incomplete: not all of its blocks are closed. 2 objects were read; 1 damaged "
            L"object was left out." + save);
  ASSERT_EQ(app.project.scene.objects.size(), 2u);
  EXPECT_EQ(app.project.scene.objects[1].name, L"Point Light");
  saveProjectCommand(false);
  EXPECT_EQ(deserializeProject(fileBytes(root_ / "three.json")).project.scene.objects.size(), 2u);

  std::string scene = text;
  scene.erase(scene.find("\"", scene.find("    \"name\": ")) , 1);
  openText(scene, "scene.json");
  ASSERT_EQ(headless::messageBoxes().size(), 2u);
  EXPECT_EQ(headless::messageBoxes().back().text,
            L"scene.json is damaged or incomplete: not all of its blocks are closed. 3 objects were read. 1 damaged "
            L"project "
            L"setting was left at its default." + save);
  EXPECT_EQ(app.project.scene.name, Scene{}.name);

  Project one;
  one.scene.objects.push_back(meshObject(L"obj-1"));
  std::string only = serializeProject(one);
  only[only.find("      \"id\": ")] = ']';
  openText(only, "only.json");
  ASSERT_EQ(headless::messageBoxes().size(), 3u);
  EXPECT_EQ(headless::messageBoxes().back().text, L"That JSON did not contain a usable Veltrask scene.");
  EXPECT_EQ(app.project.scene.objects.size(), 3u);  // the project on screen stays
}

TEST_F(ProjectFlowsTest, TheNextObjectIdFollowsTheLargestNumberedId) {
  Project file;
  file.scene.objects = {meshObject(L"light"), meshObject(L"cube")};
  openProject(file);
  EXPECT_EQ(appState().nextObjectNumber, 1u);

  file.scene.objects = {meshObject(L"obj-2147483647"), meshObject(L"obj-99999999999")};
  openProject(file);
  EXPECT_EQ(makeObjectId(), L"obj-2147483648");
}

TEST_F(ProjectFlowsTest, ASavedEmptyProjectOpensWithThePivotAtTheSceneCentre) {
  Project empty;
  openProject(empty);
  EXPECT_TRUE(headless::messageBoxes().empty());
  EXPECT_TRUE(appState().project.scene.objects.empty());
  EXPECT_EQ(appState().selectedObjectId, L"");
  EXPECT_EQ(appState().viewPivot, (Vec3{}));
}

TEST_F(ProjectFlowsTest, TheImportReportTakesTheFirstReportOnceAndCountsRestoredAssets) {
  Scene scene;
  scene.objects = {meshObject(L"obj-1"), meshObject(L"obj-2"), meshObject(L"obj-3")};
  EXPECT_EQ(importReportAfterOpen(scene),
            L"Phase 65.6/65.7.1 reload: no preserved glTF/GLB import report found in this project.");

  scene.objects[0].importedAssetSourcePath = L"/gone/a.glb";
  scene.objects[0].importedAssetImportReport = L"First report.";
  scene.objects[0].importedAssetMissingOnLoad = true;
  std::ofstream(root_ / "b.glb") << "x";
  scene.objects[2].importedAssetSourcePath = at("b.glb");
  const std::wstring expected = std::wstring(L"First report.") + kReloadSentence +
                                L"\nProject reload summary: 2 imported asset object(s) restored from saved project "
                                L"data; 1 original source path(s) currently missing but project mesh data is "
                                L"preserved.";
  EXPECT_EQ(importReportAfterOpen(scene), expected);

  // Through a file: the same text lands in the application state.
  Project file;
  file.scene = scene;
  openProject(file);
  EXPECT_EQ(appState().importReport, expected);

  // A report that itself says "no preserved" is taken once, not forever.
  Scene looping;
  looping.objects = {meshObject(L"obj-1"), meshObject(L"obj-2")};
  looping.objects[0].importedAssetImportReport = L"Import: no preserved data";
  looping.objects[1].importedAssetImportReport = L"Second";
  EXPECT_EQ(importReportAfterOpen(looping),
            std::wstring(L"Import: no preserved data") + kReloadSentence +
                L"\nProject reload summary: 2 imported asset object(s) restored from saved project data.");
}

TEST_F(ProjectFlowsTest, SaveWritesTheSerializedProjectAndReportsIt) {
  AppState& app = appState();
  app.dirty = true;
  ASSERT_TRUE(saveProjectFile(at("scene.json")));
  EXPECT_EQ(fileBytes(root_ / "scene.json"), serializeProject(app.project));
  EXPECT_EQ(app.projectPath, at("scene.json"));
  EXPECT_FALSE(app.dirty);
  EXPECT_EQ(app.dirtyBadgeText, L"Saved");
  EXPECT_EQ(app.statusText, L"*  Project saved with Phase 65.6 imported asset metadata");
  EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(ProjectFlowsTest, AFailedSaveKeepsTheOldFileAndTheProjectState) {
  AppState& app = appState();
  ASSERT_TRUE(saveProjectFile(at("scene.json")));
  const std::string old = fileBytes(root_ / "scene.json");
  addObject(ObjectKind::Mesh, L"Sphere");
  app.statusText = L"●  before";
  // A refusal by the system keeps the box's sentence and names the system's
  // reason in a second paragraph, with a short status line; the studio's own
  // refusals leave the status line alone.
  const auto expectRefused = [&](const wchar_t* text, const char* what, const wchar_t* systemReason = nullptr) {
    ASSERT_FALSE(headless::messageBoxes().empty()) << what;
    const std::wstring& box = headless::messageBoxes().back().text;
    EXPECT_EQ(headless::messageBoxes().back().title, L"Save Failed") << what;
    EXPECT_EQ(headless::messageBoxes().back().flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(fileBytes(root_ / "scene.json"), old) << what;
    EXPECT_EQ(app.projectPath, at("scene.json"));
    EXPECT_TRUE(app.dirty);
    if (systemReason) {
      EXPECT_TRUE(box.starts_with(std::wstring(text) + L"\n\n")) << wideToUtf8(box);
      EXPECT_NE(box.find(systemReason, std::wcslen(text)), std::wstring::npos) << wideToUtf8(box);
      EXPECT_EQ(app.statusText, kProjectSaveFailed);
    } else {
      EXPECT_EQ(box, text) << what;
      EXPECT_EQ(app.statusText, L"●  before");
    }
    app.statusText = L"●  before";
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root_)) ++entries;
    EXPECT_EQ(entries, 2u) << what;  // scene.json and the folder: no temporary left behind
  };
  fs::create_directories(root_ / "folder.json");
  EXPECT_FALSE(saveProjectFile(at("folder.json")));
  expectRefused(L"Could not save the project JSON.", "a folder", L"is a folder");

  // A write cut short by the file-size limit (permissions do not stop root).
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit cut = saved;
  cut.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &cut);
  const bool written = saveProjectFile(at("scene.json"));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  expectRefused(L"Could not save the project JSON.", "a cut write", L"File too large");

  EXPECT_FALSE(saveProjectFile(at("scene.json"), 100));
  expectRefused(L"Could not save the project JSON.\n\nThe project text is larger than 2 GiB, the limit for a project file.",
                "over the limit");

  // One object more than a project file may hold: the studio would not open it.
  auto& objects = app.project.scene.objects;
  const std::size_t held = objects.size();
  objects.resize(kProjectObjectLimit + 1, objects.back());
  EXPECT_FALSE(saveProjectFile(at("scene.json")));
  expectRefused(L"Could not save the project JSON.\n\nThe project holds more than 8192 objects, the limit for a project file.",
                "too many objects");
  objects.resize(held);

  // A full disk: the old file stays whole and the status line says so.
  const test::SmallTmpfs disk(root_ / "disk", "64k");
  if (!disk.mounted) return;  // the cut write above stands for it
  const std::wstring onDisk = wideFromPath(root_ / "disk" / "scene.json");
  ASSERT_TRUE(saveProjectFile(onDisk));
  const std::string onDiskBefore = fileBytes(root_ / "disk" / "scene.json");
  disk.fill();
  addObject(ObjectKind::Mesh, L"Cone");
  EXPECT_FALSE(saveProjectFile(onDisk));
  const std::wstring& box = headless::messageBoxes().back().text;
  EXPECT_TRUE(box.starts_with(L"Could not save the project JSON.\n\n")) << wideToUtf8(box);
  EXPECT_NE(box.find(L"No space left on device"), std::wstring::npos) << wideToUtf8(box);
  EXPECT_EQ(app.statusText, kProjectSaveFailed);
  EXPECT_EQ(fileBytes(root_ / "disk" / "scene.json"), onDiskBefore);
}

// Saving onto a FIFO, or a link to one, is refused by the writer; the box
// keeps its sentence and names the system's reason in a second paragraph,
// and the status line stays short. The link stays a link.
TEST_F(ProjectFlowsTest, ASaveOntoAFifoOrALinkToOneGivesTheReasonInTheBox) {
  AppState& app = appState();
  ASSERT_EQ(::mkfifo((root_ / "pipe.json").c_str(), 0600), 0);
  fs::create_symlink(root_ / "pipe.json", root_ / "link.json");
  for (const char* name : {"pipe.json", "link.json"}) {
    SCOPED_TRACE(name);
    const std::size_t boxes = headless::messageBoxes().size();
    EXPECT_FALSE(saveProjectFile(at(name)));
    ASSERT_EQ(headless::messageBoxes().size(), boxes + 1);
    const std::wstring& box = headless::messageBoxes().back().text;
    EXPECT_EQ(box, L"Could not save the project JSON.\n\n\"" + at("pipe.json") +
                       L"\" is a FIFO, not a file that can be replaced.");
    EXPECT_EQ(app.statusText, kProjectSaveFailed);
    EXPECT_TRUE(app.projectPath.empty());
  }
  EXPECT_TRUE(fs::is_symlink(root_ / "link.json"));
  EXPECT_TRUE(fs::is_fifo(root_ / "pipe.json"));
}

// Relative texture maps across Save As: a project folder p with tex/wood.png
// inside, a sibling folder q, and an image outside both.
class SaveAsTexturesTest : public ProjectFlowsTest {
 protected:
  void SetUp() override {
    ProjectFlowsTest::SetUp();
    for (const char* folder : {"p/tex", "q", "x"}) fs::create_directories(root_ / folder);
    for (const char* image : {"p/tex/wood.png", "x/far.png"}) std::ofstream(root_ / image) << "x";
    appState().projectPath = at("p/scene.json");
  }
  TextureMap& colorOf(Project& project, const std::wstring& id) {
    Object& o = *findObjectById(project.scene, id);
    return *findTextureMap(o.materialSlots.slots[0], L"color");
  }
  // The cube's color map relative, its normal map absolute; one undo entry.
  void storeMaps() {
    Object& cube = *findObjectById(L"obj-1");
    sanitizeMaterialSlots(cube);
    TextureMap& color = *findTextureMap(cube.materialSlots.slots[0], L"color");
    color.path = L"tex/wood.png";
    color.enabled = true;
    color.relative = true;
    TextureMap& normal = *findTextureMap(cube.materialSlots.slots[0], L"normal");
    normal.path = sanitizeTexturePath(at("x/far.png"));
    normal.enabled = true;
    normal.relative = false;
    cube.material = cube.materialSlots.slots[0];
    pushUndoSnapshot();
  }
  static std::wstring resolved(const TextureMap& map) {
    return wideFromPath(fs::weakly_canonical(pathFromWide(resolveTexturePathAbsolute(map))));
  }
};

TEST_F(SaveAsTexturesTest, AnotherFolderKeepsEveryImageFoundInTheFileAndTheHistory) {
  storeMaps();
  AppState& app = appState();
  const std::wstring wood = wideFromPath(fs::weakly_canonical(root_ / "p/tex/wood.png"));
  ASSERT_EQ(resolved(colorOf(app.project, L"obj-1")), wood);

  ASSERT_TRUE(saveProjectFile(at("q/scene.json")));
  TextureMap& color = colorOf(app.project, L"obj-1");
  EXPECT_FALSE(color.relative);
  EXPECT_EQ(resolved(color), wood);
  EXPECT_EQ(resolved(*findTextureMap(findObjectById(L"obj-1")->material, L"color")), wood);
  EXPECT_EQ(findTextureMap(findObjectById(L"obj-1")->materialSlots.slots[0], L"normal")->path,
            sanitizeTexturePath(at("x/far.png")));

  // The file holds what memory now holds, and its maps are found from q.
  const ProjectLoadResult written = deserializeProject(fileBytes(root_ / "q/scene.json"));
  ASSERT_TRUE(written.usable);
  Project reread = written.project;
  EXPECT_EQ(colorOf(reread, L"obj-1").path, color.path);
  EXPECT_FALSE(colorOf(reread, L"obj-1").missing);
  EXPECT_EQ(serializeProject(app.project), fileBytes(root_ / "q/scene.json"));

  // Undo after the save finds the same image.
  undoLastSnapshot();
  EXPECT_EQ(resolved(colorOf(app.project, L"obj-1")), wood);
}

TEST_F(SaveAsTexturesTest, PathsMoveOnlyWhenASuccessfulSaveChangesTheFolder) {
  storeMaps();
  AppState& app = appState();
  ASSERT_TRUE(saveProjectFile(at("p/other.json")));
  EXPECT_EQ(colorOf(app.project, L"obj-1").path, L"tex/wood.png");
  EXPECT_TRUE(colorOf(app.project, L"obj-1").relative);

  const Project before = app.project;
  EXPECT_FALSE(saveProjectFile(at("no-such-folder/scene.json")));
  EXPECT_EQ(app.project, before);

  // A folder the image lies inside too: still relative, from there.
  ASSERT_TRUE(saveProjectFile(at("root.json")));
  EXPECT_EQ(colorOf(app.project, L"obj-1").path, L"p/tex/wood.png");
  EXPECT_TRUE(colorOf(app.project, L"obj-1").relative);
  undoLastSnapshot();
  EXPECT_EQ(colorOf(app.project, L"obj-1").path, L"p/tex/wood.png");
  EXPECT_TRUE(colorOf(app.project, L"obj-1").relative);
  // Redo comes back through the same folder rule.
  redo();
  EXPECT_EQ(colorOf(app.project, L"obj-1").path, L"p/tex/wood.png");
}

TEST_F(SaveAsTexturesTest, ANeverSavedProjectMovesPathsFromTheWorkingFolder) {
  storeMaps();
  appState().projectPath.clear();
  const fs::path previous = fs::current_path();
  fs::current_path(root_ / "p");
  const bool saved = saveProjectFile(at("q/scene.json"));
  fs::current_path(previous);
  ASSERT_TRUE(saved);
  EXPECT_EQ(resolved(colorOf(appState().project, L"obj-1")),
            wideFromPath(fs::weakly_canonical(root_ / "p/tex/wood.png")));
}

}  // namespace
}  // namespace vk
