// glTF import accessors and triangle meshes: every accessor is checked once,
// in overflow-safe 64-bit sums, against its view and the bytes loaded; the
// readers then copy elements without per-component bounds tests.
//
// Sections:
//   - Accessor checks
//   - Element readers
//   - Staging triangles
//   - Reading accessors and meshes
#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/exchange_axes.h"
#include "formats/gltf_import.h"
#include "model/mesh_guard.h"
#include "model/services.h"
#include "platform/clock.h"

namespace vk {

// ---- Accessor checks --------------------------------------------------------
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

// ---- Element readers --------------------------------------------------------
namespace {

// The readers below visit elements in order and poll the progress every
// `every` elements with `what` ("reading vertex accessor i / count"); false
// when the run was cancelled on the way.
template <class Visit>
bool visitElements(PendingGltfDocument& document, std::uint64_t count, std::uint64_t every, const wchar_t* what,
                   Visit visit) {
  for (std::uint64_t i = 0; i < count;) {
    if (i != 0 && importProgressCancelled(document, std::wstring(L"Phase 65.7.1 import: reading ") + what + L" " +
                                                        std::to_wstring(i) + L" / " + std::to_wstring(count)))
      return false;
    const std::uint64_t end = std::min(count, i + every);
    for (; i < end; ++i) visit(i);
  }
  return true;
}

bool readablePositions(const PendingGltfAccessor* a) {
  return a && a->readable && a->type == "VEC3" && a->componentType == 5126;
}

bool readableUvs(const PendingGltfAccessor* a) {
  return a && a->readable && a->type == "VEC2" &&
         (a->componentType == 5126 || a->componentType == 5121 || a->componentType == 5123);
}

Vec3 positionAt(const PendingGltfAccessor& a, std::uint64_t i) {
  const unsigned char* p = a.first + i * a.stride;
  return {loadLittle<float>(p), loadLittle<float>(p + 4), loadLittle<float>(p + 8)};
}

// glTF's v runs downwards; the studio's (and the export's) upwards.
Vec2 uvAt(const PendingGltfAccessor& a, std::uint64_t i, std::uint64_t size, double divisor) {
  const unsigned char* p = a.first + i * a.stride;
  double u = componentValue(p, a.componentType) / divisor;
  double v = componentValue(p + size, a.componentType) / divisor;
  if (!std::isfinite(u)) u = 0.0;
  if (!std::isfinite(v)) v = 0.0;
  return {u, 1.0 - v};
}

double uvDivisor(const PendingGltfAccessor& a) {
  return !a.normalized ? 1.0 : a.componentType == 5121 ? 255.0 : a.componentType == 5123 ? 65535.0 : 1.0;
}

// Appends the readable UVs of `index` (at most `cap`) to `out`; false when
// cancelled. Unreadable ones append nothing.
bool appendUvs(PendingGltfDocument& document, std::int32_t index, std::uint64_t cap, std::vector<Vec2>& out) {
  const PendingGltfAccessor* a = accessorAt(document, index);
  if (!readableUvs(a)) return true;
  const std::uint64_t count = cappedCount(*a, std::min<std::uint64_t>(cap, kGltfImportVertexLimit));
  const std::uint64_t size = phase65ImportTypeSize(a->componentType);
  const double divisor = uvDivisor(*a);
  const std::size_t base = out.size();
  out.resize(base + count);
  Vec2* to = out.data() + base;
  if (visitElements(document, count, 4096, L"UV accessor", [&](std::uint64_t i) { to[i] = uvAt(*a, i, size, divisor); }))
    return true;
  out.resize(base);
  return false;
}

// ---- Staging triangles ------------------------------------------------------
// The element reader of each index component type, and of a primitive
// without indices (element i names vertex i).
struct SequentialIndices {
  std::uint32_t operator()(std::uint64_t i) const { return static_cast<std::uint32_t>(i); }
};
template <class T>
struct StridedIndices {
  const unsigned char* first;
  std::uint64_t stride;
  std::uint32_t operator()(std::uint64_t i) const { return loadLittle<T>(first + i * stride); }
};

// What one primitive's triangles are staged against.
struct TriangleStage {
  std::uint64_t vertexCount = 0;    // the primitive's positions: larger indices name nothing
  const std::int32_t* remap = nullptr;  // position -> mesh vertex (-1: left out), or null: base + position
  std::int32_t base = 0;
  std::uint64_t uvCount = 0;  // the primitive's UVs, from uvBase on in the mesh
  std::int32_t uvBase = 0;
  std::int32_t material = 0;
  std::uint64_t indexCount = 0;
  bool indexed = false;
  std::uint64_t faceLimit = 0;  // faces the run may still hold
};

enum class StageResult { Done, Cancelled, OverBudget };

// Stages the triangles of indices [0, indexCount) into `faces`, each turned
// over (keeping its first corner) into the studio's winding as it is made.
// Polls "staging mesh triangles" every 8192 triangles of the whole mesh
// (`staged` runs across its primitives) and, for indexed primitives,
// "reading index accessor" every 8192 indices.
template <bool Remapped, class IndexAt>
StageResult stageTriangles(PendingGltfDocument& document, const TriangleStage& s, IndexAt indexAt,
                           std::vector<MeshFace>& faces, std::uint64_t& staged, std::uint64_t& skipped) {
  constexpr std::uint64_t kEvery = 8192;
  const std::uint64_t triangles = s.indexCount / 3;
  std::uint64_t nextIndexPoll = kEvery;  // the element index of the next index-reading poll
  auto indexPollsUpTo = [&](std::uint64_t element) {
    for (; s.indexed && nextIndexPoll <= element && nextIndexPoll < s.indexCount; nextIndexPoll += kEvery)
      if (importProgressCancelled(document, L"Phase 65.7.1 import: reading index accessor " +
                                                std::to_wstring(nextIndexPoll) + L" / " + std::to_wstring(s.indexCount)))
        return false;
    return true;
  };
  auto vertexOf = [&](std::uint32_t position) {
    if constexpr (Remapped) return s.remap[position];
    else return static_cast<std::int32_t>(s.base + static_cast<std::int32_t>(position));
  };
  for (std::uint64_t t = 0; t < triangles;) {
    if (!indexPollsUpTo(3 * t + 2)) return StageResult::Cancelled;
    if (staged != 0 && staged % kEvery == 0 &&
        importProgressCancelled(document,
                                L"Phase 65.7.1 import: staging mesh triangles " + std::to_wstring(faces.size())))
      return StageResult::Cancelled;
    // Up to the next poll of either kind, nothing but triangles.
    std::uint64_t end = std::min(triangles, t + (kEvery - staged % kEvery));
    if (s.indexed) end = std::min(end, std::max(t + 1, nextIndexPoll / 3));
    for (; t < end; ++t, ++staged) {
      if (faces.size() >= s.faceLimit) return StageResult::OverBudget;
      const std::uint32_t a = indexAt(3 * t), b = indexAt(3 * t + 1), c = indexAt(3 * t + 2);
      if (a >= s.vertexCount || b >= s.vertexCount || c >= s.vertexCount || a == b || b == c || a == c) {
        ++skipped;
        continue;
      }
      const std::int32_t va = vertexOf(a), vb = vertexOf(b), vc = vertexOf(c);
      if constexpr (Remapped) {
        if (va < 0 || vb < 0 || vc < 0) {
          ++skipped;
          continue;
        }
      }
      MeshFace& face = faces.emplace_back();
      face.indices = {va, vc, vb};
      if (a < s.uvCount && b < s.uvCount && c < s.uvCount)
        face.uvIndices = {s.uvBase + static_cast<std::int32_t>(a), s.uvBase + static_cast<std::int32_t>(c),
                          s.uvBase + static_cast<std::int32_t>(b)};
      face.materialIndex = s.material;
    }
  }
  // Indices past the last whole triangle are read too.
  if (s.indexCount > 0 && !indexPollsUpTo(s.indexCount - 1)) return StageResult::Cancelled;
  return StageResult::Done;
}

template <bool Remapped>
StageResult stageByIndexType(PendingGltfDocument& document, const TriangleStage& s, const PendingGltfAccessor* indices,
                             std::vector<MeshFace>& faces, std::uint64_t& staged, std::uint64_t& skipped) {
  if (!indices) return stageTriangles<Remapped>(document, s, SequentialIndices{}, faces, staged, skipped);
  switch (indices->componentType) {
    case 5121:
      return stageTriangles<Remapped>(document, s, StridedIndices<std::uint8_t>{indices->first, indices->stride},
                                      faces, staged, skipped);
    case 5123:
      return stageTriangles<Remapped>(document, s, StridedIndices<std::uint16_t>{indices->first, indices->stride},
                                      faces, staged, skipped);
    default:
      return stageTriangles<Remapped>(document, s, StridedIndices<std::uint32_t>{indices->first, indices->stride},
                                      faces, staged, skipped);
  }
}

}  // namespace

// ---- Reading accessors and meshes -------------------------------------------
std::vector<Vec3> phase65ReadVertexAccessor(PendingGltfDocument& document, std::int32_t index) {
  std::vector<Vec3> out;
  const PendingGltfAccessor* a = accessorAt(document, index);
  if (!readablePositions(a)) return out;
  out.resize(cappedCount(*a, kGltfImportVertexLimit));
  if (!visitElements(document, out.size(), 4096, L"vertex accessor", [&](std::uint64_t i) { out[i] = positionAt(*a, i); }))
    return {};
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
  const std::size_t slotCount = std::min<std::size_t>(document.materials.size(), kGltfImportMaterialLimit);
  slots.assign(document.materials.begin(), document.materials.begin() + static_cast<std::ptrdiff_t>(slotCount));
  if (document.materials.size() > kGltfImportMaterialLimit || document.declared.materials > kGltfImportMaterialLimit)
    message = L"Material slot list was capped by the Phase 65.7.1 raised import budget.";
  const std::int32_t defaultSlot = static_cast<std::int32_t>(slotCount);
  bool defaultUsed = false;

  // What the run built before this mesh counts against the same budgets, so
  // instances of one mesh cannot add up past them; checked before reading.
  const std::uint64_t runVertices = document.verticesImported, runTriangles = document.trianglesImported;
  const GltfMeshEstimate estimate = gltfMeshEstimate(document, static_cast<std::size_t>(meshIndex));
  if (saturatingAdd(runVertices, estimate.vertices) > kGltfImportVertexLimit) {
    message = kVertexBudgetText;
    return false;
  }
  if (saturatingAdd(runTriangles, estimate.triangles) > kGltfImportTriangleLimit) {
    message = kTriangleBudgetText;
    return false;
  }
  std::vector<Vec3>& vertices = out.vertices.write();
  std::vector<Vec2>& uvList = out.uvs.write();
  std::vector<MeshFace>& faces = out.faces.write();
  // The estimate bounds what every primitive may add (and lies within the
  // budgets): one allocation per array.
  vertices.reserve(static_cast<std::size_t>(estimate.vertices));
  faces.reserve(static_cast<std::size_t>(estimate.triangles));
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
    const std::uint64_t positionCount = readablePositions(position) ? cappedCount(*position, kGltfImportVertexLimit) : 0;
    if (positionCount == 0) {
      ++skipped;
      continue;
    }
    // Positions go straight into the mesh, mirrored; those the project's load
    // guard would refuse are left out and, only then, the rest renumbered.
    const std::size_t base = vertices.size();
    std::uint64_t guarded = 0;
    remap.clear();
    const bool read = visitElements(document, positionCount, 4096, L"vertex accessor", [&](std::uint64_t i) {
      const Vec3 p = positionAt(*position, i);
      if (!meshVertexWithinLoadGuard(p)) {
        if (remap.empty()) {
          remap.resize(positionCount, -1);
          for (std::uint64_t k = 0; k < i; ++k) remap[k] = static_cast<std::int32_t>(base + k);
        }
        ++guarded;
        return;
      }
      if (!remap.empty()) remap[i] = static_cast<std::int32_t>(vertices.size());
      vertices.push_back(exchangeMirrorPoint(p));
    });
    if (!read) {
      message = kCancelText;
      return false;
    }
    const PendingGltfAccessor* indices = nullptr;
    std::uint64_t indexCount = positionCount;
    if (primitive.hasIndices) {
      indices = &document.accessors[static_cast<std::size_t>(primitive.indices)];
      indexCount = indices->readable ? cappedCount(*indices, kGltfImportIndexLimit) : 0;
      // A named index accessor that cannot be read never means "no indices".
      if (indexCount == 0) {
        vertices.resize(base);
        ++skipped;
        continue;
      }
    }
    skipped += guarded;
    // UVs past the positions are never named by a face: not read, not kept.
    const std::size_t uvBase = uvList.size();
    if (primitive.texcoord0 >= 0 && !appendUvs(document, primitive.texcoord0, positionCount, uvList)) {
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
    if (runVertices + vertices.size() > kGltfImportVertexLimit) {
      message = kVertexBudgetText;
      return false;
    }
    TriangleStage stage;
    stage.vertexCount = positionCount;
    stage.remap = remap.empty() ? nullptr : remap.data();
    stage.base = static_cast<std::int32_t>(base);
    stage.uvCount = uvList.size() - uvBase;
    stage.uvBase = static_cast<std::int32_t>(uvBase);
    stage.material = material;
    stage.indexCount = indexCount;
    stage.indexed = indices != nullptr;
    stage.faceLimit = kGltfImportTriangleLimit - std::min<std::uint64_t>(runTriangles, kGltfImportTriangleLimit);
    const StageResult result = stage.remap ? stageByIndexType<true>(document, stage, indices, faces, staged, skipped)
                                           : stageByIndexType<false>(document, stage, indices, faces, staged, skipped);
    if (result == StageResult::Cancelled) {
      message = kCancelText;
      return false;
    }
    if (result == StageResult::OverBudget) {
      message = kTriangleBudgetText;
      return false;
    }
    ++document.audit.importedPrimitives;
    if (indexCount % 3 != 0) ++skipped;
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
