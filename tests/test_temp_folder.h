// A scratch folder of the running test's own: ctest runs tests as parallel
// processes, so a fixed name would let one test delete another's files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace vk::test {

inline std::filesystem::path uniqueTempFolder(const std::string& tag) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = tag + "_" + std::to_string(getpid());
  if (info) name += std::string("_") + info->test_suite_name() + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';  // parameterised names
  return std::filesystem::path(::testing::TempDir()) / name;
}

}  // namespace vk::test
