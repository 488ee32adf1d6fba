// SDL2 backend: one SDL window per host top-level, SDL events translated
// into the window manager's input, the composed image presented through
// the window surface.
// Sections:
//   - X11 errors  a lost connection ends the process; one harmless error is ignored
//   - Video drivers  which drivers count as a display
//   - Keys and cursors
//   - The backend
//   - Starting SDL
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>
#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <string>

#include "platform/kernel.h"
#include "platform/backend.h"
#include "platform/win32.h"

struct _XDisplay;  // Xlib's Display, only passed through

namespace vk::platform {

namespace {

// ---- X11 errors -------------------------------------------------------------

void (*beforeDisplayLostExit)() = nullptr;

// Xlib's own handler calls exit(): the static destructors then ask the gone
// server to hide the window and wait for its reply forever. Nothing may touch
// SDL or X once the connection is lost, so the process ends here.
int onDisplayConnectionLost(_XDisplay*) {
  static constexpr char kMessage[] = "veltrask-studio: the display connection was lost\n";
  [[maybe_unused]] const auto written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  if (beforeDisplayLostExit) beforeDisplayLostExit();
  _exit(kDisplayLostExitStatus);
}

// The leading fields of Xlib's XErrorEvent, as its ABI lays them out.
struct XErrorReport {
  int type;
  _XDisplay* display;
  unsigned long resourceId;
  unsigned long serial;
  unsigned char errorCode;
  unsigned char requestCode;
  unsigned char minorCode;
};
using XErrorHandler = int (*)(_XDisplay*, XErrorReport*);
XErrorHandler previousErrorHandler = nullptr;

// SDL wakes its event wait by sending an event to a window over a second
// connection; when that window is destroyed meanwhile, the server answers
// BadWindow, and Xlib's own handler would end the process for it (at the
// latest when the connection closes at exit). Every other error goes on as before.
int onXError(_XDisplay* display, XErrorReport* error) {
  constexpr unsigned char kBadWindow = 3, kSendEvent = 25;
  if (error->errorCode == kBadWindow && error->requestCode == kSendEvent) return 0;
  return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// Before SDL starts: SDL keeps the error handler it finds and puts it back
// before it closes its connections, which is when a late BadWindow arrives.
// The library stays loaded, so SDL's own loading finds it with the handler.
void installXErrorHandler() {
  if (!std::getenv("DISPLAY")) return;
  void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
  if (!x11) return;
  if (void* set = dlsym(x11, "XSetErrorHandler")) {
    XErrorHandler previous = reinterpret_cast<XErrorHandler (*)(XErrorHandler)>(set)(&onXError);
    if (previous != &onXError) previousErrorHandler = previous;
  }
}

// Installed in the libX11 that SDL loaded for its connection; other video
// drivers keep their own handling.
void installDisplayLossHandler() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!x11) return;
  using IoErrorHandler = int (*)(_XDisplay*);
  if (void* set = dlsym(x11, "XSetIOErrorHandler"))
    reinterpret_cast<IoErrorHandler (*)(IoErrorHandler)>(set)(&onDisplayConnectionLost);
  dlclose(x11);
}

// ---- Video drivers ----------------------------------------------------------

// Drivers that draw only into memory: on one, the studio shows no window and
// runs until it is killed, so they are used only when asked for by name.
bool drawsNowhere(const char* driver) {
  return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0 ||
         SDL_strcasecmp(driver, "evdev") == 0;
}

// Drivers with no input at all: only a signal or a due timer can end a wait.
bool hasNoInput(const char* driver) {
  return driver && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0);
}

// The Wayland client library finds a compositor only through these; without
// them it can only complain that XDG_RUNTIME_DIR is not set.
bool waylandReachable() {
  const auto absolute = [](const char* path) { return path && path[0] == '/'; };
  return std::getenv("WAYLAND_SOCKET") || absolute(std::getenv("WAYLAND_DISPLAY")) ||
         absolute(std::getenv("XDG_RUNTIME_DIR"));
}

// Every driver of this SDL that shows windows somewhere, in SDL's own order,
// as the comma list its driver hint takes; empty when there is none.
std::string displayDrivers() {
  std::string list;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* driver = SDL_GetVideoDriver(i);
    if (!driver || drawsNowhere(driver)) continue;
    if (SDL_strcasecmp(driver, "wayland") == 0 && !waylandReachable()) continue;
    if (!list.empty()) list += ',';
    list += driver;
  }
  return list;
}

// ---- Keys and cursors -------------------------------------------------------

UINT virtualKeyFrom(const SDL_Keysym& key) {
  SDL_Keycode code = key.sym;
  SDL_Scancode scan = key.scancode;
  // Letters follow the layout; top-row digits follow the position.
  if (code >= SDLK_a && code <= SDLK_z) return static_cast<UINT>('A' + (code - SDLK_a));
  if (scan >= SDL_SCANCODE_1 && scan <= SDL_SCANCODE_9) return static_cast<UINT>('1' + (scan - SDL_SCANCODE_1));
  if (scan == SDL_SCANCODE_0) return '0';
  if (scan >= SDL_SCANCODE_KP_1 && scan <= SDL_SCANCODE_KP_9)
    return static_cast<UINT>(VK_NUMPAD1 + (scan - SDL_SCANCODE_KP_1));
  if (scan >= SDL_SCANCODE_F1 && scan <= SDL_SCANCODE_F12) return static_cast<UINT>(VK_F1 + (scan - SDL_SCANCODE_F1));
  switch (scan) {
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    default: break;
  }
  switch (code) {
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_EQUALS:
    case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

SDL_SystemCursor systemCursorFor(int id) {
  switch (id) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// ---- The backend ------------------------------------------------------------

class SdlBackend final : public Backend {
 public:
  SdlBackend() : noInput_(hasNoInput(SDL_GetCurrentVideoDriver())) {}
  ~SdlBackend() override {
    for (auto& [host, window] : windows_) SDL_DestroyWindow(window);
    for (auto& [id, cursor] : cursors_) SDL_FreeCursor(cursor);
    SDL_StopTextInput();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // The window opens centred on the first display and wholly inside its
  // usable area: a window larger than the display is made smaller, and the
  // window manager learns the size the user sees through the first pump.
  void createSurface(HWND host, int width, int height, const std::wstring& title) override {
    width = std::max(1, width);
    height = std::max(1, height);
    RECT placed{0, 0, width, height};
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    RECT bounds;
    if (usableBounds(bounds)) {
      const int left = (bounds.left + bounds.right - width) / 2, top = (bounds.top + bounds.bottom - height) / 2;
      placed = clampWindowToBounds(RECT{left, top, left + width, top + height}, bounds);
      x = placed.left;
      y = placed.top;
    }
    SDL_Window* window = SDL_CreateWindow(wideToUtf8(title).c_str(), x, y, placed.right - placed.left,
                                          placed.bottom - placed.top, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!window) return;
    windows_[host] = window;
    if (placed.right - placed.left != width || placed.bottom - placed.top != height) reportSize(window);
  }
  void resizeSurface(HWND host, int width, int height) override {
    SDL_Window* window = find(host);
    if (!window) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w != width || h != height) SDL_SetWindowSize(window, std::max(1, width), std::max(1, height));
  }
  void setSurfaceTitle(HWND host, const std::wstring& title) override {
    if (SDL_Window* window = find(host)) SDL_SetWindowTitle(window, wideToUtf8(title).c_str());
  }
  void showSurface(HWND host, bool visible) override {
    SDL_Window* window = find(host);
    if (!window) return;
    if (visible) {
      // Checked again whenever it is shown: nothing may have left it off the display.
      if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN)) fitToDisplay(window);
      SDL_ShowWindow(window);
    } else {
      SDL_HideWindow(window);
    }
  }
  void destroySurface(HWND host) override {
    if (SDL_Window* window = find(host)) SDL_DestroyWindow(window);
    windows_.erase(host);
  }
  void present(HWND host, const Surface& image, const RECT& dirty) override {
    SDL_Window* window = find(host);
    if (!window) return;
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (!target) return;
    RECT area{std::max<LONG>(0, dirty.left), std::max<LONG>(0, dirty.top),
              std::min<LONG>(dirty.right, std::min(image.width, target->w)),
              std::min<LONG>(dirty.bottom, std::min(image.height, target->h))};
    if (area.right <= area.left || area.bottom <= area.top) return;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    auto* dest = static_cast<std::uint8_t*>(target->pixels) + area.top * target->pitch +
                 area.left * target->format->BytesPerPixel;
    const std::uint32_t* source = image.pixels + static_cast<std::size_t>(area.top) * image.stride + area.left;
    SDL_ConvertPixels(area.right - area.left, area.bottom - area.top, SDL_PIXELFORMAT_RGB888, source,
                      image.stride * 4, target->format->format, dest, target->pitch);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_Rect rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
    SDL_UpdateWindowSurfaceRects(window, &rect, 1);
  }

  void pumpEvents() override {
    SDL_Event event;
    if (woken_) {
      event = *woken_;
      woken_.reset();
      translate(event);
    }
    SDL_PumpEvents();
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) translate(event);
  }
  bool waitForEvents(std::int64_t timeoutMs) override {
    timeoutMs = std::min<std::int64_t>(timeoutMs, 1 << 30);
    if (woken_) return true;
    if (noInput_) {
      sleepUntilSignalOrTimeout(timeoutMs);
      return true;
    }
    // SDL's wait is given the event it wakes for, which the next pump
    // translates first: given none, the polling wait of drivers with no wait
    // of their own leaves a hidden marker event in SDL's queue every
    // millisecond, until the queue is full and a signal's quit has no room.
    SDL_Event event;
    if ((timeoutMs < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, static_cast<int>(timeoutMs))) == 1)
      woken_ = event;
    return true;
  }
  std::uint64_t nowMs() override { return SDL_GetTicks64(); }
  void setCursorShape(int id) override {
    if (id == 0) {
      SDL_ShowCursor(SDL_DISABLE);
      return;
    }
    SDL_ShowCursor(SDL_ENABLE);
    SDL_Cursor*& cursor = cursors_[id];
    if (!cursor) cursor = SDL_CreateSystemCursor(systemCursorFor(id));
    if (cursor) SDL_SetCursor(cursor);
  }
  void setMouseCapture(bool captured) override { SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE); }
  bool setClipboard(const std::wstring& text) override { return SDL_SetClipboardText(wideToUtf8(text).c_str()) == 0; }
  std::wstring clipboard() override {
    char* text = SDL_GetClipboardText();
    std::wstring out = text && *text ? utf8ToWide(text) : std::wstring();
    SDL_free(text);
    return out;
  }

 private:
  static bool usableBounds(RECT& out) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return false;
    out = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
    return true;
  }
  // The core takes the window's new size from this event on the next pump.
  static void reportSize(SDL_Window* window) {
    SDL_Event resized{};
    resized.type = SDL_WINDOWEVENT;
    resized.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    resized.window.windowID = SDL_GetWindowID(window);
    SDL_GetWindowSize(window, &resized.window.data1, &resized.window.data2);
    SDL_PushEvent(&resized);
  }
  static void fitToDisplay(SDL_Window* window) {
    RECT bounds;
    if (!usableBounds(bounds)) return;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    const RECT placed = clampWindowToBounds(RECT{x, y, x + w, y + h}, bounds);
    if (placed.left != x || placed.top != y) SDL_SetWindowPosition(window, placed.left, placed.top);
    if (placed.right - placed.left != w || placed.bottom - placed.top != h) {
      SDL_SetWindowSize(window, placed.right - placed.left, placed.bottom - placed.top);
      reportSize(window);
    }
  }

  // SDL's own wait would poll every millisecond. SIGINT and SIGTERM are held
  // back while the queue is checked, so one sent meanwhile is delivered in
  // ppoll (to SDL's handler, which notes it for the next pump) and ends it.
  static void sleepUntilSignalOrTimeout(std::int64_t timeoutMs) {
    sigset_t quitSignals, previous;
    sigemptyset(&quitSignals);
    sigaddset(&quitSignals, SIGINT);
    sigaddset(&quitSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &quitSignals, &previous);
    SDL_PumpEvents();  // a signal already caught becomes SDL_QUIT here
    if (!SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) {
      const timespec limit{static_cast<time_t>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000000L};
      ppoll(nullptr, 0, timeoutMs < 0 ? nullptr : &limit, &previous);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  SDL_Window* find(HWND host) {
    auto it = windows_.find(host);
    return it == windows_.end() ? nullptr : it->second;
  }
  HWND hostOf(Uint32 windowId) {
    for (auto& [host, window] : windows_)
      if (SDL_GetWindowID(window) == windowId) return host;
    return nullptr;
  }
  // SDL reports positions in the window; the window is the host's client area.
  static POINT toScreen(int x, int y) {
    POINT origin = hostClientOrigin();
    return POINT{origin.x + x, origin.y + y};
  }

  void translate(const SDL_Event& event) {
    switch (event.type) {
      case SDL_MOUSEMOTION: inputMouseMove(toScreen(event.motion.x, event.motion.y)); break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        MouseButton button = event.button.button == SDL_BUTTON_RIGHT    ? MouseButton::Right
                             : event.button.button == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                                                        : MouseButton::Left;
        if (event.button.button > SDL_BUTTON_RIGHT) break;
        inputMouseButton(toScreen(event.button.x, event.button.y), button, event.type == SDL_MOUSEBUTTONDOWN);
        break;
      }
      case SDL_MOUSEWHEEL: {
        int delta = event.wheel.y * WHEEL_DELTA;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        if (delta) inputMouseWheel(toScreen(x, y), delta);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        UINT vk = virtualKeyFrom(event.key.keysym);
        if (!vk) break;
        std::wstring text;
        // The text a key types follows it as its own event; keep them together
        // so TranslateMessage can answer WM_CHAR right after WM_KEYDOWN.
        SDL_Event next;
        if (event.type == SDL_KEYDOWN && SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) > 0) {
          SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
          text = utf8ToWide(next.text.text);
        }
        inputKey(vk, event.type == SDL_KEYDOWN, text);
        break;
      }
      case SDL_TEXTINPUT:
        for (wchar_t c : utf8ToWide(event.text.text)) inputKey(0, true, std::wstring(1, c));
        break;
      case SDL_WINDOWEVENT: translateWindowEvent(event.window); break;
      case SDL_QUIT: inputCloseRequest(); break;  // SIGINT or SIGTERM
      default: break;
    }
  }

  void translateWindowEvent(const SDL_WindowEvent& e) {
    HWND host = hostOf(e.windowID);
    if (!host) return;
    SDL_Window* window = find(host);
    Uint32 flags = SDL_GetWindowFlags(window);
    int type = (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    switch (e.event) {
      case SDL_WINDOWEVENT_SIZE_CHANGED:
      case SDL_WINDOWEVENT_MAXIMIZED:
      case SDL_WINDOWEVENT_RESTORED: inputHostResized(host, w, h, type); break;
      case SDL_WINDOWEVENT_MINIMIZED: inputHostResized(host, w, h, SIZE_MINIMIZED); break;
      case SDL_WINDOWEVENT_EXPOSED: inputHostExposed(host); break;
      case SDL_WINDOWEVENT_FOCUS_GAINED: {
        // The window that was active before (a modal dialog, say) comes back.
        HWND again = IsWindow(lastActive_) ? lastActive_ : host;
        inputActivate(again);
        break;
      }
      case SDL_WINDOWEVENT_FOCUS_LOST:
        lastActive_ = GetActiveWindow();
        inputDeactivateApp();
        break;
      case SDL_WINDOWEVENT_CLOSE: inputCloseRequest(); break;
      default: break;
    }
  }

  std::map<HWND, SDL_Window*> windows_;
  std::map<int, SDL_Cursor*> cursors_;
  HWND lastActive_ = nullptr;
  const bool noInput_;
  std::optional<SDL_Event> woken_;  // taken by the last wait, not yet translated
};

}  // namespace

// ---- Starting SDL -----------------------------------------------------------

bool installSdlBackend(void (*onDisplayLost)()) {
  beforeDisplayLostExit = onDisplayLost;
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // SDL's SIGINT and SIGTERM handlers only note the signal (one inherited as
  // ignored stays ignored) and wake the event wait; the next pump turns it
  // into SDL_QUIT, which reaches the main window as a close request.
  SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "0", SDL_HINT_OVERRIDE);
  SDL_SetHint(SDL_HINT_VIDEO_HIGHDPI_DISABLED, "1");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // We compose in memory and copy whole images out: the native framebuffer
  // does that in about a millisecond, where the accelerated window surface
  // goes through a GL stack (software GL without a GPU, 15-20 ms a present)
  // and recreates the window under a new id on the first present.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Left to itself, SDL ends on its offscreen driver when no display answers.
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (!asked || !*asked) {
    const std::string drivers = displayDrivers();
    if (drivers.empty()) return false;
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, drivers.c_str(), SDL_HINT_OVERRIDE);
  }
  installXErrorHandler();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  installDisplayLossHandler();
  SDL_StartTextInput();
  installBackend(std::make_unique<SdlBackend>());
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    setScreenSize(mode.w, mode.h);
  }
  return true;
}

}  // namespace vk::platform
