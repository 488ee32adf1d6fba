// The SDL2 backend: the main top-level's client area is a real window.
// Only the studio executable (and the smoke test) link it.
#pragma once

namespace vk::platform {

// Starts SDL video and installs the backend; call before creating windows.
// False when SDL cannot open a display.
bool installSdlBackend();

}  // namespace vk::platform
