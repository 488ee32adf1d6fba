// The dispatcher rows of the document services built so far: Open, Save and
// Save As, the material slot commands and the texture map commands.
#include <vector>

#include "model/texture_paths.h"
#include "persistence/project_flows.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "shell/command_ids.h"
#include "shell/commands.h"

namespace vk {

void registerDocumentCommands(const std::function<void(int, std::function<void()>)>& add) {
  add(kCmdOpenProject, openSelectedProject);
  add(kCmdSaveProject, [] { saveProjectCommand(false); });
  add(kCmdSaveProjectAs, [] { saveProjectCommand(true); });
  add(kCmdPreviousMaterialSlot, [] { selectMaterialSlot(-1); });
  add(kCmdNextMaterialSlot, [] { selectMaterialSlot(+1); });
  add(kCmdAddMaterialSlot, [] { addMaterialSlot(false); });
  add(kCmdDuplicateMaterialSlot, [] { addMaterialSlot(true); });
  add(kCmdRemoveMaterialSlot, removeActiveMaterialSlot);
  add(kCmdAssignMaterialToFaces, assignMaterialToSelectedFaces);
  add(kCmdRoughnessUp, [] { adjustMaterialRoughnessMetallic(L"roughness", +0.05); });
  add(kCmdRoughnessDown, [] { adjustMaterialRoughnessMetallic(L"roughness", -0.05); });
  add(kCmdMetallicUp, [] { adjustMaterialRoughnessMetallic(L"metallic", +0.05); });
  add(kCmdMetallicDown, [] { adjustMaterialRoughnessMetallic(L"metallic", -0.05); });
  // The six map commands of each range follow the channel order.
  const std::vector<std::wstring>& channels = textureChannelKeys();
  for (int i = 0; i < 6; ++i) {
    const std::wstring channel = channels[static_cast<std::size_t>(i)];
    add(kCmdSetColorMap + i, [channel] { setActiveMaterialTexture(channel); });
    add(kCmdClearColorMap + i, [channel] { clearActiveTextureMap(channel); });
  }
  add(kCmdRefreshTextureStatus, refreshTextureMapStatus);
}

}  // namespace vk
