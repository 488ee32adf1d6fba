// The popup menus of the menu bar, the toolbar, the projection button and
// the outliner, and the parent chooser. Items are built as a tree from the
// state at opening, then turned into owner-drawn menus and tracked.
#include <algorithm>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "presets/catalogs.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell.h"

namespace vk {

namespace {

constexpr std::size_t kParentCandidateLimit = 512;

PopupItem cmd(std::wstring label, int id) { return PopupItem{std::move(label), id, false, {}}; }
PopupItem sep() { return PopupItem{L"", 0, true, {}}; }
PopupItem sub(std::wstring label, std::vector<PopupItem> items) {
  return PopupItem{std::move(label) + L"  >", 0, false, std::move(items)};
}
PopupItem marked(bool on, const std::wstring& label, int id) { return cmd(on ? L"✓ " + label : label, id); }

std::vector<PopupItem> perspectiveItems() {
  const bool ortho = appState().orthographic;
  return {marked(!ortho, L"Perspective", kCmdPerspective), marked(ortho, L"Orthographic", kCmdOrthographic)};
}

std::vector<PopupItem> lightingCapsules() {
  return {cmd(L"Three-Point Lighting", kCmdLightingCapsuleThreePoint),
          cmd(L"Product Softbox", kCmdLightingCapsuleProductSoftbox),
          cmd(L"Cinematic Rim Accent", kCmdLightingCapsuleCinematicRim),
          cmd(L"Warm Interior Glow", kCmdLightingCapsuleWarmInterior),
          cmd(L"Moonlit Blue Setup", kCmdLightingCapsuleMoonlitBlue)};
}

std::vector<PopupItem> starterCapsules() {
  return {cmd(L"Clean Modeling Scene", kCmdStarterCleanModeling), cmd(L"Product Shot Starter", kCmdStarterProductShot),
          cmd(L"Animation Blocking Setup", kCmdStarterAnimationBlocking),
          cmd(L"Cinematic Turntable Starter", kCmdStarterCinematicTurntable),
          cmd(L"Moonlit Lookdev Starter", kCmdStarterMoonlitLookdev)};
}

std::vector<PopupItem> toolItems() {
  return {cmd(L"Select Tool   Q", kCmdToolSelect), cmd(L"Move Tool   W", kCmdToolMove),
          cmd(L"Rotate Tool   E", kCmdToolRotate), cmd(L"Scale Tool   S", kCmdToolScale)};
}

std::vector<PopupItem> axisItems() {
  return {cmd(L"Axis Constraint: Free   Esc", kCmdAxisFree), cmd(L"Axis Constraint: X   X", kCmdAxisX),
          cmd(L"Axis Constraint: Y   Y", kCmdAxisY), cmd(L"Axis Constraint: Z   Z", kCmdAxisZ)};
}

std::vector<PopupItem> importedMeshItems() {
  return {cmd(L"Toggle Imported Mesh Read-Only", kCmdToggleImportedReadOnly),
          cmd(L"Convert Imported Mesh to Editable", kCmdConvertImportedToEditable),
          cmd(L"Recover Imported Mesh Edit Safety", kCmdRecoverImportedEditSafety),
          cmd(L"Reimport Preserved Source as New Import", kCmdReimportSourceAsset)};
}

std::vector<PopupItem> exportItems() {
  return {cmd(L"Export GLB 2.0 Scene...", kCmdExportGlbScene),
          cmd(L"Export Selected GLB 2.0...", kCmdExportSelectedGlb),
          cmd(L"Export glTF 2.0 JSON Scene...", kCmdExportGltf), cmd(L"Export OBJ Mesh...", kCmdExportObj)};
}

template <typename... Lists>
std::vector<PopupItem> concat(Lists&&... lists) {
  std::vector<PopupItem> out;
  (out.insert(out.end(), lists.begin(), lists.end()), ...);
  return out;
}

std::vector<PopupItem> fileMenu() {
  return concat(std::vector<PopupItem>{cmd(L"New Project", kCmdNewProject), cmd(L"Open Project...", kCmdOpenProject),
                                       cmd(L"Import OBJ Mesh...", kCmdImportObj), sep()},
                exportItems(),
                std::vector<PopupItem>{cmd(L"Save", kCmdSaveProject), cmd(L"Save As...", kCmdSaveProjectAs), sep(),
                                       cmd(L"Exit", kCmdExit)});
}

std::vector<PopupItem> editMenu() {
  return {cmd(L"Undo   Ctrl+Z", kCmdUndo),
          cmd(L"Redo   Ctrl+Y", kCmdRedo),
          sep(),
          cmd(L"Duplicate Selected", kCmdDuplicateSelected),
          cmd(L"Delete Selected", kCmdDeleteSelected),
          cmd(L"Clear Component Selection", kCmdClearComponentSelection),
          sep(),
          cmd(L"Apply Inspector", kCmdApplyInspector),
          cmd(L"Reset Transform", kCmdResetTransform)};
}

std::vector<PopupItem> createMenu() {
  return {
      sub(L"Mesh Primitives", {cmd(L"Cube", kCmdAddCube), cmd(L"Plane", kCmdAddPlane), cmd(L"Sphere", kCmdAddSphere),
                               cmd(L"Cylinder", kCmdAddCylinder), cmd(L"Cone", kCmdAddCone),
                               cmd(L"Torus", kCmdAddTorus), cmd(L"Text Mesh", kCmdAddTextMesh)}),
      sub(L"Curves / Splines",
          {cmd(L"Line Curve", kCmdAddLineCurve), cmd(L"Bezier Curve", kCmdAddBezierCurve),
           cmd(L"Circle Curve", kCmdAddCircleCurve), cmd(L"Rectangle Curve", kCmdAddRectangleCurve)}),
      sub(L"Scene Helpers", {cmd(L"Camera", kCmdAddCamera), cmd(L"Point Light", kCmdAddPointLight),
                             cmd(L"Directional Light", kCmdAddDirectionalLight), cmd(L"Spot Light", kCmdAddSpotLight),
                             cmd(L"Area Light", kCmdAddAreaLight), cmd(L"Empty", kCmdAddEmpty),
                             cmd(L"New Group from Selection", kCmdNewGroup)}),
      sub(L"Lighting Capsules", lightingCapsules()), sub(L"Scene Starter Capsules", starterCapsules())};
}

std::vector<PopupItem> objectMenu() {
  return {sub(L"Mode / Selection",
              {cmd(L"Object Mode   Tab", kCmdObjectMode), cmd(L"Edit Mesh Mode   Tab", kCmdEditMeshMode),
               cmd(L"Edit Curve Mode   4", kCmdEditCurveMode), sep(),
               cmd(L"Mesh Vertex Selection   1", kCmdVertexSelection),
               cmd(L"Mesh Edge Selection   2", kCmdEdgeSelection), cmd(L"Mesh Face Selection   3", kCmdFaceSelection),
               cmd(L"Clear Component Selection", kCmdClearComponentSelection)}),
          sub(L"Tools / Axis", concat(toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
                                      std::vector<PopupItem>{cmd(L"Toggle Snap", kCmdToggleSnap),
                                                             cmd(L"Reset Transform", kCmdResetTransform)})),
          sub(L"Object Operations", concat(std::vector<PopupItem>{cmd(L"Duplicate Selected", kCmdDuplicateSelected),
                                                                  cmd(L"Delete Selected", kCmdDeleteSelected),
                                                                  cmd(L"New Group from Selection", kCmdNewGroup), sep(),
                                                                  cmd(L"Parent Selected To...", kCmdParentSelected),
                                                                  cmd(L"Unparent Selected", kCmdUnparentSelected),
                                                                  cmd(L"Toggle Visibility", kCmdToggleVisibility),
                                                                  cmd(L"Toggle Lock", kCmdToggleLock), sep()},
                                           importedMeshItems())),
          sub(L"Edit Mesh Quick",
              {cmd(L"Extrude Selected   Ctrl+E", kCmdMeshExtrude), cmd(L"Inset Faces   I", kCmdMeshInsetFaces),
               cmd(L"Bevel Selected   B", kCmdMeshBevel), cmd(L"Bridge Edges   Ctrl+B", kCmdMeshBridgeEdges),
               cmd(L"Fill Face   F", kCmdMeshFillFace), cmd(L"Delete Component   Backspace", kCmdMeshDeleteComponent)}),
          sub(L"History / View", {cmd(L"Undo   Ctrl+Z", kCmdUndo), cmd(L"Redo   Ctrl+Y", kCmdRedo), sep(),
                                  cmd(L"Frame Selected", kCmdFrameSelected), cmd(L"Reset View", kCmdResetView),
                                  cmd(L"Toggle Perspective / Orthographic", kCmdToggleProjection),
                                  cmd(L"Toggle Camera View   0", kCmdToggleCameraView),
                                  cmd(L"Set Selected Camera Active   Ctrl+0", kCmdSetSelectedCameraActive),
                                  cmd(L"Toggle Camera Frustum Guides", kCmdToggleFrustumGuides),
                                  cmd(L"Toggle Camera Look Targets", kCmdToggleLookTargets)})};
}

std::vector<PopupItem> meshMenu() {
  return concat(
      std::vector<PopupItem>{cmd(L"Import OBJ Mesh...", kCmdImportObj)}, exportItems(),
      std::vector<PopupItem>{
          sep(), sub(L"Imported Mesh Safety", importedMeshItems()),
          sub(L"Modeling Tools",
              {cmd(L"Extrude Selected   Ctrl+E", kCmdMeshExtrude), cmd(L"Inset Faces   I", kCmdMeshInsetFaces),
               cmd(L"Bevel Selected   B", kCmdMeshBevel), cmd(L"Bridge Edge Pairs   Ctrl+B", kCmdMeshBridgeEdges),
               cmd(L"Loop Cut Placeholder   Ctrl+L", kCmdMeshLoopCut),
               cmd(L"Fill Face   F in Edit Mesh", kCmdMeshFillFace)}),
          sub(L"Cleanup / Normals",
              {cmd(L"Delete Component   Backspace", kCmdMeshDeleteComponent),
               cmd(L"Merge / Weld Selected   M", kCmdMeshMerge), cmd(L"Flip Normals   Ctrl+F", kCmdMeshFlipNormals),
               cmd(L"Recalculate Normals   Ctrl+N", kCmdMeshRecalculateNormals)}),
          sub(L"Separate / Join", {cmd(L"Separate Selected Faces   Ctrl+P", kCmdMeshSeparateFaces),
                                   cmd(L"Join Visible Meshes   Ctrl+J", kCmdMeshJoinVisible)})});
}

std::vector<PopupItem> curveMenu() {
  return {sub(L"Create Curve",
              {cmd(L"Create Line Curve", kCmdAddLineCurve), cmd(L"Create Bezier Curve", kCmdAddBezierCurve),
               cmd(L"Create Circle Curve", kCmdAddCircleCurve), cmd(L"Create Rectangle Curve", kCmdAddRectangleCurve)}),
          sub(L"Edit / Convert",
              {cmd(L"Edit Curve Mode", kCmdEditCurveMode), cmd(L"Add Point   A in Edit Curve", kCmdCurveAddPoint),
               cmd(L"Delete Selected Points   Backspace", kCmdCurveDeletePoints),
               cmd(L"Convert Curve to Mesh Copy   Ctrl+K", kCmdCurveConvertToMesh)})};
}

std::vector<PopupItem> modifierMenu() {
  return {sub(L"Add Modifier",
              {cmd(L"Add Mirror Modifier", kCmdAddMirrorModifier), cmd(L"Add Array Modifier", kCmdAddArrayModifier),
               cmd(L"Add Bevel Modifier", kCmdAddBevelModifier), cmd(L"Add Solidify Modifier", kCmdAddSolidifyModifier),
               cmd(L"Add Subdivision Modifier", kCmdAddSubdivisionModifier), sep(),
               cmd(L"Add Bend Modifier", kCmdAddBendModifier), cmd(L"Add Twist Modifier", kCmdAddTwistModifier),
               cmd(L"Add Taper Modifier", kCmdAddTaperModifier),
               cmd(L"Add Lattice Placeholder Modifier", kCmdAddLatticeModifier),
               cmd(L"Add Unknown Fallback Modifier", kCmdAddUnknownModifier)}),
          sub(L"Stack Controls", {cmd(L"Select Previous Modifier", kCmdSelectPreviousModifier),
                                  cmd(L"Select Next Modifier", kCmdSelectNextModifier),
                                  cmd(L"Enable / Disable Active Modifier", kCmdToggleActiveModifier), sep(),
                                  cmd(L"Move Active Modifier Up", kCmdMoveModifierUp),
                                  cmd(L"Move Active Modifier Down", kCmdMoveModifierDown),
                                  cmd(L"Remove Active Modifier", kCmdRemoveActiveModifier)}),
          sub(L"Mirror / Array",
              {cmd(L"Mirror Active: Toggle X Axis", kCmdMirrorToggleX),
               cmd(L"Mirror Active: Toggle Y Axis", kCmdMirrorToggleY),
               cmd(L"Mirror Active: Toggle Z Axis", kCmdMirrorToggleZ), sep(),
               cmd(L"Array Active: Count +1", kCmdArrayCountUp), cmd(L"Array Active: Count -1", kCmdArrayCountDown),
               cmd(L"Array Active: Offset X +0.25", kCmdArrayOffsetXUp),
               cmd(L"Array Active: Offset X -0.25", kCmdArrayOffsetXDown),
               cmd(L"Array Active: Offset Y +0.25", kCmdArrayOffsetYUp),
               cmd(L"Array Active: Offset Y -0.25", kCmdArrayOffsetYDown),
               cmd(L"Array Active: Offset Z +0.25", kCmdArrayOffsetZUp),
               cmd(L"Array Active: Offset Z -0.25", kCmdArrayOffsetZDown),
               cmd(L"Array Active: Reset Offsets", kCmdArrayResetOffsets)}),
          sub(L"Bevel / Solidify", {cmd(L"Bevel Active: Amount +0.02", kCmdBevelAmountUp),
                                    cmd(L"Bevel Active: Amount -0.02", kCmdBevelAmountDown),
                                    cmd(L"Bevel Active: Segments +1", kCmdBevelSegmentsUp),
                                    cmd(L"Bevel Active: Segments -1", kCmdBevelSegmentsDown), sep(),
                                    cmd(L"Solidify Active: Thickness +0.05", kCmdSolidifyThicknessUp),
                                    cmd(L"Solidify Active: Thickness -0.05", kCmdSolidifyThicknessDown),
                                    cmd(L"Solidify Active: Offset +0.10", kCmdSolidifyOffsetUp),
                                    cmd(L"Solidify Active: Offset -0.10", kCmdSolidifyOffsetDown),
                                    cmd(L"Solidify Active: Reset Defaults", kCmdSolidifyResetDefaults)}),
          sub(L"Subdivision", {cmd(L"Subdivision Active: Viewport Level +1", kCmdSubdivisionViewportLevelUp),
                               cmd(L"Subdivision Active: Viewport Level -1", kCmdSubdivisionViewportLevelDown),
                               cmd(L"Subdivision Active: Render Level +1", kCmdSubdivisionRenderLevelUp),
                               cmd(L"Subdivision Active: Render Level -1", kCmdSubdivisionRenderLevelDown),
                               cmd(L"Subdivision Active: Smoothness +0.10", kCmdSubdivisionSmoothnessUp),
                               cmd(L"Subdivision Active: Smoothness -0.10", kCmdSubdivisionSmoothnessDown),
                               cmd(L"Subdivision Active: Reset Defaults", kCmdSubdivisionResetDefaults)}),
          sub(L"Deformers",
              {cmd(L"Deformer Active: Axis X", kCmdDeformerAxisX), cmd(L"Deformer Active: Axis Y", kCmdDeformerAxisY),
               cmd(L"Deformer Active: Axis Z", kCmdDeformerAxisZ), sep(),
               cmd(L"Bend Active: Angle +15", kCmdBendAngleUp), cmd(L"Bend Active: Angle -15", kCmdBendAngleDown),
               cmd(L"Twist Active: Angle +15", kCmdTwistAngleUp), cmd(L"Twist Active: Angle -15", kCmdTwistAngleDown),
               cmd(L"Taper Active: Strength +0.10", kCmdTaperStrengthUp),
               cmd(L"Taper Active: Strength -0.10", kCmdTaperStrengthDown),
               cmd(L"Lattice Active: Cage Cells +1", kCmdLatticeCellsUp),
               cmd(L"Lattice Active: Cage Cells -1", kCmdLatticeCellsDown),
               cmd(L"Deformer Active: Reset Defaults", kCmdDeformerResetDefaults)})};
}

std::vector<PopupItem> materialMenu() {
  static constexpr const wchar_t* kMaps[6] = {L"Color", L"Normal", L"Roughness", L"Metallic", L"Alpha", L"Emission"};
  std::vector<PopupItem> set, clear;
  for (int i = 0; i < 6; ++i) {
    set.push_back(
        cmd(std::wstring(L"Set ") + (i == 0 ? L"Color / Albedo" : kMaps[i]) + L" Map...", kCmdSetColorMap + i));
    clear.push_back(cmd(std::wstring(L"Clear ") + kMaps[i] + L" Map", kCmdClearColorMap + i));
  }
  clear.push_back(sep());
  clear.push_back(cmd(L"Refresh Missing Texture Status", kCmdRefreshTextureStatus));
  return {
      sub(L"Material Slots",
          {cmd(L"Previous Material Slot", kCmdPreviousMaterialSlot), cmd(L"Next Material Slot", kCmdNextMaterialSlot),
           cmd(L"Add New Material Slot", kCmdAddMaterialSlot),
           cmd(L"Duplicate Active Material Slot", kCmdDuplicateMaterialSlot),
           cmd(L"Remove Active Material Slot", kCmdRemoveMaterialSlot)}),
      sub(L"Presets",
          {cmd(L"Veltrask Blue", kCmdMaterialPresetBlue), cmd(L"Brushed Gold", kCmdMaterialPresetGold),
           cmd(L"Polished Chrome", kCmdMaterialPresetChrome), cmd(L"Preview Glass", kCmdMaterialPresetGlass),
           cmd(L"Arc Emissive", kCmdMaterialPresetEmissive)}),
      sub(L"Material Capsules",
          {cmd(L"Blue Anodized Metal", kCmdMaterialCapsuleBlue), cmd(L"Red Gloss Paint", kCmdMaterialCapsuleRedPaint),
           cmd(L"Chrome Paint", kCmdMaterialCapsuleChrome), cmd(L"Black Rubber", kCmdMaterialCapsuleRubber),
           cmd(L"Frosted Glass", kCmdMaterialCapsuleFrostedGlass),
           cmd(L"Arc Emission Cyan", kCmdMaterialCapsuleEmissive), sep(),
           cmd(L"Apply Selected Capsule Browser Material", kCmdApplyBrowserMaterialCapsule)}),
      sub(L"Assign / PBR Fields", {cmd(L"Assign Active Material to Selected Faces", kCmdAssignMaterialToFaces), sep(),
                                   cmd(L"Roughness +0.05", kCmdRoughnessUp), cmd(L"Roughness -0.05", kCmdRoughnessDown),
                                   cmd(L"Metallic +0.05", kCmdMetallicUp), cmd(L"Metallic -0.05", kCmdMetallicDown)}),
      sub(L"Texture Maps: Set", set),
      sub(L"Texture Maps: Clear / Status", clear)};
}

std::vector<PopupItem> viewMenu() {
  return {sub(L"Viewport", concat(std::vector<PopupItem>{cmd(L"Frame Selected   F", kCmdFrameSelected),
                                                         cmd(L"Reset View   R", kCmdResetView)},
                                  perspectiveItems(),
                                  std::vector<PopupItem>{cmd(L"Toggle Projection   P", kCmdToggleProjection),
                                                         cmd(L"Toggle Camera View   0", kCmdToggleCameraView)})),
          sub(L"Camera Guides", {cmd(L"Toggle Camera Frustum Guides", kCmdToggleFrustumGuides),
                                 cmd(L"Toggle Look Target + Coverage Cues", kCmdToggleLookTargets),
                                 cmd(L"Set Selected Camera Active   Ctrl+0", kCmdSetSelectedCameraActive)}),
          sub(L"Viewport Shading",
              {cmd(L"Wireframe   4", kCmdShadingWireframe), cmd(L"Solid   5", kCmdShadingSolid),
               cmd(L"Lit   6", kCmdShadingLit), cmd(L"Material Preview   7", kCmdShadingMaterialPreview),
               cmd(L"Cycle Shading", kCmdCycleShading)}),
          sub(L"Cameras", {cmd(L"Add Camera", kCmdAddCamera),
                           cmd(L"Set Selected Camera Active   Ctrl+0", kCmdSetSelectedCameraActive),
                           cmd(L"Clear Active Camera", kCmdClearActiveCamera)}),
          sub(L"Create Lights",
              {cmd(L"Add Point Light", kCmdAddPointLight), cmd(L"Add Directional Light", kCmdAddDirectionalLight),
               cmd(L"Add Spot Light", kCmdAddSpotLight), cmd(L"Add Area Light", kCmdAddAreaLight)}),
          sub(L"Lighting Capsules", lightingCapsules()),
          sub(L"Scene Starter Capsules", starterCapsules()),
          sub(L"Selected Light Type", {cmd(L"Selected Light Type: Point", kCmdLightTypePoint),
                                       cmd(L"Selected Light Type: Directional", kCmdLightTypeDirectional),
                                       cmd(L"Selected Light Type: Spot", kCmdLightTypeSpot),
                                       cmd(L"Selected Light Type: Area", kCmdLightTypeArea)}),
          sub(L"Selected Light Controls",
              {cmd(L"Intensity +0.25", kCmdLightIntensityUp), cmd(L"Intensity -0.25", kCmdLightIntensityDown),
               cmd(L"Range +1", kCmdLightRangeUp), cmd(L"Range -1", kCmdLightRangeDown),
               cmd(L"Spot Angle +5", kCmdLightSpotAngleUp), cmd(L"Spot Angle -5", kCmdLightSpotAngleDown),
               cmd(L"Area Size +0.25", kCmdLightAreaSizeUp), cmd(L"Area Size -0.25", kCmdLightAreaSizeDown)})};
}

std::vector<PopupItem> renderMenu() {
  const bool crop = appState().project.scene.renderSettings.cropCameraFrame;
  return {sub(L"Export Still",
              {cmd(L"Export Still PNG...", kCmdExportStillPng), cmd(L"Export Still JPEG...", kCmdExportStillJpeg),
               sep(), cmd(L"Export Active Camera PNG...", kCmdExportActiveCameraPng),
               cmd(L"Export Active Camera JPEG...", kCmdExportActiveCameraJpeg),
               cmd(L"Export Viewport PNG...", kCmdExportViewportPng),
               cmd(L"Export Viewport JPEG...", kCmdExportViewportJpeg)}),
          sub(L"Render Source", {cmd(L"Source: Active Camera", kCmdRenderSourceCamera),
                                 cmd(L"Source: Current Viewport", kCmdRenderSourceViewport)}),
          sub(L"Output Size",
              {cmd(L"Use Current Viewport Size", kCmdRenderSizeViewport), cmd(L"1280 x 720", kCmdRenderSize720p),
               cmd(L"1920 x 1080", kCmdRenderSize1080p), cmd(L"2560 x 1440", kCmdRenderSize1440p)}),
          sep(),
          cmd(crop ? L"Camera-frame Crop: On" : L"Camera-frame Crop: Off", kCmdToggleRenderCameraCrop),
          cmd(L"Render Settings / Status...", kCmdShowRenderSettings)};
}

std::vector<PopupItem> toolsMenu() {
  return concat(
      toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
      std::vector<PopupItem>{sep(), cmd(appState().snapEnabled ? L"Disable Snap" : L"Enable Snap", kCmdToggleSnap),
                             cmd(L"Frame Selected", kCmdFrameSelected), cmd(L"Reset View", kCmdResetView)});
}

std::vector<PopupItem> windowMenu() {
  const bool shown = appState().project.scene.timelineSettings.showTimelinePanel;
  return concat(std::vector<PopupItem>{cmd(shown ? L"Hide Timeline / Curves" : L"Show Timeline / Curves",
                                           kCmdToggleTimelinePanel)},
                perspectiveItems(),
                std::vector<PopupItem>{
                    cmd(L"Toggle Projection", kCmdToggleProjection), cmd(L"Toggle Camera View", kCmdToggleCameraView),
                    sep(), cmd(L"Reset Workspace Layout", kCmdResetWorkspaceLayout), sep(),
                    cmd(L"Timeline Command Set...", kMenuTimeline), cmd(L"Presets Catalog...", kMenuPresets),
                    cmd(L"Capsules Catalog...", kMenuCapsules)});
}

std::vector<PopupItem> keyTrackItems(const wchar_t* kind, int base, const wchar_t* setHint, bool navHints) {
  const std::wstring k = kind;
  std::vector<PopupItem> items{cmd(L"Set / Update " + k + L" Key" + setHint, base),
                               cmd(L"Delete " + k + L" Key at Frame", base + 1),
                               cmd(L"Previous " + k + L" Key" + (navHints ? L"   ," : L""), base + 2),
                               cmd(L"Next " + k + L" Key" + (navHints ? L"   ." : L""), base + 3)};
  return items;
}

std::vector<PopupItem> timelineMenu() {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  auto transform = keyTrackItems(L"Transform", kCmdSetTransformKey, L"   K", true);
  transform.insert(transform.end(), {cmd(L"Apply Keyed Transform at Frame", kCmdApplyTransformKeys), sep(),
                                     cmd(L"Clear Selected Object Transform Keys", kCmdClearTransformKeys)});
  auto camera = keyTrackItems(L"Camera", kCmdSetCameraKey, L"   Shift+C", false);
  camera.insert(camera.end(), {cmd(L"Apply Keyed Camera Settings", kCmdApplyCameraKeys), sep(),
                               cmd(L"Clear Selected Camera Keys", kCmdClearCameraKeys)});
  auto light = keyTrackItems(L"Light", kCmdSetLightKey, L"   Shift+L", false);
  light.insert(light.end(), {cmd(L"Apply Keyed Light Settings", kCmdApplyLightKeys), sep(),
                             cmd(L"Clear Selected Light Keys", kCmdClearLightKeys)});
  return {
      sub(L"Frame Navigation",
          {cmd(L"Go to Start   Home", kCmdTimelineGoToStart), cmd(L"Previous Frame   Left", kCmdTimelinePreviousFrame),
           cmd(L"Next Frame   Right", kCmdTimelineNextFrame), cmd(L"Go to End   End", kCmdTimelineGoToEnd)}),
      sub(L"Bridge Settings",
          {cmd(L"Apply Timeline Fields", kCmdApplyTimelineFields),
           cmd(L"Reset Range: 1-120 @ 24 fps", kCmdResetTimelineRange),
           cmd(t.loopPlayback ? L"Loop Playback: On" : L"Loop Playback: Off", kCmdToggleLoopPlayback),
           cmd(t.showTimelinePanel ? L"Timeline Panel: Shown" : L"Timeline Panel: Hidden", kCmdToggleTimelinePanel)}),
      sub(L"Transform Keyframes", transform),
      sub(L"Camera Keyframes", camera),
      sub(L"Light Keyframes", light),
      sub(L"Keyframe Inspector", {cmd(L"Select Current Frame Key", kCmdSelectCurrentFrameKey),
                                  cmd(L"Select Previous Inspector Key", kCmdSelectPreviousInspectorKey),
                                  cmd(L"Select Next Inspector Key", kCmdSelectNextInspectorKey), sep(),
                                  cmd(L"Apply Inspector Frame / Interp / Note", kCmdApplyKeyInspectorFields),
                                  cmd(L"Capture Object Values to Key", kCmdCaptureKeyValues),
                                  cmd(L"Apply Selected Key to Object", kCmdApplyKeyToObject),
                                  cmd(L"Delete Selected Inspector Key", kCmdDeleteInspectorKey), sep(),
                                  cmd(L"Set Selected Key: Linear", kCmdKeyInterpolationLinear),
                                  cmd(L"Set Selected Key: Hold", kCmdKeyInterpolationHold),
                                  cmd(L"Set Selected Key: Ease In", kCmdKeyInterpolationEaseIn),
                                  cmd(L"Set Selected Key: Ease Out", kCmdKeyInterpolationEaseOut),
                                  cmd(L"Set Selected Key: Ease In Out", kCmdKeyInterpolationEaseInOut)}),
      sep(),
      cmd(L"Focus Timeline on Selected Object", kCmdFocusTimelineOnSelection)};
}

// The preset and capsule popups share one pattern around their own
// categories and catalog items.
std::vector<PopupItem> browserMenu(const std::wstring& panel, bool shown, int panelId, const std::wstring& noun,
                                   PopupItem categories, const wchar_t* catalog, std::vector<PopupItem> rows) {
  return {cmd(panel + (shown ? L": Shown" : L": Hidden"), panelId),
          cmd(L"Preview Selected " + noun + L"...", panelId + 3),
          cmd(L"Apply Selected " + noun, panelId + 4),
          sep(),
          cmd(L"Previous " + noun, panelId + 1),
          cmd(L"Next " + noun, panelId + 2),
          std::move(categories),
          sub(catalog, std::move(rows))};
}

// One item per catalog row: its category, ": " and its name.
template <typename Row, typename Name>
std::vector<PopupItem> catalogItems(const std::vector<Row>& rows, int base, Name name) {
  std::vector<PopupItem> items;
  for (std::size_t i = 0; i < rows.size(); ++i)
    items.push_back(cmd(rows[i].category + L": " + name(rows[i]), base + static_cast<int>(i)));
  return items;
}

std::vector<PopupItem> presetsMenu() {
  return browserMenu(L"Browser Panel", appState().project.scene.presetBrowser.visible, kCmdTogglePresetBrowser,
                     L"Preset",
                     sub(L"Category Filter",
                         {cmd(L"All Categories", kCmdPresetCategoryAll), cmd(L"Starter", kCmdPresetCategoryStarter),
                          cmd(L"Material", kCmdPresetCategoryMaterial), cmd(L"Lighting", kCmdPresetCategoryLighting),
                          cmd(L"Camera", kCmdPresetCategoryCamera), cmd(L"Animation", kCmdPresetCategoryAnimation)}),
                     L"Built-in Catalog",
                     catalogItems(presetCatalog(), kCmdPresetCatalogBase,
                                  [](const PresetDefinition& row) { return row.name; }));
}

std::vector<PopupItem> capsulesMenu() {
  std::vector<PopupItem> items = browserMenu(
      L"Capsule Panel", appState().project.scene.capsuleBrowser.visible, kCmdToggleCapsuleBrowser, L"Capsule",
      sub(L"Capsule Category",
          {cmd(L"All Categories", kCmdCapsuleCategoryAll), cmd(L"Object Kit", kCmdCapsuleCategoryObjectKit),
           cmd(L"Workflow", kCmdCapsuleCategoryWorkflow), cmd(L"Starter", kCmdCapsuleCategoryStarter),
           cmd(L"Material", kCmdCapsuleCategoryMaterial), cmd(L"Lighting", kCmdCapsuleCategoryLighting),
           cmd(L"Experimental", kCmdCapsuleCategoryExperimental)}),
      L"Built-in Capsules",
      catalogItems(capsuleCatalog(), kCmdCapsuleCatalogBase, [](const CapsuleDefinition& row) { return row.title; }));
  items.push_back(sub(L"Scene Starter Capsules", starterCapsules()));
  return items;
}

// The labels are the items' own strings: they live as long as `items`,
// which outlives the tracking.
HMENU buildMenu(const std::vector<PopupItem>& items) {
  HMENU menu = createThemedPopupMenu();
  if (!menu) return nullptr;
  for (const PopupItem& item : items) {
    if (item.separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (item.label.size() >= 3 && item.label.ends_with(L"  >")) {
      HMENU child = buildMenu(item.submenu);
      if (child) AppendMenuW(menu, MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(child), item.label.c_str());
    } else {
      AppendMenuW(menu, MF_OWNERDRAW, static_cast<UINT_PTR>(item.id), item.label.c_str());
    }
  }
  return menu;
}

POINT belowAnchor(HWND anchor) {
  RECT r{};
  if (anchor) GetWindowRect(anchor, &r);
  return POINT{r.left, r.bottom + 2};
}

}  // namespace

std::vector<PopupItem> popupMenuItems(int menuId) {
  switch (menuId) {
    case kMenuFile:
      return fileMenu();
    case kMenuEdit:
      return editMenu();
    case kMenuCreate:
      return createMenu();
    case kMenuObject:
      return objectMenu();
    case kMenuMesh:
      return meshMenu();
    case kMenuCurve:
      return curveMenu();
    case kMenuModifier:
      return modifierMenu();
    case kMenuMaterial:
      return materialMenu();
    case kMenuView:
      return viewMenu();
    case kMenuRender:
      return renderMenu();
    case kMenuTools:
      return toolsMenu();
    case kMenuWindow:
      return windowMenu();
    case kMenuTimeline:
      return timelineMenu();
    case kMenuPresets:
      return presetsMenu();
    case kMenuCapsules:
      return capsulesMenu();
    case kMenuSelection:
      return {cmd(L"Selection: Object Mode", kCmdObjectMode),
              cmd(L"Selection: Mesh Vertices   1", kCmdVertexSelection),
              cmd(L"Selection: Mesh Edges   2", kCmdEdgeSelection),
              cmd(L"Selection: Mesh Faces   3", kCmdFaceSelection),
              cmd(L"Selection: Curve Points", kCmdEditCurveMode),
              cmd(L"Clear Component/Point Selection", kCmdClearComponentSelection)};
    case kMenuAxis:
      return axisItems();
    default:
      return {cmd(L"About Phase 65.6", kCmdShowPhaseNotes), cmd(L"Copyright", kCmdShowCopyright)};
  }
}

std::vector<PopupItem> projectionMenuItems() {
  return concat(
      perspectiveItems(),
      std::vector<PopupItem>{sep(), marked(appState().cameraView, L"Camera View", kCmdToggleCameraView), sep(),
                             cmd(L"Frame Selected", kCmdFrameSelected), cmd(L"Reset View", kCmdResetView)});
}

std::vector<PopupItem> outlinerContextMenuItems() {
  return {cmd(L"New Group from Selection", kCmdNewGroup),
          cmd(L"Parent Selected To...", kCmdParentSelected),
          cmd(L"Unparent Selected", kCmdUnparentSelected),
          sep(),
          cmd(L"Toggle Visibility", kCmdToggleVisibility),
          cmd(L"Toggle Lock", kCmdToggleLock),
          sep(),
          cmd(L"Duplicate Selected", kCmdDuplicateSelected),
          cmd(L"Delete Selected", kCmdDeleteSelected),
          cmd(L"Reset Transform", kCmdResetTransform),
          sep(),
          cmd(L"Set Selected Camera Active", kCmdSetSelectedCameraActive),
          cmd(L"Toggle Camera View", kCmdToggleCameraView),
          cmd(L"Toggle Camera Frustum Guides", kCmdToggleFrustumGuides)};
}

std::vector<PopupItem> parentChooserItems() {
  AppState& app = appState();
  app.parentCandidateIds.clear();
  std::vector<PopupItem> items;
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected) return items;
  const std::wstring selectedId = selected->id;
  for (const Object& object : app.project.scene.objects) {
    if (app.parentCandidateIds.size() >= kParentCandidateLimit) break;
    if (!canParentTo(selectedId, object.id)) continue;
    items.push_back(
        cmd(L"Parent to " + object.name, kCmdParentChooserBase + static_cast<int>(app.parentCandidateIds.size())));
    app.parentCandidateIds.push_back(object.id);
  }
  if (items.empty()) items.push_back(cmd(L"No valid parent targets", 0));
  return items;
}

int trackPopupItems(const std::vector<PopupItem>& items, int x, int y, HWND owner) {
  HMENU menu = buildMenu(items);
  if (!menu) return 0;
  const int chosen = static_cast<int>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, x, y,
                                                       owner ? owner : appState().ui.mainWindow, nullptr));
  DestroyMenu(menu);
  return chosen;
}

void showPopupMenu(HWND owner, HWND anchor, int menuId) {
  if (menuId == kCmdToggleProjection) {
    showProjectionMenu(owner, anchor);
    return;
  }
  const POINT at = belowAnchor(anchor);
  const int chosen = trackPopupItems(popupMenuItems(menuId), at.x, at.y, appState().ui.mainWindow ? appState().ui.mainWindow : owner);
  if (chosen != 0) handleCommand(chosen);
}

void showProjectionMenu(HWND owner, HWND button) {
  const POINT at = belowAnchor(button);
  const int chosen = trackPopupItems(projectionMenuItems(), at.x, at.y, owner);
  if (chosen != 0 && owner) SendMessageW(owner, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
}

void showParentMenu(HWND anchor) {
  if (!findObjectById(appState().selectedObjectId)) return;
  const std::vector<PopupItem> items = parentChooserItems();
  const POINT at = belowAnchor(anchor ? anchor : appState().ui.mainWindow);
  const int chosen = trackPopupItems(items, at.x, at.y, appState().ui.mainWindow);
  if (chosen >= kCmdParentChooserBase) handleCommand(chosen);
}

void showOutlinerContextMenu(HWND owner, POINT screen) {
  HWND list = appState().ui.outlinerList;
  POINT at = screen;
  if (screen.x == -1 && screen.y == -1) {
    RECT r{};
    if (list) GetWindowRect(list, &r);
    at = POINT{r.left + 24, r.top + 48};
  } else if (list) {
    POINT client = screen;
    ScreenToClient(list, &client);
    const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    // The high word is set when the point lies outside every item.
    if (HIWORD(hit) == 0) {
      SendMessageW(list, LB_SETCURSEL, LOWORD(hit), 0);
      onOutlinerSelectionChanged();
    }
  }
  const int chosen = trackPopupItems(outlinerContextMenuItems(), at.x, at.y, owner);
  if (chosen != 0) handleCommand(chosen);
}

}  // namespace vk
