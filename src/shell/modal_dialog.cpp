// The studio's own modal dialog (title, message, one or two buttons), the
// exit confirmation, the Help dialogs and the import progress pump. A message
// taller than its panel scrolls there, with the wheel and a scroll bar.
//
// Sections:
//   - Dialog state and classes
//   - Message scrolling
//   - Layout and paint
//   - Running a dialog
//   - Exit and Help dialogs
//   - Import pump
#include <algorithm>

#include "model/app_state.h"
#include "model/services.h"
#include "persistence/project_flows.h"
#include "platform/palette.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

// ---- Dialog state and classes -----------------------------------------------
namespace {

// One running dialog. It hangs on its window (GWLP_USERDATA), so nested
// dialogs each find their own state.
struct ModalDialogState {
  std::wstring title;
  std::wstring message;
  std::wstring label1;
  std::wstring label2;
  bool accent = false;
  int result = 0;
  HWND titleStatic = nullptr;
  HWND messageStatic = nullptr;
  HWND button1 = nullptr;
  HWND button2 = nullptr;
  // The message label sits in a view of whole lines that clips it; while the
  // message is taller than its panel it moves up by whole lines in there.
  HWND messageView = nullptr;
  RECT messagePanel{};  // dialog client coordinates
  platform::LineScroll scroll{};
  bool thumbDrag = false;
  int dragStartY = 0;
  int dragStartScroll = 0;
};

ModalDialogState* dialogState(HWND hwnd) {
  return reinterpret_cast<ModalDialogState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Paints nothing the label does not cover; it passes the label's colour
// question to the dialog, so the label looks as it would on the dialog itself.
LRESULT CALLBACK messageViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      FillRect(dc, &ps.rcPaint, shellHandles().panelBrush);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetParent(hwnd), message, wParam, lParam);
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void registerClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  if (GetClassInfoExW(appState().instance, name, &existing)) return;
  WNDCLASSEXW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = appState().instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

void ensureDialogClass() {
  registerClass(kDialogClassName, ModalDialogWndProc);
  registerClass(kDialogMessageViewClass, messageViewProc);
}

// ---- Message scrolling ------------------------------------------------------

int fontLineHeight(HWND window, HFONT font) {
  HDC dc = GetDC(window);
  if (!dc) return 1;
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return std::max<int>(metrics.tmHeight, 1);
}

// In the right margin beside the message panel, as tall as the panel.
RECT messageScrollbarRect(const ModalDialogState& s) {
  return RECT{s.messagePanel.right + 8, s.messagePanel.top, s.messagePanel.right + 20, s.messagePanel.bottom};
}

// A message that fits fills the panel as one label; a taller one shows whole
// lines only, from line `scroll.offset / lineHeight` on.
void placeMessage(ModalDialogState& s) {
  const int width = s.messagePanel.right - s.messagePanel.left;
  const int textHeight = wrappedTextHeight(s.messageStatic, width);
  fitLineScroll(s.scroll, s.messagePanel.bottom - s.messagePanel.top, textHeight);
  moveChildWindow(s.messageView, s.messagePanel.left, s.messagePanel.top, width, s.scroll.view);
  moveChildWindow(s.messageStatic, 0, -s.scroll.offset, width, std::max(s.scroll.view, textHeight));
}

void scrollMessageTo(HWND dialog, ModalDialogState& s, int offset) {
  offset = snapLineScroll(s.scroll, offset);
  if (offset == s.scroll.offset) return;
  s.scroll.offset = offset;
  placeMessage(s);
  const RECT bar = messageScrollbarRect(s);
  InvalidateRect(dialog, &bar, FALSE);
}

// A press on the thumb grabs it; one on the track above or below it turns a page.
void pressMessageScrollbar(HWND dialog, ModalDialogState& s, POINT point) {
  const RECT bar = messageScrollbarRect(s);
  if (s.scroll.max <= 0 || !PtInRect(&bar, point)) return;
  const RECT thumb = scrollThumbRect(bar, s.scroll.offset, s.scroll.max);
  if (PtInRect(&thumb, point)) {
    s.thumbDrag = true;
    s.dragStartY = point.y;
    s.dragStartScroll = s.scroll.offset;
    SetCapture(dialog);
    InvalidateRect(dialog, &bar, FALSE);
    return;
  }
  scrollMessageTo(dialog, s, pageLineScroll(s.scroll, point.y < thumb.top ? -1 : 1));
}

void endThumbDrag(HWND dialog, ModalDialogState& s) {
  if (!s.thumbDrag) return;
  s.thumbDrag = false;
  if (GetCapture() == dialog) ReleaseCapture();
  const RECT bar = messageScrollbarRect(s);
  InvalidateRect(dialog, &bar, FALSE);
}

// ---- Layout and paint -------------------------------------------------------

void layoutDialog(ModalDialogState& s, int clientWidth, int clientHeight) {
  const int w = std::max(320, clientWidth);
  const int h = std::max(220, clientHeight);
  moveChildWindow(s.titleStatic, 34, 22, w - 68, 30);
  s.messagePanel = RECT{34, 66, w - 34, 66 + std::max(88, h - 138)};
  placeMessage(s);
  if (s.button2) {
    moveChildWindow(s.button2, w - 426, h - 54, 190, 36);
    moveChildWindow(s.button1, w - 224, h - 54, 190, 36);
  } else {
    moveChildWindow(s.button1, w - 198, h - 54, 164, 36);
  }
}

void paintDialog(HWND hwnd, const ModalDialogState* s) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  fillVerticalGradient(dc, client, kBackdropTop, kBackdropBottom);
  const RECT bar{0, 0, 6, client.bottom};
  HBRUSH accent = CreateSolidBrush(s && s->accent ? kDialogWarningAccent : kDialogAccent);
  FillRect(dc, &bar, accent);
  DeleteObject(accent);
  fillVerticalGradient(dc, RECT{6, 0, client.right, 48}, kDialogTitleTop, kDialogTitleBottom);
  HPEN pen = CreatePen(PS_SOLID, 1, kDialogTitleLine);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, 6, 48, nullptr);
  LineTo(dc, client.right, 48);
  SelectObject(dc, old);
  DeleteObject(pen);
  if (s && s->scroll.max > 0) {
    // The panel's rows below the view's whole lines, and the scroll bar.
    const RECT rest{s->messagePanel.left, s->messagePanel.top + s->scroll.view, s->messagePanel.right,
                    s->messagePanel.bottom};
    FillRect(dc, &rest, shellHandles().panelBrush);
    paintScrollbar(dc, messageScrollbarRect(*s), s->scroll.offset, s->scroll.max, s->thumbDrag);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

// ---- Running a dialog -------------------------------------------------------

SIZE textDialogSize(const std::wstring& title, const std::wstring& message) {
  if (message.size() >= 421 || title.find(L"Veltrask Studio") != std::wstring::npos) return SIZE{720, 430};
  return SIZE{520, 248};
}

POINT textDialogPosition(const RECT& r, SIZE size) {
  return POINT{r.left + std::max<LONG>(0, (r.right - size.cx - r.left) / 2),
               r.top + std::max<LONG>(0, (r.bottom - size.cy - r.top) / 2)};
}

int runTextDialog(const std::wstring& title, const std::wstring& message, const std::wstring& label1,
                  const std::wstring& label2, bool accent) {
  ensureDialogClass();
  ModalDialogState state{title, message, label1, label2, accent};
  HWND main = appState().ui.mainWindow;
  const SIZE size = textDialogSize(title, message);
  RECT mainRect{};
  if (main) GetWindowRect(main, &mainRect);
  const POINT at = textDialogPosition(mainRect, size);
  HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kDialogClassName, title.c_str(),
                                WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, at.x, at.y, size.cx, size.cy, main,
                                nullptr, appState().instance, &state);
  if (!dialog) return kTextDialogSecondButton;
  const platform::ModalOwner modal = platform::beginModal(main);
  ShowWindow(dialog, SW_SHOWNORMAL);
  UpdateWindow(dialog);
  SetForegroundWindow(dialog);
  SetFocus(dialog);
  // Ends on an answer, on the window's destruction by anyone, or on a quit
  // message, which the loop posts again for the main loop.
  vk::platform::runModalLoop([&] { return state.result != 0 || !IsWindow(dialog); });
  if (IsWindow(dialog)) SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
  platform::endModal(modal, dialog);
  return state.result != 0 ? state.result : kTextDialogSecondButton;
}

LRESULT CALLBACK ModalDialogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const BOOL dark = TRUE;
      DwmSetWindowAttribute(hwnd, 20, &dark, sizeof dark);
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      auto* s = create ? static_cast<ModalDialogState*>(create->lpCreateParams) : nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
      if (s) {
        const UiHandles& ui = appState().ui;
        s->titleStatic = createVerbatimLabel(hwnd, s->title, ui.titleFont);
        s->messageView = CreateWindowExW(0, kDialogMessageViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                         0, 0, hwnd, nullptr, appState().instance, nullptr);
        s->messageStatic = createVerbatimLabel(s->messageView, s->message, ui.uiFont);
        s->scroll.lineHeight = fontLineHeight(s->messageStatic, ui.uiFont);
        s->button1 = createButton(hwnd, s->label1, kTextDialogFirstButton);
        if (!s->label2.empty()) s->button2 = createButton(hwnd, s->label2, kTextDialogSecondButton);
      }
      return 0;
    }
    case WM_SIZE:
      if (ModalDialogState* s = dialogState(hwnd)) layoutDialog(*s, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      paintDialog(hwnd, dialogState(hwnd));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEWHEEL:
      if (ModalDialogState* s = dialogState(hwnd))
        scrollMessageTo(hwnd, *s, wheelLineScroll(s->scroll, GET_WHEEL_DELTA_WPARAM(wParam)));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (ModalDialogState* s = dialogState(hwnd))
        pressMessageScrollbar(hwnd, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      if (ModalDialogState* s = dialogState(hwnd); s && s->thumbDrag)
        scrollMessageTo(hwnd, *s,
                        scrollOffsetForThumbDrag(messageScrollbarRect(*s), s->scroll.max, s->dragStartScroll,
                                                 GET_Y_LPARAM(lParam) - s->dragStartY));
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (ModalDialogState* s = dialogState(hwnd)) endThumbDrag(hwnd, *s);
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || item->CtlType != ODT_BUTTON) return 0;
      drawButtonItem(*item);
      return 1;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      ModalDialogState* s = dialogState(hwnd);
      if (!s || (id != kTextDialogFirstButton && id != kTextDialogSecondButton)) break;
      s->result = id;
      DestroyWindow(hwnd);
      return 0;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kTextControl);
      if (message == WM_CTLCOLORBTN) SetBkColor(dc, kControlBackground);
      else SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(shellHandles().panelBrush);
    }
    case WM_CLOSE:
      if (ModalDialogState* s = dialogState(hwnd)) s->result = kTextDialogSecondButton;
      DestroyWindow(hwnd);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---- Exit and Help dialogs --------------------------------------------------

bool confirmExitWithUnsavedChanges() {
  return mayDiscardUnsavedChanges(L"Exit Without Saving",
                                  L"close the app and discard the current unsaved project state");
}

void showCopyrightDialog() {
  showTextDialog(L"Veltrask Studio - Copyright",
                 L"© 2026 Veltrask Studio contributors | veltrask.example | studio.veltrask.example", L"OK", L"",
                 false);
}

std::wstring phaseNotesText() {
  static constexpr const wchar_t* kLines[] = {
      L"Veltrask Studio",
      L"Phase 66.1 GLB Export Compatibility QA",
      L"",
      L"Phase 66.1 hardens the Phase 66.0 binary GLB exporter so output is boring, standard, and easier for "
      L"external GLB validators, Blender/browser tools, and Veltrask runtime import paths to accept without special "
      L"handling.",
      L"",
      L"Delivered in this phase",
      L"- Strict internal GLB 2.0 container validation before write.",
      L"- JSON/BIN chunk and file-length validation.",
      L"- BufferView offset and 4-byte alignment validation.",
      L"- Accessor byte-size, component type, and min/max bounds validation.",
      L"- Automatic UNSIGNED_SHORT indices for small meshes and UNSIGNED_INT for larger meshes.",
      L"- Expanded export warning report posted into the Assets panel and shown after export.",
      L"- Sample GLB compatibility test pack in the repository samples folder.",
      L"",
      L"Still future roadmap",
      L"- Normals/smoothing/hard-edge parity.",
      L"- UV preservation upgrades and embedded texture packing.",
      L"- Full PBR texture slots and scale/orientation presets.",
      L"",
      // One line split in two: the parentheses tell clang the joined literal is meant.
      (L"GLB/glTF import remains intentionally hidden/deferred while Veltrask focuses on producing better native "
       L"runtime assets."),
      L"",
      L"Use Help > Copyright for ownership and dev website details."};
  std::wstring text;
  for (const wchar_t* line : kLines) {
    if (line != kLines[0]) text += L"\n";
    text += line;
  }
  return text;
}

void showPhaseNotesDialog() {
  showTextDialog(L"Veltrask Studio - Phase 66.1", phaseNotesText(), L"Veltrask On", L"", false);
}

// ---- Import pump ------------------------------------------------------------
namespace {

constexpr int kPumpBatch = 8;

// Input that would start a command: refused while the import pump runs.
bool isCommandInput(UINT message) {
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return message != WM_KEYUP && message != WM_SYSKEYUP;
  if (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST) return true;
  return message == WM_COMMAND || message == WM_CONTEXTMENU;
}

}  // namespace

void pumpPendingMessages() {
  const UiHandles& ui = appState().ui;
  const ShellHandles& shell = shellHandles();
  if (ui.statusLine) UpdateWindow(ui.statusLine);
  if (shell.objectCountLabel) UpdateWindow(shell.objectCountLabel);
  if (ui.mainWindow) UpdateWindow(ui.mainWindow);
  for (int i = 0; i < kPumpBatch; ++i) {
    MSG msg{};
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // Input would run commands against the document the import is building.
    if (isCommandInput(msg.message)) {
      setStatusText(kBusyStatus);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace vk
