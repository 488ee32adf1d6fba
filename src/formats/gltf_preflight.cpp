// glTF import audit and preflight: what the file holds and what this importer
// reads, the size estimate against the hard budgets, and the decision text.
#include <algorithm>
#include <functional>
#include <set>

#include "formats/gltf_import.h"

namespace vk {

namespace {

std::uint32_t saturate32(std::uint64_t value) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
}

std::uint32_t count32(std::size_t n) { return saturate32(n); }

std::wstring dec(std::uint64_t n) { return std::to_wstring(n); }

bool supportedType(const std::string& type) {
  return type == "SCALAR" || type == "VEC2" || type == "VEC3" || type == "VEC4" || type == "MAT4";
}

const PendingGltfAccessor* accessorAt(const PendingGltfDocument& document, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= document.accessors.size()) return nullptr;
  return &document.accessors[static_cast<std::size_t>(index)];
}

using Warn = std::function<void(const std::wstring&)>;

// The audit's steps, in order; each counts into document.audit and warns
// through phase65PushUniqueWarning, so a repeated text is stored once.
void auditBufferViews(PendingGltfDocument& document, const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  c.bufferViews = count32(document.bufferViews.size());
  for (std::size_t i = 0; i < document.bufferViews.size(); ++i) {
    const PendingGltfBufferView& view = document.bufferViews[i];
    if (view.byteOffset != 0) ++c.offsetViews;
    if (view.byteStride != 0) {
      if (c.stridedViews < 6)
        warn(L"Phase 65.3: bufferView " + dec(i) + L" uses byteStride; strided reads are audited and bounded.");
      ++c.stridedViews;
    }
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= document.buffers.size()) {
      ++c.badViews;
      warn(L"Phase 65.3: bufferView " + dec(i) + L" references a missing buffer; dependent primitives will be skipped.");
      continue;
    }
    const PendingGltfBuffer& buffer = document.buffers[static_cast<std::size_t>(view.buffer)];
    std::uint64_t end = 0;
    if (buffer.loaded && view.byteLength != 0 &&
        (__builtin_add_overflow(view.byteOffset, view.byteLength, &end) || end > buffer.size)) {
      ++c.badViews;
      warn(L"Phase 65.3: bufferView " + dec(i) + L" exceeds loaded buffer range; dependent primitives will be skipped.");
    }
  }
}

void auditAccessors(PendingGltfDocument& document, const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  c.accessors = count32(document.accessors.size());
  std::uint32_t unsupportedWarned = 0, sparseWarned = 0;
  for (std::size_t i = 0; i < document.accessors.size(); ++i) {
    const PendingGltfAccessor& a = document.accessors[i];
    if (a.byteOffset != 0) ++c.offsetAccessors;
    if (a.normalized) ++c.normalizedAccessors;
    const bool supported = phase65ImportTypeSize(a.componentType) > 0 && supportedType(a.type) && a.bufferView >= 0 &&
                           static_cast<std::size_t>(a.bufferView) < document.bufferViews.size() && a.count >= 0 &&
                           !a.sparse;
    if (a.sparse) {
      ++c.sparseAccessors;
      if (sparseWarned++ < 10)
        warn(L"Phase 65.3: accessor " + dec(i) +
             L" uses sparse storage, which this importer does not read; primitives using it are skipped.");
    }
    if (supported) {
      ++c.supportedAccessors;
    } else {
      ++c.unsupportedAccessors;
      if (!a.sparse && unsupportedWarned++ < 10)
        warn(L"Phase 65.3: accessor " + dec(i) + L" is unsupported or incomplete (" +
             phase65ComponentTypeName(a.componentType) + L" " + std::wstring(a.type.begin(), a.type.end()) + L").");
    }
  }
}

void auditImages(PendingGltfDocument& document, const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  for (const PendingGltfImage& image : document.images) {
    if (image.bufferView >= 0 || image.uri.compare(0, 26, L"embedded-image-bufferView-") == 0) {
      ++c.embeddedImages;
    } else if (image.uri.compare(0, 5, L"data:") == 0) {
      ++c.dataUriImages;
    } else if (!image.uri.empty()) {
      ++c.externalImages;
      if (image.missingExternal) ++c.missingImages;
    }
  }
  if (c.externalImages > 0)
    warn(L"Phase 65.3: external image URI metadata is recorded; missing images warn instead of crashing.");
  if (c.embeddedImages > 0 || c.dataUriImages > 0)
    warn(L"Phase 65.3: embedded/data image metadata is detected; decode/render is deferred to the texture staging "
         L"phase.");
}

void auditFeatureFlags(PendingGltfDocument& document, const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  c.animations = document.hasAnimations;
  c.skins = document.hasSkins;
  c.morphTargets = document.mentionsTargets || document.mentionsMorphTarget;
  c.cameras = document.hasCameras;
  c.lights = document.hasLightsArray || document.mentionsLightsExtension;
  if (c.animations) warn(L"Phase 65.3: animations detected; static mesh import only, animation channels are skipped.");
  if (c.skins) warn(L"Phase 65.3: skins/joints detected; skinned meshes are imported as static geometry where possible.");
  if (c.morphTargets) warn(L"Phase 65.3: morph targets detected; base mesh only is imported.");
  if (c.cameras) warn(L"Phase 65.3: glTF cameras detected; camera objects are not created yet.");
  if (c.lights) warn(L"Phase 65.3: glTF lights detected; light objects are not created yet.");
}

// Step 5 for one primitive; a readable one's material enters `materials`.
void auditPrimitive(PendingGltfDocument& document, const PendingGltfPrimitive& p, std::set<std::int32_t>& materials,
                    const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  ++c.primitives;
  if (p.mode != 4) {
    ++c.otherModes;
    warn(L"Phase 65.3: primitive mode " + phase65PrimitiveModeName(p.mode) +
         L" detected; only TRIANGLES are imported, so this primitive is skipped safely.");
    return;
  }
  if (!p.hasAttributes) {
    ++c.skippedPrimitives;
    warn(L"Phase 65.3: triangle primitive has no attributes object and will be skipped safely.");
    return;
  }
  if (p.hasPositionKey) ++c.withPosition;
  if (p.hasNormalKey) ++c.withNormal, ++c.droppedKinds;
  if (p.hasTexcoordKey) ++c.withTexcoord;
  if (p.hasColorKey) ++c.withColor, ++c.droppedKinds;
  if (p.hasFutureAttribute) ++c.droppedKinds;
  if (p.normal >= 0)
    warn(L"Phase 65.3: NORMAL attributes detected; normals are audited but editable normal preservation is "
         L"deferred.");
  if (p.color0 >= 0)
    warn(L"Phase 65.3: COLOR_0 attributes detected; vertex colors are warned/downgraded until Veltrask has a "
         L"color layer.");
  if (p.texcoord0 >= 0) {
    const PendingGltfAccessor* t = accessorAt(document, p.texcoord0);
    if (!t || t->type != "VEC2" ||
        (t->componentType != 5126 && t->componentType != 5121 && t->componentType != 5123))
      warn(L"Phase 65.3: TEXCOORD_0 accessor format is not readable by this phase; UVs for that primitive are "
           L"skipped without blocking geometry.");
  }
  if (const PendingGltfAccessor* ix = accessorAt(document, p.indices)) {
    switch (ix->componentType) {
      case 5121: ++c.indexU8; break;
      case 5123: ++c.indexU16; break;
      case 5125: ++c.indexU32; break;
      default:
        ++c.indexUnsupported;
        warn(L"Phase 65.3: unsupported index accessor component " + phase65ComponentTypeName(ix->componentType) +
             L"; primitive is skipped safely.");
    }
  }
  const PendingGltfAccessor* pos = accessorAt(document, p.position);
  if (pos && pos->type == "VEC3" && pos->componentType == 5126) {
    if (p.hasIndices && !phase65IsIndexAccessor(document, p.indices)) {
      ++c.skippedPrimitives;
    } else {
      if (p.material >= 0) {
        materials.insert(p.material);
        ++c.materialRefs;
      }
      ++c.readablePrimitives;
    }
  } else {
    ++c.skippedPrimitives;
    warn(L"Phase 65.3: primitive POSITION accessor is missing or unsupported; primitive is skipped safely.");
  }
}

void auditMeshes(PendingGltfDocument& document, const Warn& warn) {
  GltfAuditCounters& c = document.audit;
  for (const PendingGltfMesh& mesh : document.meshes) {
    if (mesh.primitives.size() > 1) ++c.multiPrimitiveMeshes;
    std::set<std::int32_t> materials;
    for (const PendingGltfPrimitive& p : mesh.primitives) auditPrimitive(document, p, materials, warn);
    if (materials.size() > 1) ++c.multiMaterialMeshes;
  }
  if (c.multiPrimitiveMeshes > 0)
    warn(L"Phase 65.3: multiple primitives per mesh detected; Veltrask merges readable triangle primitives into one "
         L"imported mesh while preserving per-face material indices.");
  if (c.multiMaterialMeshes > 0)
    warn(L"Phase 65.3: multiple materials per mesh detected; per-face material indices are preserved where readable.");
}

}  // namespace

void phase65AuditDocument(PendingGltfDocument& document) {
  document.audit = GltfAuditCounters{};
  const Warn warn = [&](const std::wstring& text) { phase65PushUniqueWarning(document, text); };
  auditBufferViews(document, warn);
  auditAccessors(document, warn);
  auditImages(document, warn);
  auditFeatureFlags(document, warn);
  auditMeshes(document, warn);
}

GltfMeshEstimate gltfMeshEstimate(const PendingGltfDocument& document, std::size_t mesh) {
  GltfMeshEstimate e;
  if (mesh >= document.meshes.size()) return e;
  for (const PendingGltfPrimitive& p : document.meshes[mesh].primitives) {
    if (p.mode != 4 || !p.hasAttributes) continue;
    const PendingGltfAccessor* pos = accessorAt(document, p.position);
    const PendingGltfAccessor* ix = accessorAt(document, p.indices);
    const std::uint64_t v = pos && pos->count >= 1 ? static_cast<std::uint64_t>(pos->count) : 0;
    const std::uint64_t n = ix && ix->count >= 1 ? static_cast<std::uint64_t>(ix->count) : v;
    e.vertices = saturatingAdd(e.vertices, v);
    e.indices = saturatingAdd(e.indices, n);
    e.triangles = saturatingAdd(e.triangles, n / 3);
  }
  return e;
}

GltfImportPreflight phase65PreflightGltf(const PendingGltfDocument& document) {
  const GltfDeclaredCounts& declared = document.declared;
  GltfImportPreflight f;
  // Notes past the texts a report shows are counted (one per primitive of
  // another mode may be many).
  auto note = [&f](const wchar_t* text) {
    if (f.notes.size() < kGltfImportWarningTextLimit)
      f.notes.emplace_back(text);
    else
      ++f.notesNotKept;
  };
  f.nodes = saturate32(declared.nodes);
  f.meshes = saturate32(declared.meshes);
  f.materials = saturate32(std::max<std::uint64_t>(declared.materials, document.materials.size()));
  f.images = saturate32(declared.images);
  f.textures = saturate32(declared.textures);
  f.accessors = saturate32(declared.accessors);
  // A GLB without "buffers" still has its BIN chunk as one.
  f.buffers = saturate32(std::max<std::uint64_t>(declared.buffers, document.buffers.size()));
  for (const PendingGltfBuffer& buffer : document.buffers)
    if (buffer.loaded) f.loadedBufferBytes += buffer.size;

  for (const PendingGltfMesh& mesh : document.meshes)
    for (const PendingGltfPrimitive& p : mesh.primitives)
      if (p.mode != 4)
        note(L"Unsupported primitive mode detected; only TRIANGLES are imported in Phase 65.7.1.");
  // Each mesh's estimate once, then counted once per node that names it; any
  // sum past what fits saturates, so it blocks rather than wraps to small.
  std::vector<GltfMeshEstimate> perMesh(document.meshes.size());
  for (std::size_t m = 0; m < perMesh.size(); ++m) perMesh[m] = gltfMeshEstimate(document, m);
  GltfMeshEstimate total;
  auto add = [&](const GltfMeshEstimate& e) {
    total.vertices = saturatingAdd(total.vertices, e.vertices);
    total.indices = saturatingAdd(total.indices, e.indices);
    total.triangles = saturatingAdd(total.triangles, e.triangles);
  };
  if (document.nodes.empty()) {
    for (const GltfMeshEstimate& e : perMesh) add(e);
  } else {
    for (const PendingGltfNode& node : document.nodes)
      if (node.mesh >= 0 && static_cast<std::size_t>(node.mesh) < perMesh.size())
        add(perMesh[static_cast<std::size_t>(node.mesh)]);
  }
  f.estimatedVertices = saturate32(total.vertices);
  f.estimatedIndices = saturate32(total.indices);
  f.estimatedTriangles = saturate32(total.triangles);

  if (f.nodes > kGltfImportNodeLimit) note(L"Node count exceeds the Phase 65.7.1 raised import budget.");
  if (f.meshes > kGltfImportMeshLimit) note(L"Mesh count exceeds the Phase 65.7.1 raised import budget.");
  if (f.materials > kGltfImportMaterialLimit)
    note(L"Material count exceeds the Phase 65.7.1 raised import budget; extra materials may be reduced to "
                      L"fallback slots.");
  if (f.images > kGltfImportImageLimit)
    note(L"Texture/image count exceeds the Phase 65.7.1 raised import budget; texture references will be "
                      L"metadata-only.");
  if (f.accessors > kGltfImportAccessorLimit)
    note(L"Accessor count exceeds the Phase 65.7.1 raised import budget.");
  const bool viewsOver = declared.bufferViews > kGltfImportBufferViewLimit;
  const bool buffersOver = declared.buffers > kGltfImportBufferLimit;
  const bool primitivesOver = declared.primitives > kGltfImportPrimitiveLimit;
  if (viewsOver) note(L"Buffer view count exceeds the import budget.");
  if (buffersOver) note(L"Buffer count exceeds the import budget.");
  if (primitivesOver) note(L"Mesh primitive count exceeds the import budget.");
  if (declared.textures > kGltfImportTextureLimit)
    note(L"Texture count exceeds the import budget; textures past it are not referenced.");
  if (document.hasAnimations)
    note(L"Animations are detected but are not imported yet; static mesh data is preserved where possible.");
  if (document.hasSkins)
    note(L"Skins/joints are detected but are not imported yet; skinned meshes are treated as static mesh data.");
  if (document.mentionsMorphTarget || document.jsonText.find("targets") != std::string::npos)
    note(L"Morph targets may be present; Phase 65.7.1 preserves base mesh only.");
  if (document.hasCameras) note(L"glTF cameras are detected but are not created as Veltrask cameras yet.");
  if (document.hasLightsArray || document.mentionsLightsExtension)
    note(L"glTF lights are detected but are not created as Veltrask lights yet.");
  if (document.mentionsExtensionsUsed)
    note(L"glTF extensions are detected; Phase 65.7.1 imports base mesh/material fields and "
                      L"preserves/mentions unsupported extension data as future work.");

  f.blocked = gltfDeclaredPastBudget(declared) || total.vertices > kGltfImportVertexLimit ||
              total.triangles > kGltfImportTriangleLimit;
  f.survivalMode = f.estimatedVertices > 20000 || f.estimatedTriangles > 30000 || f.materials > 32 || f.images > 32;
  f.denseProtectedPreview = f.survivalMode;
  if (f.survivalMode)
    note(L"Dense imported mesh preview will be protected: viewport/picking/edit mode use bounded paths to "
                      L"prevent freezes.");
  f.proxyOnlyPreview = f.estimatedVertices > 70000 || f.estimatedTriangles > 70000;
  if (f.proxyOnlyPreview)
    note(L"Very dense imported mesh will use proxy-only viewport drawing until a later GPU/LOD renderer "
                      L"exists.");
  return f;
}

std::wstring phase65PreflightReport(const PendingGltfDocument& document, const GltfImportPreflight& f) {
  const GltfAuditCounters& c = document.audit;
  std::wstring r = L"Phase 65.7.1 GLB Survival Import Preflight + Compatibility Matrix\n";
  r += L"Source: " + phase65LabelFromPath(document.sourcePath) + L"\n";
  r += L"Nodes: " + dec(f.nodes) + L" / 4096\n";
  r += L"Meshes: " + dec(f.meshes) + L" / 2048\n";
  r += L"Estimated vertices: " + dec(f.estimatedVertices) + L" / 400000\n";
  r += L"Estimated triangles: " + dec(f.estimatedTriangles) + L" / 600000\n";
  r += L"Materials: " + dec(f.materials) + L" | Images: " + dec(f.images) + L" | Textures: " + dec(f.textures) + L"\n";
  r += L"Buffers: " + dec(f.buffers) + L" | Loaded buffer bytes: " + dec(f.loadedBufferBytes) + L"\n";
  r += L"Viewport mode: ";
  r += f.proxyOnlyPreview ? L"proxy-only" : f.denseProtectedPreview ? L"dense protected preview" : L"normal preview";
  r += L"\n";
  r += L"Compatibility audit: " + dec(c.readablePrimitives) + L" triangle-compatible primitives / " + dec(c.primitives) +
       L" total, " + dec(c.otherModes) + L" unsupported primitive modes, " + dec(c.indexUnsupported) +
       L" unsupported index accessors.\n";
  if (f.blocked)
    r += L"Decision: blocked before scene creation because the file still exceeds the raised Phase 65.7.1 hard safety "
         L"limits.\n";
  else if (f.survivalMode)
    r += L"Decision: safe to import using large-asset survival mode: bounded preview, proxy drawing where needed, safe "
         L"picking, and edit guards.\n";
  else
    r += L"Decision: safe to import normally.\n";
  if (!f.notes.empty()) {
    r += L"Warnings:\n";
    const std::size_t shown = std::min<std::size_t>(f.notes.size(), 14);
    for (std::size_t i = 0; i < shown; ++i) r += L"- " + f.notes[i] + L"\n";
    const std::uint64_t total = f.notes.size() + f.notesNotKept;
    if (total > shown) r += L"- Additional warnings: " + dec(total - shown) + L"\n";
  }
  return r;
}

}  // namespace vk
