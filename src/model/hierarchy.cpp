#include "model/hierarchy.h"

#include <algorithm>
#include <utility>

#include "model/app_state.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/objects.h"

namespace vk {

namespace {

Scene& openScene() { return appState().project.scene; }

// Walks the parent chain above `object` for at most kHierarchyWalkLimit
// steps. `stop` decides on each ancestor; the result when the chain ends
// (empty or dangling parent, or the step limit) is `whenChainEnds`.
template <class Stop>
bool walkAncestors(const Scene& scene, const Object& object, bool whenChainEnds, Stop stop) {
  std::wstring current = object.parentId;
  for (int step = 0; step < kHierarchyWalkLimit && !current.empty(); ++step) {
    const Object* parent = findObjectById(scene, current);
    if (!parent) return whenChainEnds;
    if (stop(*parent)) return !whenChainEnds;
    current = parent->parentId;
  }
  return whenChainEnds;
}

}  // namespace

// Found read-only, so that only the object found is taken for writing
// (a snapshot shares every other one).
Object* findObjectById(Scene& scene, const std::wstring& id) {
  const std::size_t i = firstObjectIndex(scene, id);
  return i < scene.objects.size() ? &scene.objects[i] : nullptr;
}

const Object* findObjectById(const Scene& scene, const std::wstring& id) {
  const std::size_t i = firstObjectIndex(scene, id);
  return i < scene.objects.size() ? &scene.objects[i] : nullptr;
}

Object* findObjectById(const std::wstring& id) { return findObjectById(openScene(), id); }

bool isDescendantOf(const Scene& scene, const std::wstring& id, const std::wstring& ancestorId) {
  std::wstring current = id;
  for (int step = 0; step < kHierarchyWalkLimit && !current.empty(); ++step) {
    const Object* object = findObjectById(scene, current);
    if (!object) return false;
    if (object->parentId == ancestorId) return true;
    current = object->parentId;
  }
  return false;
}

bool isDescendantOf(const std::wstring& id, const std::wstring& ancestorId) {
  return isDescendantOf(openScene(), id, ancestorId);
}

bool canParentTo(const Scene& scene, const std::wstring& childId, const std::wstring& parentId) {
  if (childId.empty() || parentId.empty() || childId == parentId) return false;
  if (!findObjectById(scene, childId) || !findObjectById(scene, parentId)) return false;
  return !isDescendantOf(scene, parentId, childId);
}

bool canParentTo(const std::wstring& childId, const std::wstring& parentId) {
  return canParentTo(openScene(), childId, parentId);
}

bool isEffectivelyLocked(const Scene& scene, const Object& object) {
  if (object.locked) return true;
  return walkAncestors(scene, object, false, [](const Object& parent) { return parent.locked; });
}

bool isEffectivelyLocked(const Object& object) { return isEffectivelyLocked(openScene(), object); }

bool isEffectivelyVisible(const Scene& scene, const Object& object) {
  if (!object.visible) return false;
  return walkAncestors(scene, object, true, [](const Object& parent) { return !parent.visible; });
}

bool isEffectivelyVisible(const Object& object) {
  return isEffectivelyVisible(openScene(), object);
}

void ensureValidActiveCamera(Project& project, bool force) {
  Scene& scene = project.scene;
  if (scene.activeCameraId.empty() && !force) return;
  const Object* firstCamera = nullptr;
  for (const Object& object : std::as_const(scene.objects)) {
    if (object.kind != ObjectKind::Camera) continue;
    if (!scene.activeCameraId.empty() && object.id == scene.activeCameraId) return;
    if (!firstCamera) firstCamera = &object;
  }
  scene.activeCameraId = firstCamera ? firstCamera->id : std::wstring();
}

bool useActiveCameraView() {
  const AppState& app = appState();
  if (!app.cameraView || app.project.scene.activeCameraId.empty()) return false;
  const Object* camera = findObjectById(app.project.scene, app.project.scene.activeCameraId);
  return camera && camera->kind == ObjectKind::Camera;
}

Vec3 sceneBounds() {
  const AppState& app = appState();
  bool any = false;
  Vec3 lo, hi;
  auto include = [&](const Vec3& p) {
    if (!any) {
      lo = hi = p;
      any = true;
      return;
    }
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  };
  for (const Object& object : app.project.scene.objects) {
    if (!isEffectivelyVisible(app.project.scene, object)) continue;
    include(object.transform.position);
    if (meshDataRenderable(object)) {
      include(objectWorldPoint(object, object.meshData.boundsMin));
      include(objectWorldPoint(object, object.meshData.boundsMax));
    }
  }
  if (!any) return {};
  return {(lo.x + hi.x) * 0.5, (lo.y + hi.y) * 0.5, (lo.z + hi.z) * 0.5};
}

}  // namespace vk
