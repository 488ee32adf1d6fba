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

// The list is drawn with at most the face budget and kept while its object
// is unchanged, so no entry builds more: the entry whose meshes would pass it
// is left out with every later one; the list still stands in for the object.
TEST_F(ModifierEval, EvaluationStopsAtTheFaceBudget) {
  Object big = gridObject(99);  // 9801 faces; one subdivision would give 39204
  add(big, L"Subdivision");
  add(big, L"Bend");
  add(big, L"Array");
  std::vector<Object> list = evaluateModifierStack(big);
  ASSERT_EQ(list.size(), 1u);  // not subdivided, bent nor repeated
  EXPECT_TRUE(list[0].meshData.faces.sharesWith(big.meshData.faces));
  EXPECT_EQ(list[0].material.r, big.material.r);
  EXPECT_EQ(list[0].id, L"obj-grid-phase46-topology-preview");

  // 1600 faces: each deformer builds 6400, so all four take part, however
  // many meshes the stack builds on the way.
  Object small = gridObject(40);
  std::vector<std::vector<Vec3>> steps;
  for (const wchar_t* kind : {L"Subdivision", L"Bend", L"Twist", L"Taper"}) {
    add(small, kind);
    list = evaluateModifierStack(small);
    ASSERT_EQ(list.size(), 1u);
    steps.push_back(list[0].meshData.vertices.read());
  }
  EXPECT_EQ(list[0].meshData.faces.size(), 6400u);
  EXPECT_NE(steps[1], steps[0]);
  EXPECT_NE(steps[2], steps[1]);
  EXPECT_NE(steps[3], steps[2]);

  // 64 entries of every kind on a 10 000-vertex mesh: whatever the stack
  // holds, the meshes kept stay within the budget.
  Object heavy = gridObject(99);
  const wchar_t* kinds[] = {L"Array", L"Subdivision", L"Bevel", L"Solidify", L"Bend",
                            L"Twist", L"Taper",       L"Mirror", L"Lattice"};
  for (int i = 0; i < 64; ++i) setModifierParamNumber(add(heavy, kinds[i % 9]), L"viewportLevels", 3);
  list = evaluateModifierStack(heavy);
  std::vector<const MeshData*> distinct{&heavy.meshData};
  std::size_t built = 0;
  for (const Object& element : list) {
    if (std::none_of(distinct.begin(), distinct.end(),
                     [&](const MeshData* m) { return m->faces.sharesWith(element.meshData.faces); })) {
      distinct.push_back(&element.meshData);
      built += element.meshData.faces.size();
    }
  }
  EXPECT_LE(built, kModifierPreviewFaceBudget);
  for (const Object& element : list) EXPECT_NE(element.id.find(L"-phase46-topology-preview"), std::wstring::npos);

  // A long stack of cheap deforms stops after four lists' worth of faces:
  // nine bends of 9801 faces each, not sixty-four.
  Object bends = gridObject(99), nine = gridObject(99);
  for (int i = 0; i < 64; ++i) add(bends, L"Bend");
  for (int i = 0; i < 9; ++i) add(nine, L"Bend");
  EXPECT_EQ(evaluateModifierStack(bends)[0].meshData.vertices.read(),
            evaluateModifierStack(nine)[0].meshData.vertices.read());
}

}  // namespace
