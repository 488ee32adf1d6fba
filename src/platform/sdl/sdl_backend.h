// The SDL2 backend: the main top-level's client area is a real window.
// Only the studio executable (and the smoke test) link it.
#pragma once

namespace vk::platform {

// The status the process ends with when its display connection is lost.
inline constexpr int kDisplayLostExitStatus = 3;

// Starts SDL video and installs the backend; call before creating windows.
// False when SDL cannot open a display; unless SDL_VIDEODRIVER names a
// driver, the ones that draw only into memory (offscreen, dummy) are not
// tried, so no display means false at once. SIGINT and SIGTERM then reach the
// main window as a close request. A lost display connection ends the process
// at once with kDisplayLostExitStatus, after `beforeDisplayLostExit` (when
// given), which must not touch windows.
bool installSdlBackend(void (*beforeDisplayLostExit)() = nullptr);

}  // namespace vk::platform
