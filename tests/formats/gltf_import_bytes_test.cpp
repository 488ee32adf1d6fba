// glTF import bytes: GLB containers cut and lying about lengths, the BOM,
// files that are not regular, shared .bin reads, the loaded-bytes cap,
// percent-encoded URIs and URIs that lead out of the file's folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "gltf_import_fixture.h"
#include "platform/kernel.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::GltfFixture;

GltfFixture triangleFixture() {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), f.indices({0, 1, 2}));
  f.node("\"mesh\":0");
  return f;
}

std::uint32_t& lengthAt(std::string& bytes, std::size_t at) { return *reinterpret_cast<std::uint32_t*>(&bytes[at]); }

class GltfFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::uniqueTempFolder("gltfbytes");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::wstring write(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / fs::u8path(name), std::ios::binary) << bytes;
    return path(name);
  }
  std::wstring path(const std::string& name) { return utf8ToWide((root_ / fs::u8path(name)).string()); }
  bool load(const std::wstring& file, PendingGltfDocument& document, std::wstring& error) {
    document.cancelProbe = [](const std::wstring&) { return false; };
    return phase65LoadDocument(file, document, error);
  }
  fs::path root_;
};

TEST(GltfContainer, EveryPrefixOfAValidGlbFailsCleanlyOrLoads) {
  const std::string glb = triangleFixture().glb();
  for (std::size_t n = 0; n <= glb.size(); ++n) {
    PendingGltfDocument document;
    std::wstring error;
    std::string cut = glb.substr(0, n);
    if (n >= 12) lengthAt(cut, 8) = static_cast<std::uint32_t>(n);  // keep the header honest
    const bool ok = test::loadGltfBytes(cut, document, &error);
    if (n == glb.size()) {
      ASSERT_TRUE(ok);
      MeshData mesh;
      std::wstring message;
      EXPECT_TRUE(test::buildMesh(document, 0, mesh, message));
    } else if (!ok) {
      EXPECT_FALSE(error.empty()) << n;
    }
  }
}

TEST(GltfContainer, LyingChunkLengthsNeverWrapPastTheEnd) {
  const std::string glb = triangleFixture().glb();
  for (std::uint32_t length : {0xFFFFFFF8u, 0xFFFFFFFFu, static_cast<std::uint32_t>(glb.size())}) {
    std::string bad = glb;
    lengthAt(bad, 12) = length;
    PendingGltfDocument document;
    std::wstring error;
    EXPECT_FALSE(test::loadGltfBytes(bad, document, &error));
    EXPECT_EQ(error, L"GLB import failed: chunk length exceeds file size.");
  }
  std::string longer = glb;
  lengthAt(longer, 8) = static_cast<std::uint32_t>(glb.size() + 1);
  PendingGltfDocument document;
  std::wstring error;
  EXPECT_FALSE(test::loadGltfBytes(longer, document, &error));
  EXPECT_EQ(error, L"GLB import failed: only glTF 2.0 binary containers are supported.");
}

TEST(GltfContainer, BinBeforeJsonAndALeadingBomStillLoad) {
  const GltfFixture f = triangleFixture();
  for (const std::string& bytes : {GltfFixture::makeGlb(f.json(""), f.bin, true),
                                   GltfFixture::makeGlb("\xEF\xBB\xBF" + f.json(""), f.bin),
                                   "\xEF\xBB\xBF" + f.gltfWithDataUri()}) {
    PendingGltfDocument document;
    ASSERT_TRUE(test::loadGltfBytes(bytes, document));
    MeshData mesh;
    std::wstring message;
    ASSERT_TRUE(test::buildMesh(document, 0, mesh, message)) << message;
    EXPECT_EQ(mesh.faces.size(), 1u);
  }
}

TEST_F(GltfFiles, FifosAreRefusedAtOnceAsSourceBufferAndImage) {
  ASSERT_EQ(mkfifo((root_ / "pipe.glb").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((root_ / "pipe.gltf").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((root_ / "pipe.bin").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((root_ / "pipe.png").c_str(), 0600), 0);
  fs::create_directory(root_ / "folder.gltf");
  write("huge.gltf", "");
  fs::resize_file(root_ / "huge.gltf", kGltfImportTextByteLimit + 1);  // sparse: no disk used
  // Below the sentence, the path and what it is: a text file's sentence
  // names the size limit too, which only the last row passes.
  const std::wstring glbText = L"Phase 65 import failed: file could not be opened.";
  const std::wstring gltfText = L"glTF import failed: file could not be opened or exceeded the safe size limit.";
  const std::pair<std::string, std::wstring> unread[] = {
      {"pipe.glb", glbText + L"\n\n\"" + path("pipe.glb") + L"\" is a FIFO, not a regular file."},
      {"pipe.gltf", gltfText + L"\n\n\"" + path("pipe.gltf") + L"\" is a FIFO, not a regular file."},
      {"folder.gltf", gltfText + L"\n\n\"" + path("folder.gltf") + L"\" is a folder, not a regular file."},
      {"huge.gltf", gltfText}};  // refused by its size alone, before it is opened
  std::wstring error;
  for (const auto& [name, text] : unread) {
    PendingGltfDocument source;
    EXPECT_FALSE(load(path(name), source, error));
    EXPECT_EQ(error, text) << name;
  }

  GltfFixture f = triangleFixture();
  f.extra = "\"images\":[{\"uri\":\"pipe.png\"}],\"textures\":[{\"source\":0}],";
  PendingGltfDocument document;
  ASSERT_TRUE(load(write("scene.gltf", f.json(",\"uri\":\"pipe.bin\"")), document, error));
  ASSERT_EQ(document.buffers.size(), 1u);
  EXPECT_FALSE(document.buffers[0].loaded);
  EXPECT_EQ(document.warnings[0], L"Missing or unreadable external .bin buffer: pipe.bin");
  ASSERT_EQ(document.images.size(), 1u);
  EXPECT_EQ(document.images[0].sourceKind, L"external");
}

TEST_F(GltfFiles, ABinNamedByAThousandBuffersIsReadOnce) {
  GltfFixture f = triangleFixture();
  write("shared.bin", f.bin);
  std::string buffers;
  for (int i = 0; i < 1000; ++i) buffers += std::string(i ? "," : "") + "{\"uri\":\"shared.bin\",\"byteLength\":" +
                                            std::to_string(f.bin.size()) + "}";
  std::string json = f.json(",\"uri\":\"shared.bin\"");
  json.replace(json.find("\"buffers\":["), 0, "\"buffers\":[" + buffers + "],\"unused\":");
  PendingGltfDocument document;
  std::wstring error;
  ASSERT_TRUE(load(write("many.gltf", json), document, error));
  ASSERT_EQ(document.buffers.size(), 1000u);
  for (const PendingGltfBuffer& buffer : document.buffers) {
    ASSERT_TRUE(buffer.loaded);
    EXPECT_EQ(buffer.owner.get(), document.buffers[0].owner.get());
  }
  EXPECT_TRUE(document.warnings.empty() || document.warnings[0].find(L".bin") == std::wstring::npos);
}

TEST_F(GltfFiles, LoadedBufferBytesAreCappedAt256MiB) {
  // Sparse files: 5 x 60 MiB, of which only four fit under the cap.
  std::string buffers;
  for (int i = 0; i < 5; ++i) {
    const fs::path file = root_ / ("big" + std::to_string(i) + ".bin");
    std::ofstream(file).close();
    fs::resize_file(file, 60u << 20);
    buffers += std::string(i ? "," : "") + "{\"uri\":\"big" + std::to_string(i) + ".bin\"}";
  }
  PendingGltfDocument document;
  std::wstring error;
  ASSERT_TRUE(load(write("big.gltf", "{\"buffers\":[" + buffers + "]}"), document, error));
  ASSERT_EQ(document.buffers.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(document.buffers[static_cast<std::size_t>(i)].loaded) << i;
  EXPECT_FALSE(document.buffers[4].loaded);
  EXPECT_EQ(document.warnings.back(), L"Missing or unreadable external .bin buffer: big4.bin");
}

TEST_F(GltfFiles, PercentEncodedAndRawUrisBothResolve) {
  const GltfFixture f = triangleFixture();
  write("with space.bin", f.bin);
  write("caf\xC3\xA9.bin", f.bin);
  write("literal%41.bin", f.bin);  // a writer that does not encode
  for (const char* uri : {"with%20space.bin", "caf%C3%A9.bin", "with space.bin", "literal%41.bin"}) {
    PendingGltfDocument document;
    std::wstring error;
    ASSERT_TRUE(load(write("uri.gltf", f.json(std::string(",\"uri\":\"") + uri + "\"")), document, error));
    ASSERT_EQ(document.buffers.size(), 1u);
    EXPECT_TRUE(document.buffers[0].loaded) << uri;
  }
  PendingGltfDocument document;
  std::wstring error;
  ASSERT_TRUE(load(write("nul.gltf", f.json(",\"uri\":\"with%00space.bin\"")), document, error));
  EXPECT_FALSE(document.buffers[0].loaded);

  // An encoded image URI is found, and its texture map names the file itself.
  write("tex one.png", "png");
  GltfFixture textured = triangleFixture();
  textured.extra = "\"images\":[{\"uri\":\"tex%20one.png\"}],\"textures\":[{\"source\":0}],\"materials\":[{"
                   "\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}],";
  PendingGltfDocument image;
  ASSERT_TRUE(load(write("image.gltf", textured.gltfWithDataUri()), image, error));
  EXPECT_FALSE(image.images[0].missingExternal);
  const auto& maps = image.materials[0].textureMaps.maps;
  const auto color = std::find_if(maps.begin(), maps.end(), [](const TextureMap& m) { return m.channel == L"color"; });
  ASSERT_NE(color, maps.end());
  EXPECT_EQ(color->path, path("tex one.png"));  // no project yet: the file, absolute
  EXPECT_TRUE(color->enabled);
}

// Only the glTF file's folder and its subfolders are read. A buffer URI that
// names anything else blocks the import and is named in the message; an image
// URI of that kind loses its map, with a note.
TEST_F(GltfFiles, UrisReadOnlyTheGltfFilesFolderAndItsSubfolders) {
  const GltfFixture f = triangleFixture();
  fs::create_directories(root_ / "model" / "sub");
  write("outside.bin", f.bin);
  write("model/sub/mesh.bin", f.bin);
  fs::create_symlink(root_ / "outside.bin", root_ / "model" / "link.bin");  // a link leading out
  fs::create_symlink("..", root_ / "model" / "up");                         // a folder link leading out
  const std::string outside = (root_ / "outside.bin").string();
  for (const std::string& uri :
       {outside, std::string("../outside.bin"), std::string("%2e%2e/outside.bin"),
        std::string("sub%2F%2E%2E%2F%2E%2E%2Foutside.bin"), std::string("sub/../../outside.bin"),
        std::string("link.bin"), std::string("up/outside.bin"), "file://" + outside,
        std::string("file:../outside.bin"), std::string("https://example.invalid/mesh.bin")}) {
    PendingGltfDocument document;
    std::wstring error;
    EXPECT_FALSE(load(write("model/scene.gltf", f.json(",\"uri\":\"" + uri + "\"")), document, error)) << uri;
    EXPECT_NE(error.find(L"\"" + utf8ToWide(uri) + L"\""), std::wstring::npos) << wideToUtf8(error);
    EXPECT_TRUE(error.starts_with(L"glTF/GLB import blocked: the buffer URI")) << wideToUtf8(error);
  }
  // Inside, also by a way that climbs and comes back down.
  for (const char* uri : {"sub/mesh.bin", "sub/%2e%2e/sub/mesh.bin", "up/model/sub/mesh.bin"}) {
    PendingGltfDocument document;
    std::wstring error;
    ASSERT_TRUE(load(write("model/scene.gltf", f.json(std::string(",\"uri\":\"") + uri + "\"")), document, error))
        << uri << " " << wideToUtf8(error);
    EXPECT_EQ(document.buffers.at(0).bytes(), f.bin) << uri;
  }

  // Images: the one outside leaves its map out, the one below is kept.
  write("outside.png", "png");
  write("model/sub/tex.png", "png");
  GltfFixture textured = triangleFixture();
  textured.extra = "\"images\":[{\"uri\":\"../outside.png\"},{\"uri\":\"sub/tex.png\"}],"
                   "\"textures\":[{\"source\":0},{\"source\":1}],\"materials\":[{\"pbrMetallicRoughness\":"
                   "{\"baseColorTexture\":{\"index\":0}},\"normalTexture\":{\"index\":1}}],";
  PendingGltfDocument document;
  std::wstring error;
  ASSERT_TRUE(load(write("model/textured.gltf", textured.gltfWithDataUri()), document, error));
  EXPECT_TRUE(document.images[0].refused);
  EXPECT_FALSE(document.images[0].external);
  EXPECT_NE(document.images[0].note.find(L"left out"), std::wstring::npos);
  EXPECT_NE(std::find(document.warnings.begin(), document.warnings.end(),
                      L"Texture map left out: image URI \"../outside.png\" leads outside the glTF file's folder."),
            document.warnings.end());
  const auto& maps = document.materials[0].textureMaps.maps;
  for (const TextureMap& map : maps) {
    if (map.channel == L"color") {
      EXPECT_FALSE(map.enabled);
      EXPECT_TRUE(map.path.empty());
    }
    if (map.channel == L"normal") {
      EXPECT_EQ(map.path, path("model/sub/tex.png"));
    }
  }
}

TEST(GltfContainer, Base64SkipsNoiseAndStopsAtPadding) {
  EXPECT_EQ(phase65ImportUriBase64("SGVs bG8=IGlnbm9yZWQ="), "Hello");
  EXPECT_EQ(phase65ImportUriBase64("S*G\nVs\tbG8"), "Hello");
  EXPECT_TRUE(phase65ImportUriBase64("===").empty());
  // Noise at every offset of the four-digit groups, and padding anywhere,
  // give what a digit-at-a-time reader gives.
  const std::string_view digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  uint32_t seed = 3;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const std::size_t length = next() % 90;
    while (text.size() < length) {
      const uint32_t pick = next() % 64;
      text += pick < 2 ? (pick ? '=' : '\n') : pick < 5 ? ' ' : digits[next() % 64];
    }
    std::string expected;
    uint32_t bits = 0;
    int pending = 0;
    for (const char c : text) {
      if (c == '=') break;
      const std::size_t d = digits.find(c);
      if (d == std::string_view::npos) continue;
      bits = bits << 6 | static_cast<uint32_t>(d);
      if ((pending += 6) >= 8) expected += static_cast<char>(bits >> (pending -= 8));
    }
    EXPECT_EQ(phase65ImportUriBase64(text), expected) << text;
  }
}

// Writers that wrap base64 lines put JSON escapes in the URI: they are read
// as the JSON string they are, never as base64 digits.
TEST_F(GltfFiles, DataUriWithJsonEscapesDecodesAsThePlainPayload) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));  // "+" and "/" digits both occur
  const std::string plain = test::base64(bytes);
  auto wrapped = [&](const std::string& lineEnd) {
    std::string out;
    for (std::size_t i = 0; i < plain.size(); i += 16) out += plain.substr(i, 16) + lineEnd;
    return out;
  };
  std::string slashes, unicode;
  for (const char c : plain) {
    slashes += c == '/' ? std::string("\\/") : std::string(1, c);
    unicode += c == '/' ? std::string("\\u002F") : std::string(1, c);
  }
  for (const std::string& payload :
       {plain, wrapped("\\n"), wrapped("\\r\\n"), slashes, unicode, wrapped("\\t") + "\\u0020"}) {
    SCOPED_TRACE(payload.substr(0, 40));
    PendingGltfDocument document;
    document.jsonText = "{\"buffers\":[{\"byteLength\":256,\"uri\":\"data:application/octet-stream;base64," +
                        payload + "\"}]}";
    phase65LoadBuffers(document);
    ASSERT_EQ(document.buffers.size(), 1u);
    EXPECT_EQ(document.buffers[0].bytes(), bytes);
    EXPECT_TRUE(document.warnings.empty());
  }
  // The one-triangle file wrapped by such a writer still gives its face.
  const GltfFixture triangle = triangleFixture();
  std::string json = triangle.gltfWithDataUri();
  const std::size_t comma = json.find("base64,") + 7;
  json.insert(comma + 8, "\\r\\n");
  PendingGltfDocument document;
  std::wstring error;
  ASSERT_TRUE(load(write("wrapped.gltf", json), document, error));
  EXPECT_EQ(document.buffers.at(0).bytes(), triangle.bin);
}

}  // namespace
}  // namespace vk
