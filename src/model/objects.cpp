// Object ids (with the open scene's index by id), the creation defaults of
// each kind, the creation commands within the project's object limit, the
// new project, and the object commands Delete, Duplicate and the camera ones.
//
// Sections:
//   - Object ids
//   - Making an object
//   - Creation commands and the new project
//   - Object commands
#include "model/objects.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>
#include <vector>
#include <utility>

#include "model/app_state.h"
#include "model/curves.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"
#include "platform/kernel.h"

namespace vk {

// ---- Object ids -------------------------------------------------------------
std::optional<std::int64_t> objectIdNumber(const std::wstring& id) {
  if (id.size() < 4 || id.compare(0, 4, L"obj-") != 0) return std::nullopt;
  std::size_t i = 4;
  while (i < id.size() && isAsciiSpace(id[i])) ++i;
  bool negative = false;
  if (i < id.size() && (id[i] == L'+' || id[i] == L'-')) {
    negative = id[i] == L'-';
    ++i;
  }
  const std::size_t firstDigit = i;
  std::int64_t value = 0;
  for (; i < id.size() && isAsciiDigit(id[i]); ++i) {
    value = value * 10 + (id[i] - L'0');
    // Past 32 bits the standard conversion reports an overflow: skip the id.
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (i == firstDigit) return std::nullopt;
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min()) {
    return std::nullopt;
  }
  return value;
}

namespace {

std::wstring objectIdText(std::uint32_t number) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  std::wstring id = L"obj-";
  id.append(digits, end);
  return id;
}

}  // namespace

std::wstring makeUniqueObjectId(const Scene& scene, std::uint32_t& counter) {
  for (;;) {
    std::wstring id = objectIdText(counter);
    ++counter;
    if (!findObjectById(scene, id)) return id;
  }
}

namespace {

template <class Taken>
std::wstring firstFreeObjectId(const Taken& taken, std::uint32_t& counter) {
  for (;;) {
    std::wstring id = objectIdText(counter);
    ++counter;
    if (!taken.count(id)) return id;
  }
}

}  // namespace

std::wstring makeUniqueObjectId(const std::unordered_set<std::wstring>& taken, std::uint32_t& counter) {
  return firstFreeObjectId(taken, counter);
}

std::wstring makeUniqueObjectId(const std::unordered_set<std::wstring_view>& taken, std::uint32_t& counter) {
  return firstFreeObjectId(taken, counter);
}

std::unordered_set<std::wstring> objectIdsInUse(const Scene& scene) {
  std::unordered_set<std::wstring> ids;
  ids.reserve(scene.objects.size() * 2);
  for (const Object& object : scene.objects) {
    if (!object.id.empty()) ids.insert(object.id);
  }
  return ids;
}

std::wstring makeObjectId() {
  AppState& app = appState();
  return makeUniqueObjectId(app.project.scene, app.nextObjectNumber);
}

namespace {

std::size_t walkForId(const ObjectList& objects, const std::wstring& id) {
  for (std::size_t i = 0; i < objects.size(); ++i)
    if (objects[i].id == id) return i;
  return objects.size();
}

// The open scene's objects by id. Built whole after the list changed shape;
// in between, the objects written since (and those a reference may still
// write, see object_list.h) are checked on every lookup, so an id given to
// an earlier object, or taken from its first holder, is answered as a walk
// would answer it.
struct ObjectIdIndex {
  const ObjectList* list = nullptr;
  std::uint64_t revision = 0;
  std::unordered_map<std::wstring, std::size_t> first;
  std::vector<std::size_t> held;  // objects a reference may still write
};

ObjectIdIndex& objectIdIndex() {
  static ObjectIdIndex index;
  return index;
}

void rebuildIdIndex(ObjectIdIndex& index, const ObjectList& objects) {
  index.list = &objects;
  index.revision = objects.revision();
  index.first.clear();
  index.first.reserve(objects.size());
  index.held.clear();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    index.first.try_emplace(objects[i].id, i);
    if (objects.contentStamp(i) == 0) index.held.push_back(i);
  }
}

// Empty when the indexed first holder no longer carries the id.
std::optional<std::size_t> lookUpId(const ObjectIdIndex& index, const ObjectList& objects, const std::wstring& id) {
  const auto found = index.first.find(id);
  std::size_t first = found == index.first.end() ? objects.size() : found->second;
  if (first > objects.size() || (first < objects.size() && objects[first].id != id)) return std::nullopt;
  auto consider = [&](std::size_t i) {
    if (i < first && objects[i].id == id) first = i;
  };
  for (std::size_t i : index.held) consider(i);
  for (std::size_t i : objects.writtenIndices()) consider(i);
  return first;
}

}  // namespace

std::size_t firstObjectIndex(const Scene& scene, const std::wstring& id) {
  const ObjectList& objects = scene.objects;
  if (&scene != &appState().project.scene) return walkForId(objects, id);
  ObjectIdIndex& index = objectIdIndex();
  if (index.list != &objects || index.revision != objects.revision()) rebuildIdIndex(index, objects);
  if (const auto found = lookUpId(index, objects, id)) return *found;
  rebuildIdIndex(index, objects);
  return lookUpId(index, objects, id).value_or(objects.size());
}

void recalcNextObjectId() {
  std::int64_t largest = 0;
  for (const Object& object : std::as_const(appState().project.scene.objects)) {
    if (auto number = objectIdNumber(object.id)) largest = std::max(largest, *number);
  }
  // 64-bit: obj-2147483647 is followed by obj-2147483648, not a wrapped number.
  appState().nextObjectNumber = static_cast<std::uint32_t>(largest + 1);
}

// ---- Making an object ------------------------------------------------------
namespace {

Material freshMaterial(std::int32_t r, std::int32_t g, std::int32_t b, double roughness) {
  Material material;
  material.r = r;
  material.g = g;
  material.b = b;
  material.roughness = roughness;
  return material;
}

void applyLightDefaults(Object& object) {
  const std::wstring& name = object.name;
  std::wstring type = L"Point";
  if (name.find(L"Directional") != std::wstring::npos) {
    type = L"Directional";
  } else if (name.find(L"Spot") != std::wstring::npos) {
    type = L"Spot";
  } else if (name.find(L"Area") != std::wstring::npos) {
    type = L"Area";
  }
  LightSettings& light = object.light;
  light.type = type;
  light.intensity = type == L"Directional" ? 1.2 : (type == L"Area" ? 3.0 : 2.5);
  light.range = type == L"Directional" ? 50.0 : 10.0;
  light.spotAngle = 35.0;
  light.areaSize = type == L"Area" ? 2.5 : 1.0;
  object.transform.position = {3.0, 4.0, -3.0};
  if (type == L"Directional" || type == L"Spot") object.transform.rotation = {-35.0, -35.0, 0.0};
}

void applyMeshDefaults(Object& object) {
  struct Row {
    const wchar_t* name;
    std::int32_t r, g, b;
    double roughness;
  };
  static const Row rows[] = {{L"Plane", 80, 180, 150, 0.55},   {L"Sphere", 180, 110, 230, 0.55},
                             {L"Cylinder", 225, 150, 70, 0.55}, {L"Cone", 220, 95, 85, 0.55},
                             {L"Torus", 100, 205, 240, 0.5}};
  for (const Row& row : rows) {
    if (object.name == row.name) {
      object.mesh.primitive = row.name;
      object.material = freshMaterial(row.r, row.g, row.b, row.roughness);
      return;
    }
  }
  object.mesh.primitive = L"Cube";
  object.material = freshMaterial(72, 132, 220, 0.55);
}

}  // namespace

Object makeObject(ObjectKind kind, const std::wstring& name) {
  Object object;
  object.id = makeObjectId();
  object.name = name;
  object.kind = kind;
  object.collectionId = L"col-001";
  switch (kind) {
    case ObjectKind::Camera:
      object.transform.position = {0.0, 2.0, -6.0};
      // Tilted down toward the origin: a positive X angle turns local +Z downward.
      object.transform.rotation = {15.0, 0.0, 0.0};
      object.camera.fov = 50.0;
      object.camera.aspect = 16.0 / 9.0;
      break;
    case ObjectKind::Light:
      applyLightDefaults(object);
      break;
    case ObjectKind::Empty:
      break;
    case ObjectKind::Text:
      object.mesh.primitive = L"Text";
      object.material = freshMaterial(245, 230, 120, 0.35);
      break;
    case ObjectKind::Curve:
      object.mesh.primitive = L"Curve";
      object.material = freshMaterial(105, 210, 255, 0.4);
      initCurveData(object, name);
      break;
    case ObjectKind::Group:
      object.mesh.primitive = L"Group";
      object.material = freshMaterial(120, 170, 255, 0.4);
      break;
    default:  // Mesh, and any value outside the known kinds
      applyMeshDefaults(object);
      break;
  }
  initMeshData(object);
  if (kind == ObjectKind::Curve) rebuildCurveData(object);
  sanitizeMaterialSlots(object);
  return object;
}

// ---- Creation commands and the new project ----------------------------------
void attachToMainCollection(const std::wstring& id) {
  auto& collections = appState().project.scene.collections;
  if (collections.empty()) collections.push_back(Collection{});
  auto& members = collections.front().objectIds;
  if (std::find(members.begin(), members.end(), id) == members.end()) members.push_back(id);
}

bool roomForObjects(std::size_t adding) {
  const std::size_t count = appState().project.scene.objects.size();
  if (count <= kProjectObjectLimit && adding <= kProjectObjectLimit - count) return true;
  setStatusText(objectLimitRefusal());
  return false;
}

std::wstring objectLimitRefusal() { return L"●  Refused: object limit " + std::to_wstring(kProjectObjectLimit); }

void addObject(ObjectKind kind, const std::wstring& name) {
  AppState& app = appState();
  if (!roomForObjects(1)) return;
  EditTransaction edit;
  Object object = makeObject(kind, name);
  app.selectedObjectId = object.id;
  clearAllComponentSelections();
  Scene& scene = app.project.scene;
  if (kind == ObjectKind::Camera && scene.activeCameraId.empty()) scene.activeCameraId = object.id;
  const std::wstring id = object.id;
  scene.objects.push_back(std::move(object));
  attachToMainCollection(id);
  edit.commit();
}

void addGroupObject() {
  AppState& app = appState();
  if (!roomForObjects(1)) return;
  EditTransaction edit;
  const std::wstring selectedId = app.selectedObjectId;
  Object group = makeObject(ObjectKind::Group, L"Group");
  if (const Object* selected = findObjectById(selectedId)) {
    group.name = selected->name + L" Group";
    group.transform.position = selected->transform.position;
  }
  const std::wstring groupId = group.id;
  app.project.scene.objects.push_back(std::move(group));
  attachToMainCollection(groupId);
  // Looked up again: the append may have moved every object.
  if (!selectedId.empty() && selectedId != groupId && canParentTo(selectedId, groupId)) {
    findObjectById(selectedId)->parentId = groupId;
  }
  app.selectedObjectId = groupId;
  clearAllComponentSelections();
  edit.commit();
}

void resetToNewProject() {
  AppState& app = appState();
  app.project = Project{};
  app.nextObjectNumber = 1;
  app.transformTool = TransformTool::Select;
  app.axisConstraint = AxisConstraint::Free;
  app.workMode = WorkMode::Object;
  app.componentMode = ComponentMode::Vertex;
  app.cameraView = false;
  app.activeModifierIndex = 0;
  clearAllComponentSelections();
  app.snapEnabled = false;

  Scene& scene = app.project.scene;
  scene.collections.push_back(Collection{});

  Object cube = makeObject(ObjectKind::Mesh, L"Starter Cube");
  cube.material = Material{};
  // The base material mirrors the active slot, as every reopen makes it.
  sanitizeMaterialSlots(cube);
  app.selectedObjectId = cube.id;
  Object camera = makeObject(ObjectKind::Camera, L"Camera");
  scene.activeCameraId = camera.id;
  Object light = makeObject(ObjectKind::Light, L"Point Light");
  for (Object* object : {&cube, &camera, &light}) {
    const std::wstring id = object->id;
    scene.objects.push_back(std::move(*object));
    attachToMainCollection(id);
  }

  app.projectPath.clear();
  app.undoStack.clear();
  app.redoStack.clear();
  ++app.undoStacksVersion;
  setDirty(false);
}

// ---- Object commands --------------------------------------------------------
void deleteSelectedObject() {
  AppState& app = appState();
  Scene& scene = app.project.scene;
  const ObjectList& objects = scene.objects;  // reads share; only orphaned children are written
  if (objects.size() < 2) return;
  auto found = std::find_if(objects.begin(), objects.end(), [&](const Object& o) { return o.id == app.selectedObjectId; });
  if (found == objects.end()) return;

  EditTransaction edit;
  const std::wstring removedId = found->id;
  scene.objects.erase(found);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i].parentId == removedId) scene.objects[i].parentId.clear();
  }
  for (Collection& collection : scene.collections) {
    std::erase(collection.objectIds, removedId);
  }
  if (scene.activeCameraId == removedId) {
    scene.activeCameraId.clear();
    ensureValidActiveCamera(app.project, true);
    if (scene.activeCameraId.empty()) app.cameraView = false;
  }
  app.selectedObjectId = objects.front().id;
  clearAllComponentSelections();
  edit.commit();
}

void duplicateSelectedObject() {
  AppState& app = appState();
  const Object* source = findObjectById(app.selectedObjectId);
  if (!source || !roomForObjects(1)) return;
  EditTransaction edit;
  Object copy = *source;
  copy.id = makeObjectId();
  copy.name += L" Copy";
  copy.transform.position.x += 1.35;
  // Near the position limit the offset stops at it: a copy placed past it
  // would reopen moved.
  sanitizeImportedTransform(copy);
  app.selectedObjectId = copy.id;
  clearAllComponentSelections();
  const std::wstring id = copy.id;
  app.project.scene.objects.push_back(std::move(copy));
  attachToMainCollection(id);
  edit.commit();
}

void setSelectedCameraActive() {
  AppState& app = appState();
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected || selected->kind != ObjectKind::Camera) {
    setStatusText(L"●  Select a camera before setting the active camera");
    return;
  }
  if (selected->id == app.project.scene.activeCameraId) {
    setStatusText(L"●  Selected camera is already active");
    return;
  }
  const std::wstring id = selected->id;
  EditTransaction edit;
  app.project.scene.activeCameraId = id;
  edit.commit();
  setStatusText(L"●  Active camera set to selected camera");
}

void clearActiveCamera() {
  AppState& app = appState();
  if (app.project.scene.activeCameraId.empty()) {
    setStatusText(L"●  No active camera to clear");
    return;
  }
  EditTransaction edit;
  app.project.scene.activeCameraId.clear();
  app.cameraView = false;
  edit.commit();
  setStatusText(L"●  Active camera cleared; Camera View disabled");
}

void toggleCameraView() {
  AppState& app = appState();
  ensureValidActiveCamera(app.project, true);
  const Object* camera = findObjectById(app.project.scene.activeCameraId);
  if (app.project.scene.activeCameraId.empty() || !camera || camera->kind != ObjectKind::Camera) {
    app.cameraView = false;
    refreshViewport();
    setStatusText(L"●  Add or activate a camera before using Camera View");
    return;
  }
  app.cameraView = !app.cameraView;
  refreshAll();
  setStatusText(app.cameraView ? L"●  Camera View enabled" : L"●  Camera View disabled");
}

}  // namespace vk
