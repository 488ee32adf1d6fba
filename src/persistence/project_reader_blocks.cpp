// Sub-block readers of the project file: material slots and texture maps,
// mesh and curve data, the modifier stack and the three keyframe tracks.
#include <algorithm>
#include <utility>

#include "model/curves.h"
#include "model/mesh_data.h"
#include "model/modifier_kind_table.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/persistence.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

// What one entry of a list takes in the model beyond the texts read for it:
// the entry, the short texts it holds by default (each at most as long as
// kShortText) and what the repairs after reading add.
constexpr uint64_t kShortText = wideTextBytes(16);
constexpr uint64_t kTextureMapBytes = sizeof(TextureMap) + 3 * kShortText;
// A slot ends with one map per channel.
constexpr uint64_t kSlotBytes = sizeof(Material) + 6 * kTextureMapBytes + kShortText;
constexpr uint64_t kModifierBytes = sizeof(Modifier) + 3 * kShortText + wideTextBytes(std::size(kKnownModifierStatus));
constexpr uint64_t kModifierParamBytes = sizeof(ModifierParam) + 2 * kShortText;
// A key as the track keeps it, and while it is read: the track sanitizer
// holds two more lists of the keys while it sorts them.
template <class Key>
constexpr uint64_t kKeptKeyBytes = sizeof(Key) + 3 * kShortText + wideTextBytes(32);
template <class Key>
constexpr uint64_t kReadKeyBytes = 2 * sizeof(Key) + kKeptKeyBytes<Key>;

// Calls read(itemIndex) for each object item of the member's array, stopping
// after `cap` items; reserve(count) first learns how many that will be. The
// items are charged `itemBytes` each to the parent's budget before any is
// read; none is read past it. Returns how many were charged.
template <class Read, class Reserve>
size_t forEachArrayItem(const JsonObjectIndex& parent, std::string_view key, size_t cap, uint64_t itemBytes,
                        Read&& read, Reserve&& reserve) {
  const auto contents = findNestedArray(parent, key);
  if (!contents) return 0;
  const auto items = extractJsonObjectItems(*contents, parent.table, cap);
  if (parent.budget && !parent.budget->take(items.size() * itemBytes)) return 0;
  reserve(items.size());
  for (std::string_view item : items) read(indexNested(parent, item));
  return items.size();
}
template <class Read>
size_t forEachArrayItem(const JsonObjectIndex& parent, std::string_view key, size_t cap, uint64_t itemBytes,
                        Read&& read) {
  return forEachArrayItem(parent, key, cap, itemBytes, read, [](size_t) {});
}

TextureMap readTextureMap(const JsonObjectIndex& m) {
  TextureMap map;
  map.channel = findPrefix(m, "channel", kComparedTextChars, L"color");
  map.path = findTexturePath(m, "path");
  map.colorSpace = findCopiedText(m, "colorSpace", kTextureMapTextCopies,
                                  (map.channel == L"color" || map.channel == L"emission") ? L"sRGB" : L"Linear");
  map.enabled = findBool(m, "enabled", !map.path.empty()) && !map.path.empty();
  map.relative = findBool(m, "relative", !texturePathIsAbsolute(map.path));
  map.missing = findBool(m, "missing", false);
  map.sourceKind = findCopiedText(m, "sourceKind", kTextureMapTextCopies, L"");
  map.mimeType = findCopiedText(m, "mimeType", kTextureMapTextCopies, L"");
  map.stagingNote = findCopiedText(m, "stagingNote", kTextureMapTextCopies, L"");
  map.textureIndex = findWhole(m, "textureIndex", -1);
  map.imageIndex = findWhole(m, "imageIndex", -1);
  map.bufferView = findWhole(m, "bufferView", -1);
  const double bytes = findNumber(m, "byteLength", 0);
  map.byteLength = bytes > 0 ? (bytes < 1.8e19 ? static_cast<uint64_t>(bytes) : UINT64_MAX) : 0;
  map.embedded = findBool(m, "embedded", false);
  map.dataUri = findBool(m, "dataUri", false);
  map.deferredDecode = findBool(m, "deferredDecode", false);
  map.lazyPreview = findBool(m, "lazyPreview", false);
  map.unsupportedFormat = findBool(m, "unsupportedFormat", false);
  if (textureSourceIsNonFile(map)) map.missing = false;
  return map;
}

// The shared procedure of the three track readers; `readKey` fills the
// track-specific fields of one key from its item.
template <class Track, class ReadKey>
bool loadTrack(const JsonObjectIndex& item, std::string_view blockKey, const wchar_t* legacySchema, Track& out,
               void (*sanitize)(Object&), Object& object, ReadKey&& readKey) {
  const auto blockText = findNestedObject(item, blockKey);
  if (!blockText) {
    sanitize(object);
    return false;
  }
  const JsonObjectIndex block = indexNested(item, *blockText);
  const Track defaults;
  Track track;
  // The track sanitizer replaces both with the current names.
  track.schema = findPrefix(block, "schema", kComparedTextChars, legacySchema);
  track.target = findPrefix(block, "target", kComparedTextChars, defaults.target);
  track.enabled = findBool(block, "enabled", true);
  track.selectedKeyId = findCopiedText(block, "selectedKeyId", kKeyTextCopies, L"");
  using Key = typename decltype(track.keyframes)::value_type;
  const size_t read = forEachArrayItem(
      block, "keyframes", kTrackKeyLimit, kReadKeyBytes<Key>,
      [&](const JsonObjectIndex& k) {
        Key key;
        key.id = findCopiedText(k, "id", kKeyTextCopies, L"");
        key.frame = jsonWholeNumber(findNumber(k, "frame", 1));
        readKey(k, key);
        key.interpolation = findCopiedText(k, "interpolation", kKeyTextCopies, L"Linear");
        key.note = findPrefix(k, "note", kKeyNoteCharLimit, key.note);
        track.keyframes.push_back(std::move(key));
      },
      [&](size_t count) { track.keyframes.reserve(count); });
  out = std::move(track);
  sanitize(object);
  if (block.budget) {
    block.budget->giveBack(read * kReadKeyBytes<Key>);
    block.budget->take(out.keyframes.size() * kKeptKeyBytes<Key>);
  }
  return true;
}

}  // namespace

CameraSettings readCameraSettings(const JsonObjectIndex& b, CameraSettings c) {
  c.fov = findNumber(b, "fov", c.fov);
  c.nearClip = findNumber(b, "nearClip", c.nearClip);
  c.farClip = findNumber(b, "farClip", c.farClip);
  c.aspect = findNumber(b, "aspect", c.aspect);
  return c;
}

LightSettings readLightSettings(const JsonObjectIndex& b, LightSettings l) {
  l.type = findPrefix(b, "type", kComparedTextChars, l.type);
  l.intensity = findNumber(b, "intensity", l.intensity);
  l.range = findNumber(b, "range", l.range);
  l.spotAngle = findNumber(b, "spotAngle", l.spotAngle);
  l.areaSize = findNumber(b, "areaSize", l.areaSize);
  l.r = findWhole(b, "r", l.r);
  l.g = findWhole(b, "g", l.g);
  l.b = findWhole(b, "b", l.b);
  l.capsuleId = findSingleLine(b, "capsuleId", kCapsuleIdCharLimit, L"");
  l.capsuleLabel = findSingleLine(b, "capsuleLabel", kCapsuleLabelCharLimit, L"");
  l.capsuleNote = findSingleLine(b, "capsuleNote", kMaterialCapsuleNoteCharLimit, L"");
  return l;
}

std::vector<Vec3> parseVec3Array(std::string_view contents, size_t limit, size_t expected) {
  static constexpr std::string_view keys[] = {"x", "y", "z"};
  std::vector<Vec3> out;
  out.reserve(std::min(limit, expected));
  forEachJsonNumberObject(contents, keys, 3, limit, [&](const double* v) { out.push_back({v[0], v[1], v[2]}); });
  return out;
}

std::vector<Vec2> parseUvArray(std::string_view contents, size_t limit, size_t expected) {
  static constexpr std::string_view keys[] = {"u", "v"};
  std::vector<Vec2> out;
  out.reserve(std::min(limit, expected));
  forEachJsonNumberObject(contents, keys, 2, limit, [&](const double* v) { out.push_back({v[0], v[1]}); });
  return out;
}

void loadTextureMaps(const JsonObjectIndex& materialText, Material& material) {
  if (const auto block = findNestedObject(materialText, "textureMaps")) {
    material.textureMaps.maps.clear();
    forEachArrayItem(indexNested(materialText, *block), "maps", kProjectTextureMapLimit, kTextureMapBytes,
                     [&](const JsonObjectIndex& m) { material.textureMaps.maps.push_back(readTextureMap(m)); });
  }
  ensureMaterialTextureMaps(material);
}

bool loadMaterialSlots(const JsonObjectIndex& item, Object& object) {
  const auto blockText = findNestedObject(item, "materialSlots");
  if (!blockText) return false;
  const JsonObjectIndex block = indexNested(item, *blockText);
  auto& slots = object.materialSlots.slots;
  slots.clear();
  object.materialSlots.activeIndex = std::clamp(findWhole(block, "activeIndex", 0), 0, 31);
  const Material& base = object.material;
  forEachArrayItem(block, "slots", kMaterialSlotLimit, kSlotBytes, [&](const JsonObjectIndex& s) {
    Material slot;
    slot.name = findSingleLine(s, "name", kMaterialSlotNameCharLimit, L"Material " + std::to_wstring(slots.size() + 1));
    slot.r = std::clamp(findWhole(s, "r", base.r), 0, 255);
    slot.g = std::clamp(findWhole(s, "g", base.g), 0, 255);
    slot.b = std::clamp(findWhole(s, "b", base.b), 0, 255);
    slot.roughness = findNumber(s, "roughness", base.roughness);
    slot.metallic = findNumber(s, "metallic", base.metallic);
    slot.alpha = findNumber(s, "alpha", 1.0);
    slot.emission = findNumber(s, "emission", 0.0);
    slot.capsuleId = findSingleLine(s, "capsuleId", kCapsuleIdCharLimit, L"");
    slot.capsuleLabel = findSingleLine(s, "capsuleLabel", kCapsuleLabelCharLimit, L"");
    slot.capsuleNote = findSingleLine(s, "capsuleNote", kMaterialCapsuleNoteCharLimit, L"");
    loadTextureMaps(s, slot);
    slots.push_back(std::move(slot));
  });
  return true;
}

namespace {

// What the model holds at most per vertex (position, UV placeholder), per
// face (the face, its normal and material index) and per corner (an edge,
// and the corner and its UV corner where a face spills out of its inline
// room): the reader's estimate while a mesh it keeps is still being read.
constexpr uint64_t kVertexBytes = sizeof(Vec3) + sizeof(Vec2);
constexpr uint64_t kFaceBytes = sizeof(MeshFace) + sizeof(Vec3) + sizeof(int32_t);
constexpr uint64_t kCornerBytes = sizeof(MeshEdge) + 2 * sizeof(int32_t);

uint64_t heapCornerBytes(const CornerList& corners) {
  return corners.size() > 4 ? corners.size() * sizeof(int32_t) : 0;
}

}  // namespace

uint64_t meshModelBytes(const MeshData& mesh, size_t longestFace) {
  uint64_t bytes = (mesh.vertices.size() + mesh.normals.size()) * sizeof(Vec3) +
                   (mesh.uvs.size() + mesh.uvPlaceholders.size()) * sizeof(Vec2) +
                   mesh.faces.size() * sizeof(MeshFace) + mesh.faceMaterialIndices.size() * sizeof(int32_t) +
                   mesh.edges.size() * sizeof(MeshEdge);
  if (longestFace <= 4) return bytes;  // every corner list holds its corners inline
  for (const MeshFace& face : mesh.faces) bytes += heapCornerBytes(face.indices) + heapCornerBytes(face.uvIndices);
  return bytes;
}

bool loadMeshData(const JsonObjectIndex& item, Object& object, int32_t slotCount, size_t& longestRead) {
  const auto blockText = findNestedObject(item, "meshData");
  if (!blockText) return false;
  const JsonObjectIndex block = indexNested(item, *blockText);
  // A Mesh or Text past the guard's limits is rebuilt whatever it holds
  // beyond them: one vertex, face or corner more decides that as well as
  // all of them. Other kinds keep what they read, as long as it fits.
  const bool guarded = object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text;
  JsonReadBudget unbounded;
  JsonReadBudget& budget = item.budget ? *item.budget : unbounded;
  // Only counted here: the reader takes what the mesh holds once it is kept.
  uint64_t left = budget.bytes;
  const auto take = [&](uint64_t bytes) {
    if (guarded) return true;
    if (bytes > left) {
      budget.exceeded = true;
      return false;
    }
    left -= bytes;
    return true;
  };
  // The containers the bracket table counted in an array: as many as it
  // has elements when each element is one (the studio's own files).
  const auto containersIn = [&](std::string_view contents) -> size_t {
    return jsonChildContainers(block.table, contents).value_or(0);
  };
  MeshData mesh;
  mesh.schema = findCopiedText(block, "schema", kPreviewedTextCopies, L"mesh-data-v1");
  if (const auto vertices = findNestedArray(block, "vertices")) {
    if (guarded) {
      mesh.vertices = parseVec3Array(*vertices, kLoadGuardVertexLimit + 1, containersIn(*vertices));
    } else {
      // Counted before they are stored: none past the budget is allocated.
      const uint64_t count = countJsonElements(*vertices);
      if (!take(count > left / kVertexBytes ? UINT64_MAX : count * kVertexBytes)) return false;
      mesh.vertices = parseVec3Array(*vertices, SIZE_MAX, static_cast<size_t>(count));
    }
  }
  if (const auto uvs = findNestedArray(block, "uvs")) {
    std::vector<Vec2> list = parseUvArray(*uvs, kProjectMeshUvLimit, containersIn(*uvs));
    if (!take(list.size() * sizeof(Vec2))) return false;
    mesh.uvs = std::move(list);
  }

  // The file's face lists: `listedCount` of them, and dropped[k] whether
  // the k-th was too short to become a face (its UV and material entries go
  // with it). `dropped` stays empty while none is.
  std::vector<MeshFace> faces;
  size_t listedCount = 0;
  std::vector<bool> dropped;
  size_t longestFace = 0;
  if (const auto text = findNestedArray(block, "faces")) {
    const size_t faceLimit = guarded ? kLoadGuardFaceLimit + 1 : SIZE_MAX;
    const size_t cornerCap = guarded ? kMeshFaceCornerLimit + 1 : static_cast<size_t>(left / kCornerBytes) + 1;
    // Only a list can become a face: room for every list the table counted,
    // as far as the limit and the budget go.
    faces.reserve(std::min({containersIn(*text), faceLimit, static_cast<size_t>(left / kFaceBytes) + 1}));
    forEachJsonIntList<CornerList>(*text, cornerCap, [&](const CornerList& list) {
      ++listedCount;
      if (list.size() < 3) {
        if (dropped.empty()) dropped.assign(listedCount - 1, false);
        dropped.push_back(true);
        return true;
      }
      if (!dropped.empty()) dropped.push_back(false);
      if (!take(kFaceBytes + list.size() * kCornerBytes)) return false;
      faces.emplace_back().indices = list;
      longestFace = std::max(longestFace, list.size());
      return faces.size() < faceLimit;
    });
    if (budget.exceeded) return false;
    // Lists too short to be faces leave room unused; a mesh keeps no more
    // than twice what it holds.
    if (faces.size() < faces.capacity() / 2) faces.shrink_to_fit();
  }
  longestRead = longestFace;
  const bool anyDropped = !dropped.empty();
  const auto isDropped = [&](size_t k) { return anyDropped && dropped[k]; };
  if (const auto text = findNestedArray(block, "faceUvIndices")) {
    const auto uvCount = static_cast<int64_t>(mesh.uvs.size());
    size_t k = 0, face = 0;
    // A list longer than every face matches none: one value more tells.
    // An empty list (a face without UVs) matches no face: every face has
    // three corners or more, so its face is not even looked at.
    forEachJsonIntList<CornerList>(*text, longestFace + 1, [&](const CornerList& list) {
      if (k >= listedCount) return false;
      if (isDropped(k++)) return true;
      MeshFace& f = faces[face++];
      if (!list.empty() && list.size() == f.indices.size() &&
          std::all_of(list.begin(), list.end(), [&](int32_t uv) { return uv >= 0 && uv < uvCount; }))
        f.uvIndices = list;
      return face < faces.size();
    });
  }
  if (const auto text = findNestedArray(block, "faceMaterialIndices")) {
    const int32_t maxIndex = std::max(0, slotCount - 1);
    size_t k = 0, face = 0;
    // Faces hold 0 already: only other indices are written.
    forEachJsonWholeNumber(*text, [&](int32_t value) {
      if (k >= listedCount) return false;
      if (isDropped(k++)) return face < faces.size();
      const int32_t index = std::clamp(value, 0, maxIndex);
      if (index != 0) faces[face].materialIndex = index;
      return ++face < faces.size();
    });
  }
  // Only an edited mesh stored without faces stays faceless (or empty, when
  // the user deleted every vertex): an empty face list on a primitive, or one
  // whose every face was unusable, means rebuild.
  const bool storedFaceless = listedCount == 0;
  mesh.faces = std::move(faces);
  std::swap(object.meshData, mesh);
  if (object.meshData.faces.empty() && !(storedFaceless && isEditedFacelessMesh(object))) {
    std::swap(object.meshData, mesh);
    return false;
  }
  // Meshes and texts are derived once, by the load guard that checks them
  // (applyMeshLoadGuard); other kinds keep what is derived here.
  if (!guarded) rebuildMeshData(object);
  return true;
}

bool loadCurveData(const JsonObjectIndex& item, Object& object) {
  const auto blockText = findNestedObject(item, "curveData");
  if (!blockText) return false;
  const JsonObjectIndex block = indexNested(item, *blockText);
  CurveData curve;
  curve.schema = findCopiedText(block, "schema", kPreviewedTextCopies, L"curve-data-v1");
  // The curve's summary holds its type again.
  curve.type = findCopiedText(block, "type", kPreviewedTextCopies + 1, L"Line");
  curve.closed = findBool(block, "closed", curve.type == L"Circle" || curve.type == L"Rectangle");
  curve.bevelRadius = std::clamp(findNumber(block, "bevelRadius", 0), 0.0, 100.0);
  curve.extrusion = std::clamp(findNumber(block, "extrusion", 0), 0.0, 100.0);
  curve.resolution = std::clamp(findWhole(block, "resolution", 16), 2, 64);
  // Every point is drawn as up to resolution + 1 samples, in a list that
  // may grow to twice its size.
  const uint64_t pointBytes = sizeof(CurvePoint) + kShortText + 2 * (uint64_t(curve.resolution) + 1) * sizeof(Vec3);
  forEachArrayItem(
      block, "points", kCurvePointLimit, pointBytes,
      [&](const JsonObjectIndex& p) {
        CurvePoint point;
        point.position = findVec3(p, "position", point.position);
        point.handleIn = findVec3(p, "handleIn", point.handleIn);
        point.handleOut = findVec3(p, "handleOut", point.handleOut);
        point.handleType = findCopiedText(p, "handleType", kPreviewedTextCopies, point.handleType);
        curve.points.push_back(std::move(point));
      },
      [&](size_t count) { curve.points.reserve(count); });
  if (curve.points.empty()) return false;
  object.curveData = std::move(curve);
  rebuildCurveData(object);
  return true;
}

bool loadModifierStack(const JsonObjectIndex& item, Object& object) {
  const auto blockText = findNestedObject(item, "modifierStack");
  if (!blockText) return false;
  auto& entries = object.modifierStack.entries;
  entries.clear();
  const auto readEntry = [&](const JsonObjectIndex& e) {
    Modifier m;
    m.id = findCopiedText(e, "id", kPreviewedTextCopies, L"");
    m.type = findCopiedText(e, "type", kPreviewedTextCopies, L"Unknown");
    m.displayName = findCopiedText(e, "displayName", kPreviewedTextCopies, modifierDisplayName(m.type));
    m.enabled = findBool(e, "enabled", true);
    m.version = std::clamp(jsonWholeNumber(findNumber(e, "version", 1)), 1, 999);
    m.known = isKnownModifierKind(m.type) && findBool(e, "known", true);
    m.status =
        findCopiedText(e, "status", kPreviewedTextCopies, m.known ? kKnownModifierStatus : kUnknownModifierStatus);
    const auto readParameter = [&](const JsonObjectIndex& p) {
      ModifierParam param;
      param.key = findCopiedText(p, "key", kPreviewedTextCopies, L"param");
      param.kind = findPrefix(p, "kind", kComparedTextChars, L"number");
      param.number = findNumber(p, "number", 0);
      param.text = findCopiedText(p, "text", kPreviewedTextCopies, L"");
      param.flag = findBool(p, "flag", param.number != 0);
      m.parameters.push_back(std::move(param));
    };
    forEachArrayItem(e, "parameters", kProjectModifierParameterLimit, kModifierParamBytes, readParameter,
                     [&](size_t count) { m.parameters.reserve(count); });
    entries.push_back(std::move(m));
  };
  forEachArrayItem(indexNested(item, *blockText), "entries", kProjectModifierLimit, kModifierBytes, readEntry,
                   [&](size_t count) { entries.reserve(count); });
  sanitizeModifierStack(object);
  return true;
}

bool loadTransformAnimation(const JsonObjectIndex& item, Object& object) {
  return loadTrack(item, "transformAnimation", L"transform-keyframes-v1", object.transformAnimation,
                   sanitizeTransformKeyTrack, object, [](const JsonObjectIndex& k, TransformKeyframe& key) {
                     key.position = findVec3(k, "position", {0, 0, 0});
                     key.rotation = findVec3(k, "rotation", {0, 0, 0});
                     key.scale = findVec3(k, "scale", {1, 1, 1});
                   });
}

bool loadCameraAnimation(const JsonObjectIndex& item, Object& object) {
  return loadTrack(item, "cameraAnimation", L"camera-keyframes-v1", object.cameraAnimation,
                   sanitizeCameraKeyframes, object, [](const JsonObjectIndex& k, CameraKeyframe& key) {
                     key.settings = readCameraSettings(k, CameraSettings{});
                   });
}

bool loadLightAnimation(const JsonObjectIndex& item, Object& object) {
  return loadTrack(item, "lightAnimation", L"light-keyframes-v1", object.lightAnimation, sanitizeLightKeyframes,
                   object, [](const JsonObjectIndex& k, LightKeyframe& key) {
                     key.settings = readLightSettings(k, LightSettings{});
                   });
}

}  // namespace vk
