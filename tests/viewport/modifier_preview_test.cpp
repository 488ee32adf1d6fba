// Modifier previews in the frame: the selected deforming preview with its
// label, copies beside the object, one face budget per preview list, and
// mesh-derived data shared by elements that share a mesh.
#include <map>
#include <random>

#include "shading/modifiers.h"
#include "viewport/viewport_internal.h"
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
  static vk::ViewportDrawOptions noHud() {
    vk::ViewportDrawOptions options;
    options.showGrid = false;
    options.showHud = false;
    options.showCameraOverlays = false;
    return options;
  }
};

TEST_F(ModifierPreviewFrame, SelectedDeformingPreviewIsHighlightedAndLabelled) {
  vk::Object& cube = vktest::addSceneObject(ObjectKind::Mesh, L"Cube");
  addEntry(cube, L"Bevel");
  const std::wstring id = cube.id;
  FrameCanvas canvas(400, 300);
  canvas.draw(noHud());
  EXPECT_FALSE(vktest::logHas(L"preview"));  // not selected

  appState().selectedObjectId = id;
  vk::setViewportTextRecording(true);
  canvas.draw(noHud());
  const vk::ViewportTextRecord* label = vktest::logFind(L"preview");
  ASSERT_NE(label, nullptr);
  const POINT p = vk::projectToScreen({0, 0, 0}, canvas.rect());
  EXPECT_EQ(label->rect.left, p.x + 10);
  EXPECT_EQ(label->rect.top, p.y - 18);

  // A copy-only stack draws no label: the object itself is drawn as selected.
  vk::findObjectById(id)->modifierStack.entries.front() = vk::createModifierEntry(*vk::findObjectById(id), L"Mirror");
  vk::setViewportTextRecording(true);
  canvas.draw(noHud());
  EXPECT_FALSE(vktest::logHas(L"preview"));
}

TEST_F(ModifierPreviewFrame, MirrorCopyIsDrawnBesideTheObject) {
  vk::Object& cube = vktest::addSceneObject(ObjectKind::Mesh, L"Cube");
  cube.transform.position = {2, 0, 0};
  FrameCanvas canvas(400, 300);
  const POINT mirrored = vk::projectToScreen({-2, 0, 0}, canvas.rect());
  const POINT own = vk::projectToScreen({2, 0, 0}, canvas.rect());
  canvas.draw(noHud());
  const COLORREF empty = canvas.pixel(mirrored.x, mirrored.y);
  const COLORREF object = canvas.pixel(own.x, own.y);
  addEntry(appState().project.scene.objects.back(), L"Mirror");
  canvas.draw(noHud());
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
  canvas.draw(noHud());
  for (double x : {3.0, -3.0}) {  // the outer border of each copy
    const POINT border = vk::projectToScreen({x, 0, 0.5}, canvas.rect());
    EXPECT_EQ(canvas.pixel(border.x, border.y), RGB(100, 122, 148)) << x;
  }
}

TEST_F(ModifierPreviewFrame, OneFaceBudgetPerPreviewList) {
  // Mirror XYZ + Array 12 + Subdivision on a small grid: 96 full-path elements.
  vk::Object& plane = vktest::addMeshObject(L"Plane", vktest::gridMesh(20, 20, 1.0));
  vk::Modifier& mirror = addEntry(plane, L"Mirror");
  vk::setModifierParamBool(mirror, L"axisY", true);
  vk::setModifierParamBool(mirror, L"axisZ", true);
  vk::setModifierParamNumber(addEntry(plane, L"Array"), L"count", 12);
  addEntry(plane, L"Subdivision");
  const std::vector<vk::Object> list = vk::evaluateModifierStack(plane);
  ASSERT_EQ(list.size(), 96u);
  auto filled = [](const std::vector<vk::Object>& previews, std::int64_t stride) {
    std::int64_t sum = 0;
    for (const vk::Object& e : previews) {
      if (vk::drawsFullMeshFaces(e)) sum += (static_cast<std::int64_t>(e.meshData.faces.size()) + stride - 1) / stride;
    }
    return sum;
  };
  const std::int64_t stride = vk::previewListFaceStride(list);
  EXPECT_EQ(stride, (96 * 1600 + 23999) / 24000);
  EXPECT_LE(filled(list, stride), 24000);

  // Rounding each element up must not push the list past the budget.
  std::vector<vk::Object> odd(95, vktest::addMeshObject(L"A", vktest::gridMesh(1, 501, 1.0)));
  odd.push_back(vktest::addMeshObject(L"B", vktest::gridMesh(1, 405, 1.0)));
  EXPECT_GT(filled(odd, 2), 24000);
  EXPECT_LE(filled(odd, vk::previewListFaceStride(odd)), 24000);
  EXPECT_EQ(vk::previewListFaceStride({}), 1);
}

// At a list stride only the vertices the sampled faces and the drawn edges
// read are projected; any other would be drawn at the origin of the canvas.
TEST_F(ModifierPreviewFrame, ListsDrawnAtAStrideReachNoUnprojectedVertex) {
  FrameCanvas canvas(400, 300);
  vk::Object& plane = vktest::addMeshObject(L"Plane", vktest::gridMesh(20, 20, 0.05));
  const std::wstring id = plane.id;
  vk::Modifier& mirror = addEntry(plane, L"Mirror");
  vk::setModifierParamBool(mirror, L"axisY", true);
  vk::setModifierParamBool(mirror, L"axisZ", true);
  vk::setModifierParamNumber(addEntry(plane, L"Array"), L"count", 12);
  addEntry(plane, L"Subdivision");
  appState().selectedObjectId = id;
  for (vk::ViewportShadingMode mode : {vk::ViewportShadingMode::Solid, vk::ViewportShadingMode::Wireframe}) {
    appState().project.scene.viewportShadingMode = mode;
    for (vk::Modifier& entry : vk::findObjectById(id)->modifierStack.entries) entry.enabled = false;
    canvas.draw(noHud());
    COLORREF corner[3][3];
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) corner[y][x] = canvas.pixel(x, y);
    }
    for (vk::Modifier& entry : vk::findObjectById(id)->modifierStack.entries) entry.enabled = true;
    canvas.draw(noHud());
    const vk::ModifierPreviewEntry& entry = vk::viewportCaches().modifierPreviews.at(id);
    ASSERT_TRUE(entry.share);
    ASSERT_GT(entry.share->fullPathStride, 1);
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
  canvas.draw(noHud());
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
  const std::size_t bytes = entry.bytes;
  canvas.draw(noHud());
  ASSERT_EQ(entry.share->featureEdges.size(), 2u);
  EXPECT_EQ(entry.share->featureEdges[0].second.get(), flags);
  EXPECT_EQ(entry.bytes, bytes);
  EXPECT_GT(entry.bytes, entry.listBytes);  // the flags count towards the cache's bytes
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
  canvas.draw(noHud());
  const std::uint64_t first = evaluations();
  EXPECT_EQ(first, 1u);
  const COLORREF centre = canvas.pixel(200, 150);
  canvas.draw(noHud());
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first);
  EXPECT_EQ(canvas.pixel(200, 150), centre);

  vk::pushUndoSnapshot();
  vk::setModifierParamNumber(object()->modifierStack.entries[0], L"viewportLevels", 2);
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first + 1);
  object()->transform.position.x = 0.5;
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first + 2);
  object()->meshData.vertices.write()[0].y += 0.25;
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first + 3);
  vk::undoLastSnapshot();
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first + 4);
  EXPECT_EQ(canvas.pixel(200, 150), centre);  // the first preview again
  vk::redo();
  canvas.draw(noHud());
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), first + 5);
}

}  // namespace

namespace {

// All objects' preview evaluations in one paint build at most 2 000 000
// faces: the object past that is drawn as it is, the status line says so,
// every repaint keeps the same choice without evaluating, and room made by
// an earlier object lets it in.
TEST_F(ModifierPreviewFrame, ObjectsPastThePaintsFaceTotalAreDrawnWithoutTheirPreview) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 5; ++i) {
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), vktest::gridMesh(99, 99, 1.0));
    for (int k = 0; k < 51; ++k) addEntry(grid, L"Bend");  // 51 x 9801 faces each
    grid.transformAnimation.keyframes.resize(1000);
    ids.push_back(grid.id);
  }
  auto evaluations = [] { return vk::viewportCaches().modifierEvaluations; };
  FrameCanvas canvas(400, 300);
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), 5u);  // four kept, the fifth stopped before building
  EXPECT_EQ(appState().statusText,
            L"\u25CF  1 object is drawn without its modifier preview: the scene's previews passed 2,000,000 faces");
  const auto& cache = vk::viewportCaches().modifierPreviews;
  EXPECT_TRUE(cache.at(ids[3]).list);
  EXPECT_FALSE(cache.at(ids[4]).list);
  for (const vk::Object& element : *cache.at(ids[0]).list) EXPECT_TRUE(element.transformAnimation.keyframes.empty());

  appState().statusText.clear();
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), 5u);
  EXPECT_TRUE(appState().statusText.empty());  // told once

  vk::findObjectById(ids[0])->modifierStack.entries.clear();
  canvas.draw(noHud());
  EXPECT_EQ(evaluations(), 6u);
  EXPECT_TRUE(vk::viewportCaches().modifierPreviews.at(ids[4]).list);
  EXPECT_TRUE(vk::viewportCaches().previewNotice.empty());
}

// The kept previews hold at most 64 MiB: past that the largest are dropped
// and built again when drawn, while their outcome stays known.
TEST_F(ModifierPreviewFrame, TheLargestKeptPreviewsGoPastTheCachesBytes) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 8; ++i) {  // about 115 000 faces, 11 MB kept each
    vk::Object& grid = vktest::addMeshObject(L"Grid" + std::to_wstring(i), vktest::gridMesh(170 - i, 170, 1.0));
    addEntry(grid, L"Subdivision");
    ids.push_back(grid.id);
  }
  FrameCanvas canvas(400, 300);
  canvas.draw(noHud());
  const auto& cache = vk::viewportCaches().modifierPreviews;
  std::size_t kept = 0, dropped = 0, largestKept = 0, smallestDropped = SIZE_MAX;
  for (const std::wstring& id : ids) {
    const vk::ModifierPreviewEntry& entry = cache.at(id);
    EXPECT_TRUE(entry.evaluated);
    if (entry.list) {
      kept += entry.bytes;
      largestKept = std::max(largestKept, entry.bytes);
    } else {
      ++dropped;
      smallestDropped = std::min(smallestDropped, entry.bytes);
    }
  }
  EXPECT_LE(kept, vk::kScenePreviewCacheByteLimit);
  EXPECT_GT(dropped, 0u);
  EXPECT_GE(smallestDropped, largestKept);  // the largest go first
  const std::uint64_t before = vk::viewportCaches().modifierEvaluations;
  canvas.draw(noHud());
  EXPECT_EQ(vk::viewportCaches().modifierEvaluations, before + dropped);
}

}  // namespace
