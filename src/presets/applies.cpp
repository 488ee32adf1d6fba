#include "presets/applies.h"

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "shading/materials.h"

namespace vk {

namespace {

std::size_t objectCount() { return appState().project.scene.objects.size(); }

// Every apply refuses at this budget before its snapshot, so none can pass
// the project's limit.
static_assert(kPresetApplyObjectLimit <= kProjectObjectLimit);
bool withinBudget(std::size_t adding) { return objectCount() + adding <= kPresetApplyObjectLimit; }

void appendObject(Object object) {
  const std::wstring id = object.id;
  appState().project.scene.objects.push_back(std::move(object));
  attachToMainCollection(id);
}

std::wstring fromCapsulesSuffix(bool fromCapsules) { return fromCapsules ? L" from Capsules" : L""; }

// A Light object from a set-up's light, named and stamped by the caller.
Object makeLight(const LightingPresetLight& light, const std::wstring& name, const std::wstring& capsuleId,
                 const std::wstring& capsuleLabel, const std::wstring& capsuleNote) {
  Object object = makeObject(ObjectKind::Light, light.type + L" Light");
  object.name = name;
  object.transform.position = light.position;
  object.transform.rotation = light.rotation;
  object.light.type = normalizeLightType(light.type);
  object.light.intensity = light.intensity;
  object.light.range = light.range;
  object.light.spotAngle = light.spotAngle;
  object.light.areaSize = light.areaSize;
  object.light.r = light.r;
  object.light.g = light.g;
  object.light.b = light.b;
  object.light.capsuleId = capsuleId;
  object.light.capsuleLabel = capsuleLabel;
  object.light.capsuleNote = capsuleNote;
  return object;
}

void selectOnly(const std::wstring& id) {
  appState().selectedObjectId = id;
  clearAllComponentSelections();
}

// A mesh whose only material slot is `material`.
Object makeKitMesh(const std::wstring& primitive, const std::wstring& name, Vec3 position, Vec3 scale,
                   const Material& material) {
  Object object = makeObject(ObjectKind::Mesh, primitive);
  object.name = name;
  object.transform.position = position;
  object.transform.scale = scale;
  object.material = material;
  object.materialSlots.slots = {material};
  object.materialSlots.activeIndex = 0;
  sanitizeMaterialSlots(object);
  return object;
}

}  // namespace

void markCapsuleObject(Object& object, const SceneStarter& starter) {
  object.objectCapsuleId = starter.id;
  object.objectCapsuleLabel = starter.title;
  object.objectCapsuleNote = L"Phase 60 scene starter capsule: " + starter.description;
  sanitizeObjectCapsuleFields(object);
}

bool applyLightingCapsule(const std::wstring& key, bool fromCapsules) {
  const LightingPreset* preset = findLightingPreset(key);
  if (!preset) {
    setStatusText(L"●  Unknown lighting capsule: " + key);
    return false;
  }
  if (preset->lights.empty()) {
    setStatusText(L"●  Lighting capsule has no bounded light specs");
    return false;
  }
  if (!withinBudget(preset->lights.size())) {
    setStatusText(L"●  Lighting capsule blocked: scene object budget reached");
    showTextDialog(L"Lighting Capsule Blocked",
                   L"Phase 59 lighting capsules refuse to add more lights once the safe object budget is reached.",
                   L"OK", L"", false);
    return false;
  }
  EditTransaction edit;
  std::wstring first;
  for (const LightingPresetLight& light : preset->lights) {
    Object object = makeLight(light, preset->name + L" - " + light.name, preset->id, preset->name,
                              L"Phase 59 lighting capsule: " + preset->description);
    sanitizeCameraLightSettings(object);
    if (first.empty()) first = object.id;
    appendObject(std::move(object));
  }
  selectOnly(first);
  edit.commit();
  setStatusText(L"●  Applied lighting capsule: " + preset->name + fromCapsulesSuffix(fromCapsules));
  return true;
}

bool applyMaterialCapsule(const std::wstring& key, bool fromCapsules) {
  const MaterialPreset* preset = findMaterialCapsulePreset(key);
  if (!preset) {
    setStatusText(L"●  Unknown material capsule: " + key);
    return false;
  }
  if (!selectedMaterialTarget()) return false;
  EditTransaction edit;
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) return false;
  sanitizeMaterialSlots(*object);
  MaterialSlots& slots = object->materialSlots;
  if (slots.activeIndex < 0 || slots.activeIndex >= static_cast<std::int32_t>(slots.slots.size()))
    slots.activeIndex = 0;
  Material material = preset->material;
  if (preset->keepTextureMaps) material.textureMaps = slots.slots[static_cast<std::size_t>(slots.activeIndex)].textureMaps;
  ensureMaterialTextureMaps(material);
  slots.slots[static_cast<std::size_t>(slots.activeIndex)] = material;
  object->material = material;
  appState().activeMaterialSlotIndex = slots.activeIndex;
  edit.commit();
  setStatusText(L"●  Applied material capsule: " + preset->name + fromCapsulesSuffix(fromCapsules));
  return true;
}

bool applyMaterialPreset(const std::wstring& key) {
  const Material* preset = findMaterialPreset(key);
  if (!selectedMaterialTarget()) return false;
  // An unknown key would write nothing: refused before the snapshot.
  if (!preset) {
    setStatusText(kUnknownMaterialPreset);
    return false;
  }
  EditTransaction edit;
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) return false;
  sanitizeMaterialSlots(*object);
  Material& slot = object->materialSlots.slots[static_cast<std::size_t>(object->materialSlots.activeIndex)];
  const TextureMapSet maps = slot.textureMaps;
  slot = *preset;
  slot.capsuleId.clear();
  slot.capsuleLabel.clear();
  slot.capsuleNote.clear();
  slot.textureMaps = maps;
  ensureMaterialTextureMaps(slot);
  object->material = slot;
  edit.commit();
  setStatusText(L"●  Applied material preset: " + key);
  return true;
}

bool applySceneStarterCapsule(const std::wstring& key, bool fromCapsules) {
  const SceneStarter* starter = findStarterScene(key);
  if (!starter) {
    setStatusText(L"●  Unknown scene starter capsule: " + key);
    return false;
  }
  const std::size_t added = starter->objects.size() + starter->lights.size() + 1;
  if (added <= 1) {
    setStatusText(L"●  Scene starter capsule has no bounded object specs");
    return false;
  }
  if (!withinBudget(added)) {
    setStatusText(L"●  Scene starter capsule blocked: scene object budget reached");
    showTextDialog(L"Scene Starter Blocked",
                   L"Phase 60 scene starter capsules refuse to add more objects once the safe object budget is "
                   L"reached.",
                   L"OK", L"", false);
    return false;
  }
  EditTransaction edit;
  std::wstring firstObject;
  for (const SceneStarterObject& record : starter->objects) {
    Object object = makeObject(ObjectKind::Mesh, record.primitive);
    object.name = record.name;
    object.transform.position = record.position;
    object.transform.rotation = record.rotation;
    object.transform.scale = record.scale;
    object.material = record.material;
    object.materialSlots.slots = {record.material};
    object.materialSlots.activeIndex = 0;
    markCapsuleObject(object, *starter);
    object.mesh.primitive = record.primitive;
    initMeshData(object);
    sanitizeMaterialSlots(object);
    if (firstObject.empty()) firstObject = object.id;
    appendObject(std::move(object));
  }
  for (const LightingPresetLight& light : starter->lights) {
    Object object = makeLight(light, starter->title + L" - " + light.name, starter->id, starter->title,
                              L"Phase 60 scene starter lighting: " + starter->description);
    markCapsuleObject(object, *starter);
    sanitizeCameraLightSettings(object);
    appendObject(std::move(object));
  }
  const SceneStarterCamera& record = starter->camera;
  Object camera = makeObject(ObjectKind::Camera, record.name.empty() ? L"Scene Starter Camera" : record.name);
  camera.transform.position = record.position;
  // The catalog's pitches are written as upward angles; a camera looks along
  // its local +Z, which a positive X angle turns down toward the subject.
  camera.transform.rotation = {-record.rotation.x, record.rotation.y, record.rotation.z};
  camera.camera.fov = record.fov;
  camera.camera.aspect = 16.0 / 9.0;
  markCapsuleObject(camera, *starter);
  sanitizeCameraLightSettings(camera);
  const std::wstring cameraId = camera.id;
  appendObject(std::move(camera));

  AppState& app = appState();
  Scene& scene = app.project.scene;
  scene.activeCameraId = cameraId;
  app.cameraView = true;
  TimelineBridge& timeline = scene.timelineSettings;
  timeline.frameStart = starter->frameStart;
  timeline.frameEnd = starter->frameEnd;
  timeline.currentFrame = starter->frameStart;
  timeline.fps = starter->fps;
  timeline.loopPlayback = true;
  timeline.focusObjectId = firstObject;
  sanitizeTimelineState(timeline);
  scene.renderSettings.source = L"Camera";
  scene.renderSettings.outputWidth = starter->outputWidth;
  scene.renderSettings.outputHeight = starter->outputHeight;
  scene.renderSettings.cropCameraFrame = starter->cropCameraFrame;
  sanitizeRenderSettings(scene.renderSettings);

  selectOnly(firstObject.empty() ? cameraId : firstObject);
  edit.commit();
  setStatusText(L"●  Applied scene starter capsule: " + starter->title + fromCapsulesSuffix(fromCapsules));
  return true;
}

void applyObjectKitCapsule() {
  Object cube = makeKitMesh(L"Cube", L"Capsule Cube", {-1.4, 0.5, 0}, {1, 1, 1}, *findMaterialPreset(L"Blue"));
  Object sphere = makeKitMesh(L"Sphere", L"Capsule Sphere", {0, 0.8, 0}, {1, 1, 1}, *findMaterialPreset(L"Glass"));
  Material ground;
  ground.name = L"Capsule Ground";
  ground.r = 80;
  ground.g = 180;
  ground.b = 150;
  ground.roughness = 0.6;
  ground.metallic = 0.0;
  Object plane = makeKitMesh(L"Plane", L"Capsule Ground Plane", {0, -0.05, 0}, {3.2, 1.0, 2.0}, ground);
  const std::wstring sphereId = sphere.id;
  appendObject(std::move(cube));
  appendObject(std::move(sphere));
  appendObject(std::move(plane));
  selectOnly(sphereId);
}

void applySingleObjectCapsule(const CapsuleDefinition& capsule) {
  const std::wstring primitive = capsule.kitKey.empty() ? L"Cube" : capsule.kitKey;
  Object object = makeObject(ObjectKind::Mesh, primitive);
  object.name = capsule.title;
  if (capsule.applyKey == L"Blue" || capsule.applyKey == L"Glass") {
    object.material = *findMaterialPreset(capsule.applyKey);
  }
  if (!capsule.applyKey.empty()) {
    object.materialSlots.slots = {object.material};
    object.materialSlots.activeIndex = 0;
  }
  sanitizeMaterialSlots(object);
  object.transform.position = {1.35 + 0.35 * static_cast<double>(objectCount() % 5), 0.5, 0.0};
  selectOnly(object.id);
  appendObject(std::move(object));
}

}  // namespace vk
