// What lies behind the camera in Camera View, or far past the view in any
// view, in whole frames: edges draw only their visible part along their
// true line, nothing of a box behind the eye is painted, and helper glyphs,
// labels and the active camera's own glyph behind the eye are not drawn.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "model/math.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport_test_support.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vk::Vec3;
using vktest::FrameCanvas;

// A segment on the screen before any rounding.
struct ScreenSegment {
  vk::ScreenPoint a, b;
};

double distanceSq(const ScreenSegment& s, double x, double y) {
  const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
  const double length = dx * dx + dy * dy;
  const double t = length > 0.0 ? std::clamp(((x - s.a.x) * dx + (y - s.a.y) * dy) / length, 0.0, 1.0) : 0.0;
  const double ex = s.a.x + t * dx - x, ey = s.a.y + t * dy - y;
  return ex * ex + ey * ey;
}

class ClipLines : public ::testing::Test {
 protected:
  void SetUp() override {
    vktest::resetEmptyScene();
    vk::setViewportTextRecording(true);
  }
  void TearDown() override { vk::setViewportTextRecording(false); }

  // Camera View through a hidden camera at the origin looking along +z
  // (turned by `yaw` degrees about y); 16:9, so the frame fills the canvas.
  static vk::Object& lookThroughCamera(double yaw = 0.0) {
    vk::Object& camera = vktest::addSceneObject(ObjectKind::Camera, L"Cam");
    camera.transform = vk::Transform{};
    camera.transform.rotation = {0, yaw, 0};
    camera.camera = vk::CameraSettings{};
    camera.visible = false;
    appState().project.scene.activeCameraId = camera.id;
    appState().cameraView = true;
    return camera;
  }

  // The exact screen line of the part of each world edge in front of the
  // near plane (its whole length outside Camera View): the line-plane cut
  // and the projection of points in front, which the drawing must follow.
  std::vector<ScreenSegment> visibleLines(const std::vector<std::pair<Vec3, Vec3>>& edges) const {
    const vk::ViewContext view = vk::makeViewContext(canvas.rect());
    std::vector<ScreenSegment> lines;
    for (const auto& [worldA, worldB] : edges) {
      Vec3 a = vk::viewSpaceWith(view, worldA), b = vk::viewSpaceWith(view, worldB);
      if (view.cameraView) {
        const double near = view.nearClip;
        if (a.z < near && b.z < near) continue;
        if (a.z < near) std::swap(a, b);
        if (b.z < near) b = a + (b - a) * ((a.z - near) / (a.z - b.z));
      }
      lines.push_back({vk::projectViewSpacePrecise(view, a), vk::projectViewSpacePrecise(view, b)});
    }
    return lines;
  }

  // Every pixel the object paints lies within 1.5 px of one of `lines`, and
  // every line is painted wherever it crosses the canvas.
  void expectPaintedAlong(vk::Object& object, const std::vector<ScreenSegment>& lines) {
    const vk::ViewportDrawOptions options = vktest::objectsOnly();
    object.visible = false;
    canvas.draw(options);
    const std::vector<COLORREF> without = vktest::pixelsOf(canvas);
    object.visible = true;
    canvas.draw(options);
    const std::vector<COLORREF> with = vktest::pixelsOf(canvas);
    auto painted = [&](int x, int y) {
      const auto i = static_cast<std::size_t>(y * canvas.width + x);
      return with[i] != without[i];
    };
    int count = 0, stray = 0;
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        if (!painted(x, y)) continue;
        ++count;
        double nearest = INFINITY;
        for (const ScreenSegment& line : lines) nearest = std::min(nearest, distanceSq(line, x, y));
        if (nearest > 1.5 * 1.5) ++stray;
      }
    }
    EXPECT_GT(count, 100);
    EXPECT_EQ(stray, 0) << "pixels off every visible line";
    int missed = 0;
    for (const ScreenSegment& line : lines) {
      const double length = std::hypot(line.b.x - line.a.x, line.b.y - line.a.y);
      for (double s = 2.0; s < length - 2.0; s += 1.0) {
        const int x = static_cast<int>(std::lround(line.a.x + (line.b.x - line.a.x) * s / length));
        const int y = static_cast<int>(std::lround(line.a.y + (line.b.y - line.a.y) * s / length));
        if (x < 1 || y < 1 || x >= canvas.width - 1 || y >= canvas.height - 1) continue;
        bool near = false;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) near = near || painted(x + dx, y + dy);
        }
        missed += near ? 0 : 1;
      }
    }
    EXPECT_EQ(missed, 0) << "visible line pixels left out";
  }

  FrameCanvas canvas{320, 180};
};

// A triangle (every edge a boundary edge, all drawn in Wireframe) and its edges.
vk::Object& addTriangle(const Vec3& a, const Vec3& b, const Vec3& c) {
  vk::MeshData mesh;
  mesh.vertices.write() = {a, b, c};
  mesh.faces.write() = {vk::MeshFace{{0, 1, 2}, {}, 0}};
  return vktest::addMeshObject(L"Triangle", std::move(mesh));
}

TEST_F(ClipLines, EdgesDrawOnlyTheirVisiblePartAlongTheTrueLine) {
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  // Through the camera: two edges run from a corner far behind the eye to
  // corners in front. Projected at the near depth, that corner would pull
  // them up and to the left; their visible parts run down and away.
  lookThroughCamera();
  const Vec3 behind{-1, 1, -20}, right{0.3, -0.2, 2}, left{-0.3, -0.3, 3};
  vk::Object& triangle = addTriangle(behind, right, left);
  expectPaintedAlong(triangle, visibleLines({{behind, right}, {behind, left}, {right, left}}));

  // Seen from above, an edge whose far end lies a hundred thousand units
  // off keeps its direction: no coordinate of it is clamped on the way.
  vktest::resetEmptyScene();
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  appState().viewYaw = 0.0;
  appState().viewPitch = 90.0;
  appState().orthographic = true;
  const Vec3 origin{0, 0, 0}, far{1e5, 0, 3e4}, side{0, 0, 1};
  vk::Object& reaching = addTriangle(origin, far, side);
  expectPaintedAlong(reaching, visibleLines({{origin, far}, {far, side}, {side, origin}}));
}

TEST_F(ClipLines, LongBoxThroughTheCameraPaintsNothingBehindTheEye) {
  appState().project.scene.viewportShadingMode = vk::ViewportShadingMode::Wireframe;
  lookThroughCamera(30.0);
  // A beam from twenty units behind the eye to twenty in front of it, seen
  // at an angle: each of its twelve edges is drawn as far as it is in front.
  vk::MeshData mesh;
  for (double z : {-20.0, 20.0}) {
    for (const auto& [x, y] : {std::pair{0.4, -0.3}, {1.0, -0.3}, {1.0, 0.3}, {0.4, 0.3}}) {
      mesh.vertices.write().push_back({x, y, z});
    }
  }
  mesh.faces.write() = {vk::MeshFace{{0, 3, 2, 1}, {}, 0}, vk::MeshFace{{4, 5, 6, 7}, {}, 0},
                        vk::MeshFace{{0, 1, 5, 4}, {}, 0}, vk::MeshFace{{1, 2, 6, 5}, {}, 0},
                        vk::MeshFace{{2, 3, 7, 6}, {}, 0}, vk::MeshFace{{3, 0, 4, 7}, {}, 0}};
  std::vector<std::pair<Vec3, Vec3>> edges;
  const auto& corners = mesh.vertices.read();
  for (const vk::MeshFace& face : mesh.faces.read()) {
    for (std::size_t k = 0; k < 4; ++k) {
      edges.push_back({corners[face.indices[k]], corners[face.indices[(k + 1) % 4]]});
    }
  }
  vk::Object& beam = vktest::addMeshObject(L"Beam", std::move(mesh));
  expectPaintedAlong(beam, visibleLines(edges));
}

TEST_F(ClipLines, GlyphsAndLabelsBehindTheCameraAndTheCameraItselfDrawNothing) {
  vk::Object& camera = lookThroughCamera();
  camera.transform.position = {0, 0, 1};  // the world origin just behind the eye
  // Projected at the near depth, each of these would land on the canvas.
  // A mesh without mesh data is drawn as the glyph of its primitive.
  const Vec3 spots[] = {{0.02, 0.01, -2}, {-0.03, 0.02, -5}, {-0.02, -0.01, -3}, {0.01, -0.02, -0.5}};
  const ObjectKind kinds[] = {ObjectKind::Light, ObjectKind::Empty, ObjectKind::Mesh, ObjectKind::Text};
  for (int i = 0; i < 4; ++i) {
    vk::Object& object = vktest::addSceneObject(kinds[i], L"Helper");
    object.transform.position = spots[i];
    object.meshData = vk::MeshData{};
    object.mesh.primitive = L"Cone";
    const RECT shown = canvas.rect();
    ASSERT_TRUE(PtInRect(&shown, vk::projectToScreen(spots[i], shown)));
  }
  appState().selectedObjectId = appState().project.scene.objects.back().id;
  vk::ViewportDrawOptions options = vktest::noHud();
  options.showGrid = true;
  canvas.draw(options);
  const std::vector<COLORREF> behind = vktest::pixelsOf(canvas);
  EXPECT_FALSE(vktest::logHas(L"Origin"));  // the grid's origin label
  EXPECT_FALSE(vktest::logHas(L"Text"));
  // The same frame without the helpers and with the camera's own glyph
  // shown: it sits at the eye, behind the near plane, and shows nowhere.
  auto& objects = appState().project.scene.objects;
  for (std::size_t i = 1; i < objects.size(); ++i) objects[i].visible = false;
  camera.visible = true;
  appState().selectedObjectId = camera.id;
  canvas.draw(options);
  EXPECT_EQ(vktest::pixelsOf(canvas), behind);
  // The light in front of the eye is drawn.
  objects[1].transform.position = {0.02, 0.01, 2};
  objects[1].visible = true;
  canvas.draw(options);
  EXPECT_NE(vktest::pixelsOf(canvas), behind);
}

}  // namespace
