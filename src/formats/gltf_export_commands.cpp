// Commands Export glTF, Export GLB Selected and Export GLB Scene: scope,
// save dialog, build, write, status and boxes, through the export frame. Exports
// never change the project: no undo snapshot, no dirty mark.
#include <filesystem>

#include "formats/export_command.h"
#include "formats/export_scope.h"
#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "platform/file_io.h"
#include "platform/win32.h"
#include "model/services.h"

namespace vk {

namespace {

using namespace std::string_view_literals;

std::wstring folderOf(const std::wstring& path) {
  return wideFromPath(pathFromWide(path).parent_path());
}

std::wstring countsLine(const GltfBuildState& state, const wchar_t* objects) {
  return std::to_wstring(state.meshObjectCount) + objects + std::to_wstring(state.vertexCount) + L" vertices, " +
         std::to_wstring(state.triangleCount) + L" triangles";
}

}  // namespace

FileDialogSpec gltfSaveDialog() {
  return {true, L"glTF 2.0 JSON (*.gltf)\0*.gltf\0All Files (*.*)\0*.*\0\0"sv, L"veltrask_phase66_1_gltf_export.gltf",
          L"gltf", kExportDialogFlags};
}

FileDialogSpec glbSaveDialog(bool selectedOnly) {
  return {true, L"Binary glTF / GLB 2.0 (*.glb)\0*.glb\0All Files (*.*)\0*.*\0\0"sv,
          selectedOnly ? L"veltrask_phase66_1_selected.glb" : L"veltrask_phase66_1_scene.glb", L"glb",
          kExportDialogFlags};
}

void exportGltf() {
  const std::vector<const Object*> scope = collectSelectedOrVisibleMeshes();
  std::wstring counts, leftOut;
  ExportCommand command{L"glTF", gltfSaveDialog(), nullptr, nullptr};
  command.build = [&](const std::wstring& path, std::string& text, std::wstring& error) {
    GltfBuildState state;
    state.exportFolder = folderOf(path);
    if (!buildGltfState(scope, state, error, false, L"glTF")) return false;
    counts = countsLine(state, L" object(s), ");
    leftOut = exportFacesLeftOutStatus(L"glTF", state.skippedFaceCount, state.oversizedFaceCount);
    text = buildGltfSceneJson(state, false);
    return !text.empty();
  };
  // As the OBJ export does: faces left out would be lost past the counts' end.
  command.written = [&](const std::string&) {
    setStatusText(leftOut.empty() ? L"●  Exported glTF: " + counts : leftOut);
  };
  runExportCommand(!scope.empty(), command);
}

void exportGlb(bool selectedOnly) {
  bool selectionUsed = false;
  const std::vector<const Object*> scope = collectExportObjects(selectedOnly, &selectionUsed);
  GltfBuildState state;
  ExportCommand command{L"GLB", glbSaveDialog(selectedOnly), nullptr, nullptr};
  command.build = [&](const std::wstring& path, std::string& bytes, std::wstring& error) {
    state.exportFolder = folderOf(path);
    if (!buildGltfState(scope, state, error, true, L"GLB")) return false;
    if (buildGlbBytes(state, bytes, error)) return true;
    if (error.empty()) error = L"GLB export failed while packing the binary container.";
    return false;
  };
  command.written = [&](const std::string& bytes) {
    AppState& app = appState();
    app.importReport = buildGlbQaReport(state, selectionUsed, bytes.size());
    refreshAll();
    const std::wstring leftOut = exportFacesLeftOutStatus(L"GLB", state.skippedFaceCount, state.oversizedFaceCount);
    setStatusText(leftOut.empty() ? L"●  Exported GLB: " + countsLine(state, L" mesh object(s), ") : leftOut);
    MessageBoxW(app.ui.mainWindow, app.importReport.c_str(), L"GLB Export Report", MB_OK | MB_ICONINFORMATION);
  };
  runExportCommand(glbSelectionHasExportableMesh(scope), command);
}

}  // namespace vk
