// Commands Export glTF (1008), Export GLB Selected (1010) and Export GLB
// Scene (1011): scope, save dialog, build, write, status and boxes. Exports
// never change the project: no undo snapshot, no dirty mark.
#include <filesystem>

#include "formats/export_scope.h"
#include "formats/gltf_export.h"
#include "model/app_state.h"
#include "persistence/json.h"
#include "platform/file_io.h"
#include "platform/win32.h"
#include "model/services.h"

namespace vk {

namespace {

SaveChoice runSaveDialog(const std::wstring& defaultName, const wchar_t* filter, const wchar_t* extension) {
  std::vector<wchar_t> file(32768, L'\0');
  std::copy(defaultName.begin(), defaultName.end(), file.begin());
  OPENFILENAMEW dialog{};
  dialog.hwndOwner = appState().ui.mainWindow;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER;
  if (!GetSaveFileNameW(&dialog)) return {};
  return {true, std::wstring(file.data())};
}

void showBox(const std::wstring& text, const wchar_t* title, UINT icon) {
  MessageBoxW(appState().ui.mainWindow, text.c_str(), title, MB_OK | icon);
}

void failBox(const std::wstring& text, const wchar_t* title) {
  showBox(text, title, MB_ICONERROR);
  setStatusText(L"●  " + text);
}

std::wstring folderOf(const std::wstring& path) {
  return wideFromPath(pathFromWide(path).parent_path());
}

}  // namespace

SaveChoice openSaveGltfDialog() {
  static const wchar_t kFilter[] = L"glTF 2.0 JSON (*.gltf)\0*.gltf\0All Files (*.*)\0*.*\0";
  return runSaveDialog(L"veltrask_phase66_1_gltf_export.gltf", kFilter, L"gltf");
}

SaveChoice openSaveGlbDialog(bool selectedOnly) {
  static const wchar_t kFilter[] = L"Binary glTF / GLB 2.0 (*.glb)\0*.glb\0All Files (*.*)\0*.*\0";
  return runSaveDialog(selectedOnly ? L"veltrask_phase66_1_selected.glb" : L"veltrask_phase66_1_scene.glb", kFilter,
                       L"glb");
}

void exportGltf() {
  const std::vector<Object*> scope = collectSelectedOrVisibleMeshes();
  if (scope.empty()) {
    showBox(L"glTF export needs a selected mesh/text object or at least one visible mesh in the scene.",
            L"glTF Export Blocked", MB_ICONWARNING);
    setStatusText(L"●  glTF export blocked: no valid mesh objects");
    return;
  }
  const SaveChoice choice = openSaveGltfDialog();
  if (!choice.ok) return;
  std::wstring error;
  std::string text;
  std::uint32_t objects = 0, vertices = 0, triangles = 0;
  {
    GltfBuildState state;
    state.exportFolder = folderOf(choice.path);
    if (buildGltfState(scope, state, error, false, L"glTF")) {
      objects = state.meshObjectCount;
      vertices = state.vertexCount;
      triangles = state.triangleCount;
      text = buildGltfSceneJson(state, false);
    }
  }
  if (text.empty()) {
    if (error.empty()) error = L"glTF export failed before writing.";
    failBox(error, L"glTF Export Failed");
    return;
  }
  if (!writeTextFile(choice.path, text)) {
    showBox(L"Could not write the selected glTF file.", L"glTF Export Failed", MB_ICONERROR);
    setStatusText(L"●  glTF export failed: could not write file");
    return;
  }
  setStatusText(L"●  Exported glTF: " + std::to_wstring(objects) + L" object(s), " + std::to_wstring(vertices) +
                L" vertices, " + std::to_wstring(triangles) + L" triangles");
}

void exportGlb(bool selectedOnly) {
  bool selectionUsed = false;
  const std::vector<Object*> scope = collectExportObjects(selectedOnly, &selectionUsed);
  if (!glbSelectionHasExportableMesh(scope)) {
    showBox(L"GLB export needs a selected mesh/text object or at least one visible mesh in the scene.",
            L"GLB Export Blocked", MB_ICONWARNING);
    setStatusText(L"●  GLB export blocked: no valid mesh objects");
    return;
  }
  const SaveChoice choice = openSaveGlbDialog(selectedOnly);
  if (!choice.ok) return;
  GltfBuildState state;
  state.exportFolder = folderOf(choice.path);
  std::wstring error;
  if (!buildGltfState(scope, state, error, true, L"GLB")) {
    failBox(error.empty() ? L"GLB export failed before writing." : error, L"GLB Export Failed");
    return;
  }
  std::string bytes;
  if (!buildGlbBytes(state, bytes, error)) {
    failBox(error.empty() ? L"GLB export failed while packing the binary container." : error, L"GLB Export Failed");
    return;
  }
  if (!writeFileAtomically(choice.path, bytes)) {
    showBox(L"Could not write the selected GLB file.", L"GLB Export Failed", MB_ICONERROR);
    setStatusText(L"●  GLB export failed: could not write file");
    return;
  }
  AppState& app = appState();
  app.importReport = buildGlbQaReport(state, selectionUsed, bytes.size());
  refreshAll();
  setStatusText(L"●  Exported GLB: " + std::to_wstring(state.meshObjectCount) + L" mesh object(s), " +
                std::to_wstring(state.vertexCount) + L" vertices, " + std::to_wstring(state.triangleCount) +
                L" triangles");
  showBox(app.importReport, L"GLB Export Report", MB_ICONINFORMATION);
}

}  // namespace vk
