// A scratch folder of the running test's own: ctest runs tests as parallel
// processes, so a fixed name would let one test delete another's files.
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

namespace vk::test {

inline std::filesystem::path uniqueTempFolder(const std::string& tag) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = tag + "_" + std::to_string(getpid());
  if (info) name += std::string("_") + info->test_suite_name() + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';  // parameterised names
  return std::filesystem::path(::testing::TempDir()) / name;
}

// A small tmpfs mounted on an empty folder of the test's own, for a truly
// full disk; `mounted` is false where this process may not mount, and the
// test then falls back to an injected failure.
class SmallTmpfs {
 public:
  SmallTmpfs(std::filesystem::path folder, const char* size) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    const std::string options = std::string("size=") + size;
    mounted = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallTmpfs() {
    if (mounted) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  // Fills what is left of the file system with one file.
  void fill() const {
    const std::string block(4096, 'f');
    std::FILE* file = std::fopen((folder_ / "filler").c_str(), "wb");
    if (!file) return;
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
    }
    std::fclose(file);
  }

  bool mounted = false;

 private:
  std::filesystem::path folder_;
};

}  // namespace vk::test
