// Modifier previews in the frame: the selected deforming preview with its
// label, copies beside the object, a face budget per element as per mesh,
// and mesh-derived data shared by elements that share a mesh.
#include <cmath>
#include <map>
#include <random>

#include "model/import_guards.h"
#include "model/math.h"
#include "shading/modifiers.h"
#include "viewport/frame_draw_list.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::FrameCanvas;

class ModifierPreviewFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    vk::setViewportTextRecording(true);
    appState().viewYaw = 0.0;
    appState().viewPitch = 90.0;
    appState().orthographic = true;
  }
  void TearDown() override {
    vk::setViewportTextRecording(false);
    appState() = vk::AppState{};
  }
  static vk::Modifier& addEntry(vk::Object& object, const wchar_t* type) {
    object.modifierStack.entries.push_back(vk::createModifierEntry(object, type));
    return object.modifierStack.entries.back();
  }
};

TEST_F(ModifierPreviewFrame, SelectedDeformingPreviewIsHighlightedAndLabelled) {
  vk::Object& cube = vktest::addSceneObject(ObjectKind::Mesh, L"Cube");
  addEntry(cube, L"Bevel");
  const std::wstring id = cube.id;
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  EXPECT_FALSE(vktest::logHas(L"preview"));  // not selected

  appState().selectedObjectId = id;
  vk::setViewportTextRecording(true);
  canvas.draw(vktest::noHud());
  const vk::ViewportTextRecord* label = vktest::logFind(L"preview");
  ASSERT_NE(label, nullptr);
  const POINT p = vk::projectToScreen({0, 0, 0}, canvas.rect());
  EXPECT_EQ(label->rect.left, p.x + 10);
  EXPECT_EQ(label->rect.top, p.y - 18);

  // A copy-only stack draws no label: the object itself is drawn as selected.
  vk::findObjectById(id)->modifierStack.entries.front() = vk::createModifierEntry(*vk::findObjectById(id), L"Mirror");
  vk::setViewportTextRecording(true);
  canvas.draw(vktest::noHud());
  EXPECT_FALSE(vktest::logHas(L"preview"));
}

TEST_F(ModifierPreviewFrame, MirrorCopyIsDrawnBesideTheObject) {
  vk::Object& cube = vktest::addSceneObject(ObjectKind::Mesh, L"Cube");
  cube.transform.position = {2, 0, 0};
  FrameCanvas canvas(400, 300);
  const POINT mirrored = vk::projectToScreen({-2, 0, 0}, canvas.rect());
  const POINT own = vk::projectToScreen({2, 0, 0}, canvas.rect());
  canvas.draw(vktest::noHud());
  const COLORREF empty = canvas.pixel(mirrored.x, mirrored.y);
  const COLORREF object = canvas.pixel(own.x, own.y);
  addEntry(appState().project.scene.objects.back(), L"Mirror");
  canvas.draw(vktest::noHud());
  EXPECT_NE(canvas.pixel(mirrored.x, mirrored.y), empty);
  EXPECT_EQ(canvas.pixel(own.x, own.y), object);  // the object is still drawn
}

TEST_F(ModifierPreviewFrame, HeavyMeshAndItsMirrorEachKeepTheirProxyEdges) {
  // Both draw through proxies cached under the one object id: the copy
  // rebuilds the entry while the frame still has the object's edges to draw.
  vk::Object& heavy = vktest::addMeshObject(L"Heavy", vktest::gridMesh(200, 200, 1.0));
  heavy.transform.position = {2, 0, 0};
  addEntry(heavy, L"Mirror");
  FrameCanvas canvas(600, 400);
  canvas.draw(vktest::noHud());
  for (double x : {3.0, -3.0}) {  // the outer border of each copy
    const POINT border = vk::projectToScreen({x, 0, 0.5}, canvas.rect());
    EXPECT_EQ(canvas.pixel(border.x, border.y), RGB(100, 122, 148)) << x;
  }
}

// The faces each element of the object's preview list queues to be filled.
std::vector<std::size_t> facesQueuedPerElement(const vk::Object& object, const RECT& rect) {
  vk::FrameDrawList list(vk::makeFrameContext(rect));
  vk::queueModifierPreview(list, rect, object, false, vk::cachedModifierPreview(object));
  const std::vector<std::size_t>& runs = list.fills.runStarts;
  std::vector<std::size_t> counts;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    counts.push_back((r + 1 < runs.size() ? runs[r + 1] : list.fills.faces.size()) - runs[r]);
  }
  return counts;
}

// A grid's faces listed `times` over: past the face budget, yet few enough
// vertices and edges to be drawn in full rather than as a proxy.
vk::MeshData repeatedGrid(int n, int times, double size) {
  vk::MeshData mesh = vktest::gridMesh(n, n, size);
  const std::vector<vk::MeshFace> once = mesh.faces.read();
  std::vector<vk::MeshFace>& faces = mesh.faces.write();
  for (int k = 1; k < times; ++k) faces.insert(faces.end(), once.begin(), once.end());
  return mesh;
}

// Every element of a preview list is drawn as a mesh of its own, with the
// face budget a mesh has: copies of a 1600-face grid fill every face however
// many copies there are, and a copy of a mesh past the budget keeps the
// stride its own face count gives.
TEST_F(ModifierPreviewFrame, EachElementFillsWithinItsOwnFaceBudget) {
  FrameCanvas canvas(400, 300);  // every face of the grids covers a few pixels
  vk::Object& grid = vktest::addMeshObject(L"Grid", vktest::gridMesh(40, 40, 1.0));
  const std::wstring id = grid.id;
  auto object = [&]() -> vk::Object& { return *vk::findObjectById(id); };
  addEntry(grid, L"Array");
  for (int count : {17, 32}) {  // 16 and 31 copies: 25 600 and 49 600 faces in all
    vk::setModifierParamNumber(object().modifierStack.entries[0], L"count", count);
    EXPECT_EQ(facesQueuedPerElement(object(), canvas.rect()),
              std::vector<std::size_t>(static_cast<std::size_t>(count - 1), 1600))
        << count;
  }

  vk::setModifierParamNumber(object().modifierStack.entries[0], L"count", 12);
  vk::Modifier& mirror = addEntry(object(), L"Mirror");
  vk::setModifierParamBool(mirror, L"axisY", true);
  vk::setModifierParamBool(mirror, L"axisZ", true);
  EXPECT_EQ(facesQueuedPerElement(object(), canvas.rect()), std::vector<std::size_t>(95, 1600));

  // Past the budget: 25 600 faces at stride 2, for the copy as for the object.
  vk::Object& heavy = vktest::addMeshObject(L"Heavy", repeatedGrid(40, 16, 1.0));
  ASSERT_FALSE(vk::omitFullMeshPreview(heavy));
  addEntry(heavy, L"Mirror");
  EXPECT_EQ(facesQueuedPerElement(heavy, canvas.rect()), std::vector<std::size_t>{12800});
}

// What a paint charges a list for drawing it is what its elements draw:
// each one's vertices, the corners of the faces at its stride and its edges
// at theirs; on the proxy path those of the sample, for a bounds box its lines.
TEST_F(ModifierPreviewFrame, ChargedUnitsAreWhatElementsDraw) {
  auto charged = [](const vk::Object& object) { return vk::previewPaintUnits(*vk::cachedModifierPreview(object).list); };
  vk::Object& grid = vktest::addMeshObject(L"Grid", vktest::gridMesh(40, 40, 1.0));
  vk::setModifierParamNumber(addEntry(grid, L"Array"), L"count", 9);
  addEntry(grid, L"Bend");  // the deformed object is an element too
  EXPECT_EQ(charged(grid), 9u * (1681u + 4u * 1600u + 3280u));

  vk::Object& heavy = vktest::addMeshObject(L"Heavy", repeatedGrid(40, 16, 1.0));
  addEntry(heavy, L"Mirror");
  EXPECT_EQ(charged(heavy), 1681u + 4u * 12800u + 3280u);  // every second face

  vk::Object& proxied = vktest::addMeshObject(L"Proxied", vktest::gridMesh(200, 200, 1.0));
  ASSERT_TRUE(vk::omitFullMeshPreview(proxied));
  addEntry(proxied, L"Mirror");
  EXPECT_EQ(charged(proxied), 40401u + 4u * 1380u + 2200u);  // 40 000 faces at the proxy's stride of 29

  vk::Object& dense = vktest::addMeshObject(L"Dense", vktest::gridMesh(300, 250, 0.5));
  addEntry(dense, L"Mirror");
  EXPECT_EQ(charged(dense), 12u);

  // Many-cornered faces count their corners: 20 faces of 100 corners.
  vk::MeshData discs;
  for (int d = 0; d < 20; ++d) {
    vk::MeshFace face;
    for (int k = 0; k < 100; ++k) {
      face.indices.push_back(static_cast<std::int32_t>(discs.vertices.size()));
      discs.vertices.write().push_back({d + std::cos(k * 0.0628), 0.0, std::sin(k * 0.0628)});
    }
    discs.faces.write().push_back(face);
  }
  vk::Object& manyCornered = vktest::addMeshObject(L"Discs", discs);
  EXPECT_EQ(vk::meshPaintUnits(manyCornered), 2000u + 2000u + 2000u);
}

// An element drawn at a stride reads only the vertices it projected: any
// other would be drawn at the origin of the canvas.
TEST_F(ModifierPreviewFrame, ListsDrawnAtAStrideReachNoUnprojectedVertex) {
  FrameCanvas canvas(400, 300);
  vk::Object& plane = vktest::addMeshObject(L"Plane", repeatedGrid(20, 61, 0.05));
  const std::wstring id = plane.id;
  vk::Modifier& mirror = addEntry(plane, L"Mirror");
  vk::setModifierParamBool(mirror, L"axisY", true);
  vk::setModifierParamBool(mirror, L"axisZ", true);
  vk::setModifierParamNumber(addEntry(plane, L"Array"), L"count", 3);
  addEntry(plane, L"Bend");
  appState().selectedObjectId = id;
  for (vk::ViewportShadingMode mode : {vk::ViewportShadingMode::Solid, vk::ViewportShadingMode::Wireframe}) {
    appState().project.scene.viewportShadingMode = mode;
    for (vk::Modifier& entry : vk::findObjectById(id)->modifierStack.entries) entry.enabled = false;
    canvas.draw(vktest::noHud());
    COLORREF corner[3][3];
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) corner[y][x] = canvas.pixel(x, y);
    }
    for (vk::Modifier& entry : vk::findObjectById(id)->modifierStack.entries) entry.enabled = true;
    canvas.draw(vktest::noHud());
    const vk::ModifierPreviewEntry& entry = vk::viewportCaches().modifierPreviews.at(id);
    ASSERT_TRUE(entry.share);
    ASSERT_FALSE(entry.share->elementDraws.empty());
    ASSERT_GT(entry.share->elementDraws[0].faceStride, 1);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.pixel(x, y), corner[y][x]) << x << "," << y;
    }
  }
}

TEST_F(ModifierPreviewFrame, MeshDerivedDataIsBuiltOncePerDistinctMesh) {
  vk::Object& plane = vktest::addMeshObject(L"Plane", vktest::gridMesh(8, 8, 1.0));
  addEntry(plane, L"Mirror");
  addEntry(plane, L"Lattice");
  const std::vector<vk::Object> list = vk::evaluateModifierStack(plane);
  ASSERT_EQ(list.size(), 3u);  // mirror copy, two cages
  vk::PreviewDrawShare share;
  const std::vector<std::uint8_t>& a = vk::sharedFeatureEdges(share, plane.meshData);
  EXPECT_EQ(&vk::sharedFeatureEdges(share, list[0].meshData), &a);
  EXPECT_EQ(share.featureEdges.size(), 1u);
  vk::sharedFeatureEdges(share, list[1].meshData);
  EXPECT_EQ(share.featureEdges.size(), 2u);
  EXPECT_EQ(vk::sharedFeatureEdges(share, list[1].meshData), vk::buildFeatureEdgeFlags(list[1].meshData));

  const auto& edges = vk::sharedProxyEdges(share, plane.meshData);
  EXPECT_EQ(&vk::sharedProxyEdges(share, list[0].meshData), &edges);
  EXPECT_EQ(edges, vk::buildProxyEdgeIndices(plane.meshData));
}

}  // namespace

namespace {

// Boundary and fold edges the plain way: every side's faces through a map.
std::vector<std::int64_t> referenceProxyEdges(const vk::MeshData& mesh) {
  struct Sides {
    int count = 0;
    vk::Vec3 first, second;
  };
  std::map<std::pair<std::int64_t, std::int64_t>, Sides> sides;
  const auto n = static_cast<std::int64_t>(mesh.vertices.size());
  for (const vk::MeshFace& face : mesh.faces) {
    const std::size_t k = face.indices.size();
    if (k < 3) continue;
    const vk::Vec3 normal = vk::faceNormal(mesh, face);
    for (std::size_t i = 0; i < k; ++i) {
      const std::int64_t a = face.indices[i], b = face.indices[(i + 1) % k];
      if (a < 0 || b < 0 || a >= n || b >= n) continue;
      Sides& s = sides[{std::min(a, b), std::max(a, b)}];
      if (++s.count == 1) s.first = normal;
      if (s.count == 2) s.second = normal;
    }
  }
  std::vector<std::int64_t> out;
  for (std::size_t e = 0; e < mesh.edges.size(); ++e) {
    const std::int64_t a = mesh.edges[e].first, b = mesh.edges[e].second;
    if (a >= n || b >= n) continue;
    auto found = sides.find({a, b});
    if (found == sides.end() || found->second.count < 2 || vk::vec3Dot(found->second.first, found->second.second) < 0.72) {
      out.push_back(static_cast<std::int64_t>(e));
    }
  }
  return out;
}

// Random corners, some out of range, faces of minLength..maxLength corners,
// and one stored edge whose end is no vertex.
vk::MeshData randomMeshWithADanglingEdge(std::mt19937& rng, int vertexCount, int minLength, int maxLength,
                                         bool flat) {
  std::uniform_int_distribution<int> index(-1, vertexCount);
  std::uniform_int_distribution<int> length(minLength, maxLength);
  std::uniform_real_distribution<double> coord(-1, 1);
  vk::MeshData mesh;
  std::vector<vk::Vec3> vertices(static_cast<std::size_t>(vertexCount));
  for (vk::Vec3& v : vertices) v = {coord(rng), coord(rng), flat ? 0.0 : coord(rng)};
  mesh.vertices = vertices;
  std::vector<vk::MeshFace> faces;
  for (int f = 0; f < vertexCount * 2; ++f) {
    vk::MeshFace face;
    for (int k = length(rng); k > 0; --k) face.indices.push_back(index(rng));
    faces.push_back(face);
  }
  mesh.faces = faces;
  vk::generateEdgeList(mesh);
  std::vector<vk::MeshEdge> edges = mesh.edges.read();
  edges.push_back({0, static_cast<std::uint32_t>(vertexCount + 7)});
  mesh.edges = edges;
  return mesh;
}

TEST(ProxyEdgeSets, MatchTheMapOfFaceSidesOnRandomMeshes) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 20; ++trial) {
    const int vertexCount = 30 + trial * 5;
    // A dangling stored edge is never a feature.
    const vk::MeshData mesh = randomMeshWithADanglingEdge(rng, vertexCount, 2, 6, false);
    const std::vector<std::int64_t> want = referenceProxyEdges(mesh);
    if (want.empty()) continue;  // the even sample takes over then
    EXPECT_EQ(vk::buildProxyEdgeIndices(mesh), want) << trial;
  }
}

// The edge pass of a preview list reads each mesh's kept flags; they give
// the same edges as the face scan of shouldDrawEdge, also on meshes with
// short faces, repeated or out-of-range corners and dangling edges.
TEST(FeatureEdgeFlags, MatchTheFaceScanOnRandomMeshes) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 20; ++trial) {
    const int vertexCount = 12 + trial * 3;
    const vk::MeshData mesh = randomMeshWithADanglingEdge(rng, vertexCount, 1, 5, trial % 2 != 0);  // flat ones too
    const std::vector<vk::MeshEdge>& edges = mesh.edges.read();
    const std::vector<std::uint8_t> flags = vk::buildFeatureEdgeFlags(mesh);
    ASSERT_EQ(flags.size(), edges.size());
    for (std::size_t e = 0; e < edges.size(); ++e) {
      EXPECT_EQ(flags[e] != 0, vk::shouldDrawEdge(mesh, edges[e], false)) << trial << " edge " << e;
    }
  }
}

// The cache keeps what drawing reads, once: equal meshes built apart (the
// cage of each mirror copy) share their arrays, unequal ones do not, and a
// repaint reuses the flags derived while drawing; dropping a list drops them.
TEST_F(ModifierPreviewFrame, KeptPreviewsHoldOneCompactCopyOfEachMesh) {
  vk::Object& plane = vktest::addMeshObject(L"Plane", vktest::gridMesh(8, 8, 1.0));
  addEntry(plane, L"Mirror");
  addEntry(plane, L"Lattice");
  addEntry(plane, L"Bend");
  const std::wstring id = plane.id;
  vk::Object& other = vktest::addMeshObject(L"Other", vktest::gridMesh(8, 8, 1.0));
  other.meshData.vertices.write()[0].y = 0.5;  // one corner up: its cage differs
  addEntry(other, L"Lattice");
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  const vk::ModifierPreviewEntry& entry = vk::viewportCaches().modifierPreviews.at(id);
  ASSERT_TRUE(entry.list && entry.share);
  const std::vector<vk::Object>& list = *entry.list;
  ASSERT_EQ(list.size(), 4u);  // the plane, its mirror copy, their cages
  const std::vector<vk::Object> built = vk::evaluateModifierStack(*vk::findObjectById(id));
  EXPECT_FALSE(built[2].meshData.faces.sharesWith(built[3].meshData.faces));
  EXPECT_TRUE(list[2].meshData.faces.sharesWith(list[3].meshData.faces));
  EXPECT_TRUE(list[2].meshData.vertices.sharesWith(list[3].meshData.vertices));
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_TRUE(list[i].meshData.normals.empty() && list[i].meshData.uvPlaceholders.empty());
    EXPECT_EQ(list[i].meshData.vertices.read(), built[i].meshData.vertices.read()) << i;
    EXPECT_EQ(list[i].meshData.faces.read(), built[i].meshData.faces.read()) << i;
    EXPECT_EQ(list[i].meshData.edges.read(), built[i].meshData.edges.read()) << i;
  }
  const std::vector<vk::Object>& otherList = *vk::viewportCaches().modifierPreviews.at(other.id).list;
  EXPECT_NE(otherList.back().meshData.vertices.read(), list[2].meshData.vertices.read());

  ASSERT_EQ(entry.share->featureEdges.size(), 2u);  // the bent plane and the cage, each once
  const std::vector<std::uint8_t>* flags = entry.share->featureEdges[0].second.get();
  const std::size_t bytes = vk::drawShareBytes(*entry.share);
  canvas.draw(vktest::noHud());
  ASSERT_EQ(entry.share->featureEdges.size(), 2u);
  EXPECT_EQ(entry.share->featureEdges[0].second.get(), flags);
  EXPECT_EQ(vk::drawShareBytes(*entry.share), bytes);
  EXPECT_GT(bytes, sizeof(vk::PreviewDrawShare));  // the flags count towards the kept bytes
}

// The preview is evaluated once per change of its object: a repaint of an
// unchanged scene evaluates nothing, and every way the object can change
// (a parameter, a move, a mesh write, undo, redo) gives a fresh one.
TEST_F(ModifierPreviewFrame, RepaintsReuseThePreviewUntilTheObjectChanges) {
  vk::Object& cube = vktest::addSceneObject(ObjectKind::Mesh, L"Cube");
  addEntry(cube, L"Subdivision");
  const std::wstring id = cube.id;
  vktest::addSceneObject(ObjectKind::Mesh, L"Plain");
  appState().selectedObjectId = id;  // as undo would select it
  auto object = [&] { return vk::findObjectById(id); };
  auto evaluations = [] { return vk::viewportCaches().modifierEvaluations; };
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  const std::uint64_t first = evaluations();
  EXPECT_EQ(first, 1u);
  const COLORREF centre = canvas.pixel(200, 150);
  canvas.draw(vktest::noHud());
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first);
  EXPECT_EQ(canvas.pixel(200, 150), centre);

  vk::pushUndoSnapshot();
  vk::setModifierParamNumber(object()->modifierStack.entries[0], L"viewportLevels", 2);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first + 1);
  object()->transform.position.x = 0.5;
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first + 2);
  object()->meshData.vertices.write()[0].y += 0.25;
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first + 3);
  vk::undoLastSnapshot();
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first + 4);
  EXPECT_EQ(canvas.pixel(200, 150), centre);  // the first preview again
  vk::redo();
  canvas.draw(vktest::noHud());
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), first + 5);
}

}  // namespace

namespace {

// A paint draws whole at most its total of draw units, counting the faces
// previews build: the object past it is a box, the status line says so,
// every repaint keeps the same choice without evaluating, and room made by
// an earlier object lets it in.
TEST_F(ModifierPreviewFrame, ObjectsPastThePaintsTotalAreDrawnAsBoxes) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 4; ++i) {
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), vktest::gridMesh(99, 99, 1.0));
    for (int k = 0; k < 40; ++k) addEntry(grid, L"Bend");  // 40 x 9801 built, 69 004 drawn each
    grid.transformAnimation.keyframes.resize(1000);
    ids.push_back(grid.id);
  }
  auto evaluations = [] { return vk::viewportCaches().modifierEvaluations; };
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), 4u);  // three kept, the fourth stopped before building
  EXPECT_EQ(appState().statusText, L"\u25CF  1 object drawn as a box");
  const auto& cache = vk::viewportCaches().modifierPreviews;
  EXPECT_TRUE(cache.at(ids[2]).list);
  EXPECT_FALSE(cache.at(ids[3]).list);
  for (const vk::Object& element : *cache.at(ids[0]).list) EXPECT_TRUE(element.transformAnimation.keyframes.empty());

  appState().statusText.clear();
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), 4u);
  EXPECT_TRUE(appState().statusText.empty());  // told once

  vk::findObjectById(ids[0])->modifierStack.entries.clear();  // its body costs 69 004 now
  canvas.draw(vktest::noHud());
  EXPECT_EQ(evaluations(), 5u);
  EXPECT_TRUE(vk::viewportCaches().modifierPreviews.at(ids[3]).list);
  EXPECT_TRUE(vk::viewportCaches().previewNotice.empty());
}

// Copies of one mesh are built once but drawn each: what the lists draw
// counts toward the same total, so a scene of copies stays bounded. One list
// of 95 copies fits with its object, two do not: the second object is a box
// though its list is kept, the third a box not evaluated, the notice counts
// both, and the choice holds whatever the view until room is made.
TEST_F(ModifierPreviewFrame, CopiesPastThePaintsTotalAreDrawnAsBoxes) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 3; ++i) {
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), repeatedGrid(30, 2, 1.0));
    vk::Modifier& mirror = addEntry(grid, L"Mirror");
    vk::setModifierParamBool(mirror, L"axisY", true);
    vk::setModifierParamBool(mirror, L"axisZ", true);
    vk::Modifier& array = addEntry(grid, L"Array");
    vk::setModifierParamNumber(array, L"count", 12);
    for (const wchar_t* key : {L"offsetX", L"offsetY", L"offsetZ"}) vk::setModifierParamNumber(array, key, 0.0);
    ids.push_back(grid.id);
  }
  // Every copy in sight, every face over a few pixels: all of them are filled.
  constexpr std::size_t kBody = 1800, kBodyUnits = 961 + 4 * kBody + 1860;
  auto evaluations = [] { return vk::viewportCaches().modifierEvaluations; };
  auto filled = [] { return vk::viewportCaches().lastFillFaces; };
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(filled(), 96 * kBody);  // the first object and its copies, nothing of the boxes
  EXPECT_EQ(evaluations(), 2u);
  EXPECT_EQ(appState().statusText, L"\u25CF  2 objects drawn as boxes");
  const auto& cache = vk::viewportCaches().modifierPreviews;
  EXPECT_EQ(cache.at(ids[0]).facesBuilt, 0u);
  EXPECT_EQ(cache.at(ids[0]).drawUnits, 95 * kBodyUnits);
  EXPECT_TRUE(cache.at(ids[1]).list);
  EXPECT_FALSE(cache.contains(ids[2]));

  appState().statusText.clear();
  appState().viewPanX = 5000.0;  // nothing in sight: the same objects are boxes
  canvas.draw(vktest::noHud());
  EXPECT_EQ(filled(), 0u);
  EXPECT_EQ(evaluations(), 2u);
  EXPECT_TRUE(appState().statusText.empty());

  appState().viewPanX = 0.0;
  vk::findObjectById(ids[0])->modifierStack.entries.clear();
  canvas.draw(vktest::noHud());
  EXPECT_EQ(filled(), 97 * kBody);  // the first body, the second object whole
  EXPECT_EQ(evaluations(), 3u);     // the third's, kept, still past the total
  EXPECT_EQ(appState().statusText, L"\u25CF  1 object drawn as a box");
}

// Past the kept data's bytes the least recently drawn go, the largest first
// among those drawn as long ago, and are built again when drawn, while their
// outcome stays known.
TEST_F(ModifierPreviewFrame, TheLargestKeptPreviewsGoPastTheKeptBytes) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 8; ++i) {  // 6400 faces or fewer, about a megabyte kept each
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), vktest::gridMesh(40 - i, 40, 1.0));
    addEntry(grid, L"Subdivision");
    ids.push_back(grid.id);
  }
  vk::viewportCaches().keptByteLimit = std::size_t{4} << 20;
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  EXPECT_LE(vk::keptViewportBytes(), vk::viewportCaches().keptByteLimit);
  const auto& cache = vk::viewportCaches().modifierPreviews;
  std::size_t dropped = 0, largestKept = 0, smallestDropped = SIZE_MAX;
  for (const std::wstring& id : ids) {
    const vk::ModifierPreviewEntry& entry = cache.at(id);
    EXPECT_TRUE(entry.evaluated);
    if (entry.list) {
      largestKept = std::max(largestKept, entry.listBytes);
    } else {
      ++dropped;
      smallestDropped = std::min(smallestDropped, entry.listBytes);
    }
  }
  EXPECT_GT(dropped, 0u);
  EXPECT_GE(smallestDropped, largestKept);  // the largest go first
  const std::uint64_t before = vk::viewportCaches().modifierEvaluations;
  canvas.draw(vktest::noHud());
  EXPECT_EQ(vk::viewportCaches().modifierEvaluations, before + dropped);
}

}  // namespace

namespace {

std::vector<std::uint32_t> framePixels(const FrameCanvas& canvas) {
  return {canvas.bits, canvas.bits + static_cast<std::size_t>(canvas.width) * canvas.height};
}

// The frame as empty caches paint it; the kept data is left as it was.
std::vector<std::uint32_t> freshPixels(FrameCanvas& canvas, const vk::ViewportDrawOptions& options) {
  const auto kept = appState().viewportCaches;
  appState().viewportCaches.reset();
  canvas.draw(options);
  std::vector<std::uint32_t> fresh = framePixels(canvas);
  appState().viewportCaches = kept;
  return fresh;
}

std::size_t differingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i] ? 1 : 0;
  return count;
}

// What the elements of a kept list keep between paints (their queued faces
// and projected corners) never shows: after each change that leaves the
// list as it was (selection, lights, shading mode, view, a texture), two
// paints in a row give the picture of empty caches.
TEST_F(ModifierPreviewFrame, KeptElementDrawsPaintAsFresh) {
  vk::Object& light = vktest::addSceneObject(ObjectKind::Light, L"Point Light");
  light.transform.position = {0.5, 1.5, 0.0};
  light.light.range = 6.0;
  vk::Object& plane = vktest::addMeshObject(L"Plane", vktest::gridMesh(12, 12, 0.6));
  plane.transform.rotation = {20.0, 30.0, 0.0};
  vk::setModifierParamNumber(addEntry(plane, L"Array"), L"count", 3);
  addEntry(plane, L"Mirror");
  addEntry(plane, L"Bend");
  const std::wstring planeId = plane.id;
  const std::wstring lightId = light.id;
  appState().orthographic = false;
  appState().viewPitch = 35.0;
  FrameCanvas canvas(400, 300);
  const vk::ViewportDrawOptions options = vktest::noHud();
  std::vector<std::uint32_t> previous;
  auto expectWarmAsFresh = [&](const char* step) {
    SCOPED_TRACE(step);
    canvas.draw(options);
    const std::vector<std::uint32_t> first = framePixels(canvas);
    canvas.draw(options);
    const std::vector<std::uint32_t> fresh = freshPixels(canvas, options);
    EXPECT_EQ(differingPixels(first, fresh), 0u);
    EXPECT_EQ(differingPixels(framePixels(canvas), fresh), 0u);
    EXPECT_NE(differingPixels(previous, fresh), 0u);  // the step shows
    previous = fresh;
  };
  previous.assign(static_cast<std::size_t>(canvas.width) * canvas.height, 0);
  expectWarmAsFresh("start");
  ASSERT_FALSE(vk::viewportCaches().modifierPreviews.at(planeId).share->elementDraws.empty());
  appState().selectedObjectId = planeId;
  expectWarmAsFresh("selected");
  vk::findObjectById(lightId)->transform.position = {-1.0, 0.5, 0.5};
  expectWarmAsFresh("light moved");
  for (auto mode : {vk::ViewportShadingMode::Wireframe, vk::ViewportShadingMode::Solid,
                    vk::ViewportShadingMode::MaterialPreview, vk::ViewportShadingMode::Lit}) {
    appState().project.scene.viewportShadingMode = mode;
    expectWarmAsFresh(vk::viewportShadingLabel(mode) == std::wstring(L"Lit") ? "back to lit" : "shading mode");
  }
  appState().viewYaw += 25.0;
  expectWarmAsFresh("orbit");
  appState().viewPanX = 900.0;  // the list out of sight, then back
  expectWarmAsFresh("panned away");
  appState().viewPanX = 0.0;
  expectWarmAsFresh("panned back");
  appState().selectedObjectId.clear();
  vk::findObjectById(planeId)->material.r = 250;
  expectWarmAsFresh("material");  // a new list: its elements keep afresh
}

// What the kept lists' elements keep is bounded with the rest: past the
// bytes the largest lists let it go and are drawn afresh, with the same
// picture, while the lists themselves stay kept.
TEST_F(ModifierPreviewFrame, KeptElementDrawsStayWithinTheKeptBytes) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 4; ++i) {
    // A small grid among 2000 loose vertices: each of the 95 copies keeps
    // every vertex projected, about 3 MB a list.
    vk::MeshData mesh = vktest::gridMesh(12, 12 + i, 0.4);
    mesh.vertices.write().resize(2000 + mesh.vertices.size());
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), mesh);
    vk::Modifier& mirror = addEntry(grid, L"Mirror");
    vk::setModifierParamBool(mirror, L"axisY", true);
    vk::setModifierParamBool(mirror, L"axisZ", true);
    vk::setModifierParamNumber(addEntry(grid, L"Array"), L"count", 12);
    grid.transform.position = {0.1 * i, 0.0, 0.1 * i};
    ids.push_back(grid.id);
  }
  vk::viewportCaches().keptByteLimit = std::size_t{8} << 20;
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  EXPECT_LE(vk::keptViewportBytes(), vk::viewportCaches().keptByteLimit);
  const auto& cache = vk::viewportCaches().modifierPreviews;
  std::size_t emptied = 0;
  for (const std::wstring& id : ids) {
    const vk::ModifierPreviewEntry& entry = cache.at(id);
    ASSERT_TRUE(entry.list && entry.share);
    if (entry.share->elementDraws.empty()) ++emptied;
  }
  EXPECT_GT(emptied, 0u);
  EXPECT_LT(emptied, ids.size());
  EXPECT_TRUE(vk::viewportCaches().previewNotice.empty());  // every list drawn
  const std::vector<std::uint32_t> warm = framePixels(canvas);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(differingPixels(framePixels(canvas), warm), 0u);
  EXPECT_EQ(differingPixels(freshPixels(canvas, vktest::noHud()), warm), 0u);
}

}  // namespace
