// The glTF JSON document: layout, numbers, materials, textures and image
// URIs, and the embedded buffer.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats/gltf_test_support.h"
#include "persistence/json.h"
#include "platform/file_io.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string base64Decode(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
  };
  std::string out;
  int bits = 0, buffer = 0;
  for (char c : text) {
    const int v = value(c);
    if (v < 0) break;
    buffer = (buffer << 6) | v;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

class GltfJsonTest : public GltfTest {
 protected:
  void SetUp() override {
    GltfTest::SetUp();
    root_ = test::uniqueTempFolder("gltfjson");
    fs::remove_all(root_);
    fs::create_directories(root_ / "out");
  }
  void TearDown() override {
    fs::remove_all(root_);
    GltfTest::TearDown();
  }
  std::wstring path(const std::string& relative) const { return wideFromPath(root_ / fs::u8path(relative)); }
  void writeFile(const std::string& relative, const std::string& bytes) const {
    fs::create_directories((root_ / fs::u8path(relative)).parent_path());
    std::ofstream(root_ / fs::u8path(relative), std::ios::binary) << bytes;
  }
  // Files that pass for images by their signature.
  void writeImages(std::initializer_list<std::string> names) const {
    for (const std::string& name : names)
      writeFile(name, name.ends_with(".png") ? std::string("\x89PNG\r\n\x1A\n", 8) : std::string("\xFF\xD8\xFF"));
  }
  static TextureMap map(const wchar_t* channel, const std::wstring& path) {
    TextureMap m;
    m.channel = channel;
    m.path = path;
    m.enabled = true;
    m.relative = false;
    return m;
  }
  std::string buildJson(GltfBuildState& state, bool glb = false) {
    state.exportFolder = path("out");
    std::wstring error;
    EXPECT_TRUE(build(state, error, true)) << narrow(error);
    return buildGltfSceneJson(state, glb);
  }
  fs::path root_;
};

// A small fixed scene: a parent link, two slots, textures, emission, alpha.
TEST_F(GltfJsonTest, SmallSceneMatchesTheGoldenDocument) {
  app().project.name = L"Golden \"Scene\"";
  Object& group = addKind(ObjectKind::Group, L"Rig");
  group.transform.position = {1, 2, 3};
  group.transform.rotation = {0, 90, 0};
  const std::wstring groupId = group.id;
  Object& mesh = addMesh(L"Panel", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                         {face({0, 1, 2}, 0, {0, 1, 2}), face({0, 2, 3}, 1, {0, 2, 3})},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 2);
  mesh.parentId = groupId;
  mesh.transform.position = {1, 2, 5};
  Material& first = mesh.materialSlots.slots[0];
  first.r = 255, first.g = 128, first.b = 0, first.emission = 4;
  first.textureMaps.maps = {map(L"color", path("tex/wood.png")), map(L"normal", path("tex/bump.jpg"))};
  Material& second = mesh.materialSlots.slots[1];
  second.alpha = 0.5;
  second.textureMaps.maps = {map(L"alpha", path("tex/mask.png"))};
  writeImages({"tex/wood.png", "tex/bump.jpg", "tex/mask.png"});
  GltfBuildState state;
  const std::string json = buildJson(state);

  const std::wstring golden = wideFromPath(fs::path(VK_TEST_DATA_DIR) / "formats" / "small_scene.gltf");
  if (std::getenv("VK_UPDATE_GOLDEN")) writeFileAtomically(golden, json);
  std::string expected;
  ASSERT_TRUE(readFileBytes(golden, expected, 1 << 20)) << "missing golden file; the document was:\n" << json;
  EXPECT_EQ(json, expected);
}

TEST_F(GltfJsonTest, NoTexturesWritesNoTextureKeysAndMaterialFactorsAsGiven) {
  Object& quad = addQuad(L"Q");
  Material& m = quad.materialSlots.slots[0];
  m.r = 255, m.g = 128, m.b = 0, m.alpha = 1, m.emission = 4;
  GltfBuildState state;
  const std::string json = buildJson(state);
  EXPECT_EQ(json.find("\"textures\""), std::string::npos);
  EXPECT_EQ(json.find("\"images\""), std::string::npos);
  EXPECT_NE(json.find("  ],\n  \"buffers\""), std::string::npos);
  EXPECT_NE(json.find("\"baseColorFactor\": [1.000000, 0.501961, 0.000000, 1.000000]"), std::string::npos);
  EXPECT_NE(json.find("\"emissiveFactor\": [1.000000, 0.501961, 0.000000]"), std::string::npos);
  EXPECT_EQ(json.find("MASK"), std::string::npos);
}

TEST_F(GltfJsonTest, EmbeddedBufferDecodesToItsLengthAndGlbHasNoUri) {
  addQuad(L"Q");
  GltfBuildState state;
  const std::string json = buildJson(state);
  const JsonObjectIndex root = indexJsonObject(json);
  const auto buffers = findNestedArray(root, "buffers");
  ASSERT_TRUE(buffers);
  const std::vector<std::string_view> items = extractJsonObjectItems(*buffers);
  ASSERT_EQ(items.size(), 1u);
  const JsonObjectIndex buffer = indexJsonObject(items[0]);
  const std::wstring uri = findString(buffer, "uri", L"");
  const std::wstring prefix = L"data:application/octet-stream;base64,";
  ASSERT_EQ(uri.substr(0, prefix.size()), prefix);
  const std::string decoded = base64Decode(narrow(uri.substr(prefix.size())));
  EXPECT_EQ(decoded.size(), static_cast<std::size_t>(findNumber(buffer, "byteLength", -1)));
  EXPECT_EQ(decoded, state.binBytes);

  const std::string glb = buildGltfSceneJson(state, true);
  EXPECT_NE(glb.find("\"buffers\": [{ \"byteLength\": " + std::to_string(state.binBytes.size()) + " }],"),
            std::string::npos);
  EXPECT_EQ(gltfBase64Encode("ab"), "YWI=");
  EXPECT_EQ(gltfBase64Encode("abc"), "YWJj");
  EXPECT_EQ(gltfBase64Encode("a"), "YQ==");
  EXPECT_EQ(gltfBase64Encode(""), "");
}

TEST_F(GltfJsonTest, BoundsAreTheWrittenFloatsInShortestForm) {
  addMesh(L"Tenth", {{0, 0, 0}, {0.1, 0, 0}, {0, 0.1, 0.1}}, {face({0, 1, 2})});  // z is -0.1 in the file
  GltfBuildState state;
  const std::string json = buildJson(state);
  EXPECT_NE(json.find("\"min\": [0, 0, -0.10000000149011612], \"max\": [0.10000000149011612, 0.10000000149011612, 0]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"componentType\": 5123, \"count\": 3, \"type\": \"SCALAR\", \"min\": [0], \"max\": [2]"),
            std::string::npos);
}

TEST_F(GltfJsonTest, ImageUrisAreRelativeEncodedAndLimitedToPngAndJpeg) {
  writeFile("abs/photo.jpg", "\xFF\xD8\xFF\xE0 jpeg");
  writeFile("tex dir/wood \xC3\xB8.png", "\x89PNG\r\n\x1A\n png");
  writeFile("disguised.dat", "\x89PNG\r\n\x1A\n png");
  writeFile("fake.png", "GIF89a not a png");
  writeFile("proj/tex/a.png", "\x89PNG\r\n\x1A\n");
  app().projectPath = path("proj/scene.vkproj");
  Object& quad = addQuad(L"Q");
  std::vector<Material>& slots = quad.materialSlots.slots;
  slots.assign(8, Material{});
  slots[0].textureMaps.maps = {map(L"color", path("abs/photo.jpg"))};
  slots[1].textureMaps.maps = {map(L"color", path("tex dir/wood \xC3\xB8.png"))};
  TextureMap relative = map(L"color", L"tex/a.png");
  relative.relative = true;
  slots[2].textureMaps.maps = {relative, map(L"normal", path("proj/tex/a.png"))};  // one file, two spellings
  TextureMap data = map(L"color", L"data:image/png;base64,iVBORw0KGgo=");
  data.dataUri = true;
  slots[3].textureMaps.maps = {data};
  slots[4].textureMaps.maps = {map(L"color", path("missing/old.bmp"))};
  slots[5].textureMaps.maps = {map(L"color", path("disguised.dat")), map(L"normal", path("fake.png"))};
  slots[6].textureMaps.maps = {map(L"color", path("abs/photo.jpg"))};  // shared with slot 0
  // An external image a glTF import did not know the format of, and one
  // embedded in the imported file.
  TextureMap unknown = map(L"color", path("abs/scan.ktx2")), embedded = map(L"normal", L"embedded-image-bufferView-3");
  unknown.unsupportedFormat = true;
  unknown.sourceKind = L"external";
  embedded.embedded = true;
  embedded.sourceKind = L"embedded-bufferView";
  slots[7].textureMaps.maps = {unknown, embedded};
  GltfBuildState state;
  buildJson(state);
  EXPECT_EQ(state.imageUris, (std::vector<std::wstring>{L"../abs/photo.jpg", L"../tex%20dir/wood%20%C3%B8.png",
                                                         L"../proj/tex/a.png", L"../disguised.dat"}));
  EXPECT_EQ(state.textureImageIndices, (std::vector<std::uint32_t>{0, 1, 2, 3}));
  EXPECT_TRUE(hasNote(state, kGltfNoteNonFileTexture));
  // Every image left out but the embedded ones is named once, with why.
  const std::wstring leftOut = std::wstring(kGltfNoteImagesLeftOut) + path("fake.png") +
                               L" (not a PNG or JPEG image), " + path("abs/scan.ktx2") + L" (not a PNG or JPEG image).";
  EXPECT_TRUE(hasNote(state, leftOut.c_str())) << narrow(state.qaNotes.back());

  // absent files are judged by extension
  TextureMap absent = map(L"color", path("later/Shot.JPEG"));
  EXPECT_EQ(gltfTextureUri(absent, path("out")), L"../later/Shot.JPEG");
  absent.path = path("later/shot.tga");
  GltfImageLeftOut why = GltfImageLeftOut::None;
  EXPECT_EQ(gltfTextureUri(absent, path("out"), &why), L"");
  EXPECT_EQ(why, GltfImageLeftOut::NotPngOrJpeg);
  writeFile("empty.jpg", "");
  absent.path = path("empty.jpg");
  EXPECT_EQ(gltfTextureUri(absent, path("out"), &why), L"");
  EXPECT_EQ(why, GltfImageLeftOut::EmptyFile);
  // a long path is never cut
  const std::string deep = std::string(600, 'd') + "/x.png";
  absent.path = path(deep);
  EXPECT_EQ(gltfTextureUri(absent, path("out")), L"../" + std::wstring(deep.begin(), deep.end()));
}

TEST_F(GltfJsonTest, TexturedMaterialWithoutUvsUsesAnUntexturedCopy) {
  Object& plain = addQuad(L"NoUv");
  Material& m = plain.materialSlots.slots[0];
  m.alpha = 0.5;
  m.r = 10;
  m.textureMaps.maps = {map(L"color", path("t/c.png")), map(L"roughness", path("t/r.png"))};
  writeImages({"t/c.png", "t/r.png"});
  Material shared = m;
  addMesh(L"WithUv", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {face({0, 1, 2}, 0, {0, 1, 2})}, {{0, 0}, {1, 0}, {0, 1}});
  scene().objects[1].materialSlots.slots[0] = shared;
  addQuad(L"NoUvToo").materialSlots.slots[0] = shared;
  GltfBuildState state;
  const std::string json = buildJson(state);
  ASSERT_EQ(state.materials.size(), 5u);  // copies appended after the others, one per material
  EXPECT_EQ(state.meshes[0].primitives[0].material, 3);
  EXPECT_EQ(state.meshes[1].primitives[0].material, 1);
  EXPECT_EQ(state.meshes[2].primitives[0].material, 4);
  EXPECT_TRUE(hasNote(state, kGltfNoteUntexturedCopies));
  EXPECT_TRUE(hasNote(state, kGltfNoteRoughnessMap));
  const std::size_t copy = json.find("\n", json.find("\"materials\"") + 1);
  std::size_t line = copy;
  for (int i = 0; i < 3; ++i) line = json.find("\n", line + 1);
  const std::string last = json.substr(line + 1, json.find("\n", line + 1) - line - 1);
  EXPECT_EQ(last.find("Texture"), std::string::npos) << last;
  EXPECT_NE(last.find("\"baseColorFactor\": [0.039216"), std::string::npos) << last;
  EXPECT_NE(last.find("\"alphaMode\": \"BLEND\" }"), std::string::npos) << last;
}

TEST_F(GltfJsonTest, NamesWithControlCharactersAndEmojiStayValidJson) {
  addQuad(L"Tab\there \"q\" \\ \x01 \U0001F600");
  GltfBuildState state;
  const std::string json = buildJson(state);
  EXPECT_NE(json.find("\"name\": \"Tab\\there \\\"q\\\" \\\\ \\u0001 \xF0\x9F\x98\x80\""), std::string::npos);
}

}  // namespace
}  // namespace vk
