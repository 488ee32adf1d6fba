// The common open and save dialogs as every file command of the studio shows
// them: owned by the main window, with a 32768-character path buffer.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace vk {

struct FileChoice {
  std::wstring path;
  bool chosen = false;
};

struct FileDialogSpec {
  bool save = false;
  // (label, patterns) pairs, each NUL-terminated, the list ending in a
  // second NUL (the platform's filter format).
  std::wstring_view filters;
  std::wstring_view proposedName;      // "" for an empty name field
  const wchar_t* defaultExtension = nullptr;  // null: none
  DWORD flags = 0;
};

// The chosen path up to its first NUL, or chosen false when the dialog was
// cancelled or failed. Shows no message either way.
FileChoice askForFile(const FileDialogSpec& spec);

}  // namespace vk
