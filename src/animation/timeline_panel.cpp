// The timeline panel under the viewport: the frame axis, drawing the rows,
// ruler, current-frame line and key diamonds, picking keys, scrubbing and
// dragging keys, and the texts of the controls around it.
//
// Sections:
//   - Drawing helpers
//   - Key diamonds and key picks
//   - The frame axis and picking
//   - Drawing the tracks
//   - Selecting, scrubbing and moving keys
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "animation/animation_internal.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "model/services.h"
#include "platform/palette.h"

namespace vk {

using namespace anim;

namespace {

constexpr int kRowCount = 5;
constexpr int kHitRadius = 9;
// The ruler's numbers keep this far inside the track's sides and this far
// apart.
constexpr int kRulerInset = 3;
constexpr int kRulerLabelGap = 6;

std::int32_t lowFrame(const TimelineBridge& t) { return std::min(t.frameStart, t.frameEnd); }
std::int32_t highFrame(const TimelineBridge& t) { return std::max(t.frameStart, t.frameEnd); }

int rowCentre(const RECT& track, int row) { return track.top + 35 + 22 * row; }

bool panelShown() {
  const AppState& app = appState();
  return app.project.scene.timelineSettings.showTimelinePanel && !IsRectEmpty(&app.ui.timelineKeyRect);
}

// ---- Drawing helpers -------------------------------------------------------
// One pen and brush selected for each call.

struct PenBrush {
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  HGDIOBJ oldPen, oldBrush;
  PenBrush(HDC d, COLORREF line, int width, const COLORREF* fill)
      : dc(d), pen(CreatePen(PS_SOLID, width, line)), brush(fill ? CreateSolidBrush(*fill) : nullptr),
        oldPen(SelectObject(d, pen)), oldBrush(brush ? SelectObject(d, brush) : nullptr) {}
  ~PenBrush() {
    SelectObject(dc, oldPen);
    if (oldBrush) SelectObject(dc, oldBrush);
    DeleteObject(pen);
    if (brush) DeleteObject(brush);
  }
  PenBrush(const PenBrush&) = delete;
  PenBrush& operator=(const PenBrush&) = delete;
};

void roundedPanel(HDC dc, const RECT& r, COLORREF fill, COLORREF border) {
  PenBrush tools(dc, border, 1, &fill);
  RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
}

void fillBand(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  const RECT r{left, top, right, bottom};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour, int width) {
  PenBrush tools(dc, colour, width, nullptr);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

HFONT fontOr(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

void text(HDC dc, const std::wstring& s, RECT box, HFONT font, COLORREF colour, UINT format) {
  HGDIOBJ old = SelectObject(dc, fontOr(font));
  SetTextColor(dc, colour);
  DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &box, format | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, old);
}

// ---- Key diamonds and key picks ---------------------------------------------
void drawDiamond(HDC dc, int x, int y) {
  const POINT points[4] = {{x, y - 5}, {x + 6, y}, {x, y + 5}, {x - 6, y}};
  Polygon(dc, points, 4);
}

// One fill colour's brush and both outlines, made once for a whole row of
// diamonds rather than once per key.
struct DiamondTools {
  HDC dc;
  HBRUSH fill;
  HPEN plain, selected;
  HGDIOBJ oldBrush, oldPen;
  DiamondTools(HDC d, COLORREF colour)
      : dc(d), fill(CreateSolidBrush(colour)), plain(CreatePen(PS_SOLID, 1, dimmed(colour))),
        selected(CreatePen(PS_SOLID, 1, kWhite)), oldBrush(SelectObject(d, fill)),
        oldPen(SelectObject(d, plain)) {}
  ~DiamondTools() {
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(fill);
    DeleteObject(plain);
    DeleteObject(selected);
  }
  DiamondTools(const DiamondTools&) = delete;
  DiamondTools& operator=(const DiamondTools&) = delete;
  void draw(int x, int y, bool isSelected) {
    if (isSelected) SelectObject(dc, selected);
    drawDiamond(dc, x, y);
    if (isSelected) SelectObject(dc, plain);
  }
  static COLORREF dimmed(COLORREF c) {
    auto dim = [](int v) { return static_cast<int>(std::trunc(v - 0.35 * v)); };
    return RGB(dim(GetRValue(c)), dim(GetGValue(c)), dim(GetBValue(c)));
  }
};

// The pixels of one diamond as Polygon draws it, found once by drawing one:
// over the box (left, top, width, height) around the centre, each pixel
// untouched (0), filled (1) or outlined (2), and per row the span
// [first, end) from the first touched pixel to the last.
struct DiamondStamp {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> kinds;
  std::vector<int> first, end;
  bool solidRows = true;  // no untouched pixel inside a row's span
};

DiamondStamp measureDiamondStamp() {
  constexpr int kSide = 32, kCentre = 16;
  constexpr COLORREF kFill = RGB(0, 0, 255), kOutline = RGB(255, 0, 0);
  DiamondStamp stamp;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, kSide, kSide);
  if (!dc || !bitmap) {
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
    return stamp;
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  {
    PenBrush tools(dc, kOutline, 1, &kFill);
    drawDiamond(dc, kCentre, kCentre);
  }
  std::uint8_t kinds[kSide][kSide] = {};
  RECT box{kSide, kSide, 0, 0};
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      kinds[y][x] = c == kOutline ? 2 : c == kFill ? 1 : 0;
      if (!kinds[y][x]) continue;
      box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                 std::max<LONG>(box.bottom, y + 1)};
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  if (box.right <= box.left) return stamp;
  stamp.left = box.left - kCentre;
  stamp.top = box.top - kCentre;
  stamp.width = box.right - box.left;
  stamp.height = box.bottom - box.top;
  for (int y = box.top; y < box.bottom; ++y) {
    const std::uint8_t* row = kinds[y] + box.left;
    stamp.kinds.insert(stamp.kinds.end(), row, row + stamp.width);
    int first = 0, end = stamp.width;
    while (first < end && !row[first]) ++first;
    while (end > first && !row[end - 1]) --end;
    stamp.first.push_back(first);
    stamp.end.push_back(end);
    stamp.solidRows = stamp.solidRows && std::find(row + first, row + end, 0) == row + end;
  }
  return stamp;
}

const DiamondStamp& diamondStamp() {
  static const DiamondStamp stamp = measureDiamondStamp();
  return stamp;
}

// A row's diamonds, later keys over earlier ones, stamped into a copy of the
// row's band, which then goes back through the DC's clip: the same pixels as
// one Polygon per key, without the per-call cost. A diamond's pixels that a
// later one covers wholly are not written at all: with keys in frame order
// only the pixels left of the next diamond are. False when the band cannot
// be had (the caller draws key by key).
bool stampDiamondRow(HDC dc, const RECT& band, int y, const std::vector<int>& xs, const std::vector<bool>& chosen,
                     COLORREF colour) {
  const DiamondStamp& stamp = diamondStamp();
  const int width = band.right - band.left, height = band.bottom - band.top;
  if (stamp.kinds.empty()) return false;
  void* memory = nullptr;
  HBITMAP copy = createTopDownDib32(dc, width, height, &memory);
  if (!copy) return false;
  HDC copyDc = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(copyDc, copy);
  BitBlt(copyDc, 0, 0, width, height, dc, band.left, band.top, SRCCOPY);
  auto pixel = [](COLORREF c) {
    return (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
  };
  const std::uint32_t fill = pixel(colour), plain = pixel(DiamondTools::dimmed(colour)), white = 0xFFFFFF;
  auto* pixels = static_cast<std::uint32_t*>(memory);
  const int top = std::max(y + stamp.top - band.top, 0);
  const int bottom = std::min(y + stamp.top + stamp.height - band.top, height);
  // A later diamond at or right of this one covers each row of this one from
  // its own first pixel on; the leftmost later one hides the most.
  std::vector<int> laterLowest(xs.size(), std::numeric_limits<int>::max());
  for (std::size_t i = xs.size(); i-- > 1;) laterLowest[i - 1] = std::min(laterLowest[i], xs[i]);
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const std::uint32_t colours[3] = {0, fill, chosen[i] ? white : plain};
    const bool hidden = stamp.solidRows && laterLowest[i] >= xs[i] && laterLowest[i] != std::numeric_limits<int>::max();
    const int x0 = xs[i] + stamp.left - band.left;
    for (int row = top; row < bottom; ++row) {
      const std::size_t r = static_cast<std::size_t>(row + band.top - y - stamp.top);
      int end = stamp.end[r];
      if (hidden) end = std::min(end, laterLowest[i] - xs[i] + stamp.first[r]);
      const int left = std::max(x0 + stamp.first[r], 0), right = std::min(x0 + end, width);
      const std::uint8_t* kinds = &stamp.kinds[r * stamp.width];
      std::uint32_t* out = pixels + static_cast<std::size_t>(row) * width;
      for (int x = left; x < right; ++x)
        if (const std::uint8_t kind = kinds[x - x0]) out[x] = colours[kind];
    }
  }
  BitBlt(dc, band.left, band.top, width, height, copyDc, 0, 0, SRCCOPY);
  SelectObject(copyDc, old);
  DeleteDC(copyDc);
  DeleteObject(copy);
  return true;
}

// Row by row rather than key by key: diamonds of different rows never touch,
// so the picture is the same. Only keys and rows that reach into `visible`
// (the DC's clip box) are drawn.
template <class Keys>
void drawKeys(HDC dc, const RECT& axis, const Keys& keys, const std::wstring& selectedId,
              std::initializer_list<std::pair<int, COLORREF>> rows, const RECT& track, const RECT& visible) {
  // A diamond stays within 8 pixels of its centre (6 across, 5 up and down).
  constexpr int kReach = 8;
  std::vector<int> xs;
  std::vector<bool> chosen;
  for (const auto& key : keys) {
    const int x = mapFrameToTimelineX(axis, key.frame);
    if (x + kReach < visible.left || x - kReach >= visible.right) continue;
    xs.push_back(x);
    chosen.push_back(key.id == selectedId);
  }
  if (xs.empty()) return;
  const auto [lowest, highest] = std::minmax_element(xs.begin(), xs.end());
  for (const auto& [row, colour] : rows) {
    const int y = rowCentre(track, row);
    RECT band{};
    const RECT reach{*lowest - kReach, y - kReach, *highest + kReach + 1, y + kReach + 1};
    if (!IntersectRect(&band, &reach, &visible)) continue;
    if (stampDiamondRow(dc, band, y, xs, chosen, colour)) continue;
    DiamondTools tools(dc, colour);
    for (std::size_t i = 0; i < xs.size(); ++i) tools.draw(xs[i], y, chosen[i]);
  }
}

// Picks the first key of `keys` within the hit box of any of `rows`.
template <class Keys>
bool pickKeys(const Keys& keys, const RECT& axis, const RECT& track, POINT point, int track_, int firstRow,
              int lastRow, TimelinePick& pick) {
  for (const auto& key : keys) {
    const int x = mapFrameToTimelineX(axis, key.frame);
    if (std::abs(point.x - x) >= kHitRadius) continue;
    for (int row = firstRow; row <= lastRow; ++row) {
      if (std::abs(point.y - rowCentre(track, row)) < kHitRadius) {
        pick = TimelinePick{true, track_, key.id, key.frame, row};
        return true;
      }
    }
  }
  return false;
}

void afterFrameMove(std::int32_t frame) {
  setFrameField(frame);
  refreshTimeline();
  refreshStatusBar();
  repaintViewport();
  repaintTimelineArea();
}

}  // namespace

// ---- The frame axis and picking ---------------------------------------------
int mapFrameToTimelineX(const RECT& axis, std::int32_t frame) {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  const std::int32_t lo = lowFrame(t), hi = highFrame(t);
  if (hi <= lo) return axis.left;
  const double fraction = static_cast<double>(std::clamp(frame, lo, hi) - static_cast<std::int64_t>(lo)) /
                          static_cast<double>(static_cast<std::int64_t>(hi) - lo);
  return axis.left + static_cast<int>(std::trunc(fraction * std::max<LONG>(axis.right - axis.left, 1)));
}

int timelineMapXToFrame(const RECT& axis, int x) {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  const std::int32_t lo = lowFrame(t), hi = highFrame(t);
  if (hi <= lo || axis.right <= axis.left) return lo;
  const double fraction =
      std::clamp(static_cast<double>(x - axis.left) / std::max<LONG>(axis.right - axis.left, 1), 0.0, 1.0);
  const double frame = std::round(lo + (static_cast<double>(hi) - lo) * fraction);
  return static_cast<int>(std::clamp<double>(frame, lo, hi));
}

RECT timelineAxis() {
  const RECT& track = appState().ui.timelineKeyRect;
  return RECT{track.left + 8, track.top, track.right - 8, track.bottom};
}

bool timelinePointInRect(POINT point) {
  return panelShown() && PtInRect(&appState().ui.timelineKeyRect, point);
}

TimelinePick timelinePickAt(POINT point) {
  TimelinePick pick;
  const Object* object = selectedObject();
  const RECT axis = timelineAxis();
  if (!timelinePointInRect(point) || !object || axis.right <= axis.left) return pick;
  const RECT& track = appState().ui.timelineKeyRect;
  if (object->kind == ObjectKind::Camera &&
      pickKeys(object->cameraAnimation.keyframes, axis, track, point, kTrackCamera, 0, 0, pick))
    return pick;
  if (object->kind == ObjectKind::Light &&
      pickKeys(object->lightAnimation.keyframes, axis, track, point, kTrackLight, 0, 0, pick))
    return pick;
  pickKeys(object->transformAnimation.keyframes, axis, track, point, kTrackTransform, 1, 4, pick);
  return pick;
}

bool timelineHasKeyAtFrame(const Object& object, int track, std::int32_t frame, const std::wstring& ignoredId) {
  return withTrack(object, track, [&](const auto& t) {
    return std::any_of(t.keyframes.begin(), t.keyframes.end(),
                       [&](const auto& k) { return k.frame == frame && k.id != ignoredId; });
  }, false);
}

// ---- Drawing the tracks -----------------------------------------------------
std::array<TimelineRulerMark, 7> timelineRulerMarks() {
  const TimelineBridge& t = appState().project.scene.timelineSettings;
  const std::int32_t lo = lowFrame(t), hi = highFrame(t);
  const std::int64_t span = static_cast<std::int64_t>(hi) - lo;
  const RECT axis = timelineAxis();
  const RECT& track = appState().ui.timelineKeyRect;
  const int top = track.top + kTimelineRulerNumbersTop;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = dc ? SelectObject(dc, fontOr(appState().ui.smallFont)) : nullptr;
  std::array<TimelineRulerMark, 7> marks;
  for (int j = 0; j <= 6; ++j) {
    TimelineRulerMark& mark = marks[static_cast<std::size_t>(j)];
    mark.frame = static_cast<std::int32_t>(lo - static_cast<std::int64_t>((j / -6.0) * span));
    mark.x = mapFrameToTimelineX(axis, mark.frame);
    const std::wstring number = std::to_wstring(mark.frame);
    SIZE size{};
    if (dc) GetTextExtentPoint32W(dc, number.c_str(), static_cast<int>(number.size()), &size);
    // Centred on its tick, then moved in from the strip's ends.
    const int first = track.left + kRulerInset, last = std::max<int>(track.right - kRulerInset - size.cx, first);
    const int left = std::clamp<int>(mark.x - (size.cx + 1) / 2, first, last);
    mark.label = RECT{left, top, left + size.cx, top + 14};  // a line of the 12-pixel font
  }
  if (dc) {
    SelectObject(dc, oldFont);
    DeleteDC(dc);
  }
  // A number closer than kRulerLabelGap to the one kept before it is left
  // out; the last is always kept, in place of the ones before it if need be.
  const auto crowds = [](const RECT& before, const RECT& after) { return after.left - before.right < kRulerLabelGap; };
  std::size_t kept = 0;
  for (std::size_t j = 1; j < 6; ++j) {
    if (crowds(marks[kept].label, marks[j].label)) marks[j].label = RECT{};
    else kept = j;
  }
  for (std::size_t j = kept; j > 0; --j) {
    if (IsRectEmpty(&marks[j].label)) continue;
    if (!crowds(marks[j].label, marks[6].label)) break;
    marks[j].label = RECT{};
  }
  return marks;
}

void drawTimelineKeyDiamond(HDC dc, int x, int y, COLORREF colour, bool selected) {
  DiamondTools(dc, colour).draw(x, y, selected);
}

void drawTimelineTracks(HDC dc) {
  const AppState& app = appState();
  const UiHandles& ui = app.ui;
  const RECT& area = ui.timelineRect;
  const RECT& labels = ui.timelineTrackRect;
  const RECT& track = ui.timelineKeyRect;
  if (!app.project.scene.timelineSettings.showTimelinePanel || IsRectEmpty(&area) || IsRectEmpty(&labels) ||
      IsRectEmpty(&track))
    return;
  const int saved = SaveDC(dc);
  // The rows reach below the track rectangle on short windows; nothing is
  // drawn outside the panel.
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  SetBkMode(dc, TRANSPARENT);
  roundedPanel(dc, labels, kTimelineLabelsFill, kPanelBorder);
  roundedPanel(dc, track, kTimelineTrackFill, kPanelBorder);

  const Object* object = findObjectById(app.project.scene, app.selectedObjectId);
  const wchar_t* rowZero = !object                               ? L"Camera / Light"
                           : object->kind == ObjectKind::Camera ? L"Camera"
                           : object->kind == ObjectKind::Light  ? L"Light"
                                                                 : L"Camera / Light";
  const wchar_t* rowNames[kRowCount] = {rowZero, L"Transform", L"Position", L"Rotation", L"Scale"};
  for (int i = 0; i < kRowCount; ++i) {
    const int top = track.top + 24 + 22 * i;
    const int bottom = top + 22;
    const bool active = i == app.timelineActiveRow;
    if (active) {
      fillBand(dc, track.left + 1, top, track.right - 1, bottom, kTimelineRowActive);
      fillBand(dc, track.left + 2, top + 2, track.left + 4, bottom - 2, kAccentBlue);
    } else {
      fillBand(dc, track.left + 1, top, track.right - 1, bottom, i % 2 ? kTimelineRowOdd : kTimelineRowEven);
    }
    const bool strong = active || i <= 1;
    text(dc, rowNames[i], RECT{labels.left + 12, top, labels.right - 8, bottom}, strong ? ui.boldFont : ui.uiFont,
         strong ? kTextPrimary : kTextSecondary, DT_LEFT | DT_END_ELLIPSIS);
    line(dc, track.left + 1, bottom - 1, track.right - 1, bottom - 1, kTimelineRowLine, 1);
  }

  const RECT axis = timelineAxis();
  const TimelineBridge& t = app.project.scene.timelineSettings;
  for (const TimelineRulerMark& mark : timelineRulerMarks()) {
    line(dc, mark.x, track.top + 8, mark.x, track.bottom - 8, kTimelineTick, 1);
    if (!IsRectEmpty(&mark.label))
      text(dc, std::to_wstring(mark.frame), mark.label, ui.smallFont, kTextSecondary, DT_CENTER);
  }
  const int cx = mapFrameToTimelineX(axis, t.currentFrame);
  line(dc, cx, track.top + 3, cx, track.bottom - 6, kAccentBlue, 2);

  RECT visible{};
  if (object && GetClipBox(dc, &visible) != NULLREGION) {
    const TransformAnimation& transform = object->transformAnimation;
    drawKeys(dc, axis, transform.keyframes, transform.selectedKeyId,
             {{1, kTimelineKeyTransform}, {2, kTimelineKeyPosition}, {3, kTimelineKeyRotation}, {4, kTimelineKeyScale}},
             track, visible);
    if (object->kind == ObjectKind::Camera)
      drawKeys(dc, axis, object->cameraAnimation.keyframes, object->cameraAnimation.selectedKeyId,
               {{0, kTimelineKeyCamera}}, track, visible);
    if (object->kind == ObjectKind::Light)
      drawKeys(dc, axis, object->lightAnimation.keyframes, object->lightAnimation.selectedKeyId,
               {{0, kTimelineKeyLight}}, track, visible);
  }
  RestoreDC(dc, saved);
}

// ---- Selecting, scrubbing and moving keys -----------------------------------
bool handleTimelineMouseDown(HWND mainWindow, POINT point, bool doubleClick) {
  AppState& app = appState();
  const RECT axis = timelineAxis();
  if (!timelinePointInRect(point) || axis.right <= axis.left) return false;
  const RECT& track = app.ui.timelineKeyRect;
  if (point.y >= track.top + 24 && point.y < track.top + 134)
    app.timelineActiveRow = std::clamp<int>((point.y - track.top - 24) / 22, 0, kRowCount - 1);
  const int frame = timelineMapXToFrame(axis, point.x);
  if (doubleClick) {
    setTimelineFrameFromScrub(frame, L"Timeline double-click");
    const Object* object = selectedObject();
    if (app.timelineActiveRow == 0 && object && object->kind == ObjectKind::Camera) setOrUpdateCameraKeyframe();
    else if (app.timelineActiveRow == 0 && object && object->kind == ObjectKind::Light) setOrUpdateLightKeyframe();
    else setOrUpdateTransformKeyframe();
    return true;
  }
  const TimelinePick pick = timelinePickAt(point);
  if (!pick.found) {
    app.timelineScrubbing = true;
    setTimelineFrameFromScrub(frame, L"Timeline scrubbed");
    if (mainWindow) SetCapture(mainWindow);
    repaintTimelineArea();
    return true;
  }
  selectTimelineKey(pick);
  // The undo snapshot waits for the first step that moves the key, so a
  // plain click or a lost capture leaves both stacks as they were.
  app.timelineKeyDrag = true;
  app.timelineKeyDragTrack = pick.track;
  app.timelineKeyDragId = pick.id;
  app.timelineKeyDragFrame = pick.frame;
  app.timelineKeyDragSnapshotTaken = false;
  app.timelineKeyDragMoved = false;
  if (mainWindow) SetCapture(mainWindow);
  return true;
}

void selectTimelineKey(const TimelinePick& pick) {
  AppState& app = appState();
  Object* object = selectedObject();
  if (!object) return;
  app.timelineActiveRow = std::clamp(pick.row, 0, kRowCount - 1);
  object->transformAnimation.selectedKeyId.clear();
  object->cameraAnimation.selectedKeyId.clear();
  object->lightAnimation.selectedKeyId.clear();
  withTrack(*object, pick.track, [&pick](auto& t) {
    t.selectedKeyId = pick.id;
    return 0;
  }, 0);
  // A key outside the range leaves the current frame at the range's end.
  TimelineBridge& settings = app.project.scene.timelineSettings;
  const TimelineBridge clean = sanitizedTimeline();
  settings.currentFrame = std::clamp(pick.frame, clean.frameStart, clean.frameEnd);
  setFrameField(settings.currentFrame);
  refreshKeyInspector(object);
  refreshTimeline();
  refreshStatusBar();
  repaintViewport();
  repaintTimelineArea();
  setStatusText(L"●  Timeline key selected at frame " + std::to_wstring(pick.frame));
}

void setTimelineFrameFromScrub(std::int32_t frame, const std::wstring& label) {
  const TimelineBridge clean = sanitizedTimeline();
  const std::int32_t f = std::clamp(frame, clean.frameStart, clean.frameEnd);
  TimelineBridge& stored = appState().project.scene.timelineSettings;
  if (f == stored.currentFrame) return;
  stored.currentFrame = f;
  refreshKeyInspector(selectedObject());
  afterFrameMove(f);
  setStatusText(L"●  " + label + L": frame " + std::to_wstring(f));
}

bool moveTimelineKey(std::int32_t frame) {
  AppState& app = appState();
  Object* object = selectedObject();
  const int track = app.timelineKeyDragTrack;
  if (!object || track == kTrackNone) return false;
  if (isEffectivelyLocked(*object)) {
    setStatusText(L"●  Timeline key drag blocked: selected object is locked");
    return false;
  }
  const TimelineBridge clean = sanitizedTimeline();
  // The drag stops at the edge of the timeline and at the edge of the frames
  // a key can hold, so the key takes the frame the test below and the
  // message name, never one the track repair would merge it onto.
  const std::int32_t target = clampToKeyRange(std::clamp(frame, clean.frameStart, clean.frameEnd));
  if (timelineHasKeyAtFrame(*object, track, target, app.timelineKeyDragId)) {
    setStatusText(L"●  Timeline key drag blocked: another key already uses frame " + std::to_wstring(target));
    return false;
  }
  if (!trackFitsKind(*object, track)) return false;
  const int index = withTrack(*object, track, [&](const auto& t) {
    for (std::size_t i = 0; i < t.keyframes.size(); ++i)
      if (!app.timelineKeyDragId.empty() && t.keyframes[i].id == app.timelineKeyDragId) return static_cast<int>(i);
    return -1;
  }, -1);
  const bool moves = index >= 0 && keyframeFrameAt(*object, track, index) != target;
  // The drag's one snapshot, at its first real move.
  std::optional<EditTransaction> firstMove;
  if (moves && !app.timelineKeyDragSnapshotTaken) {
    firstMove.emplace();
    app.timelineKeyDragSnapshotTaken = true;
    object = selectedObject();
  }
  if (moves) {
    withTrack(*object, track, [&](auto& t) {
      auto& key = t.keyframes[static_cast<std::size_t>(index)];
      key.frame = target;
      key.id = makeKeyId(track, target);
      return 0;
    }, 0);
  }
  sanitizeKeyTrack(*object, track);
  if (!moves) return false;
  // The repair may renumber ids: the drag and the selection follow the key on the frame.
  selectKeyOnFrame(*object, track, target);
  app.timelineKeyDragId = withTrack(*object, track, [](const auto& t) { return t.selectedKeyId; }, std::wstring());
  app.timelineKeyDragMoved = true;
  // A timeline that starts past the keys' edge keeps its current frame in range.
  const std::int32_t current = std::clamp(target, clean.frameStart, clean.frameEnd);
  app.project.scene.timelineSettings.currentFrame = current;
  refreshKeyInspector(object);
  if (firstMove) {
    firstMove->commitDirty();
  } else {
    setDirty(true);
  }
  afterFrameMove(current);
  setStatusText(L"●  Timeline key moved to frame " + std::to_wstring(target));
  return true;
}

void refreshTimeline() {
  const AppState& app = appState();
  const UiHandles& ui = app.ui;
  const TimelineBridge t = sanitizedTimeline();
  const Object* object = findObjectById(app.project.scene, app.selectedObjectId);
  setControlText(ui.timelineTitle, L"3D Timeline / Curves v1");
  static const wchar_t* const kFieldLabels[4] = {L"Frame", L"Start", L"End", L"FPS"};
  for (int i = 0; i < 4; ++i) setControlText(ui.timelineFieldLabels[i], kFieldLabels[i]);
  setControlText(ui.timelineEdits[0], std::to_wstring(t.currentFrame));
  setControlText(ui.timelineEdits[1], std::to_wstring(t.frameStart));
  setControlText(ui.timelineEdits[2], std::to_wstring(t.frameEnd));
  setControlText(ui.timelineEdits[3], fixedDecimals(t.fps, 2));
  setControlText(ui.timelineFocusButton, object ? L"Focus Selected" : L"Focus: Scene");
  setControlText(ui.timelineFrameStatus, timelineStatusText(t) + L"  Focus: " + timelineFocusLabel() + L"  | " +
                                      keyframeInspectorSummary(object) + L"  | Phase 66.1 GLB compatibility QA.");
  setControlText(ui.transformKeySummary,
          transformKeySummary(object) + L"  | K set/update, ,/. prev/next, apply is explicit + undoable");
  setControlText(ui.cameraLightKeySummary,
          cameraLightKeySummary(object) + L"  | Key Inspector edits selected key metadata/values");
}

}  // namespace vk
