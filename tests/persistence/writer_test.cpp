#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "model/sanitize.h"
#include "persistence/persistence.h"
#include "platform/kernel.h"
#include "project_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WriteTextFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("vk_persist_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::wstring wide(const fs::path& p) const { return vk::utf8ToWide(p.string()); }
  size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator())); }
  fs::path folder_;
};

TEST_F(WriteTextFile, ReplacesTheWholeFileAndRefusesUnwritableTargets) {
  const fs::path target = folder_ / "project \u00e9.json";
  ASSERT_TRUE(vk::writeTextFile(wide(target), std::string(5000, 'x')));
  ASSERT_TRUE(vk::writeTextFile(wide(target), "short\n"));
  EXPECT_EQ(slurp(target), "short\n");
  EXPECT_EQ(entries(), 1u);  // no temporary file left behind

  EXPECT_FALSE(vk::writeTextFile(wide(folder_ / "missing" / "p.json"), "x"));
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  EXPECT_FALSE(vk::writeTextFile(L"", "x"));
  // A folder standing where the file should go stays a folder.
  fs::create_directories(folder_ / "taken");
  EXPECT_FALSE(vk::writeTextFile(wide(folder_ / "taken"), "x"));
  EXPECT_TRUE(fs::is_directory(folder_ / "taken"));
  EXPECT_EQ(slurp(target), "short\n");
}

TEST_F(WriteTextFile, AFailureMidWriteLeavesThePreviousFileByteIdentical) {
  const fs::path target = folder_ / "project.json";
  const std::string previous = vk::serializeProject(vk_test::makeRichProject(), 0);
  ASSERT_TRUE(vk::writeTextFile(wide(target), previous));
  // A child process whose file-size limit stops the write halfway (as a full
  // disk would); the parent checks what is left on disk.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{16384, 16384};
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = vk::writeTextFile(wide(target), std::string(1 << 20, 'n'));
    _exit(ok ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
  EXPECT_EQ(slurp(target), previous);
  EXPECT_EQ(entries(), 1u);
}

TEST(ProjectWriter, NormalisesCopiesOnly) {
  vk::Project project;
  vk::Object o;
  o.id = L"obj-1";
  vk::Material slot;
  slot.name = L"";
  slot.r = 300;
  slot.g = -5;
  slot.alpha = 0;
  slot.emission = 9;
  o.materialSlots.slots = {vk::Material{}, vk::Material{}, slot};
  o.materialSlots.activeIndex = 5;
  o.camera.fov = 500;
  vk::CameraKeyframe key;
  key.frame = 250000;
  key.settings.fov = 500;
  key.id = L"";
  o.cameraAnimation.keyframes = {key};
  vk::TransformKeyframe a, b, c;
  a.frame = 30;
  b.frame = 10;
  b.note = L"first";
  c.frame = 10;
  c.note = L"second";
  o.transformAnimation.keyframes = {a, b, c};
  o.transformAnimation.selectedKeyId = L"tkey-99";
  o.meshData.faces = std::vector<vk::MeshFace>{{{0, 1, 2}, {}, 2}, {{0, 2, 3}, {}, 1}};
  o.meshData.faceMaterialIndices = std::vector<int32_t>{0, 0};  // stale derived list
  o.transform.position = {std::nan(""), HUGE_VAL, -0.0};
  project.scene.timelineSettings.fps = 300;
  project.scene.viewportShadingMode = static_cast<vk::ViewportShadingMode>(7);
  project.scene.objects = {o};
  const vk::Project before = project;

  const std::string text = vk::serializeProject(project, 3);
  EXPECT_TRUE(std::isnan(project.scene.objects[0].transform.position.x));
  project.scene.objects[0].transform.position.x = 0;  // NaN never compares equal
  vk::Project expected = before;
  expected.scene.objects[0].transform.position.x = 0;
  EXPECT_TRUE(project == expected);
  const auto has = [&](const std::string& part) { return text.find(part) != std::string::npos; };
  EXPECT_TRUE(has("{ \"name\": \"Material 3\", \"r\": 255, \"g\": 0, \"b\": 220, \"roughness\": 0.5500, \"metallic\": 0.0000, \"alpha\": 0.0500, \"emission\": 4.0000"));
  EXPECT_TRUE(has("\"activeIndex\": 2,\n        \"slots\""));
  EXPECT_TRUE(has("\"camera\": { \"fov\": 500.0000,"));
  EXPECT_TRUE(has("{ \"id\": \"ckey-100000\", \"frame\": 100000, \"fov\": 179.0000,"));
  EXPECT_TRUE(has("\"selectedKeyId\": \"\",\n        \"keyframes\": [{ \"id\": \"tkey-10\", \"frame\": 10,"));
  EXPECT_TRUE(has("\"note\": \"second\" }, { \"id\": \"tkey-30\", \"frame\": 30,"));
  EXPECT_FALSE(has("\"first\""));
  EXPECT_TRUE(has("\"faceMaterialIndices\": [2, 1]"));
  EXPECT_TRUE(has("\"position\": { \"x\": 0, \"y\": 0, \"z\": -0 }"));
  EXPECT_TRUE(has("\"fps\": 240.0000"));
  EXPECT_TRUE(has("\"viewportShadingMode\": \"Lit\""));
  EXPECT_TRUE(has("\"collections\": [\n  ],\n  \"objects\": [\n    {\n"));
  EXPECT_TRUE(text.ends_with("    }\n  ]\n}\n"));

  project.scene.objects.clear();
  EXPECT_TRUE(vk::serializeProject(project, 0).ends_with("\"objects\": [\n  ]\n}\n"));
}

TEST(ProjectWriter, BlockForms) {
  EXPECT_EQ(vk::jsonVec3({0.5, 1234567, 0.0000001}), "{ \"x\": 0.5, \"y\": 1234567, \"z\": 1e-07 }");
  vk::Material onlyColor;
  vk::TextureMap color;
  color.path = L"  C:\\tex\\wood.png \t";
  color.enabled = true;
  onlyColor.textureMaps.maps = {color};
  const std::string slots = vk::serializeTextureSlots(onlyColor);
  EXPECT_TRUE(slots.starts_with("{ \"schema\": \"texture-slots-v1\", \"maps\": [{ \"channel\": \"color\", \"path\": \"C:/tex/wood.png\","));
  size_t pos = 0;
  for (const char* channel : {"color", "normal", "roughness", "metallic", "alpha", "emission"}) {
    pos = slots.find(std::string("\"channel\": \"") + channel + "\"", pos);
    EXPECT_NE(pos, std::string::npos) << channel;
  }
  vk::TextureMap normal;
  normal.channel = L"normal";
  normal.colorSpace = L"";
  normal.enabled = true;
  EXPECT_TRUE(vk::serializeTextureMap(normal).find("\"colorSpace\": \"Linear\", \"enabled\": false,") != std::string::npos);
  vk::ModifierParam flag{L"merge", L"bool", 0, L"", true};
  EXPECT_EQ(vk::serializeModifierParameter(flag),
            "{ \"key\": \"merge\", \"kind\": \"bool\", \"number\": 0.0000, \"text\": \"\", \"flag\": true }");
  EXPECT_EQ(vk::serializePresetBrowser(vk::PresetBrowserState{L"", false, L"Nope", L"", L"", 0}),
            "{ \"schema\": \"preset-browser-v1\", \"visible\": false, \"categoryFilter\": \"All\", \"selectedPresetId\": "
            "\"starter-clean-modeling-scene\", \"lastPreviewStatus\": \"Preset Browser ready\", \"previewOnly\": true }");
}

// Fields written with four decimals keep that form for values it holds, and
// take the shortest exact fixed form for values it would change: a camera's
// 16:9 aspect, a roughness stepped by 0.05, a modifier's third reopen as
// they were. A material capsule's stamp on a slot is written when present
// (slots without one keep the golden file's form).
TEST(ProjectWriter, FourDecimalFieldsAndSlotStampsReopenAsStored) {
  vk::Project project = vk_test::makeRichProject();
  vk::Object& o = project.scene.objects.at(0);
  o.camera.aspect = 16.0 / 9.0;
  o.camera.nearClip = 0.123456789;
  ASSERT_FALSE(o.materialSlots.slots.empty());
  vk::Material& slot = o.materialSlots.slots.at(static_cast<std::size_t>(o.materialSlots.activeIndex));
  slot.roughness = 0.55 + 0.05;
  slot.capsuleId = L"material-black-rubber";
  slot.capsuleLabel = L"Black \"Rubber\"";
  slot.capsuleNote = L"Phase 63 material capsule";
  o.material = slot;
  vk::Modifier entry;
  entry.type = L"Array";
  entry.parameters = {vk::ModifierParam{L"offsetX", L"number", 1.0 / 3.0, L"", false}};
  o.modifierStack.entries.push_back(entry);
  const std::string text = vk::serializeProject(project, 0);
  const auto has = [&](const std::string& part) { return text.find(part) != std::string::npos; };
  EXPECT_TRUE(has("\"aspect\": 1.7777777777777777 }"));
  EXPECT_TRUE(has("\"nearClip\": 0.123456789,"));
  EXPECT_TRUE(has("\"roughness\": 0.6000000000000001,"));
  EXPECT_TRUE(has("\"number\": 0.3333333333333333,"));
  EXPECT_TRUE(has("\"farClip\": 1000.0000,"));  // held exactly: the four decimals stay
  EXPECT_TRUE(has("\"capsuleId\": \"material-black-rubber\", \"capsuleLabel\": \"Black \\\"Rubber\\\"\""));

  const vk::ProjectLoadResult loaded = vk::deserializeProject(text);
  ASSERT_TRUE(loaded.usable);
  const vk::Object& back = loaded.project.scene.objects.at(0);
  EXPECT_EQ(back.camera, o.camera);
  EXPECT_EQ(back.materialSlots.slots.at(static_cast<std::size_t>(o.materialSlots.activeIndex)), slot);
  EXPECT_EQ(back.material, slot);
  ASSERT_FALSE(back.modifierStack.entries.empty());
  for (const vk::ModifierParam& param : back.modifierStack.entries.back().parameters) {
    if (param.key == L"offsetX") {
      EXPECT_EQ(param.number, 1.0 / 3.0);
    }
  }
}

}  // namespace
