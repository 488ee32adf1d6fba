// Stands in for libFuzzer's driver: runs a fuzz target once on every file
// under the folders given, so the kept findings replay as an ordinary test
// with any compiler (and under the sanitizers in CI). A folder without inputs
// fails, so a moved folder cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputsUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (it->is_regular_file()) files.push_back(it->path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::vector<std::filesystem::path> files = inputsUnder(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "%s: no inputs\n", argv[i]);
      return 1;
    }
    for (const std::filesystem::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      // An allocation of exactly the input's size, as libFuzzer makes, so
      // AddressSanitizer sees a read one byte past the end.
      const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
      std::memcpy(exact.get(), bytes.data(), bytes.size());
      std::printf("%s\n", file.c_str());
      std::fflush(stdout);  // the last name printed is the input a crash belongs to
      LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    }
    std::printf("%zu inputs replayed from %s\n", files.size(), argv[i]);
  }
  return 0;
}
