// The Import OBJ command end to end: dialogs, refusals, the new object, undo,
// the team's real-world fixtures and their survival through the project file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "formats/import_file.h"
#include "formats/obj_test_support.h"
#include "model/undo.h"
#include "platform/headless.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(VK_TEST_DATA_DIR) / "formats" / "obj";

class ObjImportFlowTest : public test::WavefrontCommandTest {
 protected:
  // Runs command 1006 with the Open dialog answering `path`; the new object
  // or null when nothing was added.
  static const Object* importThrough(const std::wstring& path) {
    const std::size_t before = appState().project.scene.objects.size();
    headless::answerFileDialog(path);
    importObjFile();
    if (appState().project.scene.objects.size() == before) return nullptr;
    return &appState().project.scene.objects.back();
  }
  static const headless::MessageBoxRecord* lastBox() {
    const auto& boxes = headless::messageBoxes();
    return boxes.empty() ? nullptr : &boxes.back();
  }
  void expectRefused(const std::wstring& path, const std::wstring& text, const wchar_t* title, UINT icon) {
    const Project before = appState().project;
    const std::size_t undo = appState().undoStack.size();
    EXPECT_EQ(importThrough(path), nullptr);
    EXPECT_EQ(appState().project, before);
    EXPECT_EQ(appState().undoStack.size(), undo);
    const headless::MessageBoxRecord* box = lastBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->flags & MB_ICONMASK, icon);
  }
};

TEST_F(ObjImportFlowTest, ChairBecomesOneSelectedEditableMeshAndOneUndoRemovesIt) {
  AppState& app = appState();
  app.workMode = WorkMode::EditMesh;
  app.transformTool = TransformTool::Rotate;
  app.selectedFaces = {0};
  const Project before = app.project;
  const Object* object = importThrough(wideFromPath(kFixtures / "chair.obj"));
  ASSERT_NE(object, nullptr);

  const auto& files = headless::fileDialogs();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_FALSE(files[0].save);
  EXPECT_EQ(files[0].defaultExtension, L"obj");
  EXPECT_EQ(files[0].flags, static_cast<DWORD>(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST));
  ASSERT_EQ(files[0].filters.size(), 2u);
  EXPECT_EQ(files[0].filters[0].first, L"Wavefront OBJ (*.obj)");

  EXPECT_EQ(object->name, L"OBJ: chair");
  EXPECT_EQ(object->kind, ObjectKind::Mesh);
  EXPECT_EQ(object->mesh.primitive, L"OBJ");
  EXPECT_EQ(object->objectCapsuleId, L"phase62-6-obj-mtl-import");
  EXPECT_EQ(object->objectCapsuleLabel, L"OBJ + MTL Import");
  EXPECT_EQ(object->objectCapsuleNote,
            L"Source chair.obj | vertices 7 | faces 2 | materials 3 | UVs 4 | texture maps 1 | MTL chair.mtl");
  const std::wstring& summary = object->meshData.validation;
  EXPECT_NE(summary.find(L"MeshData v1 | vertices 7"), std::wstring::npos);
  EXPECT_TRUE(summary.ends_with(
      L" | Phase 62.6 OBJ+MTL import | vt 4 | materials 3 | texture maps 1 | skipped faces 0 | skipped lines 0"));
  ASSERT_EQ(object->materialSlots.slots.size(), 3u);
  EXPECT_EQ(object->materialSlots.slots[1].name, L"Seat");
  EXPECT_EQ(object->material, object->materialSlots.slots[0]);
  // The file's UV corners 1 4 3 2, reversed after the first with their corners.
  EXPECT_EQ(object->meshData.faces.read()[0].uvIndices, (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(object->meshData.faces.read()[1].materialIndex, 2);

  EXPECT_EQ(app.selectedObjectId, object->id);
  EXPECT_TRUE(app.selectedFaces.empty());
  EXPECT_EQ(app.workMode, WorkMode::Object);
  EXPECT_EQ(app.transformTool, TransformTool::Select);
  EXPECT_EQ(app.viewPivot, object->transform.position);
  EXPECT_TRUE(app.dirty);
  EXPECT_EQ(app.statusText, L"●  Imported OBJ+MTL mesh: 7 vertices, 4 UVs, 2 faces, 3 materials");
  const auto& ids = app.project.scene.collections.front().objectIds;
  EXPECT_EQ(std::count(ids.begin(), ids.end(), object->id), 1);

  undoLastSnapshot();
  ASSERT_EQ(app.project.scene.objects.size(), before.scene.objects.size());
  for (std::size_t i = 0; i < before.scene.objects.size(); ++i)
    EXPECT_EQ(app.project.scene.objects[i].id, before.scene.objects[i].id);
  EXPECT_EQ(app.project.scene.collections, before.scene.collections);
}

// The status line says faces were left out, in the room it has; the note
// counts them by reason.
TEST_F(ObjImportFlowTest, FacesLeftOutAreCountedWithTheirReasonInTheNote) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "v " + std::to_string(std::cos(i * 0.0628)) + " " + std::to_string(std::sin(i * 0.0628)) + " 0\n";
  text += "f 1 2 3\nf";
  for (int i = 1; i <= 100; ++i) text += " " + std::to_string(i);
  const Object* object = importThrough(write("disc.obj", text + "\n"));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->objectCapsuleNote, L"Source disc.obj | vertices 100 | faces 1 | materials 1 | UVs 0 | texture maps 0 | "
                                       L"left out 1 face with more than 64 corners");
  EXPECT_EQ(appState().statusText, L"●  Imported OBJ; 1 face left out");

  // Other rejected faces are told apart from the oversized ones.
  object = importThrough(write("mixed.obj", text + "\nf 1 1 2\nf 1 2 200\n"));
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->objectCapsuleNote.ends_with(
      L" | left out 1 face with more than 64 corners and 2 faces with bad or repeated corners"));
  EXPECT_EQ(appState().statusText, L"●  Imported OBJ; 3 faces left out");
  // Undo and Redo bring it back exactly, "skipped faces 3" in its summary too.
  const Object imported = *object;
  undoLastSnapshot();
  redo();
  EXPECT_EQ(appState().project.scene.objects.back(), imported);
}

// A file whose only faces are past the corner limit is refused naming them
// and the limit, in the box and, shorter, on the status line; nothing changes.
TEST_F(ObjImportFlowTest, AFileOfOnlyOversizedFacesIsRefusedNamingTheLimit) {
  std::string vertices, face65 = "f";
  for (int i = 1; i <= 65; ++i) {
    vertices += "v " + std::to_string(std::cos(i * 0.0966)) + " " + std::to_string(std::sin(i * 0.0966)) + " 0\n";
    face65 += ' ';
    face65 += std::to_string(i);
  }
  expectRefused(write("ngon.obj", vertices + face65 + "\n"),
                L"OBJ import failed: no valid face records were found, only 1 face with more than 64 corners.",
                L"OBJ Import Failed", MB_ICONERROR);
  EXPECT_EQ(appState().statusText, L"●  Refused: 1 face over 64 corners");
  expectRefused(write("ngons.obj", vertices + face65 + " 1\n" + face65 + "\nf 1 1 2\n"),
                L"OBJ import failed: no valid face records were found, only 2 faces with more than 64 corners and "
                L"1 face with bad or repeated corners.",
                L"OBJ Import Failed", MB_ICONERROR);
  EXPECT_EQ(appState().statusText, L"●  Refused: 2 faces over 64 corners");
  // Bad faces alone keep the plain refusal, on the status line too.
  expectRefused(write("bad.obj", vertices + "f 1 1 2\n"), L"OBJ import failed: no valid face records were found.",
                L"OBJ Import Failed", MB_ICONERROR);
  EXPECT_EQ(appState().statusText, L"●  OBJ import failed: no valid face records were found.");
}

TEST_F(ObjImportFlowTest, RefusalsChangeNothingAndLeaveNoUndoEntry) {
  // Cancel: silently nothing.
  headless::cancelFileDialog();
  const Project before = appState().project;
  importObjFile();
  EXPECT_EQ(appState().project, before);
  EXPECT_TRUE(headless::messageBoxes().empty());

  // As a refused open: the path and the cause below the box's sentence, the
  // sentence alone on the status line; a FIFO (no writer) or device unopened.
  const std::wstring opened = L"OBJ import failed: file could not be opened.";
  ASSERT_EQ(::mkfifo((root_ / "pipe.obj").c_str(), 0600), 0);
  fs::create_directory(root_ / "folder.obj");
  fs::create_symlink("/dev/null", root_ / "device.obj");
  std::vector<std::pair<std::string, std::wstring>> unread = {
      {"missing.obj", L"Could not open \"" + pathOf("missing.obj") + L"\": No such file or directory"},
      {"pipe.obj", L"\"" + pathOf("pipe.obj") + L"\" is a FIFO, not a regular file."},
      {"folder.obj", L"\"" + pathOf("folder.obj") + L"\" is a folder, not a regular file."},
      {"device.obj", L"\"" + pathOf("device.obj") + L"\" is a character device, not a regular file."}};
  if (::geteuid() != 0) {  // permissions do not stop root
    write("locked.obj", "v 0 0 0\n");
    fs::permissions(root_ / "locked.obj", fs::perms::none);
    unread.push_back({"locked.obj", L"Could not open \"" + pathOf("locked.obj") + L"\": Permission denied"});
  }
  for (const auto& [name, reason] : unread) {
    expectRefused(pathOf(name), opened + L"\n\n" + reason, L"OBJ Import Failed", MB_ICONERROR);
    EXPECT_EQ(appState().statusText, L"●  " + opened) << name;
  }

  const std::string limit(8388608, '#');
  expectRefused(write("big.obj", limit + "\n"), L"OBJ import blocked: file exceeds the Phase 61 safe size limit.",
                L"OBJ Import Failed", MB_ICONERROR);
  expectRefused(write("points.obj", "v 0 0 0\nv 1 0 0\n"), L"OBJ import failed: no valid face records were found.",
                L"OBJ Import Failed", MB_ICONERROR);
  expectRefused(wideFromPath(kFixtures / "over_vertex_cap.obj"),
                L"OBJ import blocked: vertex count exceeds Phase 62.6 safe mesh budget.", L"OBJ Import Failed",
                MB_ICONERROR);

  // Far beyond the clamp the mesh collapses to faces without area, which
  // the project file would not keep.
  expectRefused(write("flat.obj", "v 20000 0 0\nv 30000 0 0\nv 0 1 0\nf 1 2 3\nf 2 1 3\n"),
                L"OBJ import failed: most faces have no area once coordinates are limited to -10000..10000.",
                L"OBJ Import Failed", MB_ICONERROR);
  EXPECT_EQ(appState().statusText, L"●  Refused: most faces have no area");  // the box holds the detail

  // The object budget is tested after parsing, before any snapshot.
  const std::wstring good = write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  while (appState().project.scene.objects.size() < 256)
    appState().project.scene.objects.push_back(makeObject(ObjectKind::Empty, L"Filler"));
  expectRefused(good, L"OBJ import blocked: scene object budget reached.", L"OBJ Import Blocked", MB_ICONWARNING);
  EXPECT_EQ(appState().statusText, L"●  OBJ import blocked: object budget reached");
  appState().project.scene.objects.pop_back();
  EXPECT_NE(importThrough(good), nullptr);
}

TEST_F(ObjImportFlowTest, TeamFixturesImportWithTheirCountsAndSurviveSaveAndOpen) {
  // The last column: the loaded libraries' names.
  const test::ObjFileCounts kFixtureCounts[] = {
      {"chair.obj", 7, 4, 2, 3, 1, 1, 0, 0, L"chair.mtl"},
      {"cornell/cornell_scene.obj", 38, 0, 13, 8, 0, 1, 0, 0, L"cornell_scene.mtl"},
      {"bom_quad.obj", 4, 0, 1, 2, 0, 1, 0, 0, L"bom.mtl"},
      {"texture_options.obj", 3, 3, 1, 2, 4, 1, 0, 0, L"texture_options.mtl"},
      {"several_libraries.obj", 3, 0, 3, 4, 1, 3, 0, 1, L"lib_a.mtl, lib_b.mtl, lib_c.mtl"},
      {"folder with blanks/ünïcode/my chair.obj", 3, 0, 1, 2, 1, 1, 0, 0, L"my materials.mtl"},
      {"teapot_sized.obj", 3600, 3600, 6240, 1, 0, 0, 0, 0, L""},
  };
  for (const test::ObjFileCounts& expected : kFixtureCounts) {
    SCOPED_TRACE(expected.file);
    const std::wstring path = wideFromPath(kFixtures / fs::u8path(expected.file));
    std::wstring error;
    const LimitedTextFile file = readTextFileLimited(path, kObjImportFileByteLimit, error);
    ASSERT_TRUE(file.ok);
    ObjImportResult result;
    ASSERT_TRUE(parseObjFile(file.text, path, result, error));
    EXPECT_EQ(result.vertices, expected.vertices);
    EXPECT_EQ(result.texcoords, expected.uvs);
    EXPECT_EQ(result.faces, expected.faces);
    EXPECT_EQ(static_cast<std::int32_t>(result.materials.size()), expected.slots);
    EXPECT_EQ(result.textureMaps, expected.textureMaps);
    EXPECT_EQ(result.mtlLibraries, expected.libraries);
    EXPECT_EQ(result.skippedFaces, expected.skippedFaces);
    EXPECT_EQ(result.skippedLines, expected.skippedLines);
    EXPECT_EQ(result.mtlLibraryNames, expected.text);

    const Object* object = importThrough(path);
    ASSERT_NE(object, nullptr);
    test::expectSurvivesSaveAndOpen(*object);
  }
}

TEST_F(ObjImportFlowTest, FixtureMaterialsCarryTheirLibraryValues) {
  ObjImportResult result;
  std::wstring error;
  auto parseFixture = [&](const char* name) {
    const std::wstring path = wideFromPath(kFixtures / fs::u8path(name));
    const LimitedTextFile file = readTextFileLimited(path, kObjImportFileByteLimit, error);
    ASSERT_TRUE(parseObjFile(file.text, path, result, error));
  };
  parseFixture("cornell/cornell_scene.obj");
  const auto& slots = result.materials;
  ASSERT_EQ(slots.size(), 8u);
  EXPECT_EQ(slots[1].name, L"white");
  EXPECT_EQ(std::tie(slots[1].r, slots[1].g, slots[1].b), std::make_tuple(185, 181, 173));
  EXPECT_EQ(slots[4].name, L"light");
  EXPECT_EQ(slots[4].emission, 0.0);  // Ke is not read
  EXPECT_DOUBLE_EQ(slots[5].roughness, 0.9);
  EXPECT_DOUBLE_EQ(slots[6].metallic, 0.2);
  EXPECT_DOUBLE_EQ(slots[7].alpha, 0.3);
  std::vector<std::int32_t> used;
  for (const MeshFace& face : result.mesh.faces.read()) used.push_back(face.materialIndex);
  EXPECT_EQ(used, (std::vector<std::int32_t>{1, 1, 4, 1, 3, 2, 5, 5, 5, 5, 6, 6, 7}));

  parseFixture("texture_options.obj");
  const Material& options = result.materials[1];
  auto mapPath = [&](const wchar_t* channel) {
    for (const TextureMap& map : options.textureMaps.maps)
      if (map.channel == channel) return map.path;
    return std::wstring(L"<none>");
  };
  const std::wstring textures = wideFromPath(kFixtures / "textures") + L"/";
  EXPECT_EQ(mapPath(L"color"), textures + L"albedo.png");
  EXPECT_EQ(mapPath(L"alpha"), textures + L"alpha.png");
  EXPECT_EQ(mapPath(L"roughness"), textures + L"rough.png");
  EXPECT_EQ(mapPath(L"normal"), textures + L"normal.png");

  parseFixture("folder with blanks/ünïcode/my chair.obj");
  ASSERT_EQ(result.materials.size(), 2u);
  EXPECT_EQ(result.materials[1].textureMaps.maps.front().path,
            wideFromPath(kFixtures / fs::u8path("folder with blanks/ünïcode/wood grain.png")));
  EXPECT_FALSE(result.materials[1].textureMaps.maps.front().missing);
}

}  // namespace
}  // namespace vk
