// MessageBoxW: a modal box drawn in the studio's theme, with an icon per
// kind, keyboard answers and a text area that scrolls by whole lines when
// the text is long.
#include <algorithm>
#include <vector>

#include "platform/dialog_internal.h"
#include "platform/headless_responders.h"
#include "platform/line_scroll.h"
#include "platform/palette.h"

namespace vk::platform {

namespace {

constexpr const wchar_t* kBoxClass = L"VkMessageBox";
constexpr int kMargin = 20;
constexpr int kIconSize = 32;
constexpr int kButtonBand = 56;
constexpr int kScrollbarWidth = 12;
// Sizing and painting wrap the text alike; a word wider than a line (a long
// path) breaks across lines rather than lose its end past the box's edge.
constexpr UINT kTextFormat = DT_WORDBREAK | DT_VK_BREAKLONGWORDS | DT_EXPANDTABS | DT_NOPREFIX;

struct BoxState {
  UINT flags = 0;
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;
  std::vector<HWND> buttonWindows;
  int defaultIndex = 0;
  int result = 0;
  bool done = false;
  RECT textRect{};  // client coordinates of the visible text area: whole lines
  int textHeight = 0;
  LineScroll lines{};
  bool thumbDrag = false;
  int thumbGrab = 0;
  DialogFonts fonts;
};

std::vector<int> buttonsOf(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    default: return {IDOK};
  }
}

int defaultIndexOf(UINT flags) {
  int n = static_cast<int>(buttonsOf(flags).size());
  int index = static_cast<int>((flags & MB_DEFMASK) >> 8);
  return index < n ? index : 0;
}

const wchar_t* buttonText(int id) {
  switch (id) {
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    case IDCANCEL: return L"Cancel";
    default: return L"OK";
  }
}

// The answer of Escape and of closing the box: Cancel, OK on a lone OK box,
// none (0) on a Yes/No box.
int escapeAnswer(const BoxState& s) {
  for (int id : s.buttons)
    if (id == IDCANCEL) return IDCANCEL;
  return s.buttons.size() == 1 ? IDOK : 0;
}

ScrollGeometry boxScrollbar(const BoxState& s) {
  RECT bar{s.textRect.right + 4, s.textRect.top, s.textRect.right + 4 + kScrollbarWidth, s.textRect.bottom};
  return scrollGeometry(bar, s.lines.offset, s.lines.view, s.lines.view + s.lines.max);
}

void scrollTo(HWND hwnd, BoxState& s, int y) {
  y = snapLineScroll(s.lines, y);
  if (y == s.lines.offset) return;
  s.lines.offset = y;
  InvalidateRect(hwnd, nullptr, FALSE);
}

void drawIcon(HDC dc, UINT flags, RECT r) {
  UINT kind = flags & MB_ICONMASK;
  if (!kind) return;
  COLORREF fill = kind == MB_ICONHAND ? kMessageError : kind == MB_ICONEXCLAMATION ? kMessageWarning : kAccentBlue;
  const wchar_t* glyph = kind == MB_ICONHAND ? L"\u00D7" : kind == MB_ICONQUESTION ? L"?" : kind == MB_ICONASTERISK ? L"i" : L"!";
  HPEN pen = CreatePen(PS_SOLID, 1, fill);
  HBRUSH brush = CreateSolidBrush(fill);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  if (kind == MB_ICONEXCLAMATION) {
    POINT points[3] = {{(r.left + r.right) / 2, r.top + 1}, {r.right - 1, r.bottom - 3}, {r.left + 1, r.bottom - 3}};
    Polygon(dc, points, 3);
  } else {
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI");
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT glyphRect = r;
  if (kind == MB_ICONEXCLAMATION) glyphRect.top += 6;
  drawTextColor(dc, glyph, glyphRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                kind == MB_ICONEXCLAMATION ? kControlBackground : kWhite);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

void paintBox(HWND hwnd, BoxState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT c;
  GetClientRect(hwnd, &c);
  paintDialogFrame(dc, c, s.title, s.fonts.bold);
  drawIcon(dc, s.flags, RECT{kMargin, kDialogTitleHeight + kMargin, kMargin + kIconSize, kDialogTitleHeight + kMargin + kIconSize});
  fillColor(dc, RECT{1, c.bottom - kButtonBand, c.right - 1, c.bottom - 1}, kControlBackground);
  HGDIOBJ oldFont = SelectObject(dc, s.fonts.text);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, s.textRect.left, s.textRect.top, s.textRect.right, s.textRect.bottom);
  RECT textArea{s.textRect.left, s.textRect.top - s.lines.offset, s.textRect.right,
                s.textRect.top - s.lines.offset + s.textHeight};
  drawTextColor(dc, s.text, textArea, kTextFormat, kTextControl);
  RestoreDC(dc, saved);
  if (s.lines.max > 0) drawScrollbar(dc, boxScrollbar(s), s.thumbDrag);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void answer(BoxState& s, int id) {
  if (id == 0) return;
  s.result = id;
  s.done = true;
}

void moveFocus(BoxState& s, int step) {
  int n = static_cast<int>(s.buttonWindows.size());
  s.defaultIndex = ((s.defaultIndex + step) % n + n) % n;
  SetFocus(s.buttonWindows[static_cast<std::size_t>(s.defaultIndex)]);
  for (HWND b : s.buttonWindows) InvalidateRect(b, nullptr, FALSE);
}

// Keys of the box, as the platform's dialog manager handles them.
bool filterBoxKey(HWND box, BoxState& s, const MSG& m) {
  if (m.message != WM_KEYDOWN && m.message != WM_CHAR && m.message != WM_SYSKEYDOWN) return false;
  if (m.hwnd != box && GetParent(m.hwnd) != box) return false;
  if (m.message == WM_CHAR) return m.wParam == L'\r' || m.wParam == 0x1B || m.wParam == L'\t';
  if (m.message == WM_SYSKEYDOWN) {
    if (m.wParam == VK_F4) answer(s, escapeAnswer(s));
    return m.wParam == VK_F4;
  }
  switch (m.wParam) {
    case VK_RETURN: answer(s, s.buttons[static_cast<std::size_t>(s.defaultIndex)]); return true;
    case VK_ESCAPE: answer(s, escapeAnswer(s)); return true;
    case VK_TAB: moveFocus(s, shiftDown() ? -1 : 1); return true;
    case VK_LEFT: moveFocus(s, -1); return true;
    case VK_RIGHT: moveFocus(s, 1); return true;
    case VK_UP: scrollTo(box, s, s.lines.offset - s.lines.lineHeight); return true;
    case VK_DOWN: scrollTo(box, s, s.lines.offset + s.lines.lineHeight); return true;
    case VK_PRIOR: scrollTo(box, s, pageLineScroll(s.lines, -1)); return true;
    case VK_NEXT: scrollTo(box, s, pageLineScroll(s.lines, 1)); return true;
    case VK_HOME: scrollTo(box, s, 0); return true;
    case VK_END: scrollTo(box, s, s.lines.max); return true;
    case 'Y':
    case 'N':
      for (int id : s.buttons)
        if ((id == IDYES && m.wParam == 'Y') || (id == IDNO && m.wParam == 'N')) answer(s, id);
      return true;
    default: return false;
  }
}

void scrollbarPress(HWND hwnd, BoxState& s, POINT p) {
  ScrollGeometry g = boxScrollbar(s);
  if (!PtInRect(&g.bar, p)) return;
  if (PtInRect(&g.up, p)) scrollTo(hwnd, s, s.lines.offset - s.lines.lineHeight);
  else if (PtInRect(&g.down, p)) scrollTo(hwnd, s, s.lines.offset + s.lines.lineHeight);
  else if (PtInRect(&g.thumb, p)) {
    s.thumbDrag = true;
    s.thumbGrab = p.y - g.thumb.top;
    SetCapture(hwnd);
    InvalidateRect(hwnd, nullptr, FALSE);
  } else {
    scrollTo(hwnd, s, pageLineScroll(s.lines, p.y < g.thumb.top ? -1 : 1));
  }
}

LRESULT CALLBACK boxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = borrowedState<BoxState>(hwnd, msg, lParam);
  if (!s || msg == WM_NCCREATE || msg == WM_NCDESTROY) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paintBox(hwnd, *s); return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      bool isDefault = item->hwndItem == s->buttonWindows[static_cast<std::size_t>(s->defaultIndex)];
      drawDialogButton(*item, isDefault);
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED) answer(*s, LOWORD(wParam));
      return 0;
    case WM_CLOSE: answer(*s, escapeAnswer(*s)); return 0;
    case WM_MOUSEWHEEL:
      scrollTo(hwnd, *s, wheelLineScroll(s->lines, GET_WHEEL_DELTA_WPARAM(wParam)));
      return 0;
    case WM_LBUTTONDOWN:
      if (s->lines.max > 0) scrollbarPress(hwnd, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      if (s->thumbDrag) {
        ScrollGeometry g = boxScrollbar(*s);
        const int thumbTop = GET_Y_LPARAM(lParam) - s->thumbGrab;
        scrollTo(hwnd, *s, scrollFromThumb(g, thumbTop, s->lines.view, s->lines.view + s->lines.max));
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->thumbDrag) {
        s->thumbDrag = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// Sizes the box to its text within the work area and creates it.
HWND createBox(HWND owner, BoxState& s) {
  RECT work = workAreaFor(owner);
  int workWidth = work.right - work.left;
  int workHeight = work.bottom - work.top;
  int n = static_cast<int>(s.buttons.size());
  int buttonsWidth = n * kDialogButtonWidth + (n - 1) * 8 + 2 * kMargin;
  int iconSpace = (s.flags & MB_ICONMASK) ? kIconSize + 16 : 0;
  int maxWidth = std::max(200, std::min(600, workWidth - 40));
  const int textExtras = 2 * kMargin + iconSpace + kScrollbarWidth + 4;
  const int textMax = maxWidth - textExtras;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, s.fonts.text);
  auto measureAt = [&](int wrapWidth) {
    RECT measure{0, 0, wrapWidth, 0};
    DrawTextW(dc, s.text.c_str(), static_cast<int>(s.text.size()), &measure, DT_CALCRECT | kTextFormat);
    return measure;
  };
  const RECT measure = measureAt(textMax);
  int width = std::clamp<int>(measure.right + textExtras, std::max(320, buttonsWidth), std::max(maxWidth, buttonsWidth));
  // The height at the width the text is painted in, so that the scrolling
  // covers exactly the lines painted.
  const int paintWidth = width - textExtras;
  s.textHeight = paintWidth == textMax ? measure.bottom : measureAt(paintWidth).bottom;
  s.lines.lineHeight = fontLineHeight(dc);
  if (old) SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  s.textHeight = std::max(s.textHeight, s.lines.lineHeight);
  // A text taller than the work area allows shows the whole lines that fit,
  // and the box closes up below them.
  const int frame = kDialogTitleHeight + 2 * kMargin + kButtonBand;
  const int maxHeight = std::max(frame + 3 * s.lines.lineHeight, workHeight - 40);
  const int panel = std::min(std::max(s.textHeight, iconSpace ? kIconSize : 0), maxHeight - frame);
  fitLineScroll(s.lines, panel, s.textHeight);
  int height = frame + s.lines.view;
  int textLeft = kMargin + iconSpace;
  s.textRect = RECT{textLeft, kDialogTitleHeight + kMargin, textLeft + paintWidth, kDialogTitleHeight + kMargin + s.lines.view};
  RECT r = centredRect(owner, width, height);
  HWND box = CreateWindowExW(WS_EX_DLGMODALFRAME, kBoxClass, s.title.c_str(), WS_POPUP | WS_CLIPCHILDREN, r.left, r.top,
                             width, height, owner, nullptr, nullptr, &s);
  if (!box) return nullptr;
  RECT c;
  GetClientRect(box, &c);
  int x = c.right - kMargin - n * kDialogButtonWidth - (n - 1) * 8;
  int y = c.bottom - kButtonBand + (kButtonBand - kDialogButtonHeight) / 2;
  for (int id : s.buttons) {
    s.buttonWindows.push_back(createDialogButton(box, buttonText(id), id, RECT{x, y, x + kDialogButtonWidth, y + kDialogButtonHeight}, s.fonts.bold));
    x += kDialogButtonWidth + 8;
  }
  return box;
}

}  // namespace

int messageBoxDefaultAnswer(UINT flags) {
  return buttonsOf(flags)[static_cast<std::size_t>(defaultIndexOf(flags))];
}

void registerDialogClasses() {
  registerLayerClass(kBoxClass, boxProc, 0);
  registerFileDialogClass();
}

}  // namespace vk::platform

using namespace vk::platform;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  vk::headless::MessageBoxRecord record;
  record.owner = owner;
  record.title = caption ? caption : L"Error";
  record.text = text ? text : L"";
  record.flags = type;
  if (scriptMessageBox(record) == ScriptOutcome::Answered) return record.result;
  BoxState s;
  s.flags = type;
  s.title = record.title;
  s.text = record.text;
  s.buttons = buttonsOf(type);
  s.defaultIndex = defaultIndexOf(type);
  ModalOwner modal = beginModal(owner);
  HWND box = createBox(modal.window, s);
  if (!box) {
    endModal(modal, nullptr);
    return 0;
  }
  ShowWindow(box, SW_SHOW);
  SetFocus(s.buttonWindows[static_cast<std::size_t>(s.defaultIndex)]);
  bool ok = runModalLoop([&] { return s.done || !IsWindow(box); },
                         [&](const MSG& m) { return filterBoxKey(box, s, m); });
  endModal(modal, box);
  record.result = ok ? s.result : 0;
  recordMessageBox(record);
  return record.result;
}
