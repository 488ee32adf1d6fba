// The lit shading model: light falloff, the 64-light cap, hidden lights,
// light types and the colour blend; faces lit on the side the viewer sees.
#include <map>

#include "model/math.h"
#include "platform/palette.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::addSceneObject;

class Lit : public ::testing::Test {
 protected:
  void SetUp() override { vktest::resetEmptyScene(); }
  static vk::Object& light(const std::wstring& type, vk::Vec3 position, double intensity = 2.0) {
    vk::Object& object = addSceneObject(ObjectKind::Light, L"Light");
    object.transform.position = position;
    object.transform.rotation = {};
    object.light = vk::LightSettings{};
    object.light.type = type;
    object.light.intensity = intensity;
    object.light.range = 10.0;
    return object;
  }
};

const vk::Vec3 kUp{0, 1, 0};

TEST_F(Lit, PointFalloffAndUnknownTypes) {
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.58);  // no objects
  vk::Object& lamp = light(L"Point", {0, 5, 0});
  // Half the range: falloff 0.5, squared a quarter.
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45);
  lamp.transform.position = {0, 10, 0};
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
  lamp.transform.position = {0, -5, 0};  // behind the face
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
  lamp.transform.position = {0, 5, 0};
  lamp.light.type = L"Torch";  // any other type text lights as a point
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45);
  lamp.light.intensity = 1000.0;  // used as 100, then the level saturates
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 1.35);
}

TEST_F(Lit, DirectionalSpotAndArea) {
  vk::Object& sun = light(L"Directional", {100, 100, 100});
  sun.transform.rotation = {90, 0, 0};  // (0,0,1) turned to point straight down
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 2.0 * 0.35, 1e-12);
  sun.visible = false;

  vk::Object& spot = light(L"Spot", {0, 5, 0});
  spot.transform.rotation = {90, 0, 0};  // aimed down at the origin
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45, 1e-12);
  EXPECT_NEAR(vk::lightContributionAt({3, 0, 0}, kUp), 0.3, 1e-12);  // outside the 35 degree cone
  spot.light.type = L"Area";
  spot.light.areaSize = 2.0;  // 0.55 + 0.45 * 2 / 5
  EXPECT_NEAR(vk::lightContributionAt({}, kUp), 0.3 + 0.25 * 2.0 * 0.45 * (0.55 + 0.45 * 0.4), 1e-12);
}

TEST_F(Lit, HiddenLightsAndTheCapOfSixtyFour) {
  const std::wstring groupId = addSceneObject(ObjectKind::Group, L"Rig").id;
  light(L"Point", {0, 1, 0}).parentId = groupId;
  appState().project.scene.objects[0].visible = false;  // the parent hides the light
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.58);
  appState().project.scene.objects.clear();

  // 64 visible lights out of reach, then strong near ones that must not count.
  light(L"Point", {0, 1, 0}).visible = false;  // hidden lights do not use up the cap
  for (int i = 0; i < 64; ++i) light(L"Point", {0, 50, 0});
  for (int i = 0; i < 6; ++i) light(L"Point", {0, 1, 0}, 50.0);
  EXPECT_DOUBLE_EQ(vk::lightContributionAt({}, kUp), 0.3);
}

TEST_F(Lit, SurfaceColourBlend) {
  for (int i = 0; i < 4; ++i) light(L"Point", {0, 1, 0}, 100.0);
  vk::Material white;
  white.r = white.g = white.b = 255;
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, true), RGB(216, 216, 218));
  white.alpha = 0.0;  // used as 0.05; the factor never drops below 0.05
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, false), RGB(28, 33, 41));
  white.alpha = 1.0;
  white.emission = 5.0;  // lifts, but only to 0.92
  EXPECT_EQ(vk::litSurfaceColor(white, {}, kUp, true), RGB(235, 236, 237));
}

// One face of a primitive as a frame shows it: its brightness (R + G + B)
// at the projected centre, and its normal turned out of the solid.
struct SeenFace {
  int brightness = 0;
  vk::Vec3 centre;
  vk::Vec3 outward;
};

// The faces of `object` turned towards the orbit view's eye with a large
// enough picture, sampled at their centres (faces whose outline covers the
// centre are left out). Outward is away from the object's origin, or up for
// the flat Plane, whatever the mesh's winding.
std::map<std::size_t, SeenFace> seenFaces(const vk::Object& object, const vktest::FrameCanvas& canvas) {
  std::map<std::size_t, SeenFace> seen;
  const vk::MeshData& mesh = object.meshData;
  const auto& faces = mesh.faces.read();
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const vk::Vec3 centre = object.transform.position + vk::meshFaceCenter(mesh, faces[f]);
    vk::Vec3 n = vk::vec3Normalize(vk::faceNormal(mesh, faces[f]));
    const vk::Vec3 fromOrigin = object.mesh.primitive == L"Plane" ? vk::Vec3{0, 1, 0} : centre - object.transform.position;
    if (vk::vec3Dot(n, fromOrigin) < 0) n = -n;
    const vk::Vec3 viewCentre = vk::worldToViewSpace(centre);
    const vk::Vec3 viewNormal = vk::worldToViewSpace(centre + n) - viewCentre;
    const vk::Vec3 eye{0, 0, -vk::kOrbitEyeDistance};
    const bool facesEye = vk::vec3Dot(viewNormal, eye - viewCentre) > 0.2 * vk::vec3Length(eye - viewCentre);
    if (object.mesh.primitive == L"Plane") n = vk::vec3Dot(viewNormal, eye - viewCentre) > 0 ? n : -n;
    if (!facesEye && object.mesh.primitive != L"Plane") continue;
    std::vector<POINT> corners;
    for (std::int32_t v : faces[f].indices) {
      corners.push_back(vk::projectToScreen(object.transform.position + mesh.vertices.read()[static_cast<std::size_t>(v)],
                                            canvas.rect()));
    }
    double twiceArea = 0;
    for (std::size_t k = 0; k < corners.size(); ++k) {
      const POINT& a = corners[k];
      const POINT& b = corners[(k + 1) % corners.size()];
      twiceArea += double(a.x) * b.y - double(b.x) * a.y;
    }
    if (std::abs(twiceArea) < 80) continue;
    const POINT p = vk::projectToScreen(centre, canvas.rect());
    const COLORREF colour = canvas.pixel(p.x, p.y);
    if (colour == 0xFFFFFFFFu || colour == vk::kMeshOutline) continue;
    seen[f] = {GetRValue(colour) + GetGValue(colour) + GetBValue(colour), centre, n};
  }
  return seen;
}

// Lit from a point light above and below, seen from above and below: the
// faces turned towards the light are brighter than those turned away, and a
// face is brighter with the light on its side than on the other, for closed
// primitives and the one-sided Plane alike.
TEST_F(Lit, FacesTowardsAPointLightAreTheBrighterOnes) {
  for (const wchar_t* primitive : {L"Cube", L"Sphere", L"Cylinder", L"Plane"}) {
    SCOPED_TRACE(std::string(primitive, primitive + std::wcslen(primitive)));
    for (double pitch : {24.0, -24.0}) {
      vktest::resetEmptyScene();
      appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Lit;
      appState().viewPitch = pitch;
      addSceneObject(ObjectKind::Mesh, primitive);
      vk::Object& lamp = light(L"Point", {0, 3, 0}, 3.0);
      std::map<std::size_t, SeenFace> byLight[2];
      for (int below = 0; below < 2; ++below) {
        lamp.transform.position = {0.4, below ? -3.0 : 3.0, 0.3};
        vktest::FrameCanvas canvas(600, 450);
        canvas.draw(vktest::objectsOnly());
        byLight[below] = seenFaces(appState().project.scene.objects[0], canvas);
        int dimmestToward = 1000, brightestAway = -1, towardCount = 0;
        for (const auto& [index, face] : byLight[below]) {
          const double toLight = vk::vec3Dot(face.outward, vk::vec3Normalize(lamp.transform.position - face.centre));
          if (toLight > 0.2) {
            dimmestToward = std::min(dimmestToward, face.brightness);
            ++towardCount;
          }
          if (toLight < -0.2) brightestAway = std::max(brightestAway, face.brightness);
        }
        EXPECT_GT(dimmestToward, brightestAway) << "pitch " << pitch << " light below " << below;
        if ((pitch > 0) == (below == 0)) {
          EXPECT_GT(towardCount, 0) << "pitch " << pitch;
        }
      }
      // The light on a face's side, then on the other: brighter the first time.
      for (const auto& [index, face] : byLight[0]) {
        const auto other = byLight[1].find(index);
        if (other == byLight[1].end()) continue;
        const double above = vk::vec3Dot(face.outward, vk::vec3Normalize(vk::Vec3{0.4, 3.0, 0.3} - face.centre));
        const double under = vk::vec3Dot(face.outward, vk::vec3Normalize(vk::Vec3{0.4, -3.0, 0.3} - face.centre));
        if (above > 0.2 && under < -0.2) {
          EXPECT_GT(face.brightness, other->second.brightness) << index;
        }
        if (under > 0.2 && above < -0.2) {
          EXPECT_LT(face.brightness, other->second.brightness) << index;
        }
      }
    }
  }
}

// Material Preview's fixed light: of the cube's faces in sight, the one
// turned most towards it is the brightest, from above and from below.
TEST_F(Lit, MaterialPreviewFaceTowardsTheFixedLightIsTheBrightest) {
  const vk::Vec3 fixedLight = vk::vec3Normalize(vk::Vec3{-0.56, 0.74, -0.35});
  for (double yaw : {-35.0, 145.0}) {
    for (double pitch : {24.0, -24.0}) {
      vktest::resetEmptyScene();
      appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
      appState().viewYaw = yaw;
      appState().viewPitch = pitch;
      addSceneObject(ObjectKind::Mesh, L"Cube");
      vktest::FrameCanvas canvas(600, 450);
      canvas.draw(vktest::objectsOnly());
      const std::map<std::size_t, SeenFace> seen = seenFaces(appState().project.scene.objects[0], canvas);
      ASSERT_EQ(seen.size(), 3u) << yaw << " " << pitch;
      const SeenFace* toward = nullptr;
      for (const auto& [index, face] : seen) {
        if (!toward || vk::vec3Dot(face.outward, fixedLight) > vk::vec3Dot(toward->outward, fixedLight)) toward = &face;
      }
      for (const auto& [index, face] : seen) {
        if (&face != toward) {
          EXPECT_GT(toward->brightness, face.brightness) << yaw << " " << pitch << " face " << index;
        }
      }
    }
  }
}

}  // namespace
