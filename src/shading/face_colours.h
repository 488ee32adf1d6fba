// What each shading mode does with a face, in one place: whether it fills
// faces and shows their alpha, and the colour a filled face takes from its
// material: Solid's flat colour, Lit's from the scene's lights (the default
// mode) and Material Preview's under one fixed light, side by side. Colours
// are packed 0x00BBGGRR (COLORREF) values; they are worked out once per
// drawn face, so a frame resolves the scene's lights once (SceneLighting)
// and hands them in.
#pragma once

#include <cstdint>
#include <vector>

#include "model/types.h"

namespace vk {

// A face's alpha below this reads as this, in its colour and in how much of
// what lies behind it shows.
inline constexpr double kFaceMinAlpha = 0.05;

// Whether the mode fills faces: every mode but Wireframe, which draws edges
// alone and so neither fills, tints nor cuts out a face.
bool shadingFillsFaces(ViewportShadingMode mode);
// Whether a filled face lets what lies behind it show by its alpha: Solid
// draws every face opaque.
bool shadingShowsAlpha(ViewportShadingMode mode);

// One visible light with what lightContributionAt needs, resolved once.
enum class LightKind : std::uint8_t { Point, Directional, Spot, Area };
struct LightSample {
  LightKind kind = LightKind::Point;
  Vec3 position;
  Vec3 axis;  // normalised local +Z turned by the light's rotation
  double intensity = 0.0;  // clamped to [0, 100]
  double range = 0.0;
  double cosHalfAngle = 0.0;  // spot cone
  double areaSize = 0.0;
};

// What the lit model reads of the scene.
struct SceneLighting {
  std::vector<LightSample> lights;  // the first 64 effectively visible lights, scene order
  bool sceneEmpty = true;
};
SceneLighting collectSceneLighting();

// Light level at a world point: [0.12, 1.35] with a visible light, else 0.58.
// Only the first 64 effectively visible lights in scene order count.
double lightContributionAt(const SceneLighting& lighting, const Vec3& point, const Vec3& normal);
std::uint32_t litSurfaceColor(const SceneLighting& lighting, const Material& material, const Vec3& point,
                              const Vec3& normal, bool selected);
// The same over the scene as it stands.
double lightContributionAt(const Vec3& point, const Vec3& normal);
std::uint32_t litSurfaceColor(const Material& material, const Vec3& point, const Vec3& normal, bool selected);

// A filled face's colour before its texture tint, by shading mode (any value
// that is no mode reads as Lit). `normal` is the one the face is lit by.
std::uint32_t shadedFaceColour(ViewportShadingMode mode, const SceneLighting& lighting, const Material& material,
                               const Vec3& point, const Vec3& normal, bool selected);

// The Material Preview colour of a face under the fixed light
// (-0.56, 0.74, -0.35), blended from the background RGB(17, 22, 30) toward
// the material colour, with a specular lift and an emission pull.
std::uint32_t materialShadeColor(const Material& material, Vec3 normal, bool selected);

}  // namespace vk
