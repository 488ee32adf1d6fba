// The OBJ parser: face corner forms, values, budgets and line handling.
#include <gtest/gtest.h>

#include "formats/obj_test_support.h"

namespace vk {
namespace {

using test::faceIndices;
using Ints = std::vector<std::int32_t>;

constexpr wchar_t kVertexBudget[] = L"OBJ import blocked: vertex count exceeds Phase 62.6 safe mesh budget.";
constexpr wchar_t kFaceBudget[] = L"OBJ import blocked: face count exceeds Phase 62.6 safe mesh budget.";
constexpr wchar_t kLineBudget[] = L"OBJ import blocked: line count exceeds Phase 62.6 safe parser budget.";
constexpr wchar_t kNoFaces[] = L"OBJ import failed: no valid face records were found.";
constexpr wchar_t kNoVertices[] = L"OBJ import failed: no valid vertex records were found.";

std::string repeatLine(const std::string& line, int count) {
  std::string text;
  text.reserve(line.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

constexpr char kFourVertices[] = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n";

class ObjParseTest : public test::WavefrontTest {};

TEST_F(ObjParseTest, CornerIndicesResolveOneBasedAndFromTheEnd) {
  std::int32_t index = 99;
  EXPECT_TRUE(parseObjVertexIndex("1", 4, index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(parseObjVertexIndex("4/2/9", 4, index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(parseObjVertexIndex("-1", 4, index));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(parseObjVertexIndex("-4//1", 4, index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(parseObjVertexIndex("+2", 4, index));
  EXPECT_EQ(index, 1);
  for (const char* bad : {"0", "5", "-5", "", "/1", "2x", " 2", "+", "+-1", "1.0", "99999999999",
                          "-2147483648", "2147483648", "-99999999999999999999", "0x1"})
    EXPECT_FALSE(parseObjVertexIndex(bad, 4, index)) << bad;
}

TEST_F(ObjParseTest, TexcoordPartIsOptionalButMustBeValidWhenPresent) {
  std::int32_t uv = 0;
  for (const char* none : {"1", "1/", "1//3", "1//"}) {
    EXPECT_TRUE(parseObjTexcoordIndex(none, 3, uv)) << none;
    EXPECT_EQ(uv, -1) << none;
  }
  EXPECT_TRUE(parseObjTexcoordIndex("1/3/2", 3, uv));
  EXPECT_EQ(uv, 2);
  EXPECT_TRUE(parseObjTexcoordIndex("1/-3", 3, uv));
  EXPECT_EQ(uv, 0);
  for (const char* bad : {"1/0", "1/4", "1/x", "1/2x/3", "1/-4"}) EXPECT_FALSE(parseObjTexcoordIndex(bad, 3, uv)) << bad;

  // UVs stay only when every corner has one; a bad one rejects the face.
  const ObjImportResult result = parseOk(std::string(kFourVertices) +
                                         "f 1/1 2/2 3\n"
                                         "f 1//1 2//2 3//3\n"
                                         "f 1/1/1 2/2/2 3/3/3\n"
                                         "f 1/1 2/2 3/3\n"
                                         "f 1/1 2/9 3/3\n");
  const auto& faces = result.mesh.faces.read();
  ASSERT_EQ(faces.size(), 4u);
  EXPECT_TRUE(faces[0].uvIndices.empty());
  EXPECT_TRUE(faces[1].uvIndices.empty());
  // UV corners reverse with their corners (the z mirror into the studio's axes).
  EXPECT_EQ(faces[2].uvIndices, (Ints{0, 2, 1}));
  EXPECT_EQ(faces[3].uvIndices, (Ints{0, 2, 1}));
  EXPECT_EQ(result.skippedFaces, 1);
  EXPECT_EQ(result.texcoords, 3);
}

TEST_F(ObjParseTest, FacesKeepTheirCornersWithinTheLimits) {
  std::string text = kFourVertices;
  text += "f 1 2 3 4\n";       // a quad stays one face
  text += "f -3 -2 -1\n";      // counted from the last vertex so far
  text += "f 0 1 2\nf 1 2 5\nf 1 1 2\nf\nf 1 2\n";  // skipped
  text += "f\t1  2 \t 3   \n";  // any run of blanks and tabs separates
  // 64 distinct corners need 64 vertices.
  std::string vertices;
  for (int i = 0; i < 65; ++i) vertices += "v " + std::to_string(i) + " " + std::to_string(i * i % 7) + " 0\n";
  std::string face64 = "f", face65 = "f";
  for (int i = 1; i <= 64; ++i) {
    face64 += ' ';  // appended apart: a literal prepended to a temporary trips GCC 12's -Wrestrict at -O3
    face64 += std::to_string(i + 4);
  }
  face65 = face64 + " 69";
  text += vertices + face64 + "\n" + face65 + "\n";

  const ObjImportResult result = parseOk(text);
  ASSERT_EQ(result.faces, 4);
  // Corners reversed after the first: the faces keep their outward side in the studio's axes.
  EXPECT_EQ(faceIndices(result, 0), (Ints{0, 3, 2, 1}));
  EXPECT_EQ(faceIndices(result, 1), (Ints{1, 3, 2}));
  EXPECT_EQ(faceIndices(result, 2), (Ints{0, 2, 1}));
  EXPECT_EQ(faceIndices(result, 3).size(), 64u);
  EXPECT_EQ(result.skippedFaces, 6);
  EXPECT_EQ(result.skippedLines, 0);
}

TEST_F(ObjParseTest, RepeatedCornersBecomeSimpleLoopsThatSurviveTheProjectFile) {
  const ObjImportResult result = parseOk(std::string(kFourVertices) +
                                         "v 2 0 0\nv 2 1 0\n"
                                         "f 1/1 2/2 2/2 3/3\n"        // adjacent repeat drops out
                                         "f 1 2 3 4 3 5 6 3\n"        // through 3 thrice: the spike 3 4 3 goes
                                         "f 1 2 1 2\n"                // nothing of three corners left
                                         "f 1 2 3 1\n");              // closing repeat
  const auto& faces = result.mesh.faces.read();
  ASSERT_EQ(faces.size(), 4u);
  // The loops of the reversed corner list.
  EXPECT_EQ(faces[0].indices, (Ints{0, 2, 1}));
  EXPECT_EQ(faces[0].uvIndices, (Ints{0, 2, 1}));
  EXPECT_EQ(faces[1].indices, (Ints{0, 2, 1}));
  EXPECT_EQ(faces[2].indices, (Ints{2, 5, 4}));
  EXPECT_EQ(faces[3].indices, (Ints{0, 2, 1}));
  EXPECT_EQ(result.skippedFaces, 1);

  Object object = makeObject(ObjectKind::Mesh, L"loops");
  object.meshData = result.mesh;
  test::expectSurvivesSaveAndOpen(object);
}

TEST_F(ObjParseTest, VertexValuesAreClampedAndBadLinesSkipped) {
  const ObjImportResult result = parseOk(
      "v 20000 -3e5 7\n"
      "v +1.5 .25 -0 extra 9\n"
      "v 1 2\n"
      "v nan 0 0\n"
      "v 0 inf 0\n"
      "v 1e999 0 0\n"
      "v 1,5 0 0\n"
      "v 0 1 0 # comment after the values\n"
      "vt 0.5 2e5\n"
      "vt 1\n"
      "f 1 2 -1\n");
  const auto& v = result.mesh.vertices.read();
  ASSERT_EQ(v.size(), 3u);  // "v 1,5 0 0" reads 1, then fails on ",5"
  EXPECT_EQ(v[0], (Vec3{10000, -10000, -7}));  // z mirrored into the studio's axes
  EXPECT_EQ(v[1], (Vec3{1.5, 0.25, 0}));
  EXPECT_EQ(result.mesh.uvs.read(), (std::vector<Vec2>{{0.5, 10000}}));
  EXPECT_EQ(result.skippedLines, 6);
}

TEST_F(ObjParseTest, LongLinesCommentsAndUnknownStatements) {
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  std::string line4096 = "v 0 0 1";
  line4096 += std::string(4096 - line4096.size(), ' ');
  std::string line4097 = line4096 + " ";
  text += line4096 + "\r\n";  // 4096 bytes once the CR is gone
  text += line4097 + "\n";
  text += "# comment\n\n   \t\nvn 0 0 1\ng group\no name\ns 1\nl 1 2\nV 9 9 9\nF 1 2 3\nf 1 2 4\n";
  const ObjImportResult result = parseOk(text);
  EXPECT_EQ(result.vertices, 4);
  EXPECT_EQ(result.faces, 1);
  EXPECT_EQ(result.skippedLines, 1);
}

TEST_F(ObjParseTest, ByteOrderMarkAndCrLfImportLikeTheirLfTwins) {
  const std::string lf = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nusemtl red\nf 1/1 2/2 3/3\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const ObjImportResult plain = parseOk(lf);
  for (const std::string& twin : {"\xEF\xBB\xBF" + lf, crlf, "\xEF\xBB\xBF" + crlf}) {
    const ObjImportResult other = parseOk(twin);
    EXPECT_EQ(other.mesh.vertices.read(), plain.mesh.vertices.read());
    EXPECT_EQ(other.mesh.faces.read(), plain.mesh.faces.read());
    EXPECT_EQ(other.mesh.uvs.read(), plain.mesh.uvs.read());
    EXPECT_EQ(other.materials, plain.materials);
    EXPECT_EQ(other.skippedLines, 0);
  }
}

TEST_F(ObjParseTest, BudgetsBlockWithTheirTexts) {
  ObjImportResult result;
  std::wstring error;
  const std::string triangle = "f 1 2 3\n";
  std::string vertices = repeatLine("v 1 2 3\n", 20000);
  EXPECT_TRUE(parse(vertices + triangle, result, error));
  EXPECT_FALSE(parse(vertices + "v 1 2 3\n" + triangle, result, error));
  EXPECT_EQ(error, kVertexBudget);

  const ObjImportResult uvs = parseOk("v 0 0 0\nv 1 0 0\nv 0 1 0\n" + repeatLine("vt 0 0\n", 60001) + triangle);
  EXPECT_EQ(uvs.texcoords, 60000);
  EXPECT_EQ(uvs.skippedLines, 1);

  const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  EXPECT_TRUE(parse(three + repeatLine(triangle, 40000), result, error));
  EXPECT_EQ(result.faces, 40000);
  EXPECT_FALSE(parse(three + repeatLine(triangle, 40001), result, error));
  EXPECT_EQ(error, kFaceBudget);

  // Every line counts, blank and comment lines too.
  const std::string lines = three + triangle + repeatLine("#\n", 300000 - 4);
  EXPECT_TRUE(parse(lines, result, error));
  EXPECT_FALSE(parse(lines + "\n", result, error));
  EXPECT_EQ(error, kLineBudget);

  EXPECT_FALSE(parse(three, result, error));
  EXPECT_EQ(error, kNoFaces);
  EXPECT_FALSE(parse("f 1 2 3\nvt 0 0\n", result, error));
  EXPECT_EQ(error, kNoVertices);
  EXPECT_FALSE(parse("", result, error));
  EXPECT_EQ(error, kNoVertices);
}

TEST_F(ObjParseTest, UsemtlMakesPlaceholdersUpTo32Slots) {
  std::string text = kFourVertices;
  text += "f 1 2 3\nusemtl dark wood\nf 1 2 3\nusemtl Imported OBJ Default\nf 1 2 3\n";
  for (int i = 0; i < 31; ++i) text += "usemtl m" + std::to_string(i) + "\nf 1 2 4\n";
  const ObjImportResult result = parseOk(text);
  ASSERT_EQ(result.materials.size(), 32u);
  EXPECT_EQ(result.materialsAdded, 31);
  EXPECT_EQ(result.materials[1].name, L"dark wood");
  EXPECT_EQ(result.materials[1].capsuleId, L"phase62-6-mtl-usemtl");
  EXPECT_EQ(result.materials[1].textureMaps.maps.size(), 6u);
  const auto& faces = result.mesh.faces.read();
  EXPECT_EQ(faces[0].materialIndex, 0);
  EXPECT_EQ(faces[1].materialIndex, 1);
  EXPECT_EQ(faces[2].materialIndex, 0);
  EXPECT_EQ(faces[3].materialIndex, 2);
  EXPECT_EQ(faces[32].materialIndex, 31);
  EXPECT_EQ(faces.back().materialIndex, 0);  // the 33rd name falls back to slot 0
}

}  // namespace
}  // namespace vk
