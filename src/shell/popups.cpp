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
  return {marked(!ortho, L"Perspective", 1509), marked(ortho, L"Orthographic", 1534)};
}

std::vector<PopupItem> lightingCapsules() {
  return {cmd(L"Three-Point Lighting", 2190), cmd(L"Product Softbox", 2191), cmd(L"Cinematic Rim Accent", 2192),
          cmd(L"Warm Interior Glow", 2193), cmd(L"Moonlit Blue Setup", 2194)};
}

std::vector<PopupItem> starterCapsules() {
  return {cmd(L"Clean Modeling Scene", 2195), cmd(L"Product Shot Starter", 2196),
          cmd(L"Animation Blocking Setup", 2197), cmd(L"Cinematic Turntable Starter", 2198),
          cmd(L"Moonlit Lookdev Starter", 2199)};
}

std::vector<PopupItem> toolItems() {
  return {cmd(L"Select Tool   Q", 1701), cmd(L"Move Tool   W", 1702), cmd(L"Rotate Tool   E", 1703),
          cmd(L"Scale Tool   S", 1704)};
}

std::vector<PopupItem> axisItems() {
  return {cmd(L"Axis Constraint: Free   Esc", 1710), cmd(L"Axis Constraint: X   X", 1711),
          cmd(L"Axis Constraint: Y   Y", 1712), cmd(L"Axis Constraint: Z   Z", 1713)};
}

std::vector<PopupItem> importedMeshItems() {
  return {cmd(L"Toggle Imported Mesh Read-Only", 1752), cmd(L"Convert Imported Mesh to Editable", 1753),
          cmd(L"Recover Imported Mesh Edit Safety", 1754), cmd(L"Reimport Preserved Source as New Import", 1755)};
}

std::vector<PopupItem> exportItems() {
  return {cmd(L"Export GLB 2.0 Scene...", 1011), cmd(L"Export Selected GLB 2.0...", 1010),
          cmd(L"Export glTF 2.0 JSON Scene...", 1008), cmd(L"Export OBJ Mesh...", 1007)};
}

template <typename... Lists>
std::vector<PopupItem> concat(Lists&&... lists) {
  std::vector<PopupItem> out;
  (out.insert(out.end(), lists.begin(), lists.end()), ...);
  return out;
}

std::vector<PopupItem> fileMenu() {
  return concat(std::vector<PopupItem>{cmd(L"New Project", 1001), cmd(L"Open Project...", 1002),
                                       cmd(L"Import OBJ Mesh...", 1006), sep()},
                exportItems(),
                std::vector<PopupItem>{cmd(L"Save", 1003), cmd(L"Save As...", 1004), sep(), cmd(L"Exit", 1005)});
}

std::vector<PopupItem> editMenu() {
  return {cmd(L"Undo   Ctrl+Z", 1204),           cmd(L"Redo   Ctrl+Y", 1205), sep(),
          cmd(L"Duplicate Selected", 1201),      cmd(L"Delete Selected", 1202),
          cmd(L"Clear Component Selection", 1735), sep(),
          cmd(L"Apply Inspector", 1301),         cmd(L"Reset Transform", 1203)};
}

std::vector<PopupItem> createMenu() {
  return {sub(L"Mesh Primitives", {cmd(L"Cube", 1101), cmd(L"Plane", 1105), cmd(L"Sphere", 1106),
                                   cmd(L"Cylinder", 1107), cmd(L"Cone", 1108), cmd(L"Torus", 1111),
                                   cmd(L"Text Mesh", 1109)}),
          sub(L"Curves / Splines", {cmd(L"Line Curve", 1120), cmd(L"Bezier Curve", 1121),
                                    cmd(L"Circle Curve", 1122), cmd(L"Rectangle Curve", 1123)}),
          sub(L"Scene Helpers", {cmd(L"Camera", 1102), cmd(L"Point Light", 1103), cmd(L"Directional Light", 1110),
                                 cmd(L"Spot Light", 1112), cmd(L"Area Light", 1113), cmd(L"Empty", 1104),
                                 cmd(L"New Group from Selection", 1801)}),
          sub(L"Lighting Capsules", lightingCapsules()), sub(L"Scene Starter Capsules", starterCapsules())};
}

std::vector<PopupItem> objectMenu() {
  return {
      sub(L"Mode / Selection",
          {cmd(L"Object Mode   Tab", 1730), cmd(L"Edit Mesh Mode   Tab", 1731), cmd(L"Edit Curve Mode   4", 1736),
           sep(), cmd(L"Mesh Vertex Selection   1", 1732), cmd(L"Mesh Edge Selection   2", 1733),
           cmd(L"Mesh Face Selection   3", 1734), cmd(L"Clear Component Selection", 1735)}),
      sub(L"Tools / Axis", concat(toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
                                  std::vector<PopupItem>{cmd(L"Toggle Snap", 1720), cmd(L"Reset Transform", 1203)})),
      sub(L"Object Operations",
          concat(std::vector<PopupItem>{cmd(L"Duplicate Selected", 1201), cmd(L"Delete Selected", 1202),
                                        cmd(L"New Group from Selection", 1801), sep(),
                                        cmd(L"Parent Selected To...", 1802), cmd(L"Unparent Selected", 1803),
                                        cmd(L"Toggle Visibility", 1804), cmd(L"Toggle Lock", 1805), sep()},
                 importedMeshItems())),
      sub(L"Edit Mesh Quick", {cmd(L"Extrude Selected   Ctrl+E", 1740), cmd(L"Inset Faces   I", 1745),
                               cmd(L"Bevel Selected   B", 1746), cmd(L"Bridge Edges   Ctrl+B", 1747),
                               cmd(L"Fill Face   F", 1749), cmd(L"Delete Component   Backspace", 1741)}),
      sub(L"History / View",
          {cmd(L"Undo   Ctrl+Z", 1204), cmd(L"Redo   Ctrl+Y", 1205), sep(), cmd(L"Frame Selected", 1502),
           cmd(L"Reset View", 1501), cmd(L"Toggle Perspective / Orthographic", 1503),
           cmd(L"Toggle Camera View   0", 1504), cmd(L"Set Selected Camera Active   Ctrl+0", 1505),
           cmd(L"Toggle Camera Frustum Guides", 1507), cmd(L"Toggle Camera Look Targets", 1508)})};
}

std::vector<PopupItem> meshMenu() {
  return concat(
      std::vector<PopupItem>{cmd(L"Import OBJ Mesh...", 1006)}, exportItems(),
      std::vector<PopupItem>{
          sep(), sub(L"Imported Mesh Safety", importedMeshItems()),
          sub(L"Modeling Tools", {cmd(L"Extrude Selected   Ctrl+E", 1740), cmd(L"Inset Faces   I", 1745),
                                  cmd(L"Bevel Selected   B", 1746), cmd(L"Bridge Edge Pairs   Ctrl+B", 1747),
                                  cmd(L"Loop Cut Placeholder   Ctrl+L", 1748),
                                  cmd(L"Fill Face   F in Edit Mesh", 1749)}),
          sub(L"Cleanup / Normals", {cmd(L"Delete Component   Backspace", 1741),
                                     cmd(L"Merge / Weld Selected   M", 1742), cmd(L"Flip Normals   Ctrl+F", 1743),
                                     cmd(L"Recalculate Normals   Ctrl+N", 1744)}),
          sub(L"Separate / Join",
              {cmd(L"Separate Selected Faces   Ctrl+P", 1750), cmd(L"Join Visible Meshes   Ctrl+J", 1751)})});
}

std::vector<PopupItem> curveMenu() {
  return {sub(L"Create Curve", {cmd(L"Create Line Curve", 1120), cmd(L"Create Bezier Curve", 1121),
                                cmd(L"Create Circle Curve", 1122), cmd(L"Create Rectangle Curve", 1123)}),
          sub(L"Edit / Convert", {cmd(L"Edit Curve Mode", 1736), cmd(L"Add Point   A in Edit Curve", 1760),
                                  cmd(L"Delete Selected Points   Backspace", 1761),
                                  cmd(L"Convert Curve to Mesh Copy   Ctrl+K", 1762)})};
}

std::vector<PopupItem> modifierMenu() {
  return {
      sub(L"Add Modifier",
          {cmd(L"Add Mirror Modifier", 1901), cmd(L"Add Array Modifier", 1902), cmd(L"Add Bevel Modifier", 1903),
           cmd(L"Add Solidify Modifier", 1904), cmd(L"Add Subdivision Modifier", 1905), sep(),
           cmd(L"Add Bend Modifier", 1906), cmd(L"Add Twist Modifier", 1907), cmd(L"Add Taper Modifier", 1908),
           cmd(L"Add Lattice Placeholder Modifier", 1909), cmd(L"Add Unknown Fallback Modifier", 1919)}),
      sub(L"Stack Controls",
          {cmd(L"Select Previous Modifier", 1910), cmd(L"Select Next Modifier", 1911),
           cmd(L"Enable / Disable Active Modifier", 1912), sep(), cmd(L"Move Active Modifier Up", 1913),
           cmd(L"Move Active Modifier Down", 1914), cmd(L"Remove Active Modifier", 1915)}),
      sub(L"Mirror / Array",
          {cmd(L"Mirror Active: Toggle X Axis", 1920), cmd(L"Mirror Active: Toggle Y Axis", 1921),
           cmd(L"Mirror Active: Toggle Z Axis", 1922), sep(), cmd(L"Array Active: Count +1", 1930),
           cmd(L"Array Active: Count -1", 1931), cmd(L"Array Active: Offset X +0.25", 1932),
           cmd(L"Array Active: Offset X -0.25", 1933), cmd(L"Array Active: Offset Y +0.25", 1934),
           cmd(L"Array Active: Offset Y -0.25", 1935), cmd(L"Array Active: Offset Z +0.25", 1936),
           cmd(L"Array Active: Offset Z -0.25", 1937), cmd(L"Array Active: Reset Offsets", 1938)}),
      sub(L"Bevel / Solidify",
          {cmd(L"Bevel Active: Amount +0.02", 1940), cmd(L"Bevel Active: Amount -0.02", 1941),
           cmd(L"Bevel Active: Segments +1", 1942), cmd(L"Bevel Active: Segments -1", 1943), sep(),
           cmd(L"Solidify Active: Thickness +0.05", 1950), cmd(L"Solidify Active: Thickness -0.05", 1951),
           cmd(L"Solidify Active: Offset +0.10", 1952), cmd(L"Solidify Active: Offset -0.10", 1953),
           cmd(L"Solidify Active: Reset Defaults", 1954)}),
      sub(L"Subdivision",
          {cmd(L"Subdivision Active: Viewport Level +1", 1960), cmd(L"Subdivision Active: Viewport Level -1", 1961),
           cmd(L"Subdivision Active: Render Level +1", 1962), cmd(L"Subdivision Active: Render Level -1", 1963),
           cmd(L"Subdivision Active: Smoothness +0.10", 1964), cmd(L"Subdivision Active: Smoothness -0.10", 1965),
           cmd(L"Subdivision Active: Reset Defaults", 1966)}),
      sub(L"Deformers",
          {cmd(L"Deformer Active: Axis X", 1970), cmd(L"Deformer Active: Axis Y", 1971),
           cmd(L"Deformer Active: Axis Z", 1972), sep(), cmd(L"Bend Active: Angle +15", 1973),
           cmd(L"Bend Active: Angle -15", 1974), cmd(L"Twist Active: Angle +15", 1975),
           cmd(L"Twist Active: Angle -15", 1976), cmd(L"Taper Active: Strength +0.10", 1977),
           cmd(L"Taper Active: Strength -0.10", 1978), cmd(L"Lattice Active: Cage Cells +1", 1980),
           cmd(L"Lattice Active: Cage Cells -1", 1981), cmd(L"Deformer Active: Reset Defaults", 1979)})};
}

std::vector<PopupItem> materialMenu() {
  static constexpr const wchar_t* kMaps[6] = {L"Color", L"Normal", L"Roughness", L"Metallic", L"Alpha", L"Emission"};
  std::vector<PopupItem> set, clear;
  for (int i = 0; i < 6; ++i) {
    set.push_back(cmd(std::wstring(L"Set ") + (i == 0 ? L"Color / Albedo" : kMaps[i]) + L" Map...", 2130 + i));
    clear.push_back(cmd(std::wstring(L"Clear ") + kMaps[i] + L" Map", 2140 + i));
  }
  clear.push_back(sep());
  clear.push_back(cmd(L"Refresh Missing Texture Status", 2150));
  return {sub(L"Material Slots", {cmd(L"Previous Material Slot", 2100), cmd(L"Next Material Slot", 2101),
                                  cmd(L"Add New Material Slot", 2102), cmd(L"Duplicate Active Material Slot", 2103),
                                  cmd(L"Remove Active Material Slot", 2104)}),
          sub(L"Presets", {cmd(L"Veltrask Blue", 2110), cmd(L"Brushed Gold", 2111), cmd(L"Polished Chrome", 2112),
                           cmd(L"Preview Glass", 2113), cmd(L"Arc Emissive", 2114)}),
          sub(L"Material Capsules",
              {cmd(L"Blue Anodized Metal", 2180), cmd(L"Red Gloss Paint", 2181), cmd(L"Chrome Paint", 2182),
               cmd(L"Black Rubber", 2183), cmd(L"Frosted Glass", 2184), cmd(L"Arc Emission Cyan", 2185), sep(),
               cmd(L"Apply Selected Capsule Browser Material", 2186)}),
          sub(L"Assign / PBR Fields",
              {cmd(L"Assign Active Material to Selected Faces", 2105), sep(), cmd(L"Roughness +0.05", 2120),
               cmd(L"Roughness -0.05", 2121), cmd(L"Metallic +0.05", 2122), cmd(L"Metallic -0.05", 2123)}),
          sub(L"Texture Maps: Set", set), sub(L"Texture Maps: Clear / Status", clear)};
}

std::vector<PopupItem> viewMenu() {
  return {
      sub(L"Viewport", concat(std::vector<PopupItem>{cmd(L"Frame Selected   F", 1502), cmd(L"Reset View   R", 1501)},
                              perspectiveItems(),
                              std::vector<PopupItem>{cmd(L"Toggle Projection   P", 1503),
                                                     cmd(L"Toggle Camera View   0", 1504)})),
      sub(L"Camera Guides", {cmd(L"Toggle Camera Frustum Guides", 1507),
                             cmd(L"Toggle Look Target + Coverage Cues", 1508),
                             cmd(L"Set Selected Camera Active   Ctrl+0", 1505)}),
      sub(L"Viewport Shading", {cmd(L"Wireframe   4", 1510), cmd(L"Solid   5", 1511), cmd(L"Lit   6", 1512),
                                cmd(L"Material Preview   7", 1513), cmd(L"Cycle Shading", 1514)}),
      sub(L"Cameras", {cmd(L"Add Camera", 1102), cmd(L"Set Selected Camera Active   Ctrl+0", 1505),
                       cmd(L"Clear Active Camera", 1506)}),
      sub(L"Create Lights", {cmd(L"Add Point Light", 1103), cmd(L"Add Directional Light", 1110),
                             cmd(L"Add Spot Light", 1112), cmd(L"Add Area Light", 1113)}),
      sub(L"Lighting Capsules", lightingCapsules()), sub(L"Scene Starter Capsules", starterCapsules()),
      sub(L"Selected Light Type",
          {cmd(L"Selected Light Type: Point", 2160), cmd(L"Selected Light Type: Directional", 2161),
           cmd(L"Selected Light Type: Spot", 2162), cmd(L"Selected Light Type: Area", 2163)}),
      sub(L"Selected Light Controls",
          {cmd(L"Intensity +0.25", 2170), cmd(L"Intensity -0.25", 2171), cmd(L"Range +1", 2172),
           cmd(L"Range -1", 2173), cmd(L"Spot Angle +5", 2174), cmd(L"Spot Angle -5", 2175),
           cmd(L"Area Size +0.25", 2176), cmd(L"Area Size -0.25", 2177)})};
}

std::vector<PopupItem> renderMenu() {
  const bool crop = appState().project.scene.renderSettings.cropCameraFrame;
  return {sub(L"Export Still", {cmd(L"Export Still PNG...", 1520), cmd(L"Export Still JPEG...", 1521), sep(),
                                cmd(L"Export Active Camera PNG...", 1530), cmd(L"Export Active Camera JPEG...", 1532),
                                cmd(L"Export Viewport PNG...", 1531), cmd(L"Export Viewport JPEG...", 1533)}),
          sub(L"Render Source", {cmd(L"Source: Active Camera", 1522), cmd(L"Source: Current Viewport", 1523)}),
          sub(L"Output Size", {cmd(L"Use Current Viewport Size", 1524), cmd(L"1280 x 720", 1525),
                               cmd(L"1920 x 1080", 1526), cmd(L"2560 x 1440", 1527)}),
          sep(),
          cmd(crop ? L"Camera-frame Crop: On" : L"Camera-frame Crop: Off", 1528),
          cmd(L"Render Settings / Status...", 1529)};
}

std::vector<PopupItem> toolsMenu() {
  return concat(toolItems(), std::vector<PopupItem>{sep()}, axisItems(),
                std::vector<PopupItem>{sep(), cmd(appState().snapEnabled ? L"Disable Snap" : L"Enable Snap", 1720),
                                       cmd(L"Frame Selected", 1502), cmd(L"Reset View", 1501)});
}

std::vector<PopupItem> windowMenu() {
  const bool shown = appState().project.scene.timelineSettings.showTimelinePanel;
  return concat(std::vector<PopupItem>{cmd(shown ? L"Hide Timeline / Curves" : L"Show Timeline / Curves", 1547)},
                perspectiveItems(),
                std::vector<PopupItem>{cmd(L"Toggle Projection", 1503), cmd(L"Toggle Camera View", 1504), sep(),
                                       cmd(L"Reset Workspace Layout", 7210), sep(),
                                       cmd(L"Timeline Command Set...", 9013), cmd(L"Presets Catalog...", 9014),
                                       cmd(L"Capsules Catalog...", 9015)});
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
  auto transform = keyTrackItems(L"Transform", 1550, L"   K", true);
  transform.insert(transform.end(), {cmd(L"Apply Keyed Transform at Frame", 1554), sep(),
                                     cmd(L"Clear Selected Object Transform Keys", 1555)});
  auto camera = keyTrackItems(L"Camera", 1560, L"   Shift+C", false);
  camera.insert(camera.end(),
                {cmd(L"Apply Keyed Camera Settings", 1564), sep(), cmd(L"Clear Selected Camera Keys", 1565)});
  auto light = keyTrackItems(L"Light", 1566, L"   Shift+L", false);
  light.insert(light.end(), {cmd(L"Apply Keyed Light Settings", 1570), sep(), cmd(L"Clear Selected Light Keys", 1571)});
  return {sub(L"Frame Navigation", {cmd(L"Go to Start   Home", 1540), cmd(L"Previous Frame   Left", 1541),
                                    cmd(L"Next Frame   Right", 1542), cmd(L"Go to End   End", 1543)}),
          sub(L"Bridge Settings", {cmd(L"Apply Timeline Fields", 1544), cmd(L"Reset Range: 1-120 @ 24 fps", 1545),
                                   cmd(t.loopPlayback ? L"Loop Playback: On" : L"Loop Playback: Off", 1546),
                                   cmd(t.showTimelinePanel ? L"Timeline Panel: Shown" : L"Timeline Panel: Hidden",
                                       1547)}),
          sub(L"Transform Keyframes", transform), sub(L"Camera Keyframes", camera), sub(L"Light Keyframes", light),
          sub(L"Keyframe Inspector",
              {cmd(L"Select Current Frame Key", 1572), cmd(L"Select Previous Inspector Key", 1577),
               cmd(L"Select Next Inspector Key", 1578), sep(), cmd(L"Apply Inspector Frame / Interp / Note", 1573),
               cmd(L"Capture Object Values to Key", 1574), cmd(L"Apply Selected Key to Object", 1575),
               cmd(L"Delete Selected Inspector Key", 1576), sep(), cmd(L"Set Selected Key: Linear", 1579),
               cmd(L"Set Selected Key: Hold", 1580), cmd(L"Set Selected Key: Ease In", 1581),
               cmd(L"Set Selected Key: Ease Out", 1582), cmd(L"Set Selected Key: Ease In Out", 1583)}),
          sep(),
          cmd(L"Focus Timeline on Selected Object", 1548)};
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
  return browserMenu(L"Browser Panel", appState().project.scene.presetBrowser.visible, 1590, L"Preset",
                     sub(L"Category Filter", {cmd(L"All Categories", 1595), cmd(L"Starter", 1596),
                                              cmd(L"Material", 1597), cmd(L"Lighting", 1598), cmd(L"Camera", 1599),
                                              cmd(L"Animation", 1600)}),
                     L"Built-in Catalog",
                     catalogItems(presetCatalog(), kCmdPresetCatalogBase,
                                  [](const PresetDefinition& row) { return row.name; }));
}

std::vector<PopupItem> capsulesMenu() {
  std::vector<PopupItem> items = browserMenu(
      L"Capsule Panel", appState().project.scene.capsuleBrowser.visible, 1610, L"Capsule",
      sub(L"Capsule Category", {cmd(L"All Categories", 1615), cmd(L"Object Kit", 1616), cmd(L"Workflow", 1617),
                                cmd(L"Starter", 1618), cmd(L"Material", 1620), cmd(L"Lighting", 1621),
                                cmd(L"Experimental", 1619)}),
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
    case 9001: return fileMenu();
    case 9016: return editMenu();
    case 9002: return createMenu();
    case 9003: return objectMenu();
    case 9005: return meshMenu();
    case 9006: return curveMenu();
    case 9007: return modifierMenu();
    case 9010: return materialMenu();
    case 9011: return viewMenu();
    case 9012: return renderMenu();
    case 9017: return toolsMenu();
    case 9018: return windowMenu();
    case 9013: return timelineMenu();
    case 9014: return presetsMenu();
    case 9015: return capsulesMenu();
    case 9008:
      return {cmd(L"Selection: Object Mode", 1730), cmd(L"Selection: Mesh Vertices   1", 1732),
              cmd(L"Selection: Mesh Edges   2", 1733), cmd(L"Selection: Mesh Faces   3", 1734),
              cmd(L"Selection: Curve Points", 1736), cmd(L"Clear Component/Point Selection", 1735)};
    case 9009: return axisItems();
    default: return {cmd(L"About Phase 65.6", 1401), cmd(L"Copyright", 1402)};
  }
}

std::vector<PopupItem> projectionMenuItems() {
  return concat(perspectiveItems(),
                std::vector<PopupItem>{sep(), marked(appState().cameraView, L"Camera View", 1504), sep(),
                                       cmd(L"Frame Selected", 1502), cmd(L"Reset View", 1501)});
}

std::vector<PopupItem> outlinerContextMenuItems() {
  return {cmd(L"New Group from Selection", 1801), cmd(L"Parent Selected To...", 1802),
          cmd(L"Unparent Selected", 1803), sep(), cmd(L"Toggle Visibility", 1804), cmd(L"Toggle Lock", 1805), sep(),
          cmd(L"Duplicate Selected", 1201), cmd(L"Delete Selected", 1202), cmd(L"Reset Transform", 1203), sep(),
          cmd(L"Set Selected Camera Active", 1505), cmd(L"Toggle Camera View", 1504),
          cmd(L"Toggle Camera Frustum Guides", 1507)};
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
    items.push_back(cmd(L"Parent to " + object.name, 60000 + static_cast<int>(app.parentCandidateIds.size())));
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
  if (menuId == 1503) {
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
  if (chosen >= 60000) handleCommand(chosen);
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
