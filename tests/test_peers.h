// Tests that read something scripts/setup installs beside the build: the
// shared test data, the assimp tool, a font. A developer's partial run skips
// them and says so; scripts/test sets VK_REQUIRE_PEERS=1, under which a
// missing peer fails the test, so CI cannot pass by skipping.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vk::test {

inline bool peersRequired() {
  const char* value = std::getenv("VK_REQUIRE_PEERS");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace vk::test

// Leaves the calling function (SetUp or a test body) when `available` is
// false: a failure under VK_REQUIRE_PEERS=1, otherwise a skip.
#define VK_REQUIRE_PEER(available, what)                                                                \
  do {                                                                                                   \
    if (!(available)) {                                                                                  \
      if (::vk::test::peersRequired())                                                                   \
        GTEST_FAIL() << "missing peer: " << what << " (VK_REQUIRE_PEERS=1; run scripts/setup)";         \
      else                                                                                               \
        GTEST_SKIP() << "NOT CHECKED, missing peer: " << what                                            \
                     << " (scripts/setup installs it; scripts/test fails without it)";                   \
    }                                                                                                    \
  } while (0)
