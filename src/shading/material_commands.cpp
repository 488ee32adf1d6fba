// The Material menu's slot commands. Each editing command takes exactly one
// undo snapshot, and only after its guard and refusals passed.
#include <algorithm>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "shading/materials.h"
#include "model/services.h"

namespace vk {

namespace {


// The snapshot copies the project, so the object is looked up again after it.
Object& refetched() {
  Object* object = findObjectById(appState().selectedObjectId);
  sanitizeMaterialSlots(*object);
  return *object;
}

// The base material mirrors the active slot, the editor mirrors its index.
void mirrorActiveSlot(Object& object) {
  const std::int32_t active = object.materialSlots.activeIndex;
  object.material = object.materialSlots.slots[static_cast<std::size_t>(active)];
  appState().activeMaterialSlotIndex = active;
}

void finishEdit(EditTransaction& edit, const std::wstring& status) {
  edit.commit();
  setStatusText(status);
}

}  // namespace

void selectMaterialSlot(int delta) {
  Object* object = selectedMaterialTarget();
  if (!object) return;
  MaterialSlots& slots = object->materialSlots;
  const auto last = static_cast<std::int64_t>(slots.slots.size()) - 1;
  slots.activeIndex = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{slots.activeIndex} + delta, 0, last));
  mirrorActiveSlot(*object);
  refreshAll();
  setStatusText(L"●  Active material slot selected");
}

void addMaterialSlot(bool duplicateActive) {
  Object* target = selectedMaterialTarget();
  if (!target) return;
  if (target->materialSlots.slots.size() >= kMaterialSlotLimit) {
    setStatusText(L"●  Material slot limit reached");
    return;
  }
  EditTransaction edit;
  Object& object = refetched();
  std::vector<Material>& slots = object.materialSlots.slots;
  Material added;
  if (duplicateActive) {
    added = slots[static_cast<std::size_t>(object.materialSlots.activeIndex)];
    added.name += L" Copy";
  } else {
    added = object.material;
    added.name = L"Material " + std::to_wstring(slots.size() + 1);
  }
  slots.push_back(std::move(added));
  object.materialSlots.activeIndex = static_cast<std::int32_t>(slots.size() - 1);
  // The sanitizer caps a copied name that grew past its length limit.
  sanitizeMaterialSlots(object);
  mirrorActiveSlot(object);
  finishEdit(edit, duplicateActive ? L"●  Duplicated active material slot" : L"●  Added material slot");
}

void removeActiveMaterialSlot() {
  Object* target = selectedMaterialTarget();
  if (!target) return;
  if (target->materialSlots.slots.size() <= 1) {
    setStatusText(L"●  At least one material slot must remain");
    return;
  }
  EditTransaction edit;
  Object& object = refetched();
  std::vector<Material>& slots = object.materialSlots.slots;
  const std::int32_t removed = object.materialSlots.activeIndex;
  slots.erase(slots.begin() + removed);
  const std::int32_t active = std::clamp(removed, 0, static_cast<std::int32_t>(slots.size()) - 1);
  object.materialSlots.activeIndex = active;
  const auto& faces = object.meshData.faces.read();
  const bool remap = std::any_of(faces.begin(), faces.end(),
                                 [removed](const MeshFace& face) { return face.materialIndex >= removed; });
  if (remap) {
    for (MeshFace& face : object.meshData.faces.write()) {
      if (face.materialIndex == removed) face.materialIndex = active;
      else if (face.materialIndex > removed) --face.materialIndex;
    }
  }
  sanitizeMaterialSlots(object);
  appState().activeMaterialSlotIndex = object.materialSlots.activeIndex;
  finishEdit(edit, L"●  Removed active material slot and remapped faces safely");
}

void assignMaterialToSelectedFaces() {
  Object* target = selectedMaterialTarget();
  if (!target) return;
  const AppState& app = appState();
  if (app.workMode != WorkMode::EditMesh || app.componentMode != ComponentMode::Face || app.selectedFaces.empty()) {
    setStatusText(L"●  Enter Edit Mesh / Face mode and select faces before assigning material");
    return;
  }
  EditTransaction edit;
  Object& object = refetched();
  const std::int32_t active = object.materialSlots.activeIndex;
  const auto faceCount = static_cast<std::int64_t>(object.meshData.faces.size());
  int assigned = 0;
  std::vector<MeshFace>* faces = nullptr;
  for (const std::int32_t index : app.selectedFaces) {
    if (index < 0 || index >= faceCount) continue;
    if (!faces) faces = &object.meshData.faces.write();
    (*faces)[static_cast<std::size_t>(index)].materialIndex = active;
    ++assigned;
  }
  rebuildMeshData(object);
  sanitizeMaterialSlots(object);
  finishEdit(edit, L"●  Assigned active material to " + std::to_wstring(assigned) + L" selected face(s)");
}

void adjustMaterialRoughnessMetallic(const std::wstring& key, double delta) {
  if (!selectedMaterialTarget()) return;
  EditTransaction edit;
  Object& object = refetched();
  Material& slot = object.materialSlots.slots[static_cast<std::size_t>(object.materialSlots.activeIndex)];
  const bool roughness = key == L"roughness";
  double& value = roughness ? slot.roughness : slot.metallic;
  value = std::clamp(value + delta, 0.0, 1.0);
  mirrorActiveSlot(object);
  finishEdit(edit, roughness ? L"●  Material roughness updated" : L"●  Material metallic updated");
}

}  // namespace vk
