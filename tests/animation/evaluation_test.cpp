// Evaluation of the key tracks, the easing curves and the key lookups.
#include <cmath>
#include <limits>

#include "animation_test_support.h"

namespace vktest {
namespace {

using namespace vk;

class Evaluation : public AnimationTest {};

TEST_F(Evaluation, OneKeyHoldsEverywhereAndTwoKeysBlendLinearly) {
  Object& o = obj(add(ObjectKind::Mesh));
  o.transformAnimation.keyframes = {tkey(50, 7.0)};
  EXPECT_EQ((*evaluateTransformKeyframes(o, 1))[0], 7.0);
  EXPECT_EQ((*evaluateTransformKeyframes(o, 500))[0], 7.0);
  EXPECT_FALSE(evaluateCameraKeyframes(o, 1).has_value());

  o.transformAnimation.keyframes = {tkey(10, 0.0), tkey(20, 10.0)};
  o.transformAnimation.keyframes[0].position.y = 1e9;  // stored as is, clamped when blended
  EXPECT_DOUBLE_EQ((*evaluateTransformKeyframes(o, 15))[0], 5.0);
  EXPECT_DOUBLE_EQ((*evaluateTransformKeyframes(o, 5))[0], 0.0);
  EXPECT_DOUBLE_EQ((*evaluateTransformKeyframes(o, 25))[0], 10.0);
  EXPECT_EQ((*evaluateTransformKeyframes(o, 10))[1], 1e9);  // exactly the key
}

TEST_F(Evaluation, TheEarlierKeysCurveShapesTheSegment) {
  Object& o = obj(add(ObjectKind::Mesh));
  const struct {
    const wchar_t* curve;
    double at15;
  } cases[] = {{L"Ease In", 2.5}, {L"Ease Out", 7.5}, {L"Ease In Out", 5.0}, {L"Smooth", 5.0},
               {L"ease in", 5.0}, {L"Step", 0.0},     {L" Hold ", 0.0},      {L"Linear", 5.0}};
  for (const auto& c : cases) {
    o.transformAnimation.keyframes = {tkey(10, 0.0, c.curve), tkey(20, 10.0, L"Ease In")};
    EXPECT_DOUBLE_EQ((*evaluateTransformKeyframes(o, 15))[0], c.at15) << std::wstring(c.curve).size();
  }
  o.transformAnimation.keyframes = {tkey(10, 0.0, L"Hold"), tkey(20, 10.0)};
  for (int f = 10; f <= 19; ++f) EXPECT_EQ((*evaluateTransformKeyframes(o, f))[0], 0.0) << f;
  EXPECT_EQ((*evaluateTransformKeyframes(o, 20))[0], 10.0);
}

TEST_F(Evaluation, EasingOfBadFractions) {
  for (const wchar_t* curve : {L"Linear", L"Ease In", L"Ease Out", L"Ease In Out", L"Hold"}) {
    EXPECT_EQ(evaluateEasing(curve, std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_EQ(evaluateEasing(curve, std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(evaluateEasing(curve, 2e6), 0.0);
    EXPECT_EQ(evaluateEasing(curve, 1.5), evaluateEasing(curve, 1.0));
    EXPECT_EQ(evaluateEasing(curve, -0.5), 0.0);
  }
}

TEST_F(Evaluation, BlendedTransformsAreClampedStoredOnesAreNot) {
  Object& o = obj(add(ObjectKind::Mesh));
  o.transformAnimation.keyframes = {tkey(10, 200000.0), tkey(20, 200000.0)};
  EXPECT_EQ((*evaluateTransformKeyframes(o, 10))[0], 200000.0);
  EXPECT_EQ((*evaluateTransformKeyframes(o, 15))[0], 100000.0);
}

TEST_F(Evaluation, LightBlendRoundsColoursAndKeepsTheFirstNonEmptyTexts) {
  LightSettings a, b;
  a.r = 0;
  b.r = 255;
  a.type = L"Spot";
  b.type = L"Area";
  a.capsuleLabel = L"";
  b.capsuleLabel = L"Key";
  const LightSettings mid = lerpLightKey(a, b, 0.5);
  EXPECT_EQ(mid.r, 128);
  EXPECT_EQ(mid.type, L"Spot");
  EXPECT_EQ(mid.capsuleLabel, L"Key");
  EXPECT_EQ(lerpLightKey(a, b, 7.0).r, 255);

  Object& light = obj(add(ObjectKind::Light));
  light.lightAnimation.keyframes = {lkey(0, 0.0), lkey(10, 4.0)};
  EXPECT_DOUBLE_EQ(evaluateLightKeyframes(light, 5)->intensity, 2.0);
  Object& camera = obj(add(ObjectKind::Camera));
  camera.cameraAnimation.keyframes = {ckey(0, 40.0), ckey(10, 60.0)};
  EXPECT_DOUBLE_EQ(evaluateCameraKeyframes(camera, 5)->fov, 50.0);
}

TEST_F(Evaluation, LookupsByFrameIdAndIndex) {
  Object& o = obj(add(ObjectKind::Mesh));
  o.transformAnimation.keyframes = {tkey(0), tkey(10)};
  o.transformAnimation.keyframes[0].id = L"";
  EXPECT_EQ(findTransformKeyById(o, L""), -1);
  EXPECT_EQ(findTransformKeyById(o, L"tkey-10"), 1);
  EXPECT_EQ(findTransformKeyById(o, L"tkey-1"), -1);
  EXPECT_EQ(findTransformKeyAtFrame(o, 10), 1);
  EXPECT_EQ(findCameraKeyAtFrame(o, 10), -1);
  EXPECT_TRUE(keyFrameOccupied(o, kTrackTransform, 10, -1));
  EXPECT_FALSE(keyFrameOccupied(o, kTrackTransform, 10, 1));
  EXPECT_FALSE(keyFrameOccupied(o, 7, 10, -1));
  setFrame(33);
  EXPECT_EQ(keyframeFrameAt(o, kTrackTransform, 5), 33);
  EXPECT_EQ(keyframeFrameAt(o, 9, 0), 33);
  EXPECT_EQ(keyframeIdAt(o, kTrackTransform, -1), L"");
  EXPECT_EQ(keyframeIdAt(o, kTrackTransform, 1), L"tkey-10");
}

TEST_F(Evaluation, PreferredTrackAndResolvedKey) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.cameraAnimation.keyframes = {ckey(1)};
  EXPECT_EQ(preferredKeyChannel(&mesh), kTrackNone);
  EXPECT_EQ(preferredKeyChannel(nullptr), kTrackNone);

  Object& camera = obj(add(ObjectKind::Camera));
  camera.transformAnimation.keyframes = {tkey(15)};
  camera.cameraAnimation.keyframes = {ckey(10), ckey(20)};
  setFrame(15);
  EXPECT_EQ(preferredKeyChannel(&camera), kTrackTransform);
  setFrame(12);
  EXPECT_EQ(preferredKeyChannel(&camera), kTrackCamera);
  EXPECT_EQ(resolveKeyframeIndex(camera, kTrackCamera), 0);
  camera.cameraAnimation.selectedKeyId = L"ckey-20";
  EXPECT_EQ(resolveKeyframeIndex(camera, kTrackCamera), 1);
  camera.cameraAnimation.keyframes.clear();
  camera.transformAnimation.selectedKeyId = L"tkey-15";
  EXPECT_EQ(preferredKeyChannel(&camera), kTrackTransform);
  EXPECT_EQ(resolveKeyframeIndex(camera, kTrackCamera), -1);
}

}  // namespace
}  // namespace vktest
