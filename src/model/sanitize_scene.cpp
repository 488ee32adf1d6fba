// Repair of the scene-level records, the component selections, a project
// restored from an undo or redo snapshot, and the mesh of an object read from
// a project file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <utility>

#include "model/app_state.h"
#include "model/curves.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/text_utils.h"

namespace vk {

namespace {

constexpr std::size_t kRestoreRepairLimit = 60000;

bool isMeshLike(const Object& object) {
  return object.kind == ObjectKind::Mesh || object.kind == ObjectKind::Text;
}

// Faces with at least 3 distinct in-range indices, in stored order. Returns
// false when nothing had to be dropped (the mesh is left untouched).
bool filterRestoredFaces(MeshData& mesh, std::size_t& kept) {
  const auto& faces = mesh.faces.read();
  std::vector<MeshFace> valid;
  valid.reserve(faces.size());
  for (const MeshFace& face : faces) {
    if (faceIndicesValid(mesh, face)) valid.push_back(face);
  }
  kept = valid.size();
  if (valid.size() == faces.size()) return false;
  mesh.faces = std::move(valid);
  return true;
}

void repairRestoredMesh(Object& object) {
  MeshData& mesh = object.meshData;
  // A mesh without faces (or vertices) is a legitimate result of Delete in
  // Edit Mesh: it comes back as it was, never replaced by its primitive.
  if (mesh.vertices.empty() || mesh.faces.empty()) return;
  // Heavy meshes come back exactly as the snapshot holds them.
  if (mesh.vertices.size() > kRestoreRepairLimit || mesh.faces.size() > kRestoreRepairLimit) return;
  std::size_t kept = 0;
  const bool dropped = filterRestoredFaces(mesh, kept);
  if (kept == 0) {
    initMeshData(object);
    return;
  }
  std::wstring noted = std::move(mesh.validation);
  rebuildMeshData(object);
  // What an import or the load guard noted after the summary (an OBJ's
  // skipped faces) still holds of the same faces summarised the same way.
  if (!dropped && noted.starts_with(mesh.validation) && noted.compare(mesh.validation.size(), 3, L" | ") == 0)
    mesh.validation = std::move(noted);
}

// "obj-restored" names only one object: the first keeps it, later ones get
// the next free numbered id, so every lookup can find its own object.
void giveRestoredObjectsDistinctIds(Project& project) {
  ObjectList& objects = project.scene.objects;
  const ObjectList& view = objects;  // only the objects renamed here are written
  std::int64_t largest = 0;
  for (const Object& object : view) {
    if (auto number = objectIdNumber(object.id)) largest = std::max(largest, *number);
  }
  auto counter = static_cast<std::uint32_t>(largest + 1);
  bool seen = false;
  std::unordered_set<std::wstring> taken;
  for (std::size_t i = 0; i < view.size(); ++i) {
    if (!view[i].id.empty() && view[i].id != L"obj-restored") continue;
    if (!seen) {
      if (view[i].id.empty()) objects[i].id = L"obj-restored";
      seen = true;
      continue;
    }
    if (taken.empty()) taken = objectIdsInUse(project.scene);
    objects[i].id = makeUniqueObjectId(taken, counter);
    taken.insert(objects[i].id);
  }
}

void repairRestoredObject(Object& object) {
  sanitizeCameraLightSettings(object);
  if (isMeshLike(object)) repairRestoredMesh(object);
  if (object.kind == ObjectKind::Curve) {
    if (object.curveData.points.empty()) {
      const std::wstring type = object.curveData.type.empty() ? L"Line" : object.curveData.type;
      initCurveData(object, type);
    } else {
      rebuildCurveData(object);
    }
  }
  sanitizeMaterialSlots(object);
  sanitizeModifierStack(object);
  sanitizeTransformKeyTrack(object);
  sanitizeCameraKeyframes(object);
  sanitizeLightKeyframes(object);
}

}  // namespace

void sanitizeRenderSettings(RenderSettings& settings) {
  if (settings.source != L"Camera" && settings.source != L"ActiveCamera" && settings.source != L"Viewport") {
    settings.source = L"Camera";
  }
  settings.outputWidth = clampInt(settings.outputWidth, 64, 4096);
  settings.outputHeight = clampInt(settings.outputHeight, 64, 4096);
}

void sanitizeTimelineState(TimelineBridge& timeline) {
  if (timeline.schema.empty()) timeline.schema = L"timeline-bridge-v1";
  if (timeline.bridgeMode.empty()) timeline.bridgeMode = L"Scene3D";
  timeline.frameStart = clampInt(timeline.frameStart, 0, 999999);
  timeline.frameEnd = clampInt(timeline.frameEnd, 1, 1000000);
  if (timeline.frameEnd <= timeline.frameStart) timeline.frameEnd = std::min(timeline.frameStart + 1, 1000000);
  if (timeline.currentFrame > timeline.frameEnd) {
    timeline.currentFrame = timeline.frameEnd;
  } else if (timeline.currentFrame < timeline.frameStart) {
    timeline.currentFrame = timeline.frameStart;
  }
  timeline.fps = clampOrDefault(timeline.fps, 1.0, 240.0, TimelineBridge{}.fps);
}

std::wstring sanitizePresetCategory(const std::wstring& category) {
  for (const wchar_t* known : {L"Starter", L"Material", L"Lighting", L"Camera", L"Animation"}) {
    if (category == known) return category;
  }
  return L"All";
}

std::wstring sanitizeCapsuleCategory(const std::wstring& category) {
  for (const wchar_t* known : {L"Object Kit", L"Workflow", L"Starter", L"Material", L"Lighting", L"Experimental"}) {
    if (category == known) return category;
  }
  return L"All";
}

void sanitizePresetBrowserState(PresetBrowserState& state) {
  if (state.schema.empty()) state.schema = L"preset-browser-v1";
  state.categoryFilter = sanitizePresetCategory(state.categoryFilter);
  state.selectedPresetId =
      capTextOrDefault(state.selectedPresetId, kBrowserSelectionIdCharLimit, L"starter-clean-modeling-scene");
  state.lastPreviewStatus = capTextOrDefault(state.lastPreviewStatus, kPresetBrowserStatusCharLimit, L"Preset Browser ready");
  state.previewOnly = 1;
}

void sanitizeCapsuleBrowserState(CapsuleBrowserState& state) {
  if (state.schema.empty()) state.schema = L"veltrask-capsules-v1";
  state.categoryFilter = sanitizeCapsuleCategory(state.categoryFilter);
  state.selectedCapsuleId =
      capTextOrDefault(state.selectedCapsuleId, kBrowserSelectionIdCharLimit, L"capsule-basic-primitive-kit");
  state.lastPreviewStatus =
      capTextOrDefault(state.lastPreviewStatus, kCapsuleBrowserStatusCharLimit, L"Veltrask Capsules ready");
  state.lastAppliedCapsuleId = trimToSingleLine(state.lastAppliedCapsuleId, kBrowserSelectionIdCharLimit);
  state.appliedCapsuleCount = clampInt(state.appliedCapsuleCount, 0, 1000000);
}

void sanitizeComponentSelection(const Object& object) {
  AppState& app = appState();
  const MeshData& mesh = object.meshData;
  sanitizeIndexList(app.selectedVertices, static_cast<std::int32_t>(mesh.vertices.size()));
  sanitizeIndexList(app.selectedEdges, static_cast<std::int32_t>(mesh.edges.size()));
  sanitizeIndexList(app.selectedFaces, static_cast<std::int32_t>(mesh.faces.size()));
}

void sanitizeCurvePointSelection(const Object& object) {
  sanitizeIndexList(appState().selectedCurvePoints, static_cast<std::int32_t>(object.curveData.points.size()));
}

void sanitizeRestoredProject(Project& project) {
  Scene& scene = project.scene;
  if (scene.collections.empty()) scene.collections.push_back(Collection{});
  project.phase = std::max(project.phase, 66100);
  project.schema = std::max(project.schema, 66100);
  giveRestoredObjectsDistinctIds(project);
  // Each object is repaired on a copy and written back only when the repair
  // changed it, so the restored project keeps sharing its objects with the
  // history; an object found sound is noted and not checked again until written.
  const ObjectList& view = scene.objects;
  for (std::size_t i = 0; i < view.size(); ++i) {
    if (view.noted(i)) continue;
    Object repaired = view[i];
    repairRestoredObject(repaired);
    if (repaired == view[i]) scene.objects.note(i);
    else scene.objects[i] = std::move(repaired);
  }
  ensureValidActiveCamera(project, false);
  sanitizeRenderSettings(scene.renderSettings);
  std::vector<std::wstring> members;
  members.reserve(view.size());
  for (const Object& object : view) members.push_back(object.id);
  if (std::as_const(scene.collections).front().objectIds != members)
    scene.collections.front().objectIds = std::move(members);
}

bool isEditedFacelessMesh(const Object& object) {
  return isMeshLike(object) && object.mesh.primitive == kEditedMeshLabel && object.meshData.faces.empty();
}

bool sanitizeImportedMeshData(Object& object) {
  if (!isMeshLike(object)) return true;
  auto rebuildFromPrimitive = [&](const wchar_t* note) {
    initMeshData(object);
    object.meshData.validation += note;
    return false;
  };
  auto keep = [&] {
    rebuildMeshData(object);
    object.meshData.validation += L" | Phase 46.3 import-safe geometry verified";
    return true;
  };
  constexpr wchar_t kDegenerateNote[] = L" | Phase 46.3 import guard rebuilt heavily degenerate mesh";
  switch (brokenMeshGuardRule(object)) {
    case MeshGuardRule::None:
      return keep();
    case MeshGuardRule::FaceShape:
      break;  // repaired below
    case MeshGuardRule::Degenerate:
      return rebuildFromPrimitive(kDegenerateNote);
    case MeshGuardRule::NoGeometry:
    case MeshGuardRule::VertexCount:
    case MeshGuardRule::FaceCount:
    case MeshGuardRule::CoordinateRange:
      return rebuildFromPrimitive(L" | Phase 46.3 import guard rebuilt unsafe/missing meshData from primitive metadata");
  }

  // Faces the rule drops go; a kept face's material index is clamped.
  // Faces are copied only from the first one that changes: the faces before
  // it were all kept as they are.
  MeshData& mesh = object.meshData;
  const auto& faces = mesh.faces.read();
  LoadGuardFaceRule rule(mesh.vertices.size());
  std::vector<MeshFace> kept;
  bool changed = false;
  std::size_t keptCount = 0;
  const auto change = [&](std::size_t at) {
    if (changed) return;
    changed = true;
    kept.reserve(faces.size());
    kept.assign(faces.begin(), faces.begin() + static_cast<std::ptrdiff_t>(at));
  };
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const MeshFace& face = faces[f];
    if (!rule.keeps(face.indices)) {
      change(f);
      continue;
    }
    ++keptCount;
    if (face.materialIndex < 0 || face.materialIndex > 31) change(f);
    if (!changed) continue;
    kept.push_back(face);
    kept.back().materialIndex = clampInt(face.materialIndex, 0, 31);
  }
  if (keptCount == 0) return rebuildFromPrimitive(L" | Phase 46.3 import guard rebuilt mesh with no valid faces");
  if (changed) mesh.faces = std::move(kept);
  // What is left answers to the remaining rule, on the faces kept.
  if (brokenMeshGuardRule(object) == MeshGuardRule::Degenerate) return rebuildFromPrimitive(kDegenerateNote);
  return keep();
}

}  // namespace vk
