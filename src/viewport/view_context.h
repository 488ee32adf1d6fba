// The resolved view of one frame: what projection reads (the orbit view or
// the active camera's), object placement with its trigonometry computed
// once, and the per-frame facts (view, lights, shading) every step reads.
#pragma once

#include "model/types.h"
#include "platform/win32.h"
#include "viewport/viewport.h"

namespace vk {

// Everything projectToScreen reads, resolved once. The arithmetic that uses
// it repeats the per-call formulas operation for operation, so a projection
// through a cached view is bit-identical to a fresh one.
struct ViewContext {
  RECT rect{};
  const Object* activeCamera = nullptr;  // a Camera object, or null
  bool cameraView = false;               // Camera View in effect
  // Camera View: the inverse rotation's trigonometry (-z, -x, -y order).
  Vec3 cameraPosition;
  double cosZ = 1.0, sinZ = 0.0, cosX = 1.0, sinX = 0.0, cosY = 1.0, sinY = 0.0;
  double nearClip = 0.1;
  double focal = 1.0;
  double frameCenterX = 0.0, frameCenterY = 0.0;
  // Orbit view.
  Vec3 pivot;
  double cosYaw = 1.0, sinYaw = 0.0, cosPitch = 1.0, sinPitch = 0.0;
  double scale = 1.0;
  double centerX = 0.0, centerY = 0.0;
  bool orthographic = false;
};

ViewContext makeViewContext(const RECT& clientRect);
// The frame's context when a frame over the same rectangle is being drawn,
// else a fresh one.
ViewContext currentViewContext(const RECT& clientRect);
Vec3 viewSpaceWith(const ViewContext& view, const Vec3& point);
POINT projectWith(const ViewContext& view, const Vec3& point);
// The orbit view's perspective eye sits this far in front of the pivot.
inline constexpr double kOrbitEyeDistance = 72.0;
// The normal lighting uses for a face at `worldPoint`: `worldNormal`, or its
// opposite when that one points away from the viewer (from the eye in the
// perspective views, against the view direction in orthographic), so that
// a face is lit on the side that is seen whatever its winding.
Vec3 viewerFacingNormal(const ViewContext& view, const Vec3& worldPoint, const Vec3& worldNormal);
// Per-pixel depth as nearness, larger nearer, from a view-space depth: the
// reciprocal of the distance from the eye in the perspective views, so that
// it runs linearly across the screen over a flat face; minus the depth in
// orthographic.
double depthNearness(const ViewContext& view, double viewZ);
// The distances from the eye between which the perspective views divide by
// the distance (Camera View: the near clip and 100000); nearer and farther
// the picture neither grows nor shrinks, and nearness runs on linearly.
void perspectiveSpan(const ViewContext& view, double& lo, double& hi);
// The nearness a face's outline or a mesh edge may lie behind the faces
// drawn and still show (setDepthLineBias): a few pixels' worth.
void depthLineBias(const ViewContext& view, double& relative, double& absolute);
// Projection of a point already in view space.
POINT projectViewSpaceWith(const ViewContext& view, const Vec3& viewPoint);
double roundHalfAwayFromZero(double value);

// position + rotateEulerDegrees(scale * local, rotation), with the rotation's
// trigonometry computed once per object.
struct ObjectPlacement {
  Vec3 position;
  Vec3 scale;
  double cosY = 1.0, sinY = 0.0, cosX = 1.0, sinX = 0.0, cosZ = 1.0, sinZ = 0.0;
};
ObjectPlacement makePlacement(const Object& object);
Vec3 placePoint(const ObjectPlacement& placement, const Vec3& local);
// rotateEulerDegrees of a direction only (no scale, no position).
Vec3 rotateWith(const ObjectPlacement& placement, const Vec3& v);
// The mean of the face's valid corners, placed (the origin when it has none).
Vec3 faceWorldCentre(const Object& object, const MeshFace& face);
// Corner i (0..7) of the box from lo to hi, and the box's twelve edges as
// pairs of corners: the bottom face, the top face, the four sides.
inline Vec3 boxCorner(const Vec3& lo, const Vec3& hi, int i) {
  return {(i == 1 || i == 2 || i == 5 || i == 6) ? hi.x : lo.x, (i == 2 || i == 3 || i == 6 || i == 7) ? hi.y : lo.y,
          i >= 4 ? hi.z : lo.z};
}
inline constexpr int kBoxEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                         {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// Per-frame facts that do not change while one frame is drawn; the frame
// resolves them once and hands them to every step that reads them.
struct FrameContext {
  bool active = false;
  ViewContext view;
  SceneLighting lighting;
  ViewportShadingMode shading = ViewportShadingMode::Lit;
};
// The context of a frame over `clientRect` as the scene and view stand now.
FrameContext makeFrameContext(const RECT& clientRect);

}  // namespace vk
