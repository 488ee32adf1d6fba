// The main window's controls: fonts, brushes and every child window, created
// at 0 x 0 in the order that fixes their z and tab order (the layout places
// them), and the small helpers that read and write control texts.
#include <array>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "model/app_state.h"
#include "shell/shell.h"

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

template <std::size_t N>
void createButtonsInto(HWND parent, std::initializer_list<ButtonSpec> buttons, HWND (&out)[N]) {
  std::size_t i = 0;
  for (const ButtonSpec& b : buttons) {
    HWND button = createButton(parent, b.label, b.id);
    if (i < N) out[i++] = button;
  }
}

bool isSecondCopy(HWND control) {
  const UiHandles& ui = appState().ui;
  for (HWND h : ui.toolStripButtons)
    if (h == control) return true;
  for (HWND h : ui.leftToolsButtons)
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
  std::wstring text(kWindowTextLimit + 1, L'\0');
  const int read = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  if (read <= 0) return {};
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(read), kWindowTextLimit));
  return text;
}

int getIntFromWindow(HWND window, int fallback) {
  const std::wstring text = getTextFromWindow(window);
  if (text.empty()) return fallback;
  wchar_t* end = nullptr;
  errno = 0;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (end == text.c_str() || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int>(value);
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

void setEditDouble(HWND window, double value) {
  if (!window) return;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  SetWindowTextW(window, utf8ToWide(buffer).c_str());
}

HMENU createThemedPopupMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  MENUINFO info{};
  info.fMask = MIM_BACKGROUND;
  info.hbrBack = appState().ui.panelBrush;
  SetMenuInfo(menu, &info);
  return menu;
}

void createMainWindowControls(HWND main) {
  UiHandles& ui = appState().ui;
  ui.uiFont = makeFont(-14, 400);
  ui.smallFont = makeFont(-12, 400);
  ui.boldFont = makeFont(-14, 600);
  ui.titleFont = makeFont(-16, 600);
  ui.panelBrush = CreateSolidBrush(RGB(24, 29, 38));
  ui.fieldBrush = CreateSolidBrush(RGB(24, 30, 40));

  createButtons(main, {{9001, L"File"}, {9016, L"Edit"}, {9002, L"Create"}, {9003, L"Object"}, {9005, L"Mesh"},
                       {9006, L"Curve"}, {9007, L"Modifier"}, {9010, L"Material"}, {9011, L"View"},
                       {9012, L"Render"}, {9017, L"Tools"}, {9018, L"Window"}, {9013, L"Timeline"},
                       {9014, L"Presets"}, {9015, L"Capsules"}, {9004, L"Help"}});
  ui.contextLabels[0] = createLabel(main, L"Work Mode", ui.smallFont);
  ui.contextLabels[1] = createLabel(main, L"Context Actions", ui.smallFont);
  ui.contextLabels[2] = createLabel(
      main, L"Mode-aware shelves keep the viewport open. Full commands remain in menus and right-click.",
      ui.smallFont);
  createButtons(main, {{1101, L"Cube"}, {1105, L"Plane"}, {1106, L"Sphere"}, {1107, L"Cylinder"},
                       {1108, L"Cone"}, {1102, L"Camera"}, {1103, L"Light"}, {1120, L"Line"}, {1121, L"Bezier"},
                       {1122, L"Circle"}, {1123, L"Rect"}});
  createButtons(main, {{9008, L"Selection ▾"}, {9009, L"Axis ▾"}});
  createButtons(main, {{1701, L"Select"}, {1702, L"Move"}, {1703, L"Rotate"}, {1704, L"Scale"}, {1730, L"Object"},
                       {1731, L"Edit Mesh"}, {1736, L"Edit Curve"}, {1732, L"Vertex"}, {1733, L"Edge"},
                       {1734, L"Face"}, {1735, L"Clear Sel"}});
  createButtons(main, {{1740, L"Extrude"}, {1741, L"Del Comp"}, {1742, L"Merge"}, {1743, L"Flip N"},
                       {1744, L"Recalc N"}, {1745, L"Inset"}, {1746, L"Bevel"}, {1747, L"Bridge"},
                       {1748, L"Loop Cut"}, {1749, L"Fill"}, {1750, L"Separate"}, {1751, L"Join"}});
  createButtons(main, {{1760, L"Add Pt"}, {1761, L"Del Pt"}, {1762, L"Curve→Mesh"}});
  createButtons(main, {{1710, L"Free"}, {1711, L"X"}, {1712, L"Y"}, {1713, L"Z"}, {1720, L"Snap"}});
  createButtons(main, {{1204, L"Undo"}, {1205, L"Redo"}, {1201, L"Duplicate"}, {1202, L"Delete"},
                       {1801, L"New Group"}});
  createButtons(main, {{1901, L"Mirror"}, {1902, L"Array"}, {1903, L"Bevel Mod"}, {1904, L"Solidify"},
                       {1905, L"Subdiv"}, {1906, L"Bend"}, {1907, L"Twist"}, {1908, L"Taper"}, {1909, L"Lattice"}});
  createButtons(main, {{1802, L"Parent"}, {1803, L"Unparent"}, {1804, L"Visible"}, {1805, L"Lock"}});
  createButtons(main, {{1502, L"Frame"}, {1501, L"Reset View"}});
  ui.projectionButton = createButton(main, L"Ortho", 1503);
  createButtons(main, {{1504, L"Camera"}, {1514, L"Shading"}, {1535, L"Orbit"}, {1536, L"Pan"}, {1537, L"Dolly"},
                       {1538, L"Cam Aim"}});
  createButtonsInto(main, {{1701, L""}, {1702, L""}, {1703, L""}, {1704, L""}, {1730, L""}, {1731, L""}},
                    ui.toolStripButtons);
  createButtons(main, {{1520, L"Render PNG"}});
  createButtons(main, {{1540, L"|<"}, {1541, L"<"}, {1542, L">"}, {1543, L">|"}, {1544, L"Apply"},
                       {1548, L"Focus Selected"}, {1550, L"Key +"}, {1551, L"Key -"}, {1552, L"Prev Key"},
                       {1553, L"Next Key"}, {1554, L"Apply Key"}, {1560, L"Cam Key +"}, {1561, L"Cam Key -"},
                       {1564, L"Apply Cam"}, {1566, L"Light Key +"}, {1567, L"Light Key -"},
                       {1570, L"Apply Light"}});
  createButtons(main, {{1572, L"Select Cur"}, {1577, L"Prev"}, {1578, L"Next"}, {1573, L"Apply Meta"},
                       {1574, L"Capture Obj"}, {1575, L"Apply Key"}, {1576, L"Delete Key"}});
  createButtons(main, {{1591, L"Preset <"}, {1592, L"Preset >"}, {1593, L"Preview"}, {1594, L"Apply"},
                       {1595, L"Filter"}, {1611, L"Capsule <"}, {1612, L"Capsule >"}, {1613, L"Preview Cap"},
                       {1614, L"Apply Cap"}, {1615, L"Filter"}});
  createButtons(main, {{1003, L"Save"}});

  createButtons(main, {{7201, L"Outliner"}, {7202, L"Assets"}, {7203, L"Materials"}, {7204, L"Scene"},
                       {7205, L"History"}});
  ui.outlinerSearch = createChild(main, L"EDIT", L"", kEditStyle, 7211);
  setFont(ui.outlinerSearch, ui.uiFont);
  ui.railCaption = createLabel(main, L"OUTLINER", ui.boldFont);
  ui.railDescription =
      createLabel(main, L"Scene hierarchy and visibility controls remain available in the Outliner tab.", nullptr);
  ui.railDetails = createLabel(main, L"Panel details", nullptr);
  createButtons(main, {{7221, L"Action 1"}, {7222, L"Action 2"}, {7223, L"Action 3"}, {7224, L"Action 4"},
                       {7225, L"Action 5"}, {7226, L"Action 6"}});
  createButtonsInto(main,
                    {{1701, L"Select"}, {1702, L"Move"}, {1703, L"Rotate"}, {1704, L"Scale"}, {1730, L"Object"},
                     {1731, L"Edit Mesh"}, {9009, L"Axis"}, {1502, L"Frame"}, {1720, L"Snap"},
                     {1501, L"Reset View"}},
                    ui.leftToolsButtons);

  ui.outlinerHeading = createLabel(main, L"OUTLINER", ui.boldFont);
  ui.outlinerList = createChild(main, L"LISTBOX", L"", kListBoxStyle, 2001);
  setFont(ui.outlinerList, ui.uiFont);
  ui.viewport = createChild(main, kViewportClass, L"", kCustomChildStyle, 0);

  ui.timelineTitle = createLabel(main, L"TIMELINE / CURVES", ui.boldFont);
  ui.timelineFrameStatus = createLabel(main, L"Frame 1 / 120", nullptr);
  const wchar_t* fieldNames[4] = {L"Frame", L"Start", L"End", L"FPS"};
  for (int i = 0; i < 4; ++i) ui.timelineFieldLabels[i] = createLabel(main, fieldNames[i], nullptr);
  ui.transformKeySummary = createLabel(main, L"Transform keys: no selection", nullptr);
  ui.cameraLightKeySummary = createLabel(main, L"Camera/light keys: no selection", nullptr);
  for (HWND& edit : ui.timelineEdits) edit = createEdit(main);

  ui.inspectorHeading = createLabel(main, L"INSPECTOR", ui.boldFont);
  ui.typeLabel = createLabel(main, L"Type", nullptr);
  ui.typeField = createChild(main, L"EDIT", L"Mesh", kReadOnlyStyle, 0);
  setFont(ui.typeField, ui.uiFont);
  ui.nameLabel = createLabel(main, L"Name", nullptr);
  ui.nameEdit = createEdit(main);
  ui.transformHeading = createLabel(main, L"Transform", ui.boldFont);
  const wchar_t* rowNames[3] = {L"Position", L"Rotation", L"Scale"};
  for (int i = 0; i < 3; ++i) ui.transformRowLabels[i] = createLabel(main, rowNames[i], nullptr);
  for (HWND& edit : ui.transformEdits) edit = createEdit(main);
  ui.colorLabel = createLabel(main, L"Color (RGB)", nullptr);
  for (HWND& edit : ui.colorEdits) edit = createEdit(main);
  ui.intensityLabel = createLabel(main, L"Intensity", nullptr);
  ui.intensityEdit = createEdit(main);
  ui.rangeLabel = createLabel(main, L"Range / FOV", nullptr);
  ui.rangeEdit = createEdit(main);

  ui.keyHeading = createLabel(main, L"Keyframe Inspector / Curves v1", ui.boldFont);
  ui.keyStatus = createLabel(main, L"No selected keyframe", nullptr);
  ui.keyFrameLabel = createLabel(main, L"Key Frame", nullptr);
  ui.curveLabel = createLabel(main, L"Curve", nullptr);
  ui.noteLabel = createLabel(main, L"Note", nullptr);
  ui.keyValues = createLabel(main, L"Values: no key selected", nullptr);
  ui.presetHeading = createLabel(main, L"Preset Browser v1", ui.boldFont);
  ui.presetStatus = createLabel(main, L"Preset Browser: ready", nullptr);
  ui.presetDescription = createLabel(main, L"Browse reusable preset records before capsule application begins.", nullptr);
  ui.capsuleHeading = createLabel(main, L"Veltrask Capsules / Starter + Material + Lighting Capsules", ui.boldFont);
  ui.capsuleStatus = createLabel(main, L"Capsules: ready", nullptr);
  ui.capsuleDescription =
      createLabel(main, L"Preview/apply object-kit, starter, material, and lighting capsules.", nullptr);
  ui.keyFrameEdit = createEdit(main);
  ui.curveEdit = createEdit(main);
  ui.noteEdit = createEdit(main);

  ui.texturePreview = createChild(main, kTexturePreviewClass, L"", kCustomChildStyle, 0);
  ui.meshDetails = createLabel(main, L"Mesh:", nullptr);
  createButtons(main, {{1301, L"Apply Inspector"}, {1203, L"Reset Transform"}});
  ui.inspectorScrollbar = createChild(main, kInspectorScrollbarClass, L"", kCustomChildStyle, 1601);

  ui.statusLine = createLabel(main, L"●  Ready", nullptr);
  ui.projectLabel = createLabel(main, L"Project: Untitled", nullptr);
  ui.dirtyBadge = createLabel(main, L"Saved", nullptr);
  ui.objectCountLabel = createLabel(main, L"Objects: 3", nullptr);
  ui.versionLabel = createLabel(main, L"v65.6", nullptr);
  ui.viewLabel = createLabel(main, L"▦  Perspective", nullptr);
  ui.hiddenStatusLabels[0] = createLabel(main, L"◇  Objects: 3", nullptr);
  ui.hiddenStatusLabels[1] = createLabel(main, L"◷  FPS: 60", nullptr);

  ui.hoverTip = CreateWindowExW(kHoverTipExStyle, kHoverTipClass, L"", kHoverTipStyle, 0, 0, 0, 0, main, nullptr,
                                appState().instance, nullptr);
  setFont(ui.hoverTip, ui.uiFont);
  attachHoverTips();
}

}  // namespace vk
