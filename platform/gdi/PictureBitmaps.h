#pragma once
// Pictures are bitmaps of the GDI equivalent: each live picture registers its pixels here and
// gets a bitmap handle that device contexts can select and BitBlt can read.

#include <cstdint>

namespace platform::gdi {

// Registers a read-only block of top-down 32-bit pixels (0xFFRRGGBB words) that a Picture
// keeps alive. Returns a non-zero bitmap handle, unique while registered.
std::uint32_t RegisterPictureBitmap(int width, int height, const std::uint8_t* bits,
                                    int strideBytes);
// Forgets the bitmap; after this its handle describes nothing.
void UnregisterPictureBitmap(std::uint32_t handle);

}  // namespace platform::gdi
