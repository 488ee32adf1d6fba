// The glTF/GLB import run: load, preflight, build every object off-scene
// (cancellable until the end), then add them all under one undo snapshot and
// stamp them with one shared report.
//
// Sections:
//   - Run helpers
//   - Close requests, preview safety and the report
//   - The stages of a run
//   - The run
#include <algorithm>
#include <cmath>
#include <set>

#include "formats/gltf_import.h"
#include "formats/import_file.h"
#include "model/app_state.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/texture_paths.h"
#include "model/undo.h"
#include "platform/dialogs.h"
#include "model/services.h"

namespace vk {

// ---- Run helpers ------------------------------------------------------------
namespace {

// The run in progress (one at a time, on the UI thread): a close request
// that arrives through its message pump waits here until the run ends.
struct RunGuard {
  bool active = false;
  HWND heldClose = nullptr;
  std::function<bool(const std::wstring&)> testProbe;
};
RunGuard& runGuard() {
  static RunGuard guard;
  return guard;
}

constexpr wchar_t kCapsuleId[] = L"phase65-gltf-import";
constexpr wchar_t kCancelStatus[] = L"Import cancelled with Escape before scene creation completed.";

std::wstring dec(std::uint64_t n) { return std::to_wstring(n); }
const wchar_t* yesNo(bool flag) { return flag ? L"yes" : L"no"; }

void appendNote(std::wstring& notes, const std::wstring& note) {
  if (!notes.empty()) notes += L" ";
  notes += note;
}

HWND mainWindow() { return appState().ui.mainWindow; }

void repaintAll() {
  refreshOutliner();
  refreshInspector();
  refreshStatusBar();
  if (HWND viewport = appState().ui.viewport) InvalidateRect(viewport, nullptr, FALSE);
  if (HWND main = mainWindow()) InvalidateRect(main, nullptr, FALSE);
}

void showRailAssets() {
  appState().activeRailPanel = 1;
  relayoutMainWindow();
}

// More than 32 slots: the object keeps only the materials its faces use, in
// file order, so no face lands on a wrong colour when the slots are capped.
void keepUsedMaterialSlots(const std::wstring& name, MeshData& mesh, std::vector<Material>& slots,
                           PendingGltfDocument& document) {
  if (slots.size() <= 32) return;
  std::set<std::int32_t> used;
  for (const MeshFace& face : mesh.faces) used.insert(face.materialIndex);
  std::vector<std::int32_t> map(slots.size(), 0);
  std::vector<Material> kept;
  for (const std::int32_t index : used) {
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) continue;
    if (kept.size() == 32) break;
    map[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(kept.size());
    kept.push_back(slots[static_cast<std::size_t>(index)]);
  }
  if (used.size() > 32)
    addGltfWarning(document, name + L": faces use more than 32 materials; the faces of the others use the first slot.");
  auto& faces = mesh.faces.write();
  for (MeshFace& face : faces)
    face.materialIndex = face.materialIndex >= 0 && static_cast<std::size_t>(face.materialIndex) < map.size()
                             ? map[static_cast<std::size_t>(face.materialIndex)]
                             : 0;
  slots = std::move(kept);
}

void bakeWorld(MeshData& mesh, const std::array<double, 16>& m) {
  for (Vec3& p : mesh.vertices.write()) {
    p = {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
         m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
  }
}

// A node matrix baked into the vertices can carry them past what the load
// guard accepts (which would open the saved mesh as a cube): those vertices
// go with their faces, as the accessor reader leaves such positions out.
// Returns how many went.
std::size_t dropVerticesPastLoadGuard(MeshData& mesh) {
  const std::vector<Vec3>& vertices = mesh.vertices.read();
  std::vector<std::int32_t> remap(vertices.size(), -1);
  std::vector<Vec3> kept;
  kept.reserve(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    if (!meshVertexWithinLoadGuard(vertices[i])) continue;
    remap[i] = static_cast<std::int32_t>(kept.size());
    kept.push_back(vertices[i]);
  }
  const std::size_t dropped = vertices.size() - kept.size();
  if (dropped == 0) return 0;
  std::vector<MeshFace> faces;
  for (const MeshFace& face : mesh.faces.read()) {
    MeshFace moved = face;
    bool whole = true;
    for (std::int32_t& index : moved.indices) {
      if (index < 0 || static_cast<std::size_t>(index) >= remap.size() || remap[static_cast<std::size_t>(index)] < 0) {
        whole = false;
        break;
      }
      index = remap[static_cast<std::size_t>(index)];
    }
    if (whole) faces.push_back(std::move(moved));
  }
  mesh.vertices = std::move(kept);
  mesh.faces = std::move(faces);
  return dropped;
}

// Builds the object of one mesh; false (with the reason) leaves it untouched.
bool fillMeshObject(Object& object, PendingGltfDocument& document, std::int32_t mesh,
                    const GltfImportPreflight& preflight, std::wstring& message) {
  MeshData data;
  std::vector<Material> slots;
  if (!phase65ImportTriangleMesh(document, mesh, data, slots, message)) return false;
  object.kind = ObjectKind::Mesh;
  object.mesh.primitive = L"Imported glTF Mesh";
  keepUsedMaterialSlots(object.name, data, slots, document);
  if (slots.empty()) slots.push_back(makeImportedObjDefaultMaterial());
  object.materialSlots.slots = std::move(slots);
  object.materialSlots.activeIndex = 0;
  object.material = object.materialSlots.slots.front();
  // Every face names one of these slots already (the reader's material, the
  // default slot it adds, or a kept slot's new number): the slots are
  // sanitized before the faces arrive, sparing a pass that could change nothing.
  sanitizeMaterialSlots(object);
  object.meshData = std::move(data);
  phase65MarkPreviewSafety(object, preflight);
  rebuildMeshData(object);
  phase65EditSafetyNote(object);
  return true;
}

// A mesh the project load guard would not keep is not imported: it would
// not reopen as imported. False, with the reason added to `message`.
bool meshKeptByLoadGuard(const Object& object, std::wstring& message) {
  const MeshGuardRule broken = brokenMeshGuardRule(object);
  if (broken == MeshGuardRule::None) return true;
  if (!message.empty()) message += L" ";
  message += L"The mesh would not reopen as imported (" + meshGuardRuleDetail(broken) + L").";
  return false;
}

// The report counts what the scene keeps.
void countImportedMesh(PendingGltfDocument& document, const Object& object) {
  ++document.meshesImported;
  document.verticesImported += static_cast<std::uint32_t>(object.meshData.vertices.size());
  document.trianglesImported += static_cast<std::uint32_t>(object.meshData.faces.size());
}

void tagObject(Object& object, const wchar_t* note) {
  object.objectCapsuleId = kCapsuleId;
  object.objectCapsuleLabel = L"glTF/GLB Import";
  object.objectCapsuleNote = note;
}

std::wstring imageLine(const PendingGltfImage& image, std::size_t i) {
  std::wstring line = L"- " + dec(i) + L": " + (image.sourceKind.empty() ? L"metadata-only" : image.sourceKind) + L" | " +
                      (image.mimeType.empty() ? L"unknown mime" : image.mimeType) + L" | " +
                      (image.missingExternal ? L"missing" : image.notDecodable ? L"fallback" : L"staged");
  if (image.bufferView >= 0) line += L" | bufferView " + dec(static_cast<std::uint64_t>(image.bufferView));
  if (image.byteLength != 0) line += L" | " + dec(image.byteLength) + L" bytes";
  if (!image.uri.empty()) line += L" | " + textureFileName(sanitizeTexturePath(image.uri));
  return line + L"\n";
}

// The held close request goes out again once the run is over.
struct RunScope {
  RunScope(PendingGltfDocument& document) {
    runGuard().active = true;
    runGuard().heldClose = nullptr;
    if (runGuard().testProbe) document.cancelProbe = runGuard().testProbe;
  }
  ~RunScope() {
    runGuard().active = false;
    if (HWND held = runGuard().heldClose) {
      runGuard().heldClose = nullptr;
      PostMessageW(held, WM_CLOSE, 0, 0);
    }
  }
};

bool cancelRun(std::uint32_t savedCounter) {
  appState().nextObjectNumber = savedCounter;
  setStatusText(kCancelStatus);
  return false;
}

bool blockForBudget() {
  MessageBoxW(mainWindow(), L"glTF/GLB import blocked: scene object budget reached.", L"glTF/GLB Import Blocked",
              MB_OK | MB_ICONWARNING);
  setStatusText(L"Phase 65.7.1 import blocked: object budget reached");
  return false;
}

}  // namespace

// ---- Close requests, preview safety and the report --------------------------
bool holdMainWindowCloseDuringImport(HWND window) {
  if (!runGuard().active) return false;
  runGuard().heldClose = window;
  return true;
}

void setImportCancelProbeForTesting(std::function<bool(const std::wstring&)> probe) {
  runGuard().testProbe = std::move(probe);
}

void phase65MarkPreviewSafety(Object& object, const GltfImportPreflight& preflight) {
  if (object.kind != ObjectKind::Mesh) return;
  const bool dense = preflight.denseProtectedPreview || proxyMeshIsDense(object.meshData);
  const bool proxy = preflight.proxyOnlyPreview || object.meshData.vertices.size() > 70000 ||
                     object.meshData.faces.size() > 70000;
  if (!dense && !proxy) return;
  object.importedMeshSafeSelectionOnly = true;
  appendNote(object.objectCapsuleNote,
             proxy ? L"Phase 65.7.1 safety: proxy-only viewport preview for large split imported GLB; full mesh data "
                     L"preserved for save/export."
                   : L"Phase 65.7.1 safety: dense protected viewport preview; draw/pick/edit paths are bounded to prevent "
                     L"UI freezes.");
}

std::wstring phase65ImportReportTail(const PendingGltfDocument& document) {
  std::wstring tail;
  const std::uint64_t total = gltfWarningCount(document);
  const std::size_t shown = std::min<std::size_t>(document.warnings.size(), 64);
  for (std::size_t i = 0; i < shown; ++i) tail += L"- " + document.warnings[i] + L"\n";
  if (total > shown) tail += L"- Additional warnings preserved in import report: " + dec(total - shown) + L"\n";
  return tail;
}

std::wstring phase65ImportSurvivalReport(const PendingGltfDocument& document, std::size_t objectCount) {
  const GltfAuditCounters& c = document.audit;
  const GltfImageCounters& s = document.imageCounters;
  const GltfMaterialCounters& m = document.materialCounters;
  std::wstring r = L"Phase 65.7.1 GLB Survival Import Report + Save/Reload Robustness\n";
  r += L"Source: " + phase65LabelFromPath(document.sourcePath) + L"\n";
  r += L"Objects imported: " + dec(objectCount) + L"\n";
  r += L"Meshes imported: " + dec(document.meshesImported) + L"\n";
  r += L"Vertices: " + dec(document.verticesImported) + L"\n";
  r += L"Triangles: " + dec(document.trianglesImported) + L"\n";
  r += L"Materials: " + dec(std::max<std::uint64_t>(document.declared.materials, document.materials.size())) + L"\n";
  r += L"Buffers: " + dec(document.buffers.size()) + L"\n";
  r += L"Textures/images: " + dec(std::max<std::uint64_t>(document.declared.images, document.images.size())) + L"\n\n";
  r += L"Compatibility matrix:\n";
  r += L"- Accessors: " + dec(c.supportedAccessors) + L" supported/audited, " + dec(c.unsupportedAccessors) +
       L" unsupported/incomplete, " + dec(c.offsetAccessors) + L" with byteOffset, " + dec(c.normalizedAccessors) +
       L" normalized.\n";
  r += L"- BufferViews: " + dec(c.bufferViews) + L" total, " + dec(c.stridedViews) + L" strided, " + dec(c.offsetViews) +
       L" with byteOffset, " + dec(c.badViews) + L" range warnings.\n";
  r += L"- Index types: UNSIGNED_BYTE " + dec(c.indexU8) + L", UNSIGNED_SHORT " + dec(c.indexU16) + L", UNSIGNED_INT " +
       dec(c.indexU32) + L", unsupported " + dec(c.indexUnsupported) + L".\n";
  r += L"- Attributes detected: POSITION " + dec(c.withPosition) + L", NORMAL " + dec(c.withNormal) + L", TEXCOORD_0 " +
       dec(c.withTexcoord) + L", COLOR_0 " + dec(c.withColor) + L", downgraded/future attributes " +
       dec(c.droppedKinds) + L".\n";
  r += L"- Primitives: " + dec(c.primitives) + L" total, " + dec(c.readablePrimitives) + L" triangle-compatible, " +
       dec(c.otherModes) + L" unsupported mode, " + dec(c.skippedPrimitives) + L" unreadable, " +
       dec(c.importedPrimitives) + L" imported instances, " + dec(c.stagingSkipped) + L" skipped during staging.\n";
  r += L"- Multi-primitive meshes: " + dec(c.multiPrimitiveMeshes) + L" | Multi-material meshes: " +
       dec(c.multiMaterialMeshes) + L" | Primitive material refs: " + dec(c.materialRefs) + L".\n";
  r += L"- Images: external URI " + dec(c.externalImages) + L", missing external " + dec(c.missingImages) +
       L", embedded bufferView " + dec(c.embeddedImages) + L", data URI " + dec(c.dataUriImages) + L".\n";
  r += std::wstring(L"- Unsupported feature flags: animations ") + yesNo(c.animations) + L", skins " + yesNo(c.skins) +
       L", morph targets " + yesNo(c.morphTargets) + L", cameras " + yesNo(c.cameras) + L", lights " + yesNo(c.lights) +
       L".\n";
  r += L"Decision rule: unsupported GLB features are warned, skipped, or downgraded; they must not freeze or silently "
       L"corrupt the Veltrask scene.\n\n";
  r += L"Texture/material staging matrix:\n";
  r += L"- Images staged: external " + dec(s.externalImages) + L", embedded bufferView " + dec(s.embeddedImages) +
       L", data URI " + dec(s.dataUriImages) + L", missing external " + dec(s.missingExternalImages) +
       L", unsupported/unknown preview format " + dec(s.undecodableImages) + L".\n";
  r += L"- Decode policy: " + dec(s.deferredImages) + L" images deferred, " + dec(s.lazyPreviewMaps) +
       L" filesystem texture slots marked for lazy thumbnail/sample preview, " + dec(s.unsupportedFormatMaps) +
       L" slots using fallback material color.\n";
  r += L"- PBR fields mapped: baseColor " + dec(m.baseColor) + L", metallic " + dec(m.metallic) + L", roughness " +
       dec(m.roughness) + L", alpha " + dec(m.alphaMaps) + L", normalTexture " + dec(m.normalTexture) + L", emissive " +
       dec(m.emissive) + L".\n";
  r += L"- Texture slots preserved: " + dec(s.stagedMaps) +
       L". Embedded/data textures remain metadata-only until a later extraction/decode phase; import never decodes "
       L"them on the UI thread.\n\n";
  if (!document.images.empty()) {
    r += L"Image staging details:\n";
    const std::size_t shown = std::min<std::size_t>(document.images.size(), 12);
    for (std::size_t i = 0; i < shown; ++i) r += imageLine(document.images[i], i);
    if (document.images.size() > shown) r += L"- Additional staged images: " + dec(document.images.size() - shown) + L"\n";
    r += L"\n";
  }
  const std::uint64_t warningTotal = gltfWarningCount(document);
  if (warningTotal == 0) {
    r += L"Warnings: none";
  } else {
    r += L"Warnings / skipped / downgraded details:\n";
    const std::size_t shown = std::min<std::size_t>(document.warnings.size(), 32);
    for (std::size_t i = 0; i < shown; ++i) r += L"- " + document.warnings[i] + L"\n";
    if (warningTotal > shown) r += L"- Additional warnings: " + dec(warningTotal - shown) + L"\n";
  }
  return r;
}

void phase65ImportMetadataStamp(Object& object, const PendingGltfDocument& document, const SharedText& reportText,
                                const SharedText& warningsText) {
  object.importedAssetSourcePath = document.sourcePath;
  object.importedAssetOriginalName = phase65LabelFromPath(document.sourcePath);
  object.importedAssetSourceKind = phase65IsGlbPath(document.sourcePath, L".glb") ? L"GLB" : L"glTF";
  object.importedAssetImportReport = reportText;
  object.importedAssetWarnings = warningsText;
  object.importedAssetLoadedFromProject = false;
  object.importedAssetMissingOnLoad = false;
  appendNote(object.objectCapsuleNote,
             L"Phase 65.6/65.7.1 persistence: source asset path, import report, warnings, material slots, texture "
             L"references, and full mesh data are saved into the project; reopen uses saved mesh data instead of "
             L"re-importing.");
}

// ---- The stages of a run ----------------------------------------------------
namespace {

// The stages of one import run, in order; each that can stop the run says so
// by returning false after telling the user.

bool loadImportDocument(const std::wstring& path, PendingGltfDocument& document) {
  std::wstring error;
  if (phase65LoadDocument(path, document, error)) return true;
  if (error.empty()) error = L"glTF/GLB import failed before scene creation.";
  MessageBoxW(mainWindow(), error.c_str(), L"glTF/GLB Import Failed", MB_OK | MB_ICONERROR);
  setStatusText(L"Phase 65.6 import failed");
  return false;
}

GltfImportPreflight preflightAndShow(PendingGltfDocument& document, std::wstring& preflightReport) {
  const GltfImportPreflight preflight = phase65PreflightGltf(document);
  for (const std::wstring& note : preflight.notes) addGltfWarning(document, note);
  // Notes were dropped only past a full list: past the warning texts kept too.
  document.warningsNotKept += preflight.notesNotKept;
  preflightReport = phase65PreflightReport(document, preflight);
  appState().importReport = preflightReport;
  showRailAssets();
  refreshInspector();
  return preflight;
}

bool confirmPreflight(const GltfImportPreflight& preflight, const std::wstring& preflightReport) {
  if (preflight.blocked) {
    MessageBoxW(mainWindow(), preflightReport.c_str(), L"Phase 65.7.1 Import Blocked", MB_OK | MB_ICONWARNING);
    setStatusText(L"Phase 65.7.1 import blocked by raised hard safety budget");
    return false;
  }
  if (preflight.survivalMode) {
    const std::wstring text = preflightReport +
                              L"\nContinue with protected dense/proxy preview mode?\n\nPress Yes to import safely, or No "
                              L"to cancel before anything is added to the scene.";
    if (MessageBoxW(mainWindow(), text.c_str(), L"Phase 65.7.1 Import Safety Preflight", MB_YESNO | MB_ICONWARNING) !=
        IDYES) {
      setStatusText(L"Phase 65.7.1 import cancelled at preflight");
      return false;
    }
  }
  return true;
}

// One object per node, parented as the file says; false when cancelled.
bool buildNodeObjects(PendingGltfDocument& document, const GltfImportPreflight& preflight,
                      std::vector<Object>& created) {
  std::vector<std::int32_t> parents;
  std::vector<std::array<double, 16>> worlds;
  composeNodeWorlds(document.nodes, parents, worlds);
  created.reserve(document.nodes.size());
  bool bakedShear = false, bakedOutOfRange = false;
  for (std::size_t i = 0; i < document.nodes.size(); ++i) {
    const PendingGltfNode& node = document.nodes[i];
    Object object = makeObject(node.mesh < 0 ? ObjectKind::Empty : ObjectKind::Mesh, node.name);
    tagObject(object, L"Imported from Phase 65 glTF/GLB node hierarchy.");
    Transform world;
    const TrsSplit split = decomposeTrs(worlds[i].data(), world);
    const bool trs = split == TrsSplit::Split;
    // A mesh keeps its node's placement whole: a transform the object's own
    // limits would clamp goes into the vertices as a shear does.
    const bool withinLimits = trs && sanitizeTransformValues(world.position, world.rotation, world.scale) == world;
    if (node.mesh >= 0) {
      std::wstring message;
      bool filled = fillMeshObject(object, document, node.mesh, preflight, message);
      if (filled && !withinLimits) {
        bakeWorld(object.meshData, worlds[i]);
        (split == TrsSplit::Shear ? bakedShear : bakedOutOfRange) = true;
        world = Transform{};
        if (const std::size_t dropped = dropVerticesPastLoadGuard(object.meshData)) {
          if (!message.empty()) message += L" ";
          message += L"Vertices past the safe coordinate range after the node transform was baked: " +
                     dec(dropped) + L" left out.";
        }
        if (!object.meshData.faces.empty()) rebuildMeshData(object);
      }
      filled = filled && meshKeptByLoadGuard(object, message);
      if (filled) {
        countImportedMesh(document, object);
        if (!message.empty()) addGltfWarning(document, node.name + L": " + message);
      } else {
        if (document.cancelled) return false;
        object.kind = ObjectKind::Empty;
        object.mesh.primitive = L"Empty";
        initMeshData(object);
        addGltfWarning(document,
            node.name + L": " + (message.empty() ? L"mesh could not be imported; preserved as empty node." : message));
      }
    }
    if (!trs && object.kind != ObjectKind::Mesh) world = Transform{{worlds[i][12], worlds[i][13], worlds[i][14]}, {}, {1, 1, 1}};
    object.transform = world;
    created.push_back(std::move(object));
  }
  if (bakedShear)
    addGltfWarning(document,
        L"Node transforms with shear (non-uniform scale under rotation) were baked into mesh vertex positions.");
  if (bakedOutOfRange)
    addGltfWarning(document, L"Node transforms beyond what an object's transform holds (scale 0.0001 to 1000, "
                             L"position within 100000) were baked into mesh vertex positions.");
  for (std::size_t k = 0; k < created.size(); ++k)
    if (parents[k] >= 0) created[k].parentId = created[static_cast<std::size_t>(parents[k])].id;
  return true;
}

// Without nodes every mesh becomes an object; false when cancelled.
bool buildMeshObjects(const std::wstring& path, PendingGltfDocument& document, const GltfImportPreflight& preflight,
                      std::vector<Object>& created) {
  const std::wstring stem = phase65LabelFromPath(path);
  for (std::size_t m = 0; m < document.meshes.size(); ++m) {
    Object object = makeObject(ObjectKind::Mesh, stem + L" Mesh " + dec(m + 1));
    tagObject(object, L"Imported mesh without node hierarchy.");
    std::wstring message;
    if (fillMeshObject(object, document, static_cast<std::int32_t>(m), preflight, message) &&
        meshKeptByLoadGuard(object, message)) {
      countImportedMesh(document, object);
      if (!message.empty()) addGltfWarning(document, message);
      created.push_back(std::move(object));
    } else {
      if (document.cancelled) return false;
      if (!message.empty()) addGltfWarning(document, message);
    }
  }
  return true;
}

bool reportNoObjects(const PendingGltfDocument& document, std::uint32_t savedCounter) {
  appState().nextObjectNumber = savedCounter;
  MessageBoxW(mainWindow(),
              L"glTF/GLB import produced no usable objects. Check the Import Report warnings for missing buffers or "
              L"unsupported primitives.",
              L"glTF/GLB Import", MB_OK | MB_ICONWARNING);
  appState().importReport = phase65ImportSurvivalReport(document, 0);
  setStatusText(L"Phase 65 import produced no objects");
  repaintAll();
  return false;
}

std::wstring importRunReport(const PendingGltfDocument& document, const GltfImportPreflight& preflight,
                             std::size_t objectCount) {
  std::wstring report = phase65ImportSurvivalReport(document, objectCount);
  if (preflight.denseProtectedPreview)
    report += L"\nPhase 65.7.1 safety: dense imported mesh protection is active. Viewport draw, picking, and edit mode "
              L"are bounded to prevent freezes.\nPhase 65.2 viewport cache: full mesh data is preserved, while the "
              L"viewport uses cached low-poly/proxy preview data with triangle and edge budgets.\n";
  report += L"Phase 65.4 texture staging: embedded/data images are metadata-only, external texture thumbnails are "
            L"lazy, and fallback material colors are used for unsupported formats.\n"
            L"Phase 65.5.1 edit safety: imported meshes start read-only for component editing, remain "
            L"selectable/transformable in Object Mode, and dense/high-poly imports use object/gizmo-only safe "
            L"selection.\n"
            L"Phase 65.6/65.7.1 persistence: source path, import report, warnings, staged material/texture references, "
            L"and full mesh data are saved in the Veltrask project; project reopen does not re-import unless "
            L"explicitly requested.\n"
            L"Phase 65.7.1 survival pass: raised GLB import ceilings, large split-assets are forced into safe "
            L"proxy/LOD viewport mode, and per-node imports no longer bypass dense-asset guards just because each "
            L"submesh is small.\n";
  return report;
}

// Adds the created objects under one undo snapshot, each stamped with one
// shared copy of the report and the warnings, and selects the first.
void addImportedObjects(std::vector<Object>& created, const PendingGltfDocument& document, const std::wstring& report) {
  AppState& app = appState();
  const std::wstring tail = phase65ImportReportTail(document);
  const SharedText sharedReport(report);
  const SharedText sharedWarnings(tail.empty() ? std::wstring(L"Warnings: none") : tail);
  EditTransaction edit;
  for (Object& object : created) {
    sanitizeImportedTransform(object);
    phase65ImportMetadataStamp(object, document, sharedReport, sharedWarnings);
    const std::wstring id = object.id;
    app.project.scene.objects.push_back(std::move(object));
    attachToMainCollection(id);
  }
  app.selectedObjectId = app.project.scene.objects[app.project.scene.objects.size() - created.size()].id;
  app.workMode = WorkMode::Object;
  clearAllComponentSelections();
  recalcNextObjectId();
  edit.commitDirty();
  app.importReport = report;
  showRailAssets();
  repaintAll();
}

void announceImport(const PendingGltfDocument& document, const GltfImportPreflight& preflight,
                    std::size_t objectCount, const std::wstring& report) {
  const std::wstring status =
      preflight.denseProtectedPreview
          ? L"Imported glTF/GLB safely with Phase 65.7.1 survival import guard: full mesh loaded; viewport using cached "
            L"LOD/proxy preview"
          : L"Imported glTF/GLB safely with Phase 65.7.1 survival import guard: " + dec(objectCount) + L" object(s), " +
                dec(document.trianglesImported) + L" triangles";
  setStatusText(status);
  MessageBoxW(mainWindow(), report.c_str(), L"Phase 65.7.1 Import Report", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

// ---- The run ----------------------------------------------------------------
// The import refuses at its own limit before it builds, so it can never pass
// the project's limit.
static_assert(kGltfImportObjectLimit <= kProjectObjectLimit);

bool phase65ImportRun(const std::wstring& path) {
  AppState& app = appState();
  PendingGltfDocument document;
  RunScope scope(document);
  const std::uint32_t savedCounter = app.nextObjectNumber;

  if (importProgressCancelled(document, L"Phase 65.7.1 import: reading glTF/GLB file...")) return cancelRun(savedCounter);
  if (!loadImportDocument(path, document)) return false;

  std::wstring preflightReport;
  const GltfImportPreflight preflight = preflightAndShow(document, preflightReport);
  if (importProgressCancelled(document, L"Phase 65.7.1 import: preflight completed")) return cancelRun(savedCounter);
  if (!confirmPreflight(preflight, preflightReport)) return false;
  // Without nodes every mesh becomes an object.
  const std::size_t planned = std::max<std::size_t>(
      1, document.nodes.empty() ? document.meshes.size() : document.nodes.size());
  if (app.project.scene.objects.size() + planned > kGltfImportObjectLimit) return blockForBudget();

  if (importProgressCancelled(document, L"Phase 65.7.1 import: staging scene objects before viewport refresh..."))
    return cancelRun(savedCounter);

  // Objects are built aside; the scene changes only once all are ready.
  std::vector<Object> created;
  const bool built = document.nodes.empty() ? buildMeshObjects(path, document, preflight, created)
                                            : buildNodeObjects(document, preflight, created);
  if (!built) return cancelRun(savedCounter);
  if (created.empty()) return reportNoObjects(document, savedCounter);
  // The pump may have let other work change the scene meanwhile.
  if (app.project.scene.objects.size() + created.size() > kGltfImportObjectLimit) {
    app.nextObjectNumber = savedCounter;
    return blockForBudget();
  }

  const std::wstring report = importRunReport(document, preflight, created.size());
  addImportedObjects(created, document, report);
  announceImport(document, preflight, created.size(), report);
  return true;
}

}  // namespace vk
