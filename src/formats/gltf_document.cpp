// glTF import document: the shared helpers, image classification and the
// loading of views, accessors, images, textures, meshes and nodes from the
// JSON, each array walked once in place by a reader that fills its fields
// as it meets the members.
//
// Sections:
//   - helpers
//   - rotations
//   - images
//   - loading
#include <algorithm>
#include <cmath>
#include <limits>

#include "formats/exchange_axes.h"
#include "formats/gltf_import.h"
#include "formats/import_file.h"
#include "model/math.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/json.h"
#include "platform/file_io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk {

// ---- helpers ---------------------------------------------------------------

std::wstring phase65ComponentTypeName(std::int32_t code) {
  switch (code) {
    case 5120: return L"BYTE";
    case 5121: return L"UNSIGNED_BYTE";
    case 5122: return L"SHORT";
    case 5123: return L"UNSIGNED_SHORT";
    case 5125: return L"UNSIGNED_INT";
    case 5126: return L"FLOAT";
    default: return L"UNKNOWN(" + std::to_wstring(code) + L")";
  }
}

std::wstring phase65PrimitiveModeName(std::int32_t mode) {
  static constexpr const wchar_t* kNames[7] = {L"POINTS",    L"LINES",          L"LINE_LOOP",   L"LINE_STRIP",
                                               L"TRIANGLES", L"TRIANGLE_STRIP", L"TRIANGLE_FAN"};
  if (mode >= 0 && mode <= 6) return kNames[mode];
  return L"UNKNOWN(" + std::to_wstring(mode) + L")";
}

std::uint32_t phase65ImportTypeSize(std::int32_t componentType) {
  switch (componentType) {
    case 5120:
    case 5121: return 1;
    case 5122:
    case 5123: return 2;
    case 5125:
    case 5126: return 4;
    default: return 0;
  }
}

std::uint32_t phase65ComponentCount(std::string_view type) {
  if (type == "VEC2") return 2;
  if (type == "VEC3") return 3;
  if (type == "VEC4") return 4;
  if (type == "MAT4") return 16;
  return 1;
}

bool phase65IsIndexAccessor(const PendingGltfDocument& document, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= document.accessors.size()) return false;
  const PendingGltfAccessor& a = document.accessors[static_cast<std::size_t>(index)];
  return a.type == "SCALAR" && (a.componentType == 5121 || a.componentType == 5123 || a.componentType == 5125);
}

void addGltfWarning(PendingGltfDocument& document, const std::wstring& text) {
  if (document.warnings.size() < kGltfImportWarningTextLimit)
    document.warnings.push_back(text);
  else
    ++document.warningsNotKept;
}

void phase65PushUniqueWarning(PendingGltfDocument& document, const std::wstring& text) {
  if (text.empty() || document.warningSet.count(text)) return;
  if (document.warnings.size() < kGltfImportWarningTextLimit) {
    document.warningSet.insert(text);
    document.warnings.push_back(text);
  } else if (document.droppedWarningSet.insert(std::hash<std::wstring>{}(text)).second) {
    // Past the cap a hash stands for the text: a collision undercounts by one.
    ++document.warningsNotKept;
  }
}

std::uint64_t gltfWarningCount(const PendingGltfDocument& document) {
  return document.warnings.size() + document.warningsNotKept;
}

std::wstring phase65LabelFromPath(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"/\\");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const std::size_t colon = name.find(L':');
  if (colon != std::wstring::npos) name.resize(colon);
  if (name != L"." && name != L"..") {
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  }
  return name.empty() ? L"Imported glTF" : name;
}

std::uint64_t jsonU64(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

std::size_t gltfNumbers(const JsonMember& member, double* out, std::size_t cap) {
  const auto contents = jsonArrayBody(member);
  if (!contents) return 0;
  std::size_t seen = 0, written = 0;
  forEachJsonElement(*contents, [&](std::string_view element, bool) {
    if (seen++ >= cap) return;
    if (parseJsonNumber(element, out[written])) ++written;
  });
  return written;
}

bool gltfDeclaredPastBudget(const GltfDeclaredCounts& d) {
  return d.nodes > kGltfImportNodeLimit || d.meshes > kGltfImportMeshLimit || d.accessors > kGltfImportAccessorLimit ||
         d.bufferViews > kGltfImportBufferViewLimit || d.buffers > kGltfImportBufferLimit ||
         d.primitives > kGltfImportPrimitiveLimit;
}

std::wstring warningUri(const std::wstring& uri) { return uri.size() > 512 ? uri.substr(0, 512) : uri; }

namespace {

// Saturating 64-bit count for accessors: the audit only asks the sign.
std::int64_t jsonCount(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

bool allFinite(const double* values, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

}  // namespace

// ---- rotations -------------------------------------------------------------

namespace {

// Euler degrees of a rotation matrix (row-major r[row][col]) for R = Rz Rx Ry.
Vec3 eulerFromRotation(const double r[3][3]) {
  constexpr double kDegrees = 57.29577951308232;
  // atan2 rather than asin(r21): asin loses half the digits near +-90.
  const double cosX = std::hypot(r[2][0], r[2][2]);
  const double a = std::atan2(r[2][1], cosX);
  if (cosX > 1e-12) {
    return {a * kDegrees, std::atan2(-r[2][0], r[2][2]) * kDegrees, std::atan2(-r[0][1], r[1][1]) * kDegrees};
  }
  // Gimbal lock: with no Y turn, Z takes all of the remaining spin.
  return {a * kDegrees, 0.0, std::atan2(r[1][0], r[0][0]) * kDegrees};
}

void quaternionMatrix(double x, double y, double z, double w, double r[3][3]) {
  r[0][0] = 1 - 2 * (y * y + z * z);
  r[0][1] = 2 * (x * y - w * z);
  r[0][2] = 2 * (x * z + w * y);
  r[1][0] = 2 * (x * y + w * z);
  r[1][1] = 1 - 2 * (x * x + z * z);
  r[1][2] = 2 * (y * z - w * x);
  r[2][0] = 2 * (x * z - w * y);
  r[2][1] = 2 * (y * z + w * x);
  r[2][2] = 1 - 2 * (x * x + y * y);
}

bool normalizeQuaternion(double& x, double& y, double& z, double& w) {
  const double length = std::sqrt(x * x + y * y + z * z + w * w);
  if (!std::isfinite(length) || length <= 1e-7) {
    x = y = z = 0.0;
    w = 1.0;
    return false;
  }
  x /= length;
  y /= length;
  z /= length;
  w /= length;
  return true;
}

}  // namespace

Vec3 quaternionToEulerDegrees(double x, double y, double z, double w) {
  if (!normalizeQuaternion(x, y, z, w)) return {};
  double r[3][3];
  quaternionMatrix(x, y, z, w, r);
  return eulerFromRotation(r);
}

TrsSplit decomposeTrs(const double m[16], Transform& out) {
  out.position = {m[12], m[13], m[14]};
  Vec3 columns[3] = {{m[0], m[1], m[2]}, {m[4], m[5], m[6]}, {m[8], m[9], m[10]}};
  double scale[3];
  for (int i = 0; i < 3; ++i) scale[i] = vec3Length(columns[i]);
  const double det = vec3Dot(columns[0], vec3Cross(columns[1], columns[2]));
  if (!std::isfinite(det)) return TrsSplit::DegenerateScale;
  // A mirror goes into one negative scale; the rotation stays proper.
  if (det < 0) scale[0] = -scale[0];
  for (int i = 0; i < 3; ++i)
    if (!(std::fabs(scale[i]) > 1e-12) || !std::isfinite(scale[i])) return TrsSplit::DegenerateScale;
  for (int i = 0; i < 3; ++i) columns[i] = columns[i] / scale[i];
  // Shear shows as columns that are no longer perpendicular once unit length.
  if (std::fabs(vec3Dot(columns[0], columns[1])) > 1e-6 || std::fabs(vec3Dot(columns[0], columns[2])) > 1e-6 ||
      std::fabs(vec3Dot(columns[1], columns[2])) > 1e-6)
    return TrsSplit::Shear;
  const double r[3][3] = {{columns[0].x, columns[1].x, columns[2].x},
                          {columns[0].y, columns[1].y, columns[2].y},
                          {columns[0].z, columns[1].z, columns[2].z}};
  out.rotation = eulerFromRotation(r);
  out.scale = {scale[0], scale[1], scale[2]};
  return TrsSplit::Split;
}

// ---- images ----------------------------------------------------------------

std::wstring phase65UriExtension(const std::wstring& uri) {
  if (uri.empty()) return {};
  std::wstring text = uri.substr(0, uri.find(L'?'));
  text = text.substr(0, text.find(L'#'));
  const std::size_t slash = text.find_last_of(L"/\\");
  std::wstring name = slash == std::wstring::npos ? text : text.substr(slash + 1);
  const std::size_t colon = name.find(L':');
  if (colon != std::wstring::npos) name.resize(colon);
  if (name == L"." || name == L"..") return {};
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0) return {};
  return lowercaseCopy(name.substr(dot));
}

std::wstring phase65DataUriMimeType(const std::wstring& uri) {
  if (uri.compare(0, 5, L"data:") != 0) return {};
  std::size_t end = uri.find(L';', 5);
  if (end == std::wstring::npos) end = uri.find(L',', 5);
  if (end == std::wstring::npos || end == 5) return {};
  return uri.substr(5, end - 5);
}

std::wstring phase65ImageMimeFromExtension(const std::wstring& uri) {
  const std::wstring ext = phase65UriExtension(uri);
  if (ext == L".png") return L"image/png";
  if (ext == L".jpg" || ext == L".jpeg") return L"image/jpeg";
  if (ext == L".bmp") return L"image/bmp";
  if (ext == L".gif") return L"image/gif";
  if (ext == L".tif" || ext == L".tiff") return L"image/tiff";
  if (ext == L".webp") return L"image/webp";
  return {};
}

bool phase65ImageDecodableForPreview(const std::wstring& mimeType, const std::wstring& uri) {
  const std::wstring mime = lowercaseCopy(mimeType);
  for (const wchar_t* known : {L"image/png", L"image/jpeg", L"image/jpg", L"image/bmp", L"image/gif", L"image/tiff"})
    if (mime == known) return true;
  const std::wstring ext = phase65UriExtension(uri);
  for (const wchar_t* known : {L".png", L".jpg", L".jpeg", L".bmp", L".gif", L".tif", L".tiff"})
    if (ext == known) return true;
  return false;
}

std::wstring phase65DescribeImage(const PendingGltfImage& image, std::size_t index) {
  std::wstring text = image.name.empty() ? L"image " + std::to_wstring(index) : image.name;
  if (!image.mimeType.empty()) text += L" " + image.mimeType;
  if (image.byteLength > 0) text += L" " + std::to_wstring(image.byteLength) + L" bytes";
  return trimToSingleLine(text, 160);
}

namespace {

// A string member's text, or empty when the member is missing or no string.
std::wstring wideOrEmpty(std::optional<std::string_view> body) {
  return body ? jsonUnescapeToWide(*body) : std::wstring();
}

// `name` and `mimeType` are the raw bodies of the image's members of those names.
void detectImageSource(PendingGltfDocument& document, PendingGltfImage& image, std::optional<std::string_view> name,
                       std::optional<std::string_view> mimeType, std::size_t index) {
  image.name = sanitizeLabelText(wideOrEmpty(name));
  image.mimeType = trimToSingleLine(wideOrEmpty(mimeType), 240);
  image.lazyDecode = true;
  if (image.mimeType.empty()) image.mimeType = phase65DataUriMimeType(image.uri).substr(0, 240);
  if (image.mimeType.empty() && !image.uri.empty()) image.mimeType = phase65ImageMimeFromExtension(image.uri);
  GltfImageCounters& counters = document.imageCounters;
  if (image.uri.compare(0, 5, L"data:") == 0) {
    image.dataUri = true;
    image.sourceKind = L"data-uri";
    image.note = L"Data URI image preserved as metadata; decoding is deferred and not run during import.";
    ++counters.dataUriImages;
    ++counters.deferredImages;
    phase65PushUniqueWarning(document, L"Phase 65.4: data URI texture metadata detected; decode is deferred so "
                                       L"import cannot freeze on image handling.");
  } else if (image.bufferView >= 0) {
    image.embedded = true;
    image.sourceKind = L"embedded-bufferView";
    if (static_cast<std::size_t>(image.bufferView) < document.bufferViews.size()) {
      const PendingGltfBufferView& view = document.bufferViews[static_cast<std::size_t>(image.bufferView)];
      image.byteLength = view.byteLength;
      image.byteOffset = view.byteOffset;
    }
    if (image.uri.empty()) image.uri = L"embedded-image-bufferView-" + std::to_wstring(image.bufferView);
    image.note = L"Embedded GLB image bytes preserved as bufferView metadata; extraction/decode is deferred.";
    ++counters.embeddedImages;
    ++counters.deferredImages;
    phase65PushUniqueWarning(document,
                             L"Phase 65.4: embedded GLB image metadata detected and staged without decoding on import.");
  } else if (image.uri.empty()) {
    image.sourceKind = L"metadata-only";
    image.note = L"Image entry has no URI or bufferView; texture slot can be preserved only as metadata.";
    ++counters.deferredImages;
  } else if (const GltfUriTarget target = resolveGltfUri(document.baseDirectory, image.uri);
             !target.refusal.empty()) {
    image.refused = true;
    image.sourceKind = L"refused";
    image.note = L"External texture URI " + target.refusal + L"; its map is left out.";
    addGltfWarning(document, L"Texture map left out: image URI \"" + warningUri(image.uri) + L"\" " +
                                 target.refusal + L".");
  } else {
    image.external = true;
    image.sourceKind = L"external";
    image.fileText = target.text;
    const std::wstring& path = target.path;
    const FileStatus status = path.empty() ? FileStatus{} : fileStatus(path);
    image.missingExternal = !status.exists;
    if (status.regular) image.byteLength = status.size;
    ++counters.externalImages;
    if (image.missingExternal) {
      ++counters.missingExternalImages;
      phase65PushUniqueWarning(
          document, L"Phase 65.4: missing external texture URI is reported and preserved without crashing: " +
                        warningUri(image.uri));
      image.note = L"External texture reference missing; fallback material color is used.";
    } else {
      ++counters.deferredImages;
      image.note =
          L"External texture reference preserved; thumbnail/sample decode is lazy when the texture preview is visible.";
    }
  }
  if (!phase65ImageDecodableForPreview(image.mimeType, image.uri)) {
    image.notDecodable = true;
    ++counters.undecodableImages;
    phase65PushUniqueWarning(document, L"Phase 65.4: unsupported or unknown texture preview format for " +
                                           phase65DescribeImage(image, index) +
                                           L"; safe fallback material color will be used.");
  }
}

// ---- loading ---------------------------------------------------------------

// Every reader walks its array once, in place: each object's members are met
// in text order and matched to the reader's fields (the first member of a name
// decides, as the lookups do), so nothing is indexed per element.

// Reads the first `cap` objects of the root's array `key` into `out`, sized
// first from the `declared` count: read(members), as forEachJsonObjectElement
// hands it, returns whether that object was kept.
template <class Item, class Read>
void readArrayObjects(const JsonObjectIndex& root, std::string_view key, std::uint64_t declared, std::uint64_t cap,
                      std::vector<Item>& out, Read&& read) {
  out.reserve(std::min(declared, cap));
  const auto array = findNestedArray(root, key);
  if (!array || cap == 0) return;
  std::uint64_t kept = 0;
  forEachJsonObjectElement(*array, [&](auto&& members) {
    kept += read(members) ? 1 : 0;
    return kept < cap;
  });
}

bool nonEmptyArray(const JsonObjectIndex& object, std::string_view key) {
  const auto array = findNestedArray(object, key);
  if (!array) return false;
  bool any = false;
  forEachJsonElement(*array, [&](std::string_view, bool) { any = true; }, object.table);
  return any;
}

std::int32_t wholeOr(const JsonMember& member, std::int32_t fallback) {
  double value = fallback;
  jsonNumberValue(member, value);
  return jsonWholeNumber(value);
}

std::uint64_t u64Or0(const JsonMember& member) {
  double value = 0.0;
  jsonNumberValue(member, value);
  return jsonU64(value);
}

void readAttributes(std::string_view body, PendingGltfPrimitive& p) {
  static constexpr std::string_view kKeys[] = {"POSITION", "NORMAL",   "TEXCOORD_0", "COLOR_0",
                                               "TANGENT",  "JOINTS_0", "WEIGHTS_0",  "TEXCOORD_1"};
  JsonFieldMatcher fields(kKeys, std::size(kKeys));
  forEachJsonMember(body, [&](const JsonMember& m) {
    switch (fields.match(m)) {
      case 0: p.hasPositionKey = true, p.position = wholeOr(m, -1); break;
      case 1: p.hasNormalKey = true, p.normal = wholeOr(m, -1); break;
      case 2: p.hasTexcoordKey = true, p.texcoord0 = wholeOr(m, -1); break;
      case 3: p.hasColorKey = true, p.color0 = wholeOr(m, -1); break;
      case 4:
      case 5:
      case 6:
      case 7: p.hasFutureAttribute = true; break;
      default: break;
    }
  });
}

// The primitives of one mesh's array, while the budget over all meshes lasts.
void readPrimitives(std::string_view body, PendingGltfMesh& record, std::uint64_t& primitivesLeft) {
  static constexpr std::string_view kKeys[] = {"mode", "attributes", "indices", "material"};
  forEachJsonObjectElement(body, [&](auto&& members) {
    if (primitivesLeft == 0) return false;
    PendingGltfPrimitive p;
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    const bool closed = members([&](const JsonMember& m) {
      switch (fields.match(m)) {
        case 0: p.mode = wholeOr(m, 4); break;
        case 1:
          if (const auto attributes = jsonObjectBody(m)) {
            p.hasAttributes = true;
            readAttributes(*attributes, p);
          }
          break;
        case 2: p.hasIndices = true, p.indices = wholeOr(m, -1); break;
        case 3:
          if (double material = 0; jsonNumberValue(m, material))
            p.hasMaterial = true, p.material = jsonWholeNumber(material);
          break;
        default: break;
      }
    });
    if (!closed) return false;
    record.primitives.push_back(p);
    return --primitivesLeft > 0;
  });
}

// Images and textures past their budgets are not read; the blocking budgets
// were checked before (the caps only repeat them), so the declared counts
// size the arrays.
void loadViewsAndAccessors(PendingGltfDocument& document, const JsonObjectIndex& root) {
  const GltfDeclaredCounts& declared = document.declared;
  std::uint64_t primitivesLeft = kGltfImportPrimitiveLimit;
  const auto readMesh = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"primitives"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    PendingGltfMesh record;
    const bool closed = members([&](const JsonMember& m) {
      if (fields.match(m) != 0) return;
      const auto primitives = jsonArrayBody(m);
      record.hasPrimitives = primitives.has_value();
      if (primitives) readPrimitives(*primitives, record, primitivesLeft);
    });
    if (closed) document.meshes.push_back(std::move(record));
    return closed;
  };
  readArrayObjects(root, "meshes", declared.meshes, kGltfImportMeshLimit, document.meshes, readMesh);
  const auto readView = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"buffer", "byteOffset", "byteLength", "byteStride"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    PendingGltfBufferView view;
    const bool closed = members([&](const JsonMember& m) {
      switch (fields.match(m)) {
        case 0: view.buffer = wholeOr(m, 0); break;
        case 1: view.byteOffset = u64Or0(m); break;
        case 2: view.byteLength = u64Or0(m); break;
        case 3: view.byteStride = u64Or0(m); break;
        default: break;
      }
    });
    if (closed) document.bufferViews.push_back(view);
    return closed;
  };
  readArrayObjects(root, "bufferViews", declared.bufferViews, kGltfImportBufferViewLimit, document.bufferViews, readView);
  const auto readAccessor = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"bufferView", "byteOffset", "componentType", "count",
                                                 "type",       "normalized", "sparse"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    PendingGltfAccessor accessor;
    const bool closed = members([&](const JsonMember& m) {
      switch (fields.match(m)) {
        case 0: accessor.bufferView = wholeOr(m, -1); break;
        case 1: accessor.byteOffset = u64Or0(m); break;
        case 2: accessor.componentType = wholeOr(m, 0); break;
        case 3: {
          double count = 0.0;
          jsonNumberValue(m, count);
          accessor.count = jsonCount(count);
          break;
        }
        case 4:
          if (const auto type = jsonStringBody(m)) accessor.type = jsonUnescapeToUtf8(type->substr(0, 64));
          break;
        case 5: accessor.normalized = jsonBoolValue(m).value_or(false); break;
        case 6: accessor.sparse = true; break;
        default: break;
      }
    });
    if (closed) document.accessors.push_back(std::move(accessor));
    return closed;
  };
  readArrayObjects(root, "accessors", declared.accessors, kGltfImportAccessorLimit, document.accessors, readAccessor);
  const auto readImage = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"uri", "bufferView", "name", "mimeType"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    std::optional<std::string_view> uri, name, mimeType;
    PendingGltfImage image;
    const bool closed = members([&](const JsonMember& m) {
      switch (fields.match(m)) {
        case 0: uri = jsonStringBody(m); break;
        case 1: image.bufferView = wholeOr(m, -1); break;
        case 2: name = jsonStringBody(m); break;
        case 3: mimeType = jsonStringBody(m); break;
        default: break;
      }
    });
    if (!closed) return false;
    // A data URI is kept up to its payload: the media type is all that is read.
    if (uri && uri->substr(0, 5) == "data:") *uri = uri->substr(0, std::min<std::size_t>(uri->find(','), 512));
    image.uri = wideOrEmpty(uri);
    detectImageSource(document, image, name, mimeType, document.images.size());
    image.uri = warningUri(image.uri);
    document.images.push_back(std::move(image));
    return true;
  };
  readArrayObjects(root, "images", declared.images, kGltfImportImageLimit, document.images, readImage);
  const auto readTexture = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"source"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    std::int32_t source = -1;
    const bool closed = members([&](const JsonMember& m) {
      if (fields.match(m) == 0) source = wholeOr(m, -1);
    });
    if (closed) document.textureSources.push_back(source);
    return closed;
  };
  readArrayObjects(root, "textures", declared.textures, kGltfImportTextureLimit, document.textureSources, readTexture);
}

void multiply(const double a[16], const double b[16], double out[16]) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + r] * b[c * 4 + k];
      out[c * 4 + r] = sum;
    }
}

void loadNodes(PendingGltfDocument& document, const JsonObjectIndex& root) {
  const auto readNode = [&](auto&& members) {
    static constexpr std::string_view kKeys[] = {"name", "mesh", "children", "translation", "scale", "rotation",
                                                 "matrix"};
    JsonFieldMatcher fields(kKeys, std::size(kKeys));
    PendingGltfNode node;
    std::optional<std::string_view> name;
    double t[3], s[3], q[4], m[16];
    std::size_t tn = 0, sn = 0, qn = 0, mn = 0;
    const bool closed = members([&](const JsonMember& member) {
      switch (fields.match(member)) {
        case 0: name = jsonStringBody(member); break;
        case 1: node.mesh = wholeOr(member, -1); break;
        case 2:
          if (const auto children = jsonArrayBody(member)) node.children = parseIntList(*children);
          break;
        case 3: tn = gltfNumbers(member, t, 3); break;
        case 4: sn = gltfNumbers(member, s, 3); break;
        case 5: qn = gltfNumbers(member, q, 4); break;
        case 6: mn = gltfNumbers(member, m, 16); break;
        default: break;
      }
    });
    if (!closed) return false;
    node.name = sanitizeLabelText(wideOrEmpty(name));
    if (node.name.empty()) node.name = L"glTF Node " + std::to_wstring(document.nodes.size() + 1);
    // Read into the studio's axes at once; everything after works in them.
    if (tn >= 3 && allFinite(t, 3)) node.translation = exchangeMirrorPoint({t[0], t[1], t[2]});
    if (sn >= 3 && allFinite(s, 3)) node.scale = {s[0], s[1], s[2]};
    double qx = 0, qy = 0, qz = 0, qw = 1;
    if (qn >= 4) {
      const std::array<double, 4> studio = exchangeMirrorQuaternion({q[0], q[1], q[2], q[3]});
      qx = studio[0], qy = studio[1], qz = studio[2], qw = studio[3];
      normalizeQuaternion(qx, qy, qz, qw);
    }
    node.rotation = quaternionToEulerDegrees(qx, qy, qz, qw);
    if (mn >= 16 && allFinite(m, 16)) {
      node.matrixUsed = true;
      std::copy(m, m + 16, node.local);
      exchangeMirrorMatrix(node.local);
    } else {
      double r[3][3];
      quaternionMatrix(qx, qy, qz, qw, r);
      const double sc[3] = {node.scale.x, node.scale.y, node.scale.z};
      for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) node.local[c * 4 + row] = r[row][c] * sc[c];
      node.local[12] = node.translation.x;
      node.local[13] = node.translation.y;
      node.local[14] = node.translation.z;
    }
    document.nodes.push_back(std::move(node));
    return true;
  };
  readArrayObjects(root, "nodes", document.declared.nodes, kGltfImportNodeLimit, document.nodes, readNode);
}

// How often a byte turns up in glTF text, roughly: quotes and punctuation
// most, lower case next, upper case, '_' and the rest least.
int byteCommonness(char c) {
  if (c == '"' || c == ',' || c == ':' || c == '{' || c == '}' || c == '[' || c == ']' || (c >= '0' && c <= '9')) return 3;
  if (c == 'e' || c == 'a' || c == 'o' || c == 'i' || c == 's' || c == 't' || c == 'n' || c == 'r') return 2;
  if (c >= 'a' && c <= 'z') return 1;
  return 0;
}

// found[k] tells whether needles[k] (two bytes or more) occurs in `text`, all
// found in one pass: each needle is probed on its rarest pair of adjacent
// bytes, sixteen places at a time from two loads shared by every needle, and
// only places where a pair matches are compared.
void findMentions(std::string_view text, const std::string_view* needles, bool* found, std::size_t count) {
  std::size_t i = 0;
  std::vector<std::size_t> pairAt(count, 0);  // where the probed pair sits in the needle
#if defined(__SSE2__)
  struct Probe {
    __m128i first, second;
  };
  std::vector<Probe> probes(count);
  for (std::size_t k = 0; k < count; ++k) {
    const std::string_view needle = needles[k];
    int best = 7;
    for (std::size_t j = 0; j + 1 < needle.size(); ++j) {
      const int commonness = byteCommonness(needle[j]) + byteCommonness(needle[j + 1]);
      if (commonness < best) best = commonness, pairAt[k] = j;
    }
    probes[k] = {_mm_set1_epi8(needle[pairAt[k]]), _mm_set1_epi8(needle[pairAt[k] + 1])};
  }
  std::size_t left = count;
  const char* p = text.data();
  const auto pairs = [&](std::size_t k, __m128i first, __m128i second) {
    return _mm_and_si128(_mm_cmpeq_epi8(first, probes[k].first), _mm_cmpeq_epi8(second, probes[k].second));
  };
  for (; left > 0 && i + 17 <= text.size(); i += 16) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    __m128i any = _mm_setzero_si128();
    for (std::size_t k = 0; k < count; ++k)
      if (!found[k]) any = _mm_or_si128(any, pairs(k, first, second));
    if (!_mm_movemask_epi8(any)) continue;
    for (std::size_t k = 0; k < count; ++k) {
      if (found[k]) continue;
      for (auto bits = static_cast<unsigned>(_mm_movemask_epi8(pairs(k, first, second))); bits; bits &= bits - 1) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(bits));
        if (at >= pairAt[k] && text.compare(at - pairAt[k], needles[k].size(), needles[k]) == 0) {
          found[k] = true;
          --left;
          break;
        }
      }
    }
  }
#endif
  // The rest (or the whole text without SSE2): every place whose pair the
  // loop above did not test.
  for (std::size_t k = 0; k < count; ++k)
    if (!found[k]) found[k] = text.find(needles[k], i >= pairAt[k] ? i - pairAt[k] : 0) != std::string_view::npos;
}

// Every top-level array's objects (counted while the top level was indexed)
// and the primitives of all meshes, by plain linear scans that allocate
// nothing per element.
GltfDeclaredCounts countDeclared(const JsonObjectIndex& root, const std::vector<std::uint64_t>& objects) {
  const auto count = [&](std::string_view key) -> std::uint64_t {
    const JsonMember* member = root.find(key);
    if (!member || !jsonArrayBody(*member)) return 0;
    return objects[static_cast<std::size_t>(member - root.members.data())];
  };
  GltfDeclaredCounts d;
  d.buffers = count("buffers");
  d.bufferViews = count("bufferViews");
  d.accessors = count("accessors");
  d.images = count("images");
  d.textures = count("textures");
  d.materials = count("materials");
  d.meshes = count("meshes");
  d.nodes = count("nodes");
  if (const auto meshes = findNestedArray(root, "meshes"))
    forEachJsonObjectElement(*meshes, [&](auto&& members) {
      static constexpr std::string_view kKeys[] = {"primitives"};
      JsonFieldMatcher fields(kKeys, std::size(kKeys));
      std::uint64_t here = 0;
      const bool closed = members([&](const JsonMember& m) {
        if (fields.match(m) != 0) return;
        if (const auto primitives = jsonArrayBody(m)) here = countJsonObjectElements(*primitives);
      });
      if (closed) d.primitives = saturatingAdd(d.primitives, here);
      return true;
    });
  return d;
}

}  // namespace

void composeNodeWorlds(const std::vector<PendingGltfNode>& nodes, std::vector<std::int32_t>& parents,
                       std::vector<std::array<double, 16>>& worlds) {
  const std::size_t n = nodes.size();
  parents.assign(n, -1);
  for (std::size_t p = 0; p < n; ++p)
    for (const std::int32_t c : nodes[p].children)
      if (c >= 0 && static_cast<std::size_t>(c) < n && static_cast<std::size_t>(c) != p)
        parents[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(p);
  // Break every cycle: walking up from each node, a link that leads back
  // into the walk is cut at its lowest-index member, which becomes top-level.
  std::vector<std::uint8_t> state(n, 0);  // 0 unvisited, 1 on the current walk, 2 done
  std::vector<std::size_t> walk;
  for (std::size_t start = 0; start < n; ++start) {
    walk.clear();
    std::size_t at = start;
    while (state[at] != 2) {
      if (state[at] == 1) {
        const auto first = std::find(walk.begin(), walk.end(), at);
        parents[*std::min_element(first, walk.end())] = -1;
        break;
      }
      state[at] = 1;
      walk.push_back(at);
      if (parents[at] < 0) break;
      at = static_cast<std::size_t>(parents[at]);
    }
    for (std::size_t k : walk) state[k] = 2;
  }
  // Worlds in parent-first order.
  worlds.assign(n, {});
  std::vector<std::uint8_t> done(n, 0);
  std::vector<std::size_t> chain;
  for (std::size_t i = 0; i < n; ++i) {
    chain.clear();
    std::size_t at = i;
    while (!done[at]) {
      chain.push_back(at);
      if (parents[at] < 0) break;
      at = static_cast<std::size_t>(parents[at]);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const std::size_t k = *it;
      const std::int32_t p = parents[k];
      if (p < 0) {
        std::copy(nodes[k].local, nodes[k].local + 16, worlds[k].begin());
      } else {
        multiply(worlds[static_cast<std::size_t>(p)].data(), nodes[k].local, worlds[k].data());
      }
      done[k] = 1;
    }
  }
}

void phase65ParseDocumentJson(PendingGltfDocument& document) {
  if (document.jsonText.compare(0, 3, "\xEF\xBB\xBF") == 0) document.jsonText.erase(0, 3);
  // The top level is indexed (and its arrays' objects counted) by one pass
  // over the bytes; every array below is then walked in place by its reader,
  // so no bracket table is needed. A file past a blocking budget is refused
  // with nothing more built.
  std::vector<std::uint64_t> objects;
  const JsonObjectIndex root = indexJsonObjectCountingArrays(document.jsonText, objects);
  document.declared = countDeclared(root, objects);
  if (gltfDeclaredPastBudget(document.declared)) return;
  loadGltfBuffers(document, root);
  if (!document.blockedReason.empty()) return;
  loadViewsAndAccessors(document, root);
  validateAccessors(document);
  const auto materials = findNestedArray(root, "materials");
  phase65LoadMaterials(document, materials.value_or(std::string_view()), materials.has_value());
  loadNodes(document, root);
  document.hasAnimations = nonEmptyArray(root, "animations");
  document.hasSkins = nonEmptyArray(root, "skins");
  document.hasCameras = nonEmptyArray(root, "cameras");
  document.hasLightsArray = nonEmptyArray(root, "lights");
  if (const auto extensions = findNestedObject(root, "extensions")) {
    const JsonObjectIndex ext = indexNested(root, *extensions);
    if (const auto lights = findNestedObject(ext, "KHR_lights_punctual"))
      document.hasLightsArray = document.hasLightsArray || nonEmptyArray(indexNested(root, *lights), "lights");
  }
  static constexpr std::string_view kMentions[4] = {"\"targets\"", "morphTarget", "KHR_lights_punctual", "extensionsUsed"};
  bool mentions[4] = {};
  findMentions(document.jsonText, kMentions, mentions, 4);
  document.mentionsTargets = mentions[0];
  document.mentionsMorphTarget = mentions[1];
  document.mentionsLightsExtension = mentions[2];
  document.mentionsExtensionsUsed = mentions[3];
  phase65AuditDocument(document);
}

namespace {

bool documentNotBlocked(const PendingGltfDocument& document, std::wstring& error) {
  if (document.blockedReason.empty()) return true;
  error = L"glTF/GLB import blocked: the " + document.blockedReason + L". Only files in the glTF file's folder "
          L"and its subfolders are read.";
  return false;
}

}  // namespace

bool phase65LoadDocumentFromBytes(std::string bytes, bool glb, const std::wstring& path,
                                  PendingGltfDocument& document, std::wstring& error) {
  document.sourcePath = path;
  document.baseDirectory = parentDirectory(path);
  if (glb) {
    if (!phase65ReadGlbContainer(std::make_shared<const std::string>(std::move(bytes)), document, error)) return false;
  } else {
    document.jsonText = std::move(bytes);
  }
  phase65ParseDocumentJson(document);
  return documentNotBlocked(document, error);
}

bool phase65LoadDocument(const std::wstring& path, PendingGltfDocument& document, std::wstring& error) {
  document.sourcePath = path;
  document.baseDirectory = parentDirectory(path);
  if (phase65IsGlbPath(path, L".glb")) {
    auto bytes = phase65ReadBinaryFile(path, kGltfImportGlbByteLimit, error);
    if (!bytes || !phase65ReadGlbContainer(bytes, document, error)) return false;
    bytes.reset();  // the document holds what it still needs
  } else {
    std::wstring readError;
    LimitedTextFile file = readTextFileLimited(path, kGltfImportTextByteLimit, readError);
    if (!file.ok) {
      // The reader's reason tells a folder or FIFO from a file over the limit.
      error = textWithReason(L"glTF import failed: file could not be opened or exceeded the safe size limit.",
                             file.reason);
      return false;
    }
    document.jsonText = std::move(file.text);
  }
  phase65ParseDocumentJson(document);
  return documentNotBlocked(document, error);
}

}  // namespace vk
