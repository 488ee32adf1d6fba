// Names and file names in the studio's labels show as typed: an '&' in them
// is drawn, not taken as a mnemonic marker.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/services.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class TypedText : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1600, 900);
  }

  // The window's client area clipped by every ancestor's, in its own client
  // coordinates: the part of it the backing store shows.
  static RECT shownPart(HWND window) {
    RECT shown = headless::describe(window).clientRect;
    for (HWND up = GetParent(window); up; up = GetParent(up)) {
      RECT parent = headless::describe(up).clientRect;
      IntersectRect(&shown, &shown, &parent);
    }
    const RECT own = headless::describe(window).clientRect;
    OffsetRect(&shown, -own.left, -own.top);
    return shown;
  }

  // The label's text drawn as a static draws it (on one line when the label
  // has room for one, else in the lines it holds whole), on the colours its
  // parent gives, but with DT_NOPREFIX: what the label must show.
  static headless::Image drawnAsTyped(HWND label) {
    RECT client{};
    GetClientRect(label, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(label), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    FillRect(dc, &client, brush);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const std::wstring text = harness::text(label);
    const bool oneLine = GetWindowLongW(label, GWL_STYLE) & SS_ENDELLIPSIS;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
              (oneLine ? DT_SINGLELINE | DT_END_ELLIPSIS : DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS) |
                  DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    headless::Image image;
    image.width = client.right;
    image.height = client.bottom;
    const auto* bgrx = static_cast<const std::uint32_t*>(bits);
    image.pixels.assign(bgrx, bgrx + static_cast<std::size_t>(image.width) * image.height);
    for (std::uint32_t& p : image.pixels) p &= 0xFFFFFFu;
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return image;
  }

  // How many pixels of the label's shown part differ from its text drawn
  // with DT_NOPREFIX.
  static int pixelsNotAsTyped(HWND label, const RECT& shown) {
    const headless::Image onScreen = harness::pixels(label);
    const headless::Image expected = drawnAsTyped(label);
    EXPECT_EQ(onScreen.width, expected.width);
    EXPECT_EQ(onScreen.height, expected.height);
    int differing = 0;
    for (int y = shown.top; y < shown.bottom; ++y)
      for (int x = shown.left; x < shown.right; ++x) differing += onScreen.at(x, y) != expected.at(x, y);
    return differing;
  }

  // Every shown label whose text holds an '&' shows it as typed, over every
  // scroll position of the inspector; returns those labels.
  static std::set<HWND> labelsCheckedAsTyped() {
    std::set<HWND> checked;
    std::set<std::tuple<HWND, LONG, LONG>> seen;  // each shown part once
    std::set<HWND> wrong;                           // each wrong label once
    for (int offset = 0;; offset += 60) {
      setInspectorScroll(offset);
      harness::pump();
      RedrawWindow(harness::mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      for (HWND label : headless::findWindows(L"STATIC")) {
        const std::wstring text = harness::text(label);
        if (text.find(L'&') == std::wstring::npos || !IsWindowVisible(label)) continue;
        const RECT shown = shownPart(label);
        if (IsRectEmpty(&shown) || wrong.count(label) || !seen.emplace(label, shown.top, shown.bottom).second) continue;
        const int differing = pixelsNotAsTyped(label, shown);
        EXPECT_EQ(differing, 0) << wideToUtf8(text.substr(0, 80)) << " at inspector scroll " << offset;
        if (differing) wrong.insert(label);
        checked.insert(label);
      }
      if (offset >= appState().inspectorScrollMax) break;
    }
    setInspectorScroll(0);
    return checked;
  }

  static bool has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }
};

TEST_F(TypedText, NamesAndFileNamesWithAnAmpersandShowAsTyped) {
  AppState& app = appState();
  const ShellHandles& shell = shellHandles();
  app.selectedObjectId = L"obj-1";
  refreshInspector();
  SetWindowTextW(shell.nameEdit, L"Salt & Pepper");
  handleCommand(kCmdApplyInspector);
  ASSERT_EQ(findObjectById(L"obj-1")->name, L"Salt & Pepper");
  handleCommand(kCmdFocusTimelineOnSelection);
  handleCommand(kCmdRailMaterials);
  ASSERT_TRUE(has(harness::text(shell.railDetails), L"Selected: Salt & Pepper"));
  ASSERT_TRUE(has(harness::text(app.ui.timelineFrameStatus), L"Focus: Salt & Pepper"));
  std::set<HWND> checked = labelsCheckedAsTyped();
  EXPECT_TRUE(checked.count(shell.railDetails));
  EXPECT_TRUE(checked.count(app.ui.timelineFrameStatus));

  const std::filesystem::path obj = folder_ / "R&D part.obj";
  ASSERT_TRUE(writeFileAtomically(wideFromPath(obj), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  headless::answerFileDialog(wideFromPath(obj));
  handleCommand(kCmdImportObj);
  ASSERT_TRUE(has(harness::text(shell.meshDetails), L"note: Source R&D part.obj"));
  headless::answerFileDialog(wideFromPath(folder_ / "R&D scene.json"));
  handleCommand(kCmdSaveProjectAs);
  ASSERT_EQ(harness::text(shell.projectLabel), L"Project: R&D scene.json");
  // Every command's status passes through here, file names among them.
  setStatusText(L"●  Could not read R&D scene.json");
  checked = labelsCheckedAsTyped();
  for (HWND label : {shell.meshDetails, shell.projectLabel, app.ui.statusLine}) {
    EXPECT_TRUE(checked.count(label)) << wideToUtf8(harness::text(label).substr(0, 80));
  }
}

// The studio's own dialog shows its message as typed: the render status in
// it can hold a file name.
TEST_F(TypedText, ADialogMessageShowsAsTyped) {
  appState().renderStatus = L"Render exported PNG 1280x720 to R&D still.png";
  int shown = 0;
  headless::setIdleHandler([&shown] {
    HWND dialog = headless::findWindow(L"VeltraskStudioPhase62Dialog");
    if (!dialog) return false;
    for (HWND label : headless::findWindows(L"STATIC")) {
      if (GetAncestor(label, GA_ROOT) == dialog && harness::text(label).find(L"R&D still.png") != std::wstring::npos) {
        EXPECT_EQ(pixelsNotAsTyped(label, shownPart(label)), 0);
        ++shown;
      }
    }
    const RECT r = headless::describe(GetDlgItem(dialog, kTextDialogFirstButton)).windowRect;
    headless::click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return true;
  });
  handleCommand(kCmdShowRenderSettings);
  headless::setIdleHandler(nullptr);
  EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace vk::testing
