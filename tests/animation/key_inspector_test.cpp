// The key inspector: which key it shows, its texts and summaries, and the
// commands that pick and edit the inspected key.
#include "animation_test_support.h"

namespace vktest {
namespace {

using namespace vk;

class KeyInspector : public AnimationTest {};

TEST_F(KeyInspector, ShowsTheKeyAtTheFrameThenTheSelectedThenTheFirst) {
  Object& camera = obj(add(ObjectKind::Camera));
  camera.cameraAnimation.keyframes = {ckey(10), ckey(20)};
  camera.transformAnimation.keyframes = {tkey(15)};
  setFrame(15);
  EXPECT_EQ(keyframeInspectorSummary(&camera), L"Key Inspector: Transform 1/1  frame 15  curve Linear  tkey-15");
  setFrame(12);
  EXPECT_EQ(keyframeInspectorSummary(&camera), L"Key Inspector: Camera 1/2  frame 10  curve Linear  ckey-10");
  camera.cameraAnimation.selectedKeyId = L"ckey-20";
  EXPECT_EQ(keyframeInspectorSummary(&camera), L"Key Inspector: Camera 2/2  frame 20  curve Linear  ckey-20");
  camera.cameraAnimation.keyframes[1].settings = CameraSettings{50.0, 0.1, 1000.0, 1.78};
  EXPECT_EQ(keyframeInspectorValues(&camera),
            L"Values: FOV 50.00 | Clip 0.10-1000.00 | Aspect 1.78 | Curve Linear/constant speed");
  EXPECT_EQ(cameraLightKeySummary(&camera), L"Camera keys: 2 | no key at current frame");
  camera.cameraAnimation.keyframes.clear();
  EXPECT_EQ(cameraLightKeySummary(&camera), L"Camera keys: 0");

  Object& mesh = obj(add(ObjectKind::Mesh));
  EXPECT_EQ(keyframeInspectorSummary(&mesh), L"Key Inspector: no key selected; set a key first");
  EXPECT_EQ(keyframeInspectorValues(&mesh), L"Values: no key selected");
  EXPECT_EQ(cameraLightKeySummary(&mesh), L"Camera/light keys: select camera or light");
  EXPECT_EQ(transformKeySummary(&mesh), L"Transform keys: 0");
  mesh.transformAnimation.keyframes = {tkey(0), tkey(10)};
  timeline().frameStart = 0;
  setFrame(5);
  EXPECT_EQ(transformKeySummary(&mesh), L"Transform keys: 2 | no key at current frame | prev 0 | next 10");
  mesh.transformAnimation.keyframes = {tkey(0), tkey(24, 1.5, L"Linear"), tkey(30)};
  mesh.transformAnimation.keyframes[1].rotation.y = -90.0;
  setFrame(24);
  EXPECT_EQ(keyframeInspectorSummary(&mesh), L"Key Inspector: Transform 2/3  frame 24  curve Linear  tkey-24");
  EXPECT_EQ(keyframeInspectorValues(&mesh), L"Values: Pos 1.50, 0.00, 0.00 | Rot 0.00, -90.00, 0.00 | Scale 1.00, "
                                            L"1.00, 1.00 | Curve Linear/constant speed");
  EXPECT_EQ(keyframeInspectorSummary(nullptr), L"Key Inspector: no selection");
  EXPECT_EQ(keyframeInspectorValues(nullptr), L"Values: no selection");
  EXPECT_EQ(transformKeySummary(nullptr), L"Transform keys: no selection");
  EXPECT_EQ(cameraLightKeySummary(nullptr), L"Camera/light keys: no selection");
  EXPECT_EQ(interpolationDescription(L"Step"), L"Hold/stepped value until next key");
  EXPECT_EQ(interpolationDescription(L"Smooth"), L"Ease In Out/smoothstep");
}

TEST_F(KeyInspector, MetadataMovesKeepsTheIdAndRefusesAnOccupiedFrame) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.transformAnimation.keyframes = {tkey(10), tkey(50)};
  setFrame(10);
  const Stacks before = stacks();
  applyKeyframeInspectorMetadata(50, L"Hold", L"n");
  EXPECT_EQ(status(), L"●  Another key already exists at that frame; metadata not changed");
  expectUnchanged(before);
  applyKeyframeInspectorMetadata(10, L"Smooth", L"same frame");  // its own frame is no conflict
  EXPECT_EQ(status(), L"●  Keyframe Inspector metadata applied");
  EXPECT_EQ(selected().transformAnimation.keyframes[0].interpolation, L"Ease In Out");

  applyKeyframeInspectorMetadata(40, L"Ease-Out", L"a\r\nb\tc" + std::wstring(300, L'x'));
  const TransformAnimation& track = selected().transformAnimation;
  ASSERT_EQ(track.keyframes.size(), 2u);
  EXPECT_EQ(track.keyframes[0].frame, 40);
  EXPECT_EQ(track.keyframes[0].id, L"tkey-10");
  EXPECT_EQ(track.keyframes[0].interpolation, L"Ease Out");
  EXPECT_EQ(track.keyframes[0].note.substr(0, 6), L"a  b c");
  EXPECT_EQ(track.keyframes[0].note.size(), 240u);
  EXPECT_EQ(track.selectedKeyId, L"tkey-10");
  EXPECT_EQ(appState().undoStack.size(), 2u);

  // A new key on the old frame takes that id back; the moved key is renamed.
  setOrUpdateTransformKeyframe();
  const TransformAnimation& after = selected().transformAnimation;
  ASSERT_EQ(after.keyframes.size(), 3u);
  EXPECT_EQ(after.keyframes[0].id, L"tkey-10");
  EXPECT_EQ(after.keyframes[1].id, L"tkey-40");
  EXPECT_EQ(after.selectedKeyId, L"tkey-10");

  setFrame(50);
  applyKeyframeInspectorMetadata(250000, L"", L"");
  EXPECT_EQ(status(), keyFrameRangeRefusal());
  EXPECT_EQ(selected().transformAnimation.keyframes.back().frame, 50);
}

TEST_F(KeyInspector, AdjacentKeysWrapAndMoveTheFrameIntoTheRange) {
  Object& mesh = obj(add(ObjectKind::Mesh));
  mesh.transformAnimation.keyframes = {tkey(10), tkey(20), tkey(500)};
  setFrame(20);
  selectAdjacentInspectorKey(true);
  EXPECT_EQ(status(), L"●  Keyframe Inspector selected next Transform key");
  EXPECT_EQ(selected().transformAnimation.selectedKeyId, L"tkey-500");
  EXPECT_EQ(timeline().currentFrame, 120);  // the key lies past the range's end
  selectAdjacentInspectorKey(true);
  EXPECT_EQ(selected().transformAnimation.selectedKeyId, L"tkey-10");
  EXPECT_EQ(timeline().currentFrame, 10);
  selectAdjacentInspectorKey(false);
  EXPECT_EQ(selected().transformAnimation.selectedKeyId, L"tkey-500");
  EXPECT_EQ(status(), L"●  Keyframe Inspector selected previous Transform key");
  EXPECT_EQ(appState().undoStack.size(), 3u);
}

TEST_F(KeyInspector, LockedObjectsMayBeInspectedButNotEdited) {
  selectCurrentInspectorKey();
  EXPECT_EQ(status(), L"●  Select an object before choosing an inspector key");
  selectAdjacentInspectorKey(true);
  EXPECT_EQ(status(), L"●  Select an object with keyframes first");
  captureKeyValues();
  EXPECT_EQ(status(), L"●  Select an object with a keyframe first");

  Object& light = obj(add(ObjectKind::Light));
  selectAdjacentInspectorKey(true);
  EXPECT_EQ(status(), L"●  Selected object has no keyframes to inspect");
  deleteInspectorKeyframe();
  EXPECT_EQ(status(), L"●  No inspector key is selected");
  light.lightAnimation.keyframes = {lkey(5, 1.0), lkey(9, 3.0)};
  light.transformAnimation.keyframes = {tkey(5)};
  light.locked = true;
  setFrame(5);
  selectCurrentInspectorKey();
  EXPECT_EQ(status(), L"●  Keyframe Inspector selected current Light key");
  EXPECT_EQ(selected().lightAnimation.selectedKeyId, L"lkey-5");
  selectAdjacentInspectorKey(true);
  EXPECT_EQ(timeline().currentFrame, 9);

  const Stacks before = stacks();
  const std::pair<void (*)(), const wchar_t*> refusals[] = {
      {captureKeyValues, L"●  Selected object is locked; key values not changed"},
      {applyKeyToObject, L"●  Selected object is locked; key not applied"},
      {deleteInspectorKeyframe, L"●  Selected object is locked; key not deleted"},
      {[] { setInspectorSelectedKeyInterpolation(L"Hold"); }, L"●  Selected object is locked; interpolation not changed"},
      {[] { applyKeyframeInspectorMetadata(1, L"", L""); }, L"●  Selected object is locked; key metadata not changed"}};
  for (const auto& [command, text] : refusals) {
    command();
    EXPECT_EQ(status(), text);
  }
  expectUnchanged(before);
}

TEST_F(KeyInspector, CaptureApplyDeleteAndCurveActOnTheInspectedKey) {
  Object& light = obj(add(ObjectKind::Light));
  light.lightAnimation.keyframes = {lkey(5, 1.0), lkey(9, 3.0)};
  setFrame(9);
  light.light.intensity = 7.0;
  captureKeyValues();
  EXPECT_EQ(selected().lightAnimation.keyframes[1].settings.intensity, 7.0);
  EXPECT_EQ(status(), L"●  Captured current object values into selected keyframe");
  setFrame(5);
  applyKeyToObject();
  EXPECT_EQ(selected().light.intensity, 1.0);
  setInspectorSelectedKeyInterpolation(L"Ease In Out");
  EXPECT_EQ(status(), L"●  Keyframe Inspector interpolation set to Ease In Out");
  EXPECT_EQ(selected().lightAnimation.keyframes[0].interpolation, L"Ease In Out");
  deleteInspectorKeyframe();
  ASSERT_EQ(selected().lightAnimation.keyframes.size(), 1u);
  EXPECT_EQ(selected().lightAnimation.keyframes[0].frame, 9);
  EXPECT_EQ(appState().undoStack.size(), 4u);
  undoLastSnapshot();
  EXPECT_EQ(selected().lightAnimation.keyframes.size(), 2u);
}

}  // namespace
}  // namespace vktest
