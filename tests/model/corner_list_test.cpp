// A face's corner list against the std::vector it stands in for: random
// edits, copies and moves that cross between the inline room and the heap
// both ways.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/corner_list.h"

namespace vk {
namespace {

using Ints = std::vector<std::int32_t>;

TEST(CornerList, FollowsAVectorThroughRandomEdits) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    CornerList list;
    Ints model;
    for (int step = 0; step < 200; ++step) {
      const auto value = static_cast<std::int32_t>(rng() % 1000);
      const std::size_t at = model.empty() ? 0 : rng() % model.size();
      switch (rng() % 10) {
        case 0:
        case 1:
        case 2:
          list.push_back(value), model.push_back(value);
          break;
        case 3:
          if (!model.empty()) list.pop_back(), model.pop_back();
          break;
        case 4:  // from its own tail
          list.assign(list.begin() + static_cast<std::ptrdiff_t>(at), list.end());
          model = Ints(model.begin() + static_cast<std::ptrdiff_t>(at), model.end());
          break;
        case 5: {
          const Ints more(rng() % 6, value);
          list.insert(list.end() - static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
          model.insert(model.end() - static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
          break;
        }
        case 6:
          if (!model.empty()) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
          }
          break;
        case 7: {
          const std::size_t n = rng() % 9;
          list.resize(n, value), model.resize(n, value);
          break;
        }
        case 8: {
          CornerList copy = list;
          list = std::move(copy);
          CornerList moved(std::move(list));
          list = moved;
          break;
        }
        default:
          if (rng() % 4 == 0) list.clear(), model.clear();
      }
      ASSERT_EQ(list, model) << "seed " << seed << ", step " << step;
      ASSERT_EQ(Ints(list.rbegin(), list.rend()), Ints(model.rbegin(), model.rend()));
    }
  }
}

}  // namespace
}  // namespace vk
