// The dispatcher rows of the document services built so far: Open, Save and
// Save As, the material slot commands and the texture map commands.
#include "persistence/project_flows.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "shell/commands.h"

namespace vk {

void registerDocumentCommands(const std::function<void(int, std::function<void()>)>& add) {
  add(1002, openSelectedProject);
  add(1003, [] { saveProjectCommand(false); });
  add(1004, [] { saveProjectCommand(true); });
  add(2100, [] { selectMaterialSlot(-1); });
  add(2101, [] { selectMaterialSlot(+1); });
  add(2102, [] { addMaterialSlot(false); });
  add(2103, [] { addMaterialSlot(true); });
  add(2104, removeActiveMaterialSlot);
  add(2105, assignMaterialToSelectedFaces);
  add(2120, [] { adjustMaterialRoughnessMetallic(L"roughness", +0.05); });
  add(2121, [] { adjustMaterialRoughnessMetallic(L"roughness", -0.05); });
  add(2122, [] { adjustMaterialRoughnessMetallic(L"metallic", +0.05); });
  add(2123, [] { adjustMaterialRoughnessMetallic(L"metallic", -0.05); });
  static const wchar_t* const kChannels[6] = {L"color", L"normal", L"roughness", L"metallic", L"alpha", L"emission"};
  for (int i = 0; i < 6; ++i) {
    const std::wstring channel = kChannels[i];
    add(2130 + i, [channel] { setActiveMaterialTexture(channel); });
    add(2140 + i, [channel] { clearActiveTextureMap(channel); });
  }
  add(2150, refreshTextureMapStatus);
}

}  // namespace vk
