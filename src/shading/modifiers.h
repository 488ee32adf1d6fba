// Modifier stacks as the viewport and inspector see them.
//
// STUBS until the modifiers work lands: objectNeedsModifierPreview always
// answers false and evaluateModifierStack returns no previews, so every
// object is drawn as itself. modifierStackSummary is complete.
#pragma once

#include <string>
#include <vector>

#include "model/types.h"

namespace vk {

// STUB: false for every object until modifier previews exist.
bool objectNeedsModifierPreview(const Object& object);

// STUB: no preview objects until modifier previews exist.
std::vector<Object> evaluateModifierStack(const Object& object);

// The first four parameters as "key=value", joined with ", ", and ", ..."
// when there are more; "" without parameters.
std::wstring modifierParamsSummary(const Modifier& entry);

// The inspector's modifier block. Sanitizes the stack in place and clamps
// AppState::activeModifierIndex into a non-empty stack.
std::wstring modifierStackSummary(Object& object);

}  // namespace vk
