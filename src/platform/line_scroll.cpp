// Whole-line scrolling of a tall text in a view.
#include "platform/line_scroll.h"

#include <algorithm>

#include "platform/window.h"

namespace vk::platform {

void fitLineScroll(LineScroll& scroll, int panelHeight, int textHeight) {
  const int line = std::max(scroll.lineHeight, 1);
  scroll.view = panelHeight;
  scroll.max = 0;
  if (textHeight > panelHeight) {
    scroll.view = std::max(panelHeight / line, 1) * line;
    scroll.max = (textHeight - scroll.view + line - 1) / line * line;
  }
  scroll.offset = snapLineScroll(scroll, scroll.offset);
}

int snapLineScroll(const LineScroll& scroll, int offset) {
  const int line = std::max(scroll.lineHeight, 1);
  return (std::clamp(offset, 0, scroll.max) + line / 2) / line * line;  // max lies on the grid
}

int wheelLineScroll(LineScroll& scroll, int delta) {
  if (scroll.max <= 0) return scroll.offset;
  constexpr int kDeltaPerLine = WHEEL_DELTA / kWheelScrollLines;
  scroll.wheelRest += delta;
  const int lines = scroll.wheelRest / kDeltaPerLine;
  scroll.wheelRest -= lines * kDeltaPerLine;
  return snapLineScroll(scroll, scroll.offset - lines * scroll.lineHeight);
}

int pageLineScroll(const LineScroll& scroll, int direction) {
  const int line = std::max(scroll.lineHeight, 1);
  const int page = std::max(scroll.view - line, line);
  return snapLineScroll(scroll, scroll.offset + (direction < 0 ? -page : page));
}

}  // namespace vk::platform
