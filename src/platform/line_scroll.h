// A text taller than its view, scrolled by whole lines, as the message box
// and the studio's text dialog scroll theirs: the view holds whole lines only
// and every offset lies on the line grid, so no position shows a line cut
// through at the top or the bottom.
#pragma once

namespace vk::platform {

inline constexpr int kWheelScrollLines = 3;  // lines one wheel notch scrolls

struct LineScroll {
  int lineHeight = 1;
  int view = 0;       // the view's height: whole lines while the text scrolls
  int max = 0;        // the last offset, on the grid; 0 while the whole text fits
  int offset = 0;     // pixels of the text above the view, on the grid
  int wheelRest = 0;  // wheel delta short of a whole line
};

// Fits a text `textHeight` tall to a panel `panelHeight` tall: a text that
// fits has the whole panel, a taller one the panel's whole lines (one at
// least), ending where its last line shows whole. The offset stays in range.
void fitLineScroll(LineScroll& scroll, int panelHeight, int textHeight);
// The offset on the line grid nearest to `offset`, within 0..max.
int snapLineScroll(const LineScroll& scroll, int offset);
// The offset a wheel delta leads to, kWheelScrollLines lines a notch;
// deltas short of a line add up in `wheelRest`.
int wheelLineScroll(LineScroll& scroll, int delta);
// The offset one page up (`direction` < 0) or down: the view less a line,
// so the line at the edge stays in view.
int pageLineScroll(const LineScroll& scroll, int direction);

}  // namespace vk::platform
