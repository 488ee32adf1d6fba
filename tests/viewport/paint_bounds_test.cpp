// What one paint draws and what the viewport keeps between paints: objects
// past the paint's total, counted by their corners, are boxes (the selected
// one whole); the kept data stays within its bytes and what was dropped
// paints as before; a scene of many duplicates paints within its memory.
#include <cmath>

#include "child_measure.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "platform/palette.h"
#include "shading/modifiers.h"
#include "viewport/frame_draw_list.h"
#include "viewport/viewport_caches.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vktest::FrameCanvas;

class PaintBounds : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    appState().viewYaw = 0.0;
    appState().viewPitch = 90.0;
    appState().orthographic = true;
  }
  void TearDown() override { appState() = vk::AppState{}; }
};

// `count` flat discs of `corners` corners each, one face a disc, side by side along x.
vk::MeshData discs(int count, int corners, double radius) {
  vk::MeshData mesh;
  for (int d = 0; d < count; ++d) {
    vk::MeshFace face;
    for (int k = 0; k < corners; ++k) {
      const double a = 6.283185307179586 * k / corners;
      face.indices.push_back(static_cast<std::int32_t>(mesh.vertices.size()));
      mesh.vertices.write().push_back({(2 * d - count) * radius + radius * std::cos(a), 0.0, radius * std::sin(a)});
    }
    mesh.faces.write().push_back(face);
  }
  return mesh;
}

// The frame as empty caches paint it; the kept ones are put back after.
std::vector<COLORREF> freshFrame(FrameCanvas& canvas) {
  const auto kept = appState().viewportCaches;
  appState().viewportCaches.reset();
  canvas.draw(vktest::noHud());
  appState().viewportCaches = kept;
  return pixelsOf(canvas);
}

// `count` stars of `points` points in a row along x, every other corner at
// half the radius and each 0.4 of it up or down: concave, not flat.
vk::MeshData wavyStars(int count, int points, double radius) {
  vk::MeshData mesh;
  for (int d = 0; d < count; ++d) {
    vk::MeshFace face;
    for (int k = 0; k < 2 * points; ++k) {
      const double a = 3.141592653589793 * k / points, r = k % 2 ? radius / 2 : radius;
      face.indices.push_back(static_cast<std::int32_t>(mesh.vertices.size()));
      mesh.vertices.write().push_back(
          {(2 * d - count) * radius + r * std::cos(a), (k % 4 < 2 ? 0.4 : -0.4) * radius, r * std::sin(a)});
    }
    mesh.faces.write().push_back(face);
  }
  return mesh;
}

// Six objects of 40 discs of 100 corners (12 000 units each: vertices,
// corners, edges), each with 31 Array copies in place: 384 000 units an
// object, so that three fit the paint's 1 500 000. The selected last one is
// charged first and drawn whole; of the rest the first two fit, the third's
// copies do not, and it and the later ones are boxes, in Solid as in Wireframe.
TEST_F(PaintBounds, ManyCorneredObjectsPastTheTotalAreBoxesTheSelectedWhole) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 6; ++i) {
    vk::Object& object = vktest::addMeshObject(L"Discs" + std::to_wstring(i), discs(40, 100, 0.02));
    object.transform.position = {0.0, 0.0, -0.5 + 0.2 * i};
    object.modifierStack.entries.push_back(vk::createModifierEntry(object, L"Array"));
    vk::Modifier& array = object.modifierStack.entries.back();
    vk::setModifierParamNumber(array, L"count", 32);
    vk::setModifierParamNumber(array, L"offsetX", 0.0);
    ids.push_back(object.id);
  }
  ASSERT_EQ(vk::meshPaintUnits(appState().project.scene.objects[0]), 12000u);
  appState().selectedObjectId = ids[5];
  FrameCanvas canvas(500, 400);
  for (auto mode : {vk::ViewportShadingMode::Solid, vk::ViewportShadingMode::Wireframe}) {
    appState().project.scene.viewportShadingMode = mode;
    vk::viewportCaches().previewNotice.clear();
    canvas.draw(vktest::noHud());
    EXPECT_EQ(appState().statusText, L"\u25CF  3 objects drawn as boxes");
    const std::size_t filled = mode == vk::ViewportShadingMode::Solid ? 3u * 32u * 40u : 0u;
    EXPECT_EQ(vk::viewportCaches().lastFillFaces, filled);
    // A boxed object shows its bounds box's near edge, in the wire colour.
    const vk::Object& boxed = *vk::findObjectById(ids[3]);
    const vk::Vec3 edge = boxed.transform.position + vk::Vec3{0.0, 0.0, -0.02};
    const POINT p = vk::projectToScreen(edge, canvas.rect());
    EXPECT_EQ(canvas.pixel(p.x, p.y), vk::kMeshWire);
  }
  // Unselected, the last object is a box like the others past the total.
  appState().selectedObjectId.clear();
  canvas.draw(vktest::noHud());
  EXPECT_EQ(vk::viewportCaches().lastFillFaces, 0u);
  const POINT last = vk::projectToScreen(vk::findObjectById(ids[5])->transform.position + vk::Vec3{0.0, 0.0, -0.02},
                                         canvas.rect());
  EXPECT_EQ(canvas.pixel(last.x, last.y), vk::kMeshWire);
}

// A selected object past the whole total is drawn whole all the same (96
// elements of 18 000 units) and keeps nothing for later paints.
TEST_F(PaintBounds, ASelectedObjectPastTheWholeTotalIsWholeAndKeepsNothing) {
  vk::Object& object = vktest::addMeshObject(L"Discs", discs(60, 100, 0.05));
  object.modifierStack.entries.push_back(vk::createModifierEntry(object, L"Mirror"));
  for (const wchar_t* axis : {L"axisY", L"axisZ"}) vk::setModifierParamBool(object.modifierStack.entries.back(), axis, true);
  object.modifierStack.entries.push_back(vk::createModifierEntry(object, L"Array"));
  vk::setModifierParamNumber(object.modifierStack.entries.back(), L"count", 12);
  vk::setModifierParamNumber(object.modifierStack.entries.back(), L"offsetX", 0.0);
  const std::wstring id = object.id;
  appState().selectedObjectId = id;
  FrameCanvas canvas(500, 400);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(vk::viewportCaches().lastFillFaces, 96u * 60u);
  EXPECT_TRUE(vk::viewportCaches().previewNotice.empty());
  EXPECT_TRUE(vk::viewportCaches().modifierPreviews.at(id).share->elementDraws.empty());
  const std::vector<COLORREF> first = pixelsOf(canvas);
  canvas.draw(vktest::noHud());
  EXPECT_EQ(pixelsOf(canvas), first);
}

// The kept data stays within its bytes whatever is drawn, and what a paint
// dropped is built again the same: each frame equals the one empty caches
// paint, over plain meshes, duplicates, a proxy mesh and preview copies.
TEST_F(PaintBounds, KeptDataStaysWithinItsBytesAndDroppedDataPaintsTheSame) {
  for (int i = 0; i < 3; ++i) vktest::addMeshObject(L"Grid", vktest::gridMesh(30, 30, 0.3)).transform.position.x = i - 1.0;
  vk::Object& heavy = vktest::addMeshObject(L"Heavy", vktest::gridMesh(160, 160, 0.4));
  ASSERT_TRUE(vk::omitFullMeshPreview(heavy));
  heavy.transform.position.z = 0.8;
  vk::Object& copies = vktest::addMeshObject(L"Copies", discs(10, 24, 0.03));
  copies.transform.position.z = -0.8;
  copies.modifierStack.entries.push_back(vk::createModifierEntry(copies, L"Array"));
  vk::setModifierParamNumber(copies.modifierStack.entries.back(), L"count", 6);
  appState().selectedObjectId = copies.id;
  FrameCanvas canvas(400, 300);
  canvas.draw(vktest::noHud());
  const std::size_t warm = vk::keptViewportBytes();
  vk::viewportCaches().keptByteLimit = warm / 3;
  for (double yaw : {0.0, 0.0, 30.0, 0.0}) {
    appState().viewYaw = yaw;
    canvas.draw(vktest::noHud());
    EXPECT_LE(vk::keptViewportBytes(), vk::viewportCaches().keptByteLimit) << yaw;
    const std::vector<COLORREF> kept = pixelsOf(canvas);
    EXPECT_EQ(freshFrame(canvas), kept) << yaw;
  }
}

// Faces that are not flat are cut only in a mode that fills them, each once
// whatever the view, for every object and copy that holds their arrays, and
// the cuts stay within the kept bytes: every frame is the one empty caches
// paint.
TEST_F(PaintBounds, FacesThatAreNotFlatAreCutOnceForEveryViewAndCopy) {
  appState().viewPitch = 40.0;
  appState().orthographic = false;
  appState().viewZoom = 4.0;
  vk::Object& stars = vktest::addMeshObject(L"Stars", wavyStars(6, 8, 0.15));
  stars.modifierStack.entries.push_back(vk::createModifierEntry(stars, L"Array"));
  vk::setModifierParamNumber(stars.modifierStack.entries.back(), L"count", 3);
  const vk::MeshData shared = stars.meshData;
  vktest::addMeshObject(L"Twin", {}).meshData = shared;
  appState().project.scene.objects[1].transform.position.z = 0.6;
  const std::size_t mostTriangles = 6 * (16 - 2);
  FrameCanvas canvas(400, 300);
  auto drawAsFresh = [&](const char* what) {
    canvas.draw(vktest::noHud());
    const std::vector<COLORREF> kept = pixelsOf(canvas);
    EXPECT_EQ(freshFrame(canvas), kept) << what;
  };
  auto cutTriangles = [] {
    std::size_t total = 0;
    for (const auto& [arrays, cuts] : vk::viewportCaches().faceCuts) total += cuts.triangles.size();
    return total;
  };
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  drawAsFresh("wireframe");
  EXPECT_TRUE(vk::viewportCaches().faceCuts.empty());
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
  for (double yaw : {0.0, 0.0, 35.0, 70.0, 70.0}) {
    appState().viewYaw = yaw;
    drawAsFresh("solid");
    ASSERT_EQ(vk::viewportCaches().faceCuts.size(), 1u) << yaw;
    EXPECT_GT(cutTriangles(), 0u) << yaw;
    EXPECT_LE(cutTriangles(), mostTriangles) << yaw;
  }
  // An edit cuts its own arrays; the twin keeps the old ones.
  appState().project.scene.objects[0].meshData.vertices.write()[0].y += 0.02;
  drawAsFresh("edited");
  EXPECT_EQ(vk::viewportCaches().faceCuts.size(), 2u);
  vk::viewportCaches().keptByteLimit = 1;
  drawAsFresh("past the kept bytes");
  EXPECT_TRUE(vk::viewportCaches().faceCuts.empty());
}

// A proxy's sampled faces that are not flat (saddles) are cut once too: a
// repaint that keeps the proxy keeps its cuts for the next view.
TEST_F(PaintBounds, ProxyFacesThatAreNotFlatAreCutOnce) {
  appState().viewPitch = 40.0;
  appState().orthographic = false;
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Solid;
  vk::MeshData grid = vktest::gridMesh(160, 160, 1.5);
  auto& vertices = grid.vertices.write();
  for (std::size_t v = 0; v < vertices.size(); ++v) vertices[v].y = (v % 161 + v / 161) % 2 ? 0.1 : -0.1;
  const vk::Object& heavy = vktest::addMeshObject(L"Saddles", grid);
  ASSERT_TRUE(vk::omitFullMeshPreview(heavy));
  FrameCanvas canvas(400, 300);
  for (double yaw : {0.0, 0.0, 30.0}) {
    appState().viewYaw = yaw;
    canvas.draw(vktest::noHud());
    const std::vector<COLORREF> kept = pixelsOf(canvas);
    const auto& cuts = vk::viewportCaches().faceCuts;
    ASSERT_EQ(cuts.size(), 1u) << yaw;
    const auto stride = static_cast<std::size_t>(vk::proxyPreviewForObject(heavy, canvas.rect(), nullptr).faceStride);
    EXPECT_GT(cuts.begin()->second.triangles.size(), 0u) << yaw;
    EXPECT_LE(cuts.begin()->second.triangles.size(), 2 * (160 * 160 + stride - 1) / stride) << yaw;
    EXPECT_EQ(freshFrame(canvas), kept) << yaw;
  }
}

// A frame drawn whole (the still render's) boxes nothing and, past the
// paint's total, paints its fills as it goes and its edges in batches, with
// the picture of one paint: a hundred duplicates one over another look as
// one object does, filled or in Wireframe.
TEST_F(PaintBounds, FramesDrawnWholePaintPastTheTotalAsOnePaint) {
  // Every other vertex raised: each quad a saddle, filled as its triangles.
  vk::MeshData saddles = vktest::gridMesh(60, 60, 1.5);
  for (std::size_t v = 0; v < saddles.vertices.size(); ++v) saddles.vertices.write()[v].y = 0.3 * ((v % 61 + v / 61) % 2);
  vktest::addMeshObject(L"Grid", saddles);
  vk::ViewportDrawOptions whole = vktest::objectsOnly();
  whole.boundPaint = false;
  FrameCanvas canvas(400, 300);
  for (auto mode : {vk::ViewportShadingMode::Lit, vk::ViewportShadingMode::Wireframe}) {
    appState().project.scene.viewportShadingMode = mode;
    appState().project.scene.objects.resize(1);
    canvas.draw(whole);
    const std::vector<COLORREF> one = pixelsOf(canvas);
    const std::size_t faces = vk::viewportCaches().lastFillFaces;
    const vk::Object first = appState().project.scene.objects.front();
    for (int i = 1; i < 100; ++i) appState().project.scene.objects.push_back(first);  // 2.5 million units
    canvas.draw(whole);
    EXPECT_EQ(vk::viewportCaches().lastFillFaces, 100 * faces);
    EXPECT_EQ(pixelsOf(canvas), one);
    EXPECT_TRUE(vk::viewportCaches().previewNotice.empty());
  }
  canvas.draw(vktest::objectsOnly());  // bounded, most are boxes
  EXPECT_EQ(appState().statusText, L"\u25CF  42 objects drawn as boxes");
}

// Duplicates of a 9900-quad mesh: the paint and an orbit step add at most
// the kept bytes and 256 MiB to the process's peak, the kept data stays
// within its bytes, and twice the duplicates take no more.
TEST(PaintMemory, ManyDuplicatesPaintWithinTheKeptBytesAnd256MiB) {
  if (vk::test::kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory counts in the resident size";
  auto peakFor = [](int duplicates) {
    return vk::test::measureInChild<2>([duplicates](vk::test::ChildClock& clock) {
      vktest::resetEmptyScene();
      vktest::addMeshObject(L"Grid", vktest::gridMesh(99, 100, 1.5));
      appState().selectedObjectId = appState().project.scene.objects.front().id;
      for (int i = 1; i < duplicates; ++i) vk::duplicateSelectedObject();
      // Every duplicate in sight, one over another, every face a few pixels.
      for (vk::Object& object : appState().project.scene.objects) object.transform.position = {};
      FrameCanvas canvas(1100, 645);
      clock.start();
      canvas.draw();
      appState().orbitDrag = true;
      appState().viewYaw += 4.2;
      canvas.draw();
      const bool within = vk::keptViewportBytes() <= vk::kViewportKeptByteLimit;
      const auto objects = static_cast<long long>(vk::viewportCaches().lastFillFaces);
      return std::array<long long, 2>{within ? 1 : 0, objects};
    });
  };
  const auto hundreds = peakFor(400);
  const auto twice = peakFor(800);
  ASSERT_TRUE(hundreds.measured && twice.measured);
  constexpr long long kBound = static_cast<long long>(vk::kViewportKeptByteLimit) + (256LL << 20);
  EXPECT_EQ(hundreds.values[0], 1);
  EXPECT_EQ(twice.values[0], 1);
  EXPECT_GT(twice.values[1], 9900 * 10);
  EXPECT_LE(hundreds.peakBytes, kBound);
  EXPECT_LE(twice.peakBytes, kBound);
  EXPECT_LE(twice.peakBytes, hundreds.peakBytes + (32LL << 20));
}

}  // namespace
