// The studio executable: the SDL backend gives the main window a real
// window on the desktop; everything else is the shell's entry point.
#include <cstdio>

#include "persistence/workspace_settings.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/win32.h"
#include "shell/shell.h"

int main() {
  // A lost display still keeps the workspace layout.
  if (!vk::platform::installSdlBackend(&vk::saveWorkspaceIni)) {
    std::fputs(
        "veltrask-studio: no display found: start it in a desktop session, set DISPLAY or WAYLAND_DISPLAY "
        "to a running display server, or run it under xvfb-run\n",
        stderr);
    return 1;
  }
  return vk::wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
}
