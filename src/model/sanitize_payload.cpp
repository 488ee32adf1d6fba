// Repair rules for the payloads one object carries: material slots and their
// texture maps, camera and light settings, the modifier stack, transforms and
// the capsule and import texts.
#include <algorithm>
#include <cmath>

#include "model/import_guards.h"
#include "model/modifier_kind_table.h"
#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {

double clampOrDefault(double value, double lo, double hi, double fallback) {
  if (std::isnan(value)) return fallback;
  return value < lo ? lo : (value > hi ? hi : value);
}

std::int32_t clampInt(std::int32_t value, std::int32_t lo, std::int32_t hi) {
  return value < lo ? lo : (value > hi ? hi : value);
}

double sanitizeFiniteValue(double value, double fallback, double min, double max) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e6) return fallback;
  return value < min ? min : (value > max ? max : value);
}

// A text that comes out empty takes the default, so a second pass cannot
// change it again.
std::wstring capTextOrDefault(const std::wstring& text, std::size_t cap, const std::wstring& fallback) {
  std::wstring capped = trimToSingleLine(text, cap);
  return capped.empty() ? fallback : capped;
}

std::wstring sanitizeLabelText(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (out.size() >= kLabelTextCharLimit) break;
    if (c == L'\r' || c == L'\n' || c == L'\t') {
      out += L' ';
    } else if ((c >= 0 && c < 0x20) || (c >= 0x7F && c <= 0x9F)) {
      continue;
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

const Material kDefaultMaterial{};

void sanitizeMaterialFields(Material& slot, std::size_t position) {
  slot.name = capTextOrDefault(slot.name, kMaterialSlotNameCharLimit, L"Material " + std::to_wstring(position + 1));
  slot.r = clampInt(slot.r, 0, 255);
  slot.g = clampInt(slot.g, 0, 255);
  slot.b = clampInt(slot.b, 0, 255);
  slot.roughness = clampOrDefault(slot.roughness, 0.0, 1.0, kDefaultMaterial.roughness);
  slot.metallic = clampOrDefault(slot.metallic, 0.0, 1.0, kDefaultMaterial.metallic);
  slot.alpha = clampOrDefault(slot.alpha, 0.05, 1.0, kDefaultMaterial.alpha);
  slot.emission = clampOrDefault(slot.emission, 0.0, 4.0, kDefaultMaterial.emission);
  slot.capsuleId = trimToSingleLine(slot.capsuleId, kCapsuleIdCharLimit);
  slot.capsuleLabel = trimToSingleLine(slot.capsuleLabel, kCapsuleLabelCharLimit);
  slot.capsuleNote = trimToSingleLine(slot.capsuleNote, kMaterialCapsuleNoteCharLimit);
  ensureMaterialTextureMaps(slot);
}

bool texturePathFileBased(const TextureMap& map) { return !textureSourceIsNonFile(map); }

}  // namespace

void clampFaceMaterialIndices(MeshData& mesh, std::int32_t slotCount) {
  const std::int32_t maxIndex = std::max(0, slotCount - 1);
  const auto& faces = mesh.faces.read();
  const auto& current = mesh.faceMaterialIndices.read();
  bool facesNeedClamp = false;
  bool listMatches = current.size() == faces.size();
  for (std::size_t i = 0; i < faces.size(); ++i) {
    const std::int32_t index = faces[i].materialIndex;
    if (index < 0 || index > maxIndex) {
      facesNeedClamp = true;
      break;
    }
    if (listMatches && current[i] != index) listMatches = false;
  }
  if (!facesNeedClamp && listMatches) return;
  if (facesNeedClamp) {
    for (MeshFace& face : mesh.faces.write()) face.materialIndex = clampInt(face.materialIndex, 0, maxIndex);
  }
  std::vector<std::int32_t> rebuilt;
  rebuilt.reserve(mesh.faces.size());
  for (const MeshFace& face : mesh.faces) rebuilt.push_back(face.materialIndex);
  mesh.faceMaterialIndices = std::move(rebuilt);
}

void sanitizeMaterialSlots(Object& object) {
  auto& slots = object.materialSlots.slots;
  if (slots.empty()) {
    Material first = object.material;
    if (first.name.empty()) first.name = object.name.empty() ? L"Material 1" : object.name + L" Material";
    slots.push_back(std::move(first));
  }
  if (slots.size() > kMaterialSlotLimit) slots.resize(kMaterialSlotLimit);
  const auto slotCount = static_cast<std::int32_t>(slots.size());
  object.materialSlots.activeIndex = clampInt(object.materialSlots.activeIndex, 0, slotCount - 1);
  for (std::size_t i = 0; i < slots.size(); ++i) sanitizeMaterialFields(slots[i], i);
  object.material = slots[static_cast<std::size_t>(object.materialSlots.activeIndex)];
  clampFaceMaterialIndices(object.meshData, slotCount);
}

void ensureMaterialTextureMaps(Material& material) {
  const auto& stored = material.textureMaps.maps;
  if (stored.empty()) {
    // The common case of every new or read material: the six unset maps.
    static const std::vector<TextureMap> unset = [] {
      std::vector<TextureMap> maps;
      for (const std::wstring& key : textureChannelKeys()) {
        TextureMap map;
        map.channel = key;
        map.colorSpace = defaultColorSpaceForSlot(key);
        maps.push_back(std::move(map));
      }
      return maps;
    }();
    material.textureMaps.maps = unset;
    return;
  }
  const std::vector<std::wstring>& keys = textureChannelKeys();
  auto repairStored = [](TextureMap& map, const std::wstring& key) {
    map.channel = key;
    if (!map.path.empty()) map.path = sanitizeTexturePath(map.path);
    if (map.colorSpace.empty()) map.colorSpace = defaultColorSpaceForSlot(key);
    map.enabled = map.enabled && !map.path.empty();
    if (!texturePathFileBased(map)) {
      map.relative = false;
    } else if (!map.relative) {
      map.relative = !texturePathIsAbsolute(map.path);
    }
  };
  auto refreshFlags = [](TextureMap& map) {
    const bool fileBased = texturePathFileBased(map);
    map.lazyPreview = map.lazyPreview || (map.enabled && fileBased);
    map.missing = map.enabled && fileBased && !pathEntryExists(resolveTexturePathAbsolute(map));
  };
  // Already one map per channel in channel order (every material the studio
  // itself made): repaired in place instead of rebuilt.
  bool canonical = stored.size() == keys.size();
  for (std::size_t k = 0; canonical && k < keys.size(); ++k) canonical = stored[k].channel == keys[k];
  if (canonical) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      TextureMap& map = material.textureMaps.maps[k];
      repairStored(map, keys[k]);
      refreshFlags(map);
    }
    return;
  }
  std::vector<TextureMap> rebuilt;
  rebuilt.reserve(keys.size());
  for (const std::wstring& key : keys) {
    auto found = std::find_if(stored.begin(), stored.end(),
                              [&](const TextureMap& m) { return m.channel == key; });
    TextureMap map;
    if (found != stored.end()) {
      map = *found;
      repairStored(map, key);
    } else {
      map.channel = key;
      map.colorSpace = defaultColorSpaceForSlot(key);
    }
    refreshFlags(map);
    rebuilt.push_back(std::move(map));
  }
  material.textureMaps.maps = std::move(rebuilt);
}

CameraSettings sanitizeCameraSettings(const CameraSettings& camera) {
  static const CameraSettings defaults{};
  CameraSettings out = camera;
  out.fov = clampOrDefault(camera.fov, 1.0, 179.0, defaults.fov);
  out.nearClip = clampOrDefault(camera.nearClip, 0.001, 1000.0, defaults.nearClip);
  const double far = std::isnan(camera.farClip) ? defaults.farClip : camera.farClip;
  if (far > 100000.0) {
    out.farClip = 100000.0;
  } else if (far < out.nearClip + 0.01) {
    out.farClip = out.nearClip + 0.01;
  } else {
    out.farClip = far;
  }
  out.aspect = clampOrDefault(camera.aspect, 0.25, 4.0, defaults.aspect);
  return out;
}

namespace {

// A light's number fields, as stored and as repaired: the repair and its
// check share these rules.
struct LightNumbers {
  double intensity, range, spotAngle, areaSize;
  std::int32_t r, g, b;
  bool operator==(const LightNumbers&) const = default;
};

LightNumbers numbersOf(const LightSettings& light) {
  return {light.intensity, light.range, light.spotAngle, light.areaSize, light.r, light.g, light.b};
}

LightNumbers repairedNumbers(const LightSettings& light) {
  static const LightSettings defaults{};
  return {clampOrDefault(light.intensity, 0.0, 100.0, defaults.intensity),
          clampOrDefault(light.range, 0.1, 10000.0, defaults.range),
          clampOrDefault(light.spotAngle, 1.0, 170.0, defaults.spotAngle),
          clampOrDefault(light.areaSize, 0.05, 500.0, defaults.areaSize),
          clampInt(light.r, 0, 255),
          clampInt(light.g, 0, 255),
          clampInt(light.b, 0, 255)};
}

// True when trimToSingleLine(text, maxLength) would return `text` unchanged.
bool isSingleLineWithin(std::wstring_view text, std::size_t maxLength) {
  return text.size() <= maxLength && std::none_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0 && c < 32; });
}

}  // namespace

LightSettings sanitizeLightSettings(const LightSettings& light) {
  LightSettings out = light;
  out.type = normalizeLightType(light.type);
  const LightNumbers numbers = repairedNumbers(light);
  out.intensity = numbers.intensity;
  out.range = numbers.range;
  out.spotAngle = numbers.spotAngle;
  out.areaSize = numbers.areaSize;
  out.r = numbers.r;
  out.g = numbers.g;
  out.b = numbers.b;
  out.capsuleId = trimToSingleLine(light.capsuleId, kCapsuleIdCharLimit);
  out.capsuleLabel = trimToSingleLine(light.capsuleLabel, kCapsuleLabelCharLimit);
  out.capsuleNote = trimToSingleLine(light.capsuleNote, kMaterialCapsuleNoteCharLimit);
  return out;
}

bool lightSettingsAreSanitized(const LightSettings& light) {
  return isLightTypeName(light.type) && repairedNumbers(light) == numbersOf(light) &&
         isSingleLineWithin(light.capsuleId, kCapsuleIdCharLimit) &&
         isSingleLineWithin(light.capsuleLabel, kCapsuleLabelCharLimit) &&
         isSingleLineWithin(light.capsuleNote, kMaterialCapsuleNoteCharLimit);
}

void sanitizeCameraLightSettings(Object& object) {
  object.camera = sanitizeCameraSettings(object.camera);
  object.light = sanitizeLightSettings(object.light);
}

void sanitizeModifierStack(Object& object) {
  auto& entries = object.modifierStack.entries;
  if (entries.size() > 64) entries.resize(64);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Modifier& entry = entries[i];
    if (entry.id.empty()) entry.id = L"mod-" + std::to_wstring(i + 1);
    if (entry.type.empty()) entry.type = L"Unknown";
    entry.known = isKnownModifierKind(entry.type);
    if (entry.displayName.empty()) entry.displayName = modifierDisplayName(entry.type);
    if (!entry.known) entry.enabled = false;
    if (entry.status.empty()) {
      entry.status = entry.known ? kKnownModifierStatus : kUnknownModifierStatus;
    }
    if (entry.parameters.size() > 64) entry.parameters.resize(64);
    for (ModifierParam& param : entry.parameters) {
      if (param.key.empty()) param.key = L"param";
      if (param.kind != L"number" && param.kind != L"bool" && param.kind != L"text") param.kind = L"number";
      if (!std::isfinite(param.number)) param.number = 0.0;
    }
  }
}

std::wstring sanitizeAxis(const std::wstring& axis) {
  if (axis == L"X" || axis == L"x") return L"X";
  if (axis == L"Z" || axis == L"z") return L"Z";
  return L"Y";
}

Transform sanitizeTransformValues(const Vec3& position, const Vec3& rotation, const Vec3& scale) {
  auto scaleComponent = [](double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 1e6 || std::fabs(v) < 0.0001) return 1.0;
    return std::clamp(v, -1000.0, 1000.0);
  };
  Transform out;
  out.position = {sanitizeFiniteValue(position.x, 0.0, -100000.0, 100000.0),
                  sanitizeFiniteValue(position.y, 0.0, -100000.0, 100000.0),
                  sanitizeFiniteValue(position.z, 0.0, -100000.0, 100000.0)};
  out.rotation = {sanitizeFiniteValue(rotation.x, 0.0, -36000.0, 36000.0),
                  sanitizeFiniteValue(rotation.y, 0.0, -36000.0, 36000.0),
                  sanitizeFiniteValue(rotation.z, 0.0, -36000.0, 36000.0)};
  out.scale = {scaleComponent(scale.x), scaleComponent(scale.y), scaleComponent(scale.z)};
  return out;
}

void sanitizeImportedTransform(Object& object) {
  const Transform& t = object.transform;
  object.transform = sanitizeTransformValues(t.position, t.rotation, t.scale);
}

void sanitizeObjectCapsuleFields(Object& object) {
  object.objectCapsuleId = trimToSingleLine(object.objectCapsuleId, kCapsuleIdCharLimit);
  object.objectCapsuleLabel = trimToSingleLine(object.objectCapsuleLabel, kCapsuleLabelCharLimit);
  object.objectCapsuleNote = trimToSingleLine(object.objectCapsuleNote, kObjectCapsuleNoteCharLimit);
  object.importedMeshEditSafety = trimToSingleLine(object.importedMeshEditSafety, kImportedMeshEditSafetyCharLimit);
  if (!phase65FromGltfImport(object)) {
    object.importedMeshReadOnly = false;
    object.importedMeshConvertedEditable = false;
    object.importedMeshSafeSelectionOnly = false;
    object.importedMeshEditSafety.clear();
  }
}

}  // namespace vk
