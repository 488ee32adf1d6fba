#include "persistence/project_flows.h"

#include <string_view>
#include <utility>

#include "model/hierarchy.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/text_utils.h"
#include "model/texture_paths.h"
#include "persistence/persistence.h"
#include "platform/file_io.h"
#include "shading/textures.h"
#include "model/services.h"

namespace vk {

namespace {

using namespace std::string_view_literals;

constexpr std::wstring_view kProjectFilters =
    L"Veltrask Project JSON (*.json)\0*.json\0All Files (*.*)\0*.*\0\0"sv;
constexpr wchar_t kNoReport[] =
    L"Phase 65.6/65.7.1 reload: no preserved glTF/GLB import report found in this project.";

void messageBox(const wchar_t* title, const std::wstring& text, UINT icon) {
  MessageBoxW(appState().ui.mainWindow, text.c_str(), title, MB_OK | icon);
}

void errorBox(const wchar_t* title, const std::wstring& text) { messageBox(title, text, MB_ICONERROR); }

// Every refused open says so on the status line too; the box gives the reason.
void openFailed(const std::wstring& text) {
  setStatusText(kProjectOpenFailed);
  errorBox(L"Open Failed", text);
}

// The project path that the folder rules and the writer's file tests resolve
// against, for the duration of one write.
class ProjectPathForWrite {
 public:
  explicit ProjectPathForWrite(std::wstring path) : saved_(std::exchange(appState().projectPath, std::move(path))) {}
  ~ProjectPathForWrite() { appState().projectPath = std::move(saved_); }
  ProjectPathForWrite(const ProjectPathForWrite&) = delete;
  ProjectPathForWrite& operator=(const ProjectPathForWrite&) = delete;

 private:
  std::wstring saved_;
};

void repaintViewportAndWindow() {
  const UiHandles& ui = appState().ui;
  if (ui.viewport) InvalidateRect(ui.viewport, nullptr, FALSE);
  if (ui.mainWindow) InvalidateRect(ui.mainWindow, nullptr, FALSE);
}

// Everything the editor keeps about the replaced project starts over.
void resetEditorAfterOpen() {
  AppState& app = appState();
  app.transformTool = TransformTool::Select;
  app.axisConstraint = AxisConstraint::Free;
  app.workMode = WorkMode::Object;
  app.componentMode = ComponentMode::Vertex;
  app.activeModifierIndex = 0;
  app.activeMaterialSlotIndex = 0;
  clearAllComponentSelections();
  recalcNextObjectId();
  app.undoStack.clear();
  app.redoStack.clear();
  ++app.undoStacksVersion;
  const Object* active = findObjectById(app.selectedObjectId);
  app.viewPivot = active ? active->transform.position : sceneBounds();
  app.viewPanX = 0.0;
  app.viewPanY = 0.0;
  app.orthographic = false;
  app.cameraView = false;
  // Pictures of the replaced project go, and with them what its previews
  // already told: an opened preview that leaves entries out says so again.
  app.viewportCaches.reset();
}

// The Mesh and Text objects whose mesh the load guard would not keep as it
// is now, one line each with the rule broken (the first 12); "" when none.
// Commands refuse such meshes; this is the net under them.
std::wstring meshesThatWouldNotReopen(const Scene& scene) {
  constexpr std::size_t kListed = 12;
  std::wstring lines;
  std::size_t count = 0;
  for (const Object& object : scene.objects) {
    const MeshGuardRule broken = brokenMeshGuardRule(object);
    if (broken == MeshGuardRule::None) continue;
    if (++count <= kListed)
      lines += L"- " + trimToSingleLine(object.name, 80) + L": " + meshGuardRuleDetail(broken) + L"\n";
  }
  if (count > kListed) lines += L"- and " + std::to_wstring(count - kListed) + L" more\n";
  return lines;
}

// The warning after opening a damaged file: what is wrong, how many objects
// were read whole and how many damaged ones (and settings) were left out,
// and what Save and Save As would do.
std::wstring damagedProjectNotice(const std::wstring& path, const ProjectLoadResult& loaded, std::size_t objectsRead) {
  const ProjectTextDamage damage = loaded.damage;
  const wchar_t* what = damage == ProjectTextDamage::TextOutside     ? L"it holds text outside the project's braces"
                       : damage == ProjectTextDamage::NotWellFormed ? L"it is not well-formed JSON"
                       : damage == ProjectTextDamage::ArrayNameDamaged
                           ? L"the name of its \"objects\" array is damaged"
                       : damage == ProjectTextDamage::SceneNameDamaged
                           ? L"the name of its \"scene\" block is damaged"
                       : damage == ProjectTextDamage::EndsEarly ? L"it ends early"
                                                                : L"not all of its blocks are closed";
  const std::size_t leftOut = loaded.damagedObjectsLeftOut;
  std::wstring read = std::to_wstring(objectsRead) + (objectsRead == 1 ? L" object was read" : L" objects were read");
  if (loaded.objectsAfterFaultLeftOut) {
    read += L"; the objects after the damage were left out.";
  } else if (leftOut > 0) {
    read += L"; " + std::to_wstring(leftOut) +
            (leftOut == 1 ? L" damaged object was left out." : L" damaged objects were left out.");
  } else {
    read += L".";
  }
  // What the cut took is unknown: only that nothing after it was read.
  if (loaded.endsInsideObjects && !loaded.objectsAfterFaultLeftOut) read += L" Any objects after the cut are missing.";
  const std::size_t settings = loaded.damagedSettingsLeftOut;
  if (settings == 1) read += L" 1 damaged project setting was left at its default.";
  if (settings > 1) read += L" " + std::to_wstring(settings) + L" damaged project settings were left at their defaults.";
  return fileNameOf(path) + L" is damaged or incomplete: " + what + L". " + read +
         L" Save would replace the file with them; Save As keeps it.";
}

}  // namespace

TextFileReadResult readTextFile(const std::wstring& path, std::uint64_t maxBytes) {
  TextFileReadResult result;
  const FileStatus status = fileStatus(path);
  if (status.regular && status.size > maxBytes) {
    result.tooLarge = true;
    return result;
  }
  result.ok = readFileBytes(path, result.text, maxBytes, &result.reason);
  if (!result.ok) result.text.clear();
  return result;
}

FileChoice openProjectFileDialog(bool forSave) {
  FileDialogSpec spec;
  spec.save = forSave;
  spec.filters = kProjectFilters;
  spec.proposedName = forSave ? L"veltrask_phase62_project.json" : L"";
  spec.defaultExtension = L"json";
  spec.flags = forSave ? OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT
                       : OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  return askForFile(spec);
}

bool saveProjectFile(const std::wstring& path, std::uint64_t maxBytes) {
  AppState& app = appState();
  // A safety net: every command that adds objects already refuses to pass
  // the limit, so the studio never builds a project it could not save.
  if (app.project.scene.objects.size() > kProjectObjectLimit) {
    errorBox(L"Save Failed", L"Could not save the project JSON.\n\nThe project holds more than " +
                                 std::to_wstring(kProjectObjectLimit) + L" objects, the limit for a project file.");
    return false;
  }
  // Relative texture paths name files beside the project: a save into
  // another folder moves them, on a copy first so a failed write changes nothing.
  const std::wstring folderBefore = projectBaseDirectory();
  TexturePathRebase rebase;
  std::string text;
  {
    const ProjectPathForWrite target(path);
    rebase = makeTexturePathRebase(folderBefore, projectBaseDirectory());
    if (rebase.changesFolder) {
      Project copy = app.project;
      rebaseTexturePaths(rebase, copy);
      text = serializeProject(copy, app.activeModifierIndex);
    } else {
      text = serializeProject(app.project, app.activeModifierIndex);
    }
  }
  if (text.size() > maxBytes) {
    errorBox(L"Save Failed",
             L"Could not save the project JSON.\n\nThe project text is larger than 2 GiB, the limit for a project file.");
    return false;
  }
  std::wstring reason;
  if (!writeTextFile(path, text, &reason)) {
    // The reason is too long for the status line: the box holds it.
    errorBox(L"Save Failed", textWithReason(L"Could not save the project JSON.", reason));
    setStatusText(kProjectSaveFailed);
    return false;
  }
  // Undo and redo snapshots remember the folder they were taken under and
  // move their paths when restored, so the history finds the same images.
  if (rebase.changesFolder) rebaseTexturePaths(rebase, app.project);
  app.projectPath = path;
  setDirty(false);
  setStatusText(L"*  Project saved with Phase 65.6 imported asset metadata");
  // The file holds every mesh as it is; the user learns which will not open so.
  if (const std::wstring unkept = meshesThatWouldNotReopen(app.project.scene); !unkept.empty()) {
    messageBox(L"Project Saved",
               L"The project was saved, but these meshes will not reopen as they are now:\n\n" + unkept +
                   L"\nThe file holds them as they are; opening it rebuilds each from its primitive or drops the "
                   L"faces named.",
               MB_ICONWARNING);
    setStatusText(kSavedWithMeshWarning);
  }
  refreshStatusBar();
  return true;
}

void saveProjectCommand(bool alwaysAsk) {
  const std::wstring current = appState().projectPath;
  if (!alwaysAsk && !current.empty()) {
    saveProjectFile(current);
    return;
  }
  const FileChoice choice = openProjectFileDialog(true);
  if (choice.chosen) saveProjectFile(choice.path);
}

std::wstring importReportAfterOpen(const Scene& scene) {
  std::wstring report = kNoReport;
  int restored = 0, missing = 0;
  bool reportTaken = false;
  for (const Object& object : scene.objects) {
    if (object.importedAssetSourcePath.empty() && object.importedAssetImportReport.empty()) continue;
    ++restored;
    if (object.importedAssetMissingOnLoad) ++missing;
    if (reportTaken || object.importedAssetImportReport.empty()) continue;
    // Shown in the rail: a report past what it shows is cut, not copied whole.
    report = shownText(object.importedAssetImportReport.str(), kShownReportCharLimit) +
             L"\n\nPhase 65.6/65.7.1 reload: imported mesh data was restored from the saved project JSON; source "
             L"path and warnings were preserved, and no automatic re-import was performed.";
    reportTaken = true;
  }
  if (restored >= 1) {
    report += L"\nProject reload summary: " + std::to_wstring(restored) +
              L" imported asset object(s) restored from saved project data";
    if (missing >= 1)
      report += L"; " + std::to_wstring(missing) +
                L" original source path(s) currently missing but project mesh data is preserved";
    report += L".";
  }
  return report;
}

bool mayDiscardUnsavedChanges(const std::wstring& discardLabel, const std::wstring& whatDiscardDoes) {
  if (!appState().dirty) return true;
  return showTextDialog(L"Unsaved changes",
                        L"This project has unsaved changes.\n\nChoose Keep Editing to return to Veltrask Studio, or " +
                            discardLabel + L" to " + whatDiscardDoes + L".",
                        discardLabel, L"Keep Editing", true) == kTextDialogFirstButton;
}

void openSelectedProject() {
  if (!mayDiscardUnsavedChanges(L"Discard Changes",
                                L"discard the current unsaved project state and open another project"))
    return;
  const FileChoice choice = openProjectFileDialog(false);
  if (!choice.chosen) return;
  TextFileReadResult file = readTextFile(choice.path);
  if (file.tooLarge) {
    openFailed(L"Could not read the selected file.\n\nThe file is larger than 2 GiB, the limit for a project file.");
    return;
  }
  if (!file.ok) {
    // As a refused save does: the path and what was wrong with it.
    openFailed(textWithReason(L"Could not read the selected file.", file.reason));
    return;
  }
  ProjectLoadResult loaded = deserializeProject(file.text);
  file.text.clear();
  file.text.shrink_to_fit();
  if (loaded.overObjectBudget) {
    openFailed(L"Could not read the selected file.\n\nThe file holds more than " +
               std::to_wstring(kProjectObjectLimit) + L" objects, the limit for a project file.");
    return;
  }
  if (loaded.overMemoryBudget && loaded.textsOverMemoryBudget) {
    openFailed(L"Could not read the selected file.\n\nIts texts and entries would take more than " +
               std::to_wstring(kProjectMemoryLimitFactor) +
               L" times the file's size in memory, the limit for a project file.");
    return;
  }
  if (loaded.overMemoryBudget) {
    openFailed(L"Could not read the selected file.\n\nIts meshes would take more than " +
               std::to_wstring(kProjectMemoryLimitFactor) +
               L" times the file's size in memory, the limit for a project file.");
    return;
  }
  if (!loaded.usable) {
    openFailed(L"That JSON did not contain a usable Veltrask scene.");
    return;
  }
  AppState& app = appState();
  app.project = std::move(loaded.project);
  app.projectPath = choice.path;
  // After the path is set: the reader's flags were tested against the old folder.
  updateTextureMapStatuses(app.project.scene);
  clearTexturePreviewCache();
  const auto& objects = app.project.scene.objects;
  app.selectedObjectId = objects.empty() ? std::wstring() : objects.front().id;
  app.importReport = importReportAfterOpen(app.project.scene);
  resetEditorAfterOpen();
  // What a damaged file gave is not what it holds: the project starts unsaved.
  const bool whole = loaded.damage == ProjectTextDamage::None;
  setDirty(!whole);
  // The file decides the timeline band and the rail shows the new report.
  relayoutMainWindow();
  refreshOutliner();
  refreshInspector();
  refreshStatusBar();
  repaintViewportAndWindow();
  if (whole) {
    setStatusText(L"●  Project opened with Phase 65.6 imported asset data restored without auto re-import");
    return;
  }
  setStatusText(kDamagedProjectOpened);
  messageBox(L"Project Opened", damagedProjectNotice(choice.path, loaded, objects.size()), MB_ICONWARNING);
}

}  // namespace vk
