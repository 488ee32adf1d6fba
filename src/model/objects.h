// Object ids, creation defaults, the creation commands, the new project and
// the object commands Delete, Duplicate and the active-camera commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

#include "model/types.h"

namespace vk {

// The number of an "obj-<n>" id read like a standard string-to-int
// conversion (leading blanks and a sign allowed, stops at the first
// non-digit); none when no digit follows or the value leaves 32 bits.
std::optional<std::int64_t> objectIdNumber(const std::wstring& id);

// The smallest "obj-<n>" with n >= counter that no object of the scene
// carries; the counter then stands after it.
std::wstring makeUniqueObjectId(const Scene& scene, std::uint32_t& counter);
// The same against a set of the ids in use, for repairs that issue many ids:
// the caller adds each id it hands out to `taken`.
std::wstring makeUniqueObjectId(const std::unordered_set<std::wstring>& taken, std::uint32_t& counter);
std::wstring makeUniqueObjectId(const std::unordered_set<std::wstring_view>& taken, std::uint32_t& counter);
// Every non-empty object id of the scene.
std::unordered_set<std::wstring> objectIdsInUse(const Scene& scene);

// The index of the first object carrying the id; objects.size() when none
// does. The open project's scene answers from an index by id kept beside
// its object list, any other scene by a walk.
std::size_t firstObjectIndex(const Scene& scene, const std::wstring& id);

// "obj-" + the next number of the application state's counter; never an id
// an object of the open scene already carries.
std::wstring makeObjectId();

// A new object of the kind with the creation defaults its kind and name
// select, its mesh (and curve) built and one material slot. Consumes one id;
// the scene is not touched.
Object makeObject(ObjectKind kind, const std::wstring& name);

// The most objects a project holds: twice the scene budget an import fills,
// so objects made by hand beside a full import still fit. The project reader
// refuses a file with more, Save refuses to write more, and every command
// that adds objects refuses to pass it.
inline constexpr std::size_t kProjectObjectLimit = 8192;
// True when the scene can take `adding` more objects. Otherwise the status
// line names the limit and false: the caller refuses before its snapshot.
bool roomForObjects(std::size_t adding);
// That status line: "●  Refused: object limit 8192".
std::wstring objectLimitRefusal();

// Adds the id to the first collection, creating "col-001" when there is none.
void attachToMainCollection(const std::wstring& id);

// Create > object and Create Group (one undo snapshot each).
void addObject(ObjectKind kind, const std::wstring& name);
void addGroupObject();

// The start-up document: obj-1 "Starter Cube" (selected), obj-2 "Camera"
// (active camera), obj-3 "Point Light"; empty stacks, clean.
void resetToNewProject();

// Sets the id counter to one more than the largest "obj-" number in use.
void recalcNextObjectId();

// Object commands; Delete and Duplicate refuse silently (Duplicate at the
// object limit with roomForObjects' message), the camera commands with a
// status message.
void deleteSelectedObject();
void duplicateSelectedObject();
void setSelectedCameraActive();
void clearActiveCamera();
void toggleCameraView();

}  // namespace vk
