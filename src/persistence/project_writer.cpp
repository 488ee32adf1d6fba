// The project file writer: the document, scene, collections and object blocks
// in their fixed layout. Normalisation runs on copies; memory never changes.
//
// Sections:
//   - Strings and scene blocks
//   - Materials and meshes
//   - Curves and modifiers
//   - Cameras, lights and their tracks
//   - Objects and the document
#include <algorithm>
#include <cmath>
#include <span>

#include "model/app_state.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "persistence/json_write.h"
#include "persistence/persistence.h"
#include "persistence/project_internal.h"

namespace vk {
namespace {

// ---- Strings and scene blocks -----------------------------------------------
void appendString(std::string& out, std::wstring_view text) {
  out += '"';
  appendJsonEscaped(out, text);
  out += '"';
}

void appendIntList(std::string& out, std::span<const int32_t> values) {
  out += '[';
  appendJoined(out, values, [&](int32_t v) { appendInt(out, v); });
  out += ']';
}

void appendTimeline(std::string& out, TimelineBridge t) {
  sanitizeTimelineState(t);
  InlineObject(out)
      .str("schema", t.schema)
      .integer("frameStart", t.frameStart)
      .integer("frameEnd", t.frameEnd)
      .integer("currentFrame", t.currentFrame)
      .fixed("fps", t.fps)
      .boolean("loopPlayback", t.loopPlayback)
      .boolean("showTimelinePanel", t.showTimelinePanel)
      .str("focusObjectId", t.focusObjectId)
      .str("bridgeMode", t.bridgeMode)
      .close();
}

void appendPresetBrowser(std::string& out, PresetBrowserState s) {
  sanitizePresetBrowserState(s);
  InlineObject line(out);
  line.str("schema", s.schema)
      .boolean("visible", s.visible)
      .str("categoryFilter", s.categoryFilter)
      .str("selectedPresetId", s.selectedPresetId)
      .str("lastPreviewStatus", s.lastPreviewStatus);
  line.raw("previewOnly") += "true";
  line.close();
}

void appendCapsuleBrowser(std::string& out, CapsuleBrowserState s) {
  sanitizeCapsuleBrowserState(s);
  InlineObject(out)
      .str("schema", s.schema)
      .boolean("visible", s.visible)
      .str("categoryFilter", s.categoryFilter)
      .str("selectedCapsuleId", s.selectedCapsuleId)
      .str("lastPreviewStatus", s.lastPreviewStatus)
      .str("lastAppliedCapsuleId", s.lastAppliedCapsuleId)
      .integer("appliedCapsuleCount", s.appliedCapsuleCount)
      .boolean("previewArmed", s.previewArmed)
      .close();
}

// ---- Materials and meshes ---------------------------------------------------
void appendTextureMap(std::string& out, const TextureMap& m) {
  const std::wstring path = sanitizeTexturePath(m.path);
  InlineObject(out)
      .str("channel", m.channel)
      .str("path", path)
      .str("colorSpace", m.colorSpace.empty() ? defaultColorSpaceForSlot(m.channel) : m.colorSpace)
      .boolean("enabled", m.enabled && !path.empty())
      .boolean("relative", m.relative)
      .boolean("missing", m.missing)
      .str("sourceKind", m.sourceKind)
      .str("mimeType", m.mimeType)
      .str("stagingNote", m.stagingNote)
      .integer("textureIndex", m.textureIndex)
      .integer("imageIndex", m.imageIndex)
      .integer("bufferView", m.bufferView)
      .count("byteLength", m.byteLength)
      .boolean("embedded", m.embedded)
      .boolean("dataUri", m.dataUri)
      .boolean("deferredDecode", m.deferredDecode)
      .boolean("lazyPreview", m.lazyPreview)
      .boolean("unsupportedFormat", m.unsupportedFormat)
      .close();
}

void appendTextureSlots(std::string& out, const Material& material) {
  Material copy = material;
  ensureMaterialTextureMaps(copy);
  out += "{ \"schema\": \"texture-slots-v1\", \"maps\": [";
  appendJoined(out, copy.textureMaps.maps, [&](const TextureMap& m) { appendTextureMap(out, m); });
  out += "] }";
}

void appendMaterialSlot(std::string& out, const Material& m, int index) {
  const std::wstring name = m.name.empty() ? L"Material " + std::to_wstring(index + 1) : m.name;
  InlineObject line(out);
  line.str("name", name)
      .integer("r", std::clamp(m.r, 0, 255))
      .integer("g", std::clamp(m.g, 0, 255))
      .integer("b", std::clamp(m.b, 0, 255))
      .fixed("roughness", std::clamp(m.roughness, 0.0, 1.0))
      .fixed("metallic", std::clamp(m.metallic, 0.0, 1.0))
      .fixed("alpha", std::clamp(m.alpha, 0.05, 1.0))
      .fixed("emission", std::clamp(m.emission, 0.0, 4.0));
  // A material capsule's stamp is the slot's own: written when there is one,
  // so it reopens with the slot (the reader takes these keys).
  if (!m.capsuleId.empty()) line.str("capsuleId", m.capsuleId);
  if (!m.capsuleLabel.empty()) line.str("capsuleLabel", m.capsuleLabel);
  if (!m.capsuleNote.empty()) line.str("capsuleNote", m.capsuleNote);
  appendTextureSlots(line.raw("textureMaps"), m);
  line.close();
}

void appendMaterialSlots(std::string& out, const Object& object) {
  const auto& slots = object.materialSlots.slots;
  const int last = std::max(0, static_cast<int>(slots.size()) - 1);
  out += "{\n";
  keyLine(out, 8, "schema") += "\"material-slots-v1\",\n";
  appendInt(keyLine(out, 8, "activeIndex"), std::clamp(object.materialSlots.activeIndex, 0, last));
  out += ",\n";
  keyLine(out, 8, "slots") += '[';
  if (slots.empty()) {
    appendMaterialSlot(out, object.material, 0);
  } else {
    for (size_t i = 0; i < slots.size(); ++i) {
      if (i) out += ", ";
      appendMaterialSlot(out, slots[i], static_cast<int>(i));
    }
  }
  out += "]\n      }";
}

void appendMeshData(std::string& out, const MeshData& mesh) {
  out += "{\n";
  BlockLines(out, 8)
      .str("schema", mesh.schema)
      .count("vertexCount", mesh.vertices.size())
      .count("edgeCount", mesh.edges.size())
      .count("faceCount", mesh.faces.size())
      .count("normalCount", mesh.normals.size())
      .count("uvCount", mesh.uvs.size())
      .count("uvPlaceholderCount", mesh.uvPlaceholders.size())
      .vec("boundsMin", mesh.boundsMin)
      .vec("boundsMax", mesh.boundsMax)
      .boolean("normalsValid", mesh.normalsValid)
      .boolean("boundsValid", mesh.boundsValid)
      .boolean("uvsValid", mesh.uvsValid)
      .boolean("uvPlaceholderValid", mesh.uvPlaceholderValid)
      .integer("degenerateFaces", mesh.degenerateFaces)
      .str("validation", mesh.validation);
  keyLine(out, 8, "vertices") += '[';
  appendJoined(out, mesh.vertices, [&](const Vec3& v) { appendVec3(out, v); });
  out += "],\n";
  keyLine(out, 8, "uvs") += '[';
  appendJoined(out, mesh.uvs, [&](const Vec2& uv) {
    InlineObject(out).shortest("u", uv.u).shortest("v", uv.v).close();
  });
  out += "],\n";
  keyLine(out, 8, "edges") += '[';
  appendJoined(out, mesh.edges, [&](const MeshEdge& e) {
    out += '[';
    appendUnsigned(out, e.first);
    out += ", ";
    appendUnsigned(out, e.second);
    out += ']';
  });
  out += "],\n";
  keyLine(out, 8, "faces") += '[';
  appendJoined(out, mesh.faces, [&](const MeshFace& f) { appendIntList(out, f.indices); });
  out += "],\n";
  keyLine(out, 8, "faceUvIndices") += '[';
  appendJoined(out, mesh.faces, [&](const MeshFace& f) { appendIntList(out, f.uvIndices); });
  out += "],\n";
  // Each face's own index: the derived per-face list goes stale when a slot is removed.
  keyLine(out, 8, "faceMaterialIndices") += '[';
  appendJoined(out, mesh.faces, [&](const MeshFace& f) { appendInt(out, f.materialIndex); });
  out += "]\n      }";
}

// ---- Curves and modifiers ---------------------------------------------------
void appendCurvePoint(std::string& out, const CurvePoint& p) {
  InlineObject(out)
      .vec("position", p.position)
      .vec("handleIn", p.handleIn)
      .vec("handleOut", p.handleOut)
      .str("handleType", p.handleType)
      .close();
}

void appendCurveData(std::string& out, const CurveData& curve) {
  out += "{\n";
  BlockLines(out, 8)
      .str("schema", curve.schema)
      .str("type", curve.type)
      .boolean("closed", curve.closed)
      .fixed("bevelRadius", curve.bevelRadius)
      .fixed("extrusion", curve.extrusion)
      .integer("resolution", curve.resolution)
      .count("pointCount", curve.points.size())
      .count("tessellationCount", curve.tessellated.size())
      .vec("boundsMin", curve.boundsMin)
      .vec("boundsMax", curve.boundsMax)
      .boolean("boundsValid", curve.hasBounds)
      .str("validation", curve.summary);
  keyLine(out, 8, "points") += '[';
  appendJoined(out, curve.points, [&](const CurvePoint& p) { appendCurvePoint(out, p); });
  out += "]\n      }";
}

void appendModifierParameter(std::string& out, const ModifierParam& p) {
  InlineObject(out)
      .str("key", p.key)
      .str("kind", p.kind)
      .fixed("number", p.number)
      .str("text", p.text)
      .boolean("flag", p.flag)
      .close();
}

void appendModifierEntry(std::string& out, const Modifier& m) {
  out += "{\n";
  BlockLines(out, 10)
      .str("id", m.id)
      .str("type", m.type)
      .str("displayName", m.displayName)
      .boolean("enabled", m.enabled)
      .integer("version", m.version)
      .boolean("known", m.known)
      .str("status", m.status);
  keyLine(out, 10, "parameters") += '[';
  appendJoined(out, m.parameters, [&](const ModifierParam& p) { appendModifierParameter(out, p); });
  out += "]\n        }";
}

void appendModifierStack(std::string& out, const Object& object, int activeModifierIndex) {
  const auto& entries = object.modifierStack.entries;
  const int last = std::max(0, static_cast<int>(entries.size()) - 1);
  out += "{\n";
  keyLine(out, 8, "schema") += "\"modifier-stack-v1\",\n";
  keyLine(out, 8, "evaluationMode") += "\"phase42-live-preview-basic\",\n";
  appendInt(keyLine(out, 8, "activeIndex"), std::clamp(activeModifierIndex, 0, last));
  out += ",\n";
  keyLine(out, 8, "entries") += "[\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    out += "        ";
    appendModifierEntry(out, entries[i]);
    if (i + 1 < entries.size()) out += ',';
    out += '\n';
  }
  out += "        ]\n      }";
}

// ---- Cameras, lights and their tracks ---------------------------------------
void appendCamera(std::string& out, const CameraSettings& c) {
  InlineObject(out)
      .fixed("fov", c.fov)
      .fixed("nearClip", c.nearClip)
      .fixed("farClip", c.farClip)
      .fixed("aspect", c.aspect)
      .close();
}

// The light line's members, shared with the light key line.
void appendLightMembers(InlineObject& line, const LightSettings& l) {
  line.str("type", l.type)
      .fixed("intensity", l.intensity)
      .fixed("range", l.range)
      .fixed("spotAngle", l.spotAngle)
      .fixed("areaSize", l.areaSize)
      .integer("r", l.r)
      .integer("g", l.g)
      .integer("b", l.b)
      .str("capsuleId", l.capsuleId)
      .str("capsuleLabel", l.capsuleLabel)
      .str("capsuleNote", l.capsuleNote);
}

void appendTransformKey(std::string& out, const TransformKeyframe& k) {
  InlineObject(out)
      .str("id", k.id)
      .integer("frame", k.frame)
      .vec("position", k.position)
      .vec("rotation", k.rotation)
      .vec("scale", k.scale)
      .str("interpolation", k.interpolation)
      .str("note", k.note)
      .close();
}

void appendCameraKey(std::string& out, const CameraKeyframe& k) {
  const CameraSettings c = sanitizeCameraSettings(k.settings);
  InlineObject(out)
      .str("id", k.id)
      .integer("frame", k.frame)
      .fixed("fov", c.fov)
      .fixed("nearClip", c.nearClip)
      .fixed("farClip", c.farClip)
      .fixed("aspect", c.aspect)
      .str("interpolation", k.interpolation)
      .str("note", k.note)
      .close();
}

void appendLightKey(std::string& out, const LightKeyframe& k) {
  InlineObject line(out);
  line.str("id", k.id).integer("frame", k.frame);
  appendLightMembers(line, sanitizeLightSettings(k.settings));
  line.str("interpolation", k.interpolation).str("note", k.note).close();
}

// The three tracks share one block layout; `Track` is the sanitized copy.
template <class Track, class WriteKey>
void appendTrack(std::string& out, const Track& track, WriteKey&& writeKey) {
  out += "{\n";
  BlockLines(out, 8)
      .str("schema", track.schema)
      .str("target", track.target)
      .boolean("enabled", track.enabled)
      .str("selectedKeyId", track.selectedKeyId);
  keyLine(out, 8, "keyframes") += '[';
  appendJoined(out, track.keyframes, [&](const auto& key) { writeKey(out, key); });
  out += "]\n      }";
}

// Tracks are written as the sanitizer leaves them. Live tracks normally are
// sanitized already (on load and after every key command) and are written as
// they stand; any other goes through a bare object holding only a copy of the
// track, which keeps the mesh out of the copy.
template <auto Member, class Sanitize, class WriteKey>
void appendSanitizedTrack(std::string& out, const Object& object, Sanitize&& sanitize, WriteKey&& writeKey) {
  if (isSanitizedTrack(object.*Member)) {
    appendTrack(out, object.*Member, writeKey);
    return;
  }
  Object copy;
  copy.kind = object.kind;
  copy.*Member = object.*Member;
  sanitize(copy);
  appendTrack(out, copy.*Member, writeKey);
}

void appendTransformAnimation(std::string& out, const Object& object) {
  appendSanitizedTrack<&Object::transformAnimation>(out, object, sanitizeTransformKeyTrack, appendTransformKey);
}

void appendCameraAnimation(std::string& out, const Object& object) {
  appendSanitizedTrack<&Object::cameraAnimation>(out, object, sanitizeCameraKeyframes, appendCameraKey);
}

void appendLightAnimation(std::string& out, const Object& object) {
  appendSanitizedTrack<&Object::lightAnimation>(out, object, sanitizeLightKeyframes, appendLightKey);
}

// ---- Objects and the document -----------------------------------------------
void appendObject(std::string& out, const Object& o, int activeModifierIndex) {
  out += "    {\n";
  BlockLines(out, 6)
      .str("id", o.id)
      .str("name", o.name)
      .str("kind", kindName(o.kind))
      .str("collectionId", o.collectionId)
      .str("parentId", o.parentId)
      .boolean("visible", o.visible)
      .boolean("locked", o.locked)
      .boolean("importedMeshReadOnly", o.importedMeshReadOnly)
      .boolean("importedMeshConvertedEditable", o.importedMeshConvertedEditable)
      .boolean("importedMeshSafeSelectionOnly", o.importedMeshSafeSelectionOnly)
      .str("importedMeshEditSafety", o.importedMeshEditSafety)
      .str("importedAssetSourcePath", o.importedAssetSourcePath)
      .str("importedAssetOriginalName", o.importedAssetOriginalName)
      .str("importedAssetSourceKind", o.importedAssetSourceKind)
      .str("importedAssetImportReport", o.importedAssetImportReport)
      .str("importedAssetWarnings", o.importedAssetWarnings)
      .boolean("importedAssetLoadedFromProject", o.importedAssetLoadedFromProject)
      .boolean("importedAssetMissingOnLoad", o.importedAssetMissingOnLoad)
      .str("objectCapsuleId", o.objectCapsuleId)
      .str("objectCapsuleLabel", o.objectCapsuleLabel)
      .str("objectCapsuleNote", o.objectCapsuleNote);

  keyLine(out, 6, "transform") += "{\n";
  BlockLines(out, 8).vec("position", o.transform.position).vec("rotation", o.transform.rotation);
  appendVec3(keyLine(out, 8, "scale"), o.transform.scale);
  out += "\n      },\n";

  InlineObject(keyLine(out, 6, "material"))
      .integer("r", o.material.r)
      .integer("g", o.material.g)
      .integer("b", o.material.b)
      .fixed("roughness", o.material.roughness)
      .fixed("metallic", o.material.metallic)
      .close();
  out += ",\n";
  appendMaterialSlots(keyLine(out, 6, "materialSlots"), o);
  out += ",\n";
  InlineObject(keyLine(out, 6, "mesh"))
      .str("primitive", o.mesh.primitive)
      .integer("vertices", o.mesh.vertices)
      .integer("edges", o.mesh.edges)
      .integer("faces", o.mesh.faces)
      .close();
  out += ",\n";
  appendMeshData(keyLine(out, 6, "meshData"), o.meshData);
  out += ",\n";
  appendCurveData(keyLine(out, 6, "curveData"), o.curveData);
  out += ",\n";
  appendModifierStack(keyLine(out, 6, "modifierStack"), o, activeModifierIndex);
  out += ",\n";
  appendCamera(keyLine(out, 6, "camera"), o.camera);
  out += ",\n";
  InlineObject light(keyLine(out, 6, "light"));
  appendLightMembers(light, o.light);
  light.close();
  out += ",\n";
  appendTransformAnimation(keyLine(out, 6, "transformAnimation"), o);
  out += ",\n";
  appendCameraAnimation(keyLine(out, 6, "cameraAnimation"), o);
  out += ",\n";
  appendLightAnimation(keyLine(out, 6, "lightAnimation"), o);
  out += "\n    }";
}

template <class Append, class... Args>
std::string build(Append&& append, const Args&... args) {
  std::string out;
  append(out, args...);
  return out;
}

}  // namespace

std::string serializeProject(const Project& project) {
  return serializeProject(project, appState().activeModifierIndex);
}

std::string serializeProject(const Project& project, int activeModifierIndex) {
  const Scene& scene = project.scene;
  std::string out;
  out += "{\n";
  BlockLines(out, 2)
      .str("app", project.app)
      .str("name", project.name)
      .integer("phase", project.phase)
      .integer("schema", project.schema);
  keyLine(out, 2, "scene") += "{\n";
  BlockLines(out, 4)
      .str("id", scene.id)
      .str("name", scene.name)
      .str("activeCollectionId", scene.activeCollectionId)
      .str("activeCameraId", scene.activeCameraId)
      .str("viewportShadingMode", viewportShadingKey(scene.viewportShadingMode));
  InlineObject(keyLine(out, 4, "renderSettings"))
      .str("source", scene.renderSettings.source)
      .integer("outputWidth", scene.renderSettings.outputWidth)
      .integer("outputHeight", scene.renderSettings.outputHeight)
      .boolean("cropCameraFrame", scene.renderSettings.cropCameraFrame)
      .close();
  out += ",\n";
  appendTimeline(keyLine(out, 4, "timelineSettings"), scene.timelineSettings);
  out += ",\n";
  appendPresetBrowser(keyLine(out, 4, "presetBrowser"), scene.presetBrowser);
  out += ",\n";
  appendCapsuleBrowser(keyLine(out, 4, "capsuleBrowser"), scene.capsuleBrowser);
  out += "\n  },\n";

  keyLine(out, 2, "collections") += "[\n";
  for (size_t i = 0; i < scene.collections.size(); ++i) {
    const Collection& c = scene.collections[i];
    out += "    ";
    InlineObject line(out);
    line.str("id", c.id).str("name", c.name);
    std::string& ids = line.raw("objectIds");
    ids += '[';
    appendJoined(ids, c.objectIds, [&](const std::wstring& id) { appendString(ids, id); });
    ids += ']';
    line.close();
    if (i + 1 < scene.collections.size()) out += ',';
    out += '\n';
  }
  out += "  ],\n";

  keyLine(out, 2, "objects") += "[\n";
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    appendObject(out, scene.objects[i], activeModifierIndex);
    if (i + 1 < scene.objects.size()) out += ',';
    out += '\n';
  }
  out += "  ]\n}\n";
  return out;
}

std::string jsonVec3(const Vec3& v) { return build(appendVec3, v); }
std::string serializePresetBrowser(const PresetBrowserState& s) { return build(appendPresetBrowser, s); }
std::string serializeTextureSlots(const Material& m) { return build(appendTextureSlots, m); }
std::string serializeTextureMap(const TextureMap& m) { return build(appendTextureMap, m); }
std::string serializeModifierParameter(const ModifierParam& p) { return build(appendModifierParameter, p); }

}  // namespace vk
