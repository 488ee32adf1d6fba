// The glTF build state: primitives and their streams, index widths, budgets,
// scope, node transforms and hierarchy.
#include <cmath>
#include <random>

#include "formats/gltf_test_support.h"
#include "formats/exchange_axes.h"
#include "formats/export_scope.h"
#include "model/hierarchy.h"
#include "model/math.h"

namespace vk {
namespace {

using Quat = std::array<double, 4>;

// --- primitives -------------------------------------------------------------

TEST_F(GltfTest, QuadBecomesTwoFlatTrianglesOfFreshVertices) {
  addQuad(L"Quad");
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error)) << std::string(error.begin(), error.end());
  ASSERT_EQ(state.meshes.size(), 1u);
  const GltfPrimitiveRecord& p = state.meshes[0].primitives.at(0);
  EXPECT_EQ(accessorIndices(state, p.indices), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
  // Mirrored into the file's axes, the corners reversed from the first:
  // (0,3,2), (0,2,1), the same diagonal as the studio's fan.
  EXPECT_EQ(accessorFloats(state, p.position),
            (std::vector<float>{0, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0}));
  // The studio's +z side faces -z in the file.
  const std::vector<float> normals = accessorFloats(state, p.normal);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(normals[3 * i + 2], -1.0f);
  EXPECT_EQ(state.vertexCount, 6u);
  EXPECT_EQ(state.triangleCount, 2u);
  EXPECT_EQ(p.texcoord0, -1);
}

TEST_F(GltfTest, DegenerateTriangleGetsUpNormal) {
  addMesh(L"Line", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {face({0, 1, 2})});
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error));
  EXPECT_EQ(accessorFloats(state, state.meshes[0].primitives[0].normal),
            (std::vector<float>{0, 1, 0, 0, 1, 0, 0, 1, 0}));
}

TEST_F(GltfTest, SlotsUvsAndSkippedFaces) {
  // Slot 7 of 3 lands in slot 0, whose face without UVs takes the planar
  // coordinates the viewport samples at its centre (0.4, 0.4 here); slot 2
  // is unused but still a material.
  addMesh(L"Slots", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
          {face({0, 1, 2}, 7, {0, 0, 0}), face({1, 3, 2}, 0), face({1, 3, 2}, 1, {0, 0, 0})}, {{0.25, 0.25}}, 3);
  // a bad face (repeated corner) in a 3-slot mesh
  addMesh(L"Bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {face({0, 1, 2}, 0), face({0, 0, 1}, 1)}, {}, 3);
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error));
  ASSERT_EQ(state.meshes.size(), 2u);
  ASSERT_EQ(state.meshes[0].primitives.size(), 2u);
  const GltfPrimitiveRecord& first = state.meshes[0].primitives[0];
  const GltfPrimitiveRecord& second = state.meshes[0].primitives[1];
  EXPECT_EQ(first.material, 0);
  EXPECT_EQ(first.triangleCount, 2u);
  ASSERT_GE(first.texcoord0, 0);
  const std::vector<float> firstUvs = accessorFloats(state, first.texcoord0);
  const std::vector<float> expectedUvs = {0.25f, 0.75f, 0.25f, 0.75f, 0.25f, 0.75f, 0.4f, 0.6f, 0.4f, 0.6f, 0.4f, 0.6f};
  ASSERT_EQ(firstUvs.size(), expectedUvs.size());
  for (std::size_t i = 0; i < firstUvs.size(); ++i) EXPECT_NEAR(firstUvs[i], expectedUvs[i], 1e-6) << i;
  EXPECT_EQ(second.material, 1);
  ASSERT_GE(second.texcoord0, 0);
  EXPECT_EQ(accessorFloats(state, second.texcoord0), (std::vector<float>{0.25f, 0.75f, 0.25f, 0.75f, 0.25f, 0.75f}));
  EXPECT_EQ(state.materials.size(), 3u + 3u);
  EXPECT_EQ(state.materials[2].name, L"Slot 2");
  EXPECT_EQ(state.skippedFaceCount, 1u);
  EXPECT_TRUE(hasNote(state, kGltfNoteSkippedFaces));
}

TEST_F(GltfTest, IndexWidthSwitchesAboveTheShortRange) {
  addTriangles(L"Short", 21845);  // 65535 vertices, max index 65534
  GltfBuildState small;
  std::wstring error;
  ASSERT_TRUE(build(small, error));
  EXPECT_EQ(small.accessors[static_cast<std::size_t>(small.meshes[0].primitives[0].indices)].componentType, 5123u);
  EXPECT_TRUE(small.qaNotes.empty());

  // two primitives past it: one note; nothing 16-bit: the second note too
  scene().objects.clear();
  addTriangles(L"LongA", 21846);
  addTriangles(L"LongB", 21846);
  GltfBuildState large;
  ASSERT_TRUE(build(large, error));
  EXPECT_EQ(large.accessors[static_cast<std::size_t>(large.meshes[1].primitives[0].indices)].componentType, 5125u);
  EXPECT_EQ(large.intIndexPrimitiveCount, 2u);
  EXPECT_TRUE(hasNote(large, kGltfNoteIntIndices));
  EXPECT_TRUE(hasNote(large, kGltfNoteNoShortIndices));
  EXPECT_EQ(accessorIndices(large, large.meshes[0].primitives[0].indices).back(), 65537u);
}

TEST_F(GltfTest, NonFiniteValuesNeverReachTheState) {
  const double nan = std::nan(""), inf = INFINITY;
  Object& mesh = addMesh(L"Nan", {{nan, 1, 2}, {1e39, 0, 0}, {0, inf, 0}, {1, 1, 0}}, {face({0, 1, 3}), face({1, 2, 3})});
  mesh.transform.position = {nan, 1, inf};
  mesh.transform.rotation = {nan, 0, 0};
  mesh.transform.scale = {inf, 2, nan};
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error));
  const GltfNodeRecord& node = state.nodes[0];
  EXPECT_EQ(node.localTranslation, (Vec3{0, 1, 0}));
  EXPECT_EQ(node.localScale, (Vec3{1, 2, 1}));
  EXPECT_EQ(node.localRotation, (Quat{0, 0, 0, 1}));
  for (float v : accessorFloats(state, state.meshes[0].primitives[0].position)) EXPECT_TRUE(std::isfinite(v));
  for (float v : accessorFloats(state, state.meshes[0].primitives[0].normal)) EXPECT_TRUE(std::isfinite(v));
  const GltfAccessorRecord& position = state.accessors[0];
  EXPECT_EQ(position.max[0], 1.0);
  EXPECT_EQ(position.min[0], 0.0);
}

TEST_F(GltfTest, HostileMeshesBuildValidStatesAndFiniteText) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> index(-2, 12), corners(0, 70), slot(-3, 40), pick(0, 9);
  std::uniform_real_distribution<double> coord(-1e3, 1e3);
  const double odd[] = {std::nan(""), INFINITY, -INFINITY, 1e300, -0.0};
  for (int round = 0; round < 50; ++round) {
    scene().objects.clear();
    std::vector<Vec3> vertices(10);
    for (Vec3& v : vertices) v = {pick(rng) ? coord(rng) : odd[pick(rng) % 5], coord(rng), coord(rng)};
    std::vector<Vec2> uvs(4, Vec2{0.5, pick(rng) ? 0.25 : std::nan("")});
    std::vector<MeshFace> faces;
    for (int f = 0; f < 30; ++f) {
      MeshFace mf;
      const int n = corners(rng);
      for (int k = 0; k < n; ++k) mf.indices.push_back(index(rng));
      if (pick(rng) < 7) for (int k = 0; k < n; ++k) mf.uvIndices.push_back(index(rng) % 5);
      mf.materialIndex = slot(rng);
      faces.push_back(std::move(mf));
    }
    faces.push_back(face({0, 1, 2}));  // at least one triangle
    Object& o = addMesh(L"Hostile", vertices, faces, uvs, 1 + pick(rng) % 4);
    o.materialSlots.slots[0].alpha = std::nan("");
    o.materialSlots.slots[0].emission = INFINITY;
    o.transform.rotation = {coord(rng), odd[round % 5], 0};
    GltfBuildState state;
    std::wstring error;
    ASSERT_TRUE(build(state, error, true)) << std::string(error.begin(), error.end());
    const std::string json = buildGltfSceneJson(state, false);
    EXPECT_EQ(json.find("nan"), std::string::npos);
    EXPECT_EQ(json.find("inf"), std::string::npos);
    std::string bytes;
    EXPECT_TRUE(buildGlbBytes(state, bytes, error));
  }
}

// --- budgets ----------------------------------------------------------------

TEST_F(GltfTest, FaceBudgetPassesAtSixtyThousandAndBlocksAbove) {
  addTriangles(L"Edge", 60000);
  GltfBuildState pass;
  std::wstring error;
  EXPECT_TRUE(build(pass, error, true, L"GLB"));
  scene().objects.back().meshData.faces.write().push_back(face({0, 1, 2}));
  GltfBuildState blocked;
  EXPECT_FALSE(build(blocked, error, true, L"GLB"));
  EXPECT_EQ(error, L"glTF export blocked: mesh face count exceeds Phase 63 safety budget.");
}

TEST_F(GltfTest, BinBudgetIsSixtyFourMebibytesExactly) {
  GltfBuildState state;
  std::wstring error;
  appendBufferView(state, error, 0, [](std::string& b) { b.append(kGltfExportBinByteLimit, '\0'); });
  EXPECT_TRUE(error.empty());
  GltfBuildState over;
  appendBufferView(over, error, 0, [](std::string& b) { b.append(kGltfExportBinByteLimit + 1, '\0'); });
  EXPECT_EQ(error, L"glTF export blocked: embedded buffer exceeds the Phase 63 safe file budget.");
  EXPECT_EQ(over.bufferViews.size(), 1u);

  // 60000 sixteen-gons: 2.52 million fresh vertices do not fit
  std::vector<Vec3> ring;
  std::vector<int> corners;
  for (int k = 0; k < 16; ++k) {
    ring.push_back({std::cos(k * kPi / 8), std::sin(k * kPi / 8), 0});
    corners.push_back(k);
  }
  addMesh(L"Gons", ring, std::vector<MeshFace>(60000, face(corners)));
  GltfBuildState big;
  EXPECT_FALSE(build(big, error));
  EXPECT_EQ(error, L"glTF export blocked: embedded buffer exceeds the Phase 63 safe file budget.");
}

TEST_F(GltfTest, NodeBudgetAndSceneWalkStopAt512) {
  for (int i = 0; i < 512; ++i) addTriangles(L"T", 1);
  GltfBuildState pass;
  std::wstring error;
  EXPECT_TRUE(build(pass, error, true, L"GLB"));
  EXPECT_EQ(pass.nodeCount, 512u);
  addTriangles(L"T", 1);
  GltfBuildState blocked;
  EXPECT_FALSE(build(blocked, error, true, L"GLB"));
  EXPECT_EQ(error, L"GLB export blocked: node count exceeds the Phase 66.1 safe export budget.");

  for (int i = 0; i < 87; ++i) addTriangles(L"T", 1);  // 600 visible
  const std::vector<const Object*> scope = collectExportObjects(false);
  ASSERT_EQ(scope.size(), 512u);
  EXPECT_EQ(scope.back(), &scene().objects[511]);

  // a selected subtree of 600 is taken whole, and refused
  for (std::size_t i = 1; i < scene().objects.size(); ++i) scene().objects[i].parentId = scene().objects[0].id;
  app().selectedObjectId = scene().objects[0].id;
  bool selectionUsed = false;
  const std::vector<const Object*> subtree = collectExportObjects(true, &selectionUsed);
  EXPECT_EQ(subtree.size(), 600u);
  EXPECT_TRUE(selectionUsed);
  GltfBuildState refused;
  EXPECT_FALSE(buildGltfState(subtree, refused, error, true, L"GLB"));
  EXPECT_EQ(error, L"GLB export blocked: node count exceeds the Phase 66.1 safe export budget.");
}

// --- scope ------------------------------------------------------------------

TEST_F(GltfTest, EmptyWithChildIsAHierarchyInGlbAndAMeshRootInGltf) {
  Object& empty = addKind(ObjectKind::Empty, L"Holder");
  empty.transform.position = {5, 0, 0};
  const std::wstring emptyId = empty.id;
  Object& cube = addQuad(L"Child");
  cube.parentId = emptyId;
  cube.transform.position = {5, 0, 0};  // an object's own transform is its world placement
  app().selectedObjectId = emptyId;

  bool selectionUsed = false;
  GltfBuildState glb;
  std::wstring error;
  ASSERT_TRUE(buildGltfState(collectExportObjects(true, &selectionUsed), glb, error, true, L"GLB"));
  EXPECT_TRUE(selectionUsed);
  ASSERT_EQ(glb.nodes.size(), 2u);
  EXPECT_EQ(glb.nodes[0].children, std::vector<std::uint32_t>{1});
  EXPECT_EQ(gltfRootNodeIndices(glb), std::vector<std::uint32_t>{0});
  EXPECT_EQ(glb.nodes[1].localTranslation, (Vec3{0, 0, 0}));  // relative to the Empty: not (10, 0, 0)

  GltfBuildState gltf;
  ASSERT_TRUE(build(gltf, error));
  ASSERT_EQ(gltf.nodes.size(), 1u);
  EXPECT_EQ(gltf.nodes[0].name, L"Child");
  EXPECT_EQ(gltf.nodes[0].localTranslation, (Vec3{5, 0, 0}));
  EXPECT_EQ(gltfRootNodeIndices(gltf), std::vector<std::uint32_t>{0});
}

TEST_F(GltfTest, SelectionWithoutMeshFallsBackToTheVisibleScene) {
  app().selectedObjectId = addKind(ObjectKind::Camera, L"Cam").id;
  addQuad(L"A");
  Object& hidden = addQuad(L"Hidden");
  hidden.visible = false;
  addKind(ObjectKind::Curve, L"Curve");
  bool selectionUsed = true;
  const std::vector<const Object*> scope = collectExportObjects(true, &selectionUsed);
  EXPECT_FALSE(selectionUsed);
  ASSERT_EQ(scope.size(), 2u);  // camera and quad; hidden mesh and curve do not qualify
  EXPECT_EQ(scope[0]->name, L"Cam");
  EXPECT_TRUE(glbSelectionHasExportableMesh(scope));
}

TEST_F(GltfTest, SceneWalkAgreesWithEffectiveVisibilityThroughLoopsAndHiddenAncestors) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> kind(0, 6), parent(-3, 199), coin(0, 4);
  for (int i = 0; i < 200; ++i) {
    Object& o = addKind(static_cast<ObjectKind>(kind(rng)), L"O");
    if (o.kind == ObjectKind::Mesh && coin(rng) == 0) o.meshData.faces.write().clear();
    o.visible = coin(rng) != 0;
  }
  for (Object& o : scene().objects) {
    const int p = parent(rng);  // self, loops and missing parents included
    o.parentId = p < 0 ? (p == -1 ? L"obj-missing" : L"") : scene().objects[static_cast<std::size_t>(p)].id;
  }
  std::vector<const Object*> expected;
  for (Object& o : scene().objects)
    if (objectWorldExportable(o) || (gltfTransformOnlyKind(o.kind) && isEffectivelyVisible(o))) expected.push_back(&o);
  EXPECT_EQ(collectExportObjects(false), expected);
}

// --- transforms -------------------------------------------------------------

Vec3 rotateByQuaternion(const Quat& q, const Vec3& v) {
  const Vec3 u{q[0], q[1], q[2]};
  const Vec3 t = vec3Cross(u, v) * 2.0;
  return v + t * q[3] + vec3Cross(u, t);
}

// The mirror at the exchange boundary is the same map in every form it
// takes (Euler angles, quaternion, matrix, transform), and crossing twice
// gives back exactly what went out.
TEST_F(GltfTest, TheExchangeMirrorAgreesInEveryFormAndUndoesItself) {
  std::mt19937 rng(29);
  std::uniform_real_distribution<double> angle(-180.0, 180.0), coord(-3.0, 3.0);
  for (int i = 0; i < 500; ++i) {
    const Vec3 e{angle(rng), angle(rng), angle(rng)}, p{coord(rng), coord(rng), coord(rng)};
    const Transform t{{coord(rng), coord(rng), coord(rng)}, e, {coord(rng), coord(rng), coord(rng)}};
    const Vec3 want = exchangeMirrorPoint(rotateEulerDegrees(p, e));
    ASSERT_LE(vec3Length(rotateEulerDegrees(exchangeMirrorPoint(p), exchangeMirrorEuler(e)) - want), 1e-9) << i;
    const Quat q = exchangeMirrorQuaternion(gltfEulerToQuaternion(e));
    ASSERT_LE(vec3Length(rotateByQuaternion(q, exchangeMirrorPoint(p)) - want), 1e-9) << i;

    Object o;
    o.transform = t;
    double m[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};  // column-major
    const Vec3 origin = objectWorldPoint(o, {});
    const Vec3 columns[4] = {objectWorldPoint(o, {1, 0, 0}) - origin, objectWorldPoint(o, {0, 1, 0}) - origin,
                             objectWorldPoint(o, {0, 0, 1}) - origin, origin};
    for (int c = 0; c < 4; ++c) m[4 * c] = columns[c].x, m[4 * c + 1] = columns[c].y, m[4 * c + 2] = columns[c].z;
    exchangeMirrorMatrix(m);
    const Vec3 mp = exchangeMirrorPoint(p);
    const Vec3 byMatrix{m[0] * mp.x + m[4] * mp.y + m[8] * mp.z + m[12], m[1] * mp.x + m[5] * mp.y + m[9] * mp.z + m[13],
                        m[2] * mp.x + m[6] * mp.y + m[10] * mp.z + m[14]};
    const Vec3 worldWant = exchangeMirrorPoint(objectWorldPoint(o, p));
    ASSERT_LE(vec3Length(byMatrix - worldWant), 1e-9) << i;
    Object mirrored;
    mirrored.transform = exchangeMirrorTransform(t);
    ASSERT_LE(vec3Length(objectWorldPoint(mirrored, mp) - worldWant), 1e-9) << i;
    ASSERT_EQ(exchangeMirrorTransform(mirrored.transform), t);
  }
  MeshFace corners = face({4, 7, 1, 9, 2}, 3, {0, 1, 2, 3, 4});
  reverseWindingKeepFirst(corners);
  EXPECT_EQ(corners.indices, (std::vector<std::int32_t>{4, 2, 9, 1, 7}));  // the first corner stays
  EXPECT_EQ(corners.uvIndices, (std::vector<std::int32_t>{0, 4, 3, 2, 1}));
  reverseWindingKeepFirst(corners);
  EXPECT_EQ(corners, face({4, 7, 1, 9, 2}, 3, {0, 1, 2, 3, 4}));
}

TEST_F(GltfTest, QuaternionFollowsTheModelsRotationOrder) {
  auto expectQuat = [](Vec3 degrees, Quat expected) {
    const Quat q = gltfEulerToQuaternion(degrees);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(q[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)], 5e-7);
  };
  expectQuat({90, 90, 0}, {0.5, 0.5, 0.5, 0.5});
  expectQuat({30, 45, 60}, {0.022260, 0.439680, 0.531976, 0.723317});
  expectQuat({90, 0, 0}, {0.707107, 0, 0, 0.707107});
  expectQuat({0, 0, 0}, {0, 0, 0, 1});

  std::mt19937 rng(7);
  std::uniform_real_distribution<double> angle(-720.0, 720.0), coord(-3.0, 3.0);
  for (int i = 0; i < 1000; ++i) {
    const Vec3 r{angle(rng), angle(rng), angle(rng)};
    const Vec3 p{coord(rng), coord(rng), coord(rng)};
    const Vec3 a = rotateByQuaternion(gltfEulerToQuaternion(r), p);
    const Vec3 b = rotateEulerDegrees(p, r);
    ASSERT_LE(vec3Length(a - b), 1e-6) << i;
  }
}

// Row-major 3 x 4 affine matrices.
using Affine = std::array<double, 12>;

Affine compose(const Affine& a, const Affine& b) {
  Affine c{};
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 4; ++col) {
      double sum = col == 3 ? a[static_cast<std::size_t>(r * 4 + 3)] : 0.0;
      for (int k = 0; k < 3; ++k) sum += a[static_cast<std::size_t>(r * 4 + k)] * b[static_cast<std::size_t>(k * 4 + col)];
      c[static_cast<std::size_t>(r * 4 + col)] = sum;
    }
  return c;
}

Affine nodeMatrix(const GltfNodeRecord& node) {
  Affine m{};
  const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double s[3] = {node.localScale.x, node.localScale.y, node.localScale.z};
  for (int c = 0; c < 3; ++c) {
    const Vec3 column = rotateByQuaternion(node.localRotation, axes[c] * s[c]);
    m[static_cast<std::size_t>(c)] = column.x;
    m[static_cast<std::size_t>(4 + c)] = column.y;
    m[static_cast<std::size_t>(8 + c)] = column.z;
  }
  m[3] = node.localTranslation.x;
  m[7] = node.localTranslation.y;
  m[11] = node.localTranslation.z;
  return m;
}

// The object's placement as a file reader sees it: in the file's axes.
Vec3 fileWorldPoint(const Object& object, const Vec3& p) {
  return exchangeMirrorPoint(objectWorldPoint(object, exchangeMirrorPoint(p)));
}

Affine ownMatrix(const Object& object) {
  Affine m{};
  const Vec3 origin = fileWorldPoint(object, {0, 0, 0});
  const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int c = 0; c < 3; ++c) {
    const Vec3 column = fileWorldPoint(object, axes[c]) - origin;
    m[static_cast<std::size_t>(c)] = column.x;
    m[static_cast<std::size_t>(4 + c)] = column.y;
    m[static_cast<std::size_t>(8 + c)] = column.z;
  }
  m[3] = origin.x;
  m[7] = origin.y;
  m[11] = origin.z;
  return m;
}

Affine worldOf(const GltfBuildState& state, std::uint32_t node) {
  const GltfNodeRecord& record = state.nodes[node];
  const Affine local = nodeMatrix(record);
  return record.parentNode < 0 ? local : compose(worldOf(state, static_cast<std::uint32_t>(record.parentNode)), local);
}

TEST_F(GltfTest, ComposedHierarchyGivesBackEveryObjectsOwnPlacement) {
  std::mt19937 rng(11);
  int topLevel = 0;
  for (int round = 0; round < 20; ++round) {
    scene().objects.clear();
    addRandomHierarchy(rng, 40, 10, 3, 10.0, 0.3, 3.0);  // depth 4
    GltfBuildState state;
    std::wstring error;
    ASSERT_TRUE(buildGltfState(all(), state, error, true, L"GLB"));
    for (std::uint32_t n = 0; n < state.nodes.size(); ++n) {
      const Affine world = worldOf(state, n);
      const Affine own = ownMatrix(scene().objects[n]);
      for (std::size_t k = 0; k < 12; ++k) ASSERT_NEAR(world[k], own[k], 1e-5) << round << " node " << n;
      if (state.nodes[n].parentNode < 0 && !scene().objects[n].parentId.empty()) ++topLevel;
    }
  }
  EXPECT_GT(topLevel, 0);  // sheared products were met and kept their placement at top level
}

// Imported hierarchies carry float noise (scales like 0.99999986): it must
// not pass for shear, so every parent link stays.
TEST_F(GltfTest, FloatNoiseInScalesAndAnglesKeepsEveryParentLink) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> angle(-180.0, 180.0), coord(-5.0, 5.0), size(0.5, 2.0), noise(-1e-7, 1e-7);
  std::uniform_int_distribution<int> sign(0, 3);
  auto place = [&](Object& o) {
    const double u = size(rng);
    const int mirror = sign(rng);  // a mirror in one axis, or none
    o.transform.position = {coord(rng), coord(rng), coord(rng)};
    o.transform.rotation = {angle(rng) + noise(rng), angle(rng) + noise(rng), angle(rng) + noise(rng)};
    o.transform.scale = {u * (mirror == 0 ? -1 : 1) * (1 + noise(rng)), u * (mirror == 1 ? -1 : 1) * (1 + noise(rng)),
                         u * (mirror == 2 ? -1 : 1) * (1 + noise(rng))};
  };
  for (int round = 0; round < 20; ++round) {
    scene().objects.clear();
    for (int root = 0; root < 3; ++root) {
      Object& top = addKind(ObjectKind::Group, L"Top");
      place(top);
      const std::wstring topId = top.id;
      for (int child = 0; child < 2; ++child) {
        Object& middle = addQuad(L"Middle");
        place(middle);
        middle.parentId = topId;
        const std::wstring middleId = middle.id;
        for (int leaf = 0; leaf < 2; ++leaf) {
          Object& bottom = addQuad(L"Leaf");
          place(bottom);
          bottom.parentId = middleId;
        }
      }
    }
    // The issue's own case: a parent scaled 1.0000001 and turned about Y.
    Object& parent = addKind(ObjectKind::Group, L"Parent");
    parent.transform = {{0, 0, 0}, {0, 45, 0}, {1.0000001, 1, 1}};
    const std::wstring parentId = parent.id;
    Object& turned = addQuad(L"Turned");
    turned.transform.rotation = {30, 0, 0};
    turned.parentId = parentId;

    GltfBuildState state;
    std::wstring error;
    ASSERT_TRUE(buildGltfState(all(), state, error, true, L"GLB"));
    EXPECT_FALSE(hasNote(state, kGltfNoteTopLevelNodes)) << round;
    for (std::uint32_t n = 0; n < state.nodes.size(); ++n) {
      const Object& object = scene().objects[n];
      EXPECT_EQ(state.nodes[n].parentNode < 0, object.parentId.empty()) << round << " node " << n;
      const Affine world = worldOf(state, n);
      const Affine own = ownMatrix(object);
      for (std::size_t k = 0; k < 12; ++k) ASSERT_NEAR(world[k], own[k], 1e-5) << round << " node " << n;
    }
  }
}

TEST_F(GltfTest, ShearOrSingularParentKeepsTheChildAtTopLevel) {
  Object& parent = addKind(ObjectKind::Group, L"Stretch");
  parent.transform.scale = {1, 3, 1};
  const std::wstring parentId = parent.id;
  Object& child = addQuad(L"Turned");
  child.parentId = parentId;
  child.transform.rotation = {0, 0, 30};
  Object& flat = addKind(ObjectKind::Group, L"Flat");
  flat.transform.scale = {1, 0, 1};
  const std::wstring flatId = flat.id;
  Object& second = addQuad(L"OnFlat");
  second.parentId = flatId;
  Object& aligned = addQuad(L"Aligned");
  aligned.parentId = parentId;
  aligned.transform.position = {0, 3, 0};
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error, true));
  EXPECT_EQ(gltfRootNodeIndices(state), (std::vector<std::uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(state.nodes[0].children, std::vector<std::uint32_t>{4});
  EXPECT_EQ(state.nodes[4].localTranslation, (Vec3{0, 1, 0}));
  EXPECT_TRUE(hasNote(state, kGltfNoteTopLevelNodes));
}

TEST_F(GltfTest, ParentCyclesLeaveEveryNodeInTheScene) {
  Object& self = addQuad(L"Self");
  self.parentId = self.id;
  addQuad(L"A");
  addQuad(L"B");
  scene().objects[1].parentId = scene().objects[2].id;  // A <-> B
  scene().objects[2].parentId = scene().objects[1].id;
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error));
  EXPECT_EQ(gltfRootNodeIndices(state), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(state.nodes[2].children, std::vector<std::uint32_t>{1});
  EXPECT_TRUE(state.nodes[0].children.empty());
}

}  // namespace
}  // namespace vk
