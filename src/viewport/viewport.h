// The software viewport: projection of world points to client pixels, the
// frame pass (background, grid, objects, overlays, camera widgets, corner
// texts), mesh face drawing with the lit shading model, heavy-mesh proxies,
// object glyphs, edit overlays and the gizmo, and the still render.
//
// Everything draws with GDI into a device context given by the caller and
// reads the scene and the view state from appState(); nothing here changes
// the document (the still render restores what it touches).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "model/app_state.h"
#include "model/file_choice.h"
#include "model/types.h"
#include "platform/win32.h"
#include "shading/face_colours.h"

namespace vk {

// What the elements of one modifier preview list share while they are drawn
// (frame_draw_list.h); null everywhere else.
struct PreviewDrawShare;

// The switches of one frame; the viewport paint sets all of them.
struct ViewportDrawOptions {
  bool showGrid = true;
  bool showSelection = true;
  bool showCameraOverlays = true;
  bool showHelperGlyphs = true;
  bool showHud = true;
  // Objects past the paint's total are drawn as boxes; off, every body is
  // drawn whole (the still render) and only previews past it are left out.
  bool boundPaint = true;
};

// ---- Projection -------------------------------------------------------------

// World point to view space (x right, y up, z depth away from the viewer),
// through the active camera in Camera View, else the orbit view.
Vec3 worldToViewSpace(const Vec3& point);
// World point to client pixel; each coordinate clamped to +-200000 and
// rounded half away from zero. `clientRect` has its origin at (0, 0).
POINT projectToScreen(const Vec3& point, const RECT& clientRect);
// The active camera's letterboxed frame (16/9 without one), relative to the
// rectangle's own origin; a 0 x 0 client counts as 1 x 1.
RECT cameraFrameRect(const RECT& clientRect);
// Screen tip of a handle `lengthPx` long along world axis 1 (X), 2 (Y) or
// 3 (Z) from the projected origin, with a fixed fallback when the axis
// points at the viewer.
POINT projectedAxisTip(const RECT& clientRect, const Vec3& origin, int axis, int lengthPx);
// Projected world centroid of the face's in-range corners (origin when none).
POINT faceCenterWorld(const Object& object, const MeshFace& face, const RECT& clientRect);
// Folds an angle into [-180, 180].
double wrapDegrees(double angle);

// ---- Frame ------------------------------------------------------------------

void drawViewportScene(HDC dc, const RECT& clientRect, const ViewportDrawOptions& options);
void drawViewportGrid(HDC dc, const RECT& clientRect);
void drawObjectOrigin(HDC dc, const RECT& clientRect, const Object& object, bool selected);
// One-pixel rows from `top` toward `bottom` (the bottom colour is never reached).
void fillVerticalGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom);
// The viewport window's procedure: double-buffered paint, no background
// erase; mouse, wheel and keys go to the input handlers (interaction.h).
LRESULT CALLBACK ViewportWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Mesh faces and the lit model ----------------------------------------

// One mesh face prepared for drawing; moved while sorting.
struct ProjectedFace {
  std::vector<POINT> screenPoints;  // in sub-pixels (kSubPixelShift)
  double depth = 0.0;  // mean view depth of the usable corners
  // The nearness of each pixel (depthNearness across the face): the plane
  // closest to the corners, exact for a flat face.
  DepthPlane depthPlane;
  // A face whose corners that plane misses by more than half a pixel's step
  // is filled as these triangles instead (the exports' triangulation;
  // corners index screenPoints, each plane passes through its corners'
  // nearness); empty otherwise.
  std::vector<DepthTriangle> triangles;
  // The piece of a face clipped to the view that this is: per corner,
  // whether the edge to the next is the face's own rather than a cut (only
  // those are outlined); empty when the face is whole.
  std::vector<std::uint8_t> ownEdges;
  double area = 0.0;   // absolute shoelace area in square pixels
  std::int64_t faceIndex = 0;
  Vec3 worldCentroid;
  Vec3 localCentroid;
  Vec3 worldNormal{0.0, 1.0, 0.0};
  Vec3 localNormal{0.0, 1.0, 0.0};
  Vec2 uvCenter;
  Vec2 uvMin;
  Vec2 uvMax;
  bool hasUv = false;
  bool uvRangeValid = false;
};

// At least three points, none far outside, not huge, no overlong edge.
bool polygonFitsViewport(const std::vector<POINT>& points, const RECT& clientRect);
// Feature-edge test: forced, a boundary or loose edge, or a fold whose first
// two adjacent face normals have a dot product below 0.72.
bool shouldDrawEdge(const MeshData& mesh, const MeshEdge& edge, bool force);

// The lit model (lightContributionAt, litSurfaceColor) is beside the
// Material Preview colour in shading/face_colours.h.

// ---- Heavy-mesh proxies ----------------------------------------------------

struct PreviewProxy {
  std::wstring cacheKey;
  std::vector<POINT> screenPoints;
  std::vector<double> vertexDepths;
  std::vector<ProjectedFace> faces;  // sampled, farthest first
  std::vector<std::int64_t> edgeIndices;
  bool denseProtected = false;
  bool navigating = false;
  std::int64_t faceCount = 0;
  std::int64_t faceBudget = 1400;
  std::int64_t edgeBudget = 2200;
  std::int64_t faceStride = 1;
  std::int64_t edgeStride = 1;
  std::uint64_t frame = 0;  // the last frame that asked for it
};

struct ProxyEdgeSet {
  std::wstring topologyKey;
  std::vector<std::int64_t> edgeIndices;  // ascending indices into MeshData.edges
  std::uint64_t frame = 0;                // the last frame that asked for it
};

// Up-to-date entries of the two caches (a preview reference stays valid
// until the entry is rebuilt or its object is dropped from the cache). With a share, the proxy's edge
// set comes from it instead of the per-object topology cache.
PreviewProxy& proxyPreviewForObject(const Object& object, const RECT& clientRect,
                                    PreviewDrawShare* share = nullptr);
ProxyEdgeSet& proxyPreviewMeshBuild(const Object& object);
// Describe exactly what a cached entry depends on, the document revision
// included and, in Camera View, the active camera.
std::wstring proxyViewportKey(const Object& object, const RECT& clientRect, bool navigating);
std::wstring proxyTopologyKey(const Object& object);
std::pair<Vec3, Vec3> proxySourceBounds(const MeshData& mesh);
void drawImportedBoundsProxy(HDC dc, const RECT& clientRect, const Object& object, bool emphasise);
void drawOversizedMeshNotice(HDC dc, const RECT& clientRect, const Object& object,
                             const PreviewProxy* proxy, bool emphasise);
// Triangles the viewport draws for one object when it is visible: 0 for
// objects that are not Mesh, Text or Curve.
std::int64_t drawnTriangleCount(const Object& object);
// The status line's notice of `boxed` objects drawn as boxes (empty for none).
std::wstring paintBoxedStatus(std::size_t boxed);
// Triangles of the visible Mesh, Text and Curve objects (the status bar's figure).
std::int64_t visibleTriangleCount();
// Any of the orbit, pan, dolly, aim or left drags is in progress.
bool viewportNavigating();
// Drops cache entries of objects that are no longer in the scene.
void pruneViewportCaches();
// Stack indices of the entries the object's modifier preview leaves out
// (evaluated through the viewport's cache when it holds no outcome).
std::vector<std::size_t> modifierPreviewLeftOut(const Object& object);

// ---- Object glyphs -----------------------------------------------------------

void drawPlanePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawSpherePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawCylinderPrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawConePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawTorusPrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawCubePrimitive(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawCurveObject(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawTextObject(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawGenericObjectGlyph(HDC dc, const RECT& clientRect, const Object& object, bool selected);
void drawLine(HDC dc, POINT from, POINT to);

// ---- Camera widgets ------------------------------------------------------------

void drawAllCameraWidgets(HDC dc, const RECT& clientRect);
void drawSingleCameraFrustum(HDC dc, const RECT& clientRect, const Object& camera, bool isActive,
                             bool isSelected);
void drawCameraWidgetLabel(HDC dc, const RECT& clientRect, const Object& camera, POINT anchor,
                           COLORREF colour, bool isActive, bool isSelected);
void drawCameraFramingBadge(HDC dc, const RECT& clientRect, const Object& activeCamera);
// `keepClear`: where the frame's other texts at the top left lie; a caption
// that would meet one moves down below it, until it meets none.
void drawCameraViewFrame(HDC dc, const RECT& clientRect, std::span<const RECT> keepClear = {});

// ---- Edit overlays and the gizmo ------------------------------------------------

// Each returns where its hint text at the top left lies (empty: none drawn).
RECT drawEditMeshOverlay(HDC dc, const RECT& clientRect, const Object& object);
RECT drawEditCurveOverlay(HDC dc, const RECT& clientRect, const Object& object);
void drawTransformGizmo(HDC dc, const RECT& clientRect, const Object& object);
// Line from `origin` to `tip` with a filled arrowhead, in the selected pen and brush.
void drawArrowLine(HDC dc, POINT origin, POINT tip);

// ---- Still render and render settings ----------------------------------------

enum class StillFormat : std::int32_t { Png = 0, Jpeg = 1 };
enum class RenderSourceOverride : std::int32_t { None = 0, Camera = 1, Viewport = 2 };

// The whole export: settings, file choice, render, encode, status.
void exportRender(StillFormat format, RenderSourceOverride override);
// The same flow with the file already chosen (the save dialog's result).
bool exportRenderToPath(StillFormat format, RenderSourceOverride override, const std::wstring& path);
// The save dialog, proposing defaultStillFileName.
FileChoice openStillRenderDialog(StillFormat format);
std::wstring defaultStillFileName(StillFormat format);
// A 32-bit top-down bitmap of w x h (each clamped to 64..4096) owned by the
// caller, or null with the reason in `message`. Camera View and the active
// camera's aspect are restored on every exit.
HBITMAP renderStillImage(std::int32_t width, std::int32_t height, bool fromCamera,
                         bool cropToCameraFrame, std::wstring& message);
// Encodes through the platform's atomic image writers: a failure leaves an
// existing file at the path untouched. `message` is the text for the user,
// `reason` the encoder's own explanation.
bool saveBitmapAsImage(HBITMAP bitmap, const std::wstring& path, StillFormat format, std::wstring& message,
                       std::wstring* reason = nullptr);
// Index of the encoder for "image/png" or "image/jpeg"; -1 otherwise.
std::int32_t getEncoderClsid(const wchar_t* mimeType);
void setRenderOutputSize(std::int32_t width, std::int32_t height, const std::wstring& label);
void setRenderSource(const std::wstring& text);
void toggleRenderCameraCrop();
void setRenderStatus(const std::wstring& text);
std::wstring renderSizeLabel(const RenderSettings& settings);
// Sanitizes the settings and returns the "Render Settings" dialog's text,
// line by line (the modal text dialog shows it).
std::wstring renderSettingsDialogText();

// ---- View commands ------------------------------------------------------------

void resetView();
// Needs a selected object; otherwise nothing changes.
void frameSelectedObject();
// Also leaves Camera View, which is why it reports a change even when the
// orthographic flag already matches.
void setProjectionMode(bool orthographic);
void setViewportNavigationMode(NavigationMode mode);
void setTool(TransformTool tool);
void setAxisConstraint(AxisConstraint axis);
// The only view command that changes the document (the scene keeps it).
void setViewportShading(ViewportShadingMode mode);
// The key that picks each shading mode: the viewport's key table, the
// shading commands' menu hints and the header's shortcut note read it here.
struct ShadingShortcut {
  ViewportShadingMode mode;
  const wchar_t* key;  // one character, which is also its virtual-key code
};
inline constexpr ShadingShortcut kShadingShortcuts[] = {
    {ViewportShadingMode::Wireframe, L"4"},
    {ViewportShadingMode::Solid, L"5"},
    {ViewportShadingMode::Lit, L"6"},
    {ViewportShadingMode::MaterialPreview, L"7"},
};
constexpr const wchar_t* shadingShortcut(ViewportShadingMode mode) {
  for (const ShadingShortcut& shortcut : kShadingShortcuts) {
    if (shortcut.mode == mode) return shortcut.key;
  }
  return nullptr;
}
// Wireframe, Solid, Lit, Material Preview, then back to Wireframe.
ViewportShadingMode nextViewportShading(ViewportShadingMode mode);

// The mode names (axisName, viewportShadingLabel, ...) are beside their
// enumerations in model/app_state.h and model/types.h.

// ---- Test and diagnostics hooks ------------------------------------------------

// One text the viewport drew: the string, its rectangle (a point for texts
// placed at a corner: left/top only) and its colour.
struct ViewportTextRecord {
  std::wstring text;
  RECT rect{};
  COLORREF colour = 0;
};
// Recording is off by default; turning it on clears the log.
void setViewportTextRecording(bool enabled);
const std::vector<ViewportTextRecord>& viewportTextLog();

}  // namespace vk
