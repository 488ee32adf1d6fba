// The main window's controls: fonts, brushes and every child window, created
// at 0 x 0 in the order that fixes their z and tab order (the layout places
// them), and the small helpers that read and write control texts.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>

#include "model/app_state.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"

namespace vk {

namespace {

constexpr DWORD kButtonStyle = 0x5401000B;    // child, visible, clip siblings, tab stop, owner-drawn
constexpr DWORD kLabelStyle = 0x54000000;     // child, visible, clip siblings
constexpr DWORD kEditStyle = 0x54010080;      // ... tab stop, auto horizontal scroll
constexpr DWORD kReadOnlyStyle = 0x54000880;  // ... read-only, auto horizontal scroll
constexpr DWORD kListBoxStyle = 0x54210051;   // ... vertical scroll, notify, owner-drawn fixed, strings
constexpr DWORD kCustomChildStyle = 0x54000000;
constexpr DWORD kHoverTipStyle = 0x84000000;
constexpr DWORD kHoverTipExStyle = 0x08000088;
constexpr std::size_t kWindowTextLimit = 4096;

// A plain static that passes its child's colour question on to the main
// window, so the details label keeps the colours it has as the main window's child.
LRESULT CALLBACK detailsClipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return SendMessageW(GetParent(hwnd), message, wParam, lParam);
  WNDCLASSEXW info{};
  GetClassInfoExW(nullptr, L"STATIC", &info);
  return CallWindowProcW(info.lpfnWndProc, hwnd, message, wParam, lParam);
}

HWND createChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int id) {
  return CreateWindowExW(0, className, text.c_str(), style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), appState().instance, nullptr);
}

void setFont(HWND window, HFONT font) {
  if (window && font) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HFONT makeFont(int height, int weight) {
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, L"Segoe UI");
}

struct ButtonSpec {
  int id;
  const wchar_t* label;
};

void createButtons(HWND parent, std::initializer_list<ButtonSpec> buttons) {
  for (const ButtonSpec& b : buttons) createButton(parent, b.label, b.id);
}

// A second copy of a row's button, under the row's caption.
ButtonSpec rowButton(int id) {
  const CommandRow* row = findCommandRow(id);
  return {id, row && row->button ? row->button : L""};
}

// The main buttons of one group, in the order of its rows.
void createButtonGroup(HWND parent, ButtonGroup group) {
  for (const CommandRow* row : commandRows())
    if (row->group == group) createButton(parent, row->button, row->id);
}

template <std::size_t N>
void createButtonsInto(HWND parent, std::initializer_list<ButtonSpec> buttons, HWND (&out)[N]) {
  std::size_t i = 0;
  for (const ButtonSpec& b : buttons) {
    HWND button = createButton(parent, b.label, b.id);
    if (i < N) out[i++] = button;
  }
}

bool isSecondCopy(HWND control) {
  const ShellHandles& shell = shellHandles();
  for (HWND h : shell.toolStripButtons)
    if (h == control) return true;
  for (HWND h : shell.leftToolsButtons)
    if (h == control) return true;
  return false;
}

}  // namespace

HWND createButton(HWND parent, const std::wstring& text, int id) {
  HWND button = createChild(parent, L"BUTTON", text, kButtonStyle, id);
  setFont(button, appState().ui.boldFont);
  return button;
}

HWND createEdit(HWND parent) {
  HWND edit = createChild(parent, L"EDIT", L"", kEditStyle, 0);
  setFont(edit, appState().ui.uiFont);
  return edit;
}

HWND createLabel(HWND parent, const std::wstring& text, HFONT font) {
  HWND label = createChild(parent, L"STATIC", text, kLabelStyle, 0);
  setFont(label, font ? font : appState().ui.uiFont);
  return label;
}

HWND createVerbatimLabel(HWND parent, const std::wstring& text, HFONT font) {
  HWND label = createChild(parent, L"STATIC", text, kLabelStyle | SS_NOPREFIX, 0);
  setFont(label, font ? font : appState().ui.uiFont);
  return label;
}

HWND mainButton(int id) {
  HWND main = appState().ui.mainWindow;
  if (!main) return nullptr;
  HWND first = GetDlgItem(main, id);
  if (!first || !isSecondCopy(first)) return first;
  for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgCtrlID(child) == id && !isSecondCopy(child)) return child;
  return nullptr;
}

std::wstring getTextFromWindow(HWND window) {
  if (!window) return {};
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(std::min<std::size_t>(static_cast<std::size_t>(length), kWindowTextLimit) + 1, L'\0');
  const int read = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  if (read <= 0) return {};
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(read), kWindowTextLimit));
  return text;
}

// A number past the 32-bit range reads as the nearest end of it, so the
// callers' own range checks refuse or clamp it as they do any large number.
int getIntFromWindow(HWND window, int fallback) {
  const std::wstring text = getTextFromWindow(window);
  if (text.empty()) return fallback;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (end == text.c_str()) return fallback;
  return static_cast<int>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

double getDoubleFromWindow(HWND window, double fallback) {
  const std::wstring text = getTextFromWindow(window);
  if (text.empty()) return fallback;
  wchar_t* end = nullptr;
  const double value = std::wcstod(text.c_str(), &end);
  return end == text.c_str() ? fallback : value;
}

void setEditInt(HWND window, int value) {
  if (window) SetWindowTextW(window, std::to_wstring(value).c_str());
}

std::wstring editDoubleText(double value) { return fixedDecimals(value, 2); }

void setEditDouble(HWND window, double value) {
  if (!window) return;
  SetWindowTextW(window, editDoubleText(value).c_str());
}

HMENU createThemedPopupMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  MENUINFO info{};
  info.fMask = MIM_BACKGROUND;
  info.hbrBack = shellHandles().panelBrush;
  SetMenuInfo(menu, &info);
  return menu;
}

void createMainWindowControls(HWND main) {
  UiHandles& ui = appState().ui;
  ShellHandles& shell = shellHandles();
  ui.uiFont = makeFont(-14, 400);
  ui.smallFont = makeFont(-12, 400);
  ui.boldFont = makeFont(-14, 600);
  ui.titleFont = makeFont(-16, 600);
  shell.panelBrush = CreateSolidBrush(kControlBackground);
  shell.fieldBrush = CreateSolidBrush(kFieldBackground);

  createButtons(main, {{kMenuFile, L"File"},
                       {kMenuEdit, L"Edit"},
                       {kMenuCreate, L"Create"},
                       {kMenuObject, L"Object"},
                       {kMenuMesh, L"Mesh"},
                       {kMenuCurve, L"Curve"},
                       {kMenuModifier, L"Modifier"},
                       {kMenuMaterial, L"Material"},
                       {kMenuView, L"View"},
                       {kMenuRender, L"Render"},
                       {kMenuTools, L"Tools"},
                       {kMenuWindow, L"Window"},
                       {kMenuTimeline, L"Timeline"},
                       {kMenuPresets, L"Presets"},
                       {kMenuCapsules, L"Capsules"},
                       {kMenuHelp, L"Help"}});
  shell.contextLabels[0] = createLabel(main, L"Work Mode", ui.smallFont);
  shell.contextLabels[1] = createLabel(main, L"Context Actions", ui.smallFont);
  shell.contextLabels[2] = createLabel(
      main, L"Mode-aware shelves keep the viewport open. Full commands remain in menus and right-click.",
      ui.smallFont);
  createButtonGroup(main, ButtonGroup::createShelf);
  createButtons(main, {{kMenuSelection, L"Selection ▾"}, {kMenuAxis, L"Axis ▾"}});
  createButtonGroup(main, ButtonGroup::tools);
  createButtonGroup(main, ButtonGroup::meshOps);
  createButtonGroup(main, ButtonGroup::curveOps);
  createButtonGroup(main, ButtonGroup::axisSnap);
  createButtonGroup(main, ButtonGroup::objectOps);
  createButtonGroup(main, ButtonGroup::modifiers);
  createButtonGroup(main, ButtonGroup::hierarchy);
  createButtonGroup(main, ButtonGroup::view);
  shell.projectionButton = mainButton(kCmdToggleProjection);
  createButtonsInto(main,
                    {{kCmdToolSelect, L""},
                     {kCmdToolMove, L""},
                     {kCmdToolRotate, L""},
                     {kCmdToolScale, L""},
                     {kCmdObjectMode, L""},
                     {kCmdEditMeshMode, L""}},
                    shell.toolStripButtons);
  createButtonGroup(main, ButtonGroup::render);
  createButtonGroup(main, ButtonGroup::timeline);
  ui.timelineFocusButton = mainButton(kCmdFocusTimelineOnSelection);
  createButtonGroup(main, ButtonGroup::keyInspector);
  createButtonGroup(main, ButtonGroup::browsers);
  createButtonGroup(main, ButtonGroup::save);

  createButtonGroup(main, ButtonGroup::railTabs);
  shell.outlinerSearch = createChild(main, L"EDIT", L"", kEditStyle, kCtlOutlinerSearch);
  setFont(shell.outlinerSearch, ui.uiFont);
  shell.railCaption = createLabel(main, L"OUTLINER", ui.boldFont);
  shell.railDescription =
      createLabel(main, L"Scene hierarchy and visibility controls remain available in the Outliner tab.", nullptr);
  shell.railDetails = createVerbatimLabel(main, L"Panel details", nullptr);
  createButtons(main, {{kCmdRailSlot1, L"Action 1"},
                       {kCmdRailSlot2, L"Action 2"},
                       {kCmdRailSlot3, L"Action 3"},
                       {kCmdRailSlot4, L"Action 4"},
                       {kCmdRailSlot5, L"Action 5"},
                       {kCmdRailSlot6, L"Action 6"}});
  createButtonsInto(main,
                    {rowButton(kCmdToolSelect), rowButton(kCmdToolMove), rowButton(kCmdToolRotate),
                     rowButton(kCmdToolScale), rowButton(kCmdObjectMode), rowButton(kCmdEditMeshMode),
                     {kMenuAxis, L"Axis"}, rowButton(kCmdFrameSelected), rowButton(kCmdToggleSnap),
                     rowButton(kCmdResetView)},
                    shell.leftToolsButtons);

  shell.outlinerHeading = createLabel(main, L"OUTLINER", ui.boldFont);
  ui.outlinerList = createChild(main, L"LISTBOX", L"", kListBoxStyle, kCtlOutlinerList);
  setFont(ui.outlinerList, ui.uiFont);
  ui.viewport = createChild(main, kViewportClass, L"", kCustomChildStyle, 0);

  ui.timelineTitle = createLabel(main, L"TIMELINE / CURVES", ui.boldFont);
  ui.timelineFrameStatus = createVerbatimLabel(main, L"Frame 1 / 120", nullptr);
  const wchar_t* fieldNames[4] = {L"Frame", L"Start", L"End", L"FPS"};
  for (int i = 0; i < 4; ++i) ui.timelineFieldLabels[i] = createLabel(main, fieldNames[i], nullptr);
  ui.transformKeySummary = createVerbatimLabel(main, L"Transform keys: no selection", nullptr);
  ui.cameraLightKeySummary = createVerbatimLabel(main, L"Camera/light keys: no selection", nullptr);
  for (HWND& edit : ui.timelineEdits) edit = createEdit(main);

  shell.inspectorHeading = createLabel(main, L"INSPECTOR", ui.boldFont);
  shell.typeLabel = createLabel(main, L"Type", nullptr);
  shell.typeField = createChild(main, L"EDIT", L"Mesh", kReadOnlyStyle, 0);
  setFont(shell.typeField, ui.uiFont);
  shell.nameLabel = createLabel(main, L"Name", nullptr);
  shell.nameEdit = createEdit(main);
  shell.transformHeading = createLabel(main, L"Transform", ui.boldFont);
  const wchar_t* rowNames[3] = {L"Position", L"Rotation", L"Scale"};
  for (int i = 0; i < 3; ++i) shell.transformRowLabels[i] = createLabel(main, rowNames[i], nullptr);
  for (HWND& edit : shell.transformEdits) edit = createEdit(main);
  shell.colorLabel = createLabel(main, L"Color (RGB)", nullptr);
  for (HWND& edit : shell.colorEdits) edit = createEdit(main);
  shell.intensityLabel = createLabel(main, L"Intensity", nullptr);
  shell.intensityEdit = createEdit(main);
  shell.rangeLabel = createLabel(main, L"Range / FOV", nullptr);
  shell.rangeEdit = createEdit(main);

  ui.keyHeading = createLabel(main, L"Keyframe Inspector / Curves v1", ui.boldFont);
  ui.keyStatus = createVerbatimLabel(main, L"No selected keyframe", nullptr);
  shell.keyFrameLabel = createLabel(main, L"Key Frame", nullptr);
  shell.curveLabel = createLabel(main, L"Curve", nullptr);
  shell.noteLabel = createLabel(main, L"Note", nullptr);
  ui.keyValues = createVerbatimLabel(main, L"Values: no key selected", nullptr);
  shell.presetHeading = createLabel(main, L"Preset Browser v1", ui.boldFont);
  shell.presetStatus = createVerbatimLabel(main, L"Preset Browser: ready", nullptr);
  shell.presetDescription =
      createVerbatimLabel(main, L"Browse reusable preset records before capsule application begins.", nullptr);
  shell.capsuleHeading = createLabel(main, L"Veltrask Capsules / Starter + Material + Lighting Capsules", ui.boldFont);
  shell.capsuleStatus = createVerbatimLabel(main, L"Capsules: ready", nullptr);
  shell.capsuleDescription =
      createVerbatimLabel(main, L"Preview/apply object-kit, starter, material, and lighting capsules.", nullptr);
  ui.keyFrameEdit = createEdit(main);
  ui.curveEdit = createEdit(main);
  ui.noteEdit = createEdit(main);

  shell.texturePreview = createChild(main, kTexturePreviewClass, L"", kCustomChildStyle, 0);
  shell.meshDetailsClip = createLabel(main, L"", nullptr);
  SetWindowLongPtrW(shell.meshDetailsClip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(detailsClipProc));
  shell.meshDetails = createVerbatimLabel(shell.meshDetailsClip, L"Mesh:", nullptr);
  createButtonGroup(main, ButtonGroup::inspector);
  shell.inspectorScrollbar = createChild(main, kInspectorScrollbarClass, L"", kCustomChildStyle, kCtlInspectorScrollbar);

  ui.statusLine = createVerbatimLabel(main, L"●  Ready", nullptr);
  shell.projectLabel = createVerbatimLabel(main, L"Project: Untitled", nullptr);
  ui.dirtyBadge = createLabel(main, L"Saved", nullptr);
  shell.objectCountLabel = createLabel(main, L"Objects: 3", nullptr);
  shell.versionLabel = createLabel(main, L"v65.6", nullptr);
  shell.viewLabel = createLabel(main, L"▦  Perspective", nullptr);
  shell.hiddenStatusLabels[0] = createLabel(main, L"◇  Objects: 3", nullptr);
  shell.hiddenStatusLabels[1] = createLabel(main, L"◷  FPS: 60", nullptr);

  shell.hoverTip = CreateWindowExW(kHoverTipExStyle, kHoverTipClass, L"", kHoverTipStyle, 0, 0, 0, 0, main, nullptr,
                                appState().instance, nullptr);
  setFont(shell.hoverTip, ui.uiFont);
  attachHoverTips();
}

}  // namespace vk
