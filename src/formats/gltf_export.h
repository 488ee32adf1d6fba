// glTF 2.0 and GLB export: the in-memory build state filled from scene
// objects, its validation, the JSON document, the GLB container, the
// compatibility report and the three export commands.
//
// Conventions every reader of our files relies on (the glTF import matches
// them): the studio's axes mirrored in z (exchange_axes.h); node rotation
// q = qz·qx·qy (Y applied first, then X, then Z, as the scene model turns
// objects); V written as 1 - v; a child node's transform
// is relative to its parent node, so composing the hierarchy the glTF way
// gives back every object's own placement.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/file_choice.h"
#include "model/types.h"

namespace vk {

// ---- limits ---------------------------------------------------------------
inline constexpr std::size_t kGltfExportNodeLimit = 512;                     // nodes, one per object written
inline constexpr std::size_t kGltfExportMeshFaceLimit = 60000;               // faces of one object's mesh
inline constexpr std::size_t kGltfExportBinByteLimit = 64u * 1024u * 1024u;  // the binary buffer, 64 MiB

struct GltfBufferViewRecord {
  std::uint64_t byteOffset = 0;
  std::uint64_t byteLength = 0;
  std::uint32_t target = 0;  // 34962 vertex data, 34963 index data, 0 none
};

struct GltfAccessorRecord {
  std::int32_t bufferView = -1;
  std::uint32_t componentType = 5126;
  std::uint64_t count = 0;
  std::string type = "SCALAR";
  bool normalized = false;
  bool hasMinMax = false;
  std::int32_t minMaxComponents = 0;  // 0 = from type
  std::array<double, 4> min{};
  std::array<double, 4> max{};
};

struct GltfPrimitiveRecord {
  std::int32_t position = -1;
  std::int32_t normal = -1;
  std::int32_t texcoord0 = -1;
  std::int32_t indices = -1;
  std::int32_t material = -1;
  std::uint64_t triangleCount = 0;
};

struct GltfMeshRecord {
  std::wstring name;
  std::vector<GltfPrimitiveRecord> primitives;
};

struct GltfNodeRecord {
  std::wstring objectId;
  std::wstring name;
  std::wstring parentId;
  std::int32_t mesh = -1;
  // The object's own transform in the file's axes (exchange_axes.h),
  // non-finite values replaced (0; scale 1).
  Vec3 translation;
  Vec3 rotationDegrees;
  Vec3 scale{1.0, 1.0, 1.0};
  // What the node line carries: the own transform for a root, the transform
  // relative to the parent node for a child. Rotation is (x, y, z, w).
  Vec3 localTranslation;
  std::array<double, 4> localRotation{0.0, 0.0, 0.0, 1.0};
  Vec3 localScale{1.0, 1.0, 1.0};
  std::int32_t parentNode = -1;  // the node this one is linked under, -1 for a root
  std::vector<std::uint32_t> children;
};

// The textures a material line refers to (-1: none).
struct GltfMaterialTextures {
  std::int32_t color = -1;
  std::int32_t roughness = -1;
  std::int32_t normal = -1;
  bool any() const { return color >= 0 || roughness >= 0 || normal >= 0; }
};

struct GltfBuildState {
  std::string binBytes;
  std::vector<GltfBufferViewRecord> bufferViews;
  std::vector<GltfAccessorRecord> accessors;
  std::vector<Material> materials;
  std::vector<std::wstring> imageUris;
  std::map<std::wstring, std::int32_t> imageIndexByUri;
  std::vector<std::uint32_t> textureImageIndices;
  std::map<std::wstring, std::int32_t> textureIndexByUri;
  std::vector<GltfMeshRecord> meshes;
  std::vector<GltfNodeRecord> nodes;
  std::map<std::wstring, std::int32_t> nodeIndexById;
  std::uint32_t meshObjectCount = 0;
  std::uint32_t vertexCount = 0;
  std::uint32_t triangleCount = 0;
  std::uint32_t skippedFaceCount = 0;
  std::uint32_t oversizedFaceCount = 0;  // of the skipped ones, those over kExportScopeFaceCornerLimit corners
  std::uint32_t nodeCount = 0;
  std::uint32_t materialCount = 0;
  std::uint32_t bufferViewCount = 0;
  std::uint32_t accessorCount = 0;
  std::uint32_t binByteCount = 0;
  std::uint32_t shortIndexPrimitiveCount = 0;
  std::uint32_t intIndexPrimitiveCount = 0;
  std::vector<std::wstring> qaNotes;
  // Folder of the file being written: image URIs are relative to it. Empty:
  // the current working folder.
  std::wstring exportFolder;
  // Per material, its registered textures (filled with the registration).
  std::vector<GltfMaterialTextures> materialTextures;
  // Untextured stand-in per material index, for primitives without UVs.
  std::map<std::int32_t, std::int32_t> untexturedCopyOf;
};

// ---- QA notes of our own (each added at most once) ----
extern const wchar_t kGltfNoteIntIndices[];
extern const wchar_t kGltfNoteNoShortIndices[];
extern const wchar_t kGltfNoteSkippedFaces[];
// After kGltfNoteSkippedFaces when some skipped faces were over the corner
// limit: "Skipped 1 face over 64 corners (faces of 3 to 64 corners are written)."
std::wstring gltfOversizedFacesNote(std::uint32_t oversized);
extern const wchar_t kGltfNoteUntexturedCopies[];
extern const wchar_t kGltfNoteRoughnessMap[];
extern const wchar_t kGltfNoteNonFileTexture[];
// Followed by each such image's path and why: "a.png (not a PNG or JPEG image), b.png (empty file)."
extern const wchar_t kGltfNoteImagesLeftOut[];
// Followed by each such image's path and why: "a.png (not decodable), b.jpg (CMYK JPEG)."
extern const wchar_t kGltfNoteImagesReadersMayRefuse[];
extern const wchar_t kGltfNoteTopLevelNodes[];
void gltfAddQaNote(GltfBuildState& state, const std::wstring& note);

// ---- Scope and build (gltf_build.cpp) ----

// Kinds that carry only a transform into a GLB: Camera, Light, Empty, Group.
bool gltfTransformOnlyKind(ObjectKind kind);
// The GLB export scope from the open scene: the selected object and its
// visible subtree, or (no selection, or nothing exportable in it) the visible
// scene, at most 512 objects. `selectionUsed` tells which one it became.
std::vector<const Object*> collectExportObjects(bool selectedOnly, bool* selectionUsed = nullptr);
bool glbSelectionHasExportableMesh(const std::vector<const Object*>& list);

bool buildGltfState(const std::vector<const Object*>& objects, GltfBuildState& state, std::wstring& error,
                    bool includeTransformNodes, const std::wstring& label = L"glTF/GLB");
bool gltfAppendPrimitiveBuffers(GltfBuildState& state, const std::vector<Vec3>& positions,
                                const std::vector<Vec3>& normals, const std::vector<Vec2>& uvs,
                                const std::vector<std::uint32_t>& indices, GltfPrimitiveRecord& primitive,
                                std::wstring& error);
// The build's error when that refused a primitive without saying why (its
// streams disagree); like every build error, repeated on the status line.
inline constexpr wchar_t kGltfPrimitiveNotWritten[] = L"glTF export failed: bad primitive data.";
// Runs `writer` (which appends to binBytes) as one 4-aligned bufferView.
std::int32_t appendBufferView(GltfBuildState& state, std::wstring& error, std::uint32_t target,
                              const std::function<void(std::string&)>& writer);
std::int32_t gltfEnsureNodeRecord(GltfBuildState& state, const Object& object);
std::int32_t gltfPushMaterial(GltfBuildState& state, const Material& material);
void gltfPadBinaryBuffer(GltfBuildState& state);
// Links nodes under their parents (never into a loop) and gives every child
// node its transform relative to the parent; a child whose relative
// transform is no translation/rotation/scale stays at top level.
void gltfLinkNodes(GltfBuildState& state);

// The model's rotation (Y, then X, then Z) as a unit quaternion (x, y, z, w).
std::array<double, 4> gltfEulerToQuaternion(const Vec3& rotationDegrees);

// ---- Textures and JSON (gltf_json.cpp) ----

// Why a set map's image is not referenced by an export.
enum class GltfImageLeftOut : std::uint8_t {
  None,
  NotFile,         // embedded or a data URI: only image files on disk are referenced
  NoRelativePath,  // no path from the exported file's folder reaches it
  EmptyFile,       // a file of 0 bytes
  NotPngOrJpeg,    // neither signature; judged by the extension when unreadable
  NotRegularFile,  // a FIFO, device or folder: never opened, as a FIFO would block
};
// The words the report puts after the image's path; "" for None and NotFile.
const wchar_t* gltfImageLeftOutReason(GltfImageLeftOut why);
// The image URI of a map relative to `exportFolder`, percent-encoded; empty
// when the map is not exported (then `leftOut`, when given, says why).
std::wstring gltfTextureUri(const TextureMap& map, const std::wstring& exportFolder,
                            GltfImageLeftOut* leftOut = nullptr);
std::int32_t gltfResolveTextureIndex(GltfBuildState& state, const TextureMap* map);
// The first enabled map of the channel with a non-empty path, or null.
const TextureMap* gltfFirstSetMap(const Material& material, const wchar_t* channel);
std::vector<std::uint32_t> gltfRootNodeIndices(const GltfBuildState& state);
std::int32_t gltfAccessorComponentCount(const std::string& type);
std::string gltfBase64Encode(std::string_view bytes);
std::string buildGltfSceneJson(const GltfBuildState& state, bool glbMode);

// ---- Validation, container and report (glb_container.cpp) ----

bool gltfValidateBuildState(GltfBuildState& state, std::wstring& error);
void glbAppendU32(std::string& bytes, std::uint32_t value);
std::uint32_t glbReadU32(std::string_view bytes, std::size_t offset);
bool glbValidateContainer(std::string_view bytes, std::wstring& error);
bool buildGlbBytes(const GltfBuildState& state, std::string& bytes, std::wstring& error);
std::wstring buildGlbQaReport(const GltfBuildState& state, bool selectedScope, std::uint64_t glbByteCount);

// ---- Commands (gltf_export_commands.cpp) ----

FileDialogSpec gltfSaveDialog();
FileDialogSpec glbSaveDialog(bool selectedOnly);
void exportGltf();                  // kCmdExportGltf
void exportGlb(bool selectedOnly);  // kCmdExportSelectedGlb, kCmdExportGlbScene

}  // namespace vk
