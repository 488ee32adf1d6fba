// A started studio per test, with its settings file in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/services.h"
#include "platform/win32.h"
#include "shading/modifiers.h"
#include "shell/shell.h"
#include "shell/studio_harness.h"
#include "test_temp_folder.h"

namespace vk::testing {

class StudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = vk::test::uniqueTempFolder("vk_shell");
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    settings_ = wideFromPath(folder_ / "veltrask_workspace_phase64_10_5.ini");
  }
  void TearDown() override {
    harness::stop();
    std::filesystem::remove_all(folder_);
  }
  void startStudio(int clientWidth = 0, int clientHeight = 0) {
    harness::Options options;
    options.fontFile = VK_TEST_FONT;
    options.settingsPath = settings_;
    ASSERT_EQ(harness::start(options), 0);
    ASSERT_NE(harness::mainWindow(), nullptr);
    // Asserted here, not left to each fixture: a studio without the standard
    // control classes fails every test that starts one instead of skipping it.
    WNDCLASSEXW button{};
    ASSERT_TRUE(GetClassInfoExW(nullptr, L"BUTTON", &button)) << "the standard control classes are not registered";
    if (clientWidth > 0) resize(clientWidth, clientHeight);
  }
  void resize(int clientWidth, int clientHeight) {
    headless::resizeHost(clientWidth, clientHeight);
    harness::pump();
  }
  std::string settingsText() const {
    std::string bytes;
    readFileBytes(settings_, bytes, 1 << 16);
    return bytes;
  }

  std::filesystem::path folder_;
  std::wstring settings_;
};

// Makes `object` a 100 x 100-vertex grid (9801 faces) with `bends` Bend
// entries: fifty-one fit within one preview's 500 000 faces, more do not.
inline void makeGridOfBends(Object& object, int bends) {
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  for (int z = 0; z <= 99; ++z)
    for (int x = 0; x <= 99; ++x) vertices.push_back({x / 99.0, 0.0, z / 99.0});
  for (int z = 0; z < 99; ++z)
    for (int x = 0; x < 99; ++x)
      faces.push_back(MeshFace{{z * 100 + x, z * 100 + x + 1, z * 100 + x + 101, z * 100 + x + 100}, {}, 0});
  object.meshData.vertices = std::move(vertices);
  object.meshData.faces = std::move(faces);
  rebuildMeshData(object);
  for (int i = 0; i < bends; ++i) object.modifierStack.entries.push_back(createModifierEntry(object, L"Bend"));
}

// Answers every text dialog the studio shows by clicking the button `answer`
// names at the time (kTextDialogFirstButton or kTextDialogSecondButton), and
// counts them in `asked`; both outlive the handler.
inline void answerTextDialogs(const int& answer, int& asked) {
  headless::setIdleHandler([&answer, &asked] {
    HWND dialog = headless::findWindow(L"VeltraskStudioPhase62Dialog");
    if (!dialog) return false;
    ++asked;
    const RECT r = headless::describe(GetDlgItem(dialog, answer)).windowRect;
    headless::click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return true;
  });
}

}  // namespace vk::testing
