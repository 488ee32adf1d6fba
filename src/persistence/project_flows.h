// The user-facing ends of project persistence: the project file dialog, Save
// and Save As, Open, the capped whole-file read, and the move of relative
// texture paths when a save changes the project's folder.
#pragma once

#include <cstdint>
#include <string>

#include "model/app_state.h"
#include "model/file_choice.h"
#include "model/types.h"
#include "persistence/persistence.h"  // kProjectFileByteLimit

namespace vk {

inline constexpr wchar_t kSavedWithMeshWarning[] = L"●  Saved with a mesh warning";
// A save the system refused; the box gives the system's reason.
inline constexpr wchar_t kProjectSaveFailed[] = L"●  Project save failed";
// Every refused open (an "Open Failed" box, which gives the reason).
inline constexpr wchar_t kProjectOpenFailed[] = L"●  Project open failed";
// An open of a cut or damaged file, which keeps the objects it read whole
// and leaves the project unsaved; the box says what was read.
inline constexpr wchar_t kDamagedProjectOpened[] = L"●  Opened a damaged project";

struct TextFileReadResult {
  std::string text;  // the bytes exactly as read
  bool ok = false;   // false: missing, not a regular file, unreadable, changed while read or too large
  bool tooLarge = false;
  std::wstring reason;  // when not ok: the path and the system's cause, for a box's second paragraph
};

// The whole regular file, refused above maxBytes before anything is read.
TextFileReadResult readTextFile(const std::wstring& path, std::uint64_t maxBytes = kProjectFileByteLimit);

// The save dialog proposing "veltrask_phase62_project.json", or the open dialog.
FileChoice openProjectFileDialog(bool forSave);

// Writes the open project to path (through a temporary file). On success the
// path becomes the project path, the project is clean and the status line
// says so; on failure an error box, and nothing changes (a write the system
// refused adds its reason to the box and says kProjectSaveFailed). A text above
// maxBytes, or a project of more than kProjectObjectLimit objects, is
// refused: the studio never writes what it would not open. A mesh that
// would not reopen as it is (mesh_guard.h) is written as it is, named in a
// warning box, and the status line says kSavedWithMeshWarning.
bool saveProjectFile(const std::wstring& path, std::uint64_t maxBytes = kProjectFileByteLimit);

// Command 1003 (alwaysAsk false: the project path when there is one) and
// 1004 (alwaysAsk true).
void saveProjectCommand(bool alwaysAsk);

// On a dirty project, the unsaved-changes question: Keep Editing, or
// `discardLabel` to `whatDiscardDoes`. True when the project is clean or the
// user chose to discard its changes; false to keep editing.
bool mayDiscardUnsavedChanges(const std::wstring& discardLabel, const std::wstring& whatDiscardDoes);

// Command 1002: after the unsaved-changes question, the open dialog, then the
// chosen file replaces the project. A file that is not one whole project
// (cut short, a closer overwritten, text before or after it, anything not
// well-formed JSON) still gives the objects read whole, in an unsaved
// project, with a warning box saying how many and that Save would replace
// the file with them. A refused file changes nothing but the status line,
// which says kProjectOpenFailed.
void openSelectedProject();

// The import report text after an Open: the first restored imported asset's
// own report with the reload sentence, then the restored and missing counts.
std::wstring importReportAfterOpen(const Scene& scene);

}  // namespace vk
