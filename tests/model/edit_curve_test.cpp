// Edit Curve commands: the guard, adding and deleting control points, the
// point limit, and conversion into a new mesh object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "curve_fixture.h"
#include "edit_helpers.h"
#include "model/curves.h"
#include "model/edit_mesh.h"
#include "model/sanitize.h"
#include "model/undo.h"

namespace vk {
namespace {

using edittest::Indices;

TEST_F(CurveCommands, GuardRefusesInOrder) {
  curveAddPoint();  // the starter cube is selected
  EXPECT_EQ(app().statusText, L"●  Select an editable curve first");
  std::wstring line = makeLine(2);
  std::wstring group = create(ObjectKind::Group, L"Group");
  object(line).parentId = group;
  object(group).locked = true;
  app().selectedObjectId = line;
  curveDeleteSelectedPoints();
  EXPECT_EQ(app().statusText, L"●  Curve is locked by object or parent");
  object(group).locked = false;
  app().workMode = WorkMode::Object;
  curveConvertToMesh();
  EXPECT_EQ(app().statusText, L"●  Switch to Edit Curve mode first");
  EXPECT_EQ(app().undoStack.size(), 1u);  // only the group's creation
}

TEST_F(CurveCommands, AddInsertsAfterTheLastSelectedPointAtTheMidpoint) {
  std::wstring line = makeLine(4);
  object(line).curveData.points[1].handleType = L"Corner";
  app().selectedCurvePoints = {1, 7};  // 7 is pruned by the guard
  curveAddPoint();
  EXPECT_EQ(app().statusText, L"●  Added curve point");
  const CurveData& curve = object(line).curveData;
  ASSERT_EQ(curve.points.size(), 5u);
  EXPECT_EQ(curve.points[2].position, (Vec3{1.5, 0, 0}));
  EXPECT_EQ(curve.points[2].handleType, L"Corner");  // copied from point 1
  EXPECT_EQ(app().selectedCurvePoints, Indices{2});
  EXPECT_EQ(curve.tessellated.size(), 5u);
  EXPECT_TRUE(app().dirty);
  EXPECT_EQ(app().undoStack.size(), 1u);

  app().selectedCurvePoints.clear();
  curveAddPoint();
  EXPECT_EQ(object(line).curveData.points.back().position, (Vec3{3.25, 0, 0}));
  EXPECT_EQ(app().selectedCurvePoints, Indices{5});

  undoLastSnapshot();
  undoLastSnapshot();
  EXPECT_EQ(object(line).curveData.points.size(), 4u);
}

TEST_F(CurveCommands, BezierCurvesGetBezierHandles) {
  std::wstring bezier = create(ObjectKind::Curve, L"Bezier");
  setWorkMode(WorkMode::EditCurve);
  object(bezier).curveData.points[1].handleType = L"Auto";
  curveAddPoint();
  EXPECT_EQ(object(bezier).curveData.points[2].handleType, L"Bezier");
}

TEST_F(CurveCommands, PointLimitIsRefusedWithoutASnapshot) {
  std::wstring line = makeLine(512);
  curveAddPoint();
  EXPECT_EQ(app().statusText, L"●  Curve point limit reached");
  EXPECT_EQ(object(line).curveData.points.size(), 512u);
  EXPECT_TRUE(app().undoStack.empty());
}

TEST_F(CurveCommands, DeleteKeepsThreeClosedOrTwoOpenPoints) {
  std::wstring line = makeLine(4);
  curveDeleteSelectedPoints();
  EXPECT_EQ(app().statusText, L"●  Select curve points to delete");
  object(line).curveData.closed = true;
  app().selectedCurvePoints = {0, 2};
  curveDeleteSelectedPoints();
  EXPECT_EQ(app().statusText, L"●  Curve needs at least two open points or three closed points");
  EXPECT_TRUE(app().undoStack.empty());
  app().selectedCurvePoints = {2};
  curveDeleteSelectedPoints();
  EXPECT_EQ(app().statusText, L"●  Deleted selected curve points");
  const CurveData& curve = object(line).curveData;
  ASSERT_EQ(curve.points.size(), 3u);
  EXPECT_EQ(curve.points[2].position, (Vec3{3, 0, 0}));
  EXPECT_TRUE(app().selectedCurvePoints.empty());
  app().selectedCurvePoints = {0};
  curveDeleteSelectedPoints();  // three closed points are the minimum
  EXPECT_EQ(object(line).curveData.points.size(), 3u);

  std::wstring open = makeLine(2);
  app().selectedCurvePoints = {1};
  curveDeleteSelectedPoints();
  EXPECT_EQ(object(open).curveData.points.size(), 2u);
}

TEST_F(CurveCommands, ConvertClosedCircleToAMeshCopy) {
  std::wstring circle = create(ObjectKind::Curve, L"Circle");
  std::wstring group = create(ObjectKind::Group, L"Group");
  object(circle).parentId = group;
  object(circle).transform.position = {1, 2, 3};
  object(circle).material.r = 11;
  app().selectedObjectId = circle;
  setWorkMode(WorkMode::EditCurve);
  const CurveData curveBefore = object(circle).curveData;
  const std::size_t objectCount = scene().objects.size();
  scene().objects.shrink_to_fit();  // the append must reallocate
  curveConvertToMesh();
  EXPECT_EQ(app().statusText, L"●  Converted curve to new editable mesh copy");
  ASSERT_EQ(scene().objects.size(), objectCount + 1);
  const Object& mesh = scene().objects.back();
  EXPECT_EQ(app().selectedObjectId, mesh.id);
  EXPECT_EQ(mesh.kind, ObjectKind::Mesh);
  EXPECT_EQ(mesh.name, L"Circle Mesh");
  EXPECT_EQ(mesh.parentId, group);
  EXPECT_EQ(mesh.transform.position, (Vec3{1, 2, 3}));
  // The mesh is drawn by the slots makeObject gave it; its base material
  // mirrors the active one, as a reopen leaves it.
  ASSERT_FALSE(mesh.materialSlots.slots.empty());
  EXPECT_EQ(mesh.material, mesh.materialSlots.slots[static_cast<std::size_t>(mesh.materialSlots.activeIndex)]);
  EXPECT_NE(mesh.material.r, 11);
  EXPECT_EQ(mesh.mesh.primitive, L"Curve Mesh");
  EXPECT_EQ(mesh.meshData.vertices.size(), 64u);
  ASSERT_EQ(mesh.meshData.faces.size(), 1u);
  EXPECT_EQ(mesh.meshData.faces[0].indices.size(), 64u);
  EXPECT_EQ(mesh.mesh.faces, 1);
  EXPECT_EQ(app().workMode, WorkMode::Object);
  const auto& members = scene().collections.front().objectIds;
  EXPECT_NE(std::find(members.begin(), members.end(), mesh.id), members.end());
  EXPECT_EQ(object(circle).curveData, curveBefore);
}

TEST_F(CurveCommands, ConversionFailsSafelyWithOneSample) {
  std::wstring line = makeLine(1);
  curveConvertToMesh();
  EXPECT_EQ(app().statusText, L"●  Curve conversion failed safely: not enough tessellated points");
  EXPECT_TRUE(app().undoStack.empty());
  EXPECT_EQ(app().selectedObjectId, line);
}

}  // namespace
}  // namespace vk
