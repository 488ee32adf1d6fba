// Document types of the studio: the project, its scene and collections, the
// object record with every payload, and the keyframe tracks.
//
// Every type is a plain value type: default construction gives the defaults
// written beside each field, copies are deep (observably; the heavy mesh and
// curve-sample arrays are shared copy-on-write, see cow.h, and a scene's
// objects copy-on-write one by one, see object_list.h), and nothing refers
// to an object but by its string id. Field names are the keys under which the
// project file stores the field; a nested struct stands for a group object of
// the file (`transform.position`, `mesh.primitive`, `materialSlots.slots`).
//
// Sections:
//   - Vectors, kinds and shading modes
//   - Materials and texture maps
//   - Mesh
//   - Curve
//   - Modifiers
//   - Camera and light payloads
//   - Keyframe tracks
//   - Object
//   - Scene and project
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/corner_list.h"
#include "model/cow.h"
#include "model/object_list.h"

namespace vk {

// ---- Vectors, kinds and shading modes ---------------------------------------
struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  bool operator==(const Vec3&) const = default;
};

struct Vec2 {
  double u = 0.0;
  double v = 0.0;
  bool operator==(const Vec2&) const = default;
};

// Stored by name ("Mesh", "Camera", ...; kindName). Values outside 0..6 are
// representable and read "Object".
enum class ObjectKind : std::uint32_t {
  Mesh = 0,
  Camera = 1,
  Light = 2,
  Empty = 3,
  Text = 4,
  Curve = 5,
  Group = 6,
};

// Stored as "Wireframe", "Solid", "Lit" or "MaterialPreview".
enum class ViewportShadingMode : std::int32_t {
  Wireframe = 0,
  Solid = 1,
  Lit = 2,
  MaterialPreview = 3,
};
// The project file's word ("MaterialPreview") and the label shown to the user;
// any value outside the enumeration reads as "Lit".
const wchar_t* viewportShadingKey(ViewportShadingMode mode);
const wchar_t* viewportShadingLabel(ViewportShadingMode mode);
// Exact, case-sensitive; both spellings of Material Preview; anything else Lit.
ViewportShadingMode viewportShadingFromString(const std::wstring& text);

// ---- Materials and texture maps ---------------------------------------------

struct TextureMap {
  std::wstring channel = L"color";  // color, normal, roughness, metallic, alpha, emission
  std::wstring path;
  std::wstring colorSpace = L"sRGB";  // "sRGB" or "Linear"
  bool enabled = false;
  bool relative = true;
  bool missing = false;
  std::wstring sourceKind;
  std::wstring mimeType;
  std::wstring stagingNote;
  std::int32_t textureIndex = -1;
  std::int32_t imageIndex = -1;
  std::int32_t bufferView = -1;
  std::uint64_t byteLength = 0;
  bool embedded = false;
  bool dataUri = false;
  bool deferredDecode = false;
  bool lazyPreview = false;
  bool unsupportedFormat = false;
  bool operator==(const TextureMap&) const = default;
};

// The file's `textureMaps` group: { "maps": [...] }.
struct TextureMapSet {
  std::vector<TextureMap> maps;
  bool operator==(const TextureMapSet&) const = default;
};

struct Material {
  std::int32_t r = 72;
  std::int32_t g = 132;
  std::int32_t b = 220;
  double roughness = 0.55;
  double metallic = 0.0;
  std::wstring name = L"Material";
  double alpha = 1.0;
  double emission = 0.0;
  TextureMapSet textureMaps;
  std::wstring capsuleId;
  std::wstring capsuleLabel;
  std::wstring capsuleNote;
  bool operator==(const Material&) const = default;
};

// The file's `materialSlots` group.
struct MaterialSlots {
  std::vector<Material> slots;
  std::int32_t activeIndex = 0;
  bool operator==(const MaterialSlots&) const = default;
};

// ---- Mesh -------------------------------------------------------------------

struct MeshFace {
  CornerList indices;    // saved in `faces`
  CornerList uvIndices;  // saved in `faceUvIndices`
  std::int32_t materialIndex = 0;       // saved in `faceMaterialIndices`
  bool operator==(const MeshFace&) const = default;
};

// An undirected edge, smaller vertex index first.
using MeshEdge = std::pair<std::uint32_t, std::uint32_t>;

// Stored topology is `vertices`, `faces` and `uvs`; everything else is derived
// by rebuildMeshData (mesh_data.h). The arrays are copy-on-write handles:
// read with `.read()` / `[i]` / range-for, change with `.write()`.
struct MeshData {
  std::wstring schema = L"mesh-data-v1";
  Cow<std::vector<Vec3>> vertices;
  Cow<std::vector<MeshEdge>> edges;
  Cow<std::vector<MeshFace>> faces;
  Cow<std::vector<Vec3>> normals;  // one per face
  Cow<std::vector<Vec2>> uvs;
  Cow<std::vector<Vec2>> uvPlaceholders;             // one per vertex
  Cow<std::vector<std::int32_t>> faceMaterialIndices;  // one per face
  Vec3 boundsMin;
  Vec3 boundsMax;
  bool normalsValid = false;
  bool boundsValid = false;
  bool uvsValid = false;
  bool uvPlaceholderValid = false;
  std::int32_t degenerateFaces = 0;
  std::wstring validation = L"No mesh data";
  bool operator==(const MeshData&) const = default;
};

// The file's `mesh` group: the primitive label and the counts the derivation
// keeps equal to the sizes of `meshData`.
struct MeshPrimitiveInfo {
  std::wstring primitive = L"Cube";
  std::int32_t vertices = 8;
  std::int32_t edges = 12;
  std::int32_t faces = 6;
  bool operator==(const MeshPrimitiveInfo&) const = default;
};

// ---- Curve ------------------------------------------------------------------

struct CurvePoint {
  Vec3 position;
  Vec3 handleIn{-0.25, 0.0, 0.0};  // offset from position
  Vec3 handleOut{0.25, 0.0, 0.0};  // offset from position
  std::wstring handleType = L"Auto";  // "Bezier", "Auto", "Corner", "Linear"
  bool operator==(const CurvePoint&) const = default;
};

// Control data is saved; `tessellated`, the bounds and `summary` are derived
// by rebuildCurveData (curves.h) and not saved (only the sample count is).
struct CurveData {
  std::wstring schema = L"curve-data-v1";
  std::wstring type = L"Line";  // "Bezier", "Circle", "Rectangle", "Line"
  std::vector<CurvePoint> points;  // at most 512 are used
  bool closed = false;
  double bevelRadius = 0.0;
  double extrusion = 0.0;
  std::int32_t resolution = 16;  // used clamped to 2..64
  Cow<std::vector<Vec3>> tessellated;  // saved as its size, `tessellationCount`
  Vec3 boundsMin;
  Vec3 boundsMax;
  bool hasBounds = false;
  std::wstring summary = L"No curve data";
  bool operator==(const CurveData&) const = default;
};

// ---- Modifiers --------------------------------------------------------------

struct ModifierParam {
  std::wstring key;
  std::wstring kind = L"number";  // "number", "bool" or "text"
  double number = 0.0;
  std::wstring text;
  bool flag = false;
  bool operator==(const ModifierParam&) const = default;
};

struct Modifier {
  std::wstring id;  // "mod-" and a number
  std::wstring type = L"Unknown";
  std::wstring displayName = L"Unknown Modifier";
  bool enabled = true;
  std::int32_t version = 1;
  bool known = false;
  std::vector<ModifierParam> parameters;  // at most 64
  std::wstring status = L"Unknown modifier preserved safely; no viewport evaluation yet.";
  bool operator==(const Modifier&) const = default;
};

// The file's `modifierStack` group.
struct ModifierStack {
  std::vector<Modifier> entries;  // evaluation order, at most 64
  bool operator==(const ModifierStack&) const = default;
};

// ---- Camera and light payloads ----------------------------------------------

struct CameraSettings {
  double fov = 50.0;  // vertical, degrees; used clamped to 1..179
  double nearClip = 0.1;
  double farClip = 1000.0;
  double aspect = 16.0 / 9.0;
  bool operator==(const CameraSettings&) const = default;
};

struct LightSettings {
  std::wstring type = L"Point";  // "Point", "Directional", "Spot", "Area"
  double intensity = 2.0;
  double range = 10.0;
  double spotAngle = 35.0;
  double areaSize = 2.0;
  std::int32_t r = 255;
  std::int32_t g = 244;
  std::int32_t b = 220;
  std::wstring capsuleId;
  std::wstring capsuleLabel;
  std::wstring capsuleNote;
  bool operator==(const LightSettings&) const = default;
};

// ---- Keyframe tracks --------------------------------------------------------
// A key's id is its prefix and its frame ("tkey-12"), so a track holds one
// key per frame.

struct TransformKeyframe {
  std::wstring id;
  std::int32_t frame = 1;
  Vec3 position;
  Vec3 rotation;
  Vec3 scale{1.0, 1.0, 1.0};
  std::wstring interpolation = L"Linear";
  std::wstring note = L"Phase 52 transform keyframe";
  bool operator==(const TransformKeyframe&) const = default;
};

// The settings' fields are stored flat in the key's line ("fov", "nearClip", ...).
struct CameraKeyframe {
  std::wstring id;
  std::int32_t frame = 1;
  CameraSettings settings;
  std::wstring interpolation = L"Linear";
  std::wstring note = L"Phase 53 camera keyframe";
  bool operator==(const CameraKeyframe&) const = default;
};

// The settings' fields are stored flat in the key's line ("type", "intensity", ...).
struct LightKeyframe {
  std::wstring id;
  std::int32_t frame = 1;
  LightSettings settings;
  std::wstring interpolation = L"Linear";
  std::wstring note = L"Phase 53 light keyframe";
  bool operator==(const LightKeyframe&) const = default;
};

struct TransformAnimation {
  std::wstring schema = L"transform-keyframes-v2";
  bool enabled = true;
  std::wstring target = L"objectTransform";
  std::wstring selectedKeyId;
  std::vector<TransformKeyframe> keyframes;
  bool operator==(const TransformAnimation&) const = default;
};

struct CameraAnimation {
  std::wstring schema = L"camera-keyframes-v2";
  bool enabled = true;
  std::wstring target = L"cameraSettings";
  std::wstring selectedKeyId;
  std::vector<CameraKeyframe> keyframes;
  bool operator==(const CameraAnimation&) const = default;
};

struct LightAnimation {
  std::wstring schema = L"light-keyframes-v2";
  bool enabled = true;
  std::wstring target = L"lightSettings";
  std::wstring selectedKeyId;
  std::vector<LightKeyframe> keyframes;
  bool operator==(const LightAnimation&) const = default;
};

// ---- Object -----------------------------------------------------------------

// The file's `transform` group. World point = position + R(scale * local).
struct Transform {
  Vec3 position;
  Vec3 rotation;  // Euler degrees, applied Y, then X, then Z
  Vec3 scale{1.0, 1.0, 1.0};
  bool operator==(const Transform&) const = default;
};

// One scene object of any kind; it carries every kind's payload at once.
struct Object {
  std::wstring id;  // "obj-" and a number
  std::wstring name;
  ObjectKind kind = ObjectKind::Mesh;
  std::wstring collectionId = L"col-001";
  std::wstring parentId;  // empty = top level; may dangle
  bool visible = true;
  bool locked = false;
  bool importedMeshReadOnly = false;
  bool importedMeshConvertedEditable = false;
  bool importedMeshSafeSelectionOnly = false;
  std::wstring importedMeshEditSafety;
  std::wstring importedAssetSourcePath;
  std::wstring importedAssetOriginalName;
  std::wstring importedAssetSourceKind;
  SharedText importedAssetImportReport;  // one text shared by a run's objects
  SharedText importedAssetWarnings;
  bool importedAssetLoadedFromProject = false;
  bool importedAssetMissingOnLoad = false;
  std::wstring objectCapsuleId;
  std::wstring objectCapsuleLabel;
  std::wstring objectCapsuleNote;
  Transform transform;
  Material material;
  MaterialSlots materialSlots;
  MeshPrimitiveInfo mesh;
  MeshData meshData;
  CurveData curveData;
  ModifierStack modifierStack;
  CameraSettings camera;
  LightSettings light;
  TransformAnimation transformAnimation;
  CameraAnimation cameraAnimation;
  LightAnimation lightAnimation;
  bool operator==(const Object&) const = default;
};

// The scene's objects: a vector-like list whose copies share the objects
// that did not change (see object_list.h).
using ObjectList = SharedList<Object>;

// ---- Scene and project ------------------------------------------------------

struct RenderSettings {
  std::wstring source = L"Camera";  // "Camera", "ActiveCamera" or "Viewport"
  std::int32_t outputWidth = 1280;
  std::int32_t outputHeight = 720;
  bool cropCameraFrame = true;
  bool operator==(const RenderSettings&) const = default;
};

struct TimelineBridge {
  std::wstring schema = L"timeline-bridge-v1";
  std::int32_t frameStart = 1;
  std::int32_t frameEnd = 120;
  std::int32_t currentFrame = 1;
  double fps = 24.0;
  bool loopPlayback = true;
  bool showTimelinePanel = true;
  std::wstring focusObjectId;
  std::wstring bridgeMode = L"Scene3D";
  bool operator==(const TimelineBridge&) const = default;
};

struct PresetBrowserState {
  std::wstring schema = L"preset-browser-v1";
  bool visible = true;
  std::wstring categoryFilter = L"All";
  std::wstring selectedPresetId = L"starter-clean-modeling-scene";
  std::wstring lastPreviewStatus = L"Preset Browser ready";
  std::int32_t previewOnly = 1;  // always 1
  bool operator==(const PresetBrowserState&) const = default;
};

struct CapsuleBrowserState {
  std::wstring schema = L"veltrask-capsules-v1";
  bool visible = true;
  std::wstring categoryFilter = L"All";
  std::wstring selectedCapsuleId = L"capsule-basic-primitive-kit";
  std::wstring lastPreviewStatus = L"Veltrask Capsules ready";
  std::wstring lastAppliedCapsuleId;
  std::int32_t appliedCapsuleCount = 0;
  bool previewArmed = false;
  bool operator==(const CapsuleBrowserState&) const = default;
};

struct Collection {
  std::wstring id = L"col-001";
  std::wstring name = L"Main Collection";
  std::vector<std::wstring> objectIds;  // each at most once, in the order added
  bool operator==(const Collection&) const = default;
};

struct Scene {
  std::wstring id = L"scene-001";
  std::wstring name = L"Scene";
  std::wstring activeCollectionId = L"col-001";
  std::wstring activeCameraId;  // counts only when it names a Camera object
  ViewportShadingMode viewportShadingMode = ViewportShadingMode::Lit;
  RenderSettings renderSettings;
  TimelineBridge timelineSettings;
  PresetBrowserState presetBrowser;
  CapsuleBrowserState capsuleBrowser;
  SharedList<Collection> collections;  // shared like the objects: snapshots copy the member ids only when they change
  ObjectList objects;  // scene order = creation order
  bool operator==(const Scene&) const = default;
};

struct Project {
  std::wstring app = L"Veltrask Studio";
  std::wstring name = L"Veltrask Studio Phase 66.1 GLB Export Compatibility QA";
  std::int32_t phase = 66100;
  std::int32_t schema = 66100;
  Scene scene;
  bool operator==(const Project&) const = default;
};

}  // namespace vk
