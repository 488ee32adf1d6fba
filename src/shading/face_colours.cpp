#include "shading/face_colours.h"

#include <algorithm>
#include <cmath>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/sanitize.h"
#include "platform/palette.h"
#include "shading/shading_internal.h"

namespace vk {

namespace {

// The lit model's factors: a fixed ambient term plus each visible light's
// share, the sum kept between a floor and an over-bright ceiling.
constexpr double kLightWithoutLights = 0.58;  // an empty scene or one with no visible light
constexpr double kAmbientLight = 0.3;
constexpr double kDirectionalWeight = 0.35;
constexpr double kPointWeight = 0.45;             // point, spot and area lights
constexpr double kAreaSoftBase = 0.55;            // an area light's share at any distance...
constexpr double kAreaSoftBySize = 0.45;          // ...plus this much as its size reaches the distance
constexpr double kMinLightDistance = 0.001;
constexpr double kMinLightRange = 0.1;
constexpr double kMinSpotConeWidth = 0.001;  // 1 - cos of the half angle, kept above zero
constexpr double kLightFloor = 0.12;
constexpr double kLightCeiling = 1.35;
constexpr std::size_t kLitLightLimit = 64;

// The surface colour: the material's colour mixed towards the viewport's
// dark base by a factor from the light, the selection, emission and alpha.
constexpr double kSurfaceLightWeight = 0.42;
constexpr double kSurfaceLightOffset = 0.7;
constexpr double kSurfaceSelectedScale = 0.66;
constexpr double kSurfaceUnselectedScale = 0.42;
constexpr double kEmissionWeight = 0.1;
constexpr double kEmissionCeiling = 0.92;
constexpr double kSurfaceFloor = 0.05;
constexpr double kSurfaceCeiling = 0.95;
constexpr double kSurfaceBaseRed = 17.0, kSurfaceBaseGreen = 22.0, kSurfaceBaseBlue = 30.0;

}  // namespace

// ---- By mode -----------------------------------------------------------------------

bool shadingFillsFaces(ViewportShadingMode mode) { return mode != ViewportShadingMode::Wireframe; }

bool shadingShowsAlpha(ViewportShadingMode mode) {
  return shadingFillsFaces(mode) && mode != ViewportShadingMode::Solid;
}

std::uint32_t shadedFaceColour(ViewportShadingMode mode, const SceneLighting& lighting, const Material& material,
                               const Vec3& point, const Vec3& normal, bool selected) {
  switch (mode) {
    case ViewportShadingMode::Solid: return selected ? kMeshSolidSelected : kMeshSolid;
    case ViewportShadingMode::MaterialPreview: return materialShadeColor(material, normal, selected);
    default: return litSurfaceColor(lighting, material, point, normal, selected);
  }
}

// ---- Lit -------------------------------------------------------------------------

SceneLighting collectSceneLighting() {
  SceneLighting lighting;
  const Scene& scene = appState().project.scene;
  lighting.sceneEmpty = scene.objects.empty();
  for (const Object& object : scene.objects) {
    if (object.kind != ObjectKind::Light || !isEffectivelyVisible(scene, object)) continue;
    const LightSettings& settings = object.light;
    LightSample light;
    if (settings.type == L"Directional") {
      light.kind = LightKind::Directional;
    } else if (settings.type == L"Spot") {
      light.kind = LightKind::Spot;
    } else if (settings.type == L"Area") {
      light.kind = LightKind::Area;
    }
    light.position = object.transform.position;
    light.axis = vec3Normalize(rotateEulerDegrees({0.0, 0.0, 1.0}, object.transform.rotation));
    light.intensity = clampKeepNan(settings.intensity, 0.0, 100.0);
    light.range = settings.range;
    light.cosHalfAngle = std::cos(degreesToRadians(clampKeepNan(settings.spotAngle, 1.0, 170.0)) / 2.0);
    light.areaSize = settings.areaSize;
    lighting.lights.push_back(light);
    if (lighting.lights.size() == kLitLightLimit) break;
  }
  return lighting;
}

double lightContributionAt(const SceneLighting& lighting, const Vec3& point, const Vec3& normalIn) {
  const Vec3 n = vec3Normalize(normalIn);
  if (lighting.sceneEmpty || lighting.lights.empty()) return kLightWithoutLights;
  double total = kAmbientLight;
  for (const LightSample& light : lighting.lights) {
    if (light.kind == LightKind::Directional) {
      // The light travels along its axis; the direction towards it is -axis.
      total += std::max(0.0, vec3Dot(n, -light.axis)) * light.intensity * kDirectionalWeight;
      continue;
    }
    const Vec3 v = point - light.position;
    const double dist = std::max(vec3Length(v), kMinLightDistance);
    const Vec3 toLight = -v / dist;
    const double falloff = clampKeepNan(1.0 - dist / std::max(light.range, kMinLightRange), 0.0, 1.0);
    double contribution = std::max(0.0, vec3Dot(n, toLight)) * falloff * falloff * light.intensity * kPointWeight;
    if (light.kind == LightKind::Spot) {
      const double c = light.cosHalfAngle;
      contribution *=
          clampKeepNan((vec3Dot(light.axis, v / dist) - c) / std::max(1.0 - c, kMinSpotConeWidth), 0.0, 1.0);
    } else if (light.kind == LightKind::Area) {
      contribution *=
          kAreaSoftBase + kAreaSoftBySize * clampKeepNan(light.areaSize / std::max(dist, kMinLightRange), 0.0, 1.0);
    }
    total += contribution;
  }
  return clampKeepNan(total, kLightFloor, kLightCeiling);
}

std::uint32_t litSurfaceColor(const SceneLighting& lighting, const Material& material, const Vec3& point,
                              const Vec3& normal, bool selected) {
  const double light = lightContributionAt(lighting, point, normal);
  double f = (light * kSurfaceLightWeight + kSurfaceLightOffset) *
             (selected ? kSurfaceSelectedScale : kSurfaceUnselectedScale);
  if (material.emission > 0.0) f = std::min(f + material.emission * kEmissionWeight, kEmissionCeiling);
  f = f * clampKeepNan(material.alpha, kFaceMinAlpha, 1.0);
  f = clampKeepNan(f, kSurfaceFloor, kSurfaceCeiling);
  auto channel = [f](double base, double value) {
    return static_cast<int>(static_cast<std::int64_t>(std::trunc(base + (value - base) * f)) & 0xFF);
  };
  return packColor(channel(kSurfaceBaseRed, material.r), channel(kSurfaceBaseGreen, material.g),
                   channel(kSurfaceBaseBlue, material.b));
}

double lightContributionAt(const Vec3& point, const Vec3& normal) {
  return lightContributionAt(collectSceneLighting(), point, normal);
}

std::uint32_t litSurfaceColor(const Material& material, const Vec3& point, const Vec3& normal, bool selected) {
  return litSurfaceColor(collectSceneLighting(), material, point, normal, selected);
}

// ---- Material Preview ------------------------------------------------------------

std::uint32_t materialShadeColor(const Material& material, Vec3 normal, bool selected) {
  static const Vec3 light = vec3Normalize(Vec3{-0.56, 0.74, -0.35});
  const Vec3 n = vec3Normalize(normal);
  const double d = std::max(0.0, n.x * light.x + n.y * light.y + n.z * light.z);
  // Out-of-range and NaN values read as the material defaults would, so the
  // integer conversions below always see finite numbers.
  const double rough = clampOrDefault(material.roughness, 0.0, 1.0, 0.55);
  const double metal = clampOrDefault(material.metallic, 0.0, 1.0, 0.0);
  const double alpha = clampOrDefault(material.alpha, 0.05, 1.0, 1.0);
  const double emission = clampOrDefault(material.emission, 0.0, 4.0, 0.0);
  const double k = std::clamp(
      (0.05 * emission + 0.22 * d + (selected ? 0.66 : 0.5) + 0.08 * metal - 0.05 * rough) * alpha,
      0.08, 0.96);
  int r = mixChannel(17, material.r, k) & 0xFF;
  int g = mixChannel(22, material.g, k) & 0xFF;
  int b = mixChannel(30, material.b, k) & 0xFF;
  const double specular = std::clamp((0.65 * metal + 0.35) * (1.0 - rough) * d, 0.0, 0.82);
  if (specular > 0.01) {
    r = mixChannel(r, 245, 0.32 * specular);
    g = mixChannel(g, 250, 0.32 * specular);
    b = mixChannel(b, 255, 0.32 * specular);
  }
  if (material.emission > 0.0) {
    const double t = std::clamp(0.1 * material.emission, 0.0, 0.35);
    r = mixChannel(r, material.r, t);
    g = mixChannel(g, material.g, t);
    b = mixChannel(b, material.b, t);
  }
  return packColor(r, g, b);
}

}  // namespace vk
