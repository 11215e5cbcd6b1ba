#pragma once
// The two passes of the exact bilinear resample over one destination row, in a plain version
// and vector versions that must give the same bytes. Callers check every range first: these
// touch exactly the bytes their arguments name.

#include <cstddef>
#include <cstdint>

#include "dib/BilinearTaps.h"

namespace dib {

enum class SimdLevel { Scalar, Sse2, Avx2 };

SimdLevel BestSimdLevel();
bool SimdLevelAvailable(SimdLevel level);

// blended[c] = round(tap.keep x lower[c] + tap.take x upper[c]) for c in [0, count), each
// product and the sum in double, halves to even. The plain version computes exactly that; the
// vector versions use the integer form of the blend where the tap has an integer weight.
void BlendRowsVertically(SimdLevel level, const std::uint8_t* lower, const std::uint8_t* upper,
                         const Tap& tap, std::int32_t count, std::uint8_t* blended);

// out[3x + k] = round(keep[x] x blended[b + k] + take[x] x blended[b + 3 + k]) with
// b = firstByte[x], for every column x and channel k. Exactly 3 x columns bytes of out are
// written; blended must hold firstByte.back() + 24 bytes (the vector loads read past b + 5).
void BlendColumns(SimdLevel level, const std::uint8_t* blended, const ColumnTaps& taps,
                  std::uint8_t* out);

// The same for the columns from `first` to before `end` only, so that a row can be done in
// pieces as its blended bytes become ready. Ranges go in order: `first` is a multiple of
// kColumnRangeStep, and so is `end` unless it is the last column; the byte at 3 x `end` may be
// written too and is then written again by the next range. The last range may write bytes of
// earlier columns again, with their own values, from their blended bytes, which must still be
// there.
constexpr std::size_t kColumnRangeStep = 32;
void BlendColumnRange(SimdLevel level, const std::uint8_t* blended, const ColumnTaps& taps,
                      std::size_t first, std::size_t end, std::uint8_t* out);

}  // namespace dib
