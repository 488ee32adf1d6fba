// The status lines of the mesh rules' refusals, of a held drag and of a save
// that warns about a mesh, as the interface face draws them: none is cut by
// the 240-pixel status line.
#include <string>
#include <vector>

#include "model/mesh_guard.h"
#include "persistence/project_flows.h"
#include "status_fit.h"

namespace vk {
namespace {

TEST(MeshGuardMessages, FitTheStatusLine) {
  std::vector<std::wstring> messages = {kDragHeldAtCoordinateLimit, kSavedWithMeshWarning};
  for (const MeshGuardRule rule : kBreakableMeshGuardRules) messages.push_back(meshGuardRefusal(rule));
  test::expectEachFitsTheStatusLine(messages);
}

}  // namespace
}  // namespace vk
