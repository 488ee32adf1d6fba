// The dispatcher rows of the presets and capsules: browser commands, direct
// applies and the items of the two catalog submenus.
#pragma once

#include <functional>

namespace vk {

using CommandRegistrar = std::function<void(int id, std::function<void()> operation)>;

void addPresetCommands(const CommandRegistrar& add);
// Catalog submenu items (preset or capsule row n); false, doing nothing,
// for an id that names no row of either catalog.
bool runCatalogItem(int id);

}  // namespace vk
