#include "shading/materials.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/hierarchy.h"
#include "model/math.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "shading/shading_internal.h"
#include "shading/textures.h"

namespace vk {

namespace {

constexpr std::uint32_t kNeutralGrey = 0x808080;
constexpr double kBrightThreshold = 0.42;
constexpr double kCoverageThreshold = 0.88;
constexpr std::wstring_view kColorChannel = L"color";
constexpr std::wstring_view kAlphaChannel = L"alpha";

int red(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int blue(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }

// A preview the shading may read: the file was there, decoded, and sampled.
bool previewHasSamples(const TexturePreview* preview) {
  return preview && preview->fileExists && preview->thumbnailOk && !preview->samples.empty();
}

double coverageOf(const TexturePreview& preview, Vec3 point, Vec3 normal, const Vec2* uv,
                  bool useUvBox, const Vec2* uvMin, const Vec2* uvMax) {
  int covered = 0, taken = 0;
  if (useUvBox && uvMin && uvMax) {
    const double umin = std::min(uvMin->u, uvMax->u), vmin = std::min(uvMin->v, uvMax->v);
    const double du = std::abs(uvMax->u - uvMin->u), dv = std::abs(uvMax->v - uvMin->v);
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i, ++taken)
        covered += countBrightSample(preview, umin + du * (i + 0.5) / 4.0, vmin + dv * (j + 0.5) / 4.0);
  } else {
    const Vec2 at = uv ? *uv : generatePlanarUv(point, normal);
    covered += countBrightSample(preview, at.u, at.v);
    taken = 1;
  }
  if (taken == 0) return 1.0;
  return std::clamp(static_cast<double>(covered) / taken, 0.0, 1.0);
}

}  // namespace

const Material& materialForFace(const Object& object, int faceIndex) {
  const std::vector<Material>& slots = object.materialSlots.slots;
  if (slots.empty()) return object.material;
  const auto& faces = object.meshData.faces.read();
  const std::int32_t m = faceIndex >= 0 && static_cast<std::size_t>(faceIndex) < faces.size()
                             ? faces[static_cast<std::size_t>(faceIndex)].materialIndex
                             : object.materialSlots.activeIndex;
  if (m >= 0 && static_cast<std::size_t>(m) < slots.size()) return slots[static_cast<std::size_t>(m)];
  return slots.front();
}

std::uint32_t blendColor(std::uint32_t a, std::uint32_t b, double t) {
  return packColor(mixChannel(red(a), red(b), t), mixChannel(green(a), green(b), t),
                   mixChannel(blue(a), blue(b), t));
}

Vec2 generatePlanarUv(Vec3 point, Vec3 normal) {
  const Vec3 n = vec3Normalize(normal);
  const double ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
  double u = point.x, v = point.y;
  if (ay >= ax && ay >= az) {
    v = point.z;
  } else if (ax >= ay && ax >= az) {
    u = point.z;
  }
  return {fractionalPart(1.35 * u + 0.5), fractionalPart(1.35 * v + 0.5)};
}

std::uint32_t sampleTexturePixel(const TexturePreview& preview, double u, double v) {
  const int width = preview.sampleWidth, height = preview.sampleHeight;
  if (width <= 0 || height <= 0 || preview.samples.empty()) return kNeutralGrey;
  const int x = std::clamp(static_cast<int>(std::floor(fractionalPart(u) * width)), 0, width - 1);
  const int y = std::clamp(static_cast<int>(std::floor(height * (1.0 - fractionalPart(v)))), 0, height - 1);
  const std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  return index < preview.samples.size() ? preview.samples[index] : kNeutralGrey;
}

std::uint32_t baseColorTextureSample(const Material& material, Vec3 point, Vec3 normal,
                                     std::uint32_t baseColor, bool selected,
                                     const Vec2* authoredUv) {
  return baseColorTextureSample(appState().project.scene.viewportShadingMode, material, point, normal, baseColor,
                                selected, authoredUv);
}

std::uint32_t baseColorTextureSample(ViewportShadingMode mode, const Material& material, Vec3 point, Vec3 normal,
                                     std::uint32_t baseColor, bool selected, const Vec2* authoredUv) {
  if (!shadingFillsFaces(mode)) return baseColor;
  const TextureMap* map = findTextureMap(material, kColorChannel);
  if (!map || !textureMapIsSet(*map)) return baseColor;
  const TexturePreview* preview = getTexturePreview(*map);
  if (!previewHasSamples(preview)) return baseColor;
  const Vec2 uv = authoredUv ? *authoredUv : generatePlanarUv(point, normal);
  const std::uint32_t texel = sampleTexturePixel(*preview, uv.u, uv.v);
  const std::uint32_t own = packColor(std::clamp(material.r, 0, 255), std::clamp(material.g, 0, 255),
                                      std::clamp(material.b, 0, 255));
  const std::uint32_t tint = blendColor(texel, own, authoredUv ? 0.08 : 0.16);
  return blendColor(baseColor, tint, selected ? 0.48 : authoredUv ? 0.72 : 0.62);
}

const TexturePreview* alphaMapTexture(const Material& material) {
  const TextureMap* map = findTextureMap(material, kAlphaChannel);
  if (!map || !textureMapIsSet(*map)) return nullptr;
  const TexturePreview* preview = getTexturePreview(*map);
  return previewHasSamples(preview) ? preview : nullptr;
}

int countBrightSample(const TexturePreview& preview, double u, double v) {
  const std::uint32_t texel = sampleTexturePixel(preview, u, v);
  const double luminance = std::clamp(
      0.2126 * red(texel) / 255.0 + 0.7152 * green(texel) / 255.0 + 0.0722 * blue(texel) / 255.0, 0.0, 1.0);
  return luminance >= kBrightThreshold ? 1 : 0;
}

double alphaSampleCoverage(const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                           bool useUvBox, const Vec2* uvMin, const Vec2* uvMax) {
  const TexturePreview* preview = alphaMapTexture(material);
  if (!preview) return 1.0;
  return coverageOf(*preview, point, normal, uv, useUvBox, uvMin, uvMax);
}

bool alphaTestRejects(const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                      bool useUvBox, const Vec2* uvMin, const Vec2* uvMax) {
  return alphaTestRejects(appState().project.scene.viewportShadingMode, material, point, normal, uv, useUvBox, uvMin,
                          uvMax);
}

bool alphaTestRejects(ViewportShadingMode mode, const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                      bool useUvBox, const Vec2* uvMin, const Vec2* uvMax) {
  if (!shadingFillsFaces(mode)) return false;
  const TexturePreview* preview = alphaMapTexture(material);
  return preview && coverageOf(*preview, point, normal, uv, useUvBox, uvMin, uvMax) < kCoverageThreshold;
}

bool objectUsesTextureMaps(Object& object) {
  sanitizeMaterialSlots(object);
  if (object.kind != ObjectKind::Mesh && object.kind != ObjectKind::Text &&
      object.kind != ObjectKind::Curve)
    return false;
  if (object.meshData.uvsValid && !object.meshData.uvs.empty()) return false;
  for (const Material& slot : object.materialSlots.slots)
    for (const TextureMap& map : slot.textureMaps.maps)
      if (textureMapIsSet(map)) return true;
  return false;
}

std::wstring materialSummaryText(Object& object) {
  sanitizeMaterialSlots(object);
  const std::vector<Material>& slots = object.materialSlots.slots;
  const std::size_t active = static_cast<std::size_t>(object.materialSlots.activeIndex);
  std::wstring out = L"Materials: " + std::to_wstring(slots.size()) + (slots.size() == 1 ? L" slot" : L" slots");
  for (std::size_t i = 0; i < slots.size() && i < 6; ++i) {
    const Material& slot = slots[i];
    int setMaps = 0;
    bool anyMissing = false;
    for (const TextureMap& map : slot.textureMaps.maps) {
      if (!textureMapIsSet(map)) continue;
      ++setMaps;
      anyMissing = anyMissing || map.missing;
    }
    out += L"\n  ";
    out += i == active ? L"> " : L"  ";
    out += std::to_wstring(i) + L": " + slot.name + L" RGB " + std::to_wstring(slot.r) + L"," +
           std::to_wstring(slot.g) + L"," + std::to_wstring(slot.b) + L" R " +
           fixedDecimals(slot.roughness, 2) + L" M " + fixedDecimals(slot.metallic, 2) +
           L" Tex " + std::to_wstring(setMaps);
    if (anyMissing) out += L" !";
    if (!slot.capsuleLabel.empty()) out += L"  Capsule " + slot.capsuleLabel;
    if (i != active) continue;
    for (const TextureMap& map : slot.textureMaps.maps) {
      out += L"\n    " + textureChannelDisplayName(map.channel) + L": " + textureStatusLabel(map);
      if (textureMapIsSet(map)) out += L"  " + textureFileName(map.path);
    }
  }
  if (slots.size() > 6) out += L"\n  ..." + std::to_wstring(slots.size() - 6) + L" more";
  if (active < slots.size() && !slots[active].capsuleNote.empty())
    out += L"\nCapsule note: " + slots[active].capsuleNote;
  out += L"\nMaterial menu: slots, PBR fields, face assignment, texture map metadata, and Phase 58 "
         L"Material Capsules.";
  return out;
}

namespace shading {

}  // namespace shading

Object* selectedMaterialTarget() {
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object) {
    setStatusText(L"●  Select a mesh object before editing materials");
    return nullptr;
  }
  if (object->kind != ObjectKind::Mesh && object->kind != ObjectKind::Text && object->kind != ObjectKind::Curve) {
    setStatusText(L"●  Materials apply to mesh/text/curve objects in Phase 46");
    return nullptr;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Selected object is locked; material stack was not changed");
    return nullptr;
  }
  sanitizeMaterialSlots(*object);
  return object;
}

}  // namespace vk
