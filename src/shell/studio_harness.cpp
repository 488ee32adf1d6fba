#include "shell/studio_harness.h"

#include <algorithm>

#include "model/app_state.h"
#include "shell/shell.h"

namespace vk::harness {

int start(const Options& options) {
  appState() = AppState{};
  appState().workspaceIniPath = options.settingsPath;
  headless::start(options.screenWidth, options.screenHeight, options.fontFile);
  const int failed = startStudio(GetModuleHandleW(nullptr), options.showCommand);
  headless::pumpUntilIdle();
  return failed;
}

void stop() {
  headless::pumpUntilIdle();
  headless::stop();
  appState() = AppState{};
}

HWND mainWindow() { return appState().ui.mainWindow; }

HWND control(int id) { return mainButton(id); }

POINT screenPoint(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

void sendCommand(int id) {
  if (HWND main = mainWindow()) SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  pump();
}

void clickAt(HWND window, POINT client) {
  headless::click(screenPoint(window, client));
  pump();
}

void pressKey(UINT virtualKey, bool ctrl, bool shift) {
  // The platform derives the generic Ctrl and Shift states from the left
  // and right keys, so the left ones are the keys pressed.
  if (ctrl) headless::keyDown(VK_LCONTROL);
  if (shift) headless::keyDown(VK_LSHIFT);
  headless::pressKey(virtualKey);
  if (shift) headless::keyUp(VK_LSHIFT);
  if (ctrl) headless::keyUp(VK_LCONTROL);
  pump();
}

int pump() { return headless::pumpUntilIdle(); }

std::wstring text(HWND window) {
  if (!window) return {};
  const int length = GetWindowTextLengthW(window);
  std::wstring result(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int read = GetWindowTextW(window, result.data(), static_cast<int>(result.size()));
  result.resize(static_cast<std::size_t>(std::max(read, 0)));
  return result;
}

headless::Image pixels(HWND window) { return headless::windowPixels(window); }

std::vector<std::wstring> cutCaptions() {
  std::vector<std::wstring> drawn;
  vkSetCutTextLog(&drawn);
  RedrawWindow(mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  vkSetCutTextLog(nullptr);
  std::vector<std::wstring> unique;
  for (std::wstring& text : drawn) {
    if (std::find(unique.begin(), unique.end(), text) == unique.end()) unique.push_back(std::move(text));
  }
  return unique;
}

int close() {
  headless::requestClose();
  pump();
  if (IsWindow(mainWindow())) return -1;
  return headless::quitReceived() ? headless::quitCode() : -1;
}

}  // namespace vk::harness
