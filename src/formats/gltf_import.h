// glTF 2.0 and GLB import: the parsed document and its stages. Bytes are read
// whole (container, buffers), the JSON is indexed once, every accessor is
// validated once against the bytes actually loaded, and only then are meshes
// decoded. Nothing here trusts an offset, count or index from the file before
// it was checked; hostile input yields warnings and skipped elements.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/types.h"
#include "platform/win32.h"

namespace vk {

struct JsonObjectIndex;
struct JsonBracketTable;
struct JsonMember;

// ---- limits ---------------------------------------------------------------
// Counted before anything is built. Over the node, mesh and accessor limits
// the file is blocked; over the material, image and texture limits only that
// many are read (the rest fall back to default slots or metadata-less
// references). A view or a buffer is reached only through an accessor or an
// image, and a primitive through a mesh, so more than those can hold is
// refused as well.
inline constexpr std::uint64_t kGltfImportGlbByteLimit = 100663296;      // a .glb file, 96 MiB
inline constexpr std::uint64_t kGltfImportTextByteLimit = 16777216;      // a .gltf text, 16 MiB
inline constexpr std::uint64_t kGltfImportBinFileByteLimit = 67108864;   // one external buffer file, 64 MiB
inline constexpr std::uint64_t kGltfImportBufferByteLimit = 268435456;   // all buffers loaded together, 256 MiB
inline constexpr std::uint32_t kGltfImportNodeLimit = 4096;              // nodes
inline constexpr std::uint32_t kGltfImportMeshLimit = 2048;              // meshes
inline constexpr std::uint32_t kGltfImportAccessorLimit = 8192;          // accessors
inline constexpr std::uint32_t kGltfImportVertexLimit = 400000;          // vertices of the whole import
inline constexpr std::uint32_t kGltfImportTriangleLimit = 600000;        // triangles of the whole import
inline constexpr std::uint32_t kGltfImportIndexLimit = 1800000;          // indices read from one accessor
inline constexpr std::uint32_t kGltfImportObjectLimit = 4096;            // scene objects once the import is added
inline constexpr std::uint32_t kGltfImportMaterialLimit = 512;           // materials read
inline constexpr std::uint32_t kGltfImportImageLimit = 1024;             // images read
inline constexpr std::uint32_t kGltfImportTextureLimit = 4096;           // textures read
inline constexpr std::uint32_t kGltfImportBufferViewLimit = kGltfImportAccessorLimit + kGltfImportImageLimit;
inline constexpr std::uint32_t kGltfImportBufferLimit = kGltfImportBufferViewLimit;
inline constexpr std::uint32_t kGltfImportPrimitiveLimit = 65536;        // primitives of all meshes
// Warning texts kept per document; the report shows 64 and counts the rest.
inline constexpr std::size_t kGltfImportWarningTextLimit = 64;

// ---- records --------------------------------------------------------------

struct PendingGltfBuffer {
  std::wstring uri;
  // The bytes live in `owner` (a file read once and shared by every buffer
  // naming it, or the GLB file itself) at [offset, offset + size).
  std::shared_ptr<const std::string> owner;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  bool loaded = false;
  std::string_view bytes() const {
    return owner ? std::string_view(*owner).substr(offset, size) : std::string_view();
  }
};

struct PendingGltfBufferView {
  std::int32_t buffer = 0;
  std::uint64_t byteOffset = 0;
  std::uint64_t byteLength = 0;
  std::uint64_t byteStride = 0;  // 0 = tightly packed
};

struct PendingGltfAccessor {
  std::int32_t bufferView = -1;
  std::uint64_t byteOffset = 0;
  std::int32_t componentType = 0;
  std::int64_t count = 0;
  std::string type = "SCALAR";
  bool normalized = false;
  bool sparse = false;
  // Set once by validateAccessors: every element lies inside the loaded bytes.
  bool readable = false;
  const unsigned char* first = nullptr;  // element 0, when readable
  std::uint64_t stride = 0;
};

struct PendingGltfImage {
  std::wstring uri;
  std::wstring fileText;  // an external image's URI as the file's relative path
  std::wstring name;
  std::wstring mimeType;
  std::wstring sourceKind;
  std::wstring note;
  std::int32_t bufferView = -1;
  std::uint64_t byteLength = 0;
  std::uint64_t byteOffset = 0;
  bool missingExternal = false;
  bool embedded = false;
  bool dataUri = false;
  bool external = false;
  bool notDecodable = false;
  bool lazyDecode = true;
  bool refused = false;  // its URI may not be read: no map is made from it
};

// One primitive as read from its mesh, parsed once for the audit, the
// preflight and the mesh reader.
struct PendingGltfPrimitive {
  std::int32_t mode = 4;
  bool hasAttributes = false;
  std::int32_t position = -1;
  std::int32_t normal = -1;
  std::int32_t texcoord0 = -1;
  std::int32_t color0 = -1;
  bool hasPositionKey = false;
  bool hasNormalKey = false;
  bool hasTexcoordKey = false;
  bool hasColorKey = false;
  bool hasFutureAttribute = false;  // TANGENT, JOINTS_0, WEIGHTS_0, TEXCOORD_1
  bool hasIndices = false;
  std::int32_t indices = -1;
  bool hasMaterial = false;
  std::int32_t material = -1;
};

struct PendingGltfMesh {
  bool hasPrimitives = false;
  std::vector<PendingGltfPrimitive> primitives;
};

// A node's transform, already mirrored into the studio's axes (exchange_axes.h).
struct PendingGltfNode {
  std::wstring name;
  std::int32_t mesh = -1;
  std::vector<std::int32_t> children;
  Vec3 translation;
  Vec3 rotation;  // Euler degrees in the model's order (Y, then X, then Z)
  Vec3 scale{1.0, 1.0, 1.0};
  bool matrixUsed = false;
  // The node's local transform, column-major like glTF's "matrix".
  double local[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct GltfAuditCounters {
  std::uint32_t accessors = 0, supportedAccessors = 0, unsupportedAccessors = 0, offsetAccessors = 0,
                normalizedAccessors = 0;
  std::uint32_t bufferViews = 0, stridedViews = 0, offsetViews = 0, badViews = 0;
  std::uint32_t indexU8 = 0, indexU16 = 0, indexU32 = 0, indexUnsupported = 0;
  std::uint32_t withPosition = 0, withNormal = 0, withTexcoord = 0, withColor = 0, droppedKinds = 0;
  std::uint32_t primitives = 0, readablePrimitives = 0, otherModes = 0, skippedPrimitives = 0;
  std::uint32_t importedPrimitives = 0, stagingSkipped = 0;
  std::uint32_t multiPrimitiveMeshes = 0, multiMaterialMeshes = 0, materialRefs = 0;
  std::uint32_t externalImages = 0, missingImages = 0, embeddedImages = 0, dataUriImages = 0;
  std::uint32_t sparseAccessors = 0;
  bool animations = false, skins = false, morphTargets = false, cameras = false, lights = false;
};

struct GltfImageCounters {
  std::uint32_t externalImages = 0, embeddedImages = 0, dataUriImages = 0, missingExternalImages = 0,
                undecodableImages = 0, deferredImages = 0;
  std::uint32_t stagedMaps = 0, lazyPreviewMaps = 0, unsupportedFormatMaps = 0;
};

struct GltfMaterialCounters {
  std::uint32_t baseColor = 0, metallic = 0, roughness = 0, alphaMaps = 0, normalTexture = 0, emissive = 0;
};

// Elements of each top-level array as declared in the file (and primitives
// over all meshes), counted before any is built.
struct GltfDeclaredCounts {
  std::uint64_t buffers = 0, bufferViews = 0, accessors = 0, images = 0, textures = 0, materials = 0, meshes = 0,
                primitives = 0, nodes = 0;
};

// Whether the file declares more nodes, meshes, accessors, views, buffers or
// primitives than an import may build: such a file is refused.
bool gltfDeclaredPastBudget(const GltfDeclaredCounts& declared);

struct PendingGltfDocument {
  std::wstring sourcePath;
  std::wstring baseDirectory;
  std::string jsonText;
  std::shared_ptr<const std::string> glbFile;  // a .glb's BIN chunk at glbBinOffset (the file or a copy)
  std::uint64_t glbBinOffset = 0;
  std::uint64_t glbBinSize = 0;
  bool hasGlbBin = false;
  std::vector<PendingGltfBuffer> buffers;
  std::vector<PendingGltfBufferView> bufferViews;
  std::vector<PendingGltfAccessor> accessors;
  std::vector<PendingGltfImage> images;
  std::vector<std::int32_t> textureSources;
  std::vector<Material> materials;
  bool materialsDeclared = false;  // at least one element in "materials"
  std::vector<PendingGltfMesh> meshes;
  std::vector<PendingGltfNode> nodes;
  GltfDeclaredCounts declared;
  // The first kGltfImportWarningTextLimit warnings; the others are only counted
  // (addGltfWarning, phase65PushUniqueWarning, gltfWarningCount).
  std::vector<std::wstring> warnings;
  std::uint64_t warningsNotKept = 0;
  std::unordered_set<std::wstring> warningSet;       // kept unique texts
  std::unordered_set<std::size_t> droppedWarningSet;  // hashes of unique texts not kept
  GltfAuditCounters audit;
  GltfImageCounters imageCounters;
  GltfMaterialCounters materialCounters;
  std::uint32_t meshesImported = 0, verticesImported = 0, trianglesImported = 0;
  // Top-level facts the audit and preflight report.
  bool hasAnimations = false, hasSkins = false, hasCameras = false, hasLightsArray = false;
  bool mentionsTargets = false, mentionsMorphTarget = false, mentionsLightsExtension = false,
       mentionsExtensionsUsed = false;
  // Polled at every progress point; true cancels the run. Defaults to the
  // Escape key's asynchronous state.
  std::function<bool(const std::wstring& progress)> cancelProbe;
  bool cancelled = false;
  // Set when the file may not be imported at all (a buffer naming a file
  // outside the glTF file's folder); parsing stops there.
  std::wstring blockedReason;
  // The platform clock at the run's last progress repaint; the pump runs at
  // most once per kProgressRepaintMs (the first poll always pumps).
  bool progressPumped = false;
  std::uint64_t lastProgressPumpMs = 0;
};

struct GltfImportPreflight {
  std::uint32_t nodes = 0, meshes = 0, materials = 0, images = 0, textures = 0, accessors = 0, buffers = 0;
  std::uint32_t estimatedVertices = 0, estimatedIndices = 0, estimatedTriangles = 0;
  std::uint64_t loadedBufferBytes = 0;
  bool blocked = false, survivalMode = false, denseProtectedPreview = false, proxyOnlyPreview = false;
  std::vector<std::wstring> notes;  // the first kGltfImportWarningTextLimit
  std::uint64_t notesNotKept = 0;
};

// ---- helpers (gltf_document.cpp) -----------------------------------------
std::wstring phase65ComponentTypeName(std::int32_t code);
std::wstring phase65PrimitiveModeName(std::int32_t mode);
bool phase65IsIndexAccessor(const PendingGltfDocument& document, std::int32_t index);
void phase65PushUniqueWarning(PendingGltfDocument& document, const std::wstring& text);
// Appends a warning (repeats included) within the kept-text cap; past it counts.
void addGltfWarning(PendingGltfDocument& document, const std::wstring& text);
// Every warning raised: the kept texts and the counted rest.
std::uint64_t gltfWarningCount(const PendingGltfDocument& document);
std::wstring phase65LabelFromPath(const std::wstring& path);
std::uint32_t phase65ImportTypeSize(std::int32_t componentType);
std::uint32_t phase65ComponentCount(std::string_view type);
// A double from the file as an unsigned 64-bit field: negative or NaN reads
// 0, values of 2^64 or more saturate.
std::uint64_t jsonU64(double value);
// The numbers among the first `cap` elements of a member's array value, in
// order (other elements are passed over), written to out[0..cap); returns
// how many. None when the value is no closed array.
std::size_t gltfNumbers(const JsonMember& member, double* out, std::size_t cap);
// A URI as it may appear in a warning: at most 512 characters.
std::wstring warningUri(const std::wstring& uri);

// ---- bytes, container and buffers (gltf_container.cpp) -------------------
bool phase65IsGlbPath(const std::wstring& path, const std::wstring& suffix);
// The whole regular file, refused when over budget; never blocks on a FIFO.
std::shared_ptr<const std::string> phase65ReadBinaryFile(const std::wstring& path, std::uint64_t budget,
                                                         std::wstring& error);
bool phase65ReadGlbContainer(const std::shared_ptr<const std::string>& bytes, PendingGltfDocument& document,
                             std::wstring& error);
void phase65LoadBuffers(PendingGltfDocument& document);
// The same over an index of the document's top level already built (with
// or without a bracket table).
void loadGltfBuffers(PendingGltfDocument& document, const JsonObjectIndex& root);
std::string phase65ImportUriBase64(std::string_view text);
// The same over a base64 payload still written as JSON string text: escapes
// are read as JSON ("\/" is a digit, "\n" white space), as writers that wrap
// their base64 lines emit them.
std::string gltfJsonStringBase64(std::string_view raw);
// %XX sequences decoded to bytes; malformed ones stay as written. `hadNul`
// reports a decoded NUL byte.
std::string percentDecodeUri(std::string_view uri, bool& hadNul);
// Where a (non-data) URI's file lies: percent-decoded when that decoded file
// exists or the raw one does not. A URI with a scheme, an absolute path, or
// one that leads out of baseDirectory and its subfolders once links are
// resolved is refused: `refusal` says why ("leads outside the glTF file's
// folder") and `path` is empty. `path` is also empty for a URI decoding to
// NUL or under a missing folder.
struct GltfUriTarget {
  std::wstring path;     // the file to read
  std::wstring text;     // the URI as the file's relative path
  std::wstring refusal;  // non-empty when the URI may not be read
};
GltfUriTarget resolveGltfUri(const std::wstring& baseDirectory, const std::wstring& uri);
// The same choice as a relative text (the decoded or the raw URI); empty for NUL.
std::wstring gltfUriFileText(const std::wstring& baseDirectory, const std::wstring& uri);

// ---- images (gltf_document.cpp) ------------------------------------------
std::wstring phase65UriExtension(const std::wstring& uri);
std::wstring phase65DataUriMimeType(const std::wstring& uri);
std::wstring phase65ImageMimeFromExtension(const std::wstring& uri);
bool phase65ImageDecodableForPreview(const std::wstring& mimeType, const std::wstring& uri);
std::wstring phase65DescribeImage(const PendingGltfImage& image, std::size_t index);

// ---- loading (gltf_document.cpp) -----------------------------------------
// Parses a whole glTF text (the file or a GLB's JSON chunk) into the document
// after buffers: views, accessors, images, textures, materials, meshes, nodes,
// then the audit. Used by the load and by the fuzzer directly on bytes.
void phase65ParseDocumentJson(PendingGltfDocument& document);
bool phase65LoadDocument(const std::wstring& path, PendingGltfDocument& document, std::wstring& error);
// Loads from bytes already in memory (a .glb when `glb`), for the fuzzer and benchmarks.
bool phase65LoadDocumentFromBytes(std::string bytes, bool glb, const std::wstring& path,
                                  PendingGltfDocument& document, std::wstring& error);

// Quaternion (x, y, z, w) to Euler degrees in the model's order; normalised
// first; a length of 1e-7 or less or a non-finite one gives no rotation.
Vec3 quaternionToEulerDegrees(double x, double y, double z, double w);

// ---- materials (gltf_import_materials.cpp) --------------------------------
void phase65LoadMaterials(PendingGltfDocument& document, std::string_view materialsArray, bool present);
void phase65ImportStageTexture(Material& material, const std::wstring& channel, std::int32_t textureIndex,
                               PendingGltfDocument& document);
// glTF's default material: white, opaque, metallic 1, roughness 1, "Default".
Material gltfDefaultMaterial();

// ---- audit and preflight (gltf_preflight.cpp) ----------------------------
void phase65AuditDocument(PendingGltfDocument& document);
GltfImportPreflight phase65PreflightGltf(const PendingGltfDocument& document);
// Upper bounds of what building one mesh may add, from declared accessor
// counts in saturating sums (the preflight's per-mesh estimate).
struct GltfMeshEstimate {
  std::uint64_t vertices = 0, indices = 0, triangles = 0;
};
GltfMeshEstimate gltfMeshEstimate(const PendingGltfDocument& document, std::size_t mesh);
// a + b, or UINT64_MAX when that would not fit.
inline std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? UINT64_MAX : sum;
}
std::wstring phase65PreflightReport(const PendingGltfDocument& document, const GltfImportPreflight& preflight);

// ---- accessors and meshes (gltf_accessors.cpp) ---------------------------
// Checks every accessor once against its view and the loaded bytes.
void validateAccessors(PendingGltfDocument& document);
double phase65ReadAccessorValue(const PendingGltfDocument& document, std::int32_t accessor, std::uint64_t element,
                                std::uint32_t component, bool& ok);
std::vector<Vec3> phase65ReadVertexAccessor(PendingGltfDocument& document, std::int32_t accessor);

// Builds one mesh of the document; face material indices name the file's
// materials, or the slot after them (a shared glTF default slot) for
// primitives without one. `slots` are
// the file's materials (capped at 512) plus the default slot when used.
bool phase65ImportTriangleMesh(PendingGltfDocument& document, std::int32_t meshIndex, MeshData& out,
                               std::vector<Material>& slots, std::wstring& message);

// Polls the document's cancel probe (Escape) after pumping `progress`.
bool importProgressCancelled(PendingGltfDocument& document, const std::wstring& progress);

// ---- run (gltf_import_run.cpp) -------------------------------------------
bool phase65ImportRun(const std::wstring& path);
void phase65MarkPreviewSafety(Object& object, const GltfImportPreflight& preflight);
// The imported-asset fields of one created object: source, kind, the run's
// report and warnings (shared copies), and the persistence note.
void phase65ImportMetadataStamp(Object& object, const PendingGltfDocument& document, const SharedText& reportText,
                                const SharedText& warningsText);
std::wstring phase65ImportReportTail(const PendingGltfDocument& document);
std::wstring phase65ImportSurvivalReport(const PendingGltfDocument& document, std::size_t objectCount);

// World transform of every node (column-major 4x4), composed down the
// hierarchy with cycle-closing child links dropped; parents[i] is the node's
// parent or -1.
void composeNodeWorlds(const std::vector<PendingGltfNode>& nodes, std::vector<std::int32_t>& parents,
                       std::vector<std::array<double, 16>>& worlds);
// How a node matrix splits into the model's transform.
enum class TrsSplit : std::uint8_t {
  Split,            // translation, rotation and scale
  Shear,            // not such a product: its axes are not perpendicular
  DegenerateScale,  // a scale of zero, or one that overflows
};
// Splits an affine matrix into the model's translation, rotation (degrees,
// Y then X then Z) and scale; `out` holds them only when Split.
TrsSplit decomposeTrs(const double m[16], Transform& out);

// Whether the main window's close request must wait for the running import;
// the shell's window procedure asks this first. The held close is posted
// again when the run ends.
bool holdMainWindowCloseDuringImport(HWND window);

// Test seam: replaces the Escape probe of every following run (null restores it).
void setImportCancelProbeForTesting(std::function<bool(const std::wstring& progress)> probe);

// ---- imported mesh commands (imported_mesh_commands.cpp) -----------------
void convertImportedMeshToEditable();
void recoverImportedEditSafety();
void reimportSourceAsset();

}  // namespace vk
