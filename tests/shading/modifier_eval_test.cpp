// Preview lists: copies, limits, colours, suffixes, kinds that take no part,
// entry order, and results shared between elements that share a mesh.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "modifier_support.h"
#include "shading/modifiers.h"

namespace {

using namespace vk;
using modtest::gridObject;
using modtest::meshObject;

class ModifierEval : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

Modifier& add(Object& o, const wchar_t* type) {
  o.modifierStack.entries.push_back(createModifierEntry(o, type));
  return o.modifierStack.entries.back();
}

TEST_F(ModifierEval, MirrorCopiesNegateAxesInSubsetOrder) {
  Object cube = meshObject(L"Cube");
  cube.transform.position = {1, 2, 3};
  add(cube, L"Mirror");
  EXPECT_FALSE(objectNeedsModifierPreview(cube));
  std::vector<Object> list = evaluateModifierStack(cube);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, L"obj-1-mirror-preview1");
  EXPECT_EQ(list[0].name, L"Thing Mirror Preview");
  EXPECT_EQ(list[0].transform.position, (Vec3{-1, 2, 3}));
  EXPECT_EQ(list[0].transform.scale, (Vec3{-1, 1, 1}));
  EXPECT_EQ(list[0].material.r, 76);
  EXPECT_EQ(list[0].material.g, 202);
  EXPECT_EQ(list[0].material.b, 255);
  // Copies share the source's arrays.
  EXPECT_TRUE(list[0].meshData.vertices.sharesWith(cube.meshData.vertices));

  setModifierParamBool(cube.modifierStack.entries[0], L"axisY", true);
  setModifierParamBool(cube.modifierStack.entries[0], L"axisZ", true);
  list = evaluateModifierStack(cube);
  ASSERT_EQ(list.size(), 7u);
  for (int s = 1; s <= 7; ++s) EXPECT_EQ(list[s - 1].id, L"obj-1-mirror-preview" + std::to_wstring(s));
  EXPECT_EQ(list[6].transform.position, (Vec3{-1, -2, -3}));

  // No axis on: X is taken.
  for (const wchar_t* key : {L"axisX", L"axisY", L"axisZ"}) setModifierParamBool(cube.modifierStack.entries[0], key, false);
  EXPECT_EQ(evaluateModifierStack(cube).at(0).id, L"obj-1-mirror-preview1");
}

TEST_F(ModifierEval, ArrayCountsClampAndTheListStopsAtTheLimit) {
  auto arrayCopies = [](double count) {
    Object cube = meshObject(L"Cube");
    setModifierParamNumber(add(cube, L"Array"), L"count", count);
    return evaluateModifierStack(cube);
  };
  EXPECT_EQ(arrayCopies(40).size(), 31u);
  EXPECT_TRUE(arrayCopies(0).empty());
  EXPECT_EQ(arrayCopies(1e300).size(), 31u);
  EXPECT_EQ(arrayCopies(-1e300).size(), 0u);
  const std::vector<Object> three = arrayCopies(3);
  EXPECT_EQ(three[1].transform.position, (Vec3{2.5, 0, 0}));
  EXPECT_EQ(three[1].id, L"obj-1-array-preview2");
  EXPECT_EQ(three[1].material.r, 120);

  Object mirrored = meshObject(L"Cube");
  add(mirrored, L"Mirror");
  add(mirrored, L"Array");
  const std::vector<Object> four = evaluateModifierStack(mirrored);
  ASSERT_EQ(four.size(), 5u);  // the mirror copy plus two array copies of each
  EXPECT_EQ(four[3].id, L"obj-1-mirror-preview1-array-preview1");

  Object full = meshObject(L"Cube");
  Modifier& mirror = add(full, L"Mirror");
  setModifierParamBool(mirror, L"axisY", true);
  setModifierParamBool(mirror, L"axisZ", true);
  setModifierParamNumber(add(full, L"Array"), L"count", 32);
  EXPECT_EQ(evaluateModifierStack(full).size(), 95u);
}

TEST_F(ModifierEval, DeformingEntriesReplaceTheObjectAndTagEveryElement) {
  Object cube = meshObject(L"Cube");
  cube.material.g = 240;
  add(cube, L"Bend");
  EXPECT_TRUE(objectNeedsModifierPreview(cube));
  const std::vector<Object> list = evaluateModifierStack(cube);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, L"obj-1-phase46-topology-preview");
  EXPECT_EQ(list[0].name, L"Thing Modifier Preview");
  EXPECT_EQ(list[0].material.g, 255);
  EXPECT_EQ(list[0].material.r, cube.material.r);
  EXPECT_EQ(list[0].mesh.primitive, L"Bend Preview Mesh");

  Object off = meshObject(L"Cube");
  add(off, L"Bend").enabled = false;
  add(off, L"LegacyUnknown");
  EXPECT_FALSE(objectNeedsModifierPreview(off));
  EXPECT_TRUE(evaluateModifierStack(off).empty());

  Object curve = meshObject(L"Cube");
  curve.kind = ObjectKind::Curve;
  add(curve, L"Bend");
  EXPECT_FALSE(objectNeedsModifierPreview(curve));
  const std::vector<Object> curveList = evaluateModifierStack(curve);
  ASSERT_EQ(curveList.size(), 1u);
  EXPECT_EQ(curveList[0].id, L"obj-1-phase46-topology-preview");
  EXPECT_EQ(curveList[0].meshData, curve.meshData);
  EXPECT_EQ(curveList[0].material, curve.material);

  Object camera = meshObject(L"Cube");
  camera.kind = ObjectKind::Camera;
  add(camera, L"Lattice");
  EXPECT_TRUE(evaluateModifierStack(camera).empty());
}

TEST_F(ModifierEval, LaterEntriesActOnWhatEarlierOnesMade) {
  Object cube = meshObject(L"Cube");
  add(cube, L"Lattice");
  add(cube, L"Subdivision");
  const std::vector<Object> list = evaluateModifierStack(cube);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].id, L"obj-1-lattice-cage-preview-phase46-topology-preview");
  EXPECT_EQ(list[1].meshData.faces.size(), 24u);  // the cage was subdivided
  EXPECT_EQ(list[1].material.r, 88 + 16);

  Object bent = meshObject(L"Cube");
  add(bent, L"Mirror");
  add(bent, L"Bend");
  const std::vector<Object> both = evaluateModifierStack(bent);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[1].mesh.primitive, L"Bend Preview Mesh");
  EXPECT_EQ(both[1].material.g, 202 + 30);
}

// Every element built on its own, as if nothing were shared.
std::vector<Object> evaluateUnshared(const Object& object) {
  Object alone = object;
  std::vector<Modifier> entries = alone.modifierStack.entries;
  std::vector<Object> list = evaluateModifierStack(alone);
  for (Object& element : list) {
    // Break the sharing, then build this element's mesh from the source again.
    Object fresh = object;
    fresh.meshData.vertices = std::vector<Vec3>(object.meshData.vertices.read());
    fresh.modifierStack.entries.clear();
    for (const Modifier& entry : entries) {
      if (!entry.enabled || !isDeformingModifierName(entry.type)) continue;
      if (entry.type == L"Subdivision") applyModifierPreviewSubdivision(fresh, 1, 0.65);
      if (entry.type == L"Bend") applyModifierPreviewBend(fresh, L"Z", 45);
    }
    EXPECT_EQ(element.meshData.vertices.read(), fresh.meshData.vertices.read()) << element.id.size();
    EXPECT_EQ(element.meshData.faces.read(), fresh.meshData.faces.read());
  }
  return list;
}

TEST_F(ModifierEval, ElementsSharingAMeshShareOneResult) {
  Object plane = gridObject(75);
  Modifier& mirror = add(plane, L"Mirror");
  setModifierParamBool(mirror, L"axisY", true);
  setModifierParamBool(mirror, L"axisZ", true);
  setModifierParamNumber(add(plane, L"Array"), L"count", 12);
  add(plane, L"Subdivision");
  const std::vector<Object> list = evaluateModifierStack(plane);
  ASSERT_EQ(list.size(), 96u);
  EXPECT_EQ(list[0].meshData.faces.size(), 22500u);
  for (const Object& element : list) {
    EXPECT_TRUE(element.meshData.vertices.sharesWith(list[0].meshData.vertices));
    EXPECT_TRUE(element.meshData.faces.sharesWith(list[0].meshData.faces));
  }
  // Colours stay per element: mirror blue and array blue both capped.
  EXPECT_EQ(list[1].material.r, 76 + 16);
  EXPECT_EQ(list[8].material.r, 120 + 16);

  Object small = meshObject(L"Cube");
  add(small, L"Mirror");
  add(small, L"Array");
  add(small, L"Subdivision");
  add(small, L"Bend");
  EXPECT_EQ(evaluateUnshared(small).size(), 6u);
}

// Each builder works within its own limits: a grid past the viewport's fill
// budget is still subdivided while it is under 30 000 vertices and faces.
TEST_F(ModifierEval, SubdivisionRefinesWithinItsOwnLimits) {
  for (const auto& [side, faces] : {std::pair{78, 24336u}, std::pair{170, 115600u}}) {
    Object grid = gridObject(side);
    add(grid, L"Subdivision");
    const ModifierStackPreview preview = evaluateModifierStackWithin(grid, kModifierEvaluationFaceLimit);
    ASSERT_EQ(preview.list.size(), 1u);
    EXPECT_EQ(preview.list[0].mesh.primitive, L"Subdivision Preview Mesh");
    EXPECT_EQ(preview.list[0].meshData.faces.size(), faces) << side;
    EXPECT_EQ(preview.facesBuilt, faces);
    EXPECT_TRUE(preview.leftOut.empty());
  }
  // Level 3 on the 78 x 78 grid: the second pass runs (24 649 vertices), the
  // third does not; both passes count.
  Object deep = gridObject(78);
  setModifierParamNumber(add(deep, L"Subdivision"), L"viewportLevels", 3);
  const ModifierStackPreview preview = evaluateModifierStackWithin(deep, kModifierEvaluationFaceLimit);
  EXPECT_EQ(preview.list[0].meshData.faces.size(), 97344u);
  EXPECT_EQ(preview.facesBuilt, 24336u + 97344u);
}

// One object's evaluation builds at most 500 000 faces, counted before each
// entry: the entry that would pass it and every later one are left out and
// named; the list still stands in for the object.
TEST_F(ModifierEval, EntriesPastTheObjectsFaceTotalAreLeftOutAndNamed) {
  Object bends = gridObject(99);  // 9801 faces rebuilt by each bend
  for (int i = 0; i < 64; ++i) add(bends, L"Bend");
  bends.modifierStack.entries[60].enabled = false;
  ModifierStackPreview preview = evaluateModifierStackWithin(bends, kModifierEvaluationFaceLimit);
  EXPECT_EQ(preview.facesBuilt, 51u * 9801u);
  ASSERT_EQ(preview.leftOut.size(), 12u);  // 52..64 but the disabled 61st
  EXPECT_EQ(preview.leftOut.front(), 51u);
  EXPECT_EQ(preview.leftOut[9], 61u);
  EXPECT_EQ(preview.facesWanted, 52u * 9801u);
  EXPECT_EQ(preview.list[0].id, L"obj-grid-phase46-topology-preview");
  EXPECT_EQ(modifierLeftOutText(bends, {51, 52}), L"52. Bend, 53. Bend");
  Object fiftyOne = gridObject(99);
  for (int i = 0; i < 51; ++i) add(fiftyOne, L"Bend");
  EXPECT_EQ(preview.list[0].meshData.vertices.read(), evaluateModifierStack(fiftyOne)[0].meshData.vertices.read());
  EXPECT_NE(modifierStackSummary(bends, preview.leftOut).find(L"Left out of the preview (past 500,000 faces): 52. Bend"),
            std::wstring::npos);

  // A smaller allowance stops earlier; nothing is built past it.
  preview = evaluateModifierStackWithin(bends, 3 * 9801);
  EXPECT_EQ(preview.facesBuilt, 3u * 9801u);
  EXPECT_EQ(preview.leftOut.front(), 3u);

  // 64 entries of every kind on a 10 000-vertex mesh: whatever the stack
  // holds, the meshes kept hold no more faces than were counted.
  Object heavy = gridObject(99);
  const wchar_t* kinds[] = {L"Array", L"Subdivision", L"Bevel", L"Solidify", L"Bend",
                            L"Twist", L"Taper",       L"Mirror", L"Lattice"};
  for (int i = 0; i < 64; ++i) setModifierParamNumber(add(heavy, kinds[i % 9]), L"viewportLevels", 3);
  preview = evaluateModifierStackWithin(heavy, kModifierEvaluationFaceLimit);
  EXPECT_LE(preview.facesBuilt, kModifierEvaluationFaceLimit);
  std::vector<const MeshData*> distinct{&heavy.meshData};
  std::size_t kept = 0;
  for (const Object& element : preview.list) {
    if (std::none_of(distinct.begin(), distinct.end(),
                     [&](const MeshData* m) { return m->faces.sharesWith(element.meshData.faces); })) {
      distinct.push_back(&element.meshData);
      kept += element.meshData.faces.size();
    }
    EXPECT_NE(element.id.find(L"-phase46-topology-preview"), std::wstring::npos);
    EXPECT_TRUE(element.modifierStack.entries.empty());  // copies carry what drawing needs
  }
  EXPECT_LE(kept, preview.facesBuilt);
}

// The counts taken before building are never below what the builders make.
TEST_F(ModifierEval, PredictedFacesCoverWhatTheBuildersMake) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    const Object source = modtest::randomObject(seed, 40 + static_cast<int>(seed) * 7, 60, seed % 2 == 0);
    for (const wchar_t* kind : {L"Bevel", L"Solidify", L"Subdivision", L"Twist"}) {
      Object object = source;
      object.kind = ObjectKind::Mesh;
      setModifierParamNumber(add(object, kind), L"viewportLevels", 1 + seed % 3);
      const ModifierStackPreview preview = evaluateModifierStackWithin(object, kModifierEvaluationFaceLimit);
      ASSERT_EQ(preview.list.size(), 1u);
      EXPECT_LE(preview.list[0].meshData.faces.size(), std::max<std::size_t>(preview.facesBuilt, source.meshData.faces.size()))
          << seed;
    }
  }
}

}  // namespace
