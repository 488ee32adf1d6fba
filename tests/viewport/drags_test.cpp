// Left-button transform drags through injected input: objects, mesh
// components and curve points, with constraint and snap, their refusals and
// one undo step per drag.
#include <cmath>

#include "input_test_support.h"
#include "model/curves.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"

namespace vktest {
namespace {

class Drags : public ViewportInputTest {
 protected:
  void SetUp() override {
    ViewportInputTest::SetUp();
    vk::Object& cube = addSceneObject(vk::ObjectKind::Mesh, L"Cube");
    cube.transform.position = {0.5, 0.25, -0.75};
    select(cube);
  }
  vk::Transform& transform() { return object(0).transform; }
  // A drag from `from` by (dx, dy), ending with the release.
  void dragBy(POINT from, int dx, int dy) { drag(from, offset(from, dx, dy)); }
  static bool onGrid(double v, double step) { return std::fmod(v, step) == 0.0; }
};

TEST_F(Drags, MoveFollowsTheProjectedHandle) {
  app().transformTool = vk::TransformTool::Move;
  const vk::Vec3 start = transform().position;
  const POINT o = project(start);
  const POINT tip = vk::projectedAxisTip(client(), start, 1, 100);
  const POINT from{200, 500};  // empty space: the selection is dragged anyway
  for (vk::AxisConstraint axis : {vk::AxisConstraint::Free, vk::AxisConstraint::X}) {
    app().axisConstraint = axis;
    dragBy(from, tip.x - o.x, tip.y - o.y);
    EXPECT_NEAR(transform().position.x, start.x + 1.8, 1e-9);
    EXPECT_NEAR(transform().position.y, start.y, 1e-9);
    EXPECT_EQ(transform().position.z, start.z);  // free moves stay in the X-Y plane
    transform().position = start;
  }
  app().viewZoom = 2.0;
  const POINT o2 = project(start);
  const POINT tip2 = vk::projectedAxisTip(client(), start, 1, 100);
  dragBy(from, tip2.x - o2.x, tip2.y - o2.y);
  EXPECT_NEAR(transform().position.x, start.x + 0.9, 1e-9);

  // Snap: positions on the 0.25 grid; back at the press point the start returns.
  app().viewZoom = 1.0;
  app().snapEnabled = true;
  app().axisConstraint = vk::AxisConstraint::Free;
  transform().position = {0.3, 0.1, -0.7};
  press(from);
  moveTo(offset(from, 37, -23));
  EXPECT_TRUE(onGrid(transform().position.x, 0.25) && onGrid(transform().position.y, 0.25));
  app().snapEnabled = false;
  moveTo(from);
  release(from);
  EXPECT_EQ(transform().position, (vk::Vec3{0.3, 0.1, -0.7}));
}

TEST_F(Drags, RotateAndScaleFromTheStartTransform) {
  const POINT from{400, 300};
  app().transformTool = vk::TransformTool::Rotate;
  dragBy(from, 100, 0);
  EXPECT_EQ(transform().rotation, (vk::Vec3{0, 45, 0}));
  transform().rotation = {};
  dragBy(from, 0, 100);
  EXPECT_EQ(transform().rotation, (vk::Vec3{-20, -45, 0}));
  transform().rotation = {};
  app().snapEnabled = true;
  app().axisConstraint = vk::AxisConstraint::Z;
  dragBy(from, 40, 0);  // 18 degrees, snapped
  EXPECT_EQ(transform().rotation, (vk::Vec3{0, 0, 15}));

  app().snapEnabled = false;
  app().transformTool = vk::TransformTool::Scale;
  app().axisConstraint = vk::AxisConstraint::Free;
  transform().scale = {2, 1, 0.1};
  dragBy(from, -200, 0);  // factor 0.05; no component below 0.01
  EXPECT_NEAR(transform().scale.x, 0.1, 1e-12);
  EXPECT_NEAR(transform().scale.y, 0.05, 1e-12);
  EXPECT_EQ(transform().scale.z, 0.01);
  transform().scale = {1, 1, 1};
  app().axisConstraint = vk::AxisConstraint::Y;
  dragBy(from, 50, 0);
  EXPECT_EQ(transform().scale.x, 1.0);
  EXPECT_NEAR(transform().scale.y, 1.3, 1e-12);
  EXPECT_EQ(app().undoStack.size(), 5u);  // one step per drag
  EXPECT_TRUE(app().dirty);
}

TEST_F(Drags, ComponentsTurnAndScaleAboutTheirCentroidOnTheGrid) {
  app().workMode = vk::WorkMode::EditMesh;
  app().transformTool = vk::TransformTool::Rotate;
  app().componentMode = vk::ComponentMode::Vertex;
  vk::MeshData& mesh = object(0).meshData;
  const std::vector<vk::Vec3> before = mesh.vertices.read();
  app().selectedVertices = {0, 1, 2, 3};
  vk::Vec3 centre;
  for (int i = 0; i < 4; ++i) centre += before[static_cast<std::size_t>(i)];
  centre = centre / 4.0;
  app().snapEnabled = true;
  dragBy({400, 300}, 150, 50);  // s = 100: 45 degrees, snapped
  EXPECT_EQ(object(0).mesh.primitive, L"Edited Mesh");
  vk::Vec3 after;
  for (int i = 0; i < 4; ++i) {
    const vk::Vec3& v = mesh.vertices.read()[static_cast<std::size_t>(i)];
    EXPECT_TRUE(onGrid(v.x, 0.25) && onGrid(v.y, 0.25) && onGrid(v.z, 0.25)) << i;
    after += v;
  }
  EXPECT_NEAR((after / 4.0).x, centre.x, 0.25);
  EXPECT_EQ(mesh.vertices.read()[4], before[4]);  // unselected vertices stay
  vk::Object rederived = object(0);  // every move derives what a full rebuild would
  vk::rebuildMeshData(rederived);
  EXPECT_EQ(rederived.meshData, mesh);
  EXPECT_EQ(rederived.mesh, object(0).mesh);
  app().transformTool = vk::TransformTool::Scale;
  app().snapEnabled = false;
  const std::vector<vk::Vec3> turned = mesh.vertices.read();
  dragBy({400, 300}, -200, 200);  // s = -400: factor 0.05 about the centroid
  vk::Vec3 c;
  for (int i = 0; i < 4; ++i) c += turned[static_cast<std::size_t>(i)];
  c = c / 4.0;
  for (int i = 0; i < 4; ++i) {
    const vk::Vec3 expected = c + (turned[static_cast<std::size_t>(i)] - c) * 0.05;
    const vk::Vec3& v = mesh.vertices.read()[static_cast<std::size_t>(i)];
    EXPECT_NEAR(v.x, expected.x, 1e-12);
    EXPECT_NEAR(v.z, expected.z, 1e-12);
  }
  EXPECT_EQ(app().undoStack.size(), 2u);
  rederived = object(0);
  vk::rebuildMeshData(rederived);
  EXPECT_EQ(rederived.meshData, mesh);
}

// Vertices dragged toward the load guard's coordinate limit stop at the
// last position within it; a drag held from its first move leaves no step.
// Objects stop at the transform's own limits.
TEST_F(Drags, ComponentDragsHoldAtTheCoordinateLimit) {
  app().workMode = vk::WorkMode::EditMesh;
  app().transformTool = vk::TransformTool::Move;
  app().axisConstraint = vk::AxisConstraint::X;
  app().componentMode = vk::ComponentMode::Vertex;
  for (vk::Vec3& p : object(0).meshData.vertices.write()) p.x += 999999.0;  // x up to 999999.5
  vk::rebuildMeshData(object(0));
  app().selectedVertices = {1, 2};  // on the +x side
  auto x1 = [&] { return object(0).meshData.vertices.read()[1].x; };
  const double start = x1();
  const POINT o = project(transform().position);
  const POINT tip = vk::projectedAxisTip(client(), transform().position, 1, 100);
  const POINT from{200, 500};  // clear of the gizmo, whose handles would change the axis
  auto along = [&](double part) {  // part of the 1.8 units the handle's 100 pixels move
    return offset(from, static_cast<int>(std::lround((tip.x - o.x) * part)),
                  static_cast<int>(std::lround((tip.y - o.y) * part)));
  };
  press(from);
  moveTo(along(0.2));
  const double within = x1();
  EXPECT_GT(within, start);
  EXPECT_LT(within, 1e6);
  moveTo(along(0.5));  // would pass 1e6
  EXPECT_EQ(x1(), within);
  EXPECT_EQ(app().statusText, vk::kDragHeldAtCoordinateLimit);
  release(along(0.5));
  EXPECT_EQ(app().undoStack.size(), 1u);
  EXPECT_EQ(vk::brokenMeshGuardRule(object(0)), vk::MeshGuardRule::None);

  const vk::Project before = app().project;
  press(from);
  moveTo(along(1.0));
  release(along(1.0));
  EXPECT_TRUE(app().project == before);
  EXPECT_EQ(app().undoStack.size(), 1u);

  // An object dragged past the position limit stops at it, as the inspector would.
  app().workMode = vk::WorkMode::Object;
  transform().position.x = 99999.5;
  const POINT o2 = project(transform().position);
  const POINT tip2 = vk::projectedAxisTip(client(), transform().position, 1, 100);
  dragBy(from, tip2.x - o2.x, tip2.y - o2.y);  // 1.8 units along x
  EXPECT_EQ(transform().position.x, 100000);
}

TEST_F(Drags, PressesThatPickAndDragAtOnce) {
  // Edit Mesh, Move, nothing selected: the vertex under the cursor is picked and dragged.
  app().workMode = vk::WorkMode::EditMesh;
  app().transformTool = vk::TransformTool::Move;
  app().viewZoom = 3.0;
  POINT p{};
  for (const vk::Vec3& v : object(0).meshData.vertices.read()) {
    p = project(vk::objectWorldPoint(object(0), v));
    if (vk::gizmoAxisAt(client(), p.x, p.y) == 0) break;  // clear of the gizmo's handles
  }
  press(p);
  EXPECT_EQ(app().statusText, L"●  Transforming Vertex selection");
  moveTo(offset(p, 0, -50));
  release(offset(p, 0, -50));
  ASSERT_EQ(app().selectedVertices.size(), 1u);
  EXPECT_NE(object(0).meshData.vertices.read()[static_cast<std::size_t>(app().selectedVertices[0])],
            object(0).transform.position);
  EXPECT_EQ(app().undoStack.size(), 1u);

  app().viewZoom = 1.0;
  // Edit Curve, Move: the nearest point within 20 px is picked and dragged.
  vk::Object& curve = addSceneObject(vk::ObjectKind::Curve, L"Curve");
  select(curve);
  app().workMode = vk::WorkMode::EditCurve;
  const vk::Vec3 start = curve.curveData.points.at(0).position;
  const POINT cp = project(vk::objectWorldPoint(curve, start));
  dragBy(offset(cp, 12, 12), 40, 0);
  EXPECT_EQ(app().selectedCurvePoints, (std::vector<std::int32_t>{0}));
  EXPECT_NE(object(1).curveData.points[0].position, start);
  EXPECT_EQ(object(1).curveData.points[1].position, vk::makeObject(vk::ObjectKind::Curve, L"Curve").curveData.points[1].position);
  EXPECT_EQ(app().undoStack.size(), 2u);
}

TEST_F(Drags, RefusedStartsSayWhyAndCaptureNothing) {
  app().transformTool = vk::TransformTool::Move;
  app().workMode = vk::WorkMode::EditMesh;
  struct Case {
    std::function<void()> prepare;
    std::wstring status;
  } cases[] = {
      {[&] { app().selectedObjectId.clear(); }, L"●  Select an editable mesh object first"},
      {[&] { object(0).locked = true; }, L"●  Mesh is locked by object or parent"},
      {[&] {}, L"●  Click a vertex, edge, or face in the viewport first"},
  };
  for (Case& c : cases) {
    select(object(0));
    object(0).locked = false;
    c.prepare();
    press({5, 5});
    EXPECT_EQ(app().statusText, c.status);
    EXPECT_FALSE(vk::headless::mouseCaptured());
    EXPECT_FALSE(app().leftDrag);
    release({5, 5});
  }
  // The gizmo needs a component selection in Edit Mesh.
  select(object(0));
  const POINT o = project(object(0).transform.position);
  press(offset(o, 32, 8));
  EXPECT_EQ(app().statusText, L"●  Select mesh vertices, edges, or faces before dragging a move gizmo axis");
  EXPECT_FALSE(app().leftDrag);
  release(offset(o, 32, 8));

  // A locked curve's points stay put.
  vk::Object& curve = addSceneObject(vk::ObjectKind::Curve, L"Curve");
  curve.locked = true;
  select(curve);
  app().workMode = vk::WorkMode::EditCurve;
  app().selectedCurvePoints = {0};
  const std::vector<vk::CurvePoint> points = curve.curveData.points;
  press(project(vk::objectWorldPoint(curve, points[0].position)));
  EXPECT_EQ(app().statusText, L"●  Curve is locked by object or parent");
  EXPECT_FALSE(vk::headless::mouseCaptured());
  moveTo({600, 500});
  release({600, 500});
  EXPECT_EQ(object(1).curveData.points, points);
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_FALSE(app().dirty);
}

}  // namespace
}  // namespace vktest
