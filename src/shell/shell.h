// The application shell: the entry point, the window classes and the main
// window procedure, the main window's controls, the owner-drawn chrome, the
// adaptive layout, the status bar and the left rail. The document services
// (refreshes, status line) are in model/services.h; the harness that drives all
// of it from a test is shell/studio_harness.h.
#pragma once

#include <string>
#include <vector>

#include "animation/animation.h"
#include "model/types.h"
#include "platform/win32.h"
#include "shell/commands.h"

namespace vk {

// ---- Entry point and window procedures ----------------------------------

// The process: start-up, the message loop, the quit code (0 after a normal
// close, 1 when the classes or the main window can't be made).
int wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
// Start-up without the loop: steps 1 to 5 of wWinMain. 0, or the exit code 1
// after the start-up failure box.
int startStudio(HINSTANCE instance, int showCommand);
// Registers the five classes in order; false at the first failure.
bool registerWindowClasses(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TexturePreviewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK InspectorScrollbarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr wchar_t kMainWindowClass[] = L"VeltraskStudioPhase62Window";
inline constexpr wchar_t kViewportClass[] = L"VeltraskStudioPhase62Viewport";
inline constexpr wchar_t kHoverTipClass[] = L"VeltraskStudioPhase62HoverTip";
inline constexpr wchar_t kTexturePreviewClass[] = L"VeltraskStudioPhase62TexturePreview";
inline constexpr wchar_t kInspectorScrollbarClass[] = L"VeltraskStudioPhase64105InspectorScrollbar";
inline constexpr wchar_t kMainWindowTitle[] = L"Veltrask Studio - Phase 66.1 GLB Compatibility QA";

// ---- Controls --------------------------------------------------------------

void createMainWindowControls(HWND mainWindow);
HWND createButton(HWND parent, const std::wstring& text, int id);
HWND createEdit(HWND parent);
HWND createLabel(HWND parent, const std::wstring& text, HFONT font);
// A label for texts that can hold names, file names or other typed text: an
// '&' in them shows as typed instead of marking a mnemonic (SS_NOPREFIX).
HWND createVerbatimLabel(HWND parent, const std::wstring& text, HFONT font);
// A popup menu on the panel brush; every popup of the program is one.
HMENU createThemedPopupMenu();
// The main window's button with this id (the toolbar's copy when the tool
// strip or the Left Tools box holds another); null when there is none.
HWND mainButton(int id);
std::wstring getTextFromWindow(HWND window);  // at most 4096 characters
int getIntFromWindow(HWND window, int fallback);
double getDoubleFromWindow(HWND window, double fallback);
void setEditInt(HWND window, int value);
void setEditDouble(HWND window, double value);  // 2 decimals
std::wstring editDoubleText(double value);      // the text setEditDouble writes

// ---- Owner-drawn chrome ------------------------------------------------------
// (fillVerticalGradient is the viewport's, viewport/viewport.h)

void roundRectFill(HDC dc, const RECT& rect, COLORREF fill, COLORREF border, int corner);
// A 1-pixel rounded outline with no fill.
void hollowRoundRect(HDC dc, const RECT& r, COLORREF colour, int corner);
void drawSoftGlow(HDC dc, int x, int y, int radius, COLORREF colour);
void drawSectionHeader(HDC dc, const RECT& rect, const std::wstring& title, bool open);
void drawRailTabGlyph(HDC dc, const RECT& rect, int tabId, COLORREF colour);
COLORREF iconColorForCommand(int id, bool highlighted);
void drawIcon(HDC dc, const RECT& rect, int id, ObjectKind kind, const std::wstring& label, bool highlighted);
void drawButtonItem(const DRAWITEMSTRUCT& item);
// The least width at which a main button draws `caption` whole beside its
// icon, in the buttons' bold font.
int buttonWidthForCaption(const std::wstring& caption);
void drawStyledMenuItem(const DRAWITEMSTRUCT& item);
void drawMainWindowChrome(HDC dc, const RECT& client);
// The studio's scroll bar in `track`, scrolled `offset` of `max` pixels (the
// inspector's and the text dialog's); its thumb fills the track when max < 1.
void paintScrollbar(HDC dc, const RECT& track, int offset, int max, bool dragging);
RECT scrollThumbRect(const RECT& track, int offset, int max);
// The offset a thumb grabbed at `startOffset` and dragged `dy` pixels gives
// (not clamped).
int scrollOffsetForThumbDrag(const RECT& track, int max, int startOffset, int dy);

// ---- Layout ----------------------------------------------------------------

// The region rectangles of one client size and workspace state (no window
// needed); layoutMainWindow stores the same values in ShellHandles.
struct LayoutRects {
  int width = 0;   // the laid-out width and height (at least 1120 x 720)
  int height = 0;
  RECT titleBar{}, toolbar{}, statusBar{}, activityRail{}, railPanel{}, outlinerList{}, leftTools{},
      viewportArea{}, viewportHeader{}, viewport{}, timeline{}, timelineTrack{}, timelineKey{}, inspector{},
      inspectorHeader{};
};
LayoutRects computeLayoutRects(int clientWidth, int clientHeight);
// Where the menu bar's first button starts for a laid-out width; the title
// band's texts end short of it.
int menuBarLeft(int clientWidth);
// The card behind a rail panel's caption, description and details labels
// (every panel but the Outliner): it encloses all three.
RECT railCardRect(const RECT& railPanel);
void layoutMainWindow(HWND mainWindow);
// The timeline's first row for a panel `panelWidth` wide, as x offsets from
// its left edge: the four transport buttons, then the Frame, Start, End and
// FPS labels, each followed by its field. A panel too narrow for the usual
// spacing shrinks the gaps, buttons and fields alike, so the FPS field ends
// 12 pixels inside the panel from 474 pixels on (the panel at 1120 wide).
// Apply follows the FPS field while at least 48 pixels of it fit there, and
// otherwise stands at the right end of the panel's header, `captionedApplyW`
// wide (its caption's whole width) when that is more than its usual 66.
struct TimelineFieldRow {
  int buttonX[4], buttonW[4], labelX[4], labelW[4], editX[4], editW[4];
  int applyX, applyW;
  bool applyInHeader;
};
TimelineFieldRow timelineFieldRow(int panelWidth, int captionedApplyW);
// The selection, its kind, the undo and redo depths, the editing modes, the
// panels the document shows and the open rail panel's text, as the layout
// reads them.
LayoutInputs currentLayoutInputs();
// Lays the main window out again when currentLayoutInputs() differs from
// what the last layout was computed for.
void relayoutIfStale();
// Moves a child only when its rectangle changes. A label given room for
// fewer than two lines of its font draws one line, ended in "..." where the
// text is longer (SS_ENDELLIPSIS); a taller one wraps.
void moveChildWindow(HWND control, int x, int y, int width, int height);
// The height of a label's text wrapped at `width`, as the label draws it;
// the last result per label is kept and given again while the label's text,
// font and style and the width are the same.
int wrappedTextHeight(HWND label, int width);

struct InspectorSectionHeader {
  int id = 0;  // 1..5
  RECT rect{};
};
std::vector<InspectorSectionHeader> inspectorSectionHeaderRects();
// The inspector body's content height for the current selection and flags.
int inspectorContentHeight();
bool handleInspectorClick(POINT point);
void setInspectorScroll(int offset);
RECT inspectorScrollThumbRect(const RECT& track);

// ---- Status bar and left rail ----------------------------------------------

struct StatusBarTexts {
  std::wstring view, project, dirty, objects, version;
};
StatusBarTexts statusBarTexts();
// visibleTriangleCount() of the open scene, counted again only for the
// objects that changed since the last call.
std::int64_t visibleTriangleTotal();
// The labels behind refreshStatusBar (model/services.h).
void fillStatusBar();

// ---- Document services --------------------------------------------------------

// Plugs the window work of the shell in behind the document services of
// model/services.h; startStudio does it first.
void installShellServices();
// The captions and repaints behind refreshToolbarLabels and invalidateChromeControls.
void updateToolbarCaptions();
void repaintChromeControls();

int leftRailPanelFromIndex(int value);
std::wstring leftRailPanelCaption(int panel);
std::wstring leftRailPanelDescription(int panel);
std::wstring leftRailButtonLabel(int panel, int slot);
int leftRailButtonCommand(int panel, int slot);  // 0 for an unknown slot
std::wstring leftRailContextText(int panel);
bool isRailPanelButtonActive(int controlId);

// ---- Seams for the parts built elsewhere -----------------------------------

// The start-up failure box: no owner, "error" icon, title "Startup Failed".
void showStartupFailure(const std::wstring& text);
// Registers the hover-help texts of the main window's controls, once.
void attachHoverTips();

}  // namespace vk
