// The single-line edit: typing, caret and selection, clipboard, undo,
// notifications and scrolling, through synthetic keys and mouse.
#include "control_test_support.h"

namespace {

using ctltest::ControlTest;

constexpr DWORD kEditStyle = WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL;

class EditTest : public ControlTest {
 protected:
  HWND makeEdit(DWORD extra = 0, int width = 200) {
    HWND e = control(L"EDIT", kEditStyle | extra, RECT{40, 40, 40 + width, 64}, 7211);
    return e;
  }
  static std::pair<DWORD, DWORD> selection(HWND e) {
    DWORD a = 0, b = 0;
    SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
};

TEST_F(EditTest, TypingAndProgramChangesNotifySynchronously) {
  HWND e = makeEdit();
  EXPECT_TRUE(codes(7211).empty());
  SetFocus(e);
  EXPECT_EQ(codes(7211), std::vector<int>{EN_SETFOCUS});
  notifications.clear();
  type(L"ab");
  EXPECT_EQ(textOf(e), L"ab");
  EXPECT_EQ(codes(7211), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  // The text is already changed when EN_CHANGE arrives; the program's own
  // SetWindowTextW notifies as well.
  std::wstring seen;
  onCommand = [&](int, int code, HWND from) {
    if (code == EN_CHANGE) seen = textOf(from);
  };
  SetWindowTextW(e, L"Search...");
  EXPECT_EQ(seen, L"Search...");
  EXPECT_EQ(countCode(7211, EN_CHANGE), 3);
  SetFocus(main);
  EXPECT_EQ(codes(7211).back(), EN_KILLFOCUS);
}

TEST_F(EditTest, UnicodeInputAndKeysThatTypeNothing) {
  HWND e = makeEdit();
  SetFocus(e);
  type(L"Ωμ\U0001F600漢");
  key(VK_RETURN);
  key(VK_TAB);
  key(VK_ESCAPE);
  EXPECT_EQ(textOf(e), L"Ωμ\U0001F600漢");
  key(VK_BACK);
  EXPECT_EQ(textOf(e), L"Ωμ\U0001F600");
  key(VK_HOME);
  key(VK_DELETE);
  EXPECT_EQ(textOf(e), L"μ\U0001F600");
  // Keys typed into the edit never reach its parent (no application undo).
  EXPECT_EQ(wmtest::recorder().count(main, WM_KEYDOWN), 0);
  EXPECT_EQ(wmtest::recorder().count(main, WM_CHAR), 0);
}

TEST_F(EditTest, CaretWordJumpsAndShiftSelection) {
  HWND e = makeEdit();
  SetFocus(e);
  type(L"hello brave world");
  key(VK_HOME);
  ctrlKey(VK_RIGHT);
  EXPECT_EQ(selection(e), std::make_pair(6u, 6u));
  vk::headless::keyDown(VK_LSHIFT);
  vk::headless::keyDown(VK_LCONTROL);
  vk::headless::pressKey(VK_RIGHT);
  vk::headless::keyUp(VK_LCONTROL);
  vk::headless::keyUp(VK_LSHIFT);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(selection(e), std::make_pair(6u, 12u));
  shiftKey(VK_END);
  EXPECT_EQ(selection(e), std::make_pair(6u, 17u));
  key(VK_LEFT);  // collapses to the selection's start
  EXPECT_EQ(selection(e), std::make_pair(6u, 6u));
  ctrlKey(VK_LEFT);
  EXPECT_EQ(selection(e), std::make_pair(0u, 0u));
  type(L"X");
  EXPECT_EQ(textOf(e), L"Xhello brave world");
  SendMessageW(e, EM_SETSEL, 1, 6);
  type(L"J");
  EXPECT_EQ(textOf(e), L"XJ brave world");
}

TEST_F(EditTest, ClipboardCutCopyPaste) {
  HWND e = makeEdit();
  SetFocus(e);
  type(L"alpha beta");
  ctrlKey('A');
  ctrlKey('C');
  EXPECT_EQ(vk::headless::clipboard(), L"alpha beta");
  // The letter's own text with Ctrl held is the same shortcut.
  SendMessageW(e, EM_SETSEL, 0, 0);
  vk::headless::keyDown(VK_LCONTROL);
  vk::headless::pressKey('A', L"a");
  vk::headless::keyUp(VK_LCONTROL);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(selection(e), std::make_pair(0u, 10u));
  EXPECT_EQ(textOf(e), L"alpha beta");
  SendMessageW(e, EM_SETSEL, 0, 6);
  ctrlKey('X');
  EXPECT_EQ(textOf(e), L"beta");
  EXPECT_EQ(vk::headless::clipboard(), L"alpha ");
  key(VK_END);
  vk::platform::setClipboardText(L" gamma\nsecond line");
  ctrlKey('V');
  EXPECT_EQ(textOf(e), L"beta gamma");
  // The length limit truncates what is typed or pasted.
  SendMessageW(e, EM_LIMITTEXT, 12, 0);
  ctrlKey('V');
  EXPECT_EQ(textOf(e), L"beta gamma g");
  EXPECT_EQ(codes(7211).back(), EN_CHANGE);
}

TEST_F(EditTest, OneLevelUndoMergesTypingAndRedoesOnASecondUndo) {
  HWND e = makeEdit();
  SetFocus(e);
  type(L"abc");
  key(VK_BACK);
  EXPECT_EQ(textOf(e), L"ab");
  ctrlKey('Z');
  EXPECT_EQ(textOf(e), L"abc");
  ctrlKey('Z');
  EXPECT_EQ(textOf(e), L"ab");
  type(L"xy");
  ctrlKey('Z');
  EXPECT_EQ(textOf(e), L"ab");
  // The program's text has no undo.
  SetWindowTextW(e, L"set");
  EXPECT_FALSE(SendMessageW(e, EM_CANUNDO, 0, 0));
  ctrlKey('Z');
  EXPECT_EQ(textOf(e), L"set");
}

TEST_F(EditTest, ReadOnlyAllowsSelectionAndCopyOnly) {
  HWND e = control(L"EDIT", WS_CLIPSIBLINGS | ES_READONLY | ES_AUTOHSCROLL, RECT{40, 40, 240, 64}, 0, L"Mesh");
  EXPECT_EQ(colorRequests.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  SetFocus(e);
  type(L"zz");
  key(VK_BACK);
  ctrlKey('A');
  ctrlKey('X');
  vk::platform::setClipboardText(L"pasted");
  ctrlKey('V');
  EXPECT_EQ(textOf(e), L"Mesh");
  ctrlKey('A');
  ctrlKey('C');
  EXPECT_EQ(vk::headless::clipboard(), L"Mesh");
}

TEST_F(EditTest, ClickPlacesTheCaretDragSelectsDoubleClickSelectsAWord) {
  HWND e = makeEdit();
  HFONT font = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Segoe UI");
  SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowTextW(e, L"one two three");
  clickAt(e, 150, 10);  // past the end
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(selection(e), std::make_pair(13u, 13u));
  vk::headless::advanceClock(1000);
  clickAt(e, 2, 10);
  EXPECT_EQ(selection(e), std::make_pair(0u, 0u));
  vk::headless::advanceClock(1000);
  vk::headless::mouseDown(screenPoint(e, 2, 10));
  vk::headless::mouseMove(screenPoint(e, 190, 10));
  vk::headless::mouseUp(screenPoint(e, 190, 10));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(selection(e), std::make_pair(0u, 13u));
  vk::headless::advanceClock(1000);
  // A double click in the middle of "two" (2 px margin + "one t").
  HDC dc = GetDC(e);
  SelectObject(dc, font);
  SIZE prefix{};
  GetTextExtentPoint32W(dc, L"one t", 5, &prefix);
  ReleaseDC(e, dc);
  POINT p = screenPoint(e, 2 + prefix.cx, 10);
  vk::headless::click(p);
  vk::headless::click(p);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(selection(e), std::make_pair(4u, 7u));
  DeleteObject(font);
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretVisible) {
  HWND e = makeEdit(0, 60);
  SetFocus(e);
  type(L"0123456789012345678901234567890123456789");
  // A click at the right edge lands near the end: the text scrolled left.
  clickAt(e, 55, 10);
  EXPECT_GT(selection(e).first, 30u);
  key(VK_HOME);
  clickAt(e, 3, 10);
  EXPECT_EQ(selection(e).first, 0u);
}

TEST_F(EditTest, SelectionIsDrawnInHighlightColoursOnlyWhileFocused) {
  HWND e = makeEdit();
  SetWindowTextW(e, L"WWWW");
  SendMessageW(e, EM_SETSEL, 0, -1);
  vk::headless::pumpUntilIdle();
  auto count = [&](COLORREF c) {
    auto img = vk::headless::windowPixels(e);
    int n = 0;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) n += img.at(x, y) == c;
    return n;
  };
  COLORREF highlight = RGB(38, 93, 165);
  EXPECT_EQ(count(highlight), 0);
  SetFocus(e);
  vk::headless::pumpUntilIdle();
  EXPECT_GT(count(highlight), 20);
  EXPECT_GT(count(ctltest::kField), 100);  // the parent's brush
}

TEST_F(EditTest, CaretBlinksThenRestsShown) {
  HWND e = makeEdit();
  SetFocus(e);
  vk::headless::pumpUntilIdle();
  auto caretShown = [&] {
    auto img = vk::headless::windowPixels(e);
    return img.at(2, 8) != ctltest::kField;  // the caret at the start of the empty text
  };
  EXPECT_TRUE(caretShown());
  vk::headless::pumpFor(600);
  EXPECT_FALSE(caretShown());
  vk::headless::pumpFor(530);
  EXPECT_TRUE(caretShown());
  vk::headless::pumpFor(10000);
  EXPECT_TRUE(caretShown());
  // At rest no timer is left: time passes without a message.
  EXPECT_EQ(vk::headless::pumpUntilIdle(), 0);
  vk::headless::advanceClock(5000);
  EXPECT_EQ(vk::headless::pumpUntilIdle(), 0);
  type(L"x");  // typing wakes it
  vk::headless::advanceClock(600);
  EXPECT_GT(vk::headless::pumpUntilIdle(), 0);
}

}  // namespace
