// The left rail's vocabulary: panel captions, descriptions, slot captions
// and the details text of panels 1 to 4.
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/text_utils.h"
#include "shell/command_ids.h"
#include "shell/shell.h"

namespace vk {

int leftRailPanelFromIndex(int value) { return value >= 0 && value <= 4 ? value : 0; }

std::wstring leftRailPanelCaption(int panel) {
  switch (panel) {
    case 1: return L"ASSETS";
    case 2: return L"MATERIALS";
    case 3: return L"SCENE";
    case 4: return L"HISTORY";
    default: return L"OUTLINER";
  }
}

std::wstring leftRailPanelDescription(int panel) {
  switch (panel) {
    case 0: return L"Scene hierarchy, selection, visibility, and object organization.";
    case 1:
      return L"Phase 66.1 GLB compatibility QA, glTF/OBJ exchange, save/open, and render handoff shortcuts for "
             L"the live project. GLB/glTF import remains deferred/hidden.";
    case 2:
      return L"Material presets, slots, texture diagnostics, and capsule shortcuts bound to the selected object.";
    case 3:
      return L"Scene construction, camera/light visibility, starter capsules, and render source controls.";
    case 4: return L"Undo/redo, save/open, workspace reset, and recent state reminders.";
    default: return L"";
  }
}

namespace {

struct RailSlot {
  const wchar_t* label;
  int command;
};

constexpr RailSlot kRailSlots[5][6] = {
    {{L"New Empty", kCmdAddEmpty},
     {L"Duplicate", kCmdDuplicateSelected},
     {L"Delete", kCmdDeleteSelected},
     {L"Visible", kCmdToggleVisibility},
     {L"Lock", kCmdToggleLock},
     {L"New Group", kCmdNewGroup}},
    {{L"Export GLB Scene", kCmdExportGlbScene},
     {L"Export GLB Selected", kCmdExportSelectedGlb},
     {L"Export glTF", kCmdExportGltf},
     {L"Export OBJ", kCmdExportObj},
     {L"Import OBJ", kCmdImportObj},
     {L"Save Project", kCmdSaveProject}},
    {{L"Preset Browser", kCmdTogglePresetBrowser},
     {L"Capsules", kCmdToggleCapsuleBrowser},
     {L"Blue Preset", kCmdMaterialPresetBlue},
     {L"Chrome Preset", kCmdMaterialPresetChrome},
     {L"Add Slot", kCmdAddMaterialSlot},
     {L"Assign Faces", kCmdAssignMaterialToFaces}},
    {{L"Add Camera", kCmdAddCamera},
     {L"Add Light", kCmdAddPointLight},
     {L"Clean Starter", kCmdStarterCleanModeling},
     {L"Product Shot", kCmdStarterProductShot},
     {L"Camera View", kCmdToggleCameraView},
     {L"Frustums", kCmdToggleFrustumGuides}},
    {{L"Undo", kCmdUndo},
     {L"Redo", kCmdRedo},
     {L"Save", kCmdSaveProject},
     {L"Reset UI", kCmdResetWorkspaceLayout},
     {L"New", kCmdNewProject},
     {L"Open", kCmdOpenProject}},
};

bool validSlot(int panel, int slot) { return panel >= 0 && panel <= 4 && slot >= 0 && slot <= 5; }

const wchar_t* onOff(bool value) { return value ? L"on" : L"off"; }

}  // namespace

std::wstring leftRailButtonLabel(int panel, int slot) {
  return validSlot(panel, slot) ? kRailSlots[panel][slot].label : L"";
}

int leftRailButtonCommand(int panel, int slot) {
  return validSlot(panel, slot) ? kRailSlots[panel][slot].command : 0;
}

std::wstring leftRailContextText(int panel) {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  const std::wstring objects = std::to_wstring(scene.objects.size());
  switch (panel) {
    case 0: {
      std::wstring text = L"Objects: " + objects;
      if (!app.outlinerFilter.empty()) text += L" | Filter: " + app.outlinerFilter;
      return text;
    }
    case 1:
      return L"Project assets: " + objects +
             L" scene objects. Phase 66.1: real binary .glb export now includes compatibility QA for selected "
             L"objects/subtrees and whole visible scenes. GLB/glTF import remains deferred/hidden. OBJ "
             L"import/export and glTF JSON export remain available.\n"
             L"Compatibility QA: Veltrask now validates GLB 2.0 container structure, JSON/BIN chunk packing, "
             L"4-byte alignment, buffer offsets, accessors, component types, accessor bounds, and index width "
             L"selection before writing. Later Phase 66.x work will add normals/smoothing fidelity, embedded "
             L"textures, full PBR texture packing, and runtime scale/orientation presets.\n" +
             app.importReport;
    case 2: {
      const Object* object = findObjectById(scene, app.selectedObjectId);
      if (!object) return L"Select an object to edit material slots, presets, and capsule application.";
      const std::size_t slots = object->materialSlots.slots.empty() ? 1 : object->materialSlots.slots.size();
      return L"Selected: " + shownText(object->name) + L" | Material " + shownText(object->material.name) +
             L" | Slots " + std::to_wstring(slots);
    }
    case 3: {
      const Object* camera = findObjectById(scene, scene.activeCameraId);
      const bool isCamera = camera && camera->kind == ObjectKind::Camera;
      return L"Active camera: " + (isCamera ? shownText(camera->name) : std::wstring(L"none")) + L" | Frustums " +
             onOff(app.showCameraWidgets) + L" | Look targets " + onOff(app.showFramingBadge);
    }
    case 4:
      return L"Undo " + std::to_wstring(app.undoStack.size()) + L" | Redo " + std::to_wstring(app.redoStack.size()) +
             L" | " + (app.dirty ? L"Unsaved changes" : L"Saved");
    default: return L"";
  }
}

bool isRailPanelButtonActive(int controlId) {
  return controlId >= kCmdRailOutliner && controlId <= kCmdRailHistory &&
         appState().activeRailPanel == controlId - kCmdRailOutliner;
}

}  // namespace vk
