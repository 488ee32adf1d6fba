// The owner-drawn chrome in a headless frame: sampled pixels of the
// gradients, the logo, active, inactive and pressed buttons, rail tabs,
// section headers, icons and menu items.
#include "shell/command_ids.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

using ChromeTest = StudioTest;

// An off-screen canvas for calling one painter directly.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int w, int h) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    old = SelectObject(dc, bitmap);
    ReleaseDC(nullptr, screen);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
};

std::string rgb(COLORREF c) {
  return "RGB(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
         std::to_string(GetBValue(c)) + ")";
}

#define EXPECT_COLOUR(actual, expected) EXPECT_EQ(rgb(actual), rgb(expected))

TEST_F(ChromeTest, MainWindowFrameSamples) {
  startStudio(1280, 720);
  const headless::Image frame = harness::pixels(harness::mainWindow());
  ASSERT_EQ(frame.width, 1280);
  // Menu bar band: the middle row of its gradient, its closing line, the logo.
  EXPECT_COLOUR(frame.at(1275, 19), RGB(6, 10, 17));
  EXPECT_COLOUR(frame.at(1275, 37), RGB(24, 34, 50));
  EXPECT_COLOUR(frame.at(24, 19), RGB(49, 132, 255));
  // Status bar: its top line, the middle of its gradient, the first well.
  EXPECT_COLOUR(frame.at(5, 686), RGB(29, 42, 61));
  EXPECT_COLOUR(frame.at(5, 703), RGB(8, 14, 23));
  EXPECT_COLOUR(frame.at(15, 703), RGB(9, 16, 26));
  // The active Select tool (blue) and the inactive Move tool, middle rows.
  EXPECT_COLOUR(frame.at(394 + 81, 46 + 18), RGB(29, 94, 177));
  EXPECT_COLOUR(frame.at(484 + 77, 46 + 18), RGB(29, 36, 47));
  // Rail tabs: the active Outliner tab and the inactive Assets tab, between glyph and caption.
  EXPECT_COLOUR(frame.at(18, 104 + 29), RGB(22, 85, 162));
  EXPECT_COLOUR(frame.at(18, 170 + 29), RGB(11, 18, 29));
  // The first inspector section header band (the cube is selected).
  EXPECT_COLOUR(frame.at(1245, 236 + 13), RGB(21, 30, 45));
  // The Left Tools header box.
  EXPECT_COLOUR(frame.at(300, 428 + 27), RGB(18, 27, 40));

  // Choosing the Move tool moves the highlight.
  appState().transformTool = TransformTool::Move;
  InvalidateRect(harness::control(kCmdToolSelect), nullptr, TRUE);
  InvalidateRect(harness::control(kCmdToolMove), nullptr, TRUE);
  harness::pump();
  const headless::Image after = harness::pixels(harness::mainWindow());
  EXPECT_COLOUR(after.at(394 + 81, 46 + 18), RGB(29, 36, 47));
  EXPECT_COLOUR(after.at(484 + 77, 46 + 18), RGB(29, 94, 177));
}

TEST_F(ChromeTest, PressedButtonsDarkenByAQuarterExceptRailTabs) {
  startStudio(1280, 720);
  Canvas canvas(200, 60);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.hDC = canvas.dc;
  item.rcItem = RECT{0, 0, 100, 36};
  item.hwndItem = harness::control(kCmdToolMove);
  item.CtlID = kCmdToolMove;
  item.itemState = ODS_SELECTED;
  drawButtonItem(item);
  EXPECT_COLOUR(canvas.at(97, 18), RGB(21, 26, 34));
  EXPECT_COLOUR(canvas.at(50, 37), RGB(8, 11, 16));  // the shadow below

  item.CtlID = kMenuFile;
  item.hwndItem = harness::control(kMenuFile);
  drawButtonItem(item);
  EXPECT_COLOUR(canvas.at(3, 18), RGB(13, 17, 23));
  item.itemState = ODS_FOCUS;
  drawButtonItem(item);
  EXPECT_COLOUR(canvas.at(3, 18), RGB(18, 23, 31));
  EXPECT_COLOUR(canvas.at(50, 34), RGB(78, 151, 245));  // the focus line

  item.CtlID = kCmdRailAssets;
  item.hwndItem = harness::control(kCmdRailAssets);
  item.rcItem = RECT{0, 0, 54, 58};
  item.itemState = ODS_SELECTED;
  drawButtonItem(item);
  EXPECT_COLOUR(canvas.at(4, 29), RGB(11, 18, 29));
}

TEST_F(ChromeTest, IconsAndMenuItems) {
  startStudio(1280, 720);
  Canvas canvas(300, 40);
  // The cube glyph of an id without its own: its centre line and its tinted fill.
  constexpr int kCommandWithoutIcon = 9999;
  drawIcon(canvas.dc, RECT{0, 0, 30, 30}, kCommandWithoutIcon, ObjectKind::Empty, L"", false);
  EXPECT_COLOUR(canvas.at(15, 20), RGB(190, 210, 238));
  EXPECT_COLOUR(canvas.at(8, 18), RGB(36, 43, 54));
  EXPECT_COLOUR(iconColorForCommand(kCmdAxisX, false), RGB(235, 78, 78));
  EXPECT_COLOUR(iconColorForCommand(kCmdParentChooserBase + 12, false), RGB(150, 204, 255));
  EXPECT_COLOUR(iconColorForCommand(kCmdSetMetallicMap, false), RGB(228, 174, 74));
  EXPECT_COLOUR(iconColorForCommand(kCmdAxisX, true), RGB(245, 250, 255));
  EXPECT_COLOUR(iconColorForCommand(kCommandWithoutIcon, false), RGB(190, 210, 238));

  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_MENU;
  item.hDC = canvas.dc;
  item.rcItem = RECT{0, 0, 282, 34};
  item.itemID = kCmdToggleTimelinePanel;
  const std::wstring submenu = L"Bridge Settings  \u203A";
  item.itemData = reinterpret_cast<ULONG_PTR>(submenu.c_str());
  item.itemState = ODS_SELECTED;
  drawStyledMenuItem(item);
  EXPECT_COLOUR(canvas.at(282 - 16, 17), RGB(248, 252, 255));
  EXPECT_COLOUR(canvas.at(140, 33), RGB(64, 128, 220));
  const std::wstring plain = L"Timeline Panel: Shown";
  item.itemData = reinterpret_cast<ULONG_PTR>(plain.c_str());
  item.itemState = 0;
  drawStyledMenuItem(item);
  EXPECT_COLOUR(canvas.at(282 - 16, 0), RGB(20, 25, 34));
  EXPECT_COLOUR(canvas.at(282 - 16, 17), RGB(18, 23, 32));
  EXPECT_COLOUR(canvas.at(140, 33), RGB(43, 52, 66));
}

TEST_F(ChromeTest, TinyClientStillPaints) {
  startStudio();
  resize(0, 0);
  EXPECT_TRUE(IsWindow(harness::mainWindow()));
  resize(1280, 720);
  EXPECT_COLOUR(harness::pixels(harness::mainWindow()).at(1275, 19), RGB(6, 10, 17));
}

}  // namespace
}  // namespace vk::testing
