// Shared set-up of the shading tests: a fresh AppState with an empty texture
// cache, fixture paths and texture maps pointing at them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/app_state.h"
#include "model/texture_paths.h"
#include "platform/win32.h"
#include "shading/textures.h"

namespace shadingtest {

inline std::wstring fixturePath(const char* name) {
  return vk::utf8ToWide(std::string(VK_TEST_DATA_DIR) + "/shading/" + name);
}

// An enabled, absolute file map of the channel.
inline vk::TextureMap fileMap(const std::wstring& path, const wchar_t* channel = L"color") {
  vk::TextureMap map;
  map.channel = channel;
  map.path = vk::sanitizeTexturePath(path);
  map.enabled = true;
  map.relative = false;
  return map;
}

// A material whose maps hold one set map.
inline vk::Material materialWithMap(const vk::TextureMap& map, int r = 200, int g = 100, int b = 0) {
  vk::Material material;
  material.r = r;
  material.g = g;
  material.b = b;
  material.textureMaps.maps.push_back(map);
  return material;
}

class ShadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::appState() = vk::AppState{};
    vk::appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::MaterialPreview;
  }
  void TearDown() override {
    vk::endTextureFrame();
    vk::clearTexturePreviewCache();
    vk::appState() = vk::AppState{};
  }
};

// A folder of its own under the system temporary folder, removed afterwards.
struct ScratchFolder {
  std::filesystem::path path;
  ScratchFolder() {
    path = std::filesystem::temp_directory_path() /
           ("vk_shading_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::wstring copyOf(const char* fixture, const char* as) const {
    std::filesystem::copy_file(vk::pathFromWide(fixturePath(fixture)), path / as,
                               std::filesystem::copy_options::overwrite_existing);
    return vk::wideFromPath(path / as);
  }
};

}  // namespace shadingtest
