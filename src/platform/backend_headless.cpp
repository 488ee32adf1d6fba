// The headless backend: no OS window, a virtual screen and clock, and the
// test API of headless.h.
#include <algorithm>
#include <cstring>

#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "platform/window_internal.h"

namespace vk::headless {

namespace {

using vk::platform::Window;
using vk::platform::wm;

class HeadlessBackend final : public vk::platform::Backend {
 public:
  std::uint64_t clock = 100000;
  std::function<bool()> idleHandler;
  Image screen;
  int presents = 0;
  int cursor = 0;
  bool captured = false;
  std::wstring clipboardText;

  void createSurface(HWND, int width, int height, const std::wstring&) override { resize(width, height); }
  void resizeSurface(HWND, int width, int height) override { resize(width, height); }
  void setSurfaceTitle(HWND, const std::wstring&) override {}
  void showSurface(HWND, bool) override {}
  void destroySurface(HWND) override { screen = Image{}; }
  void present(HWND, const vk::platform::Surface& image, const RECT& dirty) override {
    if (image.width != screen.width || image.height != screen.height) resize(image.width, image.height);
    for (int y = dirty.top; y < dirty.bottom; ++y)
      std::memcpy(&screen.pixels[static_cast<std::size_t>(y) * screen.width + dirty.left],
                  image.pixels + static_cast<std::size_t>(y) * image.stride + dirty.left,
                  sizeof(std::uint32_t) * (dirty.right - dirty.left));
    ++presents;
  }
  void pumpEvents() override {}
  bool waitForEvents(std::int64_t timeoutMs) override {
    if (idleHandler && idleHandler()) return true;
    if (timeoutMs < 0) return false;
    clock += static_cast<std::uint64_t>(timeoutMs);
    return true;
  }
  std::uint64_t nowMs() override { return clock; }
  void setCursorShape(int id) override { cursor = id; }
  void setMouseCapture(bool on) override { captured = on; }
  bool setClipboard(const std::wstring& text) override {
    clipboardText = text;
    return true;
  }
  std::wstring clipboard() override { return clipboardText; }

 private:
  void resize(int width, int height) {
    screen.width = std::max(0, width);
    screen.height = std::max(0, height);
    screen.pixels.assign(static_cast<std::size_t>(screen.width) * screen.height, 0);
  }
};

HeadlessBackend* backend() { return dynamic_cast<HeadlessBackend*>(vk::platform::currentBackend()); }

Responder& responder() {
  static Responder r;
  return r;
}

struct QuitState {
  bool received = false;
  int code = 0;
};
bool& fontOverridden() {
  static bool overridden = false;
  return overridden;
}

QuitState& quitState() {
  static QuitState q;
  return q;
}

vk::platform::MouseButton toButton(Button b) {
  switch (b) {
    case Button::Left: return vk::platform::MouseButton::Left;
    case Button::Right: return vk::platform::MouseButton::Right;
    default: return vk::platform::MouseButton::Middle;
  }
}

void collect(Window* w, std::vector<Window*>& out) {
  out.push_back(w);
  for (Window* c : w->children) collect(c, out);
}

}  // namespace

void start(int screenWidth, int screenHeight, const char* fontFile) {
  vk::platform::installBackend(std::make_unique<HeadlessBackend>());
  if (fontFile) vkSetFontOverride(fontFile);
  fontOverridden() = fontFile != nullptr;
  vk::platform::setScreenSize(screenWidth, screenHeight);
  quitState() = QuitState{};
  responder() = nullptr;
  resetResponders(true);
}

void stop() {
  vk::platform::installBackend(nullptr);
  if (fontOverridden()) vkSetFontOverride(nullptr);
  fontOverridden() = false;
  responder() = nullptr;
  resetResponders(false);
}

void setWorkArea(RECT area) {
  wm().workArea = area;
  wm().workAreaSet = true;
}

void clearWorkArea() { wm().workAreaSet = false; }

void mouseMove(POINT screen) { vk::platform::inputMouseMove(screen); }
void mouseDown(POINT screen, Button button) { vk::platform::inputMouseButton(screen, toButton(button), true); }
void mouseUp(POINT screen, Button button) { vk::platform::inputMouseButton(screen, toButton(button), false); }
void click(POINT screen, Button button) {
  mouseMove(screen);
  mouseDown(screen, button);
  mouseUp(screen, button);
}
void wheel(POINT screen, int delta) { vk::platform::inputMouseWheel(screen, delta); }
void keyDown(UINT virtualKey, const std::wstring& text) { vk::platform::inputKey(virtualKey, true, text); }
void keyUp(UINT virtualKey) { vk::platform::inputKey(virtualKey, false, L""); }
void pressKey(UINT virtualKey, const std::wstring& text) {
  keyDown(virtualKey, text);
  keyUp(virtualKey);
}
void typeText(const std::wstring& text) {
  for (wchar_t c : text) vk::platform::inputKey(0, true, std::wstring(1, c));
}
void activate(HWND topLevel) { vk::platform::inputActivate(topLevel); }
void deactivateApp() { vk::platform::inputDeactivateApp(); }
void requestClose() { vk::platform::inputCloseRequest(); }
void resizeHost(int clientWidth, int clientHeight, int sizeType) {
  vk::platform::inputHostResized(vk::platform::hostWindow(), clientWidth, clientHeight, sizeType);
}

int pumpUntilIdle(int maxMessages) {
  int count = 0;
  MSG msg;
  while (count < maxMessages && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitState() = QuitState{true, static_cast<int>(msg.wParam)};
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++count;
  }
  return count;
}

void pumpFor(std::uint64_t ms) {
  HeadlessBackend* b = backend();
  if (!b) return;
  std::uint64_t end = b->clock + ms;
  pumpUntilIdle();
  while (b->clock < end) {
    std::uint64_t next = end;
    for (const auto& t : wm().timers) next = std::min(next, std::max(t.due, b->clock + 1));
    b->clock = next;
    pumpUntilIdle();
  }
}

void advanceClock(std::uint64_t ms) {
  if (HeadlessBackend* b = backend()) b->clock += ms;
}

bool quitReceived() { return quitState().received; }
int quitCode() { return quitState().code; }

void setIdleHandler(std::function<bool()> handler) {
  if (HeadlessBackend* b = backend()) b->idleHandler = std::move(handler);
}

COLORREF Image::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return vk::platform::colorrefFromPixel(pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF);
}

bool Image::uniform() const {
  if (pixels.empty()) return true;
  std::uint32_t first = pixels[0] & 0xFFFFFF;
  return std::all_of(pixels.begin(), pixels.end(), [first](std::uint32_t p) { return (p & 0xFFFFFF) == first; });
}

Image windowPixels(HWND hwnd) {
  Image image;
  Window* w = vk::platform::windowFromHandle(hwnd);
  if (!w) return image;
  Window* top = vk::platform::topLevelOf(w);
  POINT o = vk::platform::storeOriginOf(w);
  RECT c = vk::platform::clientRectOf(w);
  image.width = c.right;
  image.height = c.bottom;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      int sx = o.x + x, sy = o.y + y;
      if (sx >= 0 && sy >= 0 && sx < top->storeWidth && sy < top->storeHeight)
        image.pixels[static_cast<std::size_t>(y) * image.width + x] =
            top->store[static_cast<std::size_t>(sy) * top->storeWidth + sx];
    }
  return image;
}

Image screenPixels() {
  vk::platform::composeAndPresent();
  HeadlessBackend* b = backend();
  return b ? b->screen : Image{};
}

namespace {
bool dumpPng(const Image& image, const std::wstring& path) {
  if (image.pixels.empty()) return false;
  return vk::encodePngFile(path, image.pixels.data(), image.width, image.height, image.width);
}
}  // namespace

bool dumpWindowPng(HWND hwnd, const std::wstring& path) { return dumpPng(windowPixels(hwnd), path); }
bool dumpScreenPng(const std::wstring& path) { return dumpPng(screenPixels(), path); }

int presentCount() {
  HeadlessBackend* b = backend();
  return b ? b->presents : 0;
}

int cursorShape() {
  HeadlessBackend* b = backend();
  return b ? b->cursor : 0;
}

bool mouseCaptured() {
  HeadlessBackend* b = backend();
  return b && b->captured;
}

std::wstring clipboard() {
  HeadlessBackend* b = backend();
  return b ? b->clipboardText : std::wstring();
}

WindowInfo describe(HWND hwnd) {
  WindowInfo info;
  Window* w = vk::platform::windowFromHandle(hwnd);
  if (!w) return info;
  info.exists = true;
  info.windowRect = vk::platform::screenRectOf(w);
  info.clientRect = vk::platform::clientScreenRectOf(w);
  info.visible = vk::platform::isVisibleThrough(w);
  info.enabled = !(w->style & WS_DISABLED);
  const auto& siblings = w->parent ? w->parent->children : wm().topLevels;
  info.zIndex = static_cast<int>(std::find(siblings.begin(), siblings.end(), w) - siblings.begin());
  info.text = w->text;
  info.className = w->cls->name;
  info.id = static_cast<int>(w->id);
  info.parent = w->parent ? w->parent->handle : nullptr;
  info.owner = w->owner ? w->owner->handle : nullptr;
  return info;
}

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> out;
  for (Window* t : wm().topLevels) out.push_back(t->handle);
  return out;
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> out;
  if (Window* p = vk::platform::windowFromHandle(parent))
    for (Window* c : p->children) out.push_back(c->handle);
  return out;
}

std::vector<HWND> findWindows(const std::wstring& className, int id, const std::wstring& text) {
  std::vector<Window*> all;
  for (Window* t : wm().topLevels) collect(t, all);
  std::vector<HWND> out;
  for (Window* w : all) {
    if (w->destroyed) continue;
    if (!className.empty() && !vk::equalsIgnoreAsciiCase(className, w->cls->name)) continue;
    if (id != -1 && static_cast<int>(w->id) != id) continue;
    if (!text.empty() && w->text != text) continue;
    out.push_back(w->handle);
  }
  return out;
}

HWND findWindow(const std::wstring& className, int id, const std::wstring& text) {
  auto all = findWindows(className, id, text);
  return all.empty() ? nullptr : all.front();
}

void setResponder(Responder r) { responder() = std::move(r); }

bool respond(const ModalRequest& request, ModalAnswer& answer) {
  return responder() && responder()(request, answer);
}

}  // namespace vk::headless
