// The AVX2 passes of the exact resample, in the integer forms of BilinearTaps.h. A vertical
// blend whose weight has a 16-bit form takes it sixteen bytes to an instruction; any other
// integer weight goes through 32-bit lanes as two exact multiply-adds. A horizontal blend
// gathers each destination byte's two samples into one 32-bit lane and takes its 16-bit form
// where every column from there on has one, else the 23-bit form. Blends without an integer
// weight take the plain double path.

#include "dib/BilinearKernels.h"

#ifdef VORNAL_X86

#include <immintrin.h>

namespace dib::kernels {

namespace {

constexpr int kHalfMinusOne = (1 << (kWeightBits - 1)) - 1;

#define VORNAL_AVX2 __attribute__((target("avx2")))

VORNAL_AVX2 inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

VORNAL_AVX2 inline void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// N / 2^23 rounded half to even: adding 2^22 - 1 and the parity of N >> 23 carries into bit 23
// exactly when the remainder is above one half, or is one half and N >> 23 is odd.
VORNAL_AVX2 inline __m256i RoundAvx2(__m256i n) {
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi32(n, kWeightBits), _mm256_set1_epi32(1));
    return _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_add_epi32(n, _mm256_set1_epi32(kHalfMinusOne)), odd), kWeightBits);
}

// Four vectors of eight values 0 ... 255 as 32 bytes in their order.
VORNAL_AVX2 inline __m256i PackAvx2(__m256i r0, __m256i r1, __m256i r2, __m256i r3) {
    // The packs work within 128-bit halves; the permutation puts the 4-byte groups back.
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3));
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// left << 23 + weight x (right - left), rounded, for lanes holding left | right << 16.
VORNAL_AVX2 inline __m256i BlendPairs(__m256i pairs, __m256i weight) {
    // A multiply-add by (-1, 1) gives right - left; shifting the lane by 23 drops the right
    // sample and leaves left << 23.
    const __m256i difference = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x0001FFFF));
    return RoundAvx2(_mm256_add_epi32(_mm256_slli_epi32(pairs, kWeightBits),
                                      _mm256_mullo_epi32(difference, weight)));
}

// The 16-bit form: left + floor(t + 1/2) with t = difference x weight / 2^15, one less where t
// is an exact half and that sum is odd. Lanes are 16 bits wide; `weight` and `negative` hold B
// and -B where the difference is, and 0 in lanes whose result is not used.
template <bool kHalves>
VORNAL_AVX2 inline __m256i BlendShort(__m256i left, __m256i difference, __m256i weight,
                                      __m256i negative) {
    const __m256i up = _mm256_mulhrs_epi16(difference, weight);
    const __m256i value = _mm256_add_epi16(left, up);
    if constexpr (!kHalves) {
        return value;
    } else {
        const __m256i half = _mm256_add_epi16(up, _mm256_mulhrs_epi16(difference, negative));
        return _mm256_sub_epi16(value, _mm256_and_si256(value, half));
    }
}

// 32 bytes of a row for a weight m that is no multiple of 2^8, m = mh x 2^8 + ml: -N is
// M1 << 8 plus M2, M1 = (lower, upper) multiplied and added with (mh - 2^15, -mh) and M2 with
// (ml, -ml), each exact in 32 bits. Such a weight never meets an exact half (that needs 15 zero
// bits at its end), so N / 2^23 rounds as (N + 2^22) >> 23. The unpacks interleave within
// 128-bit halves, and the packs undo them in the same halves, so the bytes come back in their
// order.
VORNAL_AVX2 inline __m256i BlendLongPairs(__m256i pairs, __m256i high, __m256i low) {
    const __m256i minusN = _mm256_add_epi32(_mm256_slli_epi32(_mm256_madd_epi16(pairs, high), 8),
                                            _mm256_madd_epi16(pairs, low));
    return _mm256_srli_epi32(_mm256_sub_epi32(_mm256_set1_epi32(1 << (kWeightBits - 1)), minusN),
                             kWeightBits);
}

VORNAL_AVX2 inline void VerticalLongBlock(const std::uint8_t* lower, const std::uint8_t* upper,
                                          __m256i high, __m256i low, std::uint8_t* blended) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowRow = Load(lower);
    const __m256i highRow = Load(upper);
    const __m256i pairs0 = _mm256_unpacklo_epi8(lowRow, highRow);
    const __m256i pairs1 = _mm256_unpackhi_epi8(lowRow, highRow);
    const __m256i r0 = BlendLongPairs(_mm256_unpacklo_epi8(pairs0, zero), high, low);
    const __m256i r1 = BlendLongPairs(_mm256_unpackhi_epi8(pairs0, zero), high, low);
    const __m256i r2 = BlendLongPairs(_mm256_unpacklo_epi8(pairs1, zero), high, low);
    const __m256i r3 = BlendLongPairs(_mm256_unpackhi_epi8(pairs1, zero), high, low);
    Store(blended, _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3)));
}

// The same 32 bytes in the 16-bit form: the byte pairs (lower, upper) give the difference by a
// multiply-add with (-1, 1) and the lower byte by a mask.
template <bool kHalves>
VORNAL_AVX2 inline void VerticalShortBlock(const std::uint8_t* lower, const std::uint8_t* upper,
                                           __m256i weight, __m256i negative,
                                           std::uint8_t* blended) {
    const __m256i low = Load(lower);
    const __m256i high = Load(upper);
    const __m256i pairs0 = _mm256_unpacklo_epi8(low, high);
    const __m256i pairs1 = _mm256_unpackhi_epi8(low, high);
    const __m256i minusPlus = _mm256_set1_epi16(0x01FF);
    const __m256i lowByte = _mm256_set1_epi16(0x00FF);
    const __m256i r0 =
        BlendShort<kHalves>(_mm256_and_si256(pairs0, lowByte),
                            _mm256_maddubs_epi16(pairs0, minusPlus), weight, negative);
    const __m256i r1 =
        BlendShort<kHalves>(_mm256_and_si256(pairs1, lowByte),
                            _mm256_maddubs_epi16(pairs1, minusPlus), weight, negative);
    Store(blended, _mm256_packus_epi16(r0, r1));
}

template <bool kHalves>
VORNAL_AVX2 void VerticalShort(const std::uint8_t* lower, const std::uint8_t* upper,
                               std::int32_t shortWeight, std::int32_t count,
                               std::uint8_t* blended) {
    const __m256i weight = _mm256_set1_epi16(static_cast<short>(shortWeight));
    const __m256i negative = _mm256_set1_epi16(static_cast<short>(-shortWeight));
    for (std::int32_t c = 0; c + 32 <= count; c += 32) {
        VerticalShortBlock<kHalves>(lower + c, upper + c, weight, negative, blended + c);
    }
    // The last 32 bytes, overlapping the block before where count is no multiple of 32.
    VerticalShortBlock<kHalves>(lower + count - 32, upper + count - 32, weight, negative,
                                blended + count - 32);
}

// Eight destination bytes, four from each of two groups: a 16-byte load at each group's start,
// one shuffle putting each byte's left sample in the low and its right sample in the high
// 16 bits of its lane.
VORNAL_AVX2 inline __m256i ShufflePairs(const std::uint8_t* blended, const std::int32_t* base,
                                        const std::uint8_t* shuffle) {
    const __m256i samples = _mm256_inserti128_si256(
        _mm256_castsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(blended + base[0]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(blended + base[1])), 1);
    return _mm256_shuffle_epi8(samples, Load(shuffle));
}

// Eight destination bytes starting at j with 23-bit weights.
VORNAL_AVX2 inline __m256i HorizontalEight(const std::uint8_t* blended, const ColumnTaps& taps,
                                           std::size_t j) {
    return BlendPairs(
        ShufflePairs(blended, taps.groupBase.data() + j / 4, taps.groupShuffle.data() + 4 * j),
        Load(taps.byteWeight.data() + j));
}

// The same with 16-bit weights: -N from one multiply-add, then N / 2^15 rounded half to even
// (see BilinearTaps.h).
VORNAL_AVX2 inline __m256i HorizontalShortEight(const std::uint8_t* blended, const ColumnTaps& taps,
                                                std::size_t j) {
    const __m256i pairs =
        ShufflePairs(blended, taps.groupBase.data() + j / 4, taps.groupShuffle.data() + 4 * j);
    const __m256i minusN = _mm256_madd_epi16(pairs, Load(taps.byteShortPair.data() + j));
    const __m256i odd =
        _mm256_and_si256(_mm256_srli_epi32(minusN, kShortWeightBits), _mm256_set1_epi32(1));
    const __m256i sum = _mm256_sub_epi32(
        _mm256_sub_epi32(_mm256_set1_epi32(1 << (kShortWeightBits - 1)), minusN), odd);
    return _mm256_srli_epi32(sum, kShortWeightBits);
}

// Destination bytes j to j + 31; j is a multiple of 4.
VORNAL_AVX2 inline void HorizontalBlock(const std::uint8_t* blended, const ColumnTaps& taps,
                                        std::size_t j, std::uint8_t* out) {
    if (j >= taps.shortFrom) {
        Store(out + j, PackAvx2(HorizontalShortEight(blended, taps, j),
                                HorizontalShortEight(blended, taps, j + 8),
                                HorizontalShortEight(blended, taps, j + 16),
                                HorizontalShortEight(blended, taps, j + 24)));
    } else {
        Store(out + j,
              PackAvx2(HorizontalEight(blended, taps, j), HorizontalEight(blended, taps, j + 8),
                       HorizontalEight(blended, taps, j + 16),
                       HorizontalEight(blended, taps, j + 24)));
    }
}

}  // namespace

VORNAL_AVX2 void VerticalAvx2(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                              std::int32_t count, std::uint8_t* blended) {
    if (tap.weight < 0 || count < 32) {
        return VerticalScalar(lower, upper, tap, 0, count, blended);
    }
    if (const std::int32_t shortWeight = ShortWeight(tap.weight); shortWeight >= 0) {
        return ShortWeightMeetsHalves(shortWeight)
                   ? VerticalShort<true>(lower, upper, shortWeight, count, blended)
                   : VerticalShort<false>(lower, upper, shortWeight, count, blended);
    }
    const std::int32_t low = tap.weight & 0xFF;
    const __m256i highPair = _mm256_set1_epi32(ShortWeightPair(tap.weight >> 8));
    const __m256i lowPair = _mm256_set1_epi32(static_cast<std::int32_t>(
        static_cast<std::uint32_t>(low) |
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(-low)) << 16));
    for (std::int32_t c = 0; c + 32 <= count; c += 32) {
        VerticalLongBlock(lower + c, upper + c, highPair, lowPair, blended + c);
    }
    VerticalLongBlock(lower + count - 32, upper + count - 32, highPair, lowPair,
                      blended + count - 32);
}

VORNAL_AVX2 void HorizontalAvx2(const std::uint8_t* blended, const ColumnTaps& taps,
                                std::size_t first, std::size_t end, std::uint8_t* out) {
    if (taps.groupBase.empty()) {
        // Steps too long for the shuffles (or fewer than four bytes).
        return HorizontalSse2(blended, taps, first, end, out);
    }
    // The groups cover whole groups of four bytes. A range that is not the last ends on a
    // multiple of 96 bytes, within the groups. The last range's last block overlaps the one
    // before it (the same bytes again); its bytes after the last group go the plain way, as
    // does every column without an integer weight.
    const std::size_t columns = taps.firstByte.size();
    const std::size_t grouped = taps.groupBase.size() * 4;
    const std::size_t limit = end == columns ? grouped : 3 * end;
    std::size_t j = 3 * first;
    for (; j + 32 <= limit; j += 32) {
        HorizontalBlock(blended, taps, j, out);
    }
    if (end != columns) {
        return;
    }
    if (j < grouped && grouped >= 32) {
        HorizontalBlock(blended, taps, grouped - 32, out);
        j = grouped;
    }
    for (std::size_t x = j / 3; x < columns; ++x) {
        PixelScalar(blended, taps, x, out);
    }
    for (const std::int32_t x : taps.inexact) {
        PixelScalar(blended, taps, static_cast<std::size_t>(x), out);
    }
}

}  // namespace dib::kernels

#endif
