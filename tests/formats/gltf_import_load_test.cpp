// glTF import loading: members are read at their own level (nested blocks
// never answer for their parent), glTF's own material defaults, rotations in
// the model's Euler order, and hostile names and braces.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "gltf_import_fixture.h"
#include "model/math.h"

namespace vk {
namespace {

using test::GltfFixture;

TEST(GltfLoad, NestedBlocksDoNotAnswerForTheirParent) {
  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const int other = f.positions({{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
  // An extensions block before the attributes names another POSITION.
  f.meshes.push_back("{\"primitives\":[{\"extensions\":{\"X\":{\"attributes\":{\"POSITION\":" + std::to_string(other) +
                     "}}},\"attributes\":{\"POSITION\":" + std::to_string(pos) + "}}]}");
  // A sparse accessor without its own bufferView keeps none.
  f.accessors.push_back(
      "{\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"sparse\":{\"count\":1,\"indices\":{\"bufferView\":0,"
      "\"componentType\":5125},\"values\":{\"bufferView\":1}}}");
  f.node("\"name\":\"a\",\"extras\":{\"mesh\":7,\"name\":\"wrong\"},\"mesh\":0");
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  EXPECT_EQ(document.meshes[0].primitives[0].position, pos);
  EXPECT_EQ(document.accessors.back().bufferView, -1);
  EXPECT_TRUE(document.accessors.back().sparse);
  EXPECT_FALSE(document.accessors.back().readable);
  EXPECT_EQ(document.nodes[0].mesh, 0);
  EXPECT_EQ(document.nodes[0].name, L"a");
  MeshData mesh;
  std::wstring message;
  ASSERT_TRUE(test::buildMesh(document, 0, mesh, message));
  EXPECT_EQ(mesh.vertices[0], (Vec3{0, 0, 0}));
}

TEST(GltfLoad, StrayClosersHugeNamesAndHugeNumbersStayContained) {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  f.node("\"name\":\"" + std::string(10u << 20, 'n') + "\",\"mesh\":0,\"translation\":[1e308,2,3]");
  f.node("\"name\":\"}]}{[\",\"mesh\":1e300,\"children\":[-1,99999999999,0]");
  std::string json = f.gltfWithDataUri();
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(json, document));
  ASSERT_EQ(document.nodes.size(), 2u);
  EXPECT_EQ(document.nodes[0].name.size(), 240u);
  EXPECT_EQ(document.nodes[1].name, L"}]}{[");
  EXPECT_EQ(document.nodes[1].mesh, INT32_MIN);
  // Stray closers before and after the document never underflow a depth.
  PendingGltfDocument broken;
  EXPECT_TRUE(test::loadGltfBytes("]]}}" + json + "}}]]", broken));
  PendingGltfDocument inside;
  EXPECT_TRUE(test::loadGltfBytes("{\"meshes\":[}]]]{\"primitives\":[}]}]}", inside));
}

TEST(GltfLoad, EveryReaderTakesTheFirstMemberOfEachNameWhateverItsForm) {
  // Repeats are passed over even when the first has the wrong form, and an
  // escaped name is its decoded text (so it repeats one met before it).
  GltfFixture f;
  f.extra =
      "\"nodes\":[{\"n\\u0061me\":\"esc\",\"name\":\"plain\",\"mesh\":\"0\",\"mesh\":0,\"translation\":[1,2],"
      "\"translation\":[1,2,3],\"scale\":[2,2,2,\"x\"]},{}],\"textures\":[{\"source\":\"x\",\"source\":0}],";
  f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  f.accessors.push_back(
      "{\"type\":5,\"type\":\"VEC3\",\"count\":\"3\",\"c\\u006funt\":3,\"normalized\":true,\"componentType\":5126}");
  f.meshes.push_back(
      "{\"primitives\":[{\"attributes\":[1],\"attributes\":{\"POSITION\":0},\"material\":\"m\",\"material\":0,"
      "\"mode\":1,\"m\\u006fde\":4},{\"attributes\":{\"NORMAL\":\"n\",\"NORMAL\":0,\"J\\u004fINTS_0\":1}}],"
      "\"primitives\":[]}");
  f.node("\"name\":\"second array\",\"mesh\":0");
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  // The first "nodes" array is the one counted and read.
  EXPECT_EQ(document.declared.nodes, 2u);
  ASSERT_EQ(document.nodes.size(), 2u);
  EXPECT_EQ(document.nodes[0].name, L"esc");
  EXPECT_EQ(document.nodes[0].mesh, -1);
  EXPECT_EQ(document.nodes[0].translation, (Vec3{0, 0, 0}));
  EXPECT_EQ(document.nodes[0].scale, (Vec3{2, 2, 2}));
  EXPECT_EQ(document.nodes[1].name, L"glTF Node 2");
  EXPECT_EQ(document.textureSources, std::vector<std::int32_t>{-1});
  const PendingGltfAccessor& accessor = document.accessors.at(1);
  EXPECT_EQ(accessor.type, "SCALAR");
  EXPECT_EQ(accessor.count, 0);
  EXPECT_TRUE(accessor.normalized);
  ASSERT_EQ(document.meshes.size(), 1u);
  ASSERT_EQ(document.meshes[0].primitives.size(), 2u);
  const PendingGltfPrimitive& first = document.meshes[0].primitives[0];
  EXPECT_FALSE(first.hasAttributes);
  EXPECT_EQ(first.position, -1);
  EXPECT_FALSE(first.hasMaterial);
  EXPECT_EQ(first.mode, 1);
  const PendingGltfPrimitive& second = document.meshes[0].primitives[1];
  EXPECT_TRUE(second.hasNormalKey);
  EXPECT_EQ(second.normal, -1);
  EXPECT_TRUE(second.hasFutureAttribute);

  // Nodes of a document whose first "nodes" member is no array: none.
  PendingGltfDocument other;
  f.extra = "\"nodes\":{},";
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), other));
  EXPECT_EQ(other.declared.nodes, 0u);
  EXPECT_TRUE(other.nodes.empty());
}

TEST(GltfLoad, AMaterialReadsAlikeWhateverOrderItsMembersComeIn) {
  const std::string members[] = {
      "\"name\":\"M\"",
      "\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},\"metallicRoughnessTexture\":{\"index\":1},"
      "\"metallicFactor\":0.5,\"baseColorFactor\":[1,0.5,0.25,1]}",
      "\"normalTexture\":{\"index\":2}", "\"emissiveTexture\":{\"index\":1}", "\"emissiveFactor\":[1,1,1]",
      "\"alphaMode\":\"MASK\""};
  const auto load = [&](bool reversed) {
    std::string material;
    for (std::size_t k = 0; k < std::size(members); ++k)
      material += (k ? "," : "") + members[reversed ? std::size(members) - 1 - k : k];
    GltfFixture f;
    f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    f.extra = "\"images\":[{\"uri\":\"a.png\"},{\"uri\":\"b.png\"},{\"uri\":\"c.png\"}],"
              "\"textures\":[{\"source\":0},{\"source\":1},{\"source\":2}],\"materials\":[{" + material + "}],";
    PendingGltfDocument document;
    EXPECT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
    return document;
  };
  const PendingGltfDocument inOrder = load(false), reversed = load(true);
  ASSERT_EQ(inOrder.materials.size(), 1u);
  EXPECT_EQ(inOrder.materials, reversed.materials);
  EXPECT_EQ(inOrder.materialCounters.alphaMaps, 1u);
  EXPECT_EQ(reversed.imageCounters.stagedMaps, inOrder.imageCounters.stagedMaps);
}

TEST(GltfLoad, MentionsAreFoundAnywhereInTheText) {
  // At the first byte, across 16-byte groups, in the last bytes, inside a
  // string value, and a near miss that must not count.
  const std::string pad(37, ' ');
  for (std::size_t shift = 0; shift < 20; ++shift) {
    const std::string head = "\"targets\"" + std::string(shift, ' ');
    const std::string json = head + "{\"asset\":{\"version\":\"2.0\",\"generator\":\"morphTarge KHR_lights_punctual" + pad +
                             "\"}," + pad + "\"x\":\"morphTarget\"}extensionsUsed";
    SCOPED_TRACE(shift);
    PendingGltfDocument document;
    test::loadGltfBytes(json, document);
    EXPECT_TRUE(document.mentionsTargets);
    EXPECT_TRUE(document.mentionsMorphTarget);
    EXPECT_TRUE(document.mentionsLightsExtension);
    EXPECT_TRUE(document.mentionsExtensionsUsed);
    PendingGltfDocument none;
    test::loadGltfBytes(json.substr(head.size(), json.size() - head.size() - 1) + pad + "morphTarge", none);
    EXPECT_FALSE(none.mentionsTargets);
    EXPECT_FALSE(none.mentionsExtensionsUsed);
    EXPECT_TRUE(none.mentionsMorphTarget);
  }
}

TEST(GltfLoad, MaterialsTakeGltfDefaultsAndPrimitivesWithoutOneShareADefaultSlot) {
  GltfFixture f;
  const int pos = f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  f.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     "},\"indices\":" + std::to_string(f.indices({0, 1, 2})) +
                     "},{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                     "},\"indices\":" + std::to_string(f.indices({1, 3, 2})) + ",\"material\":1}]}");
  f.extra = "\"materials\":[{\"name\":\"Plain\"},{\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,0.5,0,0.25],"
            "\"metallicFactor\":7}},{\"emissiveFactor\":[3,3,3]}],";
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  ASSERT_EQ(document.materials.size(), 3u);
  const Material& plain = document.materials[0];
  EXPECT_EQ(plain.name, L"Plain");
  EXPECT_EQ(std::tie(plain.r, plain.g, plain.b), std::make_tuple(255, 255, 255));
  EXPECT_EQ(plain.metallic, 1.0);
  EXPECT_EQ(plain.roughness, 1.0);
  const Material& factors = document.materials[1];
  EXPECT_EQ(std::tie(factors.r, factors.g, factors.b), std::make_tuple(255, 128, 0));
  EXPECT_DOUBLE_EQ(factors.alpha, 0.25);
  EXPECT_EQ(factors.metallic, 1.0);
  EXPECT_EQ(factors.name, L"glTF Material 2");
  EXPECT_EQ(document.materials[2].emission, 4.0);

  MeshData mesh;
  std::vector<Material> slots;
  std::wstring message;
  ASSERT_TRUE(phase65ImportTriangleMesh(document, 0, mesh, slots, message));
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(slots[3].name, L"Default");
  EXPECT_EQ(mesh.faces[0].materialIndex, 3);
  EXPECT_EQ(mesh.faces[1].materialIndex, 1);
}

TEST(GltfLoad, FilesWithoutMaterialsKeepTheFallbackMaterial) {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  PendingGltfDocument absent;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), absent));
  ASSERT_EQ(absent.materials.size(), 1u);
  EXPECT_EQ(absent.materials[0].name, L"Imported glTF Default");
  f.extra = "\"materials\":[],";
  PendingGltfDocument empty;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), empty));
  ASSERT_EQ(empty.materials.size(), 1u);
  EXPECT_EQ(empty.materials[0].name, L"Imported OBJ Default");
  MeshData mesh;
  std::vector<Material> slots;
  std::wstring message;
  ASSERT_TRUE(phase65ImportTriangleMesh(empty, 0, mesh, slots, message));
  EXPECT_EQ(slots.size(), 1u);
  EXPECT_EQ(mesh.faces[0].materialIndex, 0);
}

// q = qz * qx * qy: the model's Y, then X, then Z.
void modelQuaternion(const Vec3& degrees, double q[4]) {
  auto axis = [](double angle, int k, double out[4]) {
    const double h = degreesToRadians(angle) / 2;
    out[0] = out[1] = out[2] = 0;
    out[k] = std::sin(h);
    out[3] = std::cos(h);
  };
  auto mul = [](const double a[4], const double b[4], double out[4]) {
    out[0] = a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1];
    out[1] = a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0];
    out[2] = a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3];
    out[3] = a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2];
  };
  double qx[4], qy[4], qz[4], zx[4];
  axis(degrees.x, 0, qx);
  axis(degrees.y, 1, qy);
  axis(degrees.z, 2, qz);
  mul(qz, qx, zx);
  mul(zx, qy, q);
}

Vec3 rotateByQuaternion(const double q[4], const Vec3& v) {
  const Vec3 u{q[0], q[1], q[2]};
  const Vec3 t = vec3Cross(u, v) * 2.0;
  return v + t * q[3] + vec3Cross(u, t);
}

TEST(GltfLoad, QuaternionsBecomeModelAnglesThatReproduceThem) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> angle(-180.0, 180.0);
  const Vec3 probes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 2000; ++i) {
    Vec3 degrees{angle(rng), angle(rng), angle(rng)};
    if (i % 10 == 0) degrees.x = (i % 20 == 0) ? 90.0 : -90.0;
    double q[4];
    modelQuaternion(degrees, q);
    // Unnormalised input reads the same.
    const Vec3 euler = quaternionToEulerDegrees(q[0] * 3, q[1] * 3, q[2] * 3, q[3] * 3);
    for (const Vec3& p : probes) {
      const Vec3 expected = rotateByQuaternion(q, p);
      const Vec3 got = rotateEulerDegrees(p, euler);
      ASSERT_NEAR(got.x, expected.x, 1e-9) << i;
      ASSERT_NEAR(got.y, expected.y, 1e-9) << i;
      ASSERT_NEAR(got.z, expected.z, 1e-9) << i;
    }
    if (std::fabs(degrees.x) == 90.0) {
      EXPECT_EQ(euler.y, 0.0);
    }
  }
  EXPECT_EQ(quaternionToEulerDegrees(0, 0, 0, 0), (Vec3{}));
  EXPECT_EQ(quaternionToEulerDegrees(NAN, 0, 0, 1), (Vec3{}));
  const Vec3 quarter = quaternionToEulerDegrees(0, 0.7071068, 0, 0.7071068);
  EXPECT_NEAR(quarter.y, 90.0, 1e-4);
}

TEST(GltfLoad, ImagesAreClassifiedBySource) {
  GltfFixture f;
  f.mesh(f.positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  f.extra = "\"images\":[{\"uri\":\"data:image/webp;base64,AAAA\"},{\"bufferView\":0,\"uri\":\"x.png\"},"
            "{\"uri\":\"missing/TEX.PNG?v=1#frag\"},{},{\"uri\":\"data:image/png;base64,AA\"}],";
  PendingGltfDocument document;
  ASSERT_TRUE(test::loadGltfBytes(f.gltfWithDataUri(), document));
  const auto& images = document.images;
  ASSERT_EQ(images.size(), 5u);
  EXPECT_EQ(images[0].sourceKind, L"data-uri");
  EXPECT_EQ(images[0].mimeType, L"image/webp");
  EXPECT_TRUE(images[0].notDecodable);
  EXPECT_EQ(images[1].sourceKind, L"embedded-bufferView");
  EXPECT_EQ(images[1].uri, L"x.png");
  EXPECT_EQ(images[2].mimeType, L"image/png");
  EXPECT_TRUE(images[2].missingExternal);
  EXPECT_EQ(images[3].sourceKind, L"metadata-only");
  EXPECT_EQ(document.imageCounters.dataUriImages, 2u);
  EXPECT_EQ(document.imageCounters.missingExternalImages, 1u);
  EXPECT_EQ(document.imageCounters.deferredImages, 4u);
  int dataWarnings = 0;
  for (const auto& w : document.warnings) dataWarnings += w.find(L"data URI texture metadata") != std::wstring::npos;
  EXPECT_EQ(dataWarnings, 1);
  EXPECT_NE(std::find(document.warnings.begin(), document.warnings.end(),
                      L"Phase 65.4: unsupported or unknown texture preview format for image 0 image/webp; safe "
                      L"fallback material color will be used."),
            document.warnings.end());
}

}  // namespace
}  // namespace vk
