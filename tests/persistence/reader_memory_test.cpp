#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "child_measure.h"
#include "model/mesh_data.h"
#include "persistence/persistence.h"

// Dense arrays cost the model many times their text: the reader keeps its
// working memory within a bound of the text's size, stopping a Mesh at the
// load guard's limits (which rebuild it anyway) and refusing a file whose
// kept meshes would pass the bound.

namespace {

std::string document(const std::string& item) { return R"({ "scene": {}, "objects": [)" + item + "] }"; }

// One object of `kind` whose meshData member `key` holds `count` copies of
// `element`; `rest` adds members after it (later members of the same name are
// ignored).
std::string denseObject(const std::string& kind, const std::string& key, const std::string& element, size_t count,
                        const std::string& rest = "") {
  std::string text = R"({ "kind": ")" + kind + R"(", "meshData": { ")" + key + "\": [";
  text.reserve(text.size() + count * (element.size() + 1) + 8);
  for (size_t i = 0; i < count; ++i) {
    if (i) text += ',';
    text += element;
  }
  return text + "]" + (rest.empty() ? "" : ", ") + rest + " } }";
}

std::string savedForm(const vk::ProjectLoadResult& r) {
  EXPECT_TRUE(r.usable);
  return r.usable ? vk::serializeProject(r.project, 0) : std::string();
}

std::string verticesOf(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    out += (i ? "," : "") + std::string(R"({"x":)") + std::to_string(i) + R"(,"y":)" + std::to_string(i * i % 17) +
           R"(,"z":)" + std::to_string(i * 7 % 5) + "}";
  }
  return out;
}

using vk::test::kSanitized;

// The peak memory deserializeProject(text) adds, in bytes, and whether the
// file was refused; -1 when it could not be measured.
long long peakReadBytes(const std::string& text, bool& refused) {
  const auto report = vk::test::measureInChild<1>([&text](vk::test::ChildClock&) {
    return std::array<long long, 1>{vk::deserializeProject(text).overMemoryBudget ? 1LL : 0LL};
  });
  refused = report.values[0] != 0;
  return report.measured ? report.peakBytes : -1;
}

TEST(ReaderMemory, DenseArraysStayWithinTheBound) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory is counted in the resident size";
  constexpr size_t kBytes = 16 << 20;
  // A Mesh stops at the guard's limits: it costs a bounded amount whatever
  // the text holds. Other kinds are refused past the bound.
  struct Case {
    const char* name;
    std::string text;
    bool refused;
  };
  const Case cases[] = {
      {"vertices of plain numbers", document(denseObject("Mesh", "vertices", "0", kBytes / 2)), false},
      {"vertex objects", document(denseObject("Mesh", "vertices", "{}", kBytes / 3)), false},
      {"empty faces", document(denseObject("Mesh", "faces", "[]", kBytes / 3)), false},
      {"triangles", document(denseObject("Mesh", "faces", "[0,1,2]", kBytes / 8, R"("vertices": [{}, {}, {}])")),
       false},
      {"one long face", document(denseObject("Mesh", "faces", "[" + std::string(kBytes / 2, '0') + "]", 1)), false},
      {"UV lists", document(denseObject("Mesh", "faceUvIndices", "[0,0,0]", kBytes / 8,
                                        R"("vertices": [{}, {"x": 1}, {"y": 1}], "faces": [[0, 1, 2]])")),
       false},
      {"a camera's vertices", document(denseObject("Camera", "vertices", "0", kBytes)), true},
      {"a light's faces", document(denseObject("Light", "faces", "[0,1,2]", kBytes / 4)), true},
  };
  for (const Case& c : cases) {
    bool refused = false;
    const long long peak = peakReadBytes(c.text, refused);
    ASSERT_GE(peak, 0) << c.name;
    const uint64_t bound = c.refused ? 2 * c.text.size() + vk::kProjectMemoryLimitFixedBytes : c.text.size() + (64 << 20);
    EXPECT_LE(peak, static_cast<long long>(bound)) << c.name;
    EXPECT_EQ(refused, c.refused) << c.name;
  }
}

// A document of one object whose member `key` holds `count` copies of
// `unit` (raw string body text).
std::string longTextObject(const std::string& key, const std::string& unit, size_t count) {
  std::string text = R"({ "scene": {}, "objects": [{ "kind": "Empty", ")" + key + R"(": ")";
  text.reserve(text.size() + unit.size() * count + 16);
  for (size_t i = 0; i < count; ++i) text += unit;
  return text + "\" }] }";
}

// The reader's bound for a text, in bytes.
long long readerBound(const std::string& text) {
  return static_cast<long long>(vk::kProjectMemoryLimitFactor * text.size() + vk::kProjectMemoryLimitFixedBytes);
}

// A text kept whole costs four bytes a character in the model, and is
// counted before it is decoded, with the copies the studio holds of it (a
// name six, for the viewport's previews and the inspector's copies): a file
// whose texts would pass the bound is refused with nothing built. A text a
// sanitizer cuts is cut as it is read, so it costs what it keeps.
TEST(ReaderMemory, LongTextsStayWithinTheBound) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory is counted in the resident size";
  constexpr size_t kUnits = 4 << 20;
  const std::string kanji = "\xE6\xBC\xA2\xE5\xAD\x97\xE5\x88\x97";  // three characters of three bytes
  struct Case {
    const char* name;
    std::function<std::string()> text;  // made when its turn comes: the texts are large
    uint64_t chars;                      // what the model keeps of the long text
    bool refused;
  };
  const Case cases[] = {
      {"a report of escaped lines", [&] { return longTextObject("importedAssetImportReport", "line\\n", kUnits); },
       5 * kUnits, false},
      {"a report of multi-byte text", [&] { return longTextObject("importedAssetImportReport", kanji, kUnits); },
       3 * kUnits, false},
      {"a name", [&] { return longTextObject("name", "abcd", kUnits / 8); }, kUnits / 2, false},
      {"a capsule note of ASCII", [&] { return longTextObject("objectCapsuleNote", "abcd", 8 * kUnits); }, 0, false},
      {"a capsule note of multi-byte text", [&] { return longTextObject("objectCapsuleNote", kanji, 4 * kUnits); }, 0,
       false},
      {"a key note",
       [] {
         return R"({ "scene": {}, "objects": [{ "transformAnimation": { "keyframes": [{ "note": ")" +
                std::string(32 << 20, 'n') + R"(" }] } }] })";
       },
       0, false},
      // Six copies of four bytes a character pass three times the text and
      // 256 MiB past 12 MiB of ASCII.
      {"a name the studio would copy past the bound", [&] { return longTextObject("name", "abcd", kUnits); }, 0,
       true},
  };
  for (const Case& c : cases) {
    const std::string text = c.text();
    bool refused = false;
    const long long peak = peakReadBytes(text, refused);
    ASSERT_GE(peak, 0) << c.name;
    EXPECT_EQ(refused, c.refused) << c.name;
    EXPECT_LE(peak + static_cast<long long>(text.size()), readerBound(text)) << c.name;
    // The text is decoded once, into its own string: no copy on the way, not
    // even one of a byte a character.
    EXPECT_LE(peak, static_cast<long long>(c.chars * sizeof(wchar_t) + (8 << 20))) << c.name;
  }
}

// Entries of lists cost the model far more than their text ("{}" can be a
// material slot of six texture maps): they are counted before they are read.
TEST(ReaderMemory, DenseListsStayWithinTheBound) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory is counted in the resident size";
  const auto objects = [](size_t count, const std::string& item) {
    std::string text = R"({ "scene": {}, "objects": [)";
    for (size_t i = 0; i < count; ++i) text += (i ? "," : "") + item;
    return text + "] }";
  };
  const auto repeated = [](size_t count, const std::string& element) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += (i ? "," : "") + element;
    return out;
  };
  const std::string entry = R"({"parameters":[)" + repeated(64, "{}") + "]}";
  struct Case {
    const char* name;
    std::string text;
    bool refused;
  };
  const Case cases[] = {
      {"modifier parameters", objects(2000, R"({"kind":"Empty","modifierStack":{"entries":[)" + repeated(64, entry) + "]}}"),
       true},
      {"a few modifier parameters", objects(200, R"({"kind":"Empty","modifierStack":{"entries":[)" + repeated(64, entry) + "]}}"),
       false},
      {"material slots", objects(8192, R"({"kind":"Empty","materialSlots":{"slots":[)" + repeated(32, "{}") + "]}}"), true},
      {"texture maps", objects(2000, R"({"kind":"Empty","materialSlots":{"slots":[)" +
                                         repeated(32, R"({"textureMaps":{"maps":[)" + repeated(16, "{}") + "]}}") + "]}}"),
       true},
      {"curve points", objects(8192, R"({"kind":"Curve","curveData":{"resolution":64,"points":[)" + repeated(512, "{}") + "]}}"),
       true},
      // Keys of one frame merge into one: what the tracks keep is small.
      {"keys of one frame", objects(2000, R"({"kind":"Empty","transformAnimation":{"keyframes":[)" + repeated(1000, "{}") + "]}}"),
       false},
  };
  for (const Case& c : cases) {
    bool refused = false;
    const long long peak = peakReadBytes(c.text, refused);
    ASSERT_GE(peak, 0) << c.name;
    EXPECT_EQ(refused, c.refused) << c.name;
    EXPECT_LE(peak + static_cast<long long>(c.text.size()), readerBound(c.text)) << c.name;
  }
}

// Past the guard's limits the reader stops storing; what it gives must be
// what reading everything and guarding it gave: the same rebuilt primitive.
TEST(ReaderMemory, MeshesPastTheGuardLimitsReadAsBefore) {
  const auto meshWith = [](const std::string& key, const std::string& element, size_t count) {
    return vk::deserializeProject(
        document(denseObject("Mesh", key, element, count, R"("faces": [[0, 1, 2]], "vertices": [{}, {"x": 1}, {"y": 1}])")));
  };
  const vk::ProjectLoadResult rebuilt = meshWith("vertices", "{}", vk::kLoadGuardVertexLimit + 1);
  const std::string atLimit = savedForm(rebuilt);
  EXPECT_EQ(savedForm(meshWith("vertices", "{}", 3 * vk::kLoadGuardVertexLimit)), atLimit);
  ASSERT_TRUE(rebuilt.usable);
  EXPECT_NE(rebuilt.project.scene.objects[0].meshData.validation.find(L"import guard rebuilt unsafe"), std::wstring::npos);
  const std::string facesAtLimit = savedForm(meshWith("faces", "[0,1,2]", vk::kLoadGuardFaceLimit + 1));
  EXPECT_EQ(savedForm(meshWith("faces", "[0,1,2]", 2 * vk::kLoadGuardFaceLimit)), facesAtLimit);
  EXPECT_EQ(facesAtLimit, atLimit);

  // A face longer than the guard keeps is dropped however long it is; its
  // UV list and material go with it, the other faces keep theirs.
  const auto withLongFace = [](size_t corners) {
    std::string face = "[0";
    for (size_t i = 1; i < corners; ++i) face += "," + std::to_string(i % 300);
    face += "]";
    return vk::deserializeProject(document(R"({ "meshData": { "vertices": [)" + verticesOf(300) +
                                           R"(], "uvs": [{}, {}, {}], "faces": [[0, 1, 2], )" + face +
                                           R"(, [2, 3, 4]], "faceUvIndices": [[0, 1, 2], )" + face +
                                           R"(, [2, 1, 0]], "faceMaterialIndices": [1, 2, 3] },
        "materialSlots": { "slots": [{}, {}, {}, {}] } })"));
  };
  const std::string kept = savedForm(withLongFace(vk::kMeshFaceCornerLimit + 1));
  EXPECT_EQ(savedForm(withLongFace(5000)), kept);
  const vk::ProjectLoadResult longest = withLongFace(vk::kMeshFaceCornerLimit);
  ASSERT_TRUE(longest.usable);
  EXPECT_EQ(longest.project.scene.objects[0].meshData.faces.size(), 3u);
  const vk::ProjectLoadResult dropped = withLongFace(vk::kMeshFaceCornerLimit + 1);
  const auto& faces = dropped.project.scene.objects[0].meshData.faces.read();
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_EQ(faces[1].uvIndices, (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(faces[1].materialIndex, 3);
}

// Other kinds keep the mesh they read, as long as the file's bound allows.
TEST(ReaderMemory, OtherKindsKeepTheirMeshWithinTheBound) {
  const vk::ProjectLoadResult small = vk::deserializeProject(
      document(denseObject("Empty", "faces", "[0,1,2]", 1000, R"("vertices": [{}, {"x": 1}, {"y": 1}])")));
  ASSERT_TRUE(small.usable);
  EXPECT_EQ(small.project.scene.objects[0].meshData.faces.size(), 1000u);
  EXPECT_EQ(small.project.scene.objects[0].meshData.vertices.size(), 3u);

  // 8 M vertices of two bytes each would hold 320 MB: past 3 × 16 MB + 256 MiB.
  const vk::ProjectLoadResult big =
      vk::deserializeProject(document(R"({ "kind": "Light" }, )" + denseObject("Empty", "vertices", "0", 8000000)));
  EXPECT_TRUE(big.overMemoryBudget);
  EXPECT_FALSE(big.usable);
  EXPECT_TRUE(big.project.scene.objects.empty());
}

}  // namespace
