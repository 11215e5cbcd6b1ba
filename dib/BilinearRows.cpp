#include "dib/BilinearRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VORNAL_X86 1
#endif

namespace dib {

namespace {

std::uint8_t ToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}

std::uint8_t BlendPlain(double keep, double take, std::uint8_t near, std::uint8_t far) {
    const double low = keep * near;
    const double high = take * far;
    return ToByte(low + high);
}

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

void HorizontalScalar(const std::uint8_t* blended, const ColumnTaps& taps, std::uint8_t* out) {
    for (std::size_t x = 0; x < taps.firstByte.size(); ++x) {
        PixelScalar(blended, taps, x, out);
    }
}

#ifdef VORNAL_X86

// The vector paths blend in integers, N = (left << 23) + weight x (right - left), which equals
// the double blend times 2^23 exactly (see BilinearTaps.h), and round N / 2^23 half to even:
// adding 2^22 - 1 and the parity of N >> 23 carries into bit 23 exactly when the remainder is
// above one half, or is one half and N >> 23 is odd. Blends without an integer weight take the
// plain double path.

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

void HorizontalSse2(const std::uint8_t* blended, const ColumnTaps& taps, std::uint8_t* out) {
    const std::size_t columns = taps.firstByte.size();
    const __m128i zero = _mm_setzero_si128();
    for (std::size_t x = 0; x < columns; ++x) {
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

__attribute__((target("avx2"))) inline __m256i RoundAvx2(__m256i n) {
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi32(n, kWeightBits), _mm256_set1_epi32(1));
    return _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_add_epi32(n, _mm256_set1_epi32(kHalfMinusOne)), odd), kWeightBits);
}

// Four vectors of eight values 0 ... 255 as 32 bytes in their order.
__attribute__((target("avx2"))) inline __m256i PackAvx2(__m256i r0, __m256i r1, __m256i r2,
                                                        __m256i r3) {
    // The packs work within 128-bit halves; the permutation puts the 4-byte groups back.
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3));
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// left << 23 + weight x (right - left), rounded, for lanes holding left | right << 16.
__attribute__((target("avx2"))) inline __m256i BlendPairs(__m256i pairs, __m256i weight) {
    // A multiply-add by (-1, 1) gives right - left; shifting the lane by 23 drops the right
    // sample and leaves left << 23.
    const __m256i difference = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x0001FFFF));
    return RoundAvx2(_mm256_add_epi32(_mm256_slli_epi32(pairs, kWeightBits),
                                      _mm256_mullo_epi32(difference, weight)));
}

// 32 bytes of a row. The unpacks interleave within 128-bit halves, and the packs undo them in
// the same halves, so the bytes come back in their order.
__attribute__((target("avx2"))) inline void VerticalBlock(const std::uint8_t* lower,
                                                          const std::uint8_t* upper, __m256i weight,
                                                          std::uint8_t* blended) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper));
    const __m256i low0 = _mm256_unpacklo_epi8(low, zero);
    const __m256i low1 = _mm256_unpackhi_epi8(low, zero);
    const __m256i high0 = _mm256_unpacklo_epi8(high, zero);
    const __m256i high1 = _mm256_unpackhi_epi8(high, zero);
    const __m256i r0 = BlendPairs(_mm256_unpacklo_epi16(low0, high0), weight);
    const __m256i r1 = BlendPairs(_mm256_unpackhi_epi16(low0, high0), weight);
    const __m256i r2 = BlendPairs(_mm256_unpacklo_epi16(low1, high1), weight);
    const __m256i r3 = BlendPairs(_mm256_unpackhi_epi16(low1, high1), weight);
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(blended), bytes);
}

__attribute__((target("avx2"))) void VerticalAvx2(const std::uint8_t* lower,
                                                  const std::uint8_t* upper, const Tap& tap,
                                                  std::int32_t count, std::uint8_t* blended) {
    if (tap.weight < 0 || count < 32) {
        return VerticalScalar(lower, upper, tap, 0, count, blended);
    }
    const __m256i weight = _mm256_set1_epi32(tap.weight);
    for (std::int32_t c = 0; c + 32 <= count; c += 32) {
        VerticalBlock(lower + c, upper + c, weight, blended + c);
    }
    // The last 32 bytes, overlapping the block before where count is no multiple of 32.
    VerticalBlock(lower + count - 32, upper + count - 32, weight, blended + count - 32);
}

// Eight destination bytes, four from each of two groups: a 16-byte load at each group's start,
// one shuffle putting each byte's left sample in the low and its right sample in the high
// 16 bits of its lane. A multiply-add by (-1, 1) gives right - left; shifting the lane by 23
// drops the right sample and leaves left << 23.
__attribute__((target("avx2"))) inline __m256i ShuffleBlend(const std::uint8_t* blended,
                                                            const std::int32_t* base,
                                                            const std::uint8_t* shuffle,
                                                            const std::int32_t* weight) {
    const __m256i samples = _mm256_inserti128_si256(
        _mm256_castsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(blended + base[0]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(blended + base[1])), 1);
    const __m256i pairs =
        _mm256_shuffle_epi8(samples, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(shuffle)));
    return BlendPairs(pairs, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight)));
}

// Destination bytes j to j + 31; j is a multiple of 4.
__attribute__((target("avx2"))) inline void HorizontalBlock(const std::uint8_t* blended,
                                                            const ColumnTaps& taps, std::size_t j,
                                                            std::uint8_t* out) {
    const std::int32_t* base = taps.groupBase.data() + j / 4;
    const std::uint8_t* shuffle = taps.groupShuffle.data() + 4 * j;
    const std::int32_t* weight = taps.byteWeight.data() + j;
    const __m256i r0 = ShuffleBlend(blended, base, shuffle, weight);
    const __m256i r1 = ShuffleBlend(blended, base + 2, shuffle + 32, weight + 8);
    const __m256i r2 = ShuffleBlend(blended, base + 4, shuffle + 64, weight + 16);
    const __m256i r3 = ShuffleBlend(blended, base + 6, shuffle + 96, weight + 24);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), PackAvx2(r0, r1, r2, r3));
}

__attribute__((target("avx2"))) void HorizontalAvx2(const std::uint8_t* blended,
                                                    const ColumnTaps& taps, std::uint8_t* out) {
    if (taps.groupBase.empty()) {
        // Steps too long for the shuffles (or fewer than four bytes).
        return HorizontalSse2(blended, taps, out);
    }
    // The groups cover whole groups of four bytes; the last block overlaps the one before it
    // (the same bytes again), and the bytes after the last group go the plain way.
    const std::size_t grouped = taps.groupBase.size() * 4;
    std::size_t j = 0;
    for (; j + 32 <= grouped; j += 32) {
        HorizontalBlock(blended, taps, j, out);
    }
    if (j < grouped && grouped >= 32) {
        HorizontalBlock(blended, taps, grouped - 32, out);
        j = grouped;
    }
    for (std::size_t x = j / 3; x < taps.firstByte.size(); ++x) {
        PixelScalar(blended, taps, x, out);
    }
    // Every column without an integer weight, the plain way.
    for (const std::int32_t x : taps.inexact) {
        PixelScalar(blended, taps, static_cast<std::size_t>(x), out);
    }
}

#endif

}  // namespace

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
        return VerticalAvx2(lower, upper, tap, count, blended);
    }
    if (level == SimdLevel::Sse2) {
        return VerticalSse2(lower, upper, tap, count, blended);
    }
#endif
    (void)level;
    VerticalScalar(lower, upper, tap, 0, count, blended);
}

void BlendColumns(SimdLevel level, const std::uint8_t* blended, const ColumnTaps& taps,
                  std::uint8_t* out) {
#ifdef VORNAL_X86
    if (level == SimdLevel::Avx2) {
        return HorizontalAvx2(blended, taps, out);
    }
    if (level == SimdLevel::Sse2) {
        return HorizontalSse2(blended, taps, out);
    }
#endif
    (void)level;
    HorizontalScalar(blended, taps, out);
}

}  // namespace dib
