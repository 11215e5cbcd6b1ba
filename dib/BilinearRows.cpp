#include "dib/BilinearRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dib/BilinearKernels.h"

#ifdef VORNAL_X86
#include <immintrin.h>
#endif

namespace dib {

namespace kernels {

namespace {

std::uint8_t ToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}

std::uint8_t BlendPlain(double keep, double take, std::uint8_t near, std::uint8_t far) {
    const double low = keep * near;
    const double high = take * far;
    return ToByte(low + high);
}

}  // namespace

void VerticalScalar(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                    std::int32_t from, std::int32_t count, std::uint8_t* blended) {
    for (std::int32_t c = from; c < count; ++c) {
        blended[c] = BlendPlain(tap.keep, tap.take, lower[c], upper[c]);
    }
}

void PixelScalar(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t x,
                 std::uint8_t* out) {
    const std::uint8_t* left = blended + taps.firstByte[x];
    for (std::size_t k = 0; k < 3; ++k) {
        out[3 * x + k] = BlendPlain(taps.keep[x], taps.take[x], left[k], left[k + 3]);
    }
}

void HorizontalScalar(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t first,
                      std::size_t end, std::uint8_t* out) {
    for (std::size_t x = first; x < end; ++x) {
        PixelScalar(blended, taps, x, out);
    }
}

#ifdef VORNAL_X86

namespace {

// The vector paths blend in integers, N = (left << 23) + weight x (right - left), which equals
// the double blend times 2^23 exactly (see BilinearTaps.h), and round N / 2^23 half to even:
// adding 2^22 - 1 and the parity of N >> 23 carries into bit 23 exactly when the remainder is
// above one half, or is one half and N >> 23 is odd. Blends without an integer weight take the
// plain double path. (The AVX2 passes, in BilinearRowsAvx2.cpp, use the 16-bit form too.)

constexpr int kHalfMinusOne = (1 << (kWeightBits - 1)) - 1;
constexpr int kLowWeightBits = kWeightBits / 2 + 1;
constexpr std::int32_t kLowWeightMask = (1 << kLowWeightBits) - 1;

void StorePixel(__m128i values, std::uint8_t* out, bool last) {
    const __m128i words = _mm_packs_epi32(values, values);
    const __m128i bytes = _mm_packus_epi16(words, words);
    const auto four = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    // All but the last pixel store a fourth byte that the next pixel overwrites; the last
    // stops at its own three, leaving the row's padding alone.
    std::memcpy(out, &four, last ? 3 : 4);
}

// SSE2 has no 32-bit multiply-low; the weight is split into two 16-bit halves, low 12 bits
// and high 11, so that each product with a difference of -255 ... 255 is one exact 16 x 16
// multiply-add (the weight lanes' upper halves are 0, so the second product of each pair is 0).
__m128i RoundSse2(__m128i left, __m128i right, __m128i weightLow, __m128i weightHigh) {
    const __m128i difference = _mm_sub_epi32(right, left);
    const __m128i product =
        _mm_add_epi32(_mm_madd_epi16(difference, weightLow),
                      _mm_slli_epi32(_mm_madd_epi16(difference, weightHigh), kLowWeightBits));
    const __m128i n = _mm_add_epi32(_mm_slli_epi32(left, kWeightBits), product);
    const __m128i odd = _mm_and_si128(_mm_srli_epi32(n, kWeightBits), _mm_set1_epi32(1));
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(n, _mm_set1_epi32(kHalfMinusOne)), odd),
                          kWeightBits);
}

}  // namespace

void VerticalSse2(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                  std::int32_t count, std::uint8_t* blended) {
    std::int32_t c = 0;
    if (tap.weight >= 0) {
        const __m128i weightLow = _mm_set1_epi32(tap.weight & kLowWeightMask);
        const __m128i weightHigh = _mm_set1_epi32(tap.weight >> kLowWeightBits);
        const __m128i zero = _mm_setzero_si128();
        for (; c + 16 <= count; c += 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + c));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + c));
            const __m128i low0 = _mm_unpacklo_epi8(low, zero);
            const __m128i low1 = _mm_unpackhi_epi8(low, zero);
            const __m128i high0 = _mm_unpacklo_epi8(high, zero);
            const __m128i high1 = _mm_unpackhi_epi8(high, zero);
            const __m128i r0 = RoundSse2(_mm_unpacklo_epi16(low0, zero),
                                         _mm_unpacklo_epi16(high0, zero), weightLow, weightHigh);
            const __m128i r1 = RoundSse2(_mm_unpackhi_epi16(low0, zero),
                                         _mm_unpackhi_epi16(high0, zero), weightLow, weightHigh);
            const __m128i r2 = RoundSse2(_mm_unpacklo_epi16(low1, zero),
                                         _mm_unpacklo_epi16(high1, zero), weightLow, weightHigh);
            const __m128i r3 = RoundSse2(_mm_unpackhi_epi16(low1, zero),
                                         _mm_unpackhi_epi16(high1, zero), weightLow, weightHigh);
            const __m128i bytes =
                _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(blended + c), bytes);
        }
    }
    VerticalScalar(lower, upper, tap, c, count, blended);
}

void HorizontalSse2(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t first,
                    std::size_t end, std::uint8_t* out) {
    const std::size_t columns = taps.firstByte.size();
    const __m128i zero = _mm_setzero_si128();
    for (std::size_t x = first; x < end; ++x) {
        const std::int32_t weight = taps.byteWeight[3 * x];
        if (weight < 0) {
            PixelScalar(blended, taps, x, out);
            continue;
        }
        const std::uint8_t* left = blended + taps.firstByte[x];
        std::int32_t near = 0;
        std::int32_t far = 0;
        std::memcpy(&near, left, 4);
        std::memcpy(&far, left + 3, 4);
        const __m128i near4 =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(near), zero), zero);
        const __m128i far4 =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(far), zero), zero);
        const __m128i values = RoundSse2(near4, far4, _mm_set1_epi32(weight & kLowWeightMask),
                                         _mm_set1_epi32(weight >> kLowWeightBits));
        StorePixel(values, out + 3 * x, x + 1 == columns);
    }
}

#endif

}  // namespace kernels

bool SimdLevelAvailable(SimdLevel level) {
    if (level == SimdLevel::Scalar) {
        return true;
    }
#ifdef VORNAL_X86
    // SSE2 is part of every x86-64 processor; AVX2 is asked of this one.
    return level == SimdLevel::Sse2 || __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

SimdLevel BestSimdLevel() {
    static const SimdLevel best = SimdLevelAvailable(SimdLevel::Avx2)   ? SimdLevel::Avx2
                                  : SimdLevelAvailable(SimdLevel::Sse2) ? SimdLevel::Sse2
                                                                        : SimdLevel::Scalar;
    return best;
}

void BlendRowsVertically(SimdLevel level, const std::uint8_t* lower, const std::uint8_t* upper,
                         const Tap& tap, std::int32_t count, std::uint8_t* blended) {
#ifdef VORNAL_X86
    if (level == SimdLevel::Avx2) {
        return kernels::VerticalAvx2(lower, upper, tap, count, blended);
    }
    if (level == SimdLevel::Sse2) {
        return kernels::VerticalSse2(lower, upper, tap, count, blended);
    }
#endif
    (void)level;
    kernels::VerticalScalar(lower, upper, tap, 0, count, blended);
}

void BlendColumns(SimdLevel level, const std::uint8_t* blended, const ColumnTaps& taps,
                  std::uint8_t* out) {
    BlendColumnRange(level, blended, taps, 0, taps.firstByte.size(), out);
}

void BlendColumnRange(SimdLevel level, const std::uint8_t* blended, const ColumnTaps& taps,
                      std::size_t first, std::size_t end, std::uint8_t* out) {
#ifdef VORNAL_X86
    if (level == SimdLevel::Avx2) {
        return kernels::HorizontalAvx2(blended, taps, first, end, out);
    }
    if (level == SimdLevel::Sse2) {
        return kernels::HorizontalSse2(blended, taps, first, end, out);
    }
#endif
    (void)level;
    kernels::HorizontalScalar(blended, taps, first, end, out);
}

}  // namespace dib
