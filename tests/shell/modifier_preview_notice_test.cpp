// Modifier entries the preview leaves out are named where the user looks:
// in the inspector's modifier summary and on the status line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "shading/modifiers.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class ModifierPreviewNotice : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1280, 720);
  }
};

TEST_F(ModifierPreviewNotice, EntriesPastTheObjectsFaceTotalAreNamedInTheInspectorAndStatus) {
  Object& cube = *findObjectById(L"obj-1");
  makeGridOfBends(cube, 53);
  appState().selectedObjectId = L"obj-1";
  refreshAll();
  harness::pump();
  const std::wstring details = harness::text(shellHandles().meshDetails);
  EXPECT_NE(details.find(L"Left out of the preview (past 500,000 faces): 52. Bend, 53. Bend\n"), std::wstring::npos)
      << std::string(details.begin(), details.end());
  EXPECT_EQ(appState().statusText, L"\u25CF  Preview skips 52. Bend, 1 more");
  EXPECT_EQ(harness::text(appState().ui.statusLine), appState().statusText);

  // Within the total again: nothing is named.
  findObjectById(L"obj-1")->modifierStack.entries.resize(51);
  refreshAll();
  harness::pump();
  EXPECT_EQ(harness::text(shellHandles().meshDetails).find(L"Left out of the preview"), std::wstring::npos);
}

}  // namespace
}  // namespace vk::testing
