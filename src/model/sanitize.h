// Repair rules for stored data: every sanitizer clamps, replaces or cuts in
// place (or returns a repaired copy) and never reports or fails. A NaN is
// replaced by the field's default; an infinity clamps to the bound. Running
// any sanitizer twice gives the result of running it once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/texture_paths.h"
#include "model/types.h"

namespace vk {

// --- lists the sanitizers cut ---------------------------------------------

inline constexpr std::size_t kMaterialSlotLimit = 32;  // material slots of an object
inline constexpr std::size_t kTrackKeyLimit = 1000;     // keys of one animation track

// --- text limits -----------------------------------------------------------
// The characters a sanitizer keeps of a text; the rest is cut (by
// trimToSingleLine, but for key notes, which are cut as they stand; texture
// paths: kTexturePathCharLimit). Readers cut these texts as they read them.
inline constexpr std::size_t kCapsuleIdCharLimit = 96;            // capsule ids of objects, materials, lights
inline constexpr std::size_t kCapsuleLabelCharLimit = 96;         // their labels
inline constexpr std::size_t kMaterialCapsuleNoteCharLimit = 220;  // capsule notes of materials and lights
inline constexpr std::size_t kObjectCapsuleNoteCharLimit = 360;   // an object's capsule note
inline constexpr std::size_t kImportedMeshEditSafetyCharLimit = 360;
inline constexpr std::size_t kMaterialSlotNameCharLimit = 64;
inline constexpr std::size_t kBrowserSelectionIdCharLimit = 96;   // selected preset or capsule, last applied capsule
inline constexpr std::size_t kPresetBrowserStatusCharLimit = 180;
inline constexpr std::size_t kCapsuleBrowserStatusCharLimit = 220;
inline constexpr std::size_t kKeyNoteCharLimit = 240;
inline constexpr std::size_t kLabelTextCharLimit = 240;           // sanitizeLabelText

// --- repair primitives ---------------------------------------------------

// value clamped to [lo, hi]; a NaN becomes `fallback`.
double clampOrDefault(double value, double lo, double hi, double fallback);
std::int32_t clampInt(std::int32_t value, std::int32_t lo, std::int32_t hi);

// The fallback for a NaN, an infinity or a magnitude of 1e6 or more;
// otherwise the value clamped to [min, max].
double sanitizeFiniteValue(double value, double fallback, double min, double max);

// trimToSingleLine(text, cap), or the fallback when that leaves nothing (an
// empty text or one of control characters only).
std::wstring capTextOrDefault(const std::wstring& text, std::size_t cap, const std::wstring& fallback);

// CR, LF and tab become blanks, other control characters (U+0000-U+001F,
// U+007F-U+009F) are dropped; at most kLabelTextCharLimit characters.
std::wstring sanitizeLabelText(const std::wstring& text);

// --- payloads of one object ----------------------------------------------

// At least one and at most 32 slots, active index in range, every slot's
// fields in range with six texture maps; the base material mirrors the
// active slot and every face's material index names a slot.
void sanitizeMaterialSlots(Object& object);
// Its last step: every face's material index clamped to [0, slotCount - 1]
// and the per-face list matching them, writing (and so un-sharing the
// copy-on-write arrays) only on change; one read pass decides, so an undo of
// a heavy mesh stays cheap.
void clampFaceMaterialIndices(MeshData& mesh, std::int32_t slotCount);

// Exactly one map per channel, in textureChannelKeys() order; asks the file
// system whether each enabled file-based map's file is there.
void ensureMaterialTextureMaps(Material& material);

CameraSettings sanitizeCameraSettings(const CameraSettings& camera);
LightSettings sanitizeLightSettings(const LightSettings& light);
// True when sanitizeLightSettings would return `light` unchanged; copies nothing.
bool lightSettingsAreSanitized(const LightSettings& light);
// The object's camera and light payloads, whatever its kind.
void sanitizeCameraLightSettings(Object& object);

void sanitizeModifierStack(Object& object);
// "x"/"y"/"z" become upper case; anything but "X", "Y", "Z" becomes "Y".
std::wstring sanitizeAxis(const std::wstring& axis);

// Position and rotation finite and bounded; a scale that is not finite, too
// large or nearly zero becomes 1 (negative scales mirror and stay).
Transform sanitizeTransformValues(const Vec3& position, const Vec3& rotation, const Vec3& scale);
void sanitizeImportedTransform(Object& object);

// Caps the capsule and import texts; clears the imported-mesh flags of an
// object that is not an imported glTF/GLB mesh.
void sanitizeObjectCapsuleFields(Object& object);

// --- keyframe tracks -----------------------------------------------------

// Canonical interpolation name: "Hold", "Linear", "Ease In", "Ease Out" or
// "Ease In Out" (unknown names and other letter case read "Linear").
std::wstring sanitizeTransformKeyframeInterpolation(const std::wstring& interpolation);

// Current schema and target, values in range, at most 1000 keys (the first
// stored), frames strictly ascending, key ids non-empty and distinct, and a
// selected key id that names a key or is empty.
void sanitizeTransformKeyTrack(Object& object);
void sanitizeCameraKeyframes(Object& object);
void sanitizeLightKeyframes(Object& object);

// True when the matching sanitizer would leave the track unchanged.
bool isSanitizedTrack(const TransformAnimation& track);
bool isSanitizedTrack(const CameraAnimation& track);
bool isSanitizedTrack(const LightAnimation& track);

// --- scene records, selections, restored projects, loaded meshes ---------

void sanitizeRenderSettings(RenderSettings& settings);
void sanitizeTimelineState(TimelineBridge& timeline);
void sanitizePresetBrowserState(PresetBrowserState& state);
std::wstring sanitizePresetCategory(const std::wstring& category);
void sanitizeCapsuleBrowserState(CapsuleBrowserState& state);
std::wstring sanitizeCapsuleCategory(const std::wstring& category);

// Prune the application state's component selections against the object's
// mesh (vertices, edges, faces) or curve points: in range, sorted, unique.
void sanitizeComponentSelection(const Object& object);
void sanitizeCurvePointSelection(const Object& object);

// The repair of a project restored from an undo or redo snapshot.
void sanitizeRestoredProject(Project& project);

// A Mesh or Text object the user edited down to loose vertices or to nothing
// (Delete, Merge and Separate may leave one): every repair keeps it as it is instead
// of rebuilding it from its primitive, which only files of empty primitives
// rely on.
bool isEditedFacelessMesh(const Object& object);

// The load guard of a Mesh or Text object read from a project file, by the
// rules of mesh_guard.h: true when the stored mesh was kept (faces the rules
// drop are dropped), false when it was rebuilt from its primitive (the
// reason is appended to the mesh summary). Other kinds: true.
bool sanitizeImportedMeshData(Object& object);

}  // namespace vk
