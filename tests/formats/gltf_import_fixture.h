// Builds glTF documents for the import tests: a binary buffer with views and
// accessors, and the JSON around them, written as text so that tests can put
// hostile values anywhere.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/gltf_import.h"

namespace vk::test {

struct GltfFixture {
  std::string bin;
  std::vector<std::string> views;      // JSON objects
  std::vector<std::string> accessors;  // JSON objects
  std::vector<std::string> meshes;
  std::vector<std::string> nodes;
  std::string extra;  // more top-level members, each ending in ","

  template <class T>
  void put(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    bin.append(bytes, sizeof(T));
  }
  int view(std::size_t offset, std::size_t length, std::size_t stride = 0) {
    std::string v = "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) + ",\"byteLength\":" + std::to_string(length);
    if (stride) v += ",\"byteStride\":" + std::to_string(stride);
    views.push_back(v + "}");
    return static_cast<int>(views.size()) - 1;
  }
  int accessor(int view, int componentType, std::uint64_t count, const char* type, std::string more = "") {
    accessors.push_back("{\"bufferView\":" + std::to_string(view) + ",\"componentType\":" +
                        std::to_string(componentType) + ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type +
                        "\"" + more + "}");
    return static_cast<int>(accessors.size()) - 1;
  }
  void align() {
    while (bin.size() % 4) bin.push_back('\0');
  }
  int positions(const std::vector<Vec3>& points) {
    align();
    const std::size_t start = bin.size();
    for (const Vec3& p : points) {
      put(static_cast<float>(p.x));
      put(static_cast<float>(p.y));
      put(static_cast<float>(p.z));
    }
    return accessor(view(start, bin.size() - start), 5126, points.size(), "VEC3");
  }
  int uvs(const std::vector<Vec2>& points) {
    align();
    const std::size_t start = bin.size();
    for (const Vec2& p : points) {
      put(static_cast<float>(p.u));
      put(static_cast<float>(p.v));
    }
    return accessor(view(start, bin.size() - start), 5126, points.size(), "VEC2");
  }
  int indices(const std::vector<std::uint32_t>& values, int componentType = 5125) {
    align();
    const std::size_t start = bin.size();
    for (std::uint32_t v : values) {
      if (componentType == 5121) put(static_cast<std::uint8_t>(v));
      else if (componentType == 5123) put(static_cast<std::uint16_t>(v));
      else put(v);
    }
    return accessor(view(start, bin.size() - start), componentType, values.size(), "SCALAR");
  }
  // A mesh of one triangle list primitive; `more` adds members to the primitive.
  int mesh(int position, int indexAccessor = -1, std::string more = "") {
    std::string p = "{\"attributes\":{\"POSITION\":" + std::to_string(position) + "}";
    if (indexAccessor >= 0) p += ",\"indices\":" + std::to_string(indexAccessor);
    meshes.push_back("{\"primitives\":[" + p + more + "}]}");
    return static_cast<int>(meshes.size()) - 1;
  }
  void node(const std::string& body) { nodes.push_back("{" + body + "}"); }

  static std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    return out;
  }
  // The JSON; the buffer as `bufferMember` (a GLB's BIN chunk when empty).
  std::string json(const std::string& bufferMember) const {
    std::string j = "{\"asset\":{\"version\":\"2.0\"}," + extra;
    j += "\"buffers\":[{\"byteLength\":" + std::to_string(bin.size()) + bufferMember + "}],";
    j += "\"bufferViews\":[" + join(views) + "],\"accessors\":[" + join(accessors) + "],";
    j += "\"meshes\":[" + join(meshes) + "]";
    if (!nodes.empty()) j += ",\"nodes\":[" + join(nodes) + "]";
    return j + "}";
  }
  std::string gltfWithDataUri() const;  // defined below
  std::string glb() const { return makeGlb(json(""), bin); }

  static std::string makeGlb(const std::string& json, const std::string& bin, bool binFirst = false) {
    std::string j = json;
    while (j.size() % 4) j.push_back(' ');
    std::string b = bin;
    while (b.size() % 4) b.push_back('\0');
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const std::string jsonChunk = u32(static_cast<std::uint32_t>(j.size())) + "JSON" + j;
    const std::string binChunk = u32(static_cast<std::uint32_t>(b.size())) + std::string("BIN\0", 4) + b;
    const std::string body = binFirst ? binChunk + jsonChunk : jsonChunk + binChunk;
    return "glTF" + u32(2) + u32(static_cast<std::uint32_t>(12 + body.size())) + body;
  }
};

inline std::string base64(const std::string& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    for (int k = 3; k >= 0; --k) out.push_back(alphabet[(v >> (6 * k)) & 63]);
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out.push_back(alphabet[(v >> 18) & 63]);
    out.push_back(alphabet[(v >> 12) & 63]);
    out.push_back(i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

inline std::string GltfFixture::gltfWithDataUri() const {
  return json(",\"uri\":\"data:application/octet-stream;base64," + base64(bin) + "\"");
}

// Loads text or GLB bytes without files or windows; the probe never cancels.
inline bool loadGltfBytes(const std::string& bytes, PendingGltfDocument& document, std::wstring* error = nullptr,
                          const std::wstring& path = L"/nonexistent-vk-test/input.gltf") {
  document.cancelProbe = [](const std::wstring&) { return false; };
  std::wstring ignored;
  const bool glb = bytes.compare(0, 4, "glTF") == 0;
  return phase65LoadDocumentFromBytes(bytes, glb, glb ? L"/nonexistent-vk-test/input.glb" : path, document,
                                      error ? *error : ignored);
}

inline bool buildMesh(PendingGltfDocument& document, int mesh, MeshData& out, std::wstring& message) {
  std::vector<Material> slots;
  return phase65ImportTriangleMesh(document, mesh, out, slots, message);
}

}  // namespace vk::test
