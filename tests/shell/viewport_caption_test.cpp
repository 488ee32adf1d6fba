// The active camera's caption and the viewport's top-left texts (the two
// corner lines, and the Edit Mesh or Edit Curve hint when one is drawn), as
// the studio draws them in the orbit view and in Camera View: they never meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "platform/headless.h"
#include "shell/command_ids.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"
#include "viewport/viewport.h"

namespace vk {
namespace {

// Where a single-line text of the viewport lies: from its rectangle's left,
// as wide as the text (no wider than the rectangle), centred in height or at
// the top. A text drawn at a point (an empty rectangle) runs on from there.
RECT textRect(const ViewportTextRecord& record, HFONT font, bool centred) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT measured = record.rect;
  const bool atPoint = record.rect.right == record.rect.left;
  if (atPoint) measured.right = measured.left + 100000;
  DrawTextW(dc, record.text.c_str(), static_cast<int>(record.text.size()), &measured,
            DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  const LONG height = measured.bottom - measured.top;
  RECT text = record.rect;
  text.right = atPoint ? measured.right : std::min(measured.right, record.rect.right);
  if (centred) text.top = record.rect.top + (record.rect.bottom - record.rect.top - height) / 2;
  text.bottom = text.top + height;
  return text;
}

std::string describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

const ViewportTextRecord* logged(const std::wstring& prefix) {
  for (const ViewportTextRecord& record : viewportTextLog()) {
    if (record.text.rfind(prefix, 0) == 0) return &record;
  }
  return nullptr;
}

TEST(ViewportCaption, TheActiveCameraCaptionStaysClearOfEveryTopLeftText) {
  const std::filesystem::path folder = test::uniqueTempFolder("viewport-caption");
  std::filesystem::create_directories(folder);
  harness::Options options;
  options.settingsPath = (folder / "veltrask_workspace_phase64_10_5.ini").wstring();
  ASSERT_EQ(harness::start(options), 0);
  const AppState& app = appState();
  RECT opened{};
  GetClientRect(harness::mainWindow(), &opened);
  // The mode, then the hint it draws at the top left (null: none).
  struct Mode {
    const char* name;
    void (*enter)();
    const wchar_t* hint;
  };
  const Mode modes[] = {
      {"Object", [] {}, nullptr},
      // As a user reaches it: Tab, then 3 for faces.
      {"Edit Mesh",
       [] {
         harness::pressKey(VK_TAB);
         harness::pressKey('3');
       },
       L"Edit Mesh: click Faces in viewport"},
      // A new curve opens in Edit Curve.
      {"Edit Curve",
       [] {
         harness::pressKey(VK_TAB);
         harness::sendCommand(kCmdAddBezierCurve);
       },
       L"Edit Curve: click points"},
  };
  for (const Mode& mode : modes) {
    SetFocus(app.ui.viewport);
    mode.enter();
    // The size the studio opens at (fitted to the display), then a small one.
    for (auto [width, height] : {std::pair{opened.right, opened.bottom}, std::pair<LONG, LONG>{1024, 640}}) {
      headless::resizeHost(width, height);
      for (bool cameraView : {false, true}) {
        SCOPED_TRACE(testing::Message() << mode.name << ", " << width << " x " << height
                                        << (cameraView ? ", Camera View" : ""));
        if (app.cameraView != cameraView) harness::sendCommand(kCmdToggleCameraView);
        setViewportTextRecording(true);
        RedrawWindow(app.ui.viewport, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const ViewportTextRecord* caption = logged(L"Active Camera: Camera");
        const ViewportTextRecord* first = logged(cameraView ? L"Camera  Pos " : L"Selected  ");
        const ViewportTextRecord* second = logged(L"Keys: ");
        const ViewportTextRecord* hint = logged(L"Edit ");
        ASSERT_TRUE(caption && first && second);
        ASSERT_EQ(hint != nullptr, mode.hint != nullptr);
        if (hint) {
          ASSERT_TRUE(hint->text.starts_with(mode.hint));
        }
        const RECT captionText = textRect(*caption, app.ui.smallFont, true);
        std::vector<RECT> texts{textRect(*first, app.ui.uiFont, true), textRect(*second, app.ui.uiFont, true)};
        if (hint) texts.push_back(textRect(*hint, app.ui.smallFont, false));
        for (const RECT& text : texts) {
          RECT overlap{};
          EXPECT_FALSE(IntersectRect(&overlap, &captionText, &text))
              << "caption " << describe(captionText) << "; text " << describe(text);
        }
        setViewportTextRecording(false);
      }
    }
  }
  harness::stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vk
