// The texture map commands of the Material menu and the re-test of every
// map's file after a project was opened.
#include <algorithm>
#include <string_view>
#include <utility>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/texture_paths.h"
#include "model/undo.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "model/services.h"

namespace vk {

namespace {

using namespace std::string_view_literals;

constexpr std::wstring_view kTextureFilters =
    L"Texture Images (*.png;*.jpg;*.jpeg;*.tga;*.bmp;*.webp)\0*.png;*.jpg;*.jpeg;*.tga;*.bmp;*.webp\0"
    L"All Files (*.*)\0*.*\0\0"sv;

bool fileMapMissing(const TextureMap& map) {
  return textureMapIsSet(map) && !textureSourceIsNonFile(map) &&
         !pathEntryExists(resolveTexturePathAbsolute(map));
}

void retestMaps(Material& material) {
  for (TextureMap& map : material.textureMaps.maps) map.missing = fileMapMissing(map);
}

bool isTextureChannel(const std::wstring& key) {
  const std::vector<std::wstring>& keys = textureChannelKeys();
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

Material& activeSlot(Object& object) {
  return object.materialSlots.slots[static_cast<std::size_t>(object.materialSlots.activeIndex)];
}

// The channel's map on the active slot after the snapshot (which copies the
// project, so the object is looked up again).
TextureMap& activeMapAfterSnapshot(const std::wstring& key) {
  Object& object = *findObjectById(appState().selectedObjectId);
  sanitizeMaterialSlots(object);
  return *findTextureMap(activeSlot(object), key);
}

// The base material mirrors the active slot; cached previews go.
void mirrorActiveSlotMaps() {
  Object& object = *findObjectById(appState().selectedObjectId);
  object.material = activeSlot(object);
  clearTexturePreviewCache();
}

void finishTextureEdit(EditTransaction& edit, const std::wstring& status) {
  mirrorActiveSlotMaps();
  edit.commit();
  setStatusText(status);
}

}  // namespace

void updateTextureMapStatuses(Scene& scene) {
  ObjectList& objects = scene.objects;
  // Worked on copies and written back only when a status changed, so that
  // unchanged objects stay shared with the undo history.
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const Object& current = std::as_const(objects)[i];
    MaterialSlots slots = current.materialSlots;
    Material material = current.material;
    for (Material& slot : slots.slots) {
      ensureMaterialTextureMaps(slot);
      retestMaps(slot);
    }
    ensureMaterialTextureMaps(material);
    retestMaps(material);
    if (slots == current.materialSlots && material == current.material) continue;
    Object& object = objects[i];
    object.materialSlots = std::move(slots);
    object.material = std::move(material);
  }
}

FileChoice openTextureDialog() {
  FileDialogSpec spec;
  spec.filters = kTextureFilters;
  spec.flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  return askForFile(spec);
}

void setActiveMaterialTexture(const std::wstring& key) {
  if (!isTextureChannel(key) || !selectedMaterialTarget()) return;
  const FileChoice choice = openTextureDialog();
  if (!choice.chosen) return;
  EditTransaction edit;
  TextureMap& map = activeMapAfterSnapshot(key);
  bool relative = false;
  map.path = storableTexturePath(choice.path, relative);
  map.relative = relative;
  map.enabled = !map.path.empty();
  map.colorSpace = defaultColorSpaceForSlot(key);
  map.missing = map.enabled && !texturePathResolvable(map);
  finishTextureEdit(edit, L"●  " + textureChannelDisplayName(key) + L" texture reference stored for active material");
}

void clearActiveTextureMap(const std::wstring& key) {
  if (!isTextureChannel(key) || !selectedMaterialTarget()) return;
  EditTransaction edit;
  TextureMap& map = activeMapAfterSnapshot(key);
  map.path.clear();
  map.enabled = false;
  map.relative = true;
  map.missing = false;
  map.colorSpace = defaultColorSpaceForSlot(key);
  finishTextureEdit(edit, L"●  Cleared " + textureChannelDisplayName(key) + L" texture metadata");
}

void refreshTextureMapStatus() {
  Object* object = selectedMaterialTarget();
  if (!object) return;
  retestMaps(activeSlot(*object));
  mirrorActiveSlotMaps();
  setDirty(true);
  refreshAll();
  setStatusText(L"●  Refreshed texture map missing/relative status for active material");
}

}  // namespace vk
