// The shell services every command calls: the dirty flag with the status
// line and badge, and the panel refresh services. All of them work with no
// window at all: a null handle is skipped, the state is still updated.
#pragma once

#include <string>

#include "model/types.h"

namespace vk {

// Sets the dirty flag and writes "●  Unsaved changes" / "●  Ready" on the
// status line and "Unsaved" / "Saved" on the badge.
void setDirty(bool dirty);
// Writes the status line; nothing else.
void setStatusText(const std::wstring& text);

// Outliner, inspector and status bar rebuilt; viewport and main window repainted.
void refreshAll();
// Inspector and status bar rebuilt; outliner list and viewport repainted.
void refreshPanels();
// Status bar rebuilt; viewport repainted.
void refreshViewport();
// Captions of the view buttons from the view state, then their repaint.
void refreshToolbarLabels();
// Repaints (with erase) the 37 toolbar buttons whose look follows the state.
void invalidateChromeControls();

// The panel builders (outliner list, inspector, status bar labels).
void refreshOutliner();
void refreshInspector();
void refreshStatusBar();

// Lays the main window out again (nothing without a window).
void relayoutMainWindow();

}  // namespace vk
