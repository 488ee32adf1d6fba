// The process entry point, the window classes and the main window's
// procedure: start-up and shutdown, the double-buffered chrome paint, the
// command routing, the four main-window shortcuts, the Left Tools header
// click, the inspector scroll messages and the timeline drags.
//
// Sections:
//   - Shortcuts, command routing and timeline drags
//   - Start-up
//   - Window procedures
#include <algorithm>

#include "formats/gltf_import.h"
#include "model/app_state.h"
#include "model/objects.h"
#include "model/services.h"
#include "model/undo.h"
#include "persistence/workspace_settings.h"
#include "platform/palette.h"
#include "shading/textures.h"
#include "shell/command_ids.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

// ---- Shortcuts, command routing and timeline drags --------------------------
namespace {

constexpr UINT kHoverTipTimer = 8621;
constexpr int kInspectorWheelStep = 44;
constexpr wchar_t kSearchPlaceholder[] = L"Search...";

bool registerClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, LPCWSTR cursor, bool icon) {
  WNDCLASSEXW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, cursor);
  if (icon) {
    // Resource 101 does not exist on this platform: the system icon serves.
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = wc.hIcon;
  }
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

void setSearchText(const wchar_t* text) {
  AppState& app = appState();
  app.suppressEditNotifications = true;
  if (HWND search = shellHandles().outlinerSearch) SetWindowTextW(search, text);
  app.suppressEditNotifications = false;
}

void invalidateRailPanel(HWND main) {
  const RECT r = shellHandles().railPanelRect;
  InvalidateRect(main, &r, FALSE);
}

void toggleLeftTools(HWND main) {
  AppState& app = appState();
  app.leftToolsOpen = !app.leftToolsOpen;
  saveWorkspaceIni();
  layoutMainWindow(main);
  setStatusText(app.leftToolsOpen ? L"●  Left Tools expanded" : L"●  Left Tools collapsed");
}

bool handleShortcut(HWND main, WPARAM key) {
  AppState& app = appState();
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (ctrl && key == 'F') {
    app.activeRailPanel = 0;
    saveWorkspaceIni();
    layoutMainWindow(main);
    if (HWND search = shellHandles().outlinerSearch) SetFocus(search);
    setStatusText(L"●  Outliner search focused");
    return true;
  }
  if (key == VK_F6) {
    app.activeRailPanel = (leftRailPanelFromIndex(app.activeRailPanel) + 1) % 5;
    saveWorkspaceIni();
    layoutMainWindow(main);
    setStatusText(L"●  Left activity rail cycled");
    return true;
  }
  if (key == VK_F7) {
    toggleLeftTools(main);
    return true;
  }
  if (key == VK_F8) {
    toggleTimelinePanel();
    return true;
  }
  return false;
}

// A label is part of the window's background: a click on one gives the
// main window the keys, as a click beside it does.
void focusOnLabelClick(HWND main, POINT client) {
  POINT screen = client;
  ClientToScreen(main, &screen);
  const HWND under = WindowFromPoint(screen);
  if (!under || under == main || GetParent(under) != main) return;
  wchar_t className[16] = {};
  GetClassNameW(under, className, 16);
  if (std::wstring_view(className) == L"Static") SetFocus(main);
}

void routeSearchBox(UINT code) {
  AppState& app = appState();
  HWND search = shellHandles().outlinerSearch;
  if (code == EN_SETFOCUS) {
    if (getTextFromWindow(search) == kSearchPlaceholder) setSearchText(L"");
  } else if (code == EN_KILLFOCUS) {
    const std::wstring text = getTextFromWindow(search);
    if (text.find_first_not_of(L" \t\r\n\v\f") == std::wstring::npos) {
      app.outlinerFilter.clear();
      setSearchText(kSearchPlaceholder);
      refreshOutliner();
    }
  } else if (code == EN_CHANGE && !app.suppressEditNotifications) {
    const std::wstring text = getTextFromWindow(search);
    app.outlinerFilter = text == kSearchPlaceholder ? std::wstring() : text;
    refreshOutliner();
    invalidateRailPanel(app.ui.mainWindow);
  }
}

bool isDropdownButton(int id) {
  static constexpr int kDropdowns[] = {kMenuFile,      kMenuEdit,     kMenuCreate,   kMenuObject,  kMenuMesh,
                                       kMenuCurve,     kMenuModifier, kMenuMaterial, kMenuView,    kMenuRender,
                                       kMenuTools,     kMenuWindow,   kMenuTimeline, kMenuPresets, kMenuCapsules,
                                       kMenuSelection, kMenuAxis,     kMenuHelp};
  return std::find(std::begin(kDropdowns), std::end(kDropdowns), id) != std::end(kDropdowns);
}

void routeCommand(HWND main, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  const HWND sender = reinterpret_cast<HWND>(lParam);
  if (id == kCtlOutlinerList && code == LBN_SELCHANGE) {
    onOutlinerSelectionChanged();
  } else if (id == kCtlOutlinerSearch && sender && (code == EN_SETFOCUS || code == EN_KILLFOCUS || code == EN_CHANGE)) {
    routeSearchBox(code);
  } else if (isDropdownButton(id) && sender) {
    // The axis popup always opens under the toolbar's "Axis" dropdown.
    showPopupMenu(main, id == kMenuAxis ? mainButton(kMenuAxis) : sender, id);
  } else if (id == kCmdToggleProjection && sender && sender == shellHandles().projectionButton) {
    showPopupMenu(main, sender, id);
  } else {
    handleCommand(id);
  }
}

void clearTimelineDrag() {
  AppState& app = appState();
  app.timelineScrubbing = false;
  app.timelineKeyDrag = false;
  app.timelineKeyDragSnapshotTaken = false;
  app.timelineKeyDragMoved = false;
  app.timelineKeyDragTrack = 0;
  app.timelineKeyDragId.clear();
}

bool timelineDragActive() {
  const AppState& app = appState();
  return app.timelineScrubbing || app.timelineKeyDrag;
}

void timelineDragStep(int x) {
  const AppState& app = appState();
  if (IsRectEmpty(&app.ui.timelineKeyRect)) return;
  const RECT axis = timelineAxis();
  if (axis.right <= axis.left) return;
  const int frame = timelineMapXToFrame(axis, x);
  if (app.timelineKeyDrag) moveTimelineKey(frame);
  else setTimelineFrameFromScrub(frame, L"Timeline scrubbed");
}

// A key drag takes its undo snapshot at its first real move, so there is
// nothing to take back here.
void endTimelineDrag(HWND main) {
  if (GetCapture() == main) ReleaseCapture();
  clearTimelineDrag();
  refreshTimeline();
}

// Only the invalid part is drawn: a scrub repaints the timeline, not the
// whole window. The chrome starts with a fill of the whole client area, so
// the kept buffer needs no clearing.
void paintChrome(HWND main) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(main, &ps);
  RECT client{};
  GetClientRect(main, &client);
  HDC memory = nullptr;
  if (HPAINTBUFFER buffer = BeginBufferedPaint(dc, &ps.rcPaint, BPBF_COMPATIBLEBITMAP, nullptr, &memory)) {
    drawMainWindowChrome(memory, client);
    EndBufferedPaint(buffer, TRUE);
  }
  EndPaint(main, &ps);
}

void onCreate(HWND main) {
  AppState& app = appState();
  app.ui.mainWindow = main;
  BufferedPaintInit();
  const BOOL dark = TRUE;
  DwmSetWindowAttribute(main, 20, &dark, sizeof dark);
  createMainWindowControls(main);
  resetToNewProject();
  loadWorkspaceIni();
  layoutMainWindow(main);
  refreshAll();
}

void onDestroy() {
  UiHandles& ui = appState().ui;
  ShellHandles& shell = shellHandles();
  saveWorkspaceIni();
  clearTexturePreviewCache();
  for (HFONT* font : {&ui.uiFont, &ui.smallFont, &ui.boldFont, &ui.titleFont}) {
    if (*font) DeleteObject(*font);
    *font = nullptr;
  }
  for (HBRUSH* brush : {&shell.panelBrush, &shell.fieldBrush}) {
    if (*brush) DeleteObject(*brush);
    *brush = nullptr;
  }
  BufferedPaintUnInit();
  PostQuitMessage(0);
}

LRESULT colourControl(HDC dc, COLORREF background, HBRUSH brush) {
  SetTextColor(dc, kTextControl);
  SetBkColor(dc, background);
  return reinterpret_cast<LRESULT>(brush);
}

LRESULT colourStatic(HDC dc, HWND control) {
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, control == ui.statusLine ? kTextStatus : kTextControl);
  const bool field = control && (control == shell.typeField || control == shell.meshDetails);
  return reinterpret_cast<LRESULT>(field ? shell.fieldBrush : shell.panelBrush);
}

}  // namespace

// ---- Start-up ---------------------------------------------------------------
void showStartupFailure(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), L"Startup Failed", MB_OK | MB_ICONERROR);
}

bool registerWindowClasses(HINSTANCE instance) {
  return registerClass(instance, kMainWindowClass, MainWndProc, IDC_ARROW, true) &&
         registerClass(instance, kViewportClass, ViewportWndProc, IDC_CROSS, false) &&
         registerClass(instance, kHoverTipClass, HoverTipWndProc, IDC_ARROW, false) &&
         registerClass(instance, kTexturePreviewClass, TexturePreviewWndProc, IDC_ARROW, false) &&
         registerClass(instance, kInspectorScrollbarClass, InspectorScrollbarWndProc, IDC_ARROW, false);
}

int startStudio(HINSTANCE instance, int showCommand) {
  installShellServices();
  INITCOMMONCONTROLSEX init{};
  init.dwICC = 0xFF;
  InitCommonControlsEx(&init);
  appState().instance = instance;
  if (!registerWindowClasses(instance)) {
    showStartupFailure(L"Could not register Veltrask Studio window classes.");
    return 1;
  }
  HWND main = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                              CW_USEDEFAULT, CW_USEDEFAULT, 1500, 860, nullptr, nullptr, instance, nullptr);
  if (!main) {
    showStartupFailure(L"Could not create Veltrask Studio window.");
    return 1;
  }
  ShowWindow(main, showCommand);
  UpdateWindow(main);
  return 0;
}

int wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
  if (const int failed = startStudio(instance, showCommand)) return failed;
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// ---- Window procedures ------------------------------------------------------
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  AppState& app = appState();
  switch (message) {
    case WM_CREATE:
      onCreate(hwnd);
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    case WM_SIZE:
      hideHoverTip();
      layoutMainWindow(hwnd);
      return 0;
    case WM_PAINT:
      paintChrome(hwnd);
      return 0;
    case WM_CLOSE:
      // A close during an import's message pump would destroy the window under it.
      if (holdMainWindowCloseDuringImport(hwnd)) return 0;
      if (!app.dirty || confirmExitWithUnsavedChanges()) DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DRAWITEM: {
      if (!lParam) return 0;
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlType == ODT_MENU) drawStyledMenuItem(item);
      else if (item.CtlType == ODT_BUTTON) drawButtonItem(item);
      else if (item.CtlType == ODT_LISTBOX && item.CtlID == kCtlOutlinerList)
        drawOutlinerItem(item);
      else return 0;
      return 1;
    }
    case WM_MEASUREITEM: {
      if (!lParam) return 1;
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item.CtlType == ODT_MENU) {
        item.itemHeight = 34;
        item.itemWidth = 282;
      } else if (item.CtlID == kCtlOutlinerList) {
        item.itemHeight = 30;
      }
      return 1;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == app.ui.outlinerList && app.ui.outlinerList) {
        showOutlinerContextMenu(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (handleShortcut(hwnd, wParam)) return 0;
      break;
    case WM_COMMAND:
      routeCommand(hwnd, wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam != kHoverTipTimer) break;
      KillTimer(hwnd, kHoverTipTimer);
      if (app.hoveredControl && IsWindowVisible(app.hoveredControl) && IsWindowEnabled(app.hoveredControl))
        positionHoverTip();
      return 0;
    case WM_VSCROLL: {
      if (!lParam || reinterpret_cast<HWND>(lParam) != shellHandles().inspectorScrollbar) break;
      const int offset = app.inspectorScrollOffset;
      switch (LOWORD(wParam)) {
        case 0: setInspectorScroll(offset - 24); break;
        case 1: setInspectorScroll(offset + 24); break;
        case 2: setInspectorScroll(offset - 120); break;
        case 3: setInspectorScroll(offset + 120); break;
        case 4: case 5: setInspectorScroll(HIWORD(wParam)); break;
        default: setInspectorScroll(offset); break;
      }
      return 0;
    }
    case WM_CTLCOLOREDIT:
      return colourControl(reinterpret_cast<HDC>(wParam), kFieldBackground, shellHandles().fieldBrush);
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return colourControl(reinterpret_cast<HDC>(wParam), kControlBackground, shellHandles().panelBrush);
    case WM_CTLCOLORSTATIC:
      return colourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_MOUSEMOVE:
      if (!timelineDragActive()) break;
      timelineDragStep(GET_X_LPARAM(lParam));
      return 0;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_LBUTTONDOWN) focusOnLabelClick(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    case WM_LBUTTONDOWN: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (handleInspectorClick(point)) return 0;
      const RECT& lt = shellHandles().leftToolsRect;
      const RECT headerBand{lt.left, lt.top, lt.right, lt.top + std::min<LONG>(44, lt.bottom - lt.top)};
      if (!IsRectEmpty(&lt) && PtInRect(&headerBand, point)) {
        toggleLeftTools(hwnd);
        invalidateRailPanel(hwnd);
        return 0;
      }
      if (handleTimelineMouseDown(hwnd, point, false)) {
        hideHoverTip();
        return 0;
      }
      // The window's own background takes the keys (F6/F7/F8, Ctrl+F) back
      // from the viewport or a field.
      SetFocus(hwnd);
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (handleTimelineMouseDown(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, true)) {
        hideHoverTip();
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (!timelineDragActive()) break;
      endTimelineDrag(hwnd);
      return 0;
    case WM_MOUSEWHEEL: {
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd, &point);
      if (!PtInRect(&shellHandles().inspectorRect, point)) break;
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      setInspectorScroll(app.inspectorScrollOffset + (delta <= 0 ? kInspectorWheelStep : -kInspectorWheelStep));
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (timelineDragActive()) clearTimelineDrag();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TexturePreviewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    drawTexturePreview(dc, client);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace vk
