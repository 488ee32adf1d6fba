// Captions of the main window as the installed interface face draws them:
// with the face the studio prefers for its Windows face names, far fewer
// captions are cut (ended in "..." or clipped) than with DejaVu Sans, and
// the toolbar, view strip and inspector captions fit at the default size.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/studio_harness.h"
#include "test_peers.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

std::vector<std::wstring> cutCaptionsAt(int width, int height, const char* fontFile) {
  const std::filesystem::path folder = test::uniqueTempFolder("captions");
  std::filesystem::create_directories(folder);
  harness::Options options;
  options.fontFile = fontFile;
  options.settingsPath = (folder / "veltrask_workspace_phase64_10_5.ini").wstring();
  EXPECT_EQ(harness::start(options), 0);
  headless::resizeHost(width, height);
  harness::pump();
  std::vector<std::wstring> cut = harness::cutCaptions();
  harness::stop();
  std::filesystem::remove_all(folder);
  return cut;
}

std::string narrow(const std::vector<std::wstring>& texts) {
  std::string out;
  for (const std::wstring& text : texts) out += "\n  " + std::string(text.begin(), text.end());
  return out;
}

bool contains(const std::vector<std::wstring>& texts, const wchar_t* text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(CaptionFit, InterfaceFaceKeepsTheToolbarWhole) {
  VK_REQUIRE_PEER(std::filesystem::exists("/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf"),
                  "Carlito (Debian package fonts-crosextra-carlito)");
  for (auto [width, height] : {std::pair{1484, 821}, std::pair{1280, 720}}) {
    const std::vector<std::wstring> wide = cutCaptionsAt(width, height, VK_TEST_FONT);
    const std::vector<std::wstring> chosen = cutCaptionsAt(width, height, nullptr);
    std::cout << width << " x " << height << ": " << wide.size() << " captions cut with DejaVu Sans, "
              << chosen.size() << " with the interface face" << narrow(chosen) << "\n";
    EXPECT_LE(chosen.size() * 3, wide.size() * 2);
    for (const wchar_t* caption : {L"Object", L"Mesh", L"Curve", L"Select", L"Rotate", L"Duplicate", L"Perspective",
                                   L"Select: Object", L"Axis: Free", L"Cam Aim", L"[Camera] Camera  (active)"})
      EXPECT_FALSE(contains(chosen, caption)) << narrow({caption});
    // A caption with no room beside its icon is left out, never clipped.
    EXPECT_FALSE(contains(chosen, L"|<"));
  }
}

}  // namespace
}  // namespace vk
