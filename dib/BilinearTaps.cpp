#include "dib/BilinearTaps.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/Numeric.h"

namespace dib {

namespace {

constexpr double kWeightScale = 1 << kWeightBits;

// The fraction as a whole number of 2^-23 steps, or -1 when it has finer bits (positions below
// 1). Scaling by a power of two is exact, so the test is exact.
std::int32_t IntegerWeight(float fraction) {
    const double steps = static_cast<double>(fraction) * kWeightScale;
    if (steps != std::floor(steps) || steps < 0.0 || steps >= kWeightScale) {
        return -1;
    }
    return static_cast<std::int32_t>(steps);
}

// Bytes one 16-byte load and shuffle can reach; the right sample lies 3 after the left.
constexpr std::int32_t kGroupReach = 16 - 3;
constexpr std::size_t kGroupBytes = 4;
constexpr std::uint8_t kClear = 0x80;

void MakeGroups(const std::vector<std::int32_t>& byteSource, ColumnTaps& taps) {
    const std::size_t groups = byteSource.size() / kGroupBytes;
    taps.groupBase.reserve(groups);
    taps.groupShuffle.reserve(groups * kGroupBytes * 4);
    for (std::size_t g = 0; g < groups; ++g) {
        // Pixels never step back, but a pixel's first channel lies before the last channel of
        // the pixel before when both sample the same source pixel.
        const auto first = byteSource.begin() + static_cast<std::ptrdiff_t>(g * kGroupBytes);
        const std::int32_t base = *std::min_element(first, first + kGroupBytes);
        taps.groupBase.push_back(base);
        for (std::size_t i = 0; i < kGroupBytes; ++i) {
            const std::int32_t offset = byteSource[g * kGroupBytes + i] - base;
            if (offset >= kGroupReach) {
                taps.groupBase.clear();
                taps.groupShuffle.clear();
                return;
            }
            const auto left = static_cast<std::uint8_t>(offset);
            const auto right = static_cast<std::uint8_t>(offset + 3);
            taps.groupShuffle.insert(taps.groupShuffle.end(), {left, kClear, right, kClear});
        }
    }
}

}  // namespace

TapSeries::TapSeries(std::int32_t sourceSize, std::int32_t destSize)
    : scale_(static_cast<float>(static_cast<double>(sourceSize - std::int64_t{1}) /
                                static_cast<double>(destSize))) {}

Tap TapSeries::At(std::int32_t i) const {
    const auto position = static_cast<float>(static_cast<double>(scale_) * i);
    const double whole = std::floor(static_cast<double>(position));
    const auto fraction = static_cast<float>(static_cast<double>(position) - whole);
    return MakeTap(platform::ToInt32(whole), fraction);
}

Tap MakeTap(std::int32_t index, float fraction) {
    return Tap{index, 1.0 - static_cast<double>(fraction), static_cast<double>(fraction),
               IntegerWeight(fraction)};
}

ColumnTaps MakeColumnTaps(std::int32_t sourceWidth, std::int32_t destWidth) {
    ColumnTaps taps;
    const TapSeries series(sourceWidth, destWidth);
    const auto count = static_cast<std::size_t>(destWidth > 0 ? destWidth : 0);
    taps.firstByte.reserve(count);
    taps.keep.reserve(count);
    taps.take.reserve(count);
    taps.byteWeight.reserve(3 * count);
    std::vector<std::int32_t> byteSource;
    byteSource.reserve(3 * count);
    for (std::int32_t x = 0; x < destWidth; ++x) {
        const Tap tap = series.At(x);
        const std::int32_t first = platform::CheckedMul32(3, tap.index);
        platform::CheckedAdd32(first, 5);
        taps.firstByte.push_back(first);
        taps.keep.push_back(tap.keep);
        taps.take.push_back(tap.take);
        for (std::int32_t k = 0; k < 3; ++k) {
            byteSource.push_back(first + k);
            taps.byteWeight.push_back(tap.weight);
        }
        if (tap.weight < 0) {
            taps.inexact.push_back(x);
        }
    }
    MakeGroups(byteSource, taps);
    return taps;
}

}  // namespace dib
