// The glTF JSON document of a finished build state, written in one pass, and
// the image URIs of texture maps.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "model/texture_paths.h"
#include "persistence/json.h"
#include "persistence/json_write.h"
#include "platform/file_io.h"
#include "shading/textures.h"

namespace vk {

namespace {

namespace fs = std::filesystem;

bool asciiIEquals(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return true;
}

// PNG or JPEG by signature; by extension when the file cannot be read. Only a
// regular file is opened: a FIFO named as a map would hold the export for good.
GltfImageLeftOut imageFileKind(const std::wstring& path) {
  ReadOnlyFile file;
  if (!file.open(path, std::numeric_limits<std::uint64_t>::max())) {
    const FileStatus status = fileStatus(path);
    if (status.exists && !status.regular) return GltfImageLeftOut::NotRegularFile;
    const std::wstring extension = wideFromPath(pathFromWide(path).extension());
    return asciiIEquals(extension, L".png") || asciiIEquals(extension, L".jpg") || asciiIEquals(extension, L".jpeg")
               ? GltfImageLeftOut::None
               : GltfImageLeftOut::NotPngOrJpeg;
  }
  if (file.size() == 0) return GltfImageLeftOut::EmptyFile;
  unsigned char head[8] = {};
  const std::size_t got = file.size() < 8 ? static_cast<std::size_t>(file.size()) : 8;
  if (!file.readAt(0, head, got)) return GltfImageLeftOut::NotPngOrJpeg;
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const bool png = got == 8 && std::equal(head, head + 8, kPng);
  const bool jpeg = got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  return png || jpeg ? GltfImageLeftOut::None : GltfImageLeftOut::NotPngOrJpeg;
}

// A glTF import flags an external image of a format it does not know; the
// map still names the user's file, unlike an embedded or data-URI image.
bool namesFileOfUnknownFormat(const TextureMap& map) {
  return !map.embedded && !map.dataUri && !map.deferredDecode && map.sourceKind != L"embedded-bufferView" &&
         map.sourceKind != L"data-uri" && map.sourceKind != L"metadata-only";
}

// RFC 3986 unreserved characters and "/" stay; every other UTF-8 byte is %XX.
std::wstring percentEncode(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::wstring out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      out.push_back(static_cast<wchar_t>(c));
    } else {
      out.push_back(L'%');
      out.push_back(static_cast<wchar_t>(kHex[c >> 4]));
      out.push_back(static_cast<wchar_t>(kHex[c & 15]));
    }
  }
  return out;
}

fs::path absoluteFolder(const std::wstring& folder) {
  std::error_code error;
  fs::path path = folder.empty() ? fs::current_path(error) : pathFromWide(folder);
  if (!path.is_absolute()) {
    fs::path full = fs::absolute(path, error);
    if (!error) path = std::move(full);
  }
  return path.lexically_normal();
}

}  // namespace

const wchar_t* gltfImageLeftOutReason(GltfImageLeftOut why) {
  switch (why) {
    case GltfImageLeftOut::NoRelativePath: return L"no path relative to the exported file";
    case GltfImageLeftOut::EmptyFile: return L"empty file";
    case GltfImageLeftOut::NotPngOrJpeg: return L"not a PNG or JPEG image";
    case GltfImageLeftOut::NotRegularFile: return L"not a regular file";
    default: return L"";
  }
}

std::wstring gltfTextureUri(const TextureMap& map, const std::wstring& exportFolder, GltfImageLeftOut* leftOut) {
  GltfImageLeftOut ignored;
  GltfImageLeftOut& why = leftOut ? *leftOut : ignored;
  why = GltfImageLeftOut::None;
  if (!map.enabled || map.path.empty()) return L"";
  if (textureSourceIsNonFile(map)) {
    why = namesFileOfUnknownFormat(map) ? GltfImageLeftOut::NotPngOrJpeg : GltfImageLeftOut::NotFile;
    return L"";
  }
  const std::wstring resolved = resolveTextureMapPath(map);
  const fs::path file = pathFromWide(resolved);
  fs::path relative;
  if (!resolved.empty()) relative = file.lexically_relative(absoluteFolder(exportFolder));
  if (resolved.empty() || relative.empty()) {
    why = GltfImageLeftOut::NoRelativePath;
    return L"";
  }
  why = imageFileKind(resolved);
  if (why != GltfImageLeftOut::None) return L"";
  const std::u8string utf8 = relative.generic_u8string();
  return percentEncode(std::string(utf8.begin(), utf8.end()));
}

const TextureMap* gltfFirstSetMap(const Material& material, const wchar_t* channel) {
  for (const TextureMap& map : material.textureMaps.maps)
    if (map.channel == channel && map.enabled && !map.path.empty()) return &map;
  return nullptr;
}

std::int32_t gltfResolveTextureIndex(GltfBuildState& state, const TextureMap* map) {
  if (!map) return -1;
  const std::wstring uri = gltfTextureUri(*map, state.exportFolder);
  if (uri.empty()) return -1;
  if (auto found = state.textureIndexByUri.find(uri); found != state.textureIndexByUri.end()) return found->second;
  std::int32_t image;
  if (auto found = state.imageIndexByUri.find(uri); found != state.imageIndexByUri.end()) {
    image = found->second;
  } else {
    image = static_cast<std::int32_t>(state.imageUris.size());
    state.imageUris.push_back(uri);
    state.imageIndexByUri.emplace(uri, image);
  }
  const auto texture = static_cast<std::int32_t>(state.textureImageIndices.size());
  state.textureImageIndices.push_back(static_cast<std::uint32_t>(image));
  state.textureIndexByUri.emplace(uri, texture);
  return texture;
}

std::vector<std::uint32_t> gltfRootNodeIndices(const GltfBuildState& state) {
  std::vector<std::uint32_t> roots;
  for (std::size_t i = 0; i < state.nodes.size(); ++i)
    if (state.nodes[i].parentNode < 0) roots.push_back(static_cast<std::uint32_t>(i));
  return roots;
}

std::int32_t gltfAccessorComponentCount(const std::string& type) {
  if (type == "SCALAR") return 1;
  if (type == "VEC2") return 2;
  if (type == "VEC3") return 3;
  if (type == "VEC4" || type == "MAT2") return 4;
  if (type == "MAT3") return 9;
  if (type == "MAT4") return 16;
  return 0;
}

namespace {

void appendBase64(std::string& out, std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t start = out.size();
  out.resize(start + (bytes.size() + 2) / 3 * 4);
  char* dst = out.data() + start;
  const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t v = (std::uint32_t{src[i]} << 16) | (std::uint32_t{src[i + 1]} << 8) | src[i + 2];
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = kAlphabet[(v >> 6) & 63];
    *dst++ = kAlphabet[v & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const std::uint32_t v = (std::uint32_t{src[i]} << 16) | (two ? std::uint32_t{src[i + 1]} << 8 : 0u);
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = two ? kAlphabet[(v >> 6) & 63] : '=';
    *dst++ = '=';
  }
}

// Fixed, six decimals; only finite numbers reach the text, and no "-0".
void appendFixed6(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0.0;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (text == "-0.000000") text = "0.000000";
  out.append(text);
}

void appendFixedList(std::string& out, std::initializer_list<double> values) {
  out += '[';
  appendJoined(out, values, [&](double v) { appendFixed6(out, v); });
  out += ']';
}

double unit(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }
double channel(std::int32_t component) { return std::clamp(component, 0, 255) / 255.0; }

void appendTextureRef(InlineObject& object, const char* key, std::int32_t index) {
  if (index >= 0) InlineObject(object.raw(key)).integer("index", index).close();
}

void appendMaterial(std::string& out, const GltfBuildState& state, const Material& material, std::size_t position) {
  out += "    ";
  InlineObject entry(out);
  entry.str("name", material.name.empty() ? L"Material " + std::to_wstring(position + 1) : material.name);
  const GltfMaterialTextures refs =
      position < state.materialTextures.size() ? state.materialTextures[position] : GltfMaterialTextures{};
  InlineObject pbr(entry.raw("pbrMetallicRoughness"));
  appendFixedList(pbr.raw("baseColorFactor"),
                  {channel(material.r), channel(material.g), channel(material.b), unit(material.alpha)});
  appendFixed6(pbr.raw("metallicFactor"), unit(material.metallic));
  appendFixed6(pbr.raw("roughnessFactor"), unit(material.roughness));
  appendTextureRef(pbr, "baseColorTexture", refs.color);
  appendTextureRef(pbr, "metallicRoughnessTexture", refs.roughness);
  pbr.close();
  appendTextureRef(entry, "normalTexture", refs.normal);
  // The studio draws both sides of every face; other readers must not cull
  // what it shows.
  entry.raw("doubleSided") += "true";
  const double alpha = std::isfinite(material.alpha) ? material.alpha : 1.0;
  // A see-through factor blends; an alpha map alone is a cut-out, drawn as
  // the viewport's preview threshold draws it.
  if (alpha < 0.999) {
    entry.ascii("alphaMode", "BLEND");
  } else if (gltfFirstSetMap(material, L"alpha")) {
    entry.ascii("alphaMode", "MASK").raw("alphaCutoff") += "0.42";
  }
  const double emission = std::isfinite(material.emission) ? material.emission : 0.0;
  if (emission > 0.001) {
    const double e = std::clamp(emission, 0.0, 4.0) * 0.25;
    auto glow = [e](std::int32_t c) { return std::clamp(c / 255.0 * e, 0.0, 1.0); };
    appendFixedList(entry.raw("emissiveFactor"), {glow(material.r), glow(material.g), glow(material.b)});
  }
  entry.close();
}

template <class Values>
void appendIndexList(std::string& out, const Values& values) {
  out += '[';
  appendJoined(out, values, [&](auto v) { appendUnsigned(out, v); });
  out += ']';
}

void appendNode(std::string& out, const GltfNodeRecord& node) {
  out += "    ";
  InlineObject entry(out);
  entry.str("name", node.name);
  if (node.mesh >= 0) entry.integer("mesh", node.mesh);
  appendFixedList(entry.raw("translation"), {node.localTranslation.x, node.localTranslation.y, node.localTranslation.z});
  appendFixedList(entry.raw("rotation"),
                  {node.localRotation[0], node.localRotation[1], node.localRotation[2], node.localRotation[3]});
  // Non-finite scales were made 1 when the node was recorded.
  appendFixedList(entry.raw("scale"), {node.localScale.x, node.localScale.y, node.localScale.z});
  if (!node.children.empty()) appendIndexList(entry.raw("children"), node.children);
  entry.close();
}

// Float bounds as the shortest text of the float widened to double, so a
// reader's own float comparison matches; integer bounds as integers.
void appendBound(std::string& out, const GltfAccessorRecord& accessor, double value) {
  if (accessor.componentType == 5126)
    appendShortestDouble(out, value);
  else
    appendInt(out, static_cast<long long>(value));
}

void appendAccessor(std::string& out, const GltfAccessorRecord& accessor) {
  out += "    ";
  InlineObject entry(out);
  entry.integer("bufferView", accessor.bufferView)
      .count("componentType", accessor.componentType)
      .count("count", accessor.count)
      .ascii("type", accessor.type);
  if (accessor.normalized) entry.boolean("normalized", true);
  if (accessor.hasMinMax) {
    std::int32_t n = accessor.minMaxComponents >= 1 ? accessor.minMaxComponents
                                                    : gltfAccessorComponentCount(accessor.type);
    n = std::clamp(n, 0, 4);
    for (const auto* values : {&accessor.min, &accessor.max}) {
      std::string& list = entry.raw(values == &accessor.min ? "min" : "max");
      list += '[';
      for (std::int32_t k = 0; k < n; ++k) {
        if (k) list += ", ";
        appendBound(list, accessor, (*values)[static_cast<std::size_t>(k)]);
      }
      list += ']';
    }
  }
  entry.close();
}

template <class Items, class Write>
void appendArray(std::string& out, const char* key, const Items& items, Write&& write) {
  out += "  \"";
  out += key;
  out += "\": [\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    write(items[i], i);
    out += i + 1 < items.size() ? ",\n" : "\n";
  }
}

}  // namespace

std::string gltfBase64Encode(std::string_view bytes) {
  std::string out;
  appendBase64(out, bytes);
  return out;
}

std::string buildGltfSceneJson(const GltfBuildState& state, bool glbMode) {
  std::string out;
  out.reserve(4096 + state.accessors.size() * 160 + state.nodes.size() * 200 +
              (glbMode ? 0 : (state.binBytes.size() + 2) / 3 * 4));
  out += "{\n  \"asset\": ";
  InlineObject(out)
      .ascii("version", "2.0")
      .ascii("generator", "Veltrask Studio Phase 66.1 GLB Export Compatibility QA")
      .ascii("copyright", "Exported with Veltrask Studio")
      .close();
  out += ",\n  \"scene\": 0,\n  \"scenes\": [";
  InlineObject scene(out);
  scene.str("name", appState().project.name);
  appendIndexList(scene.raw("nodes"), gltfRootNodeIndices(state));
  scene.close();
  out += "],\n";
  appendArray(out, "nodes", state.nodes, [&](const GltfNodeRecord& node, std::size_t) { appendNode(out, node); });
  out += "  ],\n";
  appendArray(out, "meshes", state.meshes, [&](const GltfMeshRecord& mesh, std::size_t) {
    out += "    ";
    InlineObject entry(out);
    entry.str("name", mesh.name);
    std::string& primitives = entry.raw("primitives");
    primitives += '[';
    appendJoined(primitives, mesh.primitives, [&](const GltfPrimitiveRecord& primitive) {
      InlineObject record(out);
      InlineObject attributes(record.raw("attributes"));
      attributes.integer("POSITION", primitive.position).integer("NORMAL", primitive.normal);
      if (primitive.texcoord0 >= 0) attributes.integer("TEXCOORD_0", primitive.texcoord0);
      attributes.close();
      record.integer("indices", primitive.indices).integer("material", primitive.material).integer("mode", 4).close();
    });
    out += ']';
    entry.close();
  });
  out += "  ],\n";
  appendArray(out, "materials", state.materials,
              [&](const Material& material, std::size_t i) { appendMaterial(out, state, material, i); });
  out += "  ],\n";
  if (!state.textureImageIndices.empty()) {
    appendArray(out, "textures", state.textureImageIndices, [&](std::uint32_t image, std::size_t) {
      out += "    ";
      InlineObject(out).count("source", image).close();
    });
    out += "  ],\n";
    appendArray(out, "images", state.imageUris, [&](const std::wstring& uri, std::size_t) {
      out += "    ";
      InlineObject(out).str("uri", uri).close();
    });
    out += "  ],\n";
  }
  out += "  \"buffers\": [";
  InlineObject buffer(out);
  buffer.count("byteLength", state.binBytes.size());
  if (!glbMode) {
    std::string& uri = buffer.raw("uri");
    uri += "\"data:application/octet-stream;base64,";
    appendBase64(uri, state.binBytes);
    uri += '"';
  }
  buffer.close();
  out += "],\n";
  appendArray(out, "bufferViews", state.bufferViews, [&](const GltfBufferViewRecord& view, std::size_t) {
    out += "    ";
    InlineObject entry(out);
    entry.integer("buffer", 0).count("byteOffset", view.byteOffset).count("byteLength", view.byteLength);
    if (view.target != 0) entry.count("target", view.target);
    entry.close();
  });
  out += "  ],\n";
  appendArray(out, "accessors", state.accessors,
              [&](const GltfAccessorRecord& accessor, std::size_t) { appendAccessor(out, accessor); });
  out += "  ]\n}\n";
  return out;
}

}  // namespace vk
