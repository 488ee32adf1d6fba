// The main window's controls as created: classes, ids, styles and labels in
// creation order (which is both the z and the tab order), the fonts, and
// the text-to-number helpers.
#include <tuple>
#include <vector>

#include "shell_test_support.h"

namespace vk::testing {
namespace {

using ControlsTest = StudioTest;

struct Expected {
  const wchar_t* cls;
  int id;
  const wchar_t* text;
};

std::vector<Expected> buttons(std::initializer_list<std::pair<int, const wchar_t*>> list) {
  std::vector<Expected> out;
  for (auto [id, text] : list) out.push_back({L"BUTTON", id, text});
  return out;
}

std::vector<Expected> expectedControls() {
  std::vector<Expected> all;
  auto add = [&all](const std::vector<Expected>& more) { all.insert(all.end(), more.begin(), more.end()); };
  auto label = [&all](const wchar_t* text) { all.push_back({L"STATIC", 0, text}); };
  auto edit = [&all](int id = 0, const wchar_t* text = L"") { all.push_back({L"EDIT", id, text}); };
  add(buttons({{9001, L"File"}, {9016, L"Edit"}, {9002, L"Create"}, {9003, L"Object"}, {9005, L"Mesh"},
               {9006, L"Curve"}, {9007, L"Modifier"}, {9010, L"Material"}, {9011, L"View"}, {9012, L"Render"},
               {9017, L"Tools"}, {9018, L"Window"}, {9013, L"Timeline"}, {9014, L"Presets"},
               {9015, L"Capsules"}, {9004, L"Help"}}));
  label(L"Work Mode");
  label(L"Context Actions");
  label(L"Mode-aware shelves keep the viewport open. Full commands remain in menus and right-click.");
  add(buttons({{1101, L"Cube"}, {1105, L"Plane"}, {1106, L"Sphere"}, {1107, L"Cylinder"}, {1108, L"Cone"},
               {1102, L"Camera"}, {1103, L"Light"}, {1120, L"Line"}, {1121, L"Bezier"}, {1122, L"Circle"},
               {1123, L"Rect"}, {9008, L"Selection ▾"}, {9009, L"Axis ▾"}, {1701, L"Select"}, {1702, L"Move"},
               {1703, L"Rotate"}, {1704, L"Scale"}, {1730, L"Object"}, {1731, L"Edit Mesh"}, {1736, L"Edit Curve"},
               {1732, L"Vertex"}, {1733, L"Edge"}, {1734, L"Face"}, {1735, L"Clear Sel"}, {1740, L"Extrude"},
               {1741, L"Del Comp"}, {1742, L"Merge"}, {1743, L"Flip N"}, {1744, L"Recalc N"}, {1745, L"Inset"},
               {1746, L"Bevel"}, {1747, L"Bridge"}, {1748, L"Loop Cut"}, {1749, L"Fill"}, {1750, L"Separate"},
               {1751, L"Join"}, {1760, L"Add Pt"}, {1761, L"Del Pt"}, {1762, L"Curve→Mesh"}, {1710, L"Free"},
               {1711, L"X"}, {1712, L"Y"}, {1713, L"Z"}, {1720, L"Snap"}, {1204, L"Undo"}, {1205, L"Redo"},
               {1201, L"Duplicate"}, {1202, L"Delete"}, {1801, L"New Group"}, {1901, L"Mirror"}, {1902, L"Array"},
               {1903, L"Bevel Mod"}, {1904, L"Solidify"}, {1905, L"Subdiv"}, {1906, L"Bend"}, {1907, L"Twist"},
               {1908, L"Taper"}, {1909, L"Lattice"}, {1802, L"Parent"}, {1803, L"Unparent"}, {1804, L"Visible"},
               {1805, L"Lock"}, {1502, L"Frame"}, {1501, L"Reset View"}, {1503, L"Ortho"}, {1504, L"Camera"},
               {1514, L"Shading"}, {1535, L"Orbit"}, {1536, L"Pan"}, {1537, L"Dolly"}, {1538, L"Cam Aim"},
               {1701, L""}, {1702, L""}, {1703, L""}, {1704, L""}, {1730, L""}, {1731, L""}, {1520, L"Render PNG"},
               {1540, L"|<"}, {1541, L"<"}, {1542, L">"}, {1543, L">|"}, {1544, L"Apply"},
               {1548, L"Focus Selected"}, {1550, L"Key +"}, {1551, L"Key -"}, {1552, L"Prev Key"},
               {1553, L"Next Key"}, {1554, L"Apply Key"}, {1560, L"Cam Key +"}, {1561, L"Cam Key -"},
               {1564, L"Apply Cam"}, {1566, L"Light Key +"}, {1567, L"Light Key -"}, {1570, L"Apply Light"},
               {1572, L"Select Cur"}, {1577, L"Prev"}, {1578, L"Next"}, {1573, L"Apply Meta"},
               {1574, L"Capture Obj"}, {1575, L"Apply Key"}, {1576, L"Delete Key"}, {1591, L"Preset <"},
               {1592, L"Preset >"}, {1593, L"Preview"}, {1594, L"Apply"}, {1595, L"Filter"}, {1611, L"Capsule <"},
               {1612, L"Capsule >"}, {1613, L"Preview Cap"}, {1614, L"Apply Cap"}, {1615, L"Filter"},
               {1003, L"Save"}, {7201, L"Outliner"}, {7202, L"Assets"}, {7203, L"Materials"}, {7204, L"Scene"},
               {7205, L"History"}}));
  edit(7211);
  label(L"OUTLINER");
  label(L"Scene hierarchy and visibility controls remain available in the Outliner tab.");
  label(L"Panel details");
  add(buttons({{7221, L"Action 1"}, {7222, L"Action 2"}, {7223, L"Action 3"}, {7224, L"Action 4"},
               {7225, L"Action 5"}, {7226, L"Action 6"}, {1701, L"Select"}, {1702, L"Move"}, {1703, L"Rotate"},
               {1704, L"Scale"}, {1730, L"Object"}, {1731, L"Edit Mesh"}, {9009, L"Axis"}, {1502, L"Frame"},
               {1720, L"Snap"}, {1501, L"Reset View"}}));
  label(L"OUTLINER");
  all.push_back({L"LISTBOX", 2001, L""});
  all.push_back({L"VeltraskStudioPhase62Viewport", 0, L""});
  for (const wchar_t* text : {L"TIMELINE / CURVES", L"Frame 1 / 120", L"Frame", L"Start", L"End", L"FPS",
                              L"Transform keys: no selection", L"Camera/light keys: no selection"})
    label(text);
  for (int i = 0; i < 4; ++i) edit();
  label(L"INSPECTOR");
  label(L"Type");
  edit(0, L"Mesh");
  label(L"Name");
  edit();
  label(L"Transform");
  for (const wchar_t* text : {L"Position", L"Rotation", L"Scale"}) label(text);
  for (int i = 0; i < 9; ++i) edit();
  label(L"Color (RGB)");
  for (int i = 0; i < 3; ++i) edit();
  label(L"Intensity");
  edit();
  label(L"Range / FOV");
  edit();
  for (const wchar_t* text :
       {L"Keyframe Inspector / Curves v1", L"No selected keyframe", L"Key Frame", L"Curve", L"Note",
        L"Values: no key selected", L"Preset Browser v1", L"Preset Browser: ready",
        L"Browse reusable preset records before capsule application begins.",
        L"Veltrask Capsules / Starter + Material + Lighting Capsules", L"Capsules: ready",
        L"Preview/apply object-kit, starter, material, and lighting capsules."})
    label(text);
  for (int i = 0; i < 3; ++i) edit();
  all.push_back({L"VeltraskStudioPhase62TexturePreview", 0, L""});
  label(L"Mesh:");
  add(buttons({{1301, L"Apply Inspector"}, {1203, L"Reset Transform"}}));
  all.push_back({L"VeltraskStudioPhase64105InspectorScrollbar", 1601, L""});
  for (const wchar_t* text : {L"●  Ready", L"Project: Untitled", L"Saved", L"Objects: 3", L"v65.6",
                              L"▦  Perspective", L"◇  Objects: 3", L"◷  FPS: 60"})
    label(text);
  return all;
}

DWORD styleFor(const std::wstring& cls, int id, const std::wstring& text) {
  if (equalsIgnoreAsciiCase(cls, L"BUTTON")) return 0x5401000B;
  if (equalsIgnoreAsciiCase(cls, L"LISTBOX")) return 0x54210051;
  if (equalsIgnoreAsciiCase(cls, L"EDIT")) return id == 0 && text == L"Mesh" ? 0x54000880 : 0x54010080;
  return 0x54000000;
}

// Creation order is what a plain parent shows before any layout runs.
TEST_F(ControlsTest, CreatedWithIdsClassesStylesAndLabelsInZAndTabOrder) {
  startStudio();
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  const UiHandles saved = appState().ui;
  createMainWindowControls(parent);
  const std::vector<HWND> children = headless::childWindows(parent);
  const std::vector<Expected> expected = expectedControls();
  ASSERT_EQ(children.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const headless::WindowInfo info = headless::describe(children[i]);
    SCOPED_TRACE(::testing::Message() << "control " << i << " id " << expected[i].id);
    EXPECT_TRUE(equalsIgnoreAsciiCase(info.className, expected[i].cls)) << wideToUtf8(info.className);
    EXPECT_EQ(info.id, expected[i].id);
    EXPECT_EQ(info.text, expected[i].text);
    EXPECT_EQ(info.zIndex, static_cast<int>(i));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(children[i], GWL_STYLE)),
              styleFor(info.className, expected[i].id, expected[i].text));
    RECT r{};
    GetWindowRect(children[i], &r);
    EXPECT_EQ(r.right - r.left, 0);
  }
  // Buttons and bold headings share the bold font; the context labels the small one.
  const UiHandles& ui = appState().ui;
  auto fontOf = [](HWND h) { return reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)); };
  EXPECT_EQ(fontOf(children[0]), ui.boldFont);
  EXPECT_EQ(fontOf(ui.contextLabels[0]), ui.smallFont);
  EXPECT_EQ(fontOf(ui.railDescription), ui.uiFont);
  EXPECT_EQ(fontOf(ui.outlinerHeading), ui.boldFont);
  // The hover tip is an owned, hidden, non-activating popup.
  const headless::WindowInfo tip = headless::describe(ui.hoverTip);
  EXPECT_EQ(tip.owner, parent);
  EXPECT_FALSE(tip.visible);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(ui.hoverTip, GWL_EXSTYLE)), 0x08000088u);
  for (HFONT f : {ui.uiFont, ui.smallFont, ui.boldFont, ui.titleFont}) DeleteObject(f);
  for (HBRUSH b : {ui.panelBrush, ui.fieldBrush}) DeleteObject(b);
  DestroyWindow(parent);
  appState().ui = saved;
}

TEST_F(ControlsTest, TextAndNumberHelpers) {
  startStudio();
  HWND edit = appState().ui.nameEdit;
  SetWindowTextW(edit, L"12abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 12);
  SetWindowTextW(edit, L"abc");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  SetWindowTextW(edit, L"");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  EXPECT_EQ(getDoubleFromWindow(edit, 1.5), 1.5);
  SetWindowTextW(edit, L"99999999999");
  EXPECT_EQ(getIntFromWindow(edit, 7), 7);
  SetWindowTextW(edit, L" 2.5e1");
  EXPECT_DOUBLE_EQ(getDoubleFromWindow(edit, 0.0), 25.0);
  setEditDouble(edit, 3);
  EXPECT_EQ(getTextFromWindow(edit), L"3.00");
  setEditDouble(edit, -0.001);
  EXPECT_EQ(getTextFromWindow(edit), L"-0.00");
  setEditDouble(edit, 1.5);
  EXPECT_EQ(getTextFromWindow(edit), L"1.50");
  setEditInt(edit, -42);
  EXPECT_EQ(getTextFromWindow(edit), L"-42");
  SetWindowTextW(edit, std::wstring(5000, L'x').c_str());
  EXPECT_EQ(getTextFromWindow(edit).size(), 4096u);
  EXPECT_EQ(getTextFromWindow(nullptr), L"");
  EXPECT_EQ(getIntFromWindow(nullptr, 3), 3);
}

}  // namespace
}  // namespace vk::testing
