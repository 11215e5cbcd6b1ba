#pragma once
// The desktop's own colours, as 0xRRGGBB.

#include <cstdint>

namespace platform {

std::uint32_t WindowBackgroundColor();

}  // namespace platform
