#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/app_state.h"
#include "shading/materials.h"
#include "shading/modifiers.h"
#include "shading/shading_support.h"

namespace {

using namespace vk;
using shadingtest::fileMap;
using shadingtest::fixturePath;
using shadingtest::materialWithMap;
using MaterialShading = shadingtest::ShadingTest;

const Vec3 kTowardLight{-0.56, 0.74, -0.35};
const Vec3 kAwayFromLight{0.56, -0.74, 0.35};

Material plainMaterial(int r, int g, int b, double roughness, double metallic, double alpha, double emission) {
  Material m;
  m.r = r, m.g = g, m.b = b;
  m.roughness = roughness, m.metallic = metallic, m.alpha = alpha, m.emission = emission;
  return m;
}

TEST_F(MaterialShading, ShadeColourFollowsLightSelectionSpecularAndEmission) {
  const Material white = plainMaterial(255, 255, 255, 1.0, 0.0, 1.0, 0.0);
  EXPECT_EQ(materialShadeColor(white, kTowardLight, false), RGB(176, 178, 180));
  // Not normalised on input: only the direction counts.
  EXPECT_EQ(materialShadeColor(white, Vec3{-5.6, 7.4, -3.5}, false), RGB(176, 178, 180));
  EXPECT_EQ(materialShadeColor(white, kTowardLight, true), RGB(214, 215, 216));
  // k bottoms out at 0.08, and alpha below 0.05 reads as 0.05.
  const Material faint = plainMaterial(255, 255, 255, 1.0, 0.0, 0.05, 0.0);
  EXPECT_EQ(materialShadeColor(faint, kAwayFromLight, false), RGB(36, 40, 48));
  EXPECT_EQ(materialShadeColor(plainMaterial(255, 255, 255, 1.0, 0.0, 0.01, 0.0), kAwayFromLight, false),
            RGB(36, 40, 48));
  // A smooth metal lifts toward near-white by 0.32 * 0.82.
  EXPECT_EQ(materialShadeColor(plainMaterial(255, 255, 255, 0.0, 1.0, 1.0, 0.0), kTowardLight, false),
            RGB(216, 219, 221));
  // Emission 10 adds 0.2 to k (clamped at 4) and pulls 0.35 toward the colour.
  EXPECT_EQ(materialShadeColor(plainMaterial(200, 40, 40, 1.0, 0.0, 1.0, 10.0), kAwayFromLight, false),
            RGB(157, 35, 37));
  // Values no sanitizer has seen yet must still give a colour, not undefined casts.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(materialShadeColor(plainMaterial(255, 255, 255, nan, nan, nan, nan), kTowardLight, false),
            materialShadeColor(plainMaterial(255, 255, 255, 0.55, 0.0, 1.0, 0.0), kTowardLight, false));
}

TEST_F(MaterialShading, BlendAndNearestTexelLookup) {
  EXPECT_EQ(blendColor(RGB(0, 0, 0), RGB(255, 255, 255), 0.5), RGB(127, 127, 127));
  EXPECT_EQ(blendColor(RGB(10, 20, 30), RGB(200, 100, 0), 0.0), RGB(10, 20, 30));
  EXPECT_EQ(blendColor(RGB(10, 20, 30), RGB(200, 100, 0), 1.0), RGB(200, 100, 0));

  TexturePreview grid;
  grid.sampleWidth = grid.sampleHeight = 64;
  for (std::uint32_t i = 0; i < 64 * 64; ++i) grid.samples.push_back(i);
  auto at = [](int x, int y) { return static_cast<std::uint32_t>(y * 64 + x); };
  EXPECT_EQ(sampleTexturePixel(grid, 1.0, 0.0), at(0, 63));  // u wraps, v = 0 is the bottom row
  EXPECT_EQ(sampleTexturePixel(grid, 0.25, 0.75), at(16, 16));
  EXPECT_EQ(sampleTexturePixel(grid, -0.25, 0.75), sampleTexturePixel(grid, 0.75, 0.75));
  EXPECT_EQ(sampleTexturePixel(grid, 0.999, 0.999), at(63, 0));
  TexturePreview empty;
  EXPECT_EQ(sampleTexturePixel(empty, 0.5, 0.5), 0x808080u);
  grid.samples.resize(10);  // a grid shorter than its size says
  EXPECT_EQ(sampleTexturePixel(grid, 0.5, 0.5), 0x808080u);
}

TEST_F(MaterialShading, PlanarCoordinatesFollowTheDominantAxis) {
  const Vec3 p{0.2, -0.4, 1.0};
  auto expect = [](Vec2 uv, double u, double v) {
    EXPECT_NEAR(uv.u, u, 1e-12);
    EXPECT_NEAR(uv.v, v, 1e-12);
  };
  const double fx = 1.35 * 0.2 + 0.5, fy = 1.35 * -0.4 + 0.5 + 1.0, fz = 1.35 * 1.0 + 0.5 - 1.0;
  expect(generatePlanarUv(p, Vec3{0, 2, 0}), fx, fz);
  expect(generatePlanarUv(p, Vec3{0, 0, 0}), fx, fz);  // no normal: up
  expect(generatePlanarUv(p, Vec3{-3, 1, 1}), fz, fy);
  expect(generatePlanarUv(p, Vec3{0.1, 0.2, 0.9}), fx, fy);
  expect(generatePlanarUv(p, Vec3{1, 1, 0}), fx, fz);  // a tie goes to y
}

TEST_F(MaterialShading, ColourMapBlendWeightsDependOnUvKindAndSelection) {
  const Material material = materialWithMap(fileMap(fixturePath("solid_teal.png")), 200, 100, 0);
  const std::uint32_t base = RGB(10, 20, 30), texel = RGB(30, 140, 150), own = RGB(200, 100, 0);
  const Vec2 uv{0.3, 0.6};
  const Vec3 point{0, 0, 0}, up{0, 1, 0};
  EXPECT_EQ(baseColorTextureSample(material, point, up, base, false, &uv),
            blendColor(base, blendColor(texel, own, 0.08), 0.72));
  EXPECT_EQ(baseColorTextureSample(material, point, up, base, false, nullptr),
            blendColor(base, blendColor(texel, own, 0.16), 0.62));
  EXPECT_EQ(baseColorTextureSample(material, point, up, base, true, &uv),
            blendColor(base, blendColor(texel, own, 0.08), 0.48));
  EXPECT_EQ(baseColorTextureSample(material, point, up, base, true, nullptr),
            blendColor(base, blendColor(texel, own, 0.16), 0.48));

  appState().project.scene.viewportShadingMode = ViewportShadingMode::Wireframe;
  EXPECT_EQ(baseColorTextureSample(material, point, up, base, false, &uv), base);
  appState().project.scene.viewportShadingMode = ViewportShadingMode::Solid;
  Material disabled = material;
  disabled.textureMaps.maps[0].enabled = false;
  EXPECT_EQ(baseColorTextureSample(disabled, point, up, base, false, &uv), base);
  const Material missing = materialWithMap(fileMap(fixturePath("no_such_texture.png")));
  EXPECT_EQ(baseColorTextureSample(missing, point, up, base, false, &uv), base);
  const Material undecodable = materialWithMap(fileMap(fixturePath("oversized_header.png")));
  EXPECT_EQ(baseColorTextureSample(undecodable, point, up, base, false, &uv), base);
}

TEST_F(MaterialShading, HalfBlackAlphaMapCoversHalfTheFaceAndRejectsIt) {
  const Material material = materialWithMap(fileMap(fixturePath("half_white_black.png"), L"alpha"));
  ASSERT_NE(alphaMapTexture(material), nullptr);
  const Vec3 point{0, 0, 0}, up{0, 1, 0};
  const Vec2 lo{0, 0}, hi{1, 1};
  EXPECT_DOUBLE_EQ(alphaSampleCoverage(material, point, up, nullptr, true, &lo, &hi), 0.5);
  EXPECT_TRUE(alphaTestRejects(material, point, up, nullptr, true, &lo, &hi));
  // The box corners may come in either order.
  EXPECT_DOUBLE_EQ(alphaSampleCoverage(material, point, up, nullptr, true, &hi, &lo), 0.5);
  // A box inside the white half, or one sample there, keeps the face.
  const Vec2 whiteLo{0.0, 0.0}, whiteHi{0.45, 1.0}, whiteUv{0.2, 0.5}, blackUv{0.8, 0.5};
  EXPECT_DOUBLE_EQ(alphaSampleCoverage(material, point, up, nullptr, true, &whiteLo, &whiteHi), 1.0);
  EXPECT_FALSE(alphaTestRejects(material, point, up, &whiteUv, false, nullptr, nullptr));
  EXPECT_TRUE(alphaTestRejects(material, point, up, &blackUv, false, nullptr, nullptr));
  appState().project.scene.viewportShadingMode = ViewportShadingMode::Wireframe;
  EXPECT_FALSE(alphaTestRejects(material, point, up, nullptr, true, &lo, &hi));
  // No alpha map (only a colour map): full coverage, never rejected.
  appState().project.scene.viewportShadingMode = ViewportShadingMode::Lit;
  const Material colourOnly = materialWithMap(fileMap(fixturePath("half_white_black.png")));
  EXPECT_EQ(alphaMapTexture(colourOnly), nullptr);
  EXPECT_DOUBLE_EQ(alphaSampleCoverage(colourOnly, point, up, nullptr, true, &lo, &hi), 1.0);
  EXPECT_FALSE(alphaTestRejects(colourOnly, point, up, nullptr, true, &lo, &hi));
}

TEST_F(MaterialShading, FaceMaterialPicksTheFaceSlotTheActiveSlotOrTheFirst) {
  Object object;
  EXPECT_EQ(&materialForFace(object, 0), &object.material);  // no slots
  for (int i = 0; i < 3; ++i) {
    Material slot;
    slot.name = L"Slot " + std::to_wstring(i);
    object.materialSlots.slots.push_back(slot);
  }
  object.materialSlots.activeIndex = 2;
  auto& faces = object.meshData.faces.write();
  faces.resize(3);
  faces[0].materialIndex = 1;
  faces[1].materialIndex = 7;
  faces[2].materialIndex = -1;
  EXPECT_EQ(materialForFace(object, 0).name, L"Slot 1");
  EXPECT_EQ(materialForFace(object, 1).name, L"Slot 0");
  EXPECT_EQ(materialForFace(object, 2).name, L"Slot 0");
  EXPECT_EQ(materialForFace(object, 3).name, L"Slot 2");  // not a face: the active slot
  EXPECT_EQ(materialForFace(object, -1).name, L"Slot 2");
  object.materialSlots.activeIndex = 9;
  EXPECT_EQ(materialForFace(object, -1).name, L"Slot 0");
}

TEST_F(MaterialShading, InspectorTextsForMaterialsAndModifiers) {
  Object object;
  Material brick;
  brick.name = L"Brick";
  brick.capsuleLabel = L"Clay";
  brick.capsuleNote = L"Fired";
  const TextureMap colour = fileMap(L"/gone/wood.png");
  brick.textureMaps.maps.push_back(colour);
  object.materialSlots.slots = {Material{}, brick};
  object.materialSlots.activeIndex = 1;
  EXPECT_TRUE(objectUsesTextureMaps(object));  // no authored UVs
  EXPECT_EQ(materialSummaryText(object),
            L"Materials: 2 slots\n"
            L"    0: Material RGB 72,132,220 R 0.55 M 0.00 Tex 0\n"
            L"  > 1: Brick RGB 72,132,220 R 0.55 M 0.00 Tex 1 !  Capsule Clay\n"
            L"    Color: MISSING  wood.png\n"  // enabled file maps are previewed lazily
            L"    Normal: -\n    Roughness: -\n    Metallic: -\n    Alpha: -\n    Emission: -\n"
            L"Capsule note: Fired\n"
            L"Material menu: slots, PBR fields, face assignment, texture map metadata, and Phase 58 "
            L"Material Capsules.");
  object.kind = ObjectKind::Light;
  EXPECT_FALSE(objectUsesTextureMaps(object));

  Object plain;
  EXPECT_FALSE(objectNeedsModifierPreview(plain));
  EXPECT_TRUE(evaluateModifierStack(plain).empty());
  EXPECT_EQ(modifierStackSummary(plain), L"Modifiers: 0 (none - use Modifier menu to add stack entries)");
  Modifier bend;
  bend.id = L"mod-1";
  bend.type = bend.displayName = L"Bend";
  bend.known = true;
  bend.parameters = {{L"axis", L"text", 0, L"Z", false}, {L"angle", L"number", 45, L"", false}};
  Modifier unknown;
  unknown.enabled = false;
  unknown.type = L"LegacyUnknown";
  unknown.parameters.assign(5, ModifierParam{L"flag", L"bool", 0, L"", true});
  plain.modifierStack.entries = {bend, unknown};
  appState().activeModifierIndex = 9;
  EXPECT_EQ(modifierStackSummary(plain),
            L"Modifiers: 2\n"
            L"  1. [on] Bend (Bend)\n     axis=Z, angle=45.00\n"
            L"* 2. [off] Unknown Modifier (LegacyUnknown) SAFE-FALLBACK\n"
            L"     flag=on, flag=on, flag=on, flag=on, ...\n"
            L"Active modifier: Modifier menu edits stack order. Mirror/Array/Bevel/Solidify/Subdivision "
            L"plus Bend/Twist/Taper/Lattice have live viewport preview controls.");
  EXPECT_EQ(appState().activeModifierIndex, 1);
  plain.modifierStack.entries.assign(10, bend);
  EXPECT_NE(modifierStackSummary(plain).find(L"\n  ...2 more\nActive modifier"), std::wstring::npos);
}

}  // namespace
