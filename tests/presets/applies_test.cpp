// Applying lighting set-ups, scene starters, object kits and materials:
// budgets refused before anything changes, what each apply adds and stamps,
// and one undo step per apply.
#include <gtest/gtest.h>

#include <functional>

#include "model/math.h"
#include "model/mesh_guard.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "presets/applies.h"
#include "presets/browsers.h"
#include "preset_test_support.h"

namespace vk {
namespace {

using namespace presettest;

class Applies : public PresetTest {};

void selectCapsuleRow(const wchar_t* id) { appState().project.scene.capsuleBrowser.selectedCapsuleId = id; }

struct BudgetCase {
  const char* name;
  std::size_t lastAccepted;  // objects before the apply that still fit
  std::function<void()> apply;
  const wchar_t* blockedDialog;  // null: refused without a dialog
  const wchar_t* capsuleRow = L"capsule-basic-primitive-kit";  // the browser's selection beforehand
};

TEST_F(Applies, BudgetsRefuseBeforeAnySnapshot) {
  const BudgetCase cases[] = {
      {"lighting", 253, [] { applyLightingCapsule(L"ThreePoint", false); }, L"Lighting Capsule Blocked"},
      {"clean modeling", 252, [] { applySceneStarterCapsule(L"CleanModeling", false); }, L"Scene Starter Blocked"},
      {"product shot", 249, [] { applySceneStarterCapsule(L"ProductShot", false); }, L"Scene Starter Blocked"},
      {"primitive kit", 253, applySelectedCapsule, nullptr},
      {"single cube", 255, applySelectedCapsule, L"Capsule Apply Blocked", L"capsule-single-cube"},
  };
  for (const BudgetCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t start : {c.lastAccepted, c.lastAccepted + 1}) {
      SetUp();
      padSceneTo(start);
      selectCapsuleRow(c.capsuleRow);
      // A redo entry and a clean project: a refusal must keep both.
      pushUndoSnapshot();
      undoLastSnapshot();
      setDirty(false);
      const Project before = app().project;
      const std::wstring selected = app().selectedObjectId;
      const std::size_t undo = app().undoStack.size(), redo = app().redoStack.size();
      c.apply();
      if (start == c.lastAccepted) {
        EXPECT_LE(objectCount(), kPresetApplyObjectLimit);
        EXPECT_GT(objectCount(), start);
        EXPECT_EQ(app().undoStack.size(), undo + 1);
        EXPECT_TRUE(app().dirty);
        continue;
      }
      EXPECT_EQ(app().project, before);
      EXPECT_EQ(app().selectedObjectId, selected);
      EXPECT_FALSE(app().dirty);
      EXPECT_EQ(app().undoStack.size(), undo);
      EXPECT_EQ(app().redoStack.size(), redo);
      if (c.blockedDialog) {
        ASSERT_EQ(shownDialogs().size(), 1u);
        EXPECT_EQ(shownDialogs()[0].title, c.blockedDialog);
      } else {
        EXPECT_TRUE(shownDialogs().empty());
        EXPECT_EQ(app().statusText, L"●  Capsule blocked: primitive kit exceeds object budget");
      }
    }
  }
  // At the full budget the kit meets the general refusal first.
  SetUp();
  padSceneTo(kPresetApplyObjectLimit);
  selectCapsuleRow(L"capsule-basic-primitive-kit");
  applySelectedCapsule();
  EXPECT_EQ(app().statusText, L"●  Capsule blocked: scene object budget reached");
  ASSERT_EQ(shownDialogs().size(), 1u);
  EXPECT_EQ(shownDialogs()[0].title, L"Capsule Apply Blocked");
}

TEST_F(Applies, LightingSetUpsAddNewNamedLightsEachTime) {
  ASSERT_TRUE(applyLightingCapsule(L"ThreePoint", false));
  EXPECT_EQ(app().statusText, L"●  Applied lighting capsule: Three-Point Lighting");
  ASSERT_TRUE(applyLightingCapsule(L"Three-Point", true));
  EXPECT_EQ(app().statusText, L"●  Applied lighting capsule: Three-Point Lighting from Capsules");
  ASSERT_EQ(objectCount(), 9u);
  const wchar_t* names[3] = {L"Three-Point Lighting - Key Area", L"Three-Point Lighting - Fill Point",
                             L"Three-Point Lighting - Rim Spot"};
  for (std::size_t i = 3; i < 9; ++i) {
    const Object& light = scene().objects[i];
    EXPECT_EQ(light.kind, ObjectKind::Light);
    EXPECT_EQ(light.name, names[(i - 3) % 3]);
    EXPECT_EQ(light.id, L"obj-" + std::to_wstring(i + 1));
    EXPECT_EQ(light.light.capsuleId, L"lighting-three-point");
    EXPECT_EQ(light.light.capsuleLabel, L"Three-Point Lighting");
    EXPECT_EQ(light.light.capsuleNote.rfind(L"Phase 59 lighting capsule: ", 0), 0u);
    EXPECT_TRUE(light.objectCapsuleId.empty());
  }
  EXPECT_EQ(scene().objects[5].light.type, L"Spot");
  EXPECT_EQ(app().selectedObjectId, L"obj-7");  // the first light of the latest apply
  EXPECT_FALSE(applyLightingCapsule(L"three-point", false));
  EXPECT_EQ(app().statusText, L"●  Unknown lighting capsule: three-point");
}

TEST_F(Applies, StarterAddsItsSceneAndTakesOverCameraTimelineAndRender) {
  app().project.scene.timelineSettings.loopPlayback = false;
  ASSERT_EQ(scene().activeCameraId, L"obj-2");
  ASSERT_TRUE(applySceneStarterCapsule(L"CinematicTurntable", false));
  ASSERT_EQ(objectCount(), 10u);
  const wchar_t* names[7] = {L"Turntable Hero Torus", L"Turntable Core Sphere", L"Turntable Plinth",
                             L"Turntable Floor",      L"Cinematic Turntable Starter - Cinematic Key",
                             L"Cinematic Turntable Starter - Cinematic Rim", L"Turntable Camera"};
  for (std::size_t i = 0; i < 7; ++i) {
    const Object& added = scene().objects[3 + i];
    EXPECT_EQ(added.id, L"obj-" + std::to_wstring(4 + i));
    EXPECT_EQ(added.name, names[i]);
    EXPECT_EQ(added.objectCapsuleId, L"starter-cinematic-turntable");
    EXPECT_EQ(added.objectCapsuleLabel, L"Cinematic Turntable Starter");
  }
  EXPECT_EQ(scene().objects[3].mesh.primitive, L"Torus");
  EXPECT_EQ(scene().objects[3].materialSlots.slots.size(), 1u);
  EXPECT_EQ(scene().objects[7].light.capsuleNote.rfind(L"Phase 60 scene starter lighting: ", 0), 0u);
  EXPECT_EQ(scene().activeCameraId, L"obj-10");
  EXPECT_TRUE(app().cameraView);
  const TimelineBridge& t = scene().timelineSettings;
  EXPECT_EQ(t.frameStart, 1);
  EXPECT_EQ(t.frameEnd, 96);
  EXPECT_EQ(t.currentFrame, 1);
  EXPECT_DOUBLE_EQ(t.fps, 24.0);
  EXPECT_TRUE(t.loopPlayback);
  EXPECT_EQ(t.focusObjectId, L"obj-4");
  EXPECT_EQ(scene().renderSettings.source, L"Camera");
  EXPECT_EQ(scene().renderSettings.outputWidth, 1920);
  EXPECT_EQ(scene().renderSettings.outputHeight, 1080);
  EXPECT_TRUE(scene().renderSettings.cropCameraFrame);
  EXPECT_EQ(app().selectedObjectId, L"obj-4");
  EXPECT_EQ(app().statusText, L"●  Applied scene starter capsule: Cinematic Turntable Starter");
}

TEST_F(Applies, EveryStarterCameraLooksAtItsHeroObject) {
  for (const SceneStarter& starter : sceneStarterCatalog()) {
    SetUp();
    ASSERT_TRUE(applySceneStarterCapsule(starter.id, false));
    const Object& camera = object(scene().activeCameraId);
    const Object& hero = scene().objects[3];
    EXPECT_EQ(hero.name, starter.objects.front().name);
    EXPECT_TRUE(objectVisibleInCamera(camera, hero)) << std::string(starter.id.begin(), starter.id.end());
    EXPECT_DOUBLE_EQ(camera.transform.rotation.x, -starter.camera.rotation.x);
  }
}

TEST_F(Applies, ObjectKitsAndTheirPlacement) {
  selectCapsuleRow(L"capsule-basic-primitive-kit");
  applySelectedCapsule();
  ASSERT_EQ(objectCount(), 6u);
  EXPECT_EQ(scene().objects[3].name, L"Capsule Cube");
  EXPECT_EQ(scene().objects[4].name, L"Capsule Sphere");
  EXPECT_EQ(scene().objects[5].name, L"Capsule Ground Plane");
  EXPECT_EQ(scene().objects[4].material.name, L"Preview Glass");
  EXPECT_DOUBLE_EQ(scene().objects[5].transform.scale.x, 3.2);
  EXPECT_EQ(app().selectedObjectId, scene().objects[4].id);
  EXPECT_EQ(app().statusText, L"●  Applied capsule: Basic Primitive Kit");

  auto singleCubeX = [&](std::size_t objectsBefore) {
    SetUp();
    scene().objects.resize(std::min(objectsBefore, objectCount()));
    padSceneTo(objectsBefore);
    selectCapsuleRow(L"capsule-single-cube");
    applySelectedCapsule();
    EXPECT_EQ(scene().objects.back().name, L"Single Cube Capsule");
    EXPECT_EQ(scene().objects.back().material.name, L"Veltrask Blue");
    return scene().objects.back().transform.position.x;
  };
  EXPECT_DOUBLE_EQ(singleCubeX(1), 1.70);
  EXPECT_DOUBLE_EQ(singleCubeX(0), 1.35);
  EXPECT_DOUBLE_EQ(singleCubeX(5), 1.35);
}

// Presets and capsules write only their primitives' meshes: every row that
// applies leaves meshes the project loader keeps as they are.
TEST_F(Applies, EveryRowBuildsMeshesTheLoaderKeeps) {
  auto expectKept = [&](const std::wstring& row) {
    for (const Object& o : scene().objects)
      EXPECT_EQ(brokenMeshGuardRule(o), MeshGuardRule::None) << std::string(row.begin(), row.end()) << " "
                                                            << std::string(o.name.begin(), o.name.end());
  };
  std::size_t meshes = 0;
  for (const CapsuleDefinition& row : capsuleCatalog()) {
    SetUp();
    selectCapsuleRow(row.id.c_str());
    applySelectedCapsule();
    expectKept(row.id);
    for (const Object& o : scene().objects) meshes += o.kind == ObjectKind::Mesh ? 1 : 0;
  }
  for (std::size_t i = 0; i < presetCatalog().size(); ++i) {
    SetUp();
    selectPresetByIndex(static_cast<int>(i));
    applySelectedPreset();
    expectKept(presetCatalog()[i].id);
  }
  EXPECT_GT(meshes, capsuleCatalog().size());  // more than the starter cube each time
}

TEST_F(Applies, MaterialPresetKeepsMapsCapsuleReplacesThem) {
  selectCube();
  Object& cube = *findObjectById(L"obj-1");
  ensureMaterialTextureMaps(cube.materialSlots.slots[0]);
  TextureMap& colour = cube.materialSlots.slots[0].textureMaps.maps[0];
  colour.path = L"/tex/wood.png";
  colour.enabled = true;
  colour.relative = false;
  ASSERT_TRUE(applyMaterialPreset(L"Gold"));
  EXPECT_EQ(app().statusText, L"●  Applied material preset: Gold");
  const Material& gold = findObjectById(L"obj-1")->materialSlots.slots[0];
  EXPECT_EQ(gold.name, L"Brushed Gold");
  EXPECT_EQ(gold.textureMaps.maps[0].path, L"/tex/wood.png");
  EXPECT_TRUE(gold.capsuleId.empty());
  EXPECT_EQ(findObjectById(L"obj-1")->material, gold);

  ASSERT_TRUE(applyMaterialCapsule(L"FrostedGlass", false));
  EXPECT_EQ(app().statusText, L"●  Applied material capsule: Frosted Glass");
  const Material& glass = findObjectById(L"obj-1")->materialSlots.slots[0];
  EXPECT_DOUBLE_EQ(glass.alpha, 0.48);
  EXPECT_EQ(glass.capsuleId, L"material-frosted-glass");
  ASSERT_EQ(glass.textureMaps.maps.size(), 6u);
  for (const TextureMap& map : glass.textureMaps.maps) EXPECT_FALSE(map.enabled);

  // The browser's Apply names the capsule, without " from Capsules"; the
  // browser's material command keeps the apply's own words.
  selectCapsuleRow(L"capsule-material-red-paint");
  applySelectedCapsule();
  EXPECT_EQ(app().statusText, L"●  Applied material capsule: Red Gloss Paint");
  applySelectedMaterialCapsule();
  EXPECT_EQ(app().statusText, L"●  Applied material capsule: Red Gloss Paint from Capsules");
  EXPECT_EQ(scene().capsuleBrowser.appliedCapsuleCount, 1);
}

TEST_F(Applies, OneUndoTakesEachApplyBackWholeAndRedoRepeatsIt) {
  struct Case {
    std::function<void()> prepare;  // selection and browser state, before the apply
    std::function<void()> apply;
  };
  const std::vector<Case> applies = {
      {[] {}, [] { applyLightingCapsule(L"MoonlitBlue", false); }},
      {[] {}, [] { applySceneStarterCapsule(L"ProductShot", false); }},
      {[] { appState().selectedObjectId = L"obj-1"; }, [] { applyMaterialPreset(L"Chrome"); }},
      {[] { selectCapsuleRow(L"capsule-lighting-warm-interior"); }, applySelectedCapsule},
      {[] { selectCapsuleRow(L"capsule-single-sphere"); }, applySelectedCapsule},
      {[] { appState().project.scene.presetBrowser.selectedPresetId = L"starter-animation-blocking"; },
       applySelectedPreset},
  };
  for (std::size_t i = 0; i < applies.size(); ++i) {
    SCOPED_TRACE(i);
    SetUp();
    applies[i].prepare();
    // In the form an undo restores it (the restore completes texture maps).
    sanitizeRestoredProject(app().project);
    const Project before = app().project;
    const std::wstring selected = app().selectedObjectId;
    const bool cameraView = app().cameraView;
    applies[i].apply();
    const Project after = app().project;
    ASSERT_NE(after, before);
    undoLastSnapshot();
    EXPECT_EQ(app().project, before);
    EXPECT_EQ(app().selectedObjectId, selected);
    EXPECT_EQ(app().cameraView, cameraView);
    redo();
    EXPECT_EQ(app().project, after);
  }
}

}  // namespace
}  // namespace vk
