#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "model/hierarchy.h"
#include "model/math.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

RECT frameRectFor(const Object* camera, const RECT& clientRect) {
  double aspect = 16.0 / 9.0;
  if (camera) aspect = clampKeepNan(camera->camera.aspect, 0.25, 4.0);
  const double w = std::max<double>(static_cast<double>(clientRect.right) - clientRect.left, 1.0);
  const double h = std::max<double>(static_cast<double>(clientRect.bottom) - clientRect.top, 1.0);
  double fw = w;
  double fh = w / aspect;
  if (w / aspect > h) {
    fh = h;
    fw = h * aspect;
  }
  RECT frame{};
  frame.left = static_cast<LONG>(roundHalfAwayFromZero((w - fw) / 2.0));
  frame.top = static_cast<LONG>(roundHalfAwayFromZero((h - fh) / 2.0));
  frame.right = frame.left + static_cast<LONG>(roundHalfAwayFromZero(fw));
  frame.bottom = frame.top + static_cast<LONG>(roundHalfAwayFromZero(fh));
  return frame;
}

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

bool sameBits(const Vec3& a, const Vec3& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }

}  // namespace

bool sameView(const ViewContext& a, const ViewContext& b) {
  return a.rect.left == b.rect.left && a.rect.top == b.rect.top && a.rect.right == b.rect.right &&
         a.rect.bottom == b.rect.bottom && a.cameraView == b.cameraView && a.orthographic == b.orthographic &&
         sameBits(a.cameraPosition, b.cameraPosition) && sameBits(a.cosZ, b.cosZ) && sameBits(a.sinZ, b.sinZ) &&
         sameBits(a.cosX, b.cosX) && sameBits(a.sinX, b.sinX) && sameBits(a.cosY, b.cosY) &&
         sameBits(a.sinY, b.sinY) && sameBits(a.nearClip, b.nearClip) && sameBits(a.focal, b.focal) &&
         sameBits(a.frameCenterX, b.frameCenterX) && sameBits(a.frameCenterY, b.frameCenterY) &&
         sameBits(a.pivot, b.pivot) && sameBits(a.cosYaw, b.cosYaw) && sameBits(a.sinYaw, b.sinYaw) &&
         sameBits(a.cosPitch, b.cosPitch) && sameBits(a.sinPitch, b.sinPitch) && sameBits(a.scale, b.scale) &&
         sameBits(a.centerX, b.centerX) && sameBits(a.centerY, b.centerY);
}

bool sameTransform(const Transform& a, const Transform& b) {
  return sameBits(a.position, b.position) && sameBits(a.rotation, b.rotation) && sameBits(a.scale, b.scale);
}

double roundHalfAwayFromZero(double value) { return std::round(value); }

const Object* activeCameraObject() {
  const Scene& scene = appState().project.scene;
  if (scene.activeCameraId.empty()) return nullptr;
  const Object* camera = findObjectById(scene, scene.activeCameraId);
  return camera && camera->kind == ObjectKind::Camera ? camera : nullptr;
}

ViewContext makeViewContext(const RECT& clientRect) {
  const AppState& app = appState();
  ViewContext view;
  view.rect = clientRect;
  view.activeCamera = activeCameraObject();
  view.cameraView = app.cameraView && view.activeCamera;
  const double w = static_cast<double>(clientRect.right) - clientRect.left;
  const double h = static_cast<double>(clientRect.bottom) - clientRect.top;
  if (view.cameraView) {
    const Object& camera = *view.activeCamera;
    view.cameraPosition = camera.transform.position;
    const Vec3& r = camera.transform.rotation;
    const double az = -degreesToRadians(r.z), ax = -degreesToRadians(r.x), ay = -degreesToRadians(r.y);
    view.cosZ = std::cos(az), view.sinZ = std::sin(az);
    view.cosX = std::cos(ax), view.sinX = std::sin(ax);
    view.cosY = std::cos(ay), view.sinY = std::sin(ay);
    view.nearClip = clampKeepNan(camera.camera.nearClip, 0.001, 1000.0);
    const double fov = clampKeepNan(camera.camera.fov, 1.0, 179.0);
    view.focal = h * 0.5 / std::tan(fov * kPi / 180.0 * 0.5);
    const RECT frame = frameRectFor(view.activeCamera, clientRect);
    view.frameCenterX = static_cast<double>(frame.left + frame.right) * 0.5;
    view.frameCenterY = static_cast<double>(frame.top + frame.bottom) * 0.5;
  } else {
    view.pivot = app.viewPivot;
    const double yaw = app.viewYaw * kPi / 180.0;
    const double pitch = app.viewPitch * kPi / 180.0;
    view.cosYaw = std::cos(yaw), view.sinYaw = std::sin(yaw);
    view.cosPitch = std::cos(pitch), view.sinPitch = std::sin(pitch);
    view.scale = std::max(std::min(w, h) / 7.0, 22.0) * clampKeepNan(app.viewZoom, 0.18, 8.0);
    view.centerX = 0.5 * w + app.viewPanX;
    view.centerY = 0.56 * h + app.viewPanY;
    view.orthographic = app.orthographic;
  }
  return view;
}

ViewContext currentViewContext(const RECT& clientRect) {
  const AppState& app = appState();
  if (app.viewportCaches && app.viewportCaches->frame.active) {
    const RECT& r = app.viewportCaches->frame.view.rect;
    if (r.left == clientRect.left && r.top == clientRect.top && r.right == clientRect.right &&
        r.bottom == clientRect.bottom) {
      return app.viewportCaches->frame.view;
    }
  }
  return makeViewContext(clientRect);
}

Vec3 viewSpaceWith(const ViewContext& view, const Vec3& point) {
  if (view.cameraView) {
    // The steps of inverseRotateEuler: about Z, then X, then Y.
    const Vec3 v = point - view.cameraPosition;
    Vec3 r{v.x * view.cosZ - v.y * view.sinZ, v.y * view.cosZ + v.x * view.sinZ, v.z};
    r = {r.x, r.y * view.cosX - r.z * view.sinX, r.z * view.cosX + r.y * view.sinX};
    return {r.x * view.cosY + r.z * view.sinY, r.y, r.z * view.cosY - r.x * view.sinY};
  }
  const Vec3 d = point - view.pivot;
  const double x = view.cosYaw * d.x - view.sinYaw * d.z;
  const double t = view.cosYaw * d.z + view.sinYaw * d.x;
  // A positive pitch raises the eye above the pivot: points above it come
  // nearer and farther ones rise on the screen.
  const double y = view.cosPitch * d.y + view.sinPitch * t;
  const double z = view.cosPitch * t - view.sinPitch * d.y;
  return {x, y, z};
}

ScreenPoint projectViewSpacePrecise(const ViewContext& view, const Vec3& v) {
  if (view.cameraView) {
    const double depth = clampKeepNan(v.z, view.nearClip, 100000.0);
    return {view.frameCenterX + view.focal * v.x / depth, view.frameCenterY - view.focal * v.y / depth};
  }
  double f = 1.0;
  if (!view.orthographic) {
    f = kOrbitEyeDistance / clampKeepNan(v.z + kOrbitEyeDistance, 51.84, 118.8);
    f = clampKeepNan(f, 0.78, 1.22);
  }
  return {view.centerX + view.scale * v.x * f, view.centerY - view.scale * v.y * f};
}

POINT projectViewSpaceWith(const ViewContext& view, const Vec3& v) {
  return roundedScreenPoint(projectViewSpacePrecise(view, v));
}

Vec3 viewerFacingNormal(const ViewContext& view, const Vec3& worldPoint, const Vec3& worldNormal) {
  const Vec3 origin = viewSpaceWith(view, Vec3{});
  const Vec3 n = viewSpaceWith(view, worldNormal) - origin;  // the view's rotation alone
  double facing = 0.0;                                       // > 0: the normal faces the viewer
  if (!view.cameraView && view.orthographic) {
    facing = -n.z;  // the view looks along +z
  } else {
    const Vec3 eye{0.0, 0.0, view.cameraView ? 0.0 : -kOrbitEyeDistance};
    facing = vec3Dot(n, eye - viewSpaceWith(view, worldPoint));
  }
  return facing < 0.0 ? -worldNormal : worldNormal;
}

void perspectiveSpan(const ViewContext& view, double& lo, double& hi) {
  if (view.cameraView) {
    lo = view.nearClip, hi = kCameraFarSpanStart;
  } else {
    lo = kOrbitNearClampDistance, hi = kOrbitFarClampDistance;
  }
}

double depthNearness(const ViewContext& view, double viewZ) {
  if (!view.cameraView && view.orthographic) return -viewZ;
  // 1 / distance from the eye where the projection divides by it; beyond
  // its clamps, where the picture no longer shrinks, on along the tangent,
  // so that across a flat face it runs linearly on the screen in each span.
  double lo = 0.0, hi = 0.0;
  perspectiveSpan(view, lo, hi);
  const double d = view.cameraView ? viewZ : viewZ + kOrbitEyeDistance;
  if (d < lo) return 1.0 / lo + (lo - d) / (lo * lo);
  if (d > hi) return 1.0 / hi - (d - hi) / (hi * hi);
  return 1.0 / d;
}

void depthLineBias(const ViewContext& view, double& relative, double& absolute) {
  // About this many pixels' worth of depth at the line's own distance.
  constexpr double kBiasPixels = 1.5;
  relative = 0.0;
  absolute = 0.0;
  if (view.cameraView) {
    relative = kBiasPixels / std::max(view.focal, 1e-9);
  } else if (view.orthographic) {
    absolute = kBiasPixels / std::max(view.scale, 1e-9);
  } else {
    relative = kBiasPixels / (kOrbitEyeDistance * std::max(view.scale, 1e-9));
  }
}

POINT projectWith(const ViewContext& view, const Vec3& point) {
  return projectViewSpaceWith(view, viewSpaceWith(view, point));
}

Vec3 worldToViewSpace(const Vec3& point) {
  return viewSpaceWith(currentViewContext(RECT{0, 0, 1, 1}), point);
}

POINT projectToScreen(const Vec3& point, const RECT& clientRect) {
  return projectWith(currentViewContext(clientRect), point);
}

RECT cameraFrameRect(const RECT& clientRect) { return frameRectFor(activeCameraObject(), clientRect); }

POINT projectedAxisTip(const RECT& clientRect, const Vec3& origin, int axis, int lengthPx) {
  const ViewContext view = currentViewContext(clientRect);
  Vec3 a;
  if (axis == 1) a = {1.0, 0.0, 0.0};
  if (axis == 2) a = {0.0, 1.0, 0.0};
  if (axis == 3) a = {0.0, 0.0, 1.0};
  const POINT o = projectWith(view, origin);
  // The axis's direction on the screen is that of the visible part of its
  // first unit: a unit reaching behind the near plane keeps its true line
  // (from its first visible point to its last, across any bend).
  ViewSegments unit;
  double dx = 0.0, dy = 0.0;
  if (clipWorldSegment(view, origin, origin + a, unit)) {
    const POINT from = unit.parts[0].from, to = unit.parts[unit.count - 1].to;
    dx = static_cast<double>(to.x) - from.x;
    dy = static_cast<double>(to.y) - from.y;
  }
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length > 1e-6) {
    return POINT{o.x + static_cast<LONG>(roundHalfAwayFromZero(dx / length * lengthPx)),
                 o.y + static_cast<LONG>(roundHalfAwayFromZero(dy / length * lengthPx))};
  }
  if (axis == 1) return POINT{o.x + lengthPx, o.y};
  if (axis == 2) return POINT{o.x, o.y - lengthPx};
  return POINT{o.x - static_cast<LONG>(std::trunc(0.78 * lengthPx)),
               o.y + static_cast<LONG>(std::trunc(0.58 * lengthPx))};
}

POINT faceCenterWorld(const Object& object, const MeshFace& face, const RECT& clientRect) {
  return projectToScreen(faceWorldCentre(object, face), clientRect);
}

Vec3 faceWorldCentre(const Object& object, const MeshFace& face) {
  const ObjectPlacement placement = makePlacement(object);
  const auto& vertices = object.meshData.vertices.read();
  Vec3 sum;
  std::size_t used = 0;
  for (std::int32_t index : face.indices) {
    if (index < 0 || static_cast<std::size_t>(index) >= vertices.size()) continue;
    sum += placePoint(placement, vertices[static_cast<std::size_t>(index)]);
    ++used;
  }
  if (used > 0) sum = sum / static_cast<double>(used);
  return sum;
}

double wrapDegrees(double angle) {
  double r = std::fmod(angle, 360.0);
  if (r > 180.0) r -= 360.0;
  if (r < -180.0) r += 360.0;
  return r;
}

ObjectPlacement makePlacement(const Object& object) {
  ObjectPlacement placement;
  placement.position = object.transform.position;
  placement.scale = object.transform.scale;
  const Vec3& r = object.transform.rotation;
  const double ay = degreesToRadians(r.y), ax = degreesToRadians(r.x), az = degreesToRadians(r.z);
  placement.cosY = std::cos(ay), placement.sinY = std::sin(ay);
  placement.cosX = std::cos(ax), placement.sinX = std::sin(ax);
  placement.cosZ = std::cos(az), placement.sinZ = std::sin(az);
  return placement;
}

Vec3 rotateWith(const ObjectPlacement& p, const Vec3& v) {
  // The steps of rotateEulerDegrees: about Y, then X, then Z.
  Vec3 r{v.x * p.cosY + v.z * p.sinY, v.y, v.z * p.cosY - v.x * p.sinY};
  r = {r.x, r.y * p.cosX - r.z * p.sinX, r.z * p.cosX + r.y * p.sinX};
  return {r.x * p.cosZ - r.y * p.sinZ, r.y * p.cosZ + r.x * p.sinZ, r.z};
}

Vec3 placePoint(const ObjectPlacement& p, const Vec3& local) {
  const Vec3 scaled{local.x * p.scale.x, local.y * p.scale.y, local.z * p.scale.z};
  return p.position + rotateWith(p, scaled);
}

}  // namespace vk
