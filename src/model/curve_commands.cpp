// Edit Curve commands: the guard, adding and deleting control points, and
// converting a curve into a new mesh object.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/app_state.h"
#include "model/curves.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/mesh_guard.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/undo.h"

namespace vk {

namespace {

// The primitive label of a mesh made from a curve.
constexpr wchar_t kCurveMeshLabel[] = L"Curve Mesh";

}  // namespace

std::int32_t insertCurvePoint(CurveData& curve, const std::vector<std::int32_t>& selection) {
  const std::int32_t n = static_cast<std::int32_t>(curve.points.size());
  std::int32_t k = n;
  if (!selection.empty()) k = std::min(n, *std::max_element(selection.begin(), selection.end()) + 1);
  k = std::max(k, 0);
  CurvePoint point;
  point.position = {};
  point.handleIn = {-0.25, 0.0, 0.0};
  point.handleOut = {0.25, 0.0, 0.0};
  point.handleType = L"Auto";
  if (n > 0 && k > 0) {
    point = curve.points[k - 1];
    point.position = k < n ? (curve.points[k - 1].position + curve.points[k].position) * 0.5
                           : curve.points[k - 1].position + Vec3{0.25, 0.0, 0.0};
  }
  if (curve.type == L"Bezier") point.handleType = L"Bezier";
  curve.points.insert(curve.points.begin() + k, std::move(point));
  return k;
}

bool curvePointsDeletable(const CurveData& curve, const std::vector<std::int32_t>& selection) {
  const std::size_t minimum = curve.closed ? 3 : 2;
  const std::size_t n = curve.points.size();
  std::size_t selected = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::find(selection.begin(), selection.end(), static_cast<std::int32_t>(i)) != selection.end()) ++selected;
  }
  return n > minimum && n - selected >= minimum;
}

void removeCurvePoints(CurveData& curve, const std::vector<std::int32_t>& selection) {
  std::vector<CurvePoint> kept;
  kept.reserve(curve.points.size());
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    if (std::find(selection.begin(), selection.end(), static_cast<std::int32_t>(i)) == selection.end()) {
      kept.push_back(std::move(curve.points[i]));
    }
  }
  curve.points = std::move(kept);
}

bool selectedEditableCurve(Object** out) {
  Object* object = findObjectById(appState().selectedObjectId);
  if (!object || object->kind != ObjectKind::Curve || object->curveData.points.empty()) {
    setStatusText(L"●  Select an editable curve first");
    return false;
  }
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Curve is locked by object or parent");
    return false;
  }
  if (appState().workMode != WorkMode::EditCurve) {
    setStatusText(L"●  Switch to Edit Curve mode first");
    return false;
  }
  sanitizeCurvePointSelection(*object);
  if (out) *out = object;
  return true;
}

namespace {

void finishCurveEdit(EditTransaction& edit, Object& curve, const std::wstring& status) {
  rebuildCurveData(curve);
  edit.commit();
  setStatusText(status);
}

}  // namespace

void curveAddPoint() {
  Object* curve = nullptr;
  if (!selectedEditableCurve(&curve)) return;
  if (curve->curveData.points.size() >= kCurvePointLimit) {
    setStatusText(L"●  Curve point limit reached");
    return;
  }
  EditTransaction edit;
  sanitizeCurvePointSelection(*curve);
  AppState& app = appState();
  app.selectedCurvePoints = {insertCurvePoint(curve->curveData, app.selectedCurvePoints)};
  finishCurveEdit(edit, *curve, L"●  Added curve point");
}

void curveDeleteSelectedPoints() {
  Object* curve = nullptr;
  if (!selectedEditableCurve(&curve)) return;
  AppState& app = appState();
  if (app.selectedCurvePoints.empty()) {
    setStatusText(L"●  Select curve points to delete");
    return;
  }
  if (!curvePointsDeletable(curve->curveData, app.selectedCurvePoints)) {
    setStatusText(L"●  Curve needs at least two open points or three closed points");
    return;
  }
  EditTransaction edit;
  sanitizeCurvePointSelection(*curve);
  removeCurvePoints(curve->curveData, app.selectedCurvePoints);
  app.selectedCurvePoints.clear();
  finishCurveEdit(edit, *curve, L"●  Deleted selected curve points");
}

void curveConvertToMesh() {
  Object* curve = nullptr;
  if (!selectedEditableCurve(&curve)) return;
  MeshData built;
  if (!buildMeshFromCurve(*curve, built)) {
    setStatusText(L"●  Curve conversion failed safely: not enough tessellated points");
    return;
  }
  if (!roomForObjects(1)) return;
  // One face through more than 128 samples would be dropped by the
  // project-load guard; store it as fan pieces instead.
  splitLongFaces(built);
  if (!meshGuardPermits(built, ObjectKind::Mesh, kCurveMeshLabel)) return;
  const std::wstring curveId = curve->id;
  EditTransaction edit;
  curve = findObjectById(curveId);

  Object created = makeObject(ObjectKind::Mesh, L"Plane");
  created.name = curve->name + L" Mesh";
  created.parentId = curve->parentId;
  created.transform = curve->transform;
  created.material = curve->material;
  created.mesh.primitive = kCurveMeshLabel;
  created.meshData = std::move(built);
  rebuildMeshData(created);
  // The slots makeObject gave it draw the mesh; the base material mirrors
  // the active one, as every reopen makes it.
  sanitizeMaterialSlots(created);
  AppState& app = appState();
  const std::wstring createdId = created.id;
  app.selectedObjectId = createdId;
  clearAllComponentSelections();
  app.project.scene.objects.push_back(std::move(created));  // `curve` is stale from here
  attachToMainCollection(createdId);
  app.workMode = WorkMode::Object;
  edit.commit();
  setStatusText(L"●  Converted curve to new editable mesh copy");
}

}  // namespace vk
