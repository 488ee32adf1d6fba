#include "image_fuzz.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "image_test_support.h"

namespace {

const char* const kSeeds[] = {"seed_rgba_interlaced.png",
                              "seed_palette_trns.png",
                              "seed_progressive.jpg",
                              "seed_cmyk_adobe.jpg",
                              "seed_lossless.webp",
                              "seed_32bit.bmp",
                              "seed_rle.tga"};

std::string seed(const char* name) {
  return vktest::readAll(vk::utf8ToWide(std::string(VK_TEST_DATA_DIR "/images/") + name));
}

TEST(ImageFuzz, CommittedSeedsDecode) {
  for (const char* name : kSeeds) {
    const std::string bytes = seed(name);
    ASSERT_FALSE(bytes.empty()) << name;
    vk::ImageArgb image;
    std::wstring reason;
    EXPECT_TRUE(vk::decodeImage(bytes.data(), bytes.size(), image, &reason))
        << name << ": " << vk::wideToUtf8(reason);
    EXPECT_EQ(image.width, std::string(name) == "seed_progressive.jpg" ? 16 : 8) << name;
  }
}

// A fixed-seed stand-in for the fuzzer: random byte changes in every seed
// must be decoded or refused, never crash (run it under ASan).
TEST(ImageFuzz, MutatedSeedsNeverCrash) {
  std::mt19937 random(20261206);
  for (const char* name : kSeeds) {
    const std::string original = seed(name);
    ASSERT_FALSE(original.empty());
    for (int round = 0; round < 400; ++round) {
      std::vector<std::uint8_t> bytes(original.begin(), original.end());
      const int edits = 1 + int(random() % 4);
      for (int e = 0; e < edits; ++e) {
        const std::size_t at = random() % bytes.size();
        switch (random() % 3) {
          case 0:
            bytes[at] ^= std::uint8_t(1u << (random() % 8));
            break;
          case 1:
            bytes[at] = std::uint8_t(random());
            break;
          default:
            bytes[at] = (random() % 2) ? 0xFF : 0x00;
            break;
        }
      }
      if (random() % 4 == 0) bytes.resize(random() % bytes.size());
      vkFuzzDecodeImage(bytes.data(), bytes.size());
    }
  }
}

// Inputs the fuzzer or a bug report found, kept as they were: each decodes
// consistently or is refused, and the hostile ones are refused.
TEST(ImageFuzz, SavedInputsStaySafe) {
  const std::filesystem::path folder = std::filesystem::path(VK_TEST_DATA_DIR) / "images" / "fuzz";
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string bytes = vktest::readAll(vk::wideFromPath(entry.path()));
    EXPECT_EQ(vkFuzzDecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    ++count;
  }
  EXPECT_GT(count, 0u);
  for (const char* refused :
       {"many_scans.jpg", "huge_progressive.jpg", "cut_closed.jpg", "bmp_palette_missing.bmp",
        "bmp_offset_inside_headers.bmp"}) {
    const std::string bytes = vktest::readAll(vk::wideFromPath(folder / refused));
    ASSERT_FALSE(bytes.empty()) << refused;
    vk::ImageArgb image;
    std::wstring reason;
    EXPECT_FALSE(vk::decodeImage(bytes.data(), bytes.size(), image, &reason)) << refused;
  }
}

}  // namespace
