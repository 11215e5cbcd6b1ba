#include "dib/ResampleBilinear.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/runtime/Numeric.h"

namespace dib {

namespace {

// Columns [first, end): bytes 6x to 6x + 5 of `lower` and `upper` become the two source pixels
// column x blends in either row. Eight bytes are copied at a time while the row has them (the
// next column overwrites the two extra); both rows in one pass, so that memory delivers them
// together.
void GatherColumnPairs(const std::uint8_t* lowerRow, const std::uint8_t* upperRow,
                       std::int32_t rowBytes, const ColumnTaps& columns, std::size_t first,
                       std::size_t end, std::uint8_t* lower, std::uint8_t* upper) {
    std::size_t x = first;
    for (; x < end && columns.firstByte[x] <= rowBytes - 8; ++x) {
        std::memcpy(lower + 6 * x, lowerRow + columns.firstByte[x], 8);
        std::memcpy(upper + 6 * x, upperRow + columns.firstByte[x], 8);
    }
    for (; x < end; ++x) {
        std::memcpy(lower + 6 * x, lowerRow + columns.firstByte[x], 6);
        std::memcpy(upper + 6 * x, upperRow + columns.firstByte[x], 6);
    }
}

// Columns per piece of a gathered row: a piece is blended while its gathered bytes are still in
// the nearest cache (whole rows, and smaller pieces, measured slower).
constexpr std::size_t kPieceColumns = 4 * kColumnRangeStep;

// One destination row from the source rows' gathered pixels, piece by piece: `packedColumns`
// reads column x at bytes 6x to 6x + 5.
void BlendGatheredRow(SimdLevel level, const std::uint8_t* lowerRow, const std::uint8_t* upperRow,
                      std::int32_t rowBytes, const Tap& tap, const ColumnTaps& columns,
                      const ColumnTaps& packedColumns, std::uint8_t* lower, std::uint8_t* upper,
                      std::uint8_t* blended, std::uint8_t* out) {
    const std::size_t count = columns.firstByte.size();
    for (std::size_t first = 0; first < count; first += kPieceColumns) {
        const std::size_t end = std::min(count, first + kPieceColumns);
        GatherColumnPairs(lowerRow, upperRow, rowBytes, columns, first, end, lower, upper);
        BlendRowsVertically(level, lower + 6 * first, upper + 6 * first, tap,
                            static_cast<std::int32_t>(6 * (end - first)), blended + 6 * first);
        BlendColumnRange(level, blended, packedColumns, first, end, out);
    }
}

}  // namespace

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

    // Steps too long for the vector passes' shuffles leave most of each source row unread: the
    // vector levels then gather the pixels that are read and blend only those. The plain level
    // always reads the rows as they are, which keeps it a check on the gathering.
    const bool gathered = level != SimdLevel::Scalar && columns.groupBase.empty() &&
                          std::int64_t{destWidth} * 6 < needed;
    const ColumnTaps packedColumns = gathered ? PackedColumnTaps(columns) : ColumnTaps{};
    const std::int32_t blendBytes = gathered ? destWidth * 6 : needed;
    std::vector<std::uint8_t> lowerPixels(gathered ? blendBytes + 2 : 0);
    std::vector<std::uint8_t> upperPixels(lowerPixels.size());

    // Room for the 16-byte loads of the last columns' samples.
    std::vector<std::uint8_t> blended(static_cast<std::size_t>(blendBytes) + 18, 0);
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
        if (gathered) {
            BlendGatheredRow(level, lower, upper, needed, tap, columns, packedColumns,
                             lowerPixels.data(), upperPixels.data(), blended.data(), out);
        } else {
            BlendRowsVertically(level, lower, upper, tap, blendBytes, blended.data());
            BlendColumns(level, blended.data(), columns, out);
        }
        previousOut = out;
        previous = tap;
    }
}

}  // namespace dib
