// Measures status lines as the status bar draws them in the interface face.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/services.h"
#include "model/text_utils.h"
#include "shell/studio_harness.h"
#include "test_peers.h"
#include "test_temp_folder.h"

namespace vk::test {

// Starts a studio of its own and expects none of `messages` to be cut by the
// 240-pixel status line; a control message twice as long as any of ours
// proves the check sees a cut.
inline void expectEachFitsTheStatusLine(std::vector<std::wstring> messages) {
  VK_REQUIRE_PEER(std::filesystem::exists("/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf"),
                  "Carlito (Debian package fonts-crosextra-carlito)");
  const std::filesystem::path folder = uniqueTempFolder("status_fit");
  std::filesystem::create_directories(folder);
  harness::Options options;
  options.settingsPath = (folder / "veltrask_workspace_phase64_10_5.ini").wstring();
  ASSERT_EQ(harness::start(options), 0);
  const std::wstring tooLong = L"●  " + std::wstring(60, L'W');
  messages.push_back(tooLong);
  for (const std::wstring& message : messages) {
    ASSERT_FALSE(message.empty());
    setStatusText(message);
    const std::vector<std::wstring> cut = harness::cutCaptions();
    const bool wasCut = std::find(cut.begin(), cut.end(), message) != cut.end();
    EXPECT_EQ(wasCut, message == tooLong) << wideToUtf8(message);
  }
  harness::stop();
  std::filesystem::remove_all(folder);
}

}  // namespace vk::test
