// The workspace settings file: the left rail panel, the Left Tools flag, the
// timeline panel flag and the five inspector section flags, kept between runs
// in "veltrask_workspace_phase64_10_5.ini". Nothing here ever reports a
// failure: a missing, unreadable or unwritable file is silently tolerated.
#pragma once

#include <string>
#include <string_view>

namespace vk {

// AppState.workspaceIniPath when set, else the file beside the executable
// (the working folder when the executable's path can't be had).
std::wstring appWorkspaceIniPath();
// Reads the file into the application state and the open project's timeline.
void loadWorkspaceIni();
// Rewrites the file from the application state (CR LF line ends).
void saveWorkspaceIni();

// The two halves without the file: apply a file's text, and the text a save
// writes.
void applyWorkspaceIniText(std::string_view text);
std::string workspaceIniText();

}  // namespace vk
