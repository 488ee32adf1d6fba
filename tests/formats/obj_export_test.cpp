// OBJ export: the text, its names and budgets, the command's boxes and the
// file it leaves, and the way back through our own import.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <sstream>

#include "formats/export_scope.h"
#include "formats/obj_export.h"
#include "formats/obj_test_support.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "platform/headless.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// A mesh of `count` vertices on a line and the given faces.
Object meshObject(const std::wstring& name, std::size_t count, std::vector<MeshFace> faces) {
  Object object = makeObject(ObjectKind::Mesh, name);
  std::vector<Vec3> vertices(count);
  for (std::size_t i = 0; i < count; ++i) vertices[i] = {static_cast<double>(i % 97), static_cast<double>(i / 97), 0};
  object.meshData.vertices = std::move(vertices);
  object.meshData.faces = std::move(faces);
  object.transform = Transform{};
  return object;
}

class ObjExportTest : public test::WavefrontCommandTest {
 protected:
  static void appendCubeTo(AppState& app) { app.project.scene.objects.push_back(makeObject(ObjectKind::Mesh, L"Cube")); }
  std::string build(const std::vector<const Object*>& scope, ObjExportCounts& counts, std::wstring& error) {
    return buildObjExportText(scope, counts, error);
  }
  std::string buildOk(const std::vector<const Object*>& scope) {
    ObjExportCounts counts;
    std::wstring error;
    const std::string text = buildObjExportText(scope, counts, error);
    EXPECT_FALSE(text.empty()) << std::string(error.begin(), error.end());
    return text;
  }
};

TEST_F(ObjExportTest, StarterCubeMatchesTheGoldenFile) {
  ObjExportCounts counts;
  std::wstring error;
  const std::string text = build(collectSelectedOrVisibleMeshes(), counts, error);
  const std::string golden = readAll(fs::path(VK_TEST_DATA_DIR) / "formats" / "obj" / "starter_cube_export.obj");
  EXPECT_TRUE(text == golden) << text;
  EXPECT_EQ(counts.objects, 1);
  EXPECT_EQ(counts.vertices, 8);
  EXPECT_EQ(counts.faces, 6);
  EXPECT_EQ(counts.skippedFaces, 0);
}

TEST_F(ObjExportTest, NamesAreSafeAscii) {
  EXPECT_EQ(objSafeObjectName(L" Cube #1 ", "x"), "Cube_1");
  EXPECT_EQ(objSafeObjectName(L"###", "Veltrask_Object"), "Veltrask_Object");
  EXPECT_EQ(objSafeObjectName(L"", "obj"), "obj");
  EXPECT_EQ(objSafeObjectName(L"", nullptr), "Veltrask_Object");
  EXPECT_EQ(objSafeObjectName(L"obj-12", "obj"), "obj-12");
  EXPECT_EQ(objSafeObjectName(L"__a  b__c.d__", "x"), "__a_b__c.d");
  EXPECT_EQ(objSafeObjectName(L"Stuhl \u00fcber \u6905\u5b50 \U0001F600 2", "x"), "Stuhl_ber_2");
  EXPECT_EQ(objSafeObjectName(std::wstring(120, L'n'), "x"), std::string(96, 'n'));
}

TEST_F(ObjExportTest, VerticesAreBakedToWorldSpaceAndIndicesOffsetPerObject) {
  Object rotated = meshObject(L"Rotated", 3, {{{0, 1, 2}, {}, 0}});
  rotated.meshData.vertices = std::vector<Vec3>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  rotated.transform.rotation = {0, 90, 0};
  rotated.transform.scale = {2, 1, 1};
  rotated.transform.position = {10, 20, 30};
  Object tilted = rotated;
  tilted.name = L"Tilted";
  tilted.transform.rotation = {33, -71, 128};
  tilted.transform.scale = {0.5, 3, -1.25};
  tilted.transform.position = {-1.5, 0.25, 7};
  std::vector<const Object*> scope{&rotated, &tilted};
  const std::string text = buildOk(scope);
  const std::vector<std::string> vertices = linesStartingWith(text, "v ");
  ASSERT_EQ(vertices.size(), 6u);
  // (1, 0, 0) -> (0, 0, -2) + position, z mirrored into OBJ's axes
  EXPECT_EQ(vertices[0], "v 10.000000 20.000000 -28.000000");
  for (std::size_t i = 0; i < 3; ++i) {
    const Vec3 world = objectWorldPoint(tilted, tilted.meshData.vertices.read()[i]);
    char expected[200];
    std::snprintf(expected, sizeof expected, "v %.6f %.6f %.6f", world.x, world.y, -world.z);
    EXPECT_EQ(vertices[3 + i], expected);
  }
  // Corners reversed after the first keep each face's outward side through the
  // mirror; the tilted object's own mirroring scale turns them back.
  EXPECT_EQ(linesStartingWith(text, "f "), (std::vector<std::string>{"f 1 3 2", "f 4 5 6"}));
}

// Every face of the written cube, in the file's right-handed axes, winds
// counter-clockwise seen from outside, also when the object is mirrored.
TEST_F(ObjExportTest, MirroredObjectsKeepTheirFacesOutward) {
  for (const Vec3& scale : {Vec3{1, 1, 1}, Vec3{-1, 1, 1}, Vec3{0.5, -2, -1}, Vec3{-1, -1, -1}}) {
    Object cube = makeObject(ObjectKind::Mesh, L"Cube");
    cube.transform = {{1, 2, 3}, {10, 30, -20}, scale};
    const std::string text = buildOk({&cube});
    std::vector<Vec3> points;
    Vec3 centroid;
    for (const std::string& line : linesStartingWith(text, "v ")) {
      Vec3 p;
      std::istringstream(line.substr(2)) >> p.x >> p.y >> p.z;
      points.push_back(p);
      centroid += p / 8.0;
    }
    ASSERT_EQ(points.size(), 8u);
    const std::vector<std::string> faces = linesStartingWith(text, "f ");
    ASSERT_EQ(faces.size(), 6u);
    for (const std::string& line : faces) {
      std::istringstream in(line.substr(2));
      std::vector<Vec3> corners;
      for (std::size_t index = 0; in >> index;) corners.push_back(points.at(index - 1));
      ASSERT_EQ(corners.size(), 4u);
      const Vec3 middle = (corners[0] + corners[1] + corners[2] + corners[3]) / 4.0;
      const Vec3 normal = vec3Cross(corners[1] - corners[0], corners[2] - corners[0]);
      EXPECT_GT(vec3Dot(normal, middle - centroid), 0.0) << scale.x << " " << scale.y << " " << scale.z << ": " << line;
    }
  }
}

TEST_F(ObjExportTest, NumbersPrintAsFixedSixDecimalsAndNonFiniteAsZero) {
  Object object = meshObject(L"Odd", 4, {{{0, 1, 2, 3}, {}, 0}});
  const double nan = std::nan("");
  const double inf = HUGE_VAL;
  object.meshData.vertices = std::vector<Vec3>{{-4e-7, -1e-9, 1e-7}, {nan, inf, -inf}, {123456.5, 0.0000005, -2.5e-7}, {1, 1, 1}};
  const std::string text = buildOk({&object});
  EXPECT_EQ(linesStartingWith(text, "v "),
            (std::vector<std::string>{"v -0.000000 -0.000000 -0.000000", "v 0.000000 0.000000 0.000000",
                                      "v 123456.500000 0.000000 0.000000", "v 1.000000 1.000000 -1.000000"}));
  // Every line is read back: no index after the odd vertex shifts.
  ObjImportResult back = parseOk(text);
  EXPECT_EQ(back.vertices, 4);
  EXPECT_EQ(test::faceIndices(back, 0), (std::vector<std::int32_t>{0, 1, 2, 3}));
}

TEST_F(ObjExportTest, UnexportableFacesAreSkippedAndCounted) {
  std::vector<std::int32_t> corners65(65);
  for (int i = 0; i < 65; ++i) corners65[static_cast<std::size_t>(i)] = i;
  Object object = meshObject(L"Mixed", 70, {{{0, 1, 2, 3}, {}, 0}, {{0, 0, 1}, {}, 0}, {corners65, {}, 0},
                                            {{0, 1, 70}, {}, 0}, {{5, 5, 6, 7}, {}, 0}});
  ObjExportCounts counts;
  std::wstring error;
  const std::string text = build({&object}, counts, error);
  EXPECT_EQ(linesStartingWith(text, "f "), (std::vector<std::string>{"f 1 4 3 2", "f 6 8 7 6"}));
  EXPECT_EQ(counts.faces, 2);
  EXPECT_EQ(counts.skippedFaces, 3);
  EXPECT_EQ(counts.oversizedFaces, 1);
  EXPECT_EQ(counts.vertices, 70);  // unused vertices are written too

  Object broken = meshObject(L"Broken", 3, {{{0, 0, 1}, {}, 0}});
  EXPECT_EQ(build({&broken}, counts, error), "");
  EXPECT_EQ(error, L"OBJ export failed: no valid mesh faces were available to write.");
  // With faces over the corner limit among those left out, the error names them and the limit.
  Object filled = meshObject(L"Filled", 70, {{corners65, {}, 0}, {{0, 0, 1}, {}, 0}, {corners65, {}, 0}});
  EXPECT_EQ(build({&filled}, counts, error), "");
  EXPECT_EQ(error, L"OBJ export failed: no valid face of 3 to 64 corners to write, only 2 faces over 64 corners and "
                   L"1 face with bad corners.");
  EXPECT_EQ(build({}, counts, error), "");
  EXPECT_EQ(error, L"OBJ export blocked: select a mesh/text object or make at least one mesh visible.");
  std::vector<const Object*> tooMany(257, &object);
  EXPECT_EQ(build(tooMany, counts, error), "");
  EXPECT_EQ(error, L"OBJ export blocked: object count exceeds the Phase 62 safe export budget.");
  Object hidden = object;
  hidden.visible = false;
  std::vector<const Object*> withNull{nullptr, &hidden, &object};
  EXPECT_FALSE(build(withNull, counts, error).empty());
  EXPECT_EQ(counts.objects, 1);
}

// A face the export leaves out (over 64 corners, as Fill makes up to 128, or
// with bad corners) is counted on the status line, its count and the limit
// first; a 64-corner face is written.
TEST_F(ObjExportTest, FacesLeftOutLeadTheStatusWithTheirCountAndLimit) {
  const auto polygon = [](std::int32_t corners) {
    std::vector<std::int32_t> indices(static_cast<std::size_t>(corners));
    std::iota(indices.begin(), indices.end(), 0);
    return MeshFace{indices, {}, 0};
  };
  const MeshFace quad{{100, 101, 102, 103}, {}, 0}, repeated{{0, 0, 1}, {}, 0}, outside{{0, 1, 104}, {}, 0};
  const std::pair<std::vector<MeshFace>, const wchar_t*> cases[] = {
      {{quad, polygon(100)}, L"●  OBJ skips 1 face over 64 corners"},
      {{polygon(65), quad, polygon(100)}, L"●  OBJ skips 2 faces over 64 corners"},
      {{quad, repeated, outside}, L"●  OBJ skips 2 faces with bad corners"},
      {{polygon(65), repeated, quad, outside}, L"●  OBJ skips 1 face over 64 corners and 2 faces with bad corners"},
      {{quad, polygon(64)}, L"●  Exported OBJ: 1 object(s), 104 vertices, 2 faces"},
  };
  AppState& app = appState();
  for (const auto& [faces, status] : cases) {
    app.project.scene.objects = {meshObject(L"Filled", 104, faces)};
    app.selectedObjectId = app.project.scene.objects.front().id;
    headless::answerFileDialog(pathOf("filled.obj"));
    exportObj();
    EXPECT_EQ(app.statusText, status);
  }
  EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(ObjExportTest, BudgetsBlockTheWholeExport) {
  const MeshFace triangle{{0, 1, 2}, {}, 0};
  Object big = meshObject(L"Big", 199999, {triangle});
  Object one = meshObject(L"One", 1, {});
  one.meshData.vertices = std::vector<Vec3>{{0, 0, 0}};
  one.meshData.faces = std::vector<MeshFace>{MeshFace{{0, 0, 0}, {}, 0}};
  Object three = meshObject(L"Three", 3, {triangle});
  ObjExportCounts counts;
  std::wstring error;
  EXPECT_FALSE(build({&big, &one}, counts, error).empty());
  EXPECT_EQ(counts.vertices, 200000);
  EXPECT_TRUE(build({&big, &one, &one}, counts, error).empty());
  EXPECT_EQ(error, L"OBJ export blocked: vertex count exceeds the Phase 62 safe export budget.");

  Object faces = meshObject(L"Faces", 3, std::vector<MeshFace>(199999, triangle));
  EXPECT_FALSE(build({&faces, &three}, counts, error).empty());
  EXPECT_TRUE(build({&faces, &three, &three}, counts, error).empty());
  EXPECT_EQ(error, L"OBJ export blocked: face count exceeds the Phase 62 safe export budget.");

  // Far-away coordinates make long lines: refused at the byte budget, not
  // after building hundreds of megabytes.
  Object far = meshObject(L"Far", 200000, {triangle});
  far.transform.position = {1e300, -1e300, 1e300};
  EXPECT_TRUE(build({&far}, counts, error).empty());
  EXPECT_EQ(error, L"OBJ export blocked: output exceeds the Phase 62 safe file budget.");
}

TEST_F(ObjExportTest, CommandReportsScopeDialogAndWriteOutcomes) {
  AppState& app = appState();
  for (Object& object : app.project.scene.objects) object.visible = false;
  exportObj();
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes()[0].title, L"OBJ Export Blocked");
  EXPECT_EQ(headless::messageBoxes()[0].text,
            L"OBJ export needs a selected mesh/text object or at least one visible mesh in the scene.");
  EXPECT_EQ(headless::messageBoxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(app.statusText, L"●  OBJ export blocked: no valid mesh objects");
  EXPECT_TRUE(headless::fileDialogs().empty());
  for (Object& object : app.project.scene.objects) object.visible = true;

  const std::wstring target = pathOf("scene.obj");
  headless::answerFileDialog(target);
  const Project before = app.project;
  const std::size_t undo = app.undoStack.size();
  app.dirty = false;
  exportObj();
  const headless::FileDialogRecord& dialog = headless::fileDialogs().back();
  EXPECT_TRUE(dialog.save);
  EXPECT_EQ(dialog.defaultName, L"veltrask_phase62_export.obj");
  EXPECT_EQ(dialog.flags, static_cast<DWORD>(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT));
  EXPECT_EQ(app.statusText, L"●  Exported OBJ: 1 object(s), 8 vertices, 6 faces");
  EXPECT_EQ(app.project, before);
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_FALSE(app.dirty);
  const std::string written = readAll(root_ / "scene.obj");
  EXPECT_EQ(linesStartingWith(written, "f ").size(), 6u);

  // A failed write leaves what was there.
  fs::create_directories(root_ / "taken.obj" / "keep");
  headless::answerFileDialog(pathOf("taken.obj"));
  exportObj();
  const std::wstring& box = headless::messageBoxes().back().text;
  EXPECT_TRUE(box.starts_with(L"Could not write the selected OBJ file.\n\n")) << wideToUtf8(box);
  EXPECT_NE(box.find(L"is a folder"), std::wstring::npos) << wideToUtf8(box);
  EXPECT_EQ(headless::messageBoxes().back().title, L"OBJ Export Failed");
  EXPECT_EQ(app.statusText, L"●  OBJ export failed: could not write file");
  EXPECT_TRUE(fs::is_directory(root_ / "taken.obj" / "keep"));
  if (::geteuid() != 0) {
    fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
    app.selectedObjectId.clear();
    appendCubeTo(app);
    headless::answerFileDialog(target);
    exportObj();
    fs::permissions(root_, fs::perms::owner_all);
    EXPECT_EQ(readAll(root_ / "scene.obj"), written);
    EXPECT_NE(headless::messageBoxes().back().text.find(L"Permission denied"), std::wstring::npos);
  }

  // A builder refusal shows its own text in the error box; nothing is written.
  Object& cube = *findObjectById(L"obj-1");
  cube.meshData.faces = std::vector<MeshFace>{MeshFace{{0, 0, 1}, {}, 0}};
  headless::answerFileDialog(pathOf("none.obj"));
  exportObj();
  EXPECT_EQ(headless::messageBoxes().back().text, L"OBJ export failed: no valid mesh faces were available to write.");
  EXPECT_EQ(headless::messageBoxes().back().flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(app.statusText, L"●  OBJ export failed: no valid mesh faces were available to write.");
  EXPECT_FALSE(fs::exists(root_ / "none.obj"));
}

TEST_F(ObjExportTest, ExportThenImportGivesBackPositionsAndFaces) {
  Object first = meshObject(L"First", 5, {{{0, 1, 2, 3, 4}, {}, 0}, {{4, 3, 1}, {}, 0}});
  first.transform.position = {1.25, -2, 3.125};
  first.transform.rotation = {10, 20, 30};
  Object second = meshObject(L"Second", 4, {{{0, 1, 2}, {}, 0}, {{0, 2, 3}, {}, 0}});
  const std::string text = buildOk({&first, &second});
  const ObjImportResult back = parseOk(text);
  ASSERT_EQ(back.vertices, 9);
  std::size_t v = 0;
  for (const Object* object : {&first, &second}) {
    for (const Vec3& local : object->meshData.vertices.read()) {
      const Vec3 world = objectWorldPoint(*object, local);
      const Vec3 read = back.mesh.vertices.read()[v++];
      EXPECT_NEAR(read.x, world.x, 5e-7);
      EXPECT_NEAR(read.y, world.y, 5e-7);
      EXPECT_NEAR(read.z, world.z, 5e-7);
    }
  }
  using Ints = std::vector<std::int32_t>;
  EXPECT_EQ(test::faceIndices(back, 0), (Ints{0, 1, 2, 3, 4}));
  EXPECT_EQ(test::faceIndices(back, 1), (Ints{4, 3, 1}));
  EXPECT_EQ(test::faceIndices(back, 3), (Ints{5, 7, 8}));
}

// The z mirror on the way out and on the way in cancel exactly: random
// rotations, negative scales and polygons of up to six corners.
TEST_F(ObjExportTest, RandomScenesComeBackIdenticalThroughBothMirrors) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> angle(-180.0, 180.0), coord(-4.0, 4.0), size(0.3, 2.0);
  std::uniform_int_distribution<int> corners(3, 6), sign(0, 3);
  for (int round = 0; round < 20; ++round) {
    std::vector<Object> objects;
    for (int o = 0; o < 4; ++o) {
      std::vector<MeshFace> faces;
      for (int f = 0; f < 5; ++f) {
        std::vector<std::int32_t> order{0, 1, 2, 3, 4, 5, 6, 7};
        std::shuffle(order.begin(), order.end(), rng);
        order.resize(static_cast<std::size_t>(corners(rng)));
        faces.push_back({order, {}, 0});
      }
      Object object = meshObject(L"R" + std::to_wstring(o), 8, faces);
      std::vector<Vec3> vertices;
      for (int v = 0; v < 8; ++v) vertices.push_back({coord(rng), coord(rng), coord(rng)});
      object.meshData.vertices = std::move(vertices);
      const int mirror = sign(rng);
      object.transform = {{coord(rng), coord(rng), coord(rng)},
                          {angle(rng), angle(rng), angle(rng)},
                          {size(rng) * (mirror == 0 ? -1 : 1), size(rng) * (mirror == 1 ? -1 : 1),
                           size(rng) * (mirror == 2 ? -1 : 1)}};
      if (o > 0) object.parentId = objects[static_cast<std::size_t>(o - 1)].id;
      objects.push_back(std::move(object));
    }
    std::vector<const Object*> scope;
    for (Object& object : objects) scope.push_back(&object);
    const ObjImportResult back = parseOk(buildOk(scope));
    std::size_t v = 0, f = 0;
    std::int32_t offset = 0;
    for (const Object& object : objects) {
      for (const Vec3& local : object.meshData.vertices.read()) {
        const Vec3 world = objectWorldPoint(object, local);
        const Vec3 read = back.mesh.vertices.read()[v++];
        ASSERT_NEAR(read.x, world.x, 6e-7) << round;
        ASSERT_NEAR(read.y, world.y, 6e-7) << round;
        ASSERT_NEAR(read.z, world.z, 6e-7) << round;
      }
      // A mirroring transform is baked into the positions, so its faces come
      // back turned over (after corner 0) to keep facing outward.
      const Vec3& scale = object.transform.scale;
      for (const MeshFace& face : object.meshData.faces.read()) {
        std::vector<std::int32_t> expected = face.indices;
        if (scale.x * scale.y * scale.z < 0) reverseWindingKeepFirst(expected);
        for (std::int32_t& index : expected) index += offset;
        ASSERT_EQ(test::faceIndices(back, f++), expected) << round;
      }
      offset += 8;
    }
  }
}

}  // namespace
}  // namespace vk
