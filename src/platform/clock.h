// The platform's clock: milliseconds on the installed backend's clock (the
// headless backend's virtual clock in tests), so work paced by it stays
// deterministic under test.
#pragma once

#include <cstdint>

namespace vk::platform {

std::uint64_t nowMs();

}  // namespace vk::platform
