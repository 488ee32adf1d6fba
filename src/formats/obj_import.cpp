#include <algorithm>
#include <filesystem>
#include <vector>

#include "formats/import_file.h"
#include "formats/obj_import.h"
#include "model/app_state.h"
#include "model/file_choice.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "platform/file_io.h"
#include "platform/win32.h"
#include "model/services.h"

namespace vk {

namespace {

// An import refused at its own limit can never pass the project's limit.
static_assert(kObjImportObjectLimit <= kProjectObjectLimit);
constexpr wchar_t kObjMeshLabel[] = L"OBJ";
constexpr wchar_t kDegenerateMeshText[] =
    L"OBJ import failed: most faces have no area once coordinates are limited to -10000..10000.";

// `status`: a short status line for a box text too long to repeat there.
void reportImportFailure(const std::wstring& error, const std::wstring& status = L"") {
  MessageBoxW(appState().ui.mainWindow, error.c_str(), L"OBJ Import Failed", MB_OK | MB_ICONERROR);
  setStatusText(status.empty() ? L"●  " + error : status);
}

std::wstring decimal(std::int64_t value) { return std::to_wstring(value); }

std::wstring mtlNotTriedNote(const ObjImportResult& result) {
  return decimal(result.mtlLibrariesNotTried) + L" more mtllib names not looked for (first " +
         decimal(static_cast<std::int64_t>(kObjImportLibraryNameLimit)) + L" libraries only)";
}

std::wstring objFileName(const std::wstring& path) {
  const std::wstring name = wideFromPath(pathFromWide(path).filename());
  return name.empty() ? std::wstring(L"OBJ file") : name;
}

std::wstring faceCount(std::int64_t n) { return decimal(n) + (n == 1 ? L" face" : L" faces"); }

}  // namespace

// The mesh summary's count alone would let a damaged import pass for a whole one.
std::wstring objSkippedFacesText(const ObjImportResult& result) {
  const std::int64_t other = std::int64_t{result.skippedFaces} - result.oversizedFaces;
  std::wstring text;
  if (result.oversizedFaces > 0)
    text = faceCount(result.oversizedFaces) + L" with more than " + decimal(kObjImportFaceCornerLimit) + L" corners";
  if (other > 0) text += (text.empty() ? L"" : L" and ") + faceCount(other) + L" with bad or repeated corners";
  return text;
}

std::wstring objFacesLeftOutStatus(std::int64_t count) {
  return L"●  Imported OBJ; " + faceCount(count) + L" left out";
}

std::wstring objOversizedFacesRefusal(std::int64_t count) {
  return L"●  Refused: " + faceCount(count) + L" over " + decimal(kObjImportFaceCornerLimit) + L" corners";
}

std::wstring objImportObjectName(const std::wstring& path) {
  std::wstring stem = wideFromPath(pathFromWide(path).stem());
  stem = trimToSingleLine(stem, 72);
  if (stem.empty()) stem = L"Imported OBJ";
  return L"OBJ: " + stem;
}

FileDialogSpec objFileDialog(bool save, std::wstring_view proposedName) {
  using namespace std::string_view_literals;
  return {save, L"Wavefront OBJ (*.obj)\0*.obj\0All Files (*.*)\0*.*\0\0"sv, proposedName, L"obj",
          static_cast<DWORD>(OFN_EXPLORER | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST))};
}

void importObjFile() {
  const FileChoice chosen = askForFile(objFileDialog(false, L""));
  if (!chosen.chosen) return;
  std::wstring error;
  const LimitedTextFile file = readTextFileLimited(chosen.path, kObjImportFileByteLimit, error);
  if (!file.ok) {
    if (error.empty()) error = L"OBJ import failed before parsing.";
    // As a refused open does: the path and what was wrong, in the box only.
    reportImportFailure(textWithReason(error, file.reason), L"●  " + error);
    return;
  }
  ObjImportResult result;
  if (!parseObjFile(file.text, chosen.path, result, error)) {
    reportImportFailure(error.empty() ? L"OBJ import failed: unsupported or invalid mesh data." : error,
                        result.refusalStatus);
    return;
  }
  // A mesh the project load guard would not keep is refused now rather than
  // lost on the next open. Coordinates beyond the clamp collapse into faces
  // without area, the one rule the parser's own limits leave open.
  if (const MeshGuardRule broken = brokenMeshGuardRule(result.mesh, ObjectKind::Mesh, kObjMeshLabel);
      broken != MeshGuardRule::None) {
    reportImportFailure(broken == MeshGuardRule::Degenerate
                            ? std::wstring(kDegenerateMeshText)
                            : L"OBJ import failed: " + meshGuardRuleDetail(broken) + L".",
                        meshGuardRefusal(broken));
    return;
  }
  Object derived;
  derived.meshData = std::move(result.mesh);
  rebuildMeshData(derived);
  AppState& app = appState();
  if (app.project.scene.objects.size() >= kObjImportObjectLimit) {
    MessageBoxW(app.ui.mainWindow, L"OBJ import blocked: scene object budget reached.", L"OBJ Import Blocked",
                MB_OK | MB_ICONWARNING);
    setStatusText(L"●  OBJ import blocked: object budget reached");
    return;
  }

  EditTransaction edit;
  Object object = makeObject(ObjectKind::Mesh, objImportObjectName(chosen.path));
  object.mesh.primitive = kObjMeshLabel;
  object.meshData = std::move(derived.meshData);
  object.materialSlots.slots = std::move(result.materials);
  if (object.materialSlots.slots.empty()) object.materialSlots.slots.push_back(makeImportedObjDefaultMaterial());
  object.materialSlots.activeIndex = 0;
  object.material = object.materialSlots.slots.front();

  const auto slotCount = static_cast<std::int64_t>(object.materialSlots.slots.size());
  object.objectCapsuleId = L"phase62-6-obj-mtl-import";
  object.objectCapsuleLabel = L"OBJ + MTL Import";
  std::wstring note = L"Source " + objFileName(chosen.path) + L" | vertices " + decimal(result.vertices) +
                      L" | faces " + decimal(result.faces) + L" | materials " + decimal(slotCount) + L" | UVs " +
                      decimal(result.texcoords) + L" | texture maps " + decimal(result.textureMaps);
  const std::wstring leftOut = objSkippedFacesText(result);
  if (!leftOut.empty()) note += L" | left out " + leftOut;
  // Before the library names, which the cut to 300 characters may shorten.
  if (result.mtlLibrariesNotTried > 0) note += L" | " + mtlNotTriedNote(result);
  if (result.mtlLibraries > 0) note += L" | MTL " + result.mtlLibraryNames;
  object.objectCapsuleNote = trimToSingleLine(note, 300);
  sanitizeObjectCapsuleFields(object);
  object.mesh.vertices = derived.mesh.vertices;  // derived above, the mesh is unchanged since
  object.mesh.edges = derived.mesh.edges;
  object.mesh.faces = derived.mesh.faces;
  object.meshData.validation += L" | Phase 62.6 OBJ+MTL import | vt " + decimal(result.texcoords) +
                                L" | materials " + decimal(slotCount) + L" | texture maps " +
                                decimal(result.textureMaps) + L" | skipped faces " + decimal(result.skippedFaces) +
                                L" | skipped lines " + decimal(result.skippedLines);
  if (result.mtlLibrariesNotTried > 0) object.meshData.validation += L" | " + mtlNotTriedNote(result);
  sanitizeMaterialSlots(object);

  app.selectedObjectId = object.id;
  clearAllComponentSelections();
  const Vec3 position = object.transform.position;
  const std::wstring id = object.id;
  app.project.scene.objects.push_back(std::move(object));
  attachToMainCollection(id);
  app.workMode = WorkMode::Object;
  app.transformTool = TransformTool::Select;
  app.viewPivot = position;

  edit.commit();
  // The counts would crowd faces left out off the status line; the note keeps both.
  if (result.skippedFaces > 0) {
    setStatusText(objFacesLeftOutStatus(result.skippedFaces));
    return;
  }
  setStatusText(L"●  Imported OBJ+MTL mesh: " + decimal(result.vertices) + L" vertices, " +
                decimal(result.texcoords) + L" UVs, " + decimal(result.faces) + L" faces, " + decimal(slotCount) +
                L" materials");
}

}  // namespace vk
