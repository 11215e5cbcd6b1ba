#include "platform/gdi/RasterOp.h"

#include <algorithm>
#include <utility>

namespace platform::gdi::detail {

namespace {

// The cells [from, to) that an extent covers from `start`: a negative extent ends at `start`
// instead of beginning there, so -3 at 6 covers 4, 5 and 6.
std::pair<std::int64_t, std::int64_t> Span(int start, int extent) {
    if (extent > 0) {
        return {start, std::int64_t{start} + extent};
    }
    return {std::int64_t{start} + extent + 1, std::int64_t{start} + 1};
}

}  // namespace

std::uint32_t ApplyRop(unsigned index, std::uint32_t pattern, std::uint32_t source,
                       std::uint32_t destination) {
    std::uint32_t result = 0;
    for (unsigned term = 0; term < 8; ++term) {
        if (((index >> term) & 1u) == 0) {
            continue;
        }
        const std::uint32_t p = (term & 4u) != 0 ? pattern : ~pattern;
        const std::uint32_t s = (term & 2u) != 0 ? source : ~source;
        const std::uint32_t d = (term & 1u) != 0 ? destination : ~destination;
        result |= p & s & d;
    }
    return result & 0xFFFFFFu;
}

std::optional<Transfer> ClipTransfer(int x, int y, int cx, int cy, int destWidth, int destHeight,
                                     int x1, int y1, bool withSource, int srcWidth, int srcHeight) {
    if (cx == 0 || cy == 0) {
        return std::nullopt;
    }
    // Both rectangles move by the same amount, so the offset between them stays.
    const std::int64_t offsetX = std::int64_t{x1} - x;
    const std::int64_t offsetY = std::int64_t{y1} - y;
    const auto [fromX, toX] = Span(x, cx);
    const auto [fromY, toY] = Span(y, cy);
    std::int64_t left = std::max<std::int64_t>(fromX, 0);
    std::int64_t top = std::max<std::int64_t>(fromY, 0);
    std::int64_t right = std::min<std::int64_t>(toX, destWidth);
    std::int64_t bottom = std::min<std::int64_t>(toY, destHeight);
    if (withSource) {
        left = std::max(left, -offsetX);
        top = std::max(top, -offsetY);
        right = std::min(right, srcWidth - offsetX);
        bottom = std::min(bottom, srcHeight - offsetY);
    }
    if (left >= right || top >= bottom) {
        return std::nullopt;
    }
    return Transfer{static_cast<int>(left),           static_cast<int>(top),
                    static_cast<int>(left + offsetX), static_cast<int>(top + offsetY),
                    static_cast<int>(right - left),   static_cast<int>(bottom - top)};
}

}  // namespace platform::gdi::detail
