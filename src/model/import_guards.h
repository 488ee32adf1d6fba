// Imported-asset edit guards: which objects count as imported glTF/GLB
// meshes, which meshes are too heavy for component editing or full drawing,
// the per-object safety flags and notes, and the read-only toggle command.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

// A Mesh tagged by the importer: capsule id "phase65-gltf-import", a
// primitive label containing "glTF" or "GLB", or a capsule note containing
// "glTF/GLB" or "Phase 65" (exact, case-sensitive). Never another kind.
bool phase65FromGltfImport(const Object& object);

// Over the safe edit budget: more than 15000 vertices, 20000 faces or 22000 edges.
bool phase65HighPolyForEdit(const MeshData& mesh);
// Dense: more than 20000 vertices, 30000 faces or 20000 edges.
bool proxyMeshIsDense(const MeshData& mesh);
bool meshUsesProxyPreview(const MeshData& mesh);

// The viewport draws only a proxy of this object.
bool omitFullMeshPreview(const Object& object);

// Import defaults: read-only, not converted, safe-selection-only when heavy,
// and a first safety note. Only for imported (or import-tagged) objects.
void phase65EditSafetyNote(Object& object);

// May Edit Mesh work on this object? On false, *reason (when given) holds the
// text to show after "●  ".
bool phase65EditSafetyPermits(const Object& object, std::wstring* reason);

// The inspector's one-line safety summary; "" for other objects.
std::wstring phase65EditSafetySummary(const Object& object);

// Puts an imported object back into the read-only, selection-only state and
// returns the editor to Object mode with no component selection. No undo
// snapshot, no dirty mark. Other objects: nothing happens.
void phase65ImportEditRecover(Object& object, const std::wstring& note);

// Picking on the object must stay object/gizmo only.
bool phase65ImportGuardedPicking(const Object& object);

// kCmdToggleImportedReadOnly ("Toggle Imported Mesh Read-Only") on the selected object.
void toggleImportedMeshReadOnly();

}  // namespace vk
