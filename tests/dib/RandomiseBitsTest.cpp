#include <gtest/gtest.h>

#include <set>

#include "DibTestSupport.h"
#include "dib/NoiseFill.h"
#include "dib/cDIBSection.h"

using dib_test::Byte;

namespace {

// Marks the padding so a write into it shows.
void MarkPadding(cDIBSection& dib) {
    for (int r = 0; r < dib.Height(); ++r) {
        for (int c = dib.Width() * 3; c < dib.BytesPerScanLine(); ++c) {
            Byte(dib, c, r) = 0xEE;
        }
    }
}

void ExpectPaddingMarked(const cDIBSection& dib) {
    for (int r = 0; r < dib.Height(); ++r) {
        for (int c = dib.Width() * 3; c < dib.BytesPerScanLine(); ++c) {
            ASSERT_EQ(Byte(dib, c, r), 0xEE) << c << "," << r;
        }
    }
}

}  // namespace

TEST(RandomiseBits, ColourLeavesBlueAtZeroAndFillsGreenAndRed) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(61, 40));  // 183 bytes of pixels, 1 of padding per row
    for (int r = 0; r < 40; ++r) {
        for (int c = 0; c < 183; ++c) {
            Byte(dib, c, r) = 0x77;
        }
    }
    MarkPadding(dib);
    dib.RandomiseBits();
    std::set<int> greens, reds;
    for (int r = 0; r < 40; ++r) {
        for (int x = 0; x < 61; ++x) {
            ASSERT_EQ(Byte(dib, 3 * x, r), 0);
            greens.insert(Byte(dib, 3 * x + 1, r));
            reds.insert(Byte(dib, 3 * x + 2, r));
        }
    }
    // 2440 draws per channel over 256 levels: a fill that misses most of them is no noise.
    EXPECT_GT(greens.size(), 200u);
    EXPECT_GT(reds.size(), 200u);
    ExpectPaddingMarked(dib);
}

TEST(RandomiseBits, GreyGivesEqualChannels) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(50, 30));
    MarkPadding(dib);
    dib.RandomiseBits(true);
    std::set<int> levels;
    for (int r = 0; r < 30; ++r) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(Byte(dib, 3 * x, r), Byte(dib, 3 * x + 1, r));
            ASSERT_EQ(Byte(dib, 3 * x, r), Byte(dib, 3 * x + 2, r));
            levels.insert(Byte(dib, 3 * x, r));
        }
    }
    EXPECT_GT(levels.size(), 200u);
    ExpectPaddingMarked(dib);
}

TEST(RandomiseBits, OnePixelWideBuffersGetOnePixelPerRow) {
    for (const bool grey : {false, true}) {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(1, 200));
        MarkPadding(dib);
        dib.RandomiseBits(grey);
        int nonZero = 0;
        for (int r = 0; r < 200; ++r) {
            nonZero += Byte(dib, 1, r) != 0 ? 1 : 0;
        }
        EXPECT_GT(nonZero, 150);
        ExpectPaddingMarked(dib);
    }
}

TEST(RandomiseBits, BuffersWithoutPixelsAreLeftAlone) {
    cDIBSection never;
    EXPECT_NO_THROW(never.RandomiseBits());
    cDIBSection cleared;
    ASSERT_TRUE(cleared.Create(10, 10));
    cleared.ClearUp();
    EXPECT_NO_THROW(cleared.RandomiseBits(true));
    EXPECT_EQ(cleared.DIBSectionBitsPtr(), nullptr);
}

TEST(RandomiseBits, GeneratorStaysInTheUnitIntervalAndReachesBothEnds) {
    dib::UniformNoise noise(12345.5f);
    float low = 1.0f, high = 0.0f;
    for (int i = 0; i < 200000; ++i) {
        const float r = noise.Next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_LT(low, 0.001f);
    EXPECT_GT(high, 0.999f);
    const float now = dib::SecondsSinceMidnight();
    EXPECT_GE(now, 0.0f);
    EXPECT_LT(now, 86401.0f);
}
