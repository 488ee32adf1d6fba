#include "formats/export_command.h"

#include "model/app_state.h"
#include "model/services.h"
#include "platform/file_io.h"
#include "platform/win32.h"

namespace vk {

namespace {

void failBox(const std::wstring& text, const std::wstring& title, const std::wstring& status) {
  MessageBoxW(appState().ui.mainWindow, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
  setStatusText(L"●  " + status);
}

}  // namespace

void runExportCommand(bool scopeHasMesh, const ExportCommand& command) {
  const std::wstring& format = command.format;
  if (!scopeHasMesh) {
    const std::wstring text =
        format + L" export needs a selected mesh/text object or at least one visible mesh in the scene.";
    MessageBoxW(appState().ui.mainWindow, text.c_str(), (format + L" Export Blocked").c_str(),
                MB_OK | MB_ICONWARNING);
    setStatusText(L"●  " + format + L" export blocked: no valid mesh objects");
    return;
  }
  const FileChoice choice = askForFile(command.dialog);
  if (!choice.chosen) return;
  std::string bytes;
  std::wstring error;
  if (!command.build(choice.path, bytes, error)) {
    if (error.empty()) error = format + L" export failed before writing.";
    failBox(error, format + L" Export Failed", error);
    return;
  }
  std::wstring reason;
  if (!writeFileAtomically(choice.path, bytes, &reason)) {
    // The system's reason goes in the box, where it has room.
    failBox(textWithReason(L"Could not write the selected " + format + L" file.", reason), format + L" Export Failed",
            format + L" export failed: could not write file");
    return;
  }
  command.written(bytes);
}

}  // namespace vk
