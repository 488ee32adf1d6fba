// The viewport's input: picking of objects, mesh components, curve points
// and gizmo handles; the right, middle and wheel navigation with the camera
// aim; the left-button transform drags; the keyboard shortcut table.
//
// Coordinates are viewport client pixels; the client rectangle is the
// viewport window's (1 x 1 at least, as the paint sees it).
#pragma once

#include <cstdint>
#include <vector>

#include "model/app_state.h"
#include "model/types.h"
#include "platform/win32.h"

namespace vk {

// The viewport window's client rectangle, each side at least 1.
RECT viewportClientRect();

// A Mesh or Text with at least one vertex; a Curve with control points.
bool hasMeshVertices(const Object& object);
bool isCurveWithPoints(const Object* object);

// ---- Hit tests --------------------------------------------------------------

// Even-odd rule; fewer than three points never contain anything. Exact for
// every coordinate the projection can produce.
bool pointInScreenPolygon(const std::vector<POINT>& polygon, int x, int y);
double distanceSquaredToSegment(POINT a, POINT b, int x, int y);
// The move gizmo axis (1..3) within 16 px of the click, 0 for none; only
// with the Move tool and a selected object.
int gizmoAxisAt(const RECT& clientRect, int x, int y);

// ---- Clicks -------------------------------------------------------------------

// The left press: gizmo handles, then picking or a drag start by mode and tool.
void beginViewportClick(int x, int y);
void viewportPickObject(int x, int y);
void selectComponentAt(int x, int y);
void selectCurvePointAt(int x, int y);

// ---- Navigation -----------------------------------------------------------------

// The zoom and orbit pivot: the selected object's position, else the scene centre.
Vec3 navigationPivot();
// Right press: camera aim, dolly, pan or orbit by mode and modifiers.
void beginRightButtonDrag(int x, int y, bool ctrl, bool shift);
void beginMiddleButtonPan(int x, int y);
// One mouse move without a left drag: aim, dolly, orbit or pan.
void applyNavigationMove(int x, int y);
// One wheel message: one zoom step about the pivot whatever the delta's size.
void applyWheelZoom(int delta);
// Starts turning the selected camera; false (with its status) when refused.
bool beginCameraAimDrag(int x, int y);

// ---- Transform drags ---------------------------------------------------------------

// The drag starts beginViewportClick hands over to; each captures the
// mouse and takes one undo snapshot. The curve drag refuses a locked curve.
void beginObjectDrag(int x, int y);
bool beginCurvePointDrag(int x, int y);
bool beginMeshComponentTransform(int x, int y);
// World offset of a drag from `start` to `current`: along the constrained
// axis's projected handle, or in the world X-Y plane when free.
Vec3 moveOffsetFromDrag(const RECT& clientRect, const Vec3& origin, AxisConstraint axis, POINT start,
                        POINT current);
// One mouse move of the left drag; every value from the start state.
void applyViewportDrag(int x, int y);

// ---- Ending drags ----------------------------------------------------------------------

// The left release: the drag ends, a drag that never left its press point
// takes its snapshot back. Nothing when no left drag runs.
void endLeftDrag();
// The right release: the four navigation flags and the anchor cleared; an
// aim drag that never moved takes its snapshot back.
void endNavigationDrags();
// Gives the mouse capture back only when no drag of the viewport remains.
void releaseViewportCaptureWhenIdle();
void endMiddleButtonPan();
// The capture went elsewhere: every drag ends as its release would.
void abandonViewportDrags();

// ---- Keyboard -----------------------------------------------------------------------------

// One WM_KEYDOWN of the viewport; every key is consumed.
void handleViewportKey(UINT key, bool ctrl, bool shift);
// The mouse, wheel, key and capture messages of the viewport window; false
// for the messages it leaves to the window procedure (each handled one
// returns 0).
bool handleViewportInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vk
