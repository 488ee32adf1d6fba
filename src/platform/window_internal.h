// The window manager's internal model, shared by the window, queue, paint
// and input code and the backends (never included outside src/platform).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi_internal.h"
#include "platform/handle_table.h"
#include "platform/window.h"

namespace vk::platform {

struct WindowClass {
  std::wstring name;  // as registered
  std::wstring key;   // lowered, for case-insensitive lookup
  WNDCLASSEXW info;
  ATOM atom = 0;
};

struct SubclassEntry {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR refData = 0;
  bool removed = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::wstring text;
  UINT_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::vector<std::uint8_t> extra;
  // Relatives: children are ordered top of the z-order first.
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<Window*> children;
  // Window rectangle relative to the parent's client area (screen for
  // top-levels, before clamping into the host).
  RECT rect{};
  bool minimized = false;
  bool maximized = false;
  // Painting: a bounding update rectangle in client coordinates.
  bool needsPaint = false;
  bool needsErase = false;
  RECT update{};
  // Top-levels only: the retained backing store of the whole window.
  std::vector<std::uint32_t> store;
  int storeWidth = 0;
  int storeHeight = 0;
  bool composeDirty = false;
  // Lifetime: procedure calls in progress, destruction state.
  int callDepth = 0;
  bool destroying = false;
  bool destroySent = false;
  bool ncDestroySent = false;
  bool destroyed = false;  // handle already stale; freed when callDepth is 0
  bool created = false;    // WM_NCCREATE passed
  std::vector<std::shared_ptr<SubclassEntry>> subclasses;
  std::vector<SubclassEntry*> subclassCalls;  // entries being called, innermost last
  bool trackLeave = false;
  UINT lastTimerCount = 0;
};

// A message waiting in the queue: posted, or raw input cooked into a
// message only when it reaches the front (hit testing and capture are
// decided at retrieval time, as on the platform).
struct QueuedMessage {
  enum class Kind : std::uint8_t { Posted, MouseMove, MouseButton, Wheel, Key, Activate, Close };
  Kind kind = Kind::Posted;
  MSG msg{};
  // Raw input fields.
  POINT screen{};
  MouseButton button = MouseButton::Left;
  bool down = false;
  int delta = 0;
  UINT vk = 0;
  std::wstring text;
  HWND target = nullptr;
  // Key and button state as of this event, for GetKeyState.
  std::array<std::uint8_t, 256> keys{};
  bool hasKeys = false;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  std::uint64_t due = 0;
  TIMERPROC proc = nullptr;
};

struct IconObject {
  int resourceId = 0;
  bool cursor = false;
};

struct WindowManager {
  std::unique_ptr<Backend> backend;
  HandleTable<Window> windows{kTagWindow};
  std::vector<std::unique_ptr<Window>> graveyard;  // destroyed, still in a call
  std::vector<std::shared_ptr<WindowClass>> classes;
  // Top-levels, top of the z-order first.
  std::vector<Window*> topLevels;
  Window* host = nullptr;
  std::deque<QueuedMessage> queue;
  bool quitPending = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 0x7FFF0000;
  int retrievalDepth = 0;  // GetMessage/PeekMessage inside a window procedure
  int dispatchDepth = 0;   // window procedure calls in progress
  int modalDepth = 0;      // runModalLoop nesting
  bool dispatchNested = false;  // the message being dispatched came from a nested loop
  // Input state.
  Window* capture = nullptr;
  Window* focus = nullptr;
  Window* active = nullptr;
  Window* hover = nullptr;  // last window under the cursor
  POINT cursor{};
  HCURSOR currentCursor = nullptr;
  std::array<std::uint8_t, 256> asyncKeys{};    // 0x80 down, 0x01 toggled
  std::array<std::uint8_t, 256> messageKeys{};  // as of the last retrieved input
  std::wstring lastKeyText;                     // text of the last retrieved key message
  UINT lastKeyVk = 0;
  // Double-click synthesis: the last button press.
  HWND lastClickWindow = nullptr;
  UINT lastClickMessage = 0;
  std::uint64_t lastClickTime = 0;
  POINT lastClickPoint{};
  MSG current{};  // the message being processed (GetMessageTime/Pos)
  HandleTable<IconObject> icons{kTagIcon};
  std::vector<std::pair<int, HICON>> loadedIcons;  // (resource id | cursor flag, handle)
  std::uint64_t screenWidth = 1920;
  std::uint64_t screenHeight = 1080;
  bool workAreaSet = false;  // a test's own work area instead of the host's client area
  RECT workArea{};
  // Composition of the host's client area.
  std::vector<std::uint32_t> screen;
  int screenW = 0;
  int screenH = 0;
  RECT screenDirty{};
};

WindowManager& wm();
void resetWindowManager();

Window* windowFromHandle(HWND hwnd);  // live windows only (not yet stale)
Window* topLevelOf(Window* w);
bool isVisibleThrough(const Window* w);   // the window and all ancestors
bool isEnabledThrough(const Window* w);   // the window and all ancestors

// Non-client frame widths of a window: left, top, right, bottom.
RECT frameOf(DWORD style, DWORD exStyle);
// Client rectangle in the window's own client coordinates.
RECT clientRectOf(const Window* w);
// Screen rectangle of the window (top-levels clamped into the host) and of
// its client area.
RECT screenRectOf(const Window* w);
RECT clientScreenRectOf(const Window* w);
// Origin of the client area inside its top-level's backing store.
POINT storeOriginOf(const Window* w);

// Procedure calls with lifetime bookkeeping; a destroyed window answers 0.
LRESULT callWindow(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT sendTo(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
void releaseCall(Window* w);

// Painting helpers (window_paint.cpp).
void invalidateWindow(Window* w, const RECT* rect, bool erase, bool allChildren);
void clearPaintState(Window* w);
void resizeStore(Window* top);
void drawFrame(Window* top);
void markComposeDirty(const RECT& screenRect);
void composeAndPresent();
Window* findWindowToPaint();
void paintNow(Window* w, bool withChildren);

// Input helpers (window_input.cpp).
void releaseCaptureOf(Window* w);  // capture ends if held by w or a descendant
void forgetWindowInput(Window* w);
bool cookInput(QueuedMessage& q);  // false: the input has no target
void activateWindow(Window* w, int how);

// Queue helpers (window_queue.cpp).
void removeWindowTimers(Window* w);
std::uint64_t nowMs();

// Z-order of top-levels (window_core.cpp).
void bringToTop(Window* w);

}  // namespace vk::platform
