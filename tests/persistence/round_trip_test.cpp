#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "persistence/persistence.h"
#include "project_fixture.h"

namespace {

// Saving and reopening: the golden layout, memory left alone, every persisted
// field back, and byte-identical re-saves.

// The first line where two texts differ, for readable failures.
std::string firstDifference(const std::string& a, const std::string& b) {
  size_t line = 1, start = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] != b[i]) {
      const auto lineOf = [&](const std::string& s) { return s.substr(start, std::min<size_t>(s.find('\n', start) - start, 300)); };
      return "line " + std::to_string(line) + ":\n  " + lineOf(a) + "\n  " + lineOf(b);
    }
    if (a[i] == '\n') {
      ++line;
      start = i + 1;
    }
  }
  return a.size() == b.size() ? "" : "lengths differ at line " + std::to_string(line);
}

vk::Project reopen(const std::string& text) {
  vk::ProjectLoadResult result = vk::deserializeProject(text);
  EXPECT_TRUE(result.usable);
  return result.project;
}

TEST(ProjectRoundTrip, RichFixtureMatchesTheGoldenFileAndLeavesMemoryAlone) {
  const vk::Project project = vk_test::makeRichProject();
  const vk::Project before = project;
  const std::string text = vk::serializeProject(project, 1);
  if (std::getenv("VK_UPDATE_GOLDEN")) {
    std::ofstream(std::string(VK_TEST_DATA_DIR) + "/persistence/golden_project.json", std::ios::binary) << text;
  }
  EXPECT_EQ(firstDifference(text, vk_test::readTestFile("golden_project.json")), "");
  EXPECT_TRUE(project == before);
}

TEST(ProjectRoundTrip, RichFixtureReopensWithEveryPersistedField) {
  const vk::Project project = vk_test::makeRichProject();
  const std::string text = vk::serializeProject(project, 1);
  const vk::Project reopened = reopen(text);
  ASSERT_EQ(reopened.scene.objects.size(), project.scene.objects.size());
  for (size_t i = 0; i < project.scene.objects.size(); ++i) {
    EXPECT_EQ(vk_test::objectDifferences(reopened.scene.objects[i], project.scene.objects[i]), "") << "object " << i;
  }
  EXPECT_TRUE(reopened == project);
  EXPECT_EQ(firstDifference(vk::serializeProject(reopened, 1), text), "");
}

// Primitives were once built facing their centre; a project saved then
// opens with those faces exactly as stored, never built again.
TEST(ProjectRoundTrip, StoredPrimitiveMeshesKeepTheirWindings) {
  vk::Project project = vk_test::makeRichProject();
  const std::vector<std::vector<std::int32_t>> inward = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                                                         {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
  vk::Object* cube = nullptr;
  for (vk::Object& o : project.scene.objects)
    if (o.mesh.primitive == L"Cube" && o.meshData.faces.size() == 6) cube = &o;
  ASSERT_NE(cube, nullptr);
  auto& faces = cube->meshData.faces.write();
  for (std::size_t f = 0; f < 6; ++f) faces[f].indices = inward[f];
  const vk::Project reopened = reopen(vk::serializeProject(project, 1));
  const vk::Object* back = vk::findObjectById(reopened.scene, cube->id);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->meshData.faces.size(), 6u);
  for (std::size_t f = 0; f < 6; ++f) EXPECT_EQ(back->meshData.faces[f].indices, inward[f]) << f;
}

TEST(ProjectRoundTrip, NamesEqualToBlockKeysKeepTheirBlocks) {
  vk::Project project = vk_test::makeRichProject();
  const vk::Project reopened = reopen(vk::serializeProject(project, 0));
  // The camera named "camera" keeps its settings; the scene named "objects"
  // keeps every object; "material.glb" keeps its source path.
  EXPECT_EQ(reopened.scene.name, L"objects");
  EXPECT_EQ(reopened.scene.objects[1].name, L"camera");
  EXPECT_EQ(reopened.scene.objects[1].camera.fov, 35);
  EXPECT_EQ(reopened.scene.objects[4].importedAssetSourcePath, L"/nonexistent/fixture/material.glb");
  // Faces without UVs keep their place: later faces keep their UVs and slots.
  const auto& faces = reopened.scene.objects[0].meshData.faces.read();
  ASSERT_EQ(faces.size(), 5u);
  EXPECT_TRUE(faces[2].uvIndices.empty());
  EXPECT_EQ(faces[3].uvIndices, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(faces[3].materialIndex, 0);
  EXPECT_EQ(faces[4].materialIndex, 1);
  // Vectors come back exactly, not to six digits.
  EXPECT_EQ(reopened.scene.objects[0].meshData.vertices[5].x, 999999.7);
  EXPECT_EQ(reopened.scene.objects[0].meshData.uvs[4].v, 0.3333333);
}

TEST(ProjectRoundTrip, RandomHostileProjectsReachAFixedPointAfterOneSave) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 60; ++round) {
    const vk::Project project = vk_test::makeRandomProject(rng);
    const std::string text = vk::serializeProject(project, static_cast<int>(rng() % 3));
    const vk::Project reopened = reopen(text);
    ASSERT_EQ(reopened.scene.objects.size(), project.scene.objects.size());
    for (size_t i = 0; i < project.scene.objects.size(); ++i) {
      EXPECT_EQ(vk_test::objectDifferences(reopened.scene.objects[i], project.scene.objects[i]), "")
          << "round " << round << " object " << i;
    }
    EXPECT_TRUE(reopened == project) << "round " << round;
    EXPECT_EQ(firstDifference(vk::serializeProject(reopened, 0), vk::serializeProject(project, 0)), "") << "round " << round;
    if (HasFailure()) break;
  }
}

TEST(ProjectRoundTrip, ModifierActiveIndexComesFromTheEditorClampedPerStack) {
  vk::Project project = vk_test::makeRichProject();
  vk::appState().activeModifierIndex = 2;
  const std::string text = vk::serializeProject(project);
  vk::appState() = vk::AppState{};
  EXPECT_NE(text.find("\"activeIndex\": 2,\n        \"entries\": [\n        {"), std::string::npos);
  // Objects without entries write 0 and an empty entries list on two lines.
  EXPECT_NE(text.find("\"activeIndex\": 0,\n        \"entries\": [\n        ]\n      },"), std::string::npos);
}

}  // namespace
