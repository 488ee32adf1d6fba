#include "persistence/workspace_settings.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "model/app_state.h"
#include "platform/win32.h"

namespace vk {

namespace {

constexpr wchar_t kIniFileName[] = L"veltrask_workspace_phase64_10_5.ini";
constexpr std::uint64_t kWorkspaceIniByteLimit = 1u << 20;

// Exact words only: " 1" or "Yes" leave the flag as it was.
void applyTruthy(std::string_view value, bool& flag) {
  if (value == "1" || value == "true" || value == "TRUE" || value == "yes") flag = true;
  else if (value == "0" || value == "false" || value == "FALSE" || value == "no") flag = false;
}

// Leading white space and a sign accepted, trailing characters ignored, as
// the standard string-to-int conversion does; nothing when there is no number.
bool parseLeadingInt(std::string_view value, int& out) {
  std::size_t i = 0;
  while (i < value.size() && isAsciiSpace(static_cast<unsigned char>(value[i]))) ++i;
  if (i < value.size() && value[i] == '+') {
    ++i;
    if (i >= value.size() || !isAsciiDigit(static_cast<unsigned char>(value[i]))) return false;
  }
  const char* first = value.data() + i;
  const char* last = value.data() + value.size();
  auto [end, error] = std::from_chars(first, last, out);
  return error == std::errc{} && end != first;
}

}  // namespace

std::wstring appWorkspaceIniPath() {
  const AppState& app = appState();
  if (!app.workspaceIniPath.empty()) return app.workspaceIniPath;
  wchar_t buffer[260] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, 260);
  std::filesystem::path folder;
  if (length == 0 || length >= 260) {
    std::error_code error;
    folder = std::filesystem::current_path(error);
  } else {
    folder = pathFromWide(std::wstring(buffer, length)).parent_path();
  }
  return wideFromPath(folder / pathFromWide(kIniFileName));
}

void applyWorkspaceIniText(std::string_view text) {
  AppState& app = appState();
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (line.empty() || equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "activeRailPanel") {
      int panel = 0;
      if (parseLeadingInt(value, panel) && panel >= 0 && panel <= 4) app.activeRailPanel = panel;
    } else if (key == "leftToolsOpen") {
      applyTruthy(value, app.leftToolsOpen);
    } else if (key == "timelineVisible") {
      applyTruthy(value, app.project.scene.timelineSettings.showTimelinePanel);
    } else if (key == "inspectorTransformOpen") {
      applyTruthy(value, app.inspectorTransformOpen);
    } else if (key == "inspectorDisplayOpen") {
      applyTruthy(value, app.inspectorDisplayOpen);
    } else if (key == "inspectorCameraOpen") {
      applyTruthy(value, app.inspectorCameraOpen);
    } else if (key == "inspectorKeyframesOpen") {
      applyTruthy(value, app.inspectorKeyframesOpen);
    } else if (key == "inspectorNotesOpen") {
      applyTruthy(value, app.inspectorNotesOpen);
    }
  }
}

std::string workspaceIniText() {
  const AppState& app = appState();
  const int panel = app.activeRailPanel >= 0 && app.activeRailPanel <= 4 ? app.activeRailPanel : 0;
  auto flag = [](bool value) { return value ? "1" : "0"; };
  std::string text;
  text += "activeRailPanel=" + std::to_string(panel) + "\r\n";
  text += std::string("leftToolsOpen=") + flag(app.leftToolsOpen) + "\r\n";
  text += std::string("timelineVisible=") + flag(app.project.scene.timelineSettings.showTimelinePanel) + "\r\n";
  text += std::string("inspectorTransformOpen=") + flag(app.inspectorTransformOpen) + "\r\n";
  text += std::string("inspectorDisplayOpen=") + flag(app.inspectorDisplayOpen) + "\r\n";
  text += std::string("inspectorCameraOpen=") + flag(app.inspectorCameraOpen) + "\r\n";
  text += std::string("inspectorKeyframesOpen=") + flag(app.inspectorKeyframesOpen) + "\r\n";
  text += std::string("inspectorNotesOpen=") + flag(app.inspectorNotesOpen) + "\r\n";
  return text;
}

void loadWorkspaceIni() {
  std::string bytes;
  if (!readFileBytes(appWorkspaceIniPath(), bytes, kWorkspaceIniByteLimit)) return;
  applyWorkspaceIniText(bytes);
}

// A place that cannot take the file, or an entry there that is no regular
// file (a FIFO, a device), is skipped in silence.
void saveWorkspaceIni() {
  writeFileAtomically(appWorkspaceIniPath(), workspaceIniText());
}

}  // namespace vk
