#include "model/app_state.h"
#include "shell/services.h"
#include "platform/win32.h"

namespace vk {

namespace {

void writeControlText(HWND control, const std::wstring& text) {
  if (control) SetWindowTextW(control, text.c_str());
}

}  // namespace

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

}  // namespace vk
