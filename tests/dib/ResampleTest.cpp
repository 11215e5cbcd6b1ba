#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

#include "DibTestSupport.h"
#include "dib/cDIBSection.h"
#include "platform/Failure.h"

using dib_test::Byte;
using dib_test::Bytes;

namespace {

// Bilinear resampling written out from its definition, one byte at a time, with every read
// checked against the source's rows of `stride` bytes.
std::vector<std::uint8_t> Reference(const std::vector<std::uint8_t>& src, int w, int h, int stride,
                                    int newW, int newH, int newStride,
                                    std::vector<std::uint8_t> dest) {
    const auto S = [&](int c, int r) -> double {
        if (c < 0 || c >= stride || r < 0 || r >= h) {
            throw std::out_of_range("source byte");
        }
        return src[static_cast<std::size_t>(r) * stride + c];
    };
    const float xScale = static_cast<float>(static_cast<double>(w - 1) / newW);
    const float yScale = static_cast<float>(static_cast<double>(h - 1) / newH);
    for (int y = 0; y < newH; ++y) {
        const float yPos = static_cast<float>(static_cast<double>(yScale) * y);
        const int yInt = static_cast<int>(std::floor(yPos));
        const float yFrac = static_cast<float>(static_cast<double>(yPos) - yInt);
        for (int x = 0; x < newW; ++x) {
            const float xPos = static_cast<float>(static_cast<double>(xScale) * x);
            const int xInt = static_cast<int>(std::floor(xPos));
            const float xFrac = static_cast<float>(static_cast<double>(xPos) - xInt);
            const int b = 3 * xInt;
            for (int k = 0; k < 3; ++k) {
                const double left = std::nearbyint((1.0 - yFrac) * S(b + k, yInt) +
                                                   static_cast<double>(yFrac) * S(b + k, yInt + 1));
                const double right =
                    std::nearbyint((1.0 - yFrac) * S(b + 3 + k, yInt) +
                                   static_cast<double>(yFrac) * S(b + 3 + k, yInt + 1));
                double value =
                    std::nearbyint((1.0 - xFrac) * left + static_cast<double>(xFrac) * right);
                value = std::min(255.0, std::max(0.0, value));
                dest[static_cast<std::size_t>(y) * newStride +
                     static_cast<std::size_t>(3 * x + k)] = static_cast<std::uint8_t>(value);
            }
        }
    }
    return dest;
}

}  // namespace

TEST(Resample, WorkedExampleTwoByTwoToFourByFour) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    Byte(source, 0, 0) = 0;
    Byte(source, 3, 0) = 100;
    Byte(source, 0, 1) = 200;
    Byte(source, 3, 1) = 255;
    const auto result = source.Resample(4, 4);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 4);
    EXPECT_EQ(result->Height(), 4);
    EXPECT_EQ(Byte(*result, 3, 1), 72);
    EXPECT_EQ(Byte(*result, 0, 0), 0);
    EXPECT_EQ(Byte(*result, 0, 2), 100);  // y = 2: yPos 0.5, round(0.5 x 0 + 0.5 x 200)
}

TEST(Resample, VerticalBlendsRoundHalvesToEven) {
    // Column pair (1, 2) and (2, 3) blended half and half: 1.5 gives 2, 2.5 gives 2.
    cDIBSection source;
    ASSERT_TRUE(source.Create(2, 3));
    Byte(source, 0, 0) = 1;
    Byte(source, 0, 1) = 2;
    Byte(source, 0, 2) = 3;
    Byte(source, 1, 0) = 2;
    Byte(source, 1, 1) = 3;
    const auto result = source.Resample(4, 2);  // yScale = 0.5: rows at 0, 0.5, 1, 1.5
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(Byte(*result, 0, 1), 2);  // round(1.5)
    EXPECT_EQ(Byte(*result, 0, 3), 2);  // round(2.5)
    EXPECT_EQ(Byte(*result, 1, 1), 2);  // round(2.5)
}

TEST(Resample, HalvingBlendsTheMiddleAndKeepsTheCorner) {
    std::mt19937 rng(3);
    cDIBSection source;
    ASSERT_TRUE(source.Create(4, 4));
    dib_test::FillRandom(source, rng);
    const auto result = source.Resample(2, 2);
    ASSERT_NE(result, nullptr);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Byte(*result, k, 0), Byte(source, k, 0));
        const auto half = [](double a, double b) { return std::nearbyint(0.5 * a + 0.5 * b); };
        const double left = half(Byte(source, 3 + k, 1), Byte(source, 3 + k, 2));
        const double right = half(Byte(source, 6 + k, 1), Byte(source, 6 + k, 2));
        EXPECT_EQ(Byte(*result, 3 + k, 1), half(left, right));
    }
}

TEST(Resample, ChangingOnlyTheHeightStillResamplesColumns) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(4, 2));
    for (int x = 0; x < 4; ++x) {
        Byte(source, 3 * x, 0) = static_cast<std::uint8_t>(100 * x / 3 * 2);
        Byte(source, 3 * x, 1) = Byte(source, 3 * x, 0);
    }
    const auto result = source.Resample(3, 4);
    ASSERT_NE(result, nullptr);
    // Source positions 0, 0.75, 1.5, 2.25 of blue bytes 0, 66, 132, 200.
    EXPECT_EQ(Byte(*result, 0, 0), 0);
    EXPECT_EQ(Byte(*result, 3, 0), 50);   // round(0.25 x 0 + 0.75 x 66) = round(49.5)
    EXPECT_EQ(Byte(*result, 6, 0), 99);   // round(0.5 x 66 + 0.5 x 132)
    EXPECT_EQ(Byte(*result, 9, 0), 149);  // round(0.75 x 132 + 0.25 x 200)
}

TEST(Resample, MatchesTheDefinitionOnRandomSizesAndPixels) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> sourceSize(2, 60);
    std::uniform_int_distribution<int> destSize(1, 400);
    for (int round = 0; round < 150; ++round) {
        const int w = sourceSize(rng), h = sourceSize(rng);
        const int newW = round % 3 == 0 ? w : destSize(rng);
        const int newH = destSize(rng) / (round % 2 + 1);
        cDIBSection source;
        ASSERT_TRUE(source.Create(w, h));
        dib_test::FillRandom(source, rng);
        const std::vector<std::uint8_t> before = Bytes(source);
        const auto result = source.Resample(newH, newW);
        ASSERT_NE(result, nullptr);
        const auto expected = Reference(before, w, h, source.BytesPerScanLine(), newW, newH,
                                        result->BytesPerScanLine(),
                                        std::vector<std::uint8_t>(Bytes(*result).size(), 0));
        ASSERT_EQ(Bytes(*result), expected) << w << "x" << h << " -> " << newW << "x" << newH;
        ASSERT_EQ(Bytes(source), before);
    }
}

TEST(Resample, SameSizeIsAnExactCopy) {
    std::mt19937 rng(5);
    cDIBSection source;
    ASSERT_TRUE(source.Create(7, 5));
    dib_test::FillRandom(source, rng);
    const auto copy = source.Resample(5, 7);
    ASSERT_NE(copy, nullptr);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 21; ++c) {
            ASSERT_EQ(Byte(*copy, c, r), Byte(source, c, r));
        }
    }
    // One pixel wide or high: the same size still copies.
    cDIBSection thin;
    ASSERT_TRUE(thin.Create(1, 3));
    Byte(thin, 2, 1) = 9;
    const auto thinCopy = thin.Resample(3, 1);
    ASSERT_NE(thinCopy, nullptr);
    EXPECT_EQ(Byte(*thinCopy, 2, 1), 9);
}

TEST(Resample, OnePixelSourcesFailBeforeWritingAndGiveNoObject) {
    const int before = platform::gdi::LiveHandleCount();
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 5}, {5, 1}, {1, 1}}) {
        cDIBSection source;
        ASSERT_TRUE(source.Create(w, h));
        const std::vector<std::uint8_t> bytes = Bytes(source);
        std::shared_ptr<cDIBSection> result;
        try {
            result = source.Resample(h + 1, w + 2);
            ADD_FAILURE() << w << "x" << h << " resampled";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.kind(), platform::FailureKind::OutOfRange);
        }
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(Bytes(source), bytes);
    }
    EXPECT_EQ(platform::gdi::LiveHandleCount(), before);
}

TEST(Resample, RefusedSizesAndEmptyBuffersGiveNoObject) {
    cDIBSection source;
    ASSERT_TRUE(source.Create(4, 4));
    EXPECT_EQ(source.Resample(5, 0), nullptr);
    EXPECT_EQ(source.Resample(0, 5), nullptr);
    EXPECT_EQ(source.Resample(5, -3), nullptr);
    source.ClearUp();
    EXPECT_EQ(source.Resample(8, 8), nullptr);
    EXPECT_EQ(source.Resample(4, 4), nullptr);
    cDIBSection never;
    EXPECT_EQ(never.Resample(2, 2), nullptr);
}

TEST(Resample, TopDownBuffersKeepTheirPictureUpright) {
    // The same picture held bottom-up and top-down resamples to the same picture.
    std::mt19937 rng(9);
    cDIBSection bottomUp;
    ASSERT_TRUE(bottomUp.Create(9, 6));
    dib_test::FillRandom(bottomUp, rng);
    cDIBSection topDown;
    ASSERT_TRUE(topDown.Create(9, -6));
    topDown.LoadPictureBlt(bottomUp.hdc());
    const auto fromBottomUp = bottomUp.Resample(13, 5);
    const auto fromTopDown = topDown.Resample(13, 5);
    ASSERT_NE(fromTopDown, nullptr);
    for (int r = 0; r < 13; ++r) {
        for (int c = 0; c < 15; ++c) {
            ASSERT_EQ(Byte(*fromTopDown, c, r), Byte(*fromBottomUp, c, r));
        }
    }
}

TEST(Resample, PaddingOfTheNewBufferIsZeroInReusedMemory) {
    // The new buffer's pixels are all written by the resample; its padding must still be zero
    // although freshly freed, dirty memory is what the next buffer of a size is likely to get.
    std::mt19937 rng(11);
    cDIBSection source;
    ASSERT_TRUE(source.Create(5, 4));
    dib_test::FillRandom(source, rng);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{7, 6}, {1, 9}, {10, 3}, {6, -5}}) {
        {
            cDIBSection dirty;
            ASSERT_TRUE(dirty.Create(w, h));
            std::memset(dirty.DIBSectionBitsPtr(), 0xFF,
                        static_cast<std::size_t>(dirty.BytesPerScanLine()) * std::abs(h));
        }
        const auto result = source.Resample(h, w);
        ASSERT_NE(result, nullptr);
        const std::vector<std::uint8_t> bytes = Bytes(*result);
        const int stride = result->BytesPerScanLine();
        ASSERT_GT(stride, 3 * w);
        for (int r = 0; r < std::abs(h); ++r) {
            for (int c = 3 * w; c < stride; ++c) {
                ASSERT_EQ(bytes[static_cast<std::size_t>(r) * stride + c], 0)
                    << w << "x" << h << " row " << r << " byte " << c;
            }
        }
    }
}
