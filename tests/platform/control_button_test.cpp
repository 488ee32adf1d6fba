// Owner-drawn buttons and labels driven through synthetic mouse and keys.
#include "control_test_support.h"

namespace {

using ctltest::ControlTest;
using vk::headless::Button;

constexpr DWORD kButtonStyle = WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW;

class ButtonTest : public ControlTest {
 protected:
  HWND makeButton(int id = 1501) { return control(L"BUTTON", kButtonStyle, RECT{100, 100, 200, 130}, id, L"Frame"); }
  bool lastDrawPushed() const { return !draws.empty() && (draws.back().itemState & ODS_SELECTED); }
};

TEST_F(ButtonTest, PressDragOffAndReleaseNotifyOnlyInside) {
  HWND b = makeButton();
  draws.clear();
  vk::headless::mouseMove(screenPoint(b, 10, 10));
  vk::headless::mouseDown(screenPoint(b, 10, 10));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetCapture(), b);
  ASSERT_TRUE(lastDrawPushed());
  const DRAWITEMSTRUCT& d = draws.back();
  EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_BUTTON));
  EXPECT_EQ(d.CtlID, 1501u);
  EXPECT_EQ(d.hwndItem, b);
  EXPECT_TRUE(d.itemState & ODS_FOCUS);
  EXPECT_EQ(d.rcItem.right, 100);
  EXPECT_EQ(d.rcItem.bottom, 30);

  vk::headless::mouseMove(screenPoint(b, 150, 10));  // off: the pushed look goes
  vk::headless::pumpUntilIdle();
  EXPECT_FALSE(lastDrawPushed());
  vk::headless::mouseMove(screenPoint(b, 20, 10));  // back on: it returns
  vk::headless::pumpUntilIdle();
  EXPECT_TRUE(lastDrawPushed());
  vk::headless::mouseUp(screenPoint(b, 20, 10));
  vk::headless::pumpUntilIdle();
  EXPECT_FALSE(lastDrawPushed());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(codes(1501), std::vector<int>{BN_CLICKED});

  // Released outside: no click.
  vk::headless::mouseDown(screenPoint(b, 10, 10));
  vk::headless::mouseMove(screenPoint(b, 300, 10));
  vk::headless::mouseUp(screenPoint(b, 300, 10));
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(countCode(1501, BN_CLICKED), 1);
  EXPECT_FALSE(lastDrawPushed());
}

TEST_F(ButtonTest, FastSecondClickIsADoubleClick) {
  HWND b = makeButton();
  clickAt(b, 10, 10);
  clickAt(b, 11, 10);
  EXPECT_EQ(codes(1501), (std::vector<int>{BN_CLICKED, BN_DOUBLECLICKED}));
  vk::headless::advanceClock(2000);
  clickAt(b, 10, 10);
  EXPECT_EQ(countCode(1501, BN_CLICKED), 2);
}

TEST_F(ButtonTest, SpaceClicksAndEnterDoesNothing) {
  HWND b = makeButton();
  SetFocus(b);
  vk::headless::keyDown(VK_SPACE, L" ");
  vk::headless::pumpUntilIdle();
  EXPECT_TRUE(lastDrawPushed());
  EXPECT_TRUE(codes(1501).empty());
  vk::headless::keyUp(VK_SPACE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(codes(1501), std::vector<int>{BN_CLICKED});
  key(VK_RETURN);
  EXPECT_EQ(codes(1501).size(), 1u);
}

TEST_F(ButtonTest, ParentMayDestroyTheButtonInsideItsClick) {
  HWND b = makeButton();
  onCommand = [](int, int code, HWND from) {
    if (code == BN_CLICKED) DestroyWindow(from);
  };
  clickAt(b, 10, 10);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ButtonTest, EraseFillsWithTheParentsBrushAndDeletedFontsAreHarmless) {
  paintItems = false;
  HWND b = makeButton();
  HFONT font = CreateFontW(-14, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Segoe UI");
  SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(b, WM_GETFONT, 0, 0)), font);
  DeleteObject(font);  // the parent frees its fonts first at shutdown
  colorRequests.clear();
  InvalidateRect(b, nullptr, TRUE);
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(colorRequests, std::vector<UINT>{WM_CTLCOLORBTN});
  auto pixels = vk::headless::windowPixels(b);
  EXPECT_EQ(pixels.at(50, 15), ctltest::kPanel);
  EXPECT_TRUE(pixels.uniform());
  SetWindowTextW(b, L"Reset View");
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(draws.back().itemAction, static_cast<UINT>(ODA_DRAWENTIRE));
}

TEST_F(ButtonTest, LabelsWrapClipAndTakeTheStaticColours) {
  HWND label = control(L"STATIC", 0, RECT{10, 10, 110, 58}, 0, L"Mesh: a long details text\twith tabs\nand && a line feed");
  EXPECT_EQ(colorRequests.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  auto pixels = vk::headless::windowPixels(label);
  EXPECT_EQ(pixels.width, 100);
  EXPECT_EQ(pixels.height, 48);
  EXPECT_EQ(pixels.at(99, 47), ctltest::kPanel);
  int lit = 0;
  for (std::uint32_t p : pixels.pixels) lit += (p & 0xFF) > 0x80;
  EXPECT_GT(lit, 40);  // text drawn, in the light control colour
  // Labels get the mouse (hover tips watch them).
  wmtest::recorder().log.clear();
  SetWindowTextW(label, L"");
  vk::headless::pumpUntilIdle();
  EXPECT_TRUE(vk::headless::windowPixels(label).uniform());
  EXPECT_EQ(WindowFromPoint(screenPoint(label, 5, 5)), label);
}

}  // namespace

// A one-line label (SS_ENDELLIPSIS) shows the start of a long text and "...",
// all of it on its first line, however tall the label; a text that fits
// draws as a wrapping label draws it.
TEST_F(ButtonTest, EndEllipsisLabelsKeepToTheirFirstLine) {
  const std::wstring text = L"Shortcuts: Q/W/E/S tools, O/H/V/C nav";
  HWND oneLine = control(L"STATIC", SS_ENDELLIPSIS, RECT{10, 10, 130, 50}, 0, text.c_str());
  HWND plain = control(L"STATIC", 0, RECT{10, 60, 130, 100});
  HFONT font = CreateFontW(-14, 0, 0, 0, 400, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, L"Segoe UI");
  for (HWND label : {oneLine, plain}) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  vk::headless::pumpUntilIdle();
  HDC dc = GetDC(oneLine);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, oldFont);
  ReleaseDC(oneLine, dc);
  ASSERT_LT(2 * metrics.tmHeight, 40);  // a wrapping label would show two lines

  const auto shown = vk::headless::windowPixels(oneLine);
  int inkBelow = 0;
  for (int y = metrics.tmHeight; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x) inkBelow += shown.at(x, y) != ctltest::kPanel;
  EXPECT_EQ(inkBelow, 0);
  bool prefixAndEllipsis = false;
  for (std::size_t n = 1; n < text.size() && !prefixAndEllipsis; ++n) {
    SetWindowTextW(plain, (text.substr(0, n) + L"...").c_str());
    vk::headless::pumpUntilIdle();
    prefixAndEllipsis = vk::headless::windowPixels(plain).pixels == shown.pixels;
  }
  EXPECT_TRUE(prefixAndEllipsis);

  for (HWND label : {oneLine, plain}) SetWindowTextW(label, L"Mode\tTool");
  vk::headless::pumpUntilIdle();
  EXPECT_EQ(vk::headless::windowPixels(oneLine).pixels, vk::headless::windowPixels(plain).pixels);
  for (HWND label : {oneLine, plain}) DestroyWindow(label);
  DeleteObject(font);
}
