// Popup menus: owner-drawn items, cascades, keyboard, scrolling, placement,
// dismissal and the scripted answers, driven by synthetic input while the
// menu's own loop runs.
#include "control_test_support.h"

namespace {

using ctltest::ControlTest;
namespace hl = vk::headless;

constexpr const wchar_t* kMenuClass = L"VkPopupMenu";

class MenuTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    paintItems = false;
  }
  HMENU themed() {
    HMENU m = CreatePopupMenu();
    MENUINFO info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = panel;
    SetMenuInfo(m, &info);
    return m;
  }
  void add(HMENU m, UINT_PTR id, const wchar_t* label) {
    AppendMenuW(m, MF_OWNERDRAW, id, label);
  }
  // Screen point in the middle of item `index` of a popup with 34-px items.
  static POINT itemPoint(HWND popup, int index) {
    RECT r = rectOf(popup);
    return POINT{r.left + 40, r.top + 1 + index * 34 + 17};
  }
  static std::vector<HWND> popups() { return hl::findWindows(kMenuClass); }
  UINT track(HMENU m, int x = 200, int y = 200, UINT flags = TPM_RETURNCMD) {
    hl::showNextMenu();
    return static_cast<UINT>(TrackPopupMenuEx(m, flags | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, main, nullptr));
  }
  bool drawnSelected(UINT id) const {
    for (const auto& d : draws)
      if (d.CtlType == ODT_MENU && d.itemID == id && (d.itemState & ODS_SELECTED)) return true;
    return false;
  }
};

TEST_F(MenuTest, OwnerDrawnItemsAreMeasuredDrawnAndChosenByClick) {
  HMENU m = themed();
  add(m, 1001, L"Cube");
  add(m, 1002, L"Plane");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  add(m, 1003, L"Sphere");
  HWND focus = GetFocus();
  RECT popup{};
  HWND activeDuring = nullptr;
  script({[&] {
            ASSERT_EQ(popups().size(), 1u);
            popup = rectOf(popups()[0]);
            activeDuring = GetActiveWindow();
            hl::mouseMove(itemPoint(popups()[0], 1));
          },
          [&] { hl::click(itemPoint(popups()[0], 1)); }});
  EXPECT_EQ(track(m), 1002u);
  EXPECT_EQ(popup.left, 200);
  EXPECT_EQ(popup.top, 200);
  EXPECT_EQ(popup.right - popup.left, 282 + 2);
  EXPECT_EQ(popup.bottom - popup.top, 3 * 34 + 9 + 2);
  EXPECT_EQ(activeDuring, main);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_TRUE(popups().empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(drawnSelected(1002));
  EXPECT_FALSE(drawnSelected(1001));
  for (const auto& d : draws) {
    if (d.itemID == 1003) {
      EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(d.itemData)), L"Sphere");
    }
  }
  hl::pumpUntilIdle();
  EXPECT_TRUE(notifications.empty());  // TPM_RETURNCMD: no WM_COMMAND
  ASSERT_EQ(hl::menus().size(), 1u);
  EXPECT_EQ(hl::menus()[0].how, hl::Settled::Shown);
  EXPECT_EQ(hl::menus()[0].result, 1002u);
  DestroyMenu(m);
}

TEST_F(MenuTest, KeyboardSkipsSeparatorsWrapsAndEscapeDismisses) {
  HMENU m = themed();
  add(m, 1, L"One");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  add(m, 2, L"Two");
  add(m, 3, L"Three");
  script({[] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_RETURN); }});
  EXPECT_EQ(track(m), 2u);
  script({[] { hl::pressKey(VK_UP); }, [] { hl::pressKey(VK_RETURN); }});
  EXPECT_EQ(track(m), 3u);
  script({[] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_UP); }, [] { hl::pressKey(VK_RETURN); }});
  EXPECT_EQ(track(m), 3u);  // Up from the first wraps to the last
  script({[] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_ESCAPE); }});
  EXPECT_EQ(track(m), 0u);
  EXPECT_EQ(wmtest::recorder().count(main, WM_KEYDOWN), 0);  // the menu took every key
  DestroyMenu(m);
}

TEST_F(MenuTest, CascadesOpenOnHoverClickAndRightAndCloseOneLevelAtATime) {
  HMENU m = themed();
  HMENU sub = themed();
  add(sub, 1510, L"Wireframe");
  add(sub, 1511, L"Solid");
  add(m, 1502, L"Frame");
  AppendMenuW(m, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(sub), L"Viewport Shading  >");
  add(m, 1501, L"Reset View");
  // Hover opens after a short delay; a click inside the cascade chooses.
  script({[&] { hl::mouseMove(itemPoint(popups()[0], 1)); },
          [&] {
            EXPECT_EQ(popups().size(), 1u);
            hl::advanceClock(500);
          },
          [&] {
            ASSERT_EQ(popups().size(), 2u);
            HWND child = popups()[0] == hl::findWindows(kMenuClass).front() ? popups()[0] : popups()[1];
            RECT parentRect = rectOf(popups()[1]);
            RECT childRect = rectOf(child);
            EXPECT_TRUE(childRect.left >= parentRect.right - 2 || childRect.right <= parentRect.left + 2);
            hl::mouseMove(itemPoint(child, 1));
            hl::click(itemPoint(child, 1));
          }});
  UINT chosen = track(m);
  EXPECT_EQ(chosen, 1511u);
  EXPECT_TRUE(drawnSelected(static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub))));
  // Keyboard: Right opens with the first item selected, Left closes it,
  // Escape closes one level and then the menu.
  script({[] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_DOWN); }, [] { hl::pressKey(VK_RIGHT); },
          [&] {
            EXPECT_EQ(popups().size(), 2u);
            hl::pressKey(VK_LEFT);
          },
          [&] {
            EXPECT_EQ(popups().size(), 1u);
            hl::pressKey(VK_RETURN);  // Enter on a submenu item opens it
          },
          [&] {
            EXPECT_EQ(popups().size(), 2u);
            hl::pressKey(VK_ESCAPE);
          },
          [&] {
            EXPECT_EQ(popups().size(), 1u);
            hl::pressKey(VK_ESCAPE);
          }});
  EXPECT_EQ(track(m), 0u);
  DestroyMenu(m);
  EXPECT_FALSE(IsMenu(sub));  // destroyed with its parent
}

TEST_F(MenuTest, ClickOutsideDismissesAndIsNotDelivered) {
  HMENU m = themed();
  add(m, 7, L"Only");
  HWND target = makeChild(main, L"target", RECT{600, 400, 700, 500});
  script({[&] { hl::click(screenPoint(target, 10, 10)); }});
  wmtest::recorder().log.clear();
  EXPECT_EQ(track(m, 100, 100), 0u);
  hl::pumpUntilIdle();
  EXPECT_EQ(wmtest::recorder().count(target, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(wmtest::recorder().count(target, WM_LBUTTONUP), 0);
  DestroyMenu(m);
}

TEST_F(MenuTest, TallMenusScrollInsideTheWorkAreaAndPopupsStayOnScreen) {
  HMENU m = themed();
  std::vector<std::wstring> labels;
  labels.reserve(512);
  for (int i = 0; i < 512; ++i) labels.push_back(L"Parent to Object " + std::to_wstring(i));
  for (int i = 0; i < 512; ++i) add(m, 60000 + i, labels[static_cast<std::size_t>(i)].c_str());
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT popup{};
  script({[&] {
            popup = rectOf(popups()[0]);
            hl::pressKey(VK_END);
          },
          [&] {
            draws.clear();
            hl::pumpUntilIdle();
            hl::pressKey(VK_RETURN);
          }});
  EXPECT_EQ(track(m, work.right - 100, work.bottom - 100), 60511u);
  EXPECT_GE(popup.top, work.top);
  EXPECT_LE(popup.bottom, work.bottom);
  EXPECT_GT(popup.bottom - popup.top, (work.bottom - work.top) * 9 / 10);
  EXPECT_LE(popup.right, work.right);
  EXPECT_LT(popup.left, work.right - 100);  // flipped to the left of the point
  // The wheel scrolls the list: the first item drawn moves down by 3.
  UINT firstDrawn = 0;
  script({[&] { hl::wheel(POINT{popup.left + 20, popup.top + 100}, -WHEEL_DELTA); },
          [&] {
            draws.clear();
            InvalidateRect(popups()[0], nullptr, FALSE);
            hl::pumpUntilIdle();
            if (!draws.empty()) firstDrawn = draws.front().itemID;
            hl::pressKey(VK_ESCAPE);
          }});
  EXPECT_EQ(track(m, work.left + 10, work.top + 10), 0u);
  EXPECT_EQ(firstDrawn, 60003u);
  DestroyMenu(m);
}

TEST_F(MenuTest, ScriptedAnswersRecordTheItemTreeAndPostCommandsWithoutReturnCmd) {
  HMENU m = themed();
  HMENU sub = themed();
  add(sub, 1513, L"Material Preview   7");
  AppendMenuW(sub, MF_STRING, 1514, L"Cycle Shading");
  add(m, 1502, L"Frame");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(sub), L"Viewport Shading  >");
  EXPECT_EQ(GetMenuItemCount(m), 3);
  EXPECT_EQ(GetSubMenu(m, 2), sub);
  hl::answerMenu(1514);
  EXPECT_EQ(TrackPopupMenuEx(m, TPM_RETURNCMD, 5, 6, main, nullptr), 1514);
  hl::answerMenu(1502);
  EXPECT_EQ(TrackPopupMenu(m, 0, 5, 6, 0, main, nullptr), TRUE);
  hl::pumpUntilIdle();
  ASSERT_EQ(notifications.size(), 1u);
  EXPECT_EQ(notifications[0].id, 1502);
  EXPECT_EQ(notifications[0].code, 0);
  EXPECT_EQ(TrackPopupMenuEx(m, TPM_RETURNCMD, 5, 6, main, nullptr), 0);  // nothing scripted: dismissed
  const auto& records = hl::menus();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].how, hl::Settled::Default);
  const auto& items = records[0].items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].label, L"Frame");
  EXPECT_EQ(items[0].id, 1502u);
  EXPECT_TRUE(items[1].separator);
  EXPECT_EQ(items[2].label, L"Viewport Shading  >");
  ASSERT_EQ(items[2].submenu.size(), 2u);
  EXPECT_EQ(items[2].submenu[0].label, L"Material Preview   7");
  EXPECT_EQ(items[2].submenu[1].label, L"Cycle Shading");
  EXPECT_EQ(records[0].at.x, 5);
  EXPECT_EQ(records[0].how, hl::Settled::Scripted);
  EXPECT_EQ(hl::pendingAnswers(), 0u);
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(DestroyMenu(m));
  EXPECT_FALSE(AppendMenuW(m, MF_STRING, 1, L"late"));
  EXPECT_EQ(GetMenuItemCount(m), -1);
}

}  // namespace
