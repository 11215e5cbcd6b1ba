#pragma once
// Bilinear scaling of 24-bit pixels from one view into another, exact to the byte: the
// vertical blends are rounded before the horizontal one, every product and sum in double from
// single-precision positions, halves to even.

#include <cstdint>

#include "dib/BilinearRows.h"
#include "dib/PixelView.h"

namespace dib {

// Fills the first 3 x destWidth bytes of every destination row from the source. Every byte it
// will read or write is checked before the first is written: an out-of-range failure (a source
// one pixel wide or high has no neighbour to blend with) or an overflow leaves the destination
// untouched.
void ResampleBilinear(const PixelView& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      const PixelView& dest, std::int32_t destWidth, std::int32_t destHeight,
                      SimdLevel level = BestSimdLevel());

}  // namespace dib
