// The control handles, brushes and layout rectangles only the shell reads.
// The lower libraries see the rest in AppState::ui (model/app_state.h).
#pragma once

#include <string>

#include "platform/win32.h"

namespace vk {

// The texts the inspector last wrote into its value boxes. Apply keeps the
// stored value of every box whose text is still this, so a box the user did
// not touch never rounds the value it shows with two decimals.
struct InspectorWrittenTexts {
  std::wstring name;
  std::wstring transform[9];  // as ShellHandles::transformEdits
  std::wstring color[3];
  std::wstring intensity;
  std::wstring range;
};

// Every member but the inspector's written texts is a handle or a rectangle
// and starts as zero; the shell owns and fills it. A null handle means "skip".
struct ShellHandles {
  HWND outlinerSearch = nullptr;      // kCtlOutlinerSearch
  HWND projectionButton = nullptr;    // kCmdToggleProjection
  HWND inspectorScrollbar = nullptr;  // kCtlInspectorScrollbar
  HWND hoverTip = nullptr;
  HWND texturePreview = nullptr;

  // Controls the shell places by handle (buttons are found by their id;
  // the tool strip and the Left Tools box hold second copies of some ids).
  HWND contextLabels[3] = {};  // "Work Mode", "Context Actions", the shelf note
  HWND toolStripButtons[6] = {};
  HWND leftToolsButtons[10] = {};
  HWND railCaption = nullptr;
  HWND railDescription = nullptr;
  HWND railDetails = nullptr;
  HWND outlinerHeading = nullptr;
  HWND inspectorHeading = nullptr;
  HWND typeLabel = nullptr;
  HWND typeField = nullptr;
  HWND nameLabel = nullptr;
  HWND nameEdit = nullptr;
  HWND transformHeading = nullptr;
  HWND transformRowLabels[3] = {};  // Position, Rotation, Scale
  HWND transformEdits[9] = {};      // x, y, z of each row
  HWND colorLabel = nullptr;
  HWND colorEdits[3] = {};
  HWND intensityLabel = nullptr;
  HWND intensityEdit = nullptr;
  HWND rangeLabel = nullptr;
  HWND rangeEdit = nullptr;
  InspectorWrittenTexts inspectorWritten;  // beside the boxes they were written into
  HWND keyFrameLabel = nullptr;
  HWND curveLabel = nullptr;
  HWND noteLabel = nullptr;
  HWND presetHeading = nullptr;
  HWND presetStatus = nullptr;
  HWND presetDescription = nullptr;
  HWND capsuleHeading = nullptr;
  HWND capsuleStatus = nullptr;
  HWND capsuleDescription = nullptr;
  HWND meshDetails = nullptr;  // created as "Mesh:", the inspector's details text
  // The details label's parent: the visible part of the label, which is
  // taller than the inspector's band when its text is long.
  HWND meshDetailsClip = nullptr;
  HWND projectLabel = nullptr;
  HWND objectCountLabel = nullptr;
  HWND viewLabel = nullptr;
  HWND versionLabel = nullptr;
  HWND hiddenStatusLabels[2] = {};  // "◇  Objects: 3", "◷  FPS: 60"

  HBRUSH panelBrush = nullptr;  // kControlBackground
  HBRUSH fieldBrush = nullptr;  // kFieldBackground

  // Computed only by the layout pass.
  RECT titleBarRect{};
  RECT toolbarRect{};
  RECT statusBarRect{};
  RECT activityRailRect{};
  RECT railPanelRect{};
  RECT outlinerListRect{};
  RECT leftToolsRect{};
  RECT viewportHeaderRect{};
  RECT viewportRect{};
  RECT inspectorRect{};
  RECT inspectorHeaderRect{};
};

// The shell handles of appState(), made on first use; they hang off the
// application state, so resetting it (appState() = AppState{}) drops them.
ShellHandles& shellHandles();

}  // namespace vk
