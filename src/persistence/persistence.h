// The project file: its writer (one JSON text in a fixed layout), its reader
// (a linear member-index scan that repairs instead of rejecting) and the load
// guards every read project passes through. JSON text services: json.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/mesh_data.h"  // kLoadGuardVertexLimit
#include "model/objects.h"  // kProjectObjectLimit
#include "model/types.h"
#include "persistence/json.h"

namespace vk {

// ---------------------------------------------------------------------------
// Limits of the project reader. It also holds to the model's own limits:
// kProjectObjectLimit (model/objects.h) refuses the file, and the load
// guard's kLoadGuardVertexLimit, kLoadGuardFaceLimit and kMeshFaceCornerLimit
// (model/mesh_data.h) rebuild or drop what a mesh holds past them.

// The largest project file the studio reads, and so the largest it writes.
inline constexpr uint64_t kProjectFileByteLimit = uint64_t{2} << 30;
// The reader's working memory, text included, stays within this many times
// the text's size plus a fixed amount; a file whose meshes, texts or lists
// would need more is refused, counted as they are read and before any grows
// past the bound.
inline constexpr uint64_t kProjectMemoryLimitFactor = 3;
inline constexpr uint64_t kProjectMemoryLimitFixedBytes = uint64_t{256} << 20;
// Items read from one list; those after them are dropped. Material slots,
// curve points and track keys are read up to the model's own limits
// (kMaterialSlotLimit, kCurvePointLimit, kTrackKeyLimit).
inline constexpr size_t kProjectMeshUvLimit = kLoadGuardVertexLimit;  // UVs of a mesh, one per vertex kept
inline constexpr size_t kProjectTextureMapLimit = 16;                 // texture maps of a material
inline constexpr size_t kProjectModifierLimit = 64;                   // entries of a modifier stack
inline constexpr size_t kProjectModifierParameterLimit = 64;          // parameters of a modifier entry

// ---------------------------------------------------------------------------
// Writer. Every function reads its arguments only; normalisation (clamps,
// sanitized tracks, texture maps) runs on copies.

// The complete file text, UTF-8, LF line ends, ending in "}\n". The modifier
// stacks' "activeIndex" comes from the editor's active modifier index
// (AppState) unless one is passed.
std::string serializeProject(const Project& project);
std::string serializeProject(const Project& project, int activeModifierIndex);

// `{ "x": X, "y": Y, "z": Z }`, each the shortest text that reads back exactly.
std::string jsonVec3(const Vec3& v);
std::string serializePresetBrowser(const PresetBrowserState& state);
std::string serializeTextureSlots(const Material& material);
std::string serializeTextureMap(const TextureMap& map);
std::string serializeModifierParameter(const ModifierParam& param);

// ---------------------------------------------------------------------------
// Reader.

// What the reader's scan found broken in a text it still read: the objects
// it holds whole are kept, and the open says the rest is missing.
enum class ProjectTextDamage {
  None,
  // The document, its "objects" array or one of its object items has no
  // closer of its own kind: the text was cut, or a closer overwritten.
  Unclosed,
  // Text other than blanks before the document's opening brace or after
  // its closing one (a UTF-8 byte order mark first is no such text).
  TextOutside,
  // Neither, but the text is not one well-formed JSON value (RFC 8259): a
  // string, colon, comma or value out of place or missing, a number or
  // escape out of the grammar, a raw control character in a string.
  NotWellFormed,
  // Well-formed, but with no "objects" array where the writer's layout
  // shows one: the array's name was damaged.
  ArrayNameDamaged,
  // Well-formed, but with no "scene" block and a block whose name is one
  // byte from it: the block's name was damaged.
  SceneNameDamaged,
  // The text stops before the end its layout gives it: a copy cut short.
  EndsEarly,
};

struct ProjectLoadResult {
  Project project;
  // A read object, or a document with a top-level "objects" array and a
  // "scene" object (a saved empty project). When false, `project` is unusable.
  bool usable = false;
  // Refused: the "objects" array holds more than kProjectObjectLimit items.
  bool overObjectBudget = false;
  // Refused: what the file holds would take more than
  // kProjectMemoryLimitFactor times its size (plus
  // kProjectMemoryLimitFixedBytes) in memory: its meshes, or (with
  // textsOverMemoryBudget) its texts and lists of entries.
  bool overMemoryBudget = false;
  bool textsOverMemoryBudget = false;
  // Of a usable result: None when the text was one whole project, that is
  // one well-formed JSON object (blanks around it and a leading byte order
  // mark included).
  ProjectTextDamage damage = ProjectTextDamage::None;
  // Of a damaged one: object items whose own text was damaged, left out.
  // Every object read is one whose own text is one well-formed JSON object,
  // read as the whole file would give it.
  size_t damagedObjectsLeftOut = 0;
  // The text is not in the writer's layout and its first fault lies inside
  // the "objects" array: the objects from there on were left out, uncounted.
  bool objectsAfterFaultLeftOut = false;
  // Of a text that ends early: it stops inside the "objects" array, so the
  // objects after the last one read, if the file had any, are not in it.
  bool endsInsideObjects = false;
  // Settings before the objects (the document's name, phase and schema, the
  // scene's members) whose own text was damaged, left at their defaults.
  size_t damagedSettingsLeftOut = 0;
};

// Pure with respect to the application state: reads no AppState field and
// shows nothing. Runs the load guards on a usable result; counts the object
// items before it builds any. A text that is not well-formed keeps the
// objects whose own text is whole: in the writer's layout each object's
// block is judged on its own, wherever the damage lies, and so is each
// setting before the objects; in another layout the objects before the
// first fault are kept, and a fault before the objects refuses the text.
// A text cut short keeps the objects before the cut and says it ends early.
// No damaged text opens without an object. Parents left out are cleared. A
// leading UTF-8 byte order mark is skipped.
// Text before the document that holds no quote (a stray word, a no-break
// space) is passed over to the first '{', and the result is TextOutside;
// otherwise the whole text is read as the document.
ProjectLoadResult deserializeProject(std::string_view text);


// A member's Vec3 `{ "x": .., "y": .., "z": .. }`; a missing component keeps
// the fallback's, a member that is no object gives the whole fallback.
Vec3 findVec3(const JsonObjectIndex& object, std::string_view key, const Vec3& fallback);
// Positional: one entry per element; a component that is missing or no number
// reads 0, an element that is no object reads (0, 0, 0). At most `limit`
// entries, the first ones; room for `expected` is made first.
std::vector<Vec3> parseVec3Array(std::string_view contents, size_t limit = SIZE_MAX, size_t expected = 0);
std::vector<Vec2> parseUvArray(std::string_view contents, size_t limit = SIZE_MAX, size_t expected = 0);

// Sub-block readers; `item` is one object item of the "objects" array.
// The slots come back as read: the caller sanitizes them once, before it
// reads the mesh, whose faces then take material indices within them.
bool loadMaterialSlots(const JsonObjectIndex& item, Object& object);
void loadTextureMaps(const JsonObjectIndex& materialText, Material& material);
// A Mesh or Text keeps at most one vertex, face or corner past the load
// guard's limits (the guard then rebuilds it, as it would the whole); other
// kinds keep their mesh as read, within the item's budget (which a mesh that
// needs more leaves exceeded, and is dropped). Face material indices are
// clamped to the object's `slotCount` material slots. `longestFace` gets the
// most corners of a face the mesh read.
bool loadMeshData(const JsonObjectIndex& item, Object& object, int32_t slotCount, size_t& longestFace);
// The memory a mesh read from a file holds in the model, derived arrays
// included, as the reader's budget counts it; no face holds more than
// `longestFace` corners.
uint64_t meshModelBytes(const MeshData& mesh, size_t longestFace = SIZE_MAX);
bool loadCurveData(const JsonObjectIndex& item, Object& object);
bool loadModifierStack(const JsonObjectIndex& item, Object& object);
bool loadTransformAnimation(const JsonObjectIndex& item, Object& object);
bool loadCameraAnimation(const JsonObjectIndex& item, Object& object);
bool loadLightAnimation(const JsonObjectIndex& item, Object& object);

// ---------------------------------------------------------------------------
// Load guards: repair a just-read project in place and stamp it 66100.
// `version` is the file's "schema" number (66100 when it has none).
void applyProjectLoadGuards(Project& project, int version);
// The mesh part of those guards, which the reader runs as soon as an object
// is read (so that a mesh the guard rebuilds never waits in memory). False
// when it rebuilt the mesh from its primitive.
bool applyMeshLoadGuard(Object& object);

}  // namespace vk
