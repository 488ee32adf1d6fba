// The seam between the window manager and an OS: a backend owns the real
// surfaces, the clock and the event source; everything else is the core's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/surface.h"
#include "platform/win_types.h"

namespace vk::platform {

class Backend {
 public:
  virtual ~Backend() = default;
  // A host top-level (the main window, or a window with nothing to host it)
  // needs an OS surface of its client size; resized, retitled and freed
  // through the calls below.
  virtual void createSurface(HWND host, int width, int height, const std::wstring& title) = 0;
  virtual void resizeSurface(HWND host, int width, int height) = 0;
  virtual void setSurfaceTitle(HWND host, const std::wstring& title) = 0;
  virtual void showSurface(HWND host, bool visible) = 0;
  virtual void destroySurface(HWND host) = 0;
  // Shows `image` (the host's composed client area); `dirty` bounds what changed.
  virtual void present(HWND host, const Surface& image, const RECT& dirty) = 0;
  // Moves OS events into the core's input queue (vk::platform::input*).
  virtual void pumpEvents() = 0;
  // Blocks until an OS event arrives or `timeoutMs` passes (-1: no limit).
  // False when nothing will ever arrive (the headless backend with no timer).
  virtual bool waitForEvents(std::int64_t timeoutMs) = 0;
  virtual std::uint64_t nowMs() = 0;
  virtual void setCursorShape(int cursorId) = 0;  // an IDC_* number, 0 = hidden
  virtual void setMouseCapture(bool captured) = 0;
  virtual bool setClipboard(const std::wstring& text) = 0;
  virtual std::wstring clipboard() = 0;
};

// Installs the backend every later window uses; resets the window manager
// (all windows, classes, queues and timers go).
void installBackend(std::unique_ptr<Backend> backend);
Backend* currentBackend();
// The size of the virtual desktop the backend offers (each at least 1).
void setScreenSize(int width, int height);

// `window` made to fit `bounds` (a display's usable area): each side at most
// as long as the bounds' side, then moved the least distance that puts it
// wholly inside. Empty bounds leave the window as it is.
RECT clampWindowToBounds(const RECT& window, const RECT& bounds);

// Input from a backend, in screen coordinates of the virtual desktop (the
// host's client origin is at its window rectangle's client offset).
enum class MouseButton : std::uint8_t { Left, Right, Middle };
void inputMouseMove(POINT screen);
void inputMouseButton(POINT screen, MouseButton button, bool down);
void inputMouseWheel(POINT screen, int delta);
// `text` is what the key typed (may be empty); vk 0 with text types text alone.
void inputKey(UINT virtualKey, bool down, const std::wstring& text);
void inputActivate(HWND hwnd);
void inputDeactivateApp();
void inputCloseRequest();
void inputHostResized(HWND host, int clientWidth, int clientHeight, int sizeType);
void inputHostExposed(HWND host);

// The current host (main) window and its client origin on the virtual screen.
HWND hostWindow();
POINT hostClientOrigin();

}  // namespace vk::platform
