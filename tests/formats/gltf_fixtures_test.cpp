// Exports the fixture scenes through the real commands. Under CTest the
// folder comes from VK_GLTF_FIXTURE_DIR and the Khronos validator and
// three.js then read every file (tests/formats/gltf_validator/run_checks.sh);
// run alone, the exports must simply succeed.
#include <cstdlib>
#include <filesystem>
#include <random>

#include "formats/exchange_axes.h"
#include "formats/gltf_import.h"
#include "formats/obj_import.h"
#include "formats/gltf_test_support.h"
#include "model/math.h"
#include "persistence/json.h"
#include "platform/file_io.h"
#include "platform/headless.h"
#include "platform/headless_responders.h"
#include "platform/image.h"
#include "platform/image_test_support.h"
#include "shading/textures.h"
#include "test_temp_folder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

class GltfFixtures : public GltfTest {
 protected:
  void SetUp() override {
    headless::start(1280, 800, VK_TEST_FONT);
    GltfTest::SetUp();
    if (const char* dir = std::getenv("VK_GLTF_FIXTURE_DIR")) {
      folder_ = dir;
      keep_ = true;
    } else {
      folder_ = test::uniqueTempFolder("gltffixtures");
      fs::remove_all(folder_);
    }
    fs::create_directories(folder_);
  }
  void TearDown() override {
    GltfTest::TearDown();
    headless::stop();
    if (!keep_) fs::remove_all(folder_);
  }

  // Both exports of the scene: <name>.gltf and <name>.glb (the visible scene);
  // with `expect`, the world-space vertices of every GLB node beside it, and
  // with `camera`, the side of its view each vertex of `seen` lies on.
  void exportBoth(const std::string& name, bool expect, const Object* camera = nullptr, const Object* seen = nullptr) {
    const std::wstring gltf = wideFromPath(folder_ / (name + ".gltf"));
    const std::wstring glb = wideFromPath(folder_ / (name + ".glb"));
    app().selectedObjectId.clear();
    headless::answerFileDialog(gltf);
    exportGltf();
    EXPECT_EQ(app().statusText.rfind(L"●  Exported glTF", 0), 0u) << name;
    headless::answerFileDialog(glb);
    exportGlb(false);
    EXPECT_EQ(app().statusText.rfind(L"●  Exported GLB", 0), 0u) << name;
    if (expect) writeExpectation(glb, camera, seen);
  }

  void writeExpectation(const std::wstring& glb, const Object* camera, const Object* seen) {
    GltfBuildState state;
    std::wstring error;
    ASSERT_TRUE(buildGltfState(collectExportObjects(false), state, error, true, L"GLB"));
    std::string json = "{ \"nodeCount\": " + std::to_string(state.nodes.size()) +
                       ", \"triangleCount\": " + std::to_string(state.triangleCount) + ", \"nodes\": {";
    bool firstNode = true;
    for (std::size_t n = 0; n < state.nodes.size(); ++n) {
      const GltfNodeRecord& node = state.nodes[n];
      if (node.mesh < 0) continue;
      const Object* object = findObjectById(scene(), node.objectId);
      json += std::string(firstNode ? "" : ",") + "\n  \"" + std::to_string(n) + "\": [";
      firstNode = false;
      const auto& primitives = state.meshes[static_cast<std::size_t>(node.mesh)].primitives;
      for (std::size_t p = 0; p < primitives.size(); ++p) {
        json += p ? ", [" : "[";
        const std::vector<float> local = accessorFloats(state, primitives[p].position);
        for (std::size_t i = 0; i + 2 < local.size(); i += 3) {
          // What our OBJ export writes for the vertex: both in the file's axes.
          const Vec3 w = exchangeMirrorPoint(
              objectWorldPoint(*object, exchangeMirrorPoint({local[i], local[i + 1], local[i + 2]})));
          if (i) json += ", ";
          appendShortestDouble(json, w.x);
          json += ", ";
          appendShortestDouble(json, w.y);
          json += ", ";
          appendShortestDouble(json, w.z);
        }
        json += "]";
      }
      json += "]";
    }
    json += "\n}";
    if (camera && seen) appendViewSides(state, *camera, *seen, json);
    appendOutwardChecks(state, json);
    json += " }\n";
    ASSERT_TRUE(writeFileAtomically(glb + L".expect.json", json));
  }

  // Each vertex of the seen object's first primitive, in the studio camera's
  // view space (x right, y up, z away): which side of the centre it is on.
  // A reader composing the converted camera node must agree on every one.
  static void appendViewSides(const GltfBuildState& state, const Object& camera, const Object& seen, std::string& json) {
    const std::int32_t cameraNode = state.nodeIndexById.at(camera.id), seenNode = state.nodeIndexById.at(seen.id);
    scene().activeCameraId = camera.id;
    json += ", \"view\": { \"camera\": " + std::to_string(cameraNode) + ", \"node\": " + std::to_string(seenNode) +
            ", \"sides\": [";
    const GltfNodeRecord& node = state.nodes[static_cast<std::size_t>(seenNode)];
    const std::vector<float> local = accessorFloats(state, state.meshes[static_cast<std::size_t>(node.mesh)].primitives[0].position);
    for (std::size_t i = 0; i + 2 < local.size(); i += 3) {
      // Camera View's view space: the camera's inverse rotation about its position.
      const Vec3 world = objectWorldPoint(seen, exchangeMirrorPoint({local[i], local[i + 1], local[i + 2]}));
      const Vec3 view = inverseRotateEuler(world - camera.transform.position, camera.transform.rotation);
      ASSERT_GT(view.z, 0.5);
      ASSERT_GT(std::min(std::abs(view.x), std::abs(view.y)), 0.05) << "a vertex too near the view's centre lines";
      json += std::string(i ? ", " : "") + (view.x > 0 ? "1, " : "-1, ") + (view.y > 0 ? "1" : "-1");
    }
    json += "] }";
  }

  // The nodes whose every triangle three.js must find counter-clockwise seen
  // from outside: outside a convex solid, or outside the tube of a torus of
  // the given ring radius.
  void appendOutwardChecks(const GltfBuildState& state, std::string& json) const {
    if (outward_.empty()) return;
    json += ", \"outward\": [";
    for (std::size_t i = 0; i < outward_.size(); ++i) {
      json += std::string(i ? ", " : "") + "{ \"node\": " + std::to_string(state.nodeIndexById.at(outward_[i].first)) +
              ", \"ring\": ";
      appendShortestDouble(json, outward_[i].second);
      json += " }";
    }
    json += "]";
  }

  void writeImage(const fs::path& file, bool jpeg) {
    fs::create_directories(file.parent_path());
    std::vector<std::uint32_t> pixels(16 * 16);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i * 0x0F0A05u) & 0xFFFFFFu;
    const std::wstring path = wideFromPath(file);
    ASSERT_TRUE(jpeg ? encodeJpegFile(path, pixels.data(), 16, 16, 16, 90) : encodePngFile(path, pixels.data(), 16, 16, 16));
  }
  static TextureMap map(const wchar_t* channel, const fs::path& file) {
    TextureMap m;
    m.channel = channel;
    m.path = wideFromPath(file);
    m.enabled = true;
    m.relative = false;
    return m;
  }
  static Object& uvQuad(const std::wstring& name, int slots) {
    return addMesh(name, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                   {face({0, 1, 2}, 0, {0, 1, 2}), face({0, 2, 3}, slots - 1, {0, 2, 3})},
                   {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, slots);
  }
  // A two-slot quad coloured by wood.png and stone.jpg, written into `textures`.
  Object& woodAndStoneQuad(const std::wstring& name, const fs::path& textures) {
    writeImage(textures / "wood.png", false);
    writeImage(textures / "stone.jpg", true);
    Object& quad = uvQuad(name, 2);
    quad.materialSlots.slots[0].textureMaps.maps = {map(L"color", textures / "wood.png")};
    quad.materialSlots.slots[1].textureMaps.maps = {map(L"color", textures / "stone.jpg")};
    return quad;
  }

  fs::path folder_;
  bool keep_ = false;
  std::vector<std::pair<std::wstring, double>> outward_;  // object id, torus ring radius (0: convex)
};

TEST_F(GltfFixtures, TexturedTwoSlotMesh) {
  woodAndStoneQuad(L"Textured", folder_ / fs::u8path("tex dir \xC3\xB8"));
  exportBoth("textured", false);
}

TEST_F(GltfFixtures, NormalAndRoughnessMapsAndATexturedMeshWithoutUvs) {
  const fs::path textures = folder_ / "maps";
  writeImage(textures / "normal.png", false);
  writeImage(textures / "rough.jpg", true);
  Object& mesh = uvQuad(L"Mapped", 1);
  mesh.materialSlots.slots[0].textureMaps.maps = {map(L"normal", textures / "normal.png"),
                                                  map(L"roughness", textures / "rough.jpg")};
  Object& bare = addQuad(L"NoUv");
  bare.transform.position = {2, 0, 0};
  bare.materialSlots.slots[0].textureMaps.maps = {map(L"color", textures / "normal.png")};
  exportBoth("maps", false);
}

TEST_F(GltfFixtures, HierarchyOfEveryKindWithTwoAxisRotations) {
  Object& empty = addKind(ObjectKind::Empty, L"Empty");
  empty.transform = {{1, 0.5, -1}, {30, 45, 0}, {1, 1, 1}};
  const std::wstring emptyId = empty.id;
  Object& group = addKind(ObjectKind::Group, L"Group");
  group.transform = {{-1, 0, 2}, {0, 60, 20}, {2, 2, 2}};
  group.parentId = emptyId;
  const std::wstring groupId = group.id;
  Object& camera = addKind(ObjectKind::Camera, L"Camera");
  camera.transform = {{0, 1, -4}, {10, 20, 0}, {1, 1, 1}};
  camera.parentId = groupId;
  Object& light = addKind(ObjectKind::Light, L"Light");
  light.transform = {{2, 3, 1}, {90, 90, 0}, {1, 1, 1}};
  light.parentId = emptyId;
  Object& cube = addKind(ObjectKind::Mesh, L"Cube");
  cube.transform = {{1, 1, 1}, {90, 90, 0}, {1, 1, 1}};
  cube.parentId = groupId;
  const std::wstring cubeId = cube.id;
  Object& child = addKind(ObjectKind::Mesh, L"Leaf");
  child.transform = {{0.5, -1, 0.25}, {-35, 10, 70}, {0.5, 1.5, 1}};
  child.parentId = cubeId;
  Object& mirrored = addKind(ObjectKind::Mesh, L"Mirrored");
  mirrored.transform = {{-2, 0, 0}, {0, 0, 45}, {-1, 1, 1}};
  mirrored.parentId = emptyId;
  exportBoth("hierarchy", true);
}

TEST_F(GltfFixtures, RandomHierarchies) {
  std::mt19937 rng(3);
  // Depth 2: node TRS are written with six decimals, about 1e-6 off per level.
  addRandomHierarchy(rng, 32, 16, 4, 2.0, 0.5, 2.0);
  exportBoth("random", true);
}

// An asymmetric object (a corner of three unequal arms) seen through a
// turned studio camera: three.js, looking along the converted camera node's
// -Z, must see every vertex on the same side.
TEST_F(GltfFixtures, CameraSeesAnAsymmetricObjectOnTheSameSides) {
  Object& corner = addMesh(L"Corner", {{0.2, 0.3, 0}, {2.5, 0.3, 0.4}, {0.2, 1.7, 0.2}, {0.2, 0.3, 3}, {-1.2, -0.8, 0.5}},
                           {face({0, 1, 2}), face({0, 2, 3}), face({0, 3, 1}), face({4, 1, 3})});
  corner.transform = {{0.5, -0.25, 1}, {15, -30, 10}, {1, 1.5, -1}};
  Object& camera = addKind(ObjectKind::Camera, L"Camera");
  camera.transform = {{-1, 1.5, -7}, {8, 12, 4}, {1, 1, 1}};
  exportBoth("camera_view", true, &camera, &corner);
}

// Each closed primitive, turned and unevenly scaled, and a cube mirrored in
// its node: three.js sees every triangle wound counter-clockwise from outside.
TEST_F(GltfFixtures, PrimitivesFaceOutwardInThreeJs) {
  const wchar_t* labels[] = {L"Cube", L"Sphere", L"Cylinder", L"Cone", L"Torus"};
  for (int i = 0; i < 5; ++i) {
    Object& o = addKind(ObjectKind::Mesh, labels[i]);
    ASSERT_EQ(o.mesh.primitive, labels[i]);
    o.transform = {{2.0 * i, 0.5, -1}, {20, 35.0 * i, 10}, {1, 1.5, 0.75}};
    outward_.emplace_back(o.id, i == 4 ? 0.55 : 0.0);
  }
  Object& mirrored = addKind(ObjectKind::Mesh, L"Mirrored Cube");
  mirrored.transform = {{0, 3, 0}, {0, 30, 0}, {-1, 1, 1}};
  outward_.emplace_back(mirrored.id, 0.0);
  exportBoth("outward", true);
}

// An imported OBJ with one quad UV-mapped and one not keeps TEXCOORD_0 and
// its texture: the mapped corners keep their coordinates, the unmapped face
// takes one fallback coordinate at every corner.
TEST_F(GltfFixtures, HalfUvMappedObjKeepsItsCoordinates) {
  writeImage(folder_ / "half_wood.png", false);
  ASSERT_TRUE(writeFileAtomically(wideFromPath(folder_ / "half.mtl"), "newmtl Wood\nmap_Kd half_wood.png\n"));
  const std::wstring obj = wideFromPath(folder_ / "half.obj");
  ASSERT_TRUE(writeFileAtomically(obj, "mtllib half.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                                       "vt 0.1 0.2\nvt 0.9 0.2\nvt 0.9 0.8\nvt 0.1 0.8\nusemtl Wood\n"
                                       "f 1/1 2/2 3/3 4/4\nf 2 5 6 3\n"));
  headless::answerFileDialog(obj);
  importObjFile();
  ASSERT_EQ(scene().objects.size(), 1u);
  exportBoth("half_mapped", false);

  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(buildGltfState(collectExportObjects(false), state, error, true, L"GLB"));
  ASSERT_EQ(state.meshes.size(), 1u);
  ASSERT_EQ(state.meshes[0].primitives.size(), 1u);
  const GltfPrimitiveRecord& primitive = state.meshes[0].primitives[0];
  ASSERT_GE(primitive.texcoord0, 0);
  EXPECT_GE(state.materialTextures[static_cast<std::size_t>(primitive.material)].color, 0) << "texture kept";
  const std::vector<float> positions = accessorFloats(state, primitive.position);
  const std::vector<float> uvs = accessorFloats(state, primitive.texcoord0);
  ASSERT_EQ(positions.size(), 12u * 3);
  ASSERT_EQ(uvs.size(), 12u * 2);
  for (std::size_t i = 0; i < 6; ++i) {  // the mapped quad's two triangles come first; v is stored flipped
    EXPECT_FLOAT_EQ(uvs[2 * i], positions[3 * i] < 0.5f ? 0.1f : 0.9f) << i;
    EXPECT_FLOAT_EQ(uvs[2 * i + 1], positions[3 * i + 1] < 0.5f ? 0.8f : 0.2f) << i;
  }
  for (std::size_t i = 7; i < 12; ++i) {
    EXPECT_EQ(uvs[2 * i], uvs[12]) << i;
    EXPECT_EQ(uvs[2 * i + 1], uvs[13]) << i;
  }
}

TEST_F(GltfFixtures, ParentCycle) {
  Object& self = addKind(ObjectKind::Mesh, L"Self");
  self.parentId = self.id;
  addKind(ObjectKind::Mesh, L"A").transform.position = {2, 0, 0};
  addKind(ObjectKind::Mesh, L"B").transform.position = {0, 2, 0};
  scene().objects[1].parentId = scene().objects[2].id;
  scene().objects[2].parentId = scene().objects[1].id;
  exportBoth("cycle", true);
}

TEST_F(GltfFixtures, ThirtyTwoBitIndices) {
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  for (int i = 0; i < 21846; ++i) {
    const double x = i % 150, y = i / 150;
    vertices.push_back({x, y, 0});
    vertices.push_back({x + 1, y, 0});
    vertices.push_back({x, y + 1, 0});
    faces.push_back(face({3 * i, 3 * i + 1, 3 * i + 2}));
  }
  addMesh(L"Big", std::move(vertices), std::move(faces));
  exportBoth("int_indices", true);
}

TEST_F(GltfFixtures, NamesWithControlCharactersAndEmoji) {
  app().project.name = L"Project \"\x01\t\U0001F600\"";
  addKind(ObjectKind::Mesh, L"Tab\there\nline \x1F \\ \U0001F680 \x7F");
  exportBoth("names", true);
}

TEST_F(GltfFixtures, HalfAlphaWithEmission) {
  Object& cube = addKind(ObjectKind::Mesh, L"Glow");
  Material& m = cube.materialSlots.slots[0];
  m.alpha = 0.5;
  m.emission = 2.5;
  m.r = 250, m.g = 40, m.b = 10;
  exportBoth("alpha_emission", true);
}

TEST_F(GltfFixtures, ConcaveFaces) {
  addMesh(L"L", {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {1, 1, 0}, {1, 4, 0}, {0, 4, 0}}, {face({0, 1, 2, 3, 4, 5})});
  Object& u = addMesh(L"U", {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {2, 3, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}},
                      {face({0, 1, 2, 3, 4, 5, 6, 7})});
  u.transform = {{4, 0, 0}, {0, 90, 30}, {1, 1, 1}};
  exportBoth("concave", true);
}

// See-through factors blend, an alpha map alone cuts out; the importer reads
// the factor back.
TEST_F(GltfFixtures, AlphaModesFollowFactorAndAlphaMap) {
  const fs::path mask = folder_ / "alpha_modes_mask.png";
  writeImage(mask, false);
  const std::pair<const wchar_t*, double> materials[] = {{L"Glass", 0.35}, {L"Frosted", 0.48}, {L"Solid", 1.0},
                                                         {L"CutOut", 1.0}};
  for (const auto& [name, alpha] : materials) {
    Material& m = uvQuad(name, 1).materialSlots.slots[0];
    m.name = name;
    m.alpha = alpha;
  }
  scene().objects.back().materialSlots.slots[0].textureMaps.maps = {map(L"alpha", mask)};
  exportBoth("alpha_modes", false);

  std::string json;
  ASSERT_TRUE(readFileBytes(wideFromPath(folder_ / "alpha_modes.gltf"), json, 1 << 20));
  auto materialLine = [&](const std::string& name) {
    const std::size_t at = json.find("{ \"name\": \"" + name + "\", \"pbr");
    return at == std::string::npos ? std::string() : json.substr(at, json.find('\n', at) - at);
  };
  EXPECT_NE(materialLine("Glass").find("\"alphaMode\": \"BLEND\" }"), std::string::npos);
  EXPECT_NE(materialLine("Frosted").find("\"alphaMode\": \"BLEND\" }"), std::string::npos);
  EXPECT_EQ(materialLine("Solid").find("alphaMode"), std::string::npos);  // OPAQUE is the default
  EXPECT_NE(materialLine("CutOut").find("\"alphaMode\": \"MASK\", \"alphaCutoff\": 0.42"), std::string::npos);
  EXPECT_EQ(json.find("alphaCutoff"), json.rfind("alphaCutoff"));

  PendingGltfDocument document;
  document.cancelProbe = [](const std::wstring&) { return false; };
  std::wstring error;
  ASSERT_TRUE(phase65LoadDocument(wideFromPath(folder_ / "alpha_modes.gltf"), document, error));
  ASSERT_EQ(document.materials.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(document.materials[i].alpha, materials[i].second);
}

// A map whose file is gone is left out (the validator would report IO_ERROR)
// and the report names it, once for all.
TEST_F(GltfFixtures, MissingTextureFilesAreLeftOutAndNamedOnce) {
  const fs::path textures = folder_ / "missing_maps";
  writeImage(textures / "wood.png", false);
  Object& first = uvQuad(L"Present", 1);
  first.materialSlots.slots[0].textureMaps.maps = {map(L"color", textures / "wood.png"),
                                                   map(L"normal", textures / "bump.jpg")};
  Object& second = uvQuad(L"Gone", 1);
  second.transform.position = {2, 0, 0};
  second.materialSlots.slots[0].textureMaps.maps = {map(L"roughness", textures / "gone.png"),
                                                    map(L"normal", textures / "bump.jpg")};
  exportBoth("missing_maps", false);
  std::string json;
  ASSERT_TRUE(readFileBytes(wideFromPath(folder_ / "missing_maps.gltf"), json, 1 << 20));
  EXPECT_NE(json.find("wood.png"), std::string::npos);
  EXPECT_EQ(json.find("bump.jpg"), std::string::npos);
  EXPECT_EQ(json.find("gone.png"), std::string::npos);
  EXPECT_EQ(json.find("normalTexture"), std::string::npos);
  const std::wstring note = L"- Texture files not found at export were left out: " +
                            wideFromPath(textures / "bump.jpg") + L", " + wideFromPath(textures / "gone.png") + L".\n";
  const std::wstring& report = app().importReport;
  EXPECT_NE(report.find(note), std::wstring::npos) << std::string(report.begin(), report.end());
  EXPECT_EQ(report.find(L"not found"), report.rfind(L"not found"));
}

// Images the studio could not decode, and CMYK JPEGs, stay referenced (the
// files are the user's) and the report names each; under CTest the validator
// must refuse exactly those images and find nothing else wrong.
TEST_F(GltfFixtures, ImagesReadersMayRefuseAreReferencedAndNamed) {
  const fs::path textures = folder_ / "refusable";
  woodAndStoneQuad(L"Good", textures);
  exportBoth("refusable_good", false);
  const std::wstring none = L"Warnings:\n- None. Export is boring/standard by the internal Phase 66.1 QA gate.\n";
  EXPECT_TRUE(app().importReport.ends_with(none));

  // A copy cut short after its header, and four-component ink written by libjpeg.
  std::string png;
  ASSERT_TRUE(readFileBytes(wideFromPath(textures / "wood.png"), png, 1 << 20));
  ASSERT_TRUE(writeFileAtomically(wideFromPath(textures / "broken.png"), png.substr(0, 40)));
  vktest::JpegSpec cmyk;
  cmyk.width = cmyk.height = 8;
  cmyk.components = 4;
  cmyk.colorSpace = JCS_CMYK;
  for (int i = 0; i < 64; ++i) cmyk.samples.insert(cmyk.samples.end(), {200, 20, 0, std::uint8_t(i * 3)});
  ASSERT_TRUE(writeFileAtomically(wideFromPath(textures / "cmyk.jpg"), vktest::makeJpeg(cmyk)));
  Object& bad = uvQuad(L"Refusable", 2);
  bad.transform.position = {2, 0, 0};
  bad.materialSlots.slots[0].textureMaps.maps = {map(L"color", textures / "cmyk.jpg"),
                                                 map(L"normal", textures / "wood.png")};
  bad.materialSlots.slots[1].textureMaps.maps = {map(L"color", textures / "broken.png"),
                                                 map(L"roughness", textures / "cmyk.jpg")};
  // The studio's own preview: the cut file fails to load, the CMYK one shows.
  EXPECT_EQ(formatTextureMapStatus(bad.materialSlots.slots[1], L"color", L"Color").substr(0, 18), L"Color: load failed");
  EXPECT_EQ(formatTextureMapStatus(bad.materialSlots.slots[0], L"color", L"Color"), L"Color: found (8x8)");
  bad.materialSlots.slots[1].textureMaps.maps[0].missing = true;  // stale: the file is there at export

  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(buildGltfState(collectExportObjects(false), state, error, true, L"GLB"));
  std::string pointers = "[";
  for (std::size_t i = 0; i < state.imageUris.size(); ++i)
    if (state.imageUris[i].ends_with(L"broken.png") || state.imageUris[i].ends_with(L"cmyk.jpg"))
      pointers += std::string(pointers.size() > 1 ? ", " : "") + "\"/images/" + std::to_string(i) + "\"";
  ASSERT_EQ(std::count(pointers.begin(), pointers.end(), '/'), 4) << pointers;
  for (const char* file : {"refusable.gltf", "refusable.glb"})
    ASSERT_TRUE(writeFileAtomically(wideFromPath(folder_ / (std::string(file) + ".image-errors.json")), pointers + "]\n"));
  exportBoth("refusable", false);
  std::string json;
  ASSERT_TRUE(readFileBytes(wideFromPath(folder_ / "refusable.gltf"), json, 1 << 20));
  for (const char* name : {"wood.png", "stone.jpg", "broken.png", "cmyk.jpg"})
    EXPECT_NE(json.find(name), std::string::npos) << name;
  const std::wstring note = L"- Texture images still referenced that glTF readers may refuse: " +
                            wideFromPath(textures / "cmyk.jpg") + L" (CMYK JPEG), " +
                            wideFromPath(textures / "broken.png") + L" (not decodable).\n";
  const std::wstring& report = app().importReport;
  EXPECT_NE(report.find(note), std::wstring::npos) << wideToUtf8(report);
  EXPECT_EQ(report.find(L"- None."), std::wstring::npos);
  EXPECT_EQ(report.find(L"left out"), std::wstring::npos);
}

// Images that are not PNG or JPEG (an empty file, a text file named .png, a
// WebP or BMP cut short) are left out as before, and the report names each
// once with why, as it names the files not found; under CTest the validator
// must then find nothing wrong with the files.
TEST_F(GltfFixtures, ImagesLeftOutAreNamedWithWhy) {
  const fs::path textures = folder_ / "left_out";
  writeImage(textures / "wood.png", false);
  const std::vector<std::uint32_t> argb(64, 0xFF336699u);
  const std::string webp = vktest::makeWebPLossless(argb, 8, 8), bmp = vktest::makeBmp(argb, 8, 8, 24);
  const std::pair<const char*, std::string> files[] = {{"empty.png", ""},
                                                       {"notes.png", "a text file, not an image\n"},
                                                       {"cut.webp", webp.substr(0, webp.size() / 2)},
                                                       {"cut.bmp", bmp.substr(0, 30)}};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    ASSERT_TRUE(writeFileAtomically(wideFromPath(textures / files[i].first), files[i].second));
    Object& quad = uvQuad(L"Quad " + std::to_wstring(i), 1);
    quad.transform.position = {2.0 * static_cast<double>(i), 0, 0};
    Material& material = quad.materialSlots.slots[0];
    material.textureMaps.maps = {map(L"color", textures / files[i].first), map(L"normal", textures / "wood.png")};
    EXPECT_EQ(formatTextureMapStatus(material, L"color", L"Color").substr(0, 18), L"Color: load failed")
        << files[i].first;
  }
  Object& again = uvQuad(L"Empty again", 1);
  again.transform.position = {0, 2, 0};
  again.materialSlots.slots[0].textureMaps.maps = {map(L"roughness", textures / "empty.png")};
  exportBoth("left_out", false);

  std::string json;
  ASSERT_TRUE(readFileBytes(wideFromPath(folder_ / "left_out.gltf"), json, 1 << 20));
  EXPECT_NE(json.find("wood.png"), std::string::npos);
  for (const auto& [name, bytes] : files) EXPECT_EQ(json.find(name), std::string::npos) << name;
  const auto named = [&](const char* name, const wchar_t* why) {
    return wideFromPath(textures / name) + L" (" + why + L")";
  };
  const std::wstring note = L"- Texture images that are not PNG or JPEG files, or have no path relative to the "
                            L"exported file, were left out: " +
                            named("empty.png", L"empty file") + L", " +
                            named("notes.png", L"not a PNG or JPEG image") + L", " +
                            named("cut.webp", L"not a PNG or JPEG image") + L", " +
                            named("cut.bmp", L"not a PNG or JPEG image") + L".\n";
  const std::wstring& report = app().importReport;
  EXPECT_NE(report.find(note), std::wstring::npos) << wideToUtf8(report);
  EXPECT_EQ(report.find(L"empty.png"), report.rfind(L"empty.png"));
}

}  // namespace
}  // namespace vk
