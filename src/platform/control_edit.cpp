// "EDIT", single line: caret, selection, clipboard, one-level undo,
// horizontal auto-scroll and the EN_* notifications.
//
// Sections:
//   - Edit state, caret and scrolling
//   - Editing
//   - Keys, painting and the window procedure
#include <algorithm>
#include <vector>

#include "platform/controls_internal.h"
#include "platform/kernel.h"

namespace vk::platform {

namespace {

constexpr int kMarginX = 2;
constexpr int kMarginY = 1;
constexpr UINT_PTR kBlinkTimer = 0x4544;
constexpr UINT kBlinkMs = 530;
// The caret stops blinking (and stays shown) after about five idle seconds,
// as the platform's caret does; no timer runs on forever in an idle edit.
constexpr int kBlinksBeforeRest = 10;
constexpr std::size_t kEditDefaultTextLimit = 32767;

// ---- Edit state, caret and scrolling ----------------------------------------
struct EditState {
  HFONT font = nullptr;
  std::wstring text;
  std::size_t caret = 0;
  std::size_t anchor = 0;  // the other end of the selection
  int scrollX = 0;
  bool focused = false;
  bool caretOn = false;
  int blinks = 0;
  bool dragging = false;
  bool modified = false;
  std::size_t limit = kEditDefaultTextLimit;
  // One level of undo; consecutive typing merges into one step.
  bool canUndo = false;
  std::wstring undoText;
  std::size_t undoCaret = 0;
  std::size_t undoAnchor = 0;
  bool typingRun = false;
  // Left edges of every character and the end, for the current text and font.
  std::vector<int> edges;
  bool edgesValid = false;
};

bool readOnly(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY) != 0; }

std::size_t selStart(const EditState* s) { return std::min(s->caret, s->anchor); }
std::size_t selEnd(const EditState* s) { return std::max(s->caret, s->anchor); }

const std::vector<int>& edgesOf(HWND hwnd, EditState* s) {
  if (s->edgesValid) return s->edges;
  s->edges.assign(1, 0);
  s->edges.reserve(s->text.size() + 1);
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, s->font ? s->font : defaultUiFont());
  int x = 0;
  for (wchar_t c : s->text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, &c, 1, &size);
    x += size.cx;
    s->edges.push_back(x);
  }
  if (old) SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  s->edgesValid = true;
  return s->edges;
}

int textAreaWidth(HWND hwnd) {
  RECT c;
  GetClientRect(hwnd, &c);
  return std::max<int>(1, c.right - 2 * kMarginX);
}

// Scrolls so the caret stays visible, jumping a third of the width at a time.
void scrollToCaret(HWND hwnd, EditState* s) {
  const auto& e = edgesOf(hwnd, s);
  int width = textAreaWidth(hwnd);
  int x = e[s->caret];
  if (x < s->scrollX) s->scrollX = std::max(0, x - width / 3);
  else if (x > s->scrollX + width - 1) s->scrollX = x - width + 1 + width / 3;
  int maxScroll = std::max(0, e.back() - width + 1);
  s->scrollX = std::clamp(s->scrollX, 0, std::max(maxScroll, std::min(s->scrollX, x)));
}

std::size_t hitIndex(HWND hwnd, EditState* s, int clientX) {
  const auto& e = edgesOf(hwnd, s);
  int x = clientX - kMarginX + s->scrollX;
  for (std::size_t i = 0; i + 1 < e.size(); ++i)
    if (x < (e[i] + e[i + 1] + 1) / 2) return i;
  return s->text.size();
}

bool isWordChar(wchar_t c) { return !vk::isAsciiSpace(c) && c != L'\t'; }

std::size_t wordLeft(const std::wstring& t, std::size_t i) {
  while (i > 0 && !isWordChar(t[i - 1])) --i;
  while (i > 0 && isWordChar(t[i - 1])) --i;
  return i;
}

std::size_t wordRight(const std::wstring& t, std::size_t i) {
  while (i < t.size() && isWordChar(t[i])) ++i;
  while (i < t.size() && !isWordChar(t[i])) ++i;
  return i;
}

void restartBlink(HWND hwnd, EditState* s) {
  if (!s->focused) return;
  s->caretOn = true;
  s->blinks = 0;
  SetTimer(hwnd, kBlinkTimer, kBlinkMs, nullptr);
}

void changed(HWND hwnd, EditState* s, bool scroll) {
  if (scroll) scrollToCaret(hwnd, s);
  restartBlink(hwnd, s);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void moveCaret(HWND hwnd, EditState* s, std::size_t to, bool extend) {
  s->caret = std::min(to, s->text.size());
  if (!extend) s->anchor = s->caret;
  s->typingRun = false;
  changed(hwnd, s, true);
}

// ---- Editing ----------------------------------------------------------------
// Replaces the selection with `insert` as the user would; false when nothing changed.
bool replaceSelection(HWND hwnd, EditState* s, const std::wstring& insert, bool typing, bool withUndo = true) {
  std::size_t a = selStart(s), b = selEnd(s);
  std::wstring piece = insert;
  std::size_t room = s->limit > s->text.size() - (b - a) ? s->limit - (s->text.size() - (b - a)) : 0;
  bool truncated = piece.size() > room;
  if (truncated) piece.resize(room);
  if (a == b && piece.empty()) {
    if (truncated) notifyParent(hwnd, EN_MAXTEXT);
    return false;
  }
  if (withUndo && !(typing && s->typingRun && a == b)) {
    s->undoText = s->text;
    s->undoCaret = s->caret;
    s->undoAnchor = s->anchor;
    s->canUndo = true;
  }
  s->typingRun = typing;
  s->text.replace(a, b - a, piece);
  s->caret = s->anchor = a + piece.size();
  s->edgesValid = false;
  s->modified = true;
  return true;
}

void sendChangeNotifications(HWND hwnd) {
  // The window manager's copy of the text follows, without a second WM_SETTEXT.
  if (EditState* s = stateOf<EditState>(hwnd))
    DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s->text.c_str()));
  notifyParent(hwnd, EN_UPDATE);
  if (!IsWindow(hwnd)) return;
  if (EditState* s = stateOf<EditState>(hwnd)) changed(hwnd, s, true);
  notifyParent(hwnd, EN_CHANGE);
}

// A user edit: the text changes, then EN_UPDATE and EN_CHANGE.
void userEdit(HWND hwnd, EditState* s, const std::wstring& insert, bool typing) {
  if (readOnly(hwnd)) return;
  if (!replaceSelection(hwnd, s, insert, typing)) return;
  sendChangeNotifications(hwnd);
}

void deleteRange(HWND hwnd, EditState* s, std::size_t from, std::size_t to) {
  if (readOnly(hwnd) || from >= to) return;
  s->anchor = from;
  s->caret = to;
  s->typingRun = false;
  userEdit(hwnd, s, L"", false);
}

void copySelection(EditState* s) {
  if (selStart(s) == selEnd(s)) return;
  setClipboardText(s->text.substr(selStart(s), selEnd(s) - selStart(s)));
}

void undo(HWND hwnd, EditState* s) {
  if (!s->canUndo || readOnly(hwnd)) return;
  std::swap(s->text, s->undoText);
  std::swap(s->caret, s->undoCaret);
  std::swap(s->anchor, s->undoAnchor);
  s->caret = std::min(s->caret, s->text.size());
  s->anchor = std::min(s->anchor, s->text.size());
  s->typingRun = false;
  s->edgesValid = false;
  s->modified = true;
  sendChangeNotifications(hwnd);
}

void selectWordAt(HWND hwnd, EditState* s, std::size_t i) {
  const std::wstring& t = s->text;
  std::size_t a = i, b = i;
  if (i < t.size() && isWordChar(t[i])) {
    while (a > 0 && isWordChar(t[a - 1])) --a;
    while (b < t.size() && isWordChar(t[b])) ++b;
  } else {
    while (a > 0 && !isWordChar(t[a - 1])) --a;
    while (b < t.size() && !isWordChar(t[b])) ++b;
  }
  s->anchor = a;
  s->caret = b;
  changed(hwnd, s, true);
}

// ---- Keys, painting and the window procedure --------------------------------
void keyDown(HWND hwnd, EditState* s, WPARAM key) {
  bool shift = shiftDown();
  bool ctrl = controlDown();
  std::size_t n = s->text.size();
  bool hasSel = selStart(s) != selEnd(s);
  switch (key) {
    case VK_LEFT:
      if (!shift && hasSel && !ctrl) moveCaret(hwnd, s, selStart(s), false);
      else moveCaret(hwnd, s, ctrl ? wordLeft(s->text, s->caret) : (s->caret > 0 ? s->caret - 1 : 0), shift);
      break;
    case VK_RIGHT:
      if (!shift && hasSel && !ctrl) moveCaret(hwnd, s, selEnd(s), false);
      else moveCaret(hwnd, s, ctrl ? wordRight(s->text, s->caret) : std::min(n, s->caret + 1), shift);
      break;
    case VK_HOME: moveCaret(hwnd, s, 0, shift); break;
    case VK_END: moveCaret(hwnd, s, n, shift); break;
    case VK_DELETE:
      if (hasSel) {
        if (shift) copySelection(s);
        userEdit(hwnd, s, L"", false);
      } else if (s->caret < n) {
        deleteRange(hwnd, s, s->caret, ctrl ? wordRight(s->text, s->caret) : s->caret + 1);
      }
      break;
    case VK_INSERT:
      if (ctrl) copySelection(s);
      else if (shift) userEdit(hwnd, s, clipboardText(), false);
      break;
    default: break;
  }
}

void charTyped(HWND hwnd, EditState* s, wchar_t c) {
  bool alt = GetKeyState(VK_MENU) < 0;
  // A backend may report Ctrl+letter with the letter's text: the same shortcut.
  if (controlDown() && !alt && vk::isAsciiAlpha(c)) c = static_cast<wchar_t>(vk::asciiUpper(c) - L'A' + 1);
  switch (c) {
    case 0x01:
      s->anchor = 0;
      s->caret = s->text.size();
      changed(hwnd, s, true);
      return;
    case 0x03: copySelection(s); return;
    case 0x16: {
      std::wstring clip = clipboardText();
      // A single-line edit keeps only the first line of what is pasted.
      std::size_t end = clip.find_first_of(L"\r\n");
      if (end != std::wstring::npos) clip.resize(end);
      userEdit(hwnd, s, clip, false);
      return;
    }
    case 0x18:
      if (readOnly(hwnd)) return;
      copySelection(s);
      userEdit(hwnd, s, L"", false);
      return;
    case 0x1A: undo(hwnd, s); return;
    case 0x08:
      if (selStart(s) != selEnd(s)) userEdit(hwnd, s, L"", false);
      else if (s->caret > 0) deleteRange(hwnd, s, s->caret - 1, s->caret);
      return;
    case 0x7F:  // Ctrl+Backspace
      if (s->caret > 0) deleteRange(hwnd, s, wordLeft(s->text, s->caret), s->caret);
      return;
    default: break;
  }
  if (c < 0x20 || (controlDown() && !alt)) return;  // Enter, Tab, Escape and other control keys do nothing
  userEdit(hwnd, s, std::wstring(1, c), true);
}

void paintEdit(HWND hwnd, EditState* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT c;
  GetClientRect(hwnd, &c);
  bool enabled = IsWindowEnabled(hwnd);
  UINT colorMessage = (readOnly(hwnd) || !enabled) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  HBRUSH brush = askColors(hwnd, dc, colorMessage, kTextControl);
  fillWith(dc, c, brush, kFieldBackground);
  HGDIOBJ oldFont = SelectObject(dc, s->font ? s->font : defaultUiFont());
  if (!enabled) SetTextColor(dc, kTextDisabled);
  const auto& e = edgesOf(hwnd, s);
  int h = fontLineHeight(dc);
  int x0 = kMarginX - s->scrollX;
  IntersectClipRect(dc, c.left + kMarginX, c.top, c.right - kMarginX, c.bottom);
  std::size_t a = selStart(s), b = selEnd(s);
  bool showSel = a != b && (s->focused || (GetWindowLongW(hwnd, GWL_STYLE) & ES_NOHIDESEL));
  if (!showSel) a = b = s->text.size();
  TextOutW(dc, x0, kMarginY, s->text.c_str(), static_cast<int>(a));
  if (b > a) {
    fillColor(dc, RECT{x0 + e[a], kMarginY, x0 + e[b], kMarginY + h}, kSelectionFill);
    COLORREF oldColor = SetTextColor(dc, kTextMenuSelected);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, x0 + e[a], kMarginY, s->text.c_str() + a, static_cast<int>(b - a));
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
  }
  if (b < s->text.size())
    TextOutW(dc, x0 + e[b], kMarginY, s->text.c_str() + b, static_cast<int>(s->text.size() - b));
  if (s->focused && s->caretOn) {
    int x = x0 + e[s->caret];
    fillColor(dc, RECT{x, kMarginY, x + 1, kMarginY + h}, GetTextColor(dc));
  }
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void setTextFromProgram(EditState* s, LPCWSTR text) {
  s->text = text ? text : L"";
  s->caret = s->anchor = 0;
  s->scrollX = 0;
  s->edgesValid = false;
  s->canUndo = false;
  s->typingRun = false;
  s->modified = false;
}

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  EditState* s = ownedState<EditState>(hwnd, msg);
  if (!s) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName) s->text = cs->lpszName;
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paintEdit(hwnd, s); return 0;
    case WM_SETFONT:
    case WM_GETFONT: {
      LRESULT r = 0;
      handleCommonMessage(hwnd, msg, wParam, lParam, s->font, r);
      s->edgesValid = false;
      return r;
    }
    case WM_SETTEXT:
      DefWindowProcW(hwnd, msg, wParam, lParam);
      setTextFromProgram(s, reinterpret_cast<LPCWSTR>(lParam));
      // The program's own changes notify too, as the platform's edit does.
      sendChangeNotifications(hwnd);
      return TRUE;
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      std::size_t n = std::min<std::size_t>(wParam - 1, s->text.size());
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      std::copy_n(s->text.data(), n, out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(s->text.size());
    case WM_SIZE:
      scrollToCaret(hwnd, s);
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      restartBlink(hwnd, s);
      InvalidateRect(hwnd, nullptr, FALSE);
      notifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      s->dragging = false;
      KillTimer(hwnd, kBlinkTimer);
      InvalidateRect(hwnd, nullptr, FALSE);
      notifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_TIMER:
      if (wParam != kBlinkTimer) return DefWindowProcW(hwnd, msg, wParam, lParam);
      s->caretOn = !s->caretOn;
      if (++s->blinks >= kBlinksBeforeRest && s->caretOn) KillTimer(hwnd, kBlinkTimer);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN: {
      if (!focusOnClick(hwnd)) return 0;
      SetCapture(hwnd);
      s->dragging = true;
      moveCaret(hwnd, s, hitIndex(hwnd, s, GET_X_LPARAM(lParam)), (wParam & MK_SHIFT) != 0);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      if (!focusOnClick(hwnd)) return 0;
      selectWordAt(hwnd, s, hitIndex(hwnd, s, GET_X_LPARAM(lParam)));
      return 0;
    case WM_MOUSEMOVE:
      if (s->dragging) moveCaret(hwnd, s, hitIndex(hwnd, s, GET_X_LPARAM(lParam)), true);
      return 0;
    case WM_LBUTTONUP:
      if (s->dragging) {
        s->dragging = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED: s->dragging = false; return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
        return TRUE;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_KEYDOWN: keyDown(hwnd, s, wParam); return 0;
    case WM_CHAR: charTyped(hwnd, s, static_cast<wchar_t>(wParam)); return 0;
    case WM_KEYUP: return 0;
    case WM_COPY: copySelection(s); return 0;
    case WM_CUT: charTyped(hwnd, s, 0x18); return 0;
    case WM_PASTE: charTyped(hwnd, s, 0x16); return 0;
    case WM_CLEAR:
      if (selStart(s) != selEnd(s)) userEdit(hwnd, s, L"", false);
      return 0;
    case WM_UNDO:
    case EM_UNDO: undo(hwnd, s); return s->canUndo ? TRUE : FALSE;
    case EM_CANUNDO: return s->canUndo ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER: s->canUndo = false; return 0;
    case EM_GETSEL: {
      auto a = static_cast<DWORD>(selStart(s)), b = static_cast<DWORD>(selEnd(s));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = a;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = b;
      return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_SETSEL: {
      auto start = static_cast<INT_PTR>(static_cast<int>(wParam));
      auto end = static_cast<INT_PTR>(static_cast<int>(lParam));
      std::size_t n = s->text.size();
      if (start < 0) {
        s->anchor = s->caret;  // deselect
      } else {
        s->anchor = std::min<std::size_t>(static_cast<std::size_t>(start), n);
        s->caret = end < 0 ? n : std::min<std::size_t>(static_cast<std::size_t>(end), n);
      }
      s->typingRun = false;
      changed(hwnd, s, true);
      return 0;
    }
    case EM_SCROLLCARET: changed(hwnd, s, true); return TRUE;
    case EM_REPLACESEL:
      if (replaceSelection(hwnd, s, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", false, wParam != 0))
        sendChangeNotifications(hwnd);
      return 0;
    case EM_LIMITTEXT:
      s->limit = wParam ? static_cast<std::size_t>(wParam) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(s->limit);
    case EM_GETMODIFY: return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY: s->modified = wParam != 0; return 0;
    case EM_SETREADONLY: {
      LONG style = GetWindowLongW(hwnd, GWL_STYLE);
      SetWindowLongW(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    default: {
      LRESULT r = 0;
      return handleCommonMessage(hwnd, msg, wParam, lParam, s->font, r) ? r : DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  }
}

}  // namespace

void registerEditClass() { registerLayerClass(L"Edit", editProc, CS_DBLCLKS, IDC_IBEAM); }

}  // namespace vk::platform
