// The owner-drawn list box: rows, selection by mouse and keys, scrolling,
// hit testing and the drawing requests it sends its parent.
#include "control_test_support.h"

namespace {

using ctltest::ControlTest;
using vk::headless::Button;

constexpr DWORD kListStyle =
    WS_CLIPSIBLINGS | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;

class ListBoxTest : public ControlTest {
 protected:
  // 200 x 100: three whole rows of 30 and 10 px left over.
  HWND makeList(int items) {
    HWND l = control(L"LISTBOX", kListStyle, RECT{20, 20, 220, 120}, 2001);
    for (int i = 0; i < items; ++i) {
      std::wstring text = L"Item " + std::to_wstring(i);
      int at = static_cast<int>(SendMessageW(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
      SendMessageW(l, LB_SETITEMDATA, static_cast<WPARAM>(at), 1000 + i);
    }
    vk::headless::pumpUntilIdle();
    return l;
  }
  static int sel(HWND l) { return static_cast<int>(SendMessageW(l, LB_GETCURSEL, 0, 0)); }
  static int top(HWND l) { return static_cast<int>(SendMessageW(l, LB_GETTOPINDEX, 0, 0)); }
  // The drawing requests of the last full repaint, item ids in order.
  std::vector<int> paintedIds() {
    draws.clear();
    InvalidateRect(GetDlgItem(main, 2001), nullptr, TRUE);
    vk::headless::pumpUntilIdle();
    std::vector<int> ids;
    for (const auto& d : draws) ids.push_back(static_cast<int>(d.itemID));
    return ids;
  }
};

TEST_F(ListBoxTest, MeasuredOnceAtCreationAndDrawnPerVisibleRow) {
  HWND l = makeList(5);
  EXPECT_EQ(wmtest::recorder().count(main, WM_MEASUREITEM), 1);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMHEIGHT, 0, 0), 30);
  EXPECT_EQ(paintedIds(), (std::vector<int>{0, 1, 2}));  // whole rows only
  const DRAWITEMSTRUCT& d = draws[1];
  EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_LISTBOX));
  EXPECT_EQ(d.CtlID, 2001u);
  EXPECT_EQ(d.itemData, 1001u);
  EXPECT_EQ(d.rcItem.top, 30);
  EXPECT_EQ(d.rcItem.right, 200 - GetSystemMetrics(SM_CXVSCROLL));  // the scrollbar is showing
  EXPECT_EQ(d.itemAction, static_cast<UINT>(ODA_DRAWENTIRE));
  // Below the rows: the parent's list-box brush.
  auto pixels = vk::headless::windowPixels(l);
  EXPECT_EQ(pixels.at(10, 95), ctltest::kPanel);
  EXPECT_EQ(wmtest::recorder().count(main, WM_MEASUREITEM), 1);
}

TEST_F(ListBoxTest, ShortListHasNoScrollbarAndEmptyFocusedListDrawsTheFocusOnly) {
  HWND l = makeList(2);
  paintedIds();
  EXPECT_EQ(draws[0].rcItem.right, 200);
  SendMessageW(l, LB_RESETCONTENT, 0, 0);
  SetFocus(l);
  EXPECT_EQ(paintedIds(), std::vector<int>{-1});
  EXPECT_EQ(draws[0].itemAction, static_cast<UINT>(ODA_FOCUS));
  EXPECT_TRUE(draws[0].itemState & ODS_FOCUS);
  EXPECT_EQ(codes(2001), std::vector<int>{LBN_SETFOCUS});
}

TEST_F(ListBoxTest, ClickSelectsAndNotifiesRightClickDoesNot) {
  HWND l = makeList(5);
  clickAt(l, 50, 45);
  EXPECT_EQ(sel(l), 1);
  EXPECT_EQ(GetFocus(), l);
  EXPECT_EQ(codes(2001), (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE}));
  vk::headless::advanceClock(1000);
  clickAt(l, 50, 45);  // the same row: nothing changes
  EXPECT_EQ(countCode(2001, LBN_SELCHANGE), 1);
  vk::headless::advanceClock(1000);
  clickAt(l, 50, 15, Button::Right);
  EXPECT_EQ(sel(l), 1);
  auto menus = wmtest::recorder().of(WM_CONTEXTMENU);
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(menus[0].wParam), l);
  // A double click reports LBN_DBLCLK; a drag follows the pointer.
  vk::headless::advanceClock(1000);
  clickAt(l, 50, 75);
  clickAt(l, 50, 75);
  EXPECT_EQ(codes(2001).back(), LBN_DBLCLK);
  vk::headless::advanceClock(1000);
  vk::headless::mouseDown(screenPoint(l, 50, 5));
  vk::headless::mouseMove(screenPoint(l, 50, 40));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(sel(l), 1);
  vk::headless::mouseUp(screenPoint(l, 50, 40));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(codes(2001).back(), LBN_SELCHANGE);
}

TEST_F(ListBoxTest, ItemFromPointBelowTheLastItemIsOutside) {
  HWND l = makeList(2);
  LRESULT on = SendMessageW(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(10, 35));
  EXPECT_EQ(LOWORD(on), 1);
  EXPECT_EQ(HIWORD(on), 0);
  LRESULT below = SendMessageW(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(10, 75));
  EXPECT_EQ(LOWORD(below), 1);
  EXPECT_EQ(HIWORD(below), 1);
  SendMessageW(l, LB_SETCURSEL, 0, 0);
  clickAt(l, 50, 75);  // empty area: the selection stays
  EXPECT_EQ(sel(l), 0);
  EXPECT_EQ(countCode(2001, LBN_SELCHANGE), 0);
}

TEST_F(ListBoxTest, SetCurSelScrollsWithoutNotifyingAndBadIndexesFail) {
  HWND l = makeList(20);
  notifications.clear();
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, 12, 0), 12);
  EXPECT_EQ(sel(l), 12);
  EXPECT_EQ(top(l), 10);
  EXPECT_TRUE(notifications.empty());
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);
  EXPECT_EQ(sel(l), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_GETTEXTLEN, 20, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, static_cast<WPARAM>(-1), 0), LB_ERR);
  wchar_t text[32];
  EXPECT_EQ(SendMessageW(l, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_EQ(std::wstring(text), L"Item 3");
  SendMessageW(l, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(top(l), 0);
  EXPECT_EQ(SendMessageW(l, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ListBoxTest, KeysMoveTheSelectionAndTypeAheadFindsItems) {
  HWND l = control(L"LISTBOX", kListStyle, RECT{20, 20, 220, 120}, 2001);
  for (const wchar_t* name : {L"Camera", L"Cube", L"Light", L"Cone", L"Sphere", L"Plane", L"Curve"})
    SendMessageW(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SetFocus(l);
  key(VK_DOWN);
  EXPECT_EQ(sel(l), 0);
  key(VK_DOWN);
  key(VK_DOWN);
  EXPECT_EQ(sel(l), 2);
  key(VK_UP);
  EXPECT_EQ(sel(l), 1);
  key(VK_END);
  EXPECT_EQ(sel(l), 6);
  EXPECT_EQ(top(l), 4);
  key(VK_PRIOR);
  EXPECT_EQ(sel(l), 4);
  key(VK_HOME);
  EXPECT_EQ(sel(l), 0);
  EXPECT_EQ(top(l), 0);
  key(VK_NEXT);
  EXPECT_EQ(sel(l), 2);
  EXPECT_EQ(countCode(2001, LBN_SELCHANGE), 8);
  key(VK_HOME);  // no change, no notification
  key(VK_HOME);
  EXPECT_EQ(countCode(2001, LBN_SELCHANGE), 9);
  vk::headless::advanceClock(2000);
  type(L"s");
  EXPECT_EQ(sel(l), 4);
  vk::headless::advanceClock(2000);
  type(L"c");
  EXPECT_EQ(sel(l), 6);  // the next item starting with c, wrapping
  type(L"c");
  EXPECT_EQ(sel(l), 0);
  vk::headless::advanceClock(2000);
  type(L"cu");
  EXPECT_EQ(sel(l), 1);
}

TEST_F(ListBoxTest, WheelScrollsThreeRowsAndInvalidationKeepsThePosition) {
  HWND l = makeList(20);
  vk::headless::wheel(screenPoint(l, 50, 50), -WHEEL_DELTA);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(top(l), 3);
  vk::headless::wheel(screenPoint(l, 50, 50), -2 * WHEEL_DELTA);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(top(l), 9);
  EXPECT_EQ(paintedIds(), (std::vector<int>{9, 10, 11}));
  EXPECT_EQ(top(l), 9);
  vk::headless::wheel(screenPoint(l, 50, 50), 10 * WHEEL_DELTA);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(top(l), 0);
  EXPECT_EQ(wmtest::recorder().count(main, WM_MOUSEWHEEL), 0);  // the list keeps its wheel
  SendMessageW(l, LB_SETTOPINDEX, 100, 0);
  EXPECT_EQ(top(l), 0);
  SendMessageW(l, LB_SETTOPINDEX, 19, 0);
  EXPECT_EQ(top(l), 17);
}

TEST_F(ListBoxTest, ScrollbarArrowsTrackAndThumbDrag) {
  HWND l = makeList(20);
  int bar = 200 - GetSystemMetrics(SM_CXVSCROLL) / 2;
  clickAt(l, bar, 95);  // the down arrow
  EXPECT_EQ(top(l), 1);
  vk::headless::advanceClock(1000);
  clickAt(l, bar, 5);  // the up arrow
  EXPECT_EQ(top(l), 0);
  vk::headless::advanceClock(1000);
  clickAt(l, bar, 70);  // the track below the thumb: a page
  EXPECT_EQ(top(l), 2);
  // Holding an arrow repeats.
  vk::headless::advanceClock(1000);
  vk::headless::mouseMove(screenPoint(l, bar, 95));
  vk::headless::mouseDown(screenPoint(l, bar, 95));
  vk::headless::pumpFor(2000);
  vk::headless::mouseUp(screenPoint(l, bar, 95));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(top(l), 17);
  // The thumb follows a drag to the top.
  vk::headless::advanceClock(1000);
  POINT thumb = screenPoint(l, bar, 80);
  vk::headless::mouseMove(thumb);
  vk::headless::mouseDown(thumb);
  vk::headless::mouseMove(screenPoint(l, bar, -200));
  vk::headless::mouseUp(screenPoint(l, bar, -200));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(top(l), 0);
  EXPECT_EQ(sel(l), LB_ERR);
  EXPECT_EQ(countCode(2001, LBN_SELCHANGE), 0);
}

}  // namespace
