// The document services every command calls, from any layer: the dirty flag
// and status line, the panel refreshes, the main window's layout, the modal
// text dialog, the progress pump and the viewport's timeline keys. Without
// windows they only update the application state; the shell plugs its window
// work in at start-up (installServiceHooks), so no lower library needs a
// symbol of the shell.
#pragma once

#include <string>
#include <string_view>

namespace vk {

// Sets the dirty flag and writes "●  Unsaved changes" / "●  Ready" on the
// status line and "Unsaved" / "Saved" on the badge.
void setDirty(bool dirty);
// Writes the status line; nothing else.
void setStatusText(const std::wstring& text);
// Keeps `text` for the status line until showQueuedStatusNotice: a notice
// that a command's refresh raises then follows the command's own message.
void queueStatusNotice(const std::wstring& text);
// Writes the queued notice, if any, and forgets it; a notice never replaces
// a refusal or a stopped drag, which it drops instead. The viewport calls it
// after each paint, which comes after whatever command asked for it.
void showQueuedStatusNotice();
// True for a status line that says why a step was refused or stopped: one
// opening "●  Refused", a drag held at the coordinate limit, a key refusal.
bool statusTextIsRefusal(std::wstring_view text);
// A failure box's text: `text`, then the system's `reason` as a second
// paragraph when there is one.
std::wstring textWithReason(const std::wstring& text, const std::wstring& reason);

// Outliner, inspector and status bar rebuilt; viewport and main window repainted.
void refreshAll();
// Inspector and status bar rebuilt; outliner list and viewport repainted.
void refreshPanels();
// Status bar rebuilt; viewport repainted.
void refreshViewport();
// Captions of the view buttons from the view state, then their repaint.
void refreshToolbarLabels();
// Repaints (with erase) the toolbar buttons whose look follows the state.
void invalidateChromeControls();

// The panel builders (outliner list, inspector, status bar labels).
void refreshOutliner();
void refreshInspector();
void refreshStatusBar();

// Lays the main window out again; nothing without one.
void relayoutMainWindow();
// The modal two-button text dialog; returns the id of the button pressed
// (kTextDialogFirstButton or kTextDialogSecondButton). Without a shell the
// answer is the second button, as for a dialog that could not be created.
inline constexpr int kTextDialogFirstButton = 7101;
inline constexpr int kTextDialogSecondButton = 7102;
int showTextDialog(const std::wstring& title, const std::wstring& message, const std::wstring& label1,
                   const std::wstring& label2, bool accent);
// Writes `text` on the status line and lets the shell dispatch a few waiting
// messages (long imports call it between steps).
void processPendingMessages(const std::wstring& text);
// True while processPendingMessages dispatches.
bool pendingMessagePumpActive();

// The window work behind the services. A null entry does nothing.
struct ServiceHooks {
  void (*refreshOutliner)() = nullptr;
  void (*refreshInspector)() = nullptr;
  void (*refreshStatusBar)() = nullptr;
  void (*refreshToolbarLabels)() = nullptr;
  void (*invalidateChromeControls)() = nullptr;
  void (*relayoutMainWindow)() = nullptr;
  int (*showTextDialog)(const std::wstring& title, const std::wstring& message, const std::wstring& label1,
                        const std::wstring& label2, bool accent) = nullptr;
  // Dispatches the waiting messages; the status line is already written.
  void (*pumpPendingMessages)() = nullptr;
  // The timeline operations behind the viewport's shortcut keys. A null
  // entry still takes its key.
  void (*jumpToStart)() = nullptr;                // Home
  void (*jumpToEnd)() = nullptr;                  // End
  void (*stepFrame)(int delta) = nullptr;         // Left / Right
  void (*keyTransform)() = nullptr;               // K
  void (*keyCamera)() = nullptr;                  // Shift+C
  void (*keyLight)() = nullptr;                   // Shift+L
  void (*gotoTransformKey)(bool next) = nullptr;  // comma / period
};
void installServiceHooks(const ServiceHooks& hooks);
const ServiceHooks& installedServiceHooks();

}  // namespace vk
