// glTF import accessors and triangle meshes: every accessor is checked once,
// in overflow-safe 64-bit sums, against its view and the bytes loaded; the
// readers then copy elements without per-component bounds tests.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/exchange_axes.h"
#include "formats/gltf_import.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "platform/clock.h"

namespace vk {

namespace {

bool addOverflows(std::uint64_t a, std::uint64_t b, std::uint64_t& out) { return __builtin_add_overflow(a, b, &out); }
bool mulOverflows(std::uint64_t a, std::uint64_t b, std::uint64_t& out) { return __builtin_mul_overflow(a, b, &out); }

template <class T>
T loadLittle(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;  // the hosts we build for are little-endian
}

double componentValue(const unsigned char* p, std::int32_t componentType) {
  switch (componentType) {
    case 5120: return static_cast<double>(static_cast<std::int8_t>(*p));
    case 5121: return static_cast<double>(*p);
    case 5122: return static_cast<double>(loadLittle<std::int16_t>(p));
    case 5123: return static_cast<double>(loadLittle<std::uint16_t>(p));
    case 5125: return static_cast<double>(loadLittle<std::uint32_t>(p));
    case 5126: return static_cast<double>(loadLittle<float>(p));
    default: return 0.0;
  }
}

const PendingGltfAccessor* accessorAt(const PendingGltfDocument& document, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= document.accessors.size()) return nullptr;
  return &document.accessors[static_cast<std::size_t>(index)];
}

std::uint64_t cappedCount(const PendingGltfAccessor& a, std::uint64_t cap) {
  return a.count <= 0 ? 0 : std::min<std::uint64_t>(static_cast<std::uint64_t>(a.count), cap);
}

constexpr wchar_t kCancelText[] = L"Import cancelled with Escape before scene creation completed.";
constexpr wchar_t kVertexBudgetText[] =
    L"Mesh blocked before scene creation: vertex count exceeds the Phase 65.7.1 raised hard safety budget.";
constexpr wchar_t kTriangleBudgetText[] =
    L"Mesh blocked before scene creation: triangle count exceeds the Phase 65.7.1 raised hard safety budget.";

template <class T>
void growFor(std::vector<T>& list, std::size_t more) {
  const std::size_t needed = list.size() + more;
  if (needed > list.capacity()) list.reserve(std::max(needed, list.capacity() * 2));
}

}  // namespace

bool importProgressCancelled(PendingGltfDocument& document, const std::wstring& progress) {
  if (document.cancelled) return true;
  if (document.cancelProbe) {
    document.cancelled = document.cancelProbe(progress);
  } else {
    // Repainting the progress is far dearer than the work between two polls:
    // it runs at most once per kProgressRepaintMs of the platform clock.
    constexpr std::uint64_t kProgressRepaintMs = 50;
    const std::uint64_t now = platform::nowMs();
    if (!document.progressPumped || now - document.lastProgressPumpMs >= kProgressRepaintMs) {
      document.progressPumped = true;
      document.lastProgressPumpMs = now;
      processPendingMessages(progress);
    }
    document.cancelled = (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
  }
  return document.cancelled;
}

void validateAccessors(PendingGltfDocument& document) {
  for (PendingGltfAccessor& a : document.accessors) {
    a.readable = false;
    const std::uint64_t size = phase65ImportTypeSize(a.componentType);
    if (a.sparse || size == 0 || a.count < 0 || a.bufferView < 0 ||
        static_cast<std::size_t>(a.bufferView) >= document.bufferViews.size())
      continue;
    const PendingGltfBufferView& view = document.bufferViews[static_cast<std::size_t>(a.bufferView)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= document.buffers.size()) continue;
    const PendingGltfBuffer& buffer = document.buffers[static_cast<std::size_t>(view.buffer)];
    std::uint64_t viewEnd = 0;
    if (!buffer.loaded || addOverflows(view.byteOffset, view.byteLength, viewEnd) || viewEnd > buffer.size) continue;
    const std::uint64_t elementSize = size * phase65ComponentCount(a.type);
    const std::uint64_t stride = view.byteStride == 0 ? elementSize : view.byteStride;
    if (stride < elementSize) continue;
    if (a.count > 0) {
      std::uint64_t span = 0, end = 0;
      if (mulOverflows(stride, static_cast<std::uint64_t>(a.count) - 1, span) || addOverflows(span, elementSize, span) ||
          addOverflows(span, a.byteOffset, end) || end > view.byteLength)
        continue;
    } else if (a.byteOffset > view.byteLength) {
      continue;
    }
    a.readable = true;
    a.stride = stride;
    a.first = reinterpret_cast<const unsigned char*>(buffer.bytes().data()) + view.byteOffset + a.byteOffset;
  }
}

double phase65ReadAccessorValue(const PendingGltfDocument& document, std::int32_t index, std::uint64_t element,
                                std::uint32_t component, bool& ok) {
  ok = false;
  const PendingGltfAccessor* a = accessorAt(document, index);
  if (!a || !a->readable || a->count <= 0 || element >= static_cast<std::uint64_t>(a->count) ||
      component >= phase65ComponentCount(a->type))
    return 0.0;
  ok = true;
  const std::uint64_t size = phase65ImportTypeSize(a->componentType);
  return componentValue(a->first + element * a->stride + component * size, a->componentType);
}

std::vector<Vec3> phase65ReadVertexAccessor(PendingGltfDocument& document, std::int32_t index) {
  std::vector<Vec3> out;
  const PendingGltfAccessor* a = accessorAt(document, index);
  if (!a || !a->readable || a->type != "VEC3" || a->componentType != 5126) return out;
  const std::uint64_t count = cappedCount(*a, kImportVertexBudget);
  out.resize(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (i != 0 && i % 4096 == 0 &&
        importProgressCancelled(document, L"Phase 65.7.1 import: reading vertex accessor " + std::to_wstring(i) +
                                              L" / " + std::to_wstring(count)))
      return {};
    const unsigned char* p = a->first + i * a->stride;
    out[i] = {loadLittle<float>(p), loadLittle<float>(p + 4), loadLittle<float>(p + 8)};
  }
  return out;
}

std::vector<Vec2> phase65ReadUvAccessor(PendingGltfDocument& document, std::int32_t index, std::uint64_t cap) {
  std::vector<Vec2> out;
  const PendingGltfAccessor* a = accessorAt(document, index);
  if (!a || !a->readable || a->type != "VEC2" ||
      (a->componentType != 5126 && a->componentType != 5121 && a->componentType != 5123))
    return out;
  const std::uint64_t count = cappedCount(*a, std::min<std::uint64_t>(cap, kImportVertexBudget));
  const std::uint64_t size = phase65ImportTypeSize(a->componentType);
  const double divisor = !a->normalized ? 1.0 : a->componentType == 5121 ? 255.0 : a->componentType == 5123 ? 65535.0 : 1.0;
  out.resize(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (i != 0 && i % 4096 == 0 &&
        importProgressCancelled(document, L"Phase 65.7.1 import: reading UV accessor " + std::to_wstring(i) + L" / " +
                                              std::to_wstring(count)))
      return {};
    const unsigned char* p = a->first + i * a->stride;
    double u = componentValue(p, a->componentType) / divisor;
    double v = componentValue(p + size, a->componentType) / divisor;
    if (!std::isfinite(u)) u = 0.0;
    if (!std::isfinite(v)) v = 0.0;
    // glTF's v runs downwards; the studio's (and the export's) upwards.
    out[i] = {u, 1.0 - v};
  }
  return out;
}

std::vector<std::uint32_t> phase65ReadIndexAccessor(PendingGltfDocument& document, std::int32_t index) {
  std::vector<std::uint32_t> out;
  if (!phase65IsIndexAccessor(document, index)) return out;
  const PendingGltfAccessor& a = document.accessors[static_cast<std::size_t>(index)];
  if (!a.readable) return out;
  const std::uint64_t count = cappedCount(a, kImportIndexCap);
  out.resize(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (i != 0 && i % 8192 == 0 &&
        importProgressCancelled(document, L"Phase 65.7.1 import: reading index accessor " + std::to_wstring(i) +
                                              L" / " + std::to_wstring(count)))
      return {};
    const unsigned char* p = a.first + i * a.stride;
    out[i] = a.componentType == 5121 ? *p
             : a.componentType == 5123 ? loadLittle<std::uint16_t>(p)
                                       : loadLittle<std::uint32_t>(p);
  }
  return out;
}

bool phase65ImportTriangleMesh(PendingGltfDocument& document, std::int32_t meshIndex, MeshData& out,
                               std::vector<Material>& slots, std::wstring& message) {
  message.clear();
  if (document.meshes.empty()) {
    message = L"glTF has no meshes array.";
    return false;
  }
  if (meshIndex < 0 || static_cast<std::size_t>(meshIndex) >= document.meshes.size()) {
    message = L"Node references a missing mesh index.";
    return false;
  }
  const PendingGltfMesh& mesh = document.meshes[static_cast<std::size_t>(meshIndex)];
  if (!mesh.hasPrimitives) {
    message = L"Mesh has no primitives array.";
    return false;
  }
  out = MeshData{};
  out.schema = L"mesh-data-v1-phase65-gltf-import";
  const std::size_t slotCount = std::min<std::size_t>(document.materials.size(), kImportMaterialBudget);
  slots.assign(document.materials.begin(), document.materials.begin() + static_cast<std::ptrdiff_t>(slotCount));
  if (document.materials.size() > kImportMaterialBudget || document.declared.materials > kImportMaterialBudget)
    message = L"Material slot list was capped by the Phase 65.7.1 raised import budget.";
  const std::int32_t defaultSlot = static_cast<std::int32_t>(slotCount);
  bool defaultUsed = false;

  // What the run built before this mesh counts against the same budgets, so
  // instances of one mesh cannot add up past them; checked before reading.
  const std::uint64_t runVertices = document.verticesImported, runTriangles = document.trianglesImported;
  const GltfMeshEstimate estimate = gltfMeshEstimate(document, static_cast<std::size_t>(meshIndex));
  if (saturatingAdd(runVertices, estimate.vertices) > kImportVertexBudget) {
    message = kVertexBudgetText;
    return false;
  }
  if (saturatingAdd(runTriangles, estimate.triangles) > kImportTriangleBudget) {
    message = kTriangleBudgetText;
    return false;
  }
  std::vector<Vec3>& vertices = out.vertices.write();
  std::vector<Vec2>& uvList = out.uvs.write();
  std::vector<MeshFace>& faces = out.faces.write();
  std::uint64_t skipped = 0;
  std::vector<std::int32_t> remap;
  std::uint64_t staged = 0;  // triangles over all primitives, for the progress poll
  for (const PendingGltfPrimitive& primitive : mesh.primitives) {
    const PendingGltfAccessor* position = accessorAt(document, primitive.position);
    if (primitive.mode != 4 || !primitive.hasAttributes || !position || position->type != "VEC3" ||
        position->componentType != 5126 || (primitive.hasIndices && !phase65IsIndexAccessor(document, primitive.indices))) {
      ++skipped;
      continue;
    }
    const std::vector<Vec3> positions = phase65ReadVertexAccessor(document, primitive.position);
    if (document.cancelled) {
      message = kCancelText;
      return false;
    }
    if (positions.empty()) {
      ++skipped;
      continue;
    }
    std::vector<std::uint32_t> indices;
    if (primitive.hasIndices) {
      indices = phase65ReadIndexAccessor(document, primitive.indices);
      if (document.cancelled) {
        message = kCancelText;
        return false;
      }
      // A named index accessor that cannot be read never means "no indices".
      if (indices.empty()) {
        ++skipped;
        continue;
      }
    } else {
      indices.resize(positions.size());
      for (std::uint32_t i = 0; i < indices.size(); ++i) indices[i] = i;
    }
    // UVs past the positions are never named by a face: not read, not kept.
    const std::vector<Vec2> uvs = primitive.texcoord0 >= 0
                                      ? phase65ReadUvAccessor(document, primitive.texcoord0, positions.size())
                                      : std::vector<Vec2>();
    if (document.cancelled) {
      message = kCancelText;
      return false;
    }
    std::int32_t material = 0;
    if (!primitive.hasMaterial && document.materialsDeclared) {
      material = defaultSlot;
      defaultUsed = true;
    } else if (primitive.material >= 0 && primitive.material < defaultSlot) {
      material = primitive.material;
    }
    // Positions the project's load guard would refuse are left out here.
    remap.assign(positions.size(), -1);
    const std::size_t base = vertices.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const Vec3& p = positions[i];
      if (meshVertexWithinLoadGuard(p))
        remap[i] = static_cast<std::int32_t>(base + kept++);
      else
        ++skipped;
    }
    if (runVertices + base + kept > kImportVertexBudget) {
      message = kVertexBudgetText;
      return false;
    }
    // Room grows geometrically: an exact reserve per primitive would copy the
    // arrays every time.
    growFor(vertices, kept);
    growFor(faces, static_cast<std::size_t>(std::min<std::uint64_t>(indices.size() / 3, kImportTriangleBudget)));
    for (std::size_t i = 0; i < positions.size(); ++i)
      if (remap[i] >= 0) vertices.push_back(exchangeMirrorPoint(positions[i]));
    const std::size_t uvBase = uvList.size();
    uvList.insert(uvList.end(), uvs.begin(), uvs.end());
    for (std::size_t k = 0; k + 2 < indices.size(); k += 3) {
      if (staged != 0 && staged % 8192 == 0 &&
          importProgressCancelled(document,
                                  L"Phase 65.7.1 import: staging mesh triangles " + std::to_wstring(faces.size()))) {
        message = kCancelText;
        return false;
      }
      ++staged;
      if (runTriangles + faces.size() > kImportTriangleBudget - 1) {
        message = kTriangleBudgetText;
        return false;
      }
      const std::uint32_t a = indices[k], b = indices[k + 1], c = indices[k + 2];
      if (a >= positions.size() || b >= positions.size() || c >= positions.size() || a == b || b == c || a == c ||
          remap[a] < 0 || remap[b] < 0 || remap[c] < 0) {
        ++skipped;
        continue;
      }
      MeshFace face;
      face.indices = {remap[a], remap[b], remap[c]};
      if (a < uvs.size() && b < uvs.size() && c < uvs.size())
        face.uvIndices = {static_cast<std::int32_t>(uvBase + a), static_cast<std::int32_t>(uvBase + b),
                          static_cast<std::int32_t>(uvBase + c)};
      face.materialIndex = material;
      reverseWindingKeepFirst(face);
      faces.push_back(std::move(face));
    }
    ++document.audit.importedPrimitives;
    if (indices.size() % 3 != 0) ++skipped;
  }
  document.audit.stagingSkipped =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(document.audit.stagingSkipped + skipped, UINT32_MAX));
  if (defaultUsed) slots.push_back(gltfDefaultMaterial());
  if (vertices.empty() || faces.empty()) {
    message = skipped == 0 ? L"Mesh imported no triangles." : L"Mesh primitives were present but unsupported or unreadable.";
    return false;
  }
  if (skipped > 0) {
    if (!message.empty()) message += L" ";
    message += L"Skipped unsupported/unreadable primitive elements: " + std::to_wstring(skipped);
  }
  return true;
}

}  // namespace vk
