// The dispatcher's rows of the glTF and GLB exports.
#include "formats/gltf_test_support.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"

namespace vk {
namespace {

class GltfExportDispatch : public GltfTest {
 protected:
  void SetUp() override {
    headless::start(1280, 800, VK_TEST_FONT);
    GltfTest::SetUp();
  }
  void TearDown() override {
    GltfTest::TearDown();
    headless::stop();
  }
};

TEST_F(GltfExportDispatch, DispatcherRunsTheThreeExports) {
  addQuad(L"Q");
  const wchar_t* names[] = {L"veltrask_phase66_1_gltf_export.gltf", L"veltrask_phase66_1_selected.glb",
                            L"veltrask_phase66_1_scene.glb"};
  int shown = 0;
  for (int id : {kCmdExportGltf, kCmdExportSelectedGlb, kCmdExportGlbScene}) {
    headless::cancelFileDialog();
    EXPECT_TRUE(handleCommand(id).handled) << id;
    ASSERT_EQ(headless::fileDialogs().size(), static_cast<std::size_t>(++shown));
    EXPECT_EQ(headless::fileDialogs().back().defaultName, names[shown - 1]);
  }
}

}  // namespace
}  // namespace vk
