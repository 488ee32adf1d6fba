// Tests that read something beside the build. What scripts/setup installs
// (the assimp tool, a font) is a peer: a developer's partial run skips such a
// test and says so; scripts/test sets VK_REQUIRE_PEERS=1, under which a
// missing peer fails the test, so CI cannot pass by skipping.
// The third-party sample files in ../shared/testdata are not installed by
// anything: a plain clone has no such folder, so those tests skip unless the
// run sets VK_REQUIRE_SHARED_DATA=1, as CI (.ci/run) does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vk::test {

inline bool requiredByEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value && std::strcmp(value, "1") == 0;
}

inline bool peersRequired() { return requiredByEnvironment("VK_REQUIRE_PEERS"); }
inline bool sharedDataRequired() { return requiredByEnvironment("VK_REQUIRE_SHARED_DATA"); }

}  // namespace vk::test

// Leave the calling function (SetUp or a test body) when `available` is
// false: a failure when the run requires it, otherwise a skip that says so.
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

#define VK_REQUIRE_SHARED_DATA(available, what)                                                         \
  do {                                                                                                   \
    if (!(available)) {                                                                                  \
      if (::vk::test::sharedDataRequired())                                                              \
        GTEST_FAIL() << "missing shared test data: " << what << " (VK_REQUIRE_SHARED_DATA=1)";          \
      else                                                                                               \
        GTEST_SKIP() << "NOT CHECKED, missing shared test data: " << what                                \
                     << " (absent from a plain clone; CI has it and sets VK_REQUIRE_SHARED_DATA=1)";     \
    }                                                                                                    \
  } while (0)
