#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "model/app_state.h"
#include "model/modifier_kind_table.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "shading/modifiers.h"
#include "shading/shading_internal.h"

namespace vk {

namespace {

bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// The id's number the way a C string-to-long reads it: blanks, a sign, then
// digits up to the first other character. Nothing outside 32 bits counts.
bool parseIdNumber(std::wstring_view rest, std::int64_t& out) {
  std::size_t i = 0;
  while (i < rest.size() && isBlank(rest[i])) ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == L'+' || rest[i] == L'-')) negative = rest[i++] == L'-';
  const std::size_t digitsStart = i;
  std::int64_t value = 0;
  for (; i < rest.size() && rest[i] >= L'0' && rest[i] <= L'9'; ++i) {
    value = value * 10 + (rest[i] - L'0');
    if (value > 2147483648LL) return false;  // already beyond any 32-bit value
  }
  if (i == digitsStart) return false;
  value = negative ? -value : value;
  if (value > 2147483647LL || value < -2147483648LL) return false;
  out = value;
  return true;
}

bool stackHoldsId(const Object& owner, const std::wstring& id) {
  const auto& entries = owner.modifierStack.entries;
  return std::any_of(entries.begin(), entries.end(), [&](const Modifier& m) { return m.id == id; });
}

// A C-style wide string-to-double: blanks skipped, an optional sign, the
// longest decimal prefix. Infinity and NaN spellings count as no number.
bool parseLeadingNumber(const std::wstring& text, double& out) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  std::string ascii;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  for (; i < text.size() && text[i] < 0x80; ++i) ascii.push_back(static_cast<char>(text[i]));
  if (ascii.empty() || ascii[0] == '+' || ascii[0] == '-') return false;
  double value = 0.0;
  const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
  if (result.ec != std::errc{} || !std::isfinite(value)) return false;
  out = negative ? -value : value;
  return true;
}

ModifierParam makeDefaultParam(const ModifierParamSpec& spec) {
  switch (spec.type) {
    case ModifierParamType::boolean:
      return makeBoolParam(std::wstring(spec.key), spec.number != 0.0);
    case ModifierParamType::text:
      return makeTextParam(std::wstring(spec.key), std::wstring(spec.text));
    case ModifierParamType::number:
      break;
  }
  return makeNumberParam(std::wstring(spec.key), spec.number);
}

template <class Test>
Modifier* findEntry(Object& owner, Test matches) {
  sanitizeModifierStack(owner);
  auto& entries = owner.modifierStack.entries;
  const int active = clampSelectedModifierIndex(owner);
  if (active >= 0 && matches(entries[static_cast<std::size_t>(active)]))
    return &entries[static_cast<std::size_t>(active)];
  for (Modifier& entry : entries) {
    if (matches(entry)) return &entry;
  }
  return nullptr;
}

}  // namespace

std::wstring makeModifierId(const Object& owner) {
  std::int64_t n = 0;
  for (const Modifier& entry : owner.modifierStack.entries) {
    if (entry.id.size() < 4 || entry.id.compare(0, 4, L"mod-") != 0) continue;
    std::int64_t parsed = 0;
    if (parseIdNumber(std::wstring_view(entry.id).substr(4), parsed)) n = std::max(n, parsed);
  }
  // Ids the parse skips (past 32 bits) may still sit in the stack.
  std::wstring id = L"mod-" + std::to_wstring(n + 1);
  while (stackHoldsId(owner, id)) id = L"mod-" + std::to_wstring(++n + 1);
  return id;
}

ModifierParam makeBoolParam(const std::wstring& key, bool value) {
  return ModifierParam{key, L"bool", value ? 1.0 : 0.0, L"", value};
}

ModifierParam makeNumberParam(const std::wstring& key, double value) {
  return ModifierParam{key, L"number", value, L"", false};
}

ModifierParam makeTextParam(const std::wstring& key, const std::wstring& value) {
  return ModifierParam{key, L"text", 0.0, value, false};
}

Modifier createModifierEntry(const Object& owner, const std::wstring& type) {
  Modifier entry;
  entry.id = makeModifierId(owner);
  entry.type = type;
  entry.displayName = modifierDisplayName(type);
  entry.known = isKnownModifierKind(type);
  entry.version = 1;
  entry.enabled = true;
  entry.status = entry.known ? kKnownModifierStatus : kUnknownModifierStatus;
  if (const ModifierKindRow* row = findModifierKindRow(modifierKindOf(type))) {
    for (const ModifierParamSpec& spec : row->params) entry.parameters.push_back(makeDefaultParam(spec));
  } else {
    entry.displayName = L"Unknown Modifier";
    entry.enabled = false;
    entry.known = false;
    entry.parameters = {makeTextParam(L"sourceType", type),
                        makeTextParam(L"note", L"Preserved by Phase 46 safe fallback.")};
  }
  return entry;
}

const ModifierParam* findModifierParam(const Modifier& entry, const std::wstring& key) {
  for (const ModifierParam& param : entry.parameters) {
    if (param.key == key) return &param;
  }
  return nullptr;
}

ModifierParam* findModifierParam(Modifier& entry, const std::wstring& key) {
  return const_cast<ModifierParam*>(findModifierParam(static_cast<const Modifier&>(entry), key));
}

bool modifierBoolParam(const Modifier& entry, const std::wstring& key, bool fallback) {
  const ModifierParam* param = findModifierParam(entry, key);
  if (!param) return fallback;
  if (param->kind == L"bool") return param->flag;
  if (param->kind == L"number") return std::fabs(param->number) > 0.0001;
  return param->text == L"true" || param->text == L"on" || param->text == L"1";
}

double modifierNumberParam(const Modifier& entry, const std::wstring& key, double fallback) {
  const ModifierParam* param = findModifierParam(entry, key);
  if (!param) return fallback;
  if (param->kind == L"bool") return param->flag ? 1.0 : 0.0;
  if (param->kind == L"number" && std::isfinite(param->number)) return param->number;
  double value = 0.0;
  return parseLeadingNumber(param->text, value) ? value : fallback;
}

std::wstring modifierTextParam(const Modifier& entry, const std::wstring& key, const std::wstring& fallback) {
  const ModifierParam* param = findModifierParam(entry, key);
  if (!param) return fallback;
  if (param->kind == L"text" && !param->text.empty()) return param->text;
  if (param->kind == L"bool") return param->flag ? L"true" : L"false";
  return fixedDecimals(param->number, 2);
}

void setModifierParamBool(Modifier& entry, const std::wstring& key, bool value) {
  if (ModifierParam* param = findModifierParam(entry, key)) {
    param->kind = L"bool";
    param->flag = value;
    param->number = value ? 1.0 : 0.0;
    param->text.clear();
    return;
  }
  entry.parameters.push_back(makeBoolParam(key, value));
}

void setModifierParamNumber(Modifier& entry, const std::wstring& key, double value) {
  if (!std::isfinite(value)) value = 0.0;
  if (ModifierParam* param = findModifierParam(entry, key)) {
    param->kind = L"number";
    param->number = value;
    param->flag = std::fabs(value) > 0.0001;
    return;
  }
  entry.parameters.push_back(makeNumberParam(key, value));
}

void setModifierParamText(Modifier& entry, const std::wstring& key, const std::wstring& value) {
  if (ModifierParam* param = findModifierParam(entry, key)) {
    param->kind = L"text";
    param->text = value;
    param->number = 0.0;
    param->flag = !value.empty();
    return;
  }
  entry.parameters.push_back(makeTextParam(key, value));
}

bool isDeformerModifierName(const std::wstring& type) { return modifierKindIn(modifierKindOf(type), kKindDeformer); }

bool isDeformingModifierName(const std::wstring& type) { return modifierKindIn(modifierKindOf(type), kKindDeforming); }

int clampSelectedModifierIndex(const Object& owner) {
  const auto count = static_cast<std::int32_t>(owner.modifierStack.entries.size());
  if (count == 0) return -1;
  std::int32_t& active = appState().activeModifierIndex;
  active = std::clamp<std::int32_t>(active, 0, count - 1);
  return active;
}

Modifier* findModifierByName(Object& owner, const std::wstring& type) {
  return findEntry(owner, [&](const Modifier& m) { return m.type == type; });
}

Modifier* findDeformerModifier(Object& owner) {
  return findEntry(owner, [](const Modifier& m) { return isDeformerModifierName(m.type); });
}

int roundedModifierCount(double value, int lo, int hi) {
  if (std::isnan(value)) return lo;
  return static_cast<int>(std::round(std::clamp(value, static_cast<double>(lo), static_cast<double>(hi))));
}

}  // namespace vk
