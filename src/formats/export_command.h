// The frame the OBJ, glTF and GLB export commands share: scope check, save
// dialog, build, write through a temporary file, boxes and status line.
// Exports never change the project: no undo snapshot, no dirty mark.
#pragma once

#include <functional>
#include <string>

#include "model/file_choice.h"

namespace vk {

struct ExportCommand {
  std::wstring format;  // "OBJ", "glTF", "GLB": box titles and status lines
  FileDialogSpec dialog;
  // Fills the file's bytes for the chosen path, or an error for the box.
  std::function<bool(const std::wstring& path, std::string& bytes, std::wstring& error)> build;
  // After a successful write: the status line and any report.
  std::function<void(const std::string& bytes)> written;
};

// A save dialog's flags for an export file.
inline constexpr DWORD kExportDialogFlags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER;

// `scopeHasMesh` false shows the blocked box; a cancelled dialog does nothing.
void runExportCommand(bool scopeHasMesh, const ExportCommand& command);

}  // namespace vk
