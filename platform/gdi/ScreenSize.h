#pragma once
// The primary screen's size in pixels, from the windowing system.

#include <optional>
#include <utility>

namespace platform::gdi::detail {

// Width and height, or nothing when there is no screen (no application, no display).
std::optional<std::pair<int, int>> PrimaryScreenSize();

}  // namespace platform::gdi::detail
