#pragma once
// The desktop's own colours, as 0xRRGGBB.

#include <cstdint>

namespace platform {

std::uint32_t WindowBackgroundColor();
// The colour of text drawn on the window background.
std::uint32_t WindowTextColor();

}  // namespace platform
