// Headless viewport frames for pixel and draw-log checks: a DIB-section
// canvas, a clean application state and small scenes built in code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "platform/gdi_test_support.h"
#include "platform/headless.h"
#include "platform/win32.h"
#include "viewport/viewport.h"

namespace vktest {

// A canvas the viewport draws its scene into.
struct FrameCanvas : gditest::DibCanvas {
  using DibCanvas::DibCanvas;
  void draw(const vk::ViewportDrawOptions& options = {}) { vk::drawViewportScene(dc, rect(), options); }
};

// Options that draw the background and the objects alone: no grid,
// selection marks, camera overlays or corner texts.
inline vk::ViewportDrawOptions objectsOnly() {
  vk::ViewportDrawOptions options;
  options.showGrid = false;
  options.showSelection = false;
  options.showCameraOverlays = false;
  options.showHud = false;
  return options;
}

// The pixels of a frame, row by row.
inline std::vector<COLORREF> pixelsOf(const FrameCanvas& canvas) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) pixels.push_back(canvas.pixel(x, y));
  }
  return pixels;
}

// The scene as drawn, selection marks included, without grid, HUD or camera overlays.
inline vk::ViewportDrawOptions noHud() {
  vk::ViewportDrawOptions options;
  options.showGrid = false;
  options.showHud = false;
  options.showCameraOverlays = false;
  return options;
}

// A headless session on the new project's starter scene: the cube at the
// origin, the camera and the light.
class StarterScene : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    vk::appState() = vk::AppState{};
    vk::resetToNewProject();
  }
  void TearDown() override { vk::headless::stop(); }
};

// An empty project (one collection, no objects) with default view state.
inline void resetEmptyScene() {
  vk::appState() = vk::AppState{};
  vk::appState().project.scene.collections.push_back(vk::Collection{});
}

inline vk::Object& addSceneObject(vk::ObjectKind kind, const std::wstring& name) {
  vk::Object object = vk::makeObject(kind, name);
  auto& objects = vk::appState().project.scene.objects;
  objects.push_back(std::move(object));
  return objects.back();
}

// An n x m grid of quads on y = 0 spanning [-size, size] in x and z; faces
// wind so that their normals point up.
inline vk::MeshData gridMesh(int n, int m, double size) {
  vk::MeshData mesh;
  auto& vertices = mesh.vertices.write();
  for (int j = 0; j <= m; ++j) {
    for (int i = 0; i <= n; ++i) {
      vertices.push_back({-size + 2.0 * size * i / n, 0.0, -size + 2.0 * size * j / m});
    }
  }
  auto& faces = mesh.faces.write();
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i;
      faces.push_back(vk::MeshFace{{a, a + n + 1, a + n + 2, a + 1}, {}, 0});
    }
  }
  return mesh;
}

// A Mesh object holding `mesh` (derived fields rebuilt).
inline vk::Object& addMeshObject(const std::wstring& name, vk::MeshData mesh) {
  vk::Object& object = addSceneObject(vk::ObjectKind::Mesh, name);
  object.meshData = std::move(mesh);
  object.mesh.primitive = L"Edited Mesh";
  vk::rebuildMeshData(object);
  return object;
}

// The camera still as COLORREFs, row by row.
inline std::vector<COLORREF> cameraStill(int w, int h) {
  std::wstring message;
  HBITMAP still = vk::renderStillImage(w, h, /*fromCamera=*/true, /*crop=*/true, message);
  EXPECT_NE(still, nullptr);
  std::vector<COLORREF> pixels;
  if (!still) return pixels;
  BITMAP info{};
  GetObjectW(still, sizeof info, &info);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  for (int i = 0; i < w * h; ++i) pixels.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
  DeleteObject(still);
  return pixels;
}

// Per pixel: 0 where `frame` shows what `empty` does, else 1.
inline std::vector<std::uint8_t> coverage(const std::vector<COLORREF>& frame, const std::vector<COLORREF>& empty) {
  std::vector<std::uint8_t> covered(frame.size());
  for (std::size_t i = 0; i < frame.size(); ++i) covered[i] = frame[i] != empty[i];
  return covered;
}

// Pixels where the two masks differ and `a` holds one value throughout the
// pixel's neighbourhood of `reach`: a difference not explained by where
// an outline or a rounded edge falls. Pixels within `border` of the frame's
// edge are not counted.
inline int differencesAwayFromEdges(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int w, int h,
                                    int reach = 2, int border = 0) {
  int count = 0;
  for (int y = border; y < h - border; ++y) {
    for (int x = border; x < w - border; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * w + x);
      if (a[i] == b[i]) continue;
      bool uniform = true;
      for (int dy = -reach; dy <= reach && uniform; ++dy) {
        for (int dx = -reach; dx <= reach && uniform; ++dx) {
          const int nx = std::clamp(x + dx, 0, w - 1), ny = std::clamp(y + dy, 0, h - 1);
          uniform = a[static_cast<std::size_t>(ny * w + nx)] == a[i];
        }
      }
      count += uniform;
    }
  }
  return count;
}

inline std::size_t countOf(const std::vector<std::uint8_t>& mask) {
  return static_cast<std::size_t>(std::count(mask.begin(), mask.end(), 1));
}

inline bool logHas(const std::wstring& text) {
  for (const auto& record : vk::viewportTextLog()) {
    if (record.text == text) return true;
  }
  return false;
}

inline const vk::ViewportTextRecord* logFind(const std::wstring& prefix) {
  for (const auto& record : vk::viewportTextLog()) {
    if (record.text.rfind(prefix, 0) == 0) return &record;
  }
  return nullptr;
}

}  // namespace vktest
