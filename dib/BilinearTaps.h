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
//
// In 32-bit lanes N is two exact multiply-adds of 16-bit pairs: with m = mh x 2^8 + ml,
//   N = 2^8 x (L x (2^15 - mh) + R x mh) + (R - L) x ml.
// A half, N = 2^22 modulo 2^23, needs (R - L) x m = 2^22 modulo 2^23, so m has at least 15 zero
// bits at its end (R - L has at most 7): where ml is not 0 there are no halves, and
// (N + 2^22) >> 23 is N / 2^23 rounded half to even.
//
// Most weights are moreover multiples of 2^8 (every position of 256 or more: a float of 256 or
// more has no bits below 2^-15). With B = m / 2^8 < 2^15 and d = R - L in -255 ... 255 the blend
// is L + t, t = d x B / 2^15, and it has two 16-bit forms:
// - floor(t + 1/2) = floor((d x B + 2^14) / 2^15) is what a rounding high multiply of two 16-bit
//   numbers (pmulhrsw) gives, exactly, so L + floor(t + 1/2) is the blend rounded half up. That
//   differs from half to even only at an exact half, where it is odd and must be one less.
//   floor(t + 1/2) + floor(-t + 1/2) is 1 exactly at a half and 0 elsewhere, so the same
//   multiply by -B finds the halves. Halves need d x B = 2^14 modulo 2^15, which some d in
//   -255 ... 255 meets exactly when B is a non-zero multiple of 2^7.
// - N / 2^8 = L x (2^15 - B) + R x B is one exact multiply-add of 16-bit pairs, taken as
//   M = L x (B - 2^15) + R x (-B) = -N / 2^8 because 2^15 is no signed 16-bit number. With
//   q = floor(M / 2^15) and r = M - q x 2^15, M / 2^15 rounded half to even is q + 1 exactly when
//   r > 2^14, or r = 2^14 and q is odd, else q; its negative, N / 2^23 rounded half to even, is
//   (N / 2^8 + 2^14 - (q & 1)) >> 15, and the parity of q is bit 15 of M.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dib {

// Bits below the point of an integer weight, and of its 16-bit form.
constexpr int kWeightBits = 23;
constexpr int kShortWeightBits = 15;

// The weight in 2^-15 steps when it is a whole number of them, else -1.
constexpr std::int32_t ShortWeight(std::int32_t weight) {
    return weight >= 0 && weight % (1 << (kWeightBits - kShortWeightBits)) == 0
               ? weight >> (kWeightBits - kShortWeightBits)
               : -1;
}

// Whether some byte pair blends to an exact half with this 16-bit weight.
constexpr bool ShortWeightMeetsHalves(std::int32_t shortWeight) {
    return shortWeight > 0 && shortWeight % (1 << 7) == 0;
}

// The pair (B - 2^15, -B) of 16-bit multipliers as one 32-bit lane, low half first.
constexpr std::int32_t ShortWeightPair(std::int32_t shortWeight) {
    const auto keep = static_cast<std::uint16_t>(shortWeight - (1 << kShortWeightBits));
    const auto take = static_cast<std::uint16_t>(-shortWeight);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(keep) |
                                     static_cast<std::uint32_t>(take) << 16);
}

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
// column has none) and the multipliers of its 16-bit form.
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
    // Per destination byte, the ShortWeightPair of its column (0 where it has no ShortWeight),
    // and the first destination byte, a multiple of 4, from which every column has one.
    std::vector<std::int32_t> byteShortPair;
    std::size_t shortFrom = 0;
};

// Raises an overflow failure when 3 x index + 5 does not fit 32 bits.
ColumnTaps MakeColumnTaps(std::int32_t sourceWidth, std::int32_t destWidth);

// The same columns reading from a row in which the two source pixels of column x have been
// put side by side at bytes 6x to 6x + 5: with long steps most of a source row is never read,
// and gathering what is read first spares the vertical pass the rest. Needs 6 x destWidth to fit
// 32 bits.
ColumnTaps PackedColumnTaps(const ColumnTaps& taps);

}  // namespace dib
