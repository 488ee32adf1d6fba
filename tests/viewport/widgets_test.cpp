// Camera widgets, the framing badge, edit overlays and the transform gizmo
// in headless frames: pixels where the geometry is exact, the draw log for
// labels and hints.
#include <algorithm>

#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vktest::addMeshObject;
using vktest::addSceneObject;
using vktest::FrameCanvas;
using vktest::logFind;
using vktest::logHas;

class Widgets : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    vk::setViewportTextRecording(true);
    // Orthographic, straight down: x right, z up the screen, 30 px a unit.
    appState().viewYaw = 0.0;
    appState().viewPitch = 90.0;
    appState().orthographic = true;
    appState().viewZoom = 0.35;
  }
  void TearDown() override { vk::setViewportTextRecording(false); }
  static vk::ViewportDrawOptions overlaysOnly() {
    vk::ViewportDrawOptions options;
    options.showGrid = false;
    options.showHud = false;
    return options;
  }
  static std::size_t logCount(const std::wstring& part) {
    const auto& log = vk::viewportTextLog();
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const vk::ViewportTextRecord& r) {
      return r.text.find(part) != std::wstring::npos;
    }));
  }
  FrameCanvas canvas{800, 600};
  POINT at(const vk::Vec3& p) const { return vk::projectToScreen(p, canvas.rect()); }
};

vk::Object& addCamera(const std::wstring& name, vk::Vec3 position) {
  vk::Object& camera = addSceneObject(ObjectKind::Camera, name);
  camera.transform.position = position;
  camera.transform.rotation = {};
  camera.camera = vk::CameraSettings{};
  return camera;
}

TEST_F(Widgets, FrustumDepthsByRoleAndClamps) {
  const std::wstring id = addCamera(L"Cam", {0, 0, 0}).id;
  canvas.draw(overlaysOnly());
  // Neither active nor selected: the far target sits at depth 4.5.
  POINT target = at({0, 0, 4.5});
  EXPECT_EQ(canvas.pixel(target.x + 10, target.y), RGB(116, 155, 190));
  EXPECT_TRUE(logHas(L"Cam  FOV 50 deg"));

  appState().selectedObjectId = id;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  target = at({0, 0, 7.5});
  EXPECT_EQ(canvas.pixel(target.x + 10, target.y), RGB(255, 221, 92));
  EXPECT_TRUE(logHas(L"Cam  SELECTED  FOV 50 deg"));

  vk::Object& camera = *vk::findObjectById(id);
  camera.camera.farClip = 0.3;
  camera.camera.nearClip = 0.1;
  camera.camera.fov = 0.0;
  appState().project.scene.activeCameraId = id;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  target = at({0, 0, 0.85});
  EXPECT_EQ(canvas.pixel(target.x + 10, target.y), RGB(92, 218, 255));
  EXPECT_TRUE(logHas(L"Cam  ACTIVE  FOV 0 deg"));
  EXPECT_TRUE(logHas(L"Active Camera: Cam  (frame)"));
  EXPECT_NE(canvas.pixel(5, 300), RGB(9, 12, 17));  // no bands outside Camera View
}

TEST_F(Widgets, CrowdedScenesDrawOnlyActiveAndSelectedFrustums) {
  std::vector<std::wstring> cameras;
  for (int i = 0; i < 5; ++i) cameras.push_back(addCamera(L"Cam" + std::to_wstring(i), {double(i), 0, 0}).id);
  while (appState().project.scene.objects.size() < 300) addSceneObject(ObjectKind::Empty, L"Empty");
  appState().project.scene.activeCameraId = cameras[1];
  appState().selectedObjectId = cameras[3];
  canvas.draw(overlaysOnly());
  EXPECT_EQ(logCount(L" deg"), 2u);
  EXPECT_TRUE(logHas(L"Cam1  ACTIVE  FOV 50 deg"));
  EXPECT_TRUE(logHas(L"Cam3  SELECTED  FOV 50 deg"));
}

TEST_F(Widgets, NoCameraHintAndHiddenCameras) {
  canvas.draw(overlaysOnly());
  const auto* hint = logFind(L"No camera in scene: Create > Camera, then Ctrl+0");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->rect.top, 600 - 44);
  addCamera(L"Cam", {0, 0, 0}).visible = false;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  EXPECT_NE(logFind(L"No camera in scene: "), nullptr);
}

TEST_F(Widgets, FramingBadgeOnlyForGeometryAndGroups) {
  vk::Object& camera = addCamera(L"Cam", {0, 0, -10});
  appState().project.scene.activeCameraId = camera.id;
  const std::wstring cube = addSceneObject(ObjectKind::Mesh, L"Cube").id;
  const std::wstring lamp = addSceneObject(ObjectKind::Light, L"Lamp").id;
  const std::wstring group = addSceneObject(ObjectKind::Group, L"Rig").id;
  vk::findObjectById(group)->transform.position = {0, 0, -20};  // behind the camera

  appState().selectedObjectId = cube;
  canvas.draw(overlaysOnly());
  EXPECT_TRUE(logHas(L"IN ACTIVE CAMERA"));
  appState().selectedObjectId = group;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  EXPECT_TRUE(logHas(L"OUT OF ACTIVE CAMERA"));
  appState().selectedObjectId = lamp;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  EXPECT_EQ(logFind(L"IN ACTIVE"), nullptr);
  EXPECT_EQ(logFind(L"OUT OF ACTIVE"), nullptr);

  // Through the camera: neither frustums nor badge nor hint.
  appState().selectedObjectId = cube;
  appState().cameraView = true;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  EXPECT_EQ(logFind(L"IN ACTIVE"), nullptr);
  EXPECT_EQ(logCount(L" deg"), 0u);
  EXPECT_EQ(logFind(L"No camera"), nullptr);
  EXPECT_TRUE(logHas(L"Active Camera: Cam  (Camera View)"));
}

TEST_F(Widgets, EditMeshOverlayByComponentMode) {
  vk::Object& quad = addMeshObject(L"Quad", vktest::gridMesh(1, 1, 2.0));
  appState().selectedObjectId = quad.id;
  appState().workMode = vk::WorkMode::EditMesh;
  appState().componentMode = vk::ComponentMode::Vertex;
  appState().selectedVertices = {2};
  canvas.draw(overlaysOnly());
  const auto& vertices = quad.meshData.vertices.read();
  POINT v0 = at(vertices[0]);
  POINT v2 = at(vertices[2]);
  EXPECT_EQ(canvas.pixel(v0.x, v0.y), RGB(90, 178, 220));
  EXPECT_EQ(canvas.pixel(v0.x + 3, v0.y), RGB(130, 184, 230));  // radius 4 ring
  EXPECT_EQ(canvas.pixel(v2.x, v2.y), RGB(255, 246, 176));
  EXPECT_EQ(canvas.pixel(v2.x + 5, v2.y), RGB(255, 232, 104));  // radius 6, 3 px ring
  EXPECT_TRUE(logHas(L"Edit Mesh: click Vertexs in viewport | Shift-toggle | W/E/S transforms selected "
                     L"components | 1/2/3 modes"));
  const POINT centre = at({0, 0, 0});
  EXPECT_NE(canvas.pixel(centre.x - 20, centre.y), RGB(96, 108, 130));

  // A face selected in Vertex mode still shows its thick outline and centre dot.
  appState().selectedFaces = {0};
  appState().transformTool = vk::TransformTool::Select;  // no gizmo in Edit Mesh with Select
  canvas.draw(overlaysOnly());
  EXPECT_EQ(canvas.pixel(centre.x, centre.y), RGB(255, 246, 176));
  // The 3 px outline shows beside the 1 px dim edge drawn over it.
  const POINT edgeMid = at({-2, 0, 1});
  EXPECT_EQ(canvas.pixel(edgeMid.x, edgeMid.y), RGB(70, 88, 110));
  EXPECT_EQ(canvas.pixel(edgeMid.x + 1, edgeMid.y), RGB(255, 224, 98));

  // Face mode: every face gets a small centre dot.
  appState().selectedFaces.clear();
  appState().componentMode = vk::ComponentMode::Face;
  vk::setViewportTextRecording(true);
  canvas.draw(overlaysOnly());
  EXPECT_EQ(canvas.pixel(centre.x, centre.y), RGB(96, 108, 130));
  EXPECT_TRUE(logFind(L"Edit Mesh: click Faces in viewport") != nullptr);
}

TEST_F(Widgets, EditSafetyRefusalShowsTheBoundsProxyAndReason) {
  vk::Object& imported = addMeshObject(L"Imported", vktest::gridMesh(2, 2, 1.0));
  imported.objectCapsuleId = L"phase65-gltf-import";
  imported.importedMeshReadOnly = true;
  appState().selectedObjectId = imported.id;
  appState().workMode = vk::WorkMode::EditMesh;
  appState().transformTool = vk::TransformTool::Select;
  canvas.draw(overlaysOnly());
  const auto* reason = logFind(L"Phase 65.5.1 edit safety: Phase 65.5.1: imported mesh is read-only.");
  ASSERT_NE(reason, nullptr);
  EXPECT_EQ(reason->rect.top, 62);
  EXPECT_EQ(reason->rect.bottom, 116);
  EXPECT_NE(logFind(L"Phase 65.2 preview proxy: 9 verts / 4 tris"), nullptr);
  EXPECT_EQ(logFind(L"Edit Mesh: click"), nullptr);
  const POINT corner = at({1, 0, -1});  // emphasised box: 2 px yellow
  EXPECT_EQ(canvas.pixel(corner.x, corner.y), RGB(255, 224, 98));
}

TEST_F(Widgets, EditCurveOverlayLabelsAndHint) {
  vk::Object& curve = addSceneObject(ObjectKind::Curve, L"Path");
  curve.curveData.points.resize(3);
  for (int i = 0; i < 3; ++i) curve.curveData.points[i].position = {double(i) - 1.0, 0, 2};
  appState().selectedObjectId = curve.id;
  appState().workMode = vk::WorkMode::EditCurve;
  appState().selectedCurvePoints = {1};
  canvas.draw(overlaysOnly());
  const auto& log = vk::viewportTextLog();
  std::vector<std::pair<std::wstring, COLORREF>> labels;
  for (const auto& r : log) {
    if (r.text == L"0" || r.text == L"1" || r.text == L"2") labels.emplace_back(r.text, r.colour);
  }
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(labels[0].second, RGB(175, 230, 255));
  EXPECT_EQ(labels[1].second, RGB(255, 255, 255));
  const auto* hint = logFind(L"Edit Curve: click points in viewport");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->rect.left, 18);
  EXPECT_EQ(hint->rect.top, 82);
  const POINT selected = at({0, 0, 2});
  EXPECT_EQ(canvas.pixel(selected.x, selected.y), RGB(255, 255, 255));
}

// In a viewport narrower than the Edit Curve hint, the hint stops 18 px short
// of the right edge with an ellipsis, as the Edit Mesh hint does: nothing of
// it reaches past that margin.
TEST_F(Widgets, EditCurveHintEndsInAnEllipsisShortOfTheRightEdge) {
  vk::Object& curve = addSceneObject(ObjectKind::Curve, L"Path");
  curve.curveData.points.resize(2);
  for (int i = 0; i < 2; ++i) curve.curveData.points[i].position = {double(i), 0, -2};
  appState().selectedObjectId = curve.id;
  appState().transformTool = vk::TransformTool::Select;
  FrameCanvas narrow{420, 300};
  narrow.draw(overlaysOnly());
  const std::vector<COLORREF> without = vktest::pixelsOf(narrow);
  appState().workMode = vk::WorkMode::EditCurve;
  vk::setViewportTextRecording(true);
  narrow.draw(overlaysOnly());
  const auto* hint = logFind(L"Edit Curve: click points in viewport");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->rect.left, 18);
  EXPECT_EQ(hint->rect.top, 82);
  EXPECT_EQ(hint->rect.right, 420 - 18);
  int lastChanged = -1;
  for (int y = 82; y < 104; ++y) {
    for (int x = 0; x < narrow.width; ++x) {
      if (narrow.pixel(x, y) != without[static_cast<std::size_t>(y * narrow.width + x)]) {
        lastChanged = std::max(lastChanged, x);
      }
    }
  }
  EXPECT_LT(lastChanged, 420 - 18);
  EXPECT_GT(lastChanged, 420 - 18 - 12);  // the ellipsis fills the line to the margin
}

int runLength(const FrameCanvas& canvas, int y, int x0, int x1, COLORREF colour) {
  int count = 0;
  for (int x = x0; x <= x1; ++x) count += canvas.pixel(x, y) == colour;
  return count;
}

TEST_F(Widgets, GizmoAxesConstraintSnapAndTools) {
  appState().viewPitch = -30.0;  // from below: Y up the screen, Z down it, the handles apart
  vk::Object& empty = addSceneObject(ObjectKind::Empty, L"Target");
  empty.transform.position = {};
  appState().selectedObjectId = empty.id;
  vk::ViewportDrawOptions options = overlaysOnly();
  options.showCameraOverlays = false;
  canvas.draw(options);
  const POINT o = at({0, 0, 0});
  const COLORREF yColour = RGB(86, 210, 120);
  EXPECT_EQ(runLength(canvas, o.y - 30, o.x - 5, o.x + 5, yColour), 2);
  appState().axisConstraint = vk::AxisConstraint::Y;
  canvas.draw(options);
  EXPECT_EQ(runLength(canvas, o.y - 30, o.x - 5, o.x + 5, yColour), 3);
  EXPECT_TRUE(logHas(L"X") && logHas(L"Y") && logHas(L"Z"));

  // Centre marks: Move circle 6, Rotate circle 34, Scale square 13; snap colours them.
  appState().snapEnabled = true;
  appState().transformTool = vk::TransformTool::Rotate;
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(o.x - 34, o.y), RGB(255, 224, 98));
  appState().snapEnabled = false;
  appState().transformTool = vk::TransformTool::Scale;
  canvas.draw(options);
  EXPECT_EQ(canvas.pixel(o.x - 13, o.y + 5), RGB(148, 170, 204));
  // Edit Mesh with the Select tool hides the gizmo.
  appState().transformTool = vk::TransformTool::Select;
  appState().workMode = vk::WorkMode::EditMesh;
  canvas.draw(options);
  EXPECT_EQ(runLength(canvas, o.y - 30, o.x - 5, o.x + 5, yColour), 0);
}

}  // namespace
