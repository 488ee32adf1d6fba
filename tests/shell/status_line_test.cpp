// The dirty flag, status line and refresh services with no window at all.
#include <gtest/gtest.h>

#include "model/app_state.h"
#include "model/services.h"

namespace vk {
namespace {

TEST(ShellServices, DirtyFlagWritesStatusAndBadgeAndRefreshesLeaveThem) {
  appState() = AppState{};
  EXPECT_EQ(appState().statusText, L"●  Ready");
  setDirty(true);
  EXPECT_TRUE(appState().dirty);
  EXPECT_EQ(appState().statusText, L"●  Unsaved changes");
  EXPECT_EQ(appState().dirtyBadgeText, L"Unsaved");
  setStatusText(L"●  Light control updated");
  refreshAll();
  refreshPanels();
  refreshViewport();
  invalidateChromeControls();
  EXPECT_EQ(appState().statusText, L"●  Light control updated");
  EXPECT_TRUE(appState().dirty);
  EXPECT_EQ(appState().dirtyBadgeText, L"Unsaved");
  setDirty(false);
  EXPECT_EQ(appState().statusText, L"●  Ready");
  EXPECT_EQ(appState().dirtyBadgeText, L"Saved");
  appState() = AppState{};
}

}  // namespace
}  // namespace vk
