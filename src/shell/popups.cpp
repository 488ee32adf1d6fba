// The popup menus of the menu bar, the toolbar, the projection button and
// the outliner, and the parent chooser. Items are built as a tree from the
// state at opening, then turned into owner-drawn menus and tracked.
//
// Sections:
//   - Item builders
//   - The menu bar's menus
//   - Preset and capsule popups
//   - Owner-drawn menus
//   - Popups by id, and showing them
#include <utility>
#include <algorithm>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "presets/catalogs.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/commands.h"
#include "shell/shell.h"

namespace vk {

// ---- Item builders ----------------------------------------------------------
namespace {

constexpr std::size_t kParentCandidateLimit = 512;

PopupItem cmd(std::wstring label, int id) { return PopupItem{std::move(label), id, false, {}}; }
PopupItem sep() { return PopupItem{L"", 0, true, {}}; }
PopupItem sub(std::wstring label, std::vector<PopupItem> items) {
  return PopupItem{std::move(label) + L"  >", 0, false, std::move(items)};
}
// A command's item with its row's caption: with the key hint, or plain.
std::wstring caption(int id) {
  const CommandRow* row = findCommandRow(id);
  return row && row->menu ? row->menu : L"";
}
PopupItem item(int id) {
  const CommandRow* row = findCommandRow(id);
  return cmd(row && row->shortcut ? caption(id) + L"   " + row->shortcut : caption(id), id);
}
PopupItem plain(int id) { return cmd(caption(id), id); }
// A command with a state under the caption its row gives that state: its
// own two captions or a tick (stateItem), or the caption, ": " and a word
// (statedItem).
PopupItem stateItem(int id) {
  const CommandRow* row = findCommandRow(id);
  return cmd(row ? commandStateCaption(*row) : L"", id);
}
PopupItem statedItem(int id) {
  const CommandRow* row = findCommandRow(id);
  return cmd(row ? commandStatedCaption(*row) : L"", id);
}

std::vector<PopupItem> perspectiveItems() { return {stateItem(kCmdPerspective), stateItem(kCmdOrthographic)}; }

std::vector<PopupItem> lightingCapsules() {
  return {item(kCmdLightingCapsuleThreePoint),
          item(kCmdLightingCapsuleProductSoftbox),
          item(kCmdLightingCapsuleCinematicRim),
          item(kCmdLightingCapsuleWarmInterior),
          item(kCmdLightingCapsuleMoonlitBlue)};
}

std::vector<PopupItem> starterCapsules() {
  return {item(kCmdStarterCleanModeling), item(kCmdStarterProductShot),
          item(kCmdStarterAnimationBlocking),
          item(kCmdStarterCinematicTurntable),
          item(kCmdStarterMoonlitLookdev)};
}

std::vector<PopupItem> toolItems() {
  return {item(kCmdToolSelect), item(kCmdToolMove),
          item(kCmdToolRotate), item(kCmdToolScale)};
}

std::vector<PopupItem> axisItems() {
  return {item(kCmdAxisFree), item(kCmdAxisX),
          item(kCmdAxisY), item(kCmdAxisZ)};
}

std::vector<PopupItem> importedMeshItems() {
  return {item(kCmdToggleImportedReadOnly),
          item(kCmdConvertImportedToEditable),
          item(kCmdRecoverImportedEditSafety),
          item(kCmdReimportSourceAsset)};
}

std::vector<PopupItem> exportItems() {
  return {item(kCmdExportGlbScene),
          item(kCmdExportSelectedGlb),
          item(kCmdExportGltf), item(kCmdExportObj)};
}

template <typename... Lists>
std::vector<PopupItem> concat(Lists&&... lists) {
  std::vector<PopupItem> out;
  (out.insert(out.end(), lists.begin(), lists.end()), ...);
  return out;
}

// ---- The menu bar's menus ---------------------------------------------------
std::vector<PopupItem> fileMenu() {
  return concat(std::vector<PopupItem>{item(kCmdNewProject), item(kCmdOpenProject),
                                       item(kCmdImportObj), sep()},
                exportItems(),
                std::vector<PopupItem>{item(kCmdSaveProject), item(kCmdSaveProjectAs), sep(),
                                       item(kCmdExit)});
}

std::vector<PopupItem> editMenu() {
  return {item(kCmdUndo),
          item(kCmdRedo),
          sep(),
          item(kCmdDuplicateSelected),
          item(kCmdDeleteSelected),
          item(kCmdClearComponentSelection),
          sep(),
          item(kCmdApplyInspector),
          item(kCmdResetTransform)};
}

std::vector<PopupItem> createMenu() {
  return {
      sub(L"Mesh Primitives", {item(kCmdAddCube), item(kCmdAddPlane), item(kCmdAddSphere),
                               item(kCmdAddCylinder), item(kCmdAddCone),
                               item(kCmdAddTorus), item(kCmdAddTextMesh)}),
      sub(L"Curves / Splines",
          {item(kCmdAddLineCurve), item(kCmdAddBezierCurve),
           item(kCmdAddCircleCurve), item(kCmdAddRectangleCurve)}),
      sub(L"Scene Helpers", {item(kCmdAddCamera), item(kCmdAddPointLight),
                             item(kCmdAddDirectionalLight), item(kCmdAddSpotLight),
                             item(kCmdAddAreaLight), item(kCmdAddEmpty),
                             item(kCmdNewGroup)}),
      sub(L"Lighting Capsules", lightingCapsules()), sub(L"Scene Starter Capsules", starterCapsules())};
}

std::vector<PopupItem> objectMenu() {
  return {sub(L"Mode / Selection",
              {item(kCmdObjectMode), item(kCmdEditMeshMode),
               item(kCmdEditCurveMode), sep(),
               item(kCmdVertexSelection),
               item(kCmdEdgeSelection), item(kCmdFaceSelection),
               item(kCmdClearComponentSelection)}),
          sub(L"Tools / Axis", concat(toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
                                      std::vector<PopupItem>{item(kCmdToggleSnap),
                                                             item(kCmdResetTransform)})),
          sub(L"Object Operations", concat(std::vector<PopupItem>{item(kCmdDuplicateSelected),
                                                                  item(kCmdDeleteSelected),
                                                                  item(kCmdNewGroup), sep(),
                                                                  item(kCmdParentSelected),
                                                                  item(kCmdUnparentSelected),
                                                                  item(kCmdToggleVisibility),
                                                                  item(kCmdToggleLock), sep()},
                                           importedMeshItems())),
          sub(L"Edit Mesh Quick",
              {item(kCmdMeshExtrude), item(kCmdMeshInsetFaces),
               item(kCmdMeshBevel), item(kCmdMeshBridgeEdges),
               item(kCmdMeshFillFace), item(kCmdMeshDeleteComponent)}),
          sub(L"History / View", {item(kCmdUndo), item(kCmdRedo), sep(),
                                  plain(kCmdFrameSelected), plain(kCmdResetView),
                                  cmd(L"Toggle Perspective / Orthographic", kCmdToggleProjection),
                                  item(kCmdToggleCameraView),
                                  item(kCmdSetSelectedCameraActive),
                                  item(kCmdToggleFrustumGuides),
                                  item(kCmdToggleLookTargets)})};
}

std::vector<PopupItem> meshMenu() {
  return concat(
      std::vector<PopupItem>{item(kCmdImportObj)}, exportItems(),
      std::vector<PopupItem>{
          sep(), sub(L"Imported Mesh Safety", importedMeshItems()),
          sub(L"Modeling Tools",
              {item(kCmdMeshExtrude), item(kCmdMeshInsetFaces),
               item(kCmdMeshBevel), cmd(L"Bridge Edge Pairs   Ctrl+B", kCmdMeshBridgeEdges),
               item(kCmdMeshLoopCut),
               cmd(L"Fill Face   F in Edit Mesh", kCmdMeshFillFace)}),
          sub(L"Cleanup / Normals",
              {item(kCmdMeshDeleteComponent),
               item(kCmdMeshMerge), item(kCmdMeshFlipNormals),
               item(kCmdMeshRecalculateNormals)}),
          sub(L"Separate / Join", {item(kCmdMeshSeparateFaces),
                                   item(kCmdMeshJoinVisible)})});
}

std::vector<PopupItem> curveMenu() {
  return {sub(L"Create Curve",
              {cmd(L"Create Line Curve", kCmdAddLineCurve), cmd(L"Create Bezier Curve", kCmdAddBezierCurve),
               cmd(L"Create Circle Curve", kCmdAddCircleCurve), cmd(L"Create Rectangle Curve", kCmdAddRectangleCurve)}),
          sub(L"Edit / Convert",
              {plain(kCmdEditCurveMode), item(kCmdCurveAddPoint),
               item(kCmdCurveDeletePoints),
               item(kCmdCurveConvertToMesh)})};
}

std::vector<PopupItem> modifierMenu() {
  return {sub(L"Add Modifier",
              {item(kCmdAddMirrorModifier), item(kCmdAddArrayModifier),
               item(kCmdAddBevelModifier), item(kCmdAddSolidifyModifier),
               item(kCmdAddSubdivisionModifier), sep(),
               item(kCmdAddBendModifier), item(kCmdAddTwistModifier),
               item(kCmdAddTaperModifier),
               item(kCmdAddLatticeModifier),
               item(kCmdAddUnknownModifier)}),
          sub(L"Stack Controls", {item(kCmdSelectPreviousModifier),
                                  item(kCmdSelectNextModifier),
                                  item(kCmdToggleActiveModifier), sep(),
                                  item(kCmdMoveModifierUp),
                                  item(kCmdMoveModifierDown),
                                  item(kCmdRemoveActiveModifier)}),
          sub(L"Mirror / Array",
              {item(kCmdMirrorToggleX),
               item(kCmdMirrorToggleY),
               item(kCmdMirrorToggleZ), sep(),
               item(kCmdArrayCountUp), item(kCmdArrayCountDown),
               item(kCmdArrayOffsetXUp),
               item(kCmdArrayOffsetXDown),
               item(kCmdArrayOffsetYUp),
               item(kCmdArrayOffsetYDown),
               item(kCmdArrayOffsetZUp),
               item(kCmdArrayOffsetZDown),
               item(kCmdArrayResetOffsets)}),
          sub(L"Bevel / Solidify", {item(kCmdBevelAmountUp),
                                    item(kCmdBevelAmountDown),
                                    item(kCmdBevelSegmentsUp),
                                    item(kCmdBevelSegmentsDown), sep(),
                                    item(kCmdSolidifyThicknessUp),
                                    item(kCmdSolidifyThicknessDown),
                                    item(kCmdSolidifyOffsetUp),
                                    item(kCmdSolidifyOffsetDown),
                                    item(kCmdSolidifyResetDefaults)}),
          sub(L"Subdivision", {item(kCmdSubdivisionViewportLevelUp),
                               item(kCmdSubdivisionViewportLevelDown),
                               item(kCmdSubdivisionRenderLevelUp),
                               item(kCmdSubdivisionRenderLevelDown),
                               item(kCmdSubdivisionSmoothnessUp),
                               item(kCmdSubdivisionSmoothnessDown),
                               item(kCmdSubdivisionResetDefaults)}),
          sub(L"Deformers",
              {item(kCmdDeformerAxisX), item(kCmdDeformerAxisY),
               item(kCmdDeformerAxisZ), sep(),
               item(kCmdBendAngleUp), item(kCmdBendAngleDown),
               item(kCmdTwistAngleUp), item(kCmdTwistAngleDown),
               item(kCmdTaperStrengthUp),
               item(kCmdTaperStrengthDown),
               item(kCmdLatticeCellsUp),
               item(kCmdLatticeCellsDown),
               item(kCmdDeformerResetDefaults)})};
}

std::vector<PopupItem> materialMenu() {
  std::vector<PopupItem> set, clear;
  for (int i = 0; i < 6; ++i) {
    set.push_back(item(kCmdSetColorMap + i));
    clear.push_back(item(kCmdClearColorMap + i));
  }
  clear.push_back(sep());
  clear.push_back(item(kCmdRefreshTextureStatus));
  return {
      sub(L"Material Slots",
          {item(kCmdPreviousMaterialSlot), item(kCmdNextMaterialSlot),
           item(kCmdAddMaterialSlot),
           item(kCmdDuplicateMaterialSlot),
           item(kCmdRemoveMaterialSlot)}),
      sub(L"Presets",
          {item(kCmdMaterialPresetBlue), item(kCmdMaterialPresetGold),
           item(kCmdMaterialPresetChrome), item(kCmdMaterialPresetGlass),
           item(kCmdMaterialPresetEmissive)}),
      sub(L"Material Capsules",
          {item(kCmdMaterialCapsuleBlue), item(kCmdMaterialCapsuleRedPaint),
           item(kCmdMaterialCapsuleChrome), item(kCmdMaterialCapsuleRubber),
           item(kCmdMaterialCapsuleFrostedGlass),
           item(kCmdMaterialCapsuleEmissive), sep(),
           item(kCmdApplyBrowserMaterialCapsule)}),
      sub(L"Assign / PBR Fields", {item(kCmdAssignMaterialToFaces), sep(),
                                   item(kCmdRoughnessUp), item(kCmdRoughnessDown),
                                   item(kCmdMetallicUp), item(kCmdMetallicDown)}),
      sub(L"Texture Maps: Set", set),
      sub(L"Texture Maps: Clear / Status", clear)};
}

std::vector<PopupItem> viewMenu() {
  return {sub(L"Viewport", concat(std::vector<PopupItem>{item(kCmdFrameSelected),
                                                         item(kCmdResetView)},
                                  perspectiveItems(),
                                  std::vector<PopupItem>{item(kCmdToggleProjection),
                                                         item(kCmdToggleCameraView)})),
          sub(L"Camera Guides", {item(kCmdToggleFrustumGuides),
                                 cmd(L"Toggle Look Target + Coverage Cues", kCmdToggleLookTargets),
                                 item(kCmdSetSelectedCameraActive)}),
          sub(L"Viewport Shading",
              {item(kCmdShadingWireframe), item(kCmdShadingSolid),
               item(kCmdShadingLit), item(kCmdShadingMaterialPreview),
               item(kCmdCycleShading)}),
          sub(L"Cameras", {cmd(L"Add Camera", kCmdAddCamera),
                           item(kCmdSetSelectedCameraActive),
                           item(kCmdClearActiveCamera)}),
          sub(L"Create Lights",
              {cmd(L"Add Point Light", kCmdAddPointLight), cmd(L"Add Directional Light", kCmdAddDirectionalLight),
               cmd(L"Add Spot Light", kCmdAddSpotLight), cmd(L"Add Area Light", kCmdAddAreaLight)}),
          sub(L"Lighting Capsules", lightingCapsules()),
          sub(L"Scene Starter Capsules", starterCapsules()),
          sub(L"Selected Light Type", {item(kCmdLightTypePoint),
                                       item(kCmdLightTypeDirectional),
                                       item(kCmdLightTypeSpot),
                                       item(kCmdLightTypeArea)}),
          sub(L"Selected Light Controls",
              {item(kCmdLightIntensityUp), item(kCmdLightIntensityDown),
               item(kCmdLightRangeUp), item(kCmdLightRangeDown),
               item(kCmdLightSpotAngleUp), item(kCmdLightSpotAngleDown),
               item(kCmdLightAreaSizeUp), item(kCmdLightAreaSizeDown)})};
}

std::vector<PopupItem> renderMenu() {
  return {sub(L"Export Still",
              {item(kCmdExportStillPng), item(kCmdExportStillJpeg),
               sep(), item(kCmdExportActiveCameraPng),
               item(kCmdExportActiveCameraJpeg),
               item(kCmdExportViewportPng),
               item(kCmdExportViewportJpeg)}),
          sub(L"Render Source", {item(kCmdRenderSourceCamera),
                                 item(kCmdRenderSourceViewport)}),
          sub(L"Output Size",
              {item(kCmdRenderSizeViewport), item(kCmdRenderSize720p),
               item(kCmdRenderSize1080p), item(kCmdRenderSize1440p)}),
          sep(),
          statedItem(kCmdToggleRenderCameraCrop),
          item(kCmdShowRenderSettings)};
}

std::vector<PopupItem> toolsMenu() {
  return concat(
      toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
      std::vector<PopupItem>{sep(), stateItem(kCmdToggleSnap),
                             plain(kCmdFrameSelected), plain(kCmdResetView)});
}

std::vector<PopupItem> windowMenu() {
  return concat(std::vector<PopupItem>{stateItem(kCmdToggleTimelinePanel)},
                perspectiveItems(),
                std::vector<PopupItem>{
                    plain(kCmdToggleProjection), plain(kCmdToggleCameraView),
                    sep(), item(kCmdResetWorkspaceLayout), sep(),
                    item(kMenuTimeline), item(kMenuPresets),
                    item(kMenuCapsules)});
}

// Set, delete, previous and next key of one track: four ids from `base`.
std::vector<PopupItem> keyTrackItems(int base) {
  return {item(base), item(base + 1), item(base + 2), item(base + 3)};
}

std::vector<PopupItem> timelineMenu() {
  auto transform = keyTrackItems(kCmdSetTransformKey);
  transform.insert(transform.end(), {item(kCmdApplyTransformKeys), sep(),
                                     item(kCmdClearTransformKeys)});
  auto camera = keyTrackItems(kCmdSetCameraKey);
  camera.insert(camera.end(), {item(kCmdApplyCameraKeys), sep(),
                               item(kCmdClearCameraKeys)});
  auto light = keyTrackItems(kCmdSetLightKey);
  light.insert(light.end(), {item(kCmdApplyLightKeys), sep(),
                             item(kCmdClearLightKeys)});
  return {
      sub(L"Frame Navigation",
          {item(kCmdTimelineGoToStart), item(kCmdTimelinePreviousFrame),
           item(kCmdTimelineNextFrame), item(kCmdTimelineGoToEnd)}),
      sub(L"Bridge Settings",
          {item(kCmdApplyTimelineFields),
           item(kCmdResetTimelineRange),
           statedItem(kCmdToggleLoopPlayback),
           statedItem(kCmdToggleTimelinePanel)}),
      sub(L"Transform Keyframes", transform),
      sub(L"Camera Keyframes", camera),
      sub(L"Light Keyframes", light),
      sub(L"Keyframe Inspector", {item(kCmdSelectCurrentFrameKey),
                                  item(kCmdSelectPreviousInspectorKey),
                                  item(kCmdSelectNextInspectorKey), sep(),
                                  item(kCmdApplyKeyInspectorFields),
                                  item(kCmdCaptureKeyValues),
                                  item(kCmdApplyKeyToObject),
                                  item(kCmdDeleteInspectorKey), sep(),
                                  item(kCmdKeyInterpolationLinear),
                                  item(kCmdKeyInterpolationHold),
                                  item(kCmdKeyInterpolationEaseIn),
                                  item(kCmdKeyInterpolationEaseOut),
                                  item(kCmdKeyInterpolationEaseInOut)}),
      sep(),
      item(kCmdFocusTimelineOnSelection)};
}

// ---- Preset and capsule popups ----------------------------------------------
// The preset and capsule popups share one pattern around their own
// categories and catalog items.
// (The panel toggle's id is followed by previous, next, preview and apply.)
std::vector<PopupItem> browserMenu(int panelId, PopupItem categories, const wchar_t* catalog,
                                   std::vector<PopupItem> rows) {
  return {statedItem(panelId),
          item(panelId + 3),
          item(panelId + 4),
          sep(),
          item(panelId + 1),
          item(panelId + 2),
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
  return browserMenu(kCmdTogglePresetBrowser,
                     sub(L"Category Filter",
                         {item(kCmdPresetCategoryAll), item(kCmdPresetCategoryStarter),
                          item(kCmdPresetCategoryMaterial), item(kCmdPresetCategoryLighting),
                          item(kCmdPresetCategoryCamera), item(kCmdPresetCategoryAnimation)}),
                     L"Built-in Catalog",
                     catalogItems(presetCatalog(), kCmdPresetCatalogBase,
                                  [](const PresetDefinition& row) { return row.name; }));
}

std::vector<PopupItem> capsulesMenu() {
  std::vector<PopupItem> items = browserMenu(
      kCmdToggleCapsuleBrowser,
      sub(L"Capsule Category",
          {item(kCmdCapsuleCategoryAll), item(kCmdCapsuleCategoryObjectKit),
           item(kCmdCapsuleCategoryWorkflow), item(kCmdCapsuleCategoryStarter),
           item(kCmdCapsuleCategoryMaterial), item(kCmdCapsuleCategoryLighting),
           item(kCmdCapsuleCategoryExperimental)}),
      L"Built-in Capsules",
      catalogItems(capsuleCatalog(), kCmdCapsuleCatalogBase, [](const CapsuleDefinition& row) { return row.title; }));
  items.push_back(sub(L"Scene Starter Capsules", starterCapsules()));
  return items;
}

// ---- Owner-drawn menus ------------------------------------------------------
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

// ---- Popups by id, and showing them -----------------------------------------
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
      return {item(kCmdShowPhaseNotes), item(kCmdShowCopyright)};
  }
}

std::vector<PopupItem> projectionMenuItems() {
  return concat(
      perspectiveItems(),
      std::vector<PopupItem>{sep(), stateItem(kCmdToggleCameraView), sep(),
                             plain(kCmdFrameSelected), plain(kCmdResetView)});
}

std::vector<PopupItem> outlinerContextMenuItems() {
  return {item(kCmdNewGroup),
          item(kCmdParentSelected),
          item(kCmdUnparentSelected),
          sep(),
          item(kCmdToggleVisibility),
          item(kCmdToggleLock),
          sep(),
          item(kCmdDuplicateSelected),
          item(kCmdDeleteSelected),
          item(kCmdResetTransform),
          sep(),
          plain(kCmdSetSelectedCameraActive),
          plain(kCmdToggleCameraView),
          item(kCmdToggleFrustumGuides)};
}

std::vector<PopupItem> parentChooserItems() {
  AppState& app = appState();
  app.parentCandidateIds.clear();
  std::vector<PopupItem> items;
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected) return items;
  const std::wstring selectedId = selected->id;
  for (const Object& object : std::as_const(app.project.scene.objects)) {
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
