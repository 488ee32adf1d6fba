#include "model/lights.h"

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/undo.h"

namespace vk {

namespace {

// The light looked up again after the snapshot (should it be gone, the
// transaction takes its snapshot back), changed, repaired and reported.
template <class Change>
void editSelectedLight(Change&& change) {
  EditTransaction edit;
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) return;
  const std::wstring status = change(object->light);
  sanitizeCameraLightSettings(*object);
  edit.commit();
  setStatusText(status);
}

}  // namespace

Object* selectedLight() {
  Object* object = findObjectById(appState().selectedObjectId);
  if (object && object->kind == ObjectKind::Light) return object;
  setStatusText(L"●  Select a light before using light controls");
  return nullptr;
}

void setSelectedLightType(const std::wstring& type) {
  if (!selectedLight()) return;
  if (type != L"Point" && type != L"Directional" && type != L"Spot" && type != L"Area") return;
  editSelectedLight([&](LightSettings& light) {
    light.type = normalizeLightType(type);
    // Written so that a NaN is raised too.
    if (light.type == L"Directional" && !(light.range >= 50.0)) light.range = 50.0;
    if (light.type == L"Area" && !(light.areaSize >= 2.0)) light.areaSize = 2.0;
    return L"●  Light type set to " + normalizeLightType(type);
  });
}

void adjustViewportLightControl(const std::wstring& field, double delta) {
  if (!selectedLight()) return;
  editSelectedLight([&](LightSettings& light) {
    if (field == L"intensity") {
      light.intensity += delta;
    } else if (field == L"range") {
      light.range += delta;
    } else if (field == L"spotAngle") {
      light.spotAngle += delta;
    } else if (field == L"areaSize") {
      light.areaSize += delta;
    }
    return std::wstring(L"●  Light control updated");
  });
}

}  // namespace vk
