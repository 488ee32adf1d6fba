// Modifier stacks: the nine kinds with their parameters, entry creation and
// ids, typed parameter reads and writes, the lookups the commands use, the
// non-destructive preview evaluation and its builders, and the inspector
// texts. Nothing here changes a stored object except through the `Object&`
// passed in.
#pragma once

#include <string>
#include <vector>

#include "model/types.h"

namespace vk {

// ---- Kinds, entries and parameters ------------------------------------------

// The first entry whose id the stack never held: "mod-" and one past the
// largest number any "mod-<n>" id carries (64-bit, so it never wraps).
std::wstring makeModifierId(const Object& owner);
// A new entry of `type` for `owner`'s stack (the caller appends it); an
// unknown type gives a disabled "Unknown Modifier" keeping the type text.
Modifier createModifierEntry(const Object& owner, const std::wstring& type);

ModifierParam makeBoolParam(const std::wstring& key, bool value);
ModifierParam makeNumberParam(const std::wstring& key, double value);
ModifierParam makeTextParam(const std::wstring& key, const std::wstring& value);

// The first parameter with exactly this key, or null.
ModifierParam* findModifierParam(Modifier& entry, const std::wstring& key);
const ModifierParam* findModifierParam(const Modifier& entry, const std::wstring& key);

// Typed reads with the caller's fallback for a missing parameter. The number
// read never returns a non-finite value.
bool modifierBoolParam(const Modifier& entry, const std::wstring& key, bool fallback);
double modifierNumberParam(const Modifier& entry, const std::wstring& key, double fallback);
std::wstring modifierTextParam(const Modifier& entry, const std::wstring& key, const std::wstring& fallback);

// In-place writes: the first parameter with the key changes kind and value,
// else one is appended. A non-finite number is stored as 0.
void setModifierParamBool(Modifier& entry, const std::wstring& key, bool value);
void setModifierParamNumber(Modifier& entry, const std::wstring& key, double value);
void setModifierParamText(Modifier& entry, const std::wstring& key, const std::wstring& value);

// "Bend", "Twist", "Taper" or "Lattice" exactly.
bool isDeformerModifierName(const std::wstring& type);
// Bevel, Solidify, Subdivision, Bend, Twist, Taper: their previews replace
// the object's own drawing.
bool isDeformingModifierName(const std::wstring& type);

// Clamps AppState::activeModifierIndex into the stack and returns it; -1 for
// an empty stack (the stored index is then left alone).
int clampSelectedModifierIndex(const Object& owner);
// The entry a command acts on: the active one when it matches, else the
// first match in stack order, else null. Both sanitize the stack first.
Modifier* findModifierByName(Object& owner, const std::wstring& type);
Modifier* findDeformerModifier(Object& owner);

// Clamped in double, then rounded half away from zero, so that any finite
// value a file may hold gives a defined integer.
int roundedModifierCount(double value, int lo, int hi);

// ---- Preview evaluation -------------------------------------------------------

// At most this many objects in one preview list (seed included).
inline constexpr std::size_t kModifierPreviewObjectLimit = 96;
// Faces one object's evaluation builds at most, every entry and every
// subdivision pass counted, each entry's share predicted before it builds.
inline constexpr std::size_t kModifierEvaluationFaceLimit = 500000;

// Mesh or Text with at least one enabled, known, deforming entry.
bool objectNeedsModifierPreview(const Object& object);

// What a preview element starts from: the object's id, name, kind,
// transform, materials, mesh and curve; no stack, keys, notes or imports.
Object modifierPreviewSeed(const Object& object);

struct ModifierStackPreview {
  std::vector<Object> list;
  std::size_t facesBuilt = 0;         // predicted for the entries taken
  std::size_t facesWanted = 0;        // with the first entry left out, if any
  std::vector<std::size_t> leftOut;   // stack indices of enabled, known entries left out
};

// The preview list of the object's enabled, known entries in stack order;
// empty when nothing adds copies or deforms. The entry whose predicted faces
// would take the evaluation past `faceAllowance` (at most
// kModifierEvaluationFaceLimit) is left out, with every later one. Copies
// that come from one mesh keep sharing its arrays, and each deforming entry
// builds its result once per distinct input mesh.
ModifierStackPreview evaluateModifierStackWithin(const Object& object, std::size_t faceAllowance);
// The list within kModifierEvaluationFaceLimit.
std::vector<Object> evaluateModifierStack(const Object& object);
// "3. Subdivision, 4. Bend" for the left-out entries (the first eight).
std::wstring modifierLeftOutText(const Object& object, const std::vector<std::size_t>& leftOut);
// The status line naming the left-out entries: the first by its number and
// kind, then how many more, short enough for the status line whatever the
// stack; empty when none is left out.
std::wstring modifierLeftOutStatus(const Object& object, const std::vector<std::size_t>& leftOut);
// The status line of a paint that drew `skipped` objects without their
// preview (the scene's preview faces ran out); empty for none.
std::wstring modifierPreviewsSkippedStatus(std::size_t skipped);

// ---- Preview builders (each works on one list element in place) -------------

void applyModifierPreviewBend(Object& element, const std::wstring& axis, double angleDegrees);
void applyModifierPreviewTwist(Object& element, const std::wstring& axis, double angleDegrees);
void applyModifierPreviewTaper(Object& element, const std::wstring& axis, double strength);

// `segments` is accepted for the stack's sake; the inset uses one ring.
void applyModifierPreviewBevel(Object& element, double amount, int segments);
void applyModifierPreviewSolidify(Object& element, double thickness, double offset);
void applyModifierPreviewSubdivision(Object& element, int levels, double smoothness);
// One smoothing pass splitting every valid face into quads; the result is
// derived (edges, normals, bounds). Empty for a mesh without vertices or faces.
MeshData subdivideMeshOnce(const MeshData& mesh, double smoothness);
// A box object around the element's mesh bounds (cells are not used).
Object makeLatticeCagePreview(const Object& element, int cells);

// ---- Inspector texts ------------------------------------------------------------

// The first four parameters as "key=value", joined with ", ", and ", ..."
// when there are more; "" without parameters.
std::wstring modifierParamsSummary(const Modifier& entry);

// The inspector's modifier block, naming the entries the preview left out.
// Sanitizes the stack in place and clamps AppState::activeModifierIndex into
// a non-empty stack.
std::wstring modifierStackSummary(Object& object, const std::vector<std::size_t>& previewLeftOut = {});

}  // namespace vk
