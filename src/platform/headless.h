// The headless backend's test API: windows in memory on a virtual screen
// with a virtual clock. Used by every test and by external test programs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vk::headless {

// Installs the headless backend with a virtual screen of the given size;
// every window, class, queued message and timer of an earlier run goes.
// `fontFile` (when given) is the one font every text call uses, so text
// metrics do not depend on the fonts installed.
void start(int screenWidth = 1920, int screenHeight = 1080, const char* fontFile = nullptr);
void stop();
// The monitor work area reported to the program; by default (and after
// clearWorkArea) the main window's client area on the screen.
void setWorkArea(RECT area);
void clearWorkArea();

// ---- Input (queued; delivered when messages are pumped) ----
enum class Button { Left, Right, Middle };
void mouseMove(POINT screen);
void mouseDown(POINT screen, Button button = Button::Left);
void mouseUp(POINT screen, Button button = Button::Left);
void click(POINT screen, Button button = Button::Left);  // move, down, up
void wheel(POINT screen, int delta);                      // +120 per notch away from the user
// A key with the text it types (empty for keys that type nothing).
void keyDown(UINT virtualKey, const std::wstring& text = L"");
void keyUp(UINT virtualKey);
void pressKey(UINT virtualKey, const std::wstring& text = L"");
void typeText(const std::wstring& text);  // characters alone (an input method)
void activate(HWND topLevel);             // the OS activates a window
void deactivateApp();                     // another program takes the focus
void requestClose();                      // title-bar close / the OS quitting
void resizeHost(int clientWidth, int clientHeight, int sizeType = SIZE_RESTORED);

// ---- Loop and clock ----
// Dispatches every message that is ready (translating keys) and returns
// how many; stops at WM_QUIT, which quitCode() then reports.
int pumpUntilIdle(int maxMessages = 1000000);
// Advances the clock by `ms`, stopping at each timer due on the way to pump.
void pumpFor(std::uint64_t ms);
void advanceClock(std::uint64_t ms);  // without pumping
bool quitReceived();
int quitCode();
// Called when a message loop would wait for input (for example inside a
// modal loop): inject input or end the loop there and return true. With no
// handler, or when it returns false, the clock jumps to the next timer; with
// no timer either, the loops end with WM_QUIT instead of hanging.
void setIdleHandler(std::function<bool()> handler);

// ---- Reading back ----
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
  COLORREF at(int x, int y) const;    // RGB(); 0 outside
  bool uniform() const;
};
Image windowPixels(HWND hwnd);  // the client area in its top-level's backing store
Image screenPixels();           // the host's client area as last presented
// PNG files of the above, for looking at a failing test (replaced atomically).
bool dumpWindowPng(HWND hwnd, const std::wstring& path);
bool dumpScreenPng(const std::wstring& path);
int presentCount();
int cursorShape();              // IDC_* number of the cursor shown, 0 = none
bool mouseCaptured();           // the OS mouse capture
std::wstring clipboard();

struct WindowInfo {
  bool exists = false;
  RECT windowRect{};  // screen
  RECT clientRect{};  // screen
  bool visible = false;
  bool enabled = false;
  int zIndex = -1;  // among its siblings (or the top-levels), 0 = top
  std::wstring text;
  std::wstring className;
  int id = 0;
  HWND parent = nullptr;
  HWND owner = nullptr;
};
WindowInfo describe(HWND hwnd);
std::vector<HWND> topLevelWindows();      // top of the z-order first
std::vector<HWND> childWindows(HWND parent);  // top of the z-order first
// Every window (top-levels and descendants, depth first) matching all the
// given criteria; an empty class or text and id -1 match anything.
std::vector<HWND> findWindows(const std::wstring& className, int id = -1, const std::wstring& text = L"");
HWND findWindow(const std::wstring& className, int id = -1, const std::wstring& text = L"");

// ---- Scripted responders ----
// Message boxes, file dialogs and popup menus ask here before showing
// themselves; a responder that answers true supplies the result instead.
struct ModalRequest {
  std::wstring kind;  // "messagebox", "openfile", "savefile", "menu", ...
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;
  std::vector<std::wstring> items;  // menu item texts, file filters
  UINT flags = 0;
};
struct ModalAnswer {
  INT_PTR result = 0;  // button id, menu command, TRUE/FALSE
  std::wstring text;   // chosen path
};
using Responder = std::function<bool(const ModalRequest&, ModalAnswer&)>;
void setResponder(Responder responder);
// For the platform's modal code: false when no responder answered.
bool respond(const ModalRequest& request, ModalAnswer& answer);

}  // namespace vk::headless
