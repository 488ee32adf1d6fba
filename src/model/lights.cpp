#include "model/lights.h"

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/undo.h"

namespace vk {

namespace {

// Takes the command's undo snapshot and looks the light up again; should it
// be gone, the snapshot is withdrawn and the command stops.
Object* lightAfterSnapshot() {
  UndoPushToken snapshot = pushUndoSnapshot();
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) withdrawUndoSnapshot(snapshot);
  return object;
}

void finishLightCommand(Object& object, const std::wstring& status) {
  sanitizeCameraLightSettings(object);
  setDirty(true);
  refreshAll();
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
  Object* object = lightAfterSnapshot();
  if (!object) return;
  LightSettings& light = object->light;
  light.type = normalizeLightType(type);
  // Written so that a NaN is raised too.
  if (light.type == L"Directional" && !(light.range >= 50.0)) light.range = 50.0;
  if (light.type == L"Area" && !(light.areaSize >= 2.0)) light.areaSize = 2.0;
  finishLightCommand(*object, L"●  Light type set to " + normalizeLightType(type));
}

void adjustViewportLightControl(const std::wstring& field, double delta) {
  if (!selectedLight()) return;
  Object* object = lightAfterSnapshot();
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
  finishLightCommand(*object, L"●  Light control updated");
}

}  // namespace vk
