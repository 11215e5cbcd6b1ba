#pragma once
// Random noise for 24-bit pixels: a fast uniform generator reseeded from the clock.

#include <cstddef>
#include <cstdint>

#include "dib/PixelView.h"

namespace dib {

// Uniform single-precision numbers in [0, 1), from four interleaved xorshift streams so that
// consecutive numbers do not wait on each other.
class UniformNoise {
  public:
    explicit UniformNoise(float seed);
    float Next();
    // count levels round(r x 255), r drawn as by Next.
    void Levels(std::uint8_t* out, std::size_t count);

  private:
    std::uint64_t state_[4];
    unsigned lane_ = 0;
};

// Local time of day in seconds since midnight, with its fraction.
float SecondsSinceMidnight();

// Writes pixels 0 to width - 1 of rows 0 to rows - 1, each channel round(r x 255) for a fresh
// r: grey gives one level to all three channels, colour leaves blue at 0. The padding after
// the last pixel of a row is left alone. A width below 1 writes nothing.
void FillNoise(const PixelView& view, std::int32_t width, std::int32_t rows, bool gray,
               UniformNoise& noise);

}  // namespace dib
