// The inspector's contents: filling the fields and the details text from the
// selected object, and Apply Inspector writing the fields back.
#include <charconv>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/math.h"
#include "model/sanitize.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "presets/browsers.h"
#include "shading/materials.h"
#include "shading/modifiers.h"
#include "shading/textures.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

std::wstring num(std::size_t value) { return std::to_wstring(value); }

std::wstring modeLine() {
  const AppState& app = appState();
  switch (app.workMode) {
    case WorkMode::EditMesh: return L"Edit Mesh / " + componentModeName(app.componentMode);
    case WorkMode::EditCurve: return L"Edit Curve / Points";
    default: return L"Object";
  }
}

const Material& activeSlot(const Object& object) {
  const MaterialSlots& slots = object.materialSlots;
  const auto index = static_cast<std::size_t>(slots.activeIndex);
  return index < slots.slots.size() ? slots.slots[index] : object.material;
}

bool basicColorPreviewActive(const Material& slot) {
  const TextureMap* map = findTextureMap(slot, L"color");
  if (!map || !map->enabled || map->path.empty()) return false;
  const TexturePreview* preview = getTexturePreview(*map);
  return preview && preview->thumbnailOk && preview->imageWidth >= 1 && preview->imageHeight >= 1 &&
         !preview->samples.empty();
}

// The text the control holds, whole.
std::wstring heldText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::clamp(GetWindowTextW(control, text.data(), length + 1), 0, std::max(length, 0))));
  return text;
}

// True when writing `text` would leave the control exactly as it is: it
// shows that text, and (a box) is unfocused with the caret at the start,
// nothing selected, nothing to undo and no user change -- the state a
// program's write leaves. The write would only repaint the same pixels and
// send the box's change notices, which no inspector box handles. The other
// controls answer the box messages with 0 and compare by text alone.
bool alreadyShows(HWND control, const std::wstring& text) {
  if (GetFocus() == control || heldText(control) != text) return false;
  DWORD start = 0, end = 0;
  SendMessageW(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == 0 && end == 0 && !SendMessageW(control, EM_CANUNDO, 0, 0) && !SendMessageW(control, EM_GETMODIFY, 0, 0);
}

// Every write of the inspector's refresh: a control already showing the
// text is left alone, so an unchanged inspector costs no repaint.
void setText(HWND control, const std::wstring& text) {
  if (control && !alreadyShows(control, text)) SetWindowTextW(control, text.c_str());
}

// The inspector's writes into its value boxes keep the text as the box holds
// it (a box may cut a long name), so an untouched box compares equal.
void writeName(HWND edit, const std::wstring& name, std::wstring& written) {
  setText(edit, name);
  written = getTextFromWindow(edit);
}
void writeDouble(HWND edit, double value, std::wstring& written) {
  setText(edit, editDoubleText(value));
  written = getTextFromWindow(edit);
}
void writeInt(HWND edit, int value, std::wstring& written) {
  setText(edit, std::to_wstring(value));
  written = getTextFromWindow(edit);
}

// Whether the user changed the box since the inspector wrote it; a missing
// box was not edited.
bool edited(HWND edit, const std::wstring& written) { return edit && getTextFromWindow(edit) != written; }

void setButtonCaption(int id, const std::wstring& caption) { setText(mainButton(id), caption); }

// The stack with every text cut to what a summary shows of it: the cut
// texts repair and read as the whole ones would.
ModifierStack shownModifierStack(const ModifierStack& stack) {
  ModifierStack shown;
  shown.entries.reserve(stack.entries.size());
  for (const Modifier& entry : stack.entries) {
    Modifier& copy = shown.entries.emplace_back();
    copy.id = shownText(entry.id);
    copy.type = shownText(entry.type);
    copy.displayName = shownText(entry.displayName);
    copy.enabled = entry.enabled;
    copy.known = entry.known;
    copy.version = entry.version;
    copy.status = shownText(entry.status);
    copy.parameters.reserve(entry.parameters.size());
    for (const ModifierParam& param : entry.parameters)
      copy.parameters.push_back(
          {shownText(param.key), shownText(param.kind), param.number, shownText(param.text), param.flag});
  }
  return shown;
}

}  // namespace

std::wstring inspectorDetailsText(const Object& original) {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  // The material and modifier summaries repair what they read; they get a
  // copy of the materials, mesh arrays (shared until written) and stack
  // alone, so a refresh never changes the document nor copies its texts.
  const Object& object = original;
  Object repaired;
  repaired.kind = original.kind;
  repaired.material = original.material;
  repaired.materialSlots = original.materialSlots;
  repaired.meshData = original.meshData;
  repaired.modifierStack = shownModifierStack(original.modifierStack);
  // A slot made for an object without one is named after the object.
  if (original.materialSlots.slots.empty() && original.material.name.empty()) repaired.name = original.name;
  sanitizeModifierStack(repaired);
  sanitizeMaterialSlots(repaired);
  // The OBJ import has tagged its objects under two ids; files keep either.
  const bool obj =
      object.objectCapsuleId == L"phase61-obj-import" || object.objectCapsuleId == L"phase62-6-obj-mtl-import";
  const RenderSettings& render = scene.renderSettings;
  const MeshData& mesh = object.meshData;

  std::wstring t = L"Details\n";
  t += L"Mode: " + modeLine() + L"\n";
  t += std::wstring(L"Shading: ") + viewportShadingLabel(scene.viewportShadingMode) + L"\n";
  t += std::wstring(L"Render: ") + (renderSourceIsCamera(render.source) ? L"Active Camera" : L"Viewport") + L"  " +
       renderSizeLabel(render) + L"  crop " + (render.cropCameraFrame ? L"on" : L"off") + L"\n";
  t += L"Render status: " + app.renderStatus + L"\n";
  t += L"Timeline: " + timelineStatusText() + L"\n";
  t += L"Timeline focus: " + timelineFocusLabel() + L"  bridge " + shownText(scene.timelineSettings.bridgeMode) + L"\n";
  t += transformKeySummary(&original) + L" | Apply keyed transform is explicit and undoable.\n";
  t += cameraLightKeySummary(&original) + L" | Camera/light settings keys apply explicitly and undoably.\n";
  t += keyframeInspectorSummary(&original) + L"\n";
  t += keyframeInspectorValues(&original) + L"\n";
  t += presetBrowserSummaryLine() + L"\n";
  t += L"Preset status: " + scene.presetBrowser.lastPreviewStatus + L"\n";
  t += capsuleBrowserSummary() + L"\n";
  t += L"Capsule status: " + scene.capsuleBrowser.lastPreviewStatus + L"\n";
  if (!object.objectCapsuleLabel.empty())
    t += (obj ? L"OBJ Import: " : L"Scene Starter Capsule: ") + object.objectCapsuleLabel + L"\n";
  if (!object.objectCapsuleNote.empty())
    t += (obj ? L"Import note: " : L"Starter note: ") + object.objectCapsuleNote + L"\n";
  const std::wstring safety = phase65EditSafetySummary(object);
  if (!safety.empty()) t += safety + L"\n";
  t += L"Selection: V/E/F " + num(app.selectedVertices.size()) + L"/" + num(app.selectedEdges.size()) + L"/" +
       num(app.selectedFaces.size()) + L"  Curve pts " + num(app.selectedCurvePoints.size()) + L"\n";
  t += L"Mesh: " + shownText(object.mesh.primitive) + L"  V/E/F " + num(mesh.vertices->size()) + L"/" +
       num(mesh.edges->size()) + L"/" + num(mesh.faces->size()) + L"  N " + num(mesh.normals->size()) + L"  UV " +
       num(mesh.uvs->size()) + (mesh.uvsValid ? L" authored" : L" fallback") + L"  UVp " +
       num(mesh.uvPlaceholders->size()) + L"\n";
  if (object.kind == ObjectKind::Curve) t += L"Curve: " + shownText(object.curveData.summary) + L"\n";
  if (object.kind == ObjectKind::Camera) {
    const CameraSettings& c = object.camera;
    t += std::wstring(L"Camera: ") + (object.id == scene.activeCameraId ? L"active" : L"inactive") + L"  FOV " +
         fixedDecimals(c.fov, 1) + L"  Clip " + fixedDecimals(c.nearClip, 1) + L"-" + fixedDecimals(c.farClip, 1) + L"  Aspect " +
         fixedDecimals(c.aspect, 1) + L"\n";
    t += L"Camera controls: View menu or toolbar toggles Camera View; Object > History / View can set the selected "
         L"camera active.\n";
    t += L"Camera guides: View > Camera Guides toggles frustum cages and look-target/coverage markers so you can see "
         L"what the camera is aimed at before exporting.\n";
  }
  if (object.kind == ObjectKind::Light) {
    const LightSettings& l = object.light;
    t += L"Light: " + shownText(l.type) + L"  intensity " + fixedDecimals(l.intensity, 2) + L"  range " +
         fixedDecimals(l.range, 2) + L"  spot " + fixedDecimals(l.spotAngle, 2) + L"  area " +
         fixedDecimals(l.areaSize, 2) + L"\n";
    if (!l.capsuleLabel.empty()) t += L"Lighting Capsule: " + l.capsuleLabel + L"\n";
    if (!l.capsuleNote.empty()) t += L"Capsule note: " + l.capsuleNote + L"\n";
    t += L"Lighting influence: mesh/material faces use a safe viewport-only ambient + point/directional/spot/area "
         L"approximation.\n";
  }
  const Object* parent = object.parentId.empty() ? nullptr : findObjectById(scene, object.parentId);
  std::size_t children = 0;
  for (const Object& other : scene.objects) children += other.parentId == object.id ? 1 : 0;
  t += L"Parent: " + (parent ? shownText(parent->name) : std::wstring(L"None")) + L"  Children: " + num(children) +
       L"\n";
  t += materialSummaryText(repaired) + L"\n";
  t += L"Texture diagnostics:\n";
  const Material& slot = activeSlot(repaired);
  for (const auto& [key, label] : {std::pair{L"color", L"Color map"}, std::pair{L"normal", L"Normal map"},
                                   std::pair{L"roughness", L"Roughness map"}, std::pair{L"alpha", L"Alpha map"}}) {
    t += L"  " + formatTextureMapStatus(slot, key, label) + L"\n";
    if (const std::wstring why = textureMapLoadFailure(slot, key); !why.empty()) t += L"    " + why + L"\n";
  }
  t += std::wstring(L"  Alpha cutout: ") + (alphaMapTexture(slot) ? L"preview threshold on (0.42)" : L"off") + L"\n";
  t += L"  Resolved file: " + formatTextureSourceLabel(slot) + L"\n";
  t += std::wstring(L"  Basic color preview: ") +
       (basicColorPreviewActive(slot) ? L"active, generated object-space mapping" : L"inactive") + L"\n";
  if (objectUsesTextureMaps(repaired))
    t += L"  Viewport warning: texture maps are assigned, but this object has no authored UVs yet. Phase 63 uses "
         L"generated fallback mapping for color preview because this mesh has no authored UVs.\n";
  t += modifierStackSummary(repaired, modifierPreviewLeftOut(original));
  if (mesh.degenerateFaces > 0) t += L"\nDegenerate faces: " + std::to_wstring(mesh.degenerateFaces);
  return t;
}

void fillInspectorFields() {
  refreshTimeline();
  AppState& app = appState();
  const Object* found = findObjectById(app.selectedObjectId);
  if (!found) return;
  const Object& object = *found;
  // The active slot of a repaired copy of the materials: showing the object
  // must not change it (nor copy its texts).
  Object materials;
  materials.material = object.material;
  materials.materialSlots = object.materialSlots;
  sanitizeMaterialSlots(materials);
  ShellHandles& shell = shellHandles();
  InspectorWrittenTexts& written = shell.inspectorWritten;
  // A name past what the box shows is shown cut; the name changes only when
  // the user edits the box.
  writeName(shell.nameEdit, shownText(object.name), written.name);
  setText(shell.typeField, kindName(object.kind));
  const Transform& tr = object.transform;
  const double values[9] = {tr.position.x, tr.position.y, tr.position.z, tr.rotation.x, tr.rotation.y,
                            tr.rotation.z, tr.scale.x,    tr.scale.y,    tr.scale.z};
  for (int i = 0; i < 9; ++i) writeDouble(shell.transformEdits[i], values[i], written.transform[i]);
  const Material& slot = activeSlot(materials);
  const int rgb[3] = {slot.r, slot.g, slot.b};
  for (int i = 0; i < 3; ++i) writeInt(shell.colorEdits[i], rgb[i], written.color[i]);
  writeDouble(shell.intensityEdit, object.light.intensity, written.intensity);
  setText(shell.intensityLabel, L"Intensity");
  const bool light = object.kind == ObjectKind::Light;
  setText(shell.rangeLabel, light ? L"Range" : L"FOV");
  writeDouble(shell.rangeEdit, light ? object.light.range : object.camera.fov, written.range);
  refreshKeyInspector(found);
  setText(shell.presetHeading, L"Preset Browser v1");
  setText(shell.presetStatus, presetBrowserSummaryLine());
  setText(shell.presetDescription, presetBrowserDetailText());
  setButtonCaption(kCmdPresetCategoryAll, L"Filter: " + app.project.scene.presetBrowser.categoryFilter);
  setText(shell.capsuleHeading, L"Veltrask Capsules / Starter + Material + Lighting Capsules");
  setText(shell.capsuleStatus, capsuleBrowserSummary());
  setText(shell.capsuleDescription, capsuleBrowserDetailText());
  setButtonCaption(kCmdCapsuleCategoryAll, L"Filter: " + app.project.scene.capsuleBrowser.categoryFilter);
  setText(shell.meshDetails, inspectorDetailsText(*found));
  if (shell.texturePreview) InvalidateRect(shell.texturePreview, nullptr, TRUE);
  setButtonCaption(kCmdToggleVisibility, object.visible ? L"Hide" : L"Show");
  setButtonCaption(kCmdToggleLock, object.locked ? L"Unlock" : L"Lock");
}

void applyInspectorFields() {
  AppState& app = appState();
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected || isEffectivelyLocked(*selected)) return;
  EditTransaction edit;
  Object& object = *findObjectById(app.selectedObjectId);
  const ShellHandles& shell = shellHandles();
  const InspectorWrittenTexts& written = shell.inspectorWritten;
  if (edited(shell.nameEdit, written.name)) {
    const std::wstring name = getTextFromWindow(shell.nameEdit);
    object.name = name.empty() ? L"Object" : name;
  }
  Transform& tr = object.transform;
  double* fields[9] = {&tr.position.x, &tr.position.y, &tr.position.z, &tr.rotation.x, &tr.rotation.y,
                       &tr.rotation.z, &tr.scale.x,    &tr.scale.y,    &tr.scale.z};
  for (int i = 0; i < 9; ++i) {
    if (edited(shell.transformEdits[i], written.transform[i]))
      *fields[i] = getDoubleFromWindow(shell.transformEdits[i], *fields[i]);
  }
  sanitizeMaterialSlots(object);
  Material& slot = object.materialSlots.slots[static_cast<std::size_t>(object.materialSlots.activeIndex)];
  int* rgb[3] = {&slot.r, &slot.g, &slot.b};
  for (int i = 0; i < 3; ++i) {
    if (edited(shell.colorEdits[i], written.color[i]))
      *rgb[i] = clampInt(getIntFromWindow(shell.colorEdits[i], *rgb[i]), 0, 255);
  }
  object.material = slot;
  if (edited(shell.intensityEdit, written.intensity))
    object.light.intensity = std::max(getDoubleFromWindow(shell.intensityEdit, object.light.intensity), 0.0);
  if (edited(shell.rangeEdit, written.range)) {
    if (object.kind != ObjectKind::Light)
      object.camera.fov = std::clamp(getDoubleFromWindow(shell.rangeEdit, object.camera.fov), 1.0, 179.0);
    else
      object.light.range = std::max(getDoubleFromWindow(shell.rangeEdit, object.light.range), 0.1);
  }
  sanitizeCameraLightSettings(object);
  // The boxes accept "inf", "nan" and 1e308: the transform gets the same
  // repair as an imported one.
  sanitizeImportedTransform(object);
  // Applying keeps its snapshot and marks the project changed even when no
  // box was edited, as a pressed Apply always has.
  edit.commit();
}

}  // namespace vk
