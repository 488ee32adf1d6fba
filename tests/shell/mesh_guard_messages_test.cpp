// The status lines of the mesh rules' refusals, of a held drag and of a save
// that warns about a mesh, as the interface face draws them: none is cut by
// the 240-pixel status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/mesh_guard.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "persistence/project_flows.h"
#include "shell/studio_harness.h"
#include "test_peers.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

TEST(MeshGuardMessages, FitTheStatusLine) {
  VK_REQUIRE_PEER(std::filesystem::exists("/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf"),
                  "Carlito (Debian package fonts-crosextra-carlito)");
  const std::filesystem::path folder = test::uniqueTempFolder("guard_messages");
  std::filesystem::create_directories(folder);
  harness::Options options;
  options.settingsPath = (folder / "veltrask_workspace_phase64_10_5.ini").wstring();
  ASSERT_EQ(harness::start(options), 0);
  std::vector<std::wstring> messages = {kDragHeldAtCoordinateLimit, kSavedWithMeshWarning};
  for (const MeshGuardRule rule : kBreakableMeshGuardRules) messages.push_back(meshGuardRefusal(rule));
  // The check itself sees a cut: a message twice as long as any of ours is.
  const std::wstring tooLong = L"●  " + std::wstring(60, L'W');
  messages.push_back(tooLong);
  for (const std::wstring& message : messages) {
    setStatusText(message);
    const std::vector<std::wstring> cut = harness::cutCaptions();
    const bool wasCut = std::find(cut.begin(), cut.end(), message) != cut.end();
    EXPECT_EQ(wasCut, message == tooLong) << wideToUtf8(message);
  }
  harness::stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vk
