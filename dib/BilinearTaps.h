#pragma once
// Where each destination column and row of a bilinear resample samples its source. Scale
// factors, positions and fractions are single precision, as the result must match them to the
// byte; the weights are then widened to double, 1 - fraction being formed in double.

#include <cstdint>
#include <vector>

namespace dib {

struct Tap {
    std::int32_t index;  // integer part of the source position
    double keep;         // 1 - fraction, weight of the sample at index
    double take;         // fraction, weight of the sample at index + 1
};

// The tap of destination position i when sourceSize samples are spread over destSize.
class TapSeries {
  public:
    TapSeries(std::int32_t sourceSize, std::int32_t destSize);
    Tap At(std::int32_t i) const;

  private:
    float scale_;
};

// Per-column table: first source byte (3 x index) and the two weights of every column.
struct ColumnTaps {
    std::vector<std::int32_t> firstByte;
    std::vector<double> keep;
    std::vector<double> take;
};

// Raises an overflow failure when 3 x index + 5 does not fit 32 bits.
ColumnTaps MakeColumnTaps(std::int32_t sourceWidth, std::int32_t destWidth);

}  // namespace dib
