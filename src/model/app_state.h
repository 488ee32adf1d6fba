// The one global application state: the open project, selection, modes, the
// view camera, undo and redo stacks, workspace flags, transient pointer state,
// the window and GDI handle table and the texture preview cache.
// Everything runs on the window thread; nothing here is locked.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/types.h"
#include "platform/win32.h"

namespace vk {

enum class WorkMode : std::int32_t { Object = 0, EditMesh = 1, EditCurve = 2 };
enum class ComponentMode : std::int32_t { Vertex = 0, Edge = 1, Face = 2 };
enum class TransformTool : std::int32_t { Select = 0, Move = 1, Rotate = 2, Scale = 3 };
enum class AxisConstraint : std::int32_t { Free = 0, X = 1, Y = 2, Z = 3 };
enum class NavigationMode : std::int32_t { Orbit = 0, Pan = 1, Dolly = 2, CameraAim = 3 };

// Mode names; any value outside the enumeration reads as the first name.
const wchar_t* axisName(AxisConstraint axis);
const wchar_t* transformToolName(TransformTool tool);
const wchar_t* navigationModeName(NavigationMode mode);

// One undo or redo entry: the whole project plus the editor state a restore
// writes back. Meshes are shared copy-on-write with the live project.
struct ProjectSnapshot {
  Project project;
  std::wstring selectedObjectId;
  WorkMode workMode = WorkMode::Object;
  ComponentMode componentMode = ComponentMode::Vertex;
  TransformTool transformTool = TransformTool::Select;
  AxisConstraint axisConstraint = AxisConstraint::Free;
  std::int32_t activeModifierIndex = 0;
  std::int32_t activeMaterialSlotIndex = 0;
  bool cameraView = false;
  std::uint32_t nextObjectNumber = 1;
  std::vector<std::int32_t> selectedVertices;
  std::vector<std::int32_t> selectedEdges;
  std::vector<std::int32_t> selectedFaces;
  std::vector<std::int32_t> selectedCurvePoints;
  // The folder relative texture paths resolved against when it was taken: a
  // restore after a save into another folder moves them (texture_paths.h).
  std::wstring textureFolder;
};

// One outliner list row: the object's index in Scene.objects and its depth.
struct OutlinerRow {
  std::uint64_t index = 0;
  std::int32_t depth = 0;  // 0 for a root, clamped to 0..12
};

struct HoverTipEntry {
  HWND control = nullptr;
  std::wstring text;
};

// One texture preview cache value. The cache owns `thumbnail`; copying an
// entry copies the handle value only.
// The pixels all texture previews together may decode between two clears
// of the cache (each open empties it): enough for 22 textures of 4096 x 4096,
// or six of 8000 x 8000 decoded whole (a BMP, TGA or interlaced PNG counts
// only the pixels of its subsample).
inline constexpr std::uint64_t kTexturePreviewPixelLimit = 384'000'000;

struct TexturePreview {
  std::wstring mapPath;
  std::wstring resolvedPath;  // the cache key
  bool fileExists = false;
  bool diskProbed = false;
  bool thumbnailOk = false;
  std::int32_t imageWidth = 0;
  std::int32_t imageHeight = 0;
  std::int32_t sampleWidth = 0;
  std::int32_t sampleHeight = 0;
  std::vector<std::uint32_t> samples;  // row-major COLORREF, row 0 at the top
  std::uint64_t fileSize = 0;
  std::uint64_t lastWriteTime = 0;
  HBITMAP thumbnail = nullptr;
  std::wstring message;
};

// One path resolution and file probe of getTexturePreview during a paint:
// the file map's relative flag and the project path it was resolved against.
struct TextureFrameProbe {
  bool relative = true;
  std::wstring projectPath;
  TexturePreview* preview = nullptr;  // an entry of AppState::texturePreviews
};

// The window, control and GDI handles and the layout rectangles the lower
// libraries read. Every member is a handle or a rectangle and starts as zero;
// the shell owns and fills them. The handles only the shell reads are its own
// (ShellHandles, shell/shell_handles.h). A null handle means "skip".
struct UiHandles {
  HWND mainWindow = nullptr;
  HWND viewport = nullptr;
  HWND statusLine = nullptr;
  HWND dirtyBadge = nullptr;    // status bar badge "Saved" / "Unsaved"
  HWND outlinerList = nullptr;  // kCtlOutlinerList

  // The timeline panel and the key inspector (animation).
  HWND timelineTitle = nullptr;
  HWND timelineFrameStatus = nullptr;
  HWND timelineFieldLabels[4] = {};  // Frame, Start, End, FPS
  HWND timelineEdits[4] = {};        // frame, start, end, frames per second
  HWND timelineFocusButton = nullptr;  // its caption follows the selection
  HWND transformKeySummary = nullptr;
  HWND cameraLightKeySummary = nullptr;
  HWND keyHeading = nullptr;
  HWND keyStatus = nullptr;
  HWND keyValues = nullptr;
  HWND keyFrameEdit = nullptr;
  HWND curveEdit = nullptr;
  HWND noteEdit = nullptr;

  HFONT uiFont = nullptr;     // Segoe UI -14, 400
  HFONT smallFont = nullptr;  // Segoe UI -12, 400
  HFONT boldFont = nullptr;   // Segoe UI -14, 600
  HFONT titleFont = nullptr;  // Segoe UI -16, 600

  // Computed only by the layout pass.
  RECT viewportAreaRect{};
  RECT timelineRect{};
  RECT timelineTrackRect{};
  RECT timelineKeyRect{};
};

// What the main window's layout was last computed for beyond its size and
// the workspace flags: the shell lays the window out again when it changes.
struct LayoutInputs {
  bool valid = false;
  std::wstring selectedObjectId;
  std::int32_t selectedKind = -1;  // -1: no object selected
  std::size_t undoDepth = 0;
  std::size_t redoDepth = 0;
  std::int32_t workMode = 0;       // the toolbar's "Select: ..." caption
  std::int32_t componentMode = 0;
  bool snapEnabled = false;
  bool timelineShown = false;
  bool presetBrowserShown = false;
  bool capsuleBrowserShown = false;
  std::wstring railDetails;  // the open rail panel's context text
  std::int32_t inspectorDetailsHeight = 0;  // the details text's wrapped height
  bool operator==(const LayoutInputs&) const = default;
};

// The viewport's per-process caches (heavy-mesh proxies, feature edges, the
// per-frame view context); defined and created by the viewport.
struct ViewportCaches;
// The shell's own control handles; defined and created by the shell.
struct ShellHandles;

struct AppState {
  HINSTANCE instance = nullptr;
  Project project;
  std::int32_t activeRailPanel = 0;  // 0..4
  bool leftToolsOpen = true;
  std::wstring outlinerFilter;
  bool suppressEditNotifications = false;
  bool inspectorTransformOpen = true;
  bool inspectorDisplayOpen = true;
  bool inspectorCameraOpen = true;
  bool inspectorKeyframesOpen = true;
  bool inspectorNotesOpen = true;
  std::wstring selectedObjectId;
  std::wstring projectPath;
  bool dirty = false;
  // Bumped by every document change, undo, redo, new and open (through
  // setDirty): caches of derived pictures compare it instead of guessing.
  std::uint64_t documentRevision = 0;
  // The latest status line message and dirty badge text, kept here as well so
  // that they are known (and testable) when no window exists.
  std::wstring statusText = L"●  Ready";
  std::wstring queuedStatusNotice;  // see queueStatusNotice
  std::wstring dirtyBadgeText = L"Saved";
  std::wstring renderStatus = L"Render: ready";
  std::wstring lastOutputPath;
  // Where the workspace settings file lives; empty means beside the
  // executable. Test runs point it into their own folder.
  std::wstring workspaceIniPath;
  std::uint32_t nextObjectNumber = 1;

  // View camera: not part of the document.
  double viewYaw = -35.0;
  double viewPitch = 24.0;  // kept in -80..80 while orbiting
  double viewZoom = 1.0;    // kept in 0.18..8.0
  double viewPanX = 0.0;
  double viewPanY = 0.0;
  Vec3 viewPivot;
  bool orthographic = false;
  bool cameraView = false;
  bool showCameraWidgets = true;
  bool showFramingBadge = true;
  NavigationMode navigationMode = NavigationMode::Orbit;

  // Navigation drags.
  bool orbitDrag = false;
  bool panDrag = false;
  bool dollyDrag = false;
  bool aimDrag = false;
  bool leftDrag = false;
  Vec3 aimStartRotation;
  Vec3 orbitAnchor;
  std::int32_t orbitAnchorScreenX = 0;
  std::int32_t orbitAnchorScreenY = 0;
  bool orbitAnchorValid = false;

  TransformTool transformTool = TransformTool::Select;
  AxisConstraint axisConstraint = AxisConstraint::Free;
  WorkMode workMode = WorkMode::Object;
  ComponentMode componentMode = ComponentMode::Vertex;
  std::vector<std::int32_t> selectedVertices;
  std::vector<std::int32_t> selectedEdges;  // into the derived edge list
  std::vector<std::int32_t> selectedFaces;
  std::vector<std::int32_t> selectedCurvePoints;
  std::int32_t activeModifierIndex = 0;
  std::int32_t activeMaterialSlotIndex = 0;
  bool snapEnabled = false;

  // Object, component and curve drags.
  std::int32_t lastMouseX = 0;
  std::int32_t lastMouseY = 0;
  std::int32_t dragOriginX = 0;
  std::int32_t dragOriginY = 0;
  Vec3 dragStartPosition;
  Vec3 dragStartRotation;
  Vec3 dragStartScale{1.0, 1.0, 1.0};
  std::vector<Vec3> curveDragStartPoints;
  std::vector<std::int32_t> componentDragVertices;
  std::vector<Vec3> componentDragStartPositions;

  std::vector<ProjectSnapshot> undoStack;  // oldest first, at most 80
  std::vector<ProjectSnapshot> redoStack;  // oldest first
  // Bumped by every change of the two stacks, so that a refused command can
  // withdraw its own push and nothing else (undo.h).
  std::uint64_t undoStacksVersion = 0;

  std::vector<OutlinerRow> outlinerRows;
  std::vector<std::wstring> parentCandidateIds;
  std::vector<HoverTipEntry> hoverTips;
  HWND hoveredControl = nullptr;
  std::wstring hoveredTipText;
  POINT hoverCursor{};
  bool inspectorScrollRelayout = false;
  // Nesting of the import progress pump; commands are refused while above 0.
  std::int32_t pendingPumpDepth = 0;
  std::wstring importReport = L"Import report: no glTF/GLB import yet.";
  bool inspectorScrollDrag = false;
  std::int32_t inspectorScrollDragStartY = 0;
  std::int32_t inspectorScrollDragStartOffset = 0;
  std::int32_t inspectorScrollOffset = 0;
  std::int32_t inspectorScrollMax = 0;

  // Timeline panel drags.
  std::int32_t timelineActiveRow = 1;  // 0..4
  bool timelineScrubbing = false;
  bool timelineKeyDrag = false;
  bool timelineKeyDragSnapshotTaken = false;
  bool timelineKeyDragMoved = false;
  std::int32_t timelineKeyDragTrack = 0;
  std::int32_t timelineKeyDragFrame = 0;
  std::wstring timelineKeyDragId;

  UiHandles ui;
  std::shared_ptr<ShellHandles> shellHandles;  // null until the shell asks
  LayoutInputs laidOutFor;
  std::shared_ptr<ViewportCaches> viewportCaches;  // null until the first frame
  std::map<std::wstring, TexturePreview> texturePreviews;  // keyed by resolved path
  // What the entries of the cache may decode between two clears of it
  // (textures.h).
  ImagePixelBudget textureDecodeBudget{kTexturePreviewPixelLimit, false};
  // Per-paint memo of the texture path probes, keyed by the map's stored
  // path; active between beginTextureFrame and endTextureFrame (textures.h).
  bool textureFrameActive = false;
  std::map<std::wstring, std::vector<TextureFrameProbe>, std::less<>> textureFrameProbes;
};

// The process's one application state (constructed on first use, destroyed
// at exit). Tests reset it with `appState() = AppState{}`.
AppState& appState();

// Empties the four component selections and the component and curve drag
// lists; nothing else changes (no snapshot, no repaint).
void clearAllComponentSelections();

// "Vertex", "Edge" or "Face"; any value other than Edge and Face reads "Vertex".
std::wstring componentModeName(ComponentMode mode);

}  // namespace vk
