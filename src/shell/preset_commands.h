// The presets' and capsules' share of the command table (presetCommandRows,
// shell/command_table.h) and the items of the two catalog submenus.
#pragma once

namespace vk {

// Catalog submenu items (preset or capsule row n); false, doing nothing,
// for an id that names no row of either catalog.
bool runCatalogItem(int id);

}  // namespace vk
