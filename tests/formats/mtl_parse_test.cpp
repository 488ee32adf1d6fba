// MTL libraries: material values, texture references and their options,
// library loading and the slot rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "formats/obj_test_support.h"
#include "formats/import_file.h"

namespace vk {
namespace {

class MtlParseTest : public test::WavefrontTest {
 protected:
  // The material one "newmtl m" record with `body` gives.
  Material material(const std::string& body) {
    ObjImportResult result;
    std::map<std::wstring, int> slots{{L"Imported OBJ Default", 0}};
    parseMtlFile("newmtl m\n" + body, pathOf("lib.mtl"), slots, result);
    EXPECT_EQ(result.materials.size(), 2u);
    return result.materials.size() == 2 ? result.materials[1] : Material{};
  }
  static std::wstring mapPath(const Material& material, const wchar_t* channel) {
    for (const TextureMap& map : material.textureMaps.maps)
      if (map.channel == channel) return map.path;
    return L"<no map>";
  }
};

TEST_F(MtlParseTest, ValuesConvertClampAndIgnoreWhatCannotBeRead) {
  const Material fresh = material("");
  EXPECT_EQ(fresh.name, L"m");
  EXPECT_EQ(fresh.capsuleId, L"phase62-6-mtl-import");
  EXPECT_EQ(fresh.capsuleLabel, L"MTL Import");
  EXPECT_EQ(fresh.capsuleNote, L"Phase 62.6 OBJ + MTL material imported from lib.mtl");
  EXPECT_EQ(fresh.r, 168);

  auto rgb = [](const Material& m) { return std::make_tuple(m.r, m.g, m.b); };
  EXPECT_EQ(rgb(material("Kd 1 0.5 0")), std::make_tuple(255, 128, 0));
  EXPECT_EQ(rgb(material("Kd 2 -1 0.5")), std::make_tuple(255, 0, 128));
  EXPECT_EQ(rgb(material("Kd +1e300 0 0")), std::make_tuple(255, 0, 0));  // clamped before the conversion
  EXPECT_EQ(rgb(material("Kd -1e300 1 1")), std::make_tuple(0, 255, 255));
  for (const char* unreadable : {"Kd nan 0 0", "Kd 0 inf 0", "Kd 1 1", "Kd 1e999 0 0", "Kd x 0 0", "kd 1 1 1"})
    EXPECT_EQ(rgb(material(unreadable)), rgb(fresh)) << unreadable;

  EXPECT_DOUBLE_EQ(material("d 0").alpha, 0.05);
  EXPECT_DOUBLE_EQ(material("Tr 0.25").alpha, 0.75);
  EXPECT_DOUBLE_EQ(material("d 0.5\nTr 0").alpha, 1.0);  // the later statement wins
  EXPECT_DOUBLE_EQ(material("d nan").alpha, 1.0);
  EXPECT_DOUBLE_EQ(material("d -inf").alpha, 1.0);
  EXPECT_DOUBLE_EQ(material("Ns 250").roughness, 0.75);
  EXPECT_DOUBLE_EQ(material("Ns 2000").roughness, 0.0);
  EXPECT_DOUBLE_EQ(material("Ns -5").roughness, 1.0);
  EXPECT_DOUBLE_EQ(material("Pr 0.3").roughness, 0.3);
  EXPECT_DOUBLE_EQ(material("roughness 7").roughness, 1.0);
  EXPECT_DOUBLE_EQ(material("Pr nan").roughness, fresh.roughness);
  EXPECT_DOUBLE_EQ(material("Pm 0.8").metallic, 0.8);
  EXPECT_DOUBLE_EQ(material("Pm -2").metallic, 0.0);
  const Material ignored = material("Ka 1 1 1\nKs 1 1 1\nKe 9 9 9\nillum 2\nNi 1.5\nmap_Ka a.png\nmap_Ke e.png\ndisp d.png");
  EXPECT_EQ(ignored.emission, 0.0);
  EXPECT_EQ(ignored.textureMaps, fresh.textureMaps);
}

TEST_F(MtlParseTest, MapOptionsAreSkippedAndTheLastReferenceWins) {
  EXPECT_EQ(mtlMapPath("-s 1 1 1 -o 0 0 0 wood.png"), "wood.png");
  EXPECT_EQ(mtlMapPath("-mm 0 1 wood.png"), "wood.png");
  EXPECT_EQ(mtlMapPath("-clamp on wood.png"), "wood.png");
  EXPECT_EQ(mtlMapPath("-blendu off -blendv off -boost 2 -bm 0.3 wood.png"), "wood.png");
  EXPECT_EQ(mtlMapPath("my texture.png"), "texture.png");
  EXPECT_EQ(mtlMapPath("-imfchan r wood.png"), "wood.png");
  EXPECT_EQ(mtlMapPath("wood.png -imfchan r"), "r");
  EXPECT_EQ(mtlMapPath("-s 1 1"), "");
  // Fewer values than the option may take: the file name is no value.
  EXPECT_EQ(mtlMapPath("-o 0.1 diffuse.jpg"), "diffuse.jpg");
  EXPECT_EQ(mtlMapPath("-s 0.1 0.2 -clamp off specular.jpg"), "specular.jpg");
  EXPECT_EQ(mtlMapPath("-mm 2.png"), "2.png");
  EXPECT_EQ(mtlMapPath(""), "");
  EXPECT_EQ(mtlMapPath("\twood.png\r\n"), "wood.png");
}

TEST_F(MtlParseTest, ReferencesResolveAgainstTheLibraryFolderWithoutTheWorkingFolder) {
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "..\\tex\\wood.png"), L"/tex/wood.png");
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "./sub//wood.png"), L"/m/sub/wood.png");
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "/abs/wood.png"), L"/abs/wood.png");
  // A drive-letter reference is absolute: never joined to any folder.
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "C:\\tex\\..\\wood.png"), L"C:/wood.png");
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "  "), L"");
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", std::string_view("a.png\0/../b.png", 15)), L"");
  EXPECT_EQ(resolveMtlTexturePath(L"/m/a.mtl", "caf\xC3\xA9.png"), L"/m/caf\u00e9.png");

  // A name with blanks is used whole when that file exists.
  write("tex/wood grain.png", "");
  const Material whole = material("map_Kd -s 2 2 2 tex/wood grain.png");
  EXPECT_EQ(mapPath(whole, L"color"), pathOf("tex/wood grain.png"));
  EXPECT_FALSE(whole.textureMaps.maps.front().missing);
  EXPECT_EQ(mapPath(material("map_Kd tex/absent grain.png"), L"color"), pathOf("grain.png"));
}

TEST_F(MtlParseTest, RecordsFillSlotsReplaceByNameAndStopAt32) {
  ObjImportResult result;
  std::map<std::wstring, int> slots{{L"Imported OBJ Default", 0}};
  std::string text = "Kd 0 0 0\nmap_Kd before.png\n";  // nothing before the first newmtl counts
  text += "newmtl red\nKd 1 0 0\nmap_Kd a.png\nnewmtl blue\nnewmtl red\nKd 0.5 0 0\nmap_d b.png\nmap_Kd c.png\n";
  text += "newmtl Imported OBJ Default\nKd 0 1 0\n";
  for (int i = 0; i < 30; ++i) text += "newmtl extra" + std::to_string(i) + "\nmap_Kd x.png\n";
  parseMtlFile(text, pathOf("lib.mtl"), slots, result);
  ASSERT_EQ(result.materials.size(), 32u);  // the default made on entry, then 31 names
  EXPECT_EQ(result.materials[0].name, L"Imported OBJ Default");
  EXPECT_EQ(result.materials[0].g, 255);  // the record named like slot 0 replaced it
  EXPECT_EQ(result.materials[1].name, L"red");
  EXPECT_EQ(result.materials[1].r, 128);
  EXPECT_EQ(mapPath(result.materials[1], L"color"), pathOf("c.png"));
  EXPECT_EQ(result.materials[2].name, L"blue");
  EXPECT_EQ(result.materials[31].name, L"extra28");
  EXPECT_EQ(slots.count(L"extra29"), 0u);
  EXPECT_EQ(result.materialsAdded, 31);
  EXPECT_EQ(result.textureMaps, 3 + 30);  // both red records and the dropped one count
}

TEST_F(MtlParseTest, LinesBeyondTheBudgetsAreIgnoredOrSkipped) {
  ObjImportResult result;
  std::map<std::wstring, int> slots;
  std::string text = "\xEF\xBB\xBFnewmtl first\r\nKd 1 1 1\r\n" + std::string(4097, '#') + "\n";
  for (int i = 4; i < 120000; ++i) text += "\n";
  text += "newmtl last_read\nnewmtl past_the_budget\n";
  parseMtlFile(text, pathOf("lib.mtl"), slots, result);
  ASSERT_EQ(result.materials.size(), 3u);
  EXPECT_EQ(result.materials[1].name, L"first");
  EXPECT_EQ(result.materials[1].r, 255);
  EXPECT_EQ(result.materials[2].name, L"last_read");
  EXPECT_EQ(result.skippedLines, 1);
}

TEST_F(MtlParseTest, OneImportLooksForAtMostSixtyFourLibraryNames) {
  write("real.mtl", "newmtl real\nKd 1 0 0\n");
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  for (int i = 0; i < 64; ++i) text += "mtllib missing" + std::to_string(i) + ".mtl\n";
  // A name met before is looked up again; a new one past the cap is not.
  text += "mtllib missing0.mtl real.mtl\n";
  for (int i = 64; i < 20000; ++i) text += "mtllib missing" + std::to_string(i) + ".mtl\n";
  const ObjImportResult result = parseOk(text);
  EXPECT_EQ(result.mtlLibraries, 0);
  EXPECT_EQ(result.materials.size(), 1u);
  EXPECT_EQ(result.skippedLines, 65);
  EXPECT_EQ(result.mtlLibrariesNotTried, 1 + 19936);
}

TEST_F(MtlParseTest, LibrariesLoadOnceAndMissingOnesCountAsSkippedLines) {
  write("a.mtl", "newmtl from_a\nKd 1 0 0\nmap_Kd a.png\n");
  write("later.mtl", "newmtl placeholder\nKd 0 0 1\n");
  ASSERT_EQ(::mkfifo((root_ / "pipe.mtl").c_str(), 0600), 0);  // no writer: must not block
  std::filesystem::create_directory(root_ / "folder.mtl");
  const ObjImportResult result = parseOk(
      "usemtl placeholder\n"
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
      "mtllib a.mtl b.mtl\n"
      "mtllib pipe.mtl folder.mtl\n"
      "mtllib later.mtl\n"
      "usemtl from_a\nf 1 2 3\n"
      "usemtl placeholder\nf 1 2 3\n");
  ASSERT_EQ(result.materials.size(), 3u);
  EXPECT_EQ(result.materials[1].name, L"placeholder");
  EXPECT_EQ(result.materials[1].capsuleId, L"phase62-6-mtl-import");  // the library replaced the placeholder
  EXPECT_EQ(result.materials[1].b, 255);
  EXPECT_EQ(result.materials[2].name, L"from_a");
  EXPECT_EQ(result.mtlLibraryNames, L"a.mtl, later.mtl");
  EXPECT_EQ(result.mtlLibraries, 2);
  EXPECT_EQ(result.skippedLines, 3);
  EXPECT_EQ(result.materialsAdded, 2);
  std::vector<std::int32_t> used;
  for (const MeshFace& face : result.mesh.faces.read()) used.push_back(face.materialIndex);
  EXPECT_EQ(used, (std::vector<std::int32_t>{1, 2, 1}));

  // A library named again (by another spelling of its path) is not read
  // again, and counts once.
  std::string big = "newmtl big\nmap_Kd big.png\n";
  while (big.size() + 10 < kMtlImportFileByteLimit) big += "# padding\n";
  write("big.mtl", big);
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  for (int i = 0; i < 2000; ++i) text += i % 2 ? "mtllib big.mtl\n" : "mtllib ./sub/../big.mtl\n";
  const ObjImportResult repeated = parseOk(text);
  EXPECT_EQ(repeated.mtlLibraries, 1);
  EXPECT_EQ(repeated.mtlLibraryNames, L"big.mtl");
  EXPECT_EQ(repeated.textureMaps, 1);
  EXPECT_EQ(repeated.skippedLines, 0);

  // A backslash keeps a blank inside a library name.
  write("my lib.mtl", "newmtl spaced\n");
  const ObjImportResult escaped = parseOk("mtllib none.mtl my\\ lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(escaped.mtlLibraryNames, L"my lib.mtl");
  EXPECT_EQ(escaped.skippedLines, 1);

  // A library over 2 MiB is a skipped line.
  write("huge.mtl", std::string(kMtlImportFileByteLimit + 1, '#'));
  EXPECT_EQ(parseOk("mtllib huge.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").skippedLines, 1);
}

}  // namespace
}  // namespace vk
