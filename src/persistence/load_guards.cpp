// Load guards: the repairs every project read from a file passes through
// before the editor sees it.

#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/modifier_kind_table.h"
#include "model/sanitize.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

constexpr int kLegacyModifierSchema = 4700;
constexpr int kCurrentSchema = 66100;

const wchar_t kLegacyGuardStatus[] =
    L"Preserved but disabled by Phase 46.3 import guard so very old projects cannot reopen with "
    L"camera-dependent or legacy preview distortion. Re-enable from Modifier > Stack Controls when wanted.";

// The material slots, with every face's material index, were sanitized as
// the object was read (a pass over a large mesh's faces is not repeated).
void guardObject(Object& object, int version) {
  sanitizeImportedTransform(object);
  sanitizeCameraLightSettings(object);
  sanitizeObjectCapsuleFields(object);
  sanitizeModifierStack(object);
  sanitizeTransformKeyTrack(object);
  sanitizeCameraKeyframes(object);
  sanitizeLightKeyframes(object);
  if (version < kLegacyModifierSchema) {
    for (Modifier& m : object.modifierStack.entries) {
      if (!m.enabled || !modifierKindIn(modifierKindOf(m.type), kKindLegacyGuarded)) continue;
      m.enabled = false;
      m.status = kLegacyGuardStatus;
    }
  }
}

}  // namespace

bool applyMeshLoadGuard(Object& object) {
  if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text) return true;
  if ((object.meshData.vertices.empty() || object.meshData.faces.empty()) && !isEditedFacelessMesh(object)) {
    initMeshData(object);
  }
  return sanitizeImportedMeshData(object);
}

void applyProjectLoadGuards(Project& project, int version) {
  Scene& scene = project.scene;
  for (Object& object : scene.objects) guardObject(object, version);
  ensureValidActiveCamera(project, version < kCurrentSchema);
  sanitizeRenderSettings(scene.renderSettings);
  sanitizeTimelineState(scene.timelineSettings);
  sanitizePresetBrowserState(scene.presetBrowser);
  sanitizeCapsuleBrowserState(scene.capsuleBrowser);
  const std::wstring& focus = scene.timelineSettings.focusObjectId;
  if (!focus.empty() && !findObjectById(scene, focus)) scene.timelineSettings.focusObjectId.clear();
  project.phase = kCurrentSchema;
  project.schema = kCurrentSchema;
}

}  // namespace vk
