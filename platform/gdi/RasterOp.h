#pragma once
// Ternary raster operations and the clipping of a block transfer, kept apart from the handle
// table so they can be checked on their own.

#include <cstdint>
#include <optional>

namespace platform::gdi::detail {

// Bits 16 to 23 of a raster operation code: the truth table over pattern, source and
// destination, bit (p << 2 | s << 1 | d) giving the result for those input bits.
constexpr unsigned RopIndex(std::uint32_t rop) {
    return (rop >> 16) & 0xFFu;
}
constexpr bool RopUsesSource(std::uint32_t rop) {
    return ((rop >> 2) & 0x330000u) != (rop & 0x330000u);
}
constexpr bool RopUsesDestination(std::uint32_t rop) {
    return ((rop >> 1) & 0x550000u) != (rop & 0x550000u);
}

// Applies the truth table bit by bit to whole words.
std::uint32_t ApplyRop(unsigned index, std::uint32_t pattern, std::uint32_t source,
                       std::uint32_t destination);

struct Transfer {
    int destX, destY, srcX, srcY, width, height;
};

// Clips the destination rectangle to the destination bitmap and, when the source is read, the
// matching source rectangle to the source bitmap. Empty when nothing is left to draw. A
// negative width or height is turned round first, without mirroring (see BitBlt in Gdi.h). The
// arithmetic is done wide enough that no argument can overflow it.
std::optional<Transfer> ClipTransfer(int x, int y, int cx, int cy, int destWidth, int destHeight,
                                     int x1, int y1, bool withSource, int srcWidth, int srcHeight);

}  // namespace platform::gdi::detail
