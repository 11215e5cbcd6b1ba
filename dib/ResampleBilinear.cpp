#include "dib/ResampleBilinear.h"

#include <cstring>
#include <vector>

#include "platform/runtime/Numeric.h"

namespace dib {

void ResampleBilinear(const PixelView& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      const PixelView& dest, std::int32_t destWidth, std::int32_t destHeight,
                      SimdLevel level) {
    if (destWidth <= 0 || destHeight <= 0) {
        return;
    }
    const ColumnTaps columns = MakeColumnTaps(sourceWidth, destWidth);
    const TapSeries rows(sourceHeight, destHeight);
    // Positions never decrease, so the last column and row reach furthest into the source.
    const std::int32_t needed = platform::CheckedAdd32(columns.firstByte.back(), 6);
    const Tap lastRow = rows.At(destHeight - 1);
    const std::int32_t outBytes = platform::CheckedMul32(destWidth, 3);

    // One check per row range, all of them before anything is written.
    source.Span(rows.At(0).index, 0, needed);
    source.Span(platform::CheckedAdd32(lastRow.index, 1), 0, needed);
    dest.Span(destHeight - 1, 0, outBytes);

    // Room for the 16-byte loads of the last columns' samples.
    std::vector<std::uint8_t> blended(static_cast<std::size_t>(needed) + 18, 0);
    const std::uint8_t* previousOut = nullptr;
    Tap previous{-1, 0.0, 0.0, 0};
    for (std::int32_t y = 0; y < destHeight; ++y) {
        const Tap tap = rows.At(y);
        std::uint8_t* out = dest.Span(y, 0, outBytes);
        if (previousOut != nullptr && tap.index == previous.index && tap.take == previous.take) {
            // Same source position as the row below: the same bytes.
            std::memcpy(out, previousOut, static_cast<std::size_t>(outBytes));
            continue;
        }
        const std::uint8_t* lower = source.Span(tap.index, 0, needed);
        const std::uint8_t* upper = source.Span(tap.index + 1, 0, needed);
        BlendRowsVertically(level, lower, upper, tap, needed, blended.data());
        BlendColumns(level, blended.data(), columns, out);
        previousOut = out;
        previous = tap;
    }
}

}  // namespace dib
