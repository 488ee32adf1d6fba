// Import OBJ and Export OBJ are routed from the studio's command ids.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/app_state.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class ObjCommands : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio();
  }
};

TEST_F(ObjCommands, ImportAndExportIdsReachTheirOperations) {
  headless::cancelFileDialog();
  EXPECT_TRUE(handleCommand(kCmdImportObj).handled);
  ASSERT_FALSE(headless::fileDialogs().empty());
  EXPECT_EQ(headless::fileDialogs().back().filters.front().first, L"Wavefront OBJ (*.obj)");
  EXPECT_FALSE(headless::fileDialogs().back().save);

  headless::cancelFileDialog();
  EXPECT_TRUE(handleCommand(kCmdExportObj).handled);
  EXPECT_TRUE(headless::fileDialogs().back().save);
  EXPECT_EQ(headless::fileDialogs().back().defaultName, L"veltrask_phase62_export.obj");
}

}  // namespace
}  // namespace vk::testing
