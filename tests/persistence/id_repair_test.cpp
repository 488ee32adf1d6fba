// Objects read without ids, or with ids another object holds, get fresh
// "obj-" ids. The repair answers what a scan of the scene for each candidate
// would, for any mix of ids, however many objects a file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

// Straightforward repair, one scene scan per candidate id.
std::vector<std::wstring> scannedRepair(std::vector<std::wstring> ids) {
  Scene scene;
  for (const std::wstring& id : ids) {
    Object object;
    object.id = id.empty() ? L"obj-imported" : id;  // what the reader gives an item without one
    scene.objects.push_back(object);
  }
  std::int64_t highest = 0;
  for (const Object& o : scene.objects) highest = std::max(highest, objectIdNumber(o.id).value_or(0));
  auto counter = static_cast<std::uint32_t>(std::min<std::int64_t>(highest + 1, UINT32_MAX));
  std::vector<std::wstring> seen;
  for (Object& o : scene.objects) {
    if (!o.id.empty() && std::find(seen.begin(), seen.end(), o.id) == seen.end()) {
      seen.push_back(o.id);
      continue;
    }
    o.id = makeUniqueObjectId(scene, counter);
    seen.push_back(o.id);
  }
  std::vector<std::wstring> out;
  for (const Object& o : scene.objects) out.push_back(o.id);
  return out;
}

std::string projectWithIds(const std::vector<std::wstring>& ids) {
  std::string text = "{\"scene\":{},\"objects\":[";
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i) text += ',';
    if (ids[i].empty()) {
      text += "{}";
    } else {
      text += "{\"id\":\"" + std::string(ids[i].begin(), ids[i].end()) + "\"}";
    }
  }
  return text + "]}";
}

TEST(ObjectIdRepair, MatchesAScanOnMixedItems) {
  std::mt19937 random(4242);
  const std::vector<std::wstring> pool = {L"",      L"",       L"obj-1",  L"obj-2",     L"obj-3",
                                          L"obj-5", L"obj-12abc", L"obj-x", L"light", L"obj-7"};
  for (int round = 0; round < 20; ++round) {
    std::vector<std::wstring> ids;
    const int count = std::uniform_int_distribution<int>(50, 400)(random);
    for (int i = 0; i < count; ++i) {
      const int pick = std::uniform_int_distribution<int>(0, static_cast<int>(pool.size()) + 2)(random);
      if (pick < static_cast<int>(pool.size())) {
        ids.push_back(pool[pick]);
      } else {
        // Numbers the repair itself will reach, so candidates collide.
        ids.push_back(L"obj-" + std::to_wstring(std::uniform_int_distribution<int>(1, 2 * count)(random)));
      }
    }
    const ProjectLoadResult loaded = deserializeProject(projectWithIds(ids));
    ASSERT_TRUE(loaded.usable);
    std::vector<std::wstring> repaired;
    for (const Object& o : loaded.project.scene.objects) repaired.push_back(o.id);
    ASSERT_EQ(repaired, scannedRepair(ids)) << "round " << round;
    std::vector<std::wstring> sorted = repaired;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    ASSERT_EQ(loaded.project.scene.collections.at(0).objectIds, repaired);
  }
}

TEST(ObjectIdRepair, RestoredProjectsGiveRepeatedRestoredIdsFreshOnes) {
  Project project;
  for (const wchar_t* id : {L"obj-restored", L"", L"obj-2", L"obj-restored", L"obj-3"}) {
    Object object;
    object.id = id;
    project.scene.objects.push_back(object);
  }
  sanitizeRestoredProject(project);
  std::vector<std::wstring> ids;
  for (const Object& o : project.scene.objects) ids.push_back(o.id);
  EXPECT_EQ(ids, (std::vector<std::wstring>{L"obj-restored", L"obj-4", L"obj-2", L"obj-5", L"obj-3"}));
}

}  // namespace
}  // namespace vk
