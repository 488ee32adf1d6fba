// Drives the studio on the headless backend: a whole program, built and run
// by ctest (harness_example), whose text the README shows as it is here.
#include <cstdio>

#include "model/app_state.h"
#include "shell/command_ids.h"
#include "shell/studio_harness.h"

int main() {
  vk::harness::Options options;
  options.fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";  // fixed text metrics
  options.settingsPath = L"/tmp/veltrask_harness_example.ini";
  if (vk::harness::start(options) != 0) return 1;  // 1 when start-up failed
  vk::headless::resizeHost(1280, 720);             // the host window's client size
  vk::harness::pump();

  // Message boxes, file dialogs and popup menus ask the responder first:
  // this one answers every box with Yes (or OK) and leaves the rest alone.
  vk::headless::setResponder([](const vk::headless::ModalRequest& request, vk::headless::ModalAnswer& answer) {
    if (request.kind != L"messagebox") return false;
    answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
    return true;
  });

  vk::harness::sendCommand(vk::kCmdRailAssets);  // any command id, as a menu sends it
  vk::harness::pressKey(VK_F6);                  // keys, optionally with Ctrl / Shift
  vk::harness::clickAt(vk::harness::mainWindow(), POINT{150, 648});
  const vk::headless::Image frame = vk::harness::pixels(vk::harness::mainWindow());  // composed pixels
  const vk::AppState& app = vk::appState();  // the program's whole state
  std::printf("%d x %d pixels, %zu objects, rail panel %d\n", frame.width, frame.height,
              app.project.scene.objects.size(), app.activeRailPanel);

  const int exitCode = vk::harness::close();  // 0 after a clean close, -1 while it stays open
  vk::harness::stop();
  return exitCode == 0 && frame.width == 1280 ? 0 : 1;
}
