// A view of 32-bit pixels 0x00RRGGBB, rows top-down: what the GDI draws into
// and what a backend presents.
#pragma once

#include <cstdint>

namespace vk::platform {

struct Surface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // in pixels
};

}  // namespace vk::platform
