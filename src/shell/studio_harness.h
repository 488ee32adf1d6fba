// The headless harness: start the studio exactly as its entry point does,
// without the message loop, on the headless backend, and drive it from a
// test or any other program. Input, pumping, scripted answers and reading
// pixels are the platform's test API (platform/headless.h), re-exported
// here as vk::headless.
#pragma once

#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/win32.h"

namespace vk::harness {

struct Options {
  int screenWidth = 1920;
  int screenHeight = 1080;
  // The one font every text call uses (for example DejaVu Sans), so that
  // pixels do not depend on the installed fonts; null = the system's.
  const char* fontFile = nullptr;
  // Where the workspace settings file lives; empty = beside the executable.
  std::wstring settingsPath;
  int showCommand = SW_SHOWNORMAL;
};

// Resets the application state, installs the headless backend and runs the
// start-up of the entry point, then pumps until idle. 0, or the entry
// point's exit code for a failed start-up (1).
int start(const Options& options = {});
// Pumps, then stops the backend; every window goes.
void stop();

HWND mainWindow();
// The main window's button with this id (the toolbar's copy of an id that
// the tool strip or the Left Tools box repeat).
HWND control(int id);
// A client point of a window on the virtual screen.
POINT screenPoint(HWND window, POINT client);

// Sends WM_COMMAND(id) to the main window as a menu would, then pumps.
void sendCommand(int id);
// A left click at a client point of the window, then pumps.
void clickAt(HWND window, POINT client);
// A key press with optional Ctrl and Shift held, then pumps.
void pressKey(UINT virtualKey, bool ctrl = false, bool shift = false);
// Dispatches everything that is ready; the number of messages.
int pump();

std::wstring text(HWND window);
// The window's client area as composed on screen (children included).
headless::Image pixels(HWND window);

// Repaints the main window and every child, and returns the texts drawn cut
// short, ended in "..." or clipped at a side (each once, in drawing order):
// captions wider than the controls that show them.
std::vector<std::wstring> cutCaptions();

// A close request to the main window (title-bar close), then pumps. The
// exit code when the window closed, -1 when it stayed open.
int close();

}  // namespace vk::harness
