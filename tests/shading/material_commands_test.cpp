// The material slot commands: naming, limits, face remapping, clamps, the
// Face-mode rule, refusals that leave no trace, and one undo step each.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "shading/materials.h"

namespace vk {
namespace {

Material namedSlot(const std::wstring& name, int r = 100) {
  Material m;
  m.name = name;
  m.r = r;
  return m;
}

class MaterialCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();  // obj-1 Starter Cube (selected), obj-2 Camera, obj-3 Point Light
  }
  void TearDown() override { appState() = AppState{}; }

  Object& cube() { return *findObjectById(L"obj-1"); }
  // Three slots, active `active`, and the cube's first faces on slots 0, 1, 2.
  void threeSlots(int active) {
    Object& o = cube();
    o.materialSlots.slots = {namedSlot(L"A", 10), namedSlot(L"B", 20), namedSlot(L"C", 30)};
    o.materialSlots.activeIndex = active;
    auto& faces = o.meshData.faces.write();
    for (std::size_t i = 0; i < faces.size(); ++i) faces[i].materialIndex = static_cast<std::int32_t>(std::min<std::size_t>(i, 2));
    sanitizeMaterialSlots(o);
  }
  std::vector<std::int32_t> faceSlots() {
    std::vector<std::int32_t> out;
    for (const MeshFace& f : cube().meshData.faces) out.push_back(f.materialIndex);
    return out;
  }
  std::size_t undoDepth() { return appState().undoStack.size(); }
};

TEST_F(MaterialCommandsTest, AddAndDuplicateNameTheNewActiveSlotUpToTheLimit) {
  threeSlots(0);
  cube().materialSlots.slots[0].name = L"Brick";
  addMaterialSlot(false);
  ASSERT_EQ(cube().materialSlots.slots.size(), 4u);
  EXPECT_EQ(cube().materialSlots.slots[3].name, L"Material 4");
  EXPECT_EQ(cube().materialSlots.activeIndex, 3);
  EXPECT_EQ(appState().activeMaterialSlotIndex, 3);
  EXPECT_EQ(cube().material, cube().materialSlots.slots[3]);
  EXPECT_EQ(appState().statusText, L"●  Added material slot");
  EXPECT_TRUE(appState().dirty);

  selectMaterialSlot(-3);
  addMaterialSlot(true);
  EXPECT_EQ(cube().materialSlots.slots.back().name, L"Brick Copy");
  EXPECT_EQ(cube().materialSlots.slots.back().r, 10);
  EXPECT_EQ(appState().statusText, L"●  Duplicated active material slot");
  EXPECT_EQ(undoDepth(), 2u);

  while (cube().materialSlots.slots.size() < 31) cube().materialSlots.slots.push_back(namedSlot(L"F"));
  addMaterialSlot(false);
  EXPECT_EQ(cube().materialSlots.slots.size(), 32u);
  const std::size_t depth = undoDepth();
  appState().dirty = false;
  addMaterialSlot(true);
  EXPECT_EQ(cube().materialSlots.slots.size(), 32u);
  EXPECT_EQ(appState().statusText, L"●  Material slot limit reached");
  EXPECT_EQ(undoDepth(), depth);
  EXPECT_FALSE(appState().dirty);
}

TEST_F(MaterialCommandsTest, RemoveRemapsFacesOntoTheNewActiveSlot) {
  threeSlots(1);
  removeActiveMaterialSlot();
  ASSERT_EQ(cube().materialSlots.slots.size(), 2u);
  EXPECT_EQ(cube().materialSlots.slots[1].name, L"C");
  EXPECT_EQ(cube().materialSlots.activeIndex, 1);
  EXPECT_EQ(appState().activeMaterialSlotIndex, 1);
  std::vector<std::int32_t> faces = faceSlots();
  EXPECT_EQ(std::vector<std::int32_t>(faces.begin(), faces.begin() + 3), (std::vector<std::int32_t>{0, 1, 1}));
  EXPECT_EQ(cube().meshData.faceMaterialIndices.read(), faces);
  EXPECT_EQ(cube().material.name, L"C");
  EXPECT_EQ(appState().statusText, L"●  Removed active material slot and remapped faces safely");

  // The last slot: the one before it becomes active and takes its faces.
  threeSlots(2);
  removeActiveMaterialSlot();
  EXPECT_EQ(cube().materialSlots.activeIndex, 1);
  faces = faceSlots();
  EXPECT_EQ(std::vector<std::int32_t>(faces.begin(), faces.begin() + 3), (std::vector<std::int32_t>{0, 1, 1}));
  EXPECT_EQ(cube().meshData.faceMaterialIndices.read(), faces);

  removeActiveMaterialSlot();
  const std::size_t depth = undoDepth();
  removeActiveMaterialSlot();
  EXPECT_EQ(cube().materialSlots.slots.size(), 1u);
  EXPECT_EQ(appState().statusText, L"●  At least one material slot must remain");
  EXPECT_EQ(undoDepth(), depth);
}

TEST_F(MaterialCommandsTest, SteppingClampsAndLeavesNoHistory) {
  threeSlots(0);
  appState().dirty = false;
  selectMaterialSlot(-1);
  EXPECT_EQ(cube().materialSlots.activeIndex, 0);
  EXPECT_EQ(appState().statusText, L"●  Active material slot selected");
  selectMaterialSlot(+1);
  selectMaterialSlot(+1);
  selectMaterialSlot(+1);
  EXPECT_EQ(cube().materialSlots.activeIndex, 2);
  EXPECT_EQ(appState().activeMaterialSlotIndex, 2);
  EXPECT_EQ(cube().material.name, L"C");
  EXPECT_EQ(undoDepth(), 0u);
  EXPECT_FALSE(appState().dirty);
}

TEST_F(MaterialCommandsTest, RoughnessAndMetallicStayInsideTheUnitRange) {
  threeSlots(1);
  cube().materialSlots.slots[1].roughness = 0.98;
  cube().materialSlots.slots[1].metallic = 0.02;
  adjustMaterialRoughnessMetallic(L"roughness", +0.05);
  EXPECT_EQ(cube().materialSlots.slots[1].roughness, 1.0);
  EXPECT_EQ(appState().statusText, L"●  Material roughness updated");
  adjustMaterialRoughnessMetallic(L"metallic", -0.05);
  EXPECT_EQ(cube().materialSlots.slots[1].metallic, 0.0);
  EXPECT_EQ(appState().statusText, L"●  Material metallic updated");
  EXPECT_EQ(cube().material, cube().materialSlots.slots[1]);
  EXPECT_EQ(cube().materialSlots.slots[0].roughness, namedSlot(L"A").roughness);
  EXPECT_EQ(undoDepth(), 2u);
}

TEST_F(MaterialCommandsTest, AssignNeedsFaceModeAndCountsOnlyFacesThatExist) {
  threeSlots(2);
  AppState& app = appState();
  app.workMode = WorkMode::EditMesh;
  app.componentMode = ComponentMode::Vertex;
  app.selectedFaces = {0, 1};
  assignMaterialToSelectedFaces();
  EXPECT_EQ(app.statusText, L"●  Enter Edit Mesh / Face mode and select faces before assigning material");
  EXPECT_EQ(undoDepth(), 0u);
  EXPECT_EQ(faceSlots()[0], 0);

  app.componentMode = ComponentMode::Face;
  app.selectedFaces = {0, 1, 99};
  assignMaterialToSelectedFaces();
  EXPECT_EQ(app.statusText, L"●  Assigned active material to 2 selected face(s)");
  const std::vector<std::int32_t> faces = faceSlots();
  EXPECT_EQ(faces[0], 2);
  EXPECT_EQ(faces[1], 2);
  EXPECT_EQ(cube().meshData.faceMaterialIndices.read(), faces);
  EXPECT_EQ(undoDepth(), 1u);

  app.selectedFaces.clear();
  assignMaterialToSelectedFaces();
  EXPECT_EQ(undoDepth(), 1u);
}

TEST_F(MaterialCommandsTest, GuardRefusalsChangeNothingAndTakeNoSnapshot) {
  const std::vector<std::function<void()>> commands = {
      [] { selectMaterialSlot(1); },       [] { addMaterialSlot(false); },
      [] { addMaterialSlot(true); },       [] { removeActiveMaterialSlot(); },
      [] { assignMaterialToSelectedFaces(); },
      [] { adjustMaterialRoughnessMetallic(L"roughness", 0.05); }};
  threeSlots(1);
  Object* camera = findObjectById(L"obj-2");
  cube().parentId = camera->id;
  camera->locked = true;
  const Project before = appState().project;
  const std::pair<std::wstring, const wchar_t*> targets[] = {
      {L"", L"●  Select a mesh object before editing materials"},
      {L"obj-2", L"●  Materials apply to mesh/text/curve objects in Phase 46"},
      {L"obj-1", L"●  Selected object is locked; material stack was not changed"}};
  for (const auto& [id, text] : targets) {
    for (const auto& command : commands) {
      appState().selectedObjectId = id;
      appState().statusText.clear();
      command();
      EXPECT_EQ(appState().statusText, text);
    }
  }
  EXPECT_EQ(undoDepth(), 0u);
  EXPECT_FALSE(appState().dirty);
  EXPECT_EQ(appState().project.scene.objects, before.scene.objects);
}

TEST_F(MaterialCommandsTest, EachEditIsOneUndoStepRestoringSlotsAndBase) {
  AppState& app = appState();
  const std::vector<std::function<void()>> edits = {
      [] { addMaterialSlot(false); }, [] { addMaterialSlot(true); }, [] { removeActiveMaterialSlot(); },
      [] { assignMaterialToSelectedFaces(); },
      [] { adjustMaterialRoughnessMetallic(L"metallic", 0.05); }};
  for (const auto& edit : edits) {
    threeSlots(1);
    app.workMode = WorkMode::EditMesh;
    app.componentMode = ComponentMode::Face;
    app.selectedFaces = {0};
    app.undoStack.clear();
    const MaterialSlots slots = cube().materialSlots;
    const Material base = cube().material;
    const std::vector<std::int32_t> faces = faceSlots();
    edit();
    ASSERT_EQ(undoDepth(), 1u);
    EXPECT_NE(std::make_tuple(cube().materialSlots, faceSlots()), std::make_tuple(slots, faces));
    undoLastSnapshot();
    EXPECT_EQ(cube().materialSlots, slots);
    EXPECT_EQ(cube().material, base);
    EXPECT_EQ(faceSlots(), faces);
  }
}

}  // namespace
}  // namespace vk
