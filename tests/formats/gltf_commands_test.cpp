// Export glTF and the two GLB exports as the user runs them: scripted save
// dialogs and message boxes, status texts, files on disk.
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <tuple>

#include "formats/gltf_test_support.h"
#include "formats/obj_export.h"
#include "model/undo.h"
#include "persistence/project_flows.h"
#include "platform/file_io.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "shading/textures.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

class GltfCommands : public GltfTest {
 protected:
  void SetUp() override {
    headless::start(1280, 800, VK_TEST_FONT);
    GltfTest::SetUp();
    folder_ = test::uniqueTempFolder("gltfcmd");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    GltfTest::TearDown();
    headless::stop();
    fs::remove_all(folder_);
  }
  std::wstring pathOf(const char* name) const { return wideFromPath(folder_ / name); }
  std::string contents(const char* name) const {
    std::string bytes;
    readFileBytes(pathOf(name), bytes, 1u << 30);
    return bytes;
  }
  static const headless::MessageBoxRecord& onlyBox() {
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
    return headless::messageBoxes().back();
  }
  // The starter cube with a second, unused slot.
  static void twoSlotCube() {
    addKind(ObjectKind::Mesh, L"Cube").materialSlots.slots.push_back(Material{});
  }
  fs::path folder_;
};

TEST_F(GltfCommands, GltfExportWritesTheFileAndReportsOnTheStatusLine) {
  twoSlotCube();
  app().selectedObjectId = scene().objects[0].id;
  const std::size_t undo = app().undoStack.size();
  headless::answerFileDialog(pathOf("cube.gltf"));
  exportGltf();
  EXPECT_EQ(app().statusText, L"●  Exported glTF: 1 object(s), 36 vertices, 12 triangles");
  EXPECT_TRUE(headless::messageBoxes().empty());
  const headless::FileDialogRecord& dialog = headless::fileDialogs().at(0);
  EXPECT_TRUE(dialog.save);
  EXPECT_EQ(dialog.defaultName, L"veltrask_phase66_1_gltf_export.gltf");
  EXPECT_EQ(dialog.defaultExtension, L"gltf");
  EXPECT_EQ(dialog.flags, 0x80802u);
  ASSERT_EQ(dialog.filters.size(), 2u);
  EXPECT_EQ(dialog.filters[0], (std::pair<std::wstring, std::wstring>{L"glTF 2.0 JSON (*.gltf)", L"*.gltf"}));
  const std::string text = contents("cube.gltf");
  EXPECT_EQ(text.substr(0, 12), "{\n  \"asset\":");
  EXPECT_NE(text.find("\"name\": \"Material\""), std::string::npos);  // the unused slot is listed
  EXPECT_FALSE(app().dirty);
  EXPECT_EQ(app().undoStack.size(), undo);
}

// An export only reads the scene: every object stays shared with the undo
// history, so the next snapshot after an export of a large scene copies nothing.
TEST_F(GltfCommands, ExportsLeaveEveryObjectSharedWithTheUndoHistory) {
  for (int i = 0; i < 3; ++i) addKind(ObjectKind::Mesh, L"Cube").transform.position.x = 2.0 * i;
  app().selectedObjectId = scene().objects[1].id;
  pushUndoSnapshot();
  pushUndoSnapshot();  // the first copy takes private copies of what was just written
  headless::answerFileDialog(pathOf("scene.gltf"));
  exportGltf();
  headless::answerFileDialog(pathOf("scene.glb"));
  exportGlb(true);
  headless::answerFileDialog(pathOf("scene.obj"));
  exportObj();
  ASSERT_TRUE(fs::exists(folder_ / "scene.gltf") && fs::exists(folder_ / "scene.glb") && fs::exists(folder_ / "scene.obj"));
  const ObjectList& history = app().undoStack.back().project.scene.objects;
  for (std::size_t i = 0; i < scene().objects.size(); ++i) EXPECT_TRUE(scene().objects.sharesElement(history, i)) << i;
}

TEST_F(GltfCommands, CancelWritesNothingAndKeepsTheStatusLine) {
  twoSlotCube();
  app().statusText = L"●  Before";
  for (int command = 0; command < 3; ++command) {
    headless::cancelFileDialog();
    if (command == 0) exportGltf();
    else exportGlb(command == 1);
  }
  EXPECT_EQ(app().statusText, L"●  Before");
  EXPECT_TRUE(headless::messageBoxes().empty());
  EXPECT_EQ(headless::fileDialogs().size(), 3u);
  EXPECT_EQ(headless::fileDialogs()[1].defaultName, L"veltrask_phase66_1_selected.glb");
  EXPECT_EQ(headless::fileDialogs()[2].defaultName, L"veltrask_phase66_1_scene.glb");
  EXPECT_EQ(headless::fileDialogs()[2].filters.at(0).first, L"Binary glTF / GLB 2.0 (*.glb)");
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(GltfCommands, HiddenOnlyMeshBlocksBothExportsBeforeAnyDialog) {
  addQuad(L"Hidden").visible = false;
  exportGltf();
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes()[0].title, L"glTF Export Blocked");
  EXPECT_EQ(headless::messageBoxes()[0].text,
            L"glTF export needs a selected mesh/text object or at least one visible mesh in the scene.");
  EXPECT_EQ(headless::messageBoxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(app().statusText, L"●  glTF export blocked: no valid mesh objects");
  exportGlb(false);
  ASSERT_EQ(headless::messageBoxes().size(), 2u);
  EXPECT_EQ(headless::messageBoxes()[1].title, L"GLB Export Blocked");
  EXPECT_EQ(headless::messageBoxes()[1].text,
            L"GLB export needs a selected mesh/text object or at least one visible mesh in the scene.");
  EXPECT_EQ(app().statusText, L"●  GLB export blocked: no valid mesh objects");
  EXPECT_TRUE(headless::fileDialogs().empty());
}

TEST_F(GltfCommands, GlbSelectedFallsBackAndTheReportSaysSo) {
  addQuad(L"A");
  app().selectedObjectId = addKind(ObjectKind::Camera, L"Cam").id;
  headless::answerFileDialog(pathOf("scene.glb"));
  exportGlb(true);
  const headless::MessageBoxRecord& box = onlyBox();
  EXPECT_EQ(box.title, L"GLB Export Report");
  EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(box.text, app().importReport);
  EXPECT_NE(box.text.find(L"Scope: whole visible scene\n"), std::wstring::npos);
  EXPECT_NE(box.text.find(L"Scene nodes: 2\n"), std::wstring::npos);
  EXPECT_EQ(app().statusText, L"●  Exported GLB: 1 mesh object(s), 6 vertices, 2 triangles");
  const std::string bytes = contents("scene.glb");
  std::wstring error;
  EXPECT_TRUE(glbValidateContainer(bytes, error));
  EXPECT_NE(box.text.find(L"GLB file bytes: " + std::to_wstring(bytes.size()) + L"\n"), std::wstring::npos);

  app().selectedObjectId = scene().objects[0].id;
  headless::answerFileDialog(pathOf("selected.glb"));
  exportGlb(true);
  EXPECT_NE(app().importReport.find(L"Scope: selected object/subtree\n"), std::wstring::npos);
}

// As the OBJ export does: faces left out take the status line, those over 64
// corners first (Fill makes up to 128); the GLB report keeps its lines and
// adds the limit; with no face left to write, the failure names the limit.
TEST_F(GltfCommands, FacesLeftOutAreCountedAndThoseOver64CornersNamed) {
  const auto polygon = [](int corners) {
    std::vector<int> indices(static_cast<std::size_t>(corners));
    std::iota(indices.begin(), indices.end(), 0);
    return face(indices);
  };
  std::vector<Vec3> circle;
  for (int i = 0; i < 128; ++i) circle.push_back({std::cos(i * 0.049), std::sin(i * 0.049), 0.0});
  const MeshFace quad = face({124, 125, 126, 127}), repeated = face({0, 0, 1});
  // Written: the status after "●  glTF " (or the counts) and a piece of the GLB report.
  const std::tuple<std::vector<MeshFace>, std::wstring, std::wstring> written[] = {
      {{quad, polygon(100)}, L"skips 1 face over 64 corners", L"Skipped invalid faces: 1\n"},
      {{polygon(65), repeated, quad, polygon(128)}, L"skips 2 faces over 64 corners and 1 face with bad corners",
       L"review topology if this was unexpected.\n- Skipped 2 faces over 64 corners (faces of 3 to 64 corners are "
       L"written).\n"},
      {{quad, polygon(64)}, L"", L"Skipped invalid faces: 0\n"}};
  const std::wstring refused =
      L"no valid face of 3 to 64 corners to write, only 2 faces over 64 corners and 1 face with bad corners.";
  const auto run = [&](const std::vector<MeshFace>& faces, const std::wstring& format) {
    scene().objects.clear();
    app().selectedObjectId = addMesh(L"Filled", circle, faces).id;
    headless::clearResponders();
    headless::answerFileDialog(pathOf(format == L"glTF" ? "filled.gltf" : "filled.glb"));
    if (format == L"glTF") exportGltf();
    else exportGlb(true);
  };
  for (const std::wstring format : {L"glTF", L"GLB"}) {
    for (const auto& [faces, status, report] : written) {
      run(faces, format);
      const std::wstring shown = status.empty() ? L"Exported " + format + L": " : format + L" " + status;
      EXPECT_EQ(app().statusText.substr(0, 3 + shown.size()), L"●  " + shown);
      EXPECT_EQ(app().statusText.size() == 3 + shown.size(), !status.empty());
      const std::wstring box = format == L"GLB" ? onlyBox().text : report;
      EXPECT_NE(box.find(report), std::wstring::npos) << wideToUtf8(box);
    }
    run({polygon(65), repeated, polygon(128)}, format);
    EXPECT_EQ(onlyBox().title, format + L" Export Failed");
    EXPECT_EQ(onlyBox().text, format + L" export failed: " + refused);
    EXPECT_EQ(app().statusText, L"●  " + format + L" export failed: " + refused);
  }
}

// A map naming a FIFO, set with Set Color Map and Set Normal Map or read from
// a project file, is never opened (its writer never comes): every export
// finishes without it, and the GLB reports name it as one left out.
TEST_F(GltfCommands, MapsNamingAFifoAreLeftOutAndNamed) {
  ASSERT_EQ(::mkfifo((folder_ / "pipe.png").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((folder_ / "pipe.jpg").c_str(), 0600), 0);
  app().selectedObjectId = addKind(ObjectKind::Mesh, L"Cube").id;
  headless::answerFileDialog(pathOf("pipe.png"));
  setActiveMaterialTexture(L"color");
  headless::answerFileDialog(pathOf("pipe.jpg"));
  setActiveMaterialTexture(L"normal");
  const std::wstring note = std::wstring(L"- ") + kGltfNoteImagesLeftOut + pathOf("pipe.png") +
                            L" (not a regular file), " + pathOf("pipe.jpg") + L" (not a regular file).\n";
  const auto exportAll = [&] {
    headless::answerFileDialog(pathOf("scene.gltf"));
    exportGltf();
    EXPECT_EQ(app().statusText, L"●  Exported glTF: 1 object(s), 36 vertices, 12 triangles");
    EXPECT_EQ(contents("scene.gltf").find("pipe"), std::string::npos);
    for (const bool selected : {true, false}) {
      headless::answerFileDialog(pathOf("scene.glb"));
      exportGlb(selected);
      EXPECT_EQ(headless::messageBoxes().back().title, L"GLB Export Report");
      EXPECT_NE(app().importReport.find(note), std::wstring::npos) << wideToUtf8(app().importReport);
      EXPECT_EQ(contents("scene.glb").find("pipe"), std::string::npos);
    }
  };
  exportAll();
  ASSERT_TRUE(saveProjectFile(pathOf("scene.json")));
  scene().objects.clear();
  headless::answerFileDialog(pathOf("scene.json"));
  openSelectedProject();
  ASSERT_EQ(scene().objects.size(), 1u);
  exportAll();
}

TEST_F(GltfCommands, BuildAndWriteFailuresKeepThePreviousFile) {
  addTriangles(L"Huge", 60001);
  std::ofstream(folder_ / "old.glb", std::ios::binary) << "previous";
  headless::answerFileDialog(pathOf("old.glb"));
  exportGlb(false);
  EXPECT_EQ(onlyBox().title, L"GLB Export Failed");
  EXPECT_EQ(onlyBox().text, L"glTF export blocked: mesh face count exceeds Phase 63 safety budget.");
  EXPECT_EQ(onlyBox().flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(app().statusText, L"●  glTF export blocked: mesh face count exceeds Phase 63 safety budget.");
  EXPECT_EQ(contents("old.glb"), "previous");

  scene().objects[0].meshData.faces.write().resize(2);
  fs::create_directories(folder_ / "taken.glb" / "inside");  // a folder stands where the file would go
  headless::answerFileDialog(pathOf("taken.glb"));
  exportGlb(false);
  EXPECT_EQ(headless::messageBoxes().back().text, L"Could not write the selected GLB file.\n\n\"" + pathOf("taken.glb") +
                                                     L"\" is a folder, not a file that can be replaced.");
  EXPECT_EQ(app().statusText, L"●  GLB export failed: could not write file");
  headless::answerFileDialog(pathOf("taken.glb"));
  exportGltf();
  EXPECT_TRUE(headless::messageBoxes().back().text.starts_with(L"Could not write the selected glTF file.\n\n\""));
  EXPECT_EQ(headless::messageBoxes().back().title, L"glTF Export Failed");
  EXPECT_EQ(app().statusText, L"●  glTF export failed: could not write file");
  EXPECT_TRUE(fs::is_directory(folder_ / "taken.glb" / "inside"));
  std::size_t leftovers = 0;
  for (const auto& entry : fs::directory_iterator(folder_)) leftovers += entry.path().filename() != "old.glb" &&
                                                                          entry.path().filename() != "taken.glb";
  EXPECT_EQ(leftovers, 0u);
}

}  // namespace
}  // namespace vk
