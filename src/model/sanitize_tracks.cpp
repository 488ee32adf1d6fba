// Repair of the three keyframe tracks: canonical schema and target, values in
// range, at most 1000 keys, one key per frame in ascending order, distinct
// key ids and a selected key id that names a key.
#include <algorithm>
#include <unordered_map>

#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {

namespace {


template <class Track>
struct TrackNames;
template <>
struct TrackNames<TransformAnimation> {
  static constexpr const wchar_t* schema = L"transform-keyframes-v2";
  static constexpr const wchar_t* target = L"objectTransform";
  static constexpr const wchar_t* prefix = kTransformKeyPrefix;
  static std::wstring keyId(std::int32_t frame) { return transformKeyId(frame); }
};
template <>
struct TrackNames<CameraAnimation> {
  static constexpr const wchar_t* schema = L"camera-keyframes-v2";
  static constexpr const wchar_t* target = L"cameraSettings";
  static constexpr const wchar_t* prefix = kCameraKeyPrefix;
  static std::wstring keyId(std::int32_t frame) { return cameraKeyId(frame); }
};
template <>
struct TrackNames<LightAnimation> {
  static constexpr const wchar_t* schema = L"light-keyframes-v2";
  static constexpr const wchar_t* target = L"lightSettings";
  static constexpr const wchar_t* prefix = kLightKeyPrefix;
  static std::wstring keyId(std::int32_t frame) { return lightKeyId(frame); }
};

std::int32_t clampKeyFrame(std::int32_t frame) { return clampInt(frame, -100000, 100000); }

void repairKeyValues(TransformKeyframe& key) {
  Transform t = sanitizeTransformValues(key.position, key.rotation, key.scale);
  key.position = t.position;
  key.rotation = t.rotation;
  key.scale = t.scale;
}
void repairKeyValues(CameraKeyframe& key) { key.settings = sanitizeCameraSettings(key.settings); }
void repairKeyValues(LightKeyframe& key) { key.settings = sanitizeLightSettings(key.settings); }

bool keyValuesInRange(const TransformKeyframe& key) {
  const Transform t = sanitizeTransformValues(key.position, key.rotation, key.scale);
  return t.position == key.position && t.rotation == key.rotation && t.scale == key.scale;
}
bool keyValuesInRange(const CameraKeyframe& key) { return sanitizeCameraSettings(key.settings) == key.settings; }
bool keyValuesInRange(const LightKeyframe& key) { return lightSettingsAreSanitized(key.settings); }

bool isCanonicalInterpolation(const std::wstring& name) {
  return name == L"Linear" || name == L"Hold" || name == L"Ease In" || name == L"Ease Out" ||
         name == L"Ease In Out";
}

// True when the repair below would leave the track exactly as it is; one pass
// without copies, so tracks that were repaired once (on load, after every key
// command) cost no sort and no copy when they are checked again or saved.
// Keys whose ids are not their frame-derived ids take the full repair, which
// keeps them when they are distinct.
template <class Track>
bool trackIsRepaired(const Track& track) {
  using Names = TrackNames<Track>;
  if (track.schema != Names::schema || track.target != Names::target) return false;
  if (track.keyframes.size() > kTrackKeyLimit) return false;
  bool selectionNamed = track.selectedKeyId.empty();
  const auto& keys = track.keyframes;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto& key = keys[i];
    if (key.frame != clampKeyFrame(key.frame)) return false;
    if (i > 0 && key.frame <= keys[i - 1].frame) return false;
    if (!isCanonicalInterpolation(key.interpolation) || key.note.size() > kKeyNoteCharLimit) return false;
    if (!isFrameKeyId(key.id, Names::prefix, key.frame) || !keyValuesInRange(key)) return false;
    if (!selectionNamed && key.id == track.selectedKeyId) selectionNamed = true;
  }
  return selectionNamed;
}

// Two keys never share an id: an id equal to its own key's frame-derived id
// always stays; of several keys carrying another id the first (in frame
// order) keeps it and the others take their frame-derived id. A frame-derived
// id already held by a kept foreign id is taken back, and that key in turn
// falls back to its own frame-derived id; every key is evicted at most once.
template <class Key, class IdMaker>
void makeKeyIdsDistinct(std::vector<Key>& keys, IdMaker canonicalId) {
  std::unordered_map<std::wstring, std::size_t> owner;
  std::vector<std::size_t> pending;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].id == canonicalId(keys[i].frame)) owner[keys[i].id] = i;
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].id == canonicalId(keys[i].frame)) continue;
    if (owner.emplace(keys[i].id, i).second) continue;
    pending.push_back(i);
  }
  while (!pending.empty()) {
    const std::size_t i = pending.back();
    pending.pop_back();
    keys[i].id = canonicalId(keys[i].frame);
    auto [slot, inserted] = owner.emplace(keys[i].id, i);
    if (!inserted) {
      // Held by a key whose own id is foreign (frames are unique, so it
      // cannot be that key's frame-derived id).
      pending.push_back(slot->second);
      slot->second = i;
    }
  }
}

template <class Track>
void sanitizeTrack(Track& track) {
  using Key = typename decltype(track.keyframes)::value_type;
  using Names = TrackNames<Track>;
  if (trackIsRepaired(track)) return;
  const auto canonicalId = &Names::keyId;
  track.schema = Names::schema;
  track.target = Names::target;

  std::vector<Key> repaired;
  repaired.reserve(std::min(track.keyframes.size(), kTrackKeyLimit));
  // The stored keys are replaced below: moved, not copied.
  for (Key& stored : track.keyframes) {
    if (repaired.size() >= kTrackKeyLimit) break;
    Key key = std::move(stored);
    key.frame = clampKeyFrame(key.frame);
    repairKeyValues(key);
    key.interpolation = sanitizeTransformKeyframeInterpolation(key.interpolation);
    if (key.id.empty()) key.id = canonicalId(key.frame);
    if (key.note.size() > kKeyNoteCharLimit) key.note.resize(kKeyNoteCharLimit);
    repaired.push_back(std::move(key));
  }

  // Stable: of keys with equal frame and id, the later stored one sorts last
  // and so wins the collapse below.
  std::stable_sort(repaired.begin(), repaired.end(), [](const Key& a, const Key& b) {
    if (a.frame != b.frame) return a.frame < b.frame;
    return a.id < b.id;
  });
  std::vector<Key> collapsed;
  collapsed.reserve(repaired.size());
  for (Key& key : repaired) {
    if (!collapsed.empty() && collapsed.back().frame == key.frame) {
      collapsed.back() = std::move(key);
    } else {
      collapsed.push_back(std::move(key));
    }
  }
  // Many keys merged into few hold no room for the many.
  if (collapsed.size() < collapsed.capacity() / 2) collapsed.shrink_to_fit();
  makeKeyIdsDistinct(collapsed, canonicalId);
  track.keyframes = std::move(collapsed);

  if (!track.selectedKeyId.empty()) {
    const bool named = std::any_of(track.keyframes.begin(), track.keyframes.end(),
                                   [&](const Key& k) { return k.id == track.selectedKeyId; });
    if (!named) track.selectedKeyId.clear();
  }
}

}  // namespace

std::wstring sanitizeTransformKeyframeInterpolation(const std::wstring& interpolation) {
  const std::wstring name = trimWhitespace(interpolation);
  if (name == L"Hold" || name == L"Step") return L"Hold";
  if (name == L"EaseIn" || name == L"Ease In" || name == L"Ease-In") return L"Ease In";
  if (name == L"EaseOut" || name == L"Ease Out" || name == L"Ease-Out") return L"Ease Out";
  if (name == L"EaseInOut" || name == L"Ease In Out" || name == L"Ease-In-Out" || name == L"Smooth") {
    return L"Ease In Out";
  }
  return L"Linear";
}

void sanitizeTransformKeyTrack(Object& object) { sanitizeTrack(object.transformAnimation); }
void sanitizeCameraKeyframes(Object& object) { sanitizeTrack(object.cameraAnimation); }
void sanitizeLightKeyframes(Object& object) { sanitizeTrack(object.lightAnimation); }

bool isSanitizedTrack(const TransformAnimation& track) { return trackIsRepaired(track); }
bool isSanitizedTrack(const CameraAnimation& track) { return trackIsRepaired(track); }
bool isSanitizedTrack(const LightAnimation& track) { return trackIsRepaired(track); }

}  // namespace vk
