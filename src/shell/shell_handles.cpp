#include "shell/shell_handles.h"

#include <memory>

#include "model/app_state.h"

namespace vk {

ShellHandles& shellHandles() {
  AppState& app = appState();
  if (!app.shellHandles) app.shellHandles = std::make_shared<ShellHandles>();
  return *app.shellHandles;
}

}  // namespace vk
