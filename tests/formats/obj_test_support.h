// Shared set-up of the Wavefront tests: a scratch folder of the test's own,
// file writing, a parse shortcut and the project save -> open round trip.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "formats/obj_import.h"
#include "model/app_state.h"
#include "model/objects.h"
#include "persistence/persistence.h"
#include "platform/file_io.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "test_temp_folder.h"

namespace vk::test {

namespace fs = std::filesystem;

class WavefrontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();
    headless::clearResponders();
    root_ = uniqueTempFolder("wavefront");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    headless::clearResponders();
    fs::remove_all(root_);
    appState() = AppState{};
  }
  std::wstring write(const std::string& name, const std::string& bytes) {
    const fs::path path = root_ / fs::u8path(name);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return wideFromPath(path);
  }
  std::wstring pathOf(const std::string& name) const { return wideFromPath(root_ / fs::u8path(name)); }
  // Parses `text` as if read from `name` in the scratch folder.
  bool parse(const std::string& text, ObjImportResult& result, std::wstring& error, const std::string& name = "m.obj") {
    return parseObjFile(text, pathOf(name), result, error);
  }
  ObjImportResult parseOk(const std::string& text, const std::string& name = "m.obj") {
    ObjImportResult result;
    std::wstring error;
    EXPECT_TRUE(parse(text, result, error, name)) << std::string(error.begin(), error.end());
    return result;
  }
  fs::path root_;
};

// The same with the headless backend running, for the commands' dialogs and
// message boxes.
class WavefrontCommandTest : public WavefrontTest {
 protected:
  void SetUp() override {
    headless::start(1280, 800, VK_TEST_FONT);
    WavefrontTest::SetUp();
  }
  void TearDown() override {
    WavefrontTest::TearDown();
    headless::stop();
  }
};

// What a careful reader gets from one file: the parse counts, and the
// refusal text when the import refuses it (empty when it imports).
struct ObjFileCounts {
  const char* file;
  std::int32_t vertices, uvs, faces, slots, textureMaps, libraries, skippedFaces, skippedLines;
  const wchar_t* text;  // library names, or the refusal
};

inline std::vector<std::int32_t> faceIndices(const ObjImportResult& result, std::size_t face) {
  return result.mesh.faces.read().at(face).indices;
}

// The object as the project file gives it back after save -> open.
inline Object saveAndOpen(const Object& object) {
  Project project = appState().project;
  project.scene.objects = {object};
  ProjectLoadResult loaded = deserializeProject(serializeProject(project));
  EXPECT_TRUE(loaded.usable);
  EXPECT_EQ(loaded.project.scene.objects.size(), 1u);
  return loaded.project.scene.objects.empty() ? Object{} : loaded.project.scene.objects.front();
}

// Vertices, faces (indices, UVs, materials), UVs and slots survive exactly.
inline void expectSurvivesSaveAndOpen(const Object& object) {
  const Object back = saveAndOpen(object);
  EXPECT_EQ(back.meshData.vertices.read(), object.meshData.vertices.read());
  EXPECT_EQ(back.meshData.faces.read(), object.meshData.faces.read());
  EXPECT_EQ(back.meshData.uvs.read(), object.meshData.uvs.read());
  ASSERT_EQ(back.materialSlots.slots.size(), object.materialSlots.slots.size());
  for (std::size_t i = 0; i < object.materialSlots.slots.size(); ++i)
    EXPECT_EQ(back.materialSlots.slots[i].name, object.materialSlots.slots[i].name) << "slot " << i;
}

}  // namespace vk::test
