#include "shading/modifiers.h"

#include <algorithm>

#include "model/app_state.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "shading/shading_internal.h"

namespace vk {

std::wstring modifierParamsSummary(const Modifier& entry) {
  std::wstring out;
  const std::size_t shown = std::min<std::size_t>(entry.parameters.size(), 4);
  for (std::size_t i = 0; i < shown; ++i) {
    const ModifierParam& param = entry.parameters[i];
    if (i) out += L", ";
    out += shownText(param.key) + L"=";
    if (param.kind == L"bool") out += param.flag ? L"on" : L"off";
    else if (param.kind == L"text") out += shownText(param.text);
    else out += fixedDecimals(param.number, 2);
  }
  if (entry.parameters.size() > 4) out += L", ...";
  return out;
}

std::wstring modifierStackSummary(Object& object, const std::vector<std::size_t>& previewLeftOut) {
  sanitizeModifierStack(object);
  const std::vector<Modifier>& entries = object.modifierStack.entries;
  std::wstring out = L"Modifiers: " + std::to_wstring(entries.size());
  if (entries.empty()) return out + L" (none - use Modifier menu to add stack entries)";
  const int active = clampSelectedModifierIndex(object);
  out += L"\n";
  const std::size_t shown = std::min<std::size_t>(entries.size(), 8);
  for (std::size_t i = 0; i < shown; ++i) {
    const Modifier& entry = entries[i];
    out += static_cast<int>(i) == active ? L"* " : L"  ";
    out += std::to_wstring(i + 1) + L". " + (entry.enabled ? L"[on] " : L"[off] ");
    out += shownText(entry.displayName) + L" (" + shownText(entry.type) + L")";
    if (!entry.known) out += L" SAFE-FALLBACK";
    const std::wstring params = modifierParamsSummary(entry);
    if (!params.empty()) out += L"\n     " + params;
    out += L"\n";
  }
  if (entries.size() > 8) out += L"  ..." + std::to_wstring(entries.size() - 8) + L" more\n";
  if (!previewLeftOut.empty()) {
    out += L"Left out of the preview (past 500,000 faces): " + modifierLeftOutText(object, previewLeftOut) + L"\n";
  }
  out +=
      L"Active modifier: Modifier menu edits stack order. Mirror/Array/Bevel/Solidify/Subdivision "
      L"plus Bend/Twist/Taper/Lattice have live viewport preview controls.";
  return out;
}

}  // namespace vk
