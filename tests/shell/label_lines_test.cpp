// Every text of the main window shows once and whole: a label with room for
// one line keeps its text on that line, a taller one shows whole lines and
// ends the last in "..." when text is left out, and the chrome behind the
// labels draws no copy of what they say and encloses the rail's labels.
#include <algorithm>
#include <map>
#include <set>

#include "model/app_state.h"
#include "shell/command_ids.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class LabelLines : public StudioTest {
 protected:
  // The window's rectangle in the main window's client coordinates.
  static RECT inMain(HWND window) {
    RECT r = headless::describe(window).windowRect;
    const RECT main = headless::describe(harness::mainWindow()).clientRect;
    OffsetRect(&r, -main.left, -main.top);
    return r;
  }

  static void repaint() {
    RedrawWindow(harness::mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    harness::pump();
  }

  static int lineHeight(HWND label) {
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return metrics.tmHeight;
  }

  static std::vector<HWND> shownLabels() {
    std::vector<HWND> labels;
    for (HWND label : headless::findWindows(L"STATIC"))
      if (IsWindowVisible(label) && !headless::describe(label).text.empty()) labels.push_back(label);
    return labels;
  }

  // The texts of the shown labels, with room for one line of their font or
  // for several, that show ink below the lines they hold whole (their
  // background is their commonest colour).
  static std::set<std::wstring> labelsShowingPartLines(bool severalLines) {
    std::set<std::wstring> wrong;
    const RECT main = headless::describe(harness::mainWindow()).clientRect;
    for (HWND label : shownLabels()) {
      const headless::WindowInfo info = headless::describe(label);
      const int line = lineHeight(label);
      const int height = info.clientRect.bottom - info.clientRect.top;
      if ((height >= 2 * line) != severalLines) continue;
      RECT shown{};
      IntersectRect(&shown, &info.clientRect, &main);
      OffsetRect(&shown, -info.clientRect.left, -info.clientRect.top);
      const headless::Image image = harness::pixels(label);
      std::map<std::uint32_t, int> counts;
      for (std::uint32_t p : image.pixels) ++counts[p];
      const auto background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
      const int wholeLines = severalLines ? height / line : 1;
      for (int y = std::max<int>(wholeLines * line, shown.top); y < shown.bottom; ++y)
        for (int x = shown.left; x < shown.right; ++x)
          if (image.pixels[static_cast<std::size_t>(y) * image.width + x] != background->first) wrong.insert(info.text);
    }
    return wrong;
  }

  // The shown labels of several lines whose text needs more lines than they hold.
  static std::vector<HWND> labelsLeavingTextOut() {
    std::vector<HWND> cut;
    for (HWND label : shownLabels()) {
      RECT r{};
      GetClientRect(label, &r);
      if (r.bottom >= 2 * lineHeight(label) && wrappedTextHeight(label, r.right) > r.bottom) cut.push_back(label);
    }
    return cut;
  }

  // Whether the label shows as it would show a start of its text followed
  // by "...", in the lines it holds whole; its text is put back.
  static bool showsAStartAndAnEllipsis(HWND label) {
    const std::wstring text = headless::describe(label).text;
    const headless::Image shown = harness::pixels(label);
    RECT r{};
    GetClientRect(label, &r);
    const int room = r.bottom / lineHeight(label) * lineHeight(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const UINT prefixes = (GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    bool same = false;
    for (std::size_t n = text.size() - 1; n > 0 && !same; --n) {
      const std::wstring start = text.substr(0, n) + L"...";
      RECT needs{0, 0, r.right, 0};
      DrawTextW(dc, start.c_str(), -1, &needs, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | prefixes);
      if (needs.bottom > room) continue;  // it could not show whole
      SetWindowTextW(label, start.c_str());
      UpdateWindow(label);
      same = harness::pixels(label).pixels == shown.pixels;
    }
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowTextW(label, text.c_str());
    UpdateWindow(label);
    return same;
  }

  // The chrome's own paint, no child windows.
  static headless::Image chromeOnly(const RECT& client) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    drawMainWindowChrome(dc, client);
    const auto* paint = static_cast<const std::uint32_t*>(bits);
    headless::Image image;
    image.width = client.right;
    image.height = client.bottom;
    image.pixels.assign(paint, paint + static_cast<std::size_t>(client.right) * client.bottom);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return image;
  }

  // The rows of `area` in which the chrome's own paint holds more than one
  // colour: rows with text in them.
  static int rowsWithText(RECT area) {
    RECT client{};
    GetClientRect(harness::mainWindow(), &client);
    const headless::Image paint = chromeOnly(client);
    int rows = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      const std::uint32_t* row = paint.pixels.data() + static_cast<std::size_t>(y) * client.right;
      rows += std::any_of(row + area.left, row + area.right, [&](std::uint32_t p) { return p != row[area.left]; });
    }
    return rows;
  }
  // A rounded box inset past its border.
  static RECT inside(int left, int top, int right, int bottom) { return RECT{left + 5, top + 5, right - 5, bottom - 5}; }
};

TEST_F(LabelLines, LabelsWithRoomForOneLineShowOneLine) {
  for (auto [width, height] : {std::pair{1600, 900}, std::pair{1484, 821}, std::pair{1120, 720}}) {
    std::filesystem::remove(std::filesystem::path(settings_));
    startStudio(width, height);
    appState().selectedObjectId = L"obj-1";
    harness::sendCommand(kCmdSetTransformKey);  // the key inspector's status names the key
    if (!appState().project.scene.capsuleBrowser.visible) harness::sendCommand(kCmdToggleCapsuleBrowser);
    std::set<std::wstring> wrapped;
    for (int panel = 0; panel < 5; ++panel) {
      harness::sendCommand(kCmdRailOutliner + panel);
      repaint();
      wrapped.merge(labelsShowingPartLines(false));
    }
    // The timeline's second key summary ends inside its panel or is hidden.
    const RECT summary = inMain(appState().ui.cameraLightKeySummary);
    RECT common{};
    if (IsWindowVisible(appState().ui.cameraLightKeySummary)) {
      IntersectRect(&common, &summary, &appState().ui.timelineRect);
      EXPECT_TRUE(EqualRect(&common, &summary)) << width << " x " << height;
    }
    // Every inspector label shows whole at one of these offsets.
    for (int offset = 0;; offset += 200) {
      setInspectorScroll(offset);
      repaint();
      wrapped.merge(labelsShowingPartLines(false));
      if (offset >= appState().inspectorScrollMax) break;
    }
    std::string list;
    for (const std::wstring& text : wrapped) list += "\n  " + wideToUtf8(text);
    EXPECT_TRUE(wrapped.empty()) << width << " x " << height << ", a second line shows under:" << list;
    harness::stop();
  }
}

// A label of several lines shows the lines it holds whole, the last ended
// in "..." when its text needs more, on every rail panel and down the
// inspector, at the smallest laid-out size and two larger ones.
TEST_F(LabelLines, LabelsOfSeveralLinesShowWholeLines) {
  for (auto [width, height] : {std::pair{1120, 720}, std::pair{1600, 900}, std::pair{1920, 1080}}) {
    SCOPED_TRACE(width);
    std::filesystem::remove(std::filesystem::path(settings_));
    startStudio(width, height);
    appState().selectedObjectId = L"obj-1";
    harness::sendCommand(kCmdSetTransformKey);
    if (!appState().project.scene.capsuleBrowser.visible) harness::sendCommand(kCmdToggleCapsuleBrowser);
    std::set<std::wstring> partLines, noEllipsis, leftOut;
    auto check = [&] {
      repaint();
      partLines.merge(labelsShowingPartLines(true));
      for (HWND label : labelsLeavingTextOut()) {
        leftOut.insert(headless::describe(label).text);
        if (!showsAStartAndAnEllipsis(label)) noEllipsis.insert(headless::describe(label).text);
      }
    };
    for (int panel = 0; panel < 5; ++panel) {
      harness::sendCommand(kCmdRailOutliner + panel);
      check();
    }
    for (int offset = 0;; offset += 200) {
      setInspectorScroll(offset);
      check();
      if (offset >= appState().inspectorScrollMax) break;
    }
    std::string list;
    for (const std::wstring& text : partLines) list += "\n  " + wideToUtf8(text);
    EXPECT_TRUE(partLines.empty()) << "a line shows cut under:" << list;
    list.clear();
    for (const std::wstring& text : noEllipsis) list += "\n  " + wideToUtf8(text);
    EXPECT_TRUE(noEllipsis.empty()) << "no \"...\" ends:" << list;
    // The Assets panel's details always need more than their three lines.
    EXPECT_EQ(leftOut.count(leftRailContextText(1)), 1u);

    harness::stop();
  }
}

// The card on a rail panel holds its three labels: the chrome paints the
// card's fill under each and a pixel round it.
TEST_F(LabelLines, TheRailCardEnclosesItsLabels) {
  for (auto [width, height] : {std::pair{1120, 720}, std::pair{1600, 900}, std::pair{1920, 1080}}) {
    SCOPED_TRACE(width);
    std::filesystem::remove(std::filesystem::path(settings_));
    startStudio(width, height);
    const ShellHandles& shell = shellHandles();
    RECT client{};
    GetClientRect(harness::mainWindow(), &client);
    for (int panel = 1; panel < 5; ++panel) {
      harness::sendCommand(kCmdRailOutliner + panel);
      const headless::Image chrome = chromeOnly(client);
      const RECT& rp = shell.railPanelRect;
      const std::uint32_t card = chrome.pixels[static_cast<std::size_t>(rp.top + 70) * chrome.width + rp.left + 20];
      int outside = 0;
      for (HWND label : {shell.railCaption, shell.railDescription, shell.railDetails}) {
        ASSERT_TRUE(IsWindowVisible(label));
        const RECT r = inMain(label);
        for (int y = r.top - 1; y <= r.bottom; ++y)
          for (int x = r.left - 1; x <= r.right; ++x)
            outside += chrome.pixels[static_cast<std::size_t>(y) * chrome.width + x] != card;
      }
      EXPECT_EQ(outside, 0) << "rail panel " << panel;
    }
    harness::stop();
  }
}

// The chrome paints no text where labels carry it or controls cover it: the
// rail panels' cards, the toolbar's well and the title band under the menu bar.
TEST_F(LabelLines, TheChromeLeavesTextToTheControls) {
  for (auto [width, height] : {std::pair{1600, 900}, std::pair{1120, 720}}) {
    SCOPED_TRACE(width);
    std::filesystem::remove(std::filesystem::path(settings_));
    startStudio(width, height);
    const ShellHandles& shell = shellHandles();
    for (int panel = 1; panel < 5; ++panel) {
      harness::sendCommand(kCmdRailOutliner + panel);
      const RECT& rp = shell.railPanelRect;
      const RECT card = railCardRect(rp);
      EXPECT_EQ(rowsWithText(inside(card.left, card.top, card.right, card.bottom)), 0)
          << "rail panel " << panel;
    }
    const RECT& tb = shell.toolbarRect;
    EXPECT_EQ(rowsWithText(inside(tb.left + 8, tb.top + 7, tb.right - 8, tb.bottom - 7)), 0);
    const RECT& title = shell.titleBarRect;
    EXPECT_EQ(rowsWithText(RECT{inMain(harness::control(kMenuFile)).left, title.top, title.right, title.bottom - 1}), 0);
    harness::stop();
  }
}

}  // namespace
}  // namespace vk::testing
