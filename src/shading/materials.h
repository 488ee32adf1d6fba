// Material colours of the software viewport: which material shades a face,
// the base-colour texture tint, planar fallback coordinates, nearest-texel
// lookup and the alpha-map cutout test (the lit and the Material Preview
// colours themselves are side by side in face_colours.h). Colours are packed 0x00BBGGRR (COLORREF) values and every
// float-to-integer step truncates toward zero.
//
// Everything here runs per face on every paint: no file access beyond the
// texture preview cache (textures.h), at most 16 texel reads per alpha test.
#pragma once

#include <cstdint>
#include <string>

#include "model/app_state.h"
#include "model/types.h"
#include "shading/face_colours.h"

namespace vk {

// The face's slot when its material index names one, else slot 0; the active
// slot for a faceIndex outside the face list; the base material without
// slots. Never fails.
const Material& materialForFace(const Object& object, int faceIndex);

// Per channel trunc((b - a) * t + a), low 8 bits.
std::uint32_t blendColor(std::uint32_t a, std::uint32_t b, double t);

// Box-projected coordinates along the normal's dominant axis, wrapped to [0, 1).
Vec2 generatePlanarUv(Vec3 point, Vec3 normal);

// Nearest texel of the 64 x 64 sample grid; u wraps rightward, v upward.
// 0x808080 when the preview has no samples.
std::uint32_t sampleTexturePixel(const TexturePreview& preview, double u, double v);

// baseColor after the material's "color" map (authoredUv, when given, else
// planar coordinates of the face centre). Unchanged in Wireframe, without a
// set color map or without decoded samples. Reads the scene's shading mode.
std::uint32_t baseColorTextureSample(const Material& material, Vec3 point, Vec3 normal,
                                     std::uint32_t baseColor, bool selected,
                                     const Vec2* authoredUv);
// The same in the given shading mode (a frame's), rather than the scene's.
std::uint32_t baseColorTextureSample(ViewportShadingMode mode, const Material& material, Vec3 point, Vec3 normal,
                                     std::uint32_t baseColor, bool selected, const Vec2* authoredUv);

// The decoded preview of the material's "alpha" map when it is set and has
// samples; null otherwise.
const TexturePreview* alphaMapTexture(const Material& material);

// One coverage sample: 1 when the texel's luminance reaches 0.42, else 0.
int countBrightSample(const TexturePreview& preview, double u, double v);

// Fraction of covered alpha samples: 16 over the UV box when useUvBox, else
// one at uv (planar coordinates when uv is null). 1.0 without an alpha map.
double alphaSampleCoverage(const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                           bool useUvBox, const Vec2* uvMin, const Vec2* uvMax);

// True when the face is cut out: not Wireframe, an alpha map with samples,
// and coverage below 0.88.
bool alphaTestRejects(const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                      bool useUvBox, const Vec2* uvMin, const Vec2* uvMax);
bool alphaTestRejects(ViewportShadingMode mode, const Material& material, Vec3 point, Vec3 normal, const Vec2* uv,
                      bool useUvBox, const Vec2* uvMin, const Vec2* uvMax);

// Some slot has a set map and the Mesh, Text or Curve object has no valid
// authored UVs (drives the inspector's fallback-mapping warning).
bool objectUsesTextureMaps(Object& object);

// The guard of every material command: the selected Mesh, Text or Curve
// object that is not locked, its slots sanitized; otherwise null after one
// status line saying why.
Object* selectedMaterialTarget();

// The inspector's materials block, lines joined with LF (sanitizes the slots).
std::wstring materialSummaryText(Object& object);

// --- the material slot commands (each guarded by selectedMaterialTarget) ---

// Steps the active slot by delta, clamped to the slot range; no undo step.
void selectMaterialSlot(int delta);
// Appends a copy of the base material named "Material <n>", or of the active
// slot named "<name> Copy", and makes it active; refused at 32 slots.
void addMaterialSlot(bool duplicateActive);
// Removes the active slot (never the last one); faces on it move to the new
// active slot, faces above it down by one.
void removeActiveMaterialSlot();
// In Edit Mesh / Face mode: the selected faces in range take the active slot.
void assignMaterialToSelectedFaces();
// Adds delta to the active slot's "roughness" (or, for any other key,
// metallic), clamped to [0, 1].
void adjustMaterialRoughnessMetallic(const std::wstring& key, double delta);

}  // namespace vk
