#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "DibTestSupport.h"
#include "dib/ResampleBilinear.h"
#include "platform/runtime/Failure.h"

using dib::SimdLevel;
using dib_test::Byte;
using dib_test::PixelBytes;

namespace {

// Where destination pixel i of `to` samples a source of `from` pixels, in single precision.
float Position(int from, int to, int i) {
    const auto scale = static_cast<float>(static_cast<double>(from - 1) / to);
    return static_cast<float>(static_cast<double>(scale) * i);
}

// Bilinear resampling written out from its definition, one byte at a time, on rows of 3 x w
// bytes from the bottom up.
std::vector<std::uint8_t> Reference(const std::vector<std::uint8_t>& src, int w, int h, int newW,
                                    int newH) {
    const auto S = [&](int c, int r) -> double { return src.at(std::size_t(r) * 3 * w + c); };
    std::vector<std::uint8_t> dest;
    for (int y = 0; y < newH; ++y) {
        const float yPos = Position(h, newH, y);
        const int yInt = static_cast<int>(std::floor(yPos));
        const double yFrac = yPos - static_cast<float>(yInt);
        for (int x = 0; x < newW; ++x) {
            const float xPos = Position(w, newW, x);
            const int xInt = static_cast<int>(std::floor(xPos));
            const double xFrac = xPos - static_cast<float>(xInt);
            for (int k = 3 * xInt; k < 3 * xInt + 3; ++k) {
                const double left =
                    std::nearbyint((1.0 - yFrac) * S(k, yInt) + yFrac * S(k, yInt + 1));
                const double right =
                    std::nearbyint((1.0 - yFrac) * S(k + 3, yInt) + yFrac * S(k + 3, yInt + 1));
                dest.push_back(static_cast<std::uint8_t>(
                    std::nearbyint((1.0 - xFrac) * left + xFrac * right)));
            }
        }
    }
    return dest;
}

std::vector<SimdLevel> Levels() {
    std::vector<SimdLevel> levels = {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2};
    std::erase_if(levels, [](SimdLevel level) { return !dib::SimdLevelAvailable(level); });
    return levels;
}

// A source w pixels wide with these blue bytes, row by row from the bottom, resampled.
std::shared_ptr<cDIBSection> BlueResample(int w, const std::vector<int>& blue, int newH, int newW) {
    cDIBSection source;
    EXPECT_TRUE(source.Create(w, static_cast<int>(blue.size()) / w));
    for (std::size_t i = 0; i < blue.size(); ++i) {
        Byte(source, 3 * (static_cast<int>(i) % w), static_cast<int>(i) / w) =
            static_cast<std::uint8_t>(blue[i]);
    }
    auto result = source.Resample(newH, newW);
    EXPECT_NE(result, nullptr);
    return result;
}

}  // namespace

TEST(Resample, WorkedExamples) {
    // 0 and 100 in the bottom row, 200 and 255 in the top: pixel (1, 1) blends quarters.
    const auto big = BlueResample(2, {0, 100, 200, 255}, 4, 4);
    EXPECT_EQ(big->Width(), 4);
    EXPECT_EQ(big->Height(), 4);
    EXPECT_EQ(Byte(*big, 3, 1), 72);
    // Halves round to even: 0.5 x 1 + 0.5 x 2 gives 2, and 0.5 x 2 + 0.5 x 3 gives 2.
    const auto halves = BlueResample(2, {1, 0, 2, 0, 3, 0}, 4, 2);
    EXPECT_EQ(Byte(*halves, 0, 1), 2);
    EXPECT_EQ(Byte(*halves, 0, 3), 2);
    // Only the height changes, yet the 4 columns sample positions 0, 0.75, 1.5 and 2.25.
    const auto taller = BlueResample(4, {0, 66, 132, 200, 0, 66, 132, 200}, 3, 4);
    const int expected[] = {0, 50, 99, 149};  // round(0.25 x 0 + 0.75 x 66) = round(49.5) ...
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Byte(*taller, 3 * x, 0), expected[x]) << x;
    }
}

// Sources of 2 to 60 pixels either way up, destinations up to 400 (exact halvings and
// quarterings among them, for ties), made in memory a freed dirty buffer leaves behind.
TEST(Resample, MatchesTheDefinitionOnRandomSizesAndPixels) {
    std::mt19937 rng(2024);
    const auto R = [&](int n) { return static_cast<int>(rng() % n); };
    for (int round = 0; round < 200; ++round) {
        const int w = 2 + R(59), h = 2 + R(59), sign = R(2) ? 1 : -1, newSign = R(2) ? 1 : -1;
        const int newW = round % 4 == 0 ? 2 * (w - 1) : 1 + R(400);
        const int newH = round % 5 == 0 ? 4 * (h - 1) : 1 + R(200);
        cDIBSection source;
        ASSERT_TRUE(source.Create(w, sign * h));
        dib_test::FillRandom(source, rng);
        {
            cDIBSection dirty;
            ASSERT_TRUE(dirty.Create(newW, newSign * newH));
            std::memset(dirty.DIBSectionBitsPtr(), 0xFF,
                        static_cast<std::size_t>(dirty.BytesPerScanLine()) * newH);
        }
        const auto result = source.Resample(newSign * newH, newW);
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(PixelBytes(*result), Reference(PixelBytes(source), w, h, newW, newH))
            << w << "x" << sign * h << " -> " << newW << "x" << newSign * newH;
        for (int r = 0; r < newH; ++r) {
            for (int c = 3 * newW; c < result->BytesPerScanLine(); ++c) {
                ASSERT_EQ(Byte(*result, c, r), 0) << "padding of " << newW << "x" << newH;
            }
        }
    }
}

TEST(Resample, SameSizeCopiesAndOnePixelSourcesFailWithoutWriting) {
    std::mt19937 rng(5);
    const int live = platform::gdi::LiveHandleCount();
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{7, -5}, {1, 3}, {5, 1}, {1, 1}}) {
        cDIBSection source;
        ASSERT_TRUE(source.Create(w, h));
        dib_test::FillRandom(source, rng);
        const std::vector<std::uint8_t> bytes = PixelBytes(source);
        const auto copy = source.Resample(h, w);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(PixelBytes(*copy), bytes) << w << "x" << h;
        if (w > 1 && h != 1) {
            continue;
        }
        std::shared_ptr<cDIBSection> result;
        try {
            result = source.Resample(h + 1, w + 2);
            ADD_FAILURE() << w << "x" << h << " resampled";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.kind(), platform::FailureKind::OutOfRange);
        }
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(PixelBytes(source), bytes);
        // The same failure with the destination in view: not one byte of it is written.
        std::vector<std::uint8_t> dest(48, 0x5A);
        EXPECT_THROW(dib::ResampleBilinear(
                         dib::PixelView(source.DIBSectionBitsPtr(), source.BytesPerScanLine(), h),
                         w, h, dib::PixelView(dest.data(), 12, 4), 3, 4),
                     platform::Failure);
        EXPECT_EQ(dest, std::vector<std::uint8_t>(48, 0x5A));
    }
    EXPECT_EQ(platform::gdi::LiveHandleCount(), live);
    // Sizes Create refuses, and buffers without pixels, give no object.
    cDIBSection source;
    ASSERT_TRUE(source.Create(4, 4));
    EXPECT_TRUE(source.Resample(5, 0) == nullptr && source.Resample(0, 5) == nullptr);
    source.ClearUp();
    EXPECT_TRUE(source.Resample(4, 4) == nullptr && source.Resample(8, 8) == nullptr);
}

// The vector passes blend with integers where a fraction is a whole multiple of 2^-23. Every
// position of 1 or more has such a fraction; positions below 1 may not, and must be marked so.
TEST(ResampleExactness, TapsAreTheSinglePrecisionPositionsAndWholeStepsFromOneOn) {
    std::mt19937 rng(41);
    int inexact = 0;
    for (int round = 0; round < 200; ++round) {
        const int from = 2 + static_cast<int>(rng() % 5000),
                  to = 1 + static_cast<int>(rng() % 5000);
        const dib::TapSeries series(from, to);
        for (int i = 0; i < to; ++i) {
            const dib::Tap tap = series.At(i);
            const float pos = Position(from, to, i);
            const auto fraction = static_cast<float>(pos - std::floor(pos));  // exact in float
            const double steps = std::ldexp(static_cast<double>(fraction), dib::kWeightBits);
            ASSERT_EQ(tap.index, static_cast<int>(std::floor(pos)));
            ASSERT_EQ(tap.take, fraction);
            ASSERT_EQ(tap.keep, 1.0 - fraction);
            if (tap.index >= 1) {
                ASSERT_EQ(steps, std::floor(steps)) << from << " -> " << to << " at " << i;
            }
            ASSERT_EQ(tap.weight, steps == std::floor(steps) ? static_cast<int>(steps) : -1);
            inexact += tap.weight < 0 ? 1 : 0;
        }
    }
    EXPECT_GT(inexact, 0);
}

// All 65536 byte pairs, for fractions at the ends, halves (ties), below 2^-23 and at random,
// over lengths that leave every vector loop a different tail. Random whole multiples of 2^-23,
// 2^-15 and 2^-8 reach every integer form: 23-bit weights, and 16-bit ones without and with
// halves (odd multiples of 2^-8 meet them at differences of 128).
TEST(ResampleExactness, VerticalBlendOfEveryBytePairMatchesTheDoubleBlendAtEveryLevel) {
    std::vector<std::uint8_t> lower(65536), upper(65536), out(65536);
    for (int i = 0; i < 65536; ++i) {
        lower[i] = static_cast<std::uint8_t>(i);
        upper[i] = static_cast<std::uint8_t>(i >> 8);
    }
    std::vector<float> fractions = {
        0.0f, 0x1p-23f, 0.25f,           0.5f,    1.0f - 0x1p-23f, 0x1p-24f,
        0.3f, 0x1p-15f, 1.0f - 0x1p-15f, 0x1p-8f, 255 * 0x1p-8f,   0x1p-16f};
    std::mt19937 rng(7);
    for (int i = 0; i < 30; ++i) {
        fractions.push_back(std::ldexp(static_cast<float>(rng() % (1u << 23)), -23));
        fractions.push_back(std::uniform_real_distribution<float>(0.0f, 0.999f)(rng));
        fractions.push_back(std::ldexp(static_cast<float>(rng() % (1u << 15)), -15));
        fractions.push_back(std::ldexp(static_cast<float>(rng() % (1u << 8)), -8));
    }
    for (std::size_t f = 0; f < fractions.size(); ++f) {
        const double take = fractions[f];
        const int count = 65536 - static_cast<int>(f % 37);
        for (const SimdLevel level : Levels()) {
            dib::BlendRowsVertically(level, lower.data(), upper.data(),
                                     dib::MakeTap(static_cast<int>(f % 3), fractions[f]), count,
                                     out.data());
            for (int i = 0; i < count; ++i) {
                ASSERT_EQ(out[i], std::nearbyint((1.0 - take) * lower[i] + take * upper[i]))
                    << "level " << static_cast<int>(level) << " fraction " << take << " bytes "
                    << int{lower[i]} << ", " << int{upper[i]};
            }
        }
    }
}

// Every vector level against the plain one, on rows of any stride, narrow and odd widths, steps
// past 3 source pixels, exact halves, and first fractions on the double path beside integer ones.
// The named sizes reach positions of 256 and more (the 16-bit forms) along either axis, exact
// halves there (doublings), and long steps whose pixels are gathered first, in several pieces,
// with a last piece of one column and of a full piece.
TEST(ResampleExactness, EveryLevelResamplesLikeThePlainPath) {
    ASSERT_EQ(dib::MakeColumnTaps(5, 7).inexact, std::vector<std::int32_t>{1});
    std::vector<std::array<int, 4>> sizes = {
        {5, 5, 7, 7},      {301, 37, 1000, 120}, {13, 301, 1001, 997}, {700, 3, 1398, 4},
        {3, 700, 5, 1398}, {600, 520, 301, 261}, {2000, 6, 300, 5},    {4000, 3, 257, 2},
        {1700, 4, 256, 3}, {1300, 400, 129, 1}};
    std::mt19937 rng(29);
    const auto R = [&](int n) { return static_cast<int>(rng() % n); };
    for (int round = 0; round < 250; ++round) {
        const int w = 2 + R(round % 2 == 0 ? 15 : 300);
        sizes.push_back({w, 2 + R(40), round % 3 == 0 ? 2 * (w - 1) : 1 + R(400), 1 + R(30)});
    }
    for (const auto& [w, h, newW, newH] : sizes) {
        const int stride = 3 * w + R(6), newStride = 3 * newW + R(6);
        std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * h);
        std::generate(source.begin(), source.end(),
                      [&] { return static_cast<std::uint8_t>(rng()); });
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(newStride) * newH, 0x5A);
        for (const SimdLevel level : Levels()) {
            std::vector<std::uint8_t> out(plain.size(), 0x5A);
            dib::ResampleBilinear(dib::PixelView(source.data(), stride, h), w, h,
                                  dib::PixelView(out.data(), newStride, newH), newW, newH, level);
            if (level == SimdLevel::Scalar) {
                plain = out;
            }
            ASSERT_EQ(out, plain) << "level " << static_cast<int>(level) << ": " << w << "x" << h
                                  << " (stride " << stride << ") -> " << newW << "x" << newH;
        }
    }
}
