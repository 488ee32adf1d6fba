// Lookup by id and the rules of the parent hierarchy: descendant test,
// parenting check, effective visibility and lock, and active camera repair.
// Every walk stops after 512 steps, so cyclic chains from stored files end.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

inline constexpr int kHierarchyWalkLimit = 512;

// First object in scene order whose id equals `id` exactly; null when none.
// The pointer is valid until the object vector changes.
Object* findObjectById(const std::wstring& id);  // the open project's scene
Object* findObjectById(Scene& scene, const std::wstring& id);
const Object* findObjectById(const Scene& scene, const std::wstring& id);

// Whether `ancestorId` lies on the parent chain of `id` (starting at its parent).
bool isDescendantOf(const std::wstring& id, const std::wstring& ancestorId);
bool isDescendantOf(const Scene& scene, const std::wstring& id, const std::wstring& ancestorId);
// Both exist, differ, and the parent is not inside the child's subtree.
bool canParentTo(const std::wstring& childId, const std::wstring& parentId);
bool canParentTo(const Scene& scene, const std::wstring& childId, const std::wstring& parentId);
// Own flag or any ancestor's; a missing parent or the walk limit ends the walk.
bool isEffectivelyLocked(const Object& object);
bool isEffectivelyLocked(const Scene& scene, const Object& object);
bool isEffectivelyVisible(const Object& object);
bool isEffectivelyVisible(const Scene& scene, const Object& object);
// Centre of the box over every visible object of the open scene's position and the world
// corners of renderable mesh bounds; the origin when nothing is visible.
Vec3 sceneBounds();

// Keeps activeCameraId naming a Camera: otherwise clears it and picks the
// first Camera in scene order. An empty id is kept unless `force`.
// No snapshot, no dirty mark.
void ensureValidActiveCamera(Project& project, bool force);
// Camera View is on and the active camera id names a Camera object.
bool useActiveCameraView();

}  // namespace vk
