// Whole frames in pixels: background, grid, face fills per shading mode,
// painter order, budgets, feature edges, Camera View bands, corner texts.
#include <map>

#include "model/sanitize.h"
#include "shading/materials.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vk::ViewportShadingMode;
using vktest::addMeshObject;
using vktest::addSceneObject;
using vktest::FrameCanvas;
using vktest::logFind;
using vktest::logHas;

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    vk::setViewportTextRecording(true);
  }
  void TearDown() override { vk::setViewportTextRecording(false); }

  // Straight down the Y axis, orthographic: x right, z up the screen.
  static void topView() {
    appState().viewYaw = 0.0;
    appState().viewPitch = 90.0;
    appState().orthographic = true;
  }
  static vk::ViewportDrawOptions bare() { return vktest::objectsOnly(); }
  static COLORREF backgroundAt(int y, int height) {
    const double t = static_cast<double>(y) / height;
    return RGB(static_cast<int>(18 - 5 * t), static_cast<int>(23 - 5 * t), static_cast<int>(31 - 5 * t));
  }
  static POINT at(const vk::Vec3& p, const FrameCanvas& canvas) { return vk::projectToScreen(p, canvas.rect()); }
};

TEST_F(Frame, EmptySceneBackgroundGridAndCornerTexts) {
  FrameCanvas canvas(800, 600);
  canvas.draw();
  EXPECT_EQ(canvas.pixel(5, 0), RGB(18, 23, 31));
  EXPECT_EQ(canvas.pixel(5, 300), backgroundAt(300, 600));
  EXPECT_EQ(canvas.pixel(5, 599), RGB(13, 18, 26));

  topView();  // grid lines run along pixel rows and columns
  canvas.draw();
  const POINT grid = at({3, 0, 2.5}, canvas);  // on the x = 3 grid line, off the axes
  EXPECT_EQ(canvas.pixel(grid.x, grid.y), RGB(42, 50, 63));
  const POINT xAxis = at({3.5, 0, 0}, canvas);
  EXPECT_EQ(canvas.pixel(xAxis.x, xAxis.y), RGB(220, 82, 82));
  const POINT zAxis = at({0, 0, 2.5}, canvas);
  EXPECT_EQ(canvas.pixel(zAxis.x, zAxis.y), RGB(67, 141, 255));

  EXPECT_TRUE(logHas(L"Viewport  Pos 0.00, 0.00, 0.00"));
  EXPECT_TRUE(logHas(L"Keys: 0   Shade: Lit   View: Perspective   Nav: Orbit"));
  EXPECT_TRUE(logFind(L"No camera in scene: ") != nullptr);
  EXPECT_TRUE(logHas(L"Origin"));
}

TEST_F(Frame, CornerTextsFollowSelectionModesAndWidth) {
  vk::Object& cube = addSceneObject(ObjectKind::Mesh, L"Box");
  cube.transform.position = {1, 2, -3.5};
  cube.transformAnimation.keyframes.resize(2);
  cube.visible = false;  // a hidden selected object is still named
  appState().selectedObjectId = cube.id;
  appState().project.scene.viewportShadingMode = static_cast<ViewportShadingMode>(7);
  appState().navigationMode = static_cast<vk::NavigationMode>(9);
  appState().orthographic = true;
  FrameCanvas narrow(20, 60);
  narrow.draw();
  const auto* first = logFind(L"Selected  Box  Pos ");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->text, L"Selected  Box  Pos 1.00, 2.00, -3.50");
  EXPECT_EQ(first->rect.right, 30);
  EXPECT_TRUE(logHas(L"Keys: 2   Shade: Lit   View: Orthographic   Nav: Orbit"));

  vk::setViewportTextRecording(true);
  appState().project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  appState().navigationMode = vk::NavigationMode::CameraAim;
  vk::Object& camera = addSceneObject(ObjectKind::Camera, L"Cam");
  camera.transform.position = {0, 1, -5};
  appState().project.scene.activeCameraId = camera.id;
  appState().cameraView = true;
  FrameCanvas canvas(320, 200);
  canvas.draw();
  EXPECT_TRUE(logHas(L"Camera  Pos 0.00, 1.00, -5.00"));
  EXPECT_TRUE(logHas(L"Keys: 2   Shade: Material Preview   View: Camera   Nav: Camera Aim"));
}

TEST_F(Frame, TextureHintOnlyForUnmappedGeometry) {
  vk::Object& cube = addSceneObject(ObjectKind::Mesh, L"Textured");
  vk::sanitizeMaterialSlots(cube);
  vk::ensureMaterialTextureMaps(cube.materialSlots.slots[0]);
  for (vk::TextureMap& map : cube.materialSlots.slots[0].textureMaps.maps) {
    if (map.channel != L"color") continue;
    map.path = L"missing.png";
    map.enabled = true;
  }
  cube.meshData.uvsValid = false;
  appState().selectedObjectId = cube.id;
  FrameCanvas canvas(600, 300);
  canvas.draw();
  const auto* hint = logFind(L"Texture preview: this material references image maps");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->rect.top, 140);
  EXPECT_EQ(hint->colour, RGB(255, 208, 118));

  cube.kind = ObjectKind::Camera;  // same material, but not a geometry kind
  vk::setViewportTextRecording(true);
  canvas.draw();
  EXPECT_EQ(logFind(L"Texture preview: "), nullptr);
}

TEST_F(Frame, CubeInteriorsPerShadingMode) {
  vk::Object& cube = addSceneObject(ObjectKind::Mesh, L"Cube");
  FrameCanvas canvas(800, 600);
  const POINT inside = at({0.2, 0, -0.2}, canvas);  // inside the cube's outline, off the gizmo

  appState().project.scene.viewportShadingMode = ViewportShadingMode::Solid;
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), RGB(78, 92, 112));
  appState().selectedObjectId = cube.id;
  vk::ViewportDrawOptions options = bare();
  options.showSelection = true;
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), RGB(104, 126, 154));
  // With the selection option off nothing is drawn as selected.
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), RGB(78, 92, 112));

  appState().project.scene.viewportShadingMode = ViewportShadingMode::Wireframe;
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), backgroundAt(inside.y, 600));
  // Wireframe edges of the selected mesh: a wide line with a bright core.
  topView();
  canvas.draw(options);
  const POINT edge = at({0.5, 0, 0.3}, canvas);
  EXPECT_EQ(canvas.pixel(edge.x, edge.y), RGB(104, 172, 255));
  EXPECT_TRUE(canvas.pixel(edge.x + 1, edge.y) == RGB(174, 222, 255) ||
              canvas.pixel(edge.x - 1, edge.y) == RGB(174, 222, 255));
}

TEST_F(Frame, LitAndMaterialPreviewFaceColours) {
  topView();
  addMeshObject(L"Quad", vktest::gridMesh(1, 1, 1.0)).transform.rotation = {0, 30, 0};  // normal stays up
  addSceneObject(ObjectKind::Light, L"Lamp").transform.position = {0.5, 2, 0};
  const vk::Object& plane = appState().project.scene.objects.front();
  FrameCanvas canvas(400, 400);
  const POINT inside = at({0.1, 0, 0.2}, canvas);
  const vk::Material& material = vk::materialForFace(plane, 0);
  appState().project.scene.viewportShadingMode = ViewportShadingMode::Lit;
  canvas.draw(bare());
  const COLORREF lit = vk::litSurfaceColor(material, {0, 0, 0}, {0, 1, 0}, false);
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), lit);
  EXPECT_NE(lit, vk::litSurfaceColor(material, {0, 0, 0}, {0, -1, 0}, false));  // the lamp counts
  appState().project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), vk::materialShadeColor(material, {0, 1, 0}, false));
}

// Two triangles over each other in one mesh, each with its own material.
vk::MeshData stackedTriangles(int copies) {
  vk::MeshData mesh;
  mesh.vertices.write() = {{-1, -1, -1}, {1, -1, -1}, {0, -1, 1}, {-1, 0, -1}, {1, 0, -1}, {0, 0, 1}};
  auto& faces = mesh.faces.write();
  for (int i = 0; i < copies; ++i) {
    // The top view looks down: even faces are the far (y = -1) triangle,
    // odd faces the near (y = 0) one.
    const bool near = i % 2 == 1;
    vk::MeshFace face;
    face.indices = near ? std::vector<std::int32_t>{3, 5, 4} : std::vector<std::int32_t>{0, 2, 1};
    face.materialIndex = near ? 1 : 0;
    faces.push_back(face);
  }
  return mesh;
}

void redGreenSlots(vk::Object& object) {
  object.materialSlots.slots.assign(2, vk::Material{});
  object.materialSlots.slots[0].r = 255, object.materialSlots.slots[0].g = 0, object.materialSlots.slots[0].b = 0;
  object.materialSlots.slots[1].r = 0, object.materialSlots.slots[1].g = 255, object.materialSlots.slots[1].b = 0;
}

TEST_F(Frame, PainterOrderAndFaceBudgetStride) {
  topView();
  appState().project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  vk::Object& near = addMeshObject(L"Stack", stackedTriangles(2));
  // List order puts the far face first and the near one second; reverse it
  // to show that depth, not list order, decides.
  std::swap(near.meshData.faces.write()[0], near.meshData.faces.write()[1]);
  redGreenSlots(near);
  FrameCanvas canvas(400, 400);
  const POINT inside = at({0, 0, -0.3}, canvas);
  canvas.draw(bare());
  const COLORREF green = vk::materialShadeColor(near.materialSlots.slots[1], {0, 1, 0}, false);
  const COLORREF red = vk::materialShadeColor(near.materialSlots.slots[0], {0, 1, 0}, false);
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), green);

  // 24001 faces: stride 2 keeps only the even (low, red) faces.
  appState().project.scene.objects.clear();
  vk::Object& many = addMeshObject(L"Many", stackedTriangles(24001));
  redGreenSlots(many);
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), red);
  many.meshData.faces.write().pop_back();  // 24000 faces: every face counts
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), green);
}

TEST_F(Frame, EqualDepthFacesPaintInFaceOrder) {
  topView();
  appState().project.scene.viewportShadingMode = ViewportShadingMode::MaterialPreview;
  vk::MeshData mesh = stackedTriangles(1);
  vk::MeshFace second = mesh.faces.read()[0];
  second.materialIndex = 1;
  mesh.faces.write().push_back(second);  // same corners, same depth
  vk::Object& object = addMeshObject(L"Twins", mesh);
  redGreenSlots(object);
  FrameCanvas canvas(300, 300);
  const POINT inside = at({0, 0, -0.3}, canvas);
  canvas.draw(bare());
  EXPECT_EQ(canvas.pixel(inside.x, inside.y), vk::materialShadeColor(object.materialSlots.slots[1], {0, 1, 0}, false));
}

// The pair table behind the feature edges: what a std::map holds for the
// same keys (small, zero and huge ones) as it grows from its first size,
// and the edges it marks are the ones the face scan finds.
TEST_F(Frame, PairTableAgreesWithAMapAndTheFaceScan) {
  vk::PairFaceMap table;
  std::map<std::uint64_t, std::int64_t> model;
  std::uint64_t state = 88172645463325252ull;
  for (int i = 0; i < 20000; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const std::uint64_t key = i % 3 == 0 ? state % 700 : i % 3 == 1 ? state : state >> 40;
    ++table[key].count;
    ++model[key];
  }
  EXPECT_EQ(table.size(), model.size());
  for (const auto& [key, count] : model) {
    const vk::PairFaces* found = table.find(key);
    ASSERT_NE(found, nullptr) << key;
    EXPECT_EQ(found->count, count) << key;
  }
  std::uint64_t absent = 0;
  while (model.count(absent)) ++absent;
  EXPECT_EQ(table.find(absent), nullptr);

  vk::Object o;
  o.meshData = vktest::gridMesh(9, 7, 2.0);
  for (std::size_t v = 0; v < o.meshData.vertices.read().size(); v += 3) o.meshData.vertices.write()[v].y += 0.9;
  vk::rebuildMeshData(o);
  const std::vector<std::uint8_t> flags = vk::buildFeatureEdgeFlags(o.meshData);
  const auto& edges = o.meshData.edges.read();
  ASSERT_EQ(flags.size(), edges.size());
  int folded = 0;
  for (std::size_t e = 0; e < edges.size(); ++e) {
    EXPECT_EQ(flags[e] != 0, vk::shouldDrawEdge(o.meshData, edges[e], false)) << "edge " << e;
    folded += flags[e];
  }
  EXPECT_GT(folded, 32);  // the border and some folds
}

TEST_F(Frame, FeatureEdgesAndTinyFaces) {
  vk::Object cube = vk::makeObject(ObjectKind::Mesh, L"Cube");
  int featured = 0;
  for (const auto& edge : cube.meshData.edges.read()) featured += vk::shouldDrawEdge(cube.meshData, edge, false);
  EXPECT_EQ(featured, 12);

  const vk::MeshData plane = [] {
    vk::Object o;
    o.meshData = vktest::gridMesh(4, 4, 2.0);
    vk::rebuildMeshData(o);
    return o.meshData;
  }();
  featured = 0;
  for (const auto& edge : plane.edges.read()) featured += vk::shouldDrawEdge(plane, edge, false);
  EXPECT_EQ(plane.edges.read().size(), 40u);
  EXPECT_EQ(featured, 16);

  // In pixels: interior edges carry only the face outline, the border the edge colour.
  topView();
  appState().project.scene.viewportShadingMode = ViewportShadingMode::Solid;
  addMeshObject(L"Plane", vktest::gridMesh(4, 4, 2.0));
  FrameCanvas canvas(800, 600);
  canvas.draw(bare());
  const POINT interior = at({0, 0, -0.5}, canvas);
  const POINT border = at({-2, 0, -0.5}, canvas);
  EXPECT_EQ(canvas.pixel(interior.x, interior.y), RGB(58, 72, 92));
  EXPECT_EQ(canvas.pixel(border.x, border.y), RGB(100, 122, 148));

  // A collinear quad has no area: no fill, but its edges are still drawn.
  appState().project.scene.objects.clear();
  vk::MeshData sliver;
  sliver.vertices.write() = {{-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}};
  sliver.faces.write() = {vk::MeshFace{{0, 1, 2, 3}, {}, 0}};
  vk::Object& flat = addMeshObject(L"Sliver", sliver);
  std::vector<POINT> points, subPixels;
  std::vector<double> depths;
  vk::projectMeshVertices(flat, vk::makeViewContext(canvas.rect()), points, depths, nullptr, &subPixels);
  const auto faces = vk::buildProjectedFaces(flat, vk::makeViewContext(canvas.rect()), subPixels, depths, 1,
                                             canvas.rect());
  EXPECT_TRUE(faces.empty());
  canvas.draw(bare());
  const POINT onLine = at({-0.5, 0, 0}, canvas);
  EXPECT_EQ(canvas.pixel(onLine.x, onLine.y), RGB(100, 122, 148));
}

TEST_F(Frame, PolygonFitAndUvRules) {
  const RECT client{0, 0, 100, 50};  // L = 100
  EXPECT_FALSE(vk::polygonFitsViewport({{0, 0}, {10, 0}}, client));
  EXPECT_TRUE(vk::polygonFitsViewport({{0, 0}, {300, 0}, {0, 300}}, client));
  EXPECT_FALSE(vk::polygonFitsViewport({{-601, 0}, {0, 0}, {0, 10}}, client));  // beyond -6L
  EXPECT_FALSE(vk::polygonFitsViewport({{-500, 0}, {1, 0}, {0, 10}}, client));   // wider than 5L
  EXPECT_FALSE(vk::polygonFitsViewport({{0, 0}, {400, 300}, {0, 10}}, client));  // an edge over 4.5L

  vk::Object object;
  object.meshData.vertices.write() = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
  object.meshData.uvs.write() = {{0, 0}, {1, 0}, {1, 1}};
  object.meshData.uvsValid = true;
  object.meshData.faces.write() = {vk::MeshFace{{0, 1, 2, 3}, {0, 1, 2}, 0}, vk::MeshFace{{0, 1, 2, 3}, {0, 1, 2, 9}, 0}};
  const std::vector<POINT> points{{0, 0}, {50 << vk::kSubPixelShift, 0}, {50 << vk::kSubPixelShift, 50 << vk::kSubPixelShift}, {0, 50 << vk::kSubPixelShift}};
  const auto faces = vk::buildProjectedFaces(object, vk::makeViewContext(RECT{0, 0, 100, 100}), points, {0, 0, 0, 0}, 1,
                                             RECT{0, 0, 100, 100});
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_FALSE(faces[0].hasUv);  // fewer UV indices than corners: no UV data
  EXPECT_TRUE(faces[1].hasUv);
  EXPECT_TRUE(faces[1].uvRangeValid);
  EXPECT_DOUBLE_EQ(faces[1].uvCenter.u, 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(faces[1].uvMax.v, 1.0);
}

TEST_F(Frame, CameraViewBandsAndHelperGlyphSwitch) {
  vk::Object& camera = addSceneObject(ObjectKind::Camera, L"Cam");
  camera.transform.position = {0, 2, -8};
  appState().project.scene.activeCameraId = camera.id;
  appState().cameraView = true;
  FrameCanvas canvas(400, 100);  // wider than 16:9: bands left and right
  canvas.draw();
  EXPECT_EQ(canvas.pixel(5, 50), RGB(9, 12, 17));
  EXPECT_EQ(canvas.pixel(395, 50), RGB(9, 12, 17));
  EXPECT_TRUE(logHas(L"Active Camera: Cam  (Camera View)"));
  EXPECT_EQ(logFind(L"Cam  ACTIVE"), nullptr);  // no frustums through the camera

  // Helper glyphs off: a light leaves nothing, its origin marker stays.
  appState().cameraView = false;
  appState().project.scene.activeCameraId.clear();
  vk::Object& light = addSceneObject(ObjectKind::Light, L"Lamp");
  light.transform.position = {0, 0, 0};
  vk::ViewportDrawOptions options = bare();
  options.showHelperGlyphs = false;
  topView();
  const POINT p = at({0, 0, 0}, canvas);
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(p.x + 20, p.y), backgroundAt(p.y, 100));  // no light cross
  options.showSelection = true;
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(p.x + 7, p.y), RGB(92, 108, 132));  // origin tick of an unselected light
  options.showHelperGlyphs = true;
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(p.x + 20, p.y), RGB(255, 226, 112));
}

}  // namespace
