// Edit Mesh mode and its component operations (extrude, inset, bevel,
// delete, merge, flip, recalculate, bridge, fill, loop cut, separate, join),
// and the Edit Curve point commands.
//
// Two layers: pure operations over a MeshData and a component selection
// (they never touch AppState, the status line or the undo stack), and the
// parameterless commands, which run the shared frame around them: guard,
// precondition, edit budget, undo snapshot, change, finalizeMeshEdit.
//
// What the program makes must survive save -> open and undo -> redo. Faces
// produced here always satisfy the project-load guard's face rule (3 to 128
// indices, all in range, no index twice): Merge splits a face that would
// repeat a corner into its simple loops; Fill and curve conversion cut a loop
// of more than 128 corners into fan pieces that share its first corner. The
// commands check each result against the guard's other rules too
// (mesh_guard.h: coordinates, counts, faces without area) before their snapshot.
// Delete, Merge and Separate may leave a mesh with loose vertices and no
// faces; it is labelled "Edited Mesh", and the loader and the undo restore
// keep such a mesh (isEditedFacelessMesh) instead of rebuilding a primitive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/mesh_data.h"
#include "model/types.h"

namespace vk {

class EditTransaction;

// Vertex and face counts an edit may reach (inclusive).
inline constexpr std::int64_t kMeshEditElementLimit = 60000;

inline constexpr double kExtrudeDistance = 0.35;
inline constexpr double kInsetFactor = 0.22;
inline constexpr double kFaceBevelFactor = 0.13;
inline constexpr double kEdgeBevelOffset = 0.12;

// The three Edit Mesh selections as the pure operations read and write them.
struct MeshSelection {
  std::vector<std::int32_t> vertices;
  std::vector<std::int32_t> edges;  // into the derived edge list
  std::vector<std::int32_t> faces;
  bool operator==(const MeshSelection&) const = default;
};

// Worst-case additions an operation asks the edit budget for.
struct MeshGrowth {
  std::int64_t vertices = 0;
  std::int64_t faces = 0;
};

// ---------------------------------------------------------------------------
// Pure operations. Selections are expected pruned (sorted, unique, in range)
// as the guard leaves them; out-of-range entries are skipped anyway. Each
// returns the new selection; the caller derives the mesh afterwards.

// Selected vertices, ends of selected edges, corners of selected faces;
// ascending, unique.
std::vector<std::int32_t> selectionVertexIndices(const MeshData& mesh, const MeshSelection& selection);
// Selected faces, faces holding both ends of a selected edge, faces holding a
// selected vertex; ascending, unique.
std::vector<std::int32_t> facesTouchedBySelection(const MeshData& mesh, const MeshSelection& selection);
// The vertices a component drag moves, by component level.
std::vector<std::int32_t> transformVertexIndices(const MeshData& mesh, const MeshSelection& selection,
                                                 ComponentMode mode);

// Old faces not in `removed` in order, then the valid `added` faces; the
// final index of each appended face goes to `outIndices`.
void replaceFaces(MeshData& mesh, const std::vector<std::int32_t>& removed,
                  const std::vector<MeshFace>& added, std::vector<std::int32_t>& outIndices);

MeshGrowth faceExtrudeGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces);
// Returns the cap faces (the new face selection).
std::vector<std::int32_t> extrudeFaces(MeshData& mesh, const std::vector<std::int32_t>& faces);
// Returns the new quads.
std::vector<std::int32_t> extrudeEdges(MeshData& mesh, const std::vector<std::int32_t>& edges);
// Returns the new loose vertices.
std::vector<std::int32_t> extrudeVertices(MeshData& mesh, const std::vector<std::int32_t>& vertices);

// Budget of an inset over `faces` (the expanded face list).
MeshGrowth insetGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces);
// Replaces each face by its ring of side quads and inner face; returns all of them.
std::vector<std::int32_t> insetFaceList(MeshData& mesh, const std::vector<std::int32_t>& faces, double amount);
// Returns the new quads; the centroid is taken once before any change.
std::vector<std::int32_t> bevelEdges(MeshData& mesh, const std::vector<std::int32_t>& edges);

// Removes selected faces, faces on selected edges and faces around selected
// vertices, then the selected vertices (renumbering the rest).
void deleteComponents(MeshData& mesh, const MeshSelection& selection);
// Welds the listed vertices (ascending, unique, at least 2) into the first at
// their average; returns the welded vertex's index.
std::int32_t mergeVertices(MeshData& mesh, const std::vector<std::int32_t>& list);
// Reverses the listed faces (every face when the list is empty).
void flipFaces(MeshData& mesh, const std::vector<std::int32_t>& faces);
// Makes faces that share edges agree, then turns each connected shell so that
// its faces point out of it (a shell that is not closed: away from the
// centroid on balance).
void recalculateOutsideNormals(MeshData& mesh);
// Reverses a face's corners and, when they pair up one to one, its UV indices.
void reverseFaceWinding(MeshFace& face);

// Returns the new quads, one per selected edge pair.
std::vector<std::int32_t> bridgeEdges(MeshData& mesh, const std::vector<std::int32_t>& edges);
// Orders a vertex loop by angle about its centre in the plane of its Newell normal.
void sortFillLoopByAngle(const MeshData& mesh, std::vector<std::int32_t>& loop);
// Number of faces a loop of this many corners is stored as.
std::int64_t loopFaceCount(std::size_t corners);
// Cuts a corner loop longer than 128 into fan pieces sharing its first corner.
std::vector<std::vector<std::int32_t>> splitLongLoop(std::span<const std::int32_t> loop);
// The face (or fan pieces) Fill builds through the loop, less any piece whose
// corners a face of the mesh already joins.
std::vector<MeshFace> fillLoopFaces(const MeshData& mesh, std::vector<std::int32_t> loop);
// Appends the faces in order; returns their indices.
std::vector<std::int32_t> appendFaces(MeshData& mesh, std::vector<MeshFace> faces);
// Exact additions of a loop cut over `faces` (quads: 2 vertices and 2 faces,
// other valid faces: 1 vertex and one triangle per corner).
MeshGrowth loopCutGrowth(const MeshData& mesh, const std::vector<std::int32_t>& faces);
// Returns every new face.
std::vector<std::int32_t> loopCutFaces(MeshData& mesh, const std::vector<std::int32_t>& faces);

// The listed faces copied into a fresh mesh with compacted vertices and UVs.
MeshData separatedMesh(const MeshData& source, const std::vector<std::int32_t>& faces);
// Appends `source` shifted by `offset`, faces renumbered; material indices kept.
void appendMeshWithOffset(MeshData& target, const MeshData& source, const Vec3& offset);
// Replaces every face longer than 128 corners by its fan pieces.
void splitLongFaces(MeshData& mesh);

// ---------------------------------------------------------------------------
// Mode, guard and finishing step (they read and write AppState).

// "Object", "Edit Mesh" or "Edit Curve"; any other value reads "Object".
std::wstring workModeName(WorkMode mode);
// Editable mesh: kind Mesh or Text with at least one vertex.
bool isEditableMesh(const Object& object);
void setWorkMode(WorkMode mode);
void setComponentMode(ComponentMode mode);
// Guard of every edit-mesh command; hands the active object back on success.
bool selectedEditableMesh(Object** out);
// Count + additions at most 60000 for both; otherwise the budget message.
bool meshBudgetAllows(const MeshData& mesh, std::int64_t addedVertices, std::int64_t addedFaces);
// The end of every edit: the object relabelled and rebuilt, its selection
// repaired, the transaction committed (dirty), the status, the refresh.
void finalizeMeshEdit(EditTransaction& edit, Object& object, const std::wstring& status);

// Selection readers over the active selections of AppState.
std::vector<std::int32_t> collectSelectionVertexIndices(const Object& object);
std::vector<std::int32_t> collectMeshTransformVertices(const Object& object);
std::vector<std::int32_t> expandSelectionToFaces(const Object& object);

// ---------------------------------------------------------------------------
// Edit-mesh commands (no arguments; effects on the active object).

void meshExtrude();
void meshInsetFaces();
// Shared inset of Inset and face Bevel; false when refused.
bool insetFaces(Object& object, double amount, const std::wstring& status);
void meshBevel();
void meshDeleteSelected();
void meshMergeSelected();
void meshFlipNormals();
void meshRecalcNormals();
void meshBridgeEdges();
void meshFillFace();
void meshLoopCut();
void meshSeparateFaces();
void meshJoinVisible();

// ---------------------------------------------------------------------------
// Edit Curve point commands.

// Inserts a point after the largest selected index (or at the end); returns
// the insertion index.
std::int32_t insertCurvePoint(CurveData& curve, const std::vector<std::int32_t>& selection);
// Whether deleting the selection keeps 3 points on a closed curve, 2 on an open one.
bool curvePointsDeletable(const CurveData& curve, const std::vector<std::int32_t>& selection);
void removeCurvePoints(CurveData& curve, const std::vector<std::int32_t>& selection);

bool selectedEditableCurve(Object** out);
void curveAddPoint();
void curveDeleteSelectedPoints();
void curveConvertToMesh();

}  // namespace vk
