// The document services: state first, then whatever window work the shell
// installed. Status line and badge are plain window texts, so they are
// written here directly.
#include "model/services.h"

#include <string_view>
#include <utility>

#include "model/app_state.h"
#include "model/mesh_guard.h"
#include "platform/win32.h"

namespace vk {

namespace {

ServiceHooks& hooks() {
  static ServiceHooks installed;
  return installed;
}

void writeControlText(HWND control, const std::wstring& text) {
  if (control) SetWindowTextW(control, text.c_str());
}

void invalidate(HWND window) {
  if (window) InvalidateRect(window, nullptr, FALSE);
}

void run(void (*hook)()) {
  if (hook) hook();
}

}  // namespace

void installServiceHooks(const ServiceHooks& installed) { hooks() = installed; }
const ServiceHooks& installedServiceHooks() { return hooks(); }

void setDirty(bool dirty) {
  AppState& app = appState();
  app.dirty = dirty;
  ++app.documentRevision;
  app.statusText = dirty ? L"●  Unsaved changes" : L"●  Ready";
  app.dirtyBadgeText = dirty ? L"Unsaved" : L"Saved";
  writeControlText(app.ui.statusLine, app.statusText);
  writeControlText(app.ui.dirtyBadge, app.dirtyBadgeText);
}

void setStatusText(const std::wstring& text) {
  AppState& app = appState();
  app.statusText = text;
  writeControlText(app.ui.statusLine, text);
}

void queueStatusNotice(const std::wstring& text) { appState().queuedStatusNotice = text; }

bool statusTextIsRefusal(std::wstring_view text) {
  // Our own refusals open with "Refused"; the drag and key texts keep their older wording.
  static constexpr std::wstring_view kMarks[] = {L"\u25CF  Refused",      kDragHeldAtCoordinateLimit,
                                                 L"key drag blocked",     L"key already exists",
                                                 L"keyframe limit reached", L"Keys stay within frames"};
  for (std::wstring_view mark : kMarks)
    if (text.find(mark) != std::wstring_view::npos) return true;
  return false;
}

void showQueuedStatusNotice() {
  AppState& app = appState();
  if (app.queuedStatusNotice.empty()) return;
  std::wstring notice = std::exchange(app.queuedStatusNotice, std::wstring());
  // Whatever else the paint's steps changed, the user first needs to know why one was refused.
  if (!statusTextIsRefusal(app.statusText)) setStatusText(notice);
}

std::wstring textWithReason(const std::wstring& text, const std::wstring& reason) {
  return reason.empty() ? text : text + L"\n\n" + reason;
}

void refreshOutliner() { run(hooks().refreshOutliner); }
void refreshInspector() { run(hooks().refreshInspector); }
void refreshStatusBar() { run(hooks().refreshStatusBar); }
void refreshToolbarLabels() { run(hooks().refreshToolbarLabels); }
void invalidateChromeControls() { run(hooks().invalidateChromeControls); }
void relayoutMainWindow() { run(hooks().relayoutMainWindow); }

void refreshAll() {
  refreshOutliner();
  refreshInspector();
  refreshStatusBar();
  const UiHandles& ui = appState().ui;
  invalidate(ui.viewport);
  invalidate(ui.mainWindow);
}

void refreshPanels() {
  refreshInspector();
  refreshStatusBar();
  const UiHandles& ui = appState().ui;
  invalidate(ui.outlinerList);
  invalidate(ui.viewport);
}

void refreshViewport() {
  refreshStatusBar();
  invalidate(appState().ui.viewport);
}

int showTextDialog(const std::wstring& title, const std::wstring& message, const std::wstring& label1,
                   const std::wstring& label2, bool accent) {
  if (!hooks().showTextDialog) return kTextDialogSecondButton;
  return hooks().showTextDialog(title, message, label1, label2, accent);
}

bool pendingMessagePumpActive() { return appState().pendingPumpDepth > 0; }

void processPendingMessages(const std::wstring& text) {
  setStatusText(text);
  if (!hooks().pumpPendingMessages) return;
  ++appState().pendingPumpDepth;
  hooks().pumpPendingMessages();
  --appState().pendingPumpDepth;
}

}  // namespace vk
