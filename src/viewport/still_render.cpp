#include <algorithm>
#include <cstring>

#include "model/hierarchy.h"
#include "model/math.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "viewport/viewport.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

// Puts the Camera View flag and the active camera's aspect back however the
// render pass ends, an exception included.
struct RenderStateGuard {
  RenderStateGuard() : cameraView(appState().cameraView) {
    if (const Object* camera = activeCameraObject()) {
      cameraId = camera->id;
      aspect = camera->camera.aspect;
    }
  }
  ~RenderStateGuard() {
    AppState& app = appState();
    app.cameraView = cameraView;
    if (cameraId.empty()) return;
    if (Object* camera = findObjectById(app.project.scene, cameraId)) camera->camera.aspect = aspect;
  }
  RenderStateGuard(const RenderStateGuard&) = delete;
  RenderStateGuard& operator=(const RenderStateGuard&) = delete;
  bool cameraView;
  std::wstring cameraId;
  double aspect = 0.0;
};

std::int32_t clampSide(std::int32_t side) { return std::clamp(side, 64, 4096); }

// The status line says what failed; the box adds the encoder's or the
// system's own reason, which the status line has no room for.
void reportRenderFailure(const std::wstring& message, const std::wstring& reason = L"") {
  setRenderStatus(L"Render failed: " + message);
  MessageBoxW(appState().ui.mainWindow, textWithReason(message, reason).c_str(), L"Render Export Failed",
              MB_OK | MB_ICONERROR);
}

void settingsChanged(const std::wstring& status) {
  setDirty(true);
  refreshAll();
  setRenderStatus(status);
}

std::wstring sourceDisplay(const std::wstring& source) {
  return renderSourceIsCamera(source) ? L"Active Camera" : L"Viewport";
}

}  // namespace

std::wstring defaultStillFileName(StillFormat format) {
  const bool camera = renderSourceIsCamera(appState().project.scene.renderSettings.source);
  return std::wstring(L"veltrask_phase50_") + (camera ? L"camera" : L"viewport") + L"_still." +
         (format == StillFormat::Jpeg ? L"jpg" : L"png");
}

FileChoice openStillRenderDialog(StillFormat format) {
  using namespace std::string_view_literals;
  const bool jpeg = format == StillFormat::Jpeg;
  const std::wstring name = defaultStillFileName(format);
  FileDialogSpec spec;
  spec.save = true;
  spec.filters = jpeg ? L"JPEG Image (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0All Files (*.*)\0*.*\0\0"sv
                      : L"PNG Image (*.png)\0*.png\0All Files (*.*)\0*.*\0\0"sv;
  spec.proposedName = name;
  spec.defaultExtension = jpeg ? L"jpg" : L"png";
  spec.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER;
  return askForFile(spec);
}

HBITMAP renderStillImage(std::int32_t width, std::int32_t height, bool fromCamera, bool cropToCameraFrame,
                         std::wstring& message) {
  const std::int32_t w = clampSide(width), h = clampSide(height);
  if (static_cast<std::int64_t>(w) * h > 16777216) {
    message = L"Output size is above the Phase 50 safety budget.";
    return nullptr;
  }
  if (fromCamera && !activeCameraObject()) {
    message = L"No active camera is available. Add or select a camera, then use Ctrl+0 to set it active.";
    return nullptr;
  }
  const UiHandles& ui = appState().ui;
  HWND source = ui.viewport ? ui.viewport : ui.mainWindow;
  HDC screen = GetDC(source);
  if (!screen) {
    message = L"Could not acquire a drawing context for render export.";
    return nullptr;
  }
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = createTopDownDib32(screen, w, h, &bits);
  if (!bitmap) {
    bits = nullptr;
    bitmap = CreateCompatibleBitmap(screen, w, h);
  }
  ReleaseDC(source, screen);
  if (!memory || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    message = L"Could not allocate a safe offscreen bitmap for render export.";
    return nullptr;
  }
  HGDIOBJ previous = SelectObject(memory, bitmap);
  {
    RenderStateGuard guard;
    AppState& app = appState();
    if (fromCamera) {
      app.cameraView = true;
      if (cropToCameraFrame) {
        if (Object* camera = findObjectById(app.project.scene, app.project.scene.activeCameraId)) {
          camera->camera.aspect = std::clamp(static_cast<double>(w) / h, 0.25, 4.0);
        }
      }
    }
    ViewportDrawOptions options;
    options.showGrid = !fromCamera;
    options.showHelperGlyphs = !fromCamera;
    options.showSelection = false;
    options.showHud = false;
    options.showCameraOverlays = !(fromCamera && cropToCameraFrame);
    options.boundPaint = false;
    try {
      drawViewportScene(memory, RECT{0, 0, w, h}, options);
    } catch (...) {
      SelectObject(memory, previous);
      DeleteObject(bitmap);
      DeleteDC(memory);
      throw;
    }
  }
  if (bits) {
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    for (std::size_t i = 0; i < count; ++i) pixels[i] |= 0xFF000000u;
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  return bitmap;
}

std::int32_t getEncoderClsid(const wchar_t* mimeType) {
  if (!mimeType) return -1;
  const std::wstring mime = mimeType;
  if (mime == L"image/png") return 0;
  if (mime == L"image/jpeg") return 1;
  return -1;
}

bool saveBitmapAsImage(HBITMAP bitmap, const std::wstring& path, StillFormat format, std::wstring& message,
                       std::wstring* reason) {
  if (!bitmap || path.empty()) {
    message = L"Render export did not receive a valid bitmap or path.";
    return false;
  }
  const bool jpeg = format == StillFormat::Jpeg;
  if (getEncoderClsid(jpeg ? L"image/jpeg" : L"image/png") < 0) {
    message = std::wstring(L"No compatible image encoder was available for ") + (jpeg ? L"JPEG" : L"PNG") + L".";
    return false;
  }
  // The encoder writes a temporary file and renames it over the target only
  // on success, so a failed export keeps the previous still.
  if (!encodeBitmapFile(bitmap, path, jpeg ? ImageFormat::Jpeg : ImageFormat::Png, 92, reason)) {
    message = L"GDI+ failed to write the image file.";
    return false;
  }
  return true;
}

bool exportRenderToPath(StillFormat format, RenderSourceOverride override, const std::wstring& path) {
  AppState& app = appState();
  RenderSettings& settings = app.project.scene.renderSettings;
  sanitizeRenderSettings(settings);
  const std::int32_t width = settings.outputWidth, height = settings.outputHeight;
  const bool crop = settings.cropCameraFrame;
  const bool fromCamera = override == RenderSourceOverride::None ? renderSourceIsCamera(settings.source)
                                                                  : override == RenderSourceOverride::Camera;
  std::wstring message;
  HBITMAP bitmap = renderStillImage(width, height, fromCamera, crop, message);
  if (!bitmap) {
    reportRenderFailure(message);
    return false;
  }
  std::wstring reason;
  const bool saved = saveBitmapAsImage(bitmap, path, format, message, &reason);
  DeleteObject(bitmap);
  if (!saved) {
    reportRenderFailure(message, reason);
    return false;
  }
  app.lastOutputPath = path;
  setRenderStatus(std::wstring(L"Render exported ") + (format == StillFormat::Jpeg ? L"JPEG" : L"PNG") + L" " +
                  std::to_wstring(clampSide(width)) + L"x" + std::to_wstring(clampSide(height)) + L" from " +
                  (fromCamera ? L"active camera" : L"viewport"));
  return true;
}

void exportRender(StillFormat format, RenderSourceOverride override) {
  sanitizeRenderSettings(appState().project.scene.renderSettings);
  const FileChoice choice = openStillRenderDialog(format);
  if (!choice.chosen) return;
  exportRenderToPath(format, override, choice.path);
}

void setRenderStatus(const std::wstring& text) {
  appState().renderStatus = text;
  setStatusText(L"●  " + text);
  refreshInspector();
}

std::wstring renderSizeLabel(const RenderSettings& settings) {
  return std::to_wstring(settings.outputWidth) + L" x " + std::to_wstring(settings.outputHeight);
}

void setRenderOutputSize(std::int32_t width, std::int32_t height, const std::wstring& label) {
  AppState& app = appState();
  RenderSettings& settings = app.project.scene.renderSettings;
  if (width < 1 || height < 1) {
    RECT client{};
    if (app.ui.viewport) GetClientRect(app.ui.viewport, &client);
    width = std::max<std::int32_t>(client.right - client.left, 64);
    height = std::max<std::int32_t>(client.bottom - client.top, 64);
  }
  settings.outputWidth = width;
  settings.outputHeight = height;
  sanitizeRenderSettings(settings);
  settingsChanged(L"Render output size: " + (label.empty() ? renderSizeLabel(settings) : label));
}

void setRenderSource(const std::wstring& text) {
  RenderSettings& settings = appState().project.scene.renderSettings;
  const std::wstring value = text == L"Viewport" ? L"Viewport" : L"Camera";
  if (settings.source == value) {
    setRenderStatus(L"Render source already set to " + sourceDisplay(value));
    return;
  }
  settings.source = value;
  sanitizeRenderSettings(settings);
  settingsChanged(L"Render source: " + sourceDisplay(value));
}

void toggleRenderCameraCrop() {
  RenderSettings& settings = appState().project.scene.renderSettings;
  settings.cropCameraFrame = !settings.cropCameraFrame;
  settingsChanged(std::wstring(L"Camera-frame crop ") + (settings.cropCameraFrame ? L"enabled" : L"disabled"));
}

std::wstring renderSettingsDialogText() {
  AppState& app = appState();
  RenderSettings& settings = app.project.scene.renderSettings;
  sanitizeRenderSettings(settings);
  return L"Still Render Export v1\n\nSource: " + sourceDisplay(settings.source) + L"\nOutput: " +
         renderSizeLabel(settings) + L"\nCamera-frame crop: " + (settings.cropCameraFrame ? L"On" : L"Off") +
         L"\nLast status: " + app.renderStatus +
         L"\n\nThis is a safe GDI viewport/camera still export layer. It writes PNG/JPEG proof images from the "
         L"current Phase 50 viewport pipeline; it is not yet a production offline renderer.";
}

}  // namespace vk
