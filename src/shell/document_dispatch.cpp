// The command rows of the document services built so far: Open, Save and
// Save As, the material slot commands and the texture map commands.
#include "model/texture_paths.h"
#include "persistence/project_flows.h"
#include "shading/materials.h"
#include "shading/textures.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"

namespace vk {

namespace {

constexpr CommandRow kRows[] = {
    // File and exchange formats
    {.id = kCmdSaveProject, .menu = L"Save", .button = L"Save", .group = ButtonGroup::save,
     .tip = L"Save the current Veltrask project.", .glyph = Glyph::disk, .colour = kIconSave,
     .run = [] { saveProjectCommand(false); }, .flags = kNeverPlaced},
    {.id = kCmdOpenProject, .menu = L"Open Project...", .glyph = Glyph::folder, .colour = kIconFile,
     .run = openSelectedProject},
    {.id = kCmdSaveProjectAs, .menu = L"Save As...", .glyph = Glyph::disk, .colour = kIconFile,
     .run = [] { saveProjectCommand(true); }},
    // Materials
    {.id = kCmdPreviousMaterialSlot, .menu = L"Previous Material Slot", .run = [] { selectMaterialSlot(-1); }},
    {.id = kCmdNextMaterialSlot, .menu = L"Next Material Slot", .run = [] { selectMaterialSlot(+1); }},
    {.id = kCmdAddMaterialSlot, .menu = L"Add New Material Slot", .colour = kIconMaterial,
     .run = [] { addMaterialSlot(false); }},
    {.id = kCmdDuplicateMaterialSlot, .menu = L"Duplicate Active Material Slot", .colour = kIconMaterial,
     .run = [] { addMaterialSlot(true); }},
    {.id = kCmdRemoveMaterialSlot, .menu = L"Remove Active Material Slot", .run = removeActiveMaterialSlot},
    {.id = kCmdAssignMaterialToFaces, .menu = L"Assign Active Material to Selected Faces", .colour = kIconMaterial,
     .run = assignMaterialToSelectedFaces},
    {.id = kCmdRoughnessUp, .menu = L"Roughness +0.05",
     .run = [] { adjustMaterialRoughnessMetallic(L"roughness", +0.05); }},
    {.id = kCmdRoughnessDown, .menu = L"Roughness -0.05",
     .run = [] { adjustMaterialRoughnessMetallic(L"roughness", -0.05); }},
    {.id = kCmdMetallicUp, .menu = L"Metallic +0.05",
     .run = [] { adjustMaterialRoughnessMetallic(L"metallic", +0.05); }},
    {.id = kCmdMetallicDown, .menu = L"Metallic -0.05",
     .run = [] { adjustMaterialRoughnessMetallic(L"metallic", -0.05); }},
    {.id = kCmdSetColorMap, .menu = L"Set Color / Albedo Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[0]); }},
    {.id = kCmdSetNormalMap, .menu = L"Set Normal Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[1]); }},
    {.id = kCmdSetRoughnessMap, .menu = L"Set Roughness Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[2]); }},
    {.id = kCmdSetMetallicMap, .menu = L"Set Metallic Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[3]); }},
    {.id = kCmdSetAlphaMap, .menu = L"Set Alpha Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[4]); }},
    {.id = kCmdSetEmissionMap, .menu = L"Set Emission Map...", .colour = kIconMaterial,
     .run = [] { setActiveMaterialTexture(textureChannelKeys()[5]); }},
    {.id = kCmdClearColorMap, .menu = L"Clear Color Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[0]); }},
    {.id = kCmdClearNormalMap, .menu = L"Clear Normal Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[1]); }},
    {.id = kCmdClearRoughnessMap, .menu = L"Clear Roughness Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[2]); }},
    {.id = kCmdClearMetallicMap, .menu = L"Clear Metallic Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[3]); }},
    {.id = kCmdClearAlphaMap, .menu = L"Clear Alpha Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[4]); }},
    {.id = kCmdClearEmissionMap, .menu = L"Clear Emission Map",
     .run = [] { clearActiveTextureMap(textureChannelKeys()[5]); }},
    {.id = kCmdRefreshTextureStatus, .menu = L"Refresh Missing Texture Status", .run = refreshTextureMapStatus},
};

}  // namespace

std::span<const CommandRow> documentCommandRows() { return kRows; }

}  // namespace vk
