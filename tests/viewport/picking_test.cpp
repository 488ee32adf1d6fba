// Left clicks that select: objects by their projections, mesh components,
// curve points and the move gizmo's handles, at the exact pixel limits.
#include "input_test_support.h"
#include "model/math.h"
#include "viewport/view_context.h"

namespace vktest {
namespace {

class Picking : public ViewportInputTest {
 protected:
  void SetUp() override {
    ViewportInputTest::SetUp();
    frontView();
  }
  vk::Object& addLight(const vk::Vec3& at) {
    vk::Object& light = addSceneObject(vk::ObjectKind::Light, L"Point Light");
    light.transform.position = at;
    return light;
  }
  // One upright quad in the x-y plane, 2 x 2 units around `centre`.
  vk::Object& addQuad(const std::wstring& name, const vk::Vec3& centre) {
    vk::MeshData mesh;
    mesh.vertices.write() = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    mesh.faces.write() = {vk::MeshFace{{0, 1, 2, 3}, {}, 0}};
    vk::Object& quad = addMeshObject(name, std::move(mesh));
    quad.transform.position = centre;
    return quad;
  }
  std::size_t stacks() const { return app().undoStack.size() * 1000 + app().redoStack.size(); }
};

TEST_F(Picking, ObjectsByDistanceTiesAndFaces) {
  addLight({0, 0, 0});
  addLight({0, 0, 0});
  vk::Object& quad = addQuad(L"Quad", {-2.5, 0, 0});
  const std::wstring quadId = quad.id;
  const POINT light = project({0, 0, 0});
  click(offset(light, 34, 0));
  EXPECT_EQ(app().selectedObjectId, object(0).id);  // the earlier of two at the same distance
  EXPECT_EQ(app().statusText, L"●  Viewport selected object");
  app().selectedObjectId.clear();
  click(offset(light, 35, 0));
  EXPECT_EQ(app().statusText, L"●  No object under cursor");
  EXPECT_TRUE(app().selectedObjectId.empty());

  // Inside a face the mesh is hit however far its centre and corners are.
  const POINT corner = project({-3.5, -1, 0});
  click(offset(corner, 3, -3));
  EXPECT_EQ(app().selectedObjectId, quadId);
  // Beside the mesh: nearest edge 17 px away hits, 20 px does not; the
  // selection stays on a miss.
  const POINT leftMiddle = project({-3.5, 0, 0});
  select(object(1));
  click(offset(leftMiddle, -17, 0));
  EXPECT_EQ(app().selectedObjectId, quadId);
  select(object(1));
  click(offset(leftMiddle, -20, 0));
  EXPECT_EQ(app().selectedObjectId, object(1).id);
  EXPECT_EQ(app().statusText, L"●  No object under cursor");
  EXPECT_EQ(stacks(), 0u);
  EXPECT_FALSE(app().dirty);
}

TEST_F(Picking, CoarseMeshesSampleTheirVerticesAndHitWithin16Pixels) {
  // 4801 vertices: every third is sampled, so the far vertex 4799 is not.
  vk::MeshData mesh;
  auto& vertices = mesh.vertices.write();
  for (int i = 0; i < 4801; ++i) vertices.push_back({(i % 2) * 1.0, ((i / 2) % 2) * 1.0, 0.0});
  vertices[4799] = {3.0, 0.5, 0.0};
  vk::Object& heavy = addMeshObject(L"Imported", std::move(mesh));
  heavy.objectCapsuleId = L"phase65-gltf-import";
  heavy.importedMeshSafeSelectionOnly = true;
  const std::wstring id = heavy.id;
  // The grown box is a GDI rectangle: 16 px on the left, 15 on the right.
  const POINT left = project({0, 0.5, 0});
  const POINT right = project({1, 0.5, 0});
  click(offset(left, -16, 0));
  EXPECT_EQ(app().selectedObjectId, id);
  EXPECT_EQ(app().statusText,
            L"●  Viewport selected imported mesh using Phase 65.5.1 safe object/gizmo selection; Object Mode "
            L"transforms remain available.");
  app().selectedObjectId.clear();
  click(offset(left, -17, 0));
  EXPECT_TRUE(app().selectedObjectId.empty());
  click(offset(right, 16, 0));
  EXPECT_TRUE(app().selectedObjectId.empty());
  click(project({3.0, 0.5, 0}));  // the unsampled vertex itself
  EXPECT_TRUE(app().selectedObjectId.empty());
}

TEST_F(Picking, ANewObjectClearsComponentsAndLeavesEditModesItCannotServe) {
  vk::Object& quad = addQuad(L"Quad", {0, 0, 0});
  select(quad);
  addLight({4, 0, 0});
  app().workMode = vk::WorkMode::EditMesh;
  app().selectedVertices = {1};
  click(project({0, 0, 0}));  // Select tool in Edit Mesh picks components, not objects
  EXPECT_EQ(app().selectedObjectId, object(0).id);
  app().workMode = vk::WorkMode::Object;
  app().selectedVertices = {1};
  click(project({0, 0, 0}));  // the same object: components stay
  EXPECT_EQ(app().selectedVertices, (std::vector<std::int32_t>{1}));
  const POINT lightPixel = project({4, 0, 0});
  for (vk::WorkMode mode : {vk::WorkMode::EditMesh, vk::WorkMode::EditCurve}) {
    select(object(0));
    app().workMode = mode;
    app().selectedVertices = {1};
    vk::viewportPickObject(lightPixel.x, lightPixel.y);
    EXPECT_EQ(app().selectedObjectId, object(1).id);
    EXPECT_TRUE(app().selectedVertices.empty());
    EXPECT_EQ(app().workMode, vk::WorkMode::Object);
  }
  // A mesh keeps Edit Mesh.
  app().workMode = vk::WorkMode::EditMesh;
  vk::viewportPickObject(project({0, 0, 0}).x, project({0, 0, 0}).y);
  EXPECT_EQ(app().selectedObjectId, object(0).id);
  EXPECT_EQ(app().workMode, vk::WorkMode::EditMesh);
  EXPECT_EQ(stacks(), 0u);
  EXPECT_FALSE(app().dirty);
}

TEST_F(Picking, SelectToolPicksAwayFromALockedObject) {
  addLight({0, 0, 0}).locked = true;
  addLight({3, 0, 0});
  select(object(0));
  click(project({3, 0, 0}));
  EXPECT_EQ(app().selectedObjectId, object(1).id);
}

TEST_F(Picking, ComponentsAtTheirPixelLimits) {
  // Vertices 0 and 1 on the same spot: the lower index wins the tie.
  vk::MeshData mesh;
  mesh.vertices.write() = {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  mesh.faces.write() = {vk::MeshFace{{1, 2, 3, 4}, {}, 0}};
  select(addMeshObject(L"Mesh", std::move(mesh)));
  app().workMode = vk::WorkMode::EditMesh;
  const POINT v0 = project({0, 0, 0});
  click(offset(v0, -18, 0));
  EXPECT_EQ(app().selectedVertices, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(app().statusText, L"●  Viewport selected vertex");
  holdShift(true);
  click(project({2, 2, 0}));
  EXPECT_EQ(app().selectedVertices, (std::vector<std::int32_t>{0, 3}));
  click(project({2, 2, 0}));  // Shift toggles it off again
  click(offset(v0, -100, 0));  // a Shift miss keeps the selection
  holdShift(false);
  EXPECT_EQ(app().selectedVertices, (std::vector<std::int32_t>{0}));
  click(offset(v0, -19, 0));  // a plain miss clears
  EXPECT_TRUE(app().selectedVertices.empty());

  app().componentMode = vk::ComponentMode::Face;
  const POINT centre = project({1, 1, 0});
  const POINT right = project({2, 1, 0});
  ASSERT_GT(right.x - centre.x, 30);
  click(offset(centre, 22 + (right.x - centre.x), 0) );  // outside the face, 22 + half width
  EXPECT_TRUE(app().selectedFaces.empty());
  app().viewZoom = 0.2;  // small face: its centre within reach from outside it
  const POINT small = project({1, 1, 0});
  const int half = project({2, 1, 0}).x - small.x;
  ASSERT_LT(half, 22);
  click(offset(small, 22, 0));
  EXPECT_EQ(app().selectedFaces, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(app().statusText, L"●  Viewport selected face");
  click(offset(small, 23, 0));
  EXPECT_TRUE(app().selectedFaces.empty());
  EXPECT_EQ(stacks(), 0u);
  EXPECT_FALSE(app().dirty);
}

TEST_F(Picking, FarProjectionsNeverWrapIntoAHit) {
  vk::MeshData mesh;
  mesh.vertices.write() = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.faces.write() = {vk::MeshFace{{0, 1, 2}, {}, 0}};
  select(addMeshObject(L"Mesh", std::move(mesh)));
  app().workMode = vk::WorkMode::EditMesh;
  const POINT v0 = project({0, 0, 0});
  // 65536 px squares to 2^32, which 32 bits would read as 0.
  vk::selectComponentAt(v0.x - 65536, v0.y);
  EXPECT_TRUE(app().selectedVertices.empty());
  app().componentMode = vk::ComponentMode::Face;
  vk::selectComponentAt(v0.x - 65536, v0.y - 65536);
  EXPECT_TRUE(app().selectedFaces.empty());
  const std::vector<POINT> huge = {{-200000, -200000}, {200000, -200000}, {0, 200000}};
  EXPECT_TRUE(vk::pointInScreenPolygon(huge, 0, 0));
  EXPECT_TRUE(vk::pointInScreenPolygon(huge, 150000, -199999));
  EXPECT_FALSE(vk::pointInScreenPolygon(huge, 150000, 100000));
  EXPECT_FALSE(vk::pointInScreenPolygon({{0, 0}, {5, 5}}, 1, 1));
}

TEST_F(Picking, CurvePointsWithin20Pixels) {
  vk::Object& curve = addSceneObject(vk::ObjectKind::Curve, L"Curve");
  select(curve);
  app().workMode = vk::WorkMode::EditCurve;
  const vk::Vec3 local = curve.curveData.points.at(1).position;
  const POINT p = project(vk::objectWorldPoint(curve, local));
  click(offset(p, 0, 20));
  EXPECT_EQ(app().selectedCurvePoints, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(app().statusText, L"●  Viewport selected curve point");
  click(offset(p, 0, 21));
  EXPECT_TRUE(app().selectedCurvePoints.empty());
}

TEST_F(Picking, GizmoHandlesOnlyForTheMoveTool) {
  select(addLight({0, 0, 0}));
  const POINT o = project({0, 0, 0});
  const POINT tip = vk::projectedAxisTip(client(), {0, 0, 0}, 1, 64);
  ASSERT_EQ(tip.x - o.x, 64);
  ASSERT_EQ(tip.y, o.y);
  app().transformTool = vk::TransformTool::Rotate;
  click(offset(o, 32, 10));
  EXPECT_EQ(app().axisConstraint, vk::AxisConstraint::Free);
  app().transformTool = vk::TransformTool::Move;
  click(offset(o, 32, 10));
  EXPECT_EQ(app().axisConstraint, vk::AxisConstraint::X);
  EXPECT_EQ(app().statusText, L"●  Move gizmo axis: X");
  struct Case {
    int dx, dy;
    bool hit;
  } cases[] = {{32, 16, true}, {32, 17, false}, {64 + 19, 0, true}, {64 + 20, 0, false}};
  for (const Case& c : cases) {
    app().axisConstraint = vk::AxisConstraint::Free;
    EXPECT_EQ(vk::gizmoAxisAt(client(), o.x + c.dx, o.y + c.dy), c.hit ? 1 : 0) << c.dx << "," << c.dy;
  }
  // The clicks started drags that never moved: no undo step, nothing dirty.
  EXPECT_EQ(stacks(), 0u);
  EXPECT_FALSE(app().dirty);
}

TEST_F(Picking, NothingBehindTheCameraIsPicked) {
  // Through a camera at the origin looking along +z: a light behind the eye
  // and one in front, 30 px from where the hidden one would project at the
  // near depth; a triangle with a corner behind the eye.
  vk::Object& camera = addSceneObject(vk::ObjectKind::Camera, L"Cam");
  camera.transform = vk::Transform{};
  camera.visible = false;
  app().project.scene.activeCameraId = camera.id;
  app().cameraView = true;
  const RECT shown = client();
  const vk::ViewContext view = vk::makeViewContext(shown);
  const vk::Vec3 behind{0.02, 0.01, -3};
  const POINT clamped = project(behind);
  ASSERT_TRUE(PtInRect(&shown, clamped));
  addLight(behind);
  const vk::Object& front = addLight({(clamped.x + 30 - view.frameCenterX) * 2 / view.focal,
                                      (view.frameCenterY - clamped.y) * 2 / view.focal, 2});
  ASSERT_NEAR(project(front.transform.position).x, clamped.x + 30, 1);
  ASSERT_NEAR(project(front.transform.position).y, clamped.y, 1);
  click(clamped);
  EXPECT_EQ(app().selectedObjectId, object(2).id);  // the light in front, not the nearer spot behind
  object(2).visible = false;
  click(clamped);
  EXPECT_EQ(app().statusText, L"●  No object under cursor");

  // A corner behind the eye is no vertex to click; its edges are picked by
  // their visible parts only.
  vk::MeshData mesh;
  mesh.vertices.write() = {{-0.05, 0.03, -2}, {1, -0.5, 4}, {1.5, 0.5, 4}};
  mesh.faces.write() = {vk::MeshFace{{0, 1, 2}, {}, 0}};
  select(addMeshObject(L"Corner", std::move(mesh)));
  app().workMode = vk::WorkMode::EditMesh;
  const POINT corner = project({-0.05, 0.03, -2});
  ASSERT_TRUE(PtInRect(&shown, corner));
  click(corner);
  EXPECT_TRUE(app().selectedVertices.empty());
  app().componentMode = vk::ComponentMode::Edge;
  click(corner);
  EXPECT_TRUE(app().selectedEdges.empty());
  EXPECT_EQ(stacks(), 0u);
}

}  // namespace
}  // namespace vktest
