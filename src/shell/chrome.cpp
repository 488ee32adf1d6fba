// The owner-drawn look of the main window: rounded fills, soft glows,
// section headers, every button and menu item, and the whole chrome paint
// of the main window's client area. Every painter restores the device
// context and deletes what it created.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/shell.h"
#include "shell/shell_handles.h"
#include "viewport/viewport.h"

namespace vk {

namespace {

constexpr UINT kOneLine = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;

COLORREF darkened(COLORREF c) {
  auto channel = [](int v) { return static_cast<int>(std::trunc(v - 0.25 * v)); };
  return RGB(channel(GetRValue(c)), channel(GetGValue(c)), channel(GetBValue(c)));
}

RECT offsetRect(RECT r, int dy) {
  r.top += dy;
  r.bottom += dy;
  return r;
}

void drawText(HDC dc, const std::wstring& text, RECT r, HFONT font, COLORREF colour, UINT format) {
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (oldFont) SelectObject(dc, oldFont);
}

void fillSolid(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void horizontalLine(HDC dc, int x0, int x1, int y, COLORREF colour) { fillSolid(dc, RECT{x0, y, x1, y + 1}, colour); }

void filledTriangle(HDC dc, const POINT (&points)[3], COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  Polygon(dc, points, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

bool rectHasArea(const RECT& r) { return r.right > r.left && r.bottom > r.top; }

// Panel frame with a header band of the given height and a line under it.
void drawPanel(HDC dc, const RECT& r, int headerHeight) {
  roundRectFill(dc, r, kPanelFill, kPanelBorder, 10);
  const RECT header{r.left + 1, r.top + 1, r.right - 1, r.top + headerHeight};
  fillVerticalGradient(dc, header, kPanelHeaderTop, kPanelHeaderBottom);
  horizontalLine(dc, r.left + 1, r.right - 1, r.top + headerHeight, kPanelBorder);
}

std::wstring timelineStripText() {
  const AppState& app = appState();
  const Scene& scene = app.project.scene;
  const TimelineBridge& t = scene.timelineSettings;
  const Object* focus = t.focusObjectId.empty() ? nullptr : findObjectById(scene, t.focusObjectId);
  const Object* selected = findObjectById(scene, app.selectedObjectId);
  const std::size_t keys = selected ? selected->transformAnimation.keyframes.size() : 0;
  return L"Frame " + std::to_wstring(t.currentFrame) + L" / " + std::to_wstring(t.frameEnd) + L"  |  Range " +
         std::to_wstring(t.frameStart) + L"-" + std::to_wstring(t.frameEnd) + L"  |  " + fixedDecimals(t.fps, 2) +
         L" fps  |  Loop: " + (t.loopPlayback ? L"On" : L"Off") + L"  |  Focus: " +
         (focus ? focus->name : std::wstring(L"Scene")) + L"  |  Key: " + std::to_wstring(keys) + L"  |  " +
         (app.orthographic ? L"Ortho On" : L"Ortho Off");
}

const wchar_t* sectionTitle(int id) {
  switch (id) {
    case 1: return L"TRANSFORM";
    case 2: return L"COLOR (RGB) / DISPLAY";
    case 3: return L"CAMERA / LIGHT";
    case 4: return L"KEYFRAME INSPECTOR / CURVES";
    case 5: return L"NOTES";
    default: return L"SECTION";
  }
}

bool sectionOpen(int id) {
  const AppState& app = appState();
  switch (id) {
    case 1: return app.inspectorTransformOpen;
    case 2: return app.inspectorDisplayOpen;
    case 3: return app.inspectorCameraOpen;
    case 4: return app.inspectorKeyframesOpen;
    case 5: return app.inspectorNotesOpen;
    default: return false;
  }
}

}  // namespace

void hollowRoundRect(HDC dc, const RECT& r, COLORREF colour, int corner) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void roundRectFill(HDC dc, const RECT& r, COLORREF fill, COLORREF border, int corner) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, border);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void drawSoftGlow(HDC dc, int x, int y, int radius, COLORREF colour) {
  constexpr COLORREF base = kControlBackground;
  for (int k = 4; k >= 0; --k) {
    const double w = 0.08 + 0.01 * k;
    auto channel = [w](int b, int c) { return static_cast<int>(std::trunc(b + w * (c - b))); };
    const COLORREF disc = RGB(channel(GetRValue(base), GetRValue(colour)), channel(GetGValue(base), GetGValue(colour)),
                              channel(GetBValue(base), GetBValue(colour)));
    const int r = static_cast<int>(std::trunc((0.35 + 0.18 * k) * radius));
    HBRUSH brush = CreateSolidBrush(disc);
    HPEN pen = CreatePen(PS_SOLID, 1, disc);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Ellipse(dc, x - r, y - r, x + r, y + r);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
}

void drawSectionHeader(HDC dc, const RECT& r, const std::wstring& title, bool open) {
  roundRectFill(dc, r, kSectionHeaderFill, kPanelBorder, 8);
  HFONT bold = appState().ui.boldFont;
  drawText(dc, open ? L"v" : L">", RECT{r.left + 10, r.top, r.left + 28, r.bottom}, bold, kTextSecondary,
           DT_CENTER | kOneLine);
  drawText(dc, title, RECT{r.left + 32, r.top, r.right - 10, r.bottom}, bold, kTextPrimary, DT_LEFT | kOneLine);
}

// The two toolbar dropdowns are no commands: each lights while its choice is
// away from the default.
bool isDropdownLit(int id) {
  const AppState& app = appState();
  if (id == kMenuSelection) return app.workMode != WorkMode::Object;
  if (id == kMenuAxis) return app.axisConstraint != AxisConstraint::Free;
  return false;
}

namespace {

// A main button's caption runs from right of its icon to 6 pixels inside its
// right edge; a narrow button's icon is smaller. With less room than a letter
// and the ellipsis the caption is left out.
constexpr int kNarrowButton = 92;
constexpr int kCaptionRightInset = 6;
constexpr int kLeastCaptionRoom = 24;
int captionLeftInset(int width) { return width < kNarrowButton ? 31 : 35; }

}  // namespace

int buttonWidthForCaption(const std::wstring& caption) {
  SIZE size{};
  if (HDC dc = GetDC(nullptr)) {
    HFONT font = appState().ui.boldFont;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  const int room = std::max<int>(size.cx, kLeastCaptionRoom) + kCaptionRightInset;
  const int narrow = captionLeftInset(0) + room;
  return narrow < kNarrowButton ? narrow : captionLeftInset(kNarrowButton) + room;
}

void drawButtonItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const int id = static_cast<int>(item.CtlID);
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  const bool active = commandChecked(id) || isDropdownLit(id);
  const bool highlighted = active || hasCommandFlag(id, kAlwaysHighlighted) || id == kTextDialogFirstButton;
  const bool menuBar = (id >= kMenuFile && id <= kMenuModifier) || (id >= kMenuMaterial && id <= kMenuWindow);
  const std::wstring text = getTextFromWindow(item.hwndItem);
  const int width = r.right - r.left;
  // A caption with less room beside the icon than a letter and the ellipsis
  // is left out; the icon and the hover tip name the button.
  const bool captionLeftOut = !text.empty() && width - captionLeftInset(width) - kCaptionRightInset < kLeastCaptionRoom;
  const bool iconOnly = !menuBar && ((text.empty() && width < 48) || captionLeftOut);
  const UiHandles& ui = appState().ui;

  if (id >= kCmdRailOutliner && id <= kCmdRailHistory) {
    roundRectFill(dc, offsetRect(r, 2), kRailTabShadow, kRailTabShadow, 9);
    fillVerticalGradient(dc, r, active ? kRailTabActiveTop : kCardFill, active ? kRailTabActiveBottom : kRailTabBottom);
    hollowRoundRect(dc, r, active ? kRailTabActiveBorder : kRailTabBorder, 9);
    drawRailTabGlyph(dc, RECT{r.left + 14, r.top + 6, r.right - 14, r.top + 28}, id,
                     active ? kWhite : kRailTabGlyph);
    drawText(dc, text, RECT{r.left + 2, r.top + 30, r.right - 2, r.bottom - 4}, ui.smallFont,
             active ? kWhite : kTextSecondary, DT_CENTER | kOneLine);
    return;
  }
  if (menuBar) {
    const COLORREF fill = pressed ? darkened(kBackdropTop) : kBackdropTop;
    fillSolid(dc, r, fill);
    horizontalLine(dc, r.left + 8, r.right - 8, r.bottom - 2, focused ? kMenuBarFocus : fill);
    drawText(dc, text, r, ui.boldFont, kTextControl, DT_CENTER | kOneLine);
    return;
  }
  COLORREF top = highlighted ? kButtonAccentTop : kButtonTop;
  COLORREF bottom = highlighted ? kButtonAccentBottom : kButtonBottom;
  if (pressed) {
    top = darkened(top);
    bottom = darkened(bottom);
  }
  roundRectFill(dc, offsetRect(r, 2), kButtonShadow, kButtonShadow, 8);
  fillVerticalGradient(dc, r, top, bottom);
  hollowRoundRect(dc, r, focused ? kButtonFocusBorder : highlighted ? kButtonAccentBorder : kButtonBorder, 8);
  const bool narrow = width < kNarrowButton;
  const int middle = (r.left + r.right) / 2;
  const RECT iconRect = captionLeftOut ? RECT{middle - 8, r.top + 7, middle + 8, r.bottom - 7}
                        : iconOnly     ? RECT{r.left + 5, r.top + 5, r.right - 5, r.bottom - 5}
                        : narrow ? RECT{r.left + 8, r.top + 7, r.left + 24, r.bottom - 7}
                                 : RECT{r.left + 8, r.top + 7, r.left + 29, r.bottom - 7};
  drawIcon(dc, iconRect, id, ObjectKind::Empty, L"", highlighted);
  if (iconOnly) return;
  drawText(dc, text, RECT{r.left + captionLeftInset(width), r.top, r.right - kCaptionRightInset, r.bottom}, ui.boldFont,
           kTextButton, DT_LEFT | kOneLine);
}

void drawStyledMenuItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const wchar_t* data = reinterpret_cast<const wchar_t*>(item.itemData);
  const std::wstring text = data ? data : L"";
  const bool submenu = text.find(L'>') != std::wstring::npos || text.find(L'\u203A') != std::wstring::npos;
  fillVerticalGradient(dc, r, selected ? kSelectionFill : kMenuItemTop,
                       selected ? kMenuItemSelectedBottom : kMenuItemBottom);
  drawIcon(dc, RECT{r.left + 12, r.top + 6, r.left + 34, r.bottom - 6}, submenu ? 0 : static_cast<int>(item.itemID),
           ObjectKind::Empty, L"", selected);
  drawText(dc, text, RECT{r.left + 48, r.top, r.right - (submenu ? 34 : 18), r.bottom}, appState().ui.uiFont,
           selected ? kTextMenuSelected : kTextControl, DT_LEFT | kOneLine);
  if (submenu) {
    const int middle = (r.top + r.bottom) / 2;
    const POINT arrow[3] = {{r.right - 18, middle - 5}, {r.right - 18, middle + 5}, {r.right - 10, middle}};
    filledTriangle(dc, arrow, selected ? kTextMenuSelected : kMenuSubmenuArrow);
  }
  horizontalLine(dc, r.left, r.right, r.bottom - 1, selected ? kMenuItemSelectedLine : kSeparator);
}

void drawMainWindowChrome(HDC dc, const RECT& client) {
  const AppState& app = appState();
  const UiHandles& ui = app.ui;
  const ShellHandles& shell = shellHandles();

  fillVerticalGradient(dc, client, kWindowTop, kWindowBottom);
  drawSoftGlow(dc, client.right / 5, 80, 260, kGlowUpperLeft);
  drawSoftGlow(dc, client.right - 300, client.bottom - 110, 280, kGlowLowerRight);
  drawSoftGlow(dc, (client.left + client.right) / 2, (client.top + client.bottom) / 2, 340, kGlowCentre);

  // Menu bar band with the logo.
  const RECT& title = shell.titleBarRect;
  fillVerticalGradient(dc, title, kTitleTop, kTitleBottom);
  horizontalLine(dc, title.left, title.right, title.bottom - 1, kTitleLine);
  filledTriangle(dc, {{16, title.top + 11}, {34, title.top + 19}, {24, title.bottom - 10}}, kAccentBlue);
  filledTriangle(dc, {{44, title.top + 11}, {26, title.top + 19}, {38, title.bottom - 10}}, kAccentBlueLight);
  drawText(dc, L"Veltrask Studio", RECT{54, title.top + 4, 206, title.bottom - 3}, ui.boldFont, kTextPrimary,
           DT_LEFT | kOneLine);
  drawText(dc, L"Phase 65", RECT{216, title.top + 5, std::min(340, menuBarLeft(title.right) - 6), title.bottom - 4},
           ui.uiFont, kTextSecondary, DT_LEFT | kOneLine);

  const RECT& tb = shell.toolbarRect;
  fillVerticalGradient(dc, tb, kToolbarTop, kToolbarBottom);
  horizontalLine(dc, tb.left, tb.right, tb.bottom - 1, kBarLine);
  // The "Mode" and "Tool" captions are the layout's labels, placed beside their buttons.
  roundRectFill(dc, RECT{tb.left + 8, tb.top + 7, tb.right - 8, tb.bottom - 7}, kToolbarWell, kWellBorder, 9);

  roundRectFill(dc, shell.activityRailRect, kActivityRailFill, kActivityRailBorder, 10);

  // Left panel.
  const RECT& rp = shell.railPanelRect;
  drawPanel(dc, rp, 46);
  const int panel = leftRailPanelFromIndex(app.activeRailPanel);
  const std::wstring caption = leftRailPanelCaption(panel);
  drawText(dc, caption, RECT{rp.left + 14, rp.top + 9, rp.right - 42, rp.top + 33}, ui.boldFont, kTextPrimary,
           DT_LEFT | kOneLine);
  drawText(dc, L"...", RECT{rp.right - 38, rp.top + 9, rp.right - 14, rp.top + 33}, ui.uiFont, kTextSecondary,
           DT_CENTER | kOneLine);
  // The card only: the caption and description labels the layout places on it carry its text.
  if (panel != 0) roundRectFill(dc, railCardRect(rp), kCardFill, kPanelBorder, 8);

  const RECT& lt = shell.leftToolsRect;
  if (lt.bottom - lt.top > 0) {
    horizontalLine(dc, lt.left + 10, lt.right - 10, lt.top, kPanelBorder);
    roundRectFill(dc, RECT{lt.left + 12, lt.top + 12, lt.right - 12, lt.top + 42}, kLeftToolsHeader, kWellBorder, 6);
    drawText(dc, L"TOOLS", RECT{lt.left + 22, lt.top + 12, lt.right - 54, lt.top + 42}, ui.boldFont, kTextPrimary,
             DT_LEFT | kOneLine);
    drawText(dc, app.leftToolsOpen ? L"v" : L">", RECT{lt.right - 40, lt.top + 12, lt.right - 20, lt.top + 42},
             ui.boldFont, kTextSecondary, DT_CENTER | kOneLine);
    if (app.leftToolsOpen) {
      drawText(dc, L"Quick actions", RECT{lt.left + 24, lt.top + 42, lt.right - 24, lt.top + 62}, ui.smallFont,
               kTextSecondary, DT_LEFT | kOneLine);
      roundRectFill(dc, RECT{lt.left + 12, lt.top + 64, lt.right - 12, lt.bottom - 10}, kCardFill,
                    kLeftToolsCardBorder, 6);
    }
  }

  // Viewport area: header band, tool strip well and the timeline status strip.
  const RECT& area = ui.viewportAreaRect;
  const RECT& header = shell.viewportHeaderRect;
  roundRectFill(dc, area, kViewportAreaFill, kViewportAreaBorder, 10);
  fillVerticalGradient(dc, header, kViewportHeaderTop, kViewportHeaderBottom);
  horizontalLine(dc, area.left + 1, area.right - 1, header.bottom - 1, kViewportHeaderLine);
  roundRectFill(dc,
                RECT{area.left + 10, header.bottom + 10, area.left + 46,
                     std::max(header.bottom + 224, area.bottom - 56)},
                kToolStripWell, kToolStripBorder, 8);
  const RECT strip{area.left + 10, area.bottom - 32, area.right - 10, area.bottom - 7};
  fillVerticalGradient(dc, strip, kViewportAreaFill, kToolStripWell);
  drawText(dc, timelineStripText(), RECT{strip.left + 10, strip.top, strip.right - 10, strip.bottom}, ui.smallFont,
           kTextSecondary, DT_LEFT | kOneLine);

  if (app.project.scene.timelineSettings.showTimelinePanel && rectHasArea(ui.timelineRect)) {
    drawPanel(dc, ui.timelineRect, 38);
    drawTimelineTracks(dc);
  }

  // Inspector: frame, header, the section bands, the foot strip.
  const RECT& ir = shell.inspectorRect;
  roundRectFill(dc, ir, kPanelFill, kPanelBorder, 10);
  const RECT& ih = shell.inspectorHeaderRect;
  fillVerticalGradient(dc, RECT{ih.left + 1, ih.top + 1, ih.right - 1, ih.bottom}, kPanelHeaderTop, kPanelHeaderBottom);
  horizontalLine(dc, ih.left + 1, ih.right - 1, ih.bottom - 1, kPanelBorder);
  drawText(dc, L"v", RECT{ir.right - 34, ir.top + 10, ir.right - 14, ir.top + 34}, ui.boldFont, kTextSecondary,
           DT_CENTER | kOneLine);
  for (const InspectorSectionHeader& section : inspectorSectionHeaderRects()) {
    const RECT& s = section.rect;
    if (s.top < ih.bottom || s.top >= ir.bottom - 74) continue;
    const bool open = sectionOpen(section.id);
    drawSectionHeader(dc, s, sectionTitle(section.id), open);
    if (open) {
      const RECT band{s.left, s.bottom + 2, s.right, std::min(s.bottom + 8, ir.bottom - 74)};
      if (rectHasArea(band)) roundRectFill(dc, band, kCardFill, kSectionBandBorder, 6);
    }
  }
  const int footTop = std::max(ir.top + 48, ir.bottom - 64);
  fillVerticalGradient(dc, RECT{ir.left, footTop, ir.right, ir.bottom}, kPanelHeaderBottom, kInspectorFootBottom);
  horizontalLine(dc, ir.left + 12, ir.right - 12, footTop, kInspectorFootLine);

  // Status bar with its wells; the right-hand wells drop out as the window narrows.
  const RECT& sb = shell.statusBarRect;
  fillVerticalGradient(dc, sb, kStatusTop, kWindowTop);
  horizontalLine(dc, sb.left, sb.right, sb.top, kBarLine);
  const int right = client.right;
  const int wells[6][2] = {{12, 272},           {282, 532},           {542, 672},
                           {right - 455, right - 295}, {right - 285, right - 135}, {right - 126, right - 14}};
  for (const auto& well : wells) {
    if (well[0] >= right - 4) continue;
    roundRectFill(dc, RECT{well[0], sb.top + 6, std::min(well[1], right - 8), sb.bottom - 6}, kStatusWell,
                  kStatusWellBorder, 8);
  }
}

}  // namespace vk
