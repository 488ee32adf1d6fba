// Mouse, wheel and keyboard input of the viewport window.
#include "viewport/viewport.h"

namespace vk {

TimelineShortcuts& timelineShortcuts() {
  static TimelineShortcuts table;
  return table;
}

}  // namespace vk
