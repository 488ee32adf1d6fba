// The timeline's first row of controls: the four transport buttons, then the
// Frame, Start, End and FPS labels with their fields, then Apply.
#include <algorithm>

#include "shell/shell.h"

namespace vk {

namespace {

// One piece of the row from left to right, at its usual width and at the
// least it may shrink to on a narrow panel.
struct RowSpan {
  int usual, least;
};

// The buttons keep room for their icon, the labels for their text and the
// FPS field for "24.00".
constexpr RowSpan kButtonSpans[4] = {{38, 30}, {34, 28}, {34, 28}, {38, 30}};
constexpr RowSpan kButtonGap{6, 4};
constexpr RowSpan kAfterButtons{10, 6};
constexpr RowSpan kLabelSpans[4] = {{42, 42}, {36, 36}, {30, 30}, {28, 28}};
constexpr RowSpan kEditSpans[4] = {{56, 44}, {50, 36}, {50, 36}, {56, 46}};
constexpr RowSpan kFieldGap{8, 4};
constexpr int kRowLeft = 16;
constexpr int kRowRightMargin = 12;
// Apply after the FPS field, cut short at the row's end down to its least.
constexpr RowSpan kApplySpan{66, 48};
constexpr int kApplyX = 570;

// Walks the row's spans left to right, once to measure and once to place.
template <class Visit>
void walkRow(Visit&& visit) {
  for (int i = 0; i < 4; ++i) {
    visit(kButtonSpans[i], &TimelineFieldRow::buttonX, &TimelineFieldRow::buttonW, i);
    visit(i < 3 ? kButtonGap : kAfterButtons, nullptr, nullptr, i);
  }
  for (int i = 0; i < 4; ++i) {
    visit(kLabelSpans[i], &TimelineFieldRow::labelX, &TimelineFieldRow::labelW, i);
    visit(kEditSpans[i], &TimelineFieldRow::editX, &TimelineFieldRow::editW, i);
    if (i < 3) visit(kFieldGap, nullptr, nullptr, i);
  }
}

}  // namespace

TimelineFieldRow timelineFieldRow(int panelWidth, int captionedApplyW) {
  using Slot = int (TimelineFieldRow::*)[4];
  int usual = kRowLeft, spare = 0;
  walkRow([&](RowSpan s, Slot, Slot, int) {
    usual += s.usual;
    spare += s.usual - s.least;
  });
  // The overflow is shared in proportion to what each span can give, rounded
  // along the row so the shares add up to it exactly.
  const int over = std::clamp(usual - (panelWidth - kRowRightMargin), 0, spare);
  TimelineFieldRow row{};
  int x = kRowLeft, given = 0;
  walkRow([&](RowSpan s, Slot at, Slot width, int i) {
    const int before = given * over / spare;
    given += s.usual - s.least;
    const int w = s.usual - (given * over / spare - before);
    if (at) {
      (row.*at)[i] = x;
      (row.*width)[i] = w;
    }
    x += w;
  });
  // A panel with no room for Apply after the fields has none for it in a
  // shrunken row either (the fields take all of it), so Apply stands at the
  // header's right end, where it has room to read whole.
  const int rowEnd = panelWidth - kRowRightMargin;
  row.applyInHeader = rowEnd - kApplyX < kApplySpan.least;
  row.applyW = row.applyInHeader ? std::max(kApplySpan.usual, captionedApplyW)
                                 : std::min(kApplySpan.usual, rowEnd - kApplyX);
  row.applyX = row.applyInHeader ? rowEnd - row.applyW : kApplyX;
  return row;
}

}  // namespace vk
