#include <gtest/gtest.h>

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

}  // namespace

TEST(ResampleKernels, VectorPassesGiveThePlainPassesBytes) {
    if (VectorLevels().empty()) {
        GTEST_SKIP() << "no vector instructions on this processor";
    }
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> byte(0, 255);
    // Fractions with few bits make exact halves, and so ties, common.
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
        std::vector<double> plain(count + 8), fast(count + 8);
        dib::BlendRowsVertically(SimdLevel::Scalar, lower.data(), upper.data(), 1.0 - frac, frac,
                                 count, plain.data());

        const int destWidth = 1 + static_cast<int>(rng() % 150);
        const int sourceWidth = 2 + static_cast<int>(rng() % 100);
        const dib::ColumnTaps taps = dib::MakeColumnTaps(sourceWidth, destWidth);
        std::vector<double> blended(taps.firstByte.back() + 8);
        for (double& v : blended) {
            v = byte(rng);
        }
        std::vector<std::uint8_t> plainOut(3 * destWidth + 4, 0xAB);
        dib::BlendColumns(SimdLevel::Scalar, blended.data(), taps, plainOut.data());

        for (const SimdLevel level : VectorLevels()) {
            std::fill(fast.begin(), fast.end(), -1.0);
            dib::BlendRowsVertically(level, lower.data(), upper.data(), 1.0 - frac, frac, count,
                                     fast.data());
            for (int i = 0; i < count; ++i) {
                ASSERT_EQ(fast[i], plain[i])
                    << "level " << static_cast<int>(level) << " byte " << i;
            }
            std::vector<std::uint8_t> fastOut(3 * destWidth + 4, 0xAB);
            dib::BlendColumns(level, blended.data(), taps, fastOut.data());
            // Equal bytes, and the bytes after the row untouched.
            ASSERT_EQ(fastOut, plainOut) << "level " << static_cast<int>(level);
        }
    }
}

TEST(ResampleKernels, EveryLevelResamplesAlike) {
    std::mt19937 rng(23);
    const int w = 37, h = 11, stride = (w * 3 + 3) & ~3;
    std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * h);
    for (auto& b : source) {
        b = static_cast<std::uint8_t>(rng());
    }
    const dib::PixelView from(source.data(), stride, h);
    const int newW = 101, newH = 29, newStride = (newW * 3 + 3) & ~3;
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(newStride) * newH, 0x5A);
    dib::ResampleBilinear(from, w, h, dib::PixelView(plain.data(), newStride, newH), newW, newH,
                          SimdLevel::Scalar);
    for (const SimdLevel level : VectorLevels()) {
        std::vector<std::uint8_t> fast(plain.size(), 0x5A);
        dib::ResampleBilinear(from, w, h, dib::PixelView(fast.data(), newStride, newH), newW, newH,
                              level);
        EXPECT_EQ(fast, plain);
    }
    // Padding after each row is never written.
    for (int r = 0; r < newH; ++r) {
        for (int c = newW * 3; c < newStride; ++c) {
            ASSERT_EQ(plain[static_cast<std::size_t>(r) * newStride + c], 0x5A);
        }
    }
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
