// The user-facing half of the shell: the command dispatcher, the popup menus
// and the parent chooser, the modal text dialog and the progress pump, the
// outliner, the inspector's texts and Apply, and the hover tips.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/services.h"
#include "platform/win32.h"

namespace vk {

// ---- dispatcher ----------------------------------------------------------

struct CommandResult {
  std::int32_t id = 0;
  bool handled = false;
};

// Turns a command id into its operation. While the progress pump runs,
// commands are refused with a status message (they would edit the document
// under the import that is pumping).
CommandResult handleCommand(int id);
// The id a rail action slot (1..6) runs on a rail panel (0..4); 0 for none.
int railSlotCommand(int panel, int slot);
// Fills the service hooks behind the viewport's timeline shortcut keys (Home,
// End, arrows, K, Shift+C, Shift+L, comma, period).
void addTimelineShortcuts(ServiceHooks& hooks);
// The status text of a refused command while the pump runs.
inline constexpr const wchar_t* kBusyStatus = L"●  Busy: an import is running";

// ---- popups --------------------------------------------------------------

struct PopupItem {
  std::wstring label;  // ends in "  >" for a submenu
  int id = 0;          // 0 for separators and submenus
  bool separator = false;
  std::vector<PopupItem> submenu;
};

// The items of a menu-bar or toolbar popup as of now (toggles read the state
// when called); an unknown id gives the Help popup.
std::vector<PopupItem> popupMenuItems(int menuId);
std::vector<PopupItem> projectionMenuItems();
std::vector<PopupItem> outlinerContextMenuItems();
// Fills AppState.parentCandidateIds and returns the chooser's items.
std::vector<PopupItem> parentChooserItems();

// Builds the owner-drawn popup, tracks it at (x, y) in screen coordinates
// with the return-command mode and returns the chosen id (0 when dismissed).
int trackPopupItems(const std::vector<PopupItem>& items, int x, int y, HWND owner);
void showPopupMenu(HWND owner, HWND anchor, int menuId);
void showParentMenu(HWND anchor);
// The outliner list's context menu; `screen` is (-1, -1) from the keyboard.
void showOutlinerContextMenu(HWND owner, POINT screen);
// The projection button's dropdown; the choice goes back as WM_COMMAND.
void showProjectionMenu(HWND owner, HWND button);

// ---- modal text dialog and pump ------------------------------------------

inline constexpr const wchar_t* kDialogClassName = L"VeltraskStudioPhase62Dialog";
// The dialog's child that shows its message label, clipped while it scrolls.
inline constexpr const wchar_t* kDialogMessageViewClass = L"VeltraskStudioDialogMessageView";

SIZE textDialogSize(const std::wstring& title, const std::wstring& message);
// Centred on the owner's window rectangle, never left of or above it.
POINT textDialogPosition(const RECT& ownerRect, SIZE size);
// The dialog behind showTextDialog (model/services.h).
int runTextDialog(const std::wstring& title, const std::wstring& message, const std::wstring& label1,
                  const std::wstring& label2, bool accent);
LRESULT CALLBACK ModalDialogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool confirmExitWithUnsavedChanges();
void showCopyrightDialog();
void showPhaseNotesDialog();
std::wstring phaseNotesText();
// The pump behind processPendingMessages (model/services.h): repaints the
// status bar and dispatches at most 8 waiting messages; a quit message is
// posted again.
void pumpPendingMessages();

// ---- outliner ------------------------------------------------------------

std::wstring normalizedOutlinerSearch();
std::wstring objectListLabel(const Object& object);
bool objectRowMatchesSearch(const Object& object, const std::wstring& query);

struct OutlinerList {
  std::vector<OutlinerRow> rows;
  std::vector<std::wstring> texts;  // one per list item
  std::vector<std::int64_t> itemData;  // row index, -1 for the message row
  int selectedItem = -1;
};
// The rows of the scene for a normalised query; `filterText` is shown as
// typed in the message row of a filter that matches nothing.
OutlinerList buildOutlinerList(const Scene& scene, const std::wstring& query, const std::wstring& filterText,
                               const std::wstring& selectedId);
// The list behind refreshOutliner (model/services.h).
void fillOutlinerList();
// Selects the object of a list item (item data: row index or -1).
void selectOutlinerRow(std::int64_t itemData);
void onOutlinerSelectionChanged();
// Moves the list's current row to the selected object's row (none when no
// row shows it), without notifying the selection handler.
void showSelectionInOutliner();
void drawOutlinerItem(const DRAWITEMSTRUCT& item);

// ---- inspector -----------------------------------------------------------

// The details text of the inspector for the object as it stands; reads only
// (sanitizing steps run on copies).
std::wstring inspectorDetailsText(const Object& object);
// The fields behind refreshInspector (model/services.h).
void fillInspectorFields();
void applyInspectorFields();

// ---- hover tips ----------------------------------------------------------

// Width and height of the tip for a measured text size.
SIZE hoverTipSize(SIZE text);
// Top-left of the tip beside the cursor, flipped and kept inside the work area.
POINT hoverTipPosition(POINT cursor, SIZE size, const RECT* workArea);
void addTooltip(HWND control, const std::wstring& text);
void queueHoverTip(HWND control);
void hideHoverTip();
void positionHoverTip();
LRESULT CALLBACK TooltipSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
LRESULT CALLBACK HoverTipWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vk
