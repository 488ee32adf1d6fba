// The Edit Curve commands' fixture: a fresh project and straight lines to edit.
#pragma once

#include <string>

#include "model/curves.h"
#include "model/edit_mesh.h"
#include "scene_fixture.h"

namespace vk {

class CurveCommands : public SceneTest {
 protected:
  // A selected open Line of `count` points at x = 0, 1, 2, ... in Edit Curve mode.
  std::wstring makeLine(int count) {
    std::wstring id = create(ObjectKind::Curve, L"Line");
    CurveData& curve = object(id).curveData;
    curve.points.resize(count);
    for (int i = 0; i < count; ++i) curve.points[i].position = {static_cast<double>(i), 0, 0};
    rebuildCurveData(object(id));
    setWorkMode(WorkMode::EditCurve);
    EXPECT_EQ(app().workMode, WorkMode::EditCurve);
    app().undoStack.clear();
    return id;
  }
};

}  // namespace vk
