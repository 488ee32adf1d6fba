// Keyframe track repair: key cap, order, collapse, distinct ids, values,
// interpolation names and the selected key.
#include <gtest/gtest.h>

#include <set>

#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {
namespace {

TransformKeyframe tkey(std::int32_t frame, std::wstring id, double x = 0.0) {
  TransformKeyframe key;
  key.frame = frame;
  key.id = std::move(id);
  key.position.x = x;
  return key;
}

std::vector<std::wstring> idsOf(const TransformAnimation& track) {
  std::vector<std::wstring> ids;
  for (const auto& key : track.keyframes) ids.push_back(key.id);
  return ids;
}

TEST(SanitizeTracks, CapsAtTheFirstThousandStoredKeysBeforeSorting) {
  Object o;
  for (int frame = 1500; frame >= 1; --frame) o.transformAnimation.keyframes.push_back(tkey(frame, L""));
  sanitizeTransformKeyTrack(o);
  const auto& keys = o.transformAnimation.keyframes;
  ASSERT_EQ(keys.size(), 1000u);
  EXPECT_EQ(keys.front().frame, 501);
  EXPECT_EQ(keys.back().frame, 1500);
  EXPECT_EQ(keys.front().id, L"tkey-501");
}

TEST(SanitizeTracks, EqualFramesCollapseToTheLaterStoredKey) {
  Object o;
  o.transformAnimation.keyframes = {tkey(10, transformKeyId(10), 1.0), tkey(5, transformKeyId(5), 2.0),
                                    tkey(10, transformKeyId(10), 3.0)};
  o.transformAnimation.selectedKeyId = L"tkey-10";
  sanitizeTransformKeyTrack(o);
  const auto& keys = o.transformAnimation.keyframes;
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].frame, 5);
  EXPECT_EQ(keys[1].frame, 10);
  EXPECT_DOUBLE_EQ(keys[1].position.x, 3.0);
  EXPECT_EQ(o.transformAnimation.selectedKeyId, L"tkey-10");
}

TEST(SanitizeTracks, FramesIdsAndStaleSelection) {
  Object o;
  o.transformAnimation.keyframes = {tkey(250000, L"")};
  o.transformAnimation.selectedKeyId = L"tkey-7";
  o.transformAnimation.schema = L"transform-keyframes-v1";
  o.transformAnimation.target = L"x";
  o.transformAnimation.enabled = false;
  sanitizeTransformKeyTrack(o);
  EXPECT_EQ(o.transformAnimation.keyframes[0].frame, 100000);
  EXPECT_EQ(o.transformAnimation.keyframes[0].id, L"tkey-100000");
  EXPECT_EQ(o.transformAnimation.selectedKeyId, L"");
  EXPECT_EQ(o.transformAnimation.schema, L"transform-keyframes-v2");
  EXPECT_EQ(o.transformAnimation.target, L"objectTransform");
  EXPECT_FALSE(o.transformAnimation.enabled);

  CameraKeyframe foreign;
  foreign.frame = 7;
  foreign.id = L"ckey-3";  // names another frame, but no key sits there
  o.cameraAnimation.keyframes = {foreign};
  sanitizeCameraKeyframes(o);
  EXPECT_EQ(o.cameraAnimation.keyframes[0].id, L"ckey-3");
}

TEST(SanitizeTracks, TwoKeysNeverShareAnId) {
  Object o;
  // A key carrying another key's frame-derived id gives way to that key.
  o.transformAnimation.keyframes = {tkey(3, L"tkey-9"), tkey(9, L"tkey-9")};
  sanitizeTransformKeyTrack(o);
  EXPECT_EQ(idsOf(o.transformAnimation), (std::vector<std::wstring>{L"tkey-3", L"tkey-9"}));

  // Of two equal foreign ids the first (by frame) keeps it.
  o.transformAnimation.keyframes = {tkey(2, L"custom"), tkey(1, L"custom")};
  sanitizeTransformKeyTrack(o);
  EXPECT_EQ(idsOf(o.transformAnimation), (std::vector<std::wstring>{L"custom", L"tkey-2"}));

  // The regenerated id may be held by a kept foreign id: that key moves on.
  o.transformAnimation.keyframes = {tkey(1, L"x"), tkey(2, L"x"), tkey(5, L"tkey-2")};
  o.transformAnimation.selectedKeyId = L"tkey-2";
  sanitizeTransformKeyTrack(o);
  EXPECT_EQ(idsOf(o.transformAnimation), (std::vector<std::wstring>{L"x", L"tkey-2", L"tkey-5"}));
  EXPECT_EQ(o.transformAnimation.selectedKeyId, L"tkey-2");

  LightKeyframe light;
  light.id = L"same";
  o.lightAnimation.keyframes.clear();
  for (int frame : {4, 1, 3, 2}) {
    light.frame = frame;
    o.lightAnimation.keyframes.push_back(light);
  }
  sanitizeLightKeyframes(o);
  std::set<std::wstring> distinct;
  for (const auto& key : o.lightAnimation.keyframes) distinct.insert(key.id);
  EXPECT_EQ(distinct, (std::set<std::wstring>{L"same", L"lkey-2", L"lkey-3", L"lkey-4"}));
}

TEST(SanitizeTracks, KeyValuesNotesAndInterpolation) {
  Object o;
  CameraKeyframe camera;
  camera.settings = {0.0, 5000.0, 10.0, 16.0 / 9.0};
  o.cameraAnimation.keyframes = {camera};
  LightKeyframe light;
  light.settings.type = L"Sun";
  o.lightAnimation.keyframes = {light};
  TransformKeyframe transform = tkey(1, L"");
  transform.note = std::wstring(300, L'\x01');
  transform.scale = {0.0, 1.0, 1.0};
  o.transformAnimation.keyframes = {transform};
  sanitizeCameraKeyframes(o);
  sanitizeLightKeyframes(o);
  sanitizeTransformKeyTrack(o);
  const CameraSettings& keyed = o.cameraAnimation.keyframes[0].settings;
  EXPECT_DOUBLE_EQ(keyed.fov, 1.0);
  EXPECT_DOUBLE_EQ(keyed.nearClip, 1000.0);
  EXPECT_DOUBLE_EQ(keyed.farClip, 1000.01);
  EXPECT_EQ(o.lightAnimation.keyframes[0].settings.type, L"Point");
  EXPECT_EQ(o.transformAnimation.keyframes[0].note.size(), 240u);  // plain cut, no filtering
  EXPECT_EQ(o.transformAnimation.keyframes[0].scale.x, 1.0);

  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L" Ease-Out \t"), L"Ease Out");
  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L"Step"), L"Hold");
  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L"ease in"), L"Linear");
  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L"Smooth"), L"Ease In Out");
  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L"EaseIn"), L"Ease In");
  EXPECT_EQ(sanitizeTransformKeyframeInterpolation(L""), L"Linear");

  Object empty;
  empty.lightAnimation.schema = L"";
  sanitizeLightKeyframes(empty);
  EXPECT_TRUE(empty.lightAnimation.keyframes.empty());
  EXPECT_EQ(empty.lightAnimation.schema, L"light-keyframes-v2");
}

}  // namespace
}  // namespace vk
