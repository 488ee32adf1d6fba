#include "model/lights.h"

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "shell/services.h"

namespace vk {

Object* selectedLight() {
  Object* object = findObjectById(appState().selectedObjectId);
  if (object && object->kind == ObjectKind::Light) return object;
  setStatusText(L"●  Select a light before using light controls");
  return nullptr;
}

void setSelectedLightType(const std::wstring& type) {
  if (!selectedLight()) return;
  if (type != L"Point" && type != L"Directional" && type != L"Spot" && type != L"Area") return;
  pushUndoSnapshot();
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) return;
  LightSettings& light = object->light;
  light.type = normalizeLightType(type);
  // Written so that a NaN is raised too.
  if (light.type == L"Directional" && !(light.range >= 50.0)) light.range = 50.0;
  if (light.type == L"Area" && !(light.areaSize >= 2.0)) light.areaSize = 2.0;
  sanitizeCameraLightSettings(*object);
  setDirty(true);
  refreshAll();
  setStatusText(L"●  Light type set to " + object->light.type);
}

void adjustViewportLightControl(const std::wstring& field, double delta) {
  if (!selectedLight()) return;
  pushUndoSnapshot();
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) return;
  LightSettings& light = object->light;
  if (field == L"intensity") {
    light.intensity += delta;
  } else if (field == L"range") {
    light.range += delta;
  } else if (field == L"spotAngle") {
    light.spotAngle += delta;
  } else if (field == L"areaSize") {
    light.areaSize += delta;
  }
  sanitizeCameraLightSettings(*object);
  setDirty(true);
  refreshAll();
  setStatusText(L"●  Light control updated");
}

}  // namespace vk
