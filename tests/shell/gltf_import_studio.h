// The headless studio for the import run and command tests: a scratch folder,
// the harness, and message boxes answered (Yes/No as the test sets) and kept.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "formats/gltf_import.h"
#include "model/app_state.h"
#include "platform/kernel.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"

namespace vk::test {

class GltfStudio : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = uniqueTempFolder("gltfstudio");
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    harness::Options options;
    options.settingsPath = utf8ToWide((root_ / "settings.ini").string());
    options.fontFile = VK_TEST_FONT;
    ASSERT_EQ(harness::start(options), 0);
    headless::setResponder([this](const headless::ModalRequest& request, headless::ModalAnswer& answer) {
      boxes_.push_back(request);
      answer.result = (request.flags & MB_YESNO) ? answerYesNo_ : IDOK;
      return true;
    });
  }
  void TearDown() override {
    setImportCancelProbeForTesting(nullptr);
    headless::setResponder(nullptr);
    harness::stop();
    appState() = AppState{};
    std::filesystem::remove_all(root_);
  }
  std::filesystem::path root_;
  std::vector<headless::ModalRequest> boxes_;
  int answerYesNo_ = IDYES;
};

}  // namespace vk::test
