#pragma once
// Where each destination column and row of a bilinear resample samples its source. Scale
// factors, positions and fractions are single precision, as the result must match them to the
// byte; the weights are then widened to double, 1 - fraction being formed in double.
//
// Most fractions are also whole multiples of 2^-23 (every position of 1 or more is: a float of
// 1 or more has no bits below 2^-23). For those the blend has an exact integer form, which the
// vector passes use:
//   fraction = m x 2^-23 with 0 <= m < 2^23, so 1 - fraction = (2^23 - m) x 2^-23 in double,
//   keep x L + take x R = N x 2^-23 with N = (L << 23) + m x (R - L), for bytes L and R,
//   and every one of these values has fewer than 53 significant bits (N < 255 x 2^23 < 2^31):
//   the double products and sum carry no rounding error, so rounding the double sum half to
//   even is rounding N / 2^23 half to even, and the result already lies within 0 ... 255.

#include <cstdint>
#include <vector>

namespace dib {

// Bits below the point of an integer weight.
constexpr int kWeightBits = 23;

struct Tap {
    std::int32_t index;   // integer part of the source position
    double keep;          // 1 - fraction, weight of the sample at index
    double take;          // fraction, weight of the sample at index + 1
    std::int32_t weight;  // fraction x 2^23 when that is a whole number, else -1
};

// The tap of a source position with this integer part and single-precision fraction.
Tap MakeTap(std::int32_t index, float fraction);

// The tap of destination position i when sourceSize samples are spread over destSize.
class TapSeries {
  public:
    TapSeries(std::int32_t sourceSize, std::int32_t destSize);
    Tap At(std::int32_t i) const;

  private:
    float scale_;
};

// Per-column table: first source byte (3 x index) and the two weights of every column, and per
// destination byte (3 x column + channel) the integer weight of its column (-1 where the
// column has none).
//
// For byte shuffles, destination bytes also come in groups of four: group g starts reading at
// source byte groupBase[g], and each of its bytes has four shuffle entries, the offsets of its
// left and right samples from that start each followed by one that clears its byte (0x80).
// groupBase is left empty when some group's samples do not fit the 16 bytes from its start
// (steps of more than 3 source pixels per destination pixel).
struct ColumnTaps {
    std::vector<std::int32_t> firstByte;
    std::vector<double> keep;
    std::vector<double> take;
    std::vector<std::int32_t> byteWeight;
    std::vector<std::int32_t> groupBase;
    std::vector<std::uint8_t> groupShuffle;
    // Columns whose fraction is no whole multiple of 2^-23, in ascending order.
    std::vector<std::int32_t> inexact;
};

// Raises an overflow failure when 3 x index + 5 does not fit 32 bits.
ColumnTaps MakeColumnTaps(std::int32_t sourceWidth, std::int32_t destWidth);

}  // namespace dib
