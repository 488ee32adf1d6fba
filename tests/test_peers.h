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
#define VK_LEAVE_UNLESS_AVAILABLE(available, required, failure, skip) \
  do {                                                                \
    if (!(available)) {                                               \
      if (required)                                                   \
        GTEST_FAIL() << failure;                                      \
      else                                                            \
        GTEST_SKIP() << skip;                                         \
    }                                                                 \
  } while (0)

// What scripts/setup installs (assimp, a font): required under VK_REQUIRE_PEERS=1.
#define VK_REQUIRE_PEER(available, what)                                                             \
  VK_LEAVE_UNLESS_AVAILABLE(available, ::vk::test::peersRequired(),                                  \
                            "missing peer: " << what << " (VK_REQUIRE_PEERS=1; run scripts/setup)",   \
                            "NOT CHECKED, missing peer: "                                            \
                                << what << " (scripts/setup installs it; scripts/test fails without it)")

// The shared sample files beside the clone: required under VK_REQUIRE_SHARED_DATA=1.
#define VK_REQUIRE_SHARED_DATA(available, what)                                                          \
  VK_LEAVE_UNLESS_AVAILABLE(available, ::vk::test::sharedDataRequired(),                                 \
                            "missing shared test data: " << what << " (VK_REQUIRE_SHARED_DATA=1)",        \
                            "NOT CHECKED, missing shared test data: "                                    \
                                << what << " (absent from a plain clone; CI has it and sets VK_REQUIRE_SHARED_DATA=1)")
