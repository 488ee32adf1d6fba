// Helpers shared by the shading sources; not part of the public interface.
#pragma once

#include <string>

namespace vk::shading {

// Fixed notation with two decimals ("0.55"), locale-free.

}  // namespace vk::shading
