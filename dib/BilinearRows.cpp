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

void VerticalScalar(const std::uint8_t* lower, const std::uint8_t* upper, double keep, double take,
                    std::int32_t from, std::int32_t count, double* blended) {
    for (std::int32_t c = from; c < count; ++c) {
        const double low = keep * lower[c];
        const double high = take * upper[c];
        blended[c] = std::nearbyint(low + high);
    }
}

void HorizontalScalar(const double* blended, const ColumnTaps& taps, std::size_t from,
                      std::uint8_t* out) {
    for (std::size_t x = from; x < taps.firstByte.size(); ++x) {
        const double* left = blended + taps.firstByte[x];
        for (int k = 0; k < 3; ++k) {
            const double near = taps.keep[x] * left[k];
            const double far = taps.take[x] * left[k + 3];
            out[3 * x + k] = ToByte(near + far);
        }
    }
}

#ifdef VORNAL_X86

// The vector paths round with the processor's current mode, which this program never moves
// from the default round-to-nearest-even, the same rounding nearbyint gives the plain path.

void StorePixel(__m128i values, std::uint8_t* out, bool last) {
    const __m128i words = _mm_packs_epi32(values, values);
    const __m128i bytes = _mm_packus_epi16(words, words);
    const auto four = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    // All but the last pixel store a fourth byte that the next pixel overwrites; the last
    // stops at its own three, leaving the row's padding alone.
    std::memcpy(out, &four, last ? 3 : 4);
}

void VerticalSse2(const std::uint8_t* lower, const std::uint8_t* upper, double keep, double take,
                  std::int32_t count, double* blended) {
    const __m128d k = _mm_set1_pd(keep);
    const __m128d t = _mm_set1_pd(take);
    const __m128i zero = _mm_setzero_si128();
    std::int32_t c = 0;
    for (; c + 4 <= count; c += 4) {
        std::int32_t low4 = 0;
        std::int32_t high4 = 0;
        std::memcpy(&low4, lower + c, 4);
        std::memcpy(&high4, upper + c, 4);
        const __m128i low =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(low4), zero), zero);
        const __m128i high =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(high4), zero), zero);
        const __m128d l01 = _mm_cvtepi32_pd(low);
        const __m128d l23 = _mm_cvtepi32_pd(_mm_shuffle_epi32(low, 0xEE));
        const __m128d h01 = _mm_cvtepi32_pd(high);
        const __m128d h23 = _mm_cvtepi32_pd(_mm_shuffle_epi32(high, 0xEE));
        const __m128d r01 = _mm_add_pd(_mm_mul_pd(k, l01), _mm_mul_pd(t, h01));
        const __m128d r23 = _mm_add_pd(_mm_mul_pd(k, l23), _mm_mul_pd(t, h23));
        _mm_storeu_pd(blended + c, _mm_cvtepi32_pd(_mm_cvtpd_epi32(r01)));
        _mm_storeu_pd(blended + c + 2, _mm_cvtepi32_pd(_mm_cvtpd_epi32(r23)));
    }
    VerticalScalar(lower, upper, keep, take, c, count, blended);
}

void HorizontalSse2(const double* blended, const ColumnTaps& taps, std::uint8_t* out) {
    const std::size_t columns = taps.firstByte.size();
    for (std::size_t x = 0; x < columns; ++x) {
        const double* left = blended + taps.firstByte[x];
        const __m128d k = _mm_set1_pd(taps.keep[x]);
        const __m128d t = _mm_set1_pd(taps.take[x]);
        const __m128d r01 =
            _mm_add_pd(_mm_mul_pd(k, _mm_loadu_pd(left)), _mm_mul_pd(t, _mm_loadu_pd(left + 3)));
        const __m128d r23 = _mm_add_pd(_mm_mul_pd(k, _mm_loadu_pd(left + 2)),
                                       _mm_mul_pd(t, _mm_loadu_pd(left + 5)));
        const __m128i values = _mm_unpacklo_epi64(_mm_cvtpd_epi32(r01), _mm_cvtpd_epi32(r23));
        StorePixel(values, out + 3 * x, x + 1 == columns);
    }
}

__attribute__((target("avx2"))) void VerticalAvx2(const std::uint8_t* lower,
                                                  const std::uint8_t* upper, double keep,
                                                  double take, std::int32_t count,
                                                  double* blended) {
    const __m256d k = _mm256_set1_pd(keep);
    const __m256d t = _mm256_set1_pd(take);
    std::int32_t c = 0;
    for (; c + 8 <= count; c += 8) {
        const __m128i low8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lower + c));
        const __m128i high8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper + c));
        const __m256d l0 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(low8));
        const __m256d l1 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(low8, 4)));
        const __m256d h0 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(high8));
        const __m256d h1 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(high8, 4)));
        const __m256d r0 = _mm256_add_pd(_mm256_mul_pd(k, l0), _mm256_mul_pd(t, h0));
        const __m256d r1 = _mm256_add_pd(_mm256_mul_pd(k, l1), _mm256_mul_pd(t, h1));
        _mm256_storeu_pd(blended + c,
                         _mm256_round_pd(r0, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
        _mm256_storeu_pd(blended + c + 4,
                         _mm256_round_pd(r1, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
    }
    VerticalScalar(lower, upper, keep, take, c, count, blended);
}

__attribute__((target("avx2"))) void HorizontalAvx2(const double* blended, const ColumnTaps& taps,
                                                    std::uint8_t* out) {
    const std::size_t columns = taps.firstByte.size();
    for (std::size_t x = 0; x < columns; ++x) {
        const double* left = blended + taps.firstByte[x];
        const __m256d k = _mm256_set1_pd(taps.keep[x]);
        const __m256d t = _mm256_set1_pd(taps.take[x]);
        const __m256d r = _mm256_add_pd(_mm256_mul_pd(k, _mm256_loadu_pd(left)),
                                        _mm256_mul_pd(t, _mm256_loadu_pd(left + 3)));
        StorePixel(_mm256_cvtpd_epi32(r), out + 3 * x, x + 1 == columns);
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
                         double keep, double take, std::int32_t count, double* blended) {
#ifdef VORNAL_X86
    if (level == SimdLevel::Avx2) {
        return VerticalAvx2(lower, upper, keep, take, count, blended);
    }
    if (level == SimdLevel::Sse2) {
        return VerticalSse2(lower, upper, keep, take, count, blended);
    }
#endif
    (void)level;
    VerticalScalar(lower, upper, keep, take, 0, count, blended);
}

void BlendColumns(SimdLevel level, const double* blended, const ColumnTaps& taps,
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
    HorizontalScalar(blended, taps, 0, out);
}

}  // namespace dib
