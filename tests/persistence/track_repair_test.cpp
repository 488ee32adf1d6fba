// Keyframe tracks are repaired once and then only checked: a track the check
// calls repaired must be one the full repair leaves alone, and the save must
// write the same bytes whether the live tracks were repaired or not.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/sanitize.h"
#include "model/text_utils.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

// Mostly well-formed keys, with every kind of fault the repair knows mixed in
// at a low rate, so both the checked and the repaired paths run.
template <class Key, class IdOf>
std::vector<Key> randomKeys(std::mt19937& rng, IdOf idOf, bool clean) {
  std::uniform_int_distribution<int> percent(0, 99);
  const auto fault = [&] { return !clean && percent(rng) < 4; };
  std::vector<Key> keys;
  const int count = std::uniform_int_distribution<int>(0, 40)(rng);
  int frame = std::uniform_int_distribution<int>(-50, 50)(rng);
  for (int i = 0; i < count; ++i) {
    Key key;
    frame += fault() ? -std::uniform_int_distribution<int>(0, 3)(rng) : 1 + percent(rng) % 5;
    key.frame = fault() ? 250000 : frame;
    key.id = fault() ? (percent(rng) < 50 ? std::wstring() : L"shared") : idOf(key.frame);
    if (fault()) key.interpolation = percent(rng) < 50 ? L"Smooth" : L" hold";
    if (fault()) key.note.assign(300, L'n');
    keys.push_back(std::move(key));
  }
  return keys;
}

Object randomAnimatedObject(std::mt19937& rng, int index, bool clean) {
  std::uniform_int_distribution<int> percent(0, 99);
  Object o;
  o.id = L"obj-" + std::to_wstring(index);
  o.kind = ObjectKind::Light;
  o.transformAnimation.keyframes =
      randomKeys<TransformKeyframe>(rng, [](std::int32_t f) { return transformKeyId(f); }, clean);
  o.cameraAnimation.keyframes = randomKeys<CameraKeyframe>(rng, [](std::int32_t f) { return cameraKeyId(f); }, clean);
  o.lightAnimation.keyframes = randomKeys<LightKeyframe>(rng, [](std::int32_t f) { return lightKeyId(f); }, clean);
  for (auto& key : o.transformAnimation.keyframes) {
    key.position = {percent(rng) * 0.5, -1.25, 3.0};
    if (!clean && percent(rng) < 4) key.scale.y = std::nan("");
  }
  for (auto& key : o.cameraAnimation.keyframes) key.settings.fov = clean ? 20 + percent(rng) : percent(rng) * 3.0;
  for (auto& key : o.lightAnimation.keyframes) {
    key.settings.intensity = percent(rng) * 0.25;
    if (!clean && percent(rng) < 4) key.settings.capsuleNote = L"two\nlines";
  }
  if (!o.transformAnimation.keyframes.empty()) o.transformAnimation.selectedKeyId = o.transformAnimation.keyframes[0].id;
  if (!clean) o.lightAnimation.selectedKeyId = L"lkey-gone";
  return o;
}

void sanitizeAllTracks(Object& o) {
  sanitizeTransformKeyTrack(o);
  sanitizeCameraKeyframes(o);
  sanitizeLightKeyframes(o);
}

TEST(TrackRepair, CheckedTracksAreFixedPointsAndSavesMatch) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 200; ++round) {
    Project raw;
    for (int i = 0; i < 4; ++i) raw.scene.objects.push_back(randomAnimatedObject(rng, i + 1, round % 3 == 0));
    Project repaired = raw;
    for (Object& o : repaired.scene.objects) {
      sanitizeAllTracks(o);
      Object again = o;
      sanitizeAllTracks(again);
      ASSERT_EQ(again.transformAnimation, o.transformAnimation) << "round " << round;
      ASSERT_EQ(again.cameraAnimation, o.cameraAnimation) << "round " << round;
      ASSERT_EQ(again.lightAnimation, o.lightAnimation) << "round " << round;
    }
    for (const Object& o : raw.scene.objects) {
      Object alone = o;
      sanitizeAllTracks(alone);
      if (isSanitizedTrack(o.transformAnimation)) {
        EXPECT_EQ(alone.transformAnimation, o.transformAnimation);
      }
      if (isSanitizedTrack(o.cameraAnimation)) {
        EXPECT_EQ(alone.cameraAnimation, o.cameraAnimation);
      }
      if (isSanitizedTrack(o.lightAnimation)) {
        EXPECT_EQ(alone.lightAnimation, o.lightAnimation);
      }
    }
    ASSERT_EQ(serializeProject(raw, 0), serializeProject(repaired, 0)) << "round " << round;
  }
}

TEST(TrackRepair, RepairedFrameDerivedTracksPassTheCheck) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    Object o = randomAnimatedObject(rng, 1, false);
    sanitizeAllTracks(o);
    const auto frameDerived = [](const auto& track, auto idOf) {
      for (const auto& key : track.keyframes) {
        if (key.id != idOf(key.frame)) return false;
      }
      return true;
    };
    if (frameDerived(o.transformAnimation, transformKeyId)) {
      EXPECT_TRUE(isSanitizedTrack(o.transformAnimation));
    }
    if (frameDerived(o.cameraAnimation, cameraKeyId)) {
      EXPECT_TRUE(isSanitizedTrack(o.cameraAnimation));
    }
    if (frameDerived(o.lightAnimation, lightKeyId)) {
      EXPECT_TRUE(isSanitizedTrack(o.lightAnimation));
    }
  }
}

}  // namespace
}  // namespace vk
