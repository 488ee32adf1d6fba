// Turning catalog records into scene content: lighting set-ups, scene
// starters, object kits, material capsules and material presets. Every apply
// is additive and one undo step; every refusal comes before the snapshot and
// leaves the scene, the selection, the dirty flag and both undo stacks as
// they were.
#pragma once

#include <string>

#include "model/types.h"
#include "presets/catalogs.h"

namespace vk {

// The most objects of any kind a scene may hold after an apply.
inline constexpr std::size_t kPresetApplyObjectLimit = 256;

// The keyed applies check, snapshot and write their own status; the result
// tells whether anything was added or written. fromCapsules adds
// " from Capsules" to the success message.
bool applyLightingCapsule(const std::wstring& key, bool fromCapsules);
bool applyMaterialCapsule(const std::wstring& key, bool fromCapsules);
bool applyMaterialPreset(const std::wstring& key);
// Its refusal of a key no preset has.
inline constexpr wchar_t kUnknownMaterialPreset[] = L"●  Unknown material preset";
bool applySceneStarterCapsule(const std::wstring& key, bool fromCapsules);

// The object kits leave the budget check, the snapshot and the message to
// their caller: the three-object kit (cube, sphere, plane; the sphere
// active) and the one-object kit of a capsule row.
void applyObjectKitCapsule();
void applySingleObjectCapsule(const CapsuleDefinition& capsule);

// Stamps the starter's id, title and note on an object it adds.
void markCapsuleObject(Object& object, const SceneStarter& starter);

}  // namespace vk
