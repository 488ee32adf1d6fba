// glTF import materials: PBR factors to the studio's material and texture
// references staged as metadata (images are never decoded during import).
#include <algorithm>
#include <cmath>

#include "formats/gltf_import.h"
#include "formats/import_file.h"
#include "formats/obj_import.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/json.h"
#include "platform/kernel.h"
#include "shading/textures.h"

namespace vk {

namespace {

constexpr const wchar_t* kMaterialCapsuleId = L"phase65-gltf-material";
constexpr const wchar_t* kMaterialCapsuleLabel = L"glTF Material Import";

std::int32_t colourByte(double value) {
  return static_cast<std::int32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// The "index" of a texture-info object member, or none when the member's
// value is no object.
std::optional<std::int32_t> textureIndex(const JsonMember& member) {
  const auto info = jsonObjectBody(member);
  if (!info) return std::nullopt;
  static constexpr std::string_view kKeys[] = {"index"};
  JsonFieldMatcher fields(kKeys, std::size(kKeys));
  double index = -1.0;
  forEachJsonMember(*info, [&](const JsonMember& m) {
    if (fields.match(m) == 0) jsonNumberValue(m, index);
  });
  return jsonWholeNumber(index);
}

// What one material object says, met in one walk over its members (and its
// "pbrMetallicRoughness" object's); applied afterwards in a fixed order, so
// texture slots are staged alike whatever order the members come in.
struct MaterialFields {
  std::optional<std::string_view> name, alphaMode;
  double baseColor[4] = {};
  std::size_t baseColorCount = 0;
  std::optional<double> metallic, roughness;  // present members (a value that is no number keeps the default)
  bool hasMetallic = false, hasRoughness = false, hasPbr = false;
  std::optional<std::int32_t> baseColorTexture, metallicRoughnessTexture, normalTexture, emissiveTexture;
  double emissive[3] = {};
  std::size_t emissiveCount = 0;
};

void readPbr(std::string_view body, MaterialFields& out) {
  static constexpr std::string_view kKeys[] = {"baseColorFactor", "metallicFactor", "roughnessFactor",
                                               "baseColorTexture", "metallicRoughnessTexture"};
  JsonFieldMatcher fields(kKeys, std::size(kKeys));
  forEachJsonMember(body, [&](const JsonMember& m) {
    switch (fields.match(m)) {
      case 0: out.baseColorCount = gltfNumbers(m, out.baseColor, 4); break;
      case 1:
        out.hasMetallic = true;
        if (double v = 0; jsonNumberValue(m, v)) out.metallic = v;
        break;
      case 2:
        out.hasRoughness = true;
        if (double v = 0; jsonNumberValue(m, v)) out.roughness = v;
        break;
      case 3: out.baseColorTexture = textureIndex(m); break;
      case 4: out.metallicRoughnessTexture = textureIndex(m); break;
      default: break;
    }
  });
}

MaterialFields readMaterialFields(const auto& members) {
  static constexpr std::string_view kKeys[] = {"name",           "pbrMetallicRoughness", "normalTexture",
                                               "emissiveTexture", "emissiveFactor",       "alphaMode"};
  JsonFieldMatcher fields(kKeys, std::size(kKeys));
  MaterialFields out;
  members([&](const JsonMember& m) {
    switch (fields.match(m)) {
      case 0: out.name = jsonStringBody(m); break;
      case 1:
        if (const auto pbr = jsonObjectBody(m)) out.hasPbr = true, readPbr(*pbr, out);
        break;
      case 2: out.normalTexture = textureIndex(m); break;
      case 3: out.emissiveTexture = textureIndex(m); break;
      case 4: out.emissiveCount = gltfNumbers(m, out.emissive, 3); break;
      case 5: out.alphaMode = jsonStringBody(m); break;
      default: break;
    }
  });
  return out;
}

}  // namespace

Material gltfDefaultMaterial() {
  Material m = makeImportedObjDefaultMaterial();
  m.name = L"Default";
  m.r = m.g = m.b = 255;
  m.metallic = 1.0;
  m.roughness = 1.0;
  m.capsuleId = kMaterialCapsuleId;
  m.capsuleLabel = kMaterialCapsuleLabel;
  m.capsuleNote = L"glTF default material for primitives that name none.";
  ensureMaterialTextureMaps(m);
  return m;
}

void phase65ImportStageTexture(Material& material, const std::wstring& channel, std::int32_t t,
                               PendingGltfDocument& document) {
  if (t < 0 || static_cast<std::size_t>(t) >= document.textureSources.size()) return;
  const std::int32_t s = document.textureSources[static_cast<std::size_t>(t)];
  if (s < 0 || static_cast<std::size_t>(s) >= document.images.size()) return;
  const PendingGltfImage& image = document.images[static_cast<std::size_t>(s)];
  if (image.refused) return;  // reported with the image
  ensureMaterialTextureMaps(material);
  auto& maps = material.textureMaps.maps;
  auto found = std::find_if(maps.begin(), maps.end(), [&](const TextureMap& m) { return m.channel == channel; });
  if (found == maps.end()) {
    maps.emplace_back();
    maps.back().channel = channel;
    found = maps.end() - 1;
  }
  TextureMap& map = *found;
  map.enabled = true;
  map.colorSpace = defaultColorSpaceForSlot(channel);
  if (image.external) {
    // Stored paths follow the project, not the glTF file: the URI becomes
    // the file it names, kept as the texture store keeps any chosen file.
    bool storedRelative = false;
    map.path = storableTexturePath(resolveWavefrontReference(document.baseDirectory, wideToUtf8(image.fileText)),
                                   storedRelative);
    map.relative = storedRelative || !texturePathIsAbsolute(map.path);
  } else {
    map.path = sanitizeTexturePath(image.uri);
    map.relative = false;
  }
  map.missing = image.external && image.missingExternal;
  map.sourceKind = !image.sourceKind.empty() ? image.sourceKind : image.external ? L"external" : L"metadata-only";
  map.mimeType = image.mimeType;
  map.stagingNote = image.note;
  map.textureIndex = t;
  map.imageIndex = s;
  map.bufferView = image.bufferView;
  map.byteLength = image.byteLength;
  map.embedded = image.embedded;
  map.dataUri = image.dataUri;
  map.deferredDecode = image.embedded || image.dataUri || !image.external;
  map.lazyPreview = image.external && !image.missingExternal;
  map.unsupportedFormat = image.notDecodable;
  if (textureSourceIsNonFile(map)) map.missing = false;
  ++document.imageCounters.stagedMaps;
  if (map.lazyPreview) ++document.imageCounters.lazyPreviewMaps;
  if (map.unsupportedFormat) ++document.imageCounters.unsupportedFormatMaps;
}

void phase65LoadMaterials(PendingGltfDocument& document, std::string_view materialsArray, bool present) {
  GltfMaterialCounters& counters = document.materialCounters;
  // Past the budget materials are not built: their faces take the first slot.
  std::size_t read = 0;
  forEachJsonObjectElement(materialsArray, [&](auto&& members) {
    // The walk tells whether the object was closed only at its end; what an
    // unclosed one said is dropped.
    bool closed = false;
    const MaterialFields f = readMaterialFields([&](auto&& fn) { return closed = members(fn); });
    if (!closed) return false;
    Material material = makeImportedObjDefaultMaterial();
    material.name = sanitizeLabelText(f.name ? jsonUnescapeToWide(*f.name) : std::wstring());
    if (material.name.empty()) material.name = L"glTF Material " + std::to_wstring(read + 1);
    material.capsuleId = kMaterialCapsuleId;
    material.capsuleLabel = kMaterialCapsuleLabel;
    material.capsuleNote =
        L"Imported from glTF/GLB material metadata. Phase 65.4 preserves texture slots as staged metadata and defers "
        L"image decode.";
    // glTF's own defaults: white, opaque, fully metallic and rough.
    material.r = material.g = material.b = 255;
    material.alpha = 1.0;
    material.metallic = 1.0;
    material.roughness = 1.0;
    std::int32_t baseColorTexture = -1;
    if (f.hasPbr) {
      if (f.baseColorCount >= 3) {
        ++counters.baseColor;
        material.r = colourByte(f.baseColor[0]);
        material.g = colourByte(f.baseColor[1]);
        material.b = colourByte(f.baseColor[2]);
        if (f.baseColorCount >= 4) material.alpha = std::clamp(f.baseColor[3], 0.0, 1.0);
      }
      if (f.hasMetallic) ++counters.metallic;
      if (f.hasRoughness) ++counters.roughness;
      material.metallic = std::clamp(f.metallic.value_or(material.metallic), 0.0, 1.0);
      material.roughness = std::clamp(f.roughness.value_or(material.roughness), 0.0, 1.0);
      if (f.baseColorTexture) {
        baseColorTexture = *f.baseColorTexture;
        phase65ImportStageTexture(material, L"color", baseColorTexture, document);
      }
      if (f.metallicRoughnessTexture)
        phase65ImportStageTexture(material, L"roughness", *f.metallicRoughnessTexture, document);
    }
    if (f.normalTexture) {
      phase65ImportStageTexture(material, L"normal", *f.normalTexture, document);
      ++counters.normalTexture;
    }
    if (f.emissiveTexture) phase65ImportStageTexture(material, L"emission", *f.emissiveTexture, document);
    if (f.emissiveCount >= 3) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) sum += std::clamp(f.emissive[k], -8.0, 8.0);
      material.emission = std::clamp(2.0 * sum / 3.0, 0.0, 4.0);
      ++counters.emissive;
    }
    const std::wstring alphaMode = f.alphaMode ? jsonUnescapeToWide(*f.alphaMode) : L"OPAQUE";
    if ((alphaMode == L"MASK" || alphaMode == L"BLEND") && baseColorTexture >= 0) {
      phase65ImportStageTexture(material, L"alpha", baseColorTexture, document);
      ++counters.alphaMaps;
    }
    ensureMaterialTextureMaps(material);
    document.materials.push_back(std::move(material));
    return ++read < kGltfImportMaterialLimit;
  });
  document.materialsDeclared = !document.materials.empty();
  if (!present) {
    Material fallback = makeImportedObjDefaultMaterial();
    fallback.name = L"Imported glTF Default";
    fallback.capsuleId = kMaterialCapsuleId;
    fallback.capsuleLabel = kMaterialCapsuleLabel;
    fallback.capsuleNote = L"Default material created because the imported glTF/GLB had no material array.";
    document.materials.push_back(std::move(fallback));
  } else if (document.materials.empty()) {
    document.materials.push_back(makeImportedObjDefaultMaterial());
  }
}

}  // namespace vk
