#include "dib/BilinearTaps.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/Numeric.h"

namespace dib {

namespace {

constexpr double kWeightScale = 1 << kWeightBits;

// The fraction as a whole number of 2^-23 steps, or -1 when it has finer bits (positions below
// 1). Scaling by a power of two is exact, so the test is exact; within 0 ... 2^23 the steps
// convert to an integer and back unchanged exactly when they are whole.
std::int32_t IntegerWeight(float fraction) {
    const double steps = static_cast<double>(fraction) * kWeightScale;
    if (!(steps >= 0.0 && steps < kWeightScale)) {
        return -1;
    }
    const auto whole = static_cast<std::int32_t>(steps);
    return static_cast<double>(whole) == steps ? whole : -1;
}

// floor(value) for a value whose floor fits 32 bits, as ToInt32 checks; rows and columns call
// it once each, and the library floor is a call.
double Floor(double value) {
    if (value >= -2147483648.0 && value < 2147483648.0) {
        const auto truncated = static_cast<double>(static_cast<std::int64_t>(value));
        return truncated > value ? truncated - 1.0 : truncated;
    }
    return std::floor(value);
}

// Bytes one 16-byte load and shuffle can reach; the right sample lies 3 after the left.
constexpr std::int32_t kGroupReach = 16 - 3;
constexpr std::size_t kGroupBytes = 4;
constexpr std::uint8_t kClear = 0x80;

void MakeGroups(ColumnTaps& taps) {
    const std::size_t groups = 3 * taps.firstByte.size() / kGroupBytes;
    taps.groupBase.resize(groups);
    taps.groupShuffle.resize(groups * kGroupBytes * 4);
    std::uint8_t* shuffle = taps.groupShuffle.data();
    for (std::size_t g = 0; g < groups; ++g) {
        std::int32_t source[kGroupBytes];
        for (std::size_t i = 0; i < kGroupBytes; ++i) {
            const std::size_t byte = g * kGroupBytes + i;
            source[i] = taps.firstByte[byte / 3] + static_cast<std::int32_t>(byte % 3);
        }
        // Pixels never step back, but a pixel's first channel lies before the last channel of
        // the pixel before when both sample the same source pixel.
        const std::int32_t base = *std::min_element(source, source + kGroupBytes);
        taps.groupBase[g] = base;
        for (const std::int32_t byte : source) {
            const std::int32_t offset = byte - base;
            if (offset >= kGroupReach) {
                taps.groupBase.clear();
                taps.groupShuffle.clear();
                return;
            }
            *shuffle++ = static_cast<std::uint8_t>(offset);
            *shuffle++ = kClear;
            *shuffle++ = static_cast<std::uint8_t>(offset + 3);
            *shuffle++ = kClear;
        }
    }
}

}  // namespace

TapSeries::TapSeries(std::int32_t sourceSize, std::int32_t destSize)
    : scale_(static_cast<float>(static_cast<double>(sourceSize - std::int64_t{1}) /
                                static_cast<double>(destSize))) {}

Tap TapSeries::At(std::int32_t i) const {
    const auto position = static_cast<float>(static_cast<double>(scale_) * i);
    const double whole = Floor(static_cast<double>(position));
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
    taps.firstByte.resize(count);
    taps.keep.resize(count);
    taps.take.resize(count);
    taps.byteWeight.resize(3 * count);
    taps.byteShortPair.resize(3 * count);
    for (std::size_t x = 0; x < count; ++x) {
        const Tap tap = series.At(static_cast<std::int32_t>(x));
        const std::int32_t first = platform::CheckedMul32(3, tap.index);
        platform::CheckedAdd32(first, 5);
        taps.firstByte[x] = first;
        taps.keep[x] = tap.keep;
        taps.take[x] = tap.take;
        const std::int32_t shortWeight = ShortWeight(tap.weight);
        const std::int32_t shortPair = shortWeight >= 0 ? ShortWeightPair(shortWeight) : 0;
        for (std::size_t k = 3 * x; k < 3 * x + 3; ++k) {
            taps.byteWeight[k] = tap.weight;
            taps.byteShortPair[k] = shortPair;
        }
        if (tap.weight < 0) {
            taps.inexact.push_back(static_cast<std::int32_t>(x));
        }
        if (shortWeight < 0) {
            taps.shortFrom = (3 * x + 3 + kGroupBytes - 1) / kGroupBytes * kGroupBytes;
        }
    }
    MakeGroups(taps);
    return taps;
}

ColumnTaps PackedColumnTaps(const ColumnTaps& taps) {
    ColumnTaps packed = taps;
    for (std::size_t x = 0; x < packed.firstByte.size(); ++x) {
        packed.firstByte[x] = static_cast<std::int32_t>(6 * x);
    }
    MakeGroups(packed);
    return packed;
}

}  // namespace dib
