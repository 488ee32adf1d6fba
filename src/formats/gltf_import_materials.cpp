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

// The "index" of a texture-info object member, or none.
std::optional<std::int32_t> textureIndex(const JsonObjectIndex& owner, std::string_view key) {
  const auto info = findNestedObject(owner, key);
  if (!info) return std::nullopt;
  return jsonWholeNumber(findNumber(indexNested(owner, *info), "index", -1.0));
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
  ensureMaterialTextureMaps(material);
  auto& maps = material.textureMaps.maps;
  auto found = std::find_if(maps.begin(), maps.end(), [&](const TextureMap& m) { return m.channel == channel; });
  if (found == maps.end()) {
    maps.emplace_back();
    maps.back().channel = channel;
    found = maps.end() - 1;
  }
  TextureMap& map = *found;
  const PendingGltfImage& image = document.images[static_cast<std::size_t>(s)];
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
  JsonBracketTable table = buildJsonBracketTable(materialsArray);
  // Past the budget materials are not built: their faces take the first slot.
  const auto items = firstJsonObjects(materialsArray, &table, kImportMaterialBudget);
  GltfMaterialCounters& counters = document.materialCounters;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const JsonObjectIndex m = indexJsonObject(items[i], &table);
    Material material = makeImportedObjDefaultMaterial();
    material.name = sanitizeLabelText(findString(m, "name", L""));
    if (material.name.empty()) material.name = L"glTF Material " + std::to_wstring(i + 1);
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
    if (const auto pbrText = findNestedObject(m, "pbrMetallicRoughness")) {
      const JsonObjectIndex pbr = indexNested(m, *pbrText);
      const auto factor = gltfNumberArray(pbr, "baseColorFactor", 4);
      if (factor.size() >= 3) {
        ++counters.baseColor;
        material.r = colourByte(factor[0]);
        material.g = colourByte(factor[1]);
        material.b = colourByte(factor[2]);
        if (factor.size() >= 4) material.alpha = std::clamp(factor[3], 0.0, 1.0);
      }
      if (pbr.find("metallicFactor")) ++counters.metallic;
      if (pbr.find("roughnessFactor")) ++counters.roughness;
      material.metallic = std::clamp(findNumber(pbr, "metallicFactor", material.metallic), 0.0, 1.0);
      material.roughness = std::clamp(findNumber(pbr, "roughnessFactor", material.roughness), 0.0, 1.0);
      if (const auto t = textureIndex(pbr, "baseColorTexture")) {
        baseColorTexture = *t;
        phase65ImportStageTexture(material, L"color", *t, document);
      }
      if (const auto t = textureIndex(pbr, "metallicRoughnessTexture"))
        phase65ImportStageTexture(material, L"roughness", *t, document);
    }
    if (const auto t = textureIndex(m, "normalTexture")) {
      phase65ImportStageTexture(material, L"normal", *t, document);
      ++counters.normalTexture;
    }
    if (const auto t = textureIndex(m, "emissiveTexture")) phase65ImportStageTexture(material, L"emission", *t, document);
    const auto emissive = gltfNumberArray(m, "emissiveFactor", 3);
    if (emissive.size() >= 3) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) sum += std::clamp(emissive[static_cast<std::size_t>(k)], -8.0, 8.0);
      material.emission = std::clamp(2.0 * sum / 3.0, 0.0, 4.0);
      ++counters.emissive;
    }
    const std::wstring alphaMode = findString(m, "alphaMode", L"OPAQUE");
    if ((alphaMode == L"MASK" || alphaMode == L"BLEND") && baseColorTexture >= 0) {
      phase65ImportStageTexture(material, L"alpha", baseColorTexture, document);
      ++counters.alphaMaps;
    }
    ensureMaterialTextureMaps(material);
    document.materials.push_back(std::move(material));
  }
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
