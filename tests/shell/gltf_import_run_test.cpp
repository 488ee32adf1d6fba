// The glTF/GLB import run in the studio: created objects and their tags, one
// undo step, the object budget, Escape and close requests during the pump,
// cyclic and transformed hierarchies, and save -> open of imported objects.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "formats/gltf_import_fixture.h"
#include "gltf_import_studio.h"
#include "model/app_state.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "persistence/persistence.h"
#include "persistence/project_flows.h"
#include "platform/file_io.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "platform/kernel.h"
#include "shading/textures.h"
#include "model/services.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::GltfFixture;

const std::string kFixtures = std::string(VK_TEST_DATA_DIR) + "/formats/gltf/";

class GltfRun : public test::GltfStudio {
 protected:
  std::wstring write(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    return utf8ToWide((root_ / name).string());
  }
  std::vector<Object> importedObjects() const {
    std::vector<Object> out;
    for (const Object& o : appState().project.scene.objects)
      if (o.objectCapsuleId == L"phase65-gltf-import") out.push_back(o);
    return out;
  }
  void fillSceneTo(std::size_t count) {
    auto& objects = appState().project.scene.objects;
    Object empty = makeObject(ObjectKind::Empty, L"Filler");
    while (objects.size() < count) {
      empty.id = L"obj-" + std::to_wstring(1000 + objects.size());
      objects.push_back(empty);
    }
    recalcNextObjectId();
  }
};

TEST_F(GltfRun, ImportTagsObjectsSharesOneReportAndUndoesInOneStep) {
  const std::size_t before = appState().project.scene.objects.size();
  const std::size_t undoBefore = appState().undoStack.size();
  ASSERT_TRUE(phase65ImportRun(utf8ToWide(kFixtures + "several_meshes.glb")));
  const auto objects = importedObjects();
  ASSERT_EQ(objects.size(), 3u);
  for (const Object& o : objects) {
    EXPECT_EQ(o.kind, ObjectKind::Mesh);
    EXPECT_EQ(o.mesh.primitive, L"Imported glTF Mesh");
    EXPECT_EQ(o.objectCapsuleLabel, L"glTF/GLB Import");
    EXPECT_EQ(o.importedAssetSourceKind, L"GLB");
    EXPECT_EQ(o.importedAssetOriginalName, L"several_meshes");
    EXPECT_TRUE(o.importedMeshReadOnly);
    EXPECT_EQ(o.meshData.faces.size(), 12u);
    EXPECT_TRUE(o.importedAssetImportReport.sharesWith(objects[0].importedAssetImportReport));
    EXPECT_EQ(o.importedAssetWarnings.str(), L"Warnings: none");
  }
  const Material& blue = objects[1].materialSlots.slots[static_cast<std::size_t>(objects[1].meshData.faces[0].materialIndex)];
  EXPECT_EQ(std::tie(blue.name, blue.r, blue.b), std::make_tuple(std::wstring(L"Blue"), 0, 255));
  EXPECT_DOUBLE_EQ(blue.alpha, 0.5);
  EXPECT_EQ(appState().selectedObjectId, objects[0].id);
  EXPECT_TRUE(appState().dirty);
  EXPECT_EQ(appState().statusText,
            L"Imported glTF/GLB safely with Phase 65.7.1 survival import guard: 3 object(s), 36 triangles");
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_.back().title, L"Phase 65.7.1 Import Report");
  EXPECT_EQ(appState().undoStack.size(), undoBefore + 1);
  undoLastSnapshot();
  EXPECT_EQ(appState().project.scene.objects.size(), before);
}

TEST_F(GltfRun, ObjectBudgetCountsEveryPlannedObject) {
  const std::wstring oneNode = utf8ToWide(kFixtures + "box.gltf");
  fillSceneTo(4095);
  EXPECT_TRUE(phase65ImportRun(oneNode));
  EXPECT_EQ(appState().project.scene.objects.size(), 4096u);
  EXPECT_FALSE(phase65ImportRun(oneNode));
  EXPECT_EQ(boxes_.back().text, L"glTF/GLB import blocked: scene object budget reached.");
  EXPECT_EQ(appState().project.scene.objects.size(), 4096u);

  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  f.mesh(pos);
  f.mesh(pos);
  appState().project.scene.objects.resize(4095);
  const std::size_t undo = appState().undoStack.size();
  EXPECT_FALSE(phase65ImportRun(write("robot.gltf", f.gltfWithDataUri())));
  EXPECT_EQ(appState().statusText, L"Phase 65.7.1 import blocked: object budget reached");
  EXPECT_EQ(appState().undoStack.size(), undo);
  appState().project.scene.objects.resize(4094);
  ASSERT_TRUE(phase65ImportRun(utf8ToWide((root_ / "robot.gltf").string())));
  EXPECT_EQ(appState().project.scene.objects[4094].name, L"robot Mesh 1");
  EXPECT_EQ(appState().project.scene.objects[4095].name, L"robot Mesh 2");
}

TEST_F(GltfRun, EscapeAtAnyProgressPointLeavesEverythingAsItWas) {
  GltfFixture f;
  std::vector<Vec3> grid;
  for (int i = 0; i < 5000; ++i) grid.push_back({i * 0.001, (i % 2) * 1.0, 0});
  std::vector<std::uint32_t> strip;
  for (int pass = 0; pass < 2; ++pass)  // past the first triangle-staging progress point
    for (std::uint32_t i = 0; i + 2 < 5000; ++i) strip.insert(strip.end(), {i, i + 1, i + 2});
  f.mesh(f.positions(grid), f.indices(strip));
  f.node("\"mesh\":0");
  const std::wstring file = write("escape.glb", f.glb());
  for (const wchar_t* phase : {L"reading vertex accessor", L"reading index accessor", L"staging mesh triangles",
                               L"reading glTF/GLB file", L"staging scene objects"}) {
    AppState& app = appState();
    setDirty(false);
    const Project project = app.project;
    const std::size_t undo = app.undoStack.size(), redo = app.redoStack.size();
    const std::uint32_t counter = app.nextObjectNumber;
    int polls = 0;
    setImportCancelProbeForTesting([&](const std::wstring& progress) {
      ++polls;
      return progress.find(phase) != std::wstring::npos;
    });
    EXPECT_FALSE(phase65ImportRun(file)) << phase;
    EXPECT_EQ(app.statusText, L"Import cancelled with Escape before scene creation completed.");
    EXPECT_TRUE(app.project == project) << phase;
    EXPECT_EQ(app.undoStack.size(), undo);
    EXPECT_EQ(app.redoStack.size(), redo);
    EXPECT_EQ(app.nextObjectNumber, counter);
    EXPECT_FALSE(app.dirty);
    EXPECT_GT(polls, 0);
  }
}

// The progress repaints on the first poll and then only once the platform
// clock has moved on 50 ms; the pump here moves the clock by a set step.
int gPumps = 0;
std::uint64_t gPumpStep = 0;
void steppingPump() {
  ++gPumps;
  headless::advanceClock(gPumpStep);
}

TEST_F(GltfRun, ProgressRepaintsAtMostEvery50Milliseconds) {
  GltfFixture f;
  std::vector<Vec3> grid;
  for (int i = 0; i < 20000; ++i) grid.push_back({i * 0.001, (i % 2) * 1.0, 0});
  std::vector<std::uint32_t> strip;
  for (std::uint32_t i = 0; i + 2 < 20000; ++i) strip.insert(strip.end(), {i, i + 1, i + 2});
  f.mesh(f.positions(grid), f.indices(strip));
  f.node("\"mesh\":0");
  const std::wstring file = write("paced.glb", f.glb());
  int polls = 0;
  setImportCancelProbeForTesting([&](const std::wstring&) { return ++polls, false; });
  ASSERT_TRUE(phase65ImportRun(file));
  setImportCancelProbeForTesting(nullptr);
  ASSERT_GT(polls, 8);
  const ServiceHooks saved = installedServiceHooks();
  ServiceHooks stepping = saved;
  stepping.pumpPendingMessages = steppingPump;
  installServiceHooks(stepping);
  const std::wstring statusAfterProbe = appState().statusText;
  for (const auto& [step, pumps] : {std::pair<std::uint64_t, int>{0, 1}, {49, 1}, {50, polls}}) {
    gPumps = 0;
    gPumpStep = step;
    ASSERT_TRUE(phase65ImportRun(file));
    EXPECT_EQ(gPumps, pumps) << step;
    EXPECT_EQ(appState().statusText, statusAfterProbe) << step;
  }
  installServiceHooks(saved);
}

TEST_F(GltfRun, CloseRequestDuringThePumpWaitsForTheRun) {
  HWND main = harness::mainWindow();
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(phase65ImportRun(utf8ToWide(kFixtures + "box.glb")));
  EXPECT_TRUE(IsWindow(main));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, main, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
}

TEST_F(GltfRun, NoUsableObjectsLeavesTheUndoStacksAlone) {
  GltfFixture f;
  f.mesh(f.accessor(0, 5126, 3, "VEC3"));  // no such view
  f.node("\"mesh\":0");
  f.views.clear();
  const std::size_t before = appState().project.scene.objects.size();
  const std::size_t undo = appState().undoStack.size();
  // One node whose mesh fails still becomes an Empty object; without nodes nothing remains.
  GltfFixture noNodes = f;
  noNodes.nodes.clear();
  EXPECT_FALSE(phase65ImportRun(write("nothing.gltf", noNodes.gltfWithDataUri())));
  EXPECT_EQ(appState().statusText, L"Phase 65 import produced no objects");
  EXPECT_EQ(appState().undoStack.size(), undo);
  EXPECT_EQ(appState().project.scene.objects.size(), before);
  ASSERT_TRUE(phase65ImportRun(write("empty.gltf", f.gltfWithDataUri())));
  const auto objects = importedObjects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].kind, ObjectKind::Empty);
  EXPECT_NE(objects[0].importedAssetWarnings.str().find(L"glTF Node 1: Mesh primitives were present but unsupported"),
            std::wstring::npos);
}

TEST_F(GltfRun, DecliningTheSurvivalBoxChangesNothing) {
  GltfFixture f;
  std::vector<Vec3> many(20001, Vec3{0, 0, 0});
  f.mesh(f.positions(many));
  f.node("\"mesh\":0");
  answerYesNo_ = IDNO;
  const Project project = appState().project;
  EXPECT_FALSE(phase65ImportRun(write("dense.glb", f.glb())));
  EXPECT_EQ(appState().statusText, L"Phase 65.7.1 import cancelled at preflight");
  EXPECT_TRUE(appState().project == project);
  EXPECT_EQ(boxes_.back().title, L"Phase 65.7.1 Import Safety Preflight");
}

TEST_F(GltfRun, CyclicChildLinksGiveAnAcyclicHierarchy) {
  GltfFixture f;
  f.node("\"name\":\"A\",\"children\":[1]");
  f.node("\"name\":\"B\",\"children\":[0,2]");
  f.node("\"name\":\"C\",\"children\":[2,3]");
  f.node("\"name\":\"D\"");
  ASSERT_TRUE(phase65ImportRun(write("cycle.gltf", f.gltfWithDataUri())));
  const auto objects = importedObjects();
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0].parentId, L"");          // lowest of the 0 <-> 1 cycle
  EXPECT_EQ(objects[1].parentId, objects[0].id);
  EXPECT_EQ(objects[2].parentId, objects[1].id);  // its self-link dropped, its parent kept
  EXPECT_EQ(objects[3].parentId, objects[2].id);
}

// An independent composition: column-major T * R(q) * S per node, parents first.
std::array<double, 16> trsMatrix(const double t[3], const double q[4], const double s[3]) {
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y),
                       2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                       2 * (x * z + w * y),     2 * (y * z - w * x),     1 - 2 * (x * x + y * y)};
  std::array<double, 16> m{};
  for (int c = 0; c < 3; ++c)
    for (int row = 0; row < 3; ++row) m[static_cast<std::size_t>(c * 4 + row)] = r[c * 3 + row] * s[c];
  m[12] = t[0], m[13] = t[1], m[14] = t[2], m[15] = 1;
  return m;
}

std::array<double, 16> times(const std::array<double, 16>& a, const std::array<double, 16>& b) {
  std::array<double, 16> out{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) out[static_cast<std::size_t>(c * 4 + r)] += a[static_cast<std::size_t>(k * 4 + r)] * b[static_cast<std::size_t>(c * 4 + k)];
  return out;
}

Vec3 apply(const std::array<double, 16>& m, const Vec3& p) {
  return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
          m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

TEST_F(GltfRun, NestedTransformsPlaceEveryVertexWhereAComposingReaderDoes) {
  ASSERT_TRUE(phase65ImportRun(utf8ToWide(kFixtures + "hierarchy.gltf")));
  const auto objects = importedObjects();
  ASSERT_EQ(objects.size(), 3u);
  const double t0[3] = {1, 2, 3}, q0[4] = {0, 0.3826834, 0, 0.9238795}, s1[3] = {1, 1, 1};
  const double t2[3] = {0.25, 0, 0}, q2[4] = {0.1305262, 0, 0, 0.9914449}, s2[3] = {2, 1, 1};
  const std::array<double, 16> middle = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0.5, 0, 1};
  const auto world = times(times(trsMatrix(t0, q0, s1), middle), trsMatrix(t2, q2, s2));
  const Object& leaf = objects[2];
  EXPECT_EQ(leaf.parentId, objects[1].id);
  EXPECT_EQ(objects[1].parentId, objects[0].id);
  ASSERT_EQ(leaf.meshData.vertices.size(), 8u);
  // The reader composes in the file's axes; the studio sees them mirrored in z.
  const auto mirrorZ = [](const Vec3& p) { return Vec3{p.x, p.y, -p.z}; };
  for (const Vec3& local : leaf.meshData.vertices) {
    const Vec3 expected = mirrorZ(vk::apply(world, mirrorZ(local)));
    const Vec3 got = objectWorldPoint(leaf, local);
    EXPECT_NEAR(got.x, expected.x, 1e-5);
    EXPECT_NEAR(got.y, expected.y, 1e-5);
    EXPECT_NEAR(got.z, expected.z, 1e-5);
  }
  EXPECT_NEAR(objects[1].transform.position.x, apply(times(trsMatrix(t0, q0, s1), middle), {}).x, 1e-9);
  for (const std::wstring& w : {objects[0].importedAssetWarnings.str()})
    EXPECT_EQ(w.find(L"matrix"), std::wstring::npos);

  // A non-uniform scale above a rotation shears: baked into the vertices.
  GltfFixture f;
  f.mesh(f.positions({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  f.node("\"name\":\"P\",\"scale\":[3,1,1],\"children\":[1]");
  f.node("\"name\":\"S\",\"mesh\":0,\"rotation\":[0,0,0.3826834,0.9238795]");
  ASSERT_TRUE(phase65ImportRun(write("shear.gltf", f.gltfWithDataUri())));
  const auto sheared = importedObjects().back();
  EXPECT_EQ(sheared.transform, Transform{});
  const double sp[3] = {0, 0, 0}, sq[4] = {0, 0, 0.3826834, 0.9238795}, ss[3] = {3, 1, 1}, one[3] = {1, 1, 1};
  const double none[4] = {0, 0, 0, 1};
  const auto shearWorld = times(trsMatrix(sp, none, ss), trsMatrix(sp, sq, one));
  const Vec3 expected = apply(shearWorld, {1, 0, 0});
  EXPECT_NEAR(sheared.meshData.vertices[0].x, expected.x, 1e-5);
  EXPECT_NEAR(sheared.meshData.vertices[0].y, expected.y, 1e-5);
  EXPECT_NE(sheared.importedAssetWarnings.str().find(L"baked into mesh vertex positions"), std::wstring::npos);
}

TEST_F(GltfRun, ABufferFromOutsideTheFolderBlocksTheImportAndNamesTheUri) {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  f.node("\"mesh\":0");
  fs::create_directories(root_ / "model");
  write("secret.bin", f.bin);
  const Project before = appState().project;
  const std::size_t undo = appState().undoStack.size();
  EXPECT_FALSE(phase65ImportRun(write("model/scene.gltf", f.json(",\"uri\":\"../secret.bin\""))));
  ASSERT_FALSE(boxes_.empty());
  EXPECT_NE(boxes_.back().text.find(L"\"../secret.bin\""), std::wstring::npos) << wideToUtf8(boxes_.back().text);
  EXPECT_EQ(appState().project, before);
  EXPECT_EQ(appState().undoStack.size(), undo);
}

// A node matrix of 1e308 baked into the vertices: what the import keeps is
// what the load guard accepts, so save -> open gives the same vertices.
TEST_F(GltfRun, BakedVerticesPastTheGuardAreLeftOutSoTheMeshReopensAsImported) {
  GltfFixture f;
  // x and y scaled by 1e308: only points on the z axis stay in range.
  f.mesh(f.positions({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {1, 0, 0}, {0, 1, 0}}), f.indices({0, 1, 2, 0, 3, 4}));
  f.node("\"name\":\"Far\",\"mesh\":0,\"matrix\":[1e308,0,0,0,0,1e308,0,0,0,0,1,0,0,0,0,1]");
  appState().project.scene.objects.clear();
  ASSERT_TRUE(phase65ImportRun(write("far.gltf", f.gltfWithDataUri())));
  const auto imported = importedObjects();
  ASSERT_EQ(imported.size(), 1u);
  const Object& mesh = imported[0];
  ASSERT_EQ(mesh.kind, ObjectKind::Mesh);
  EXPECT_EQ(mesh.meshData.vertices.size(), 3u);
  EXPECT_EQ(mesh.meshData.faces.size(), 1u);
  EXPECT_NE(mesh.importedAssetWarnings.str().find(L"2 left out"), std::wstring::npos);

  const ProjectLoadResult reopened = deserializeProject(serializeProject(appState().project));
  ASSERT_TRUE(reopened.usable);
  const Object& again = reopened.project.scene.objects.at(0);
  EXPECT_EQ(again.meshData.vertices.read(), mesh.meshData.vertices.read());
  EXPECT_EQ(again.meshData.faces.read(), mesh.meshData.faces.read());
  EXPECT_EQ(again.mesh.primitive, mesh.mesh.primitive);

  // Every vertex out of range: the node stays, as an Empty.
  GltfFixture all;
  all.mesh(all.positions({{1, 1, 0}, {2, 1, 0}, {1, 2, 0}}));
  all.node("\"name\":\"Gone\",\"mesh\":0,\"matrix\":[1e308,0,0,0,0,1e308,0,0,0,0,1e308,0,0,0,0,1]");
  appState().project.scene.objects.clear();
  ASSERT_TRUE(phase65ImportRun(write("gone.gltf", all.gltfWithDataUri())));
  ASSERT_EQ(importedObjects().size(), 1u);
  EXPECT_EQ(importedObjects()[0].kind, ObjectKind::Empty);
  // The report and the status count what the scene kept.
  const std::wstring& report = appState().importReport;
  EXPECT_NE(report.find(L"Meshes imported: 0\nVertices: 0\nTriangles: 0\n"), std::wstring::npos) << wideToUtf8(report);
  EXPECT_NE(appState().statusText.find(L"1 object(s), 0 triangles"), std::wstring::npos);
}

// A node matrix goes into the vertices when the object's transform cannot
// hold it, and the warning names why: shear, or a scale or position past
// the object transform's limits.
TEST_F(GltfRun, BakedNodeTransformsNameTheirReason) {
  const std::wstring shear = L"Node transforms with shear";
  const std::wstring limits = L"Node transforms beyond what an object's transform holds";
  auto importNode = [&](const std::string& name, const std::string& nodeBody) {
    GltfFixture f;
    f.mesh(f.positions({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    f.node(nodeBody);
    appState().project.scene.objects.clear();
    EXPECT_TRUE(phase65ImportRun(write(name, f.gltfWithDataUri())));
    const auto objects = importedObjects();
    return objects.empty() ? Object{} : objects.back();
  };
  auto has = [](const Object& o, const std::wstring& text) {
    return o.importedAssetWarnings.str().find(text) != std::wstring::npos;
  };

  // No rotation, no shear: a scale the transform cannot hold.
  const Object huge = importNode("huge.gltf", "\"mesh\":0,\"matrix\":[1e308,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1]");
  EXPECT_TRUE(has(huge, limits));
  EXPECT_FALSE(has(huge, shear));
  // One the transform could name but would clamp (to 1000): the mesh keeps its size.
  const Object large = importNode("large.gltf", "\"mesh\":0,\"matrix\":[5000,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1]");
  ASSERT_EQ(large.kind, ObjectKind::Mesh);
  EXPECT_EQ(large.transform, Transform{});
  EXPECT_EQ(large.meshData.vertices[0].x, 5000);
  EXPECT_TRUE(has(large, limits));
  EXPECT_FALSE(has(large, shear));
  // Within the limits nothing is baked and nothing is said.
  const Object plain = importNode("plain.gltf", "\"mesh\":0,\"matrix\":[500,0,0,0,0,1,0,0,0,0,1,0,7,0,0,1]");
  EXPECT_EQ(plain.transform.scale, (Vec3{500, 1, 1}));
  EXPECT_EQ(plain.meshData.vertices[0].x, 1);
  EXPECT_FALSE(has(plain, limits) || has(plain, shear));
  // A sheared product names shear alone.
  GltfFixture f;
  f.mesh(f.positions({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  f.node("\"name\":\"P\",\"scale\":[3,1,1],\"children\":[1]");
  f.node("\"name\":\"S\",\"mesh\":0,\"rotation\":[0,0,0.3826834,0.9238795]");
  appState().project.scene.objects.clear();
  ASSERT_TRUE(phase65ImportRun(write("shear.gltf", f.gltfWithDataUri())));
  EXPECT_TRUE(has(importedObjects().back(), shear));
  EXPECT_FALSE(has(importedObjects().back(), limits));
}

// A mesh the project loader would rebuild from its primitive is not
// imported as a mesh: it would reopen as a cube.
TEST_F(GltfRun, MeshesTheLoaderWouldRebuildStayEmptyNodes) {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}), f.indices({0, 1, 2, 1, 2, 3, 0, 2, 3}));
  f.node("\"name\":\"Flat\",\"mesh\":0");
  appState().project.scene.objects.clear();
  ASSERT_TRUE(phase65ImportRun(write("flat.gltf", f.gltfWithDataUri())));
  ASSERT_EQ(importedObjects().size(), 1u);
  const Object flat = importedObjects()[0];
  EXPECT_EQ(flat.kind, ObjectKind::Empty);
  EXPECT_NE(flat.importedAssetWarnings.str().find(L"Flat: The mesh would not reopen as imported (more than half of "
                                                  L"its faces have no area)."),
            std::wstring::npos)
      << wideToUtf8(flat.importedAssetWarnings.str());
  EXPECT_NE(appState().importReport.find(L"Triangles: 0\n"), std::wstring::npos);
}

TEST_F(GltfRun, ImportedFixturesSurviveSaveAndOpen) {
  for (const char* name : {"box.gltf", "box.glb", "textured_box_external.gltf", "textured_box_datauri.gltf",
                           "interleaved.gltf", "uri with space.gltf", "triangle_no_indices.gltf", "several_meshes.glb",
                           "sparse.gltf", "modes.gltf", "two_uv_sets.gltf", "hierarchy.gltf"}) {
    appState().project.scene.objects.clear();
    ASSERT_TRUE(phase65ImportRun(utf8ToWide(kFixtures + name))) << name;
    const ProjectLoadResult reopened = deserializeProject(serializeProject(appState().project));
    ASSERT_TRUE(reopened.usable) << name;
    const auto& before = appState().project.scene.objects;
    const auto& after = reopened.project.scene.objects;
    ASSERT_EQ(after.size(), before.size()) << name;
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(after[i].meshData.vertices.size(), before[i].meshData.vertices.size()) << name;
      EXPECT_EQ(after[i].meshData.faces.read(), before[i].meshData.faces.read()) << name;
      EXPECT_EQ(after[i].materialSlots.slots.size(), before[i].materialSlots.slots.size()) << name;
      EXPECT_EQ(after[i].importedAssetImportReport, before[i].importedAssetImportReport) << name;
      EXPECT_EQ(after[i].parentId, before[i].parentId) << name;
      EXPECT_EQ(after[i].mesh.primitive, before[i].mesh.primitive) << name;
    }
  }
}

TEST_F(GltfRun, AnImageBesideTheGltfIsFoundWhereverTheProjectIsSaved) {
  fs::create_directories(root_ / "model");
  fs::create_directories(root_ / "elsewhere");
  fs::create_directories(root_ / "moved");
  std::ofstream(root_ / "model" / "wood grain.png", std::ios::binary) << std::string("\x89PNG\r\n\x1A\n", 8);
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), -1, ",\"material\":0");
  f.node("\"mesh\":0");
  f.extra = "\"images\":[{\"uri\":\"wood%20grain.png\"}],\"textures\":[{\"source\":0}],\"materials\":[{"
            "\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}],";
  const std::wstring gltf = write("model/scene.gltf", f.gltfWithDataUri());
  auto colorMap = [this] {
    const std::vector<Object> imported = importedObjects();
    EXPECT_EQ(imported.size(), 1u);
    for (const TextureMap& map : imported.at(0).materialSlots.slots.at(0).textureMaps.maps)
      if (map.channel == L"color") return map;
    return TextureMap{};
  };
  auto found = [](const TextureMap& map) {
    return map.enabled && !map.missing && fileExists(resolveTexturePathAbsolute(map));
  };
  auto saveAndOpen = [](const fs::path& project) {
    ASSERT_TRUE(saveProjectFile(utf8ToWide(project.string())));
    headless::answerFileDialog(utf8ToWide(project.string()));
    openSelectedProject();
    ASSERT_EQ(appState().projectPath, utf8ToWide(project.string()));
  };
  for (const char* saved : {"", "elsewhere/p.json", "model/p.json"}) {
    SCOPED_TRACE(saved);
    appState().projectPath.clear();
    appState().project.scene.objects.clear();
    if (*saved) {
      ASSERT_TRUE(saveProjectFile(utf8ToWide((root_ / saved).string())));
    }
    ASSERT_TRUE(phase65ImportRun(gltf));
    EXPECT_TRUE(found(colorMap()));
    if (std::string(saved) == "model/p.json") {
      EXPECT_EQ(colorMap().path, L"wood grain.png");
    }
    saveAndOpen(root_ / (*saved ? saved : "elsewhere/first.json"));
    EXPECT_TRUE(found(colorMap()));
    saveAndOpen(root_ / "moved" / "p.json");
    EXPECT_TRUE(found(colorMap()));
  }
}

TEST_F(GltfRun, ObjectsOfFilesWithManyMaterialsKeepTheMaterialsTheirFacesUse) {
  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const int tri = f.indices({0, 1, 2});
  std::string materials;
  for (int i = 0; i < 40; ++i)
    materials += std::string(i ? "," : "") + "{\"name\":\"M" + std::to_string(i) + "\"}";
  f.extra = "\"materials\":[" + materials + "],";
  auto primitives = [&](std::initializer_list<int> used) {
    std::string p;
    for (int m : used)
      p += std::string(p.empty() ? "" : ",") + "{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
           "},\"indices\":" + std::to_string(tri) + ",\"material\":" + std::to_string(m) + "}";
    return p;
  };
  f.meshes.push_back("{\"primitives\":[" + primitives({39, 0, 35}) + "]}");
  std::string all;
  for (int m = 0; m < 34; ++m) all += std::string(all.empty() ? "" : ",") + primitives({m});
  f.meshes.push_back("{\"primitives\":[" + all + "]}");
  f.node("\"name\":\"Few\",\"mesh\":0");
  f.node("\"name\":\"Many\",\"mesh\":1");
  ASSERT_TRUE(phase65ImportRun(write("materials.gltf", f.gltfWithDataUri())));
  const auto objects = importedObjects();
  ASSERT_EQ(objects.size(), 2u);
  const auto names = [](const Object& o) {
    std::vector<std::wstring> out;
    for (const Material& m : o.materialSlots.slots) out.push_back(m.name);
    return out;
  };
  EXPECT_EQ(names(objects[0]), (std::vector<std::wstring>{L"M0", L"M35", L"M39"}));
  const auto& few = objects[0].meshData.faces.read();
  EXPECT_EQ(few[0].materialIndex, 2);
  EXPECT_EQ(few[1].materialIndex, 0);
  EXPECT_EQ(few[2].materialIndex, 1);
  const auto& many = objects[1].meshData.faces.read();
  ASSERT_EQ(objects[1].materialSlots.slots.size(), 32u);
  EXPECT_EQ(many[31].materialIndex, 31);
  EXPECT_EQ(many[32].materialIndex, 0);
  EXPECT_EQ(many[33].materialIndex, 0);
  EXPECT_NE(objects[1].importedAssetWarnings.str().find(L"Many: faces use more than 32 materials"), std::wstring::npos);
}

// Slots are sanitized before an imported mesh's faces arrive, which holds
// only while every face already names a slot: sanitizing and deriving the
// objects again changes nothing, for files without materials, with a
// primitive that falls back to the default slot, past 32 materials, and
// with a sheared node whose matrix is baked into the vertices.
TEST_F(GltfRun, ImportedObjectsAreAlreadySanitizedAndDerived) {
  auto check = [&](const std::string& name, const GltfFixture& f) {
    appState().project.scene.objects.clear();
    ASSERT_TRUE(phase65ImportRun(write(name, f.gltfWithDataUri()))) << name;
    const auto objects = importedObjects();
    ASSERT_FALSE(objects.empty()) << name;
    for (const Object& object : objects) {
      if (object.kind != ObjectKind::Mesh) continue;
      for (const MeshFace& face : object.meshData.faces)
        ASSERT_LT(static_cast<std::size_t>(face.materialIndex), object.materialSlots.slots.size()) << name;
      Object again = object;
      sanitizeMaterialSlots(again);
      rebuildMeshData(again);
      EXPECT_TRUE(again == object) << name << " " << wideToUtf8(object.name);
    }
  };
  GltfFixture plain;
  const int pos = plain.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  const int quad = plain.indices({0, 1, 2, 2, 1, 3});
  plain.mesh(pos, quad);
  plain.node("\"name\":\"Plain\",\"mesh\":0");
  plain.node("\"name\":\"Sheared\",\"mesh\":0,\"matrix\":[1,0,0,0, 0.5,1,0,0, 0,0,1,0, 0,0,0,1]");
  check("plain.gltf", plain);

  const std::string attributes = "{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                                 "},\"indices\":" + std::to_string(quad);
  auto withMaterials = [&](int count) {
    GltfFixture f = plain;
    std::string materials;
    for (int i = 0; i < count; ++i) materials += std::string(i ? "," : "") + "{\"name\":\"M" + std::to_string(i) + "\"}";
    f.extra = "\"materials\":[" + materials + "],";
    std::string many;
    for (int m = 0; m < std::min(count, 36); ++m) many += attributes + ",\"material\":" + std::to_string(m) + "},";
    f.meshes = {"{\"primitives\":[" + attributes + ",\"material\":1}," + attributes + "}]}",
                "{\"primitives\":[" + many + attributes + "}]}"};
    f.nodes.clear();
    f.node("\"name\":\"Fallback\",\"mesh\":0");
    f.node("\"name\":\"Many\",\"mesh\":1");
    return f;
  };
  check("few.gltf", withMaterials(3));
  check("many.gltf", withMaterials(40));
}

TEST(GltfReport, TailAndReportCapTheirWarningLists) {
  PendingGltfDocument document;
  for (int i = 0; i < 70; ++i) addGltfWarning(document, L"w" + std::to_wstring(i));
  EXPECT_EQ(document.warnings.size(), 64u);  // the texts past those the tail shows are only counted
  const std::wstring tail = phase65ImportReportTail(document);
  EXPECT_EQ(std::count(tail.begin(), tail.end(), L'\n'), 65);
  EXPECT_NE(tail.find(L"- w63\n- Additional warnings preserved in import report: 6\n"), std::wstring::npos);
  const std::wstring report = phase65ImportSurvivalReport(document, 1);
  EXPECT_NE(report.find(L"- w31\n- Additional warnings: 38\n"), std::wstring::npos);
  EXPECT_EQ(report.find(L"- w32\n"), std::wstring::npos);
}

}  // namespace
}  // namespace vk
