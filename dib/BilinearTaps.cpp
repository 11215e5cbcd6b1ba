#include "dib/BilinearTaps.h"

#include <cmath>

#include "platform/Numeric.h"

namespace dib {

TapSeries::TapSeries(std::int32_t sourceSize, std::int32_t destSize)
    : scale_(static_cast<float>(static_cast<double>(sourceSize - std::int64_t{1}) /
                                static_cast<double>(destSize))) {}

Tap TapSeries::At(std::int32_t i) const {
    const auto position = static_cast<float>(static_cast<double>(scale_) * i);
    const double whole = std::floor(static_cast<double>(position));
    const auto fraction = static_cast<float>(static_cast<double>(position) - whole);
    return Tap{platform::ToInt32(whole), 1.0 - static_cast<double>(fraction),
               static_cast<double>(fraction)};
}

ColumnTaps MakeColumnTaps(std::int32_t sourceWidth, std::int32_t destWidth) {
    ColumnTaps taps;
    const TapSeries series(sourceWidth, destWidth);
    const auto count = static_cast<std::size_t>(destWidth > 0 ? destWidth : 0);
    taps.firstByte.reserve(count);
    taps.keep.reserve(count);
    taps.take.reserve(count);
    for (std::int32_t x = 0; x < destWidth; ++x) {
        const Tap tap = series.At(x);
        const std::int32_t first = platform::CheckedMul32(3, tap.index);
        platform::CheckedAdd32(first, 5);
        taps.firstByte.push_back(first);
        taps.keep.push_back(tap.keep);
        taps.take.push_back(tap.take);
    }
    return taps;
}

}  // namespace dib
