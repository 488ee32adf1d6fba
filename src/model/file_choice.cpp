#include "model/file_choice.h"

#include <algorithm>
#include <vector>

#include "model/app_state.h"

namespace vk {

namespace {

constexpr std::size_t kPathBufferSize = 32768;

}  // namespace

FileChoice askForFile(const FileDialogSpec& spec) {
  std::vector<wchar_t> buffer(kPathBufferSize, L'\0');
  const std::size_t proposed = std::min(spec.proposedName.size(), kPathBufferSize - 1);
  std::copy_n(spec.proposedName.data(), proposed, buffer.data());
  const std::wstring filters(spec.filters);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = appState().ui.mainWindow;
  ofn.lpstrFilter = filters.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(kPathBufferSize);
  ofn.lpstrDefExt = spec.defaultExtension;
  ofn.Flags = spec.flags;
  const BOOL ok = spec.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return {};
  // The buffer's last element stays NUL, so the text always ends inside it.
  buffer.back() = L'\0';
  return FileChoice{std::wstring(buffer.data()), true};
}

}  // namespace vk
