#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dib/BilinearRows.h"
#include "dib/BilinearTaps.h"
#include "dib/PixelView.h"
#include "dib/ResampleBilinear.h"

using dib::SimdLevel;

namespace {

std::vector<SimdLevel> VectorLevels() {
    std::vector<SimdLevel> levels;
    for (const SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
        if (dib::SimdLevelAvailable(level)) {
            levels.push_back(level);
        }
    }
    return levels;
}

int LevelNumber(SimdLevel level) {
    return static_cast<int>(level);
}

// The plain double blend of two bytes, as the definition states it.
std::uint8_t PlainBlend(const dib::Tap& tap, int near, int far) {
    return static_cast<std::uint8_t>(std::nearbyint(tap.keep * near + tap.take * far));
}

// Resamples random pixels held in rows of `stride` bytes at every level and expects the plain
// level's bytes, and the padding after each destination row untouched.
void ExpectEveryLevelAlike(std::mt19937& rng, int w, int h, int stride, int newW, int newH,
                           int newStride) {
    std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * h);
    for (auto& b : source) {
        b = static_cast<std::uint8_t>(rng());
    }
    const dib::PixelView from(source.data(), stride, h);
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(newStride) * newH, 0x5A);
    dib::ResampleBilinear(from, w, h, dib::PixelView(plain.data(), newStride, newH), newW, newH,
                          SimdLevel::Scalar);
    for (int r = 0; r < newH; ++r) {
        for (int c = newW * 3; c < newStride; ++c) {
            ASSERT_EQ(plain[static_cast<std::size_t>(r) * newStride + c], 0x5A);
        }
    }
    for (const SimdLevel level : VectorLevels()) {
        std::vector<std::uint8_t> fast(plain.size(), 0x5A);
        dib::ResampleBilinear(from, w, h, dib::PixelView(fast.data(), newStride, newH), newW, newH,
                              level);
        ASSERT_EQ(fast, plain) << "level " << LevelNumber(level) << ": " << w << "x" << h
                               << " (stride " << stride << ") -> " << newW << "x" << newH
                               << " (stride " << newStride << ")";
    }
}

}  // namespace

TEST(ResampleKernels, IntegerWeightsAreExactlyTheFractions) {
    // Every position of 1 or more has a fraction in whole 2^-23 steps; below 1 some have not,
    // and those must be marked so, never given a rounded weight.
    std::mt19937 rng(41);
    int inexact = 0;
    for (int round = 0; round < 200; ++round) {
        const int sourceSize = 2 + static_cast<int>(rng() % 5000);
        const int destSize = 1 + static_cast<int>(rng() % 5000);
        const dib::TapSeries series(sourceSize, destSize);
        for (int i = 0; i < destSize; ++i) {
            const dib::Tap tap = series.At(i);
            if (tap.index >= 1) {
                ASSERT_GE(tap.weight, 0) << sourceSize << " -> " << destSize << " at " << i;
            }
            if (tap.weight >= 0) {
                ASSERT_LT(tap.weight, 1 << dib::kWeightBits);
                ASSERT_EQ(std::ldexp(static_cast<double>(tap.weight), -dib::kWeightBits), tap.take);
            } else {
                ASSERT_NE(std::ldexp(std::floor(std::ldexp(tap.take, dib::kWeightBits)),
                                     -dib::kWeightBits),
                          tap.take);
                ++inexact;
            }
        }
    }
    EXPECT_GT(inexact, 0);
    EXPECT_EQ(dib::MakeTap(0, 0.5f).weight, 1 << (dib::kWeightBits - 1));
    EXPECT_EQ(dib::MakeTap(0, 0.0f).weight, 0);
    EXPECT_EQ(dib::MakeTap(0, 0x1p-24f).weight, -1);
    EXPECT_EQ(dib::MakeTap(3, 1.0f - 0x1p-23f).weight, (1 << dib::kWeightBits) - 1);
}

TEST(ResampleKernels, VerticalBlendOfEveryBytePairMatchesTheDoubleBlend) {
    // All 65536 pairs of bytes, for weights at the ends, at halves (ties) and at random.
    std::vector<std::uint8_t> lower(65536), upper(65536);
    for (int i = 0; i < 65536; ++i) {
        lower[i] = static_cast<std::uint8_t>(i & 0xFF);
        upper[i] = static_cast<std::uint8_t>(i >> 8);
    }
    std::vector<float> fractions = {0.0f,        0x1p-23f, 0.25f,           0.5f,     0.75f,
                                    1.0f / 3.0f, 0.125f,   1.0f - 0x1p-23f, 0x1p-24f, 0.3f};
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        fractions.push_back(std::ldexp(static_cast<float>(rng() % (1u << 23)), -23));
    }
    std::vector<std::uint8_t> fast(65536);
    for (const float fraction : fractions) {
        const dib::Tap tap = dib::MakeTap(1, fraction);
        for (const SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2}) {
            if (!dib::SimdLevelAvailable(level)) {
                continue;
            }
            dib::BlendRowsVertically(level, lower.data(), upper.data(), tap, 65536, fast.data());
            for (int i = 0; i < 65536; ++i) {
                ASSERT_EQ(fast[i], PlainBlend(tap, lower[i], upper[i]))
                    << "level " << LevelNumber(level) << " fraction " << fraction << " bytes "
                    << int{lower[i]} << ", " << int{upper[i]};
            }
        }
    }
}

TEST(ResampleKernels, HalvesRoundToEvenAtEveryLevel) {
    // 40 bytes, so the vector loops and the plain tail both see ties.
    std::vector<std::uint8_t> lower(40), upper(40), out(40);
    for (int i = 0; i < 40; ++i) {
        lower[i] = static_cast<std::uint8_t>(i);
        upper[i] = static_cast<std::uint8_t>(i + 1);
    }
    for (const SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2}) {
        if (!dib::SimdLevelAvailable(level)) {
            continue;
        }
        dib::BlendRowsVertically(level, lower.data(), upper.data(), dib::MakeTap(2, 0.5f), 40,
                                 out.data());
        for (int i = 0; i < 40; ++i) {
            // i + 0.5 goes to the even one of i and i + 1.
            ASSERT_EQ(out[i], i % 2 == 0 ? i : i + 1) << "level " << LevelNumber(level);
        }
    }
}

TEST(ResampleKernels, VectorPassesGiveThePlainPassesBytes) {
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> byte(0, 255);
    // Fractions with few bits make exact halves, and so ties, common; arbitrary floats below 1
    // have bits finer than 2^-23 and take the double path.
    std::uniform_int_distribution<int> eighths(0, 8);
    std::uniform_real_distribution<float> any(0.0f, 1.0f);
    for (int round = 0; round < 300; ++round) {
        const int count = 1 + static_cast<int>(rng() % 200);
        std::vector<std::uint8_t> lower(count), upper(count);
        for (int i = 0; i < count; ++i) {
            lower[i] = static_cast<std::uint8_t>(byte(rng));
            upper[i] = static_cast<std::uint8_t>(byte(rng));
        }
        const float frac = round % 2 == 0 ? eighths(rng) / 8.0f : any(rng);
        const dib::Tap tap = dib::MakeTap(round % 3, frac == 1.0f ? 0.0f : frac);
        std::vector<std::uint8_t> plain(count), fast(count);
        dib::BlendRowsVertically(SimdLevel::Scalar, lower.data(), upper.data(), tap, count,
                                 plain.data());

        const int destWidth = 1 + static_cast<int>(rng() % 150);
        const int sourceWidth = 2 + static_cast<int>(rng() % 100);
        const dib::ColumnTaps taps = dib::MakeColumnTaps(sourceWidth, destWidth);
        std::vector<std::uint8_t> blended(taps.firstByte.back() + 24);
        for (auto& v : blended) {
            v = static_cast<std::uint8_t>(byte(rng));
        }
        std::vector<std::uint8_t> plainOut(3 * destWidth + 4, 0xAB);
        dib::BlendColumns(SimdLevel::Scalar, blended.data(), taps, plainOut.data());

        for (const SimdLevel level : VectorLevels()) {
            dib::BlendRowsVertically(level, lower.data(), upper.data(), tap, count, fast.data());
            ASSERT_EQ(fast, plain) << "level " << LevelNumber(level);
            std::vector<std::uint8_t> fastOut(3 * destWidth + 4, 0xAB);
            dib::BlendColumns(level, blended.data(), taps, fastOut.data());
            // Equal bytes, and the bytes after the row untouched.
            ASSERT_EQ(fastOut, plainOut)
                << "level " << LevelNumber(level) << " " << sourceWidth << " -> " << destWidth;
        }
    }
}

TEST(ResampleKernels, EveryLevelResamplesAlike) {
    std::mt19937 rng(23);
    ExpectEveryLevelAlike(rng, 37, 11, (37 * 3 + 3) & ~3, 101, 29, (101 * 3 + 3) & ~3);
}

TEST(ResampleKernels, EveryLevelResamplesAlikeOnRandomSizesAndStrides) {
    // Narrow and odd widths, rows with extra bytes of any count, enlargements and reductions
    // by small and large factors (past three source pixels per destination pixel too).
    std::mt19937 rng(29);
    const int widths[] = {2, 3, 7, 9, 11, 16, 33};
    for (int round = 0; round < 250; ++round) {
        const int w = round % 2 == 0 ? widths[rng() % 7] : 2 + static_cast<int>(rng() % 300);
        const int h = 2 + static_cast<int>(rng() % 40);
        const int newW = round % 3 == 0 ? widths[rng() % 7] : 1 + static_cast<int>(rng() % 400);
        const int newH = 1 + static_cast<int>(rng() % 30);
        const int stride = 3 * w + static_cast<int>(rng() % 6);
        const int newStride = 3 * newW + static_cast<int>(rng() % 6);
        ExpectEveryLevelAlike(rng, w, h, stride, newW, newH, newStride);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(ResampleKernels, ColumnsBelowOneBesideColumnsAboveOne) {
    // 5 -> 7 wide: the step 4/7 in single precision has bits far below 2^-23, so the first
    // column past 0 takes the double path and the next ones the integer path; same for rows.
    const dib::ColumnTaps taps = dib::MakeColumnTaps(5, 7);
    ASSERT_EQ(taps.inexact, std::vector<std::int32_t>{1});
    const dib::ColumnTaps wide = dib::MakeColumnTaps(301, 1000);
    ASSERT_FALSE(wide.inexact.empty());
    ASSERT_LT(wide.inexact.size(), 10u);
    std::mt19937 rng(31);
    ExpectEveryLevelAlike(rng, 5, 5, 15, 7, 7, 21);
    ExpectEveryLevelAlike(rng, 301, 37, 903, 1000, 120, 3001);
    ExpectEveryLevelAlike(rng, 13, 301, 41, 1001, 997, 3003);
}

TEST(PixelView, RefusesEveryIndexOutsideIt) {
    std::vector<std::uint8_t> bytes(12);
    const dib::PixelView view(bytes.data(), 4, 3);
    EXPECT_NO_THROW(view.At(3, 2));
    EXPECT_THROW(view.At(4, 0), std::exception);
    EXPECT_THROW(view.At(0, 3), std::exception);
    EXPECT_THROW(view.At(-1, 0), std::exception);
    EXPECT_THROW(view.Span(0, 1, 4), std::exception);
    EXPECT_NO_THROW(view.Span(2, 0, 4));
    const dib::PixelView none(nullptr, 4, 3);
    EXPECT_THROW(none.At(0, 0), std::exception);
}
