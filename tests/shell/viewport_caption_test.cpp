// The active camera's caption and the viewport's top-left lines, as the
// studio draws them on start and in Camera View: their texts never meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "model/app_state.h"
#include "platform/headless.h"
#include "shell/command_ids.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"
#include "viewport/viewport.h"

namespace vk {
namespace {

// Where a single-line, vertically centred text of the viewport lies: from
// its rectangle's left, as wide as the text (no wider than the rectangle).
RECT textRect(const ViewportTextRecord& record, HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT measured = record.rect;
  DrawTextW(dc, record.text.c_str(), static_cast<int>(record.text.size()), &measured,
            DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  const LONG height = measured.bottom - measured.top;
  RECT text = record.rect;
  text.right = std::min(measured.right, record.rect.right);
  text.top = record.rect.top + (record.rect.bottom - record.rect.top - height) / 2;
  text.bottom = text.top + height;
  return text;
}

const ViewportTextRecord* logged(const std::wstring& prefix) {
  for (const ViewportTextRecord& record : viewportTextLog()) {
    if (record.text.rfind(prefix, 0) == 0) return &record;
  }
  return nullptr;
}

TEST(ViewportCaption, TheActiveCameraCaptionStaysClearOfTheCornerLines) {
  const std::filesystem::path folder = test::uniqueTempFolder("viewport-caption");
  std::filesystem::create_directories(folder);
  harness::Options options;
  options.settingsPath = (folder / "veltrask_workspace_phase64_10_5.ini").wstring();
  ASSERT_EQ(harness::start(options), 0);
  // The size the studio opens at (fitted to the display), then a small one.
  for (auto [width, height] : {std::pair{0, 0}, std::pair{1024, 640}}) {
    if (width > 0) headless::resizeHost(width, height);
    for (bool cameraView : {false, true}) {
      SCOPED_TRACE(testing::Message() << (width > 0 ? std::to_string(width) + " x " + std::to_string(height) : "default size")
                                      << (cameraView ? ", Camera View" : ""));
      if (appState().cameraView != cameraView) harness::sendCommand(kCmdToggleCameraView);
      setViewportTextRecording(true);
      RedrawWindow(appState().ui.viewport, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      const ViewportTextRecord* caption = logged(L"Active Camera: Camera");
      const ViewportTextRecord* first = logged(cameraView ? L"Camera  Pos " : L"Selected  Starter Cube  Pos ");
      const ViewportTextRecord* second = logged(L"Keys: ");
      ASSERT_TRUE(caption && first && second);
      const RECT captionText = textRect(*caption, appState().ui.smallFont);
      for (const ViewportTextRecord* line : {first, second}) {
        const RECT lineText = textRect(*line, appState().ui.uiFont);
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &captionText, &lineText))
            << "caption " << captionText.left << "," << captionText.top << "-" << captionText.right << ","
            << captionText.bottom << "; line " << lineText.left << "," << lineText.top << "-" << lineText.right << ","
            << lineText.bottom;
      }
      setViewportTextRecording(false);
    }
  }
  harness::stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vk
